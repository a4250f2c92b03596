// annotate_host.exe as a person meets it, driven from another process by
// window messages: the page of its command line shown in the view, the view
// and the annotation control side by side with the tool palette over the
// control, the tool buttons and Save, and a page that cannot be opened.
#include "forms/testing/forms_probe.h"
#include "image_reader.h"
#include "test_support.h"
#include "testkit.h"
#include "tiff_pages.h"
#include "tiff_writer.h"
#include "vistrel7_state_query.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <tuple>
#include <vector>

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

// The message box a program of that process shows, or null after the limit.
struct DialogSearch {
    DWORD process;
    HWND found;
};
BOOL CALLBACK FindDialog(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<DialogSearch*>(data);
    char name[16] = {};
    GetClassNameA(window, name, sizeof(name));
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (lstrcmpA(name, "#32770") == 0 && process == search.process && IsWindowVisible(window))
        search.found = window;
    return search.found == nullptr;
}
HWND WaitForDialog(DWORD process, DWORD limitMs = 15000) {
    for (DWORD waited = 0; waited < limitMs; waited += 50) {
        DialogSearch search = {process, nullptr};
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(50);
    }
    return nullptr;
}

std::string StatusOf(HWND form) { return TextOf(FindComponent(form, "StatusLabel")); }

// Waits until the status line holds text (or not), as the host updates it
// once the events of a gesture are handled.
bool StatusHolds(HWND form, const std::string& text, bool holds, DWORD limitMs = 10000) {
    for (DWORD waited = 0; waited < limitMs; waited += 50) {
        if ((StatusOf(form).find(text) != std::string::npos) == holds) return true;
        Sleep(50);
    }
    return false;
}

