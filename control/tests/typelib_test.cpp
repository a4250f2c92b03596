// The type library QUILLM70Lib as a host reads it, checked against tables
// written out from the control's published interface: identities, the members
// of IQuillmark with their dispids and kinds, the events with the argument
// types their sinks receive, the enumerations and the classes.
#include <windows.h>
#include <oaidl.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "quillmark.h"

namespace {

// Where the type library is read from: the .tlb file, the control's DLL, and
// this program's own TYPELIB resource (linked from the same object library).
enum class Source { File, Dll, Module };

std::wstring ModulePath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

class TypeLib {
public:
    explicit TypeLib(Source source) {
        std::wstring path = source == Source::File ? QUILLMARK_TLB_PATH
                            : source == Source::Dll ? INKCTL7_DLL_PATH
                                                    : ModulePath();
        hr_ = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &lib_);
    }
    ~TypeLib() {
        if (lib_) lib_->Release();
    }
    TypeLib(const TypeLib&) = delete;
    TypeLib& operator=(const TypeLib&) = delete;
    HRESULT hr() const { return hr_; }
    ITypeLib* get() const { return lib_; }

    ITypeInfo* Info(REFGUID guid) const {
        ITypeInfo* info = nullptr;
        if (lib_) lib_->GetTypeInfoOfGuid(guid, &info);
        return info;
    }
    ITypeInfo* Named(const wchar_t* name) const {
        if (!lib_) return nullptr;
        for (UINT i = 0; i < lib_->GetTypeInfoCount(); ++i) {
            BSTR n = nullptr;
            if (SUCCEEDED(lib_->GetDocumentation(i, &n, nullptr, nullptr, nullptr))) {
                bool match = n && std::wstring(n) == name;
                SysFreeString(n);
                if (match) {
                    ITypeInfo* info = nullptr;
                    lib_->GetTypeInfo(i, &info);
                    return info;
                }
            }
        }
        return nullptr;
    }

private:
    ITypeLib* lib_ = nullptr;
    HRESULT hr_ = E_FAIL;
};

class Attr {
public:
    explicit Attr(ITypeInfo* info) : info_(info) { info_->GetTypeAttr(&attr_); }
    ~Attr() { info_->ReleaseTypeAttr(attr_); }
    Attr(const Attr&) = delete;
    Attr& operator=(const Attr&) = delete;
    const TYPEATTR* operator->() const { return attr_; }

private:
    ITypeInfo* info_;
    TYPEATTR* attr_ = nullptr;
};

std::wstring MemberName(ITypeInfo* info, MEMBERID id) {
    BSTR name = nullptr;
    info->GetDocumentation(id, &name, nullptr, nullptr, nullptr);
    std::wstring result = name ? name : L"";
    SysFreeString(name);
    return result;
}

std::wstring TypeName(ITypeInfo* info) { return MemberName(info, MEMBERID_NIL); }

// The name of the type a VT_USERDEFINED parameter refers to, "" otherwise.
std::wstring UserTypeName(ITypeInfo* info, const TYPEDESC& desc) {
    if (desc.vt != VT_USERDEFINED) return L"";
    ITypeInfo* ref = nullptr;
    if (FAILED(info->GetRefTypeInfo(desc.hreftype, &ref))) return L"?";
    std::wstring name = TypeName(ref);
    ref->Release();
    return name;
}

// The VARTYPE a caller of IDispatch::Invoke passes for a parameter: a pointer
// becomes VT_BYREF, an enumeration VT_I4.
VARTYPE DispatchType(ITypeInfo* info, const TYPEDESC& desc) {
    if (desc.vt == VT_PTR) {
        VARTYPE inner = DispatchType(info, *desc.lptdesc);
        // An interface pointer crosses as the interface itself.
        if (desc.lptdesc->vt == VT_USERDEFINED && (inner == VT_DISPATCH || inner == VT_UNKNOWN))
            return inner;
        return VT_BYREF | inner;
    }
    if (desc.vt == VT_USERDEFINED) {
        ITypeInfo* ref = nullptr;
        if (FAILED(info->GetRefTypeInfo(desc.hreftype, &ref))) return VT_EMPTY;
        VARTYPE vt = VT_EMPTY;
        {
            Attr attr(ref);
            if (attr->typekind == TKIND_ENUM) vt = VT_I4;
            if (attr->typekind == TKIND_ALIAS) vt = DispatchType(ref, attr->tdescAlias);
            if (attr->typekind == TKIND_DISPATCH) vt = VT_DISPATCH;
            if (attr->typekind == TKIND_INTERFACE) vt = VT_UNKNOWN;
        }
        ref->Release();
        return vt;
    }
    return desc.vt;
}

struct Member {
    MEMBERID id;
    INVOKEKIND kind;
    int params;
    std::wstring name;
};

// The functions of a type, in vtable (or declaration) order.
std::vector<Member> Members(ITypeInfo* info) {
    std::vector<Member> members;
    Attr attr(info);
    for (UINT i = 0; i < attr->cFuncs; ++i) {
        FUNCDESC* f = nullptr;
        if (FAILED(info->GetFuncDesc(i, &f))) continue;
        members.push_back({f->memid, f->invkind, f->cParams, MemberName(info, f->memid)});
        info->ReleaseFuncDesc(f);
    }
    return members;
}

