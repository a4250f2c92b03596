#include "tiff_pages.h"

#include <algorithm>
#include <set>

namespace imaging {
namespace {

constexpr size_t kMaxPages = 65536;

uint32_t TypeBytes(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: case 7: return 1;
    case 3: case 8: return 2;
    case 4: case 9: case 11: return 4;
    case 5: case 10: case 12: return 8;
    default: return 0;   // 13 (IFD) included: it points into the file
    }
}

bool Fail(std::string* error, const std::string& reason)
{
    if (error)
        *error = reason;
    return false;
}

// Tags whose values point at data of the file other than the pieces.
bool PointsElsewhere(uint16_t tag)
{
    return tag == 330 || tag == 513 || tag == 514 || tag == 34665 || tag == 34853 || tag == 40965;
}

class Reader {
public:
    Reader(const std::vector<uint8_t>& b, bool big) : b_(b), big_(big) {}
    bool Has(uint64_t at, uint64_t n) const { return at <= b_.size() && n <= b_.size() - at; }
    uint32_t U16(uint64_t at) const
    {
        return big_ ? (b_[at] << 8 | b_[at + 1]) : (b_[at] | b_[at + 1] << 8);
    }
    uint32_t U32(uint64_t at) const
    {
        return big_ ? (uint32_t(U16(at)) << 16 | U16(at + 2)) : (U16(at) | uint32_t(U16(at + 2)) << 16);
    }

private:
    const std::vector<uint8_t>& b_;
    bool big_;
};

void Put(std::vector<uint8_t>* out, uint32_t x, int bytes, bool big)
{
    for (int i = 0; i < bytes; ++i)
        out->push_back(static_cast<uint8_t>(x >> (big ? 8 * (bytes - 1 - i) : 8 * i)));
}

void PutAt(std::vector<uint8_t>* out, size_t at, uint32_t x, bool big)
{
    for (int i = 0; i < 4; ++i)
        (*out)[at + i] = static_cast<uint8_t>(x >> (big ? 8 * (3 - i) : 8 * i));
}

} // namespace

bool EntryUnsigned(const TiffStoredFile& file, const TiffEntry& entry, std::vector<uint32_t>* values)
{
    values->clear();
    const uint32_t size = entry.type == 3 ? 2 : entry.type == 4 ? 4 : 0;
    if (size == 0 || entry.value.size() != uint64_t(size) * entry.count)
        return false;
    Reader r(entry.value, file.bigEndian);
    for (uint32_t i = 0; i < entry.count; ++i)
        values->push_back(size == 2 ? r.U16(2ull * i) : r.U32(4ull * i));
    return true;
}

const TiffEntry* FindEntry(const TiffStoredPage& page, uint16_t tag)
{
    for (const TiffEntry& e : page.entries)
        if (e.tag == tag)
            return &e;
    return nullptr;
}

void RemoveEntry(TiffStoredPage* page, uint16_t tag)
{
    page->entries.erase(std::remove_if(page->entries.begin(), page->entries.end(),
                                       [tag](const TiffEntry& e) { return e.tag == tag; }),
                        page->entries.end());
}

void PutEntry(TiffStoredPage* page, TiffEntry entry)
{
    RemoveEntry(page, entry.tag);
    auto at = std::find_if(page->entries.begin(), page->entries.end(),
                           [&](const TiffEntry& e) { return e.tag > entry.tag; });
    page->entries.insert(at, std::move(entry));
}

bool ReadTiffStored(const std::vector<uint8_t>& b, TiffStoredFile* out, std::string* error)
{
    if (b.size() < 8 || !((b[0] == 'I' && b[1] == 'I' && b[2] == 42 && b[3] == 0) ||
                          (b[0] == 'M' && b[1] == 'M' && b[2] == 0 && b[3] == 42)))
        return Fail(error, "not a TIFF file");
    TiffStoredFile file;
    file.bigEndian = b[0] == 'M';
    Reader r(b, file.bigEndian);
    std::set<uint32_t> seen;
    for (uint32_t ifd = r.U32(4); ifd != 0;) {
        const std::string where = "page " + std::to_string(file.pages.size() + 1);
        if (file.pages.size() >= kMaxPages)
            return Fail(error, "more than 65536 pages");
        if (!seen.insert(ifd).second)
            return Fail(error, where + ": the directories loop");
        if (!r.Has(ifd, 2))
            return Fail(error, where + ": directory out of the file");
        const uint32_t n = r.U16(ifd);
        if (n == 0 || !r.Has(ifd + 2, 12ull * n + 4))
            return Fail(error, where + ": directory empty or truncated");
        TiffStoredPage page;
        std::vector<uint32_t> offsets, counts;
        bool haveOffsets = false, haveCounts = false;
        for (uint32_t i = 0; i < n; ++i) {
            const uint64_t at = ifd + 2 + 12ull * i;
            TiffEntry e;
            e.tag = static_cast<uint16_t>(r.U16(at));
            e.type = static_cast<uint16_t>(r.U16(at + 2));
            e.count = r.U32(at + 4);
            const std::string tagName = where + ", tag " + std::to_string(e.tag);
            if (PointsElsewhere(e.tag) || e.type == 13)
                return Fail(error, tagName + " points at data that cannot be carried over");
            const uint32_t unit = TypeBytes(e.type);
            if (unit == 0)
                return Fail(error, tagName + " has a type of value not known (" +
                                       std::to_string(e.type) + ")");
            const uint64_t size = uint64_t(unit) * e.count;
            const uint64_t valueAt = size <= 4 ? at + 8 : r.U32(at + 8);
            if (!r.Has(valueAt, size))
                return Fail(error, tagName + " value out of the file");
            e.value.assign(b.begin() + valueAt, b.begin() + valueAt + size);
            if (FindEntry(page, e.tag))
                return Fail(error, tagName + " is given twice");
            if (e.tag == 288 || e.tag == 289)
                continue;
            if (e.tag == 273 || e.tag == 279 || e.tag == 324 || e.tag == 325) {
                const bool isOffsets = e.tag == 273 || e.tag == 324;
                const bool tiles = e.tag >= 324;
                if ((haveOffsets || haveCounts) && page.tiles != tiles)
                    return Fail(error, where + " has both strips and tiles");
                page.tiles = tiles;
                if (!EntryUnsigned(file, e, isOffsets ? &offsets : &counts) || e.count == 0)
                    return Fail(error, tagName + " has an unexpected type or count");
                (isOffsets ? haveOffsets : haveCounts) = true;
                continue;
            }
            page.entries.push_back(std::move(e));
        }
        if (!haveOffsets || !haveCounts || offsets.size() != counts.size())
            return Fail(error, where + ": its strips or tiles are not listed in full");
        for (size_t i = 0; i < offsets.size(); ++i) {
            if (!r.Has(offsets[i], counts[i]))
                return Fail(error, where + ": piece " + std::to_string(i + 1) + " out of the file");
            page.pieces.emplace_back(b.begin() + offsets[i], b.begin() + offsets[i] + counts[i]);
        }
        std::stable_sort(page.entries.begin(), page.entries.end(),
                         [](const TiffEntry& a, const TiffEntry& c) { return a.tag < c.tag; });
        file.pages.push_back(std::move(page));
        ifd = r.U32(ifd + 2 + 12ull * n);
    }
    if (file.pages.empty())
        return Fail(error, "the file has no page");
    *out = std::move(file);
    return true;
}

