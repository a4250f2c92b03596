// "Apply Processes": the pipeline run over the selected images, its step
// results cached under "temp\", the final results saved into the results
// folder, and paging through them.
#include "main_form.h"

#include "file_paths.h"

#include "program_forms.h"
#include "settings_form.h"
#include "step_result.h"

#include "forms/application.h"
#include "forms/screen_cursor.h"

#include <map>
#include <set>


namespace platform {

namespace {

// Copies a file over the target; true when the copy is there.
bool CopyOver(const std::string& from, const std::string& to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

std::string Joined(const std::string& folder, const std::string& name)
{
    if (!folder.empty() && folder.back() == '\\')
        return folder + name;
    return folder + "\\" + name;
}

// The image's name with its extension replaced (or, without one, extended).
std::string WithExtension(const std::string& name, const std::string& extension)
{
    size_t dot = name.find_last_of('.');
    return (dot == std::string::npos ? name : name.substr(0, dot)) + extension;
}

// Lets the window live for a while without going on.
void PauseWithMessages(DWORD milliseconds)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent >= milliseconds)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - spent, QS_ALLINPUT);
        forms::Application::ProcessMessages();
    }
}

} // namespace

bool TForm1::RunStep(const StepRun& step)
{
    const std::string& work = step.workFolder;
    const std::string in = work + "\\in.tif", in1 = work + "\\in1.tif";
    const std::string out = work + "\\out.tif", out1 = work + "\\out1.tif";
    auto removeExchangeFiles = [&] {
        bool gone = true;
        for (const std::string* file : {&in, &in1, &out, &out1})
            gone = RemoveFile(*file) && gone;
        return gone;
    };
    // A recomputed step never leaves an older result behind, and nothing an
    // earlier step or run left in the work folder counts for this one: the
    // method runs only on the input copied now.
    bool ok = RemoveStepResult(step.result) && removeExchangeFiles() &&
              CopyOver(step.input, in) && (!step.hasSecond || CopyOver(step.secondInput, in1));
    if (ok) {
        RunOutside(step.program, work);
        ok = FileExists(out) && (!step.split || FileExists(out1)) &&
             CopyOver(out, step.result.first) && (!step.split || CopyOver(out1, step.result.second));
    }
    if (ok && step.hasSecond) {
        ok = RemoveFile(out) && RemoveFile(in) && CopyOver(in1, in);
        if (ok) {
            RunOutside(step.program, work);
            ok = FileExists(out) && CopyOver(out, step.result.second);
        }
    }
    removeExchangeFiles();
    ok = ok && WriteStepResultOrigin(step.result.first, step.origin) &&
         (!step.twoPages || WriteStepResultOrigin(step.result.second, step.origin));
    if (!ok)
        RemoveStepResult(step.result);
    return ok;
}

