// The clipboard: one layer (or its selection) as a LayerRecord in the
// registered format "QMK7_Layer", which engines of other processes read too.
//
// What the clipboard holds comes from anywhere: it is copied out while the
// clipboard is open, and read afterwards with the bounded layer reader, which
// changes nothing unless the whole record reads well. The clipboard is never
// held open while the host is asked for anything.
#include <cstring>
#include <new>

#include "engine_object.h"
#include "formats/byte_stream.h"

namespace {

// The clipboard opened by a window, closed on every way out.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) : open_(owner && OpenClipboard(owner)) {}
    ~OpenedClipboard()
    {
        if (open_)
            CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool IsOpen() const { return open_; }

private:
    bool open_;
};

// A movable block holding exactly these bytes, or null.
HGLOBAL BlockOf(const std::vector<uint8_t>& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
    if (!block)
        return nullptr;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

// The bytes of the clipboard's data in a format, copied; the clipboard must be
// open. 0, QMK_ErrClipboard (no such data, or a block that cannot be read) or
// QMK_ErrOutOfMemory.
int CopyClipboardData(UINT format, std::vector<uint8_t>& bytes)
{
    HANDLE data = GetClipboardData(format);
    if (!data)
        return QMK_ErrClipboard;
    const SIZE_T size = GlobalSize(data);
    const void* source = size ? GlobalLock(data) : nullptr;
    if (!source)
        return QMK_ErrClipboard;
    int result = QMK_NoError;
    try {
        const uint8_t* first = static_cast<const uint8_t*>(source);
        bytes.assign(first, first + size);
    } catch (const std::bad_alloc&) {
        result = QMK_ErrOutOfMemory;
    }
    GlobalUnlock(data);
    return result;
}

} // namespace

int EngineObject::ReadLayerClipboard(std::vector<uint8_t>& bytes)
{
    if (!HelperWindowHandle() || !layerFormat_)
        return QMK_ErrClipboard;
    OpenedClipboard clipboard(HelperWindowHandle());
    if (!clipboard.IsOpen())
        return QMK_ErrClipboard;
    // Every read of clipboard data costs the platform a block it keeps (its
    // probe buffer, when it answers from its own copy): pasting the same
    // clipboard contents again takes the bytes copied the last time. Any
    // change of the contents changes the sequence number.
    const DWORD sequence = GetClipboardSequenceNumber();
    if (sequence != 0 && sequence == clipboardSequence_) {
        bytes = clipboardCopy_;
        return QMK_NoError;
    }
    clipboardSequence_ = 0;
    clipboardCopy_.clear();
    const int result = CopyClipboardData(layerFormat_, bytes);
    if (result != QMK_NoError)
        return result;
    // Read after the data: rendering it on request may have counted as a change.
    clipboardCopy_ = bytes;
    clipboardSequence_ = GetClipboardSequenceNumber();
    return QMK_NoError;
}

int __stdcall EngineObject::CopyToClipboard(int layer, int selectedOnly)
{
    if (!HelperWindowHandle() || !layerFormat_)
        return QMK_ErrClipboard;
    ViewForSaving();
    AnnotationLayer* found = FindLayer(layer);
    if (!found)
        return QMK_ErrInvalidLayer;
    try {
        ByteWriter record;
        const int written = found->SaveRecord(record, selectedOnly != 0);
        if (written != QMK_NoError)
            return written;
        HGLOBAL block = BlockOf(record.Bytes());
        if (!block)
            return QMK_ErrOutOfMemory;
        OpenedClipboard clipboard(HelperWindowHandle());
        if (!clipboard.IsOpen() || !EmptyClipboard() || !SetClipboardData(layerFormat_, block)) {
            GlobalFree(block);  // the clipboard did not take it
            return QMK_ErrClipboard;
        }
        return QMK_NoError;  // the block is the clipboard's now
    } catch (const std::bad_alloc&) {
        return QMK_ErrOutOfMemory;
    } catch (...) {
        return QMK_ErrStorageStream;
    }
}

int __stdcall EngineObject::Paste(int layer)
{
    if (!FindLayer(layer))
        return QMK_ErrInvalidLayer;
    try {
        std::vector<uint8_t> bytes;
        int result = ReadLayerClipboard(bytes);
        if (result != QMK_NoError)
            return result;
        // The layer reader asks the host for a password when the record is
        // scrambled, and stops when the host deletes the layer meanwhile.
        AnnotationLayer* found = FindLayer(layer);
        if (!found)
            return QMK_ErrInvalidLayer;
        std::vector<int> added;
        ByteReader reader(bytes.data(), bytes.size());
        result = found->LoadRecord(reader, true, &added);
        if (result != QMK_NoError)
            return result;
        AnnounceLoadedItems(layer, added);
        InvalidateHostWindow();
        return QMK_NoError;
    } catch (const std::bad_alloc&) {
        return QMK_ErrOutOfMemory;
    } catch (...) {
        return QMK_ErrStorageStream;
    }
}

int __stdcall EngineObject::PasteLayer(int* newLayer)
{
    if (newLayer)
        *newLayer = 0;
    try {
        std::vector<uint8_t> bytes;
        int result = ReadLayerClipboard(bytes);
        if (result != QMK_NoError)
            return result;
        // Read into a layer of no list first: a record that does not read
        // leaves no layer behind.
        std::unique_ptr<AnnotationLayer> made = NewUnlistedLayer();
        std::vector<int> added;
        ByteReader reader(bytes.data(), bytes.size());
        result = made->LoadRecord(reader, false, &added);
        if (result != QMK_NoError)
            return result;
        // In front of the others, not made current.
        const int handle = made->Handle();
        layers_.push_front(std::move(made));
        if (newLayer)
            *newLayer = handle;
        AnnounceLoadedItems(handle, added);
        InvalidateHostWindow();
        return QMK_NoError;
    } catch (const std::bad_alloc&) {
        return QMK_ErrOutOfMemory;
    } catch (...) {
        return QMK_ErrStorageStream;
    }
}

int __stdcall EngineObject::IsPasteAvailable()
{
    if (!HelperWindowHandle() || !layerFormat_)
        return 0;
    OpenedClipboard clipboard(HelperWindowHandle());
    if (!clipboard.IsOpen())
        return 0;
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        if (format == layerFormat_)
            return 1;
    return 0;
}
