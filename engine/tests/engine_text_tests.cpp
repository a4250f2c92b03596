// Text items made and edited as a user does it, through the engine as the
// control loads it: clicks and typing forwarded by the host, every key with
// and without Shift, the real clipboard in both modes, the double-click rules
// and the edit-control editor. These move the screen cursor, set the
// keyboard state and use the clipboard, so they run alone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "layer_in_window.h"

using namespace engine_test;

namespace {

constexpr int kChannelAnnotateEvent = Channel_AnnotateEvent;

class TextItems : public LayerInWindow {
protected:
    TextItems()
    {
        LOGFONTA font = {};
        font.lfHeight = -20;
        font.lfWeight = FW_NORMAL;
        std::strcpy(font.lfFaceName, "Arial");
        host->SetToolAttribute(layer, TextTool, QMK_Logfont, reinterpret_cast<EngineValue>(&font));
        host->SetToolAttribute(layer, TextTool, QMK_PenWidth, 0);
        SetShift(false, false);
        host.ClearCalls();
    }
    ~TextItems() override { SetShift(false, false); }

    static void SetShift(bool shift, bool control)
    {
        BYTE state[256] = {};
        GetKeyboardState(state);
        state[VK_SHIFT] = shift ? 0x80 : 0;
        state[VK_CONTROL] = control ? 0x80 : 0;
        SetKeyboardState(state);
    }
    void Key(WPARAM key, int repeat = 1)
    {
        host->KeyMessage(window.hwnd(), WM_KEYDOWN, key, repeat);
    }
    void Type(const std::wstring& text)
    {
        for (wchar_t c : text)
            host->KeyMessage(window.hwnd(), WM_CHAR, c, 1);
    }
    std::wstring Text(int seq)
    {
        EngineValue value = 0;
        if (host->PrgGetItemAttribute(layer, seq, QMK_Text, &value) != 0 || !value)
            return L"<none>";
        BSTR text = reinterpret_cast<BSTR>(value);
        std::wstring copy(text, SysStringLen(text));
        SysFreeString(text);
        return copy;
    }
    // A new item typed at (x, y) and ended by the host's focus change.
    int MakeItem(int x, int y, const std::wstring& text)
    {
        EXPECT_EQ(0, host->SetTool(layer, TextTool));
        window.Click(host.Engine(), x, y);
        Type(text);
        host->FocusMessage(WM_KILLFOCUS);
        std::vector<int> order = Order();
        return order.empty() ? 0 : order.back();
    }
    bool Has(int channel, const std::vector<intptr_t>& args)
    {
        for (const ChannelCall& call : host.Calls())
            if (call.channel == channel && call.args == args)
                return true;
        return false;
    }};

TEST_F(TextItems, TypingIntoANewItemGrowsItsBoxAndAddsItWhenTheUserClicksElsewhere)
{
    ASSERT_EQ(0, host->SetTool(layer, TextTool));
    host.ClearCalls();
    window.Click(host.Engine(), 100, 100);
    EXPECT_EQ(window.hwnd(), GetCapture()) << "the edit holds the mouse";
    Type(L"Hi");
    EXPECT_TRUE(Order().empty()) << "the item joins the list when the edit ends";
    EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
    window.Click(host.Engine(), 400, 400);
    const std::vector<ChannelCall> expected = {
        {kChannelAnnotateEvent, {QMK_AnnotationAdded, 1}},
        {kChannelAnnotateEvent, {QMK_ToolChange, TextTool}},
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
    ASSERT_EQ((std::vector<int>{1}), Order());
    EXPECT_EQ(L"Hi", Text(1));
    const RECT one = ItemRect(1);
    EXPECT_EQ(100, one.left);
    EXPECT_EQ(100, one.top);
    EXPECT_GT(one.right - one.left, 10);

    // The click started the next item; a longer text of two lines makes a
    // wider and taller box.
    Type(L"Hello");
    Key(VK_RETURN);
    Type(L"there");
    host->FocusMessage(WM_KILLFOCUS);
    ASSERT_EQ((std::vector<int>{1, 2}), Order());
    EXPECT_EQ(L"Hello\r\nthere", Text(2));
    const RECT two = ItemRect(2);
    EXPECT_EQ(400, two.left);
    EXPECT_GT(two.right - two.left, one.right - one.left);
    EXPECT_GT(two.bottom - two.top, (one.bottom - one.top) * 3 / 2);
    EXPECT_EQ(nullptr, GetCapture());
}

TEST_F(TextItems, AnItemEndedEmptyIsNotAdded)
{
    ASSERT_EQ(0, host->SetTool(layer, TextTool));
    host.ClearCalls();
    window.Click(host.Engine(), 100, 100);
    Type(L"\x1b\x01");  // control characters type nothing
    host->FocusMessage(WM_KILLFOCUS);
    EXPECT_TRUE(Order().empty());
    EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
}

TEST_F(TextItems, EveryKeyWithAndWithoutShift)
{
    // Each case starts with "abc" CR LF "abc" typed, the caret at the end,
    // runs its keys and types an X: the text shows where the caret went and
    // what the selection covered.
    struct Step {
        WPARAM key;
        bool shift;
        bool control;
        int repeat;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"left", {{VK_LEFT, false, false, 1}}, L"abc\r\nabXc"},
        {"left twice by the repeat count", {{VK_LEFT, false, false, 2}}, L"abc\r\naXbc"},
        {"shift left selects", {{VK_LEFT, true, false, 1}}, L"abc\r\nabX"},
        {"home", {{VK_HOME, false, false, 1}}, L"abc\r\nXabc"},
        {"shift home", {{VK_HOME, true, false, 1}}, L"abc\r\nX"},
        {"control home", {{VK_HOME, false, true, 1}}, L"Xabc\r\nabc"},
        {"shift control home", {{VK_HOME, true, true, 1}}, L"X"},
        {"up", {{VK_UP, false, false, 1}}, L"abcX\r\nabc"},
        {"shift up", {{VK_UP, true, false, 1}}, L"abcX"},
        {"up on the first line stays", {{VK_UP, false, false, 1}, {VK_UP, false, false, 1}},
         L"abcX\r\nabc"},
        {"down", {{VK_UP, false, false, 1}, {VK_HOME, false, false, 1}, {VK_DOWN, false, false, 1}},
         L"abc\r\nXabc"},
        {"shift down",
         {{VK_HOME, false, true, 1}, {VK_DOWN, true, false, 1}},
         L"Xabc"},
        {"end", {{VK_HOME, false, true, 1}, {VK_END, false, false, 1}}, L"abcX\r\nabc"},
        {"shift end", {{VK_HOME, false, true, 1}, {VK_END, true, false, 1}}, L"X\r\nabc"},
        {"control end", {{VK_HOME, false, true, 1}, {VK_END, false, true, 1}}, L"abc\r\nabcX"},
        {"right", {{VK_HOME, false, true, 1}, {VK_RIGHT, false, false, 1}}, L"aXbc\r\nabc"},
        {"shift right", {{VK_HOME, false, true, 1}, {VK_RIGHT, true, false, 1}}, L"Xbc\r\nabc"},
        {"a move without shift drops the selection",
         {{VK_LEFT, true, false, 1}, {VK_LEFT, false, false, 1}},
         L"abc\r\naXbc"},
        {"backspace", {{VK_BACK, false, false, 1}}, L"abc\r\nabX"},
        {"backspace removes a selection", {{VK_HOME, true, false, 1}, {VK_BACK, false, false, 1}},
         L"abc\r\nX"},
        {"delete", {{VK_HOME, false, true, 1}, {VK_DELETE, false, false, 1}}, L"Xbc\r\nabc"},
        {"delete removes a selection",
         {{VK_HOME, false, true, 1}, {VK_RIGHT, true, false, 2}, {VK_DELETE, false, false, 1}},
         L"Xc\r\nabc"},
        {"insert toggles overwriting",
         {{VK_HOME, false, true, 1}, {VK_INSERT, false, false, 1}},
         L"Xbc\r\nabc"},
        {"enter", {{VK_LEFT, false, false, 1}, {VK_RETURN, false, false, 1}}, L"abc\r\nab\r\nXc"},
    };
    int x = 20;
    for (const Case& c : cases) {
        ASSERT_EQ(0, host->SetTool(layer, TextTool));
        window.Click(host.Engine(), x, 50);
        Type(L"abc");
        Key(VK_RETURN);
        Type(L"abc");
        for (const Step& step : c.steps) {
            SetShift(step.shift, step.control);
            Key(step.key, step.repeat);
        }
        SetShift(false, false);
        Type(L"X");
        host->FocusMessage(WM_KILLFOCUS);
        std::vector<int> order = Order();
        ASSERT_FALSE(order.empty()) << c.name;
        EXPECT_EQ(std::wstring(c.expected), Text(order.back())) << c.name;
        host->PrgDeleteAll(layer);
    }
}

std::wstring ClipboardUnicode()
{
    std::wstring text;
    if (!OpenClipboard(nullptr))
        return L"<closed>";
    if (HANDLE block = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* units = static_cast<const wchar_t*>(GlobalLock(block))) {
            text = units;
            GlobalUnlock(block);
        }
    }
    CloseClipboard();
    return text;
}

