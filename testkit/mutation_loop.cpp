#include "mutation_loop.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace mutation {

namespace {

[[noreturn]] void Stop(const std::string& why)
{
    std::fprintf(stderr, "mutation: %s\n", why.c_str());
    std::printf("0 passed, 1 failed\n");
    std::fflush(stdout);
    ExitProcess(2);
}

bool ReadWhole(const std::string& path, Bytes& out)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart < (256 << 20);
    if (ok) {
        out.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        ok = out.empty() || (ReadFile(file, out.data(), static_cast<DWORD>(out.size()), &got, nullptr) &&
                             got == out.size());
    }
    CloseHandle(file);
    return ok;
}

std::string Hex(uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

} // namespace

std::string SharedTestData()
{
#ifdef SHARED_TESTDATA_DIR
    return SHARED_TESTDATA_DIR;
#else
    return "Z:\\work\\shared\\testdata";
#endif
}

void AddSeed(std::vector<Seed>& seeds, const std::string& name, Bytes bytes)
{
    seeds.push_back(Seed{name, std::move(bytes)});
}

void AddSeedFile(std::vector<Seed>& seeds, const std::string& path)
{
    Bytes bytes;
    if (!ReadWhole(path, bytes))
        Stop("cannot read the seed " + path);
    size_t slash = path.find_last_of("\\/");
    AddSeed(seeds, slash == std::string::npos ? path : path.substr(slash + 1), std::move(bytes));
}

