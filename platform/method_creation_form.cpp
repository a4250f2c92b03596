#include "method_creation_form.h"

#include "file_paths.h"
#include "main_form.h"
#include "module_catalogue.h"
#include "pack_script.h"
#include "process_runner.h"
#include "program_forms.h"

#include "forms/application.h"

#include <windows.h>
#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>

namespace platform {

namespace {

const char kModuleExtension[] = ".Folivar";
const char kPackFailed[] = "Method package could not be created!";

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

bool ReadWholeFile(const std::string& path, std::string* bytes)
{
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    bytes->clear();
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes->append(buffer, n);
    bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

bool HasBatExtension(const std::string& name)
{
    size_t dot = name.find_last_of('.');
    return dot != std::string::npos && name.compare(dot, std::string::npos, ".bat") == 0;
}

std::string CurrentFolder()
{
    char buffer[MAX_PATH * 4];
    DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    return n == 0 || n >= sizeof buffer ? std::string() : std::string(buffer, n);
}

} // namespace

TForm9::TForm9()
    : Form("TForm9"),
      Label3(*this, "Label3", {12, 10, 396, 24}, "Create Folivar Method"),
      Label1(*this, "Label1", {12, 44, 396, 16}, "Assign to Module"),
      ComboBox1(*this, "ComboBox1", {12, 62, 396, 200}),
      LabeledEdit1(*this, "LabeledEdit1", {12, 110, 396, 22}, "Box Name"),
      LabeledEdit2(*this, "LabeledEdit2", {12, 156, 396, 22},
                   "Method's FileName (Same name with bat file)"),
      Label2(*this, "Label2", {12, 188, 396, 16}, "Method Description"),
      Memo1(*this, "Memo1", {12, 206, 396, 70}),
      Button2(*this, "Button2", {12, 286, 396, 28}, "Select Necessary Files"),
      Label4(*this, "Label4", {12, 322, 396, 16}, "Added Files"),
      ListBox1(*this, "ListBox1", {12, 340, 396, 80}),
      Button1(*this, "Button1", {12, 430, 396, 30}, "Create Method"),
      FileListBox1(*this, "FileListBox1", {12, 430, 100, 30}, false)
{
    SetCaption("Create Folivar Method");
    SetClientSize(420, 472);
    SetCentred(true);
    Label3.SetFontHeight(20);
    ComboBox1.SetSorted(true);
    FileListBox1.SetMask(std::string("*") + kModuleExtension);
    FileListBox1.SetVisible(false);
    OnShow = [this] { FormShow(); };
    OnClose = [this](bool& allow) { allow = !running_; };
    Button2.OnClick = [this] { Button2Click(); };
    Button1.OnClick = [this] { Button1Click(); };
}

std::string TForm9::ProgramFolder() const
{
    return Forms().Form1->ProgramFolder();
}

std::string TForm9::MethFolder() const
{
    return ProgramFolder() + "Meth\\";
}

void TForm9::Message(const std::string& text)
{
    MessageBoxA(Handle(), text.c_str(), forms::Application::Title().c_str(), MB_OK);
}

bool TForm9::Ask(const std::string& text)
{
    return MessageBoxA(Handle(), text.c_str(), forms::Application::Title().c_str(), MB_YESNO) == IDYES;
}

bool TForm9::IsListedModule(const std::string& stem) const
{
    for (int i = 0; i < ComboBox1.Count(); ++i)
        if (ComboBox1.Item(i) == stem)
            return true;
    return false;
}

void TForm9::FormShow()
{
    std::string folder = ProgramFolder();
    if (!folder.empty())
        folder.pop_back();
    FileListBox1.SetDirectory(folder);   // reads the folder again
    ComboBox1.Clear();
    ComboBox1.SetText("");
    // The folder search also lists "X.FOLIVAR"; start-up takes only the exact
    // extension, so only those are modules a method can be made for.
    for (int i = 0; i < FileListBox1.Count(); ++i) {
        std::string name = FileListBox1.Item(i);
        if (IsModuleFileName(name))
            ComboBox1.Add(name.substr(0, name.size() - (sizeof kModuleExtension - 1)));
    }
    if (ComboBox1.Count() > 0)
        ComboBox1.SetItemIndex(0);
    ListBox1.Clear();
}

bool TForm9::ChooseFiles(std::vector<std::string>* paths)
{
    std::vector<char> buffer(65536, '\0');
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Handle();
    ofn.lpstrFilter = "All files\0*.*\0";
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size() - 1);
    ofn.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING;
    // The dialog moves the current folder to where the user browsed; the
    // program's own folder stays current.
    std::string before = CurrentFolder();
    BOOL chosen = GetOpenFileNameA(&ofn);
    if (!before.empty())
        SetCurrentDirectoryA(before.c_str());
    if (!chosen) {
        if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            Message("Too many files selected! Select fewer files.");
        return false;
    }

