#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "environment/environment.h"
#include "errors/errors.h"

namespace {

using Quorin::TExValue;

TEST(SameNameTest, FoldsEveryLowerCaseByteAndStopsAtNul) {
    TQuorinBasicEnvironment env;
    struct Case {
        std::string a, b;
        bool same;
    };
    const Case cases[] = {{"print", "PRINT", true},
                          {"cat", "CaT", true},
                          {"print", "prints", false},
                          {"", "", true},
                          {"a", "", false},
                          {"[", "{", false},
                          {std::string("ab\0x", 4), std::string("AB\0y", 4), true},
                          {"\x82\xa0", "\x82\xa1", false},
                          {"\xe0", "\xc0", false},
                          // The second byte of a double-byte character is folded too.
                          {"\x82\x61", "\x82\x41", true}};
    for (const Case& c : cases) {
        EXPECT_EQ(env.SameName(c.a, c.b), c.same) << c.a << " / " << c.b;
        EXPECT_EQ(env.SameName(c.b, c.a), c.same) << c.b << " / " << c.a;
        EXPECT_EQ(env.StockNameKey(c.a, false) == env.StockNameKey(c.b, false), c.same)
            << c.a << " / " << c.b;
    }
    env.caseSensitive = true;
    EXPECT_FALSE(env.SameName("print", "PRINT"));
    EXPECT_FALSE(env.SameName(std::string("ab\0x", 4), std::string("ab\0y", 4)));
    EXPECT_NE(env.StockNameKey(std::string("ab\0x", 4), true),
              env.StockNameKey(std::string("ab\0y", 4), true));
}

TEST(CheckArgumentsTest, PadsOptionalArgumentsAndRejectsOtherCounts) {
    std::vector<TExValue> args{TExValue(1), TExValue(2)};
    TQuorinBasicEnvironment::CheckArguments(args, 3, 2);
    ASSERT_EQ(args.size(), 3u);
    EXPECT_EQ(args[1].ToInt(), 2);
    EXPECT_TRUE(args[2].IsEmpty());

    struct Case {
        int count, maximum, minimum;
    };
    for (const Case c :
         {Case{1, 3, 2}, Case{4, 3, 2}, Case{1, 2, -1}, Case{3, 2, -1}, Case{1, 0, -1}}) {
        std::vector<TExValue> given(static_cast<std::size_t>(c.count), TExValue(7));
        EXPECT_THROW(TQuorinBasicEnvironment::CheckArguments(given, c.maximum, c.minimum),
                     Quorin::EArgumentsMismatch);
        EXPECT_EQ(given.size(), static_cast<std::size_t>(c.count));
    }
}

TEST(EnvironmentTest, OnlyTheLanguageEnvironmentKnowsOperatorsAndConstants) {
    TQuorinBasicEnvironment basic;
    std::vector<TExValue> operands{TExValue(1), TExValue(2)};
    TExValue result;
    EXPECT_FALSE(basic.CallFunction(0, "len", operands, result));
    EXPECT_THROW(basic.CallOperator(0, "+", ofBinary, operands, result), Quorin::EQuorinFatalError);

    TQuorinEnvironment env;
    EXPECT_EQ(env.operators.size(), 45u);
    ASSERT_EQ(env.constants.size(), 3u);
    EXPECT_EQ(env.constants[2].name, "iRandMax");
    EXPECT_EQ(env.constants[2].value->ToInt(), 32767);
}

}  // namespace