// The vtable half of the dual interface.
ITypeInfo* QuillmarkInterface(const TypeLib& lib) {
    ITypeInfo* dispatch = lib.Info(IID_IQuillmark);
    if (!dispatch) return nullptr;
    ITypeInfo* vtable = nullptr;
    HREFTYPE ref = 0;
    if (SUCCEEDED(dispatch->GetRefTypeOfImplType(-1, &ref))) dispatch->GetRefTypeInfo(ref, &vtable);
    dispatch->Release();
    return vtable;
}

class TypeLibTest : public ::testing::TestWithParam<Source> {
protected:
    void SetUp() override {
        ASSERT_EQ(S_OK, lib_.hr());
        ASSERT_NE(nullptr, lib_.get());
    }
    TypeLib lib_{GetParam()};
};

INSTANTIATE_TEST_SUITE_P(Sources, TypeLibTest,
                         ::testing::Values(Source::File, Source::Dll, Source::Module),
                         [](const ::testing::TestParamInfo<Source>& p) {
                             return p.param == Source::File  ? "TlbFile"
                                    : p.param == Source::Dll ? "ControlDll"
                                                             : "ModuleResource";
                         });

const GUID kLibId = {0xE1FB61CC, 0xC792, 0x444D, {0xB4, 0xA8, 0xA8, 0x64, 0x93, 0x7B, 0x75, 0x3A}};
const GUID kQuillmarkClsid = {0xBD1A7D5D, 0xF3FB, 0x4238, {0xA0, 0x72, 0x69, 0x48, 0xD1, 0x15, 0x0C, 0xD2}};
const GUID kNotePropsClsid = {0x799031F9, 0xA22D, 0x4B56, {0xBC, 0xA3, 0xBD, 0xA5, 0x50, 0x19, 0xB7, 0x11}};
const GUID kQuillmarkIid = {0xB97B711C, 0x739F, 0x4F08, {0xA4, 0x1B, 0x53, 0x49, 0x62, 0xDF, 0xDA, 0x27}};
const GUID kEventsDiid = {0x6B29C8C9, 0x517A, 0x459A, {0xAC, 0x5F, 0x3B, 0x45, 0x12, 0xCD, 0x81, 0x97}};
const GUID kAnnotateServerIid = {0x0CBA8714, 0xBCDE, 0x4B04, {0xBD, 0xD9, 0x84, 0x81, 0x70, 0x7E, 0xCF, 0xAD}};

TEST(QuillmarkHeader, IdentitiesMatchThePublishedOnes) {
    EXPECT_TRUE(IsEqualGUID(kLibId, LIBID_QUILLM70Lib));
    EXPECT_TRUE(IsEqualGUID(kQuillmarkClsid, CLSID_Quillmark));
    EXPECT_TRUE(IsEqualGUID(kNotePropsClsid, CLSID_NoteProps));
    EXPECT_TRUE(IsEqualGUID(kQuillmarkIid, IID_IQuillmark));
    EXPECT_TRUE(IsEqualGUID(kEventsDiid, DIID__IQuillmarkEvents));
    EXPECT_TRUE(IsEqualGUID(kAnnotateServerIid, IID_IAnnotateServer7));
}

TEST_P(TypeLibTest, LibraryIdentityNameAndVersion) {
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, lib_.get()->GetLibAttr(&attr));
    EXPECT_TRUE(IsEqualGUID(kLibId, attr->guid));
    EXPECT_EQ(1, attr->wMajorVerNum);
    EXPECT_EQ(0, attr->wMinorVerNum);
    lib_.get()->ReleaseTLibAttr(attr);
    BSTR name = nullptr;
    ASSERT_EQ(S_OK, lib_.get()->GetDocumentation(-1, &name, nullptr, nullptr, nullptr));
    EXPECT_STREQ(L"QUILLM70Lib", name);
    SysFreeString(name);
}

TEST_P(TypeLibTest, ClassesAndTheirInterfaces) {
    struct Expected {
        const GUID* clsid;
        const wchar_t* name;
        bool creatable;
        bool control;
        std::vector<std::pair<std::wstring, int>> interfaces;  // name, IMPLTYPEFLAGS
    };
    const Expected classes[] = {
        {&kQuillmarkClsid, L"Quillmark", true, true,
         {{L"IQuillmark", IMPLTYPEFLAG_FDEFAULT},
          {L"_IQuillmarkEvents", IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE}}},
        {&kNotePropsClsid, L"NoteProps", true, false, {}},
        {nullptr, L"AnnotateServer", false, false, {{L"IAnnotateServer7", IMPLTYPEFLAG_FDEFAULT}}},
    };
    for (const Expected& c : classes) {
        SCOPED_TRACE(testing::Message() << "coclass " << std::string(c.name, c.name + wcslen(c.name)));
        ITypeInfo* info = c.clsid ? lib_.Info(*c.clsid) : lib_.Named(c.name);
        ASSERT_NE(nullptr, info);
        {
            Attr attr(info);
            EXPECT_EQ(TKIND_COCLASS, attr->typekind);
            EXPECT_EQ(c.name, TypeName(info));
            EXPECT_EQ(c.creatable, (attr->wTypeFlags & TYPEFLAG_FCANCREATE) != 0);
            EXPECT_EQ(c.control, (attr->wTypeFlags & TYPEFLAG_FCONTROL) != 0);
            ASSERT_EQ(c.interfaces.size(), attr->cImplTypes);
            for (UINT i = 0; i < attr->cImplTypes; ++i) {
                HREFTYPE ref = 0;
                ITypeInfo* implemented = nullptr;
                ASSERT_EQ(S_OK, info->GetRefTypeOfImplType(i, &ref));
                ASSERT_EQ(S_OK, info->GetRefTypeInfo(ref, &implemented));
                EXPECT_EQ(c.interfaces[i].first, TypeName(implemented));
                implemented->Release();
                INT flags = 0;
                info->GetImplTypeFlags(i, &flags);
                EXPECT_EQ(c.interfaces[i].second, flags);
            }
        }
        info->Release();
    }
}

