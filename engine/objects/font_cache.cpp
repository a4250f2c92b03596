#include "objects/font_cache.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

constexpr BYTE kClipLhAngles = 0x10;

// Rounds half away from zero (0 stays 0).
LONG RoundAway(double value) {
    return static_cast<LONG>(value < 0 ? -std::floor(-value + 0.5) : std::floor(value + 0.5));
}

bool SameKey(const LOGFONTA& a, const LOGFONTA& b) {
    return std::memcmp(&a, &b, sizeof(LOGFONTA)) == 0;
}

// The screen device with a font selected for the time of a measurement.
class MeasuringDc {
public:
    explicit MeasuringDc(HFONT font) : dc_(GetDC(nullptr)) {
        if (dc_) old_ = SelectObject(dc_, font);
    }
    ~MeasuringDc() {
        if (!dc_) return;
        SelectObject(dc_, old_);
        ReleaseDC(nullptr, dc_);
    }
    MeasuringDc(const MeasuringDc&) = delete;
    MeasuringDc& operator=(const MeasuringDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
    HGDIOBJ old_ = nullptr;
};

} // namespace

FontEntry::WidthPage* FontEntry::PageOf(wchar_t unit) {
    const unsigned code = static_cast<unsigned short>(unit);
    if (code < kPageSize) return &low;
    std::unique_ptr<WidthPage>& page = high[code / kPageSize];
    if (!page) page.reset(new (std::nothrow) WidthPage);
    return page.get();
}

void FontEntry::ClearWidths() {
    low = WidthPage();
    for (auto& page : high) page.reset();
}

FontCache::~FontCache() {
    for (auto& entry : entries_) DeleteFont(*entry);
}

FontEntry* FontCache::Find(const LOGFONTA& key) const {
    for (const auto& entry : entries_)
        if (SameKey(entry->key, key)) return entry.get();
    return nullptr;
}

int FontCache::References(const LOGFONTA& key) const {
    const FontEntry* entry = Find(key);
    return entry ? entry->references : 0;
}

FontEntry* FontCache::AddUser(const LOGFONTA& key) {
    if (FontEntry* entry = Find(key)) {
        ++entry->references;
        return entry;
    }
    std::unique_ptr<FontEntry> entry(new (std::nothrow) FontEntry);
    if (!entry) return nullptr;
    try {
        entries_.push_back(nullptr);
    } catch (...) {
        return nullptr;
    }
    entry->key = key;
    entry->references = 1;
    entries_.back() = std::move(entry);
    return entries_.back().get();
}

void FontCache::RemoveUser(const LOGFONTA& key) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        FontEntry& entry = **it;
        if (!SameKey(entry.key, key)) continue;
        if (entry.references > 0 && --entry.references == 0) {
            DeleteFont(entry);
            entries_.erase(it);
        }
        return;
    }
}

void FontCache::DeleteFont(FontEntry& entry) {
    if (entry.font) DeleteObject(entry.font);
    entry.font = nullptr;
}

void FontCache::DropAllFonts() {
    for (auto& entry : entries_) DeleteFont(*entry);
}

void FontCache::SetFontScaling(short scaling) {
    if (scaling == fontScaling_) return;
    fontScaling_ = scaling;
    DropAllFonts();
}

FontEntry* FontCache::GetFont(const LOGFONTA& key, double scaleX, double scaleY,
                              double yResolution, const wchar_t* text, int length,
                              bool* fontChanged) {
    FontEntry* entry = Find(key);
    if (!entry) return nullptr;
    const float sx = static_cast<float>(scaleX);
    const float sy = static_cast<float>(scaleY);
    if (entry->scaleX != sx || entry->scaleY != sy) {
        if (fontChanged) *fontChanged = false;
        DeleteFont(*entry);
        Build(*entry, scaleX, scaleY, yResolution, text, length);
        entry->scaleX = sx;
        entry->scaleY = sy;
    } else if (!entry->font) {
        Build(*entry, scaleX, scaleY, yResolution, text, length);
    } else {
        MeasureMissing(*entry, text, length);
    }
    return entry;
}

LOGFONTA FontCache::ScaledKey(const LOGFONTA& key, double scaleX, double scaleY,
                              double yResolution) const {
    LOGFONTA font = key;
    if (font.lfWidth != 0) {
        font.lfWidth = RoundAway(font.lfWidth * scaleX);
        font.lfHeight = RoundAway(font.lfHeight * scaleY);
    } else if (!(scaleX == 1.0 && scaleY == 1.0)) {
        font.lfHeight = RoundAway(font.lfHeight * (scaleX < scaleY ? scaleX : scaleY));
    }
    font.lfClipPrecision = static_cast<BYTE>(font.lfClipPrecision | kClipLhAngles);
    font.lfCharSet = DEFAULT_CHARSET;
    const int resolution = static_cast<int>(yResolution);
    if (fontScaling_ && resolution != 0 && resolution != 72) {
        const double perPoint = 72000.0 / yResolution;
        font.lfHeight = RoundAway(font.lfHeight * 1000.0 / perPoint);
        if (font.lfWidth != 0)
            font.lfWidth = static_cast<LONG>(font.lfWidth * 1000.0 / perPoint + 0.5);
    }
    return font;
}

