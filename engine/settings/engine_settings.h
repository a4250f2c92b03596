#pragma once
// The engine-wide settings: the 51 engine properties (get and set by code)
// and the default attributes of the tools.
//
// Every property has an entry in the property map. For most codes the map
// value is the setting; for the others the setting lives in a field here or
// in the UnitNames record, and the map keeps a copy of the last number set.
// Texts and fonts are kept only as copies owned here: the map never holds a
// caller's pointer.
//
// Values cross in the form of their code: a number; a BSTR for texts (a set
// copies it, a get returns a new BSTR that the caller frees); for the four
// font codes the address of a 60-byte LOGFONT (a set copies from it, a get
// copies into the LOGFONT that the out argument points at).
#include <windows.h>
#include <oaidl.h>

#include <utility>
#include <vector>

#include "annotation_engine.h"
#include "settings/engine_settings_host.h"
#include "settings/tool_defaults.h"
#include "view/unit_names.h"

class EngineSettings {
public:
    // host receives the effects of a set and may be null; unitNames holds the
    // text settings and unit labels and may be null (those codes then read as
    // their fallbacks and sets reach the map only). Both stay the caller's.
    EngineSettings(EngineSettingsHost* host, UnitNames* unitNames);
    ~EngineSettings();
    EngineSettings(const EngineSettings&) = delete;
    EngineSettings& operator=(const EngineSettings&) = delete;

    // Fills the property map with the 51 defaults and the tool maps with the
    // tool tables, as a new engine starts.
    void LoadDefaults();

    // SetProperty / GetProperty: 0, or QMK_ErrInvalidAttribute for a code the
    // engine does not hold. A null text or font address changes nothing; a
    // null out receives nothing.
    int SetProperty(int code, EngineValue value);
    int GetProperty(int code, EngineValue* value) const;
    // A setting as a saved annotation stream restores it: the numbers that a
    // set would push into every tool (134, 4097 to 4101, 4104, 4105, 4225 and
    // the stream's own codes) are stored in the map only, so that the tools
    // keep their own defaults; interactive mode (130) and saving (132) stay as
    // this engine has them; every other code as SetProperty.
    int SetStoredProperty(int code, EngineValue value);

    // SetToolDefaultAttribute / GetToolDefaultAttribute / IsValidToolAttribute:
    // QMK_ErrInvalidTool for a tool outside 4096..4108, QMK_ErrInvalidAttribute
    // for an attribute the tool does not have. A set that changed the default
    // is passed on to the current layer with the engine's own copy. A get
    // writes in the attribute's own form: a new BSTR for a text (10, 640,
    // 1281); for the font (11) 60 bytes into the LOGFONT that the out argument
    // points at; for the image (17) the engine's handle, which stays the
    // engine's; a number for every other attribute.
    int SetToolDefaultAttribute(int tool, int attribute, EngineValue value);
    int GetToolDefaultAttribute(int tool, int attribute, EngineValue* value) const;
    int IsValidToolAttribute(int tool, int attribute, unsigned char* valid) const;

    // The save flag of code 132, read and written directly (without the map).
    void SetSaveAnnotations(unsigned char flag) { saveAnnotations_ = flag != 0; }
    unsigned char GetSaveAnnotations() const { return saveAnnotations_ ? 1 : 0; }

    // The settings as the engine reads them.
    bool InteractMode() const { return interactMode_; }
    bool ContextMenuEnabled() const { return contextMenuEnabled_; }
    bool SaveAnnotations() const { return saveAnnotations_; }
    bool UsePaletteMenu() const { return usePaletteMenu_; }
    short FontScaling() const { return fontScaling_; }
    // The summary text of 768 (author), 769 (comments), 770 (subject) or 771
    // (title); null for other codes. Never null after construction.
    BSTR SummaryText(int code) const;
    const ToolDefaults& Tools() const { return tools_; }

    static bool IsProperty(int code);
    // The map as it stands, (code, value) in the engine's order.
    const std::vector<std::pair<int, int>>& PropertyMap() const { return map_; }

private:
    std::pair<int, int>* MapEntry(int code);
    const std::pair<int, int>* MapEntry(int code) const;
    BSTR* SummaryField(int code);
    void ApplyFlag(int code, bool on);

    EngineSettingsHost* host_;
    UnitNames* unitNames_;
    std::vector<std::pair<int, int>> map_;
    ToolDefaults tools_;

    bool interactMode_ = false;
    bool contextMenuEnabled_ = true;
    bool saveAnnotations_ = true;
    bool usePaletteMenu_ = true;
    short fontScaling_ = 0;
    BSTR author_ = nullptr;
    BSTR comments_ = nullptr;
    BSTR subject_ = nullptr;
    BSTR title_ = nullptr;
};
