// The group members of the control as a host meets them, with the real
// engine beside the control: through the IQuillmark vtable (a compiled host)
// and through IDispatch by name (a script host), on a layer read from a
// record written out by hand; the layer and item members from a script host
// on the same layer.
#include "layer_fixture.h"

#include "annotation_engine.h"
#include "layer_records.h"
#include "testkit.h"

#include <functional>

namespace {

using real_engine_test::ByteArray;
using real_engine_test::TwoRectangles;

// The HRESULT of an engine error as the control reports it.
HRESULT EngineError(int code)
{
    return static_cast<HRESULT>(0x80040000u + static_cast<unsigned>(code));
}

class GroupMembers : public real_engine_test::ControlWithLayer {
protected:
    void SetUp() override
    {
        ControlWithLayer::SetUp();
        Load(TwoRectangles());
    }

    RECT ItemRect(long seq)
    {
        long l = 0, t = 0, r = 0, b = 0;
        EXPECT_EQ(S_OK, control->PrgGetItemRect(layer, seq, &l, &t, &r, &b));
        return RECT{l, t, r, b};
    }

    // A member called by name through IDispatch, arguments in order.
    HRESULT Invoke(const wchar_t* name, std::vector<VARIANT> args, VARIANT* result,
                   EXCEPINFO* error)
    {
        DISPID id = 0;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        HRESULT hr = control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
        if (FAILED(hr))
            return hr;
        std::vector<VARIANT> reversed(args.rbegin(), args.rend());
        DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
        return control->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                               result, error, nullptr);
    }
};

VARIANT Long(long value)
{
    VARIANT v;
    V_VT(&v) = VT_I4;
    V_I4(&v) = value;
    return v;
}

VARIANT LongRef(long* value)
{
    VARIANT v;
    V_VT(&v) = VT_BYREF | VT_I4;
    V_I4REF(&v) = value;
    return v;
}

VARIANT Text(BSTR value)
{
    VARIANT v;
    V_VT(&v) = VT_BSTR;
    V_BSTR(&v) = value;
    return v;
}

void ExpectRect(const RECT& expected, const RECT& actual)
{
    EXPECT_EQ(expected.left, actual.left);
    EXPECT_EQ(expected.top, actual.top);
    EXPECT_EQ(expected.right, actual.right);
    EXPECT_EQ(expected.bottom, actual.bottom);
}

