// The exception family of the interpreter.
//
// Every failure of a macro is an exception whose `message` is the complete text
// the user reads; throwers compose it (runtime errors start with the runtime
// prefix). `EQuorinNormalError` is what a host reports; everything else is an
// internal fault.
#pragma once

#include <cstddef>
#include <string>

class EQuorinError {
public:
    std::string message;

    explicit EQuorinError(std::string message) : message(std::move(message)) {}
    EQuorinError(const EQuorinError&) = default;
    EQuorinError& operator=(const EQuorinError&) = default;
    virtual ~EQuorinError() = default;
};

// Where in a macro an error arose: a range of bytes of the text the engine was
// given. `line` counts from 1 and is 0 when the place is unknown.
struct TErrorPlace {
    int line = 0;
    std::size_t offset = 0;  // the range's first byte
    std::size_t length = 0;  // 0 for a point, such as the end of the text
};

class EQuorinNormalError : public EQuorinError {
public:
    using EQuorinError::EQuorinError;
    // Not part of the message: a host may show it beside the message.
    TErrorPlace place;
};

namespace Quorin {

class TExValue;

class EQuorinFatalError : public EQuorinError {
public:
    using EQuorinError::EQuorinError;
};

class EQuorinSyntaxError : public EQuorinNormalError {
public:
    using EQuorinNormalError::EQuorinNormalError;
};

class EQuorinRuntimeError : public EQuorinNormalError {
public:
    using EQuorinNormalError::EQuorinNormalError;
};

// Assignment to a handle that holds no left value. `target` is the handle the
// assignment was aimed at (not owned); the engine uses it to name the argument.
class ESubstituteToRValue : public EQuorinRuntimeError {
public:
    const TExValue* target;

    ESubstituteToRValue(std::string message, const TExValue* target)
        : EQuorinRuntimeError(std::move(message)), target(target) {}
};

#define QUORIN_RUNTIME_ERROR(Name)                           \
    class Name : public EQuorinRuntimeError {                \
    public:                                                  \
        using EQuorinRuntimeError::EQuorinRuntimeError;      \
    }

QUORIN_RUNTIME_ERROR(EFunctionNotExist);
QUORIN_RUNTIME_ERROR(EWrongFunctionCall);
QUORIN_RUNTIME_ERROR(ELabelNotExist);
QUORIN_RUNTIME_ERROR(EUnexpectedContinue);
QUORIN_RUNTIME_ERROR(EArgumentsMismatch);
QUORIN_RUNTIME_ERROR(ELValueArgumentRequired);
QUORIN_RUNTIME_ERROR(EStopped);
QUORIN_RUNTIME_ERROR(EDivisionByZero);

#undef QUORIN_RUNTIME_ERROR

// Builds the message of a runtime error from its detail text.
std::string RuntimeMessage(const std::string& detail);

}  // namespace Quorin
