// Text items: laying the text out in lines, placing the caret, finding the
// character under a point, and drawing. Positions are worked out in
// displayed pixels relative to the box; the widths come from the font cache.
#include <algorithm>
#include <cstdlib>

#include "engine_resources.h"
#include "objects/text_annotation.h"
#include "objects/text_edit_window.h"
#include "ui/cursor_table.h"
#include "ui/helper_window.h"
#include "view/unit_names.h"
#include "view/view_mapping.h"

namespace {

constexpr int kFull = Annotation::kLayerUnitsFull;
constexpr wchar_t kCR = 13;
constexpr wchar_t kLF = 10;

// The arrow cursors of the four orientations, 0 to 2700.
constexpr int kArrowCursorBase = 115;

int ToPixelsAlong(int units, int scaled) { return MulDiv(units, scaled, kFull); }
int ToUnitsAlong(int pixels, int scaled) { return scaled > 0 ? MulDiv(pixels, kFull, scaled) : 0; }

// Breaks the text into lines no wider than `available`, at a break character
// where one came before the overflow, and calls next(count, width, resume)
// for each line, the last included. A line feed alone ends a line only when
// lineFeedEnds; a break character where a line is broken belongs to that
// line when breakJoinsLine, else to no line. False when not even one unit fits.
template <typename Next>
bool BreakIntoLines(const wchar_t* t, int length, const FontEntry& metrics, int available,
                    bool lineFeedEnds, bool breakJoinsLine, Next next)
{
    int first = 0;
    auto end = [&](int count, int width, int resume) {
        next(count, width, resume);
        first = resume;
    };
    int width = 0;
    int breakAt = -1;
    int widthAtBreak = 0;
    int i = 0;
    while (i < length) {
        const wchar_t c = t[i];
        if (c == kCR || (lineFeedEnds && c == kLF)) {
            const int skip = i + 1 < length && t[i + 1] == kLF ? 2 : 1;
            end(i - first, width, i + skip);
            i += skip;
            width = 0;
            breakAt = -1;
            continue;
        }
        const int advance = metrics.Width(c);
        if (width + advance > available) {
            if (i == first) return false;
            if (breakAt >= 0) {
                end(breakAt - first + (breakJoinsLine ? 1 : 0), widthAtBreak, breakAt + 1);
                i = breakAt + 1;
            } else {
                end(i - first, width, i);
            }
            width = 0;
            breakAt = -1;
            continue;
        }
        if (Annotation::IsBreakChar(c)) {
            breakAt = i;
            widthAtBreak = width;
        }
        width += advance;
        ++i;
    }
    end(length - first, width, length);
    return true;
}

} // namespace

FontEntry* TextAnnotation::Metrics() {
    ViewMapping* mapping = Mapping();
    if (!mapping) return nullptr;
    RegisterFont();
    if (!fontUse_.Registered()) return nullptr;
    mapping->EnsureFresh();
    FontEntry* entry = fontUse_.Get(mapping->ScaleX(), mapping->ScaleY(), mapping->ResolutionY(),
                                    buffer_.Chars(), buffer_.Length());
    return entry && entry->font ? entry : nullptr;
}

int TextAnnotation::ViewPenWidth() const {
    const int pen = MapNumber(QMK_PenWidth);
    ViewMapping* mapping = Mapping();
    if (pen <= 0 || !mapping || !mapping->Zoomed()) return std::max(pen, 0);
    return static_cast<int>(pen * mapping->ScaleX() + 0.5);
}

int TextAnnotation::Margin() const {
    return MapNumber(QMK_PenWidth) != 0 ? ViewPenWidth() + 1 : 0;
}

SIZE TextAnnotation::BoxSize() const {
    ViewMapping* mapping = Mapping();
    if (!mapping) return SIZE{0, 0};
    const RECT& b = Bounds();
    return SIZE{ToPixelsAlong(b.right - b.left, mapping->ScaledWidth()),
                ToPixelsAlong(b.bottom - b.top, mapping->ScaledHeight())};
}

