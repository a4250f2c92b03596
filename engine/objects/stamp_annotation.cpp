#include "objects/stamp_annotation.h"

#include <algorithm>
#include <cstring>

#include "formats/byte_stream.h"
#include "view/view_mapping.h"

namespace {

constexpr int kUnlimited = 0x3FFFFFFF;

} // namespace

StampAnnotation::StampAnnotation(const AttributeMap& toolAttributes)
{
    TakeToolAttributes(StampTool, toolAttributes);
    orientation_ = MapNumber(QMK_TextOrientation);
    if (!TurnedFont::IsQuarterTurn(orientation_))
        orientation_ = 0;
    const LOGFONTA font = TurnedFont::Turned(Font(), orientation_);
    bool changed = false;
    ShapeAnnotation::SetAttribute(QMK_Logfont, reinterpret_cast<EngineValue>(&font), changed);
}

StampAnnotation::~StampAnnotation() = default;

std::wstring StampAnnotation::Text() const { return TurnedFont::TextOf(*this); }

LOGFONTA StampAnnotation::Font() const { return TurnedFont::FontOf(*this); }

RECT StampAnnotation::DeviceRect() const
{
    return Mapping()->LayerToWindow(Bounds());
}

// ---- the mouse -----------------------------------------------------------------------

int StampAnnotation::HandleMouse(HWND window, UINT message, WPARAM keys, int x, int y,
                                 int* eventCode)
{
    if (eventCode)
        *eventCode = 0;
    switch (message) {
    case WM_SETCURSOR:
        return 0;
    case WM_MOUSEMOVE:
        ShapeAnnotation::HandleMouse(window, message, keys, x, y, eventCode);
        if (!tracking_ || DragHandle() == -1) {
            if (!IsCommitted() && Owner())
                Owner()->SetItemCursor(StampTool, Cursor_Creating);
        } else {
            InvalidateLayout();
        }
        return -1;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        return ShapeAnnotation::HandleMouse(window, message, keys, x, y, eventCode);
    default:
        return -1;
    }
}

void StampAnnotation::BeginTrack(HWND window, int x, int y)
{
    if (IsCommitted()) {
        ShapeAnnotation::BeginTrack(window, x, y);
        return;
    }
    AnnotationOwner* owner = Owner();
    if (!owner || !Mapping() || !font_.HasCache(*this))
        return;
    // The host may set the text now, and may change anything else too.
    if (!owner->Stamping(*this))
        return;
    if (Text().empty())
        return;
    SetBounds(RECT{x, y, x, y});
    if (!Layout(true))
        return;
    sizePending_ = false;
    InvalidateRect(Bounds());
    owner->ItemCompleted(*this, true, true);
}

// ---- layout --------------------------------------------------------------------------

