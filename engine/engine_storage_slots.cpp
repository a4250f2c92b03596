// Saving and loading the engine's annotations: the annotation stream of all
// layers in a memory block, a caller's stream, a byte-array VARIANT and the
// annotation file; one layer's record in a byte-array VARIANT.
//
// Every load reads and checks all of its data before anything of the engine
// changes: a load that fails leaves the layers and settings as they were.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "formats/annotation_file.h"
#include "formats/annotation_stream.h"
#include "formats/byte_stream.h"
#include "engine_object.h"
#include "view/view_mapping.h"

// A stream as read and checked, not yet the engine's.
struct EngineObject::LoadedStream {
    AnnotationStream::Header header;
    std::vector<std::unique_ptr<AnnotationLayer>> layers;  // oldest first
    std::vector<std::vector<int>> added;  // per layer the sequence numbers of its items
};

namespace {

// Keeps the host window from being invalidated while annotations are read
// (the engine's redraw flag), and lets it again on every way out.
class RedrawSuppressed {
public:
    explicit RedrawSuppressed(bool& flag) : flag_(flag), was_(flag) { flag_ = false; }
    ~RedrawSuppressed() { flag_ = was_; }
    RedrawSuppressed(const RedrawSuppressed&) = delete;
    RedrawSuppressed& operator=(const RedrawSuppressed&) = delete;

private:
    bool& flag_;
    bool was_;
};

// The byte SAFEARRAY of a VARIANT that holds one (directly, by reference, or
// in a VARIANT it refers to, as script hosts pass it): one dimension, at
// least one element. Null otherwise.
SAFEARRAY* ByteArrayOf(const VARIANT* v)
{
    if (v && v->vt == (VT_BYREF | VT_VARIANT))
        v = v->pvarVal;
    if (!v)
        return nullptr;
    SAFEARRAY* array = nullptr;
    if (v->vt == (VT_ARRAY | VT_UI1))
        array = v->parray;
    else if (v->vt == (VT_BYREF | VT_ARRAY | VT_UI1) && v->pparray)
        array = *v->pparray;
    if (!array || SafeArrayGetDim(array) != 1 || SafeArrayGetElemsize(array) != 1 ||
        array->rgsabound[0].cElements == 0)
        return nullptr;
    return array;
}

// The elements of a byte array, copied. 0, QMK_ErrInvalidVariant or QMK_ErrOutOfMemory.
int CopyByteArray(const VARIANT* v, std::vector<uint8_t>& bytes)
{
    SAFEARRAY* array = ByteArrayOf(v);
    if (!array)
        return QMK_ErrInvalidVariant;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data)))
        return QMK_ErrInvalidVariant;
    const uint8_t* first = static_cast<const uint8_t*>(data);
    int result = QMK_NoError;
    try {
        bytes.assign(first, first + array->rgsabound[0].cElements);
    } catch (const std::bad_alloc&) {
        result = QMK_ErrOutOfMemory;
    }
    SafeArrayUnaccessData(array);
    return result;
}

// A VARIANT holding exactly these bytes as a byte array (VT_ARRAY | VT_UI1,
// lower bound 0). 0 or QMK_ErrOutOfMemory.
int MakeByteArray(const std::vector<uint8_t>& bytes, VARIANT* out)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    if (!array)
        return QMK_ErrOutOfMemory;
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) {
        SafeArrayDestroy(array);
        return QMK_ErrOutOfMemory;
    }
    std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
    out->vt = VT_ARRAY | VT_UI1;
    out->parray = array;
    return QMK_NoError;
}

// Runs a save or a load so that nothing escapes to the host: no memory
// gives QMK_ErrOutOfMemory, any other failure QMK_ErrStorageStream.
template <class Work>
int Guarded(Work work)
{
    try {
        return work();
    } catch (const std::bad_alloc&) {
        return QMK_ErrOutOfMemory;
    } catch (...) {
        return QMK_ErrStorageStream;
    }
}

std::wstring TextOf(BSTR text)
{
    return text ? std::wstring(text, SysStringLen(text)) : std::wstring();
}

} // namespace

// ---- the stream ----------------------------------------------------------------------------

int EngineObject::WriteAnnotationStream(ByteWriter& out)
{
    ViewForSaving();
    AnnotationStream::Source source;
    source.settings = settings_.get();
    source.mappingWidth = mapping_->MappingWidth();
    source.mappingHeight = mapping_->MappingHeight();
    source.layerCount = static_cast<int>(layers_.size());
    if (!AnnotationStream::WriteHeader(source, out))
        return QMK_ErrStorageStream;
    // The list is newest first; the stream holds the oldest first.
    for (auto it = layers_.rbegin(); it != layers_.rend(); ++it)
        if ((*it)->SaveRecord(out, false) != QMK_NoError)
            return QMK_ErrStorageStream;
    return QMK_NoError;
}

