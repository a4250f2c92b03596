// The module creation window in the running workbench: opened from the
// settings window, filled and worked through window messages, judged by the
// module files it leaves beside the program.
#include "workbench.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace workbench_tests;
using forms::probe::FindComponent;
using forms::probe::FindForm;

// A module file laid out by hand: texts at 0, 100, 200 and 700 (each cut to
// leave its NUL), int32 page-split flag at 800, int32 position at 804.
std::vector<uint8_t> ModuleBytes(const std::string& caption1, const std::string& caption2,
                                 const std::string& description, const std::string& colour,
                                 int32_t pageSplit, int32_t position)
{
    std::vector<uint8_t> b(808, 0);
    std::memcpy(&b[0], caption1.data(), std::min<size_t>(caption1.size(), 99));
    std::memcpy(&b[100], caption2.data(), std::min<size_t>(caption2.size(), 99));
    std::memcpy(&b[200], description.data(), std::min<size_t>(description.size(), 499));
    std::memcpy(&b[700], colour.data(), std::min<size_t>(colour.size(), 99));
    for (int i = 0; i < 4; ++i) {
        b[800 + i] = static_cast<uint8_t>(static_cast<uint32_t>(pageSplit) >> (8 * i));
        b[804 + i] = static_cast<uint8_t>(static_cast<uint32_t>(position) >> (8 * i));
    }
    return b;
}

// An existing module file with its position bytes replaced.
std::vector<uint8_t> WithPosition(std::vector<uint8_t> bytes, int32_t position)
{
    for (int i = 0; i < 4; ++i)
        bytes[804 + i] = static_cast<uint8_t>(static_cast<uint32_t>(position) >> (8 * i));
    return bytes;
}

// Every file in the folder (not below it) with its bytes.
std::vector<std::pair<std::string, std::vector<uint8_t>>> FolderFiles(const std::string& folder)
{
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            files.emplace_back(found.cFileName, testkit::ReadBytes(folder + "\\" + found.cFileName));
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(files.begin(), files.end());
    return files;
}

bool WaitUntilHidden(HWND window, DWORD limitMs = 20000)
{
    for (DWORD waited = 0; waited < limitMs; waited += 20) {
        if (!IsWindowVisible(window))
            return true;
        Sleep(20);
    }
    return false;
}

struct DialogSearch {
    DWORD pid;
    bool found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<DialogSearch*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (pid == search.pid && std::string(cls) == "#32770")
        search.found = true;
    return !search.found;
}

// The workbench with its settings window open, and the module creation
// window opened from there as often as a test needs.
class ModuleCreation {
public:
    explicit ModuleCreation(const ProgramFolder& folder) : wb_(folder), pid_(wb_.program().id())
    {
        HWND main = wb_.WaitUntilStarted();
        EXPECT_NE(main, nullptr);
        if (!main)
            return;
        PostMessageA(FindComponent(main, "Button18"), BM_CLICK, 0, 0);   // "Settings", modal
        settings_ = wb_.program().WaitForForm("TForm3", 20000);
        EXPECT_NE(settings_, nullptr);
    }

    ~ModuleCreation()
    {
        if (settings_)
            PostMessageA(settings_, WM_CLOSE, 0, 0);
        if (WaitUntilHidden(settings_ ? settings_ : form_, 5000)) {
            EXPECT_EQ(wb_.Close(), 0);
        }
    }

    // Opens the window ("Create Module" in the settings window); false when
    // it did not show.
    bool Open()
    {
        if (!settings_)
            return false;
        PostMessageA(FindComponent(settings_, "Button2"), BM_CLICK, 0, 0);
        form_ = wb_.program().WaitForForm("TForm8", 20000);
        return form_ != nullptr;
    }

