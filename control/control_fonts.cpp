#include "control_fonts.h"

#include "control_hold.h"

#include <cstdlib>
#include <cstring>

namespace quillmark {

namespace {

constexpr int kErrNoCurrentLayer = 1004;
constexpr int kErrInvalidTool = 1005;
constexpr int kErrInvalidFont = 1014;
constexpr int kErrInvalidContext = 1033;

const DefaultFontInfo kFonts[kDefaultFontCount] = {
    {DefaultFont::Stamp, QMK_DefaultStampFont, 22, L"Courier New", 12, FW_NORMAL},
    {DefaultFont::Text, QMK_DefaultTextFont, 54, L"Arial", 12, FW_BOLD},
    {DefaultFont::Button, QMK_DefaultButtonFont, 241, L"Arial", 12, FW_NORMAL},
    {DefaultFont::Ruler, QMK_DefaultRulerFont, 400, L"Arial", 12, FW_NORMAL},
};

// The order the sinks are advised in.
const DefaultFont kConnectOrder[kDefaultFontCount] = {
    DefaultFont::Stamp, DefaultFont::Text, DefaultFont::Button, DefaultFont::Ruler};

int Index(DefaultFont font) { return static_cast<int>(font) - 1; }

bool IsDefaultFont(int code) { return code >= 1 && code <= kDefaultFontCount; }

// The identity of a COM object, for comparing two of them (no reference kept).
IUnknown* IdentityOf(IUnknown* object)
{
    if (!object)
        return nullptr;
    IUnknown* identity = nullptr;
    if (FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity))) ||
        !identity)
        return object;
    identity->Release();
    return identity;
}

int ScreenPixelsPerInchY()
{
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

HRESULT CreateOleFont(const wchar_t* face, LONGLONG sizeUnits, short weight, short charset,
                      bool italic, bool underline, bool strikeout, IFontDisp** out)
{
    FONTDESC desc = {};
    desc.cbSizeofstruct = sizeof(desc);
    desc.lpstrName = const_cast<LPOLESTR>(face);
    desc.cySize.int64 = sizeUnits;
    desc.sWeight = weight;
    desc.sCharset = charset;
    desc.fItalic = italic;
    desc.fUnderline = underline;
    desc.fStrikethrough = strikeout;
    return OleCreateFontIndirect(&desc, IID_IFontDisp, reinterpret_cast<void**>(out));
}

} // namespace

const DefaultFontInfo& InfoOf(DefaultFont font) { return kFonts[Index(font)]; }

bool OleFontToLogFont(IUnknown* font, LOGFONTA* out)
{
    if (!font || !out)
        return false;
    IFont* ole = nullptr;
    if (FAILED(font->QueryInterface(IID_IFont, reinterpret_cast<void**>(&ole))) || !ole)
        return false;
    HFONT handle = nullptr;
    const bool ok = SUCCEEDED(ole->get_hFont(&handle)) && handle;
    LOGFONTA read = {};
    const bool read_ok = ok && GetObjectA(handle, sizeof(read), &read) == sizeof(read);
    ole->Release();
    if (read_ok)
        *out = read;
    return read_ok;
}

void ApplySymbolRule(LOGFONTA* font)
{
    if (!font)
        return;
    if (_strnicmp(font->lfFaceName, "symbol", 6) == 0 ||
        _strnicmp(font->lfFaceName, "wingdings", 9) == 0)
        font->lfCharSet = SYMBOL_CHARSET;
}

HRESULT LogFontToOleFont(const LOGFONTA& font, IFontDisp** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, font.lfFaceName, LF_FACESIZE);
    wchar_t wide[LF_FACESIZE + 1] = {};
    if (face[0] && !MultiByteToWideChar(CP_ACP, 0, face, -1, wide, LF_FACESIZE + 1))
        wide[0] = L'\0';
    const LONG height = font.lfHeight < 0 ? -font.lfHeight : font.lfHeight;
    const LONGLONG points = static_cast<LONGLONG>(height) * 72 / ScreenPixelsPerInchY();
    return CreateOleFont(wide, points * 10000, static_cast<short>(font.lfWeight),
                         font.lfCharSet, font.lfItalic != 0, font.lfUnderline != 0,
                         font.lfStrikeOut != 0, out);
}

ControlFonts::ControlFonts(ControlServices& services) : services_(services) {}

ControlFonts::~ControlFonts()
{
    for (Slot& slot : slots_) {
        if (slot.sink) {
            slot.sink->Disconnect();
            slot.sink->ForgetOwner();
            slot.sink->Release();
            slot.sink = nullptr;
        }
        if (slot.font) {
            slot.font->Release();
            slot.font = nullptr;
        }
    }
}

