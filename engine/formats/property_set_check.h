#pragma once
// A bounded look at a property set stream (the summary information of an
// annotation file) before the platform's property-set reader is given it:
// the stream header, the section of the wanted format, and every property's
// offset, type and length within that section. The platform's reader takes
// these on trust (a vector type where a plain value is expected stops the
// process), so a damaged one is not handed to it.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class PropertySetCheck {
public:
    // True when the stream holds a section of `format` whose properties are
    // all of plain types (numbers, times, strings, blobs; no vectors, arrays
    // or dictionary) and lie wholly inside the section and the stream.
    // Never reads outside [data, data + size).
    static bool Check(const uint8_t* data, size_t size, const GUID& format);

    // The texts (8-bit strings in the set's code page, or wide strings) of a
    // set that passes Check, by property id, read here within the data: no
    // other reader is given the set. False when the set does not pass.
    static bool ReadTexts(const uint8_t* data, size_t size, const GUID& format,
                          std::vector<std::pair<uint32_t, std::wstring>>& texts);
};
