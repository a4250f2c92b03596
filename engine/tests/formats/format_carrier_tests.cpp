// Every carrier of the saved annotations, end to end through the DLL: an
// engine filled with varied annotations and a password is saved by one host
// and loaded by another, which must then hold exactly the same (every
// attribute of every item, every layer property, the selection, the
// passwords). Carriers: the memory block, a caller's stream, the byte array,
// the annotation file, the TIFF tag of an image file (written with the TIFF
// writer and read back with the WIC reader) and one layer at a time.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "engine_test_host.h"
#include "format_test_support.h"
#include "image_reader.h"
#include "tiff_writer.h"

using namespace engine_test;
using namespace formats_test;

namespace {

constexpr uint16_t kAnnotationTag = 34686;

Bytes MemoryBlockOf(AnnotationEngine* engine)
{
    void* block = nullptr;
    const int size = engine->SaveAnnotationsToMemory(&block);
    EXPECT_GT(size, 0);
    Bytes bytes;
    if (block && size > 0)
        bytes.assign(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + size);
    CoTaskMemFree(block);
    return bytes;
}

int ByMemoryBlock(AnnotationEngine* from, AnnotationEngine* to)
{
    return LoadStream(to, MemoryBlockOf(from));
}

int ByCallersStream(AnnotationEngine* from, AnnotationEngine* to)
{
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(nullptr, TRUE, &stream) != S_OK)
        return -1;
    int result = from->SaveToStream(stream);
    if (result == 0) {
        STATSTG stat = {};
        stream->Stat(&stat, STATFLAG_NONAME);
        HGLOBAL memory = nullptr;
        GetHGlobalFromStream(stream, &memory);
        const uint8_t* bytes = static_cast<const uint8_t*>(GlobalLock(memory));
        const Bytes copy(bytes, bytes + stat.cbSize.LowPart);
        GlobalUnlock(memory);
        result = LoadStream(to, copy);
    }
    stream->Release();
    return result;
}

int ByByteArray(AnnotationEngine* from, AnnotationEngine* to)
{
    VARIANT v;
    VariantInit(&v);
    int count = 0;
    int result = from->GetAnnIntoVariant(&v, &count);
    if (result == 0) {
        // The control passes its two out values preset to -1.
        int width = -1, height = -1;
        result = to->SetAnnFromVariant(&v, &width, &height);
    }
    VariantClear(&v);
    return result;
}

int ByAnnotationFile(AnnotationEngine* from, AnnotationEngine* to)
{
    TempFile file(L".ann");
    const int result = from->StoreAnnotation(file.Bstr());
    return result != 0 ? result : to->RetrieveAnnotation(file.Bstr());
}

