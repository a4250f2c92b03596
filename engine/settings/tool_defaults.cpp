#include "settings/tool_defaults.h"

#include <climits>
#include <cstring>

namespace {

// Cell markers of the table below.
constexpr int NA = INT_MIN;              // the tool has no such attribute
constexpr int SYS_BTNTEXT = INT_MIN + 1; // system colours, read when the maps are filled
constexpr int SYS_BTNFACE = INT_MIN + 2;
constexpr int SYS_3DLIGHT = INT_MIN + 3;
constexpr int SYS_BTNSHADOW = INT_MIN + 4;
constexpr int OWN = INT_MIN + 5;         // the tool's own text or font, set apart

constexpr int kTableTools = 11;          // 4097 .. 4107

struct ToolDefaultRow {
    int attribute;
    int values[kTableTools];
};

// Columns: text, rectangle, ellipse, polygon, polyline, line, freehand, stamp,
// image, button, ruler.
const ToolDefaultRow kToolDefaultTable[] = {
    {QMK_PenColor, {0xFF10FF, 0xFF0000, 0xFF0000, 0xFFFF00, 0x8020FF, 0xFF0000, 0xFF00FF, 0xFF00FF, 0xFF0000, NA, 0xFF0000}},
    {QMK_TextColor, {0, NA, NA, NA, NA, NA, NA, 255, NA, SYS_BTNTEXT, 0}},
    {QMK_BackColor, {0xFFFFFF, NA, NA, NA, NA, NA, NA, 0xC00000, NA, SYS_BTNFACE, 0xFFFFFF}},
    {QMK_FillColor, {NA, 0x00FF00, 0xFFFF00, 255, NA, NA, NA, NA, 0x00FF00, NA, NA}},
    {QMK_PenWidth, {0, 1, 1, 2, 2, 2, 2, 0, 1, 4, 2}},
    {QMK_BoundingRect, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {QMK_HighlightBack, {0, NA, NA, NA, NA, NA, NA, 0, NA, NA, NA}},
    {QMK_HighlightFill, {NA, 0, 0, 0, NA, NA, NA, NA, NA, NA, NA}},
    {QMK_Text, {OWN, NA, NA, NA, NA, NA, NA, OWN, NA, OWN, NA}},
    {QMK_Logfont, {OWN, NA, NA, NA, NA, NA, NA, OWN, NA, OWN, OWN}},
    {QMK_BeginPtStyle, {NA, NA, NA, NA, NA, 0, NA, NA, NA, NA, 0}},
    {QMK_EndPtStyle, {NA, NA, NA, NA, NA, 0, NA, NA, NA, NA, 0}},
    {QMK_TransparentColor, {NA, NA, NA, NA, NA, NA, NA, NA, 0xFFFFFF, NA, NA}},
    {QMK_BackStyle, {3002, 3002, 3002, 3002, NA, NA, NA, 3001, 3002, NA, 3001}},
    {QMK_DibPtr, {NA, NA, NA, NA, NA, NA, NA, NA, 0, NA, NA}},
    {QMK_ScrollBars, {1, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {QMK_Locked, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {QMK_AutoSize, {0, NA, NA, NA, NA, NA, NA, 1, 0, 0, NA}},
    {QMK_Visible, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {QMK_BevelLightColor, {NA, NA, NA, NA, NA, NA, NA, NA, NA, SYS_3DLIGHT, NA}},
    {QMK_BevelShadowColor, {NA, NA, NA, NA, NA, NA, NA, NA, NA, SYS_BTNSHADOW, NA}},
    {QMK_ShowHandles, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {QMK_Moveable, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {QMK_PenStyle, {NA, NA, NA, NA, 0, 0, 0, NA, NA, NA, 0}},
    {QMK_PenFillStyle, {NA, NA, NA, NA, 5513, 5513, 5513, NA, NA, NA, 5513}},
    {QMK_TextOrientation, {0, NA, NA, NA, NA, NA, NA, 0, NA, NA, NA}},
    {QMK_Selected, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {QMK_Sizeable, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
    {QMK_CreateTime, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {QMK_UserDraw, {NA, 0, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {QMK_TextLocked, {0, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {QMK_HatchStyle, {5999, 5999, 5999, 5999, NA, NA, NA, 5999, 5999, NA, NA}},
    {QMK_HatchColor, {0, 0, 0, 0, NA, NA, NA, 0, 0, NA, NA}},
    {QMK_TextJustification, {7000, NA, NA, NA, NA, NA, NA, NA, NA, NA, NA}},
    {QMK_ItemName, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {QMK_Attribute1024, {NA, NA, NA, 0, 0, 0, 0, NA, NA, NA, 0}},
    {QMK_UserLong, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {QMK_UserString, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {QMK_GroupId, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {QMK_ShowAbbr, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 0}},
    {QMK_MeasureChoice, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 2049}},
    {QMK_ShowLength, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, -1}},
    {QMK_GaugeLength, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 30}},
    {QMK_Precision, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 2}},
    {QMK_ShowGauge, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, -1}},
    {QMK_RulerLength, {NA, NA, NA, NA, NA, NA, NA, NA, NA, NA, 0}},
    {QMK_WangType, {7, 6, NA, NA, NA, NA, NA, 9, NA, NA, NA}},
    {QMK_ReservedTime, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {QMK_SequenceNumber, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {QMK_CreateSeconds, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
};

LOGFONTA DefaultFont(const char* face) {
    LOGFONTA font = {};
    font.lfHeight = 15;
    std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return font;
}

// The default font of a tool that has one: the stamp's is a typewriter face.
LOGFONTA DefaultFontOf(int tool) {
    return DefaultFont(tool == StampTool ? "Courier New" : "Times New Roman");
}

int CellValue(int cell) {
    switch (cell) {
    case SYS_BTNTEXT: return static_cast<int>(GetSysColor(COLOR_BTNTEXT));
    case SYS_BTNFACE: return static_cast<int>(GetSysColor(COLOR_BTNFACE));
    case SYS_3DLIGHT: return static_cast<int>(GetSysColor(COLOR_3DLIGHT));
    case SYS_BTNSHADOW: return static_cast<int>(GetSysColor(COLOR_BTNSHADOW));
    default: return cell;
    }
}

} // namespace

void ToolDefaults::LoadDefaults() {
    for (Map& map : maps_) map.clear();
    for (const ToolDefaultRow& row : kToolDefaultTable) {
        const AttributeValue::Kind kind = AttributeValue::KindOfToolAttribute(row.attribute);
        for (int column = 0; column < kTableTools; ++column) {
            const int cell = row.values[column];
            if (cell == NA) continue;
            const int tool = TextTool + column;
            AttributeValue value(kind);
            if (kind == AttributeValue::Kind::Integer) {
                value = AttributeValue::Number(CellValue(cell));
            } else if (kind == AttributeValue::Kind::Font) {
                const LOGFONTA font = DefaultFontOf(tool);
                value.Assign(reinterpret_cast<EngineValue>(&font));
            }
            maps_[tool - kFirstTool].emplace(row.attribute, std::move(value));
        }
    }
}

const ToolDefaults::Map* ToolDefaults::MapOf(int tool) const {
    return IsTool(tool) ? &maps_[tool - kFirstTool] : nullptr;
}

const AttributeValue* ToolDefaults::Find(int tool, int attribute) const {
    const Map* map = MapOf(tool);
    if (!map) return nullptr;
    const auto it = map->find(attribute);
    return it == map->end() ? nullptr : &it->second;
}

AttributeValue* ToolDefaults::Find(int tool, int attribute) {
    return const_cast<AttributeValue*>(static_cast<const ToolDefaults*>(this)->Find(tool, attribute));
}

int ToolDefaults::Set(int tool, int attribute, EngineValue value, bool& changed) {
    changed = false;
    if (!IsTool(tool)) return QMK_ErrInvalidTool;
    AttributeValue* current = Find(tool, attribute);
    if (!current) return QMK_ErrInvalidAttribute;
    changed = current->Assign(value);
    if (!changed && current->kind() == AttributeValue::Kind::Image) return QMK_ErrInvalidAttribute;
    return QMK_NoError;
}

int ToolDefaults::Get(int tool, int attribute, void* out) const {
    if (!IsTool(tool)) return QMK_ErrInvalidTool;
    const AttributeValue* current = Find(tool, attribute);
    if (!current) return QMK_ErrInvalidAttribute;
    current->CopyTo(out);
    return QMK_NoError;
}

int ToolDefaults::IsValid(int tool, int attribute, bool& valid) const {
    valid = false;
    if (!IsTool(tool)) return QMK_ErrInvalidTool;
    valid = Find(tool, attribute) != nullptr;
    return QMK_NoError;
}
