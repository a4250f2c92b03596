#pragma once
// How many items have each sequence number, in one open-addressed table:
// adding, removing and counting take constant time, so the layer answers
// "is this number free?" without walking its list.
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "layer/sequence_set.h"

class SequenceCounts {
public:
    int Count(int seq) const
    {
        if (slots_.empty())
            return 0;
        for (size_t at = Home(seq);; at = Following(at)) {
            if (slots_[at].holders == 0)
                return 0;
            if (slots_[at].seq == seq)
                return slots_[at].holders;
        }
    }

    void Add(int seq)
    {
        if ((used_ + 1) * 2 > slots_.size())
            Rehash(slots_.empty() ? 16 : slots_.size() * 2);
        for (size_t at = Home(seq);; at = Following(at)) {
            Slot& slot = slots_[at];
            if (slot.holders == 0) {
                slot = {seq, 1};
                ++used_;
                return;
            }
            if (slot.seq == seq) {
                ++slot.holders;
                return;
            }
        }
    }

    // One holder of the number fewer; a number no item has any more leaves
    // the table (the entries after it move up so that none is cut off).
    void Remove(int seq)
    {
        if (slots_.empty())
            return;
        size_t at = Home(seq);
        for (;; at = Following(at)) {
            if (slots_[at].holders == 0)
                return;
            if (slots_[at].seq == seq)
                break;
        }
        if (--slots_[at].holders > 0)
            return;
        --used_;
        size_t gap = at;
        for (size_t next = Following(gap); slots_[next].holders != 0; next = Following(next)) {
            const size_t home = Home(slots_[next].seq);
            // The entry may fill the gap when its home does not lie
            // (cyclically) after the gap and up to the entry itself.
            const bool between = gap <= next ? (home > gap && home <= next) : (home > gap || home <= next);
            if (!between) {
                slots_[gap] = slots_[next];
                gap = next;
            }
        }
        slots_[gap] = Slot();
    }

    void Clear()
    {
        slots_.clear();
        used_ = 0;
    }

    void Reserve(size_t count)
    {
        const size_t capacity = HalfFullCapacity(count);
        if (capacity > slots_.size())
            Rehash(capacity);
    }

private:
    struct Slot {
        int seq = 0;
        int holders = 0;  // 0: the slot is empty
    };

    size_t Home(int seq) const
    {
        return static_cast<size_t>(static_cast<uint32_t>(seq) * 2654435761u) & (slots_.size() - 1);
    }
    size_t Following(size_t at) const { return (at + 1) & (slots_.size() - 1); }

    void Rehash(size_t capacity)
    {
        std::vector<Slot> old(capacity);
        old.swap(slots_);
        used_ = 0;
        for (const Slot& slot : old) {
            if (slot.holders == 0)
                continue;
            for (size_t at = Home(slot.seq);; at = Following(at)) {
                if (slots_[at].holders == 0) {
                    slots_[at] = slot;
                    ++used_;
                    break;
                }
            }
        }
    }

    std::vector<Slot> slots_;  // a power of two in size, at most half full
    size_t used_ = 0;
};