int EngineObject::ReadAnnotationStream(const uint8_t* data, size_t size, LoadedStream& loaded)
{
    // The caller's bytes are read in place: the layer reader keeps a copy of
    // its own before it calls out.
    ByteReader in(data, size);
    if (!AnnotationStream::ReadHeader(in, loaded.header))
        return QMK_ErrStorageStream;
    // A count beyond the data ends at the data's end: each record takes bytes.
    for (uint32_t i = 0; i < loaded.header.layerCount; ++i) {
        std::unique_ptr<AnnotationLayer> layer = NewUnlistedLayer();
        layer->SetActive(true);  // as a layer made current
        std::vector<int> added;
        const int result = layer->LoadRecord(in, false, &added);
        if (result == QMK_ErrInvalidPassword)
            continue;  // that layer stays out; the next record follows it
        if (result != QMK_NoError)
            return result;
        loaded.layers.push_back(std::move(layer));
        loaded.added.push_back(std::move(added));
    }
    return QMK_NoError;
}

void EngineObject::ApplyStreamHeader(const LoadedStream& loaded)
{
    using Form = AnnotationStream::Form;
    // A stream leaves out empty texts and a mapping of no size: what it does
    // not hold is empty, so a load replaces all that a stream carries.
    for (const auto& entry : settings_->PropertyMap())
        if (AnnotationStream::FormOf(entry.first) == Form::Text) {
            BSTR empty = SysAllocStringLen(L"", 0);
            if (empty)
                settings_->SetStoredProperty(entry.first, reinterpret_cast<EngineValue>(empty));
            SysFreeString(empty);
        }
    mapping_->SetImageMappingDimensions(0, 0);
    for (const AnnotationStream::Setting& setting : loaded.header.settings) {
        switch (setting.form) {
        case Form::Text: {
            BSTR text = SysAllocStringLen(setting.text.data(),
                                          static_cast<UINT>(setting.text.size()));
            if (text)
                settings_->SetStoredProperty(setting.code, reinterpret_cast<EngineValue>(text));
            SysFreeString(text);
            break;
        }
        case Form::Font:
            settings_->SetStoredProperty(setting.code,
                                         reinterpret_cast<EngineValue>(&setting.font));
            break;
        case Form::MappingWidth:
            mapping_->SetImageMappingDimensions(setting.number, mapping_->MappingHeight());
            break;
        case Form::MappingHeight:
            mapping_->SetImageMappingDimensions(mapping_->MappingWidth(), setting.number);
            break;
        case Form::Number:
        case Form::LayerCount:
            settings_->SetStoredProperty(setting.code, setting.number);  // unknown codes are dropped
            break;
        }
    }
    // The dimensions stand for the image only until the host is asked for
    // its view again: the next conversion asks, as it does in a new engine,
    // so that an item read after this load takes the same view as one read
    // by a new engine.
    mapping_->Invalidate();
}

void EngineObject::AnnounceLoadedItems(int layer, const std::vector<int>& seqs)
{
    // The host may delete the layer or its items, or add others, when told:
    // each step looks again. The layer is found by handle; an item by where it
    // stood, which is checked against the layer as it is now, and looked up
    // afresh once anything moved.
    std::vector<std::pair<int, int>> entries;  // (sequence number, entry), by number
    auto index = [&entries](AnnotationLayer& of) {
        entries.clear();
        entries.reserve(static_cast<size_t>(of.ItemCount()));
        for (int entry = 1; entry <= of.ItemCount(); ++entry) {
            int at = 0;
            of.SequenceFromEntry(entry, &at);
            entries.emplace_back(at, entry);
        }
        std::sort(entries.begin(), entries.end());
    };
    auto entryOf = [&entries](int seq) {
        auto at = std::lower_bound(entries.begin(), entries.end(), std::make_pair(seq, INT_MIN));
        return at != entries.end() && at->first == seq ? at->second : 0;
    };
    auto stillAt = [](AnnotationLayer& of, int entry, int seq) {
        int at = 0;
        return entry != 0 && of.SequenceFromEntry(entry, &at) == QMK_NoError && at == seq;
    };
    // The items were added at the end in this order: each is first looked
    // for after the one before it, and the index is made only when one is
    // not there.
    int guess = 0;
    if (AnnotationLayer* found = FindLayer(layer))
        guess = found->ItemCount() - static_cast<int>(seqs.size()) + 1;
    bool indexed = false;
    for (int seq : seqs) {
        AnnotationLayer* found = FindLayer(layer);
        if (!found)
            return;
        int entry = guess;
        if (!stillAt(*found, entry, seq)) {
            if (!indexed)
                index(*found);
            indexed = true;
            entry = entryOf(seq);
            if (!stillAt(*found, entry, seq)) {
                index(*found);
                entry = entryOf(seq);
            }
        }
        if (entry != 0) {
            guess = entry + 1;
            Notify(QMK_AnnotationAdded, seq);
        }
    }
    if (AnnotationLayer* found = FindLayer(layer))
        found->SelectTool(PointerTool);
}

