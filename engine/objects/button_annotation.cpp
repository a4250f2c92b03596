#include "objects/button_annotation.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "formats/ansi_text.h"
#include "view/paint_tools.h"
#include "view/view_mapping.h"

namespace {

constexpr UINT kCaptionFormat =
    DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX;

// The sum of the caption's advances in a font.
int CaptionAdvance(const FontEntry& font, const std::wstring& caption)
{
    int advance = 0;
    for (wchar_t c : caption)
        advance += font.Width(c);
    return advance;
}

} // namespace

SIZE ButtonAnnotation::TurnedCaptionSize(const FontEntry& font, const std::wstring& caption) const
{
    const int advance = CaptionAdvance(font, caption);
    if (orientation_ == 900 || orientation_ == 2700)
        return SIZE{font.height, advance};
    return SIZE{advance, font.height};
}

ButtonAnnotation::ButtonAnnotation(const AttributeMap& toolAttributes)
{
    TakeToolAttributes(ButtonTool, toolAttributes);
    // The orientation is kept in the font alone.
    const int escapement = Font().lfEscapement;
    orientation_ = TurnedFont::IsQuarterTurn(escapement) ? escapement : 0;
}

ButtonAnnotation::~ButtonAnnotation()
{
    if (drawing_ && captureWindow_ && GetCapture() == captureWindow_)
        ReleaseCapture();
    DeleteTrackingTools();
}

std::wstring ButtonAnnotation::Caption() const { return TurnedFont::TextOf(*this); }

LOGFONTA ButtonAnnotation::Font() const { return TurnedFont::FontOf(*this); }

bool ButtonAnnotation::SetPressed(int pressed)
{
    if (pressed != 0 && pressed != 1)
        return false;
    pressed_ = pressed;
    return true;
}

// ---- drawing out ------------------------------------------------------------------------

void ButtonAnnotation::DeleteTrackingTools()
{
    if (trackingPen_)
        DeleteObject(trackingPen_);
    if (trackingBrush_)
        DeleteObject(trackingBrush_);
    trackingPen_ = nullptr;
    trackingBrush_ = nullptr;
}

RECT ButtonAnnotation::Shape() const
{
    if (IsCommitted())
        return Bounds();
    RECT rect = {anchor_.x, anchor_.y, corner_.x, corner_.y};
    ViewMapping::NormalizeRect(rect);
    return rect;
}

void ButtonAnnotation::BeginTrack(HWND window, int x, int y)
{
    if (IsCommitted()) {
        ShapeAnnotation::BeginTrack(window, x, y);
        return;
    }
    anchor_ = corner_ = {x, y};
    invalid_ = false;
    drawing_ = true;
    tracking_ = true;
    if (window)
        SetCapture(window);
    captureWindow_ = window;
    DeleteTrackingTools();
    if (!Mapping())
        return;
    trackingPen_ = Primitives().MakePen(MapNumber(QMK_PenWidth),
                                        static_cast<COLORREF>(MapNumber(QMK_BevelShadowColor)),
                                        PS_INSIDEFRAME);
    trackingBrush_ = CreateSolidBrush(static_cast<COLORREF>(MapNumber(QMK_BackColor)));
}

void ButtonAnnotation::TrackTo(HWND window, int x, int y)
{
    if (IsCommitted()) {
        ShapeAnnotation::TrackTo(window, x, y);
        return;
    }
    const RECT before = Shape();
    corner_ = {x, y};
    RECT both;
    const RECT after = Shape();
    UnionRect(&both, &before, &after);
    InvalidateRect(both);
}

void ButtonAnnotation::EndTracking(HWND window)
{
    tracking_ = false;
    drawing_ = false;
    HWND captured = window ? window : captureWindow_;
    if (captured && GetCapture() == captured)
        ReleaseCapture();
    captureWindow_ = nullptr;
    DeleteTrackingTools();
}

void ButtonAnnotation::EndTrack(HWND window, int x, int y)
{
    if (IsCommitted()) {
        ShapeAnnotation::EndTrack(window, x, y);
        return;
    }
    if (!tracking_)
        return;
    const RECT rect = Shape();
    const bool drawn = Owner() && Mapping() && rect.right != rect.left &&
                       rect.bottom != rect.top && Primitives().PointInWindow(window, POINT{x, y});
    EndTracking(window);
    if (!drawn) {
        invalid_ = true;
        InvalidateRect(rect);
        return;
    }
    bool changed = false;
    ShapeAnnotation::SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&rect), changed);
    Owner()->ItemCompleted(*this, true, true);
}

