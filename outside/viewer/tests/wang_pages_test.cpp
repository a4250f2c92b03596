// Real pages of other writers that carry Wang/Oi annotations, opened in the
// image view bound to the annotation control, as a user opens them: every
// mark the page holds comes in as the item of its kind, and a host reading
// the items back through the control's members finds what the page's mark
// records and their blocks say.
#include "viewer_fixture.h"

#include "image_reader.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace viewertest {
namespace {

constexpr uint16_t kWangTag = 32932;

// Tools of the items (annotationTOOL).
constexpr long kText = 4097;
constexpr long kRectangle = 4098;
constexpr long kLine = 4102;
constexpr long kFreehand = 4103;
constexpr long kStamp = 4104;
// Item attribute codes of the colours.
constexpr long kPenColor = 1, kTextColor = 2, kBackColor = 3, kFillColor = 4;
// AnnBackstyle and linePenFillStyle as the members give them.
constexpr long kTransparent = 1, kOpaque = 2, kTranslucent = 3;
constexpr long kPenOpaque = 5513;

constexpr COLORREF kYellow = 0x00FFFF, kBlack = 0, kWhite = 0xFFFFFF, kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000, kGreen = 0x008000, kGrey = 0xE2E2E2;

struct Font {
    std::wstring face;  // empty: the item has no font
    long points = 0;    // IFont Size, whole points
    long weight = 0;
    bool italic = false, underline = false, strike = false;
};

// One item as a host reads it back. Only what the kind carries from its
// mark is read: for a rectangle its fill and pen, for a line its pen, for a
// text or a note its text and back colours, for a stamp its text colour.
struct Item {
    long tool = 0;
    RECT bounds = {};  // image pixels
    COLORREF colour1 = 0, colour2 = 0;
    long width = 0;
    long style = 0;  // back style; for lines the pen fill style
    bool highlight = false;
    Font font;
    std::wstring text;
    long points = 0;
    POINT first = {}, last = {};
    long long seconds = 0;  // creation time; 0: the mark records none
};

// The face the platform shows for a face name (a host reads the face of
// the font it is handed, which is the one the platform chose).
std::wstring RealizedFace(const std::wstring& face) {
    LOGFONTW wanted = {};
    wanted.lfHeight = -20;
    lstrcpynW(wanted.lfFaceName, face.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&wanted);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    wchar_t shown[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, shown);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    return shown;
}

std::string Render(const Item& item) {
    std::ostringstream out;
    out << "tool " << item.tool << " bounds " << item.bounds.left << "," << item.bounds.top << ","
        << item.bounds.right << "," << item.bounds.bottom << std::hex << " colours " << item.colour1
        << " " << item.colour2 << std::dec << " width " << item.width << " style " << item.style
        << " highlight " << item.highlight;
    if (!item.font.face.empty())
        out << " font '" << Narrow(item.font.face) << "' " << item.font.points << "pt weight "
            << item.font.weight << (item.font.italic ? " italic" : "")
            << (item.font.underline ? " underline" : "") << (item.font.strike ? " strike" : "");
    if (item.tool == kText || item.tool == kStamp) out << " text '" << Narrow(item.text) << "'";
    if (item.points)
        out << " points " << item.points << " first " << item.first.x << "," << item.first.y
            << " last " << item.last.x << "," << item.last.y;
    if (item.seconds) out << " time " << item.seconds;
    return out.str();
}

struct Page {
    const char* file;
    int width, height;
    std::wstring layer;  // the group the marks name
    std::vector<Item> items;
};

// Fonts as the items keep them. A mark's stored size is in points at its
// text's creation scale: 12 at 750 is 16 points made 21 screen pixels (at
// 96 pixels per inch), read back as 15 whole points; 12 at 360 is 33 points,
// 44 pixels, 33; 9 at 360 is 25 points, 33 pixels, 24; 24 at 750 is 32
// points, 43 pixels, 32.
Font Arial(long points, long weight = 400) { return {L"Arial", points, weight}; }

// Every mark of page 0 of each file, in the order of the data, decoded by
// hand from the page's tag 32932: mark type, bounds, the two colours (blue,
// green, red), highlighting, transparency and line size of the record, the
// LOGFONT, the text of "OiAnText", the points of "OiAnoDat" (relative to the
// bounds' left and top, here made absolute). No mark of these pages is
// skipped: all are of kinds with a class (filled and hollow rectangles,
// straight and freehand lines, typed text, notes, a text stamp).
const std::vector<Page>& Pages() {
    static const std::vector<Page> pages = {
        {"3annotationWithBGPicture.tif", 2480, 3508, L"[Untitled]",
         {
             // Filled rectangle, highlighted: a translucent fill.
             {kRectangle, {318, 292, 1364, 786}, kYellow, kYellow, 0, kTranslucent, true, {}, L"", 0, {}, {},
              1441720839},
             // Straight line from (0, 110) to (942, 0) of its bounds.
             {kLine, {363, 1162, 1305, 1272}, kRed, 0, 4, kPenOpaque, false, {}, L"", 2, {363, 1272},
              {1305, 1162}, 1441720886},
             // Attach-a-note: colour 1 is its back, colour 2 its text.
             {kText, {67, 872, 322, 1185}, kBlack, kYellow, 1, kOpaque, false, Arial(15), L"Notizen", 0,
              {}, {}, 1441720893},
             // Typed text.
             {kText, {135, 324, 278, 759}, kBlack, kBlack, 0, kTransparent, false, Arial(15),
              L"Der normale Text", 0, {}, {}, 1441720907},
         }},
        {"imaging-pic-various-annotations.tif", 1653, 2338, L"[Untitled]",
         {
             {kText, {45, 114, 931, 297}, kBlack, kBlack, 0, kTransparent, false, Arial(33),
              L"Das ist eine TextAnnotation", 0, {}, {}, 1436947947},
             // Hollow rectangle: its pen is colour 1.
             {kRectangle, {66, 291, 745, 504}, kBlue, kBlue, 4, kTransparent, false, {}, L"", 0, {}, {},
              1436947970},
             {kRectangle, {72, 543, 751, 786}, kYellow, kYellow, 0, kOpaque, false, {}, L"", 0, {}, {},
              1436947977},
             // Freehand: 156 points in a block room for 200.
             {kFreehand, {93, 793, 710, 968}, kBlack, 0, 1, kPenOpaque, false, {}, L"", 156, {93, 895},
              {710, 885}, 1436947984},
             {kRectangle, {97, 1027, 696, 1061}, kYellow, kYellow, 0, kTranslucent, true, {}, L"", 0, {}, {},
              1436948002},
             {kText, {91, 1116, 710, 1268}, kBlack, kYellow, 1, kOpaque, false, Arial(33), L"TextNode", 0,
              {}, {}, 1436948019},
             // Text stamp, bold.
             {kStamp, {229, 1337, 707, 1409}, kGreen, 0, 0, kTransparent, false, Arial(33, 700),
              L"Approved 15.07.2015", 0, {}, {}, 1436948045},
         }},
        {"imaging-pic-textfieldannotation.tif", 1653, 2338, L"[Untitled]",
         {
             {kText, {37, 48, 1409, 501}, kBlack, kYellow, 1, kOpaque, false, Arial(33),
              L"Das ist eine Text Annotation mit einem Gelben Hintergrund", 0, {}, {}, 1436947497},
         }},
        {"imaging-pic-textfieldannotation-yellow-font-face.tif", 1653, 2338, L"[Untitled]",
         {
             // Yellow text on white, struck out, a face name of 21 characters.
             {kText, {193, 223, 1390, 773}, kYellow, kWhite, 1, kOpaque, false,
              {L"Arial Rounded MT Bold", 24, 400, false, false, true}, L"Ein Text", 0, {}, {}, 1437068668},
         }},
        // The other writer: group "0", no creation time, bVisible -1, RTF text.
        {"one-annotation-textarea.tif", 1200, 1800, L"0",
         {
             {kText, {281, 204, 911, 465}, kBlack, kYellow, 1, kOpaque, false, {L"Tahoma", 15, 400},
              L"{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031{\\fonttbl{\\f0\\fnil\\fcharset0 Tahoma;}}"
              L"\r\r\n{\\colortbl ;\\red0\\green0\\blue0;}\r\r\n\\viewkind4\\uc1\\pard\\cf1\\f0\\fs48 Eine "
              L"einfache Textmarkierung\\par\r\r\n}\r\r\n",
              0, {}, {}, 0},
         }},
        {"one-annotation-textnote.tif", 1200, 1800, L"0",
         {
             // A note of 1 by 1 pixel.
             {kText, {323, 288, 324, 289}, kBlack, kGrey, 1, kOpaque, false, {L"Tahoma", 32, 400},
              L"=$Note-1$={\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031{\\fonttbl{\\f0\\fnil\\fcharset0 "
              L"Tahoma;}}\r\n\\viewkind4\\uc1\\pard\\f0\\fs20 Eine einfache Notiz\\par\r\n}\r\n",
              0, {}, {}, 0},
         }},
    };
    return pages;
}

std::string PagePath(const char* file) { return std::string(SHARED_TESTDATA_DIR) + "/wang/" + file; }

VARIANT RefLong(LONG* value) {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4 | VT_BYREF;
    v.plVal = value;
    return v;
}

LONG AsLong(const CallResult& r) {
    VARIANT v;
    VariantInit(&v);
    if (FAILED(VariantChangeType(&v, const_cast<VARIANT*>(&r.value), 0, VT_I4))) return -12345;
    return v.lVal;
}

std::wstring AsText(const CallResult& r) {
    return r.value.vt == VT_BSTR && r.value.bstrVal ? std::wstring(r.value.bstrVal) : std::wstring();
}

class WangPages : public ViewerTest {
protected:
    void TearDown() override {
        annotations_.reset();
        ViewerTest::TearDown();
    }

