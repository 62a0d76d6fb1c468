// What an environment class declares decides what the engine computes itself:
// a class that overrides an operation without declaring anything is asked
// through that operation, whatever it computes; one that declares is not asked.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/quorin.h"
#include "errors/errors.h"
#include "support/capture_environment.h"

namespace {

using Quorin::TExValue;

// Counts what the engine asks of it, and passes everything on. With `declares`
// the class says it keeps every stock behaviour (which it does, counting aside).
template <bool declares>
class TCountingEnvironment : public TCaptureEnvironment {
public:
    int operatorCalls = 0, functionCalls = 0, nameComparisons = 0;

    TCountingEnvironment() {
        if (declares) {
            KeepsStockNameRule();
            KeepsStockOperators();
            ServesFunctionsItself({"print", "println", "getln"});
        }
    }
    void CallOperator(int userData, const std::string& name, int form,
                      std::vector<TExValue>& operands, TExValue& result) override {
        ++operatorCalls;
        TCaptureEnvironment::CallOperator(userData, name, form, operands, result);
    }
    bool CallFunction(int userData, const std::string& name, std::vector<TExValue>& arguments,
                      TExValue& result) override {
        ++functionCalls;
        return TCaptureEnvironment::CallFunction(userData, name, arguments, result);
    }
    bool SameName(const std::string& a, const std::string& b) override {
        ++nameComparisons;
        return TCaptureEnvironment::SameName(a, b);
    }
};

const char* const macro =
    "s = \"\"; for (i = 0; i < 10; i++) { s cat= substr(\"abc\", i % 3, 1); x = -i * 2; }"
    "println(s cat \" \" cat x cat \" \" cat len(s));";

TEST(Declarations, AClassThatDeclaresNothingIsAskedThroughItsOverrides) {
    TCountingEnvironment<false> environment;
    Quorin::RunMacro(&environment, macro, 0);
    EXPECT_EQ(environment.output, "abcabcabca -18 10\n");
    // Every operator application and every call, each new name offered as a
    // function first (s, i, x), and names compared by its rule.
    EXPECT_GE(environment.operatorCalls, 10 * 7);
    EXPECT_EQ(environment.functionCalls, 10 + 2 + 3);
    EXPECT_GT(environment.nameComparisons, 0);
}

TEST(Declarations, AClassThatDeclaresIsNotAskedWhatItDeclared) {
    TCountingEnvironment<true> environment;
    Quorin::RunMacro(&environment, macro, 0);
    EXPECT_EQ(environment.output, "abcabcabca -18 10\n");
    EXPECT_EQ(environment.operatorCalls, 0);
    EXPECT_EQ(environment.functionCalls, 1);  // println, which it serves itself
}

// A declaration speaks for the class that makes it: a class derived from one
// that declared, which overrides again, is asked again.
class TRedefiningOperators : public TCountingEnvironment<true> {
public:
    void CallOperator(int userData, const std::string& name, int form,
                      std::vector<TExValue>& operands, TExValue& result) override {
        if (form == ofBinary && name == "*") {
            result = TExValue(operands[0].ToInt() + operands[1].ToInt());
            return;
        }
        TCountingEnvironment<true>::CallOperator(userData, name, form, operands, result);
    }
};

TEST(Declarations, ADerivedClassThatOverridesAgainIsAskedAgain) {
    TRedefiningOperators environment;
    EXPECT_FALSE(environment.HasStockOperators());
    EXPECT_FALSE(environment.HasStockNameRule());
    Quorin::RunMacro(&environment, "x = 6 * 7; println(x); y = 5; y *= 2; println(y);", 0);
    EXPECT_EQ(environment.output, "13\n7\n");
}

// Under its own name rule an environment decides which spellings are one name,
// for variables, constants, functions and labels alike, without a second
// operation kept in step with SameName.
class TUnderscoreBlindEnvironment : public TCaptureEnvironment {
public:
    bool SameName(const std::string& a, const std::string& b) override {
        return Strip(a) == Strip(b);
    }

private:
    static std::string Strip(const std::string& name) {
        std::string kept;
        for (char c : name) {
            if (c != '_') kept += c;
        }
        return kept;
    }
};

TEST(Declarations, AnEnvironmentsOwnNameRuleGroupsNames) {
    TUnderscoreBlindEnvironment environment;
    Quorin::RunMacro(&environment,
                     "a_b = 1; ab++; _a_b_ += 10; println(a_b); println(l_e_n(\"xyz\"));"
                     "println(t_rue); goto E_N_D; println(0); END: println(\"end\");",
                     0);
    EXPECT_EQ(environment.output, "12\n3\n1\nend\n");
}

// The same engine under either stock rule, switched between runs: every name,
// label and function is found by the rule of the run.
TEST(Declarations, EveryRunResolvesNamesByItsOwnRule) {
    TCaptureEnvironment environment;
    Quorin::TQuorin engine(&environment,
                           "x = 1; X = 2; println(x cat X); println(TRUE + True);"
                           "goto l; println(\"skipped\"); L: println(\"L\"); l: println(\"l\");"
                           "println(Left(\"ab\", 1));",
                           0);
    EXPECT_TRUE(engine.Run());
    EXPECT_EQ(environment.output, "22\n2\nL\nl\na\n");
    environment.output.clear();
    environment.caseSensitive = true;
    // TRUE and True are no constants now: new variables holding 0.
    EXPECT_THROW(engine.Run(), Quorin::EFunctionNotExist);
    EXPECT_EQ(environment.output, "12\n0\nl\n");
    environment.output.clear();
    environment.caseSensitive = false;
    EXPECT_TRUE(engine.Run());
    EXPECT_EQ(environment.output, "22\n2\nL\nl\na\n");
}

}  // namespace
