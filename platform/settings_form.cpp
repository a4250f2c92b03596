#include "settings_form.h"

#include "method_creation_form.h"
#include "module_creation_form.h"
#include "program_forms.h"
#include "step_result.h"

#include "forms/screen_cursor.h"

namespace platform {

namespace {

const char kDeleteCaption[] = "Delete temporal files with intermediate results";

} // namespace

TForm3::TForm3()
    : Form("TForm3"),
      Button1(*this, "Button1", {8, 8, 340, 30}, kDeleteCaption),
      GroupBox1(*this, "GroupBox1", {8, 46, 340, 250}, "Save Directory"),
      DriveComboBox1(GroupBox1, "DriveComboBox1", {10, 20, 320, 200}),
      DirectoryListBox1(GroupBox1, "DirectoryListBox1", {10, 48, 320, 192}),
      Button2(*this, "Button2", {8, 304, 166, 30}, "Create Module"),
      Button3(*this, "Button3", {182, 304, 166, 30}, "Create Method")
{
    SetCaption("Settings");
    SetClientSize(356, 342);
    SetCentred(true);
    DriveComboBox1.SetDirList(&DirectoryListBox1);
    OnShow = [this] { FormShow(); };
    Button1.OnClick = [this] { Button1Click(); };
    DirectoryListBox1.OnClick = [this] { DirectoryListBox1Click(); };
    Button2.OnClick = [this] { Button2Click(); };
    Button3.OnClick = [this] { Button3Click(); };
}

std::string TForm3::TempFolder() const
{
    char path[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, n);
    return folder.substr(0, folder.find_last_of('\\') + 1) + "temp\\";
}

void TForm3::FormShow()
{
    size_t count = CachedStepResults(TempFolder()).size();
    Button1.SetCaption(count == 0 ? std::string(kDeleteCaption)
                                  : std::string(kDeleteCaption) + " [" + std::to_string(count) + "]");
    Button1.SetEnabled(count != 0);
}

void TForm3::Button1Click()
{
    HCURSOR previous = forms::ScreenCursor::Get();
    forms::ScreenCursor::Set(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */));
    RemoveCachedStepResults(TempFolder());
    Button1.SetCaption(kDeleteCaption);
    Button1.SetEnabled(false);
    forms::ScreenCursor::Set(previous);
}

void TForm3::DirectoryListBox1Click()
{
    DirectoryListBox1.OpenCurrent();
}

void TForm3::Button2Click()
{
    Forms().Form8->ShowModal();
}

void TForm3::Button3Click()
{
    Forms().Form9->ShowModal();
}

} // namespace platform
