// The engine properties: their values after start, what a set of each kind
// does, and the pushes into the tools and the current layer.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <string>
#include <vector>

#include "settings/engine_settings.h"
#include "view/unit_names.h"

namespace {

// Records what the settings ask of the engine object.
class RecordingHost : public EngineSettingsHost {
public:
    struct Push {
        int tool;
        int attribute;
        AttributeValue value;
    };
    void SetCurrentLayerToolAttribute(int tool, int attribute, EngineValue value) override {
        pushes.push_back({tool, attribute,
                          AttributeValue::FromArgument(AttributeValue::KindOfToolAttribute(attribute), value)});
    }
    void InteractModeSet(bool on) override { interact.push_back(on); }
    void ContextMenuEnabledSet(bool enabled) override { contextMenu.push_back(enabled); }
    void UsePaletteMenuSet(bool on) override { paletteMenu.push_back(on); }
    void FontScalingSet(short scaling) override { fontScaling.push_back(scaling); }

    std::vector<Push> pushes;
    std::vector<bool> interact, contextMenu, paletteMenu;
    std::vector<short> fontScaling;
};

class EngineProperties : public testing::Test {
protected:
    void SetUp() override { settings.LoadDefaults(); }

    EngineValue Get(int code) {
        EngineValue value = 0x5A5A5A;
        EXPECT_EQ(0, settings.GetProperty(code, &value)) << code;
        return value;
    }
    std::wstring GetText(int code) {
        BSTR text = nullptr;
        EXPECT_EQ(0, settings.GetProperty(code, reinterpret_cast<EngineValue*>(&text))) << code;
        std::wstring result = text ? std::wstring(text, SysStringLen(text)) : L"<null>";
        SysFreeString(text);
        return result;
    }
    int MapValue(int code) {
        for (const auto& entry : settings.PropertyMap())
            if (entry.first == code) return entry.second;
        ADD_FAILURE() << "no map entry " << code;
        return 0;
    }
    int ToolDefault(int tool, int attribute) {
        EngineValue value = 0x5A5A5A;
        EXPECT_EQ(0, settings.GetToolDefaultAttribute(tool, attribute, &value));
        return value;
    }

