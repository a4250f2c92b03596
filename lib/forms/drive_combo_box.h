#pragma once
// A drive box: the drives of the machine in a drop-down list. Choosing one
// opens its root in the bound folder list, unless that list already shows a
// folder of the drive.
#include "forms/combo_box.h"

namespace forms {

class DirectoryListBox;

class DriveComboBox : public ComboBox {
public:
    DriveComboBox(Control& parent, const std::string& name, const Rect& bounds);
    ~DriveComboBox() override;

    // The chosen drive's letter (upper case), or 0.
    char Drive() const;
    // Chooses a drive and opens it in the bound folder list; false when the
    // machine has no such drive.
    bool SetDrive(char letter);

    void SetDirList(DirectoryListBox* folders);

    // OnChange fires when the user chose a drive, after the folder list
    // followed.

protected:
    bool Command(WORD code, WORD id) override;

private:
    friend class DirectoryListBox;
    // Shows the drive of path without touching the folder list.
    void ShowDrive(const std::string& path);
    void Follow();

    DirectoryListBox* folders_ = nullptr;
};

} // namespace forms
