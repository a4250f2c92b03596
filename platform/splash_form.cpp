#include "splash_form.h"

namespace platform {

TForm2::TForm2()
    : Form("TForm2"),
      Label1(*this, "Label1", {0, 14, 264, 30}, "Initializing..."),
      Label2(*this, "Label2", {0, 79, 264, 22})
{
    SetCaption("Folivar v.1");
    SetToolWindow(true);
    SetBorderIcons(false);
    SetClientSize(264, 105);
    SetColor(RGB(0, 255, 255));
    SetCentred(true);
    Label1.SetTransparent(true);
    Label1.SetAlignment(forms::TextAlign::Centre);
    Label1.SetFontColor(RGB(0, 0, 255));
    Label1.SetFontHeight(24);
    Label2.SetTransparent(true);
    Label2.SetAlignment(forms::TextAlign::Centre);
    Label2.SetFontColor(RGB(0, 0, 0));
    Label2.SetFontHeight(16);
}

} // namespace platform
