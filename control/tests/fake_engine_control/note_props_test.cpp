// The property page NoteProps made by the control's server and activated in
// a window of the test, its controls filled from the control and written
// back on Apply (the order read from the recording engine), and the
// control's property browsing.
#include "control_fake_engine_fixture.h"
#include "control_fixture.h"
#include "engine_notifications.h"
#include "image_client.h"

#include <ocidl.h>

#include <string>

using quillmark_test::ControlWithFakeEngineTest;
using quillmark_test::kNotifications;
using quillmark_test::Lines;
using quillmark_test::Notification;

namespace {

// The frame's side of the page: what the page says of its status.
class RecordingPageSite : public IPropertyPageSite {
public:
    std::vector<DWORD> statuses;
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IPropertyPageSite))
            return E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP OnStatusChange(DWORD flags) override
    {
        statuses.push_back(flags);
        return S_OK;
    }
    STDMETHODIMP GetLocaleID(LCID* locale) override
    {
        *locale = LOCALE_USER_DEFAULT;
        return S_OK;
    }
    STDMETHODIMP GetPageContainer(IUnknown** container) override
    {
        *container = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TranslateAccelerator(MSG*) override { return S_FALSE; }
};

// The control and dispid of each of the page's input controls.
const struct {
    int id;
    DISPID dispid;
} kEditedProperties[] = {
    {15, 12},   {20, 16},   {201, 198}, {202, 242}, {207, 71}, {208, 70}, {203, 256}, {209, 80},
    {210, 171}, {211, 196}, {213, 248}, {212, 243}, {214, 253}, {206, 49}, {204, 49},
};

