#include "objects/item_blocks.h"

#include <windows.h>

#include <cstdint>
#include <new>

namespace item_blocks {
namespace {

// Each block carries its size class ahead of the item (which keeps the item
// 8-byte aligned); a chunk starts with its header, and a block finds its
// chunk by its address, chunks being aligned to their size.
constexpr size_t kBlockGrain = 32;
constexpr size_t kBlockClasses = 64;  // blocks of up to 2 KB; larger ones from the heap
constexpr size_t kBlockHeader = 8;
constexpr uint32_t kFromHeap = 0xFFFFFFFFu;

struct FreeBlock {
    FreeBlock* next;
};

struct Chunk {
    Chunk* prev;  // in its class's list of chunks with room, or the empty list
    Chunk* next;
    FreeBlock* free;  // blocks given back
    uint8_t* fresh;   // blocks never given yet start here
    uint32_t kind;
    uint32_t live;  // blocks given out
    bool listed;    // in its class's list
};
constexpr size_t kChunkHeader = (sizeof(Chunk) + kBlockGrain - 1) / kBlockGrain * kBlockGrain;

// Plain data set at load time (all zero): usable before and after any
// constructor or destructor of the library runs.
struct Pool {
    SRWLOCK lock;
    Chunk* withRoom[kBlockClasses];
    Chunk* empty;  // kept for the next load, linked by next
    size_t emptyCount;
    size_t chunks;
    bool closing;
};
Pool g_pool;

Chunk* ChunkOf(void* block)
{
    return reinterpret_cast<Chunk*>(reinterpret_cast<uintptr_t>(block) & ~(uintptr_t)(kChunkBytes - 1));
}

uint8_t* ChunkEnd(Chunk* chunk) { return reinterpret_cast<uint8_t*>(chunk) + kChunkBytes; }

void Unlink(Chunk* chunk)
{
    if (chunk->prev)
        chunk->prev->next = chunk->next;
    else
        g_pool.withRoom[chunk->kind] = chunk->next;
    if (chunk->next)
        chunk->next->prev = chunk->prev;
    chunk->prev = chunk->next = nullptr;
    chunk->listed = false;
}

void Link(Chunk* chunk)
{
    chunk->prev = nullptr;
    chunk->next = g_pool.withRoom[chunk->kind];
    if (chunk->next)
        chunk->next->prev = chunk;
    g_pool.withRoom[chunk->kind] = chunk;
    chunk->listed = true;
}

// A chunk for blocks of a class, kept or new; null when there is no memory.
Chunk* NewChunk(uint32_t kind)
{
    Chunk* chunk = g_pool.empty;
    if (chunk) {
        g_pool.empty = chunk->next;
        --g_pool.emptyCount;
    } else {
        // Aligned to the allocation grain, which is the chunk's size.
        chunk = static_cast<Chunk*>(VirtualAlloc(nullptr, kChunkBytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!chunk || (reinterpret_cast<uintptr_t>(chunk) & (kChunkBytes - 1)) != 0) {
            if (chunk)
                VirtualFree(chunk, 0, MEM_RELEASE);
            return nullptr;
        }
        ++g_pool.chunks;
    }
    chunk->free = nullptr;
    chunk->fresh = reinterpret_cast<uint8_t*>(chunk) + kChunkHeader;
    chunk->kind = kind;
    chunk->live = 0;
    chunk->listed = false;
    chunk->prev = chunk->next = nullptr;
    return chunk;
}

bool HasRoom(const Chunk* chunk)
{
    return chunk->free || chunk->fresh + chunk->kind * kBlockGrain <= ChunkEnd(const_cast<Chunk*>(chunk));
}

} // namespace

void* Take(size_t size) noexcept
{
    if (size > kBlockGrain * (kBlockClasses - 1) - kBlockHeader) {
        uint8_t* block = static_cast<uint8_t*>(::operator new(size + kBlockHeader, std::nothrow));
        if (!block)
            return nullptr;
        *reinterpret_cast<uint32_t*>(block) = kFromHeap;
        return block + kBlockHeader;
    }
    const uint32_t kind = static_cast<uint32_t>((size + kBlockHeader + kBlockGrain - 1) / kBlockGrain);
    uint8_t* block = nullptr;
    AcquireSRWLockExclusive(&g_pool.lock);
    Chunk* chunk = g_pool.withRoom[kind];
    if (!chunk) {
        chunk = NewChunk(kind);
        if (chunk)
            Link(chunk);
    }
    if (chunk) {
        if (FreeBlock* reused = chunk->free) {
            chunk->free = reused->next;
            block = reinterpret_cast<uint8_t*>(reused);
        } else {
            block = chunk->fresh;
            chunk->fresh += kind * kBlockGrain;
        }
        ++chunk->live;
        if (!HasRoom(chunk))
            Unlink(chunk);
    }
    ReleaseSRWLockExclusive(&g_pool.lock);
    if (!block)
        return nullptr;
    *reinterpret_cast<uint32_t*>(block) = kind;
    return block + kBlockHeader;
}

void Give(void* item) noexcept
{
    if (!item)
        return;
    uint8_t* block = static_cast<uint8_t*>(item) - kBlockHeader;
    if (*reinterpret_cast<const uint32_t*>(block) == kFromHeap) {
        ::operator delete(block);
        return;
    }
    Chunk* chunk = ChunkOf(block);
    Chunk* release = nullptr;
    AcquireSRWLockExclusive(&g_pool.lock);
    FreeBlock* freed = reinterpret_cast<FreeBlock*>(block);
    freed->next = chunk->free;
    chunk->free = freed;
    if (--chunk->live == 0) {
        if (chunk->listed)
            Unlink(chunk);
        if (!g_pool.closing && g_pool.emptyCount < kKeptEmptyChunks) {
            chunk->next = g_pool.empty;
            g_pool.empty = chunk;
            ++g_pool.emptyCount;
        } else {
            --g_pool.chunks;
            release = chunk;
        }
    } else if (!chunk->listed) {
        Link(chunk);
    }
    ReleaseSRWLockExclusive(&g_pool.lock);
    if (release)
        VirtualFree(release, 0, MEM_RELEASE);
}

Figures Current() noexcept
{
    AcquireSRWLockShared(&g_pool.lock);
    const Figures figures = {g_pool.chunks, g_pool.emptyCount};
    ReleaseSRWLockShared(&g_pool.lock);
    return figures;
}

void ReleaseEmpty() noexcept
{
    AcquireSRWLockExclusive(&g_pool.lock);
    Chunk* chunk = g_pool.empty;
    g_pool.empty = nullptr;
    g_pool.chunks -= g_pool.emptyCount;
    g_pool.emptyCount = 0;
    ReleaseSRWLockExclusive(&g_pool.lock);
    while (chunk) {
        Chunk* next = chunk->next;
        VirtualFree(chunk, 0, MEM_RELEASE);
        chunk = next;
    }
}

namespace {

// Runs when the library unloads (or the program ends): the empty chunks go
// back, and so does each chunk that empties afterwards.
struct ReleasedAtUnload {
    ~ReleasedAtUnload()
    {
        AcquireSRWLockExclusive(&g_pool.lock);
        g_pool.closing = true;
        ReleaseSRWLockExclusive(&g_pool.lock);
        ReleaseEmpty();
    }
};
ReleasedAtUnload g_releasedAtUnload;

} // namespace

} // namespace item_blocks
