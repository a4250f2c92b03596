#include "formats/compound_file_check.h"

#include <cstring>
#include <new>

namespace {

const uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
const uint32_t kEndOfChain = 0xFFFFFFFE;
const uint32_t kNoEntry = 0xFFFFFFFF;
const size_t kHeaderTableEntries = 109;   // allocation-table sectors named in the header
const size_t kEntrySize = 128;
const unsigned kMiniShift = 6;

// Directory entry fields.
const size_t kEntryNameLength = 64;
const size_t kEntryType = 66;
const size_t kEntryLeft = 68;
const size_t kEntryRight = 72;
const size_t kEntryChild = 76;
const size_t kEntryStart = 116;
const size_t kEntrySizeLow = 120;
const size_t kEntrySizeHigh = 124;

const uint8_t kTypeStorage = 1;
const uint8_t kTypeStream = 2;
const uint8_t kTypeRoot = 5;

} // namespace

bool CompoundFileCheck::Check(const uint8_t* data, size_t size, std::string* why)
{
    CompoundFileCheck check(data, size);
    bool sound = false;
    try {
        sound = check.Run();
    } catch (const std::bad_alloc&) {
        check.Fail("not enough memory to check the file");
    }
    if (why)
        *why = sound ? std::string() : check.why_;
    return sound;
}

bool CompoundFileCheck::Fail(const std::string& why)
{
    why_ = why;
    return false;
}

uint32_t CompoundFileCheck::U32(size_t at) const
{
    return uint32_t(data_[at]) | uint32_t(data_[at + 1]) << 8 | uint32_t(data_[at + 2]) << 16 |
           uint32_t(data_[at + 3]) << 24;
}

uint16_t CompoundFileCheck::U16(size_t at) const
{
    return static_cast<uint16_t>(data_[at] | data_[at + 1] << 8);
}

bool CompoundFileCheck::Run()
{
    return ReadHeader() && ReadAllocationTable() && ReadDirectory() && CheckTree() && ReadShortSectors() &&
           CheckStreams();
}

bool CompoundFileCheck::ReadHeader()
{
    if (!data_ || size_ < 512)
        return Fail("shorter than a compound file header");
    if (std::memcmp(data_, kSignature, sizeof(kSignature)) != 0)
        return Fail("no compound file signature");
    if (U16(28) != 0xFFFE)
        return Fail("unknown byte order mark");
    const uint16_t major = U16(26), sectorShift = U16(30);
    if (!((major == 3 && sectorShift == 9) || (major == 4 && sectorShift == 12)))
        return Fail("unknown version or sector size");
    if (U16(32) != kMiniShift || U32(56) != 4096)
        return Fail("unknown short-sector size or cutoff");
    shift_ = sectorShift;
    const size_t sectorSize = size_t(1) << shift_;
    if (size_ < sectorSize)
        return Fail("shorter than its header sector");
    // A last sector cut short still counts: only the sectors of the tables
    // must be read whole here.
    const uint64_t sectors = (uint64_t(size_) - sectorSize + sectorSize - 1) >> shift_;
    if (sectors >= 0xFFFFFFFAu)
        return Fail("too many sectors");
    sectors_ = static_cast<uint32_t>(sectors);
    fatSectors_ = U32(44);
    directoryStart_ = U32(48);
    miniFatStart_ = U32(60);
    difatStart_ = U32(68);
    difatSectors_ = U32(72);
    if (fatSectors_ == 0 || fatSectors_ > sectors_)
        return Fail("allocation table size out of range");
    return true;
}

bool CompoundFileCheck::ReadAllocationTable()
{
    const size_t sectorSize = size_t(1) << shift_;
    claimed_.assign(sectors_, 0);
    std::vector<uint32_t> tableSectors;
    auto take = [&](uint32_t sector) {
        if (!SectorInFile(sector) || SectorAt(sector) + sectorSize > size_)
            return Fail("allocation table sector out of the file");
        if (claimed_[sector])
            return Fail("allocation table sector used twice");
        claimed_[sector] = 1;
        tableSectors.push_back(sector);
        return true;
    };
    for (size_t i = 0; i < kHeaderTableEntries && tableSectors.size() < fatSectors_; ++i)
        if (!take(U32(76 + 4 * i)))
            return false;
    // The rest are named by the extension sectors, each of which ends with
    // the next one's number. All that the header counts are walked, also
    // those the table does not need.
    if (difatSectors_ > sectors_)
        return Fail("allocation table extension size out of range");
    uint32_t extension = difatStart_;
    const size_t perExtension = sectorSize / 4 - 1;
    for (uint32_t read = 0; read < difatSectors_ || tableSectors.size() < fatSectors_; ++read) {
        if (read >= difatSectors_)
            return Fail("allocation table extension shorter than the table");
        if (!SectorInFile(extension) || SectorAt(extension) + sectorSize > size_)
            return Fail("allocation table extension out of the file");
        if (claimed_[extension])
            return Fail("allocation table extension chain loops");
        claimed_[extension] = 1;
        const size_t at = SectorAt(extension);
        for (size_t i = 0; i < perExtension && tableSectors.size() < fatSectors_; ++i)
            if (!take(U32(at + 4 * i)))
                return false;
        extension = U32(at + 4 * perExtension);
    }
    fat_.reserve(size_t(fatSectors_) * (sectorSize / 4));
    for (uint32_t sector : tableSectors) {
        const size_t at = SectorAt(sector);
        for (size_t i = 0; i < sectorSize / 4; ++i)
            fat_.push_back(U32(at + 4 * i));
    }
    return true;
}

