// The colour and font dialog members with the recording fake engine: the
// checks made before a dialog opens, the platform's dialogs opened on what
// the engine holds (a timer on the test's thread plays the user: it finds the
// dialog, reads its caption, makes a choice and confirms or cancels), and
// the choice written back only as far as the engine takes it.
#include "control_fake_engine_fixture.h"

#include <cstring>
#include <functional>

using quillmark_test::ControlWithFakeEngineTest;
using quillmark_test::Err;
using quillmark_test::Lines;

namespace {

// The controls of the platform's dialogs the user works with.
const int kRedEdit = 706, kGreenEdit = 707, kBlueEdit = 708;
const int kFontSizeBox = 0x472;

// The user: once the dialog is up, act on it and press OK or Cancel.
struct User {
    std::function<void(HWND)> act;
    bool confirm = true;
    int dialogs = 0;
    std::string caption;
};
User* user = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM found)
{
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::strcmp(name, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK Play(HWND, UINT, UINT_PTR timer, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || !user)
        return;
    KillTimer(nullptr, timer);
    ++user->dialogs;
    char caption[128] = {};
    GetWindowTextA(dialog, caption, sizeof caption);
    user->caption = caption;
    if (user->act)
        user->act(dialog);
    const int button = user->confirm ? IDOK : IDCANCEL;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

class DialogMembersTest : public ControlWithFakeEngineTest {
protected:
    void SetUp() override
    {
        ControlWithFakeEngineTest::SetUp();
        CreateControl();
        user = &person;
        fake.setResult(EngineSlot_IsValidLayer, 1);
        fake.SetOuts(EngineSlot_IsValidToolAttribute, {1});
    }
    void TearDown() override
    {
        user = nullptr;
        ControlWithFakeEngineTest::TearDown();
    }
    // Runs a member with the user at the screen; the member's answer.
    HRESULT WithUser(const std::function<HRESULT()>& member)
    {
        mark = fake.LogSize();
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, Play);
        const HRESULT hr = member();
        KillTimer(nullptr, timer);
        return hr;
    }
    void ItemOfType(int tool) { fake.SetOuts(EngineSlot_PrgGetItemAttribute, {tool}); }

    User person;
    VARIANT_BOOL result = VARIANT_TRUE;
};

void ChooseRgb(HWND dialog)
{
    SetDlgItemInt(dialog, kRedEdit, 10, FALSE);
    SetDlgItemInt(dialog, kGreenEdit, 20, FALSE);
    SetDlgItemInt(dialog, kBlueEdit, 30, FALSE);
}
const int kChosenColour = RGB(10, 20, 30);

BSTR Title(const wchar_t* text)
{
    static std::vector<BSTR> kept;
    kept.push_back(SysAllocString(text));
    return kept.back();
}

TEST_F(DialogMembersTest, AnItemsColourIsChosenUnderTheCallersTitleAndWrittenBack)
{
    ItemOfType(RectangleTool);
    person.act = ChooseRgb;
    EXPECT_EQ(S_OK, WithUser([&] {
                  return control->UserItemColorSelect(8, 3, QMK_PenColor, Title(L"Pen colour"), 0,
                                                      &result);
              }));
    EXPECT_EQ(VARIANT_TRUE, result);
    EXPECT_EQ(1, person.dialogs);
    EXPECT_EQ("Pen colour", person.caption);
    EXPECT_EQ((Lines{"IsValidLayer(8)", "PrgGetItemAttribute(8,3,129,ptr)",
                     "IsValidToolAttribute(4098,1,ptr)", "PrgGetItemAttribute(8,3,1,ptr)",
                     "PrgSetItemAttribute(8,3,1," + std::to_string(kChosenColour) + ")"}),
              EngineCalls());
}

TEST_F(DialogMembersTest, ACancelledOrRefusedChoiceAnswersFalse)
{
    ItemOfType(RectangleTool);
    person.confirm = false;
    EXPECT_EQ(S_OK, WithUser([&] {
                  return control->UserItemColorSelect(8, 3, QMK_FillColor, nullptr, 0, &result);
              }));
    EXPECT_EQ(VARIANT_FALSE, result);
    EXPECT_EQ("", person.caption) << "a null title is an empty caption";
    EXPECT_EQ("PrgGetItemAttribute(8,3,4,ptr)", EngineCalls().back()) << "nothing written";

    // The engine refuses what the user chose: reported, not TRUE.
    person.confirm = true;
    fake.setResult(EngineSlot_PrgSetItemAttribute, QMK_ErrItemNotFound);
    result = VARIANT_TRUE;
    EXPECT_EQ(Err(QMK_ErrItemNotFound), WithUser([&] {
                  return control->UserItemColorSelect(8, 3, QMK_FillColor, nullptr, 0, &result);
              }));
    EXPECT_EQ(VARIANT_FALSE, result);
    fake.setResult(EngineSlot_SetToolAttribute, QMK_ErrInvalidTool);
    result = VARIANT_TRUE;
    EXPECT_EQ(S_FALSE, WithUser([&] {
                  return control->UserColorSelect(8, RectangleTool, QMK_FillColor, 0, &result);
              }));
    EXPECT_EQ(VARIANT_FALSE, result);
}

// Whatever is wrong is found before any dialog opens, and FALSE answered.
TEST_F(DialogMembersTest, RefusedCallsOpenNoDialog)
{
    struct Case {
        const char* name;
        std::function<void(FakeEngineLibrary&)> setup;
        std::function<HRESULT(IQuillmark*, VARIANT_BOOL*)> call;
        HRESULT expected;
    };
    const long notAWindow = 0x7FFF0;
    const Case cases[] = {
        {"item colour, layer not valid", [](FakeEngineLibrary& f) { f.setResult(EngineSlot_IsValidLayer, 0); },
         [](IQuillmark* c, VARIANT_BOOL* r) { return c->UserItemColorSelect(8, 3, QMK_PenColor, nullptr, 0, r); },
         Err(QMK_ErrInvalidLayer)},
        {"item colour, owner not a window", nullptr,
         [=](IQuillmark* c, VARIANT_BOOL* r) { return c->UserItemColorSelect(8, 3, QMK_PenColor, nullptr, notAWindow, r); },
         Err(QMK_ErrInvalidHwnd)},
        {"item colour, item not found",
         [](FakeEngineLibrary& f) { f.setResult(EngineSlot_PrgGetItemAttribute, QMK_ErrItemNotFound); },
         [](IQuillmark* c, VARIANT_BOOL* r) { return c->UserItemColorSelect(8, 3, QMK_PenColor, nullptr, 0, r); },
         Err(QMK_ErrItemNotFound)},
        {"item colour the item lacks", [](FakeEngineLibrary& f) { f.SetOuts(EngineSlot_IsValidToolAttribute, {0}); },
         [](IQuillmark* c, VARIANT_BOOL* r) { return c->UserItemColorSelect(8, 3, QMK_TextColor, nullptr, 0, r); },
         Err(QMK_ErrInvalidColorType)},
        {"item colour, an address code", nullptr,
         [](IQuillmark* c, VARIANT_BOOL* r) { return c->UserItemColorSelect(8, 3, QMK_Logfont, nullptr, 0, r); },
         Err(QMK_ErrInvalidColorType)},
        {"item colour, a type without tool",
         [](FakeEngineLibrary& f) { f.setResult(EngineSlot_IsValidToolAttribute, QMK_ErrInvalidTool); },
         [](IQuillmark* c, VARIANT_BOOL* r) { return c->UserItemColorSelect(8, 3, QMK_PenColor, nullptr, 0, r); },
         S_FALSE},
        {"item font on a rectangle", nullptr,
         [](IQuillmark* c, VARIANT_BOOL* r) { return c->UserItemFontSelect(8, 3, nullptr, 0, r); }, S_FALSE},
        {"item font, owner not a window", [](FakeEngineLibrary& f) { f.SetOuts(EngineSlot_PrgGetItemAttribute, {TextTool}); },
         [=](IQuillmark* c, VARIANT_BOOL* r) { return c->UserItemFontSelect(8, 3, nullptr, notAWindow, r); },
         Err(QMK_ErrInvalidHwnd)},
        {"tool colour, line fill", nullptr,
         [](IQuillmark* c, VARIANT_BOOL* r) { return c->UserColorSelect(8, LineTool, QMK_FillColor, 0, r); },
         Err(QMK_ErrInvalidColorType)},
        {"tool colour, text fill", nullptr,
         [](IQuillmark* c, VARIANT_BOOL* r) { return c->UserColorSelect(8, TextTool, QMK_FillColor, 0, r); },
         Err(QMK_ErrInvalidColorType)},
        {"tool colour, image tool", nullptr,
         [](IQuillmark* c, VARIANT_BOOL* r) { return c->UserColorSelect(8, ImageTool, QMK_PenColor, 0, r); },
         S_FALSE},
        {"tool colour, layer not valid", [](FakeEngineLibrary& f) { f.setResult(EngineSlot_IsValidLayer, 0); },
         [](IQuillmark* c, VARIANT_BOOL* r) { return c->UserColorSelect(8, LineTool, QMK_PenColor, 0, r); },
         Err(QMK_ErrInvalidLayer)},
        {"tool font, rectangle tool", nullptr,
         [](IQuillmark* c, VARIANT_BOOL* r) { return c->UserFontSelect(8, RectangleTool, 0, r); }, S_FALSE},
        {"tool font, owner not a window", nullptr,
         [=](IQuillmark* c, VARIANT_BOOL* r) { return c->UserFontSelect(8, StampTool, notAWindow, r); },
         Err(QMK_ErrInvalidHwnd)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fake.setResult(EngineSlot_IsValidLayer, 1);
        fake.setResult(EngineSlot_PrgGetItemAttribute, 0);
        fake.setResult(EngineSlot_IsValidToolAttribute, 0);
        fake.SetOuts(EngineSlot_IsValidToolAttribute, {1});
        ItemOfType(RectangleTool);
        if (c.setup)
            c.setup(fake);
        person.dialogs = 0;
        result = VARIANT_TRUE;
        EXPECT_EQ(c.expected, WithUser([&] { return c.call(control, &result); }));
        EXPECT_EQ(VARIANT_FALSE, result);
        EXPECT_EQ(0, person.dialogs);
    }
    EXPECT_EQ(E_POINTER, control->UserItemColorSelect(8, 3, QMK_PenColor, nullptr, 0, nullptr));
    EXPECT_EQ(E_POINTER, control->UserFontSelect(8, TextTool, 0, nullptr));
}

TEST_F(DialogMembersTest, AToolsColourIsChosenAndWrittenToTheTool)
{
    person.act = ChooseRgb;
    EXPECT_EQ(S_OK, WithUser([&] {
                  return control->UserColorSelect(8, RectangleTool, QMK_FillColor, 0, &result);
              }));
    EXPECT_EQ(VARIANT_TRUE, result);
    EXPECT_EQ((Lines{"IsValidLayer(8)", "GetToolAttribute(8,4098,4,ptr)",
                     "SetToolAttribute(8,4098,4," + std::to_string(kChosenColour) + ")"}),
              EngineCalls());
}

LOGFONTA Font(const char* face, LONG height, BYTE charset)
{
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = charset;
    lstrcpynA(font.lfFaceName, face, LF_FACESIZE);
    return font;
}

void ChooseSize20(HWND dialog) { SetDlgItemTextA(dialog, kFontSizeBox, "20"); }

TEST_F(DialogMembersTest, AnItemsFontIsChosenAndWrittenAsItWasChosen)
{
    ItemOfType(TextTool);
    const LOGFONTA start = Font("Arial", -16, ANSI_CHARSET);
    fake.setLogFont(&start);
    person.act = ChooseSize20;
    EXPECT_EQ(S_OK, WithUser([&] {
                  return control->UserItemFontSelect(8, 3, Title(L"Note font"), 0, &result);
              }));
    EXPECT_EQ(VARIANT_TRUE, result);
    EXPECT_EQ("Note font", person.caption);
    const Lines calls = EngineCalls();
    ASSERT_EQ(4u, calls.size());
    EXPECT_EQ((Lines{"IsValidLayer(8)", "PrgGetItemAttribute(8,3,129,ptr)",
                     "PrgGetItemAttribute(8,3,11,ptr)"}),
              Lines(calls.begin(), calls.begin() + 3));
    EXPECT_EQ("PrgSetItemAttribute(8,3,11,{Arial,-27,400,0})", calls[3]);
}

// The tool member opens the same dialog on the tool's font (without a
// caption of the caller's) and writes back what the dialog gives.
TEST_F(DialogMembersTest, AToolsFontIsChosenAndWrittenToTheTool)
{
    const LOGFONTA start = Font("Arial", -16, ANSI_CHARSET);
    fake.setLogFont(&start);
    EXPECT_EQ(S_OK, WithUser([&] { return control->UserFontSelect(8, StampTool, 0, &result); }));
    EXPECT_EQ(VARIANT_TRUE, result);
    const Lines calls = EngineCalls();
    ASSERT_EQ(3u, calls.size());
    EXPECT_EQ("GetToolAttribute(8,4104,11,ptr)", calls[1]);
    EXPECT_EQ("SetToolAttribute(8,4104,11,{Arial,-16,400,0})", calls[2]);
}

} // namespace
