#include "wang_import.h"

#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <string>
#include <vector>

#include "formats/wang_layout.h"
#include "formats/wang_reader.h"

namespace {

constexpr int kTransparent = 1;  // AnnBackstyle
constexpr int kOpaque = 2;

int ScreenPixelsPerInchY()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

bool StartsWithNoCase(const char* text, const char* start)
{
    const size_t length = std::strlen(start);
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, text,
                          static_cast<int>(strnlen(text, length)), start,
                          static_cast<int>(length)) == CSTR_EQUAL;
}

// A mark's font as the engine keeps it: the stored size in points at the
// text's creation scale (1000 when 0) made a height in screen pixels, and
// symbol faces given the symbol character set.
LOGFONTA FontOf(const LOGFONTA& stored, uint32_t creationScale, int screenDpi)
{
    LOGFONTA font = stored;
    font.lfFaceName[LF_FACESIZE - 1] = '\0';
    const double scale = creationScale == 0 ? wang::text::kDefaultCreationScale
                                            : static_cast<double>(creationScale);
    const double points = static_cast<double>(font.lfHeight) * (1000.0 / scale);
    const int truncated = points > 2147483647.0 || points < -2147483647.0 ? 0 : static_cast<int>(points);
    font.lfHeight = -MulDiv(truncated, screenDpi, 72);
    if ((StartsWithNoCase(font.lfFaceName, "symbol") || StartsWithNoCase(font.lfFaceName, "wingdings")) &&
        font.lfCharSet != SYMBOL_CHARSET)
        font.lfCharSet = SYMBOL_CHARSET;
    return font;
}

int CreateNamedLayer(AnnotationEngine* engine, const std::wstring& name)
{
    const int layer = engine->CreateLayer(1);
    if (layer != 0) {
        BSTR copy = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
        engine->SetLayerProperty(layer, QMK_LayerName, reinterpret_cast<EngineValue>(copy));
        SysFreeString(copy);
    }
    return layer;
}

// The walk over the data, building each mark in an element of its own and
// appending it when the data says the mark is complete: at the next group
// or index block for data that begins with named blocks (this system's
// writers put a mark's group and index before it), at the next mark block
// for data that begins with a mark, and at the end in either case.
class Import : public wang::BlockVisitor {
public:
    Import(AnnotationEngine* engine, bool preserveLayers)
        : engine_(engine), preserveLayers_(preserveLayers), screenDpi_(ScreenPixelsPerInchY())
    {
    }
    ~Import() override { DropElement(); }
    Import(const Import&) = delete;
    Import& operator=(const Import&) = delete;

    void MarkBlock(wang::Mark& mark) override
    {
        if (first_)
            startedWithMark_ = true;
        first_ = false;
        if (pending_)
            Append(true);
        DropElement();
        if (engine_->ElementCreate(&element_) != 0)
            element_ = 0;
        pending_ = true;
        // The layer a mark read after named blocks goes to is named by the
        // group before it; a group block of the mark's own that follows it
        // (the Unicode writer's) names the next layer made.
        markLayerName_ = pendingName_;
        unicodeTextSet_ = false;
        type_ = mark.type;
        bounds_ = mark.bounds;
        visible_ = mark.visible != 0;
        hasPoints_ = false;
        hasPicture_ = false;
        Fill(mark);
    }
    void Group(std::wstring& name, bool, int32_t) override
    {
        first_ = false;
        AppendAtNamedBlock();
        pendingName_ = std::move(name);
        if (layer_ != 0)
            needLayer_ = preserveLayers_;
    }
    void UnicodeGroup(std::wstring& name) override
    {
        first_ = false;
        // A mark's own group name: it names the next layer made, and starts
        // none (the per-layer blocks do that).
        pendingName_ = std::move(name);
    }
    void Index(uint32_t index, bool, int32_t) override
    {
        first_ = false;
        AppendAtNamedBlock();
        index_ = index;
    }
    void Text(int32_t orientation, uint32_t, uint32_t creationScale, std::wstring& text) override
    {
        first_ = false;
        if (!unicodeTextSet_)
            SetText(text);
        unicodeTextSet_ = false;
        Set(QMK_TextOrientation, orientation);
        if (IsTextMark()) {
            const LOGFONTA font = FontOf(workingFont_, creationScale, screenDpi_);
            Set(QMK_Logfont, reinterpret_cast<EngineValue>(&font));
        }
    }
    void UnicodeText(std::wstring& text) override
    {
        first_ = false;
        SetText(text);
        unicodeTextSet_ = true;
    }
    void Points(uint32_t, std::vector<POINT>& points) override
    {
        first_ = false;
        for (POINT& p : points) {
            p.x = static_cast<LONG>(static_cast<uint32_t>(p.x) + static_cast<uint32_t>(bounds_.left));
            p.y = static_cast<LONG>(static_cast<uint32_t>(p.y) + static_cast<uint32_t>(bounds_.top));
        }
        if (element_ &&
            engine_->ElementClearPoints(element_, static_cast<int>(points.size()), points.data()) == 0)
            hasPoints_ = !points.empty();
    }
    void Rotation(uint32_t, uint32_t, const int32_t*) override { first_ = false; }
    void Picture(const uint8_t* dib, size_t size) override
    {
        first_ = false;
        if (dib && element_ && SetPicture(dib, size))
            hasPicture_ = true;
    }
    void Skipped() override { first_ = false; }