std::string ClipboardAnsi()
{
    std::string text;
    if (!OpenClipboard(nullptr))
        return "<closed>";
    if (HANDLE block = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(block))) {
            text = bytes;
            GlobalUnlock(block);
        }
    }
    CloseClipboard();
    return text;
}

void PutOnClipboard(const std::wstring& text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, sizeof(wchar_t) * (text.size() + 1));
    std::memcpy(GlobalLock(block), text.c_str(), sizeof(wchar_t) * (text.size() + 1));
    GlobalUnlock(block);
    SetClipboardData(CF_UNICODETEXT, block);
    CloseClipboard();
}

TEST_F(TextItems, CopyCutAndPasteThroughTheClipboardInBothModes)
{
    const std::wstring typed = L"ab\x4E16z";
    struct Case {
        const char* name;
        int unicode;
    };
    for (const Case c : {Case{"unicode", 1}, Case{"ansi", 0}}) {
        host->SetProperty(QMK_UnicodeMode, c.unicode);
        ASSERT_EQ(0, host->SetTool(layer, TextTool));
        window.Click(host.Engine(), 50, 50);
        Type(typed);
        Type(L"\x03");  // copy without a selection: the whole text
        if (c.unicode)
            EXPECT_EQ(typed, ClipboardUnicode()) << c.name;
        else
            EXPECT_EQ("ab?z", ClipboardAnsi()) << c.name;

        SetShift(true, false);
        Key(VK_LEFT, 2);
        SetShift(false, false);
        Type(L"\x18");  // cut the selection
        if (c.unicode)
            EXPECT_EQ(L"\x4E16z", ClipboardUnicode()) << c.name;
        else
            EXPECT_EQ("?z", ClipboardAnsi()) << c.name;
        Type(L"\x18");  // nothing selected: nothing cut
        Key(VK_HOME);
        Type(L"\x16");  // paste at the start
        host->FocusMessage(WM_KILLFOCUS);
        std::vector<int> order = Order();
        ASSERT_FALSE(order.empty()) << c.name;
        EXPECT_EQ(c.unicode ? std::wstring(L"\x4E16zab") : std::wstring(L"?zab"), Text(order.back()))
            << c.name;
        host->PrgDeleteAll(layer);
    }
    host->SetProperty(QMK_UnicodeMode, 0);
}

