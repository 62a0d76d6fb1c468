// Checking the syntax tree's quick paths against the environment.
//
// TCaptureEnvironment computes the stock operators and built-in functions, so the
// tree takes its quick paths there. TReferenceEnvironment overrides CallOperator
// and CallFunction, only to pass them on, which turns those paths off: every
// operator and function goes through the environment. A macro must come out the
// same in both.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/quorin.h"
#include "errors/errors.h"
#include "support/capture_environment.h"

namespace QuorinTest {

// `TBase` with CallFunction and CallOperator overridden, only to pass them on.
template <typename TBase>
class TPassingOn : public TBase {
public:
    bool CallFunction(int userData, const std::string& name,
                      std::vector<Quorin::TExValue>& arguments, Quorin::TExValue& result) override {
        return TBase::CallFunction(userData, name, arguments, result);
    }
    void CallOperator(int userData, const std::string& name, int form,
                      std::vector<Quorin::TExValue>& operands, Quorin::TExValue& result) override {
        TBase::CallOperator(userData, name, form, operands, result);
    }
};

using TReferenceEnvironment = TPassingOn<TCaptureEnvironment>;

// Runs `source` in an environment of the given class, with "rand" seeded alike;
// the output, then the error message if any.
template <typename TEnvironment>
std::string Outcome(const std::string& source) {
    TEnvironment environment;
    environment.randomState = 12345;
    try {
        Quorin::RunMacro(&environment, source, 0);
    } catch (const EQuorinError& error) {
        environment.output += "error: " + error.message;
    }
    return environment.output;
}

// The outcome in `TQuick`, which must be the outcome in TPassingOn<TQuick>.
template <typename TQuick = TCaptureEnvironment>
std::string ExpectSameOutcome(const std::string& source) {
    const std::string quick = Outcome<TQuick>(source);
    const std::string stock = Outcome<TPassingOn<TQuick>>(source);
    EXPECT_EQ(quick, stock) << source;
    return quick;
}

// Runs a macro that must not fail, in both environments; it ends by printing "end".
inline void ExpectSameOutput(const std::string& source) {
    const std::string output = ExpectSameOutcome(source);
    EXPECT_EQ(output.find("error"), std::string::npos) << output;
    EXPECT_NE(output.find("\nend\n"), std::string::npos) << output;
}

}  // namespace QuorinTest
