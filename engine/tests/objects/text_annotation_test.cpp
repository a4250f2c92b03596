// Text items in-process: the buffer, the wrapped layouts at each orientation
// and justification (line tables and pixels read back from a DIB section),
// the overflow arrow, the saved records and the shared fonts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "formats/byte_stream.h"
#include "object_test_support.h"
#include "objects/text_annotation.h"
#include "view/unit_names.h"

namespace {

using namespace objects_test;

struct TextOwner : RecordingOwner {
    UnitNames* TextSettings() override { return &names; }
    UnitNames names;
};

LOGFONTA Font(const char* face, int height) {
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = FW_NORMAL;
    std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return font;
}

void Set(Annotation& item, int code, EngineValue value) {
    bool changed = false;
    ASSERT_EQ(0, item.SetAttribute(code, value, changed)) << code;
}

void SetText(Annotation& item, const std::wstring& text) {
    BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    Set(item, QMK_Text, reinterpret_cast<EngineValue>(value));
    SysFreeString(value);
}

// A placed text item over a box in pixels, black text, no pen, transparent.
std::unique_ptr<TextAnnotation> MakeText(TestView& view, TextOwner& owner, RECT pixels,
                                         const std::wstring& text, int orientation = 0,
                                         int justification = QMK_LeftJustify) {
    auto item = std::make_unique<TextAnnotation>(ToolMap(TextTool));
    item->Link(&owner, &view.mapping);
    const RECT bounds = LayerRect(pixels.left, pixels.top, pixels.right, pixels.bottom);
    Set(*item, QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds));
    const LOGFONTA font = Font("Arial", -20);
    Set(*item, QMK_Logfont, reinterpret_cast<EngineValue>(&font));
    Set(*item, QMK_PenWidth, 0);
    Set(*item, QMK_TextColor, 0);
    Set(*item, QMK_BackStyle, BackStyle_Transparent);
    Set(*item, QMK_TextOrientation, orientation);
    Set(*item, QMK_TextJustification, justification);
    SetText(*item, text);
    item->SetCommitted(true);
    item->Attach();
    return item;
}

// ---- the buffer ------------------------------------------------------------------------

TEST(TextBuffer, InsertsOfAnyLengthFitAndKeepTheirNul) {
    struct Case {
        const char* name;
        int before;
        int inserted;
    };
    const Case cases[] = {
        {"small", 10, 5},
        {"to the step exactly", 0, TextBuffer::kStep},
        {"one short of the step", 1, TextBuffer::kStep - 2},
        {"longer than one step of growth", 10, 2 * TextBuffer::kStep + 7},
    };
    for (const Case& c : cases) {
        TextBuffer buffer;
        for (int i = 0; i < c.before; ++i) buffer.Append(L'a');
        std::wstring run(static_cast<size_t>(c.inserted), L'x');
        EXPECT_EQ(c.inserted, buffer.InsertRun(c.before / 2, run.data(), c.inserted)) << c.name;
        EXPECT_EQ(c.before + c.inserted, buffer.Length()) << c.name;
        EXPECT_GT(buffer.Capacity(), buffer.Length()) << c.name;
        EXPECT_EQ(0, buffer.Capacity() % TextBuffer::kStep) << c.name;
        EXPECT_EQ(L'\0', buffer.Chars()[buffer.Length()]) << c.name;
        EXPECT_EQ(static_cast<size_t>(buffer.Length()), std::wcslen(buffer.Chars())) << c.name;
    }
    TextBuffer reset;
    ASSERT_TRUE(reset.Reset(TextBuffer::kStep));
    EXPECT_GT(reset.Capacity(), TextBuffer::kStep) << "room for the NUL too";
    EXPECT_EQ(L'\0', reset.Chars()[TextBuffer::kStep]);
}

