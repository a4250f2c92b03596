// The context menu of an item as the user meets it: a right click on a drawn
// item shows the item's attributes, the commands that apply and the host's
// items; each choice is carried out on the item and reported. The screen
// cursor is moved onto the host's window and the menu is modal: these run
// alone.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine_test_host.h"
#include "host_window.h"
#include "menu_driver.h"
#include "packed_images.h"

using namespace engine_test;

namespace {

struct Bstr {
    explicit Bstr(const wchar_t* text = nullptr) : text(text ? SysAllocString(text) : nullptr) {}
    ~Bstr() { SysFreeString(text); }
    BSTR text;
};

void EmptyTheClipboard()
{
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
}

MenuEntry Entry(const wchar_t* caption, bool checked = false, std::vector<MenuEntry> sub = {})
{
    MenuEntry entry;
    entry.caption = caption;
    entry.checked = checked;
    entry.submenu = std::move(sub);
    return entry;
}

MenuEntry Separator()
{
    MenuEntry entry;
    entry.separator = true;
    return entry;
}

std::vector<MenuEntry> Numbers(int ticked)
{
    std::vector<MenuEntry> numbers;
    for (int i = 0; i <= 9; ++i)
        numbers.push_back(Entry(std::to_wstring(i).c_str(), i == ticked));
    return numbers;
}

// The sub-items of the attributes with lists of values, the entry of the
// item's value ticked.
std::vector<MenuEntry> Ticked(std::initializer_list<const wchar_t*> captions, int ticked)
{
    std::vector<MenuEntry> entries;
    int i = 0;
    for (const wchar_t* caption : captions)
        entries.push_back(Entry(caption, i++ == ticked));
    return entries;
}
std::vector<MenuEntry> Orientations(int ticked)
{
    return Ticked({L"0", L"90", L"180", L"270"}, ticked);
}
std::vector<MenuEntry> BackStyles(int ticked, bool translucent = true)
{
    std::vector<MenuEntry> styles = Ticked({L"Opaque", L"Transparent", L"Translucent"}, ticked);
    if (!translucent)
        styles.pop_back();
    return styles;
}
std::vector<MenuEntry> Hatches()
{
    return Ticked({L"None", L"Horizontal", L"Vertical", L"Diagonal down, left to right",
                   L"Diagonal up, left to right", L"Cross hatch", L"Diagonal cross"},
                  0);
}
std::vector<MenuEntry> PenStyles()
{
    return Ticked({L"________", L"_ _ _ _ _ _", L"...............", L"_._._._._.",
                   L"_.._.._.._.."},
                  0);
}
std::vector<MenuEntry> PenFills()
{
    return Ticked({L"Opaque", L"Translucent", L"Invert"}, 0);
}
std::vector<MenuEntry> Units()
{
    return Ticked({L"Inches", L"Feet", L"Yards", L"Miles", L"MicroMeters", L"Millimeters",
                   L"Centimeters", L"Decimeters", L"Meters", L"Dekameters", L"Kilometers",
                   L"Pixels", L"Twips"},
                  0);
}

// The captions, separators, ticks, grey and submenus of a shown menu.
void ExpectMenu(const std::vector<MenuEntry>& expected, const std::vector<MenuEntry>& shown,
                const std::string& label)
{
    ASSERT_EQ(expected.size(), shown.size()) << label << "\n" << Describe(shown);
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_EQ(expected[i].caption, shown[i].caption) << label << " " << i;
        EXPECT_EQ(expected[i].separator, shown[i].separator) << label << " " << i;
        EXPECT_EQ(expected[i].checked, shown[i].checked) << label << " " << i;
        EXPECT_EQ(expected[i].grayed, shown[i].grayed) << label << " " << i;
        EXPECT_EQ(expected[i].submenu, shown[i].submenu) << label << " " << i;
    }
}

class ContextMenuOfAnItem : public ::testing::Test {
protected:
    ContextMenuOfAnItem() : host(library)
    {
        EmptyTheClipboard();
        host->SetHostWindow(window.hwnd());
        layer = host->CreateLayer(1);
    }
    ~ContextMenuOfAnItem() override { EmptyTheClipboard(); }

    int Draw(int tool, int x1, int y1, int x2, int y2)
    {
        host->SetTool(layer, tool);
        window.Drag(host.Engine(), x1, y1, x2, y2);
        host->SetTool(layer, PointerTool);
        return LastItem();
    }

    // Right-clicks at a point with a driver that picks (top, sub).
    std::vector<MenuEntry> RightClick(int x, int y, const wchar_t* top = L"",
                                      const wchar_t* sub = L"", int dialogButton = 0)
    {
        host.ClearCalls();
        MenuDriver driver(top, sub);
        if (dialogButton)
            driver.CloseDialogWith(dialogButton);
        window.Send(host.Engine(), WM_RBUTTONDOWN, MK_RBUTTON, x, y);
        window.Send(host.Engine(), WM_RBUTTONUP, 0, x, y);
        EXPECT_TRUE(driver.MenuSeen());
        if (dialogButton) {
            EXPECT_TRUE(driver.DialogSeen());
        }
        return driver.Shown();
    }

