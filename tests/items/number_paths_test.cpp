// The tree's quick number paths must give exactly what the environment's
// operators give (see support/reference_environment.h).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/quorin.h"
#include "errors/errors.h"
#include "support/capture_environment.h"
#include "support/reference_environment.h"

namespace {

using QuorinTest::ExpectSameOutcome;
using QuorinTest::ExpectSameOutput;

// Names find their variables when first evaluated, so only a sentence that runs
// again takes the quick paths: every case runs twice.
std::string Twice(const std::string& sentences) {
    return "for (k = 0; k < 2; k++) {\n" + sentences + "}\n";
}

const std::string kHuge = "1" + std::string(300, '0') + ".0";

struct TOperand {
    std::string setup;    // an expression giving the value
    std::string literal;  // the value written as a constant, or empty
    bool divisor;         // usable on the right of /, div and %
};

const std::vector<TOperand>& Operands() {
    static const std::vector<TOperand> operands = {
        {"0", "0", false},
        {"1", "1", true},
        {"0 - 1", "", true},
        {"7", "7", true},
        {"0 - 7", "", true},
        {"2147483647", "2147483647", true},
        {"0 - 2147483647 - 1", "", true},
        {"33", "33", true},
        {"0.5", "0.5", false},  // an integer reading of 0
        {"2.5", "2.5", true},
        {"0 - 3.75", "", true},
        {"10000000000.0", "10000000000.0", true},
        {kHuge + " * " + kHuge, "", true},                                   // infinity
        {kHuge + " * " + kHuge + " - " + kHuge + " * " + kHuge, "", false},  // not a number
        {"0.0", "0.0", false},
        {"\"12\"", "\"12\"", true},
        {"iRandMax", "iRandMax", true},
    };
    return operands;
}

TEST(NumberPaths, EveryNumericOperatorAgreesWithTheEnvironmentInEveryOperandShape) {
    TCaptureEnvironment quick;
    QuorinTest::TReferenceEnvironment stock;
    ASSERT_TRUE(TQuorinEnvironment::ComputesOwnOperators(&quick));
    ASSERT_FALSE(TQuorinEnvironment::ComputesOwnOperators(&stock));
    const char* binary[] = {"==", "!=", "&&",  "||", "<", ">=", ">",  "<=", "+", "-",
                            "*",  "/",  "div", "%",  "&", "|",  "<<", ">>", "^"};
    for (const char* op : binary) {
        const std::string name = op;
        const bool dividing = name == "/" || name == "div" || name == "%";
        std::string all;
        for (const TOperand& x : Operands()) {
            for (const TOperand& y : Operands()) {
                if (dividing && !y.divisor) continue;
                std::string source;
                source += "a = " + x.setup + "; b = " + y.setup + ";\n";
                source += "println(a " + name + " b);\n";
                source += "println((a) " + name + " (b));\n";
                source += "c = a " + name + " b; println(c);\n";
                source += "if (a " + name + " b) println(\"t\"); else println(\"f\");\n";
                source += "println((a " + name + " b) + 1);\n";
                source += "println(-(a " + name + " b));\n";
                if (!y.literal.empty()) source += "println(a " + name + " " + y.literal + ");\n";
                if (!x.literal.empty()) source += "println(" + x.literal + " " + name + " b);\n";
                all += Twice(source);
            }
        }
        ExpectSameOutput(all + "println(\"end\");");
    }
}

TEST(NumberPaths, PrefixOperatorsAndStepsAgreeWithTheEnvironment) {
    std::string all;
    for (const TOperand& x : Operands()) {
        std::string source;
        source += "a = " + x.setup + ";\n";
        source += "println(-a); println(+a); println(!a); println(~a); println(-(a));\n";
        source += "println(!!a); println(-a * 2); if (!a) println(\"t\");\n";
        source += "b = a; println(b++); println(b); println(++b); println(b--); println(--b);\n";
        if (!x.literal.empty()) source += "println(-" + x.literal + ");\n";
        all += Twice(source);
    }
    ExpectSameOutput(all + "println(\"end\");");
}

TEST(NumberPaths, ErrorsAndEffectsHappenOnceAndInOrder) {
    // Each loop's first pass lets the names find their variables; the later
    // passes take the quick paths, with the values changed under them.
    // Division by zero inside a quick path, with output before it.
    ExpectSameOutcome(
        "x = 6; y = 2; for (k = 0; k < 3; k++) { println(k); z = (x div y) + x; println(z); y = 0; "
        "}");
    ExpectSameOutcome("x = 1; y = 2.0; for (k = 0; k < 2; k++) { println(x / y); y = 0.0; }");
    ExpectSameOutcome(
        "x = 1; y = 2; for (k = 0; k < 2; k++) { if ((x % y) == 1) println(k); y = 0; }");
    // A quick path that gives up halfway (a string, an empty variable, a call)
    // must leave nothing done twice.
    ExpectSameOutput(
        "x = 2; s = 1; for (k = 0; k < 3; k++) { println((x * 3) + s); println(x * 3 cat s); s = "
        "\"ab\"; } println(\"end\");");
    ExpectSameOutput(
        "i = 0; x = 5; for (k = 0; k < 3; k++) { y = (x + 1) + i++; println(y); x = \"4\"; } "
        "println(i); println(\"end\");");
    ExpectSameOutput(
        "x = 5; for (k = 0; k < 2; k++) { y = x + len(\"abc\") * 2; println(y); } "
        "println(\"end\");");
    // A variable switching between numbers and strings keeps reading right.
    ExpectSameOutput(
        "v = 1; for (i = 0; i < 6; i++) { println(v + 1); println(-v); if (i % 2) v = \"7\"; else "
        "v = i * 1.5; } println(\"end\");");
    // Assignments of numbers over strings and back.
    ExpectSameOutput(
        "for (k = 0; k < 3; k++) { s = \"text\"; println(s); s = 3 * 4 + k; println(s); t = s + "
        "0.5; println(t); } println(\"end\");");
    // Constants read as numbers; a macro that assigns to one fails.
    ExpectSameOutput(
        "for (k = 0; k < 2; k++) { println(true + iRandMax); println(-false); } "
        "println(\"end\");");
    ExpectSameOutcome("for (k = 0; k < 2; k++) true = 2;");
}

TEST(NumberPaths, TextComparisonsAgreeWithTheEnvironment) {
    ExpectSameOutput(
        "t = \"ab\"; for (k = 0; k < 2; k++) { println(t equ \"ab\"); println(t !equ \"ab\"); "
        "println(substr(t, k, 1) equ \"b\"); println(t equ \"\"); println(\"\" !equ \"\"); "
        "println(12 equ \"12\"); println(1.5 !equ \"1.5\"); println(t equ u); } "
        "println(\"end\");");
}

TEST(NumberPaths, NamesResolveAfreshInEveryRun) {
    // The same engine run twice: what a name found in the first run (a variable
    // holding a number or a text, read as an operand or an argument) must not
    // leak into the second, whose variables are new.
    TCaptureEnvironment environment;
    Quorin::TQuorin engine(&environment,
                           "println(x + 1); println(s cat len(s)); x = 41; s = \"ab\"; "
                           "println(x + 1); println(s cat len(s));",
                           0);
    engine.Run();
    engine.Run();
    EXPECT_EQ(environment.output, "1\n01\n42\nab2\n1\n01\n42\nab2\n");
}

}  // namespace
