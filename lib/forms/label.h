#pragma once
// A label: a STATIC text window with its own font colour and size, an opaque
// or transparent background and a click event.
#include "forms/control.h"

#include <functional>

namespace forms {

enum class TextAlign { Left, Centre, Right };

class Label : public Component {
public:
    Label(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption = std::string());
    ~Label() override;

    std::function<void()> OnClick;

    // A transparent label also repaints what lies under the old text.
    void SetCaption(const std::string& caption) override;

    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);
    // The background of an opaque label; by default the parent's.
    void SetColor(COLORREF colour);
    COLORREF FontColor() const { return fontColour_; }
    void SetFontColor(COLORREF colour);
    // Character height in pixels; 0 for the standard font.
    int FontHeight() const { return fontHeight_; }
    void SetFontHeight(int pixels);
    void SetAlignment(TextAlign align);

protected:
    bool Command(WORD code, WORD id) override;
    HBRUSH ControlColour(HDC dc) override;

private:
    void RepaintUnder();

    bool transparent_ = false;
    COLORREF fontColour_ = GetSysColor(COLOR_BTNTEXT);
    int fontHeight_ = 0;
    HFONT font_ = nullptr;
    HBRUSH background_ = nullptr;
};

} // namespace forms
