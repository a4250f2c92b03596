// The storage, clipboard and element members as a host meets them: the
// control created through COM with the real engine beside it, driven through
// its vtable and through IDispatch by name.
#include "control_fixture.h"

#include "annotation_engine.h"

#include "testkit.h"

#include <algorithm>
#include <string>

namespace {

constexpr HRESULT kNoCurrentLayer = 0x800403EC;  // 1004
constexpr HRESULT kFileWrite = 0x800403F0;       // 1008
constexpr HRESULT kInvalidLayer = 0x800403F5;    // 1013
constexpr HRESULT kNoSelection = 0x800403F8;     // 1016
constexpr HRESULT kInvalidItem = 0x80040418;     // 1048

// A layer record of rectangles, written out by hand: dwords little-endian,
// the name as a byte count with its NUL and UTF-16 text.
std::vector<uint8_t> LayerRecord(const wchar_t* name, int items)
{
    std::vector<uint8_t> body;
    Append32(body, 36762);
    Append32(body, 36753);
    Append32(body, static_cast<uint32_t>(items));
    Append32(body, 36763);
    for (int i = 0; i < items; ++i) {
        for (uint32_t v : {4098u, 36756u, 36765u, 0x17u, 7u})
            Append32(body, v);
        for (int edge : {0x100000 * (i + 1), 0x100000, 0x100000 * (i + 2), 0x200000})
            Append32(body, static_cast<uint32_t>(edge));
        Append32(body, 36751);
        Append32(body, static_cast<uint32_t>(i + 1));
        Append32(body, 36757);
    }
    std::vector<uint8_t> record;
    for (uint32_t v : {36754u, 36752u, 0u, 0u})
        Append32(record, v);
    Append32(record, static_cast<uint32_t>(body.size()));
    const std::wstring text(name);
    Append32(record, static_cast<uint32_t>(text.size() * 2 + 2));
    for (wchar_t c : text)
        Append16(record, static_cast<uint16_t>(c));
    Append16(record, 0);
    record.insert(record.end(), body.begin(), body.end());
    Append32(record, 36755);
    return record;
}

VARIANT ByteArray(const std::vector<uint8_t>& bytes)
{
    VARIANT v;
    VariantInit(&v);
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = array;
    return v;
}

// Empties the session's clipboard.
void EmptyTheClipboard()
{
    HWND window = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  nullptr, nullptr);
    if (OpenClipboard(window)) {
        EmptyClipboard();
        CloseClipboard();
    }
    DestroyWindow(window);
}

// Calls a member by name through IDispatch; args in the member's order.
HRESULT CallByName(IDispatch* object, const wchar_t* name, std::vector<VARIANT> args,
                   VARIANT* result = nullptr)
{
    DISPID dispid = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
    if (FAILED(hr))
        return hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    EXCEPINFO info = {};
    hr = object->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result,
                        &info, nullptr);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return hr == DISP_E_EXCEPTION ? info.scode : hr;
}

VARIANT Long(long value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

VARIANT LongRef(long* value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | VT_I4;
    v.plVal = value;
    return v;
}

class TransferTest : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        EmptyTheClipboard();
        control_ = NewControl();
        ASSERT_NE(nullptr, control_);
    }
    void TearDown() override
    {
        if (control_)
            control_->Release();
        EmptyTheClipboard();
        ControlTest::TearDown();
    }
    // A layer of rectangles 1..items, made current.
    long CurrentLayerOf(int items)
    {
        VARIANT v = ByteArray(LayerRecord(L"Plans", items));
        long layer = 0;
        EXPECT_EQ(S_OK, control_->SetLayerFromVariant(&v, &layer));
        VariantClear(&v);
        EXPECT_EQ(S_OK, control_->put_CurrentLayer(layer));
        return layer;
    }
    long ItemCount(long layer)
    {
        long count = -1;
        EXPECT_EQ(S_OK, control_->PrgGetItemCount(layer, &count));
        return count;
    }

    IQuillmark* control_ = nullptr;
};

