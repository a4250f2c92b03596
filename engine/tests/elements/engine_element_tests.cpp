// Elements through the DLL as the host loads it: every attribute set and
// read back, points with hostile counts, checked picture and element
// handles, and appending elements as items with the events a host sees.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "engine_test_host.h"

using namespace engine_test;

namespace {

int NewElement(AnnotationEngine* e)
{
    int element = 0;
    EXPECT_EQ(e->ElementCreate(&element), 0);
    EXPECT_NE(element, 0);
    return element;
}

int Number(AnnotationEngine* e, int element, int code)
{
    EngineValue value = INT_MIN;
    EXPECT_EQ(e->ElementGetAttribute(element, code, &value), 0) << code;
    return static_cast<int>(value);
}

std::wstring Text(AnnotationEngine* e, int element, int code)
{
    BSTR text = nullptr;
    EXPECT_EQ(e->ElementGetAttribute(element, code, reinterpret_cast<EngineValue*>(&text)), 0);
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : L"<null>";
    SysFreeString(text);
    return result;
}

int ButtonDefault(AnnotationEngine* e, int code)
{
    EngineValue value = 0;
    e->GetToolDefaultAttribute(ButtonTool, code, &value);
    return static_cast<int>(value);
}

// A packed DIB of 2 x 2 pixels at 24 bits, in a movable block of its own size
// plus extra bytes.
HGLOBAL SmallDib(uint8_t shade, SIZE_T extra = 0)
{
    const SIZE_T size = 40 + 2 * 8;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + extra);
    uint8_t* bytes = static_cast<uint8_t*>(GlobalLock(block));
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = 2;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::memcpy(bytes, &header, sizeof(header));
    std::memset(bytes + 40, shade, 16);
    GlobalUnlock(block);
    return block;
}

std::vector<ChannelCall> ChannelOf(const TestHost& host, std::initializer_list<int> channels)
{
    std::vector<ChannelCall> calls;
    for (const ChannelCall& call : host.Calls())
        for (int channel : channels)
            if (call.channel == channel)
                calls.push_back(call);
    return calls;
}

