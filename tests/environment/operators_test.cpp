#include <gtest/gtest.h>

#include <chrono>
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

// The table row of an operator, as the analyser hands it to the engine.
const TOperatorInfo& Row(const TQuorinEnvironment& env, const std::string& name, int form) {
    for (const TOperatorInfo& row : env.operators) {
        const int rowForm = row.form == ofBinaryRight ? ofBinary : row.form;
        if (row.name == name && rowForm == form) return row;
    }
    throw std::logic_error("no row " + name);
}

// Runs one request twice, once with the table row's own name (the engine's way)
// and once with a copy of the name, and insists that both agree.
std::string Call(TQuorinEnvironment& env, const std::string& name, int form,
                 const std::vector<std::string>& operands) {
    std::string outcomes[2];
    for (int byName = 0; byName < 2; ++byName) {
        std::vector<TExValue> values;
        for (const std::string& operand : operands) values.push_back(MakeValue(operand));
        TExValue result;
        const std::string copy = name;
        try {
            env.CallOperator(0, byName ? copy : Row(env, name, form).name, form, values, result);
            outcomes[byName] = Describe(result);
        } catch (const Quorin::EDivisionByZero&) {
            outcomes[byName] = "division by zero";
        }
    }
    EXPECT_EQ(outcomes[0], outcomes[1]) << name;
    return outcomes[0];
}

struct TBinaryCase {
    const char* name;
    const char* left;
    const char* right;
    const char* expected;
};

