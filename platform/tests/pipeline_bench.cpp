// Benchmark, not a test: the workbench's own cost per pipeline step, on the
// run path (the copy method runs) and on the cached path (nothing runs), each
// against its floor measured in the same run:
//   run path     starting the same method program bare and waiting for it;
//   cached path  the same cache check and one file copy a page, done bare.
// And the cached path's cost per step with many pages selected over few.
//   pipeline_bench.exe [pages] [many]
// The fixed 500 ms pause after each image is left out of the figures.
#include "workbench.h"

#include "file_paths.h"
#include "raster.h"
#include "step_result.h"
#include "tiff_writer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

using namespace workbench_tests;
namespace probe = forms::probe;

int g_pages = 10;
int g_many = 500;
constexpr int kSteps = 3;
constexpr double kPauseMs = 500.0;
const char* const kModules[kSteps] = {"A.Folivar", "B.Folivar", "C.Folivar"};
const char* const kWork[kSteps] = {"temp\\A", "temp\\B", "temp\\C"};

double Now()
{
    LARGE_INTEGER frequency, now;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double TimedApply(Workbench& wb)
{
    const double start = Now();
    DWORD_PTR result = 0;
    SendMessageTimeoutA(wb.Component("Button15"), BM_CLICK, 0, 0, SMTO_NORMAL, 3600000, &result);
    return Now() - start;
}

std::string PageName(const char* prefix, int i)
{
    return prefix + std::to_string(1000 + i) + ".tif";
}

void OpenFolder(Workbench& wb, const std::string& name)
{
    HWND folders = wb.Component("DirectoryListBox1");
    std::vector<std::string> entries = probe::ListItems(folders);
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].substr(entries[i].find_first_not_of(' ')) == name) {
            SendMessageA(folders, LB_SETCURSEL, i, 0);
            SendMessageA(GetParent(folders), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(folders), LBN_SELCHANGE),
                         reinterpret_cast<LPARAM>(folders));
            return;
        }
    ADD_FAILURE() << "no folder " << name;
}

void SelectAll(Workbench& wb)
{
    HWND files = wb.Component("FileListBox1");
    probe::SelectListItem(files, -1, true);
    SendMessageA(files, LB_SETCARETINDEX, 0, FALSE);
    SendMessageA(GetParent(files), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(files), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(files));
}

const int kSlots[20] = {0, 1, 2};
const int kMethods[20] = {};

// The cached path done bare: per page the source's origin, per step the
// method's settings and the result's origin record, then one copy of the
// final result into a folder of the benchmark's own.
double BareCachedRun(const ProgramFolder& pf, const std::string& folder, const char* prefix, int pages)
{
    const std::string programFolder = pf.path() + "\\";
    const std::string target = pf / "bare";
    CreateDirectoryA(target.c_str(), nullptr);
    const double start = Now();
    int counted = 0;
    for (int p = 0; p < pages; ++p) {
        const std::string name = PageName(prefix, p);
        platform::StepResultOrigin origin;
        if (!platform::OriginOfSource(pf / ("images\\" + folder + "\\" + name), &origin))
            continue;
        uint64_t chain = 0;
        platform::StepResultNames last;
        for (int i = 0; i < kSteps; ++i) {
            chain = platform::SettingsOfChain(chain, platform::MethodSettingsDigest(pf / kWork[i] + "\\copy"));
            origin.settings = chain;
            last = platform::StepResultFiles(programFolder, name, kSlots, kMethods, i, false);
            counted += platform::IsResultOf(last, false, origin);
        }
        CopyFileA(last.first.c_str(), (target + "\\" + name).c_str(), FALSE);
    }
    const double spent = Now() - start;
    EXPECT_EQ(counted, pages * kSteps) << "every step of the bare run finds its result";
    return spent;
}

// The run path's floor: the method program started bare in its work folder
// on an input, and waited for.
double BareMethodRuns(const ProgramFolder& pf, const std::string& page, int runs)
{
    const std::string work = pf / kWork[0];
    CopyFileA(page.c_str(), (work + "\\in.tif").c_str(), FALSE);
    double spent = 0;
    for (int r = 0; r < runs; ++r) {
        std::string line = work + "\\copy.exe";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        const double start = Now();
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                            work.c_str(), &startup, &process)) {
            ADD_FAILURE() << "the method did not start";
            return 0;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        spent += Now() - start;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    DeleteFileA((work + "\\in.tif").c_str());
    DeleteFileA((work + "\\out.tif").c_str());
    return spent;
}

