// Vistrel7Control: its window — painting, scroll bars, user scrolling, the
// double click and the state query.
#include "vistrel7_control.h"

#include "view_painter.h"
#include "vistrel7_state_query.h"

#include <algorithm>
#include <cmath>

namespace {

enum : DISPID { kDblClick = 1, kScroll = 2 };

// Lines per wheel notch, as the system's default.
constexpr int kWheelLines = 3;

UINT StateQueryMessage() {
    static const UINT message = RegisterWindowMessageW(vistrel7::kStateQueryMessage);
    return message;
}

// A line of scrolling: a tenth of the visible part, at least a pixel.
int LineStep(int page) { return std::max(1, page / 10); }

} // namespace

LRESULT Vistrel7Control::OnMessage(UINT msg, WPARAM wp, LPARAM lp, bool& handled) {
    handled = true;
    if (msg == kControlQueryMessage) return AnswerControlQuery(wp, lp);
    if (msg == WM_LBUTTONDOWN && Window()) SetFocus(Window()); // so the wheel and keys reach the view
    if (ForwardInput(msg, wp, lp)) return msg == WM_SETCURSOR ? TRUE : 0;
    switch (msg) {
    case WM_SHOWWINDOW:
        // The first message after the window exists that Window() knows of.
        SyncWindowText();
        UpdateView();
        GiveHostWindow();
        handled = false;
        return 0;
    case WM_SIZE:
        UpdateView();
        return 0;
    case WM_ERASEBKGND:
        return 1; // the paint covers every pixel
    case WM_PRINTCLIENT: {
        RECT bounds;
        GetClientRect(Window(), &bounds);
        OnDraw(reinterpret_cast<HDC>(wp), bounds);
        return 0;
    }
    case WM_HSCROLL:
        OnScrollMessage(SB_HORZ, wp);
        return 0;
    case WM_VSCROLL:
        OnScrollMessage(SB_VERT, wp);
        return 0;
    case WM_MOUSEWHEEL:
        OnMouseWheel(wp);
        return 0;
    case WM_LBUTTONDOWN:
        return 0;
    case WM_LBUTTONDBLCLK:
        Fire(kDblClick);
        return 0;
    default:
        if (msg == StateQueryMessage() && msg != 0) return AnswerStateQuery(wp);
        handled = false;
        return 0;
    }
}

void Vistrel7Control::OnDraw(HDC dc, const RECT& bounds) {
    viewer::PaintPicture(dc, bounds, picture_, zoom_, scrollX_, scrollY_);
    PaintAnnotations(dc, bounds);
}

LRESULT Vistrel7Control::AnswerStateQuery(WPARAM field) const {
    switch (field) {
    case vistrel7::StateWidth: return picture_.Width();
    case vistrel7::StateHeight: return picture_.Height();
    case vistrel7::StateBitsPerPixel: return picture_.BitsPerPixel();
    case vistrel7::StateZoomMilli: return static_cast<LRESULT>(std::lround(zoom_ * 1000));
    case vistrel7::StateScrollX: return scrollX_;
    case vistrel7::StateScrollY: return scrollY_;
    default: return -1;
    }
}

void Vistrel7Control::SyncWindowText() {
    if (Window()) SetWindowTextW(Window(), fileName_.c_str());
}

SIZE Vistrel7Control::ViewArea() const {
    SIZE area = {0, 0};
    if (HWND window = Window()) {
        RECT client;
        GetClientRect(window, &client);
        const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
        area.cx = client.right + ((style & WS_VSCROLL) ? GetSystemMetrics(SM_CXVSCROLL) : 0);
        area.cy = client.bottom + ((style & WS_HSCROLL) ? GetSystemMetrics(SM_CYHSCROLL) : 0);
    } else {
        HDC screen = GetDC(nullptr);
        const int dpiX = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
        const int dpiY = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
        if (screen) ReleaseDC(nullptr, screen);
        area.cx = MulDiv(Extent().cx, dpiX, 2540);
        area.cy = MulDiv(Extent().cy, dpiY, 2540);
    }
    return area;
}

viewer::ViewLayout Vistrel7Control::CurrentLayout() const {
    const SIZE area = ViewArea();
    viewer::ViewRequest request;
    request.imageWidth = picture_.Width();
    request.imageHeight = picture_.Height();
    request.zoom = zoom_;
    request.areaWidth = area.cx;
    request.areaHeight = area.cy;
    request.barWidth = GetSystemMetrics(SM_CXVSCROLL);
    request.barHeight = GetSystemMetrics(SM_CYHSCROLL);
    request.scrollBars = scrollBars_;
    return viewer::LayOut(request);
}

