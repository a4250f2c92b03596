#include "workbench.h"

#include "raster.h"
#include "tiff_writer.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

using namespace workbench_tests;

uint32_t SizeOf(const std::string& path)
{
    return static_cast<uint32_t>(testkit::ReadBytes(path).size());
}

// Two modules listed by name (Binarize, Enhance) whose positions put Enhance first.
void TwoModules(ProgramFolder& pf)
{
    pf.AddModule("Binarize.Folivar", "Binari-", "zation", 2, 0, "02");
    pf.AddModule("Enhance.Folivar", "Enhance", "-", 1, 0, "01");
    pf.AddModule("Unused.Folivar", "Unused", "-", 0);          // no package: not in the palette
    pf.AddPackedMethod("Binarize.Folivar", "otsu", "Otsu", "Threshold by Otsu\r\nsecond line");
    pf.AddPackedMethod("Binarize.Folivar", "fixed", "Fixed", "Fixed threshold");
    pf.AddHandmadePackage("Enhance.Folivar", "handmade");
}

TEST(WorkbenchStartup, PaletteLogFingerprintAndWorkFolders)
{
    ProgramFolder pf;
    TwoModules(pf);
    const uint32_t sum = SizeOf(pf / "Binarize.Folivar") + SizeOf(pf / "Binarize.Folivar.fixed") +
                         SizeOf(pf / "Binarize.Folivar.otsu") + SizeOf(pf / "Enhance.Folivar") +
                         SizeOf(pf / "Enhance.Folivar.handmade") + SizeOf(pf / "Unused.Folivar");

    Workbench wb(pf);
    ASSERT_NE(wb.WaitUntilStarted(), nullptr);

    const std::vector<std::string> log = {
        "Binarize.Folivar", "   Binarize.Folivar.fixed", "   Binarize.Folivar.otsu",
        "Enhance.Folivar", "   Enhance.Folivar.handmade",
        "Unused.Folivar",
        "", "FSize:" + std::to_string(sum), "Modules Changed!",
    };
    EXPECT_EQ(wb.LogLines(), log);
    EXPECT_FALSE(wb.Visible("Memo1"));

    struct Tile { const char* line1; const char* line2; const char* count; const char* text1;
                  const char* text2; const char* countText; };
    const Tile tiles[] = {
        {"Label10", "Label11", "Label28", "Enhance", "", "[1]"},
        {"Label25", "Label12", "Label29", "Binari-", "zation", "[2]"},
    };
    for (const Tile& t : tiles) {
        EXPECT_TRUE(wb.Visible(t.line1)) << t.line1;
        EXPECT_EQ(wb.Text(t.line1), t.text1);
        EXPECT_EQ(wb.Text(t.line2), t.text2);
        EXPECT_EQ(wb.Text(t.count), t.countText);
    }
    EXPECT_TRUE(wb.Visible("Image10"));
    EXPECT_TRUE(wb.Visible("Image11"));
    for (const char* unused : {"Image12", "Label27", "Label30", "Image16", "Image1", "Shape5"})
        EXPECT_FALSE(wb.Visible(unused)) << unused;
    EXPECT_FALSE(wb.Enabled("Button15"));
    EXPECT_EQ(wb.Text("Label58"), "Selected Image Files: 0");
    EXPECT_EQ(forms::probe::TextOf(forms::probe::FindForm(wb.program().id(), "TForm1")), "Folivar v.1");
    HWND splash = forms::probe::FindForm(wb.program().id(), "TForm2");
    ASSERT_NE(splash, nullptr);
    EXPECT_FALSE(IsWindowVisible(splash)) << "the splash closes when start-up is done";

    EXPECT_EQ(testkit::ReadBytes(pf / "ModCh.ini"),
              (std::vector<uint8_t>{static_cast<uint8_t>(sum), static_cast<uint8_t>(sum >> 8),
                                    static_cast<uint8_t>(sum >> 16), static_cast<uint8_t>(sum >> 24)}));
    for (const char* unpacked : {"temp\\Binarize\\otsu.bat", "temp\\Binarize\\otsu.name",
                                 "temp\\Binarize\\fixed.txt", "temp\\Enhance\\handmade.bat",
                                 "temp\\Enhance\\handmade.name"})
        EXPECT_TRUE(testkit::FileExists(pf / unpacked)) << unpacked;
    for (const char* gone : {"temp\\Binarize\\Binarize.Folivar.otsu", "temp\\Binarize\\Binarize.Folivar.otsu.exe",
                             "temp\\Enhance\\Enhance.Folivar.handmade.exe"})
        EXPECT_FALSE(testkit::FileExists(pf / gone)) << gone;

    EXPECT_EQ(wb.Close(), 0);
    std::vector<uint8_t> state = testkit::ReadBytes(pf / "temp\\ini.dat");
    ASSERT_EQ(state.size(), 1164u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&state[164])), pf / "images");
    for (int i = 0; i < 164; ++i)
        EXPECT_EQ(state[i], 0) << "an empty pipeline, no method chosen: byte " << i;
}

