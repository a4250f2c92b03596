#pragma once
// The brush and pen of the paint in progress. Items ask for them by attribute
// values and the paint device gets them. The pens and brushes of a paint are
// kept for the rest of it, one per style (up to kKept of each), so that items
// drawn alike share them; past that, the object a new one replaces is
// deleted. Whatever is left is deleted when the paint ends.
#include <windows.h>

#include <vector>

class ViewMapping;

class PaintTools {
public:
    PaintTools() = default;
    ~PaintTools() { End(); }
    PaintTools(const PaintTools&) = delete;
    PaintTools& operator=(const PaintTools&) = delete;

    void Begin(HDC device);
    // Deletes the brush and pen made since Begin (the caller has restored the
    // device's own objects first).
    void End();
    HDC Device() const { return device_; }

    // Hollow when hollow is set; else solid in the fill colour for hatch style
    // 5999, else hatched (index style - 6000) in the hatch colour. Nothing
    // happens when the device's brush already is that brush.
    void SelectBrush(COLORREF fill, bool hollow, int hatchStyle, COLORREF hatchColor);
    // deviceWidth: the pen width already in device units (0 for a null pen).
    // A colour of -1 gives a null pen; styles from 5000 count from 5000.
    void SelectPen(int deviceWidth, COLORREF color, int style);

    // The device width of a pen width in image pixels, by the drawing
    // primitives' one rule (DrawingPrimitives::DevicePenWidth).
    static int DeviceWidth(ViewMapping* mapping, int width);

    // The brush the request would make (exposed for the checks above).
    static LOGBRUSH WantedBrush(COLORREF fill, bool hollow, int hatchStyle, COLORREF hatchColor);

    static constexpr size_t kKept = 32;

private:
    struct KeptPen {
        int style, width;
        COLORREF color;
        HPEN pen;
    };
    struct KeptBrush {
        LOGBRUSH wanted;
        HBRUSH brush;
    };

    HDC device_ = nullptr;
    // Made past the kept ones: replaced (and deleted) by the next.
    HBRUSH brush_ = nullptr;
    HPEN pen_ = nullptr;
    std::vector<KeptPen> pens_;
    std::vector<KeptBrush> brushes_;
};
