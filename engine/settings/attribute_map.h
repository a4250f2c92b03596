#pragma once
// An ordered map from attribute code to value, kept as one array sorted by
// code. Walks go in ascending code order, as with any ordered map; an
// insertion may move the values (nothing keeps their addresses across one).
//
// Every item starts from its tool's map, and loading a layer makes thousands
// of items: an item shares a frozen copy of the tool's map (AttributeMap::
// Freeze) and keeps beside it only the values it changes (ItemAttributeMap).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include "settings/tool_defaults_attribute_value.h"

class AttributeMap {
public:
    using value_type = std::pair<int, AttributeValue>;
    using iterator = std::vector<value_type>::iterator;
    using const_iterator = std::vector<value_type>::const_iterator;

    AttributeMap() = default;
    // A copy is an ordinary map of its own, even when made from a frozen one.
    AttributeMap(const AttributeMap& other) : entries_(other.entries_) {}
    AttributeMap(AttributeMap&& other) noexcept : entries_(std::move(other.entries_)) {}
    AttributeMap& operator=(const AttributeMap& other)
    {
        entries_ = other.entries_;
        return *this;
    }
    AttributeMap& operator=(AttributeMap&& other) noexcept
    {
        entries_ = std::move(other.entries_);
        return *this;
    }

    // A copy of the map that never changes again, which items made from it
    // share in place of copying it (see ItemAttributeMap::Take).
    static std::shared_ptr<const AttributeMap> Freeze(const AttributeMap& map)
    {
        std::shared_ptr<AttributeMap> frozen = std::make_shared<AttributeMap>(map);
        frozen->self_ = frozen;
        frozen->BuildIndex();
        return frozen;
    }
    // The frozen map itself when this is one, else null.
    std::shared_ptr<const AttributeMap> Frozen() const { return self_.lock(); }

    iterator begin() { return entries_.begin(); }
    iterator end() { return entries_.end(); }
    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    void clear() { entries_.clear(); }

    iterator find(int code)
    {
        const iterator at = LowerBound(code);
        return at != entries_.end() && at->first == code ? at : entries_.end();
    }
    const_iterator find(int code) const { return const_cast<AttributeMap*>(this)->find(code); }
    size_t count(int code) const { return find(code) != end() ? 1 : 0; }

    // Adds the value under a code the map does not hold yet; a code it holds
    // keeps its value. The place of the code's value, and whether it was added.
    // The place of a code in the walk (begin() + place), or size() when the
    // map lacks it. A frozen map finds it through a table of its own.
    size_t PlaceOf(int code) const
    {
        if (!index_.empty()) {
            const uint32_t key = static_cast<uint32_t>(code);
            size_t slot = kNoSlot;
            if (key < kLowCodes)
                slot = key;
            else if (key - kHighFirst < kHighCodes)
                slot = kLowCodes + (key - kHighFirst);
            if (slot != kNoSlot)
                return index_[slot] == kAbsent ? entries_.size() : index_[slot];
        }
        const const_iterator at = find(code);
        return static_cast<size_t>(at - begin());
    }

    std::pair<iterator, bool> emplace(int code, AttributeValue value)
    {
        const iterator at = LowerBound(code);
        if (at != entries_.end() && at->first == code)
            return {at, false};
        return {entries_.emplace(at, code, std::move(value)), true};
    }
    // The value of a code, added as the number 0 when the map lacks it.
    AttributeValue& operator[](int code) { return emplace(code, AttributeValue()).first->second; }
    size_t erase(int code)
    {
        const iterator at = find(code);
        if (at == entries_.end())
            return 0;
        entries_.erase(at);
        return 1;
    }

private:
    iterator LowerBound(int code)
    {
        return std::lower_bound(entries_.begin(), entries_.end(), code,
                                [](const value_type& entry, int wanted) { return entry.first < wanted; });
    }

    // A frozen map finds the codes items use most, 0 to 2175 and 36700 to
    // 36799, by a table of their places; the others by a binary search.
    static constexpr uint32_t kLowCodes = 2176;
    static constexpr uint32_t kHighFirst = 36700;
    static constexpr uint32_t kHighCodes = 100;
    static constexpr size_t kNoSlot = static_cast<size_t>(-1);
    static constexpr uint8_t kAbsent = 0xFF;
    void BuildIndex()
    {
        if (entries_.size() >= kAbsent)
            return;  // places would not fit the table: searched
        index_.assign(kLowCodes + kHighCodes, kAbsent);
        for (size_t place = 0; place < entries_.size(); ++place) {
            const uint32_t key = static_cast<uint32_t>(entries_[place].first);
            if (key < kLowCodes)
                index_[key] = static_cast<uint8_t>(place);
            else if (key - kHighFirst < kHighCodes)
                index_[kLowCodes + (key - kHighFirst)] = static_cast<uint8_t>(place);
        }
    }

    std::vector<value_type> entries_;
    std::weak_ptr<const AttributeMap> self_;  // set on frozen maps only
    std::vector<uint8_t> index_;              // frozen maps only: places by code
};

// The attribute map of one item: the codes and values of the map it was
// made from, which it shares when that is a frozen map, and the values it
// changed, held here (a few) or, past those, in a copy of its own. The codes
// never change; an address given by Mutable stays valid for the map's life.
class ItemAttributeMap {
public:
    using value_type = AttributeMap::value_type;