    // The view named Viewer1 and the annotation control bound to it by name,
    // taking the Wang layout of the pages it opens.
    Viewer& Place(const RECT& rect = {0, 0, 300, 200}) {
        Viewer& view = NewViewer(rect);
        view.site().SetDisplayName(L"Viewer1");
        annotations_ = std::make_unique<Annotations>(form_, RECT{rect.right, 0, rect.right + 40, 200});
        EXPECT_EQ(S_OK, annotations_->created) << "is inkctl7.dll registered?";
        EXPECT_EQ(S_OK, annotations_->Put(L"TIFFAnnotationType", Long(0)).hr);
        EXPECT_EQ(S_OK, annotations_->PutText(L"Client", L"Viewer1"));
        return view;
    }
    Annotations& control() { return *annotations_; }

    CallResult ItemCall(const wchar_t* name, long layer, long seq, std::vector<VARIANT> more = {}) {
        std::vector<VARIANT> args = {Long(layer), Long(seq)};
        args.insert(args.end(), more.begin(), more.end());
        return control().Call(name, std::move(args));
    }
    long ItemLong(const wchar_t* name, long layer, long seq, std::vector<VARIANT> more = {}) {
        CallResult r = ItemCall(name, layer, seq, std::move(more));
        EXPECT_EQ(S_OK, r.hr) << Narrow(name);
        return AsLong(r);
    }
    POINT ItemPoint(long layer, long seq, long which) {
        LONG x = -1, y = -1;
        EXPECT_EQ(S_OK, ItemCall(L"PrgGetItemPoint", layer, seq, {Long(which), RefLong(&x), RefLong(&y)}).hr);
        return {x, y};
    }
    Font ItemFont(long layer, long seq) {
        Font font;
        CallResult r = ItemCall(L"PrgGetItemFont", layer, seq);
        EXPECT_EQ(S_OK, r.hr);
        if (r.value.vt != VT_DISPATCH || !r.value.pdispVal) return font;
        IDispatch* ole = r.value.pdispVal;
        auto get = [ole](const wchar_t* name) { return Invoke(ole, name, DISPATCH_PROPERTYGET, {}, false); };
        font.face = AsText(get(L"Name"));
        CallResult size = get(L"Size");
        font.points = size.value.vt == VT_CY ? static_cast<long>(size.value.cyVal.int64 / 10000) : -1;
        font.weight = AsLong(get(L"Weight"));
        font.italic = get(L"Italic").value.boolVal != VARIANT_FALSE;
        font.underline = get(L"Underline").value.boolVal != VARIANT_FALSE;
        font.strike = get(L"Strikethrough").value.boolVal != VARIANT_FALSE;
        return font;
    }
    long long ItemSeconds(long layer, long seq) {
        CallResult r = ItemCall(L"PrgGetItemCreateTime", layer, seq);
        return r.value.vt == VT_DATE ? std::llround((r.value.date - 25569.0) * 86400.0) : -1;
    }

