// Persistence of the control's properties: the stream form written out by
// hand, round trips through streams, storages and property bags, and
// streams that must be refused without changing anything.
#include "control_fixture.h"

#include "memory_property_bag.h"

#include <cstring>

namespace {

// One value of the stream form: its VARTYPE and the bytes after it.
struct Row {
    uint16_t vt;
    std::vector<uint8_t> data;
};

Row I4(int32_t v) { return {VT_I4, std::vector<uint8_t>(reinterpret_cast<uint8_t*>(&v), reinterpret_cast<uint8_t*>(&v) + 4)}; }
Row UI4(uint32_t v) { return {VT_UI4, std::vector<uint8_t>(reinterpret_cast<uint8_t*>(&v), reinterpret_cast<uint8_t*>(&v) + 4)}; }
Row Bool(bool v) { return {VT_BOOL, {static_cast<uint8_t>(v ? 0xFF : 0), static_cast<uint8_t>(v ? 0xFF : 0)}}; }
Row Text(const wchar_t* text) {
    Row r{VT_BSTR, {}};
    const uint32_t bytes = static_cast<uint32_t>((wcslen(text) + 1) * 2);
    Append32(r.data, bytes);
    Append(r.data, text, bytes);
    return r;
}
Row NoFont() {
    Row r{VT_DISPATCH, {}};
    Append(r.data, &CLSID_NULL, sizeof(CLSID));
    return r;
}

// The stream of a control holding chosen values, in the order of the
// persisted properties; the fonts are absent (their class id is CLSID_NULL).
std::vector<Row> GoldenRows() {
    return {
        Text(L"View1"),         // Client
        UI4(0x000000FF),        // DefaultPenColor
        UI4(0x00FFFF00),        // DefaultFillColor
        I4(3),                  // DefaultPenWidth
        UI4(0x00112233),        // DefaultTextColor
        I4(4098),               // DefaultTool
        UI4(0x00FFFFFF),        // DefaultBackColor
        NoFont(),               // DefaultTextFont
        NoFont(),               // DefaultStampFont
        Text(L"Subject line"),  // Subject
        Text(L"Author name"),   // Author
        Text(L"Some comments"), // Comments
        Text(L"A title"),       // Title
        Bool(true),             // DefaultHighlightFill
        Bool(false),            // DefaultHighlightBack
        Bool(false),            // EnableContextMenu
        I4(0),                  // InteractMode
        Bool(true),             // SaveAnnotations
        Bool(true),             // UsePaletteMenu
        Text(L"Approved"),      // DefaultStampText
        NoFont(),               // DefaultButtonFont
        Text(L"Go"),            // DefaultButtonText
        Bool(true),             // PreserveWTLayers
        Bool(false),            // RequireToolPalette
        I4(1),                  // TIFFAnnotationType
        Bool(false),            // AllowPaint
        Bool(true),             // UnicodeMode
        Bool(false),            // QMKEditors
        Bool(false),            // LoadAnnotations
        Bool(true),             // MLECompatible
        I4(1),                  // FontScaling
        Bool(false),            // TextToolArrows
        I4(150),                // RecalibrateXDPI
        I4(150),                // RecalibrateYDPI
        NoFont(),               // DefaultRulerFont
    };
}

std::vector<uint8_t> StreamForm(const std::vector<Row>& rows, uint32_t version = 0x0710,
                                uint32_t cx = 1000, uint32_t cy = 500) {
    std::vector<uint8_t> bytes;
    Append32(bytes, version);
    Append32(bytes, cx);
    Append32(bytes, cy);
    for (const Row& r : rows) {
        Append16(bytes, r.vt);
        Append(bytes, r.data.data(), r.data.size());
    }
    return bytes;
}

// The VARTYPEs of the persisted properties in their order.
const uint16_t kTypes[35] = {
    VT_BSTR, VT_UI4,  VT_UI4,  VT_I4,   VT_UI4,  VT_I4,   VT_UI4,      VT_DISPATCH, VT_DISPATCH,
    VT_BSTR, VT_BSTR, VT_BSTR, VT_BSTR, VT_BOOL, VT_BOOL, VT_BOOL,     VT_I4,       VT_BOOL,
    VT_BOOL, VT_BSTR, VT_DISPATCH, VT_BSTR, VT_BOOL, VT_BOOL, VT_I4,   VT_BOOL,     VT_BOOL,
    VT_BOOL, VT_BOOL, VT_BOOL, VT_I4,   VT_BOOL, VT_I4,   VT_I4,       VT_DISPATCH,
};

class ControlPersistenceTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        control_ = NewControl();
        ASSERT_NE(nullptr, control_);
    }
    void TearDown() override {
        if (control_) control_->Release();
        ControlTest::TearDown();
    }
    IQuillmark* control_ = nullptr;
};

