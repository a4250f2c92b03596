#include "forms/drive_combo_box.h"

#include "forms/directory_list_box.h"

#include <cctype>

namespace forms {

namespace {

char Upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

} // namespace

DriveComboBox::DriveComboBox(Control& parent, const std::string& name, const Rect& bounds)
    : ComboBox(parent, name, bounds, ComboStyle::DropDownList)
{
    char drives[512] = {};
    DWORD length = GetLogicalDriveStringsA(sizeof drives, drives);
    for (const char* d = drives; d < drives + length && *d; d += lstrlenA(d) + 1)
        Add(std::string(1, Upper(d[0])) + ":");
    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    ShowDrive(current);
}

DriveComboBox::~DriveComboBox()
{
    if (folders_ && folders_->drives_ == this)
        folders_->drives_ = nullptr;
}

char DriveComboBox::Drive() const
{
    std::string label = Item(ItemIndex());
    return label.empty() ? 0 : label[0];
}

void DriveComboBox::ShowDrive(const std::string& path)
{
    if (path.size() < 2 || path[1] != ':')
        return;
    for (int i = 0; i < Count(); ++i)
        if (Item(i)[0] == Upper(path[0]))
            SetItemIndex(i);
}

bool DriveComboBox::SetDrive(char letter)
{
    for (int i = 0; i < Count(); ++i) {
        if (Item(i)[0] == Upper(letter)) {
            SetItemIndex(i);
            Follow();
            return true;
        }
    }
    return false;
}

void DriveComboBox::Follow()
{
    char drive = Drive();
    if (!folders_ || !drive)
        return;
    const std::string& shown = folders_->Directory();
    if (!shown.empty() && Upper(shown[0]) == drive)
        return;
    folders_->SetDirectory(std::string(1, drive) + ":\\");
}

void DriveComboBox::SetDirList(DirectoryListBox* folders)
{
    if (folders_ && folders_->drives_ == this)
        folders_->drives_ = nullptr;
    folders_ = folders;
    if (folders_) {
        folders_->drives_ = this;
        if (!folders_->Directory().empty())
            ShowDrive(folders_->Directory());
    }
}

bool DriveComboBox::Command(WORD code, WORD id)
{
    if (code == CBN_SELCHANGE)
        Follow();
    return ComboBox::Command(code, id);
}

} // namespace forms
