#pragma once
// A push button.
#include "forms/control.h"

#include <functional>

namespace forms {

class Button : public Component {
public:
    Button(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption = std::string());

    std::function<void()> OnClick;
    // Runs OnClick as a click of the user would, when the button is enabled.
    void Click();

protected:
    Button(Control& parent, const std::string& name);
    bool Command(WORD code, WORD id) override;
};

} // namespace forms
