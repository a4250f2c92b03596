// The generated members as script and form hosts reach them: every entry of
// the type library's IQuillmark, invoked through IDispatch by its dispid with
// arguments of the types the type library gives, lands on the body of its own
// row of the member table (the vtable and the type library agree), and a
// forwarding body without an engine reports error 1033.
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "member_table_host.h"

// The custom members of the table, answered by the host with its marker.
#pragma GCC diagnostic ignored "-Wunused-parameter"
#define P_IN(type, name) type name
#define P_OUT(type, name) type* name
#define P_RET(type, name) type* name
#define P_INOUT(type, name) type* name
#define QM_NAME_METHOD(name) name
#define QM_NAME_PROPGET(name) get_##name
#define QM_NAME_PROPPUT(name) put_##name
#define QM_NAME_PROPPUTREF(name) putref_##name
#define QM_CUSTOM(name, n, call, params) \
    STDMETHODIMP MemberTableHost::QM_NAME_##call(name) params { return kCustomMarker; }
#define QM_NOTIMPL(name, n, call, params)
#define QM_FORWARD(name, n, call, params, slot, args, outs, result)
#define QM_FORWARD_LAYER(name, n, call, params, none, slot, args, outs, result)
#define QM_FORWARD_CHECKED(name, n, call, params, valid, code, slot, args, outs, result)
#include "quillmark_member_table.h"
#undef QM_CUSTOM
#undef QM_NOTIMPL
#undef QM_FORWARD
#undef QM_FORWARD_LAYER
#undef QM_FORWARD_CHECKED

namespace {

enum class Kind { Custom, NotImplemented, Forward };

struct Row {
    std::wstring name;
    int invkind;
    DISPID dispid;
    Kind kind;
};

#define QM_WIDE_(s) L##s
#define QM_WIDE(s) QM_WIDE_(s)
#define QM_INVOKE_METHOD INVOKE_FUNC
#define QM_INVOKE_PROPGET INVOKE_PROPERTYGET
#define QM_INVOKE_PROPPUT INVOKE_PROPERTYPUT
#define QM_INVOKE_PROPPUTREF INVOKE_PROPERTYPUTREF
#define QM_CUSTOM(name, n, call, params) {QM_WIDE(#name), QM_INVOKE_##call, n, Kind::Custom},
#define QM_NOTIMPL(name, n, call, params) {QM_WIDE(#name), QM_INVOKE_##call, n, Kind::NotImplemented},
#define QM_FORWARD(name, n, call, params, slot, args, outs, result) \
    {QM_WIDE(#name), QM_INVOKE_##call, n, Kind::Forward},
#define QM_FORWARD_LAYER(name, n, call, params, none, slot, args, outs, result) \
    {QM_WIDE(#name), QM_INVOKE_##call, n, Kind::Forward},
#define QM_FORWARD_CHECKED(name, n, call, params, valid, code, slot, args, outs, result) \
    {QM_WIDE(#name), QM_INVOKE_##call, n, Kind::Forward},
const Row kRows[] = {
#include "quillmark_member_table.h"
};

// What a host passes for one parameter: the parameter's type with pointers
// turned into VT_BYREF and enumerations and aliases resolved.
VARTYPE ArgumentType(ITypeInfo* info, const TYPEDESC& desc) {
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
    ~Arguments() {
        for (int i = 0; i < count_; ++i) {
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

WORD InvokeFlags(int invkind) {
    switch (invkind) {
    case INVOKE_PROPERTYGET: return DISPATCH_PROPERTYGET;
    case INVOKE_PROPERTYPUT: return DISPATCH_PROPERTYPUT;
    case INVOKE_PROPERTYPUTREF: return DISPATCH_PROPERTYPUTREF;
    default: return DISPATCH_METHOD;
    }
}

class MemberDispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
        host_ = new MemberTableHost;
        ITypeInfo* dispatch = nullptr;
        ASSERT_EQ(S_OK, host_->GetTypeInfo(0, 0, &dispatch));
        HREFTYPE ref = 0;
        ASSERT_EQ(S_OK, dispatch->GetRefTypeOfImplType(-1, &ref));
        ASSERT_EQ(S_OK, dispatch->GetRefTypeInfo(ref, &vtable_));
        dispatch->Release();
    }
    void TearDown() override {
        if (vtable_) vtable_->Release();
        if (host_) host_->Release();
        CoUninitialize();
    }

    // Invokes the entry of FUNCDESC index i through IDispatch; the HRESULT
    // the member's body returned.
    HRESULT InvokeEntry(UINT i, std::wstring* name, int* invkind, DISPID* dispid) {
        FUNCDESC* f = nullptr;
        EXPECT_EQ(S_OK, vtable_->GetFuncDesc(i, &f));
        if (!f) return E_UNEXPECTED;
        BSTR n = nullptr;
        vtable_->GetDocumentation(f->memid, &n, nullptr, nullptr, nullptr);
        *name = n ? n : L"";
        SysFreeString(n);
        *invkind = f->invkind;
        *dispid = f->memid;
        Arguments args;
        for (int p = 0; p < f->cParams; ++p) {
            const ELEMDESC& e = f->lprgelemdescParam[p];
            if (e.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) continue;
            args.Add(ArgumentType(vtable_, e.tdesc));
        }
        bool put = f->invkind == INVOKE_PROPERTYPUT || f->invkind == INVOKE_PROPERTYPUTREF;
        DISPPARAMS params = args.Params(put);
        VARIANT result;
        VariantInit(&result);
        EXCEPINFO exception = {};
        UINT argError = 0;
        HRESULT hr = host_->Invoke(f->memid, IID_NULL, 0, InvokeFlags(f->invkind), &params, &result,
                                   &exception, &argError);
        if (hr == DISP_E_EXCEPTION) {
            hr = exception.scode;
            SysFreeString(exception.bstrSource);
            SysFreeString(exception.bstrDescription);
            SysFreeString(exception.bstrHelpFile);
        }
        VariantClear(&result);
        vtable_->ReleaseFuncDesc(f);
        return hr;
    }

    MemberTableHost* host_ = nullptr;
    ITypeInfo* vtable_ = nullptr;
};

TEST_F(MemberDispatchTest, EveryEntryReachesTheBodyOfItsOwnRow) {
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(S_OK, vtable_->GetTypeAttr(&attr));
    UINT count = attr->cFuncs;
    vtable_->ReleaseTypeAttr(attr);
    ASSERT_EQ(sizeof(kRows) / sizeof(kRows[0]), count);
    for (UINT i = 0; i < count; ++i) {
        const Row& row = kRows[i];
        std::wstring name;
        int invkind = 0;
        DISPID dispid = 0;
        host_->reported.clear();
        HRESULT hr = InvokeEntry(i, &name, &invkind, &dispid);
        SCOPED_TRACE(testing::Message() << "entry " << i << " "
                                        << std::string(name.begin(), name.end()));
        EXPECT_EQ(row.name, name);
        EXPECT_EQ(row.invkind, invkind);
        EXPECT_EQ(row.dispid, dispid);
        switch (row.kind) {
        case Kind::Custom:
            EXPECT_EQ(MemberTableHost::kCustomMarker, hr);
            break;
        case Kind::NotImplemented:
            EXPECT_EQ(E_NOTIMPL, hr);
            break;
        case Kind::Forward:
            EXPECT_EQ(MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 1033), hr);
            EXPECT_EQ(std::vector<int>{1033}, host_->reported);
            break;
        }
    }
}

} // namespace
