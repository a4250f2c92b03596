#pragma once
// TForm3: the settings window — deleting the cached step results, the folder
// the final results are saved into, and the module and method creation windows.
#include "forms/button.h"
#include "forms/directory_list_box.h"
#include "forms/drive_combo_box.h"
#include "forms/form.h"
#include "forms/group_box.h"

#include <string>
#include <vector>

namespace platform {

class TForm3 : public forms::Form {
public:
    TForm3();

    forms::Button Button1;                       // delete the cached results
    forms::GroupBox GroupBox1;                   // "Save Directory"
    forms::DriveComboBox DriveComboBox1;
    forms::DirectoryListBox DirectoryListBox1;   // the results folder
    forms::Button Button2;                       // "Create Module"
    forms::Button Button3;                       // "Create Method"

    void FormShow();
    void Button1Click();
    void DirectoryListBox1Click();
    void Button2Click();
    void Button3Click();

private:
    std::string TempFolder() const;   // with its trailing backslash
};

} // namespace platform