class NotePropsTest : public ControlWithFakeEngineTest {
protected:
    void SetUp() override
    {
        ControlWithFakeEngineTest::SetUp();
        CreateControl();
        auto getClassObject = reinterpret_cast<HRESULT(__stdcall*)(REFCLSID, REFIID, void**)>(
            reinterpret_cast<void*>(GetProcAddress(server, "DllGetClassObject")));
        IClassFactory* pages = nullptr;
        ASSERT_EQ(S_OK, getClassObject(CLSID_NoteProps, IID_IClassFactory,
                                       reinterpret_cast<void**>(&pages)));
        ASSERT_EQ(S_OK, pages->CreateInstance(nullptr, IID_IPropertyPage2,
                                              reinterpret_cast<void**>(&page)));
        pages->Release();
        frame = CreateWindowExW(0, L"STATIC", L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400,
                                nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, frame);
    }
    void TearDown() override
    {
        if (page) {
            page->Deactivate();
            page->SetObjects(0, nullptr);
            page->SetPageSite(nullptr);
            page->Release();
        }
        if (frame)
            DestroyWindow(frame);
        ControlWithFakeEngineTest::TearDown();
    }
    // Hands the page the control and shows its dialog in the frame.
    void Open()
    {
        IUnknown* objects[] = {control};
        ASSERT_EQ(S_OK, page->SetPageSite(&site));
        ASSERT_EQ(S_OK, page->SetObjects(1, objects));
        RECT r = {0, 0, 560, 260};
        ASSERT_EQ(S_OK, page->Activate(frame, &r, FALSE));
        dialog = GetWindow(frame, GW_CHILD);
        ASSERT_NE(nullptr, dialog);
        mark = fake.LogSize();
    }
    std::wstring TextOf(int id)
    {
        wchar_t text[2048] = {};
        GetDlgItemTextW(dialog, id, text, 2048);
        return text;
    }
    void Command(int id, WORD code)
    {
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }
    void Choose(int list, int index)
    {
        SendDlgItemMessageW(dialog, list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Command(list, CBN_SELCHANGE);
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

    IPropertyPage2* page = nullptr;
    RecordingPageSite site;
    HWND frame = nullptr;
    HWND dialog = nullptr;
};

TEST_F(NotePropsTest, TheDialogIsFilledFromTheControl)
{
    fake.setProperty(QMK_DefaultPenWidth, 7);
    fake.setProperty(QMK_DefaultTool, LineTool);
    fake.setProperty(QMK_DefaultHighlightBack, 1);
    fake.setProperty(QMK_SaveAnnotations, 0);
    fake.setPropertyText(QMK_SummaryComments, L"Seen twice");
    fake.setPropertyText(QMK_DefaultStampText, L"APPROVED");
    fake.setPropertyText(QMK_DefaultButtonText, L"Go");
    ASSERT_EQ(S_OK, control->put_PreserveWTLayers(VARIANT_TRUE));
    ASSERT_EQ(S_OK, control->put_TIFFAnnotationType(I4W_Compatible));
    Open();

    EXPECT_EQ(L"7", TextOf(15));
    EXPECT_EQ(L"Line Tool", Selected(20));
    EXPECT_EQ(8, SendDlgItemMessageW(dialog, 20, CB_GETCOUNT, 0, 0));
    EXPECT_EQ(L"APPROVED", TextOf(201));
    EXPECT_EQ(L"Go", TextOf(202));
    EXPECT_EQ(L"Comments", Selected(206));
    EXPECT_EQ(L"Seen twice", TextOf(204));
    const struct {
        int id;
        UINT state;
    } boxes[] = {{207, BST_CHECKED}, {210, BST_UNCHECKED}, {212, BST_CHECKED}, {214, BST_CHECKED}};
    for (const auto& box : boxes)
        EXPECT_EQ(box.state, IsDlgButtonChecked(dialog, box.id)) << box.id;
    for (const auto& edited : kEditedProperties)
        EXPECT_EQ(edited.dispid, GetWindowLongPtrW(GetDlgItem(dialog, edited.id), GWLP_USERDATA))
            << edited.id;
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
    EXPECT_TRUE(site.statuses.empty());
}

TEST_F(NotePropsTest, TheTitleAndSizeComeFromTheResources)
{
    PROPPAGEINFO info = {};
    ASSERT_EQ(S_OK, page->GetPageInfo(&info));
    EXPECT_STREQ(L"Quillmark Properties", info.pszTitle);
    EXPECT_GT(info.size.cx, info.size.cy);
    EXPECT_GT(info.size.cy, 100);
    CoTaskMemFree(info.pszTitle);
    CoTaskMemFree(info.pszDocString);
    CoTaskMemFree(info.pszHelpFile);
}

// Apply writes every property in a fixed order; those the engine keeps show
// in its log in that order, the flags as 0/-1.
TEST_F(NotePropsTest, ApplyWritesBackInItsOrder)
{
    fake.setProperty(QMK_DefaultTool, EllipseTool);
    Open();
    SetDlgItemTextW(dialog, 15, L"4");
    CheckDlgButton(dialog, 208, BST_CHECKED);
    Command(208, BN_CLICKED);
    CheckDlgButton(dialog, 214, BST_UNCHECKED);
    Command(214, BN_CLICKED);
    SetDlgItemTextW(dialog, 204, L"Checked");
    SetDlgItemTextW(dialog, 202, L"");
    EXPECT_EQ(S_OK, page->IsPageDirty());
    EXPECT_EQ((std::vector<DWORD>{PROPPAGESTATUS_DIRTY,
                                  PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE}),
              (std::vector<DWORD>(site.statuses.begin(), site.statuses.begin() + 2)));
    mark = fake.LogSize();
    ASSERT_EQ(S_OK, page->Apply());
    // Pen width, tool, the flags, the palette, then Comments, Subject,
    // Title, Author and the two default texts.
    const Lines expected = {
        "SetProperty(4101,4)",    "SetProperty(4225,4099)",   "SetProperty(4105,-1)",
        "SetProperty(4104,0)",    "SetProperty(131,0)",       "SetProperty(132,0)",
        "SetProperty(133,0)",     "ActivateToolbar(1)",       "SetProperty(769,\"Checked\")",
        "SetProperty(770,\"\")",  "SetProperty(771,\"\")",    "SetProperty(768,\"\")",
        "SetProperty(4128,\"\")", "SetProperty(4131,\"\")",
    };
    EXPECT_EQ(expected, EngineCalls());
    TIFFAnnType type = I4W_Compatible;
    control->get_TIFFAnnotationType(&type);
    EXPECT_EQ(QMK_Compatible, type);
    EXPECT_EQ(S_FALSE, page->IsPageDirty());
}

TEST_F(NotePropsTest, ADefaultToolTheListDoesNotOfferIsLeftAlone)
{
    for (int tool : {0, int(StampTool), int(RulerTool), 1013}) {
        SCOPED_TRACE(tool);
        fake.setProperty(QMK_DefaultTool, tool);
        Open();
        EXPECT_EQ(L"(none)", Selected(20));
        ASSERT_EQ(S_OK, page->Apply());
        for (const std::string& line : EngineCalls())
            EXPECT_EQ(std::string::npos, line.find("SetProperty(4225")) << line;
        page->Deactivate();
    }
}

// A box that holds no number (empty, or past the range of a width) leaves the
// pen width as it is.
TEST_F(NotePropsTest, APenWidthBoxWithoutANumberLeavesTheWidthAlone)
{
    const struct {
        const wchar_t* typed;
        const char* written; // null: nothing written
    } cases[] = {{L"12", "SetProperty(4101,12)"}, {L"", nullptr}, {L"99999999999", nullptr}};
    for (const auto& c : cases) {
        Open();
        SetDlgItemTextW(dialog, 15, c.typed);
        mark = fake.LogSize();
        ASSERT_EQ(S_OK, page->Apply());
        Lines widths;
        for (const std::string& line : EngineCalls())
            if (line.find("SetProperty(4101,") == 0)
                widths.push_back(line);
        EXPECT_EQ(c.written ? Lines{c.written} : Lines{}, widths) << c.written;
        page->Deactivate();
    }
}

// At design time every put tells the host of the change; a host that closes
// the page on the first notice still gets everything the page showed.
class ClosingSink : public IPropertyNotifySink {
public:
    IPropertyPage2* page = nullptr;
    std::vector<DISPID> changed;
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IPropertyNotifySink))
            return E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP OnChanged(DISPID dispid) override
    {
        changed.push_back(dispid);
        if (page)
            page->Deactivate();
        page = nullptr;
        return S_OK;
    }
    STDMETHODIMP OnRequestEdit(DISPID) override { return S_OK; }
};

