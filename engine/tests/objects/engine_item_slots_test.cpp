// The item operations of the interface on a layer that holds items. The
// engine object is made in-process so that the test can put items into a
// layer (no operation makes them yet without the mouse); every operation is
// then called through the AnnotationEngine vtable, as a host calls it.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine_object.h"
#include "objects/shape_annotation.h"
#include "settings/tool_defaults.h"

namespace {

struct Call {
    int channel;
    std::vector<int> args;
    bool operator==(const Call& other) const { return channel == other.channel && args == other.args; }
};

std::string Describe(const std::vector<Call>& calls)
{
    std::string text;
    for (const Call& call : calls) {
        text += "ch" + std::to_string(call.channel) + "(";
        for (int arg : call.args)
            text += std::to_string(arg) + " ";
        text += ") ";
    }
    return text;
}

std::vector<Call>* g_calls = nullptr;

int __stdcall OnEvent(HostCookie, int code, int data)
{
    g_calls->push_back({Channel_AnnotateEvent, {code, data}});
    return 0;
}

int __stdcall OnItemChanged(HostCookie, int layer, int seq, int attribute)
{
    g_calls->push_back({Channel_ItemChanged, {layer, seq, attribute}});
    return 0;
}

SIZE g_image = {1024, 512};

int __stdcall FixedView(HostCookie, int* kind, RECT* view, RECT* image, int* width, int* height)
{
    *kind = 0;
    *view = {0, 0, g_image.cx, g_image.cy};
    *image = *view;
    *width = g_image.cx;
    *height = g_image.cy;
    return 0;
}

class EngineItems : public ::testing::Test {
protected:
    EngineItems() : object(1, nullptr)
    {
        g_calls = &calls;
        g_image = {1024, 512};
        object.LoadDefaults();
        engine()->RegisterCallback(Channel_AnnotateEvent, reinterpret_cast<void*>(&OnEvent));
        engine()->RegisterCallback(Channel_ItemChanged, reinterpret_cast<void*>(&OnItemChanged));
        engine()->SetHostGetViewGeometry(2, &FixedView);
        layer = engine()->CreateLayer(1);
        defaults.LoadDefaults();
    }
    ~EngineItems() override { g_calls = nullptr; }

    AnnotationEngine* engine() { return &object; }

    // A rectangle at pixel (l, t, r, b) of the 1024 x 512 image.
    int Add(int tool, int l, int t, int r, int b)
    {
        auto item = std::make_unique<ShapeAnnotation>(tool, *defaults.MapOf(tool));
        RECT bounds = {l * 16384, t * 32768, r * 16384, b * 32768};
        bool changed = false;
        item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds), changed);
        return object.FindLayer(layer)->AddItem(std::move(item), false, true);
    }

    std::vector<int> Order()
    {
        std::vector<int> order;
        int seq = 0;
        for (engine()->PrgGetFirstItem(layer, &seq); seq != 0; engine()->PrgGetNextItem(layer, &seq))
            order.push_back(seq);
        return order;
    }

    std::vector<Call> calls;
    EngineObject object;
    ToolDefaults defaults;
    int layer = 0;
};

TEST_F(EngineItems, SetItemAttributeReportsRealChangesOnly)
{
    int seq = Add(RectangleTool, 10, 10, 50, 40);
    calls.clear();
    BSTR same = SysAllocString(L"");
    BSTR text = SysAllocString(L"note");
    RECT rect = {16384, 32768, 16384 * 20, 32768 * 20};
    struct Step {
        const char* name;
        int attribute;
        EngineValue value;
        int result;
        bool reported;
    };
    const Step steps[] = {
        {"pen width as it is", QMK_PenWidth, 1, 0, false},
        {"pen width", QMK_PenWidth, 3, 0, true},
        {"pen width again", QMK_PenWidth, 3, 0, false},
        {"empty user string as it is", QMK_UserString, reinterpret_cast<EngineValue>(same), 0, false},
        {"user string", QMK_UserString, reinterpret_cast<EngineValue>(text), 0, true},
        {"user string again", QMK_UserString, reinterpret_cast<EngineValue>(text), 0, false},
        {"rectangle", QMK_BoundingRect, reinterpret_cast<EngineValue>(&rect), 0, true},
        {"rectangle again", QMK_BoundingRect, reinterpret_cast<EngineValue>(&rect), 0, false},
        {"sequence number", QMK_SequenceNumber, 5, 0, false},
        {"no such attribute", QMK_Text, reinterpret_cast<EngineValue>(text), QMK_ErrInvalidAttribute, false},
    };
    int current = seq;
    std::vector<Call> expected;
    for (const Step& step : steps) {
        EXPECT_EQ(step.result, engine()->PrgSetItemAttribute(layer, current, step.attribute, step.value))
            << step.name;
        if (step.reported)
            expected.push_back({Channel_ItemChanged, {layer, current, step.attribute}});
        if (step.attribute == QMK_SequenceNumber && step.result == 0)
            current = static_cast<int>(step.value);
    }
    SysFreeString(same);
    SysFreeString(text);
    EXPECT_EQ(expected, calls) << Describe(calls);
    EngineValue width = 0;
    EXPECT_EQ(0, engine()->PrgGetItemAttribute(layer, 5, QMK_PenWidth, &width));
    EXPECT_EQ(3, width);
}

