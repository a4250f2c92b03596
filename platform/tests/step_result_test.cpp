#include "step_result.h"

#include <gtest/gtest.h>

#include <array>
#include <set>
#include <string>
#include <vector>

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

} // namespace