TEST_P(TypeLibTest, QuillmarkIsADualInterfaceOf458Members) {
    ITypeInfo* dispatch = lib_.Info(kQuillmarkIid);
    ASSERT_NE(nullptr, dispatch);
    {
        Attr attr(dispatch);
        EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
        EXPECT_NE(0, attr->wTypeFlags & TYPEFLAG_FDUAL);
    }
    dispatch->Release();
    ITypeInfo* vtable = QuillmarkInterface(lib_);
    ASSERT_NE(nullptr, vtable);
    {
        Attr attr(vtable);
        EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
        EXPECT_EQ(458, attr->cFuncs);
        // IUnknown's three and IDispatch's four entries come first.
        EXPECT_EQ((7 + 458) * 4, attr->cbSizeVft);
    }
    vtable->Release();
}

// Dispids: -552 for About, 1..465 for the rest, ForceAllUpdate the highest;
// a property's get, put and putref share one; two names never share one; the
// dispids the defaults cache notifies for codes that name no member stay free.
TEST_P(TypeLibTest, DispidsAreUniquePerNameAndInRange) {
    ITypeInfo* vtable = QuillmarkInterface(lib_);
    ASSERT_NE(nullptr, vtable);
    std::map<MEMBERID, std::wstring> names;
    std::map<std::wstring, MEMBERID> ids;
    std::set<std::pair<std::wstring, int>> rows;
    MEMBERID highest = 0;
    for (const Member& m : Members(vtable)) {
        SCOPED_TRACE(testing::Message() << "dispid " << m.id);
        EXPECT_TRUE(m.id == -552 || (m.id >= 1 && m.id <= 465));
        auto found = names.emplace(m.id, m.name);
        EXPECT_EQ(found.first->second, m.name);
        auto id = ids.emplace(m.name, m.id);
        EXPECT_EQ(id.first->second, m.id) << "get, put and putref share the dispid";
        EXPECT_TRUE(rows.insert({m.name, m.kind}).second) << "one entry per name and kind";
        if (m.id > highest) highest = m.id;
    }
    vtable->Release();
    EXPECT_EQ(465, highest);
    EXPECT_EQ(L"ForceAllUpdate", names[465]);
    for (MEMBERID free = 337; free <= 348; ++free) EXPECT_EQ(0u, names.count(free)) << free;
    for (MEMBERID free = 379; free <= 391; ++free) EXPECT_EQ(0u, names.count(free)) << free;
    for (MEMBERID free : {410, 411, 420, 421}) EXPECT_EQ(0u, names.count(free)) << free;
}

enum : int { Get = INVOKE_PROPERTYGET, Put = INVOKE_PROPERTYPUT, PutRef = INVOKE_PROPERTYPUTREF,
             Call = INVOKE_FUNC };

struct ExpectedMember {
    const wchar_t* name;
    int kind;
    MEMBERID id;  // 0: any dispid
    int params;
};

