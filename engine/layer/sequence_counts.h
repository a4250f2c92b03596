#pragma once
// How many items have each sequence number: adding, removing and counting
// take constant time, so the layer answers "is this number free?" without
// walking its list. Numbers are mostly small and close together (1, 2, 3 ...
// as items are made and loaded): those are counted in one array indexed by
// the number, kept no larger than the open-addressed table the others go to
// would be; the rest go to that table.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "layer/sequence_set.h"

class SparseSequenceCounts {
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

class SequenceCounts {
public:
    int Count(int seq) const { return DenseCount(seq) + sparse_.Count(seq); }

    void Add(int seq)
    {
        ++held_;
        if (seq > 0 && static_cast<size_t>(seq) >= dense_.size() && static_cast<size_t>(seq) < DenseLimit())
            GrowDense(static_cast<size_t>(seq));
        if (seq > 0 && static_cast<size_t>(seq) < dense_.size() && dense_[seq] != UINT16_MAX) {
            ++dense_[seq];
            return;
        }
        sparse_.Add(seq);
    }

    // One holder of the number fewer.
    void Remove(int seq)
    {
        if (sparse_.Count(seq) != 0) {
            sparse_.Remove(seq);
            --held_;
        } else if (DenseCount(seq) != 0) {
            --dense_[seq];
            --held_;
        }
    }

    void Clear()
    {
        dense_.clear();
        sparse_.Clear();
        held_ = 0;
    }

    // Room for count more numbers from 1 up without a move.
    void Reserve(size_t count)
    {
        const size_t wanted = std::min(held_ + count + 1, DenseLimit(count));
        if (dense_.capacity() < wanted)
            dense_.reserve(wanted);
    }

private:
    // The array never takes more than the table would for the numbers held
    // (16 bytes each at most), and a few pages at the least.
    size_t DenseLimit(size_t more = 0) const { return 2048 + 8 * (held_ + more); }

    int DenseCount(int seq) const
    {
        return seq > 0 && static_cast<size_t>(seq) < dense_.size() ? dense_[seq] : 0;
    }

    void GrowDense(size_t seq)
    {
        const size_t size = std::min(DenseLimit(), std::max(seq + 1, std::max<size_t>(dense_.capacity(), dense_.size() * 2)));
        dense_.resize(std::max(size, seq + 1), 0);
    }

    std::vector<uint16_t> dense_;  // by number: how many items have it
    SparseSequenceCounts sparse_;  // the numbers past the array, and a count past 65535
    size_t held_ = 0;
};
