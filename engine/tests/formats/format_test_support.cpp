#include "format_test_support.h"

#include <cstdio>
#include <cstring>
#include <sstream>

namespace formats_test {

namespace {

std::map<HostCookie, PasswordDesk>& Desks()
{
    static std::map<HostCookie, PasswordDesk> desks;
    return desks;
}

// As the control's sink does: the BSTR it was handed is replaced.
int __stdcall AnswerPassword(HostCookie cookie, BSTR layerName, BSTR* password)
{
    PasswordDesk& desk = Desks()[cookie];
    const std::wstring name = layerName ? std::wstring(layerName, SysStringLen(layerName)) : L"";
    desk.asked.push_back(name);
    auto it = desk.answers.find(name);
    if (it != desk.answers.end() && password) {
        SysFreeString(*password);
        *password = SysAllocString(it->second.c_str());
    }
    return 0;
}

std::string Narrow(BSTR text)
{
    std::string out;
    if (!text)
        return "(null)";
    for (UINT i = 0; i < SysStringLen(text); ++i) {
        const wchar_t c = text[i];
        if (c < 128) {
            out += static_cast<char>(c);
        } else {
            char code[12];
            std::snprintf(code, sizeof(code), "\\u%04X", static_cast<unsigned>(c));
            out += code;
        }
    }
    return out;
}

std::string TakeText(BSTR text)
{
    std::string out = Narrow(text);
    SysFreeString(text);
    return out;
}

void SetText(AnnotationEngine* engine, int layer, int seq, int code, const wchar_t* text)
{
    BSTR value = SysAllocString(text);
    engine->PrgSetItemAttribute(layer, seq, code, reinterpret_cast<EngineValue>(value));
    SysFreeString(value);
}

const int kNumberCodes[] = {
    QMK_PenColor,   QMK_TextColor,   QMK_BackColor,    QMK_FillColor, QMK_PenWidth,
    QMK_HighlightBack, QMK_HighlightFill, QMK_BackStyle, QMK_Locked,   QMK_Visible,
    QMK_ShowHandles, QMK_Moveable,   QMK_Selected,     QMK_Sizeable,  QMK_UserDraw,
    QMK_HatchStyle, QMK_HatchColor,  QMK_ZOrder,       QMK_NumPoints, QMK_ToolType,
    QMK_UserLong,   QMK_GroupId,     QMK_WangType,     QMK_ReservedTime, QMK_CreateSeconds,
};

void DescribeItem(AnnotationEngine* e, int layer, int seq, std::ostringstream& out)
{
    out << "  item " << seq;
    for (int code : kNumberCodes) {
        EngineValue value = 0;
        const int result = e->PrgGetItemAttribute(layer, seq, code, &value);
        out << " " << code << "=";
        if (result == 0)
            out << static_cast<int>(value);
        else
            out << "error " << result;
    }
    RECT bounds = {};
    e->PrgGetItemAttribute(layer, seq, QMK_BoundingRect, reinterpret_cast<EngineValue*>(&bounds));
    out << " rect=" << bounds.left << "," << bounds.top << "," << bounds.right << ","
        << bounds.bottom;
    VARIANT created;
    VariantInit(&created);
    e->PrgGetItemAttribute(layer, seq, QMK_CreateTime, reinterpret_cast<EngineValue*>(&created));
    char date[40];
    std::snprintf(date, sizeof(date), "%.9f", created.vt == VT_DATE ? created.date : -1.0);
    out << " created=" << date;
    VariantClear(&created);
    for (int code : {QMK_ItemName, QMK_UserString}) {
        BSTR text = nullptr;
        e->PrgGetItemAttribute(layer, seq, code, reinterpret_cast<EngineValue*>(&text));
        out << " " << code << "=\"" << TakeText(text) << "\"";
    }
    out << "\n";
}

void DescribeLayer(AnnotationEngine* e, int layer, std::ostringstream& out)
{
    BSTR name = nullptr;
    BSTR description = nullptr;
    BSTR password = nullptr;
    e->GetLayerProperty(layer, QMK_LayerName, reinterpret_cast<EngineValue*>(&name));
    e->GetLayerProperty(layer, QMK_LayerDescription, reinterpret_cast<EngineValue*>(&description));
    e->GetLayerPassword(layer, &password);
    out << "layer \"" << TakeText(name) << "\" \"" << TakeText(description) << "\" password \""
        << TakeText(password) << "\"";
    for (int code : {QMK_LayerVisible, QMK_LayerActive, QMK_LayerProperty36752}) {
        EngineValue value = 0;
        e->GetLayerProperty(layer, code, &value);
        out << " " << code << "=" << static_cast<int>(value);
    }
    int count = 0;
    e->PrgGetItemCount(layer, &count);
    out << " items " << count << " selected";
    int seq = 0;
    for (e->PrgGetFirstSelected(layer, &seq); seq != 0; e->PrgGetNextSelected(layer, &seq))
        out << " " << seq;
    out << "\n";
    for (e->PrgGetFirstItem(layer, &seq); seq != 0; e->PrgGetNextItem(layer, &seq))
        DescribeItem(e, layer, seq, out);
}

// Reads a layer record into a new layer (slot 160): the engine's result, and
// the new layer's handle in layer.
int ReadIntoNewLayer(AnnotationEngine* engine, const Bytes& record, int& layer)
{
    VARIANT v;
    MakeByteArray(record, &v);
    const int result = engine->SetLayerFromVariant(&v, &layer);
    VariantClear(&v);
    return result;
}

} // namespace

Bytes ArrayBytes(const VARIANT& v)
{
    if (v.vt != (VT_ARRAY | VT_UI1) || !v.parray || SafeArrayGetDim(v.parray) != 1)
        return {};
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(v.parray, &data)))
        return {};
    const uint8_t* first = static_cast<const uint8_t*>(data);
    Bytes bytes(first, first + v.parray->rgsabound[0].cElements);
    SafeArrayUnaccessData(v.parray);
    return bytes;
}

