#pragma once
// The pictures the host gives the picture tool: packed DIBs (a bitmap
// header, its colour table and the pixel rows) in movable global blocks
// that the caller frees.
#include <windows.h>

#include <string>

namespace host {

// The host's own picture, 32 x 24 pixels of 24 bits: a framed page corner.
constexpr int kDefaultPictureWidth = 32;
constexpr int kDefaultPictureHeight = 24;
HGLOBAL DefaultPicture();

// The packed DIB of a .bmp file (what follows its file header), or null and
// the reason when the file cannot be read or is not a bitmap file.
HGLOBAL ReadBitmapFile(const std::wstring& path, std::wstring* error);

} // namespace host
