// The tool palette as the host meets it through the engine: its windows, the
// grid of buttons, tooltips, clicks and right clicks with their reports, the
// per-layer look and the host's own hiding, and the buttons' menus. A click
// needs the palette's window under no other, and menus are modal: these run
// alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <vector>

#include "engine_test_host.h"
#include "menu_driver.h"

using namespace engine_test;

namespace {

const int kButtonOrder[] = {PointerTool, TextTool,     RectangleTool, EllipseTool,
                            PolygonTool, PolyLineTool, LineTool,      FreehandTool,
                            StampTool,   ButtonTool,   ImageTool,     RulerTool};

struct Bstr {
    explicit Bstr(const wchar_t* text = nullptr) : text(text ? SysAllocString(text) : nullptr) {}
    ~Bstr() { SysFreeString(text); }
    BSTR text;
};

class Palette : public ::testing::Test {
protected:
    Palette() : host(library) {}

    void Activate()
    {
        host->ActivateToolbar(1);
        frame = reinterpret_cast<HWND>(static_cast<intptr_t>(host->GetToolbarHwnd()));
        toolbar = FindWindowExA(frame, nullptr, "MRV_Toolbar", nullptr);
    }

    SIZE Client() const
    {
        RECT rect = {};
        GetClientRect(frame, &rect);
        return SIZE{rect.right, rect.bottom};
    }

