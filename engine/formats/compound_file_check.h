#pragma once
// A bounded look at a compound file (structured storage) before the platform
// is given it: the header, the sector allocation table with its extension
// sectors, the directory and the short-sector table, every chain walked at
// most once and every index checked against the file. The platform's own
// reader follows these chains and the directory tree without such bounds, so
// a file with a cycle in them, or an index past its end, must not reach it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class CompoundFileCheck {
public:
    // True when the whole file is sound enough to open: a header of version 3
    // (512-byte sectors) or 4 (4096-byte sectors); allocation chains that end,
    // stay inside the file and share no sector; a directory tree that reaches
    // each entry at most once; streams whose chains hold their stated size.
    // False with the reason otherwise. Never reads outside [data, data + size).
    static bool Check(const uint8_t* data, size_t size, std::string* why);

private:
    explicit CompoundFileCheck(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool Run();
    bool Fail(const std::string& why);
    uint32_t U32(size_t at) const;
    uint16_t U16(size_t at) const;
    size_t SectorAt(uint32_t sector) const { return (size_t(sector) + 1) << shift_; }
    bool SectorInFile(uint32_t sector) const { return sector < sectors_; }
    bool ReadHeader();
    bool ReadAllocationTable();
    // Follows a chain of `table` from `start`, claiming each sector for one
    // owner; the sectors in order. `limit` bounds the indices.
    bool Walk(const std::vector<uint32_t>& table, uint32_t start, uint32_t limit,
              std::vector<uint8_t>& claimed, const char* what, std::vector<uint32_t>& chain);
    bool ReadDirectory();
    bool ReadShortSectors();
    bool CheckTree();
    bool CheckStreams();

    const uint8_t* data_;
    size_t size_;
    std::string why_;
    unsigned shift_ = 9;                  // sector size 1 << shift_
    uint32_t sectors_ = 0;                // sectors in the file after the header
    uint32_t fatSectors_ = 0, directoryStart_ = 0, miniFatStart_ = 0, difatStart_ = 0, difatSectors_ = 0;
    uint32_t miniCutoff_ = 4096;
    std::vector<uint32_t> fat_;           // the allocation table
    std::vector<uint8_t> claimed_;        // per sector: already in a chain or a table
    std::vector<uint32_t> directory_;     // the directory's sectors
    uint32_t entries_ = 0;                // directory entries
    std::vector<uint32_t> miniFat_;       // the short-sector table
    std::vector<uint8_t> miniClaimed_;
    uint32_t miniSectors_ = 0;            // short sectors the mini stream holds
    std::vector<uint8_t> reached_;        // per directory entry: reached from the root
};
