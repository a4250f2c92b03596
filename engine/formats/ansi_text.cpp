#include "formats/ansi_text.h"

#include <windows.h>

std::string ToAnsi(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    const int length = static_cast<int>(text.size());
    const int needed =
        WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return std::string();
    std::string ansi(static_cast<size_t>(needed), '\0');
    WideCharToMultiByte(CP_THREAD_ACP, 0, text.data(), length, &ansi[0], needed, nullptr, nullptr);
    return ansi;
}

std::wstring FromAnsi(const char* text)
{
    if (!text || !*text)
        return std::wstring();
    const int needed = MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, nullptr, 0);
    if (needed <= 1)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(needed), L'\0');
    MultiByteToWideChar(CP_THREAD_ACP, 0, text, -1, &wide[0], needed);
    wide.resize(static_cast<size_t>(needed - 1));
    return wide;
}
