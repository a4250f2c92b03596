// The method creation window as its users meet it: the workbench runs in a
// program folder of the test's own and is driven by window messages; the
// file dialog is filled in and confirmed like a user would.
#include "workbench.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <set>

namespace {

using namespace workbench_tests;
using forms::probe::FindComponent;
using forms::probe::TextOf;

const char kProceed[] = "Proceed with the Creation of Method?";
const char kSuccess[] =
    "Success!!!The platform needs to close and manually restarted in order to apply changes. Close now?";
const char kPackFailed[] = "Method package could not be created!";
const char kWrongNumber[] = "Wrong Number of Selected Files. Select also the bat file!";
const char kNoBat[] = "Wrong Selection! At least one bat file should be selected!!!";
const char kNameDiffers[] =
    "Name of bat file is not identical to Method's FileName. Please select the correct Files";
const char kBadName[] = "Invalid Method's FileName! Use only letters, digits, \"_\", \"-\" and \".\".";
const char kNoModule[] = "No module chosen! Assign the method to one of the listed modules.";

const char kOtsuLine[] = "rar a -sfxwincon.sfx Binarize.Folivar.otsu otsu.bat otsu.txt otsu.name otsu.tab "
                         "otsu.bat otsu.exe";

std::string Str(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Every file under folder, as paths relative to it.
std::set<std::string> FilesUnder(const std::string& folder, const std::string& prefix = std::string())
{
    std::set<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return files;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            for (const std::string& f : FilesUnder(folder + "\\" + name, prefix + name + "\\"))
                files.insert(f);
        } else {
            files.insert(prefix + name);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

struct WindowSearch {
    DWORD pid;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM lp)
{
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (pid == s->pid && std::string(cls) == "#32770" && IsWindowVisible(window))
        s->found.push_back(window);
    return TRUE;
}

std::vector<HWND> Dialogs(DWORD pid)
{
    WindowSearch s{pid, {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

bool IsFileDialog(HWND dialog)
{
    return TextOf(dialog) == "Open";
}

std::vector<HWND> MessageBoxes(DWORD pid)
{
    std::vector<HWND> boxes;
    for (HWND d : Dialogs(pid))
        if (!IsFileDialog(d))
            boxes.push_back(d);
    return boxes;
}

BOOL CALLBACK FindEdit(HWND window, LPARAM lp)
{
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpiA(cls, "Edit") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(lp) = window;
        return FALSE;
    }
    return TRUE;
}

// The program with its method creation window open.
class MethodWindow {
public:
    explicit MethodWindow(const ProgramFolder& pf) : wb_(pf)
    {
        main_ = wb_.WaitUntilStarted();
        if (!main_)
            return;
        PostMessageA(FindComponent(main_, "Button18"), BM_CLICK, 0, 0);
        HWND settings = wb_.program().WaitForForm("TForm3");
        if (!settings)
            return;
        PostMessageA(FindComponent(settings, "Button3"), BM_CLICK, 0, 0);
        form_ = wb_.program().WaitForForm("TForm9");
    }

    Workbench& wb() { return wb_; }
    HWND form() const { return form_; }
    DWORD pid() { return wb_.program().id(); }
    HWND Part(const char* name) { return FindComponent(form_, name); }
    std::string Text(const char* name) { return TextOf(Part(name)); }
    void Type(const char* name, const std::string& text)
    {
        SendMessageA(Part(name), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void ChooseModule(int index) { SendMessageA(Part("ComboBox1"), CB_SETCURSEL, index, 0); }

    // Presses "Select Necessary Files" and picks names from folder in the
    // file dialog: the folder is typed and opened first, then the names.
    bool ChooseFiles(const std::string& folder, const std::vector<std::string>& names)
    {
        PostMessageA(Part("Button2"), BM_CLICK, 0, 0);
        HWND dialog = nullptr;
        for (int i = 0; i < 400 && !dialog; ++i) {
            for (HWND d : Dialogs(pid()))
                if (IsFileDialog(d))
                    dialog = d;
            if (!dialog)
                Sleep(50);
        }
        if (!dialog)
            return false;
        SendFileName(dialog, folder + "\\");
        std::string list;
        if (names.size() == 1) {
            list = names[0];
        } else {
            for (const std::string& n : names)
                list += (list.empty() ? "\"" : " \"") + n + "\"";
        }
        SendFileName(dialog, list, true);
        for (int i = 0; i < 400 && IsWindow(dialog); ++i)
            Sleep(50);
        return !IsWindow(dialog);
    }

    // The "Added Files" list once it holds count names: the copies are made
    // after the dialog has closed.
    std::vector<std::string> AddedFiles(size_t count)
    {
        std::vector<std::string> items;
        for (int i = 0; i < 400; ++i) {
            items = forms::probe::ListItems(Part("ListBox1"));
            if (items.size() >= count)
                break;
            Sleep(50);
        }
        return items;
    }

    // Waits for a message box other than previous, or null.
    HWND NextBox(HWND previous = nullptr)
    {
        for (int i = 0; i < 600; ++i) {
            for (HWND b : MessageBoxes(pid()))
                if (b != previous)
                    return b;
            if (wb_.program().WaitForExit(0) != -1)
                return nullptr;
            Sleep(50);
        }
        return nullptr;
    }
    static std::string BoxText(HWND box) { return Workbench::MessageText(box); }
    void Answer(HWND box, int button)
    {
        PostMessageA(box, WM_COMMAND, button, 0);
        for (int i = 0; i < 400 && IsWindow(box); ++i)
            Sleep(50);
    }
    // Answers the box, expecting that text, and returns the box that follows.
    std::string AnswerAndExpectNext(HWND box, int button)
    {
        Answer(box, button);
        HWND next = NextBox(box);
        return next ? BoxText(next) : std::string("(no box)");
    }

    // Presses "Create Method" and says Yes to the question; the next box or null.
    HWND Create()
    {
        PostMessageA(Part("Button1"), BM_CLICK, 0, 0);
        HWND question = NextBox();
        EXPECT_NE(question, nullptr);
        if (!question)
            return nullptr;
        EXPECT_EQ(BoxText(question), kProceed);
        Answer(question, IDYES);
        return NextBox(question);
    }

    // Proof that no box is left over and no choice is pending: "Create
    // Method" answered with Yes shows nothing more, which the next click
    // shows by bringing its question as the only box of the program.
    void ExpectCreateDoesNothing()
    {
        HWND previous = nullptr;
        for (int button : {IDYES, IDNO}) {
            PostMessageA(Part("Button1"), BM_CLICK, 0, 0);
            HWND question = NextBox(previous);
            ASSERT_NE(question, nullptr);
            std::vector<HWND> boxes = MessageBoxes(pid());
            ASSERT_EQ(boxes.size(), 1u) << BoxText(boxes.back());
            EXPECT_EQ(BoxText(boxes[0]), kProceed);
            Answer(question, button);
            previous = question;
        }
    }

private:
    void SendFileName(HWND dialog, const std::string& text, bool post = false)
    {
        HWND edit = nullptr;
        EnumChildWindows(dialog, FindEdit, reinterpret_cast<LPARAM>(&edit));
        ASSERT_NE(edit, nullptr);
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        WPARAM ok = MAKEWPARAM(IDOK, BN_CLICKED);
        LPARAM button = reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK));
        if (post)
            PostMessageA(dialog, WM_COMMAND, ok, button);
        else
            SendMessageA(dialog, WM_COMMAND, ok, button);
    }

    Workbench wb_;
    HWND main_ = nullptr;
    HWND form_ = nullptr;
};

// A folder of method files as a user has them, with a blank in its path.
struct MethodFiles {
    testkit::TempFolder folder{"method files"};
    MethodFiles(const std::vector<std::string>& names)
    {
        for (const std::string& n : names)
            testkit::WriteText(folder / n, n.size() > 4 && n.compare(n.size() - 4, 4, ".bat") == 0
                                               ? "@copy /y in.tif out.tif >nul\r\n"
                                               : "contents of " + n);
    }
};

// A folder put in front of the search path with a recording "rar.exe".
class RecordingArchiver {
public:
    explicit RecordingArchiver(bool forward)
    {
        EXPECT_TRUE(CopyFileA((testkit::ProgramFolder() + "\\method_rar_recorder.exe").c_str(),
                              (tools_ / "rar.exe").c_str(), FALSE));
        char path[32768] = {};
        GetEnvironmentVariableA("PATH", path, sizeof path);
        oldPath_ = path;
        SetEnvironmentVariableA("PATH", (tools_.path() + ";" + oldPath_).c_str());
        SetEnvironmentVariableA("RAR_RECORD_DIR", record_.path().c_str());
        SetEnvironmentVariableA("RAR_FORWARD", forward ? ARCHIVER_DIR "\\rar.exe" : nullptr);
    }
    ~RecordingArchiver()
    {
        SetEnvironmentVariableA("PATH", oldPath_.c_str());
        for (const char* variable : {"RAR_RECORD_DIR", "RAR_FORWARD", "RAR_REMOVE", "RAR_EXIT", "RAR_PAUSE"})
            SetEnvironmentVariableA(variable, nullptr);
    }
    void Pause(const char* milliseconds) { SetEnvironmentVariableA("RAR_PAUSE", milliseconds); }
    // A file the archiver does not find, and the exit code it then reports (null: its own).
    void LoseFile(const char* name, const char* exitCode)
    {
        SetEnvironmentVariableA("RAR_REMOVE", name);
        SetEnvironmentVariableA("RAR_EXIT", exitCode);
    }
    std::string Arguments() { return testkit::ReadText(record_ / "arguments.txt"); }
    std::set<std::string> Files() { return FilesUnder(record_ / "files"); }
    std::string File(const std::string& name) { return Str(testkit::ReadBytes(record_ / ("files\\" + name))); }

private:
    testkit::TempFolder tools_{"recorder"};
    testkit::TempFolder record_{"record"};
    std::string oldPath_;
};

void BinarizeAndEnhance(ProgramFolder& pf)
{
    pf.AddModule("Binarize.Folivar", "Binari-", "zation", 2, 0, "02");
    pf.AddModule("Enhance.Folivar", "Enhance", "-", 1, 0, "01");
}

TEST(MethodCreation, TheArchiverRunsInMethWithTheLineAndFreshFilesAndAMissingPackageIsAFailure)
{
    RecordingArchiver rar(false);
    ProgramFolder pf;
    BinarizeAndEnhance(pf);
    // Left-overs in Meth\: an older package and an older copy of a method file.
    CreateDirectoryA((pf / "Meth").c_str(), nullptr);
    testkit::WriteText(pf / "Meth\\Binarize.Folivar.otsu.exe", "an older package");
    testkit::WriteText(pf / "Meth\\otsu.exe", "stale copy");
    // A run.bat beside the program is not the one that runs.
    testkit::WriteText(pf / "run.bat", "@echo decoy > decoy-ran.txt\r\n");
    MethodFiles files({"otsu.bat", "otsu.exe"});

    MethodWindow w(pf);
    ASSERT_NE(w.form(), nullptr);
    EXPECT_EQ(TextOf(w.form()), "Create Folivar Method");
    EXPECT_EQ(w.Text("ComboBox1"), "Binarize");
    w.Type("LabeledEdit1", "Otsu");
    w.Type("LabeledEdit2", "otsu");
    w.Type("Memo1", "Threshold by Otsu\r\nsecond line");
    ASSERT_TRUE(w.ChooseFiles(files.folder.path(), {"otsu.bat", "otsu.exe"}));
    EXPECT_EQ(w.AddedFiles(2), (std::vector<std::string>{"otsu.bat", "otsu.exe"}));

    HWND box = w.Create();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MethodWindow::BoxText(box), kPackFailed);

    EXPECT_EQ(rar.Arguments(), "a\n-sfxwincon.sfx\nBinarize.Folivar.otsu\notsu.bat\notsu.txt\notsu.name\n"
                               "otsu.tab\notsu.bat\notsu.exe\n");
    EXPECT_EQ(rar.Files(), (std::set<std::string>{"otsu.bat", "otsu.exe", "otsu.name", "otsu.tab",
                                                  "otsu.txt", "run.bat"}))
        << "the older package is gone before the archiver runs";
    EXPECT_EQ(rar.File("run.bat"), kOtsuLine);
    EXPECT_EQ(rar.File("otsu.exe"), "contents of otsu.exe") << "the chosen file replaces the stale copy";
    EXPECT_EQ(rar.File("otsu.bat"), "@copy /y in.tif out.tif >nul\r\n");
    EXPECT_EQ(rar.File("otsu.tab"), "1");
    EXPECT_EQ(rar.File("otsu.name"), "Otsu");
    EXPECT_EQ(rar.File("otsu.txt"), "Threshold by Otsu\r\nsecond line");

    w.Answer(box, IDOK);
    EXPECT_EQ(FilesUnder(pf / "Meth"), std::set<std::string>{});
    for (const char* absent : {"Binarize.Folivar.otsu", "Binarize.Folivar.otsu.exe", "decoy-ran.txt",
                               "Meth\\decoy-ran.txt"})
        EXPECT_FALSE(testkit::FileExists(pf / absent)) << absent;
    EXPECT_EQ(forms::probe::ListItems(w.Part("ListBox1")).size(), 0u);
    EXPECT_EQ(w.Text("LabeledEdit2"), "otsu") << "what was typed stays for another try";
    EXPECT_EQ(w.Text("LabeledEdit1"), "Otsu");
    // No restart question came, and the packed choice is gone.
    w.ExpectCreateDoesNothing();
    EXPECT_EQ(w.wb().Close(), 0);
}

TEST(MethodCreation, NamesWithBlanksAndCommandCharactersReachTheArchiverWhole)
{
    RecordingArchiver rar(true);
    ProgramFolder pf;
    BinarizeAndEnhance(pf);
    const std::vector<std::string> chosen = {"otsu.bat", "my lib & 100%.dll", "-v.dll"};
    MethodFiles files(chosen);
    rar.Pause("2000");

    MethodWindow w(pf);
    ASSERT_NE(w.form(), nullptr);
    w.ChooseModule(1);
    EXPECT_EQ(w.Text("ComboBox1"), "Enhance");
    w.Type("LabeledEdit1", "Otsu");
    w.Type("LabeledEdit2", "otsu");
    ASSERT_TRUE(w.ChooseFiles(files.folder.path(), chosen));
    EXPECT_EQ(w.AddedFiles(chosen.size()), chosen);

    // While the archiver runs the window takes no input.
    PostMessageA(w.Part("Button1"), BM_CLICK, 0, 0);
    HWND question = w.NextBox();
    ASSERT_NE(question, nullptr);
    w.Answer(question, IDYES);
    for (int i = 0; i < 400 && rar.Arguments().empty(); ++i)
        Sleep(25);
    EXPECT_FALSE(IsWindowEnabled(w.form())) << "the archiver is running";
    HWND box = w.NextBox(question);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MethodWindow::BoxText(box), kSuccess);
    EXPECT_EQ(rar.Arguments(), "a\n-sfxwincon.sfx\nEnhance.Folivar.otsu\notsu.bat\notsu.txt\notsu.name\n"
                               "otsu.tab\notsu.bat\nmy lib & 100%.dll\n.\\-v.dll\n");
    EXPECT_EQ(rar.File("run.bat"), "rar a -sfxwincon.sfx Enhance.Folivar.otsu otsu.bat otsu.txt otsu.name "
                                   "otsu.tab otsu.bat \"my lib & 100%%.dll\" .\\-v.dll");

    // No keeps the program running, with the window emptied for the next method.
    w.Answer(box, IDNO);
    EXPECT_TRUE(IsWindowEnabled(w.form()));
    EXPECT_EQ(w.Text("LabeledEdit1"), "");
    EXPECT_EQ(w.Text("LabeledEdit2"), "");
    EXPECT_EQ(w.Text("ComboBox1"), "Binarize");
    EXPECT_EQ(FilesUnder(pf / "Meth"), std::set<std::string>{});
    w.ExpectCreateDoesNothing();

    // The package holds every file under its own name.
    ASSERT_TRUE(testkit::FileExists(pf / "Enhance.Folivar.otsu"));
    testkit::TempFolder unpacked("unpacked");
    ASSERT_TRUE(CopyFileA((pf / "Enhance.Folivar.otsu").c_str(), (unpacked / "p.exe").c_str(), FALSE));
    ASSERT_EQ(testkit::RunAndWait(unpacked / "p.exe", unpacked.path()), 0);
    for (const std::string& name : chosen)
        EXPECT_EQ(Str(testkit::ReadBytes(unpacked / name)), Str(testkit::ReadBytes(files.folder / name))) << name;
    EXPECT_EQ(w.wb().Close(), 0);
}

TEST(MethodCreation, APackageWithoutEveryFileIsAFailure)
{
    struct Case { const char* lost; const char* exitCode; };
    const Case cases[] = {
        {"otsu.exe", nullptr},    // the archiver says it left a file out
        {"otsu.exe", "0"},        // it says nothing: the package itself shows it
        {"otsu.txt", "0"},
    };
    for (const Case& c : cases) {
        RecordingArchiver rar(true);
        rar.LoseFile(c.lost, c.exitCode);
        ProgramFolder pf;
        BinarizeAndEnhance(pf);
        MethodFiles files({"otsu.bat", "otsu.exe"});
        MethodWindow w(pf);
        ASSERT_NE(w.form(), nullptr);
        w.Type("LabeledEdit1", "Otsu");
        w.Type("LabeledEdit2", "otsu");
        ASSERT_TRUE(w.ChooseFiles(files.folder.path(), {"otsu.bat", "otsu.exe"}));
        HWND box = w.Create();
        ASSERT_NE(box, nullptr) << c.lost;
        EXPECT_EQ(MethodWindow::BoxText(box), kPackFailed) << c.lost;
        w.Answer(box, IDOK);
        for (const char* absent : {"Binarize.Folivar.otsu", "Binarize.Folivar.otsu.exe"})
            EXPECT_FALSE(testkit::FileExists(pf / absent)) << absent;
        EXPECT_EQ(FilesUnder(pf / "Meth"), std::set<std::string>{}) << c.lost;
        EXPECT_EQ(w.wb().Close(), 0);
    }
}

TEST(MethodCreation, TheNewPackageIsFoundAndUnpackedAtTheNextStart)
{
    ProgramFolder pf;
    BinarizeAndEnhance(pf);
    pf.AddPackedMethod("Binarize.Folivar", "fixed", "Fixed", "Fixed threshold");
    MethodFiles files({"otsu.bat", "otsu.exe"});
    {
        MethodWindow w(pf);
        ASSERT_NE(w.form(), nullptr);
        EXPECT_EQ(w.wb().Text("Label28"), "[1]");
        w.Type("LabeledEdit1", "Otsu");
        w.Type("LabeledEdit2", "otsu");
        w.Type("Memo1", "Threshold by Otsu\r\nsecond line");
        ASSERT_TRUE(w.ChooseFiles(files.folder.path(), {"otsu.bat", "otsu.exe"}));
        EXPECT_EQ(w.AddedFiles(2).size(), 2u);
        HWND box = w.Create();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MethodWindow::BoxText(box), kSuccess);
        w.Answer(box, IDYES);
        EXPECT_EQ(w.wb().program().WaitForExit(), 0) << "Yes ends the program";
    }
    EXPECT_TRUE(testkit::FileExists(pf / "temp\\ini.dat")) << "the main window closed as usual";
    EXPECT_TRUE(testkit::FileExists(pf / "Binarize.Folivar.otsu"));
    EXPECT_FALSE(testkit::FileExists(pf / "Binarize.Folivar.otsu.exe"));
    EXPECT_EQ(FilesUnder(pf / "Meth"), std::set<std::string>{});

    Workbench wb(pf);
    ASSERT_NE(wb.WaitUntilStarted(), nullptr);
    std::vector<std::string> log = wb.LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "   Binarize.Folivar.otsu"), log.end());
    EXPECT_EQ(log.back(), "Modules Changed!");
    EXPECT_EQ(wb.Text("Label28"), "[2]") << "Enhance has no method: Binarize is the only tile";
    EXPECT_EQ(Str(testkit::ReadBytes(pf / "temp\\Binarize\\otsu.bat")), "@copy /y in.tif out.tif >nul\r\n");
    EXPECT_EQ(Str(testkit::ReadBytes(pf / "temp\\Binarize\\otsu.exe")), "contents of otsu.exe");
    EXPECT_EQ(Str(testkit::ReadBytes(pf / "temp\\Binarize\\otsu.name")), "Otsu");
    EXPECT_EQ(Str(testkit::ReadBytes(pf / "temp\\Binarize\\otsu.txt")), "Threshold by Otsu\r\nsecond line");
    EXPECT_EQ(Str(testkit::ReadBytes(pf / "temp\\Binarize\\otsu.tab")), "1");
    EXPECT_EQ(wb.Close(), 0);
}

