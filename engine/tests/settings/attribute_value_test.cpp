// Attribute values held in their own type: comparing old and new values,
// receiving a get, deep copies, and the image default with its packed DIB.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <vector>

#include "settings/engine_settings.h"
#include "settings/tool_defaults_attribute_value.h"
#include "settings/tool_defaults_packed_dib.h"

namespace {

using Kind = AttributeValue::Kind;

EngineValue Arg(const void* address) { return reinterpret_cast<EngineValue>(address); }

TEST(AttributeValue, ItemAttributesHaveTheirOwnTypes) {
    const struct {
        int attribute;
        Kind item;
        Kind tool;
    } cases[] = {
        {QMK_PenColor, Kind::Integer, Kind::Integer}, {QMK_BoundingRect, Kind::Rect, Kind::Integer},
        {QMK_Text, Kind::Text, Kind::Text},           {QMK_Logfont, Kind::Font, Kind::Font},
        {QMK_DibPtr, Kind::Image, Kind::Image},       {QMK_CreateTime, Kind::Variant, Kind::Integer},
        {QMK_ItemName, Kind::Text, Kind::Text},       {QMK_UserString, Kind::Text, Kind::Text},
        {QMK_UserLong, Kind::Integer, Kind::Integer}, {QMK_SequenceNumber, Kind::Integer, Kind::Integer},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.item, AttributeValue::KindOfItemAttribute(c.attribute)) << c.attribute;
        EXPECT_EQ(c.tool, AttributeValue::KindOfToolAttribute(c.attribute)) << c.attribute;
    }
}

// Old and new values compared in their own type, as an attribute set that
// reports only real changes needs.
TEST(AttributeValue, ComparesInTheAttributesOwnType) {
    // Rectangles: all four edges count.
    RECT a = {1, 2, 30, 40}, b = {1, 2, 30, 40}, c = {1, 2, 30, 41};
    EXPECT_TRUE(AttributeValue::FromArgument(Kind::Rect, Arg(&a)).Equals(AttributeValue::FromArgument(Kind::Rect, Arg(&b))));
    EXPECT_FALSE(AttributeValue::FromArgument(Kind::Rect, Arg(&a)).Equals(AttributeValue::FromArgument(Kind::Rect, Arg(&c))));

    // Texts: by content, not by address; case matters; a missing text is an empty one.
    BSTR one = SysAllocString(L"Note"), two = SysAllocString(L"Note"), upper = SysAllocString(L"NOTE");
    BSTR empty = SysAllocString(L"");
    const AttributeValue note = AttributeValue::FromArgument(Kind::Text, Arg(one));
    EXPECT_TRUE(note.Equals(AttributeValue::FromArgument(Kind::Text, Arg(two))));
    EXPECT_FALSE(note.Equals(AttributeValue::FromArgument(Kind::Text, Arg(upper))));
    EXPECT_TRUE(AttributeValue(Kind::Text).Equals(AttributeValue::FromArgument(Kind::Text, Arg(empty))));
    EXPECT_FALSE(AttributeValue(Kind::Text).Equals(note));
    SysFreeString(one);
    SysFreeString(two);
    SysFreeString(upper);
    SysFreeString(empty);

    // Fonts: all 60 bytes.
    LOGFONTA f1 = {}, f2 = {};
    std::strcpy(f1.lfFaceName, "Arial");
    std::strcpy(f2.lfFaceName, "Arial");
    EXPECT_TRUE(AttributeValue::FromArgument(Kind::Font, Arg(&f1)).Equals(AttributeValue::FromArgument(Kind::Font, Arg(&f2))));
    f2.lfItalic = 1;
    EXPECT_FALSE(AttributeValue::FromArgument(Kind::Font, Arg(&f1)).Equals(AttributeValue::FromArgument(Kind::Font, Arg(&f2))));

    // Dates: type and value.
    VARIANT d1, d2, d3, i4;
    VariantInit(&d1); VariantInit(&d2); VariantInit(&d3); VariantInit(&i4);
    d1.vt = d2.vt = d3.vt = VT_DATE;
    d1.date = d2.date = 45000.25;
    d3.date = 45000.5;
    i4.vt = VT_I4;
    i4.lVal = 45000;
    const AttributeValue date = AttributeValue::FromArgument(Kind::Variant, Arg(&d1));
    EXPECT_TRUE(date.Equals(AttributeValue::FromArgument(Kind::Variant, Arg(&d2))));
    EXPECT_FALSE(date.Equals(AttributeValue::FromArgument(Kind::Variant, Arg(&d3))));
    EXPECT_FALSE(date.Equals(AttributeValue::FromArgument(Kind::Variant, Arg(&i4))));

    // Numbers: all 32 bits; an image is always applied again.
    EXPECT_TRUE(AttributeValue::Number(0x10000).Equals(AttributeValue::Number(0x10000)));
    EXPECT_FALSE(AttributeValue::Number(0x10000).Equals(AttributeValue::Number(0)));
    EXPECT_FALSE(AttributeValue(Kind::Image).Equals(AttributeValue(Kind::Image)));
    EXPECT_FALSE(AttributeValue::Number(0).Equals(AttributeValue(Kind::Rect))) << "kinds differ";
}

