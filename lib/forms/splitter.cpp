#include "forms/splitter.h"

#include <windowsx.h>

#include <algorithm>

namespace forms {

namespace {
const char kSplitterClass[] = "FormsSplitter";
}

Splitter::Splitter(Control& parent, const std::string& name, int width) : Component(parent, name)
{
    RegisterOwnClass(kSplitterClass, IDC_SIZEWE, 0);
    CreateOwn(kSplitterClass, WS_VISIBLE, 0, {0, 0, width, parent.ClientHeight()});
    SetAlign(Align::Left);
}

Control* Splitter::Neighbour() const
{
    int left = Left();
    for (Component* sibling : Parent()->Children())
        if (sibling != this && sibling->Alignment() == Align::Left && sibling->Visible() &&
            sibling->Left() + sibling->Width() == left)
            return sibling;
    return nullptr;
}

LRESULT Splitter::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND: {
        RECT r;
        GetClientRect(Handle(), &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, Parent()->BackgroundBrush());
        return 1;
    }
    case WM_LBUTTONDOWN:
        dragged_ = Neighbour();
        if (dragged_) {
            grabX_ = Left() + GET_X_LPARAM(lParam);   // in the parent's coordinates
            startWidth_ = dragged_->Width();
            SetCapture(Handle());
        }
        return 0;
    case WM_MOUSEMOVE:
        if (dragged_ && GetCapture() == Handle()) {
            int room = Parent()->ClientWidth() - dragged_->Left() - Width();
            int x = Left() + GET_X_LPARAM(lParam);
            int width = std::max(minSize_, std::min(startWidth_ + x - grabX_, room));
            if (width != dragged_->Width())
                dragged_->SetWidth(width);
        }
        return 0;
    case WM_LBUTTONUP:
        if (dragged_) {
            bool moved = dragged_->Width() != startWidth_;
            dragged_ = nullptr;
            ReleaseCapture();
            if (moved && OnMoved)
                OnMoved();
        }
        return 0;
    case WM_CAPTURECHANGED:
        dragged_ = nullptr;
        break;
    }
    return Component::WindowProc(message, wParam, lParam);
}

} // namespace forms
