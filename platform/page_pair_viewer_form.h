#pragma once
// TForm5: the step-result viewer for pipelines with a page split — the input
// and the two pages of each result, "View Results", maximised. Each view has
// its own zoom tool bar; the two page views start at the same zoom, the
// smaller of their fitted ones.
#include "step_result_viewer.h"
#include "view_zoom.h"
#include "vistrel_view.h"

#include "forms/splitter.h"
#include "forms/tool_bar.h"

namespace platform {

class TForm5 : public StepResultViewer {
public:
    TForm5();

    TVistrel7_ Vistrel7_1;   // input
    forms::Splitter Splitter1;
    TVistrel7_ Vistrel7_2;   // left page
    forms::Splitter Splitter2;
    TVistrel7_ Vistrel7_3;   // right page
    forms::ToolBar ToolBar3; // on Vistrel7_1: ToolButton9..12
    forms::ToolBar ToolBar1; // on Vistrel7_2: ToolButton1..4
    forms::ToolBar ToolBar2; // on Vistrel7_3: ToolButton5..8

protected:
    void LoadFirstResult() override;
    void LoadSteppedResult() override;

private:
    // Both page views take the smaller of their zoom factors.
    void EqualisePages();
};

} // namespace platform
