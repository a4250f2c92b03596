// An item appended from an element before the host had an image keeps its
// rectangle in pixels until the engine has a view to convert it with. A save
// made once the host has its image writes the item in layer units: loaded
// into another engine, the item lies where it lay in the first one.
#include <gtest/gtest.h>

#include <functional>

#include "engine_test_host.h"
#include "format_test_support.h"

using namespace engine_test;
using formats_test::Bytes;

namespace {

RECT RectOf(AnnotationEngine* e, int layer, int seq)
{
    RECT rect = {};
    e->PrgGetItemAttribute(layer, seq, QMK_BoundingRect, reinterpret_cast<EngineValue*>(&rect));
    return rect;
}

bool Same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A save of the engine and its load into a fresh engine, which gives the
// layer it made (0 on failure).
struct SavePath {
    const char* name;
    std::function<Bytes(AnnotationEngine*, int layer)> save;
    std::function<int(AnnotationEngine*, const Bytes&)> load;
};

Bytes StreamBytes(AnnotationEngine* e, int)
{
    return formats_test::SavedStream(e);
}

int LoadStream(AnnotationEngine* e, const Bytes& bytes)
{
    if (e->LoadAnnotationsFromMemory(bytes.data(), static_cast<int>(bytes.size()), 0, 0) != 0)
        return 0;
    return e->GetFirstLayer();
}

Bytes RecordBytes(AnnotationEngine* e, int layer)
{
    return formats_test::SavedLayer(e, layer);
}

int LoadRecord(AnnotationEngine* e, const Bytes& bytes)
{
    return formats_test::AddRecordLayer(e, bytes);
}

TEST(PendingGeometry, AnItemAppendedBeforeTheImageIsSavedWhereItLies)
{
    const SavePath paths[] = {
        {"annotation stream", StreamBytes, LoadStream},
        {"layer record", RecordBytes, LoadRecord},
    };
    const struct {
        int tool;
        bool picture;
    } kinds[] = {{ImageTool, true}, {RectangleTool, false}};
    EngineLibrary library;
    for (const SavePath& path : paths) {
        for (const auto& kind : kinds) {
            SCOPED_TRACE(std::string(path.name) + ", tool " + std::to_string(kind.tool));
            TestHost host(library);
            FakeServices& services = host.Services();
            services.imageWidth = services.imageHeight = 0;  // no image yet
            services.image = {0, 0, 0, 0};
            const int layer = host->CreateLayer(1);
            int element = 0;
            host->ElementCreate(&element);
            host->ElementSetAttribute(element, QMK_ElementType, kind.tool);
            RECT box = {20, 220, 80, 260};  // pixels
            host->ElementSetAttribute(element, QMK_BoundingRect, reinterpret_cast<EngineValue>(&box));
            HGLOBAL picture = kind.picture ? formats_test::ShadeDib(0x5A) : nullptr;
            if (picture)
                host->ElementSetAttribute(element, QMK_DibPtr, reinterpret_cast<EngineValue>(picture));
            int seq = 0;
            ASSERT_EQ(0, host->ElementAppend(layer, element, &seq));
            host->ElementDestroy(element);
            GlobalFree(picture);

            // The host shows its image; nothing has told the engine yet.
            services.imageWidth = 800;
            services.imageHeight = 600;
            services.image = {0, 0, 800, 600};
            const Bytes saved = path.save(host.Engine(), layer);
            ASSERT_FALSE(saved.empty());
            const RECT expected = {419430, 6151646, 1677722, 7270127};  // (20, 220)-(80, 260) of 800 x 600
            EXPECT_TRUE(Same(expected, RectOf(host.Engine(), layer, seq)));

            TestHost next(library);
            const int loaded = path.load(next.Engine(), saved);
            ASSERT_NE(0, loaded);
            int loadedSeq = 0;
            next->PrgGetFirstItem(loaded, &loadedSeq);
            const RECT again = RectOf(next.Engine(), loaded, loadedSeq);
            EXPECT_TRUE(Same(expected, again))
                << again.left << " " << again.top << " " << again.right << " " << again.bottom;
        }
    }
}

} // namespace
