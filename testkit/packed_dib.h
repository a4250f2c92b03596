#pragma once
// Packed DIBs in movable blocks, as hosts hand pictures over, and the bytes
// of a block read back.
#include <windows.h>

#include <vector>

namespace testkit {

// A packed DIB: a 40-byte header with the given fields, then `rest` bytes
// (table, masks and pixels) each holding the low byte of its position in the
// block, so that a copy that loses or moves a byte shows it.
HGLOBAL CountingPackedDib(WORD bits, LONG width, LONG height, size_t rest,
                          DWORD compression = BI_RGB, DWORD coloursUsed = 0);

// The first `size` bytes of a block; empty when it is null or holds fewer.
std::vector<BYTE> BlockBytes(HGLOBAL block, size_t size);

} // namespace testkit
