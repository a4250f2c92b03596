// The annotation base: its attributes, its geometry in the image, and the
// common saved record written and read through the bounded record I/O.
#include <gtest/gtest.h>

#include "formats/byte_stream.h"
#include "object_test_support.h"

namespace {

using namespace objects_test;
using Bytes = std::vector<uint8_t>;

Bytes Saved(Annotation& item) {
    ByteWriter writer;
    EXPECT_EQ(item.SaveCommon(writer), 0);
    return writer.Bytes();
}

int Load(Annotation& item, const Bytes& bytes) {
    ByteReader reader(bytes.data(), bytes.size());
    return item.LoadCommon(reader);
}

void SetText(Annotation& item, int code, const wchar_t* text) {
    BSTR value = SysAllocString(text);
    bool changed = false;
    EXPECT_EQ(item.SetAttribute(code, reinterpret_cast<EngineValue>(value), changed), 0);
    SysFreeString(value);
}

int Number(Annotation& item, int code) {
    int value = -12345;
    EXPECT_EQ(item.GetAttribute(code, &value), 0) << code;
    return value;
}

const RECT kPlainBounds = {0x00010000, 0x00020000, 0x00300000, 0x00400000};

// A new rectangle of the default tool map, made at second 22968, number 5.
const Bytes kRectangleRecord = {
    0x94, 0x8F, 0x00, 0x00,                                      // record start 36756
    0x9D, 0x8F, 0x00, 0x00, 0x17, 0x00, 0x00, 0x00,              // flags: visible, moveable, sizeable, handles
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00,              // 1 pen colour 0xFF0000
    0x04, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00,              // 4 fill colour 0x00FF00
    0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,              // 5 pen width 1
    0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00,
    0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x40, 0x00,              // 7 bounds
    0x10, 0x00, 0x00, 0x00, 0xBA, 0x0B, 0x00, 0x00,              // 16 back style 3002
    0x22, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x3D, 0x4F, 0x14, 0xB2, 0x9D, 0x01,  // 34 FILETIME
    0x24, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,              // 36 user draw 0
    0x26, 0x00, 0x00, 0x00, 0x6F, 0x17, 0x00, 0x00,              // 38 hatch 5999
    0x27, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,              // 39 hatch colour 0
    0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,              // 1280 user long 0
    0x6F, 0x8F, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00,              // 36719 Wang type 6
    0x71, 0x8F, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0,              // 36721 reserved time
    0x8F, 0x8F, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00,              // 36751 sequence number 5
    0x9C, 0x8F, 0x00, 0x00, 0xB8, 0x59, 0x00, 0x00,              // 36764 seconds 22968
    0x95, 0x8F, 0x00, 0x00,                                      // record end 36757
};

// A hidden, selected, highlighted ellipse with a name, a user string and a
// group, made at second 0 of 1970.
const Bytes kEllipseRecord = {
    0x94, 0x8F, 0x00, 0x00,
    0x9D, 0x8F, 0x00, 0x00, 0x76, 0x00, 0x00, 0x00,              // moveable, sizeable, handles, selected, highlight fill
    0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0x00,              // 1 pen colour 0xFF0000
    0x04, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00,              // 4 fill colour 0xFFFF00
    0x05, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
    0x07, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00,
    0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x40, 0x00,
    0x10, 0x00, 0x00, 0x00, 0xBB, 0x0B, 0x00, 0x00,              // 16 translucent 3003 (from the highlight)
    0x22, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0x9D, 0x01,  // 34 1 Jan 1970
    0x26, 0x00, 0x00, 0x00, 0x6F, 0x17, 0x00, 0x00,
    0x27, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x80, 0x02, 0x00, 0x00, 0x06, 0x00, 0x00, 0x00, 0x41, 0x00, 0x62, 0x00, 0x00, 0x00,  // 640 "Ab"
    0x00, 0x05, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x01, 0x05, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x75, 0x00, 0x00, 0x00,  // 1281 "u"
    0x08, 0x07, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,              // 1800 group 3
    0x71, 0x8F, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0,
    0x8F, 0x8F, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00,
    0x9C, 0x8F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x95, 0x8F, 0x00, 0x00,
};

std::unique_ptr<ShapeAnnotation> NewRectangleRecordItem(TestView& view) {
    auto item = MakeShape(RectangleTool, view, nullptr, kPlainBounds);
    item->SetCreationTime(22968);
    item->SetSequenceNumber(5);
    return item;
}

std::unique_ptr<ShapeAnnotation> NewEllipseRecordItem(TestView& view) {
    auto item = MakeShape(EllipseTool, view, nullptr, kPlainBounds);
    item->SetCreationTime(0);
    item->SetSequenceNumber(7);
    item->SetGroupId(3);
    bool changed = false;
    item->SetAttribute(QMK_Visible, 0, changed);
    item->SetAttribute(QMK_Selected, 1, changed);
    item->SetAttribute(QMK_HighlightFill, 1, changed);
    SetText(*item, QMK_ItemName, L"Ab");
    SetText(*item, QMK_UserString, L"u");
    return item;
}

TEST(AnnotationRecord, SavesTheCommonRecordByteForByte) {
    TestView view;
    EXPECT_EQ(Saved(*NewRectangleRecordItem(view)), kRectangleRecord);
    EXPECT_EQ(Saved(*NewEllipseRecordItem(view)), kEllipseRecord);
}

TEST(AnnotationRecord, LoadsWhatItSavedBack) {
    TestView view;
    auto item = MakeShape(EllipseTool, view, nullptr, RECT{});
    ASSERT_EQ(Load(*item, kEllipseRecord), 0);
    EXPECT_EQ(Saved(*item), kEllipseRecord);
    EXPECT_FALSE(item->IsVisible());
    EXPECT_EQ(item->Name(), L"Ab");
    EXPECT_EQ(item->UserString(), L"u");
    EXPECT_EQ(item->GroupId(), 3);
    EXPECT_EQ(item->SequenceNumber(), 7);
    EXPECT_EQ(item->CreationSeconds(), 0);
    EXPECT_EQ(item->CreationFileTime(), Annotation::kUnixEpochFileTime);
    RECT bounds = {};
    EXPECT_EQ(item->GetAttribute(QMK_BoundingRect, &bounds), 0);
    EXPECT_TRUE(EqualRect(&bounds, &kPlainBounds));
}

TEST(AnnotationRecord, LoadingLiftsOldValuesAndSkipsCodesTheItemLacks) {
    TestView view;
    auto item = MakeShape(RectangleTool, view, nullptr, RECT{});
    const Bytes record = {
        0x94, 0x8F, 0x00, 0x00,
        0x9D, 0x8F, 0x00, 0x00, 0x16, 0x00, 0x00, 0x00,  // hidden
        0x10, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,  // back style 2 -> 3002
        0x26, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00,  // hatch 3 -> 6003
        0x05, 0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00,  // pen width 7
        0x9F, 0x86, 0x01, 0x00, 0x01, 0x00, 0x00, 0x00,  // 99999: not an attribute, skipped
        0x0A, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x78, 0x00, 0x00, 0x00,  // 10 text: not carried
        0x00, 0x04, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10, 0, 0, 0, 0x20, 0, 0, 0,  // 1024 one point: skipped
        0x1D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 29 selected 0: not applied
        0x95, 0x8F, 0x00, 0x00,
    };
    ASSERT_EQ(Load(*item, record), 0);
    EXPECT_FALSE(item->IsVisible());
    EXPECT_EQ(Number(*item, QMK_BackStyle), 3002);
    EXPECT_EQ(Number(*item, QMK_HatchStyle), 6003);
    EXPECT_EQ(Number(*item, QMK_PenWidth), 7);
    EXPECT_FALSE(item->HasAttribute(99999));
    EXPECT_FALSE(item->HasAttribute(QMK_Text));
    EXPECT_TRUE(item->Points().empty());
    EXPECT_EQ(Number(*item, QMK_Moveable), 1);
    EXPECT_EQ(Number(*item, QMK_Locked), 0);
}

TEST(AnnotationRecord, OldDrawingModeValuesAreLiftedByTheirOffsets) {
    struct Lift {
        int code;
        uint32_t stored;
        int expected;
    };
    const Lift lifts[] = {
        {QMK_BackStyle, 0, 3000},         {QMK_BackStyle, 3, 3003},
        {QMK_BackStyle, 4, 4},            {QMK_PenStyle, 4, 5004},
        {QMK_PenStyle, 5, 5},             {QMK_PenFillStyle, 13, 5513},
        {QMK_PenFillStyle, 5507, 5507},   {QMK_HatchStyle, 5, 6005},
        {QMK_TextJustification, 2, 7002}, {QMK_TextJustification, 0xFFFFFFFF, -1},
    };
    TestView view;
    for (const Lift& lift : lifts) {
        SCOPED_TRACE(testing::Message() << lift.code << " " << lift.stored);
        Annotation::AttributeMap map;
        map.emplace(lift.code, AttributeValue::Number(123));
        ShapeAnnotation item(RectangleTool, map);
        item.Link(nullptr, &view.mapping);
        ByteWriter record;
        record.WriteUInt32(36756);
        record.WriteUInt32(static_cast<uint32_t>(lift.code));
        record.WriteUInt32(lift.stored);
        record.WriteUInt32(36757);
        ASSERT_EQ(Load(item, record.Bytes()), 0);
        // A hatch style the item refuses keeps the old value.
        const int expected =
            lift.code == QMK_HatchStyle && (lift.expected < 5999 || lift.expected > 6006) ? 123
                                                                                           : lift.expected;
        EXPECT_EQ(Number(item, lift.code), expected);
    }
}

TEST(AnnotationRecord, EveryTruncationOfARecordFailsWith1011) {
    TestView view;
    for (size_t length = 0; length < kEllipseRecord.size(); ++length) {
        SCOPED_TRACE(length);
        auto item = MakeShape(EllipseTool, view, nullptr, RECT{});
        const Bytes cut(kEllipseRecord.begin(), kEllipseRecord.begin() + length);
        EXPECT_EQ(Load(*item, cut), QMK_ErrStorageStream);
    }
}

TEST(AnnotationRecord, HostileRecordsFailWith1011) {
    struct Hostile {
        const char* name;
        Bytes data;
    };
    const Hostile cases[] = {
        {"wrong start", {0x95, 0x8F, 0x00, 0x00}},
        {"odd string count", {0x94, 0x8F, 0, 0, 0x80, 0x02, 0, 0, 0x03, 0, 0, 0, 0x41, 0, 0, 0x95, 0x8F, 0, 0}},
        {"string count of one", {0x94, 0x8F, 0, 0, 0x01, 0x05, 0, 0, 0x01, 0, 0, 0, 0, 0x95, 0x8F, 0, 0}},
        {"string past the data", {0x94, 0x8F, 0, 0, 0x80, 0x02, 0, 0, 0x00, 0x00, 0x00, 0x40, 0x95, 0x8F, 0, 0}},
        {"picture size past the data", {0x94, 0x8F, 0, 0, 0x11, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x0F, 0x95, 0x8F, 0, 0}},
        {"point count past the data", {0x94, 0x8F, 0, 0, 0x00, 0x04, 0, 0, 0xFF, 0xFF, 0xFF, 0x1F, 0x95, 0x8F, 0, 0}},
        {"font cut short", {0x94, 0x8F, 0, 0, 0x0B, 0, 0, 0, 1, 2, 3, 4, 0x95, 0x8F, 0, 0}},
        {"no end", {0x94, 0x8F, 0, 0, 0x05, 0, 0, 0, 0x02, 0, 0, 0}},
    };
    TestView view;
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        auto item = MakeShape(EllipseTool, view, nullptr, kPlainBounds);
        EXPECT_EQ(Load(*item, c.data), QMK_ErrStorageStream);
    }
}

