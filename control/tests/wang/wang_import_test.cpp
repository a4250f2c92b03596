// The import of Wang/Oi annotation data into the real engine, loaded the way
// the control loads it: what the engine's own writers wrote comes back,
// real pages of other writers come in, damaged data changes nothing.
#include "wang_import.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "engine_test_host.h"
#include "mutation_loop.h"
#include "wang_hand.h"

using engine_test::EngineLibrary;
using engine_test::TestHost;
using Bytes = std::vector<uint8_t>;

namespace {

void D(Bytes& b, uint32_t v)
{
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A layer record with rectangles (type, sequence number, bounds in layer
// units, creation seconds), as the engine's stream form lays it out.
Bytes LayerRecord(const std::wstring& name, const std::vector<std::vector<int>>& items)
{
    Bytes body;
    D(body, 36762);
    D(body, 36753);
    D(body, static_cast<uint32_t>(items.size()));
    D(body, 36763);
    for (const std::vector<int>& item : items) {
        D(body, item[0]);
        D(body, 36756);
        D(body, 36765);
        D(body, 0x17);
        D(body, 7);
        for (int i = 2; i < 6; ++i) D(body, item[i]);
        D(body, 36751);
        D(body, item[1]);
        D(body, 36764);
        D(body, item[6]);
        // The same time as a FILETIME.
        const uint64_t fileTime = static_cast<uint64_t>(item[6]) * 10000000ull + 116444736000000000ull;
        D(body, 34);
        D(body, static_cast<uint32_t>(fileTime));
        D(body, static_cast<uint32_t>(fileTime >> 32));
        D(body, 36757);
    }
    Bytes record;
    for (uint32_t v : {36754u, 36752u, 0u, 0u}) D(record, v);
    D(record, static_cast<uint32_t>(body.size()));
    D(record, static_cast<uint32_t>(name.size() * 2 + 2));
    for (wchar_t c : name) {
        record.push_back(static_cast<uint8_t>(c));
        record.push_back(static_cast<uint8_t>(c >> 8));
    }
    record.push_back(0);
    record.push_back(0);
    record.insert(record.end(), body.begin(), body.end());
    D(record, 36755);
    return record;
}

int AddLayer(AnnotationEngine* e, const Bytes& record)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ARRAY | VT_UI1;
    v.parray = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(record.size()));
    void* data = nullptr;
    SafeArrayAccessData(v.parray, &data);
    std::memcpy(data, record.data(), record.size());
    SafeArrayUnaccessData(v.parray);
    int layer = 0;
    const int result = e->SetLayerFromVariant(&v, &layer);
    VariantClear(&v);
    return result == 0 ? layer : 0;
}

// "Older": a hollow rectangle, an ellipse and an opaque filled rectangle;
// "Newer": a translucent filled rectangle. Bounds in layer units of sixteenths.
void FillEngine(AnnotationEngine* e)
{
    const int older = AddLayer(e, LayerRecord(L"Older", {{RectangleTool, 1, 0x100000, 0x200000, 0x500000, 0x400000, 22968},
                                                         {EllipseTool, 2, 0, 0, 0x100000, 0x100000, 5},
                                                         {RectangleTool, 3, 0x300000, 0x300000, 0x600000, 0x700000, 7}}));
    ASSERT_NE(0, older);
    e->PrgSetItemAttribute(older, 1, QMK_PenColor, 0x123456);
    e->PrgSetItemAttribute(older, 1, QMK_PenWidth, 3);
    e->PrgSetItemAttribute(older, 1, QMK_BackStyle, BackStyle_Transparent);
    e->PrgSetItemAttribute(older, 3, QMK_FillColor, 0x0000FF);
    e->PrgSetItemAttribute(older, 3, QMK_BackStyle, BackStyle_Opaque);
    e->PrgSetItemAttribute(older, 3, QMK_Visible, 0);
    const int newer = AddLayer(e, LayerRecord(L"Newer", {{RectangleTool, 4, 0x800000, 0x800000, 0x900000, 0xA00000, 1000000}}));
    ASSERT_NE(0, newer);
    e->PrgSetItemAttribute(newer, 4, QMK_FillColor, 0x00AA00);
    e->PrgSetItemAttribute(newer, 4, QMK_BackStyle, BackStyle_Translucent);
}

int Number(AnnotationEngine* e, int layer, int seq, int code)
{
    EngineValue value = 0;
    return e->PrgGetItemAttribute(layer, seq, code, &value) == 0 ? static_cast<int>(value) : -12345;
}

// The creation time, read as the date it is kept as, in seconds since 1970.
long long CreationSeconds(AnnotationEngine* e, int layer, int seq)
{
    VARIANT created;
    VariantInit(&created);
    e->PrgGetItemAttribute(layer, seq, QMK_CreateTime, reinterpret_cast<EngineValue*>(&created));
    const double date = created.vt == VT_DATE ? created.date : 0.0;
    VariantClear(&created);
    return std::llround((date - 25569.0) * 86400.0);
}

std::string LayerName(AnnotationEngine* e, int layer)
{
    BSTR name = nullptr;
    e->GetLayerProperty(layer, QMK_LayerName, reinterpret_cast<EngineValue*>(&name));
    std::string text;
    for (UINT i = 0; name && i < SysStringLen(name); ++i) text.push_back(static_cast<char>(name[i]));
    SysFreeString(name);
    return text;
}

// Layers newest first and their rectangles bottom first, with what the
// Wang data carries of each: bounds in image pixels, time, visibility, and
// for a hollow one its pen, for a filled one its fill and translucency.
std::string Describe(AnnotationEngine* e)
{
    std::ostringstream out;
    for (int layer = e->GetFirstLayer(); layer != 0; layer = e->GetNextLayer()) {
        out << "layer " << LayerName(e, layer) << "\n";
        int seq = 0;
        for (e->PrgGetFirstItem(layer, &seq); seq != 0; e->PrgGetNextItem(layer, &seq)) {
            if (Number(e, layer, seq, QMK_ToolType) != RectangleTool) continue;
            POINT a = {}, b = {};
            e->PrgGetItemPoint(layer, seq, 0, &a);
            e->PrgGetItemPoint(layer, seq, 1, &b);
            out << "  rect " << a.x << "," << a.y << "," << b.x << "," << b.y << " time "
                << CreationSeconds(e, layer, seq) << " visible " << Number(e, layer, seq, QMK_Visible);
            const int back = Number(e, layer, seq, QMK_BackStyle);
            if (back == BackStyle_Transparent)
                out << " hollow pen " << std::hex << Number(e, layer, seq, QMK_PenColor) << std::dec << " width "
                    << Number(e, layer, seq, QMK_PenWidth);
            else
                out << " filled " << std::hex << Number(e, layer, seq, QMK_FillColor) << std::dec
                    << (back == BackStyle_Translucent ? " translucent" : " opaque");
            out << "\n";
        }
    }
    return out.str();
}

Bytes Saved(AnnotationEngine* e, bool unicode, bool preserve)
{
    void* block = nullptr;
    const int size = unicode ? e->SaveWangAnnotationsUnicode(&block, preserve) : e->SaveWangAnnotations(&block, preserve);
    if (size <= 0) return Bytes();
    Bytes bytes(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + size);
    CoTaskMemFree(block);
    return bytes;
}

// A page's data loaded as the control loads it: the engine cleared first.
int ImportPage(AnnotationEngine* e, const void* data, size_t size, int width, int height, bool preserve)
{
    e->DeleteAllLayers();
    return ImportWangAnnotations(e, data, size, width, height, preserve);
}

const char kOlderRects[] =
    "  rect 50,75,250,150 time 22968 visible 1 hollow pen 123456 width 3\n"
    "  rect 150,113,300,263 time 7 visible 0 filled ff opaque\n";
const char kNewerRects[] = "  rect 400,300,450,375 time 1000000 visible 1 filled aa00 translucent\n";

TEST(WangImport, WhatBothWritersWroteComesBackWithItsLayers)
{
    EngineLibrary library;
    TestHost source(library);
    FillEngine(source.Engine());
    ASSERT_EQ(std::string("layer Newer\n") + kNewerRects + "layer Older\n" + kOlderRects, Describe(source.Engine()));

    const struct {
        bool unicode;
        bool preserve;
        std::string expected;
    } cases[] = {
        {false, true, std::string("layer Newer\n") + kNewerRects + "layer Older\n" + kOlderRects},
        {true, true, std::string("layer Newer\n") + kNewerRects + "layer Older\n" + kOlderRects},
        {false, false, std::string("layer [Untitled]\n") + kOlderRects + kNewerRects},
        {true, false, std::string("layer [Untitled]\n") + kOlderRects + kNewerRects},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.unicode) + " " + std::to_string(c.preserve));
        const Bytes data = Saved(source.Engine(), c.unicode, c.preserve);
        ASSERT_FALSE(data.empty());
        TestHost target(library);
        target->CreateLayer(1);  // replaced
        ASSERT_EQ(0, ImportPage(target.Engine(), data.data(), data.size(), 800, 600, c.preserve));
        EXPECT_EQ(c.expected, Describe(target.Engine()));
        const int current = target->GetCurrentLayer();
        ASSERT_NE(0, current);
        EXPECT_EQ(current, target->GetFirstLayer()) << "the last layer made stays current";
        int tool = 0;
        target->GetTool(current, &tool);
        EXPECT_EQ(PointerTool, tool);
        // Written again, the data is the same.
        EXPECT_EQ(data, Saved(target.Engine(), c.unicode, c.preserve));
    }
}

