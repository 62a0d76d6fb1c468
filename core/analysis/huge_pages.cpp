#include "analysis/huge_pages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace Quorin::HugePages {

std::byte* Map(std::size_t bytes) {
#if defined(__linux__)
    if (!available) return nullptr;
    // Mapped one huge page larger, then trimmed to an aligned run, so that the
    // system can back it with huge pages from the start.
    void* mapped =
        mmap(nullptr, bytes + pageSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + pageSize - 1) & ~std::uintptr_t{pageSize - 1};
    if (aligned > start) munmap(mapped, aligned - start);
    const std::uintptr_t end = start + bytes + pageSize;
    if (end > aligned + bytes)
        munmap(reinterpret_cast<void*>(aligned + bytes), end - aligned - bytes);
#if defined(MADV_HUGEPAGE)
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);
#endif
    return reinterpret_cast<std::byte*>(aligned);
#else
    (void)bytes;
    return nullptr;
#endif
}

void Unmap(std::byte* block, std::size_t bytes) {
#if defined(__linux__)
    munmap(block, bytes);
#else
    (void)block;
    (void)bytes;
#endif
}

}  // namespace Quorin::HugePages