TEST(WorkbenchStartup, AnUnchangedSetIsNotUnpackedAgain)
{
    ProgramFolder pf;
    TwoModules(pf);
    {
        Workbench wb(pf);
        ASSERT_NE(wb.WaitUntilStarted(), nullptr);
        EXPECT_EQ(wb.Close(), 0);
    }
    testkit::WriteText(pf / "temp\\Binarize\\marker.txt", "kept while nothing changed");
    testkit::RemoveTree(pf / "temp\\Enhance");
    {
        Workbench wb(pf);
        ASSERT_NE(wb.WaitUntilStarted(), nullptr);
        std::vector<std::string> log = wb.LogLines();
        EXPECT_NE(log.back(), "Modules Changed!");
        EXPECT_TRUE(testkit::FileExists(pf / "temp\\Binarize\\marker.txt"));
        EXPECT_TRUE(testkit::FileExists(pf / "temp\\Enhance\\handmade.name"))
            << "a deleted work folder is unpacked again";
        EXPECT_EQ(wb.Close(), 0);
    }
    pf.AddPackedMethod("Binarize.Folivar", "otsu", "Otsu", "A longer description changes the size");
    {
        Workbench wb(pf);
        ASSERT_NE(wb.WaitUntilStarted(), nullptr);
        EXPECT_EQ(wb.LogLines().back(), "Modules Changed!");
        EXPECT_FALSE(testkit::FileExists(pf / "temp\\Binarize\\marker.txt"));
        EXPECT_EQ(wb.Close(), 0);
    }
}

TEST(WorkbenchStartup, AnEmptyFolderShowsNoPalette)
{
    ProgramFolder pf;
    Workbench wb(pf);
    ASSERT_NE(wb.WaitUntilStarted(), nullptr);
    for (const char* tile : {"Image10", "Label10", "Label28", "Image16"})
        EXPECT_FALSE(wb.Visible(tile)) << tile;
    EXPECT_EQ(wb.LogLines(), (std::vector<std::string>{"", "FSize:0"}));
    EXPECT_FALSE(wb.Enabled("Button15"));
    EXPECT_EQ(wb.Close(), 0);
}

TEST(WorkbenchStartup, StartUpFailuresEndTheProgramWithAnError)
{
    struct Case { const char* blocker; const char* message; };
    const Case cases[] = {
        {"temp", "Can not create temp dir!"},
        {"temp\\Binarize", "Can not create temp sub-dir!"},
    };
    for (const Case& c : cases) {
        ProgramFolder pf;
        TwoModules(pf);
        if (std::string(c.blocker) != "temp") {
            CreateDirectoryA((pf / "temp").c_str(), nullptr);
            testkit::WriteText(pf / "temp\\ini.dat", "saved state stays");
        }
        testkit::WriteText(pf / c.blocker, "a file where a folder must go");

        Workbench wb(pf);
        HWND box = wb.WaitForMessageBox();
        ASSERT_NE(box, nullptr) << c.message;
        EXPECT_EQ(Workbench::MessageText(box), c.message);
        Workbench::PressOk(box);
        EXPECT_EQ(wb.program().WaitForExit(), 1) << c.message;
        if (std::string(c.blocker) != "temp") {
            EXPECT_EQ(testkit::ReadText(pf / "temp\\ini.dat"), "saved state stays");
        }
    }
}

