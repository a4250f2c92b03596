// TForm5, the two-page result viewer: the input and both pages, the page
// views at one zoom, stepping, each tool bar on its own view, no scroll
// following.
#include "page_pair_viewer_form.h"
#include "viewer_forms_fixture.h"

#include <algorithm>
#include <vector>

namespace viewertest {
namespace {

using platform::StepResultSet;
using platform::TForm5;
using platform::TVistrel7_;

using Size = std::pair<int, int>;
struct PagePair { Size left, right; };

class PagePairViewer : public ViewerFormsTest {
protected:
    StepResultSet Set(int step, const std::vector<PagePair>& pairs)
    {
        StepResultSet set;
        set.input = Page("in.tif", 2400, 1700);
        set.step = step;
        for (int j = 0; j <= step; ++j)
            set.steps.push_back({j == 0 ? "Split" : "Clean", "-", "m" + std::to_string(j)});
        for (size_t i = 0; i < pairs.size(); ++i) {
            const std::string n = std::to_string(i);
            set.results.push_back({Page("r" + n + "_1.tif", pairs[i].left.first, pairs[i].left.second),
                                   Page("r" + n + "_2.tif", pairs[i].right.first, pairs[i].right.second),
                                   "method " + n});
        }
        return set;
    }
};

TEST_F(PagePairViewer, ShowsTheInputAndBothPagesAtTheSmallerOfTheirFittedZooms)
{
    struct Case { const char* name; PagePair pages; };
    const Case cases[] = {
        {"left page fits smaller", {{1200, 3400}, {1200, 1700}}},
        {"right page fits smaller", {{1200, 1700}, {1300, 3400}}},
        {"equal pages", {{1200, 1700}, {1200, 1700}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TForm5 viewer;
        ASSERT_TRUE(viewer.Vistrel7_3.Hosted());
        StepResultSet set = Set(1, {c.pages});
        ASSERT_TRUE(viewer.SetResults(set));
        ASSERT_TRUE(viewer.OpenResults());
        EXPECT_EQ(viewer.Caption(), "View Results");
        EXPECT_EQ(viewer.Vistrel7_1.Width(), viewer.ClientWidth() / 2);
        EXPECT_EQ(viewer.Vistrel7_2.Width(), viewer.ClientWidth() / 4);
        EXPECT_EQ(ShownFile(viewer.Vistrel7_1), set.input);
        EXPECT_EQ(ShownFile(viewer.Vistrel7_2), set.results[0].path);
        EXPECT_EQ(ShownFile(viewer.Vistrel7_3), set.results[0].rightPath);
        EXPECT_FALSE(viewer.BitBtn2.Visible());
        EXPECT_FALSE(viewer.BitBtn3.Visible());
        EXPECT_EQ(viewer.MethodLine(1).Caption(), "  method 0");

        const double shown = viewer.Vistrel7_2.IPZoomF();
        EXPECT_DOUBLE_EQ(viewer.Vistrel7_3.IPZoomF(), shown);
        const double inputZoom = viewer.Vistrel7_1.IPZoomF();
        const double fits[2] = {FittedZoom(viewer.Vistrel7_2), FittedZoom(viewer.Vistrel7_3)};
        EXPECT_DOUBLE_EQ(shown, std::min(fits[0], fits[1]));
        EXPECT_DOUBLE_EQ(inputZoom, FittedZoom(viewer.Vistrel7_1));
    }
}

TEST_F(PagePairViewer, SteppingKeepsPagesOfEqualSizeAndRefitsTheOthers)
{
    TForm5 viewer;
    const PagePair pairs[] = {
        {{1200, 3400}, {1300, 3500}},
        {{1200, 3400}, {1300, 3500}},   // both kept
        {{1000, 1500}, {1300, 3600}},   // both new: fitted, then equalised
        {{1000, 1500}, {1100, 1500}},   // left kept, right fitted
    };
    StepResultSet set = Set(2, std::vector<PagePair>(std::begin(pairs), std::end(pairs)));
    ASSERT_TRUE(viewer.SetResults(set));
    ASSERT_TRUE(viewer.OpenResults());
    TVistrel7_& left = viewer.Vistrel7_2;
    TVistrel7_& right = viewer.Vistrel7_3;

    enum Outcome { Kept, Fitted, Equalised };
    struct Move { bool next; int k; Outcome left, right; bool previous, nextEnabled; };
    const Move moves[] = {
        {true, 2, Kept, Kept, true, true},
        {true, 3, Equalised, Equalised, true, true},
        {true, 4, Kept, Fitted, true, false},
        {false, 3, Kept, Fitted, true, true},
        {false, 2, Equalised, Equalised, true, true},
        {false, 1, Kept, Kept, false, true},
    };
    for (const Move& m : moves) {
        SCOPED_TRACE("to result " + std::to_string(m.k));
        ClickTool(viewer.ToolBar1, "ToolButton1");
        left.SetScrollX(50);
        left.SetScrollY(90);
        const double zoom = left.IPZoomF();
        const int x = left.ScrollX(), y = left.ScrollY();

        Click(m.next ? viewer.BitBtn3 : viewer.BitBtn2);
        ASSERT_EQ(viewer.CurrentResult(), m.k);
        const auto& entry = set.results[static_cast<size_t>(m.k - 1)];
        EXPECT_EQ(ShownFile(left), entry.path);
        EXPECT_EQ(ShownFile(right), entry.rightPath);
        EXPECT_EQ(ShownFile(viewer.Vistrel7_1), set.input);
        EXPECT_EQ(viewer.BitBtn2.Enabled(), m.previous);
        EXPECT_EQ(viewer.BitBtn3.Enabled(), m.nextEnabled);
        EXPECT_EQ(viewer.MethodLine(2).Caption(), "  method " + std::to_string(m.k - 1));

        const double zooms[2] = {left.IPZoomF(), right.IPZoomF()};
        const int scrolls[2][2] = {{left.ScrollX(), left.ScrollY()}, {right.ScrollX(), right.ScrollY()}};
        const double fits[2] = {FittedZoom(left), FittedZoom(right)};
        const Outcome outcomes[2] = {m.left, m.right};
        for (int v = 0; v < 2; ++v) {
            SCOPED_TRACE(v == 0 ? "left page" : "right page");
            switch (outcomes[v]) {
            case Kept:   // the left page's zoom and position before the step
                EXPECT_DOUBLE_EQ(zooms[v], zoom);
                EXPECT_EQ(scrolls[v][0], x);
                EXPECT_EQ(scrolls[v][1], y);
                break;
            case Fitted: EXPECT_DOUBLE_EQ(zooms[v], fits[v]); break;
            case Equalised: EXPECT_DOUBLE_EQ(zooms[v], std::min(fits[0], fits[1])); break;
            }
        }
        // Leave both as they were for the next step.
        left.Zoom(zooms[0]);
        right.Zoom(zooms[1]);
    }
}

TEST_F(PagePairViewer, EachToolBarZoomsItsOwnViewOnly)
{
    TForm5 viewer;
    ASSERT_TRUE(viewer.SetResults(Set(0, {{{1200, 1700}, {1200, 1700}}})));
    ASSERT_TRUE(viewer.OpenResults());
    TVistrel7_* views[3] = {&viewer.Vistrel7_1, &viewer.Vistrel7_2, &viewer.Vistrel7_3};
    struct Press { forms::ToolBar* bar; const char* button; int view; };
    const Press presses[] = {
        {&viewer.ToolBar3, "ToolButton9", 0},  {&viewer.ToolBar1, "ToolButton1", 1},
        {&viewer.ToolBar2, "ToolButton5", 2},  {&viewer.ToolBar2, "ToolButton8", 2},
        {&viewer.ToolBar2, "ToolButton6", 2},  {&viewer.ToolBar3, "ToolButton11", 0},
        {&viewer.ToolBar1, "ToolButton12", -1}, {&viewer.ToolBar1, "ToolButton3", 1},
        {&viewer.ToolBar3, "ToolButton12", 0},
    };
    for (const Press& p : presses) {
        SCOPED_TRACE(p.button);
        if (p.view < 0) {   // a button of another bar is not on this one
            EXPECT_EQ(p.bar->ButtonIndex(p.button), -1);
            continue;
        }
        double before[3];
        for (int v = 0; v < 3; ++v)
            before[v] = views[v]->IPZoomF();
        ClickTool(*p.bar, p.button);
        for (int v = 0; v < 3; ++v) {
            if (v != p.view) {
                EXPECT_DOUBLE_EQ(views[v]->IPZoomF(), before[v]) << "view " << v;
            }
        }
        EXPECT_NE(views[p.view]->IPZoomF(), before[p.view]);
    }
}

TEST_F(PagePairViewer, ScrollingAPageMovesNoOtherView)
{
    TForm5 viewer;
    ASSERT_TRUE(viewer.SetResults(Set(0, {{{2400, 1700}, {2400, 1700}}})));
    ASSERT_TRUE(viewer.OpenResults());
    TVistrel7_* views[3] = {&viewer.Vistrel7_1, &viewer.Vistrel7_2, &viewer.Vistrel7_3};
    for (TVistrel7_* v : views)
        v->Zoom(1.0);
    for (int s = 0; s < 3; ++s) {
        SCOPED_TRACE("scrolled view " + std::to_string(s));
        int before[3][2];
        for (int v = 0; v < 3; ++v)
            before[v][0] = views[v]->ScrollX(), before[v][1] = views[v]->ScrollY();
        UserScroll(*views[s]);
        EXPECT_GT(views[s]->ScrollY(), before[s][1]);
        for (int v = 0; v < 3; ++v) {
            if (v != s) {
                EXPECT_EQ(views[v]->ScrollX(), before[v][0]) << "view " << v;
                EXPECT_EQ(views[v]->ScrollY(), before[v][1]) << "view " << v;
            }
        }
    }
}

} // namespace
} // namespace viewertest
