#include "module_catalogue.h"
#include "module_positions.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using platform::ModuleNameProblem;

TEST(ModulePositions, NewModuleTakesItsPlaceAndTheRowsBehindMoveUp)
{
    struct Case {
        std::vector<int32_t> positions;
        int row;
        int32_t placed;
        std::vector<int32_t> shifted;
    };
    const Case cases[] = {
        {{0, 1, 2}, 3, 3, {0, 1, 2}},        // "Last Place": nobody moves
        {{0, 1, 2}, 1, 1, {0, 2, 3}},
        {{0, 1, 2}, 0, 0, {1, 2, 3}},
        {{0, 1, 2}, 2, 2, {0, 1, 3}},
        {{}, 0, 0, {}},                      // only "Last Place"
        {{}, -1, 0, {}},                     // no row selected counts as the last place
        {{0, 1, 2}, -1, 3, {0, 1, 2}},
        {{0, 1, 2}, 7, 3, {0, 1, 2}},
        {{0, 5, 9}, 1, 1, {0, 6, 10}},       // gaps: one step is enough
        {{4, 8}, 2, 9, {4, 8}},
        // Hand-made files: the new module must still land before the row.
        {{0, 0, 0}, 2, 1, {0, 0, 2}},
        {{0, 0, 0}, 1, 1, {0, 2, 2}},
        {{-3, 4}, 0, 0, {1, 8}},
        {{-5, -2}, 1, -4, {-5, -1}},
        {{INT_MAX - 1}, 1, INT_MAX, {INT_MAX - 1}},
    };
    for (const Case& c : cases) {
        int32_t placed = -99;
        std::vector<int32_t> shifted;
        ASSERT_TRUE(platform::PlaceNewModule(c.positions, c.row, &placed, &shifted))
            << "row " << c.row;
        EXPECT_EQ(placed, c.placed) << "row " << c.row;
        EXPECT_EQ(shifted, c.shifted) << "row " << c.row;

        // Whatever the rule, the palette order it leaves is the one chosen.
        size_t k = (c.row < 0 || static_cast<size_t>(c.row) > c.positions.size())
                       ? c.positions.size() : static_cast<size_t>(c.row);
        for (size_t i = 0; i < shifted.size(); ++i) {
            if (i < k) {
                EXPECT_LT(shifted[i], placed) << "row " << c.row << ", entry " << i;
            } else {
                EXPECT_GT(shifted[i], placed) << "row " << c.row << ", entry " << i;
            }
        }
    }
}

TEST(ModulePositions, PositionsThatWouldLeaveTheirRangeAreRefused)
{
    struct Case {
        std::vector<int32_t> positions;
        int row;
    };
    const Case cases[] = {
        {{INT_MAX}, 1},          // one past the last
        {{0, INT_MAX}, 1},       // the row behind cannot move up
        {{INT_MAX}, 0},
    };
    for (const Case& c : cases) {
        int32_t placed = 42;
        std::vector<int32_t> shifted = {7};
        EXPECT_FALSE(platform::PlaceNewModule(c.positions, c.row, &placed, &shifted)) << c.row;
        EXPECT_EQ(placed, 42);
        EXPECT_EQ(shifted, std::vector<int32_t>{7});
    }
}

TEST(ModulePositions, ColourRowsAndTheirCodes)
{
    struct Row {
        const char* name;
        const char* code;
    };
    const Row rows[] = {
        {"Light Blue", "01"}, {"Red", "02"},        {"Light Green", "03"},
        {"Cream", "04"},      {"Dark Green", "05"}, {"Dark Gray", "06"},
        {"Light GRay", "07"}, {"Dark Blue", "08"},  {"Light Yellow", "09"},
    };
    ASSERT_EQ(platform::kModuleColourCount, 9);
    for (int r = 0; r < 9; ++r) {
        EXPECT_STREQ(platform::kModuleColourNames[r], rows[r].name);
        EXPECT_EQ(platform::ColourCodeOfRow(r), rows[r].code);
    }
    for (int none : {-1, 9, 100})
        EXPECT_EQ(platform::ColourCodeOfRow(none), "00") << none;
}

