// The default attributes of every tool after start, and setting, reading and
// checking them.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "settings/engine_settings.h"
#include "settings/tool_defaults.h"
#include "../expected_tool_defaults.h"

namespace {

using namespace expected_tools;

// Codes that no tool has.
const int kNoToolHas[] = {0, 6, 12, 30, 35, 40, 128, 129, 513, 2092, 36718, 40961};

struct ToolCase {
    int attribute;
    int cell;
};

// The expected map of a tool: every attribute of the table, and codes that no tool has.
std::vector<ToolCase> CasesOf(int tool) {
    std::vector<ToolCase> cases;
    const bool tabled = tool >= 4097 && tool <= 4107;
    for (const ToolRow& row : kToolTable) cases.push_back({row.attribute, tabled ? row.cells[tool - 4097] : NA});
    for (int code : kNoToolHas) cases.push_back({code, NA});
    return cases;
}

int SystemColour(int cell) {
    switch (cell) {
    case BTNTEXT: return static_cast<int>(GetSysColor(COLOR_BTNTEXT));
    case BTNFACE: return static_cast<int>(GetSysColor(COLOR_BTNFACE));
    case LIGHT3D: return static_cast<int>(GetSysColor(COLOR_3DLIGHT));
    default: return static_cast<int>(GetSysColor(COLOR_BTNSHADOW));
    }
}

// One case per tool 4096 to 4108 (the pointer and protractor have no defaults).
class ToolDefaultsAfterStart : public testing::TestWithParam<int> {
protected:
    void SetUp() override { settings.LoadDefaults(); }
    EngineSettings settings{nullptr, nullptr};
};

TEST_P(ToolDefaultsAfterStart, HoldTheEngineDefaults) {
    const int tool = GetParam();
    int held = 0;
    for (const ToolCase& c : CasesOf(tool)) {
        SCOPED_TRACE("attribute " + std::to_string(c.attribute));
        unsigned char valid = 0xAA;
        ASSERT_EQ(0, settings.IsValidToolAttribute(tool, c.attribute, &valid));
        EXPECT_EQ(c.cell == NA ? 0 : 1, valid);

        if (c.cell == NA) {
            EngineValue value = 0x5A5A;
            EXPECT_EQ(QMK_ErrInvalidAttribute, settings.GetToolDefaultAttribute(tool, c.attribute, &value));
            EXPECT_EQ(0x5A5A, value);
            EXPECT_EQ(QMK_ErrInvalidAttribute, settings.SetToolDefaultAttribute(tool, c.attribute, 1));
            continue;
        }
        ++held;
        if (c.cell == TXT) {
            BSTR text = nullptr;
            ASSERT_EQ(0, settings.GetToolDefaultAttribute(tool, c.attribute, reinterpret_cast<EngineValue*>(&text)));
            ASSERT_NE(nullptr, text);
            EXPECT_EQ(0u, SysStringLen(text));
            SysFreeString(text);
        } else if (c.cell == FONT) {
            LOGFONTA font;
            std::memset(&font, 0x77, sizeof(font));
            ASSERT_EQ(0, settings.GetToolDefaultAttribute(tool, c.attribute, reinterpret_cast<EngineValue*>(&font)));
            EXPECT_EQ(15, font.lfHeight);
            EXPECT_EQ(0, font.lfWidth);
            EXPECT_EQ(0, font.lfWeight);
            EXPECT_EQ(0, font.lfCharSet);
            EXPECT_STREQ(tool == StampTool ? "Courier New" : "Times New Roman", font.lfFaceName);
        } else {
            const int expected = c.cell <= SHADOW ? SystemColour(c.cell) : c.cell;
            EngineValue value = 0x5A5A;
            ASSERT_EQ(0, settings.GetToolDefaultAttribute(tool, c.attribute, &value));
            EXPECT_EQ(expected, value);
        }
    }
    // Nothing beyond the table.
    EXPECT_EQ(static_cast<size_t>(held), settings.Tools().MapOf(tool)->size());
}

INSTANTIATE_TEST_SUITE_P(EveryTool, ToolDefaultsAfterStart, testing::Range(4096, 4109),
                         [](const testing::TestParamInfo<int>& info) { return "Tool" + std::to_string(info.param); });

TEST(ToolDefaults, ToolsOutsideTheRangeAreRefused) {
    EngineSettings settings(nullptr, nullptr);
    settings.LoadDefaults();
    for (int tool : {0, 4095, 4109, -4097}) {
        EngineValue value = 0;
        unsigned char valid = 7;
        EXPECT_EQ(QMK_ErrInvalidTool, settings.SetToolDefaultAttribute(tool, QMK_PenColor, 1)) << tool;
        EXPECT_EQ(QMK_ErrInvalidTool, settings.GetToolDefaultAttribute(tool, QMK_PenColor, &value)) << tool;
        EXPECT_EQ(QMK_ErrInvalidTool, settings.IsValidToolAttribute(tool, QMK_PenColor, &valid)) << tool;
    }
}

TEST(ToolDefaults, ANumberIsStoredAndReadBack) {
    EngineSettings settings(nullptr, nullptr);
    settings.LoadDefaults();
    ASSERT_EQ(0, settings.SetToolDefaultAttribute(RulerTool, QMK_MeasureChoice, 2054));
    EngineValue value = 0;
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(RulerTool, QMK_MeasureChoice, &value));
    EXPECT_EQ(2054, value);
    // Other tools keep theirs.
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(LineTool, QMK_PenWidth, &value));
    EXPECT_EQ(2, value);
}