TEST_F(EngineItems, TakenSequenceNumbersAreRefusedThroughTheInterface)
{
    int a = Add(RectangleTool, 10, 10, 50, 40);
    int b = Add(RectangleTool, 10, 10, 50, 40);
    EXPECT_EQ(QMK_ErrInvalidAttribute, engine()->PrgSetItemAttribute(layer, b, QMK_SequenceNumber, a));
    EXPECT_EQ((std::vector<int>{1, 2}), Order());
}

TEST_F(EngineItems, SelectionZOrderAndDeleteThroughTheInterface)
{
    for (int i = 0; i < 3; ++i)
        Add(RectangleTool, 10, 10, 50, 40);
    calls.clear();
    EXPECT_EQ(0, engine()->PrgSetItemAttribute(layer, 1, QMK_Selected, 1));
    EXPECT_EQ(0, engine()->PrgSetItemAttribute(layer, 3, QMK_Selected, 1));
    EXPECT_EQ(1, engine()->IsSelection(layer));
    EXPECT_EQ(0, engine()->SendToBack(layer));
    EXPECT_EQ((std::vector<int>{3, 1, 2}), Order());
    EXPECT_EQ(0, engine()->PrgSetItemAttribute(layer, 2, QMK_ZOrder, 1));
    EXPECT_EQ((std::vector<int>{2, 3, 1}), Order());
    EngineValue position = 0;
    EXPECT_EQ(0, engine()->PrgGetItemAttribute(layer, 1, QMK_ZOrder, &position));
    EXPECT_EQ(3, position);
    int seq = 0;
    EXPECT_EQ(0, engine()->PrgSequenceFromEntry(layer, 2, &seq));
    EXPECT_EQ(3, seq);
    engine()->DeleteSelected();
    EXPECT_EQ((std::vector<int>{2}), Order());
    EXPECT_EQ(0, engine()->IsSelection(layer));
    EXPECT_EQ(0, engine()->PrgDeleteItem(layer, 2));
    const std::vector<Call> expected = {
        {Channel_AnnotateEvent, {QMK_AnnotationSelected, 1}},
        {Channel_ItemChanged, {layer, 1, QMK_Selected}},
        {Channel_AnnotateEvent, {QMK_AnnotationSelected, 3}},
        {Channel_ItemChanged, {layer, 3, QMK_Selected}},
        {Channel_ItemChanged, {layer, 2, QMK_ZOrder}},
        {Channel_AnnotateEvent, {QMK_AnnotationDeleted, 1}},
        {Channel_AnnotateEvent, {QMK_AnnotationDeleted, 3}},
        {Channel_AnnotateEvent, {QMK_AnnotationDeleted, 2}},
    };
    EXPECT_EQ(expected, calls) << Describe(calls);
}

