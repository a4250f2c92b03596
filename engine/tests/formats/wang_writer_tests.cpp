// The writer of Wang/Oi annotation data: the blocks of a text, a line and a
// picture mark in both forms against bytes written out by hand, and what it
// writes read back by the reader.
#include "formats/wang_layout.h"
#include "formats/wang_reader.h"
#include "formats/wang_writer.h"

#include "wang_hand.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using formats_test::Bytes;
using formats_test::Chars;
using formats_test::Hand;
using formats_test::UntitledUnicodeGroup;
using formats_test::WangMarkBlock;
using formats_test::WangMarkFields;
using formats_test::WangNamed;

namespace {

Bytes TinyDib()
{
    Hand h;  // 2 x 2 at 24 bits: the header, then two rows of 8 bytes
    h.D(40).D(2).D(2).D(1u | (24u << 16)).D(0).D(16).D(3780).D(4724).D(0).D(0);
    h.Raw(Bytes(16, 0x80));
    return h.bytes();
}

std::vector<wang::LayerToWrite> ThreeKinds()
{
    wang::LayerToWrite layer;
    layer.name = L"L";
    wang::MarkToWrite text;
    text.mark.type = wang::kTypedText;
    text.mark.bounds = {10, 20, 110, 70};
    text.mark.colour1 = RGB(1, 2, 3);
    text.mark.colour2 = RGB(4, 5, 6);
    text.mark.line_size = 2;
    text.mark.font.lfHeight = 12;
    text.mark.font.lfWeight = 700;
    text.mark.font.lfCharSet = 2;
    std::strcpy(text.mark.font.lfFaceName, "Symbol");
    text.mark.time = 22968;
    text.mark.visible = 1;
    text.mark.text = L"Hi";
    text.mark.text_orientation = 900;
    text.mark.creation_scale = 360;
    text.index = 0;
    wang::MarkToWrite line;
    line.mark.type = wang::kFreehandLine;
    line.mark.bounds = {10, 20, 15, 25};
    line.mark.colour1 = RGB(255, 0, 0);
    line.mark.highlighting = 1;
    line.mark.line_size = 4;
    line.mark.visible = 1;
    line.mark.points = {{0, 0}, {5, 5}};
    line.index = 1;
    wang::MarkToWrite picture;
    picture.mark.type = wang::kImageEmbedded;
    picture.mark.bounds = {0, 0, 2, 2};
    picture.mark.transparent = 1;
    picture.mark.dib = TinyDib();
    picture.mark.resolution[0] = 96;
    picture.mark.resolution[1] = 120;
    picture.index = 2;
    layer.marks = {text, line, picture};
    return {layer};
}

Bytes Written(const std::vector<wang::LayerToWrite>& layers, wang::Form form, bool preserve, uint32_t next)
{
    Bytes bytes;
    EXPECT_TRUE(wang::WriteData(layers, form, preserve, next, bytes));
    return bytes;
}

TEST(WangWriterBytes, TextLineAndPictureMarksInBothForms)
{
    for (bool unicode : {false, true}) {
        SCOPED_TRACE(unicode);
        Hand h;
        h.D(unicode ? 0x00030004 : 0).D(1);
        const size_t groupLength = unicode ? 12 : 11;
        auto lead = [&](uint32_t type, const char* index) {
            if (unicode) WangNamed(h, type, "OiUGroup", UntitledUnicodeGroup());
            WangNamed(h, type, "OiGroup", Chars("[Untitled]", groupLength));
            WangNamed(h, type, "OiIndex", Chars(index, 10));
        };

        lead(2, "0");
        WangMarkFields text;
        text.type = 7;
        text.left = 10, text.top = 20, text.right = 110, text.bottom = 70;
        text.colour1[0] = 3, text.colour1[1] = 2, text.colour1[2] = 1;
        text.colour2[0] = 6, text.colour2[1] = 5, text.colour2[2] = 4;
        text.lineSize = 2;
        text.fontHeight = 12, text.fontWeight = 700, text.charSet = 2, text.face = "Symbol";
        text.time = 22968;
        WangMarkBlock(h, text);
        if (unicode) {
            WangNamed(h, 6, "OiUGroup", UntitledUnicodeGroup());
            WangNamed(h, 6, "OiUText", Hand().D(3).Raw({'H', 'i', 0, 'H', 0, 'i', 0, 0, 0}).bytes());
        }
        WangNamed(h, 6, "OiAnText", Hand().D(900).D(1000).D(360).D(3).Raw({'H', 'i', 0}).bytes());

        lead(6, "1");
        WangMarkFields line;
        line.type = 4;
        line.left = 10, line.top = 20, line.right = 15, line.bottom = 25;
        line.colour1[2] = 255;
        line.highlighting = 1;
        line.lineSize = 4;
        WangMarkBlock(h, line);
        WangNamed(h, 6, "OiAnoDat", Hand().D(2).D(2).D(0).D(0).D(5).D(5).bytes());

        lead(6, "2");
        WangMarkFields picture;
        picture.type = 1;
        picture.right = 2, picture.bottom = 2;
        picture.transparent = 1;
        picture.visible = 0;
        WangMarkBlock(h, picture);
        WangNamed(h, 6, "OiDIB", TinyDib());
        WangNamed(h, 6, "OiAnoDat", Hand().D(1).D(1000).D(96).D(120).D(96).D(120).Raw(Bytes(32, 0)).bytes());

        WangNamed(h, 6, "OiGroup", Chars("[Untitled]", 11));
        WangNamed(h, 6, "OiIndex", Chars("3", 10));
        EXPECT_EQ(h.bytes(), Written(ThreeKinds(), unicode ? wang::Form::kUnicode : wang::Form::kAnsi, false, 3));
    }
}

TEST(WangWriterBytes, TheLargestIndexFillsItsTenBytes)
{
    wang::LayerToWrite layer;
    wang::MarkToWrite mark;
    mark.mark.type = wang::kHollowRectangle;
    mark.index = 4294967295u;
    layer.marks = {mark};
    const Bytes bytes = Written({layer}, wang::Form::kAnsi, false, 0);
    const Bytes digits(bytes.begin() + 8 + 31 + 20, bytes.begin() + 8 + 31 + 30);
    EXPECT_EQ(Chars("4294967295", 10), digits);
    EXPECT_EQ(formats_test::Bytes({'0', 0, 0, 0, 0, 0, 0, 0, 0, 0}), Bytes(bytes.end() - 10, bytes.end()));
}

// Text the code page holds in more bytes than UTF-16 units is counted in
// bytes: "\u65E5\u672C" is 2 units but 4 bytes in the Japanese code page.
TEST(WangWriterBytes, TextIsCountedInBytesOfTheConvertedText)
{
    const LCID was = GetThreadLocale();
    ASSERT_TRUE(SetThreadLocale(MAKELCID(MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT), SORT_DEFAULT)));
    if (GetACP() != 932) {
        char probe[8] = {};
        if (WideCharToMultiByte(CP_THREAD_ACP, 0, L"\u65E5", 1, probe, sizeof probe, nullptr, nullptr) != 2) {
            SetThreadLocale(was);
            GTEST_SKIP() << "no double-byte thread code page";
        }
    }
    wang::LayerToWrite layer;
    wang::MarkToWrite mark;
    mark.mark.type = wang::kAttachANote;
    mark.mark.text = L"\u65E5\u672C";
    mark.mark.creation_scale = 1000;
    layer.marks = {mark};
    const Bytes bytes = Written({layer}, wang::Form::kUnicode, true, 1);
    SetThreadLocale(was);
    // Header, the layer's 42-byte group block, the index block, the mark, "OiUGroup".
    size_t at = 8 + 62 + 30 + 172 + 62;
    const uint8_t ansi[5] = {0x93, 0xFA, 0x96, 0x7B, 0};
    Hand unicodeText;
    unicodeText.D(5).Raw(Bytes(ansi, ansi + 5)).Raw({0xE5, 0x65, 0x2C, 0x67, 0, 0});
    Hand text;
    text.D(0).D(1000).D(1000).D(5).Raw(Bytes(ansi, ansi + 5));
    Hand expected;
    WangNamed(expected, 6, "OiUText", unicodeText.bytes());
    WangNamed(expected, 6, "OiAnText", text.bytes());
    ASSERT_GE(bytes.size(), at + expected.Size());
    EXPECT_EQ(expected.bytes(), Bytes(bytes.begin() + at, bytes.begin() + at + expected.Size()));
}

