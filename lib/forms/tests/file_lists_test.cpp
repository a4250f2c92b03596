// The file list, the folder list bound to it and the drive box bound to that:
// masks, multi-selection, the focused file, and the current directory of the
// process left alone throughout.
#include "forms/directory_list_box.h"
#include "forms/drive_combo_box.h"
#include "forms/file_list_box.h"
#include "forms/form.h"

#include "testkit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string CurrentDirectory()
{
    char path[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, path);
    return path;
}

std::vector<std::string> ItemsOf(const forms::FileListBox& list)
{
    std::vector<std::string> items;
    for (int i = 0; i < list.Count(); ++i)
        items.push_back(list.Item(i));
    return items;
}

class FileLists : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"p2.tif", "P1.TIF", "p3.tiff", "notes.txt", "scan.bmp"})
            testkit::WriteText(folder_ / name, name);
        for (const char* name : {"images", "Results", "a.tif"})
            CreateDirectoryA((folder_ / name).c_str(), nullptr);
        testkit::WriteText(folder_ / "images\\in.tif", "x");
    }

    testkit::TempFolder folder_{"file lists"};
    forms::Form form_{"TForm1"};
};

TEST_F(FileLists, MaskPicksTheFilesSortedByNameIgnoringCase)
{
    forms::FileListBox list(form_, "FileListBox1", {0, 0, 200, 200});
    ASSERT_TRUE(list.SetDirectory(folder_.path()));
    struct Case {
        const char* mask;
        std::vector<std::string> items;
    };
    // Folders never show, even when their name matches ("a.tif").
    const Case cases[] = {
        {"*.*", {"notes.txt", "P1.TIF", "p2.tif", "p3.tiff", "scan.bmp"}},
        {"*.tif", {"P1.TIF", "p2.tif", "p3.tiff"}},   // the system's match takes "*.tif" for .tiff too
        {"*.bmp;*.txt", {"notes.txt", "scan.bmp"}},
        {"*.tif;p*", {"P1.TIF", "p2.tif", "p3.tiff"}},   // a file matched twice is listed once
        {"*.none", {}},
    };
    for (const Case& c : cases) {
        list.SetMask(c.mask);
        EXPECT_EQ(ItemsOf(list), c.items) << c.mask;
    }
}

TEST_F(FileLists, MultiSelectionAndTheFocusedFile)
{
    forms::FileListBox list(form_, "FileListBox1", {0, 0, 200, 200});
    list.SetMask("*.tif");
    list.SetDirectory(folder_.path());
    ASSERT_EQ(list.Count(), 3);
    EXPECT_EQ(list.ItemIndex(), -1);
    EXPECT_EQ(list.FileName(), "");

    list.SetSelected(0, true);
    list.SetSelected(2, true);
    list.SetItemIndex(2);
    EXPECT_EQ(list.SelCount(), 2);
    EXPECT_TRUE(list.Selected(0));
    EXPECT_FALSE(list.Selected(1));
    EXPECT_TRUE(list.Selected(2));
    EXPECT_EQ(list.FileName(), folder_ / "p3.tiff");

    list.ClearSelection();
    EXPECT_EQ(list.SelCount(), 0);
    list.Update();
    EXPECT_EQ(list.FileName(), "");

    // A missing folder is refused and the list stays.
    EXPECT_FALSE(list.SetDirectory(folder_ / "gone"));
    EXPECT_EQ(list.Directory(), folder_.path());
    EXPECT_EQ(list.Count(), 3);
}

