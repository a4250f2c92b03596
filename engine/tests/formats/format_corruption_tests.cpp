// Corrupted input through the DLL: a valid stream written by hand, then cut
// at every length and damaged field by field (counts and lengths zero,
// negative, odd or past the end, unknown codes, wrong markers). Every reader
// must refuse it with an error and leave the engine exactly as it was. A
// fuzz loop over randomly damaged streams must end without a crash, and what
// it accepted must save and load again.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>

#include "engine_test_host.h"
#include "format_test_support.h"
#include "golden_records.h"

using namespace engine_test;
using namespace formats_test;

namespace {

// A stream of two layers with every kind of record the readers know, with
// marks at the fields the cases damage.
Hand ValidStream()
{
    Hand h;
    h.Mark("magic").D(36871);
    h.D(768).Mark("author count").Str(L"Author");
    h.R(4097, 0x0000FF);
    h.D(40961).Font(-13, "Arial");
    h.D(36761).Mark("layer count").D(2);
    h.D(36759);

    // Layer one: a description, a group, a rectangle with a name and points, an ellipse.
    Hand body;
    body.Mark("body start").D(36762).R(21, 1);
    body.D(772).Mark("description count").Str(L"desc");
    body.R(1800, 1).R(36751, 2).D(36753).Mark("item count").D(2).D(36766).Mark("group count").D(1);
    body.D(36763);
    body.Mark("groups").D(1792).Mark("group start").D(1794).D(1796).Str(L"G");
    body.D(1800).Mark("group id").D(1).R(1801, 0).R(1802, 0);
    body.D(1803).D(1).D(2).D(3).D(4).R(1799, 1).D(1795).D(1793);
    body.Mark("item1 type").D(4098).Mark("item1 start").D(36756).R(36765, 0x17);
    body.D(7).D(0x10000).D(0x10000).D(0x80000).D(0x80000);
    body.D(640).Mark("item name count").Str(L"box");
    body.D(1024).Mark("point count").D(0);
    body.R(36751, 1).D(36757);
    body.Mark("item2 type").D(4099).D(36756).R(36765, 0x17).R(36751, 2).D(36757);

    h.Mark("layer1").D(36754).Mark("layer1 mark").D(36752).D(0).D(0);
    h.Mark("body length").D(static_cast<uint32_t>(body.Size()));
    h.Mark("name count").Str(L"One");
    const size_t bodyAt = h.Size();
    h.Raw(body.bytes());
    h.D(36755);

    // Layer two: one rectangle.
    h.Mark("layer2").D(36754).D(36752).D(0).D(0);
    Hand second;
    second.D(36762).R(36753, 1).D(36763).D(4098).D(36756).R(36751, 5).D(36757);
    h.D(static_cast<uint32_t>(second.Size())).Str(L"Two").Raw(second.bytes()).D(36755);

    // The body's marks, where the body lies in the stream.
    for (const auto& mark : body.Marks())
        h.MarkAt(mark.first, bodyAt + mark.second);
    return h;
}

// The engine the readers must leave alone: two layers, items, settings.
struct Guarded {
    explicit Guarded(EngineLibrary& library) : host(library)
    {
        FillEngine(host.Engine());
        AnswerPasswords(host);
        BSTR author = SysAllocString(L"mine");
        host->SetProperty(QMK_SummaryAuthor, reinterpret_cast<EngineValue>(author));
        SysFreeString(author);
        before = State();
    }
    std::string State()
    {
        std::string state = Describe(host.Engine());
        EngineValue value = 0;
        host->GetProperty(QMK_SummaryAuthor, &value);
        BSTR author = reinterpret_cast<BSTR>(value);
        state += "author " + std::string(author, author + SysStringLen(author));
        SysFreeString(author);
        host->GetProperty(QMK_DefaultPenColor, &value);
        state += " pen " + std::to_string(value);
        state += " current " + std::to_string(host->GetCurrentLayer() != 0);
        return state;
    }
    TestHost host;
    std::string before;
};

int ByByteArray(AnnotationEngine* engine, const Bytes& bytes)
{
    VARIANT v;
    MakeByteArray(bytes, &v);
    const int result = engine->SetAnnFromVariant(&v, nullptr, nullptr);
    VariantClear(&v);
    return result;
}

int ByLayerVariant(AnnotationEngine* engine, const Bytes& bytes)
{
    VARIANT v;
    MakeByteArray(bytes, &v);
    int made = -1;
    const int result = engine->SetLayerFromVariant(&v, &made);
    VariantClear(&v);
    EXPECT_EQ(made == 0, result != 0);
    return result;
}

// The bytes as the one stream of an annotation file.
int ByFile(AnnotationEngine* engine, const Bytes& bytes)
{
    TempFile file(L".ann");
    IStorage* storage = nullptr;
    if (StgCreateDocfile(file.Path().c_str(), STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0,
                         &storage) != S_OK)
        return -1;
    IStream* stream = nullptr;
    if (storage->CreateStream(L"Quillmark7", STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_WRITE, 0, 0,
                              &stream) == S_OK) {
        ULONG written = 0;
        stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        stream->Release();
    }
    storage->Release();
    return engine->RetrieveAnnotation(file.Bstr());
}

struct Reader {
    const char* name;
    int (*read)(AnnotationEngine*, const Bytes&);
};
const Reader kStreamReaders[] = {{"memory", LoadStream}, {"byte array", ByByteArray}};
const Reader kAllStreamReaders[] = {
    {"memory", LoadStream}, {"byte array", ByByteArray}, {"annotation file", ByFile}};

TEST(CorruptedStreams, TheValidStreamLoads)
{
    EngineLibrary library;
    const Hand valid = ValidStream();
    for (const Reader& reader : kAllStreamReaders) {
        TestHost host(library);
        ASSERT_EQ(reader.read(host.Engine(), valid.bytes()), 0) << reader.name;
        EXPECT_EQ(host->GetLayerCount(), 2);
        const std::string state = Describe(host.Engine());
        EXPECT_NE(state.find("layer \"One\" \"desc\""), std::string::npos) << state;
        EXPECT_NE(state.find("640=\"box\""), std::string::npos) << state;
    }
}

TEST(CorruptedStreams, EveryCutOfTheStreamIsRefusedAndChangesNothing)
{
    EngineLibrary library;
    Guarded guarded(library);
    const Bytes valid = ValidStream().bytes();
    for (const Reader& reader : kStreamReaders) {
        for (size_t length = 1; length < valid.size(); ++length) {
            const Bytes cut(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(length));
            EXPECT_NE(reader.read(guarded.host.Engine(), cut), 0) << reader.name << " " << length;
        }
        EXPECT_EQ(guarded.State(), guarded.before) << reader.name;
    }
    // A cut layer record, read alone.
    const Hand stream = ValidStream();
    const Bytes layer(valid.begin() + static_cast<std::ptrdiff_t>(stream.At("layer1")),
                      valid.begin() + static_cast<std::ptrdiff_t>(stream.At("layer2")));
    for (size_t length = 1; length < layer.size(); ++length)
        EXPECT_NE(ByLayerVariant(guarded.host.Engine(),
                                 Bytes(layer.begin(), layer.begin() + static_cast<std::ptrdiff_t>(length))),
                  0)
            << length;
    EXPECT_EQ(guarded.State(), guarded.before);
}

TEST(CorruptedStreams, DamagedFieldsAreRefusedAndChangeNothing)
{
    struct Case {
        const char* name;
        const char* mark;
        uint32_t value;
    };
    const Case cases[] = {
        {"wrong magic", "magic", 36870},
        {"settings string count odd", "author count", 5},
        {"settings string count 1", "author count", 1},
        {"settings string count negative", "author count", 0x80000000u},
        {"settings string count past the end", "author count", 0x7FFFFFFEu},
        {"more layers than records", "layer count", 3},
        {"layer count negative", "layer count", 0xFFFFFFFFu},
        {"record start wrong", "layer1", 36755},
        {"record head mark wrong", "layer1 mark", 0},
        {"body length zero", "body length", 0},
        {"body length short", "body length", 40},
        {"body length negative", "body length", 0xFFFFFFF0u},
        {"body length past the end", "body length", 100000},
        {"name count odd", "name count", 7},
        {"name count zero-length text", "name count", 0xFFFFFFFEu},
        {"body start wrong", "body start", 36763},
        {"description count odd", "description count", 3},
        {"description count past the body", "description count", 1000},
        {"more items than the body holds", "item count", 3},
        {"item count negative", "item count", 0x80000000u},
        {"group section start wrong", "groups", 1794},
        {"unknown tag outside a group", "group start", 1797},
        {"group without an id", "group id", 0},
        {"unknown item type", "item2 type", 4109},
        {"item type zero", "item1 type", 0},
        {"item type negative", "item1 type", 0xFFFFF000u},
        {"object record start wrong", "item1 start", 36757},
        {"item name count odd", "item name count", 9},
        {"point count past the body", "point count", 0x10000000u},
    };
    EngineLibrary library;
    Guarded guarded(library);
    const Hand valid = ValidStream();
    for (const Case& c : cases) {
        Bytes damaged = valid.bytes();
        PutDword(damaged, valid.At(c.mark), c.value);
        for (const Reader& reader : kAllStreamReaders)
            EXPECT_EQ(reader.read(guarded.host.Engine(), damaged), QMK_ErrStorageStream)
                << c.name << " by " << reader.name;
        if (valid.At(c.mark) >= valid.At("layer1") && valid.At(c.mark) < valid.At("layer2")) {
            const Bytes layer(damaged.begin() + static_cast<std::ptrdiff_t>(valid.At("layer1")),
                              damaged.begin() + static_cast<std::ptrdiff_t>(valid.At("layer2")));
            EXPECT_EQ(ByLayerVariant(guarded.host.Engine(), layer), QMK_ErrStorageStream) << c.name;
        }
        EXPECT_EQ(guarded.State(), guarded.before) << c.name;
    }
}

TEST(CorruptedStreams, LoadingFromMemoryRefusesNoDataWithACode)
{
    EngineLibrary library;
    Guarded guarded(library);
    const Bytes valid = ValidStream().bytes();
    EXPECT_NE(guarded.host->LoadAnnotationsFromMemory(nullptr, 100, 0, 0), 0);
    EXPECT_NE(guarded.host->LoadAnnotationsFromMemory(valid.data(), 0, 0, 0), 0);
    EXPECT_NE(guarded.host->LoadAnnotationsFromMemory(valid.data(), -4, 0, 0), 0);
    EXPECT_EQ(guarded.State(), guarded.before);
}

// Small, repeatable random numbers.
class Random {
public:
    explicit Random(uint32_t seed) : state_(seed) {}
    uint32_t Next()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    size_t Below(size_t n) { return n ? Next() % n : 0; }

private:
    uint32_t state_;
};

Bytes Mutated(const Bytes& valid, Random& random)
{
    static const uint32_t kInteresting[] = {
        0,     1,     2,     3,     0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0xFFFFFFFE, 36754, 36755,
        36756, 36757, 36759, 36761, 36762,      36763,      1792,       1793,       1794,  1795,
        1799,  4098,  4099,  4108,  1024,       640,        7,          17,         10,    11,
    };
    Bytes bytes = valid;
    const size_t changes = 1 + random.Below(4);
    for (size_t i = 0; i < changes && !bytes.empty(); ++i) {
        switch (random.Below(6)) {
        case 0:
            bytes[random.Below(bytes.size())] ^= static_cast<uint8_t>(1 + random.Below(255));
            break;
        case 1:
            bytes[random.Below(bytes.size())] = static_cast<uint8_t>(random.Next());
            break;
        case 2:
            if (bytes.size() >= 4)
                PutDword(bytes, random.Below(bytes.size() - 3) & ~size_t(3),
                         kInteresting[random.Below(sizeof(kInteresting) / sizeof(kInteresting[0]))]);
            break;
        case 3:
            bytes.resize(random.Below(bytes.size()) + 1);
            break;
        case 4: {
            // A stretch repeated in place.
            const size_t from = random.Below(bytes.size());
            const size_t length = std::min(bytes.size() - from, 1 + random.Below(64));
            const Bytes copy(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                             bytes.begin() + static_cast<std::ptrdiff_t>(from + length));
            bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(from), copy.begin(), copy.end());
            break;
        }
        default: {
            const size_t from = random.Below(bytes.size());
            const size_t length = std::min(bytes.size() - from, 1 + random.Below(64));
            bytes.erase(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                        bytes.begin() + static_cast<std::ptrdiff_t>(from + length));
            break;
        }
        }
    }
    return bytes;
}