    class const_iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = ItemAttributeMap::value_type;
        using difference_type = std::ptrdiff_t;
        using pointer = const value_type*;
        using reference = const value_type&;

        const_iterator() = default;
        const_iterator(const ItemAttributeMap* map, size_t index) : map_(map), index_(index) {}
        reference operator*() const { return map_->At(index_); }
        pointer operator->() const { return &map_->At(index_); }
        reference operator[](difference_type n) const { return map_->At(index_ + n); }
        const_iterator& operator++()
        {
            ++index_;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator was = *this;
            ++index_;
            return was;
        }
        const_iterator& operator--()
        {
            --index_;
            return *this;
        }
        const_iterator& operator+=(difference_type n)
        {
            index_ += n;
            return *this;
        }
        const_iterator& operator-=(difference_type n)
        {
            index_ -= n;
            return *this;
        }
        const_iterator operator+(difference_type n) const { return {map_, index_ + n}; }
        const_iterator operator-(difference_type n) const { return {map_, index_ - n}; }
        difference_type operator-(const const_iterator& other) const
        {
            return static_cast<difference_type>(index_) - static_cast<difference_type>(other.index_);
        }
        bool operator==(const const_iterator& other) const { return index_ == other.index_ && map_ == other.map_; }
        bool operator!=(const const_iterator& other) const { return !(*this == other); }
        bool operator<(const const_iterator& other) const { return index_ < other.index_; }

    private:
        const ItemAttributeMap* map_ = nullptr;
        size_t index_ = 0;
    };
    using iterator = const_iterator;

    ItemAttributeMap() = default;
    ~ItemAttributeMap() { DropChanged(); }
    ItemAttributeMap(const ItemAttributeMap&) = delete;
    ItemAttributeMap& operator=(const ItemAttributeMap&) = delete;

    // Starts again from a map: shared when it is frozen, else from a frozen copy.
    void Take(const AttributeMap& map)
    {
        DropChanged();
        own_.reset();
        base_ = map.Frozen();
        if (!base_)
            base_ = AttributeMap::Freeze(map);
    }

    size_t size() const { return base_ ? base_->size() : 0; }
    bool empty() const { return size() == 0; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }
    const_iterator find(int code) const
    {
        const size_t index = IndexOf(code);
        return index == kNone ? end() : const_iterator(this, index);
    }
    size_t count(int code) const { return IndexOf(code) == kNone ? 0 : 1; }

    // The value of a code, or null when the map lacks it.
    const AttributeValue* Find(int code) const
    {
        const size_t index = IndexOf(code);
        return index == kNone ? nullptr : &At(index).second;
    }
    // The value of a code to change, or null when the map lacks it.
    AttributeValue* Mutable(int code)
    {
        const size_t index = IndexOf(code);
        if (index == kNone)
            return nullptr;
        for (int i = 0; i < changedCount_; ++i)
            if (changedIndex_[i] == index)
                return &Changed(i).second;
        if (own_)
            return &(own_->begin() + static_cast<std::ptrdiff_t>(index))->second;
        if (changedCount_ < kHeld) {
            const value_type& shared = *(base_->begin() + static_cast<std::ptrdiff_t>(index));
            value_type* made = new (&changed_[changedCount_ * sizeof(value_type)]) value_type(shared);
            changedIndex_[changedCount_++] = static_cast<uint32_t>(index);
            return &made->second;
        }
        // More changes than are held here: the item takes a copy of its own,
        // in which the values held here stay unread.
        own_.reset(new AttributeMap(*base_));
        return &(own_->begin() + static_cast<std::ptrdiff_t>(index))->second;
    }

    // By place (0 .. size() - 1), as a walk meets them: for readers that
    // find a code once and then read or change its value.
    static constexpr size_t kNone = static_cast<size_t>(-1);
    size_t PlaceOf(int code) const { return IndexOf(code); }  // kNone when the map lacks it
    const AttributeValue& ValueAt(size_t place) const { return At(place).second; }
    AttributeValue* MutableAt(size_t place) { return Mutable(At(place).first); }

private:
    static constexpr int kHeld = 6;

    size_t IndexOf(int code) const
    {
        if (!base_)
            return kNone;
        const size_t place = base_->PlaceOf(code);
        return place == base_->size() ? kNone : place;
    }
    const value_type& At(size_t index) const
    {
        for (int i = 0; i < changedCount_; ++i)
            if (changedIndex_[i] == index)
                return Changed(i);
        return *((own_ ? *own_ : *base_).begin() + static_cast<std::ptrdiff_t>(index));
    }
    value_type& Changed(int i) { return *std::launder(reinterpret_cast<value_type*>(&changed_[i * sizeof(value_type)])); }
    const value_type& Changed(int i) const
    {
        return *std::launder(reinterpret_cast<const value_type*>(&changed_[i * sizeof(value_type)]));
    }
    void DropChanged()
    {
        for (int i = 0; i < changedCount_; ++i)
            Changed(i).~value_type();
        changedCount_ = 0;
    }

    std::shared_ptr<const AttributeMap> base_;  // the codes, and the values not changed
    std::unique_ptr<AttributeMap> own_;         // the values, once more changed than are held here
    int changedCount_ = 0;
    uint32_t changedIndex_[kHeld] = {};
    alignas(value_type) unsigned char changed_[kHeld * sizeof(value_type)];
};
