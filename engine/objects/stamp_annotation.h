#pragma once
// The item of the stamp tool: a block of text placed with one click, sized
// to fit its text and drawn in a rectangle like a rectangle item. The text
// wraps at spaces and hyphens, breaks at line ends and turns in steps of 90
// degrees. Just before a stamp is placed the host is asked on its stamping
// channel to supply the text.
//
// The text (10) and the font (11) live in the attribute map; the font's
// escapement and orientation always equal the text orientation (28).
#include <string>
#include <vector>

#include "objects/shape_annotation.h"
#include "objects/turned_font.h"

class StampAnnotation : public ShapeAnnotation {
public:
    explicit StampAnnotation(const AttributeMap& toolAttributes);
    ~StampAnnotation() override;

    int HandleMouse(HWND window, UINT message, WPARAM keys, int x, int y, int* eventCode) override;
    int Draw(HDC dc, const PaintArguments& args) override;
    void ViewChanged(int a, int b) override;
    void ScaleInto(double ratioX, double ratioY, const RECT& from, const RECT& to, int handle,
                   bool commit) override;
    void GrowBy(int dx, int dy) override;
    bool WriteAttributeRecord(ByteWriter& stream, int code) override;
    void MirrorInImage() override;
    void FlipInImage() override;
    void RotateInImage(int angle) override;
    HANDLE GetCachedHandle() override;
    void Attach() override;
    int SetAttribute(int code, EngineValue value, bool& changed) override;
    void BeginTrack(HWND window, int x, int y) override;

    // One laid-out line, in device pixels of the view it was laid out for:
    // its reference point from the rectangle's top-left corner, its height
    // and ascent, and the characters it shows.
    struct Line {
        int x, y, height, ascent, first, count;
    };
    // The layout as the last paint made it (empty while it is invalid).
    const std::vector<Line>& Lines() const { return lines_; }
    bool LayoutValid() const { return layoutValid_; }
    int Orientation() const { return orientation_; }

private:
    std::wstring Text() const;
    LOGFONTA Font() const;
    // Lays the text out for the current view; with sizing the rectangle
    // becomes the size of the text. False (the layout stays invalid) when
    // there is no text, font or view, a turned font has no outline, or a
    // character does not fit the width at all.
    bool Layout(bool sizing);
    void InvalidateLayout() { layoutValid_ = false; }
    // A changed orientation after a turn of the image is set as attribute 28.
    void ApplyTurn(int before, int after);
    RECT DeviceRect() const;

    int orientation_ = 0;
    TurnedFont font_;
    std::vector<Line> lines_;
    bool layoutValid_ = false;
    SIZE laidOutFor_ = {};  // the device size of the rectangle the layout fits
    bool sizePending_ = true;
};
