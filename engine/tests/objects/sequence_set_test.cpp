// The set of sequence numbers that numbers loaded items: it holds what was
// put in through every growth of its table, with the numbers that collide in
// it, and the extremes of the number range.
#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <vector>

#include "layer/sequence_counts.h"
#include "layer/sequence_set.h"

namespace {

TEST(SequenceSet, HoldsExactlyWhatWasPutInThroughEveryGrowth)
{
    // Runs that fill the table past several growths, numbers that share
    // their place in a small table, and the ends of the range (INT_MIN is
    // the table's own mark for a free place).
    std::vector<int> numbers;
    for (int i = 1; i <= 300; ++i)
        numbers.push_back(i);
    for (int i = 0; i < 64; ++i)
        numbers.push_back(i * 16 + 1000);
    for (int i = 0; i < 64; ++i)
        numbers.push_back(1 << (i % 31));
    numbers.insert(numbers.end(), {0, -1, -7, INT_MAX, INT_MIN, INT_MIN + 1, 150, 1000, 1});

    SequenceSet set;
    std::set<int> expected;
    for (int seq : numbers) {
        EXPECT_EQ(set.Insert(seq), expected.insert(seq).second) << seq;
        EXPECT_TRUE(set.Contains(seq)) << seq;
    }
    for (int probe = -20; probe <= 2100; ++probe)
        EXPECT_EQ(set.Contains(probe), expected.count(probe) != 0) << probe;
    for (int probe : {INT_MAX, INT_MAX - 1, INT_MIN, INT_MIN + 1, INT_MIN + 2})
        EXPECT_EQ(set.Contains(probe), expected.count(probe) != 0) << probe;

    set.Clear();
    for (int seq : numbers)
        EXPECT_FALSE(set.Contains(seq)) << seq;
    EXPECT_TRUE(set.Insert(INT_MIN));
    EXPECT_TRUE(set.Insert(5));
    EXPECT_FALSE(set.Insert(5));
    EXPECT_TRUE(set.Contains(INT_MIN));
    EXPECT_FALSE(set.Contains(6));
}

TEST(SequenceSet, AnEmptyOrReservedSetHoldsNothing)
{
    SequenceSet empty;
    EXPECT_FALSE(empty.Contains(0));
    EXPECT_FALSE(empty.Contains(INT_MIN));
    empty.Clear();
    EXPECT_FALSE(empty.Contains(1));

    SequenceSet reserved;
    reserved.Reserve(1000);
    EXPECT_FALSE(reserved.Contains(1));
    for (int seq = 1; seq <= 1000; ++seq)
        reserved.Insert(seq);
    EXPECT_TRUE(reserved.Contains(1000));
    EXPECT_FALSE(reserved.Contains(1001));
}

} // namespace

// The counts of the numbers a layer's items have, against a std::multiset
// kept beside them: numbers that collide in the table are added and removed
// in mixed order (a removal moves the entries after it), some more than once,
// through growths of the table and the ends of the number range.
TEST(SequenceCounts, CountsMatchAMultisetThroughAddsAndRemovals)
{
    std::vector<int> numbers;
    for (int i = 0; i < 200; ++i)
        numbers.push_back(i * 16 + 3);  // many share a home in a small table
    for (int i = 1; i <= 150; ++i)
        numbers.push_back(i);
    numbers.insert(numbers.end(), {0, -1, INT_MAX, INT_MIN, 19, 19, 35, 3});

    SequenceCounts counts;
    std::multiset<int> expected;
    auto check = [&](const char* when) {
        for (int seq : numbers)
            ASSERT_EQ(static_cast<int>(expected.count(seq)), counts.Count(seq)) << when << " " << seq;
        ASSERT_EQ(0, counts.Count(5000)) << when;
    };
    for (int seq : numbers) {
        counts.Add(seq);
        expected.insert(seq);
    }
    check("after adding");
    // Every third number goes, from the back, then every number once more.
    for (size_t i = numbers.size(); i-- > 0;) {
        if (i % 3 != 0)
            continue;
        counts.Remove(numbers[i]);
        expected.erase(expected.find(numbers[i]));
    }
    check("after removing a third");
    for (int seq : numbers) {
        counts.Remove(seq);
        const auto at = expected.find(seq);
        if (at != expected.end())
            expected.erase(at);
    }
    check("after removing all");
    counts.Remove(77);  // a number never added changes nothing
    counts.Add(77);
    EXPECT_EQ(1, counts.Count(77));
}
