// A second way to run a macro, for tests: a plain walk of the analysed tree.
//
// The walk applies the language's rules literally, as a reference for tests:
// sentences pass control transfers on in a status record (normal, goto pending,
// break, continue, return), a pending goto finds its label through the label
// records of the sentence lists and ifs around it, and every operator, function,
// name and poll goes through the engine's public operations to the
// environment's virtual ones. It shares nothing with the engine's translation
// into instructions and takes no shortcut, so whatever the instructions compute
// must come out of the walk too: output, result, error message and the number
// of times the environment is asked whether to stop.
//
// It recurses along the tree. A macro that nests deeper than it follows is not
// run: EWalkTooDeep, which is no error of the language, says that nothing can
// be compared.
#pragma once

#include <stdexcept>
#include <string>

class TQuorinBasicEnvironment;

namespace QuorinTest {

class EWalkTooDeep : public std::runtime_error {
public:
    EWalkTooDeep() : std::runtime_error("the macro nests too deep for the tree walk") {}
};

// Runs `source` once in `environment`, as Quorin::RunMacro does: true when the
// macro ended, false when the environment stopped it; syntax and runtime errors
// leave as RunMacro's do (with the same messages).
bool WalkMacro(TQuorinBasicEnvironment* environment, const std::string& source, int userData);

}  // namespace QuorinTest
