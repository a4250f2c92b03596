// The edit control inside the "qmk7_editor" frame, subclassed: a click
// outside it closes the editor and goes on to the window under the cursor,
// losing the focus closes the editor, Tab does nothing, and its destruction
// ends the owner's edit.
#include "objects/text_annotation.h"
#include "objects/text_edit_window.h"

LRESULT CALLBACK TextEditWindow::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* editor = reinterpret_cast<TextEditWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!editor) return DefWindowProcW(window, message, wParam, lParam);
    return editor->ControlMessage(window, message, wParam, lParam);
}

bool TextEditWindow::ForwardOutside(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!(wParam & (MK_LBUTTON | MK_RBUTTON | MK_MBUTTON))) return false;
    POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(window, &at);
    HWND under = WindowFromPoint(at);
    if (under == window) return false;
    if (under) ScreenToClient(under, &at);
    if (GetCapture() == window) ReleaseCapture();
    closing_ = true;
    DestroyWindow(frame_);
    // Posted: the window under the cursor may belong to another program.
    if (under) PostMessageW(under, message, wParam, MAKELPARAM(at.x, at.y));
    return true;
}

LRESULT TextEditWindow::ControlMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC base = controlBase_;
    switch (message) {
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
        if (ForwardOutside(window, message, wParam, lParam)) return 0;
        break;
    case WM_KILLFOCUS: {
        const LRESULT result = CallWindowProcW(base, window, message, wParam, lParam);
        if (!closing_ && frame_) {
            closing_ = true;
            DestroyWindow(frame_);
        }
        return result;
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if (wParam == VK_TAB) return 0;
        break;
    case WM_DESTROY: {
        if (GetCapture() == window) ReleaseCapture();
        // The owner reads the text back while the control still holds it.
        TextAnnotation* owner = owner_;
        owner_ = nullptr;
        if (owner) owner->CancelTracking(nullptr);
        break;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        return CallWindowProcW(base, window, message, wParam, lParam);
    default:
        break;
    }
    return CallWindowProcW(base, window, message, wParam, lParam);
}
