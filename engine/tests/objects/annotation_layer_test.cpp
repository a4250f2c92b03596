// The layer's lists driven directly: sequence numbers, walks, selection,
// z-order, deleting, moving, item attributes, tools and the pending object,
// layer properties and painting oldest first.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "layer/annotation_layer.h"
#include "layer/layer_host.h"
#include "object_test_support.h"
#include "recording_layer_host.h"

using namespace objects_test;

namespace {

using Event = LayerEvent;

std::string Describe(const std::vector<Event>& events)
{
    std::string text;
    for (const Event& e : events)
        text += "(" + std::to_string(e.code) + ", " + std::to_string(e.data) + ") ";
    return text;
}

class LayerTest : public ::testing::Test {
protected:
    LayerTest() : host(&view.mapping), layer(host)
    {
        for (int tool = kFirstTool; tool <= kLastTool; ++tool)
            layer.SetToolAttributes(tool, ToolMap(tool));
        layer.Attach(&view.mapping, kScreenUnit, nullptr, nullptr);
    }

    // A rectangle or ellipse in pixels, added with notify; its seq.
    int Add(int tool, int l, int t, int r, int b, int seq = 0)
    {
        auto item = std::make_unique<ShapeAnnotation>(tool, ToolMap(tool));
        RECT bounds = LayerRect(l, t, r, b);
        bool changed = false;
        item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds), changed);
        item->SetSequenceNumber(seq);
        return layer.AddItem(std::move(item), false, true);
    }

    std::vector<int> Order()
    {
        std::vector<int> order;
        for (int seq = layer.FirstItem(); seq != 0; seq = layer.NextItem())
            order.push_back(seq);
        return order;
    }

    std::vector<int> Selection()
    {
        std::vector<int> order;
        for (int seq = layer.FirstSelected(); seq != 0; seq = layer.NextSelected())
            order.push_back(seq);
        return order;
    }

    int Attribute(int seq, int code)
    {
        int value = -12345;
        EXPECT_EQ(QMK_NoError, layer.GetItemAttribute(seq, code, &value));
        return value;
    }

    TestView view;
    RecordingLayerHost host;
    AnnotationLayer layer;
};

TEST_F(LayerTest, EmptyLayer)
{
    EXPECT_EQ(0, layer.ItemCount());
    EXPECT_EQ(0, layer.FirstItem());
    EXPECT_EQ(0, layer.FirstSelected());
    int seq = -1;
    EXPECT_EQ(QMK_ErrItemNotFound, layer.SequenceFromEntry(1, &seq));
    EXPECT_EQ(0, seq);
    layer.SelectAll(false);
    layer.SelectAll(true);
    EXPECT_FALSE(layer.IsSelection());
    EXPECT_TRUE(host.events.empty()) << Describe(host.events);
    EXPECT_EQ(0, layer.AddItem(nullptr, true, true)) << "nothing pending, nothing added";
}

TEST_F(LayerTest, SequenceNumbersAreUniqueAndNeverReused)
{
    struct Step {
        int askedSeq;   // the number the item comes with (0: none)
        int expected;   // the number it gets
    };
    // First gets 1; a free number is kept; a taken one (or 0) gets the next
    // free number after the last given out.
    const Step steps[] = {{0, 1}, {7, 7}, {0, 8}, {7, 9}, {3, 3}, {0, 10}, {10, 11}};
    std::vector<int> expectedOrder;
    for (const Step& step : steps) {
        EXPECT_EQ(step.expected, Add(RectangleTool, 10, 10, 50, 40, step.askedSeq))
            << "asked " << step.askedSeq;
        expectedOrder.push_back(step.expected);
    }
    EXPECT_EQ(expectedOrder, Order());
    std::vector<Event> added;
    for (int seq : expectedOrder)
        added.push_back({QMK_AnnotationAdded, seq});
    EXPECT_EQ(added, host.events) << Describe(host.events);
}