// Members whose dispids the control's persistence, property page, change
// notifications and binding rely on, and a sample of every family with its
// kind and argument count.
const ExpectedMember kMembers[] = {
    // persisted properties and the defaults they notify
    {L"Client", Get, 1, 1}, {L"Client", Put, 1, 1},
    {L"DefaultPenColor", Get, 9, 1}, {L"DefaultPenColor", Put, 9, 1},
    {L"DefaultFillColor", Get, 10, 1}, {L"DefaultFillColor", Put, 10, 1},
    {L"DefaultPenWidth", Get, 12, 1}, {L"DefaultPenWidth", Put, 12, 1},
    {L"DefaultTextColor", Get, 15, 1}, {L"DefaultTextColor", Put, 15, 1},
    {L"DefaultTool", Get, 16, 1}, {L"DefaultTool", Put, 16, 1},
    {L"DefaultBackColor", Get, 17, 1}, {L"DefaultBackColor", Put, 17, 1},
    {L"DefaultTextFont", Get, 54, 1}, {L"DefaultTextFont", Put, 54, 1},
    {L"DefaultTextFont", PutRef, 54, 1},
    {L"DefaultStampFont", Get, 22, 1}, {L"DefaultStampFont", Put, 22, 1},
    {L"DefaultStampFont", PutRef, 22, 1},
    {L"Subject", Get, 51, 1}, {L"Subject", Put, 51, 1},
    {L"Author", Get, 52, 1}, {L"Author", Put, 52, 1},
    {L"Comments", Get, 49, 1}, {L"Comments", Put, 49, 1},
    {L"Title", Get, 50, 1}, {L"Title", Put, 50, 1},
    {L"DefaultHighlightFill", Get, 70, 1}, {L"DefaultHighlightFill", Put, 70, 1},
    {L"DefaultHighlightBack", Get, 71, 1}, {L"DefaultHighlightBack", Put, 71, 1},
    {L"EnableContextMenu", Get, 80, 1}, {L"EnableContextMenu", Put, 80, 1},
    {L"InteractMode", Get, 170, 1}, {L"InteractMode", Put, 170, 1},
    {L"SaveAnnotations", Get, 171, 1}, {L"SaveAnnotations", Put, 171, 1},
    {L"UsePaletteMenu", Get, 196, 1}, {L"UsePaletteMenu", Put, 196, 1},
    {L"DefaultStampText", Get, 198, 1}, {L"DefaultStampText", Put, 198, 1},
    {L"DefaultButtonFont", Get, 241, 1}, {L"DefaultButtonFont", Put, 241, 1},
    {L"DefaultButtonFont", PutRef, 241, 1},
    {L"DefaultButtonText", Get, 242, 1}, {L"DefaultButtonText", Put, 242, 1},
    {L"PreserveWTLayers", Get, 243, 1}, {L"PreserveWTLayers", Put, 243, 1},
    {L"RequireToolPalette", Get, 248, 1}, {L"RequireToolPalette", Put, 248, 1},
    {L"TIFFAnnotationType", Get, 253, 1}, {L"TIFFAnnotationType", Put, 253, 1},
    {L"AllowPaint", Get, 256, 1}, {L"AllowPaint", Put, 256, 1},
    {L"UnicodeMode", Get, 332, 1}, {L"UnicodeMode", Put, 332, 1},
    {L"QMKEditors", Get, 333, 1}, {L"QMKEditors", Put, 333, 1},
    {L"LoadAnnotations", Get, 281, 1}, {L"LoadAnnotations", Put, 281, 1},
    {L"MLECompatible", Get, 331, 1}, {L"MLECompatible", Put, 331, 1},
    {L"FontScaling", Get, 330, 1}, {L"FontScaling", Put, 330, 1},
    {L"TextToolArrows", Get, 334, 1}, {L"TextToolArrows", Put, 334, 1},
    {L"RecalibrateXDPI", Get, 335, 1}, {L"RecalibrateXDPI", Put, 335, 1},
    {L"RecalibrateYDPI", Get, 336, 1}, {L"RecalibrateYDPI", Put, 336, 1},
    {L"DefaultRulerFont", Get, 400, 1}, {L"DefaultRulerFont", Put, 400, 1},
    {L"DefaultRulerFont", PutRef, 400, 1},
    // members with fixed dispids outside the persisted set
    {L"About", Call, -552, 0},
    {L"ForceAllUpdate", Call, 465, 0},
    {L"DeleteLayer", Call, 19, 1},
    {L"CurrentLayer", Get, 27, 1}, {L"CurrentLayer", Put, 27, 1},
    {L"RetrieveAnnotation", Call, 47, 1},
    {L"SetAnnFromVariant", Call, 91, 1},
    {L"SetClientWindow", Call, 94, 1},
    {L"InterfaceConnect", Call, 257, 2},
    {L"InterfaceDisconnect", Call, 258, 0},
    {L"SetFont", Call, 24, 3}, {L"GetFont", Call, 141, 3},
    {L"Font", Get, 56, 1}, {L"Font", Put, 56, 1}, {L"Font", PutRef, 56, 1},
    {L"ElementSetFont", Call, 120, 2}, {L"ElementGetFont", Call, 140, 2},
    {L"PrgSetItemFont", Call, 159, 3}, {L"PrgGetItemFont", Call, 216, 3},
    // layers
    {L"CreateLayer", Call, 0, 1}, {L"SetCurrentLayer", Call, 0, 1},
    {L"GetFirstLayer", Call, 0, 1}, {L"GetNextLayer", Call, 0, 1},
    {L"NumLayers", Get, 0, 1}, {L"Clear", Call, 0, 0},
    {L"LayerName", Get, 0, 1}, {L"LayerName", Put, 0, 1},
    {L"SetVisible", Call, 0, 2}, {L"GetVisible", Call, 0, 2},
    {L"LayerPassword", Put, 0, 1}, {L"Update", Get, 0, 1}, {L"Update", Put, 0, 1},
    {L"IsSelection", Get, 0, 1}, {L"BringToFront", Call, 0, 0},
    // items
    {L"PrgSetItemColor", Call, 0, 4}, {L"PrgGetItemColor", Call, 0, 4},
    {L"PrgGetItemRect", Call, 0, 6}, {L"PrgSetItemRect", Call, 0, 6},
    {L"PrgGetItemPoint", Call, 0, 5}, {L"PrgSetItemPointY", Call, 0, 4},
    {L"PrgSelectItem", Call, 0, 2}, {L"PrgGetItemCreateTime", Call, 0, 3},
    {L"PrgGetRulerLength", Call, 0, 3}, {L"PrgSetItemWangType", Call, 0, 3},
    {L"PrgGetImageMappingDimensions", Call, 0, 2},
    {L"UserItemColorSelect", Call, 0, 6}, {L"UserItemFontSelect", Call, 0, 5},
    {L"NudgeDn", Call, 0, 2},
    // tools
    {L"PenColor", Get, 0, 1}, {L"PenColor", Put, 0, 1},
    {L"LineEndStyle", Get, 0, 1}, {L"LineEndStyle", Put, 0, 1},
    {L"Tool", Get, 0, 1}, {L"Tool", Put, 0, 1},
    {L"SetAttributeWidth", Call, 0, 4}, {L"ToolbarGetTool", Call, 0, 2},
    {L"GetToolDefaultAttribute", Call, 0, 3}, {L"IsValidToolAttribute", Call, 0, 3},
    {L"UserColorSelect", Call, 0, 5}, {L"UserFontSelect", Call, 0, 4},
    // elements
    {L"ElementCreate", Call, 0, 1}, {L"ElementAppend", Call, 0, 2},
    {L"ElementGetPoint", Call, 0, 4}, {L"ElementSetBoundingRect", Call, 0, 5},
    {L"ElementGetBoundingRect", Call, 0, 5}, {L"ElementSetShowGauge", Call, 0, 2},
    {L"ElementGetDIBHandle", Call, 0, 2}, {L"ElementSetType", Call, 0, 2},
    // groups
    {L"GrpCreateGroup", Call, 0, 4}, {L"GrpGetRect", Call, 0, 6},
    {L"GrpGetYoked", Call, 0, 3}, {L"PrgGetGroupCount", Call, 0, 2},
    {L"AllowUserGrouping", Get, 0, 1}, {L"AllowUserGrouping", Put, 0, 1},
    // palette and menus
    {L"ToolPaletteHwnd", Get, 0, 1}, {L"ToolbarHwnd", Get, 0, 1},
    {L"ToolbarHeight", Get, 0, 1}, {L"ToolbarWidth", Put, 0, 1},
    {L"ToolbarActivated", Get, 0, 1}, {L"ToolbarActivated", Put, 0, 1},
    {L"MenuAddItem", Call, 0, 7}, {L"MenuSetItemVisible", Call, 0, 6},
    {L"MenuGetFirstItemID", Call, 0, 4}, {L"AddPaletteSubmenuItem", Call, 0, 6},
    {L"GetNextContextMenuID", Call, 0, 1},
    // storage
    {L"StoreAnnotation", Call, 0, 1}, {L"GetLayerIntoVariant", Call, 0, 3},
    {L"SetLayerFromVariant", Call, 0, 2}, {L"IsPasteAvailable", Get, 0, 1},
    {L"Cut", Call, 0, 0}, {L"Brand", Call, 0, 1},
    // defaults
    {L"GetMeasureAbbr", Call, 0, 2}, {L"SetMeasureAbbr", Call, 0, 2},
};

