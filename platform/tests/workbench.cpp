#include "workbench.h"

#include "module_record.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>

namespace workbench_tests {

namespace {

std::string BinFolder() { return testkit::ProgramFolder(); }

bool Copy(const std::string& from, const std::string& to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

} // namespace

ProgramFolder::ProgramFolder()
{
    EXPECT_TRUE(Copy(BinFolder() + "\\scanforge.exe", folder_ / "scanforge.exe"));
    CreateDirectoryA((folder_ / "images").c_str(), nullptr);
    CreateDirectoryA((folder_ / "results").c_str(), nullptr);
    CreateDirectoryA((folder_ / "Bin").c_str(), nullptr);
}

void ProgramFolder::AddModule(const std::string& file, const std::string& caption1,
                              const std::string& caption2, int position, int pageSplit,
                              const std::string& colour)
{
    platform::ModuleRecord r;
    r.caption1 = caption1;
    r.caption2 = caption2;
    r.description = "Module " + caption1;
    r.colourCode = colour;
    r.pageSplit = pageSplit;
    r.position = position;
    EXPECT_TRUE(platform::WriteModuleRecordFile(folder_ / file, r));
}

void ProgramFolder::Pack(const testkit::TempFolder& staging, const std::string& moduleFile,
                         const std::string& method, const std::string& files)
{
    std::string package = moduleFile + "." + method;
    std::string line = "\"" + std::string(ARCHIVER_DIR) + "\\rar.exe\" a -sfxwincon.sfx " + package +
                       " " + files + " " + method + ".txt " + method + ".name " + method + ".tab";
    ASSERT_EQ(testkit::RunAndWait(line, staging.path()), 0) << line;
    ASSERT_TRUE(MoveFileExA((staging / (package + ".exe")).c_str(), (folder_ / package).c_str(),
                            MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING));
}

void ProgramFolder::AddPackedMethod(const std::string& moduleFile, const std::string& method,
                                    const std::string& displayName, const std::string& description)
{
    testkit::TempFolder staging("staging");
    testkit::WriteText(staging / (method + ".bat"), "@copy /y in.tif out.tif >nul\r\n");
    testkit::WriteText(staging / (method + ".name"), displayName);
    testkit::WriteText(staging / (method + ".txt"), description);
    testkit::WriteText(staging / (method + ".tab"), "1");
    Pack(staging, moduleFile, method, method + ".bat");
}

void ProgramFolder::AddBatchMethod(const std::string& moduleFile, const std::string& method,
                                   const std::string& displayName, const std::string& body)
{
    testkit::TempFolder staging("staging");
    testkit::WriteText(staging / (method + ".bat"), body);
    testkit::WriteText(staging / (method + ".name"), displayName);
    testkit::WriteText(staging / (method + ".txt"), "Method " + displayName);
    testkit::WriteText(staging / (method + ".tab"), "1");
    Pack(staging, moduleFile, method, method + ".bat");
}

void ProgramFolder::AddProgramMethod(const std::string& moduleFile, const std::string& method,
                                     const std::string& programPath, const std::string& settingsPath)
{
    testkit::TempFolder staging("staging");
    ASSERT_TRUE(Copy(programPath, staging / (method + ".exe")));
    std::string files = method + ".exe";
    if (!settingsPath.empty()) {
        ASSERT_TRUE(Copy(settingsPath, staging / (method + "_s.exe")));
        files += " " + method + "_s.exe";
    }
    testkit::WriteText(staging / (method + ".name"), method);
    testkit::WriteText(staging / (method + ".txt"), "Program " + method);
    testkit::WriteText(staging / (method + ".tab"), "1");
    Pack(staging, moduleFile, method, files);
}

void ProgramFolder::AddHandmadePackage(const std::string& moduleFile, const std::string& method)
{
    EXPECT_TRUE(Copy(BinFolder() + "\\test_package.exe", folder_ / (moduleFile + "." + method)));
}

Workbench::Workbench(const ProgramFolder& folder)
    : program_(std::make_unique<forms::probe::Program>(folder / "scanforge.exe", folder.path()))
{
}

Workbench::~Workbench()
{
    // A test that failed half-way leaves no program behind.
    if (program_->started() && program_->WaitForExit(0) == -1)
        TerminateProcess(program_->handle(), 99);
}

HWND Workbench::WaitUntilStarted(DWORD limitMs)
{
    main_ = program_->WaitForForm("TForm1", limitMs);
    // Start-up runs while the window is being shown and re-enables it last.
    for (DWORD waited = 0; main_ && !IsWindowEnabled(main_) && waited < limitMs; waited += 50)
        Sleep(50);
    return main_;
}

HWND Workbench::Component(const std::string& name)
{
    return forms::probe::FindComponent(program_->id(), name);
}

std::string Workbench::Text(const std::string& name)
{
    return forms::probe::TextOf(Component(name));
}

bool Workbench::Visible(const std::string& name)
{
    HWND w = Component(name);
    return w && IsWindowVisible(w);
}

bool Workbench::Enabled(const std::string& name)
{
    HWND w = Component(name);
    return w && IsWindowEnabled(w);
}

std::vector<std::string> Workbench::LogLines()
{
    std::vector<std::string> lines;
    std::istringstream in(Text("Memo1"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

HWND Workbench::WaitForMessageBox(DWORD limitMs)
{
    for (DWORD waited = 0; waited < limitMs; waited += 50) {
        for (HWND window : forms::probe::TopLevelWindows(program_->id())) {
            char cls[16] = {};
            GetClassNameA(window, cls, sizeof cls);
            if (std::string(cls) == "#32770" && IsWindowVisible(window))
                return window;
        }
        if (program_->WaitForExit(0) != -1)
            return nullptr;
        Sleep(50);
    }
    return nullptr;
}

std::string Workbench::MessageText(HWND box)
{
    return forms::probe::TextOf(GetDlgItem(box, 0xFFFF));
}

void Workbench::PressOk(HWND box)
{
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

int Workbench::Close()
{
    if (main_)
        PostMessageA(main_, WM_CLOSE, 0, 0);
    return program_->WaitForExit();
}

} // namespace workbench_tests
