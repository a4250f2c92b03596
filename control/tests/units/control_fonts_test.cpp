// The default fonts, their change sinks, the font members and the
// conversions, against the recording fake engine.
#include "unit_fixture.h"

#include <cstring>

using quillmark::DefaultFont;
using quillmark_test::TestControl;
using Lines = std::vector<std::string>;

namespace {

class ControlFontsTest : public quillmark_test::ControlUnitTest {
protected:
    quillmark::ControlFonts& Fonts() { return control->fonts; }

    static IFont* AsFont(IUnknown* object)
    {
        IFont* font = nullptr;
        object->QueryInterface(IID_IFont, reinterpret_cast<void**>(&font));
        return font;
    }
    static IFontDisp* NewFont(const wchar_t* face, int points, short weight)
    {
        FONTDESC desc = {sizeof(FONTDESC), const_cast<LPOLESTR>(face), {}, weight, ANSI_CHARSET,
                         FALSE, FALSE, FALSE};
        desc.cySize.int64 = static_cast<LONGLONG>(points) * 10000;
        IFontDisp* font = nullptr;
        OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(&font));
        return font;
    }
};

struct DefaultFontCase {
    DefaultFont font;
    const char* face;
    LONG weight;
    const char* pushedWhenBold;  // the engine call when the original font turns bold
};

class DefaultFontTest : public ControlFontsTest,
                        public ::testing::WithParamInterface<DefaultFontCase> {};

TEST_P(DefaultFontTest, IsCreatedTwelvePointWithItsFaceAndWeight)
{
    const LOGFONTA& f = *Fonts().LogFont(GetParam().font);
    EXPECT_STREQ(GetParam().face, f.lfFaceName);
    EXPECT_EQ(-16, f.lfHeight);  // 12 pt at 96 dpi
    EXPECT_EQ(GetParam().weight, f.lfWeight);
    EXPECT_EQ(ANSI_CHARSET, f.lfCharSet);
    EXPECT_FALSE(f.lfItalic || f.lfUnderline || f.lfStrikeOut);
}

TEST_P(DefaultFontTest, AChangeOfTheOriginalFontObjectReachesTheEngine)
{
    LoadEngine();
    IFont* font = AsFont(Fonts().Font(GetParam().font));
    ASSERT_NE(nullptr, font);
    font->put_Bold(GetParam().weight == FW_BOLD ? FALSE : TRUE);
    font->Release();
    EXPECT_EQ(Lines{GetParam().pushedWhenBold}, EngineCalls());
}

INSTANTIATE_TEST_SUITE_P(
    Fonts, DefaultFontTest,
    ::testing::Values(
        DefaultFontCase{DefaultFont::Text, "Arial", FW_BOLD, "SetProperty(40961,{Arial,-16,400,0})"},
        DefaultFontCase{DefaultFont::Stamp, "Courier New", FW_NORMAL,
                        "SetProperty(40960,{Courier New,-16,700,0})"},
        DefaultFontCase{DefaultFont::Button, "Arial", FW_NORMAL,
                        "SetProperty(40962,{Arial,-16,700,0})"},
        DefaultFontCase{DefaultFont::Ruler, "Arial", FW_NORMAL,
                        "SetProperty(2119,{Arial,-16,700,0})"}));

// A font object that is only an IDispatch, optionally with a connection-point
// container that offers no IPropertyNotifySink point; it records where the
// sinks looked for one.
class BareFont : public IDispatch, public IConnectionPointContainer {
public:
    BareFont(const char* name, bool container, std::vector<std::string>* record)
        : name_(name), container_(container), record_(record)
    {
    }
    STDMETHODIMP QueryInterface(REFIID riid, void** object) override
    {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) ||
            IsEqualIID(riid, IID_IFontDisp)) {
            *object = static_cast<IDispatch*>(this);
        } else if (container_ && IsEqualIID(riid, IID_IConnectionPointContainer)) {
            *object = static_cast<IConnectionPointContainer*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = --refs_;
        if (!left)
            delete this;
        return left;
    }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID, IConnectionPoint** point) override
    {
        record_->push_back(name_);
        *point = nullptr;
        return CONNECT_E_NOCONNECTION;
    }

