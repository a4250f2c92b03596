// Slots 35 and 36 through the DLL as the host loads it: the Wang/Oi data of
// the engine's layers compared with bytes written out by hand, and what the
// slots refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "engine_test_host.h"
#include "format_test_support.h"
#include "wang_hand.h"

using namespace engine_test;
using namespace formats_test;

namespace {

// The host's image is 800 x 600: a 16th of the width is 50 pixels, a 16th
// of the height 37.5.
const RECT kFirstBounds = {0x00100000, 0x00200000, 0x00500000, 0x00400000};   // 50, 75, 250, 150
const RECT kSecondBounds = {0x00800000, 0x00800000, 0x00900000, 0x00A00000};  // 400, 300, 450, 375

Bytes ItemWithTime(int type, int seq, const RECT& bounds, int seconds)
{
    Hand h;
    h.D(static_cast<uint32_t>(type)).D(36756).R(36765, 0x17);
    h.D(7).D(bounds.left).D(bounds.top).D(bounds.right).D(bounds.bottom);
    h.R(36751, static_cast<uint32_t>(seq)).R(36764, static_cast<uint32_t>(seconds)).D(36757);
    return h.bytes();
}

// "Older": a hollow rectangle (pen 0x123456, width 3) and an ellipse; then
// "Newer": a translucent filled rectangle (fill 0x00AA00).
void FillTwoLayers(AnnotationEngine* e)
{
    const int older = AddRecordLayer(
        e, LayerRecord(L"Older", {ItemWithTime(RectangleTool, 1, kFirstBounds, 22968),
                                  ItemWithTime(EllipseTool, 2, kFirstBounds, 5)}));
    ASSERT_NE(0, older);
    e->PrgSetItemAttribute(older, 1, QMK_PenColor, 0x123456);
    e->PrgSetItemAttribute(older, 1, QMK_FillColor, 0x654321);
    e->PrgSetItemAttribute(older, 1, QMK_PenWidth, 3);
    e->PrgSetItemAttribute(older, 1, QMK_BackStyle, 3001);
    const int newer =
        AddRecordLayer(e, LayerRecord(L"Newer", {ItemWithTime(RectangleTool, 4, kSecondBounds, 1000000)}));
    ASSERT_NE(0, newer);
    e->PrgSetItemAttribute(newer, 4, QMK_PenColor, 0x777777);
    e->PrgSetItemAttribute(newer, 4, QMK_FillColor, 0x00AA00);
    e->PrgSetItemAttribute(newer, 4, QMK_PenWidth, 9);
    e->PrgSetItemAttribute(newer, 4, QMK_BackStyle, 3003);
}

Hand& HollowMark(Hand& h)
{
    WangMarkFields m;
    m.type = 5;
    m.left = 50, m.top = 75, m.right = 250, m.bottom = 150;
    m.colour1[0] = 0x12, m.colour1[1] = 0x34, m.colour1[2] = 0x56;
    m.transparent = 1;
    m.lineSize = 3;
    m.time = 22968;
    return WangMarkBlock(h, m);
}

Hand& FilledMark(Hand& h)
{
    WangMarkFields m;
    m.type = 6;
    m.left = 400, m.top = 300, m.right = 450, m.bottom = 375;
    m.colour1[1] = 0xAA;
    m.highlighting = 1;
    m.time = 1000000;
    return WangMarkBlock(h, m);
}

Hand& Closing(Hand& h, const char* nextIndex)
{
    WangNamed(h, 6, "OiGroup", Chars("[Untitled]", 11));
    return WangNamed(h, 6, "OiIndex", Chars(nextIndex, 10));
}

Bytes Saved(AnnotationEngine* e, bool unicode, bool preserve)
{
    void* block = nullptr;
    const int size = unicode ? e->SaveWangAnnotationsUnicode(&block, preserve ? 1 : 0)
                             : e->SaveWangAnnotations(&block, preserve ? 1 : 0);
    if (size <= 0) return Bytes();
    Bytes bytes(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + size);
    CoTaskMemFree(block);
    return bytes;
}

TEST(WangSlots, AnsiWriterWithoutLayers)
{
    EngineLibrary library;
    TestHost host(library);
    FillTwoLayers(host.Engine());
    Hand h;
    h.D(0).D(1);
    WangNamed(h, 2, "OiGroup", Chars("[Untitled]", 11));
    WangNamed(h, 2, "OiIndex", Chars("0", 10));
    HollowMark(h);
    WangNamed(h, 6, "OiGroup", Chars("[Untitled]", 11));
    WangNamed(h, 6, "OiIndex", Chars("1", 10));
    FilledMark(h);
    Closing(h, "2");
    EXPECT_EQ(h.bytes(), Saved(host.Engine(), false, false));
}

TEST(WangSlots, UnicodeWriterWithoutLayers)
{
    EngineLibrary library;
    TestHost host(library);
    FillTwoLayers(host.Engine());
    Hand h;
    h.D(0x00030004).D(1);
    WangNamed(h, 2, "OiUGroup", UntitledUnicodeGroup());
    WangNamed(h, 2, "OiGroup", Chars("[Untitled]", 12));
    WangNamed(h, 2, "OiIndex", Chars("0", 10));
    HollowMark(h);
    WangNamed(h, 6, "OiUGroup", UntitledUnicodeGroup());
    WangNamed(h, 6, "OiGroup", Chars("[Untitled]", 12));
    WangNamed(h, 6, "OiIndex", Chars("1", 10));
    FilledMark(h);
    Closing(h, "2");
    EXPECT_EQ(h.bytes(), Saved(host.Engine(), true, false));
}

TEST(WangSlots, BothWritersWithLayersOldestFirst)
{
    EngineLibrary library;
    TestHost host(library);
    FillTwoLayers(host.Engine());
    host->CreateLayer(1);  // unnamed, empty, newest
    for (bool unicode : {false, true}) {
        SCOPED_TRACE(unicode);
        const char* layerBlock = unicode ? "OIUGROUP" : "OiGroup";
        Hand h;
        h.D(unicode ? 0x00030004 : 0).D(1);
        WangNamed(h, 2, layerBlock, Chars("Older", 6));
        WangNamed(h, 2, "OiIndex", Chars("0", 10));
        HollowMark(h);
        WangNamed(h, 6, layerBlock, Chars("Newer", 6));
        WangNamed(h, 6, "OiIndex", Chars("1", 10));
        FilledMark(h);
        if (unicode)
            WangNamed(h, 6, layerBlock, UntitledUnicodeGroup());
        else
            WangNamed(h, 6, layerBlock, Chars("[Untitled]", 11));
        Closing(h, "2");
        EXPECT_EQ(h.bytes(), Saved(host.Engine(), unicode, true));
    }
}

TEST(WangSlots, LayersWithoutWrittenMarks)
{
    EngineLibrary library;
    TestHost host(library);
    void* block = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(0, host->SaveWangAnnotations(&block, 0)) << "no layers";
    EXPECT_EQ(0, host->SaveWangAnnotationsUnicode(&block, 1));
    EXPECT_EQ(reinterpret_cast<void*>(0x1234), block);

    // An ellipse leaves no trace; an empty first layer takes the type 2 of
    // its per-layer block, and no mark block gets it.
    AddRecordLayer(host.Engine(), LayerRecord(L"E", {ItemWithTime(EllipseTool, 1, kFirstBounds, 1)}));
    Hand plain;
    plain.D(0).D(1);
    Closing(plain, "0");
    EXPECT_EQ(69u, plain.Size());
    EXPECT_EQ(plain.bytes(), Saved(host.Engine(), false, false));
    Hand layered;
    layered.D(0).D(1);
    WangNamed(layered, 2, "OiGroup", Chars("E", 2));
    Closing(layered, "0");
    EXPECT_EQ(layered.bytes(), Saved(host.Engine(), false, true));

    host->SetSaveAnnotations(0);
    EXPECT_EQ(0, host->SaveWangAnnotations(&block, 0)) << "saving switched off";
    EXPECT_EQ(reinterpret_cast<void*>(0x1234), block);
    EXPECT_EQ(0, host->SaveWangAnnotations(nullptr, 0));
}

// A line or freehand record: pen width 2, points in layer units.
Bytes PointItem(int type, int seq, const std::vector<POINT>& points)
{
    Hand h;
    h.D(static_cast<uint32_t>(type)).D(36756).R(36765, 0x17);
    h.D(1024).D(static_cast<uint32_t>(points.size()));
    for (const POINT& p : points) h.D(static_cast<uint32_t>(p.x)).D(static_cast<uint32_t>(p.y));
    h.R(36751, static_cast<uint32_t>(seq)).R(36764, 77).D(36757);
    return h.bytes();
}

TEST(WangSlots, LinesAndFreehandMarksCarryTheirPoints)
{
    EngineLibrary library;
    TestHost host(library);
    // Pixels (100, 75), (300, 150) and (100, 75), (200, 150), (300, 75) of
    // the 800 x 600 image; a polyline and a ruler leave no trace.
    const int layer = AddRecordLayer(
        host.Engine(),
        LayerRecord(L"L", {PointItem(LineTool, 1, {{0x200000, 0x200000}, {0x600000, 0x400000}}),
                           PointItem(PolyLineTool, 2, {{0x200000, 0x200000}, {0x600000, 0x400000}}),
                           PointItem(FreehandTool, 3,
                                     {{0x200000, 0x200000}, {0x400000, 0x400000}, {0x600000, 0x200000}}),
                           PointItem(RulerTool, 4, {{0x200000, 0x200000}, {0x600000, 0x400000}})}));
    ASSERT_NE(0, layer);
    host->PrgSetItemAttribute(layer, 1, QMK_PenColor, 0x123456);
    host->PrgSetItemAttribute(layer, 3, QMK_PenColor, 0x00AA00);
    host->PrgSetItemAttribute(layer, 3, QMK_PenFillStyle, 5509);

    // The bounds hold the pen (2 pixels) around the points; the points are
    // relative to the bounds' left and top.
    WangMarkFields line;
    line.type = 3;
    line.left = 98, line.top = 73, line.right = 302, line.bottom = 152;
    line.colour1[0] = 0x12, line.colour1[1] = 0x34, line.colour1[2] = 0x56;
    line.lineSize = 2;
    line.time = 77;
    WangMarkFields freehand = line;
    freehand.type = 4;
    freehand.colour1[0] = 0, freehand.colour1[1] = 0xAA, freehand.colour1[2] = 0;
    freehand.highlighting = 1;

    Hand h;
    h.D(0).D(1);
    WangNamed(h, 2, "OiGroup", Chars("[Untitled]", 11));
    WangNamed(h, 2, "OiIndex", Chars("0", 10));
    WangMarkBlock(h, line);
    WangNamed(h, 6, "OiAnoDat", Hand().D(2).D(2).D(2).D(2).D(202).D(77).bytes());
    WangNamed(h, 6, "OiGroup", Chars("[Untitled]", 11));
    WangNamed(h, 6, "OiIndex", Chars("1", 10));
    WangMarkBlock(h, freehand);
    WangNamed(h, 6, "OiAnoDat", Hand().D(3).D(3).D(2).D(2).D(102).D(77).D(202).D(2).bytes());
    Closing(h, "2");
    EXPECT_EQ(h.bytes(), Saved(host.Engine(), false, false));
}

TEST(WangSlots, StampAndPictureMarks)
{
    EngineLibrary library;
    TestHost host(library);
    const int layer = AddRecordLayer(
        host.Engine(), LayerRecord(L"S", {ItemWithTime(StampTool, 1, kFirstBounds, 9),
                                          ItemWithTime(ImageTool, 2, kSecondBounds, 10),
                                          ItemWithTime(ButtonTool, 3, kSecondBounds, 11)}));
    ASSERT_NE(0, layer);
    BSTR text = SysAllocString(L"OK");
    host->PrgSetItemAttribute(layer, 1, QMK_Text, reinterpret_cast<EngineValue>(text));
    SysFreeString(text);
    LOGFONTA font = {};
    font.lfHeight = -32;
    font.lfWeight = 700;
    strcpy(font.lfFaceName, "Tahoma");
    host->PrgSetItemAttribute(layer, 1, QMK_Logfont, reinterpret_cast<EngineValue>(&font));
    host->PrgSetItemAttribute(layer, 1, QMK_TextOrientation, 900);
    host->PrgSetItemAttribute(layer, 1, QMK_TextColor, 0x0000FF);
    host->PrgSetItemAttribute(layer, 1, QMK_BackColor, 0xC00000);
    // A 24-bit picture of 2 x 1 pixels: header and one row of 8 bytes.
    HGLOBAL picture = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 48);
    uint8_t* bits = static_cast<uint8_t*>(GlobalLock(picture));
    const Bytes dib = Hand().D(40).D(2).D(1).Raw({1, 0, 24, 0}).D(0).D(8).D(0).D(0).D(0).D(0)
                          .Raw({1, 2, 3, 4, 5, 6, 0, 0}).bytes();
    memcpy(bits, dib.data(), dib.size());
    GlobalUnlock(picture);
    host->PrgSetItemAttribute(layer, 2, QMK_DibPtr, reinterpret_cast<EngineValue>(picture));
    GlobalFree(picture);

