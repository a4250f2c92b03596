#pragma once
// Packed DIBs in global memory: a bitmap header, the optional colour masks,
// the colour table and the pixel rows in one block.
#include <windows.h>

#include <cstddef>

class PackedDib {
public:
    // The byte count of the packed DIB at the start of a block of blockSize
    // bytes, computed from its real header (header size, colours used,
    // bit-field masks, negative height, compressed image size), or 0 when the
    // header is not one of a bitmap or claims more bytes than the block holds.
    static size_t SizeOf(const void* block, size_t blockSize);
    // A new movable, zero-initialised block holding a copy of the packed DIB
    // in the given block, or null when the block is not a whole packed DIB or
    // memory is short. The source stays the caller's.
    static HGLOBAL Copy(HGLOBAL source);
};
