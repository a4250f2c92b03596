#include "method_runner.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using namespace method_tests;

struct Search {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindSettingsWindow(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (pid == s->pid && std::string(cls) == "ThresholdSettingsWindow" && IsWindowVisible(hwnd)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// The settings program running in a work folder, driven by window messages.
class SettingsProgram {
public:
    explicit SettingsProgram(const testkit::TempFolder& work)
    {
        std::string line = InstallMethod(work, "threshold_s.exe");
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                            work.path().c_str(), &si, &pi_))
            return;
        for (int i = 0; i < 200 && !window_; ++i) {
            Search s{pi_.dwProcessId, nullptr};
            EnumWindows(FindSettingsWindow, reinterpret_cast<LPARAM>(&s));
            window_ = s.found;
            if (!window_)
                Sleep(50);
        }
    }
    ~SettingsProgram()
    {
        if (pi_.hProcess) {
            if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(pi_.hProcess, 99);
            CloseHandle(pi_.hProcess);
            CloseHandle(pi_.hThread);
        }
    }
    HWND window() const { return window_; }
    std::string Item(int id) const
    {
        char text[128] = {};
        GetDlgItemTextA(window_, id, text, sizeof text);
        return text;
    }
    void Type(const char* value) { SetDlgItemTextA(window_, 101, value); }
    void Click(int id) { SendMessageA(GetDlgItem(window_, id), BM_CLICK, 0, 0); }
    // The exit code once the program ended, or -1 while it still runs.
    int ExitCode(DWORD waitMs = 10000) const
    {
        if (WaitForSingleObject(pi_.hProcess, waitMs) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return static_cast<int>(code);
    }

private:
    PROCESS_INFORMATION pi_ = {};
    HWND window_ = nullptr;
};

TEST(ThresholdSettingsProgram, SavesAValueTheMethodThenUses)
{
    testkit::TempFolder work("settings");
    testkit::WriteText(work / "threshold.set", "threshold=90\r\n");
    SettingsProgram program(work);
    ASSERT_NE(program.window(), nullptr);
    EXPECT_EQ(program.Item(101), "90");   // shows the stored value

    program.Type("300");
    program.Click(IDOK);
    EXPECT_EQ(program.ExitCode(300), -1) << "an out-of-range value must not close the window";
    EXPECT_EQ(program.Item(102), "Enter a whole number from 0 to 255.");
    EXPECT_EQ(testkit::ReadText(work / "threshold.set"), "threshold=90\r\n");

    program.Type("77");
    program.Click(IDOK);
    EXPECT_EQ(program.ExitCode(), 0);
    EXPECT_EQ(testkit::ReadText(work / "threshold.set"), "threshold=77\r\n");
}

TEST(ThresholdSettingsProgram, CancelKeepsTheSettings)
{
    testkit::TempFolder work("settings");
    SettingsProgram program(work);
    ASSERT_NE(program.window(), nullptr);
    EXPECT_EQ(program.Item(101), "128");
    program.Type("10");
    program.Click(IDCANCEL);
    EXPECT_EQ(program.ExitCode(), 1);
    EXPECT_FALSE(testkit::FileExists(work / "threshold.set"));
}

} // namespace
