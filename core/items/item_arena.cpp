#include "items/item_arena.h"

#include <algorithm>
#include <cstdint>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

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

// Blocks of a huge page and more are mapped as whole huge pages where the
// system grants them on request: a tree of many megabytes then costs a page
// fault per huge page instead of one per small page. Null where that is not
// to be had (and under AddressSanitizer, which checks heap blocks only).
constexpr std::size_t hugePage = 2 * 1024 * 1024;

std::byte* MapHugePages(std::size_t size) {
#if defined(__linux__) && defined(MADV_HUGEPAGE) && !defined(__SANITIZE_ADDRESS__)
    // Mapped one huge page larger, then trimmed to an aligned run.
    void* mapped =
        mmap(nullptr, size + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + hugePage - 1) & ~std::uintptr_t{hugePage - 1};
    if (aligned > start) munmap(mapped, aligned - start);
    const std::uintptr_t end = start + size + hugePage;
    if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - aligned - size);
    madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<std::byte*>(aligned);
#else
    (void)size;
    return nullptr;
#endif
}

void UnmapHugePages(std::byte* block, std::size_t size) {
#if defined(__linux__)
    munmap(block, size);
#else
    (void)block;
    (void)size;
#endif
}

}  // namespace

TItemArena::~TItemArena() {
    for (const TBlock& block : blocks) {
        if (block.mapped) {
            UnmapHugePages(block.start, block.size);
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
            std::min(largestBlock, firstBlock << std::min<std::size_t>(blocks.size(), 16));
        std::size_t blockSize = std::max(growth, size);
        blocks.reserve(blocks.size() + 1);
        std::byte* start = nullptr;
        if (blockSize >= largestBlock) {
            blockSize = (blockSize + hugePage - 1) / hugePage * hugePage;
            start = MapHugePages(blockSize);
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
    // analysis runs; items dropped later stay unused until the arena goes.
    if (currentArena != this) {
        QUORIN_POISON(block, Rounded(size));
        return;
    }
    const std::size_t kind = Rounded(size) / granule;
    if (kind < kinds) {
        released[kind] = new (block) TFreeBlock{released[kind]};
        QUORIN_POISON(block, Rounded(size));
    } else {
        QUORIN_POISON(block, Rounded(size));  // left unused until the arena goes
    }
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
