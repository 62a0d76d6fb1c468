// What the core asks of the system it runs on, answered in platform.cpp: the
// one place in the core that knows one platform from another.
#pragma once

#include <cstddef>
#include <cstdint>

namespace Quorin::Platform {

// The lowest address of the calling thread's stack, or 0 when unknown. Stacks
// grow downwards on every platform built for.
std::uintptr_t StackBottom();

// Whether this build maps huge pages at all: on Linux, and not under
// AddressSanitizer, which checks heap blocks only.
#if defined(__linux__) && !defined(__SANITIZE_ADDRESS__)
constexpr bool hugePages = true;
#else
constexpr bool hugePages = false;
#endif

// Maps `bytes` (a multiple of `pageSize`) aligned to `pageSize`, asking the
// system for huge pages; null when the mapping fails or `hugePages` is false.
std::byte* MapHugePages(std::size_t bytes, std::size_t pageSize);
void UnmapHugePages(std::byte* block, std::size_t bytes);

}  // namespace Quorin::Platform
