#pragma once
// A shape: a small filled rectangle with an outline, drawn by itself.
#include "forms/control.h"

namespace forms {

class Shape : public Component {
public:
    Shape(Control& parent, const std::string& name, const Rect& bounds);

    COLORREF BrushColor() const { return brush_; }
    void SetBrushColor(COLORREF colour);
    COLORREF PenColor() const { return pen_; }
    void SetPenColor(COLORREF colour);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint(HDC dc);
    COLORREF brush_ = RGB(255, 255, 255);
    COLORREF pen_ = RGB(0, 0, 0);
};

} // namespace forms