void ButtonAnnotation::CancelTracking(int* out)
{
    if (out)
        *out = 0;
    if (IsCommitted()) {
        ShapeAnnotation::CancelTracking(out);
        return;
    }
    if (tracking_)
        EndTrack(nullptr, -1, -1);
}

// ---- drawing --------------------------------------------------------------------------------

int ButtonAnnotation::Draw(HDC dc, const PaintArguments&)
{
    if (invalid_ || !Mapping() || (!IsCommitted() && !drawing_))
        return -1;
    ConvertPendingGeometry();
    ViewMapping& mapping = *Mapping();
    const std::wstring caption = Caption();
    const LOGFONTA key = Font();
    const FontEntry* font =
        font_.Get(*this, key, caption.data(), static_cast<int>(caption.size()));
    const int penWidth = MapNumber(QMK_PenWidth);
    const int p = std::max(0, Primitives().DevicePenWidth(penWidth));

    const int saved = SaveDC(dc);
    PaintTools ownTools;
    if (font && sizePending_ && IsCommitted() && !caption.empty() && MapNumber(QMK_AutoSize) == 1) {
        int runWidth = 0;
        int runHeight = 0;
        if (orientation_ == 0) {
            SelectObject(dc, font->font);
            const std::string ansi = ToAnsi(caption);
            RECT measured = {0, 0, 0, 0};
            DrawTextA(dc, ansi.data(), static_cast<int>(ansi.size()), &measured,
                      kCaptionFormat | DT_CALCRECT);
            runWidth = measured.right - measured.left;
            runHeight = measured.bottom - measured.top;
        } else {
            // A turned caption is sized by the measures it is drawn with: its
            // advance along the turn and the font's height across it.
            const SIZE turned = TurnedCaptionSize(*font, caption);
            runWidth = turned.cx;
            runHeight = turned.cy;
        }
        const RECT device = mapping.LayerToWindow(Bounds());
        const POINT corner = mapping.WindowToLayer(POINT{device.left, device.top});
        const POINT farCorner = mapping.WindowToLayer(
            POINT{device.left + runWidth + 2 * p, device.top + runHeight + 2 * p});
        RECT rect = Bounds();
        rect.right = rect.left + (farCorner.x - corner.x);
        rect.bottom = rect.top + (farCorner.y - corner.y);
        bool changed = false;
        ShapeAnnotation::SetAttribute(QMK_BoundingRect, reinterpret_cast<EngineValue>(&rect), changed);
        sizePending_ = false;
    }
    const RECT outer = mapping.LayerToWindow(Shape());
    RECT inner = outer;
    InflateRect(&inner, -1, -1);

    const COLORREF light = static_cast<COLORREF>(MapNumber(QMK_BevelLightColor));
    const COLORREF shadow = static_cast<COLORREF>(MapNumber(QMK_BevelShadowColor));
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    SelectObject(dc, GetStockObject(BLACK_PEN));
    if (Owner()) Owner()->DeviceToolsChanged(dc);
    Rectangle(dc, outer.left, outer.top, outer.right, outer.bottom);
    if (!IsCommitted() && trackingPen_ && trackingBrush_) {
        SelectObject(dc, trackingPen_);
        SelectObject(dc, trackingBrush_);
    } else {
        const COLORREF back = static_cast<COLORREF>(MapNumber(QMK_BackColor));
        const COLORREF edge = pressed_ ? light : shadow;
        if (Owner()) {
            Owner()->SelectBrush(dc, back, false, HatchStyle_None, 0);
            Owner()->SelectPen(dc, penWidth, edge, PS_INSIDEFRAME);
        } else {
            ownTools.Begin(dc);
            ownTools.SelectBrush(back, false, HatchStyle_None, 0);
            ownTools.SelectPen(PaintTools::DeviceWidth(Mapping(), penWidth), edge, PS_INSIDEFRAME);
        }
    }
    Rectangle(dc, inner.left, inner.top, inner.right, inner.bottom);

    // The lit (or, pressed, the shaded) top-left bevel.
    const POINT bevel[6] = {
        {inner.left, inner.bottom},      {inner.left, inner.top},
        {inner.right, inner.top},        {inner.right - p, inner.top + p},
        {inner.left + p, inner.top + p}, {inner.left + p, inner.bottom - p},
    };
    HBRUSH bevelBrush = CreateSolidBrush(pressed_ ? shadow : light);
    if (bevelBrush) {
        SelectObject(dc, bevelBrush);
        SelectObject(dc, GetStockObject(NULL_PEN));
        Polygon(dc, bevel, 6);
        SelectObject(dc, GetStockObject(NULL_BRUSH));
        DeleteObject(bevelBrush);
    }

    if (font && !caption.empty()) {
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, static_cast<COLORREF>(MapNumber(QMK_TextColor)));
        SelectObject(dc, font->font);
        const int w = outer.right - outer.left;
        const int h = outer.bottom - outer.top;
        if (orientation_ == 0) {
            RECT box = outer;
            if (pressed_) {
                box.right += 2;
                box.bottom += 2;
            }
            const std::string ansi = ToAnsi(caption);
            SetTextAlign(dc, TA_TOP | TA_LEFT);
            DrawTextA(dc, ansi.data(), static_cast<int>(ansi.size()), &box, kCaptionFormat);
        } else {
            const int t = CaptionAdvance(*font, caption);
            const int f = font->height;
            POINT at = {w / 2 + f / 2, h / 2 - t / 2};  // 2700
            if (orientation_ == 900)
                at = {w / 2 - f / 2, h / 2 + t / 2};
            else if (orientation_ == 1800)
                at = {w / 2 + t / 2, h / 2 + f / 2};
            SetTextAlign(dc, TA_TOP | TA_LEFT);
            TextOutW(dc, outer.left + at.x, outer.top + at.y, caption.data(),
                     static_cast<int>(caption.size()));
        }
    }
    RestoreDC(dc, saved);
    if (Owner()) Owner()->DeviceToolsChanged(dc);
    ownTools.End();
    if (IsCommitted() && IsSelected() && MapNumber(QMK_ShowHandles) != 0)
        mapping.DrawHandles(Bounds(), dc);
    return 1;
}

