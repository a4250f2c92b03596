#include "objects/annotation_element.h"

#include <cstring>
#include <new>

#include "settings/tool_defaults_packed_dib.h"

AnnotationElement::AnnotationElement(const LOGFONTA& textFont, int backColor,
                                     int bevelLightColor, int bevelShadowColor)
    : font_(textFont)
{
#define ANNOTATION_ELEMENT_ENTRY(code, kind, value) numbers_[Index_##code] = Entry{Kind::kind, value};
    ANNOTATION_ELEMENT_NUMBERS(ANNOTATION_ELEMENT_ENTRY)
#undef ANNOTATION_ELEMENT_ENTRY
    font_.lfFaceName[LF_FACESIZE - 1] = 0;
    numbers_[Index_QMK_BackColor].value = backColor;
    numbers_[Index_QMK_BevelLightColor].value = bevelLightColor;
    numbers_[Index_QMK_BevelShadowColor].value = bevelShadowColor;
}

int AnnotationElement::IndexOf(int code)
{
    switch (code) {
#define ANNOTATION_ELEMENT_CASE(code, kind, value) \
    case code:                                     \
        return Index_##code;
        ANNOTATION_ELEMENT_NUMBERS(ANNOTATION_ELEMENT_CASE)
#undef ANNOTATION_ELEMENT_CASE
    default:
        return -1;
    }
}

const AnnotationElement::Entry* AnnotationElement::FindNumber(int code) const
{
    const int index = IndexOf(code);
    return index < 0 ? nullptr : &numbers_[index];
}

AnnotationElement::~AnnotationElement()
{
    if (picture_)
        GlobalFree(picture_);
}

AnnotationElement::AnnotationElement(const AnnotationElement& other)
    : bounds_(other.bounds_),
      text_(other.text_),
      userString_(other.userString_),
      itemName_(other.itemName_),
      font_(other.font_),
      points_(other.points_),
      extra1_(other.extra1_),
      extra2_(other.extra2_)
{
    std::memcpy(numbers_, other.numbers_, sizeof(numbers_));
    if (other.picture_) {
        picture_ = PackedDib::Copy(other.picture_);
        if (!picture_)
            throw std::bad_alloc();
    }
}

std::wstring* AnnotationElement::TextField(int code)
{
    switch (code) {
    case QMK_Text:
        return &text_;
    case QMK_UserString:
        return &userString_;
    case QMK_ItemName:
        return &itemName_;
    default:
        return nullptr;
    }
}

const std::wstring& AnnotationElement::Text(int code) const
{
    switch (code) {
    case QMK_UserString:
        return userString_;
    case QMK_ItemName:
        return itemName_;
    default:
        return text_;
    }
}

int AnnotationElement::Number(int code) const
{
    const Entry* entry = FindNumber(code);
    if (!entry)
        return 0;
    return entry->kind == Kind::Flag ? (entry->value != 0 ? 1 : 0) : entry->value;
}

int AnnotationElement::Set(int code, EngineValue value)
{
    try {
        if (std::wstring* text = TextField(code)) {
            BSTR given = reinterpret_cast<BSTR>(value);
            if (given)
                text->assign(given, SysStringLen(given));
            else
                text->clear();
            return QMK_NoError;
        }
    } catch (const std::bad_alloc&) {
        return QMK_ErrOutOfMemory;
    }
    switch (code) {
    case QMK_BoundingRect:
        if (!value)
            return QMK_ErrInvalidAttribute;
        std::memcpy(&bounds_, reinterpret_cast<const void*>(value), sizeof(bounds_));
        return QMK_NoError;
    case QMK_Logfont:
        if (!value)
            return QMK_ErrInvalidAttribute;
        std::memcpy(&font_, reinterpret_cast<const void*>(value), sizeof(font_));
        font_.lfFaceName[LF_FACESIZE - 1] = 0;
        return QMK_NoError;
    case QMK_DibPtr: {
        // The caller's block is checked before anything is copied: a block
        // that cannot be locked or holds less than its header says keeps
        // the old picture.
        HGLOBAL copy = nullptr;
        if (value) {
            copy = PackedDib::Copy(reinterpret_cast<HGLOBAL>(value));
            if (!copy)
                return QMK_ErrInvalidAttribute;
        }
        if (picture_)
            GlobalFree(picture_);
        picture_ = copy;
        return QMK_NoError;
    }
    default:
        break;
    }
    const int index = IndexOf(code);
    if (index < 0)
        return QMK_ErrInvalidAttribute;
    Entry& entry = numbers_[index];
    const int number = static_cast<int>(value);
    switch (entry.kind) {
    case Kind::Number:
        entry.value = number;
        break;
    case Kind::Flag:
        entry.value = number != 0 ? -1 : 0;
        break;
    case Kind::BackStyle:
        entry.value = number >= 0 && number <= 3 ? 3000 + number : number;
        break;
    case Kind::Time:
        if (number != 0)
            entry.value = number;
        break;
    }
    return QMK_NoError;
}

int AnnotationElement::Get(int code, void* out) const
{
    if (!out)
        return QMK_NoError;
    switch (code) {
    case QMK_Text:
    case QMK_UserString:
    case QMK_ItemName: {
        const std::wstring& text = Text(code);
        BSTR copy = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!copy)
            return QMK_ErrOutOfMemory;
        *static_cast<BSTR*>(out) = copy;
        return QMK_NoError;
    }
    case QMK_BoundingRect:
        std::memcpy(out, &bounds_, sizeof(bounds_));
        return QMK_NoError;
    case QMK_Logfont:
        std::memcpy(out, &font_, sizeof(font_));
        return QMK_NoError;
    case QMK_DibPtr:
        *static_cast<HGLOBAL*>(out) = picture_;
        return QMK_NoError;
    case QMK_NumPoints:
        *static_cast<int*>(out) = static_cast<int>(points_.size());
        return QMK_NoError;
    default:
        break;
    }
    if (!FindNumber(code))
        return QMK_ErrInvalidAttribute;
    const int number = Number(code);
    std::memcpy(out, &number, sizeof(number));
    return QMK_NoError;
}

int AnnotationElement::ClearPoints(int count, const POINT* points)
{
    if (count <= 0 || !points) {
        points_.clear();
        return QMK_NoError;
    }
    if (count > kMaxPoints)
        return QMK_ErrOutOfMemory;
    try {
        std::vector<POINT> copy(points, points + count);
        points_.swap(copy);
    } catch (const std::bad_alloc&) {
        return QMK_ErrOutOfMemory;
    }
    return QMK_NoError;
}

int AnnotationElement::AddPoint(int x, int y)
{
    if (points_.size() >= static_cast<size_t>(kMaxPoints))
        return QMK_ErrOutOfMemory;
    try {
        points_.push_back(POINT{x, y});
    } catch (const std::bad_alloc&) {
        return QMK_ErrOutOfMemory;
    }
    return QMK_NoError;
}

int AnnotationElement::ChangePoint(int index, int x, int y)
{
    if (index < 0 || static_cast<size_t>(index) >= points_.size())
        return QMK_ErrInvalidPoint;
    points_[index] = POINT{x, y};
    return QMK_NoError;
}

int AnnotationElement::GetPoint(int index, int* x, int* y) const
{
    if (index < 0 || static_cast<size_t>(index) >= points_.size())
        return QMK_ErrInvalidPoint;
    if (x)
        *x = points_[index].x;
    if (y)
        *y = points_[index].y;
    return QMK_NoError;
}

void AnnotationElement::SetExtra(int value1, int value2)
{
    extra1_ = value1;
    extra2_ = value2;
}
