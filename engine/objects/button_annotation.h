#pragma once
// The item of the button tool: a push button drawn on the image, with a
// bevelled frame, a caption in its own font turned in steps of 90 degrees, a
// raised and a pressed look and an optional size-to-caption. It draws itself
// out with its own rubber band.
//
// The caption (10) and the font (11) live in the attribute map; the text
// orientation is the button's own (its map has no 28) and always equals the
// font's escapement, from which a loaded button takes it back.
#include "objects/shape_annotation.h"
#include "objects/turned_font.h"

class ButtonAnnotation : public ShapeAnnotation {
public:
    explicit ButtonAnnotation(const AttributeMap& toolAttributes);
    ~ButtonAnnotation() override;

    int Draw(HDC dc, const PaintArguments& args) override;
    void MirrorInImage() override;
    void FlipInImage() override;
    void RotateInImage(int angle) override;
    void Attach() override;
    int SetAttribute(int code, EngineValue value, bool& changed) override;
    void BeginTrack(HWND window, int x, int y) override;
    void EndTrack(HWND window, int x, int y) override;
    void TrackTo(HWND window, int x, int y) override;
    void CancelTracking(int* out) override;

    // 0 raised, 1 pressed; any other value is refused (false).
    bool SetPressed(int pressed);
    int Pressed() const { return pressed_; }
    int Orientation() const { return orientation_; }
    bool Invalid() const { return invalid_; }

private:
    std::wstring Caption() const;
    LOGFONTA Font() const;
    void Turn(int orientation);
    void EndTracking(HWND window);
    void DeleteTrackingTools();
    RECT Shape() const;
    // The caption's box when it is turned: its advance along the turn, the
    // font's height across it.
    SIZE TurnedCaptionSize(const FontEntry& font, const std::wstring& caption) const;

    int orientation_ = 0;
    int pressed_ = 0;
    bool sizePending_ = false;
    bool invalid_ = false;
    TurnedFont font_;
    POINT anchor_ = {-1, -1};
    POINT corner_ = {};
    bool drawing_ = false;  // a pending button is being drawn out
    HWND captureWindow_ = nullptr;
    HPEN trackingPen_ = nullptr;
    HBRUSH trackingBrush_ = nullptr;
};
