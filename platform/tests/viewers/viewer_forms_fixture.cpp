#include "viewer_forms_fixture.h"

#include "raster.h"
#include "tiff_writer.h"

#include <ole2.h>

namespace viewertest {

void ViewerFormsTest::SetUp()
{
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    initialised_ = true;
    folder_ = std::make_unique<testkit::TempFolder>("viewers");
    // The program's main window comes first, as in the program.
    main_ = std::make_unique<forms::Form>("TForm1");
}

void ViewerFormsTest::TearDown()
{
    main_.reset();
    folder_.reset();
    if (initialised_)
        OleUninitialize();
}

std::string ViewerFormsTest::Page(const std::string& name, int width, int height)
{
    imaging::Raster page = imaging::Raster::Blank(width, height, imaging::PixelLayout::Bilevel);
    for (int y = height / 4; y < height / 2; ++y)
        page.SetBlack(width / 3, y, true);
    imaging::TiffWriteOptions options;
    options.compression = imaging::TiffCompression::Ccitt4;
    std::string path = *folder_ / name;
    std::string error;
    EXPECT_TRUE(imaging::WriteTiffFile(path, page, options, &error)) << error;
    return path;
}

void Click(forms::Control& button)
{
    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
}

void ClickTool(forms::ToolBar& bar, const std::string& buttonName)
{
    int index = bar.ButtonIndex(buttonName);
    ASSERT_GE(index, 0) << buttonName;
    SendMessageA(GetParent(bar.Handle()), WM_COMMAND,
                 MAKEWPARAM(bar.ButtonCommand(index), BN_CLICKED),
                 reinterpret_cast<LPARAM>(bar.Handle()));
}

HWND ControlWindowOf(platform::TVistrel7_& view)
{
    for (HWND child = GetWindow(view.Handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (!forms::Control::FromHandle(child))   // the tool bar is one of ours
            return child;
    return nullptr;
}

void UserScroll(platform::TVistrel7_& view)
{
    HWND window = ControlWindowOf(view);
    SendMessageA(window, WM_VSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
    SendMessageA(window, WM_HSCROLL, MAKEWPARAM(SB_PAGEDOWN, 0), 0);
}

std::string ShownFile(platform::TVistrel7_& view)
{
    char text[MAX_PATH * 2] = {};
    GetWindowTextA(ControlWindowOf(view), text, sizeof text);
    return text;
}

double FittedZoom(platform::TVistrel7_& view)
{
    view.ZoomToFit(2);
    return view.IPZoomF();
}

} // namespace viewertest
