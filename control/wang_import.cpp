#include "wang_import.h"

#include <windows.h>
#include <oleauto.h>

#include <cstring>
#include <string>
#include <vector>

#include "formats/wang_layout.h"
#include "formats/wang_reader.h"
#include "layer/sequence_set.h"

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

// The mark's font as the engine keeps it: the stored size in points at the
// text's creation scale made a height in screen pixels, and symbol faces
// given the symbol character set.
LOGFONTA FontOf(const wang::Mark& mark, int screenDpi)
{
    LOGFONTA font = mark.font;
    const double scale = mark.creation_scale == 0 ? wang::text::kDefaultCreationScale
                                                  : static_cast<double>(mark.creation_scale);
    const double points = static_cast<double>(font.lfHeight) * (1000.0 / scale);
    const int truncated = points > 2147483647.0 || points < -2147483647.0 ? 0 : static_cast<int>(points);
    font.lfHeight = -MulDiv(truncated, screenDpi, 72);
    if ((StartsWithNoCase(font.lfFaceName, "symbol") || StartsWithNoCase(font.lfFaceName, "wingdings")) &&
        font.lfCharSet != SYMBOL_CHARSET)
        font.lfCharSet = SYMBOL_CHARSET;
    return font;
}

// One element, destroyed when this goes.
class Element {
public:
    explicit Element(AnnotationEngine* engine) : engine_(engine)
    {
        if (engine_->ElementCreate(&handle_) != 0)
            handle_ = 0;
    }
    ~Element()
    {
        if (handle_)
            engine_->ElementDestroy(handle_);
    }
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    int Handle() const { return handle_; }
    void Set(int code, EngineValue value) { engine_->ElementSetAttribute(handle_, code, value); }
    void SetText(const std::wstring& text)
    {
        BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        Set(QMK_Text, reinterpret_cast<EngineValue>(copy));
        SysFreeString(copy);
    }
    bool SetPicture(const std::vector<uint8_t>& dib)
    {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, dib.size());
        if (!block)
            return false;
        void* bytes = GlobalLock(block);
        int result = -1;
        if (bytes) {
            std::memcpy(bytes, dib.data(), dib.size());
            GlobalUnlock(block);
            result = engine_->ElementSetAttribute(handle_, QMK_DibPtr, reinterpret_cast<EngineValue>(block));
        }
        GlobalFree(block);  // the element keeps its own copy
        return result == 0;
    }

private:
    AnnotationEngine* engine_;
    int handle_ = 0;
};

// Fills an element for a mark; false for a mark the engine cannot show.
bool Fill(Element& element, const wang::Mark& mark, int screenDpi)
{
    RECT bounds = mark.bounds;
    const auto set = [&](int code, int value) { element.Set(code, static_cast<EngineValue>(value)); };
    const auto colour = [](COLORREF c) { return static_cast<int>(c & 0x00FFFFFF); };
    switch (mark.type) {
    case wang::kImageEmbedded:
        if (mark.dib.empty() || !element.SetPicture(mark.dib))
            return false;
        set(QMK_ElementType, ImageTool);
        set(QMK_TransparentColor, 0xFFFFFF);
        set(QMK_BackStyle, mark.transparent ? kTransparent : kOpaque);
        set(QMK_FillColor, colour(mark.colour1));
        set(QMK_PenColor, colour(mark.colour2));
        set(QMK_PenWidth, static_cast<int>(mark.line_size));
        break;
    case wang::kStraightLine:
    case wang::kFreehandLine:
        if (mark.points.empty())
            return false;
        set(QMK_ElementType, mark.type == wang::kStraightLine ? LineTool : FreehandTool);
        set(QMK_PenColor, colour(mark.colour1));
        set(QMK_PenWidth, static_cast<int>(mark.line_size));
        set(QMK_PenFillStyle, mark.highlighting ? LinePenFillStyle_Translucent : LinePenFillStyle_Opaque);
        break;
    case wang::kHollowRectangle:
    case wang::kFilledRectangle:
        set(QMK_ElementType, RectangleTool);
        set(QMK_BackStyle, mark.type == wang::kHollowRectangle ? kTransparent : kOpaque);
        set(QMK_FillColor, colour(mark.colour1));
        set(QMK_PenColor, colour(mark.colour1));
        set(QMK_HighlightFill, mark.highlighting ? 1 : 0);
        set(QMK_PenWidth, static_cast<int>(mark.line_size));
        break;
    case wang::kTypedText:
        set(QMK_ElementType, TextTool);
        set(QMK_WangType, wang::kTypedText);
        set(QMK_TextColor, colour(mark.colour1));
        set(QMK_BackColor, colour(mark.colour2));
        set(QMK_PenWidth, 0);
        set(QMK_HighlightBack, mark.highlighting ? 1 : 0);
        set(QMK_BackStyle, kTransparent);
        break;
    case wang::kTextStamp:
        set(QMK_ElementType, StampTool);
        set(QMK_TextColor, colour(mark.colour1));
        set(QMK_PenWidth, 0);
        set(QMK_BackStyle, kTransparent);
        break;
    case wang::kAttachANote:
        set(QMK_ElementType, TextTool);
        set(QMK_WangType, wang::kAttachANote);
        set(QMK_BackColor, colour(mark.colour1));
        set(QMK_TextColor, colour(mark.colour2));
        set(QMK_PenWidth, 1);
        set(QMK_PenColor, 0);
        set(QMK_HighlightBack, mark.highlighting ? 1 : 0);
        set(QMK_BackStyle, mark.transparent ? kTransparent : kOpaque);
        break;
    default:
        return false;  // image reference, text from file, form, OCR region, unknown
    }
    element.Set(QMK_BoundingRect, reinterpret_cast<EngineValue>(&bounds));
    set(QMK_CreateSeconds, mark.time);
    set(QMK_Visible, mark.visible != 0 ? 1 : 0);
    if (mark.type == wang::kTypedText || mark.type == wang::kTextStamp || mark.type == wang::kAttachANote) {
        const LOGFONTA font = FontOf(mark, screenDpi);
        element.Set(QMK_Logfont, reinterpret_cast<EngineValue>(&font));
        element.SetText(mark.has_unicode_text ? mark.unicode_text : mark.text);
        set(QMK_TextOrientation, mark.text_orientation);
    }
    return true;
}

