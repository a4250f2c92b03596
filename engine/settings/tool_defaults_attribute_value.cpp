#include "settings/tool_defaults_attribute_value.h"

#include <oleauto.h>

#include <cstring>
#include <new>
#include <utility>

#include "settings/tool_defaults_packed_dib.h"

namespace {

BSTR CopyText(BSTR text) {
    if (!text) return nullptr;
    return SysAllocStringLen(text, SysStringLen(text));
}

bool SameText(BSTR a, BSTR b) {
    const UINT lengthA = a ? SysStringLen(a) : 0;
    const UINT lengthB = b ? SysStringLen(b) : 0;
    if (lengthA == 0 || lengthB == 0) return lengthA == lengthB;
    return CompareStringW(LOCALE_SYSTEM_DEFAULT, 0, a, static_cast<int>(lengthA), b,
                          static_cast<int>(lengthB)) == CSTR_EQUAL;
}

bool SameVariant(const VARIANT& a, const VARIANT& b) {
    if (a.vt != b.vt) return false;
    if (a.vt == VT_EMPTY || a.vt == VT_NULL) return true;
    return VarCmp(const_cast<VARIANT*>(&a), const_cast<VARIANT*>(&b), LOCALE_USER_DEFAULT, 0) ==
           static_cast<HRESULT>(VARCMP_EQ);
}

} // namespace

AttributeValue::Kind AttributeValue::KindOfToolAttribute(int attribute) {
    switch (attribute) {
    case QMK_Text:
    case QMK_ItemName:
    case QMK_UserString: return Kind::Text;
    case QMK_Logfont: return Kind::Font;
    case QMK_DibPtr: return Kind::Image;
    default: return Kind::Integer;
    }
}

AttributeValue::Kind AttributeValue::KindOfItemAttribute(int attribute) {
    switch (attribute) {
    case QMK_BoundingRect: return Kind::Rect;
    case QMK_Text:
    case QMK_ItemName:
    case QMK_UserString: return Kind::Text;
    case QMK_Logfont: return Kind::Font;
    case QMK_CreateTime: return Kind::Variant;
    case QMK_DibPtr: return Kind::Image;
    default: return Kind::Integer;
    }
}

const RECT AttributeValue::kNoRect = {};
const LOGFONTA AttributeValue::kNoFont = {};
const VARIANT AttributeValue::kNoVariant = {};

AttributeValue::AttributeValue(Kind kind) : kind_(kind) { Clear(); }

AttributeValue AttributeValue::Number(int value) {
    AttributeValue result(Kind::Integer);
    result.integer_ = value;
    return result;
}

AttributeValue AttributeValue::FromArgument(Kind kind, EngineValue value) {
    AttributeValue result(kind);
    result.Assign(value);
    return result;
}

AttributeValue::AttributeValue(const AttributeValue& other) : kind_(other.kind_) {
    CopyFrom(other);
}

AttributeValue& AttributeValue::operator=(const AttributeValue& other) {
    if (this != &other) {
        Release();
        kind_ = other.kind_;
        CopyFrom(other);
    }
    return *this;
}

AttributeValue::AttributeValue(AttributeValue&& other) noexcept : kind_(other.kind_) {
    MoveFrom(other);
}

AttributeValue& AttributeValue::operator=(AttributeValue&& other) noexcept {
    if (this != &other) {
        Release();
        kind_ = other.kind_;
        MoveFrom(other);
    }
    return *this;
}

AttributeValue::~AttributeValue() { Release(); }

void AttributeValue::Clear() {
    switch (kind_) {
    case Kind::Integer: integer_ = 0; break;
    case Kind::Rect: rect_ = RECT{}; break;
    case Kind::Text: text_ = nullptr; break;
    case Kind::Font: font_ = nullptr; break;
    case Kind::Variant: VariantInit(&variant_); break;
    case Kind::Image: image_ = nullptr; break;
    }
}

void AttributeValue::Release() {
    switch (kind_) {
    case Kind::Text:
        SysFreeString(text_);
        text_ = nullptr;
        break;
    case Kind::Font:
        delete font_;
        font_ = nullptr;
        break;
    case Kind::Variant:
        VariantClear(&variant_);
        break;
    case Kind::Image:
        if (image_) GlobalFree(image_);
        image_ = nullptr;
        break;
    default:
        break;
    }
}

void AttributeValue::CopyFrom(const AttributeValue& other) {
    switch (kind_) {
    case Kind::Integer: integer_ = other.integer_; break;
    case Kind::Rect: rect_ = other.rect_; break;
    case Kind::Text: text_ = CopyText(other.text_); break;
    case Kind::Font:
        font_ = other.font_ ? new (std::nothrow) LOGFONTA(*other.font_) : nullptr;
        break;
    case Kind::Variant:
        VariantInit(&variant_);
        VariantCopy(&variant_, const_cast<VARIANT*>(&other.variant_));
        break;
    case Kind::Image: image_ = PackedDib::Copy(other.image_); break;
    }
}

