#include "pack_script.h"

#include <windows.h>

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

std::string Lower(const std::string& text)
{
    std::string lower;
    for (char c : text)
        lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return lower;
}

} // namespace

bool IsValidMethodFileName(const std::string& name)
{
    return MethodFileNameProblem(name).empty();
}

std::string MethodFileNameProblem(const std::string& name)
{
    if (!IsPlain(name) || name.front() == '-' || name.front() == '.' || name.back() == '.')
        return "Invalid Method's FileName! Use only letters, digits, \"_\", \"-\" and \".\".";
    const std::string module = ".folivar";
    if (name.size() >= module.size() && Lower(name.substr(name.size() - module.size())) == module)
        return "Invalid Method's FileName! It can not end with \".Folivar\".";
    return std::string();
}

bool IsReservedPackingName(const std::string& fileName)
{
    const std::string lower = Lower(fileName);
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

bool ScriptBytes(const std::string& line, std::string* bytes)
{
    bytes->clear();
    if (line.empty())
        return true;
    int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, line.data(), static_cast<int>(line.size()),
                                nullptr, 0);
    if (n <= 0)
        return false;
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, line.data(), static_cast<int>(line.size()), &wide[0], n);
    BOOL lost = FALSE;
    int m = WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide.data(), n, nullptr, 0, nullptr, &lost);
    if (m <= 0 || lost)
        return false;
    bytes->assign(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, wide.data(), n, &(*bytes)[0], m, nullptr, &lost);
    return !lost;
}

bool CanNameInScript(const std::string& name)
{
    std::string bytes;
    return ScriptBytes(name, &bytes);
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
