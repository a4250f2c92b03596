#include "view/view_mapping.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int kFull = ViewMapping::kLayerUnitsFull;
constexpr double kTwipsPerInch = 1440.0;

// Zoom in percent that the engine reports to a host whose view it lays out.
constexpr int kActualSizePercent = 100;

int Truncate(double value) {
    // Toward zero, wrapping like a 32-bit store instead of overflowing.
    return static_cast<int>(static_cast<uint32_t>(static_cast<int64_t>(value)));
}

int TwipsToPixels(int twips, int dpi) {
    return Truncate(dpi * (twips * (1.0 / kTwipsPerInch)));
}

// Displayed size / image size, or 1.0 when they are equal.
float ScaleOf(int displayed, int imageSize, bool& zoomed) {
    if (displayed == imageSize) return 1.0f;
    zoomed = true;
    return static_cast<float>(static_cast<double>(displayed) / imageSize);
}

int SmallerOf(int a, int b) { return a < b ? a : b; }

void MirrorX(int& handle) {
    static const int kMirror[8] = {1, 0, 3, 2, 5, 4, 6, 7};
    handle = kMirror[handle];
}

void MirrorY(int& handle) {
    static const int kMirror[8] = {2, 3, 0, 1, 4, 5, 7, 6};
    handle = kMirror[handle];
}

} // namespace

ViewMapping::ViewMapping(int screenUnit)
    : screenUnit_(screenUnit), handleRatio_(MulDiv(screenUnit, kFull, 640)) {}

void ViewMapping::SetImageMappingDimensions(int width, int height) {
    mappingWidth_ = width;
    mappingHeight_ = height;
    imageWidth_ = width;
    imageHeight_ = height;
}

void ViewMapping::EnsureFresh() {
    if (refreshNeeded_) Refresh(false, nullptr);
}

void ViewMapping::LayOutFromMapping() {
    view_ = {0, 0, mappingWidth_, mappingHeight_};
    image_ = view_;
    imageWidth_ = mappingWidth_;
    imageHeight_ = mappingHeight_;
    zoomed_ = false;
}

