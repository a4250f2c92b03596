// The property page NoteProps as a host meets it: the control names its
// pages, the platform's property frame creates the page by its CLSID, shows
// it for the control and is driven from a timer while it runs modally.
#include "control_fake_engine_fixture.h"

#include <commctrl.h>
#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <string>

using quillmark_test::ControlWithFakeEngineTest;
using quillmark_test::Lines;

namespace {

// The page class as the frame creates it: the server's own factory, with the
// last page made kept to reach it beside the frame.
class PageFactory : public IClassFactory {
public:
    explicit PageFactory(IClassFactory* inner) : inner_(inner) { inner_->AddRef(); }
    virtual ~PageFactory()
    {
        if (made)
            made->Release();
        inner_->Release();
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
            return E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        const HRESULT hr = inner_->CreateInstance(outer, riid, object);
        if (SUCCEEDED(hr)) {
            if (made)
                made->Release();
            made = nullptr;
            static_cast<IUnknown*>(*object)->QueryInterface(IID_IPropertyPage,
                                                            reinterpret_cast<void**>(&made));
            ++count;
        }
        return hr;
    }
    STDMETHODIMP LockServer(BOOL lock) override { return inner_->LockServer(lock); }

    IPropertyPage* made = nullptr;
    int count = 0;

private:
    IClassFactory* inner_;
};

// What a control of the page shows: its text, or for a list the text of its
// selection, or for a check box its state.
enum class Shows { Text, Selection, Check };
struct Expected {
    int id;
    Shows kind;
    std::wstring value;
};

const int kApplyButton = 0x3021;   // the property sheet's Apply button

class NotePropsFrameTest : public ControlWithFakeEngineTest {
protected:
    void SetUp() override
    {
        ControlWithFakeEngineTest::SetUp();
        CreateControl();
        auto getClassObject = reinterpret_cast<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(server, "DllGetClassObject")));
        IClassFactory* inner = nullptr;
        ASSERT_EQ(S_OK, getClassObject(CLSID_NoteProps, IID_IClassFactory,
                                       reinterpret_cast<void**>(&inner)));
        pages = new PageFactory(inner);
        inner->Release();
        ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_NoteProps, pages, CLSCTX_INPROC_SERVER,
                                              REGCLS_MULTIPLEUSE, &registration));
    }
    void TearDown() override
    {
        if (registration)
            CoRevokeClassObject(registration);
        delete pages;
        ControlWithFakeEngineTest::TearDown();
    }

    // The control's own page among the pages it names.
    CLSID OwnPage()
    {
        ISpecifyPropertyPages* specify = nullptr;
        EXPECT_EQ(S_OK, control->QueryInterface(IID_ISpecifyPropertyPages,
                                                reinterpret_cast<void**>(&specify)));
        CAUUID named = {};
        if (specify) {
            EXPECT_EQ(S_OK, specify->GetPages(&named));
            specify->Release();
        }
        CLSID found = CLSID_NULL;
        for (ULONG i = 0; i < named.cElems; ++i)
            if (IsEqualGUID(named.pElems[i], CLSID_NoteProps))
                found = named.pElems[i];
        CoTaskMemFree(named.pElems);
        EXPECT_TRUE(IsEqualGUID(found, CLSID_NoteProps));
        return found;
    }

    // Opens the frame for the control and runs `script` once the page's
    // dialog is up; the script ends by pressing a button that closes the
    // frame. A frame or page that never shows, and a frame that does not
    // close, fail the test instead of hanging it.
    void RunFrame(std::function<void()> script)
    {
        current = this;
        script_ = std::move(script);
        ticks_ = 0;
        scripted_ = false;
        closing_ = false;
        frame = dialog = nullptr;
        CLSID page = OwnPage();
        IUnknown* objects[] = {control};
        const UINT_PTR timer = SetTimer(nullptr, 0, 100, &NotePropsFrameTest::Tick);
        ASSERT_NE(0u, timer);
        EXPECT_EQ(S_OK, OleCreatePropertyFrame(nullptr, 0, 0, L"Quillmark", 1, objects, 1,
                                               &page, LOCALE_USER_DEFAULT, 0, nullptr));
        KillTimer(nullptr, timer);
        current = nullptr;
        EXPECT_TRUE(scripted_) << "the page's dialog never showed in the frame";
        EXPECT_FALSE(IsWindow(frame)) << "the frame stayed open";
    }

    // ---- the page's controls ----
    std::wstring TextOf(int id)
    {
        HWND item = GetDlgItem(dialog, id);
        const int length = GetWindowTextLengthW(item);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(item, &text[0], length + 1)));
        return text;
    }
    std::wstring Selected(int list)
    {
        const LRESULT at = SendDlgItemMessageW(dialog, list, CB_GETCURSEL, 0, 0);
        if (at < 0)
            return L"(none)";
        wchar_t text[64] = {};
        SendDlgItemMessageW(dialog, list, CB_GETLBTEXT, static_cast<WPARAM>(at),
                            reinterpret_cast<LPARAM>(text));
        return text;
    }
    void ExpectShown(const std::vector<Expected>& table)
    {
        for (const Expected& e : table) {
            std::wstring shown;
            switch (e.kind) {
            case Shows::Text: shown = TextOf(e.id); break;
            case Shows::Selection: shown = Selected(e.id); break;
            case Shows::Check:
                shown = IsDlgButtonChecked(dialog, e.id) == BST_CHECKED ? L"checked" : L"clear";
                break;
            }
            EXPECT_EQ(e.value, shown) << "control " << e.id;
        }
    }
    // The user picks an entry of a drop-down list by its text.
    void Choose(int list, const wchar_t* text)
    {
        const LRESULT at = SendDlgItemMessageW(dialog, list, CB_FINDSTRINGEXACT,
                                               static_cast<WPARAM>(-1),
                                               reinterpret_cast<LPARAM>(text));
        ASSERT_GE(at, 0) << list;
        SendDlgItemMessageW(dialog, list, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(list, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, list)));
    }
    void Click(HWND window, int id) { SendMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0); }

    std::wstring Text(HRESULT (STDMETHODCALLTYPE IQuillmark::*get)(BSTR*))
    {
        BSTR text = nullptr;
        EXPECT_EQ(S_OK, (control->*get)(&text));
        std::wstring out = text ? std::wstring(text, SysStringLen(text)) : L"(null)";
        SysFreeString(text);
        return out;
    }
    bool Flag(HRESULT (STDMETHODCALLTYPE IQuillmark::*get)(VARIANT_BOOL*))
    {
        VARIANT_BOOL on = VARIANT_FALSE;
        EXPECT_EQ(S_OK, (control->*get)(&on));
        return on != VARIANT_FALSE;
    }
    void PutText(HRESULT (STDMETHODCALLTYPE IQuillmark::*put)(BSTR), const wchar_t* text)
    {
        BSTR value = SysAllocString(text);
        EXPECT_EQ(S_OK, (control->*put)(value));
        SysFreeString(value);
    }
    void PutFlag(HRESULT (STDMETHODCALLTYPE IQuillmark::*put)(VARIANT_BOOL), bool on)
    {
        EXPECT_EQ(S_OK, (control->*put)(on ? VARIANT_TRUE : VARIANT_FALSE));
    }

    // The settings made before the frame opens: those the engine keeps in
    // the engine, the control's own through the control.
    void SetUpControl(annotationTOOL tool)
    {
        fake.setProperty(QMK_DefaultPenWidth, 7);
        fake.setProperty(QMK_DefaultTool, tool);
        fake.setPropertyText(QMK_DefaultStampText, L"APPROVED");
        fake.setPropertyText(QMK_DefaultButtonText, L"Go");
        fake.setProperty(QMK_DefaultHighlightBack, 1);
        fake.setProperty(QMK_DefaultHighlightFill, 0);
        fake.setProperty(QMK_EnableContextMenu, 0);
        fake.setProperty(QMK_SaveAnnotations, 1);
        fake.setProperty(QMK_UsePaletteMenu, 0);
        fake.setPropertyText(QMK_SummaryComments, L"Seen twice");
        fake.setPropertyText(QMK_SummaryAuthor, L"A. Writer");
        fake.setPropertyText(QMK_SummaryTitle, L"Plans");
        fake.setPropertyText(QMK_SummarySubject, L"Roof");
        PutFlag(&IQuillmark::put_AllowPaint, true);
        PutFlag(&IQuillmark::put_RequireToolPalette, true);
        PutFlag(&IQuillmark::put_PreserveWTLayers, true);
        EXPECT_EQ(S_OK, control->put_TIFFAnnotationType(I4W_Compatible));
        mark = fake.LogSize();
    }
    // How the page shows those settings; the tool list's entry is given.
    static std::vector<Expected> Shown(const wchar_t* tool)
    {
        return {
            {15, Shows::Text, L"7"},          {20, Shows::Selection, tool},
            {201, Shows::Text, L"APPROVED"},  {202, Shows::Text, L"Go"},
            {207, Shows::Check, L"checked"},  {208, Shows::Check, L"clear"},
            {203, Shows::Check, L"checked"},  {209, Shows::Check, L"clear"},
            {210, Shows::Check, L"checked"},  {211, Shows::Check, L"clear"},
            {213, Shows::Check, L"checked"},  {212, Shows::Check, L"checked"},
            {214, Shows::Check, L"checked"},  {206, Shows::Selection, L"Comments"},
            {204, Shows::Text, L"Seen twice"},
        };
    }

    // What the control wrote to the engine since the mark (its reads left out).
    Lines Writes() const
    {
        Lines out;
        for (const std::string& line : EngineCalls())
            if (line.compare(0, 3, "Get") != 0)
                out.push_back(line);
        return out;
    }

    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        if (current)
            current->Step();
    }
    void Step()
    {
        ++ticks_;
        if (!scripted_) {
            FindFrame();
            if (dialog) {
                scripted_ = true;
                ticks_ = 0;
                script_();
            } else if (ticks_ > 600) {
                CloseFrame();
            }
        } else if (ticks_ > 100 && IsWindow(frame)) {
            CloseFrame();
        }
    }
    // The frame is a dialog of this thread; the page's dialog is the
    // window in it that holds the page's controls.
    void FindFrame()
    {
        EnumThreadWindows(GetCurrentThreadId(), &NotePropsFrameTest::TopWindow,
                          reinterpret_cast<LPARAM>(this));
    }
    static BOOL CALLBACK TopWindow(HWND window, LPARAM self)
    {
        auto test = reinterpret_cast<NotePropsFrameTest*>(self);
        wchar_t name[16] = {};
        GetClassNameW(window, name, 16);
        if (std::wstring(name) != L"#32770")
            return TRUE;
        test->frame = window;
        EnumChildWindows(window, &NotePropsFrameTest::PageWindow, self);
        return test->dialog ? FALSE : TRUE;
    }
    static BOOL CALLBACK PageWindow(HWND window, LPARAM self)
    {
        if (!GetDlgItem(window, 15) || !GetDlgItem(window, 204) || !GetDlgItem(window, 214))
            return TRUE;
        reinterpret_cast<NotePropsFrameTest*>(self)->dialog = window;
        return FALSE;
    }
    void CloseFrame()
    {
        if (!closing_)
            ADD_FAILURE() << "closing the frame after waiting";
        closing_ = true;
        if (frame && IsWindow(frame))
            PostMessageW(frame, WM_COMMAND, IDCANCEL, 0);
        if (frame && IsWindow(frame) && ticks_ > 700)
            DestroyWindow(frame);
    }

    static NotePropsFrameTest* current;
    PageFactory* pages = nullptr;
    DWORD registration = 0;
    HWND frame = nullptr;
    HWND dialog = nullptr;

