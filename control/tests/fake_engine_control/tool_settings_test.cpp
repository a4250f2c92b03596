// The attribute properties of the current tool and the control's own
// settings, with the recording fake engine: what each asks of the engine,
// through IDispatch as a script host calls them and through the vtable.
#include "control_fake_engine_fixture.h"
#include "control_fixture.h"

using quillmark_test::ControlWithFakeEngineTest;
using quillmark_test::Err;
using quillmark_test::Lines;

namespace {

const int kLayer = 7;

struct ToolAttributeRow {
    const wchar_t* name;
    int attribute;
    VARTYPE type;
    LONG put;          // the value put through IDispatch (a flag for VT_BOOL)
    const char* sent;  // the value the engine receives
};

// Flags reach the engine as 0/-1; every other value unchanged.
const ToolAttributeRow kToolAttributes[] = {
    {L"PenColor", 1, VT_I4, 0x0000FF, "255"},
    {L"TextColor", 2, VT_I4, 0x00FF00, "65280"},
    {L"BackColor", 3, VT_I4, 0xFF0000, "16711680"},
    {L"FillColor", 4, VT_I4, 0x808080, "8421504"},
    {L"PenWidth", 5, VT_I4, 12, "12"},
    {L"HighlightBack", 8, VT_BOOL, VARIANT_TRUE, "-1"},
    {L"HighlightFill", 9, VT_BOOL, VARIANT_TRUE, "-1"},
    {L"LineEndStyle", 14, VT_I4, 1, "1"},
};

class ToolSettingsTest : public ControlWithFakeEngineTest {
protected:
    void SetUp() override
    {
        ControlWithFakeEngineTest::SetUp();
        CreateControl();
        fake.setResult(EngineSlot_GetCurrentLayer, kLayer);
        fake.setTool(RectangleTool);
    }
    DISPID Id(const wchar_t* name)
    {
        DISPID id = DISPID_UNKNOWN;
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        EXPECT_EQ(S_OK, control->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
        return id;
    }
    HRESULT Put(const wchar_t* name, VARIANT value)
    {
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params = {&value, &named, 1, 1};
        return control->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT,
                               &params, nullptr, nullptr, nullptr);
    }
    HRESULT Get(const wchar_t* name, VARIANT* value)
    {
        DISPPARAMS none = {nullptr, nullptr, 0, 0};
        VariantInit(value);
        return control->Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                               &none, value, nullptr, nullptr);
    }
    void SetSite(TestSite& site)
    {
        IOleObject* object = nullptr;
        ASSERT_EQ(S_OK, control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object)));
        object->SetClientSite(&site);
        object->Release();
    }
    void DropSite()
    {
        IOleObject* object = nullptr;
        control->QueryInterface(IID_IOleObject, reinterpret_cast<void**>(&object));
        object->SetClientSite(nullptr);
        object->Release();
    }
};

TEST_F(ToolSettingsTest, EachAttributePropertyWorksOnTheCurrentLayersTool)
{
    for (const ToolAttributeRow& row : kToolAttributes) {
        SCOPED_TRACE(testing::Message() << "property " << row.attribute);
        const std::string code = std::to_string(row.attribute);
        VARIANT v;
        V_VT(&v) = row.type;
        if (row.type == VT_BOOL)
            V_BOOL(&v) = static_cast<VARIANT_BOOL>(row.put);
        else
            V_I4(&v) = row.put;
        mark = fake.LogSize();
        EXPECT_EQ(S_OK, Put(row.name, v));
        EXPECT_EQ((Lines{"GetCurrentLayer()", "GetTool(7,ptr)",
                         "SetToolAttribute(7,4098," + code + "," + row.sent + ")"}),
                  EngineCalls());

        mark = fake.LogSize();
        VARIANT got;
        EXPECT_EQ(S_OK, Get(row.name, &got));
        EXPECT_EQ((Lines{"GetCurrentLayer()", "GetTool(7,ptr)",
                         "GetToolAttribute(7,4098," + code + ",ptr)"}),
                  EngineCalls());
        VariantClear(&got);
    }
}

