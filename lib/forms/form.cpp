#include "forms/form.h"

#include "forms/application.h"

#include <windowsx.h>

#include <vector>

namespace forms {

namespace {

const char kFormClass[] = "FormsForm";

struct DisabledWindows {
    HWND except;
    std::vector<HWND> windows;
};

BOOL CALLBACK DisableOne(HWND window, LPARAM data)
{
    auto& d = *reinterpret_cast<DisabledWindows*>(data);
    if (window != d.except && IsWindowVisible(window) && IsWindowEnabled(window)) {
        EnableWindow(window, FALSE);
        d.windows.push_back(window);
    }
    return TRUE;
}

} // namespace

Form::Form(const std::string& name) : Control(nullptr, name)
{
    RegisterOwnClass(kFormClass, IDC_ARROW, CS_DBLCLKS);
    // Every form after the main one is owned by it: it stays above the main
    // window, also while it holds the main window disabled as a modal form.
    Form* main = Application::MainForm();
    HWND owner = main && IsWindow(main->Handle()) ? main->Handle() : nullptr;
    CreateOwnWindow(kFormClass, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, {0, 0, 400, 300}, owner, nullptr);
    Application::Register(this);
}

Form::~Form()
{
    Application::Unregister(this);
    if (background_)
        DeleteObject(background_);
}

LRESULT Form::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CLOSE:
        Close();
        return 0;
    case WM_SHOWWINDOW:
        if (wParam && lParam == 0 && OnShow)
            OnShow();
        break;
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, BackgroundBrush());
        return 1;
    }
    case WM_MOUSEMOVE:
        if (OnMouseMove)
            OnMouseMove(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return 0;
    }
    return Control::WindowProc(message, wParam, lParam);
}

void Form::Show()
{
    if (centred_ && !Visible())
        Centre();
    ShowWindow(Handle(), maximised_ ? SW_SHOWMAXIMIZED : SW_SHOW);
    SetForegroundWindow(Handle());
}

void Form::Hide()
{
    ShowWindow(Handle(), SW_HIDE);
}

int Form::ShowModal()
{
    if (modal_)
        return kModalCancel;
    HWND active = GetActiveWindow();
    DisabledWindows others = {Handle(), {}};
    EnumThreadWindows(GetCurrentThreadId(), DisableOne, reinterpret_cast<LPARAM>(&others));

    modal_ = true;
    modalResult_ = kModalNone;
    EnableWindow(Handle(), TRUE);
    Show();
    MSG msg;
    for (;;) {
        if (modalResult_ != kModalNone) {
            bool allow = true;
            try {
                if (OnClose)
                    OnClose(allow);
            } catch (...) {
                // Shown like any handler's; the form closes all the same, so
                // that the other windows do not stay disabled.
                Application::HandleException(std::current_exception());
            }
            if (allow)
                break;
            modalResult_ = kModalNone;
        }
        if (!Handle() || !IsWindowVisible(Handle()) || Application::Terminated()) {
            if (modalResult_ == kModalNone)
                modalResult_ = kModalCancel;
            break;
        }
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            // The application is ending: leave the request for its loop.
            if (got == 0)
                PostQuitMessage(static_cast<int>(msg.wParam));
            if (modalResult_ == kModalNone)
                modalResult_ = kModalCancel;
            break;
        }
        Application::Dispatch(msg);
    }
    modal_ = false;
    // Enable the others before hiding, so that activation goes back to them.
    for (HWND window : others.windows)
        if (IsWindow(window))
            EnableWindow(window, TRUE);
    if (Handle())
        Hide();
    if (active && IsWindow(active) && active != Handle())
        SetActiveWindow(active);
    return modalResult_;
}

void Form::Close()
{
    if (modal_) {
        // The modal loop asks OnClose before it ends.
        if (modalResult_ == kModalNone)
            modalResult_ = kModalCancel;
        PostMessageA(Handle(), WM_NULL, 0, 0);   // wake the loop
        return;
    }
    bool allow = true;
    if (OnClose)
        OnClose(allow);
    if (!allow)
        return;
    Hide();
    if (Application::MainForm() == this)
        Application::Terminate();
}

void Form::Centre()
{
    Rect b = Bounds();
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    SetWindowPos(Handle(), nullptr, (screenWidth - b.width) / 2, (screenHeight - b.height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetMaximised(bool maximised)
{
    maximised_ = maximised;
    if (Visible())
        ShowWindow(Handle(), maximised ? SW_SHOWMAXIMIZED : SW_RESTORE);
}

bool Form::Maximised() const
{
    return Visible() ? IsZoomed(Handle()) != FALSE : maximised_;
}

void Form::ChangeStyle(DWORD add, DWORD remove, bool extended)
{
    // The client area keeps its size; the frame around it changes.
    int width = ClientWidth();
    int height = ClientHeight();
    int which = extended ? GWL_EXSTYLE : GWL_STYLE;
    DWORD style = static_cast<DWORD>(GetWindowLongA(Handle(), which));
    SetWindowLongA(Handle(), which, static_cast<LONG>((style & ~remove) | add));
    SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (!IsZoomed(Handle()))
        SetClientSize(width, height);
}

void Form::SetToolWindow(bool tool)
{
    if (tool) {
        ChangeStyle(0, WS_MINIMIZEBOX | WS_MAXIMIZEBOX, false);
        ChangeStyle(WS_EX_TOOLWINDOW, 0, true);
    } else {
        ChangeStyle(WS_MINIMIZEBOX | WS_MAXIMIZEBOX, 0, false);
        ChangeStyle(0, WS_EX_TOOLWINDOW, true);
    }
}

void Form::SetBorderIcons(bool shown)
{
    ChangeStyle(shown ? WS_SYSMENU : 0, shown ? 0 : WS_SYSMENU, false);
}

void Form::SetClientSize(int width, int height)
{
    RECT r = {0, 0, width, height};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongA(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(Handle(), GWL_EXSTYLE)));
    SetWindowPos(Handle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form::SetColor(COLORREF colour)
{
    if (background_)
        DeleteObject(background_);
    background_ = CreateSolidBrush(colour);
    InvalidateRect(Handle(), nullptr, TRUE);
}

HBRUSH Form::BackgroundBrush() const
{
    return background_ ? background_ : GetSysColorBrush(COLOR_BTNFACE);
}

} // namespace forms
