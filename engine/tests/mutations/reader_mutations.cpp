// Damaged input for one of the engine's readers, through inkcore7.dll loaded
// the way the control loads it. The program's reader is chosen when it is
// built (MUTATION_READER). Each case hands one damaged input to an engine
// that holds layers of every kind, and judges what follows:
// - refused: the engine's own save of everything is the same as before;
// - accepted: that save, loaded into a fresh engine and saved again, gives
//   the same bytes.
// An accepted case leaves its engine for a fresh one, so every case meets
// the same state.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "engine_test_host.h"
#include "format_test_support.h"
#include "golden_records.h"
#include "mutation_loop.h"

using engine_test::EngineLibrary;
using engine_test::TestHost;
using formats_test::Bytes;

namespace {

enum Reader {
    StreamFromMemory = 1,
    StreamFromVariant,
    AnnotationFileReader,
    PlainLayerRecord,
    ScrambledLayerRecord,
    ClipboardPaste,
    ElementPicture,
    ItemPicture,
    ToolPicture,
};
constexpr Reader kReader = static_cast<Reader>(MUTATION_READER);

EngineLibrary* g_library = nullptr;
UINT g_layerFormat = 0;

// "Secret" is the filled engine's layer with its own password; every other
// scrambled layer here uses "secret".
int __stdcall AnswerPassword(HostCookie, BSTR layerName, BSTR* password)
{
    const bool filled = layerName && std::wstring(layerName, SysStringLen(layerName)) == L"Secret";
    if (password) {
        SysFreeString(*password);
        *password = SysAllocString(filled ? L"pw one" : L"secret");
    }
    return 0;
}

Bytes BlockBytes(HGLOBAL block, SIZE_T size)
{
    Bytes bytes;
    if (!block)
        return bytes;
    if (const void* p = GlobalLock(block)) {
        bytes.assign(static_cast<const uint8_t*>(p), static_cast<const uint8_t*>(p) + size);
        GlobalUnlock(block);
    }
    return bytes;
}

HGLOBAL BlockOf(const Bytes& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (block && !bytes.empty()) {
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    return block;
}

// The picture of a layer's picture tool, or empty.
Bytes ToolPictureBytes(AnnotationEngine* e, int layer)
{
    EngineValue value = 0;
    if (e->GetToolAttribute(layer, ImageTool, QMK_DibPtr, &value) != 0 || !value)
        return {};
    HGLOBAL block = reinterpret_cast<HGLOBAL>(value);
    Bytes bytes = BlockBytes(block, GlobalSize(block));
    GlobalFree(block);
    return bytes;
}

// The layers every case meets, saved once and settled by one round through
// a fresh engine (a first load may lift old values to current ones).
Bytes g_settled;

Bytes SettledState()
{
    Bytes saved;
    {
        TestHost first(*g_library);
        first->RegisterCallback(Channel_RequestLayerPassword, reinterpret_cast<void*>(&AnswerPassword));
        formats_test::FillEngine(first.Engine());
        const int layer = formats_test::AddEveryKindLayer(first.Engine());
        BSTR password = SysAllocString(L"secret");
        first->SetLayerPassword(layer, password);
        SysFreeString(password);
        saved = formats_test::SavedStream(first.Engine());
    }
    TestHost next(*g_library);
    next->RegisterCallback(Channel_RequestLayerPassword, reinterpret_cast<void*>(&AnswerPassword));
    next->LoadAnnotationsFromMemory(saved.data(), static_cast<int>(saved.size()), 0, 0);
    return formats_test::SavedStream(next.Engine());
}

std::wstring LayerName(AnnotationEngine* e, int layer)
{
    BSTR name = nullptr;
    e->GetLayerProperty(layer, QMK_LayerName, reinterpret_cast<EngineValue*>(&name));
    std::wstring text = name ? std::wstring(name, SysStringLen(name)) : L"";
    SysFreeString(name);
    return text;
}

// An engine as a host holds it: the settled layers (among them one of every
// kind) and the password desk.
struct Bench {
    Bench() : host(*g_library)
    {
        host->RegisterCallback(Channel_RequestLayerPassword, reinterpret_cast<void*>(&AnswerPassword));
        AnnotationEngine* e = host.Engine();
        e->LoadAnnotationsFromMemory(g_settled.data(), static_cast<int>(g_settled.size()), 0, 0);
        for (int layer = e->GetFirstLayer(); layer; layer = e->GetNextLayer())
            if (LayerName(e, layer) == L"Every kind")
                everyKind = layer;
        int seq = 0;
        for (e->PrgGetFirstItem(everyKind, &seq); seq; e->PrgGetNextItem(everyKind, &seq)) {
            EngineValue type = 0;
            if (e->PrgGetItemAttribute(everyKind, seq, QMK_ToolType, &type) == 0 && type == ImageTool)
                pictureSeq = seq;
        }
        e->SetCurrentLayer(everyKind);
        state = State();
    }
    // What a case may change: everything saved, and for the tool picture
    // reader the tool's picture too.
    Bytes State()
    {
        Bytes bytes = formats_test::SavedStream(host.Engine());
        if (kReader == ToolPicture) {
            const Bytes picture = ToolPictureBytes(host.Engine(), everyKind);
            bytes.insert(bytes.end(), picture.begin(), picture.end());
        }
        return bytes;
    }
    TestHost host;
    int everyKind = 0;
    int pictureSeq = 0;
    Bytes state;
};

// One per worker thread, with a window to own the clipboard.
thread_local Bench* t_bench = nullptr;
thread_local HWND t_window = nullptr;

void PutOnClipboard(const Bytes& bytes)
{
    if (!OpenClipboard(t_window))
        return;
    EmptyClipboard();
    HGLOBAL block = BlockOf(bytes);
    if (block && !SetClipboardData(g_layerFormat, block))
        GlobalFree(block);
    CloseClipboard();
}

// The bytes of every block in use on the process's heaps: what a loop keeps
// shows here whether or not its blocks land in pages already touched.
size_t BusyHeapBytes()
{
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    size_t busy = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        PROCESS_HEAP_ENTRY entry = {};
        if (!HeapLock(heaps[i]))
            continue;
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                busy += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return busy;
}

// What the platform keeps for each read of clipboard data that it answers
// (its reader leaves a 1 KiB probe block behind each time): measured on
// reads of new contents, as every case brings, without an engine.
size_t ClipboardReadCost()
{
    // The clipboard takes data only from an owner window.
    t_window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    auto round = [](unsigned i) {
        Bytes bytes(64, static_cast<uint8_t>(i));
        formats_test::PutDword(bytes, 0, i);
        PutOnClipboard(bytes);
        if (OpenClipboard(t_window)) {
            GetClipboardData(g_layerFormat);
            CloseClipboard();
        }
    };
    for (unsigned i = 0; i < 50; ++i)
        round(i);
    constexpr unsigned kReads = 400;
    const size_t before = BusyHeapBytes();
    for (unsigned i = 0; i < kReads; ++i)
        round(50 + i);
    const size_t after = BusyHeapBytes();
    DestroyWindow(t_window);
    t_window = nullptr;
    return after > before ? (after - before) / kReads : 0;
}

// Hands the input to the bench's engine; the reader's result.
int Apply(Bench& bench, const Bytes& input, unsigned index)
{
    AnnotationEngine* e = bench.host.Engine();
    switch (kReader) {
    case StreamFromMemory:
        return e->LoadAnnotationsFromMemory(input.empty() ? nullptr : input.data(),
                                            static_cast<int>(input.size()), 0, 0);
    case StreamFromVariant: {
        VARIANT v;
        formats_test::MakeByteArray(input, &v);
        int width = 0, height = 0;
        const int result = e->SetAnnFromVariant(&v, &width, &height);
        VariantClear(&v);
        return result;
    }
    case AnnotationFileReader: {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        wchar_t name[80];
        std::swprintf(name, 80, L"reader_mutations_%lu_%u.qmk", GetCurrentProcessId(), index);
        const std::wstring path = std::wstring(folder) + name;
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        if (file != INVALID_HANDLE_VALUE) {
            WriteFile(file, input.data(), static_cast<DWORD>(input.size()), &written, nullptr);
            CloseHandle(file);
        }
        BSTR bstr = SysAllocString(path.c_str());
        const int result = e->RetrieveAnnotation(bstr);
        SysFreeString(bstr);
        DeleteFileW(path.c_str());
        return result;
    }
    case PlainLayerRecord:
    case ScrambledLayerRecord: {
        VARIANT v;
        formats_test::MakeByteArray(input, &v);
        int layer = 0;
        const int result = e->SetLayerFromVariant(&v, &layer);
        VariantClear(&v);
        return result;
    }
    case ClipboardPaste: {
        PutOnClipboard(input);
        if (index % 2) {
            int layer = 0;
            return e->PasteLayer(&layer);
        }
        return e->Paste(bench.everyKind);
    }
    case ElementPicture: {
        int element = 0;
        e->ElementCreate(&element);
        e->ElementSetAttribute(element, QMK_ElementType, ImageTool);
        RECT box = {300, 300, 360, 340};
        e->ElementSetAttribute(element, QMK_BoundingRect, reinterpret_cast<EngineValue>(&box));
        HGLOBAL block = BlockOf(input);
        int result = e->ElementSetAttribute(element, QMK_DibPtr, reinterpret_cast<EngineValue>(block));
        if (result == 0) {
            int seq = 0;
            result = e->ElementAppend(bench.everyKind, element, &seq);
        }
        GlobalFree(block);
        e->ElementDestroy(element);
        return result;
    }
    case ItemPicture: {
        HGLOBAL block = BlockOf(input);
        const int result = e->PrgSetItemAttribute(bench.everyKind, bench.pictureSeq, QMK_DibPtr,
                                                  reinterpret_cast<EngineValue>(block));
        GlobalFree(block);
        return result;
    }
    case ToolPicture: {
        HGLOBAL block = BlockOf(input);
        const int result = e->SetToolAttribute(bench.everyKind, ImageTool, QMK_DibPtr,
                                               reinterpret_cast<EngineValue>(block));
        GlobalFree(block);
        return result;
    }
    }
    return -1;
}

mutation::Verdict Judge(const mutation::Case& input, std::string& note)
{
    if (!t_bench)
        t_bench = new Bench();
    Bench& bench = *t_bench;
    bench.host.ClearCalls();
    const int result = Apply(bench, input.bytes, input.index);
    const Bytes after = bench.State();
    if (result != 0) {
        if (after == bench.state)
            return mutation::Verdict::Refused;
        note = "refused with " + std::to_string(result) + " and the state changed";
        delete t_bench;
        t_bench = nullptr;
        return mutation::Verdict::RefusedButChanged;
    }

    // Accepted: one more round through a fresh engine gives the same bytes.
    mutation::Verdict verdict = mutation::Verdict::Accepted;
    {
        TestHost fresh(*g_library);
        fresh->RegisterCallback(Channel_RequestLayerPassword, reinterpret_cast<void*>(&AnswerPassword));
        const Bytes saved = formats_test::SavedStream(bench.host.Engine());
        if (saved.empty()) {
            // Nothing to save: no layers are left, or the stream turned saving off.
        } else if (const int loaded = fresh->LoadAnnotationsFromMemory(saved.data(),
                                                                       static_cast<int>(saved.size()), 0, 0)) {
            note = "the engine refused its own save with " + std::to_string(loaded);
            verdict = mutation::Verdict::Unstable;
        } else {
            const Bytes again = formats_test::SavedStream(fresh.Engine());
            if (again != saved) {
                size_t at = 0;
                while (at < again.size() && at < saved.size() && again[at] == saved[at])
                    ++at;
                note = "save, load and save differ from byte " + std::to_string(at) + " (" +
                       std::to_string(saved.size()) + " and " + std::to_string(again.size()) +
                       " bytes):";
                for (size_t i = at >= 12 ? at - 12 : 0; i < at + 12 && i < saved.size() && i < again.size(); ++i) {
                    char pair[12];
                    std::snprintf(pair, sizeof(pair), " %02X/%02X", saved[i], again[i]);
                    note += pair;
                }
                verdict = mutation::Verdict::Unstable;
            }
        }
        if (verdict == mutation::Verdict::Accepted && kReader == ToolPicture) {
            // The tool's picture, read back and given to another layer's tool
            // once and again, reads back the same the second time.
            Bytes picture = ToolPictureBytes(bench.host.Engine(), bench.everyKind);
            Bytes rounds[2];
            for (Bytes& round : rounds) {
                const int layer = fresh->CreateLayer(1);
                HGLOBAL block = BlockOf(picture);
                fresh->SetToolAttribute(layer, ImageTool, QMK_DibPtr, reinterpret_cast<EngineValue>(block));
                GlobalFree(block);
                round = picture = ToolPictureBytes(fresh.Engine(), layer);
            }
            if (rounds[0] != rounds[1]) {
                note = "the tool's picture changes when it is set again";
                verdict = mutation::Verdict::Unstable;
            }
        }
    }
    delete t_bench;
    t_bench = nullptr;
    return verdict;
}

// ---- seeds ----------------------------------------------------------------------------------

Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes FileBytes(const std::wstring& path)
{
    Bytes bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    CloseHandle(file);
    return bytes;
}

Bytes ClipboardBytes()
{
    Bytes bytes;
    if (!OpenClipboard(nullptr))
        return bytes;
    if (HANDLE block = GetClipboardData(g_layerFormat))
        bytes = BlockBytes(block, GlobalSize(block));
    CloseClipboard();
    return bytes;
}

// A packed DIB: the header, a palette of `colours` entries and rows of
// `bits` per pixel, each pixel's bytes counting up.
Bytes Dib(int width, int height, int bits, int colours, DWORD compression = BI_RGB,
          const Bytes& pixels = {})
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof(header);
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bits);
    header.biCompression = compression;
    header.biClrUsed = static_cast<DWORD>(colours);
    const int row = ((width * bits + 31) / 32) * 4;
    const int absHeight = height < 0 ? -height : height;
    Bytes out(sizeof(header));
    std::memcpy(out.data(), &header, sizeof(header));
    for (int i = 0; i < colours; ++i)
        out.insert(out.end(), {static_cast<uint8_t>(i * 37), static_cast<uint8_t>(i * 11),
                               static_cast<uint8_t>(255 - i), 0});
    if (compression == BI_BITFIELDS)
        out = Cat(out, {0x00, 0xF8, 0, 0, 0xE0, 0x07, 0, 0, 0x1F, 0, 0, 0});
    if (!pixels.empty()) {
        formats_test::PutDword(out, 20, static_cast<uint32_t>(pixels.size()));
        return Cat(out, pixels);
    }
    for (int i = 0; i < row * absHeight; ++i)
        out.push_back(static_cast<uint8_t>(i * 7));
    return out;
}

