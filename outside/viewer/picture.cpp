#include "picture.h"

#include "image_reader.h"
#include "packed_dib.h"
#include "tiff_pages.h"

#include <algorithm>
#include <utility>

namespace viewer {
namespace {

std::string SystemReason(DWORD code) {
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "the file does not exist";
    case ERROR_ACCESS_DENIED:
        return "access is denied";
    case ERROR_SHARING_VIOLATION:
        return "the file is in use";
    default:
        return "system error " + std::to_string(code);
    }
}

class FileHandle {
public:
    explicit FileHandle(HANDLE h) : handle_(h) {}
    ~FileHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE get() const { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    void Close() {
        if (valid()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_;
};

bool ReadWholeFile(const std::wstring& path, std::vector<uint8_t>* bytes, std::string* error) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        *error = SystemReason(GetLastError());
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        *error = SystemReason(GetLastError());
        return false;
    }
    if (static_cast<uint64_t>(size.QuadPart) > kMaxFileBytes) {
        *error = "the file is larger than 512 MiB";
        return false;
    }
    bytes->resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes->size()) {
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes->size() - done, 1 << 24));
        if (!ReadFile(file.get(), bytes->data() + done, want, &got, nullptr)) {
            *error = SystemReason(GetLastError());
            return false;
        }
        if (got == 0) break;
        done += got;
    }
    if (done != bytes->size()) {
        *error = "the file could not be read to its end";
        return false;
    }
    return true;
}

bool IsTiff(const std::vector<uint8_t>& bytes) {
    return bytes.size() >= 4 && ((bytes[0] == 'I' && bytes[1] == 'I' && bytes[2] == 42 &&
                                  bytes[3] == 0) ||
                                 (bytes[0] == 'M' && bytes[1] == 'M' && bytes[2] == 0 &&
                                  bytes[3] == 42));
}

bool WriteWholeFile(const std::wstring& path, const std::vector<uint8_t>& bytes,
                    std::string* error) {
    const std::wstring partial = path + L".saving";
    FileHandle file(CreateFileW(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        *error = SystemReason(GetLastError());
        return false;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        DWORD wrote = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 24));
        ok = WriteFile(file.get(), bytes.data() + done, want, &wrote, nullptr) && wrote == want;
        done += wrote;
    }
    if (!ok) *error = SystemReason(GetLastError());
    file.Close();
    if (ok && !MoveFileExW(partial.c_str(), path.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        *error = SystemReason(GetLastError());
        ok = false;
    }
    if (!ok) DeleteFileW(partial.c_str());
    return ok;
}

} // namespace

int Picture::BitsPerPixel() const {
    if (Empty()) return 0;
    // Palette pages show as 8 bits, like grey ones.
    return page_.layout == imaging::PixelLayout::Bilevel  ? 1
           : page_.layout == imaging::PixelLayout::Rgb24 ? 24
                                                         : 8;
}

const std::vector<uint8_t>* Picture::PrivateTag(uint16_t tag) const {
    for (const imaging::TiffPrivateTag& kept : tags_)
        if (kept.tag == tag) return &kept.bytes;
    return nullptr;
}

void Picture::SetPrivateTag(uint16_t tag, std::vector<uint8_t> bytes) {
    auto found = std::find_if(tags_.begin(), tags_.end(),
                              [tag](const imaging::TiffPrivateTag& kept) { return kept.tag == tag; });
    if (bytes.empty()) {
        if (found != tags_.end()) tags_.erase(found);
        return;
    }
    if (found == tags_.end()) {
        imaging::TiffPrivateTag added;
        added.tag = tag;
        found = tags_.insert(tags_.end(), std::move(added));
    }
    found->bytes = std::move(bytes);
}

const BITMAPINFO* Picture::DibInfo() const {
    return Empty() ? nullptr : reinterpret_cast<const BITMAPINFO*>(dib_.data());
}

const void* Picture::DibBits() const { return Empty() ? nullptr : dib_.data() + bitsOffset_; }

bool Picture::FromRaster(imaging::Raster page, Picture* picture, std::string* error) {
    Picture made;
    made.dib_ = PackedDibFromRaster(page);
    if (made.dib_.empty()) {
        *error = "the image has no pixels";
        return false;
    }
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(made.dib_.data());
    made.bitsOffset_ = header->biSize + header->biClrUsed * sizeof(RGBQUAD);
    made.page_ = std::move(page);
    *picture = std::move(made);
    return true;
}