void Vistrel7Control::UpdateView() {
    const viewer::ViewLayout layout = CurrentLayout();
    scrollX_ = viewer::ClampScroll(scrollX_, layout.maxScrollX);
    scrollY_ = viewer::ClampScroll(scrollY_, layout.maxScrollY);
    HWND window = Window();
    if (!window) {
        Invalidate();
        return;
    }
    if (updatingBars_) return; // showing a bar resizes the client area: WM_SIZE comes back here
    updatingBars_ = true;
    ShowScrollBar(window, SB_HORZ, layout.horizontalBar);
    ShowScrollBar(window, SB_VERT, layout.verticalBar);
    // Only shown bars get a range: a range larger than the page would show the bar.
    SCROLLINFO info = {};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (layout.horizontalBar) {
        info.nMax = layout.zoomedWidth - 1;
        info.nPage = static_cast<UINT>(layout.viewWidth);
        info.nPos = scrollX_;
        SetScrollInfo(window, SB_HORZ, &info, TRUE);
    }
    if (layout.verticalBar) {
        info.nMax = layout.zoomedHeight - 1;
        info.nPage = static_cast<UINT>(layout.viewHeight);
        info.nPos = scrollY_;
        SetScrollInfo(window, SB_VERT, &info, TRUE);
    }
    updatingBars_ = false;
    InvalidateRect(window, nullptr, FALSE);
}

void Vistrel7Control::SetZoomKeepingCentre(double zoom) {
    // The image point in the middle of the view stays there; an image that
    // fits its view keeps its middle.
    const viewer::ViewLayout before = CurrentLayout();
    const double centreX = before.zoomedWidth > before.viewWidth
                               ? (scrollX_ + before.viewWidth / 2.0) / before.zoomedWidth
                               : 0.5;
    const double centreY = before.zoomedHeight > before.viewHeight
                               ? (scrollY_ + before.viewHeight / 2.0) / before.zoomedHeight
                               : 0.5;
    zoom_ = zoom;
    const viewer::ViewLayout after = CurrentLayout();
    scrollX_ = static_cast<LONG>(std::lround(centreX * after.zoomedWidth - after.viewWidth / 2.0));
    scrollY_ =
        static_cast<LONG>(std::lround(centreY * after.zoomedHeight - after.viewHeight / 2.0));
    UpdateView();
}

void Vistrel7Control::ScrollByUser(int bar, int position) {
    const viewer::ViewLayout layout = CurrentLayout();
    LONG& current = bar == SB_HORZ ? scrollX_ : scrollY_;
    const int clamped =
        viewer::ClampScroll(position, bar == SB_HORZ ? layout.maxScrollX : layout.maxScrollY);
    if (clamped == current) return;
    current = clamped;
    UpdateView();
    Fire(kScroll);
}

void Vistrel7Control::OnScrollMessage(int bar, WPARAM wp) {
    const viewer::ViewLayout layout = CurrentLayout();
    const int page = bar == SB_HORZ ? layout.viewWidth : layout.viewHeight;
    const int limit = bar == SB_HORZ ? layout.maxScrollX : layout.maxScrollY;
    const int position = bar == SB_HORZ ? scrollX_ : scrollY_;
    switch (LOWORD(wp)) {
    case SB_LINEUP: ScrollByUser(bar, position - LineStep(page)); break;
    case SB_LINEDOWN: ScrollByUser(bar, position + LineStep(page)); break;
    case SB_PAGEUP: ScrollByUser(bar, position - std::max(1, page)); break;
    case SB_PAGEDOWN: ScrollByUser(bar, position + std::max(1, page)); break;
    case SB_TOP: ScrollByUser(bar, 0); break;
    case SB_BOTTOM: ScrollByUser(bar, limit); break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info = {};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        if (Window() && GetScrollInfo(Window(), bar, &info)) ScrollByUser(bar, info.nTrackPos);
        break;
    }
    default: break; // SB_ENDSCROLL
    }
}

void Vistrel7Control::OnMouseWheel(WPARAM wp) {
    wheelRemainder_ += GET_WHEEL_DELTA_WPARAM(wp);
    const int notches = wheelRemainder_ / WHEEL_DELTA;
    if (notches == 0) return;
    wheelRemainder_ -= notches * WHEEL_DELTA;
    const viewer::ViewLayout layout = CurrentLayout();
    // Wheel forward (positive) moves the view up.
    ScrollByUser(SB_VERT, scrollY_ - notches * kWheelLines * LineStep(layout.viewHeight));
}