    // The menu reports: item changes, the host's items and every menu choice.
    std::vector<ChannelCall> MenuCalls() const
    {
        std::vector<ChannelCall> calls;
        for (const ChannelCall& call : host.Calls())
            if (call.channel == Channel_ItemChanged || call.channel == Channel_ContextMenuSelect ||
                call.channel == Channel_MenuSelect)
                calls.push_back(call);
        return calls;
    }

    int Attribute(int seq, int code)
    {
        EngineValue value = 0;
        EXPECT_EQ(0, host->PrgGetItemAttribute(layer, seq, code, &value));
        return static_cast<int>(value);
    }

    int LastItem()
    {
        int seq = 0, last = 0;
        for (host->PrgGetFirstItem(layer, &seq); seq != 0; host->PrgGetNextItem(layer, &seq))
            last = seq;
        return last;
    }

    // Presses and releases at each point, then a double click at the last:
    // how a user makes a polygon or a polyline.
    void ClickPoints(const std::vector<POINT>& points)
    {
        for (const POINT& p : points) {
            window.Send(host.Engine(), WM_MOUSEMOVE, 0, p.x, p.y);
            window.Click(host.Engine(), p.x, p.y);
        }
        const POINT last = points.back();
        window.Send(host.Engine(), WM_LBUTTONDBLCLK, MK_LBUTTON, last.x, last.y);
        window.Send(host.Engine(), WM_LBUTTONUP, 0, last.x, last.y);
    }

    // An item of the tool made as the user makes one, with its own defaults,
    // at the top left of (100, 100); 0 when none was made. `on` is a point
    // of the window on the item.
    int Make(int tool, POINT* on)
    {
        *on = POINT{150, 100};
        host->SetTool(layer, tool);
        switch (tool) {
        case TextTool: {
            window.Click(host.Engine(), 100, 100);
            for (wchar_t c : std::wstring(L"Note"))
                host->KeyMessage(window.hwnd(), WM_CHAR, c, 1);
            host->FocusMessage(WM_KILLFOCUS);
            *on = POINT{104, 104};
            break;
        }
        case PolygonTool:
            ClickPoints({{100, 100}, {200, 100}, {150, 180}});
            *on = POINT{150, 130};
            break;
        case PolyLineTool:
            ClickPoints({{100, 100}, {200, 100}, {200, 180}});
            break;
        case LineTool:
        case RulerTool:
        case FreehandTool:
            window.Drag(host.Engine(), 100, 100, 200, 100);
            *on = POINT{125, 100};
            break;
        case StampTool: {
            Bstr text(L"Stamp");
            host->SetToolAttribute(layer, StampTool, QMK_Text,
                                   reinterpret_cast<EngineValue>(text.text));
            window.Click(host.Engine(), 100, 100);
            *on = POINT{104, 104};
            break;
        }
        case ImageTool: {
            HGLOBAL picture = WhiteImage(40, 30);
            host->SetToolAttribute(layer, ImageTool, QMK_DibPtr,
                                   reinterpret_cast<EngineValue>(picture));
            GlobalFree(picture);
            window.Click(host.Engine(), 100, 100);
            *on = POINT{110, 110};
            break;
        }
        default:
            window.Drag(host.Engine(), 100, 100, 200, 150);
            *on = POINT{150, 125};
            break;
        }
        host->SetTool(layer, PointerTool);
        return LastItem();
    }

    EngineLibrary library;
    TestHost host;
    HostWindow window;
    int layer = 0;
};

TEST_F(ContextMenuOfAnItem, OffersTheAttributesOfItsToolThenTheCommandsThatApply)
{
    const std::vector<MenuEntry> hatches = {
        Entry(L"None", true), Entry(L"Horizontal"), Entry(L"Vertical"),
        Entry(L"Diagonal down, left to right"), Entry(L"Diagonal up, left to right"),
        Entry(L"Cross hatch"), Entry(L"Diagonal cross")};
    const std::vector<MenuEntry> shapeMenu = {
        Entry(L"Pen color..."),
        Entry(L"Fill color..."),
        Entry(L"Pen width", false, Numbers(1)),
        Entry(L"BackStyle", false,
              {Entry(L"Opaque", true), Entry(L"Transparent"), Entry(L"Translucent")}),
        Entry(L"Locked"),
        Entry(L"Moveable", true),
        Entry(L"Sizeable", true),
        Entry(L"Hatch style", false, hatches),
        Entry(L"Hatch color..."),
        Separator(),
        Entry(L"Cu&t"),
        Entry(L"&Copy"),
        Entry(L"&Delete"),
    };
    struct Case {
        int tool;
        std::vector<MenuEntry> expected;
    };
    const Case cases[] = {{RectangleTool, shapeMenu}, {EllipseTool, shapeMenu}};
    for (const Case& c : cases) {
        host->PrgDeleteAll(layer);
        Draw(c.tool, 100, 100, 200, 150);
        ExpectMenu(c.expected, RightClick(150, 125), std::to_string(c.tool));
    }
}