TEST(AnnotationRecord, AFailingStreamGives1011) {
    TestView view;
    auto item = NewRectangleRecordItem(view);
    for (size_t limit : {size_t(0), size_t(3), size_t(4), size_t(60), kRectangleRecord.size() - 1}) {
        SCOPED_TRACE(limit);
        ByteWriter writer(limit);
        EXPECT_EQ(item->SaveCommon(writer), QMK_ErrStorageStream);
    }
    ByteWriter exact(kRectangleRecord.size());
    EXPECT_EQ(item->SaveCommon(exact), 0);
}

TEST(AnnotationRecord, PendingPixelGeometryIsConvertedBeforeSaving) {
    TestView view;
    auto item = NewRectangleRecordItem(view);
    item->SetPixelGeometry(RECT{1, 2, 3, 4});
    const Bytes bytes = Saved(*item);
    EXPECT_FALSE(item->GeometryPending());
    const RECT expected = LayerRect(1, 2, 3, 4);
    EXPECT_TRUE(EqualRect(&item->Bounds(), &expected));
    ASSERT_GE(bytes.size(), 52u);
    // Bounds record at offset 36: code 7, then left = 1 pixel = 16384 units.
    EXPECT_EQ(bytes[36], 0x07);
    EXPECT_EQ(bytes[40], 0x00);
    EXPECT_EQ(bytes[41], 0x40);
    EXPECT_EQ(bytes[42], 0x00);
}

