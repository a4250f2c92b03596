#pragma once
// A push button that shows a picture (its glyph) to the left of its caption.
#include "forms/button.h"

namespace forms {

class BitBtn : public Button {
public:
    BitBtn(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption = std::string());
    ~BitBtn() override;

    // The glyph from a .bmp file; a missing file leaves the button without one.
    bool LoadGlyph(const std::string& path);
    // Takes a copy of the bitmap; null removes the glyph.
    void SetGlyph(HBITMAP glyph);
    bool HasGlyph() const { return glyph_ != nullptr; }

protected:
    bool DrawItem(const DRAWITEMSTRUCT& item) override;

private:
    void Replace(HBITMAP glyph);
    HBITMAP glyph_ = nullptr;
};

} // namespace forms