// Refusals: each shows its message and writes nothing.
enum class When { Choosing, Creating };
struct Refusal {
    const char* label;
    When when;
    bool withModules;
    const char* method;                 // typed before the files are chosen
    std::vector<std::string> files;
    const char* methodAtCreation;       // typed after the choice, or null
    const char* message;                // null: nothing after the question
};

const Refusal kRefusals[] = {
    {"OneFile", When::Choosing, true, "otsu", {"otsu.bat"}, nullptr, kWrongNumber},
    {"NoBatFile", When::Choosing, true, "otsu", {"otsu.exe", "otsu.dll"}, nullptr, kNoBat},
    {"BatExtensionInCapitals", When::Choosing, true, "otsu", {"otsu.BAT", "otsu.exe"}, nullptr, kNoBat},
    {"BatNameInOtherCase", When::Choosing, true, "otsu", {"Otsu.bat", "otsu.exe"}, nullptr, kNameDiffers},
    {"MethodNameWithBlank", When::Choosing, true, "ot su", {"ot su.bat", "x.exe"}, nullptr, kBadName},
    {"MethodNameWithAmpersand", When::Choosing, true, "a&b", {"a&b.bat", "x.exe"}, nullptr, kBadName},
    {"EmptyMethodName", When::Choosing, true, "", {"a.bat", "x.exe"}, nullptr, kBadName},
    {"MethodNameOfAModuleFile", When::Choosing, true, "x.Folivar", {"x.Folivar.bat", "x.exe"}, nullptr,
     "Invalid Method's FileName! It can not end with \".Folivar\"."},
    {"RunBatAmongTheFiles", When::Choosing, true, "otsu", {"otsu.bat", "Run.bat"}, nullptr,
     "Run.bat is used for packing and can not be part of a method. Please rename it!"},
    {"NameOutsideTheScriptsCodePage", When::Choosing, true, "otsu", {"otsu.bat", "\x80uro.dll"}, nullptr,
     "\x80uro.dll can not be named in the packing script. Please rename it!"},
    {"RarProgramAmongTheFiles", When::Choosing, true, "otsu", {"otsu.bat", "rar.exe"}, nullptr,
     "rar.exe is used for packing and can not be part of a method. Please rename it!"},
    {"NameChangedAfterTheChoice", When::Creating, true, "otsu", {"otsu.bat", "otsu.exe"}, "other", kNameDiffers},
    {"NameMadeInvalidAfterTheChoice", When::Creating, true, "otsu", {"otsu.bat", "otsu.exe"}, "", kBadName},
    {"NoModule", When::Creating, false, "otsu", {"otsu.bat", "otsu.exe"}, nullptr, kNoModule},
    {"NothingChosen", When::Creating, true, "otsu", {}, nullptr, nullptr},
};

