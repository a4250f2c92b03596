#pragma once
// A program folder made for a test, with the workbench in it, and the running
// workbench driven from outside by the component names of its windows.
#include "forms/testing/forms_probe.h"
#include "testkit.h"

#include <memory>
#include <string>
#include <vector>

namespace workbench_tests {

class ProgramFolder {
public:
    ProgramFolder();
    const std::string& path() const { return folder_.path(); }
    std::string operator/(const std::string& name) const { return folder_ / name; }

    // A module file with the given captions and palette position.
    void AddModule(const std::string& file, const std::string& caption1,
                   const std::string& caption2, int position, int pageSplit = 0,
                   const std::string& colour = "01");
    // A method package made with the archiver from a .bat method.
    void AddPackedMethod(const std::string& moduleFile, const std::string& method,
                         const std::string& displayName, const std::string& description);
    // A method package made with the archiver from a .bat method with this body.
    void AddBatchMethod(const std::string& moduleFile, const std::string& method,
                        const std::string& displayName, const std::string& body);
    // A method package made with the archiver from a program (copied as
    // <method>.exe), with a settings program (<method>_s.exe) when one is given.
    void AddProgramMethod(const std::string& moduleFile, const std::string& method,
                          const std::string& programPath, const std::string& settingsPath = "");
    // A method package that is a program of the test's own.
    void AddHandmadePackage(const std::string& moduleFile, const std::string& method);

private:
    // Packs staged files <method>.* into <moduleFile>.<method> beside the program.
    void Pack(const testkit::TempFolder& staging, const std::string& moduleFile,
              const std::string& method, const std::string& files);
    testkit::TempFolder folder_{"workbench"};
};

// The workbench started in a program folder.
class Workbench {
public:
    explicit Workbench(const ProgramFolder& folder);
    ~Workbench();

    forms::probe::Program& program() { return *program_; }
    // The main window once start-up is done (its palette is filled), or null.
    HWND WaitUntilStarted(DWORD limitMs = 90000);
    HWND Component(const std::string& name);
    std::string Text(const std::string& name);
    bool Visible(const std::string& name);
    bool Enabled(const std::string& name);
    std::vector<std::string> LogLines();
    // A message box the program shows, or null within the limit; OK closes it.
    HWND WaitForMessageBox(DWORD limitMs = 20000);
    static std::string MessageText(HWND box);
    static void PressOk(HWND box);
    // Asks the main window to close and returns the exit code.
    int Close();

private:
    std::unique_ptr<forms::probe::Program> program_;
    HWND main_ = nullptr;
};

} // namespace workbench_tests
