#include "ui/caption_close_button.h"

#include <algorithm>

namespace caption_close {

RECT ButtonRect(HWND frame)
{
    RECT window = {};
    GetWindowRect(frame, &window);
    const int width = window.right - window.left;
    const LONG style = GetWindowLongA(frame, GWL_STYLE);
    const LONG exStyle = GetWindowLongA(frame, GWL_EXSTYLE);
    // The caption lies inside the frame's border.
    int borderX = 0, borderY = 0;
    if (style & WS_THICKFRAME) {
        borderX = GetSystemMetrics(SM_CXSIZEFRAME);
        borderY = GetSystemMetrics(SM_CYSIZEFRAME);
    } else if (style & WS_DLGFRAME) {
        borderX = GetSystemMetrics(SM_CXDLGFRAME);
        borderY = GetSystemMetrics(SM_CYDLGFRAME);
    } else if (style & WS_BORDER) {
        borderX = GetSystemMetrics(SM_CXBORDER);
        borderY = GetSystemMetrics(SM_CYBORDER);
    }
    const int caption = GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
    // The caption's face leaves its last line to the line below it.
    const int side = std::max(caption - 1, 0);
    RECT rect;
    rect.right = width - borderX;
    rect.left = rect.right - side;
    rect.top = borderY;
    rect.bottom = rect.top + side;
    return rect;
}

void Draw(HDC dc, const RECT& rect, bool pressed)
{
    RECT face = rect;
    FillRect(dc, &face, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &face, pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    // The cross: two strokes from corner to corner of a square inside the
    // edge, one pixel lower and further right while pressed.
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int side = std::min(width, height);
    const int margin = std::max(3, side / 4);
    // arm + 1 pixels from the first to the last, centred in the square.
    const int arm = side - 1 - 2 * margin;
    if (arm <= 0)
        return;
    const int shift = pressed ? 1 : 0;
    const int left = rect.left + (width - side) / 2 + margin + shift;
    const int top = rect.top + (height - side) / 2 + margin + shift;
    const int thickness = side >= 14 ? 2 : 1;
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNTEXT));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    for (int t = 0; t < thickness; ++t) {
        // Each stroke ends one pixel past its last point, which LineTo leaves out.
        MoveToEx(dc, left + t, top, nullptr);
        LineTo(dc, left + t + arm + 1, top + arm + 1);
        MoveToEx(dc, left + arm - t, top, nullptr);
        LineTo(dc, left - t - 1, top + arm + 1);
    }
    SelectObject(dc, oldPen);
    DeleteObject(pen);
}

void Paint(HWND frame, bool active, bool pressed)
{
    if (!IsWindow(frame) || !(GetWindowLongA(frame, GWL_STYLE) & WS_CAPTION))
        return;
    HDC dc = GetWindowDC(frame);
    if (!dc)
        return;
    const RECT rect = ButtonRect(frame);
    // The caption's colour round the button: its right end, which a
    // caption in two colours runs into.
    BOOL gradient = FALSE;
    SystemParametersInfoA(SPI_GETGRADIENTCAPTIONS, 0, &gradient, 0);
    int colour = active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION;
    if (gradient)
        colour = active ? COLOR_GRADIENTACTIVECAPTION : COLOR_GRADIENTINACTIVECAPTION;
    FillRect(dc, &rect, GetSysColorBrush(colour));
    RECT button = rect;
    InflateRect(&button, -1, -1);
    Draw(dc, button, pressed);
    ReleaseDC(frame, dc);
}

namespace {
bool OverButton(HWND frame, POINT screen)
{
    RECT window = {};
    GetWindowRect(frame, &window);
    const RECT rect = ButtonRect(frame);
    const POINT inWindow = {screen.x - window.left, screen.y - window.top};
    return PtInRect(&rect, inWindow) != FALSE;
}
} // namespace

void Track(HWND frame, bool active)
{
    bool pressed = true;
    Paint(frame, active, pressed);
    SetCapture(frame);
    bool released = false;
    POINT last = {};
    GetCursorPos(&last);
    MSG msg;
    while (!released && GetCapture() == frame) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop that waits for it
            break;
        }
        switch (msg.message) {
        case WM_LBUTTONUP:
        case WM_MOUSEMOVE: {
            POINT point = {static_cast<short>(LOWORD(msg.lParam)),
                           static_cast<short>(HIWORD(msg.lParam))};
            ClientToScreen(msg.hwnd, &point);
            last = point;
            const bool over = OverButton(frame, point);
            if (msg.message == WM_LBUTTONUP)
                released = true;
            else if (over != pressed)
                Paint(frame, active, pressed = over);
            break;
        }
        case WM_KEYDOWN:
            if (msg.wParam == VK_ESCAPE) {
                // Given up: nothing closes.
                released = true;
                last = POINT{-32768, -32768};
            }
            break;
        default:
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            break;
        }
    }
    if (GetCapture() == frame)
        ReleaseCapture();
    if (!IsWindow(frame))
        return;
    Paint(frame, active, false);
    if (released && OverButton(frame, last))
        SendMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, MAKELPARAM(last.x, last.y));
}

} // namespace caption_close