    // A dialog window of the program, shown or not yet.
    bool AnyDialog() const
    {
        DialogSearch search{pid_, false};
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    HWND Part(const char* name) const { return FindComponent(form_, name); }
    HWND Form() const { return form_; }

    void Fill(const std::string& fileName, const std::string& caption1, const std::string& caption2,
              const std::string& description, int colourRow, bool pageSplit)
    {
        SetText("ProcFileName", fileName);
        SetText("LabeledEdit1", caption1);
        SetText("LabeledEdit2", caption2);
        SetText("Memo1", description);
        SendMessageA(Part("ComboBox1"), CB_SETCURSEL, static_cast<WPARAM>(colourRow), 0);
        SendMessageA(Part("CheckBox1"), BM_SETCHECK, pageSplit ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    void SetText(const char* part, const std::string& text)
    {
        SendMessageA(Part(part), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void SelectRow(int row) { SendMessageA(Part("ListBox1"), LB_SETCURSEL, static_cast<WPARAM>(row), 0); }
    std::vector<std::string> Rows() const { return forms::probe::ListItems(Part("ListBox1")); }
    int SelectedRow() const { return static_cast<int>(SendMessageA(Part("ListBox1"), LB_GETCURSEL, 0, 0)); }

    // Presses "Create Module" and returns the texts of the message boxes it
    // shows, each confirmed with OK, until the click's handler is done.
    std::vector<std::string> Create()
    {
        std::vector<std::string> messages;
        PostMessageA(Part("Button1"), BM_CLICK, 0, 0);
        HWND box = wb_.WaitForMessageBox();
        while (box) {
            messages.push_back(Workbench::MessageText(box));
            Workbench::PressOk(box);
            for (int i = 0; i < 500 && IsWindow(box); ++i)
                Sleep(20);
            // Once the program takes messages again, its handler has either
            // ended or made its next box.
            DWORD_PTR ignored = 0;
            SendMessageTimeoutA(form_, WM_NULL, 0, 0, SMTO_NORMAL, 20000, &ignored);
            box = AnyDialog() ? wb_.WaitForMessageBox() : nullptr;
        }
        return messages;
    }

private:
    Workbench wb_;
    DWORD pid_;
    HWND settings_ = nullptr;
    HWND form_ = nullptr;
};

// Three modules whose positions put them in another order than their names.
void ThreeModules(ProgramFolder& pf)
{
    pf.AddModule("Alpha.Folivar", "Alpha", "one", 2);
    pf.AddModule("Beta.Folivar", "Beta", "two", 0);
    pf.AddModule("Gamma.Folivar", "Gamma", "three", 1);
}

TEST(ModuleCreation, WritesTheRecordAtTheChosenPlaceAndMovesTheOthersUp)
{
    struct Case {
        int row;                      // in the list Beta, Gamma, Alpha, Last Place
        int32_t placed;
        int32_t beta, gamma, alpha;   // positions after creation
    };
    const Case cases[] = {
        {3, 3, 0, 1, 2},   // "Last Place": nobody moves
        {1, 1, 0, 2, 3},   // before Gamma
        {0, 0, 1, 2, 3},   // before the first
        {2, 2, 0, 1, 3},   // before Alpha
    };
    const std::string longCaption(120, 'x');
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(c.row));
        ProgramFolder pf;
        ThreeModules(pf);
        const auto alpha = testkit::ReadBytes(pf / "Alpha.Folivar");
        const auto beta = testkit::ReadBytes(pf / "Beta.Folivar");
        const auto gamma = testkit::ReadBytes(pf / "Gamma.Folivar");

        ModuleCreation mc(pf);
        ASSERT_TRUE(mc.Open());
        EXPECT_EQ(mc.Rows(), (std::vector<std::string>{"Beta two", "Gamma three", "Alpha one", "Last Place"}));
        EXPECT_EQ(mc.SelectedRow(), 3);
        mc.Fill("Deskew", "Deskew", longCaption, "Straightens\r\nthe page", 7 /* Dark Blue */, true);
        mc.SelectRow(c.row);
        EXPECT_EQ(mc.Create(), std::vector<std::string>{"Module Deskew.Folivar Created!"});
        EXPECT_TRUE(WaitUntilHidden(mc.Form())) << "the window closes once the module is made";

        EXPECT_EQ(testkit::ReadBytes(pf / "Deskew.Folivar"),
                  ModuleBytes("Deskew", longCaption, "Straightens\r\nthe page", "08", 1, c.placed));
        EXPECT_EQ(testkit::ReadBytes(pf / "Beta.Folivar"), WithPosition(beta, c.beta));
        EXPECT_EQ(testkit::ReadBytes(pf / "Gamma.Folivar"), WithPosition(gamma, c.gamma));
        EXPECT_EQ(testkit::ReadBytes(pf / "Alpha.Folivar"), WithPosition(alpha, c.alpha));

        // Shown again, the list has the new module in its place and the
        // fields start empty.
        ASSERT_TRUE(mc.Open());
        std::vector<std::string> rows = {"Beta two", "Gamma three", "Alpha one"};
        rows.insert(rows.begin() + c.row, "Deskew " + std::string(99, 'x'));
        rows.push_back("Last Place");
        EXPECT_EQ(mc.Rows(), rows);
        EXPECT_EQ(mc.SelectedRow(), 4);
        for (const char* field : {"ProcFileName", "LabeledEdit1", "LabeledEdit2", "Memo1"})
            EXPECT_EQ(forms::probe::TextOf(mc.Part(field)), "") << field;
        EXPECT_EQ(forms::probe::TextOf(mc.Part("ComboBox1")), "Light Blue");
        EXPECT_EQ(SendMessageA(mc.Part("CheckBox1"), BM_GETCHECK, 0, 0), BST_UNCHECKED);
        PostMessageA(mc.Form(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitUntilHidden(mc.Form()));
    }
}

TEST(ModuleCreation, FirstModuleColoursAndPageSplit)
{
    ProgramFolder pf;
    ModuleCreation mc(pf);
    ASSERT_TRUE(mc.Open());
    EXPECT_EQ(mc.Rows(), std::vector<std::string>{"Last Place"});

    // Each created at the last place, one after the other.
    struct Case {
        const char* file;
        int colourRow;            // -1: a typed text
        const char* typed;
        bool pageSplit;
        const char* code;
        int32_t position;
    };
    const Case cases[] = {
        {"First", 0, "", false, "01", 0},
        {"Second", 6, "", true, "07", 1},
        {"Third", -1, "Purple", false, "00", 2},
        {"Fourth", 8, "", false, "09", 3},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.file);
        if (i > 0) {
            ASSERT_TRUE(mc.Open());
        }
        mc.Fill(c.file, c.file, "-", "", c.colourRow, c.pageSplit);
        if (c.colourRow < 0)
            mc.SetText("ComboBox1", c.typed);
        EXPECT_EQ(mc.Create(), std::vector<std::string>{"Module " + std::string(c.file) + ".Folivar Created!"});
        EXPECT_TRUE(WaitUntilHidden(mc.Form()));
        EXPECT_EQ(testkit::ReadBytes(pf / (std::string(c.file) + ".Folivar")),
                  ModuleBytes(c.file, "-", "", c.code, c.pageSplit ? 1 : 0, c.position));
    }
}

TEST(ModuleCreation, RefusedNamesShowWhyAndWriteNothing)
{
    ProgramFolder pf;
    ThreeModules(pf);
    pf.AddModule("Caps.FOLIVAR", "Caps", "-", 9);   // found by the search, not a module
    const std::string outside = pf.path().substr(0, pf.path().find_last_of('\\')) + "\\Escape.Folivar";

    const std::string invalid = "\" cannot be used as a module file name. Enter a plain file name, without "
                                "folders, a drive, \"..\" or any of the characters \\ / : * ? \" < > |.";
    struct Case {
        std::string stem;
        std::string message;
    };
    const Case cases[] = {
        {"", "Enter a file name for the module."},
        {"   ", "Enter a file name for the module."},
        {"..\\Escape", "\"..\\Escape" + invalid},
        {"sub\\Escape", "\"sub\\Escape" + invalid},
        {"C:Escape", "\"C:Escape" + invalid},
        {"Esc*", "\"Esc*" + invalid},
        {"Esc?pe", "\"Esc?pe" + invalid},
        {"NUL", "\"NUL" + invalid},
        {"Escape ", "\"Escape " + invalid},
        {std::string(300, 'L'), "The module file name \"" + std::string(300, 'L') + "\" is too long."},
        {"Alpha", "A module file named Alpha.Folivar already exists. Choose another file name."},
        {"gamma", "A module file named gamma.Folivar already exists. Choose another file name."},
        {"Caps", "A module file named Caps.Folivar already exists. Choose another file name."},
    };
    ModuleCreation mc(pf);
    ASSERT_TRUE(mc.Open());
    EXPECT_EQ(mc.Rows(), (std::vector<std::string>{"Beta two", "Gamma three", "Alpha one", "Last Place"}))
        << "only files start-up loads as modules are listed";
    const auto before = FolderFiles(pf.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stem);
        mc.Fill(c.stem, "New", "module", "kept", 1, false);
        mc.SelectRow(0);
        EXPECT_EQ(mc.Create(), std::vector<std::string>{c.message});
        EXPECT_TRUE(IsWindowVisible(mc.Form())) << "the window stays open to mend the name";
        EXPECT_EQ(forms::probe::TextOf(mc.Part("ProcFileName")), c.stem) << "the input is kept";
        EXPECT_EQ(forms::probe::TextOf(mc.Part("Memo1")), "kept");
    }
    EXPECT_EQ(FolderFiles(pf.path()), before);
    EXPECT_FALSE(testkit::FileExists(outside));

    // The window still works after the refusals.
    mc.Fill("Fresh", "Fresh", "-", "", 1, false);
    mc.SelectRow(3);
    EXPECT_EQ(mc.Create(), std::vector<std::string>{"Module Fresh.Folivar Created!"});
    EXPECT_EQ(testkit::ReadBytes(pf / "Fresh.Folivar"), ModuleBytes("Fresh", "-", "", "02", 0, 3));
}

TEST(ModuleCreation, AModuleFileThatCannotBeRewrittenIsReported)
{
    ProgramFolder pf;
    ThreeModules(pf);
    const auto gamma = testkit::ReadBytes(pf / "Gamma.Folivar");
    ModuleCreation mc(pf);
    ASSERT_TRUE(mc.Open());
    // Another program holds Gamma's file open and lets nobody write it.
    HANDLE held = CreateFileA((pf / "Gamma.Folivar").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    mc.Fill("Deskew", "Deskew", "-", "", 0, false);
    mc.SelectRow(0);
    EXPECT_EQ(mc.Create(),
              (std::vector<std::string>{
                  "These module files could not be rewritten with their new positions:\r\nGamma.Folivar",
                  "Module Deskew.Folivar Created!"}));
    CloseHandle(held);
    EXPECT_EQ(testkit::ReadBytes(pf / "Deskew.Folivar"), ModuleBytes("Deskew", "-", "", "01", 0, 0));
    EXPECT_EQ(testkit::ReadBytes(pf / "Gamma.Folivar"), gamma);
    EXPECT_EQ(testkit::ReadBytes(pf / "Beta.Folivar")[804], 1);
    EXPECT_EQ(testkit::ReadBytes(pf / "Alpha.Folivar")[804], 3);
}

} // namespace
