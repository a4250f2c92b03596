#pragma once
// A check box with its caption.
#include "forms/control.h"

#include <functional>

namespace forms {

class CheckBox : public Component {
public:
    CheckBox(Control& parent, const std::string& name, const Rect& bounds, const std::string& caption = std::string());

    bool Checked() const;
    void SetChecked(bool checked);
    // The user changed the check mark.
    std::function<void()> OnClick;

protected:
    bool Command(WORD code, WORD id) override;
};

} // namespace forms
