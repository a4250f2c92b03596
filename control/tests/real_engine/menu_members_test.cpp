// The palette and menu members as a compiled host calls them through the
// IQuillmark vtable, with the real engine beside the control: a palette
// tool's menu that refuses an item (absent, duplicate, a tool without a
// button) is reported as an error, never as success, and the palette's grid
// reads back.
#include "control_fixture.h"

#include "annotation_engine.h"
#include "testkit.h"

namespace {

HRESULT Reported(int code)
{
    return static_cast<HRESULT>(0x80040000u + static_cast<unsigned>(code));
}

struct Text {
    explicit Text(const wchar_t* text) : bstr(SysAllocString(text)) {}
    ~Text() { SysFreeString(bstr); }
    BSTR bstr;
};

class MenuMembers : public ControlTest {
protected:
    void TearDown() override
    {
        if (control)
            control->Release();
        control = nullptr;
        ControlTest::TearDown();
    }
    long Palette()
    {
        long hwnd = -1;
        EXPECT_EQ(S_OK, control->get_ToolbarHwnd(&hwnd));
        return hwnd;
    }

    IQuillmark* control = nullptr;
};

TEST_F(MenuMembers, APaletteMenuThatRefusesIsReportedAsAnError)
{
    control = NewControl();
    ASSERT_NE(nullptr, control);
    ASSERT_EQ(S_OK, control->put_ToolbarActivated(VARIANT_TRUE));
    ASSERT_NE(0, Palette());
    Text a(L"A"), b(L"B");

    struct Case {
        const char* name;
        HRESULT (*call)(IQuillmark*, BSTR, BSTR);
        HRESULT expected;
    };
    const Case cases[] = {
        {"add",
         [](IQuillmark* c, BSTR x, BSTR) {
             return c->MenuAddItem(Toolbar, LineTool, 1, 0, x, 0, 0);
         },
         S_OK},
        {"add again",
         [](IQuillmark* c, BSTR, BSTR y) {
             return c->MenuAddItem(Toolbar, LineTool, 1, 0, y, 0, 0);
         },
         Reported(1038)},
        {"older add again",
         [](IQuillmark* c, BSTR, BSTR y) { return c->AddPaletteMenuItem(LineTool, 1, y, 0, 0); },
         Reported(1038)},
        {"older sub-item add",
         [](IQuillmark* c, BSTR x, BSTR) {
             return c->AddPaletteSubmenuItem(LineTool, 1, 2, x, 0, 0);
         },
         S_OK},
        {"older sub-item add again",
         [](IQuillmark* c, BSTR x, BSTR) {
             return c->AddPaletteSubmenuItem(LineTool, 1, 2, x, 0, 0);
         },
         Reported(1038)},
        {"add for a tool without a button",
         [](IQuillmark* c, BSTR x, BSTR) {
             return c->MenuAddItem(Toolbar, ProtractorTool, 1, 0, x, 0, 0);
         },
         Reported(1039)},
        {"older add for a tool without a button",
         [](IQuillmark* c, BSTR x, BSTR) {
             return c->AddPaletteMenuItem(ProtractorTool, 1, x, 0, 0);
         },
         Reported(1039)},
        {"older delete of an absent item",
         [](IQuillmark* c, BSTR, BSTR) { return c->DeletePaletteMenuItem(LineTool, 9); },
         Reported(1039)},
        {"older delete of an absent sub-item",
         [](IQuillmark* c, BSTR, BSTR) { return c->DeletePaletteMenuSubitem(LineTool, 1, 9); },
         Reported(1039)},
        {"walk of a tool without a button",
         [](IQuillmark* c, BSTR, BSTR) {
             long top = 5, sub = 5;
             const HRESULT hr = c->MenuGetFirstItemID(Toolbar, ProtractorTool, &top, &sub);
             return top == 0 && sub == 0 ? hr : E_UNEXPECTED;
         },
         Reported(1039)},
        {"flag of a tool without a button",
         [](IQuillmark* c, BSTR, BSTR) {
             return c->MenuSetItemChecked(Toolbar, ProtractorTool, 1, 0, VARIANT_TRUE,
                                          VARIANT_FALSE);
         },
         E_FAIL},
        {"older flag of a tool without a button",
         [](IQuillmark* c, BSTR, BSTR) {
             return c->SetPaletteMenuSubitemVisible(ProtractorTool, 1, 2, VARIANT_TRUE,
                                                    VARIANT_FALSE);
         },
         E_FAIL},
        {"delete, and again",
         [](IQuillmark* c, BSTR, BSTR) {
             VARIANT_BOOL first = VARIANT_FALSE, second = VARIANT_TRUE;
             const HRESULT once = c->MenuDeleteItem(Toolbar, LineTool, 1, 0, &first);
             const HRESULT again = c->MenuDeleteItem(Toolbar, LineTool, 1, 0, &second);
             const bool told = first == VARIANT_TRUE && second == VARIANT_FALSE;
             return told && once == again ? again : E_UNEXPECTED;
         },
         S_OK},
        {"context item below the host's ids",
         [](IQuillmark* c, BSTR x, BSTR) {
             return c->MenuAddItem(Context, LineTool, 7, 0, x, 0, 0);
         },
         Reported(1036)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.expected, c.call(control, a.bstr, b.bstr));
    }
    // The first item stayed as it was added.
    BSTR caption = nullptr;
    EXPECT_EQ(S_OK, control->MenuGetItem(Toolbar, LineTool, 1, 2, &caption));
    EXPECT_STREQ(L"A", caption);
    SysFreeString(caption);
}

// The control makes its palette with the engine; its grid reads back as the
// palette lays it out (the error without a palette is the recording fake
// engine's to show).
TEST_F(MenuMembers, ThePalettesGridReadsBackThroughTheControl)
{
    control = NewControl();
    ASSERT_NE(nullptr, control);
    ASSERT_NE(0, Palette());
    long rows = 0, columns = 0;
    EXPECT_EQ(S_OK, control->get_ToolbarHeight(&rows));
    EXPECT_EQ(S_OK, control->get_ToolbarWidth(&columns));
    EXPECT_EQ(4, rows);
    EXPECT_EQ(3, columns);
    EXPECT_EQ(S_OK, control->put_ToolbarWidth(4));
    EXPECT_EQ(S_OK, control->get_ToolbarHeight(&rows));
    EXPECT_EQ(S_OK, control->get_ToolbarWidth(&columns));
    EXPECT_EQ(3, rows);
    EXPECT_EQ(4, columns);
}

// A script host meets the same errors through IDispatch, with their texts.
// Each failed check adds its bit to the exit code, which is 100 when all pass.
const char kMenuScript[] =
    "Option Explicit\r\n"
    "Dim q, failures\r\n"
    "failures = 0\r\n"
    "Set q = CreateObject(\"MorvaneImaging.Quillmark.7\")\r\n"
    "q.MenuAddItem 2, 4102, 1, 0, \"A\", 0, 0\r\n"
    "On Error Resume Next\r\n"
    "q.MenuAddItem 2, 4102, 1, 0, \"B\", 0, 0\r\n"
    "If Err.Number <> &H8004040E Then failures = failures + 1\r\n"
    "If Err.Description <> \"Duplicate menu id\" Then failures = failures + 2\r\n"
    "Err.Clear\r\n"
    "q.AddPaletteMenuItem 4108, 1, \"A\", 0, 0\r\n"
    "If Err.Number <> &H8004040F Then failures = failures + 4\r\n"
    "If Err.Description <> \"Invalid menu id\" Then failures = failures + 8\r\n"
    "Err.Clear\r\n"
    "On Error GoTo 0\r\n"
    "If q.MenuGetItem(2, 4102, 1, 0) <> \"A\" Then failures = failures + 16\r\n"
    "Set q = Nothing\r\n"
    "WScript.Quit 100 + failures\r\n";

TEST(MenuMembersFromAScript, DuplicateAndAbsentMenuItemsAreErrorsWithTheirTexts)
{
    testkit::TempFolder folder("menu_script");
    testkit::WriteText(folder / "menus.vbs", kMenuScript);
    const int rc = testkit::RunAndWait("cscript.exe //nologo \"" + (folder / "menus.vbs") + "\"",
                                       folder.path(), 120000);
    EXPECT_EQ(100, rc) << "100 + the bits of the failed checks";
}

} // namespace
