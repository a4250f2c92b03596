// Persistence of the control's properties: stream form (IPersistStreamInit
// and IPersistStorage) and property bags, and loads of damaged data.
#include "sample_fixture.h"

#include "memory_property_bag.h"

#include <ocidl.h>
#include <olectl.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

enum : DISPID { kCaption = 1, kNumber = 2, kFlag = 3 };

// The stream form of a control with the given values, written by hand.
std::vector<uint8_t> StreamForm(uint32_t version, int32_t cx, int32_t cy, const wchar_t* caption,
                                int32_t number, bool flag) {
    std::vector<uint8_t> bytes;
    Append32(bytes, version);
    Append32(bytes, static_cast<uint32_t>(cx));
    Append32(bytes, static_cast<uint32_t>(cy));
    Append16(bytes, VT_BSTR);
    const uint32_t size = static_cast<uint32_t>((wcslen(caption) + 1) * 2);
    Append32(bytes, size);
    Append(bytes, caption, size);
    Append16(bytes, VT_I4);
    Append32(bytes, static_cast<uint32_t>(number));
    Append16(bytes, VT_BOOL);
    Append16(bytes, flag ? 0xFFFF : 0);
    Append16(bytes, VT_DISPATCH); // no font: its class id is CLSID_NULL
    Append(bytes, &CLSID_NULL, sizeof(CLSID));
    return bytes;
}

class PersistenceTest : public OleTest {
protected:
    void SetUp() override {
        OleTest::SetUp();
        control_ = NewControl();
        ASSERT_NE(nullptr, control_);
    }
    void TearDown() override {
        if (control_) control_->Release();
        EXPECT_EQ(S_OK, server_.CanUnloadNow()) << "an object of the server outlived the test";
        OleTest::TearDown();
    }

    IDispatch* NewControl() {
        IDispatch* control = nullptr;
        server_.Create(IID_IDispatch, reinterpret_cast<void**>(&control));
        return control;
    }

    void SetValues(IDispatch* control, const wchar_t* caption, LONG number, bool flag,
                   SIZEL extent) {
        VARIANT text = TextArg(caption);
        ASSERT_EQ(S_OK, PutProperty(control, kCaption, text));
        VariantClear(&text);
        ASSERT_EQ(S_OK, PutProperty(control, kNumber, IntArg(number)));
        ASSERT_EQ(S_OK, PutProperty(control, kFlag, BoolArg(flag)));
        IOleObject* ole = nullptr;
        control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
        ASSERT_EQ(S_OK, ole->SetExtent(DVASPECT_CONTENT, &extent));
        ole->Release();
    }

    static SIZEL ExtentOf(IDispatch* control) {
        IOleObject* ole = nullptr;
        SIZEL extent = {-1, -1};
        control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
        ole->GetExtent(DVASPECT_CONTENT, &extent);
        ole->Release();
        return extent;
    }

    static bool Flag(IDispatch* control) {
        VARIANT v;
        return SUCCEEDED(GetProperty(control, kFlag, &v)) && v.vt == VT_BOOL && v.boolVal;
    }

    HRESULT LoadBytes(IDispatch* control, const std::vector<uint8_t>& bytes) {
        IPersistStreamInit* persist = nullptr;
        control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
        IStream* stream = StreamOf(bytes);
        HRESULT hr = persist->Load(stream);
        stream->Release();
        persist->Release();
        return hr;
    }

    IDispatch* control_ = nullptr;
};

TEST_F(PersistenceTest, StreamFormIsTheVersionTheExtentAndThePropertiesInOrder) {
    SetValues(control_, L"Héllo", 42, true, {1234, 567});
    IPersistStreamInit* persist = nullptr;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IPersistStreamInit,
                                             reinterpret_cast<void**>(&persist)));
    EXPECT_EQ(S_OK, persist->IsDirty());
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &stream));
    ASSERT_EQ(S_OK, persist->Save(stream, TRUE));
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    EXPECT_EQ(StreamForm(0x0100, 1234, 567, L"Héllo", 42, true), StreamBytes(stream));
    ULARGE_INTEGER size = {};
    EXPECT_EQ(S_OK, persist->GetSizeMax(&size));
    EXPECT_EQ(StreamBytes(stream).size(), size.QuadPart);
    persist->Release();

    IDispatch* copy = NewControl();
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    IPersistStreamInit* loader = nullptr;
    copy->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&loader));
    ASSERT_EQ(S_OK, loader->Load(stream));
    EXPECT_EQ(S_FALSE, loader->IsDirty());
    loader->Release();
    stream->Release();
    EXPECT_EQ(L"Héllo", GetCaption(copy));
    EXPECT_EQ(42, GetNumber(copy));
    EXPECT_TRUE(Flag(copy));
    EXPECT_EQ(1234, ExtentOf(copy).cx);
    EXPECT_EQ(567, ExtentOf(copy).cy);
    copy->Release();
}