// A module whose two packages take their time to unpack (each waits 1.5 s),
// so that a test can act while start-up unpacks it.
void SlowModule(ProgramFolder& pf)
{
    pf.AddModule("Slow.Folivar", "Slow", "-", 0);
    for (const char* method : {"s1", "s2"})
        EXPECT_TRUE(CopyFileA((testkit::ProgramFolder() + "\\slow_method.exe").c_str(),
                              (pf / (std::string("Slow.Folivar.") + method)).c_str(), FALSE));
}

// Waits until the splash window tells that the module is being unpacked.
bool WaitForLoading(Workbench& wb, const std::string& moduleFile)
{
    for (int i = 0; i < 1200; ++i) {
        HWND splash = forms::probe::FindForm(wb.program().id(), "TForm2");
        if (splash && forms::probe::TextOf(forms::probe::FindComponent(splash, "Label2")) ==
                          "Loading " + moduleFile)
            return true;
        Sleep(25);
    }
    return false;
}

TEST(WorkbenchStartup, AStartCutShortWhileUnpackingFindsTheSetChangedAgain)
{
    ProgramFolder pf;
    TwoModules(pf);
    {
        Workbench wb(pf);
        ASSERT_NE(wb.WaitUntilStarted(), nullptr);
        EXPECT_EQ(wb.Close(), 0);
    }
    const std::vector<uint8_t> fingerprint = testkit::ReadBytes(pf / "ModCh.ini");
    testkit::WriteText(pf / "temp\\p1.tif_00.tif", "a result of method 0 of module 0");

    // The new module sorts first: module and method numbers shift.
    SlowModule(pf);
    {
        Workbench wb(pf);
        ASSERT_TRUE(WaitForLoading(wb, "Slow.Folivar"));
        TerminateProcess(wb.program().handle(), 9);
        wb.program().WaitForExit();
    }
    EXPECT_EQ(testkit::ReadBytes(pf / "ModCh.ini"), fingerprint) << "the set is not recorded as unpacked";
    {
        Workbench wb(pf);
        ASSERT_NE(wb.WaitUntilStarted(), nullptr);
        EXPECT_EQ(wb.LogLines().back(), "Modules Changed!");
        EXPECT_FALSE(testkit::FileExists(pf / "temp\\p1.tif_00.tif")) << "the stale cache is purged";
        EXPECT_EQ(wb.Close(), 0);
    }
    EXPECT_NE(testkit::ReadBytes(pf / "ModCh.ini"), fingerprint);
    Workbench wb(pf);
    ASSERT_NE(wb.WaitUntilStarted(), nullptr);
    EXPECT_NE(wb.LogLines().back(), "Modules Changed!");
    EXPECT_EQ(wb.Close(), 0);
}

TEST(WorkbenchStartup, ACloseDuringStartUpKeepsTheSavedPipeline)
{
    ProgramFolder pf;
    TwoModules(pf);
    SlowModule(pf);
    {
        Workbench wb(pf);
        ASSERT_NE(wb.WaitUntilStarted(), nullptr);
        forms::probe::Click(wb.Component("Label10"));   // the first tile into the pipeline
        ASSERT_TRUE(wb.Visible("Image1"));
        EXPECT_EQ(wb.Close(), 0);
    }
    const std::vector<uint8_t> saved = testkit::ReadBytes(pf / "temp\\ini.dat");
    ASSERT_EQ(saved.size(), 1164u);
    ASSERT_EQ(saved[0], 1);

    // Cases: the module set unchanged (one work folder to unpack again) and changed.
    for (bool changed : {false, true}) {
        testkit::RemoveTree(pf / "temp\\Slow");
        if (changed)
            testkit::WriteText(pf / "Slow.Folivar.s3", "another package");
        Workbench wb(pf);
        ASSERT_TRUE(WaitForLoading(wb, "Slow.Folivar")) << changed;
        PostMessageA(forms::probe::FindForm(wb.program().id(), "TForm1"), WM_CLOSE, 0, 0);
        EXPECT_EQ(wb.program().WaitForExit(60000), 0) << changed;
        EXPECT_EQ(testkit::ReadBytes(pf / "temp\\ini.dat"), saved) << changed;
    }
}

void WriteImage(const std::string& path)
{
    imaging::Raster page = imaging::Raster::Blank(40, 30, imaging::PixelLayout::Gray8);
    page.pixels[0] = 0;
    ASSERT_TRUE(imaging::WriteTiffFile(path, page, imaging::TiffWriteOptions()));
}

