// The font cache: entries shared by LOGFONT, counted by their users, fonts
// made for a zoom and measured once, and the sizes it asks the system for.
#include <gtest/gtest.h>

#include <cstring>

#include "objects/font_cache.h"
#include "view/unit_names.h"

namespace {

LOGFONTA Font(const char* face, LONG height, LONG width = 0) {
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWidth = width;
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    std::strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return font;
}

bool IsLiveFont(HFONT font) { return font && GetObjectType(font) == OBJ_FONT; }

TEST(FontCache, TwoUsersShareOneEntryAndTheLastOneDeletesIt) {
    FontCache cache;
    const LOGFONTA times = Font("Times New Roman", 15);
    FontEntry* first = cache.AddUser(times);
    FontEntry* second = cache.AddUser(times);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, second);
    EXPECT_EQ(1, cache.EntryCount());
    EXPECT_EQ(2, cache.References(times));

    FontEntry* entry = cache.GetFont(times, 1.0, 1.0, 0.0, nullptr, 0, nullptr);
    ASSERT_EQ(first, entry);
    HFONT font = entry->font;
    ASSERT_TRUE(IsLiveFont(font));
    EXPECT_GT(entry->height, 0);
    EXPECT_EQ(entry->height - entry->descent, entry->ascent);
    EXPECT_GT(entry->Width(L'W'), 0);

    cache.RemoveUser(times);
    EXPECT_EQ(1, cache.References(times));
    EXPECT_TRUE(IsLiveFont(font)) << "the other user still draws with it";
    EXPECT_EQ(font, cache.GetFont(times, 1.0, 1.0, 0.0, nullptr, 0, nullptr)->font);

    cache.RemoveUser(times);
    EXPECT_EQ(0, cache.References(times));
    EXPECT_FALSE(IsLiveFont(font));
    EXPECT_EQ(0, cache.EntryCount()) << "nobody uses the entry: it goes";
    EXPECT_EQ(nullptr, cache.Find(times));
    cache.RemoveUser(times);
    EXPECT_EQ(0, cache.References(times)) << "never below 0";

    // A key nobody registered has no font to get.
    EXPECT_EQ(nullptr, cache.GetFont(Font("Arial", 15), 1.0, 1.0, 0.0, nullptr, 0, nullptr));
}

TEST(FontCache, ItemUsesArePairedWhateverTheyDo) {
    FontCache cache;
    const LOGFONTA times = Font("Times New Roman", 15);
    const LOGFONTA arial = Font("Arial", 20);
    {
        FontUse one, two;
        one.Register(&cache, times);
        two.Register(&cache, times);
        // Registering the same LOGFONT again (as every paint would) adds nothing.
        for (int i = 0; i < 5; ++i) one.Register(&cache, times);
        EXPECT_EQ(2, cache.References(times));
        HFONT font = one.Get(1.0, 1.0, 0.0, nullptr, 0)->font;

        // One item takes another font: the other keeps its own.
        one.Register(&cache, arial);
        EXPECT_EQ(1, cache.References(times));
        EXPECT_EQ(1, cache.References(arial));
        EXPECT_TRUE(IsLiveFont(font));
        EXPECT_EQ(font, two.Get(1.0, 1.0, 0.0, nullptr, 0)->font);

        // Releasing twice releases once.
        one.Release();
        one.Release();
        EXPECT_EQ(0, cache.References(arial));
        EXPECT_EQ(1, cache.References(times));
        EXPECT_EQ(nullptr, one.Get(1.0, 1.0, 0.0, nullptr, 0));
    }
    EXPECT_EQ(0, cache.References(times));
    EXPECT_EQ(0, cache.EntryCount());
}

TEST(FontCache, AnotherZoomMakesTheFontAgainAndClearsTheChangedFlag) {
    FontCache cache;
    const LOGFONTA times = Font("Times New Roman", 20);
    cache.AddUser(times);
    FontEntry* entry = cache.GetFont(times, 1.0, 1.0, 0.0, nullptr, 0, nullptr);
    const int heightAtOne = entry->height;
    bool changed = true;
    cache.GetFont(times, 1.0, 1.0, 0.0, nullptr, 0, &changed);
    EXPECT_TRUE(changed) << "same zoom: the font stays";

    entry = cache.GetFont(times, 2.0, 2.0, 0.0, nullptr, 0, &changed);
    EXPECT_FALSE(changed);
    EXPECT_EQ(2.0f, entry->scaleX);
    EXPECT_EQ(2.0f, entry->scaleY);
    EXPECT_GT(entry->height, heightAtOne + heightAtOne / 2);
    ASSERT_TRUE(IsLiveFont(entry->font));

    // Font scaling on drops every font; the next get makes one again.
    cache.SetFontScaling(1);
    EXPECT_EQ(nullptr, entry->font);
    EXPECT_TRUE(IsLiveFont(cache.GetFont(times, 2.0, 2.0, 144.0, nullptr, 0, nullptr)->font));
    cache.SetFontScaling(1);  // unchanged: keeps the font
    EXPECT_NE(nullptr, entry->font);
}

