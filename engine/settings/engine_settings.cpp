#include "settings/engine_settings.h"

#include <oleauto.h>

#include <cstring>

namespace {

// How a property is kept and what a set of it does.
enum class Kind {
    Map,          // the map value is the setting; a set reaches attribute code - 4096 of every tool
    EngineFlag,   // a byte field of the engine (130 to 133)
    FontScaling,  // the int16 font-scaling field; only 0 and 1 change it
    TextFlag,     // a byte flag of UnitNames (136 to 139)
    TextDpi,      // an int32 of UnitNames (140, 141)
    SummaryText,  // a summary string (768 to 771)
    UnitLabel,    // a unit label of UnitNames (2081 to 2094)
    Font,         // a tool's default font, by address; the map is not updated
    ToolText,     // a tool's default text (stamp 4128, button 4131)
};

struct Property {
    int code;
    Kind kind;
    int mapDefault;
};

// The 51 properties in the engine's order, with the map value a new engine
// starts with.
const Property kProperties[] = {
    {QMK_InteractMode, Kind::EngineFlag, 0},
    {QMK_EnableContextMenu, Kind::EngineFlag, 1},
    {QMK_SaveAnnotations, Kind::EngineFlag, 1},
    {QMK_UsePaletteMenu, Kind::EngineFlag, 0},  // the field starts at 1
    {QMK_LoadAnnotations, Kind::Map, 1},
    {QMK_FontScaling, Kind::FontScaling, 0},
    {QMK_MLECompatible, Kind::TextFlag, 0},
    {QMK_QMKEditors, Kind::TextFlag, 1},
    {QMK_UnicodeMode, Kind::TextFlag, 0},
    {QMK_TextToolArrows, Kind::TextFlag, 1},
    {QMK_RecalibrateXDPI, Kind::TextDpi, -1},
    {QMK_RecalibrateYDPI, Kind::TextDpi, -1},
    {QMK_SummaryAuthor, Kind::SummaryText, 0},
    {QMK_SummaryComments, Kind::SummaryText, 0},
    {QMK_SummarySubject, Kind::SummaryText, 0},
    {QMK_SummaryTitle, Kind::SummaryText, 0},
    {QMK_UnitNameInches, Kind::UnitLabel, 0},
    {QMK_UnitNameFeet, Kind::UnitLabel, 0},
    {QMK_UnitNameYards, Kind::UnitLabel, 0},
    {QMK_UnitNameMiles, Kind::UnitLabel, 0},
    {QMK_UnitNameMicrometers, Kind::UnitLabel, 0},
    {QMK_UnitNameMillimeters, Kind::UnitLabel, 0},
    {QMK_UnitNameCentimeters, Kind::UnitLabel, 0},
    {QMK_UnitNameDecimeters, Kind::UnitLabel, 0},
    {QMK_UnitNameMeters, Kind::UnitLabel, 0},
    {QMK_UnitNameDekameters, Kind::UnitLabel, 0},
    {QMK_UnitNameKilometers, Kind::UnitLabel, 0},
    {QMK_UnitNamePixels, Kind::UnitLabel, 0},
    {QMK_UnitNameTwips, Kind::UnitLabel, 0},
    {QMK_DefaultRulerFont, Kind::Font, 0},
    {QMK_DefaultPenColor, Kind::Map, 0xFF0000},
    {QMK_DefaultTextColor, Kind::Map, 0},
    {QMK_DefaultBackColor, Kind::Map, 0xFFFFFF},
    {QMK_DefaultFillColor, Kind::Map, 0xC0C0C0},
    {QMK_DefaultPenWidth, Kind::Map, 1},
    {QMK_DefaultHighlightBack, Kind::Map, 0},
    {QMK_DefaultHighlightFill, Kind::Map, 0},
    {QMK_DefaultStampText, Kind::ToolText, 0},
    {QMK_DefaultButtonText, Kind::ToolText, 0},
    {QMK_DefaultTool, Kind::Map, FreehandTool},
    {QMK_DefaultStampFont, Kind::Font, 0},
    {QMK_DefaultTextFont, Kind::Font, 0},
    {QMK_DefaultButtonFont, Kind::Font, 0},
    {QMK_StreamSetting34, Kind::Map, 0},
    {QMK_ImageMappingWidth, Kind::Map, 0},
    {QMK_ImageMappingHeight, Kind::Map, 0},
    {QMK_StreamSetting2128, Kind::Map, 0},
    {QMK_StreamSetting2129, Kind::Map, 0},
    {QMK_StreamSetting36760, Kind::Map, 7},
    {QMK_LayerCountSetting, Kind::Map, 0},
    {QMK_StreamSetting36764, Kind::Map, 0},
};
static_assert(sizeof(kProperties) / sizeof(kProperties[0]) == kEnginePropertyCount,
              "the engine holds exactly 51 properties");

const Property* FindProperty(int code) {
    for (const Property& property : kProperties)
        if (property.code == code) return &property;
    return nullptr;
}

// The tool whose default font a font code names.
int ToolOfFont(int code) {
    switch (code) {
    case QMK_DefaultRulerFont: return RulerTool;
    case QMK_DefaultStampFont: return StampTool;
    case QMK_DefaultTextFont: return TextTool;
    default: return ButtonTool;
    }
}

BSTR NewCopy(BSTR text) {
    return text ? SysAllocStringLen(text, SysStringLen(text)) : SysAllocString(L"");
}

bool ReplaceText(BSTR& field, BSTR text) {
    if (!text) return false;
    BSTR copy = SysAllocStringLen(text, SysStringLen(text));
    if (!copy) return false;
    SysFreeString(field);
    field = copy;
    return true;
}

bool TextFlagOf(const UnitNames& names, int code) {
    switch (code) {
    case QMK_MLECompatible: return names.mleCompatible;
    case QMK_QMKEditors: return names.editors;
    case QMK_UnicodeMode: return names.unicodeMode;
    default: return names.textToolArrows;
    }
}

void SetTextFlag(UnitNames& names, int code, bool on) {
    switch (code) {
    case QMK_MLECompatible: names.mleCompatible = on; break;
    case QMK_QMKEditors: names.editors = on; break;
    case QMK_UnicodeMode: names.unicodeMode = on; break;
    default: names.textToolArrows = on; break;
    }
}

} // namespace

