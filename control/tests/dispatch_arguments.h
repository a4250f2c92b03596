#pragma once
// Calling an IQuillmark entry through IDispatch as script hosts do: the
// arguments of the types the type library gives, by-reference arguments with
// storage of their own.
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <string>

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

// One entry of the interface called through IDispatch.
struct EntryCall {
    std::wstring name;
    int invkind = 0;
    DISPID dispid = 0;
    HRESULT result = E_UNEXPECTED;  // the exception's code for DISP_E_EXCEPTION
};

// Calls entry index of the interface vtable describes on dispatch, with
// zero for every by-value argument, or (numbered) a number of its own for
// each (Arguments::AddValue).
inline EntryCall InvokeEntry(IDispatch* dispatch, ITypeInfo* vtable, UINT index, bool numbered) {
    EntryCall call;
    FUNCDESC* f = nullptr;
    if (FAILED(vtable->GetFuncDesc(index, &f)) || !f) return call;
    BSTR name = nullptr;
    vtable->GetDocumentation(f->memid, &name, nullptr, nullptr, nullptr);
    call.name = name ? name : L"";
    SysFreeString(name);
    call.invkind = f->invkind;
    call.dispid = f->memid;
    Arguments args;
    for (int p = 0; p < f->cParams; ++p) {
        const ELEMDESC& e = f->lprgelemdescParam[p];
        if (e.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) continue;
        if (numbered)
            args.AddValue(ArgumentType(vtable, e.tdesc), 11 + p);
        else
            args.Add(ArgumentType(vtable, e.tdesc));
    }
    const bool put = f->invkind == INVOKE_PROPERTYPUT || f->invkind == INVOKE_PROPERTYPUTREF;
    DISPPARAMS params = args.Params(put);
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception = {};
    UINT argError = 0;
    HRESULT hr = dispatch->Invoke(f->memid, IID_NULL, 0, InvokeFlags(f->invkind), &params, &result,
                                  &exception, &argError);
    if (hr == DISP_E_EXCEPTION) {
        hr = exception.scode;
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);
        SysFreeString(exception.bstrHelpFile);
    }
    VariantClear(&result);
    vtable->ReleaseFuncDesc(f);
    call.result = hr;
    return call;
}

} // namespace quillmark_test