// Every other class: the attributes of its tool's defaults in ascending
// code, each ticked after the item's value, then the commands for the
// front-most item of two with a layer on the clipboard, then the host's item.
TEST_F(ContextMenuOfAnItem, EveryClassOffersTheAttributesOfItsToolsDefaults)
{
    const std::vector<MenuEntry> commands = {
        Separator(), Entry(L"Nudge down"), Entry(L"Send to back"), Entry(L"Cu&t"),
        Entry(L"&Copy"), Entry(L"&Paste"), Entry(L"&Delete"), Separator(), Entry(L"Host item"),
    };
    // The classes with a text begin alike: colours, pen width, font, back style.
    auto lettered = [](int penWidth, std::vector<MenuEntry> backStyles) {
        return std::vector<MenuEntry>{
            Entry(L"Pen color..."),
            Entry(L"Text color..."),
            Entry(L"Back color..."),
            Entry(L"Pen width", false, Numbers(penWidth)),
            Entry(L"Font..."),
            Entry(L"BackStyle", false, std::move(backStyles)),
            Entry(L"Locked"),
            Entry(L"Moveable", true),
        };
    };
    // Text and stamps go on alike; only text has its lock and justification.
    auto textual = [&](int penWidth, int backStyle, bool text) {
        std::vector<MenuEntry> menu = lettered(penWidth, BackStyles(backStyle));
        menu.push_back(Entry(L"Text orientation", false, Orientations(0)));
        menu.push_back(Entry(L"Sizeable", true));
        if (text)
            menu.push_back(Entry(L"Text locked"));
        menu.push_back(Entry(L"Hatch style", false, Hatches()));
        menu.push_back(Entry(L"Hatch color..."));
        if (text)
            menu.push_back(
                Entry(L"Text justification", false,
                      Ticked({L"Left justify", L"Right justify", L"Center justify"}, 0)));
        return menu;
    };
    const std::vector<MenuEntry> polygon = {
        Entry(L"Pen color..."),
        Entry(L"Fill color..."),
        Entry(L"Pen width", false, Numbers(2)),
        Entry(L"BackStyle", false, BackStyles(0)),
        Entry(L"Locked"),
        Entry(L"Moveable", true),
        Entry(L"Sizeable", true),
        Entry(L"Hatch style", false, Hatches()),
        Entry(L"Hatch color..."),
    };
    const std::vector<MenuEntry> lineTail = {
        Entry(L"Pen style", false, PenStyles()),
        Entry(L"Pen fill style", false, PenFills()),
        Entry(L"Sizeable", true),
    };
    std::vector<MenuEntry> line = {
        Entry(L"Pen color..."),
        Entry(L"Pen width", false, Numbers(2)),
        Entry(L"Locked"),
        Entry(L"Moveable", true),
    };
    line.insert(line.end(), lineTail.begin(), lineTail.end());
    std::vector<MenuEntry> ruler = lettered(2, BackStyles(1, false));
    ruler.insert(ruler.end(), lineTail.begin(), lineTail.end());
    for (MenuEntry entry : {Entry(L"Abbreviation"), Entry(L"Measurement", false, Units()),
                            Entry(L"Length", true), Entry(L"Gauge", true)})
        ruler.push_back(entry);
    // A picture's is a polygon's with a pen width of 1 and the transparent colour.
    std::vector<MenuEntry> image = polygon;
    image[2] = Entry(L"Pen width", false, Numbers(1));
    image.insert(image.begin() + 3, Entry(L"Transparent color..."));
    const std::vector<MenuEntry> button = {
        Entry(L"Text color..."),
        Entry(L"Back color..."),
        Entry(L"Pen width", false, Numbers(4)),
        Entry(L"Font..."),
        Entry(L"Locked"),
        Entry(L"BevelLightColor..."),
        Entry(L"BevelShadowColor..."),
        Entry(L"Moveable", true),
        Entry(L"Sizeable", true),
    };
    struct Case {
        const char* name;
        int tool;
        int wangType;  // 0: the tool's own
        std::vector<MenuEntry> attributes;
    };
    const Case cases[] = {
        {"typed text", TextTool, 0, textual(0, 0, true)},
        {"note", TextTool, 10, textual(1, 0, true)},
        {"polygon", PolygonTool, 0, polygon},
        {"polyline", PolyLineTool, 0, line},
        {"line", LineTool, 0, line},
        {"freehand", FreehandTool, 0, line},
        {"ruler", RulerTool, 0, ruler},
        {"stamp", StampTool, 0, textual(0, 1, false)},
        {"image", ImageTool, 0, image},
        {"button", ButtonTool, 0, button},
    };
    Bstr hostItem(L"Host item");
    ASSERT_EQ(0, host->AddContextMenuItem(20001, 0, hostItem.text, 5, 6));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host->PrgDeleteAll(layer);
        Draw(RectangleTool, 400, 400, 500, 450);
        POINT on = {};
        const int seq = Make(c.tool, &on);
        ASSERT_NE(0, seq);
        if (c.wangType) {
            ASSERT_EQ(0, host->PrgSetItemAttribute(layer, seq, QMK_WangType, c.wangType));
        }
        ASSERT_EQ(0, host->CopyToClipboard(layer, 0));
        std::vector<MenuEntry> expected = c.attributes;
        expected.insert(expected.end(), commands.begin(), commands.end());
        ExpectMenu(expected, RightClick(on.x, on.y), c.name);
    }
    // The host's item is the host's to carry out: it hears of it with the
    // item, then of the choice with the item's user values.
    POINT on = {};
    const int seq = Make(ButtonTool, &on);
    RightClick(on.x, on.y, L"Host item");
    const std::vector<ChannelCall> expected = {
        {Channel_ContextMenuSelect, {20001, layer, seq}},
        {Channel_MenuSelect, {1, 0, 20001, 0, 5, 6, layer, seq}},
    };
    EXPECT_EQ(expected, MenuCalls()) << Describe(host.Calls());
}

