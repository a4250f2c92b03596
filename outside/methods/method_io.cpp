#include "method_io.h"

#include "image_reader.h"
#include "tiff_writer.h"

#include <windows.h>

#include <cstdio>
#include <exception>

namespace methods {

bool ReadPage(const char* name, imaging::Raster* page)
{
    std::string error;
    if (!imaging::LoadImageFile(name, page, &error)) {
        std::fprintf(stderr, "cannot read %s: %s\n", name, error.c_str());
        return false;
    }
    return true;
}

bool WritePage(const char* name, const imaging::Raster& page)
{
    imaging::TiffWriteOptions options;
    options.compression = page.layout == imaging::PixelLayout::Bilevel
                              ? imaging::TiffCompression::Ccitt4
                              : imaging::TiffCompression::PackBits;
    std::string error;
    if (!imaging::WriteTiffFile(name, page, options, &error)) {
        DeleteFileA(name);
        std::fprintf(stderr, "cannot write %s: %s\n", name, error.c_str());
        return false;
    }
    return true;
}

std::string CompanionPath(const char* suffix)
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path, n < MAX_PATH ? n : 0);
    size_t dot = s.find_last_of('.');
    size_t slash = s.find_last_of("\\/");
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
        s.erase(dot);
    if (s.size() >= 2 && s.compare(s.size() - 2, 2, "_s") == 0)
        s.erase(s.size() - 2);
    return s + suffix;
}

int RunMethod(int (*body)())
{
    try {
        return body();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "failed: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "failed\n");
    }
    return 2;
}

} // namespace methods
