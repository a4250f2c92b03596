#pragma once
// TForm8: "Create Folivar Module", opened from the settings window. It writes
// a new module file beside the program and gives it its place in the palette
// by rewriting the other module files with their positions moved up. The new
// module appears at the next start of the program.
#include "forms/button.h"
#include "forms/check_box.h"
#include "forms/combo_box.h"
#include "forms/file_list_box.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/labeled_edit.h"
#include "forms/list_box.h"
#include "forms/memo.h"
#include "module_positions.h"

#include <string>
#include <vector>

namespace platform {

class TForm8 : public forms::Form {
public:
    TForm8();

    forms::Label Label3;                 // the title
    forms::LabeledEdit ProcFileName;     // module file name without extension
    forms::LabeledEdit LabeledEdit1;     // caption line 1
    forms::LabeledEdit LabeledEdit2;     // caption line 2
    forms::Label Label1;
    forms::Memo Memo1;                   // description
    forms::Label Label2;
    forms::ComboBox ComboBox1;           // tile colour
    forms::CheckBox CheckBox1;           // page split
    forms::Label Label4;
    forms::ListBox ListBox1;             // the place: before the selected row
    forms::Button Button1;               // "Create Module"
    forms::FileListBox FileListBox1;     // hidden: the module files beside the program

    void FormShow();
    void Button1Click();

private:
    // Writes one module file into the program folder; false when it could
    // not be written whole.
    bool WriteModuleFile(const std::string& fileName, const ModuleRecord& record) const;
    std::string ColourCode() const;
    void Tell(const std::string& message, UINT icon) const;

    std::string programFolder_;
    std::vector<ListedModule> modules_;   // in palette order
};

} // namespace platform