private:
    virtual ~BareFont() = default;
    ULONG refs_ = 1;
    const char* name_;
    bool container_;
    std::vector<std::string>* record_;
};

TEST_F(ControlFontsTest, SinksAreAdvisedStampTextButtonRulerAndFontsWithoutAPointAreSkipped)
{
    Lines looked;
    const std::pair<DefaultFont, const char*> fonts[] = {
        {DefaultFont::Ruler, "ruler"}, {DefaultFont::Button, "button"},
        {DefaultFont::Text, "text"}, {DefaultFont::Stamp, "stamp"}};
    for (const auto& f : fonts) {
        BareFont* font = new BareFont(f.second, true, &looked);
        ASSERT_EQ(S_OK, Fonts().PutRef(f.first, reinterpret_cast<IFontDisp*>(static_cast<IDispatch*>(font))));
        font->Release();
    }
    BareFont* noContainer = new BareFont("none", false, &looked);
    control->calls.clear();
    ASSERT_EQ(S_OK, Fonts().PutRef(DefaultFont::Button,
                                   reinterpret_cast<IFontDisp*>(static_cast<IDispatch*>(noContainer))));
    noContainer->Release();
    EXPECT_EQ(S_OK, control->LoadEngine());
    EXPECT_EQ((Lines{"stamp", "text", "ruler"}), looked);
    EXPECT_NE(nullptr, control->Engine());
}

TEST_F(ControlFontsTest, WiringTwiceAdvisesEachSinkOnce)
{
    LoadEngine();
    ASSERT_EQ(S_OK, control->LoadEngine());
    mark = fake.LogSize();
    IFont* font = AsFont(Fonts().Font(DefaultFont::Text));
    font->put_Italic(TRUE);
    font->Release();
    EXPECT_EQ(1u, EngineCalls().size());
}

TEST_F(ControlFontsTest, AFontKeptByTheHostAfterTheControlIsGoneChangesSafely)
{
    LoadEngine();
    IFontDisp* kept = nullptr;
    ASSERT_EQ(S_OK, Fonts().Get(DefaultFont::Stamp, &kept));
    control->Release();
    control = nullptr;
    mark = fake.LogSize();
    IFont* font = AsFont(kept);
    font->put_Bold(TRUE);
    font->Release();
    kept->Release();
    EXPECT_EQ(Lines{}, EngineCalls());
}

TEST_F(ControlFontsTest, UnadvisedSinksNoLongerReachTheEngine)
{
    LoadEngine();
    Fonts().DisconnectSinks();
    IFont* font = AsFont(Fonts().Font(DefaultFont::Text));
    font->put_Bold(FALSE);
    font->Release();
    EXPECT_EQ(Lines{}, EngineCalls());
}

TEST_F(ControlFontsTest, PutKeepsACloneAndPushesItsLogFontInUserMode)
{
    LoadEngine();
    IFontDisp* given = NewFont(L"Times New Roman", 12, FW_NORMAL);
    ASSERT_EQ(S_OK, Fonts().Put(DefaultFont::Text, given));
    IFontDisp* kept = nullptr;
    Fonts().Get(DefaultFont::Text, &kept);
    EXPECT_NE(given, kept);
    EXPECT_EQ((Lines{"SetProperty(40961,{Times New Roman,-16,400,0})"}), EngineCalls());
    EXPECT_EQ(Lines{"RequestEdit(54)"}, control->calls);
    kept->Release();
    given->Release();
}