class MethodCreationRefusal : public testing::TestWithParam<Refusal> {};

TEST_P(MethodCreationRefusal, ShowsItsMessageAndWritesNothing)
{
    const Refusal& r = GetParam();
    ProgramFolder pf;
    if (r.withModules)
        BinarizeAndEnhance(pf);
    MethodFiles files(r.files);
    MethodWindow w(pf);
    ASSERT_NE(w.form(), nullptr);
    w.Type("LabeledEdit1", "Otsu");
    w.Type("LabeledEdit2", r.method);
    std::set<std::string> before = FilesUnder(pf.path());

    HWND box = nullptr;
    if (r.when == When::Choosing) {
        ASSERT_TRUE(w.ChooseFiles(files.folder.path(), r.files));
        box = w.NextBox();
    } else {
        if (!r.files.empty()) {
            ASSERT_TRUE(w.ChooseFiles(files.folder.path(), r.files));
            ASSERT_EQ(w.AddedFiles(r.files.size()), r.files);
            before = FilesUnder(pf.path());
        }
        if (r.methodAtCreation)
            w.Type("LabeledEdit2", r.methodAtCreation);
        PostMessageA(w.Part("Button1"), BM_CLICK, 0, 0);
        HWND question = w.NextBox();
        ASSERT_NE(question, nullptr);
        EXPECT_EQ(MethodWindow::BoxText(question), kProceed);
        if (!r.message) {
            w.Answer(question, IDYES);
            w.ExpectCreateDoesNothing();
        } else {
            w.Answer(question, IDYES);
            box = w.NextBox(question);
        }
    }
    if (r.message) {
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(MethodWindow::BoxText(box), r.message);
        w.Answer(box, IDOK);
    }
    if (r.when == When::Choosing) {
        EXPECT_EQ(forms::probe::ListItems(w.Part("ListBox1")).size(), 0u);
    }
    EXPECT_EQ(FilesUnder(pf.path()), before);
    EXPECT_EQ(w.wb().Close(), 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, MethodCreationRefusal, testing::ValuesIn(kRefusals),
                         [](const testing::TestParamInfo<Refusal>& info) { return info.param.label; });

} // namespace