// A get written into the value's own storage, of the full size of its type.
TEST(AttributeValue, ReceivesAGetOfItsKind) {
    AttributeValue rect(Kind::Rect);
    *static_cast<RECT*>(rect.OutArgument()) = RECT{5, 6, 7, 8};
    EXPECT_EQ(8, rect.Rect().bottom);

    AttributeValue text(Kind::Text);
    *static_cast<BSTR*>(text.OutArgument()) = SysAllocString(L"first");
    *static_cast<BSTR*>(text.OutArgument()) = SysAllocString(L"second");  // the old one is released
    EXPECT_STREQ(L"second", text.Text());

    AttributeValue date(Kind::Variant);
    VARIANT* out = static_cast<VARIANT*>(date.OutArgument());
    out->vt = VT_BSTR;
    out->bstrVal = SysAllocString(L"owned");
    EXPECT_EQ(VT_BSTR, date.Variant().vt);

    EXPECT_EQ(nullptr, AttributeValue(Kind::Image).OutArgument());
}

TEST(AttributeValue, CopiesAreDeep) {
    BSTR given = SysAllocString(L"deep");
    AttributeValue* original = new AttributeValue(AttributeValue::FromArgument(Kind::Text, Arg(given)));
    SysFreeString(given);
    AttributeValue copy = *original;
    EXPECT_NE(original->Text(), copy.Text());
    delete original;
    EXPECT_STREQ(L"deep", copy.Text());

    AttributeValue assigned(Kind::Integer);
    assigned = copy;
    EXPECT_EQ(Kind::Text, assigned.kind());
    EXPECT_STREQ(L"deep", assigned.Text());
    AttributeValue moved = std::move(assigned);
    EXPECT_STREQ(L"deep", moved.Text());

    // Written out, a text is a new string that the caller frees.
    BSTR out = nullptr;
    moved.CopyTo(&out);
    EXPECT_NE(moved.Text(), out);
    EXPECT_STREQ(L"deep", out);
    SysFreeString(out);
}

// --- packed DIBs -------------------------------------------------------------

// A packed DIB in a movable block: header, masks, colours, rows, plus slack.
HGLOBAL MakeDib(int width, int height, int bits, DWORD compression, DWORD coloursUsed,
                size_t maskBytes, size_t slack = 0, int claimedWidth = 0) {
    const size_t colours = coloursUsed ? coloursUsed : (bits <= 8 ? (1u << bits) : 0);
    const size_t row = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    const size_t size = sizeof(BITMAPINFOHEADER) + maskBytes + colours * 4 + row * (height < 0 ? -height : height);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size + slack);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    for (size_t i = 0; i < size + slack; ++i) bytes[i] = static_cast<unsigned char>(i * 7 + 1);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = claimedWidth ? claimedWidth : width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    header.biCompression = compression;
    header.biClrUsed = coloursUsed;
    std::memcpy(bytes, &header, sizeof(header));
    GlobalUnlock(block);
    return block;
}

size_t SizeOfBlock(HGLOBAL block) {
    const void* bits = GlobalLock(block);
    const size_t size = PackedDib::SizeOf(bits, GlobalSize(block));
    GlobalUnlock(block);
    return size;
}

TEST(PackedDib, SizeComesFromTheRealHeader) {
    const struct {
        int width, height, bits;
        DWORD compression, coloursUsed;
        size_t masks, expected;
    } cases[] = {
        {8, 2, 1, BI_RGB, 0, 0, 40 + 8 + 8},              // 2 colours, rows of 4 bytes
        {10, 3, 8, BI_RGB, 16, 0, 40 + 64 + 12 * 3},       // colours used, not 256
        {10, 3, 8, BI_RGB, 0, 0, 40 + 1024 + 12 * 3},
        {5, -4, 24, BI_RGB, 0, 0, 40 + 16 * 4},            // top-down rows
        {3, 2, 16, BI_BITFIELDS, 0, 12, 40 + 12 + 8 * 2},  // the three masks count
        {3, 2, 32, BI_BITFIELDS, 0, 12, 40 + 12 + 12 * 2},
    };
    for (const auto& c : cases) {
        HGLOBAL block = MakeDib(c.width, c.height, c.bits, c.compression, c.coloursUsed, c.masks, 5);
        EXPECT_EQ(c.expected, SizeOfBlock(block)) << c.width << "x" << c.height << "x" << c.bits;
        GlobalFree(block);
    }
}