void EngineObject::CommitAnnotationStream(LoadedStream& loaded, bool replaceLayers)
{
    if (replaceLayers)
        DeleteAllLayers();
    ApplyStreamHeader(loaded);
    std::vector<int> handles;
    for (auto& layer : loaded.layers) {
        // A new layer's tools start from the defaults as the stream left them.
        for (int tool = kFirstTool; tool <= kLastTool; ++tool)
            layer->SetToolAttributes(tool, *settings_->Tools().MapOf(tool));
        handles.push_back(layer->Handle());
        layers_.push_front(std::move(layer));
    }
    // Each layer becomes current in turn, as a new layer made current does.
    for (size_t i = 0; i < handles.size(); ++i) {
        AnnotationLayer* layer = FindLayer(handles[i]);
        if (!layer)
            continue;
        MakeCurrent(*layer);
        AnnounceLoadedItems(handles[i], loaded.added[i]);
    }
}

void EngineObject::RedrawNow()
{
    if (redraw_ && hostWindow_ && IsWindow(hostWindow_)) {
        InvalidateRect(hostWindow_, nullptr, FALSE);
        UpdateWindow(hostWindow_);
    }
}

// ---- the operations ----------------------------------------------------------------------------

int __stdcall EngineObject::SaveAnnotationsToMemory(void** block)
{
    try {
        if (!block || layers_.empty() || !settings_->SaveAnnotations())
            return 0;
        ByteWriter out;
        if (WriteAnnotationStream(out) != QMK_NoError || out.Size() == 0 ||
            out.Size() > static_cast<size_t>(INT_MAX))
            return 0;
        void* memory = CoTaskMemAlloc(out.Size());
        if (!memory)
            return 0;
        std::memcpy(memory, out.Bytes().data(), out.Size());
        *block = memory;
        return static_cast<int>(out.Size());
    } catch (...) {
        return 0;
    }
}

int __stdcall EngineObject::LoadAnnotationsFromMemory(const void* data, int length, int, int)
{
    if (!data || length <= 0)
        return QMK_ErrStorageStream;
    return Guarded([&]() -> int {
        const uint8_t* first = static_cast<const uint8_t*>(data);
        RedrawSuppressed quiet(redraw_);
        LoadedStream loaded;
        const int result = ReadAnnotationStream(first, static_cast<size_t>(length), loaded);
        if (result != QMK_NoError)
            return result;
        CommitAnnotationStream(loaded, false);
        return QMK_NoError;
    });
}

int __stdcall EngineObject::SaveToStream(IStream* stream)
{
    if (!stream)
        return QMK_ErrStorageStream;
    try {
        ByteWriter out;
        if (WriteAnnotationStream(out) != QMK_NoError || out.Size() > ULONG_MAX)
            return QMK_ErrStorageStream;
        ULONG written = 0;
        const HRESULT hr =
            stream->Write(out.Bytes().data(), static_cast<ULONG>(out.Size()), &written);
        return SUCCEEDED(hr) && written == out.Size() ? QMK_NoError : QMK_ErrStorageStream;
    } catch (...) {
        return QMK_ErrStorageStream;
    }
}

int __stdcall EngineObject::StoreAnnotation(BSTR fileName)
{
    if (!fileName || SysStringLen(fileName) == 0)
        return QMK_ErrCreateStorage;
    return Guarded([&]() -> int {
        // The stream is made first, so that a failure leaves an existing file alone.
        ByteWriter out;
        if (WriteAnnotationStream(out) != QMK_NoError)
            return QMK_ErrStorageStream;
        std::vector<AnnotationFile::SummaryText> summary;
        for (int code : {QMK_SummaryAuthor, QMK_SummaryComments, QMK_SummarySubject,
                         QMK_SummaryTitle})
            summary.push_back({code, TextOf(settings_->SummaryText(code))});
        const std::wstring path = TextOf(fileName);
        return AnnotationFile::Write(path.c_str(), out.Bytes(), summary);
    });
}

