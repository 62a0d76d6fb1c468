// The word splitter. Word lists are written compactly: each word is its kind
// letter (Identifier, Character, iNteger, Real, String, Operator) directly
// followed by its text, and words are separated by one space.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "analysis/code_analysis.h"
#include "environment/environment.h"

namespace Quorin {
namespace {

// The first `count` words (all by default).
std::string Render(const TCodeAnalysis& analysis, std::size_t count = ~std::size_t{0}) {
    std::string rendered;
    for (TWordPosition position = 0; position < std::min(count, analysis.words.size());
         ++position) {
        if (!rendered.empty()) rendered += ' ';
        rendered += "ICNRSO"[analysis.words[position].kind];
        rendered += analysis.TextAt(position);
    }
    return rendered;
}

struct TSplitCase {
    std::string source;
    std::string expected;
};

void ExpectWords(TQuorinBasicEnvironment& environment, const std::vector<TSplitCase>& cases) {
    for (const TSplitCase& test : cases) {
        TCodeAnalysis analysis(&environment, test.source);
        EXPECT_TRUE(analysis.SplitWords());
        EXPECT_EQ(Render(analysis), test.expected) << "source: " << test.source;
    }
}

void ExpectWords(const std::vector<TSplitCase>& cases) {
    TQuorinEnvironment environment;
    ExpectWords(environment, cases);
}

TEST(SplitterTest, EmptyAndBlankTextsHaveNoWords) {
    ExpectWords({{"", ""}, {" \t\r\n\v\f", ""}});
}

TEST(SplitterTest, OperatorsTakeTheLongestName) {
    ExpectWords({
        {"a+=b", "Ia O+= Ib"},
        {"x<<=1>>2", "Ix O<<= N1 O>> N2"},
        {"a!equ b!eq", "Ia O!equ Ib O! Ieq"},
        {"i+++j", "Ii O++ O+ Ij"},
        {"{f(a,b);}", "C{ If C( Ia O, Ib C) C; C}"},
    });
}

TEST(SplitterTest, WordOperatorsSplitIdentifiersThatBeginWithThem) {
    ExpectWords({
        {"category", "Ocat Iegory"},
        {"Divide", "ODiv Iide"},
        {"EQUAL cmpx", "OEQU IAL Ocmp Ix"},
        {"CAT=x", "OCAT= Ix"},
        {"_cat xcat a1div", "I_cat Ixcat Ia1div"},
    });
}

// A name rule of its own, under which 'x' and '*' are the same byte.
class TCrossEnvironment : public TQuorinEnvironment {
public:
    bool SameName(const std::string& a, const std::string& b) override {
        auto fold = [](std::string s) {
            for (char& c : s) c = c == 'x' ? '*' : c;
            return s;
        };
        return fold(a) == fold(b);
    }
};

// Operator names longer than the splitter remembers matches for, and matches
// that the end of the text cuts short.
TEST(SplitterTest, LongOperatorNamesAndTheEndOfTheText) {
    TQuorinEnvironment environment;
    environment.AddOperator("<=========>", ofBinary, 150);
    environment.AddOperator("<==", ofBinary, 150);
    ExpectWords(environment, {
                                 {"a<=========>b<====c", "Ia O<=========> Ib O<== O== Ic"},
                                 {"a<==b<=", "Ia O<== Ib O<="},
                             });
    ExpectWords({{"a<<", "Ia O<<"},
                 {"a<<=", "Ia O<<="},
                 {"a<<=b<<", "Ia O<<= Ib O<<"},
                 {"x cat", "Ix Ocat"},
                 {"x cat ca", "Ix Ocat Ica"}});
}

TEST(SplitterTest, OperatorsFollowTheEnvironmentsNameRule) {
    TQuorinEnvironment plain;
    TQuorinEnvironment exact;
    exact.caseSensitive = true;
    TCrossEnvironment cross;
    ExpectWords(exact, {{"CAT cat Div", "ICAT Ocat IDiv"}});
    ExpectWords(cross, {{"2x3 *x= CAT", "N2 Ox N3 O* Ox= ICAT"}});

    // The general match over the whole table agrees with the splitter everywhere.
    const std::string source = "a+=b<<=x x= cat--1!equ CMP";
    for (TQuorinBasicEnvironment* environment :
         std::vector<TQuorinBasicEnvironment*>{&plain, &exact, &cross}) {
        TCodeAnalysis whole(environment, source);
        for (std::size_t start = 0; start < source.size(); ++start) {
            if (source[start] == ' ') continue;
            std::size_t end = start;
            const bool matched = whole.MatchOperator(end);
            TCodeAnalysis rest(environment, source.substr(start));
            rest.SplitWords();
            const TWord& first = rest.words.front();
            EXPECT_EQ(end - start, first.kind == wkOperator ? rest.TextAt(0).size() : 0) << start;
            EXPECT_EQ(matched, end > start);
        }
    }
}

// The stock rule's own rule under another name: the splitter must take the
// general way for it, and find the same words as the stock way.
class TSameRuleEnvironment : public TQuorinBasicEnvironment {
public:
    bool SameName(const std::string& a, const std::string& b) override {
        return StockSameName(a, b);
    }
};

TEST(SplitterTest, StockAndGeneralOperatorMatchesAgreeOnAnyTable) {
    std::mt19937 random(1503);
    const std::string alphabet = "aAbB+=<>-!\x82 1";
    auto draw = [&](std::size_t length) {
        std::string text;
        for (std::size_t i = 0; i < length; ++i) text += alphabet[random() % alphabet.size()];
        return text;
    };
    for (int round = 0; round < 200; ++round) {
        TQuorinBasicEnvironment stock;
        TSameRuleEnvironment general;
        stock.caseSensitive = general.caseSensitive = random() % 2 == 0;
        const int names = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < names; ++i) {
            // Empty names, repeated names and names that are prefixes of others.
            const std::string name = draw(random() % 5);
            stock.AddOperator(name, ofBinary, 100);
            general.AddOperator(name, ofBinary, 100);
        }
        ASSERT_TRUE(stock.HasStockNameRule());
        ASSERT_FALSE(general.HasStockNameRule());
        const std::string source = draw(60);
        TCodeAnalysis a(&stock, source), b(&general, source);
        a.SplitWords();
        b.SplitWords();
        ASSERT_EQ(Render(a), Render(b)) << "source: " << source;
    }
}

TEST(SplitterTest, WordsThatReadAlikeShareATextNumber) {
    TQuorinEnvironment environment;
    TCodeAnalysis analysis(&environment, "ab = Ab + ab; 'x' 'y' + 'xy' + \"x\"\"y\"; ab");
    analysis.SplitWords();
    ASSERT_EQ(Render(analysis), "Iab O= IAb O+ Iab C; S'xy' O+ S'xy' O+ S\"xy\" C; Iab");
    auto number = [&](TWordPosition position) { return analysis.words[position].text; };
    EXPECT_EQ(number(0), number(4));
    EXPECT_EQ(number(0), number(12));
    EXPECT_NE(number(0), number(2));  // the same name under the rule, but another text
    EXPECT_EQ(number(3), number(9));
    EXPECT_EQ(number(5), number(11));
    EXPECT_EQ(number(6), number(8));  // merged from two literals or written whole
    EXPECT_NE(number(6), number(10));
    // Numbered in the order the texts first come.
    EXPECT_EQ(number(10), number(6) + 1);
    EXPECT_EQ(analysis.IdentifierTexts(), (std::vector<std::string_view>{"ab", "Ab"}));
}

TEST(SplitterTest, AdjacentLiteralsMergeDroppingOneByteEachSide) {
    ExpectWords({
        {"\"a\" \"b\"", "S\"ab\""},
        {"\"a\"'b'", "S\"ab'"},
        {"'a'\n\"b\" 'c'", "S'abc'"},
        {"\"\"\"\"", "S\"\""},
        {"\"a\" x \"b\"", "S\"a\" Ix S\"b\""},
        {"\"a\\\"b\\\\\"c", "S\"a\\\"b\\\\\" Ic"},
        {"'it\"s' x", "S'it\"s' Ix"},
        {"\"ab\ncd", "S\"ab\ncd"},
        {"x \"\\", "Ix S\"\\"},
        // Separate runs of merged literals keep separate texts.
        {"'a' 'b' x \"c\" \"d\" 'e' y 'longer than a short text' 'z'",
         "S'ab' Ix S\"cde' Iy S'longer than a short textz'"},
    });
}

TEST(SplitterTest, NumbersAreDigitsWithAtMostOnePoint) {
    ExpectWords({
        {"1.2.3", "R1.2 C. N3"},
        {"12abc", "N12 Iabc"},
        {".5 7. 007", "C. N5 R7. N007"},
        {"-3", "O- N3"},
    });
}

TEST(SplitterTest, ANulByteEndsTheText) {
    using namespace std::string_literals;
    ExpectWords({
        {"a b\0c d"s, "Ia Ib"},
        {"x\"ab\0cd\" y"s, "Ix S\"ab"},
        {"\"a\\\0\" y"s, "S\"a\\"},
        {"x+\0=1"s, "Ix O+"},
        {"1.\0"
         "5"s,
         "R1."},
        {"\0a"s, ""},
    });
}

TEST(SplitterTest, DoubleByteCharactersAreBytesOfNoClass) {
    ExpectWords({
        {"a\x82\xa0"
         "b",
         "Ia C\x82 C\xa0 Ib"},
        {"\"\x82\xa0\" x", "S\"\x82\xa0\" Ix"},
        // The second byte 0x5C escapes the closing quote, so the literal runs on.
        {"\"\x95\x5c\" x", "S\"\x95\x5c\" x"},
        {"'\x95\x5c'' y", "S'\x95\x5c'' Iy"},
    });
}

// Large texts must split in one sweep: a splitter that walked the whole
// operator table at every word, searched for the end of the text at every
// literal, or merged literals by copying would take minutes here.
TEST(SplitterTest, LargeTextsSplitInOneSweep) {
    std::string source;
    for (int line = 0; line < 40000; ++line) {
        source += "category_1 += value2 * 3.5; \"a\" 'b' \x82\xa0 ++--;\n";
    }
    for (int literal = 0; literal < 100000; ++literal) source += "\"ab\" ";
    TQuorinEnvironment environment;
    TCodeAnalysis analysis(&environment, source);
    const auto start = std::chrono::steady_clock::now();
    analysis.SplitWords();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    ASSERT_EQ(analysis.words.size(), 40000u * 13 + 1);
    EXPECT_EQ(Render(analysis, 13),
              "Ocat Iegory_1 O+= Ivalue2 O* R3.5 C; S\"ab' C\x82 C\xa0 O++ O-- C;");
    EXPECT_EQ(analysis.TextAt(analysis.words.size() - 1).size(), 100000u * 2 + 2);
}

}  // namespace
}  // namespace Quorin