TEST(WangImport, TheSaveTakesTheWriterOfTheEnginesTextMode)
{
    EngineLibrary library;
    TestHost host(library);
    FillEngine(host.Engine());
    for (int mode : {0, 1}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(0, host->SetProperty(QMK_UnicodeMode, mode));
        for (bool preserve : {false, true}) {
            void* block = nullptr;
            const int size = SaveWangAnnotationData(host.Engine(), preserve, &block);
            ASSERT_GT(size, 0);
            const Bytes data(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + size);
            CoTaskMemFree(block);
            EXPECT_EQ(Saved(host.Engine(), mode == 1, preserve), data);
        }
    }
    host->SetSaveAnnotations(0);
    void* block = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(0, SaveWangAnnotationData(host.Engine(), false, &block));
    EXPECT_EQ(reinterpret_cast<void*>(0x1234), block);
}

TEST(WangImport, RefusedDataLeavesEveryLayerDamagedDataKeepsWhatWasRead)
{
    EngineLibrary library;
    TestHost host(library);
    FillEngine(host.Engine());
    const std::string before = Describe(host.Engine());
    const Bytes data = Saved(host.Engine(), false, true);
    Bytes sixteenBit = data;
    sixteenBit[4] = 0;
    const struct {
        const char* what;
        Bytes bytes;
    } refused[] = {
        {"empty", Bytes()},
        {"header only in part", Bytes(data.begin(), data.begin() + 6)},
        {"16-bit format", sixteenBit},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(QMK_ErrInvalidFile, ImportWangAnnotations(host.Engine(), c.bytes.data(), c.bytes.size(), 800, 600, true));
        EXPECT_EQ(before, Describe(host.Engine()));
    }
    // Damage ends the walk; the marks read before it stay.
    Bytes badBlockType = data;
    badBlockType[data.size() - 30] = 7;  // the closing "OiIndex"
    const struct {
        const char* what;
        Bytes bytes;
        std::string expected;
    } damaged[] = {
        {"cut inside the last mark", Bytes(data.begin(), data.end() - 150), std::string("layer Older\n") + kOlderRects},
        {"an unknown block type at the end", badBlockType, before},
    };
    for (const auto& c : damaged) {
        SCOPED_TRACE(c.what);
        TestHost target(library);
        EXPECT_EQ(0, ImportPage(target.Engine(), c.bytes.data(), c.bytes.size(), 800, 600, true));
        EXPECT_EQ(c.expected, Describe(target.Engine()));
    }
}