TEST_F(LayerTest, TheLastSequenceNumberNeverFallsBelowTheItems)
{
    Add(RectangleTool, 10, 10, 50, 40, 12);
    Add(RectangleTool, 10, 10, 50, 40, 4);
    // As a saved layer that recorded too low a number would set it.
    layer.SetLastSequenceNumber(2);
    EXPECT_EQ(12, layer.LastSequenceNumber());
    EXPECT_EQ(13, Add(RectangleTool, 1, 1, 5, 5));
    layer.SetLastSequenceNumber(40);
    EXPECT_EQ(41, Add(RectangleTool, 1, 1, 5, 5));
}

TEST_F(LayerTest, SettingTheSequenceNumberRefusesTakenNumbers)
{
    int a = Add(RectangleTool, 10, 10, 50, 40);
    int b = Add(EllipseTool, 10, 10, 50, 40);
    EXPECT_EQ(QMK_ErrInvalidAttribute, layer.SetItemAttribute(b, QMK_SequenceNumber, a));
    EXPECT_EQ(QMK_ErrInvalidAttribute, layer.SetItemAttribute(b, QMK_SequenceNumber, 0));
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(b, QMK_SequenceNumber, b));
    EXPECT_EQ((std::vector<int>{1, 2}), Order());
    // A free number is taken; allocation then skips past every taken number.
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(a, QMK_SequenceNumber, 3));
    EXPECT_EQ(3, Attribute(3, QMK_SequenceNumber));
    EXPECT_EQ(nullptr, layer.FindItem(1));
    EXPECT_EQ(4, Add(RectangleTool, 1, 1, 5, 5));
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(4, QMK_SequenceNumber, 6));
    EXPECT_EQ(7, Add(RectangleTool, 1, 1, 5, 5)) << "the last number follows a number set by hand";
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(7, QMK_SequenceNumber, 9));
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(9, QMK_SequenceNumber, 8));
    EXPECT_EQ(10, Add(RectangleTool, 1, 1, 5, 5));
    EXPECT_EQ((std::vector<int>{3, 2, 6, 8, 10}), Order());
}

TEST_F(LayerTest, PositionsAndSequenceFromEntry)
{
    for (int i = 0; i < 3; ++i)
        Add(RectangleTool, 10, 10, 50, 40);
    int seq = 0;
    EXPECT_EQ(QMK_NoError, layer.SequenceFromEntry(3, &seq));
    EXPECT_EQ(3, seq);
    EXPECT_EQ(QMK_ErrItemNotFound, layer.SequenceFromEntry(0, &seq));
    EXPECT_EQ(QMK_ErrItemNotFound, layer.SequenceFromEntry(4, &seq));
    EXPECT_EQ(2, Attribute(2, QMK_ZOrder));
    int value = 0;
    EXPECT_EQ(QMK_ErrItemNotFound, layer.GetItemAttribute(99, QMK_ZOrder, &value));
}

