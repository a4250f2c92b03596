// The pipeline editor of the main window: palette clicks, the slots with their
// method buttons and popup menus, and the pipeline saved at close and
// restored at start.
#include "main_form.h"

#include <cstdio>

#include "file_paths.h"

#include "pipeline_state.h"
#include "process_runner.h"
#include "step_result.h"

#include "forms/application.h"

namespace platform {

namespace {

// Items of a slot's popup menu, by position (separators count).
enum SlotMenu { kMoveRight = 0, kMoveLeft = 1, kRemove = 2, kKeepResult = 4, kViewResult = 6,
                kSettings = 8 };

} // namespace

forms::MenuItem& TForm1::SlotMenuItem(int slot, int index) const
{
    return Slots[slot].menu->Item(index);
}

void TForm1::WireEditor()
{
    for (int k = 0; k < kSlots; ++k) {
        const PaletteTile& tile = Palette[k];
        tile.image->OnClick = [this, k] { PaletteClick(k); };
        for (forms::Label* label : {tile.line1, tile.line2, tile.count})
            label->OnClick = [this, k] { PaletteClick(k); };

        Slot& slot = Slots[k];
        slot.previous->OnClick = [this, k] { MethodButtonClick(k, -1); };
        slot.next->OnClick = [this, k] { MethodButtonClick(k, +1); };
        slot.image->OnMouseMove = [this, k](int, int) { SlotMouseMove(k); };
        slot.menu->OnPopup = [this, k] { SlotPopup(k); };
        SlotMenuItem(k, kMoveRight).OnClick = [this, k] { MoveRightClick(k); };
        if (k > 0)
            SlotMenuItem(k, kMoveLeft).OnClick = [this, k] { MoveLeftClick(k); };
        SlotMenuItem(k, kRemove).OnClick = [this, k] { RemoveClick(k); };
        SlotMenuItem(k, kKeepResult).OnClick = [this, k] { KeepResultClick(k); };
        SlotMenuItem(k, kViewResult).OnClick = [this, k] { ShowStepResult(k); };
        SlotMenuItem(k, kSettings).OnClick = [this, k] { SettingsClick(k); };
    }
    OnMouseMove = [this](int, int) { Label44.SetCaption(""); };
}

void TForm1::PaletteClick(int tile)
{
    if (tile >= catalogue_.Count())
        return;
    if (ModuleInPipeline[tile]) {
        int last = 0;
        for (int i = 0; i < PipelineLength; ++i)
            if (SlotModule[i] == tile)
                last = i;
        RemoveClick(last);
        return;
    }
    if (PipelineLength >= kSlots)
        return;
    if (catalogue_.Module(tile).SplitsPages()) {
        // A second page split would write its pages over those of the first.
        for (int i = 0; i < PipelineLength; ++i)
            if (catalogue_.Module(SlotModule[i]).SplitsPages()) {
                MessageBoxA(Handle(), "Only one page-splitting module fits in a pipeline!",
                            forms::Application::Title().c_str(), MB_OK);
                return;
            }
    }
    PlaceModule(tile, PipelineLength);
    ModuleInPipeline[tile] = true;
    ++PipelineLength;
    UpdateMoveRightItems();
}

bool TForm1::AnySplitBefore(int slot) const
{
    for (int i = 0; i < slot; ++i)
        if (catalogue_.Module(SlotModule[i]).SplitsPages())
            return true;
    return false;
}

uint64_t TForm1::ChainSettings(const int32_t* slots, const int32_t* methods, int step) const
{
    uint64_t chain = 0;
    for (int i = 0; i <= step; ++i) {
        const ModuleEntry& module = catalogue_.Module(slots[i]);
        chain = SettingsOfChain(chain, MethodSettingsDigest(module.methods[methods[slots[i]]].basePath));
    }
    return chain;
}

bool TForm1::StepOrigin(const std::string& source, const int32_t* slots, const int32_t* methods,
                        int step, StepResultOrigin* origin) const
{
    if (!OriginOfSource(source, origin))
        return false;
    origin->settings = ChainSettings(slots, methods, step);
    return true;
}

void TForm1::PlaceModule(int module, int slot)
{
    SlotModule[slot] = module;
    SetCurrentDirectoryA(programFolder_.c_str());
    const ModuleEntry& entry = catalogue_.Module(module);
    Slot& s = Slots[slot];
    s.image->LoadFromFile("Bin\\" + entry.colourCode + ".bmp");
    s.line1->SetCaption(entry.caption1);
    s.line2->SetCaption(entry.caption2.rfind('-', 0) == 0 ? "" : entry.caption2);
    ShowSlotMethod(slot, module);
    for (forms::Control* c : std::initializer_list<forms::Control*>{
             s.image, s.line1, s.line2, s.method, s.previous, s.next})
        c->SetVisible(true);
    const PaletteTile& tile = Palette[module];
    for (forms::Label* label : {tile.line1, tile.line2, tile.count})
        label->SetEnabled(false);
    if (slot > 0) {
        bool split = AnySplitBefore(slot);
        s.splitConnector->SetVisible(split);
        s.plainConnector->SetVisible(!split);
    }
}

void TForm1::ShowSlotMethod(int slot, int module)
{
    const ModuleEntry& entry = catalogue_.Module(module);
    int chosen = ModuleMethod[module];
    Slot& s = Slots[slot];
    s.method->SetCaption(entry.methods[chosen].name);
    s.previous->SetEnabled(chosen > 0);
    s.next->SetEnabled(chosen < entry.methodCount - 1);
}

void TForm1::MethodButtonClick(int slot, int step)
{
    if (slot >= PipelineLength)
        return;
    int module = SlotModule[slot];
    int chosen = ModuleMethod[module] + step;
    if (chosen < 0 || chosen >= catalogue_.Module(module).methodCount)
        return;
    ModuleMethod[module] = chosen;
    ShowSlotMethod(slot, module);
}

void TForm1::ReleaseModule(int module)
{
    ModuleInPipeline[module] = false;
    const PaletteTile& tile = Palette[module];
    for (forms::Label* label : {tile.line1, tile.line2, tile.count})
        label->SetEnabled(true);
}

void TForm1::HideSlot(int slot)
{
    Slot& s = Slots[slot];
    for (forms::Control* c : std::initializer_list<forms::Control*>{
             s.image, s.line1, s.line2, s.method, s.previous, s.next, s.plainConnector,
             s.splitConnector})
        if (c)
            c->SetVisible(false);
}

void TForm1::RemoveClick(int slot)
{
    if (slot >= PipelineLength)
        return;
    ReleaseModule(SlotModule[slot]);
    for (int i = slot; i < PipelineLength - 1; ++i)
        PlaceModule(SlotModule[i + 1], i);
    HideSlot(PipelineLength - 1);
    --PipelineLength;
    UpdateMoveRightItems();
}

void TForm1::MoveRightClick(int slot)
{
    if (slot + 1 >= PipelineLength)
        return;
    int here = SlotModule[slot];
    PlaceModule(SlotModule[slot + 1], slot);
    PlaceModule(here, slot + 1);
}

void TForm1::MoveLeftClick(int slot)
{
    if (slot < 1 || slot >= PipelineLength)
        return;
    int left = SlotModule[slot - 1];
    PlaceModule(SlotModule[slot], slot - 1);
    PlaceModule(left, slot);
}

void TForm1::UpdateMoveRightItems()
{
    for (int k = 0; k < kSlots; ++k)
        SlotMenuItem(k, kMoveRight).SetEnabled(PipelineLength >= k + 2);
}

void TForm1::KeepResultClick(int slot)
{
    forms::MenuItem& item = SlotMenuItem(slot, kKeepResult);
    item.SetChecked(!item.Checked());
    SlotKeepResult[slot] = item.Checked();
}

void TForm1::SlotPopup(int slot)
{
    UpdateViewResultItem(slot, SlotMenuItem(slot, kViewResult));
}

void TForm1::UpdateViewResultItem(int slot, forms::MenuItem& item)
{
    item.SetEnabled(true);
    std::string file = FileListBox1.FileName();
    if (file.empty() || slot >= PipelineLength) {
        item.SetEnabled(false);
        return;
    }
    bool twoPages = AnySplitBefore(slot + 1);
    StepResultNames names = StepResultFiles(programFolder_, FileNameOf(file), SlotModule.data(),
                                            ModuleMethod.data(), slot, twoPages);
    StepResultOrigin origin;
    if (!StepOrigin(file, SlotModule.data(), ModuleMethod.data(), slot, &origin) ||
        !IsResultOf(names, twoPages, origin))
        item.SetEnabled(false);
}

void TForm1::SettingsClick(int slot)
{
    RunMethodSettings(slot);
}

void TForm1::RunMethodSettings(int slot)
{
    if (slot >= PipelineLength)
        return;
    const ModuleEntry& module = catalogue_.Module(SlotModule[slot]);
    std::string program = module.methods[ModuleMethod[SlotModule[slot]]].basePath + "_s.exe";
    if (FileExists(program))
        RunOutside(program, module.workFolder);   // its settings land beside its method
}

void TForm1::SlotMouseMove(int slot)
{
    if (slot >= PipelineLength)
        return;
    const ModuleEntry& module = catalogue_.Module(SlotModule[slot]);
    Label44.SetCaption(module.methods[ModuleMethod[SlotModule[slot]]].description);
}

void TForm1::RunOutside(const std::string& program, const std::string& folder)
{
    // The window keeps painting but takes no input until the program ended;
    // a close asked for meanwhile happens after that.
    const bool outermost = !busy_;
    if (outermost) {
        busy_ = true;
        EnableWindow(Handle(), FALSE);
    }
    SetCurrentDirectoryA(folder.c_str());
    WaitForProcess(StartProcess(program.c_str()));
    if (outermost) {
        SetCurrentDirectoryA(programFolder_.c_str());
        EnableWindow(Handle(), TRUE);
        busy_ = false;
        if (closeWhenDone_)
            Close();
    }
}

void TForm1::RestorePipeline()
{
    PipelineState state;
    if (!ReadPipelineStateFile(programFolder_ + "temp\\ini.dat", &state))
        return;
    if (catalogue_.ModulesChanged()) {
        // The numbers of the record may name other modules now: the choices
        // are found again by name, each module that is still there.
        PipelineNames names;
        if (!ReadPipelineNames(programFolder_ + "temp\\ini.names", &names))
            return;
        auto moduleNamed = [this](const std::string& file) {
            for (int m = 0; m < catalogue_.Count(); ++m)
                if (catalogue_.Module(m).fileName == file)
                    return m;
            return -1;
        };
        for (const auto& chosen : names.methods) {
            const int m = moduleNamed(chosen.first);
            if (m < 0)
                continue;
            const ModuleEntry& module = catalogue_.Module(m);
            for (int c = 0; c < module.methodCount; ++c)
                if (module.methods[c].fileName == chosen.second)
                    ModuleMethod[m] = c;
        }
        if (!state.folder.empty() && FolderExists(state.folder))
            DirectoryListBox1.SetDirectory(state.folder);
        for (size_t i = 0; i < names.slots.size() && PipelineLength < kSlots; ++i) {
            const int m = moduleNamed(names.slots[i]);
            if (m >= 0 && !ModuleInPipeline[m])
                PaletteClick(m);
        }
        return;
    }
    // The file is only a record of the last close: anything out of range is
    // left out rather than trusted.
    for (int m = 0; m < catalogue_.Count(); ++m) {
        int chosen = state.moduleMethod[m];
        ModuleMethod[m] = chosen >= 0 && chosen < catalogue_.Module(m).methodCount ? chosen : 0;
    }
    if (!state.folder.empty() && FolderExists(state.folder))
        DirectoryListBox1.SetDirectory(state.folder);
    int length = std::max(0, std::min<int>(state.length, kSlots));
    for (int i = 0; i < length; ++i) {
        int module = state.slotModule[i];
        if (module >= 0 && module < catalogue_.Count() && !ModuleInPipeline[module])
            PaletteClick(module);
    }
}

} // namespace platform