TEST_F(TransferTest, CopyAndCutTakeTheSelectionAndPasteBringsItBack)
{
    EXPECT_EQ(kNoCurrentLayer, control_->Copy());
    EXPECT_EQ(kNoCurrentLayer, control_->Cut());
    EXPECT_EQ(kNoCurrentLayer, control_->Paste());
    TakeErrorInfo();

    const long layer = CurrentLayerOf(3);
    // Nothing selected: 1016, and nothing reaches the clipboard.
    EXPECT_EQ(kNoSelection, control_->Cut());
    EXPECT_EQ(kNoSelection, control_->Copy());
    const ErrorDetails details = TakeErrorInfo();
    EXPECT_TRUE(details.present);
    EXPECT_EQ(1016u, details.helpContext);
    VARIANT_BOOL available = VARIANT_TRUE;
    EXPECT_EQ(S_OK, control_->get_IsPasteAvailable(&available));
    EXPECT_EQ(VARIANT_FALSE, available);
    EXPECT_EQ(3, ItemCount(layer));
    // An empty clipboard pastes nothing and is no error.
    EXPECT_EQ(S_OK, control_->Paste());
    EXPECT_EQ(3, ItemCount(layer));

    ASSERT_EQ(S_OK, control_->PrgSelectItem(layer, 2));
    ASSERT_EQ(S_OK, control_->Cut());
    EXPECT_EQ(2, ItemCount(layer));
    EXPECT_EQ(S_OK, control_->get_IsPasteAvailable(&available));
    EXPECT_EQ(VARIANT_TRUE, available);
    ASSERT_EQ(S_OK, control_->Paste());
    ASSERT_EQ(S_OK, control_->Paste());
    EXPECT_EQ(4, ItemCount(layer));

    // Through IDispatch as a script calls them: the two pasted items are the
    // selection now.
    ASSERT_EQ(S_OK, CallByName(control_, L"Copy", {}));
    ASSERT_EQ(S_OK, CallByName(control_, L"Paste", {}));
    EXPECT_EQ(6, ItemCount(layer));

    // The whole layer as a new one.
    ASSERT_EQ(S_OK, control_->CopyLayer(layer));
    long pasted = 0;
    ASSERT_EQ(S_OK, control_->PasteLayer(&pasted));
    EXPECT_NE(0, pasted);
    EXPECT_EQ(6, ItemCount(pasted));
}

TEST_F(TransferTest, StoreAnnotationWritesNothingWhileSavingIsSuppressed)
{
    CurrentLayerOf(2);
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path =
        std::string(folder) + "transfer_" + std::to_string(GetCurrentProcessId()) + ".qmk";
    DeleteFileA(path.c_str());
    const std::wstring wide(path.begin(), path.end());
    Bstr file(wide.c_str());
    EXPECT_EQ(kFileWrite, control_->StoreAnnotation(file.get()));
    EXPECT_EQ(1008u, TakeErrorInfo().helpContext);
    EXPECT_FALSE(testkit::FileExists(path));
}

