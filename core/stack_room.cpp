// The one place in the core that asks the platform about a thread's stack.
#include "stack_room.h"

#include "quorin_limits.h"

#if defined(__linux__)
#include <pthread.h>
#elif defined(_WIN32)
#include <windows.h>
#elif defined(__EMSCRIPTEN__)
#include <emscripten/stack.h>
#endif

namespace Quorin {

namespace {

// The lowest address of the calling thread's stack, or 0 when unknown. Stacks
// grow downwards on every platform built for.
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

}  // namespace

TStackRoom::TStackRoom() {
    const char here = 0;
    const auto top = reinterpret_cast<std::uintptr_t>(&here);
    std::uintptr_t bottom = StackBottom();
    // Unknown: assume as little as any thread is given.
    if (bottom == 0 || bottom >= top)
        bottom = top > Limits::assumedStackBytes ? top - Limits::assumedStackBytes : 0;
    limit = bottom + Limits::stackReserveBytes;
    // No more than the budget, however much more there is.
    if (top > Limits::nestingStackBytes && top - Limits::nestingStackBytes > limit)
        limit = top - Limits::nestingStackBytes;
}

}  // namespace Quorin
