// Point-list items on their own: the ruler's label in every unit, what a
// host may set into it, and the transforms of the points. The engine's
// string table is linked into this program, so the unit names load as in
// the engine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "object_test_support.h"
#include "objects/point_list_annotation.h"
#include "view/unit_names.h"

namespace {

using namespace objects_test;

struct TextOwner : RecordingOwner {
    UnitNames names{VER_PLATFORM_WIN32_NT};
    UnitNames* TextSettings() override { return &names; }
};

void Set(Annotation& item, int code, int value)
{
    bool changed = false;
    ASSERT_EQ(item.SetAttribute(code, value, changed), 0) << code;
}

std::unique_ptr<PointListAnnotation> MakeItem(int tool, TestView& view, AnnotationOwner* owner,
                                              const std::vector<POINT>& layerPoints)
{
    auto item = std::make_unique<PointListAnnotation>(tool, ToolMap(tool));
    item->Link(owner, &view.mapping);
    item->Attach();
    item->SetPoints(static_cast<int>(layerPoints.size()), layerPoints.data());
    item->SetCommitted(true);
    return item;
}

// A ruler 144 pixels long; the view has no resolution, so 72 dots per inch
// count: two inches.
class RulerLabel : public ::testing::Test {
protected:
    RulerLabel() : ruler(MakeItem(RulerTool, view, &owner, {{LX(100), LY(100)}, {LX(244), LY(100)}})) {}

    std::wstring Painted()
    {
        DibCanvas canvas(400, 300);
        ruler->Draw(canvas.dc(), PaintArguments());
        return ruler->Label();
    }

