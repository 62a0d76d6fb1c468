// "cat=" onto a variable is computed in the syntax tree when the operators are the
// stock ones; it must leave exactly what the environment's compound assignment
// leaves (see support/reference_environment.h).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/errors.h"
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

// Runs `sentences` twice in a loop, so that names are known the second time.
std::string Twice(const std::string& sentences) {
    return ExpectSameOutcome<THostValueEnvironment>(
        Cp932("for (k = 0; k < 2; k++) { " + sentences + " }"));
}

TEST(CatAssign, JoinsTheTextsOfEveryKindOfContent) {
    EXPECT_EQ(Twice("s = \"ab\"; s cat= \"c\"; s cat= 5; s cat= 2.5; s cat= \"\"; println(s);"),
              "abc52.5\nabc52.5\n");
    EXPECT_EQ(Twice("i = 7; i cat= \"x\"; d = 1.5; d cat= 2; println(i cat \" \" cat d);"),
              "7x 1.52\n7x 1.52\n");
    // A new variable holds 0; one that took the empty result of "print" holds nothing.
    EXPECT_EQ(Twice("println(f cat= k); e = print(\"\"); e cat= k; println(e);"),
              "00\n0\n001\n1\n");
    EXPECT_EQ(Twice("s = \"ab\"; println(len(s)); s cat= \"日本\"; println(len(s) cat lenb(s));"),
              "2\n46\n2\n46\n");
}

TEST(CatAssign, TheVariableItselfOnTheRight) {
    EXPECT_EQ(Twice("s = \"ab\"; s cat= s; println(s); n = 12; n cat= n; println(n + 1);"),
              "abab\n1213\nabab\n1213\n");
    EXPECT_EQ(Twice("s = \"ab\"; s cat= (s = \"x\"); println(s);"), "xx\nxx\n");
    EXPECT_EQ(Twice("s = \"ab\"; s cat= substr(s, 0); s cat= (s); println(s);"),
              "abababab\nabababab\n");
}

TEST(CatAssign, SharedTextsStayAsTheyWere) {
    EXPECT_EQ(Twice("s = \"ab\"; t = s; s cat= \"!\"; println(t cat s);"), "abab!\nabab!\n");
    EXPECT_EQ(Twice("u = substr(\"xyz\", 1, 1); v = substr(\"ayb\", 1, 1); u cat= \"!\"; "
                    "println(u cat v);"),
              "y!y\ny!y\n");
}

TEST(CatAssign, TheResultRefersToTheVariable) {
    EXPECT_EQ(Twice("s = \"ab\"; t = (s cat= \"c\") cat \"d\"; println(t cat s);"),
              "abcdabc\nabcdabc\n");
    EXPECT_EQ(Twice("s = \"ab\"; (s cat= \"c\") = 5; println(s); (s cat= 1) cat= 2; println(s);"),
              "5\n512\n5\n512\n");
}

TEST(CatAssign, HostValuesAndNonVariablesTakeTheEnvironmentsPath) {
    EXPECT_EQ(Twice("s = \"ab\"; s cat= stub(3); h = stub(4); h cat= \"x\"; println(s cat h);"),
              "abx\nabx\n");
    const std::string refused = ExpectSameOutcome<THostValueEnvironment>("true cat= \"x\";");
    EXPECT_NE(refused.find("error"), std::string::npos);
    ExpectSameOutcome<THostValueEnvironment>("s = 1; (s + 1) cat= \"x\";");
}

}  // namespace