private:
    std::function<void()> script_;
    int ticks_ = 0;
    bool scripted_ = false;
    bool closing_ = false;
};

NotePropsFrameTest* NotePropsFrameTest::current = nullptr;

TEST_F(NotePropsFrameTest, TheFrameShowsThePageFilledAndApplyWritesTheEditsBack)
{
    SetUpControl(LineTool);
    const std::wstring longText(3000, L'w');
    Lines applied;
    RunFrame([&] {
        ExpectShown(Shown(L"Line Tool"));
        EXPECT_EQ(8, SendDlgItemMessageW(dialog, 20, CB_GETCOUNT, 0, 0));
        SetDlgItemTextW(dialog, 15, L"3");
        Choose(20, L"Ellipse Tool");
        SetDlgItemTextW(dialog, 201, longText.c_str());
        SetDlgItemTextW(dialog, 202, L"");
        SetDlgItemTextW(dialog, 204, L"Seen three times");
        Choose(206, L"Author");
        EXPECT_EQ(L"A. Writer", TextOf(204));
        SetDlgItemTextW(dialog, 204, L"B. Reader");
        Click(dialog, 210);
        Click(dialog, 214);
        Click(dialog, 208);
        Click(dialog, 203);
        Click(dialog, 212);
        ASSERT_NE(nullptr, pages->made);
        EXPECT_EQ(S_OK, pages->made->IsPageDirty());
        mark = fake.LogSize();
        Click(frame, kApplyButton);
        if (fake.LogSize() == mark) {
            // This frame offers Apply only for pages that tell it their
            // status and does not pass it on: apply as it would.
            EXPECT_EQ(S_OK, pages->made->Apply());
        }
        applied = Writes();
        EXPECT_EQ(S_FALSE, pages->made->IsPageDirty());
        mark = fake.LogSize();
        Click(frame, IDOK);
    });
    const Lines afterOk = Writes();
    // Pen width, tool, the flags in their order (the Wang box, UsePaletteMenu
    // 211, PreserveWTLayers 212 and AllowPaint 203 stay in the control),
    // RequireToolPalette, then Comments, Subject, Title, Author and the two
    // default texts.
    const Lines expected = {
        "SetProperty(4101,3)",          "SetProperty(4225," + std::to_string(EllipseTool) + ")",
        "SetProperty(4105,-1)",         "SetProperty(4104,-1)",
        "SetProperty(131,0)",           "SetProperty(132,0)",
        "SetProperty(133,0)",           "ActivateToolbar(1)",
        "SetProperty(769,\"Seen three times\")", "SetProperty(770,\"Roof\")",
        "SetProperty(771,\"Plans\")",   "SetProperty(768,\"B. Reader\")",
        "SetProperty(4128,\"" + std::string(3000, 'w') + "\")",
        "SetProperty(4131,\"\")",
    };
    EXPECT_EQ(expected, applied);

    // The control's own settings read back from it.
    TIFFAnnType type = I4W_Compatible;
    control->get_TIFFAnnotationType(&type);
    EXPECT_EQ(QMK_Compatible, type);
    EXPECT_FALSE(Flag(&IQuillmark::get_PreserveWTLayers));
    EXPECT_FALSE(Flag(&IQuillmark::get_AllowPaint));
    EXPECT_TRUE(Flag(&IQuillmark::get_RequireToolPalette));
    // OK on the page Apply left clean writes nothing more.
    EXPECT_EQ(Lines{}, afterOk);
    EXPECT_EQ(1, pages->count);
}

