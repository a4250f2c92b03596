#include "forms/bitmap_file.h"

namespace forms {

HBITMAP LoadBitmapFile(const std::string& path)
{
    if (path.empty())
        return nullptr;
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}

} // namespace forms