TEST_P(TypeLibTest, MembersHaveTheirDispidsKindsAndArguments) {
    ITypeInfo* vtable = QuillmarkInterface(lib_);
    ASSERT_NE(nullptr, vtable);
    std::map<std::pair<std::wstring, int>, Member> byName;
    for (const Member& m : Members(vtable)) byName[{m.name, m.kind}] = m;
    vtable->Release();
    for (const ExpectedMember& e : kMembers) {
        SCOPED_TRACE(testing::Message() << std::string(e.name, e.name + wcslen(e.name))
                                        << " kind " << e.kind);
        auto found = byName.find({e.name, e.kind});
        ASSERT_NE(byName.end(), found);
        if (e.id != 0) {
            EXPECT_EQ(e.id, found->second.id);
        }
        EXPECT_EQ(e.params, found->second.params);
    }
}

// Script hosts call through IDispatch: names resolve to the same dispids.
TEST_P(TypeLibTest, NamesResolveThroughTheDispatchInterface) {
    ITypeInfo* dispatch = lib_.Info(kQuillmarkIid);
    ASSERT_NE(nullptr, dispatch);
    for (const ExpectedMember& e : kMembers) {
        if (e.id == 0) continue;
        LPOLESTR name = const_cast<LPOLESTR>(e.name);
        MEMBERID id = 0;
        EXPECT_EQ(S_OK, dispatch->GetIDsOfNames(&name, 1, &id));
        EXPECT_EQ(e.id, id) << std::string(e.name, e.name + wcslen(e.name));
    }
    dispatch->Release();
}

struct ExpectedEvent {
    const wchar_t* name;
    MEMBERID id;
    std::vector<VARTYPE> arguments;
    std::vector<std::wstring> enumerations;  // per argument: its enumeration or ""
};

const VARTYPE I4 = VT_I4, I2 = VT_I2, Str = VT_BSTR;