TEST_F(TextItems, APasteLongerThanTheGrowthStep)
{
    host->SetProperty(QMK_UnicodeMode, 1);
    std::wstring longText(2 * 65536 + 100, L'x');
    longText[0] = L'[';
    longText.back() = L']';
    PutOnClipboard(longText);
    ASSERT_EQ(0, host->SetTool(layer, TextTool));
    window.Click(host.Engine(), 50, 50);
    Type(L"ab");
    Key(VK_LEFT);
    Type(L"\x16");
    host->FocusMessage(WM_KILLFOCUS);
    std::vector<int> order = Order();
    ASSERT_FALSE(order.empty());
    EXPECT_EQ(L"a" + longText + L"b", Text(order.back()));
    host->SetProperty(QMK_UnicodeMode, 0);
}

TEST_F(TextItems, DoubleClickEditsOnlyWhenEditorsAreOnAndTheItemIsNotLocked)
{
    struct Case {
        const char* name;
        int editors;
        int locked;
        int textLocked;
        bool edits;
    };
    const Case cases[] = {
        {"editors on", 1, 0, 0, true},
        {"editors off", 0, 0, 0, false},
        {"locked", 1, 1, 0, false},
        {"text locked", 1, 0, 1, false},
    };
    for (const Case& c : cases) {
        const int seq = MakeItem(100, 100, L"abc");
        ASSERT_NE(0, seq) << c.name;
        host->SetProperty(QMK_QMKEditors, c.editors);
        host->PrgSetItemAttribute(layer, seq, QMK_Locked, c.locked);
        host->PrgSetItemAttribute(layer, seq, QMK_TextLocked, c.textLocked);
        ASSERT_EQ(0, host->SetTool(layer, PointerTool));
        host.ClearCalls();
        window.Click(host.Engine(), 105, 105);
        window.Send(host.Engine(), WM_LBUTTONDBLCLK, MK_LBUTTON, 105, 105);
        window.Send(host.Engine(), WM_LBUTTONUP, 0, 105, 105);
        EXPECT_EQ(c.edits, Has(kChannelAnnotateEvent, {QMK_TextEditStart, seq}))
            << c.name << ": " << Describe(host.Calls());
        SetShift(false, true);
        Key(VK_END);
        SetShift(false, false);
        Type(L"Z");
        host->FocusMessage(WM_KILLFOCUS);
        EXPECT_EQ(c.edits ? L"abcZ" : L"abc", Text(seq)) << c.name;
        EXPECT_EQ(c.edits, Has(kChannelAnnotateEvent, {QMK_TextEditEnd, seq})) << c.name;
        EXPECT_EQ(c.edits, Has(Channel_ItemChanged, {layer, seq, QMK_Text})) << c.name;
        host->SetProperty(QMK_QMKEditors, 1);
        host->PrgDeleteAll(layer);
    }
}

