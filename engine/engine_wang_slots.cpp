// Handing all layers to the host as Wang/Oi annotation data (TIFF tag
// 32932): the ANSI and the Unicode writer. The view is brought up to date
// once, before anything is collected; the layers are written oldest first,
// so that readers painting in file order stack them as the engine does.
#include <climits>
#include <cstring>

#include "engine_object.h"
#include "formats/wang_layout.h"
#include "formats/wang_writer.h"
#include "objects/annotation.h"
#include "settings/tool_defaults_packed_dib.h"
#include "view/unit_names.h"
#include "view/view_mapping.h"

namespace {

// The text, orientation and font of a text or stamp mark: the font's height
// in points of the screen.
void TakeText(const Annotation& item, wang::Mark& mark)
{
    const auto text = item.Attributes().find(QMK_Text);
    const BSTR value = text == item.Attributes().end() ? nullptr : text->second.Text();
    mark.has_text = true;
    mark.text = value ? std::wstring(value, SysStringLen(value)) : std::wstring();
    mark.text_orientation = item.MapNumber(QMK_TextOrientation);
    const auto font = item.Attributes().find(QMK_Logfont);
    if (font != item.Attributes().end() && font->second.kind() == AttributeValue::Kind::Font)
        mark.font = font->second.Font();
    int screenDpi = 96;
    if (HDC screen = GetDC(nullptr)) {
        screenDpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
    }
    if (screenDpi > 0) {
        const int64_t points = static_cast<int64_t>(mark.font.lfHeight) * 72 / screenDpi;
        mark.font.lfHeight = static_cast<LONG>(points < 0 ? -points : points);
    }
}

// A text item's mark: a note (Wang type 10) or typed text.
bool TextMarkOf(const Annotation& item, wang::Mark& mark)
{
    const bool note = item.MapNumber(QMK_WangType) == wang::kAttachANote;
    mark.type = note ? wang::kAttachANote : wang::kTypedText;
    const COLORREF text = static_cast<COLORREF>(item.MapNumber(QMK_TextColor));
    const COLORREF back = static_cast<COLORREF>(item.MapNumber(QMK_BackColor));
    mark.colour1 = note ? back : text;
    mark.colour2 = note ? text : back;
    mark.highlighting = !note && item.MapNumber(QMK_HighlightBack) != 0 ? 1 : 0;
    mark.transparent = !note && item.MapNumber(QMK_BackStyle) == BackStyle_Transparent ? 1 : 0;
    mark.line_size = static_cast<uint32_t>(item.MapNumber(QMK_PenWidth));
    TakeText(item, mark);
    mark.visible = item.IsVisible() ? 1 : 0;
    return true;
}

// The mark of an item of a kind the data carries, its attributes by kind;
// false for every other kind.
bool MarkOf(const Annotation& item, wang::Mark& mark)
{
    switch (item.Type()) {
    case RectangleTool:
        if (item.MapNumber(QMK_BackStyle) == BackStyle_Transparent) {
            mark.type = wang::kHollowRectangle;
            mark.colour1 = static_cast<COLORREF>(item.MapNumber(QMK_PenColor));
            mark.transparent = 1;
            mark.line_size = static_cast<uint32_t>(item.MapNumber(QMK_PenWidth));
        } else {
            mark.type = wang::kFilledRectangle;
            mark.colour1 = static_cast<COLORREF>(item.MapNumber(QMK_FillColor));
            mark.highlighting = item.MapNumber(QMK_BackStyle) == BackStyle_Translucent ? 1 : 0;
        }
        mark.visible = item.IsVisible() ? 1 : 0;
        return true;
    case LineTool:
    case FreehandTool:
        mark.type = item.Type() == LineTool ? wang::kStraightLine : wang::kFreehandLine;
        mark.colour1 = static_cast<COLORREF>(item.MapNumber(QMK_PenColor));
        mark.highlighting = item.MapNumber(QMK_PenFillStyle) == LinePenFillStyle_Translucent ? 1 : 0;
        mark.line_size = static_cast<uint32_t>(item.MapNumber(QMK_PenWidth));
        mark.visible = item.IsVisible() ? 1 : 0;
        mark.has_points = true;
        return true;
    case StampTool: {
        mark.type = wang::kTextStamp;
        mark.colour1 = static_cast<COLORREF>(item.MapNumber(QMK_TextColor));
        mark.colour2 = static_cast<COLORREF>(item.MapNumber(QMK_BackColor));
        mark.highlighting = item.MapNumber(QMK_HighlightBack) != 0 ? 1 : 0;
        mark.transparent = item.MapNumber(QMK_BackStyle) == BackStyle_Transparent ? 1 : 0;
        mark.line_size = static_cast<uint32_t>(item.MapNumber(QMK_PenWidth));
        TakeText(item, mark);
        mark.visible = item.IsVisible() ? 1 : 0;
        return true;
    }
    case ImageTool: {
        const auto picture = item.Attributes().find(QMK_DibPtr);
        HGLOBAL block = picture == item.Attributes().end() ? nullptr : picture->second.Image();
        const void* bytes = block ? GlobalLock(block) : nullptr;
        if (!bytes)
            return false;
        const size_t size = PackedDib::SizeOf(bytes, GlobalSize(block));
        const uint8_t* first = static_cast<const uint8_t*>(bytes);
        mark.dib.assign(first, first + size);
        GlobalUnlock(block);
        if (size == 0)
            return false;
        mark.type = wang::kImageEmbedded;
        mark.transparent = item.MapNumber(QMK_BackStyle) == BackStyle_Transparent ? 1 : 0;
        mark.visible = item.IsVisible() ? 1 : 0;
        return true;
    }
    case TextTool:
        return TextMarkOf(item, mark);
    default:
        return false;
    }
}

// A line's bounds as the data carries them: the extent of its points in
// image pixels widened by its pen in image pixels, as the item's own bounds
// are at actual size. The item's bounds take the pen as displayed, rounded
// at the view's zoom; written as they are, a line read back and saved at
// another zoom would move its bounds at each round.
RECT PointExtent(const std::vector<POINT>& pixels, int penWidth)
{
    RECT extent = {pixels[0].x, pixels[0].y, pixels[0].x, pixels[0].y};
    for (const POINT& p : pixels) {
        if (p.x < extent.left) extent.left = p.x;
        if (p.x > extent.right) extent.right = p.x;
        if (p.y < extent.top) extent.top = p.y;
        if (p.y > extent.bottom) extent.bottom = p.y;
    }
    if (pixels.size() == 1) {
        extent.right += 1;
        extent.bottom += 1;
    }
    const int pen = penWidth > 0 ? penWidth : (penWidth == -1 ? 1 : 0);
    InflateRect(&extent, pen, pen);
    return extent;
}

// A text's size in points as stored at its creation scale: the reader takes
// the stored size as points at that scale (size x 1000 / scale), so the size
// is stored rounded up, which reads back as the same points.
LONG SizeAtScale(LONG points, uint32_t creationScale)
{
    if (creationScale == 0 || creationScale == wang::text::kDefaultCreationScale)
        return points;
    const int64_t scaled = (static_cast<int64_t>(points) * creationScale + 999) / 1000;
    return scaled > INT_MAX ? INT_MAX : static_cast<LONG>(scaled);
}

} // namespace

