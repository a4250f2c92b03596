#pragma once
// TForm4: the step-result viewer for pipelines without a page split — the
// input on the left, one result on the right, "View Results", maximised.
// The result view's tool bar zooms it; when the input and the result have
// the same size the input view follows its zoom and both follow each
// other's scrolling.
//
// It also shows the main window's preview picture alone (ShowPreview).
#include "step_result_viewer.h"
#include "view_zoom.h"
#include "vistrel_view.h"

#include "forms/splitter.h"
#include "forms/tool_bar.h"

namespace platform {

class TForm4 : public StepResultViewer {
public:
    TForm4();

    // Shows a copy of the packed DIB alone in the input view, modally: no
    // results, no step labels, no step buttons; the results given before
    // are forgotten. The caller keeps and frees dib. A null dib shows
    // nothing (kModalNone).
    int ShowPreview(HGLOBAL dib);
    // The same, not modal; false for a null dib.
    bool OpenPreview(HGLOBAL dib);

    TVistrel7_ Vistrel7_1;   // input
    forms::Splitter Splitter1;
    TVistrel7_ Vistrel7_2;   // result
    forms::ToolBar ToolBar1; // on Vistrel7_2: ToolButton1..4 zoom in, out, actual size, fit

    void ZoomResult(ZoomAction action);
    void Vistrel7_1Scroll();
    void Vistrel7_2Scroll();

protected:
    void LoadFirstResult() override;
    void LoadSteppedResult() override;

private:
    void SplitInHalf();
    void FollowScroll(TVistrel7_& from, TVistrel7_& to);

    bool following_ = false;
};

} // namespace platform
