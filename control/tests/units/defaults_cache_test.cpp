// The defaults cache on both sides of the engine.
#include "unit_fixture.h"

#include <cstring>

using quillmark_test::TestControl;
using Lines = std::vector<std::string>;

namespace {

class DefaultsCacheTest : public quillmark_test::ControlUnitTest {
protected:
    quillmark::DefaultsCache& Defaults() { return control->defaults; }
};

TEST(DefaultsTable, HoldsTheFiftyNineCodesOnceEach)
{
    std::map<int, int> seen;
    for (const quillmark::DefaultEntry& entry : quillmark::kDefaults)
        ++seen[entry.code];
    EXPECT_EQ(59u, seen.size());
    EXPECT_EQ(QMK_SummarySubject, quillmark::kDefaults[0].code);
    EXPECT_EQ(2129, quillmark::kDefaults[58].code);
}

struct ControlSideValue {
    int code;
    EngineValue value;
};

class ControlSideDefaultTest : public DefaultsCacheTest,
                               public ::testing::WithParamInterface<ControlSideValue> {};

TEST_P(ControlSideDefaultTest, WithoutAnEngineReadsTheTablesDefault)
{
    EngineValue value = 12345;
    ASSERT_EQ(S_OK, Defaults().Get(GetParam().code, &value));
    EXPECT_EQ(GetParam().value, value);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, ControlSideDefaultTest,
    ::testing::Values(ControlSideValue{QMK_DefaultPenColor, 0xFF0000},
                      ControlSideValue{QMK_DefaultFillColor, 0xC0C0C0},
                      ControlSideValue{QMK_DefaultBackColor, 0xFFFFFF},
                      ControlSideValue{QMK_DefaultPenWidth, 1},
                      ControlSideValue{QMK_DefaultTool, TextTool},
                      ControlSideValue{QMK_SaveAnnotations, 1},
                      ControlSideValue{QMK_LoadAnnotations, 1},
                      ControlSideValue{QMK_QMKEditors, 1},
                      ControlSideValue{QMK_TextToolArrows, 1},
                      ControlSideValue{QMK_RecalibrateXDPI, -1},
                      ControlSideValue{QMK_RecalibrateYDPI, -1},
                      ControlSideValue{2049, 0}, ControlSideValue{2062, 0},
                      ControlSideValue{2145, 0}, ControlSideValue{2128, 0}));

TEST_F(DefaultsCacheTest, TheFontCodesPointAtTheControlsLogFonts)
{
    const std::pair<int, quillmark::DefaultFont> fonts[] = {
        {QMK_DefaultStampFont, quillmark::DefaultFont::Stamp},
        {QMK_DefaultTextFont, quillmark::DefaultFont::Text},
        {QMK_DefaultButtonFont, quillmark::DefaultFont::Button},
        {QMK_DefaultRulerFont, quillmark::DefaultFont::Ruler},
    };
    for (const auto& f : fonts) {
        EngineValue value = 0;
        ASSERT_EQ(S_OK, Defaults().Get(f.first, &value));
        EXPECT_EQ(reinterpret_cast<EngineValue>(control->fonts.LogFont(f.second)), value);
    }
}

TEST_F(DefaultsCacheTest, WithoutAnEngineTheStringsAreCopiesAndTheToolTextsStartEmpty)
{
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, Defaults().GetString(QMK_DefaultStampText, &text));
    ASSERT_NE(nullptr, text);
    EXPECT_STREQ(L"", text);
    SysFreeString(text);
    ASSERT_EQ(S_OK, Defaults().GetString(QMK_SummaryAuthor, &text));
    EXPECT_EQ(nullptr, text);

    BSTR author = SysAllocString(L"Ann Other");
    ASSERT_EQ(S_OK, Defaults().PutString(QMK_SummaryAuthor, author));
    SysFreeString(author);
    ASSERT_EQ(S_OK, Defaults().GetString(QMK_SummaryAuthor, &text));
    EXPECT_STREQ(L"Ann Other", text);
    EXPECT_NE(Defaults().ControlString(QMK_SummaryAuthor), text);
    SysFreeString(text);
    // The six strings notify nothing.
    EXPECT_EQ(Lines{}, control->calls);
}

TEST_F(DefaultsCacheTest, WithoutAnEngineAStoredSetNotifiesItsDispidInEitherMode)
{
    const std::pair<int, DISPID> cases[] = {
        {QMK_DefaultPenColor, 9}, {QMK_DefaultTool, 16}, {QMK_LoadAnnotations, 281},
        {QMK_RecalibrateYDPI, 336}, {2049, 336}, {2062, 348}, {2094, 391}, {2119, 400},
        {2145, 411}, {2129, 421},
    };
    for (bool userMode : {true, false}) {
        control->userMode = userMode;
        for (const auto& c : cases) {
            control->calls.clear();
            BSTR label = SysAllocString(L"in");
            const bool text = c.first == 2094;
            EXPECT_EQ(S_OK, Defaults().Set(c.first, text ? reinterpret_cast<EngineValue>(label) : 5));
            SysFreeString(label);
            EXPECT_EQ(Lines{"OnChanged(" + std::to_string(c.second) + ")"}, control->calls)
                << c.first;
        }
    }
}