EngineSettings::EngineSettings(EngineSettingsHost* host, UnitNames* unitNames)
    : host_(host), unitNames_(unitNames) {
    author_ = SysAllocString(L"");
    comments_ = SysAllocString(L"");
    subject_ = SysAllocString(L"");
    title_ = SysAllocString(L"");
}

EngineSettings::~EngineSettings() {
    SysFreeString(author_);
    SysFreeString(comments_);
    SysFreeString(subject_);
    SysFreeString(title_);
}

void EngineSettings::LoadDefaults() {
    map_.clear();
    for (const Property& property : kProperties) map_.emplace_back(property.code, property.mapDefault);
    tools_.LoadDefaults();
}

bool EngineSettings::IsProperty(int code) { return FindProperty(code) != nullptr; }

std::pair<int, int>* EngineSettings::MapEntry(int code) {
    for (auto& entry : map_)
        if (entry.first == code) return &entry;
    return nullptr;
}

const std::pair<int, int>* EngineSettings::MapEntry(int code) const {
    return const_cast<EngineSettings*>(this)->MapEntry(code);
}

BSTR* EngineSettings::SummaryField(int code) {
    switch (code) {
    case QMK_SummaryAuthor: return &author_;
    case QMK_SummaryComments: return &comments_;
    case QMK_SummarySubject: return &subject_;
    case QMK_SummaryTitle: return &title_;
    default: return nullptr;
    }
}

BSTR EngineSettings::SummaryText(int code) const {
    switch (code) {
    case QMK_SummaryAuthor: return author_;
    case QMK_SummaryComments: return comments_;
    case QMK_SummarySubject: return subject_;
    case QMK_SummaryTitle: return title_;
    default: return nullptr;
    }
}

void EngineSettings::ApplyFlag(int code, bool on) {
    switch (code) {
    case QMK_InteractMode:
        interactMode_ = on;
        if (host_) host_->InteractModeSet(on);
        break;
    case QMK_EnableContextMenu:
        contextMenuEnabled_ = on;
        if (host_) host_->ContextMenuEnabledSet(on);
        break;
    case QMK_SaveAnnotations:
        saveAnnotations_ = on;
        break;
    default:
        usePaletteMenu_ = on;
        if (host_) host_->UsePaletteMenuSet(on);
        break;
    }
}

