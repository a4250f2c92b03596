#pragma once
// A set of sequence numbers in one open-addressed table: adding and finding
// take constant time and the whole set is one block, so a load that numbers
// thousands of items makes no allocation per item. Numbers are only added;
// Clear empties the set.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

// The smallest power of two, at least 16, that holds count numbers at most half full.
inline size_t HalfFullCapacity(size_t count)
{
    size_t capacity = 16;
    while (capacity < count * 2)
        capacity *= 2;
    return capacity;
}

class SequenceSet {
public:
    // Room for count numbers without growing.
    void Reserve(size_t count)
    {
        const size_t capacity = HalfFullCapacity(count);
        if (capacity > slots_.size())
            Rehash(capacity);
    }

    bool Contains(int seq) const
    {
        if (seq == kEmpty)
            return hasEmptyKey_;
        if (slots_.empty())
            return false;
        for (size_t at = Home(seq);; at = (at + 1) & (slots_.size() - 1)) {
            if (slots_[at] == seq)
                return true;
            if (slots_[at] == kEmpty)
                return false;
        }
    }

    // True when the number was not in the set.
    bool Insert(int seq)
    {
        if (seq == kEmpty) {
            const bool added = !hasEmptyKey_;
            hasEmptyKey_ = true;
            return added;
        }
        if ((count_ + 1) * 2 > slots_.size())
            Rehash(slots_.empty() ? 16 : slots_.size() * 2);
        return Place(seq);
    }

    void Clear()
    {
        slots_.assign(slots_.size(), kEmpty);
        count_ = 0;
        hasEmptyKey_ = false;
    }

private:
    static constexpr int kEmpty = INT_MIN;

    size_t Home(int seq) const
    {
        return static_cast<size_t>(static_cast<uint32_t>(seq) * 2654435761u) & (slots_.size() - 1);
    }

    bool Place(int seq)
    {
        for (size_t at = Home(seq);; at = (at + 1) & (slots_.size() - 1)) {
            if (slots_[at] == seq)
                return false;
            if (slots_[at] == kEmpty) {
                slots_[at] = seq;
                ++count_;
                return true;
            }
        }
    }

    void Rehash(size_t capacity)
    {
        std::vector<int> old(capacity, kEmpty);
        old.swap(slots_);
        count_ = 0;
        for (int seq : old)
            if (seq != kEmpty)
                Place(seq);
    }

    std::vector<int> slots_;  // a power of two in size, at most half full
    size_t count_ = 0;
    bool hasEmptyKey_ = false;
};
