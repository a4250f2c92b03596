#pragma once
// TForm3: the settings window. Its folder list holds the results folder.
#include "forms/directory_list_box.h"
#include "forms/form.h"

namespace platform {

class TForm3 : public forms::Form {
public:
    TForm3();
    forms::DirectoryListBox DirectoryListBox1;   // the results folder
};

} // namespace platform
