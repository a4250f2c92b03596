// The blocks items live in: a load's worth of them made and dropped leaves
// only a bounded number of empty chunks behind, and those go back too.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "objects/item_blocks.h"

namespace {

constexpr size_t kBlocks = 30000;  // about 10 MB of 300-byte blocks: more than is kept

std::vector<void*> TakeMany(size_t count, size_t size)
{
    std::vector<void*> blocks;
    for (size_t i = 0; i < count; ++i) {
        void* block = item_blocks::Take(size);
        EXPECT_NE(block, nullptr);
        if (!block)
            break;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u);
        std::memset(block, static_cast<int>(i & 0xFF), size);
        blocks.push_back(block);
    }
    return blocks;
}

void GiveAll(std::vector<void*>& blocks)
{
    for (void* block : blocks)
        item_blocks::Give(block);
    blocks.clear();
}

TEST(ItemBlocks, BlocksDoNotOverlapAcrossSizes)
{
    const size_t sizes[] = {1, 24, 300, 700, 2000, 2100, 5000};
    struct Taken {
        unsigned char* block;
        size_t size;
        unsigned char fill;
    };
    std::vector<Taken> taken;
    for (int round = 0; round < 200; ++round)
        for (size_t size : sizes) {
            auto* block = static_cast<unsigned char*>(item_blocks::Take(size));
            ASSERT_NE(block, nullptr);
            const auto fill = static_cast<unsigned char>(taken.size() * 7 + 1);
            std::memset(block, fill, size);
            taken.push_back({block, size, fill});
        }
    // Every other one back and taken again, then every block still holds its own bytes.
    for (size_t i = 0; i < taken.size(); i += 2) {
        item_blocks::Give(taken[i].block);
        taken[i].block = static_cast<unsigned char*>(item_blocks::Take(taken[i].size));
        ASSERT_NE(taken[i].block, nullptr);
        std::memset(taken[i].block, taken[i].fill, taken[i].size);
    }
    for (const Taken& t : taken)
        for (size_t at = 0; at < t.size; ++at)
            ASSERT_EQ(t.block[at], t.fill) << t.size;
    for (const Taken& t : taken)
        item_blocks::Give(t.block);
    item_blocks::Give(nullptr);
}

TEST(ItemBlocks, WhatIsKeptEmptyIsBoundedAndGoesBack)
{
    const item_blocks::Figures before = item_blocks::Current();
    size_t afterFirst = 0;
    for (int round = 0; round < 4; ++round) {
        std::vector<void*> blocks = TakeMany(kBlocks, 300);
        ASSERT_EQ(blocks.size(), kBlocks);
        const item_blocks::Figures full = item_blocks::Current();
        EXPECT_GT(full.chunks, before.chunks + item_blocks::kKeptEmptyChunks);
        GiveAll(blocks);
        const item_blocks::Figures emptied = item_blocks::Current();
        EXPECT_LE(emptied.emptyChunks, item_blocks::kKeptEmptyChunks);
        EXPECT_LE(emptied.chunks, before.chunks + item_blocks::kKeptEmptyChunks);
        // Loading the same again reuses what was kept: nothing grows round by round.
        if (round == 0)
            afterFirst = emptied.chunks;
        else
            EXPECT_EQ(emptied.chunks, afterFirst) << round;
    }
    item_blocks::ReleaseEmpty();
    const item_blocks::Figures released = item_blocks::Current();
    EXPECT_EQ(released.emptyChunks, 0u);
    EXPECT_LE(released.chunks, before.chunks);
}

} // namespace
