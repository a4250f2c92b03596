// Paint and hit-test speed of the engine with many items: N rectangles and
// ellipses (half each) on a page of 2550 x 3300 pixels, painted into a
// window-sized 32-bit DIB section with the page shown at fit and at 100 %,
// and clicks hit-tested among them newest first. Prints milliseconds per
// paint and microseconds per hit test for each N. Run by hand; not a test.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "dib_canvas.h"
#include "engine_object.h"
#include "objects/shape_annotation.h"
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

void Run(int count, const ToolDefaults& defaults)
{
    EngineObject object(1, nullptr);
    object.LoadDefaults();
    AnnotationEngine* engine = &object;
    engine->SetHostGetViewGeometry(2, &GetView);
    const int layer = engine->CreateLayer(1);
    AnnotationLayer* items = object.FindLayer(layer);
    std::vector<Annotation*> added;
    for (int i = 0; i < count; ++i) {
        const int tool = i % 2 ? EllipseTool : RectangleTool;
        auto item = std::make_unique<ShapeAnnotation>(tool, *defaults.MapOf(tool));
        const int w = 20 + Next(180), h = 20 + Next(180);
        const int l = Next(kPageWidth - w), t = Next(kPageHeight - h);
        RECT bounds = {MulDiv(l, kFull, kPageWidth), MulDiv(t, kFull, kPageHeight),
                       MulDiv(l + w, kFull, kPageWidth), MulDiv(t + h, kFull, kPageHeight)};
        bool changed = false;
        item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds), changed);
        item->SetAttribute(QMK_PenWidth, 2, changed);
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
        const int paints = count >= 10000 ? 5 : 20;
        engine->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);  // warm up
        double start = Now();
        for (int i = 0; i < paints; ++i)
            engine->Paint(canvas.dc(), nullptr, nullptr, 0, 0, 0, 0);
        const double paintMs = (Now() - start) * 1000.0 / paints;

        ViewMapping& mapping = *object.AsLayerHost().Mapping();
        mapping.Refresh(false, nullptr);
        const int clicks = 2000;
        int hits = 0;
        start = Now();
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
        std::printf("N = %5d  %-6s  paint %8.2f ms  hit test %8.2f us  (%d of %d clicks hit)\n",
                    count, shown.name, paintMs, hitUs, hits, clicks);
    }
}

} // namespace

int main()
{
    ToolDefaults defaults;
    defaults.LoadDefaults();
    for (int count : {1000, 10000})
        Run(count, defaults);
    return 0;
}