    // The centre of a tool's button on the screen.
    POINT ButtonCentre(int tool) const
    {
        RECT rect = {};
        const int index = static_cast<int>(SendMessageA(toolbar, TB_COMMANDTOINDEX, tool, 0));
        SendMessageA(toolbar, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
        POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        return point;
    }

    void Click(int tool) const
    {
        POINT point = ButtonCentre(tool);
        SendMessageA(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
        SendMessageA(toolbar, WM_LBUTTONUP, 0, MAKELPARAM(point.x, point.y));
    }

    void RightClick(int tool) const
    {
        POINT point = ButtonCentre(tool);
        ClientToScreen(toolbar, &point);
        SendMessageA(toolbar, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(toolbar),
                     MAKELPARAM(point.x, point.y));
    }

    struct Tip {
        int tool;
        RECT rect;
        std::string text;
    };
    std::vector<Tip> Tips() const
    {
        HWND tips = reinterpret_cast<HWND>(SendMessageA(toolbar, TB_GETTOOLTIPS, 0, 0));
        std::vector<Tip> found;
        const int count = static_cast<int>(SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[80] = {};
            TTTOOLINFOA info = {};
            info.cbSize = TTTOOLINFOA_V2_SIZE;
            info.lpszText = text;
            SendMessageA(tips, TTM_ENUMTOOLSA, i, reinterpret_cast<LPARAM>(&info));
            found.push_back({static_cast<int>(info.uId), info.rect, text});
        }
        return found;
    }

    EngineLibrary library;
    TestHost host;
    HWND frame = nullptr;
    HWND toolbar = nullptr;
};

TEST_F(Palette, WithoutAPaletteTheGridAndMenusAnswerErrors)
{
    EXPECT_EQ(0, host->GetToolbarHwnd());
    EXPECT_EQ(QMK_ErrInvalidItem, host->GetToolbarHeight());
    EXPECT_EQ(QMK_ErrInvalidItem, host->GetToolbarWidth());
    EXPECT_EQ(QMK_ErrInvalidItem, host->SetToolbarHeight(2));
    EXPECT_EQ(QMK_ErrInvalidItem, host->SetToolbarWidth(2));
    unsigned char flag = 9;
    EXPECT_EQ(QMK_ErrInvalidTool, host->MenuGetEnabled(EllipseTool, &flag));
    Bstr caption(L"A");
    EXPECT_EQ(QMK_ErrInvalidMenuId, host->ToolbarMenuAddItem(EllipseTool, 1, 0, caption.text, 0, 0));
    EXPECT_EQ(QMK_ErrInvalidMenuId, host->AddPaletteMenuItem(EllipseTool, 1, caption.text, 0, 0));
    EXPECT_EQ(E_FAIL, host->SetPaletteMenuSubitemChecked(EllipseTool, 1, 0, 1, 0));
    EXPECT_EQ(QMK_ErrInvalidTool, host->ToolbarSetToolTip(4095, caption.text));
    EXPECT_EQ(QMK_ErrInvalidTool, host->ToolbarGetToolTip(4109, &caption.text));
}

TEST_F(Palette, ActivatingMakesAHiddenFrameWithTwelveButtonsInFourRowsOfThree)
{
    Activate();
    ASSERT_NE(nullptr, frame);
    ASSERT_NE(nullptr, toolbar);
    char name[40] = {};
    GetClassNameA(frame, name, sizeof(name));
    EXPECT_STREQ("inkcore7_toolframe", name);
    EXPECT_FALSE(IsWindowVisible(frame));
    const LONG style = GetWindowLongA(frame, GWL_STYLE);
    EXPECT_EQ(static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU),
              style & static_cast<LONG>(WS_POPUP | WS_CAPTION | WS_SYSMENU));
    EXPECT_EQ(static_cast<LONG>(WS_EX_TOPMOST | WS_EX_TOOLWINDOW),
              GetWindowLongA(frame, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(host.Engine()), GetWindowLongPtrA(frame, GWLP_USERDATA));
    EXPECT_TRUE(GetWindowLongA(toolbar, GWL_STYLE) & TBSTYLE_FLAT);

    ASSERT_EQ(12, SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < 12; ++i) {
        TBBUTTON button = {};
        SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        EXPECT_EQ(kButtonOrder[i], button.idCommand) << i;
        EXPECT_EQ(i, button.iBitmap) << i;
    }
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONCHECKED, PointerTool, 0));
    EXPECT_EQ(4, host->GetToolbarHeight());
    EXPECT_EQ(3, host->GetToolbarWidth());
    EXPECT_EQ(117, Client().cx);
    EXPECT_EQ(152, Client().cy);
    // Activating again keeps the one palette.
    host->ActivateToolbar(1);
    EXPECT_EQ(frame, reinterpret_cast<HWND>(static_cast<intptr_t>(host->GetToolbarHwnd())));
}

TEST_F(Palette, TheGridIsRefittedForTheVisibleButtons)
{
    const int layer = host->CreateLayer(1);
    Activate();
    struct Case {
        std::vector<int> hidden;
        bool setColumns;
        int wish;
        int rows;
        int columns;
    };
    const Case cases[] = {
        {{}, true, 3, 4, 3},
        {{}, true, 4, 3, 4},
        {{}, true, 6, 2, 6},
        {{}, true, 12, 1, 12},
        {{}, true, 40, 1, 12},
        {{}, true, 0, 12, 1},
        {{}, false, 2, 2, 6},
        {{}, false, 6, 6, 2},
        {{}, false, 0, 6, 2},  // a wish of 0 below the rows does nothing
        {{TextTool, StampTool}, true, 3, 4, 3},
        {{TextTool, StampTool}, true, 5, 2, 5},
        {{TextTool, StampTool, ButtonTool, ImageTool, RulerTool, PolygonTool, PolyLineTool},
         true, 2, 3, 2},
    };
    for (const Case& c : cases) {
        for (int tool : kButtonOrder)
            host->ToolbarSetToolVisible(layer, tool, 1);
        for (int tool : c.hidden)
            host->ToolbarSetToolVisible(layer, tool, 0);
        if (c.setColumns)
            EXPECT_EQ(0, host->SetToolbarWidth(c.wish));
        else
            EXPECT_EQ(0, host->SetToolbarHeight(c.wish));
        EXPECT_EQ(c.rows, host->GetToolbarHeight()) << c.wish << " hidden " << c.hidden.size();
        EXPECT_EQ(c.columns, host->GetToolbarWidth()) << c.wish << " hidden " << c.hidden.size();
        EXPECT_EQ(c.columns * 39, Client().cx) << c.wish;
        EXPECT_EQ(c.rows * 38, Client().cy) << c.wish;
    }
}

TEST_F(Palette, TooltipsFollowTheGridAndTheHostsTexts)
{
    const int layer = host->CreateLayer(1);
    Bstr early(L"Pointer");
    ASSERT_EQ(0, host->ToolbarSetToolTip(PointerTool, early.text));
    Activate();
    Bstr ellipse(L"Ellipse");
    ASSERT_EQ(0, host->ToolbarSetToolTip(EllipseTool, ellipse.text));
    Bstr read;
    EXPECT_EQ(0, host->ToolbarGetToolTip(EllipseTool, &read.text));
    EXPECT_STREQ(L"Ellipse", read.text);

    std::vector<Tip> tips = Tips();
    ASSERT_EQ(12u, tips.size());
    for (const Tip& tip : tips) {
        int n = 0;
        while (kButtonOrder[n] != tip.tool)
            ++n;
        EXPECT_EQ((n % 3) * 39, tip.rect.left) << tip.tool;
        EXPECT_EQ((n / 3) * 38, tip.rect.top) << tip.tool;
        EXPECT_EQ(39, tip.rect.right - tip.rect.left);
        EXPECT_EQ(38, tip.rect.bottom - tip.rect.top);
        if (tip.tool == EllipseTool) {
            EXPECT_EQ("Ellipse", tip.text);
        }
        if (tip.tool == PointerTool) {
            EXPECT_EQ("Pointer", tip.text) << "a tip set before the palette existed";
        }
    }
    // Hiding the text tool closes the grid up: the ellipse moves to cell 2.
    host->ToolbarSetToolVisible(layer, TextTool, 0);
    tips = Tips();
    EXPECT_EQ(11u, tips.size());
    for (const Tip& tip : tips) {
        EXPECT_NE(TextTool, tip.tool);
        if (tip.tool == EllipseTool) {
            EXPECT_EQ(2 * 39, tip.rect.left);
            EXPECT_EQ(0, tip.rect.top);
        }
    }
}

TEST_F(Palette, AClickSelectsTheToolOfTheCurrentLayerAndTellsTheHost)
{
    const int layer = host->CreateLayer(1);
    Activate();
    host.ClearCalls();
    Click(EllipseTool);
    ASSERT_FALSE(host.Calls().empty());
    EXPECT_EQ((ChannelCall{Channel_ToolbarSelect, {EllipseTool, layer}}), host.Calls().front())
        << Describe(host.Calls());
    int tool = 0;
    host->GetTool(layer, &tool);
    EXPECT_EQ(EllipseTool, tool);
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONCHECKED, EllipseTool, 0));
    EXPECT_FALSE(SendMessageA(toolbar, TB_ISBUTTONCHECKED, PointerTool, 0));
    // The layer's own tool change checks its button.
    host->SetTool(layer, RectangleTool);
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONCHECKED, RectangleTool, 0));
    EXPECT_FALSE(SendMessageA(toolbar, TB_ISBUTTONCHECKED, EllipseTool, 0));

    // Without a current layer nothing is sent.
    host->SetCurrentLayer(0);
    host.ClearCalls();
    Click(LineTool);
    for (const ChannelCall& call : host.Calls())
        EXPECT_NE(Channel_ToolbarSelect, call.channel);
}

