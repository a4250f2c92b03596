// Yoked groups under the pointer tool, with the mouse as a host forwards it:
// a press on a member picks the group, a drag moves every member, the
// group's handles resize it, and groups made and broken with Control+G and
// Control+U from a selection made by clicks, with what the host hears, in
// order. These tests move the screen cursor and show a window: they run alone.
#include <gtest/gtest.h>

#include <vector>

#include "layer_in_window.h"

using namespace engine_test;

namespace {

class GroupEditing : public LayerInWindow {
protected:
    // Rectangles 1 at (100,100)-(200,150), 2 at (300,100)-(400,200) and 3
    // at (500,300)-(600,400); 1 and 2 make the yoked group 1; the pointer tool.
    GroupEditing()
    {
        EXPECT_EQ(0, host->SetTool(layer, RectangleTool));
        window.Drag(host.Engine(), 100, 100, 200, 150);
        window.Drag(host.Engine(), 300, 100, 400, 200);
        window.Drag(host.Engine(), 500, 300, 600, 400);
        EXPECT_EQ(0, host->SetTool(layer, PointerTool));
        EXPECT_EQ(0, host->GrpCreateGroup(layer, nullptr, 0, &group));
        EXPECT_EQ(0, host->GrpAddItem(layer, group, 1));
        EXPECT_EQ(0, host->GrpAddItem(layer, group, 2));
        EXPECT_EQ(0, host->GrpSetYoked(layer, group, 1));
        host.ClearCalls();
    }

    bool Selected(int id)
    {
        unsigned char flag = 0;
        EXPECT_EQ(0, host->GrpGetSelected(layer, id, &flag));
        return flag != 0;
    }

    void Key(WPARAM character) { host->KeyMessage(window.hwnd(), WM_CHAR, character, 1); }

    int group = 0;
};

TEST_F(GroupEditing, APressOnAMemberPicksTheWholeGroup)
{
    window.Click(host.Engine(), 550, 350);  // item 3 alone first
    EXPECT_EQ(-1, Press(150, 120));
    Release(150, 120);
    EXPECT_TRUE(Selected(group));
    EXPECT_TRUE(Selection().empty()) << "the members are selected with the group";
    // A press on empty space lets the group go too.
    EXPECT_EQ(-1, Press(700, 500));
    Release(700, 500);
    EXPECT_FALSE(Selected(group));
    // A group that is not yoked leaves its members to be picked one by one.
    ASSERT_EQ(0, host->GrpSetYoked(layer, group, 0));
    EXPECT_EQ(0, Press(150, 120));
    Release(150, 120);
    EXPECT_EQ((std::vector<int>{1}), Selection());

    const std::vector<ChannelCall> expected = {
        Event(QMK_AnnotationSelected, 3),
        Event(QMK_AnnotationEndSelected, 0),
        Event(QMK_GroupSelected, group),
        Event(QMK_AnnotationEndSelected, 0),
        Event(QMK_AnnotationSelected, 1),
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
}

TEST_F(GroupEditing, DraggingAGroupMovesEveryMemberAndStopsAtTheImageEdge)
{
    Press(150, 120);
    MoveTo(160, 135);
    MoveTo(170, 150);
    Release(170, 150);
    ExpectRect({120, 130, 220, 180}, ItemRect(1), 1);
    ExpectRect({320, 130, 420, 230}, ItemRect(2), 1);
    ExpectRect({500, 300, 600, 400}, ItemRect(3));
    const std::vector<ChannelCall> expected = {
        Event(QMK_GroupSelected, group),
        Event(QMK_AnnotationMoved, 1), Event(QMK_AnnotationMoved, 2),
        Event(QMK_AnnotationMoved, 1), Event(QMK_AnnotationMoved, 2),
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());

    // Far to the left: the group stops with its left edge on the image's,
    // and the members keep their distance.
    Press(150, 170);
    MoveTo(20, 170);
    MoveTo(10, 170);
    Release(10, 170);
    ExpectRect({0, 130, 100, 180}, ItemRect(1), 1);
    ExpectRect({200, 130, 300, 230}, ItemRect(2), 1);
}

TEST_F(GroupEditing, AGroupHandleResizesTheGroupAndScalesItsMembers)
{
    window.Click(host.Engine(), 150, 120);  // the group selected: (100,100)-(400,200)
    SetCursor(nullptr);
    EXPECT_EQ(1, window.Send(host.Engine(), WM_SETCURSOR, 0, 400, 200));
    EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(32642)), GetCursor());
    host.ClearCalls();

    EXPECT_EQ(0, Press(400, 200));  // the bottom-right handle
    EXPECT_EQ(window.hwnd(), GetCapture()) << "the resize holds the mouse";
    MoveTo(450, 250);
    MoveTo(500, 300);
    Release(500, 300);
    EXPECT_EQ(nullptr, GetCapture());
    // (100,100)-(400,200) became (100,100)-(500,300): x by 4/3, y by 2.
    ExpectRect({100, 100, 233, 200}, ItemRect(1), 1);
    ExpectRect({366, 100, 499, 300}, ItemRect(2), 1);
    RECT rect = {};
    ASSERT_EQ(0, host->GrpGetRect(layer, group, &rect));
    ExpectRect({100, 100, 499, 300}, rect, 1);
    EXPECT_TRUE(Selected(group));
    EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());

    // A middle handle drags one edge only.
    Press(100, 200);  // left middle
    MoveTo(150, 260);
    Release(150, 260);
    ExpectRect({150, 100, 499, 300}, [&] {
        RECT now = {};
        host->GrpGetRect(layer, group, &now);
        return now;
    }(), 1);
}

TEST_F(GroupEditing, GroupingAndUngroupingByKeysAfterClicks)
{
    ASSERT_EQ(0, host->GrpDestroyGroup(layer, group));
    ASSERT_EQ(0, host->AllowUserGrouping(1));
    window.Click(host.Engine(), 550, 350);
    window.Click(host.Engine(), 150, 120, MK_SHIFT);
    Key(7);  // Control+G
    EXPECT_TRUE(Selection().empty());
    const int made = group + 1;
    EXPECT_TRUE(Selected(made));
    // The new group moves as one.
    Press(560, 360);
    MoveTo(570, 360);
    Release(570, 360);
    ExpectRect({110, 100, 210, 150}, ItemRect(1), 1);
    ExpectRect({510, 300, 610, 400}, ItemRect(3), 1);
    Key(21);  // Control+U
    int count = -1;
    ASSERT_EQ(0, host->PrgGetGroupCount(layer, &count));
    EXPECT_EQ(0, count);
    // Its former members are picked one by one again.
    Press(560, 360);
    Release(560, 360);
    EXPECT_EQ((std::vector<int>{3}), Selection());

    const std::vector<ChannelCall> expected = {
        Event(QMK_AnnotationSelected, 3),
        Event(QMK_AnnotationSelected, 1),
        {Channel_UserGroupCreated, {layer, made}},
        Event(QMK_GroupSelected, made),
        Event(QMK_AnnotationEndSelected, 0),
        Event(QMK_GroupSelected, made),
        Event(QMK_AnnotationMoved, 3), Event(QMK_AnnotationMoved, 1),
        {Channel_UserGroupDestroyed, {layer, made}},
        Event(QMK_GroupSelected, 0),
        Event(QMK_AnnotationSelected, 3),
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
}

} // namespace
