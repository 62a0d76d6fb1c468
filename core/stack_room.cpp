#include "stack_room.h"

#include "platform.h"
#include "quorin_limits.h"

namespace Quorin {

TStackRoom::TStackRoom() {
    const char here = 0;
    const auto top = reinterpret_cast<std::uintptr_t>(&here);
    std::uintptr_t bottom = Platform::StackBottom();
    // Unknown: assume as little as any thread is given.
    if (bottom == 0 || bottom >= top)
        bottom = top > Limits::assumedStackBytes ? top - Limits::assumedStackBytes : 0;
    limit = bottom + Limits::stackReserveBytes;
    // No more than the budget, however much more there is.
    if (top > Limits::nestingStackBytes && top - Limits::nestingStackBytes > limit)
        limit = top - Limits::nestingStackBytes;
}

}  // namespace Quorin
