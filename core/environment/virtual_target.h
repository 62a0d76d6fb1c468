// Reading which function a virtual call on an environment reaches.
#pragma once

#include <cstdint>
#include <cstring>

#include "environment/environment.h"

namespace Quorin {

// The function that a call of the virtual member `member` on `environment`
// reaches, read from the object's virtual table. In the Itanium C++ ABI, which g++
// and clang follow on the platforms we build for, a pointer to a virtual member
// holds one plus the byte offset of its slot in the table. Null where that layout
// cannot be relied on, which turns off whatever the caller would build on it.
template <typename TMember>
const void* VirtualTarget(const TQuorinBasicEnvironment* environment, TMember member) {
#if defined(__GXX_ABI_VERSION) && (defined(__x86_64__) || defined(__i386__))
    struct TRepresentation {
        std::uintptr_t pointer;
        std::ptrdiff_t adjustment;
    } representation;
    static_assert(sizeof member == sizeof representation);
    std::memcpy(&representation, &member, sizeof representation);
    if ((representation.pointer & 1) == 0 || representation.adjustment != 0) return nullptr;
    const char* table;
    std::memcpy(&table, environment, sizeof table);
    const void* target;
    std::memcpy(&target, table + (representation.pointer - 1), sizeof target);
    return target;
#else
    (void)environment;
    (void)member;
    return nullptr;
#endif
}

}  // namespace Quorin