TEST(ModulePositions, NewModuleFileNames)
{
    const std::string folder = "C:\\Program\\";
    struct Case {
        std::string stem;
        ModuleNameProblem problem;
    };
    const Case cases[] = {
        {"Binarize", ModuleNameProblem::None},
        {"Page split 2", ModuleNameProblem::None},
        {"a.b", ModuleNameProblem::None},
        {" lead", ModuleNameProblem::None},
        {"COM10", ModuleNameProblem::None},
        {"CONSOLE", ModuleNameProblem::None},
        {"", ModuleNameProblem::Empty},
        {"   ", ModuleNameProblem::Empty},
        {"..", ModuleNameProblem::Invalid},
        {"..\\up", ModuleNameProblem::Invalid},
        {"a..b", ModuleNameProblem::Invalid},
        {"sub\\name", ModuleNameProblem::Invalid},
        {"sub/name", ModuleNameProblem::Invalid},
        {"C:name", ModuleNameProblem::Invalid},
        {"D:\\name", ModuleNameProblem::Invalid},
        {"\\\\server\\share", ModuleNameProblem::Invalid},
        {"*", ModuleNameProblem::Invalid},
        {"bin?", ModuleNameProblem::Invalid},
        {"a\"b", ModuleNameProblem::Invalid},
        {"a<b>", ModuleNameProblem::Invalid},
        {"a|b", ModuleNameProblem::Invalid},
        {"tab\there", ModuleNameProblem::Invalid},
        {"trailing ", ModuleNameProblem::Invalid},
        {"trailing.", ModuleNameProblem::Invalid},
        {"NUL", ModuleNameProblem::Invalid},
        {"con", ModuleNameProblem::Invalid},
        {"Aux.x", ModuleNameProblem::Invalid},
        {"prn .x", ModuleNameProblem::Invalid},
        {"com1", ModuleNameProblem::Invalid},
        {"LPT9", ModuleNameProblem::Invalid},
        // "C:\Program\temp\" + stem must fit the 254 characters of a work folder.
        {std::string(254 - 16, 'w'), ModuleNameProblem::None},
        {std::string(254 - 15, 'w'), ModuleNameProblem::TooLong},
    };
    for (const Case& c : cases)
        EXPECT_EQ(platform::CheckNewModuleName(folder, c.stem), c.problem) << "\"" << c.stem << "\"";
}

TEST(ModulePositions, ListOrderIsThePaletteOrder)
{
    // Equal positions: the list must show the modules in the order start-up's
    // sort gives them, which is not always the order a stable sort keeps.
    const std::vector<std::vector<int32_t>> inputs = {
        {2, 1, 1, 0}, {0, 0, 0}, {3, 2, 1, 0}, {1, 0, 1, 0, 1}, {5}, {}, {-1, 7, -1, 0},
    };
    for (const std::vector<int32_t>& positions : inputs) {
        std::vector<platform::ListedModule> listed;
        std::vector<platform::ModuleEntry> palette;
        for (size_t i = 0; i < positions.size(); ++i) {
            platform::ListedModule l;
            l.path = "M" + std::to_string(i);
            l.record.position = positions[i];
            listed.push_back(l);
            platform::ModuleEntry e;
            e.path = l.path;
            e.position = positions[i];
            palette.push_back(e);
        }
        platform::SortListedModules(listed);
        platform::SortModulesByPosition(palette);
        ASSERT_EQ(listed.size(), palette.size());
        for (size_t i = 0; i < listed.size(); ++i)
            EXPECT_EQ(listed[i].path, palette[i].path) << "entry " << i;
    }
    // The first input, worked through by hand.
    std::vector<platform::ListedModule> listed(4);
    const char* names[] = {"a", "b", "c", "d"};
    const int32_t positions[] = {2, 1, 1, 0};
    for (int i = 0; i < 4; ++i) {
        listed[i].path = names[i];
        listed[i].record.position = positions[i];
    }
    platform::SortListedModules(listed);
    std::vector<std::string> order;
    for (const platform::ListedModule& l : listed)
        order.push_back(l.path);
    EXPECT_EQ(order, (std::vector<std::string>{"d", "c", "b", "a"}));
}

} // namespace