// Hand-made data: per mark a group block (named for a new layer, or
// nothing), an index block and a hollow rectangle; the default blocks last.
Bytes IndexedMarks(const std::vector<std::pair<const char*, const char*>>& marks)
{
    formats_test::Hand h;
    h.D(0).D(1);
    int left = 0;
    for (const auto& mark : marks) {
        if (mark.first) formats_test::WangNamed(h, 6, "OiGroup", formats_test::Chars(mark.first, std::strlen(mark.first) + 1));
        formats_test::WangNamed(h, 6, "OiIndex", formats_test::Chars(mark.second, 10));
        formats_test::WangMarkFields m;
        m.type = 5;
        m.left = left, m.top = 0, m.right = left + 10, m.bottom = 10;
        left += 20;
        formats_test::WangMarkBlock(h, m);
    }
    formats_test::WangNamed(h, 6, "OiGroup", formats_test::Chars("[Untitled]", 11));
    formats_test::WangNamed(h, 6, "OiIndex", formats_test::Chars("0", 10));
    return h.bytes();
}

std::string SequenceNumbers(AnnotationEngine* e)
{
    std::string out;
    for (int layer = e->GetFirstLayer(); layer != 0; layer = e->GetNextLayer()) {
        out += LayerName(e, layer) + ":";
        int seq = 0;
        for (e->PrgGetFirstItem(layer, &seq); seq != 0; e->PrgGetNextItem(layer, &seq)) out += " " + std::to_string(seq);
        out += ";";
    }
    return out;
}

