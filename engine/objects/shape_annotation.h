#pragma once
// Rectangles and ellipses, and the rectangle-bounded base of the text, stamp,
// image and button items: drawn out as a rubber band with the mouse, moved
// and resized by eight handles, hit-tested, clamped to the image when moved
// by the layer, and drawn filled, outlined, hatched or highlighted.
#include "objects/annotation.h"

class ShapeAnnotation : public Annotation {
public:
    // An item of a tool (4098 rectangle, 4099 ellipse) carrying a copy of the
    // tool's attribute map.
    ShapeAnnotation(int type, const AttributeMap& toolAttributes);
    ~ShapeAnnotation() override;

    int HandleMouse(HWND window, UINT message, WPARAM keys, int x, int y, int* eventCode) override;
    int Draw(HDC dc, const PaintArguments& args) override;
    void ResetAnchor(int value) override;
    void CancelTracking(int* out) override;
    void RecomputeBounds() override;
    void MoveBy(int dx, int dy, RECT& invalid) override;
    bool HitTest(int x, int y) override;
    int HitHandle(HWND window, UINT message, int x, int y) override;
    int SetAttribute(int code, EngineValue value, bool& changed) override;

    // The rubber band and the move or resize by the mouse (layer units).
    virtual void BeginTrack(HWND window, int x, int y);
    virtual void EndTrack(HWND window, int x, int y);
    virtual void TrackTo(HWND window, int x, int y);

    // The press point and far corner of a rubber band; left -1 when no
    // creation is under way.
    RECT Anchor() const { return {x1_, y1_, x2_, y2_}; }
    bool CreationUnderway() const { return x1_ != -1; }
    // The handle a resize by the mouse drags, -1 for a move.
    int DragHandle() const { return dragHandle_; }

protected:
    // For the text, stamp, image and button classes, which fill the type and
    // the map themselves.
    ShapeAnnotation();

private:
    RECT NormalizedAnchor() const;
    void MoveOrResize(int x, int y);
    void EndTracking(HWND window);
    void DeleteTrackingTools();
    RECT DirtyArea(const RECT& rect, int handleTimes) const;
    void KeepAnchorWithBounds();
    int FillColorCode() const;
    int HighlightCode() const;

    int x1_ = -1;
    int y1_ = 0;
    int x2_ = 0;
    int y2_ = 0;
    POINT moveStart_ = {};
    HWND captureWindow_ = nullptr;
    HPEN trackingPen_ = nullptr;
    HBRUSH trackingBrush_ = nullptr;
};
