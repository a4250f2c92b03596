// The recording stand-in for the annotation engine (see fake_engine.h).
//
// The engine object is a table of 187 functions, one per slot, each made
// from the slot's declared parameter types: it logs its arguments and
// answers what the test set. A __stdcall member function on this target
// takes its object as the first stack argument, so each entry is a plain
// __stdcall function of (object, arguments...).
#include "fake_engine.h"

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const kSlotNames[] = {
#define FAKE_SLOT_NAME(slot, name, params) #name,
    ANNOTATION_ENGINE_SLOTS(FAKE_SLOT_NAME)
#undef FAKE_SLOT_NAME
};

struct State {
    std::vector<std::string> log;
    bool initFails = false;
    std::map<int, int> results;
    std::map<int, EngineValue> properties;
    std::map<int, std::wstring> propertyTexts;
    std::map<int, EngineValue> layerProperties;
    int tool = 0;
    LOGFONTA logFont = {};
    std::map<int, std::vector<int>> outs;
    int reportChangeOn = -1;  // a slot that reports an item change while it runs
    std::map<int, void*> callbacks;
    HostCookie cookie = 0;
    int live = 0;
};
State& S()
{
    static State state;
    return state;
}

struct FakeEngine {
    void* const* vtable;
};

std::string Number(long long value) { return std::to_string(value); }

std::string Describe(int v) { return Number(v); }
std::string Describe(unsigned int v) { return Number(v); }
std::string Describe(long v) { return Number(v); }
std::string Describe(unsigned char v) { return Number(v); }
std::string Describe(float v) { return Number(static_cast<long long>(v)); }
template <class T>
std::string Describe(T* p)
{
    return p ? "ptr" : "null";
}
std::string Text(BSTR text);
std::string Describe(wchar_t* text) { return Text(text); }
std::string Describe(HWND h) { return Number(reinterpret_cast<intptr_t>(h)); }
std::string Describe(HDC h) { return Number(reinterpret_cast<intptr_t>(h)); }

std::string Text(BSTR text)
{
    if (!text)
        return "null";
    std::string out = "\"";
    for (const wchar_t* c = text; *c; ++c)
        out += *c < 128 ? static_cast<char>(*c) : '?';
    return out + "\"";
}

std::string Font(EngineValue value)
{
    const LOGFONTA* f = reinterpret_cast<const LOGFONTA*>(value);
    if (!f)
        return "null";
    char line[128];
    std::snprintf(line, sizeof line, "{%.32s,%ld,%ld,%d}", f->lfFaceName, f->lfHeight,
                  f->lfWeight, f->lfCharSet);
    return line;
}

bool IsStringCode(int code)
{
    return (code >= 768 && code <= 771) || code == 4128 || code == 4131 ||
           (code >= 2081 && code <= 2094);
}
bool IsTextAttribute(int code)
{
    return code == QMK_Text || code == QMK_ItemName || code == QMK_UserString;
}
bool IsFontCode(int code) { return (code >= 40960 && code <= 40962) || code == 2119; }

// Arguments shown by meaning rather than by type, for the slots that carry
// texts, fonts and functions.
template <class... A>
void Refine(int slot, std::vector<std::string>& parts, A... a)
{
    const intptr_t v[] = {static_cast<intptr_t>((intptr_t)a)..., 0};
    switch (slot) {
    case EngineSlot_SetProperty:
        if (IsStringCode(static_cast<int>(v[0])))
            parts[1] = Text(reinterpret_cast<BSTR>(v[1]));
        else if (IsFontCode(static_cast<int>(v[0])))
            parts[1] = Font(v[1]);
        break;
    case EngineSlot_SetToolAttribute:
    case EngineSlot_PrgSetItemAttribute:
        if (v[2] == QMK_Logfont)
            parts[3] = Font(v[3]);
        else if (IsTextAttribute(static_cast<int>(v[2])))
            parts[3] = Text(reinterpret_cast<BSTR>(v[3]));
        break;
    case EngineSlot_ElementSetAttribute:
        if (v[1] == QMK_Logfont)
            parts[2] = Font(v[2]);
        else if (IsTextAttribute(static_cast<int>(v[1])))
            parts[2] = Text(reinterpret_cast<BSTR>(v[2]));
        break;
    case EngineSlot_SetLayerProperty:
        if (v[1] == QMK_LayerName || v[1] == QMK_LayerDescription)
            parts[2] = Text(reinterpret_cast<BSTR>(v[2]));
        break;
    case EngineSlot_RegisterCallback:
        parts[1] = v[1] ? "fn" : "null";
        break;
    case EngineSlot_PrgSetItemPoint:
        if (const POINT* p = reinterpret_cast<const POINT*>(v[3]))
            parts[3] = "{" + Number(p->x) + "," + Number(p->y) + "}";
        break;
    default: break;
    }
}

