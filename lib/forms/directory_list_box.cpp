#include "forms/directory_list_box.h"

#include "forms/drive_combo_box.h"
#include "forms/file_list_box.h"
#include "forms/folder_path.h"
#include "forms/list_items.h"

namespace forms {

DirectoryListBox::DirectoryListBox(Control& parent, const std::string& name, const Rect& bounds)
    : Component(parent, name)
{
    CreateStandard("LISTBOX", WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                   0, bounds);
}

DirectoryListBox::~DirectoryListBox()
{
    if (drives_)
        drives_->SetDirList(nullptr);
}

bool DirectoryListBox::SetDirectory(const std::string& folder)
{
    std::string full = FullFolderPath(folder);
    if (full.empty() || !FolderExists(full))
        return false;
    directory_ = full;
    Fill();
    if (files_)
        files_->SetDirectory(directory_);
    if (drives_)
        drives_->ShowDrive(directory_);
    return true;
}

void DirectoryListBox::Fill()
{
    paths_.clear();
    std::vector<std::string> labels;
    // The path's steps: "C:\", "C:\work", "C:\work\main" ...
    size_t rootEnd = directory_.find('\\');
    std::string step = directory_.substr(0, rootEnd == std::string::npos ? directory_.size() : rootEnd + 1);
    paths_.push_back(step);
    labels.push_back(step);
    size_t start = step.size();
    int depth = 1;
    while (start < directory_.size()) {
        size_t end = directory_.find('\\', start);
        if (end == std::string::npos)
            end = directory_.size();
        std::string name = directory_.substr(start, end - start);
        paths_.push_back(directory_.substr(0, end));
        labels.push_back(std::string(static_cast<size_t>(depth) * 2, ' ') + name);
        start = end + 1;
        ++depth;
    }
    int current = static_cast<int>(paths_.size()) - 1;
    for (const std::string& sub : ListFolder(directory_, "*", true)) {
        paths_.push_back(JoinPath(directory_, sub));
        labels.push_back(std::string(static_cast<size_t>(depth) * 2, ' ') + sub);
    }

    ItemList items(Handle(), kListBoxItems);
    SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
    items.Clear();
    for (const std::string& label : labels)
        items.Add(label);
    items.SetCurrent(current);
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
}

void DirectoryListBox::OpenCurrent()
{
    std::string path = EntryPath(ItemIndex());
    if (!path.empty() && path != directory_)
        SetDirectory(path);
}

std::string DirectoryListBox::EntryPath(int index) const
{
    return index >= 0 && static_cast<size_t>(index) < paths_.size() ? paths_[static_cast<size_t>(index)]
                                                                      : std::string();
}

int DirectoryListBox::Count() const
{
    return ItemList(Handle(), kListBoxItems).Count();
}

int DirectoryListBox::ItemIndex() const
{
    return ItemList(Handle(), kListBoxItems).Current();
}

void DirectoryListBox::SetItemIndex(int index)
{
    ItemList(Handle(), kListBoxItems).SetCurrent(index);
}

void DirectoryListBox::SetFileList(FileListBox* files)
{
    files_ = files;
    if (files_ && !directory_.empty())
        files_->SetDirectory(directory_);
}

bool DirectoryListBox::Command(WORD code, WORD)
{
    switch (code) {
    case LBN_SELCHANGE:
        if (OnClick)
            OnClick();
        return true;
    case LBN_DBLCLK:
        OpenCurrent();
        return true;
    }
    return false;
}

} // namespace forms