std::vector<uint8_t> WriteTiffStored(const TiffStoredFile& file, std::string* error)
{
    const bool big = file.bigEndian;
    std::vector<uint8_t> out;
    if (big)
        out = {'M', 'M', 0, 42};
    else
        out = {'I', 'I', 42, 0};
    Put(&out, 0, 4, big);
    size_t link = 4;
    for (size_t p = 0; p < file.pages.size(); ++p) {
        const TiffStoredPage& page = file.pages[p];
        if (page.pieces.empty()) {
            if (error)
                *error = "page " + std::to_string(p + 1) + " has no pixel data";
            return {};
        }
        const uint32_t pieceCount = static_cast<uint32_t>(page.pieces.size());
        std::vector<TiffEntry> entries = page.entries;
        TiffEntry offsets{static_cast<uint16_t>(page.tiles ? 324 : 273), 4, pieceCount, {}};
        TiffEntry counts{static_cast<uint16_t>(page.tiles ? 325 : 279), 4, pieceCount, {}};
        for (const std::vector<uint8_t>& piece : page.pieces) {
            Put(&offsets.value, 0, 4, big);
            Put(&counts.value, static_cast<uint32_t>(piece.size()), 4, big);
        }
        entries.push_back(offsets);
        entries.push_back(counts);
        std::stable_sort(entries.begin(), entries.end(),
                         [](const TiffEntry& a, const TiffEntry& c) { return a.tag < c.tag; });
        // Directory, then the values that do not fit in it, then the pieces.
        out.resize(out.size() + (out.size() & 1), 0);
        const uint64_t ifd = out.size();
        uint64_t at = ifd + 2 + 12ull * entries.size() + 4;
        std::vector<uint64_t> valueAt(entries.size(), 0);
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].value.size() > 4) {
                at += at & 1;
                valueAt[i] = at;
                at += entries[i].value.size();
            }
        std::vector<uint64_t> pieceAt;
        for (const std::vector<uint8_t>& piece : page.pieces) {
            at += at & 1;
            pieceAt.push_back(at);
            at += piece.size();
        }
        if (at > 0xFFFFFFFFull) {
            if (error)
                *error = "the file would be larger than 4 GiB";
            return {};
        }
        for (TiffEntry& e : entries)
            if (e.tag == offsets.tag) {
                e.value.clear();
                for (uint64_t a : pieceAt)
                    Put(&e.value, static_cast<uint32_t>(a), 4, big);
            }
        PutAt(&out, link, static_cast<uint32_t>(ifd), big);
        Put(&out, static_cast<uint32_t>(entries.size()), 2, big);
        for (size_t i = 0; i < entries.size(); ++i) {
            const TiffEntry& e = entries[i];
            Put(&out, e.tag, 2, big);
            Put(&out, e.type, 2, big);
            Put(&out, e.count, 4, big);
            if (valueAt[i]) {
                Put(&out, static_cast<uint32_t>(valueAt[i]), 4, big);
            } else {
                std::vector<uint8_t> inline4 = e.value;
                inline4.resize(4, 0);
                out.insert(out.end(), inline4.begin(), inline4.end());
            }
        }
        link = out.size();
        Put(&out, 0, 4, big);
        for (size_t i = 0; i < entries.size(); ++i)
            if (valueAt[i]) {
                out.resize(valueAt[i], 0);
                out.insert(out.end(), entries[i].value.begin(), entries[i].value.end());
            }
        for (size_t i = 0; i < page.pieces.size(); ++i) {
            out.resize(pieceAt[i], 0);
            out.insert(out.end(), page.pieces[i].begin(), page.pieces[i].end());
        }
    }
    return out;
}

} // namespace imaging
