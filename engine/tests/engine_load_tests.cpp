// Loading the engine as its host does, its exports, resources and the state
// right after Ann_Init.
#include <gtest/gtest.h>

#include "engine_test_host.h"

using namespace engine_test;

namespace {

TEST(EngineLibrary, ExportsOnlyOrdinalsOneAndTwo)
{
    EngineLibrary library;
    ASSERT_TRUE(library.Loaded());
    EXPECT_EQ(nullptr, GetProcAddress(library.Module(), "Ann_Init"));
    EXPECT_EQ(nullptr, GetProcAddress(library.Module(), "Ann_Deinit"));
    EXPECT_EQ(nullptr, GetProcAddress(library.Module(), MAKEINTRESOURCEA(3)));
}

TEST(EngineLibrary, DeinitOfNullReturns)
{
    EngineLibrary library;
    ASSERT_TRUE(library.Loaded());
    library.Deinit()(nullptr);
}

TEST(EngineLibrary, CarriesItsCursorsPaletteAndStrings)
{
    EngineLibrary library;
    ASSERT_TRUE(library.Loaded());
    const int cursors[] = {11001, 12001, 13001, 14001, 15001, 16001, 17000, 17001,
                           18000, 18001, 19001, 20000, 20001, 21001, 114};
    for (int number : cursors)
        EXPECT_NE(nullptr, FindResourceA(library.Module(), MAKEINTRESOURCEA(number),
                                         reinterpret_cast<LPCSTR>(RT_GROUP_CURSOR)))
            << number;
    HRSRC palette = FindResourceA(library.Module(), "STOCKPAL", "PALETTE");
    ASSERT_NE(nullptr, palette);
    ASSERT_GE(SizeofResource(library.Module(), palette), 24u + 4u * 256u);
    const char* bytes =
        static_cast<const char*>(LockResource(LoadResource(library.Module(), palette)));
    EXPECT_EQ(0, memcmp(bytes, "RIFF", 4));
    EXPECT_EQ(0, memcmp(bytes + 8, "PAL data", 8));

    struct Text {
        int number;
        const char* text;
    };
    const Text texts[] = {
        {1, "Pen color..."}, {1000, "Cu&t"}, {1003, "&Paste Layer"}, {1006, "&Delete Layer"},
        {2053, "MicroMeters"}, {2062, "Twips"}, {2144, "Degrees"}, {2145, "Radians"},
        {5002, "..............."}, {6002, "Diagonal down, left to right"},
        {7002, "Center justify"},
    };
    for (const Text& t : texts) {
        char buffer[64] = {};
        LoadStringA(library.Module(), t.number, buffer, sizeof(buffer));
        EXPECT_STREQ(t.text, buffer) << t.number;
    }
    char buffer[64] = {};
    EXPECT_EQ(0, LoadStringA(library.Module(), 2060, buffer, sizeof(buffer)));
}

TEST(EngineAfterInit, HasNoLayersAndItsFieldDefaults)
{
    EngineLibrary library;
    TestHost host(library);
    ASSERT_NE(nullptr, host.Engine());
    EXPECT_EQ(0, host->GetCurrentLayer());
    EXPECT_EQ(0, host->GetLayerCount());
    EXPECT_EQ(0, host->GetFirstLayer());
    EXPECT_EQ(1, host->GetPaintIndex());
    EXPECT_EQ(1, host->GetSaveAnnotations());
    EXPECT_EQ(-1, host->ReservedCommand(1, 2, 3, 4));
    for (int type = Cursor_Creating; type <= Cursor_Moving; ++type) {
        unsigned char flag = 0;
        EXPECT_EQ(0, host->GetUseCursorType(type, &flag));
        EXPECT_EQ(1, flag) << type;
    }
    int width = -1, height = -1;
    host->PrgGetImageMappingDimensions(&width, &height);
    EXPECT_EQ(0, width);
    EXPECT_EQ(0, height);
}

TEST(EngineAfterInit, ContextMenuListHoldsTheSixtySixOwnItemsInOrder)
{
    EngineLibrary library;
    TestHost host(library);
    std::vector<std::pair<int, int>> ids;
    int item = -1, sub = -1;
    host->ContextMenuGetFirstItemID(&item, &sub);
    while (item != 0 && ids.size() < 1000) {
        ids.push_back({item, sub});
        host->ContextMenuGetNextItemID(&item, &sub);
    }
    ASSERT_EQ(66u, ids.size());
    EXPECT_EQ(std::make_pair(1, 0), ids[0]);
    EXPECT_EQ(std::make_pair(27, 5513), ids[3]);
    EXPECT_EQ(std::make_pair(41, 7002), ids[57]);
    EXPECT_EQ(std::make_pair(1536, 0), ids[58]);
    EXPECT_EQ(std::make_pair(1007, 0), ids[65]);
    EXPECT_EQ(0, sub);

    BSTR caption = nullptr;
    ASSERT_EQ(0, host->ContextMenuGetItem(38, 6002, &caption));
    EXPECT_STREQ(L"Diagonal down, left to right", caption);
    SysFreeString(caption);
    unsigned char flag = 9;
    host->ContextMenuGetItemEnabled(1000, 0, &flag);
    EXPECT_EQ(1, flag);
    host->ContextMenuGetItemChecked(1000, 0, &flag);
    EXPECT_EQ(0, flag);
}

TEST(EngineAfterInit, ContextMenuEditsFollowTheIdRules)
{
    EngineLibrary library;
    TestHost host(library);
    BSTR text = SysAllocString(L"Mine");
    EXPECT_EQ(QMK_ErrInvalidContextMenuId, host->AddContextMenuItem(19999, 0, text, 0, 0));
    EXPECT_EQ(0, host->AddContextMenuItem(20000, 0, text, 5, 6));
    BSTR other = SysAllocString(L"Renamed");
    EXPECT_EQ(0, host->AddContextMenuItem(20000, 0, other, 0, 0));
    BSTR got = nullptr;
    ASSERT_EQ(0, host->GetContextMenuString(20000, &got));
    EXPECT_STREQ(L"Renamed", got);
    SysFreeString(got);
    EXPECT_EQ(QMK_ErrInvalidContextMenuId, host->SetContextMenuString(30000, 0, text, 0, 0, 0));
    EXPECT_EQ(QMK_ErrInvalidContextMenuId, host->GetContextMenuString(30000, &got));

    // Exclusive check: the sub-item is checked, its siblings unchecked.
    host->ContextMenuSetItemChecked(26, 5002, 1, 0);
    host->ContextMenuSetItemChecked(26, 5001, 1, 1);
    unsigned char flag = 0;
    host->ContextMenuGetItemChecked(26, 5001, &flag);
    EXPECT_EQ(1, flag);
    host->ContextMenuGetItemChecked(26, 5002, &flag);
    EXPECT_EQ(0, flag);
    host->ContextMenuGetItemChecked(26, 0, &flag);
    EXPECT_EQ(0, flag);

    // Deleting the item the walk stands on leaves the walk on the next one.
    int item = 0, sub = 0;
    host->ContextMenuGetFirstItemID(&item, &sub);
    host->ContextMenuGetNextItemID(&item, &sub);
    ASSERT_EQ(5, item);
    unsigned char deleted = 0;
    host->ContextMenuDeleteItem(5, 0, &deleted);
    EXPECT_EQ(1, deleted);
    host->ContextMenuGetNextItemID(&item, &sub);
    EXPECT_EQ(27, item);
    host->ContextMenuDeleteItem(5, 0, &deleted);
    EXPECT_EQ(0, deleted);
    SysFreeString(text);
    SysFreeString(other);
}

// Error codes of the engine's own checks; layer operations on layer 0 and on a
// handle that names no layer.
TEST(EngineErrors, LayerHandlesToolsAndCursorTypes)
{
    EngineLibrary library;
    TestHost host(library);
    int count = 0, seq = 7;
    const int unknown = 0x12345678;
    for (int layer : {0, unknown}) {
        EXPECT_EQ(QMK_ErrInvalidLayer, host->PrgGetItemCount(layer, &count)) << layer;
        EXPECT_EQ(QMK_ErrInvalidLayer, host->GrpDestroyGroup(layer, 1)) << layer;
        EXPECT_EQ(QMK_ErrInvalidLayer, host->SetLayerProperty(layer, QMK_LayerActive, 1));
        EXPECT_EQ(QMK_ErrInvalidLayer, host->ElementAppend(layer, 1, &seq));
        EXPECT_EQ(QMK_ErrInvalidLayer, host->PrgGetItemRect(layer, 1, nullptr));
        seq = 7;
        EXPECT_EQ(QMK_ErrInvalidLayer, host->PrgGetFirstItem(layer, &seq));
        EXPECT_EQ(0, seq);
        EXPECT_EQ(0, host->IsSelection(layer));
        EXPECT_EQ(0, host->IsValidLayer(layer));
        EXPECT_EQ(0, host->DeleteLayer(layer));
    }
    EXPECT_EQ(0, host->SetCurrentLayer(unknown));

    int notCurrent = host->CreateLayer(0);
    ASSERT_NE(0, notCurrent);
    EXPECT_EQ(QMK_ErrInvalidTool, host->SetTool(notCurrent, RectangleTool));
    EXPECT_EQ(QMK_ErrInvalidTool, host->SetTool(0, RectangleTool));

    unsigned char flag = 0;
    for (int type : {-1, 3, 100}) {
        EXPECT_EQ(QMK_ErrInvalidCursorType, host->SetUseCursorType(type, 1)) << type;
        EXPECT_EQ(QMK_ErrInvalidCursorType, host->GetUseCursorType(type, &flag)) << type;
    }
    EXPECT_EQ(0, host->SetUseCursorType(Cursor_Moving, 0));
    EXPECT_EQ(0, host->GetUseCursorType(Cursor_Moving, &flag));
    EXPECT_EQ(0, flag);
    EXPECT_EQ(0, host->GetUseCursorType(Cursor_Creating, &flag));
    EXPECT_EQ(1, flag);
}

TEST(EngineErrors, APaintWithoutADeviceAnswersMinusOne)
{
    EngineLibrary library;
    TestHost host(library);
    host->CreateLayer(1);
    EXPECT_EQ(-1, host->Paint(nullptr, nullptr, nullptr, 0, 0, 0, 0));
}

} // namespace