// Each attribute command of each class, in turn on one item of the class:
// the item's new value, the reports (a change on channel 8 only when the
// value changed, then the choice on channel 17), and the chosen entry's tick
// in the next menu. Colour dialogs are closed with OK (they open with the
// item's colour, so nothing changes), the font dialog with Cancel.
TEST_F(ContextMenuOfAnItem, EveryClassCarriesOutItsAttributeCommands)
{
    struct Command {
        const wchar_t* top;
        const wchar_t* sub;
        int attribute;  // 11: the font, compared whole
        int value;      // the item's value afterwards
        int id;         // the choice reported
        int subId;
        bool changed;   // reported on channel 8
        bool ticked;    // the chosen entry in the next menu
        int dialog;     // the button that closes the dialog, 0 for none
    };
    auto colour = [](const wchar_t* top, int code, int value) {
        return Command{top, L"", code, value, code, 0, false, false, IDOK};
    };
    const Command font = {L"Font...", L"", QMK_Logfont, 0, QMK_Logfont, 0, false, false, IDCANCEL};
    auto flag = [](const wchar_t* top, int code, int value) {
        return Command{top, L"", code, value, code, 0, true, value != 0, 0};
    };
    auto pick = [](const wchar_t* top, const wchar_t* sub, int code, int value, int id, int subId) {
        return Command{top, sub, code, value, id, subId, true, true, 0};
    };
    auto penWidth = [&](const wchar_t* number) {
        const int n = number[0] - L'0';
        return pick(L"Pen width", number, QMK_PenWidth, n, QMK_PenWidth, n + 1);
    };
    auto backStyle = [&](const wchar_t* caption, int style) {
        return pick(L"BackStyle", caption, QMK_BackStyle, style, 3000, style);
    };
    auto penStyle = [&](const wchar_t* caption, int k) {
        return pick(L"Pen style", caption, QMK_PenStyle, k, QMK_PenStyle, 5000 + k);
    };
    auto penFill = [&](const wchar_t* caption, int style) {
        return pick(L"Pen fill style", caption, QMK_PenFillStyle, style, QMK_PenFillStyle, style);
    };
    auto hatch = [&](const wchar_t* caption, int style) {
        return pick(L"Hatch style", caption, QMK_HatchStyle, style, QMK_HatchStyle, style);
    };
    auto orientation = [&](const wchar_t* degrees, int tenths) {
        return pick(L"Text orientation", degrees, QMK_TextOrientation, tenths, 28,
                    tenths / 10 + 1);
    };
    // The colour entries by attribute.
    const std::pair<int, const wchar_t*> colourCaptions[] = {
        {QMK_PenColor, L"Pen color..."},
        {QMK_TextColor, L"Text color..."},
        {QMK_BackColor, L"Back color..."},
        {QMK_FillColor, L"Fill color..."},
        {QMK_TransparentColor, L"Transparent color..."},
        {QMK_HatchColor, L"Hatch color..."},
        {QMK_BevelLightColor, L"BevelLightColor..."},
        {QMK_BevelShadowColor, L"BevelShadowColor..."},
    };
    const int buttonText = static_cast<int>(GetSysColor(COLOR_BTNTEXT));
    const int buttonFace = static_cast<int>(GetSysColor(COLOR_BTNFACE));
    const int bevelLight = static_cast<int>(GetSysColor(COLOR_3DLIGHT));
    const int bevelShadow = static_cast<int>(GetSysColor(COLOR_BTNSHADOW));
    struct Case {
        const char* name;
        int tool;
        std::vector<std::pair<int, int>> colours;  // attribute, the item's value
        std::vector<Command> commands;  // then Locked, Moveable and Sizeable, which all have
    };
    const Case cases[] = {
        {"text",
         TextTool,
         {{QMK_PenColor, 0xFF10FF}, {QMK_TextColor, 0}, {QMK_BackColor, 0xFFFFFF},
          {QMK_HatchColor, 0}},
         {penWidth(L"3"), font, backStyle(L"Translucent", BackStyle_Translucent),
          orientation(L"180", 1800), flag(L"Text locked", QMK_TextLocked, 1),
          hatch(L"Vertical", HatchStyle_Vertical),
          pick(L"Text justification", L"Right justify", QMK_TextJustification,
               QMK_RightJustify, QMK_TextJustification, QMK_RightJustify)}},
        {"polygon",
         PolygonTool,
         {{QMK_PenColor, 0xFFFF00}, {QMK_FillColor, 255}, {QMK_HatchColor, 0}},
         {penWidth(L"5"), backStyle(L"Transparent", BackStyle_Transparent),
          hatch(L"Cross hatch", HatchStyle_Cross)}},
        {"polyline",
         PolyLineTool,
         {{QMK_PenColor, 0x8020FF}},
         {penWidth(L"1"), penStyle(L"_._._._._.", 3), penFill(L"Invert", LinePenFillStyle_Invert)}},
        {"line",
         LineTool,
         {{QMK_PenColor, 0xFF0000}},
         {penStyle(L"...............", 2), penFill(L"Translucent", LinePenFillStyle_Translucent)}},
        {"freehand",
         FreehandTool,
         {{QMK_PenColor, 0xFF00FF}},
         {penStyle(L"_ _ _ _ _ _", 1), penFill(L"Invert", LinePenFillStyle_Invert)}},
        {"ruler",
         RulerTool,
         {{QMK_PenColor, 0xFF0000}, {QMK_TextColor, 0}, {QMK_BackColor, 0xFFFFFF}},
         {penWidth(L"3"), font, backStyle(L"Opaque", BackStyle_Opaque),
          penStyle(L"_.._.._.._..", 4), penFill(L"Translucent", LinePenFillStyle_Translucent),
          flag(L"Abbreviation", QMK_ShowAbbr, 1),
          pick(L"Measurement", L"Millimeters", QMK_MeasureChoice, 2054, QMK_MeasureChoice, 2054),
          flag(L"Length", QMK_ShowLength, 0), flag(L"Gauge", QMK_ShowGauge, 0)}},
        {"stamp",
         StampTool,
         {{QMK_PenColor, 0xFF00FF}, {QMK_TextColor, 255}, {QMK_BackColor, 0xC00000},
          {QMK_HatchColor, 0}},
         {penWidth(L"2"), font, backStyle(L"Translucent", BackStyle_Translucent),
          orientation(L"90", 900), hatch(L"Diagonal cross", HatchStyle_DiagonalCross)}},
        {"image",
         ImageTool,
         {{QMK_PenColor, 0xFF0000}, {QMK_FillColor, 0x00FF00}, {QMK_TransparentColor, 0xFFFFFF},
          {QMK_HatchColor, 0}},
         {penWidth(L"2"), backStyle(L"Transparent", BackStyle_Transparent),
          hatch(L"Horizontal", HatchStyle_Horizontal)}},
        {"button",
         ButtonTool,
         {{QMK_TextColor, buttonText}, {QMK_BackColor, buttonFace},
          {QMK_BevelLightColor, bevelLight}, {QMK_BevelShadowColor, bevelShadow}},
         {penWidth(L"6"), font}},
    };
    auto find = [](const std::vector<MenuEntry>& shown, const Command& command) {
        for (const MenuEntry& top : shown) {
            if (top.caption != command.top)
                continue;
            if (!*command.sub)
                return &top;
            for (const MenuEntry& sub : top.submenu)
                if (sub.caption == command.sub)
                    return &sub;
        }
        return static_cast<const MenuEntry*>(nullptr);
    };
    auto fontOf = [&](int seq) {
        LOGFONTA read = {};
        EXPECT_EQ(0, host->PrgGetItemAttribute(layer, seq, QMK_Logfont,
                                                reinterpret_cast<EngineValue*>(&read)));
        return std::string(reinterpret_cast<const char*>(&read), sizeof(read));
    };
    for (const Case& c : cases) {
        host->PrgDeleteAll(layer);
        POINT on = {};
        const int seq = Make(c.tool, &on);
        ASSERT_NE(0, seq) << c.name;
        std::vector<Command> commands;
        for (const auto& colourOf : c.colours)
            for (const auto& caption : colourCaptions)
                if (caption.first == colourOf.first)
                    commands.push_back(colour(caption.second, colourOf.first, colourOf.second));
        commands.insert(commands.end(), c.commands.begin(), c.commands.end());
        commands.push_back(flag(L"Locked", QMK_Locked, 1));
        commands.push_back(flag(L"Moveable", QMK_Moveable, 0));
        commands.push_back(flag(L"Sizeable", QMK_Sizeable, 0));
        const Command* previous = nullptr;
        for (const Command& command : commands) {
            SCOPED_TRACE(std::string(c.name) + " " +
                         std::string(command.top, command.top + wcslen(command.top)));
            const std::string fontBefore = command.attribute == QMK_Logfont ? fontOf(seq) : "";
            const std::vector<MenuEntry> shown =
                RightClick(on.x, on.y, command.top, command.sub, command.dialog);
            if (previous) {
                const MenuEntry* entry = find(shown, *previous);
                ASSERT_TRUE(entry) << Describe(shown);
                EXPECT_EQ(previous->ticked, entry->checked) << Describe(shown);
            }
            ASSERT_TRUE(find(shown, command)) << Describe(shown);
            if (command.attribute == QMK_Logfont)
                EXPECT_EQ(fontBefore, fontOf(seq));
            else
                EXPECT_EQ(command.value, Attribute(seq, command.attribute));
            std::vector<ChannelCall> expected;
            if (command.changed)
                expected.push_back({Channel_ItemChanged, {layer, seq, command.attribute}});
            expected.push_back(
                {Channel_MenuSelect, {1, 0, command.id, command.subId, 0, 0, layer, seq}});
            EXPECT_EQ(expected, MenuCalls()) << Describe(host.Calls());
            previous = &command;
        }
        const std::vector<MenuEntry> last = RightClick(on.x, on.y);
        const MenuEntry* entry = find(last, *previous);
        ASSERT_TRUE(entry) << c.name << "\n" << Describe(last);
        EXPECT_EQ(previous->ticked, entry->checked) << c.name;
    }

    // The font dialog's OK gives the item the font it shows: the item's own
    // face, reported as a change only when its bytes differ.
    host->PrgDeleteAll(layer);
    POINT on = {};
    const int seq = Make(TextTool, &on);
    const std::string before = fontOf(seq);
    RightClick(on.x, on.y, L"Font...", L"", IDOK);
    const std::string after = fontOf(seq);
    const LOGFONTA* chosen = reinterpret_cast<const LOGFONTA*>(after.data());
    EXPECT_STREQ(reinterpret_cast<const LOGFONTA*>(before.data())->lfFaceName,
                 chosen->lfFaceName);
    std::vector<ChannelCall> expected;
    if (after != before)
        expected.push_back({Channel_ItemChanged, {layer, seq, QMK_Logfont}});
    expected.push_back({Channel_MenuSelect, {1, 0, QMK_Logfont, 0, 0, 0, layer, seq}});
    EXPECT_EQ(expected, MenuCalls()) << Describe(host.Calls());
}

