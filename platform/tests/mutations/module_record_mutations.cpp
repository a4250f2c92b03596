// Damaged module records ("*.Folivar") through the record file reader. The
// reader never refuses a file it can open; what it reads must save as our
// writer's 808 bytes and read back to the same record.
#include "case_files.h"
#include "module_record.h"

namespace {

constexpr const char* kPrefix = "module-record-mutations";

std::vector<mutation::Seed> Seeds()
{
    std::vector<mutation::Seed> seeds;
    platform::ModuleRecord plain;
    plain.caption1 = "Deskew";
    plain.caption2 = "-";
    plain.description = "Straightens a page scanned at a slant.";
    plain.colourCode = "blue";
    plain.position = 3;
    mutation::AddSeed(seeds, "plain", platform::PackModuleRecord(plain));

    platform::ModuleRecord split;
    split.caption1 = "Split";
    split.caption2 = "pages";
    split.description = "Cuts a two-page spread into its pages.\r\nSecond line.";
    split.colourCode = "green";
    split.pageSplit = 1;
    split.position = -7;
    mutation::AddSeed(seeds, "split", platform::PackModuleRecord(split));

    platform::ModuleRecord full;                 // every text field filled
    full.caption1 = std::string(99, 'A');
    full.caption2 = std::string(99, 'b');
    full.description = std::string(499, 'c');
    full.colourCode = std::string(99, 'd');
    full.pageSplit = 0x7FFFFFFF;
    full.position = static_cast<int32_t>(0x80000000u);
    mutation::AddSeed(seeds, "full", platform::PackModuleRecord(full));

    mutation::AddSeed(seeds, "empty", platform::PackModuleRecord(platform::ModuleRecord()));
    return seeds;
}

bool Same(const platform::ModuleRecord& a, const platform::ModuleRecord& b)
{
    return a.caption1 == b.caption1 && a.caption2 == b.caption2 && a.description == b.description &&
           a.colourCode == b.colourCode && a.pageSplit == b.pageSplit && a.position == b.position;
}

mutation::Verdict Judge(const mutation::Case& input, std::string& note)
{
    mutation_files::CaseFile file(kPrefix, input, ".Folivar");
    if (!file.written()) {
        note = "the case file could not be written";
        return mutation::Verdict::Failed;
    }
    platform::ModuleRecord record;
    if (!platform::ReadModuleRecordFile(file.path(), &record)) {
        note = "an existing record file was refused";
        return mutation::Verdict::Failed;
    }
    // What the reader keeps must equal the bounded unpacking of the bytes.
    if (!Same(record, platform::UnpackModuleRecord(input.bytes.data(), input.bytes.size()))) {
        note = "the file reader and the unpacking disagree";
        return mutation::Verdict::Failed;
    }
    if (!platform::WriteModuleRecordFile(file.first(), record)) {
        note = "the record could not be saved";
        return mutation::Verdict::Failed;
    }
    const std::vector<uint8_t> first = mutation_files::Read(file.first());
    if (first.size() != platform::kModuleRecordSize) {
        note = "the saved record is " + std::to_string(first.size()) + " bytes";
        return mutation::Verdict::Failed;
    }
    platform::ModuleRecord again;
    if (!platform::ReadModuleRecordFile(file.first(), &again) ||
        !platform::WriteModuleRecordFile(file.second(), again))
        return mutation::Verdict::Unstable;
    if (mutation_files::Read(file.second()) != first || !Same(again, platform::UnpackModuleRecord(first.data(), first.size())))
        return mutation::Verdict::Unstable;
    return mutation::Verdict::Accepted;
}

} // namespace

int main(int argc, char** argv)
{
    return mutation_files::RunLoop("module_record", kPrefix, Seeds(), Judge, argc, argv);
}