void MakeByteArray(const Bytes& bytes, VARIANT* out)
{
    VariantInit(out);
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    if (!bytes.empty())
        std::memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
    out->vt = VT_ARRAY | VT_UI1;
    out->parray = array;
}

PasswordDesk& AnswerPasswords(engine_test::TestHost& host)
{
    host->RegisterCallback(Channel_RequestLayerPassword, reinterpret_cast<void*>(&AnswerPassword));
    PasswordDesk& desk = Desks()[host.Cookie()];
    desk = PasswordDesk();
    return desk;
}

Bytes ItemRecord(int type, int seq, const RECT& bounds)
{
    Hand h;
    h.D(static_cast<uint32_t>(type)).D(36756).R(36765, 0x17);
    h.D(7).D(bounds.left).D(bounds.top).D(bounds.right).D(bounds.bottom);
    h.R(36751, static_cast<uint32_t>(seq)).D(36757);
    return h.bytes();
}

Bytes LayerRecord(const std::wstring& name, const std::vector<Bytes>& items)
{
    Hand body;
    body.D(36762).R(36753, static_cast<uint32_t>(items.size())).D(36763);
    for (const Bytes& item : items)
        body.Raw(item);
    Hand record;
    record.D(36754).D(36752).D(0).D(0).D(static_cast<uint32_t>(body.Size())).Str(name);
    record.Raw(body.bytes()).D(36755);
    return record.bytes();
}

int AddRecordLayer(AnnotationEngine* engine, const Bytes& record)
{
    int layer = 0;
    return ReadIntoNewLayer(engine, record, layer) == 0 ? layer : 0;
}

