// Load speed of the annotation stream and of the Wang/Oi import, each against
// a floor measured beside it in the same run:
//
//   stream-load/bare-parse      a layer of 10,000 rectangles loaded from a
//                               memory block, against a bounded walk over the
//                               same bytes that reads every field into a
//                               record (written here, no allocation per item);
//   scrambled-load/bare-parse   the same layer saved with a password, against
//                               the same walk over the plain bytes;
//   wang-import/wang-read       the Wang/Oi data of the layer imported as the
//                               control imports it, against the Wang reader
//                               alone on the same bytes;
//   wang-import-descending/ascending
//                               30,000 marks whose "OiIndex" values fall,
//                               against the same marks with rising values;
//   load-per-item-100k/1k       the load time per item of 100,000 items
//                               against that of 1,000 (100 and 10,000 shown).
//
// Rounds alternate the two sides; each ratio is the median of the per-round
// ratios, so that the machine's load touches both sides alike. Every goal is
// printed as a line "ratio NAME VALUE". Run by hand; not a test. With the
// argument "wang" only the Wang/Oi goals are measured, with "stream" only the
// others.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "engine_object.h"
#include "formats/annotation_stream.h"
#include "formats/layer_record.h"
#include "formats/wang_reader.h"
#include "formats/wang_writer.h"
#include "objects/annotation.h"
#include "objects/shape_annotation.h"
#include "settings/tool_defaults.h"
#include "wang_import.h"

