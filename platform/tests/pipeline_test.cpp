#include "workbench.h"

#include "image_reader.h"
#include "raster.h"
#include "tiff_writer.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <sstream>

namespace {

using namespace workbench_tests;
namespace probe = forms::probe;

// A method that notes its run in the program folder's "runs.txt", then copies.
std::string Counting(const std::string& name, bool split = false)
{
    std::string body = "@echo " + name + ">> ..\\..\\runs.txt\r\n@copy /y in.tif out.tif >nul\r\n";
    if (split)
        body += "@copy /y in.tif out1.tif >nul\r\n";
    return body;
}

void WriteImage(const std::string& path, int width = 40, int height = 30)
{
    imaging::Raster page = imaging::Raster::Blank(width, height, imaging::PixelLayout::Gray8);
    for (size_t i = 0; i < page.pixels.size(); ++i)
        page.pixels[i] = static_cast<uint8_t>(i * 7);
    ASSERT_TRUE(imaging::WriteTiffFile(path, page, imaging::TiffWriteOptions()));
}

// Modules by position: A (0), B (1), C (2), S (3, page split), F (4, fails).
void Catalogue(ProgramFolder& pf)
{
    pf.AddModule("A.Folivar", "Alpha", "-", 1);
    pf.AddModule("B.Folivar", "Beta", "-", 2);
    pf.AddModule("C.Folivar", "Gamma", "-", 3);
    pf.AddModule("S.Folivar", "Split", "-", 4, 1);
    pf.AddModule("F.Folivar", "Fails", "-", 5);
    pf.AddBatchMethod("A.Folivar", "a0", "A-zero", Counting("a0"));
    pf.AddBatchMethod("A.Folivar", "a1", "A-one", Counting("a1"));
    pf.AddBatchMethod("B.Folivar", "b0", "B-zero", Counting("b0"));
    pf.AddBatchMethod("B.Folivar", "b1", "B-one", Counting("b1"));
    pf.AddBatchMethod("C.Folivar", "c0", "C-zero", Counting("c0"));
    pf.AddBatchMethod("S.Folivar", "s0", "S-zero", Counting("s0", true));
    pf.AddBatchMethod("F.Folivar", "f0", "F-zero", "@echo f0>> ..\\..\\runs.txt\r\n");
    for (const char* image : {"p1.tif", "p2.tif", "p3.tif"})
        WriteImage(pf / (std::string("images\\") + image));
}

// The text of the control window inside a view component of a form: the file it shows.
std::string Shown(HWND form, const char* view)
{
    HWND component = probe::FindComponent(form, view);
    // The view's tool bar sits beside the control's window.
    for (HWND child = component ? GetWindow(component, GW_CHILD) : nullptr; child;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[64] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (lstrcmpiA(cls, TOOLBARCLASSNAMEA) != 0)
            return probe::TextOf(child);
    }
    return std::string();
}

const char* const kPaletteLine1[] = {"Label10", "Label25", "Label27", "Label31", "Label34",
                                     "Label37", "Label40"};

class Pipeline : public ::testing::Test {
protected:
    void Start()
    {
        wb_ = std::make_unique<Workbench>(pf_);
        ASSERT_NE(wb_->WaitUntilStarted(), nullptr);
    }
    void Palette(int tile) { probe::Click(wb_->Component(kPaletteLine1[tile])); }
    void Select(const std::vector<int>& items)
    {
        HWND files = wb_->Component("FileListBox1");
        for (int i : items) {
            probe::SelectListItem(files, i, true);
            SendMessageA(files, LB_SETCARETINDEX, i, FALSE);
        }
        SendMessageA(GetParent(files), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(files), LBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(files));
    }
    // Clicks "Apply Processes" and returns when the run is over (a message
    // box nobody answers would hold it: then the test fails instead of hanging).
    void Apply()
    {
        DWORD_PTR result = 0;
        ASSERT_NE(SendMessageTimeoutA(wb_->Component("Button15"), BM_CLICK, 0, 0, SMTO_NORMAL,
                                      60000, &result), 0)
            << "the run did not end";
    }
    // Clicks "Apply Processes" for a run that ends with its one message: returns
    // the message's text (empty when none came) once the run is over.
    std::string ApplyWithMessage()
    {
        PostMessageA(wb_->Component("Button15"), BM_CLICK, 0, 0);
        HWND box = wb_->WaitForMessageBox(60000);
        if (!box)
            return std::string();
        std::string text = Workbench::MessageText(box);
        Workbench::PressOk(box);
        DWORD_PTR result = 0;
        SendMessageTimeoutA(wb_->Component("Button15"), WM_NULL, 0, 0, SMTO_NORMAL, 60000, &result);
        return text;
    }
    // Opens a folder of the image folder list by its name.
    void OpenFolder(const std::string& name)
    {
        HWND folders = wb_->Component("DirectoryListBox1");
        std::vector<std::string> entries = probe::ListItems(folders);
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].substr(entries[i].find_first_not_of(' ')) == name) {
                SendMessageA(folders, LB_SETCURSEL, i, 0);
                SendMessageA(GetParent(folders), WM_COMMAND,
                             MAKEWPARAM(GetDlgCtrlID(folders), LBN_SELCHANGE),
                             reinterpret_cast<LPARAM>(folders));
                return;
            }
        ADD_FAILURE() << "no folder " << name;
    }
    // "Do not recalculate if result exists" of a slot, switched.
    void ToggleKeep(int slot)
    {
        const char* tiles[] = {"Image1", "Image2", "Image3", "Image5", "Image6", "Image7", "Image8"};
        ASSERT_TRUE(probe::ChoosePopupItem(wb_->Component(tiles[slot]), 3));
    }
    std::vector<std::string> Runs()
    {
        std::vector<std::string> runs;
        std::istringstream in(testkit::ReadText(pf_ / "runs.txt"));
        std::string line;
        while (std::getline(in, line)) {
            while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
                line.pop_back();
            runs.push_back(line);
        }
        return runs;
    }
    bool Exists(const std::string& relative) { return testkit::FileExists(pf_ / relative); }

    ProgramFolder pf_;
    std::unique_ptr<Workbench> wb_;
};

