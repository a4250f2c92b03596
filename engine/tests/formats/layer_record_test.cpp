// The saved layer driven directly: its record byte for byte (plain,
// scrambled, with a rectangle of the fixed creation time, with groups), the
// body read back, pasting, the selection alone, and the password request.
#include <gtest/gtest.h>

#include "layer/annotation_layer.h"
#include "formats/byte_stream.h"
#include "golden_records.h"
#include "hand_bytes.h"
#include "recording_layer_host.h"
#include "settings/tool_defaults.h"
#include "view/view_mapping.h"

using namespace formats_test;

namespace {

const RECT kBounds = {0x00010000, 0x00020000, 0x00300000, 0x00400000};

AnnotationGroup GroupG()
{
    AnnotationGroup group;
    group.id = 1;
    group.name = L"G";
    group.userLong = 7;
    group.yoked = true;
    group.rect = {1, 2, 3, 4};
    group.members = {2, 1};
    return group;
}

AnnotationGroup GroupUs()
{
    AnnotationGroup group;
    group.id = 3;
    group.userString = L"us";
    group.selected = true;
    return group;
}

void ExpectSameGroup(const AnnotationGroup& a, const AnnotationGroup& b)
{
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.userString, b.userString);
    EXPECT_EQ(a.userLong, b.userLong);
    EXPECT_EQ(a.yoked, b.yoked);
    EXPECT_EQ(a.selected, b.selected);
    EXPECT_TRUE(EqualRect(&a.rect, &b.rect));
    EXPECT_EQ(a.members, b.members);
}

class LayerRecordTest : public ::testing::Test {
protected:
    LayerRecordTest() : mapping(8), host(&mapping)
    {
        mapping.SetImageMappingDimensions(1024, 512);
        defaults.LoadDefaults();
    }

    std::unique_ptr<AnnotationLayer> NewLayer()
    {
        auto layer = std::make_unique<AnnotationLayer>(host);
        for (int tool = kFirstTool; tool <= kLastTool; ++tool)
            layer->SetToolAttributes(tool, *defaults.MapOf(tool));
        layer->Attach(&mapping, 8, nullptr, nullptr);
        layer->SetActive(true);
        return layer;
    }

    // Draws a rectangle with the tool (so that it gets the layer's creation time).
    int AddRectangle(AnnotationLayer& layer, const RECT& bounds)
    {
        EXPECT_EQ(layer.SelectTool(RectangleTool), 0);
        bool changed = false;
        layer.PendingObject()->SetAttribute(QMK_BoundingRect,
                                            reinterpret_cast<EngineValue>(&bounds), changed);
        return layer.AddItem(nullptr, false, false);
    }

    static Bytes Saved(AnnotationLayer& layer, bool selectionOnly = false)
    {
        ByteWriter out;
        EXPECT_EQ(layer.SaveRecord(out, selectionOnly), 0);
        return out.Bytes();
    }

    static int Load(AnnotationLayer& layer, const Bytes& bytes, bool pasting = false,
                    std::vector<int>* added = nullptr, size_t* position = nullptr)
    {
        ByteReader in(bytes.data(), bytes.size());
        const int result = layer.LoadRecord(in, pasting, added);
        if (position)
            *position = in.Position();
        return result;
    }

    static void SetName(AnnotationLayer& layer, const wchar_t* name)
    {
        BSTR text = SysAllocString(name);
        EXPECT_EQ(layer.SetProperty(QMK_LayerName, reinterpret_cast<EngineValue>(text)), 0);
        SysFreeString(text);
    }

    static void SetPassword(AnnotationLayer& layer, const wchar_t* password)
    {
        BSTR text = SysAllocString(password);
        layer.SetPassword(text);
        SysFreeString(text);
    }

    static std::wstring PasswordOf(const AnnotationLayer& layer)
    {
        BSTR text = layer.Password();
        std::wstring result(text, SysStringLen(text));
        SysFreeString(text);
        return result;
    }

    ViewMapping mapping;
    objects_test::RecordingLayerHost host;
    ToolDefaults defaults;
};

TEST_F(LayerRecordTest, WritesLayersByteForByte)
{
    auto empty = NewLayer();
    EXPECT_EQ(Saved(*empty), kEmptyLayer);

    SetPassword(*empty, L"secret");
    const Bytes scrambled = Saved(*empty);
    EXPECT_EQ(scrambled, kEmptyLayerSecret);

    auto drawn = NewLayer();
    SetName(*drawn, L"Marlow Tennet");
    EXPECT_EQ(AddRectangle(*drawn, kBounds), 1);
    EXPECT_EQ(Saved(*drawn), kRectangleLayer);
}