TEST_F(ControlFontsTest, PutRefKeepsTheObjectItselfAndMarksDirty)
{
    LoadEngine();
    IFontDisp* given = NewFont(L"Wingdings", 10, FW_NORMAL);
    ASSERT_EQ(S_OK, Fonts().PutRef(DefaultFont::Button, given));
    IFontDisp* kept = nullptr;
    Fonts().Get(DefaultFont::Button, &kept);
    EXPECT_EQ(given, kept);
    // The symbol rule applies to the default fonts.
    EXPECT_EQ((Lines{"SetProperty(40962,{Wingdings,-13,400,2})"}), EngineCalls());
    EXPECT_EQ((Lines{"RequestEdit(241)", "MarkDirty"}), control->calls);
    kept->Release();
    given->Release();
}

TEST_F(ControlFontsTest, AtDesignTimePutAndPutRefNotifyAndMarkDirtyWithoutTheEngine)
{
    LoadEngine();
    control->userMode = false;
    IFontDisp* given = NewFont(L"Arial", 14, FW_NORMAL);
    ASSERT_EQ(S_OK, Fonts().Put(DefaultFont::Ruler, given));
    ASSERT_EQ(S_OK, Fonts().PutRef(DefaultFont::Stamp, given));
    EXPECT_EQ(Lines{}, EngineCalls());
    EXPECT_EQ((Lines{"RequestEdit(400)", "MarkDirty", "OnChanged(400)", "RequestEdit(22)",
                     "MarkDirty", "OnChanged(22)"}),
              control->calls);
    given->Release();
}

TEST_F(ControlFontsTest, ARefusedEditChangesNothing)
{
    LoadEngine();
    control->allowEdit = false;
    IFontDisp* before = Fonts().Font(DefaultFont::Text);
    IFontDisp* given = NewFont(L"Arial", 20, FW_NORMAL);
    EXPECT_EQ(S_FALSE, Fonts().Put(DefaultFont::Text, given));
    EXPECT_EQ(S_FALSE, Fonts().PutRef(DefaultFont::Text, given));
    EXPECT_EQ(before, Fonts().Font(DefaultFont::Text));
    EXPECT_EQ(Lines{}, EngineCalls());
    given->Release();
}

TEST_F(ControlFontsTest, PutRefOfNoFontInUserModeSkipsTheEngine)
{
    LoadEngine();
    EXPECT_EQ(S_OK, Fonts().PutRef(DefaultFont::Text, nullptr));
    EXPECT_EQ(nullptr, Fonts().Font(DefaultFont::Text));
    EXPECT_EQ(Lines{}, EngineCalls());
    EXPECT_EQ((Lines{"RequestEdit(54)", "MarkDirty"}), control->calls);
    // A change notice with no font is ignored as well.
    ASSERT_EQ(S_OK, control->LoadEngine());
}

TEST_F(ControlFontsTest, EngineErrorsOfADefaultFontPutAreReported)
{
    LoadEngine();
    fake.setResult(EngineSlot_SetProperty, 1014);
    IFontDisp* given = NewFont(L"Arial", 12, FW_NORMAL);
    EXPECT_EQ(static_cast<HRESULT>(0x800403F6), Fonts().Put(DefaultFont::Text, given));
    EXPECT_EQ(static_cast<HRESULT>(0x800403F6), Fonts().PutRef(DefaultFont::Text, given));
    EXPECT_EQ((Lines{"RequestEdit(54)", "ReportError(1014)", "RequestEdit(54)", "MarkDirty",
                     "ReportError(1014)"}),
              control->calls);
    given->Release();
}

TEST_F(ControlFontsTest, AReplacedFontIsNotWatchedButTheOriginalStillPushesTheCurrentOne)
{
    LoadEngine();
    IFontDisp* original = Fonts().Font(DefaultFont::Text);
    original->AddRef();
    IFontDisp* given = NewFont(L"Courier New", 12, FW_NORMAL);
    ASSERT_EQ(S_OK, Fonts().Put(DefaultFont::Text, given));
    mark = fake.LogSize();
    IFont* replaced = AsFont(Fonts().Font(DefaultFont::Text));
    replaced->put_Bold(TRUE);  // not connected
    replaced->Release();
    EXPECT_EQ(Lines{}, EngineCalls());
    IFont* old = AsFont(original);
    old->put_Italic(TRUE);  // still connected: sends the current default font
    old->Release();
    EXPECT_EQ((Lines{"SetProperty(40961,{Courier New,-16,700,0})"}), EngineCalls());
    original->Release();
    given->Release();
}

