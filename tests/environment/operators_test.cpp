#include <gtest/gtest.h>

#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "environment/environment.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "value_notation.h"

namespace {

using Quorin::TExValue;
using Quorin::TVariable;
using QuorinTest::Describe;
using QuorinTest::MakeValue;

// The table row's own name, as the engine passes it.
const std::string& Row(const TQuorinEnvironment& env, const std::string& name, int form) {
    for (const TOperatorInfo& row : env.operators) {
        if (row.name == name && (row.form == ofBinaryRight ? ofBinary : row.form) == form)
            return row.name;
    }
    throw std::logic_error("no row " + name);
}

TVariable* Holding(TVariable& variable, const std::string& notation) {
    TExValue(&variable).Substitute(MakeValue(notation));
    return &variable;
}

// Runs a request on fresh operands (notation, or "v:" plus notation for a variable
// holding it), through the table row and by name, and insists both agree. Returns
// the result and the variable's content afterwards, or the error.
std::string Request(TQuorinEnvironment& env, const std::string& name, int form,
                    const std::vector<std::string>& operands) {
    std::string outcomes[2];
    for (int byName = 0; byName < 2; ++byName) {
        TVariable variable(0);
        std::vector<TExValue> values;
        for (const std::string& o : operands) {
            values.push_back(o.rfind("v:", 0) == 0 ? TExValue(Holding(variable, o.substr(2)))
                                                   : MakeValue(o));
        }
        TExValue result;
        const std::string copy = name;
        try {
            env.CallOperator(0, byName ? copy : Row(env, name, form), form, values, result);
            outcomes[byName] = Describe(result);
        } catch (const Quorin::EDivisionByZero&) {
            outcomes[byName] = "div0";
        }
        if (operands[0].rfind("v:", 0) == 0) outcomes[byName] += " " + Describe(values[0]);
    }
    EXPECT_EQ(outcomes[0], outcomes[1]) << name;
    return outcomes[0];
}

// Each case reads "operator operand... => expected"; see Request for the notation.
void Check(TQuorinEnvironment& env, int form, std::initializer_list<const char*> cases) {
    for (const char* c : cases) {
        std::string expected;
        const std::vector<std::string> words = QuorinTest::SplitCase(c, expected);
        const std::vector<std::string> operands(words.begin() + 1, words.end());
        EXPECT_EQ(Request(env, words[0], form, operands), expected) << c;
    }
}

TEST(OperatorTest, BinaryOperators) {
    TQuorinEnvironment env;
    Check(
        env, ofBinary,
        {// Numeric pair rule: ints only when both operands read exactly as ints.
         "+ s:5 i:3 => i:8", "+ s:abc i:3 => d:3", "+ i:1 d:2.0 => d:3", "+ s:007 i:1 => d:8",
         "+ e i:1 => d:1", "+ i:2147483647 i:1 => i:-2147483648", "- d:0.5 i:1 => d:-0.5",
         "- i:-2147483648 i:1 => i:2147483647", "* i:65536 i:65536 => i:0", "* s:1.5 i:2 => d:3",
         // Division: "/" is floating, div and % truncate, zero divisors are refused.
         "/ i:7 i:2 => d:3.5", "/ i:6 i:3 => d:2", "/ i:1 d:0.0 => div0", "/ i:1 s:abc => div0",
         "div i:-7 i:2 => i:-3", "div d:7.9 i:2 => i:3", "div i:1 d:0.5 => div0",
         "div i:-2147483648 i:-1 => i:-2147483648", "% i:-7 i:3 => i:-1", "% i:7 i:-3 => i:1",
         "% i:-2147483648 i:-1 => i:0",
         // Integer rule.
         "& d:12.9 s:10 => i:8", "| i:12 i:10 => i:14", "^ i:12 i:10 => i:6", "<< i:1 i:33 => i:2",
         "<< i:1 i:-1 => i:-2147483648", ">> i:-8 i:1 => i:-4", ">> i:-1 i:31 => i:-1",
         // Numbers under the pair rule, bytes under equ and cmp, NaN as IEEE says.
         "== s:abc s:xyz => i:1", "== s:1 s:1.0 => i:1", "equ s:1 s:1.0 => i:0",
         "equ i:1 s:1 => i:1", "!equ s:ab s:ab => i:0", "!= i:1 i:2 => i:1", "< s:10 s:9 => i:0",
         "<= i:2 i:2 => i:1", "> d:2.5 i:2 => i:1", ">= i:1 d:1.5 => i:0", "== d:nan d:nan => i:0",
         "!= d:nan d:nan => i:1", ">= d:nan i:1 => i:0", "cmp s:10 s:9 => i:-8",
         "cmp s:abc s:abd => i:-1", "cmp s:a s:ab => i:-1", "cmp s:b s:a => i:1", "cmp s: e => i:0",
         "cmp s:\xff s:a => i:158",
         // Truth rule, string rule, comma.
         "&& s:0.0 i:1 => i:0", "|| s:x i:0 => i:0", "&& d:nan i:1 => i:0", "&& d:0.5 s:-1 => i:1",
         "cat d:2.5 i:1 => s:2.51", "cat e s:x => s:x", ", i:1 s:x => s:x"});
}

TEST(OperatorTest, UnaryOperatorsAndIncrements) {
    TQuorinEnvironment env;
    Check(env, ofPrefix,
          {"- i:-2147483648 => i:-2147483648", "- s:abc => d:-0", "- s:2.5 => d:-2.5",
           "+ s:5 => i:5", "+ s:abc => d:0", "! s:abc => i:1", "! d:nan => i:1", "~ i:0 => i:-1",
           "~ d:1.9 => i:-2", "++ v:i:1 => i:2 i:2", "++ v:s:5 => i:6 i:6", "++ v:s:abc => d:1 d:1",
           "-- v:s:abc => d:-1 d:-1", "++ v:i:2147483647 => i:-2147483648 i:-2147483648"});
    Check(env, ofPostfix,
          {"++ v:d:1.5 => d:1.5 d:2.5", "++ v:s:2.5 => d:2.5 d:3.5", "-- v:i:1 => i:1 i:0"});
}

TEST(OperatorTest, CompoundAssignments) {
    TQuorinEnvironment env;
    Check(
        env, ofBinary,
        {"+= v:s:4 i:1 => i:5 i:5", "cat= v:i:5 s:z => s:5z s:5z", "-= v:i:5 d:0.5 => d:4.5 d:4.5",
         "*= v:i:6 i:7 => i:42 i:42", "/= v:i:7 i:2 => d:3.5 d:3.5", "<<= v:i:1 i:4 => i:16 i:16",
         "div= v:i:7 i:0 => div0 i:7", "%= v:i:7 s:0 => div0 i:7", "/= v:i:7 d:0.0 => div0 i:7"});
}

TEST(OperatorTest, AssignmentsWriteThroughVariablesOnly) {
    TQuorinEnvironment env;
    TVariable a(0), b(0);
    std::vector<TExValue> inner{TExValue(&b), TExValue(3)};
    TExValue innerResult, result;
    env.CallOperator(0, Row(env, "=", ofBinary), ofBinary, inner, innerResult);
    std::vector<TExValue> outer{TExValue(&a), innerResult};
    env.CallOperator(0, Row(env, "=", ofBinary), ofBinary, outer, result);
    EXPECT_EQ(result.LeftValue(), &a);
    EXPECT_EQ(Describe(TExValue(&a)) + Describe(TExValue(&b)), "i:3i:3");

    for (const char* name : {"=", "+=", "cat=", "++"}) {
        std::vector<TExValue> operands{TExValue("5"), TExValue(1)};
        if (std::string(name) == "++") operands.pop_back();
        const int form = operands.size() == 1 ? ofPrefix : ofBinary;
        try {
            env.CallOperator(0, Row(env, name, form), form, operands, result);
            ADD_FAILURE() << name;
        } catch (const Quorin::ESubstituteToRValue& e) {
            EXPECT_EQ(e.target, &operands[0]) << name;
            EXPECT_EQ(Describe(operands[0]), "s:5") << name;
        }
    }
}

TEST(OperatorTest, UnknownRequestsAreFatalAndNameTheBase) {
    TQuorinEnvironment env;
    const std::pair<std::string, std::string> cases[] = {{"foo", "foo"}, {"", ""}, {"x=", "x"}};
    for (const auto& [name, reported] : cases) {
        std::vector<TExValue> operands{TExValue(1), TExValue(2)};
        TExValue result;
        try {
            env.CallOperator(0, name, ofBinary, operands, result);
            ADD_FAILURE() << name;
        } catch (const Quorin::EQuorinFatalError& e) {
            EXPECT_EQ(e.message, Quorin::Messages::OperatorNotFound(reported));
        }
    }
    std::vector<TExValue> one{TExValue("4")};
    TExValue result;
    EXPECT_THROW(env.CallOperator(0, "=", ofPrefix, one, result), Quorin::EQuorinFatalError);
    // A row passed with another form than its own is matched by name; too few operands are refused.
    env.CallOperator(0, Row(env, "-", ofBinary), ofPrefix, one, result);
    EXPECT_EQ(Describe(result), "i:-4");
    EXPECT_THROW(env.CallOperator(0, Row(env, "+", ofBinary), ofBinary, one, result),
                 Quorin::EQuorinFatalError);
    env.CallOperator(0, "CAT", ofBinary, (one = {TExValue("a"), TExValue(1)}), result);
    EXPECT_EQ(Describe(result), "s:a1");
}

TEST(OperatorTest, RowsAddedLaterAreRecognised) {
    TQuorinEnvironment env;
    EXPECT_EQ(Request(env, "+", ofBinary, {"i:1", "i:2"}), "i:3");  // resolves the rows
    env.AddOperator("cat", ofBinary, 1);                            // reallocates the table
    std::vector<TExValue> operands{TExValue("a"), TExValue("b")};
    TExValue result;
    env.CallOperator(0, env.operators.back().name, ofBinary, operands, result);
    EXPECT_EQ(Describe(result), "s:ab");
}

// Sees every request, to show that compound assignments use the virtual call with a row name.
class TWatchingEnvironment : public TQuorinEnvironment {
public:
    int calls = 0, rowCalls = 0;
    bool failCat = false;