TEST_F(LayerTest, ZOrderOperations)
{
    struct Case {
        const char* name;
        int (*run)(AnnotationLayer&);
        int result;
        std::vector<int> order;  // from the bottom; the layer starts 1 2 3 4
    };
    const Case cases[] = {
        {"to front", [](AnnotationLayer& l) { return l.BringItemToFront(2); }, 0, {1, 3, 4, 2}},
        {"to back", [](AnnotationLayer& l) { return l.SendItemToBack(3); }, 0, {3, 1, 2, 4}},
        {"up", [](AnnotationLayer& l) { return l.NudgeUp(2); }, 0, {1, 3, 2, 4}},
        {"up at the top", [](AnnotationLayer& l) { return l.NudgeUp(4); }, 0, {1, 2, 3, 4}},
        {"down", [](AnnotationLayer& l) { return l.NudgeDown(3); }, 0, {1, 3, 2, 4}},
        {"down at the bottom", [](AnnotationLayer& l) { return l.NudgeDown(1); }, 0, {1, 2, 3, 4}},
        {"nudge unknown", [](AnnotationLayer& l) { return l.NudgeUp(99); }, 0, {1, 2, 3, 4}},
        {"front unknown", [](AnnotationLayer& l) { return l.BringItemToFront(99); },
         QMK_ErrItemNotFound, {1, 2, 3, 4}},
        {"back unknown", [](AnnotationLayer& l) { return l.SendItemToBack(99); },
         QMK_ErrItemNotFound, {1, 2, 3, 4}},
        {"position 1", [](AnnotationLayer& l) { return l.SetItemAttribute(4, QMK_ZOrder, 1); }, 0,
         {4, 1, 2, 3}},
        {"up to position 3: before the item there",
         [](AnnotationLayer& l) { return l.SetItemAttribute(1, QMK_ZOrder, 3); }, 0, {2, 1, 3, 4}},
        {"down to position 2: before the item there",
         [](AnnotationLayer& l) { return l.SetItemAttribute(4, QMK_ZOrder, 2); }, 0, {1, 4, 2, 3}},
        {"its own position", [](AnnotationLayer& l) { return l.SetItemAttribute(2, QMK_ZOrder, 2); },
         0, {1, 2, 3, 4}},
        {"position of the count", [](AnnotationLayer& l) { return l.SetItemAttribute(1, QMK_ZOrder, 4); },
         0, {2, 3, 4, 1}},
        {"beyond the count", [](AnnotationLayer& l) { return l.SetItemAttribute(1, QMK_ZOrder, 9); },
         0, {2, 3, 4, 1}},
        {"position 0", [](AnnotationLayer& l) { return l.SetItemAttribute(1, QMK_ZOrder, 0); },
         QMK_ErrItemNotFound, {1, 2, 3, 4}},
        {"reverse", [](AnnotationLayer& l) { l.Reverse(); return 0; }, 0, {4, 3, 2, 1}},
        {"selected to front, none selected", [](AnnotationLayer& l) { return l.BringSelectedToFront(); },
         QMK_ErrNoSelection, {1, 2, 3, 4}},
        {"selected to back, none selected", [](AnnotationLayer& l) { return l.SendSelectedToBack(); },
         QMK_ErrNoSelection, {1, 2, 3, 4}},
        {"selected 3 then 1 to front",
         [](AnnotationLayer& l) {
             l.SetItemAttribute(3, QMK_Selected, 1);
             l.SetItemAttribute(1, QMK_Selected, 1);
             return l.BringSelectedToFront();
         },
         0, {2, 4, 3, 1}},
        {"selected 2 then 4 to back",
         [](AnnotationLayer& l) {
             l.SetItemAttribute(2, QMK_Selected, 1);
             l.SetItemAttribute(4, QMK_Selected, 1);
             return l.SendSelectedToBack();
         },
         0, {4, 2, 1, 3}},
    };
    for (const Case& c : cases) {
        RecordingLayerHost fresh(&view.mapping);
        AnnotationLayer l(fresh);
        l.Attach(&view.mapping, kScreenUnit, nullptr, nullptr);
        for (int i = 0; i < 4; ++i)
            l.AddItem(std::make_unique<ShapeAnnotation>(RectangleTool, ToolMap(RectangleTool)),
                      false, false);
        EXPECT_EQ(c.result, c.run(l)) << c.name;
        std::vector<int> order;
        for (int seq = l.FirstItem(); seq != 0; seq = l.NextItem())
            order.push_back(seq);
        EXPECT_EQ(c.order, order) << c.name;
    }
}