TEST_F(PersistenceTest, NullCaptionIsStoredWithCountZeroAndComesBackNull) {
    std::vector<uint8_t> bytes;
    Append32(bytes, 0x0100);
    Append32(bytes, 10);
    Append32(bytes, 20);
    Append16(bytes, VT_BSTR);
    Append32(bytes, 0);
    Append16(bytes, VT_I4);
    Append32(bytes, 3);
    Append16(bytes, VT_BOOL);
    Append16(bytes, 0);
    Append16(bytes, VT_DISPATCH);
    Append(bytes, &CLSID_NULL, sizeof(CLSID));
    ASSERT_EQ(S_OK, LoadBytes(control_, bytes));
    EXPECT_EQ(L"", GetCaption(control_));
    EXPECT_EQ(3, GetNumber(control_));
}

// Every shorter prefix of a good stream fails to load, cleanly.
TEST_F(PersistenceTest, TruncatedStreamsFailToLoad) {
    const std::vector<uint8_t> good = StreamForm(0x0100, 100, 200, L"abc", 7, true);
    for (size_t size = 0; size < good.size(); ++size) {
        IDispatch* control = NewControl();
        EXPECT_TRUE(FAILED(LoadBytes(
            control, std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(size)))))
            << "prefix of " << size << " bytes";
        control->Release();
    }
    EXPECT_EQ(S_OK, LoadBytes(control_, good));
}

TEST_F(PersistenceTest, DamagedStreamsAreRefused) {
    const std::vector<uint8_t> good = StreamForm(0x0100, 100, 200, L"abc", 7, true);
    const size_t captionCount = 12 + 2; // after the header and the VARTYPE
    const size_t numberType = captionCount + 4 + 8;
    const size_t numberValue = numberType + 2;
    const size_t fontClass = numberValue + 4 + 4 + 2;
    auto withFontClass = [&](const CLSID& clsid) {
        std::vector<uint8_t> bytes(good.begin(), good.begin() + static_cast<long>(fontClass));
        Append(bytes, &clsid, sizeof clsid);
        return bytes; // the null font had no data after its class id
    };
    auto with32 = [&](size_t at, uint32_t v) {
        std::vector<uint8_t> bytes = good;
        std::memcpy(&bytes[at], &v, 4);
        return bytes;
    };
    auto with16 = [&](size_t at, uint16_t v) {
        std::vector<uint8_t> bytes = good;
        std::memcpy(&bytes[at], &v, 2);
        return bytes;
    };
    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"newer version", with32(0, 0x0101)},
        {"odd string size", with32(captionCount, 7)},
        {"string size 1", with32(captionCount, 1)},
        {"string longer than the stream", with32(captionCount, 1000)},
        {"huge string size", with32(captionCount, 0xFFFFFFF0u)},
        {"string without its NUL", with32(captionCount, 6)},
        {"wrong VARTYPE", with16(numberType, VT_BSTR)},
        {"value the put refuses", with32(numberValue, static_cast<uint32_t>(-5))},
        {"negative extent", with32(4, 0x80000000u)},
        {"object of a class other than the font", withFontClass(CLSID_SampleControl)},
        {"font class without its data", withFontClass(CLSID_StdFont)},
    };
    for (const auto& c : cases) {
        IDispatch* control = NewControl();
        EXPECT_TRUE(FAILED(LoadBytes(control, c.bytes))) << c.what;
        control->Release();
    }
    EXPECT_EQ(E_FAIL, LoadBytes(control_, with32(0, 0x0101)));
    EXPECT_EQ(E_FAIL, LoadBytes(control_, with32(numberValue, static_cast<uint32_t>(-5))));
}

TEST_F(PersistenceTest, FontPropertyTravelsAsTheFontsOwnStreamData) {
    FONTDESC desc = {sizeof(FONTDESC), const_cast<LPOLESTR>(L"Courier New"), {{120000, 0}},
                     FW_BOLD, ANSI_CHARSET, TRUE, FALSE, FALSE};
    IFontDisp* font = nullptr;
    ASSERT_EQ(S_OK, OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font)));
    ISampleControl* dual = nullptr;
    control_->QueryInterface(IID_ISampleControl, reinterpret_cast<void**>(&dual));
    ASSERT_EQ(S_OK, dual->putref_Font(font));
    dual->Release();
    font->Release();

    IPersistStreamInit* persist = nullptr;
    control_->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
    IStream* stream = nullptr;
    CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    ASSERT_EQ(S_OK, persist->Save(stream, TRUE));
    persist->Release();

    IDispatch* copy = NewControl();
    LARGE_INTEGER zero = {};
    stream->Seek(zero, STREAM_SEEK_SET, nullptr);
    copy->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
    ASSERT_EQ(S_OK, persist->Load(stream));
    persist->Release();
    stream->Release();

    copy->QueryInterface(IID_ISampleControl, reinterpret_cast<void**>(&dual));
    IFontDisp* loaded = nullptr;
    ASSERT_EQ(S_OK, dual->get_Font(&loaded));
    dual->Release();
    copy->Release();
    ASSERT_NE(nullptr, loaded);
    IFont* face = nullptr;
    ASSERT_EQ(S_OK, loaded->QueryInterface(IID_IFont, reinterpret_cast<void**>(&face)));
    Bstr name;
    face->get_Name(name.out());
    CY size = {};
    face->get_Size(&size);
    BOOL bold = FALSE, italic = FALSE;
    face->get_Bold(&bold);
    face->get_Italic(&italic);
    face->Release();
    loaded->Release();
    EXPECT_EQ(L"Courier New", name.text());
    EXPECT_EQ(120000, size.int64);
    EXPECT_TRUE(bold);
    EXPECT_TRUE(italic);
}

