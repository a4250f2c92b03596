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

#include <set>

namespace platform {

namespace {

void Remove(const std::string& path)
{
    DeleteFileA(path.c_str());
}

void CopyOver(const std::string& from, const std::string& to)
{
    CopyFileA(from.c_str(), to.c_str(), FALSE);
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

std::string Lower(std::string text)
{
    CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
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

    busy_ = true;
    EnableWindow(Handle(), FALSE);
    HCURSOR previousCursor = forms::ScreenCursor::Get();
    std::set<std::string> savedThisRun;
    ResultCount = 0;

    for (const std::string& name : images) {
        Memo1.Clear();
        const std::string source = Joined(folder, name);
        ResultSource[ResultCount] = source;
        forms::ScreenCursor::Set(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */));
        Shape5.SetVisible(true);

        std::string input = source, secondInput;
        bool hasSecond = false, twoPages = false;
        for (int i = 0; i < length; ++i) {
            const int m = slots[i];
            const ModuleEntry& module = catalogue_.Module(m);
            const std::string& work = module.workFolder;
            const bool split = module.SplitsPages();
            if (split || hasSecond)
                twoPages = true;
            StepResultNames result =
                StepResultFiles(programFolder_, name, slots.data(), methods.data(), i, twoPages);

            Memo1.AddLine("   In: " + input);
            Memo1.AddLine("Out: " + result.first);
            if (split)
                Memo1.AddLine("Out: " + result.second);
            if (hasSecond) {
                Memo1.AddLine("   In: " + secondInput);
                Memo1.AddLine("Out: " + result.second);
            }
            Memo1.AddLine("---------------");
            Shape5.SetLeft(i * 163);
            forms::Application::ProcessMessages();
            SetCurrentDirectoryA(work.c_str());
            Memo1.AddLine(work);

            // A two-page step is cached only when both of its pages are.
            const bool cached = keep[i] && FileExists(result.first) &&
                                (!twoPages || FileExists(result.second));
            const std::string in = work + "\\in.tif", in1 = work + "\\in1.tif";
            const std::string out = work + "\\out.tif", out1 = work + "\\out1.tif";
            if (!cached)
                CopyOver(input, in);
            if (hasSecond && !cached)
                CopyOver(secondInput, in1);
            const std::string& base = module.methods[methods[m]].basePath;
            const std::string program = FileExists(base + ".exe") ? base + ".exe" : base + ".bat";
            Memo1.AddLine(program);

            bool ok = true;
            if (!cached) {
                // A recomputed step never leaves an older result behind.
                Remove(result.first);
                if (twoPages)
                    Remove(result.second);
                Remove(out);
                if (split)
                    Remove(out1);
                RunOutside(program, work);
                ok = FileExists(out) && (!split || FileExists(out1));
                Remove(in);
                if (ok) {
                    CopyOver(out, result.first);
                    if (split)
                        CopyOver(out1, result.second);
                }
                Remove(out);
                if (split)
                    Remove(out1);
                if (hasSecond) {
                    CopyOver(in1, in);
                    Remove(out);
                    RunOutside(program, work);
                    bool secondOk = FileExists(out);
                    Remove(in);
                    Remove(in1);
                    if (secondOk)
                        CopyOver(out, result.second);
                    Remove(out);
                    ok = ok && secondOk;
                }
                if (!ok) {
                    Remove(result.first);
                    if (twoPages)
                        Remove(result.second);
                }
            }
            Slots[i].okIcon->SetVisible(ok);
            Slots[i].failedIcon->SetVisible(!ok);
            Memo1.AddLine("---------------");
            input = result.first;
            if (twoPages) {
                secondInput = result.second;
                hasSecond = true;
            }
        }
        Shape5.SetVisible(false);
        SetCurrentDirectoryA(programFolder_.c_str());

        // The final result (and right page) into the results folder.
        const std::string saved = Joined(resultsFolder, WithExtension(name, twoPages ? "_L.tif" : ".tif"));
        const std::string savedRight = Joined(resultsFolder, WithExtension(name, "_R.tif"));
        ResultLeft[ResultCount] = saved;
        ResultRight[ResultCount] = twoPages ? savedRight : std::string();
        ResultTwoPages[ResultCount] = twoPages;
        auto save = [&](TVistrel7_& view, const std::string& target) {
            std::string key = Lower(target);
            if (key == Lower(source)) {
                problems.push_back(target + " is the source image itself: the result was not saved.");
                return;
            }
            if (!savedThisRun.insert(key).second) {
                problems.push_back(target + " was already written in this run: the result of " +
                                   source + " was not saved.");
                return;
            }
            view.SetSaveFileName(target);
            view.SetSaveTIFFCompression(view.IBPP() == 1 ? 3 : 1);
            if (!view.SaveFile())
                problems.push_back(target + " could not be saved.");
        };
        if (Vistrel7_2.SetFileName(input))
            save(Vistrel7_2, saved);
        if (twoPages) {
            if (Vistrel7_3.SetFileName(secondInput))
                save(Vistrel7_3, savedRight);
            Vistrel7_3.ZoomToFit(2);
        }
        Vistrel7_2.ZoomToFit(2);
        forms::Application::ProcessMessages();
        PauseWithMessages(500);
        ++ResultCount;
        for (Slot& slot : Slots) {
            slot.okIcon->SetVisible(false);
            slot.failedIcon->SetVisible(false);
        }
    }

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