void SetPoints(AnnotationEngine* engine, const Element& element, const wang::Mark& mark)
{
    std::vector<POINT> points = mark.points;
    for (POINT& p : points) {
        p.x = static_cast<LONG>(static_cast<int64_t>(p.x) + mark.bounds.left);
        p.y = static_cast<LONG>(static_cast<int64_t>(p.y) + mark.bounds.top);
    }
    engine->ElementClearPoints(element.Handle(), static_cast<int>(points.size()), points.data());
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

const std::wstring& GroupName(const wang::GroupAndIndex& blocks)
{
    static const std::wstring kNone;
    if (blocks.has_group)
        return blocks.group;
    return blocks.has_unicode_group ? blocks.unicode_group : kNone;
}

} // namespace

int ImportWangAnnotations(AnnotationEngine* engine, const void* data, size_t length, int imageWidth,
                          int imageHeight, bool preserveLayers)
{
    if (!engine)
        return QMK_ErrInvalidFile;
    wang::Data marks;
    if (wang::ReadData(data, length, marks) != 0 || marks.damaged)
        return QMK_ErrInvalidFile;

    // Everything is read: now the engine's annotations are replaced.
    const int screenDpi = ScreenPixelsPerInchY();
    engine->DeleteAllLayers();
    engine->PrgSetImageMappingDimensions(imageWidth, imageHeight);
    int layer = 0;
    std::wstring layerName;
    // The sequence numbers the items made so far in the layer have.
    int numberedLayer = 0;
    SequenceSet numbers;
    numbers.Reserve(marks.marks.size());
    for (const wang::Mark& mark : marks.marks) {
        const bool startsLayer = mark.before.has_group && preserveLayers;
        if (mark.before.has_group || (layer == 0 && mark.before.has_unicode_group))
            layerName = GroupName(mark.before);
        if (startsLayer)
            layer = 0;

        Element element(engine);
        if (!element.Handle())
            continue;
        if (!Fill(element, mark, screenDpi))
            continue;
        if (mark.type == wang::kStraightLine || mark.type == wang::kFreehandLine)
            SetPoints(engine, element, mark);

        // Every call may let the host delete the layer: a layer that is gone
        // is made again.
        int seq = 0;
        int result = QMK_ErrInvalidLayer;
        bool made = false;
        for (int attempt = 0; attempt < 2 && result == QMK_ErrInvalidLayer; ++attempt) {
            if (layer == 0 || attempt > 0) {
                layer = CreateNamedLayer(engine, layerName);
                made = true;
            }
            if (layer == 0)
                break;
            result = engine->ElementAppend(layer, element.Handle(), &seq);
        }
        if (result != 0 && made && layer != 0) {
            // A layer made for a mark that did not come in holds nothing.
            int count = 0;
            if (engine->PrgGetItemCount(layer, &count) == 0 && count == 0)
                engine->DeleteLayer(layer);
            layer = 0;
        }
        if (result != 0 || seq == 0)
            continue;
        if (mark.visible == 0)
            engine->PrgSetItemAttribute(layer, seq, QMK_Visible, 0);
        if (layer != numberedLayer) {
            numberedLayer = layer;
            numbers.Clear();
        }
        // The index becomes the sequence number only when no other item of
        // this layer has that number (the engine refuses one that is taken).
        const int index = mark.before.has_index && mark.before.index <= 0x7FFFFFFFu
                              ? static_cast<int>(mark.before.index)
                              : 0;
        if (index > 0 && index != seq && !numbers.Contains(index) &&
            engine->PrgSetItemAttribute(layer, seq, QMK_SequenceNumber, static_cast<EngineValue>(index)) == 0)
            seq = index;
        numbers.Insert(seq);
    }
    const int current = engine->GetCurrentLayer();
    if (current != 0)
        engine->SetTool(current, PointerTool);
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
