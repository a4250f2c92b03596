#pragma once
// The engine-wide default attributes of the tools: one map attribute code ->
// value per tool 4096 to 4108. Each new layer starts its tools from copies of
// these maps, so they decide how new annotations look. Texts, fonts and the
// image default are held as typed copies owned by these maps.
#include "settings/attribute_map.h"

class ToolDefaults {
public:
    using Map = AttributeMap;

    // All 13 maps empty.
    ToolDefaults() = default;

    // Fills the maps of tools 4097 to 4107 with the engine's defaults (the
    // button's colours read from the system now); 4096 (pointer) and 4108
    // (protractor) stay empty. Replaces whatever the maps held.
    void LoadDefaults();

    static bool IsTool(int tool) { return tool >= kFirstTool && tool <= kLastTool; }

    // The map of a tool, or null for a tool outside 4096..4108.
    const Map* MapOf(int tool) const;
    // The value of a tool's attribute, or null when the tool has no such attribute.
    const AttributeValue* Find(int tool, int attribute) const;
    AttributeValue* Find(int tool, int attribute);

    // Stores a value (see AttributeValue::Assign). Returns 0, QMK_ErrInvalidTool
    // for a tool outside 4096..4108 or QMK_ErrInvalidAttribute for an attribute
    // the tool does not have or for an image block that holds no whole
    // packed DIB (the old image stays); changed tells whether the value was
    // taken (a null text or font address leaves the old one).
    int Set(int tool, int attribute, EngineValue value, bool& changed);
    // Writes a value to an out argument of its kind (see AttributeValue::CopyTo).
    int Get(int tool, int attribute, void* out) const;
    // QMK_ErrInvalidTool for a bad tool; else 0 and whether the tool has the attribute.
    int IsValid(int tool, int attribute, bool& valid) const;

private:
    Map maps_[kToolCount];
};
