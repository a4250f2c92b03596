#pragma once
// The font of a stamp or a button: a LOGFONT turned in steps of 90 degrees
// (its escapement and orientation follow the item's text orientation) and
// the item's registration of it with the engine's font cache. The cache is
// reached through the item's owner, so an item loaded before it had one
// registers at its first use.
#include <windows.h>

#include <string>

#include "objects/font_cache.h"

class Annotation;

class TurnedFont {
public:
    // 0, 900, 1800 and 2700 tenths of a degree.
    static bool IsQuarterTurn(int orientation)
    {
        return orientation == 0 || orientation == 900 || orientation == 1800 ||
               orientation == 2700;
    }
    // The font with its escapement and orientation set to an orientation.
    static LOGFONTA Turned(const LOGFONTA& font, int orientation);

    // The cache entry of key at the item's current view scale, registered
    // first when needed; null without a cache, a view or a font. text (may be
    // null) holds the units to measure.
    FontEntry* Get(const Annotation& item, const LOGFONTA& key, const wchar_t* text, int length);
    // Registers key when the item's owner has a cache (a changed key
    // releases the old one).
    void Register(const Annotation& item, const LOGFONTA& key);
    void Release() { use_.Release(); }
    bool HasCache(const Annotation& item) const;

    // The item's text (10) and font (11) as its map holds them (empty or
    // zero when it holds none).
    static std::wstring TextOf(const Annotation& item);
    static LOGFONTA FontOf(const Annotation& item);

private:
    FontUse use_;
};