// The host shapes the submenus of lists of values through the engine's
// captions and flags: an empty caption leaves its value out, and the whole
// entry when all are empty; a disabled value is greyed (the back styles are
// kept under the attribute's own code, 16).
TEST_F(ContextMenuOfAnItem, TheHostsCaptionsAndFlagsShapeTheListsOfValues)
{
    Bstr empty(L"");
    ASSERT_EQ(0, host->SetContextMenuString(27, 5509, empty.text, 0, 0, 0));
    ASSERT_EQ(0, host->ContextMenuSetItemEnabled(26, 5002, 0, 0));
    ASSERT_EQ(0, host->ContextMenuSetItemEnabled(16, 3003, 0, 0));
    ASSERT_EQ(0, host->ContextMenuSetItemVisible(38, 6001, 0, 0));
    auto entryOf = [](const std::vector<MenuEntry>& shown, const wchar_t* caption) {
        for (const MenuEntry& entry : shown)
            if (entry.caption == caption)
                return entry;
        return MenuEntry();
    };
    POINT on = {};
    Make(LineTool, &on);
    std::vector<MenuEntry> shown = RightClick(on.x, on.y);
    std::vector<MenuEntry> styles = PenStyles();
    styles[2].grayed = true;
    EXPECT_EQ(styles, entryOf(shown, L"Pen style").submenu) << Describe(shown);
    EXPECT_EQ(Ticked({L"Opaque", L"Invert"}, 0), entryOf(shown, L"Pen fill style").submenu)
        << Describe(shown);

    ASSERT_EQ(0, host->SetContextMenuString(27, 5513, empty.text, 0, 0, 0));
    ASSERT_EQ(0, host->SetContextMenuString(27, 5507, empty.text, 0, 0, 0));
    shown = RightClick(on.x, on.y);
    EXPECT_TRUE(entryOf(shown, L"Pen fill style").caption.empty()) << Describe(shown);
    EXPECT_FALSE(entryOf(shown, L"Pen style").caption.empty()) << Describe(shown);

    host->PrgDeleteAll(layer);
    Make(StampTool, &on);
    shown = RightClick(on.x, on.y);
    std::vector<MenuEntry> backStyles = BackStyles(1);
    backStyles[2].grayed = true;
    EXPECT_EQ(backStyles, entryOf(shown, L"BackStyle").submenu) << Describe(shown);
    std::vector<MenuEntry> hatches = Hatches();
    hatches.erase(hatches.begin() + 2);
    EXPECT_EQ(hatches, entryOf(shown, L"Hatch style").submenu) << Describe(shown);
}

