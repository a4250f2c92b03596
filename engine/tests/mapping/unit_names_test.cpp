// The unit labels and text settings of a new engine.
#include <gtest/gtest.h>

#include "view/unit_names.h"

namespace {

TEST(UnitNames, LabelsOfEveryUnit) {
    UnitNames names(VER_PLATFORM_WIN32_NT);
    const struct {
        int unit;
        const wchar_t* label;
    } cases[] = {
        {2049, L"in"}, {2050, L"ft"}, {2051, L"yd"}, {2052, L"mi"}, {2053, L"\u00B5m"},
        {2054, L"mm"}, {2055, L"cm"}, {2056, L"dm"}, {2057, L"m"}, {2058, L"dam"},
        {2059, L"km"}, {2061, L"pixels"}, {2062, L"twips"},
    };
    for (const auto& c : cases) {
        ASSERT_NE(nullptr, names.LabelOfUnit(c.unit)) << c.unit;
        EXPECT_STREQ(c.label, names.LabelOfUnit(c.unit)) << c.unit;
        EXPECT_EQ(names.LabelOfUnit(c.unit), names.Label(UnitNames::LabelIndexOfProperty(c.unit + 32)));
    }
    // No unit 2060 (and so no property 2092), nothing outside.
    for (int unit : {2048, 2060, 2063, 1, 0, -1}) {
        EXPECT_EQ(nullptr, names.LabelOfUnit(unit)) << unit;
        EXPECT_EQ(-1, UnitNames::LabelIndexOfUnit(unit)) << unit;
    }
    EXPECT_EQ(-1, UnitNames::LabelIndexOfProperty(2092));
    EXPECT_EQ(nullptr, names.Label(13));
    EXPECT_EQ(nullptr, names.Label(-1));
}

TEST(UnitNames, ThePlatformDecidesTheMicrometreLabel) {
    UnitNames nt(VER_PLATFORM_WIN32_NT);
    EXPECT_TRUE(nt.IsWindowsNt());
    EXPECT_FALSE(nt.IsWindows9x());
    EXPECT_STREQ(L"\u00B5m", nt.LabelOfUnit(2053));

    UnitNames old(VER_PLATFORM_WIN32_WINDOWS);
    EXPECT_FALSE(old.IsWindowsNt());
    EXPECT_TRUE(old.IsWindows9x());
    EXPECT_STREQ(L"mcm", old.LabelOfUnit(2053));

    UnitNames running;  // this system reports its platform
    EXPECT_TRUE(running.IsWindowsNt());
}

TEST(UnitNames, TextSettingsStartAtTheirDefaults) {
    UnitNames names;
    EXPECT_FALSE(names.mleCompatible);
    EXPECT_TRUE(names.editors);
    EXPECT_FALSE(names.unicodeMode);
    EXPECT_TRUE(names.textToolArrows);
    EXPECT_EQ(-1, names.recalibratedXDpi);
    EXPECT_EQ(-1, names.recalibratedYDpi);
}

TEST(UnitNames, ALabelIsReplacedByACopy) {
    UnitNames names;
    BSTR given = SysAllocString(L"inch");
    EXPECT_TRUE(names.SetLabel(0, given));
    SysFreeString(given);
    EXPECT_STREQ(L"inch", names.LabelOfUnit(2049));
    EXPECT_EQ(4u, SysStringLen(names.LabelOfUnit(2049)));

    EXPECT_FALSE(names.SetLabel(0, nullptr));
    EXPECT_STREQ(L"inch", names.LabelOfUnit(2049));
    BSTR other = SysAllocString(L"x");
    EXPECT_FALSE(names.SetLabel(13, other));
    EXPECT_FALSE(names.SetLabel(-1, other));
    SysFreeString(other);
}

} // namespace
