// Registration, loading TIFF and BMP files through FileName, clearing, and
// what a file that cannot be loaded leaves behind.
#include "viewer_fixture.h"

#include "image_reader.h"
#include "test_support.h"
#include "vistrel7.h"
#include "vistrel7_state_query.h"

namespace viewertest {
namespace {

std::wstring RegistryDefault(const std::wstring& key) {
    wchar_t value[512] = L"";
    LONG size = sizeof value;
    if (RegQueryValueW(HKEY_CLASSES_ROOT, key.c_str(), value, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(towlower(c));
    return s;
}

TEST(ViewerRegistration, TheBuildRegistersTheControlWithItsProgIdsAndTypeLibrary) {
    const std::wstring clsid = L"{D9CC6009-E049-45E2-98F0-73C3DD060AE4}";
    EXPECT_EQ(clsid, RegistryDefault(L"Vistrel.Vistrel7\\CLSID"));
    EXPECT_EQ(clsid, RegistryDefault(L"Vistrel.Vistrel7.1\\CLSID"));
    EXPECT_EQ(L"Vistrel.Vistrel7.1", RegistryDefault(L"CLSID\\" + clsid + L"\\ProgID"));

    const std::string folder = testkit::ProgramFolder();
    const std::wstring dll = std::wstring(folder.begin(), folder.end()) + L"\\vistrel7.dll";
    EXPECT_EQ(Lower(dll), Lower(RegistryDefault(L"CLSID\\" + clsid + L"\\InprocServer32")));

    ITypeLib* library = nullptr;
    ASSERT_EQ(S_OK, LoadRegTypeLib(LIBID_Vistrel7Lib, 7, 0, 0, &library));
    ITypeInfo* events = nullptr;
    EXPECT_EQ(S_OK, library->GetTypeInfoOfGuid(DIID__IVistrel7Events, &events));
    if (events) events->Release();
    library->Release();
}

struct LayoutCase {
    const char* name;
    PixelLayout layout;
    imaging::TiffCompression compression;
    LONG bitsPerPixel;
};

const LayoutCase kTiffLayouts[] = {
    {"bilevel_g4", PixelLayout::Bilevel, imaging::TiffCompression::Ccitt4, 1},
    {"bilevel_plain", PixelLayout::Bilevel, imaging::TiffCompression::None, 1},
    {"gray_packbits", PixelLayout::Gray8, imaging::TiffCompression::PackBits, 8},
    {"palette", PixelLayout::Palette8, imaging::TiffCompression::None, 8},
    {"rgb", PixelLayout::Rgb24, imaging::TiffCompression::PackBits, 24},
};

class ViewerLoad : public ViewerTest {};

TEST_F(ViewerLoad, LoadsEveryTiffLayoutAndReportsItsSizeDepthAndName) {
    Viewer& view = NewViewer();
    for (const LayoutCase& c : kTiffLayouts) {
        SCOPED_TRACE(c.name);
        imaging::TiffWriteOptions options;
        options.compression = c.compression;
        const std::string path =
            WriteTiff(std::string(c.name) + ".tif", PatternPage(37, 23, c.layout), options);
        const std::wstring wide(path.begin(), path.end());
        ASSERT_EQ(S_OK, view.Load(path));
        EXPECT_EQ(37, view.GetLong(L"IWidth"));
        EXPECT_EQ(23, view.GetLong(L"IHeight"));
        EXPECT_EQ(c.bitsPerPixel, view.GetLong(L"IBPP"));
        EXPECT_EQ(wide, view.GetText(L"FileName"));
        EXPECT_EQ(wide, view.WindowText());
        EXPECT_EQ(L"", view.GetText(L"LastError"));
    }
}

TEST_F(ViewerLoad, LoadsBmpFiles) {
    Viewer& view = NewViewer();
    const std::vector<std::vector<uint8_t>> rows = {{0x12, 0x34, 0x56, 0x9A, 0xBC, 0xDE},
                                                    {0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF}};
    const std::string path = WriteBytes("colour.bmp", imgtest::MakeBmp(2, 2, 24, {}, rows));
    ASSERT_EQ(S_OK, view.Load(path));
    EXPECT_EQ(2, view.GetLong(L"IWidth"));
    EXPECT_EQ(2, view.GetLong(L"IHeight"));
    EXPECT_EQ(24, view.GetLong(L"IBPP"));
    EXPECT_EQ(std::wstring(path.begin(), path.end()), view.WindowText());

    const std::vector<std::vector<uint8_t>> bits = {{0xAA, 0x80}, {0x55, 0x00}, {0xFF, 0x80}};
    const std::string bilevel =
        WriteBytes("bilevel.bmp", imgtest::MakeBmp(9, 3, 1, {0x000000, 0xFFFFFF}, bits));
    ASSERT_EQ(S_OK, view.Load(bilevel));
    EXPECT_EQ(9, view.GetLong(L"IWidth"));
    EXPECT_EQ(3, view.GetLong(L"IHeight"));
    EXPECT_EQ(1, view.GetLong(L"IBPP"));
}

TEST_F(ViewerLoad, AnEmptyNameClearsTheView) {
    Viewer& view = NewViewer();
    ASSERT_EQ(S_OK, view.Load(WriteTiff("a.tif", PatternPage(40, 30, PixelLayout::Gray8))));
    ASSERT_EQ(S_OK, view.PutText(L"FileName", L""));
    EXPECT_EQ(0, view.GetLong(L"IWidth"));
    EXPECT_EQ(0, view.GetLong(L"IHeight"));
    EXPECT_EQ(0, view.GetLong(L"IBPP"));
    EXPECT_EQ(L"", view.GetText(L"FileName"));
    EXPECT_EQ(L"", view.WindowText());
    LONG dib = -1;
    CallResult copy = view.Call(L"CopyDIB");
    EXPECT_EQ(S_OK, copy.hr);
    if (copy.value.vt == VT_I4) dib = copy.value.lVal;
    EXPECT_EQ(0, dib);
}

struct BadFile {
    const char* name;
    std::vector<uint8_t> bytes; // not written when empty and missing is set
    bool missing;
};

TEST_F(ViewerLoad, AFileThatCannotBeLoadedEmptiesTheViewAndSaysWhy) {
    std::vector<uint8_t> truncated =
        imaging::EncodeTiff(PatternPage(64, 64, PixelLayout::Gray8), {});
    truncated.resize(truncated.size() / 2);
    const BadFile cases[] = {
        {"missing.tif", {}, true},
        {"empty.tif", {}, false},
        {"garbage.tif", std::vector<uint8_t>(300, 0x5A), false},
        {"truncated.tif", truncated, false},
        {"bad.bmp", {'B', 'M', 1, 2, 3}, false},
    };
    Viewer& view = NewViewer();
    const std::string good = WriteTiff("good.tif", PatternPage(20, 10, PixelLayout::Rgb24));
    for (const BadFile& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(S_OK, view.Load(good));
        const std::string path = c.missing ? *folder_ / c.name : WriteBytes(c.name, c.bytes);
        const std::wstring wide(path.begin(), path.end());

        VARIANT name;
        VariantInit(&name);
        name.vt = VT_BSTR;
        name.bstrVal = SysAllocString(wide.c_str());
        CallResult put = view.Put(L"FileName", name);
        EXPECT_EQ(DISP_E_EXCEPTION, put.hr);
        EXPECT_NE(std::wstring::npos, put.description.find(wide)) << put.description;
        EXPECT_EQ(put.description, view.GetText(L"LastError"));

        EXPECT_EQ(0, view.GetLong(L"IWidth"));
        EXPECT_EQ(0, view.GetLong(L"IHeight"));
        EXPECT_EQ(0, view.GetLong(L"IBPP"));
        EXPECT_EQ(L"", view.GetText(L"FileName"));
        EXPECT_EQ(L"", view.WindowText());
        // The program goes on: the next load works and the error is gone.
        EXPECT_EQ(S_OK, view.Load(good));
        EXPECT_EQ(L"", view.GetText(L"LastError"));
    }
}

TEST_F(ViewerLoad, TheFailureComesThroughTheInterfaceWithErrorInfo) {
    Viewer& view = NewViewer();
    IVistrel7* control = nullptr;
    ASSERT_EQ(S_OK, view.dispatch()->QueryInterface(IID_IVistrel7,
                                                    reinterpret_cast<void**>(&control)));
    ISupportErrorInfo* support = nullptr;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_ISupportErrorInfo,
                                            reinterpret_cast<void**>(&support)));
    EXPECT_EQ(S_OK, support->InterfaceSupportsErrorInfo(IID_IVistrel7));
    support->Release();

    BSTR path = SysAllocString(L"C:\\no such folder\\none.tif");
    EXPECT_TRUE(FAILED(control->put_FileName(path)));
    SysFreeString(path);
    IErrorInfo* info = nullptr;
    ASSERT_EQ(S_OK, GetErrorInfo(0, &info));
    BSTR description = nullptr;
    info->GetDescription(&description);
    EXPECT_NE(nullptr, wcsstr(description, L"none.tif"));
    SysFreeString(description);
    info->Release();
    control->Release();
}

TEST_F(ViewerLoad, AnotherProcessCanAskTheWindowWhatItShows) {
    Viewer& view = NewViewer({0, 0, 100, 80});
    ASSERT_EQ(S_OK, view.Load(WriteTiff("q.tif", PatternPage(300, 200, PixelLayout::Bilevel))));
    ASSERT_EQ(S_OK, view.Call(L"Zoom", {Double(1.5)}).hr);
    ASSERT_EQ(S_OK, view.PutLong(L"ScrollX", 40));
    ASSERT_EQ(S_OK, view.PutLong(L"ScrollY", 25));

    const UINT query = RegisterWindowMessageW(vistrel7::kStateQueryMessage);
    const struct {
        WPARAM field;
        LRESULT expected;
    } fields[] = {
        {vistrel7::StateWidth, 300},     {vistrel7::StateHeight, 200},
        {vistrel7::StateBitsPerPixel, 1}, {vistrel7::StateZoomMilli, 1500},
        {vistrel7::StateScrollX, 40},    {vistrel7::StateScrollY, 25},
        {99, -1},
    };
    for (const auto& f : fields)
        EXPECT_EQ(f.expected, SendMessageW(view.window(), query, f.field, 0)) << f.field;
}

} // namespace
} // namespace viewertest