    Item ReadItem(long layer, long seq, bool withTime) {
        Item item;
        item.tool = ItemLong(L"PrgGetItemType", layer, seq);
        const POINT a = ItemPoint(layer, seq, 0), b = ItemPoint(layer, seq, 1);
        item.bounds = {a.x, a.y, b.x, b.y};
        auto colour = [&](long code) {
            return static_cast<COLORREF>(ItemLong(L"PrgGetItemColor", layer, seq, {Long(code)}));
        };
        item.width = ItemLong(L"PrgGetItemPenWidth", layer, seq);
        switch (item.tool) {
        case kRectangle:
            item.colour1 = colour(kFillColor);
            item.colour2 = colour(kPenColor);
            item.style = ItemLong(L"PrgGetItemBackstyle", layer, seq);
            item.highlight = ItemLong(L"PrgGetItemHighlightFill", layer, seq) != 0;
            break;
        case kLine:
        case kFreehand: {
            item.colour1 = colour(kPenColor);
            item.style = ItemLong(L"PrgGetItemPenFillStyle", layer, seq);
            item.points = ItemLong(L"PrgGetItemNumPoints", layer, seq);
            item.bounds = {};
            // The bounds of a point list are those of its points.
            for (long i = 0; i < item.points; ++i) {
                const POINT p = ItemPoint(layer, seq, i);
                if (i == 0) item.bounds = {p.x, p.y, p.x, p.y};
                item.bounds.left = std::min(item.bounds.left, p.x);
                item.bounds.top = std::min(item.bounds.top, p.y);
                item.bounds.right = std::max(item.bounds.right, p.x);
                item.bounds.bottom = std::max(item.bounds.bottom, p.y);
            }
            if (item.points > 0) {
                item.first = ItemPoint(layer, seq, 0);
                item.last = ItemPoint(layer, seq, item.points - 1);
            }
            break;
        }
        case kText:
        case kStamp:
            item.colour1 = colour(kTextColor);
            if (item.tool == kText) {
                item.colour2 = colour(kBackColor);
                item.highlight = ItemLong(L"PrgGetItemHighlightBack", layer, seq) != 0;
            }
            item.style = ItemLong(L"PrgGetItemBackstyle", layer, seq);
            item.font = ItemFont(layer, seq);
            item.text = AsText(ItemCall(L"PrgGetItemText", layer, seq));
            break;
        default:
            break;
        }
        if (withTime) item.seconds = ItemSeconds(layer, seq);
        return item;
    }

