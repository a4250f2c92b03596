#pragma once
// The palette's toolbar, window class MRV_Toolbar: the common toolbar with
// the palette's own handling of its creation (flat look, the palette's
// tooltip window) and of right clicks (the button's menu). The window keeps
// its palette in the window bytes it adds to the toolbar's own.
#include <windows.h>

class ToolPalette;

class PaletteToolbar {
public:
    static constexpr const char* kClassName = "MRV_Toolbar";

    static bool RegisterClassOnce(HINSTANCE module);
    static void UnregisterOnce(HINSTANCE module);
    // The toolbar child of frame, for palette.
    static HWND Create(HWND frame, ToolPalette* palette, HINSTANCE module);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static ToolPalette* PaletteOf(HWND window);

    static WNDPROC baseProc_;
    static int paletteOffset_;  // where the palette pointer lies in the window bytes
};
