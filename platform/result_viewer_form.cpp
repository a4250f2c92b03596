#include "result_viewer_form.h"

namespace platform {

TForm4::TForm4()
    : Form("TForm4"),
      Vistrel7_1(*this, "Vistrel7_1", {0, 0, 400, 500}),
      Vistrel7_2(*this, "Vistrel7_2", {400, 0, 400, 500})
{
    SetCaption("View Results");
    SetMaximised(true);
    Vistrel7_1.SetAlign(forms::Align::Left);
    Vistrel7_2.SetAlign(forms::Align::Client);
}

} // namespace platform