int TextAnnotation::Advance(const FontEntry& metrics, int first, int count) const {
    const wchar_t* chars = buffer_.Chars();
    int sum = 0;
    for (int i = first; i < first + count && i < buffer_.Length(); ++i) sum += metrics.Width(chars[i]);
    return sum;
}

const std::vector<TextAnnotation::Line>& TextAnnotation::Lines() {
    ViewMapping* mapping = Mapping();
    if (mapping && (!layoutValid_ || layoutWidth_ != mapping->ScaledWidth() ||
                    layoutHeight_ != mapping->ScaledHeight()))
        Layout();
    return lines_;
}

void TextAnnotation::Layout() {
    lines_.clear();
    layoutValid_ = false;
    CommitText();
    ViewMapping* mapping = Mapping();
    if (!mapping || !ConvertPendingGeometry()) return;
    if (buffer_.Length() == 0) {
        layoutValid_ = true;
        return;
    }
    FontEntry* metrics = Metrics();
    if (!metrics) return;
    layoutWidth_ = mapping->ScaledWidth();
    layoutHeight_ = mapping->ScaledHeight();
    const int margin = Margin();
    if (!IsCommitted())
        GrowingLayout(*metrics, margin);
    else if (orientation_ == 1800)
        UpsideDownLayout(*metrics, margin);
    else
        WrappedLayout(*metrics, margin);
    if (!lines_.empty()) lines_.back().lastWidth = lines_.back().width;
}

void TextAnnotation::GrowingLayout(const FontEntry& metrics, int margin) {
    const wchar_t* t = buffer_.Chars();
    const int length = buffer_.Length();
    const int pen = ViewPenWidth();
    const int step = metrics.height + metrics.externalLeading;
    Line line;
    line.x = line.y = margin;
    line.height = metrics.height;
    line.ascent = metrics.ascent;
    line.width = metrics.overhang + 2 * pen;
    int widest = 0;
    for (int i = 0; i < length; ++i) {
        if (t[i] == kCR) {
            line.count = i - line.first;
            lines_.push_back(line);
            widest = std::max(widest, line.width);
            if (i + 1 < length && t[i + 1] == kLF) ++i;
            line.first = i + 1;
            line.y += step;
            line.width = metrics.overhang + 2 * pen;
            continue;
        }
        if (t[i] != kLF) line.width += metrics.Width(t[i]);
    }
    line.count = length - line.first;
    lines_.push_back(line);
    widest = std::max(widest, line.width);
    layoutValid_ = true;

    // The box follows the text.
    ViewMapping& mapping = *Mapping();
    const RECT& b = Bounds();
    const RECT grown = {b.left, b.top,
                        b.left + ToUnitsAlong(widest + pen, mapping.ScaledWidth()),
                        b.top + ToUnitsAlong(line.y + line.height + pen, mapping.ScaledHeight())};
    if (!EqualRect(&grown, &b)) {
        bool changed = false;
        ShapeAnnotation::SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&grown), changed);
        layoutValid_ = true;
    }
}

void TextAnnotation::WrappedLayout(const FontEntry& metrics, int margin) {
    if (orientation_ != 0 && !metrics.outlineMetrics) {
        layoutValid_ = true;  // rotated text needs outline metrics: nothing to lay out
        return;
    }
    const SIZE box = BoxSize();
    const wchar_t* t = buffer_.Chars();
    const int length = buffer_.Length();
    const int step = metrics.height + metrics.externalLeading;
    const int available = (orientation_ == 0 ? box.cx : box.cy) - 2 * margin + 1;
    Line line;
    line.height = metrics.height;
    line.ascent = metrics.ascent;
    int dx = 0, dy = 0;
    switch (orientation_) {
    case 900:
        line.x = margin;
        line.y = box.cy - 3 * margin + 1;
        dx = step;
        break;
    case 2700:
        line.x = box.cx - 3 * margin + 1;
        line.y = margin;
        dx = -step;
        break;
    default:
        line.x = line.y = margin;
        dy = step;
        break;
    }
    auto next = [&](int count, int width, int resume) {
        line.count = count;
        line.width = width;
        lines_.push_back(line);
        line.first = resume;
        line.x += dx;
        line.y += dy;
    };
    if (!BreakIntoLines(t, length, metrics, available, true, false, next))
        return;  // not even one unit fits: no layout
    layoutValid_ = true;
}