TEST_F(LayerTest, SelectionEvents)
{
    for (int i = 0; i < 3; ++i)
        Add(RectangleTool, 10 + i, 10, 50, 40);
    host.events.clear();
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(2, QMK_Selected, 1));
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(2, QMK_Selected, 1)) << "no second event";
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(3, QMK_Selected, 1));
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(1, QMK_Selected, 0)) << "not selected: nothing";
    EXPECT_EQ((std::vector<int>{2, 3}), Selection());
    EXPECT_EQ(1, Attribute(2, QMK_Selected));
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(2, QMK_Selected, 0));
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(3, QMK_Selected, 0));
    EXPECT_EQ(0, Attribute(3, QMK_Selected));
    const std::vector<Event> expected = {{QMK_AnnotationSelected, 2},
                                         {QMK_AnnotationSelected, 3},
                                         {QMK_AnnotationEndSelected, 0}};
    EXPECT_EQ(expected, host.events) << Describe(host.events);

    // Select all sends nothing; deselect all sends one end-of-selection.
    host.events.clear();
    layer.SelectAll(true);
    EXPECT_EQ((std::vector<int>{1, 2, 3}), Selection());
    EXPECT_EQ(1, Attribute(1, QMK_Selected));
    EXPECT_TRUE(host.events.empty()) << Describe(host.events);
    layer.SelectAll(false);
    EXPECT_FALSE(layer.IsSelection());
    EXPECT_EQ(0, Attribute(1, QMK_Selected));
    EXPECT_EQ((std::vector<Event>{{QMK_AnnotationEndSelected, 0}}), host.events)
        << Describe(host.events);
}

TEST_F(LayerTest, Deleting)
{
    for (int i = 0; i < 4; ++i)
        Add(RectangleTool, 10, 10, 50, 40);
    layer.SetItemAttribute(3, QMK_Selected, 1);
    layer.SetItemAttribute(1, QMK_Selected, 1);
    host.events.clear();
    EXPECT_EQ(QMK_ErrItemNotFound, layer.DeleteItem(99));
    EXPECT_EQ(QMK_NoError, layer.DeleteItem(3));
    EXPECT_EQ((std::vector<int>{1}), Selection()) << "a deleted item leaves the selection";
    layer.DeleteSelected();
    EXPECT_FALSE(layer.IsSelection());
    EXPECT_EQ((std::vector<int>{2, 4}), Order());
    EXPECT_EQ(QMK_NoError, layer.SelectTool(EllipseTool));
    host.events.clear();
    layer.DeleteAll();
    EXPECT_EQ(0, layer.ItemCount());
    EXPECT_EQ(nullptr, layer.PendingObject());
    EXPECT_EQ(PointerTool, layer.CurrentTool());
    const std::vector<Event> expected = {{QMK_AnnotationDeleted, 2},
                                         {QMK_AnnotationDeleted, 4},
                                         {QMK_ToolChange, PointerTool}};
    EXPECT_EQ(expected, host.events) << Describe(host.events);
    EXPECT_EQ(5, Add(RectangleTool, 1, 1, 5, 5)) << "numbers are not given out again";
}

TEST_F(LayerTest, MoveTakesAnAbsolutePositionInPixels)
{
    int seq = Add(RectangleTool, 10, 10, 50, 40);
    EXPECT_EQ(QMK_NoError, layer.MoveItem(seq, 100, 200));
    RECT bounds = {};
    EXPECT_EQ(QMK_NoError, layer.GetItemAttribute(seq, QMK_BoundingRect, &bounds));
    EXPECT_EQ(LX(100), bounds.left);
    EXPECT_EQ(LY(200), bounds.top);
    EXPECT_EQ(LX(140), bounds.right);
    EXPECT_EQ(LY(230), bounds.bottom);
    // Twice to the same place changes nothing further.
    EXPECT_EQ(QMK_NoError, layer.MoveItem(seq, 100, 200));
    EXPECT_EQ(QMK_NoError, layer.GetItemAttribute(seq, QMK_BoundingRect, &bounds));
    EXPECT_EQ(LX(100), bounds.left);
    // Kept inside the image.
    EXPECT_EQ(QMK_NoError, layer.MoveItem(seq, kImageWidth, kImageHeight));
    EXPECT_EQ(QMK_NoError, layer.GetItemAttribute(seq, QMK_BoundingRect, &bounds));
    EXPECT_LE(bounds.right, Annotation::kLayerUnitsFull);
    EXPECT_LE(bounds.bottom, Annotation::kLayerUnitsFull);
    EXPECT_EQ(QMK_ErrItemNotFound, layer.MoveItem(99, 0, 0));
}