struct SymbolCase {
    const char* face;
    BYTE charset;
};

class SymbolRuleTest : public ::testing::TestWithParam<SymbolCase> {};

TEST_P(SymbolRuleTest, ForcesTheSymbolCharacterSetForSymbolAndWingdingsFaces)
{
    LOGFONTA font = {};
    std::strcpy(font.lfFaceName, GetParam().face);
    font.lfCharSet = ANSI_CHARSET;
    quillmark::ApplySymbolRule(&font);
    EXPECT_EQ(GetParam().charset, font.lfCharSet);
}

INSTANTIATE_TEST_SUITE_P(Faces, SymbolRuleTest,
                         ::testing::Values(SymbolCase{"Symbol", SYMBOL_CHARSET},
                                           SymbolCase{"SYMBOLIC", SYMBOL_CHARSET},
                                           SymbolCase{"wingdings", SYMBOL_CHARSET},
                                           SymbolCase{"WINGDINGS 3", SYMBOL_CHARSET},
                                           SymbolCase{"Wingding", ANSI_CHARSET},
                                           SymbolCase{"Symbo", ANSI_CHARSET},
                                           SymbolCase{"Arial", ANSI_CHARSET},
                                           SymbolCase{"", ANSI_CHARSET}));

// The OLE font's own properties are read back through its LOGFONT: wine
// reports the realized font (the face and size the font mapper chose) from
// the properties, while the font handle keeps what was asked for.
struct ConversionCase {
    LONG height;
    LONG heightBack;  // the OLE font's LOGFONT height at 96 dpi
};

class LogFontToOleFontTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(LogFontToOleFontTest, GivesWholePointsFromTheHeightAndCopiesTheRest)
{
    CoInitialize(nullptr);
    LOGFONTA in = {};
    std::strcpy(in.lfFaceName, "Courier New");
    in.lfHeight = GetParam().height;
    in.lfWeight = FW_BOLD;
    in.lfItalic = 1;
    in.lfUnderline = 1;
    in.lfStrikeOut = 1;
    in.lfCharSet = SYMBOL_CHARSET;
    IFontDisp* out = nullptr;
    ASSERT_EQ(S_OK, quillmark::LogFontToOleFont(in, &out));
    LOGFONTA back = {};
    ASSERT_TRUE(quillmark::OleFontToLogFont(out, &back));
    EXPECT_EQ(GetParam().heightBack, back.lfHeight);
    EXPECT_STREQ("Courier New", back.lfFaceName);
    EXPECT_EQ(FW_BOLD, back.lfWeight);
    EXPECT_EQ(SYMBOL_CHARSET, back.lfCharSet);
    EXPECT_TRUE(back.lfItalic && back.lfUnderline && back.lfStrikeOut);
    out->Release();
    CoUninitialize();
}

INSTANTIATE_TEST_SUITE_P(Heights, LogFontToOleFontTest,
                         ::testing::Values(ConversionCase{-16, -16},  // 12 pt
                                           ConversionCase{-13, -12},  // 9 pt
                                           ConversionCase{-15, -15},  // 11 pt
                                           ConversionCase{16, -16})); // a cell height: 12 pt too

TEST(OleFontToLogFont, NoFontOrAnObjectWithoutIFontIsNoFont)
{
    LOGFONTA font = {};
    font.lfHeight = 99;
    EXPECT_FALSE(quillmark::OleFontToLogFont(nullptr, &font));
    IStream* notAFont = nullptr;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, &notAFont));
    EXPECT_FALSE(quillmark::OleFontToLogFont(notAFont, &font));
    notAFont->Release();
    EXPECT_EQ(99, font.lfHeight);
}