TEST_F(NotePropsTest, ApplyWritesWhatThePageShowedWhenTheHostClosesItOnTheFirstChange)
{
    TestSite designer;
    designer.userMode = false;
    IOleObject* object = nullptr;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)));
    object->SetClientSite(&designer);
    IConnectionPointContainer* points = nullptr;
    control->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points));
    IConnectionPoint* notices = nullptr;
    ASSERT_EQ(S_OK, points->FindConnectionPoint(IID_IPropertyNotifySink, &notices));
    ClosingSink sink;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, notices->Advise(&sink, &cookie));

    Open();
    SetDlgItemTextW(dialog, 15, L"5");
    for (int box : {207, 208, 203, 209, 210, 211, 213, 212, 214})
        CheckDlgButton(dialog, box, BST_CHECKED);
    SetDlgItemTextW(dialog, 204, L"kept comment");
    SetDlgItemTextW(dialog, 201, L"stamp");
    SetDlgItemTextW(dialog, 202, L"button");
    sink.page = page;
    mark = fake.LogSize();
    ASSERT_EQ(S_OK, page->Apply());
    EXPECT_EQ(nullptr, sink.page) << "the host heard of no change";
    const Lines expected = {
        "SetProperty(4101,5)",     "SetProperty(4105,-1)",        "SetProperty(4104,-1)",
        "SetProperty(131,1)",      "SetProperty(132,-1)",         "SetProperty(133,-1)",
        "SetProperty(769,\"kept comment\")", "SetProperty(770,\"\")", "SetProperty(771,\"\")",
        "SetProperty(768,\"\")",   "SetProperty(4128,\"stamp\")", "SetProperty(4131,\"button\")",
    };
    Lines writes;
    for (const std::string& line : EngineCalls())
        if (line.compare(0, 3, "Get") != 0)
            writes.push_back(line);
    EXPECT_EQ(expected, writes);
    VARIANT_BOOL on = VARIANT_FALSE;
    control->get_PreserveWTLayers(&on);
    EXPECT_EQ(VARIANT_TRUE, on);
    control->get_AllowPaint(&on);
    EXPECT_EQ(VARIANT_TRUE, on);
    TIFFAnnType type = QMK_Compatible;
    control->get_TIFFAnnotationType(&type);
    EXPECT_EQ(I4W_Compatible, type);

    notices->Unadvise(cookie);
    notices->Release();
    points->Release();
    object->SetClientSite(nullptr);
    object->Release();
}

