#pragma once
// Fonts: the control's four default OLE fonts with their LOGFONTs and change
// sinks, the font members, and the conversions between OLE fonts (as hosts
// see them) and the 60-byte LOGFONTA records the engine takes.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>

#include "annotation_engine.h"
#include "control_services.h"
#include "font_change_sink.h"

namespace quillmark {

// The four default fonts; the values are the codes of their change sinks.
enum class DefaultFont : int { Stamp = 1, Text = 2, Button = 3, Ruler = 4 };
constexpr int kDefaultFontCount = 4;

// A default font: its engine code, the dispid of its property and how it is
// created ("Arial" 12 pt 700 text; "Courier New" 12/400 stamp; "Arial"
// 12/400 button and ruler).
struct DefaultFontInfo {
    DefaultFont font;
    int code;        // 40961 text, 40960 stamp, 40962 button, 2119 ruler
    DISPID dispid;   // 54, 22, 241, 400
    const wchar_t* face;
    int points;
    short weight;
};
const DefaultFontInfo& InfoOf(DefaultFont font);

// --- conversions ---
// The LOGFONTA of an OLE font (its IFont's font handle); false, *out
// untouched, when it has no IFont or no handle.
bool OleFontToLogFont(IUnknown* font, LOGFONTA* out);
// A face name starting "symbol" or "wingdings" (any case) gets the symbol
// character set (2).
void ApplySymbolRule(LOGFONTA* font);
// A new OLE font (one reference for the caller) from a LOGFONTA: face,
// size in points = |lfHeight| * 72 / the screen's pixels per inch in y
// (integer division), weight, character set, italic, underline, strike-out.
HRESULT LogFontToOleFont(const LOGFONTA& font, IFontDisp** out);

class ControlFonts : private FontChangeSink::Owner {
public:
    explicit ControlFonts(ControlServices& services);
    // Disconnects the sinks, cuts their way back here, releases everything.
    ~ControlFonts();
    ControlFonts(const ControlFonts&) = delete;
    ControlFonts& operator=(const ControlFonts&) = delete;

    // Construction: the four fonts, their LOGFONTs read back, the four sinks.
    HRESULT Create();

    // Advises each sink on its current font, in the order stamp, text,
    // button, ruler; a sink already connected to that very font is left as
    // it is. Fonts without an IPropertyNotifySink point are skipped.
    void ConnectSinks();
    // Unadvises every sink (the control's teardown).
    void DisconnectSinks();

    IFontDisp* Font(DefaultFont font) const;  // no reference added; may be null
    LOGFONTA* LogFont(DefaultFont font);       // the block the engine receives

    // --- the default-font properties (DefaultTextFont and the others) ---
    // get: the stored object with one reference (null when none).
    HRESULT Get(DefaultFont font, IFontDisp** out);
    // put: OnRequestEdit first (refused: S_FALSE); keeps a clone of font. In
    // user mode with a font that has a handle: its LOGFONT (symbol rule) to
    // the engine's SetProperty(code), its error reported. Otherwise OnChanged
    // at design time, dirty, S_OK.
    HRESULT Put(DefaultFont font, IFontDisp* value);
    // putref: as put, but keeps the object itself; dirty in either mode; a
    // null font in user mode is kept and reaches no engine.
    HRESULT PutRef(DefaultFont font, IFontDisp* value);

    // --- the font members ---
    // SetFont(layer, tool, font): symbol rule, SetToolAttribute(11); no font:
    // S_OK, nothing set.
    HRESULT SetToolFont(long layer, long tool, IFontDisp* font);
    // GetFont(layer, tool): GetToolAttribute(11), as it is.
    HRESULT GetToolFont(long layer, long tool, IFontDisp** out);
    // Font get: at design time the text default font; in user mode the font
    // of the current layer's current tool (text, stamp or button tool, else
    // 1005), symbol rule applied.
    HRESULT GetCurrentFont(IFontDisp** out);
    // Font put: the current layer's current tool (as for get); no font or no
    // handle: 1005.
    HRESULT PutCurrentFont(IFontDisp* font);
    // ElementSetFont: no font or no handle: 1014; else symbol rule,
    // ElementSetAttribute(11).
    HRESULT ElementSetFont(long element, IFontDisp* font);
    HRESULT ElementGetFont(long element, IFontDisp** out);
    // PrgSetItemFont: the LOGFONT as it is; no font: S_OK.
    HRESULT PrgSetItemFont(long layer, long seq, IFontDisp* font);
    HRESULT PrgGetItemFont(long layer, long seq, IFontDisp** out);

private:
    struct Slot {
        IFontDisp* font = nullptr;
        LOGFONTA logFont = {};
        FontChangeSink* sink = nullptr;
        IUnknown* connectedTo = nullptr;  // identity of the font the sink is on (no reference)
    };
    Slot& SlotOf(DefaultFont font);
    void FontChangeNotice(int code) override;
    HRESULT Store(DefaultFont font, IFontDisp* value, bool byReference);
    HRESULT CurrentTextTool(int* layer, int* tool);
    // A font member's way to the engine: the font's LOGFONT (symbol rule when
    // asked) handed to write(engine, value); a font without a handle is
    // noFontError (0: S_OK, nothing set).
    template <typename Write>
    HRESULT WriteFont(IFontDisp* font, int noFontError, bool symbolRule, Write write);
    // read(engine, value) fills a LOGFONT that comes back as a new OLE font.
    template <typename Read>
    HRESULT ReadFont(IFontDisp** out, bool symbolRule, Read read);

    ControlServices& services_;
    Slot slots_[kDefaultFontCount];  // by DefaultFont code - 1
};

} // namespace quillmark
