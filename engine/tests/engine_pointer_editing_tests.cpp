// Editing drawn items with the pointer tool and the mouse as a host forwards
// its messages: selecting by click and Shift-click, dragging, resizing by each
// handle, right clicks, cursors, keys and the interactive mode, with what the
// host is told of each action, in order. These tests move the screen cursor
// and show a window, so they run alone.
#include <gtest/gtest.h>

#include <vector>

#include "layer_in_window.h"
#include "menu_driver.h"

using namespace engine_test;

namespace {

class PointerEditing : public LayerInWindow {
protected:
    // Two rectangles, 1 at (100,100)-(200,150) and 2 at (300,100)-(400,200),
    // and the pointer tool.
    PointerEditing()
    {
        EXPECT_EQ(0, host->SetTool(layer, RectangleTool));
        window.Drag(host.Engine(), 100, 100, 200, 150);
        window.Drag(host.Engine(), 300, 100, 400, 200);
        EXPECT_EQ(0, host->SetTool(layer, PointerTool));
        host.ClearCalls();
    }
};

TEST_F(PointerEditing, ClicksSelectShiftAddsAndEmptySpaceDeselects)
{
    EXPECT_EQ(0, Press(150, 120));
    Release(150, 120);
    EXPECT_EQ(0, Press(350, 150));  // without Shift: the other one goes
    Release(350, 150);
    EXPECT_EQ(0, Press(150, 120, MK_SHIFT));
    Release(150, 120, MK_SHIFT);
    EXPECT_EQ((std::vector<int>{2, 1}), Selection());
    EXPECT_EQ(-1, Press(600, 500, MK_SHIFT));  // nothing there: the selection stays
    Release(600, 500, MK_SHIFT);
    EXPECT_EQ((std::vector<int>{2, 1}), Selection());
    EXPECT_EQ(0, Press(150, 120, MK_SHIFT));  // already selected: no second report
    Release(150, 120, MK_SHIFT);
    EXPECT_EQ(-1, Press(600, 500));
    Release(600, 500);
    EXPECT_TRUE(Selection().empty());

    const std::vector<ChannelCall> expected = {
        Event(QMK_AnnotationSelected, 1),
        Event(QMK_AnnotationEndSelected, 0),
        Event(QMK_AnnotationSelected, 2),
        Event(QMK_AnnotationSelected, 1),
        Event(QMK_AnnotationEndSelected, 0),
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
}

TEST_F(PointerEditing, DraggingMovesEverySelectedItemAndReportsEachMove)
{
    window.Click(host.Engine(), 150, 120);
    window.Click(host.Engine(), 350, 150, MK_SHIFT);
    host.ClearCalls();
    EXPECT_EQ(0, Press(150, 120, MK_SHIFT));
    MoveTo(160, 135);
    MoveTo(170, 150);
    EXPECT_EQ(-1, Release(170, 150));
    ExpectRect({120, 130, 220, 180}, ItemRect(1));
    ExpectRect({320, 130, 420, 230}, ItemRect(2));

    const std::vector<ChannelCall> expected = {
        Event(QMK_AnnotationMoved, 1), Event(QMK_AnnotationMoved, 2),
        Event(QMK_AnnotationMoved, 1), Event(QMK_AnnotationMoved, 2),
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());

    // Moves without the left button, or after the release, drag nothing.
    MoveTo(300, 300, 0);
    ExpectRect({120, 130, 220, 180}, ItemRect(1));
}

TEST_F(PointerEditing, ADragStopsAtTheImageEdge)
{
    ASSERT_EQ(0, host->PrgMoveItem(layer, 2, 690, 100));  // 690..790
    window.Click(host.Engine(), 740, 150);
    Press(740, 150);
    MoveTo(770, 150);
    MoveTo(795, 150);
    Release(795, 150);
    RECT rect = ItemRect(2);
    EXPECT_EQ(800, rect.right) << "held at the image's right edge";
    EXPECT_EQ(700, rect.left);
}

TEST_F(PointerEditing, ResizingByEachHandle)
{
    // Item 1 is (100,100)-(200,150); each handle is pressed on its point and
    // dragged by (+10, +20), the last row far enough to pass the opposite
    // corner, where the drag goes on as the mirrored handle.
    struct Row {
        int handle;
        POINT press;
        POINT by;
        RECT expected;
    };
    const Row rows[] = {
        {0, {100, 100}, {10, 20}, {110, 120, 200, 150}},
        {1, {200, 100}, {10, 20}, {100, 120, 210, 150}},
        {2, {100, 150}, {10, 20}, {110, 100, 200, 170}},
        {3, {200, 150}, {10, 20}, {100, 100, 210, 170}},
        {4, {100, 125}, {10, 20}, {110, 100, 200, 150}},
        {5, {200, 125}, {10, 20}, {100, 100, 210, 150}},
        {6, {150, 100}, {10, 20}, {100, 120, 200, 150}},
        {7, {150, 150}, {10, 20}, {100, 100, 200, 170}},
        {0, {100, 100}, {150, 100}, {200, 150, 250, 200}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.handle);
        ASSERT_EQ(0, host->PrgSetItemRect(layer, 1, 100, 100, 100, 50));
        window.Click(host.Engine(), 150, 125);  // selects item 1 alone
        host.ClearCalls();
        EXPECT_EQ(0, Press(row.press.x, row.press.y));
        EXPECT_EQ(window.hwnd(), GetCapture()) << "the resize holds the mouse";
        MoveTo(row.press.x + row.by.x / 2, row.press.y + row.by.y / 2);
        MoveTo(row.press.x + row.by.x, row.press.y + row.by.y);
        Release(row.press.x + row.by.x, row.press.y + row.by.y);
        EXPECT_EQ(nullptr, GetCapture());
        ExpectRect(row.expected, ItemRect(1));
        const std::vector<ChannelCall> expected = {
            Event(QMK_AnnotationEndSelected, 0), Event(QMK_AnnotationSelected, 1),
            Event(QMK_AnnotationMoved, 1), Event(QMK_AnnotationMoved, 1),
        };
        EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
        ExpectRect({300, 100, 400, 200}, ItemRect(2));
    }
}

TEST_F(PointerEditing, PressingAHandleLeavesOnlyThatItemSelected)
{
    window.Click(host.Engine(), 150, 120);
    window.Click(host.Engine(), 350, 150, MK_SHIFT);
    host.ClearCalls();
    Press(400, 200);  // bottom-right handle of item 2
    MoveTo(410, 210);
    Release(410, 210);
    EXPECT_EQ((std::vector<int>{2}), Selection());
    ExpectRect({100, 100, 200, 150}, ItemRect(1));
    ExpectRect({300, 100, 410, 210}, ItemRect(2));
}

TEST_F(PointerEditing, LockedItemsArePickedOnlyByTheRightButtonButStillDrag)
{
    ASSERT_EQ(0, host->PrgSetItemAttribute(layer, 1, QMK_Locked, 1));
    ASSERT_EQ(0, host->SetProperty(QMK_EnableContextMenu, 0));
    host.ClearCalls();

    EXPECT_EQ(-1, Press(150, 120));  // nothing under the press but a locked item
    Release(150, 120);
    EXPECT_TRUE(Selection().empty());

    EXPECT_EQ(0, window.Send(host.Engine(), WM_RBUTTONDOWN, MK_RBUTTON, 150, 120));
    EXPECT_EQ(window.hwnd(), GetCapture());
    EXPECT_EQ(0, window.Send(host.Engine(), WM_RBUTTONUP, 0, 150, 120));
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ((std::vector<int>{1}), Selection());

    // A Shift press keeps the selection, and the drag moves the locked item.
    Press(160, 130, MK_SHIFT);
    MoveTo(180, 140, MK_LBUTTON | MK_SHIFT);
    Release(180, 140, MK_SHIFT);
    ExpectRect({120, 110, 220, 160}, ItemRect(1));

    const std::vector<ChannelCall> expected = {
        Event(QMK_AnnotationSelected, 1),
        Event(QMK_ItemRightClick, 1),
        Event(QMK_AnnotationMoved, 1),
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
}

TEST_F(PointerEditing, RightClicks)
{
    struct Row {
        const char* what;
        int contextMenu;
        POINT release;
        std::vector<ChannelCall> expected;
        std::vector<int> selection;
    };
    const std::vector<Row> rows = {
        {"menu off: the host hears of the click",
         0,
         {160, 130},
         {Event(QMK_AnnotationEndSelected, 0), Event(QMK_AnnotationSelected, 1),
          Event(QMK_ItemRightClick, 1)},
         {1}},
        {"menu on: the menu's, not the host's",
         1,
         {160, 130},
         {Event(QMK_AnnotationEndSelected, 0), Event(QMK_AnnotationSelected, 1),
          {Channel_MenuSelect, {1, 0, 0, 0, 0, 0, layer, 1}}},
         {1}},
        {"released away from the item: nothing", 0, {600, 500}, {}, {2}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(0, host->SetProperty(QMK_EnableContextMenu, row.contextMenu));
        window.Click(host.Engine(), 350, 150);  // item 2 selected first
        host.ClearCalls();
        MenuDriver dismiss;  // the menu that opens is dismissed
        EXPECT_EQ(0, window.Send(host.Engine(), WM_RBUTTONDOWN, MK_RBUTTON, 150, 120));
        EXPECT_EQ(0, window.Send(host.Engine(), WM_RBUTTONUP, 0, row.release.x, row.release.y));
        EXPECT_EQ(row.contextMenu == 1 && row.release.x == 160, dismiss.MenuSeen());
        EXPECT_EQ(row.expected, host.Calls()) << Describe(host.Calls());
        EXPECT_EQ(row.selection, Selection());
    }
    // A right release with no right press before it is not the layer's.
    EXPECT_EQ(-1, window.Send(host.Engine(), WM_RBUTTONUP, 0, 150, 120));
    EXPECT_EQ(-1, window.Send(host.Engine(), WM_RBUTTONDOWN, MK_RBUTTON, 600, 500));
}

TEST_F(PointerEditing, TheCursorFollowsWhatLiesUnderThePointer)
{
    window.Click(host.Engine(), 150, 120);  // item 1 selected: its handles count
    struct Row {
        POINT at;
        int result;
        int cursor;  // the system cursor expected, 0 for any
    };
    const Row rows[] = {
        {{100, 100}, 0, 32642}, {{200, 150}, 0, 32642}, {{200, 100}, 0, 32643},
        {{100, 150}, 0, 32643}, {{100, 125}, 0, 32644}, {{200, 125}, 0, 32644},
        {{150, 100}, 0, 32645}, {{150, 150}, 0, 32645},
        {{600, 500}, -1, 0},  // nothing there: the host's cursor
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.at.x << "," << row.at.y);
        SetCursor(nullptr);
        EXPECT_EQ(row.result, window.Send(host.Engine(), WM_SETCURSOR, 0, row.at.x, row.at.y));
        if (row.cursor)
            EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(row.cursor)), GetCursor());
        else
            EXPECT_EQ(nullptr, GetCursor());
    }
    // Handles of an item that is not selected do not count.
    SetCursor(nullptr);
    window.Send(host.Engine(), WM_SETCURSOR, 0, 400, 200);
    EXPECT_NE(LoadCursorA(nullptr, MAKEINTRESOURCEA(32642)), GetCursor());
}

TEST_F(PointerEditing, KeysGoToTheCurrentObject)
{
    // Rectangles take no keys; without a current object there is no taker.
    EXPECT_EQ(-1, host->KeyMessage(window.hwnd(), WM_KEYDOWN, VK_DELETE, 1));
    window.Click(host.Engine(), 150, 120);
    EXPECT_EQ(-1, host->KeyMessage(window.hwnd(), WM_KEYDOWN, VK_DELETE, 1));
    int count = 0;
    host->PrgGetItemCount(layer, &count);
    EXPECT_EQ(2, count);
}

TEST_F(PointerEditing, AnItemDeletedWhileSelectedLeavesNoDanglingEdit)
{
    window.Click(host.Engine(), 150, 120);
    Press(150, 120);
    ASSERT_EQ(0, host->PrgDeleteItem(layer, 1));
    MoveTo(170, 130);
    Release(170, 130);
    EXPECT_EQ(-1, window.Send(host.Engine(), WM_LBUTTONDBLCLK, MK_LBUTTON, 150, 120));
    host->FocusMessage(WM_KILLFOCUS);
    EXPECT_EQ(-1, host->KeyMessage(window.hwnd(), WM_KEYDOWN, 'A', 1));
    ExpectRect({300, 100, 400, 200}, ItemRect(2));
}

TEST_F(PointerEditing, InteractiveModeReportsPressesReleasesAndClicksOnItems)
{
    window.Click(host.Engine(), 150, 120);
    host.ClearCalls();
    ASSERT_EQ(0, host->SetProperty(QMK_InteractMode, 1));
    EXPECT_TRUE(Selection().empty());
    auto send = [this](UINT message, WPARAM keys, int x, int y) {
        return window.Send(host.Engine(), message, keys, x, y);
    };
    EXPECT_EQ(0, send(WM_MOUSEMOVE, 0, 110, 105));
    EXPECT_EQ(0, send(WM_RBUTTONDOWN, MK_RBUTTON, 120, 110));
    EXPECT_EQ(window.hwnd(), GetCapture());
    EXPECT_EQ(0, send(WM_RBUTTONUP, MK_CONTROL, 125, 115));
    EXPECT_EQ(nullptr, GetCapture());
    EXPECT_EQ(0, send(WM_LBUTTONDOWN, MK_LBUTTON, 310, 120));
    EXPECT_EQ(-1, send(WM_LBUTTONUP, MK_SHIFT, 600, 500));  // released away: no click
    EXPECT_EQ(0, send(WM_LBUTTONDBLCLK, MK_LBUTTON, 310, 120));
    EXPECT_EQ(-1, send(WM_MOUSEMOVE, 0, 600, 500));
    EXPECT_EQ(-1, send(WM_LBUTTONDOWN, MK_LBUTTON, 600, 500));

    const std::vector<ChannelCall> expected = {
        Event(QMK_AnnotationEndSelected, 0),
        {Channel_MouseEvent, {QMK_MouseMove, layer, 1, 0, 0, 10, 5}},
        {Channel_MouseEvent, {QMK_MouseDown, layer, 1, 2, 0, 20, 10}},
        {Channel_MouseEvent, {QMK_Click, layer, 1, 0, 0, 0, 0}},
        {Channel_MouseEvent, {QMK_MouseUp, layer, 1, 2, 2, 25, 15}},
        {Channel_MouseEvent, {QMK_MouseDown, layer, 2, 1, 0, 10, 20}},
        {Channel_MouseEvent, {QMK_MouseUp, layer, 2, 1, 1, 300, 400}},
        {Channel_MouseEvent, {QMK_DoubleClick, layer, 2, 0, 0, 0, 0}},
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());

    // Nothing is selected, moved or drawn in this mode.
    EXPECT_TRUE(Selection().empty());
    ExpectRect({100, 100, 200, 150}, ItemRect(1));
    EXPECT_EQ(QMK_ErrInvalidInteractMode, host->SetTool(layer, RectangleTool));
}

} // namespace