TEST_F(GroupMembers, ThroughTheVtableAGroupIsMadeFilledYokedAndResized)
{
    Bstr name(L"Pair");
    long id = 0;
    ASSERT_EQ(S_OK, control->GrpCreateGroup(layer, name.get(), 5, &id));
    EXPECT_EQ(1, id);
    EXPECT_EQ(S_OK, control->GrpAddItem(layer, id, 2));
    EXPECT_EQ(S_OK, control->GrpAddItem(layer, id, 1));
    long count = 0, seq = 0, value = 0, found = 0;
    EXPECT_EQ(S_OK, control->GrpGetItemCount(layer, id, &count));
    EXPECT_EQ(2, count);
    EXPECT_EQ(S_OK, control->GrpGetFirstItem(layer, id, &seq));
    EXPECT_EQ(2, seq);
    EXPECT_EQ(S_OK, control->GrpGetNextItem(layer, id, &seq));
    EXPECT_EQ(1, seq);
    EXPECT_EQ(S_OK, control->GrpGetNextItem(layer, id, &seq));
    EXPECT_EQ(0, seq);
    EXPECT_EQ(S_OK, control->GrpGetUserLong(layer, id, &value));
    EXPECT_EQ(5, value);
    EXPECT_EQ(S_OK, control->GrpGroupIDFromName(layer, name.get(), &found));
    EXPECT_EQ(id, found);
    Bstr read;
    EXPECT_EQ(S_OK, control->GrpGetName(layer, id, read.out()));
    EXPECT_EQ(L"Pair", read.text());
    EXPECT_EQ(S_OK, control->PrgGetItemGroupID(layer, 1, &found));
    EXPECT_EQ(id, found);
    EXPECT_EQ(S_OK, control->PrgGetGroupCount(layer, &count));
    EXPECT_EQ(1, count);

    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(S_OK, control->GrpSetYoked(layer, id, VARIANT_TRUE));
    EXPECT_EQ(S_OK, control->GrpGetYoked(layer, id, &flag));
    EXPECT_EQ(VARIANT_TRUE, flag);
    EXPECT_EQ(S_OK, control->GrpSetSelected(layer, id, VARIANT_TRUE));
    EXPECT_EQ(S_OK, control->GrpGetSelected(layer, id, &flag));
    EXPECT_EQ(VARIANT_TRUE, flag);

    long l = 0, t = 0, r = 0, b = 0;
    EXPECT_EQ(S_OK, control->GrpGetRect(layer, id, &l, &t, &r, &b));
    ExpectRect({100, 75, 400, 225}, RECT{l, t, r, b});
    // Right and bottom in, origin and size to the engine: twice as large
    // from the same top-left corner.
    EXPECT_EQ(S_OK, control->GrpSetRect(layer, id, 100, 75, 700, 375));
    ExpectRect({100, 75, 300, 225}, ItemRect(1));
    ExpectRect({500, 75, 700, 375}, ItemRect(2));
    EXPECT_EQ(S_OK, control->GrpMirror(layer, id));
    ExpectRect({499, 75, 699, 225}, ItemRect(1));
    EXPECT_EQ(S_OK, control->GrpInvert(layer, id));
    ExpectRect({499, 224, 699, 374}, ItemRect(1));

    EXPECT_EQ(S_OK, control->GrpSetAttribute(layer, id, QMK_PenWidth, 4));
    for (long member : {1L, 2L}) {
        long width = 0;
        EXPECT_EQ(S_OK, control->PrgGetItemPenWidth(layer, member, &width));
        EXPECT_EQ(4, width) << "the value reaches every member";
    }
    EXPECT_EQ(S_OK, control->GrpRemoveAll(layer, id));
    EXPECT_EQ(S_OK, control->GrpAddType(layer, id, RectangleTool));
    EXPECT_EQ(S_OK, control->GrpRemoveType(layer, id, RectangleTool));
    EXPECT_EQ(S_OK, control->GrpAddItem(layer, id, 1));
    EXPECT_EQ(S_OK, control->GrpRemoveItem(layer, id, 1));
    EXPECT_EQ(S_OK, control->GrpDestroyGroup(layer, id));
    EXPECT_EQ(S_OK, control->PrgGetItemGroupID(layer, 1, &found));
    EXPECT_EQ(0, found);
}

