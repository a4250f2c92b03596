// Paint and hit-test speed of the engine with many items on a page of
// 2550 x 3300 pixels, painted into a window-sized 32-bit DIB section with the
// page shown at fit and at 100 %, and clicks hit-tested among them newest
// first: N rectangles and ellipses (half each), freehand marks of 200 points,
// polygons, and text items of three lines. The same items are also drawn
// bare (plain GDI calls, one pen and brush per style, the same fonts, the
// same view mapping). Engine and bare rounds alternate and each goal is the
// median of the per-round ratios, printed as "ratio paint/bare SET VIEW
// VALUE". Run by hand; not a test.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "dib_canvas.h"
#include "engine_object.h"
#include "objects/point_list_annotation.h"
#include "objects/shape_annotation.h"
#include "objects/text_annotation.h"
#include "settings/tool_defaults.h"
#include "view/view_mapping.h"

namespace {

constexpr int kPageWidth = 2550;
constexpr int kPageHeight = 3300;
constexpr int kFull = ViewMapping::kLayerUnitsFull;

struct Shown {
    const char* name;
    int windowWidth, windowHeight;
    int scaledWidth, scaledHeight;  // the page as the window shows it
};
const Shown* g_shown = nullptr;

int __stdcall GetView(HostCookie, int* kind, RECT* view, RECT* image, int* width, int* height)
{
    *kind = 0;
    *view = {0, 0, g_shown->windowWidth, g_shown->windowHeight};
    *image = {0, 0, g_shown->scaledWidth, g_shown->scaledHeight};
    *width = kPageWidth;
    *height = kPageHeight;
    return 0;
}

unsigned g_seed = 12345;
int Next(int range)
{
    g_seed = g_seed * 1103515245u + 12345u;
    return static_cast<int>((g_seed >> 8) % static_cast<unsigned>(range));
}

double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Engine and bare paints in alternating rounds: the median milliseconds of
// each side per paint and the median of the per-round ratios.
struct Measured {
    double engineMs;
    double bareMs;
    double ratio;
};
Measured Alternate(const std::function<void()>& engine, const std::function<void()>& bare, int paints)
{
    constexpr int kRounds = 9;
    engine();  // warm up: fonts, layouts, pens
    bare();
    std::vector<double> engineMs, bareMs, ratios;
    for (int round = 0; round < kRounds; ++round) {
        double start = Now();
        for (int i = 0; i < paints; ++i)
            engine();
        const double e = (Now() - start) * 1000.0 / paints;
        start = Now();
        for (int i = 0; i < paints; ++i)
            bare();
        const double b = (Now() - start) * 1000.0 / paints;
        engineMs.push_back(e);
        bareMs.push_back(b);
        ratios.push_back(e / b);
    }
    return {Median(engineMs), Median(bareMs), Median(ratios)};
}

// The kinds of a set of items.
enum class Set { RectanglesAndEllipses, Freehand, Polygons };
constexpr int kFreehandPoints = 200;
constexpr int kPolygonPoints = 6;

const char* NameOf(Set set)
{
    switch (set) {
    case Set::RectanglesAndEllipses: return "rectangles-and-ellipses";
    case Set::Freehand: return "freehand-200-points";
    default: return "polygons-6-points";
    }
}

const char* ViewToken(const char* view) { return std::strcmp(view, "fit") == 0 ? "fit" : "100%"; }

POINT PagePoint(int x, int y) { return {MulDiv(x, kFull, kPageWidth), MulDiv(y, kFull, kPageHeight)}; }

std::unique_ptr<Annotation> MakeItem(Set set, int i, const ToolDefaults& defaults)
{
    bool changed = false;
    if (set == Set::RectanglesAndEllipses) {
        const int tool = i % 2 ? EllipseTool : RectangleTool;
        auto item = std::make_unique<ShapeAnnotation>(tool, *defaults.MapOf(tool));
        const int w = 20 + Next(180), h = 20 + Next(180);
        const int l = Next(kPageWidth - w), t = Next(kPageHeight - h);
        const POINT a = PagePoint(l, t), b = PagePoint(l + w, t + h);
        RECT bounds = {a.x, a.y, b.x, b.y};
        item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds), changed);
        item->SetAttribute(QMK_PenWidth, 2, changed);
        return item;
    }
    const int tool = set == Set::Freehand ? FreehandTool : PolygonTool;
    auto item = std::make_unique<PointListAnnotation>(tool, *defaults.MapOf(tool));
    std::vector<POINT> points;
    const int box = set == Set::Freehand ? 300 : 200;
    const int l = Next(kPageWidth - box), t = Next(kPageHeight - box);
    if (set == Set::Freehand) {
        int x = box / 2, y = box / 2;
        for (int k = 0; k < kFreehandPoints; ++k) {
            x = std::max(0, std::min(box, x + Next(11) - 5));
            y = std::max(0, std::min(box, y + Next(11) - 5));
            points.push_back(PagePoint(l + x, t + y));
        }
    } else {
        for (int k = 0; k < kPolygonPoints; ++k) points.push_back(PagePoint(l + Next(box), t + Next(box)));
    }
    item->SetPoints(static_cast<int>(points.size()), points.data());
    item->SetAttribute(QMK_PenWidth, 2, changed);
    return item;
}