void AddSeedFolder(std::vector<Seed>& seeds, const std::string& folder, const std::string& pattern)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\" + pattern).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        Stop("no seed matches " + folder + "\\" + pattern);
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            AddSeedFile(seeds, folder + "\\" + found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

Mutator::Mutator(const std::vector<Seed>& seeds, uint32_t seed)
    : seeds_(seeds), state_(seed * 2654435761u + 0x9E3779B9u), nextCut_(seeds.size(), 0)
{
}

uint32_t Mutator::Random()
{
    // xorshift32: cheap, and the same sequence on every machine.
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_;
}

void Mutator::MutateOnce(Bytes& bytes, std::string& how)
{
    static const uint8_t byteValues[] = {0x00, 0x7F, 0x80, 0xFF};
    const uint32_t size = static_cast<uint32_t>(bytes.size());
    switch (Below(6)) {
    case 0: { // bit flip
        if (bytes.empty())
            break;
        uint32_t at = Below(size), bit = Below(8);
        bytes[at] ^= static_cast<uint8_t>(1u << bit);
        how += " flip bit " + std::to_string(bit) + " at " + std::to_string(at) + ";";
        break;
    }
    case 1: { // one byte set to an edge value
        if (bytes.empty())
            break;
        uint32_t at = Below(size);
        uint8_t v = byteValues[Below(4)];
        bytes[at] = v;
        how += " byte " + Hex(v) + " at " + std::to_string(at) + ";";
        break;
    }
    case 2:
    case 3: { // a 4-byte field set to an edge value or a size just past the end
        if (size < 4)
            break;
        uint32_t at = Below(size - 3);
        if (Below(2) == 0)
            at &= ~3u; // most fields are aligned
        uint32_t v;
        switch (Below(7)) {
        case 0: v = 0; break;
        case 1: v = 0xFFFFFFFFu; break;
        case 2: v = 0x7FFFFFFFu; break;
        case 3: v = 0x80000000u; break;
        case 4: v = size - at + 1 + Below(4); break;  // runs just past the end from here
        case 5: v = size + 1; break;                   // the whole input and one more
        default: v = size - at - 4 + 1; break;        // what follows the field, and one more
        }
        std::memcpy(&bytes[at], &v, 4);
        how += " dword " + Hex(v) + " at " + std::to_string(at) + ";";
        break;
    }
    case 4: { // truncation
        if (bytes.empty())
            break;
        uint32_t keep = Below(size);
        bytes.resize(keep);
        how += " cut to " + std::to_string(keep) + ";";
        break;
    }
    default: { // a duplicated block
        if (bytes.empty())
            break;
        uint32_t from = Below(size);
        uint32_t length = 1 + Below(std::min<uint32_t>(size - from, 256));
        uint32_t to = Below(size + 1);
        Bytes block(bytes.begin() + from, bytes.begin() + from + length);
        bytes.insert(bytes.begin() + to, block.begin(), block.end());
        how += " block of " + std::to_string(length) + " from " + std::to_string(from) + " again at " +
               std::to_string(to) + ";";
        break;
    }
    }
}

Case Mutator::Next()
{
    Case c;
    c.index = index_++;
    if (seeds_.empty())
        return c;
    if (c.index < seeds_.size()) {
        c.bytes = seeds_[c.index].bytes;
        c.how = "seed '" + seeds_[c.index].name + "' as it is";
        return c;
    }
    const size_t which = Below(static_cast<uint32_t>(seeds_.size()));
    const Seed& seed = seeds_[which];
    c.bytes = seed.bytes;
    c.how = "seed '" + seed.name + "':";
    const uint32_t kind = Below(16);
    if (kind == 0 && seed.bytes.size() <= 8192) {
        // Small seeds are cut at every length in turn.
        size_t keep = nextCut_[which]++ % (seed.bytes.size() + 1);
        c.bytes.resize(keep);
        c.how += " cut to " + std::to_string(keep) + ";";
    } else if (kind == 1 && seeds_.size() > 1) {
        const Seed& other = seeds_[Below(static_cast<uint32_t>(seeds_.size()))];
        size_t head = Below(static_cast<uint32_t>(seed.bytes.size() + 1));
        size_t tail = Below(static_cast<uint32_t>(other.bytes.size() + 1));
        c.bytes.assign(seed.bytes.begin(), seed.bytes.begin() + head);
        c.bytes.insert(c.bytes.end(), other.bytes.begin() + tail, other.bytes.end());
        c.how += " first " + std::to_string(head) + " bytes, then '" + other.name + "' from " +
                 std::to_string(tail) + ";";
    } else {
        const uint32_t count = kind < 12 ? 1 : 2 + Below(3);
        for (uint32_t i = 0; i < count; ++i)
            MutateOnce(c.bytes, c.how);
    }
    return c;
}

size_t PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return 0;
    // Wine leaves PrivateUsage at zero; the commit charge is the same figure.
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

namespace {

// What the worker thread and the watchdog share.
struct Shared {
    Loop* loop = nullptr;
    Mutator* mutator = nullptr;
    unsigned total = 0;
    std::string saveFolder;

    CRITICAL_SECTION lock;
    Case current;            // the case being judged
    bool busy = false;
    // A worker's own start or end (its apartment, its windows) is under way:
    // a hang there cannot be stepped over by a fresh worker.
    const char* threadPhase = nullptr;
    unsigned done = 0;       // cases finished, judged or hung
    unsigned passed = 0;
    unsigned accepted = 0, refused = 0, refusedButChanged = 0, unstable = 0, failed = 0;
    unsigned hangs = 0;
    HANDLE progress = nullptr; // set after every case
    size_t memoryStart = 0, memoryWarm = 0;
    size_t memoryLastCase = 0; // after the last case, before the worker's end
};

Shared g;

void SaveInput(const Case& c, const char* kind)
{
    if (g.saveFolder.empty())
        return;
    CreateDirectoryA(g.saveFolder.c_str(), nullptr);
    std::string path = g.saveFolder + "\\" + g.loop->name + "-" + kind + "-" + std::to_string(c.index) + ".bin";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD wrote = 0;
    if (!c.bytes.empty())
        WriteFile(file, c.bytes.data(), static_cast<DWORD>(c.bytes.size()), &wrote, nullptr);
    CloseHandle(file);
}

void Fault(const Case& c, const char* kind, const std::string& note)
{
    std::printf("fault: %s in case %u (%u bytes; %s)%s%s\n", kind, c.index, static_cast<unsigned>(c.bytes.size()),
                c.how.c_str(), note.empty() ? "" : ": ", note.c_str());
    std::fflush(stdout);
    SaveInput(c, kind);
}

// The growth allowed after the warm-up: the loop's limit and what the
// platform keeps for each case after it.
size_t GrowthLimit()
{
    const unsigned after = g.done > g.total / 10 + 1 ? g.done - (g.total / 10 + 1) : 0;
    return g.loop->memoryGrowthLimit + g.loop->platformBytesPerCase * after;
}

// The figure the growth is judged by: the end, or the larger of the end and
// the last case when the loop asks for it.
size_t MemoryJudged(size_t end)
{
    return g.loop->checkMemoryBeforeThreadEnd && g.memoryLastCase > end ? g.memoryLastCase : end;
}

void PrintFigures(unsigned crashes, bool memoryFault)
{
    const size_t end = PrivateBytes();
    std::printf("figures %s: cases %u, accepted %u, refused %u, crashes %u, hangs %u, refused-but-changed %u, "
                "unstable %u, other faults %u, memory at start %u KiB, after warm-up %u KiB, at end %u KiB, "
                "after the last case %u KiB\n",
                g.loop->name.c_str(), g.done, g.accepted, g.refused, crashes, g.hangs, g.refusedButChanged,
                g.unstable, g.failed, static_cast<unsigned>(g.memoryStart >> 10),
                static_cast<unsigned>(g.memoryWarm >> 10), static_cast<unsigned>(end >> 10),
                static_cast<unsigned>(g.memoryLastCase >> 10));
    if (g.loop->platformBytesPerCase)
        std::printf("figures %s: the platform keeps %u bytes per case, allowed beside the limit\n",
                    g.loop->name.c_str(), static_cast<unsigned>(g.loop->platformBytesPerCase));
    if (memoryFault)
        std::printf("fault: memory grew by %u KiB after the warm-up (limit %u KiB)\n",
                    static_cast<unsigned>((MemoryJudged(end) - g.memoryWarm) >> 10),
                    static_cast<unsigned>(GrowthLimit() >> 10));
}

// A long run says where it stands now and then, so that a run stopped
// early still leaves figures behind.
const unsigned ProgressEvery = 10000;

void PrintProgress()
{
    std::printf("progress %s: cases %u of %u, accepted %u, refused %u, hangs %u, refused-but-changed %u, "
                "unstable %u, other faults %u, memory %u KiB\n",
                g.loop->name.c_str(), g.done, g.total, g.accepted, g.refused, g.hangs, g.refusedButChanged,
                g.unstable, g.failed, static_cast<unsigned>(PrivateBytes() >> 10));
    std::fflush(stdout);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info)
{
    // A crash ends the run: report the case and the figures so far. The heap
    // may be what broke, so nothing here allocates, and a second crash while
    // reporting ends the process at once.
    static LONG reporting = 0;
    if (InterlockedExchange(&reporting, 1))
        TerminateProcess(GetCurrentProcess(), 3);
    static char line[1024];
    const Case& c = g.current;
    std::snprintf(line, sizeof line, "fault: crash 0x%08lX at %p in case %u (%u bytes; %.900s)\n",
                  info->ExceptionRecord->ExceptionCode, info->ExceptionRecord->ExceptionAddress, c.index,
                  static_cast<unsigned>(c.bytes.size()), c.how.c_str());
    std::fputs(line, stdout);
    ++g.done;
    std::snprintf(line, sizeof line,
                  "figures %s: cases %u, accepted %u, refused %u, crashes 1, hangs %u, refused-but-changed %u, "
                  "unstable %u, other faults %u\n%u passed, %u failed\n",
                  g.loop->name.c_str(), g.done, g.accepted, g.refused, g.hangs, g.refusedButChanged, g.unstable,
                  g.failed, g.passed, g.done - g.passed);
    std::fputs(line, stdout);
    std::fflush(stdout);
    // Last, as it may need the heap: the input, for --save.
    if (!g.saveFolder.empty()) {
        std::snprintf(line, sizeof line, "%s\\%s-crash-%u.bin", g.saveFolder.c_str(), g.loop->name.c_str(),
                      c.index);
        CreateDirectoryA(g.saveFolder.c_str(), nullptr);
        HANDLE file = CreateFileA(line, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD wrote = 0;
            if (!c.bytes.empty())
                WriteFile(file, c.bytes.data(), static_cast<DWORD>(c.bytes.size()), &wrote, nullptr);
            CloseHandle(file);
        }
    }
    TerminateProcess(GetCurrentProcess(), 3);
    return EXCEPTION_EXECUTE_HANDLER;
}

void EnterThreadPhase(const char* phase)
{
    EnterCriticalSection(&g.lock);
    g.threadPhase = phase;
    LeaveCriticalSection(&g.lock);
    SetEvent(g.progress);
}

DWORD WINAPI Worker(void*)
{
    if (g.loop->threadStart) {
        EnterThreadPhase("the worker's start");
        g.loop->threadStart();
        EnterThreadPhase(nullptr);
    }
    for (;;) {
        EnterCriticalSection(&g.lock);
        if (g.done >= g.total) {
            LeaveCriticalSection(&g.lock);
            break;
        }
        g.current = g.mutator->Next();
        g.busy = true;
        Case c = g.current;
        LeaveCriticalSection(&g.lock);

        std::string note;
        Verdict v = Verdict::Failed;
        try {
            v = g.loop->judge(c, note);
        } catch (const std::exception& e) {
            note = std::string("exception: ") + e.what();
        } catch (...) {
            note = "an exception";
        }

        EnterCriticalSection(&g.lock);
        switch (v) {
        case Verdict::Accepted: ++g.accepted; ++g.passed; break;
        case Verdict::Refused: ++g.refused; ++g.passed; break;
        case Verdict::RefusedButChanged: ++g.refusedButChanged; Fault(c, "refused-but-changed", note); break;
        case Verdict::Unstable: ++g.unstable; Fault(c, "unstable", note); break;
        case Verdict::Failed: ++g.failed; Fault(c, "failed", note); break;
        }
        g.busy = false;
        ++g.done;
        if (g.done == g.total / 10 + 1)
            g.memoryWarm = PrivateBytes();
        if (g.done == g.total)
            g.memoryLastCase = PrivateBytes();
        if (g.done % ProgressEvery == 0 && g.done < g.total)
            PrintProgress();
        LeaveCriticalSection(&g.lock);
        SetEvent(g.progress);
    }
    if (g.loop->threadEnd) {
        EnterThreadPhase("the worker's end");
        g.loop->threadEnd();
        EnterThreadPhase(nullptr);
    }
    return 0;
}

// Waits for the worker or the next sign of progress, whichever comes first,
// dispatching this thread's messages meanwhile: windows made on this thread
// (while the seeds were built, say) must not leave a worker waiting on them.
void WaitForWorker(HANDLE worker)
{
    HANDLE handles[] = {worker, g.progress};
    if (MsgWaitForMultipleObjects(2, handles, FALSE, 200, QS_ALLINPUT) == WAIT_OBJECT_0 + 2) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

} // namespace

int Run(Loop& loop, int argc, char** argv)
{
    unsigned cases = loop.smallCases;
    uint32_t seed = 1;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--large")
            cases = loop.largeCases;
        else if (a == "--seed" && i + 1 < argc)
            seed = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        else if (a == "--save" && i + 1 < argc)
            g.saveFolder = argv[++i];
        else if (!a.empty() && a[0] >= '0' && a[0] <= '9')
            cases = static_cast<unsigned>(std::strtoul(a.c_str(), nullptr, 10));
        else
            Stop("unknown argument " + a);
    }
    if (loop.seeds.empty())
        Stop("no seeds");
    if (const char* folder = std::getenv("MUTATION_SAVE_DIR"); folder && g.saveFolder.empty())
        g.saveFolder = folder;

    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    SetUnhandledExceptionFilter(OnCrash);
    Mutator mutator(loop.seeds, seed);
    g.loop = &loop;
    g.mutator = &mutator;
    g.total = cases;
    InitializeCriticalSection(&g.lock);
    g.progress = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    g.memoryStart = g.memoryWarm = PrivateBytes();
    std::printf("%s: %u cases from %u seeds (sequence %u)\n", loop.name.c_str(), cases,
                static_cast<unsigned>(loop.seeds.size()), seed);
    std::fflush(stdout);

    // The watchdog: a case that does not end in time is counted as a hang,
    // its thread is stopped where it stands and a fresh one goes on.
    HANDLE worker = CreateThread(nullptr, 0, Worker, nullptr, 0, nullptr);
    unsigned lastDone = 0;
    const char* lastPhase = nullptr;
    DWORD lastProgress = GetTickCount();
    for (;;) {
        if (WaitForSingleObject(worker, 0) == WAIT_OBJECT_0)
            break;
        WaitForWorker(worker);
        EnterCriticalSection(&g.lock);
        const char* phase = g.threadPhase;
        if (g.done != lastDone || phase != lastPhase) {
            lastDone = g.done;
            lastPhase = phase;
            lastProgress = GetTickCount();
        } else if (phase && GetTickCount() - lastProgress > loop.caseTimeoutMs) {
            // Nothing can go on after this: report and end the run here.
            std::printf("fault: hang in %s: no answer within %u ms\n", phase, loop.caseTimeoutMs);
            ++g.hangs;
            PrintFigures(0, false);
            std::printf("%u passed, %u failed\n", g.passed, g.done - g.passed + 1);
            std::fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 4);
        } else if (g.busy && GetTickCount() - lastProgress > loop.caseTimeoutMs) {
            SuspendThread(worker);
            ++g.hangs;
            Fault(g.current, "hang", "no answer within " + std::to_string(loop.caseTimeoutMs) + " ms");
            g.busy = false;
            ++g.done;
            lastDone = g.done;
            lastProgress = GetTickCount();
            CloseHandle(worker);
            worker = CreateThread(nullptr, 0, Worker, nullptr, 0, nullptr);
        }
        LeaveCriticalSection(&g.lock);
    }
    CloseHandle(worker);

    const size_t end = MemoryJudged(PrivateBytes());
    const bool memoryFault = cases >= 100 && end > g.memoryWarm && end - g.memoryWarm > GrowthLimit();
    PrintFigures(0, memoryFault);
    unsigned failedCount = g.done - g.passed + (memoryFault ? 1 : 0);
    std::printf("%u passed, %u failed\n", g.passed, failedCount);
    std::fflush(stdout);
    // A worker stopped where it hung may hold a lock the process's exit needs.
    if (g.hangs)
        TerminateProcess(GetCurrentProcess(), 1);
    return failedCount == 0 ? 0 : 1;
}

} // namespace mutation