    void Finish()
    {
        // The last mark comes in whatever follows it.
        if (pending_)
            Append(true);
        DropElement();
        const int current = engine_->GetCurrentLayer();
        if (current != 0)
            engine_->SetTool(current, PointerTool);
    }

private:
    bool IsTextMark() const
    {
        return type_ == wang::kTypedText || type_ == wang::kTextStamp || type_ == wang::kAttachANote;
    }
    void Set(int code, EngineValue value)
    {
        if (element_)
            engine_->ElementSetAttribute(element_, code, value);
    }
    void SetText(const std::wstring& text)
    {
        if (!element_)
            return;
        BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        Set(QMK_Text, reinterpret_cast<EngineValue>(copy));
        SysFreeString(copy);
    }
    bool SetPicture(const uint8_t* dib, size_t size)
    {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        if (!block)
            return false;
        int result = -1;
        if (void* bytes = GlobalLock(block)) {
            std::memcpy(bytes, dib, size);
            GlobalUnlock(block);
            result = engine_->ElementSetAttribute(element_, QMK_DibPtr, reinterpret_cast<EngineValue>(block));
        }
        GlobalFree(block);  // the element keeps its own copy
        return result == 0;
    }
    void DropElement()
    {
        if (element_)
            engine_->ElementDestroy(element_);
        element_ = 0;
    }