bool ViewMapping::RefreshFromHost(bool foreignDevice, HDC hdc) {
    const HostCookie cookie = services_.cookie;
    if (!foreignDevice && !fixedView_) {
        if (services_.getViewGeometry && viewMode_ != kEngineLaidOutViewMode) {
            services_.getViewGeometry(cookie, &geometryKind_, &view_, &image_, &imageWidth_,
                                      &imageHeight_);
        } else if (services_.setViewGeometry && viewMode_ == kEngineLaidOutViewMode) {
            // The engine lays the image out at actual size and tells the host.
            LayOutFromMapping();
            geometryKind_ = kWholeImageView;
            services_.setViewGeometry(cookie, kActualSizePercent);
        } else {
            LayOutFromMapping();
        }
        if (services_.getResolution) services_.getResolution(cookie, &resolutionX_, &resolutionY_);
        return true;
    }

    if (!services_.getFixedViewGeometry) return false;
    RECT viewTwips = view_;
    services_.getFixedViewGeometry(cookie, &geometryKind_, &viewTwips, &image_, &imageWidth_,
                                   &imageHeight_);
    if (services_.getResolution) services_.getResolution(cookie, &resolutionX_, &resolutionY_);
    image_ = {0, 0, imageWidth_, imageHeight_};

    HDC device = hdc;
    HDC screen = nullptr;
    if (!device) device = screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(device, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(device, LOGPIXELSY);
    if (screen) ReleaseDC(nullptr, screen);
    view_.left = TwipsToPixels(viewTwips.left, dpiX);
    view_.right = TwipsToPixels(viewTwips.right, dpiX);
    view_.top = TwipsToPixels(viewTwips.top, dpiY);
    view_.bottom = TwipsToPixels(viewTwips.bottom, dpiY);
    return true;
}

bool ViewMapping::Refresh(bool foreignDevice, HDC hdc) {
    refreshNeeded_ = false;
    usable_ = false;
    if (services_.getResolution) services_.getResolution(services_.cookie, &resolutionX_, &resolutionY_);
    if (!RefreshFromHost(foreignDevice, hdc)) return false;
    if (imageHeight_ == 0 || imageWidth_ == 0 || image_.right == 0) return false;
    usable_ = true;

    zoomed_ = false;
    if (geometryKind_ == kWholeImageView || foreignDevice) {
        scaleX_ = ScaleOf(view_.right - view_.left, imageWidth_, zoomed_);
        scaleY_ = ScaleOf(view_.bottom - view_.top, imageHeight_, zoomed_);
    } else {
        scaleX_ = ScaleOf(image_.right, imageWidth_, zoomed_);
        scaleY_ = ScaleOf(image_.bottom, imageHeight_, zoomed_);
    }
    scaledWidth_ = Truncate(static_cast<double>(imageWidth_) * scaleX_ + 0.5);
    scaledHeight_ = Truncate(static_cast<double>(imageHeight_) * scaleY_ + 0.5);
    handleRatio_ = MulDiv(screenUnit_, kFull, SmallerOf(scaledWidth_, scaledHeight_));
    return true;
}

void ViewMapping::UsePaintView(const RECT& view, const RECT& image) {
    view_ = view;
    image_ = image;
    imageWidth_ = scaledWidth_ = image.right;
    imageHeight_ = scaledHeight_ = image.bottom;
    scaleX_ = scaleY_ = 1.0f;
    zoomed_ = false;
    handleRatio_ = MulDiv(screenUnit_, kFull, SmallerOf(scaledWidth_, scaledHeight_));
    usable_ = image.right != 0;
    // The paint draws into an image of the engine's own: asking the host for
    // its print view now would replace these rectangles.
    refreshNeeded_ = false;
}

POINT ViewMapping::WindowToLayer(POINT window) {
    EnsureFresh();
    int px = window.x - view_.left + image_.left;
    int py = window.y - view_.top + image_.top;
    if (scaleX_ != 1.0f) px = Truncate(px / static_cast<double>(scaleX_) + 0.5);
    if (scaleY_ != 1.0f) py = Truncate(py / static_cast<double>(scaleY_) + 0.5);
    return {MulDiv(px, kFull, imageWidth_), MulDiv(py, kFull, imageHeight_)};
}

POINT ViewMapping::LayerToWindow(POINT layer) {
    EnsureFresh();
    const int px = MulDiv(layer.x, imageWidth_, kFull);
    const int py = MulDiv(layer.y, imageHeight_, kFull);
    POINT result;
    if (scaleX_ == 1.0f) {
        result.x = px + view_.left - image_.left;
    } else {
        const int t = Truncate(px * static_cast<double>(scaleX_));
        result.x = Truncate(t + 0.5 - image_.left + view_.left);
    }
    if (scaleY_ == 1.0f) {
        result.y = py + view_.top - image_.top;
    } else {
        const int t = Truncate(py * static_cast<double>(scaleY_));
        result.y = Truncate(t + 0.5 - image_.top + view_.top);
    }
    return result;
}

namespace {

// One axis of LayerToWindow in whole numbers. The layer unit goes to image
// pixels as MulDiv(unit, size, 2^24) does (rounded half away from zero, -1
// past the int range); a scale other than 1 is a float, mantissa * 2^-shift,
// so that the pixel times the scale, truncated, is a product and a shift.
// Pixels too large for the double product to be exact are left to the
// per-point conversion (exact() is false).
struct AxisMap {
    int size;
    bool unscaled;
    int64_t mantissa;
    int shift;
    int offset;         // view origin - image origin, as the int sum wraps
    int64_t offset64;   // the same, unwrapped, as the double sum has it

    static bool Split(float scale, int64_t& mantissa, int& shift) {
        // Only positive finite scales with a shift a 64-bit product takes.
        if (!(scale > 0.0f) || scale > 1.0e6f) return false;
        int exponent = 0;
        const double fraction = std::frexp(static_cast<double>(scale), &exponent);  // [0.5, 1)
        mantissa = static_cast<int64_t>(std::ldexp(fraction, 24));  // exact: a float has 24 bits
        shift = 24 - exponent;
        return shift > 0 && shift < 62;
    }

    int Pixel(int unit) const {
        const int64_t product = static_cast<int64_t>(unit) * size;
        const int64_t half = kFull / 2;
        const bool positive = (unit < 0) == (size < 0);
        const int64_t rounded = (positive ? product + half : product - half) / kFull;
        return rounded > 2147483647 || rounded < -2147483647 ? -1 : static_cast<int>(rounded);
    }

    // False when the point must go the per-point way.
    bool Map(int unit, LONG& out) const {
        const int pixel = Pixel(unit);
        if (unscaled) {
            out = static_cast<LONG>(static_cast<uint32_t>(pixel) + static_cast<uint32_t>(offset));
            return true;
        }
        if (pixel >= (1 << 29) || pixel <= -(1 << 29)) return false;
        const int64_t product = pixel * mantissa;
        const int64_t truncated = product >= 0 ? product >> shift : -((-product) >> shift);
        const int t = static_cast<int>(static_cast<uint32_t>(truncated));
        // t + 0.5 + offset, truncated toward zero.
        const int64_t whole = static_cast<int64_t>(t) + offset64;
        out = static_cast<LONG>(static_cast<uint32_t>(whole >= 0 ? whole : whole + 1));
        return true;
    }
};

} // namespace

void ViewMapping::LayerToWindow(const POINT* layer, size_t count, POINT* window) {
    EnsureFresh();
    AxisMap x = {imageWidth_, scaleX_ == 1.0f, 0, 0,
                 static_cast<int>(static_cast<uint32_t>(view_.left) - static_cast<uint32_t>(image_.left)),
                 static_cast<int64_t>(view_.left) - image_.left};
    AxisMap y = {imageHeight_, scaleY_ == 1.0f, 0, 0,
                 static_cast<int>(static_cast<uint32_t>(view_.top) - static_cast<uint32_t>(image_.top)),
                 static_cast<int64_t>(view_.top) - image_.top};
    const bool whole = (x.unscaled || AxisMap::Split(scaleX_, x.mantissa, x.shift)) &&
                       (y.unscaled || AxisMap::Split(scaleY_, y.mantissa, y.shift));
    for (size_t i = 0; i < count; ++i) {
        const POINT from = layer[i];
        if (!whole || !x.Map(from.x, window[i].x) || !y.Map(from.y, window[i].y))
            window[i] = LayerToWindow(from);
    }
}

RECT ViewMapping::WindowToLayer(const RECT& window) {
    const POINT topLeft = WindowToLayer(POINT{window.left, window.top});
    const POINT bottomRight = WindowToLayer(POINT{window.right, window.bottom});
    return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

RECT ViewMapping::LayerToWindow(const RECT& layer) {
    const POINT topLeft = LayerToWindow(POINT{layer.left, layer.top});
    const POINT bottomRight = LayerToWindow(POINT{layer.right, layer.bottom});
    return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

POINT ViewMapping::LayerToImage(POINT layer) {
    EnsureFresh();
    return {MulDiv(layer.x, imageWidth_, kFull), MulDiv(layer.y, imageHeight_, kFull)};
}

POINT ViewMapping::ImageToLayer(POINT image) {
    EnsureFresh();
    return {MulDiv(image.x, kFull, imageWidth_), MulDiv(image.y, kFull, imageHeight_)};
}

RECT ViewMapping::LayerToImage(const RECT& layer) {
    const POINT topLeft = LayerToImage(POINT{layer.left, layer.top});
    const POINT bottomRight = LayerToImage(POINT{layer.right, layer.bottom});
    return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

RECT ViewMapping::ImageToLayer(const RECT& image) {
    const POINT topLeft = ImageToLayer(POINT{image.left, image.top});
    const POINT bottomRight = ImageToLayer(POINT{image.right, image.bottom});
    return {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

SIZE ViewMapping::ScaledPenWidth(int length) {
    EnsureFresh();
    if (length == 0) return {0, 0};
    const double unsignedLength = static_cast<uint32_t>(length);
    SIZE result;
    result.cx = scaleX_ == 1.0f ? length : Truncate(unsignedLength * scaleX_ + 0.5);
    result.cy = scaleY_ == 1.0f ? length : Truncate(unsignedLength * scaleY_ + 0.5);
    return result;
}

SIZE ViewMapping::LengthToLayer(int length) {
    if (length == 0) return {0, 0};
    const SIZE scaled = ScaledPenWidth(length);
    return {MulDiv(scaled.cx, kFull, scaledWidth_), MulDiv(scaled.cy, kFull, scaledHeight_)};
}

int ViewMapping::NormalizeRect(RECT& rect) {
    int swapped = 0;
    if (rect.right < rect.left) {
        const LONG left = rect.left;
        rect.left = rect.right;
        rect.right = left;
        swapped += kSwappedX;
    }
    if (rect.bottom < rect.top) {
        const LONG top = rect.top;
        rect.top = rect.bottom;
        rect.bottom = top;
        swapped += kSwappedY;
    }
    return swapped;
}

RECT ViewMapping::HandleSquare(const RECT& windowRect, int handle) const {
    const int middleX = windowRect.left + ((windowRect.right - windowRect.left) >> 1);
    const int middleY = windowRect.top + ((windowRect.bottom - windowRect.top) >> 1);
    int cx = 0, cy = 0;
    switch (handle) {
    case TopLeft: cx = windowRect.left; cy = windowRect.top; break;
    case TopRight: cx = windowRect.right; cy = windowRect.top; break;
    case BottomLeft: cx = windowRect.left; cy = windowRect.bottom; break;
    case BottomRight: cx = windowRect.right; cy = windowRect.bottom; break;
    case LeftMiddle: cx = windowRect.left; cy = middleY; break;
    case RightMiddle: cx = windowRect.right; cy = middleY; break;
    case TopMiddle: cx = middleX; cy = windowRect.top; break;
    default: cx = middleX; cy = windowRect.bottom; break;
    }
    const int h = screenUnit_ >> 1;
    return {cx - h, cy - h, cx + h, cy + h};
}

namespace {
const int kHandleOrder[8] = {0, 1, 2, 3, 6, 7, 4, 5};
}

int ViewMapping::HitTestHandle(const RECT& layerRect, POINT layerPoint) {
    const RECT windowRect = LayerToWindow(layerRect);
    const POINT point = LayerToWindow(layerPoint);
    for (int handle : kHandleOrder) {
        const RECT square = HandleSquare(windowRect, handle);
        if (PtInRect(&square, point)) return handle;
    }
    return NoHandle;
}

void ViewMapping::DrawHandles(const RECT& layerRect, HDC hdc) {
    const RECT windowRect = LayerToWindow(layerRect);
    HGDIOBJ oldPen = SelectObject(hdc, GetStockObject(WHITE_PEN));
    HGDIOBJ oldBrush = SelectObject(hdc, GetStockObject(BLACK_BRUSH));
    for (int handle : kHandleOrder) {
        const RECT square = HandleSquare(windowRect, handle);
        Rectangle(hdc, square.left, square.top, square.right, square.bottom);
    }
    SelectObject(hdc, oldBrush);
    SelectObject(hdc, oldPen);
}

ViewMapping::DragResult ViewMapping::DragHandle(int dx, int dy, int imageWidth, int imageHeight,
                                                RECT& layerRect, int& handle) {
    DragResult result;
    if (handle < TopLeft || handle > BottomMiddle) return result;
    // Without an image size there are no pixels to drag by.
    if (imageWidth <= 0 || imageHeight <= 0) return result;

    RECT rect = {MulDiv(layerRect.left, imageWidth, kFull), MulDiv(layerRect.top, imageHeight, kFull),
                 MulDiv(layerRect.right, imageWidth, kFull),
                 MulDiv(layerRect.bottom, imageHeight, kFull)};
    RECT old = rect;
    const bool movesLeft = handle == TopLeft || handle == BottomLeft || handle == LeftMiddle;
    const bool movesRight = handle == TopRight || handle == BottomRight || handle == RightMiddle;
    const bool movesTop = handle == TopLeft || handle == TopRight || handle == TopMiddle;
    const bool movesBottom = handle == BottomLeft || handle == BottomRight || handle == BottomMiddle;
    if (movesLeft) {
        rect.left += dx;
        if (rect.left > old.right) MirrorX(handle);
    }
    if (movesRight) {
        rect.right += dx;
        if (rect.right < old.left) MirrorX(handle);
    }
    if (movesTop) {
        rect.top += dy;
        if (rect.top > old.bottom) MirrorY(handle);
    }
    if (movesBottom) {
        rect.bottom += dy;
        if (rect.bottom < old.top) MirrorY(handle);
    }
    result.swapped = NormalizeRect(rect);

    // A rectangle without width or height has no factor to keep: 1.0 rather
    // than a division by zero.
    NormalizeRect(old);
    const int oldWidth = old.right - old.left;
    const int oldHeight = old.bottom - old.top;
    if (oldWidth != 0) result.factorX = static_cast<double>(rect.right - rect.left) / oldWidth;
    if (oldHeight != 0) result.factorY = static_cast<double>(rect.bottom - rect.top) / oldHeight;

    layerRect = {MulDiv(rect.left, kFull, imageWidth), MulDiv(rect.top, kFull, imageHeight),
                 MulDiv(rect.right, kFull, imageWidth), MulDiv(rect.bottom, kFull, imageHeight)};
    return result;
}