    UnitNames names{VER_PLATFORM_WIN32_NT};
    RecordingHost host;
    EngineSettings settings{&host, &names};
};

// ---------------------------------------------------------------------------
// Defaults after start: every one of the 51 properties.

struct NumberDefault {
    int code;
    int value;
};

const NumberDefault kNumberDefaults[] = {
    {130, 0}, {131, 1}, {132, 1}, {133, 1}, {134, 1}, {135, 0}, {136, 0}, {137, 1}, {138, 0},
    {139, 1}, {140, -1}, {141, -1}, {4097, 0xFF0000}, {4098, 0}, {4099, 0xFFFFFF},
    {4100, 0xC0C0C0}, {4101, 1}, {4104, 0}, {4105, 0}, {4225, 4103}, {34, 0}, {896, 0},
    {897, 0}, {2128, 0}, {2129, 0}, {36760, 7}, {36761, 0}, {36764, 0},
};

struct TextDefault {
    int code;
    const wchar_t* value;
};

const TextDefault kTextDefaults[] = {
    {768, L""}, {769, L""}, {770, L""}, {771, L""}, {4128, L""}, {4131, L""},
    {2081, L"in"}, {2082, L"ft"}, {2083, L"yd"}, {2084, L"mi"}, {2085, L"\u00B5m"},
    {2086, L"mm"}, {2087, L"cm"}, {2088, L"dm"}, {2089, L"m"}, {2090, L"dam"},
    {2091, L"km"}, {2093, L"pixels"}, {2094, L"twips"},
};

struct FontDefault {
    int code;
    const char* face;
};

const FontDefault kFontDefaults[] = {
    {2119, "Times New Roman"}, {40960, "Courier New"}, {40961, "Times New Roman"}, {40962, "Times New Roman"},
};

TEST_F(EngineProperties, EveryPropertyStartsAtItsDefault) {
    for (const NumberDefault& d : kNumberDefaults) EXPECT_EQ(d.value, Get(d.code)) << d.code;
    for (const TextDefault& d : kTextDefaults) EXPECT_EQ(std::wstring(d.value), GetText(d.code)) << d.code;
    for (const FontDefault& d : kFontDefaults) {
        LOGFONTA font;
        std::memset(&font, 0x33, sizeof(font));
        ASSERT_EQ(0, settings.GetProperty(d.code, reinterpret_cast<EngineValue*>(&font)));
        EXPECT_STREQ(d.face, font.lfFaceName) << d.code;
        EXPECT_EQ(15, font.lfHeight) << d.code;
    }
    EXPECT_EQ(51u, std::size(kNumberDefaults) + std::size(kTextDefaults) + std::size(kFontDefaults));
}

TEST_F(EngineProperties, ExactlyTheFiftyOnePropertiesAreHeld) {
    int held = 0;
    for (int code = -2; code <= 41000; ++code) {
        EngineValue value = 0;
        const int result = settings.GetProperty(code, nullptr);
        EXPECT_EQ(result == 0, EngineSettings::IsProperty(code)) << code;
        if (result == 0) {
            ++held;
        } else {
            EXPECT_EQ(QMK_ErrInvalidAttribute, result) << code;
            EXPECT_EQ(QMK_ErrInvalidAttribute, settings.SetProperty(code, 1)) << code;
            EXPECT_EQ(QMK_ErrInvalidAttribute, settings.GetProperty(code, &value)) << code;
        }
    }
    EXPECT_EQ(51, held);
    EXPECT_EQ(51u, settings.PropertyMap().size());
    EXPECT_FALSE(EngineSettings::IsProperty(2092));
    EXPECT_TRUE(host.pushes.empty()) << "a refused set pushes nothing";
}

TEST_F(EngineProperties, PaletteMenuFieldStartsOnWhileTheMapHoldsZero) {
    EXPECT_EQ(1, Get(QMK_UsePaletteMenu));
    EXPECT_EQ(0, MapValue(QMK_UsePaletteMenu));
    ASSERT_EQ(0, settings.SetProperty(QMK_UsePaletteMenu, 0));
    EXPECT_EQ(0, Get(QMK_UsePaletteMenu));
    EXPECT_FALSE(settings.UsePaletteMenu());
    EXPECT_EQ(std::vector<bool>{false}, host.paletteMenu);
}

// ---------------------------------------------------------------------------
// Sets of each kind.

TEST_F(EngineProperties, ADefaultColourReachesEveryToolThatHasTheAttributeAndTheCurrentLayer) {
    const int colour = 0x123456;
    ASSERT_EQ(0, settings.SetProperty(QMK_DefaultPenColor, colour));
    EXPECT_EQ(colour, Get(QMK_DefaultPenColor));

    std::vector<int> pushedTools;
    for (const auto& push : host.pushes) {
        EXPECT_EQ(QMK_PenColor, push.attribute);
        EXPECT_EQ(colour, push.value.Integer());
        pushedTools.push_back(push.tool);
    }
    // Every tool with a pen colour, in ascending order; not the button.
    EXPECT_EQ((std::vector<int>{4097, 4098, 4099, 4100, 4101, 4102, 4103, 4104, 4105, 4107}), pushedTools);
    for (int tool : pushedTools) EXPECT_EQ(colour, ToolDefault(tool, QMK_PenColor)) << tool;
    unsigned char valid = 1;
    ASSERT_EQ(0, settings.IsValidToolAttribute(ButtonTool, QMK_PenColor, &valid));
    EXPECT_EQ(0, valid);
}

TEST_F(EngineProperties, TheHighlightDefaultsReachAttributesEightAndNine) {
    ASSERT_EQ(0, settings.SetProperty(QMK_DefaultHighlightBack, 1));
    ASSERT_EQ(0, settings.SetProperty(QMK_DefaultHighlightFill, 1));
    EXPECT_EQ(1, ToolDefault(TextTool, QMK_HighlightBack));
    EXPECT_EQ(1, ToolDefault(StampTool, QMK_HighlightBack));
    EXPECT_EQ(1, ToolDefault(RectangleTool, QMK_HighlightFill));
    EXPECT_EQ(1, ToolDefault(PolygonTool, QMK_HighlightFill));
}

TEST_F(EngineProperties, PlainMapCodesAreKeptAndReachNoAttribute) {
    for (int code : {134, 4225, 34, 896, 897, 2128, 2129, 36760, 36761, 36764}) {
        ASSERT_EQ(0, settings.SetProperty(code, 4321)) << code;
        EXPECT_EQ(4321, Get(code)) << code;
    }
    EXPECT_TRUE(host.pushes.empty());
    // 36764 is also an attribute of every tool, which the property must not touch.
    EXPECT_EQ(0, ToolDefault(TextTool, QMK_CreateSeconds));
}

TEST_F(EngineProperties, EngineFlagsReadBackAsZeroOrOneAndTellTheEngine) {
    ASSERT_EQ(0, settings.SetProperty(QMK_InteractMode, 5));
    EXPECT_EQ(1, Get(QMK_InteractMode));
    EXPECT_TRUE(settings.InteractMode());
    ASSERT_EQ(0, settings.SetProperty(QMK_InteractMode, 0));
    EXPECT_EQ((std::vector<bool>{true, false}), host.interact);

    ASSERT_EQ(0, settings.SetProperty(QMK_EnableContextMenu, 256));
    EXPECT_EQ(1, Get(QMK_EnableContextMenu)) << "any non-zero value turns the flag on";
    ASSERT_EQ(0, settings.SetProperty(QMK_EnableContextMenu, 0));
    EXPECT_EQ(0, Get(QMK_EnableContextMenu));
    EXPECT_EQ((std::vector<bool>{true, false}), host.contextMenu);
}

TEST_F(EngineProperties, TheSaveFlagIsOneFieldForThePropertyAndItsOwnOperations) {
    settings.SetSaveAnnotations(0);
    EXPECT_EQ(0, Get(QMK_SaveAnnotations));
    EXPECT_EQ(0, settings.GetSaveAnnotations());
    ASSERT_EQ(0, settings.SetProperty(QMK_SaveAnnotations, -1));
    EXPECT_EQ(1, settings.GetSaveAnnotations());
    settings.SetSaveAnnotations(0x80);
    EXPECT_TRUE(settings.SaveAnnotations());
}

TEST_F(EngineProperties, FontScalingTakesOnlyZeroAndOne) {
    ASSERT_EQ(0, settings.SetProperty(QMK_FontScaling, 2));
    EXPECT_EQ(0, Get(QMK_FontScaling)) << "the field keeps its value";
    EXPECT_EQ(2, MapValue(QMK_FontScaling)) << "the map keeps what was set";
    EXPECT_TRUE(host.fontScaling.empty());

    ASSERT_EQ(0, settings.SetProperty(QMK_FontScaling, 1));
    EXPECT_EQ(1, Get(QMK_FontScaling));
    EXPECT_EQ(std::vector<short>{1}, host.fontScaling);
    ASSERT_EQ(0, settings.SetProperty(QMK_FontScaling, 65536 + 0));
    EXPECT_EQ(1, Get(QMK_FontScaling)) << "65536 is not 0";
}

TEST_F(EngineProperties, TextSettingsLiveInTheUnitNames) {
    ASSERT_EQ(0, settings.SetProperty(QMK_QMKEditors, 0));
    ASSERT_EQ(0, settings.SetProperty(QMK_UnicodeMode, 7));
    ASSERT_EQ(0, settings.SetProperty(QMK_RecalibrateXDPI, 300));
    ASSERT_EQ(0, settings.SetProperty(QMK_RecalibrateYDPI, 150));
    EXPECT_FALSE(names.editors);
    EXPECT_TRUE(names.unicodeMode);
    EXPECT_EQ(300, names.recalibratedXDpi);
    EXPECT_EQ(150, names.recalibratedYDpi);
    EXPECT_EQ(0, Get(QMK_QMKEditors));
    EXPECT_EQ(1, Get(QMK_UnicodeMode));
    EXPECT_EQ(300, Get(QMK_RecalibrateXDPI));
}

TEST(EnginePropertiesWithoutUnitNames, TextSettingsReadTheirFallbacks) {
    EngineSettings settings(nullptr, nullptr);
    settings.LoadDefaults();
    EXPECT_EQ(0, settings.SetProperty(QMK_QMKEditors, 0));
    EXPECT_EQ(0, settings.SetProperty(QMK_UnitNameFeet, reinterpret_cast<EngineValue>(L"feet")));
    const struct {
        int code;
        int value;
    } expected[] = {{136, 0}, {137, 1}, {138, 0}, {139, 1}, {140, 0}, {141, 0}, {2081, 0}, {2082, 0}};
    for (const auto& e : expected) {
        EngineValue value = 0x5A5A;
        ASSERT_EQ(0, settings.GetProperty(e.code, &value)) << e.code;
        EXPECT_EQ(e.value, value) << e.code;
    }
}

TEST_F(EngineProperties, SummaryTextsAreCopiesAndTheMapKeepsNoPointer) {
    BSTR given = SysAllocString(L"A. Author");
    ASSERT_EQ(0, settings.SetProperty(QMK_SummaryAuthor, reinterpret_cast<EngineValue>(given)));
    std::memset(given, 0, SysStringByteLen(given));
    SysFreeString(given);
    EXPECT_EQ(L"A. Author", GetText(QMK_SummaryAuthor));
    EXPECT_STREQ(L"A. Author", settings.SummaryText(QMK_SummaryAuthor));
    EXPECT_EQ(0, MapValue(QMK_SummaryAuthor));
    EXPECT_EQ(L"", GetText(QMK_SummaryTitle));

    ASSERT_EQ(0, settings.SetProperty(QMK_SummaryAuthor, 0));
    EXPECT_EQ(L"A. Author", GetText(QMK_SummaryAuthor)) << "a null text leaves the old one";
}

TEST_F(EngineProperties, UnitLabelsAreReplacedByCopies) {
    BSTR given = SysAllocString(L"millimetres");
    ASSERT_EQ(0, settings.SetProperty(QMK_UnitNameMillimeters, reinterpret_cast<EngineValue>(given)));
    SysFreeString(given);
    EXPECT_EQ(L"millimetres", GetText(QMK_UnitNameMillimeters));
    EXPECT_STREQ(L"millimetres", names.LabelOfUnit(2054));
    EXPECT_EQ(L"cm", GetText(QMK_UnitNameCentimeters));
    EXPECT_EQ(0, MapValue(QMK_UnitNameMillimeters));
}

TEST_F(EngineProperties, TheStampTextIsTheStampToolsTextAndReachesTheCurrentLayer) {
    BSTR given = SysAllocString(L"PAID");
    ASSERT_EQ(0, settings.SetProperty(QMK_DefaultStampText, reinterpret_cast<EngineValue>(given)));
    SysFreeString(given);
    EXPECT_EQ(L"PAID", GetText(QMK_DefaultStampText));
    EXPECT_EQ(0, MapValue(QMK_DefaultStampText));
    BSTR toolText = nullptr;
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(StampTool, QMK_Text, reinterpret_cast<EngineValue*>(&toolText)));
    EXPECT_STREQ(L"PAID", toolText);
    SysFreeString(toolText);