TEST_F(ContextMenuOfAnItem, ZOrderCommandsPasteAndHostItemsShowWhereTheyApply)
{
    const int bottom = Draw(RectangleTool, 100, 100, 200, 150);
    Draw(EllipseTool, 300, 100, 400, 150);
    Bstr hostItem(L"Host item");
    ASSERT_EQ(0, host->AddContextMenuItem(20001, 0, hostItem.text, 5, 6));
    ASSERT_EQ(0, host->CopyToClipboard(layer, 0));

    auto tail = [](const std::vector<MenuEntry>& shown) {
        std::vector<std::wstring> captions;
        bool commands = false;
        for (const MenuEntry& entry : shown) {
            if (entry.separator) {
                commands = true;
                captions.push_back(L"---");
            } else if (commands) {
                captions.push_back(entry.caption);
            }
        }
        return captions;
    };
    const std::vector<std::wstring> bottomTail = {L"---",   L"Nudge up", L"Bring to front",
                                                  L"Cu&t",  L"&Copy",    L"&Paste",
                                                  L"&Delete", L"---",    L"Host item"};
    EXPECT_EQ(bottomTail, tail(RightClick(150, 125)));
    const std::vector<std::wstring> topTail = {L"---",    L"Nudge down", L"Send to back",
                                               L"Cu&t",   L"&Copy",      L"&Paste",
                                               L"&Delete", L"---",       L"Host item"};
    EXPECT_EQ(topTail, tail(RightClick(350, 125)));
    (void)bottom;

    // The host's switches: an empty caption drops the entry, a disabled entry is grayed.
    Bstr empty(L"");
    ASSERT_EQ(0, host->SetContextMenuString(5, 0, empty.text, 0, 0, 0));
    ASSERT_EQ(0, host->ContextMenuSetItemEnabled(1, 0, 0, 0));
    std::vector<MenuEntry> shown = RightClick(150, 125);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(L"Pen color...", shown[0].caption);
    EXPECT_TRUE(shown[0].grayed);
    for (const MenuEntry& entry : shown)
        EXPECT_NE(L"Pen width", entry.caption);
}

