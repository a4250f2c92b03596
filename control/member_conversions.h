#pragma once
// The conversions the generated IQuillmark bodies apply between automation
// values and the engine's arguments.
#include <windows.h>
#include <oaidl.h>

#include <cstring>
#include <type_traits>

#include "annotation_engine.h"

namespace quillmark {

// A number, an enumeration, a string or an address as an EngineValue.
template <class T>
EngineValue V(T value) {
    static_assert(sizeof(T) <= sizeof(EngineValue), "a value crosses in 32 bits");
    if constexpr (std::is_pointer<T>::value)
        return reinterpret_cast<EngineValue>(value);
    else
        return static_cast<EngineValue>(value);
}

// An out pointer of a 32-bit value (long, colour, enumeration, BSTR, handle)
// as the engine's EngineValue* or int*.
template <class T>
EngineValue* OutV(T* p) {
    static_assert(sizeof(T) == sizeof(EngineValue), "the engine writes 32 bits");
    return reinterpret_cast<EngineValue*>(p);
}
template <class T>
int* OutI(T* p) {
    static_assert(sizeof(T) == sizeof(int), "the engine writes 32 bits");
    return reinterpret_cast<int*>(p);
}

// The address of a record the engine fills in place of a value (a VARIANT,
// a RECT), as the engine's out pointer.
template <class T>
EngineValue* OutAt(T* p) {
    return reinterpret_cast<EngineValue*>(p);
}

// VARIANT_BOOL in: 0/1, 0/-1 (the 16-bit value sign-extended) or a byte 0/1.
inline int Flag01(VARIANT_BOOL b) { return b != 0 ? 1 : 0; }
inline int FlagSigned(VARIANT_BOOL b) { return static_cast<short>(b); }
inline unsigned char FlagByte(VARIANT_BOOL b) { return b != 0 ? 1 : 0; }

// A VARIANT_BOOL out from an engine value.
inline VARIANT_BOOL Bool(EngineValue v) { return v != 0 ? VARIANT_TRUE : VARIANT_FALSE; }

// The engine keeps back styles plus 3000.
constexpr int kBackStyleBase = 3000;
inline EngineValue BackStyleIn(int v) { return v <= 3 ? v + kBackStyleBase : v; }
inline int BackStyleOut(EngineValue v) { return v >= kBackStyleBase ? v - kBackStyleBase : v; }
inline EngineValue ToolDefaultIn(int attribute, int v) {
    return attribute == QMK_BackStyle ? BackStyleIn(v) : v;
}
inline int ToolDefaultOut(int attribute, EngineValue v) {
    return attribute == QMK_BackStyle ? BackStyleOut(v) : v;
}

// The 32 bits of an engine value read as an IEEE float.
inline float FloatBits(EngineValue v) {
    static_assert(sizeof(float) == sizeof(EngineValue), "a float crosses in 32 bits");
    float f;
    std::memcpy(&f, &v, sizeof f);
    return f;
}

// The address of a temporary that lives until the engine call returns.
inline const RECT* At(const RECT& r) { return &r; }
inline const POINT* At(const POINT& p) { return &p; }

// A one-byte flag that is 1 only for VARIANT_TRUE itself, and its address.
struct ByteFlag {
    unsigned char value;
};
inline const unsigned char* At(const ByteFlag& b) { return &b.value; }
inline ByteFlag ExactTrueByte(VARIANT_BOOL b) {
    return ByteFlag{static_cast<unsigned char>(b == VARIANT_TRUE ? 1 : 0)};
}

// The values the text setters accept: orientations in tenths of a degree,
// and the three justifications.
inline bool IsTextOrientation(long v) { return v == 0 || v == 900 || v == 1800 || v == 2700; }
inline bool IsTextJustification(long v) {
    return v == QMK_LeftJustify || v == QMK_RightJustify || v == QMK_CenterJustify;
}

// Attribute codes a caller chooses. The engine takes the value of some codes
// as an address (a RECT, a BSTR, a LOGFONT, a VARIANT, a picture block) and
// reads or writes through it; a member that hands over a caller's code with
// a caller's 32-bit value or a 32-bit out value takes only the others.
inline bool IsAddressAttribute(long code) {
    return code == QMK_BoundingRect || code == QMK_Text || code == QMK_Logfont ||
           code == QMK_DibPtr || code == QMK_CreateTime || code == QMK_ItemName ||
           code == QMK_UserString || code == QMK_ItemDib;
}
inline bool IsValueAttribute(long code) { return !IsAddressAttribute(code); }
// The tool default setter takes the value codes and the picture (17): its
// value is a global-memory handle of a packed DIB that the engine copies, so
// the caller keeps its block. The getter would hand out the engine's own
// block and takes only the value codes.
inline bool IsToolDefaultInput(long code) { return IsValueAttribute(code) || code == QMK_DibPtr; }
// The colour attributes: pen, text, back, fill, transparent, bevel light and
// shadow, hatch.
inline bool IsColorAttribute(long code) {
    return (code >= QMK_PenColor && code <= QMK_FillColor) || code == QMK_TransparentColor ||
           code == QMK_BevelLightColor || code == QMK_BevelShadowColor || code == QMK_HatchColor;
}

// True when any of the out pointers is null.
inline bool AnyNull() { return false; }
template <class P, class... Rest>
bool AnyNull(P* p, Rest*... rest) {
    return p == nullptr || AnyNull(rest...);
}

} // namespace quillmark