TEST_F(LayerTest, ItemAttributesGoThroughTheItem)
{
    int seq = Add(RectangleTool, 10, 10, 50, 40);
    EXPECT_EQ(QMK_NoError, layer.SetItemAttribute(seq, QMK_PenWidth, 7));
    EXPECT_EQ(7, Attribute(seq, QMK_PenWidth));
    EXPECT_EQ(QMK_ErrInvalidAttribute, layer.SetItemAttribute(seq, QMK_Text, 0))
        << "a rectangle has no text";
    EXPECT_EQ(QMK_ErrItemNotFound, layer.SetItemAttribute(99, QMK_PenWidth, 7));
    POINT corner = {};
    EXPECT_EQ(QMK_NoError, layer.GetItemPoint(seq, 0, &corner));
    EXPECT_EQ(10, corner.x);
    EXPECT_EQ(10, corner.y);
    POINT moved = {20, 30};
    EXPECT_EQ(QMK_NoError, layer.SetItemPoint(seq, 1, &moved));
    EXPECT_EQ(QMK_NoError, layer.GetItemPoint(seq, 1, &corner));
    EXPECT_EQ(20, corner.x);
    EXPECT_EQ(30, corner.y);
    EXPECT_EQ(QMK_ErrInvalidPoint, layer.GetItemPoint(seq, 2, &corner));
    EXPECT_EQ(QMK_ErrItemNotFound, layer.GetItemPoint(99, 0, &corner));
}

TEST_F(LayerTest, ToolsAndThePendingObject)
{
    struct Step {
        int tool;
        int result;
        int currentTool;
        bool pending;
    };
    const Step steps[] = {
        {RectangleTool, 0, RectangleTool, true},
        {ProtractorTool, 0, RectangleTool, true},  // no items of its own: nothing changes
        {EllipseTool, 0, EllipseTool, true},
        {PointerTool, 0, PointerTool, false},
        {PointerTool, 0, PointerTool, false},
        {4095, QMK_ErrInvalidTool, PointerTool, false},
        {4109, QMK_ErrInvalidTool, PointerTool, false},
        {NoTool, 0, NoTool, false},
    };
    for (const Step& step : steps) {
        Annotation* before = layer.PendingObject();
        EXPECT_EQ(step.result, layer.SelectTool(step.tool)) << step.tool;
        EXPECT_EQ(step.currentTool, layer.CurrentTool()) << step.tool;
        EXPECT_EQ(step.pending, layer.PendingObject() != nullptr) << step.tool;
        if (step.tool == ProtractorTool) {
            EXPECT_EQ(before, layer.PendingObject()) << "the same pending object";
        } else if (layer.PendingObject()) {
            EXPECT_EQ(step.tool, layer.PendingObject()->Type());
        }
    }
    const std::vector<Event> expected = {{QMK_ToolChange, RectangleTool},
                                         {QMK_ToolChange, EllipseTool},
                                         {QMK_ToolChange, PointerTool},
                                         {QMK_ToolChange, NoTool}};
    EXPECT_EQ(expected, host.events) << Describe(host.events);
    EXPECT_EQ((std::vector<int>{RectangleTool, EllipseTool, PointerTool, PointerTool, NoTool}),
              host.toolsShown);
    EXPECT_EQ(0, layer.ItemCount()) << "a pending object that was let go is not an item";
}

TEST_F(LayerTest, ThePendingObjectJoinsTheListAndAFreshOneIsMade)
{
    ASSERT_EQ(QMK_NoError, layer.SelectTool(RectangleTool));
    Annotation* first = layer.PendingObject();
    host.events.clear();
    EXPECT_EQ(1, layer.AddItem(nullptr, true, true));
    EXPECT_EQ(first, layer.FindItem(1));
    EXPECT_TRUE(first->IsCommitted());
    ASSERT_NE(nullptr, layer.PendingObject());
    EXPECT_NE(first, layer.PendingObject());
    EXPECT_EQ(RectangleTool, layer.CurrentTool());
    const std::vector<Event> expected = {{QMK_AnnotationAdded, 1}, {QMK_ToolChange, RectangleTool}};
    EXPECT_EQ(expected, host.events) << Describe(host.events);
}

