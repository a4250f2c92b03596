// The preview of the workbench as its user meets it: pages it can show and
// pages it cannot, chosen in turn in the file list; and the main window's
// labels, each holding its whole text.
#include "workbench.h"

#include "forms/control.h"
#include "raster.h"
#include "tiff_writer.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace workbench_tests;

// A little-endian TIFF of one strip: the directory right after the header,
// the strip after the directory. stripOffset 0 places the strip there.
std::vector<uint8_t> OneStripTiff(uint32_t width, uint32_t height, uint16_t bits, uint16_t compression,
                                  const std::vector<uint8_t>& strip, uint32_t stripOffset = 0,
                                  uint32_t stripCount = 0)
{
    std::vector<uint8_t> b = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](uint32_t v) {
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const uint32_t dataAt = 8 + 2 + 8 * 12 + 4;
    struct Entry { uint16_t tag, type; uint32_t value; };
    const Entry entries[] = {
        {256, 4, width}, {257, 4, height}, {258, 3, bits}, {259, 3, compression},
        {262, 3, 0},     {273, 4, stripOffset ? stripOffset : dataAt}, {278, 4, height},
        {279, 4, stripCount ? stripCount : static_cast<uint32_t>(strip.size())},
    };
    put16(8);
    for (const Entry& e : entries) {
        put16(e.tag);
        put16(e.type);
        put32(1);
        if (e.type == 3) {
            put16(e.value);
            put16(0);
        } else {
            put32(e.value);
        }
    }
    put32(0);
    b.insert(b.end(), strip.begin(), strip.end());
    return b;
}

// A white 1-bit page coded in Group 4: every row is one vertical-mode code
// (bit 1) against the white row above it, then the end-of-block codes.
std::vector<uint8_t> WhiteGroup4Page(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> strip(height / 8, 0xFF);
    if (height % 8)
        strip.push_back(static_cast<uint8_t>(0xFF << (8 - height % 8)));
    // 000000000001 000000000001 from the next whole byte on.
    strip.insert(strip.end(), {0x00, 0x10, 0x01});
    return OneStripTiff(width, height, 1, 4, strip);
}

void WriteGoodPage(const std::string& path)
{
    imaging::Raster page = imaging::Raster::Blank(40, 30, imaging::PixelLayout::Gray8);
    page.pixels[0] = 0;
    std::string error;
    ASSERT_TRUE(imaging::WriteTiffFile(path, page, imaging::TiffWriteOptions(), &error)) << path << ": " << error;
}

// The user clicks one file of the list (and only that one is chosen).
void UserChooses(HWND list, int index)
{
    forms::probe::SelectListItem(list, -1, false);
    forms::probe::SelectListItem(list, index, true);
    SendMessageA(list, LB_SETCARETINDEX, index, FALSE);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

int IndexOf(const std::vector<std::string>& items, const std::string& name)
{
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i] == name)
            return static_cast<int>(i);
    return -1;
}

// The control's window inside the view (its first child): its text is the
// file it shows, "" when it shows nothing.
std::string Shown(Workbench& wb)
{
    HWND view = wb.Component("Vistrel7_1");
    HWND control = view ? GetWindow(view, GW_CHILD) : nullptr;
    return forms::probe::TextOf(control);
}

TEST(WorkbenchPreview, APageThatCannotBeShownClearsThePreviewAndSaysWhy)
{
    ProgramFolder pf;
    pf.AddModule("Enhance.Folivar", "Enhance", "-", 1, 0, "01");
    pf.AddHandmadePackage("Enhance.Folivar", "handmade");
    WriteGoodPage(pf / "images\\a_good.tif");
    testkit::WriteText(pf / "images\\b_notes.tif", "These are notes, not a page.\r\n");
    testkit::WriteBytes(pf / "images\\c_empty.tif", {});
    // The strip lies past the end of the file.
    testkit::WriteBytes(pf / "images\\d_damaged.tif",
                        OneStripTiff(64, 64, 8, 1, std::vector<uint8_t>(100, 0x80), 5000, 4096));
    testkit::WriteBytes(pf / "images\\e_huge.tif", WhiteGroup4Page(30000, 20000));
    testkit::WriteText(pf / "images\\f_drawing.bmp", "not a bitmap");

    Workbench wb(pf);
    ASSERT_NE(wb.WaitUntilStarted(), nullptr);
    HWND files = wb.Component("FileListBox1");
    ASSERT_NE(files, nullptr);
    const std::vector<std::string> items = forms::probe::ListItems(files);

    struct Case { const char* file; const char* note; };
    const Case cases[] = {
        {"b_notes.tif", "b_notes.tif\r\nnot a TIFF file"},
        {"c_empty.tif", "c_empty.tif\r\nthe file is empty"},
        {"d_damaged.tif",
         "d_damaged.tif\r\nthe page cannot be shown: TIFF is truncated: image data past the end of the file"},
        {"e_huge.tif", "e_huge.tif\r\nthe page is too large to preview: 30000 x 20000"},
        {"f_drawing.bmp", "f_drawing.bmp\r\nnot a BMP file"},
    };
    for (const Case& c : cases) {
        // A good page first, so that there is a picture that must not stay.
        UserChooses(files, IndexOf(items, "a_good.tif"));
        ASSERT_EQ(Shown(wb), pf / "images\\a_good.tif");
        EXPECT_FALSE(wb.Visible("Vistrel7_1Note")) << c.file;

        const int index = IndexOf(items, c.file);
        ASSERT_GE(index, 0) << c.file;
        UserChooses(files, index);
        EXPECT_EQ(Shown(wb), "") << c.file;
        EXPECT_TRUE(wb.Visible("Vistrel7_1Note")) << c.file;
        EXPECT_EQ(wb.Text("Vistrel7_1Note"), c.note);
        // The control's window makes way for the note.
        HWND control = GetWindow(wb.Component("Vistrel7_1"), GW_CHILD);
        EXPECT_FALSE(IsWindowVisible(control)) << c.file;
        EXPECT_EQ(wb.Text("Label58"), "Selected Image Files: 1");
    }

    // A good page after a refused one is shown again, without the note.
    UserChooses(files, IndexOf(items, "a_good.tif"));
    EXPECT_EQ(Shown(wb), pf / "images\\a_good.tif");
    EXPECT_FALSE(wb.Visible("Vistrel7_1Note"));
    EXPECT_TRUE(IsWindowVisible(GetWindow(wb.Component("Vistrel7_1"), GW_CHILD)));

    // Opening another folder clears the note with the preview.
    UserChooses(files, IndexOf(items, "b_notes.tif"));
    ASSERT_TRUE(wb.Visible("Vistrel7_1Note"));
    HWND folders = wb.Component("DirectoryListBox1");
    SendMessageA(folders, LB_SETCURSEL, 0, 0);
    SendMessageA(GetParent(folders), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(folders), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(folders));
    EXPECT_FALSE(wb.Visible("Vistrel7_1Note"));
    EXPECT_EQ(wb.Close(), 0);
}

