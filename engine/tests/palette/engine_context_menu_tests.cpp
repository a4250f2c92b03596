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
        int seq = 0, last = 0;
        for (host->PrgGetFirstItem(layer, &seq); seq != 0; host->PrgGetNextItem(layer, &seq))
            last = seq;
        return last;
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
        std::vector<MenuEntry> shown = RightClick(150, 125);
        ASSERT_EQ(c.expected.size(), shown.size()) << c.tool << "\n" << Describe(shown);
        for (size_t i = 0; i < shown.size(); ++i) {
            EXPECT_EQ(c.expected[i].caption, shown[i].caption) << c.tool << " " << i;
            EXPECT_EQ(c.expected[i].separator, shown[i].separator) << c.tool << " " << i;
            EXPECT_EQ(c.expected[i].checked, shown[i].checked) << c.tool << " " << i;
            EXPECT_EQ(c.expected[i].grayed, shown[i].grayed) << c.tool << " " << i;
            EXPECT_EQ(c.expected[i].submenu, shown[i].submenu) << c.tool << " " << i;
        }
    }
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