bool StampAnnotation::Layout(bool sizing)
{
    lines_.clear();
    layoutValid_ = false;
    const std::wstring text = Text();
    if (text.empty() || !Mapping() || !ConvertPendingGeometry())
        return false;
    const FontEntry* font = font_.Get(*this, Font(), text.data(), static_cast<int>(text.size()));
    if (!font)
        return false;
    if (orientation_ != 0 && !font->outlineMetrics)
        return false;

    const RECT device = DeviceRect();
    const int pen = std::max(0, Primitives().DevicePenWidth(MapNumber(QMK_PenWidth)));
    // The text keeps a pixel off a drawn border.
    const int margin = pen > 0 ? pen + 1 : 0;
    const bool vertical = orientation_ == 900 || orientation_ == 2700;
    const int boxRun = vertical ? device.bottom - device.top : device.right - device.left;
    const int available = sizing ? kUnlimited : boxRun - 2 * margin;
    const int step = font->height + font->externalLeading;

    // Lines along the run, as (first, count, width).
    struct Run {
        int first, count, width;
    };
    std::vector<Run> runs;
    const int n = static_cast<int>(text.size());
    int lineStart = 0, width = 0, lastBreak = -1, i = 0;
    auto endLine = [&](int end, int next) {
        int w = 0;
        for (int k = lineStart; k < end; ++k)
            w += font->Width(text[k]);
        runs.push_back(Run{lineStart, end - lineStart, w});
        lineStart = i = next;
        width = 0;
        lastBreak = -1;
    };
    while (i < n) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            endLine(i, i + (c == L'\r' && i + 1 < n && text[i + 1] == L'\n' ? 2 : 1));
            continue;
        }
        const int w = font->Width(c);
        if (width + w > available) {
            if (i == lineStart)
                return false;  // not even one character fits
            if (IsBreakChar(c))
                endLine(i, i + 1);  // the break falls on the overflowing character
            else if (lastBreak > lineStart)
                endLine(lastBreak, lastBreak + 1);
            else
                endLine(i, i);
            continue;
        }
        if (IsBreakChar(c) && i > lineStart)
            lastBreak = i;
        width += w;
        ++i;
    }
    endLine(n, n);

    int widest = 0;
    for (const Run& run : runs)
        widest = std::max(widest, run.width);
    int boxWidth = device.right - device.left;
    int boxHeight = device.bottom - device.top;
    if (sizing) {
        int run = widest + 2 * margin;
        int advance = 2 * margin + (static_cast<int>(runs.size()) - 1) * step + font->height;
        if (font->italic)
            run += font->overhang ? font->overhang : font->italicOverhang;
        boxWidth = vertical ? advance : run;
        boxHeight = vertical ? run : advance;
        ViewMapping& mapping = *Mapping();
        const POINT corner = mapping.WindowToLayer(POINT{device.left, device.top});
        const POINT farCorner = mapping.WindowToLayer(POINT{device.left + boxWidth, device.top + boxHeight});
        RECT rect = Bounds();
        rect.right = rect.left + (farCorner.x - corner.x);
        rect.bottom = rect.top + (farCorner.y - corner.y);
        bool changed = false;
        ShapeAnnotation::SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&rect), changed);
    }

    // The first line's reference point by orientation, and the way further
    // lines advance.
    POINT start = {margin, margin};
    POINT advance = {0, step};
    switch (orientation_) {
    case 900:
        start = {margin, boxHeight - margin};
        advance = {step, 0};
        break;
    case 1800:
        start = {boxWidth - margin, boxHeight - margin};
        advance = {0, -step};
        break;
    case 2700:
        start = {boxWidth - margin, margin};
        advance = {-step, 0};
        break;
    default: break;
    }
    for (size_t k = 0; k < runs.size(); ++k) {
        const int offset = static_cast<int>(k);
        lines_.push_back(Line{start.x + advance.x * offset, start.y + advance.y * offset, font->height,
                              font->ascent, runs[k].first, runs[k].count});
    }
    const RECT now = DeviceRect();
    laidOutFor_ = {now.right - now.left, now.bottom - now.top};
    layoutValid_ = true;
    return true;
}

// ---- drawing -------------------------------------------------------------------------

int StampAnnotation::Draw(HDC dc, const PaintArguments& args)
{
    if (!Mapping())
        return -1;
    const std::wstring text = Text();
    if (sizePending_ && !text.empty() && IsCommitted() && MapNumber(QMK_AutoSize) == 1 &&
        Layout(true))
        sizePending_ = false;
    const int drawn = ShapeAnnotation::Draw(dc, args);
    if (text.empty() || !IsCommitted())
        return drawn;
    const RECT device = DeviceRect();
    if (!layoutValid_ || laidOutFor_.cx != device.right - device.left ||
        laidOutFor_.cy != device.bottom - device.top)
        Layout(false);
    if (!layoutValid_)
        return drawn;
    const FontEntry* font = font_.Get(*this, Font(), text.data(), static_cast<int>(text.size()));
    if (!font)
        return drawn;

    const int pen = std::max(0, Primitives().DevicePenWidth(MapNumber(QMK_PenWidth)));
    const bool vertical = orientation_ == 900 || orientation_ == 2700;
    const int reach = (vertical ? device.right - device.left : device.bottom - device.top) - 2 * pen;
    const int saved = SaveDC(dc);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(MapNumber(QMK_TextColor)));
    SelectObject(dc, font->font);
    SetTextAlign(dc, TA_TOP | TA_LEFT);
    IntersectClipRect(dc, device.left + pen, device.top + pen, device.right - pen,
                      device.bottom - pen);
    const Line& first = lines_.front();
    for (const Line& line : lines_) {
        const int along = vertical ? line.x - first.x : line.y - first.y;
        if ((along < 0 ? -along : along) > reach)
            break;
        TextOutW(dc, device.left + line.x, device.top + line.y, text.data() + line.first, line.count);
    }
    RestoreDC(dc, saved);
    return 1;
}