bool Picture::Load(const std::wstring& path, Picture* picture, std::string* error) {
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(path, &bytes, error)) return false;
    imaging::Raster page;
    if (!imaging::LoadImageBytes(bytes, &page, error)) return false;
    Picture made;
    if (!FromRaster(std::move(page), &made, error)) return false;
    if (IsTiff(bytes)) {
        for (uint16_t tag : kKeptTiffTags) {
            imaging::TiffPrivateTag kept;
            kept.tag = tag;
            if (imaging::ReadTiffTagBytes(bytes, tag, &kept.bytes) && !kept.bytes.empty())
                made.tags_.push_back(std::move(kept));
        }
        made.file_ = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
    }
    *picture = std::move(made);
    return true;
}

bool Picture::FromPackedDib(const uint8_t* dib, size_t size, Picture* picture,
                            std::string* error) {
    imaging::Raster page;
    if (!RasterFromPackedDib(dib, size, &page, error)) return false;
    return FromRaster(std::move(page), picture, error);
}

void Picture::ReplacePixelsOf(const Picture& shown) {
    tags_ = shown.tags_;
    file_ = shown.file_;
    pixelsReplaced_ = true;
}

namespace {

// The tags that say how the pixels of a page are coded and laid out: those a
// page coded anew takes from the writer's page.
bool DescribesPixels(uint16_t tag) {
    switch (tag) {
    case 256: case 257: case 258: case 259: case 262: case 266: case 273: case 277: case 278:
    case 279: case 284: case 292: case 293: case 317: case 320: case 322: case 323: case 324:
    case 325: case 338: case 339: case 340: case 341: case 347:
        return true;
    default:
        return (tag >= 512 && tag <= 521) || (tag >= 529 && tag <= 532);
    }
}

uint32_t One(const imaging::TiffStoredFile& file, const imaging::TiffStoredPage& page,
             uint16_t tag, uint32_t fallback, int index = 0) {
    const imaging::TiffEntry* e = imaging::FindEntry(page, tag);
    std::vector<uint32_t> values;
    if (!e || !imaging::EntryUnsigned(file, *e, &values) || values.size() <= size_t(index))
        return fallback;
    return values[index];
}

// Whether the writer can code a page stored like this one without losing
// anything the page holds: the layout it would be read as, or false.
bool WriterLayout(const imaging::TiffStoredFile& file, const imaging::TiffStoredPage& page,
                  imaging::PixelLayout* layout) {
    const uint32_t samples = One(file, page, 277, 1), photometric = One(file, page, 262, 99);
    if (One(file, page, 284, 1) != 1 || FindEntry(page, 338) || One(file, page, 339, 1) != 1)
        return false;
    std::vector<uint32_t> depths{1};
    if (const imaging::TiffEntry* e = imaging::FindEntry(page, 258))
        if (!imaging::EntryUnsigned(file, *e, &depths) || depths.empty()) return false;
    for (uint32_t depth : depths)
        if (depth != depths[0]) return false;
    const uint32_t bits = depths[0];
    if (samples == 1 && bits == 1 && photometric <= 1) *layout = imaging::PixelLayout::Bilevel;
    else if (samples == 1 && bits == 8 && photometric == 1) *layout = imaging::PixelLayout::Gray8;
    else if (samples == 1 && bits == 8 && photometric == 3) *layout = imaging::PixelLayout::Palette8;
    else if (samples == 3 && bits == 8 && photometric == 2) *layout = imaging::PixelLayout::Rgb24;
    else return false;
    return true;
}

// Values of the writer's little-endian page in a big-endian file.
void ToByteOrder(bool bigEndian, imaging::TiffEntry* e) {
    if (!bigEndian) return;
    size_t unit = (e->type == 3 || e->type == 8) ? 2
                  : (e->type == 4 || e->type == 9 || e->type == 11 || e->type == 5 || e->type == 10) ? 4
                  : e->type == 12 ? 8 : 1;
    for (size_t at = 0; unit > 1 && at + unit <= e->value.size(); at += unit)
        std::reverse(e->value.begin() + at, e->value.begin() + at + unit);
}

bool SameAsShown(const imaging::Raster& a, const imaging::Raster& b) {
    if (a.width != b.width || a.height != b.height || a.layout != b.layout || a.pixels != b.pixels ||
        a.palette.size() != b.palette.size())
        return false;
    for (size_t i = 0; i < a.palette.size(); ++i)
        if (a.palette[i].r != b.palette[i].r || a.palette[i].g != b.palette[i].g ||
            a.palette[i].b != b.palette[i].b)
            return false;
    return true;
}

} // namespace

