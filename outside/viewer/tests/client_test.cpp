// The image view as the client of an annotation control, driven by a
// recording stand-in for the control: what the view answers and calls when
// it is bound, in order; the services it hands over (its geometry, its
// image, the turned pictures); its painting and input going to the entries;
// the annotation tags of its files; and that an unbound view calls nothing.
#include "viewer_fixture.h"

#include "image_client.h"
#include "image_reader.h"
#include "test_support.h"

#include <cstring>
#include <string>
#include <vector>

namespace viewertest {
namespace {


// The stand-in control: one table whose entries record their calls.
struct Recorder {
    Lines calls;
    HostServiceTable* services = nullptr;
    HostCookie cookie = 0;
    HWND window = nullptr;
    int mouseResult = -1;        // what MouseMessage answers
    bool acceptTags = true;      // LoadTiffTagAnnotations reports a current layer
    std::vector<uint8_t> toSave; // what SaveTiffTagAnnotations hands out
    std::vector<uint8_t> loaded;
};

Recorder* g_recorder = nullptr;

// The colour the stand-in paints its annotation in: in no test page.
constexpr COLORREF kMarkColour = RGB(18, 171, 52);

void Note(const std::string& line) {
    if (g_recorder) g_recorder->calls.push_back(line);
}

int __stdcall RecSetHostServices(HostContext, HostServiceTable* table) {
    Note("SetHostServices");
    g_recorder->services = table;
    return 0;
}
int __stdcall RecSetHostCookie(HostContext, HostCookie cookie) {
    Note("SetHostCookie");
    g_recorder->cookie = cookie;
    return 0;
}
int __stdcall RecPaint(HostContext, HDC dc, int, int, int, const RECT* view, const RECT* image) {
    Note("PaintAnnotations");
    // An annotation at image pixels (2, 2)-(6, 6), drawn where the view shows them.
    if (view && image && dc) {
        RECT mark = {view->left + 2 - image->left, view->top + 2 - image->top,
                     view->left + 6 - image->left, view->top + 6 - image->top};
        HBRUSH brush = CreateSolidBrush(kMarkColour);
        FillRect(dc, &mark, brush);
        DeleteObject(brush);
    }
    return -1;
}
int __stdcall RecKey(HostContext, HWND, UINT msg, WPARAM, LPARAM) {
    Note("KeyMessage " + std::to_string(msg));
    return -1;
}
int __stdcall RecMouse(HostContext, HWND, UINT msg, WPARAM, LPARAM) {
    if (msg != WM_SETCURSOR && msg != WM_MOUSEMOVE) Note("MouseMessage " + std::to_string(msg));
    return g_recorder->mouseResult;
}
int __stdcall RecSetHostWindow(HostContext, HWND window) {
    Note("SetHostWindow");
    g_recorder->window = window;
    return 0;
}
int __stdcall RecLoadTag(HostContext, const void* data, int length, int width, int height,
                         int tag) {
    Note("LoadTiffTagAnnotations " + std::to_string(tag) + " " + std::to_string(length) + " " +
         std::to_string(width) + "x" + std::to_string(height));
    const auto* bytes = static_cast<const uint8_t*>(data);
    g_recorder->loaded.assign(bytes, bytes + length);
    if (g_recorder->acceptTags && g_recorder->services)
        g_recorder->services->CurrentLayerChanged(g_recorder->cookie, 1);
    return 0;
}
int __stdcall RecSaveTag(HostContext, void** data, int* tag) {
    Note("SaveTiffTagAnnotations");
    *data = nullptr;
    if (g_recorder->toSave.empty()) return 0;
    *data = CoTaskMemAlloc(g_recorder->toSave.size());
    std::memcpy(*data, g_recorder->toSave.data(), g_recorder->toSave.size());
    *tag = kTiffTagQuillmark;
    return static_cast<int>(g_recorder->toSave.size());
}
int __stdcall RecFocus(HostContext, UINT msg) {
    Note("FocusMessage " + std::to_string(msg));
    return 0;
}
int __stdcall RecClear(HostContext) {
    Note("ClearAnnotations");
    return 0;
}
int __stdcall RecSetSaveSuppressed(HostContext, unsigned char flag) {
    Note("SetSaveSuppressed " + std::to_string(flag));
    return 0;
}

HostCallbackTable RecordingTable() {
    HostCallbackTable t = {};
    t.Version = kHostCallbackTableVersion;
    t.SetHostServices = &RecSetHostServices;
    t.SetHostCookie = &RecSetHostCookie;
    t.PaintAnnotations = &RecPaint;
    t.KeyMessage = &RecKey;
    t.MouseMessage = &RecMouse;
    t.SetHostWindow = &RecSetHostWindow;
    t.LoadTiffTagAnnotations = &RecLoadTag;
    t.SaveTiffTagAnnotations = &RecSaveTag;
    t.FocusMessage = &RecFocus;
    t.ClearAnnotations = &RecClear;
    t.SetSaveSuppressed = &RecSetSaveSuppressed;
    return t;
}

// The stand-in's own IAnnotateServer7, recording renames.
class Server : public IAnnotateServer7 {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, __uuidof(IAnnotateServer7))) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs; }
    STDMETHODIMP_(ULONG) Release() override { return --refs; }
    STDMETHODIMP NameChange(BSTR name) override {
        Note("NameChange " + Narrow(name ? name : L""));
        return S_OK;
    }
    ULONG refs = 0;
};

