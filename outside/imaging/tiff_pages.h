#pragma once
// Every page of a TIFF file as it is stored: each page's directory entries
// with their value bytes, and its strips or tiles as stored bytes. A file is
// written back from these in its own byte order, so a page can be carried
// through a save unchanged (its compression, sample depth and every tag),
// with only the offsets of its pieces and values changed.
#include <cstdint>
#include <string>
#include <vector>

namespace imaging {

struct TiffEntry {
    uint16_t tag = 0;
    uint16_t type = 0;
    uint32_t count = 0;
    std::vector<uint8_t> value;   // count values, in the file's byte order
};

struct TiffStoredPage {
    std::vector<TiffEntry> entries;            // ascending tags, pieces' tags left out
    bool tiles = false;                        // pieces are tiles (324/325), else strips (273/279)
    std::vector<std::vector<uint8_t>> pieces;  // as stored, in order
};

struct TiffStoredFile {
    bool bigEndian = false;
    std::vector<TiffStoredPage> pages;
};

// Reads every page, within the file's bounds. Fails with a reason for a
// directory or value out of the file, a directory chain that loops, more
// than 65,536 pages, a value type it does not know, a page without its
// pieces (offsets and byte counts of the same number), a piece out of the
// file, or a tag whose value points at other data of the file that could
// not be carried (sub-directories, Exif/GPS directories, JPEG interchange
// data). The free-space tags (288, 289) are dropped: they describe bytes a
// rewritten file does not have.
bool ReadTiffStored(const std::vector<uint8_t>& file, TiffStoredFile* out, std::string* error);

// The file of those pages: header, then for each page its directory (tags
// ascending), its values and its pieces, at even offsets. Empty with a
// reason when a page has no pieces or the file would pass 4 GiB.
std::vector<uint8_t> WriteTiffStored(const TiffStoredFile& file, std::string* error);

// The entry of a tag, or null.
const TiffEntry* FindEntry(const TiffStoredPage& page, uint16_t tag);
// Replaces or adds an entry (kept in ascending order); RemoveEntry drops one.
void PutEntry(TiffStoredPage* page, TiffEntry entry);
void RemoveEntry(TiffStoredPage* page, uint16_t tag);
// SHORT or LONG values of an entry; false for other types.
bool EntryUnsigned(const TiffStoredFile& file, const TiffEntry& entry, std::vector<uint32_t>* values);

} // namespace imaging