TEST_F(LayerRecordTest, WritesAndReadsTheGroupSection)
{
    auto layer = NewLayer();
    AddRectangle(*layer, kBounds);
    AddRectangle(*layer, kBounds);
    layer->FindItem(1)->SetGroupId(1);
    layer->FindItem(2)->SetGroupId(1);
    layer->AppendGroup(GroupG());
    layer->AppendGroup(GroupUs());
    EXPECT_EQ(layer->LastGroupId(), 3);

    const Bytes saved = Saved(*layer);
    // Head (20), empty name (6), body start and seven properties and their end (64).
    const size_t at = 20 + 6 + 64;
    ASSERT_GE(saved.size(), at + kGroupSection.size());
    EXPECT_EQ(Bytes(saved.begin() + at, saved.begin() + at + kGroupSection.size()), kGroupSection);
    // The properties carry the last group id (1800) and the group count (36766).
    EXPECT_EQ(Bytes(saved.begin() + 26 + 20, saved.begin() + 26 + 28),
              (Bytes{0x08, 0x07, 0, 0, 0x03, 0, 0, 0}));
    EXPECT_EQ(Bytes(saved.begin() + 26 + 52, saved.begin() + 26 + 60),
              (Bytes{0x9E, 0x8F, 0, 0, 0x02, 0, 0, 0}));

    auto loaded = NewLayer();
    ASSERT_EQ(Load(*loaded, saved), 0);
    ASSERT_EQ(loaded->Groups().size(), 2u);
    ExpectSameGroup(loaded->Groups()[0], GroupG());
    ExpectSameGroup(loaded->Groups()[1], GroupUs());
    EXPECT_EQ(loaded->LastGroupId(), 3);
    EXPECT_EQ(loaded->ItemCount(), 2);
    EXPECT_EQ(Saved(*loaded), saved);
}

TEST_F(LayerRecordTest, ReadsWhatItWroteAndEndsInPointerModeWithTheSavedSelection)
{
    auto layer = NewLayer();
    SetName(*layer, L"Notes");
    BSTR description = SysAllocString(L"about");
    layer->SetProperty(QMK_LayerDescription, reinterpret_cast<EngineValue>(description));
    SysFreeString(description);
    layer->SetProperty(QMK_LayerVisible, 0);
    AddRectangle(*layer, kBounds);
    AddRectangle(*layer, kBounds);
    AddRectangle(*layer, kBounds);
    ASSERT_EQ(layer->DeleteItem(1), 0);
    ASSERT_EQ(layer->SetItemAttribute(3, QMK_Selected, 1), 0);
    const Bytes saved = Saved(*layer);

    auto loaded = NewLayer();
    host.events.clear();
    std::vector<int> added;
    ASSERT_EQ(Load(*loaded, saved, false, &added), 0);
    EXPECT_EQ(added, (std::vector<int>{2, 3}));
    EXPECT_TRUE(host.events.empty()) << "the items are announced by the engine, not the reader";
    EXPECT_EQ(loaded->Name(), L"Notes");
    EXPECT_FALSE(loaded->Visible());
    EXPECT_EQ(loaded->LastSequenceNumber(), 3);
    EXPECT_EQ(loaded->FirstSelected(), 3);
    EXPECT_EQ(loaded->NextSelected(), 0);
    EXPECT_TRUE(loaded->Updates()) << "updates are on again after the read";
    EXPECT_EQ(Saved(*loaded), saved);
}

TEST_F(LayerRecordTest, PastingKeepsTheLayerAndRenumbersWhatComes)
{
    auto source = NewLayer();
    SetName(*source, L"Source");
    source->SetProperty(QMK_LayerVisible, 0);
    AddRectangle(*source, kBounds);
    AddRectangle(*source, kBounds);
    source->FindItem(1)->SetGroupId(1);
    source->FindItem(2)->SetGroupId(1);
    source->AppendGroup(GroupG());
    source->AppendGroup(GroupUs());
    const Bytes saved = Saved(*source);

    auto target = NewLayer();
    SetName(*target, L"Target");
    AddRectangle(*target, kBounds);
    AnnotationGroup own;
    own.id = 1;
    own.members = {1};
    target->AppendGroup(own);
    target->FindItem(1)->SetGroupId(1);

    std::vector<int> added;
    ASSERT_EQ(Load(*target, saved, true, &added), 0);
    EXPECT_EQ(target->Name(), L"Target");
    EXPECT_TRUE(target->Visible());
    EXPECT_EQ(added, (std::vector<int>{2, 3}));
    ASSERT_EQ(target->Groups().size(), 3u);
    EXPECT_EQ(target->Groups()[0].members, (std::vector<int>{1}));
    EXPECT_EQ(target->Groups()[1].id, 2);
    EXPECT_EQ(target->Groups()[1].name, L"G");
    EXPECT_EQ(target->Groups()[1].members, (std::vector<int>{3, 2}));
    EXPECT_EQ(target->Groups()[2].id, 3);
    EXPECT_EQ(target->LastGroupId(), 3);
    EXPECT_EQ(target->FindItem(1)->GroupId(), 1);
    EXPECT_EQ(target->FindItem(2)->GroupId(), 2);
    EXPECT_EQ(target->FindItem(3)->GroupId(), 2);
}