class ViewerClient : public ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        g_recorder = &recorder_;
        table_ = RecordingTable();
    }
    void TearDown() override {
        if (client_) {
            client_->ReleaseAnnotateServer();
            client_->Release();
            client_ = nullptr;
        }
        ViewerTest::TearDown();
        g_recorder = nullptr;
    }

    // Binds view the way the control does: the query message, the server,
    // the support probe and the entries.
    void Bind(Viewer& view) {
        ImageControlInterface* answer = nullptr;
        SendMessageW(view.window(), kControlQueryMessage, kControlQueryParam,
                     reinterpret_cast<LPARAM>(&answer));
        ASSERT_NE(nullptr, answer);
        client_ = answer;
        ASSERT_EQ(S_OK, client_->SetAnnotateServer(&server_));
        IUnknown* support = nullptr;
        EXPECT_EQ(S_OK, client_->QueryInterface(IID_ImageControlSupport,
                                                reinterpret_cast<void**>(&support)));
        if (support) support->Release();
        ASSERT_EQ(S_OK, client_->SetAnnotationCallbacks(&recorder_, &table_));
    }

    std::string Tiff(const std::string& name, const std::vector<uint8_t>& annotations) {
        imaging::TiffWriteOptions options;
        if (!annotations.empty())
            options.privateTags = {{34686, imaging::TiffTagType::Undefined, annotations}};
        return WriteTiff(name, PatternPage(40, 30, PixelLayout::Rgb24), options);
    }

    Recorder recorder_;
    HostCallbackTable table_;
    Server server_;
    ImageControlInterface* client_ = nullptr;
};

TEST_F(ViewerClient, BindingRunsInTheOrderTheControlAndTheViewExpect) {
    Viewer& view = NewViewer();
    const std::vector<uint8_t> notes = {9, 8, 7, 6};
    ASSERT_EQ(S_OK, view.Load(Tiff("noted.tif", notes)));
    ClearViewTrace();
    Bind(view);
    // What the view was asked, and what it called back, in order.
    EXPECT_EQ((Lines{"ControlQueryMessage", "SetAnnotateServer",
                     "QueryInterface ImageControlSupport", "SetAnnotationCallbacks",
                     "LoadTiffTagAnnotations 34686", "CurrentLayerChanged 1"}),
              ViewTrace());
    EXPECT_EQ((Lines{"SetHostCookie", "SetHostServices", "SetHostWindow", "SetSaveSuppressed 0",
                     "LoadTiffTagAnnotations 34686 4 40x30"}),
              recorder_.calls);
    EXPECT_EQ(notes, recorder_.loaded);
    EXPECT_EQ(view.window(), recorder_.window);
    EXPECT_EQ(1u, server_.refs);

    // A window that is no view leaves the answer empty; a wrong wParam too.
    ImageControlInterface* answer = nullptr;
    SendMessageW(view.window(), kControlQueryMessage, 0, reinterpret_cast<LPARAM>(&answer));
    EXPECT_EQ(nullptr, answer);
    SendMessageW(form_, kControlQueryMessage, kControlQueryParam,
                 reinterpret_cast<LPARAM>(&answer));
    EXPECT_EQ(nullptr, answer);

    // Unbinding drops the server.
    EXPECT_EQ(S_OK, client_->ReleaseAnnotateServer());
    EXPECT_EQ(0u, server_.refs);
}

