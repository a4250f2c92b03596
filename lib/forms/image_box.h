#pragma once
// An image box: a STATIC window showing a bitmap at its top-left corner,
// with click, mouse-move and popup-menu events. Its size stays the one given.
#include "forms/control.h"

#include <functional>

namespace forms {

class ImageBox : public Component {
public:
    ImageBox(Control& parent, const std::string& name, const Rect& bounds);
    ~ImageBox() override;

    // Shows the picture of a .bmp file. A missing or unreadable file leaves
    // the box blank and returns false; it never throws.
    bool LoadFromFile(const std::string& path);
    void Clear();
    // Shows a picture the program made; the box owns it from now on.
    void SetPicture(HBITMAP picture) { Replace(picture); }
    bool HasPicture() const { return picture_ != nullptr; }
    HBITMAP Picture() const { return picture_; }

    std::function<void()> OnClick;
    std::function<void(int x, int y)> OnMouseMove;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool Command(WORD code, WORD id) override;

private:
    void Replace(HBITMAP picture);
    HBITMAP picture_ = nullptr;
};

} // namespace forms