// ---- geometry --------------------------------------------------------------------------

void StampAnnotation::ViewChanged(int, int) { InvalidateLayout(); }

void StampAnnotation::ScaleInto(double ratioX, double ratioY, const RECT& from, const RECT& to,
                                int handle, bool commit)
{
    InvalidateLayout();
    ShapeAnnotation::ScaleInto(ratioX, ratioY, from, to, handle, commit);
}

void StampAnnotation::GrowBy(int dx, int dy)
{
    if (dx != 0 || dy != 0)
        InvalidateLayout();
    ShapeAnnotation::GrowBy(dx, dy);
}

void StampAnnotation::ApplyTurn(int before, int after)
{
    if (after == before)
        return;
    bool changed = false;
    SetAttribute(QMK_TextOrientation, after, changed);
}

void StampAnnotation::MirrorInImage()
{
    ShapeAnnotation::MirrorInImage();
    ApplyTurn(orientation_, orientation_ == 1800 ? 0 : orientation_);
}

void StampAnnotation::FlipInImage()
{
    ShapeAnnotation::FlipInImage();
    ApplyTurn(orientation_, (orientation_ + 1800) % 3600);
}

void StampAnnotation::RotateInImage(int angle)
{
    ShapeAnnotation::RotateInImage(angle);
    ApplyTurn(orientation_, RotateOrientation(orientation_, angle));
}

HANDLE StampAnnotation::GetCachedHandle()
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(orientation_));
}

void StampAnnotation::Attach()
{
    ShapeAnnotation::Attach();
    font_.Register(*this, Font());
}

// ---- attributes ------------------------------------------------------------------------

int StampAnnotation::SetAttribute(int code, EngineValue value, bool& changed)
{
    changed = false;
    switch (code) {
    case QMK_PenWidth:
        InvalidateLayout();
        return ShapeAnnotation::SetAttribute(code, value, changed);
    case QMK_Text: {
        const int result = ShapeAnnotation::SetAttribute(code, value, changed);
        if (result != QMK_NoError)
            return result;
        changed = true;
        InvalidateLayout();
        if (MapNumber(QMK_AutoSize) != 0)
            sizePending_ = true;
        if (IsAttached())
            InvalidateRect(Bounds());
        return QMK_NoError;
    }
    case QMK_Logfont: {
        if (!value)
            return QMK_NoError;
        LOGFONTA font;
        std::memcpy(&font, reinterpret_cast<const void*>(value), sizeof(font));
        font = TurnedFont::Turned(font, orientation_);
        const int result =
            ShapeAnnotation::SetAttribute(code, reinterpret_cast<EngineValue>(&font), changed);
        if (result != QMK_NoError)
            return result;
        font_.Register(*this, Font());
        InvalidateLayout();
        sizePending_ = true;
        changed = true;
        if (IsAttached())
            InvalidateRect(Bounds());
        return QMK_NoError;
    }
    case QMK_TextOrientation:
        if (!TurnedFont::IsQuarterTurn(static_cast<int>(value)))
            return QMK_NoError;
        if (static_cast<int>(value) != orientation_) {
            orientation_ = static_cast<int>(value);
            const LOGFONTA font = TurnedFont::Turned(Font(), orientation_);
            bool fontChanged = false;
            ShapeAnnotation::SetAttribute(QMK_Logfont, reinterpret_cast<EngineValue>(&font), fontChanged);
            font_.Register(*this, Font());
            InvalidateLayout();
        }
        if (HasAttribute(QMK_TextOrientation))
            ShapeAnnotation::SetAttribute(code, value, changed);
        changed = true;
        return QMK_NoError;
    default:
        return ShapeAnnotation::SetAttribute(code, value, changed);
    }
}

bool StampAnnotation::WriteAttributeRecord(ByteWriter& stream, int code)
{
    if (code != QMK_Text)
        return ShapeAnnotation::WriteAttributeRecord(stream, code);
    // The stamp writes its text even when it is empty.
    const std::wstring text = Text();
    return stream.WriteUInt32(static_cast<uint32_t>(code)) && stream.WriteString(text.data(), text.size());
}
