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
    // What is selected in the device is known from the selections made here,
    // so a request for the pen or brush already there costs no call. Code
    // that selects another pen or brush into the device during the paint
    // either puts back what it found (or restores a saved state) or calls
    // this; so does every call out that is handed the device.
    void Forget();

    // Hollow when hollow is set; else solid in the fill colour for hatch style
    // 5999, else hatched (index style - 6000) in the hatch colour. Nothing
    // happens when the device's brush already is that brush.
    void SelectBrush(COLORREF fill, bool hollow, int hatchStyle, COLORREF hatchColor);
    // deviceWidth: the pen width already in device units (0 for a null pen).
    // A colour of -1 gives a null pen (the stock one); styles from 5000
    // count from 5000.
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

    HGDIOBJ SelectedPen();
    HGDIOBJ SelectedBrush();
    // Selects into the device and records it; false (and nothing known) when
    // the device refused.
    bool PutPen(HGDIOBJ pen);
    bool PutBrush(HBRUSH brush, const LOGBRUSH& style);

    HDC device_ = nullptr;
    // The pen and brush in the device as far as known (null: ask it).
    HGDIOBJ selectedPen_ = nullptr;
    HGDIOBJ selectedBrush_ = nullptr;
    // What the selected brush paints, once known.
    LOGBRUSH selectedStyle_ = {};
    bool selectedStyleKnown_ = false;
    // Made past the kept ones: replaced (and deleted) by the next.
    HBRUSH brush_ = nullptr;
    HPEN pen_ = nullptr;
    std::vector<KeptPen> pens_;
    std::vector<KeptBrush> brushes_;
};