void FillEngine(AnnotationEngine* e)
{
    const RECT a = {0x00100000, 0x00200000, 0x00500000, 0x00400000};
    const RECT b = {0x00010000, 0x00010000, 0x00FF0000, 0x00FF0000};
    const RECT c = {0x00800000, 0x00800000, 0x00900000, 0x00A00000};
    const int plans = AddRecordLayer(
        e, LayerRecord(L"Plans", {ItemRecord(RectangleTool, 1, a), ItemRecord(EllipseTool, 2, b),
                                  ItemRecord(RectangleTool, 5, c)}));
    e->PrgSetItemAttribute(plans, 1, QMK_PenColor, 0x123456);
    e->PrgSetItemAttribute(plans, 1, QMK_FillColor, 0x00AA00);
    e->PrgSetItemAttribute(plans, 1, QMK_PenWidth, 3);
    e->PrgSetItemAttribute(plans, 1, QMK_BackStyle, 3001);
    e->PrgSetItemAttribute(plans, 1, QMK_HatchStyle, 6003);
    e->PrgSetItemAttribute(plans, 1, QMK_HatchColor, 0x0000FF);
    e->PrgSetItemAttribute(plans, 1, QMK_UserLong, 42);
    SetText(e, plans, 1, QMK_ItemName, L"first");
    SetText(e, plans, 1, QMK_UserString, L"\u00FCser \u20AC");
    e->PrgSetItemAttribute(plans, 2, QMK_HighlightFill, 1);
    e->PrgSetItemAttribute(plans, 2, QMK_Visible, 0);
    e->PrgSetItemAttribute(plans, 5, QMK_Selected, 1);
    e->PrgSetItemAttribute(plans, 5, QMK_Locked, 1);
    e->PrgSetItemAttribute(plans, 5, QMK_UserDraw, 1);
    BSTR description = SysAllocString(L"plans of the day");
    e->SetLayerProperty(plans, QMK_LayerDescription, reinterpret_cast<EngineValue>(description));
    SysFreeString(description);

    const int secret =
        AddRecordLayer(e, LayerRecord(L"Secret", {ItemRecord(EllipseTool, 7, c)}));
    BSTR password = SysAllocString(L"pw one");
    e->SetLayerPassword(secret, password);
    SysFreeString(password);
    e->SetLayerProperty(secret, QMK_LayerVisible, 0);

    e->CreateLayer(1);
}

HGLOBAL ShadeDib(uint8_t shade, int width, int height)
{
    const int row = ((width * 24 + 31) / 32) * 4;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 40 + row * height);
    uint8_t* bytes = static_cast<uint8_t*>(GlobalLock(block));
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    std::memcpy(bytes, &header, sizeof(header));
    std::memset(bytes + 40, shade, row * height);
    GlobalUnlock(block);
    return block;
}

int NewElement(AnnotationEngine* e, int tool, const RECT& box, const std::vector<POINT>& points)
{
    int element = 0;
    e->ElementCreate(&element);
    e->ElementSetAttribute(element, QMK_ElementType, tool);
    if (points.empty()) {
        RECT rect = box;
        e->ElementSetAttribute(element, QMK_BoundingRect, reinterpret_cast<EngineValue>(&rect));
    }
    for (const POINT& p : points)
        e->ElementAddPoint(element, p.x, p.y);
    return element;
}