void TForm1::Button15Click()
{
    if (busy_)
        return;
    if (PipelineLength == 0) {
        MessageBoxA(Handle(), "The pipeline is empty! Add a module first.",
                    forms::Application::Title().c_str(), MB_OK);
        return;
    }
    // What the run works on is taken now: clicks during the run change nothing of it.
    const int length = PipelineLength;
    const std::array<int32_t, 20> slots = SlotModule;
    const std::array<int32_t, 20> methods = ModuleMethod;
    const std::array<bool, 20> keep = SlotKeepResult;
    const std::string folder = FileListBox1.Directory();
    const std::string resultsFolder = Forms().Form3->DirectoryListBox1.Directory();
    std::vector<std::string> images;
    for (int i = 0; i < FileListBox1.Count(); ++i)
        if (FileListBox1.Selected(i))
            images.push_back(FileListBox1.Item(i));
    std::vector<std::string> problems;
    if (images.size() > static_cast<size_t>(kMaxResultPages)) {
        problems.push_back("Only the first " + std::to_string(kMaxResultPages) +
                           " selected images are processed.");
        images.resize(kMaxResultPages);
    }
    std::vector<std::string> sources;
    std::multimap<std::string, size_t> sourceKeys;   // by PathKey: which images a target would replace
    for (const std::string& name : images) {
        sourceKeys.emplace(PathKey(Joined(folder, name)), sources.size());
        sources.push_back(Joined(folder, name));
    }
    // Results saved among the images must not replace an image that is there.
    const bool resultsAmongImages = SamePath(resultsFolder, folder);

    busy_ = true;
    EnableWindow(Handle(), FALSE);
    HCURSOR previousCursor = forms::ScreenCursor::Get();
    forms::ScreenCursor::Set(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */));
    // The result pages of the last run make way for this one's, shown at its end.
    Panel2.SetVisible(false);
    std::set<std::string> savedThisRun;   // PathKey of every result saved
    ResultCount = 0;

    // What the window shows of a run changes only when it can be looked at: a
    // step taken from the cache takes no time. The slot icons are put on the
    // window before a method starts and at the end of each image; the log
    // (a hidden window whose every change costs it a layout) before a method
    // starts and at the end of the run, each time with the image's lines so far.
    std::string log;                          // the image's log so far
    enum Icon : uint8_t { kNoIcon, kOkIcon, kFailedIcon };
    std::array<Icon, kSlots> icons{};         // what each slot's status icon is to show
    auto showProgress = [&](bool withLog) {
        if (withLog && Memo1.Text() != log)
            Memo1.SetText(log);
        for (int k = 0; k < kSlots; ++k) {
            Slots[k].okIcon->SetVisible(icons[k] == kOkIcon);
            Slots[k].failedIcon->SetVisible(icons[k] == kFailedIcon);
        }
    };
    auto addLine = [&log](const std::string& line) {
        log += line;
        log += "\r\n";
    };
    // The settings digest and program of each slot's method, looked up once
    // and again only after a program ran: nothing else within the run writes
    // into the work folders (the window takes no input meanwhile).
    std::array<bool, 20> methodKnown{};
    std::array<uint64_t, 20> methodDigest{};
    std::array<std::string, 20> methodProgram;

    for (size_t image = 0; image < images.size(); ++image) {
        const std::string& name = images[image];
        const std::string& source = sources[image];
        log.clear();
        ResultSource[ResultCount] = source;

        StepRun step;
        StepResultOrigin sourceOrigin;
        const bool sourceThere = OriginOfSource(source, &sourceOrigin);
        uint64_t chain = 0;        // the settings of the methods of slots 0..i
        std::string input = source, secondInput;
        bool hasSecond = false, twoPages = false;
        bool recomputed = false;   // once a step ran, every later step runs too
        int failedStep = -1;       // the first step without a result
        bool ran = false;          // a method ran for this image
        for (int i = 0; i < length; ++i) {
            const int m = slots[i];
            const ModuleEntry& module = catalogue_.Module(m);
            const std::string& work = module.workFolder;
            const bool split = module.SplitsPages();
            if (split || hasSecond)
                twoPages = true;
            StepResultNames result =
                StepResultFiles(programFolder_, name, slots.data(), methods.data(), i, twoPages);

            addLine("   In: " + input);
            addLine("Out: " + result.first);
            if (split)
                addLine("Out: " + result.second);
            if (hasSecond) {
                addLine("   In: " + secondInput);
                addLine("Out: " + result.second);
            }
            addLine("---------------");
            addLine(work);

            if (!methodKnown[i]) {
                const std::string& base = module.methods[methods[m]].basePath;
                methodProgram[i] = FileExists(base + ".exe") ? base + ".exe" : base + ".bat";
                methodDigest[i] = MethodSettingsDigest(base);
                methodKnown[i] = true;
            }
            const std::string& program = methodProgram[i];
            addLine(program);

            // A result counts as cached only when all its pages are there and
            // were made from this very source as it is now, with the settings
            // every method up to this step has now.
            chain = SettingsOfChain(chain, methodDigest[i]);
            step.origin = sourceOrigin;
            step.origin.settings = chain;
            const bool cached = !recomputed && keep[i] && sourceThere &&
                                IsResultOf(result, twoPages, step.origin);
            bool ok = true;
            if (!cached) {
                recomputed = true;
                Shape5.SetLeft(i * 163);
                Shape5.SetVisible(true);
                showProgress(true);
                forms::Application::ProcessMessages();
                step.workFolder = work;
                step.program = program;
                step.input = input;
                step.secondInput = secondInput;
                step.hasSecond = hasSecond;
                step.split = split;
                step.twoPages = twoPages;
                step.result = result;
                if (sourceThere) {
                    ran = true;
                    ok = RunStep(step);
                    methodKnown.fill(false);   // a program may have changed its settings
                } else {
                    ok = false;
                }
            }
            if (!ok && failedStep < 0)
                failedStep = i;
            icons[i] = ok ? kOkIcon : kFailedIcon;
            addLine("---------------");
            input = result.first;
            if (twoPages) {
                secondInput = result.second;
                hasSecond = true;
            }
        }
        if (ran) {
            Shape5.SetVisible(false);
            SetCurrentDirectoryA(programFolder_.c_str());
        }

        // The final result (and right page) into the results folder. The page
        // holds what this run made, never a file that happens to be there.
        const std::string saved = Joined(resultsFolder, WithExtension(name, twoPages ? "_L.tif" : ".tif"));
        const std::string savedRight = Joined(resultsFolder, WithExtension(name, "_R.tif"));
        auto save = [&](TVistrel7_& view, const std::string& made, const std::string& target) {
            // A result the view saved in an earlier run is copied as it was
            // saved then; any other is loaded into the view and saved from there.
            std::string savedForm;
            const bool kept = SavedFormOf(made, &savedForm);
            if (!kept && !view.SetFileName(made)) {
                problems.push_back(made + " could not be loaded: the result of " + source +
                                   " was not saved.");
                return std::string();
            }
            std::string refusal;
            const std::string key = PathKey(target);
            auto same = sourceKeys.equal_range(key);
            for (auto it = same.first; it != same.second && refusal.empty(); ++it)
                refusal = it->second == image
                              ? target + " is the source image itself: the result was not saved."
                              : target + " is a source image of this run: the result of " + source +
                                    " was not saved.";
            if (refusal.empty() && savedThisRun.count(key))
                refusal = target + " was already written in this run: the result of " + source +
                          " was not saved.";
            if (refusal.empty() && resultsAmongImages && FileExists(target))
                refusal = target + " is an image of the images folder: the result of " + source +
                          " was not saved.";
            if (!refusal.empty()) {
                problems.push_back(refusal);
                return made;               // shown, as this run made it, but not saved
            }
            bool written;
            if (kept) {
                written = CopyOver(savedForm, target);
            } else {
                view.SetSaveFileName(target);
                view.SetSaveTIFFCompression(view.IBPP() == 1 ? 3 : 1);
                written = view.SaveFile();
                if (written)
                    KeepSavedForm(made, target);   // without it the next run saves through the view again
            }
            if (!written) {
                problems.push_back(target + " could not be saved.");
                return made;
            }
            savedThisRun.insert(key);
            return target;
        };
        std::string shown, shownRight;
        if (failedStep >= 0) {
            problems.push_back("No result for " + source + ": step " + std::to_string(failedStep + 1) +
                               " failed.");
        } else {
            shown = save(Vistrel7_2, input, saved);
            if (twoPages)
                shownRight = save(Vistrel7_3, secondInput, savedRight);
        }
        ResultLeft[ResultCount] = shown;
        ResultRight[ResultCount] = shownRight;
        ResultTwoPages[ResultCount] = twoPages;
        showProgress(false);
        forms::Application::ProcessMessages();
        PauseWithMessages(500);
        ++ResultCount;
        icons.fill(kNoIcon);
    }
    if (!images.empty())
        showProgress(true);

    forms::ScreenCursor::Set(previousCursor);
    EnableWindow(Handle(), TRUE);
    busy_ = false;
    if (ResultCount > 0) {
        ShowResultPage(0);
        if (ResultCount == 1) {
            Label59.SetCaption("Result:");
            Label60.SetVisible(false);
            Button20.SetVisible(false);
            Button19.SetVisible(false);
        } else {
            Label59.SetCaption("Results:");
            Label60.SetCaption("1/" + std::to_string(ResultCount));
            Label60.SetVisible(true);
            Button20.SetVisible(true);
            Button20.SetEnabled(false);
            Button19.SetVisible(true);
            Button19.SetEnabled(true);
        }
        ResultIndex = 0;
        Label59.SetVisible(true);
        forms::Application::ProcessMessages();
    }
    if (!problems.empty()) {
        std::string text;
        for (const std::string& p : problems)
            text += p + "\n";
        text.pop_back();
        MessageBoxA(Handle(), text.c_str(), forms::Application::Title().c_str(), MB_OK);
    }
    if (closeWhenDone_)
        Close();
}

