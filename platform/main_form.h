#pragma once
// TForm1: the main window of the workbench. It holds the module palette, the
// pipeline slots, the image choice, the preview and result views, the hidden
// run log, and the state every other window reads: the module catalogue,
// the pipeline and the result pages.
#include "forms/button.h"
#include "forms/directory_list_box.h"
#include "forms/drive_combo_box.h"
#include "forms/file_list_box.h"
#include "forms/form.h"
#include "forms/image_box.h"
#include "forms/label.h"
#include "forms/memo.h"
#include "forms/panel.h"
#include "forms/popup_menu.h"
#include "forms/shape.h"
#include "module_catalogue.h"
#include "step_result.h"
#include "vistrel_view.h"

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace platform {

constexpr int kSlots = 7;              // pipeline slots and palette tiles on the window
constexpr int kMaxResultPages = 2000;

class TForm1 : public forms::Form {
public:
    TForm1();
    ~TForm1() override;

    // The program folder, with its trailing backslash.
    const std::string& ProgramFolder() const { return programFolder_; }
    const ModuleCatalogue& Catalogue() const { return catalogue_; }

    // Pipeline state.
    int32_t PipelineLength = 0;
    std::array<int32_t, 20> SlotModule{};
    std::array<int32_t, 20> ModuleMethod{};
    std::array<bool, 20> SlotKeepResult{};
    std::array<bool, 20> ModuleInPipeline{};

    // Result pages of the last run.
    std::vector<std::string> ResultSource, ResultLeft, ResultRight;
    std::vector<bool> ResultTwoPages;
    int32_t ResultCount = 0;
    int32_t ResultIndex = 0;

    // Components the code addresses by name.
    forms::DriveComboBox DriveComboBox1;
    forms::DirectoryListBox DirectoryListBox1;
    forms::FileListBox FileListBox1;
    forms::Panel Panel1, Panel2, Panel3;
    TVistrel7_ Vistrel7_1, Vistrel7_2, Vistrel7_3;
    forms::Button Button15, Button18, Button16, Button17;   // Apply, Settings, About, Close
    forms::Button Button19, Button20;                       // result paging ">" and "<"
    forms::Label Label59, Label60, Label58, Label44;
    forms::Shape Shape5;
    forms::Memo Memo1;

    // The tile table: components of the palette tiles, the slots, the
    // connectors before slots 1 to 6 and the slots' status icons, by index.
    struct PaletteTile {
        forms::ImageBox* image;
        forms::Label* line1;
        forms::Label* line2;
        forms::Label* count;
    };
    struct Slot {
        forms::ImageBox* image;
        forms::Label* line1;
        forms::Label* line2;
        forms::Label* method;
        forms::Button* previous;   // "<"
        forms::Button* next;       // ">"
        forms::PopupMenu* menu;
        forms::ImageBox* plainConnector;   // null for slot 0
        forms::ImageBox* splitConnector;
        forms::ImageBox* okIcon;
        forms::ImageBox* failedIcon;
    };
    std::array<PaletteTile, kSlots> Palette{};
    std::array<Slot, kSlots> Slots{};

    // Handlers of the pipeline editor.
    void PaletteClick(int tile);
    void MethodButtonClick(int slot, int step);   // "<" is -1, ">" is +1
    void MoveRightClick(int slot);
    void MoveLeftClick(int slot);
    void RemoveClick(int slot);
    void KeepResultClick(int slot);
    void SlotPopup(int slot);
    void SettingsClick(int slot);
    void SlotMouseMove(int slot);
    void ShowStepResult(int slot);

    // Handlers of a run and of the result pages.
    void Button15Click();
    void Button19Click();
    void Button20Click();

    // Handlers.
    void FormShow();
    void FormClose(bool& allow);
    void FileListBox1Click();
    void DirectoryListBox1Click();
    void Vistrel7_1DblClick();
    void Button16Click();
    void Button17Click();
    void Button18Click();

    // Steps the editor shares.
    void PlaceModule(int module, int slot);
    void ShowSlotMethod(int slot, int module);
    void ReleaseModule(int module);
    void HideSlot(int slot);
    void UpdateMoveRightItems();
    void UpdateViewResultItem(int slot, forms::MenuItem& item);
    void RunMethodSettings(int slot);
    void RestorePipeline();

private:
    void BuildTiles();
    void WireEditor();
    void ShowResultPage(int page);
    // One step of a run whose result is not taken from the cache.
    struct StepRun {
        std::string workFolder, program, input, secondInput;
        bool hasSecond = false;   // a second page comes in
        bool split = false;       // the module makes two pages of one
        bool twoPages = false;    // the step's result has two pages
        StepResultNames result;
        StepResultOrigin origin;  // the run's source image
    };
    // Runs the step's method on fresh exchange files and keeps its result with
    // its origin record; false, and no result, when any part of it failed.
    bool RunStep(const StepRun& step);
    // Starts a program in a folder and waits, the window taking no input meanwhile.
    void RunOutside(const std::string& program, const std::string& folder);
    bool AnySplitBefore(int slot) const;
    // The settings digest of the chain of slots 0..step with these methods.
    uint64_t ChainSettings(const int32_t* slots, const int32_t* methods, int step) const;
    // The origin a result of step `step` for this source must carry.
    bool StepOrigin(const std::string& source, const int32_t* slots, const int32_t* methods,
                    int step, StepResultOrigin* origin) const;
    forms::MenuItem& SlotMenuItem(int slot, int index) const;
    bool busy_ = false;
    bool closeWhenDone_ = false;
    bool keepSavedState_ = false;   // a close during start-up leaves "temp\ini.dat" alone
    template <class T, class... Args>
    T& Own(Args&&... args)
    {
        auto component = std::make_unique<T>(std::forward<Args>(args)...);
        T& result = *component;
        owned_.push_back(std::move(component));
        return result;
    }
    void StartUp();
    [[noreturn]] void Fatal(const std::string& message);
    void SaveState();
    void DeleteCachedResults();

    std::string programFolder_;
    ModuleCatalogue catalogue_;
    bool started_ = false;
    std::vector<std::unique_ptr<forms::Component>> owned_;
    std::vector<std::unique_ptr<forms::PopupMenu>> menus_;
};

} // namespace platform
