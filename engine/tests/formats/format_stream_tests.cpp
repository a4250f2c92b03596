// The annotation stream and the layer record through the DLL as the host
// loads it: the bytes written, compared with records written out by hand;
// what a stream's settings do to the loading engine; the password request
// and the events of a load.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "engine_test_host.h"
#include "format_test_support.h"
#include "golden_records.h"

using namespace engine_test;
using namespace formats_test;

namespace {

Bytes StreamOf(AnnotationEngine* engine, int* count = nullptr)
{
    VARIANT v;
    VariantInit(&v);
    int bytes = -1;
    EXPECT_EQ(engine->GetAnnIntoVariant(&v, &bytes), 0);
    Bytes result = ArrayBytes(v);
    VariantClear(&v);
    if (count)
        *count = bytes;
    return result;
}

Bytes LayerBytesOf(AnnotationEngine* engine, int layer)
{
    VARIANT v;
    VariantInit(&v);
    int size = -1;
    EXPECT_EQ(engine->GetLayerIntoVariant(&v, layer, &size), 0);
    Bytes result = ArrayBytes(v);
    VariantClear(&v);
    EXPECT_EQ(static_cast<size_t>(size), result.size()) << "the array holds exactly the record";
    return result;
}

Bytes Joined(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A header with only the given records before the layer count.
Bytes Header(const Hand& records, uint32_t layerCount, uint32_t magic = 36871)
{
    Hand h;
    h.D(magic).Raw(records.bytes()).R(36761, layerCount).D(36759);
    return h.bytes();
}

std::wstring PropertyText(AnnotationEngine* engine, int code)
{
    EngineValue value = 0;
    EXPECT_EQ(engine->GetProperty(code, &value), 0);
    BSTR text = reinterpret_cast<BSTR>(value);
    std::wstring result = text ? std::wstring(text, SysStringLen(text)) : L"(null)";
    SysFreeString(text);
    return result;
}

int PropertyNumber(AnnotationEngine* engine, int code)
{
    EngineValue value = 0;
    EXPECT_EQ(engine->GetProperty(code, &value), 0);
    return static_cast<int>(value);
}

TEST(AnnotationStreamBytes, AFreshEngineWritesItsSettingsAndNoLayer)
{
    EngineLibrary library;
    TestHost host(library);
    int count = 0;
    const Bytes stream = StreamOf(host.Engine(), &count);
    EXPECT_EQ(stream, FreshStreamHeader(0));
    EXPECT_EQ(static_cast<size_t>(count), stream.size());

    // The memory block needs layers; the caller's stream gets the same bytes.
    void* block = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(host->SaveAnnotationsToMemory(&block), 0);
    EXPECT_EQ(block, reinterpret_cast<void*>(0x1234));

    IStream* out = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &out), S_OK);
    EXPECT_EQ(host->SaveToStream(out), 0);
    HGLOBAL memory = nullptr;
    GetHGlobalFromStream(out, &memory);
    STATSTG stat = {};
    out->Stat(&stat, STATFLAG_NONAME);
    const uint8_t* bytes = static_cast<const uint8_t*>(GlobalLock(memory));
    EXPECT_EQ(Bytes(bytes, bytes + stat.cbSize.LowPart), stream);
    GlobalUnlock(memory);
    out->Release();
    EXPECT_EQ(host->SaveToStream(nullptr), QMK_ErrStorageStream);
}

TEST(AnnotationStreamBytes, LayersAreWrittenByteForByte)
{
    EngineLibrary library;
    TestHost host(library);
    const int layer = host->CreateLayer(1);
    EXPECT_EQ(LayerBytesOf(host.Engine(), layer), kEmptyLayer);
    EXPECT_EQ(StreamOf(host.Engine()), Joined({FreshStreamHeader(1), kEmptyLayer}));

    BSTR password = SysAllocString(L"secret");
    ASSERT_EQ(host->SetLayerPassword(layer, password), 0);
    SysFreeString(password);
    EXPECT_EQ(LayerBytesOf(host.Engine(), layer), kEmptyLayerSecret);

    void* block = nullptr;
    const int size = host->SaveAnnotationsToMemory(&block);
    const Bytes expected = Joined({FreshStreamHeader(1), kEmptyLayerSecret});
    ASSERT_EQ(static_cast<size_t>(size), expected.size());
    EXPECT_EQ(Bytes(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + size), expected);
    CoTaskMemFree(block);

    // With saving off the memory block stays empty; the byte array does not.
    host->SetSaveAnnotations(0);
    block = nullptr;
    EXPECT_EQ(host->SaveAnnotationsToMemory(&block), 0);
    EXPECT_EQ(block, nullptr);
    EXPECT_EQ(StreamOf(host.Engine()), expected);
}

