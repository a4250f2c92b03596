// The workbench as its users meet it: double-clicking the preview of the
// chosen image opens the result viewer with that picture alone.
#include "workbench.h"

#include "raster.h"
#include "tiff_writer.h"
#include "vistrel7_state_query.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

namespace {

using namespace workbench_tests;
namespace probe = forms::probe;

// The image control's own window in a view (beside the view's tool bar, if any).
HWND ControlWindow(HWND view)
{
    for (HWND child = view ? GetWindow(view, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[64] = {};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, "ToolbarWindow32") != 0)
            return child;
    }
    return nullptr;
}

LRESULT State(HWND view, vistrel7::StateField field)
{
    static const UINT query = RegisterWindowMessageW(vistrel7::kStateQueryMessage);
    return SendMessageW(ControlWindow(view), query, field, 0);
}

// Waits (within a limit) until done() holds.
bool WaitUntil(const std::function<bool()>& done)
{
    for (int i = 0; i < 500; ++i) {
        if (done())
            return true;
        Sleep(20);
    }
    return false;
}

TEST(WorkbenchPreview, DoubleClickingThePreviewShowsThatPictureAloneInTheViewer)
{
    ProgramFolder pf;
    pf.AddModule("Binarize.Folivar", "Binari-", "zation", 1);
    pf.AddPackedMethod("Binarize.Folivar", "otsu", "Otsu", "Threshold by Otsu");
    imaging::Raster page = imaging::Raster::Blank(64, 48, imaging::PixelLayout::Gray8);
    ASSERT_TRUE(imaging::WriteTiffFile(pf / "images\\a.tif", page, imaging::TiffWriteOptions()));

    Workbench wb(pf);
    HWND main = wb.WaitUntilStarted();
    ASSERT_NE(main, nullptr);
    HWND files = wb.Component("FileListBox1");
    probe::SelectListItem(files, 0, true);
    SendMessageA(files, LB_SETCARETINDEX, 0, FALSE);
    SendMessageA(GetParent(files), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(files), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(files));
    HWND preview = ControlWindow(wb.Component("Vistrel7_1"));
    ASSERT_EQ(probe::TextOf(preview), pf / "images\\a.tif");

    // Posted: the handler runs the viewer's modal loop.
    PostMessageA(preview, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
    HWND viewer = wb.program().WaitForForm("TForm4");
    ASSERT_NE(viewer, nullptr);
    // The main window is disabled once the viewer is up and done loading.
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowEnabled(main); }));
    EXPECT_EQ(probe::TextOf(viewer), "View Results");

    HWND input = probe::FindComponent(viewer, "Vistrel7_1");
    HWND result = probe::FindComponent(viewer, "Vistrel7_2");
    EXPECT_EQ(State(input, vistrel7::StateWidth), 64);
    EXPECT_EQ(State(input, vistrel7::StateHeight), 48);
    EXPECT_EQ(State(result, vistrel7::StateWidth), 0);
    EXPECT_EQ(probe::TextOf(ControlWindow(result)), "");
    for (int n = 1; n <= 21; ++n) {
        HWND label = probe::FindComponent(viewer, "Label" + std::to_string(n));
        ASSERT_NE(label, nullptr) << n;
        EXPECT_FALSE(IsWindowVisible(label)) << n;
    }
    EXPECT_FALSE(IsWindowVisible(probe::FindComponent(viewer, "BitBtn2")));
    EXPECT_FALSE(IsWindowVisible(probe::FindComponent(viewer, "BitBtn3")));

    // Back returns to the main window.
    HWND back = probe::FindComponent(viewer, "BitBtn1");
    EXPECT_EQ(probe::TextOf(back), "Back");
    probe::Click(back);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(viewer); }));
    EXPECT_TRUE(IsWindowEnabled(main));
    EXPECT_EQ(wb.Close(), 0);
}

} // namespace