// The notification a list box sends its parent when the user changes the selection.
void UserSelects(HWND list, int index)
{
    forms::probe::SelectListItem(list, index, true);
    SendMessageA(list, LB_SETCARETINDEX, index, FALSE);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(list), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

HWND ViewWindow(HWND view)
{
    // The view component is the site's window; the control's window is its child.
    return view ? GetWindow(view, GW_CHILD) : nullptr;
}

TEST(WorkbenchStartup, ChoosingImagesEnablesApplyAndAnotherFolderClearsIt)
{
    ProgramFolder pf;
    TwoModules(pf);
    WriteImage(pf / "images\\a.tif");
    WriteImage(pf / "images\\b.tif");
    CreateDirectoryA((pf / "images\\more").c_str(), nullptr);

    Workbench wb(pf);
    ASSERT_NE(wb.WaitUntilStarted(), nullptr);
    HWND files = wb.Component("FileListBox1");
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(forms::probe::ListItems(files), (std::vector<std::string>{"a.tif", "b.tif"}));

    UserSelects(files, 1);
    EXPECT_EQ(wb.Text("Label58"), "Selected Image Files: 1");
    EXPECT_TRUE(wb.Enabled("Button15"));
    EXPECT_EQ(forms::probe::TextOf(ViewWindow(wb.Component("Vistrel7_1"))), pf / "images\\b.tif");
    UserSelects(files, 0);
    EXPECT_EQ(wb.Text("Label58"), "Selected Image Files: 2");

    // Opening another folder clears the choice and the preview.
    HWND folders = wb.Component("DirectoryListBox1");
    std::vector<std::string> entries = forms::probe::ListItems(folders);
    int more = -1;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].find("more") != std::string::npos)
            more = static_cast<int>(i);
    ASSERT_GE(more, 0);
    SendMessageA(folders, LB_SETCURSEL, more, 0);
    SendMessageA(GetParent(folders), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(folders), LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(folders));
    EXPECT_EQ(wb.Text("Label58"), "Selected Image Files: 0");
    EXPECT_FALSE(wb.Enabled("Button15"));
    EXPECT_EQ(forms::probe::TextOf(ViewWindow(wb.Component("Vistrel7_1"))), "");
    EXPECT_TRUE(forms::probe::ListItems(files).empty());
    EXPECT_EQ(wb.Close(), 0);
    std::vector<uint8_t> state = testkit::ReadBytes(pf / "temp\\ini.dat");
    ASSERT_EQ(state.size(), 1164u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&state[164])), pf / "images\\more");
}

TEST(WorkbenchStartup, EveryOtherFormIsOwnedByTheMainWindowAndAModalOneStaysAboveIt)
{
    ProgramFolder pf;
    TwoModules(pf);
    Workbench wb(pf);
    HWND main = wb.WaitUntilStarted();
    ASSERT_NE(main, nullptr);
    for (const char* form : {"TForm2", "TForm3", "TForm4", "TForm5", "TForm6", "TForm8", "TForm9"}) {
        HWND window = forms::probe::FindForm(wb.program().id(), form);
        ASSERT_NE(window, nullptr) << form;
        EXPECT_EQ(GetWindow(window, GW_OWNER), main) << form;
    }
    EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr);

    // Settings shown modally; the main window brought to the top, as a click on it does.
    PostMessageA(wb.Component("Button18"), BM_CLICK, 0, 0);
    HWND settings = wb.program().WaitForForm("TForm3");
    ASSERT_NE(settings, nullptr);
    for (int i = 0; i < 200 && !IsWindowVisible(settings); ++i)
        Sleep(20);
    SetWindowPos(main, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    bool above = false;
    for (HWND w = GetWindow(settings, GW_HWNDNEXT); w && !above; w = GetWindow(w, GW_HWNDNEXT))
        above = w == main;
    EXPECT_TRUE(above) << "the modal window went behind its owner";
    PostMessageA(settings, WM_CLOSE, 0, 0);
    for (int i = 0; i < 200 && !IsWindowEnabled(main); ++i)
        Sleep(20);
    EXPECT_EQ(wb.Close(), 0);
}

} // namespace