bool CompoundFileCheck::Walk(const std::vector<uint32_t>& table, uint32_t start, uint32_t limit,
                             std::vector<uint8_t>& claimed, const char* what, std::vector<uint32_t>& chain)
{
    chain.clear();
    // Each step claims a sector no chain had, so the walk ends within the file.
    for (uint32_t sector = start; sector != kEndOfChain; sector = table[sector]) {
        if (sector >= limit || sector >= table.size() || sector >= claimed.size())
            return Fail(std::string(what) + ": sector number out of range");
        if (claimed[sector])
            return Fail(std::string(what) + ": chain loops or shares a sector");
        claimed[sector] = 1;
        chain.push_back(sector);
    }
    return true;
}

bool CompoundFileCheck::ReadDirectory()
{
    const size_t sectorSize = size_t(1) << shift_;
    if (!Walk(fat_, directoryStart_, sectors_, claimed_, "directory", directory_))
        return false;
    if (directory_.empty())
        return Fail("no directory");
    for (uint32_t sector : directory_)
        if (SectorAt(sector) + sectorSize > size_)
            return Fail("directory sector out of the file");
    entries_ = static_cast<uint32_t>(directory_.size() * (sectorSize / kEntrySize));
    return true;
}

bool CompoundFileCheck::CheckTree()
{
    const size_t perSector = (size_t(1) << shift_) / kEntrySize;
    auto entryAt = [&](uint32_t id) {
        return SectorAt(directory_[id / perSector]) + (id % perSector) * kEntrySize;
    };
    if (data_[entryAt(0) + kEntryType] != kTypeRoot)
        return Fail("the first directory entry is not the root");
    reached_.assign(entries_, 0);
    reached_[0] = 1;
    std::vector<uint32_t> pending = {U32(entryAt(0) + kEntryChild)};
    while (!pending.empty()) {
        const uint32_t id = pending.back();
        pending.pop_back();
        if (id == kNoEntry)
            continue;
        if (id >= entries_)
            return Fail("directory entry number out of range");
        if (reached_[id])
            return Fail("directory tree loops or shares an entry");
        reached_[id] = 1;
        const size_t at = entryAt(id);
        const uint8_t type = data_[at + kEntryType];
        if (type != kTypeStorage && type != kTypeStream)
            return Fail("directory tree reaches an unused entry");
        const uint16_t nameLength = U16(at + kEntryNameLength);
        if (nameLength > 64 || nameLength % 2 != 0)
            return Fail("directory entry name length out of range");
        pending.push_back(U32(at + kEntryLeft));
        pending.push_back(U32(at + kEntryRight));
        if (type == kTypeStorage)
            pending.push_back(U32(at + kEntryChild));
    }
    return true;
}

bool CompoundFileCheck::ReadShortSectors()
{
    const size_t sectorSize = size_t(1) << shift_;
    // The short sectors live in the root entry's stream.
    const size_t root = SectorAt(directory_[0]);
    const uint32_t rootSize = U32(root + kEntrySizeLow);
    std::vector<uint32_t> chain;
    if (rootSize > 0) {
        if (!Walk(fat_, U32(root + kEntryStart), sectors_, claimed_, "short-sector stream", chain))
            return false;
        if (uint64_t(chain.size()) * sectorSize < rootSize)
            return Fail("short-sector stream shorter than its size");
    }
    miniSectors_ = (rootSize + (1u << kMiniShift) - 1) >> kMiniShift;
    std::vector<uint32_t> tableChain;
    if (!Walk(fat_, miniFatStart_, sectors_, claimed_, "short-sector table", tableChain))
        return false;
    for (uint32_t sector : tableChain) {
        const size_t at = SectorAt(sector);
        if (at + sectorSize > size_)
            return Fail("short-sector table out of the file");
        for (size_t i = 0; i < sectorSize / 4; ++i)
            miniFat_.push_back(U32(at + 4 * i));
    }
    miniClaimed_.assign(miniSectors_, 0);
    return true;
}

bool CompoundFileCheck::CheckStreams()
{
    const size_t perSector = (size_t(1) << shift_) / kEntrySize;
    std::vector<uint32_t> chain;
    for (uint32_t id = 1; id < entries_; ++id) {
        const size_t at = SectorAt(directory_[id / perSector]) + (id % perSector) * kEntrySize;
        if (!reached_[id] || data_[at + kEntryType] != kTypeStream)
            continue;
        // Version 3 files keep only the low half of the size.
        const uint64_t size = U32(at + kEntrySizeLow) |
                              (shift_ == 12 ? uint64_t(U32(at + kEntrySizeHigh)) << 32 : 0);
        if (size == 0)
            continue;
        const uint32_t start = U32(at + kEntryStart);
        if (size < 4096) {
            if (!Walk(miniFat_, start, miniSectors_, miniClaimed_, "short stream", chain))
                return false;
            if (uint64_t(chain.size()) << kMiniShift < size)
                return Fail("short stream shorter than its size");
        } else {
            if (!Walk(fat_, start, sectors_, claimed_, "stream", chain))
                return false;
            if (uint64_t(chain.size()) << shift_ < size)
                return Fail("stream shorter than its size");
        }
    }
    return true;
}
