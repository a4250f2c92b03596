// Groups through the clipboard: pasted into a layer that has groups of its
// own, a copied group gets a new id after the layer's last and lists the
// numbers its members were given there.
#include <gtest/gtest.h>

#include <vector>

#include "engine_test_host.h"
#include "format_test_support.h"

using namespace engine_test;
using namespace formats_test;

namespace {

const RECT kAny = {0x00100000, 0x00200000, 0x00500000, 0x00400000};

std::vector<int> Members(AnnotationEngine* e, int layer, int id)
{
    std::vector<int> members;
    int seq = 0;
    EXPECT_EQ(0, e->GrpGetFirstItem(layer, id, &seq));
    for (; seq != 0 && members.size() < 10; e->GrpGetNextItem(layer, id, &seq))
        members.push_back(seq);
    return members;
}

std::vector<int> GroupIds(AnnotationEngine* e, int layer)
{
    std::vector<int> ids;
    int id = 0;
    EXPECT_EQ(0, e->GrpGetFirstGroupID(layer, &id));
    for (; id != 0 && ids.size() < 10; e->GrpGetNextGroupID(layer, &id))
        ids.push_back(id);
    return ids;
}

TEST(GroupPaste, APastedGroupTakesTheNextIdOfTheLayerAndItsMembersNewNumbers)
{
    EngineLibrary library;
    TestHost source(library);
    TestHost target(library);
    const int from = AddRecordLayer(source.Engine(), LayerRecord(L"From", {
        ItemRecord(RectangleTool, 1, kAny), ItemRecord(RectangleTool, 2, kAny)}));
    const int to = AddRecordLayer(target.Engine(), LayerRecord(L"To", {
        ItemRecord(RectangleTool, 1, kAny), ItemRecord(RectangleTool, 2, kAny)}));
    ASSERT_NE(0, from);
    ASSERT_NE(0, to);

    int copied = 0;
    ASSERT_EQ(0, source->GrpCreateGroup(from, nullptr, 0, &copied));
    ASSERT_EQ(0, source->GrpAddItem(from, copied, 2));
    ASSERT_EQ(0, source->GrpAddItem(from, copied, 1));
    ASSERT_EQ(0, source->GrpSetYoked(from, copied, 1));
    int own = 0;
    ASSERT_EQ(0, target->GrpCreateGroup(to, nullptr, 0, &own));
    ASSERT_EQ(0, target->GrpAddItem(to, own, 1));
    ASSERT_EQ(1, copied);
    ASSERT_EQ(1, own);

    ASSERT_EQ(0, source->CopyToClipboard(from, 0));
    ASSERT_EQ(0, target->Paste(to));

    EXPECT_EQ((std::vector<int>{1, 2}), GroupIds(target.Engine(), to));
    EXPECT_EQ((std::vector<int>{1}), Members(target.Engine(), to, 1));
    EXPECT_EQ((std::vector<int>{4, 3}), Members(target.Engine(), to, 2));
    int id = 0;
    EXPECT_EQ(0, target->PrgGetItemGroupID(to, 3, &id));
    EXPECT_EQ(2, id);
    EXPECT_EQ(0, target->PrgGetItemGroupID(to, 1, &id));
    EXPECT_EQ(1, id);
    unsigned char yoked = 0;
    EXPECT_EQ(0, target->GrpGetYoked(to, 2, &yoked));
    EXPECT_EQ(1, yoked);
    // The next group made there follows the pasted one.
    ASSERT_EQ(0, target->GrpCreateGroup(to, nullptr, 0, &id));
    EXPECT_EQ(3, id);
}

} // namespace
