#pragma once
// A splitter: a thin bar, aligned left, that the user drags to change the
// width of the left-aligned component just before it.
#include "forms/control.h"

#include <functional>

namespace forms {

class Splitter : public Component {
public:
    // The bar takes the given width and is aligned left.
    Splitter(Control& parent, const std::string& name, int width = 3);

    // The neighbour keeps at least this width.
    void SetMinSize(int pixels) { minSize_ = pixels; }
    // The component the bar resizes: the left-aligned one whose right edge
    // touches the bar, or null.
    Control* Neighbour() const;

    // Fires after a drag changed the neighbour's width.
    std::function<void()> OnMoved;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    Control* dragged_ = nullptr;
    int grabX_ = 0;
    int startWidth_ = 0;
    int minSize_ = 30;
};

} // namespace forms