    // The element's attributes from a mark's record, by its type; a type
    // the engine has no class for (image reference, text from file, form,
    // OCR region, unknown) leaves the element without a tool.
    void Fill(const wang::Mark& mark)
    {
        const auto colour = [](COLORREF c) { return static_cast<int>(c & 0x00FFFFFF); };
        Set(QMK_CreateSeconds, mark.time);
        switch (mark.type) {
        case wang::kImageEmbedded:
            Set(QMK_ElementType, ImageTool);
            Set(QMK_TransparentColor, 0xFFFFFF);
            Set(QMK_BackStyle, mark.transparent ? kTransparent : kOpaque);
            Set(QMK_FillColor, colour(mark.colour1));
            Set(QMK_PenColor, colour(mark.colour2));
            Set(QMK_PenWidth, static_cast<int>(mark.line_size));
            break;
        case wang::kStraightLine:
        case wang::kFreehandLine:
            Set(QMK_ElementType, mark.type == wang::kStraightLine ? LineTool : FreehandTool);
            Set(QMK_PenColor, colour(mark.colour1));
            Set(QMK_PenWidth, static_cast<int>(mark.line_size));
            Set(QMK_PenFillStyle, mark.highlighting ? LinePenFillStyle_Translucent : LinePenFillStyle_Opaque);
            break;
        case wang::kHollowRectangle:
        case wang::kFilledRectangle:
            Set(QMK_ElementType, RectangleTool);
            Set(QMK_BackStyle, mark.type == wang::kHollowRectangle ? kTransparent : kOpaque);
            Set(QMK_FillColor, colour(mark.colour1));
            Set(QMK_PenColor, colour(mark.colour1));
            Set(QMK_HighlightFill, mark.highlighting ? 1 : 0);
            Set(QMK_PenWidth, static_cast<int>(mark.line_size));
            break;
        case wang::kTypedText:
            Set(QMK_ElementType, TextTool);
            Set(QMK_WangType, wang::kTypedText);
            Set(QMK_TextColor, colour(mark.colour1));
            Set(QMK_BackColor, colour(mark.colour2));
            Set(QMK_PenWidth, 0);
            Set(QMK_HighlightBack, mark.highlighting ? 1 : 0);
            Set(QMK_BackStyle, kTransparent);
            break;
        case wang::kTextStamp:
            Set(QMK_ElementType, StampTool);
            Set(QMK_TextColor, colour(mark.colour1));
            Set(QMK_PenWidth, 0);
            Set(QMK_BackStyle, kTransparent);
            break;
        case wang::kAttachANote:
            Set(QMK_ElementType, TextTool);
            Set(QMK_WangType, wang::kAttachANote);
            Set(QMK_BackColor, colour(mark.colour1));
            Set(QMK_TextColor, colour(mark.colour2));
            Set(QMK_PenWidth, 1);
            Set(QMK_PenColor, 0);
            Set(QMK_HighlightBack, mark.highlighting ? 1 : 0);
            Set(QMK_BackStyle, mark.transparent ? kTransparent : kOpaque);
            break;
        default:
            return;
        }
        RECT bounds = mark.bounds;
        Set(QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds));
        Set(QMK_Visible, mark.visible != 0 ? 1 : 0);
        if (IsTextMark()) {
            // The text's own block gives the scale the size was stored at.
            workingFont_ = mark.font;
            const LOGFONTA font = FontOf(workingFont_, 0, screenDpi_);
            Set(QMK_Logfont, reinterpret_cast<EngineValue>(&font));
        }
    }

    // The mark read so far, complete: a mark the engine has no class for,
    // a line without points or a picture without its DIB is passed over.
    bool Convertible() const
    {
        switch (type_) {
        case wang::kImageEmbedded:
            return hasPicture_;
        case wang::kStraightLine:
        case wang::kFreehandLine:
            return hasPoints_;
        case wang::kHollowRectangle:
        case wang::kFilledRectangle:
        case wang::kTypedText:
        case wang::kTextStamp:
        case wang::kAttachANote:
            return true;
        default:
            return false;
        }
    }

    void AppendAtNamedBlock()
    {
        if (!startedWithMark_ && pending_) {
            Append(false);
            pending_ = false;
        }
    }

    // Appends the pending mark. At a mark block (and at the end) the item
    // takes the current index as its sequence number; at a group or index
    // block only when layers are kept (this system's writers put the index
    // before the mark it numbers). A number is taken only when no other
    // item of the layer has it, and before anyone hears of the item.
    void Append(bool atMarkBlock)
    {
        pending_ = false;
        if (!element_ || !Convertible())
            return;
        const bool numbered = (atMarkBlock || preserveLayers_) && index_ != 0 && index_ <= 0x7FFFFFFFu;
        Set(QMK_SequenceNumber, numbered ? static_cast<int>(index_) : 0);
        // Every call may let the host delete the layer: a layer that is gone
        // is made again, once.
        int seq = 0;
        int result = QMK_ErrInvalidLayer;
        bool made = false;
        for (int attempt = 0; attempt < 2 && result == QMK_ErrInvalidLayer; ++attempt) {
            if (needLayer_ || layer_ == 0 || attempt > 0) {
                layer_ = CreateNamedLayer(engine_, startedWithMark_ ? pendingName_ : markLayerName_);
                needLayer_ = false;
                made = true;
            }
            if (layer_ == 0)
                break;
            result = engine_->ElementAppend(layer_, element_, &seq);
        }
        if (result != 0 && made && layer_ != 0) {
            // A layer made for a mark that did not come in holds nothing.
            int count = 0;
            if (engine_->PrgGetItemCount(layer_, &count) == 0 && count == 0) {
                engine_->DeleteLayer(layer_);
                layer_ = 0;
                needLayer_ = true;
            }
        }
        if (result != 0 || seq == 0)
            return;
        if (!visible_)
            engine_->PrgSetItemAttribute(layer_, seq, QMK_Visible, 0);
    }

    AnnotationEngine* engine_;
    const bool preserveLayers_;
    const int screenDpi_;
    int element_ = 0;
    int layer_ = 0;
    std::wstring pendingName_;
    std::wstring markLayerName_;
    bool needLayer_ = true;
    bool pending_ = false;
    bool first_ = true;
    bool startedWithMark_ = false;
    uint32_t index_ = 0;
    bool unicodeTextSet_ = false;
    uint32_t type_ = 0;
    RECT bounds_ = {};
    bool visible_ = true;
    bool hasPoints_ = false;
    bool hasPicture_ = false;
    LOGFONTA workingFont_ = {};
};

} // namespace

int ImportWangAnnotations(AnnotationEngine* engine, const void* data, size_t length, int imageWidth,
                          int imageHeight, bool preserveLayers)
{
    if (!engine)
        return QMK_ErrInvalidFile;
    // The header decides before anything changes.
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    if (!bytes || length < wang::kHeaderSize ||
        (bytes[4] | bytes[5] << 8 | bytes[6] << 16 | static_cast<uint32_t>(bytes[7]) << 24) != wang::kIntelFormat32)
        return QMK_ErrInvalidFile;
    engine->PrgSetImageMappingDimensions(imageWidth, imageHeight);
    Import import(engine, preserveLayers);
    wang::WalkData(data, length, import);
    import.Finish();
    return 0;
}

int SaveWangAnnotationData(AnnotationEngine* engine, bool preserveLayers, void** block)
{
    if (!engine || !block)
        return 0;
    EngineValue unicodeMode = 0;
    if (engine->GetProperty(QMK_UnicodeMode, &unicodeMode) != 0)
        unicodeMode = 0;
    const unsigned char preserve = preserveLayers ? 1 : 0;
    return unicodeMode == 1 ? engine->SaveWangAnnotationsUnicode(block, preserve)
                            : engine->SaveWangAnnotations(block, preserve);
}
