// Benchmark, not a test: the workbench's own cost per pipeline step, on the
// run path (the copy method runs) and on the cached path (nothing runs), each
// against its floor measured in the same run:
//   run path     starting the same method program bare and waiting for it;
//   cached path  the same cache check and one file copy a page, done bare.
// And the cached path's cost per step with many pages selected over few.
// Each ratio is the median of rounds that alternate the workbench and its floor.
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

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void WritePages(const ProgramFolder& pf, const std::string& folder, const char* prefix, int pages,
                const imaging::Raster& page)
{
    ASSERT_TRUE(CreateDirectoryA((pf / ("images\\" + folder)).c_str(), nullptr));
    for (int i = 0; i < pages; ++i)
        ASSERT_TRUE(imaging::WriteTiffFile(pf / ("images\\" + folder + "\\" + PageName(prefix, i)), page,
                                           imaging::TiffWriteOptions()));
}

imaging::Raster Page(int width, int height)
{
    imaging::Raster page = imaging::Raster::Blank(width, height, imaging::PixelLayout::Gray8);
    for (size_t i = 0; i < page.pixels.size(); ++i)
        page.pixels[i] = static_cast<uint8_t>(i * 13 / 7);
    return page;
}

// Opens a folder of the images folder and selects all its pages.
void Choose(Workbench& wb, const std::string& folder)
{
    OpenFolder(wb, "images");
    OpenFolder(wb, folder);
    SelectAll(wb);
}

// "Do not recalculate if result exists" of slot 0, switched.
void ToggleKeepFirst(Workbench& wb)
{
    EXPECT_TRUE(probe::ChoosePopupItem(wb.Component("Image1"), 3));
}

constexpr int kRunPages = 3;
constexpr int kRounds = 5;
constexpr int kSmallSets = 3;

TEST(PipelineBench, CostPerStep)
{
    ProgramFolder pf;
    for (int m = 0; m < kSteps; ++m) {
        pf.AddModule(kModules[m], kModules[m], "-", m + 1);
        pf.AddProgramMethod(kModules[m], "copy", std::string(METHODS_DIR) + "\\copy.exe");
    }
    // Pages as scanned for the run path and the cached path; small ones for
    // the cost with many pages, which the fixed pause after each page makes long.
    const imaging::Raster page = Page(500, 700), small = Page(60, 40);
    WritePages(pf, "run", "r", kRunPages, page);
    WritePages(pf, "few", "f", g_pages, page);
    for (int set = 0; set < kSmallSets; ++set)
        WritePages(pf, "small" + std::to_string(set), ("s" + std::to_string(set)).c_str(), g_pages, small);
    WritePages(pf, "many", "m", g_many, small);
    if (::testing::Test::HasFatalFailure())
        return;
    Workbench wb(pf);
    ASSERT_NE(wb.WaitUntilStarted(), nullptr);
    for (const char* tile : {"Label10", "Label25", "Label27"})
        probe::Click(wb.Component(tile));

    // Run path and its floor, round by round; after the first round slot 0
    // keeps no result, so every step runs again.
    Choose(wb, "run");
    const double runSteps = static_cast<double>(kRunPages) * kSteps;
    std::vector<double> runRatios;
    double run = 0, runFloor = 0;
    for (int round = 0; round < 3; ++round) {
        if (round == 1)
            ToggleKeepFirst(wb);
        const double one = (TimedApply(wb) - kPauseMs * kRunPages) / runSteps;
        const double floor =
            BareMethodRuns(pf, pf / ("images\\run\\" + PageName("r", 0)), kRunPages * kSteps) / runSteps;
        runRatios.push_back(one / floor);
        run += one / 3;
        runFloor += floor / 3;
    }
    ToggleKeepFirst(wb);

    // Cached path and its floor, alternating, after a first run that found
    // the results cached and saved them through the view.
    FillCache(pf, "few", "f", g_pages);
    Choose(wb, "few");
    const double steps = static_cast<double>(g_pages) * kSteps;
    const double firstCached = (TimedApply(wb) - kPauseMs * g_pages) / steps;
    std::vector<double> cachedRatios, cachedTimes, floorTimes;
    for (int round = 0; round < kRounds; ++round) {
        const double one = (TimedApply(wb) - kPauseMs * g_pages) / steps;
        const double floor = BareCachedRun(pf, "few", "f", g_pages) / steps;
        cachedRatios.push_back(one / floor);
        cachedTimes.push_back(one);
        floorTimes.push_back(floor);
    }

    // Many small pages over few, each set met for the first time with its
    // results in the cache already.
    std::vector<double> smallTimes;
    for (int set = 0; set < kSmallSets; ++set) {
        const std::string folder = "small" + std::to_string(set);
        FillCache(pf, folder, ("s" + std::to_string(set)).c_str(), g_pages);
        Choose(wb, folder);
        smallTimes.push_back((TimedApply(wb) - kPauseMs * g_pages) / steps);
    }
    FillCache(pf, "many", "m", g_many);
    Choose(wb, "many");
    const double manySteps = static_cast<double>(g_many) * kSteps;
    const double cachedMany = (TimedApply(wb) - kPauseMs * g_many) / manySteps;
    const double cachedTen = Median(smallTimes);

    std::printf("pages %d (and %d small), steps per page %d, pages 500 x 700 and 60 x 40 grey\n",
                g_pages, g_many, kSteps);
    std::printf("run path (copy method, %d pages): %.1f ms per step; the method started bare: %.1f ms\n",
                kRunPages, run, runFloor);
    std::printf("cached path: %.2f ms per step (first, saving through the view: %.2f); "
                "the cache check and copy bare: %.2f ms (medians of %d rounds)\n",
                Median(cachedTimes), firstCached, Median(floorTimes), kRounds);
    std::printf("cached path with %d small pages: %.2f ms per step; with %d: %.2f ms\n", g_many,
                cachedMany, g_pages, cachedTen);
    std::printf("ratio cached-step/floor %.2f\n", Median(cachedRatios));
    std::printf("ratio run-step/floor %.2f\n", Median(runRatios));
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
