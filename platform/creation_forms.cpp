#include "creation_forms.h"

namespace platform {

TForm8::TForm8() : Form("TForm8")
{
    SetCaption("Create Folivar Module");
    SetClientSize(420, 360);
    SetCentred(true);
}

TForm9::TForm9() : Form("TForm9")
{
    SetCaption("Create Folivar Method");
    SetClientSize(420, 420);
    SetCentred(true);
}

} // namespace platform
