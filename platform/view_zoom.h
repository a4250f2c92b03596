#pragma once
// Zooming and placing the picture of one result view: the four zoom buttons
// of a view's tool bar, the zoom and scroll position a view keeps when it
// gets a new image of the same size, and the helpers the viewers share for
// comparing what two views show.
#include "vistrel_view.h"

#include "forms/tool_bar.h"

#include <functional>

namespace platform {

// The tool bar buttons in their order on the bar.
enum class ZoomAction { In, Out, ActualSize, Fit };

// The zoom factors a view is ever asked to take, so that repeated zooming in
// or out stays usable.
constexpr double kMinViewZoom = 1.0 / 64;
constexpr double kMaxViewZoom = 64.0;
double SaneZoom(double factor);

// Zoom in doubles the factor, zoom out halves it, actual size is 1, fit
// shows the whole image.
void ApplyZoom(TVistrel7_& view, ZoomAction action);

// Puts the four zoom buttons on bar, named "ToolButton<first>" to
// "ToolButton<first + 3>" in the order of ZoomAction; each click calls
// onZoom with its action. The bar is kept above the picture it sits on.
void AddZoomButtons(forms::ToolBar& bar, int first, std::function<void(ZoomAction)> onZoom);

// What a view shows, as far as stepping to another result cares.
struct ViewPlacement {
    int width = 0;    // image size in pixels
    int height = 0;
    int scrollX = 0;
    int scrollY = 0;
    double zoom = 1.0;
};
ViewPlacement PlacementOf(TVistrel7_& view);

// After view got a new image: when the image has the size of the one before
// (oldWidth x oldHeight) the view takes the zoom and scroll position of
// placement, otherwise it is fitted. Returns true when it was fitted.
bool KeepOrFit(TVistrel7_& view, int oldWidth, int oldHeight, const ViewPlacement& placement);

// Both views show images of equal width and equal height.
bool SameImageSize(TVistrel7_& a, TVistrel7_& b);

// A view loaded afresh: both scroll bars, the whole image fitted.
void LoadFitted(TVistrel7_& view, const std::string& path);

} // namespace platform
