#include "process_runner.h"

#include "forms/application.h"
#include "forms/screen_cursor.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <sstream>

namespace {

using testkit::FileExists;
using testkit::TempFolder;

std::map<std::string, std::string> ReadProbe(const std::string& folder)
{
    std::map<std::string, std::string> fields;
    std::istringstream in(testkit::ReadText(folder + "\\probe.txt"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        size_t eq = line.find('=');
        if (eq != std::string::npos)
            fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

std::string CopyProbe(const TempFolder& folder, const std::string& name)
{
    std::string target = folder / name;
    EXPECT_TRUE(CopyFileA((testkit::ProgramFolder() + "\\runner_probe.exe").c_str(), target.c_str(),
                          FALSE));
    return target;
}

// Runs a program the way every caller does: its folder current, start, wait.
void RunIn(const std::string& folder, const std::string& program)
{
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    HANDLE process = platform::StartProcess(program.c_str());
    ASSERT_NE(process, nullptr) << program;
    platform::WaitForProcess(process);
}

class ProcessRunner : public ::testing::Test {
protected:
    void SetUp() override
    {
        GetCurrentDirectoryA(MAX_PATH, saved_cwd_);
        forms::ScreenCursor::Set(nullptr);
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(saved_cwd_);
        SetEnvironmentVariableA("RUNNER_PROBE_SLEEP_MS", nullptr);
        forms::ScreenCursor::Set(nullptr);
    }
    char saved_cwd_[MAX_PATH] = {};
};

TEST_F(ProcessRunner, ChildSeesTheCurrentFolderNoArgumentsAndNoConsole)
{
    TempFolder work("runner");
    std::string probe = CopyProbe(work, "probe.exe");
    RunIn(work.path(), probe);

    auto seen = ReadProbe(work.path());
    EXPECT_EQ(seen["cwd"], work.path());
    EXPECT_EQ(seen["cmdline"], probe);
    EXPECT_EQ(seen["argc"], "1");
    EXPECT_EQ(seen["console"], "0");
}

TEST_F(ProcessRunner, PathsWithBlanksAreQuoted)
{
    // "my probe.exe" must not start "my" with an argument "probe.exe".
    TempFolder work("runner blank");
    std::string probe = CopyProbe(work, "my probe.exe");
    RunIn(work.path(), probe);

    auto seen = ReadProbe(work.path());
    EXPECT_EQ(seen["cmdline"], "\"" + probe + "\"");
    EXPECT_EQ(seen["argc"], "1");
}

TEST_F(ProcessRunner, BatchFilesRunByTheirPath)
{
    struct Case { const char* folder; const char* name; };
    for (const Case& c : {Case{"runner", "job.bat"}, Case{"runner blank", "my job.bat"}}) {
        TempFolder work(c.folder);
        testkit::WriteText(work / c.name, "@echo done> done.txt\r\n");
        RunIn(work.path(), work / c.name);
        EXPECT_EQ(testkit::ReadText(work / "done.txt"), "done\r\n") << c.name;
    }
}

TEST_F(ProcessRunner, MissingProgramReturnsAtOnceWithoutWaiting)
{
    TempFolder work("runner");
    HANDLE process = platform::StartProcess((work / "nothing-here.exe").c_str());
    EXPECT_EQ(process, nullptr);
    EXPECT_EQ(platform::StartProcess(nullptr), nullptr);

    // A wait on nothing neither pumps messages nor touches the cursor.
    HCURSOR cross = LoadCursorA(nullptr, MAKEINTRESOURCEA(32515) /* IDC_CROSS */);
    forms::ScreenCursor::Set(cross);
    PostThreadMessageA(GetCurrentThreadId(), WM_APP + 7, 0, 0);
    platform::WaitForProcess(process);
    platform::WaitForProcess(INVALID_HANDLE_VALUE);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_APP + 7, WM_APP + 7, PM_REMOVE));
    EXPECT_EQ(forms::ScreenCursor::Get(), cross);
}

TEST_F(ProcessRunner, AQuitRequestDuringTheWaitIsKeptForTheLoop)
{
    TempFolder work("runner");
    std::string probe = CopyProbe(work, "probe.exe");
    SetEnvironmentVariableA("RUNNER_PROBE_SLEEP_MS", "300");
    PostQuitMessage(3);
    RunIn(work.path(), probe);
    EXPECT_TRUE(FileExists(work / "probe.txt")) << "the wait ended before the program did";
    EXPECT_TRUE(forms::Application::Terminated());
    EXPECT_EQ(forms::Application::Run(), 3);
}

// A window that answers WM_APP with 42 and notes the cursor it saw meanwhile.
struct Responder {
    static HCURSOR seen_cursor;
    static HCURSOR seen_screen_cursor;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_APP) {
            seen_cursor = GetCursor();
            seen_screen_cursor = forms::ScreenCursor::Get();
            return 42;
        }
        return DefWindowProcA(hwnd, msg, wp, lp);
    }
};
HCURSOR Responder::seen_cursor = nullptr;
HCURSOR Responder::seen_screen_cursor = nullptr;

struct Caller {
    HWND window;
    DWORD_PTR answer = 0;
    BOOL answered = FALSE;
    DWORD answered_at = 0;
    static DWORD WINAPI Run(void* self)
    {
        Caller* c = static_cast<Caller*>(self);
        Sleep(300);
        c->answered = SendMessageTimeoutA(c->window, WM_APP, 0, 0, SMTO_NORMAL, 1000, &c->answer) != 0;
        c->answered_at = GetTickCount();
        return 0;
    }
};

TEST_F(ProcessRunner, WindowAnswersDuringALongWaitAndTheCursorComesBack)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Responder::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "RunnerTestResponder";
    RegisterClassA(&wc);
    HWND window = CreateWindowA(wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, wc.hInstance, nullptr);
    ASSERT_NE(window, nullptr);

    TempFolder work("runner");
    std::string probe = CopyProbe(work, "probe.exe");
    SetEnvironmentVariableA("RUNNER_PROBE_SLEEP_MS", "2000");
    HCURSOR cross = LoadCursorA(nullptr, MAKEINTRESOURCEA(32515) /* IDC_CROSS */);
    forms::ScreenCursor::Set(cross);

    Caller caller{window};
    HANDLE thread = CreateThread(nullptr, 0, Caller::Run, &caller, 0, nullptr);
    RunIn(work.path(), probe);
    DWORD ended_at = GetTickCount();
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);

    EXPECT_TRUE(caller.answered) << "the window did not answer while the program ran";
    EXPECT_EQ(caller.answer, 42u);
    EXPECT_LT(static_cast<LONG>(caller.answered_at - ended_at), 0) << "answered only after the wait";
    HCURSOR hourglass = LoadCursorA(nullptr, MAKEINTRESOURCEA(32514) /* IDC_WAIT */);
    EXPECT_EQ(Responder::seen_cursor, hourglass);
    EXPECT_EQ(Responder::seen_screen_cursor, hourglass);
    EXPECT_TRUE(FileExists(work / "probe.txt")) << "the wait ended before the program did";
    EXPECT_EQ(forms::ScreenCursor::Get(), cross);
    EXPECT_EQ(GetCursor(), cross);
    DestroyWindow(window);
}

} // namespace