// An index from the data numbers its item only when no other item of the
// item's own layer has that number.
TEST(WangImport, IndexesNumberItemsOnlyWhenFreeInTheirOwnLayer)
{
    EngineLibrary library;
    TestHost host(library);
    const struct {
        bool preserve;
        Bytes data;
        std::string expected;
    } cases[] = {
        // Without the layers, a mark that comes in at a group or index block
        // takes no index.
        {false, IndexedMarks({{"One", "5"}, {nullptr, "5"}, {nullptr, "2"}, {nullptr, "0"}, {nullptr, "x"}}),
         "One: 1 2 3 4 5;"},
        {true, IndexedMarks({{"A", "5"}, {nullptr, "5"}, {"B", "5"}, {nullptr, "1"}}), "B: 5 1;A: 5 6;"},
        {true, IndexedMarks({{"A", "4294967295"}, {nullptr, "2147483647"}}), "A: 1 2147483647;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        ASSERT_EQ(0, ImportPage(host.Engine(), c.data.data(), c.data.size(), 800, 600, c.preserve));
        EXPECT_EQ(c.expected, SequenceNumbers(host.Engine()));
    }
}

const char* const kPages[] = {"3annotationWithBGPicture",
                              "imaging-pic-various-annotations",
                              "imaging-pic-textfieldannotation",
                              "imaging-pic-textfieldannotation-yellow-font-face",
                              "one-annotation-textarea",
                              "one-annotation-textnote"};

Bytes LoadPage(const char* name)
{
    const std::string path = std::string(SHARED_TESTDATA_DIR) + "/wang/" + name + ".p0.tag32932.bin";
    Bytes bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        int c;
        while ((c = std::fgetc(file)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
        std::fclose(file);
    }
    return bytes;
}

// The rectangles of real pages, as their mark records say; each mark of
// those pages has its own group block, so with layers preserved each comes
// in a layer of its own.
TEST(WangImport, RealPagesBringTheirRectangles)
{
    EngineLibrary library;
    TestHost host(library);
    host.Services().imageWidth = 1653;
    host.Services().imageHeight = 2338;
    host.Services().image = {0, 0, 1653, 2338};
    host.Services().view = {0, 0, 1653, 2338};
    const Bytes page = LoadPage("imaging-pic-various-annotations");
    ASSERT_FALSE(page.empty());

    ASSERT_EQ(0, ImportPage(host.Engine(), page.data(), page.size(), 1653, 2338, false));
    EXPECT_EQ("layer [Untitled]\n"
              "  rect 66,291,745,504 time 1436947970 visible 1 hollow pen ff0000 width 4\n"
              "  rect 72,543,751,786 time 1436947977 visible 1 filled ffff opaque\n"
              "  rect 97,1027,696,1061 time 1436948002 visible 1 filled ffff translucent\n",
              Describe(host.Engine()));
    int count = 0;
    host->PrgGetItemCount(host->GetFirstLayer(), &count);
    EXPECT_LE(count, 7);

    ASSERT_EQ(0, ImportPage(host.Engine(), page.data(), page.size(), 1653, 2338, true));
    const std::string layered = Describe(host.Engine());
    EXPECT_NE(std::string::npos,
              layered.find("layer [Untitled]\n  rect 97,1027,696,1061 time 1436948002 visible 1 filled ffff translucent\n"
                           "layer [Untitled]\n"  // the page's line mark, between the two
                           "layer [Untitled]\n  rect 72,543,751,786"))
        << layered;

    // The other pages come in as well; every mark of every page, of every
    // kind, is checked where the pages are opened in the view bound to the
    // control.
    for (const char* name : kPages) {
        SCOPED_TRACE(name);
        const Bytes other = LoadPage(name);
        ASSERT_FALSE(other.empty());
        EXPECT_EQ(0, ImportPage(host.Engine(), other.data(), other.size(), 1653, 2338, false));
    }
}

// Every item of every layer as a host finds it: its kind, its first two
// points in image pixels and its number of points; and its text.
struct Seen {
    std::string shape;
    std::wstring text;
    bool operator==(const Seen& other) const { return shape == other.shape && text == other.text; }
};

std::ostream& operator<<(std::ostream& out, const Seen& seen)
{
    return out << seen.shape << " text of " << seen.text.size();
}

std::vector<Seen> Items(AnnotationEngine* e)
{
    std::vector<Seen> items;
    for (int layer = e->GetFirstLayer(); layer != 0; layer = e->GetNextLayer()) {
        int seq = 0;
        for (e->PrgGetFirstItem(layer, &seq); seq != 0; e->PrgGetNextItem(layer, &seq)) {
            POINT a = {}, b = {};
            e->PrgGetItemPoint(layer, seq, 0, &a);
            e->PrgGetItemPoint(layer, seq, 1, &b);
            std::ostringstream shape;
            shape << LayerName(e, layer) << ": tool " << Number(e, layer, seq, QMK_ToolType) << " " << a.x << ","
                  << a.y << " " << b.x << "," << b.y << " points " << Number(e, layer, seq, QMK_NumPoints);
            BSTR text = nullptr;
            e->PrgGetItemAttribute(layer, seq, QMK_Text, reinterpret_cast<EngineValue*>(&text));
            items.push_back({shape.str(), text ? std::wstring(text, SysStringLen(text)) : std::wstring()});
            SysFreeString(text);
        }
    }
    return items;
}

// The blocks of a page, walked by their own sizes: a mark block 172 bytes
// (its mark type at 8), a named block 20 bytes and its data.
struct Block {
    size_t at, end;
    uint32_t type;
    uint32_t markType;
    std::string name;
};

uint32_t DwordOf(const Bytes& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

std::vector<Block> Blocks(const Bytes& page)
{
    std::vector<Block> blocks;
    for (size_t at = 8; at + 8 <= page.size();) {
        Block block = {at, 0, DwordOf(page, at), 0, {}};
        if (block.type == 5) {
            block.markType = DwordOf(page, at + 8);
            block.end = at + 172;
        } else {
            block.name.assign(reinterpret_cast<const char*>(&page[at + 8]), 8);
            block.name.resize(std::strlen(block.name.c_str()));
            block.end = at + 20 + DwordOf(page, at + 16);
        }
        blocks.push_back(block);
        at = block.end;
    }
    return blocks;
}

// Cut at the end of any block, a page brings the marks before the cut (a
// line whose points are cut off is not shown; a text whose text is cut off
// comes without it). Cut inside a block, it brings what the page cut at
// that block's start brings.
TEST(WangImport, PagesCutAnywhereBringTheMarksBeforeTheCut)
{
    EngineLibrary library;
    TestHost host(library);
    for (const char* name : kPages) {
        SCOPED_TRACE(name);
        const Bytes page = LoadPage(name);
        ASSERT_FALSE(page.empty());
        const std::vector<Block> blocks = Blocks(page);
        ASSERT_EQ(page.size(), blocks.back().end) << "the blocks fill the page";
        ASSERT_EQ(0, ImportPage(host.Engine(), page.data(), page.size(), 1653, 2338, false));
        const std::vector<Seen> whole = Items(host.Engine());

        size_t marks = 0;
        bool lineWithoutPoints = false;
        for (const Block& block : blocks) {
            SCOPED_TRACE(block.at);
            if (block.type == 5) {
                ++marks;
                lineWithoutPoints = block.markType == 3 || block.markType == 4;
            } else if (block.name == "OiAnoDat") {
                lineWithoutPoints = false;
            }
            if (block.end == page.size()) break;
            const Bytes cut(page.begin(), page.begin() + block.end);
            ASSERT_EQ(0, ImportPage(host.Engine(), cut.data(), cut.size(), 1653, 2338, false));
            const std::vector<Seen> seen = Items(host.Engine());
            const size_t shown = marks - (lineWithoutPoints ? 1 : 0);
            ASSERT_EQ(shown, seen.size());
            for (size_t i = 0; i < shown; ++i) {
                EXPECT_EQ(whole[i].shape, seen[i].shape) << i;
                if (i + 1 < shown || !seen[i].text.empty()) {
                    EXPECT_EQ(whole[i].text, seen[i].text) << i;
                }
            }
        }

        // Inside every block (in its type, its size, a name's length, its
        // data) the cut block ends the walk: what comes in is what the data
        // cut at the block's start brings.
        for (const Block& block : blocks) {
            const Bytes before(page.begin(), page.begin() + block.at);
            ASSERT_EQ(0, ImportPage(host.Engine(), before.data(), before.size(), 1653, 2338, false));
            const std::vector<Seen> expected = Items(host.Engine());
            for (size_t into : {size_t(2), size_t(6), size_t(12), size_t(18), (block.end - block.at) / 2,
                                block.end - block.at - 1}) {
                if (into == 0 || block.at + into >= block.end) continue;
                SCOPED_TRACE(std::to_string(block.at) + "+" + std::to_string(into));
                const Bytes cut(page.begin(), page.begin() + block.at + into);
                EXPECT_EQ(0, ImportPage(host.Engine(), cut.data(), cut.size(), 1653, 2338, false));
                EXPECT_EQ(expected, Items(host.Engine()));
            }
        }
    }
}

Bytes Le(uint32_t value)
{
    return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
}

Bytes Name8(const char* name)
{
    return formats_test::Chars(name, 8);
}

// Damage made from the pages, at offsets of their blocks (various: the first
// mark's "OiAnText" at 445, the freehand mark at 1265 and its "OiAnoDat" at
// 1539, the closing "OiIndex" at 4333; textnote: the mark at 52, its
// "OiAnText" at 224, whose text of 147 bytes has its NUL after the count,
// the closing "OiIndex" at 430). A block that does not fit, or of an
// unknown type, ends the walk and the marks before it come in; a length
// past its block reads what the block holds; otherwise every mark comes in
// but one left out or one without its text.
TEST(WangImport, DamageMadeFromThePages)
{
    const char* const various = "imaging-pic-various-annotations";
    const char* const note = "one-annotation-textnote";
    const int all = -1;
    const struct {
        const char* page;
        const char* what;
        size_t at;
        Bytes patch;
        int kept;      // the items before the walk ended, or all
        int missing;   // the item not shown, or -1
        int textless;  // the item shown without its text, or -1
        size_t linePoints = 0;  // the points the line of a page shows, when not all
    } cases[] = {
        {various, "named data length zero", 445 + 16, Le(0), 1, -1, 0},
        {various, "named data length negative", 445 + 16, Le(0xFFFFFFFF), 1, -1, 0},
        {various, "named data length past the end", 4333 + 16, Le(11), all, -1, -1},
        {note, "named data length past the end", 430 + 16, Le(3), all, -1, -1},
        {various, "named size zero", 445 + 4, Le(0), all, -1, -1},
        {various, "mark size zero", 1265 + 4, Le(0), all, -1, -1},
        {various, "mark size negative", 1265 + 4, Le(0xFFFFFFFF), all, -1, -1},
        {note, "mark size past the end", 52 + 4, Le(500), all, -1, -1},
        {various, "negative block type", 1265, Le(0xFFFFFFFB), 3, -1, -1},
        {note, "negative block type of a named block", 224, Le(0xFFFFFFFA), 1, -1, 0},
        {various, "point count past its block", 1539 + 20 + 4, Le(201), all, -1, -1, 200},
        {various, "point count negative", 1539 + 20 + 4, Le(0xFFFFFFFF), all, -1, -1, 200},
        {various, "text length past its block", 445 + 20 + 12, Le(45), all, -1, -1},
        {note, "text length past its block", 224 + 20 + 12, Le(149), all, -1, -1},
        {note, "text length negative", 224 + 20 + 12, Le(0x80000000), all, -1, -1},
        // Marks of kinds with no class are left out; the others come in.
        {various, "an image by reference", 1265 + 8, Le(2), all, 3, -1},
        {various, "a text from a file", 1265 + 8, Le(8), all, 3, -1},
        {various, "a form", 1265 + 8, Le(12), all, 3, -1},
        {various, "an OCR region", 1265 + 8, Le(13), all, 3, -1},
        {various, "a mark type past every kind", 1265 + 8, Le(0xFFFFFFFF), all, 3, -1},
        {note, "the only mark of no kind", 52 + 8, Le(11), all, 0, -1},
        {various, "a line of no points", 1539 + 20 + 4, Le(0), all, 3, -1},
        // Names that are not read are stepped over, also before any mark.
        {various, "an unknown name for a text block", 445 + 8, Name8("OiAnTxt"), all, -1, 0},
        {various, "a text block before any mark", 8 + 8, Name8("OiAnText"), all, -1, -1},
        {various, "a point block before any mark", 8 + 8, Name8("OiAnoDat"), all, -1, -1},
        {various, "a picture block before any mark", 59 + 8, Name8("OiDIB"), all, -1, -1},
        {note, "a text block before any mark", 30 + 8, Name8("OiAnText"), all, -1, -1},
    };
    EngineLibrary library;
    TestHost host(library);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.page) + ": " + c.what);
        const Bytes page = LoadPage(c.page);
        ASSERT_GE(page.size(), c.at + c.patch.size());
        ASSERT_EQ(0, ImportPage(host.Engine(), page.data(), page.size(), 1653, 2338, false));
        std::vector<Seen> expected = Items(host.Engine());
        Bytes damaged = page;
        std::copy(c.patch.begin(), c.patch.end(), damaged.begin() + c.at);
        EXPECT_EQ(0, ImportPage(host.Engine(), damaged.data(), damaged.size(), 1653, 2338, false));
        if (c.kept >= 0) expected.resize(static_cast<size_t>(c.kept));
        if (c.textless >= 0) expected[c.textless].text.clear();
        if (c.linePoints != 0) {
            const size_t at = expected[3].shape.find(" points ");
            expected[3].shape = expected[3].shape.substr(0, at) + " points " + std::to_string(c.linePoints);
        }
        if (c.missing >= 0) expected.erase(expected.begin() + c.missing);
        EXPECT_EQ(expected, Items(host.Engine()));
    }
}