ControlFonts::Slot& ControlFonts::SlotOf(DefaultFont font) { return slots_[Index(font)]; }

HRESULT ControlFonts::Create()
{
    for (const DefaultFontInfo& info : kFonts) {
        Slot& slot = SlotOf(info.font);
        if (!slot.font) {
            HRESULT hr = CreateOleFont(info.face, static_cast<LONGLONG>(info.points) * 10000,
                                       info.weight, ANSI_CHARSET, false, false, false, &slot.font);
            if (FAILED(hr))
                return hr;
            OleFontToLogFont(slot.font, &slot.logFont);
        }
        if (!slot.sink) {
            HRESULT hr = FontChangeSink::Create(this, static_cast<int>(info.font), &slot.sink);
            if (FAILED(hr))
                return hr;
        }
    }
    return S_OK;
}

void ControlFonts::ConnectSinks()
{
    for (DefaultFont which : kConnectOrder) {
        Slot& slot = SlotOf(which);
        if (!slot.sink)
            continue;
        IUnknown* identity = IdentityOf(slot.font);
        if (slot.sink->IsConnected() && slot.connectedTo == identity)
            continue;  // already told about this very font
        slot.sink->Disconnect();
        slot.connectedTo = nullptr;
        if (slot.font && slot.sink->Connect(slot.font))
            slot.connectedTo = identity;
    }
}

void ControlFonts::DisconnectSinks()
{
    for (Slot& slot : slots_) {
        if (slot.sink)
            slot.sink->Disconnect();
        slot.connectedTo = nullptr;
    }
}

IFontDisp* ControlFonts::Font(DefaultFont font) const { return slots_[Index(font)].font; }

LOGFONTA* ControlFonts::LogFont(DefaultFont font) { return &SlotOf(font).logFont; }

void ControlFonts::FontChangeNotice(int code)
{
    if (!IsDefaultFont(code))
        return;
    const DefaultFont which = static_cast<DefaultFont>(code);
    Slot& slot = SlotOf(which);
    if (!slot.font || !OleFontToLogFont(slot.font, &slot.logFont))
        return;
    if (AnnotationEngine* engine = services_.Engine())
        engine->SetProperty(InfoOf(which).code, reinterpret_cast<EngineValue>(&slot.logFont));
}

HRESULT ControlFonts::Get(DefaultFont font, IFontDisp** out)
{
    if (!out)
        return E_POINTER;
    *out = SlotOf(font).font;
    if (*out)
        (*out)->AddRef();
    return S_OK;
}

HRESULT ControlFonts::Store(DefaultFont which, IFontDisp* value, bool byReference)
{
    const DefaultFontInfo& info = InfoOf(which);
    ControlHold hold(services_);
    if (!services_.RequestEdit(info.dispid))
        return S_FALSE;

    // What is kept: the object itself, or a clone of it. A font that cannot
    // be cloned leaves the stored one as it was.
    IFontDisp* kept = nullptr;
    if (value && byReference) {
        kept = value;
        kept->AddRef();
    } else if (value) {
        IFont* font = nullptr;
        HRESULT hr = value->QueryInterface(IID_IFont, reinterpret_cast<void**>(&font));
        if (FAILED(hr) || !font)
            return FAILED(hr) ? hr : E_NOINTERFACE;
        IFont* clone = nullptr;
        hr = font->Clone(&clone);
        font->Release();
        if (FAILED(hr) || !clone)
            return FAILED(hr) ? hr : E_FAIL;
        hr = clone->QueryInterface(IID_IFontDisp, reinterpret_cast<void**>(&kept));
        clone->Release();
        if (FAILED(hr) || !kept)
            return FAILED(hr) ? hr : E_NOINTERFACE;
    }
    Slot& slot = SlotOf(which);
    if (slot.font)
        slot.font->Release();
    slot.font = kept;

    const bool userMode = services_.IsUserMode();
    LOGFONTA logFont = {};
    const bool hasHandle = kept && OleFontToLogFont(kept, &logFont);
    if (hasHandle) {
        ApplySymbolRule(&logFont);
        slot.logFont = logFont;
    }
    if (userMode && hasHandle) {
        if (byReference)
            services_.MarkDirty();
        AnnotationEngine* engine = services_.Engine();
        if (!engine)
            return S_OK;  // kept; the engine that comes later keeps its own default
        const int r = engine->SetProperty(info.code, reinterpret_cast<EngineValue>(&slot.logFont));
        return r != 0 ? services_.ReportError(r) : S_OK;
    }
    services_.MarkDirty();
    if (!userMode)
        services_.SendOnChanged(info.dispid);
    return S_OK;
}

HRESULT ControlFonts::Put(DefaultFont font, IFontDisp* value) { return Store(font, value, false); }

