// Vistrel7Control: the services its annotation control's engine calls
// (HostServiceTable). The cookie names the view; a cookie of a view that is
// gone finds nothing, and the service reports failure.
#include "vistrel7_control.h"

#include "binding_trace.h"
#include "packed_dib.h"
#include "view_layout.h"

#include <cstring>
#include <map>
#include <string>

namespace {

std::map<HostCookie, Vistrel7Control*>& Views() {
    static std::map<HostCookie, Vistrel7Control*> views;
    return views;
}

HostCookie NextCookie() {
    static HostCookie next = 0x7100;
    return ++next;
}

// The resolution a page that does not say its own is shown at.
constexpr double kScreenDpi = 96.0;

int ScreenDpi(int axis) {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, axis) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

HGLOBAL GlobalCopy(const std::vector<uint8_t>& bytes) {
    HGLOBAL copy = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    void* target = copy ? GlobalLock(copy) : nullptr;
    if (!target) {
        if (copy) GlobalFree(copy);
        return nullptr;
    }
    std::memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(copy);
    return copy;
}

HGLOBAL HandleOf(int value) { return reinterpret_cast<HGLOBAL>(static_cast<INT_PTR>(value)); }

} // namespace

// ---- the cookie ----

Vistrel7Control* Vistrel7Control::FromCookie(HostCookie cookie) {
    auto found = Views().find(cookie);
    return found == Views().end() ? nullptr : found->second;
}

Vistrel7Control::Vistrel7Control()
    : ControlBase(CLSID_Vistrel7, DIID__IVistrel7Events), services_(MakeServices()) {
    cookie_ = NextCookie();
    Views()[cookie_] = this;
}

Vistrel7Control::~Vistrel7Control() {
    Views().erase(cookie_);
    Unbind();
}

HostServiceTable Vistrel7Control::MakeServices() {
    HostServiceTable table = {};
    table.ViewMode = 0; // the view comes from GetViewGeometry
    table.GetImageDib = &ServiceGetImageDib;
    table.SetImageDib = &ServiceSetImageDib;
    table.CurrentLayerChanged = &ServiceCurrentLayerChanged;
    table.HostDrawCall = &ServiceHostDrawCall;
    table.GetViewGeometry = &ServiceGetViewGeometry;
    table.MapHostValue = &ServiceMapHostValue;
    table.GetFixedViewGeometry = &ServiceGetFixedViewGeometry;
    table.ForceUpdate = &ServiceForceUpdate;
    table.GetResolution = &ServiceGetResolution;
    table.SetViewGeometry = &ServiceSetViewGeometry;
    return table;
}

// ---- what the services answer ----

void Vistrel7Control::Geometry(int* kind, RECT* view, RECT* image, int* width,
                               int* height) const {
    // The view is the client area; the image is shown from its top-left
    // corner, scrolled by the scroll position, at the zoomed size.
    const viewer::ViewLayout layout = CurrentLayout();
    RECT client = {0, 0, layout.viewWidth, layout.viewHeight};
    if (Window()) GetClientRect(Window(), &client);
    if (kind) *kind = 0;
    if (view) *view = client;
    if (image) *image = RECT{scrollX_, scrollY_, layout.zoomedWidth, layout.zoomedHeight};
    if (width) *width = picture_.Width();
    if (height) *height = picture_.Height();
}

void Vistrel7Control::FixedGeometry(int* kind, RECT* view, RECT* image, int* width,
                                    int* height) const {
    // The whole image at one pixel a pixel of the screen: the view in twips
    // at the screen's resolution, which burning the annotations into the
    // image draws at.
    const int w = picture_.Width(), h = picture_.Height();
    if (kind) *kind = 4;
    if (view) *view = RECT{0, 0, MulDiv(w, 1440, ScreenDpi(LOGPIXELSX)),
                           MulDiv(h, 1440, ScreenDpi(LOGPIXELSY))};
    if (image) *image = RECT{0, 0, w, h};
    if (width) *width = w;
    if (height) *height = h;
}

