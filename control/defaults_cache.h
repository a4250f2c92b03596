#pragma once
// The control's default attributes, keyed by EngineProperty code.
//
// With an engine loaded every code but 134 (LoadAnnotations) goes straight to
// the engine's GetProperty / SetProperty. Without one, and always for 134,
// the values live here: six strings (768-771, 4128, 4131) and the attribute
// map filled from the 59 defaults. A control-side set of a code that has a
// dispid sends OnChanged(dispid) to the property-notify sinks, in either
// mode. Every nonzero engine code goes through ControlServices::ReportError.
#include <windows.h>
#include <oaidl.h>

#include "annotation_engine.h"
#include "control_services.h"

#include <map>

namespace quillmark {

class ControlFonts;

// One of the 59 defaults: the code, its value at construction and the dispid
// sent with OnChanged when it is stored control-side (some name no member).
struct DefaultEntry {
    int code;
    EngineValue value;  // 0 for the four font codes (their LOGFONT's address)
    DISPID dispid;
};
// The table in its order; the four font codes (40960-40962, 2119) hold the
// address of the control's LOGFONT for that font once the cache is made.
extern const DefaultEntry kDefaults[59];

class DefaultsCache {
public:
    // fonts gives the LOGFONT blocks the four font codes point at.
    DefaultsCache(ControlServices& services, ControlFonts& fonts);
    ~DefaultsCache();
    DefaultsCache(const DefaultsCache&) = delete;
    DefaultsCache& operator=(const DefaultsCache&) = delete;

    // get: the value of code. For string codes (768-771, 4128, 4131 and the
    // unit names 2081-2094) *out is a new BSTR the caller frees; for the four
    // font codes it is the address of a LOGFONTA the cache keeps (the engine's
    // copy, with an engine loaded). 4104 and
    // 4105 read from the engine come back as -1 / 0. Without an engine an
    // unknown code reports 1015.
    HRESULT Get(int code, EngineValue* out);
    // set: for string codes value is a BSTR, copied. Without an engine an
    // unknown code reports 1015 and nothing changes.
    HRESULT Set(int code, EngineValue value);

    // The control-side string of 768-771, 4128 or 4131 (not a copy; null
    // for any other code). LoadEngine pushes these.
    BSTR ControlString(int code) const;

    // --- the work of the IQuillmark default members ---
    // Each put marks the control dirty at design time when it succeeded.
    HRESULT GetLong(int code, long* out);
    HRESULT PutLong(int code, long value);
    // VARIANT_BOOL members: get normalises to VARIANT_TRUE / VARIANT_FALSE,
    // put passes the 16-bit value sign-extended.
    HRESULT GetBool(int code, VARIANT_BOOL* out);
    HRESULT PutBool(int code, VARIANT_BOOL value);
    HRESULT GetString(int code, BSTR* out);
    HRESULT PutString(int code, BSTR value);
    // FontScaling (135): only 0 and 1, else 1050 and nothing changes.
    HRESULT PutFontScaling(long value);
    // RecalibrateXDPI / RecalibrateYDPI (140, 141): -2 when the get fails
    // (the get still reports its error).
    HRESULT GetRecalibrate(int code, long* out);
    // GetMeasureAbbr / SetMeasureAbbr: the code is the Measurements value
    // (2049-2062) + 32.
    HRESULT GetMeasureAbbr(long choice, BSTR* out);
    HRESULT SetMeasureAbbr(long choice, BSTR abbreviation);

    static constexpr int kStringCount = 6;
    static constexpr int kFontCount = 4;

private:
    static bool IsUnitName(int code);
    BSTR* StringField(int code);
    LOGFONTA* EngineFontBlock(int code);
    // Set, and dirty at design time when it succeeded.
    HRESULT Put(int code, EngineValue value);

    ControlServices& services_;
    // 768, 769, 770, 771, 4128 and 4131; the last two "" after construction.
    BSTR strings_[kStringCount] = {};
    std::map<int, EngineValue> attributes_;
    std::map<int, DISPID> dispids_;  // filled on the first stored set
    LOGFONTA engineFonts_[kFontCount] = {};  // stamp, text, button, ruler as read from the engine
};

} // namespace quillmark
