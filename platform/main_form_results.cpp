// "View Result" of a slot: the cached results of that step for the focused
// image — the chosen method's and those of the module's other methods — in
// the step-result viewer.
#include "main_form.h"

#include "file_paths.h"

#include "page_pair_viewer_form.h"
#include "program_forms.h"
#include "result_viewer_form.h"
#include "step_result.h"

#include "forms/application.h"

namespace platform {

void TForm1::ShowStepResult(int slot)
{
    Memo1.Clear();
    const std::string file = FileListBox1.FileName();
    Memo1.AddLine("FN : " + FileNameOf(file));
    if (file.empty()) {
        Memo1.AddLine("No image Selected");
        MessageBoxA(Handle(), "No image is selected!", forms::Application::Title().c_str(), MB_OK);
        return;
    }
    if (slot >= PipelineLength)
        return;
    const std::string image = FileNameOf(file);
    const bool twoPages = AnySplitBefore(slot + 1);
    StepResultNames chosen = StepResultFiles(programFolder_, image, SlotModule.data(),
                                             ModuleMethod.data(), slot, twoPages);
    // A result made from another image of the same name, or from this one
    // before it changed, is no result of this image.
    StepResultOrigin origin;
    const bool fileThere = StepOrigin(file, SlotModule.data(), ModuleMethod.data(), slot, &origin);
    auto isResult = [&](const std::string& path) {
        return fileThere && IsResultOf({path, std::string()}, false, origin);
    };
    auto note = [&](const std::string& path) {
        Memo1.AddLine((isResult(path) ? "Result Exists - File :" : "Result DOES NOT Exists - File :") +
                      FileNameOf(path));
    };
    note(chosen.first);
    if (twoPages)
        note(chosen.second);
    if (!isResult(chosen.first) || (twoPages && !isResult(chosen.second))) {
        MessageBoxA(Handle(), "No results yet! Press 'Apply Processes'",
                    forms::Application::Title().c_str(), MB_OK);
        return;
    }

    StepResultSet set;
    set.input = file;
    set.step = slot;
    for (int j = 0; j <= slot; ++j) {
        const ModuleEntry& module = catalogue_.Module(SlotModule[j]);
        set.steps.push_back({module.caption1, module.caption2,
                             module.methods[ModuleMethod[SlotModule[j]]].name});
    }
    const int m = SlotModule[slot];
    const ModuleEntry& module = catalogue_.Module(m);
    set.results.push_back({chosen.first, chosen.second, module.methods[ModuleMethod[m]].name});
    // The module's other methods at this step, after the same earlier steps.
    std::array<int32_t, 20> methods = ModuleMethod;
    for (int c = 0; c < module.methodCount; ++c) {
        if (c == ModuleMethod[m])
            continue;
        methods[m] = c;
        origin.settings = ChainSettings(SlotModule.data(), methods.data(), slot);
        StepResultNames other = StepResultFiles(programFolder_, image, SlotModule.data(),
                                                methods.data(), slot, twoPages);
        if (isResult(other.first) && (!twoPages || isResult(other.second)))
            set.results.push_back({other.first, other.second, module.methods[c].name});
    }

    StepResultViewer& viewer = twoPages ? static_cast<StepResultViewer&>(*Forms().Form5)
                                        : static_cast<StepResultViewer&>(*Forms().Form4);
    if (viewer.SetResults(set))
        viewer.ShowResults();
}

} // namespace platform
