#pragma once
// The engine's cache of measured fonts, shared by every item that draws text
// (text, stamps, buttons, ruler labels).
//
// One entry per distinct LOGFONT (compared byte by byte) that some item uses:
// the GDI font made for the zoom it was last asked for, its metrics and the
// advance width of every UTF-16 code unit a text asked for, so that laying
// out and editing text never asks the device context for a width. Entries
// are counted by their users; when the last user goes, the entry and its font
// go with it, so the cache holds only the fonts of what is alive.
//
// An item takes part through one FontUse: it registers its LOGFONT once,
// releases exactly what it registered, and re-registers only when its
// LOGFONT changes, so that no item can release a font another item uses.
#include <windows.h>

#include <bitset>
#include <memory>
#include <vector>

struct FontEntry {
    // The widths are kept in pages of 256 code units: the first page is
    // measured with every new font, a later one is made when a text first
    // holds one of its units.
    static constexpr int kPageSize = 256;
    static constexpr int kPageCount = 65536 / kPageSize;
    struct WidthPage {
        int widths[kPageSize] = {};
        std::bitset<kPageSize> measured;
    };

    LOGFONTA key = {};
    int maxCharWidth = 0;
    int height = 0;
    int ascent = 0;             // height - descent
    int descent = 0;
    int externalLeading = 0;
    int overhang = 0;           // 0 when the metrics give a negative one
    int italicOverhang = 0;     // italic fonts without overhang: largest |C| width
    bool italic = false;
    HFONT font = nullptr;
    int references = 0;
    bool outlineMetrics = false;  // the metrics came from the outline metrics
    float scaleX = 0.0f;          // the zoom the font was made for (0: none)
    float scaleY = 0.0f;
    // A font has been measured since the entry was made.
    bool measuredOnce = false;

    // The advance width of a code unit (0 while it is not measured).
    int Width(wchar_t unit) const {
        const unsigned code = static_cast<unsigned short>(unit);
        if (code < kPageSize) return low.widths[code];
        const WidthPage* page = high[code / kPageSize].get();
        return page ? page->widths[code % kPageSize] : 0;
    }
    bool Measured(wchar_t unit) const {
        const unsigned code = static_cast<unsigned short>(unit);
        if (code < kPageSize) return low.measured[code];
        const WidthPage* page = high[code / kPageSize].get();
        return page && page->measured[code % kPageSize];
    }
    // The page of a code unit, made when missing; null when memory runs out.
    WidthPage* PageOf(wchar_t unit);
    // Forgets every width (the pages above the first are freed).
    void ClearWidths();

    WidthPage low;                                  // units 0 to 255
    std::unique_ptr<WidthPage> high[kPageCount];    // [0] unused
};

class FontCache {
public:
    FontCache() = default;
    ~FontCache();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    // A new user of a LOGFONT: the entry with an equal key counts one user
    // more, or a new entry with count 1 and no font is made. Null only when
    // memory runs out.
    FontEntry* AddUser(const LOGFONTA& key);
    // One user less; the last one deletes the entry and its font (an entry
    // handed out stays where it is while it has a user).
    void RemoveUser(const LOGFONTA& key);

    // The entry of a LOGFONT with its font made for the zoom (scaleX, scaleY)
    // and, when font scaling is on, the vertical resolution of the image
    // (dots per inch). text (may be null) holds length units whose characters
    // above 255 are measured when they have not been yet (0 to 255 are
    // measured with every new font). fontChanged, when given, is
    // cleared when the font had to be made anew for other scales. Null when
    // no user registered the LOGFONT. The entry's font may still be null when
    // the system could not make it.
    FontEntry* GetFont(const LOGFONTA& key, double scaleX, double scaleY, double yResolution,
                       const wchar_t* text, int length, bool* fontChanged);

    // Deletes the font of every entry (entries and counts stay).
    void DropAllFonts();

    // The font-scaling switch (engine property 135): sizes are given at 72
    // dots per inch and scaled to the image's resolution. A change drops
    // every font.
    void SetFontScaling(short scaling);
    short FontScaling() const { return fontScaling_; }

    int EntryCount() const { return static_cast<int>(entries_.size()); }
    // The entry of a key, or null.
    FontEntry* Find(const LOGFONTA& key) const;
    // Users of a key (0 when none or unknown).
    int References(const LOGFONTA& key) const;

    // The LOGFONT the cache asks the system for: the key scaled as GetFont
    // scales it. Public so that the sizing rules can be checked.
    LOGFONTA ScaledKey(const LOGFONTA& key, double scaleX, double scaleY,
                       double yResolution) const;

private:
    void Build(FontEntry& entry, double scaleX, double scaleY, double yResolution,
               const wchar_t* text, int length);
    void Measure(FontEntry& entry, const wchar_t* text, int length);
    // Measures the units above 255 of a text that the entry's font has not
    // measured yet.
    static void MeasureMissing(FontEntry& entry, const wchar_t* text, int length);
    // Measures one unit not measured yet and marks it measured.
    static void MeasureUnit(HDC dc, FontEntry& entry, bool abc, wchar_t unit);
    static void DeleteFont(FontEntry& entry);

    // Entries are allocated one by one so that an entry handed out keeps its
    // address while the cache grows.
    std::vector<std::unique_ptr<FontEntry>> entries_;
    short fontScaling_ = 0;
};

// One item's registration with the cache: at most one LOGFONT at a time,
// released when it changes, when Release is called or when the use goes.
class FontUse {
public:
    FontUse() = default;
    ~FontUse() { Release(); }
    FontUse(const FontUse&) = delete;
    FontUse& operator=(const FontUse&) = delete;

    // Registers key with cache; a use that already holds an equal key in the
    // same cache changes nothing, another one is released first.
    void Register(FontCache* cache, const LOGFONTA& key);
    void Release();
    bool Registered() const { return cache_ != nullptr; }
    FontCache* Cache() const { return cache_; }

    // The registered font at a zoom (see FontCache::GetFont); null when
    // nothing is registered.
    FontEntry* Get(double scaleX, double scaleY, double yResolution, const wchar_t* text,
                   int length, bool* fontChanged = nullptr) const;

private:
    FontCache* cache_ = nullptr;
    LOGFONTA key_ = {};
};
