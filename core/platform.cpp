#include "platform.h"

#if defined(__linux__)
#include <pthread.h>
#include <sys/mman.h>
#elif defined(_WIN32)
#include <windows.h>
#elif defined(__EMSCRIPTEN__)
#include <emscripten/stack.h>
#endif

namespace Quorin::Platform {

std::uintptr_t StackBottom() {
#if defined(__linux__)
    pthread_attr_t attributes;
    if (pthread_getattr_np(pthread_self(), &attributes) != 0) return 0;
    void* address = nullptr;
    std::size_t size = 0;
    const int status = pthread_attr_getstack(&attributes, &address, &size);
    pthread_attr_destroy(&attributes);
    return status == 0 ? reinterpret_cast<std::uintptr_t>(address) : 0;
#elif defined(_WIN32)
    ULONG_PTR low = 0, high = 0;
    GetCurrentThreadStackLimits(&low, &high);
    return static_cast<std::uintptr_t>(low);
#elif defined(__EMSCRIPTEN__)
    return static_cast<std::uintptr_t>(emscripten_stack_get_end());
#else
    return 0;
#endif
}

std::byte* MapHugePages(std::size_t bytes, std::size_t pageSize) {
#if defined(__linux__)
    if (!hugePages) return nullptr;
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
    (void)pageSize;
    return nullptr;
#endif
}

void UnmapHugePages(std::byte* block, std::size_t bytes) {
#if defined(__linux__)
    munmap(block, bytes);
#else
    (void)block;
    (void)bytes;
#endif
}

}  // namespace Quorin::Platform