// The items drawn with plain GDI calls: one pen and one brush per style,
// the coordinates mapped as the engine maps them.
void DrawBare(HDC dc, ViewMapping& mapping, const std::vector<Annotation*>& items)
{
    const int width = mapping.ScaledPenWidth(2).cx;
    struct Style {
        int tool;
        HPEN pen;
        HBRUSH brush;
    };
    std::vector<Style> styles;
    auto styleOf = [&](Annotation& item) -> Style& {
        for (Style& style : styles)
            if (style.tool == item.Type()) return style;
        const COLORREF fill = static_cast<COLORREF>(item.MapNumber(QMK_FillColor, -1));
        styles.push_back({item.Type(),
                          CreatePen(item.Type() == RectangleTool || item.Type() == EllipseTool ? PS_INSIDEFRAME
                                                                                             : PS_SOLID,
                                    width, static_cast<COLORREF>(item.MapNumber(QMK_PenColor))),
                          fill == static_cast<COLORREF>(-1) ? static_cast<HBRUSH>(GetStockObject(HOLLOW_BRUSH))
                                                           : CreateSolidBrush(fill)});
        return styles.back();
    };
    const HGDIOBJ oldPen = GetCurrentObject(dc, OBJ_PEN);
    const HGDIOBJ oldBrush = GetCurrentObject(dc, OBJ_BRUSH);
    const int oldFill = SetPolyFillMode(dc, WINDING);
    int current = 0;
    std::vector<POINT> view;
    RECT clip = {};
    GetClipBox(dc, &clip);
    for (Annotation* item : items) {
        // Culled as the engine culls: items wholly outside the window are left.
        RECT device = mapping.LayerToWindow(item->Bounds());
        InflateRect(&device, 1, 1);
        RECT common;
        if (!IntersectRect(&common, &device, &clip))
            continue;
        Style& style = styleOf(*item);
        if (style.tool != current) {
            SelectObject(dc, style.pen);
            SelectObject(dc, style.brush);
            current = style.tool;
        }
        if (item->Type() == RectangleTool || item->Type() == EllipseTool) {
            const RECT r = mapping.LayerToWindow(item->Bounds());
            if (item->Type() == RectangleTool)
                Rectangle(dc, r.left, r.top, r.right, r.bottom);
            else
                Ellipse(dc, r.left, r.top, r.right, r.bottom);
            continue;
        }
        view.clear();
        for (const POINT& p : item->Points()) view.push_back(mapping.LayerToWindow(p));
        if (item->Type() == PolygonTool)
            Polygon(dc, view.data(), static_cast<int>(view.size()));
        else
            Polyline(dc, view.data(), static_cast<int>(view.size()));
    }
    SetPolyFillMode(dc, oldFill);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    for (Style& style : styles) {
        DeleteObject(style.pen);
        DeleteObject(style.brush);
    }
}