TEST_F(TransferTest, ElementsBuildItemsThroughTheVtableAndIDispatch)
{
    long element = 0;
    VARIANT made;
    VariantInit(&made);
    ASSERT_EQ(S_OK, CallByName(control_, L"ElementCreate", {}, &made));
    EXPECT_EQ(VT_I4, made.vt);
    EXPECT_EQ(S_OK, control_->ElementDestroy(made.lVal));
    ASSERT_EQ(S_OK, control_->ElementCreate(&element));
    ASSERT_NE(0, element);
    // No current layer: 1013 and nothing appended.
    long seq = -1;
    ASSERT_EQ(S_OK, control_->ElementSetType(element, RectangleTool));
    EXPECT_EQ(kInvalidLayer, control_->ElementAppend(element, &seq));
    EXPECT_EQ(0, seq);

    const long layer = CurrentLayerOf(0);
    ASSERT_EQ(S_OK, CallByName(control_, L"ElementSetBoundingRect",
                               {Long(element), Long(10), Long(20), Long(110), Long(220)}));
    ASSERT_EQ(S_OK, CallByName(control_, L"ElementSetPenWidth", {Long(element), Long(4)}));
    long l = 0, t = 0, r = 0, b = 0;
    ASSERT_EQ(S_OK, CallByName(control_, L"ElementGetBoundingRect",
                               {Long(element), LongRef(&l), LongRef(&t), LongRef(&r), LongRef(&b)}));
    EXPECT_EQ(10, l);
    EXPECT_EQ(220, b);
    VARIANT_BOOL flag = VARIANT_FALSE;
    ASSERT_EQ(S_OK, control_->ElementSetShowAbbr(element, VARIANT_TRUE));
    ASSERT_EQ(S_OK, control_->ElementGetShowAbbr(element, &flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    ASSERT_EQ(S_OK, control_->ElementSetVisible(element, VARIANT_FALSE));
    ASSERT_EQ(S_OK, control_->ElementGetVisible(element, &flag));
    EXPECT_EQ(VARIANT_FALSE, flag);
    long dib = 12345;
    EXPECT_EQ(S_OK, control_->ElementGetDIBHandle(element, &dib));
    EXPECT_EQ(12345, dib);

    EventRecorder recorder;
    IConnectionPointContainer* container = nullptr;
    control_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    IConnectionPoint* point = nullptr;
    container->FindConnectionPoint(DIID__IQuillmarkEvents, &point);
    DWORD cookie = 0;
    point->Advise(&recorder, &cookie);
    VARIANT result;
    VariantInit(&result);
    ASSERT_EQ(S_OK, CallByName(control_, L"ElementAppend", {Long(element)}, &result));
    point->Unadvise(cookie);
    point->Release();
    container->Release();
    EXPECT_EQ(VT_I4, result.vt);
    EXPECT_NE(0, result.lVal);
    EXPECT_EQ(1, ItemCount(layer));
    EXPECT_FALSE(recorder.fired.empty());
    EXPECT_EQ(1, recorder.fired.back());  // AnnotateEvent(1001, seq)
    long width = 0;
    ASSERT_EQ(S_OK, control_->PrgGetItemPenWidth(layer, result.lVal, &width));
    EXPECT_EQ(4, width);

    // A destroyed element is refused and leaves the caller's values alone.
    ASSERT_EQ(S_OK, control_->ElementDestroy(element));
    l = t = r = b = 77;
    EXPECT_EQ(kInvalidItem, control_->ElementGetBoundingRect(element, &l, &t, &r, &b));
    EXPECT_EQ(77, l);
    EXPECT_EQ(77, b);
    EXPECT_EQ(kInvalidItem, control_->ElementDestroy(element));
    TakeErrorInfo();
}

TEST_F(TransferTest, RetrieveAnnotationReadsTheFileAnEngineStored)
{
    // A file stored by an engine of this process, loaded as the control loads it.
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    const std::string path =
        std::string(folder) + "retrieve_" + std::to_string(GetCurrentProcessId()) + ".qmk";
    const std::wstring wide(path.begin(), path.end());
    Bstr file(wide.c_str());
    std::vector<uint8_t> stored;
    {
        HMODULE library = LoadLibraryA((testkit::ProgramFolder() + "\\inkcore7.dll").c_str());
        ASSERT_NE(nullptr, library);
        auto init = reinterpret_cast<AnnInitFn>(
            reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(kAnnInitOrdinal))));
        auto deinit = reinterpret_cast<AnnDeinitFn>(
            reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(kAnnDeinitOrdinal))));
        AnnotationEngine* engine = init(0, nullptr, 0);
        ASSERT_NE(nullptr, engine);
        VARIANT v = ByteArray(LayerRecord(L"Stored", 2));
        int layer = 0;
        ASSERT_EQ(0, engine->SetLayerFromVariant(&v, &layer));
        VariantClear(&v);
        ASSERT_EQ(0, engine->StoreAnnotation(file.get()));
        VARIANT record;
        VariantInit(&record);
        ASSERT_EQ(0, engine->GetLayerIntoVariant(&record, layer, nullptr));
        void* data = nullptr;
        SafeArrayAccessData(record.parray, &data);
        stored.assign(static_cast<uint8_t*>(data),
                      static_cast<uint8_t*>(data) + record.parray->rgsabound[0].cElements);
        SafeArrayUnaccessData(record.parray);
        VariantClear(&record);
        deinit(engine);
        FreeLibrary(library);
    }
    CurrentLayerOf(1);  // replaced by what the file holds
    EventRecorder recorder;
    IConnectionPointContainer* container = nullptr;
    control_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    IConnectionPoint* point = nullptr;
    container->FindConnectionPoint(DIID__IQuillmarkEvents, &point);
    DWORD cookie = 0;
    point->Advise(&recorder, &cookie);
    EXPECT_EQ(S_OK, CallByName(control_, L"RetrieveAnnotation", {[&] {
                                   VARIANT name;
                                   VariantInit(&name);
                                   name.vt = VT_BSTR;
                                   name.bstrVal = file.get();
                                   return name;
                               }()}));
    point->Unadvise(cookie);
    point->Release();
    container->Release();
    long count = 0;
    EXPECT_EQ(S_OK, control_->get_NumLayers(&count));
    EXPECT_EQ(1, count);
    long layer = 0;
    EXPECT_EQ(S_OK, control_->GetFirstLayer(&layer));
    VARIANT read;
    VariantInit(&read);
    long size = 0;
    ASSERT_EQ(S_OK, control_->GetLayerIntoVariant(&read, layer, &size));
    EXPECT_EQ(static_cast<long>(stored.size()), size);
    void* data = nullptr;
    SafeArrayAccessData(read.parray, &data);
    EXPECT_EQ(0, memcmp(data, stored.data(), stored.size()));
    SafeArrayUnaccessData(read.parray);
    VariantClear(&read);
    // LayerRestored (3) for the layer read.
    EXPECT_NE(recorder.fired.end(), std::find(recorder.fired.begin(), recorder.fired.end(), 3));
    DeleteFileA(path.c_str());
}