TEST(OperatorTest, BinaryOperatorsOnIntsDoublesAndStrings) {
    TQuorinEnvironment env;
    const TBinaryCase cases[] = {
        // Numeric pair rule: ints only when both read exactly as ints.
        {"+", "i:5", "i:3", "i:8"},
        {"+", "s:5", "i:3", "i:8"},
        {"+", "s:abc", "i:3", "d:3"},
        {"+", "i:1", "d:2.5", "d:3.5"},
        {"+", "i:1", "d:2.0", "d:3"},
        {"+", "s:007", "i:1", "d:8"},
        {"+", "e", "i:1", "d:1"},
        {"+", "i:2147483647", "i:1", "i:-2147483648"},
        {"-", "i:-2147483648", "i:1", "i:2147483647"},
        {"-", "d:0.5", "i:1", "d:-0.5"},
        {"*", "i:65536", "i:65536", "i:0"},
        {"*", "i:-3", "i:4", "i:-12"},
        {"*", "s:1.5", "i:2", "d:3"},
        // "/" is always floating; div and % truncate.
        {"/", "i:7", "i:2", "d:3.5"},
        {"/", "i:6", "i:3", "d:2"},
        {"/", "i:1", "i:0", "division by zero"},
        {"/", "i:1", "d:0.0", "division by zero"},
        {"/", "i:1", "s:abc", "division by zero"},
        {"/", "i:1", "d:0.25", "d:4"},
        {"div", "i:7", "i:2", "i:3"},
        {"div", "i:-7", "i:2", "i:-3"},
        {"div", "d:7.9", "i:2", "i:3"},
        {"div", "i:1", "d:0.5", "division by zero"},
        {"div", "i:-2147483648", "i:-1", "i:-2147483648"},
        {"div", "i:9", "i:-1", "i:-9"},
        {"%", "i:-7", "i:3", "i:-1"},
        {"%", "i:7", "i:-3", "i:1"},
        {"%", "i:-2147483648", "i:-1", "i:0"},
        {"%", "i:5", "s:x", "division by zero"},
        // Integer rule.
        {"&", "i:12", "i:10", "i:8"},
        {"|", "i:12", "i:10", "i:14"},
        {"^", "i:12", "i:10", "i:6"},
        {"&", "d:12.9", "s:10", "i:8"},
        {"<<", "i:1", "i:33", "i:2"},
        {"<<", "i:-1", "i:31", "i:-2147483648"},
        {"<<", "i:1", "i:-1", "i:-2147483648"},
        {">>", "i:-8", "i:1", "i:-4"},
        {">>", "i:-1", "i:31", "i:-1"},
        {">>", "i:-2147483648", "i:32", "i:-2147483648"},
        // Comparisons: numbers under the pair rule, bytes under equ and cmp.
        {"==", "s:abc", "s:xyz", "i:1"},
        {"==", "s:1", "s:1.0", "i:1"},
        {"==", "i:1", "d:1.0", "i:1"},
        {"!=", "i:1", "i:2", "i:1"},
        {"equ", "s:1", "s:1.0", "i:0"},
        {"equ", "i:1", "s:1", "i:1"},
        {"equ", "e", "s:", "i:1"},
        {"!equ", "s:1", "s:1.0", "i:1"},
        {"!equ", "s:ab", "s:ab", "i:0"},
        {"<", "s:10", "s:9", "i:0"},
        {"<", "s:abc", "i:1", "i:1"},
        {"<=", "i:2", "i:2", "i:1"},
        {">", "d:2.5", "i:2", "i:1"},
        {">=", "i:1", "d:1.5", "i:0"},
        {"cmp", "s:10", "s:9", "i:-8"},
        {"cmp", "s:abc", "s:abd", "i:-1"},
        {"cmp", "s:a", "s:ab", "i:-1"},
        {"cmp", "s:b", "s:a", "i:1"},
        {"cmp", "s:", "e", "i:0"},
        {"cmp", "s:\xff", "s:a", "i:158"},
        {"cmp", "i:12", "s:12", "i:0"},
        // NaN follows IEEE in comparisons and reads false.
        {"==", "d:nan", "d:nan", "i:0"},
        {"!=", "d:nan", "d:nan", "i:1"},
        {"<", "d:nan", "i:1", "i:0"},
        {">=", "d:nan", "i:1", "i:0"},
        {"&&", "d:nan", "i:1", "i:0"},
        // Truth rule, no short-circuit.
        {"&&", "s:0.0", "i:1", "i:0"},
        {"||", "s:x", "i:0", "i:0"},
        {"&&", "d:0.5", "s:-1", "i:1"},
        {"||", "i:0", "s:2", "i:1"},
        // String rule.
        {"cat", "i:5", "s:z", "s:5z"},
        {"cat", "d:2.5", "i:1", "s:2.51"},
        {"cat", "e", "s:x", "s:x"},
        {",", "i:1", "s:x", "s:x"},
    };
    for (const TBinaryCase& c : cases) {
        EXPECT_EQ(Call(env, c.name, ofBinary, {c.left, c.right}), c.expected)
            << c.left << " " << c.name << " " << c.right;
    }
}

