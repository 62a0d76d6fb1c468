// Telling whether an environment's operators are TQuorinEnvironment's own.
#include "environment/environment.h"
#include "environment/virtual_target.h"

bool TQuorinEnvironment::ComputesOwnOperators(const TQuorinBasicEnvironment* environment) {
    static const void* const own = [] {
        const TQuorinEnvironment plain;
        return Quorin::VirtualTarget(&plain, &TQuorinBasicEnvironment::CallOperator);
    }();
    return own && environment &&
           Quorin::VirtualTarget(environment, &TQuorinBasicEnvironment::CallOperator) == own;
}