    void CallOperator(int userData, const std::string& name, int form,
                      std::vector<TExValue>& operands, TExValue& result) override {
        ++calls;
        for (const TOperatorInfo& row : operators) rowCalls += &row.name == &name;
        if (failCat && name == "cat") throw std::runtime_error("cat failed");
        if (name == "+") {
            result = TExValue(42);
            return;
        }
        TQuorinEnvironment::CallOperator(userData, name, form, operands, result);
    }
};

TEST(CatAssignTest, CompoundAssignmentGoesThroughTheVirtualCall) {
    TWatchingEnvironment env;
    TVariable a(1);
    std::vector<TExValue> operands{TExValue(&a), TExValue(1)};
    TExValue result;
    env.CallOperator(0, Row(env, "+=", ofBinary), ofBinary, operands, result);
    EXPECT_EQ(Describe(TExValue(&a)), "i:42");
    EXPECT_EQ(env.rowCalls, 2);

    // A failing "cat" leaves the variable as it was.
    env.failCat = true;
    Holding(a, "s:keep");
    operands = {TExValue(&a), TExValue("x")};
    EXPECT_THROW(env.CallOperator(0, Row(env, "cat=", ofBinary), ofBinary, operands, result),
                 std::runtime_error);
    EXPECT_EQ(Describe(TExValue(&a)), "s:keep");
    EXPECT_EQ(operands[0].LeftValue(), &a);
}

TEST(CatAssignTest, AppendsInPlaceLinearlyWithoutTouchingSharedText) {
    TQuorinEnvironment env;
    TVariable s(0), t(0);
    Holding(s, "s:ab");
    TExValue(&t).Substitute(TExValue(&s));  // t shares s's text
    const std::string& catAssign = Row(env, "cat=", ofBinary);
    std::vector<TExValue> operands{TExValue(&s), TExValue(&s)};
    TExValue result;
    env.CallOperator(0, catAssign, ofBinary, operands, result);
    EXPECT_EQ(Describe(TExValue(&s)) + Describe(TExValue(&t)), "s:ababs:ab");

    // In place means the same string object throughout: appends stay linear.
    Holding(s, "s:");
    operands = {TExValue(&s), TExValue("x")};
    env.CallOperator(0, catAssign, ofBinary, operands, result);
    const std::string* text = TExValue(&s).StringPointer();
    int moves = 0;
    for (int i = 1; i < 200000; ++i) {
        operands = {TExValue(&s), TExValue("x")};
        env.CallOperator(0, catAssign, ofBinary, operands, result);
        moves += TExValue(&s).StringPointer() != text;
    }
    EXPECT_EQ(moves, 0);
    EXPECT_EQ(text->size(), 200000u);
}

}  // namespace
