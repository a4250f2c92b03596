#pragma once
// Layer records written out by hand for the tests with the real engine, and
// the byte-array VARIANT a host hands the control.
#include "hand_bytes.h"

#include <oleauto.h>

#include <cstring>
#include <vector>

namespace real_engine_test {

using formats_test::Hand;

// A layer record with rectangles 1 at (100,75)-(200,150) and 2 at
// (300,75)-(400,225) in pixels of an 800 x 600 image (layer units are
// fractions of the image in 8.24 fixed point).
inline std::vector<uint8_t> TwoRectangles()
{
    struct Item {
        int seq;
        RECT layer;
    };
    const Item items[] = {{1, {2097152, 2097152, 4194304, 4194304}},
                          {2, {6291456, 2097152, 8388608, 6291456}}};
    Hand body;
    body.D(36762).R(36753, 2).D(36763);
    for (const Item& item : items) {
        body.D(RectangleTool).D(36756).R(36765, 0x17);
        body.D(7).D(item.layer.left).D(item.layer.top).D(item.layer.right).D(item.layer.bottom);
        body.R(36751, item.seq).D(36757);
    }
    Hand record;
    record.D(36754).D(36752).D(0).D(0).D(static_cast<uint32_t>(body.Size())).Str(L"Hand");
    record.Raw(body.bytes()).D(36755);
    return record.bytes();
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
