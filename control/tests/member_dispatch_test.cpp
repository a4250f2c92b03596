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

#include "dispatch_arguments.h"
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
        host_->reported.clear();
        const quillmark_test::EntryCall call =
            quillmark_test::InvokeEntry(host_, vtable_, i, false);
        const std::wstring& name = call.name;
        const int invkind = call.invkind;
        const DISPID dispid = call.dispid;
        const HRESULT hr = call.result;
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