// What the writer writes, the reader gives back: every field the layout
// carries, the layers in their order (each layer's block before its first
// mark) and the indexes.
TEST(WangWriterRoundTrip, EveryFieldAndTheLayerOrder)
{
    std::vector<wang::LayerToWrite> layers = ThreeKinds();
    wang::LayerToWrite second;
    second.name = L"Zweite";
    wang::MarkToWrite rectangle;
    rectangle.mark.type = wang::kFilledRectangle;
    rectangle.mark.bounds = {-5, 7, 300, 400};
    rectangle.mark.colour1 = RGB(9, 8, 7);
    rectangle.mark.time = -1;
    rectangle.index = 3;
    second.marks = {rectangle};
    layers.push_back(second);
    layers.push_back(wang::LayerToWrite());  // unnamed and empty

    for (bool unicode : {false, true}) {
        for (bool preserve : {false, true}) {
            SCOPED_TRACE(std::to_string(unicode) + " " + std::to_string(preserve));
            const Bytes bytes = Written(layers, unicode ? wang::Form::kUnicode : wang::Form::kAnsi, preserve, 4);
            wang::Data data;
            ASSERT_EQ(0, wang::ReadData(bytes.data(), bytes.size(), data));
            EXPECT_FALSE(data.damaged);
            EXPECT_EQ(0u, data.skipped_blocks);
            ASSERT_EQ(4u, data.marks.size());
            size_t at = 0;
            for (const wang::LayerToWrite& layer : layers) {
                for (size_t i = 0; i < layer.marks.size(); ++i, ++at) {
                    SCOPED_TRACE(at);
                    const wang::Mark& want = layer.marks[i].mark;
                    const wang::Mark& got = data.marks[at];
                    EXPECT_EQ(want.type, got.type);
                    EXPECT_EQ(want.bounds.left, got.bounds.left);
                    EXPECT_EQ(want.bounds.top, got.bounds.top);
                    EXPECT_EQ(want.bounds.right, got.bounds.right);
                    EXPECT_EQ(want.bounds.bottom, got.bounds.bottom);
                    EXPECT_EQ(want.colour1, got.colour1);
                    EXPECT_EQ(want.colour2, got.colour2);
                    EXPECT_EQ(want.highlighting, got.highlighting);
                    EXPECT_EQ(want.transparent, got.transparent);
                    EXPECT_EQ(want.line_size, got.line_size);
                    EXPECT_EQ(0, std::memcmp(&want.font, &got.font, sizeof(LOGFONTA)));
                    EXPECT_EQ(want.time, got.time);
                    EXPECT_EQ(want.visible, got.visible);
                    EXPECT_EQ(want.text, got.text);
                    EXPECT_EQ(unicode && got.has_text, got.has_unicode_text);
                    if (got.has_unicode_text) {
                        EXPECT_EQ(want.text, got.unicode_text);
                    }
                    EXPECT_EQ(want.text_orientation, got.text_orientation);
                    EXPECT_EQ(want.creation_scale, got.creation_scale);
                    ASSERT_EQ(want.points.size(), got.points.size());
                    for (size_t p = 0; p < want.points.size(); ++p) {
                        EXPECT_EQ(want.points[p].x, got.points[p].x);
                        EXPECT_EQ(want.points[p].y, got.points[p].y);
                    }
                    EXPECT_EQ(want.dib, got.dib);
                    if (want.type == wang::kImageEmbedded) {
                        EXPECT_EQ(96, got.resolution[0]);
                        EXPECT_EQ(120, got.resolution[3]);
                    }
                    EXPECT_TRUE(got.before.has_index);
                    EXPECT_EQ(layer.marks[i].index, got.before.index);
                    if (preserve) {
                        EXPECT_EQ(i == 0, got.before.has_group) << "a group block only before a layer's first mark";
                        if (i == 0) {
                            EXPECT_EQ(layer.name, got.before.group);
                            EXPECT_EQ(unicode, got.before.group_per_layer_form);
                        }
                    } else {
                        EXPECT_EQ(L"[Untitled]", got.before.group);
                    }
                }
            }
            EXPECT_EQ(4u, data.after_last.index);
            EXPECT_EQ(L"[Untitled]", data.after_last.group);
        }
    }
}

} // namespace
