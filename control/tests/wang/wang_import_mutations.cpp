// Damaged Wang/Oi annotation data (TIFF tag 32932) through the control's
// import into the real engine, loaded the way the control loads it, a page
// replacing the one before as it does: refused data changes nothing,
// accepted data saved with either writer and loaded again is a fixed point
// after one round, and many imports in one process leave nothing behind.
#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <string>

#include "engine_test_host.h"
#include "mutation_loop.h"
#include "wang_import.h"

namespace {

using engine_test::EngineLibrary;
using engine_test::TestHost;
using mutation::Bytes;

// The host's page and how its view shows it: the test host's own image, and
// a page of the real pages' size in a window of 800 x 600, at actual size
// and fitted. A case's data is saved at one zoom and reloaded and saved at
// another.
struct View {
    int width, height;
    RECT image;  // the page as shown
};
const View kViews[] = {{800, 600, {0, 0, 800, 600}},
                       {1653, 2338, {0, 0, 1653, 2338}},
                       {1653, 2338, {0, 0, 424, 600}}};
constexpr size_t kViewCount = sizeof kViews / sizeof kViews[0];

struct Engine {
    EngineLibrary library;
    TestHost host{library};
};

// Each thread's engine. A plain pointer: a thread-local with a destructor is
// torn down at thread exit after its storage has been freed by this
// toolchain's runtime, which then calls through whatever the freed block holds.
thread_local Engine* t_engine = nullptr;

void StartEngine() { t_engine = new Engine; }

void EndEngine()
{
    delete t_engine;
    t_engine = nullptr;
}

AnnotationEngine* E() { return t_engine->host.Engine(); }

Bytes Take(void* block, int size)
{
    Bytes bytes;
    if (block && size > 0)
        bytes.assign(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + size);
    CoTaskMemFree(block);
    return bytes;
}

// Everything the engine holds, in its own stream form.
Bytes State()
{
    void* block = nullptr;
    const int size = E()->SaveAnnotationsToMemory(&block);
    return Take(block, size);
}

Bytes SavedWang(bool unicode, bool preserve)
{
    void* block = nullptr;
    const int size = unicode ? E()->SaveWangAnnotationsUnicode(&block, preserve ? 1 : 0)
                             : E()->SaveWangAnnotations(&block, preserve ? 1 : 0);
    return Take(block, size);
}

void Show(const View& view)
{
    engine_test::FakeServices& services = t_engine->host.Services();
    services.imageWidth = view.width;
    services.imageHeight = view.height;
    services.view = {0, 0, 800, 600};
    services.image = view.image;
}

// A new page's data, as the control takes it: the engine cleared first.
int LoadPage(const Bytes& data, bool preserve, const View& view = kViews[0])
{
    Show(view);
    E()->DeleteAllLayers();
    return ImportWangAnnotations(E(), data.data(), data.size(), view.width, view.height, preserve);
}

mutation::Verdict Judge(const mutation::Case& input, std::string& note)
{
    t_engine->host.ClearCalls();
    const bool preserve = input.index % 2 == 1;
    const bool unicode = input.index / 2 % 2 == 1;
    const View& view = kViews[input.index / 4 % kViewCount];
    // The reload shows the page at another zoom where the page is larger
    // than the test host's image.
    const View& again = view.width == kViews[0].width ? view : kViews[1 + input.index / 4 % 2];
    Show(view);
    E()->DeleteAllLayers();
    const Bytes before = State();
    if (ImportWangAnnotations(E(), input.bytes.data(), input.bytes.size(), view.width, view.height, preserve) != 0)
        return State() == before ? mutation::Verdict::Refused : mutation::Verdict::RefusedButChanged;

    // One round settles what the data did not say; after it nothing moves.
    const Bytes first = SavedWang(unicode, preserve);
    if (first.empty())
        return mutation::Verdict::Accepted;
    Bytes saved = first;
    for (const View* shown : {&again, &view}) {
        if (LoadPage(saved, preserve, *shown) != 0) {
            note = "the writer's data is refused";
            return mutation::Verdict::Failed;
        }
        const Bytes next = SavedWang(unicode, preserve);
        if (next != first) {
            size_t at = 0;
            while (at < first.size() && at < next.size() && first[at] == next[at]) ++at;
            note = std::string(unicode ? "Unicode" : "ANSI") + " writer, layers " + (preserve ? "kept" : "not kept") +
                   ", page " + std::to_string(view.width) + " shown " + std::to_string(shown->image.right) +
                   " wide: sizes " + std::to_string(first.size()) + " and " + std::to_string(next.size()) +
                   ", first difference at " + std::to_string(at);
            return mutation::Verdict::Unstable;
        }
        saved = next;
    }
    return mutation::Verdict::Accepted;
}

const char* const kPages[] = {"3annotationWithBGPicture",
                              "imaging-pic-various-annotations",
                              "imaging-pic-textfieldannotation",
                              "imaging-pic-textfieldannotation-yellow-font-face",
                              "one-annotation-textarea",
                              "one-annotation-textnote"};

} // namespace

int main(int argc, char** argv)
{
    mutation::Loop loop;
    loop.name = "wang_import";
    const std::string folder = mutation::SharedTestData() + "\\wang";
    for (const char* page : kPages)
        mutation::AddSeedFile(loop.seeds, folder + "\\" + page + ".p0.tag32932.bin");
    // This system's own writers' data of the same pages, made on this thread
    // in an apartment of its own, as every engine's thread has.
    {
        OleInitialize(nullptr);
        StartEngine();
        const size_t pages = loop.seeds.size();
        for (size_t i = 0; i < pages; ++i) {
            for (bool unicode : {false, true})
                for (bool preserve : {false, true}) {
                    if (LoadPage(loop.seeds[i].bytes, preserve) != 0)
                        continue;
                    Bytes saved = SavedWang(unicode, preserve);
                    if (!saved.empty())
                        mutation::AddSeed(loop.seeds,
                                          loop.seeds[i].name + (unicode ? " Unicode" : " ANSI") +
                                              (preserve ? " layers" : ""),
                                          std::move(saved));
                }
        }
        EndEngine();
        OleUninitialize();
    }
    loop.smallCases = 300;
    loop.largeCases = 100000;
    // Imports leave nothing behind, also while the engine lives: a few
    // megabytes of heap churn, no more.
    loop.memoryGrowthLimit = 8u << 20;
    loop.checkMemoryBeforeThreadEnd = true;
    loop.threadStart = [] {
        OleInitialize(nullptr);
        StartEngine();
    };
    loop.threadEnd = [] {
        EndEngine();
        OleUninitialize();
    };
    loop.judge = Judge;
    return mutation::Run(loop, argc, argv);
}