TEST(Element, ANewElementReadsBackItsDefaults)
{
    EngineLibrary library;
    TestHost host(library);
    const int e = NewElement(host.Engine());
    struct Row {
        int code;
        int value;
    };
    const Row rows[] = {
        {QMK_PenColor, 0xFF0000}, {QMK_FillColor, 0xC0C0C0}, {QMK_TextColor, 0},
        {QMK_BackColor, ButtonDefault(host.Engine(), QMK_BackColor)},
        {QMK_TransparentColor, 0xFFFFFF},
        {QMK_BevelLightColor, ButtonDefault(host.Engine(), QMK_BevelLightColor)},
        {QMK_BevelShadowColor, ButtonDefault(host.Engine(), QMK_BevelShadowColor)},
        {QMK_HatchColor, 0}, {QMK_PenWidth, 1}, {QMK_ElementType, 0}, {QMK_ScrollBars, 0},
        {QMK_NumPoints, 0}, {QMK_EndPtStyle, 0}, {QMK_AutoSize, 0}, {QMK_HighlightFill, 0},
        {QMK_HighlightBack, 0}, {QMK_Visible, 1}, {QMK_Locked, 0}, {QMK_ShowHandles, 1},
        {QMK_Moveable, 1}, {QMK_Sizeable, 1}, {QMK_Selected, 0}, {QMK_UserDraw, 0},
        {QMK_TextLocked, 0}, {QMK_PenStyle, 0}, {QMK_PenFillStyle, 5513},
        {QMK_BackStyle, 3002}, {QMK_WangType, 7}, {QMK_ZOrder, 0}, {QMK_UserLong, 0},
        {QMK_TextOrientation, 0}, {QMK_HatchStyle, 5999}, {QMK_TextJustification, 7000},
        {QMK_CreateSeconds, 0}, {QMK_ShowAbbr, 0}, {QMK_MeasureChoice, 1},
        {QMK_ShowLength, 1}, {QMK_ShowGauge, 1}, {QMK_GaugeLength, 30}, {QMK_Precision, 2},
        {QMK_RulerLength, 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Number(host.Engine(), e, row.code), row.value) << row.code;
    for (int code : {QMK_Text, QMK_UserString, QMK_ItemName})
        EXPECT_EQ(Text(host.Engine(), e, code), L"") << code;
    RECT rect = {1, 2, 3, 4};
    EXPECT_EQ(host->ElementGetAttribute(e, QMK_BoundingRect, reinterpret_cast<EngineValue*>(&rect)), 0);
    EXPECT_TRUE(rect.left == 0 && rect.top == 0 && rect.right == 0 && rect.bottom == 0);
    // The font is a copy of the text tool's.
    LOGFONTA font = {}, textFont = {};
    EXPECT_EQ(host->ElementGetAttribute(e, QMK_Logfont, reinterpret_cast<EngineValue*>(&font)), 0);
    host->GetToolDefaultAttribute(TextTool, QMK_Logfont, reinterpret_cast<EngineValue*>(&textFont));
    EXPECT_EQ(std::memcmp(&font, &textFont, sizeof(font)), 0);
    EXPECT_STREQ(font.lfFaceName, "Times New Roman");
    EXPECT_EQ(host->ElementDestroy(e), 0);
}

TEST(Element, EveryAttributeSetReadsBackInItsForm)
{
    EngineLibrary library;
    TestHost host(library);
    AnnotationEngine* x = host.Engine();
    const int e = NewElement(x);
    struct Row {
        int code;
        int set;
        int read;
    };
    const Row rows[] = {
        {QMK_PenColor, 0x010203, 0x010203}, {QMK_TextColor, 0x0A0B0C, 0x0A0B0C},
        {QMK_BackColor, 0x111111, 0x111111}, {QMK_FillColor, -1, -1},
        {QMK_TransparentColor, 0x00FF00, 0x00FF00}, {QMK_BevelLightColor, 5, 5},
        {QMK_BevelShadowColor, 6, 6}, {QMK_HatchColor, 0x0000FF, 0x0000FF},
        {QMK_PenWidth, 7, 7}, {QMK_ElementType, RectangleTool, RectangleTool},
        {QMK_ScrollBars, 3, 3}, {QMK_EndPtStyle, 2, 2}, {QMK_AutoSize, 1, 1},
        {QMK_PenStyle, 5002, 5002}, {QMK_PenFillStyle, 5509, 5509}, {QMK_WangType, 10, 10},
        {QMK_ZOrder, 2, 2}, {QMK_UserLong, -42, -42}, {QMK_TextOrientation, 900, 900},
        {QMK_HatchStyle, 6003, 6003}, {QMK_TextJustification, 7002, 7002},
        {QMK_MeasureChoice, 2055, 2055}, {QMK_GaugeLength, 12, 12}, {QMK_Precision, 4, 4},
        {QMK_RulerLength, 99, 99},
        // Flags: any non-zero value reads back as 1.
        {QMK_Visible, 5, 1}, {QMK_Visible, 0, 0}, {QMK_Locked, -1, 1}, {QMK_HighlightFill, 2, 1},
        {QMK_HighlightBack, 1, 1}, {QMK_ShowHandles, 0, 0}, {QMK_Moveable, 0, 0},
        {QMK_Sizeable, 0, 0}, {QMK_Selected, 1, 1}, {QMK_UserDraw, 1, 1},
        {QMK_TextLocked, 1, 1}, {QMK_ShowAbbr, 1, 1}, {QMK_ShowAbbr, 0, 0},
        {QMK_ShowLength, 0, 0}, {QMK_ShowGauge, 0, 0},
        // Back styles 0 to 3 are kept from 3000.
        {QMK_BackStyle, 1, 3001}, {QMK_BackStyle, 3, 3003}, {QMK_BackStyle, 3003, 3003},
        {QMK_BackStyle, 7, 7},
        // A creation time of 0 keeps the one there was.
        {QMK_CreateSeconds, 1000000000, 1000000000}, {QMK_CreateSeconds, 0, 1000000000},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(x->ElementSetAttribute(e, row.code, row.set), 0) << row.code;
        EXPECT_EQ(Number(x, e, row.code), row.read) << row.code << " set " << row.set;
    }

    for (int code : {QMK_Text, QMK_UserString, QMK_ItemName}) {
        BSTR text = SysAllocString(L"\u00FCber \u20AC");
        EXPECT_EQ(x->ElementSetAttribute(e, code, reinterpret_cast<EngineValue>(text)), 0);
        SysFreeString(text);  // the element has its own copy
        EXPECT_EQ(Text(x, e, code), L"\u00FCber \u20AC");
        EXPECT_EQ(x->ElementSetAttribute(e, code, 0), 0);
        EXPECT_EQ(Text(x, e, code), L"");
    }

    RECT rect = {10, 20, 5, 1};  // kept as given, not normalised
    EXPECT_EQ(x->ElementSetAttribute(e, QMK_BoundingRect, reinterpret_cast<EngineValue>(&rect)), 0);
    EXPECT_EQ(x->ElementSetAttribute(e, QMK_BoundingRect, 0), QMK_ErrInvalidAttribute);
    RECT back = {};
    EXPECT_EQ(x->ElementGetAttribute(e, QMK_BoundingRect, reinterpret_cast<EngineValue*>(&back)), 0);
    EXPECT_TRUE(std::memcmp(&back, &rect, sizeof(rect)) == 0);

    LOGFONTA font = {};
    font.lfHeight = -21;
    std::memset(font.lfFaceName, 'A', sizeof(font.lfFaceName));  // no NUL
    EXPECT_EQ(x->ElementSetAttribute(e, QMK_Logfont, reinterpret_cast<EngineValue>(&font)), 0);
    EXPECT_EQ(x->ElementSetAttribute(e, QMK_Logfont, 0), QMK_ErrInvalidAttribute);
    LOGFONTA read = {};
    EXPECT_EQ(x->ElementGetAttribute(e, QMK_Logfont, reinterpret_cast<EngineValue*>(&read)), 0);
    EXPECT_EQ(read.lfHeight, -21);
    EXPECT_EQ(std::strlen(read.lfFaceName), 31u);

    // Codes the element does not hold, and the point count, which is only read.
    for (int code : {6, 13, 29999, -1})
        EXPECT_EQ(x->ElementSetAttribute(e, code, 1), QMK_ErrInvalidAttribute) << code;
    // The number the appended item is to take, where it is free in its layer.
    EXPECT_EQ(x->ElementSetAttribute(e, QMK_SequenceNumber, 7), 0);
    EngineValue wanted = 0;
    EXPECT_EQ(x->ElementGetAttribute(e, QMK_SequenceNumber, &wanted), 0);
    EXPECT_EQ(wanted, 7);
    EXPECT_EQ(x->ElementSetAttribute(e, QMK_NumPoints, 3), QMK_ErrInvalidAttribute);
    EngineValue unused = 0;
    EXPECT_EQ(x->ElementGetAttribute(e, 6, &unused), QMK_ErrInvalidAttribute);
    // A null out is accepted and receives nothing.
    EXPECT_EQ(x->ElementGetAttribute(e, QMK_PenColor, nullptr), 0);
    x->ElementSetExtra(e, 1, 2);
    x->ElementDestroy(e);
}

TEST(Element, PointsTakeHostileCountsWithoutLosingAny)
{
    EngineLibrary library;
    TestHost host(library);
    AnnotationEngine* x = host.Engine();
    const int e = NewElement(x);
    const POINT three[] = {{1, 2}, {3, 4}, {5, 6}};
    EXPECT_EQ(x->ElementClearPoints(e, 3, three), 0);
    EXPECT_EQ(x->ElementAddPoint(e, 7, 8), 0);
    EXPECT_EQ(Number(x, e, QMK_NumPoints), 4);
    int px = 0, py = 0;
    EXPECT_EQ(x->ElementGetPoint(e, 3, &px, &py), 0);
    EXPECT_EQ(px, 7);
    EXPECT_EQ(py, 8);
    EXPECT_EQ(x->ElementChangePoint(e, 1, -3, -4), 0);
    EXPECT_EQ(x->ElementGetPoint(e, 1, &px, &py), 0);
    EXPECT_EQ(px, -3);

    struct Index {
        int index;
    };
    for (Index i : {Index{4}, Index{-1}, Index{INT_MAX}, Index{INT_MIN}}) {
        EXPECT_EQ(x->ElementGetPoint(e, i.index, &px, &py), QMK_ErrInvalidPoint) << i.index;
        EXPECT_EQ(x->ElementChangePoint(e, i.index, 0, 0), QMK_ErrInvalidPoint) << i.index;
    }
    // Counts that cannot be held are refused and the points stay.
    for (int count : {INT_MAX, 0x20000000, (1 << 20) + 1}) {
        EXPECT_EQ(x->ElementClearPoints(e, count, three), QMK_ErrOutOfMemory) << count;
        EXPECT_EQ(Number(x, e, QMK_NumPoints), 4) << count;
    }
    // No count, a negative one or no points: none.
    for (int count : {0, -1, INT_MIN}) {
        x->ElementClearPoints(e, 3, three);
        EXPECT_EQ(x->ElementClearPoints(e, count, three), 0);
        EXPECT_EQ(Number(x, e, QMK_NumPoints), 0) << count;
    }
    x->ElementClearPoints(e, 3, three);
    EXPECT_EQ(x->ElementClearPoints(e, 3, nullptr), 0);
    EXPECT_EQ(Number(x, e, QMK_NumPoints), 0);
    EXPECT_EQ(x->ElementGetPoint(e, 0, &px, &py), QMK_ErrInvalidPoint);
    x->ElementDestroy(e);
}

TEST(Element, APictureIsCheckedBeforeItIsCopied)
{
    EngineLibrary library;
    TestHost host(library);
    AnnotationEngine* x = host.Engine();
    const int e = NewElement(x);
    HGLOBAL good = SmallDib(0x40);
    EXPECT_EQ(x->ElementSetAttribute(e, QMK_DibPtr, reinterpret_cast<EngineValue>(good)), 0);
    GlobalFree(good);  // the element keeps a copy
    EngineValue kept = 0;
    EXPECT_EQ(x->ElementGetAttribute(e, QMK_DibPtr, &kept), 0);
    ASSERT_NE(kept, 0);
    const uint8_t* bits = static_cast<const uint8_t*>(GlobalLock(reinterpret_cast<HGLOBAL>(kept)));
    ASSERT_NE(bits, nullptr);
    EXPECT_EQ(bits[40], 0x40);
    GlobalUnlock(reinterpret_cast<HGLOBAL>(kept));

    // A block that holds less than its header says, and a block shorter than
    // a header: refused, the old picture stays.
    HGLOBAL shortRows = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 48);
    {
        BITMAPINFOHEADER* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(shortRows));
        header->biSize = 40;
        header->biWidth = 100;
        header->biHeight = 100;
        header->biPlanes = 1;
        header->biBitCount = 24;
        GlobalUnlock(shortRows);
    }
    HGLOBAL tiny = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 12);
    const EngineValue refused[] = {reinterpret_cast<EngineValue>(shortRows),
                                   reinterpret_cast<EngineValue>(tiny)};
    for (EngineValue handle : refused) {
        EXPECT_EQ(x->ElementSetAttribute(e, QMK_DibPtr, handle), QMK_ErrInvalidAttribute);
        EngineValue still = 0;
        x->ElementGetAttribute(e, QMK_DibPtr, &still);
        EXPECT_EQ(still, kept);
    }
    GlobalFree(shortRows);
    GlobalFree(tiny);
    // 0 leaves no picture.
    EXPECT_EQ(x->ElementSetAttribute(e, QMK_DibPtr, 0), 0);
    x->ElementGetAttribute(e, QMK_DibPtr, &kept);
    EXPECT_EQ(kept, 0);
    x->ElementDestroy(e);
}

