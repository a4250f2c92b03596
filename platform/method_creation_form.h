#pragma once
// TForm9: "Create Folivar Method", opened from the settings window. It copies
// the files the user chooses (a batch file that is the method program and
// whatever it needs) into the work folder "Meth\" of the program folder,
// writes the method's ".tab", ".name" and ".txt" files beside them, has the
// archiver pack everything into a self-extracting package and places that
// package beside the program as "<module file>.<method>", where the next
// start finds it.
#include "forms/button.h"
#include "forms/combo_box.h"
#include "forms/file_list_box.h"
#include "forms/form.h"
#include "forms/label.h"
#include "forms/labeled_edit.h"
#include "forms/list_box.h"
#include "forms/memo.h"

#include <string>
#include <vector>

namespace platform {

class TForm9 : public forms::Form {
public:
    TForm9();

    forms::Label Label3;               // "Create Folivar Method"
    forms::Label Label1;               // "Assign to Module"
    forms::ComboBox ComboBox1;         // the module the method belongs to
    forms::LabeledEdit LabeledEdit1;   // "Box Name": the display name
    forms::LabeledEdit LabeledEdit2;   // the method file name N
    forms::Label Label2;               // "Method Description"
    forms::Memo Memo1;
    forms::Button Button2;             // "Select Necessary Files"
    forms::Label Label4;               // "Added Files"
    forms::ListBox ListBox1;
    forms::Button Button1;             // "Create Method"
    forms::FileListBox FileListBox1;   // hidden: the module files

    void FormShow();
    void Button2Click();
    void Button1Click();

private:
    std::string ProgramFolder() const;
    std::string MethFolder() const;   // with its trailing backslash
    void Message(const std::string& text);
    bool Ask(const std::string& text);
    // The full paths the user chose in the file dialog, in its order; false
    // when cancelled.
    bool ChooseFiles(std::vector<std::string>* paths);
    // Deletes the copies of the last choice from "Meth\" and forgets it.
    void ForgetChoice();
    // Copies the chosen files into "Meth\", replacing what is there.
    bool CopyChosenFiles(const std::vector<std::string>& paths);
    // Writes N.tab, N.name and N.txt into "Meth\".
    bool WriteMethodFiles(const std::string& method);
    // Runs the archiver over the method's files in "Meth\" and moves the
    // package it made beside the program; true when it is there.
    bool PackMethod(const std::string& moduleFile, const std::string& method);
    bool IsListedModule(const std::string& stem) const;
    // Whether the package holds every file of the method as it is in "Meth\":
    // it is unpacked into a folder of its own and compared file by file.
    bool PackageHolds(const std::string& package, const std::vector<std::string>& names);
    // Runs a program in a folder with this window taking no input; true when
    // it ended with exit code 0.
    bool RunWithoutInput(const std::string& program, const std::string& folder);

    bool running_ = false;   // an outside program runs: the window is not closed

    std::vector<std::string> copiedFiles_;   // copies in "Meth\" that are ours to delete
    std::vector<std::string> chosenNames_;   // the chosen files' names, dialog order
};

} // namespace platform