TEST_F(ContextMenuOfAnItem, EachChoiceIsCarriedOutAndReported)
{
    struct Case {
        const wchar_t* top;
        const wchar_t* sub;
        int attribute;  // 0: no attribute to check
        int value;
        int id;
        int subId;
    };
    const Case cases[] = {
        {L"Pen width", L"3", QMK_PenWidth, 3, QMK_PenWidth, 4},
        {L"BackStyle", L"Transparent", QMK_BackStyle, BackStyle_Transparent, 3000,
         BackStyle_Transparent},
        {L"Locked", L"", QMK_Locked, 1, QMK_Locked, 0},
        {L"Moveable", L"", QMK_Moveable, 0, QMK_Moveable, 0},
        {L"Hatch style", L"Cross hatch", QMK_HatchStyle, 6004, QMK_HatchStyle, 6004},
    };
    const int seq = Draw(RectangleTool, 100, 100, 200, 150);
    for (const Case& c : cases) {
        RightClick(150, 125, c.top, c.sub);
        EXPECT_EQ(c.value, Attribute(seq, c.attribute)) << std::string(c.top, c.top + 3);
        const std::vector<ChannelCall> expected = {
            {Channel_ItemChanged, {layer, seq, c.attribute}},
            {Channel_MenuSelect, {1, 0, c.id, c.subId, 0, 0, layer, seq}},
        };
        EXPECT_EQ(expected, MenuCalls()) << Describe(host.Calls());
    }
    // Copy fills the clipboard; a dismissed menu and the colour dialog report their choice.
    RightClick(150, 125, L"&Copy");
    EXPECT_TRUE(host->IsPasteAvailable());
    EXPECT_EQ((std::vector<ChannelCall>{
                  {Channel_MenuSelect, {1, 0, QMK_Copy, 0, 0, 0, layer, seq}}}),
              MenuCalls());
    RightClick(150, 125);
    EXPECT_EQ((std::vector<ChannelCall>{{Channel_MenuSelect, {1, 0, 0, 0, 0, 0, layer, seq}}}),
              MenuCalls());
    for (int button : {IDOK, IDCANCEL}) {
        RightClick(150, 125, L"Pen color...", L"", button);
        EXPECT_EQ((std::vector<ChannelCall>{
                      {Channel_MenuSelect, {1, 0, QMK_PenColor, 0, 0, 0, layer, seq}}}),
                  MenuCalls())
            << button;
        EXPECT_EQ(0xFF0000, Attribute(seq, QMK_PenColor));
    }
}

