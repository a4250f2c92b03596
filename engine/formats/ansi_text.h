#pragma once
// Text between UTF-16 and ANSI: every such conversion of the engine uses the
// thread's ANSI code page.
#include <string>

std::string ToAnsi(const std::wstring& text);
// A NUL-terminated ANSI text (null reads as empty).
std::wstring FromAnsi(const char* text);