TEST_F(ViewerClient, TheViewGeometryFollowsZoomAndScroll) {
    Viewer& view = NewViewer({0, 0, 200, 150});
    ASSERT_EQ(S_OK, view.Load(WriteTiff("page.tif", PatternPage(400, 300, PixelLayout::Gray8))));
    Bind(view);
    ASSERT_NE(nullptr, recorder_.services);
    RECT client;
    GetClientRect(view.window(), &client);
    struct Case {
        double zoom;
        LONG scrollX, scrollY;
        RECT image; // scroll offsets and the zoomed size
    } const cases[] = {
        {1.0, 0, 0, {0, 0, 400, 300}},
        {1.0, 30, 40, {30, 40, 400, 300}},
        {2.0, 100, 50, {100, 50, 800, 600}},
        {0.25, 0, 0, {0, 0, 100, 75}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("zoom " + std::to_string(c.zoom));
        ASSERT_EQ(S_OK, view.Call(L"Zoom", {Double(c.zoom)}).hr);
        view.PutLong(L"ScrollX", c.scrollX);
        view.PutLong(L"ScrollY", c.scrollY);
        int kind = -1, width = 0, height = 0;
        RECT shown = {}, image = {};
        ASSERT_EQ(0, recorder_.services->GetViewGeometry(recorder_.cookie, &kind, &shown, &image,
                                                         &width, &height));
        GetClientRect(view.window(), &client);
        EXPECT_EQ(0, kind);
        EXPECT_TRUE(EqualRect(&client, &shown));
        EXPECT_EQ(c.image.left, image.left);
        EXPECT_EQ(c.image.top, image.top);
        EXPECT_EQ(c.image.right, image.right);
        EXPECT_EQ(c.image.bottom, image.bottom);
        EXPECT_EQ(400, width);
        EXPECT_EQ(300, height);
    }
    double x = 0, y = 0;
    EXPECT_EQ(0, recorder_.services->GetResolution(recorder_.cookie, &x, &y));
    EXPECT_GT(x, 0);
    EXPECT_GT(y, 0);
    // A cookie that names no view is refused.
    int kind = 0, width = 0, height = 0;
    RECT shown = {}, image = {};
    EXPECT_NE(0, recorder_.services->GetViewGeometry(recorder_.cookie + 1000, &kind, &shown,
                                                     &image, &width, &height));
}

TEST_F(ViewerClient, TheImageGoesOutAsAPackedDibAndABurntInOneComesBack) {
    Viewer& view = NewViewer();
    ASSERT_EQ(S_OK, view.Load(Tiff("page.tif", {1, 2, 3})));
    Bind(view);
    HGLOBAL image = nullptr;
    BOOL mustFree = FALSE;
    ASSERT_EQ(0, recorder_.services->GetImageDib(recorder_.cookie, &image, &mustFree));
    ASSERT_NE(nullptr, image);
    EXPECT_TRUE(mustFree);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(image));
    EXPECT_EQ(40, header->biWidth);
    EXPECT_EQ(30, header->biHeight);
    // Burn a black top-left pixel in and hand it back (the view frees it).
    uint8_t* rows = reinterpret_cast<uint8_t*>(header) + header->biSize;
    const size_t stride = (40 * 3 + 3) / 4 * 4;
    std::memset(rows + stride * 29, 0, 3);
    GlobalUnlock(image);
    EXPECT_EQ(0, recorder_.services->SetImageDib(recorder_.cookie, image));
    auto shot = PrintClient(view.window());
    EXPECT_EQ(0u, shot->At(0, 0));
    // The file and its annotation tag stay.
    EXPECT_NE(std::wstring::npos, view.GetText(L"FileName").find(L"page.tif"));
}

