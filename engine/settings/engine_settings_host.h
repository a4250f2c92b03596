#pragma once
// What the engine settings need from the engine object: the effects of a
// setting on the layers, the palette and the host window, which the engine
// object owns. Each call comes after the setting has been stored.
#include "annotation_engine.h"

class EngineSettingsHost {
public:
    // A tool default changed: the current layer, if there is one, takes the
    // same tool attribute as its own (as SetToolAttribute does). value is in
    // the attribute's own form (a number, a BSTR, the address of a LOGFONT,
    // RECT or VARIANT, the handle of a packed DIB) and belongs to the engine:
    // the layer copies what it keeps.
    virtual void SetCurrentLayerToolAttribute(int tool, int attribute, EngineValue value) = 0;
    // Interactive mode was set (also to the value it had): every layer clears
    // its selection and takes the mode; turning it off shows or hides the
    // palette after the current layer; the host window is redrawn.
    virtual void InteractModeSet(bool on) = 0;
    // The context menu was enabled or disabled: the menu builder follows.
    virtual void ContextMenuEnabledSet(bool enabled) = 0;
    // Palette menus were turned on or off: the tool palette follows.
    virtual void UsePaletteMenuSet(bool on) = 0;
    // Font scaling was set to 0 or 1: the font cache takes it, every layer
    // measures its text and stamp items again and the host window is redrawn.
    virtual void FontScalingSet(short scaling) = 0;

protected:
    ~EngineSettingsHost() = default;
};
