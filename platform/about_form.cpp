#include "about_form.h"

namespace platform {

TForm6::TForm6()
    : Form("TForm6"),
      Label1(*this, "Label1", {0, 16, 360, 30}, "Folivar v.1 - scanned document workbench"),
      Label2(*this, "Label2", {0, 70, 360, 20}, "Written by the document imaging team."),
      Label3(*this, "Label3", {0, 92, 360, 20}, "Made with the support of our sponsors."),
      Label4(*this, "Label4", {0, 114, 360, 20}, "Questions and reports: the team's issue tracker."),
      Button1(*this, "Button1", {140, 146, 80, 26}, "OK")
{
    SetCaption("Folivar v.1");
    SetClientSize(360, 184);
    SetCentred(true);
    for (forms::Label* label : {&Label1, &Label2, &Label3, &Label4})
        label->SetAlignment(forms::TextAlign::Centre);
    Label1.SetFontHeight(18);
    Button1.OnClick = [this] { SetModalResult(forms::kModalOk); };
}

} // namespace platform
