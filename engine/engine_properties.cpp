// The engine's properties and tool defaults through the interface, and what
// a change of a setting does to the layers and the host window (the
// EngineSettingsHost side of the engine).
#include "engine_object.h"

// --- the operations -----------------------------------------------------------------

int __stdcall EngineObject::SetProperty(int code, EngineValue value)
{
    try {
        return settings_->SetProperty(code, value);
    } catch (...) {
        return QMK_ErrOutOfMemory;
    }
}

int __stdcall EngineObject::GetProperty(int code, EngineValue* value)
{
    try {
        return settings_->GetProperty(code, value);
    } catch (...) {
        return QMK_ErrOutOfMemory;
    }
}

int __stdcall EngineObject::SetToolDefaultAttribute(int tool, int attribute, EngineValue value)
{
    try {
        return settings_->SetToolDefaultAttribute(tool, attribute, value);
    } catch (...) {
        return QMK_ErrOutOfMemory;
    }
}

int __stdcall EngineObject::GetToolDefaultAttribute(int tool, int attribute, EngineValue* value)
{
    try {
        return settings_->GetToolDefaultAttribute(tool, attribute, value);
    } catch (...) {
        return QMK_ErrOutOfMemory;
    }
}

int __stdcall EngineObject::IsValidToolAttribute(int tool, int attribute, unsigned char* valid)
{
    return settings_->IsValidToolAttribute(tool, attribute, valid);
}

int __stdcall EngineObject::SetSaveAnnotations(unsigned char flag)
{
    settings_->SetSaveAnnotations(flag);
    return 0;
}

int __stdcall EngineObject::GetSaveAnnotations()
{
    return settings_->GetSaveAnnotations();
}

// --- effects of the settings ----------------------------------------------------------

void EngineObject::SetCurrentLayerToolAttribute(int tool, int attribute, EngineValue value)
{
    // The layer copies what value refers to; value stays the settings' own.
    if (AnnotationLayer* layer = FindLayer(currentLayer_))
        layer->SetToolAttribute(tool, attribute, value);
}

void EngineObject::InteractModeSet(bool on)
{
    // A change of mode ends every selection; entering the interactive mode
    // also leaves no item pressed. Leaving it shows the palette after the
    // current layer's flags (never one the host hid), and the host redraws
    // in the new mode.
    // The host hears of each deselection and may change the layers then.
    for (int handle : LayerHandles()) {
        AnnotationLayer* layer = FindLayer(handle);
        if (!layer || !layer->DeselectAll())
            continue;
        if (on) {
            layer->ResetPressedButtons();
            layer->DeselectAll();
        }
    }
    if (!on && FindLayer(currentLayer_))
        ApplyPaletteLook();
    InvalidateHostWindow();
}

void EngineObject::ContextMenuEnabledSet(bool)
{
    // The layers ask ContextMenuEnabled() at each right click.
}

void EngineObject::FontScalingSet(short scaling)
{
    // Every font is made again at the new size; the host redraws with them.
    if (unitNames_) unitNames_->SetFontScaling(scaling);
    InvalidateHostWindow();
}
