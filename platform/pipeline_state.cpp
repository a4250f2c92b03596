#include "pipeline_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

constexpr size_t kLengthOffset = 0;
constexpr size_t kSlotModuleOffset = 4;
constexpr size_t kModuleMethodOffset = 84;
constexpr size_t kFolderOffset = 164;
constexpr size_t kFolderSize = 1000;

void PutInt(std::vector<uint8_t>& bytes, size_t offset, int32_t value)
{
    uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

int32_t GetInt(const uint8_t* data, size_t offset)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(data[offset + i]) << (8 * i);
    return static_cast<int32_t>(v);
}

} // namespace

std::vector<uint8_t> PackPipelineState(const PipelineState& state)
{
    std::vector<uint8_t> bytes(kPipelineStateSize, 0);
    PutInt(bytes, kLengthOffset, state.length);
    for (int i = 0; i < kStateSlots; ++i) {
        PutInt(bytes, kSlotModuleOffset + 4 * i, state.slotModule[i]);
        PutInt(bytes, kModuleMethodOffset + 4 * i, state.moduleMethod[i]);
    }
    size_t n = std::min(std::strlen(state.folder.c_str()), kFolderSize - 1);
    std::memcpy(&bytes[kFolderOffset], state.folder.data(), n);
    return bytes;
}

bool UnpackPipelineState(const uint8_t* data, size_t size, PipelineState* state)
{
    if (size < kPipelineStateSize)
        return false;
    state->length = GetInt(data, kLengthOffset);
    for (int i = 0; i < kStateSlots; ++i) {
        state->slotModule[i] = GetInt(data, kSlotModuleOffset + 4 * i);
        state->moduleMethod[i] = GetInt(data, kModuleMethodOffset + 4 * i);
    }
    const char* folder = reinterpret_cast<const char*>(data + kFolderOffset);
    const void* nul = std::memchr(folder, 0, kFolderSize);
    state->folder.assign(folder, nul ? static_cast<const char*>(nul) - folder : kFolderSize);
    return true;
}

bool ReadPipelineStateFile(const std::string& path, PipelineState* state)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    uint8_t bytes[kPipelineStateSize];
    size_t got = std::fread(bytes, 1, sizeof bytes, f);
    std::fclose(f);
    return UnpackPipelineState(bytes, got, state);
}

bool WritePipelineStateFile(const std::string& path, const PipelineState& state)
{
    std::vector<uint8_t> bytes = PackPipelineState(state);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return (std::fclose(f) == 0) && ok;
}

std::string PackPipelineNames(const PipelineNames& names)
{
    std::string text;
    for (const auto& chosen : names.methods)
        text += "M\t" + chosen.first + "\t" + chosen.second + "\r\n";
    for (const std::string& slot : names.slots)
        text += "S\t" + slot + "\r\n";
    return text;
}

bool ReadPipelineNames(const std::string& path, PipelineNames* names)
{
    constexpr size_t kLimit = 64 * 1024;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::string text(kLimit + 1, '\0');
    text.resize(std::fread(&text[0], 1, text.size(), f));
    std::fclose(f);
    if (text.size() > kLimit)
        return false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t tab = line.find('\t');
        if (tab != 1)
            continue;
        std::string rest = line.substr(2);
        if (line[0] == 'S' && rest.find('\t') == std::string::npos) {
            names->slots.push_back(rest);
        } else if (line[0] == 'M') {
            size_t second = rest.find('\t');
            if (second != std::string::npos)
                names->methods.emplace_back(rest.substr(0, second), rest.substr(second + 1));
        }
    }
    return true;
}

bool WritePipelineNames(const std::string& path, const PipelineNames& names)
{
    const std::string text = PackPipelineNames(names);
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return (std::fclose(f) == 0) && ok;
}

} // namespace platform