TEST_F(GroupMembers, TheEnginesRefusalsReachTheHostAsItsErrors)
{
    long id = 0;
    ASSERT_EQ(S_OK, control->GrpCreateGroup(layer, nullptr, 0, &id));
    struct Row {
        const char* what;
        std::function<HRESULT()> call;
        HRESULT expected;
    };
    VARIANT_BOOL flag = VARIANT_TRUE;
    long l = -5, t = -5, r = -5, b = -5;
    const Row rows[] = {
        {"unknown group", [&] { return control->GrpDestroyGroup(layer, id + 1); }, EngineError(QMK_ErrInvalidGroupId)},
        {"not a member", [&] { return control->GrpRemoveItem(layer, id, 1); }, EngineError(QMK_ErrDuplicateItem)},
        {"no such item", [&] { return control->GrpAddItem(layer, id, 9); }, EngineError(QMK_ErrItemNotFound)},
        {"unknown layer", [&] { return control->GrpAddItem(0, id, 1); }, EngineError(QMK_ErrInvalidLayer)},
        {"the pointer is no type", [&] { return control->GrpAddType(layer, id, PointerTool); },
         S_FALSE},
        {"yoked of an unknown group", [&] { return control->GrpGetYoked(layer, id + 1, &flag); },
         EngineError(QMK_ErrInvalidGroupId)},
        {"rectangle of an unknown group",
         [&] { return control->GrpGetRect(layer, id + 1, &l, &t, &r, &b); }, EngineError(QMK_ErrInvalidGroupId)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(row.expected, row.call());
        const ErrorDetails error = TakeErrorInfo();
        EXPECT_EQ(row.expected != S_FALSE, error.present);
    }
    // The flag is written whatever the engine answered; the rectangle only
    // on success.
    EXPECT_EQ(VARIANT_FALSE, flag);
    ExpectRect({-5, -5, -5, -5}, RECT{l, t, r, b});
    EXPECT_EQ(E_POINTER, control->GrpGetItemCount(layer, id, nullptr));
}

// An automation client that passes its out values by reference: an item's
// rectangle set by name comes back as it was set.
TEST_F(GroupMembers, AnItemsRectangleSetThroughIDispatchComesBack)
{
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO error = {};
    ASSERT_EQ(S_OK, Invoke(L"PrgSetItemRect",
                           {Long(layer), Long(2), Long(20), Long(30), Long(120), Long(90)},
                           &result, &error));
    long l = 0, t = 0, r = 0, b = 0;
    ASSERT_EQ(S_OK, Invoke(L"PrgGetItemRect",
                           {Long(layer), Long(2), LongRef(&l), LongRef(&t), LongRef(&r),
                            LongRef(&b)},
                           &result, &error));
    EXPECT_EQ((std::vector<long>{20, 30, 120, 90}), (std::vector<long>{l, t, r, b}));
}

// One coordinate of a polyline's point changes, the other and the other
// points stay as they were.
TEST_F(GroupMembers, APointsCoordinateChangesAloneOnAPolyline)
{
    ASSERT_EQ(S_OK, control->SetCurrentLayer(layer));
    long element = 0;
    ASSERT_EQ(S_OK, control->ElementCreate(&element));
    ASSERT_EQ(S_OK, control->ElementSetType(element, PolyLineTool));
    const POINT points[] = {{10, 10}, {50, 20}, {90, 60}};
    for (const POINT& p : points)
        ASSERT_EQ(S_OK, control->ElementAddPoint(element, p.x, p.y));
    long seq = 0;
    ASSERT_EQ(S_OK, control->ElementAppend(element, &seq));
    ASSERT_EQ(S_OK, control->ElementDestroy(element));
    ASSERT_NE(0, seq);
    const auto point = [&](long which) {
        long x = -1, y = -1;
        EXPECT_EQ(S_OK, control->PrgGetItemPoint(layer, seq, which, &x, &y));
        return std::vector<long>{x, y};
    };
    ASSERT_EQ((std::vector<long>{50, 20}), point(1));
    EXPECT_EQ(S_OK, control->PrgSetItemPointY(layer, seq, 1, 33));
    EXPECT_EQ(S_OK, control->PrgSetItemPointX(layer, seq, 2, 70));
    EXPECT_EQ((std::vector<long>{10, 10}), point(0));
    EXPECT_EQ((std::vector<long>{50, 33}), point(1));
    EXPECT_EQ((std::vector<long>{70, 60}), point(2));
    // A point the item does not have is reported and nothing changes.
    EXPECT_NE(S_OK, control->PrgSetItemPointX(layer, seq, 7, 1));
    EXPECT_EQ((std::vector<long>{70, 60}), point(2));
}

TEST_F(GroupMembers, ThroughIDispatchByName)
{
    Bstr name(L"Scripted");
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO error = {};
    ASSERT_EQ(S_OK, Invoke(L"GrpCreateGroup", {Long(layer), Text(name.get()), Long(3)}, &result,
                           &error));
    ASSERT_EQ(VT_I4, V_VT(&result));
    const long id = V_I4(&result);
    EXPECT_EQ(1, id);
    EXPECT_EQ(S_OK, Invoke(L"GrpAddItem", {Long(layer), Long(id), Long(1)}, nullptr, &error));
    EXPECT_EQ(S_OK, Invoke(L"GrpAddItem", {Long(layer), Long(id), Long(2)}, nullptr, &error));
    VariantInit(&result);
    EXPECT_EQ(S_OK, Invoke(L"GrpGetItemCount", {Long(layer), Long(id)}, &result, &error));
    EXPECT_EQ(2, V_I4(&result));

    long l = 0, t = 0, r = 0, b = 0;
    EXPECT_EQ(S_OK, Invoke(L"GrpGetRect",
                           {Long(layer), Long(id), LongRef(&l), LongRef(&t), LongRef(&r),
                            LongRef(&b)},
                           nullptr, &error));
    ExpectRect({100, 75, 400, 225}, RECT{l, t, r, b});

    // An error reaches a script host as an exception with the engine's code.
    VariantInit(&result);
    error = {};
    EXPECT_EQ(DISP_E_EXCEPTION,
              Invoke(L"GrpGetSelected", {Long(layer), Long(id + 1)}, &result, &error));
    EXPECT_EQ(EngineError(QMK_ErrInvalidGroupId), error.scode);
    SysFreeString(error.bstrDescription);
    SysFreeString(error.bstrSource);
    SysFreeString(error.bstrHelpFile);
}

// Each failed check adds its bit to the exit code, which is 100 when all
// pass: the script host ends a script stopped by an error with 0.
const char kGroupScript[] =
    "Option Explicit\r\n"
    "Dim q, layer, id, failures\r\n"
    "failures = 0\r\n"
    "Set q = CreateObject(\"MorvaneImaging.Quillmark.7\")\r\n"
    "q.RetrieveAnnotation WScript.Arguments(0)\r\n"
    "layer = q.GetFirstLayer()\r\n"
    "If layer = 0 Then failures = failures + 1\r\n"
    "id = q.GrpCreateGroup(layer, \"Scripted\", 7)\r\n"
    "If id <> 1 Then failures = failures + 2\r\n"
    "q.GrpAddItem layer, id, 1\r\n"
    "q.GrpAddItem layer, id, 2\r\n"
    "If q.GrpGetItemCount(layer, id) <> 2 Then failures = failures + 4\r\n"
    "q.GrpSetYoked layer, id, True\r\n"
    "If q.GrpGetYoked(layer, id) <> True Then failures = failures + 8\r\n"
    "If q.GrpGetName(layer, id) <> \"Scripted\" Then failures = failures + 16\r\n"
    "If q.PrgGetItemGroupID(layer, 2) <> id Then failures = failures + 32\r\n"
    "On Error Resume Next\r\n"
    "q.GrpDestroyGroup layer, id + 1\r\n"
    "If Err.Number <> &H80040416 Then failures = failures + 64\r\n"
    "Err.Clear\r\n"
    "On Error GoTo 0\r\n"
    "q.GrpDestroyGroup layer, id\r\n"
    "If q.PrgGetGroupCount(layer) <> 0 Then failures = failures + 128\r\n"
    "Set q = Nothing\r\n"
    "WScript.Quit 100 + failures\r\n";

// The two rectangles stored in file as an engine stores them.
void StoreTwoRectangles(const std::string& file)
{
    HMODULE library = LoadLibraryA((testkit::ProgramFolder() + "\\inkcore7.dll").c_str());
    ASSERT_NE(nullptr, library);
    auto init = reinterpret_cast<AnnInitFn>(
        reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(kAnnInitOrdinal))));
    auto deinit = reinterpret_cast<AnnDeinitFn>(
        reinterpret_cast<void*>(GetProcAddress(library, MAKEINTRESOURCEA(kAnnDeinitOrdinal))));
    ASSERT_TRUE(init && deinit);
    AnnotationEngine* engine = init(0, nullptr, 0);
    ASSERT_NE(nullptr, engine);
    VARIANT v = ByteArray(TwoRectangles());
    int layer = 0;
    EXPECT_EQ(0, engine->SetLayerFromVariant(&v, &layer));
    VariantClear(&v);
    std::wstring wide(file.begin(), file.end());
    BSTR name = SysAllocString(wide.c_str());
    EXPECT_EQ(0, engine->StoreAnnotation(name));
    SysFreeString(name);
    deinit(engine);
    FreeLibrary(library);
}

