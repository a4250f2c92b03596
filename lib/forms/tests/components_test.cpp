// The other components: image box, memo, labels, containers passing their
// children's notifications on, alignment with the splitter, tool bar, combo
// box, labelled edit and the glyph button.
#include "forms/bit_btn.h"
#include "forms/button.h"
#include "forms/check_box.h"
#include "forms/component_name.h"
#include "forms/combo_box.h"
#include "forms/form.h"
#include "forms/group_box.h"
#include "forms/image_box.h"
#include "forms/label.h"
#include "forms/labeled_edit.h"
#include "forms/list_box.h"
#include "forms/memo.h"
#include "forms/panel.h"
#include "forms/shape.h"
#include "forms/splitter.h"
#include "forms/tool_bar.h"

#include "testkit.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// A 24-bit .bmp file of one colour.
std::vector<uint8_t> BmpFile(int width, int height, uint8_t blue, uint8_t green, uint8_t red)
{
    int stride = (width * 3 + 3) & ~3;
    uint32_t pixels = static_cast<uint32_t>(stride * height);
    std::vector<uint8_t> b(54 + pixels, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, static_cast<uint32_t>(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<uint32_t>(width));
    put32(22, static_cast<uint32_t>(height));
    b[26] = 1;
    b[28] = 24;
    put32(34, pixels);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            size_t at = 54 + static_cast<size_t>(y * stride + x * 3);
            b[at] = blue;
            b[at + 1] = green;
            b[at + 2] = red;
        }
    return b;
}

// The client area of a window as it paints itself (WM_PRINT into a memory DC).
class Snapshot {
public:
    explicit Snapshot(HWND window)
    {
        RECT r;
        GetClientRect(window, &r);
        width_ = r.right;
        height_ = r.bottom;
        HDC screen = GetDC(window);
        dc_ = CreateCompatibleDC(screen);
        canvas_ = CreateCompatibleBitmap(screen, width_, height_);
        old_ = SelectObject(dc_, canvas_);
        ReleaseDC(window, screen);
        SendMessageA(window, WM_PRINT, reinterpret_cast<WPARAM>(dc_), PRF_CLIENT | PRF_ERASEBKGND);
    }
    ~Snapshot()
    {
        SelectObject(dc_, old_);
        DeleteObject(canvas_);
        DeleteDC(dc_);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc_, x, y); }
    bool Has(COLORREF colour) const
    {
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (At(x, y) == colour)
                    return true;
        return false;
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP canvas_;
    HGDIOBJ old_;
};

COLORREF PixelOf(HWND window, int x, int y)
{
    return Snapshot(window).At(x, y);
}

class Components : public ::testing::Test {
protected:
    void SetUp() override
    {
        form_.SetClientSize(600, 400);
        form_.Show();
    }
    forms::Form form_{"TForm1"};
    testkit::TempFolder folder_{"components"};
};

TEST_F(Components, ImageBoxShowsABitmapAndStaysBlankForAMissingFile)
{
    forms::ImageBox image(form_, "Image1", {10, 10, 80, 60});
    testkit::WriteBytes(folder_ / "01.bmp", BmpFile(40, 30, 0, 0, 255));
    testkit::WriteText(folder_ / "bad.bmp", "not a bitmap");

    EXPECT_TRUE(image.LoadFromFile(folder_ / "01.bmp"));
    EXPECT_TRUE(image.HasPicture());
    EXPECT_EQ(PixelOf(image.Handle(), 5, 5), RGB(255, 0, 0));
    EXPECT_EQ(image.Width(), 80);   // the box keeps its size
    EXPECT_EQ(image.Height(), 60);

    for (const std::string& path : {folder_ / "missing.bmp", folder_ / "bad.bmp", std::string()}) {
        EXPECT_NO_THROW(EXPECT_FALSE(image.LoadFromFile(path)) << path);
        EXPECT_FALSE(image.HasPicture()) << path;
        EXPECT_NE(PixelOf(image.Handle(), 5, 5), RGB(255, 0, 0)) << path;
        EXPECT_EQ(image.Width(), 80);
    }
}

TEST_F(Components, MouseMovesReachTheFormAndTheImageBoxInTheirOwnCoordinates)
{
    forms::ImageBox tile(form_, "Image1", {100, 50, 80, 60});
    std::vector<std::string> events;
    form_.OnMouseMove = [&](int x, int y) { events.push_back("form " + std::to_string(x) + "," + std::to_string(y)); };
    tile.OnMouseMove = [&](int x, int y) { events.push_back("tile " + std::to_string(x) + "," + std::to_string(y)); };
    SendMessageA(form_.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(20, 30));
    SendMessageA(tile.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 6));
    EXPECT_EQ(events, (std::vector<std::string>{"form 20,30", "tile 5,6"}));
}