// ---- attributes ---------------------------------------------------------------------

TEST(AnnotationAttributes, CodesTheToolLacksAreRefused) {
    TestView view;
    auto ellipse = MakeShape(EllipseTool, view, nullptr, kPlainBounds);
    bool changed = true;
    EXPECT_EQ(ellipse->SetAttribute(QMK_UserDraw, 1, changed), QMK_ErrInvalidAttribute);
    EXPECT_FALSE(changed);
    int value = 0;
    EXPECT_EQ(ellipse->GetAttribute(QMK_WangType, &value), QMK_ErrInvalidAttribute);
    EXPECT_EQ(ellipse->SetAttribute(QMK_HighlightBack, 1, changed), QMK_ErrInvalidAttribute);
    bool found = true;
    EXPECT_EQ(ellipse->GetAttributeValue(QMK_TextColor, found), 0);
    EXPECT_FALSE(found);
    EXPECT_EQ(ellipse->GetAttributeValue(QMK_PenColor, found), 0xFF0000);
    EXPECT_TRUE(found);
}

TEST(AnnotationAttributes, HighlightTurnsTheBackStyleTranslucentAndBack) {
    struct Case {
        int backStyle;
        int highlight;
        int expected;
    };
    const Case cases[] = {
        {3002, 1, 3003}, {3001, 1, 3003}, {3003, 1, 3003},
        {3003, 0, 3002}, {3001, 0, 3001}, {3002, 0, 3002},
    };
    TestView view;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.backStyle << " " << c.highlight);
        auto item = MakeShape(RectangleTool, view, nullptr, kPlainBounds);
        bool changed = false;
        ASSERT_EQ(item->SetAttribute(QMK_BackStyle, c.backStyle, changed), 0);
        ASSERT_EQ(item->SetAttribute(QMK_HighlightFill, c.highlight, changed), 0);
        EXPECT_TRUE(changed);
        EXPECT_EQ(Number(*item, QMK_BackStyle), c.expected);
    }
}

