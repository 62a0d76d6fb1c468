// How much stack a recursion has left.
//
// Analysis and translation recurse once per level of nesting in a macro. They
// stop with an ordinary error when the nesting exceeds a fixed depth
// (quorin_limits.h), or when the stack they have used reaches a fixed budget,
// or when the thread's stack is nearly used up (a small `ulimit -s`, a host
// thread made with a small stack) - whichever comes first, and always while
// room is still left.
#pragma once

#include <cstdint>

namespace Quorin {

class TStackRoom {
public:
    // Measures the stack of the calling thread from here down; the object must
    // be used on that thread.
    TStackRoom();

    // Whether the recursion has reached the budget or the stack's reserve.
    bool Low() const {
        const char probe = 0;
        return reinterpret_cast<std::uintptr_t>(&probe) < limit;
    }

private:
    std::uintptr_t limit;  // the lowest address a frame may reach before stopping
};

}  // namespace Quorin
