#include "module_creation_form.h"

#include "forms/application.h"
#include "main_form.h"
#include "module_catalogue.h"
#include "program_forms.h"

namespace platform {

namespace {

const char kLastPlace[] = "Last Place";
const char kModuleExtension[] = ".Folivar";

} // namespace

TForm8::TForm8()
    : Form("TForm8"),
      Label3(*this, "Label3", {8, 8, 404, 24}, "Create Folivar Module"),
      ProcFileName(*this, "ProcFileName", {8, 58, 200, 22}, "Module FileName "),
      LabeledEdit1(*this, "LabeledEdit1", {8, 104, 200, 22}, "Name"),
      LabeledEdit2(*this, "LabeledEdit2", {8, 132, 200, 22}),
      Label1(*this, "Label1", {8, 162, 200, 16}, "Module Description"),
      Memo1(*this, "Memo1", {8, 180, 200, 96}),
      Label2(*this, "Label2", {8, 284, 200, 16}, "Module Box Color"),
      ComboBox1(*this, "ComboBox1", {8, 302, 200, 22}),
      CheckBox1(*this, "CheckBox1", {8, 334, 200, 20}, "Is Page Split"),
      Label4(*this, "Label4", {220, 40, 192, 16}, "Select Position (before)"),
      ListBox1(*this, "ListBox1", {220, 58, 192, 266}),
      Button1(*this, "Button1", {220, 330, 192, 30}, "Create Module"),
      FileListBox1(*this, "FileListBox1", {0, 0, 10, 10}, false)
{
    SetCaption("Create Folivar Module");
    SetClientSize(420, 370);
    SetCentred(true);
    Label3.SetFontHeight(20);
    for (const char* colour : kModuleColourNames)
        ComboBox1.Add(colour);
    ComboBox1.SetDropDownCount(kModuleColourCount);
    FileListBox1.SetVisible(false);
    FileListBox1.SetMask("*.Folivar");
    OnShow = [this] { FormShow(); };
    Button1.OnClick = [this] { Button1Click(); };
}

void TForm8::Tell(const std::string& message, UINT icon) const
{
    MessageBoxA(Handle(), message.c_str(), forms::Application::Title().c_str(), MB_OK | icon);
}

void TForm8::FormShow()
{
    programFolder_ = Forms().Form1->ProgramFolder();
    modules_.clear();
    if (!FileListBox1.SetDirectory(programFolder_))
        FileListBox1.Update();
    for (int i = 0; i < FileListBox1.Count(); ++i) {
        // The folder search also finds "X.FOLIVAR", which start-up does not
        // load: such a file takes no place in the palette.
        const std::string name = FileListBox1.Item(i);
        if (!IsModuleFileName(name))
            continue;
        ListedModule module;
        module.path = programFolder_ + name;
        if (ReadModuleRecordFile(module.path, &module.record))
            modules_.push_back(std::move(module));
    }
    SortListedModules(modules_);

    ListBox1.Clear();
    for (const ListedModule& module : modules_)
        ListBox1.Add(module.record.caption1 + " " + module.record.caption2);
    ListBox1.Add(kLastPlace);
    ListBox1.SetItemIndex(ListBox1.Count() - 1);

    LabeledEdit1.SetText("");
    LabeledEdit2.SetText("");
    ProcFileName.SetText("");
    Memo1.SetText("");
    ComboBox1.SetItemIndex(0);
    CheckBox1.SetChecked(false);
}

std::string TForm8::ColourCode() const
{
    // The box takes typed text too; only a text that is one of the colours
    // names a row.
    const std::string shown = ComboBox1.Text();
    for (int row = 0; row < ComboBox1.Count(); ++row)
        if (ComboBox1.Item(row) == shown)
            return ColourCodeOfRow(row);
    return ColourCodeOfRow(-1);
}

bool TForm8::WriteModuleFile(const std::string& fileName, const ModuleRecord& record) const
{
    return WriteModuleRecordFile(programFolder_ + fileName, record);
}

void TForm8::Button1Click()
{
    const std::string stem = ProcFileName.Text();
    const std::string fileName = stem + kModuleExtension;
    switch (CheckNewModuleName(programFolder_, stem)) {
    case ModuleNameProblem::None:
        break;
    case ModuleNameProblem::Empty:
        Tell("Enter a file name for the module.", MB_ICONWARNING);
        return;
    case ModuleNameProblem::Invalid:
        Tell("\"" + stem + "\" cannot be used as a module file name. Enter a plain file name, "
             "without folders, a drive, \"..\" or any of the characters \\ / : * ? \" < > |.",
             MB_ICONWARNING);
        return;
    case ModuleNameProblem::TooLong:
        Tell("The module file name \"" + stem + "\" is too long.", MB_ICONWARNING);
        return;
    }
    if (GetFileAttributesA((programFolder_ + fileName).c_str()) != INVALID_FILE_ATTRIBUTES) {
        Tell("A module file named " + fileName + " already exists. Choose another file name.",
             MB_ICONWARNING);
        return;
    }

    std::vector<int32_t> positions;
    for (const ListedModule& module : modules_)
        positions.push_back(module.record.position);
    int32_t position = 0;
    std::vector<int32_t> shifted;
    if (!PlaceNewModule(positions, ListBox1.ItemIndex(), &position, &shifted)) {
        Tell("There is no position left for a new module at that place.", MB_ICONWARNING);
        return;
    }

    ModuleRecord record;
    record.caption1 = LabeledEdit1.Text();
    record.caption2 = LabeledEdit2.Text();
    record.description = Memo1.Text();
    record.colourCode = ColourCode();
    record.pageSplit = CheckBox1.Checked() ? 1 : 0;
    record.position = position;
    if (!WriteModuleFile(fileName, record)) {
        DeleteFileA((programFolder_ + fileName).c_str());   // no half-written module is left
        Tell("The module file " + fileName + " could not be written.", MB_ICONERROR);
        return;
    }

    std::string notRewritten;
    for (size_t i = 0; i < modules_.size(); ++i) {
        modules_[i].record.position = shifted[i];
        if (!WriteModuleRecordFile(modules_[i].path, modules_[i].record))
            notRewritten += "\r\n" + modules_[i].path.substr(programFolder_.size());
    }

    ProcFileName.SetText("");
    LabeledEdit1.SetText("");
    LabeledEdit2.SetText("");
    Memo1.SetText("");
    if (!notRewritten.empty())
        Tell("These module files could not be rewritten with their new positions:" + notRewritten,
             MB_ICONWARNING);
    Tell("Module " + fileName + " Created!", 0);
    Close();
}

} // namespace platform