TEST_F(NotePropsTest, SummaryTextsSurviveSwitchingAndLongTextsAreReadWhole)
{
    Open();
    const std::wstring longText(1500, L'x');
    SetDlgItemTextW(dialog, 204, L"first comment");
    Choose(206, 1); // Author
    EXPECT_EQ(L"", TextOf(204));
    EXPECT_EQ(52, GetWindowLongPtrW(GetDlgItem(dialog, 206), GWLP_USERDATA));
    SetDlgItemTextW(dialog, 204, longText.c_str());
    Choose(206, 0);
    EXPECT_EQ(L"first comment", TextOf(204));
    // Asked for a summary text, the page keeps what was typed for the shown one.
    SetDlgItemTextW(dialog, 204, L"second comment");
    EXPECT_EQ(S_OK, page->EditProperty(50)); // Title
    EXPECT_EQ(L"Title", Selected(206));
    EXPECT_EQ(S_OK, page->EditProperty(49));
    EXPECT_EQ(L"second comment", TextOf(204));
    SetDlgItemTextW(dialog, 201, longText.c_str());
    mark = fake.LogSize();
    ASSERT_EQ(S_OK, page->Apply());
    const std::string longLine = "\"" + std::string(1500, 'x') + "\"";
    Lines texts;
    for (const std::string& line : EngineCalls())
        if (line.find("SetProperty(769,") == 0 || line.find("SetProperty(768,") == 0 ||
            line.find("SetProperty(4128,") == 0)
            texts.push_back(line);
    EXPECT_EQ((Lines{"SetProperty(769,\"second comment\")", "SetProperty(768," + longLine + ")",
                     "SetProperty(4128," + longLine + ")"}),
              texts);
}

TEST_F(NotePropsTest, HelpIsAFailureWithoutTheHelpFileAndOtherMessagesPassThrough)
{
    Open();
    SetFocus(GetDlgItem(dialog, 210));
    MSG f1 = {GetDlgItem(dialog, 210), WM_KEYDOWN, VK_F1, 0, 0, {0, 0}};
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), page->TranslateAccelerator(&f1));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), page->Help(nullptr));
    MSG paint = {dialog, WM_PAINT, 0, 0, 0, {0, 0}};
    EXPECT_EQ(S_FALSE, page->TranslateAccelerator(&paint));
}

// ---- property browsing ----

// An image control on the form, known by its name.
class NamedImageControl : public ImageControlInterface {
public:
    explicit NamedImageControl(const wchar_t* name) : name_(name) {}
    STDMETHODIMP QueryInterface(REFIID, void** object) override
    {
        // It is its own IOleObject and image-control interface: the browsing
        // only asks one for the other and the name.
        *object = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP ReleaseAnnotateServer() override { return S_OK; }
    STDMETHODIMP SetAnnotateServer(IAnnotateServer7*) override
    {
        ++bound;
        return S_OK;
    }
    STDMETHODIMP Unused() override { return S_OK; }
    STDMETHODIMP SetAnnotationCallbacks(HostContext, HostCallbackTable*) override { return S_OK; }
    // A control made without a name cannot tell one.
    STDMETHODIMP GetControlName(BSTR* name) override
    {
        *name = name_ ? SysAllocString(name_) : nullptr;
        return name_ ? S_OK : E_FAIL;
    }

    int bound = 0;

private:
    const wchar_t* name_;
};

class FormContainer : public IOleContainer, public IEnumUnknown {
public:
    std::vector<IUnknown*> objects;
    size_t next = 0;
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (IsEqualIID(riid, IID_IOleContainer) || IsEqualIID(riid, IID_IUnknown))
            *object = static_cast<IOleContainer*>(this);
        return *object ? S_OK : E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP ParseDisplayName(IBindCtx*, LPOLESTR, ULONG*, IMoniker**) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumObjects(DWORD, IEnumUnknown** e) override
    {
        next = 0;
        *e = this;
        return S_OK;
    }
    STDMETHODIMP LockContainer(BOOL) override { return S_OK; }
    STDMETHODIMP Next(ULONG, IUnknown** object, ULONG* fetched) override
    {
        if (fetched)
            *fetched = 0;
        if (next >= objects.size())
            return S_FALSE;
        *object = objects[next++];
        if (fetched)
            *fetched = 1;
        return S_OK;
    }
    STDMETHODIMP Skip(ULONG) override { return E_NOTIMPL; }
    STDMETHODIMP Reset() override
    {
        next = 0;
        return S_OK;
    }
    STDMETHODIMP Clone(IEnumUnknown**) override { return E_NOTIMPL; }
};

// The in-place frame of a form that has no container: its child windows
// are asked for their image controls.
class FormFrame : public IOleInPlaceFrame {
public:
    HWND window = nullptr;
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        *object = nullptr;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IOleWindow) &&
            !IsEqualIID(riid, IID_IOleInPlaceUIWindow) && !IsEqualIID(riid, IID_IOleInPlaceFrame))
            return E_NOINTERFACE;
        *object = this;
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetWindow(HWND* out) override
    {
        *out = window;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetBorder(LPRECT) override { return E_NOTIMPL; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }
};

