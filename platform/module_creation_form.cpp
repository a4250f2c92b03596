#include "module_creation_form.h"

namespace platform {

TForm8::TForm8() : Form("TForm8")
{
    SetCaption("Create Folivar Module");
    SetClientSize(420, 360);
    SetCentred(true);
}

} // namespace platform