void TextAnnotation::UpsideDownLayout(const FontEntry& metrics, int margin) {
    if (!metrics.outlineMetrics) {
        layoutValid_ = true;
        return;
    }
    const SIZE box = BoxSize();
    const wchar_t* t = buffer_.Chars();
    const int length = buffer_.Length();
    const int step = metrics.height + metrics.externalLeading;
    const int available = std::abs(box.cx + 1 - 4 * margin);
    Line line;
    line.height = metrics.height;
    line.ascent = metrics.ascent;
    line.x = box.cx - 3 * margin + 1;
    line.y = box.cy - 3 * margin + 1;
    auto next = [&](int count, int width, int resume) {
        line.count = count;
        line.width = width;
        lines_.push_back(line);
        line.first = resume;
        line.y -= step;
    };
    if (!BreakIntoLines(t, length, metrics, available, false, true, next))
        return;
    layoutValid_ = true;
}

// ---- the caret -----------------------------------------------------------------------------

int TextAnnotation::LineStartX(const Line& line, int boxWidth) const {
    switch (MapNumber(QMK_TextJustification, QMK_LeftJustify)) {
    case QMK_RightJustify: return boxWidth - line.width - line.x;
    case QMK_CenterJustify: return line.x + (boxWidth - 2 * line.x - line.width) / 2;
    default: return line.x;
    }
}

int TextAnnotation::LineOfIndex(int index) const {
    const int count = static_cast<int>(lines_.size());
    if (count == 0) return -1;
    if (endLine_ >= 0 && endLine_ < count &&
        index == lines_[endLine_].first + lines_[endLine_].count)
        return endLine_;
    for (int i = 0; i < count; ++i) {
        const Line& line = lines_[i];
        const int end = line.first + line.count;
        if (index >= line.first && index < end) return i;
        // An index past the line's own units (at a dropped break character
        // or a line end) stays with it unless the next line starts there.
        const bool nextStartsHere = i + 1 < count && lines_[i + 1].first <= index;
        if (index >= end && !nextStartsHere) return i;
    }
    return count - 1;
}

void TextAnnotation::HideCaret() {
    if (caretShown_ && caretWindow_) ::HideCaret(caretWindow_);
    caretShown_ = false;
    if (caretMade_ && !editing_) {
        DestroyCaret();
        caretMade_ = false;
    }
}

void TextAnnotation::PlaceCaret() {
    if (!caretWindow_ || !keyInput_) return;
    ViewMapping* mapping = Mapping();
    FontEntry* metrics = Metrics();
    if (!mapping || !metrics) return;
    Lines();
    const RECT box = mapping->LayerToWindow(Bounds());
    const SIZE size = BoxSize();
    POINT at = {};
    const int margin = Margin();
    if (lines_.empty()) {
        at = {box.left + margin, box.top + margin};
    } else {
        const int caret = buffer_.Caret();
        const int index = caret >= buffer_.Length() ? static_cast<int>(lines_.size()) - 1 : LineOfIndex(caret);
        const Line& line = lines_[std::max(index, 0)];
        const int within = std::min(std::max(caret - line.first, 0), line.count);
        at = {box.left + LineStartX(line, size.cx) + Advance(*metrics, line.first, within),
              box.top + line.y};
    }
    if (!caretMade_) {
        CreateCaret(caretWindow_, nullptr, 2, metrics->ascent);
        caretMade_ = true;
        caretShown_ = false;
    }
    SetCaretPos(at.x, at.y);
    caretPoint_ = at;
    const POINT top = ToPixels(mapping->WindowToLayer(at));
    const POINT bottom = ToPixels(mapping->WindowToLayer(POINT{at.x, at.y + metrics->ascent}));
    const bool inside = ContainsPoint(top) && ContainsPoint(bottom);
    if (inside && !caretShown_) {
        ShowCaret(caretWindow_);
        caretShown_ = true;
    } else if (!inside && caretShown_) {
        ::HideCaret(caretWindow_);
        caretShown_ = false;
    }
}