// ---- the edit-control editor -----------------------------------------------------------------

HWND EditorFrame(HWND host)
{
    return FindWindowExW(host, nullptr, L"qmk7_editor", nullptr);
}

HWND EditorControl(HWND host)
{
    HWND frame = EditorFrame(host);
    return frame ? FindWindowExW(frame, nullptr, L"Edit", nullptr) : nullptr;
}

void TypeInto(HWND control, const std::wstring& text)
{
    for (wchar_t c : text)
        SendMessageW(control, WM_CHAR, c, 1);
}

std::wstring ControlText(HWND control)
{
    wchar_t text[256] = {};
    GetWindowTextW(control, text, 256);
    return text;
}

class EditorItems : public TextItems {
protected:
    EditorItems() { host->SetProperty(QMK_MLECompatible, 1); }
    ~EditorItems() override { host->SetProperty(QMK_MLECompatible, 0); }
};

TEST_F(EditorItems, ANewItemsEditorGrowsAndClosesOnFocusLoss)
{
    ASSERT_EQ(0, host->SetTool(layer, TextTool));
    window.Click(host.Engine(), 100, 100);
    HWND control = EditorControl(window.hwnd());
    ASSERT_NE(nullptr, control) << "the click opens the editor";
    EXPECT_EQ(control, GetFocus());
    RECT before = {};
    GetWindowRect(EditorFrame(window.hwnd()), &before);
    TypeInto(control, L"Hello\tworld");
    EXPECT_EQ(L"Helloworld", ControlText(control)) << "Tab types nothing";
    RECT after = {};
    GetWindowRect(EditorFrame(window.hwnd()), &after);
    EXPECT_GT(after.right - after.left, before.right - before.left) << "the frame grows with the text";
    host.ClearCalls();
    SetFocus(window.hwnd());
    EXPECT_EQ(nullptr, EditorFrame(window.hwnd())) << "losing the focus closes the editor";
    ASSERT_EQ((std::vector<int>{1}), Order());
    EXPECT_EQ(L"Helloworld", Text(1));
    EXPECT_TRUE(Has(kChannelAnnotateEvent, {QMK_AnnotationAdded, 1})) << Describe(host.Calls());
}

TEST_F(EditorItems, AClickOutsideClosesTheEditorAndReachesTheWindowUnderIt)
{
    ASSERT_EQ(0, host->SetTool(layer, TextTool));
    window.Click(host.Engine(), 100, 100);
    HWND control = EditorControl(window.hwnd());
    ASSERT_NE(nullptr, control);
    TypeInto(control, L"abc");
    MSG stale;
    while (PeekMessageW(&stale, window.hwnd(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE)) {
    }
    POINT outside = {500, 400};
    ClientToScreen(window.hwnd(), &outside);
    SetCursorPos(outside.x, outside.y);
    POINT inControl = outside;
    ScreenToClient(control, &inControl);
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(inControl.x, inControl.y));
    EXPECT_EQ(nullptr, EditorFrame(window.hwnd()));
    ASSERT_EQ((std::vector<int>{1}), Order());
    EXPECT_EQ(L"abc", Text(1));
    MSG posted = {};
    ASSERT_TRUE(PeekMessageW(&posted, window.hwnd(), WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE))
        << "the click is posted on to the host window";
    EXPECT_EQ(500, static_cast<short>(LOWORD(posted.lParam)));
    EXPECT_EQ(400, static_cast<short>(HIWORD(posted.lParam)));
}