using Names = std::vector<std::string>;

TEST_F(Pipeline, CachedStepsRunNothingAndAChangedMethodRecomputesFromItsSlot)
{
    Catalogue(pf_);
    Start();
    Palette(0);
    Palette(1);
    Palette(2);
    Select({0});
    Apply();
    EXPECT_EQ(Runs(), (Names{"a0", "b0", "c0"}));
    for (const char* cached : {"temp\\p1.tif_00.tif", "temp\\p1.tif_0010.tif", "temp\\p1.tif_001020.tif",
                               "results\\p1.tif"})
        EXPECT_TRUE(Exists(cached)) << cached;

    const std::string pf = pf_.path() + "\\";
    const std::vector<std::string> lastStep = {
        "   In: " + pf + "temp\\p1.tif_0010.tif", "Out: " + pf + "temp\\p1.tif_001020.tif",
        "---------------", pf + "temp\\C", pf + "temp\\C\\c0.bat", "---------------"};
    std::vector<std::string> log = wb_->LogLines();
    ASSERT_EQ(log.size(), 18u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 6, log.end()), lastStep);
    EXPECT_EQ(log[0], "   In: " + pf + "images\\p1.tif");

    Apply();
    EXPECT_EQ(Runs(), (Names{"a0", "b0", "c0"})) << "an identical run starts no program";

    probe::Click(wb_->Component("Button4"));        // ">" of slot 1: method b1
    EXPECT_EQ(wb_->Text("Label5"), "B-one");
    Apply();
    EXPECT_EQ(Runs(), (Names{"a0", "b0", "c0", "b1", "c0"}));
    EXPECT_TRUE(Exists("temp\\p1.tif_0011.tif"));
    EXPECT_TRUE(Exists("temp\\p1.tif_001120.tif"));
    EXPECT_EQ(wb_->Text("Label59"), "Result:");
    EXPECT_FALSE(wb_->Visible("Label60"));
    EXPECT_FALSE(wb_->Visible("Button19"));
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, AfterAPageSplitEveryStepRunsTwice)
{
    Catalogue(pf_);
    Start();
    Palette(3);
    Palette(0);
    EXPECT_TRUE(wb_->Visible("Image30")) << "the split connector before slot 1";
    EXPECT_FALSE(wb_->Visible("Image17"));
    Select({1});
    Apply();
    EXPECT_EQ(Runs(), (Names{"s0", "a0", "a0"}));
    for (const char* file : {"temp\\p2.tif_30_1.tif", "temp\\p2.tif_30_2.tif", "temp\\p2.tif_3000_1.tif",
                             "temp\\p2.tif_3000_2.tif", "results\\p2_L.tif", "results\\p2_R.tif"})
        EXPECT_TRUE(Exists(file)) << file;
    EXPECT_FALSE(Exists("results\\p2.tif"));
    EXPECT_TRUE(wb_->Visible("Panel3"));
    Apply();
    EXPECT_EQ(Runs().size(), 3u) << "both pages cached: nothing runs";
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, PagingThroughThreeResults)
{
    Catalogue(pf_);
    Start();
    Palette(0);
    Select({0, 1, 2});
    Apply();
    struct Step { const char* button; const char* label; bool previous; bool next; };
    const Step steps[] = {
        {nullptr, "1/3", false, true},
        {"Button19", "2/3", true, true},
        {"Button19", "3/3", true, false},
        {"Button20", "2/3", true, true},
    };
    for (const Step& s : steps) {
        if (s.button)
            probe::Click(wb_->Component(s.button));
        EXPECT_EQ(wb_->Text("Label59"), "Results:");
        EXPECT_EQ(wb_->Text("Label60"), s.label);
        EXPECT_EQ(wb_->Enabled("Button20"), s.previous) << s.label;
        EXPECT_EQ(wb_->Enabled("Button19"), s.next) << s.label;
    }
    for (const char* saved : {"results\\p1.tif", "results\\p2.tif", "results\\p3.tif"})
        EXPECT_TRUE(Exists(saved)) << saved;
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, AStepWithoutItsInputFailsWithoutRunningItsMethod)
{
    // Files an interrupted run left in the work folders count for nothing.
    Catalogue(pf_);
    Start();
    const std::string exchange[] = {"in.tif", "in1.tif", "out.tif", "out1.tif"};
    for (const char* work : {"temp\\F\\", "temp\\A\\"})
        for (const std::string& file : exchange)
            WriteImage(pf_ / (work + file));
    struct Case {
        std::vector<int> tiles;      // palette tiles, in slot order
        const char* blocker;         // a folder where an exchange file must go, or null
        Names runs;
        const char* failedStep;
        std::vector<const char*> noResult;
    };
    const Case cases[] = {
        // The first step makes nothing: the second has no input and does not run.
        {{4, 0}, nullptr, {"f0"}, "1", {"temp\\p1.tif_40.tif", "temp\\p1.tif_4000.tif"}},
        // The input cannot be put in place: the method does not run.
        {{0}, "temp\\A\\in.tif", {}, "1", {"temp\\p1.tif_00.tif"}},
        {{1, 0}, "temp\\A\\out.tif", {"b0"}, "2", {"temp\\p1.tif_1000.tif"}},
    };
    Select({0});
    for (const Case& c : cases) {
        for (int tile : c.tiles)
            Palette(tile);
        if (c.blocker)
            CreateDirectoryA((pf_ / c.blocker).c_str(), nullptr);
        DeleteFileA((pf_ / "runs.txt").c_str());
        EXPECT_EQ(ApplyWithMessage(),
                  "No result for " + pf_ / "images\\p1.tif" + ": step " + c.failedStep + " failed.");
        EXPECT_EQ(Runs(), c.runs);
        for (const char* file : c.noResult)
            EXPECT_FALSE(Exists(file)) << file;
        EXPECT_FALSE(Exists("results\\p1.tif"));
        if (c.blocker)
            RemoveDirectoryA((pf_ / c.blocker).c_str());
        for (const std::string& file : exchange)
            EXPECT_FALSE(Exists("temp\\A\\" + file)) << file;
        for (size_t i = c.tiles.size(); i-- > 0;)
            Palette(c.tiles[i]);
    }
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, RecomputingAStepRecomputesEveryLaterStep)
{
    Catalogue(pf_);
    Start();
    Palette(0);
    Palette(1);
    Palette(2);
    Select({0});
    Apply();
    ASSERT_EQ(Runs(), (Names{"a0", "b0", "c0"}));
    struct Case { int recalculated; Names runs; };
    const Case cases[] = {
        {0, {"a0", "b0", "c0"}},
        {1, {"b0", "c0"}},
        {2, {"c0"}},
    };
    for (const Case& c : cases) {
        DeleteFileA((pf_ / "runs.txt").c_str());
        ToggleKeep(c.recalculated);
        Apply();
        EXPECT_EQ(Runs(), c.runs) << "recalculated slot " << c.recalculated;
        ToggleKeep(c.recalculated);
    }
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, ACachedResultCountsOnlyForItsOwnSource)
{
    Catalogue(pf_);
    CreateDirectoryA((pf_ / "images\\first").c_str(), nullptr);
    CreateDirectoryA((pf_ / "images\\second").c_str(), nullptr);
    WriteImage(pf_ / "images\\first\\p1.tif", 40, 30);
    WriteImage(pf_ / "images\\second\\p1.tif", 50, 30);
    Start();
    Palette(0);
    Palette(1);
    auto widthOf = [&](const std::string& relative) {
        imaging::Raster page;
        return imaging::LoadImageFile(pf_ / relative, &page) ? page.width : -1;
    };
    struct Case { const char* folder; int rewrittenWidth; Names runs; int width; };
    const Case cases[] = {
        {"first", 0, {"a0", "b0"}, 40},
        {nullptr, 0, {}, 40},                    // the same source: all cached
        {"second", 0, {"a0", "b0"}, 50},         // another image of the same name
        {nullptr, 0, {}, 50},
        {nullptr, 60, {"a0", "b0"}, 60},         // the source changed in place
        {"first", 0, {"a0", "b0"}, 40},
    };
    for (const Case& c : cases) {
        if (c.folder) {
            OpenFolder("images");
            OpenFolder(c.folder);
        }
        if (c.rewrittenWidth)
            WriteImage(pf_ / "images\\second\\p1.tif", c.rewrittenWidth, 30);
        Select({0});
        DeleteFileA((pf_ / "runs.txt").c_str());
        Apply();
        EXPECT_EQ(Runs(), c.runs) << (c.folder ? c.folder : "again");
        EXPECT_EQ(widthOf("temp\\p1.tif_0010.tif"), c.width);
        EXPECT_EQ(widthOf("results\\p1.tif"), c.width);
    }
    // "View Result" offers a step's result only for the image it was made from.
    HWND viewer = probe::FindForm(wb_->program().id(), "TForm4");
    ASSERT_NE(viewer, nullptr);
    for (const char* folder : {"second", "first"}) {
        OpenFolder("images");
        OpenFolder(folder);
        Select({0});
        ASSERT_TRUE(probe::ChoosePopupItem(wb_->Component("Image2"), 4));
        for (int i = 0; i < 40 && !IsWindowVisible(viewer); ++i)
            Sleep(50);
        EXPECT_EQ(IsWindowVisible(viewer) != FALSE, std::string(folder) == "first") << folder;
    }
    EXPECT_EQ(Shown(viewer, "Vistrel7_2"), pf_ / "temp\\p1.tif_0010.tif");
    PostMessageA(probe::FindComponent(viewer, "BitBtn1"), BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && IsWindowVisible(viewer); ++i)
        Sleep(50);
    EXPECT_EQ(wb_->Close(), 0);
}