TEST(TextBuffer, TypingInsertsOverwritesAndAppends) {
    struct Case {
        const char* name;
        bool overwrite;
        int caret;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"insert in the middle shifts the tail", false, 1, L"aXbc"},
        {"overwrite replaces the unit at the caret", true, 1, L"aXc"},
        {"insert at the end appends", false, 3, L"abcX"},
        {"overwrite at the end appends", true, 3, L"abcX"},
    };
    for (const Case& c : cases) {
        TextBuffer buffer;
        buffer.AppendRun(L"abc", 3);
        if (c.overwrite) buffer.ToggleInsertMode();
        buffer.SetCaret(c.caret);
        buffer.Type(L'X');
        EXPECT_EQ(std::wstring(c.expected), std::wstring(buffer.Chars())) << c.name;
        EXPECT_EQ(c.caret + 1, buffer.Caret()) << c.name;
    }
}

// ---- wrapping ----------------------------------------------------------------------------

TEST(TextLayout, WrapsAtEachOrientation) {
    TestView view;
    TextOwner owner;
    // The box holds "ab " along the line but not "ab c".
    auto probe = MakeText(view, owner, {0, 0, 300, 300}, L"ab cd");
    FontEntry* metrics = probe->Metrics();
    ASSERT_NE(nullptr, metrics);
    ASSERT_TRUE(metrics->outlineMetrics) << "rotated text needs an outline font";
    const int span = metrics->Width(L'a') + metrics->Width(L'b') + metrics->Width(L' ');
    const int step = metrics->height + metrics->externalLeading;
    struct Case {
        int orientation;
        RECT box;
        // first and count of both lines, the first line's x and y, the next line's x and y
        int first0, count0, first1, count1;
        int x0, y0, x1, y1;
    };
    const Case cases[] = {
        {0, {0, 0, span, 200}, 0, 2, 3, 2, 0, 0, 0, step},
        {900, {0, 0, 300, span}, 0, 2, 3, 2, 0, span + 1, step, span + 1},
        {2700, {0, 0, 300, span}, 0, 2, 3, 2, 301, 0, 301 - step, 0},
        // Upside down the space stays at the end of its line.
        {1800, {0, 0, span, 200}, 0, 3, 3, 2, span + 1, 201, span + 1, 201 - step},
    };
    for (const Case& c : cases) {
        auto item = MakeText(view, owner, c.box, L"ab cd", c.orientation);
        const std::vector<TextAnnotation::Line>& lines = item->Lines();
        ASSERT_EQ(2u, lines.size()) << c.orientation;
        EXPECT_EQ(c.first0, lines[0].first) << c.orientation;
        EXPECT_EQ(c.count0, lines[0].count) << c.orientation;
        EXPECT_EQ(c.first1, lines[1].first) << c.orientation;
        EXPECT_EQ(c.count1, lines[1].count) << c.orientation;
        EXPECT_EQ(c.x0, lines[0].x) << c.orientation;
        EXPECT_EQ(c.y0, lines[0].y) << c.orientation;
        EXPECT_EQ(c.x1, lines[1].x) << c.orientation;
        EXPECT_EQ(c.y1, lines[1].y) << c.orientation;
        EXPECT_EQ(metrics->Width(L'a') + metrics->Width(L'b'), lines[0].width) << c.orientation;
    }
}

TEST(TextLayout, LineEndsWordsLongerThanTheLineAndNarrowBoxes) {
    TestView view;
    TextOwner owner;
    auto breaks = MakeText(view, owner, {0, 0, 300, 200}, L"ab\r\ncd\n\nef");
    const std::vector<TextAnnotation::Line>& lines = breaks->Lines();
    ASSERT_EQ(3u, lines.size()) << "CR LF and LF LF each break once";
    EXPECT_EQ(4, lines[1].first);
    EXPECT_EQ(8, lines[2].first);

    FontEntry* metrics = breaks->Metrics();
    ASSERT_NE(nullptr, metrics);
    const int two = metrics->Width(L'w') * 2;
    auto word = MakeText(view, owner, {0, 0, two, 200}, L"wwwww");
    ASSERT_EQ(3u, word->Lines().size()) << "a long word wraps before the unit that does not fit";
    EXPECT_EQ(2, word->Lines()[0].count);
    EXPECT_EQ(2, word->Lines()[1].first);

    auto narrow = MakeText(view, owner, {0, 0, metrics->Width(L'w') - 2, 200}, L"w");
    narrow->Lines();
    EXPECT_FALSE(narrow->LayoutValid()) << "no unit fits: nothing is laid out";
    DibCanvas canvas(100, 100);
    narrow->Draw(canvas.dc(), PaintArguments());
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(RGB(255, 255, 255), canvas.At(x, y)) << x << "," << y;
}