void AddPictureSeeds(std::vector<mutation::Seed>& seeds, AnnotationEngine* e, int layer, int seq)
{
    mutation::AddSeed(seeds, "1-bit", Dib(9, 3, 1, 2));
    mutation::AddSeed(seeds, "4-bit", Dib(5, 4, 4, 16));
    mutation::AddSeed(seeds, "8-bit, 3 colours", Dib(4, 3, 8, 3));
    mutation::AddSeed(seeds, "8-bit, full palette, top-down", Dib(3, -2, 8, 256));
    mutation::AddSeed(seeds, "16-bit", Dib(3, 3, 16, 0));
    mutation::AddSeed(seeds, "16-bit bit fields", Dib(3, 2, 16, 0, BI_BITFIELDS));
    mutation::AddSeed(seeds, "24-bit", Dib(5, 3, 24, 0));
    mutation::AddSeed(seeds, "32-bit", Dib(2, 2, 32, 0));
    mutation::AddSeed(seeds, "8-bit run lengths",
                      Dib(4, 2, 8, 4, BI_RLE8, {4, 1, 0, 0, 2, 2, 0, 2, 2, 3, 0, 1}));
    mutation::AddSeed(seeds, "4-bit run lengths", Dib(4, 2, 4, 4, BI_RLE4, {4, 0x12, 0, 0, 4, 0x33, 0, 1}));
    EngineValue value = 0;
    if (e->PrgGetItemAttribute(layer, seq, QMK_ItemDib, &value) == 0 && value) {
        HGLOBAL block = reinterpret_cast<HGLOBAL>(value);
        mutation::AddSeed(seeds, "the picture item's own", BlockBytes(block, GlobalSize(block)));
        GlobalFree(block);
    }
}