TEST_F(DefaultsCacheTest, WithoutAnEngineUnitNamesAreStoredAsCopies)
{
    BSTR label = SysAllocString(L"in.");
    ASSERT_EQ(S_OK, Defaults().SetMeasureAbbr(2049, label));
    SysFreeString(label);
    BSTR read = nullptr;
    ASSERT_EQ(S_OK, Defaults().GetMeasureAbbr(2049, &read));
    EXPECT_STREQ(L"in.", read);
    SysFreeString(read);
    label = SysAllocString(L"inch");
    ASSERT_EQ(S_OK, Defaults().SetMeasureAbbr(2049, label));  // the first copy is released
    SysFreeString(label);
    ASSERT_EQ(S_OK, Defaults().GetMeasureAbbr(2049, &read));
    EXPECT_STREQ(L"inch", read);
    SysFreeString(read);
}

TEST_F(DefaultsCacheTest, WithoutAnEngineAnUnknownCodeIsInvalidAttribute)
{
    EngineValue value = 77;
    EXPECT_EQ(static_cast<HRESULT>(0x800403F7), Defaults().Get(4242, &value));
    EXPECT_EQ(static_cast<HRESULT>(0x800403F7), Defaults().Set(4242, 1));
    EXPECT_EQ(static_cast<HRESULT>(0x800403F7), Defaults().Get(2092, &value));  // no such unit
    EXPECT_EQ((Lines{"ReportError(1015)", "ReportError(1015)", "ReportError(1015)"}),
              control->calls);
}

TEST_F(DefaultsCacheTest, WithAnEngineGetsAndSetsGoStraightToItWithoutNotification)
{
    LoadEngine();
    fake.setProperty(QMK_DefaultTool, FreehandTool);
    long tool = 0;
    ASSERT_EQ(S_OK, Defaults().GetLong(QMK_DefaultTool, &tool));
    EXPECT_EQ(FreehandTool, tool);
    ASSERT_EQ(S_OK, Defaults().PutLong(QMK_DefaultPenColor, 0x00FF00));
    BSTR title = SysAllocString(L"Title");
    ASSERT_EQ(S_OK, Defaults().PutString(QMK_SummaryTitle, title));
    SysFreeString(title);
    // A null text is the empty text, which replaces the one there.
    ASSERT_EQ(S_OK, Defaults().PutString(QMK_SummaryAuthor, nullptr));
    EXPECT_EQ((Lines{"GetProperty(4225,ptr)", "SetProperty(4097,65280)",
                     "SetProperty(771,\"Title\")", "SetProperty(768,\"\")"}),
              EngineCalls());
    EXPECT_EQ(Lines{}, control->calls);  // user mode: not dirty, nothing sent
    // The control side kept its own value.
    EXPECT_EQ(nullptr, Defaults().ControlString(QMK_SummaryTitle));
}

TEST_F(DefaultsCacheTest, WithAnEngineLoadAnnotationsStaysWithTheControlAndNotifies)
{
    LoadEngine();
    ASSERT_EQ(S_OK, Defaults().PutBool(QMK_LoadAnnotations, VARIANT_FALSE));
    VARIANT_BOOL value = VARIANT_TRUE;
    ASSERT_EQ(S_OK, Defaults().GetBool(QMK_LoadAnnotations, &value));
    EXPECT_EQ(VARIANT_FALSE, value);
    EXPECT_EQ(Lines{}, EngineCalls());
    EXPECT_EQ(Lines{"OnChanged(281)"}, control->calls);
}