TEST(PackedDib, AHeaderThatClaimsMoreThanTheBlockIsRefused) {
    // Rows of a 4000-pixel width in a block made for 4 pixels.
    HGLOBAL wide = MakeDib(4, 4, 24, BI_RGB, 0, 0, 0, 4000);
    EXPECT_EQ(0u, SizeOfBlock(wide));
    EXPECT_EQ(nullptr, PackedDib::Copy(wide));
    GlobalFree(wide);

    // Colours used beyond the block.
    HGLOBAL colours = MakeDib(4, 4, 8, BI_RGB, 0, 0);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(colours));
    header->biClrUsed = 0x40000000;
    GlobalUnlock(colours);
    EXPECT_EQ(0u, SizeOfBlock(colours));
    GlobalFree(colours);

    // A header that is not one of a bitmap, and a block shorter than a header.
    HGLOBAL bad = MakeDib(4, 4, 7, BI_RGB, 0, 0, 64);
    EXPECT_EQ(0u, SizeOfBlock(bad));
    GlobalFree(bad);
    unsigned char tiny[12] = {40};
    EXPECT_EQ(0u, PackedDib::SizeOf(tiny, sizeof(tiny)));
    EXPECT_EQ(0u, PackedDib::SizeOf(nullptr, 100));
    EXPECT_EQ(nullptr, PackedDib::Copy(nullptr));
}

TEST(PackedDib, ACopyHoldsTheWholeDibAndNoMore) {
    HGLOBAL source = MakeDib(3, 2, 32, BI_BITFIELDS, 0, 12, 9);
    HGLOBAL copy = PackedDib::Copy(source);
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(40u + 12 + 24, GlobalSize(copy));
    const void* a = GlobalLock(source);
    const void* b = GlobalLock(copy);
    EXPECT_EQ(0, std::memcmp(a, b, 40 + 12 + 24));
    GlobalUnlock(copy);
    GlobalUnlock(source);
    GlobalFree(copy);
    GlobalFree(source);
}

// The image default (tool 4105, attribute 17) keeps a copy of its own.
class RecordingLayer : public EngineSettingsHost {
public:
    void SetCurrentLayerToolAttribute(int tool, int attribute, EngineValue value) override {
        pushed.push_back({tool, attribute, value});
    }
    void InteractModeSet(bool) override {}
    void ContextMenuEnabledSet(bool) override {}
    void UsePaletteMenuSet(bool) override {}
    void FontScalingSet(short) override {}
    struct Push {
        int tool, attribute;
        EngineValue value;
    };
    std::vector<Push> pushed;
};

TEST(ImageDefault, KeepsACopyAndFreesItWhenReplaced) {
    RecordingLayer layer;
    EngineSettings settings(&layer, nullptr);
    settings.LoadDefaults();

    HGLOBAL source = MakeDib(4, 4, 8, BI_RGB, 2, 0, 100);
    ASSERT_EQ(0, settings.SetToolDefaultAttribute(ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue>(source)));
    EngineValue held = 0;
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(ImageTool, QMK_DibPtr, &held));
    ASSERT_NE(0, held);
    EXPECT_NE(reinterpret_cast<EngineValue>(source), held) << "the engine holds a copy";
    EXPECT_EQ(40u + 8 + 16, GlobalSize(reinterpret_cast<HGLOBAL>(held)));
    GlobalFree(source);  // the caller's block may go at once

    ASSERT_EQ(1u, layer.pushed.size());
    EXPECT_EQ(held, layer.pushed[0].value) << "the current layer is given the engine's copy";

    // A block that is not a whole packed DIB is refused: the old image stays
    // and the current layer hears nothing.
    HGLOBAL broken = MakeDib(4, 4, 8, BI_RGB, 0, 0, 0, 400);
    EXPECT_EQ(QMK_ErrInvalidAttribute,
              settings.SetToolDefaultAttribute(ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue>(broken)));
    GlobalFree(broken);
    EngineValue still = 0;
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(ImageTool, QMK_DibPtr, &still));
    EXPECT_EQ(held, still);
    EXPECT_EQ(1u, layer.pushed.size());

    ASSERT_EQ(0, settings.SetToolDefaultAttribute(ImageTool, QMK_DibPtr, 0));
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(ImageTool, QMK_DibPtr, &held));
    EXPECT_EQ(0, held);
}

} // namespace