void Run(Set set, int count, const ToolDefaults& defaults)
{
    EngineObject object(1, nullptr);
    object.LoadDefaults();
    AnnotationEngine* engine = &object;
    engine->SetHostGetViewGeometry(2, &GetView);
    const int layer = engine->CreateLayer(1);
    AnnotationLayer* items = object.FindLayer(layer);
    std::vector<Annotation*> added;
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<Annotation> item = MakeItem(set, i, defaults);
        added.push_back(item.get());
        items->AddItem(std::move(item), false, false);
    }

    const Shown views[] = {
        {"fit", 800, 1035, 800, 1035},
        {"100 %", 1024, 768, kPageWidth, kPageHeight},
    };
    for (const Shown& shown : views) {
        g_shown = &shown;
        testkit::DibCanvas canvas(shown.windowWidth, shown.windowHeight);
        const int paints = count >= 10000 ? 1 : 4;
        engine->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);  // the mapping as this view has it
        ViewMapping& mapping = *object.AsLayerHost().Mapping();
        const Measured measured = Alternate(
            [&] { engine->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0); },
            [&] {
                mapping.Refresh(false, nullptr);
                DrawBare(canvas.dc(), mapping, added);
            },
            paints);

        const int clicks = set == Set::RectanglesAndEllipses ? 2000 : 500;
        int hits = 0;
        double start = Now();
        for (int i = 0; i < clicks; ++i) {
            const POINT window = {Next(shown.windowWidth), Next(shown.windowHeight)};
            const POINT point = mapping.WindowToLayer(window);
            for (auto it = added.rbegin(); it != added.rend(); ++it) {
                if ((*it)->HitTest(point.x, point.y)) {
                    ++hits;
                    break;
                }
            }
        }
        const double hitUs = (Now() - start) * 1e6 / clicks;
        std::printf("N = %5d %-24s %-6s paint %8.2f ms  bare %8.2f ms  "
                    "hit test %9.2f us  (%d of %d clicks hit)\n",
                    count, NameOf(set), shown.name, measured.engineMs, measured.bareMs, hitUs, hits, clicks);
        std::printf("ratio paint/bare %s-%d %s %.3f\n", NameOf(set), count, ViewToken(shown.name), measured.ratio);
        std::fflush(stdout);
    }
}

std::vector<Annotation*> TextItems(AnnotationLayer& layer)
{
    std::vector<Annotation*> items;
    for (int entry = 1; entry <= layer.ItemCount(); ++entry)
        items.push_back(layer.ItemAtEntry(entry));
    return items;
}

