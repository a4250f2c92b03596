#pragma once
// A panel: a plain child window that holds other components, with a
// background colour and an optional raised edge.
#include "forms/control.h"

namespace forms {

class Panel : public Component {
public:
    Panel(Control& parent, const std::string& name, const Rect& bounds);
    ~Panel() override;

    void SetColor(COLORREF colour);
    void SetBevel(bool raised);
    HBRUSH BackgroundBrush() const override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    HBRUSH background_ = nullptr;
    bool bevel_ = true;
};

} // namespace forms