// Runs script with the stored file as its argument; the script's exit code.
int RunOnTheStoredFile(const char* tag, const char* script)
{
    testkit::TempFolder folder(tag);
    const std::string file = folder / "two rectangles.ann";
    StoreTwoRectangles(file);
    testkit::WriteText(folder / "members.vbs", script);
    return testkit::RunAndWait("cscript.exe //nologo \"" + (folder / "members.vbs") + "\" \"" +
                                   file + "\"",
                               folder.path(), 120000);
}

TEST(GroupMembersFromAScript, TheScriptHostGroupsTheItemsOfARetrievedFile)
{
    EXPECT_EQ(100, RunOnTheStoredFile("group script", kGroupScript))
        << "100 + the bits of the failed checks";
}

// The image mapping is set after the load: a load replaces the mapping with
// the one its stream carries (none here).
// A layer renamed and made current, an item's colour and back style set and
// read back, its rectangle set and its corner moved by one coordinate,
// errors caught with their numbers and texts. (A colour comes back as an
// unsigned number, which the script converts before comparing.)
const char kLayerAndItemScript[] =
    "Option Explicit\r\n"
    "Dim q, layer, failures\r\n"
    "failures = 0\r\n"
    "Set q = CreateObject(\"MorvaneImaging.Quillmark.7\")\r\n"
    "q.RetrieveAnnotation WScript.Arguments(0)\r\n"
    "q.PrgSetImageMappingDimensions 800, 600\r\n"
    "layer = q.GetFirstLayer()\r\n"
    "If layer = 0 Or q.NumLayers <> 1 Then failures = failures + 1\r\n"
    "q.SetLayerName layer, \"Scripted\"\r\n"
    "q.SetCurrentLayer layer\r\n"
    "If q.CurrentLayer <> layer Or q.LayerName <> \"Scripted\" Then failures = failures + 2\r\n"
    "q.PrgSetItemColor layer, 2, 4, &HFF8000\r\n"
    "If CLng(q.PrgGetItemColor(layer, 2, 4)) <> &HFF8000 Then failures = failures + 4\r\n"
    "q.PrgSetItemBackstyle layer, 2, 2\r\n"
    "If q.PrgGetItemBackstyle(layer, 2) <> 2 Then failures = failures + 8\r\n"
    "q.PrgSetItemRect layer, 1, 20, 30, 120, 90\r\n"
    "q.PrgSetItemPointX layer, 1, 0, 40\r\n"
    "If q.PrgGetItemPointX(layer, 1, 0) <> 40 Or q.PrgGetItemPointY(layer, 1, 0) <> 30 Then failures = failures + 16\r\n"
    "On Error Resume Next\r\n"
    "q.SetCurrentLayer layer + 99\r\n"
    "If Err.Number <> &H800403F5 Or Err.Description <> \"Invalid layer\" Then failures = failures + 32\r\n"
    "Err.Clear\r\n"
    "q.PrgSetItemColor layer, 2, 7, 0\r\n"
    "If Err.Number <> &H800403F4 Or Err.Description <> \"Invalid color type\" Then failures = failures + 64\r\n"
    "Err.Clear\r\n"
    "On Error GoTo 0\r\n"
    "q.Clear\r\n"
    "If q.NumLayers <> 0 Or q.CurrentLayer <> 0 Then failures = failures + 128\r\n"
    "Set q = Nothing\r\n"
    "WScript.Quit 100 + failures\r\n";

TEST(LayerAndItemMembersFromAScript, TheScriptHostRenamesALayerAndSetsAndReadsAnItem)
{
    EXPECT_EQ(100, RunOnTheStoredFile("layer script", kLayerAndItemScript))
        << "100 + the bits of the failed checks";
}

} // namespace