// Where the ink of a drawing lies: its bounding box.
RECT Ink(const DibCanvas& canvas, int width, int height) {
    RECT ink = {width, height, -1, -1};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (canvas.At(x, y) == RGB(255, 255, 255)) continue;
            ink.left = std::min<LONG>(ink.left, x);
            ink.top = std::min<LONG>(ink.top, y);
            ink.right = std::max<LONG>(ink.right, x + 1);
            ink.bottom = std::max<LONG>(ink.bottom, y + 1);
        }
    return ink;
}

TEST(TextDrawing, OrientationAndJustificationPlaceTheText) {
    TestView view;
    TextOwner owner;
    const int W = 300, H = 300;
    // The centre of the ink along the reading direction, as a third of the
    // box: 0 first third, 1 middle, 2 last third (in window coordinates).
    struct Case {
        int orientation;
        int justification;
        bool alongX;
        int third;
    };
    const Case cases[] = {
        {0, QMK_LeftJustify, true, 0},      {0, QMK_CenterJustify, true, 1},
        {0, QMK_RightJustify, true, 2},     {900, QMK_LeftJustify, false, 2},
        {900, QMK_CenterJustify, false, 1}, {900, QMK_RightJustify, false, 0},
        {1800, QMK_LeftJustify, true, 2},   {1800, QMK_CenterJustify, true, 1},
        {1800, QMK_RightJustify, true, 0},  {2700, QMK_LeftJustify, false, 0},
        {2700, QMK_CenterJustify, false, 1}, {2700, QMK_RightJustify, false, 2},
    };
    for (const Case& c : cases) {
        auto item = MakeText(view, owner, {0, 0, W, H}, L"HHHH", c.orientation, c.justification);
        DibCanvas canvas(W, H);
        EXPECT_EQ(1, item->Draw(canvas.dc(), PaintArguments()));
        const RECT ink = Ink(canvas, W, H);
        ASSERT_LT(ink.left, ink.right) << c.orientation << " " << c.justification << ": no text drawn";
        const int centre = c.alongX ? (ink.left + ink.right) / 2 : (ink.top + ink.bottom) / 2;
        EXPECT_EQ(c.third, centre * 3 / (c.alongX ? W : H))
            << c.orientation << " " << c.justification << " ink " << ink.left << "," << ink.top
            << "-" << ink.right << "," << ink.bottom;
    }
}

TEST(TextDrawing, TextThatDoesNotFitShowsTheArrowWhenAsked) {
    TestView view;
    TextOwner owner;
    struct Case {
        bool arrows;
        bool drawn;
    };
    for (const Case c : {Case{true, true}, Case{false, false}}) {
        owner.names.textToolArrows = c.arrows;
        auto item = MakeText(view, owner, {0, 0, 200, 60}, L"one\rtwo\rthree\rfour\rfive");
        DibCanvas canvas(200, 60);
        item->Draw(canvas.dc(), PaintArguments());
        EXPECT_TRUE(item->Overflowed());
        // The arrow lies in the bottom-right corner, where no text is.
        const COLORREF corner = canvas.At(200 - 15, 60 - 12);
        EXPECT_EQ(c.drawn, corner != RGB(255, 255, 255)) << c.arrows;
    }
    owner.names.textToolArrows = true;
    auto fits = MakeText(view, owner, {0, 0, 200, 60}, L"one");
    DibCanvas canvas(200, 60);
    fits->Draw(canvas.dc(), PaintArguments());
    EXPECT_FALSE(fits->Overflowed());
    EXPECT_EQ(RGB(255, 255, 255), canvas.At(200 - 15, 60 - 12));
}

// ---- saved records -------------------------------------------------------------------------

