#pragma once
// One attribute value held in its own type. Most attributes are plain 32-bit
// numbers; a few cross the interface by address or handle (a rectangle, a
// string, a font, a date VARIANT, a packed DIB). Those are kept here as copies
// that this value owns, never as the caller's pointer, and compared in their
// own type.
#include <windows.h>
#include <oaidl.h>

#include "annotation_engine.h"

static_assert(sizeof(LOGFONTA) == 60, "fonts cross the interface as 60-byte records");

class AttributeValue {
public:
    enum class Kind { Integer, Rect, Text, Font, Variant, Image };

    // The kind of an item attribute: 7 rectangle; 10, 640 and 1281 text; 11
    // font; 34 date VARIANT; 17 packed DIB; every other code a number.
    static Kind KindOfItemAttribute(int attribute);
    // The kind of a tool attribute: tools hold their rectangle and date as
    // plain numbers (they get theirs when an item is made), so only texts,
    // the font and the image are held in their own type.
    static Kind KindOfToolAttribute(int attribute);

    // An empty value of a kind: 0, an empty rectangle, no text, a zeroed
    // font, VT_EMPTY, no image.
    explicit AttributeValue(Kind kind = Kind::Integer);
    // A number.
    static AttributeValue Number(int value);
    // A value of a kind taken from an argument as it crosses the interface
    // (see Assign); an empty value when the address is null.
    static AttributeValue FromArgument(Kind kind, EngineValue value);

    AttributeValue(const AttributeValue& other);
    AttributeValue& operator=(const AttributeValue& other);
    AttributeValue(AttributeValue&& other) noexcept;
    AttributeValue& operator=(AttributeValue&& other) noexcept;
    ~AttributeValue();

    Kind kind() const { return kind_; }

    // Takes a new value from an argument of this value's kind: a number; the
    // address of a RECT, LOGFONT or VARIANT to copy; a BSTR to copy; the
    // handle of a packed DIB to copy. A null address changes nothing and
    // answers false. For an image a null handle leaves no image; a handle
    // that holds no whole packed DIB changes nothing and answers false.
    bool Assign(EngineValue value);

    // Writes the value to an out argument of its kind: an int32; a RECT; a
    // new BSTR that the caller frees (empty when there is no text); 60 bytes
    // of LOGFONT; a VARIANT copy (VariantInit first); the image handle, which
    // stays this value's. A null out writes nothing.
    void CopyTo(void* out) const;

    // The value as an argument for a set of the same attribute elsewhere
    // (which copies it): valid while this value lives unchanged.
    EngineValue AsArgument() const;

    // Storage that a get of this kind may write into, owned by this value
    // afterwards (an old text or VARIANT is released first). Not offered for
    // images (null), whose handles stay with their owner.
    void* OutArgument();

    // True when setting the other value would change nothing. Texts compare
    // as strings of the system locale (case matters, a missing text equals an
    // empty one), fonts byte by byte, rectangles by their edges, VARIANTs by
    // type and value. Images are never equal: a set of an image always applies.
    bool Equals(const AttributeValue& other) const;

    // The value in the form of its kind; a value of another kind reads as
    // the empty value of the kind asked for.
    int Integer() const { return kind_ == Kind::Integer ? integer_ : 0; }
    const RECT& Rect() const { return kind_ == Kind::Rect ? rect_ : kNoRect; }
    BSTR Text() const { return kind_ == Kind::Text ? text_ : nullptr; }
    const LOGFONTA& Font() const { return kind_ == Kind::Font && font_ ? *font_ : kNoFont; }
    const VARIANT& Variant() const { return kind_ == Kind::Variant ? variant_ : kNoVariant; }
    HGLOBAL Image() const { return kind_ == Kind::Image ? image_ : nullptr; }

private:
    static const RECT kNoRect;
    static const LOGFONTA kNoFont;
    static const VARIANT kNoVariant;

    // Sets the storage of the value's kind to its empty value (nothing is
    // released: the storage holds nothing of its own yet).
    void Clear();
    void Release();
    void CopyFrom(const AttributeValue& other);
    void MoveFrom(AttributeValue& other);

    // Only the member of the value's kind is in use. Values are copied with
    // every item made from a tool, so they are kept small: the font, the one
    // large kind, lives in a block of its own.
    Kind kind_;
    union {
        int integer_;
        RECT rect_;
        BSTR text_;
        LOGFONTA* font_;
        VARIANT variant_;
        HGLOBAL image_;
    };
};