TEST_F(ToolSettingsTest, TheTextPropertyHandsTheEngineTheCallersString)
{
    BSTR text = SysAllocString(L"Approved");
    EXPECT_EQ(S_OK, control->put_Text(text));
    SysFreeString(text);
    EXPECT_EQ((Lines{"GetCurrentLayer()", "GetTool(7,ptr)",
                     "SetToolAttribute(7,4098,10,\"Approved\")"}),
              EngineCalls());
    // A failed read leaves no string to free.
    fake.setResult(EngineSlot_GetToolAttribute, 1015);
    BSTR out = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(Err(1015), control->get_Text(&out));
    EXPECT_EQ(nullptr, out);
}

TEST_F(ToolSettingsTest, FailuresOfTheAttributeProperties)
{
    struct Case {
        const char* what;
        int currentLayer;
        int engineResult;
        HRESULT expected;
        Lines calls;
    };
    const Case cases[] = {
        {"no current layer", 0, 0, Err(1004), {"GetCurrentLayer()"}},
        {"engine refuses the attribute", kLayer, 1015, Err(1015),
         {"GetCurrentLayer()", "GetTool(7,ptr)", "GetToolAttribute(7,4098,1,ptr)"}},
        {"invalid tool is no failure", kLayer, 1005, S_FALSE,
         {"GetCurrentLayer()", "GetTool(7,ptr)", "GetToolAttribute(7,4098,1,ptr)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fake.setResult(EngineSlot_GetCurrentLayer, c.currentLayer);
        fake.setResult(EngineSlot_GetToolAttribute, c.engineResult);
        mark = fake.LogSize();
        OLE_COLOR colour = 0x12345678;
        EXPECT_EQ(c.expected, control->get_PenColor(&colour));
        EXPECT_EQ(c.calls, EngineCalls());
        EXPECT_EQ(0x12345678u, colour); // not written on failure
    }
    fake.setResult(EngineSlot_GetCurrentLayer, 0);
    EXPECT_EQ(Err(1004), control->put_PenWidth(3));
    EXPECT_EQ(E_POINTER, control->get_PenWidth(nullptr));
}

TEST_F(ToolSettingsTest, AtDesignTimeTheGettersAreNotImplementedAndTheSettersStillForward)
{
    TestSite site;
    site.userMode = false;
    SetSite(site);
    mark = fake.LogSize();
    VARIANT_BOOL flag = VARIANT_FALSE;
    EXPECT_EQ(E_NOTIMPL, control->get_HighlightBack(&flag));
    LONG width = 0;
    EXPECT_EQ(E_NOTIMPL, control->get_PenWidth(&width));
    EXPECT_EQ(Lines{}, EngineCalls());
    EXPECT_EQ(S_OK, control->put_HighlightBack(VARIANT_TRUE));
    EXPECT_EQ((Lines{"GetCurrentLayer()", "GetTool(7,ptr)", "SetToolAttribute(7,4098,8,-1)"}),
              EngineCalls());
    DropSite();
}

// The settings the control keeps itself answer without the engine.
TEST_F(ToolSettingsTest, TheControlsOwnSettingsReadBackWithoutTheEngine)
{
    struct Case {
        const wchar_t* name;
        VARIANT_BOOL put;
        VARIANT_BOOL read;
    };
    const Case cases[] = {
        {L"PreserveWTLayers", 5, VARIANT_TRUE},
        {L"PreserveWTLayers", 0, VARIANT_FALSE},
        {L"AllowPaint", 1, 1}, // kept exactly as stored
        {L"AllowUserGrouping", 1, 1},
        {L"RequireToolPalette", VARIANT_FALSE, VARIANT_FALSE},
        {L"ToolbarActivated", 7, VARIANT_TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.put);
        VARIANT v;
        V_VT(&v) = VT_BOOL;
        V_BOOL(&v) = c.put;
        EXPECT_EQ(S_OK, Put(c.name, v));
        mark = fake.LogSize();
        VARIANT got;
        EXPECT_EQ(S_OK, Get(c.name, &got));
        EXPECT_EQ(VT_BOOL, V_VT(&got));
        EXPECT_EQ(c.read, V_BOOL(&got));
        EXPECT_EQ(Lines{}, EngineCalls());
    }
    TIFFAnnType type = I4W_Compatible;
    ASSERT_EQ(S_OK, control->put_TIFFAnnotationType(QMK_Compatible));
    EXPECT_EQ(S_OK, control->get_TIFFAnnotationType(&type));
    EXPECT_EQ(QMK_Compatible, type);
    BSTR client = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(S_OK, control->get_Client(&client));
    EXPECT_EQ(nullptr, client);
}

} // namespace