TEST(AnnotationStreamBytes, ARectangleAndAGroupSectionReadBackAndWriteTheSameBytes)
{
    EngineLibrary library;
    TestHost host(library);
    const int layer = AddRecordLayer(host.Engine(), kRectangleLayer);
    ASSERT_NE(layer, 0);
    EXPECT_EQ(LayerBytesOf(host.Engine(), layer), kRectangleLayer);

    RECT bounds = {};
    ASSERT_EQ(host->PrgGetItemAttribute(layer, 1, QMK_BoundingRect,
                                        reinterpret_cast<EngineValue*>(&bounds)), 0);
    EXPECT_EQ(bounds.left, 0x00010000);
    EXPECT_EQ(bounds.bottom, 0x00400000);
    VARIANT created;
    VariantInit(&created);
    ASSERT_EQ(host->PrgGetItemAttribute(layer, 1, QMK_CreateTime,
                                        reinterpret_cast<EngineValue*>(&created)), 0);
    EXPECT_EQ(created.vt, VT_DATE);
    EXPECT_NEAR(created.date, 25569.0 + 22968.0 / 86400.0, 1e-7);  // 06:22:48 on 1 January 1970

    // Two rectangles and the two groups of kGroupSection.
    Hand body;
    body.D(36762).R(21, 1).R(513, 0).R(1800, 3).R(36751, 2).R(36752, 0).R(36753, 2).R(36766, 2);
    body.D(36763).Raw(kGroupSection);
    const RECT r = {0x10000, 0x10000, 0x20000, 0x20000};
    body.Raw(ItemRecord(RectangleTool, 1, r)).Raw(ItemRecord(RectangleTool, 2, r));
    Hand record;
    record.D(36754).D(36752).D(0).D(0).D(static_cast<uint32_t>(body.Size())).Str(L"Grouped");
    record.Raw(body.bytes()).D(36755);
    const int grouped = AddRecordLayer(host.Engine(), record.bytes());
    ASSERT_NE(grouped, 0);
    const Bytes saved = LayerBytesOf(host.Engine(), grouped);
    // The section comes back whole after the head, the name and the properties.
    const size_t at = 20 + 4 + 16 + 64;
    ASSERT_GE(saved.size(), at + kGroupSection.size());
    EXPECT_EQ(Bytes(saved.begin() + at, saved.begin() + at + kGroupSection.size()), kGroupSection);
}

TEST(AnnotationStreamBytes, TheBodyCarriesTheLastSequenceNumber)
{
    EngineLibrary library;
    TestHost host(library);
    const RECT r = {0x10000, 0x10000, 0x20000, 0x20000};
    const int layer = AddRecordLayer(
        host.Engine(), LayerRecord(L"n", {ItemRecord(RectangleTool, 4, r), ItemRecord(EllipseTool, 9, r)}));
    ASSERT_EQ(host->PrgDeleteItem(layer, 9), 0);
    const Bytes saved = LayerBytesOf(host.Engine(), layer);
    // Head, name "n" (8 bytes), body start, then 21, 513 and 1800 before 36751:
    // 9, the last number given, though the item that had it is gone.
    const size_t at = 20 + 8 + 4 + 3 * 8;
    EXPECT_EQ(Bytes(saved.begin() + at, saved.begin() + at + 8),
              (Bytes{0x8F, 0x8F, 0, 0, 0x09, 0, 0, 0}));
}

TEST(AnnotationStreamBytes, BytesAfterTheLastRecordAreIgnored)
{
    // Blocks and arrays of other writers may run on past the saved bytes.
    EngineLibrary library;
    TestHost host(library);
    const Bytes junk(37, 0xCD);
    const Bytes stream = Joined({FreshStreamHeader(1), kRectangleLayer, junk});
    ASSERT_EQ(LoadStream(host.Engine(), stream), 0);
    VARIANT v;
    MakeByteArray(stream, &v);
    ASSERT_EQ(host->SetAnnFromVariant(&v, nullptr, nullptr), 0);
    VariantClear(&v);
    EXPECT_EQ(host->GetLayerCount(), 1);
    MakeByteArray(Joined({kRectangleLayer, junk}), &v);
    int layer = 0;
    ASSERT_EQ(host->SetLayerFromVariant(&v, &layer), 0);
    VariantClear(&v);
    EXPECT_EQ(LayerBytesOf(host.Engine(), layer), kRectangleLayer);
}

