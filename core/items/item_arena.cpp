#include "items/item_arena.h"

#include <algorithm>
#include <new>

#include "huge_pages.h"

// Under AddressSanitizer a released item stays poisoned until it is handed
// out again, so a use after delete is still reported.
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define QUORIN_POISON(block, size) ASAN_POISON_MEMORY_REGION(block, size)
#define QUORIN_UNPOISON(block, size) ASAN_UNPOISON_MEMORY_REGION(block, size)
#else
#define QUORIN_POISON(block, size) ((void)(block), (void)(size))
#define QUORIN_UNPOISON(block, size) ((void)(block), (void)(size))
#endif

namespace Quorin {

namespace {

thread_local TItemArena* currentArena = nullptr;

std::size_t Rounded(std::size_t size) {
    return (size + TItemArena::granule - 1) / TItemArena::granule * TItemArena::granule;
}

}  // namespace

TItemArena::TItemArena(std::size_t expected) {
    while (smallestBlock < expected && smallestBlock < largestBlock) smallestBlock *= 2;
}

TItemArena::~TItemArena() {
    for (const TBlock& block : blocks) {
        if (block.mapped) {
            HugePages::Unmap(block.start, block.size);
        } else {
            ::operator delete(block.start);
        }
    }
}

void* TItemArena::Allocate(std::size_t size) {
    size = Rounded(size);
    const std::size_t kind = size / granule;
    if (kind < kinds && released[kind]) {
        TFreeBlock* reused = released[kind];
        QUORIN_UNPOISON(reused, size);
        released[kind] = reused->next;
        return reused;
    }
    if (static_cast<std::size_t>(limit - next) < size) {
        // Blocks double up to a limit, so that a small macro takes little and a
        // large one few blocks; the rest of the old block is left unused.
        const std::size_t growth =
            std::min(largestBlock, smallestBlock << std::min<std::size_t>(blocks.size(), 16));
        std::size_t blockSize = std::max(growth, size);
        blocks.reserve(blocks.size() + 1);
        // The largest blocks are whole huge pages where the system grants them.
        std::byte* start = nullptr;
        if (blockSize >= largestBlock) {
            blockSize = HugePages::Rounded(blockSize);
            start = HugePages::Map(blockSize);
        }
        const bool mapped = start != nullptr;
        if (!mapped) start = static_cast<std::byte*>(::operator new(blockSize));
        blocks.push_back(TBlock{start, blockSize, mapped});
        next = start;
        limit = next + blockSize;
        reserved += blockSize;
        QUORIN_POISON(next, blockSize);
    }
    void* block = next;
    next += size;
    QUORIN_UNPOISON(block, size);
    return block;
}

void TItemArena::Release(void* block, std::size_t size) {
    // Memory is reused while the arena is the current one, which is while its
    // analysis runs; items dropped later, and large ones, stay unused until the
    // arena goes.
    const std::size_t rounded = Rounded(size);
    const std::size_t kind = rounded / granule;
    if (currentArena == this && kind < kinds)
        released[kind] = new (block) TFreeBlock{released[kind]};
    QUORIN_POISON(block, rounded);
}

TItemArena::TScope::TScope(TItemArena* arena) : previous(currentArena) {
    currentArena = arena;
}

TItemArena::TScope::~TScope() {
    currentArena = previous;
}

TItemArena* TItemArena::Current() {
    return currentArena;
}

}  // namespace Quorin