    ASSERT_EQ(1u, host.pushes.size());
    EXPECT_EQ(StampTool, host.pushes[0].tool);
    EXPECT_EQ(QMK_Text, host.pushes[0].attribute);
    EXPECT_STREQ(L"PAID", host.pushes[0].value.Text());

    BSTR button = SysAllocString(L"Go");
    ASSERT_EQ(0, settings.SetProperty(QMK_DefaultButtonText, reinterpret_cast<EngineValue>(button)));
    SysFreeString(button);
    ASSERT_EQ(2u, host.pushes.size());
    EXPECT_EQ(ButtonTool, host.pushes[1].tool);
    EXPECT_STREQ(L"Go", host.pushes[1].value.Text());
    EXPECT_EQ(L"PAID", GetText(QMK_DefaultStampText));

    // A null text changes nothing anywhere.
    ASSERT_EQ(0, settings.SetProperty(QMK_DefaultButtonText, 0));
    EXPECT_EQ(2u, host.pushes.size());
    EXPECT_EQ(L"Go", GetText(QMK_DefaultButtonText));
}

TEST_F(EngineProperties, ADefaultFontChangesTheToolsFontButNotTheCurrentLayer) {
    LOGFONTA font = {};
    font.lfHeight = -16;
    font.lfWeight = FW_BOLD;
    std::strcpy(font.lfFaceName, "Arial");
    ASSERT_EQ(0, settings.SetProperty(QMK_DefaultTextFont, reinterpret_cast<EngineValue>(&font)));
    EXPECT_TRUE(host.pushes.empty());
    EXPECT_EQ(0, MapValue(QMK_DefaultTextFont));

    LOGFONTA read = {};
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(TextTool, QMK_Logfont, reinterpret_cast<EngineValue*>(&read)));
    EXPECT_EQ(0, std::memcmp(&font, &read, sizeof(font)));
    std::memset(&read, 0, sizeof(read));
    ASSERT_EQ(0, settings.GetProperty(QMK_DefaultTextFont, reinterpret_cast<EngineValue*>(&read)));
    EXPECT_EQ(0, std::memcmp(&font, &read, sizeof(font)));

    // The other fonts are apart.
    ASSERT_EQ(0, settings.GetProperty(QMK_DefaultButtonFont, reinterpret_cast<EngineValue*>(&read)));
    EXPECT_STREQ("Times New Roman", read.lfFaceName);

    // Only a tool default set reaches the current layer.
    ASSERT_EQ(0, settings.SetToolDefaultAttribute(TextTool, QMK_Logfont, reinterpret_cast<EngineValue>(&font)));
    ASSERT_EQ(1u, host.pushes.size());
    EXPECT_EQ(0, std::memcmp(&font, &host.pushes[0].value.Font(), sizeof(font)));

    // Null addresses: nothing happens, success.
    EXPECT_EQ(0, settings.SetProperty(QMK_DefaultRulerFont, 0));
    EXPECT_EQ(0, settings.GetProperty(QMK_DefaultRulerFont, nullptr));
    ASSERT_EQ(0, settings.GetProperty(QMK_DefaultRulerFont, reinterpret_cast<EngineValue*>(&read)));
    EXPECT_STREQ("Times New Roman", read.lfFaceName);
}

