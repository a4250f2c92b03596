// The Quillmark members of the default attributes and the fonts: each is the
// work of the DefaultsCache or of ControlFonts.
#include "quillmark_control.h"

using quillmark::DefaultFont;

namespace {

// EngineProperty codes of the default members.
enum : int {
    kPenColor = 4097,
    kTextColor = 4098,
    kBackColor = 4099,
    kFillColor = 4100,
    kPenWidth = 4101,
    kHighlightBack = 4104,
    kHighlightFill = 4105,
    kTool = 4225,
    kAuthor = 768,
    kComments = 769,
    kSubject = 770,
    kTitle = 771,
    kStampText = 4128,
    kButtonText = 4131,
    kInteractMode = 130,
    kSaveAnnotations = 132,
    kUsePaletteMenu = 133,
    kLoadAnnotations = 134,
    kMleCompatible = 136,
    kQmkEditors = 137,
    kUnicodeMode = 138,
    kTextToolArrows = 139,
    kRecalibrateX = 140,
    kRecalibrateY = 141,
    kFontScaling = 135,
};

} // namespace

// Colours (OLE_COLOR) and plain numbers.
#define QM_DEFAULT_ULONG(name, code)                                                         \
    STDMETHODIMP QuillmarkControl::get_##name(OLE_COLOR* pVal) {                            \
        if (!pVal) return E_POINTER;                                                         \
        long value = 0;                                                                      \
        const HRESULT hr = defaults_.GetLong(code, &value);                                  \
        *pVal = static_cast<OLE_COLOR>(value);                                               \
        return hr;                                                                           \
    }                                                                                        \
    STDMETHODIMP QuillmarkControl::put_##name(OLE_COLOR newVal) {                           \
        return defaults_.PutLong(code, static_cast<long>(newVal));                           \
    }
QM_DEFAULT_ULONG(DefaultPenColor, kPenColor)
QM_DEFAULT_ULONG(DefaultFillColor, kFillColor)
QM_DEFAULT_ULONG(DefaultTextColor, kTextColor)
QM_DEFAULT_ULONG(DefaultBackColor, kBackColor)
#undef QM_DEFAULT_ULONG

// Numbers and enumerations.
#define QM_DEFAULT_LONG(name, type, code)                                                    \
    STDMETHODIMP QuillmarkControl::get_##name(type* pVal) {                                 \
        if (!pVal) return E_POINTER;                                                         \
        long value = 0;                                                                      \
        const HRESULT hr = defaults_.GetLong(code, &value);                                  \
        *pVal = static_cast<type>(value);                                                    \
        return hr;                                                                           \
    }                                                                                        \
    STDMETHODIMP QuillmarkControl::put_##name(type newVal) {                                \
        return defaults_.PutLong(code, static_cast<long>(newVal));                           \
    }
QM_DEFAULT_LONG(DefaultPenWidth, long, kPenWidth)
QM_DEFAULT_LONG(DefaultTool, annotationTOOL, kTool)
QM_DEFAULT_LONG(InteractMode, annotationMODES, kInteractMode)
#undef QM_DEFAULT_LONG

// Flags.
#define QM_DEFAULT_BOOL(name, code)                                                          \
    STDMETHODIMP QuillmarkControl::get_##name(VARIANT_BOOL* pVal) {                         \
        return defaults_.GetBool(code, pVal);                                                \
    }                                                                                        \
    STDMETHODIMP QuillmarkControl::put_##name(VARIANT_BOOL newVal) {                        \
        return defaults_.PutBool(code, newVal);                                              \
    }
QM_DEFAULT_BOOL(DefaultHighlightFill, kHighlightFill)
QM_DEFAULT_BOOL(DefaultHighlightBack, kHighlightBack)
QM_DEFAULT_BOOL(SaveAnnotations, kSaveAnnotations)
QM_DEFAULT_BOOL(UsePaletteMenu, kUsePaletteMenu)
QM_DEFAULT_BOOL(LoadAnnotations, kLoadAnnotations)
QM_DEFAULT_BOOL(MLECompatible, kMleCompatible)
QM_DEFAULT_BOOL(UnicodeMode, kUnicodeMode)
QM_DEFAULT_BOOL(QMKEditors, kQmkEditors)
QM_DEFAULT_BOOL(TextToolArrows, kTextToolArrows)
#undef QM_DEFAULT_BOOL

// Texts.
#define QM_DEFAULT_TEXT(name, code)                                                          \
    STDMETHODIMP QuillmarkControl::get_##name(BSTR* pVal) {                                 \
        return defaults_.GetString(code, pVal);                                              \
    }                                                                                        \
    STDMETHODIMP QuillmarkControl::put_##name(BSTR newVal) {                                \
        return defaults_.PutString(code, newVal);                                            \
    }