// A host that deletes every layer from inside the engine's reports, a
// number of times: the import goes on with the layers it can make, never
// with one that is gone.
AnnotationEngine* g_engine = nullptr;
int g_deletesLeft = 0;
int __stdcall DeleteAllOnEvent(HostCookie, int, int)
{
    if (g_deletesLeft > 0 && g_engine) {
        --g_deletesLeft;
        g_engine->DeleteAllLayers();
    }
    return 0;
}
int __stdcall DeleteAllOnLayerChange(HostCookie, int layer)
{
    return DeleteAllOnEvent(0, 0, layer);
}

TEST(WangImport, AHostDeletingLayersFromItsReports)
{
    EngineLibrary library;
    TestHost source(library);
    FillEngine(source.Engine());
    const Bytes data = Saved(source.Engine(), false, true);
    const struct {
        int channel;
        void* callback;
    } hosts[] = {
        {Channel_AnnotateEvent, reinterpret_cast<void*>(&DeleteAllOnEvent)},
        {Channel_CurrentLayerChange, reinterpret_cast<void*>(&DeleteAllOnLayerChange)},
    };
    for (const auto& h : hosts) {
        for (int deletes : {1, 2, 3, 5, 100}) {
            SCOPED_TRACE(std::to_string(h.channel) + " " + std::to_string(deletes));
            TestHost target(library);
            target->RegisterCallback(h.channel, h.callback);
            g_engine = target.Engine();
            g_deletesLeft = deletes;
            EXPECT_EQ(0, ImportPage(target.Engine(), data.data(), data.size(), 800, 600, true));
            EXPECT_LT(g_deletesLeft, deletes) << "the host deleted layers";
            g_deletesLeft = 0;
            // Whatever came in is whole: every layer's items read back.
            const std::string now = Describe(target.Engine());
            EXPECT_EQ(std::string::npos, now.find("-12345")) << now;
            g_engine = nullptr;
        }
    }
}