TEST_F(EditorItems, AnEditorClosedEmptyAddsNothing)
{
    ASSERT_EQ(0, host->SetTool(layer, TextTool));
    window.Click(host.Engine(), 100, 100);
    ASSERT_NE(nullptr, EditorControl(window.hwnd()));
    host.ClearCalls();
    SetFocus(window.hwnd());
    EXPECT_EQ(nullptr, EditorFrame(window.hwnd()));
    EXPECT_TRUE(Order().empty());
    EXPECT_TRUE(host.Calls().empty()) << Describe(host.Calls());
}

TEST_F(EditorItems, APlacedItemsEditorKeepsItsSizeAndItsUnicodeText)
{
    host->SetProperty(QMK_MLECompatible, 0);
    const std::wstring text = L"\x041C\x0438\x0440 \x4E16\x754C";
    const int seq = MakeItem(100, 100, text);
    ASSERT_NE(0, seq);
    host->SetProperty(QMK_MLECompatible, 1);
    ASSERT_EQ(0, host->SetTool(layer, PointerTool));
    window.Click(host.Engine(), 105, 105);
    window.Send(host.Engine(), WM_LBUTTONDBLCLK, MK_LBUTTON, 105, 105);
    window.Send(host.Engine(), WM_LBUTTONUP, 0, 105, 105);
    HWND control = EditorControl(window.hwnd());
    ASSERT_NE(nullptr, control) << "the double click opens the editor";
    EXPECT_EQ(text, ControlText(control));
    RECT before = {};
    GetWindowRect(EditorFrame(window.hwnd()), &before);
    SetFocus(window.hwnd());
    EXPECT_EQ(text, Text(seq)) << "text the user did not change comes back exactly";

    window.Click(host.Engine(), 105, 105);
    window.Send(host.Engine(), WM_LBUTTONDBLCLK, MK_LBUTTON, 105, 105);
    window.Send(host.Engine(), WM_LBUTTONUP, 0, 105, 105);
    control = EditorControl(window.hwnd());
    ASSERT_NE(nullptr, control);
    SendMessageW(control, EM_SETSEL, 0, -1);
    TypeInto(control, L"a much longer text than the box holds");
    RECT after = {};
    GetWindowRect(EditorFrame(window.hwnd()), &after);
    EXPECT_EQ(before.right - before.left, after.right - after.left) << "a placed item's editor never grows";
    EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);
    SetFocus(window.hwnd());
    EXPECT_EQ(L"a much longer text than the box holds", Text(seq));
}

TEST_F(EditorItems, DeletingAnItemWhileItsEditorIsOpenAddsNothing)
{
    host->SetProperty(QMK_MLECompatible, 0);
    const int seq = MakeItem(100, 100, L"abc");
    ASSERT_NE(0, seq);
    host->SetProperty(QMK_MLECompatible, 1);
    ASSERT_EQ(0, host->SetTool(layer, PointerTool));
    window.Click(host.Engine(), 105, 105);
    window.Send(host.Engine(), WM_LBUTTONDBLCLK, MK_LBUTTON, 105, 105);
    window.Send(host.Engine(), WM_LBUTTONUP, 0, 105, 105);
    ASSERT_NE(nullptr, EditorControl(window.hwnd()));
    host.ClearCalls();
    EXPECT_EQ(0, host->PrgDeleteItem(layer, seq));
    EXPECT_EQ(nullptr, EditorFrame(window.hwnd()));
    EXPECT_TRUE(Order().empty());
    EXPECT_FALSE(Has(kChannelAnnotateEvent, {QMK_AnnotationAdded, seq})) << Describe(host.Calls());

}

// A host that changes the layers from inside the report of the item the
// editor adds as it closes.
enum class OnAdded { DeleteItem, DeleteLayer, DeleteAllLayers };
struct AddedHost {
    AnnotationEngine* engine = nullptr;
    int layer = 0;
    OnAdded action = OnAdded::DeleteItem;
    int heard = 0;
};
AddedHost* g_added = nullptr;

