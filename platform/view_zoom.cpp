#include "view_zoom.h"

#include "viewer_glyphs.h"

#include <algorithm>
#include <string>

namespace platform {

namespace {

constexpr int kFitWholeImage = 2;
constexpr int kBothScrollBars = 3;

const ViewerGlyph kZoomGlyphs[] = {ViewerGlyph::ZoomIn, ViewerGlyph::ZoomOut,
                                   ViewerGlyph::ActualSize, ViewerGlyph::Fit};

} // namespace

double SaneZoom(double factor)
{
    if (!(factor > kMinViewZoom))   // also catches NaN
        return kMinViewZoom;
    return std::min(factor, kMaxViewZoom);
}

void ApplyZoom(TVistrel7_& view, ZoomAction action)
{
    switch (action) {
    case ZoomAction::In: view.Zoom(SaneZoom(view.IPZoomF() * 2)); break;
    case ZoomAction::Out: view.Zoom(SaneZoom(view.IPZoomF() * 0.5)); break;
    case ZoomAction::ActualSize: view.Zoom(1.0); break;
    case ZoomAction::Fit: view.ZoomToFit(kFitWholeImage); break;
    }
}

void AddZoomButtons(forms::ToolBar& bar, int first, std::function<void(ZoomAction)> onZoom)
{
    for (int i = 0; i < 4; ++i) {
        ZoomAction action = static_cast<ZoomAction>(i);
        HBITMAP glyph = MakeViewerGlyph(kZoomGlyphs[i]);
        bar.AddButton("ToolButton" + std::to_string(first + i), glyph, [onZoom, action] {
            if (onZoom)
                onZoom(action);
        });
        if (glyph)
            DeleteObject(glyph);
    }
    // The bar shares its parent with the control's own window, which fills
    // it: keep the bar on top and the picture from painting over it.
    HWND parent = GetParent(bar.Handle());
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (child != bar.Handle())
            SetWindowLongA(child, GWL_STYLE, GetWindowLongA(child, GWL_STYLE) | WS_CLIPSIBLINGS);
    SetWindowPos(bar.Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

ViewPlacement PlacementOf(TVistrel7_& view)
{
    ViewPlacement p;
    p.width = view.IWidth();
    p.height = view.IHeight();
    p.scrollX = view.ScrollX();
    p.scrollY = view.ScrollY();
    p.zoom = view.IPZoomF();
    return p;
}

bool KeepOrFit(TVistrel7_& view, int oldWidth, int oldHeight, const ViewPlacement& placement)
{
    if (view.IWidth() == oldWidth && view.IHeight() == oldHeight) {
        view.Zoom(SaneZoom(placement.zoom));
        view.SetScrollX(placement.scrollX);
        view.SetScrollY(placement.scrollY);
        return false;
    }
    view.ZoomToFit(kFitWholeImage);
    return true;
}

bool SameImageSize(TVistrel7_& a, TVistrel7_& b)
{
    return a.IWidth() == b.IWidth() && a.IHeight() == b.IHeight();
}

void LoadFitted(TVistrel7_& view, const std::string& path)
{
    view.SetFileName(path);
    view.SetScrollBars(kBothScrollBars);
    view.ZoomToFit(kFitWholeImage);
}

} // namespace platform
