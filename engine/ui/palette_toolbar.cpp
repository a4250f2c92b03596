#include "ui/palette_toolbar.h"

#include <commctrl.h>

#include "ui/tool_palette.h"

WNDPROC PaletteToolbar::baseProc_ = nullptr;
int PaletteToolbar::paletteOffset_ = 0;

bool PaletteToolbar::RegisterClassOnce(HINSTANCE module)
{
    WNDCLASSEXA existing = {};
    existing.cbSize = sizeof(existing);
    if (GetClassInfoExA(module, kClassName, &existing)) {
        if (existing.lpfnWndProc == &PaletteToolbar::WindowProc)
            return true;
        // Left behind by an earlier copy of the library: its procedure is gone.
        ::UnregisterClassA(kClassName, module);
    }
    WNDCLASSEXA base = {};
    base.cbSize = sizeof(base);
    if (!GetClassInfoExA(nullptr, TOOLBARCLASSNAMEA, &base))
        return false;
    baseProc_ = base.lpfnWndProc;
    paletteOffset_ = base.cbWndExtra;
    WNDCLASSEXA wc = base;
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &PaletteToolbar::WindowProc;
    wc.cbWndExtra = base.cbWndExtra + static_cast<int>(sizeof(LONG_PTR));
    wc.hInstance = module;
    wc.lpszClassName = kClassName;
    wc.lpszMenuName = nullptr;
    return RegisterClassExA(&wc) != 0;
}

void PaletteToolbar::UnregisterOnce(HINSTANCE module)
{
    ::UnregisterClassA(kClassName, module);
}

HWND PaletteToolbar::Create(HWND frame, ToolPalette* palette, HINSTANCE module)
{
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN |
                        TBSTYLE_WRAPABLE | TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NOPARENTALIGN;
    return CreateWindowExA(0, kClassName, "", style, 0, 0, 0, 0, frame, nullptr, module, palette);
}

ToolPalette* PaletteToolbar::PaletteOf(HWND window)
{
    return reinterpret_cast<ToolPalette*>(GetWindowLongPtrA(window, paletteOffset_));
}

LRESULT CALLBACK PaletteToolbar::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: {
        auto create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, paletteOffset_,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        break;
    }
    case WM_CREATE: {
        LRESULT result = CallWindowProcA(baseProc_, window, message, wParam, lParam);
        if (result == -1)
            return result;
        SetWindowLongPtrA(window, GWL_STYLE, GetWindowLongPtrA(window, GWL_STYLE) | TBSTYLE_FLAT);
        if (ToolPalette* palette = PaletteOf(window)) {
            palette->tooltips_ = CreateWindowExA(
                WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window, nullptr,
                reinterpret_cast<CREATESTRUCTA*>(lParam)->hInstance, nullptr);
            if (palette->tooltips_)
                CallWindowProcA(baseProc_, window, TB_SETTOOLTIPS,
                                reinterpret_cast<WPARAM>(palette->tooltips_), 0);
        }
        return result;
    }
    case WM_CONTEXTMENU:
        if (ToolPalette* palette = PaletteOf(window))
            if (palette->OnContextMenu(static_cast<short>(LOWORD(lParam)),
                                       static_cast<short>(HIWORD(lParam))))
                return 0;
        break;
    default:
        break;
    }
    return CallWindowProcA(baseProc_, window, message, wParam, lParam);
}