TEST_F(LayerRecordTest, TheSelectionAloneCarriesEveryGroup)
{
    auto layer = NewLayer();
    AddRectangle(*layer, kBounds);
    AddRectangle(*layer, RECT{0, 0, 0x100000, 0x100000});
    layer->AppendGroup(GroupG());
    ASSERT_EQ(layer->SetItemAttribute(2, QMK_Selected, 1), 0);
    const Bytes saved = Saved(*layer, true);

    auto loaded = NewLayer();
    ASSERT_EQ(Load(*loaded, saved), 0);
    ASSERT_EQ(loaded->ItemCount(), 1);
    EXPECT_EQ(loaded->FindItem(2)->Bounds().right, 0x100000);
    EXPECT_EQ(loaded->Groups().size(), 1u);
    // 36753 holds the number of selected items.
    EXPECT_EQ(Bytes(saved.begin() + 26 + 44, saved.begin() + 26 + 52),
              (Bytes{0x91, 0x8F, 0, 0, 0x01, 0, 0, 0}));
}

TEST_F(LayerRecordTest, AScrambledBodyAsksForThePasswordAndChecksIt)
{
    struct Case {
        const char* name;
        const wchar_t* offered;  // the loading layer's own password
        const wchar_t* answer;   // the host's answer, null to leave it
        int result;
    };
    const Case cases[] = {
        {"right answer", L"", L"secret", 0},
        {"right password already held", L"secret", nullptr, 0},
        {"wrong answer", L"", L"Secret", QMK_ErrInvalidPassword},
        {"no answer", L"", nullptr, QMK_ErrInvalidPassword},
        {"answer emptied", L"secret", L"", QMK_ErrInvalidPassword},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto layer = NewLayer();
        SetPassword(*layer, c.offered);
        host.asked.clear();
        host.answer = c.answer;
        size_t position = 0;
        EXPECT_EQ(Load(*layer, kEmptyLayerSecret, false, nullptr, &position), c.result);
        EXPECT_EQ(position, kEmptyLayerSecret.size()) << "the reader stands after the record";
        ASSERT_EQ(host.asked.size(), 1u);
        EXPECT_EQ(host.asked[0].layerName, L"");
        EXPECT_EQ(host.asked[0].offered, c.offered);
        EXPECT_EQ(PasswordOf(*layer), c.result == 0 ? L"secret" : c.offered);
    }
    host.answer = nullptr;

    // A plain record asks nothing.
    auto plain = NewLayer();
    host.asked.clear();
    EXPECT_EQ(Load(*plain, kEmptyLayer), 0);
    EXPECT_TRUE(host.asked.empty());
}

TEST_F(LayerRecordTest, ReadsThePartsOfABodyItHasNoClassForOrThatLieBeyondIt)
{
    // A protractor (no class) before a rectangle: passed over by the record's
    // grammar, a string and a rectangle in it included.
    Hand body;
    body.D(36762).R(36753, 2).D(36763);
    body.D(4108).D(36756).R(36765, 1).D(640).Str(L"ab").D(7).D(1).D(2).D(3).D(4).D(36757);
    body.D(4098).D(36756).R(36751, 9).D(36757);
    body.D(0x12345678).D(0x9ABCDEF0);  // within the stated length, after the items
    Hand record;
    record.D(36754).D(36752).D(0).D(0).D(static_cast<uint32_t>(body.Size())).Str(L"P");
    record.Raw(body.bytes()).D(36755);

    auto layer = NewLayer();
    ASSERT_EQ(Load(*layer, record.bytes()), 0);
    EXPECT_EQ(layer->ItemCount(), 1);
    EXPECT_NE(layer->FindItem(9), nullptr);

    // An item of a kind no class reads refuses the record and changes nothing.
    Hand unknown;
    unknown.D(36762).R(36753, 2).D(36763).D(4098).D(36756).D(36757).D(4109).D(36756).D(36757);
    Hand bad;
    bad.D(36754).D(36752).D(0).D(0).D(static_cast<uint32_t>(unknown.Size())).Str(L"P");
    bad.Raw(unknown.bytes()).D(36755);
    auto other = NewLayer();
    EXPECT_EQ(Load(*other, bad.bytes()), QMK_ErrStorageStream);
    EXPECT_EQ(other->ItemCount(), 0);
    EXPECT_EQ(other->Name(), L"");
}