    // The one layer the marks of a page come in (they name one group):
    // current, with the pointer tool; its items bottom first, each with a
    // number of its own.
    std::vector<Item> ReadLayer(const Page& page, long* layer) {
        std::vector<Item> items;
        EXPECT_EQ(1, AsLong(control().Get(L"NumLayers")));
        *layer = AsLong(control().Call(L"GetFirstLayer"));
        EXPECT_NE(0, *layer);
        EXPECT_EQ(*layer, AsLong(control().Get(L"CurrentLayer")));
        EXPECT_EQ(4096, AsLong(control().Call(L"GetTool", {Long(*layer)})));
        std::vector<long> numbers;
        for (long seq = AsLong(control().Call(L"PrgGetFirstItem", {Long(*layer)}));
             seq > 0 && items.size() <= page.items.size();
             seq = AsLong(control().Call(L"PrgGetNextItem", {Long(*layer)}))) {
            for (long other : numbers) EXPECT_NE(other, seq);
            numbers.push_back(seq);
            const bool withTime = items.size() < page.items.size() && page.items[items.size()].seconds != 0;
            items.push_back(ReadItem(*layer, seq, withTime));
            EXPECT_EQ(VARIANT_TRUE, ItemCall(L"PrgGetItemVisible", *layer, seq).value.boolVal);
        }
        EXPECT_EQ(static_cast<long>(items.size()), AsLong(control().Call(L"PrgGetItemCount", {Long(*layer)})));
        return items;
    }