TEST_F(LayerTest, ToolAttributesReachThePendingObject)
{
    ASSERT_EQ(QMK_NoError, layer.SelectTool(RectangleTool));
    EXPECT_EQ(QMK_NoError, layer.SetToolAttribute(RectangleTool, QMK_PenWidth, 9));
    EXPECT_EQ(9, layer.PendingObject()->MapNumber(QMK_PenWidth));
    EXPECT_EQ(QMK_NoError, layer.SetToolAttribute(EllipseTool, QMK_PenWidth, 4));
    EXPECT_EQ(9, layer.PendingObject()->MapNumber(QMK_PenWidth)) << "another tool's set";
    EXPECT_EQ(QMK_ErrInvalidAttribute, layer.SetToolAttribute(RectangleTool, QMK_Text, 0));
    EXPECT_EQ(QMK_ErrInvalidTool, layer.SetToolAttribute(4110, QMK_PenWidth, 1));

    // The user string of a tool that has none: the layer keeps its own copy.
    EngineValue got = 0;
    EXPECT_EQ(QMK_NoError, layer.GetToolAttribute(RectangleTool, QMK_UserString, &got));
    ASSERT_NE(0, got);
    EXPECT_EQ(0u, SysStringLen(reinterpret_cast<BSTR>(got)));
    SysFreeString(reinterpret_cast<BSTR>(got));
    BSTR text = SysAllocString(L"mine");
    EXPECT_EQ(QMK_NoError,
              layer.SetToolAttribute(RectangleTool, QMK_UserString, reinterpret_cast<EngineValue>(text)));
    SysFreeString(text);
    EXPECT_EQ(QMK_NoError, layer.GetToolAttribute(RectangleTool, QMK_UserString, &got));
    EXPECT_EQ(std::wstring(L"mine"), std::wstring(reinterpret_cast<BSTR>(got)));
    SysFreeString(reinterpret_cast<BSTR>(got));
}

TEST_F(LayerTest, AccessNameFixesTheCreationTime)
{
    BSTR name = SysAllocString(L"Marlow Tennet");
    EXPECT_EQ(QMK_NoError, layer.SetProperty(QMK_LayerName, reinterpret_cast<EngineValue>(name)));
    SysFreeString(name);
    name = SysAllocString(L"other");
    EXPECT_EQ(QMK_NoError, layer.SetProperty(QMK_LayerName, reinterpret_cast<EngineValue>(name)));
    SysFreeString(name);
    ASSERT_EQ(QMK_NoError, layer.SelectTool(EllipseTool));
    EXPECT_EQ(AnnotationLayer::kFixedCreationSeconds, layer.PendingObject()->CreationSeconds());

    RecordingLayerHost otherHost(&view.mapping);
    AnnotationLayer other(otherHost);
    other.SetToolAttributes(EllipseTool, ToolMap(EllipseTool));
    name = SysAllocString(L"marlow tennet");
    other.SetProperty(QMK_LayerName, reinterpret_cast<EngineValue>(name));
    SysFreeString(name);
    ASSERT_EQ(QMK_NoError, other.SelectTool(EllipseTool));
    EXPECT_NE(AnnotationLayer::kFixedCreationSeconds, other.PendingObject()->CreationSeconds())
        << "the name is compared case-sensitively";
}