TEST_F(FileLists, AUserClickSelectsAndFiresClick)
{
    forms::FileListBox list(form_, "FileListBox1", {0, 0, 200, 200});
    list.SetDirectory(folder_.path());
    form_.Show();
    std::vector<std::string> clicked;
    list.OnClick = [&] { clicked.push_back(list.FileName()); };

    RECT item;
    SendMessageA(list.Handle(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    LPARAM at = MAKELPARAM(item.left + 5, item.top + 2);
    SendMessageA(list.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(list.Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(clicked, std::vector<std::string>{folder_ / "P1.TIF"});
    EXPECT_EQ(list.SelCount(), 1);
}

TEST_F(FileLists, FolderListShowsThePathAndSubfoldersAndDrivesTheFileList)
{
    forms::DirectoryListBox folders(form_, "DirectoryListBox1", {0, 0, 200, 200});
    forms::FileListBox files(form_, "FileListBox1", {200, 0, 200, 200});
    folders.SetFileList(&files);
    const std::string before = CurrentDirectory();

    ASSERT_TRUE(folders.SetDirectory(folder_.path() + "\\"));
    EXPECT_EQ(folders.Directory(), folder_.path());
    EXPECT_EQ(files.Directory(), folder_.path());

    // The path's steps from the root, the current one selected, then the subfolders.
    std::vector<std::string> entries;
    for (int i = 0; i < folders.Count(); ++i)
        entries.push_back(folders.EntryPath(i));
    ASSERT_GE(entries.size(), 4u);
    EXPECT_EQ(entries[0].substr(1), ":\\");
    EXPECT_EQ(folders.EntryPath(folders.ItemIndex()), folder_.path());
    const std::vector<std::string> subfolders(entries.end() - 3, entries.end());
    EXPECT_EQ(subfolders, (std::vector<std::string>{folder_ / "a.tif", folder_ / "images", folder_ / "Results"}));

    // Opening the selected entry: down into a subfolder, then up a step.
    folders.SetItemIndex(folders.Count() - 2);
    folders.OpenCurrent();
    EXPECT_EQ(folders.Directory(), folder_ / "images");
    EXPECT_EQ(ItemsOf(files), std::vector<std::string>{"in.tif"});
    int parent = 0;
    while (folders.EntryPath(parent) != folder_.path())
        ++parent;
    folders.SetItemIndex(parent);
    folders.OpenCurrent();
    EXPECT_EQ(folders.Directory(), folder_.path());

    EXPECT_FALSE(folders.SetDirectory(folder_ / "gone"));
    EXPECT_EQ(folders.Directory(), folder_.path());
    EXPECT_EQ(CurrentDirectory(), before);
}

TEST_F(FileLists, AClickOnAFolderEntryFiresClickAndTheProgramOpensIt)
{
    forms::DirectoryListBox folders(form_, "DirectoryListBox1", {0, 0, 300, 300});
    form_.SetClientSize(400, 400);
    form_.Show();
    const std::string before = CurrentDirectory();
    ASSERT_TRUE(folders.SetDirectory(folder_.path()));
    std::vector<std::string> clicked;
    folders.OnClick = [&] {
        clicked.push_back(folders.EntryPath(folders.ItemIndex()));
        folders.OpenCurrent();
    };

    int results = folders.Count() - 1;
    ASSERT_EQ(folders.EntryPath(results), folder_ / "Results");
    RECT item;
    SendMessageA(folders.Handle(), LB_GETITEMRECT, static_cast<WPARAM>(results), reinterpret_cast<LPARAM>(&item));
    LPARAM at = MAKELPARAM(item.left + 20, item.top + 2);
    SendMessageA(folders.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(folders.Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_EQ(clicked, std::vector<std::string>{folder_ / "Results"});
    EXPECT_EQ(folders.Directory(), folder_ / "Results");
    EXPECT_EQ(CurrentDirectory(), before);
}

TEST_F(FileLists, DriveBoxListsTheDrivesAndMovesTheFolderListToAnother)
{
    forms::DirectoryListBox folders(form_, "DirectoryListBox1", {0, 0, 200, 200});
    forms::DriveComboBox drives(form_, "DriveComboBox1", {0, 200, 200, 24});
    drives.SetDirList(&folders);
    const std::string before = CurrentDirectory();
    ASSERT_TRUE(folders.SetDirectory(folder_.path()));
    const char home = static_cast<char>(toupper(folder_.path()[0]));
    EXPECT_EQ(drives.Drive(), home);
    EXPECT_GE(drives.Count(), 2);   // C: and the Z: of the host at least

    const char away = home == 'C' ? 'Z' : 'C';
    ASSERT_TRUE(drives.SetDrive(away));
    EXPECT_EQ(folders.Directory(), std::string(1, away) + ":\\");
    EXPECT_EQ(folders.EntryPath(0), folders.Directory());   // a root is its only step
    EXPECT_EQ(folders.ItemIndex(), 0);
    // Choosing the drive already shown keeps the folder.
    ASSERT_TRUE(folders.SetDirectory(folder_.path()));
    ASSERT_TRUE(drives.SetDrive(home));
    EXPECT_EQ(folders.Directory(), folder_.path());
    EXPECT_FALSE(drives.SetDrive('@'));
    EXPECT_EQ(CurrentDirectory(), before);
}

} // namespace