int __stdcall ChangeOnAdded(HostCookie, int code, int data)
{
    if (!g_added || code != QMK_AnnotationAdded)
        return 0;
    ++g_added->heard;
    switch (g_added->action) {
    case OnAdded::DeleteItem:
        g_added->engine->PrgDeleteItem(g_added->layer, data);
        break;
    case OnAdded::DeleteLayer:
        g_added->engine->DeleteLayer(g_added->layer);
        break;
    case OnAdded::DeleteAllLayers:
        g_added->engine->DeleteAllLayers();
        break;
    }
    return 0;
}

// Every heap of the process is whole (under wine's heap checks a write to a
// freed block shows here).
bool HeapsValid()
{
    HANDLE heaps[256];
    const DWORD count = GetProcessHeaps(256, heaps);
    if (count == 0 || count > 256)
        return false;
    for (DWORD i = 0; i < count; ++i)
        if (!HeapValidate(heaps[i], 0, nullptr))
            return false;
    return true;
}

// How often an editor frame was told it is being destroyed.
int g_frameDestroys = 0;
LRESULT CALLBACK CountFrameDestroys(int code, WPARAM wParam, LPARAM lParam)
{
    const auto* message = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && message->message == WM_DESTROY) {
        wchar_t name[32] = {};
        GetClassNameW(message->hwnd, name, 32);
        if (std::wstring(name) == L"qmk7_editor")
            ++g_frameDestroys;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The user presses the button outside the editor.
void ClickOutside(HWND host, HWND control)
{
    POINT outside = {500, 400};
    ClientToScreen(host, &outside);
    SetCursorPos(outside.x, outside.y);
    ScreenToClient(control, &outside);
    SendMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(outside.x, outside.y));
}

TEST_F(EditorItems, TheHostMayDeleteTheNewItemWhenToldOfIt)
{
    struct Case {
        const char* name;
        OnAdded action;
        void (*close)(HWND host, HWND control);  // how the user closes the editor
    };
    const Case cases[] = {
        {"item, focus lost", OnAdded::DeleteItem, [](HWND host, HWND) { SetFocus(host); }},
        {"layer, focus lost", OnAdded::DeleteLayer, [](HWND host, HWND) { SetFocus(host); }},
        {"all layers, focus lost", OnAdded::DeleteAllLayers, [](HWND host, HWND) { SetFocus(host); }},
        {"item, click outside", OnAdded::DeleteItem, ClickOutside},
        {"all layers, click outside", OnAdded::DeleteAllLayers, ClickOutside},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!host->IsValidLayer(layer))
            layer = host->CreateLayer(1);
        host->SetToolAttribute(layer, TextTool, QMK_PenWidth, 0);
        ASSERT_EQ(0, host->SetTool(layer, TextTool));
        window.Click(host.Engine(), 100, 100);
        HWND control = EditorControl(window.hwnd());
        ASSERT_NE(nullptr, control);
        TypeInto(control, L"gone");
        AddedHost added{host.Engine(), layer, c.action, 0};
        g_added = &added;
        host->RegisterCallback(Channel_AnnotateEvent, reinterpret_cast<void*>(&ChangeOnAdded));
        g_frameDestroys = 0;
        HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &CountFrameDestroys, nullptr,
                                       GetCurrentThreadId());
        c.close(window.hwnd(), control);
        UnhookWindowsHookEx(hook);
        g_added = nullptr;
        host.RegisterRecorders();
        EXPECT_EQ(1, added.heard);
        EXPECT_EQ(1, g_frameDestroys) << "the editor's frame is destroyed once";
        EXPECT_TRUE(HeapsValid());
        EXPECT_EQ(nullptr, EditorFrame(window.hwnd()));
        EXPECT_FALSE(IsWindow(control));
        MSG pending;
        while (PeekMessageW(&pending, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&pending);
        if (c.action == OnAdded::DeleteAllLayers) {
            EXPECT_EQ(0, host->GetLayerCount());
        }
        if (!host->IsValidLayer(layer))
            continue;
        EXPECT_TRUE(Order().empty());
        // The layer still makes text items with the editor.
        ASSERT_EQ(0, host->SetTool(layer, TextTool));
        window.Click(host.Engine(), 200, 200);
        control = EditorControl(window.hwnd());
        ASSERT_NE(nullptr, control);
        TypeInto(control, L"next");
        SetFocus(window.hwnd());
        ASSERT_EQ(1u, Order().size());
        EXPECT_EQ(L"next", Text(Order().back()));
        host->PrgDeleteAll(layer);
    }
}

} // namespace
