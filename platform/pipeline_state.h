#pragma once
// PipelineStateFile: "temp\ini.dat", the pipeline and the image folder of the
// last run, a fixed 1164-byte record of little-endian int32 values and a
// NUL-terminated folder text. The one definition of the layout.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

constexpr size_t kPipelineStateSize = 1164;
constexpr int kStateSlots = 20;

struct PipelineState {
    int32_t length = 0;                        // offset 0
    std::array<int32_t, kStateSlots> slotModule{};     // offset 4: module of each slot
    std::array<int32_t, kStateSlots> moduleMethod{};   // offset 84: chosen method per module
    std::string folder;                        // offset 164, 1000 bytes: the image folder
};

// The 1164 bytes; a folder longer than 999 characters is cut.
std::vector<uint8_t> PackPipelineState(const PipelineState& state);
// False for input shorter than the record: a short file is no saved state.
bool UnpackPipelineState(const uint8_t* data, size_t size, PipelineState* state);

bool ReadPipelineStateFile(const std::string& path, PipelineState* state);
bool WritePipelineStateFile(const std::string& path, const PipelineState& state);

// "temp\ini.names": lines "M<tab>module file<tab>method file" (the method
// chosen for a module) and "S<tab>module file" (the slots in order), each
// ending in CR LF. The same choices as the state record, by name.
struct PipelineNames {
    std::vector<std::pair<std::string, std::string>> methods;
    std::vector<std::string> slots;
};

std::string PackPipelineNames(const PipelineNames& names);
// Read within a bound; lines of any other form are left out. False (and
// `names` untouched) when the file cannot be opened or is past the bound.
bool ReadPipelineNames(const std::string& path, PipelineNames* names);
bool WritePipelineNames(const std::string& path, const PipelineNames& names);

} // namespace platform
