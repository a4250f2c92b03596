#include "objects/image_annotation.h"

#include <cstdint>
#include <cstring>

#include "settings/tool_defaults_packed_dib.h"
#include "view/view_mapping.h"

namespace {

constexpr int64_t kFull = Annotation::kLayerUnitsFull;

// a + b kept within the int range.
int ClampedSum(int a, int64_t b)
{
    const int64_t sum = static_cast<int64_t>(a) + b;
    if (sum > INT32_MAX)
        return INT32_MAX;
    if (sum < INT32_MIN)
        return INT32_MIN;
    return static_cast<int>(sum);
}

} // namespace

ImageAnnotation::ImageAnnotation(const AttributeMap& toolAttributes)
{
    TakeToolAttributes(ImageTool, toolAttributes);
    TakePictureSize();
}

ImageAnnotation::~ImageAnnotation() = default;

HGLOBAL ImageAnnotation::Picture() const
{
    const auto it = Attributes().find(QMK_DibPtr);
    return it == Attributes().end() ? nullptr : it->second.Image();
}

void ImageAnnotation::TakePictureSize()
{
    pictureSize_ = {};
    HGLOBAL picture = Picture();
    const void* bytes = picture ? GlobalLock(picture) : nullptr;
    if (!bytes)
        return;
    // The map holds only whole packed DIBs: the header is there.
    BITMAPINFOHEADER header;
    std::memcpy(&header, bytes, sizeof(header));
    GlobalUnlock(picture);
    pictureSize_.cx = header.biWidth;
    // Rows stored top-down have a negative height.
    pictureSize_.cy = header.biHeight < 0 ? -header.biHeight : header.biHeight;
}

// ---- the mouse ---------------------------------------------------------------------

int ImageAnnotation::HandleMouse(HWND window, UINT message, WPARAM keys, int x, int y,
                                 int* eventCode)
{
    if (eventCode)
        *eventCode = 0;
    if (message == WM_LBUTTONDOWN && !IsCommitted() && Picture() && Owner()) {
        if (!HasView())
            return -1;
        // The picture's pixels are pixels of the image it lies on.
        const int64_t width = static_cast<int64_t>(pictureSize_.cx) * kFull / ImageWidth();
        const int64_t height = static_cast<int64_t>(pictureSize_.cy) * kFull / ImageHeight();
        RECT rect = {x, y, ClampedSum(x, width), ClampedSum(y, height)};
        bool changed = false;
        ShapeAnnotation::SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&rect), changed);
        InvalidateRect(Bounds());
        Owner()->ItemCompleted(*this, true, true);
        return -1;
    }
    return ShapeAnnotation::HandleMouse(window, message, keys, x, y, eventCode);
}

void ImageAnnotation::TrackTo(HWND, int, int) {}

// ---- drawing ----------------------------------------------------------------------------

int ImageAnnotation::Draw(HDC dc, const PaintArguments& args)
{
    HGLOBAL picture = Picture();
    if (!picture || !IsCommitted() || !Mapping() || !Owner())
        return ShapeAnnotation::Draw(dc, args);
    ConvertPendingGeometry();
    const int backStyle = MapNumber(QMK_BackStyle);
    if (backStyle != BackStyle_Opaque)
        ShapeAnnotation::Draw(dc, args);
    const RECT device = Mapping()->LayerToWindow(Bounds());
    const int values[12] = {
        static_cast<int>(reinterpret_cast<intptr_t>(dc)),
        static_cast<int>(reinterpret_cast<intptr_t>(picture)),
        backStyle != BackStyle_Opaque ? 1 : 0,
        MapNumber(QMK_TransparentColor),
        device.left,
        device.top,
        device.right - device.left,
        device.bottom - device.top,
        0,
        0,
        static_cast<int>(pictureSize_.cx),
        static_cast<int>(pictureSize_.cy),
    };
    // The host may delete the item while it draws.
    if (!Owner()->HostDraw(*this, values))
        return 1;
    if (IsSelected() && MapNumber(QMK_ShowHandles) != 0)
        Mapping()->DrawHandles(Bounds(), dc);
    return 1;
}

// ---- turning with the image -------------------------------------------------------------

bool ImageAnnotation::MapByHost(int code)
{
    HGLOBAL picture = Picture();
    if (!picture || !Owner())
        return true;
    HGLOBAL turned = nullptr;
    if (!Owner()->MapPicture(*this, picture, code, &turned)) {
        if (turned)
            GlobalFree(turned);
        return false;
    }
    if (!turned)
        return true;
    // The item keeps its own copy; a block that holds no whole packed DIB
    // leaves the picture as it was.
    HGLOBAL copy = PackedDib::Copy(turned);
    GlobalFree(turned);
    if (!copy)
        return true;
    bool changed = false;
    SetAttribute(QMK_DibPtr, reinterpret_cast<EngineValue>(copy), changed);
    GlobalFree(copy);
    return true;
}

void ImageAnnotation::MirrorInImage()
{
    ShapeAnnotation::MirrorInImage();
    MapByHost(kMirror);
}

void ImageAnnotation::FlipInImage()
{
    ShapeAnnotation::FlipInImage();
    MapByHost(kFlip);
}

void ImageAnnotation::RotateInImage(int angle)
{
    ShapeAnnotation::RotateInImage(angle);
    if (angle == 90 || angle == -270)
        MapByHost(kQuarterTurn);
    else if (angle == 180 || angle == -180)
        MapByHost(kHalfTurn);
    else if (angle == 270 || angle == -90)
        MapByHost(kThreeQuarterTurn);
}

// ---- attributes ----------------------------------------------------------------------------

int ImageAnnotation::SetAttribute(int code, EngineValue value, bool& changed)
{
    if (code == QMK_BoundingRect) {
        ShapeAnnotation::SetAttribute(code, value, changed);
        return QMK_NoError;
    }
    const int result = ShapeAnnotation::SetAttribute(code, value, changed);
    if (code == QMK_DibPtr)
        TakePictureSize();
    return result;
}

int ImageAnnotation::GetAttribute(int code, void* out)
{
    if (code == QMK_ItemDib) {
        if (!out)
            return QMK_ErrInvalidAttribute;
        HGLOBAL picture = Picture();
        *static_cast<HGLOBAL*>(out) = picture ? PackedDib::Copy(picture) : nullptr;
        return QMK_NoError;
    }
    return ShapeAnnotation::GetAttribute(code, out);
}