TEST_F(ControlPersistenceTest, HandWrittenStreamLoadsAndSavesBackByteForByte) {
    const std::vector<uint8_t> golden = StreamForm(GoldenRows());
    ASSERT_EQ(S_OK, LoadBytes(control_, golden));
    EXPECT_EQ(golden, SavedBytes(control_));

    Bstr client;
    EXPECT_EQ(S_OK, control_->get_Client(client.out()));
    EXPECT_EQ(L"View1", client.text());
    long width = 0;
    EXPECT_EQ(S_OK, control_->get_DefaultPenWidth(&width));
    EXPECT_EQ(3, width);
    TIFFAnnType type = I4W_Compatible;
    EXPECT_EQ(S_OK, control_->get_TIFFAnnotationType(&type));
    EXPECT_EQ(QMK_Compatible, type);
    IOleObject* ole = nullptr;
    control_->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&ole));
    SIZEL extent = {};
    EXPECT_EQ(S_OK, ole->GetExtent(DVASPECT_CONTENT, &extent));
    EXPECT_EQ(1000, extent.cx);
    EXPECT_EQ(500, extent.cy);
    ole->Release();
}

// A fresh control writes the version, its 32 x 32 pixel extent in HIMETRIC
// and the 35 values with their types, fonts as standard font objects.
TEST_F(ControlPersistenceTest, FreshControlWritesVersionExtentAndEveryValueInOrder) {
    const std::vector<uint8_t> bytes = SavedBytes(control_);
    ASSERT_GE(bytes.size(), 12u);
    size_t at = 0;
    auto read = [&](size_t n) {
        std::vector<uint8_t> out;
        if (at + n <= bytes.size()) out.assign(bytes.begin() + at, bytes.begin() + at + n);
        at += n;
        return out;
    };
    auto read32 = [&]() {
        uint32_t v = 0;
        const auto b = read(4);
        if (b.size() == 4) std::memcpy(&v, b.data(), 4);
        return v;
    };
    auto read16 = [&]() {
        uint16_t v = 0;
        const auto b = read(2);
        if (b.size() == 2) std::memcpy(&v, b.data(), 2);
        return v;
    };
    EXPECT_EQ(0x0710u, read32());
    EXPECT_EQ(847u, read32()); // 32 px at 96 dpi
    EXPECT_EQ(847u, read32());
    for (int i = 0; i < 35 && at < bytes.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(kTypes[i], read16());
        switch (kTypes[i]) {
        case VT_I4:
        case VT_UI4:
            read(4);
            break;
        case VT_BOOL:
            read(2);
            break;
        case VT_BSTR: {
            const uint32_t n = read32();
            EXPECT_EQ(0u, n % 2);
            read(n);
            break;
        }
        case VT_DISPATCH: {
            CLSID clsid = {};
            const auto b = read(sizeof clsid);
            ASSERT_EQ(sizeof clsid, b.size());
            std::memcpy(&clsid, b.data(), sizeof clsid);
            ASSERT_TRUE(IsEqualCLSID(CLSID_StdFont, clsid));
            // The font's own data: version, charset, flags, weight, size, name.
            read(1 + 2 + 1 + 2 + 4);
            const auto nameLength = read(1);
            ASSERT_EQ(1u, nameLength.size());
            read(nameLength[0]);
            break;
        }
        }
    }
    EXPECT_EQ(bytes.size(), at) << "nothing after the last value";
}

