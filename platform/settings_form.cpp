#include "settings_form.h"

namespace platform {

TForm3::TForm3()
    : Form("TForm3"), DirectoryListBox1(*this, "DirectoryListBox1", {8, 8, 300, 220})
{
    SetCaption("Settings");
    SetClientSize(316, 236);
    SetCentred(true);
}

} // namespace platform
