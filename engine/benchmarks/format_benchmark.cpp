// Save and load speed of the annotation stream: one layer of 10,000
// rectangles, plain and scrambled with a password, written into a memory
// block and read back into a new engine; and the same layer saved as Wang/Oi
// annotation data and imported as the control imports it. Prints MB/s and
// items/s for each.
// Run by hand; not a test.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "engine_object.h"
#include "objects/shape_annotation.h"
#include "settings/tool_defaults.h"
#include "wang_import.h"

namespace {

// The number of items; the first argument may give another.
int kItems = 10000;
constexpr int kRounds = 5;
constexpr int kFull = 16777216;

int __stdcall AnswerPassword(HostCookie, BSTR, BSTR* password)
{
    SysFreeString(*password);
    *password = SysAllocString(L"benchmark key");
    return 0;
}

double Now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

unsigned g_seed = 4321;
int Next(int range)
{
    g_seed = g_seed * 1103515245u + 12345u;
    return static_cast<int>((g_seed >> 8) % static_cast<unsigned>(range));
}

void Fill(EngineObject& engine, const ToolDefaults& defaults, bool scrambled)
{
    const int layer = engine.CreateLayer(1);
    AnnotationLayer* items = engine.FindLayer(layer);
    for (int i = 0; i < kItems; ++i) {
        auto item = std::make_unique<ShapeAnnotation>(RectangleTool, *defaults.MapOf(RectangleTool));
        const int left = Next(kFull - 0x100000), top = Next(kFull - 0x100000);
        RECT bounds = {left, top, left + 0x10000 + Next(0xF0000), top + 0x10000 + Next(0xF0000)};
        bool changed = false;
        item->SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds), changed);
        item->SetAttribute(QMK_PenWidth, 1 + Next(5), changed);
        item->SetCreationTime(1700000000 + i);
        items->AddItem(std::move(item), false, false);
    }
    if (scrambled) {
        BSTR password = SysAllocString(L"benchmark key");
        engine.SetLayerPassword(layer, password);
        SysFreeString(password);
    }
}

void Run(const ToolDefaults& defaults, bool scrambled)
{
    EngineObject source(1, nullptr);
    source.LoadDefaults();
    Fill(source, defaults, scrambled);

    double saveSeconds = 1e30, loadSeconds = 1e30;
    int size = 0;
    for (int round = 0; round < kRounds; ++round) {
        void* block = nullptr;
        double start = Now();
        size = source.SaveAnnotationsToMemory(&block);
        saveSeconds = std::min(saveSeconds, Now() - start);
        if (size <= 0) {
            std::printf("saving failed\n");
            return;
        }
        EngineObject target(2, nullptr);
        target.LoadDefaults();
        target.RegisterCallback(Channel_RequestLayerPassword, reinterpret_cast<void*>(&AnswerPassword));
        start = Now();
        const int result = target.LoadAnnotationsFromMemory(block, size, 0, 0);
        loadSeconds = std::min(loadSeconds, Now() - start);
        CoTaskMemFree(block);
        int count = 0;
        target.PrgGetItemCount(target.GetFirstLayer(), &count);
        if (result != 0 || count != kItems) {
            std::printf("loading failed: %d, %d items\n", result, count);
            return;
        }
    }
    const double megabytes = size / (1024.0 * 1024.0);
    std::printf("%-9s %d rectangles, %.2f MB: save %7.1f ms  %7.1f MB/s  %9.0f items/s;"
                "  load %7.1f ms  %7.1f MB/s  %9.0f items/s\n",
                scrambled ? "scrambled" : "plain", kItems, megabytes, saveSeconds * 1000.0,
                megabytes / saveSeconds, kItems / saveSeconds, loadSeconds * 1000.0,
                megabytes / loadSeconds, kItems / loadSeconds);
}

// The Wang/Oi data of the same layer: slot 36 and the control's import.
void RunWang(const ToolDefaults& defaults)
{
    constexpr int kWidth = 2480, kHeight = 3508;
    EngineObject source(1, nullptr);
    source.LoadDefaults();
    source.PrgSetImageMappingDimensions(kWidth, kHeight);
    Fill(source, defaults, false);

    double saveSeconds = 1e30, loadSeconds = 1e30;
    int size = 0;
    for (int round = 0; round < kRounds; ++round) {
        void* block = nullptr;
        double start = Now();
        size = source.SaveWangAnnotations(&block, 0);
        saveSeconds = std::min(saveSeconds, Now() - start);
        if (size <= 0) {
            std::printf("Wang saving failed\n");
            return;
        }
        EngineObject target(2, nullptr);
        target.LoadDefaults();
        start = Now();
        const int result = ImportWangAnnotations(&target, block, static_cast<size_t>(size), kWidth, kHeight, false);
        loadSeconds = std::min(loadSeconds, Now() - start);
        CoTaskMemFree(block);
        int count = 0;
        target.PrgGetItemCount(target.GetFirstLayer(), &count);
        if (result != 0 || count != kItems) {
            std::printf("Wang import failed: %d, %d items\n", result, count);
            return;
        }
    }
    const double megabytes = size / (1024.0 * 1024.0);
    std::printf("%-9s %d rectangles, %.2f MB: save %7.1f ms  %7.1f MB/s  %9.0f items/s;"
                "  load %7.1f ms  %7.1f MB/s  %9.0f items/s\n",
                "Wang", kItems, megabytes, saveSeconds * 1000.0, megabytes / saveSeconds,
                kItems / saveSeconds, loadSeconds * 1000.0, megabytes / loadSeconds, kItems / loadSeconds);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::atoi(argv[1]) > 0)
        kItems = std::atoi(argv[1]);
    ToolDefaults defaults;
    defaults.LoadDefaults();
    Run(defaults, false);
    Run(defaults, true);
    RunWang(defaults);
    return 0;
}