TEST(ToolDefaults, TextsAreCopiesOwnedByTheEngine) {
    EngineSettings settings(nullptr, nullptr);
    settings.LoadDefaults();
    BSTR given = SysAllocString(L"APPROVED");
    ASSERT_EQ(0, settings.SetToolDefaultAttribute(StampTool, QMK_Text, reinterpret_cast<EngineValue>(given)));
    // The caller's string may go at once.
    std::memset(given, 0, SysStringByteLen(given));
    SysFreeString(given);

    BSTR first = nullptr, second = nullptr;
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(StampTool, QMK_Text, reinterpret_cast<EngineValue*>(&first)));
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(StampTool, QMK_Text, reinterpret_cast<EngineValue*>(&second)));
    EXPECT_STREQ(L"APPROVED", first);
    EXPECT_NE(first, second) << "each get hands out a new string";
    SysFreeString(first);
    SysFreeString(second);

    // A null text leaves the old one.
    ASSERT_EQ(0, settings.SetToolDefaultAttribute(StampTool, QMK_Text, 0));
    BSTR after = nullptr;
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(StampTool, QMK_Text, reinterpret_cast<EngineValue*>(&after)));
    EXPECT_STREQ(L"APPROVED", after);
    SysFreeString(after);

    // Other string attributes are copied the same way.
    BSTR name = SysAllocString(L"Margin note");
    ASSERT_EQ(0, settings.SetToolDefaultAttribute(RectangleTool, QMK_ItemName, reinterpret_cast<EngineValue>(name)));
    SysFreeString(name);
    BSTR readName = nullptr;
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(RectangleTool, QMK_ItemName, reinterpret_cast<EngineValue*>(&readName)));
    EXPECT_STREQ(L"Margin note", readName);
    SysFreeString(readName);

    EXPECT_EQ(QMK_ErrInvalidAttribute,
              settings.SetToolDefaultAttribute(RectangleTool, QMK_Text, reinterpret_cast<EngineValue>(L"x")))
        << "the rectangle has no text";
}

TEST(ToolDefaults, FontsAreCopiedInAndOut) {
    EngineSettings settings(nullptr, nullptr);
    settings.LoadDefaults();
    LOGFONTA font = {};
    font.lfHeight = -24;
    font.lfWeight = FW_BOLD;
    font.lfItalic = 1;
    std::strcpy(font.lfFaceName, "Arial");
    ASSERT_EQ(0, settings.SetToolDefaultAttribute(ButtonTool, QMK_Logfont, reinterpret_cast<EngineValue>(&font)));
    std::memset(&font, 0, sizeof(font));

    LOGFONTA read;
    std::memset(&read, 0x55, sizeof(read));
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(ButtonTool, QMK_Logfont, reinterpret_cast<EngineValue*>(&read)));
    EXPECT_EQ(-24, read.lfHeight);
    EXPECT_EQ(FW_BOLD, read.lfWeight);
    EXPECT_EQ(1, read.lfItalic);
    EXPECT_STREQ("Arial", read.lfFaceName);

    // A null address leaves the font and still succeeds; a null out writes nothing.
    EXPECT_EQ(0, settings.SetToolDefaultAttribute(ButtonTool, QMK_Logfont, 0));
    EXPECT_EQ(0, settings.GetToolDefaultAttribute(ButtonTool, QMK_Logfont, nullptr));
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(ButtonTool, QMK_Logfont, reinterpret_cast<EngineValue*>(&read)));
    EXPECT_STREQ("Arial", read.lfFaceName);
    // The text tool's font is a font of its own.
    ASSERT_EQ(0, settings.GetToolDefaultAttribute(TextTool, QMK_Logfont, reinterpret_cast<EngineValue*>(&read)));
    EXPECT_STREQ("Times New Roman", read.lfFaceName);
}

} // namespace
