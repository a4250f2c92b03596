#include "step_result.h"

#include "testkit.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

namespace {

using platform::StepResultFiles;

TEST(StepResultNames, ChainsOfChoices)
{
    struct Case {
        std::vector<int> slots;                 // module of each slot
        std::vector<std::pair<int, int>> chosen;   // module -> method
        int step;
        bool twoPages;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {{2, 0}, {{2, 1}, {0, 3}}, 0, false, "PF\\temp\\p7.tif_21.tif", ""},
        {{2, 0}, {{2, 1}, {0, 3}}, 1, false, "PF\\temp\\p7.tif_2103.tif", ""},
        {{3, 0}, {{3, 0}, {0, 0}}, 1, true, "PF\\temp\\p7.tif_3000_1.tif", "PF\\temp\\p7.tif_3000_2.tif"},
        {{0, 2}, {{0, 1}, {2, 13}}, 1, false, "PF\\temp\\p7.tif_012(13).tif", ""},
        {{0, 1}, {{0, 12}, {1, 3}}, 1, false, "PF\\temp\\p7.tif_0(12)13.tif", ""},
        {{1}, {{1, 19}}, 0, false, "PF\\temp\\p7.tif_1(19).tif", ""},
    };
    for (const Case& c : cases) {
        std::array<int, 20> slots{}, methods{};
        for (size_t i = 0; i < c.slots.size(); ++i)
            slots[i] = c.slots[i];
        for (auto [module, method] : c.chosen)
            methods[module] = method;
        auto names = StepResultFiles("PF\\", "p7.tif", slots.data(), methods.data(), c.step, c.twoPages);
        EXPECT_EQ(names.first, c.first);
        EXPECT_EQ(names.second, c.second);
    }
}

TEST(StepResultNames, NoTwoChainsShareAName)
{
    // Every chain of two slots over modules 0..6 and methods 0..19 gets its own name.
    std::set<std::string> seen;
    std::array<int, 20> slots{}, methods{};
    for (int m0 = 0; m0 < 7; ++m0)
        for (int m1 = 0; m1 < 7; ++m1) {
            if (m0 == m1)
                continue;
            for (int k0 = 0; k0 < 20; ++k0)
                for (int k1 = 0; k1 < 20; ++k1) {
                    slots[0] = m0, slots[1] = m1, methods[m0] = k0, methods[m1] = k1;
                    auto names = StepResultFiles("", "p.tif", slots.data(), methods.data(), 1, false);
                    EXPECT_TRUE(seen.insert(names.first).second) << names.first;
                }
        }
}

using platform::StepResultOrigin;

TEST(StepResultOrigin, RecordBytes)
{
    StepResultOrigin origin{"C:\\images\\p1.tif", 0x0102030405060708ull, 0x01D7A1B2C3D4E5F6ull,
                            0x1122334455667788ull};
    std::string bytes;
    ASSERT_TRUE(platform::EncodeStepResultOrigin(origin, &bytes));
    // The path NUL-terminated in a 1024-byte field, then size, write time and
    // the settings digest, little-endian.
    std::string expected = "C:\\images\\p1.tif";
    expected.resize(1024, '\0');
    for (uint8_t b : {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01})
        expected += static_cast<char>(b);
    for (uint8_t b : {0xF6, 0xE5, 0xD4, 0xC3, 0xB2, 0xA1, 0xD7, 0x01})
        expected += static_cast<char>(b);
    for (uint8_t b : {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11})
        expected += static_cast<char>(b);
    EXPECT_EQ(bytes, expected);

    StepResultOrigin back;
    ASSERT_TRUE(platform::DecodeStepResultOrigin(expected, &back));
    EXPECT_EQ(back.source, origin.source);
    EXPECT_EQ(back.size, origin.size);
    EXPECT_EQ(back.writeTime, origin.writeTime);
    EXPECT_EQ(back.settings, origin.settings);
}

TEST(StepResultOrigin, WhatIsNoRecord)
{
    std::string good;
    ASSERT_TRUE(platform::EncodeStepResultOrigin({"C:\\a.tif", 1, 2}, &good));
    std::string noTerminator(1024, 'x');
    noTerminator.resize(1048, '\0');
    const std::string cases[] = {
        "",
        good.substr(0, 1040),               // short: a record without the settings digest
        good + '\0',                        // long
        std::string(1048, '\0'),            // no path
        noTerminator,                       // a path that fills its field
    };
    for (const std::string& bytes : cases) {
        StepResultOrigin origin;
        EXPECT_FALSE(platform::DecodeStepResultOrigin(bytes, &origin)) << bytes.size();
    }
    std::string bytes;
    EXPECT_FALSE(platform::EncodeStepResultOrigin({std::string(1024, 'a'), 1, 2}, &bytes));
    EXPECT_FALSE(platform::EncodeStepResultOrigin({"", 1, 2}, &bytes));
}

TEST(StepResultOrigin, AResultCountsOnlyForTheSourceItWasMadeFrom)
{
    testkit::TempFolder folder("origin");
    CreateDirectoryA((folder / "A").c_str(), nullptr);
    CreateDirectoryA((folder / "B").c_str(), nullptr);
    testkit::WriteText(folder / "A\\p1.tif", "page A");
    testkit::WriteText(folder / "B\\p1.tif", "page B");
    const platform::StepResultNames one{folder / "p1.tif_00.tif", ""};
    const platform::StepResultNames two{folder / "p1.tif_30_1.tif", folder / "p1.tif_30_2.tif"};
    for (const std::string* result : {&one.first, &two.first, &two.second})
        testkit::WriteText(*result, "result");

    StepResultOrigin a;
    ASSERT_TRUE(platform::OriginOfSource(folder / "A\\p1.tif", &a));
    EXPECT_FALSE(platform::IsResultOfSource(one, false, folder / "A\\p1.tif")) << "no record yet";
    ASSERT_TRUE(platform::WriteStepResultOrigin(one.first, a));
    ASSERT_TRUE(platform::WriteStepResultOrigin(two.first, a));
    EXPECT_EQ(testkit::ReadBytes(platform::OriginRecordPath(one.first)).size(), platform::kOriginRecordSize);

    StepResultOrigin differs[5] = {a, a, a, a, a};
    differs[0].source = folder / "B\\p1.tif";
    differs[1].size += 1;
    differs[2].writeTime += 1;
    for (char& c : differs[3].source)
        c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    differs[4].settings += 1;
    struct Case { const StepResultOrigin& origin; bool counts; };
    const Case cases[] = {{a, true}, {differs[0], false}, {differs[1], false}, {differs[2], false},
                          {differs[3], true}, {differs[4], false}};
    for (const Case& c : cases)
        EXPECT_EQ(platform::IsResultOf(one, false, c.origin), c.counts) << c.origin.source;

    EXPECT_TRUE(platform::IsResultOfSource(one, false, folder / "A\\p1.tif"));
    EXPECT_FALSE(platform::IsResultOfSource(one, false, folder / "B\\p1.tif"));
    EXPECT_FALSE(platform::IsResultOf(two, true, a)) << "the second page has no record";
    ASSERT_TRUE(platform::WriteStepResultOrigin(two.second, a));
    EXPECT_TRUE(platform::IsResultOf(two, true, a));

    // Changed in place: the same path, another size and time.
    testkit::WriteText(folder / "A\\p1.tif", "page A, scanned again");
    EXPECT_FALSE(platform::IsResultOfSource(one, false, folder / "A\\p1.tif"));

    EXPECT_TRUE(platform::RemoveStepResult(two));
    for (const std::string* result : {&two.first, &two.second}) {
        EXPECT_FALSE(testkit::FileExists(*result));
        EXPECT_FALSE(testkit::FileExists(platform::OriginRecordPath(*result)));
    }
    EXPECT_EQ(platform::CachedStepResults(folder.path() + "\\"), (std::vector<std::string>{one.first}))
        << "origin records are not counted as results";
    platform::RemoveCachedStepResults(folder.path() + "\\");
    EXPECT_FALSE(testkit::FileExists(one.first));
    EXPECT_FALSE(testkit::FileExists(platform::OriginRecordPath(one.first)));
}

// A later run copies the view's save of a cached result only while the
// result and the copy are both as they were when it was kept.
TEST(StepResultSavedForm, CountsOnlyForTheResultAsItWasSaved)
{
    testkit::TempFolder folder("saved");
    CreateDirectoryA((folder / "results").c_str(), nullptr);
    const std::string result = folder / "p1.tif_00.tif", saved = folder / "results\\p1.tif";
    const std::string form = result + ".saved", record = form + ".from";
    auto keep = [&] {
        testkit::WriteText(result, "result");
        testkit::WriteText(saved, "saved page");
        return platform::KeepSavedForm(result, saved);
    };
    auto setTime = [](const std::string& path, DWORD low) {
        HANDLE f = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        FILETIME t = {low, 0x01D00000};
        SetFileTime(f, nullptr, nullptr, &t);
        CloseHandle(f);
    };
    std::string found;
    EXPECT_FALSE(platform::SavedFormOf(result, &found)) << "nothing kept yet";
    ASSERT_TRUE(keep());
    ASSERT_TRUE(platform::SavedFormOf(result, &found));
    EXPECT_EQ(found, form);
    EXPECT_EQ(testkit::ReadText(form), "saved page");

    // The record: the magic, then the result's size and time, then the saved form's.
    setTime(result, 0x11223344);
    setTime(form, 0x55667788);
    std::string bytes = "SAVEDOF1";
    for (uint8_t b : {6, 0, 0, 0, 0, 0, 0, 0, 0x44, 0x33, 0x22, 0x11, 0, 0, 0xD0, 0x01,
                      10, 0, 0, 0, 0, 0, 0, 0, 0x88, 0x77, 0x66, 0x55, 0, 0, 0xD0, 0x01})
        bytes += static_cast<char>(b);
    testkit::WriteText(record, bytes);
    EXPECT_TRUE(platform::SavedFormOf(result, &found)) << "a record written out from its layout";

    struct Case { const char* what; std::function<void()> change; };
    const Case cases[] = {
        {"the result made again", [&] { testkit::WriteText(result, "result, made again"); }},
        {"the result touched", [&] { setTime(result, 12345); }},
        {"the saved form changed", [&] { testkit::WriteText(form, "saved page!"); }},
        {"the saved form gone", [&] { DeleteFileA(form.c_str()); }},
        {"a longer record", [&] { testkit::WriteText(record, testkit::ReadText(record) + "x"); }},
        {"a shorter record", [&] { testkit::WriteText(record, testkit::ReadText(record).substr(0, 39)); }},
        {"another magic", [&] { std::string r = testkit::ReadText(record); r[7] = '2';
                                testkit::WriteText(record, r); }},
        {"no record", [&] { DeleteFileA(record.c_str()); }},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(keep());
        c.change();
        EXPECT_FALSE(platform::SavedFormOf(result, &found)) << c.what;
    }

    ASSERT_TRUE(keep());
    EXPECT_EQ(platform::CachedStepResults(folder.path() + "\\"), (std::vector<std::string>{result}))
        << "a saved form is no step result";
    EXPECT_TRUE(platform::RemoveStepResult({result, ""}));
    EXPECT_FALSE(testkit::FileExists(form));
    EXPECT_FALSE(testkit::FileExists(record));
    ASSERT_TRUE(keep());
    platform::RemoveCachedStepResults(folder.path() + "\\");
    EXPECT_FALSE(testkit::FileExists(form));
    EXPECT_FALSE(testkit::FileExists(record));
    EXPECT_FALSE(platform::KeepSavedForm(result, folder / "missing.tif"));
    EXPECT_FALSE(testkit::FileExists(form)) << "a failed copy leaves no saved form";
}

} // namespace

