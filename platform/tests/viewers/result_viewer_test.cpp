// TForm4, the one-page result viewer: what it shows, stepping through the
// results, its zoom buttons, scroll following and the preview picture.
#include "result_viewer_form.h"
#include "viewer_forms_fixture.h"

#include <cmath>
#include <vector>

namespace viewertest {
namespace {

using platform::StepResultSet;
using platform::TForm4;
using platform::TVistrel7_;

class ResultViewer : public ViewerFormsTest {
protected:
    // A set of results of step `step` of an input of the given size.
    StepResultSet Set(int step, const std::vector<std::pair<int, int>>& sizes,
                      std::pair<int, int> inputSize = {1000, 1000})
    {
        StepResultSet set;
        set.input = Page("in.tif", inputSize.first, inputSize.second);
        set.step = step;
        for (int j = 0; j <= step; ++j)
            set.steps.push_back({"Module " + std::to_string(j), j == 0 ? "-" : "line " + std::to_string(j),
                                 "m" + std::to_string(j)});
        for (size_t i = 0; i < sizes.size(); ++i)
            set.results.push_back({Page("r" + std::to_string(i) + ".tif", sizes[i].first, sizes[i].second), "",
                                   "method " + std::to_string(i)});
        return set;
    }
};

TEST_F(ResultViewer, ShowsTheInputAndTheFirstResultFittedWithTheLabelsOfItsSteps)
{
    TForm4 viewer;
    ASSERT_TRUE(viewer.Vistrel7_1.Hosted());
    StepResultSet set = Set(2, {{2000, 3000}});
    ASSERT_TRUE(viewer.SetResults(set));
    ASSERT_TRUE(viewer.OpenResults());

    EXPECT_EQ(viewer.Caption(), "View Results");
    EXPECT_TRUE(viewer.Maximised());
    EXPECT_EQ(viewer.Vistrel7_1.Width(), viewer.ClientWidth() / 2);
    EXPECT_EQ(ShownFile(viewer.Vistrel7_1), set.input);
    EXPECT_EQ(ShownFile(viewer.Vistrel7_2), set.results[0].path);
    EXPECT_EQ(viewer.Vistrel7_2.IWidth(), 2000);
    EXPECT_EQ(viewer.Vistrel7_2.ScrollBars(), 3);
    const double shown[2] = {viewer.Vistrel7_1.IPZoomF(), viewer.Vistrel7_2.IPZoomF()};
    EXPECT_DOUBLE_EQ(shown[0], FittedZoom(viewer.Vistrel7_1));
    EXPECT_DOUBLE_EQ(shown[1], FittedZoom(viewer.Vistrel7_2));
    EXPECT_LT(shown[1], 1.0);
    EXPECT_EQ(viewer.CurrentResult(), 1);
    EXPECT_EQ(viewer.ResultCount(), 1);

    // Steps 0..2 shown; a second caption line beginning with "-" is none.
    struct Row { bool line1, line2, method; std::string text1, text2, methodText; int top1; };
    const Row expected[] = {
        {true, false, true, "Module 0", "", "  m0", 11},
        {true, true, true, "Module 1", "line 1", "  m1", 4},
        {true, true, true, "Module 2", "line 2", "  method 0", 4},
        {false, false, false, "", "", "", 0}, {false, false, false, "", "", "", 0},
        {false, false, false, "", "", "", 0}, {false, false, false, "", "", "", 0},
    };
    for (int j = 0; j < 7; ++j) {
        SCOPED_TRACE("step " + std::to_string(j));
        const Row& e = expected[j];
        EXPECT_EQ(viewer.CaptionLine1(j).Visible(), e.line1);
        EXPECT_EQ(viewer.CaptionLine2(j).Visible(), e.line2);
        EXPECT_EQ(viewer.MethodLine(j).Visible(), e.method);
        if (!e.line1)
            continue;
        EXPECT_EQ(viewer.CaptionLine1(j).Caption(), e.text1);
        EXPECT_EQ(viewer.CaptionLine1(j).Top(), e.top1);
        if (e.line2) {
            EXPECT_EQ(viewer.CaptionLine2(j).Caption(), e.text2);
        }
        EXPECT_EQ(viewer.MethodLine(j).Caption(), e.methodText);
        EXPECT_TRUE(viewer.MethodLine(j).Transparent());   // one result: nothing to stand out
    }
    EXPECT_EQ(viewer.CaptionLine1(4).Name(), "Label13");
    EXPECT_EQ(viewer.MethodLine(6).Name(), "Label21");

    // One result: the step buttons stay hidden (and enabled), Back sits after the step.
    EXPECT_FALSE(viewer.BitBtn2.Visible());
    EXPECT_FALSE(viewer.BitBtn3.Visible());
    EXPECT_TRUE(viewer.BitBtn2.Enabled());
    EXPECT_TRUE(viewer.BitBtn3.Enabled());
    EXPECT_EQ(viewer.BitBtn1.Caption(), "Back");
    EXPECT_EQ(viewer.BitBtn1.Left(), 2 * 180 + 200);
    Click(viewer.BitBtn3);
    EXPECT_EQ(viewer.CurrentResult(), 1);
    EXPECT_EQ(ShownFile(viewer.Vistrel7_2), set.results[0].path);
}

TEST_F(ResultViewer, StepsThroughTheResultsWithTheButtonsSetAtEachEnd)
{
    TForm4 viewer;
    StepResultSet set = Set(1, {{400, 600}, {400, 600}, {400, 600}});
    ASSERT_TRUE(viewer.SetResults(set));
    ASSERT_TRUE(viewer.OpenResults());
    EXPECT_TRUE(viewer.BitBtn2.Visible());
    EXPECT_TRUE(viewer.BitBtn3.Visible());
    EXPECT_EQ(viewer.BitBtn2.Left(), 180 + 160);
    EXPECT_EQ(viewer.BitBtn3.Left(), 180 + 160);
    EXPECT_NE(viewer.BitBtn2.Top(), viewer.BitBtn3.Top());   // side by side they would cover each other
    EXPECT_FALSE(viewer.MethodLine(1).Transparent());       // more than one result: it stands out

    struct Expect { int k; bool previous, next; };
    auto check = [&](const Expect& e) {
        EXPECT_EQ(viewer.CurrentResult(), e.k);
        EXPECT_EQ(ShownFile(viewer.Vistrel7_2), set.results[static_cast<size_t>(e.k - 1)].path);
        EXPECT_EQ(ShownFile(viewer.Vistrel7_1), set.input);
        EXPECT_EQ(viewer.BitBtn2.Enabled(), e.previous);
        EXPECT_EQ(viewer.BitBtn3.Enabled(), e.next);
        EXPECT_EQ(viewer.MethodLine(1).Caption(), "  method " + std::to_string(e.k - 1));
        EXPECT_EQ(viewer.MethodLine(0).Caption(), "  m0");
    };
    check({1, false, true});
    struct Move { forms::BitBtn* button; Expect after; };
    const Move moves[] = {
        {&viewer.BitBtn3, {2, true, true}},  {&viewer.BitBtn3, {3, true, false}},
        {&viewer.BitBtn3, {3, true, false}}, {&viewer.BitBtn2, {2, true, true}},
        {&viewer.BitBtn2, {1, false, true}}, {&viewer.BitBtn2, {1, false, true}},
    };
    int n = 0;
    for (const Move& m : moves) {
        SCOPED_TRACE("move " + std::to_string(n++));
        Click(*m.button);
        check(m.after);
    }
    // Stepping past the ends by the handlers themselves changes nothing either.
    viewer.BitBtn2Click();
    check({1, false, true});

    // Shown again: from result 1.
    viewer.BitBtn3Click();
    viewer.Hide();
    ASSERT_TRUE(viewer.OpenResults());
    check({1, false, true});
}

TEST_F(ResultViewer, SteppingKeepsZoomAndScrollForEqualSizesAndFitsOtherwise)
{
    TForm4 viewer;
    StepResultSet set = Set(0, {{2000, 3000}, {2000, 3000}, {1500, 3000}, {1500, 3000}});
    ASSERT_TRUE(viewer.SetResults(set));
    ASSERT_TRUE(viewer.OpenResults());
    TVistrel7_& result = viewer.Vistrel7_2;

    struct Move { bool next; int k; bool kept; };
    const Move moves[] = {
        {true, 2, true},    // 2000 x 3000 -> 2000 x 3000
        {true, 3, false},   // -> 1500 x 3000
        {true, 4, true},    // 1500 x 3000 -> 1500 x 3000
        {false, 3, true},
        {false, 2, false},  // -> 2000 x 3000
    };
    for (const Move& m : moves) {
        SCOPED_TRACE("to result " + std::to_string(m.k));
        // Somewhere other than fitted: closer, and scrolled.
        ClickTool(viewer.ToolBar1, "ToolButton1");
        ClickTool(viewer.ToolBar1, "ToolButton1");
        result.SetScrollX(120);
        result.SetScrollY(340);
        const double zoom = result.IPZoomF();
        const int x = result.ScrollX(), y = result.ScrollY();
        ASSERT_GT(x, 0);
        ASSERT_GT(y, 0);

        Click(m.next ? viewer.BitBtn3 : viewer.BitBtn2);
        ASSERT_EQ(viewer.CurrentResult(), m.k);
        ASSERT_EQ(ShownFile(result), set.results[static_cast<size_t>(m.k - 1)].path);
        if (m.kept) {
            EXPECT_DOUBLE_EQ(result.IPZoomF(), zoom);
            EXPECT_EQ(result.ScrollX(), x);
            EXPECT_EQ(result.ScrollY(), y);
        } else {
            const double now = result.IPZoomF();
            EXPECT_LT(now, zoom);
            EXPECT_DOUBLE_EQ(now, FittedZoom(result));
        }
    }
}

TEST_F(ResultViewer, ZoomButtonsZoomTheResultAndTheInputFollowsOnlyAtEqualSize)
{
    struct Case { const char* name; std::pair<int, int> input; bool follows; };
    const Case cases[] = {
        {"equal sizes", {1200, 1800}, true},
        {"other width", {1000, 1800}, false},
        {"other height", {1200, 1700}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TForm4 viewer;
        ASSERT_TRUE(viewer.SetResults(Set(0, {{1200, 1800}}, c.input)));
        ASSERT_TRUE(viewer.OpenResults());
        TVistrel7_& input = viewer.Vistrel7_1;
        TVistrel7_& result = viewer.Vistrel7_2;
        const double inputFit = input.IPZoomF();
        const double fit = result.IPZoomF();

        struct Press { const char* button; double zoom; };
        const Press presses[] = {
            {"ToolButton1", fit * 2}, {"ToolButton1", fit * 4}, {"ToolButton2", fit * 2},
            {"ToolButton3", 1.0},     {"ToolButton4", fit},
        };
        for (const Press& p : presses) {
            SCOPED_TRACE(p.button);
            ClickTool(viewer.ToolBar1, p.button);
            EXPECT_NEAR(result.IPZoomF(), p.zoom, 1e-9);
            if (c.follows) {
                EXPECT_DOUBLE_EQ(input.IPZoomF(), result.IPZoomF());
                EXPECT_EQ(input.ScrollX(), result.ScrollX());
                EXPECT_EQ(input.ScrollY(), result.ScrollY());
            } else {
                EXPECT_DOUBLE_EQ(input.IPZoomF(), inputFit);
                EXPECT_EQ(input.ScrollX(), 0);
                EXPECT_EQ(input.ScrollY(), 0);
            }
        }
    }
}

TEST_F(ResultViewer, ZoomStaysWithinItsRange)
{
    TForm4 viewer;
    ASSERT_TRUE(viewer.SetResults(Set(0, {{800, 800}})));
    ASSERT_TRUE(viewer.OpenResults());
    for (int i = 0; i < 12; ++i)
        ClickTool(viewer.ToolBar1, "ToolButton1");
    EXPECT_DOUBLE_EQ(viewer.Vistrel7_2.IPZoomF(), 64.0);
    for (int i = 0; i < 24; ++i)
        ClickTool(viewer.ToolBar1, "ToolButton2");
    EXPECT_DOUBLE_EQ(viewer.Vistrel7_2.IPZoomF(), 1.0 / 64);
    ClickTool(viewer.ToolBar1, "ToolButton1");
    EXPECT_DOUBLE_EQ(viewer.Vistrel7_2.IPZoomF(), 2.0 / 64);
}

TEST_F(ResultViewer, ScrollingOneViewMovesTheOtherOnlyAtEqualSize)
{
    struct Case { const char* name; std::pair<int, int> input; bool follows; };
    const Case cases[] = {{"equal sizes", {1600, 4800}, true}, {"other size", {1600, 4000}, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TForm4 viewer;
        ASSERT_TRUE(viewer.SetResults(Set(0, {{1600, 4800}}, c.input)));
        ASSERT_TRUE(viewer.OpenResults());
        TVistrel7_& input = viewer.Vistrel7_1;
        TVistrel7_& result = viewer.Vistrel7_2;
        // Both at actual size, so that there is room to scroll.
        ClickTool(viewer.ToolBar1, "ToolButton3");
        input.Zoom(1.0);

        struct Scroll { TVistrel7_* scrolled; TVistrel7_* other; };
        const Scroll scrolls[] = {{&input, &result}, {&result, &input}, {&input, &result}};
        for (const Scroll& s : scrolls) {
            const int otherX = s.other->ScrollX(), otherY = s.other->ScrollY();
            const int beforeY = s.scrolled->ScrollY();
            UserScroll(*s.scrolled);
            const int x = s.scrolled->ScrollX(), y = s.scrolled->ScrollY();
            ASSERT_GT(y, beforeY);   // the user's move stands
            if (c.follows) {
                EXPECT_EQ(s.other->ScrollX(), x);
                EXPECT_EQ(s.other->ScrollY(), y);
            } else {
                EXPECT_EQ(s.other->ScrollX(), otherX);
                EXPECT_EQ(s.other->ScrollY(), otherY);
            }
        }
    }
}

TEST_F(ResultViewer, PreviewShowsThePictureAloneAfterEarlierResults)
{
    TForm4 viewer;
    ASSERT_TRUE(viewer.SetResults(Set(3, {{900, 1300}, {900, 1300}})));
    ASSERT_TRUE(viewer.OpenResults());
    viewer.BitBtn3Click();
    viewer.Hide();

    // The picture the main window hands over: a DIB of a 700 x 500 page.
    TVistrel7_& source = viewer.Vistrel7_2;
    ASSERT_TRUE(source.SetFileName(Page("preview.tif", 700, 500)));
    HGLOBAL dib = source.CopyDIB();
    ASSERT_NE(dib, nullptr);
    ASSERT_TRUE(viewer.OpenPreview(dib));
    EXPECT_EQ(GlobalFree(dib), nullptr);   // the caller's to free; the view has its copy

    EXPECT_TRUE(viewer.Visible());
    EXPECT_EQ(viewer.Vistrel7_1.IWidth(), 700);
    EXPECT_EQ(viewer.Vistrel7_1.IHeight(), 500);
    EXPECT_DOUBLE_EQ(viewer.Vistrel7_1.IPZoomF(), FittedZoom(viewer.Vistrel7_1));
    EXPECT_EQ(viewer.Vistrel7_2.IWidth(), 0);
    EXPECT_EQ(ShownFile(viewer.Vistrel7_2), "");
    for (int j = 0; j < 7; ++j) {
        EXPECT_FALSE(viewer.CaptionLine1(j).Visible()) << j;
        EXPECT_FALSE(viewer.CaptionLine2(j).Visible()) << j;
        EXPECT_FALSE(viewer.MethodLine(j).Visible()) << j;
    }
    EXPECT_FALSE(viewer.BitBtn2.Visible());
    EXPECT_FALSE(viewer.BitBtn3.Visible());
    EXPECT_TRUE(viewer.BitBtn1.Visible());
    EXPECT_EQ(viewer.ResultCount(), 0);
    viewer.Hide();

    // The earlier results are gone: nothing to show until new ones come.
    EXPECT_EQ(viewer.ShowResults(), forms::kModalNone);
    EXPECT_FALSE(viewer.Visible());
    EXPECT_FALSE(viewer.OpenPreview(nullptr));
    EXPECT_FALSE(viewer.Visible());

    StepResultSet fresh = Set(1, {{600, 600}});
    ASSERT_TRUE(viewer.SetResults(fresh));
    ASSERT_TRUE(viewer.OpenResults());
    EXPECT_EQ(ShownFile(viewer.Vistrel7_1), fresh.input);
    EXPECT_EQ(ShownFile(viewer.Vistrel7_2), fresh.results[0].path);
    EXPECT_TRUE(viewer.MethodLine(1).Visible());
}

TEST_F(ResultViewer, BackEndsTheModalShowing)
{
    TForm4 viewer;
    ASSERT_TRUE(viewer.SetResults(Set(0, {{300, 300}})));
    PostMessageA(viewer.BitBtn1.Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(viewer.ShowResults(), forms::kModalCancel);
    EXPECT_FALSE(viewer.Visible());
    EXPECT_TRUE(IsWindowEnabled(main_->Handle()));
}

TEST_F(ResultViewer, TakesAtMostTwentyResultsAndRefusesUnusableSets)
{
    TForm4 viewer;
    StepResultSet many = Set(6, {{100, 100}});
    many.results.resize(25, many.results[0]);
    ASSERT_TRUE(viewer.SetResults(many));
    EXPECT_EQ(viewer.ResultCount(), 20);
    EXPECT_EQ(viewer.MarkedStep(), 6);

    struct Bad { const char* name; int step; bool noResults; };
    const Bad bads[] = {{"no result", 2, true}, {"step below 0", -1, false}, {"step above 6", 7, false}};
    for (const Bad& b : bads) {
        SCOPED_TRACE(b.name);
        StepResultSet set = Set(0, {{100, 100}});
        set.step = b.step;
        if (b.noResults)
            set.results.clear();
        EXPECT_FALSE(viewer.SetResults(set));
        EXPECT_EQ(viewer.ResultCount(), 20);   // the last good set stays
        EXPECT_EQ(viewer.MarkedStep(), 6);
    }
}

} // namespace
} // namespace viewertest