TEST_F(Palette, ARightClickOpensTheButtonsMenuWhileMenusAreInUse)
{
    host->CreateLayer(1);
    Activate();
    Bstr first(L"First"), second(L"Second"), inner(L"Inner");
    ASSERT_EQ(0, host->AddPaletteMenuItem(EllipseTool, 7, first.text, 70, 71));
    ASSERT_EQ(0, host->AddPaletteMenuItem(EllipseTool, 8, second.text, 80, 81));
    ASSERT_EQ(0, host->AddPaletteSubmenuItem(EllipseTool, 8, 2, inner.text, 82, 83));

    host.ClearCalls();
    {
        MenuDriver driver(L"First");
        RightClick(EllipseTool);
        EXPECT_TRUE(driver.MenuSeen());
        ASSERT_EQ(2u, driver.Shown().size()) << Describe(driver.Shown());
        EXPECT_EQ(L"Second", driver.Shown()[1].caption);
        ASSERT_EQ(1u, driver.Shown()[1].submenu.size());
    }
    std::vector<ChannelCall> expected = {
        {Channel_PaletteMenuSelect, {EllipseTool, 7, 0, 70, 71}},
        {Channel_MenuSelect, {2, EllipseTool, 7, 0, 70, 71, 0, 0}},
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());

    host.ClearCalls();
    {
        MenuDriver driver(L"Second", L"Inner");
        RightClick(EllipseTool);
    }
    expected = {
        {Channel_PaletteMenuSelect, {EllipseTool, 8, 2, 82, 83}},
        {Channel_MenuSelect, {2, EllipseTool, 8, 2, 82, 83, 0, 0}},
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());

    // A dismissed menu still tells the host, with zeros.
    host.ClearCalls();
    {
        MenuDriver driver;
        RightClick(EllipseTool);
    }
    expected = {
        {Channel_PaletteMenuSelect, {EllipseTool, 0, 0, 0, 0}},
        {Channel_MenuSelect, {2, EllipseTool, 0, 0, 0, 0, 0, 0}},
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());

    // Menus off, or this button's menu off: no menu and no report.
    struct Off {
        int property;
        int menuEnabled;
    };
    for (Off off : {Off{0, 1}, Off{1, 0}}) {
        host->SetProperty(133, off.property);
        host->MenuSetEnabled(EllipseTool, off.menuEnabled);
        host.ClearCalls();
        MenuDriver driver;
        RightClick(EllipseTool);
        EXPECT_FALSE(driver.MenuSeen());
        EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
    }
}