TEST_F(ControlFontsTest, SetFontAppliesTheSymbolRuleAndPrgSetItemFontDoesNot)
{
    LoadEngine();
    IFontDisp* font = NewFont(L"WINGDINGS", 12, FW_NORMAL);
    EXPECT_EQ(S_OK, Fonts().SetToolFont(3, TextTool, font));
    EXPECT_EQ(S_OK, Fonts().PrgSetItemFont(3, 9, font));
    EXPECT_EQ(S_OK, Fonts().ElementSetFont(4, font));
    EXPECT_EQ((Lines{"SetToolAttribute(3,4097,11,{WINGDINGS,-16,400,2})",
                     "PrgSetItemAttribute(3,9,11,{WINGDINGS,-16,400,0})",
                     "ElementSetAttribute(4,11,{WINGDINGS,-16,400,2})"}),
              EngineCalls());
    font->Release();
}

TEST_F(ControlFontsTest, NoFontIsNothingForSetFontAndPrgSetItemFontAndAnErrorForElementSetFont)
{
    LoadEngine();
    EXPECT_EQ(S_OK, Fonts().SetToolFont(3, TextTool, nullptr));
    EXPECT_EQ(S_OK, Fonts().PrgSetItemFont(3, 9, nullptr));
    EXPECT_EQ(static_cast<HRESULT>(0x800403F6), Fonts().ElementSetFont(4, nullptr));
    EXPECT_EQ(Lines{}, EngineCalls());
    EXPECT_EQ(Lines{"ReportError(1014)"}, control->calls);
}

TEST_F(ControlFontsTest, TheFontGetsTurnTheEnginesLogFontIntoOleFonts)
{
    LoadEngine();
    LOGFONTA engineFont = {};
    engineFont.lfHeight = -16;
    engineFont.lfWeight = FW_NORMAL;
    std::strcpy(engineFont.lfFaceName, "Arial");
    fake.setLogFont(&engineFont);
    using Getter = std::function<HRESULT(IFontDisp**)>;
    const std::pair<const char*, Getter> getters[] = {
        {"GetToolAttribute(3,4097,11,ptr)",
         [this](IFontDisp** f) { return Fonts().GetToolFont(3, TextTool, f); }},
        {"ElementGetAttribute(4,11,ptr)", [this](IFontDisp** f) { return Fonts().ElementGetFont(4, f); }},
        {"PrgGetItemAttribute(3,9,11,ptr)",
         [this](IFontDisp** f) { return Fonts().PrgGetItemFont(3, 9, f); }},
    };
    for (const auto& g : getters) {
        mark = fake.LogSize();
        IFontDisp* out = nullptr;
        ASSERT_EQ(S_OK, g.second(&out)) << g.first;
        EXPECT_EQ(Lines{g.first}, EngineCalls());
        LOGFONTA back = {};
        ASSERT_TRUE(quillmark::OleFontToLogFont(out, &back));
        EXPECT_EQ(-16, back.lfHeight) << g.first;  // 12 pt
        EXPECT_STREQ("Arial", back.lfFaceName);
        out->Release();
    }
}

struct CurrentFontCase {
    const char* name;
    int layer;  // what GetCurrentLayer answers
    int tool;   // what GetTool answers
    HRESULT get;
    Lines reported;
};

class CurrentFontTest : public ControlFontsTest,
                        public ::testing::WithParamInterface<CurrentFontCase> {};