void Vistrel7Control::Resolution(double* x, double* y) const {
    const double xDpi = picture_.Page().xDpi, yDpi = picture_.Page().yDpi;
    if (x) *x = xDpi > 0 ? xDpi : kScreenDpi;
    if (y) *y = yDpi > 0 ? yDpi : (xDpi > 0 ? xDpi : kScreenDpi);
}

HGLOBAL Vistrel7Control::CopyOfImage() const {
    return picture_.Empty() ? nullptr : GlobalCopy(picture_.PackedDib());
}

int Vistrel7Control::ReplaceImage(HGLOBAL dib) {
    // The image with its annotations burnt in: the pixels change, the file,
    // its kept tags, the zoom and the scroll position stay.
    const SIZE_T size = dib ? GlobalSize(dib) : 0;
    const void* bytes = size ? GlobalLock(dib) : nullptr;
    if (!bytes) return -1;
    viewer::Picture replaced;
    std::string reason;
    const bool ok = viewer::Picture::FromPackedDib(static_cast<const uint8_t*>(bytes), size,
                                                   &replaced, &reason);
    GlobalUnlock(dib);
    viewer::Trace(ok ? L"SetImageDib" : L"SetImageDib refused");
    if (!ok) return -1;
    replaced.ReplacePixelsOf(picture_);
    picture_ = std::move(replaced);
    pixelsChanged_ = true;
    UpdateView();
    return 0;
}

void Vistrel7Control::NoteCurrentLayerChanged(int active) {
    viewer::Trace(L"CurrentLayerChanged " + std::to_wstring(active));
    if (handingTags_) tagsTaken_ = true;
}

void Vistrel7Control::ForceUpdate() {
    viewer::Trace(L"ForceUpdate");
    if (HWND window = Window()) {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    } else {
        Invalidate();
    }
}

// ---- the table's functions ----

int __stdcall Vistrel7Control::ServiceGetImageDib(HostCookie cookie, HGLOBAL* image,
                                                  BOOL* mustFree) {
    if (image) *image = nullptr;
    if (mustFree) *mustFree = FALSE;
    Vistrel7Control* view = FromCookie(cookie);
    if (!view || !image) return -1;
    try {
        *image = view->CopyOfImage();
    } catch (...) {
        *image = nullptr;
    }
    if (*image && mustFree) *mustFree = TRUE;
    return *image ? 0 : -1;
}

int __stdcall Vistrel7Control::ServiceSetImageDib(HostCookie cookie, HGLOBAL image) {
    // The handle is the view's to free, taken or not.
    int result = -1;
    if (Vistrel7Control* view = FromCookie(cookie)) {
        try {
            result = view->ReplaceImage(image);
        } catch (...) {
            result = -1;
        }
    }
    if (image) GlobalFree(image);
    return result;
}

int __stdcall Vistrel7Control::ServiceCurrentLayerChanged(HostCookie cookie, int active) {
    Vistrel7Control* view = FromCookie(cookie);
    if (!view) return -1;
    try {
        view->NoteCurrentLayerChanged(active);
    } catch (...) {
    }
    return 0;
}