TEST_F(PersistenceTest, PropertyBagRoundTripUsesTheNames) {
    SetValues(control_, L"bagged", 9, true, {300, 400});
    IPersistPropertyBag* persist = nullptr;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IPersistPropertyBag,
                                             reinterpret_cast<void**>(&persist)));
    MemoryPropertyBag bag;
    ASSERT_EQ(S_OK, persist->Save(&bag, TRUE, TRUE));
    persist->Release();
    const struct {
        const wchar_t* name;
        const wchar_t* text;
    } expected[] = {{L"_cx", L"300"}, {L"_cy", L"400"}, {L"Caption", L"bagged"},
                    {L"Number", L"9"}, {L"Flag", L"-1"}};
    for (const auto& e : expected) EXPECT_EQ(e.text, bag.Text(e.name));

    IDispatch* copy = NewControl();
    copy->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist));
    ASSERT_EQ(S_OK, persist->Load(&bag, nullptr));
    persist->Release();
    EXPECT_EQ(L"bagged", GetCaption(copy));
    EXPECT_EQ(9, GetNumber(copy));
    EXPECT_TRUE(Flag(copy));
    EXPECT_EQ(300, ExtentOf(copy).cx);
    copy->Release();
    EXPECT_EQ(0u, bag.refs);
}

TEST_F(PersistenceTest, PropertyBagLoadKeepsDefaultsForMissingNamesAndFailsOnBadValues) {
    SetValues(control_, L"before", 5, false, {100, 100});
    IPersistPropertyBag* persist = nullptr;
    control_->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&persist));
    MemoryPropertyBag bag;
    VARIANT number = TextArg(L"77"); // stored as text by the container
    bag.Set(L"Number", number);
    VariantClear(&number);
    ASSERT_EQ(S_OK, persist->Load(&bag, nullptr));
    EXPECT_EQ(77, GetNumber(control_));
    EXPECT_EQ(L"before", GetCaption(control_));
    EXPECT_EQ(100, ExtentOf(control_).cx);

    bag.Set(L"Number", IntArg(-3)); // the put refuses negative numbers
    EXPECT_EQ(E_FAIL, persist->Load(&bag, nullptr));
    VARIANT junk = TextArg(L"not a number");
    bag.Set(L"Number", junk);
    VariantClear(&junk);
    EXPECT_EQ(E_FAIL, persist->Load(&bag, nullptr));
    EXPECT_EQ(77, GetNumber(control_));
    persist->Release();
}

TEST_F(PersistenceTest, StorageKeepsTheStreamFormInContents) {
    SetValues(control_, L"stored", 11, true, {50, 60});
    ILockBytes* bytes = nullptr;
    ASSERT_EQ(S_OK, CreateILockBytesOnHGlobal(nullptr, TRUE, &bytes));
    IStorage* storage = nullptr;
    ASSERT_EQ(S_OK, StgCreateDocfileOnILockBytes(
                        bytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &storage));
    IPersistStorage* persist = nullptr;
    ASSERT_EQ(S_OK,
              control_->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&persist)));
    ASSERT_EQ(S_OK, persist->Save(storage, FALSE));
    EXPECT_EQ(S_OK, persist->SaveCompleted(nullptr));
    persist->Release();

    IStream* contents = nullptr;
    ASSERT_EQ(S_OK, storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                        0, &contents));
    EXPECT_EQ(StreamForm(0x0100, 50, 60, L"stored", 11, true), StreamBytes(contents));
    contents->Release();

    IDispatch* copy = NewControl();
    copy->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&persist));
    ASSERT_EQ(S_OK, persist->Load(storage));
    persist->Release();
    EXPECT_EQ(L"stored", GetCaption(copy));
    EXPECT_EQ(11, GetNumber(copy));
    copy->Release();
    storage->Release();
    bytes->Release();
}

} // namespace
