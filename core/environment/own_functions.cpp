// Telling whether an environment's built-in functions are TQuorinEnvironment's own.
#include "environment/environment.h"
#include "environment/virtual_target.h"

// The environment is one when its CallFunction is the one its classes vouched for
// (this class's own unless a derived class said otherwise) and SameName is the one
// this class has: a class that overrides either without vouching is left alone.
TQuorinEnvironment* TQuorinEnvironment::ComputesOwnFunctions(TQuorinBasicEnvironment* environment) {
    auto* own = dynamic_cast<TQuorinEnvironment*>(environment);
    if (!own || !own->passingCallFunction || !own->ownSameName) return nullptr;
    if (Quorin::VirtualTarget(own, &TQuorinBasicEnvironment::CallFunction) !=
            own->passingCallFunction ||
        Quorin::VirtualTarget(own, &TQuorinBasicEnvironment::SameName) != own->ownSameName) {
        return nullptr;
    }
    return own;
}

void TQuorinEnvironment::ServesFunctionsItself(const std::vector<std::string>& names) {
    ownFunctionNames.insert(ownFunctionNames.end(), names.begin(), names.end());
    passingCallFunction = Quorin::VirtualTarget(this, &TQuorinBasicEnvironment::CallFunction);
}