// A page of 10000 x 14000 1-bit pixels is within what the preview holds: it
// is shown, not refused.
TEST(WorkbenchPreview, ALargeBilevelPageIsShown)
{
    ProgramFolder pf;
    pf.AddModule("Enhance.Folivar", "Enhance", "-", 1, 0, "01");
    pf.AddHandmadePackage("Enhance.Folivar", "handmade");
    WriteGoodPage(pf / "images\\a_good.tif");
    testkit::WriteBytes(pf / "images\\b_large.tif", WhiteGroup4Page(10000, 14000));

    Workbench wb(pf);
    ASSERT_NE(wb.WaitUntilStarted(), nullptr);
    HWND files = wb.Component("FileListBox1");
    UserChooses(files, 0);
    ASSERT_EQ(Shown(wb), pf / "images\\a_good.tif");
    UserChooses(files, 1);
    EXPECT_EQ(Shown(wb), pf / "images\\b_large.tif");
    EXPECT_FALSE(wb.Visible("Vistrel7_1Note")) << wb.Text("Vistrel7_1Note");
    EXPECT_EQ(wb.Close(), 0);
}

// Every label of the main window shows its whole text: each line of it fits
// the label's width, and all its lines its height, measured in the font the
// labels are drawn with.
TEST(WorkbenchLayout, EveryLabelOfTheMainWindowHoldsItsText)
{
    ProgramFolder pf;
    // Names and captions as long as users give them.
    pf.AddModule("Binarize.Folivar", "Binarization", "adaptive", 1, 0, "02");
    pf.AddModule("Enhance.Folivar", "Enhancement", "-", 2, 0, "01");
    pf.AddBatchMethod("Binarize.Folivar", "adaptive", "Adaptive threshold",
                      "@copy /y in.tif out.tif >nul\r\n");
    pf.AddBatchMethod("Enhance.Folivar", "clean", "Despeckle and clean",
                      "@copy /y in.tif out.tif >nul\r\n");
    WriteGoodPage(pf / "images\\a_good.tif");

    Workbench wb(pf);
    HWND main = wb.WaitUntilStarted();
    ASSERT_NE(main, nullptr);
    forms::probe::Click(wb.Component("Label10"));   // both tiles into the pipeline
    forms::probe::Click(wb.Component("Label25"));
    ASSERT_TRUE(wb.Visible("Image2"));
    UserChooses(wb.Component("FileListBox1"), 0);
    // The mouse over the first slot shows its method's description.
    SendMessageA(wb.Component("Image1"), WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    ASSERT_FALSE(wb.Text("Label44").empty());

    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, forms::StandardFont());
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    int checked = 0;
    for (const auto& [name, window] : forms::probe::NamedComponents(main)) {
        char cls[32] = {};
        GetClassNameA(window, cls, sizeof cls);
        const LONG style = GetWindowLongA(window, GWL_STYLE);
        const LONG type = style & SS_TYPEMASK;
        const std::string text = forms::probe::TextOf(window);
        if (lstrcmpiA(cls, "Static") != 0 || !IsWindowVisible(window) || text.empty() ||
            (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP))
            continue;
        RECT client;
        GetClientRect(window, &client);
        std::istringstream lines(text);
        std::string line;
        int count = 0;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            SIZE extent = {};
            GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &extent);
            EXPECT_LE(extent.cx, client.right) << name << " \"" << line << "\"";
            ++count;
        }
        EXPECT_LE(count * metrics.tmHeight, client.bottom) << name << " \"" << text << "\"";
        ++checked;
    }
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_GE(checked, 10);
    EXPECT_EQ(wb.Close(), 0);
}

} // namespace
