// Engine properties and tool defaults through the interface: the values a new
// engine starts with, the refused codes, and how a change reaches the layers.
#include "expected_tool_defaults.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "engine_test_host.h"

using namespace engine_test;

namespace {

// --- reading values of each kind ------------------------------------------------

std::wstring TakeText(BSTR text)
{
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : L"<null>";
    SysFreeString(text);
    return result;
}

EngineValue PropertyNumber(AnnotationEngine* engine, int code)
{
    EngineValue value = 0x5A5A5A5A;
    EXPECT_EQ(0, engine->GetProperty(code, &value)) << code;
    return value;
}

std::wstring PropertyText(AnnotationEngine* engine, int code)
{
    BSTR text = nullptr;
    EXPECT_EQ(0, engine->GetProperty(code, reinterpret_cast<EngineValue*>(&text))) << code;
    return TakeText(text);
}

LOGFONTA PropertyFont(AnnotationEngine* engine, int code)
{
    LOGFONTA font;
    std::memset(&font, 0x77, sizeof(font));
    EXPECT_EQ(0, engine->GetProperty(code, reinterpret_cast<EngineValue*>(&font))) << code;
    return font;
}

LOGFONTA Font(const char* face, LONG height)
{
    LOGFONTA font = {};
    font.lfHeight = height;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

// A value as it crosses for a set.
EngineValue Arg(const void* address)
{
    return reinterpret_cast<EngineValue>(address);
}

// A tool attribute of a layer (layer != 0) or the engine's default (layer 0).
int ReadTool(AnnotationEngine* engine, int layer, int tool, int attribute, void* out)
{
    auto* value = static_cast<EngineValue*>(out);
    return layer ? engine->GetToolAttribute(layer, tool, attribute, value)
                 : engine->GetToolDefaultAttribute(tool, attribute, value);
}

EngineValue ToolNumber(AnnotationEngine* engine, int layer, int tool, int attribute)
{
    EngineValue value = 0x5A5A5A5A;
    EXPECT_EQ(0, ReadTool(engine, layer, tool, attribute, &value)) << tool << "/" << attribute;
    return value;
}

std::wstring ToolText(AnnotationEngine* engine, int layer, int tool, int attribute)
{
    BSTR text = nullptr;
    EXPECT_EQ(0, ReadTool(engine, layer, tool, attribute, &text)) << tool << "/" << attribute;
    return TakeText(text);
}

std::string ToolFontFace(AnnotationEngine* engine, int layer, int tool)
{
    LOGFONTA font;
    std::memset(&font, 0x77, sizeof(font));
    EXPECT_EQ(0, ReadTool(engine, layer, tool, QMK_Logfont, &font)) << tool;
    return font.lfFaceName;
}

// --- the 51 properties after Ann_Init ---------------------------------------------

enum class Kind { Number, Text, Font };

struct PropertyDefault {
    int code;
    Kind kind;
    int number;           // Number
    const wchar_t* text;  // Text
    const char* face;     // Font (height 15)
};

const PropertyDefault kPropertyDefaults[] = {
    {QMK_InteractMode, Kind::Number, 0, nullptr, nullptr},
    {QMK_EnableContextMenu, Kind::Number, 1, nullptr, nullptr},
    {QMK_SaveAnnotations, Kind::Number, 1, nullptr, nullptr},
    {QMK_UsePaletteMenu, Kind::Number, 1, nullptr, nullptr},
    {QMK_LoadAnnotations, Kind::Number, 1, nullptr, nullptr},
    {QMK_FontScaling, Kind::Number, 0, nullptr, nullptr},
    {QMK_MLECompatible, Kind::Number, 0, nullptr, nullptr},
    {QMK_QMKEditors, Kind::Number, 1, nullptr, nullptr},
    {QMK_UnicodeMode, Kind::Number, 0, nullptr, nullptr},
    {QMK_TextToolArrows, Kind::Number, 1, nullptr, nullptr},
    {QMK_RecalibrateXDPI, Kind::Number, -1, nullptr, nullptr},
    {QMK_RecalibrateYDPI, Kind::Number, -1, nullptr, nullptr},
    {QMK_SummaryAuthor, Kind::Text, 0, L"", nullptr},
    {QMK_SummaryComments, Kind::Text, 0, L"", nullptr},
    {QMK_SummarySubject, Kind::Text, 0, L"", nullptr},
    {QMK_SummaryTitle, Kind::Text, 0, L"", nullptr},
    {QMK_UnitNameInches, Kind::Text, 0, L"in", nullptr},
    {QMK_UnitNameFeet, Kind::Text, 0, L"ft", nullptr},
    {QMK_UnitNameYards, Kind::Text, 0, L"yd", nullptr},
    {QMK_UnitNameMiles, Kind::Text, 0, L"mi", nullptr},
    {QMK_UnitNameMicrometers, Kind::Text, 0, L"\u00B5m", nullptr},
    {QMK_UnitNameMillimeters, Kind::Text, 0, L"mm", nullptr},
    {QMK_UnitNameCentimeters, Kind::Text, 0, L"cm", nullptr},
    {QMK_UnitNameDecimeters, Kind::Text, 0, L"dm", nullptr},
    {QMK_UnitNameMeters, Kind::Text, 0, L"m", nullptr},
    {QMK_UnitNameDekameters, Kind::Text, 0, L"dam", nullptr},
    {QMK_UnitNameKilometers, Kind::Text, 0, L"km", nullptr},
    {QMK_UnitNamePixels, Kind::Text, 0, L"pixels", nullptr},
    {QMK_UnitNameTwips, Kind::Text, 0, L"twips", nullptr},
    {QMK_DefaultRulerFont, Kind::Font, 0, nullptr, "Times New Roman"},
    {QMK_DefaultPenColor, Kind::Number, 0xFF0000, nullptr, nullptr},
    {QMK_DefaultTextColor, Kind::Number, 0, nullptr, nullptr},
    {QMK_DefaultBackColor, Kind::Number, 0xFFFFFF, nullptr, nullptr},
    {QMK_DefaultFillColor, Kind::Number, 0xC0C0C0, nullptr, nullptr},
    {QMK_DefaultPenWidth, Kind::Number, 1, nullptr, nullptr},
    {QMK_DefaultHighlightBack, Kind::Number, 0, nullptr, nullptr},
    {QMK_DefaultHighlightFill, Kind::Number, 0, nullptr, nullptr},
    {QMK_DefaultStampText, Kind::Text, 0, L"", nullptr},
    {QMK_DefaultButtonText, Kind::Text, 0, L"", nullptr},
    {QMK_DefaultTool, Kind::Number, FreehandTool, nullptr, nullptr},
    {QMK_DefaultStampFont, Kind::Font, 0, nullptr, "Courier New"},
    {QMK_DefaultTextFont, Kind::Font, 0, nullptr, "Times New Roman"},
    {QMK_DefaultButtonFont, Kind::Font, 0, nullptr, "Times New Roman"},
    {QMK_StreamSetting34, Kind::Number, 0, nullptr, nullptr},
    {QMK_ImageMappingWidth, Kind::Number, 0, nullptr, nullptr},
    {QMK_ImageMappingHeight, Kind::Number, 0, nullptr, nullptr},
    {QMK_StreamSetting2128, Kind::Number, 0, nullptr, nullptr},
    {QMK_StreamSetting2129, Kind::Number, 0, nullptr, nullptr},
    {QMK_StreamSetting36760, Kind::Number, 7, nullptr, nullptr},
    {QMK_LayerCountSetting, Kind::Number, 0, nullptr, nullptr},
    {QMK_StreamSetting36764, Kind::Number, 0, nullptr, nullptr},
};
static_assert(sizeof(kPropertyDefaults) / sizeof(kPropertyDefaults[0]) == kEnginePropertyCount,
              "every property of the engine has its row");

bool IsTabledProperty(int code)
{
    for (const PropertyDefault& row : kPropertyDefaults)
        if (row.code == code)
            return true;
    return false;
}

TEST(EnginePropertiesAfterInit, EveryPropertyHoldsItsDefault)
{
    EngineLibrary library;
    TestHost host(library);
    for (const PropertyDefault& row : kPropertyDefaults) {
        SCOPED_TRACE("property " + std::to_string(row.code));
        switch (row.kind) {
        case Kind::Number:
            EXPECT_EQ(row.number, PropertyNumber(host.Engine(), row.code));
            break;
        case Kind::Text:
            EXPECT_EQ(row.text, PropertyText(host.Engine(), row.code));
            break;
        case Kind::Font: {
            LOGFONTA font = PropertyFont(host.Engine(), row.code);
            EXPECT_EQ(15, font.lfHeight);
            EXPECT_EQ(0, font.lfWeight);
            EXPECT_STREQ(row.face, font.lfFaceName);
            break;
        }
        }
    }
}

TEST(EnginePropertiesAfterInit, OtherCodesAreRefusedWith1015)
{
    EngineLibrary library;
    TestHost host(library);
    for (int code = -2; code <= 41000; ++code) {
        if (IsTabledProperty(code))
            continue;
        EngineValue value = 0x5A5A;
        ASSERT_EQ(QMK_ErrInvalidAttribute, host->GetProperty(code, &value)) << code;
        ASSERT_EQ(0x5A5A, value) << code;
        ASSERT_EQ(QMK_ErrInvalidAttribute, host->SetProperty(code, 1)) << code;
    }
    // A refused set changed nothing.
    EXPECT_EQ(0xFF0000, PropertyNumber(host.Engine(), QMK_DefaultPenColor));
}

// --- the tool tables ---------------------------------------------------------------

using namespace expected_tools;

// Codes that no tool has.
const int kNoToolHas[] = {0, 6, 12, 30, 35, 40, 128, 513, 2092, 36718, 40961};

int CellOf(const ToolRow& row, int tool)
{
    return tool >= TextTool && tool <= RulerTool ? row.cells[tool - TextTool] : NA;
}

int SystemColour(int cell)
{
    switch (cell) {
    case BTNTEXT:
        return static_cast<int>(GetSysColor(COLOR_BTNTEXT));
    case BTNFACE:
        return static_cast<int>(GetSysColor(COLOR_BTNFACE));
    case LIGHT3D:
        return static_cast<int>(GetSysColor(COLOR_3DLIGHT));
    case SHADOW:
        return static_cast<int>(GetSysColor(COLOR_BTNSHADOW));
    default:
        return cell;
    }
}

// Checks one tool's attributes against the table, read from the engine's
// defaults (layer 0) or from a layer.
void ExpectToolTable(AnnotationEngine* engine, int layer, int tool)
{
    for (const ToolRow& row : kToolTable) {
        const int cell = CellOf(row, tool);
        SCOPED_TRACE("tool " + std::to_string(tool) + " attribute " + std::to_string(row.attribute));
        if (layer == 0) {
            unsigned char valid = 0xAA;
            ASSERT_EQ(0, engine->IsValidToolAttribute(tool, row.attribute, &valid));
            EXPECT_EQ(cell == NA ? 0 : 1, valid);
        }
        if (cell == NA) {
            EngineValue value = 0x5A5A;
            EXPECT_EQ(QMK_ErrInvalidAttribute, ReadTool(engine, layer, tool, row.attribute, &value));
            EXPECT_EQ(0x5A5A, value);
        } else if (cell == TXT) {
            EXPECT_EQ(L"", ToolText(engine, layer, tool, row.attribute));
        } else if (cell == FONT) {
            EXPECT_EQ(tool == StampTool ? "Courier New" : "Times New Roman",
                      ToolFontFace(engine, layer, tool));
        } else {
            EXPECT_EQ(SystemColour(cell), ToolNumber(engine, layer, tool, row.attribute));
        }
    }
    for (int code : kNoToolHas) {
        EngineValue value = 0x5A5A;
        EXPECT_EQ(QMK_ErrInvalidAttribute, ReadTool(engine, layer, tool, code, &value)) << code;
    }
}

class ToolTablesAfterInit : public testing::TestWithParam<int> {};

TEST_P(ToolTablesAfterInit, TheEngineDefaultsAndANewLayersToolsHoldTheTable)
{
    EngineLibrary library;
    TestHost host(library);
    const int tool = GetParam();
    ExpectToolTable(host.Engine(), 0, tool);
    const int layer = host->CreateLayer(1);
    ASSERT_NE(0, layer);
    ExpectToolTable(host.Engine(), layer, tool);
}

INSTANTIATE_TEST_SUITE_P(EveryTool, ToolTablesAfterInit, testing::Range(4096, 4109),
                         [](const testing::TestParamInfo<int>& info) {
                             return "Tool" + std::to_string(info.param);
                         });

TEST(ToolDefaultErrors, BadToolsGive1005AndMissingAttributesGive1015)
{
    EngineLibrary library;
    TestHost host(library);
    const int layer = host->CreateLayer(1);
    struct Case {
        int tool;
        int attribute;
        int expected;
    };
    const Case cases[] = {
        {4095, QMK_PenColor, QMK_ErrInvalidTool},
        {4109, QMK_PenColor, QMK_ErrInvalidTool},
        {0, QMK_PenColor, QMK_ErrInvalidTool},
        {-1, QMK_Visible, QMK_ErrInvalidTool},
        {PointerTool, QMK_PenColor, QMK_ErrInvalidAttribute},
        {ProtractorTool, QMK_Visible, QMK_ErrInvalidAttribute},
        {RectangleTool, QMK_Text, QMK_ErrInvalidAttribute},
        {ButtonTool, QMK_PenColor, QMK_ErrInvalidAttribute},
        {TextTool, 2092, QMK_ErrInvalidAttribute},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("tool " + std::to_string(c.tool) + " attribute " + std::to_string(c.attribute));
        EngineValue value = 0x5A5A;
        EXPECT_EQ(c.expected, host->SetToolDefaultAttribute(c.tool, c.attribute, 1));
        EXPECT_EQ(c.expected, host->GetToolDefaultAttribute(c.tool, c.attribute, &value));
        EXPECT_EQ(c.expected, host->SetToolAttribute(layer, c.tool, c.attribute, 1));
        EXPECT_EQ(c.expected, host->GetToolAttribute(layer, c.tool, c.attribute, &value));
        EXPECT_EQ(0x5A5A, value);
        unsigned char valid = 0xAA;
        if (c.expected == QMK_ErrInvalidTool) {
            EXPECT_EQ(QMK_ErrInvalidTool, host->IsValidToolAttribute(c.tool, c.attribute, &valid));
            EXPECT_EQ(0xAA, valid);
        } else {
            EXPECT_EQ(0, host->IsValidToolAttribute(c.tool, c.attribute, &valid));
            EXPECT_EQ(0, valid);
        }
    }
    // A layer's tool attributes need a layer of this engine.
    EngineValue value = 0;
    EXPECT_EQ(QMK_ErrInvalidLayer, host->SetToolAttribute(0, TextTool, QMK_PenColor, 1));
    EXPECT_EQ(QMK_ErrInvalidLayer, host->GetToolAttribute(layer + 1000, TextTool, QMK_PenColor, &value));
}

// --- how a change reaches the layers -------------------------------------------------

TEST(PropertyPushes, ADefaultColourReachesEveryToolOfTheCurrentAndOfNewLayers)
{
    EngineLibrary library;
    TestHost host(library);
    const int other = host->CreateLayer(0);
    const int current = host->CreateLayer(1);
    ASSERT_EQ(0, host->SetProperty(QMK_DefaultPenColor, 0x123456));
    EXPECT_EQ(0x123456, PropertyNumber(host.Engine(), QMK_DefaultPenColor));
    const int later = host->CreateLayer(0);

    // The button has no pen colour; the other tools of the current layer, of
    // the new layer and of the defaults take it, the other layer keeps its own.
    for (int tool = TextTool; tool <= ProtractorTool; ++tool) {
        SCOPED_TRACE("tool " + std::to_string(tool));
        unsigned char has = 0;
        ASSERT_EQ(0, host->IsValidToolAttribute(tool, QMK_PenColor, &has));
        if (!has) {
            EngineValue value = 0;
            EXPECT_EQ(QMK_ErrInvalidAttribute, host->GetToolAttribute(current, tool, QMK_PenColor, &value));
            continue;
        }
        EXPECT_EQ(0x123456, ToolNumber(host.Engine(), 0, tool, QMK_PenColor));
        EXPECT_EQ(0x123456, ToolNumber(host.Engine(), current, tool, QMK_PenColor));
        EXPECT_EQ(0x123456, ToolNumber(host.Engine(), later, tool, QMK_PenColor));
        EXPECT_NE(0x123456, ToolNumber(host.Engine(), other, tool, QMK_PenColor));
    }
}

TEST(PropertyPushes, TheHighlightAndWidthDefaultsReachTheirAttributes)
{
    EngineLibrary library;
    TestHost host(library);
    const int layer = host->CreateLayer(1);
    struct Case {
        int property;
        int tool;
        int attribute;
    };
    const Case cases[] = {
        {QMK_DefaultTextColor, StampTool, QMK_TextColor},
        {QMK_DefaultBackColor, RulerTool, QMK_BackColor},
        {QMK_DefaultFillColor, EllipseTool, QMK_FillColor},
        {QMK_DefaultPenWidth, ButtonTool, QMK_PenWidth},
        {QMK_DefaultHighlightBack, TextTool, QMK_HighlightBack},
        {QMK_DefaultHighlightFill, PolygonTool, QMK_HighlightFill},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("property " + std::to_string(c.property));
        ASSERT_EQ(0, host->SetProperty(c.property, 77));
        EXPECT_EQ(77, PropertyNumber(host.Engine(), c.property));
        EXPECT_EQ(77, ToolNumber(host.Engine(), 0, c.tool, c.attribute));
        EXPECT_EQ(77, ToolNumber(host.Engine(), layer, c.tool, c.attribute));
    }
}

TEST(PropertyPushes, AToolDefaultReachesOnlyTheCurrentLayerAndNewLayers)
{
    EngineLibrary library;
    TestHost host(library);
    const int other = host->CreateLayer(0);
    const int current = host->CreateLayer(1);
    ASSERT_EQ(0, host->SetToolDefaultAttribute(LineTool, QMK_PenWidth, 9));
    EXPECT_EQ(9, ToolNumber(host.Engine(), current, LineTool, QMK_PenWidth));
    EXPECT_EQ(2, ToolNumber(host.Engine(), other, LineTool, QMK_PenWidth));

    // Without a current layer only the defaults change.
    ASSERT_EQ(1, host->SetCurrentLayer(0));
    ASSERT_EQ(0, host->SetToolDefaultAttribute(LineTool, QMK_PenWidth, 11));
    EXPECT_EQ(9, ToolNumber(host.Engine(), current, LineTool, QMK_PenWidth));
    EXPECT_EQ(11, ToolNumber(host.Engine(), host->CreateLayer(0), LineTool, QMK_PenWidth));

    // A layer's own set stays in that layer.
    ASSERT_EQ(0, host->SetToolAttribute(other, LineTool, QMK_PenWidth, 5));
    EXPECT_EQ(5, ToolNumber(host.Engine(), other, LineTool, QMK_PenWidth));
    EXPECT_EQ(11, ToolNumber(host.Engine(), 0, LineTool, QMK_PenWidth));
}

TEST(PropertyPushes, TextsReachTheCurrentLayerAsItsOwnCopies)
{
    EngineLibrary library;
    TestHost host(library);
    const int layer = host->CreateLayer(1);

    struct Case {
        int property;  // 0: through SetToolDefaultAttribute
        int tool;
        const wchar_t* text;
    };
    const Case cases[] = {
        {QMK_DefaultStampText, StampTool, L"APPROVED"},
        {QMK_DefaultButtonText, ButtonTool, L"Press"},
        {0, TextTool, L"typed text"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("tool " + std::to_string(c.tool));
        BSTR text = SysAllocString(c.text);
        const int result = c.property ? host->SetProperty(c.property, Arg(text))
                                      : host->SetToolDefaultAttribute(c.tool, QMK_Text, Arg(text));
        ASSERT_EQ(0, result);
        // The caller's string is gone; the engine and the layer hold copies.
        SysFreeString(text);
        if (c.property) {
            EXPECT_EQ(c.text, PropertyText(host.Engine(), c.property));
        }
        EXPECT_EQ(c.text, ToolText(host.Engine(), 0, c.tool, QMK_Text));
        EXPECT_EQ(c.text, ToolText(host.Engine(), layer, c.tool, QMK_Text));
        // A null text changes nothing.
        EXPECT_EQ(0, host->SetToolDefaultAttribute(c.tool, QMK_Text, 0));
        EXPECT_EQ(c.text, ToolText(host.Engine(), layer, c.tool, QMK_Text));
    }
    // A layer's own text does not change the default.
    BSTR own = SysAllocString(L"layer text");
    ASSERT_EQ(0, host->SetToolAttribute(layer, TextTool, QMK_Text, Arg(own)));
    SysFreeString(own);
    EXPECT_EQ(L"layer text", ToolText(host.Engine(), layer, TextTool, QMK_Text));
    EXPECT_EQ(L"typed text", ToolText(host.Engine(), 0, TextTool, QMK_Text));
}

TEST(PropertyPushes, ADefaultFontPropertyChangesTheToolButNotTheCurrentLayer)
{
    EngineLibrary library;
    TestHost host(library);
    const int layer = host->CreateLayer(1);
    struct Case {
        int property;
        int tool;
        const char* startFace;
    };
    const Case cases[] = {
        {QMK_DefaultTextFont, TextTool, "Times New Roman"},
        {QMK_DefaultStampFont, StampTool, "Courier New"},
        {QMK_DefaultButtonFont, ButtonTool, "Times New Roman"},
        {QMK_DefaultRulerFont, RulerTool, "Times New Roman"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("property " + std::to_string(c.property));
        LOGFONTA font = Font("Arial", -20);
        ASSERT_EQ(0, host->SetProperty(c.property, Arg(&font)));
        std::memset(&font, 0, sizeof(font));  // the engine kept a copy
        LOGFONTA read = PropertyFont(host.Engine(), c.property);
        EXPECT_EQ(-20, read.lfHeight);
        EXPECT_STREQ("Arial", read.lfFaceName);
        EXPECT_EQ("Arial", ToolFontFace(host.Engine(), 0, c.tool));
        EXPECT_EQ(c.startFace, ToolFontFace(host.Engine(), layer, c.tool));
        // The map of a font code keeps no address.
        EXPECT_EQ(0, host->SetProperty(c.property, 0));
        EXPECT_STREQ("Arial", PropertyFont(host.Engine(), c.property).lfFaceName);
    }
    // The tool default attribute reaches the current layer; a new layer starts with it.
    LOGFONTA font = Font("Tahoma", 12);
    ASSERT_EQ(0, host->SetToolDefaultAttribute(TextTool, QMK_Logfont, Arg(&font)));
    EXPECT_EQ("Tahoma", ToolFontFace(host.Engine(), layer, TextTool));
    EXPECT_EQ("Arial", ToolFontFace(host.Engine(), host->CreateLayer(0), StampTool));
}

// A packed DIB of 2 x 2 pixels at 24 bits in a movable block.
HGLOBAL MakeDib(BYTE fill)
{
    const SIZE_T size = sizeof(BITMAPINFOHEADER) + 2 * 8;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    auto* bytes = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = 2;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biSizeImage = 16;
    std::memcpy(bytes, &header, sizeof(header));
    std::memset(bytes + sizeof(header), fill, 16);
    GlobalUnlock(block);
    return block;
}

BYTE FirstPixelByte(HGLOBAL dib)
{
    auto* bytes = static_cast<const BYTE*>(GlobalLock(dib));
    BYTE value = bytes[sizeof(BITMAPINFOHEADER)];
    GlobalUnlock(dib);
    return value;
}

TEST(PropertyPushes, TheImageDefaultIsCopiedIntoEachLayer)
{
    EngineLibrary library;
    TestHost host(library);
    const int current = host->CreateLayer(1);
    HGLOBAL dib = MakeDib(0x3C);
    ASSERT_EQ(0, host->SetToolDefaultAttribute(ImageTool, QMK_DibPtr, Arg(dib)));
    GlobalFree(dib);  // the engine holds its own copy
    const int later = host->CreateLayer(0);

    HGLOBAL engineCopy = nullptr;
    HGLOBAL currentCopy = nullptr;
    HGLOBAL laterCopy = nullptr;
    ASSERT_EQ(0, host->GetToolDefaultAttribute(ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue*>(&engineCopy)));
    ASSERT_EQ(0, host->GetToolAttribute(current, ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue*>(&currentCopy)));
    ASSERT_EQ(0, host->GetToolAttribute(later, ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue*>(&laterCopy)));
    ASSERT_NE(nullptr, engineCopy);
    ASSERT_NE(nullptr, currentCopy);
    ASSERT_NE(nullptr, laterCopy);
    EXPECT_NE(engineCopy, currentCopy);
    EXPECT_NE(engineCopy, laterCopy);
    EXPECT_NE(currentCopy, laterCopy);
    for (HGLOBAL copy : {engineCopy, currentCopy, laterCopy})
        EXPECT_EQ(0x3C, FirstPixelByte(copy));

    // Deleting a layer frees only its own copy.
    ASSERT_EQ(1, host->DeleteLayer(later));
    EXPECT_EQ(0x3C, FirstPixelByte(engineCopy));
    EXPECT_EQ(0x3C, FirstPixelByte(currentCopy));
}

TEST(PropertyPushes, AnImageHandedBackAsItWasHandedOutIsKept)
{
    // A host reads the image default (or a layer's tool image) and sets it
    // again: the engine copies the block it holds before it lets it go.
    struct Case {
        const char* name;
        bool layerTool;  // the layer's own tool attribute, else the engine default
    };
    const Case cases[] = {{"engine default", false}, {"layer tool", true}};
    for (const Case& c : cases) {
        EngineLibrary library;
        TestHost host(library);
        const int layer = host->CreateLayer(1);
        auto set = [&](HGLOBAL dib) {
            return c.layerTool ? host->SetToolAttribute(layer, ImageTool, QMK_DibPtr, Arg(dib))
                               : host->SetToolDefaultAttribute(ImageTool, QMK_DibPtr, Arg(dib));
        };
        auto get = [&](int fromLayer) {
            HGLOBAL held = nullptr;
            auto* out = reinterpret_cast<EngineValue*>(&held);
            EXPECT_EQ(0, fromLayer ? host->GetToolAttribute(fromLayer, ImageTool, QMK_DibPtr, out)
                                   : host->GetToolDefaultAttribute(ImageTool, QMK_DibPtr, out));
            return held;
        };
        HGLOBAL dib = MakeDib(0x5E);
        ASSERT_EQ(0, set(dib)) << c.name;
        GlobalFree(dib);
        HGLOBAL handedOut = get(c.layerTool ? layer : 0);
        ASSERT_NE(nullptr, handedOut) << c.name;
        ASSERT_EQ(0, set(handedOut)) << c.name;
        HGLOBAL kept = get(c.layerTool ? layer : 0);
        ASSERT_NE(nullptr, kept) << c.name;
        EXPECT_EQ(0x5E, FirstPixelByte(kept)) << c.name;
        // The current layer took its copy of the engine default as well.
        HGLOBAL layerCopy = get(layer);
        ASSERT_NE(nullptr, layerCopy) << c.name;
        EXPECT_EQ(0x5E, FirstPixelByte(layerCopy)) << c.name;
    }
}

TEST(EngineSettingsThroughTheInterface, TheSaveFlagIsOneSetting)
{
    EngineLibrary library;
    TestHost host(library);
    EXPECT_EQ(1, host->GetSaveAnnotations());
    host->SetSaveAnnotations(0);
    EXPECT_EQ(0, host->GetSaveAnnotations());
    EXPECT_EQ(0, PropertyNumber(host.Engine(), QMK_SaveAnnotations));
    ASSERT_EQ(0, host->SetProperty(QMK_SaveAnnotations, 5));
    EXPECT_EQ(1, host->GetSaveAnnotations());
    EXPECT_EQ(1, PropertyNumber(host.Engine(), QMK_SaveAnnotations));
}

TEST(EngineSettingsThroughTheInterface, InteractiveModeRefusesToolChanges)
{
    EngineLibrary library;
    TestHost host(library);
    const int layer = host->CreateLayer(1);
    ASSERT_EQ(0, host->SetProperty(QMK_InteractMode, 1));
    EXPECT_EQ(1, PropertyNumber(host.Engine(), QMK_InteractMode));
    EXPECT_EQ(QMK_ErrInvalidInteractMode, host->SetTool(layer, RectangleTool));
    ASSERT_EQ(0, host->SetProperty(QMK_InteractMode, 0));
    EXPECT_NE(QMK_ErrInvalidInteractMode, host->SetTool(layer, RectangleTool));
}

TEST(EngineSettingsThroughTheInterface, FieldSettingsReadTheirField)
{
    EngineLibrary library;
    TestHost host(library);
    struct Case {
        int code;
        int set;
        int read;
    };
    // Flags read back as 0 or 1; font scaling takes only 0 and 1.
    const Case cases[] = {
        {QMK_EnableContextMenu, 0, 0}, {QMK_EnableContextMenu, 7, 1},
        {QMK_UsePaletteMenu, 0, 0},    {QMK_UsePaletteMenu, -1, 1},
        {QMK_FontScaling, 1, 1},       {QMK_FontScaling, 2, 1},
        {QMK_FontScaling, 0, 0},       {QMK_FontScaling, -1, 0},
        {QMK_UnicodeMode, 3, 1},       {QMK_QMKEditors, 0, 0},
        {QMK_RecalibrateXDPI, 300, 300},
        {QMK_ImageMappingWidth, 1234, 1234},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("property " + std::to_string(c.code) + " set " + std::to_string(c.set));
        ASSERT_EQ(0, host->SetProperty(c.code, c.set));
        EXPECT_EQ(c.read, PropertyNumber(host.Engine(), c.code));
    }
    // Texts are copies, and a null text changes nothing.
    BSTR author = SysAllocString(L"R. Writer");
    ASSERT_EQ(0, host->SetProperty(QMK_SummaryAuthor, Arg(author)));
    SysFreeString(author);
    EXPECT_EQ(0, host->SetProperty(QMK_SummaryAuthor, 0));
    EXPECT_EQ(L"R. Writer", PropertyText(host.Engine(), QMK_SummaryAuthor));
    BSTR label = SysAllocString(L"px");
    ASSERT_EQ(0, host->SetProperty(QMK_UnitNamePixels, Arg(label)));
    SysFreeString(label);
    EXPECT_EQ(L"px", PropertyText(host.Engine(), QMK_UnitNamePixels));
}

TEST(EngineSettingsThroughTheInterface, EachEngineHasItsOwnSettings)
{
    EngineLibrary library;
    TestHost first(library);
    TestHost second(library);
    ASSERT_EQ(0, first->SetProperty(QMK_DefaultPenColor, 0x00AA00));
    ASSERT_EQ(0, first->SetToolDefaultAttribute(TextTool, QMK_PenWidth, 6));
    EXPECT_EQ(0xFF0000, PropertyNumber(second.Engine(), QMK_DefaultPenColor));
    EXPECT_EQ(0, ToolNumber(second.Engine(), 0, TextTool, QMK_PenWidth));
}

} // namespace
