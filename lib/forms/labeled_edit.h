#pragma once
// A one-line EDIT with a caption label above it. The label moves, hides and
// shows with the edit; it carries the component name "<name>.EditLabel".
#include "forms/control.h"

#include <functional>

namespace forms {

class LabeledEdit : public Component {
public:
    LabeledEdit(Control& parent, const std::string& name, const Rect& bounds,
                const std::string& labelCaption = std::string());
    ~LabeledEdit() override;

    std::string LabelCaption() const;
    void SetLabelCaption(const std::string& caption);
    HWND LabelHandle() const { return label_; }

    // The user changed the text.
    std::function<void()> OnChange;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool Command(WORD code, WORD id) override;

private:
    void PlaceLabel();
    HWND label_ = nullptr;
};

} // namespace forms
