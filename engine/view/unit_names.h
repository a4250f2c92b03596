#pragma once
// The engine's shared record of text settings and measurement-unit labels.
// One record per engine, made before the layers; every layer and annotation
// keeps a reference to it. The labels name the ruler's units; the flags are
// the text-editing settings that the engine properties 136 to 141 expose.
#include <windows.h>
#include <oleauto.h>
#include <string>

#include "objects/font_cache.h"

class UnitNames {
public:
    static constexpr int kLabelCount = 13;

    // Reads the platform with GetVersionEx.
    UnitNames();
    // For a given platform id (VER_PLATFORM_WIN32_NT, VER_PLATFORM_WIN32_WINDOWS, ...).
    explicit UnitNames(DWORD platformId);
    ~UnitNames();
    UnitNames(const UnitNames&) = delete;
    UnitNames& operator=(const UnitNames&) = delete;

    // Index 0..12 of the label of a unit code (2049 inches to 2059 kilometres,
    // 2061 pixels, 2062 twips), or -1 for any other code.
    static int LabelIndexOfUnit(int unitCode);
    // Index of the label of an engine property code 2081..2094 (no 2092), or -1.
    static int LabelIndexOfProperty(int propertyCode);

    // The label of a unit code, or null for a code that names no unit.
    BSTR LabelOfUnit(int unitCode) const;
    // The label at an index 0..12 (null outside).
    BSTR Label(int index) const;
    // Replaces the label at an index with a copy of text; a null text or an
    // index outside 0..12 changes nothing. Returns whether it was replaced.
    bool SetLabel(int index, BSTR text);

    // The cache of measured fonts of every text, stamp, button and ruler
    // label, and its font-scaling switch (engine property 135).
    FontCache& Fonts() { return fonts_; }
    short FontScaling() const { return fonts_.FontScaling(); }
    void SetFontScaling(short scaling) { fonts_.SetFontScaling(scaling); }

    bool IsWindowsNt() const { return windowsNt_; }
    bool IsWindows9x() const { return windows9x_; }

    // Text settings (engine properties 136 to 141).
    bool mleCompatible = false;        // 136
    bool editors = true;               // 137
    bool unicodeMode = false;          // 138
    bool textToolArrows = true;        // 139
    int recalibratedXDpi = -1;         // 140
    int recalibratedYDpi = -1;         // 141

private:
    void MakeLabels();

    FontCache fonts_;
    BSTR labels_[kLabelCount] = {};
    bool windowsNt_ = false;
    bool windows9x_ = false;
};