    paths->clear();
    const char* p = buffer.data();
    std::string first = p;
    p += first.size() + 1;
    if (*p == '\0') {
        paths->push_back(first);   // one file: its full path
        return true;
    }
    if (!first.empty() && first.back() != '\\')
        first += '\\';
    while (*p) {
        std::string name = p;
        paths->push_back(first + name);
        p += name.size() + 1;
    }
    return true;
}

void TForm9::ForgetChoice()
{
    for (const std::string& copy : copiedFiles_)
        RemoveFile(copy);
    copiedFiles_.clear();
    chosenNames_.clear();
}

bool TForm9::CopyChosenFiles(const std::vector<std::string>& paths)
{
    const std::string meth = MethFolder();
    for (const std::string& source : paths) {
        std::string name = FileNameOf(source);
        std::string target = meth + name;
        // A file chosen in "Meth\" itself is already in place, and it is the
        // user's: it is neither copied nor deleted after packing.
        if (!SamePath(source, target)) {
            if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
                Message("Can not copy " + name + " to the Meth folder!");
                ForgetChoice();
                ListBox1.Clear();
                return false;
            }
            SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
            copiedFiles_.push_back(target);
        }
        ListBox1.Add(name);
        chosenNames_.push_back(name);
    }
    return true;
}

void TForm9::Button2Click()
{
    ForgetChoice();
    CreateDirectoryA(MethFolder().c_str(), nullptr);

    std::vector<std::string> paths;
    if (!ChooseFiles(&paths))
        return;
    std::vector<std::string> names;
    for (const std::string& path : paths)
        names.push_back(FileNameOf(path));
    size_t batFiles = std::count_if(names.begin(), names.end(), HasBatExtension);
    if (names.size() < 2) {
        Message("Wrong Number of Selected Files. Select also the bat file!");
        return;
    }
    if (batFiles == 0) {
        Message("Wrong Selection! At least one bat file should be selected!!!");
        return;
    }
    // The names are checked before anything is copied, so a refused choice
    // leaves nothing behind in "Meth\".
    const std::string method = LabeledEdit2.Text();
    if (!IsValidMethodFileName(method)) {
        Message(MethodFileNameProblem(method));
        return;
    }
    if (std::find(names.begin(), names.end(), method + ".bat") == names.end()) {
        Message("Name of bat file is not identical to Method's FileName. Please select the correct Files");
        ListBox1.Clear();
        return;
    }
    for (const std::string& name : names) {
        if (!CanNameInScript(name)) {
            Message(name + " can not be named in the packing script. Please rename it!");
            ListBox1.Clear();
            return;
        }
        if (IsReservedPackingName(name)) {
            Message(name + " is used for packing and can not be part of a method. Please rename it!");
            ListBox1.Clear();
            return;
        }
    }
    ListBox1.Clear();
    CopyChosenFiles(paths);
}

bool TForm9::WriteMethodFiles(const std::string& method)
{
    const std::string base = MethFolder() + method;
    return WriteWholeFile(base + ".tab", "1") &&
           WriteWholeFile(base + ".name", LabeledEdit1.Text()) &&
           WriteWholeFile(base + ".txt", DescriptionFileText(Memo1.Text()));
}

