#pragma once
// The item of the image tool: a picture, held as the item's own copy of a
// packed DIB (attribute 17), placed at its natural size with one click and
// drawn by the host's draw service, opaque or with a transparent colour. It
// turns, mirrors and flips with the host's image through the host's mapping
// service.
#include "objects/shape_annotation.h"

class ImageAnnotation : public ShapeAnnotation {
public:
    explicit ImageAnnotation(const AttributeMap& toolAttributes);
    ~ImageAnnotation() override;

    int HandleMouse(HWND window, UINT message, WPARAM keys, int x, int y, int* eventCode) override;
    int Draw(HDC dc, const PaintArguments& args) override;
    void MirrorInImage() override;
    void FlipInImage() override;
    void RotateInImage(int angle) override;
    int SetAttribute(int code, EngineValue value, bool& changed) override;
    int GetAttribute(int code, void* out) override;
    void TrackTo(HWND window, int x, int y) override;

    // The picture's block (the item's own), or null; its size in pixels.
    HGLOBAL Picture() const;
    SIZE PictureSize() const { return pictureSize_; }

    // Mapping service codes.
    enum MapCode { kQuarterTurn = 1, kHalfTurn = 2, kThreeQuarterTurn = 3, kFlip = 4, kMirror = 5 };

private:
    // The picture's width and height from its header (0 without one).
    void TakePictureSize();
    // Hands the picture to the host's mapping service and keeps what comes
    // back. False when the item went meanwhile.
    bool MapByHost(int code);

    SIZE pictureSize_ = {};
};