TEST_F(LayerRecordTest, LoadedItemsTakeNoTextOrPictureFromTheirTool)
{
    // A rectangle tool that has a default text and a default picture.
    ToolDefaults::Map tool = *defaults.MapOf(RectangleTool);
    AttributeValue text(AttributeValue::Kind::Text);
    BSTR value = SysAllocString(L"DEFAULT");
    text.Assign(reinterpret_cast<EngineValue>(value));
    SysFreeString(value);
    tool[QMK_Text] = text;
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + 4);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = header->biHeight = 1;
    header->biPlanes = 1;
    header->biBitCount = 24;
    GlobalUnlock(dib);
    AttributeValue picture(AttributeValue::Kind::Image);
    picture.Assign(reinterpret_cast<EngineValue>(dib));
    GlobalFree(dib);
    ASSERT_NE(picture.Image(), nullptr);
    tool[QMK_DibPtr] = picture;

    Hand body;
    body.D(36762).R(36753, 2).D(36763);
    body.D(4098).D(36756).R(36751, 1).D(36757);
    body.D(4098).D(36756).R(36751, 2).D(10).Str(L"Mine").D(36757);
    Hand record;
    record.D(36754).D(36752).D(0).D(0).D(static_cast<uint32_t>(body.Size())).Str(L"");
    record.Raw(body.bytes()).D(36755);

    auto layer = NewLayer();
    layer->SetToolAttributes(RectangleTool, tool);
    ASSERT_EQ(Load(*layer, record.bytes()), 0);
    const struct {
        int seq;
        const wchar_t* text;
    } expected[] = {{1, L""}, {2, L"Mine"}};
    for (const auto& e : expected) {
        BSTR loaded = nullptr;
        ASSERT_EQ(layer->GetItemAttribute(e.seq, QMK_Text, &loaded), 0);
        EXPECT_STREQ(loaded, e.text);
        SysFreeString(loaded);
        HGLOBAL image = reinterpret_cast<HGLOBAL>(1);
        ASSERT_EQ(layer->GetItemAttribute(e.seq, QMK_DibPtr, &image), 0);
        EXPECT_EQ(image, nullptr);
    }
    EngineValue kept = 0;
    ASSERT_EQ(layer->GetToolAttribute(RectangleTool, QMK_Text, &kept), 0);
    EXPECT_STREQ(reinterpret_cast<BSTR>(kept), L"DEFAULT") << "the tool keeps its default";
    SysFreeString(reinterpret_cast<BSTR>(kept));
}

TEST_F(LayerRecordTest, ALayerWhoseNumbersWrappedPastTheTopSavesAFixedPoint)
{
    // A layer holding items 1 and 2, into which a record is pasted whose first
    // item has the highest number (as a damaged clipboard record had it): that
    // item keeps it, and the next one wraps round to the first free number.
    auto layer = NewLayer();
    AddRectangle(*layer, kBounds);
    AddRectangle(*layer, kBounds);
    Hand body;
    body.D(36762).R(36751, 2).R(36753, 2).D(36763);
    body.D(4098).D(36756).R(36751, 0x7FFFFFFF).D(36757);
    body.D(4098).D(36756).R(36751, 2).D(36757);
    Hand record;
    record.D(36754).D(36752).D(0).D(0).D(static_cast<uint32_t>(body.Size())).Str(L"P");
    record.Raw(body.bytes()).D(36755);
    std::vector<int> added;
    ASSERT_EQ(Load(*layer, record.bytes(), true, &added), 0);
    EXPECT_EQ(added, (std::vector<int>{0x7FFFFFFF, 3}));

    // Saved, read into a new layer and saved again: the same bytes.
    const Bytes saved = Saved(*layer);
    auto loaded = NewLayer();
    ASSERT_EQ(Load(*loaded, saved), 0);
    EXPECT_EQ(Saved(*loaded), saved);
}

} // namespace