TEST_F(Palette, ThePaletteShowsTheCurrentLayersLookUnlessTheHostHidIt)
{
    const int layer = host->CreateLayer(1);
    const int other = host->CreateLayer(0);
    Activate();
    EXPECT_FALSE(IsWindowVisible(frame));
    ASSERT_EQ(0, host->ToolbarSetVisible(layer, 1));
    EXPECT_TRUE(IsWindowVisible(frame));
    ASSERT_EQ(0, host->ToolbarSetEnabled(layer, 0));
    EXPECT_FALSE(IsWindowEnabled(frame));
    ASSERT_EQ(0, host->ToolbarSetEnabled(layer, 1));
    EXPECT_TRUE(IsWindowEnabled(frame));
    // Another layer's flags count only when it becomes current.
    host->ToolbarSetToolEnabled(other, LineTool, 0);
    host->SetCurrentLayer(other);
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_FALSE(SendMessageA(toolbar, TB_ISBUTTONENABLED, LineTool, 0));
    host->SetCurrentLayer(layer);
    EXPECT_TRUE(IsWindowVisible(frame));
    EXPECT_TRUE(SendMessageA(toolbar, TB_ISBUTTONENABLED, LineTool, 0));

    // The host's hiding holds against the layer's flag and the interactive mode.
    host->ActivateToolbar(0);
    EXPECT_FALSE(IsWindowVisible(frame));
    EXPECT_EQ(0, host->ToolbarSetVisible(layer, 1));
    EXPECT_FALSE(IsWindowVisible(frame));
    host->SetProperty(130, 1);
    EXPECT_EQ(QMK_ErrInvalidInteractMode, host->ToolbarSetVisible(layer, 1));
    host->SetProperty(130, 0);
    EXPECT_FALSE(IsWindowVisible(frame)) << "leaving the interactive mode shows no hidden palette";
    host->ActivateToolbar(1);
    EXPECT_TRUE(IsWindowVisible(frame));

    // Leaving the interactive mode shows the palette the layer wants.
    host->SetProperty(130, 1);
    ShowWindow(frame, SW_HIDE);
    host->SetProperty(130, 0);
    EXPECT_TRUE(IsWindowVisible(frame));
    // Closing the frame only hides it; no current layer hides it.
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(frame));
    EXPECT_FALSE(IsWindowVisible(frame));
    host->SetCurrentLayer(layer == 0 ? other : layer);
    host->SetCurrentLayer(0);
    EXPECT_FALSE(IsWindowVisible(frame));
}