// The shade of the first pixel of a picture block; -1 for none.
int ShadeOf(HGLOBAL block)
{
    const uint8_t* bytes = block ? static_cast<const uint8_t*>(GlobalLock(block)) : nullptr;
    if (!bytes)
        return -1;
    const int shade = bytes[40];
    GlobalUnlock(block);
    return shade;
}

// A picture item and the picture tool refuse a block that holds no whole
// picture the way an element does: an error, the old picture kept, and the
// host told of no change.
TEST(Element, AnItemAndAToolRefuseABrokenPictureAndKeepTheirOwn)
{
    EngineLibrary library;
    TestHost host(library);
    AnnotationEngine* x = host.Engine();
    const int layer = x->CreateLayer(1);
    const int e = NewElement(x);
    HGLOBAL good = SmallDib(0x40);
    ASSERT_EQ(x->ElementSetAttribute(e, QMK_ElementType, ImageTool), 0);
    ASSERT_EQ(x->ElementSetAttribute(e, QMK_DibPtr, reinterpret_cast<EngineValue>(good)), 0);
    RECT box = {10, 10, 20, 20};
    ASSERT_EQ(x->ElementSetAttribute(e, QMK_BoundingRect, reinterpret_cast<EngineValue>(&box)), 0);
    int seq = 0;
    ASSERT_EQ(x->ElementAppend(layer, e, &seq), 0);
    x->ElementDestroy(e);
    ASSERT_EQ(x->SetToolAttribute(layer, ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue>(good)), 0);
    GlobalFree(good);

    HGLOBAL broken = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 12);
    host.ClearCalls();
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_DibPtr, reinterpret_cast<EngineValue>(broken)),
              QMK_ErrInvalidAttribute);
    EXPECT_EQ(ChannelOf(host, {Channel_ItemChanged}), std::vector<ChannelCall>{});
    EngineValue copy = 0;
    ASSERT_EQ(x->PrgGetItemAttribute(layer, seq, QMK_ItemDib, &copy), 0);
    EXPECT_EQ(ShadeOf(reinterpret_cast<HGLOBAL>(copy)), 0x40);
    if (copy)
        GlobalFree(reinterpret_cast<HGLOBAL>(copy));

    EXPECT_EQ(x->SetToolAttribute(layer, ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue>(broken)),
              QMK_ErrInvalidAttribute);
    EngineValue toolPicture = 0;
    ASSERT_EQ(x->GetToolAttribute(layer, ImageTool, QMK_DibPtr, &toolPicture), 0);
    EXPECT_EQ(ShadeOf(reinterpret_cast<HGLOBAL>(toolPicture)), 0x40);
    GlobalFree(broken);
}

