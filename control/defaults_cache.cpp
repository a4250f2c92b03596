#include "defaults_cache.h"

#include "control_fonts.h"
#include "control_hold.h"

namespace quillmark {

namespace {
constexpr int kErrInvalidAttribute = 1015;
constexpr int kErrInvalidFontScaling = 1050;
constexpr int kMeasureAbbrOffset = 32;
} // namespace

const DefaultEntry kDefaults[59] = {
    {QMK_SummarySubject, 0, 51},
    {QMK_SummaryAuthor, 0, 52},
    {QMK_SummaryTitle, 0, 50},
    {QMK_SummaryComments, 0, 49},
    {QMK_DefaultPenColor, 0xFF0000, 9},
    {QMK_DefaultFillColor, 0xC0C0C0, 10},
    {QMK_DefaultTextColor, 0, 15},
    {QMK_DefaultBackColor, 0xFFFFFF, 17},
    {QMK_DefaultPenWidth, 1, 12},
    {QMK_DefaultTool, TextTool, 16},
    {QMK_DefaultStampFont, 0, 22},
    {QMK_DefaultTextFont, 0, 54},
    {QMK_DefaultButtonFont, 0, 241},
    {QMK_DefaultHighlightFill, 0, 70},
    {QMK_DefaultHighlightBack, 0, 71},
    {QMK_InteractMode, 0, 170},
    {QMK_SaveAnnotations, 1, 171},
    {QMK_UsePaletteMenu, 0, 196},
    {QMK_DefaultStampText, 0, 198},
    {QMK_DefaultButtonText, 0, 242},
    {QMK_LoadAnnotations, 1, 281},
    {QMK_FontScaling, 0, 330},
    {QMK_MLECompatible, 0, 331},
    {QMK_QMKEditors, 1, 333},
    {QMK_UnicodeMode, 0, 332},
    {QMK_TextToolArrows, 1, 334},
    {QMK_RecalibrateXDPI, -1, 335},
    {QMK_RecalibrateYDPI, -1, 336},
    // The Measurements unit codes.
    {2049, 0, 336}, {2050, 0, 337}, {2051, 0, 338}, {2052, 0, 339}, {2053, 0, 340},
    {2054, 0, 341}, {2055, 0, 342}, {2056, 0, 343}, {2057, 0, 344}, {2058, 0, 345},
    {2059, 0, 346}, {2061, 0, 347}, {2062, 0, 348},
    // Their labels (unit code + 32).
    {QMK_UnitNameInches, 0, 379}, {QMK_UnitNameFeet, 0, 380}, {QMK_UnitNameYards, 0, 381},
    {QMK_UnitNameMiles, 0, 382}, {QMK_UnitNameMicrometers, 0, 383},
    {QMK_UnitNameMillimeters, 0, 384}, {QMK_UnitNameCentimeters, 0, 385},
    {QMK_UnitNameDecimeters, 0, 386}, {QMK_UnitNameMeters, 0, 387},
    {QMK_UnitNameDekameters, 0, 388}, {QMK_UnitNameKilometers, 0, 389},
    {QMK_UnitNamePixels, 0, 390}, {QMK_UnitNameTwips, 0, 391},
    {QMK_DefaultRulerFont, 0, 400},
    {2144, 0, 410},
    {2145, 0, 411},
    {QMK_StreamSetting2128, 0, 420},
    {QMK_StreamSetting2129, 0, 421},
};

namespace {

// The strings kept control-side, in the order of DefaultsCache::strings_.
const int kStringCodes[] = {QMK_SummaryAuthor, QMK_SummaryComments, QMK_SummarySubject,
                            QMK_SummaryTitle,  QMK_DefaultStampText, QMK_DefaultButtonText};

// The four font codes, in the order of DefaultsCache::engineFonts_.
struct FontCode {
    int code;
    DefaultFont font;
};
const FontCode kFontCodes[] = {
    {QMK_DefaultStampFont, DefaultFont::Stamp},
    {QMK_DefaultTextFont, DefaultFont::Text},
    {QMK_DefaultButtonFont, DefaultFont::Button},
    {QMK_DefaultRulerFont, DefaultFont::Ruler},
};

} // namespace

static_assert(sizeof(kStringCodes) / sizeof(kStringCodes[0]) == DefaultsCache::kStringCount,
              "one control-side string per string code");
static_assert(sizeof(kFontCodes) / sizeof(kFontCodes[0]) == DefaultsCache::kFontCount,
              "one engine font block per font code");

DefaultsCache::DefaultsCache(ControlServices& services, ControlFonts& fonts) : services_(services)
{
    *StringField(QMK_DefaultStampText) = SysAllocString(L"");
    *StringField(QMK_DefaultButtonText) = SysAllocString(L"");
    for (const DefaultEntry& entry : kDefaults)
        attributes_[entry.code] = entry.value;
    for (const FontCode& font : kFontCodes)
        attributes_[font.code] = reinterpret_cast<EngineValue>(fonts.LogFont(font.font));
}

DefaultsCache::~DefaultsCache()
{
    for (BSTR text : strings_)
        SysFreeString(text);
    for (auto& attribute : attributes_)
        if (IsUnitName(attribute.first))
            SysFreeString(reinterpret_cast<BSTR>(attribute.second));
}

bool DefaultsCache::IsUnitName(int code)
{
    return code >= QMK_UnitNameInches && code <= QMK_UnitNameTwips && code != 2092;
}

BSTR* DefaultsCache::StringField(int code)
{
    for (int i = 0; i < kStringCount; ++i)
        if (kStringCodes[i] == code)
            return &strings_[i];
    return nullptr;
}

LOGFONTA* DefaultsCache::EngineFontBlock(int code)
{
    for (int i = 0; i < kFontCount; ++i)
        if (kFontCodes[i].code == code)
            return &engineFonts_[i];
    return nullptr;
}

BSTR DefaultsCache::ControlString(int code) const
{
    BSTR* field = const_cast<DefaultsCache*>(this)->StringField(code);
    return field ? *field : nullptr;
}

// A copy of a BSTR that keeps null as null; false when out of memory.
static bool CopyString(BSTR from, BSTR* to)
{
    *to = nullptr;
    if (!from)
        return true;
    *to = SysAllocStringByteLen(reinterpret_cast<const char*>(from), SysStringByteLen(from));
    return *to != nullptr;
}

HRESULT DefaultsCache::Get(int code, EngineValue* out)
{
    if (!out)
        return E_POINTER;
    const ControlHold hold(services_);
    *out = 0;
    if (AnnotationEngine* engine = services_.Engine(); engine && code != QMK_LoadAnnotations) {
        if (LOGFONTA* font = EngineFontBlock(code)) {
            // The engine writes the whole LOGFONT where it is pointed.
            const int r = engine->GetProperty(code, reinterpret_cast<EngineValue*>(font));
            if (r != 0)
                return services_.ReportError(r);
            *out = reinterpret_cast<EngineValue>(font);
            return S_OK;
        }
        EngineValue value = 0;
        const int r = engine->GetProperty(code, &value);
        if (r != 0)
            return services_.ReportError(r);
        if (code == QMK_DefaultHighlightBack || code == QMK_DefaultHighlightFill)
            value = value ? -1 : 0;
        *out = value;
        return S_OK;
    }
    if (BSTR* field = StringField(code)) {
        BSTR copy;
        if (!CopyString(*field, &copy))
            return E_OUTOFMEMORY;
        *out = reinterpret_cast<EngineValue>(copy);
        return S_OK;
    }
    auto found = attributes_.find(code);
    if (found == attributes_.end())
        return services_.ReportError(kErrInvalidAttribute);
    if (IsUnitName(code)) {
        BSTR copy;
        if (!CopyString(reinterpret_cast<BSTR>(found->second), &copy))
            return E_OUTOFMEMORY;
        *out = reinterpret_cast<EngineValue>(copy);
        return S_OK;
    }
    *out = found->second;
    return S_OK;
}

HRESULT DefaultsCache::Set(int code, EngineValue value)
{
    const ControlHold hold(services_);
    if (AnnotationEngine* engine = services_.Engine(); engine && code != QMK_LoadAnnotations) {
        const int r = engine->SetProperty(code, value);
        return r != 0 ? services_.ReportError(r) : S_OK;
    }
    if (BSTR* field = StringField(code)) {
        BSTR copy;
        if (!CopyString(reinterpret_cast<BSTR>(value), &copy))
            return E_OUTOFMEMORY;
        SysFreeString(*field);
        *field = copy;
        return S_OK;
    }
    auto found = attributes_.find(code);
    if (found == attributes_.end())
        return services_.ReportError(kErrInvalidAttribute);
    if (IsUnitName(code)) {
        BSTR copy;
        if (!CopyString(reinterpret_cast<BSTR>(value), &copy))
            return E_OUTOFMEMORY;
        SysFreeString(reinterpret_cast<BSTR>(found->second));
        found->second = reinterpret_cast<EngineValue>(copy);
    } else {
        found->second = value;
    }
    if (dispids_.empty())
        for (const DefaultEntry& entry : kDefaults)
            dispids_.emplace(entry.code, entry.dispid);
    auto dispid = dispids_.find(code);
    if (dispid != dispids_.end())
        services_.SendOnChanged(dispid->second);
    return S_OK;
}

HRESULT DefaultsCache::GetLong(int code, long* out)
{
    if (!out)
        return E_POINTER;
    EngineValue value = 0;
    HRESULT hr = Get(code, &value);
    *out = SUCCEEDED(hr) ? static_cast<long>(value) : 0;
    return hr;
}

HRESULT DefaultsCache::Put(int code, EngineValue value)
{
    // The notification may let the control go: it stays until the dirty
    // flag is set.
    const ControlHold hold(services_);
    const bool designTime = !services_.IsUserMode();
    HRESULT hr = Set(code, value);
    if (hr == S_OK && designTime)
        services_.MarkDirty();
    return hr;
}

HRESULT DefaultsCache::PutLong(int code, long value) { return Put(code, value); }

HRESULT DefaultsCache::GetBool(int code, VARIANT_BOOL* out)
{
    if (!out)
        return E_POINTER;
    EngineValue value = 0;
    HRESULT hr = Get(code, &value);
    *out = SUCCEEDED(hr) && value ? VARIANT_TRUE : VARIANT_FALSE;
    return hr;
}

HRESULT DefaultsCache::PutBool(int code, VARIANT_BOOL value)
{
    return PutLong(code, static_cast<long>(static_cast<short>(value)));
}

HRESULT DefaultsCache::GetString(int code, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    EngineValue value = 0;
    HRESULT hr = Get(code, &value);
    if (hr == S_OK)
        *out = reinterpret_cast<BSTR>(value);
    return hr;
}

HRESULT DefaultsCache::PutString(int code, BSTR value)
{
    if (value)
        return Put(code, reinterpret_cast<EngineValue>(value));
    // A null BSTR is the empty text: it clears the text there (the engine
    // would keep its old text for a null one).
    BSTR empty = SysAllocString(L"");
    if (!empty)
        return E_OUTOFMEMORY;
    const HRESULT hr = Put(code, reinterpret_cast<EngineValue>(empty));
    SysFreeString(empty);
    return hr;
}

HRESULT DefaultsCache::PutFontScaling(long value)
{
    if (value != 0 && value != 1)
        return services_.ReportError(kErrInvalidFontScaling);
    return PutLong(QMK_FontScaling, value);
}

HRESULT DefaultsCache::GetRecalibrate(int code, long* out)
{
    if (!out)
        return E_POINTER;
    EngineValue value = 0;
    HRESULT hr = Get(code, &value);
    *out = hr == S_OK ? static_cast<long>(value) : -2;
    return hr;
}

HRESULT DefaultsCache::GetMeasureAbbr(long choice, BSTR* out)
{
    return GetString(static_cast<int>(choice) + kMeasureAbbrOffset, out);
}

HRESULT DefaultsCache::SetMeasureAbbr(long choice, BSTR abbreviation)
{
    return Set(static_cast<int>(choice) + kMeasureAbbrOffset,
               reinterpret_cast<EngineValue>(abbreviation));
}

} // namespace quillmark