// A child window of the form holding an image control (its user data), which
// it names when asked.
LRESULT CALLBACK ImageWindowProc(HWND window, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kControlQueryMessage && wp == kControlQueryParam && lp)
        *reinterpret_cast<ImageControlInterface**>(lp) =
            reinterpret_cast<ImageControlInterface*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return DefWindowProcW(window, msg, wp, lp);
}

class FormSite : public TestSite {
public:
    FormContainer* container = nullptr;
    FormFrame* frame = nullptr;
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        if (frame && IsEqualIID(riid, IID_IOleInPlaceFrame)) {
            *object = frame;
            return S_OK;
        }
        return TestSite::QueryInterface(riid, object);
    }
    STDMETHODIMP GetContainer(IOleContainer** out) override
    {
        *out = container;
        return container ? S_OK : E_NOINTERFACE;
    }
};

class BrowsingTest : public ControlWithFakeEngineTest {
protected:
    void SetUp() override
    {
        ControlWithFakeEngineTest::SetUp();
        CreateControl();
        ASSERT_EQ(S_OK, control->QueryInterface(IID_IPerPropertyBrowsing,
                                                reinterpret_cast<void**>(&browsing)));
    }
    void TearDown() override
    {
        if (browsing)
            browsing->Release();
        ControlWithFakeEngineTest::TearDown();
    }
    void SetSite(IOleClientSite* s)
    {
        IOleObject* object = nullptr;
        control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object));
        object->SetClientSite(s);
        object->Release();
    }
    // The names offered for Client, with their cookies; empty when the
    // browser is left to its default.
    std::vector<std::pair<std::wstring, DWORD>> Offered(HRESULT expected)
    {
        CALPOLESTR strings = {};
        CADWORD cookies = {};
        EXPECT_EQ(expected, browsing->GetPredefinedStrings(1, &strings, &cookies));
        EXPECT_EQ(strings.cElems, cookies.cElems);
        std::vector<std::pair<std::wstring, DWORD>> offered;
        for (ULONG i = 0; i < strings.cElems; ++i) {
            offered.emplace_back(strings.pElems[i], cookies.pElems[i]);
            CoTaskMemFree(strings.pElems[i]);
        }
        CoTaskMemFree(strings.pElems);
        CoTaskMemFree(cookies.pElems);
        return offered;
    }
    std::wstring Value(DWORD cookie)
    {
        VARIANT value;
        EXPECT_EQ(S_OK, browsing->GetPredefinedValue(1, cookie, &value));
        std::wstring out = V_VT(&value) == VT_BSTR && V_BSTR(&value) ? V_BSTR(&value) : L"(null)";
        VariantClear(&value);
        return out;
    }
    std::wstring Display(DISPID id, HRESULT expected = S_OK)
    {
        BSTR text = nullptr;
        EXPECT_EQ(expected, browsing->GetDisplayString(id, &text)) << id;
        std::wstring out = text ? text : L"(null)";
        SysFreeString(text);
        return out;
    }
    IPerPropertyBrowsing* browsing = nullptr;
};

TEST_F(BrowsingTest, TheDefaultToolShowsOnlyToolNames)
{
    const struct {
        int tool;
        const wchar_t* shown;
    } cases[] = {{0, L"No Tool"},
                 {RectangleTool, L"Rectangle Tool"},
                 {ButtonTool, L"Button Tool"},
                 {RulerTool, L"Unknown Tool"},
                 {1013, L"Unknown Tool"},
                 {5000, L"Unknown Tool"}};
    for (const auto& c : cases) {
        fake.setProperty(QMK_DefaultTool, c.tool);
        EXPECT_EQ(c.shown, Display(16)) << c.tool;
    }
}