int __stdcall EngineObject::RetrieveAnnotation(BSTR fileName)
{
    if (!fileName || SysStringLen(fileName) == 0)
        return QMK_ErrInvalidFile;
    return Guarded([&]() -> int {
        const std::wstring path = TextOf(fileName);
        std::vector<uint8_t> bytes;
        std::vector<AnnotationFile::SummaryText> summary;
        int result = AnnotationFile::Read(path.c_str(), bytes, summary);
        if (result != QMK_NoError)
            return result;
        {
            RedrawSuppressed quiet(redraw_);
            LoadedStream loaded;
            result = ReadAnnotationStream(bytes.data(), bytes.size(), loaded);
            if (result == QMK_NoError) {
                CommitAnnotationStream(loaded, true);
                for (const AnnotationFile::SummaryText& entry : summary) {
                    BSTR text = SysAllocStringLen(entry.text.data(),
                                                  static_cast<UINT>(entry.text.size()));
                    if (text)
                        settings_->SetProperty(entry.code, reinterpret_cast<EngineValue>(text));
                    SysFreeString(text);
                }
            }
        }
        RedrawNow();
        return result;
    });
}

int __stdcall EngineObject::GetAnnIntoVariant(VARIANT* out, int* byteCount)
{
    if (byteCount)
        *byteCount = 0;
    if (!out)
        return QMK_ErrInvalidVariant;
    VariantClear(out);
    return Guarded([&]() -> int {
        ByteWriter stream;
        if (WriteAnnotationStream(stream) != QMK_NoError || stream.Size() > static_cast<size_t>(INT_MAX))
            return QMK_ErrStorageStream;
        const int result = MakeByteArray(stream.Bytes(), out);
        if (result == QMK_NoError && byteCount)
            *byteCount = static_cast<int>(stream.Size());
        return result;
    });
}

int __stdcall EngineObject::SetAnnFromVariant(VARIANT* in, int* imageWidth, int* imageHeight)
{
    return Guarded([&]() -> int {
        std::vector<uint8_t> bytes;
        int result = CopyByteArray(in, bytes);
        if (result != QMK_NoError)
            return result;
        RedrawSuppressed quiet(redraw_);
        LoadedStream loaded;
        result = ReadAnnotationStream(bytes.data(), bytes.size(), loaded);
        if (result != QMK_NoError)
            return result;
        // The image the host shows, when it says (a value of 0 or less says nothing).
        if (imageWidth && imageHeight && *imageWidth > 0 && *imageHeight > 0) {
            mapping_->SetImageMappingDimensions(*imageWidth, *imageHeight);
            mapping_->Invalidate();
            // It stands in for the stream's own mapping.
            AnnotationStream::Setting width, height;
            width.code = QMK_ImageMappingWidth;
            width.form = AnnotationStream::Form::MappingWidth;
            width.number = *imageWidth;
            height.code = QMK_ImageMappingHeight;
            height.form = AnnotationStream::Form::MappingHeight;
            height.number = *imageHeight;
            loaded.header.settings.push_back(width);
            loaded.header.settings.push_back(height);
        }
        CommitAnnotationStream(loaded, true);
        return QMK_NoError;
    });
}

// ---- one layer ------------------------------------------------------------------------------

int __stdcall EngineObject::GetLayerIntoVariant(VARIANT* out, int layer, int* size)
{
    ViewForSaving();
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    if (size)
        *size = 0;
    if (!out)
        return QMK_ErrInvalidVariant;
    VariantClear(out);
    return Guarded([&]() -> int {
        ByteWriter record;
        const int result = found->SaveRecord(record, false);
        if (result != QMK_NoError)
            return result;
        if (record.Size() > static_cast<size_t>(INT_MAX))
            return QMK_ErrStorageStream;
        const int made = MakeByteArray(record.Bytes(), out);
        if (made == QMK_NoError && size)
            *size = static_cast<int>(record.Size());
        return made;
    });
}

int __stdcall EngineObject::SetLayerFromVariant(VARIANT* in, int* newLayer)
{
    if (newLayer)
        *newLayer = 0;
    return Guarded([&]() -> int {
        std::vector<uint8_t> bytes;
        int result = CopyByteArray(in, bytes);
        if (result != QMK_NoError)
            return result;
        std::unique_ptr<AnnotationLayer> layer = NewUnlistedLayer();
        std::vector<int> added;
        ByteReader reader(bytes.data(), bytes.size());
        result = layer->LoadRecord(reader, false, &added);
        if (result != QMK_NoError)
            return result;
        // A new layer in front of the others, not made current.
        const int handle = layer->Handle();
        layers_.push_front(std::move(layer));
        if (newLayer)
            *newLayer = handle;
        AnnounceLoadedItems(handle, added);
        return QMK_NoError;
    });
}
