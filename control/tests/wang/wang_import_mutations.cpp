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

constexpr int kWidth = 800, kHeight = 600;  // the test host's image

struct Engine {
    EngineLibrary library;
    TestHost host{library};
};

thread_local std::unique_ptr<Engine> t_engine;

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

// A new page's data, as the control takes it: the engine cleared first.
int LoadPage(const Bytes& data, bool preserve)
{
    E()->DeleteAllLayers();
    return ImportWangAnnotations(E(), data.data(), data.size(), kWidth, kHeight, preserve);
}

mutation::Verdict Judge(const mutation::Case& input, std::string& note)
{
    t_engine->host.ClearCalls();
    const bool preserve = input.index % 2 == 1;
    const bool unicode = input.index / 2 % 2 == 1;
    E()->DeleteAllLayers();
    const Bytes before = State();
    if (ImportWangAnnotations(E(), input.bytes.data(), input.bytes.size(), kWidth, kHeight, preserve) != 0)
        return State() == before ? mutation::Verdict::Refused : mutation::Verdict::RefusedButChanged;

    // One round settles what the data did not say; after it nothing moves.
    const Bytes first = SavedWang(unicode, preserve);
    if (first.empty())
        return mutation::Verdict::Accepted;
    if (LoadPage(first, preserve) != 0) {
        note = "the writer's data is refused";
        return mutation::Verdict::Failed;
    }
    const Bytes second = SavedWang(unicode, preserve);
    if (LoadPage(second, preserve) != 0) {
        note = "the writer's data is refused";
        return mutation::Verdict::Failed;
    }
    const Bytes third = SavedWang(unicode, preserve);
    if (second != third) {
        size_t at = 0;
        while (at < second.size() && at < third.size() && second[at] == third[at]) ++at;
        note = std::string(unicode ? "Unicode" : "ANSI") + " writer, layers " + (preserve ? "kept" : "not kept") +
               ": sizes " + std::to_string(second.size()) + " and " + std::to_string(third.size()) +
               ", first difference at " + std::to_string(at);
        return mutation::Verdict::Unstable;
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
        t_engine.reset(new Engine);
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
        t_engine.reset();
        OleUninitialize();
    }
    loop.smallCases = 300;
    loop.largeCases = 100000;
    // Imports leave nothing behind: a few megabytes of heap churn, no more.
    loop.memoryGrowthLimit = 8u << 20;
    loop.threadStart = [] {
        OleInitialize(nullptr);
        t_engine.reset(new Engine);
    };
    loop.threadEnd = [] {
        t_engine.reset();
        OleUninitialize();
    };
    loop.judge = Judge;
    return mutation::Run(loop, argc, argv);
}