TEST(Element, HandlesAreCheckedAgainstTheEnginesLiveElements)
{
    EngineLibrary library;
    TestHost host(library);
    TestHost other(library);
    AnnotationEngine* x = host.Engine();
    const int layer = x->CreateLayer(1);
    const int destroyed = NewElement(x);
    EXPECT_EQ(x->ElementDestroy(destroyed), 0);
    const int foreign = NewElement(other.Engine());
    other->ElementSetAttribute(foreign, QMK_PenColor, 0x123456);
    const POINT p = {1, 1};

    struct Case {
        const char* name;
        int handle;
        int expected;  // every operation but append
        int append;
    };
    const Case cases[] = {
        {"none", 0, QMK_NoError, QMK_ErrInvalidTool},
        {"destroyed", destroyed, QMK_ErrInvalidItem, QMK_ErrInvalidItem},
        {"another engine's", foreign, QMK_ErrInvalidItem, QMK_ErrInvalidItem},
        {"never made", 0x0BADF00D, QMK_ErrInvalidItem, QMK_ErrInvalidItem},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineValue value = 77;
        int px = 5, py = 6;
        EXPECT_EQ(x->ElementSetAttribute(c.handle, QMK_PenColor, 1), c.expected);
        EXPECT_EQ(x->ElementGetAttribute(c.handle, QMK_PenColor, &value), c.expected);
        EXPECT_EQ(value, 77);
        EXPECT_EQ(x->ElementClearPoints(c.handle, 1, &p), c.expected);
        EXPECT_EQ(x->ElementAddPoint(c.handle, 1, 1), c.expected);
        EXPECT_EQ(x->ElementChangePoint(c.handle, 0, 1, 1), c.expected);
        EXPECT_EQ(x->ElementGetPoint(c.handle, 0, &px, &py), c.expected);
        EXPECT_EQ(px, 5);
        EXPECT_EQ(x->ElementSetExtra(c.handle, 1, 2), c.expected);
        int seq = -1;
        EXPECT_EQ(x->ElementAppend(layer, c.handle, &seq), c.append);
        EXPECT_EQ(seq, 0);
        EXPECT_EQ(x->ElementDestroy(c.handle), c.expected);
    }
    // The other engine's element is untouched.
    EXPECT_EQ(Number(other.Engine(), foreign, QMK_PenColor), 0x123456);
    int count = -1;
    x->PrgGetItemCount(layer, &count);
    EXPECT_EQ(count, 0);
}

// A rectangle element of image pixels (100, 50) - (300, 250).
int RectangleElement(AnnotationEngine* x)
{
    const int e = NewElement(x);
    x->ElementSetAttribute(e, QMK_ElementType, RectangleTool);
    RECT rect = {100, 50, 300, 250};
    x->ElementSetAttribute(e, QMK_BoundingRect, reinterpret_cast<EngineValue>(&rect));
    return e;
}

POINT ItemPoint(AnnotationEngine* x, int layer, int seq, int index)
{
    POINT point = {-1, -1};
    EXPECT_EQ(x->PrgGetItemPoint(layer, seq, index, &point), 0);
    return point;
}

int ItemNumber(AnnotationEngine* x, int layer, int seq, int code)
{
    EngineValue value = INT_MIN;
    EXPECT_EQ(x->PrgGetItemAttribute(layer, seq, code, &value), 0) << code;
    return static_cast<int>(value);
}

