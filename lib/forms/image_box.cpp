#include "forms/image_box.h"

#include "forms/bitmap_file.h"

#include <windowsx.h>

namespace forms {

ImageBox::ImageBox(Control& parent, const std::string& name, const Rect& bounds) : Component(parent, name)
{
    CreateStandard("STATIC", WS_VISIBLE | SS_BITMAP | SS_NOTIFY, 0, bounds);
}

ImageBox::~ImageBox()
{
    if (Handle())
        SendMessageA(Handle(), STM_SETIMAGE, IMAGE_BITMAP, 0);
    if (picture_)
        DeleteObject(picture_);
}

void ImageBox::Replace(HBITMAP picture)
{
    Rect keep = Bounds();
    SendMessageA(Handle(), STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture));
    if (picture_)
        DeleteObject(picture_);
    picture_ = picture;
    // The static fits itself to the bitmap; the box keeps its own size.
    SetWindowPos(Handle(), nullptr, keep.left, keep.top, keep.width, keep.height, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(Handle(), nullptr, TRUE);
}

bool ImageBox::LoadFromFile(const std::string& path)
{
    HBITMAP picture = LoadBitmapFile(path);
    Replace(picture);
    return picture != nullptr;
}

void ImageBox::Clear()
{
    Replace(nullptr);
}

LRESULT ImageBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        break;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, Parent()->BackgroundBrush());
        return 1;
    }
    }
    return Component::WindowProc(message, wParam, lParam);
}

bool ImageBox::Command(WORD code, WORD)
{
    if (code != STN_CLICKED)
        return false;
    if (OnClick)
        OnClick();
    return true;
}

} // namespace forms
