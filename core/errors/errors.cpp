#include "errors/errors.h"

#include "errors/messages.h"

namespace Quorin {

std::string RuntimeMessage(const std::string& detail) {
    return Messages::runtimeErrorPrefix + detail;
}

}  // namespace Quorin
