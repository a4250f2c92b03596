#include "page_pair_viewer_form.h"

namespace platform {

TForm5::TForm5()
    : Form("TForm5"),
      Vistrel7_1(*this, "Vistrel7_1", {0, 0, 400, 500}),
      Vistrel7_2(*this, "Vistrel7_2", {400, 0, 200, 500}),
      Vistrel7_3(*this, "Vistrel7_3", {600, 0, 200, 500})
{
    SetCaption("View Results");
    SetMaximised(true);
    Vistrel7_1.SetAlign(forms::Align::Left);
    Vistrel7_2.SetAlign(forms::Align::Left);
    Vistrel7_3.SetAlign(forms::Align::Client);
}

} // namespace platform
