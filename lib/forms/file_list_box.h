#pragma once
// A file list box: the files of one folder that match a mask, sorted by name
// ignoring letter case, in a LISTBOX that may select several at once.
#include "forms/control.h"

#include <functional>

namespace forms {

class FileListBox : public Component {
public:
    FileListBox(Control& parent, const std::string& name, const Rect& bounds, bool multiSelect = true);

    // The listed folder (full path); empty until set.
    const std::string& Directory() const { return directory_; }
    // Lists another folder; a missing folder is refused (false) and the list
    // stays as it was.
    bool SetDirectory(const std::string& folder);
    // One pattern ("*.tif") or several separated by ';' ("*.tif;*.bmp").
    const std::string& Mask() const { return mask_; }
    void SetMask(const std::string& mask);
    // Reads the folder again; the selection is cleared.
    void Update();

    bool MultiSelect() const { return multiSelect_; }
    int Count() const;
    std::string Item(int index) const;
    bool Selected(int index) const;
    void SetSelected(int index, bool selected);
    int SelCount() const;
    void ClearSelection();
    // The item with the focus (the one last clicked), or -1.
    int ItemIndex() const;
    void SetItemIndex(int index);
    // The full path of the focused item, or empty.
    std::string FileName() const;

    // The user clicked (changed the selection).
    std::function<void()> OnClick;

protected:
    bool Command(WORD code, WORD id) override;

private:
    bool multiSelect_;
    bool focusSet_ = false;
    std::string directory_;
    std::string mask_ = "*.*";
};

} // namespace forms
