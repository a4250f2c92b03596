#include "picture.h"

#include "image_reader.h"
#include "packed_dib.h"

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

bool Picture::SaveTiff(const std::wstring& path, imaging::TiffCompression compression,
                       std::string* error) const {
    if (Empty()) {
        *error = "there is no image to save";
        return false;
    }
    imaging::TiffWriteOptions options;
    options.compression = compression;
    options.privateTags = tags_;
    const std::vector<uint8_t> file = imaging::EncodeTiff(page_, options, error);
    if (file.empty()) return false;
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
