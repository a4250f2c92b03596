// The settings program of the threshold method ("<method>_s.exe"): a small
// window that asks for the threshold and stores it beside the method.
// Exit code 0 when a value was saved, 1 when cancelled.
#include "method_io.h"
#include "threshold_settings.h"

#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

constexpr int kValueEdit = 101;
constexpr int kMessageLabel = 102;
constexpr char kClassName[] = "ThresholdSettingsWindow";

class SettingsWindow {
public:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_NCCREATE)
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(
                                  reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
        auto* self = reinterpret_cast<SettingsWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!self)
            return DefWindowProcA(hwnd, msg, wp, lp);
        switch (msg) {
        case WM_CREATE:  self->OnCreate(hwnd); return 0;
        case WM_COMMAND: self->OnCommand(LOWORD(wp)); return 0;
        case WM_CLOSE:   DestroyWindow(hwnd); return 0;
        case WM_DESTROY: PostQuitMessage(self->saved_ ? 0 : 1); return 0;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }

private:
    void OnCreate(HWND hwnd)
    {
        hwnd_ = hwnd;
        HINSTANCE inst = GetModuleHandleA(nullptr);
        HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        auto child = [&](const char* cls, const char* text, DWORD style, int x, int y, int w,
                         int h, int id) {
            HWND c = CreateWindowA(cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), inst, nullptr);
            SendMessageA(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        };
        std::string current =
            std::to_string(methods::ReadThreshold(methods::CompanionPath(".set")));
        child("STATIC", "Threshold (0 to 255):", 0, 12, 14, 130, 20, -1);
        child("EDIT", current.c_str(), WS_BORDER | WS_TABSTOP | ES_NUMBER, 146, 12, 60, 22,
              kValueEdit);
        child("STATIC", "", 0, 12, 42, 220, 20, kMessageLabel);
        child("BUTTON", "OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 60, 68, 70, 26, IDOK);
        child("BUTTON", "Cancel", WS_TABSTOP, 140, 68, 70, 26, IDCANCEL);
    }

    void OnCommand(int id)
    {
        if (id == IDCANCEL) {
            DestroyWindow(hwnd_);
        } else if (id == IDOK) {
            char text[16] = {};
            GetDlgItemTextA(hwnd_, kValueEdit, text, sizeof text);
            char* end = nullptr;
            long value = std::strtol(text, &end, 10);
            if (end == text || *end != 0 || value < 0 || value > 255) {
                SetDlgItemTextA(hwnd_, kMessageLabel, "Enter a whole number from 0 to 255.");
                return;
            }
            if (!methods::WriteThreshold(methods::CompanionPath(".set"), static_cast<int>(value))) {
                SetDlgItemTextA(hwnd_, kMessageLabel, "The settings could not be saved.");
                return;
            }
            saved_ = true;
            DestroyWindow(hwnd_);
        }
    }

    HWND hwnd_ = nullptr;
    bool saved_ = false;
};

} // namespace

int WINAPI WinMain(HINSTANCE inst, HINSTANCE, LPSTR, int show)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = SettingsWindow::Proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);

    SettingsWindow window;
    RECT r = {0, 0, 250, 106};
    DWORD style = WS_CAPTION | WS_SYSMENU | WS_POPUP;
    AdjustWindowRect(&r, style, FALSE);
    int w = r.right - r.left, h = r.bottom - r.top;
    HWND hwnd = CreateWindowA(kClassName, "Threshold Settings", style,
                              (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                              (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, nullptr, nullptr,
                              inst, &window);
    if (!hwnd)
        return 1;
    ShowWindow(hwnd, show == SW_HIDE ? SW_SHOWNORMAL : show);
    MSG msg;
    int result = 1;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(hwnd, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    result = static_cast<int>(msg.wParam);
    return result;
}