TEST_F(EngineItems, MoveAndRectanglesInWindowPixels)
{
    int seq = Add(RectangleTool, 10, 10, 50, 40);
    EXPECT_EQ(0, engine()->PrgMoveItem(layer, seq, 100, 200));
    RECT rect = {};
    EXPECT_EQ(0, engine()->PrgGetItemRect(layer, seq, &rect));
    EXPECT_EQ(100, rect.left);
    EXPECT_EQ(200, rect.top);
    EXPECT_EQ(140, rect.right);
    EXPECT_EQ(230, rect.bottom);
    // Width and height, normalised.
    EXPECT_EQ(0, engine()->PrgSetItemRect(layer, seq, 300, 100, -20, 10));
    EXPECT_EQ(0, engine()->PrgGetItemRect(layer, seq, &rect));
    EXPECT_EQ(280, rect.left);
    EXPECT_EQ(300, rect.right);
    EXPECT_EQ(100, rect.top);
    EXPECT_EQ(110, rect.bottom);
    POINT corner = {};
    EXPECT_EQ(0, engine()->PrgGetItemPoint(layer, seq, 0, &corner));
    EXPECT_EQ(280, corner.x);
    EXPECT_EQ(100, corner.y);
}

TEST_F(EngineItems, ItemsFollowTheHostsImage)
{
    int seq = Add(RectangleTool, 10, 20, 50, 40);
    struct Step {
        const char* name;
        void (*change)(AnnotationEngine*);
        RECT expected;  // window pixels afterwards
    };
    const Step steps[] = {
        {"mirrored", [](AnnotationEngine* e) { e->ImageMirrored(0, 0); }, {973, 20, 1013, 40}},
        {"mirrored back", [](AnnotationEngine* e) { e->ImageMirrored(0, 0); }, {10, 20, 50, 40}},
        {"flipped", [](AnnotationEngine* e) { e->ImageFlipped(0, 0); }, {10, 471, 50, 491}},
        {"flipped back", [](AnnotationEngine* e) { e->ImageFlipped(0, 0); }, {10, 20, 50, 40}},
        {"cropped", [](AnnotationEngine* e) {
             RECT crop = {5, 10, 505, 310};
             e->ImageCropped(&crop, 0, 0);
             g_image = {500, 300};
         }, {5, 10, 45, 30}},
    };
    for (const Step& step : steps) {
        step.change(engine());
        RECT rect = {};
        EXPECT_EQ(0, engine()->PrgGetItemRect(layer, seq, &rect)) << step.name;
        EXPECT_EQ(step.expected.left, rect.left) << step.name;
        EXPECT_EQ(step.expected.top, rect.top) << step.name;
        EXPECT_EQ(step.expected.right, rect.right) << step.name;
        EXPECT_EQ(step.expected.bottom, rect.bottom) << step.name;
    }
}

} // namespace

namespace {

// A mouse hook as a layer installs one: it answers and reports as told.
struct HookAnswer {
    int result;
    int code;
    int data;
    int calls = 0;
};

int HookOf(void* context, HWND, UINT, WPARAM, int, int, int* code, int* data)
{
    HookAnswer* answer = static_cast<HookAnswer*>(context);
    ++answer->calls;
    *code = answer->code;
    *data = answer->data;
    return answer->result;
}

TEST_F(EngineItems, TheMouseHooksEventGoesOutOnChannelOneWithItsData)
{
    struct Case {
        const char* name;
        HookAnswer answer;
        int result;                 // of the mouse message
        std::vector<Call> expected;  // on the channels
    };
    const Case cases[] = {
        {"taken with an event", {0, QMK_TextEditStart, 5}, 0,
         {{Channel_AnnotateEvent, {QMK_TextEditStart, 5}}}},
        {"handed on with an event", {-1, QMK_TextEditEnd, 6}, -1,
         {{Channel_AnnotateEvent, {QMK_TextEditEnd, 6}}}},
        {"taken without an event", {3, 0, 9}, 3, {}},
        {"selection ended: data 0", {0, QMK_AnnotationEndSelected, 7}, 0,
         {{Channel_AnnotateEvent, {QMK_AnnotationEndSelected, 0}}}},
        {"a mouse code is not for channel 1", {0, QMK_Click, 7}, 0, {}},
    };
    for (const Case& c : cases) {
        HookAnswer answer = c.answer;
        object.AsLayerHost().SetMouseHook(&HookOf, &answer);
        calls.clear();
        EXPECT_EQ(c.result, engine()->MouseMessage(nullptr, WM_LBUTTONDOWN, MK_LBUTTON,
                                                   MAKELPARAM(10, 10)))
            << c.name;
        EXPECT_EQ(1, answer.calls) << c.name;
        EXPECT_EQ(c.expected, calls) << c.name << ": " << Describe(calls);
    }
    object.AsLayerHost().SetMouseHook(nullptr, nullptr);
}

} // namespace