TEST(ElementAppend, AddsAnItemWithTheElementsValuesAndItsEvents)
{
    struct Case {
        const char* name;
        bool selected;
        std::vector<ChannelCall> (*expected)(int seq);
    };
    const Case cases[] = {
        {"plain", false,
         [](int seq) {
             return std::vector<ChannelCall>{
                 {Channel_AnnotateEvent, {QMK_ToolChange, RectangleTool}},
                 {Channel_AnnotateEvent, {QMK_ToolChange, PointerTool}},
                 {Channel_AnnotateEvent, {QMK_AnnotationAdded, seq}},
             };
         }},
        {"selected", true,
         [](int seq) {
             return std::vector<ChannelCall>{
                 {Channel_AnnotateEvent, {QMK_ToolChange, RectangleTool}},
                 {Channel_AnnotateEvent, {QMK_AnnotationSelected, seq}},
                 {Channel_AnnotateEvent, {QMK_ToolChange, PointerTool}},
                 {Channel_AnnotateEvent, {QMK_AnnotationAdded, seq}},
             };
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EngineLibrary library;
        TestHost host(library);
        AnnotationEngine* x = host.Engine();
        // The element goes to a layer that is not current.
        const int target = x->CreateLayer(1);
        x->CreateLayer(1);
        ASSERT_NE(x->GetCurrentLayer(), target);
        const int e = RectangleElement(x);
        x->ElementSetAttribute(e, QMK_Selected, c.selected ? 1 : 0);
        x->ElementSetAttribute(e, QMK_UserLong, 4711);
        x->ElementSetAttribute(e, QMK_UserDraw, 1);
        BSTR name = SysAllocString(L"made");
        x->ElementSetAttribute(e, QMK_ItemName, reinterpret_cast<EngineValue>(name));
        SysFreeString(name);
        host.ClearCalls();
        int seq = 0;
        ASSERT_EQ(x->ElementAppend(target, e, &seq), 0);
        ASSERT_NE(seq, 0);
        EXPECT_EQ(ChannelOf(host, {Channel_AnnotateEvent, Channel_ItemChanged}), c.expected(seq))
            << Describe(host.Calls());
        // Pixels in, pixels out; the element's values, not the tool's.
        EXPECT_EQ(ItemPoint(x, target, seq, 0).x, 100);
        EXPECT_EQ(ItemPoint(x, target, seq, 0).y, 50);
        EXPECT_EQ(ItemPoint(x, target, seq, 1).x, 300);
        EXPECT_EQ(ItemPoint(x, target, seq, 1).y, 250);
        EXPECT_EQ(ItemNumber(x, target, seq, QMK_PenColor), 0xFF0000);
        EXPECT_EQ(ItemNumber(x, target, seq, QMK_FillColor), 0xC0C0C0);
        EXPECT_EQ(ItemNumber(x, target, seq, QMK_UserLong), 4711);
        EXPECT_EQ(ItemNumber(x, target, seq, QMK_UserDraw), 1);
        EXPECT_EQ(ItemNumber(x, target, seq, QMK_BackStyle), 3002);
        EXPECT_EQ(x->IsSelection(target), c.selected ? 1 : 0);
        BSTR itemName = nullptr;
        x->PrgGetItemAttribute(target, seq, QMK_ItemName, reinterpret_cast<EngineValue*>(&itemName));
        EXPECT_STREQ(itemName, L"made");
        SysFreeString(itemName);
        int tool = 0;
        x->GetTool(target, &tool);
        EXPECT_EQ(tool, PointerTool);
        x->ElementDestroy(e);
    }
}

// Every type that has a class of items appends with the same events, and its
// item runs from the rectangle's top-left to its bottom-right corner (a
// point-list item without points gets just those two points). A type whose
// class this engine lacks is refused and reports nothing.
TEST(ElementAppend, EveryClassAppendsAlongTheRectangle)
{
    EngineLibrary library;
    TestHost host(library);
    AnnotationEngine* x = host.Engine();
    const int layer = x->CreateLayer(1);
    const int e = RectangleElement(x);
    int appended = 0;
    for (int type = TextTool; type <= RulerTool; ++type) {
        SCOPED_TRACE(type);
        x->ElementSetAttribute(e, QMK_ElementType, type);
        host.ClearCalls();
        int seq = -1;
        const int result = x->ElementAppend(layer, e, &seq);
        if (result == QMK_ErrInvalidTool) {
            EXPECT_EQ(seq, 0);
            EXPECT_TRUE(ChannelOf(host, {Channel_AnnotateEvent}).empty());
            continue;
        }
        ASSERT_EQ(result, 0);
        ++appended;
        const std::vector<ChannelCall> expected = {
            {Channel_AnnotateEvent, {QMK_ToolChange, type}},
            {Channel_AnnotateEvent, {QMK_ToolChange, PointerTool}},
            {Channel_AnnotateEvent, {QMK_AnnotationAdded, seq}},
        };
        EXPECT_EQ(ChannelOf(host, {Channel_AnnotateEvent, Channel_ItemChanged}), expected)
            << Describe(host.Calls());
        EXPECT_EQ(ItemNumber(x, layer, seq, QMK_ToolType), type);
        const POINT first = ItemPoint(x, layer, seq, 0);
        const POINT second = ItemPoint(x, layer, seq, 1);
        EXPECT_EQ(first.x, 100);
        EXPECT_EQ(first.y, 50);
        EXPECT_EQ(second.x, 300);
        EXPECT_EQ(second.y, 250);
        if (type != ButtonTool) {  // the one kind without a pen colour
            EXPECT_EQ(ItemNumber(x, layer, seq, QMK_PenColor), 0xFF0000);
        }
    }
    EXPECT_GE(appended, 2);  // rectangles and ellipses at least
}

TEST(ElementAppend, TheSameElementTwiceGivesTwoItems)
{
    EngineLibrary library;
    TestHost host(library);
    AnnotationEngine* x = host.Engine();
    const int layer = x->CreateLayer(1);
    const int e = RectangleElement(x);
    int first = 0, second = 0;
    host.ClearCalls();
    ASSERT_EQ(x->ElementAppend(layer, e, &first), 0);
    ASSERT_EQ(x->ElementAppend(layer, e, &second), 0);
    EXPECT_NE(first, second);
    int added = 0;
    for (const ChannelCall& call : ChannelOf(host, {Channel_AnnotateEvent}))
        if (call.args[0] == QMK_AnnotationAdded)
            ++added;
    EXPECT_EQ(added, 2);
}

TEST(ElementAppend, HighlightZOrderAndCreationTimeReachTheItem)
{
    EngineLibrary library;
    TestHost host(library);
    AnnotationEngine* x = host.Engine();
    const int layer = x->CreateLayer(1);
    const int e = RectangleElement(x);
    int bottom = 0, top = 0;
    ASSERT_EQ(x->ElementAppend(layer, e, &bottom), 0);
    ASSERT_EQ(x->ElementAppend(layer, e, &top), 0);
    x->ElementSetAttribute(e, QMK_HighlightFill, 1);
    x->ElementSetAttribute(e, QMK_ZOrder, 1);
    x->ElementSetAttribute(e, QMK_CreateSeconds, 1000000000);
    int seq = 0;
    ASSERT_EQ(x->ElementAppend(layer, e, &seq), 0);
    EXPECT_EQ(ItemNumber(x, layer, seq, QMK_BackStyle), BackStyle_Translucent);
    EXPECT_EQ(ItemNumber(x, layer, seq, QMK_ZOrder), 1);  // at the bottom now
    EXPECT_EQ(ItemNumber(x, layer, bottom, QMK_ZOrder), 2);
    VARIANT created;
    VariantInit(&created);
    ASSERT_EQ(x->PrgGetItemAttribute(layer, seq, QMK_CreateTime, reinterpret_cast<EngineValue*>(&created)), 0);
    SYSTEMTIME expected = {2001, 9, 0, 9, 1, 46, 40, 0};  // 1,000,000,000 s after 1970
    double date = 0;
    SystemTimeToVariantTime(&expected, &date);
    EXPECT_EQ(created.vt, VT_DATE);
    EXPECT_DOUBLE_EQ(created.date, date);
}

TEST(ElementAppend, RefusesWhatItCannotAppendAndAddsNothing)
{
    EngineLibrary library;
    TestHost host(library);
    AnnotationEngine* x = host.Engine();
    const int layer = x->CreateLayer(1);
    const int e = RectangleElement(x);
    struct Case {
        int type;
        int layer;
        int expected;
    };
    const Case cases[] = {
        {0, layer, QMK_ErrInvalidTool},           {PointerTool, layer, QMK_ErrInvalidTool},
        {ProtractorTool, layer, QMK_ErrInvalidTool}, {5000, layer, QMK_ErrInvalidTool},
        {-4098, layer, QMK_ErrInvalidTool},       {RectangleTool, layer + 1000, QMK_ErrInvalidLayer},
        {RectangleTool, 0, QMK_ErrInvalidLayer},
    };
    for (const Case& c : cases) {
        x->ElementSetAttribute(e, QMK_ElementType, c.type);
        host.ClearCalls();
        int seq = -1;
        EXPECT_EQ(x->ElementAppend(c.layer, e, &seq), c.expected) << c.type;
        EXPECT_EQ(seq, 0);
        EXPECT_TRUE(ChannelOf(host, {Channel_AnnotateEvent}).empty()) << Describe(host.Calls());
    }
    int count = -1;
    x->PrgGetItemCount(layer, &count);
    EXPECT_EQ(count, 0);
}

TEST(ElementAppend, GeometryWaitsForAViewAndARectangleSetReplacesIt)
{
    EngineLibrary library;
    TestHost host(library, false);  // no view services
    AnnotationEngine* x = host.Engine();
    const int plain = x->CreateLayer(1);
    const int e = RectangleElement(x);
    int waiting = 0, replaced = 0;
    ASSERT_EQ(x->ElementAppend(plain, e, &waiting), 0);
    ASSERT_EQ(x->ElementAppend(plain, e, &replaced), 0);
    const RECT layerRect = {0x100000, 0x200000, 0x300000, 0x400000};
    ASSERT_EQ(x->PrgSetItemAttribute(plain, replaced, QMK_BoundingRect,
                                     reinterpret_cast<EngineValue>(&layerRect)), 0);
    // Now the image is known: the waiting pixels convert, the set rectangle
    // is not converted again.
    x->PrgSetImageMappingDimensions(800, 600);
    EXPECT_EQ(ItemPoint(x, plain, waiting, 0).x, 100);
    EXPECT_EQ(ItemPoint(x, plain, waiting, 1).y, 250);
    RECT rect = {};
    x->PrgGetItemAttribute(plain, replaced, QMK_BoundingRect, reinterpret_cast<EngineValue*>(&rect));
    EXPECT_TRUE(std::memcmp(&rect, &layerRect, sizeof(rect)) == 0)
        << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
}

// A host that destroys the element and deletes the layer when told of the
// tool change.
AnnotationEngine* g_engine = nullptr;
int g_element = 0;
int g_layer = 0;
int __stdcall DestroyOnToolChange(HostCookie, int code, int data)
{
    if (code == QMK_ToolChange && data == RectangleTool) {
        g_engine->ElementDestroy(g_element);
        if (g_layer)
            g_engine->DeleteLayer(g_layer);
    }
    return 0;
}

TEST(ElementAppend, TheHostMayDestroyTheElementOrTheLayerWhenTold)
{
    EngineLibrary library;
    TestHost host(library);
    AnnotationEngine* x = host.Engine();
    const int layer = x->CreateLayer(1);
    g_engine = x;
    x->RegisterCallback(Channel_AnnotateEvent, reinterpret_cast<void*>(&DestroyOnToolChange));

    g_element = RectangleElement(x);
    g_layer = 0;
    int seq = 0;
    EXPECT_EQ(x->ElementAppend(layer, g_element, &seq), 0);
    EXPECT_NE(seq, 0);
    EXPECT_EQ(ItemPoint(x, layer, seq, 1).x, 300);
    EXPECT_EQ(x->ElementDestroy(g_element), QMK_ErrInvalidItem);  // gone already

    g_element = RectangleElement(x);
    g_layer = layer;
    EXPECT_EQ(x->ElementAppend(layer, g_element, &seq), QMK_ErrInvalidLayer);
    EXPECT_EQ(seq, 0);
    EXPECT_EQ(x->GetLayerCount(), 0);
}

// ---- elements filled from items -------------------------------------------------

// The attributes an item may have, compared item by item (a code the item
// lacks must be lacking in both).
const int kComparedCodes[] = {
    QMK_PenColor, QMK_TextColor, QMK_BackColor, QMK_FillColor, QMK_PenWidth,
    QMK_HighlightBack, QMK_HighlightFill, QMK_NumPoints, QMK_EndPtStyle,
    QMK_TransparentColor, QMK_BackStyle, QMK_ScrollBars, QMK_Locked, QMK_AutoSize,
    QMK_Visible, QMK_BevelLightColor, QMK_BevelShadowColor, QMK_ShowHandles, QMK_Moveable,
    QMK_PenStyle, QMK_PenFillStyle, QMK_TextOrientation, QMK_Selected, QMK_Sizeable,
    QMK_UserDraw, QMK_TextLocked, QMK_HatchStyle, QMK_HatchColor, QMK_TextJustification,
    QMK_ToolType, QMK_UserLong, QMK_ShowAbbr, QMK_MeasureChoice, QMK_ShowLength,
    QMK_GaugeLength, QMK_Precision, QMK_ShowGauge, QMK_RulerLength, QMK_WangType,
};

std::wstring ItemText(AnnotationEngine* x, int layer, int seq, int code)
{
    BSTR text = nullptr;
    const int result = x->PrgGetItemAttribute(layer, seq, code, reinterpret_cast<EngineValue*>(&text));
    std::wstring read = result != 0 ? L"<" + std::to_wstring(result) + L">"
                                    : std::wstring(text ? text : L"", text ? SysStringLen(text) : 0);
    SysFreeString(text);
    return read;
}

double CreationDate(AnnotationEngine* x, int layer, int seq)
{
    VARIANT date;
    VariantInit(&date);
    EXPECT_EQ(x->PrgGetItemAttribute(layer, seq, QMK_CreateTime, reinterpret_cast<EngineValue*>(&date)), 0);
    return date.vt == VT_DATE ? date.date : -1;
}

// Two items are equal as a host sees them: every attribute, the texts, the
// font, the creation time and every point in image pixels.
void ExpectEqualItems(AnnotationEngine* x, int layer, int a, int b)
{
    for (int code : kComparedCodes) {
        EngineValue va = INT_MIN, vb = INT_MIN;
        const int ra = x->PrgGetItemAttribute(layer, a, code, &va);
        const int rb = x->PrgGetItemAttribute(layer, b, code, &vb);
        EXPECT_EQ(ra, rb) << code;
        if (ra == 0 && rb == 0) {
            EXPECT_EQ(va, vb) << code;
        }
    }
    for (int code : {QMK_Text, QMK_ItemName, QMK_UserString})
        EXPECT_EQ(ItemText(x, layer, a, code), ItemText(x, layer, b, code)) << code;
    LOGFONTA fa = {}, fb = {};
    const int ra = x->PrgGetItemAttribute(layer, a, QMK_Logfont, reinterpret_cast<EngineValue*>(&fa));
    const int rb = x->PrgGetItemAttribute(layer, b, QMK_Logfont, reinterpret_cast<EngineValue*>(&fb));
    EXPECT_EQ(ra, rb);
    if (ra == 0 && rb == 0) {
        EXPECT_EQ(fa.lfHeight, fb.lfHeight);
        EXPECT_EQ(fa.lfWeight, fb.lfWeight);
        EXPECT_STREQ(fa.lfFaceName, fb.lfFaceName);
    }
    EXPECT_DOUBLE_EQ(CreationDate(x, layer, a), CreationDate(x, layer, b));
    const int points = ItemNumber(x, layer, a, QMK_NumPoints);
    for (int i = 0; i < points; ++i) {
        const POINT pa = ItemPoint(x, layer, a, i);
        const POINT pb = ItemPoint(x, layer, b, i);
        EXPECT_TRUE(pa.x == pb.x && pa.y == pb.y)
            << "point " << i << ": " << pa.x << "," << pa.y << " and " << pb.x << "," << pb.y;
    }
}

void SetItemText(AnnotationEngine* x, int layer, int seq, int code, const wchar_t* text)
{
    BSTR value = SysAllocString(text);
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, code, reinterpret_cast<EngineValue>(value)), 0) << code;
    SysFreeString(value);
}