HRESULT ControlFonts::PutRef(DefaultFont font, IFontDisp* value) { return Store(font, value, true); }

template <typename Write>
HRESULT ControlFonts::WriteFont(IFontDisp* font, int noFontError, bool symbolRule, Write write)
{
    LOGFONTA logFont = {};
    if (!OleFontToLogFont(font, &logFont))
        return noFontError != 0 ? services_.ReportError(noFontError) : S_OK;
    AnnotationEngine* engine = services_.Engine();
    if (!engine)
        return services_.ReportError(kErrInvalidContext);
    if (symbolRule)
        ApplySymbolRule(&logFont);
    const int r = write(*engine, reinterpret_cast<EngineValue>(&logFont));
    return r != 0 ? services_.ReportError(r) : S_OK;
}

template <typename Read>
HRESULT ControlFonts::ReadFont(IFontDisp** out, bool symbolRule, Read read)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    AnnotationEngine* engine = services_.Engine();
    if (!engine)
        return services_.ReportError(kErrInvalidContext);
    LOGFONTA logFont = {};
    const int r = read(*engine, reinterpret_cast<EngineValue*>(&logFont));
    if (r != 0)
        return services_.ReportError(r);
    if (symbolRule)
        ApplySymbolRule(&logFont);
    return LogFontToOleFont(logFont, out);
}

HRESULT ControlFonts::SetToolFont(long layer, long tool, IFontDisp* font)
{
    return WriteFont(font, 0, true, [=](AnnotationEngine& engine, EngineValue value) {
        return engine.SetToolAttribute(layer, tool, QMK_Logfont, value);
    });
}

HRESULT ControlFonts::GetToolFont(long layer, long tool, IFontDisp** out)
{
    return ReadFont(out, false, [=](AnnotationEngine& engine, EngineValue* value) {
        return engine.GetToolAttribute(layer, tool, QMK_Logfont, value);
    });
}

HRESULT ControlFonts::CurrentTextTool(int* layer, int* tool)
{
    AnnotationEngine* engine = services_.Engine();
    if (!engine)
        return services_.ReportError(kErrInvalidContext);
    *layer = engine->GetCurrentLayer();
    if (*layer == 0)
        return services_.ReportError(kErrNoCurrentLayer);
    *tool = 0;
    const int r = engine->GetTool(*layer, tool);
    if (r != 0)
        return services_.ReportError(r);
    if (*tool != TextTool && *tool != StampTool && *tool != ButtonTool)
        return services_.ReportError(kErrInvalidTool);
    return S_OK;
}

HRESULT ControlFonts::GetCurrentFont(IFontDisp** out)
{
    if (!out)
        return E_POINTER;
    *out = nullptr;
    if (!services_.IsUserMode())
        return Get(DefaultFont::Text, out);
    int layer = 0, tool = 0;
    HRESULT hr = CurrentTextTool(&layer, &tool);
    if (hr != S_OK)
        return hr;
    return ReadFont(out, true, [=](AnnotationEngine& engine, EngineValue* value) {
        return engine.GetToolAttribute(layer, tool, QMK_Logfont, value);
    });
}

HRESULT ControlFonts::PutCurrentFont(IFontDisp* font)
{
    int layer = 0, tool = 0;
    HRESULT hr = CurrentTextTool(&layer, &tool);
    if (hr != S_OK)
        return hr;
    return WriteFont(font, kErrInvalidTool, true, [=](AnnotationEngine& engine, EngineValue value) {
        return engine.SetToolAttribute(layer, tool, QMK_Logfont, value);
    });
}

HRESULT ControlFonts::ElementSetFont(long element, IFontDisp* font)
{
    return WriteFont(font, kErrInvalidFont, true, [=](AnnotationEngine& engine, EngineValue value) {
        return engine.ElementSetAttribute(element, QMK_Logfont, value);
    });
}

HRESULT ControlFonts::ElementGetFont(long element, IFontDisp** out)
{
    return ReadFont(out, false, [=](AnnotationEngine& engine, EngineValue* value) {
        return engine.ElementGetAttribute(element, QMK_Logfont, value);
    });
}

HRESULT ControlFonts::PrgSetItemFont(long layer, long seq, IFontDisp* font)
{
    return WriteFont(font, 0, false, [=](AnnotationEngine& engine, EngineValue value) {
        return engine.PrgSetItemAttribute(layer, seq, QMK_Logfont, value);
    });
}

HRESULT ControlFonts::PrgGetItemFont(long layer, long seq, IFontDisp** out)
{
    return ReadFont(out, false, [=](AnnotationEngine& engine, EngineValue* value) {
        return engine.PrgGetItemAttribute(layer, seq, QMK_Logfont, value);
    });
}

} // namespace quillmark