const ExpectedEvent kEvents[] = {
    {L"AnnotateEvent", 1, {I4, I4}, {}},
    {L"LayerRestored", 3, {I4}, {}},
    {L"RequestLayerPassword", 4, {Str, VT_BYREF | VT_BSTR}, {}},
    {L"CurrentLayerChange", 5, {I4}, {}},
    {L"Stamping", 2, {}, {}},
    {L"Click", 6, {I4, I4}, {}},
    {L"PaletteMenuSelect", 7, {I4, I4, I4, I4, I4}, {L"annotationTOOL", L"", L"", L"", L""}},
    {L"MouseDown", 8, {I4, I4, I2, I2, I4, I4}, {}},
    {L"MouseUp", 9, {I4, I4, I2, I2, I4, I4}, {}},
    {L"DoubleClick", 10, {I4, I4}, {}},
    {L"MouseMove", 11, {I4, I4, I2, I2, I4, I4}, {}},
    {L"UserDraw", 12, {I4, I4, I4, I4, I4, I4, I4, I4}, {}},
    {L"ItemChanged", 13, {I4, I4, I4}, {}},
    {L"ContextMenuSelect", 14, {I4, I4, I4}, {}},
    {L"UserGroupCreated", 15, {I4, I4}, {}},
    {L"UserGroupDestroyed", 16, {I4, I4}, {}},
    {L"MenuSelect", 17, {I4, I4, I4, I4, I4, I4, I4, I4},
     {L"enumMenu", L"annotationTOOL", L"", L"", L"", L"", L"", L""}},
    {L"ToolbarSelect", 18, {I4, I4}, {L"annotationTOOL", L""}},
};

TEST_P(TypeLibTest, EventsInOrderWithTheirDispidsAndArgumentTypes) {
    ITypeInfo* events = lib_.Info(kEventsDiid);
    ASSERT_NE(nullptr, events);
    {
        Attr attr(events);
        EXPECT_EQ(TKIND_DISPATCH, attr->typekind);
        EXPECT_EQ(L"_IQuillmarkEvents", TypeName(events));
    }
    std::vector<FUNCDESC*> own;
    {
        Attr attr(events);
        for (UINT i = 0; i < attr->cFuncs; ++i) {
            FUNCDESC* f = nullptr;
            ASSERT_EQ(S_OK, events->GetFuncDesc(i, &f));
            // IDispatch's own entries, where the library lists them, come first.
            if (f->memid >= 0x60000000) { events->ReleaseFuncDesc(f); continue; }
            own.push_back(f);
        }
    }
    ASSERT_EQ(18u, own.size());
    for (size_t i = 0; i < own.size(); ++i) {
        const ExpectedEvent& e = kEvents[i];
        FUNCDESC* f = own[i];
        SCOPED_TRACE(testing::Message() << std::string(e.name, e.name + wcslen(e.name)));
        EXPECT_EQ(e.name, MemberName(events, f->memid));
        EXPECT_EQ(e.id, f->memid);
        EXPECT_EQ(INVOKE_FUNC, f->invkind);
        ASSERT_EQ(e.arguments.size(), static_cast<size_t>(f->cParams));
        for (int p = 0; p < f->cParams; ++p) {
            const TYPEDESC& t = f->lprgelemdescParam[p].tdesc;
            EXPECT_EQ(e.arguments[p], DispatchType(events, t)) << "argument " << p;
            std::wstring enumeration = e.enumerations.empty() ? L"" : e.enumerations[p];
            EXPECT_EQ(enumeration, UserTypeName(events, t)) << "argument " << p;
        }
        events->ReleaseFuncDesc(f);
    }
    events->Release();
}

TEST_P(TypeLibTest, AnnotateServerHasNameChange) {
    ITypeInfo* info = lib_.Info(kAnnotateServerIid);
    ASSERT_NE(nullptr, info);
    {
        Attr attr(info);
        EXPECT_EQ(TKIND_INTERFACE, attr->typekind);
        EXPECT_EQ(L"IAnnotateServer7", TypeName(info));
        ASSERT_EQ(1, attr->cFuncs);
        EXPECT_EQ(4 * 4, attr->cbSizeVft);  // IUnknown's three, then NameChange
    }
    FUNCDESC* f = nullptr;
    ASSERT_EQ(S_OK, info->GetFuncDesc(0, &f));
    EXPECT_EQ(L"NameChange", MemberName(info, f->memid));
    EXPECT_EQ(1, f->memid);
    ASSERT_EQ(1, f->cParams);
    EXPECT_EQ(VT_BSTR, f->lprgelemdescParam[0].tdesc.vt);
    info->ReleaseFuncDesc(f);
    info->Release();
}

struct ExpectedEnum {
    const wchar_t* name;
    std::vector<std::pair<std::wstring, int>> values;
};

