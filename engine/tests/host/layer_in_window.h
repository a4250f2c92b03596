#pragma once
// The fixture of the tests that drive the engine with the mouse: the engine
// as the control loads it, a visible host window it draws in, and one layer.
// Mouse messages move the one screen cursor: tests built on it run alone.
#include <gtest/gtest.h>

#include <vector>

#include "engine_test_host.h"
#include "host_window.h"
#include "layer_reading.h"

namespace engine_test {

class LayerInWindow : public ::testing::Test {
protected:
    LayerInWindow() : host(library)
    {
        host->SetHostWindow(window.hwnd());
        layer = host->CreateLayer(1);
    }

    std::vector<int> Order() { return ItemOrder(host.Engine(), layer); }
    std::vector<int> Selection() { return SelectedItems(host.Engine(), layer); }
    RECT ItemRect(int seq) { return ItemRectOf(host.Engine(), layer, seq); }
    int Count() { return ItemCountOf(host.Engine(), layer); }

    // The left button's messages as a host forwards them.
    int Press(int x, int y, WPARAM extraKeys = 0)
    {
        return window.Send(host.Engine(), WM_LBUTTONDOWN, MK_LBUTTON | extraKeys, x, y);
    }
    int MoveTo(int x, int y, WPARAM keys = MK_LBUTTON)
    {
        return window.Send(host.Engine(), WM_MOUSEMOVE, keys, x, y);
    }
    int Release(int x, int y, WPARAM keys = 0)
    {
        return window.Send(host.Engine(), WM_LBUTTONUP, keys, x, y);
    }

    EngineLibrary library;
    TestHost host;
    HostWindow window;
    int layer = 0;
};

} // namespace engine_test
