#pragma once
// The engine's record of the host's current view and the conversions between
// window pixels, image pixels and layer units.
//
// Layer units are fractions of the image width or height in 8.24 fixed point:
// 0 is the left or top edge of the image, kLayerUnitsFull the right or bottom
// edge. The host shows the image zoomed and scrolled in its window; before
// every mouse message, key message and paint the engine refreshes this record
// from the host's view services. One record per engine, shared by every layer.
#include <windows.h>

#include "annotation_engine.h"

class ViewMapping {
public:
    static constexpr int kLayerUnitsFull = 16777216;  // 2^24

    // The host's view services, as the client hands them over. Each may be
    // missing; all four are called with the one service cookie.
    struct HostServices {
        HostCookie cookie = 0;
        GetViewGeometryFn getViewGeometry = nullptr;
        SetViewGeometryFn setViewGeometry = nullptr;
        GetViewGeometryFn getFixedViewGeometry = nullptr;
        GetResolutionFn getResolution = nullptr;
    };

    // Geometry kind of a host whose view rectangle is the whole displayed image.
    static constexpr int kWholeImageView = 4;
    // View mode in which the engine lays out the view itself: the image at
    // actual size from the mapping dimensions, whose zoom in percent (100) it
    // reports to the host through SetViewGeometry.
    static constexpr int kEngineLaidOutViewMode = 2;

    // Handles of a rectangle, numbered as the layers and items use them.
    enum Handle : int {
        TopLeft = 0, TopRight = 1, BottomLeft = 2, BottomRight = 3,
        LeftMiddle = 4, RightMiddle = 5, TopMiddle = 6, BottomMiddle = 7,
        NoHandle = -1,
    };
    // What NormalizeRect swapped.
    static constexpr int kSwappedX = 4;
    static constexpr int kSwappedY = 2;

    // screenUnit: the primary screen width / 128, the size of a selection handle.
    explicit ViewMapping(int screenUnit);

    // --- what the engine hands over -----------------------------------------
    void SetServices(const HostServices& services) { services_ = services; }
    const HostServices& Services() const { return services_; }
    void SetViewMode(int mode) { viewMode_ = mode; }
    int ViewMode() const { return viewMode_; }
    // The image mapping dimensions (used when the host gives no view); they
    // are also the image width and height until the next refresh.
    void SetImageMappingDimensions(int width, int height);
    int MappingWidth() const { return mappingWidth_; }
    int MappingHeight() const { return mappingHeight_; }
    // While set, a refresh asks the host for its fixed (print) view.
    void SetFixedView(bool fixed) { fixedView_ = fixed; }
    bool FixedView() const { return fixedView_; }

    // --- refresh -------------------------------------------------------------
    // Asks the host for the view and recomputes the record. foreignDevice:
    // painting to another device, whose resolution converts the host's view
    // rectangle from twips (hdc may be null for the screen). Returns false when
    // the host's geometry has a zero image width, height or displayed width, or
    // when the fixed view is needed and the host has no service for it.
    bool Refresh(bool foreignDevice, HDC hdc);
    // Marks the record stale: the next conversion refreshes first.
    void Invalidate() { refreshNeeded_ = true; }
    bool RefreshNeeded() const { return refreshNeeded_; }
    // Refreshes (for the screen) when the record is stale.
    void EnsureFresh();
    // Whether the record holds a view that converts: the last refresh (or
    // paint view) succeeded and the image has a width and a height. Asks the
    // host nothing.
    bool Usable() const { return usable_ && imageWidth_ > 0 && imageHeight_ > 0; }
    // Takes the caller's rectangles as the view of a paint into an image of
    // our own at scale 1, without asking the host; the record stays as set
    // until the next refresh.
    void UsePaintView(const RECT& view, const RECT& image);

    // --- the record ----------------------------------------------------------
    int ScreenUnit() const { return screenUnit_; }
    const RECT& ViewRect() const { return view_; }
    const RECT& ImageRect() const { return image_; }
    int ImageWidth() const { return imageWidth_; }
    int ImageHeight() const { return imageHeight_; }
    float ScaleX() const { return scaleX_; }
    float ScaleY() const { return scaleY_; }
    bool Zoomed() const { return zoomed_; }
    int HandleRatio() const { return handleRatio_; }
    int GeometryKind() const { return geometryKind_; }
    int ScaledWidth() const { return scaledWidth_; }
    int ScaledHeight() const { return scaledHeight_; }
    double ResolutionX() const { return resolutionX_; }
    double ResolutionY() const { return resolutionY_; }

    // --- conversions (each refreshes first when the record is stale) --------
    POINT WindowToLayer(POINT window);
    POINT LayerToWindow(POINT layer);
    RECT WindowToLayer(const RECT& window);
    RECT LayerToWindow(const RECT& layer);
    // Many points at once, each mapped exactly as LayerToWindow maps one
    // (the same rounding and wrapping), in whole-number arithmetic; in and
    // out may be the same array.
    void LayerToWindow(const POINT* layer, size_t count, POINT* window);
    POINT LayerToImage(POINT layer);
    POINT ImageToLayer(POINT image);
    RECT LayerToImage(const RECT& layer);
    RECT ImageToLayer(const RECT& image);
    // A pen width or other length in image pixels, scaled to the view per axis.
    SIZE ScaledPenWidth(int length);
    // A length in image pixels as layer units per axis.
    SIZE LengthToLayer(int length);
    // Swaps left/right and top/bottom where they are reversed; returns
    // kSwappedX, kSwappedY, both added, or 0.
    static int NormalizeRect(RECT& rect);

    // --- selection handles -----------------------------------------------------
    // The handle of a rectangle (layer units) under a point (layer units), or
    // NoHandle. Squares are tested in the order 0, 1, 2, 3, 6, 7, 4, 5.
    int HitTestHandle(const RECT& layerRect, POINT layerPoint);
    // Draws the eight handles of a rectangle (layer units) into a device.
    void DrawHandles(const RECT& layerRect, HDC hdc);
    // Drags a handle of an item's rectangle by (dx, dy) image pixels of an
    // image of imageWidth x imageHeight. A handle dragged through the opposite
    // edge becomes its mirror, so that the drag goes on smoothly. Returns the
    // NormalizeRect result; factorX/Y receive new size / old size. A handle
    // outside 0..7 or an image without size leaves everything unchanged.
    struct DragResult {
        int swapped = 0;
        double factorX = 1.0;
        double factorY = 1.0;
    };
    static DragResult DragHandle(int dx, int dy, int imageWidth, int imageHeight,
                                 RECT& layerRect, int& handle);

private:
    bool RefreshFromHost(bool foreignDevice, HDC hdc);
    void LayOutFromMapping();
    RECT HandleSquare(const RECT& windowRect, int handle) const;

    HostServices services_;
    int viewMode_ = 0;
    int mappingWidth_ = 0;
    int mappingHeight_ = 0;
    bool fixedView_ = false;

    int screenUnit_;
    RECT view_ = {};
    RECT image_ = {};
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    float scaleX_ = 1.0f;
    float scaleY_ = 1.0f;
    bool zoomed_ = false;
    int handleRatio_;
    int geometryKind_ = 0;
    int scaledWidth_ = 0;
    int scaledHeight_ = 0;
    bool refreshNeeded_ = true;
    bool usable_ = false;  // the last refresh succeeded
    double resolutionX_ = 0.0;
    double resolutionY_ = 0.0;
};
