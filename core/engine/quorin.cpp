#include "engine/quorin.h"

#include "errors/errors.h"
#include "errors/messages.h"

namespace Quorin {

// Placeholder until the engine lands: every macro is a syntax error.
bool RunMacro(TQuorinBasicEnvironment*, const std::string&, int) {
    throw EQuorinSyntaxError(Messages::syntaxError);
}

}  // namespace Quorin
