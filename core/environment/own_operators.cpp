// Telling whether an environment's operators are TQuorinEnvironment's own.
#include <cstdint>
#include <cstring>

#include "environment/environment.h"

namespace {

using TCallOperator = void (TQuorinBasicEnvironment::*)(int, const std::string&, int,
                                                         std::vector<Quorin::TExValue>&,
                                                         Quorin::TExValue&);

// The function that a call of CallOperator on `environment` reaches, read from the
// object's virtual table. In the Itanium C++ ABI, which g++ and clang follow on
// the platforms we build for, a pointer to a virtual member holds one plus the
// byte offset of its slot in the table. Null where that layout cannot be relied on.
const void* CallOperatorTarget(const TQuorinBasicEnvironment* environment) {
#if defined(__GXX_ABI_VERSION) && (defined(__x86_64__) || defined(__i386__))
    const TCallOperator member = &TQuorinBasicEnvironment::CallOperator;
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
    return nullptr;
#endif
}

}  // namespace

bool TQuorinEnvironment::ComputesOwnOperators(const TQuorinBasicEnvironment* environment) {
    static const void* const own = [] {
        const TQuorinEnvironment plain;
        return CallOperatorTarget(&plain);
    }();
    return own && environment && CallOperatorTarget(environment) == own;
}