TEST_F(Components, MemoLinesAndText)
{
    forms::Memo memo(form_, "Memo1", {10, 10, 200, 100});
    memo.SetVisible(false);
    memo.AddLine("Binarize.Folivar");
    memo.AddLine("   Binarize.Folivar.otsu");
    memo.AddLine("");
    EXPECT_EQ(memo.Text(), "Binarize.Folivar\r\n   Binarize.Folivar.otsu\r\n\r\n");
    EXPECT_EQ(memo.LineCount(), 3);
    EXPECT_EQ(memo.Line(1), "   Binarize.Folivar.otsu");
    EXPECT_EQ(memo.Line(3), "");

    memo.SetText("one\ntwo");
    memo.AddLine("three");
    EXPECT_EQ(memo.Text(), "one\r\ntwo\r\nthree\r\n");
    memo.Clear();
    EXPECT_EQ(memo.Text(), "");
    EXPECT_EQ(memo.LineCount(), 0);

    // The log is not cut at the standard limit of an edit.
    std::string line(1000, 'x');
    for (int i = 0; i < 100; ++i)
        memo.AddLine(line);
    EXPECT_EQ(memo.LineCount(), 100);
}

TEST_F(Components, LabelColoursTransparencyAndClick)
{
    form_.SetColor(RGB(0, 255, 255));
    forms::Label label(form_, "Label1", {10, 10, 150, 30}, "Initializing...");
    label.SetFontColor(RGB(0, 0, 255));
    label.SetFontHeight(24);
    EXPECT_EQ(PixelOf(label.Handle(), 148, 28), RGB(0, 255, 255));   // the form's background

    label.SetColor(RGB(255, 255, 0));
    EXPECT_EQ(PixelOf(label.Handle(), 148, 28), RGB(255, 255, 0));

    // The text is painted in the font colour, greyed when disabled.
    EXPECT_TRUE(Snapshot(label.Handle()).Has(RGB(0, 0, 255)));
    label.SetEnabled(false);
    EXPECT_FALSE(Snapshot(label.Handle()).Has(RGB(0, 0, 255)));
    label.SetEnabled(true);

    // On a panel of no colour of its own the text shows on the form's colour
    // alone, as does the panel.
    forms::Panel panel(form_, "Panel1", {200, 10, 200, 40});
    panel.SetBevel(false);
    forms::Label plain(panel, "Label2", {0, 0, 150, 30}, "Loading Binarize.Folivar");
    plain.SetFontColor(RGB(0, 0, 255));
    Snapshot shot(plain.Handle());
    EXPECT_TRUE(shot.Has(RGB(0, 0, 255)));
    EXPECT_FALSE(shot.Has(RGB(0, 0, 0)));
    EXPECT_EQ(shot.At(148, 28), RGB(0, 255, 255));
    EXPECT_EQ(PixelOf(panel.Handle(), 180, 35), RGB(0, 255, 255));

    // A transparent label paints its text over the parent's background; no
    // part of it keeps what was there before (black in a fresh bitmap).
    label.SetTransparent(true);
    HDC dc = CreateCompatibleDC(nullptr);
    LRESULT brush = SendMessageA(form_.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(label.Handle()));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(NULL_BRUSH));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    EXPECT_EQ(GetTextColor(dc), RGB(0, 0, 255));
    DeleteDC(dc);
    {
        Snapshot see(label.Handle());
        EXPECT_EQ(see.At(0, 0), RGB(0, 255, 255));
        EXPECT_EQ(see.At(148, 28), RGB(0, 255, 255));
        EXPECT_TRUE(see.Has(RGB(0, 0, 255)));
        EXPECT_FALSE(see.Has(RGB(0, 0, 0)));
    }
    // The splash's second line: black text, transparent on the same colour.
    forms::Label loading(form_, "Label3", {10, 50, 200, 22}, "Loading Binarize.Folivar");
    loading.SetTransparent(true);
    loading.SetFontHeight(16);
    loading.SetFontColor(RGB(0, 0, 0));
    {
        Snapshot see(loading.Handle());
        EXPECT_EQ(see.At(0, 0), RGB(0, 255, 255));
        EXPECT_EQ(see.At(199, 21), RGB(0, 255, 255));
        EXPECT_TRUE(see.Has(RGB(0, 0, 0)));   // the text itself
    }

    int clicks = 0;
    label.OnClick = [&] { ++clicks; };
    SendMessageA(label.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(label.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(clicks, 1);
}

TEST_F(Components, AGroupBoxShowsItsParentsBackgroundInsideItsFrame)
{
    form_.SetColor(RGB(0, 255, 255));
    forms::GroupBox group(form_, "GroupBox1", {10, 10, 200, 120}, "Save Directory");
    forms::Label inside(group, "Label1", {10, 20, 100, 16}, "inside");
    Snapshot see(group.Handle());
    // Inside the frame, clear of the caption and the label.
    EXPECT_EQ(see.At(100, 80), RGB(0, 255, 255));
    EXPECT_EQ(see.At(150, 30), RGB(0, 255, 255));
    EXPECT_TRUE(see.Has(GetSysColor(COLOR_BTNTEXT)));   // the caption
    // The caption's own background is the parent's too.
    HDC dc = CreateCompatibleDC(nullptr);
    LRESULT brush = SendMessageA(form_.Handle(), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                 reinterpret_cast<LPARAM>(group.Handle()));
    EXPECT_EQ(reinterpret_cast<HBRUSH>(brush), form_.BackgroundBrush());
    DeleteDC(dc);
    EXPECT_EQ(PixelOf(inside.Handle(), 90, 2), RGB(0, 255, 255));
}

// The forms are laid out in pixels: every component draws with the one font
// made for that layout, whose line fits the 16-pixel rows labels are given,
// whatever the resolution the display reports.
TEST_F(Components, EveryComponentDrawsWithTheFontOfTheLayout)
{
    forms::Label label(form_, "Label1", {10, 10, 84, 16}, "Binarization");
    forms::Button button(form_, "Button1", {10, 40, 100, 24}, "Apply");
    forms::ListBox list(form_, "ListBox1", {10, 70, 100, 60});
    for (HWND window : {label.Handle(), button.Handle(), list.Handle()})
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0)), forms::StandardFont());
    label.SetFontHeight(24);
    label.SetFontHeight(0);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(label.Handle(), WM_GETFONT, 0, 0)), forms::StandardFont());

    HDC dc = GetDC(label.Handle());
    HGDIOBJ old = SelectObject(dc, forms::StandardFont());
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, "Binarization", 12, &extent);
    SelectObject(dc, old);
    ReleaseDC(label.Handle(), dc);
    EXPECT_LE(metrics.tmHeight, 16);
    EXPECT_LE(extent.cx, 84);
    LOGFONTA lf = {};
    ASSERT_NE(GetObjectA(forms::StandardFont(), sizeof lf, &lf), 0);
    EXPECT_EQ(lf.lfHeight, -11);   // 8 points at 96 pixels per inch
}

