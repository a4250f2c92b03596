#include "method_creation_form.h"

namespace platform {

TForm9::TForm9() : Form("TForm9")
{
    SetCaption("Create Folivar Method");
    SetClientSize(420, 420);
    SetCentred(true);
}

} // namespace platform
