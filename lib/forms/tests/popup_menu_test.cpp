// Popup menus: item states in the real menu, the popup event before the menu
// opens, one menu shared by several components, and the chosen item's click.
#include "forms/form.h"
#include "forms/image_box.h"
#include "forms/label.h"
#include "forms/popup_menu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The slot menu of the workbench, item for item.
struct SlotMenu {
    explicit SlotMenu(std::vector<std::string>& events) : menu("PopupMenu1")
    {
        auto log = [&events](const char* what) { return [&events, what] { events.push_back(what); }; };
        menu.Add("MoveRight1", "Move Right >", log("MoveRight1Click"));
        menu.Add("MoveLeft1", "< Move Left").SetEnabled(false);
        menu.Add("Remove1", "Remove", log("Remove1Click"));
        menu.AddSeparator();
        MenuItem& keep = menu.Add("ViewResults1", "Do not recalculate if result exists");
        keep.SetChecked(true);
        keep.OnClick = [&events, &keep] {
            keep.SetChecked(!keep.Checked());
            events.push_back("ViewResults1Click");
        };
        menu.AddSeparator();
        menu.Add("ViewResults2", "View Result", log("ViewResults2Click"));
        menu.AddSeparator();
        menu.Add("Settings1", "Settings", log("Settings1Click"));
    }
    using MenuItem = forms::MenuItem;
    forms::PopupMenu menu;
};

std::string StateOf(HMENU menu, int position)
{
    MENUITEMINFOA info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_STATE | MIIM_FTYPE;
    GetMenuItemInfoA(menu, static_cast<UINT>(position), TRUE, &info);
    if (info.fType & MFT_SEPARATOR)
        return "separator";
    std::string state = info.fState & MFS_DISABLED ? "disabled" : "enabled";
    return info.fState & MFS_CHECKED ? state + " checked" : state;
}

// Keys for the menu loop of TrackPopupMenu, which reads them from the queue.
void PostKeys(HWND window, const std::vector<WPARAM>& keys)
{
    for (WPARAM key : keys)
        PostMessageA(window, WM_KEYDOWN, key, 0);
}

TEST(PopupMenu, ItemStatesAreThoseOfTheRealMenu)
{
    std::vector<std::string> events;
    SlotMenu slot(events);
    HMENU menu = slot.menu.Handle();
    ASSERT_EQ(GetMenuItemCount(menu), 9);

    struct Row {
        int position;
        const char* caption;
        const char* state;
    };
    const Row rows[] = {
        {0, "Move Right >", "enabled"},
        {1, "< Move Left", "disabled"},
        {2, "Remove", "enabled"},
        {3, "", "separator"},
        {4, "Do not recalculate if result exists", "enabled checked"},
        {5, "", "separator"},
        {6, "View Result", "enabled"},
        {7, "", "separator"},
        {8, "Settings", "enabled"},
    };
    for (const Row& r : rows) {
        char caption[64] = {};
        GetMenuStringA(menu, static_cast<UINT>(r.position), caption, sizeof caption, MF_BYPOSITION);
        EXPECT_STREQ(caption, r.caption) << r.position;
        EXPECT_EQ(StateOf(menu, r.position), r.state) << r.position;
    }

    slot.menu.Find("ViewResults1")->SetChecked(false);
    slot.menu.Find("MoveLeft1")->SetEnabled(true);
    slot.menu.Find("Remove1")->SetCaption("Take out");
    EXPECT_EQ(StateOf(menu, 4), "enabled");
    EXPECT_EQ(StateOf(menu, 1), "enabled");
    char caption[64] = {};
    GetMenuStringA(menu, 2, caption, sizeof caption, MF_BYPOSITION);
    EXPECT_STREQ(caption, "Take out");
}

TEST(PopupMenu, CommandIdsAreDistinctAndOnlyEnabledItemsRun)
{
    std::vector<std::string> events;
    SlotMenu first(events);
    SlotMenu second(events);
    std::vector<UINT> ids;
    for (SlotMenu* s : {&first, &second})
        for (size_t i = 0; i < s->menu.Count(); ++i)
            ids.push_back(s->menu.Item(i).Command());
    for (size_t i = 1; i < ids.size(); ++i)
        EXPECT_GT(ids[i], ids[i - 1]);

    EXPECT_TRUE(first.menu.Choose(first.menu.Find("MoveLeft1")->Command()));   // disabled: nothing runs
    EXPECT_TRUE(first.menu.Choose(first.menu.Find("ViewResults1")->Command()));
    EXPECT_FALSE(first.menu.Choose(second.menu.Find("Remove1")->Command()));   // not this menu's
    EXPECT_EQ(events, std::vector<std::string>{"ViewResults1Click"});
    EXPECT_FALSE(first.menu.Find("ViewResults1")->Checked());
    EXPECT_EQ(first.menu.Find("NoSuchItem"), nullptr);
}

TEST(PopupMenu, ASharedMenuOpensFromEachComponentAfterItsPopupEvent)
{
    forms::Form form("TForm1");
    forms::ImageBox tile(form, "Image1", {10, 10, 60, 60});
    forms::Label caption(form, "Label1", {10, 80, 60, 16}, "Binarize");
    forms::Label other(form, "Label99", {10, 100, 60, 16}, "No menu");
    form.Show();

    std::vector<std::string> events;
    SlotMenu slot(events);
    tile.SetPopupMenu(&slot.menu);
    caption.SetPopupMenu(&slot.menu);

    // Each right click: the keys the user presses in the open menu.
    struct Case {
        forms::Control* on;
        std::vector<WPARAM> keys;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        // First item.
        {&tile, {VK_DOWN, VK_RETURN}, {"popup:Image1", "MoveRight1Click"}},
        // Down skips the separators; the disabled item can be passed over.
        {&caption, {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, {"popup:Label1", "ViewResults1Click"}},
        // Dismissed: the popup event only.
        {&tile, {VK_ESCAPE}, {"popup:Image1"}},
    };
    slot.menu.OnPopup = [&] {
        events.push_back("popup:" + slot.menu.PopupComponent()->Name());
    };
    for (const Case& c : cases) {
        events.clear();
        PostKeys(form.Handle(), c.keys);
        SendMessageA(c.on->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(c.on->Handle()), MAKELPARAM(30, 30));
        EXPECT_EQ(events, c.events) << c.on->Name();
    }
    EXPECT_FALSE(slot.menu.Find("ViewResults1")->Checked());

    // A component without a menu opens none of its own.
    events.clear();
    SendMessageA(other.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(other.Handle()), MAKELPARAM(30, 30));
    EXPECT_TRUE(events.empty());
}

} // namespace