    std::unique_ptr<Annotations> annotations_;
};

std::vector<std::string> Rendered(const std::vector<Item>& items) {
    std::vector<std::string> lines;
    for (const Item& item : items) lines.push_back(Render(item));
    return lines;
}

std::vector<std::string> Expected(const Page& page) {
    std::vector<Item> items = page.items;
    for (Item& item : items)
        if (!item.font.face.empty()) item.font.face = RealizedFace(item.font.face);
    return Rendered(items);
}

TEST_F(WangPages, EachPageShowsEveryMarkAsItsRecordSaysAndKeepsThemWhenSaved) {
    for (const Page& page : Pages()) {
        SCOPED_TRACE(page.file);
        // Saved by the view with the control's ANSI and Unicode text modes.
        const std::string original = PagePath(page.file);
        const std::string ansi = *folder_ / "ansi.tif", unicode = *folder_ / "unicode.tif";
        for (const std::string& path : {original, ansi, unicode}) {
            SCOPED_TRACE(path);
            Viewer& view = Place();
            ASSERT_EQ(S_OK, view.Load(path));
            EXPECT_EQ(page.width, view.GetLong(L"IWidth"));
            EXPECT_EQ(page.height, view.GetLong(L"IHeight"));
            long layer = 0;
            const std::vector<Item> items = ReadLayer(page, &layer);
            // The view's save writes no layer names (PreserveWTLayers is off).
            EXPECT_EQ(path == original ? page.layer : std::wstring(L"[Untitled]"),
                      AsText(control().Call(L"GetLayerName", {Long(layer)})));
            EXPECT_EQ(Expected(page), Rendered(items));
            if (path == original) {
                for (const std::string& saved : {ansi, unicode}) {
                    VARIANT mode;
                    VariantInit(&mode);
                    mode.vt = VT_BOOL;
                    mode.boolVal = saved == unicode ? VARIANT_TRUE : VARIANT_FALSE;
                    ASSERT_EQ(S_OK, control().Put(L"UnicodeMode", mode).hr);
                    ASSERT_EQ(S_OK, view.PutText(L"SaveFileName", Widen(saved)));
                    ASSERT_EQ(S_OK, view.Call(L"SaveFile").hr);
                    // The header word tells the writer.
                    std::vector<uint8_t> data;
                    ASSERT_TRUE(imaging::ReadTiffTag(saved, kWangTag, &data));
                    ASSERT_GE(data.size(), 8u);
                    EXPECT_EQ(saved == unicode ? 4 : 0, data[0]);
                    // The faces are kept as the page names them, whichever
                    // face the platform shows.
                    for (const Item& item : page.items) {
                        const std::string face = Narrow(item.font.face);
                        if (!face.empty()) {
                            EXPECT_NE(data.end(), std::search(data.begin(), data.end(), face.begin(), face.end()))
                                << face;
                        }
                    }
                }
            }
            annotations_.reset();
            viewers_.clear();
        }
    }
}

// Paging through the files in one view, each page shows its own marks
// only, also when a page is opened a second time; a page whose annotation
// data is cut inside its last mark shows the marks before it, and keeps
// them when saved.
TEST_F(WangPages, PagingThroughTheFilesShowsEachPagesOwnMarks) {
    Viewer& view = Place();
    const std::vector<Page>& pages = Pages();
    for (size_t turn = 0; turn < pages.size() + 2; ++turn) {
        const Page& page = pages[turn % pages.size()];
        SCOPED_TRACE(page.file);
        ASSERT_EQ(S_OK, view.Load(PagePath(page.file)));
        long layer = 0;
        EXPECT_EQ(Expected(page), Rendered(ReadLayer(page, &layer)));
    }

    std::vector<uint8_t> data;
    ASSERT_TRUE(imaging::ReadTiffTag(PagePath(pages[1].file), kWangTag, &data));
    data.resize(3968 + 100);  // inside the stamp, the last mark
    imaging::TiffWriteOptions options;
    options.privateTags = {{kWangTag, imaging::TiffTagType::Byte, data}};
    Raster white = PatternPage(400, 300, PixelLayout::Gray8);
    const std::string cut = WriteTiff("cut.tif", white, options);
    ASSERT_EQ(S_OK, view.Load(cut));
    EXPECT_EQ(1, AsLong(control().Get(L"NumLayers")));
    long cutLayer = 0;
    const auto before = Rendered(ReadLayer(pages[1], &cutLayer));
    EXPECT_NE(Expected(pages[1]), before) << "the cut mark is not shown";
    ASSERT_EQ(S_OK, view.PutText(L"SaveFileName", Widen(cut)));
    ASSERT_EQ(S_OK, view.Call(L"SaveFile").hr);
    ASSERT_EQ(S_OK, view.Load(cut));
    EXPECT_EQ(before, Rendered(ReadLayer(pages[1], &cutLayer))) << "the marks before the cut are kept";

    ASSERT_EQ(S_OK, view.Load(PagePath(pages[1].file)));
    long layer = 0;
    EXPECT_EQ(Expected(pages[1]), Rendered(ReadLayer(pages[1], &layer)));
}

// With the whole page in the view, each mark is painted over the page where
// the control says it lies, and nowhere else: there the view shows other
// pixels than it does with the annotations cleared.
TEST_F(WangPages, EachMarkIsPaintedWhereItLies) {
    for (const Page& page : Pages()) {
        SCOPED_TRACE(page.file);
        Viewer& view = Place({0, 0, 330, 470});
        ASSERT_EQ(S_OK, view.Load(PagePath(page.file)));
        ASSERT_EQ(S_OK, view.Call(L"ZoomToFit", {Long(2)}).hr);
        const long layer = AsLong(control().Call(L"GetFirstLayer"));
        std::vector<RECT> places;
        for (long seq = AsLong(control().Call(L"PrgGetFirstItem", {Long(layer)}));
             seq > 0 && places.size() < page.items.size();
             seq = AsLong(control().Call(L"PrgGetNextItem", {Long(layer)}))) {
            LONG l = 0, t = 0, r = 0, b = 0;
            EXPECT_EQ(S_OK, ItemCall(L"PrgGetItemRect", layer, seq,
                                     {RefLong(&l), RefLong(&t), RefLong(&r), RefLong(&b)})
                                .hr);
            places.push_back({l, t, r, b});
        }
        ASSERT_EQ(page.items.size(), places.size());
        const auto shown = PrintClient(view.window());
        ASSERT_EQ(S_OK, control().Call(L"Clear").hr);
        const auto bare = PrintClient(view.window());
        RECT client;
        GetClientRect(view.window(), &client);
        for (size_t i = 0; i < places.size(); ++i) {
            SCOPED_TRACE(i);
            RECT place;
            // The note of 1 by 1 pixel covers no pixel of the view.
            if (!IntersectRect(&place, &places[i], &client)) continue;
            int changed = 0;
            for (int y = place.top; y < place.bottom; ++y)
                for (int x = place.left; x < place.right; ++x)
                    if (shown->At(x, y) != bare->At(x, y)) ++changed;
            EXPECT_GT(changed, 0) << places[i].left << "," << places[i].top << "," << places[i].right << ","
                                  << places[i].bottom;
        }
        // Nothing is painted beside the marks (a pen may reach a pixel out).
        int beside = 0;
        for (int y = 0; y < client.bottom; ++y)
            for (int x = 0; x < client.right; ++x) {
                bool inside = false;
                for (RECT place : places) {
                    InflateRect(&place, 2, 2);
                    const POINT p = {x, y};
                    inside = inside || PtInRect(&place, p);
                }
                if (!inside && shown->At(x, y) != bare->At(x, y)) ++beside;
            }
        EXPECT_EQ(0, beside);
        annotations_.reset();
        viewers_.clear();
    }
}

} // namespace
} // namespace viewertest