TEST(FontCache, SizesAskedOfTheSystem) {
    const struct {
        LONG height, width;
        double scaleX, scaleY, resolution;
        short scaling;
        LONG wantHeight, wantWidth;
    } cases[] = {
        {12, 0, 1.0, 1.0, 144.0, 1, 24, 0},    // scaling on at 144 dpi doubles
        {12, 0, 1.0, 1.0, 72.0, 1, 12, 0},     // 72 dpi leaves it
        {12, 0, 1.0, 1.0, 0.0, 1, 12, 0},      // no resolution leaves it
        {12, 0, 1.0, 1.0, 144.0, 0, 12, 0},    // scaling off
        {-11, 0, 1.5, 1.5, 0.0, 0, -17, 0},    // away from zero
        {-11, 0, 1.5, 2.0, 0.0, 0, -17, 0},    // the smaller scale without a width
        {11, 0, 0.5, 0.5, 0.0, 0, 6, 0},
        {10, 4, 1.5, 2.0, 0.0, 0, 20, 6},      // with a width: each by its scale
        {10, 5, 1.0, 1.0, 144.0, 1, 20, 10},
    };
    for (const auto& c : cases) {
        FontCache cache;
        cache.SetFontScaling(c.scaling);
        LOGFONTA key = Font("Arial", c.height, c.width);
        key.lfClipPrecision = CLIP_DEFAULT_PRECIS;
        const LOGFONTA asked = cache.ScaledKey(key, c.scaleX, c.scaleY, c.resolution);
        EXPECT_EQ(c.wantHeight, asked.lfHeight) << c.height << " x " << c.scaleX;
        EXPECT_EQ(c.wantWidth, asked.lfWidth) << c.width << " x " << c.scaleX;
        EXPECT_EQ(CLIP_LH_ANGLES, asked.lfClipPrecision);
        EXPECT_EQ(DEFAULT_CHARSET, asked.lfCharSet);
        EXPECT_STREQ("Arial", asked.lfFaceName);
    }
}

TEST(FontCache, EveryCodeUnitHasAWidthOnceATextHoldsIt) {
    FontCache cache;
    const LOGFONTA times = Font("Times New Roman", 24);
    cache.AddUser(times);
    const wchar_t latin[] = L"abc";
    FontEntry* entry = cache.GetFont(times, 1.0, 1.0, 0.0, latin, 3, nullptr);
    ASSERT_NE(nullptr, entry);
    EXPECT_EQ(0, entry->Width(L'\u0416')) << "not measured yet";
    EXPECT_EQ(0, entry->Width(L'\uFFFF'));

    // A later text with characters above 255 measures them, up to U+FFFF.
    const wchar_t cyrillic[] = L"\u0416\u0436\uFFFF";
    entry = cache.GetFont(times, 1.0, 1.0, 0.0, cyrillic, 3, nullptr);
    EXPECT_GT(entry->Width(L'\u0416'), 0);
    EXPECT_GT(entry->Width(L'\u0436'), 0);
    (void)entry->Width(L'\uFFFF');  // within the table

    // The widths agree with what the device says for the same font.
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, entry->font);
    SIZE size = {};
    GetTextExtentPoint32W(dc, L"W", 1, &size);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_NEAR(size.cx, entry->Width(L'W'), 1);
}

// Fonts that items take and let go leave nothing behind, and an item that
// keeps its font keeps its entry, its font and its widths whatever comes
// and goes around it.
TEST(FontCache, FontsLetGoLeaveNothingAndTheFontsKeptStay) {
    FontCache cache;
    const wchar_t text[] = L"Wij\u0416\u4E2D\uFFFD";
    FontUse kept;
    kept.Register(&cache, Font("Times New Roman", 24));
    FontEntry* entry = kept.Get(1.0, 1.0, 0.0, text, 6);
    ASSERT_NE(nullptr, entry);
    const HFONT font = entry->font;
    int widths[6];
    for (int i = 0; i < 6; ++i) widths[i] = entry->Width(text[i]);

    static const char* const kFaces[] = {"Arial", "Courier New", "Times New Roman", "Symbol"};
    for (int i = 0; i < 200; ++i) {
        FontUse passing;
        LOGFONTA key = Font(kFaces[i % 4], -(8 + i / 4));
        key.lfItalic = static_cast<BYTE>(i % 2);
        passing.Register(&cache, key);
        FontEntry* other = passing.Get(1.5, 1.5, 0.0, text, 6);
        ASSERT_NE(nullptr, other);
        EXPECT_NE(entry, other);
        EXPECT_EQ(2, cache.EntryCount());
    }
    EXPECT_EQ(1, cache.EntryCount());
    EXPECT_EQ(entry, kept.Get(1.0, 1.0, 0.0, text, 6));
    EXPECT_EQ(font, entry->font);
    EXPECT_TRUE(IsLiveFont(font));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(widths[i], entry->Width(text[i])) << i;
    kept.Release();
    EXPECT_EQ(0, cache.EntryCount());
}

TEST(FontCache, TheUnitNamesHoldTheCacheAndItsScalingSwitch) {
    UnitNames names(VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(0, names.FontScaling());
    const LOGFONTA times = Font("Times New Roman", 15);
    FontUse use;
    use.Register(&names.Fonts(), times);
    FontEntry* entry = use.Get(1.0, 1.0, 0.0, nullptr, 0);
    ASSERT_NE(nullptr, entry);
    const int before = entry->height;
    names.SetFontScaling(1);
    EXPECT_EQ(1, names.FontScaling());
    EXPECT_EQ(nullptr, entry->font);
    entry = use.Get(1.0, 1.0, 144.0, nullptr, 0);
    EXPECT_GT(entry->height, before + before / 2);
}

} // namespace