// A default tool the list does not offer ("Unknown Tool" in the browser)
// shows no selection; edits left by Cancel write nothing.
TEST_F(NotePropsFrameTest, CancelWithoutApplyWritesNothing)
{
    SetUpControl(RulerTool);
    RunFrame([&] {
        ExpectShown(Shown(L"(none)"));
        SetDlgItemTextW(dialog, 15, L"9");
        Choose(20, L"Pointer Tool");
        SetDlgItemTextW(dialog, 204, L"never kept");
        Click(dialog, 209);
        Click(dialog, 203);
        Click(frame, IDCANCEL);
    });
    EXPECT_EQ(Lines{}, Writes());
    TIFFAnnType type = QMK_Compatible;
    control->get_TIFFAnnotationType(&type);
    EXPECT_EQ(I4W_Compatible, type);
    EXPECT_TRUE(Flag(&IQuillmark::get_AllowPaint));
    IPerPropertyBrowsing* browsing = nullptr;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IPerPropertyBrowsing,
                                            reinterpret_cast<void**>(&browsing)));
    BSTR shown = nullptr;
    EXPECT_EQ(S_OK, browsing->GetDisplayString(16, &shown));
    EXPECT_STREQ(L"Unknown Tool", shown);
    SysFreeString(shown);
    browsing->Release();
}

} // namespace