const ExpectedEnum kEnums[] = {
    {L"QMKFontScaling", {{L"FontScaling_Normal", 0}, {L"FontScaling_IResY", 1}}},
    {L"CursorType", {{L"Cursor_Creating", 0}, {L"Cursor_Selecting", 1}, {L"Cursor_Moving", 2}}},
    {L"TIFFAnnType", {{L"I4W_Compatible", 0}, {L"QMK_Compatible", 1}}},
    {L"LineEndStyle", {{L"LineStyle_Plain", 0}, {L"LineStyle_Arrow", 1}}},
    {L"linePenStyle",
     {{L"LinePenStyle_Solid", 5000}, {L"LinePenStyle_Dash", 5001}, {L"LinePenStyle_Dot", 5002},
      {L"LinePenStyle_DashDot", 5003}, {L"LinePenStyle_DashDotDot", 5004}}},
    {L"linePenFillStyle",
     {{L"LinePenFillStyle_Opaque", 5513}, {L"LinePenFillStyle_Translucent", 5509},
      {L"LinePenFillStyle_Invert", 5507}}},
    {L"hatchStyle",
     {{L"HatchStyle_None", 5999}, {L"HatchStyle_Horizontal", 6000}, {L"HatchStyle_Vertical", 6001},
      {L"HatchStyle_FDiagonal", 6002}, {L"HatchStyle_BDiagonal", 6003}, {L"HatchStyle_Cross", 6004},
      {L"HatchStyle_DiagonalCross", 6005}}},
    {L"textJustification",
     {{L"QMK_LeftJustify", 7000}, {L"QMK_RightJustify", 7001}, {L"QMK_CenterJustify", 7002}}},
    {L"annotationMODES", {{L"EditMode", 0}, {L"InteractiveMode", 1}}},
    {L"AnnBackstyle", {{L"QMK_TRANSPARENT", 1}, {L"QMK_OPAQUE", 2}, {L"QMK_TRANSLUCENT", 3}}},
    {L"AnnAutoSize", {{L"QMK_NoAutosize", 0}, {L"QMK_Autosize2Contents", 1}}},
    {L"AnnWangType", {{L"QMK_WangTypedText", 7}, {L"QMK_WangNote", 10}}},
    {L"AnnMethods",
     {{L"QMK_Cut", 1000}, {L"QMK_Copy", 1001}, {L"QMK_Paste", 1002}, {L"QMK_Delete", 1007},
      {L"QMK_NudgeUp", 1536}, {L"QMK_NudgeDn", 1537}, {L"QMK_BringItemToFront", 1538},
      {L"QMK_SendItemToBack", 1539}}},
    {L"Measurements",
     {{L"Measure_Inches", 2049}, {L"Measure_Feet", 2050}, {L"Measure_Yards", 2051},
      {L"Measure_Miles", 2052}, {L"Measure_MicroMeters", 2053}, {L"Measure_Millimeters", 2054},
      {L"Measure_Centimeters", 2055}, {L"Measure_Decimeters", 2056}, {L"Measure_Meters", 2057},
      {L"Measure_Dekameters", 2058}, {L"Measure_Kilometers", 2059}, {L"Measure_Pixels", 2061},
      {L"Measure_Twips", 2062}}},
    {L"enumMenu", {{L"Context", 1}, {L"Toolbar", 2}}},
    {L"annotationTOOL",
     {{L"NoTool", 0}, {L"PointerTool", 4096}, {L"TextTool", 4097}, {L"RectangleTool", 4098},
      {L"EllipseTool", 4099}, {L"PolygonTool", 4100}, {L"PolyLineTool", 4101}, {L"LineTool", 4102},
      {L"FreehandTool", 4103}, {L"StampTool", 4104}, {L"ImageTool", 4105}, {L"ButtonTool", 4106},
      {L"RulerTool", 4107}, {L"ProtractorTool", 4108}}},
    {L"annotationEVENT",
     {{L"QMK_AnnotationAdded", 1001}, {L"QMK_AnnotationMoved", 1002},
      {L"QMK_AnnotationDeleted", 1003}, {L"QMK_AnnotationSelected", 1004},
      {L"QMK_AnnotationEndSelected", 1005}, {L"QMK_AnnotationTool", 1008},
      {L"QMK_AnnotationStamping", 1009}, {L"QMK_Click", 1010}, {L"QMK_MouseDown", 1011},
      {L"QMK_MouseUp", 1012}, {L"QMK_DoubleClick", 1013}, {L"QMK_ItemRightClick", 1014},
      {L"QMK_ToolChange", 1015}, {L"QMK_MouseMove", 1016}, {L"QMK_TextEditStart", 1017},
      {L"QMK_TextEditEnd", 1018}, {L"QMK_ToolPaletteRClick", 1100}, {L"QMK_GroupSelected", 2001}}},
};

std::vector<std::pair<std::wstring, int>> EnumValues(ITypeInfo* info) {
    std::vector<std::pair<std::wstring, int>> values;
    Attr attr(info);
    for (UINT i = 0; i < attr->cVars; ++i) {
        VARDESC* v = nullptr;
        if (FAILED(info->GetVarDesc(i, &v))) continue;
        values.push_back({MemberName(info, v->memid), V_I4(v->lpvarValue)});
        info->ReleaseVarDesc(v);
    }
    return values;
}