TEST_F(ControlPersistenceTest, StorageAndPropertyBagCarryTheSameValues) {
    const std::vector<uint8_t> golden = StreamForm(GoldenRows());
    ASSERT_EQ(S_OK, LoadBytes(control_, golden));

    // IPersistStorage: the "Contents" stream of a compound file in memory.
    ILockBytes* lockBytes = nullptr;
    ASSERT_EQ(S_OK, CreateILockBytesOnHGlobal(nullptr, TRUE, &lockBytes));
    IStorage* storage = nullptr;
    ASSERT_EQ(S_OK, StgCreateDocfileOnILockBytes(
                        lockBytes, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                        &storage));
    IPersistStorage* saver = nullptr;
    control_->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&saver));
    ASSERT_EQ(S_OK, saver->Save(storage, FALSE));
    saver->SaveCompleted(nullptr);
    saver->Release();
    IStream* contents = nullptr;
    ASSERT_EQ(S_OK, storage->OpenStream(L"Contents", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE,
                                        0, &contents));
    EXPECT_EQ(golden, StreamBytes(contents));
    contents->Release();

    IQuillmark* fromStorage = NewControl();
    ASSERT_NE(nullptr, fromStorage);
    IPersistStorage* loader = nullptr;
    fromStorage->QueryInterface(IID_IPersistStorage, reinterpret_cast<void**>(&loader));
    EXPECT_EQ(S_OK, loader->Load(storage));
    loader->Release();
    EXPECT_EQ(golden, SavedBytes(fromStorage));
    fromStorage->Release();
    storage->Release();
    lockBytes->Release();

    // IPersistPropertyBag: by the properties' names.
    MemoryPropertyBag bag;
    IPersistPropertyBag* bagSaver = nullptr;
    control_->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&bagSaver));
    ASSERT_EQ(S_OK, bagSaver->Save(&bag, TRUE, TRUE));
    bagSaver->Release();
    EXPECT_EQ(L"View1", bag.Text(L"Client"));
    EXPECT_EQ(L"1000", bag.Text(L"_cx"));
    EXPECT_EQ(L"Approved", bag.Text(L"DefaultStampText"));
    IQuillmark* fromBag = NewControl();
    ASSERT_NE(nullptr, fromBag);
    IPersistPropertyBag* bagLoader = nullptr;
    fromBag->QueryInterface(IID_IPersistPropertyBag, reinterpret_cast<void**>(&bagLoader));
    EXPECT_EQ(S_OK, bagLoader->Load(&bag, nullptr));
    bagLoader->Release();
    EXPECT_EQ(golden, SavedBytes(fromBag));
    fromBag->Release();
}

// Fonts travel as standard font objects: a changed default font comes back.
TEST_F(ControlPersistenceTest, ChangedFontsRoundTripAtDesignTime) {
    TestSite site;
    site.userMode = false;
    ASSERT_EQ(S_OK, SetSite(control_, &site));
    IFontDisp* font = nullptr;
    ASSERT_EQ(S_OK, control_->get_DefaultStampFont(&font));
    ASSERT_NE(nullptr, font);
    IFont* f = nullptr;
    font->QueryInterface(IID_IFont, reinterpret_cast<void**>(&f));
    f->put_Italic(TRUE);
    CY size = {};
    size.int64 = 180000; // 18 pt, 24 pixels at 96 dpi
    f->put_Size(size);
    f->Release();
    font->Release();
    const std::vector<uint8_t> saved = SavedBytes(control_);
    SetSite(control_, nullptr);

    IQuillmark* other = NewControl();
    ASSERT_NE(nullptr, other);
    TestSite otherSite;
    otherSite.userMode = false;
    ASSERT_EQ(S_OK, SetSite(other, &otherSite));
    ASSERT_EQ(S_OK, LoadBytes(other, saved));
    EXPECT_EQ(saved, SavedBytes(other));
    IFontDisp* loaded = nullptr;
    ASSERT_EQ(S_OK, other->get_DefaultStampFont(&loaded));
    ASSERT_NE(nullptr, loaded);
    IFont* lf = nullptr;
    loaded->QueryInterface(IID_IFont, reinterpret_cast<void**>(&lf));
    BOOL italic = FALSE;
    lf->get_Italic(&italic);
    EXPECT_TRUE(italic);
    CY loadedSize = {};
    lf->get_Size(&loadedSize);
    EXPECT_EQ(180000, loadedSize.int64);
    lf->Release();
    loaded->Release();
    SetSite(other, nullptr);
    other->Release();
}

TEST_F(ControlPersistenceTest, LoadedControlIsCleanAndADesignTimeChangeMakesItDirty) {
    TestSite site;
    site.userMode = false;
    ASSERT_EQ(S_OK, SetSite(control_, &site));
    ASSERT_EQ(S_OK, LoadBytes(control_, StreamForm(GoldenRows())));
    IPersistStreamInit* persist = nullptr;
    control_->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist));
    EXPECT_EQ(S_FALSE, persist->IsDirty());
    EXPECT_EQ(S_OK, control_->put_DefaultPenWidth(7));
    EXPECT_EQ(S_OK, persist->IsDirty());
    persist->Release();
    SetSite(control_, nullptr);
}