void WriteLogFont(EngineValue* out)
{
    if (out)
        *reinterpret_cast<LOGFONTA*>(out) = S().logFont;
}

// What a slot does besides logging: the answers the test set.
template <class... A>
int Answer(int slot, A... a)
{
    State& s = S();
    const intptr_t v[] = {static_cast<intptr_t>((intptr_t)a)..., 0};
    switch (slot) {
    case EngineSlot_RegisterCallback:
        s.callbacks[static_cast<int>(v[0])] = reinterpret_cast<void*>(v[1]);
        break;
    case EngineSlot_GetProperty: {
        auto* out = reinterpret_cast<EngineValue*>(v[1]);
        const int code = static_cast<int>(v[0]);
        if (!out)
            break;
        if (IsFontCode(code))
            WriteLogFont(out);
        else if (s.propertyTexts.count(code))
            *out = reinterpret_cast<EngineValue>(SysAllocString(s.propertyTexts[code].c_str()));
        else if (s.properties.count(code))
            *out = s.properties[code];
        break;
    }
    case EngineSlot_GetLayerProperty: {
        auto* out = reinterpret_cast<EngineValue*>(v[2]);
        if (out && s.layerProperties.count(static_cast<int>(v[1])))
            *out = s.layerProperties[static_cast<int>(v[1])];
        break;
    }
    case EngineSlot_GetTool:
        if (auto* out = reinterpret_cast<int*>(v[1]))
            *out = s.tool;
        break;
    case EngineSlot_GetToolAttribute:
    case EngineSlot_PrgGetItemAttribute:
        if (v[2] == QMK_Logfont)
            WriteLogFont(reinterpret_cast<EngineValue*>(v[3]));
        break;
    case EngineSlot_ElementGetAttribute:
        if (v[1] == QMK_Logfont)
            WriteLogFont(reinterpret_cast<EngineValue*>(v[2]));
        break;
    default: break;
    }
    auto result = s.results.find(slot);
    return result == s.results.end() ? 0 : result->second;
}

// The words a test set for a slot, handed out over its out arguments in
// order: one to each int or EngineValue, two to a POINT, four to a RECT, the
// low byte of one to a byte flag. Arguments the slot only reads (const
// pointers) and values take none.
class OutWords {
public:
    explicit OutWords(const std::vector<int>& words) : words_(words) {}
    template <class T>
    void Take(T) {}
    void Take(int* p) { One(p); }
    void Take(long* p) { One(p); }
    void Take(unsigned char* p)
    {
        int v = 0;
        if (Next(&v) && p)
            *p = static_cast<unsigned char>(v);
    }
    void Take(POINT* p)
    {
        int x = 0, y = 0;
        if (Next(&x) && Next(&y) && p)
            *p = POINT{x, y};
    }
    void Take(RECT* p)
    {
        int l = 0, t = 0, r = 0, b = 0;
        if (Next(&l) && Next(&t) && Next(&r) && Next(&b) && p)
            *p = RECT{l, t, r, b};
    }

private:
    template <class T>
    void One(T* p)
    {
        int v = 0;
        if (Next(&v) && p)
            *p = v;
    }
    bool Next(int* v)
    {
        if (next_ >= words_.size())
            return false;
        *v = words_[next_++];
        return true;
    }
    const std::vector<int>& words_;
    size_t next_ = 0;
};

template <int Slot, class... A>
void WriteOuts(A... a)
{
    auto found = S().outs.find(Slot);
    if (found == S().outs.end())
        return;
    OutWords words(found->second);
    (words.Take(a), ...);
}