TEST_F(EngineProperties, AToolDefaultSetIsPassedToTheCurrentLayerOnlyWhenItWasTaken) {
    ASSERT_EQ(0, settings.SetToolDefaultAttribute(EllipseTool, QMK_FillColor, 0x00AA00));
    ASSERT_EQ(1u, host.pushes.size());
    EXPECT_EQ(EllipseTool, host.pushes[0].tool);
    EXPECT_EQ(QMK_FillColor, host.pushes[0].attribute);
    EXPECT_EQ(0x00AA00, host.pushes[0].value.Integer());

    EXPECT_EQ(QMK_ErrInvalidAttribute, settings.SetToolDefaultAttribute(EllipseTool, QMK_Text, 0));
    EXPECT_EQ(QMK_ErrInvalidTool, settings.SetToolDefaultAttribute(4109, QMK_PenColor, 0));
    EXPECT_EQ(0, settings.SetToolDefaultAttribute(TextTool, QMK_Text, 0));
    EXPECT_EQ(1u, host.pushes.size());
}

TEST_F(EngineProperties, LoadingTheDefaultsAgainRestoresThem) {
    ASSERT_EQ(0, settings.SetProperty(QMK_DefaultPenWidth, 9));
    ASSERT_EQ(0, settings.SetProperty(QMK_DefaultTool, 4098));
    settings.LoadDefaults();
    EXPECT_EQ(1, Get(QMK_DefaultPenWidth));
    EXPECT_EQ(4103, Get(QMK_DefaultTool));
    EXPECT_EQ(2, ToolDefault(LineTool, QMK_PenWidth));
}

} // namespace