TEST_F(LayerTest, LayerProperties)
{
    struct Row {
        int code;
        int initial;
    };
    const Row rows[] = {{36752, 0}, {QMK_LayerItemCount, 0}, {QMK_LayerActive, 0},
                        {QMK_LayerVisible, 1}, {QMK_LayerSequenceNumber, 1},
                        {QMK_LayerGroupCount, 0}, {QMK_LayerGroupId, 0}};
    for (const Row& row : rows) {
        int value = -1;
        EXPECT_EQ(QMK_NoError, layer.GetProperty(row.code, reinterpret_cast<EngineValue*>(&value)))
            << row.code;
        EXPECT_EQ(row.initial, value) << row.code;
    }
    int value = 0;
    EXPECT_EQ(QMK_ErrInvalidAttribute, layer.GetProperty(514, reinterpret_cast<EngineValue*>(&value)));
    EXPECT_EQ(QMK_ErrInvalidAttribute, layer.SetProperty(514, 1));
    EXPECT_EQ(QMK_NoError, layer.SetProperty(QMK_LayerVisible, 0));
    EXPECT_FALSE(layer.Visible());
    EXPECT_EQ(QMK_NoError, layer.SetProperty(QMK_LayerActive, 5));
    EXPECT_TRUE(layer.Active());

    BSTR description = SysAllocString(L"notes");
    EXPECT_EQ(QMK_NoError,
              layer.SetProperty(QMK_LayerDescription, reinterpret_cast<EngineValue>(description)));
    SysFreeString(description);
    BSTR got = nullptr;
    EXPECT_EQ(QMK_NoError, layer.GetProperty(QMK_LayerDescription, reinterpret_cast<EngineValue*>(&got)));
    EXPECT_EQ(std::wstring(L"notes"), std::wstring(got));
    SysFreeString(got);
    got = nullptr;
    EXPECT_EQ(QMK_NoError, layer.GetProperty(QMK_LayerName, reinterpret_cast<EngineValue*>(&got)));
    ASSERT_NE(nullptr, got);
    EXPECT_EQ(0u, SysStringLen(got));
    SysFreeString(got);
}

TEST_F(LayerTest, PaletteFlagsAndActivation)
{
    unsigned char flag = 9;
    EXPECT_EQ(QMK_NoError, layer.GetToolEnabled(TextTool, &flag));
    EXPECT_EQ(1, flag);
    EXPECT_EQ(QMK_ErrInvalidTool, layer.GetToolEnabled(NoTool, &flag));
    EXPECT_EQ(QMK_ErrInvalidTool, layer.SetToolVisible(4109, true));
    EXPECT_EQ(QMK_NoError, layer.SetToolVisible(LineTool, false));
    EXPECT_EQ(QMK_NoError, layer.DeleteTool(StampTool));
    EXPECT_TRUE(host.palette.empty()) << "not current: the palette is not told";
    layer.Activate(true);
    // 13 enabled, 13 visible, then per tool its deleted flag or visible 0.
    std::vector<Event> expected;
    for (int tool = kFirstTool; tool <= kLastTool; ++tool)
        expected.push_back({1, tool * 2 + 1});
    for (int tool = kFirstTool; tool <= kLastTool; ++tool)
        expected.push_back({3, tool * 2 + (tool != LineTool)});
    for (int tool = kFirstTool; tool <= kLastTool; ++tool)
        expected.push_back(tool == LineTool ? Event{3, tool * 2} : Event{2, tool * 2 + (tool == StampTool)});
    EXPECT_EQ(expected, host.palette) << Describe(host.palette);
    host.palette.clear();
    EXPECT_EQ(QMK_NoError, layer.SetToolEnabled(TextTool, false));
    EXPECT_EQ((std::vector<Event>{{1, TextTool * 2}}), host.palette);
    EXPECT_EQ(QMK_NoError, layer.GetToolEnabled(TextTool, &flag));
    EXPECT_EQ(0, flag);
}