// Items of each kind, each changed away from its tool's values after it was
// made, the way a host changes an item.
struct RoundTripCase {
    const char* name;
    int type;
    void (*change)(AnnotationEngine* x, int layer, int seq);
    // The element's rectangle after the fill (image pixels).
    RECT expectedRect;
    std::vector<POINT> expectedPoints;
};

void ChangeRectangle(AnnotationEngine* x, int layer, int seq)
{
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_FillColor, 0x123456), 0);
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_HatchStyle, 6003), 0);
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_HighlightFill, 1), 0);
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_UserDraw, 1), 0);
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_Locked, 1), 0);
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_Selected, 1), 0);
    SetItemText(x, layer, seq, QMK_ItemName, L"box");
    // Layer units that fall between pixels: the element has them in pixels.
    const RECT layerRect = {0x100007, 0x200003, 0x300009, 0x400001};
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_BoundingRect,
                                     reinterpret_cast<EngineValue>(&layerRect)), 0);
}

void ChangeText(AnnotationEngine* x, int layer, int seq)
{
    SetItemText(x, layer, seq, QMK_Text, L"Zwei Zeilen\r\n\u00FCber \u20AC");
    SetItemText(x, layer, seq, QMK_UserString, L"kept");
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_TextColor, 0x0000FF), 0);
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_TextJustification, 7002), 0);
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_UserLong, 99), 0);
    LOGFONTA font = {};
    font.lfHeight = -27;
    font.lfWeight = FW_BOLD;
    std::strcpy(font.lfFaceName, "Arial");
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_Logfont, reinterpret_cast<EngineValue>(&font)), 0);
}