TEST_F(BrowsingTest, ModesAndTiffTypesShowTheirNamesAndFlagsTheirValues)
{
    fake.setProperty(QMK_InteractMode, 1);
    EXPECT_EQ(L"InteractMode", Display(170));
    fake.setProperty(QMK_InteractMode, 0);
    EXPECT_EQ(L"EditMode", Display(170));
    EXPECT_EQ(L"I4W_Compatible", Display(253));
    control->put_TIFFAnnotationType(QMK_Compatible);
    EXPECT_EQ(L"QMK_Compatible", Display(253));
    for (DISPID id : {9, 70, 171, 256, 334})
        EXPECT_EQ(L"(null)", Display(id, S_FALSE));
    EXPECT_EQ(L"Arial", Display(54)); // a font by its name
}

TEST_F(BrowsingTest, EachPropertyMapsToItsPage)
{
    const CLSID colour = {0x7EBDAAE1, 0x8120, 0x11CF,
                          {0x89, 0x9F, 0x00, 0xAA, 0x00, 0x68, 0x8B, 0x10}};
    const struct {
        DISPID id;
        HRESULT result;
        const CLSID* page;
    } cases[] = {{1, E_NOTIMPL, &CLSID_NULL},          {12, E_NOTIMPL, &CLSID_NULL},
                 {16, S_OK, &CLSID_NoteProps},         {253, S_OK, &CLSID_NoteProps},
                 {9, S_OK, &colour},                   {170, PERPROP_E_NOPAGEAVAILABLE, &CLSID_NULL},
                 {9999, E_INVALIDARG, &CLSID_NULL}};
    for (const auto& c : cases) {
        CLSID page = CLSID_NoteProps;
        EXPECT_EQ(c.result, browsing->MapPropertyToPage(c.id, &page)) << c.id;
        EXPECT_TRUE(IsEqualGUID(*c.page, page)) << c.id;
    }
    EXPECT_EQ(E_POINTER, browsing->MapPropertyToPage(16, nullptr));
}

TEST_F(BrowsingTest, TheClientIsOfferedTheImageControlsOnTheForm)
{
    CALPOLESTR strings = {};
    CADWORD cookies = {};
    // No site, no form: nothing to offer.
    EXPECT_EQ(E_NOTIMPL, browsing->GetPredefinedStrings(1, &strings, &cookies));
    EXPECT_EQ(0u, strings.cElems);

    // A candidate that tells no name keeps its place: every cookie is the
    // candidate's position in the list.
    NamedImageControl first(L"Viewer1"), nameless(nullptr), second(L"Viewer2");
    FormContainer form;
    form.objects = {&first, &nameless, &second};
    FormSite formSite;
    formSite.container = &form;
    SetSite(&formSite);
    ASSERT_EQ(S_OK, browsing->GetPredefinedStrings(1, &strings, &cookies));
    std::vector<std::wstring> names;
    std::vector<DWORD> numbers(cookies.pElems, cookies.pElems + cookies.cElems);
    for (ULONG i = 0; i < strings.cElems; ++i) {
        names.push_back(strings.pElems[i]);
        CoTaskMemFree(strings.pElems[i]);
    }
    CoTaskMemFree(strings.pElems);
    CoTaskMemFree(cookies.pElems);
    EXPECT_EQ((std::vector<std::wstring>{L"<No Client>", L"Viewer1", L"", L"Viewer2"}), names);
    EXPECT_EQ((std::vector<DWORD>{0xFFFFFFFFu, 0, 1, 2}), numbers);

    const struct {
        DWORD cookie;
        const wchar_t* value;
    } values[] = {{0xFFFFFFFFu, L"<No Client>"}, {0, L"Viewer1"}, {1, L""}, {2, L"Viewer2"},
                  {7, nullptr}};
    for (const auto& v : values) {
        VARIANT value;
        ASSERT_EQ(S_OK, browsing->GetPredefinedValue(1, v.cookie, &value));
        EXPECT_EQ(VT_BSTR, V_VT(&value));
        if (v.value)
            EXPECT_STREQ(v.value, V_BSTR(&value));
        else
            EXPECT_EQ(nullptr, V_BSTR(&value));
        VariantClear(&value);
    }
    VARIANT other;
    EXPECT_EQ(E_NOTIMPL, browsing->GetPredefinedValue(16, 0, &other));
    EXPECT_EQ(E_NOTIMPL, browsing->GetPredefinedStrings(16, &strings, &cookies));
    SetSite(nullptr); // before the site and the form go
}

