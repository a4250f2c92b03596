// Groups through the interface: ids, names and values, members moving
// between groups and leaving them, yoking and selecting, the rectangle in
// pixels with resizing, mirroring and flipping, attributes set on every
// member, Control+G and Control+U with what the host is told, and groups
// kept through saving and loading.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine_test_host.h"
#include "format_test_support.h"
#include "layer_reading.h"

using namespace engine_test;
using namespace formats_test;

namespace {

// A layer of three items read from a record: rectangles 1 at (100,100)-
// (200,150) and 2 at (300,100)-(400,200), ellipse 3 at (500,300)-(600,400),
// in image pixels of the fake host's 800 x 600 image.
class Groups : public ::testing::Test {
protected:
    Groups() : host(library)
    {
        const RECT any = {0x10000, 0x10000, 0x20000, 0x20000};
        layer = AddRecordLayer(host.Engine(), LayerRecord(L"Grouped", {
                                                               ItemRecord(RectangleTool, 1, any),
                                                               ItemRecord(RectangleTool, 2, any),
                                                               ItemRecord(EllipseTool, 3, any),
                                                           }));
        EXPECT_NE(0, layer);
        EXPECT_EQ(0, host->PrgSetItemRect(layer, 1, 100, 100, 100, 50));
        EXPECT_EQ(0, host->PrgSetItemRect(layer, 2, 300, 100, 100, 100));
        EXPECT_EQ(0, host->PrgSetItemRect(layer, 3, 500, 300, 100, 100));
        host.ClearCalls();
    }

    int Create(const wchar_t* name = L"", int userLong = 0)
    {
        BSTR text = SysAllocString(name);
        int id = -1;
        EXPECT_EQ(0, host->GrpCreateGroup(layer, text, userLong, &id));
        SysFreeString(text);
        return id;
    }

    // A group of the given members, yoked or not.
    int Grouped(std::vector<int> members, bool yoked)
    {
        const int id = Create();
        for (int seq : members)
            EXPECT_EQ(0, host->GrpAddItem(layer, id, seq));
        EXPECT_EQ(0, host->GrpSetYoked(layer, id, yoked ? 1 : 0));
        return id;
    }

    std::vector<int> Members(int id)
    {
        std::vector<int> members;
        int seq = 0;
        EXPECT_EQ(0, host->GrpGetFirstItem(layer, id, &seq));
        for (; seq != 0 && members.size() < 10; host->GrpGetNextItem(layer, id, &seq))
            members.push_back(seq);
        return members;
    }

    std::vector<int> GroupIds()
    {
        std::vector<int> ids;
        int id = 0;
        EXPECT_EQ(0, host->GrpGetFirstGroupID(layer, &id));
        for (; id != 0 && ids.size() < 10; host->GrpGetNextGroupID(layer, &id))
            ids.push_back(id);
        return ids;
    }

    int GroupOf(int seq)
    {
        int id = -1;
        EXPECT_EQ(0, host->PrgGetItemGroupID(layer, seq, &id));
        return id;
    }

    std::vector<int> Selection() { return SelectedItems(host.Engine(), layer); }

    bool Selected(int id)
    {
        unsigned char flag = 0xCC;
        EXPECT_EQ(0, host->GrpGetSelected(layer, id, &flag));
        return flag != 0;
    }

    RECT ItemRect(int seq) { return ItemRectOf(host.Engine(), layer, seq); }

    RECT GroupRect(int id)
    {
        RECT rect = {-1, -1, -1, -1};
        EXPECT_EQ(0, host->GrpGetRect(layer, id, &rect));
        return rect;
    }

    void Select(int seq) { EXPECT_EQ(0, host->PrgSetItemAttribute(layer, seq, QMK_Selected, 1)); }

    std::wstring Name(int id)
    {
        BSTR name = nullptr;
        EXPECT_EQ(0, host->GrpGetName(layer, id, &name));
        std::wstring text = name ? name : L"(null)";
        SysFreeString(name);
        return text;
    }

