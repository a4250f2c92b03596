// Drives probe_target.exe from this process: finds its form and components by
// the names they carry, reads them, clicks and selects with window messages.
#include "forms/testing/forms_probe.h"

#include "testkit.h"

#include <gtest/gtest.h>

#include <map>

namespace {

namespace probe = forms::probe;

class ProbeTarget : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"b.txt", "a.txt", "C.txt", "skip.bmp"})
            testkit::WriteText(folder_ / name, name);
        CreateDirectoryA((folder_ / "dir.txt").c_str(), nullptr);
        program_.reset(new probe::Program("\"" + testkit::ProgramFolder() + "\\probe_target.exe\" \"" +
                                          folder_.path() + "\""));
        ASSERT_TRUE(program_->started());
        form_ = program_->WaitForForm("TForm1");
        ASSERT_NE(form_, nullptr);
    }

    HWND Find(const std::string& name)
    {
        HWND window = probe::FindComponent(form_, name);
        EXPECT_NE(window, nullptr) << name;
        return window;
    }

    testkit::TempFolder folder_{"probe target"};
    std::unique_ptr<probe::Program> program_;
    HWND form_ = nullptr;
};

TEST_F(ProbeTarget, FindsTheFormAndEveryComponentByName)
{
    EXPECT_EQ(probe::TextOf(form_), "Probe target");
    EXPECT_TRUE(IsWindowVisible(form_));

    std::map<std::string, HWND> named;
    for (const auto& entry : probe::NamedComponents(form_))
        named[entry.first] = entry.second;
    for (const char* name : {"Button1", "Label1", "Panel1", "FileListBox1", "Memo1"})
        EXPECT_EQ(named.count(name), 1u) << name;

    // Nested components are found too; the lookup by process finds the same.
    EXPECT_EQ(GetParent(named["FileListBox1"]), named["Panel1"]);
    EXPECT_EQ(probe::FindComponent(program_->id(), "FileListBox1"), named["FileListBox1"]);
    EXPECT_EQ(probe::FindComponent(program_->id(), "NoSuchComponent"), nullptr);

    // The windows are of the standard classes, so their messages work from outside.
    char cls[64] = {};
    GetClassNameA(named["Button1"], cls, sizeof cls);
    EXPECT_STREQ(cls, "Button");
    GetClassNameA(named["Memo1"], cls, sizeof cls);
    EXPECT_STREQ(cls, "Edit");
    EXPECT_EQ(probe::TextOf(named["Button1"]), "Report");
    EXPECT_EQ(probe::TextOf(named["Label1"]), "Clicks: 0");
    EXPECT_FALSE(IsWindowVisible(named["Memo1"]));
}

TEST_F(ProbeTarget, ClickAndSelectionReachTheProgramsHandlers)
{
    HWND files = Find("FileListBox1");
    HWND button = Find("Button1");
    HWND memo = Find("Memo1");
    ASSERT_TRUE(files && button && memo);

    // Only files that match the mask, sorted by name ignoring case.
    EXPECT_EQ(probe::ListItems(files), (std::vector<std::string>{"a.txt", "b.txt", "C.txt"}));

    probe::SelectListItem(files, 0, true);
    probe::SelectListItem(files, 2, true);
    probe::Click(button);
    EXPECT_EQ(probe::TextOf(Find("Label1")), "Clicks: 1");
    EXPECT_EQ(probe::TextOf(memo), "Selected: a.txt,C.txt\r\n");

    probe::SelectListItem(files, -1, false);
    probe::Click(button);
    EXPECT_EQ(probe::TextOf(Find("Label1")), "Clicks: 2");
    EXPECT_EQ(probe::TextOf(memo), "Selected: a.txt,C.txt\r\nSelected: \r\n");
}

TEST_F(ProbeTarget, PopupMenuItemsAreChosenFromOutside)
{
    HWND label = Find("Label1");
    HWND memo = Find("Memo1");
    ASSERT_TRUE(label && memo);
    struct Case {
        int item;
        const char* label;
        const char* memo;
    };
    const Case cases[] = {
        {0, "Clicks: 1", "Selected: \r\n"},
        {1, "Clicks: 1", "Selected: \r\n"},   // disabled: nothing happens
        {2, "Clicks: 1", "Selected: \r\nfrom the menu\r\n"},   // past the separator
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(probe::ChoosePopupItem(label, c.item)) << c.item;
        EXPECT_EQ(probe::TextOf(label), c.label) << c.item;
        EXPECT_EQ(probe::TextOf(memo), c.memo) << c.item;
    }
    // A plain click on a label reaches its handler too.
    probe::Click(label);
    EXPECT_EQ(probe::TextOf(memo), "Selected: \r\nfrom the menu\r\nlabel clicked\r\n");
}

TEST_F(ProbeTarget, ClosingTheMainFormEndsTheProgramWithCodeZero)
{
    PostMessageA(form_, WM_CLOSE, 0, 0);
    EXPECT_EQ(program_->WaitForExit(), 0);
}

} // namespace