void AddSeeds(std::vector<mutation::Seed>& seeds)
{
    using namespace formats_test;
    Bench bench;
    AnnotationEngine* e = bench.host.Engine();
    const std::string damaged = mutation::SharedTestData() + "\\damaged";
    switch (kReader) {
    case StreamFromMemory:
    case StreamFromVariant:
        mutation::AddSeed(seeds, "engine save", formats_test::SavedStream(e));
        mutation::AddSeed(seeds, "fresh header", FreshStreamHeader(0));
        mutation::AddSeed(seeds, "empty layer", Cat(FreshStreamHeader(1), kEmptyLayer));
        mutation::AddSeed(seeds, "two layers, one scrambled",
                          Cat(Cat(FreshStreamHeader(2), kEmptyLayerSecret), kRectangleLayer));
        break;
    case AnnotationFileReader: {
        formats_test::TempFile file(L".qmk");
        BSTR author = SysAllocString(L"an author");
        e->SetProperty(QMK_SummaryAuthor, reinterpret_cast<EngineValue>(author));
        SysFreeString(author);
        e->StoreAnnotation(file.Bstr());
        mutation::AddSeed(seeds, "engine file", FileBytes(file.Path()));
        mutation::AddSeedFolder(seeds, damaged, "*.qmk");
        break;
    }
    case PlainLayerRecord:
        mutation::AddSeed(seeds, "empty layer", kEmptyLayer);
        mutation::AddSeed(seeds, "rectangle layer", kRectangleLayer);
        for (int layer = e->GetFirstLayer(); layer; layer = e->GetNextLayer()) {
            BSTR password = nullptr;
            e->GetLayerPassword(layer, &password);
            const bool plain = SysStringLen(password) == 0;
            SysFreeString(password);
            if (plain)
                mutation::AddSeed(seeds, "saved layer", formats_test::SavedLayer(e, layer));
        }
        break;
    case ScrambledLayerRecord:
        mutation::AddSeed(seeds, "empty layer, scrambled", kEmptyLayerSecret);
        mutation::AddSeed(seeds, "every kind, scrambled", formats_test::SavedLayer(e, bench.everyKind));
        break;
    case ClipboardPaste:
        mutation::AddSeed(seeds, "rectangle layer", kRectangleLayer);
        for (int layer = e->GetFirstLayer(); layer; layer = e->GetNextLayer())
            if (e->CopyToClipboard(layer, 0) == 0)
                mutation::AddSeed(seeds, "copied layer", ClipboardBytes());
        e->PrgSelectAll(bench.everyKind, 1);
        if (e->CopyToClipboard(bench.everyKind, 1) == 0)
            mutation::AddSeed(seeds, "copied selection", ClipboardBytes());
        break;
    case ElementPicture:
    case ItemPicture:
    case ToolPicture:
        AddPictureSeeds(seeds, e, bench.everyKind, bench.pictureSeq);
        break;
    }
}

