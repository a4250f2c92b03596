#pragma once
// The mutation loop shared by the reader mutation programs: it makes damaged
// inputs from seed files, runs each through a reader under a watchdog, and
// keeps the figures a run reports.
//
// A program builds a Loop (its seeds and one function that judges one input)
// and returns Run(loop, argc, argv) from main. Arguments:
//   [cases]        how many inputs to try (default: the loop's smallCases)
//   --large        the loop's largeCases instead
//   --seed N       another sequence of inputs (default 1)
//   --save DIR     write every input that shows a fault into DIR
// The last line printed is "N passed, M failed": a case passes when it did
// not crash, hang or break a rule of its verdict; a run whose memory grew
// past its limit counts one failure more. The exit code is 0 only when
// nothing failed.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace mutation {

using Bytes = std::vector<uint8_t>;

struct Seed {
    std::string name;
    Bytes bytes;
};

// Adds one file, or every file of a folder matching a wildcard pattern. A
// file that cannot be read stops the program with a message: a loop without
// its seeds tests nothing.
void AddSeedFile(std::vector<Seed>& seeds, const std::string& path);
void AddSeedFolder(std::vector<Seed>& seeds, const std::string& folder,
                   const std::string& pattern);
void AddSeed(std::vector<Seed>& seeds, const std::string& name, Bytes bytes);

// The shared test data folder the build was configured with (Windows path).
std::string SharedTestData();

struct Case {
    unsigned index = 0;
    Bytes bytes;
    std::string how; // which seed and what was done to it
};

// The deterministic sequence of damaged inputs: bit flips; bytes set to
// 0, 0x7F, 0x80 and 0xFF; 4-byte fields set to 0, -1, 0x7FFFFFFF, 0x80000000
// and to sizes just past the end; truncation (every length in turn for
// small seeds); splices of two seeds; duplicated blocks; and a few of these
// stacked. The seeds themselves come first, unchanged.
class Mutator {
public:
    Mutator(const std::vector<Seed>& seeds, uint32_t seed);
    Case Next();

private:
    uint32_t Random();
    uint32_t Below(uint32_t n) { return n ? Random() % n : 0; }
    void MutateOnce(Bytes& bytes, std::string& how);

    const std::vector<Seed>& seeds_;
    uint32_t state_;
    unsigned index_ = 0;
    std::vector<size_t> nextCut_; // per seed: the next truncation length
};

enum class Verdict {
    Accepted,          // read, and (where checked) re-saved as a fixed point
    Refused,           // refused, and the state is as it was
    RefusedButChanged, // refused, yet the state changed: a fault
    Unstable,          // accepted, but a save, reload and save differ: a fault
    Failed,            // any other broken rule (the judge says why in `note`)
};

struct Loop {
    std::string name;
    std::vector<Seed> seeds;
    unsigned smallCases = 300;
    unsigned largeCases = 100000;
    unsigned caseTimeoutMs = 30000;
    // Growth of private memory allowed between the end of the warm-up (the
    // first tenth of the cases) and the end of the run.
    size_t memoryGrowthLimit = 24u << 20;
    // Memory the platform keeps for each case outside the reader's reach
    // (measured by the program, never guessed); the limit grows by it for
    // each case after the warm-up.
    size_t platformBytesPerCase = 0;
    // The growth is also judged at the last case, before the worker's end:
    // memory a thread's reader keeps while it lives is then seen too.
    bool checkMemoryBeforeThreadEnd = false;
    // Run on each worker thread before its first case and after its last
    // (COM apartments, windows that live for the thread).
    std::function<void()> threadStart;
    std::function<void()> threadEnd;
    // Judges one input. `note` may say what broke; it is printed with faults.
    std::function<Verdict(const Case& input, std::string& note)> judge;
};

int Run(Loop& loop, int argc, char** argv);

// Private bytes of this process.
size_t PrivateBytes();

} // namespace mutation