// Without a container the frame window's children are asked; every request
// builds the list anew, so cookies of an earlier list name nothing after it.
TEST_F(BrowsingTest, TheClientListComesFromTheFramesChildrenAndIsBuiltAnewEachTime)
{
    WNDCLASSW type = {};
    type.lpfnWndProc = ImageWindowProc;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"FormImageWindow";
    RegisterClassW(&type);
    HWND form = CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, form);
    NamedImageControl left(L"LeftPage"), right(L"RightPage");
    const struct {
        const wchar_t* windowClass;
        NamedImageControl* image;
    } children[] = {{L"FormImageWindow", &left}, {L"STATIC", nullptr},
                    {L"FormImageWindow", &right}};
    std::vector<HWND> made;
    for (const auto& c : children) {
        made.push_back(CreateWindowExW(0, c.windowClass, L"", WS_CHILD, 0, 0, 10, 10, form,
                                       nullptr, GetModuleHandleW(nullptr), nullptr));
        SetWindowLongPtrW(made.back(), GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(static_cast<ImageControlInterface*>(c.image)));
    }
    FormFrame frame;
    frame.window = form;
    FormSite formSite;
    formSite.frame = &frame;
    SetSite(&formSite);
    IPersistStreamInit* persist = nullptr;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IPersistStreamInit,
                                            reinterpret_cast<void**>(&persist)));
    IStream* scratch = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &scratch);
    ASSERT_EQ(S_OK, persist->Save(scratch, TRUE));
    scratch->Release();

    using Offer = std::pair<std::wstring, DWORD>;
    EXPECT_EQ((std::vector<Offer>{{L"<No Client>", 0xFFFFFFFFu}, {L"LeftPage", 0},
                                  {L"RightPage", 1}}),
              Offered(S_OK));
    EXPECT_EQ(S_OK, persist->IsDirty());
    EXPECT_EQ(L"RightPage", Value(1));

    // The left image control goes: the right one is now the first.
    DestroyWindow(made[0]);
    EXPECT_EQ((std::vector<Offer>{{L"<No Client>", 0xFFFFFFFFu}, {L"RightPage", 0}}),
              Offered(S_OK));
    EXPECT_EQ(L"RightPage", Value(0));
    EXPECT_EQ(L"(null)", Value(1));
    // None left: the browser's default, and nothing kept from before.
    DestroyWindow(made[2]);
    EXPECT_TRUE(Offered(E_NOTIMPL).empty());
    EXPECT_EQ(L"(null)", Value(0));
    EXPECT_EQ(L"<No Client>", Value(0xFFFFFFFFu));

    persist->Release();
    SetSite(nullptr);
    DestroyWindow(form);
    UnregisterClassW(L"FormImageWindow", GetModuleHandleW(nullptr));
    EXPECT_EQ(0, left.bound + right.bound);
}

// "<No Client>" taken from the browser becomes the Client name itself: it
// names no image control, so none is bound, and it is not the empty name that
// holds back the control's mouse events.
TEST_F(BrowsingTest, ChoosingNoClientBindsNothingAndKeepsEventsFlowing)
{
    NamedImageControl viewer(L"Viewer1");
    FormContainer form;
    form.objects = {&viewer};
    FormSite formSite;
    formSite.container = &form;
    SetSite(&formSite);
    ASSERT_EQ(2u, Offered(S_OK).size());
    VARIANT chosen;
    ASSERT_EQ(S_OK, browsing->GetPredefinedValue(1, 0xFFFFFFFFu, &chosen));
    EXPECT_EQ(S_OK, control->put_Client(V_BSTR(&chosen)));
    VariantClear(&chosen);
    EXPECT_EQ(0, viewer.bound);
    BSTR client = nullptr;
    EXPECT_EQ(S_OK, control->get_Client(&client));
    EXPECT_STREQ(L"<No Client>", client);
    SysFreeString(client);

    Advise();
    const Notification& click = kNotifications[1];
    ASSERT_STREQ("Click", click.name);
    click.call(fake.callback(click.channel), fake.cookie());
    EXPECT_EQ(click.fired, events);
    SetSite(nullptr);
}

} // namespace