// ---- turning with the image -------------------------------------------------------------------

void ButtonAnnotation::Turn(int orientation)
{
    if (orientation == orientation_)
        return;
    orientation_ = orientation;
    const LOGFONTA font = TurnedFont::Turned(Font(), orientation_);
    bool changed = false;
    ShapeAnnotation::SetAttribute(QMK_Logfont, reinterpret_cast<EngineValue>(&font), changed);
    font_.Register(*this, Font());
}

void ButtonAnnotation::MirrorInImage()
{
    ShapeAnnotation::MirrorInImage();
    Turn(orientation_ == 1800 ? 0 : orientation_);
}

void ButtonAnnotation::FlipInImage()
{
    ShapeAnnotation::FlipInImage();
    Turn((orientation_ + 1800) % 3600);
}

void ButtonAnnotation::RotateInImage(int angle)
{
    ShapeAnnotation::RotateInImage(angle);
    Turn(RotateOrientation(orientation_, angle));
}

void ButtonAnnotation::Attach()
{
    ShapeAnnotation::Attach();
    font_.Register(*this, Font());
}

// ---- attributes ---------------------------------------------------------------------------------

int ButtonAnnotation::SetAttribute(int code, EngineValue value, bool& changed)
{
    changed = false;
    if (code == QMK_Text) {
        const int result = ShapeAnnotation::SetAttribute(code, value, changed);
        if (result != QMK_NoError)
            return result;
        changed = true;
        if (MapNumber(QMK_AutoSize) != 0)
            sizePending_ = true;
        if (IsAttached())
            InvalidateRect(Bounds());
        return QMK_NoError;
    }
    if (code == QMK_Logfont) {
        if (!value)
            return QMK_NoError;
        LOGFONTA font;
        std::memcpy(&font, reinterpret_cast<const void*>(value), sizeof(font));
        // A saved button keeps its turn in its font.
        if (!IsAttached() && TurnedFont::IsQuarterTurn(font.lfEscapement))
            orientation_ = font.lfEscapement;
        font = TurnedFont::Turned(font, orientation_);
        const int result =
            ShapeAnnotation::SetAttribute(code, reinterpret_cast<EngineValue>(&font), changed);
        if (result != QMK_NoError)
            return result;
        font_.Register(*this, Font());
        changed = true;
        if (IsAttached())
            InvalidateRect(Bounds());
        return QMK_NoError;
    }
    return ShapeAnnotation::SetAttribute(code, value, changed);
}