namespace {

constexpr int kFull = 16777216;
constexpr int kImageWidth = 2480, kImageHeight = 3508;

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

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

void PrintRatio(const char* name, double value)
{
    std::printf("ratio %s %.3f\n", name, value);
    std::fflush(stdout);
}

unsigned g_seed = 4321;
int Next(int range)
{
    g_seed = g_seed * 1103515245u + 12345u;
    return static_cast<int>((g_seed >> 8) % static_cast<unsigned>(range));
}

// A layer of count rectangles of random place, size and pen width.
void Fill(EngineObject& engine, const ToolDefaults& defaults, int count, bool scrambled)
{
    const int layer = engine.CreateLayer(1);
    AnnotationLayer* items = engine.FindLayer(layer);
    for (int i = 0; i < count; ++i) {
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

std::vector<uint8_t> SavedStream(const ToolDefaults& defaults, int count, bool scrambled)
{
    EngineObject source(1, nullptr);
    source.LoadDefaults();
    Fill(source, defaults, count, scrambled);
    void* block = nullptr;
    const int size = source.SaveAnnotationsToMemory(&block);
    std::vector<uint8_t> bytes;
    if (size > 0)
        bytes.assign(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + size);
    CoTaskMemFree(block);
    return bytes;
}

// ---- the bare parse -----------------------------------------------------------------------

// A bounded cursor over the bytes: every read checks what remains.
struct Cursor {
    const uint8_t* at;
    const uint8_t* end;
    bool ok = true;

    uint32_t Word()
    {
        if (!ok || end - at < 4) {
            ok = false;
            return 0;
        }
        const uint32_t value = uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 |
                               uint32_t(at[3]) << 24;
        at += 4;
        return value;
    }
    const uint8_t* Span(uint32_t count)
    {
        if (!ok || static_cast<uint32_t>(end - at) < count) {
            ok = false;
            return nullptr;
        }
        const uint8_t* where = at;
        at += count;
        return where;
    }
    // A string in stream form: its UTF-16 text stays in the bytes.
    const uint8_t* String(uint32_t& units)
    {
        const uint32_t count = Word();
        units = 0;
        if (count == 0)
            return nullptr;
        if (count % 2 != 0 || count < 2) {
            ok = false;
            return nullptr;
        }
        const uint8_t* text = Span(count);
        units = ok ? count / 2 - 1 : 0;
        return text;
    }
};

// One item as the walk reads it: every field, the texts, points and
// pictures as places in the bytes.
struct BareItem {
    uint32_t type = 0;
    uint32_t flags = 0;
    RECT bounds = {};
    uint64_t created = 0;
    uint64_t reserved = 0;
    int32_t seconds = 0;
    int32_t group = 0;
    int32_t sequence = 0;
    LOGFONTA font = {};
    const uint8_t* texts[3] = {};
    uint32_t textUnits[3] = {};
    const uint8_t* points = nullptr;
    uint32_t pointCount = 0;
    const uint8_t* picture = nullptr;
    uint32_t pictureSize = 0;
    struct Number {
        uint32_t code;
        int32_t value;
    } numbers[96] = {};
    int numberCount = 0;
};

bool ParseItem(Cursor& in, BareItem& item)
{
    if (in.Word() != Annotation::kRecordStart)
        return false;
    item.numberCount = 0;
    for (;;) {
        const uint32_t code = in.Word();
        if (!in.ok)
            return false;
        switch (code) {
        case Annotation::kRecordEnd: return true;
        case Annotation::kRecordFlags: item.flags = in.Word(); break;
        case QMK_BoundingRect:
            item.bounds.left = static_cast<LONG>(in.Word());
            item.bounds.top = static_cast<LONG>(in.Word());
            item.bounds.right = static_cast<LONG>(in.Word());
            item.bounds.bottom = static_cast<LONG>(in.Word());
            break;
        case QMK_Text: item.texts[0] = in.String(item.textUnits[0]); break;
        case QMK_UserString: item.texts[1] = in.String(item.textUnits[1]); break;
        case QMK_ItemName: item.texts[2] = in.String(item.textUnits[2]); break;
        case QMK_Logfont: {
            const uint8_t* font = in.Span(sizeof(LOGFONTA));
            if (font)
                std::memcpy(&item.font, font, sizeof(LOGFONTA));
            break;
        }
        case QMK_DibPtr:
            item.pictureSize = in.Word();
            item.picture = in.Span(item.pictureSize);
            break;
        case QMK_CreateTime:
        case QMK_ReservedTime: {
            const uint64_t low = in.Word();
            const uint64_t value = low | static_cast<uint64_t>(in.Word()) << 32;
            (code == QMK_CreateTime ? item.created : item.reserved) = value;
            break;
        }
        case QMK_Attribute1024:
            item.pointCount = in.Word();
            if (item.pointCount > 0x1FFFFFFFu)
                return false;
            item.points = in.Span(item.pointCount * 8);
            break;
        case QMK_GroupId: item.group = static_cast<int32_t>(in.Word()); break;
        case QMK_SequenceNumber: item.sequence = static_cast<int32_t>(in.Word()); break;
        case QMK_CreateSeconds: item.seconds = static_cast<int32_t>(in.Word()); break;
        default: {
            const int32_t value = static_cast<int32_t>(in.Word());
            if (item.numberCount < static_cast<int>(sizeof item.numbers / sizeof item.numbers[0]))
                item.numbers[item.numberCount++] = {code, value};
            break;
        }
        }
        if (!in.ok)
            return false;
    }
}

// Walks a whole stream of plain layers; the number of items read, or -1.
int BareParse(const std::vector<uint8_t>& bytes, BareItem& item, uint64_t& sum)
{
    Cursor in{bytes.data(), bytes.data() + bytes.size()};
    const uint32_t magic = in.Word();
    if (magic != AnnotationStream::kMagic && magic != AnnotationStream::kOlderMagic)
        return -1;
    uint32_t layers = 0;
    for (;;) {
        const uint32_t code = in.Word();
        if (!in.ok)
            return -1;
        if (code == AnnotationStream::kSettingsEnd)
            break;
        uint32_t units = 0;
        switch (AnnotationStream::FormOf(static_cast<int>(code))) {
        case AnnotationStream::Form::Text: in.String(units); break;
        case AnnotationStream::Form::Font: in.Span(sizeof(LOGFONTA)); break;
        case AnnotationStream::Form::LayerCount: layers = in.Word(); break;
        default: in.Word(); break;
        }
    }
    int items = 0;
    for (uint32_t layer = 0; layer < layers && in.ok; ++layer) {
        if (in.Word() != layer_record::kStart || in.Word() != layer_record::kHeadMark || in.Word() != 0)
            return -1;
        in.Word();  // the check value
        const uint32_t length = in.Word();
        uint32_t units = 0;
        in.String(units);
        Cursor body{in.Span(length), nullptr};
        if (!in.ok || in.Word() != layer_record::kEnd)
            return -1;
        body.end = body.at + length;
        if (body.Word() != layer_record::kBodyStart)
            return -1;
        uint32_t count = 0;
        for (;;) {
            const uint32_t code = body.Word();
            if (!body.ok)
                return -1;
            if (code == layer_record::kPropertiesEnd)
                break;
            if (code == QMK_LayerName || code == QMK_LayerDescription)
                body.String(units);
            else if (code == QMK_LayerItemCount)
                count = body.Word();
            else if (code == QMK_LayerGroupCount) {
                if (body.Word() != 0)
                    return -1;  // the layers here have no groups
            } else
                body.Word();
        }
        for (uint32_t i = 0; i < count; ++i) {
            item.type = body.Word();
            if (!ParseItem(body, item))
                return -1;
            sum += static_cast<uint32_t>(item.bounds.left) + item.numberCount + item.flags;
            ++items;
        }
    }
    return in.ok ? items : -1;
}

// ---- the stream loads ----------------------------------------------------------------------

// The seconds of one load of the bytes into a new engine, or a negative
// value when the load fails or brings another number of items.
double TimedLoad(const std::vector<uint8_t>& bytes, int expected)
{
    EngineObject target(2, nullptr);
    target.LoadDefaults();
    target.RegisterCallback(Channel_RequestLayerPassword, reinterpret_cast<void*>(&AnswerPassword));
    const double start = Now();
    const int result = target.LoadAnnotationsFromMemory(bytes.data(), static_cast<int>(bytes.size()), 0, 0);
    const double seconds = Now() - start;
    int count = 0;
    target.PrgGetItemCount(target.GetFirstLayer(), &count);
    return result == 0 && count == expected ? seconds : -1;
}

// Keeps the walk's results from being optimised away.
volatile uint64_t g_sink = 0;

double TimedBareParse(const std::vector<uint8_t>& bytes, int expected)
{
    static BareItem item;
    uint64_t sum = 0;
    const double start = Now();
    const int items = BareParse(bytes, item, sum);
    const double seconds = Now() - start;
    g_sink = g_sink + sum;
    return items == expected ? seconds : -1;
}

bool RunStreamLoads(const ToolDefaults& defaults)
{
    constexpr int kItems = 10000;
    constexpr int kRounds = 7;
    const std::vector<uint8_t> plain = SavedStream(defaults, kItems, false);
    const std::vector<uint8_t> scrambled = SavedStream(defaults, kItems, true);
    if (plain.empty() || scrambled.empty()) {
        std::printf("saving failed\n");
        return false;
    }
    std::vector<double> loads, scrambledLoads, bares, loadRatios, scrambledRatios;
    for (int round = 0; round < kRounds; ++round) {
        const double bare = TimedBareParse(plain, kItems);
        const double load = TimedLoad(plain, kItems);
        const double scrambledLoad = TimedLoad(scrambled, kItems);
        const double bareAgain = TimedBareParse(plain, kItems);
        if (bare <= 0 || load <= 0 || scrambledLoad <= 0 || bareAgain <= 0) {
            std::printf("loading failed\n");
            return false;
        }
        const double floor = (bare + bareAgain) / 2;
        bares.push_back(floor);
        loads.push_back(load);
        scrambledLoads.push_back(scrambledLoad);
        loadRatios.push_back(load / floor);
        scrambledRatios.push_back(scrambledLoad / floor);
    }
    const double megabytes = plain.size() / (1024.0 * 1024.0);
    std::printf("stream of %d rectangles, %.2f MB: bare parse %.2f ms, load %.2f ms (%.1f MB/s), "
                "scrambled load %.2f ms (medians of %d rounds)\n",
                kItems, megabytes, Median(bares) * 1000.0, Median(loads) * 1000.0,
                megabytes / Median(loads), Median(scrambledLoads) * 1000.0, kRounds);
    PrintRatio("stream-load/bare-parse", Median(loadRatios));
    PrintRatio("scrambled-load/bare-parse", Median(scrambledRatios));
    return true;
}

// The load time per item at several sizes: each round loads every size,
// the smaller ones repeated to as many items as the largest.
bool RunLoadSizes(const ToolDefaults& defaults)
{
    const int sizes[] = {100, 1000, 10000, 100000};
    constexpr int kSizes = 4;
    constexpr int kRounds = 3;
    constexpr int kItemsPerRound = 100000;
    std::vector<uint8_t> streams[kSizes];
    for (int i = 0; i < kSizes; ++i) {
        streams[i] = SavedStream(defaults, sizes[i], false);
        if (streams[i].empty()) {
            std::printf("saving failed\n");
            return false;
        }
    }
    std::vector<double> perItem[kSizes];
    std::vector<double> ratios;
    for (int round = 0; round < kRounds; ++round) {
        double roundPerItem[kSizes] = {};
        for (int i = 0; i < kSizes; ++i) {
            const int repeats = std::max(1, kItemsPerRound / sizes[i]);
            double total = 0;
            for (int r = 0; r < repeats; ++r) {
                const double seconds = TimedLoad(streams[i], sizes[i]);
                if (seconds <= 0) {
                    std::printf("loading failed\n");
                    return false;
                }
                total += seconds;
            }
            roundPerItem[i] = total / (static_cast<double>(repeats) * sizes[i]);
            perItem[i].push_back(roundPerItem[i]);
        }
        ratios.push_back(roundPerItem[3] / roundPerItem[1]);
    }
    for (int i = 0; i < kSizes; ++i)
        std::printf("load of %6d rectangles: %.3f us per item\n", sizes[i], Median(perItem[i]) * 1e6);
    PrintRatio("load-per-item-100k/1k", Median(ratios));
    return true;
}

// ---- the Wang/Oi import ----------------------------------------------------------------------

// The Wang/Oi data of a layer of count rectangles, as the engine saves it.
std::vector<uint8_t> SavedWang(const ToolDefaults& defaults, int count)
{
    EngineObject source(1, nullptr);
    source.LoadDefaults();
    source.PrgSetImageMappingDimensions(kImageWidth, kImageHeight);
    Fill(source, defaults, count, false);
    void* block = nullptr;
    const int size = source.SaveWangAnnotations(&block, 0);
    std::vector<uint8_t> bytes;
    if (size > 0)
        bytes.assign(static_cast<uint8_t*>(block), static_cast<uint8_t*>(block) + size);
    CoTaskMemFree(block);
    return bytes;
}

// The same marks written again with "OiIndex" values 1..n rising or falling.
std::vector<uint8_t> Reindexed(const std::vector<uint8_t>& data, bool descending)
{
    wang::Data read;
    std::vector<uint8_t> out;
    if (wang::ReadData(data.data(), data.size(), read) != 0 || read.damaged)
        return out;
    std::vector<wang::LayerToWrite> layers(1);
    const uint32_t count = static_cast<uint32_t>(read.marks.size());
    for (uint32_t i = 0; i < count; ++i) {
        wang::MarkToWrite mark;
        mark.mark = read.marks[i];
        mark.index = descending ? count - i : i + 1;
        layers[0].marks.push_back(mark);
    }
    wang::WriteData(layers, wang::Form::kAnsi, false, count + 1, out);
    return out;
}

double TimedImport(const std::vector<uint8_t>& data, int expected)
{
    EngineObject target(2, nullptr);
    target.LoadDefaults();
    const double start = Now();
    const int result = ImportWangAnnotations(&target, data.data(), data.size(), kImageWidth, kImageHeight, false);
    const double seconds = Now() - start;
    int count = 0;
    target.PrgGetItemCount(target.GetFirstLayer(), &count);
    return result == 0 && count == expected ? seconds : -1;
}

double TimedWangRead(const std::vector<uint8_t>& data, int expected)
{
    wang::Data read;
    const double start = Now();
    const int result = wang::ReadData(data.data(), data.size(), read);
    const double seconds = Now() - start;
    return result == 0 && static_cast<int>(read.marks.size()) == expected ? seconds : -1;
}

bool RunWang(const ToolDefaults& defaults)
{
    constexpr int kItems = 10000;
    constexpr int kRounds = 5;
    const std::vector<uint8_t> data = SavedWang(defaults, kItems);
    if (data.empty()) {
        std::printf("Wang saving failed\n");
        return false;
    }
    std::vector<double> imports, reads, ratios;
    for (int round = 0; round < kRounds; ++round) {
        const double read = TimedWangRead(data, kItems);
        const double imported = TimedImport(data, kItems);
        const double readAgain = TimedWangRead(data, kItems);
        if (read <= 0 || imported <= 0 || readAgain <= 0) {
            std::printf("Wang import failed\n");
            return false;
        }
        reads.push_back((read + readAgain) / 2);
        imports.push_back(imported);
        ratios.push_back(imported / reads.back());
    }
    std::printf("Wang data of %d rectangles, %.2f MB: read %.2f ms, import %.2f ms (medians of %d rounds)\n",
                kItems, data.size() / (1024.0 * 1024.0), Median(reads) * 1000.0, Median(imports) * 1000.0,
                kRounds);
    PrintRatio("wang-import/wang-read", Median(ratios));
    return true;
}

bool RunWangIndexOrder(const ToolDefaults& defaults)
{
    constexpr int kItems = 30000;
    constexpr int kRounds = 3;
    const std::vector<uint8_t> saved = SavedWang(defaults, kItems);
    const std::vector<uint8_t> ascending = Reindexed(saved, false);
    const std::vector<uint8_t> descending = Reindexed(saved, true);
    if (ascending.empty() || descending.empty()) {
        std::printf("Wang saving failed\n");
        return false;
    }
    std::vector<double> up, down, ratios;
    for (int round = 0; round < kRounds; ++round) {
        const double rising = TimedImport(ascending, kItems);
        const double falling = TimedImport(descending, kItems);
        if (rising <= 0 || falling <= 0) {
            std::printf("Wang import failed\n");
            return false;
        }
        up.push_back(rising);
        down.push_back(falling);
        ratios.push_back(falling / rising);
    }
    std::printf("Wang import of %d marks: rising indexes %.2f us a mark, falling %.2f us a mark "
                "(medians of %d rounds)\n",
                kItems, Median(up) * 1e6 / kItems, Median(down) * 1e6 / kItems, kRounds);
    PrintRatio("wang-import-descending/ascending", Median(ratios));
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    ToolDefaults defaults;
    defaults.LoadDefaults();
    // "wang" runs the Wang/Oi import's goals alone.
    const bool wangOnly = argc > 1 && std::strcmp(argv[1], "wang") == 0;
    const bool streamOnly = argc > 1 && std::strcmp(argv[1], "stream") == 0;
    bool ok = true;
    if (!wangOnly) {
        ok = RunStreamLoads(defaults) && ok;
        ok = RunLoadSizes(defaults) && ok;
    }
    if (!streamOnly) {
        ok = RunWang(defaults) && ok;
        ok = RunWangIndexOrder(defaults) && ok;
    }
    return ok ? 0 : 1;
}
