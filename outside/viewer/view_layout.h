#pragma once
// The geometry of the view: how big the zoomed image is, which scroll bars
// it needs in a window of a given size, how far it can scroll, and the zoom
// that fits it. Scroll positions are in pixels of the zoomed image.

namespace viewer {

constexpr double kMinZoom = 1.0 / 64;
constexpr double kMaxZoom = 64.0;

// Which scroll bars the view may show (the ScrollBars property).
enum ScrollBarChoice { NoBars = 0, HorizontalBar = 1, VerticalBar = 2, BothBars = 3 };

struct ViewRequest {
    int imageWidth = 0;  // 0 when the view is empty
    int imageHeight = 0;
    double zoom = 1.0;
    int areaWidth = 0;   // the client area with no scroll bar shown
    int areaHeight = 0;
    int barWidth = 0;    // width of a vertical scroll bar
    int barHeight = 0;   // height of a horizontal one
    int scrollBars = BothBars;
};

struct ViewLayout {
    int zoomedWidth = 0;
    int zoomedHeight = 0;
    bool horizontalBar = false;
    bool verticalBar = false;
    int viewWidth = 0;   // the area left for the image
    int viewHeight = 0;
    int maxScrollX = 0;
    int maxScrollY = 0;
};

// The zoom kept within kMinZoom..kMaxZoom.
double ClampZoom(double zoom);

// A side of the image at a zoom: at least 1 pixel for a side of at least 1.
int ZoomedLength(int length, double zoom);

ViewLayout LayOut(const ViewRequest& request);

// The largest zoom that shows the whole image in the area (clamped); 1 for
// an empty image or area.
double FitZoom(int imageWidth, int imageHeight, int areaWidth, int areaHeight);

// position kept within 0..limit.
int ClampScroll(int position, int limit);

} // namespace viewer
