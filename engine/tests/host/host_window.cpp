#include "host_window.h"

namespace engine_test {

HostWindow::HostWindow()
{
    // A class of its own: a static control is transparent to the hit test
    // that finds the window under the cursor.
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "layer_test_host";
    RegisterClassA(&windowClass);
    hwnd_ = CreateWindowExA(0, "layer_test_host", "", WS_POPUP | WS_VISIBLE, 0, 0, 800, 600,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

HostWindow::~HostWindow()
{
    DestroyWindow(hwnd_);
}

int HostWindow::Send(AnnotationEngine* engine, UINT message, WPARAM keys, int x, int y) const
{
    POINT screen = {x, y};
    ClientToScreen(hwnd_, &screen);
    SetCursorPos(screen.x, screen.y);
    return engine->MouseMessage(hwnd_, message, keys, MAKELPARAM(x, y));
}

void HostWindow::Click(AnnotationEngine* engine, int x, int y, WPARAM extraKeys) const
{
    Send(engine, WM_LBUTTONDOWN, MK_LBUTTON | extraKeys, x, y);
    Send(engine, WM_LBUTTONUP, extraKeys, x, y);
}

void HostWindow::Drag(AnnotationEngine* engine, int x1, int y1, int x2, int y2,
                      WPARAM extraKeys) const
{
    Send(engine, WM_LBUTTONDOWN, MK_LBUTTON | extraKeys, x1, y1);
    Send(engine, WM_MOUSEMOVE, MK_LBUTTON | extraKeys, (x1 + x2) / 2, (y1 + y2) / 2);
    Send(engine, WM_MOUSEMOVE, MK_LBUTTON | extraKeys, x2, y2);
    Send(engine, WM_LBUTTONUP, extraKeys, x2, y2);
}

} // namespace engine_test