int AddEveryKindLayer(AnnotationEngine* e, int* pictureSeq)
{
    const int layer = e->CreateLayer(1);
    struct Kind {
        int tool;
        RECT box;
        std::vector<POINT> points;
        const wchar_t* text;
    };
    const Kind kinds[] = {
        {TextTool, {10, 10, 120, 40}, {}, L"typed text"},
        {RectangleTool, {20, 60, 90, 110}, {}, nullptr},
        {EllipseTool, {100, 60, 180, 120}, {}, nullptr},
        {PolygonTool, {}, {{200, 20}, {260, 30}, {230, 90}}, nullptr},
        {PolyLineTool, {}, {{300, 20}, {340, 60}, {380, 30}, {400, 80}}, nullptr},
        {LineTool, {}, {{20, 150}, {180, 190}}, nullptr},
        {FreehandTool, {}, {{200, 150}, {210, 160}, {225, 158}, {240, 175}, {260, 170}}, nullptr},
        {StampTool, {300, 150, 420, 190}, {}, L"APPROVED"},
        {ImageTool, {20, 220, 80, 260}, {}, nullptr},
        {ButtonTool, {100, 220, 180, 250}, {}, L"Press"},
        {RulerTool, {}, {{200, 240}, {380, 240}}, nullptr},
    };
    HGLOBAL picture = ShadeDib(0x5A);
    for (const Kind& kind : kinds) {
        const int element = NewElement(e, kind.tool, kind.box, kind.points);
        if (kind.text) {
            BSTR text = SysAllocString(kind.text);
            e->ElementSetAttribute(element, QMK_Text, reinterpret_cast<EngineValue>(text));
            SysFreeString(text);
        }
        if (kind.tool == ImageTool)
            e->ElementSetAttribute(element, QMK_DibPtr, reinterpret_cast<EngineValue>(picture));
        e->ElementSetAttribute(element, QMK_PenColor, 0x102030 + kind.tool);
        int seq = 0;
        e->ElementAppend(layer, element, &seq);
        if (kind.tool == ImageTool && pictureSeq)
            *pictureSeq = seq;
        e->ElementDestroy(element);
    }
    GlobalFree(picture);
    BSTR name = SysAllocString(L"Every kind");
    e->SetLayerProperty(layer, QMK_LayerName, reinterpret_cast<EngineValue>(name));
    SysFreeString(name);
    return layer;
}

int LoadLayer(AnnotationEngine* e, const Bytes& record)
{
    int made = 0;
    return ReadIntoNewLayer(e, record, made);
}

int LoadStream(AnnotationEngine* engine, const Bytes& bytes)
{
    return engine->LoadAnnotationsFromMemory(bytes.data(), static_cast<int>(bytes.size()), 0, 0);
}

std::string FirstDifference(const Bytes& a, const Bytes& b)
{
    size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at])
        ++at;
    char line[200];
    std::snprintf(line, sizeof(line), "sizes %zu and %zu, first difference at %zu:", a.size(),
                  b.size(), at);
    std::string out = line;
    for (size_t i = at >= 8 ? at - 8 : 0; i < at + 16; ++i) {
        std::snprintf(line, sizeof(line), " %02X/%02X", i < a.size() ? a[i] : 0, i < b.size() ? b[i] : 0);
        out += line;
    }
    return out;
}

Bytes SavedStream(AnnotationEngine* e)
{
    void* block = nullptr;
    const int size = e->SaveAnnotationsToMemory(&block);
    Bytes bytes;
    if (size > 0 && block)
        bytes.assign(static_cast<const uint8_t*>(block), static_cast<const uint8_t*>(block) + size);
    CoTaskMemFree(block);
    return bytes;
}

Bytes SavedLayer(AnnotationEngine* e, int layer)
{
    VARIANT v;
    VariantInit(&v);
    int size = 0;
    e->GetLayerIntoVariant(&v, layer, &size);
    Bytes bytes = ArrayBytes(v);
    VariantClear(&v);
    return bytes;
}

std::string Describe(AnnotationEngine* e)
{
    std::ostringstream out;
    for (int layer = e->GetFirstLayer(); layer != 0; layer = e->GetNextLayer())
        DescribeLayer(e, layer, out);
    return out.str();
}

TempFile::TempFile(const wchar_t* suffix)
{
    // Each file lies in a folder of its own, so that what a test counts
    // beside it (the engine's work files) is its own, whatever runs alongside.
    static int counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    wchar_t name[64];
    std::swprintf(name, 64, L"formats_%lu_%d", GetCurrentProcessId(), ++counter);
    folder_ = std::wstring(temp) + name;
    CreateDirectoryW(folder_.c_str(), nullptr);
    path_ = folder_ + L"\\file" + suffix;
    bstr_ = SysAllocString(path_.c_str());
    DeleteFileW(path_.c_str());
}

TempFile::~TempFile()
{
    DeleteFileW(path_.c_str());
    RemoveDirectoryW(folder_.c_str());
    SysFreeString(bstr_);
}

} // namespace formats_test