TEST(AnnotationStreamSettings, AStreamRestoresTheEngineSettingsItCarries)
{
    EngineLibrary library;
    TestHost host(library);
    Hand records;
    records.D(768).Str(L"An Author").D(771).Str(L"A Title");
    records.R(896, 2550).R(897, 3300);
    records.D(2086).Str(L"millimetres");
    records.D(4128).Str(L"PAID");
    records.D(40961).Font(-20, "Arial");
    records.R(137, 0).R(4225, 4098).R(36760, 9);
    ASSERT_EQ(LoadStream(host.Engine(), Header(records, 0)), 0);

    EXPECT_EQ(PropertyText(host.Engine(), QMK_SummaryAuthor), L"An Author");
    EXPECT_EQ(PropertyText(host.Engine(), QMK_SummaryTitle), L"A Title");
    EXPECT_EQ(PropertyText(host.Engine(), QMK_SummaryComments), L"") << "absent: left as it was";
    EXPECT_EQ(PropertyText(host.Engine(), QMK_UnitNameMillimeters), L"millimetres");
    EXPECT_EQ(PropertyText(host.Engine(), QMK_DefaultStampText), L"PAID");
    int width = 0, height = 0;
    host->PrgGetImageMappingDimensions(&width, &height);
    EXPECT_EQ(width, 2550);
    EXPECT_EQ(height, 3300);
    LOGFONTA font = {};
    ASSERT_EQ(host->GetProperty(QMK_DefaultTextFont, reinterpret_cast<EngineValue*>(&font)), 0);
    EXPECT_EQ(font.lfHeight, -20);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(PropertyNumber(host.Engine(), QMK_QMKEditors), 0);
    EXPECT_EQ(PropertyNumber(host.Engine(), QMK_DefaultTool), 4098);
    EXPECT_EQ(PropertyNumber(host.Engine(), QMK_StreamSetting36760), 9);

    // A string record without a string empties the engine's text, and so
    // does a stream without the record (the writer leaves empty texts out).
    Hand cleared;
    cleared.D(768).D(0);
    ASSERT_EQ(LoadStream(host.Engine(), Header(cleared, 0)), 0);
    EXPECT_EQ(PropertyText(host.Engine(), QMK_SummaryAuthor), L"");
    EXPECT_EQ(PropertyText(host.Engine(), QMK_SummaryTitle), L"");

    // The older magic reads the same; a font face without its NUL gets one.
    Hand longFace;
    longFace.D(40960).Font(12, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    Bytes older = Header(longFace, 0, 36758);
    ASSERT_EQ(LoadStream(host.Engine(), older), 0);
    ASSERT_EQ(host->GetProperty(QMK_DefaultStampFont, reinterpret_cast<EngineValue*>(&font)), 0);
    EXPECT_EQ(font.lfHeight, 12);
    EXPECT_EQ(std::strlen(font.lfFaceName), 31u);
}

TEST(AnnotationStreamSettings, Code2092AmongTheUnitTextsIsADword)
{
    // 2092 sits between the unit texts but carries a dword. Its values here
    // would each swallow the records after it if it were read as a text: 12
    // is a byte count that ends inside the next string, 0 an empty string
    // that leaves 2093's code to be read as a value.
    for (uint32_t value : {12u, 0u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(value);
        EngineLibrary library;
        TestHost host(library);
        Hand records;
        records.D(2091).Str(L"kilometres");
        records.R(2092, value);
        records.D(2093).Str(L"px");
        records.D(2094).Str(L"tw");
        records.R(4225, 4098);
        ASSERT_EQ(LoadStream(host.Engine(), Joined({Header(records, 1), kEmptyLayer})), 0);
        EXPECT_EQ(PropertyText(host.Engine(), QMK_UnitNameKilometers), L"kilometres");
        EXPECT_EQ(PropertyText(host.Engine(), QMK_UnitNamePixels), L"px");
        EXPECT_EQ(PropertyText(host.Engine(), QMK_UnitNameTwips), L"tw");
        EXPECT_EQ(PropertyNumber(host.Engine(), QMK_DefaultTool), 4098);
        EXPECT_EQ(host->GetLayerCount(), 1);
        EngineValue unused = 0;
        EXPECT_EQ(host->GetProperty(2092, &unused), QMK_ErrInvalidAttribute) << "no such setting";
    }
}

TEST(AnnotationStreamSettings, LoadingLeavesTheToolsSavingAndInteractiveModeAlone)
{
    EngineLibrary library;
    TestHost host(library);
    const int layer = host->CreateLayer(1);
    Hand records;
    records.R(130, 1).R(132, 0).R(133, 0);
    records.R(4097, 0x123456).R(4101, 9).R(4099, 0x00FF00);
    ASSERT_EQ(LoadStream(host.Engine(), Header(records, 0)), 0);

    EXPECT_EQ(PropertyNumber(host.Engine(), QMK_DefaultPenColor), 0x123456);
    EXPECT_EQ(PropertyNumber(host.Engine(), QMK_DefaultPenWidth), 9);
    struct ToolValue {
        int tool, attribute, value;
    };
    // The tools keep their own defaults, in the engine and in the current layer.
    const ToolValue kept[] = {
        {StampTool, QMK_PenColor, 0xFF00FF}, {RectangleTool, QMK_PenColor, 0xFF0000},
        {ButtonTool, QMK_PenWidth, 4},       {StampTool, QMK_BackColor, 0xC00000},
        {RectangleTool, QMK_PenWidth, 1},
    };
    for (const ToolValue& k : kept) {
        EngineValue value = 0;
        ASSERT_EQ(host->GetToolDefaultAttribute(k.tool, k.attribute, &value), 0);
        EXPECT_EQ(static_cast<int>(value), k.value) << k.tool << " " << k.attribute;
        ASSERT_EQ(host->GetToolAttribute(layer, k.tool, k.attribute, &value), 0);
        EXPECT_EQ(static_cast<int>(value), k.value) << k.tool << " " << k.attribute;
    }
    EXPECT_EQ(PropertyNumber(host.Engine(), QMK_InteractMode), 0);
    EXPECT_EQ(host->GetSaveAnnotations(), 1);
    EXPECT_EQ(PropertyNumber(host.Engine(), QMK_UsePaletteMenu), 0) << "palette menus do follow";
}

TEST(AnnotationStreamLoad, LayersComeInOrderEachCurrentInTurnWithTheirItemsAnnounced)
{
    EngineLibrary library;
    TestHost source(library);
    const RECT r = {0x10000, 0x10000, 0x20000, 0x20000};
    AddRecordLayer(source.Engine(), LayerRecord(L"first", {ItemRecord(RectangleTool, 3, r)}));
    const int second = AddRecordLayer(
        source.Engine(), LayerRecord(L"second", {ItemRecord(EllipseTool, 1, r), ItemRecord(RectangleTool, 2, r)}));
    BSTR password = SysAllocString(L"two");
    source->SetLayerPassword(second, password);
    SysFreeString(password);
    const Bytes stream = StreamOf(source.Engine());

    TestHost target(library);
    PasswordDesk& desk = AnswerPasswords(target);
    desk.answers[L"second"] = L"two";
    target.ClearCalls();
    ASSERT_EQ(LoadStream(target.Engine(), stream), 0);
    const int newest = target->GetFirstLayer();
    const int oldest = target->GetNextLayer();
    ASSERT_NE(oldest, 0);
    EXPECT_EQ(target->GetCurrentLayer(), newest);
    EXPECT_EQ(desk.asked, (std::vector<std::wstring>{L"second"}));
    const std::vector<ChannelCall> expected = {
        {Channel_AnnotateEvent, {QMK_ToolChange, NoTool}},
        {Channel_CurrentLayerChange, {oldest}},
        {Channel_AnnotateEvent, {QMK_AnnotationAdded, 3}},
        {Channel_AnnotateEvent, {QMK_ToolChange, PointerTool}},
        {Channel_AnnotateEvent, {QMK_ToolChange, NoTool}},
        {Channel_CurrentLayerChange, {newest}},
        {Channel_AnnotateEvent, {QMK_AnnotationAdded, 1}},
        {Channel_AnnotateEvent, {QMK_AnnotationAdded, 2}},
        {Channel_AnnotateEvent, {QMK_ToolChange, PointerTool}},
    };
    EXPECT_EQ(target.Calls(), expected) << Describe(target.Calls());
    int tool = 0;
    target->GetTool(newest, &tool);
    EXPECT_EQ(tool, PointerTool);
}

// A host that, told of the first loaded item, deletes the last one and adds
// an item of its own: the layer keeps its count, and the host hears of its
// own item but never of the one that went.
struct ReplacingHost {
    AnnotationEngine* engine = nullptr;
    int layer = 0;
    bool acted = false;
    std::vector<int> heard;
};
ReplacingHost* g_replacing = nullptr;

int __stdcall ReplaceOnAdded(HostCookie, int code, int seq)
{
    ReplacingHost& host = *g_replacing;
    if (code != QMK_AnnotationAdded)
        return 0;
    host.heard.push_back(seq);
    if (host.acted)
        return 0;
    host.acted = true;
    host.layer = host.engine->GetCurrentLayer();
    host.engine->PrgDeleteItem(host.layer, 3);
    int element = 0;
    host.engine->ElementCreate(&element);
    host.engine->ElementSetAttribute(element, QMK_ElementType, RectangleTool);
    RECT box = {10, 10, 40, 40};
    host.engine->ElementSetAttribute(element, QMK_BoundingRect, reinterpret_cast<EngineValue>(&box));
    int added = 0;
    host.engine->ElementAppend(host.layer, element, &added);
    host.engine->ElementDestroy(element);
    return 0;
}

TEST(AnnotationStreamLoad, AHostReplacingAnItemWhenToldOfTheFirstHearsNothingOfTheOneThatWent)
{
    EngineLibrary library;
    TestHost source(library);
    const RECT r = {0x10000, 0x10000, 0x20000, 0x20000};
    AddRecordLayer(source.Engine(), LayerRecord(L"three", {ItemRecord(RectangleTool, 1, r),
                                                            ItemRecord(RectangleTool, 2, r),
                                                            ItemRecord(RectangleTool, 3, r)}));
    const Bytes stream = StreamOf(source.Engine());

    TestHost target(library);
    ReplacingHost replacing;
    replacing.engine = target.Engine();
    g_replacing = &replacing;
    target->RegisterCallback(Channel_AnnotateEvent, reinterpret_cast<void*>(&ReplaceOnAdded));
    ASSERT_EQ(LoadStream(target.Engine(), stream), 0);
    g_replacing = nullptr;
    ASSERT_TRUE(replacing.acted);
    int count = 0;
    target->PrgGetItemCount(replacing.layer, &count);
    EXPECT_EQ(count, 3);
    // 1, then the host's own item (4) from inside that report, then 2; not 3.
    EXPECT_EQ(replacing.heard, (std::vector<int>{1, 4, 2}));
}

TEST(AnnotationStreamLoad, ALayerWithoutItsPasswordIsLeftOutAndTheOthersLoad)
{
    EngineLibrary library;
    TestHost source(library);
    const RECT r = {0x10000, 0x10000, 0x20000, 0x20000};
    AddRecordLayer(source.Engine(), LayerRecord(L"one", {ItemRecord(RectangleTool, 1, r)}));
    const int locked = AddRecordLayer(source.Engine(), LayerRecord(L"two", {ItemRecord(RectangleTool, 1, r)}));
    AddRecordLayer(source.Engine(), LayerRecord(L"three", {ItemRecord(EllipseTool, 1, r)}));
    BSTR password = SysAllocString(L"key");
    source->SetLayerPassword(locked, password);
    SysFreeString(password);
    const Bytes stream = StreamOf(source.Engine());

    for (const wchar_t* answer : {L"", L"wrong", L"KEY"}) {
        TestHost target(library);
        PasswordDesk& desk = AnswerPasswords(target);
        if (*answer)
            desk.answers[L"two"] = answer;
        ASSERT_EQ(LoadStream(target.Engine(), stream), 0);
        ASSERT_EQ(target->GetLayerCount(), 2);
        BSTR name = nullptr;
        target->GetLayerProperty(target->GetFirstLayer(), QMK_LayerName,
                                 reinterpret_cast<EngineValue*>(&name));
        EXPECT_STREQ(name, L"three");
        SysFreeString(name);
        target->GetLayerProperty(target->GetNextLayer(), QMK_LayerName,
                                 reinterpret_cast<EngineValue*>(&name));
        EXPECT_STREQ(name, L"one");
        SysFreeString(name);
        EXPECT_EQ(target->GetCurrentLayer(), target->GetFirstLayer());
    }
}

TEST(LayerVariant, AScrambledLayerAsksByNameAndAWrongPasswordAddsNoLayer)
{
    EngineLibrary library;
    TestHost host(library);
    PasswordDesk& desk = AnswerPasswords(host);
    Bytes record = kEmptyLayerSecret;
    // The head's name is in plain text: give the record one ("Top").
    Hand named;
    named.Raw(Bytes(record.begin(), record.begin() + 20)).Str(L"Top");
    named.Raw(Bytes(record.begin() + 26, record.end()));
    record = named.bytes();

    const int before = host->GetLayerCount();
    VARIANT v;
    MakeByteArray(record, &v);
    int layer = -1;
    desk.answers[L"Top"] = L"Secret";
    EXPECT_EQ(host->SetLayerFromVariant(&v, &layer), QMK_ErrInvalidPassword);
    EXPECT_EQ(layer, 0);
    EXPECT_EQ(host->GetLayerCount(), before);
    EXPECT_EQ(desk.asked, (std::vector<std::wstring>{L"Top"}));

    desk.answers[L"Top"] = L"secret";
    ASSERT_EQ(host->SetLayerFromVariant(&v, &layer), 0);
    VariantClear(&v);
    ASSERT_NE(layer, 0);
    EXPECT_EQ(host->GetLayerCount(), before + 1);
    EXPECT_EQ(host->GetFirstLayer(), layer) << "in front";
    EXPECT_EQ(host->GetCurrentLayer(), 0) << "not made current";
    BSTR password = nullptr;
    host->GetLayerPassword(layer, &password);
    EXPECT_STREQ(password, L"secret") << "kept, so that it saves scrambled again";
    SysFreeString(password);
    EXPECT_EQ(LayerBytesOf(host.Engine(), layer), record);
}

TEST(LayerVariant, RefusesWhatIsNotAByteArray)
{
    EngineLibrary library;
    TestHost host(library);
    const int layer = host->CreateLayer(1);
    int made = -1;
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(host->SetLayerFromVariant(&v, &made), QMK_ErrInvalidVariant);
    EXPECT_EQ(made, 0);
    EXPECT_EQ(host->SetLayerFromVariant(nullptr, &made), QMK_ErrInvalidVariant);
    v.vt = VT_I4;
    v.lVal = 5;
    EXPECT_EQ(host->SetLayerFromVariant(&v, &made), QMK_ErrInvalidVariant);
    EXPECT_EQ(host->SetAnnFromVariant(&v, nullptr, nullptr), QMK_ErrInvalidVariant);
    MakeByteArray({}, &v);
    EXPECT_EQ(host->SetLayerFromVariant(&v, &made), QMK_ErrInvalidVariant);
    EXPECT_EQ(host->SetAnnFromVariant(&v, nullptr, nullptr), QMK_ErrInvalidVariant);
    VariantClear(&v);
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = SafeArrayCreate(VT_UI1, 2, bounds);
    EXPECT_EQ(host->SetAnnFromVariant(&v, nullptr, nullptr), QMK_ErrInvalidVariant);
    VariantClear(&v);
    EXPECT_EQ(host->GetLayerCount(), 1);
    EXPECT_EQ(host->GetCurrentLayer(), layer);

    // A byte array passed by reference, as script hosts pass it, is read.
    VARIANT array;
    MakeByteArray(kEmptyLayer, &array);
    VARIANT reference;
    VariantInit(&reference);
    reference.vt = VT_BYREF | VT_VARIANT;
    reference.pvarVal = &array;
    EXPECT_EQ(host->SetLayerFromVariant(&reference, &made), 0);
    EXPECT_NE(made, 0);
    VariantClear(&array);

    VARIANT out;
    VariantInit(&out);
    int size = -1;
    EXPECT_EQ(host->GetLayerIntoVariant(&out, 0, &size), QMK_ErrInvalidLayer);
    EXPECT_EQ(host->GetAnnIntoVariant(nullptr, &size), QMK_ErrInvalidVariant);
    EXPECT_EQ(size, 0);
}

} // namespace

// ---- saved data is a fixed point ---------------------------------------------------------

// After the first round (which may lift old values to current ones), a
// save loaded into a new engine saves the same bytes, for every kind.
TEST(AnnotationStreamRounds, EveryKindIsAFixedPointAfterOneRound)
{
    EngineLibrary library;
    Bytes saved;
    {
        TestHost first(library);
        FillEngine(first.Engine());
        AddEveryKindLayer(first.Engine());
        saved = StreamOf(first.Engine());
    }
    for (int round = 1; round <= 3; ++round) {
        TestHost next(library);
        AnswerPasswords(next).answers[L"Secret"] = L"pw one";
        ASSERT_EQ(LoadStream(next.Engine(), saved), 0);
        const Bytes again = StreamOf(next.Engine());
        if (round > 1) {
            EXPECT_EQ(again, saved) << "round " << round << ": " << FirstDifference(saved, again);
        }
        saved = again;
    }
}

BSTR TextProperty(AnnotationEngine* engine, int code)
{
    EngineValue value = 0;
    engine->GetProperty(code, &value);
    return reinterpret_cast<BSTR>(value);
}

// A load replaces every setting a stream carries, the texts a stream leaves
// out because they are empty and a mapping of no size among them, whichever
// load reads it.
TEST(AnnotationStreamRounds, ALoadReplacesTheTextsAndTheMappingAnEarlierOneSet)
{
    EngineLibrary library;
    Bytes plain;
    {
        TestHost first(library);
        AddEveryKindLayer(first.Engine());
        const int codes[] = {QMK_SummaryComments, QMK_SummaryTitle, QMK_DefaultStampText};
        for (int code : codes) {
            BSTR empty = SysAllocString(L"");
            first->SetProperty(code, reinterpret_cast<EngineValue>(empty));
            SysFreeString(empty);
        }
        // Settled by one round, as an engine's own save is after its first load.
        TestHost second(library);
        ASSERT_EQ(LoadStream(second.Engine(), StreamOf(first.Engine())), 0);
        plain = StreamOf(second.Engine());
    }
    enum { Memory, Variant };
    for (int load : {Memory, Variant}) {
        SCOPED_TRACE(load == Memory ? "from memory" : "from a VARIANT");
        TestHost host(library);
        for (int code : {QMK_SummaryComments, QMK_SummaryTitle, QMK_DefaultStampText}) {
            BSTR text = SysAllocString(L"left by the load before");
            host->SetProperty(code, reinterpret_cast<EngineValue>(text));
            SysFreeString(text);
        }
        host->PrgSetImageMappingDimensions(640, 480);
        host->CreateLayer(1);
        int result = -1;
        if (load == Memory) {
            host->DeleteAllLayers();
            result = LoadStream(host.Engine(), plain);
        } else {
            VARIANT v;
            MakeByteArray(plain, &v);
            result = host->SetAnnFromVariant(&v, nullptr, nullptr);
            VariantClear(&v);
        }
        ASSERT_EQ(result, 0);
        for (int code : {QMK_SummaryComments, QMK_SummaryTitle, QMK_DefaultStampText}) {
            BSTR text = TextProperty(host.Engine(), code);
            EXPECT_EQ(SysStringLen(text), 0u) << code;
            SysFreeString(text);
        }
        int width = -1, height = -1;
        host->PrgGetImageMappingDimensions(&width, &height);
        EXPECT_EQ(width, 0);
        EXPECT_EQ(height, 0);
        const Bytes again = StreamOf(host.Engine());
        EXPECT_EQ(again, plain) << FirstDifference(plain, again);
    }
}

// A host's image size given to the VARIANT load stands for the stream's mapping.
TEST(AnnotationStreamRounds, TheImageSizeGivenToAVariantLoadIsKept)
{
    EngineLibrary library;
    TestHost first(library);
    AddEveryKindLayer(first.Engine());
    const Bytes plain = StreamOf(first.Engine());
    TestHost host(library);
    VARIANT v;
    MakeByteArray(plain, &v);
    int width = 1200, height = 900;
    ASSERT_EQ(host->SetAnnFromVariant(&v, &width, &height), 0);
    VariantClear(&v);
    int w = 0, h = 0;
    host->PrgGetImageMappingDimensions(&w, &h);
    EXPECT_EQ(w, 1200);
    EXPECT_EQ(h, 900);
}

// A picture item made from an element keeps its rectangle through a save and
// a load, as do the other kinds.
TEST(AnnotationStreamRounds, ItemsFromElementsKeepTheirRectanglesAtTheFirstReload)
{
    EngineLibrary library;
    TestHost first(library);
    const int layer = AddEveryKindLayer(first.Engine());
    std::vector<std::pair<int, RECT>> rects;
    int seq = 0;
    for (first->PrgGetFirstItem(layer, &seq); seq; first->PrgGetNextItem(layer, &seq)) {
        RECT r = {};
        first->PrgGetItemRect(layer, seq, &r);
        rects.push_back({seq, r});
    }
    ASSERT_EQ(rects.size(), 11u);
    const Bytes saved = StreamOf(first.Engine());
    TestHost next(library);
    ASSERT_EQ(LoadStream(next.Engine(), saved), 0);
    const int loaded = next->GetFirstLayer();
    for (const auto& entry : rects) {
        EngineValue type = 0;
        next->PrgGetItemAttribute(loaded, entry.first, QMK_ToolType, &type);
        SCOPED_TRACE(type);
        RECT r = {};
        ASSERT_EQ(next->PrgGetItemRect(loaded, entry.first, &r), 0);
        EXPECT_EQ(r.left, entry.second.left);
        EXPECT_EQ(r.top, entry.second.top);
        EXPECT_EQ(r.right, entry.second.right);
        EXPECT_EQ(r.bottom, entry.second.bottom);
    }
}

// A layer record read by the layer reader (plain, or scrambled with a
// password the host gives) re-saves as a fixed point: its record saved from
// the engine that read it is the record read, and that engine's stream, read
// into a new engine and saved again, gives the same bytes. The engine that
// reads the record has loaded a stream before, as a host's engine mostly
// has: the items' extents (a pen counts in the host's view) must not depend
// on that.
TEST(AnnotationStreamRounds, ALayerReadFromItsRecordIsAFixedPoint)
{
    EngineLibrary library;
    for (const wchar_t* password : {L"", L"secret"}) {
        SCOPED_TRACE(password);
        auto answer = [password](TestHost& host) {
            PasswordDesk& desk = AnswerPasswords(host);
            desk.answers[L"Secret"] = L"pw one";
            desk.answers[L"Every kind"] = password;
        };
        Bytes base, record;
        {
            TestHost first(library);
            FillEngine(first.Engine());
            const int layer = AddEveryKindLayer(first.Engine());
            BSTR text = SysAllocString(password);
            first->SetLayerPassword(layer, text);
            SysFreeString(text);
            // Settled by one round through a stream.
            TestHost settled(library);
            answer(settled);
            ASSERT_EQ(LoadStream(settled.Engine(), StreamOf(first.Engine())), 0);
            base = StreamOf(settled.Engine());
            record = LayerBytesOf(settled.Engine(), settled->GetFirstLayer());
        }
        for (int round = 1; round <= 2; ++round) {
            SCOPED_TRACE(round);
            TestHost next(library);
            answer(next);
            ASSERT_EQ(LoadStream(next.Engine(), base), 0);
            VARIANT v;
            MakeByteArray(record, &v);
            int layer = 0;
            ASSERT_EQ(next->SetLayerFromVariant(&v, &layer), 0);
            VariantClear(&v);
            const Bytes again = LayerBytesOf(next.Engine(), layer);
            EXPECT_EQ(again, record) << FirstDifference(record, again);
            const Bytes all = StreamOf(next.Engine());
            TestHost fresh(library);
            answer(fresh);
            ASSERT_EQ(LoadStream(fresh.Engine(), all), 0);
            const Bytes allAgain = StreamOf(fresh.Engine());
            EXPECT_EQ(allAgain, all) << FirstDifference(all, allAgain);
            record = again;
        }
    }
}

// A line whose record carries no pen style (nor any point: a rectangle's
// record under the line's type) takes the tool's style lifted, as a read
// one is, so its first save is what every later load gives.
TEST(AnnotationStreamRounds, ALineRecordWithoutItsPenStyleIsAFixedPointAfterOneRound)
{
    // kRectangleLayer with the item's type 4102 (a line).
    Bytes record = kRectangleLayer;
    ASSERT_EQ(record[116], 0x02);
    record[116] = 0x06;
    const Bytes expectedType = {0x06, 0x10, 0x00, 0x00};
    ASSERT_EQ(Bytes(record.begin() + 116, record.begin() + 120), expectedType);
    EngineLibrary library;
    {
        TestHost first(library);
        VARIANT v;
        MakeByteArray(record, &v);
        int layer = 0;
        ASSERT_EQ(first->SetLayerFromVariant(&v, &layer), 0);
        VariantClear(&v);
        Bytes saved = StreamOf(first.Engine());
        for (int round = 1; round <= 2; ++round) {
            TestHost next(library);
            ASSERT_EQ(LoadStream(next.Engine(), saved), 0);
            const Bytes again = StreamOf(next.Engine());
            EXPECT_EQ(again, saved) << "round " << round << ": " << FirstDifference(saved, again);
            saved = again;
        }
    }
}