TEST(AnnotationAttributes, BackStyleAndHatchStyleValues) {
    TestView view;
    auto item = MakeShape(RectangleTool, view, nullptr, kPlainBounds);
    bool changed = false;
    EXPECT_EQ(item->SetAttribute(QMK_BackStyle, 1, changed), 0);
    EXPECT_EQ(Number(*item, QMK_BackStyle), 3001);
    EXPECT_EQ(item->SetAttribute(QMK_HatchStyle, 6005, changed), 0);
    EXPECT_EQ(Number(*item, QMK_HatchStyle), 6005);
    for (int refused : {5998, 6007, 0, -1}) {
        EXPECT_EQ(item->SetAttribute(QMK_HatchStyle, refused, changed), QMK_ErrInvalidHatchStyle);
        EXPECT_FALSE(changed);
        EXPECT_EQ(Number(*item, QMK_HatchStyle), 6005);
    }
}

TEST(AnnotationAttributes, FieldsServedBesideTheMap) {
    TestView view;
    auto item = MakeShape(RectangleTool, view, nullptr, kPlainBounds);
    item->SetGroupId(4);
    EXPECT_EQ(Number(*item, QMK_NumPoints), 2);
    EXPECT_EQ(Number(*item, QMK_ToolType), RectangleTool);
    EXPECT_EQ(Number(*item, QMK_GroupId), 4);
    EXPECT_EQ(Number(*item, QMK_Visible), 1);
    bool changed = false;
    EXPECT_EQ(item->SetAttribute(QMK_Visible, 0, changed), 0);
    EXPECT_EQ(Number(*item, QMK_Visible), 0);

    SetText(*item, QMK_ItemName, L"name");
    BSTR name = nullptr;
    EXPECT_EQ(item->GetAttribute(QMK_ItemName, &name), 0);
    EXPECT_STREQ(name, L"name");
    SysFreeString(name);
    EXPECT_EQ(item->SetAttribute(QMK_ItemName, 0, changed), 0);
    EXPECT_TRUE(item->Name().empty()) << "a null string stores the empty string";
    BSTR user = nullptr;
    EXPECT_EQ(item->GetAttribute(QMK_UserString, &user), 0);
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(SysStringLen(user), 0u);
    SysFreeString(user);

    // The sequence number record and attribute 36751 are apart.
    item->SetSequenceNumber(9);
    EXPECT_EQ(Number(*item, QMK_SequenceNumber), 0);
}

