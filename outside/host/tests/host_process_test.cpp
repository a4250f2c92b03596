// annotate_host.exe as a person meets it, driven from another process by
// window messages: the page of its command line shown in the view, the view
// and the annotation control side by side with the tool palette over the
// control, the tool buttons and Save, and a page that cannot be opened.
#include "forms/testing/forms_probe.h"
#include "image_reader.h"
#include "test_support.h"
#include "testkit.h"
#include "tiff_writer.h"
#include "vistrel7_state_query.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

using forms::probe::FindComponent;
using forms::probe::Program;
using forms::probe::TextOf;

std::string HostCommand(const std::string& page) {
    return "\"" + testkit::ProgramFolder() + "\\annotate_host.exe\" \"" + page + "\"";
}

// The image view's own window: the child of its site.
HWND ViewWindow(HWND form) {
    HWND site = FindComponent(form, "Viewer1");
    return site ? GetWindow(site, GW_CHILD) : nullptr;
}

LRESULT ViewState(HWND view, vistrel7::StateField field) {
    static const UINT query = RegisterWindowMessageW(vistrel7::kStateQueryMessage);
    return SendMessageW(view, query, field, 0);
}

RECT ScreenRect(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    return r;
}

class HostProgram : public ::testing::Test {
protected:
    std::string WritePage(const std::string& name, int width, int height) {
        const std::string path = folder_ / name;
        std::string error;
        const imaging::Raster page =
            imgtest::Noise(width, height, imaging::PixelLayout::Bilevel, 3);
        EXPECT_TRUE(imaging::WriteTiffFile(path, page, {}, &error)) << error;
        return path;
    }
    testkit::TempFolder folder_;
};

TEST_F(HostProgram, OpensThePageOfItsCommandLineBesideTheAnnotationControlAndSavesIt) {
    const std::string page = WritePage("page.tif", 320, 200);
    Program host(HostCommand(page));
    ASSERT_TRUE(host.started());
    HWND form = host.WaitForForm("HostForm");
    ASSERT_NE(nullptr, form);

    // Every part is there by its name.
    for (const char* name : {"PointerButton", "RectangleButton", "EllipseButton", "SaveButton",
                             "StatusLabel", "EventLabel", "Viewer1", "Annotations1"})
        EXPECT_NE(nullptr, FindComponent(form, name)) << name;
    EXPECT_NE(std::string::npos, TextOf(form).find("page.tif"));

    // The view shows the page and takes the most room; the annotation
    // control is a strip at its right.
    HWND view = ViewWindow(form);
    ASSERT_NE(nullptr, view);
    EXPECT_EQ(320, ViewState(view, vistrel7::StateWidth));
    EXPECT_EQ(200, ViewState(view, vistrel7::StateHeight));
    const RECT viewRect = ScreenRect(FindComponent(form, "Viewer1"));
    const RECT stripRect = ScreenRect(FindComponent(form, "Annotations1"));
    EXPECT_LE(viewRect.right, stripRect.left);
    EXPECT_GT(viewRect.right - viewRect.left, 4 * (stripRect.right - stripRect.left));
    // The engine's tool palette, a window of its own, stands over the strip.
    HWND palette = forms::probe::FindForm(host.id(), "ToolPalette");
    ASSERT_NE(nullptr, palette);
    EXPECT_TRUE(IsWindowVisible(palette));
    const RECT paletteRect = ScreenRect(palette);
    EXPECT_EQ(stripRect.left, paletteRect.left);
    EXPECT_EQ(stripRect.top, paletteRect.top);
    EXPECT_NE(nullptr, FindComponent(palette, "PaletteButtons"));
    // It goes with the minimised window and comes back with it, and follows
    // the window when it moves.
    const struct {
        WPARAM command;
        bool shown;
    } steps[] = {{SC_MINIMIZE, false}, {SC_RESTORE, true}};
    for (const auto& step : steps) {
        SendMessageW(form, WM_SYSCOMMAND, step.command, 0);
        EXPECT_EQ(step.shown, IsWindowVisible(palette) != FALSE) << step.command;
    }
    const RECT formRect = ScreenRect(form);
    SetWindowPos(form, nullptr, formRect.left + 40, formRect.top + 30, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(paletteRect.left + 40, ScreenRect(palette).left);
    EXPECT_EQ(paletteRect.top + 30, ScreenRect(palette).top);

    // Save writes the page in place; it still opens.
    forms::probe::Click(FindComponent(form, "SaveButton"));
    EXPECT_EQ(0u, TextOf(FindComponent(form, "StatusLabel")).find("Saved")) <<
        TextOf(FindComponent(form, "StatusLabel"));
    imaging::Raster reread;
    std::string error;
    EXPECT_TRUE(imaging::LoadImageFile(page, &reread, &error)) << error;
    EXPECT_EQ(320, reread.width);

    PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, host.WaitForExit());
}

TEST_F(HostProgram, APageThatCannotBeOpenedIsReportedAndTheWindowStays) {
    const std::string missing = folder_ / "missing.tif";
    Program host(HostCommand(missing));
    HWND form = host.WaitForForm("HostForm");
    ASSERT_NE(nullptr, form);
    const std::string status = TextOf(FindComponent(form, "StatusLabel"));
    EXPECT_NE(std::string::npos, status.find("missing.tif")) << status;
    EXPECT_EQ(0, ViewState(ViewWindow(form), vistrel7::StateWidth));
    // Nothing to save.
    forms::probe::Click(FindComponent(form, "SaveButton"));
    EXPECT_EQ("There is no file to save.", TextOf(FindComponent(form, "StatusLabel")));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(missing.c_str()));
    PostMessageW(form, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, host.WaitForExit());
}

} // namespace