    TestView view;
    TextOwner owner;
    std::unique_ptr<PointListAnnotation> ruler;
};

TEST_F(RulerLabel, EveryUnitWithItsNameAndItsAbbreviation)
{
    const struct {
        int unit;
        const wchar_t* named;
        const wchar_t* abbreviated;
    } cases[] = {
        {2049, L"2.00 Inches", L"2.00 in"},
        {2050, L"0.17 Feet", L"0.17 ft"},
        {2051, L"0.06 Yards", L"0.06 yd"},
        {2052, L"0.00 Miles", L"0.00 mi"},
        {2053, L"50800.00 MicroMeters", L"50800.00 \u00B5m"},
        {2054, L"50.80 Millimeters", L"50.80 mm"},
        {2055, L"5.08 Centimeters", L"5.08 cm"},
        {2056, L"0.51 Decimeters", L"0.51 dm"},
        {2057, L"0.05 Meters", L"0.05 m"},
        {2058, L"0.01 Dekameters", L"0.01 dam"},
        {2059, L"0.00 Kilometers", L"0.00 km"},
        {2060, L"2.00 Inches", L"2.00 in"},  // no such unit: inches
        {2061, L"144.00 Pixels", L"144.00 pixels"},
        {2062, L"2880.00 Twips", L"2880.00 twips"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        Set(*ruler, QMK_MeasureChoice, c.unit);
        Set(*ruler, QMK_ShowAbbr, 0);
        EXPECT_EQ(std::wstring(c.named), Painted());
        Set(*ruler, QMK_ShowAbbr, 1);
        EXPECT_EQ(std::wstring(c.abbreviated), Painted());
    }
}

TEST_F(RulerLabel, WhatTheHostSetsStaysWithinTheLabel)
{
    Set(*ruler, QMK_ShowAbbr, 1);
    const struct {
        const char* name;
        int precision;
        int recalibrated;
        const wchar_t* expected;
    } cases[] = {
        {"a precision beyond fifteen digits is held to fifteen", 99, -1, L"2.000000000000000 in"},
        {"a negative precision is none", -7, -1, L" 2 in"},
        {"a recalibration of 0 leaves the view's resolution", 2, 0, L"2.00 in"},
        {"a recalibration to 36 per inch doubles the length", 2, 36, L"4.00 in"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Set(*ruler, QMK_Precision, c.precision);
        owner.names.recalibratedXDpi = c.recalibrated;
        owner.names.recalibratedYDpi = c.recalibrated;
        EXPECT_EQ(std::wstring(c.expected), Painted());
    }

    // A unit label far longer than any unit's is cut.
    owner.names.recalibratedXDpi = owner.names.recalibratedYDpi = -1;
    Set(*ruler, QMK_Precision, 2);
    const std::wstring longLabel(5000, L'x');
    BSTR text = SysAllocStringLen(longLabel.data(), static_cast<UINT>(longLabel.size()));
    ASSERT_TRUE(owner.names.SetLabel(UnitNames::LabelIndexOfUnit(2049), text));
    SysFreeString(text);
    Set(*ruler, QMK_MeasureChoice, 2049);
    EXPECT_EQ(L"2.00 " + std::wstring(PointListAnnotation::kMaxUnitText, L'x'), Painted());
}

TEST_F(RulerLabel, TheLengthIsKeptAndTheLabelLiesInTheBounds)
{
    Set(*ruler, QMK_MeasureChoice, 2054);
    Painted();
    bool found = false;
    EngineValue bits = ruler->GetAttributeValue(QMK_RulerLength, found);
    EXPECT_TRUE(found);
    float value = 0;
    const int32_t raw = static_cast<int32_t>(bits);
    std::memcpy(&value, &raw, sizeof(value));
    EXPECT_FLOAT_EQ(50.8f, value);
    // The label starts 10 pixels right of and below the right end.
    const RECT& b = ruler->Bounds();
    EXPECT_GT(b.right, LX(254));
    EXPECT_GT(b.bottom, LY(110));
}

// ---- transforms ----------------------------------------------------------------------

std::vector<POINT> Pixels(Annotation& item)
{
    std::vector<POINT> points;
    for (const POINT& p : item.Points())
        points.push_back({MulDiv(p.x, kImageWidth, ViewMapping::kLayerUnitsFull),
                          MulDiv(p.y, kImageHeight, ViewMapping::kLayerUnitsFull)});
    return points;
}

std::string Text(const std::vector<POINT>& points)
{
    std::string text;
    for (const POINT& p : points) text += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
    return text;
}

TEST(PointListTransforms, MirrorFlipAndRotateMoveEveryPoint)
{
    // Products of layer units and the 1024 pixels of the image exceed 32 bits.
    const struct {
        const char* name;
        void (*apply)(Annotation&);
        std::vector<POINT> expected;
    } cases[] = {
        {"mirrored in the image", [](Annotation& a) { a.MirrorInImage(); }, {{923, 100}, {723, 400}}},
        {"flipped in the image", [](Annotation& a) { a.FlipInImage(); }, {{100, 411}, {300, 111}}},
        {"turned by 90", [](Annotation& a) { a.RotateInImage(90); }, {{200, 462}, {800, 362}}},
        {"turned by 180", [](Annotation& a) { a.RotateInImage(180); }, {{923, 411}, {723, 111}}},
        {"turned by 270", [](Annotation& a) { a.RotateInImage(270); }, {{824, 50}, {224, 150}}},
        {"turned by 45: unchanged", [](Annotation& a) { a.RotateInImage(45); }, {{100, 100}, {300, 400}}},
        {"mirrored in a frame", [](Annotation& a) { a.MirrorInRect(RECT{400, 0, 0, 512}); },
         {{299, 100}, {99, 400}}},
        {"flipped in a frame", [](Annotation& a) { a.FlipInRect(RECT{0, 0, 1024, 500}); },
         {{100, 399}, {300, 99}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestView view;
        RecordingOwner owner;
        auto item = MakeItem(PolyLineTool, view, &owner, {{LX(100), LY(100)}, {LX(300), LY(400)}});
        c.apply(*item);
        const std::vector<POINT> got = Pixels(*item);
        ASSERT_EQ(c.expected.size(), got.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(c.expected[i].x, got[i].x) << Text(got);
            EXPECT_EQ(c.expected[i].y, got[i].y) << Text(got);
        }
    }
}

TEST(PointListBounds, AnArrowLiesInItsLinesBounds)
{
    TestView view;
    RecordingOwner owner;
    for (const POINT end : {POINT{LX(500), LY(100)}, POINT{LX(100), LY(400)}, POINT{LX(400), LY(400)}}) {
        auto line = MakeItem(LineTool, view, &owner, {{LX(100), LY(100)}, end});
        Set(*line, QMK_EndPtStyle, LineStyle_Arrow);
        line->RecomputeBounds();
        POINT left, right;
        ASSERT_TRUE(PointListAnnotation::ArrowEnds(line->Points()[0], end, left, right));
        const RECT& b = line->Bounds();
        for (const POINT& p : {left, right})
            EXPECT_TRUE(p.x >= b.left && p.x <= b.right && p.y >= b.top && p.y <= b.bottom)
                << p.x << "," << p.y;
    }
}

} // namespace