TEST(AnnotationAttributes, CreationTimeIsAnOleDate) {
    TestView view;
    auto item = MakeShape(RectangleTool, view, nullptr, kPlainBounds);
    item->SetCreationTime(0);
    VARIANT date;
    VariantInit(&date);
    ASSERT_EQ(item->GetAttribute(QMK_CreateTime, &date), 0);
    EXPECT_EQ(date.vt, VT_DATE);
    EXPECT_DOUBLE_EQ(date.date, 25569.0);  // 1 January 1970
    item->SetCreationTime(86400 + 43200);  // 2 January 1970, noon
    ASSERT_EQ(item->GetAttribute(QMK_CreateTime, &date), 0);
    EXPECT_DOUBLE_EQ(date.date, 25570.5);
    EXPECT_EQ(item->CreationFileTime(), Annotation::kUnixEpochFileTime + 1296000000000ull);
}

// ---- geometry -------------------------------------------------------------------------

bool Same(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != 0; }

TEST(AnnotationGeometry, MirrorAndFlipInTheImageFollowTheImage) {
    TestView view;
    auto item = MakeShape(RectangleTool, view, nullptr, LayerRect(10, 20, 110, 70));
    item->MirrorInImage();
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(1024 - 110 - 1, 20, 1024 - 10 - 1, 70)));
    item->MirrorInImage();
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(10, 20, 110, 70))) << "mirroring twice restores";
    item->FlipInImage();
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(10, 512 - 70 - 1, 110, 512 - 20 - 1)));
    item->FlipInImage();
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(10, 20, 110, 70)));
}

TEST(AnnotationGeometry, RotationWithTheImage) {
    constexpr int N = Annotation::kLayerUnitsFull;
    const RECT start = {100, 200, 300, 700};
    struct Case {
        int angle;
        RECT expected;
    };
    const Case cases[] = {
        {90, {200, N - 300, 700, N - 100}},
        {-270, {200, N - 300, 700, N - 100}},
        {180, {N - 301, N - 701, N - 101, N - 201}},
        {-180, {N - 301, N - 701, N - 101, N - 201}},
        {270, {N - 700, 100, N - 200, 300}},
        {-90, {N - 700, 100, N - 200, 300}},
        {45, start},
        {0, start},
    };
    TestView view;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.angle);
        auto item = MakeShape(RectangleTool, view, nullptr, start);
        item->RotateInImage(c.angle);
        EXPECT_TRUE(Same(item->Bounds(), c.expected));
    }
    auto item = MakeShape(RectangleTool, view, nullptr, start);
    item->RotateInImage(90);
    item->RotateInImage(270);
    EXPECT_TRUE(Same(item->Bounds(), start)) << "90 then 270 restores";
    item->RotateInImage(180);
    item->RotateInImage(180);
    EXPECT_TRUE(Same(item->Bounds(), start));
}

