#include "pack_script.h"

namespace platform {

namespace {

bool IsPlainCharacter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '_' || c == '-' || c == '.';
}

bool IsPlain(const std::string& name)
{
    if (name.empty())
        return false;
    for (char c : name)
        if (!IsPlainCharacter(c))
            return false;
    return true;
}

} // namespace

bool IsValidMethodFileName(const std::string& name)
{
    return IsPlain(name) && name.front() != '-' && name.front() != '.' && name.back() != '.';
}

bool IsReservedPackingName(const std::string& fileName)
{
    std::string lower;
    for (char c : fileName)
        lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    for (const char* reserved : {"run.bat", "rar.exe", "rar.bat", "rar.cmd", "rar.com"})
        if (lower == reserved)
            return true;
    return false;
}

std::string PackScriptArgument(const std::string& name)
{
    std::string text = !name.empty() && name.front() == '-' ? ".\\" + name : name;
    if (IsPlain(name))
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        quoted += c;
        if (c == '%')
            quoted += '%';    // a batch file reads "%%" as one "%", quoted or not
    }
    return quoted + "\"";
}

std::string PackScriptLine(const std::string& moduleFile, const std::string& method,
                           const std::vector<std::string>& chosenFiles)
{
    std::string line = "rar a -sfxwincon.sfx " + PackScriptArgument(moduleFile + "." + method);
    for (const char* extension : {".bat", ".txt", ".name", ".tab"})
        line += " " + PackScriptArgument(method + extension);
    for (const std::string& file : chosenFiles)
        line += " " + PackScriptArgument(file);
    return line;
}

std::string DescriptionFileText(const std::string& memoText)
{
    std::string text;
    text.reserve(memoText.size() + memoText.size() / 16);
    for (size_t i = 0; i < memoText.size(); ++i) {
        char c = memoText[i];
        if (c == '\r' && i + 1 < memoText.size() && memoText[i + 1] == '\n')
            continue;    // the "\n" that follows writes the break
        if (c == '\n')
            text += '\r';
        text += c;
    }
    return text;
}

} // namespace platform
