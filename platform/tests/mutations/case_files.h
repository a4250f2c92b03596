#pragma once
// The readers here read files: each case's input is written to a file of its
// own in a folder of the process, and removed when the case is judged.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "mutation_loop.h"

namespace mutation_files {

// "<temp>\<prefix>-<process id>\", made on first use.
inline const std::string& Folder(const char* prefix)
{
    static const std::string folder = [prefix] {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        std::string path = std::string(temp) + prefix + "-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(path.c_str(), nullptr);
        return path;
    }();
    return folder;
}

inline std::vector<uint8_t> Read(const std::string& path)
{
    std::vector<uint8_t> bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    uint8_t chunk[4096];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    std::fclose(f);
    return bytes;
}

inline bool Write(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

// One case's file, written with the input's bytes; removed on destruction.
class CaseFile {
public:
    CaseFile(const char* prefix, const mutation::Case& input, const char* suffix)
        : path_(Folder(prefix) + "case" + std::to_string(input.index) + suffix)
    {
        written_ = Write(path_, input.bytes);
    }
    ~CaseFile()
    {
        DeleteFileA(path_.c_str());
        DeleteFileA((path_ + ".1").c_str());
        DeleteFileA((path_ + ".2").c_str());
    }
    CaseFile(const CaseFile&) = delete;
    CaseFile& operator=(const CaseFile&) = delete;

    bool written() const { return written_; }
    const std::string& path() const { return path_; }
    // The files of the re-save round.
    std::string first() const { return path_ + ".1"; }
    std::string second() const { return path_ + ".2"; }

private:
    std::string path_;
    bool written_ = false;
};

// Runs the loop of one reader over its seeds with its large count of 100,000
// cases, then removes the case folder (its files are gone by then).
inline int RunLoop(const char* name, const char* prefix, std::vector<mutation::Seed> seeds,
                   std::function<mutation::Verdict(const mutation::Case&, std::string&)> judge,
                   int argc, char** argv)
{
    mutation::Loop loop;
    loop.name = name;
    loop.seeds = std::move(seeds);
    loop.largeCases = 100000;
    loop.judge = std::move(judge);
    const int result = mutation::Run(loop, argc, argv);
    RemoveDirectoryA(Folder(prefix).c_str());
    return result;
}

} // namespace mutation_files