// A rectangle drawn in the view with the Rectangle button's tool.
void DrawRectangle(HWND form) {
    forms::probe::Click(FindComponent(form, "RectangleButton"));
    HWND view = ViewWindow(form);
    // Each message with the cursor on its point first, as a person's.
    const struct {
        UINT message;
        WPARAM keys;
        int x, y;
    } steps[] = {{WM_MOUSEMOVE, 0, 30, 30},          {WM_LBUTTONDOWN, MK_LBUTTON, 30, 30},
                 {WM_MOUSEMOVE, MK_LBUTTON, 60, 50}, {WM_MOUSEMOVE, MK_LBUTTON, 90, 70},
                 {WM_LBUTTONUP, 0, 90, 70}};
    for (const auto& step : steps) {
        POINT screen = {step.x, step.y};
        ClientToScreen(view, &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageW(view, step.message, step.keys, MAKELPARAM(step.x, step.y));
    }
}

bool HasTag(const std::string& path, uint16_t tag) {
    std::vector<uint8_t> bytes;
    return imaging::ReadTiffTag(path, tag, &bytes);
}

TEST_F(HostProgram, ClosingWithUnsavedAnnotationsAsksToSaveThem) {
    const std::string page = WritePage("drawn.tif", 240, 160);
    const std::vector<uint8_t> original = testkit::ReadBytes(page);

    // Cancel keeps the window; Don't save closes it and leaves the file.
    {
        Program host(HostCommand(page));
        HWND form = host.WaitForForm("HostForm");
        ASSERT_NE(nullptr, form);
        EXPECT_EQ(std::string::npos, StatusOf(form).find("unsaved")) << StatusOf(form);
        DrawRectangle(form);
        EXPECT_TRUE(StatusHolds(form, "unsaved changes", true)) << StatusOf(form);

        PostMessageW(form, WM_SYSCOMMAND, SC_CLOSE, 0);   // the close box, Alt+F4
        HWND ask = WaitForDialog(host.id());
        ASSERT_NE(nullptr, ask);
        EXPECT_NE(std::string::npos, TextOf(ask).find("Annotate")) << TextOf(ask);
        PostMessageW(ask, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(-1, host.WaitForExit(1500));
        EXPECT_TRUE(IsWindow(form));
        EXPECT_EQ(original, testkit::ReadBytes(page));

        PostMessageW(form, WM_CLOSE, 0, 0);
        ask = WaitForDialog(host.id());
        ASSERT_NE(nullptr, ask);
        PostMessageW(ask, WM_COMMAND, IDNO, 0);
        EXPECT_EQ(0, host.WaitForExit());
        EXPECT_EQ(original, testkit::ReadBytes(page));
    }
    // Save writes the annotations, then the window closes.
    {
        Program host(HostCommand(page));
        HWND form = host.WaitForForm("HostForm");
        ASSERT_NE(nullptr, form);
        DrawRectangle(form);
        EXPECT_TRUE(StatusHolds(form, "unsaved changes", true)) << StatusOf(form);
        PostMessageW(form, WM_CLOSE, 0, 0);
        HWND ask = WaitForDialog(host.id());
        ASSERT_NE(nullptr, ask);
        PostMessageW(ask, WM_COMMAND, IDYES, 0);
        EXPECT_EQ(0, host.WaitForExit());
        EXPECT_TRUE(HasTag(page, 34686));
    }
    // Saved, and after a save with the button: closes without asking.
    {
        Program host(HostCommand(page));
        HWND form = host.WaitForForm("HostForm");
        ASSERT_NE(nullptr, form);
        EXPECT_NE(std::string::npos, StatusOf(form).find("1 annotation")) << StatusOf(form);
        DrawRectangle(form);
        EXPECT_TRUE(StatusHolds(form, "unsaved changes", true)) << StatusOf(form);
        forms::probe::Click(FindComponent(form, "SaveButton"));
        EXPECT_EQ(0u, StatusOf(form).find("Saved")) << StatusOf(form);
        EXPECT_EQ(std::string::npos, StatusOf(form).find("unsaved")) << StatusOf(form);
        PostMessageW(form, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, host.WaitForExit());
    }
}

// The real pages of another writer, whose marks are in tag 32932 only.
const char* const kWangPages[] = {
    "3annotationWithBGPicture.tif",
    "imaging-pic-textfieldannotation-yellow-font-face.tif",
    "imaging-pic-textfieldannotation.tif",
    "imaging-pic-various-annotations.tif",
    "one-annotation-textarea.tif",
    "one-annotation-textnote.tif",
};

int AnnotationsOnStatus(const std::string& status) {
    const size_t colon = status.rfind(": ");
    return colon == std::string::npos ? -1 : std::atoi(status.c_str() + colon + 2);
}

TEST_F(HostProgram, ThePagesOfAnotherWriterShowTheirMarksAndKeepThemThroughASave) {
    for (const char* name : kWangPages) {
        SCOPED_TRACE(name);
        const std::string page = std::string(SHARED_TESTDATA_DIR) + "\\wang\\" + name;
        Program host(HostCommand(page));
        HWND form = host.WaitForForm("HostForm");
        ASSERT_NE(nullptr, form);
        EXPECT_GT(AnnotationsOnStatus(StatusOf(form)), 0) << StatusOf(form);
        PostMessageW(form, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, host.WaitForExit());
    }
    // Saved in the form they came in: 32932, no stream of the control's own;
    // the 4-bit grey page keeps its depth, every page its other tags.
    for (const char* name : {"one-annotation-textnote.tif", "imaging-pic-textfieldannotation.tif"}) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> original =
            testkit::ReadBytes(std::string(SHARED_TESTDATA_DIR) + "\\wang\\" + name);
        const std::string page = folder_ / name;
        testkit::WriteBytes(page, original);
        int count = 0;
        {
            Program host(HostCommand(page));
            HWND form = host.WaitForForm("HostForm");
            ASSERT_NE(nullptr, form);
            count = AnnotationsOnStatus(StatusOf(form));
            forms::probe::Click(FindComponent(form, "SaveButton"));
            EXPECT_EQ(0u, StatusOf(form).find("Saved")) << StatusOf(form);
            PostMessageW(form, WM_CLOSE, 0, 0);
            EXPECT_EQ(0, host.WaitForExit());
        }
        const std::vector<uint8_t> saved = testkit::ReadBytes(page);
        EXPECT_TRUE(HasTag(page, 32932));
        EXPECT_FALSE(HasTag(page, 34686));
        imaging::TiffStoredFile before, after;
        ASSERT_TRUE(imaging::ReadTiffStored(original, &before, nullptr));
        ASSERT_TRUE(imaging::ReadTiffStored(saved, &after, nullptr));
        ASSERT_EQ(before.pages.size(), after.pages.size());
        for (const imaging::TiffEntry& e : before.pages[0].entries) {
            if (e.tag == 32932 || e.tag == 259 || e.tag == 278 || e.tag == 317) continue;
            const imaging::TiffEntry* kept = imaging::FindEntry(after.pages[0], e.tag);
            ASSERT_NE(nullptr, kept) << e.tag;
            EXPECT_EQ(std::make_tuple(e.type, e.count, e.value),
                      std::make_tuple(kept->type, kept->count, kept->value))
                << e.tag;
        }
        imaging::Raster was, is;
        std::string error;
        ASSERT_TRUE(imaging::LoadImageBytes(original, &was, &error)) << error;
        ASSERT_TRUE(imaging::LoadImageBytes(saved, &is, &error)) << error;
        EXPECT_EQ("", imgtest::Difference(was, is));
        // Opened again, the same marks.
        Program host(HostCommand(page));
        HWND form = host.WaitForForm("HostForm");
        ASSERT_NE(nullptr, form);
        EXPECT_EQ(count, AnnotationsOnStatus(StatusOf(form))) << StatusOf(form);
        PostMessageW(form, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, host.WaitForExit());
    }
}

} // namespace
