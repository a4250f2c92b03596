// Damaged pipeline states ("temp\ini.dat") through the state file reader.
// A refused file leaves the caller's state as it was; an accepted one saves
// with our writer, and that save read back saves to the same bytes.
#include <cstring>

#include "case_files.h"
#include "pipeline_state.h"

namespace {

constexpr const char* kPrefix = "pipeline-state-mutations";

std::vector<mutation::Seed> StateSeeds()
{
    std::vector<mutation::Seed> seeds;
    platform::PipelineState empty;
    mutation::AddSeed(seeds, "empty", platform::PackPipelineState(empty));

    platform::PipelineState three;
    three.length = 3;
    three.slotModule[0] = 2;
    three.slotModule[1] = 0;
    three.slotModule[2] = 5;
    three.moduleMethod[2] = 1;
    three.moduleMethod[5] = 4;
    three.folder = "C:\\scans\\batch 7";
    mutation::AddSeed(seeds, "three slots", platform::PackPipelineState(three));

    platform::PipelineState full;
    full.length = platform::kStateSlots;
    for (int i = 0; i < platform::kStateSlots; ++i) {
        full.slotModule[i] = platform::kStateSlots - 1 - i;
        full.moduleMethod[i] = i % 3;
    }
    full.folder = "Z:\\" + std::string(995, 'f');
    mutation::AddSeed(seeds, "twenty slots", platform::PackPipelineState(full));
    return seeds;
}

bool Same(const platform::PipelineState& a, const platform::PipelineState& b)
{
    return a.length == b.length && a.slotModule == b.slotModule && a.moduleMethod == b.moduleMethod &&
           a.folder == b.folder;
}

platform::PipelineState StateBefore()
{
    platform::PipelineState state;
    state.length = 2;
    state.slotModule[0] = 11;
    state.slotModule[1] = 4;
    state.moduleMethod[4] = 9;
    state.folder = "held before";
    return state;
}

mutation::Verdict JudgeState(const mutation::Case& input, std::string& note)
{
    mutation_files::CaseFile file(kPrefix, input, ".dat");
    if (!file.written()) {
        note = "the case file could not be written";
        return mutation::Verdict::Failed;
    }
    const platform::PipelineState before = StateBefore();
    platform::PipelineState state = before;
    if (!platform::ReadPipelineStateFile(file.path(), &state))
        return Same(state, before) ? mutation::Verdict::Refused : mutation::Verdict::RefusedButChanged;
    if (input.bytes.size() < platform::kPipelineStateSize) {
        note = "a state of " + std::to_string(input.bytes.size()) + " bytes was accepted";
        return mutation::Verdict::Failed;
    }
    if (!platform::WritePipelineStateFile(file.first(), state)) {
        note = "the state could not be saved";
        return mutation::Verdict::Failed;
    }
    const std::vector<uint8_t> first = mutation_files::Read(file.first());
    if (first.size() != platform::kPipelineStateSize ||
        std::memcmp(first.data(), input.bytes.data(), 164) != 0) {
        note = "the saved state lost numbers of the file";
        return mutation::Verdict::Failed;
    }
    platform::PipelineState again;
    if (!platform::ReadPipelineStateFile(file.first(), &again) ||
        !platform::WritePipelineStateFile(file.second(), again) || mutation_files::Read(file.second()) != first)
        return mutation::Verdict::Unstable;
    return mutation::Verdict::Accepted;
}

} // namespace

int main(int argc, char** argv)
{
    return mutation_files::RunLoop("pipeline_state", kPrefix, StateSeeds(), JudgeState, argc, argv);
}
