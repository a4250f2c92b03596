#include "main_form.h"

#include <cstdio>

#include "file_paths.h"

#include "process_runner.h"
#include "program_forms.h"
#include "result_viewer_form.h"
#include "settings_form.h"
#include "splash_form.h"
#include "about_form.h"
#include "pipeline_state.h"
#include "step_result.h"
#include "tile_pictures.h"

#include "forms/application.h"

namespace platform {

namespace {

// Component names of the tile table, by index.
struct PaletteNames { const char* image; const char* line1; const char* line2; const char* count; };
const PaletteNames kPaletteNames[kSlots] = {
    {"Image10", "Label10", "Label11", "Label28"}, {"Image11", "Label25", "Label12", "Label29"},
    {"Image12", "Label27", "Label26", "Label30"}, {"Image13", "Label31", "Label32", "Label33"},
    {"Image14", "Label34", "Label35", "Label36"}, {"Image15", "Label37", "Label38", "Label39"},
    {"Image16", "Label40", "Label41", "Label42"},
};

struct SlotNames {
    const char* image; const char* line1; const char* line2; const char* method;
    const char* plainConnector; const char* splitConnector; const char* ok; const char* failed;
};
const SlotNames kSlotNames[kSlots] = {
    {"Image1", "Label1", "Label3", "Label2", nullptr, nullptr, "Image39", "Image37"},
    {"Image2", "Label4", "Label6", "Label5", "Image17", "Image30", "Image38", "Image40"},
    {"Image3", "Label7", "Label9", "Label8", "Image18", "Image31", "Image41", "Image42"},
    {"Image5", "Label13", "Label15", "Label14", "Image19", "Image32", "Image43", "Image44"},
    {"Image6", "Label16", "Label18", "Label17", "Image20", "Image33", "Image45", "Image46"},
    {"Image7", "Label19", "Label21", "Label20", "Image4", "Image34", "Image47", "Image48"},
    {"Image8", "Label22", "Label24", "Label23", "Image35", "Image9", "Image49", "Image50"},
};

// The popup menu of each slot: its items' component names, in menu order.
struct MenuNames {
    const char* moveRight; const char* moveLeft; const char* remove; const char* keep;
    const char* viewResult; const char* settings;
};
const MenuNames kMenuNames[kSlots] = {
    {"MoveRight1", "MoveLeft1", "Remove1", "ViewResults1", "ViewResults2", "Settings1"},
    {"MenuItem1", "MenuItem2", "MenuItem3", "MenuItem5", "MenuItem7", "Settings2"},
    {"MenuItem8", "MenuItem9", "MenuItem10", "MenuItem12", "MenuItem14", "Settings3"},
    {"MenuItem15", "MenuItem16", "MenuItem17", "MenuItem19", "MenuItem21", "Settings4"},
    {"MenuItem22", "MenuItem23", "MenuItem24", "MenuItem26", "MenuItem28", "Settings5"},
    {"MenuItem29", "MenuItem30", "MenuItem31", "MenuItem33", "MenuItem35", "Settings6"},
    {"MenuItem36", "MenuItem37", "MenuItem38", "MenuItem40", "MenuItem42", "Settings7"},
};
constexpr int kSlotPitch = 163;     // the run marker moves by this per slot

// The folder without a trailing backslash, as the folder lists take it.

} // namespace

TForm1::TForm1()
    : Form("TForm1"),
      DriveComboBox1(*this, "DriveComboBox1", {4, 222, 210, 200}),
      DirectoryListBox1(*this, "DirectoryListBox1", {4, 248, 210, 180}),
      FileListBox1(*this, "FileListBox1", {4, 432, 210, 250}, true),
      Panel1(*this, "Panel1", {220, 222, 354, 460}),
      Panel2(*this, "Panel2", {580, 222, 354, 460}),
      Panel3(*this, "Panel3", {757, 222, 177, 460}),
      Vistrel7_1(Panel1, "Vistrel7_1", {0, 0, 354, 460}),
      Vistrel7_2(Panel2, "Vistrel7_2", {0, 0, 354, 460}),
      Vistrel7_3(Panel3, "Vistrel7_3", {0, 0, 177, 460}),
      Button15(*this, "Button15", {944, 222, 200, 32}, "Apply Processes"),
      Button18(*this, "Button18", {944, 262, 200, 32}, "Settings"),
      Button16(*this, "Button16", {944, 302, 200, 32}, "About"),
      Button17(*this, "Button17", {944, 342, 200, 32}, "Close"),
      Button19(*this, "Button19", {736, 684, 24, 24}, ">"),
      Button20(*this, "Button20", {708, 684, 24, 24}, "<"),
      Label59(*this, "Label59", {580, 688, 60, 18}, "Results:"),
      Label60(*this, "Label60", {644, 688, 60, 18}),
      Label58(*this, "Label58", {4, 688, 210, 18}, "Selected Image Files: 0"),
      Label44(*this, "Label44", {4, 60, 1140, 18}),
      Shape5(*this, "Shape5", {0, 210, 158, 5}),
      Memo1(*this, "Memo1", {944, 400, 200, 200})
{
    SetCaption("Folivar v.1");
    SetClientSize(1150, 712);
    SetCentred(true);

    ResultSource.resize(kMaxResultPages);
    ResultLeft.resize(kMaxResultPages);
    ResultRight.resize(kMaxResultPages);
    ResultTwoPages.assign(kMaxResultPages, false);
    SlotKeepResult.fill(true);

    Vistrel7_1.SetAlign(forms::Align::Client);
    Vistrel7_2.SetAlign(forms::Align::Client);
    Vistrel7_3.SetAlign(forms::Align::Client);
    for (forms::Control* hidden : std::initializer_list<forms::Control*>{
             &Panel2, &Panel3, &Button19, &Button20, &Label59, &Label60, &Shape5, &Memo1})
        hidden->SetVisible(false);
    Button15.SetEnabled(false);
    Shape5.SetBrushColor(RGB(0, 0, 255));
    DirectoryListBox1.SetFileList(&FileListBox1);
    DriveComboBox1.SetDirList(&DirectoryListBox1);
    FileListBox1.SetMask("*.tif;*.tiff;*.bmp");
    BuildTiles();

    OnShow = [this] { FormShow(); };
    OnClose = [this](bool& allow) { FormClose(allow); };
    FileListBox1.OnClick = [this] { FileListBox1Click(); };
    DirectoryListBox1.OnClick = [this] { DirectoryListBox1Click(); };
    DriveComboBox1.OnChange = [this] { DirectoryListBox1Click(); };
    Vistrel7_1.OnDblClick = [this] { Vistrel7_1DblClick(); };
    Button16.OnClick = [this] { Button16Click(); };
    Button17.OnClick = [this] { Button17Click(); };
    Button18.OnClick = [this] { Button18Click(); };
    Button15.OnClick = [this] { Button15Click(); };
    Button19.OnClick = [this] { Button19Click(); };
    Button20.OnClick = [this] { Button20Click(); };
    WireEditor();
}

TForm1::~TForm1() = default;

void TForm1::BuildTiles()
{
    for (int k = 0; k < kSlots; ++k) {
        const int x = 4 + k * kSlotPitch;
        const PaletteNames& p = kPaletteNames[k];
        Palette[k] = {&Own<forms::ImageBox>(*this, p.image, forms::Rect{x, 6, 72, 48}),
                      &Own<forms::Label>(*this, p.line1, forms::Rect{x + 76, 6, 84, 16}),
                      &Own<forms::Label>(*this, p.line2, forms::Rect{x + 76, 22, 84, 16}),
                      &Own<forms::Label>(*this, p.count, forms::Rect{x + 76, 38, 84, 16})};

        const SlotNames& s = kSlotNames[k];
        Slot& slot = Slots[k];
        slot.image = &Own<forms::ImageBox>(*this, s.image, forms::Rect{x, 84, 150, 64});
        slot.okIcon = &Own<forms::ImageBox>(*this, s.ok, forms::Rect{x + 132, 86, 16, 16});
        slot.failedIcon = &Own<forms::ImageBox>(*this, s.failed, forms::Rect{x + 132, 86, 16, 16});
        slot.okIcon->SetPicture(MakeStatusPicture(true));
        slot.failedIcon->SetPicture(MakeStatusPicture(false));
        if (s.plainConnector) {
            slot.plainConnector = &Own<forms::ImageBox>(*this, s.plainConnector, forms::Rect{x - 12, 104, 12, 24});
            slot.splitConnector = &Own<forms::ImageBox>(*this, s.splitConnector, forms::Rect{x - 12, 104, 12, 24});
            slot.plainConnector->SetPicture(MakeConnectorPicture(false));
            slot.splitConnector->SetPicture(MakeConnectorPicture(true));
        }
        slot.line1 = &Own<forms::Label>(*this, s.line1, forms::Rect{x, 150, 150, 16});
        slot.line2 = &Own<forms::Label>(*this, s.line2, forms::Rect{x, 166, 150, 16});
        slot.previous = &Own<forms::Button>(*this, "Button" + std::to_string(2 * k + 1),
                                            forms::Rect{x, 184, 20, 22}, "<");
        slot.method = &Own<forms::Label>(*this, s.method, forms::Rect{x + 22, 186, 106, 18});
        slot.next = &Own<forms::Button>(*this, "Button" + std::to_string(2 * k + 2),
                                        forms::Rect{x + 130, 184, 20, 22}, ">");
        slot.method->SetAlignment(forms::TextAlign::Centre);

        // The slot's popup menu, shared by its tile, labels and buttons.
        menus_.push_back(std::make_unique<forms::PopupMenu>("PopupMenu" + std::to_string(k + 1)));
        forms::PopupMenu& menu = *menus_.back();
        const MenuNames& m = kMenuNames[k];
        menu.Add(m.moveRight, "Move Right >");
        menu.Add(m.moveLeft, "< Move Left").SetEnabled(k != 0);
        menu.Add(m.remove, "Remove");
        menu.AddSeparator();
        menu.Add(m.keep, "Do not recalculate if result exists").SetChecked(true);
        menu.AddSeparator();
        menu.Add(m.viewResult, "View Result");
        menu.AddSeparator();
        menu.Add(m.settings, "Settings");
        slot.menu = &menu;
        for (forms::Control* c : std::initializer_list<forms::Control*>{
                 slot.image, slot.line1, slot.line2, slot.method, slot.previous, slot.next})
            c->SetPopupMenu(&menu);

        // Everything of the tiles starts hidden; start-up shows what is used.
        for (forms::Control* c : std::initializer_list<forms::Control*>{
                 Palette[k].image, Palette[k].line1, Palette[k].line2, Palette[k].count,
                 slot.image, slot.okIcon, slot.failedIcon, slot.line1, slot.line2, slot.method,
                 slot.previous, slot.next, slot.plainConnector, slot.splitConnector})
            if (c)
                c->SetVisible(false);
    }
}

void TForm1::FormShow()
{
    if (started_)
        return;
    started_ = true;
    StartUp();
}

void TForm1::Fatal(const std::string& message)
{
    MessageBoxA(Handle(), message.c_str(), forms::Application::Title().c_str(), MB_OK);
    // A start-up that could not finish ends the program without saving and
    // reports the failure in its exit code.
    ExitProcess(1);
}

void TForm1::StartUp()
{
    TForm2& splash = *Forms().Form2;
    splash.Show();
    forms::Application::ProcessMessages();
    // No command of the main window takes input until start-up is done, and a
    // close asked for meanwhile waits for its end.
    busy_ = true;
    EnableWindow(Handle(), FALSE);

    programFolder_ = ProgramFileFolder();
    if (!DirectoryListBox1.SetDirectory(programFolder_ + "images"))
        DirectoryListBox1.SetDirectory(Unslashed(programFolder_));
    if (!Forms().Form3->DirectoryListBox1.SetDirectory(programFolder_ + "results"))
        Forms().Form3->DirectoryListBox1.SetDirectory(Unslashed(programFolder_));

    DiscoveryHost host;
    host.log = [this](const std::string& line) { Memo1.AddLine(line); };
    host.loading = [&splash](const std::string& module) {
        splash.Label2.SetCaption("Loading " + module);
        forms::Application::ProcessMessages();
    };
    host.warn = [this](const std::string& message) {
        MessageBoxA(Handle(), message.c_str(), forms::Application::Title().c_str(), MB_OK);
    };
    host.fatal = [this](const std::string& message) { Fatal(message); };
    host.runProgram = [](const std::string& program) {
        WaitForProcess(StartProcess(program.c_str()));
    };

    catalogue_.Scan(programFolder_, host);
    if (!CreateFolderTree(programFolder_ + "temp"))
        Fatal("Can not create temp dir!");
    catalogue_.Prepare(host);
    catalogue_.ReadMethodTexts();
    if (catalogue_.ModulesChanged())
        DeleteCachedResults();
    catalogue_.StoreFingerprint();

    splash.Close();
    SetCurrentDirectoryA(programFolder_.c_str());
    for (int m = 0; m < catalogue_.Count(); ++m) {
        const ModuleEntry& module = catalogue_.Module(m);
        const PaletteTile& tile = Palette[m];
        tile.image->LoadFromFile("Bin\\" + module.colourCode + "_sm.bmp");
        tile.line1->SetCaption(module.caption1);
        tile.line2->SetCaption(module.caption2.rfind('-', 0) == 0 ? "" : module.caption2);
        tile.count->SetCaption("[" + std::to_string(module.methodCount) + "]");
        for (forms::Control* c : std::initializer_list<forms::Control*>{tile.image, tile.line1,
                                                                        tile.line2, tile.count})
            c->SetVisible(true);
    }
    PipelineLength = 0;
    if (FolderExists(programFolder_ + "Results"))
        Forms().Form3->DirectoryListBox1.SetDirectory(programFolder_ + "Results");
    RestorePipeline();
    busy_ = false;
    EnableWindow(Handle(), TRUE);
    SetForegroundWindow(Handle());
    if (closeWhenDone_) {
        // Closed before it could be used: the saved pipeline stays as it is.
        keepSavedState_ = true;
        Close();
    }
}

void TForm1::DeleteCachedResults()
{
    // Module and method numbers name other methods now: the cache is stale.
    RemoveCachedStepResults(programFolder_ + "temp\\");
}

void TForm1::SaveState()
{
    PipelineState state;
    state.length = PipelineLength;
    for (int i = 0; i < kStateSlots; ++i) {
        state.slotModule[i] = SlotModule[i];
        state.moduleMethod[i] = ModuleMethod[i];
    }
    state.folder = DirectoryListBox1.Directory();
    WritePipelineStateFile(programFolder_ + "temp\\ini.dat", state);
    // The same choices by name, so that a next start with another set of
    // modules (a method created meanwhile) still finds them.
    PipelineNames names;
    for (int m = 0; m < catalogue_.Count(); ++m) {
        const ModuleEntry& module = catalogue_.Module(m);
        if (ModuleMethod[m] >= 0 && ModuleMethod[m] < module.methodCount)
            names.methods.emplace_back(module.fileName, module.methods[ModuleMethod[m]].fileName);
    }
    for (int i = 0; i < PipelineLength; ++i)
        names.slots.push_back(catalogue_.Module(SlotModule[i]).fileName);
    const std::string namesPath = programFolder_ + "temp\\ini.names";
    if (!WritePipelineNames(namesPath, names))
        RemoveFile(namesPath);
}

void TForm1::FormClose(bool& allow)
{
    if (busy_) {
        // A run or an outside program is going: close once it is done.
        allow = false;
        closeWhenDone_ = true;
        return;
    }
    if (!programFolder_.empty() && !keepSavedState_)
        SaveState();
}

void TForm1::FileListBox1Click()
{
    for (forms::Control* c : std::initializer_list<forms::Control*>{&Panel2, &Panel3, &Label59,
                                                                    &Label60, &Button20, &Button19})
        c->SetVisible(false);
    Vistrel7_1.SetFileName(FileListBox1.FileName());
    Vistrel7_1.ZoomToFit(2);
    int selected = FileListBox1.SelCount();
    Label58.SetCaption("Selected Image Files: " + std::to_string(selected));
    Button15.SetEnabled(selected != 0);
}

void TForm1::DirectoryListBox1Click()
{
    Vistrel7_1.SetFileName("");
    FileListBox1.ClearSelection();
    Label58.SetCaption("Selected Image Files: 0");
    Button15.SetEnabled(false);
    DirectoryListBox1.OpenCurrent();
}

void TForm1::Vistrel7_1DblClick()
{
    if (Panel2.Visible())
        return;
    HGLOBAL dib = Vistrel7_1.CopyDIB();
    Forms().Form4->ShowPreview(dib);   // the viewer shows its own copy
    if (dib)
        GlobalFree(dib);
}

void TForm1::Button16Click()
{
    Forms().Form6->ShowModal();
}

void TForm1::Button17Click()
{
    Close();
}

void TForm1::Button18Click()
{
    Forms().Form3->ShowModal();
}

} // namespace platform
