#include "result_viewer_form.h"

#include "forms/application.h"

namespace platform {

TForm4::TForm4()
    : StepResultViewer("TForm4"),
      Vistrel7_1(*this, "Vistrel7_1", {0, 0, 400, 500}),
      Splitter1(*this, "Splitter1"),
      Vistrel7_2(*this, "Vistrel7_2", {403, 0, 400, 500}),
      ToolBar1(Vistrel7_2, "ToolBar1")
{
    Vistrel7_1.SetAlign(forms::Align::Left);
    Vistrel7_2.SetAlign(forms::Align::Client);
    AddZoomButtons(ToolBar1, 1, [this](ZoomAction action) { ZoomResult(action); });
    Vistrel7_1.OnScroll = [this] { Vistrel7_1Scroll(); };
    Vistrel7_2.OnScroll = [this] { Vistrel7_2Scroll(); };
}

void TForm4::SplitInHalf()
{
    Vistrel7_1.SetWidth(ClientWidth() / 2);
    Realign();
}

void TForm4::LoadFirstResult()
{
    SplitInHalf();
    LoadFitted(Vistrel7_1, InputPath());
    LoadFitted(Vistrel7_2, CurrentEntry().path);
}

void TForm4::LoadSteppedResult()
{
    const ViewPlacement before = PlacementOf(Vistrel7_2);
    Vistrel7_2.SetFileName(CurrentEntry().path);
    KeepOrFit(Vistrel7_2, before.width, before.height, before);
}

bool TForm4::OpenPreview(HGLOBAL dib)
{
    if (!dib)
        return false;
    ForgetResults();
    Show();
    SplitInHalf();
    Vistrel7_2.SetFileName("");
    Vistrel7_1.SetHDIB(dib);
    Vistrel7_1.SetScrollBars(3);
    Vistrel7_1.ZoomToFit(2);
    return true;
}

int TForm4::ShowPreview(HGLOBAL dib)
{
    if (!OpenPreview(dib))
        return forms::kModalNone;
    return ShowModal();
}

void TForm4::ZoomResult(ZoomAction action)
{
    ApplyZoom(Vistrel7_2, action);
    if (!SameImageSize(Vistrel7_1, Vistrel7_2))
        return;
    // The same page at another stage: the input shows the same part of it.
    following_ = true;
    Vistrel7_1.Zoom(SaneZoom(Vistrel7_2.IPZoomF()));
    Vistrel7_1.SetScrollX(Vistrel7_2.ScrollX());
    Vistrel7_1.SetScrollY(Vistrel7_2.ScrollY());
    following_ = false;
    forms::Application::ProcessMessages();
}

void TForm4::FollowScroll(TVistrel7_& from, TVistrel7_& to)
{
    // Moving the other view must not start it moving this one back.
    if (following_ || !SameImageSize(from, to))
        return;
    following_ = true;
    to.SetScrollX(from.ScrollX());
    to.SetScrollY(from.ScrollY());
    following_ = false;
}

void TForm4::Vistrel7_1Scroll() { FollowScroll(Vistrel7_1, Vistrel7_2); }
void TForm4::Vistrel7_2Scroll() { FollowScroll(Vistrel7_2, Vistrel7_1); }

} // namespace platform