int TextAnnotation::IndexAtPoint(int x, int y) {
    ViewMapping* mapping = Mapping();
    FontEntry* metrics = Metrics();
    if (!mapping || !metrics) return buffer_.Caret();
    Lines();
    const RECT& b = Bounds();
    const int px = ToPixelsAlong(x - b.left, mapping->ScaledWidth());
    const int py = ToPixelsAlong(y - b.top, mapping->ScaledHeight());
    const SIZE size = BoxSize();
    const int count = static_cast<int>(lines_.size());
    // Before the first paint every line counts as drawn.
    const int last = lastDrawnLine_ < 0 ? count - 1 : std::min(lastDrawnLine_, count - 1);
    const wchar_t* chars = buffer_.Chars();
    for (int i = 0; i <= last; ++i) {
        const Line& line = lines_[i];
        if (py < line.y || py >= line.y + line.height) continue;
        int start = LineStartX(line, size.cx);
        for (int k = 0; k < line.count; ++k) {
            const int advance = metrics->Width(chars[line.first + k]);
            if (px >= start && px <= start + advance) return line.first + k;
            start += advance;
        }
        return line.first + line.count;
    }
    return buffer_.Length();
}

// ---- drawing ---------------------------------------------------------------------------------

POINT TextAnnotation::DrawPoint(const Line& line, SIZE box) const {
    const int x = line.x, y = line.y, w = line.width, W = box.cx, H = box.cy;
    const int justification = MapNumber(QMK_TextJustification, QMK_LeftJustify);
    const bool right = justification == QMK_RightJustify;
    const bool centre = justification == QMK_CenterJustify;
    switch (orientation_) {
    case 900:
        if (right) return {x, H - y + w};
        if (centre) return {x, H - (H - w) / 2};
        return {x, y};
    case 1800:
        if (right) return {W - x + w, y};
        if (centre) return {x - (W - w) / 2, y};
        return {x, y};
    case 2700:
        if (right) return {x, H - w - y};
        if (centre) return {x, (H - w) / 2};
        return {x, y};
    default:
        if (right) return {W - w - x, y};
        if (centre) return {x + (std::max(W - 2 * x, w) - w) / 2, y};
        return {x, y};
    }
}

void TextAnnotation::DrawSelection(HDC dc, const FontEntry& metrics, const Line& line, POINT at) const {
    const int first = std::max(selStart_, line.first);
    const int last = std::min(selEnd_, line.first + line.count - 1);
    if (selStart_ < 0 || first > last) return;
    const int a0 = Advance(metrics, line.first, first - line.first);
    const int a1 = Advance(metrics, line.first, last + 1 - line.first);
    const int h = line.height;
    RECT r;
    switch (orientation_) {
    case 900: r = {at.x, at.y - a1, at.x + h, at.y - a0}; break;
    case 1800: r = {at.x - a1, at.y - h, at.x - a0, at.y}; break;
    case 2700: r = {at.x - h, at.y + a0, at.x, at.y + a1}; break;
    default: r = {at.x + a0, at.y, at.x + a1, at.y + h}; break;
    }
    const int rop = SetROP2(dc, R2_MERGEPENNOT);
    HGDIOBJ brush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
    HGDIOBJ pen = SelectObject(dc, GetStockObject(NULL_PEN));
    // A null pen leaves the right and bottom edges out.
    Rectangle(dc, r.left, r.top, r.right + 1, r.bottom + 1);
    SelectObject(dc, pen);
    SelectObject(dc, brush);
    SetROP2(dc, rop);
}