TEST_P(CurrentFontTest, TheFontPropertyNeedsATextStampOrButtonTool)
{
    LoadEngine();
    const CurrentFontCase& c = GetParam();
    fake.setResult(EngineSlot_GetCurrentLayer, c.layer);
    fake.setTool(c.tool);
    LOGFONTA engineFont = {};
    engineFont.lfHeight = -16;
    std::strcpy(engineFont.lfFaceName, "Symbol");
    fake.setLogFont(&engineFont);
    IFontDisp* out = nullptr;
    EXPECT_EQ(c.get, Fonts().GetCurrentFont(&out));
    EXPECT_EQ(c.reported, control->calls);
    EXPECT_EQ(c.get == S_OK, out != nullptr);
    if (out) {
        LOGFONTA back = {};
        ASSERT_TRUE(quillmark::OleFontToLogFont(out, &back));
        EXPECT_EQ(SYMBOL_CHARSET, back.lfCharSet);  // the symbol rule on the way out
        out->Release();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Tools, CurrentFontTest,
    ::testing::Values(CurrentFontCase{"TextTool", 2, TextTool, S_OK, {}},
                      CurrentFontCase{"StampTool", 2, StampTool, S_OK, {}},
                      CurrentFontCase{"ButtonTool", 2, ButtonTool, S_OK, {}},
                      CurrentFontCase{"RectangleTool", 2, RectangleTool, S_FALSE,
                                      {"ReportError(1005)"}},
                      CurrentFontCase{"NoCurrentLayer", 0, TextTool,
                                      static_cast<HRESULT>(0x800403EC), {"ReportError(1004)"}}),
    [](const ::testing::TestParamInfo<CurrentFontCase>& info) { return info.param.name; });

TEST_F(ControlFontsTest, TheFontPropertyAtDesignTimeIsTheTextDefaultFont)
{
    LoadEngine();
    control->userMode = false;
    IFontDisp* out = nullptr;
    ASSERT_EQ(S_OK, Fonts().GetCurrentFont(&out));
    EXPECT_EQ(Fonts().Font(DefaultFont::Text), out);
    EXPECT_EQ(Lines{}, EngineCalls());
    out->Release();
}

TEST_F(ControlFontsTest, TheFontPutGoesToTheCurrentToolAndRefusesNoFont)
{
    LoadEngine();
    fake.setResult(EngineSlot_GetCurrentLayer, 2);
    fake.setTool(StampTool);
    IFontDisp* font = NewFont(L"Symbol", 12, FW_NORMAL);
    EXPECT_EQ(S_OK, Fonts().PutCurrentFont(font));
    EXPECT_EQ(S_FALSE, Fonts().PutCurrentFont(nullptr));
    EXPECT_EQ((Lines{"GetCurrentLayer()", "GetTool(2,ptr)", "SetToolAttribute(2,4104,11,{Symbol,-16,400,2})",
                     "GetCurrentLayer()", "GetTool(2,ptr)"}),
              EngineCalls());
    font->Release();
}

TEST_F(ControlFontsTest, WithoutAnEngineTheFontMembersReportInvalidContext)
{
    IFontDisp* font = NewFont(L"Arial", 12, FW_NORMAL);
    IFontDisp* out = nullptr;
    const HRESULT invalidContext = static_cast<HRESULT>(0x80040409);
    EXPECT_EQ(invalidContext, Fonts().SetToolFont(1, TextTool, font));
    EXPECT_EQ(invalidContext, Fonts().GetToolFont(1, TextTool, &out));
    EXPECT_EQ(invalidContext, Fonts().ElementSetFont(1, font));
    EXPECT_EQ(invalidContext, Fonts().ElementGetFont(1, &out));
    EXPECT_EQ(invalidContext, Fonts().PrgSetItemFont(1, 1, font));
    EXPECT_EQ(invalidContext, Fonts().PrgGetItemFont(1, 1, &out));
    EXPECT_EQ(invalidContext, Fonts().GetCurrentFont(&out));
    EXPECT_EQ(invalidContext, Fonts().PutCurrentFont(font));
    EXPECT_EQ(nullptr, out);
    // The default fonts are kept without pushing anything.
    EXPECT_EQ(S_OK, Fonts().Put(DefaultFont::Text, font));
    font->Release();
}

} // namespace
