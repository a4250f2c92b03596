// annotate_host.exe as a person draws with it, driven from another process
// by window messages: the palette buttons' menus set what their tools draw
// (with the colour, font and open dialogs), every tool picked with a click on its
// button of the engine's tool palette draws its kind where it is drawn on the
// page, attributes are changed through items' context menus, the page is
// saved, and a fresh host shows
// and saves again everything that was drawn. What was saved is read back with
// the engine loaded here. The screen cursor is moved onto each point before
// its message (the engine checks it), so these run alone.
#include "engine_test_host.h"
#include "forms/testing/forms_probe.h"
#include "image_reader.h"
#include "testkit.h"
#include "tiff_writer.h"
#include "vistrel7_state_query.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <dlgs.h>

#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

using forms::probe::FindComponent;
using forms::probe::Program;
using forms::probe::TextOf;

constexpr uint16_t kAnnotationTag = 34686;
constexpr int kPageWidth = 640;
constexpr int kPageHeight = 480;

std::string HostCommand(const std::string& page) {
    return "\"" + testkit::ProgramFolder() + "\\annotate_host.exe\" \"" + page + "\"";
}

// The top-level window of that name in the process, waited for.
HWND WaitForWindow(const Program& program, const char* name) {
    for (int i = 0; i < 500; ++i) {
        if (HWND window = forms::probe::FindForm(program.id(), name)) return window;
        Sleep(20);
    }
    return nullptr;
}