bool Picture::ComposeTiff(imaging::TiffCompression compression, std::vector<uint8_t>* result,
                          std::string* error) const {
    if (Empty()) {
        *error = "there is no image to save";
        return false;
    }
    imaging::TiffWriteOptions options;
    options.compression = compression;
    if (!file_) {
        options.privateTags = tags_;
        *result = imaging::EncodeTiff(page_, options, error);
        return !result->empty();
    }
    std::string why;
    imaging::TiffStoredFile stored;
    if (!imaging::ReadTiffStored(*file_, &stored, &why)) {
        *error = "the pages of the file cannot all be kept (" + why + "); nothing was saved";
        return false;
    }
    imaging::TiffStoredPage& first = stored.pages[0];
    imaging::PixelLayout storedLayout;
    const bool writable = WriterLayout(stored, first, &storedLayout) &&
                          (pixelsReplaced_ || storedLayout == page_.layout);
    const bool recode =
        pixelsReplaced_ || One(stored, first, 259, 1) != static_cast<uint32_t>(compression);
    if (recode && writable) {
        const std::vector<uint8_t> coded = imaging::EncodeTiff(page_, options, error);
        imaging::TiffStoredFile mine;
        if (coded.empty() || !imaging::ReadTiffStored(coded, &mine, error)) return false;
        std::vector<imaging::TiffEntry> kept;
        for (imaging::TiffEntry& e : first.entries)
            if (!DescribesPixels(e.tag)) kept.push_back(std::move(e));
        first.entries = std::move(kept);
        for (imaging::TiffEntry e : mine.pages[0].entries)
            if (DescribesPixels(e.tag)) {
                ToByteOrder(stored.bigEndian, &e);
                imaging::PutEntry(&first, std::move(e));
            }
        first.tiles = false;
        first.pieces = std::move(mine.pages[0].pieces);
    } else if (recode && pixelsReplaced_) {
        *error = "the first page is stored in a form the view cannot write (" +
                 std::to_string(One(stored, first, 258, 1)) + " bits per sample, " +
                 std::to_string(One(stored, first, 277, 1)) +
                 " samples), so its changed pixels cannot be kept; nothing was saved";
        return false;
    }
    // The annotation tags as the view holds them now.
    for (uint16_t tag : kKeptTiffTags) {
        const imaging::TiffEntry* had = imaging::FindEntry(first, tag);
        const uint16_t hadType = had && (had->type == 1 || had->type == 6 || had->type == 7) ? had->type : 0;
        imaging::RemoveEntry(&first, tag);
        const imaging::TiffPrivateTag* mineTag = nullptr;
        for (const imaging::TiffPrivateTag& t : tags_)
            if (t.tag == tag) mineTag = &t;
        if (!mineTag || mineTag->bytes.empty()) continue;
        imaging::TiffEntry e;
        e.tag = tag;
        e.type = hadType ? hadType : static_cast<uint16_t>(mineTag->type);
        e.count = static_cast<uint32_t>(mineTag->bytes.size());
        e.value = mineTag->bytes;
        imaging::PutEntry(&first, std::move(e));
    }
    std::vector<uint8_t> out = imaging::WriteTiffStored(stored, error);
    if (out.empty()) return false;
    // What is written must read back as every page it had and as the page shown.
    imaging::TiffStoredFile check;
    imaging::Raster back;
    if (!imaging::ReadTiffStored(out, &check, &why) || check.pages.size() != stored.pages.size() ||
        !imaging::LoadImageBytes(out, &back, &why) || !SameAsShown(back, page_)) {
        *error = "the saved file would not read back as the page shown" +
                 (why.empty() ? std::string() : " (" + why + ")") + "; nothing was saved";
        return false;
    }
    *result = std::move(out);
    return true;
}

bool Picture::SaveTiff(const std::wstring& path, imaging::TiffCompression compression,
                       std::string* error) const {
    std::vector<uint8_t> file;
    if (!ComposeTiff(compression, &file, error)) return false;
    return WriteWholeFile(path, file, error);
}

imaging::TiffCompression SaveCompression(long value, imaging::PixelLayout layout) {
    if (value == static_cast<long>(imaging::TiffCompression::None))
        return imaging::TiffCompression::None;
    if (value == static_cast<long>(imaging::TiffCompression::PackBits))
        return imaging::TiffCompression::PackBits;
    return layout == imaging::PixelLayout::Bilevel ? imaging::TiffCompression::Ccitt4
                                                   : imaging::TiffCompression::PackBits;
}

} // namespace viewer