TEST_F(ViewerClient, PaintingDrawsTheAnnotationsOverTheImage) {
    Viewer& view = NewViewer();
    const Raster page = QuadrantPage(40, 30, PixelLayout::Rgb24);
    ASSERT_EQ(S_OK, view.Load(WriteTiff("page.tif", page)));
    Bind(view);
    recorder_.calls.clear();
    auto shot = PrintClient(view.window());
    EXPECT_EQ(Lines{"PaintAnnotations"}, recorder_.calls);
    EXPECT_EQ(ColourOf(kMarkColour), shot->At(3, 3)); // the annotation
    const uint32_t beside = shot->At(10, 10);          // the image beside it

    // Unbound, it paints the image only and calls nothing.
    ASSERT_EQ(S_OK, client_->ReleaseAnnotateServer());
    recorder_.calls.clear();
    shot = PrintClient(view.window());
    EXPECT_NE(ColourOf(kMarkColour), shot->At(3, 3));
    EXPECT_EQ(beside, shot->At(10, 10));
    SendMessageW(view.window(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(view.window(), WM_KEYDOWN, VK_DELETE, 0);
    ASSERT_EQ(S_OK, view.Load(Tiff("again.tif", {5})));
    view.PutText(L"SaveFileName", Widen(*folder_ / "out.tif"));
    EXPECT_EQ(S_OK, view.Call(L"SaveFile").hr);
    EXPECT_EQ(Lines{}, recorder_.calls);
}

TEST_F(ViewerClient, InputGoesToTheEntriesAndTheViewKeepsWhatTheyLeave) {
    Viewer& view = NewViewer({0, 0, 100, 80});
    ASSERT_EQ(S_OK, view.Load(WriteTiff("tall.tif", PatternPage(60, 600, PixelLayout::Gray8))));
    Bind(view);
    struct Case {
        int mouseResult;
        UINT msg;
        WPARAM wp;
        bool viewScrolls; // the wheel moves the view when the entries leave it
    } const cases[] = {
        {0, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), false},
        {-1, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("result " + std::to_string(c.mouseResult));
        view.PutLong(L"ScrollY", 0);
        recorder_.mouseResult = c.mouseResult;
        recorder_.calls.clear();
        SendMessageW(view.window(), c.msg, c.wp, 0);
        EXPECT_EQ(Lines{"MouseMessage " + std::to_string(c.msg)}, recorder_.calls);
        EXPECT_EQ(c.viewScrolls, view.GetLong(L"ScrollY") > 0);
    }
    recorder_.calls.clear();
    SendMessageW(view.window(), WM_KEYDOWN, VK_DELETE, 0);
    SendMessageW(view.window(), WM_SETFOCUS, 0, 0);
    SendMessageW(view.window(), WM_KILLFOCUS, 0, 0);
    EXPECT_EQ((Lines{"KeyMessage 256", "FocusMessage 7", "FocusMessage 8"}), recorder_.calls);
}

TEST_F(ViewerClient, SavingWritesWhatTheAnnotationsHandOutAndKeepsWhatTheyCouldNotRead) {
    const std::vector<uint8_t> original = {0xDE, 0xAD, 0x00, 0x01};
    const std::vector<uint8_t> drawn = {1, 2, 3, 4, 5};
    struct Case {
        const char* name;
        bool accepted;                 // the entries took the file's tag
        std::vector<uint8_t> handedOut; // what they give at saving
        bool tagWritten;
        std::vector<uint8_t> expected;
    } const cases[] = {
        {"new annotations replace the file's", true, drawn, true, drawn},
        {"annotations all deleted drop the tag", true, {}, false, {}},
        {"unreadable data is kept as it was", false, {}, true, original},
        {"annotations drawn over unreadable data replace it", false, drawn, true, drawn},
    };
    Viewer& view = NewViewer();
    Bind(view);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder_.acceptTags = c.accepted;
        recorder_.toSave = c.handedOut;
        ASSERT_EQ(S_OK, view.Load(Tiff("in.tif", original)));
        const std::string out = *folder_ / "out.tif";
        view.PutText(L"SaveFileName", Widen(out));
        recorder_.calls.clear();
        ASSERT_EQ(S_OK, view.Call(L"SaveFile").hr);
        EXPECT_EQ(Lines{"SaveTiffTagAnnotations"}, recorder_.calls);
        std::vector<uint8_t> bytes;
        EXPECT_EQ(c.tagWritten, imaging::ReadTiffTag(out, 34686, &bytes));
        EXPECT_EQ(c.expected, bytes);
    }
    // A new file clears the annotations of the one before, then hands its own.
    recorder_.calls.clear();
    ASSERT_EQ(S_OK, view.Load(Tiff("other.tif", {})));
    EXPECT_EQ(Lines{"ClearAnnotations"}, recorder_.calls);
}

TEST_F(ViewerClient, TheViewIsKnownByItsDisplayNameAndReportsRenames) {
    Viewer& view = NewViewer();
    view.site().SetDisplayName(L"Viewer7");
    Bind(view);
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, client_->GetControlName(&name));
    EXPECT_EQ(std::wstring(L"Viewer7"), name ? std::wstring(name) : std::wstring());
    SysFreeString(name);
    recorder_.calls.clear();
    view.site().SetDisplayName(L"Page");
    EXPECT_EQ(Lines{"NameChange Page"}, recorder_.calls);
}

} // namespace
} // namespace viewertest
