#include "viewer_fixture.h"

#include <utility>

namespace viewertest {

CallResult::CallResult(CallResult&& other) noexcept
    : hr(other.hr), description(std::move(other.description)), value(other.value) {
    VariantInit(&other.value);
}

Viewer::Viewer(HWND form, const RECT& rect) : site_(form, rect) {
    site_.SetEventHandler([this](DISPID id, const DISPPARAMS&) { events_.push_back(id); });
    created_ = site_.Create(L"Vistrel.Vistrel7");
}

Viewer::~Viewer() { site_.Destroy(); }

HWND Viewer::window() const {
    IOleWindow* ole = nullptr;
    HWND hwnd = nullptr;
    if (site_.Control() && SUCCEEDED(site_.Control()->QueryInterface(
                               IID_IOleWindow, reinterpret_cast<void**>(&ole)))) {
        ole->GetWindow(&hwnd);
        ole->Release();
    }
    return hwnd;
}

CallResult Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT> args,
                  bool put) {
    CallResult result;
    if (!object) return result;
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    result.hr = object->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(result.hr)) return result;
    // IDispatch takes the arguments last one first.
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params = {reversed.data(), put ? &named : nullptr,
                         static_cast<UINT>(reversed.size()), put ? 1u : 0u};
    EXCEPINFO exception = {};
    result.hr = object->Invoke(id, IID_NULL, 0, flags, &params, put ? nullptr : &result.value,
                               &exception, nullptr);
    if (exception.bstrDescription) result.description = exception.bstrDescription;
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
    for (VARIANT& v : args) VariantClear(&v);
    return result;
}


Annotations::Annotations(HWND form, const RECT& rect) : site_(form, rect) {
    site_.SetEventHandler([this](DISPID id, const DISPPARAMS&) { events.push_back(id); });
    created = site_.Create(L"MorvaneImaging.Quillmark");
}

Annotations::~Annotations() { site_.Destroy(); }

CallResult Annotations::Put(const wchar_t* name, VARIANT value) {
    return Invoke(site_.GetDispatch(), name, DISPATCH_PROPERTYPUT, {value}, true);
}

CallResult Annotations::Get(const wchar_t* name) {
    return Invoke(site_.GetDispatch(), name, DISPATCH_PROPERTYGET, {}, false);
}

CallResult Annotations::Call(const wchar_t* name, std::vector<VARIANT> args) {
    return Invoke(site_.GetDispatch(), name, DISPATCH_METHOD, std::move(args), false);
}

HRESULT Annotations::PutText(const wchar_t* name, const wchar_t* text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    return Put(name, v).hr;
}

CallResult Viewer::Put(const wchar_t* name, const VARIANT& value) {
    return Invoke(dispatch(), name, DISPATCH_PROPERTYPUT, {value}, true);
}

CallResult Viewer::Get(const wchar_t* name) {
    return Invoke(dispatch(), name, DISPATCH_PROPERTYGET, {}, false);
}

CallResult Viewer::Call(const wchar_t* name, std::vector<VARIANT> args) {
    return Invoke(dispatch(), name, DISPATCH_METHOD, std::move(args), false);
}

HRESULT Viewer::PutText(const wchar_t* name, const std::wstring& text) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return Put(name, v).hr;
}

HRESULT Viewer::PutLong(const wchar_t* name, LONG value) { return Put(name, Long(value)).hr; }

LONG Viewer::GetLong(const wchar_t* name) {
    CallResult r = Get(name);
    EXPECT_EQ(S_OK, r.hr) << "get " << testing::PrintToString(std::wstring(name));
    EXPECT_EQ(VT_I4, r.value.vt);
    return r.value.vt == VT_I4 ? r.value.lVal : -12345;
}

double Viewer::GetDouble(const wchar_t* name) {
    CallResult r = Get(name);
    EXPECT_EQ(S_OK, r.hr);
    EXPECT_EQ(VT_R8, r.value.vt);
    return r.value.vt == VT_R8 ? r.value.dblVal : -12345.0;
}

std::wstring Viewer::GetText(const wchar_t* name) {
    CallResult r = Get(name);
    EXPECT_EQ(S_OK, r.hr);
    EXPECT_EQ(VT_BSTR, r.value.vt);
    if (r.value.vt != VT_BSTR || !r.value.bstrVal) return L"";
    return std::wstring(r.value.bstrVal, SysStringLen(r.value.bstrVal));
}

HRESULT Viewer::Load(const std::string& path) {
    return PutText(L"FileName", std::wstring(path.begin(), path.end()));
}

std::wstring Viewer::WindowText() const {
    wchar_t text[1024] = L"";
    GetWindowTextW(window(), text, 1024);
    return text;
}

VARIANT Long(LONG value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT Double(double value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}

void ViewerTest::SetUp() {
    ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr)));
    initialised_ = true;
    form_ = CreateWindowExW(0, L"STATIC", L"form", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, 0,
                            640, 480, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, form_);
    ShowWindow(form_, SW_SHOW);
    folder_ = std::make_unique<testkit::TempFolder>("viewer");
}

