// The IQuillmark members against the recording fake engine: each forwarding
// row of the member table makes its one engine call and maps the answer as
// its row says; the layer and item members hand the engine their arguments
// with the conversions, fixed codes and checks of their kind; the members
// that are written out call the engine in their order; a host letting go of
// the control from an event raised inside a member does not pull the control
// away under it.
#include "control_fake_engine_fixture.h"
#include "dispatch_arguments.h"

#include "member_conversions.h"
#include "member_support.h"

#include <functional>
#include <cctype>
#include <cstring>
#include <set>

using quillmark_test::ControlWithFakeEngineTest;
using quillmark_test::Err;
using quillmark_test::Lines;
using quillmark_test::RecordingSink;

namespace {

// ---- the member table as the tests see it ----

enum class RowKind { Custom, NotImplemented, Forward, ForwardLayer, ForwardChecked };

struct TableRow {
    const char* name;
    int invkind;
    DISPID dispid;
    RowKind kind;
    const char* slot;    // the engine operation of a forwarding row
    const char* result;  // what the row makes of the engine's answer
    int checkCode;       // the code a checked row reports
    const char* params;  // the parameter list as written
    const char* outs;    // the pointers a forwarding row checks
};

using namespace quillmark;
#define QM_INVOKE_METHOD INVOKE_FUNC
#define QM_INVOKE_PROPGET INVOKE_PROPERTYGET
#define QM_INVOKE_PROPPUT INVOKE_PROPERTYPUT
#define QM_INVOKE_PROPPUTREF INVOKE_PROPERTYPUTREF
#define QM_CUSTOM(name, n, call, params) \
    {#name, QM_INVOKE_##call, n, RowKind::Custom, "", "", 0, #params, ""},
#define QM_NOTIMPL(name, n, call, params) \
    {#name, QM_INVOKE_##call, n, RowKind::NotImplemented, "", "", 0, #params, ""},
#define QM_FORWARD(name, n, call, params, slot, args, outs, result) \
    {#name, QM_INVOKE_##call, n, RowKind::Forward, #slot, #result, 0, #params, #outs},
#define QM_FORWARD_LAYER(name, n, call, params, none, slot, args, outs, result) \
    {#name, QM_INVOKE_##call, n, RowKind::ForwardLayer, #slot, #result, 0, #params, #outs},
#define QM_FORWARD_CHECKED(name, n, call, params, valid, code, slot, args, outs, result) \
    {#name, QM_INVOKE_##call, n, RowKind::ForwardChecked, #slot, #result, code, #params, #outs},
const TableRow kTable[] = {
#include "quillmark_member_table.h"
};
#undef QM_CUSTOM
#undef QM_NOTIMPL
#undef QM_FORWARD
#undef QM_FORWARD_LAYER
#undef QM_FORWARD_CHECKED

bool StartsWith(const std::string& text, const std::string& start)
{
    return text.compare(0, start.size(), start) == 0;
}

// A row's answer to the caller when the engine answered code (not 0).
HRESULT ExpectedResult(const TableRow& row, int code)
{
    const std::string result = row.result;
    if (StartsWith(result, "IGNORED") || StartsWith(result, "STORE") ||
        StartsWith(result, "BYTE_BOOL_IGNORED"))
        return S_OK;
    return code == QMK_ErrInvalidTool ? S_FALSE : Err(code);
}

const char* KindName(int invkind)
{
    switch (invkind) {
    case INVOKE_PROPERTYGET: return "get";
    case INVOKE_PROPERTYPUT: return "put";
    case INVOKE_PROPERTYPUTREF: return "putref";
    default: return "method";
    }
}

class MemberForwardingTest : public ControlWithFakeEngineTest {
protected:
    void SetUp() override
    {
        ControlWithFakeEngineTest::SetUp();
        CreateControl();
        ITypeInfo* dispatch = nullptr;
        ASSERT_EQ(S_OK, control->GetTypeInfo(0, 0, &dispatch));
        HREFTYPE ref = 0;
        ASSERT_EQ(S_OK, dispatch->GetRefTypeOfImplType(-1, &ref));
        ASSERT_EQ(S_OK, dispatch->GetRefTypeInfo(ref, &vtable));
        dispatch->Release();
    }
    void TearDown() override
    {
        if (vtable)
            vtable->Release();
        ControlWithFakeEngineTest::TearDown();
    }
    void AnswerEverySlotWith(int code)
    {
        for (int slot = 0; slot < kEngineSlotCount; ++slot)
            fake.setResult(slot, code);
    }
    ITypeInfo* vtable = nullptr;
};

// Every forwarding row, called as a script calls it, makes exactly the one
// engine call of its row (after asking for the current layer when it acts
// on it) and gives the caller what the row's result policy makes of the
// engine's answer; a checked row either passes its check and calls, or
// reports its code and calls nothing.
TEST_F(MemberForwardingTest, EveryForwardingRowMakesItsOneCallAndMapsItsAnswer)
{
    const UINT count = sizeof(kTable) / sizeof(kTable[0]);
    for (int code : {QMK_ErrInvalidAttribute, QMK_ErrInvalidTool}) {
        AnswerEverySlotWith(code);  // GetCurrentLayer too: a current layer of that number
        for (UINT i = 0; i < count; ++i) {
            const TableRow& row = kTable[i];
            if (row.kind == RowKind::Custom || row.kind == RowKind::NotImplemented)
                continue;
            SCOPED_TRACE(testing::Message() << row.name << " " << KindName(row.invkind)
                                            << " answered " << code);
            mark = fake.LogSize();
            const HRESULT hr = quillmark_test::InvokeEntry(control, vtable, i, true).result;
            Lines calls = EngineCalls();
            if (row.kind == RowKind::ForwardLayer) {
                ASSERT_FALSE(calls.empty());
                EXPECT_EQ("GetCurrentLayer()", calls.front());
                calls.erase(calls.begin());
            }
            if (row.kind == RowKind::ForwardChecked && calls.empty()) {
                EXPECT_EQ(Err(row.checkCode), hr);
                continue;
            }
            ASSERT_EQ(1u, calls.size());
            EXPECT_TRUE(StartsWith(calls[0], std::string(row.slot) + "(")) << calls[0];
            // IDispatch gives a script S_OK for any success, S_FALSE included.
            const HRESULT expected = ExpectedResult(row, code);
            EXPECT_EQ(expected == S_FALSE ? S_OK : expected, hr);
        }
    }
}

// The generated bodies keep locals of these names; a parameter of the same
// name would be hidden by them and never reach the engine.
TEST_F(MemberForwardingTest, NoForwardingRowNamesAParameterLikeALocalOfItsBody)
{
    const char* const locals[] = {"value", "byte", "rect", "point", "layer", "engine", "hold", "r"};
    for (const TableRow& row : kTable) {
        if (row.kind == RowKind::Custom || row.kind == RowKind::NotImplemented)
            continue;
        for (const char* local : locals)
            EXPECT_EQ(std::string::npos, std::string(row.params).find(std::string(", ") + local + ")"))
                << row.name << " names a parameter " << local;
    }
}

// The names of the parameters of a kind ("P_OUT(", ...) in a parameter list
// as written.
std::vector<std::string> ParameterNames(const std::string& params, const std::string& kind)
{
    std::vector<std::string> names;
    for (size_t at = params.find(kind); at != std::string::npos; at = params.find(kind, at + 1)) {
        if (at > 0 && std::isalnum(static_cast<unsigned char>(params[at - 1])))
            continue;  // P_INOUT holds no P_OUT, but keep to whole words
        const size_t comma = params.find(',', at);
        const size_t close = params.find(')', comma);
        std::string name = params.substr(comma + 1, close - comma - 1);
        name.erase(0, name.find_first_not_of(' '));
        names.push_back(name);
    }
    return names;
}

// A null out pointer is refused with E_POINTER before anything is done, so
// every out parameter of a forwarding row is among the pointers it checks.
TEST_F(MemberForwardingTest, EveryOutParameterOfAForwardingRowIsChecked)
{
    std::set<std::string> seen;
    for (const TableRow& row : kTable) {
        if (row.kind == RowKind::Custom || row.kind == RowKind::NotImplemented)
            continue;
        std::string outs = row.outs;
        for (char& c : outs)
            if (c == '(' || c == ')' || c == ' ')
                c = ',';
        outs = "," + outs + ",";
        for (const char* kind : {"P_OUT(", "P_RET(", "P_INOUT("})
            for (const std::string& name : ParameterNames(row.params, kind)) {
                EXPECT_NE(std::string::npos, outs.find("," + name + ","))
                    << row.name << " does not check " << name;
                seen.insert(name);
            }
    }
    // The parameter lists were read: the usual out names were found.
    EXPECT_TRUE(seen.count("pVal") && seen.count("bottom") && seen.count("count"));
}

// ---- the layer and item members, argument by argument ----

struct MemberCase {
    const char* member;  // name and kind as in the member table: "LayerName get"
    std::function<HRESULT(IQuillmark*)> call;
    Lines calls;
    HRESULT expected;
};

BSTR Text(const wchar_t* text)
{
    static std::vector<BSTR> kept;  // lives as long as the program
    kept.push_back(SysAllocString(text));
    return kept.back();
}

// The engine answers 5 as the current layer in these cases.
const MemberCase kLayerAndItemCases[] = {
    {"CurrentLayer get", [](IQuillmark* c) { long v; return c->get_CurrentLayer(&v); },
     {"GetCurrentLayer()"}, S_OK},
    {"GetFirstLayer method", [](IQuillmark* c) { long v; return c->GetFirstLayer(&v); },
     {"GetFirstLayer()"}, S_OK},
    {"GetNextLayer method", [](IQuillmark* c) { long v; return c->GetNextLayer(&v); },
     {"GetNextLayer()"}, S_OK},
    {"NumLayers get", [](IQuillmark* c) { long v; return c->get_NumLayers(&v); },
     {"GetLayerCount()"}, S_OK},
    {"LayerName get", [](IQuillmark* c) { BSTR v = nullptr; return c->get_LayerName(&v); },
     {"GetCurrentLayer()", "GetLayerProperty(5,512,ptr)"}, S_OK},
    {"LayerName put", [](IQuillmark* c) { return c->put_LayerName(Text(L"Notes")); },
     {"GetCurrentLayer()", "SetLayerProperty(5,512,\"Notes\")"}, S_OK},
    {"Description get", [](IQuillmark* c) { BSTR v = nullptr; return c->get_Description(&v); },
     {"GetCurrentLayer()", "GetLayerProperty(5,772,ptr)"}, S_OK},
    {"Description put", [](IQuillmark* c) { return c->put_Description(Text(L"d")); },
     {"GetCurrentLayer()", "SetLayerProperty(5,772,\"d\")"}, S_OK},
    {"Active get", [](IQuillmark* c) { VARIANT_BOOL v; return c->get_Active(&v); },
     {"GetCurrentLayer()", "GetLayerProperty(5,513,ptr)"}, S_OK},
    {"Active put", [](IQuillmark* c) { return c->put_Active(VARIANT_TRUE); },
     {"GetCurrentLayer()", "SetLayerProperty(5,513,1)"}, S_OK},
    {"Visible get", [](IQuillmark* c) { VARIANT_BOOL v; return c->get_Visible(&v); },
     {"GetCurrentLayer()", "GetLayerProperty(5,21,ptr)"}, S_OK},
    {"Visible put", [](IQuillmark* c) { return c->put_Visible(VARIANT_TRUE); },
     {"GetCurrentLayer()", "SetLayerProperty(5,21,1)"}, S_OK},
    {"SetLayerName method", [](IQuillmark* c) { return c->SetLayerName(8, Text(L"n")); },
     {"SetLayerProperty(8,512,\"n\")"}, S_OK},
    {"GetLayerName method", [](IQuillmark* c) { BSTR v = nullptr; return c->GetLayerName(8, &v); },
     {"GetLayerProperty(8,512,ptr)"}, S_OK},
    {"SetDescription method", [](IQuillmark* c) { return c->SetDescription(8, Text(L"n")); },
     {"SetLayerProperty(8,772,\"n\")"}, S_OK},
    {"GetDescription method",
     [](IQuillmark* c) { BSTR v = nullptr; return c->GetDescription(8, &v); },
     {"GetLayerProperty(8,772,ptr)"}, S_OK},
    {"SetActive method", [](IQuillmark* c) { return c->SetActive(8, VARIANT_TRUE); },
     {"SetLayerProperty(8,513,1)"}, S_OK},
    {"GetActive method", [](IQuillmark* c) { VARIANT_BOOL v; return c->GetActive(8, &v); },
     {"GetLayerProperty(8,513,ptr)"}, S_OK},
    {"SetVisible method", [](IQuillmark* c) { return c->SetVisible(8, 1); },
     {"SetLayerProperty(8,21,1)"}, S_OK},
    {"GetVisible method", [](IQuillmark* c) { VARIANT_BOOL v; return c->GetVisible(8, &v); },
     {"GetLayerProperty(8,21,ptr)"}, S_OK},
    {"LayerPassword get", [](IQuillmark* c) { BSTR v = nullptr; return c->get_LayerPassword(&v); },
     {"GetCurrentLayer()", "GetLayerPassword(5,ptr)"}, S_OK},
    {"LayerPassword put", [](IQuillmark* c) { return c->put_LayerPassword(Text(L"pw")); },
     {"GetCurrentLayer()", "SetLayerPassword(5,\"pw\")"}, S_OK},
    {"Reverse method", [](IQuillmark* c) { return c->Reverse(8); }, {"Reverse(8)"}, S_OK},
    {"BringToFront method", [](IQuillmark* c) { return c->BringToFront(); },
     {"GetCurrentLayer()", "BringToFront(5)"}, S_OK},
    {"SendToBack method", [](IQuillmark* c) { return c->SendToBack(); },
     {"GetCurrentLayer()", "SendToBack(5)"}, S_OK},
    {"Update get", [](IQuillmark* c) { VARIANT_BOOL v; return c->get_Update(&v); },
     {"GetCurrentLayer()", "Update(5,null,ptr)"}, S_OK},
    {"Update put", [](IQuillmark* c) { return c->put_Update(VARIANT_TRUE); },
     {"GetCurrentLayer()", "Update(5,ptr,null)"}, S_OK},
    {"DeleteSelected method", [](IQuillmark* c) { return c->DeleteSelected(); },
     {"DeleteSelected()"}, S_OK},
    {"IsSelection get", [](IQuillmark* c) { VARIANT_BOOL v; return c->get_IsSelection(&v); },
     {"GetCurrentLayer()", "IsSelection(5)"}, S_OK},
    {"SetCurrentLayer method", [](IQuillmark* c) { return c->SetCurrentLayer(8); },
     {"SetCurrentLayer(8)", "GetLayerProperty(8,513,ptr)"}, S_OK},
    {"Clear method", [](IQuillmark* c) { return c->Clear(); }, {"DeleteAllLayers()"}, S_OK},
    // Items: the colour members take colour codes only; the flags pass as
    // 0/1 except TextLocked (0/-1); back styles pass plus 3000.
    {"PrgSetItemColor method", [](IQuillmark* c) { return c->PrgSetItemColor(8, 3, QMK_FillColor, 0xFF); },
     {"PrgSetItemAttribute(8,3,4,255)"}, S_OK},
    {"PrgSetItemColor method", [](IQuillmark* c) { return c->PrgSetItemColor(8, 3, QMK_HatchColor, 7); },
     {"PrgSetItemAttribute(8,3,39,7)"}, S_OK},
    {"PrgSetItemColor method",
     [](IQuillmark* c) { return c->PrgSetItemColor(8, 3, QMK_BoundingRect, 0x1000); },
     {}, Err(QMK_ErrInvalidColorType)},
    {"PrgSetItemColor method", [](IQuillmark* c) { return c->PrgSetItemColor(8, 3, QMK_PenWidth, 9); },
     {}, Err(QMK_ErrInvalidColorType)},
    {"PrgGetItemColor method",
     [](IQuillmark* c) { OLE_COLOR v; return c->PrgGetItemColor(8, 3, QMK_BevelShadowColor, &v); },
     {"PrgGetItemAttribute(8,3,23,ptr)"}, S_OK},
    {"PrgGetItemColor method",
     [](IQuillmark* c) { OLE_COLOR v; return c->PrgGetItemColor(8, 3, QMK_CreateTime, &v); },
     {}, Err(QMK_ErrInvalidColorType)},
    {"PrgSetItemPenWidth method", [](IQuillmark* c) { return c->PrgSetItemPenWidth(8, 3, 6); },
     {"PrgSetItemAttribute(8,3,5,6)"}, S_OK},
    {"PrgGetItemPenWidth method", [](IQuillmark* c) { long v; return c->PrgGetItemPenWidth(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,5,ptr)"}, S_OK},
    {"PrgSetItemHighlightBack method",
     [](IQuillmark* c) { return c->PrgSetItemHighlightBack(8, 3, VARIANT_TRUE); },
     {"PrgSetItemAttribute(8,3,8,1)"}, S_OK},
    {"PrgGetItemHighlightBack method",
     [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetItemHighlightBack(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,8,ptr)"}, S_OK},
    {"PrgSetItemHighlightFill method",
     [](IQuillmark* c) { return c->PrgSetItemHighlightFill(8, 3, 1); },
     {"PrgSetItemAttribute(8,3,9,1)"}, S_OK},
    {"PrgGetItemHighlightFill method",
     [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetItemHighlightFill(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,9,ptr)"}, S_OK},
    {"PrgSetItemText method", [](IQuillmark* c) { return c->PrgSetItemText(8, 3, Text(L"x")); },
     {"PrgSetItemAttribute(8,3,10,\"x\")"}, S_OK},
    {"PrgGetItemText method", [](IQuillmark* c) { BSTR v = nullptr; return c->PrgGetItemText(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,10,ptr)"}, S_OK},
    {"PrgGetItemNumPoints method",
     [](IQuillmark* c) { long v; return c->PrgGetItemNumPoints(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,12,ptr)"}, S_OK},
    {"PrgSetItemLineEndStyle method",
     [](IQuillmark* c) { return c->PrgSetItemLineEndStyle(8, 3, LineStyle_Arrow); },
     {"PrgSetItemAttribute(8,3,14,1)"}, S_OK},
    {"PrgGetItemLineEndStyle method",
     [](IQuillmark* c) { LineEndStyle v; return c->PrgGetItemLineEndStyle(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,14,ptr)"}, S_OK},
    {"PrgSetItemTransparentColor method",
     [](IQuillmark* c) { return c->PrgSetItemTransparentColor(8, 3, 0xFFFFFF); },
     {"PrgSetItemAttribute(8,3,15,16777215)"}, S_OK},
    {"PrgGetItemTransparentColor method",
     [](IQuillmark* c) { OLE_COLOR v; return c->PrgGetItemTransparentColor(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,15,ptr)"}, S_OK},
    {"PrgSetItemBackstyle method",
     [](IQuillmark* c) { return c->PrgSetItemBackstyle(8, 3, QMK_OPAQUE); },
     {"PrgSetItemAttribute(8,3,16,3002)"}, S_OK},
    {"PrgSetItemBackstyle method",
     [](IQuillmark* c) { return c->PrgSetItemBackstyle(8, 3, static_cast<AnnBackstyle>(3003)); },
     {"PrgSetItemAttribute(8,3,16,3003)"}, S_OK},
    {"PrgGetItemBackstyle method",
     [](IQuillmark* c) { AnnBackstyle v; return c->PrgGetItemBackstyle(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,16,ptr)"}, S_OK},
    {"PrgSetItemDIB method", [](IQuillmark* c) { return c->PrgSetItemDIB(8, 3, 4660); },
     {"PrgSetItemAttribute(8,3,17,4660)"}, S_OK},
    {"PrgSetItemLocked method", [](IQuillmark* c) { return c->PrgSetItemLocked(8, 3, VARIANT_TRUE); },
     {"PrgSetItemAttribute(8,3,19,1)"}, S_OK},
    {"PrgGetItemLocked method",
     [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetItemLocked(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,19,ptr)"}, S_OK},
    {"PrgSetItemVisible method", [](IQuillmark* c) { return c->PrgSetItemVisible(8, 3, VARIANT_FALSE); },
     {"PrgSetItemAttribute(8,3,21,0)"}, S_OK},
    {"PrgGetItemVisible method",
     [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetItemVisible(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,21,ptr)"}, S_OK},
    {"PrgSetItemShowHandles method",
     [](IQuillmark* c) { return c->PrgSetItemShowHandles(8, 3, VARIANT_TRUE); },
     {"PrgSetItemAttribute(8,3,24,1)"}, S_OK},
    {"PrgGetItemShowHandles method",
     [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetItemShowHandles(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,24,ptr)"}, S_OK},
    {"PrgSetItemMoveable method", [](IQuillmark* c) { return c->PrgSetItemMoveable(8, 3, VARIANT_TRUE); },
     {"PrgSetItemAttribute(8,3,25,1)"}, S_OK},
    {"PrgGetItemMoveable method",
     [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetItemMoveable(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,25,ptr)"}, S_OK},
    {"PrgSetItemPenStyle method",
     [](IQuillmark* c) { return c->PrgSetItemPenStyle(8, 3, LinePenStyle_Dot); },
     {"PrgSetItemAttribute(8,3,26,5002)"}, S_OK},
    {"PrgGetItemPenStyle method",
     [](IQuillmark* c) { linePenStyle v; return c->PrgGetItemPenStyle(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,26,ptr)"}, S_OK},
    {"PrgSetItemPenFillStyle method",
     [](IQuillmark* c) { return c->PrgSetItemPenFillStyle(8, 3, LinePenFillStyle_Translucent); },
     {"PrgSetItemAttribute(8,3,27,5509)"}, S_OK},
    {"PrgGetItemPenFillStyle method",
     [](IQuillmark* c) { linePenFillStyle v; return c->PrgGetItemPenFillStyle(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,27,ptr)"}, S_OK},
    {"PrgSetItemTextOrientation method",
     [](IQuillmark* c) { return c->PrgSetItemTextOrientation(8, 3, 2700); },
     {"PrgSetItemAttribute(8,3,28,2700)"}, S_OK},
    {"PrgSetItemTextOrientation method",
     [](IQuillmark* c) { return c->PrgSetItemTextOrientation(8, 3, 450); },
     {}, Err(QMK_ErrInvalidTextOrientation)},
    {"PrgGetItemTextOrientation method",
     [](IQuillmark* c) { long v; return c->PrgGetItemTextOrientation(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,28,ptr)"}, S_OK},
    {"PrgSetItemSelected method", [](IQuillmark* c) { return c->PrgSetItemSelected(8, 3, VARIANT_TRUE); },
     {"PrgSetItemAttribute(8,3,29,1)"}, S_OK},
    {"PrgGetItemSelected method",
     [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetItemSelected(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,29,ptr)"}, S_OK},
    {"PrgSelectItem method", [](IQuillmark* c) { return c->PrgSelectItem(8, 3); },
     {"PrgSetItemAttribute(8,3,29,1)"}, S_OK},
    {"PrgSetItemSizeable method", [](IQuillmark* c) { return c->PrgSetItemSizeable(8, 3, VARIANT_TRUE); },
     {"PrgSetItemAttribute(8,3,33,1)"}, S_OK},
    {"PrgGetItemSizeable method",
     [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetItemSizeable(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,33,ptr)"}, S_OK},
    {"PrgGetItemCreateTime method",
     [](IQuillmark* c) { VARIANT v; VariantInit(&v); return c->PrgGetItemCreateTime(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,34,ptr)"}, S_OK},
    {"PrgSetItemUserDraw method", [](IQuillmark* c) { return c->PrgSetItemUserDraw(8, 3, VARIANT_TRUE); },
     {"PrgSetItemAttribute(8,3,36,1)"}, S_OK},
    {"PrgGetItemUserDraw method",
     [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetItemUserDraw(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,36,ptr)"}, S_OK},
    {"PrgSetItemTextLocked method",
     [](IQuillmark* c) { return c->PrgSetItemTextLocked(8, 3, VARIANT_TRUE); },
     {"PrgSetItemAttribute(8,3,37,-1)"}, S_OK},
    {"PrgSetItemTextLocked method", [](IQuillmark* c) { return c->PrgSetItemTextLocked(8, 3, 1); },
     {"PrgSetItemAttribute(8,3,37,1)"}, S_OK},
    {"PrgGetItemTextLocked method",
     [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetItemTextLocked(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,37,ptr)"}, S_OK},
    {"PrgSetItemHatchStyle method",
     [](IQuillmark* c) { return c->PrgSetItemHatchStyle(8, 3, HatchStyle_Cross); },
     {"PrgSetItemAttribute(8,3,38,6004)"}, S_OK},
    {"PrgGetItemHatchStyle method",
     [](IQuillmark* c) { hatchStyle v; return c->PrgGetItemHatchStyle(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,38,ptr)"}, S_OK},
    {"PrgSetItemHatchColor method", [](IQuillmark* c) { return c->PrgSetItemHatchColor(8, 3, 65280); },
     {"PrgSetItemAttribute(8,3,39,65280)"}, S_OK},
    {"PrgGetItemHatchColor method",
     [](IQuillmark* c) { OLE_COLOR v; return c->PrgGetItemHatchColor(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,39,ptr)"}, S_OK},
    {"PrgSetItemZOrder method", [](IQuillmark* c) { return c->PrgSetItemZOrder(8, 3, 2); },
     {"PrgSetItemAttribute(8,3,40,2)"}, S_OK},
    {"PrgGetItemZOrder method", [](IQuillmark* c) { long v; return c->PrgGetItemZOrder(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,40,ptr)"}, S_OK},
    {"PrgSetItemTextJustification method",
     [](IQuillmark* c) { return c->PrgSetItemTextJustification(8, 3, QMK_CenterJustify); },
     {"PrgSetItemAttribute(8,3,41,7002)"}, S_OK},
    {"PrgSetItemTextJustification method",
     [](IQuillmark* c) { return c->PrgSetItemTextJustification(8, 3, static_cast<textJustification>(7003)); },
     {}, Err(QMK_ErrInvalidTextJustification)},
    {"PrgGetItemTextJustification method",
     [](IQuillmark* c) { textJustification v; return c->PrgGetItemTextJustification(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,41,ptr)"}, S_OK},
    {"PrgGetItemType method", [](IQuillmark* c) { annotationTOOL v; return c->PrgGetItemType(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,129,ptr)"}, S_OK},
    {"PrgSetItemName method", [](IQuillmark* c) { return c->PrgSetItemName(8, 3, Text(L"n")); },
     {"PrgSetItemAttribute(8,3,640,\"n\")"}, S_OK},
    {"PrgGetItemName method", [](IQuillmark* c) { BSTR v = nullptr; return c->PrgGetItemName(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,640,ptr)"}, S_OK},
    {"PrgSetItemUserLong method", [](IQuillmark* c) { return c->PrgSetItemUserLong(8, 3, -9); },
     {"PrgSetItemAttribute(8,3,1280,-9)"}, S_OK},
    {"PrgGetItemUserLong method", [](IQuillmark* c) { long v; return c->PrgGetItemUserLong(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,1280,ptr)"}, S_OK},
    {"PrgSetItemUserString method",
     [](IQuillmark* c) { return c->PrgSetItemUserString(8, 3, Text(L"u")); },
     {"PrgSetItemAttribute(8,3,1281,\"u\")"}, S_OK},
    {"PrgGetItemUserString method",
     [](IQuillmark* c) { BSTR v = nullptr; return c->PrgGetItemUserString(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,1281,ptr)"}, S_OK},
    {"PrgSetShowAbbr method", [](IQuillmark* c) { return c->PrgSetShowAbbr(8, 3, VARIANT_TRUE); },
     {"PrgSetItemAttribute(8,3,2112,1)"}, S_OK},
    {"PrgGetShowAbbr method", [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetShowAbbr(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,2112,ptr)"}, S_OK},
    {"PrgSetMeasure method", [](IQuillmark* c) { return c->PrgSetMeasure(8, 3, Measure_Millimeters); },
     {"PrgSetItemAttribute(8,3,2113,2054)"}, S_OK},
    {"PrgGetMeasure method", [](IQuillmark* c) { Measurements v; return c->PrgGetMeasure(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,2113,ptr)"}, S_OK},
    {"PrgSetShowLength method", [](IQuillmark* c) { return c->PrgSetShowLength(8, 3, VARIANT_TRUE); },
     {"PrgSetItemAttribute(8,3,2114,1)"}, S_OK},
    {"PrgGetShowLength method",
     [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetShowLength(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,2114,ptr)"}, S_OK},
    {"PrgSetGaugeLength method", [](IQuillmark* c) { return c->PrgSetGaugeLength(8, 3, 40); },
     {"PrgSetItemAttribute(8,3,2115,40)"}, S_OK},
    {"PrgGetGaugeLength method", [](IQuillmark* c) { long v; return c->PrgGetGaugeLength(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,2115,ptr)"}, S_OK},
    {"PrgSetPrecision method", [](IQuillmark* c) { return c->PrgSetPrecision(8, 3, 2); },
     {"PrgSetItemAttribute(8,3,2116,2)"}, S_OK},
    {"PrgGetPrecision method", [](IQuillmark* c) { long v; return c->PrgGetPrecision(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,2116,ptr)"}, S_OK},
    {"PrgSetShowGauge method", [](IQuillmark* c) { return c->PrgSetShowGauge(8, 3, VARIANT_TRUE); },
     {"PrgSetItemAttribute(8,3,2117,1)"}, S_OK},
    {"PrgGetShowGauge method", [](IQuillmark* c) { VARIANT_BOOL v; return c->PrgGetShowGauge(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,2117,ptr)"}, S_OK},
    {"PrgGetRulerLength method", [](IQuillmark* c) { float v; return c->PrgGetRulerLength(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,2118,ptr)"}, S_OK},
    {"PrgGetItemDIB method", [](IQuillmark* c) { long v; return c->PrgGetItemDIB(8, 3, &v); },
     {"PrgGetItemAttribute(8,3,36718,ptr)"}, S_OK},
    {"PrgSetItemWangType method", [](IQuillmark* c) { return c->PrgSetItemWangType(8, 3, QMK_WangNote); },
     {"PrgSetItemAttribute(8,3,36719,10)"}, S_OK},
    {"PrgSetItemRect method", [](IQuillmark* c) { return c->PrgSetItemRect(8, 3, 10, 20, 110, 70); },
     {"PrgSetItemRect(8,3,10,20,100,50)"}, S_OK},
    {"PrgSetItemPoint method", [](IQuillmark* c) { return c->PrgSetItemPoint(8, 3, 2, 30, 40); },
     {"PrgSetItemPoint(8,3,2,{30,40})"}, S_OK},
    {"PrgSelectAll method", [](IQuillmark* c) { return c->PrgSelectAll(8, VARIANT_TRUE); },
     {"PrgSelectAll(8,1)"}, S_OK},
    {"PrgMoveItem method", [](IQuillmark* c) { return c->PrgMoveItem(8, 3, -4, 6); },
     {"PrgMoveItem(8,3,-4,6)"}, S_OK},
};

// Each attribute and layer-property row of the member table has its case.
TEST_F(MemberForwardingTest, EveryAttributeAndLayerPropertyRowHasItsCase)
{
    std::set<std::string> covered;
    for (const MemberCase& c : kLayerAndItemCases)
        covered.insert(c.member);
    for (const TableRow& row : kTable) {
        const std::string slot = row.slot;
        if (slot != "PrgSetItemAttribute" && slot != "PrgGetItemAttribute" &&
            slot != "SetLayerProperty" && slot != "GetLayerProperty")
            continue;
        const std::string member = std::string(row.name) + " " + KindName(row.invkind);
        EXPECT_TRUE(covered.count(member)) << member;
    }
}

TEST_F(MemberForwardingTest, LayerAndItemMembersHandTheEngineTheirArguments)
{
    fake.setResult(EngineSlot_GetCurrentLayer, 5);
    fake.setResult(EngineSlot_SetCurrentLayer, 1);
    for (const MemberCase& c : kLayerAndItemCases) {
        SCOPED_TRACE(c.member);
        mark = fake.LogSize();
        EXPECT_EQ(c.expected, c.call(control));
        EXPECT_EQ(c.calls, EngineCalls());
    }
}

// What the members write back from what the engine wrote.
TEST_F(MemberForwardingTest, ValuesComeBackConvertedAndOnlyOnSuccess)
{
    fake.SetOuts(EngineSlot_PrgGetItemAttribute, {3002});
    AnnBackstyle style = QMK_TRANSPARENT;
    EXPECT_EQ(S_OK, control->PrgGetItemBackstyle(8, 3, &style));
    EXPECT_EQ(QMK_OPAQUE, style);

    fake.SetOuts(EngineSlot_PrgGetItemAttribute, {2});
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(S_OK, control->PrgGetItemLocked(8, 3, &flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    fake.setResult(EngineSlot_PrgGetItemAttribute, QMK_ErrItemNotFound);
    flag = 77;
    EXPECT_EQ(Err(QMK_ErrItemNotFound), control->PrgGetItemLocked(8, 3, &flag));
    EXPECT_EQ(77, flag) << "a failed read leaves the caller's value";
    fake.setResult(EngineSlot_PrgGetItemAttribute, 0);

    const float length = 12.5f;
    int bits = 0;
    std::memcpy(&bits, &length, sizeof bits);
    fake.SetOuts(EngineSlot_PrgGetItemAttribute, {bits});
    float ruler = 0;
    EXPECT_EQ(S_OK, control->PrgGetRulerLength(8, 3, &ruler));
    EXPECT_EQ(12.5f, ruler);

    fake.SetOuts(EngineSlot_PrgGetItemRect, {10, 20, 110, 70});
    long l = 0, t = 0, r = 0, b = 0;
    EXPECT_EQ(S_OK, control->PrgGetItemRect(8, 3, &l, &t, &r, &b));
    EXPECT_EQ((std::vector<long>{10, 20, 110, 70}), (std::vector<long>{l, t, r, b}));
    fake.setResult(EngineSlot_PrgGetItemRect, QMK_ErrItemNotFound);
    l = t = r = b = -1;
    EXPECT_EQ(Err(QMK_ErrItemNotFound), control->PrgGetItemRect(8, 3, &l, &t, &r, &b));
    EXPECT_EQ((std::vector<long>{-1, -1, -1, -1}), (std::vector<long>{l, t, r, b}));

    fake.SetOuts(EngineSlot_Update, {1});
    fake.setResult(EngineSlot_GetCurrentLayer, 5);
    fake.setResult(EngineSlot_Update, QMK_ErrInvalidLayer);
    EXPECT_EQ(S_OK, control->get_Update(&flag)) << "the redraw flag's answer is not tested";
    EXPECT_EQ(VARIANT_TRUE, flag);

    // A failure HRESULT of the engine is no engine code: it comes back as it is.
    fake.setResult(EngineSlot_Reverse, E_FAIL);
    EXPECT_EQ(E_FAIL, control->Reverse(8));
}

// Members without a current layer: each row's own answer.
TEST_F(MemberForwardingTest, WithoutACurrentLayerEachMemberGivesItsOwnAnswer)
{
    VARIANT_BOOL flag = VARIANT_TRUE;
    BSTR text = nullptr;
    EXPECT_EQ(Err(QMK_ErrInvalidLayer), control->get_LayerName(&text));
    EXPECT_EQ(Err(QMK_ErrInvalidLayer), control->put_Active(VARIANT_TRUE));
    EXPECT_EQ(Err(QMK_ErrInvalidLayer), control->put_Visible(VARIANT_TRUE));
    EXPECT_EQ(Err(QMK_ErrNoCurrentLayer), control->get_LayerPassword(&text));
    EXPECT_EQ(Err(QMK_ErrNoCurrentLayer), control->put_Update(VARIANT_TRUE));
    EXPECT_EQ(S_OK, control->BringToFront());
    EXPECT_EQ(S_OK, control->get_IsSelection(&flag));
    EXPECT_EQ(VARIANT_FALSE, flag);
    EXPECT_EQ(Lines(7, "GetCurrentLayer()"), EngineCalls());
}

// ---- the members written out ----

TEST_F(MemberForwardingTest, CreateLayerUnboundDoesNothingAndClearsTheCallersValue)
{
    long layer = 1234;
    EXPECT_EQ(S_OK, control->CreateLayer(&layer));
    EXPECT_EQ(0, layer);
    EXPECT_EQ(Lines{}, EngineCalls());
    EXPECT_EQ(E_POINTER, control->CreateLayer(nullptr));
}

TEST_F(MemberForwardingTest, SetCurrentLayerReportsALayerTheEngineRefuses)
{
    EXPECT_EQ(Err(QMK_ErrInvalidLayer), control->SetCurrentLayer(9));
    EXPECT_EQ(Lines{"SetCurrentLayer(9)"}, EngineCalls());
}

TEST_F(MemberForwardingTest, ActivePutReportsTheEnginesAnswer)
{
    fake.setResult(EngineSlot_GetCurrentLayer, 5);
    fake.setResult(EngineSlot_SetLayerProperty, QMK_ErrInvalidLayer);
    EXPECT_EQ(Err(QMK_ErrInvalidLayer), control->put_Active(VARIANT_FALSE));
    EXPECT_EQ((Lines{"GetCurrentLayer()", "SetLayerProperty(5,513,0)"}), EngineCalls());
}

TEST_F(MemberForwardingTest, APointCoordinateIsReadChangedAndWrittenBack)
{
    fake.SetOuts(EngineSlot_PrgGetItemPoint, {30, 40});
    EXPECT_EQ(S_OK, control->PrgSetItemPointX(8, 3, 1, 7));
    EXPECT_EQ(S_OK, control->PrgSetItemPointY(8, 3, 1, -2));
    EXPECT_EQ((Lines{"PrgGetItemPoint(8,3,1,ptr)", "PrgSetItemPoint(8,3,1,{7,40})",
                     "PrgGetItemPoint(8,3,1,ptr)", "PrgSetItemPoint(8,3,1,{30,-2})"}),
              EngineCalls());

    // A point that cannot be read is not written.
    fake.setResult(EngineSlot_PrgGetItemPoint, QMK_ErrInvalidPoint);
    mark = fake.LogSize();
    EXPECT_EQ(Err(QMK_ErrInvalidPoint), control->PrgSetItemPointY(8, 3, 9, 1));
    EXPECT_EQ(Lines{"PrgGetItemPoint(8,3,9,ptr)"}, EngineCalls());
}

TEST_F(MemberForwardingTest, CallerChosenCodesThatWouldBeAddressesAreRefused)
{
    struct Case {
        const char* name;
        std::function<HRESULT(IQuillmark*)> call;
    };
    const Case cases[] = {
        {"GrpSetAttribute", [](IQuillmark* c) { return c->GrpSetAttribute(8, 2, QMK_Logfont, 4096); }},
        {"SetAttributeColor",
         [](IQuillmark* c) { return c->SetAttributeColor(8, RectangleTool, QMK_BoundingRect, 4096); }},
        {"SetAttributeWidth",
         [](IQuillmark* c) { return c->SetAttributeWidth(8, RectangleTool, QMK_Text, 4096); }},
        {"GetToolDefaultAttribute of the picture",
         [](IQuillmark* c) { long v; return c->GetToolDefaultAttribute(ImageTool, QMK_DibPtr, &v); }},
        {"GetToolDefaultAttribute",
         [](IQuillmark* c) { long v; return c->GetToolDefaultAttribute(TextTool, QMK_CreateTime, &v); }},
        {"SetToolDefaultAttribute",
         [](IQuillmark* c) { return c->SetToolDefaultAttribute(TextTool, QMK_ItemName, 4096); }},
        {"GrpSetAttribute",
         [](IQuillmark* c) { return c->GrpSetAttribute(8, 2, QMK_UserString, 4096); }},
        {"GrpSetAttribute", [](IQuillmark* c) { return c->GrpSetAttribute(8, 2, QMK_ItemDib, 4096); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        mark = fake.LogSize();
        EXPECT_EQ(Err(QMK_ErrInvalidAttribute), c.call(control));
        EXPECT_EQ(Lines{}, EngineCalls());
    }
    // Value codes still reach the engine.
    mark = fake.LogSize();
    EXPECT_EQ(S_OK, control->SetAttributeWidth(8, LineTool, QMK_PenWidth, 3));
    EXPECT_EQ(Lines{"SetToolAttribute(8,4102,5,3)"}, EngineCalls());
    // The tool default picture is a handle the engine copies, not an address.
    mark = fake.LogSize();
    EXPECT_EQ(S_OK, control->SetToolDefaultAttribute(ImageTool, QMK_DibPtr, 4096));
    EXPECT_EQ(Lines{"SetToolDefaultAttribute(4105,17,4096)"}, EngineCalls());
}

// A host that lets go of the control from an event a member raises: the
// member finishes on a live control, which goes once the member returns.
TEST_F(MemberForwardingTest, AHostReleasingTheControlInsideAMembersEventLetsTheMemberFinish)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> results;
        std::function<HRESULT(IQuillmark*)> call;
    };
    const Case cases[] = {
        {"DeleteLayer of the current layer",
         {{EngineSlot_GetCurrentLayer, 6}, {EngineSlot_DeleteLayer, 1}},
         [](IQuillmark* c) { return c->DeleteLayer(6); }},
        {"CurrentLayer put", {{EngineSlot_SetCurrentLayer, 1}},
         [](IQuillmark* c) { return c->put_CurrentLayer(6); }},
        {"RetrieveAnnotation", {{EngineSlot_GetFirstLayer, 6}},
         [](IQuillmark* c) { return c->RetrieveAnnotation(Text(L"a.qmk")); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!control)
            CreateControl();
        for (const auto& result : c.results)
            fake.setResult(result.first, result.second);
        RecordingSink* sink = Advise();
        IQuillmark* doomed = control;
        control = nullptr;
        bool released = false;
        sink->onEvent = [doomed, &released](DISPID, DISPPARAMS&) -> long {
            if (!released) {
                released = true;
                doomed->Release();
            }
            return 0;
        };
        EXPECT_EQ(S_OK, c.call(doomed));
        EXPECT_TRUE(released);
        sink->ForgetControl();
        EXPECT_EQ("Ann_Deinit", fake.Log().back()) << "the control went when the member returned";
        EXPECT_EQ(0, fake.liveCount());
        for (const auto& result : c.results)
            fake.setResult(result.first, 0);
    }
}

// The engine reports a change from inside a generated member's call and the
// host lets go of the control there: the member finishes on the control it
// holds, which goes (and takes the engine with it) once the member returns,
// not under the engine's own call.
TEST_F(MemberForwardingTest, AHostReleasingTheControlInsideAnEngineCallLetsTheMemberFinish)
{
    fake.reportChangeOn(EngineSlot_PrgSetItemAttribute);
    RecordingSink* sink = Advise();
    IQuillmark* doomed = control;
    control = nullptr;
    sink->onEvent = [doomed](DISPID, DISPPARAMS&) -> long {
        doomed->Release();
        return 0;
    };
    EXPECT_EQ(S_OK, doomed->PrgSetItemPenWidth(8, 3, 6));
    sink->ForgetControl();
    fake.reportChangeOn(-1);
    EXPECT_EQ(Lines{"13(I4 1,I4 2,I4 3)"}, events);
    EXPECT_EQ("Ann_Deinit", fake.Log().back());
    EXPECT_EQ(0, fake.liveCount()) << "torn down when the member returned, not retired";
}

} // namespace
