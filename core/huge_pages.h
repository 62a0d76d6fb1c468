// Memory mapped as huge pages, for the analyser's largest tables: a table of
// many megabytes then costs a page fault per huge page instead of one per
// small page.
#pragma once

#include <cstddef>
#include <new>

#include "platform.h"

namespace Quorin::HugePages {

constexpr std::size_t pageSize = std::size_t{2} << 20;

// `bytes` rounded up to whole huge pages.
constexpr std::size_t Rounded(std::size_t bytes) {
    return (bytes + pageSize - 1) / pageSize * pageSize;
}

// Maps `bytes` (whole huge pages), asking the system for huge pages; null when
// the mapping fails or this build maps none (Platform::hugePages).
inline std::byte* Map(std::size_t bytes) { return Platform::MapHugePages(bytes, pageSize); }
inline void Unmap(std::byte* block, std::size_t bytes) { Platform::UnmapHugePages(block, bytes); }

// An allocator for large vectors: blocks of a huge page or more are mapped,
// smaller ones come from the heap.
template <typename T>
struct TAllocator {
    using value_type = T;

    TAllocator() = default;
    template <typename U>
    TAllocator(const TAllocator<U>&) {}

    T* allocate(std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        if (!Mapped(bytes)) return static_cast<T*>(::operator new(bytes));
        std::byte* block = Map(Rounded(bytes));
        if (!block) throw std::bad_alloc();
        return reinterpret_cast<T*>(block);
    }
    void deallocate(T* block, std::size_t count) {
        const std::size_t bytes = count * sizeof(T);
        if (Mapped(bytes)) {
            Unmap(reinterpret_cast<std::byte*>(block), Rounded(bytes));
        } else {
            ::operator delete(block);
        }
    }
    template <typename U>
    bool operator==(const TAllocator<U>&) const {
        return true;
    }

private:
    static bool Mapped(std::size_t bytes) { return Platform::hugePages && bytes >= pageSize; }
};

}  // namespace Quorin::HugePages
