#pragma once
// A form: a top-level window of the program built in code, hidden until
// shown, with the components created in it.
#include "forms/control.h"

#include <functional>

namespace forms {

// Results of ShowModal; a program may use any other non-zero value too.
enum : int { kModalNone = 0, kModalOk = 1, kModalCancel = 2 };

class Form : public Control {
public:
    // name is the form's component name, e.g. "TForm1".
    explicit Form(const std::string& name);
    ~Form() override;

    // Fires each time the form is about to become visible.
    std::function<void()> OnShow;
    // Fires when the form is asked to close; clearing allow keeps it open.
    std::function<void(bool& allow)> OnClose;
    // The mouse moved over the form's own background (client coordinates).
    std::function<void(int x, int y)> OnMouseMove;

    void Show();
    void Hide();
    // Disables the program's other windows, shows the form and runs a nested
    // message loop until the form closes or gets a modal result; then enables
    // the other windows again and returns the result (kModalCancel when
    // closed without one).
    int ShowModal();
    // Asks the form to close (OnClose may refuse). A modal form ends its loop;
    // closing the main form ends the application's loop.
    void Close();
    bool Modal() const { return modal_; }
    int ModalResult() const { return modalResult_; }
    // A non-zero result ends ShowModal.
    void SetModalResult(int result) { modalResult_ = result; }

    // Moves the form to the centre of the screen now.
    void Centre();
    // Centres the form each time it is shown.
    void SetCentred(bool centred) { centred_ = centred; }
    void SetMaximised(bool maximised);
    bool Maximised() const;
    // The narrow caption of a tool window, with no minimise/maximise boxes.
    void SetToolWindow(bool tool);
    // With false, the caption carries no system menu and no close box.
    void SetBorderIcons(bool shown);
    void SetClientSize(int width, int height);

    void SetColor(COLORREF colour);
    HBRUSH BackgroundBrush() const override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ChangeStyle(DWORD add, DWORD remove, bool extended);

    bool modal_ = false;
    int modalResult_ = kModalNone;
    bool centred_ = false;
    bool maximised_ = false;
    HBRUSH background_ = nullptr;
};

} // namespace forms