TEST(CorruptedStreams, AFuzzLoopOverDamagedStreamsEndsAndWhatLoadsSavesAgain)
{
    EngineLibrary library;
    const Hand valid = ValidStream();
    // The valid stream again with both layers scrambled, so that damaged
    // input reaches the scrambler's path too.
    TestHost source(library);
    ASSERT_EQ(LoadStream(source.Engine(), valid.bytes()), 0);
    BSTR password = SysAllocString(L"pw");
    for (int layer = source->GetFirstLayer(); layer != 0; layer = source->GetNextLayer())
        source->SetLayerPassword(layer, password);
    SysFreeString(password);
    VARIANT v;
    VariantInit(&v);
    ASSERT_EQ(source->GetAnnIntoVariant(&v, nullptr), 0);
    const Bytes scrambledStream = ArrayBytes(v);
    VariantClear(&v);
    ASSERT_EQ(source->GetLayerIntoVariant(&v, source->GetFirstLayer(), nullptr), 0);
    const Bytes scrambledLayer = ArrayBytes(v);
    VariantClear(&v);
    const Bytes plainLayer(valid.bytes().begin() + static_cast<std::ptrdiff_t>(valid.At("layer1")),
                           valid.bytes().begin() + static_cast<std::ptrdiff_t>(valid.At("layer2")));
    const Bytes streams[] = {valid.bytes(), scrambledStream};
    const Bytes layers[] = {plainLayer, scrambledLayer};

    TestHost host(library);
    PasswordDesk& desk = AnswerPasswords(host);
    desk.answers[L"One"] = desk.answers[L"Two"] = L"pw";
    Random random(20240611);
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        int result = 0;
        switch (round % 3) {
        case 0: result = LoadStream(host.Engine(), Mutated(streams[round % 2], random)); break;
        case 1: result = ByByteArray(host.Engine(), Mutated(streams[round % 2], random)); break;
        default: result = ByLayerVariant(host.Engine(), Mutated(layers[round % 2], random)); break;
        }
        if (result != 0)
            continue;
        ++loaded;
        // Whatever was taken in can be written and read again.
        VARIANT saved;
        VariantInit(&saved);
        ASSERT_EQ(host->GetAnnIntoVariant(&saved, nullptr), 0) << round;
        TestHost again(library);
        PasswordDesk& againDesk = AnswerPasswords(again);
        againDesk.answers = desk.answers;
        const int reread = again->SetAnnFromVariant(&saved, nullptr, nullptr);
        VariantClear(&saved);
        ASSERT_EQ(reread, 0) << round;
        EXPECT_EQ(Describe(again.Engine()), Describe(host.Engine())) << round;
        if (host->GetLayerCount() > 20)
            host->DeleteAllLayers();
    }
    EXPECT_GT(loaded, 0) << "some damage (in names, values) leaves a stream readable";
}

} // namespace
