#pragma once
// Layer records written out by hand for the tests with the real engine, and
// the byte-array VARIANT a host hands the control.
#include "engine_codes.h"
#include "hand_bytes.h"

#include <oleauto.h>

#include <cstring>
#include <vector>

namespace real_engine_test {

using formats_test::Hand;

// One item of a hand-written layer record: its class, sequence number and
// rectangle in layer units (fractions of the image in 8.24 fixed point).
struct HandItem {
    int type, seq;
    RECT layer;
};

// A layer record of the given name holding the items, each with its
// rectangle and sequence number.
inline std::vector<uint8_t> LayerOfItems(const wchar_t* name, const std::vector<HandItem>& items)
{
    Hand body;
    body.D(36762).R(36753, static_cast<uint32_t>(items.size())).D(36763);
    for (const HandItem& item : items) {
        body.D(item.type).D(36756).R(36765, 0x17);
        body.D(7).D(item.layer.left).D(item.layer.top).D(item.layer.right).D(item.layer.bottom);
        body.R(36751, item.seq).D(36757);
    }
    Hand record;
    record.D(36754).D(36752).D(0).D(0).D(static_cast<uint32_t>(body.Size())).Str(name);
    record.Raw(body.bytes()).D(36755);
    return record.bytes();
}

// A layer record with rectangles 1 at (100,75)-(200,150) and 2 at
// (300,75)-(400,225) in pixels of an 800 x 600 image.
inline std::vector<uint8_t> TwoRectangles()
{
    return LayerOfItems(L"Hand", {{RectangleTool, 1, {2097152, 2097152, 4194304, 4194304}},
                                  {RectangleTool, 2, {6291456, 2097152, 8388608, 6291456}}});
}

// The record as a byte-array VARIANT (VariantClear frees it).
inline VARIANT ByteArray(const std::vector<uint8_t>& bytes)
{
    SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
    void* data = nullptr;
    SafeArrayAccessData(array, &data);
    memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
    VARIANT v;
    V_VT(&v) = VT_ARRAY | VT_UI1;
    V_ARRAY(&v) = array;
    return v;
}

} // namespace real_engine_test
