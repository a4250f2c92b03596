// Damaged module fingerprints ("ModCh.ini", one little-endian 32-bit sum)
// through the fingerprint reader. A refused file leaves the caller's sum as
// it was; an accepted one saves as our writer's 4 bytes and reads back equal.
#include "case_files.h"
#include "module_catalogue.h"

namespace {

constexpr const char* kPrefix = "fingerprint-mutations";
constexpr uint32_t kBefore = 0xC0DEF00Du;

std::vector<mutation::Seed> Seeds()
{
    std::vector<mutation::Seed> seeds;
    const uint32_t sums[] = {0u, 0x12345678u, 0xFFFFFFFFu, 808u * 5u};
    for (uint32_t sum : sums) {
        mutation::Bytes bytes;
        for (int i = 0; i < 4; ++i)
            bytes.push_back(static_cast<uint8_t>(sum >> (8 * i)));
        mutation::AddSeed(seeds, "sum " + std::to_string(sum), bytes);
    }
    return seeds;
}

mutation::Verdict Judge(const mutation::Case& input, std::string& note)
{
    mutation_files::CaseFile file(kPrefix, input, ".ini");
    if (!file.written()) {
        note = "the case file could not be written";
        return mutation::Verdict::Failed;
    }
    uint32_t sum = kBefore;
    if (!platform::ReadFingerprint(file.path(), &sum))
        return sum == kBefore ? mutation::Verdict::Refused : mutation::Verdict::RefusedButChanged;
    if (input.bytes.size() < 4) {
        note = "a fingerprint of " + std::to_string(input.bytes.size()) + " bytes was accepted";
        return mutation::Verdict::Failed;
    }
    if (!platform::WriteFingerprint(file.first(), sum)) {
        note = "the fingerprint could not be saved";
        return mutation::Verdict::Failed;
    }
    const std::vector<uint8_t> first = mutation_files::Read(file.first());
    if (first != std::vector<uint8_t>(input.bytes.begin(), input.bytes.begin() + 4)) {
        note = "the saved fingerprint is not the file's first 4 bytes";
        return mutation::Verdict::Failed;
    }
    uint32_t again = ~sum;
    if (!platform::ReadFingerprint(file.first(), &again) || again != sum ||
        !platform::WriteFingerprint(file.second(), again) || mutation_files::Read(file.second()) != first)
        return mutation::Verdict::Unstable;
    return mutation::Verdict::Accepted;
}

} // namespace

int main(int argc, char** argv)
{
    return mutation_files::RunLoop("fingerprint", kPrefix, Seeds(), Judge, argc, argv);
}