int ByTiffTag(AnnotationEngine* from, AnnotationEngine* to)
{
    imaging::TiffWriteOptions options;
    options.privateTags.push_back({kAnnotationTag, imaging::TiffTagType::Undefined, MemoryBlockOf(from)});
    TempFile file(L".tif");
    int size = WideCharToMultiByte(CP_ACP, 0, file.Path().c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string path(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, file.Path().c_str(), -1, &path[0], size, nullptr, nullptr);
    path.resize(static_cast<size_t>(size - 1));
    std::string error;
    if (!imaging::WriteTiffFile(path, imaging::Raster::Blank(64, 48, imaging::PixelLayout::Bilevel),
                                options, &error)) {
        ADD_FAILURE() << error;
        return -1;
    }
    Bytes tag;
    if (!imaging::ReadTiffTag(path, kAnnotationTag, &tag)) {
        ADD_FAILURE() << "the tag did not read back";
        return -1;
    }
    return LoadStream(to, tag);
}

// One layer at a time, oldest first, so that the layers end in the same order.
int ByLayerVariants(AnnotationEngine* from, AnnotationEngine* to)
{
    std::vector<int> layers;
    for (int layer = from->GetFirstLayer(); layer != 0; layer = from->GetNextLayer())
        layers.insert(layers.begin(), layer);
    for (int layer : layers) {
        VARIANT v;
        VariantInit(&v);
        int size = 0;
        int result = from->GetLayerIntoVariant(&v, layer, &size);
        int made = 0;
        if (result == 0)
            result = to->SetLayerFromVariant(&v, &made);
        VariantClear(&v);
        if (result != 0)
            return result;
    }
    return 0;
}

struct Carrier {
    const char* name;
    std::function<int(AnnotationEngine*, AnnotationEngine*)> carry;
};

const Carrier kCarriers[] = {
    {"memory block", ByMemoryBlock},
    {"caller's stream", ByCallersStream},
    {"byte array", ByByteArray},
    {"annotation file", ByAnnotationFile},
    {"TIFF tag", ByTiffTag},
    {"layer variants", ByLayerVariants},
};

TEST(FormatCarriers, EveryCarrierBringsEverythingBackWithItsPassword)
{
    EngineLibrary library;
    TestHost source(library);
    FillEngine(source.Engine());
    const std::string expected = Describe(source.Engine());
    ASSERT_NE(expected.find("layer \"Secret\""), std::string::npos) << expected;
    ASSERT_NE(expected.find("\\u00FCser \\u20AC"), std::string::npos) << expected;

    for (const Carrier& carrier : kCarriers) {
        SCOPED_TRACE(carrier.name);
        TestHost target(library);
        PasswordDesk& desk = AnswerPasswords(target);
        desk.answers[L"Secret"] = L"pw one";
        ASSERT_EQ(carrier.carry(source.Engine(), target.Engine()), 0);
        EXPECT_EQ(Describe(target.Engine()), expected);
        EXPECT_EQ(desk.asked, (std::vector<std::wstring>{L"Secret"}));
        // What was loaded saves the same again.
        TestHost again(library);
        AnswerPasswords(again).answers[L"Secret"] = L"pw one";
        ASSERT_EQ(carrier.carry(target.Engine(), again.Engine()), 0);
        EXPECT_EQ(Describe(again.Engine()), expected);
    }
}

TEST(FormatCarriers, ALoadAddsToTheLayersOrReplacesThemByCarrier)
{
    EngineLibrary library;
    TestHost source(library);
    FillEngine(source.Engine());
    struct Case {
        const char* name;
        std::function<int(AnnotationEngine*, AnnotationEngine*)> carry;
        int layersAfter;  // the target holds one layer of its own first
    };
    const Case cases[] = {
        {"memory block adds", ByMemoryBlock, 4},
        {"layer variants add", ByLayerVariants, 4},
        {"byte array replaces", ByByteArray, 3},
        {"annotation file replaces", ByAnnotationFile, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestHost target(library);
        AnswerPasswords(target).answers[L"Secret"] = L"pw one";
        const int own = target->CreateLayer(1);
        ASSERT_EQ(c.carry(source.Engine(), target.Engine()), 0);
        EXPECT_EQ(target->GetLayerCount(), c.layersAfter);
        EXPECT_EQ(target->IsValidLayer(own), c.layersAfter == 4 ? 1 : 0);
    }
}

TEST(FormatCarriers, SetAnnFromVariantTakesTheImageSizeTheHostGives)
{
    EngineLibrary library;
    TestHost host(library, false);
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(host->GetAnnIntoVariant(&v, nullptr), 0);
    int width = 1700, height = 2200;
    ASSERT_EQ(host->SetAnnFromVariant(&v, &width, &height), 0);
    int w = 0, h = 0;
    host->PrgGetImageMappingDimensions(&w, &h);
    EXPECT_EQ(w, 1700);
    EXPECT_EQ(h, 2200);
    // Without a size the stream's own mapping (none here) replaces it.
    width = height = -1;
    ASSERT_EQ(host->SetAnnFromVariant(&v, &width, &height), 0);
    host->PrgGetImageMappingDimensions(&w, &h);
    EXPECT_EQ(w, 0);
    ASSERT_EQ(host->SetAnnFromVariant(&v, nullptr, nullptr), 0);
    host->PrgGetImageMappingDimensions(&w, &h);
    EXPECT_EQ(w, 0);
    VariantClear(&v);
}

} // namespace
