#include "forms/file_list_box.h"

#include "forms/folder_path.h"
#include "forms/list_items.h"

#include <algorithm>
#include <vector>

namespace forms {

FileListBox::FileListBox(Control& parent, const std::string& name, const Rect& bounds, bool multiSelect)
    : Component(parent, name), multiSelect_(multiSelect)
{
    CreateStandard("LISTBOX",
                   WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                       (multiSelect ? LBS_EXTENDEDSEL : 0),
                   0, bounds);
}

bool FileListBox::SetDirectory(const std::string& folder)
{
    std::string full = FullFolderPath(folder);
    if (full.empty() || !FolderExists(full))
        return false;
    directory_ = full;
    Update();
    return true;
}

void FileListBox::SetMask(const std::string& mask)
{
    mask_ = mask.empty() ? "*.*" : mask;
    Update();
}

void FileListBox::Update()
{
    std::vector<std::string> names;
    if (!directory_.empty()) {
        size_t start = 0;
        while (start <= mask_.size()) {
            size_t end = mask_.find(';', start);
            if (end == std::string::npos)
                end = mask_.size();
            std::string pattern = mask_.substr(start, end - start);
            if (!pattern.empty())
                for (std::string& n : ListFolder(directory_, pattern, false))
                    names.push_back(std::move(n));
            start = end + 1;
        }
    }
    auto less = [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; };
    auto same = [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; };
    std::sort(names.begin(), names.end(), less);
    names.erase(std::unique(names.begin(), names.end(), same), names.end());

    ItemList items(Handle(), kListBoxItems);
    SendMessageA(Handle(), WM_SETREDRAW, FALSE, 0);
    items.Clear();
    for (const std::string& n : names)
        items.Add(n);
    SendMessageA(Handle(), WM_SETREDRAW, TRUE, 0);
    InvalidateRect(Handle(), nullptr, TRUE);
    focusSet_ = false;
}

int FileListBox::Count() const
{
    return ItemList(Handle(), kListBoxItems).Count();
}

std::string FileListBox::Item(int index) const
{
    return ItemList(Handle(), kListBoxItems).Item(index);
}

bool FileListBox::Selected(int index) const
{
    return SendMessageA(Handle(), LB_GETSEL, static_cast<WPARAM>(index), 0) > 0;
}

void FileListBox::SetSelected(int index, bool selected)
{
    if (multiSelect_)
        SendMessageA(Handle(), LB_SETSEL, selected, index);
    else
        SendMessageA(Handle(), LB_SETCURSEL, selected ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1), 0);
}

int FileListBox::SelCount() const
{
    if (!multiSelect_)
        return SendMessageA(Handle(), LB_GETCURSEL, 0, 0) >= 0 ? 1 : 0;
    LRESULT count = SendMessageA(Handle(), LB_GETSELCOUNT, 0, 0);
    return count < 0 ? 0 : static_cast<int>(count);
}

void FileListBox::ClearSelection()
{
    if (multiSelect_)
        SendMessageA(Handle(), LB_SETSEL, FALSE, -1);
    else
        SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

int FileListBox::ItemIndex() const
{
    if (Count() == 0)
        return -1;
    if (!multiSelect_)
        return ItemList(Handle(), kListBoxItems).Current();
    // A fresh list has its caret on the first item without anyone having
    // chosen it: no focused item until a click, a selection or SetItemIndex.
    if (!focusSet_ && SelCount() == 0)
        return -1;
    LRESULT caret = SendMessageA(Handle(), LB_GETCARETINDEX, 0, 0);
    return caret < 0 ? -1 : static_cast<int>(caret);
}

void FileListBox::SetItemIndex(int index)
{
    if (multiSelect_)
        SendMessageA(Handle(), LB_SETCARETINDEX, static_cast<WPARAM>(index), FALSE);
    else
        SendMessageA(Handle(), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
    focusSet_ = index >= 0;
}

std::string FileListBox::FileName() const
{
    int index = ItemIndex();
    return index < 0 ? std::string() : JoinPath(directory_, Item(index));
}

bool FileListBox::Command(WORD code, WORD)
{
    if (code != LBN_SELCHANGE)
        return false;
    focusSet_ = true;
    if (OnClick)
        OnClick();
    return true;
}

} // namespace forms