void AttributeValue::MoveFrom(AttributeValue& other) {
    switch (kind_) {
    case Kind::Integer: integer_ = other.integer_; break;
    case Kind::Rect: rect_ = other.rect_; break;
    case Kind::Text: text_ = std::exchange(other.text_, nullptr); break;
    case Kind::Font: font_ = std::exchange(other.font_, nullptr); break;
    case Kind::Variant:
        variant_ = other.variant_;
        VariantInit(&other.variant_);
        break;
    case Kind::Image: image_ = std::exchange(other.image_, nullptr); break;
    }
}

bool AttributeValue::Assign(EngineValue value) {
    switch (kind_) {
    case Kind::Integer:
        integer_ = static_cast<int>(value);
        return true;
    case Kind::Rect:
        if (!value) return false;
        std::memcpy(&rect_, reinterpret_cast<const void*>(value), sizeof(rect_));
        return true;
    case Kind::Text: {
        if (!value) return false;
        BSTR copy = CopyText(reinterpret_cast<BSTR>(value));
        if (!copy) return false;
        SysFreeString(text_);
        text_ = copy;
        return true;
    }
    case Kind::Font:
        if (!value) return false;
        if (!font_) {
            font_ = new (std::nothrow) LOGFONTA;
            if (!font_) return false;
        }
        std::memcpy(font_, reinterpret_cast<const void*>(value), sizeof(*font_));
        return true;
    case Kind::Variant: {
        if (!value) return false;
        VARIANT copy;
        VariantInit(&copy);
        if (FAILED(VariantCopy(&copy, reinterpret_cast<VARIANT*>(value)))) return false;
        VariantClear(&variant_);
        variant_ = copy;
        return true;
    }
    case Kind::Image: {
        // The value may be the very block held here (a host hands back what
        // it was given): copy it before the old one goes. A block that holds
        // no whole packed DIB is refused and the old image stays.
        HGLOBAL copy = nullptr;
        if (value) {
            copy = PackedDib::Copy(reinterpret_cast<HGLOBAL>(value));
            if (!copy) return false;
        }
        if (image_) GlobalFree(image_);
        image_ = copy;
        return true;
    }
    }
    return false;
}

void AttributeValue::CopyTo(void* out) const {
    if (!out) return;
    switch (kind_) {
    case Kind::Integer:
        *static_cast<int*>(out) = integer_;
        break;
    case Kind::Rect:
        std::memcpy(out, &rect_, sizeof(rect_));
        break;
    case Kind::Text:
        *static_cast<BSTR*>(out) = text_ ? CopyText(text_) : SysAllocString(L"");
        break;
    case Kind::Font:
        std::memcpy(out, &Font(), sizeof(LOGFONTA));
        break;
    case Kind::Variant: {
        VARIANT* target = static_cast<VARIANT*>(out);
        VariantInit(target);
        VariantCopy(target, const_cast<VARIANT*>(&variant_));
        break;
    }
    case Kind::Image:
        *static_cast<HGLOBAL*>(out) = image_;
        break;
    }
}

EngineValue AttributeValue::AsArgument() const {
    switch (kind_) {
    case Kind::Integer: return integer_;
    case Kind::Rect: return reinterpret_cast<EngineValue>(&rect_);
    case Kind::Text: return reinterpret_cast<EngineValue>(text_);
    case Kind::Font: return reinterpret_cast<EngineValue>(&Font());
    case Kind::Variant: return reinterpret_cast<EngineValue>(&variant_);
    case Kind::Image: return reinterpret_cast<EngineValue>(image_);
    }
    return 0;
}

void* AttributeValue::OutArgument() {
    switch (kind_) {
    case Kind::Integer: return &integer_;
    case Kind::Rect: return &rect_;
    case Kind::Text:
        SysFreeString(text_);
        text_ = nullptr;
        return &text_;
    case Kind::Font:
        if (!font_) font_ = new (std::nothrow) LOGFONTA();
        return font_;
    case Kind::Variant:
        VariantClear(&variant_);
        return &variant_;
    case Kind::Image: return nullptr;
    }
    return nullptr;
}

bool AttributeValue::Equals(const AttributeValue& other) const {
    if (kind_ != other.kind_) return false;
    switch (kind_) {
    case Kind::Integer: return integer_ == other.integer_;
    case Kind::Rect:
        return rect_.left == other.rect_.left && rect_.top == other.rect_.top &&
               rect_.right == other.rect_.right && rect_.bottom == other.rect_.bottom;
    case Kind::Text: return SameText(text_, other.text_);
    case Kind::Font: return std::memcmp(&Font(), &other.Font(), sizeof(LOGFONTA)) == 0;
    case Kind::Variant: return SameVariant(variant_, other.variant_);
    case Kind::Image: return false;
    }
    return false;
}