void FontCache::Build(FontEntry& entry, double scaleX, double scaleY, double yResolution,
                      const wchar_t* text, int length) {
    const LOGFONTA font = ScaledKey(entry.key, scaleX, scaleY, yResolution);
    entry.font = CreateFontIndirectA(&font);
    if (entry.font) Measure(entry, text, length);
}

void FontCache::MeasureUnit(HDC dc, FontEntry& entry, bool abc, wchar_t unit) {
    FontEntry::WidthPage* page = entry.PageOf(unit);
    if (!page) return;
    const UINT code = static_cast<unsigned short>(unit);
    int width = 0;
    ABC widths = {};
    if (abc && GetCharABCWidthsW(dc, code, code, &widths)) {
        width = widths.abcA + static_cast<int>(widths.abcB) + widths.abcC;
        if (entry.italic && entry.overhang == 0 && std::abs(widths.abcC) > entry.italicOverhang)
            entry.italicOverhang = std::abs(widths.abcC);
    } else if (GetCharWidth32W(dc, code, code, &width)) {
        if (entry.overhang > 0 && width > 0) width -= entry.overhang;
    } else {
        width = 0;
    }
    page->widths[code % FontEntry::kPageSize] = width;
    page->measured[code % FontEntry::kPageSize] = true;
}

void FontCache::Measure(FontEntry& entry, const wchar_t* text, int length) {
    MeasuringDc measuring(entry.font);
    HDC dc = measuring.Get();
    entry.ClearWidths();
    entry.measuredOnce = true;
    entry.italicOverhang = 0;
    if (!dc) return;

    bool hasAbc = false;
    TEXTMETRICA metrics = {};
    OUTLINETEXTMETRICA outline = {};
    outline.otmSize = sizeof(outline);
    entry.outlineMetrics = false;
    if (entry.key.lfCharSet != SYMBOL_CHARSET &&
        GetOutlineTextMetricsA(dc, sizeof(outline), &outline)) {
        metrics = outline.otmTextMetrics;
        entry.outlineMetrics = true;
        hasAbc = true;
    } else if (GetTextMetricsA(dc, &metrics)) {
        hasAbc = entry.key.lfCharSet == SYMBOL_CHARSET;
    }
    entry.height = metrics.tmHeight;
    entry.descent = metrics.tmDescent;
    entry.ascent = metrics.tmHeight - metrics.tmDescent;
    entry.externalLeading = metrics.tmExternalLeading;
    entry.italic = metrics.tmItalic != 0;
    entry.overhang = metrics.tmOverhang > 0 ? metrics.tmOverhang : 0;
    entry.maxCharWidth = metrics.tmMaxCharWidth;

    ABC low[256] = {};
    if (hasAbc && GetCharABCWidthsW(dc, 0, 255, low)) {
        for (int i = 0; i < 256; ++i) {
            entry.low.widths[i] = low[i].abcA + static_cast<int>(low[i].abcB) + low[i].abcC;
            if (entry.italic && entry.overhang == 0 && std::abs(low[i].abcC) > entry.italicOverhang)
                entry.italicOverhang = std::abs(low[i].abcC);
        }
    } else {
        hasAbc = false;
        INT plain[256] = {};
        if (GetCharWidth32W(dc, 0, 255, plain)) {
            for (int i = 0; i < 256; ++i) entry.low.widths[i] = plain[i];
        } else if (GetCharWidthW(dc, 0, 255, plain)) {
            for (int i = 0; i < 256; ++i)
                entry.low.widths[i] = plain[i] > 0 ? plain[i] - entry.overhang : plain[i];
        }
    }
    entry.low.measured.set();
    for (int i = 0; text && i < length; ++i)
        if (!entry.Measured(text[i])) MeasureUnit(dc, entry, hasAbc, text[i]);
}

void FontCache::MeasureMissing(FontEntry& entry, const wchar_t* text, int length) {
    if (!text || !entry.font || !entry.measuredOnce) return;
    int first = 0;
    while (first < length && entry.Measured(text[first])) ++first;
    if (first == length) return;
    MeasuringDc measuring(entry.font);
    if (!measuring.Get()) return;
    for (int i = first; i < length; ++i)
        if (!entry.Measured(text[i])) MeasureUnit(measuring.Get(), entry, entry.outlineMetrics, text[i]);
}

// ---- FontUse -------------------------------------------------------------------

void FontUse::Register(FontCache* cache, const LOGFONTA& key) {
    if (cache_ && cache_ == cache && SameKey(key_, key)) return;
    Release();
    if (!cache || !cache->AddUser(key)) return;
    cache_ = cache;
    key_ = key;
}

void FontUse::Release() {
    if (!cache_) return;
    FontCache* cache = cache_;
    cache_ = nullptr;
    cache->RemoveUser(key_);
}

FontEntry* FontUse::Get(double scaleX, double scaleY, double yResolution, const wchar_t* text,
                        int length, bool* fontChanged) const {
    if (!cache_) return nullptr;
    return cache_->GetFont(key_, scaleX, scaleY, yResolution, text, length, fontChanged);
}