QM_DEFAULT_TEXT(Comments, kComments)
QM_DEFAULT_TEXT(Title, kTitle)
QM_DEFAULT_TEXT(Subject, kSubject)
QM_DEFAULT_TEXT(Author, kAuthor)
QM_DEFAULT_TEXT(DefaultStampText, kStampText)
QM_DEFAULT_TEXT(DefaultButtonText, kButtonText)
#undef QM_DEFAULT_TEXT

STDMETHODIMP QuillmarkControl::get_FontScaling(QMKFontScaling* pVal) {
    if (!pVal) return E_POINTER;
    long value = 0;
    const HRESULT hr = defaults_.GetLong(kFontScaling, &value);
    *pVal = static_cast<QMKFontScaling>(value);
    return hr;
}

STDMETHODIMP QuillmarkControl::put_FontScaling(QMKFontScaling newVal) {
    return defaults_.PutFontScaling(static_cast<long>(newVal));
}

STDMETHODIMP QuillmarkControl::get_RecalibrateXDPI(long* pVal) {
    return defaults_.GetRecalibrate(kRecalibrateX, pVal);
}

STDMETHODIMP QuillmarkControl::put_RecalibrateXDPI(long newVal) {
    return defaults_.PutLong(kRecalibrateX, newVal);
}

STDMETHODIMP QuillmarkControl::get_RecalibrateYDPI(long* pVal) {
    return defaults_.GetRecalibrate(kRecalibrateY, pVal);
}

STDMETHODIMP QuillmarkControl::put_RecalibrateYDPI(long newVal) {
    return defaults_.PutLong(kRecalibrateY, newVal);
}

STDMETHODIMP QuillmarkControl::GetMeasureAbbr(Measurements MeasurementChoice, BSTR* Abbreviation) {
    return defaults_.GetMeasureAbbr(static_cast<long>(MeasurementChoice), Abbreviation);
}

STDMETHODIMP QuillmarkControl::SetMeasureAbbr(Measurements MeasurementChoice, BSTR Abbreviation) {
    return defaults_.SetMeasureAbbr(static_cast<long>(MeasurementChoice), Abbreviation);
}

// ---- fonts ----

#define QM_DEFAULT_FONT(name, font)                                                          \
    STDMETHODIMP QuillmarkControl::get_##name(IFontDisp** pVal) {                           \
        return fonts_.Get(font, pVal);                                                       \
    }                                                                                        \
    STDMETHODIMP QuillmarkControl::put_##name(IFontDisp* newVal) {                          \
        return fonts_.Put(font, newVal);                                                     \
    }                                                                                        \
    STDMETHODIMP QuillmarkControl::putref_##name(IFontDisp* newVal) {                       \
        return fonts_.PutRef(font, newVal);                                                  \
    }
QM_DEFAULT_FONT(DefaultStampFont, DefaultFont::Stamp)
QM_DEFAULT_FONT(DefaultTextFont, DefaultFont::Text)
QM_DEFAULT_FONT(DefaultButtonFont, DefaultFont::Button)
QM_DEFAULT_FONT(DefaultRulerFont, DefaultFont::Ruler)
#undef QM_DEFAULT_FONT

STDMETHODIMP QuillmarkControl::SetFont(long layerHandle, annotationTOOL Tool, IFontDisp* pFont) {
    return fonts_.SetToolFont(layerHandle, static_cast<long>(Tool), pFont);
}

STDMETHODIMP QuillmarkControl::GetFont(long layerHandle, annotationTOOL Tool, IFontDisp** ppFont) {
    return fonts_.GetToolFont(layerHandle, static_cast<long>(Tool), ppFont);
}

STDMETHODIMP QuillmarkControl::get_Font(IFontDisp** pVal) { return fonts_.GetCurrentFont(pVal); }
STDMETHODIMP QuillmarkControl::put_Font(IFontDisp* newVal) { return fonts_.PutCurrentFont(newVal); }
STDMETHODIMP QuillmarkControl::putref_Font(IFontDisp* newVal) {
    return fonts_.PutCurrentFont(newVal);
}

STDMETHODIMP QuillmarkControl::ElementSetFont(long elementHandle, IFontDisp* pFont) {
    return fonts_.ElementSetFont(elementHandle, pFont);
}

STDMETHODIMP QuillmarkControl::ElementGetFont(long elementHandle, IFontDisp** ppFont) {
    return fonts_.ElementGetFont(elementHandle, ppFont);
}

STDMETHODIMP QuillmarkControl::PrgSetItemFont(long layerHandle, long seqNum, IFontDisp* pFont) {
    return fonts_.PrgSetItemFont(layerHandle, seqNum, pFont);
}

STDMETHODIMP QuillmarkControl::PrgGetItemFont(long layerHandle, long seqNum, IFontDisp** pFont) {
    return fonts_.PrgGetItemFont(layerHandle, seqNum, pFont);
}