void TextAnnotation::DrawArrow(HDC dc) {
    const int index = orientation_ / 900;
    // The library's cursor, shared with every other text item.
    HCURSOR cursor = LibraryCursor(HelperWindow::Module(), kArrowCursorBase + index);
    if (!cursor) return;
    ICONINFO info = {};
    if (!GetIconInfo(cursor, &info)) return;
    const RECT box = Mapping()->LayerToWindow(Bounds());
    const int pen = ViewPenWidth();
    const int right = box.right - pen;
    const int bottom = box.bottom - pen;
    POINT at;
    switch (orientation_) {
    case 900: at = {right - static_cast<int>(info.xHotspot), box.top}; break;
    case 1800: at = {box.left, box.top}; break;
    case 2700: at = {box.left, bottom - static_cast<int>(info.yHotspot)}; break;
    default:
        at = {right - static_cast<int>(info.xHotspot), bottom - static_cast<int>(info.yHotspot)};
        break;
    }
    DrawIcon(dc, at.x, at.y, cursor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
}

int TextAnnotation::Draw(HDC dc, const PaintArguments& args) {
    const bool caretWasShown = caretShown_;
    if (caretShown_ && caretWindow_) ::HideCaret(caretWindow_);
    caretShown_ = false;
    ViewMapping* mapping = Mapping();
    if (!mapping) return -1;
    ConvertPendingGeometry();
    int result = -1;
    if (IsCommitted() || buffer_.Length() > 0) {
        ShapeAnnotation::Draw(dc, args);
        result = 1;
    }
    overflowed_ = false;
    FontEntry* metrics = buffer_.Length() > 0 ? Metrics() : nullptr;
    if (metrics) {
        if (!layoutValid_ || layoutWidth_ != mapping->ScaledWidth() ||
            layoutHeight_ != mapping->ScaledHeight()) {
            if (editor_ && editor_->IsOpen() && IsCommitted()) editor_->ReadText(*this);
            Layout();
            metrics = Metrics();
        }
    }
    if (metrics && layoutValid_ && !lines_.empty()) {
        const RECT box = mapping->LayerToWindow(Bounds());
        const SIZE size = BoxSize();
        const int margin = Margin();
        const int saved = SaveDC(dc);
        SetBkMode(dc, TRANSPARENT);
        IntersectClipRect(dc, box.left + margin, box.top + margin, box.right - margin,
                          box.bottom - margin);
        SelectObject(dc, metrics->font);
        SetTextAlign(dc, TA_TOP | TA_LEFT);
        SetTextColor(dc, static_cast<COLORREF>(MapNumber(QMK_TextColor)));
        const bool across = orientation_ == 900 || orientation_ == 2700;
        const int extent = (across ? size.cx : size.cy) - 2 * margin;
        double share = 0.5;
        if (orientation_ == 1800) share = 0.8;
        if (orientation_ == 2700) share = 0.5714285714285714;
        const Line& firstLine = lines_.front();
        for (size_t i = 0; i < lines_.size(); ++i) {
            const Line& line = lines_[i];
            const int offset = across ? std::abs(line.x - firstLine.x) : std::abs(line.y - firstLine.y);
            if (offset > extent) {
                overflowed_ = true;  // lines are left over: the text does not fit
                break;
            }
            if (offset >= extent - share * line.height) overflowed_ = true;
            const POINT at = DrawPoint(line, size);
            const POINT where = {box.left + at.x, box.top + at.y};
            TextOutW(dc, where.x, where.y, buffer_.Chars() + line.first, line.count);
            DrawSelection(dc, *metrics, line, where);
            lastDrawnLine_ = static_cast<int>(i);
        }
        RestoreDC(dc, saved);
        UnitNames* settings = Settings();
        if (overflowed_ && settings && settings->textToolArrows) DrawArrow(dc);
        result = 1;
    }
    if (caretWasShown && caretWindow_) {
        ShowCaret(caretWindow_);
        caretShown_ = true;
    }
    return result;
}
