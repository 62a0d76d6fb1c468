#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "environment/environment.h"
#include "errors/errors.h"
#include "value_notation.h"
#include "values/text.h"

namespace {

using Quorin::TExValue;
using QuorinTest::Describe;
using QuorinTest::MakeValue;

std::string Call(TQuorinEnvironment& env, const std::string& name,
                 const std::vector<std::string>& args) {
    std::vector<TExValue> values;
    for (const std::string& arg : args) values.push_back(MakeValue(arg));
    TExValue result;
    EXPECT_TRUE(env.CallFunction(0, name, values, result)) << name;
    return Describe(result);
}

TEST(BuiltinTest, StringFunctions) {
    TQuorinEnvironment env;
    // AIU stands for three double-byte characters, "\x82\xa0", "\x82\xa2" and "\x82\xa4".
    const std::string aiu = "s:\x82\xa0\x82\xa2\x82\xa4";
    for (const char* c : {"len i:12345 => i:5",
                          "len AIU => i:3",
                          "len s:\xb1\xb2\xb3 => i:3",
                          "lenb d:2.5 => i:3",
                          "lenb AIU => i:6",
                          "left AIU i:2 => s:\x82\xa0\x82\xa2",
                          "left AIU i:-1 => AIU",
                          "right AIU i:1 => s:\x82\xa4",
                          "right AIU i:-1 => AIU",
                          "substr AIU i:1 i:1 => s:\x82\xa2",
                          "substr AIU i:1 e => s:\x82\xa2\x82\xa4",
                          "substr AIU i:4 => s:",
                          "substr s:\xb1\xb2\xb3\xb4 i:1 i:2 => s:\xb2\xb3",
                          "leftb AIU i:3 => s:\x82\xa0\x82",
                          "leftb AIU i:-1 => AIU",
                          "rightb AIU i:1 => s:\xa4",
                          "rightb AIU i:-2 => AIU",
                          "substrb AIU i:1 i:2 => s:\xa0\x82",
                          "substrb AIU i:7 => s:",
                          "substrb AIU i:-1 => s:",
                          "substrb AIU i:4 i:-5 => s:\x82\xa4",
                          "int s:12.9 => i:12",
                          "int s:007 => i:7",
                          "int d:-2.5 => i:-2",
                          "int s:abc => i:0",
                          "SubStr s:abc i:1 => s:bc"}) {
        std::string expected;
        std::vector<std::string> words = QuorinTest::SplitCase(c, expected);
        for (std::string& word : words) word = word == "AIU" ? aiu : word;
        const std::vector<std::string> args(words.begin() + 1, words.end());
        EXPECT_EQ(Call(env, words[0], args), expected == "AIU" ? aiu : expected) << c;
    }
}

// The character functions as defined: on the packed text, unpacked again.
std::string Reference(const std::string& name, const std::string& text, std::uint32_t a,
                      std::uint32_t b, bool hasCount) {
    const Quorin::TWString units = Quorin::PackCharacters(text);
    const std::size_t length = units.size();
    if (name == "len") return "i:" + std::to_string(length);
    std::size_t from = 0, count = length;
    if (name == "substr") {
        if (a > length) return "s:";
        from = a;
        count = hasCount ? std::min<std::size_t>(b, length - a) : length - a;
    } else if (name == "left") {
        count = std::min<std::size_t>(a, length);
    } else {
        if (a > length) a = static_cast<std::uint32_t>(length);
        from = length - a;
        count = a;
    }
    return "s:" + Quorin::UnpackCharacters(units.substr(from, count));
}

TEST(BuiltinTest, CharacterFunctionsAgreeWithPackedText) {
    TQuorinEnvironment env;
    // Bytes that matter: ASCII, NUL, lead bytes at both ends of their ranges,
    // half-width katakana, and bytes from 0x80 up that are no lead byte.
    const unsigned char alphabet[] = {'a',  'b',  0,    0x81, 0x82, 0x9f, 0xa0,
                                      0xb1, 0xdf, 0xe0, 0xfc, 0x80, 0xfd, 0x41};
    std::mt19937 random(20240601);
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        // Mostly-ASCII texts are longer, so that whole runs of words get skipped.
        const bool ascii = random() % 3 == 0;
        const int length = static_cast<int>(random() % (ascii ? 120 : 40));
        for (int i = 0; i < length; ++i) {
            text.push_back(ascii && random() % 8 != 0
                               ? static_cast<char>('a' + random() % 26)
                               : static_cast<char>(alphabet[random() % sizeof alphabet]));
        }
        const int a = static_cast<int>(random() % static_cast<unsigned>(length + 5)) - 2;
        const int b = static_cast<int>(random() % static_cast<unsigned>(length + 5)) - 2;
        const std::string s = "s:" + text;
        const std::string ia = "i:" + std::to_string(a), ib = "i:" + std::to_string(b);
        const auto ua = static_cast<std::uint32_t>(a), ub = static_cast<std::uint32_t>(b);
        ASSERT_EQ(Call(env, "len", {s}), Reference("len", text, 0, 0, false));
        ASSERT_EQ(Call(env, "left", {s, ia}), Reference("left", text, ua, 0, false)) << a;
        ASSERT_EQ(Call(env, "right", {s, ia}), Reference("right", text, ua, 0, false)) << a;
        ASSERT_EQ(Call(env, "substr", {s, ia}), Reference("substr", text, ua, 0, false)) << a;
        ASSERT_EQ(Call(env, "substr", {s, ia, ib}), Reference("substr", text, ua, ub, true))
            << a << " " << b;
    }
}

TEST(BuiltinTest, ArgumentCountsAndUnknownNames) {
    TQuorinEnvironment env;
    struct Case {
        const char* name;
        int count;
    };
    for (const Case& c : {Case{"len", 0}, Case{"len", 2}, Case{"substr", 1}, Case{"substr", 4},
                          Case{"left", 1}, Case{"rightb", 3}, Case{"int", 0}, Case{"rand", 1}}) {
        std::vector<TExValue> args(static_cast<std::size_t>(c.count), TExValue("abc"));
        TExValue result(5);
        EXPECT_THROW(env.CallFunction(0, c.name, args, result), Quorin::EArgumentsMismatch)
            << c.name << c.count;
        EXPECT_EQ(Describe(result), "i:5");
        EXPECT_EQ(args.size(), static_cast<std::size_t>(c.count));
    }
    std::vector<TExValue> args{TExValue("x")};
    TExValue result(5);
    EXPECT_FALSE(env.CallFunction(0, "print", args, result));
    EXPECT_EQ(args.size(), 1u);
    EXPECT_EQ(Describe(result), "i:5");
}

TEST(BuiltinTest, RandFollowsItsGenerator) {
    TQuorinEnvironment env;
    env.randomState = 12345;
    std::vector<std::string> drawn;
    for (int i = 0; i < 5; ++i) drawn.push_back(Call(env, "rand", {}));
    EXPECT_EQ(drawn,
              (std::vector<std::string>{"i:15301", "i:24996", "i:10921", "i:23577", "i:19316"}));
    env.randomState = 0xFFFFFFFFu;
    EXPECT_EQ(env.NextRandom(), 32421);
    EXPECT_EQ(env.randomState, 4272271820u);
}

}  // namespace
