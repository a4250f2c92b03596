#include "view_layout.h"

#include <algorithm>
#include <cmath>

namespace viewer {

double ClampZoom(double zoom) {
    if (!(zoom >= kMinZoom)) return kMinZoom; // NaN too
    return std::min(zoom, kMaxZoom);
}

int ZoomedLength(int length, double zoom) {
    if (length <= 0) return 0;
    const double zoomed = std::round(length * ClampZoom(zoom));
    if (zoomed < 1) return 1;
    // 2^20 pixels at zoom 64 still fits an int.
    return static_cast<int>(zoomed);
}

ViewLayout LayOut(const ViewRequest& request) {
    ViewLayout layout;
    layout.zoomedWidth = ZoomedLength(request.imageWidth, request.zoom);
    layout.zoomedHeight = ZoomedLength(request.imageHeight, request.zoom);
    const bool mayHorizontal = (request.scrollBars & HorizontalBar) != 0;
    const bool mayVertical = (request.scrollBars & VerticalBar) != 0;
    const int areaWidth = std::max(0, request.areaWidth);
    const int areaHeight = std::max(0, request.areaHeight);

    bool horizontal = mayHorizontal && layout.zoomedWidth > areaWidth;
    bool vertical = mayVertical && layout.zoomedHeight > areaHeight;
    // One bar takes room from the other direction and may make it need one too.
    if (horizontal && mayVertical && !vertical)
        vertical = layout.zoomedHeight > areaHeight - request.barHeight;
    if (vertical && mayHorizontal && !horizontal)
        horizontal = layout.zoomedWidth > areaWidth - request.barWidth;

    layout.horizontalBar = horizontal;
    layout.verticalBar = vertical;
    layout.viewWidth = std::max(0, areaWidth - (vertical ? request.barWidth : 0));
    layout.viewHeight = std::max(0, areaHeight - (horizontal ? request.barHeight : 0));
    layout.maxScrollX = std::max(0, layout.zoomedWidth - layout.viewWidth);
    layout.maxScrollY = std::max(0, layout.zoomedHeight - layout.viewHeight);
    return layout;
}

double FitZoom(int imageWidth, int imageHeight, int areaWidth, int areaHeight) {
    if (imageWidth <= 0 || imageHeight <= 0 || areaWidth <= 0 || areaHeight <= 0) return 1.0;
    const double zoom = std::min(static_cast<double>(areaWidth) / imageWidth,
                                 static_cast<double>(areaHeight) / imageHeight);
    return ClampZoom(zoom);
}

int ClampScroll(int position, int limit) { return std::max(0, std::min(position, limit)); }

} // namespace viewer