const char* Name()
{
    switch (kReader) {
    case StreamFromMemory: return "annotation stream from memory";
    case StreamFromVariant: return "annotation stream from a VARIANT";
    case AnnotationFileReader: return "annotation file";
    case PlainLayerRecord: return "layer record";
    case ScrambledLayerRecord: return "scrambled layer record";
    case ClipboardPaste: return "clipboard paste";
    case ElementPicture: return "element picture";
    case ItemPicture: return "item picture";
    case ToolPicture: return "tool picture";
    }
    return "?";
}

} // namespace

int main(int argc, char** argv)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    EngineLibrary library;
    if (!library.Loaded()) {
        std::printf("inkcore7.dll did not load\n0 passed, 1 failed\n");
        return 1;
    }
    g_library = &library;
    g_layerFormat = RegisterClipboardFormatA("QMK7_Layer");
    g_settled = SettledState();

    mutation::Loop loop;
    loop.name = Name();
    AddSeeds(loop.seeds);
    loop.threadStart = [] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        t_window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr,
                                   nullptr);
    };
    loop.threadEnd = [] {
        delete t_bench;
        t_bench = nullptr;
        DestroyWindow(t_window);
        CoUninitialize();
    };
    loop.judge = Judge;
    if (kReader == ClipboardPaste)
        loop.platformBytesPerCase = ClipboardReadCost();
    return mutation::Run(loop, argc, argv);
}