    EngineLibrary library;
    TestHost host;
    int layer = 0;
};

TEST_F(Groups, IdsCountFromOneAndAreNeverGivenTwice)
{
    EXPECT_EQ(1, Create(L"First", 11));
    EXPECT_EQ(2, Create(L"Second"));
    EXPECT_EQ(0, host->GrpDestroyGroup(layer, 1));
    EXPECT_EQ(3, Create());
    EXPECT_EQ((std::vector<int>{2, 3}), GroupIds());
    int id = -1;
    EXPECT_EQ(0, host->GrpGetNextGroupID(layer, &id));
    EXPECT_EQ(0, id) << "past the end";
    int count = 0;
    EXPECT_EQ(0, host->PrgGetGroupCount(layer, &count));
    EXPECT_EQ(2, count);

    // Names are found with their letter case.
    struct Row {
        const wchar_t* name;
        int id;
    };
    const Row rows[] = {{L"Second", 2}, {L"second", 0}, {L"First", 0}, {L"", 3}};
    for (const Row& row : rows) {
        BSTR name = SysAllocString(row.name);
        id = -1;
        EXPECT_EQ(0, host->GrpGroupIDFromName(layer, name, &id));
        EXPECT_EQ(row.id, id);
        SysFreeString(name);
    }

    // Name, user string and user long are the group's own copies.
    BSTR text = SysAllocString(L"Renamed");
    EXPECT_EQ(0, host->GrpSetName(layer, 2, text));
    EXPECT_EQ(0, host->GrpSetUserString(layer, 2, text));
    SysFreeString(text);
    EXPECT_EQ(L"Renamed", Name(2));
    BSTR user = nullptr;
    EXPECT_EQ(0, host->GrpGetUserString(layer, 2, &user));
    EXPECT_STREQ(L"Renamed", user);
    SysFreeString(user);
    EXPECT_EQ(0, host->GrpSetUserLong(layer, 2, -7));
    int value = 0;
    EXPECT_EQ(0, host->GrpGetUserLong(layer, 2, &value));
    EXPECT_EQ(-7, value);
}

TEST_F(Groups, UnknownGroupsAndLayersAreRefused)
{
    const int group = Create();
    using Call = std::function<int(AnnotationEngine*, int layer, int group)>;
    static int out = 0;
    static unsigned char flag = 0;
    static RECT rect = {};
    static BSTR text = nullptr;
    struct Row {
        const char* name;
        Call call;
    };
    const Row rows[] = {
        {"GrpDestroyGroup", [](AnnotationEngine* e, int l, int g) { return e->GrpDestroyGroup(l, g); }},
        {"GrpAddItem", [](AnnotationEngine* e, int l, int g) { return e->GrpAddItem(l, g, 1); }},
        {"GrpAddSelected", [](AnnotationEngine* e, int l, int g) { return e->GrpAddSelected(l, g); }},
        {"GrpRemoveItem", [](AnnotationEngine* e, int l, int g) { return e->GrpRemoveItem(l, g, 1); }},
        {"GrpRemoveAll", [](AnnotationEngine* e, int l, int g) { return e->GrpRemoveAll(l, g); }},
        {"GrpGetItemCount", [](AnnotationEngine* e, int l, int g) { return e->GrpGetItemCount(l, g, &out); }},
        {"GrpGetFirstItem", [](AnnotationEngine* e, int l, int g) { return e->GrpGetFirstItem(l, g, &out); }},
        {"GrpGetNextItem", [](AnnotationEngine* e, int l, int g) { return e->GrpGetNextItem(l, g, &out); }},
        {"GrpGetName", [](AnnotationEngine* e, int l, int g) { return e->GrpGetName(l, g, &text); }},
        {"GrpSetName", [](AnnotationEngine* e, int l, int g) { return e->GrpSetName(l, g, nullptr); }},
        {"GrpGetUserLong", [](AnnotationEngine* e, int l, int g) { return e->GrpGetUserLong(l, g, &out); }},
        {"GrpSetUserLong", [](AnnotationEngine* e, int l, int g) { return e->GrpSetUserLong(l, g, 1); }},
        {"GrpGetUserString", [](AnnotationEngine* e, int l, int g) { return e->GrpGetUserString(l, g, &text); }},
        {"GrpSetUserString", [](AnnotationEngine* e, int l, int g) { return e->GrpSetUserString(l, g, nullptr); }},
        {"GrpAddType", [](AnnotationEngine* e, int l, int g) { return e->GrpAddType(l, g, RectangleTool); }},
        {"GrpRemoveType", [](AnnotationEngine* e, int l, int g) { return e->GrpRemoveType(l, g, RectangleTool); }},
        {"GrpSetYoked", [](AnnotationEngine* e, int l, int g) { return e->GrpSetYoked(l, g, 1); }},
        {"GrpGetYoked", [](AnnotationEngine* e, int l, int g) { return e->GrpGetYoked(l, g, &flag); }},
        {"GrpSetSelected", [](AnnotationEngine* e, int l, int g) { return e->GrpSetSelected(l, g, 1); }},
        {"GrpGetSelected", [](AnnotationEngine* e, int l, int g) { return e->GrpGetSelected(l, g, &flag); }},
        {"GrpSetAttribute", [](AnnotationEngine* e, int l, int g) { return e->GrpSetAttribute(l, g, QMK_PenWidth, 3); }},
        {"GrpSetRect", [](AnnotationEngine* e, int l, int g) { return e->GrpSetRect(l, g, 0, 0, 10, 10); }},
        {"GrpGetRect", [](AnnotationEngine* e, int l, int g) { return e->GrpGetRect(l, g, &rect); }},
        {"GrpMirror", [](AnnotationEngine* e, int l, int g) { return e->GrpMirror(l, g); }},
        {"GrpInvert", [](AnnotationEngine* e, int l, int g) { return e->GrpInvert(l, g); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(QMK_ErrInvalidGroupId, row.call(host.Engine(), layer, group + 1));
        EXPECT_EQ(QMK_ErrInvalidGroupId, row.call(host.Engine(), layer, 0));
        EXPECT_EQ(QMK_ErrInvalidLayer, row.call(host.Engine(), 0, group));
    }
    int id = -1;
    EXPECT_EQ(QMK_ErrInvalidLayer, host->GrpCreateGroup(0, nullptr, 0, &id));
    EXPECT_EQ(0, id);
    EXPECT_EQ(QMK_ErrInvalidLayer, host->PrgGetGroupCount(0, &out));
    EXPECT_EQ(QMK_ErrInvalidLayer, host->PrgGetItemGroupID(0, 1, &out));
    EXPECT_EQ(QMK_ErrInvalidLayer, host->GrpGetFirstGroupID(0, &out));
    EXPECT_EQ(QMK_ErrItemNotFound, host->PrgGetItemGroupID(layer, 9, &out));
    // Nothing changed on the way.
    EXPECT_EQ((std::vector<int>{group}), GroupIds());
    EXPECT_TRUE(Members(group).empty());
    EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
}

TEST_F(Groups, AnItemIsInOneGroupAndLeavesItWhenRemovedOrDeleted)
{
    const int one = Create();
    const int two = Create();
    EXPECT_EQ(0, host->GrpAddItem(layer, one, 2));
    EXPECT_EQ(0, host->GrpAddItem(layer, one, 1));
    EXPECT_EQ((std::vector<int>{2, 1}), Members(one)) << "in the order added";
    EXPECT_EQ(0, host->GrpAddItem(layer, two, 1));  // moves it
    EXPECT_EQ((std::vector<int>{2}), Members(one));
    EXPECT_EQ((std::vector<int>{1}), Members(two));
    EXPECT_EQ(two, GroupOf(1));
    EXPECT_EQ(QMK_ErrItemNotFound, host->GrpAddItem(layer, one, 9));
    EXPECT_EQ(QMK_ErrDuplicateItem, host->GrpRemoveItem(layer, one, 1)) << "not a member";
    EXPECT_EQ(0, host->GrpRemoveItem(layer, two, 1));
    EXPECT_EQ(0, GroupOf(1));

    // A destroyed group leaves its members ungrouped.
    EXPECT_EQ(0, host->GrpDestroyGroup(layer, one));
    EXPECT_EQ(0, GroupOf(2));

    // A deleted item leaves its group, and a renumbered one stays in it
    // under its new number.
    EXPECT_EQ(0, host->GrpAddItem(layer, two, 1));
    EXPECT_EQ(0, host->GrpAddItem(layer, two, 2));
    EXPECT_EQ(0, host->GrpAddItem(layer, two, 3));
    EXPECT_EQ(0, host->PrgDeleteItem(layer, 2));
    EXPECT_EQ(0, host->PrgSetItemAttribute(layer, 3, QMK_SequenceNumber, 30));
    EXPECT_EQ((std::vector<int>{1, 30}), Members(two));
    EXPECT_EQ(two, GroupOf(30));
    int count = 0;
    EXPECT_EQ(0, host->GrpGetItemCount(layer, two, &count));
    EXPECT_EQ(2, count);

    EXPECT_EQ(0, host->GrpRemoveAll(layer, two));
    EXPECT_TRUE(Members(two).empty());
    EXPECT_EQ(0, GroupOf(1));
    EXPECT_EQ(0, GroupOf(30));
}

TEST_F(Groups, TypesJoinAndLeaveTogether)
{
    const int id = Create();
    for (int tool : {0, static_cast<int>(PointerTool), 4200, -1}) {
        SCOPED_TRACE(tool);
        EXPECT_EQ(QMK_ErrInvalidTool, host->GrpAddType(layer, id, tool));
        EXPECT_EQ(QMK_ErrInvalidTool, host->GrpRemoveType(layer, id, tool));
    }
    EXPECT_EQ(0, host->GrpAddType(layer, id, RectangleTool));
    EXPECT_EQ((std::vector<int>{1, 2}), Members(id));
    EXPECT_EQ(0, host->GrpAddType(layer, id, EllipseTool));
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Members(id));
    EXPECT_EQ(0, host->GrpRemoveType(layer, id, RectangleTool));
    EXPECT_EQ((std::vector<int>{3}), Members(id));
    EXPECT_EQ(0, GroupOf(1));
    EXPECT_EQ(0, host->GrpRemoveType(layer, id, TextTool));  // none of them: nothing
    EXPECT_EQ((std::vector<int>{3}), Members(id));
}

TEST_F(Groups, OnlyAYokedGroupIsSelectedAndItTakesOverItsMembersSelection)
{
    const int id = Grouped({1, 2}, false);
    EXPECT_EQ(0, host->GrpSetSelected(layer, id, 1));
    EXPECT_FALSE(Selected(id)) << "not yoked";

    // Yoking a group none of whose members is selected does not select it.
    EXPECT_EQ(0, host->GrpSetYoked(layer, id, 1));
    unsigned char yoked = 0;
    EXPECT_EQ(0, host->GrpGetYoked(layer, id, &yoked));
    EXPECT_EQ(1, yoked);
    EXPECT_FALSE(Selected(id));

    // With a member selected it does, and the member leaves the selection.
    EXPECT_EQ(0, host->GrpSetYoked(layer, id, 0));
    Select(2);
    Select(3);
    EXPECT_EQ(0, host->GrpSetYoked(layer, id, 1));
    EXPECT_TRUE(Selected(id));
    EXPECT_EQ((std::vector<int>{3}), Selection());

    EXPECT_EQ(0, host->GrpSetSelected(layer, id, 0));
    EXPECT_FALSE(Selected(id));
    Select(1);
    EXPECT_EQ(0, host->GrpSetSelected(layer, id, 1));
    EXPECT_TRUE(Selected(id));
    EXPECT_EQ((std::vector<int>{3}), Selection());

    // Unyoking unselects it; the selected items join a yoked group as a unit.
    EXPECT_EQ(0, host->GrpSetYoked(layer, id, 0));
    EXPECT_FALSE(Selected(id));
    const int other = Grouped({}, true);
    EXPECT_EQ(0, host->GrpAddSelected(layer, other));
    EXPECT_EQ((std::vector<int>{3}), Members(other));
    EXPECT_TRUE(Selected(other));
    EXPECT_TRUE(Selection().empty());

    // Deselecting everything deselects the group too.
    EXPECT_EQ(0, host->PrgSelectAll(layer, 0));
    EXPECT_FALSE(Selected(other));
}

TEST_F(Groups, TheRectangleInPixelsResizesMirrorsAndFlipsTheMembers)
{
    const int id = Grouped({1, 2}, false);
    ExpectRect({100, 100, 400, 200}, GroupRect(id));

    // The same left and top with a larger size scales from the top-left corner.
    EXPECT_EQ(0, host->GrpSetRect(layer, id, 100, 100, 600, 200));
    ExpectRect({100, 100, 300, 200}, ItemRect(1), 1);
    ExpectRect({500, 100, 700, 300}, ItemRect(2), 1);
    ExpectRect({100, 100, 700, 300}, GroupRect(id), 1);

    // Moved without a change of size.
    EXPECT_EQ(0, host->GrpSetRect(layer, id, 50, 80, 600, 200));
    ExpectRect({50, 80, 250, 180}, ItemRect(1), 1);
    ExpectRect({450, 80, 650, 280}, ItemRect(2), 1);

    // A member at the group's left edge goes to its right edge.
    EXPECT_EQ(0, host->GrpMirror(layer, id));
    ExpectRect({449, 80, 649, 180}, ItemRect(1), 1);
    ExpectRect({49, 80, 249, 280}, ItemRect(2), 1);
    EXPECT_EQ(0, host->GrpInvert(layer, id));
    ExpectRect({449, 179, 649, 279}, ItemRect(1), 1);
    ExpectRect({49, 79, 249, 279}, ItemRect(2), 1);

    // An empty group has an empty rectangle and nothing to change.
    const int empty = Create();
    ExpectRect({0, 0, 0, 0}, GroupRect(empty));
    EXPECT_EQ(0, host->GrpSetRect(layer, empty, 1, 2, 3, 4));
    EXPECT_EQ(0, host->GrpMirror(layer, empty));
}

TEST_F(Groups, AnAttributeSetOnTheGroupReachesEveryMemberAndTheHostHearsOfEach)
{
    const int id = Grouped({2, 1}, false);
    host.ClearCalls();
    EXPECT_EQ(0, host->GrpSetAttribute(layer, id, QMK_PenWidth, 6));
    for (int seq : {1, 2}) {
        EngineValue width = 0;
        EXPECT_EQ(0, host->PrgGetItemAttribute(layer, seq, QMK_PenWidth, &width));
        EXPECT_EQ(6, width);
    }
    EngineValue width = 0;
    EXPECT_EQ(0, host->PrgGetItemAttribute(layer, 3, QMK_PenWidth, &width));
    EXPECT_NE(6, width);
    // A member that has no such attribute is passed over without a word.
    EXPECT_EQ(0, host->GrpSetAttribute(layer, id, QMK_Text, 0));
    const std::vector<ChannelCall> expected = {
        {Channel_ItemChanged, {layer, 2, QMK_PenWidth}},
        {Channel_ItemChanged, {layer, 1, QMK_PenWidth}},
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
}

TEST_F(Groups, ControlGGroupsTheSelectionAndControlUUngroupsIt)
{
    ASSERT_NE(0, host->SetCurrentLayer(layer));
    auto key = [this](WPARAM character) {
        host->KeyMessage(nullptr, WM_CHAR, character, 1);
    };
    struct Row {
        const char* what;
        bool allowed;
        std::vector<int> select;
        WPARAM key;
        std::vector<ChannelCall> expected;
    };
    const std::vector<Row> rows = {
        {"not allowed", false, {1, 2}, 7, {}},
        {"one item", true, {1}, 7, {}},
        {"two items", true, {2, 1}, 7,
         {{Channel_UserGroupCreated, {layer, 1}}, Event(QMK_GroupSelected, 1)}},
        {"no group selected", true, {}, 21, {}},
        {"the group selected", true, {}, 21,
         {{Channel_UserGroupDestroyed, {layer, 1}}, Event(QMK_GroupSelected, 0)}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ASSERT_EQ(0, host->AllowUserGrouping(row.allowed ? 1 : 0));
        if (std::string(row.what) == "the group selected")
            ASSERT_EQ(0, host->GrpSetSelected(layer, 1, 1));
        else
            host->PrgSelectAll(layer, 0);
        for (int seq : row.select)
            Select(seq);
        host.ClearCalls();
        key(row.key);
        EXPECT_EQ(row.expected, host.Calls()) << Describe(host.Calls());
        if (std::string(row.what) == "two items") {
            EXPECT_EQ((std::vector<int>{2, 1}), Members(1)) << "in selection order";
            EXPECT_EQ(L"", Name(1));
            EXPECT_TRUE(Selected(1));
            EXPECT_TRUE(Selection().empty());
        }
    }
    int count = -1;
    EXPECT_EQ(0, host->PrgGetGroupCount(layer, &count));
    EXPECT_EQ(0, count);
    EXPECT_EQ(0, GroupOf(1));
}

TEST_F(Groups, GroupsComeBackFromASavedLayerAndANewOneTakesTheNextId)
{
    const int plain = Grouped({3}, false);
    const int yoked = Create(L"Pair", 42);
    BSTR text = SysAllocString(L"user text");
    EXPECT_EQ(0, host->GrpSetUserString(layer, yoked, text));
    SysFreeString(text);
    EXPECT_EQ(0, host->GrpAddItem(layer, yoked, 2));
    EXPECT_EQ(0, host->GrpAddItem(layer, yoked, 1));
    Select(1);
    EXPECT_EQ(0, host->GrpSetYoked(layer, yoked, 1));
    const int gone = Create();
    EXPECT_EQ(0, host->GrpDestroyGroup(layer, gone));

    struct Carrier {
        const char* name;
        std::function<int(AnnotationEngine*, int layer)> copy;  // the new layer
    };
    const Carrier carriers[] = {
        {"layer variant",
         [](AnnotationEngine* e, int l) {
             VARIANT v;
             VariantInit(&v);
             int size = 0;
             int copied = 0;
             EXPECT_EQ(0, e->GetLayerIntoVariant(&v, l, &size));
             EXPECT_EQ(0, e->SetLayerFromVariant(&v, &copied));
             VariantClear(&v);
             return copied;
         }},
        {"annotation stream",
         [](AnnotationEngine* e, int) {
             VARIANT v;
             VariantInit(&v);
             int size = 0;
             EXPECT_EQ(0, e->GetAnnIntoVariant(&v, &size));
             int width = 800, height = 600;
             EXPECT_EQ(0, e->SetAnnFromVariant(&v, &width, &height));
             VariantClear(&v);
             return e->GetCurrentLayer();
         }},
    };
    for (const Carrier& carrier : carriers) {
        SCOPED_TRACE(carrier.name);
        const int copy = carrier.copy(host.Engine(), layer);
        ASSERT_NE(0, copy);
        layer = copy;
        EXPECT_EQ((std::vector<int>{plain, yoked}), GroupIds());
        EXPECT_EQ((std::vector<int>{3}), Members(plain));
        EXPECT_EQ((std::vector<int>{2, 1}), Members(yoked));
        EXPECT_EQ(L"Pair", Name(yoked));
        int value = 0;
        EXPECT_EQ(0, host->GrpGetUserLong(layer, yoked, &value));
        EXPECT_EQ(42, value);
        BSTR user = nullptr;
        EXPECT_EQ(0, host->GrpGetUserString(layer, yoked, &user));
        EXPECT_STREQ(L"user text", user);
        SysFreeString(user);
        EXPECT_TRUE(Selected(yoked));
        EXPECT_FALSE(Selected(plain));
        EXPECT_EQ(yoked, GroupOf(1));
        EXPECT_EQ(plain, GroupOf(3));
        ExpectRect({100, 100, 400, 200}, GroupRect(yoked), 1);
    }
    // The last id given out was the destroyed group's: the next one follows it.
    EXPECT_EQ(gone + 1, Create());
}

} // namespace