TEST(WangImport, MutationLoopOverRealPages)
{
    EngineLibrary library;
    TestHost host(library);
    uint32_t seed = 777;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    for (const char* name : kPages) {
        SCOPED_TRACE(name);
        const Bytes page = LoadPage(name);
        ASSERT_FALSE(page.empty());
        for (int round = 0; round < 150; ++round) {
            Bytes mutated = page;
            for (int i = 0, n = 1 + static_cast<int>(next() % 6); i < n; ++i)
                mutated[next() % mutated.size()] = static_cast<uint8_t>(next());
            const int result =
                ImportPage(host.Engine(), mutated.data(), mutated.size(), 1653, 2338, round % 2 == 0);
            EXPECT_TRUE(result == 0 || result == QMK_ErrInvalidFile);
        }
    }
}

} // namespace

// Data that begins with a mark: each mark comes in at the next mark block
// (the last at the end), with the layer name and the index read after it.
TEST(WangImport, DataBeginningWithAMarkTakesTheNamesAndIndexesAfterEachMark)
{
    formats_test::Hand h;
    h.D(0).D(1);
    formats_test::WangMarkFields m;
    m.type = 5;
    m.left = 0, m.top = 0, m.right = 10, m.bottom = 10;
    formats_test::WangMarkBlock(h, m);
    formats_test::WangNamed(h, 6, "OiGroup", formats_test::Chars("A", 2));
    formats_test::WangNamed(h, 6, "OiIndex", formats_test::Chars("5", 10));
    m.left = 20, m.right = 30;
    formats_test::WangMarkBlock(h, m);
    formats_test::WangNamed(h, 6, "OiGroup", formats_test::Chars("B", 2));
    formats_test::WangNamed(h, 6, "OiIndex", formats_test::Chars("9", 10));
    EngineLibrary library;
    TestHost host(library);
    const struct {
        bool preserve;
        const char* expected;
    } cases[] = {{false, "A: 5 9;"}, {true, "B: 9;A: 5;"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preserve);
        ASSERT_EQ(0, ImportPage(host.Engine(), h.bytes().data(), h.Size(), 800, 600, c.preserve));
        EXPECT_EQ(c.expected, SequenceNumbers(host.Engine()));
    }
}