template <int Slot, class... A>
int __stdcall Entry(FakeEngine*, A... a)
{
    try {
        std::vector<std::string> parts = {Describe(a)...};
        Refine(Slot, parts, a...);
        std::string line = kSlotNames[Slot];
        line += "(";
        for (size_t i = 0; i < parts.size(); ++i)
            line += (i ? "," : "") + parts[i];
        line += ")";
        S().log.push_back(line);
        if (Slot == S().reportChangeOn) {
            auto changed = reinterpret_cast<ItemChangedFn>(S().callbacks[Channel_ItemChanged]);
            if (changed)
                changed(S().cookie, 1, 2, 3);
        }
        const int result = Answer(Slot, a...);
        WriteOuts<Slot>(a...);
        return result;
    } catch (...) {
        return 0;
    }
}

template <int Slot, class... A>
void* EntryFor(int (__stdcall AnnotationEngine::*)(A...))
{
    return reinterpret_cast<void*>(&Entry<Slot, A...>);
}

void* const kVtable[] = {
#define FAKE_SLOT_ENTRY(slot, name, params) EntryFor<slot>(&AnnotationEngine::name),
    ANNOTATION_ENGINE_SLOTS(FAKE_SLOT_ENTRY)
#undef FAKE_SLOT_ENTRY
};
static_assert(sizeof(kVtable) / sizeof(kVtable[0]) == kEngineSlotCount, "one entry per slot");

} // namespace

extern "C" AnnotationEngine* __stdcall Ann_Init(HostCookie cookie, HWND window, int unused)
{
    State& s = S();
    s.log.push_back("Ann_Init(" + Number(reinterpret_cast<intptr_t>(window)) + "," +
                    Number(unused) + ")");
    s.cookie = cookie;
    if (s.initFails)
        return nullptr;
    FakeEngine* engine = new FakeEngine{kVtable};
    ++s.live;
    return reinterpret_cast<AnnotationEngine*>(engine);
}

extern "C" void __stdcall Ann_Deinit(AnnotationEngine* engine)
{
    State& s = S();
    s.log.push_back("Ann_Deinit");
    if (!engine)
        return;
    delete reinterpret_cast<FakeEngine*>(engine);
    --s.live;
}

extern "C" {
void __cdecl FakeEngine_Reset() { S() = State(); }
int __cdecl FakeEngine_LogCount() { return static_cast<int>(S().log.size()); }
const char* __cdecl FakeEngine_LogLine(int index)
{
    const State& s = S();
    return index >= 0 && index < static_cast<int>(s.log.size()) ? s.log[index].c_str() : nullptr;
}
void __cdecl FakeEngine_SetInitFails(int fails) { S().initFails = fails != 0; }
void __cdecl FakeEngine_SetResult(int slot, int result) { S().results[slot] = result; }
void __cdecl FakeEngine_SetOuts(int slot, const int* words, int count)
{
    if (words && count > 0)
        S().outs[slot] = std::vector<int>(words, words + count);
    else
        S().outs.erase(slot);
}
void __cdecl FakeEngine_ReportChangeOn(int slot) { S().reportChangeOn = slot; }
void __cdecl FakeEngine_SetProperty(int code, EngineValue value)
{
    S().propertyTexts.erase(code);
    S().properties[code] = value;
}
void __cdecl FakeEngine_SetPropertyText(int code, const wchar_t* text)
{
    S().propertyTexts[code] = text ? text : L"";
}
void __cdecl FakeEngine_SetLayerProperty(int code, EngineValue value)
{
    S().layerProperties[code] = value;
}
void __cdecl FakeEngine_SetTool(int tool) { S().tool = tool; }
void __cdecl FakeEngine_SetLogFont(const LOGFONTA* font)
{
    if (font)
        S().logFont = *font;
}
void* __cdecl FakeEngine_Callback(int channel)
{
    auto found = S().callbacks.find(channel);
    return found == S().callbacks.end() ? nullptr : found->second;
}
HostCookie __cdecl FakeEngine_Cookie() { return S().cookie; }
int __cdecl FakeEngine_LiveCount() { return S().live; }
}