TEST_F(DefaultsCacheTest, BooleansAreNormalisedOnGetAndSignExtendedOnPut)
{
    LoadEngine();
    fake.setProperty(QMK_DefaultHighlightFill, 5);
    fake.setProperty(QMK_DefaultHighlightBack, 0);
    fake.setProperty(QMK_UnicodeMode, 1);
    EngineValue raw = 0;
    ASSERT_EQ(S_OK, Defaults().Get(QMK_DefaultHighlightFill, &raw));
    EXPECT_EQ(-1, raw);
    ASSERT_EQ(S_OK, Defaults().Get(QMK_DefaultHighlightBack, &raw));
    EXPECT_EQ(0, raw);
    VARIANT_BOOL flag = VARIANT_FALSE;
    ASSERT_EQ(S_OK, Defaults().GetBool(QMK_UnicodeMode, &flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    ASSERT_EQ(S_OK, Defaults().PutBool(QMK_MLECompatible, VARIANT_TRUE));
    EXPECT_EQ("SetProperty(136,-1)", fake.Log().back());
}

TEST_F(DefaultsCacheTest, EngineErrorsGoThroughTheErrorReporter)
{
    LoadEngine();
    fake.setResult(EngineSlot_SetProperty, 1034);
    EXPECT_EQ(static_cast<HRESULT>(0x8004040A), Defaults().PutLong(QMK_InteractMode, 7));
    fake.setResult(EngineSlot_GetProperty, 1015);
    long value = 3;
    EXPECT_EQ(static_cast<HRESULT>(0x800403F7), Defaults().GetLong(QMK_DefaultPenWidth, &value));
    EXPECT_EQ(0, value);
    EXPECT_EQ((Lines{"ReportError(1034)", "ReportError(1015)"}), control->calls);
}

TEST_F(DefaultsCacheTest, FontScalingTakesOnlyNormalAndIResY)
{
    LoadEngine();
    EXPECT_EQ(S_OK, Defaults().PutFontScaling(1));
    EXPECT_EQ(S_OK, Defaults().PutFontScaling(0));
    EXPECT_EQ(static_cast<HRESULT>(0x8004041A), Defaults().PutFontScaling(2));
    EXPECT_EQ(static_cast<HRESULT>(0x8004041A), Defaults().PutFontScaling(-1));
    EXPECT_EQ((Lines{"SetProperty(135,1)", "SetProperty(135,0)"}), EngineCalls());
}

TEST_F(DefaultsCacheTest, RecalibrateReadsMinusTwoWhenTheGetFails)
{
    LoadEngine();
    fake.setProperty(QMK_RecalibrateXDPI, 120);
    long dpi = 0;
    ASSERT_EQ(S_OK, Defaults().GetRecalibrate(QMK_RecalibrateXDPI, &dpi));
    EXPECT_EQ(120, dpi);
    fake.setResult(EngineSlot_GetProperty, 1015);
    EXPECT_EQ(static_cast<HRESULT>(0x800403F7), Defaults().GetRecalibrate(QMK_RecalibrateYDPI, &dpi));
    EXPECT_EQ(-2, dpi);
}

TEST_F(DefaultsCacheTest, MeasureAbbreviationsUseTheUnitCodePlus32)
{
    LoadEngine();
    fake.setPropertyText(QMK_UnitNameTwips, L"tw");
    BSTR text = nullptr;
    ASSERT_EQ(S_OK, Defaults().GetMeasureAbbr(2062, &text));
    EXPECT_STREQ(L"tw", text);
    SysFreeString(text);
    BSTR mm = SysAllocString(L"mm");
    ASSERT_EQ(S_OK, Defaults().SetMeasureAbbr(2054, mm));
    SysFreeString(mm);
    EXPECT_EQ((Lines{"GetProperty(2094,ptr)", "SetProperty(2086,\"mm\")"}), EngineCalls());
}

TEST_F(DefaultsCacheTest, WithAnEngineAFontCodeReadsTheWholeLogFontIntoTheCachesOwnBlock)
{
    LoadEngine();
    LOGFONTA engineFont = {};
    engineFont.lfHeight = -20;
    std::strcpy(engineFont.lfFaceName, "Times New Roman");
    fake.setLogFont(&engineFont);
    EngineValue value = 0;
    ASSERT_EQ(S_OK, Defaults().Get(QMK_DefaultRulerFont, &value));
    ASSERT_NE(0, value);
    const LOGFONTA* read = reinterpret_cast<const LOGFONTA*>(value);
    EXPECT_EQ(-20, read->lfHeight);
    EXPECT_STREQ("Times New Roman", read->lfFaceName);
    // The control's own LOGFONT, which the engine is given, stays as it was.
    EXPECT_NE(reinterpret_cast<EngineValue>(control->fonts.LogFont(quillmark::DefaultFont::Ruler)),
              value);
    EXPECT_EQ(-16, control->fonts.LogFont(quillmark::DefaultFont::Ruler)->lfHeight);
}

TEST_F(DefaultsCacheTest, DesignTimePutsMarkTheControlDirty)
{
    LoadEngine();
    control->userMode = false;
    ASSERT_EQ(S_OK, Defaults().PutLong(QMK_DefaultPenWidth, 3));
    ASSERT_EQ(S_OK, Defaults().PutBool(QMK_SaveAnnotations, VARIANT_FALSE));
    BSTR text = SysAllocString(L"x");
    ASSERT_EQ(S_OK, Defaults().PutString(QMK_DefaultButtonText, text));
    SysFreeString(text);
    EXPECT_EQ((Lines{"MarkDirty", "MarkDirty", "MarkDirty"}), control->calls);
    // A refused put leaves it clean.
    control->calls.clear();
    fake.setResult(EngineSlot_SetProperty, 1015);
    Defaults().PutLong(QMK_DefaultPenWidth, 3);
    EXPECT_EQ(Lines{"ReportError(1015)"}, control->calls);
}

} // namespace