TEST_F(Palette, ButtonMenusAddFindSetAndDeleteTheirItems)
{
    Activate();
    Bstr a(L"A"), b(L"B"), c(L"C"), changed(L"Changed");
    EXPECT_EQ(0, host->ToolbarMenuAddItem(RulerTool, 1, 0, a.text, 0, 0));
    EXPECT_EQ(QMK_ErrDuplicateMenuId, host->ToolbarMenuAddItem(RulerTool, 1, 0, b.text, 0, 0));
    EXPECT_EQ(0, host->ToolbarMenuAddItem(RulerTool, 1, 10, b.text, 0, 0));
    EXPECT_EQ(0, host->ToolbarMenuAddItem(RulerTool, 1, 11, c.text, 0, 0));
    EXPECT_EQ(0, host->AddPaletteMenuItem(RulerTool, 2, c.text, 0, 0));
    EXPECT_EQ(QMK_ErrInvalidTool, host->ToolbarMenuAddItem(4200, 1, 0, a.text, 0, 0));
    EXPECT_EQ(QMK_ErrInvalidMenuId, host->ToolbarMenuAddItem(ProtractorTool, 1, 0, a.text, 0, 0));

    std::vector<std::pair<int, int>> walk;
    int item = -1, sub = -1;
    EXPECT_EQ(0, host->ToolbarMenuGetFirstItemID(RulerTool, &item, &sub));
    while (item != 0 && walk.size() < 10) {
        walk.push_back({item, sub});
        host->ToolbarMenuGetNextItemID(RulerTool, &item, &sub);
    }
    EXPECT_EQ((std::vector<std::pair<int, int>>{{1, 0}, {1, 10}, {1, 11}, {2, 0}}), walk);
    EXPECT_EQ(QMK_ErrInvalidMenuId, host->ToolbarMenuGetFirstItemID(ProtractorTool, &item, &sub));

    // Exclusive checks: a sub-item unticks its siblings only; a top item
    // sets every item of another id the other way.
    auto checked = [&](int i, int s) {
        unsigned char flag = 9;
        EXPECT_EQ(0, host->ToolbarMenuGetItemChecked(RulerTool, i, s, &flag));
        return flag;
    };
    EXPECT_EQ(0, host->ToolbarMenuSetItemChecked(RulerTool, 1, 10, 1, 0));
    EXPECT_EQ(0, host->SetPaletteMenuSubitemChecked(RulerTool, 1, 11, 1, 1));
    EXPECT_EQ(0, checked(1, 10));
    EXPECT_EQ(1, checked(1, 11));
    EXPECT_EQ(0, checked(1, 0));
    EXPECT_EQ(0, checked(2, 0));
    EXPECT_EQ(0, host->ToolbarMenuSetItemChecked(RulerTool, 2, 0, 1, 1));
    EXPECT_EQ((std::vector<unsigned char>{1, 0, 0, 0}),
              (std::vector<unsigned char>{checked(2, 0), checked(1, 0), checked(1, 10),
                                          static_cast<unsigned char>(checked(1, 11) == 1)}));
    EXPECT_EQ(1, checked(9, 9)) << "an absent item reads as set";
    EXPECT_EQ(E_FAIL, host->ToolbarMenuSetItemEnabled(ProtractorTool, 1, 0, 1, 0));

    unsigned char done = 9;
    EXPECT_EQ(0, host->ToolbarMenuChangeItem(RulerTool, 1, 10, changed.text, &done));
    EXPECT_EQ(1, done);
    EXPECT_EQ(0, host->ToolbarMenuChangeItem(RulerTool, 5, 5, changed.text, &done));
    EXPECT_EQ(0, done);
    Bstr read;
    EXPECT_EQ(0, host->ToolbarMenuGetItem(RulerTool, 1, 10, &read.text));
    EXPECT_STREQ(L"Changed", read.text);

    EXPECT_EQ(0, host->DeletePaletteMenuSubitem(RulerTool, 1, 10));
    EXPECT_EQ(QMK_ErrInvalidMenuId, host->DeletePaletteMenuSubitem(RulerTool, 1, 10));
    EXPECT_EQ(0, host->DeletePaletteMenuItem(RulerTool, 2));
    EXPECT_EQ(QMK_ErrInvalidMenuId, host->ToolbarMenuDeleteItem(RulerTool, 2, 0));
    EXPECT_EQ(0, host->ToolbarMenuDeleteItem(RulerTool, 1, 0));
    EXPECT_EQ(0, host->ToolbarMenuGetFirstItemID(RulerTool, &item, &sub));
    EXPECT_EQ(1, item) << "the sub-item stays";
    EXPECT_EQ(11, sub);

    unsigned char enabled = 9;
    EXPECT_EQ(0, host->MenuGetEnabled(RulerTool, &enabled));
    EXPECT_EQ(1, enabled);
    EXPECT_EQ(QMK_ErrInvalidTool, host->MenuSetEnabled(ProtractorTool, 0));
}

