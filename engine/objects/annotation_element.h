#pragma once
// A free-standing description of one annotation that a host fills attribute
// by attribute and then appends to a layer as a new item (the element stays
// and can be appended again). Its bounding rectangle and points are in image
// pixels; the item they go to converts them to layer units.
//
// Booleans are kept as 0 or -1 and read back as 0 or 1. Texts, the font and
// the picture are the element's own copies.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "annotation_engine.h"

// The element's numbers: attribute code, how a value is kept, value after
// creation. The button's colours (3, 22, 23) are the engine's at creation.
//   Number    kept as given
//   Flag      any non-zero value kept as -1, read back as 1
//   BackStyle 0 to 3 kept as 3000 plus the value, others as given
//   Time      kept only when not 0
#define ANNOTATION_ELEMENT_NUMBERS(X)           \
    X(QMK_PenColor, Number, 0xFF0000)           \
    X(QMK_TextColor, Number, 0)                 \
    X(QMK_BackColor, Number, 0)                 \
    X(QMK_FillColor, Number, 0xC0C0C0)          \
    X(QMK_PenWidth, Number, 1)                  \
    X(QMK_HighlightBack, Flag, 0)               \
    X(QMK_HighlightFill, Flag, 0)               \
    X(QMK_EndPtStyle, Number, 0)                \
    X(QMK_TransparentColor, Number, 0xFFFFFF)   \
    X(QMK_BackStyle, BackStyle, 3002)           \
    X(QMK_ScrollBars, Number, 0)                \
    X(QMK_Locked, Flag, 0)                      \
    X(QMK_AutoSize, Number, 0)                  \
    X(QMK_Visible, Flag, -1)                    \
    X(QMK_BevelLightColor, Number, 0)           \
    X(QMK_BevelShadowColor, Number, 0)          \
    X(QMK_ShowHandles, Flag, -1)                \
    X(QMK_Moveable, Flag, -1)                   \
    X(QMK_PenStyle, Number, 0)                  \
    X(QMK_PenFillStyle, Number, 5513)           \
    X(QMK_TextOrientation, Number, 0)           \
    X(QMK_Selected, Flag, 0)                    \
    X(QMK_Sizeable, Flag, -1)                   \
    X(QMK_UserDraw, Flag, 0)                    \
    X(QMK_TextLocked, Flag, 0)                  \
    X(QMK_HatchStyle, Number, 5999)             \
    X(QMK_HatchColor, Number, 0)                \
    X(QMK_ZOrder, Number, 0)                    \
    X(QMK_TextJustification, Number, 7000)      \
    X(QMK_ElementType, Number, 0)               \
    X(QMK_UserLong, Number, 0)                  \
    X(QMK_ShowAbbr, Flag, 0)                    \
    X(QMK_MeasureChoice, Number, 1)             \
    X(QMK_ShowLength, Flag, -1)                 \
    X(QMK_GaugeLength, Number, 30)              \
    X(QMK_Precision, Number, 2)                 \
    X(QMK_ShowGauge, Flag, -1)                  \
    X(QMK_RulerLength, Number, 0)               \
    X(QMK_WangType, Number, 7)                  \
    X(QMK_CreateSeconds, Time, 0)               \
    X(QMK_SequenceNumber, Number, 0)

class AnnotationElement {
public:
    // The most points an element holds.
    static constexpr int kMaxPoints = 1 << 20;

    // A new element: the table's values, a copy of the text font, and the
    // button tool's back and bevel colours.
    AnnotationElement(const LOGFONTA& textFont, int backColor, int bevelLightColor,
                      int bevelShadowColor);
    ~AnnotationElement();
    // A deep copy (the picture too); throws std::bad_alloc when memory is short.
    AnnotationElement(const AnnotationElement& other);
    AnnotationElement& operator=(const AnnotationElement&) = delete;

    // One attribute by code. Set: a number; a BSTR for 10, 640 and 1281 (null
    // is the empty text); the address of a RECT (7) or a 60-byte LOGFONT
    // (11); the handle of a packed DIB (17), copied (0 leaves no picture).
    // Get writes in the same forms (a new BSTR the caller frees; the picture
    // handle stays the element's). QMK_ErrInvalidAttribute for a code the
    // element does not hold, for a set of 12, for a null rectangle or font
    // address, and for a picture handle that does not hold a whole packed
    // DIB (the old picture stays). QMK_ErrOutOfMemory when a copy fails.
    int Set(int code, EngineValue value);
    int Get(int code, void* out) const;

    // Points. Clearing with count 0 or less (or no address) leaves none;
    // QMK_ErrOutOfMemory when the points cannot grow (they stay as they
    // were); QMK_ErrInvalidPoint for an index outside the points.
    int ClearPoints(int count, const POINT* points);
    int AddPoint(int x, int y);
    int ChangePoint(int index, int x, int y);
    int GetPoint(int index, int* x, int* y) const;
    void SetExtra(int value1, int value2);

    int Type() const { return Number(QMK_ElementType); }
    // The value of a number or flag as a get reads it (flags 0 or 1); 0 for
    // a code that is not a number.
    int Number(int code) const;
    const RECT& Bounds() const { return bounds_; }
    const std::vector<POINT>& Points() const { return points_; }
    // The text of 10, 640 or 1281 (that of 10 for any other code).
    const std::wstring& Text(int code) const;
    const LOGFONTA& Font() const { return font_; }
    HGLOBAL Picture() const { return picture_; }

private:
    enum class Kind { Number, Flag, BackStyle, Time };
    struct Entry {
        Kind kind;
        int value;
    };
    // The place of each number in the table, and of a code (-1 for none).
    enum NumberIndex {
#define ANNOTATION_ELEMENT_INDEX(code, kind, value) Index_##code,
        ANNOTATION_ELEMENT_NUMBERS(ANNOTATION_ELEMENT_INDEX)
#undef ANNOTATION_ELEMENT_INDEX
        kNumberCount
    };
    static int IndexOf(int code);
    std::wstring* TextField(int code);
    const Entry* FindNumber(int code) const;

    Entry numbers_[kNumberCount];
    RECT bounds_ = {};
    std::wstring text_;
    std::wstring userString_;
    std::wstring itemName_;
    LOGFONTA font_ = {};
    HGLOBAL picture_ = nullptr;
    std::vector<POINT> points_;
    int extra1_ = 0;
    int extra2_ = 0;
};
