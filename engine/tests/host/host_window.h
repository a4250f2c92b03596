#pragma once
// A visible window for the engine to draw in, as the image control's window
// is for the real engine: its client area shows the whole 800 x 600 image of
// the fake services at its origin. Mouse messages go to the engine the way a
// host forwards them, with the one screen cursor placed on the point first,
// so tests that use it must run alone.
#include <windows.h>

#include "annotation_engine.h"

namespace engine_test {

class HostWindow {
public:
    HostWindow();
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    HWND hwnd() const { return hwnd_; }

    // The message as a host forwards it, with the screen cursor on the point.
    int Send(AnnotationEngine* engine, UINT message, WPARAM keys, int x, int y) const;
    // A press and a release at one point.
    void Click(AnnotationEngine* engine, int x, int y, WPARAM extraKeys = 0) const;
    // Press at (x1, y1), two moves, release at (x2, y2): draws out a shape
    // with a drawing tool, drags with the pointer tool.
    void Drag(AnnotationEngine* engine, int x1, int y1, int x2, int y2,
              WPARAM extraKeys = 0) const;

private:
    HWND hwnd_ = nullptr;
};

} // namespace engine_test
