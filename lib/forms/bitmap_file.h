#pragma once
// Reading a .bmp file into a bitmap handle.
#include <windows.h>

#include <string>

namespace forms {

// The picture of a .bmp file as a DIB section the caller owns (DeleteObject),
// or null when the file is missing or no bitmap.
HBITMAP LoadBitmapFile(const std::string& path);

} // namespace forms