bool TForm9::PackMethod(const std::string& moduleFile, const std::string& method)
{
    const std::string meth = MethFolder();
    const std::string package = moduleFile + "." + method;
    if (!SetCurrentDirectoryA(meth.c_str()))
        return false;
    // Everything the line names must be there, or the package would be made
    // without it.
    for (const char* extension : {".bat", ".txt", ".name", ".tab"})
        if (!FileExists(meth + method + extension))
            return false;
    for (const std::string& name : chosenNames_)
        if (!FileExists(meth + name))
            return false;
    // An older package left here must never pass for the new one.
    const std::string made = meth + package + ".exe";
    RemoveFile(made);
    if (FileExists(made))
        return false;

    const std::string script = meth + "run.bat";
    std::string bytes;
    if (!ScriptBytes(PackScriptLine(moduleFile, method, chosenNames_), &bytes) ||
        !WriteWholeFile(script, bytes))
        return false;
    // By its full path: a "run.bat" beside the program would be found first.
    // The archiver's exit code says whether it packed everything; what the
    // package holds is checked all the same.
    bool packed = RunWithoutInput(script, meth);
    RemoveFile(script);
    std::vector<std::string> members;
    for (const char* extension : {".bat", ".txt", ".name", ".tab"})
        members.push_back(method + extension);
    members.insert(members.end(), chosenNames_.begin(), chosenNames_.end());
    if (!packed || !FileExists(made) || !PackageHolds(made, members)) {
        RemoveFile(made);
        return false;
    }
    const std::string placed = ProgramFolder() + package;
    if (!MoveFileExA(made.c_str(), placed.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        RemoveFile(made);
        return false;
    }
    return FileExists(placed);
}

bool TForm9::RunWithoutInput(const std::string& program, const std::string& folder)
{
    running_ = true;
    EnableWindow(Handle(), FALSE);
    SetCurrentDirectoryA(folder.c_str());
    DWORD exitCode = 1;
    bool ended = WaitForProcess(StartProcess(program.c_str()), &exitCode);
    EnableWindow(Handle(), TRUE);
    running_ = false;
    return ended && exitCode == 0;
}

bool TForm9::PackageHolds(const std::string& package, const std::vector<std::string>& names)
{
    const std::string meth = MethFolder();
    const std::string check = meth + "unpacked\\";
    auto clear = [&check] {
        for (const std::string& name : FileNamesMatching(check + "*"))
            RemoveFile(check + name);
        RemoveDirectoryA(check.c_str());
    };
    clear();
    const std::string program = check + FileNameOf(package);
    bool holds = CreateDirectoryA(check.c_str(), nullptr) &&
                 CopyFileA(package.c_str(), program.c_str(), FALSE) &&
                 RunWithoutInput(program, check);
    RemoveFile(program);
    for (size_t i = 0; holds && i < names.size(); ++i) {
        std::string packed, chosen;
        holds = ReadWholeFile(check + names[i], &packed) && ReadWholeFile(meth + names[i], &chosen) &&
                packed == chosen;
    }
    SetCurrentDirectoryA(meth.c_str());
    clear();
    return holds;
}

void TForm9::Button1Click()
{
    if (!Ask("Proceed with the Creation of Method?"))
        return;
    if (chosenNames_.empty())
        return;
    const std::string stem = ComboBox1.Text();
    const std::string moduleFile = stem + kModuleExtension;
    const std::string method = LabeledEdit2.Text();
    // The name may have changed since the files were chosen.
    if (!IsListedModule(stem)) {
        Message("No module chosen! Assign the method to one of the listed modules.");
        return;
    }
    if (!IsValidMethodFileName(method)) {
        Message(MethodFileNameProblem(method));
        return;
    }
    if (!CanNameInScript(moduleFile)) {
        Message(moduleFile + " can not be named in the packing script. Please rename it!");
        return;
    }
    if (std::find(chosenNames_.begin(), chosenNames_.end(), method + ".bat") == chosenNames_.end()) {
        Message("Name of bat file is not identical to Method's FileName. Please select the correct Files");
        return;
    }

    bool made = WriteMethodFiles(method) && PackMethod(moduleFile, method);

    SetCurrentDirectoryA(ProgramFolder().c_str());
    const std::string base = MethFolder() + method;
    for (const char* extension : {".tab", ".name", ".txt"})
        RemoveFile(base + extension);
    ForgetChoice();
    ListBox1.Clear();

    if (!made) {
        // What the user typed stays, so that the creation can be tried again.
        Message(kPackFailed);
        return;
    }
    if (ComboBox1.Count() > 0)
        ComboBox1.SetItemIndex(0);
    Memo1.Clear();
    LabeledEdit1.SetText("");
    LabeledEdit2.SetText("");
    if (Ask("Success!!!The platform needs to close and manually restarted in order to apply changes. Close now?")) {
        Close();
        Forms().Form1->Close();
        forms::Application::Terminate();
    }
}

} // namespace platform
