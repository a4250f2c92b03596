#include "page_pair_viewer_form.h"

namespace platform {

TForm5::TForm5()
    : StepResultViewer("TForm5"),
      Vistrel7_1(*this, "Vistrel7_1", {0, 0, 400, 500}),
      Splitter1(*this, "Splitter1"),
      Vistrel7_2(*this, "Vistrel7_2", {403, 0, 200, 500}),
      Splitter2(*this, "Splitter2"),
      Vistrel7_3(*this, "Vistrel7_3", {606, 0, 200, 500}),
      ToolBar3(Vistrel7_1, "ToolBar3"),
      ToolBar1(Vistrel7_2, "ToolBar1"),
      ToolBar2(Vistrel7_3, "ToolBar2")
{
    Vistrel7_1.SetAlign(forms::Align::Left);
    Vistrel7_2.SetAlign(forms::Align::Left);
    Vistrel7_3.SetAlign(forms::Align::Client);
    AddZoomButtons(ToolBar3, 9, [this](ZoomAction action) { ApplyZoom(Vistrel7_1, action); });
    AddZoomButtons(ToolBar1, 1, [this](ZoomAction action) { ApplyZoom(Vistrel7_2, action); });
    AddZoomButtons(ToolBar2, 5, [this](ZoomAction action) { ApplyZoom(Vistrel7_3, action); });
}

void TForm5::LoadFirstResult()
{
    // The input takes half the window, each page a quarter.
    Vistrel7_1.SetWidth(ClientWidth() / 2);
    Vistrel7_2.SetWidth(ClientWidth() / 4);
    Realign();
    LoadFitted(Vistrel7_1, InputPath());
    LoadFitted(Vistrel7_2, CurrentEntry().path);
    LoadFitted(Vistrel7_3, CurrentEntry().rightPath);
    EqualisePages();
}

void TForm5::LoadSteppedResult()
{
    const ViewPlacement left = PlacementOf(Vistrel7_2);
    const int rightWidth = Vistrel7_3.IWidth();
    const int rightHeight = Vistrel7_3.IHeight();
    Vistrel7_2.SetFileName(CurrentEntry().path);
    Vistrel7_3.SetFileName(CurrentEntry().rightPath);
    // Both pages take the left page's zoom and position when they kept their size.
    const bool leftFitted = KeepOrFit(Vistrel7_2, left.width, left.height, left);
    const bool rightFitted = KeepOrFit(Vistrel7_3, rightWidth, rightHeight, left);
    if (leftFitted && rightFitted)
        EqualisePages();
}

void TForm5::EqualisePages()
{
    const double left = Vistrel7_2.IPZoomF();
    const double right = Vistrel7_3.IPZoomF();
    if (left > right)
        Vistrel7_2.Zoom(right);
    else if (right > left)
        Vistrel7_3.Zoom(left);
}

} // namespace platform