int __stdcall Vistrel7Control::ServiceHostDrawCall(int dc, int picture, int transparent,
                                                   int colour, int x, int y, int width,
                                                   int height, int sourceX, int sourceY,
                                                   int pictureWidth, int pictureHeight) {
    // Draws the picture (a packed DIB) into the rectangle; with transparent
    // set, its pixels of the colour given are left out.
    HDC target = reinterpret_cast<HDC>(static_cast<INT_PTR>(dc));
    HGLOBAL handle = HandleOf(picture);
    if (!target || !handle || width <= 0 || height <= 0) return -1;
    const SIZE_T size = GlobalSize(handle);
    const uint8_t* bytes = size ? static_cast<const uint8_t*>(GlobalLock(handle)) : nullptr;
    if (!bytes) return -1;
    int result = -1;
    imaging::Raster page;
    std::string reason;
    if (viewer::RasterFromPackedDib(bytes, size, &page, &reason)) {
        const std::vector<uint8_t> dib = viewer::PackedDibFromRaster(page);
        const auto* info = reinterpret_cast<const BITMAPINFO*>(dib.data());
        const void* bits = dib.data() + info->bmiHeader.biSize +
                           info->bmiHeader.biClrUsed * sizeof(RGBQUAD);
        const int sw = pictureWidth > 0 ? pictureWidth : page.width;
        const int sh = pictureHeight > 0 ? pictureHeight : page.height;
        if (!transparent) {
            SetStretchBltMode(target, COLORONCOLOR);
            result = StretchDIBits(target, x, y, width, height, sourceX,
                                   page.height - sourceY - sh, sw, sh, bits, info,
                                   DIB_RGB_COLORS, SRCCOPY) > 0
                         ? 0
                         : -1;
        } else if (HDC memory = CreateCompatibleDC(target)) {
            void* sectionBits = nullptr;
            HBITMAP section =
                CreateDIBSection(target, info, DIB_RGB_COLORS, &sectionBits, nullptr, 0);
            if (section && sectionBits) {
                std::memcpy(sectionBits, bits, info->bmiHeader.biSizeImage);
                HGDIOBJ old = SelectObject(memory, section);
                result = GdiTransparentBlt(target, x, y, width, height, memory, sourceX, sourceY,
                                           sw, sh, static_cast<UINT>(colour))
                             ? 0
                             : -1;
                SelectObject(memory, old);
            }
            if (section) DeleteObject(section);
            DeleteDC(memory);
        }
    }
    GlobalUnlock(handle);
    return result;
}

int __stdcall Vistrel7Control::ServiceGetViewGeometry(HostCookie cookie, int* kind, RECT* view,
                                                      RECT* image, int* width, int* height) {
    Vistrel7Control* control = FromCookie(cookie);
    if (!control) return -1;
    try {
        control->Geometry(kind, view, image, width, height);
    } catch (...) {
        return -1;
    }
    return 0;
}

int __stdcall Vistrel7Control::ServiceMapHostValue(HostCookie cookie, int picture, int code) {
    // A turned copy of the picture (a new handle); the one given stays the
    // caller's. Anything that cannot be turned comes back as it was.
    if (!FromCookie(cookie)) return picture;
    HGLOBAL handle = HandleOf(picture);
    const SIZE_T size = handle ? GlobalSize(handle) : 0;
    const uint8_t* bytes = size ? static_cast<const uint8_t*>(GlobalLock(handle)) : nullptr;
    if (!bytes) return picture;
    std::vector<uint8_t> turned;
    std::string reason;
    bool ok = false;
    try {
        ok = viewer::TurnPackedDib(bytes, size, code, &turned, &reason);
    } catch (...) {
        ok = false;
    }
    GlobalUnlock(handle);
    HGLOBAL copy = ok ? GlobalCopy(turned) : nullptr;
    if (!copy) return picture;
    return static_cast<int>(reinterpret_cast<INT_PTR>(copy));
}

int __stdcall Vistrel7Control::ServiceGetFixedViewGeometry(HostCookie cookie, int* kind,
                                                           RECT* view, RECT* image, int* width,
                                                           int* height) {
    Vistrel7Control* control = FromCookie(cookie);
    if (!control) return -1;
    try {
        control->FixedGeometry(kind, view, image, width, height);
    } catch (...) {
        return -1;
    }
    return 0;
}

int __stdcall Vistrel7Control::ServiceForceUpdate(HostCookie cookie) {
    Vistrel7Control* view = FromCookie(cookie);
    if (!view) return -1;
    try {
        view->ForceUpdate();
    } catch (...) {
    }
    return 0;
}

int __stdcall Vistrel7Control::ServiceGetResolution(HostCookie cookie, double* x, double* y) {
    Vistrel7Control* view = FromCookie(cookie);
    if (!view) return -1;
    view->Resolution(x, y);
    return 0;
}

int __stdcall Vistrel7Control::ServiceSetViewGeometry(HostCookie cookie, int value) {
    // The view computes its own geometry (ViewMode 0); a report is noted only.
    if (!FromCookie(cookie)) return -1;
    viewer::Trace(L"SetViewGeometry " + std::to_wstring(value));
    return 0;
}