// A palette the host hid stays hidden whatever the layers and the modes do,
// until the host activates it again.
TEST_F(Palette, APaletteTheHostHidStaysHiddenUntilTheHostShowsIt)
{
    const int layer = host->CreateLayer(1);
    const int other = host->CreateLayer(0);
    host->ToolbarSetVisible(other, 1);
    Activate();
    ASSERT_EQ(0, host->ToolbarSetVisible(layer, 1));
    ASSERT_TRUE(IsWindowVisible(frame));
    host->ActivateToolbar(0);
    struct Step {
        const char* name;
        void (*run)(AnnotationEngine*, int layer, int other);
    };
    const Step steps[] = {
        {"the layer's flag set",
         [](AnnotationEngine* e, int l, int) { e->ToolbarSetVisible(l, 1); }},
        {"the layer's palette enabled",
         [](AnnotationEngine* e, int l, int) { e->ToolbarSetEnabled(l, 1); }},
        {"another layer made current",
         [](AnnotationEngine* e, int, int o) { e->SetCurrentLayer(o); }},
        {"the layer made current again",
         [](AnnotationEngine* e, int l, int) { e->SetCurrentLayer(l); }},
        {"the interactive mode entered",
         [](AnnotationEngine* e, int, int) { e->SetProperty(130, 1); }},
        {"the interactive mode left",
         [](AnnotationEngine* e, int, int) { e->SetProperty(130, 0); }},
        {"a new current layer", [](AnnotationEngine* e, int, int) { e->CreateLayer(1); }},
        {"the current layer deleted",
         [](AnnotationEngine* e, int, int) { e->DeleteLayer(e->GetCurrentLayer()); }},
        {"a layer made current", [](AnnotationEngine* e, int l, int) { e->SetCurrentLayer(l); }},
    };
    for (const Step& step : steps) {
        step.run(host.Engine(), layer, other);
        EXPECT_FALSE(IsWindowVisible(frame)) << step.name;
    }
    host->ActivateToolbar(1);
    EXPECT_TRUE(IsWindowVisible(frame));
}

// A host that walks a button's menu and deletes the item the walk is on, or
// one ahead of it, still meets every other item once.
TEST_F(Palette, AWalkOverAButtonsMenuGoesOnPastTheItemsItDeletes)
{
    Activate();
    Bstr caption(L"Item");
    for (int item = 1; item <= 4; ++item)
        ASSERT_EQ(0, host->ToolbarMenuAddItem(StampTool, item, 0, caption.text, 0, 0));
    std::vector<int> walk;
    int item = 0, sub = 0;
    for (host->ToolbarMenuGetFirstItemID(StampTool, &item, &sub); item != 0 && walk.size() < 10;
         host->ToolbarMenuGetNextItemID(StampTool, &item, &sub)) {
        walk.push_back(item);
        if (item == 1) {
            EXPECT_EQ(0, host->ToolbarMenuDeleteItem(StampTool, 1, 0));
        }
        if (item == 2) {
            EXPECT_EQ(0, host->DeletePaletteMenuItem(StampTool, 3));
        }
    }
    EXPECT_EQ((std::vector<int>{1, 2, 4}), walk);
    host->ToolbarMenuGetFirstItemID(StampTool, &item, &sub);
    EXPECT_EQ(2, item);
}