TEST_F(LayerTest, PaintsOldestFirstAndNothingWhenHidden)
{
    DibCanvas canvas(200, 100);
    host.painter.Begin(canvas.dc());  // the engine's pens and brushes go there
    Add(RectangleTool, 10, 10, 50, 40);  // green fill
    Add(EllipseTool, 30, 10, 70, 40);    // cyan fill, on top
    layer.Paint(canvas.dc(), PaintArguments());
    EXPECT_EQ(RGB(0, 255, 255), canvas.At(40, 25)) << "the top-most item is painted last";
    EXPECT_EQ(RGB(0, 255, 0), canvas.At(20, 25));

    canvas.Fill(RGB(255, 255, 255));
    layer.Reverse();
    layer.Paint(canvas.dc(), PaintArguments());
    EXPECT_EQ(RGB(0, 255, 0), canvas.At(40, 25));

    canvas.Fill(RGB(255, 255, 255));
    layer.SetItemAttribute(1, QMK_Selected, 1);
    layer.SetProperty(QMK_LayerVisible, 0);
    layer.Paint(canvas.dc(), PaintArguments());
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(40, 25)) << "a hidden layer paints nothing";
    EXPECT_EQ(2, layer.ItemCount());
    EXPECT_TRUE(layer.IsSelection()) << "and keeps its items and selection";

    layer.SetProperty(QMK_LayerVisible, 1);
    layer.SetUpdates(false);
    layer.Paint(canvas.dc(), PaintArguments());
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(40, 25)) << "nor while updates are off";
    layer.SetUpdates(true);
    layer.Paint(canvas.dc(), PaintArguments());
    EXPECT_EQ(RGB(0, 255, 0), canvas.At(40, 25));
}

TEST_F(LayerTest, ShapesDrawWithTheEnginesPensAndBrushes)
{
    using Brush = RecordingLayerHost::BrushRequest;
    using Pen = RecordingLayerHost::PenRequest;
    struct Case {
        const char* name;
        int tool;
        std::vector<std::pair<int, int>> attributes;
        std::vector<Brush> brushes;
        std::vector<Pen> pens;
    };
    const COLORREF kBlue = 0xFF0000;  // the tools' pen colour
    const Case cases[] = {
        {"a filled rectangle", RectangleTool, {{QMK_PenWidth, 2}},
         {{0x00FF00, false, HatchStyle_None, 0}}, {{2, kBlue, PS_INSIDEFRAME}}},
        {"a transparent ellipse", EllipseTool, {{QMK_BackStyle, 3001}, {QMK_PenWidth, 3}},
         {{0xFFFF00, true, HatchStyle_None, 0}}, {{3, kBlue, PS_INSIDEFRAME}}},
        {"a hatched rectangle", RectangleTool,
         {{QMK_HatchStyle, 6003}, {QMK_HatchColor, 0x0000FF}, {QMK_PenWidth, 0}},
         {{0x00FF00, false, 6003, 0x0000FF}}, {{0, 0, PS_INSIDEFRAME}}},
        {"a highlight without a pen: the null pen of the system", RectangleTool,
         {{QMK_HighlightFill, 1}, {QMK_PenWidth, 0}}, {{0x00FF00, false, HatchStyle_None, 0}}, {}},
        {"transparent without a pen: nothing", EllipseTool,
         {{QMK_BackStyle, 3001}, {QMK_PenWidth, 0}}, {}, {}},
    };
    DibCanvas canvas(100, 100);
    host.painter.Begin(canvas.dc());
    for (const Case& c : cases) {
        layer.DeleteAll();
        const int seq = Add(c.tool, 10, 10, 50, 40);
        for (const auto& attribute : c.attributes)
            ASSERT_EQ(0, layer.SetItemAttribute(seq, attribute.first, attribute.second)) << c.name;
        host.brushes.clear();
        host.pens.clear();
        layer.Paint(canvas.dc(), PaintArguments());
        EXPECT_EQ(c.brushes, host.brushes) << c.name;
        EXPECT_EQ(c.pens, host.pens) << c.name;
    }
    host.painter.End();
}

TEST_F(LayerTest, TeardownReportsNothing)
{
    auto owned = std::make_unique<RecordingLayerHost>(&view.mapping);
    {
        AnnotationLayer doomed(*owned);
        doomed.Attach(&view.mapping, kScreenUnit, nullptr, nullptr);
        doomed.AddItem(std::make_unique<ShapeAnnotation>(RectangleTool, ToolMap(RectangleTool)),
                       false, false);
        owned->events.clear();
    }
    EXPECT_TRUE(owned->events.empty()) << Describe(owned->events);
}

} // namespace
