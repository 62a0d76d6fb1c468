#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
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

// Long texts keep an index of their character positions, which must follow the
// text through every change: appending in place (what "cat=" does to a text
// nobody shares), assigning another text, and a part of the text taken as the
// new text.
TEST(BuiltinTest, CharacterFunctionsFollowLongTextsAsTheyChange) {
    TQuorinEnvironment env;
    const std::string pieces[] = {"\x82\xa0", "\x88\x9f", "a",        "\xb1",
                                  "\x82",     "\xa0",     "\x9f\x9f", "xyz\x81\x40"};
    std::mt19937 random(15);
    // Now and then a NUL byte, which ends the text for packing after a lead byte.
    auto piece = [&] {
        return random() % 1000 == 0 ? std::string(1, '\0') : pieces[random() % std::size(pieces)];
    };
    auto text = [&](std::size_t bytes) {
        std::string made;
        while (made.size() < bytes) made += piece();
        return made;
    };
    Quorin::TVariable s(0);
    s.MutableContent() = TExValue(text(5000));
    auto value = [&](const std::string& name, std::vector<TExValue> values) {
        values.insert(values.begin(), TExValue::Refer(&s));
        TExValue result;
        EXPECT_TRUE(env.CallFunction(0, name, values, result));
        return result;
    };
    auto call = [&](const std::string& name, std::vector<TExValue> values) {
        return Describe(value(name, std::move(values)));
    };
    for (int round = 0; round < 400; ++round) {
        switch (random() % 8) {
            case 0:
                s.MutableContent() = TExValue(text(2000 + random() % 4000));
                break;
            case 1:
                s.MutableContent() = value("substr", {TExValue(int(random() % 100))});
                break;
            default: {
                std::string tail = piece();
                if (random() % 4 == 0) tail += text(random() % 200);
                // A shared text (a one-byte part, say) is copied, as "cat=" copies it.
                if (!s.MutableContent().AppendString(tail))
                    s.MutableContent() = TExValue(*s.Content().StringPointer() + tail);
                break;
            }
        }
        const std::string bytes = *s.Content().StringPointer();
        const std::size_t length = Quorin::PackCharacters(bytes).size();
        const auto a = static_cast<std::uint32_t>(random() % (length + 3));
        const auto b = static_cast<std::uint32_t>(random() % 5);
        const auto near = static_cast<std::uint32_t>(length - std::min<std::size_t>(length, b));
        ASSERT_EQ(call("len", {}), Reference("len", bytes, 0, 0, false));
        ASSERT_EQ(call("substr", {TExValue(int(a)), TExValue(int(b))}),
                  Reference("substr", bytes, a, b, true))
            << round;
        ASSERT_EQ(call("substr", {TExValue(int(near))}),
                  Reference("substr", bytes, near, 0, false));
        ASSERT_EQ(call("left", {TExValue(int(a))}), Reference("left", bytes, a, 0, false));
        ASSERT_EQ(call("right", {TExValue(int(b))}), Reference("right", bytes, b, 0, false));
        ASSERT_EQ(call("right", {TExValue(int(a))}), Reference("right", bytes, a, 0, false));
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