    // The font's height in points of the screen.
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    WangMarkFields stamp;
    stamp.type = 9;
    stamp.left = 50, stamp.top = 75, stamp.right = 250, stamp.bottom = 150;
    stamp.colour1[2] = 0xFF;
    stamp.colour2[0] = 0xC0;
    stamp.transparent = 1;
    stamp.fontHeight = 32 * 72 / dpi;
    stamp.escapement = 900;
    stamp.fontWeight = 700;
    stamp.face = "Tahoma";
    stamp.time = 9;
    WangMarkFields image;
    image.type = 1;
    image.left = 400, image.top = 300, image.right = 450, image.bottom = 375;
    image.time = 10;

    Hand h;
    h.D(0).D(1);
    WangNamed(h, 2, "OiGroup", Chars("[Untitled]", 11));
    WangNamed(h, 2, "OiIndex", Chars("0", 10));
    WangMarkBlock(h, stamp);
    WangNamed(h, 6, "OiAnText", Hand().D(900).D(1000).D(1000).D(3).Raw(Chars("OK", 3)).bytes());
    WangNamed(h, 6, "OiGroup", Chars("[Untitled]", 11));
    WangNamed(h, 6, "OiIndex", Chars("1", 10));
    WangMarkBlock(h, image);
    WangNamed(h, 6, "OiDIB", dib);
    // The image's resolution of the host (200 dots per inch), now and first stored.
    WangNamed(h, 6, "OiAnoDat", Hand().D(1).D(1000).D(200).D(200).D(200).D(200).Raw(Bytes(32, 0)).bytes());
    Closing(h, "2");
    EXPECT_EQ(h.bytes(), Saved(host.Engine(), false, false)) << "the button leaves no trace";
}