void ChangePolygon(AnnotationEngine* x, int layer, int seq)
{
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_PenWidth, 5), 0);
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_PenColor, 0x00FF00), 0);
    const POINT moved = {20, 590};
    EXPECT_EQ(x->PrgSetItemPoint(layer, seq, 2, &moved), 0);
}

void ChangeStamp(AnnotationEngine* x, int layer, int seq)
{
    SetItemText(x, layer, seq, QMK_Text, L"PAID 11.12.");
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_TextColor, 0x008000), 0);
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_TextOrientation, 900), 0);
    EXPECT_EQ(x->PrgSetItemAttribute(layer, seq, QMK_BackStyle, 3002), 0);
}

TEST(PrgGetItemAttributes, AnElementFilledFromAnItemAppendsAnEqualItem)
{
    const RoundTripCase cases[] = {
        // 0x100007 of 2^24 on 800 pixels is 50.0003: pixel 50.
        {"rectangle", RectangleTool, ChangeRectangle, {50, 75, 150, 150}, {}},
        {"text", TextTool, ChangeText, {100, 50, 300, 250}, {}},
        // A point list's bounds take in its pen.
        {"polygon", PolygonTool, ChangePolygon, {5, 15, 705, 595},
         {{10, 20}, {700, 30}, {20, 590}, {400, 500}}},
        {"stamp", StampTool, ChangeStamp, {100, 50, 300, 250}, {}},
    };
    for (const RoundTripCase& c : cases) {
        SCOPED_TRACE(c.name);
        EngineLibrary library;
        TestHost host(library);
        AnnotationEngine* x = host.Engine();
        const int layer = x->CreateLayer(1);
        const int made = RectangleElement(x);
        x->ElementSetAttribute(made, QMK_ElementType, c.type);
        x->ElementSetAttribute(made, QMK_CreateSeconds, 1000000000);
        if (!c.expectedPoints.empty()) {
            const POINT points[] = {{10, 20}, {700, 30}, {30, 40}, {400, 500}};
            x->ElementClearPoints(made, 4, points);
        }
        int seq = 0;
        ASSERT_EQ(x->ElementAppend(layer, made, &seq), 0);
        c.change(x, layer, seq);

        // A used element: its own values give way to the item's.
        const int e = NewElement(x);
        x->ElementSetAttribute(e, QMK_PenWidth, 77);
        x->ElementAddPoint(e, 1, 1);
        host.ClearCalls();
        ASSERT_EQ(x->PrgGetItemAttributes(layer, seq, e), 0);
        EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
        EXPECT_EQ(Number(x, e, QMK_ElementType), c.type);
        EXPECT_EQ(Number(x, e, QMK_PenWidth), ItemNumber(x, layer, seq, QMK_PenWidth));
        EXPECT_EQ(Number(x, e, QMK_CreateSeconds), 1000000000);
        RECT rect = {};
        x->ElementGetAttribute(e, QMK_BoundingRect, reinterpret_cast<EngineValue*>(&rect));
        EXPECT_TRUE(std::memcmp(&rect, &c.expectedRect, sizeof(rect)) == 0)
            << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
        ASSERT_EQ(Number(x, e, QMK_NumPoints), static_cast<int>(c.expectedPoints.size()));
        for (size_t i = 0; i < c.expectedPoints.size(); ++i) {
            int px = -1, py = -1;
            x->ElementGetPoint(e, static_cast<int>(i), &px, &py);
            EXPECT_TRUE(px == c.expectedPoints[i].x && py == c.expectedPoints[i].y)
                << i << ": " << px << "," << py;
        }

        int again = 0;
        ASSERT_EQ(x->ElementAppend(layer, e, &again), 0);
        ASSERT_NE(again, seq);
        ExpectEqualItems(x, layer, seq, again);
        x->ElementDestroy(e);
        x->ElementDestroy(made);
    }
}