void TForm1::ShowResultPage(int page)
{
    const bool two = ResultTwoPages[page];
    Panel2.SetVisible(true);
    Panel2.SetWidth(two ? 177 : 354);
    Panel3.SetVisible(two);
    Vistrel7_1.SetFileName(ResultSource[page]);
    Vistrel7_1.ZoomToFit(2);
    Vistrel7_2.SetFileName(ResultLeft[page]);
    Vistrel7_2.ZoomToFit(2);
    if (two) {
        Vistrel7_3.SetFileName(ResultRight[page]);
        Vistrel7_3.ZoomToFit(2);
    }
}

void TForm1::Button19Click()
{
    if (ResultIndex + 1 >= ResultCount)
        return;
    ++ResultIndex;
    ShowResultPage(ResultIndex);
    Label59.SetCaption("Results:");
    Label60.SetCaption(std::to_string(ResultIndex + 1) + "/" + std::to_string(ResultCount));
    Button20.SetEnabled(true);
    Button19.SetEnabled(ResultIndex + 1 < ResultCount);
}

void TForm1::Button20Click()
{
    if (ResultIndex <= 0)
        return;
    --ResultIndex;
    ShowResultPage(ResultIndex);
    Label59.SetCaption("Results:");
    Label60.SetCaption(std::to_string(ResultIndex + 1) + "/" + std::to_string(ResultCount));
    Button19.SetEnabled(true);
    Button20.SetEnabled(ResultIndex > 0);
}

} // namespace platform
