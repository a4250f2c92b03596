// Benchmark, not a test: the workbench's own cost per pipeline step, on the
// run path (the copy method runs) and on the cached path (nothing runs).
//   pipeline_bench.exe [pages]
// The fixed 500 ms pause after each image is left out of the figures.
#include "workbench.h"

#include "raster.h"
#include "tiff_writer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>

namespace {

using namespace workbench_tests;

int g_pages = 10;
constexpr int kSteps = 3;
constexpr double kPauseMs = 500.0;

double TimedApply(Workbench& wb)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    DWORD_PTR result = 0;
    SendMessageTimeoutA(wb.Component("Button15"), BM_CLICK, 0, 0, SMTO_NORMAL, 600000, &result);
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart;
}

TEST(PipelineBench, CostPerStep)
{
    ProgramFolder pf;
    const char* modules[kSteps] = {"A.Folivar", "B.Folivar", "C.Folivar"};
    for (int m = 0; m < kSteps; ++m) {
        pf.AddModule(modules[m], modules[m], "-", m + 1);
        pf.AddProgramMethod(modules[m], "copy", std::string(METHODS_DIR) + "\\copy.exe");
    }
    imaging::Raster page = imaging::Raster::Blank(1000, 1400, imaging::PixelLayout::Gray8);
    for (int i = 0; i < g_pages; ++i)
        ASSERT_TRUE(imaging::WriteTiffFile(pf / ("images\\page" + std::to_string(100 + i) + ".tif"),
                                           page, imaging::TiffWriteOptions()));
    Workbench wb(pf);
    ASSERT_NE(wb.WaitUntilStarted(), nullptr);
    for (const char* tile : {"Label10", "Label25", "Label27"})
        forms::probe::Click(wb.Component(tile));
    HWND files = wb.Component("FileListBox1");
    forms::probe::SelectListItem(files, -1, true);
    SendMessageA(files, LB_SETCARETINDEX, 0, FALSE);
    SendMessageA(GetParent(files), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(files), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(files));

    const double steps = static_cast<double>(g_pages) * kSteps;
    double run = TimedApply(wb) - kPauseMs * g_pages;
    double cached = TimedApply(wb) - kPauseMs * g_pages;
    std::printf("pages %d, steps per page %d\n", g_pages, kSteps);
    std::printf("run path (copy method): %.1f ms per step\n", run / steps);
    std::printf("cached path: %.1f ms per step\n", cached / steps);
    EXPECT_EQ(wb.Close(), 0);
}

} // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (argc > 1)
        g_pages = std::max(1, std::atoi(argv[1]));
    return RUN_ALL_TESTS();
}