TEST(OperatorTest, UnaryOperators) {
    TQuorinEnvironment env;
    struct Case {
        const char* name;
        const char* operand;
        const char* expected;
    };
    const Case cases[] = {
        {"-", "i:5", "i:-5"},    {"-", "i:-2147483648", "i:-2147483648"},
        {"-", "s:abc", "d:-0"},  {"-", "s:2.5", "d:-2.5"},
        {"+", "s:5", "i:5"},     {"+", "s:abc", "d:0"},
        {"+", "d:1.5", "d:1.5"}, {"!", "s:abc", "i:1"},
        {"!", "i:0", "i:1"},     {"!", "s:0.5", "i:0"},
        {"!", "d:nan", "i:1"},   {"~", "i:0", "i:-1"},
        {"~", "d:1.9", "i:-2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Call(env, c.name, ofPrefix, {c.operand}), c.expected) << c.name << c.operand;
    }
}

TEST(OperatorTest, LetterOperatorsIgnoreCaseByName) {
    TQuorinEnvironment env;
    std::vector<TExValue> operands{TExValue("a"), TExValue(1)};
    TExValue result;
    env.CallOperator(0, "CAT", ofBinary, operands, result);
    EXPECT_EQ(Describe(result), "s:a1");
    operands = {TExValue(7), TExValue(2)};
    env.CallOperator(0, "Div", ofBinary, operands, result);
    EXPECT_EQ(Describe(result), "i:3");
}

TEST(OperatorTest, UnknownRequestsAreFatal) {
    TQuorinEnvironment env;
    struct Case {
        std::string name;
        int form;
        std::string reported;
    };
    const Case cases[] = {
        {"foo", ofBinary, "foo"},
        {"=", ofPrefix, "="},
        {"+", ofPostfix, "+"},
        {"", ofBinary, ""},
        // A compound request whose base is no operator names the base.
        {"x=", ofBinary, "x"},
    };
    for (const Case& c : cases) {
        TVariable a(1);
        std::vector<TExValue> operands{TExValue(&a), TExValue(2)};
        TExValue result;
        try {
            env.CallOperator(0, c.name, c.form, operands, result);
            ADD_FAILURE() << c.name;
        } catch (const Quorin::EQuorinFatalError& e) {
            EXPECT_EQ(e.message, Quorin::Messages::OperatorNotFound(c.reported));
        }
    }
    // A table row passed with another form than its own is matched by name.
    std::vector<TExValue> operands{TExValue("4")};
    TExValue result;
    env.CallOperator(0, Row(env, "-", ofBinary).name, ofPrefix, operands, result);
    EXPECT_EQ(Describe(result), "i:-4");
    // Too few operands is refused rather than read out of bounds.
    EXPECT_THROW(env.CallOperator(0, Row(env, "+", ofBinary).name, ofBinary, operands, result),
                 Quorin::EQuorinFatalError);
}

// Calls an operator the engine's way, on handles the test keeps.
void Apply(TQuorinEnvironment& env, const std::string& name, int form,
           std::vector<TExValue>& operands, TExValue& result) {
    env.CallOperator(0, Row(env, name, form).name, form, operands, result);
}

TEST(AssignmentTest, AssignmentsAreRightAssociativeThroughVariables) {
    TQuorinEnvironment env;
    TVariable a(0), b(0);
    std::vector<TExValue> inner{TExValue(&b), TExValue(3)};
    TExValue innerResult;
    Apply(env, "=", ofBinary, inner, innerResult);
    EXPECT_EQ(innerResult.LeftValue(), &b);

    std::vector<TExValue> outer{TExValue(&a), innerResult};
    TExValue result;
    Apply(env, "=", ofBinary, outer, result);
    EXPECT_EQ(result.LeftValue(), &a);
    EXPECT_EQ(Describe(TExValue(&a)), "i:3");
    EXPECT_EQ(Describe(TExValue(&b)), "i:3");

    // Assigning a variable to itself keeps its value.
    std::vector<TExValue> self{TExValue(&a), TExValue(&a)};
    Apply(env, "=", ofBinary, self, result);
    EXPECT_EQ(Describe(TExValue(&a)), "i:3");

    // The comma yields its right operand's handle, variable and all.
    std::vector<TExValue> comma{TExValue(&a), TExValue(&b)};
    Apply(env, ",", ofBinary, comma, result);
    EXPECT_EQ(result.LeftValue(), &b);
}

TEST(AssignmentTest, CompoundAssignmentsStoreTheBaseResult) {
    TQuorinEnvironment env;
    struct Case {
        const char* start;
        const char* name;
        const char* right;
        const char* expected;  // the variable afterwards, or the error
    };
    const Case cases[] = {
        {"s:4", "+=", "i:1", "i:5"},
        {"i:5", "cat=", "s:z", "s:5z"},
        {"s:ab", "cat=", "d:1.5", "s:ab1.5"},
        {"i:5", "-=", "d:0.5", "d:4.5"},
        {"i:6", "*=", "i:7", "i:42"},
        {"i:7", "/=", "i:2", "d:3.5"},
        {"i:7", "div=", "i:2", "i:3"},
        {"i:7", "%=", "i:4", "i:3"},
        {"i:6", "&=", "i:3", "i:2"},
        {"i:6", "^=", "i:3", "i:5"},
        {"i:6", "|=", "i:3", "i:7"},
        {"i:1", "<<=", "i:4", "i:16"},
        {"i:-16", ">>=", "i:2", "i:-4"},
        {"i:7", "div=", "i:0", "division by zero"},
        {"i:7", "%=", "s:0", "division by zero"},
        {"i:7", "/=", "d:0.0", "division by zero"},
    };
    for (const Case& c : cases) {
        for (int byName = 0; byName < 2; ++byName) {
            TVariable a(0);
            TExValue(&a).Substitute(MakeValue(c.start));
            std::vector<TExValue> operands{TExValue(&a), MakeValue(c.right)};
            TExValue result;
            const std::string copy = c.name;
            std::string outcome;
            try {
                env.CallOperator(0, byName ? copy : Row(env, c.name, ofBinary).name, ofBinary,
                                 operands, result);
                EXPECT_EQ(result.LeftValue(), &a);
                outcome = Describe(TExValue(&a));
            } catch (const Quorin::EDivisionByZero&) {
                EXPECT_EQ(Describe(TExValue(&a)), c.start);
                outcome = "division by zero";
            }
            EXPECT_EQ(outcome, c.expected) << c.start << " " << c.name << " " << c.right;
        }
    }
}

TEST(AssignmentTest, NonVariableTargetsAreRefusedWithTheirHandle) {
    TQuorinEnvironment env;
    struct Case {
        const char* name;
        int form;
    };
    for (const Case& c : {Case{"=", ofBinary}, Case{"+=", ofBinary}, Case{"cat=", ofBinary},
                          Case{"++", ofPrefix}, Case{"--", ofPostfix}}) {
        std::vector<TExValue> operands{TExValue("5")};
        if (c.form == ofBinary) operands.push_back(TExValue(1));
        TExValue result;
        try {
            Apply(env, c.name, c.form, operands, result);
            ADD_FAILURE() << c.name;
        } catch (const Quorin::ESubstituteToRValue& e) {
            EXPECT_EQ(e.target, &operands[0]) << c.name;
            EXPECT_EQ(Describe(operands[0]), "s:5") << c.name;
        }
    }
}

TEST(AssignmentTest, IncrementsAndDecrementsFollowTheReading) {
    TQuorinEnvironment env;
    struct Case {
        const char* start;
        const char* name;
        int form;
        const char* result;
        const char* stored;
    };
    const Case cases[] = {
        {"i:1", "++", ofPostfix, "i:1", "i:2"},
        {"i:1", "++", ofPrefix, "i:2", "i:2"},
        {"i:1", "--", ofPostfix, "i:1", "i:0"},
        {"i:1", "--", ofPrefix, "i:0", "i:0"},
        {"s:5", "++", ofPrefix, "i:6", "i:6"},
        {"d:2.5", "++", ofPrefix, "d:3.5", "d:3.5"},
        {"s:2.5", "++", ofPostfix, "d:2.5", "d:3.5"},
        {"s:abc", "++", ofPrefix, "d:1", "d:1"},
        {"s:abc", "--", ofPrefix, "d:-1", "d:-1"},
        {"i:2147483647", "++", ofPrefix, "i:-2147483648", "i:-2147483648"},
        {"i:-2147483648", "--", ofPostfix, "i:-2147483648", "i:2147483647"},
    };
    for (const Case& c : cases) {
        TVariable x(0);
        TExValue(&x).Substitute(MakeValue(c.start));
        std::vector<TExValue> operands{TExValue(&x)};
        TExValue result;
        Apply(env, c.name, c.form, operands, result);
        EXPECT_EQ(Describe(result), c.result) << c.start << c.name << c.form;
        EXPECT_EQ(Describe(TExValue(&x)), c.stored) << c.start << c.name << c.form;
        EXPECT_FALSE(result.IsLeftValue());
    }
}

// An environment that counts the requests it sees and whether they arrived as
// table rows, to show that compound assignments go through the virtual call.
class TWatchingEnvironment : public TQuorinEnvironment {
public:
    int calls = 0;
    int rowCalls = 0;
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

TEST(AssignmentTest, CompoundAssignmentCallsTheBaseOperatorVirtually) {
    TWatchingEnvironment env;
    TVariable a(1);
    std::vector<TExValue> operands{TExValue(&a), TExValue(1)};
    TExValue result;
    Apply(env, "+=", ofBinary, operands, result);
    EXPECT_EQ(Describe(TExValue(&a)), "i:42");
    EXPECT_EQ(env.calls, 2);
    EXPECT_EQ(env.rowCalls, 2);
}

TEST(CatAssignTest, AppendsInPlaceWithoutDisturbingSharedText) {
    TQuorinEnvironment env;
    TVariable s(0), t(0);
    TExValue(&s).Substitute(TExValue("ab"));
    TExValue(&t).Substitute(TExValue(&s));  // t shares s's text

    std::vector<TExValue> operands{TExValue(&s), TExValue("c")};
    TExValue result;
    Apply(env, "cat=", ofBinary, operands, result);
    EXPECT_EQ(Describe(TExValue(&s)), "s:abc");
    EXPECT_EQ(Describe(TExValue(&t)), "s:ab");
    EXPECT_EQ(result.LeftValue(), &s);
    EXPECT_EQ(operands[0].LeftValue(), &s);

    // The right operand may be the variable itself.
    operands = {TExValue(&s), TExValue(&s)};
    Apply(env, "cat=", ofBinary, operands, result);
    EXPECT_EQ(Describe(TExValue(&s)), "s:abcabc");

    // An intermediate result leaves both cat operands' sources alone.
    std::vector<TExValue> plain{TExValue(&t), TExValue("x")};
    Apply(env, "cat", ofBinary, plain, result);
    EXPECT_EQ(Describe(result), "s:abx");
    EXPECT_EQ(Describe(TExValue(&t)), "s:ab");
}

TEST(CatAssignTest, FailureLeavesTheVariableAsItWas) {
    TWatchingEnvironment env;
    env.failCat = true;
    TVariable s(0);
    TExValue(&s).Substitute(TExValue("keep"));
    std::vector<TExValue> operands{TExValue(&s), TExValue("x")};
    TExValue result;
    EXPECT_THROW(Apply(env, "cat=", ofBinary, operands, result), std::runtime_error);
    EXPECT_EQ(Describe(TExValue(&s)), "s:keep");
    EXPECT_EQ(operands[0].LeftValue(), &s);
}

TEST(CatAssignTest, RepeatedAppendsAreLinear) {
    TQuorinEnvironment env;
    TVariable s(0);
    TExValue(&s).Substitute(TExValue(""));
    const std::string& cat = Row(env, "cat=", ofBinary).name;
    const auto start = std::chrono::steady_clock::now();
    std::vector<TExValue> operands(2);
    TExValue result;
    for (int i = 0; i < 200000; ++i) {
        operands[0] = TExValue(&s);
        operands[1] = TExValue("x");
        env.CallOperator(0, cat, ofBinary, operands, result);
    }
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(TExValue(&s).StringPointer()->size(), 200000u);
    EXPECT_LT(elapsed, std::chrono::seconds(1));
}

TEST(DispatchTest, RowsAddedLaterAreRecognised) {
    TQuorinEnvironment env;
    std::vector<TExValue> operands{TExValue(1), TExValue(2)};
    TExValue result;
    Apply(env, "+", ofBinary, operands, result);  // resolves the rows
    // A second "cat" row: the vector reallocates and the new row must still work.
    env.AddOperator("cat", ofBinary, 1);
    operands = {TExValue("a"), TExValue("b")};
    env.CallOperator(0, env.operators.back().name, ofBinary, operands, result);
    EXPECT_EQ(Describe(result), "s:ab");
    operands = {TExValue(1), TExValue(2)};
    Apply(env, "+", ofBinary, operands, result);
    EXPECT_EQ(Describe(result), "i:3");
}

}  // namespace
