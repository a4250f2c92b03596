#include "forms/drive_combo_box.h"

#include "forms/directory_list_box.h"
#include "forms/list_items.h"

#include <cctype>

namespace forms {

namespace {

char Upper(char c)
{
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

} // namespace

DriveComboBox::DriveComboBox(Control& parent, const std::string& name, const Rect& bounds) : Component(parent, name)
{
    Rect b = bounds;
    if (b.height < 150)
        b.height = 150;   // room for the open list
    CreateStandard("COMBOBOX", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, b);
    char drives[512] = {};
    DWORD length = GetLogicalDriveStringsA(sizeof drives, drives);
    ItemList items(Handle(), kComboBoxItems);
    for (const char* d = drives; d < drives + length && *d; d += lstrlenA(d) + 1) {
        std::string label(1, Upper(d[0]));
        label += ":";
        items.Add(label);
    }
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
    ItemList items(Handle(), kComboBoxItems);
    std::string label = items.Item(items.Current());
    return label.empty() ? 0 : label[0];
}

int DriveComboBox::Count() const
{
    return ItemList(Handle(), kComboBoxItems).Count();
}

void DriveComboBox::ShowDrive(const std::string& path)
{
    if (path.size() < 2 || path[1] != ':')
        return;
    ItemList items(Handle(), kComboBoxItems);
    for (int i = 0; i < items.Count(); ++i)
        if (items.Item(i)[0] == Upper(path[0]))
            items.SetCurrent(i);
}

bool DriveComboBox::SetDrive(char letter)
{
    std::string root = std::string(1, Upper(letter)) + ":\\";
    ItemList items(Handle(), kComboBoxItems);
    for (int i = 0; i < items.Count(); ++i) {
        if (items.Item(i)[0] == root[0]) {
            items.SetCurrent(i);
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

bool DriveComboBox::Command(WORD code, WORD)
{
    if (code != CBN_SELCHANGE)
        return false;
    Follow();
    if (OnClick)
        OnClick();
    return true;
}

} // namespace forms