// The text of a text mark: an "OiUText" wins over the "OiAnText" that
// follows it, and a later "OiAnText" sets the text again.
TEST(WangImport, TextBlocksInTurn)
{
    const auto ansi = [](const char* text) {
        formats_test::Hand t;
        const uint32_t n = static_cast<uint32_t>(std::strlen(text)) + 1;
        t.D(0).D(1000).D(1000).D(n).Raw(formats_test::Chars(text, n));
        return t.bytes();
    };
    const auto unicode = [](const wchar_t* text) {
        formats_test::Hand t;
        t.D(1).Raw({'x'});
        for (const wchar_t* c = text; ; ++c) {
            t.Raw({static_cast<uint8_t>(*c), static_cast<uint8_t>(*c >> 8)});
            if (!*c) break;
        }
        return t.bytes();
    };
    const struct {
        std::vector<std::pair<const char*, Bytes>> blocks;
        std::wstring expected;
    } cases[] = {
        {{{"OiUText", unicode(L"uni")}, {"OiAnText", ansi("first")}}, L"uni"},
        {{{"OiUText", unicode(L"uni")}, {"OiAnText", ansi("first")}, {"OiAnText", ansi("second")}}, L"second"},
        {{{"OiAnText", ansi("first")}, {"OiUText", unicode(L"uni")}}, L"uni"},
        {{{"OiAnText", ansi("first")}, {"OiAnText", ansi("second")}}, L"second"},
    };
    EngineLibrary library;
    TestHost host(library);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.expected.begin(), c.expected.end()));
        formats_test::Hand h;
        h.D(0).D(1);
        formats_test::WangMarkFields m;
        m.type = 7;
        m.left = 0, m.top = 0, m.right = 100, m.bottom = 40;
        m.fontHeight = 12;
        m.face = "Arial";
        formats_test::WangMarkBlock(h, m);
        for (const auto& block : c.blocks) formats_test::WangNamed(h, 6, block.first, block.second);
        ASSERT_EQ(0, ImportPage(host.Engine(), h.bytes().data(), h.Size(), 800, 600, false));
        const std::vector<Seen> seen = Items(host.Engine());
        ASSERT_EQ(1u, seen.size());
        EXPECT_EQ(c.expected, seen[0].text);
    }
}

// Every number the host hears as an item comes in names that item at the
// end: the items, layer by layer oldest first, carry the announced numbers
// in the order they were announced.
TEST(WangImport, AnnouncedNumbersNameTheirItemsOnEveryPage)
{
    EngineLibrary library;
    for (const char* name : kPages) {
        for (bool preserve : {false, true}) {
            SCOPED_TRACE(std::string(name) + (preserve ? " preserved" : ""));
            const Bytes page = LoadPage(name);
            ASSERT_FALSE(page.empty());
            TestHost host(library);
            host->DeleteAllLayers();
            host.ClearCalls();
            ASSERT_EQ(0, ImportWangAnnotations(host.Engine(), page.data(), page.size(), 1653, 2338, preserve));
            std::vector<intptr_t> announced;
            for (const engine_test::ChannelCall& call : host.Calls())
                if (call.channel == Channel_AnnotateEvent && call.args.size() == 2 &&
                    call.args[0] == QMK_AnnotationAdded)
                    announced.push_back(call.args[1]);
            std::vector<int> layers;
            for (int layer = host->GetFirstLayer(); layer != 0; layer = host->GetNextLayer()) layers.push_back(layer);
            std::vector<intptr_t> numbers;
            for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
                int seq = 0;
                for (host->PrgGetFirstItem(*layer, &seq); seq != 0; host->PrgGetNextItem(*layer, &seq))
                    numbers.push_back(seq);
            }
            EXPECT_FALSE(numbers.empty());
            EXPECT_EQ(numbers, announced);
        }
    }
}