TEST(MethodSettingsDigest, FollowsTheMethodsOwnFilesOnly)
{
    testkit::TempFolder folder("settings");
    const std::string base = folder / "threshold";
    testkit::WriteText(base + ".exe", "program");
    testkit::WriteText(base + ".set", "threshold=128\r\n");
    testkit::WriteText(folder / "otsu.set", "other method");
    testkit::WriteText(folder / "in.tif", "exchange");
    testkit::WriteText(folder / "thresholdx.set", "a method named thresholdx");
    const uint64_t before = platform::MethodSettingsDigest(base);
    EXPECT_EQ(platform::MethodSettingsDigest(base), before);

    // Files of other methods and the exchange files are no settings of this one.
    testkit::WriteText(folder / "otsu.set", "other method, changed");
    testkit::WriteText(folder / "in.tif", "exchange, changed");
    testkit::WriteText(folder / "thresholdx.set", "changed");
    EXPECT_EQ(platform::MethodSettingsDigest(base), before);

    struct Change { const char* file; const char* text; };
    const Change changes[] = {{"threshold.set", "threshold=40\r\n"},   // another size
                              {"threshold.set", "threshold=41\r\n"},   // the same size, written later
                              {"threshold_s.ini", "new"},               // a new file of the method
                              {"THRESHOLD.cfg", "any case"}};
    uint64_t previous = before;
    for (const Change& c : changes) {
        Sleep(20);   // a later write time
        testkit::WriteText(folder / c.file, c.text);
        const uint64_t now = platform::MethodSettingsDigest(base);
        EXPECT_NE(now, previous) << c.file << " " << c.text;
        previous = now;
    }
    DeleteFileA((folder / "THRESHOLD.cfg").c_str());
    EXPECT_NE(platform::MethodSettingsDigest(base), previous) << "a file removed";

    // A chain's digest depends on every step and on their order.
    const uint64_t a = 1, b = 2;
    const uint64_t ab = platform::SettingsOfChain(platform::SettingsOfChain(0, a), b);
    const uint64_t ba = platform::SettingsOfChain(platform::SettingsOfChain(0, b), a);
    EXPECT_NE(ab, ba);
    EXPECT_NE(platform::SettingsOfChain(0, a), platform::SettingsOfChain(0, b));
}