TEST(WangSlots, TypedTextAndNoteMarks)
{
    EngineLibrary library;
    TestHost host(library);
    const int layer = AddRecordLayer(
        host.Engine(), LayerRecord(L"T", {ItemWithTime(TextTool, 1, kFirstBounds, 9),
                                          ItemWithTime(TextTool, 2, kSecondBounds, 10)}));
    ASSERT_NE(0, layer);
    LOGFONTA font = {};
    font.lfHeight = -32;
    font.lfWeight = 400;
    strcpy(font.lfFaceName, "Arial");
    const wchar_t* texts[] = {L"Hi", L"Note \x4E16"};
    for (int seq = 1; seq <= 2; ++seq) {
        BSTR text = SysAllocString(texts[seq - 1]);
        host->PrgSetItemAttribute(layer, seq, QMK_Text, reinterpret_cast<EngineValue>(text));
        SysFreeString(text);
        host->PrgSetItemAttribute(layer, seq, QMK_Logfont, reinterpret_cast<EngineValue>(&font));
        host->PrgSetItemAttribute(layer, seq, QMK_TextColor, 0x0000FF);
        host->PrgSetItemAttribute(layer, seq, QMK_BackColor, 0xC00000);
    }
    host->PrgSetItemAttribute(layer, 1, QMK_BackStyle, 3001);
    host->PrgSetItemAttribute(layer, 1, QMK_PenWidth, 2);
    host->PrgSetItemAttribute(layer, 1, QMK_TextOrientation, 2700);
    host->PrgSetItemAttribute(layer, 1, QMK_WangType, 7);
    host->PrgSetItemAttribute(layer, 2, QMK_WangType, 10);  // a note: opaque, pen 1

    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    WangMarkFields typed;
    typed.type = 7;
    typed.left = 50, typed.top = 75, typed.right = 250, typed.bottom = 150;
    typed.colour1[2] = 0xFF;  // the text colour first
    typed.colour2[0] = 0xC0;
    typed.transparent = 1;
    typed.lineSize = 2;
    typed.fontHeight = 32 * 72 / dpi;
    typed.escapement = 2700;
    typed.fontWeight = 400;
    typed.face = "Arial";
    typed.time = 9;
    WangMarkFields note = typed;
    note.type = 10;
    note.left = 400, note.top = 300, note.right = 450, note.bottom = 375;
    note.colour1[0] = 0xC0, note.colour1[2] = 0;  // the back colour first
    note.colour2[0] = 0, note.colour2[2] = 0xFF;
    note.transparent = 0;
    note.lineSize = 1;
    note.escapement = 0;
    note.time = 10;

    Hand ansi;
    ansi.D(0).D(1);
    WangNamed(ansi, 2, "OiGroup", Chars("[Untitled]", 11));
    WangNamed(ansi, 2, "OiIndex", Chars("0", 10));
    WangMarkBlock(ansi, typed);
    WangNamed(ansi, 6, "OiAnText", Hand().D(2700).D(1000).D(1000).D(3).Raw(Chars("Hi", 3)).bytes());
    WangNamed(ansi, 6, "OiGroup", Chars("[Untitled]", 11));
    WangNamed(ansi, 6, "OiIndex", Chars("1", 10));
    WangMarkBlock(ansi, note);
    WangNamed(ansi, 6, "OiAnText", Hand().D(0).D(1000).D(1000).D(7).Raw(Chars("Note ?", 7)).bytes());
    Closing(ansi, "2");
    EXPECT_EQ(ansi.bytes(), Saved(host.Engine(), false, false));

    // The Unicode writer carries the text in UTF-16 too.
    const Bytes saved = Saved(host.Engine(), true, false);
    Hand unicodeText;
    unicodeText.D(7).Raw(Chars("Note ?", 7));
    for (wchar_t c : std::wstring(L"Note \x4E16"))
        unicodeText.Raw({static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8)});
    unicodeText.Raw({0, 0});
    Hand block;
    WangNamed(block, 6, "OiUText", unicodeText.bytes());
    const Bytes wanted = block.bytes();
    EXPECT_NE(saved.end(), std::search(saved.begin(), saved.end(), wanted.begin(), wanted.end()))
        << "the note's text in UTF-16";
}

TEST(WangSlots, NoDataWithoutAViewToConvertWith)
{
    EngineLibrary library;
    TestHost host(library);
    FillTwoLayers(host.Engine());
    host.Services().imageWidth = 0;
    void* block = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(0, host->SaveWangAnnotations(&block, 0));
    EXPECT_EQ(0, host->SaveWangAnnotationsUnicode(&block, 1));
    EXPECT_EQ(reinterpret_cast<void*>(0x1234), block);
}

} // namespace
