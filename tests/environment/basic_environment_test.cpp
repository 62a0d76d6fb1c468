#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environment/environment.h"
#include "errors/errors.h"

namespace {

using Quorin::TExValue;

TEST(SameNameTest, FoldsOnlyAsciiLettersAndStopsAtNul) {
    TQuorinBasicEnvironment env;
    struct Case {
        std::string a, b;
        bool same;
    };
    const Case cases[] = {
        {"print", "PRINT", true},
        {"print", "Print", true},
        {"cat", "CAT", true},
        {"print", "prints", false},
        {"", "", true},
        {"a", "", false},
        {std::string("ab\0x", 4), std::string("AB\0y", 4), true},
        {std::string("ab\0", 3), "ab", true},
        {"\x82\xa0", "\x82\xa0", true},
        {"\x82\xa0", "\x82\xa1", false},
        // Every byte is folded, the second byte of a double-byte character included.
        {"\x82\x61", "\x82\x41", true},
        {"\x82\x41", "\x82\x61", true},
        {"\xe0", "\xc0", false},
        {"[", "{", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(env.SameName(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(env.SameName(c.b, c.a), c.same) << c.b << " / " << c.a;
        EXPECT_EQ(env.NameKey(c.a) == env.NameKey(c.b), c.same) << c.a << " / " << c.b;
    }
}

TEST(SameNameTest, CaseSensitiveRuleComparesWholeBytes) {
    TQuorinBasicEnvironment env;
    env.caseSensitive = true;
    EXPECT_TRUE(env.SameName("print", "print"));
    EXPECT_FALSE(env.SameName("print", "PRINT"));
    EXPECT_FALSE(env.SameName(std::string("ab\0x", 4), std::string("ab\0y", 4)));
    EXPECT_EQ(env.NameKey(std::string("ab\0x", 4)), std::string("ab\0x", 4));
    EXPECT_NE(env.NameKey("a"), env.NameKey("A"));
}

TEST(CheckArgumentsTest, PadsOptionalArgumentsWithEmptyHandles) {
    std::vector<TExValue> args{TExValue(1), TExValue(2)};
    TQuorinBasicEnvironment::CheckArguments(args, 3, 2);
    ASSERT_EQ(args.size(), 3u);
    EXPECT_EQ(args[1].ToInt(), 2);
    EXPECT_TRUE(args[2].IsEmpty());

    std::vector<TExValue> exact{TExValue(1), TExValue(2)};
    TQuorinBasicEnvironment::CheckArguments(exact, 2);
    EXPECT_EQ(exact.size(), 2u);

    std::vector<TExValue> none;
    TQuorinBasicEnvironment::CheckArguments(none, 0);
    EXPECT_TRUE(none.empty());
}

TEST(CheckArgumentsTest, RejectsCountsOutsideTheRangeAndKeepsArguments) {
    struct Case {
        int count, maximum, minimum;
    };
    for (const Case c :
         {Case{1, 3, 2}, Case{4, 3, 2}, Case{1, 2, -1}, Case{3, 2, -1}, Case{1, 0, -1}}) {
        std::vector<TExValue> args(static_cast<std::size_t>(c.count), TExValue(7));
        EXPECT_THROW(TQuorinBasicEnvironment::CheckArguments(args, c.maximum, c.minimum),
                     Quorin::EArgumentsMismatch);
        EXPECT_EQ(args.size(), static_cast<std::size_t>(c.count));
    }
}

TEST(BasicEnvironmentTest, KnowsNothing) {
    TQuorinBasicEnvironment env;
    EXPECT_TRUE(env.operators.empty());
    EXPECT_TRUE(env.constants.empty());
    EXPECT_EQ(env.ExpandDirective("define x 1"), "");
    std::vector<TExValue> operands{TExValue(1), TExValue(2)};
    TExValue result;
    EXPECT_FALSE(env.CallFunction(0, "len", operands, result));
    EXPECT_THROW(env.CallOperator(0, "+", ofBinary, operands, result), Quorin::EQuorinFatalError);
    bool stop = false;
    env.CheckStop(0, stop);
    EXPECT_FALSE(stop);
}

TEST(QuorinEnvironmentTest, TablesAndSettings) {
    TQuorinEnvironment env;
    ASSERT_EQ(env.operators.size(), 45u);
    EXPECT_EQ(env.operators[0].name, ",");
    EXPECT_EQ(env.operators[3].name, "cat=");
    EXPECT_EQ(env.operators[3].form, ofBinaryRight);
    EXPECT_EQ(env.operators[29].name, "cmp");
    EXPECT_EQ(env.operators[29].precedence, 200);
    EXPECT_EQ(env.operators[39].name, "+");
    EXPECT_EQ(env.operators[39].form, ofPrefix);
    EXPECT_EQ(env.operators[44].name, "--");
    EXPECT_EQ(env.operators[44].form, ofPostfix);
    for (std::size_t i = 1; i < 14; ++i) EXPECT_EQ(env.operators[i].precedence, 110);

    ASSERT_EQ(env.constants.size(), 3u);
    EXPECT_EQ(env.constants[0].name, "true");
    EXPECT_EQ(env.constants[0].value->ToInt(), 1);
    EXPECT_EQ(env.constants[1].value->ToInt(), 0);
    EXPECT_EQ(env.constants[2].name, "iRandMax");
    EXPECT_EQ(env.constants[2].value->ToInt(), 32767);
    EXPECT_FALSE(env.caseSensitive);
    EXPECT_EQ(env.pollInterval, 10);
}

}  // namespace