int EngineSettings::SetProperty(int code, EngineValue value) {
    const Property* property = FindProperty(code);
    std::pair<int, int>* entry = MapEntry(code);
    if (!property || !entry) return QMK_ErrInvalidAttribute;

    bool keepInMap = true;
    switch (property->kind) {
    case Kind::Map:
        // Codes 4097 to 4105 reach attributes 1 to 9; a tool without the
        // attribute ignores it, and the other codes reach none.
        for (int tool = TextTool; tool <= ProtractorTool; ++tool)
            SetToolDefaultAttribute(tool, code - PointerTool, value);
        break;
    case Kind::EngineFlag:
        ApplyFlag(code, value != 0);
        break;
    case Kind::FontScaling:
        if (value == 0 || value == 1) {
            fontScaling_ = static_cast<short>(value);
            if (host_) host_->FontScalingSet(fontScaling_);
        }
        break;
    case Kind::TextFlag:
        if (unitNames_) SetTextFlag(*unitNames_, code, value != 0);
        break;
    case Kind::TextDpi:
        if (unitNames_) {
            if (code == QMK_RecalibrateXDPI)
                unitNames_->recalibratedXDpi = static_cast<int>(value);
            else
                unitNames_->recalibratedYDpi = static_cast<int>(value);
        }
        break;
    case Kind::SummaryText:
        ReplaceText(*SummaryField(code), reinterpret_cast<BSTR>(value));
        keepInMap = false;
        break;
    case Kind::UnitLabel:
        if (unitNames_)
            unitNames_->SetLabel(UnitNames::LabelIndexOfProperty(code), reinterpret_cast<BSTR>(value));
        keepInMap = false;
        break;
    case Kind::Font: {
        // The tool's default changes in place; the current layer keeps its font.
        AttributeValue* font = tools_.Find(ToolOfFont(code), QMK_Logfont);
        if (font) font->Assign(value);
        keepInMap = false;
        break;
    }
    case Kind::ToolText:
        SetToolDefaultAttribute(code == QMK_DefaultStampText ? StampTool : ButtonTool, QMK_Text, value);
        keepInMap = false;
        break;
    }
    // The map keeps numbers only: a text's or font's address would dangle.
    if (keepInMap) entry->second = static_cast<int>(value);
    return QMK_NoError;
}

int EngineSettings::SetStoredProperty(int code, EngineValue value) {
    const Property* property = FindProperty(code);
    std::pair<int, int>* entry = MapEntry(code);
    if (!property || !entry) return QMK_ErrInvalidAttribute;
    if (code == QMK_InteractMode || code == QMK_SaveAnnotations) return QMK_NoError;
    if (property->kind == Kind::Map) {
        entry->second = static_cast<int>(value);
        return QMK_NoError;
    }
    return SetProperty(code, value);
}

int EngineSettings::GetProperty(int code, EngineValue* value) const {
    const Property* property = FindProperty(code);
    const std::pair<int, int>* entry = MapEntry(code);
    if (!property || !entry) return QMK_ErrInvalidAttribute;
    if (!value) return QMK_NoError;

    switch (property->kind) {
    case Kind::Map:
        *value = entry->second;
        break;
    case Kind::EngineFlag:
        switch (code) {
        case QMK_InteractMode: *value = interactMode_ ? 1 : 0; break;
        case QMK_EnableContextMenu: *value = contextMenuEnabled_ ? 1 : 0; break;
        case QMK_SaveAnnotations: *value = saveAnnotations_ ? 1 : 0; break;
        default: *value = usePaletteMenu_ ? 1 : 0; break;
        }
        break;
    case Kind::FontScaling:
        *value = fontScaling_;
        break;
    case Kind::TextFlag:
        if (unitNames_)
            *value = TextFlagOf(*unitNames_, code) ? 1 : 0;
        else
            *value = (code == QMK_QMKEditors || code == QMK_TextToolArrows) ? 1 : 0;
        break;
    case Kind::TextDpi:
        if (!unitNames_)
            *value = 0;
        else
            *value = code == QMK_RecalibrateXDPI ? unitNames_->recalibratedXDpi
                                                 : unitNames_->recalibratedYDpi;
        break;
    case Kind::SummaryText:
        *value = reinterpret_cast<EngineValue>(NewCopy(SummaryText(code)));
        break;
    case Kind::UnitLabel:
        *value = unitNames_ ? reinterpret_cast<EngineValue>(NewCopy(
                                  unitNames_->Label(UnitNames::LabelIndexOfProperty(code))))
                            : 0;
        break;
    case Kind::Font: {
        const AttributeValue* font = tools_.Find(ToolOfFont(code), QMK_Logfont);
        if (font) font->CopyTo(value);
        break;
    }
    case Kind::ToolText: {
        const AttributeValue* text =
            tools_.Find(code == QMK_DefaultStampText ? StampTool : ButtonTool, QMK_Text);
        *value = reinterpret_cast<EngineValue>(NewCopy(text ? text->Text() : nullptr));
        break;
    }
    }
    return QMK_NoError;
}

int EngineSettings::SetToolDefaultAttribute(int tool, int attribute, EngineValue value) {
    bool changed = false;
    const int result = tools_.Set(tool, attribute, value, changed);
    if (result != QMK_NoError || !changed) return result;
    if (host_) host_->SetCurrentLayerToolAttribute(tool, attribute, tools_.Find(tool, attribute)->AsArgument());
    return QMK_NoError;
}

int EngineSettings::GetToolDefaultAttribute(int tool, int attribute, EngineValue* value) const {
    return tools_.Get(tool, attribute, value);
}

int EngineSettings::IsValidToolAttribute(int tool, int attribute, unsigned char* valid) const {
    bool has = false;
    const int result = tools_.IsValid(tool, attribute, has);
    if (valid && result == QMK_NoError) *valid = has ? 1 : 0;
    return result;
}