TEST_F(ContextMenuOfAnItem, CommandsMoveCopyPasteAndDeleteItems)
{
    auto order = [&] {
        std::vector<int> seqs;
        int seq = 0;
        for (host->PrgGetFirstItem(layer, &seq); seq != 0 && seqs.size() < 20;
             host->PrgGetNextItem(layer, &seq))
            seqs.push_back(seq);
        return seqs;
    };
    Draw(RectangleTool, 100, 100, 200, 150);
    Draw(EllipseTool, 300, 100, 400, 150);
    RightClick(150, 125, L"Bring to front");
    EXPECT_EQ((std::vector<int>{2, 1}), order());
    RightClick(150, 125, L"Nudge down");
    EXPECT_EQ((std::vector<int>{1, 2}), order());
    RightClick(350, 125, L"&Copy");
    RightClick(350, 125, L"&Paste");
    EXPECT_EQ(3u, order().size());
    int tool = 0;
    host->GetTool(layer, &tool);
    EXPECT_EQ(PointerTool, tool);
    RightClick(150, 125, L"&Delete");
    EXPECT_EQ(2u, order().size());
    EXPECT_TRUE(MenuCalls().empty()) << "the item is gone: nothing to report";
    RightClick(350, 125, L"Cu&t");
    EXPECT_EQ(1u, order().size());
}

// A host that deletes the item from inside the report of its own menu item.
AnnotationEngine* g_engine = nullptr;
int g_layer = 0;
std::vector<int> g_walk;
int __stdcall DeleteTheItem(HostCookie, int, int layer, int seq)
{
    g_engine->PrgDeleteItem(layer, seq);
    return 0;
}
// One that walks the menu's list and deletes the entry the walk is on.
int __stdcall WalkAndDelete(HostCookie, int, int, int, int, int, int, int, int)
{
    int item = 0, sub = 0;
    g_walk.clear();
    for (g_engine->ContextMenuGetFirstItemID(&item, &sub); item != 0 && g_walk.size() < 100;
         g_engine->ContextMenuGetNextItemID(&item, &sub)) {
        if (item >= 20000)
            g_walk.push_back(item);
        if (item == 20001) {
            unsigned char deleted = 0;
            g_engine->ContextMenuDeleteItem(item, sub, &deleted);
        }
    }
    return 0;
}

TEST_F(ContextMenuOfAnItem, AHostMayDeleteTheItemOrTheMenusEntriesFromInsideItsReports)
{
    g_engine = host.Engine();
    g_layer = layer;
    Bstr one(L"One"), two(L"Two"), three(L"Three");
    host->AddContextMenuItem(20001, 0, one.text, 0, 0);
    host->AddContextMenuItem(20002, 0, two.text, 0, 0);
    host->AddContextMenuItem(20003, 0, three.text, 0, 0);
    const int seq = Draw(RectangleTool, 100, 100, 200, 150);

    host->RegisterCallback(Channel_MenuSelect, reinterpret_cast<void*>(&WalkAndDelete));
    RightClick(150, 125, L"Two");
    EXPECT_EQ((std::vector<int>{20001, 20002, 20003}), g_walk);
    Bstr caption;
    EXPECT_EQ(QMK_ErrInvalidContextMenuId, host->ContextMenuGetItem(20001, 0, &caption.text));

    host.RegisterRecorders();
    host->RegisterCallback(Channel_ContextMenuSelect, reinterpret_cast<void*>(&DeleteTheItem));
    RightClick(150, 125, L"Three");
    EngineValue value = 0;
    EXPECT_NE(0, host->PrgGetItemAttribute(layer, seq, QMK_PenWidth, &value));
    EXPECT_TRUE(MenuCalls().empty()) << Describe(host.Calls());
}

} // namespace