TEST(TextRecords, TextFontAndOrientationSurviveTheStream) {
    TestView view;
    TextOwner owner;
    const std::wstring text = L"\x041F\x0440\x0438\x0432\x0435\x0442 \x4E16\x754C \x2211\xD83D\xDE00";
    auto item = MakeText(view, owner, {10, 10, 200, 100}, text, 900, QMK_CenterJustify);
    const LOGFONTA serif = Font("Times New Roman", -21);
    Set(*item, QMK_Logfont, reinterpret_cast<EngineValue>(&serif));
    ByteWriter out;
    ASSERT_EQ(0, item->SaveCommon(out));

    auto loaded = std::make_unique<TextAnnotation>(ToolMap(TextTool));
    loaded->Link(&owner, &view.mapping);
    ByteReader in(out.Bytes().data(), out.Size());
    ASSERT_EQ(0, loaded->LoadCommon(in));
    EXPECT_EQ(text, std::wstring(loaded->Buffer().Chars(), loaded->Buffer().Length()));
    EXPECT_EQ(text, loaded->CommittedText());
    EXPECT_EQ(900, loaded->Orientation());
    EXPECT_STREQ("Times New Roman", loaded->Font().lfFaceName);
    EXPECT_EQ(-21, loaded->Font().lfHeight);
    EXPECT_EQ(900, loaded->Font().lfEscapement) << "the font follows the orientation";
    EXPECT_EQ(900, loaded->Font().lfOrientation);
    EXPECT_EQ(QMK_CenterJustify, loaded->MapNumber(QMK_TextJustification));
}

TEST(TextRecords, AnEmptyTextIsWrittenAsTheNulAlone) {
    TestView view;
    TextOwner owner;
    auto item = MakeText(view, owner, {0, 0, 50, 50}, L"");
    ByteWriter out;
    ASSERT_TRUE(item->WriteAttributeRecord(out, QMK_Text));
    const std::vector<uint8_t> expected = {10, 0, 0, 0, 2, 0, 0, 0, 0, 0};
    EXPECT_EQ(expected, out.Bytes());
}

TEST(TextRecords, WangTypeTenMakesANote) {
    TestView view;
    TextOwner owner;
    auto item = MakeText(view, owner, {0, 0, 50, 50}, L"x");
    bool changed = false;
    EXPECT_EQ(QMK_ErrInvalidWangType, item->SetAttribute(QMK_WangType, 8, changed));
    EXPECT_EQ(0, item->SetAttribute(QMK_WangType, 10, changed));
    EXPECT_EQ(BackStyle_Opaque, item->MapNumber(QMK_BackStyle));
    EXPECT_EQ(1, item->MapNumber(QMK_PenWidth));
    EXPECT_EQ(0, item->MapNumber(QMK_PenColor));
    // Orientations outside the four are ignored; transforms turn them.
    EXPECT_EQ(0, item->SetAttribute(QMK_TextOrientation, 450, changed));
    EXPECT_EQ(0, item->Orientation());
    Set(*item, QMK_TextOrientation, 1800);
    item->MirrorInImage();
    EXPECT_EQ(0, item->Orientation());
    Set(*item, QMK_TextOrientation, 900);
    item->FlipInImage();
    EXPECT_EQ(2700, item->Orientation());
}

// ---- shared fonts ----------------------------------------------------------------------------

TEST(TextFonts, ItemsShareAFontAndReleaseOnlyTheirOwnUse) {
    TestView view;
    TextOwner owner;
    auto first = MakeText(view, owner, {0, 0, 200, 60}, L"first");
    auto second = MakeText(view, owner, {0, 0, 200, 60}, L"second");
    FontCache& cache = owner.names.Fonts();
    const LOGFONTA key = first->Font();
    EXPECT_EQ(2, cache.References(key));
    for (int i = 0; i < 3; ++i) {
        DibCanvas canvas(200, 60);
        first->Draw(canvas.dc(), PaintArguments());
        second->Draw(canvas.dc(), PaintArguments());
    }
    EXPECT_EQ(2, cache.References(key)) << "painting registers nothing";
    first.reset();
    EXPECT_EQ(1, cache.References(key));
    DibCanvas canvas(200, 60);
    EXPECT_EQ(1, second->Draw(canvas.dc(), PaintArguments()));
    const RECT ink = Ink(canvas, 200, 60);
    EXPECT_LT(ink.left, ink.right) << "the other item still draws";
}

} // namespace
