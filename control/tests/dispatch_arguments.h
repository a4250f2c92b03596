#pragma once
// Calling an IQuillmark entry through IDispatch as script hosts do: the
// arguments of the types the type library gives, by-reference arguments with
// storage of their own.
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

namespace quillmark_test {

// What a host passes for one parameter: the parameter's type with pointers
// turned into VT_BYREF and enumerations and aliases resolved.
inline VARTYPE ArgumentType(ITypeInfo* info, const TYPEDESC& desc) {
    if (desc.vt == VT_PTR) {
        VARTYPE inner = ArgumentType(info, *desc.lptdesc);
        if (inner == VT_DISPATCH || inner == VT_UNKNOWN) return inner;  // an interface pointer
        return VT_BYREF | inner;
    }
    if (desc.vt != VT_USERDEFINED) return desc.vt;
    ITypeInfo* ref = nullptr;
    if (FAILED(info->GetRefTypeInfo(desc.hreftype, &ref))) return VT_EMPTY;
    TYPEATTR* attr = nullptr;
    ref->GetTypeAttr(&attr);
    VARTYPE vt = VT_EMPTY;
    switch (attr->typekind) {
    case TKIND_ENUM: vt = VT_I4; break;
    case TKIND_ALIAS: vt = ArgumentType(ref, attr->tdescAlias); break;
    case TKIND_DISPATCH: vt = VT_DISPATCH; break;
    case TKIND_INTERFACE: vt = VT_UNKNOWN; break;
    default: break;
    }
    ref->ReleaseTypeAttr(attr);
    ref->Release();
    return vt;
}

// Arguments of a call, with storage for what by-reference arguments point at.
class Arguments {
public:
    void Add(VARTYPE vt) {
        VARIANT& arg = args_[count_];
        VARIANT& store = store_[count_];
        VariantInit(&arg);
        VariantInit(&store);
        ++count_;
        V_VT(&arg) = vt;
        if (!(vt & VT_BYREF)) {
            V_I4(&arg) = 0;  // clears every kind of value, null pointers included
            return;
        }
        switch (vt & ~VT_BYREF) {
        case VT_VARIANT: V_VARIANTREF(&arg) = &store; break;
        case VT_BSTR: V_BSTRREF(&arg) = &V_BSTR(&store); break;
        case VT_I2: case VT_BOOL: V_I2REF(&arg) = &V_I2(&store); break;
        case VT_R4: V_R4REF(&arg) = &V_R4(&store); break;
        default: V_I4REF(&arg) = &V_I4(&store); break;
        }
    }
    // A by-value argument that carries number: as itself for numbers,
    // VARIANT_TRUE for a flag, a text of one letter for a string; a
    // by-reference argument as Add(vt) makes it.
    void AddValue(VARTYPE vt, long number) {
        Add(vt);
        VARIANT& arg = args_[count_ - 1];
        switch (vt) {
        case VT_I4: case VT_UI4: case VT_INT: V_I4(&arg) = number; break;
        case VT_I2: V_I2(&arg) = static_cast<SHORT>(number); break;
        case VT_BOOL: V_BOOL(&arg) = VARIANT_TRUE; break;
        case VT_R4: V_R4(&arg) = static_cast<float>(number); break;
        case VT_BSTR: V_BSTR(&arg) = SysAllocString(L"t"); break;
        default: break;
        }
    }
    ~Arguments() {
        for (int i = 0; i < count_; ++i) {
            if (V_VT(&args_[i]) == VT_BSTR) SysFreeString(V_BSTR(&args_[i]));
            if (V_VT(&args_[i]) == (VT_BYREF | VT_BSTR)) SysFreeString(V_BSTR(&store_[i]));
            if (V_VT(&args_[i]) == (VT_BYREF | VT_VARIANT)) VariantClear(&store_[i]);
        }
    }
    // DISPPARAMS take the arguments last first.
    DISPPARAMS Params(bool put) {
        for (int i = 0; i < count_; ++i) reversed_[i] = args_[count_ - 1 - i];
        DISPPARAMS params = {reversed_, nullptr, static_cast<UINT>(count_), 0};
        if (put) {
            params.rgdispidNamedArgs = &putId_;
            params.cNamedArgs = 1;
        }
        return params;
    }

private:
    VARIANT args_[8];
    VARIANT store_[8];
    VARIANT reversed_[8];
    int count_ = 0;
    DISPID putId_ = DISPID_PROPERTYPUT;
};

inline WORD InvokeFlags(int invkind) {
    switch (invkind) {
    case INVOKE_PROPERTYGET: return DISPATCH_PROPERTYGET;
    case INVOKE_PROPERTYPUT: return DISPATCH_PROPERTYPUT;
    case INVOKE_PROPERTYPUTREF: return DISPATCH_PROPERTYPUTREF;
    default: return DISPATCH_METHOD;
    }
}

} // namespace quillmark_test