TEST_P(TypeLibTest, EnumerationsWithTheirValuesInOrder) {
    for (const ExpectedEnum& e : kEnums) {
        SCOPED_TRACE(testing::Message() << std::string(e.name, e.name + wcslen(e.name)));
        ITypeInfo* info = lib_.Named(e.name);
        ASSERT_NE(nullptr, info);
        {
            Attr attr(info);
            EXPECT_EQ(TKIND_ENUM, attr->typekind);
        }
        EXPECT_EQ(e.values, EnumValues(info));
        info->Release();
    }
}

// The attribute codes that member arguments of type annotationATTRIBUTE take,
// including the ones the tool and item members fix themselves.
TEST_P(TypeLibTest, AttributeEnumerationHoldsTheMembersCodes) {
    ITypeInfo* info = lib_.Named(L"annotationATTRIBUTE");
    ASSERT_NE(nullptr, info);
    std::map<std::wstring, int> values;
    for (const auto& v : EnumValues(info)) values.insert(v);
    info->Release();
    const std::pair<const wchar_t*, int> expected[] = {
        {L"QMK_PenColor", 1}, {L"QMK_TextColor", 2}, {L"QMK_BackColor", 3},
        {L"QMK_FillColor", 4}, {L"QMK_PenWidth", 5}, {L"QMK_BoundingRect", 7},
        {L"QMK_HighlightBack", 8}, {L"QMK_HighlightFill", 9}, {L"QMK_Text", 10},
        {L"QMK_Logfont", 11}, {L"QMK_EndPtStyle", 14}, {L"QMK_BackStyle", 16},
        {L"QMK_Visible", 21}, {L"QMK_TextJustification", 41}, {L"QMK_ElementType", 128},
        {L"QMK_ToolType", 129}, {L"QMK_ShowGauge", 2117},
    };
    for (const auto& e : expected) {
        auto found = values.find(e.first);
        ASSERT_NE(values.end(), found) << std::string(e.first, e.first + wcslen(e.first));
        EXPECT_EQ(e.second, found->second);
    }
}

} // namespace

namespace {

// The value types property browsers and the persistence look at: colours are
// OLE_COLOR (a 32-bit unsigned alias), fonts font objects, flags VARIANT_BOOL,
// enumerations their own types.
TEST_P(TypeLibTest, PropertyValueTypes) {
    struct Expected {
        const wchar_t* name;
        std::wstring userType;  // the named type of the value, "" for a plain one
        VARTYPE vt;             // what an IDispatch caller receives
    };
    const Expected properties[] = {
        {L"DefaultPenColor", L"OLE_COLOR", VT_UI4},
        {L"DefaultBackColor", L"OLE_COLOR", VT_UI4},
        {L"DefaultPenWidth", L"", VT_I4},
        {L"DefaultTool", L"annotationTOOL", VT_I4},
        {L"DefaultHighlightFill", L"", VT_BOOL},
        {L"Comments", L"", VT_BSTR},
        {L"InteractMode", L"annotationMODES", VT_I4},
        {L"TIFFAnnotationType", L"TIFFAnnType", VT_I4},
        {L"FontScaling", L"QMKFontScaling", VT_I4},
        {L"DefaultTextFont", L"IFontDisp", VT_DISPATCH},
    };
    ITypeInfo* vtable = QuillmarkInterface(lib_);
    ASSERT_NE(nullptr, vtable);
    UINT count = 0;
    {
        Attr attr(vtable);
        count = attr->cFuncs;
    }
    for (const Expected& e : properties) {
        SCOPED_TRACE(testing::Message() << std::string(e.name, e.name + wcslen(e.name)));
        bool seen = false;
        for (UINT i = 0; i < count; ++i) {
            FUNCDESC* f = nullptr;
            ASSERT_EQ(S_OK, vtable->GetFuncDesc(i, &f));
            if (f->invkind == INVOKE_PROPERTYGET && MemberName(vtable, f->memid) == e.name) {
                seen = true;
                ASSERT_EQ(1, f->cParams);
                const TYPEDESC& out = f->lprgelemdescParam[0].tdesc;
                ASSERT_EQ(VT_PTR, out.vt);
                const TYPEDESC* value = out.lptdesc;
                if (value->vt == VT_PTR) value = value->lptdesc;  // a font object pointer
                EXPECT_EQ(e.userType, UserTypeName(vtable, *value));
                EXPECT_EQ(VT_BYREF | e.vt, DispatchType(vtable, out));
            }
            vtable->ReleaseFuncDesc(f);
        }
        EXPECT_TRUE(seen);
    }
    vtable->Release();

    // The colour alias is the standard one, known to browsers by its identifier.
    const GUID oleColor = {0x66504301, 0xBE0F, 0x101A, {0x8B, 0xBA, 0x00, 0xAA, 0x00, 0x30, 0x0C, 0xAB}};
    ITypeInfo* alias = lib_.Named(L"OLE_COLOR");
    ASSERT_NE(nullptr, alias);
    {
        Attr a(alias);
        EXPECT_EQ(TKIND_ALIAS, a->typekind);
        EXPECT_TRUE(IsEqualGUID(oleColor, a->guid));
        EXPECT_EQ(VT_UI4, a->tdescAlias.vt);
    }
    alias->Release();
}

} // namespace