// A page opened, saved and opened again by a host whose view shows the page
// at another zoom each time (fit, actual size, a third, a quarter), with the
// page's own size and resolution, with font scaling off and on: after one
// round every further save, by either writer, layers kept or not, is the
// same. The pen around a line's points and a text's size at its creation
// scale once moved at every round.
TEST(WangImport, SavesAtAnyZoomAreAFixedPointAfterOneRound)
{
    struct Zoom {
        const char* what;
        RECT image;  // the page as shown in a window of 800 x 600
    };
    const Zoom zooms[] = {{"fit", {0, 0, 424, 600}},
                          {"actual size", {0, 0, 2480, 3508}},
                          {"a third", {0, 0, 827, 1169}},
                          {"a quarter", {0, 0, 620, 877}}};
    EngineLibrary library;
    for (const char* name : kPages) {
        const Bytes page = LoadPage(name);
        ASSERT_FALSE(page.empty());
        for (int fontScaling : {0, 1})
            for (bool unicode : {false, true})
                for (bool preserve : {false, true}) {
                    SCOPED_TRACE(std::string(name) + (fontScaling ? " font scaling" : "") +
                                 (unicode ? " Unicode" : " ANSI") + (preserve ? " layers" : ""));
                    TestHost host(library);
                    ASSERT_EQ(0, host->SetProperty(QMK_FontScaling, fontScaling));
                    host.Services().imageWidth = 2480;
                    host.Services().imageHeight = 3508;
                    host.Services().view = {0, 0, 800, 600};
                    host.Services().resolutionX = host.Services().resolutionY = 300.0;
                    Bytes data = page;
                    Bytes settled;
                    for (size_t round = 0; round < 5; ++round) {
                        const Zoom& zoom = zooms[round % 4];
                        SCOPED_TRACE(std::to_string(round) + " " + zoom.what);
                        host.Services().image = zoom.image;
                        ASSERT_EQ(0, ImportPage(host.Engine(), data.data(), data.size(), 2480, 3508, preserve));
                        data = Saved(host.Engine(), unicode, preserve);
                        ASSERT_FALSE(data.empty());
                        if (round == 0)
                            settled = data;
                        else
                            ASSERT_EQ(settled, data);
                    }
                }
    }
}

// A layer without a name, one named as the writers name an unnamed one and
// one of its own, saved by either writer with layers kept, read and saved
// again: the same data. The Unicode writer once wrote the unnamed layer in
// a form that read back as "[Untitled]" and was then written by name.
TEST(WangImport, LayerNamesReadBackAsTheyWereWritten)
{
    EngineLibrary library;
    for (const wchar_t* name : {L"", L"[Untitled]", L"Named"})
        for (bool unicode : {false, true}) {
            SCOPED_TRACE(std::string(unicode ? "Unicode " : "ANSI ") + std::to_string(std::wcslen(name)));
            TestHost source(library);
            ASSERT_NE(0, AddLayer(source.Engine(),
                                  LayerRecord(name, {{RectangleTool, 1, 0x100000, 0x200000, 0x500000, 0x400000, 9}})));
            const Bytes data = Saved(source.Engine(), unicode, true);
            ASSERT_FALSE(data.empty());
            TestHost target(library);
            ASSERT_EQ(0, ImportPage(target.Engine(), data.data(), data.size(), 800, 600, true));
            EXPECT_EQ(data, Saved(target.Engine(), unicode, true));
        }
}

// Page after page in one engine, each with a text and a stamp in fonts no
// page before used (face, size, weight), as mutated pages bring them: what
// the engine keeps is what the current page holds. Every font once kept a
// quarter of a megabyte for as long as the engine lived.
TEST(WangImport, PagesInFontsOfTheirOwnLeaveNoMemoryBehind)
{
    EngineLibrary library;
    TestHost host(library);
    static const char* const kFaces[] = {"Arial", "Times New Roman", "Courier New", "No Such Face"};
    const auto page = [](int i) {
        formats_test::Hand h;
        h.D(0).D(1);
        for (uint32_t type : {7u, 9u}) {
            formats_test::WangMarkFields m;
            m.type = type;
            m.left = 10, m.top = 10 + 60 * static_cast<int>(type), m.right = 400, m.bottom = m.top + 50;
            m.fontHeight = 6 + i / 8 + (type == 9 ? 200 : 0);
            m.fontWeight = i / 4 % 2 ? FW_BOLD : FW_NORMAL;
            m.face = kFaces[i % 4];
            formats_test::WangMarkBlock(h, m);
            formats_test::Hand t;
            t.D(0).D(1000).D(1000).D(6).Raw(formats_test::Chars("Words", 6));
            formats_test::WangNamed(h, 6, "OiAnText", t.bytes());
        }
        return h.bytes();
    };
    const auto import = [&](int i) {
        const Bytes data = page(i);
        ASSERT_EQ(0, ImportPage(host.Engine(), data.data(), data.size(), 800, 600, false));
        ASSERT_EQ(2u, Items(host.Engine()).size());
        ASSERT_FALSE(Saved(host.Engine(), false, false).empty());
    };
    for (int i = 0; i < 20; ++i) import(i);
    const size_t before = mutation::PrivateBytes();
    for (int i = 20; i < 220; ++i) import(i);
    const size_t after = mutation::PrivateBytes();
    const long growthKiB = (static_cast<long>(after) - static_cast<long>(before)) / 1024;
    std::printf("200 pages in fonts of their own: %ld KiB\n", growthKiB);
    EXPECT_LT(growthKiB, 2048);
}
