#pragma once
// A tool bar of the common controls with image buttons. The bar is aligned
// to the top of its parent; each button has a name, an image and a click handler.
#include "forms/control.h"

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

namespace forms {

class ToolBar : public Component {
public:
    // Images of the buttons are imageWidth x imageHeight pixels.
    ToolBar(Control& parent, const std::string& name, int imageWidth = 16, int imageHeight = 16);
    ~ToolBar() override;

    // Adds a button showing a copy of image (null: no image) and returns its
    // index. Pixels of the image's bottom-left colour are see-through.
    int AddButton(const std::string& name, HBITMAP image, std::function<void()> onClick = {});
    // The same with the image read from a .bmp file (missing: no image).
    int AddButton(const std::string& name, const std::string& imagePath, std::function<void()> onClick = {});

    int ButtonCount() const { return static_cast<int>(buttons_.size()); }
    const std::string& ButtonName(int index) const { return buttons_.at(static_cast<size_t>(index)).name; }
    // The index of the button of that name, or -1.
    int ButtonIndex(const std::string& name) const;
    // The command id the bar sends for the button.
    int ButtonCommand(int index) const { return buttons_.at(static_cast<size_t>(index)).command; }
    void SetButtonEnabled(int index, bool enabled);

    // Fires for every button click with the button's index, after the
    // button's own handler.
    std::function<void(int index)> OnButtonClick;

protected:
    bool Command(WORD code, WORD id) override;

private:
    struct ToolButton {
        std::string name;
        int command;
        std::function<void()> onClick;
    };
    HIMAGELIST images_;
    std::vector<ToolButton> buttons_;
};

} // namespace forms
