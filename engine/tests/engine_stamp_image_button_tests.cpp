// Stamps, pictures and buttons as a host meets them: placed and drawn out
// with the mouse (the screen cursor placed on each point first), painted,
// turned with the host's image, pressed in interactive mode, saved and
// loaded, and burnt into the image. These tests move the screen cursor and
// show a window, so they run alone.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "dib_canvas.h"
#include "layer_in_window.h"
#include "packed_dib.h"
#include "packed_images.h"

using namespace engine_test;

namespace {

// ---- pictures -----------------------------------------------------------------------------

// A bottom-up packed DIB of 1, 8 or 24 bits whose pixel (x, y) is
// colour(x, y) (1 and 8 bits: an index into the table, which is filled
// up to the depth's size).
template <typename Colour>
HGLOBAL MakeDib(int bits, int width, int height, std::vector<RGBQUAD> table, Colour colour)
{
    // The whole table of the depth.
    if (bits <= 8)
        table.resize(size_t(1) << bits);
    const int row = ((width * bits + 31) / 32) * 4;
    const size_t size = sizeof(BITMAPINFOHEADER) + table.size() * 4 + size_t(row) * height;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    BYTE* p = static_cast<BYTE*>(GlobalLock(block));
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    std::memcpy(p, &header, sizeof(header));
    if (!table.empty())
        std::memcpy(p + sizeof(header), table.data(), table.size() * 4);
    BYTE* pixels = p + sizeof(header) + table.size() * 4;
    for (int y = 0; y < height; ++y) {
        BYTE* line = pixels + size_t(height - 1 - y) * row;
        for (int x = 0; x < width; ++x) {
            const COLORREF c = colour(x, y);
            if (bits == 24) {
                line[x * 3] = GetBValue(c);
                line[x * 3 + 1] = GetGValue(c);
                line[x * 3 + 2] = GetRValue(c);
            } else if (bits == 8) {
                line[x] = static_cast<BYTE>(c);
            } else if (c) {
                line[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
            }
        }
    }
    GlobalUnlock(block);
    return block;
}

SIZE DibSize(HGLOBAL dib)
{
    BITMAPINFOHEADER header = {};
    std::memcpy(&header, GlobalLock(dib), sizeof(header));
    GlobalUnlock(dib);
    return {header.biWidth, header.biHeight};
}

// The host's draw service: records its twelve values and draws the picture
// (leaving out the transparent colour when asked).
std::vector<std::vector<int>> g_drawCalls;
int __stdcall TestHostDraw(int dcValue, int pictureValue, int transparent, int colour, int x, int y,
                           int width, int height, int sx, int sy, int sw, int sh)
{
    g_drawCalls.push_back({dcValue, pictureValue, transparent, colour, x, y, width, height, sx, sy, sw, sh});
    HDC dc = reinterpret_cast<HDC>(static_cast<intptr_t>(dcValue));
    HGLOBAL picture = reinterpret_cast<HGLOBAL>(static_cast<intptr_t>(pictureValue));
    BYTE* p = static_cast<BYTE*>(GlobalLock(picture));
    const BITMAPINFO* info = reinterpret_cast<const BITMAPINFO*>(p);
    const int bits = info->bmiHeader.biBitCount;
    const BYTE* pixels = p + info->bmiHeader.biSize + (bits <= 8 ? (4 << bits) : 0);
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    StretchDIBits(memory, 0, 0, width, height, sx, sy, sw, sh, pixels, info, DIB_RGB_COLORS, SRCCOPY);
    if (transparent)
        GdiTransparentBlt(dc, x, y, width, height, memory, 0, 0, width, height, static_cast<UINT>(colour));
    else
        BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    GlobalUnlock(picture);
    return 1;
}

// The host's mapping service: a new 24-bit picture filled with a colour of
// the code, turned a quarter for codes 1 and 3.
std::vector<int> g_mapCodes;
COLORREF MappedColour(int code) { return RGB(10 * code, 0, 255 - 10 * code); }
int __stdcall TestMapPicture(HostCookie, int picture, int code)
{
    g_mapCodes.push_back(code);
    SIZE size = DibSize(reinterpret_cast<HGLOBAL>(static_cast<intptr_t>(picture)));
    if (code == 1 || code == 3)
        std::swap(size.cx, size.cy);
    HGLOBAL made = MakeDib(24, size.cx, size.cy, {}, [code](int, int) { return MappedColour(code); });
    return static_cast<int>(reinterpret_cast<intptr_t>(made));
}

LOGFONTA Tahoma(int height)
{
    LOGFONTA font = {};
    font.lfHeight = height;
    std::strcpy(font.lfFaceName, "Tahoma");
    return font;
}

// The box around every pixel of a colour on a canvas region (empty when none).
RECT InkBox(const testkit::DibCanvas& canvas, const RECT& area, COLORREF ink)
{
    RECT box = {INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    bool any = false;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            const COLORREF c = canvas.At(x, y);
            // Text is drawn smoothed: a pixel mostly of the ink counts.
            const int distance = abs(GetRValue(c) - GetRValue(ink)) + abs(GetGValue(c) - GetGValue(ink)) +
                                 abs(GetBValue(c) - GetBValue(ink));
            if (distance > 200)
                continue;
            any = true;
            box.left = std::min<LONG>(box.left, x);
            box.top = std::min<LONG>(box.top, y);
            box.right = std::max<LONG>(box.right, x + 1);
            box.bottom = std::max<LONG>(box.bottom, y + 1);
        }
    return any ? box : RECT{};
}

AnnotationEngine* g_stampingEngine = nullptr;
int g_stampingLayer = 0;
const wchar_t* g_stampText = nullptr;
int __stdcall SupplyStampText(HostCookie cookie)
{
    TestHost::Record(cookie, Channel_Stamping, {});
    BSTR text = SysAllocString(g_stampText);
    g_stampingEngine->SetToolAttribute(g_stampingLayer, StampTool, QMK_Text,
                                       reinterpret_cast<EngineValue>(text));
    SysFreeString(text);
    return 0;
}

class StampsImagesButtons : public LayerInWindow {
protected:
    StampsImagesButtons()
    {
        host->SetHostDrawCall(&TestHostDraw);
        host->SetHostMapValue(&TestMapPicture);
        const LOGFONTA font = Tahoma(24);
        host->SetToolAttribute(layer, StampTool, QMK_Logfont, reinterpret_cast<EngineValue>(&font));
        host->SetToolAttribute(layer, ButtonTool, QMK_Logfont, reinterpret_cast<EngineValue>(&font));
        g_stampingEngine = host.Engine();
        g_stampingLayer = layer;
        g_stampText = L"";
        host->RegisterCallback(Channel_Stamping, reinterpret_cast<void*>(&SupplyStampText));
        g_drawCalls.clear();
        g_mapCodes.clear();
        host.ClearCalls();
    }
    ~StampsImagesButtons() override { g_stampingEngine = nullptr; }

    // Places a stamp of a text with one click.
    void Stamp(const wchar_t* text, int x, int y, int orientation = 0)
    {
        g_stampText = text;
        ASSERT_EQ(0, host->SetToolAttribute(layer, StampTool, QMK_TextOrientation, orientation));
        ASSERT_EQ(0, host->SetTool(layer, StampTool));
        window.Click(host.Engine(), x, y);
    }
    int Attribute(int seq, int code)
    {
        EngineValue value = 0;
        EXPECT_EQ(0, host->PrgGetItemAttribute(layer, seq, code, &value));
        return static_cast<int>(value);
    }
};

// ---- stamps --------------------------------------------------------------------------------

TEST_F(StampsImagesButtons, AClickAsksTheHostForTheTextAndPlacesTheStampSizedToIt)
{
    Stamp(L"APPROVED", 100, 100);
    const std::vector<ChannelCall> expected = {
        {Channel_AnnotateEvent, {QMK_ToolChange, StampTool}},
        {Channel_Stamping, {}},
        {Channel_AnnotateEvent, {QMK_AnnotationAdded, 1}},
        {Channel_AnnotateEvent, {QMK_ToolChange, StampTool}},
    };
    EXPECT_EQ(expected, host.Calls()) << Describe(host.Calls());
    ASSERT_EQ(1, Count());
    const RECT rect = ItemRect(1);
    EXPECT_EQ(100, rect.left);
    EXPECT_EQ(100, rect.top);
    EXPECT_GT(rect.right - rect.left, rect.bottom - rect.top) << "one line of eight letters";
    EXPECT_GE(rect.bottom - rect.top, 20) << "the font's height";
    EXPECT_EQ(StampTool, Attribute(1, QMK_ToolType));

    // Without a text from the host (and none of the tool) nothing is placed.
    host.ClearCalls();
    Stamp(L"", 300, 300);
    EXPECT_EQ(1, Count());
    EXPECT_EQ((std::vector<ChannelCall>{{Channel_AnnotateEvent, {QMK_ToolChange, StampTool}},
                                        {Channel_Stamping, {}}}),
              host.Calls())
        << Describe(host.Calls());
}

TEST_F(StampsImagesButtons, StampsInFourOrientationsRunTheirTextAlongTheTurn)
{
    struct Case {
        int orientation;
        bool vertical;
    };
    const Case cases[] = {{0, false}, {900, true}, {1800, false}, {2700, true}};
    int seq = 0;
    for (const Case& c : cases) {
        host->PrgDeleteAll(layer);
        Stamp(L"LONGWORD", 200, 150, c.orientation);
        ASSERT_EQ(1, Count()) << c.orientation;
        host->PrgGetFirstItem(layer, &seq);
        EXPECT_EQ(c.orientation, Attribute(seq, QMK_TextOrientation));
        const RECT rect = ItemRect(seq);
        const int width = rect.right - rect.left, height = rect.bottom - rect.top;
        EXPECT_EQ(c.vertical, height > width) << c.orientation << ": sized " << width << " x " << height;

        testkit::DibCanvas canvas(800, 600);
        host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        const RECT ink = InkBox(canvas, rect, RGB(255, 0, 0));
        ASSERT_LT(ink.left, ink.right) << c.orientation << ": the text is drawn";
        EXPECT_EQ(c.vertical, ink.bottom - ink.top > ink.right - ink.left) << c.orientation;
    }
    // Orientations between the quarter turns are refused silently.
    EXPECT_EQ(0, host->PrgSetItemAttribute(layer, seq, QMK_TextOrientation, 450));
    EXPECT_EQ(2700, Attribute(seq, QMK_TextOrientation));
}

TEST_F(StampsImagesButtons, ALongTextWrapsInANarrowBoxAndACharacterWiderThanTheBoxShowsNothing)
{
    Stamp(L"ALPHA BRAVO CHARLIE", 100, 100);
    const RECT sized = ItemRect(1);
    const int lineHeight = sized.bottom - sized.top;
    const int wide = sized.right - sized.left;
    testkit::DibCanvas canvas(800, 600);
    host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
    const RECT oneLine = InkBox(canvas, sized, RGB(255, 0, 0));
    ASSERT_LT(oneLine.top, oneLine.bottom);

    struct Case {
        const char* name;
        int width;
        int minLines;
        bool ink;
    };
    const Case cases[] = {
        {"the whole width keeps one line", wide, 1, true},
        {"a box of half the width wraps at the spaces", wide / 2 + 4, 2, true},
        {"a box narrower than one letter shows no text", 4, 0, false},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(0, host->PrgSetItemRect(layer, 1, 100, 100, c.width, lineHeight * 4));
        testkit::DibCanvas after(800, 600);
        host->Paint(after.dc(), nullptr, nullptr, 0, 0, 0, 0);
        const RECT ink = InkBox(after, RECT{90, 90, 100 + wide + 10, 100 + lineHeight * 4 + 10}, RGB(255, 0, 0));
        EXPECT_EQ(c.ink, ink.right > ink.left) << c.name;
        if (!c.ink)
            continue;
        EXPECT_LE(ink.right, 100 + c.width) << c.name << ": within the box";
        const int lines = (ink.bottom - ink.top) / (oneLine.bottom - oneLine.top);
        EXPECT_GE(lines, c.minLines) << c.name;
        if (c.minLines == 1) {
            EXPECT_EQ(oneLine.bottom - oneLine.top, ink.bottom - ink.top) << c.name;
        }
    }
}

// The runs of rows holding ink inside an area.
int InkBands(const testkit::DibCanvas& canvas, const RECT& area, COLORREF ink)
{
    int bands = 0;
    bool inBand = false;
    for (int y = area.top; y < area.bottom; ++y) {
        const RECT row = InkBox(canvas, RECT{area.left, y, area.right, y + 1}, ink);
        const bool any = row.right > row.left;
        if (any && !inBand)
            ++bands;
        inBand = any;
    }
    return bands;
}

// The ink of a text's box in two halves along its run: the left or the
// lower half first.
struct Halves {
    int first, second;
};
Halves InkHalves(const testkit::DibCanvas& canvas, const RECT& box, COLORREF ink, bool vertical)
{
    Halves halves = {0, 0};
    for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) {
            if (InkBox(canvas, RECT{x, y, x + 1, y + 1}, ink).right == 0)
                continue;
            const bool low = vertical ? y >= (box.top + box.bottom) / 2 : x < (box.left + box.right) / 2;
            (low ? halves.first : halves.second)++;
        }
    return halves;
}

TEST_F(StampsImagesButtons, AStampsTurnedTextStartsWhereItsTurnSays)
{
    // Dense letters, then thin dots: the ink tells where the text starts.
    struct Case {
        int orientation;
        bool vertical;
        bool lettersLowOrLeft;  // left (0), below (900)
    };
    const Case cases[] = {{0, false, true}, {900, true, true}, {1800, false, false}, {2700, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        host->PrgDeleteAll(layer);
        Stamp(L"HHH........", 200, 150, c.orientation);
        ASSERT_EQ(1, Count());
        const RECT rect = ItemRect(Order()[0]);
        testkit::DibCanvas canvas(800, 600);
        host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        const RECT ink = InkBox(canvas, RECT{0, 0, 800, 600}, RGB(255, 0, 0));
        ASSERT_LT(ink.left, ink.right) << "the text is drawn";
        EXPECT_TRUE(ink.left >= rect.left && ink.top >= rect.top && ink.right <= rect.right &&
                    ink.bottom <= rect.bottom)
            << "within the stamp";
        const Halves halves = InkHalves(canvas, ink, RGB(255, 0, 0), c.vertical);
        const int letters = c.lettersLowOrLeft ? halves.first : halves.second;
        const int dots = c.lettersLowOrLeft ? halves.second : halves.first;
        EXPECT_GT(letters, 2 * dots) << halves.first << " against " << halves.second;
    }
}

TEST_F(StampsImagesButtons, ABreakCharacterWhereTheLineOverflowsIsDroppedWithTheBreak)
{
    Stamp(L"W", 100, 100);
    const RECT one = ItemRect(1);
    host->PrgDeleteAll(layer);
    struct Case {
        const wchar_t* text;
        int bands;
    };
    // A box as wide as one letter: the hyphen and the space end the line and
    // are not shown on the next.
    const Case cases[] = {{L"W-W", 2}, {L"W W", 2}, {L"WW", 2}, {L"W", 1}};
    for (const Case& c : cases) {
        host->PrgDeleteAll(layer);
        Stamp(c.text, 100, 100);
        int seq = 0;
        host->PrgGetFirstItem(layer, &seq);
        ASSERT_EQ(0, host->PrgSetItemRect(layer, seq, 100, 100, one.right - one.left + 2,
                                          (one.bottom - one.top) * 4));
        testkit::DibCanvas canvas(800, 600);
        host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        EXPECT_EQ(c.bands, InkBands(canvas, RECT{100, 100, 200, 100 + (one.bottom - one.top) * 4},
                                    RGB(255, 0, 0)))
            << static_cast<int>(wcslen(c.text));
    }
}

TEST_F(StampsImagesButtons, AStampSizedToItsTextKeepsItClearOfItsBorder)
{
    for (int pen : {0, 3, 6}) {
        SCOPED_TRACE(pen);
        host->PrgDeleteAll(layer);
        ASSERT_EQ(0, host->SetToolAttribute(layer, StampTool, QMK_PenWidth, pen));
        Stamp(L"APPROVED", 100, 100);
        ASSERT_EQ(1, Count());
        const RECT rect = ItemRect(Order()[0]);
        testkit::DibCanvas canvas(800, 600);
        host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        const RECT ink = InkBox(canvas, RECT{0, 0, 800, 600}, RGB(255, 0, 0));
        ASSERT_LT(ink.left, ink.right) << "the text is drawn";
        // A pen leaves a pixel of room besides its own width.
        const int room = pen > 0 ? pen + 1 : 0;
        EXPECT_GE(ink.left, rect.left + room);
        EXPECT_GE(ink.top, rect.top + room);
        EXPECT_LE(ink.right, rect.right - pen);
        EXPECT_LE(ink.bottom, rect.bottom - pen);
    }
}

TEST_F(StampsImagesButtons, ANewTextResizesTheStampOnlyWhenItSizesItself)
{
    // Each line ends at a CR, an LF or a CR LF pair (one break).
    const wchar_t* threeLines = L"FIRST\r\nSECOND\nTHIRD";
    struct Case {
        int autoSize;
        int bands;  // lines seen
    };
    for (const Case c : {Case{1, 3}, Case{0, 1}}) {
        SCOPED_TRACE(c.autoSize);
        host->PrgDeleteAll(layer);
        ASSERT_EQ(0, host->SetToolAttribute(layer, StampTool, QMK_AutoSize, c.autoSize));
        Stamp(L"APPROVED", 100, 100);
        ASSERT_EQ(1, Count());
        const int seq = Order()[0];
        // Placing sizes the stamp to its text in either case.
        const RECT placed = ItemRect(seq);
        const int lineHeight = placed.bottom - placed.top;
        ASSERT_GE(lineHeight, 20);
        BSTR text = SysAllocString(threeLines);
        ASSERT_EQ(0, host->PrgSetItemAttribute(layer, seq, QMK_Text, reinterpret_cast<EngineValue>(text)));
        SysFreeString(text);
        ExpectRect(placed, ItemRect(seq));  // until it is painted

        testkit::DibCanvas canvas(800, 600);
        host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        const RECT now = ItemRect(seq);
        const RECT below = {90, 100, 400, 100 + 5 * lineHeight};
        EXPECT_EQ(c.bands, InkBands(canvas, below, RGB(255, 0, 0)));
        if (c.autoSize) {
            EXPECT_EQ(100, now.left);
            EXPECT_EQ(100, now.top);
            EXPECT_NEAR(3 * lineHeight, now.bottom - now.top, lineHeight / 2);
            const RECT ink = InkBox(canvas, below, RGB(255, 0, 0));
            EXPECT_LE(ink.right, now.right) << "as wide as its widest line";
        } else {
            ExpectRect(placed, now);
            // The lines that do not fit are not drawn.
            const RECT ink = InkBox(canvas, below, RGB(255, 0, 0));
            EXPECT_LE(ink.bottom, placed.bottom);
        }
    }
}

// ---- pictures --------------------------------------------------------------------------------

TEST_F(StampsImagesButtons, PicturesOfEachDepthAreDrawnByTheHostWithAndWithoutTheTransparentColour)
{
    const COLORREF key = RGB(255, 0, 255);
    const COLORREF ink = RGB(0, 96, 0);
    // Left half the key colour, right half the ink.
    auto colourAt = [&](int x, int) { return x < 10 ? key : ink; };
    const std::vector<RGBQUAD> twoColours = {{255, 0, 255, 0}, {0, 96, 0, 0}};
    struct Case {
        const char* name;
        HGLOBAL picture;
    };
    const Case cases[] = {
        {"1 bit", MakeDib(1, 20, 10, twoColours, [](int x, int) -> COLORREF { return x < 10 ? 0 : 1; })},
        {"8 bits", MakeDib(8, 20, 10, twoColours, [](int x, int) -> COLORREF { return x < 10 ? 0 : 1; })},
        {"24 bits", MakeDib(24, 20, 10, {}, colourAt)},
    };
    ASSERT_EQ(0, host->SetToolAttribute(layer, ImageTool, QMK_TransparentColor, static_cast<EngineValue>(key)));
    for (const Case& c : cases) {
        for (int backStyle : {BackStyle_Opaque, BackStyle_Transparent}) {
            host->PrgDeleteAll(layer);
            ASSERT_EQ(0, host->SetToolAttribute(layer, ImageTool, QMK_BackStyle, backStyle));
            ASSERT_EQ(0, host->SetToolAttribute(layer, ImageTool, QMK_PenWidth, 0));
            ASSERT_EQ(0, host->SetToolAttribute(layer, ImageTool, QMK_DibPtr,
                                                reinterpret_cast<EngineValue>(c.picture)));
            ASSERT_EQ(0, host->SetTool(layer, ImageTool));
            window.Click(host.Engine(), 300, 200);
            ASSERT_EQ(1, Count()) << c.name;
            int seq = 0;
            host->PrgGetFirstItem(layer, &seq);
            const RECT rect = ItemRect(seq);
            EXPECT_EQ((RECT{300, 200, 320, 210}).right, rect.right) << c.name << ": natural width";
            EXPECT_EQ(210, rect.bottom) << c.name << ": natural height";

            g_drawCalls.clear();
            testkit::DibCanvas canvas(800, 600);
            host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
            ASSERT_EQ(1u, g_drawCalls.size()) << c.name;
            const std::vector<int>& v = g_drawCalls[0];
            const bool transparent = backStyle != BackStyle_Opaque;
            EXPECT_EQ((std::vector<int>{transparent ? 1 : 0, static_cast<int>(key), 300, 200, 20, 10, 0, 0, 20, 10}),
                      std::vector<int>(v.begin() + 2, v.end()))
                << c.name;
            EXPECT_EQ(ink, canvas.At(315, 205)) << c.name;
            // The transparent back shows the rectangle's fill under the key colour.
            const COLORREF under = canvas.At(305, 205);
            EXPECT_EQ(transparent, under != key) << c.name;
        }
        GlobalFree(c.picture);
    }
}

TEST_F(StampsImagesButtons, APictureTurnsWithTheHostsImageThroughItsMappingService)
{
    HGLOBAL picture = MakeDib(24, 30, 10, {}, [](int, int) { return RGB(1, 2, 3); });
    ASSERT_EQ(0, host->SetToolAttribute(layer, ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue>(picture)));
    GlobalFree(picture);
    ASSERT_EQ(0, host->SetTool(layer, ImageTool));
    window.Click(host.Engine(), 100, 100);
    ASSERT_EQ(1, Count());

    struct Case {
        const char* name;
        int (*turn)(AnnotationEngine*);
        int code;
        SIZE size;
    };
    const Case cases[] = {
        {"mirror", [](AnnotationEngine* e) { return e->ImageMirrored(0, 0); }, 5, {30, 10}},
        {"flip", [](AnnotationEngine* e) { return e->ImageFlipped(0, 0); }, 4, {30, 10}},
        {"90", [](AnnotationEngine* e) { return e->ImageRotated(0, 0, 90.0f); }, 1, {10, 30}},
        {"180", [](AnnotationEngine* e) { return e->ImageRotated(0, 0, 180.0f); }, 2, {10, 30}},
        {"-90", [](AnnotationEngine* e) { return e->ImageRotated(0, 0, -90.0f); }, 3, {30, 10}},
        {"45 turns only the geometry", [](AnnotationEngine* e) { return e->ImageRotated(0, 0, 45.0f); }, 0, {30, 10}},
    };
    COLORREF colour = RGB(1, 2, 3);
    for (const Case& c : cases) {
        g_mapCodes.clear();
        ASSERT_EQ(0, c.turn(host.Engine())) << c.name;
        EXPECT_EQ(c.code ? std::vector<int>{c.code} : std::vector<int>{}, g_mapCodes) << c.name;
        if (c.code)
            colour = MappedColour(c.code);
        EngineValue first = 0, second = 0;
        ASSERT_EQ(0, host->PrgGetItemAttribute(layer, 1, QMK_ItemDib, &first));
        ASSERT_EQ(0, host->PrgGetItemAttribute(layer, 1, QMK_ItemDib, &second));
        HGLOBAL a = reinterpret_cast<HGLOBAL>(first), b = reinterpret_cast<HGLOBAL>(second);
        ASSERT_TRUE(a && b);
        EXPECT_NE(a, b) << "every read is a copy of its own";
        const SIZE size = DibSize(a);
        EXPECT_EQ(c.size.cx, size.cx) << c.name;
        EXPECT_EQ(c.size.cy, size.cy) << c.name;
        EXPECT_EQ(colour, PixelOf24(a, 0, 0)) << c.name << ": the host's picture is kept";
        GlobalFree(a);
        GlobalFree(b);
    }
}

// Where a run of bytes stands in another, or -1.
long Find(const std::vector<BYTE>& in, const std::vector<BYTE>& what)
{
    for (size_t i = 0; i + what.size() <= in.size(); ++i)
        if (std::memcmp(in.data() + i, what.data(), what.size()) == 0)
            return static_cast<long>(i);
    return -1;
}

TEST_F(StampsImagesButtons, APictureKeepsAWholeCopyOfEachLayoutAndSavesIt)
{
    struct Layout {
        const char* name;
        WORD bits;
        DWORD compression;
        DWORD used;
        LONG height;
        size_t afterHeader;  // table and masks
        size_t pixels;
        size_t size;         // the copy's size, worked out by hand
    };
    const Layout layouts[] = {
        {"24 bits, 3 x 2", 24, BI_RGB, 0, 2, 0, 2 * 12, 40 + 2 * 12},
        {"8 bits with the whole table", 8, BI_RGB, 0, 2, 1024, 2 * 4, 40 + 1024 + 2 * 4},
        {"4 bits", 4, BI_RGB, 0, 2, 64, 2 * 4, 40 + 64 + 8},
        {"1 bit", 1, BI_RGB, 0, 2, 8, 2 * 4, 40 + 8 + 8},
        {"16 bits with colour masks", 16, BI_BITFIELDS, 0, 2, 12, 2 * 8, 40 + 12 + 16},
        {"24 bits stored top-down", 24, BI_RGB, 0, -2, 0, 2 * 12, 40 + 24},
        // The table is as long as the header says it is, and the masks of
        // 32 bits belong to the picture as those of 16 do.
        {"8 bits naming two colours", 8, BI_RGB, 2, 2, 8, 2 * 4, 40 + 8 + 8},
        {"32 bits with colour masks", 32, BI_BITFIELDS, 0, 2, 12, 2 * 12, 40 + 12 + 24},
    };
    HGLOBAL first = MakeDib(24, 5, 5, {}, [](int, int) { return RGB(9, 9, 9); });
    ASSERT_EQ(0, host->SetToolAttribute(layer, ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue>(first)));
    GlobalFree(first);
    ASSERT_EQ(0, host->SetTool(layer, ImageTool));
    window.Click(host.Engine(), 100, 100);
    ASSERT_EQ(1, Count());
    for (const Layout& l : layouts) {
        SCOPED_TRACE(l.name);
        HGLOBAL given = testkit::CountingPackedDib(l.bits, 3, l.height, l.afterHeader + l.pixels,
                                                   l.compression, l.used);
        const std::vector<BYTE> source = testkit::BlockBytes(given, l.size);
        ASSERT_EQ(0, host->PrgSetItemAttribute(layer, 1, QMK_DibPtr, reinterpret_cast<EngineValue>(given)));
        GlobalFree(given);  // the item keeps a copy of its own

        EngineValue read = 0;
        ASSERT_EQ(0, host->PrgGetItemAttribute(layer, 1, QMK_ItemDib, &read));
        HGLOBAL copy = reinterpret_cast<HGLOBAL>(read);
        EXPECT_EQ(source, testkit::BlockBytes(copy, l.size));
        GlobalFree(copy);

        // Saved as code 17, the byte count, then the picture.
        void* block = nullptr;
        const int size = host->SaveAnnotationsToMemory(&block);
        ASSERT_GT(size, 0);
        std::vector<BYTE> saved(size);
        std::memcpy(saved.data(), GlobalLock(block), size);
        GlobalUnlock(block);
        GlobalFree(block);
        std::vector<BYTE> record = {17, 0, 0, 0, static_cast<BYTE>(l.size), static_cast<BYTE>(l.size >> 8), 0, 0};
        record.insert(record.end(), source.begin(), source.end());
        EXPECT_NE(-1, Find(saved, record));

        TestHost other(library);
        ASSERT_EQ(0, other->LoadAnnotationsFromMemory(saved.data(), size, 0, 0));
        ASSERT_EQ(0, other->PrgGetItemAttribute(other->GetCurrentLayer(), 1, QMK_ItemDib, &read));
        copy = reinterpret_cast<HGLOBAL>(read);
        EXPECT_EQ(source, testkit::BlockBytes(copy, l.size)) << "loaded";
        GlobalFree(copy);
    }
}

// ---- buttons -----------------------------------------------------------------------------------

constexpr COLORREF kLight = RGB(250, 250, 0);
constexpr COLORREF kShadow = RGB(0, 0, 128);
constexpr COLORREF kFace = RGB(0, 200, 0);

TEST_F(StampsImagesButtons, AButtonIsPressedAndReleasedInInteractiveMode)
{
    ASSERT_EQ(0, host->SetToolAttribute(layer, ButtonTool, QMK_BevelLightColor, kLight));
    ASSERT_EQ(0, host->SetToolAttribute(layer, ButtonTool, QMK_BevelShadowColor, kShadow));
    ASSERT_EQ(0, host->SetToolAttribute(layer, ButtonTool, QMK_BackColor, kFace));
    ASSERT_EQ(0, host->SetTool(layer, ButtonTool));
    window.Drag(host.Engine(), 100, 100, 100, 100);
    EXPECT_EQ(0, Count()) << "a button drawn out as a point is not added";
    window.Drag(host.Engine(), 100, 100, 200, 140);
    ASSERT_EQ(1, Count());
    ASSERT_EQ(0, host->SetTool(layer, PointerTool));
    ASSERT_EQ(0, host->SetProperty(QMK_InteractMode, 1));

    struct Look {
        COLORREF top, bottom, face;
    };
    auto look = [&]() {
        testkit::DibCanvas canvas(800, 600);
        host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        return Look{canvas.At(150, 102), canvas.At(150, 137), canvas.At(110, 120)};
    };
    Look raised = look();
    EXPECT_EQ(kLight, raised.top);
    EXPECT_EQ(kShadow, raised.bottom);
    EXPECT_EQ(kFace, raised.face);

    host.ClearCalls();
    window.Send(host.Engine(), WM_LBUTTONDOWN, MK_LBUTTON, 150, 120);
    Look pressed = look();
    EXPECT_EQ(kShadow, pressed.top);
    EXPECT_EQ(kLight, pressed.bottom);
    window.Send(host.Engine(), WM_LBUTTONUP, 0, 150, 120);
    Look released = look();
    EXPECT_EQ(kLight, released.top);

    const std::vector<ChannelCall> expected = {
        {Channel_MouseEvent, {QMK_MouseDown, layer, 1, 1, 0, 50, 20}},
        {Channel_MouseEvent, {QMK_Click, layer, 1, 0, 0, 0, 0}},
        {Channel_MouseEvent, {QMK_MouseUp, layer, 1, 1, 0, 50, 20}},
    };
    std::vector<ChannelCall> mouse;
    for (const ChannelCall& call : host.Calls())
        if (call.channel == Channel_MouseEvent)
            mouse.push_back(call);
    EXPECT_EQ(expected, mouse) << Describe(host.Calls());
}

// A button at (100,100)-(300,300) with a caption in a colour of its own, the
// pointer tool current.
class Buttons : public StampsImagesButtons {
protected:
    static constexpr COLORREF kInk = RGB(255, 0, 0);
    int MakeButton(const wchar_t* caption)
    {
        BSTR text = SysAllocString(caption);
        EXPECT_EQ(0, host->SetToolAttribute(layer, ButtonTool, QMK_Text, reinterpret_cast<EngineValue>(text)));
        SysFreeString(text);
        EXPECT_EQ(0, host->SetToolAttribute(layer, ButtonTool, QMK_TextColor, kInk));
        EXPECT_EQ(0, host->SetToolAttribute(layer, ButtonTool, QMK_BackColor, RGB(255, 255, 255)));
        EXPECT_EQ(0, host->SetTool(layer, ButtonTool));
        window.Drag(host.Engine(), 100, 100, 300, 300);
        EXPECT_EQ(0, host->SetTool(layer, PointerTool));
        const std::vector<int> order = Order();
        return order.empty() ? 0 : order.back();
    }
    RECT CaptionInk()
    {
        testkit::DibCanvas canvas(800, 600);
        host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        return InkBox(canvas, RECT{100, 100, 300, 300}, kInk);
    }
};


TEST_F(Buttons, ATurnedCaptionIsCentredAndRunsAlongItsTurn)
{
    // Dense letters, then thin dots: the ink tells where the caption starts.
    struct Case {
        int orientation;
        bool vertical;
        bool startsLowOrLeft;  // the letters lie left (0) or below (900)
    };
    const Case cases[] = {{0, false, true}, {900, true, true}, {1800, false, false}, {2700, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        LOGFONTA font = Tahoma(24);
        font.lfEscapement = font.lfOrientation = c.orientation;
        // The button's turn comes with the image's; here it is set alone.
        ASSERT_EQ(0, host->PrgDeleteAll(layer));
        ASSERT_EQ(0, host->SetToolAttribute(layer, ButtonTool, QMK_Logfont, reinterpret_cast<EngineValue>(&font)));
        const int item = MakeButton(L"HHH........");
        ASSERT_NE(0, item);
        LOGFONTA held = {};
        ASSERT_EQ(0, host->PrgGetItemAttribute(layer, item, QMK_Logfont, reinterpret_cast<EngineValue*>(&held)));
        ASSERT_EQ(c.orientation, held.lfEscapement);

        testkit::DibCanvas canvas(800, 600);
        host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        const RECT ink = InkBox(canvas, RECT{100, 100, 300, 300}, kInk);
        ASSERT_LT(ink.left, ink.right) << "the caption is drawn";
        const int across = c.vertical ? ink.right - ink.left : ink.bottom - ink.top;
        const int along = c.vertical ? ink.bottom - ink.top : ink.right - ink.left;
        EXPECT_GT(along, 2 * across);
        EXPECT_NEAR(200, (ink.left + ink.right) / 2, c.vertical ? 6 : 4);
        EXPECT_NEAR(200, (ink.top + ink.bottom) / 2, c.vertical ? 4 : 6);
        const Halves halves = InkHalves(canvas, ink, kInk, c.vertical);
        const int letters = c.startsLowOrLeft ? halves.first : halves.second;
        const int dots = c.startsLowOrLeft ? halves.second : halves.first;
        EXPECT_GT(letters, 2 * dots) << halves.first << " against " << halves.second;
    }
}

TEST_F(Buttons, APressedCaptionSitsOnePixelLowerAndToTheRight)
{
    const int seq = MakeButton(L"Press");
    ASSERT_NE(0, seq);
    const RECT raised = CaptionInk();
    ASSERT_LT(raised.left, raised.right);
    ASSERT_EQ(0, host->SetProperty(QMK_InteractMode, 1));
    window.Send(host.Engine(), WM_LBUTTONDOWN, MK_LBUTTON, 200, 200);
    const RECT pressed = CaptionInk();
    window.Send(host.Engine(), WM_LBUTTONUP, 0, 200, 200);
    const RECT released = CaptionInk();
    ExpectRect({raised.left + 1, raised.top + 1, raised.right + 1, raised.bottom + 1}, pressed);
    ExpectRect(raised, released);
}

TEST_F(Buttons, ANewCaptionSizesTheButtonAtTheNextPaintWhenItSizesItself)
{
    const wchar_t* caption = L"A much longer caption";
    // The caption's box as the button measures it, in its font.
    HDC screen = GetDC(nullptr);
    const LOGFONTA font = Tahoma(24);
    HFONT made = CreateFontIndirectA(&font);
    HGDIOBJ old = SelectObject(screen, made);
    RECT measured = {};
    DrawTextA(screen, "A much longer caption", -1, &measured,
              DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX | DT_CALCRECT);
    // A turned caption: its advance along the turn, the font's height across.
    SIZE turnedRun = {};
    GetTextExtentPoint32W(screen, caption, static_cast<int>(wcslen(caption)), &turnedRun);
    SelectObject(screen, old);
    DeleteObject(made);
    ReleaseDC(nullptr, screen);
    ASSERT_GT(measured.right, 0);

    struct Case {
        int autoSize;
        int orientation;
    };
    for (const Case c : {Case{0, 0}, Case{1, 0}, Case{1, 900}, Case{1, 1800}, Case{1, 2700}}) {
        SCOPED_TRACE(testing::Message() << c.autoSize << " " << c.orientation);
        host->PrgDeleteAll(layer);
        LOGFONTA turned = font;
        turned.lfEscapement = turned.lfOrientation = c.orientation;
        ASSERT_EQ(0, host->SetToolAttribute(layer, ButtonTool, QMK_Logfont, reinterpret_cast<EngineValue>(&turned)));
        const int seq = MakeButton(L"Go");
        ASSERT_NE(0, seq);
        EXPECT_EQ(0, Attribute(seq, QMK_AutoSize)) << "the tool's own";
        ASSERT_EQ(0, host->PrgSetItemAttribute(layer, seq, QMK_AutoSize, c.autoSize));
        BSTR text = SysAllocString(caption);
        ASSERT_EQ(0, host->PrgSetItemAttribute(layer, seq, QMK_Text, reinterpret_cast<EngineValue>(text)));
        SysFreeString(text);
        ExpectRect({100, 100, 300, 300}, ItemRect(seq));  // until it is painted
        CaptionInk();
        const int pen = Attribute(seq, QMK_PenWidth);
        // A turned caption runs down the button: its length is the height.
        const bool vertical = c.orientation == 900 || c.orientation == 2700;
        SIZE run = {measured.right, measured.bottom};
        if (c.orientation != 0)
            run = vertical ? SIZE{turnedRun.cy, turnedRun.cx} : turnedRun;
        const RECT sized = {100, 100, 100 + run.cx + 2 * pen, 100 + run.cy + 2 * pen};
        const RECT now = ItemRect(seq);
        ExpectRect(c.autoSize ? sized : RECT{100, 100, 300, 300}, now, 2);
        if (!c.autoSize)
            continue;
        testkit::DibCanvas canvas(800, 600);
        host->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        const RECT all = InkBox(canvas, RECT{0, 0, 800, 600}, kInk);
        ASSERT_LT(all.left, all.right);
        EXPECT_GE(all.left, now.left);
        EXPECT_GE(all.top, now.top);
        EXPECT_LE(all.right, now.right) << "the caption lies within the button";
        EXPECT_LE(all.bottom, now.bottom) << "the caption lies within the button";
    }
}

// ---- every class saved, loaded, pasted and burnt in --------------------------------------------

struct Saved {
    std::wstring stampText;
    int stampOrientation = 0;
    std::vector<BYTE> picture;
    LOGFONTA buttonFont = {};
    std::wstring caption;
};

class EveryClass : public StampsImagesButtons {
protected:
    void MakeOneOfEach()
    {
        Stamp(L"PAID IN FULL", 100, 100, 900);
        HGLOBAL picture = MakeDib(24, 12, 8, {}, [](int x, int) { return x < 6 ? RGB(200, 0, 0) : RGB(0, 0, 200); });
        ASSERT_EQ(0, host->SetToolAttribute(layer, ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue>(picture)));
        GlobalFree(picture);
        ASSERT_EQ(0, host->SetTool(layer, ImageTool));
        window.Click(host.Engine(), 300, 100);
        BSTR caption = SysAllocString(L"Go");
        ASSERT_EQ(0, host->SetToolAttribute(layer, ButtonTool, QMK_Text, reinterpret_cast<EngineValue>(caption)));
        SysFreeString(caption);
        ASSERT_EQ(0, host->SetToolAttribute(layer, ButtonTool, QMK_BackColor, kFace));
        ASSERT_EQ(0, host->SetTool(layer, ButtonTool));
        window.Drag(host.Engine(), 400, 300, 500, 360);
        ASSERT_EQ(0, host->SetTool(layer, PointerTool));
        ASSERT_EQ(3, Count());
    }
    static Saved Read(AnnotationEngine* e, int layer)
    {
        Saved saved;
        BSTR text = nullptr;
        e->PrgGetItemAttribute(layer, 1, QMK_Text, reinterpret_cast<EngineValue*>(&text));
        saved.stampText = text ? text : L"";
        SysFreeString(text);
        EngineValue orientation = 0;
        e->PrgGetItemAttribute(layer, 1, QMK_TextOrientation, &orientation);
        saved.stampOrientation = static_cast<int>(orientation);
        EngineValue dib = 0;
        e->PrgGetItemAttribute(layer, 2, QMK_ItemDib, &dib);
        if (HGLOBAL block = reinterpret_cast<HGLOBAL>(dib)) {
            const BYTE* p = static_cast<const BYTE*>(GlobalLock(block));
            saved.picture.assign(p, p + 40 + 8 * 36);
            GlobalUnlock(block);
            GlobalFree(block);
        }
        e->PrgGetItemAttribute(layer, 3, QMK_Logfont, reinterpret_cast<EngineValue*>(&saved.buttonFont));
        e->PrgGetItemAttribute(layer, 3, QMK_Text, reinterpret_cast<EngineValue*>(&text));
        saved.caption = text ? text : L"";
        SysFreeString(text);
        return saved;
    }
    static void ExpectSame(const Saved& a, const Saved& b, const char* how)
    {
        EXPECT_EQ(a.stampText, b.stampText) << how;
        EXPECT_EQ(a.stampOrientation, b.stampOrientation) << how;
        EXPECT_EQ(a.picture, b.picture) << how;
        EXPECT_EQ(0, std::memcmp(&a.buttonFont, &b.buttonFont, sizeof(LOGFONTA))) << how;
        EXPECT_EQ(a.caption, b.caption) << how;
    }
};

TEST_F(EveryClass, SurviveASaveAndLoadRoundTripAndAPaste)
{
    MakeOneOfEach();
    // A turned image turns the button's caption, which its font keeps.
    ASSERT_EQ(0, host->ImageRotated(0, 0, 90.0f));
    const Saved before = Read(host.Engine(), layer);
    EXPECT_EQ(L"PAID IN FULL", before.stampText);
    EXPECT_EQ(1800, before.stampOrientation);
    EXPECT_EQ(900, before.buttonFont.lfEscapement);
    EXPECT_EQ(L"Go", before.caption);
    ASSERT_EQ(40u + 8 * 36, before.picture.size());

    void* block = nullptr;
    const int size = host->SaveAnnotationsToMemory(&block);
    ASSERT_GT(size, 0);
    std::vector<BYTE> bytes(size);
    std::memcpy(bytes.data(), GlobalLock(block), size);
    GlobalUnlock(block);
    GlobalFree(block);

    TestHost other(library);
    ASSERT_EQ(0, other->LoadAnnotationsFromMemory(bytes.data(), size, 0, 0));
    const int loaded = other->GetCurrentLayer();
    ASSERT_NE(0, loaded);
    ExpectSame(before, Read(other.Engine(), loaded), "loaded");
    // The loaded button still knows its turn: another quarter turns it on.
    ASSERT_EQ(0, other->ImageRotated(0, 0, 90.0f));
    EXPECT_EQ(1800, Read(other.Engine(), loaded).buttonFont.lfEscapement);

    ASSERT_EQ(0, host->CopyToClipboard(layer, 0));
    const int target = host->CreateLayer(1);
    ASSERT_EQ(0, host->Paste(target));
    ExpectSame(before, Read(host.Engine(), target), "pasted");
}

TEST_F(EveryClass, AStampSavesItsTextEvenWhenEmptyAndAButtonDoesNot)
{
    for (int type : {StampTool, ButtonTool}) {
        int element = 0;
        ASSERT_EQ(0, host->ElementCreate(&element));
        host->ElementSetAttribute(element, QMK_ElementType, type);
        RECT rect = {100, 50, 300, 250};
        host->ElementSetAttribute(element, QMK_BoundingRect, reinterpret_cast<EngineValue>(&rect));
        int seq = 0;
        ASSERT_EQ(0, host->ElementAppend(layer, element, &seq)) << type;
    }
    ASSERT_EQ(2, Count());
    void* block = nullptr;
    const int size = host->SaveAnnotationsToMemory(&block);
    ASSERT_GT(size, 0);
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(block));
    // Code 10, a byte count of 2 and the NUL alone.
    const BYTE emptyText[10] = {10, 0, 0, 0, 2, 0, 0, 0, 0, 0};
    int found = 0;
    for (int i = 0; i + 10 <= size; ++i)
        found += std::memcmp(bytes + i, emptyText, sizeof emptyText) == 0 ? 1 : 0;
    GlobalUnlock(block);
    GlobalFree(block);
    EXPECT_EQ(1, found);
}

TEST_F(EveryClass, AreBurntIntoTheImage)
{
    MakeOneOfEach();
    host.Services().picture = WhiteImage(800, 600);
    ASSERT_EQ(0, host->Brand(24));
    ASSERT_EQ(1u, host.Services().receivedImages.size());
    HGLOBAL burnt = host.Services().receivedImages.back();
    EXPECT_EQ(RGB(200, 0, 0), PixelOf24(burnt, 302, 104)) << "the picture's left half";
    EXPECT_EQ(RGB(0, 0, 200), PixelOf24(burnt, 309, 104)) << "the picture's right half";
    EXPECT_EQ(kFace, PixelOf24(burnt, 420, 340)) << "the button's face";
    bool stampInk = false;
    const RECT stamp = ItemRect(1);
    for (int y = stamp.top; y < stamp.bottom && !stampInk; ++y)
        for (int x = stamp.left; x < stamp.right && !stampInk; ++x) {
            const COLORREF c = PixelOf24(burnt, x, y);
            stampInk = GetRValue(c) > 200 && GetGValue(c) < 100;
        }
    EXPECT_TRUE(stampInk) << "the stamp's red text";
    GlobalFree(host.Services().picture);
    host.Services().picture = nullptr;
    for (HGLOBAL image : host.Services().receivedImages)
        GlobalFree(image);
    host.Services().receivedImages.clear();
}

} // namespace