TEST(AnnotationGeometry, MirrorAndFlipInsideAFrame) {
    TestView view;
    auto item = MakeShape(RectangleTool, view, nullptr, LayerRect(10, 20, 30, 40));
    item->MirrorInRect(RECT{0, 0, 100, 100});
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(69, 20, 89, 40)));
    item->FlipInRect(RECT{0, 10, 100, 60});
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(69, 29, 89, 49)));
}

TEST(AnnotationGeometry, ScaleIntoMapsTheStartRectangle) {
    TestView view;
    auto item = MakeShape(RectangleTool, view, nullptr, LayerRect(20, 20, 40, 30));
    item->SnapshotGeometry();
    item->ScaleInto(0, 0, RECT{0, 0, 100, 100}, RECT{100, 0, 300, 50}, 3, true);
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(140, 10, 180, 15)));
    // A to-frame left of the from-frame mirrors the item first.
    item->ScaleInto(0, 0, RECT{100, 0, 200, 100}, RECT{0, 0, 100, 100}, 0, true);
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(159, 20, 179, 30)));
    // A frame without width changes nothing.
    item->ScaleInto(0, 0, RECT{5, 0, 5, 100}, RECT{0, 0, 100, 100}, 0, true);
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(159, 20, 179, 30)));
}

TEST(AnnotationGeometry, PointsOfARectangleKind) {
    TestView view;
    auto item = MakeShape(RectangleTool, view, nullptr, LayerRect(10, 20, 30, 40));
    POINT point = {};
    EXPECT_EQ(item->GetPoint(0, point), 0);
    EXPECT_EQ(point.x, 10);
    EXPECT_EQ(point.y, 20);
    EXPECT_EQ(item->GetPoint(1, point), 0);
    EXPECT_EQ(point.x, 30);
    EXPECT_EQ(point.y, 40);
    EXPECT_EQ(item->GetPoint(2, point), QMK_ErrInvalidPoint);
    EXPECT_EQ(item->GetPoint(-1, point), QMK_ErrInvalidPoint);
    EXPECT_EQ(item->SetPoint(1, POINT{50, 60}), 0);
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(10, 20, 50, 60)));
    EXPECT_EQ(item->SetPoint(2, POINT{1, 1}), QMK_ErrInvalidPoint);
    item->GrowBy(LX(-60), LY(5));
    EXPECT_TRUE(Same(item->Bounds(), LayerRect(-10, 20, 10, 65))) << "grown, then normalised";
    EXPECT_TRUE(item->ContainsPoint(POINT{10, 65}));
    EXPECT_FALSE(item->ContainsPoint(POINT{11, 65}));
}

TEST(AnnotationGeometry, OrientationTurnsAndBreakCharacters) {
    struct Case {
        int orientation, angle, expected;
    };
    const Case cases[] = {
        {0, 90, 900},      {900, -270, 1800}, {1800, 180, 0},  {2700, -180, 900},
        {2700, 270, 1800}, {0, -90, 2700},    {0, 45, 0},      {450, 90, 450},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Annotation::RotateOrientation(c.orientation, c.angle), c.expected)
            << c.orientation << " " << c.angle;
    EXPECT_TRUE(Annotation::IsBreakChar(L' '));
    EXPECT_TRUE(Annotation::IsBreakChar(L'-'));
    EXPECT_FALSE(Annotation::IsBreakChar(L'_'));
    EXPECT_FALSE(Annotation::IsBreakChar(0x2010));
}

} // namespace