TEST(PrgGetItemAttributes, RefusesWhatNamesNoItemOrNoElementAndLeavesTheElement)
{
    EngineLibrary library;
    TestHost host(library);
    TestHost other(library);
    AnnotationEngine* x = host.Engine();
    const int layer = x->CreateLayer(1);
    const int made = RectangleElement(x);
    int seq = 0;
    ASSERT_EQ(x->ElementAppend(layer, made, &seq), 0);
    const int e = NewElement(x);
    x->ElementSetAttribute(e, QMK_PenColor, 0x010203);
    const int destroyed = NewElement(x);
    x->ElementDestroy(destroyed);
    const int foreign = NewElement(other.Engine());
    other->ElementSetAttribute(foreign, QMK_PenColor, 0x040506);

    struct Case {
        const char* name;
        int layer;
        int seq;
        int element;
        int expected;
    };
    const Case cases[] = {
        {"no layer", 0, seq, e, QMK_ErrInvalidLayer},
        {"unknown layer", layer + 1000, seq, e, QMK_ErrInvalidLayer},
        {"no item", layer, 0, e, QMK_ErrItemNotFound},
        {"unknown item", layer, seq + 1, e, QMK_ErrItemNotFound},
        {"unknown item, no element", layer, seq + 1, 0, QMK_ErrItemNotFound},
        {"destroyed element", layer, seq, destroyed, QMK_ErrInvalidItem},
        {"another engine's element", layer, seq, foreign, QMK_ErrInvalidItem},
        {"never made", layer, seq, 0x0BADF00D, QMK_ErrInvalidItem},
        {"no element", layer, seq, 0, QMK_NoError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(x->PrgGetItemAttributes(c.layer, c.seq, c.element), c.expected);
        EXPECT_EQ(Number(x, e, QMK_PenColor), 0x010203);
        EXPECT_EQ(Number(x, e, QMK_ElementType), 0);
    }
    EXPECT_EQ(Number(other.Engine(), foreign, QMK_PenColor), 0x040506);
    EXPECT_EQ(Number(other.Engine(), foreign, QMK_ElementType), 0);
}

TEST(PrgGetItemAttributes, WithoutAViewWaitingPixelsGoAsTheyAreAndLayerUnitsWait)
{
    EngineLibrary library;
    TestHost host(library, false);  // no view services
    AnnotationEngine* x = host.Engine();
    const int layer = x->CreateLayer(1);
    const int made = RectangleElement(x);
    int waiting = 0, placed = 0;
    ASSERT_EQ(x->ElementAppend(layer, made, &waiting), 0);
    ASSERT_EQ(x->ElementAppend(layer, made, &placed), 0);
    const RECT layerRect = {0x100000, 0x200000, 0x300000, 0x400000};
    ASSERT_EQ(x->PrgSetItemAttribute(layer, placed, QMK_BoundingRect,
                                     reinterpret_cast<EngineValue>(&layerRect)), 0);
    const int e = NewElement(x);
    ASSERT_EQ(x->PrgGetItemAttributes(layer, waiting, e), 0);
    RECT rect = {};
    x->ElementGetAttribute(e, QMK_BoundingRect, reinterpret_cast<EngineValue*>(&rect));
    EXPECT_TRUE(rect.left == 100 && rect.top == 50 && rect.right == 300 && rect.bottom == 250);
    // Layer units cannot become pixels yet: refused, the element unchanged.
    const int fresh = NewElement(x);
    EXPECT_EQ(x->PrgGetItemAttributes(layer, placed, fresh), QMK_ErrInvalidContext);
    EXPECT_EQ(Number(x, fresh, QMK_ElementType), 0);
    // With the image known they convert.
    x->PrgSetImageMappingDimensions(800, 600);
    ASSERT_EQ(x->PrgGetItemAttributes(layer, placed, fresh), 0);
    x->ElementGetAttribute(fresh, QMK_BoundingRect, reinterpret_cast<EngineValue*>(&rect));
    EXPECT_TRUE(rect.left == 50 && rect.top == 75 && rect.right == 150 && rect.bottom == 150)
        << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom;
}

} // namespace

// A picture element appended without a picture makes an item without one,
// whatever picture the layer's picture tool holds.
TEST(Element, APictureElementWithoutAPictureTakesNoneFromTheTool)
{
    EngineLibrary library;
    TestHost host(library);
    AnnotationEngine* x = host.Engine();
    const int layer = x->CreateLayer(1);
    HGLOBAL toolPicture = SmallDib(0x33);
    ASSERT_EQ(x->SetToolAttribute(layer, ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue>(toolPicture)), 0);
    GlobalFree(toolPicture);
    const int e = NewElement(x);
    ASSERT_EQ(x->ElementSetAttribute(e, QMK_ElementType, ImageTool), 0);
    RECT box = {10, 10, 40, 30};
    ASSERT_EQ(x->ElementSetAttribute(e, QMK_BoundingRect, reinterpret_cast<EngineValue>(&box)), 0);
    int seq = 0;
    ASSERT_EQ(x->ElementAppend(layer, e, &seq), 0);
    x->ElementDestroy(e);
    EngineValue copy = 0;
    x->PrgGetItemAttribute(layer, seq, QMK_ItemDib, &copy);
    EXPECT_EQ(copy, 0) << "shade " << ShadeOf(reinterpret_cast<HGLOBAL>(copy));
    if (copy)
        GlobalFree(reinterpret_cast<HGLOBAL>(copy));
}
