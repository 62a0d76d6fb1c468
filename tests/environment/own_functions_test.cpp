// Calls of built-in functions skip CallFunction only where the environment's
// class has declared that this changes nothing: an environment that overrides
// CallFunction or SameName without declaring it sees every call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/quorin.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "support/capture_environment.h"
#include "support/cp932.h"
#include "support/reference_environment.h"

namespace {

using Quorin::TExValue;
using QuorinTest::ExpectSameOutcome;
using QuorinTest::Outcome;

// "len" counts differently here, and the class does not vouch for that.
class TRedefiningEnvironment : public TCaptureEnvironment {
public:
    bool CallFunction(int userData, const std::string& name, std::vector<TExValue>& arguments,
                      TExValue& result) override {
        if (SameName(name, "len")) {
            CheckArguments(arguments, 1);
            result = TExValue(99);
            return true;
        }
        return TCaptureEnvironment::CallFunction(userData, name, arguments, result);
    }
};

// Serves "substr" itself and says so.
class TServingEnvironment : public TCaptureEnvironment {
public:
    TServingEnvironment() {
        KeepsStockNameRule();
        ServesFunctionsItself({"substr"});
    }
    bool CallFunction(int userData, const std::string& name, std::vector<TExValue>& arguments,
                      TExValue& result) override {
        if (SameName(name, "substr")) {
            CheckArguments(arguments, 3, 1);
            result = TExValue("own");
            return true;
        }
        return TCaptureEnvironment::CallFunction(userData, name, arguments, result);
    }
};

// Overrides a vouched-for CallFunction again, without vouching itself.
class TOverridingAgainEnvironment : public TServingEnvironment {
public:
    bool CallFunction(int userData, const std::string& name, std::vector<TExValue>& arguments,
                      TExValue& result) override {
        if (SameName(name, "left")) {
            CheckArguments(arguments, 2);
            result = TExValue("again");
            return true;
        }
        return TServingEnvironment::CallFunction(userData, name, arguments, result);
    }
};

// Serves "left" itself, hands the rest to a class that vouched too, and says so.
class TVouchingAgainEnvironment : public TServingEnvironment {
public:
    TVouchingAgainEnvironment() {
        KeepsStockNameRule();
        ServesFunctionsItself({"left"});
    }
    bool CallFunction(int userData, const std::string& name, std::vector<TExValue>& arguments,
                      TExValue& result) override {
        if (SameName(name, "left")) {
            CheckArguments(arguments, 2);
            result = TExValue("vouched");
            return true;
        }
        return TServingEnvironment::CallFunction(userData, name, arguments, result);
    }
};

// Names compare byte for byte by a rule of its own, caseSensitive left false.
class TStrictNamesEnvironment : public TCaptureEnvironment {
public:
    bool SameName(const std::string& a, const std::string& b) override { return a == b; }
};

// Changes nothing, and declares nothing either.
class TUnchangedEnvironment : public TCaptureEnvironment {};

// Whether the engine computes the built-in functions of `environment` itself.
bool ComputesOwnFunctions(TQuorinBasicEnvironment& environment) {
    auto* own = dynamic_cast<TQuorinEnvironment*>(&environment);
    return own && own->HasStockNameRule() && own->HasStockFunctions();
}

TEST(OwnFunctions, SkipsOnlyAStockOrDeclaredCallFunctionWithTheStockNameRule) {
    TQuorinEnvironment stock;
    TCaptureEnvironment capture;
    TServingEnvironment serving;
    TVouchingAgainEnvironment vouchingAgain;
    EXPECT_TRUE(ComputesOwnFunctions(vouchingAgain));
    EXPECT_TRUE(ComputesOwnFunctions(stock));
    EXPECT_TRUE(ComputesOwnFunctions(capture));
    EXPECT_TRUE(ComputesOwnFunctions(serving));

    TQuorinBasicEnvironment basic;
    TRedefiningEnvironment redefining;
    TOverridingAgainEnvironment again;
    TStrictNamesEnvironment strict;
    TUnchangedEnvironment unchanged;  // correct by default: it did not say it changes nothing
    QuorinTest::TReferenceEnvironment reference;
    EXPECT_FALSE(ComputesOwnFunctions(basic));
    EXPECT_FALSE(ComputesOwnFunctions(redefining));
    EXPECT_FALSE(ComputesOwnFunctions(again));
    EXPECT_FALSE(ComputesOwnFunctions(strict));
    EXPECT_FALSE(ComputesOwnFunctions(unchanged));
    EXPECT_FALSE(ComputesOwnFunctions(reference));
}

TEST(OwnFunctions, OverridingEnvironmentsSeeEveryCallOfTheirFunctions) {
    // Twice, so that each call is also made after its name has been resolved.
    const std::string macro =
        "for (k = 0; k < 2; k++) { println(len(\"abc\")); println(substr(\"abc\", 1)); "
        "println(left(\"abc\", 1)); }";
    EXPECT_EQ(Outcome<TCaptureEnvironment>(macro), "3\nbc\na\n3\nbc\na\n");
    EXPECT_EQ(Outcome<TRedefiningEnvironment>(macro), "99\nbc\na\n99\nbc\na\n");
    EXPECT_EQ(Outcome<TServingEnvironment>(macro), "3\nown\na\n3\nown\na\n");
    EXPECT_EQ(Outcome<TOverridingAgainEnvironment>(macro), "3\nown\nagain\n3\nown\nagain\n");
    EXPECT_EQ(Outcome<TVouchingAgainEnvironment>(macro), "3\nown\nvouched\n3\nown\nvouched\n");

    const std::string cases = "println(len(\"ab\")); println(LEN(\"ab\"));";
    EXPECT_EQ(Outcome<TCaptureEnvironment>(cases), "2\n2\n");
    EXPECT_EQ(Outcome<TStrictNamesEnvironment>(cases),
              "2\nerror: " + Quorin::RuntimeMessage(Quorin::Messages::FunctionNotExist("LEN")));
}

TEST(OwnFunctions, NamesAreResolvedAfreshInEveryRun) {
    TCaptureEnvironment environment;
    Quorin::TQuorin engine(&environment, "println(Len(\"ab\")); println(substr(\"ab\", 1));", 0);
    EXPECT_TRUE(engine.Run());
    // Names that compare byte for byte: "Len" is no function in this run.
    environment.caseSensitive = true;
    EXPECT_THROW(engine.Run(), Quorin::EFunctionNotExist);
    environment.caseSensitive = false;
    EXPECT_TRUE(engine.Run());
    EXPECT_EQ(environment.output, "2\nb\n2\nb\n");
}

TEST(OwnFunctions, BuiltinsGiveWhatCallFunctionGives) {
    const std::vector<std::string> calls = {
        // character and byte functions, on single-byte and double-byte text
        "len(\"abc\")", "len(\"\")", "len(12.5)", "len(s)", "len(n)", "len(\"日本語x\")",
        "lenb(\"日本語x\")", "substr(s, 1, 2)", "substr(s, 3)", "substr(s, 9, 1)",
        "substr(s, 0 - 1, 2)", "substr(s, 2, 0 - 1)", "substr(n, 1, 1)", "substr(\"日本語\", 1, 1)",
        "substr(\"日本語\", 1)", "substrb(\"日本語\", 1, 1)", "substrb(\"日本\", 0, 1)",
        "left(s, 2)", "right(s, 2)", "left(\"日本語\", 2)", "right(\"日本語\", 1)", "leftb(s, 9)",
        "rightb(s, 0)",
        // int and rand, with and without brackets
        "int(\"7.9\")", "int(0 - 2.5)", "rand()", "rand",
        // names in other letter cases, and wrong argument counts named as written
        "LEN(s)", "SubStr(s, 0, 1)", "len()", "substr(\"a\")", "LEFT(s, 1, 2)", "rand(1)", "int()",
        "lenb(s, s)", "len(len)"};
    for (const std::string& call : calls) {
        ExpectSameOutcome(Cp932("s = \"abcde\"; n = 31415; for (k = 0; k < 2; k++) { x = " + call +
                                "; println(x); println(x cat \"|\"); }"));
    }
}

}  // namespace
