// The default attributes of every tool after start, and setting, reading and
// checking them.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "engine_settings.h"
#include "tool_defaults.h"

namespace {

// Cells of the expectation table.
constexpr int NA = INT_MIN;            // the tool has no such attribute
constexpr int TXT = INT_MIN + 1;       // an (empty) text
constexpr int FNT = INT_MIN + 2;       // the tool's font
constexpr int BTNTEXT = INT_MIN + 3;   // system colours
constexpr int BTNFACE = INT_MIN + 4;
constexpr int LIGHT3D = INT_MIN + 5;
constexpr int SHADOW = INT_MIN + 6;

struct Row {
    int attribute;
    int cells[11];  // tools 4097 .. 4107
};

const Row kExpected[] = {
    {1, {0xFF10FF, 0xFF0000, 0xFF0000, 0xFFFF00, 0x8020FF, 0xFF0000, 0xFF00FF, 0xFF00FF, 0xFF0000, NA, 0xFF0000}},
    {2, {0, NA, NA, NA, NA, NA, NA, 255, NA, BTNTEXT, 0}},
    {3, {0xFFFFFF, NA, NA, NA, NA, NA, NA, 0xC00000, NA, BTNFACE, 0xFFFFFF}},
    {4, {NA, 0x00FF00, 0xFFFF00, 255, NA, NA, NA, NA, 0x00FF00, NA, NA}},
    {5, {0, 1, 1, 2, 2, 2, 2, 0, 1, 4, 2}},
    {7, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {8, {0, NA, NA, NA, NA, NA, NA, 0, NA, NA, NA}},
    {9, {NA, 0, 0, 0, NA, NA, NA, NA, NA, NA, NA}},
    {10, {TXT, NA, NA, NA, NA, NA, NA, TXT, NA, TXT, NA}},
    {11, {FNT, NA, NA, NA, NA, NA, NA, FNT, NA, FNT, FNT}},
    {13, {NA, NA, NA, NA, NA, 0, NA, NA, NA, NA, 0}},
    {14, {NA, NA, NA, NA, NA, 0, NA, NA, NA, NA, 0}},
    {15, {NA, NA, NA, NA, NA, NA, NA, NA, 0xFFFFFF, NA, NA}},
    {16, {3002, 3002, 3002, 3002, NA, NA, NA, 3001, 3002, NA, 3001}},
    {17, {NA, NA, NA, NA, NA, NA, NA, NA, 0, NA, NA}},
    {18, {1, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {19, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {20, {0, NA, NA, NA, NA, NA, NA, 1, 0, 0, NA}},
    {21, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {22, {NA, NA, NA, NA, NA, NA, NA, NA, NA, LIGHT3D, NA}},
    {23, {NA, NA, NA, NA, NA, NA, NA, NA, NA, SHADOW, NA}},
    {24, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {25, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {26, {NA, NA, NA, NA, 0, 0, 0, NA, NA, NA, 0}},
    {27, {NA, NA, NA, NA, 5513, 5513, 5513, NA, NA, NA, 5513}},
    {28, {0, NA, NA, NA, NA, NA, NA, 0, NA, NA, NA}},
    {29, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {33, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {34, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {36, {NA, 0, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {37, {0, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {38, {5999, 5999, 5999, 5999, NA, NA, NA, 5999, 5999, NA, NA}},
    {39, {0, 0, 0, 0, NA, NA, NA, 0, 0, NA, NA}},
    {41, {7000, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {640, {TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT}},
    {1024, {NA, NA, NA, 0, 0, 0, 0, NA, NA, NA, 0}},
    {1280, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {1281, {TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT, TXT}},
    {1800, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {2112, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 0}},
    {2113, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 2049}},
    {2114, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, -1}},
    {2115, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 30}},
    {2116, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 2}},
    {2117, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, -1}},
    {2118, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 0}},
    {36719, {7, 6, NA, NA, NA, NA, NA, 9, NA, NA, NA}},
    {36721, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {36751, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {36764, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
};

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
    for (const Row& row : kExpected) cases.push_back({row.attribute, tabled ? row.cells[tool - 4097] : NA});
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
        } else if (c.cell == FNT) {
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