// Each of the three item flags has a setter and a getter that refuse a tool
// outside 4096..4108, and an older setter of sub-items: each acts on its own
// flag only.
TEST_F(Palette, EachMenuItemFlagIsSetAndReadByItsOwnOperations)
{
    using Set = int (__stdcall AnnotationEngine::*)(int, int, int, int, int);
    using Get = int (__stdcall AnnotationEngine::*)(int, int, int, unsigned char*);
    struct Flag {
        const char* name;
        Set set;
        Get get;
        Set olderSet;
    };
    const Flag flags[] = {
        {"checked", &AnnotationEngine::ToolbarMenuSetItemChecked,
         &AnnotationEngine::ToolbarMenuGetItemChecked,
         &AnnotationEngine::SetPaletteMenuSubitemChecked},
        {"enabled", &AnnotationEngine::ToolbarMenuSetItemEnabled,
         &AnnotationEngine::ToolbarMenuGetItemEnabled,
         &AnnotationEngine::SetPaletteMenuSubitemEnabled},
        {"visible", &AnnotationEngine::ToolbarMenuSetItemVisible,
         &AnnotationEngine::ToolbarMenuGetItemVisible,
         &AnnotationEngine::SetPaletteMenuSubitemVisible},
    };
    Activate();
    AnnotationEngine* engine = host.Engine();
    Bstr a(L"A"), b(L"B");
    ASSERT_EQ(0, host->ToolbarMenuAddItem(LineTool, 1, 0, a.text, 0, 0));
    ASSERT_EQ(0, host->ToolbarMenuAddItem(LineTool, 1, 5, b.text, 0, 0));
    // The values after creation: unchecked, enabled, visible.
    auto read = [&] {
        std::vector<int> values;
        for (const Flag& flag : flags) {
            unsigned char value = 9;
            EXPECT_EQ(0, (engine->*flag.get)(LineTool, 1, 5, &value));
            values.push_back(value);
        }
        return values;
    };
    const std::vector<int> fresh = {0, 1, 1};
    ASSERT_EQ(fresh, read());
    for (size_t i = 0; i < 3; ++i) {
        const Flag& flag = flags[i];
        SCOPED_TRACE(flag.name);
        std::vector<int> expected = fresh;
        expected[i] = 1 - fresh[i];
        EXPECT_EQ(0, (engine->*flag.set)(LineTool, 1, 5, expected[i], 0));
        EXPECT_EQ(expected, read());
        EXPECT_EQ(0, (engine->*flag.olderSet)(LineTool, 1, 5, fresh[i], 0));
        EXPECT_EQ(fresh, read());
        unsigned char value = 9;
        EXPECT_EQ(QMK_ErrInvalidTool, (engine->*flag.set)(4109, 1, 5, 1, 0));
        EXPECT_EQ(QMK_ErrInvalidTool, (engine->*flag.get)(4095, 1, 5, &value));
        EXPECT_EQ(E_FAIL, (engine->*flag.set)(ProtractorTool, 1, 5, 1, 0));
        EXPECT_EQ(E_FAIL, (engine->*flag.olderSet)(4109, 1, 5, 1, 0));
    }
}

TEST(PaletteClass, TheWindowClassesGoWithTheLastEngine)
{
    EngineLibrary library;
    WNDCLASSEXA info = {};
    info.cbSize = sizeof(info);
    {
        TestHost first(library);
        TestHost second(library);
        first->ActivateToolbar(1);
        second->ActivateToolbar(1);
        EXPECT_TRUE(GetClassInfoExA(library.Module(), "inkcore7_toolframe", &info));
        first.Deinit();
        EXPECT_TRUE(GetClassInfoExA(library.Module(), "inkcore7_toolframe", &info));
        EXPECT_TRUE(IsWindow(reinterpret_cast<HWND>(static_cast<intptr_t>(second->GetToolbarHwnd()))));
        second.Deinit();
    }
    EXPECT_FALSE(GetClassInfoExA(library.Module(), "inkcore7_toolframe", &info));
    EXPECT_FALSE(GetClassInfoExA(library.Module(), "MRV_Toolbar", &info));
}

} // namespace
