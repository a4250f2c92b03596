// The ruler's measure and its label.
#include "objects/point_list_annotation.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "ui/helper_window.h"
#include "view/unit_names.h"
#include "view/view_mapping.h"

namespace {

constexpr int kFull = Annotation::kLayerUnitsFull;
constexpr int kInches = 2049;
constexpr int kPixels = 2061;
constexpr int kLabelOffset = 10;
constexpr double kDefaultResolution = 72.0;

// Inches in each unit.
struct UnitFactor {
    int unit;
    double perInch;
};
const UnitFactor kUnitFactors[] = {
    {2049, 1.0},
    {2050, 0.08333333333333333},
    {2051, 0.027777777777777776},
    {2052, 1.5782828282828283e-05},
    {2053, 25400.0000001016},
    {2054, 25.4000000001016},
    {2055, 2.5400000000101604},
    {2056, 0.254000000001016},
    {2057, 0.0254000000001016},
    {2058, 0.00254000000001016},
    {2059, 2.54000000001016e-05},
    {2062, 1440.0},
};

bool IsUnit(int unit)
{
    if (unit == kPixels) return true;
    for (const UnitFactor& factor : kUnitFactors)
        if (factor.unit == unit) return true;
    return false;
}

} // namespace

double PointListAnnotation::MeasureInUnit(double dx, double dy, double resolutionX,
                                          double resolutionY, int unit)
{
    if (unit == kPixels) return std::sqrt(dx * dx + dy * dy);
    if (!(resolutionX > 0)) resolutionX = kDefaultResolution;
    if (!(resolutionY > 0)) resolutionY = kDefaultResolution;
    const double x = dx / resolutionX;
    const double y = dy / resolutionY;
    const double inches = std::sqrt(x * x + y * y);
    for (const UnitFactor& factor : kUnitFactors)
        if (factor.unit == unit) return inches * factor.perInch;
    return inches;
}

std::wstring PointListAnnotation::FormatLabel(double value, int precision,
                                              const std::wstring& unitText)
{
    if (precision < 0) precision = 0;
    if (precision > kMaxPrecision) precision = kMaxPrecision;
    // The widest double in fixed notation has 309 digits before the point.
    char number[400];
    const int written = std::snprintf(number, sizeof(number), "%2.*f", precision, value);
    std::wstring text;
    if (written > 0)
        for (int i = 0; i < written && i < static_cast<int>(sizeof(number)) - 1; ++i)
            text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(number[i])));
    text.push_back(L' ');
    text.append(unitText, 0, kMaxUnitText);
    return text;
}

std::wstring PointListAnnotation::UnitText(int unit) const
{
    if (!IsUnit(unit)) unit = kInches;
    if (MapNumber(QMK_ShowAbbr) != 0) {
        UnitNames* settings = Owner() ? Owner()->TextSettings() : nullptr;
        BSTR label = settings ? settings->LabelOfUnit(unit) : nullptr;
        return label ? std::wstring(label, SysStringLen(label)) : std::wstring();
    }
    HINSTANCE module = HelperWindow::Module();
    wchar_t wide[128] = {};
    if (LoadStringW(module, static_cast<UINT>(unit), wide, 128) > 0) return wide;
    char narrow[128] = {};
    if (LoadStringA(module, static_cast<UINT>(unit), narrow, 128) <= 0) return std::wstring();
    int length = MultiByteToWideChar(CP_ACP, 0, narrow, -1, wide, 128);
    return length > 0 ? std::wstring(wide) : std::wstring();
}

void PointListAnnotation::DrawRulerLabel(HDC dc)
{
    ViewMapping& mapping = *Mapping();
    const POINT a = points_[0], b = points_[1];
    const double scaleX = mapping.ScaleX() > 0 ? mapping.ScaleX() : 1.0;
    const double scaleY = mapping.ScaleY() > 0 ? mapping.ScaleY() : 1.0;
    // Differences in image pixels, in doubles so that nothing overflows.
    const double width = mapping.ScaledWidth();
    const double height = mapping.ScaledHeight();
    const double exactX = (static_cast<double>(a.x) - b.x) * width / kFull / scaleX;
    const double exactY = (static_cast<double>(a.y) - b.y) * height / kFull / scaleY;
    const int unit = MapNumber(QMK_MeasureChoice, kInches);
    double value;
    if (unit == kPixels) {
        value = MeasureInUnit(exactX, exactY, 0, 0, unit);
    } else {
        double resolutionX = mapping.ResolutionX();
        double resolutionY = mapping.ResolutionY();
        UnitNames* settings = Owner() ? Owner()->TextSettings() : nullptr;
        // An override of 0 would divide by nothing: only a positive one counts.
        if (settings && settings->recalibratedXDpi > 0) resolutionX = settings->recalibratedXDpi;
        if (settings && settings->recalibratedYDpi > 0) resolutionY = settings->recalibratedYDpi;
        value = MeasureInUnit(std::trunc(exactX), std::trunc(exactY), resolutionX, resolutionY, unit);
    }
    const float stored = static_cast<float>(value);
    int32_t bits = 0;
    std::memcpy(&bits, &stored, sizeof(bits));
    bool changed = false;
    Annotation::SetAttribute(QMK_RulerLength, bits, changed);

    label_ = FormatLabel(value, MapNumber(QMK_Precision, 2), UnitText(unit));

    const COLORREF oldText = SetTextColor(dc, static_cast<COLORREF>(MapNumber(QMK_TextColor)));
    const COLORREF oldBack = SetBkColor(dc, static_cast<COLORREF>(MapNumber(QMK_BackColor)));
    const int backStyle = MapNumber(QMK_BackStyle);
    const int oldMode = SetBkMode(dc, backStyle == BackStyle_Opaque ? OPAQUE : TRANSPARENT);
    HGDIOBJ oldFont = nullptr;
    if (FontEntry* entry = font_.Get(scaleX, scaleY, mapping.ResolutionY(), label_.data(),
                                     static_cast<int>(label_.size())))
        if (entry->font) oldFont = SelectObject(dc, entry->font);
    SIZE size = {};
    GetTextExtentPoint32W(dc, label_.data(), static_cast<int>(label_.size()), &size);
    labelSize_ = size;
    const POINT end = mapping.LayerToWindow(a.x > b.x ? a : b);
    const int offset = static_cast<int>(std::lround(kLabelOffset * scaleX));
    const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    TextOutW(dc, end.x + offset, end.y + offset, label_.data(), static_cast<int>(label_.size()));
    if (oldAlign != GDI_ERROR) SetTextAlign(dc, oldAlign);
    if (oldFont) SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
}
