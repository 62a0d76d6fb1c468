// The built-in functions: character and byte string functions, "int" and "rand".
//
// The one definition of what each computes, which both TQuorinEnvironment's
// CallFunction and the engine's calls use.
#pragma once

#include <cstddef>
#include <string>

#include "values/values.h"

class TQuorinEnvironment;

namespace Quorin::Builtins {

enum TFunction { fLen, fSubstr, fLeft, fRight, fLenB, fSubstrB, fLeftB, fRightB, fInt, fRand };
constexpr int functionCount = fRand + 1;

// The names, in lookup order (indexed by TFunction).
const std::string& Name(int function);

// Computes `function` on `count` arguments and stores its value in `result`.
// Raises EArgumentsMismatch (naming no function) for a count the function does
// not take; an optional argument that is missing reads as an empty value.
// `result` may not be one of the arguments. "rand" draws from `environment`.
void Call(TQuorinEnvironment& environment, int function, const TExValue* const* arguments,
          std::size_t count, TExValue& result);

}  // namespace Quorin::Builtins
