// Damaged pipeline names ("temp\ini.names") through the names file reader.
// A refused file leaves what the caller holds as it was; an accepted one
// saves with our writer, and that save read back saves to the same bytes.
#include "case_files.h"
#include "pipeline_state.h"

namespace {

constexpr const char* kPrefix = "pipeline-names-mutations";

std::vector<mutation::Seed> NamesSeeds()
{
    std::vector<mutation::Seed> seeds;
    auto add = [&seeds](const std::string& name, const platform::PipelineNames& names) {
        const std::string text = platform::PackPipelineNames(names);
        mutation::AddSeed(seeds, name, mutation::Bytes(text.begin(), text.end()));
    };
    add("none", platform::PipelineNames());

    platform::PipelineNames two;
    two.methods = {{"Deskew.Folivar", "Deskew.fast"}, {"Split.Folivar", "Split.middle"}};
    two.slots = {"Split.Folivar", "Deskew.Folivar"};
    add("two modules", two);

    platform::PipelineNames many;
    for (int m = 0; m < 20; ++m) {
        const std::string module = "Module " + std::to_string(m) + ".Folivar";
        many.methods.emplace_back(module, "Module " + std::to_string(m) + ".method " + std::to_string(m % 4));
        if (m % 2)
            many.slots.push_back(module);
    }
    add("twenty modules", many);

    platform::PipelineNames slotsOnly;
    slotsOnly.slots = {"A.Folivar", "", "Long name with spaces and dots...Folivar"};
    add("slots only", slotsOnly);
    return seeds;
}

bool Same(const platform::PipelineNames& a, const platform::PipelineNames& b)
{
    return a.methods == b.methods && a.slots == b.slots;
}

platform::PipelineNames NamesBefore()
{
    platform::PipelineNames names;
    names.methods = {{"held.Folivar", "held.method"}};
    names.slots = {"held.Folivar"};
    return names;
}

mutation::Verdict JudgeNames(const mutation::Case& input, std::string& note)
{
    mutation_files::CaseFile file(kPrefix, input, ".names");
    if (!file.written()) {
        note = "the case file could not be written";
        return mutation::Verdict::Failed;
    }
    const platform::PipelineNames before = NamesBefore();
    platform::PipelineNames held = before;
    if (!platform::ReadPipelineNames(file.path(), &held))
        return Same(held, before) ? mutation::Verdict::Refused : mutation::Verdict::RefusedButChanged;
    platform::PipelineNames names;
    if (!platform::ReadPipelineNames(file.path(), &names)) {
        note = "a second read of the same file was refused";
        return mutation::Verdict::Failed;
    }
    if (!platform::WritePipelineNames(file.first(), names)) {
        note = "the names could not be saved";
        return mutation::Verdict::Failed;
    }
    const std::vector<uint8_t> first = mutation_files::Read(file.first());
    platform::PipelineNames again;
    if (!platform::ReadPipelineNames(file.first(), &again) || !Same(again, names) ||
        !platform::WritePipelineNames(file.second(), again) || mutation_files::Read(file.second()) != first)
        return mutation::Verdict::Unstable;
    return mutation::Verdict::Accepted;
}

} // namespace

int main(int argc, char** argv)
{
    return mutation_files::RunLoop("pipeline_names", kPrefix, NamesSeeds(), JudgeNames, argc, argv);
}
