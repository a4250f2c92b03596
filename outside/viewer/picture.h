#pragma once
// The page image a view shows: the page itself, its packed DIB for painting
// and handing over, and the private TIFF tags it came with (kept so that a
// load and a save keep the annotations stored in them).
#include "raster.h"
#include "tiff_writer.h"

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace viewer {

// The private tags a loaded TIFF keeps through a save.
constexpr uint16_t kKeptTiffTags[] = {32932, 34686};

// Files are read whole, up to this size.
constexpr uint64_t kMaxFileBytes = uint64_t(512) << 20;

class Picture {
public:
    bool Empty() const { return dib_.empty(); }
    int Width() const { return page_.width; }
    int Height() const { return page_.height; }
    // 1, 8 or 24; 0 when empty.
    int BitsPerPixel() const;
    const imaging::Raster& Page() const { return page_; }
    const std::vector<imaging::TiffPrivateTag>& PrivateTags() const { return tags_; }
    // The kept tag's bytes, or null when the picture has no such tag.
    const std::vector<uint8_t>* PrivateTag(uint16_t tag) const;
    // Keeps bytes as tag (in place of what it held); empty bytes drop the tag.
    void SetPrivateTag(uint16_t tag, std::vector<uint8_t> bytes);
    void SetPrivateTags(std::vector<imaging::TiffPrivateTag> tags) { tags_ = std::move(tags); }
    // This picture's pixels take the place of those of the page shown: the
    // file it came from and its kept tags stay, so a save writes the file
    // with this first page.
    void ReplacePixelsOf(const Picture& shown);

    // The packed DIB and the parts StretchDIBits takes.
    const std::vector<uint8_t>& PackedDib() const { return dib_; }
    const BITMAPINFO* DibInfo() const;
    const void* DibBits() const;

    // Loads the first page of a TIFF, or a BMP, and the kept tags of a TIFF.
    // On failure *picture is untouched and *error says why.
    static bool Load(const std::wstring& path, Picture* picture, std::string* error);
    // A picture of a copy of a packed DIB (see RasterFromPackedDib).
    static bool FromPackedDib(const uint8_t* dib, size_t size, Picture* picture,
                              std::string* error);

    // Writes the page and its kept tags as a TIFF to path, replacing the
    // file only once the whole new one is written.
    //
    // A picture loaded from a TIFF writes that file's every page: the pages
    // after the first as they are stored, the first with its kept tags in
    // place of the file's 32932 and 34686 and every other tag as it was.
    // The first page is coded anew in `compression` when it is stored
    // otherwise or its pixels were replaced, provided it is a kind of page
    // the writer makes (1-bit, 8-bit grey, 8-bit palette, 24-bit RGB);
    // otherwise an unchanged page stays as stored, and one whose pixels were
    // replaced is not saved. A file whose pages cannot all be carried, or a
    // result that would not read back as the picture shows, fails with the
    // reason and nothing is written.
    bool SaveTiff(const std::wstring& path, imaging::TiffCompression compression,
                  std::string* error) const;
    // The bytes SaveTiff would write.
    bool ComposeTiff(imaging::TiffCompression compression, std::vector<uint8_t>* file,
                     std::string* error) const;

private:
    static bool FromRaster(imaging::Raster page, Picture* picture, std::string* error);

    imaging::Raster page_;
    std::vector<uint8_t> dib_;
    size_t bitsOffset_ = 0;
    std::vector<imaging::TiffPrivateTag> tags_;
    std::shared_ptr<const std::vector<uint8_t>> file_;   // the TIFF loaded, as read
    bool pixelsReplaced_ = false;
};

// The compression SaveFile uses for a SaveTIFFCompression value: 1 none,
// 32773 PackBits, any other value the best one valid for the page (CCITT
// Group 4 for 1-bit pages, PackBits for the rest).
imaging::TiffCompression SaveCompression(long value, imaging::PixelLayout layout);

} // namespace viewer