// The visible popup menu of a thread, or null.
struct MenuSearch {
    DWORD thread;
    HWND found;
};
BOOL CALLBACK FindMenu(HWND window, LPARAM data) {
    auto& search = *reinterpret_cast<MenuSearch*>(data);
    char name[16] = {};
    GetClassNameA(window, name, sizeof(name));
    if (lstrcmpA(name, "#32768") == 0 && IsWindowVisible(window) &&
        GetWindowThreadProcessId(window, nullptr) == search.thread)
        search.found = window;
    return search.found == nullptr;
}
HWND OpenMenu(DWORD thread) {
    MenuSearch search = {thread, nullptr};
    EnumWindows(FindMenu, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The moves of a gesture in the view, as a person makes them.
struct Step {
    UINT message;
    int x, y;
};
constexpr UINT kDown = WM_LBUTTONDOWN;
constexpr UINT kUp = WM_LBUTTONUP;
constexpr UINT kMove = WM_MOUSEMOVE;
constexpr UINT kDouble = WM_LBUTTONDBLCLK;

std::vector<Step> DragThrough(const std::vector<POINT>& points) {
    std::vector<Step> steps = {{kMove, points[0].x, points[0].y},
                               {kDown, points[0].x, points[0].y}};
    for (size_t i = 1; i < points.size(); ++i) steps.push_back({kMove, points[i].x, points[i].y});
    steps.push_back({kUp, points.back().x, points.back().y});
    return steps;
}
std::vector<Step> Drag(int x0, int y0, int x1, int y1) {
    return DragThrough({{x0, y0}, {(x0 + x1) / 2, (y0 + y1) / 2}, {x1, y1}});
}
// A click at each point, the last one doubled: how a point list is closed.
std::vector<Step> Clicks(const std::vector<POINT>& points) {
    std::vector<Step> steps;
    for (const POINT& p : points) {
        steps.push_back({kMove, p.x, p.y});
        steps.push_back({kDown, p.x, p.y});
        steps.push_back({kUp, p.x, p.y});
    }
    steps.push_back({kDouble, points.back().x, points.back().y});
    steps.push_back({kUp, points.back().x, points.back().y});
    return steps;
}
std::vector<Step> Click(int x, int y) { return {{kMove, x, y}, {kDown, x, y}, {kUp, x, y}}; }

// One saved annotation as the engine reads it back.
struct Item {
    int kind = 0;
    int penWidth = 0;
    COLORREF penColor = 0;
    int points = 0;  // of a point list; 0 for any other kind
    bool locked = false;
    std::wstring text;
    RECT rect = {};
    SIZE picture = {};  // of a picture item, in pixels
    bool operator==(const Item& other) const {
        return kind == other.kind && penWidth == other.penWidth && penColor == other.penColor &&
               points == other.points &&
               locked == other.locked && text == other.text &&
               picture.cx == other.picture.cx && picture.cy == other.picture.cy;
    }
};
std::string Describe(const std::vector<Item>& items) {
    std::string out;
    for (const Item& item : items)
        out += std::to_string(item.kind) + " pen " + std::to_string(item.penWidth) + " colour " +
               std::to_string(item.penColor) + " points " +
               std::to_string(item.points) + (item.locked ? " locked" : "") + " text '" +
               std::string(item.text.begin(), item.text.end()) + "' picture " +
               std::to_string(item.picture.cx) + "x" + std::to_string(item.picture.cy) + " at " +
               std::to_string(item.rect.left) + "," + std::to_string(item.rect.top) + "-" +
               std::to_string(item.rect.right) + "," + std::to_string(item.rect.bottom) + "\n";
    return out;
}

bool IsPointList(int kind) {
    return kind == PolygonTool || kind == PolyLineTool || kind == LineTool ||
           kind == FreehandTool || kind == RulerTool;
}

// The annotations of the page's tag, in each layer's order.
std::vector<Item> SavedItems(const std::string& page) {
    std::vector<uint8_t> saved;
    EXPECT_TRUE(imaging::ReadTiffTag(page, kAnnotationTag, &saved)) << "no annotations saved";
    std::vector<Item> items;
    if (saved.empty()) return items;
    engine_test::EngineLibrary library;
    engine_test::TestHost engine(library);
    // Rectangles come back in pixels of the engine's host's image: make it
    // the page.
    engine_test::FakeServices& services = engine.Services();
    services.imageWidth = kPageWidth;
    services.imageHeight = kPageHeight;
    services.view = services.image = RECT{0, 0, kPageWidth, kPageHeight};
    engine->PrgSetImageMappingDimensions(kPageWidth, kPageHeight);
    EXPECT_EQ(0, engine->LoadAnnotationsFromMemory(saved.data(), static_cast<int>(saved.size()),
                                                   0, 0));
    for (int layer = engine->GetFirstLayer(); layer > 0; layer = engine->GetNextLayer()) {
        int seq = 0;
        for (engine->PrgGetFirstItem(layer, &seq); seq != 0; engine->PrgGetNextItem(layer, &seq)) {
            Item item;
            EngineValue value = 0;
            engine->PrgGetItemAttribute(layer, seq, QMK_ToolType, &value);
            item.kind = static_cast<int>(value);
            value = 0;
            engine->PrgGetItemAttribute(layer, seq, QMK_PenWidth, &value);
            item.penWidth = static_cast<int>(value);
            value = 0;
            engine->PrgGetItemAttribute(layer, seq, QMK_PenColor, &value);
            item.penColor = static_cast<COLORREF>(value);
            if (IsPointList(item.kind)) {
                // Points in a row at one place count once: the cursor put
                // on a point also moves the mouse there.
                POINT point = {}, last = {-1, -1};
                for (int i = 0; i < 100 && engine->PrgGetItemPoint(layer, seq, i, &point) == 0;
                     ++i, last = point)
                    if (point.x != last.x || point.y != last.y) ++item.points;
            }
            value = 0;
            engine->PrgGetItemAttribute(layer, seq, QMK_Locked, &value);
            item.locked = value != 0;
            value = 0;
            if (engine->PrgGetItemAttribute(layer, seq, QMK_Text, &value) == 0 && value) {
                BSTR bstr = reinterpret_cast<BSTR>(value);
                item.text.assign(bstr, SysStringLen(bstr));
                SysFreeString(bstr);
            }
            engine->PrgGetItemRect(layer, seq, &item.rect);
            value = 0;
            if (item.kind == ImageTool &&
                engine->PrgGetItemAttribute(layer, seq, QMK_ItemDib, &value) == 0 && value) {
                HGLOBAL copy = reinterpret_cast<HGLOBAL>(value);
                if (const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(copy))) {
                    item.picture = {header->biWidth, header->biHeight};
                    GlobalUnlock(copy);
                }
                GlobalFree(copy);
            }
            items.push_back(item);
        }
    }
    return items;
}

class HostTools : public ::testing::Test {
protected:
    // A white page that the view shows at its natural size.
    std::string WritePage(const std::string& name) {
        const std::string path = folder_ / name;
        imaging::Raster page;
        page.width = kPageWidth;
        page.height = kPageHeight;
        page.layout = imaging::PixelLayout::Bilevel;
        page.pixels.assign(page.RowBytes() * page.height, 0);
        std::string error;
        EXPECT_TRUE(imaging::WriteTiffFile(path, page, {}, &error)) << error;
        return path;
    }

    // Starts the host on the page; false when its windows do not come.
    bool Start(const std::string& page) {
        host_.reset(new Program(HostCommand(page)));
        form_ = host_->WaitForForm("HostForm");
        if (!form_) return false;
        HWND site = FindComponent(form_, "Viewer1");
        view_ = site ? GetWindow(site, GW_CHILD) : nullptr;
        palette_ = WaitForWindow(*host_, "ToolPalette");
        toolbar_ = palette_ ? FindComponent(palette_, "PaletteButtons") : nullptr;
        return view_ && toolbar_;
    }
    void Stop() {
        PostMessageW(form_, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, host_->WaitForExit());
        host_.reset();
    }
    std::string Status() { return TextOf(FindComponent(form_, "StatusLabel")); }
    // The status without the note of unsaved changes that follows it.
    std::string ToolStatus()
    {
        std::string status = Status();
        const std::string note = " - unsaved changes";
        if (status.size() >= note.size() && status.compare(status.size() - note.size(), note.size(), note) == 0)
            status.erase(status.size() - note.size());
        return status;
    }

    // The button rectangle of a tool in the palette's toolbar. The buttons
    // stand in a grid of 39 x 38 cells filled row by row (what the toolbar
    // would write down for us lies in the host's memory, which this process
    // cannot read under every emulator).
    RECT ButtonRect(int tool) {
        RECT rect = {};
        const LRESULT index = SendMessageW(toolbar_, TB_COMMANDTOINDEX, tool, 0);
        RECT client = {};
        GetClientRect(toolbar_, &client);
        const int columns = client.right / 39;
        if (index < 0 || columns <= 0) return rect;
        rect.left = static_cast<int>(index % columns) * 39;
        rect.top = static_cast<int>(index / columns) * 38;
        rect.right = rect.left + 39;
        rect.bottom = rect.top + 38;
        return rect;
    }

    // A click on the tool's palette button, as a person's.
    void PickOnPalette(int tool) {
        const RECT rect = ButtonRect(tool);
        ASSERT_LT(rect.left, rect.right) << "no button for " << tool;
        POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        POINT screen = point;
        ClientToScreen(toolbar_, &screen);
        SetCursorPos(screen.x, screen.y);
        const LPARAM at = MAKELPARAM(point.x, point.y);
        SendMessageW(toolbar_, WM_MOUSEMOVE, 0, at);
        SendMessageW(toolbar_, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(toolbar_, WM_LBUTTONUP, 0, at);
    }

    // A message to the view with the cursor on its point first.
    void ToView(UINT message, WPARAM keys, int x, int y) {
        POINT screen = {x, y};
        ClientToScreen(view_, &screen);
        SetCursorPos(screen.x, screen.y);
        SendMessageW(view_, message, keys, MAKELPARAM(x, y));
    }
    void Gesture(const std::vector<Step>& steps) {
        for (const Step& step : steps)
            ToView(step.message, step.message == kDown || step.message == kDouble ? MK_LBUTTON : 0,
                   step.x, step.y);
    }
    void Type(const std::wstring& text) {
        for (wchar_t c : text) SendMessageW(view_, WM_CHAR, c, 1);
    }

    // Walks the menu that opening brings up with the keys a person presses:
    // down to the row, right into its submenu (subDowns >= 0) and down to
    // the entry, Return. False when no menu opened or it did not close.
    template <typename Opening>
    bool ChooseFromMenu(Opening open, int downs, int subDowns) {
        const DWORD thread = GetWindowThreadProcessId(form_, nullptr);
        open();
        HWND menu = nullptr;
        for (int i = 0; i < 500 && !menu; ++i, Sleep(20)) menu = OpenMenu(thread);
        if (!menu) return false;
        auto press = [menu](WPARAM key) {
            PostMessageW(menu, WM_KEYDOWN, key, 1);
            PostMessageW(menu, WM_KEYUP, key, 0xC0000001);
        };
        for (int i = 0; i < downs; ++i) press(VK_DOWN);
        if (subDowns >= 0) {
            press(VK_RIGHT);
            for (int i = 0; i < subDowns; ++i) press(VK_DOWN);
        }
        press(VK_RETURN);
        for (int i = 0; i < 500 && OpenMenu(thread); ++i) Sleep(20);
        return OpenMenu(thread) == nullptr;
    }
    // The context menu of the item under a point of the view.
    bool ChooseFromContextMenu(POINT at, int downs, int subDowns) {
        const bool chosen = ChooseFromMenu(
            [&] {
                POINT screen = at;
                ClientToScreen(view_, &screen);
                SetCursorPos(screen.x, screen.y);
                SendMessageW(view_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
                // The release opens the menu, which holds the host until
                // it closes.
                PostMessageW(view_, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
            },
            downs, subDowns);
        SendMessageW(form_, WM_NULL, 0, 0);  // the choice has been carried out
        return chosen;
    }
    // The menu of a tool's palette button, opened as a right click does.
    bool ChooseFromPaletteMenu(int tool, int downs, int subDowns) {
        return ChooseFromMenu(
            [&] {
                const RECT rect = ButtonRect(tool);
                POINT screen = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
                ClientToScreen(toolbar_, &screen);
                SetCursorPos(screen.x, screen.y);
                PostMessageW(toolbar_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(toolbar_),
                             MAKELPARAM(screen.x, screen.y));
            },
            downs, subDowns);
    }

    // The host's open dialog (a modal one holds its thread), waited for.
    HWND WaitForDialog() {
        const DWORD thread = GetWindowThreadProcessId(form_, nullptr);
        for (int i = 0; i < 500; ++i, Sleep(20))
            for (HWND window = FindWindowExA(nullptr, nullptr, "#32770", nullptr); window;
                 window = FindWindowExA(nullptr, window, "#32770", nullptr))
                if (IsWindowVisible(window) && GetWindowThreadProcessId(window, nullptr) == thread)
                    return window;
        return nullptr;
    }

    testkit::TempFolder folder_;
    std::unique_ptr<Program> host_;
    HWND form_ = nullptr;
    HWND view_ = nullptr;
    HWND palette_ = nullptr;
    HWND toolbar_ = nullptr;
};

TEST_F(HostTools, EveryPaletteToolDrawsItsKindAndTheContextMenuChangesItAllSavedAndShownAgain) {
    const std::string page = WritePage("page.tif");
    ASSERT_TRUE(Start(page)) << "the host's view or its tool palette is missing";
    EXPECT_TRUE(IsWindowVisible(palette_));
    // How the view maps its points to the page's pixels.
    static const UINT query = RegisterWindowMessageW(vistrel7::kStateQueryMessage);
    const LRESULT zoomMilli = SendMessageW(view_, query, vistrel7::StateZoomMilli, 0);
    const POINT scroll = {static_cast<LONG>(SendMessageW(view_, query, vistrel7::StateScrollX, 0)),
                          static_cast<LONG>(SendMessageW(view_, query, vistrel7::StateScrollY, 0))};
    ASSERT_GT(zoomMilli, 0);

    // The palette buttons' menus set what a tool draws next; a row opens the
    // colour or font dialog, which is closed with OK or Cancel. The rows are
    // counted in each tool's menu: the line's pen width is its second row
    // (a submenu of 0 to 9), the rectangle's pen colour its first, made in
    // the colour dialog's red, green and blue fields.
    struct Field {
        int id;
        const char* value;
    };
    struct PaletteChoice {
        int tool;
        int downs, subDowns;
        int dialogButton;  // 0: the row opens no dialog
        std::vector<Field> fields;
        const char* status;
    };
    const PaletteChoice paletteChoices[] = {
        {LineTool, 2, 6, 0, {}, "Line: pen width 6"},
        {RectangleTool, 1, -1, IDOK, {{706, "0"}, {707, "128"}, {708, "255"}},
         "Rectangle: new colour"},
        {TextTool, 2, -1, IDCANCEL, {}, "Text: colour kept"},  // Text color...
        {ButtonTool, 1, -1, IDOK, {}, "Button: new font"},     // Font...
    };
    for (const PaletteChoice& choice : paletteChoices) {
        SCOPED_TRACE(choice.status);
        ASSERT_TRUE(ChooseFromPaletteMenu(choice.tool, choice.downs, choice.subDowns));
        if (choice.dialogButton) {
            HWND dialog = WaitForDialog();
            ASSERT_NE(nullptr, dialog) << "no dialog";
            for (const Field& field : choice.fields)
                SendMessageA(GetDlgItem(dialog, field.id), WM_SETTEXT, 0,
                             reinterpret_cast<LPARAM>(field.value));
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(choice.dialogButton, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, choice.dialogButton)));
            for (int i = 0; i < 500 && IsWindow(dialog); ++i) Sleep(20);
        }
        SendMessageW(form_, WM_NULL, 0, 0);
        EXPECT_EQ(choice.status, Status());
    }

    // Each tool draws in its own part of the page.
    struct Drawing {
        int tool;
        const char* status;  // what the host says once the tool is picked
        std::vector<Step> steps;
        const wchar_t* typed;
    };
    const Drawing drawings[] = {
        {RectangleTool, "Rectangle", Drag(20, 20, 120, 80), nullptr},
        {EllipseTool, "Ellipse", Drag(160, 20, 260, 80), nullptr},
        {PolygonTool, "Polygon", Clicks({{300, 20}, {380, 20}, {340, 80}}), nullptr},
        {PolyLineTool, "Polyline", Clicks({{420, 20}, {460, 60}, {500, 20}, {540, 60}}), nullptr},
        {LineTool, "Line", Drag(20, 120, 120, 180), nullptr},
        {FreehandTool, "Freehand",
         DragThrough({{160, 120}, {180, 140}, {200, 130}, {220, 170}, {240, 150}}), nullptr},
        {RulerTool, "Ruler", Drag(300, 150, 500, 150), nullptr},
        {StampTool, "Stamp", Click(20, 240), nullptr},
        {ButtonTool, "Button", Drag(300, 240, 380, 280), nullptr},
        {TextTool, "Text", Click(20, 340), L"Hello"},
        // A click places the host's picture at its own size.
        {ImageTool, "Picture", Click(420, 340), nullptr},
    };
    for (const Drawing& drawing : drawings) {
        SCOPED_TRACE(drawing.status);
        PickOnPalette(drawing.tool);
        EXPECT_EQ(drawing.status, ToolStatus());
        Gesture(drawing.steps);
        if (drawing.typed) Type(drawing.typed);
    }
    // Picking the pointer ends the text.
    PickOnPalette(PointerTool);
    EXPECT_EQ("Pointer - unsaved changes", Status());

    // Through the context menu: the rectangle's pen width (third row, its
    // submenu of 0 to 9) becomes 5 and the ellipse is locked (its sixth
    // row); the row counts come from the menus of those kinds.
    struct MenuChoice {
        const char* what;
        POINT at;
        int downs, subDowns;
    };
    const MenuChoice choices[] = {
        {"rectangle: Pen width, 5", {20, 50}, 3, 5},
        {"ellipse: Locked", {160, 50}, 5, -1},
    };
    for (const MenuChoice& choice : choices)
        EXPECT_TRUE(ChooseFromContextMenu(choice.at, choice.downs, choice.subDowns)) << choice.what;

    forms::probe::Click(FindComponent(form_, "SaveButton"));
    EXPECT_EQ(0u, Status().find("Saved")) << Status();
    Stop();

    const std::vector<Item> expected = {
        // kind, pen width and colour (the tools' defaults unless changed
        // above), points, locked, text
        {RectangleTool, 5, RGB(0, 128, 255), 0, false, L""},
        {EllipseTool, 1, 0xFF0000, 0, true, L""},
        {PolygonTool, 2, 0xFFFF00, 3, false, L""},
        {PolyLineTool, 2, 0x8020FF, 4, false, L""},
        {LineTool, 6, 0xFF0000, 2, false, L""},
        {FreehandTool, 2, 0xFF00FF, 5, false, L""},
        {RulerTool, 2, 0xFF0000, 2, false, L""},
        {StampTool, 0, 0xFF00FF, 0, false, L"Approved"},
        {ButtonTool, 4, 0, 0, false, L""},  // a button has no pen colour
        {TextTool, 0, 0xFF10FF, 0, false, L"Hello"},
        {ImageTool, 1, 0xFF0000, 0, false, L"", {}, {32, 24}},  // the host's own picture
    };
    const std::vector<Item> saved = SavedItems(page);
    EXPECT_EQ(expected, saved) << Describe(saved);
    // Each lies where it was drawn: its rectangle holds every point of its
    // gesture, on the page (a pixel either way for the rounding).
    for (size_t i = 0; i < saved.size() && i < std::size(drawings); ++i) {
        RECT around = saved[i].rect;
        InflateRect(&around, 1, 1);
        for (const Step& step : drawings[i].steps) {
            const POINT onPage = {MulDiv(step.x + scroll.x, 1000, static_cast<int>(zoomMilli)),
                                  MulDiv(step.y + scroll.y, 1000, static_cast<int>(zoomMilli))};
            EXPECT_TRUE(onPage.x >= around.left && onPage.x <= around.right &&
                        onPage.y >= around.top && onPage.y <= around.bottom)
                << drawings[i].status << ": " << onPage.x << "," << onPage.y << " outside "
                << Describe({saved[i]});
        }
    }

    // The picture covers as much of the page as its pixels do in the view.
    if (!saved.empty() && saved.back().kind == ImageTool) {
        const Item& picture = saved.back();
        EXPECT_NEAR(MulDiv(picture.picture.cx, 1000, static_cast<int>(zoomMilli)),
                    picture.rect.right - picture.rect.left, 1);
        EXPECT_NEAR(MulDiv(picture.picture.cy, 1000, static_cast<int>(zoomMilli)),
                    picture.rect.bottom - picture.rect.top, 1);
    }

    // A fresh host shows all of it, and saving there keeps it.
    ASSERT_TRUE(Start(page));
    EXPECT_NE(std::string::npos, Status().find(std::to_string(expected.size()) + " annotations"))
        << Status();
    forms::probe::Click(FindComponent(form_, "SaveButton"));
    Stop();
    EXPECT_EQ(saved, SavedItems(page)) << Describe(SavedItems(page));
}

// The bytes of a .bmp file: a file header, then the packed DIB.
std::vector<uint8_t> BitmapFile(int width, int height, size_t pixelBytes) {
    std::vector<uint8_t> file(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + pixelBytes);
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;  // "BM"
    fileHeader.bfSize = static_cast<DWORD>(file.size());
    fileHeader.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    memcpy(file.data(), &fileHeader, sizeof(fileHeader));
    memcpy(file.data() + sizeof(fileHeader), &header, sizeof(header));
    return file;
}

TEST_F(HostTools, ThePictureRowTakesABitmapFileAndKeepsThePictureForAnyOtherFile) {
    const std::string page = WritePage("page.tif");
    ASSERT_TRUE(Start(page)) << "the host's view or its tool palette is missing";
    // Chosen one after the other in the open dialog of the picture tool's
    // "Picture..." row; the last one is the picture a click places.
    const std::string text = "not a picture";
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* status;  // how the status line ends, or begins with "Picture: "
    };
    const Case cases[] = {
        {"words.bmp", std::vector<uint8_t>(text.begin(), text.end()),
         "is not a BMP picture; picture kept"},
        {"short.bmp", BitmapFile(100, 100, 12),
         "is not a picture the tool can use; picture kept"},
        {"small.bmp", BitmapFile(16, 8, 8 * 48), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = folder_ / c.name;
        testkit::WriteBytes(path, c.bytes);
        ASSERT_TRUE(testkit::FileExists(path));
        ASSERT_TRUE(ChooseFromPaletteMenu(ImageTool, 1, -1));
        HWND dialog = WaitForDialog();
        ASSERT_NE(nullptr, dialog) << "no open dialog";
        // The file name field (an edit in a combo box, or a plain edit).
        HWND field = GetDlgItem(dialog, cmb13);
        if (!field) field = GetDlgItem(dialog, edt1);
        ASSERT_NE(nullptr, field);
        SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        for (int i = 0; i < 500 && IsWindow(dialog); ++i) Sleep(20);
        SendMessageW(form_, WM_NULL, 0, 0);
        const std::string status = Status();
        if (c.status)
            EXPECT_EQ(status.size() - strlen(c.status), status.rfind(c.status)) << status;
        else
            EXPECT_EQ("Picture: " + path, status);
    }

    PickOnPalette(ImageTool);
    Gesture(Click(100, 100));
    forms::probe::Click(FindComponent(form_, "SaveButton"));
    Stop();
    const std::vector<Item> saved = SavedItems(page);
    ASSERT_EQ(1u, saved.size()) << Describe(saved);
    EXPECT_EQ(ImageTool, saved[0].kind);
    EXPECT_EQ(16, saved[0].picture.cx);
    EXPECT_EQ(8, saved[0].picture.cy);
}

} // namespace
