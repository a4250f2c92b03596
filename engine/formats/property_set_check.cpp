#include "formats/property_set_check.h"

#include <wtypes.h>

#include <algorithm>
#include <cstring>

namespace {

uint32_t U32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

const size_t kStreamHeader = 28;
const size_t kFormatEntry = 20;      // format id and offset of one section
const uint32_t kCodePageId = 1;
const uint16_t kUnicodeCodePage = 1200;

// Whether a value of `type` fits the `rest` bytes of the section that follow
// its type word; false for a type not taken.
bool ValueFits(uint16_t type, const uint8_t* value, size_t rest, bool unicode)
{
    switch (type) {
    case VT_EMPTY: case VT_NULL:
        return true;
    case VT_I2: case VT_UI2: case VT_BOOL: case VT_I1: case VT_UI1:
    case VT_I4: case VT_UI4: case VT_R4: case VT_ERROR: case VT_INT: case VT_UINT:
        return rest >= 4;
    case VT_R8: case VT_CY: case VT_DATE: case VT_I8: case VT_UI8: case VT_FILETIME:
        return rest >= 8;
    case VT_CLSID:
        return rest >= 16;
    case VT_LPSTR: case VT_BSTR: case VT_BLOB: case VT_LPWSTR: {
        if (rest < 4)
            return false;
        const uint64_t count = U32(value);
        const uint64_t bytes = type == VT_LPWSTR ? count * 2 : count;
        if (type == VT_LPSTR && unicode && bytes % 2 != 0)
            return false;
        return bytes <= rest - 4;
    }
    default:
        return false;
    }
}

} // namespace

bool PropertySetCheck::Check(const uint8_t* data, size_t size, const GUID& format)
{
    if (!data || size < kStreamHeader + kFormatEntry || U16(data) != 0xFFFE)
        return false;
    const uint32_t sections = U32(data + 24);
    if (sections == 0 || sections > (size - kStreamHeader) / kFormatEntry)
        return false;
    for (uint32_t s = 0; s < sections; ++s) {
        const uint8_t* entry = data + kStreamHeader + kFormatEntry * s;
        if (std::memcmp(entry, &format, sizeof(GUID)) != 0)
            continue;
        const uint32_t offset = U32(entry + 16);
        if (offset > size || size - offset < 8)
            return false;
        const uint8_t* section = data + offset;
        // The platform's writer counts the padding after the last value in
        // the size but may leave it out of the stream: what is read is
        // bounded by the smaller of the two.
        const size_t available = size - offset;
        const uint32_t statedSize = U32(section);
        if (statedSize < 8 || statedSize > available + 3)
            return false;
        const uint32_t sectionSize = static_cast<uint32_t>(std::min<size_t>(statedSize, available));
        const uint32_t count = U32(section + 4);
        if (count > (sectionSize - 8) / 8)
            return false;
        // The code page first, as strings are read by it.
        bool unicode = false;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* pair = section + 8 + 8 * i;
            const uint32_t at = U32(pair + 4);
            if (U32(pair) == kCodePageId && at <= sectionSize - 8 && U16(section + at) == VT_I2)
                unicode = U16(section + at + 4) == kUnicodeCodePage;
        }
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* pair = section + 8 + 8 * i;
            const uint32_t id = U32(pair), at = U32(pair + 4);
            if (id == 0)
                return false;   // a dictionary
            if (at < 8 + 8 * count || at > sectionSize - 4)
                return false;
            if (!ValueFits(U16(section + at), section + at + 4, sectionSize - at - 4, unicode))
                return false;
        }
        return true;
    }
    return false;
}

namespace {

// Text up to its first NUL.
std::wstring UpToNul(std::wstring text)
{
    const size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos)
        text.resize(nul);
    return text;
}

} // namespace

bool PropertySetCheck::ReadTexts(const uint8_t* data, size_t size, const GUID& format,
                                 std::vector<std::pair<uint32_t, std::wstring>>& texts)
{
    texts.clear();
    if (!Check(data, size, format))
        return false;
    // Check has bounded every offset and length used below.
    const uint32_t sections = U32(data + 24);
    for (uint32_t s = 0; s < sections; ++s) {
        const uint8_t* entry = data + kStreamHeader + kFormatEntry * s;
        if (std::memcmp(entry, &format, sizeof(GUID)) != 0)
            continue;
        const uint32_t offset = U32(entry + 16);
        const uint8_t* section = data + offset;
        const uint32_t sectionSize =
            static_cast<uint32_t>(std::min<size_t>(U32(section), size - offset));
        const uint32_t count = U32(section + 4);
        UINT codePage = CP_ACP;
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* pair = section + 8 + 8 * i;
            const uint32_t at = U32(pair + 4);
            if (U32(pair) == kCodePageId && U16(section + at) == VT_I2)
                codePage = U16(section + at + 4);
        }
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* pair = section + 8 + 8 * i;
            const uint32_t id = U32(pair), at = U32(pair + 4);
            const uint16_t type = U16(section + at);
            if (type != VT_LPSTR && type != VT_LPWSTR)
                continue;
            const uint8_t* value = section + at + 8;
            const uint32_t length = U32(section + at + 4);
            const uint64_t bytes = type == VT_LPWSTR ? uint64_t(length) * 2 : length;
            if (bytes > sectionSize - at - 8)
                continue;
            std::wstring text;
            if (type == VT_LPWSTR || codePage == kUnicodeCodePage) {
                const uint32_t chars = type == VT_LPWSTR ? length : length / 2;
                text.resize(chars);
                if (chars)
                    std::memcpy(&text[0], value, chars * 2);
            } else if (length > 0) {
                const int wide = MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(value),
                                                     static_cast<int>(length), nullptr, 0);
                if (wide > 0) {
                    text.resize(static_cast<size_t>(wide));
                    MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(value),
                                        static_cast<int>(length), &text[0], wide);
                }
            }
            texts.emplace_back(id, UpToNul(text));
        }
        return true;
    }
    return false;
}