int EngineObject::SaveWang(void** block, unsigned char preserveLayers, bool unicode)
{
    try {
        if (!block)
            return 0;
        // Asks the host for its view and resolution: the host may change
        // anything meanwhile, so the layers are looked at only afterwards.
        const bool viewUsable = mapping_->Refresh(false, nullptr) && mapping_->Usable();
        if (layers_.empty() || !settings_->SaveAnnotations())
            return 0;

        std::vector<wang::LayerToWrite> layers;
        uint32_t nextIndex = 0;
        for (int handle : LayerHandles(true)) {
            AnnotationLayer* layer = FindLayer(handle);
            if (!layer)
                continue;
            wang::LayerToWrite written;
            written.name = layer->Name();
            for (int entry = 1; entry <= layer->ItemCount(); ++entry) {
                Annotation* item = layer->ItemAtEntry(entry);
                wang::MarkToWrite out;
                if (!item || !MarkOf(*item, out.mark))
                    continue;
                // Coordinates written without a view would all be 0.
                if (!viewUsable || !item->ConvertPendingGeometry())
                    return 0;
                out.mark.bounds = mapping_->LayerToImage(item->Bounds());
                if (out.mark.has_points) {
                    // Points in image pixels relative to the bounds; an item
                    // without points leaves no trace.
                    if (item->Points().empty())
                        continue;
                    for (const POINT& point : item->Points())
                        out.mark.points.push_back(mapping_->LayerToImage(point));
                    out.mark.bounds = PointExtent(out.mark.points, item->MapNumber(QMK_PenWidth));
                    for (POINT& pixel : out.mark.points) {
                        pixel.x -= out.mark.bounds.left;
                        pixel.y -= out.mark.bounds.top;
                    }
                    out.mark.max_points = static_cast<uint32_t>(out.mark.points.size());
                }
                out.mark.time = item->CreationSeconds();
                if (out.mark.has_text) {
                    out.mark.creation_scale = CreationScale();
                    out.mark.font.lfHeight = SizeAtScale(out.mark.font.lfHeight, out.mark.creation_scale);
                }
                if (out.mark.type == wang::kImageEmbedded) {
                    out.mark.resolution[0] = static_cast<int32_t>(mapping_->ResolutionX());
                    out.mark.resolution[1] = static_cast<int32_t>(mapping_->ResolutionY());
                }
                out.index = nextIndex++;
                written.marks.push_back(out);
            }
            layers.push_back(written);
        }

        std::vector<uint8_t> data;
        if (!wang::WriteData(layers, unicode ? wang::Form::kUnicode : wang::Form::kAnsi,
                             preserveLayers != 0, nextIndex, data) ||
            data.empty() || data.size() > static_cast<size_t>(INT_MAX))
            return 0;
        void* memory = CoTaskMemAlloc(data.size());
        if (!memory)
            return 0;
        std::memcpy(memory, data.data(), data.size());
        *block = memory;
        return static_cast<int>(data.size());
    } catch (...) {
        return 0;
    }
}

// The creation scale of a text mark: 1000, or with font scaling on the
// image's vertical resolution relative to 72 dots per inch.
uint32_t EngineObject::CreationScale() const
{
    const int resolution = static_cast<int>(mapping_->ResolutionY());
    if (!unitNames_ || !unitNames_->FontScaling() || resolution == 0 || resolution == 72)
        return wang::text::kDefaultCreationScale;
    return static_cast<uint32_t>(72000.0 / mapping_->ResolutionY() + 0.5);
}

int __stdcall EngineObject::SaveWangAnnotationsUnicode(void** block, unsigned char preserveLayers)
{
    return SaveWang(block, preserveLayers, true);
}

int __stdcall EngineObject::SaveWangAnnotations(void** block, unsigned char preserveLayers)
{
    return SaveWang(block, preserveLayers, false);
}