// Every stream below is refused and the control keeps every value it had.
TEST_F(ControlPersistenceTest, HostileStreamsAreRefusedAndChangeNothing) {
    auto with = [](size_t index, Row row) {
        std::vector<Row> rows = GoldenRows();
        rows[index] = std::move(row);
        return StreamForm(rows);
    };
    auto textCount = [](uint32_t count, const std::vector<uint8_t>& tail) {
        Row r{VT_BSTR, {}};
        Append32(r.data, count);
        Append(r.data, tail.data(), tail.size());
        return r;
    };
    auto fontOfClass = [](const CLSID& clsid) {
        Row r{VT_DISPATCH, {}};
        Append(r.data, &clsid, sizeof clsid);
        return r;
    };
    std::vector<uint8_t> truncated = StreamForm(GoldenRows());
    truncated.resize(truncated.size() / 2);
    std::vector<uint8_t> hugeCount = StreamForm(GoldenRows());
    // The client name's count (after the 12-byte header and its VARTYPE)
    // claims 2 GB.
    std::memset(hugeCount.data() + 14, 0xFF, 3);
    hugeCount[14] = 0xFE;
    hugeCount[17] = 0x7F;

    const struct {
        const char* what;
        std::vector<uint8_t> bytes;
        bool anyFailure; // a read error rather than E_FAIL
    } cases[] = {
        {"a newer version", StreamForm(GoldenRows(), 0x0711), false},
        {"a number where the client name belongs", with(0, I4(5)), false},
        {"a string where the pen width belongs", with(3, Text(L"3")), false},
        {"a boolean stored as a number", with(13, I4(-1)), false},
        {"an odd string count", with(0, textCount(11, {'V', 0, 'i', 0, 'e', 0, 'w', 0, '1', 0, 0})),
         false},
        {"a string count of 1", with(0, textCount(1, {0})), false},
        {"a string count past the data", with(21, textCount(4000, {'G', 0, 'o', 0, 0, 0})), false},
        {"a string count of 2 GB", hugeCount, false},
        {"a string without its terminator", with(21, textCount(4, {'G', 0, 'o', 0})), false},
        {"a font of the control's own class", with(7, fontOfClass(CLSID_Quillmark)), false},
        {"a standard font without its data", with(34, fontOfClass(CLSID_StdFont)), true},
        {"an unknown object as a font", with(8, Row{VT_UNKNOWN, {}}), false},
        {"a colour of another width", with(1, Row{VT_I2, {1, 0}}), false},
        {"the stream cut in half", truncated, true},
        // Values that read well but whose put is refused, after earlier
        // puts of the same load took effect.
        {"an annotation type the control refuses", with(24, I4(-256)), false},
        {"a font scaling the control refuses", with(30, I4(5)), false},
    };
    const std::vector<uint8_t> before = SavedBytes(control_);
    ASSERT_FALSE(before.empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const HRESULT hr = LoadBytes(control_, c.bytes);
        if (c.anyFailure)
            EXPECT_TRUE(FAILED(hr));
        else
            EXPECT_EQ(E_FAIL, hr);
        EXPECT_EQ(before, SavedBytes(control_));
    }
}

// A bag whose values read well but one of whose puts is refused leaves every
// value, and the extent, as they were.
TEST_F(ControlPersistenceTest, RefusedBagLoadChangesNothing) {
    IPersistPropertyBag* persist = nullptr;
    ASSERT_EQ(S_OK, control_->QueryInterface(IID_IPersistPropertyBag,
                                              reinterpret_cast<void**>(&persist)));
    const std::vector<uint8_t> before = SavedBytes(control_);
    const struct {
        const wchar_t* name;
        LONG value;
    } refused[] = {{L"TIFFAnnotationType", -256}, {L"FontScaling", 5}};
    for (const auto& r : refused) {
        SCOPED_TRACE(testing::Message() << r.name);
        MemoryPropertyBag bag;
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = 4321;
        bag.Set(L"_cx", v);
        v.lVal = 3;
        bag.Set(L"DefaultPenWidth", v);
        v.lVal = 0x00112233;
        bag.Set(L"DefaultTextColor", v);
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(L"Someone else");
        bag.Set(L"Author", v);
        VariantClear(&v);
        v.vt = VT_I4;
        v.lVal = r.value;
        bag.Set(r.name, v);
        EXPECT_EQ(E_FAIL, persist->Load(&bag, nullptr));
        EXPECT_EQ(before, SavedBytes(control_));
    }
    persist->Release();
}

} // namespace