// The cache as runs of the pipeline leave it, made without running them.
void FillCache(const ProgramFolder& pf, const std::string& folder, const char* prefix, int pages)
{
    const std::string programFolder = pf.path() + "\\";
    for (int p = 0; p < pages; ++p) {
        const std::string name = PageName(prefix, p);
        const std::string source = pf / ("images\\" + folder + "\\" + name);
        platform::StepResultOrigin origin;
        ASSERT_TRUE(platform::OriginOfSource(source, &origin));
        uint64_t chain = 0;
        for (int i = 0; i < kSteps; ++i) {
            chain = platform::SettingsOfChain(chain, platform::MethodSettingsDigest(pf / kWork[i] + "\\copy"));
            origin.settings = chain;
            const platform::StepResultNames result =
                platform::StepResultFiles(programFolder, name, kSlots, kMethods, i, false);
            ASSERT_TRUE(CopyFileA(source.c_str(), result.first.c_str(), FALSE));
            ASSERT_TRUE(platform::WriteStepResultOrigin(result.first, origin));
        }
    }
}

TEST(PipelineBench, CostPerStep)
{
    ProgramFolder pf;
    for (int m = 0; m < kSteps; ++m) {
        pf.AddModule(kModules[m], kModules[m], "-", m + 1);
        pf.AddProgramMethod(kModules[m], "copy", std::string(METHODS_DIR) + "\\copy.exe");
    }
    imaging::Raster page = imaging::Raster::Blank(500, 700, imaging::PixelLayout::Gray8);
    for (size_t i = 0; i < page.pixels.size(); ++i)
        page.pixels[i] = static_cast<uint8_t>(i * 13 / 7);
    for (const char* folder : {"few", "many"})
        ASSERT_TRUE(CreateDirectoryA((pf / ("images\\" + std::string(folder))).c_str(), nullptr));
    for (int i = 0; i < g_pages; ++i)
        ASSERT_TRUE(imaging::WriteTiffFile(pf / ("images\\few\\" + PageName("f", i)), page,
                                           imaging::TiffWriteOptions()));
    for (int i = 0; i < g_many; ++i)
        ASSERT_TRUE(imaging::WriteTiffFile(pf / ("images\\many\\" + PageName("m", i)), page,
                                           imaging::TiffWriteOptions()));
    Workbench wb(pf);
    ASSERT_NE(wb.WaitUntilStarted(), nullptr);
    for (const char* tile : {"Label10", "Label25", "Label27"})
        probe::Click(wb.Component(tile));
    OpenFolder(wb, "few");
    SelectAll(wb);

    const double steps = static_cast<double>(g_pages) * kSteps;
    // Run path and its floor, side by side.
    const double run = (TimedApply(wb) - kPauseMs * g_pages) / steps;
    const double runFloor = BareMethodRuns(pf, pf / ("images\\few\\" + PageName("f", 0)), g_pages * kSteps) / steps;
    // Cached path and its floor, alternating; the best of three rounds each.
    double cached = 1e30, cachedFloor = 1e30;
    for (int round = 0; round < 3; ++round) {
        cached = std::min(cached, (TimedApply(wb) - kPauseMs * g_pages) / steps);
        cachedFloor = std::min(cachedFloor, BareCachedRun(pf, "few", "f", g_pages) / steps);
    }

    // Many pages, their results in the cache already.
    FillCache(pf, "many", "m", g_many);
    OpenFolder(wb, "images");
    OpenFolder(wb, "many");
    SelectAll(wb);
    const double manySteps = static_cast<double>(g_many) * kSteps;
    const double cachedMany = (TimedApply(wb) - kPauseMs * g_many) / manySteps;
    OpenFolder(wb, "images");
    OpenFolder(wb, "few");
    SelectAll(wb);
    const double cachedAgain = (TimedApply(wb) - kPauseMs * g_pages) / steps;
    const double cachedTen = std::min(cached, cachedAgain);

    std::printf("pages %d (and %d), steps per page %d, page 500 x 700 grey\n", g_pages, g_many, kSteps);
    std::printf("run path (copy method): %.1f ms per step; the method started bare: %.1f ms\n", run,
                runFloor);
    std::printf("cached path: %.2f ms per step; the cache check and copy bare: %.2f ms\n", cached,
                cachedFloor);
    std::printf("cached path with %d pages: %.2f ms per step; with %d: %.2f ms\n", g_many, cachedMany,
                g_pages, cachedTen);
    std::printf("ratio cached-step/floor %.2f\n", cached / cachedFloor);
    std::printf("ratio run-step/floor %.2f\n", run / runFloor);
    std::printf("ratio cached-step-%d/%d %.2f\n", g_many, g_pages, cachedMany / cachedTen);
    EXPECT_EQ(wb.Close(), 0);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1)
        g_pages = std::max(1, std::atoi(argv[1]));
    if (argc > 2)
        g_many = std::max(1, std::atoi(argv[2]));
    return RUN_ALL_TESTS();
}
