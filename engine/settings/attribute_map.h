#pragma once
// An ordered map from attribute code to value, kept as one array sorted by
// code. Every item is made with a copy of its tool's map, and loading a layer
// makes thousands of items: a copy here takes one block, not one per code.
// Walks go in ascending code order, as with any ordered map; an insertion
// may move the values (nothing keeps their addresses across one).
#include <algorithm>
#include <cstddef>
#include <utility>
#include <vector>

#include "settings/tool_defaults_attribute_value.h"

class AttributeMap {
public:
    using value_type = std::pair<int, AttributeValue>;
    using iterator = std::vector<value_type>::iterator;
    using const_iterator = std::vector<value_type>::const_iterator;

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

    std::vector<value_type> entries_;
};