TEST_F(Components, ContainersPassTheirChildrensNotificationsOn)
{
    forms::Panel panel(form_, "Panel1", {10, 10, 300, 200});
    forms::GroupBox group(panel, "GroupBox1", {10, 10, 250, 150}, "Save Directory");
    forms::Button button(group, "Button1", {10, 20, 80, 24}, "Go");
    forms::CheckBox check(panel, "CheckBox1", {10, 170, 120, 20}, "Is Page Split");
    forms::ListBox list(group, "ListBox1", {100, 20, 120, 80});
    std::vector<std::string> events;
    button.OnClick = [&] { events.push_back("button"); };
    check.OnClick = [&] { events.push_back(check.Checked() ? "checked" : "unchecked"); };
    list.OnClick = [&] { events.push_back("list:" + list.Item(list.ItemIndex())); };
    list.Add("Binarize -");
    list.Add("Last Place");

    SendMessageA(button.Handle(), BM_CLICK, 0, 0);
    SendMessageA(check.Handle(), BM_CLICK, 0, 0);
    SendMessageA(check.Handle(), BM_CLICK, 0, 0);
    RECT item;
    SendMessageA(list.Handle(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    SendMessageA(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(item.left + 3, item.top + 2));
    SendMessageA(list.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(item.left + 3, item.top + 2));
    EXPECT_EQ(events, (std::vector<std::string>{"button", "checked", "unchecked", "list:Last Place"}));

    // Hiding the panel hides what it holds.
    panel.SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(button.Handle()));
    EXPECT_TRUE(button.Visible());
}

TEST_F(Components, AlignedViewsAndTheSplitterBetweenThem)
{
    forms::Panel bottom(form_, "Panel1", {0, 0, 100, 50});
    bottom.SetAlign(forms::Align::Bottom);
    forms::Panel left(form_, "Panel2", {0, 0, 200, 10});
    left.SetAlign(forms::Align::Left);
    forms::Splitter splitter(form_, "Splitter1");
    splitter.SetLeft(200);
    forms::Panel rest(form_, "Panel3", {0, 0, 10, 10});
    rest.SetAlign(forms::Align::Client);

    struct Expect {
        forms::Control* control;
        int left, top, width, height;
    };
    auto check = [](const std::vector<Expect>& rows, const char* when) {
        for (const Expect& e : rows) {
            forms::Rect b = e.control->Bounds();
            EXPECT_EQ(std::vector<int>({b.left, b.top, b.width, b.height}),
                      std::vector<int>({e.left, e.top, e.width, e.height}))
                << e.control->Name() << " " << when;
        }
    };
    check({{&bottom, 0, 350, 600, 50}, {&left, 0, 0, 200, 350}, {&splitter, 200, 0, 3, 350},
           {&rest, 203, 0, 397, 350}},
          "at first");
    EXPECT_EQ(splitter.Neighbour(), &left);

    // Dragging the bar 50 pixels to the right in two moves; each position is
    // relative to where the bar is at that moment.
    int moved = 0;
    splitter.OnMoved = [&] { ++moved; };
    SendMessageA(splitter.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 10));
    SendMessageA(splitter.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(31, 10));
    SendMessageA(splitter.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(21, 10));
    SendMessageA(splitter.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(21, 10));
    check({{&left, 0, 0, 250, 350}, {&splitter, 250, 0, 3, 350}, {&rest, 253, 0, 347, 350}}, "after the drag");
    EXPECT_EQ(moved, 1);

    // Not narrower than the least width.
    SendMessageA(splitter.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(1, 10));
    SendMessageA(splitter.Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-400, 10));
    SendMessageA(splitter.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(-400, 10));
    EXPECT_EQ(left.Width(), 30);
    left.SetWidth(250);

    // The program sets the width; hiding a view gives its room to the others.
    left.SetWidth(300);
    check({{&splitter, 300, 0, 3, 350}, {&rest, 303, 0, 297, 350}}, "after SetWidth");
    bottom.SetVisible(false);
    check({{&left, 0, 0, 300, 400}, {&rest, 303, 0, 297, 400}}, "bottom hidden");
    form_.SetClientSize(500, 300);
    check({{&left, 0, 0, 300, 300}, {&rest, 303, 0, 197, 300}}, "resized");
}

