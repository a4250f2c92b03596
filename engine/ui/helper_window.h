#pragma once
// The engine's hidden popup window ("inkcore7_helper"): the clipboard's owner
// and the window the engine's own dialogs and menus hang on. Its window data
// holds the engine. The class is registered by the first live helper window of
// the process and unregistered with the last one, so that no class outlives
// the library whose window procedure it names.
#include <windows.h>

class HelperWindow {
public:
    static constexpr const char* kClassName = "inkcore7_helper";
    // Posted with a layer handle: the engine deletes that layer when the
    // message arrives, after whatever was running on the layer has returned.
    static constexpr UINT kDeleteLayerMessage = WM_APP + 1;

    // Creates the window; owner (the engine) goes into its window data.
    explicit HelperWindow(void* owner);
    ~HelperWindow();
    HelperWindow(const HelperWindow&) = delete;
    HelperWindow& operator=(const HelperWindow&) = delete;

    HWND Handle() const { return window_; }
    // The module that holds the engine's code and resources.
    static HINSTANCE Module();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool RegisterClassOnce();
    static void UnregisterClassIfLast();

    HWND window_ = nullptr;
    bool counted_ = false;
    static int liveCount_;
};
