#pragma once
// Where items live. Items are made and dropped by the thousand (a load, a
// paste, an import, closing a document), and fresh memory from the system is
// slow to come by: items take their blocks from chunks of one size class
// each, a block an item leaves is the next one of its chunk to be given, and
// a few chunks left empty are kept for the next load. The chunks kept empty
// are bounded (kKeptEmptyChunks); a chunk emptied past those goes back to the
// system at once, and every empty chunk goes back when the library unloads.
#include <cstddef>

namespace item_blocks {

constexpr size_t kChunkBytes = 64 * 1024;  // the system's allocation grain: chunks are aligned to it
constexpr size_t kKeptEmptyChunks = 96;    // 6 MB at most kept for the next load

// A block of at least size bytes, 8-byte aligned, or null when there is no
// memory. Blocks too large for a chunk come from the heap.
void* Take(size_t size) noexcept;
// Gives back a block from Take (null does nothing).
void Give(void* block) noexcept;

struct Figures {
    size_t chunks;       // chunks held from the system, in use or kept
    size_t emptyChunks;  // of those, the ones kept empty
};
Figures Current() noexcept;

// Gives every chunk kept empty back to the system now. When the library
// unloads this is done, and from then on a chunk that empties goes back at once.
void ReleaseEmpty() noexcept;

} // namespace item_blocks
