// "cat=" onto a variable is computed in the syntax tree when the operators are the
// stock ones; it must leave exactly what the environment's compound assignment
// leaves (see support/reference_environment.h). The expected texts themselves are
// in tests/macros/operators/cat_assign.qrn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/capture_environment.h"
#include "support/cp932.h"
#include "support/host_values.h"
#include "support/reference_environment.h"

namespace {

using Quorin::TExValue;
using QuorinTest::ExpectSameOutcome;

// Adds "stub(n)", a host's value object that reads as the int n and as no text.
class THostValueEnvironment : public TCaptureEnvironment {
public:
    bool CallFunction(int userData, const std::string& name, std::vector<TExValue>& arguments,
                      TExValue& result) override {
        if (SameName(name, "stub")) {
            CheckArguments(arguments, 1);
            const Quorin::Testing::TStub stub(arguments[0].ToInt());
            result = TExValue(&stub);
            return true;
        }
        return TCaptureEnvironment::CallFunction(userData, name, arguments, result);
    }
};

TEST(CatAssign, AgreesWithTheEnvironmentOnEveryPairOfOperands) {
    // What the variable holds (nothing, after "print"), and what is appended: the
    // variable itself, a text it shares, an assignment to it, a host's value.
    const std::vector<std::string> contents = {"\"ab\"",   "\"\"",        "7",      "1.5",
                                               "\"日本\"", "print(\"\")", "stub(3)"};
    const std::vector<std::string> tails = {"\"c\"",       "\"\"",   "5",   "2.5",
                                            "\"語\"",      "x",      "(x)", "substr(x, 0)",
                                            "(x = \"z\")", "stub(4)"};
    // Each pairing as it comes, then on a text of the variable's own (grown in
    // place, its length read before and after) and on a text another one shares.
    std::string source;
    for (const std::string& content : contents) {
        for (const std::string& tail : tails) {
            const std::string set = "x = " + content + "; ";
            const std::string own = set + "x cat= \"\"; ";
            source += set + "println(x cat= " + tail + ");\n";
            source += own + "println(len(x)); x cat= " + tail + "; println(x cat len(x));\n";
            source += own + "y = x; x cat= " + tail + "; println(y cat \"/\" cat x);\n";
        }
    }
    // Names are known from the second pass on.
    const std::string outcome = ExpectSameOutcome<THostValueEnvironment>(
        Cp932("for (k = 0; k < 2; k++) {\n" + source + "}\nprintln(\"end\");"));
    EXPECT_EQ(outcome.find("error"), std::string::npos) << outcome;
}

TEST(CatAssign, TheResultIsTheVariableAndOtherTargetsAreRefused) {
    ExpectSameOutcome(
        "for (k = 0; k < 2; k++) { s = \"ab\"; (s cat= k) = 5; (s cat= 1) cat= 2; "
        "println(s); }");
    for (const char* refused : {"true cat= \"x\";", "s = 1; (s + 1) cat= \"x\";"}) {
        const std::string outcome = ExpectSameOutcome(refused);
        EXPECT_NE(outcome.find("error"), std::string::npos) << refused;
    }
}

}  // namespace
