#pragma once
// A folder list: the steps of the current folder's path from its drive's
// root, then its subfolders, in a LISTBOX. Opening an entry makes it the
// current folder of the list (never of the process) and shows it in the
// bound file list.
#include "forms/control.h"

#include <functional>
#include <vector>

namespace forms {

class DriveComboBox;
class FileListBox;

class DirectoryListBox : public Component {
public:
    DirectoryListBox(Control& parent, const std::string& name, const Rect& bounds);
    ~DirectoryListBox() override;

    // The list's current folder (full path); empty until set.
    const std::string& Directory() const { return directory_; }
    // Opens another folder; a missing folder is refused (false).
    bool SetDirectory(const std::string& folder);
    // Opens the selected entry.
    void OpenCurrent();
    // The full path of entry index, or empty.
    std::string EntryPath(int index) const;
    int Count() const;
    int ItemIndex() const;
    void SetItemIndex(int index);

    // The file list that follows the current folder (null for none).
    void SetFileList(FileListBox* files);

    // The user selected an entry; a double click opens it.
    std::function<void()> OnClick;

protected:
    bool Command(WORD code, WORD id) override;

private:
    friend class DriveComboBox;
    void Fill();

    std::string directory_;
    std::vector<std::string> paths_;
    FileListBox* files_ = nullptr;
    DriveComboBox* drives_ = nullptr;
};

} // namespace forms