// A component around a child window that something else created, the way a
// site for an embedded control joins a form.
class ForeignView : public forms::Component {
public:
    ForeignView(forms::Control& parent, const std::string& name) : Component(parent, name)
    {
        HWND window = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_NOTIFY, 0, 0, 10, 10,
                                      parent.Handle(), nullptr, GetModuleHandleA(nullptr), nullptr);
        Attach(window, true);
    }
};

TEST_F(Components, AWindowMadeElsewhereJoinsTheFormAsAComponent)
{
    forms::Panel panel(form_, "Panel2", {0, 0, 354, 300});
    HWND window;
    {
        ForeignView view(panel, "Vistrel7_2");
        window = view.Handle();
        EXPECT_EQ(forms::ComponentNameOf(window), "Vistrel7_2");
        EXPECT_EQ(forms::Control::FromHandle(window), &view);
        view.SetAlign(forms::Align::Client);
        EXPECT_EQ(std::vector<int>({view.Width(), view.Height()}), std::vector<int>({354, 300}));
        panel.SetWidth(177);
        EXPECT_EQ(view.Width(), 177);

        forms::ToolBar bar(view, "ToolBar1");
        bar.AddButton("ToolButton1", HBITMAP(nullptr));
        EXPECT_EQ(GetParent(bar.Handle()), window);
        EXPECT_EQ(bar.Width(), 177);
    }
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(Components, ToolBarButtonsRunTheirHandlersByIndex)
{
    forms::Panel view(form_, "Vistrel7_2", {0, 0, 300, 200});
    forms::ToolBar bar(view, "ToolBar1");
    testkit::WriteBytes(folder_ / "zoom.bmp", BmpFile(16, 16, 0, 128, 0));
    std::vector<std::string> events;
    for (const char* name : {"ToolButton1", "ToolButton2", "ToolButton3", "ToolButton4"})
        bar.AddButton(name, folder_ / "zoom.bmp", [&events, name] { events.push_back(name); });
    bar.OnButtonClick = [&](int index) { events.push_back("index " + std::to_string(index)); };
    ASSERT_EQ(bar.ButtonCount(), 4);
    EXPECT_EQ(bar.ButtonIndex("ToolButton3"), 2);
    EXPECT_EQ(static_cast<int>(SendMessageA(bar.Handle(), TB_BUTTONCOUNT, 0, 0)), 4);
    // Across the top of the view it sits on, above what fills the rest.
    forms::Panel image(view, "Picture", {0, 0, 10, 10});
    image.SetAlign(forms::Align::Client);
    EXPECT_EQ(bar.Top(), 0);
    EXPECT_EQ(bar.Width(), 300);
    EXPECT_GT(bar.Height(), 16);
    EXPECT_EQ(image.Top(), bar.Height());

    auto press = [&](int index) {
        RECT r;
        SendMessageA(bar.Handle(), TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageA(bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(bar.Handle(), WM_LBUTTONUP, 0, at);
    };
    press(3);
    press(0);
    bar.SetButtonEnabled(1, false);
    press(1);
    EXPECT_EQ(events, (std::vector<std::string>{"ToolButton4", "index 3", "ToolButton1", "index 0"}));
}

TEST_F(Components, ComboBoxSortedItemsIndexAndText)
{
    forms::ComboBox modules(form_, "ComboBox1", {10, 10, 150, 24});
    for (const char* name : {"Split", "binarize", "Deskew"})
        modules.Add(name);
    modules.SetSorted(true);
    modules.Add("Clean");
    std::vector<std::string> items;
    for (int i = 0; i < modules.Count(); ++i)
        items.push_back(modules.Item(i));
    EXPECT_EQ(items, (std::vector<std::string>{"binarize", "Clean", "Deskew", "Split"}));
    modules.SetItemIndex(2);
    EXPECT_EQ(modules.Text(), "Deskew");
    modules.SetText("Typed");
    EXPECT_EQ(modules.Text(), "Typed");
    EXPECT_EQ(modules.ItemIndex(), -1);

    // Moving the box keeps the room of its open list.
    modules.SetTop(60);
    modules.SetWidth(180);
    RECT dropped;
    SendMessageA(modules.Handle(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    EXPECT_GT(dropped.bottom - dropped.top, 150);
    EXPECT_EQ(modules.Top(), 60);
    EXPECT_EQ(modules.Width(), 180);

    forms::ComboBox colours(form_, "ComboBox2", {10, 100, 150, 24}, forms::ComboStyle::DropDownList);
    for (const char* name : {"Light Blue", "Red"})
        colours.Add(name);
    colours.SetText("Red");
    EXPECT_EQ(colours.ItemIndex(), 1);
    colours.SetText("Purple");   // not an item: a list without an edit field shows none
    EXPECT_EQ(colours.ItemIndex(), -1);
    EXPECT_EQ(colours.Text(), "");
}

TEST_F(Components, LabeledEditsLabelFollowsTheEdit)
{
    forms::LabeledEdit edit(form_, "LabeledEdit1", {20, 40, 150, 20}, "Name");
    EXPECT_EQ(edit.LabelCaption(), "Name");
    RECT r;
    GetWindowRect(edit.LabelHandle(), &r);
    MapWindowPoints(HWND_DESKTOP, form_.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 20);
    EXPECT_EQ(r.bottom, 40);

    edit.SetTop(100);
    GetWindowRect(edit.LabelHandle(), &r);
    MapWindowPoints(HWND_DESKTOP, form_.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.bottom, 100);
    edit.SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(edit.LabelHandle()));
    edit.SetVisible(true);
    EXPECT_TRUE(IsWindowVisible(edit.LabelHandle()));

    int changes = 0;
    edit.OnChange = [&] { ++changes; };
    edit.SetText("Binarize");
    EXPECT_EQ(edit.Text(), "Binarize");
    EXPECT_EQ(changes, 1);
}

TEST_F(Components, ShapeAndGlyphButtonPaintThemselves)
{
    forms::Shape marker(form_, "Shape5", {10, 10, 40, 8});
    marker.SetBrushColor(RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(marker.Handle(), 20, 4), RGB(255, 0, 0));
    EXPECT_EQ(PixelOf(marker.Handle(), 0, 0), RGB(0, 0, 0));   // the outline
    marker.SetLeft(163);
    EXPECT_EQ(marker.Left(), 163);

    forms::BitBtn back(form_, "BitBtn1", {10, 40, 100, 30}, "Back");
    testkit::WriteBytes(folder_ / "back.bmp", BmpFile(16, 16, 0, 255, 0));
    EXPECT_FALSE(back.LoadGlyph(folder_ / "missing.bmp"));
    EXPECT_TRUE(back.LoadGlyph(folder_ / "back.bmp"));
    EXPECT_TRUE(Snapshot(back.Handle()).Has(RGB(0, 255, 0)));
    int clicks = 0;
    back.OnClick = [&] { ++clicks; };
    SendMessageA(back.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks, 1);
}

} // namespace