TEST_F(TransferTest, BrandAsksTheEngineWhichNeedsTheClientsImage)
{
    // No layers: nothing to burn in.
    EXPECT_EQ(S_OK, control_->Brand(1));
    CurrentLayerOf(1);
    // No client has handed over its image service.
    EXPECT_EQ(static_cast<HRESULT>(0x800403FA), control_->Brand(1));  // 1018
    EXPECT_EQ(1018u, TakeErrorInfo().helpContext);
}

// Elements and the clipboard members from the platform's script host (numbers
// only: its comparisons do not take OLE_COLOR values). Each
// failed check adds its bit to the exit code, which is 100 when all pass.
const char kElementScript[] =
    "Option Explicit\r\n"
    "Dim q, e, n, failures\r\n"
    "failures = 0\r\n"
    "Set q = CreateObject(\"MorvaneImaging.Quillmark.7\")\r\n"
    "e = q.ElementCreate()\r\n"
    "If e = 0 Then failures = failures + 1\r\n"
    "q.ElementSetPenWidth e, 9\r\n"
    "If q.ElementGetPenWidth(e) <> 9 Then failures = failures + 2\r\n"
    "q.ElementSetBackstyle e, 1\r\n"
    "If q.ElementGetBackstyle(e) <> 1 Then failures = failures + 4\r\n"
    "q.ElementSetVisible e, False\r\n"
    "If q.ElementGetVisible(e) <> False Then failures = failures + 8\r\n"
    "q.ElementAddPoint e, 5, 6\r\n"
    "q.ElementAddPoint e, 7, 8\r\n"
    "If q.ElementGetNumPoints(e) <> 2 Then failures = failures + 16\r\n"
    "q.ElementSetType e, 4098\r\n"
    "On Error Resume Next\r\n"
    "n = q.ElementAppend(e)\r\n"
    "If Err.Number <> &H800403F5 Then failures = failures + 32\r\n"
    "Err.Clear\r\n"
    "q.Cut\r\n"
    "If Err.Number <> &H800403EC Then failures = failures + 64\r\n"
    "Err.Clear\r\n"
    "q.ElementDestroy e\r\n"
    "If Err.Number <> 0 Then failures = failures + 128\r\n"
    "q.ElementSetPenWidth e, 1\r\n"
    "If Err.Number <> &H80040418 Then failures = failures + 256\r\n"
    "If Err.Source <> \"MorvaneImaging.Quillmark.7\" Then failures = failures + 512\r\n"
    "Err.Clear\r\n"
    "If q.IsPasteAvailable <> False Then failures = failures + 1024\r\n"
    "On Error GoTo 0\r\n"
    "Set q = Nothing\r\n"
    "WScript.Quit 100 + failures\r\n";

TEST(TransferScriptTest, ScriptHostBuildsElementsAndMeetsTheClipboardMembersErrors)
{
    EmptyTheClipboard();
    testkit::TempFolder folder("transfer_script");
    testkit::WriteText(folder / "elements.vbs", kElementScript);
    const int rc = testkit::RunAndWait(
        "cscript.exe //nologo \"" + (folder / "elements.vbs") + "\"", folder.path(), 120000);
    EXPECT_EQ(100, rc) << "100 + the bits of the failed checks";
}

} // namespace
