#include "ui/helper_window.h"

#include "annotation_engine.h"

int HelperWindow::liveCount_ = 0;

HINSTANCE HelperWindow::Module()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&HelperWindow::WindowProc), &module);
    return module;
}

HelperWindow::HelperWindow(void* owner)
{
    if (!RegisterClassOnce())
        return;
    ++liveCount_;
    counted_ = true;
    window_ = CreateWindowExA(0, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, Module(),
                              nullptr);
    if (window_)
        SetWindowLongPtrA(window_, 0, reinterpret_cast<LONG_PTR>(owner));
}

HelperWindow::~HelperWindow()
{
    if (window_ && IsWindow(window_))
        DestroyWindow(window_);
    if (counted_) {
        --liveCount_;
        UnregisterClassIfLast();
    }
}

bool HelperWindow::RegisterClassOnce()
{
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExA(Module(), kClassName, &existing)) {
        if (existing.lpfnWndProc == &HelperWindow::WindowProc)
            return true;
        // Left behind by an earlier copy of the library: its procedure is gone.
        UnregisterClassA(kClassName, Module());
    }
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    wc.lpfnWndProc = &HelperWindow::WindowProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = Module();
    wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kClassName;
    return RegisterClassExA(&wc) != 0;
}

void HelperWindow::UnregisterClassIfLast()
{
    if (liveCount_ == 0)
        UnregisterClassA(kClassName, Module());
}

LRESULT CALLBACK HelperWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        return 0;
    case kDeleteLayerMessage:
        if (auto engine = reinterpret_cast<AnnotationEngine*>(GetWindowLongPtrA(window, 0)))
            engine->DeleteLayer(static_cast<int>(wParam));
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