void ViewerTest::TearDown() {
    viewers_.clear();
    if (form_) DestroyWindow(form_);
    folder_.reset();
    if (initialised_) OleUninitialize();
}

Viewer& ViewerTest::NewViewer(const RECT& rect) {
    viewers_.push_back(std::make_unique<Viewer>(form_, rect));
    Viewer& viewer = *viewers_.back();
    EXPECT_EQ(S_OK, viewer.created()) << "is vistrel7.dll registered?";
    EXPECT_TRUE(IsWindow(viewer.window()));
    return viewer;
}

std::string ViewerTest::WriteTiff(const std::string& name, const Raster& page,
                                  const imaging::TiffWriteOptions& options) {
    const std::string path = *folder_ / name;
    std::string error;
    EXPECT_TRUE(imaging::WriteTiffFile(path, page, options, &error)) << error;
    return path;
}

std::string ViewerTest::WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = *folder_ / name;
    testkit::WriteBytes(path, bytes);
    return path;
}

namespace {

// The quadrant values per layout: Bilevel black where the quadrant is 1 or
// 2; Gray8 and Palette8 indices; Rgb24 colours.
const imaging::Rgb kQuadrantColours[4] = {
    {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 0, 0}};
const uint8_t kQuadrantGreys[4] = {0, 80, 160, 255};

} // namespace

Raster QuadrantPage(int width, int height, PixelLayout layout) {
    Raster page = Raster::Blank(width, height, layout);
    if (layout == PixelLayout::Palette8)
        page.palette.assign(std::begin(kQuadrantColours), std::end(kQuadrantColours));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int q = (x >= width / 2 ? 1 : 0) + (y >= height / 2 ? 2 : 0);
            uint8_t* row = page.Row(y);
            switch (layout) {
            case PixelLayout::Bilevel: page.SetBlack(x, y, q == 1 || q == 2); break;
            case PixelLayout::Gray8: row[x] = kQuadrantGreys[q]; break;
            case PixelLayout::Palette8: row[x] = static_cast<uint8_t>(q); break;
            case PixelLayout::Rgb24:
                row[3 * x] = kQuadrantColours[q].r;
                row[3 * x + 1] = kQuadrantColours[q].g;
                row[3 * x + 2] = kQuadrantColours[q].b;
                break;
            }
        }
    }
    return page;
}

Raster PatternPage(int width, int height, PixelLayout layout, unsigned seed) {
    Raster page = Raster::Blank(width, height, layout);
    if (layout == PixelLayout::Palette8) {
        page.palette.clear();
        for (int i = 0; i < 23; ++i)
            page.palette.push_back({static_cast<uint8_t>(i * 11), static_cast<uint8_t>(255 - i * 7),
                                    static_cast<uint8_t>(i * 3)});
    }
    unsigned state = seed * 2654435761u + 12345;
    for (uint8_t& b : page.pixels) {
        state = state * 1103515245u + 12345;
        b = static_cast<uint8_t>(state >> 16);
        if (layout == PixelLayout::Palette8) b %= 23;
    }
    // Padding bits past the width of 1-bit rows are not part of the image.
    if (layout == PixelLayout::Bilevel && width % 8) {
        for (int y = 0; y < height; ++y)
            page.Row(y)[page.RowBytes() - 1] &= static_cast<uint8_t>(0xFF << (8 - width % 8));
    }
    page.xDpi = 200;
    page.yDpi = 300;
    return page;
}

Snapshot::Snapshot(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<uint32_t*>(bits);
    dc_ = CreateCompatibleDC(nullptr);
    old_ = SelectObject(dc_, bitmap_);
    // A colour no view paints, to see what was left untouched.
    RECT all = {0, 0, width, height};
    HBRUSH marker = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(dc_, &all, marker);
    DeleteObject(marker);
}

Snapshot::~Snapshot() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
}

uint32_t Snapshot::At(int x, int y) const {
    GdiFlush();
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0xFFFFFFFF;
    return bits_[y * width_ + x] & 0xFFFFFF;
}

std::unique_ptr<Snapshot> PrintClient(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    auto shot = std::make_unique<Snapshot>(client.right, client.bottom);
    SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(shot->dc()), PRF_CLIENT);
    return shot;
}

uint32_t ColourOf(COLORREF c) {
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
std::wstring Widen(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// The view's own record of what it was asked and did.
Lines ViewTrace() {
    using ReadFn = int (*)(wchar_t*, int);
    auto read = reinterpret_cast<ReadFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"vistrel7.dll"), "VistrelReadTrace")));
    if (!read) return {"(no trace)"};
    std::wstring text(read(nullptr, 0) + 1, L'\0');
    read(&text[0], static_cast<int>(text.size()));
    text.resize(text.size() - 1);
    Lines lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        lines.push_back(Narrow(text.substr(start, end - start)));
        start = end + 1;
    }
    return lines;
}

void ClearViewTrace() {
    using ClearFn = void (*)();
    if (auto clear = reinterpret_cast<ClearFn>(reinterpret_cast<void (*)()>(
            GetProcAddress(GetModuleHandleW(L"vistrel7.dll"), "VistrelClearTrace"))))
        clear();
}

} // namespace viewertest