// The texts drawn with plain GDI calls: the same strings in the same font at
// the view's scale, broken into lines at word ends inside each box.
void DrawTextBare(HDC dc, ViewMapping& mapping, const std::vector<Annotation*>& items, const LOGFONTA& key)
{
    LOGFONTA scaled = key;
    const double scale = std::min(mapping.ScaleX(), mapping.ScaleY());
    scaled.lfHeight = static_cast<LONG>(key.lfHeight * scale + (key.lfHeight < 0 ? -0.5 : 0.5));
    scaled.lfCharSet = DEFAULT_CHARSET;
    HFONT font = CreateFontIndirectA(&scaled);
    const HGDIOBJ oldFont = SelectObject(dc, font);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT clip = {};
    GetClipBox(dc, &clip);
    for (Annotation* item : items) {
        RECT box = mapping.LayerToWindow(item->Bounds());
        RECT common;
        if (!IntersectRect(&common, &box, &clip))
            continue;
        SetTextColor(dc, static_cast<COLORREF>(item->MapNumber(QMK_TextColor)));
        const AttributeValue* value = nullptr;
        const auto it = item->Attributes().find(QMK_Text);
        if (it != item->Attributes().end())
            value = &it->second;
        const BSTR text = value ? value->Text() : nullptr;
        if (text)
            DrawTextW(dc, text, static_cast<int>(SysStringLen(text)), &box, DT_WORDBREAK | DT_NOPREFIX);
    }
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

// N text items of three lines each, in one font, painted the same way: the
// cost of laying text out and drawing it beside the rectangles.
void RunText(int count, const ToolDefaults& defaults)
{
    EngineObject object(1, nullptr);
    object.LoadDefaults();
    AnnotationEngine* engine = &object;
    engine->SetHostGetViewGeometry(2, &GetView);
    const int layer = engine->CreateLayer(1);
    AnnotationLayer* items = object.FindLayer(layer);
    LOGFONTA font = {};
    font.lfHeight = -16;
    font.lfWeight = FW_NORMAL;
    lstrcpyA(font.lfFaceName, "Arial");
    BSTR text = SysAllocString(L"The quick brown fox\rjumps over the lazy\rdog, wrapping as it goes");
    for (int i = 0; i < count; ++i) {
        auto item = std::make_unique<TextAnnotation>(*defaults.MapOf(TextTool));
        const int w = 160 + Next(120), h = 60 + Next(60);
        const int l = Next(kPageWidth - w), t = Next(kPageHeight - h);
        RECT bounds = {MulDiv(l, kFull, kPageWidth), MulDiv(t, kFull, kPageHeight),
                       MulDiv(l + w, kFull, kPageWidth), MulDiv(t + h, kFull, kPageHeight)};
        bool changed = false;
        item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds), changed);
        item->SetAttribute(QMK_Logfont, reinterpret_cast<EngineValue>(&font), changed);
        item->SetAttribute(QMK_Text, reinterpret_cast<EngineValue>(text), changed);
        items->AddItem(std::move(item), false, false);
    }
    const std::vector<Annotation*> texts = TextItems(*items);
    SysFreeString(text);
    const Shown views[] = {
        {"fit", 800, 1035, 800, 1035},
        {"100 %", 1024, 768, kPageWidth, kPageHeight},
    };
    for (const Shown& shown : views) {
        g_shown = &shown;
        testkit::DibCanvas canvas(shown.windowWidth, shown.windowHeight);
        engine->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);  // first layouts
        ViewMapping& mapping = *object.AsLayerHost().Mapping();
        const Measured measured = Alternate(
            [&] { engine->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0); },
            [&] {
                mapping.Refresh(false, nullptr);
                DrawTextBare(canvas.dc(), mapping, texts, font);
            },
            4);
        std::printf("N = %5d text items of three lines    %-6s paint %8.2f ms  bare %8.2f ms\n", count,
                    shown.name, measured.engineMs, measured.bareMs);
        std::printf("ratio paint/bare text-%d %s %.3f\n", count, ViewToken(shown.name), measured.ratio);
        std::fflush(stdout);
    }
}

} // namespace

// With arguments, only the sets whose names begin with one of them
// ("freehand", "polygons", "rectangles", "text").
int main(int argc, char** argv)
{
    auto wanted = [&](const char* name) {
        if (argc < 2)
            return true;
        for (int i = 1; i < argc; ++i)
            if (std::strncmp(name, argv[i], std::strlen(argv[i])) == 0)
                return true;
        return false;
    };
    ToolDefaults defaults;
    defaults.LoadDefaults();
    if (wanted(NameOf(Set::RectanglesAndEllipses)))
        for (int count : {1000, 10000})
            Run(Set::RectanglesAndEllipses, count, defaults);
    if (wanted(NameOf(Set::Freehand)))
        Run(Set::Freehand, 1000, defaults);
    if (wanted(NameOf(Set::Polygons)))
        Run(Set::Polygons, 1000, defaults);
    if (wanted("text"))
        RunText(1000, defaults);
    return 0;
}