std::vector<uint8_t> Int(int32_t v)
{
    return {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
            static_cast<uint8_t>(v >> 24)};
}

TEST_F(Pipeline, ThePipelineIsSavedAtCloseAndRestoredAtTheNextStart)
{
    Catalogue(pf_);
    Start();
    Palette(2);
    Palette(0);
    probe::Click(wb_->Component("Button4"));        // ">" of slot 1 (module A): a1
    ASSERT_EQ(wb_->Close(), 0);

    // length 2; slots C (2), A (0); methods: A chose 1; then the image folder.
    std::vector<uint8_t> expected = Int(2);
    for (int32_t v : {2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
        for (uint8_t b : Int(v)) expected.push_back(b);
    for (int32_t v : {1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})
        for (uint8_t b : Int(v)) expected.push_back(b);
    std::string folder = pf_ / "images";
    expected.insert(expected.end(), folder.begin(), folder.end());
    expected.resize(1164, 0);
    EXPECT_EQ(testkit::ReadBytes(pf_ / "temp\\ini.dat"), expected);

    Start();
    EXPECT_EQ(wb_->Text("Label1"), "Gamma");
    EXPECT_EQ(wb_->Text("Label2"), "C-zero");
    EXPECT_EQ(wb_->Text("Label4"), "Alpha");
    EXPECT_EQ(wb_->Text("Label5"), "A-one");
    EXPECT_FALSE(wb_->Enabled("Label27")) << "a module in the pipeline has its palette labels greyed";
    ASSERT_EQ(wb_->Close(), 0);

    // After a change of the module set (a method created, a module that
    // lists first) the pipeline keeps its modules and their methods.
    pf_.AddBatchMethod("C.Folivar", "c1", "C-one", Counting("c1"));
    pf_.AddModule("N.Folivar", "New", "-", 0);
    pf_.AddBatchMethod("N.Folivar", "n0", "N-zero", Counting("n0"));
    Start();
    EXPECT_EQ(wb_->Text("Label1"), "Gamma");
    EXPECT_EQ(wb_->Text("Label2"), "C-zero");
    EXPECT_EQ(wb_->Text("Label4"), "Alpha");
    EXPECT_EQ(wb_->Text("Label5"), "A-one");
    ASSERT_EQ(wb_->Close(), 0);

    // A module that is gone leaves its slot out; the others stay.
    ASSERT_TRUE(DeleteFileA((pf_ / "A.Folivar").c_str()));
    Start();
    EXPECT_EQ(wb_->Text("Label1"), "Gamma");
    EXPECT_TRUE(wb_->Visible("Image1"));
    EXPECT_FALSE(wb_->Visible("Image2"));
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, ADamagedStateFileIsReadWithinItsBounds)
{
    Catalogue(pf_);
    CreateDirectoryA((pf_ / "temp").c_str(), nullptr);
    Start();
    ASSERT_EQ(wb_->Close(), 0);
    struct Case { std::vector<int32_t> head; const char* slot0; const char* method0; };
    // length, slot 0, slot 1, then the method of module 0 at offset 84.
    const Case cases[] = {
        {{99, 1, 0}, "Beta", "B-zero"},     // length clamped, both slots placed
        {{2, 17, 0}, "Alpha", "A-zero"},    // unknown module skipped
        {{1, 0, 0}, "Alpha", "A-zero"},     // method index out of range below
        {{-3, 0, 0}, nullptr, nullptr},     // negative length: nothing
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes(1164, 0);
        for (size_t i = 0; i < c.head.size(); ++i)
            for (int b = 0; b < 4; ++b)
                bytes[4 * i + b] = Int(c.head[i])[b];
        for (int b = 0; b < 4; ++b)
            bytes[84 + b] = Int(55)[b];      // module 0 "chose" method 55
        testkit::WriteBytes(pf_ / "temp\\ini.dat", bytes);
        Start();
        if (c.slot0) {
            EXPECT_EQ(wb_->Text("Label1"), c.slot0);
            EXPECT_EQ(wb_->Text("Label2"), c.method0);
        } else {
            EXPECT_FALSE(wb_->Visible("Image1"));
        }
        ASSERT_EQ(wb_->Close(), 0);
    }
    testkit::WriteText(pf_ / "temp\\ini.dat", "short");
    Start();
    EXPECT_FALSE(wb_->Visible("Image1"));
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, EditingSlots)
{
    Catalogue(pf_);
    Start();
    Palette(0);
    Palette(1);
    Palette(2);
    EXPECT_FALSE(wb_->Enabled("Label10"));
    ASSERT_TRUE(probe::ChoosePopupItem(wb_->Component("Image1"), 2));   // Remove slot 0
    EXPECT_EQ(wb_->Text("Label1"), "Beta");
    EXPECT_EQ(wb_->Text("Label4"), "Gamma");
    EXPECT_FALSE(wb_->Visible("Image3"));
    EXPECT_TRUE(wb_->Enabled("Label10"));
    ASSERT_TRUE(probe::ChoosePopupItem(wb_->Component("Image2"), 0));   // Move Right of the last: disabled
    EXPECT_EQ(wb_->Text("Label4"), "Gamma");
    ASSERT_TRUE(probe::ChoosePopupItem(wb_->Component("Image1"), 0));   // Move Right of slot 0
    EXPECT_EQ(wb_->Text("Label1"), "Gamma");
    EXPECT_EQ(wb_->Text("Label4"), "Beta");
    Palette(2);                                                       // clicking Gamma again removes it
    EXPECT_EQ(wb_->Text("Label1"), "Beta");
    EXPECT_FALSE(wb_->Visible("Image2"));
    // The chosen method stays with its module.
    probe::Click(wb_->Component("Button2"));
    EXPECT_EQ(wb_->Text("Label2"), "B-one");
    EXPECT_FALSE(wb_->Enabled("Button2")) << "B has two methods: > stops at the last";
    Palette(1);
    Palette(1);
    EXPECT_EQ(wb_->Text("Label2"), "B-one");
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, RefusalsShowTheirMessage)
{
    Catalogue(pf_);
    pf_.AddModule("T.Folivar", "Split2", "-", 6, 1);
    pf_.AddBatchMethod("T.Folivar", "t0", "T-zero", Counting("t0", true));
    Start();
    Select({0});
    PostMessageA(wb_->Component("Button15"), BM_CLICK, 0, 0);
    HWND box = wb_->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Workbench::MessageText(box), "The pipeline is empty! Add a module first.");
    Workbench::PressOk(box);

    Palette(3);
    // The second split module's tile; posted, as its handler shows a message box.
    PostMessageA(wb_->Component(kPaletteLine1[5]), WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(wb_->Component(kPaletteLine1[5]), WM_LBUTTONUP, 0, 0);
    box = wb_->WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Workbench::MessageText(box), "Only one page-splitting module fits in a pipeline!");
    Workbench::PressOk(box);
    EXPECT_FALSE(wb_->Visible("Image2"));
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, DeletingTheCachedResults)
{
    Catalogue(pf_);
    Start();
    Palette(0);
    Palette(1);
    Select({0});
    Apply();
    PostMessageA(wb_->Component("Button18"), BM_CLICK, 0, 0);
    HWND settings = wb_->program().WaitForForm("TForm3");
    ASSERT_NE(settings, nullptr);
    HWND button = probe::FindComponent(settings, "Button1");
    EXPECT_EQ(probe::TextOf(button), "Delete temporal files with intermediate results [2]");
    EXPECT_TRUE(IsWindowEnabled(button));
    SendMessageA(button, BM_CLICK, 0, 0);
    EXPECT_EQ(probe::TextOf(button), "Delete temporal files with intermediate results");
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_FALSE(Exists("temp\\p1.tif_00.tif"));
    EXPECT_FALSE(Exists("temp\\p1.tif_0010.tif"));
    EXPECT_TRUE(Exists("temp\\A\\a0.bat")) << "work folders stay";
    PostMessageA(settings, WM_CLOSE, 0, 0);
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, ViewResultShowsTheStepsCachedResults)
{
    Catalogue(pf_);
    Start();
    Palette(0);
    Palette(1);
    Select({0});
    Apply();                                         // B with b0
    probe::Click(wb_->Component("Button4"));         // B: b1
    Apply();
    const std::string pf = pf_.path() + "\\";

    // "View Result" of slot 1: the chosen method (b1) first, then b0.
    PostMessageA(wb_->Component("Image2"), WM_CONTEXTMENU, 0, 0);
    ASSERT_TRUE(probe::ChoosePopupItem(wb_->Component("Image2"), 4));
    HWND viewer = wb_->program().WaitForForm("TForm4");
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(Shown(viewer, "Vistrel7_1"), pf + "images\\p1.tif");
    EXPECT_EQ(Shown(viewer, "Vistrel7_2"), pf + "temp\\p1.tif_0011.tif");
    HWND previous = probe::FindComponent(viewer, "BitBtn2"), next = probe::FindComponent(viewer, "BitBtn3");
    EXPECT_TRUE(IsWindowVisible(next));
    EXPECT_TRUE(IsWindowEnabled(next));
    EXPECT_FALSE(IsWindowEnabled(previous));
    SendMessageA(next, BM_CLICK, 0, 0);
    EXPECT_EQ(Shown(viewer, "Vistrel7_2"), pf + "temp\\p1.tif_0010.tif");
    EXPECT_FALSE(IsWindowEnabled(next));
    std::vector<std::string> log = wb_->LogLines();
    EXPECT_EQ(log, (Names{"FN : p1.tif", "Result Exists - File :p1.tif_0011.tif"}));
    PostMessageA(probe::FindComponent(viewer, "BitBtn1"), BM_CLICK, 0, 0);   // Back
    for (int i = 0; i < 100 && IsWindowVisible(viewer); ++i)
        Sleep(50);
    EXPECT_FALSE(IsWindowVisible(viewer));
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, ViewResultOfATwoPageChain)
{
    Catalogue(pf_);
    Start();
    Palette(3);
    Palette(0);
    Select({0});
    Apply();
    const std::string pf = pf_.path() + "\\";
    ASSERT_TRUE(probe::ChoosePopupItem(wb_->Component("Image2"), 4));
    HWND viewer = wb_->program().WaitForForm("TForm5");
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(Shown(viewer, "Vistrel7_2"), pf + "temp\\p1.tif_3000_1.tif");
    EXPECT_EQ(Shown(viewer, "Vistrel7_3"), pf + "temp\\p1.tif_3000_2.tif");
    EXPECT_FALSE(IsWindowVisible(probe::FindComponent(viewer, "BitBtn3"))) << "one result: no stepping";
    PostMessageA(probe::FindComponent(viewer, "BitBtn1"), BM_CLICK, 0, 0);
    for (int i = 0; i < 100 && IsWindowVisible(viewer); ++i)
        Sleep(50);
    EXPECT_FALSE(IsWindowVisible(viewer));
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, ClosingDuringARunWaitsForItsEnd)
{
    pf_.AddModule("Slow.Folivar", "Slow", "-", 1);
    pf_.AddProgramMethod("Slow.Folivar", "slow", testkit::ProgramFolder() + "\\slow_method.exe");
    WriteImage(pf_ / "images\\p1.tif");
    Start();
    Palette(0);
    Select({0});
    HWND main = probe::FindForm(wb_->program().id(), "TForm1");
    PostMessageA(wb_->Component("Button15"), BM_CLICK, 0, 0);
    for (int i = 0; i < 250 && IsWindowEnabled(main); ++i)
        Sleep(20);
    EXPECT_FALSE(IsWindowEnabled(main)) << "the window takes no input during the run";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(wb_->program().WaitForExit(30000), 0);
    EXPECT_TRUE(Exists("results\\p1.tif")) << "the run finished before the program ended";
    EXPECT_EQ(testkit::ReadBytes(pf_ / "temp\\ini.dat").size(), 1164u);
}

TEST_F(Pipeline, TheSettingsProgramRunsInItsModulesWorkFolder)
{
    pf_.AddModule("Binarize.Folivar", "Binari-", "zation", 1);
    pf_.AddProgramMethod("Binarize.Folivar", "otsu", std::string(METHODS_DIR) + "\\copy.exe",
                         testkit::ProgramFolder() + "\\runner_probe.exe");
    Start();
    Palette(0);
    ASSERT_TRUE(probe::ChoosePopupItem(wb_->Component("Image1"), 5));   // Settings
    // The probe writes its report last thing before it ends.
    for (int i = 0; i < 100 && testkit::ReadText(pf_ / "temp\\Binarize\\probe.txt").find("console=") ==
                                   std::string::npos; ++i)
        Sleep(50);
    EXPECT_NE(testkit::ReadText(pf_ / "temp\\Binarize\\probe.txt").find("cwd=" + pf_ / "temp\\Binarize"),
              std::string::npos);
    EXPECT_EQ(wb_->Close(), 0);
}

// The settings window of the threshold method started from this program
// folder, its value typed and OK clicked.
struct SettingsSearch {
    std::string folder;
    HWND found = nullptr;
};

BOOL CALLBACK FindThresholdSettings(HWND hwnd, LPARAM lp)
{
    auto* search = reinterpret_cast<SettingsSearch*>(lp);
    char cls[64] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (std::string(cls) != "ThresholdSettingsWindow" || !IsWindowVisible(hwnd))
        return TRUE;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    char image[MAX_PATH * 2] = {};
    DWORD size = sizeof image;
    const bool named = process && QueryFullProcessImageNameA(process, 0, image, &size);
    if (process)
        CloseHandle(process);
    if (named && CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, image,
                                static_cast<int>(search->folder.size()), search->folder.data(),
                                static_cast<int>(search->folder.size())) == CSTR_EQUAL) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

bool SetThresholdInItsWindow(const ProgramFolder& pf, int value)
{
    SettingsSearch search{pf / "temp\\"};
    for (int i = 0; i < 1200 && !search.found; ++i) {
        EnumWindows(FindThresholdSettings, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(50);
    }
    HWND window = search.found;
    if (!window) {
        ADD_FAILURE() << "no settings window";
        return false;
    }
    HWND edit = FindWindowExA(window, nullptr, "EDIT", nullptr);
    HWND ok = FindWindowExA(window, nullptr, "BUTTON", "OK");
    if (!edit || !ok) {
        ADD_FAILURE() << "no edit or OK in the settings window";
        PostMessageA(window, WM_CLOSE, 0, 0);
        return false;
    }
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(std::to_string(value).c_str()));
    DWORD_PTR answered = 0;
    SendMessageTimeoutA(ok, BM_CLICK, 0, 0, SMTO_NORMAL, 20000, &answered);
    for (int i = 0; i < 400 && IsWindow(window); ++i)
        Sleep(50);
    return !IsWindow(window);
}

TEST_F(Pipeline, AChangedMethodSettingRecomputesItsStepAndTheLaterOnes)
{
    pf_.AddModule("Binarize.Folivar", "Binari-", "zation", 1);
    pf_.AddProgramMethod("Binarize.Folivar", "threshold", std::string(METHODS_DIR) + "\\threshold.exe",
                         std::string(METHODS_DIR) + "\\threshold_s.exe");
    pf_.AddModule("Copy.Folivar", "Copy", "-", 2);
    pf_.AddBatchMethod("Copy.Folivar", "c0", "C-zero", Counting("c0"));
    WriteImage(pf_ / "images\\p1.tif", 64, 8);   // every grey level from 0 up
    Start();
    Palette(0);
    Palette(1);
    Select({0});
    Apply();
    const std::vector<uint8_t> at128 = testkit::ReadBytes(pf_ / "results\\p1.tif");
    ASSERT_FALSE(at128.empty());
    EXPECT_EQ(Runs(), (Names{"c0"}));

    ASSERT_TRUE(probe::ChoosePopupItem(wb_->Component("Image1"), 5));   // Settings
    ASSERT_TRUE(SetThresholdInItsWindow(pf_, 40));
    // The workbench takes input again once the settings program ended.
    HWND main = probe::FindForm(wb_->program().id(), "TForm1");
    for (int i = 0; i < 600 && !IsWindowEnabled(main); ++i)
        Sleep(50);
    ASSERT_TRUE(IsWindowEnabled(main));
    Apply();
    const std::vector<uint8_t> at40 = testkit::ReadBytes(pf_ / "results\\p1.tif");
    ASSERT_FALSE(at40.empty());
    EXPECT_NE(at40, at128) << "the result of 128 was taken for the one of 40";
    EXPECT_EQ(Runs(), (Names{"c0", "c0"})) << "the later step runs again too";

    Apply();
    EXPECT_EQ(testkit::ReadBytes(pf_ / "results\\p1.tif"), at40);
    EXPECT_EQ(Runs(), (Names{"c0", "c0"})) << "unchanged settings: the cached results count";
    EXPECT_EQ(wb_->Close(), 0);
}

// A 2x2 24-bit BMP written out by hand.
void WriteBmp(const std::string& path)
{
    std::vector<uint8_t> b = {'B', 'M', 70, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0,
                              40, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0,
                              16, 0, 0, 0, 0x13, 0x0B, 0, 0, 0x13, 0x0B, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int row = 0; row < 2; ++row)
        b.insert(b.end(), {0, 0, 0, 255, 255, 255, 0, 0});
    testkit::WriteBytes(path, b);
}

TEST_F(Pipeline, TwoSourcesWithOneResultNameAreReportedNotOverwritten)
{
    Catalogue(pf_);
    WriteBmp(pf_ / "images\\p1.bmp");              // lists before p1.tif; both save as p1.tif
    Start();
    Palette(0);
    Select({0, 1});
    PostMessageA(wb_->Component("Button15"), BM_CLICK, 0, 0);
    HWND box = wb_->WaitForMessageBox(60000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(Workbench::MessageText(box),
              pf_ / "Results\\p1.tif" + " was already written in this run: the result of " +
                  pf_ / "images\\p1.tif" + " was not saved.");
    Workbench::PressOk(box);
    imaging::Raster saved;
    ASSERT_TRUE(imaging::LoadImageFile(pf_ / "results\\p1.tif", &saved));
    EXPECT_EQ(saved.width, 2) << "the first source's result stays";
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, AResultNeverReplacesAnImageBesideTheSources)
{
    // Without "images" and "results" folders both lists show the program
    // folder: the results are saved among the images.
    Catalogue(pf_);
    testkit::RemoveTree(pf_ / "images");
    testkit::RemoveTree(pf_ / "results");
    WriteBmp(pf_ / "scan.bmp");
    WriteImage(pf_ / "scan.tif");
    const std::vector<uint8_t> original = testkit::ReadBytes(pf_ / "scan.tif");
    Start();
    Palette(0);
    const std::string tif = pf_ / "scan.tif", bmp = pf_ / "scan.bmp";
    struct Case { std::vector<int> selected; std::string message; Names runs; };
    const Case cases[] = {
        {{0, 1},
         tif + " is a source image of this run: the result of " + bmp + " was not saved.\n" +
             tif + " is the source image itself: the result was not saved.",
         {"a0", "a0"}},
        {{0}, tif + " is an image of the images folder: the result of " + bmp + " was not saved.", {}},
    };
    HWND main = probe::FindForm(wb_->program().id(), "TForm1");
    for (const Case& c : cases) {
        probe::SelectListItem(wb_->Component("FileListBox1"), -1, false);
        Select(c.selected);
        DeleteFileA((pf_ / "runs.txt").c_str());
        EXPECT_EQ(ApplyWithMessage(), c.message);
        EXPECT_EQ(Runs(), c.runs);
        EXPECT_EQ(testkit::ReadBytes(pf_ / "scan.tif"), original) << "the source image stays as it was";
        EXPECT_EQ(testkit::ReadBytes(pf_ / "temp\\scan.tif_00.tif"), original)
            << "the image was processed as it was";
        EXPECT_EQ(Shown(main, "Vistrel7_2"), pf_ / "temp\\scan.bmp_00.tif")
            << "the page shows what the run made";
    }
    EXPECT_EQ(wb_->Close(), 0);
}

TEST_F(Pipeline, ARunWithoutAResultNeverShowsAnOlderOne)
{
    Catalogue(pf_);
    pf_.AddModule("G.Folivar", "Garbage", "-", 6);
    pf_.AddBatchMethod("G.Folivar", "g0", "G-zero", "@echo not an image> out.tif\r\n");
    Start();
    Palette(0);
    Select({0});
    Apply();
    const std::vector<uint8_t> earlier = testkit::ReadBytes(pf_ / "results\\p1.tif");
    ASSERT_FALSE(earlier.empty());
    Palette(0);
    const std::string source = pf_ / "images\\p1.tif";
    struct Case { int tile; std::string message; };
    const Case cases[] = {
        {4, "No result for " + source + ": step 1 failed."},
        {5, pf_ / "temp\\p1.tif_50.tif" + " could not be loaded: the result of " + source +
                " was not saved."},
    };
    HWND main = probe::FindForm(wb_->program().id(), "TForm1");
    for (const Case& c : cases) {
        Palette(c.tile);
        EXPECT_EQ(ApplyWithMessage(), c.message);
        EXPECT_EQ(Shown(main, "Vistrel7_2"), "") << "the earlier run's result is not this run's";
        EXPECT_EQ(testkit::ReadBytes(pf_ / "results\\p1.tif"), earlier);
        Palette(c.tile);
    }
    EXPECT_EQ(wb_->Close(), 0);
}

// The compression tag of a little-endian TIFF's first page, or 0.
int CompressionOf(const std::vector<uint8_t>& file)
{
    auto u16 = [&](size_t at) { return at + 2 <= file.size() ? file[at] | file[at + 1] << 8 : 0; };
    auto u32 = [&](size_t at) {
        return at + 4 <= file.size() ? static_cast<size_t>(u16(at) | u16(at + 2) << 16) : 0u;
    };
    size_t ifd = u32(4);
    int entries = u16(ifd);
    for (int i = 0; i < entries; ++i)
        if (u16(ifd + 2 + 12 * i) == 259)
            return u16(ifd + 2 + 12 * i + 8);
    return 0;
}

TEST_F(Pipeline, OneBitResultsAreSavedWithGroup4)
{
    pf_.AddModule("Binarize.Folivar", "Binari-", "zation", 1);
    pf_.AddProgramMethod("Binarize.Folivar", "otsu", std::string(METHODS_DIR) + "\\threshold.exe");
    pf_.AddModule("Enhance.Folivar", "Enhance", "-", 2);
    pf_.AddProgramMethod("Enhance.Folivar", "copy", std::string(METHODS_DIR) + "\\copy.exe");
    WriteImage(pf_ / "images\\page.tif", 64, 48);
    Start();
    Palette(0);
    Select({0});
    Apply();
    std::vector<uint8_t> saved = testkit::ReadBytes(pf_ / "results\\page.tif");
    EXPECT_EQ(CompressionOf(saved), 4);
    imaging::Raster page;
    ASSERT_TRUE(imaging::LoadImageFile(pf_ / "results\\page.tif", &page));
    EXPECT_EQ(page.layout, imaging::PixelLayout::Bilevel);
    EXPECT_EQ(page.width, 64);
    // A grey result next: its save is not left at the 1-bit compression.
    Palette(0);
    Palette(1);
    Apply();
    EXPECT_NE(CompressionOf(testkit::ReadBytes(pf_ / "results\\page.tif")), 4);
    EXPECT_EQ(wb_->Close(), 0);
}

// A run that finds its final result cached saves what the first run saved,
// byte for byte, and a cached result file that changed since is saved anew.
TEST_F(Pipeline, ACachedRunSavesTheSameBytesAndFollowsItsResultFile)
{
    Catalogue(pf_);
    // Pages the view saves otherwise than they are stored (it writes them uncompressed).
    imaging::TiffWriteOptions packed;
    packed.compression = imaging::TiffCompression::PackBits;
    for (const char* image : {"p1.tif", "p2.tif"})
        ASSERT_TRUE(imaging::WriteTiffFile(pf_ / (std::string("images\\") + image),
                                           imaging::Raster::Blank(40, 30, imaging::PixelLayout::Gray8),
                                           packed));
    Start();
    Palette(0);
    Select({0, 1});
    Apply();
    ASSERT_EQ(Runs(), (Names{"a0", "a0"}));
    const std::vector<uint8_t> first = testkit::ReadBytes(pf_ / "results\\p1.tif");
    const std::vector<uint8_t> second = testkit::ReadBytes(pf_ / "results\\p2.tif");
    ASSERT_FALSE(first.empty());
    ASSERT_NE(first, testkit::ReadBytes(pf_ / "temp\\p1.tif_00.tif")) << "the view saves its own way";
    ASSERT_TRUE(DeleteFileA((pf_ / "results\\p1.tif").c_str()));
    Apply();
    EXPECT_EQ(Runs().size(), 2u) << "all cached";
    EXPECT_EQ(testkit::ReadBytes(pf_ / "results\\p1.tif"), first);
    EXPECT_EQ(testkit::ReadBytes(pf_ / "results\\p2.tif"), second);

    // The step result replaced behind the cache's back (its origin record stays).
    WriteImage(pf_ / "temp\\p1.tif_00.tif", 70, 20);
    Apply();
    EXPECT_EQ(Runs().size(), 2u);
    imaging::Raster page;
    ASSERT_TRUE(imaging::LoadImageFile(pf_ / "results\\p1.tif", &page));
    EXPECT_EQ(page.width, 70);
    EXPECT_EQ(testkit::ReadBytes(pf_ / "results\\p2.tif"), second);
    EXPECT_EQ(wb_->Close(), 0);
}

} // namespace
