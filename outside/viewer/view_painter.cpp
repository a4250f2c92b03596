#include "view_painter.h"

#include "view_layout.h"

#include <algorithm>
#include <cstdint>

namespace viewer {
namespace {

// The span of image pixels [first, last) that covers zoomed pixels
// [from, to), and where that span starts and ends in zoomed pixels.
struct Span {
    int first = 0, last = 0;
    int64_t zoomedStart = 0, zoomedEnd = 0;
};

Span CoveringSpan(int imageLength, int zoomedLength, int from, int to) {
    Span s;
    s.first = static_cast<int>(int64_t(from) * imageLength / zoomedLength);
    s.last = static_cast<int>((int64_t(to) * imageLength + zoomedLength - 1) / zoomedLength);
    s.last = std::min(s.last, imageLength);
    s.zoomedStart = int64_t(s.first) * zoomedLength / imageLength;
    s.zoomedEnd = int64_t(s.last) * zoomedLength / imageLength;
    return s;
}

} // namespace

void PaintPicture(HDC dc, const RECT& bounds, const Picture& picture, double zoom, int scrollX,
                  int scrollY) {
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0) return;
    HBRUSH background = GetSysColorBrush(COLOR_APPWORKSPACE);

    const int zoomedWidth = ZoomedLength(picture.Width(), zoom);
    const int zoomedHeight = ZoomedLength(picture.Height(), zoom);
    // The part of the zoomed image that lands in bounds.
    const int fromX = std::max(0, scrollX), toX = std::min(zoomedWidth, scrollX + width);
    const int fromY = std::max(0, scrollY), toY = std::min(zoomedHeight, scrollY + height);
    if (picture.Empty() || fromX >= toX || fromY >= toY) {
        FillRect(dc, &bounds, background);
        return;
    }

    const Span xs = CoveringSpan(picture.Width(), zoomedWidth, fromX, toX);
    const Span ys = CoveringSpan(picture.Height(), zoomedHeight, fromY, toY);
    const int destX = bounds.left + static_cast<int>(xs.zoomedStart - scrollX);
    const int destY = bounds.top + static_cast<int>(ys.zoomedStart - scrollY);
    const int destWidth = static_cast<int>(xs.zoomedEnd - xs.zoomedStart);
    const int destHeight = static_cast<int>(ys.zoomedEnd - ys.zoomedStart);

    const int saved = SaveDC(dc);
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    const bool smaller = zoomedWidth < picture.Width() || zoomedHeight < picture.Height();
    SetStretchBltMode(dc, smaller ? HALFTONE : COLORONCOLOR);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    // Rows are stored bottom-up, so the source rectangle counts from the bottom.
    StretchDIBits(dc, destX, destY, destWidth, destHeight, xs.first,
                  picture.Height() - ys.last, xs.last - xs.first, ys.last - ys.first,
                  picture.DibBits(), picture.DibInfo(), DIB_RGB_COLORS, SRCCOPY);
    ExcludeClipRect(dc, destX, destY, destX + destWidth, destY + destHeight);
    FillRect(dc, &bounds, background);
    RestoreDC(dc, saved);
}

} // namespace viewer
