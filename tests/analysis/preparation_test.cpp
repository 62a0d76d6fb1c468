// The passes that prepare a macro's text: continued lines, comments, directives.
#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>
#include <string>
#include <vector>

#include "analysis/code_analysis.h"
#include "environment/environment.h"

namespace Quorin {
namespace {

struct TPassCase {
    std::string source;
    std::string expected;
};

using TPass = void (TCodeAnalysis::*)();

// Runs `passes` in order over each case's source.
void ExpectPasses(std::initializer_list<TPass> passes, const std::vector<TPassCase>& cases) {
    TQuorinEnvironment environment;
    for (const TPassCase& test : cases) {
        TCodeAnalysis analysis(&environment, test.source);
        for (TPass pass : passes) (analysis.*pass)();
        EXPECT_EQ(analysis.source, test.expected) << "source: " << test.source;
    }
}

TEST(PreparationTest, OddBackslashRunsBeforeALineFeedJoinLines) {
    ExpectPasses({&TCodeAnalysis::JoinContinuedLines}, {
                                                           {"ab\\\ncd", "abcd"},
                                                           {"ab\\\\\ncd", "ab\\\\\ncd"},
                                                           {"ab\\\\\\\ncd", "ab\\\\cd"},
                                                           {"ab\\\r\ncd", "ab\\\r\ncd"},
                                                           {"\\\n\\\n", ""},
                                                           {"a\\\n\\\\\nb\\\nc", "a\\\\\nbc"},
                                                       });
}

TEST(PreparationTest, CommentsIgnoreQuotesAndEachOther) {
    ExpectPasses({&TCodeAnalysis::RemoveComments}, {
                                                       {"a/*x*/b/**/c", "a b c"},
                                                       {"a//x\n//y\nb", "a\n\nb"},
                                                       {"/* // */x", " x"},
                                                       {"// /* \nx", "\nx"},
                                                       {"/*a*//b", " /b"},
                                                       {"\"s//t\"\nu", "\"s\nu"},
                                                       {"'/*'*/'", "' '"},
                                                       {"a/*x\ny", "a "},
                                                       {"/*/x", " "},
                                                   });
}

TEST(PreparationTest, DirectiveLinesVanishWithTheirLineFeed) {
    ExpectPasses({&TCodeAnalysis::ProcessDirectives}, {
                                                          {"#include x\na", "a"},
                                                          {"a\n  \t#x y\nb", "a\n  \tb"},
                                                          {"a\r\n#x\r\nb", "a\r\nb"},
                                                          {"#x\n#y\nz", "z"},
                                                          {"a#b\n#", "a#b\n"},
                                                      });
}

// An environment that answers every directive with a fixed text and remembers what it was asked.
class TExpandingEnvironment : public TQuorinEnvironment {
public:
    std::vector<std::string> asked;
    std::string ExpandDirective(const std::string& text) override {
        asked.push_back(text);
        return "<" + text + ">";
    }
};

TEST(PreparationTest, DirectiveTextGoesToTheEnvironmentAndItsAnswerStays) {
    TExpandingEnvironment environment;
    TCodeAnalysis analysis(&environment, "a\n #one two\n x # no\n#\n#three");
    analysis.ProcessDirectives();
    EXPECT_EQ(analysis.source, "a\n <one two> x # no\n<><three>");
    EXPECT_EQ(environment.asked, (std::vector<std::string>{"one two", "", "three"}));
}

TEST(PreparationTest, PassesSeeEachOthersResults) {
    ExpectPasses({&TCodeAnalysis::JoinContinuedLines, &TCodeAnalysis::RemoveComments,
                  &TCodeAnalysis::ProcessDirectives},
                 {
                     {"// a\\\nb\nc", "\nc"},
                     {"/* c */ #x\ny", "  y"},
                     {"#a\\\nb\nc", "c"},
                     {"a /* x\n#y */ b", "a   b"},
                     {"/* only */ // comments\n  #and a directive\n", "  \n  "},
                 });
}

// Every pass must stay linear: texts of a few megabytes built from the
// constructs each pass rewrites would take minutes if a pass edited in place.
TEST(PreparationTest, LargeTextsArePreparedInOneSweep) {
    std::string source;
    for (int line = 0; line < 100000; ++line) {
        source += "x\\\n/*c*/y//d\n  #e\n z # \\\\\n";
    }
    TQuorinEnvironment environment;
    TCodeAnalysis analysis(&environment, source);
    const auto start = std::chrono::steady_clock::now();
    analysis.JoinContinuedLines();
    analysis.RemoveComments();
    analysis.ProcessDirectives();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(elapsed, std::chrono::seconds(10));
    ASSERT_EQ(analysis.source.size(), 100000u * 14);
    EXPECT_EQ(analysis.source.substr(0, 28), "x y\n   z # \\\\\nx y\n   z # \\\\\n");
}

// Every word leads back to where it stands in the text given, whatever the
// passes removed or replaced before it.
TEST(PreparationTest, WordsLeadBackToTheirPlaceInTheOriginalText) {
    TQuorinEnvironment environment;
    const std::string source =
        "a = 1 + \\\n  b; /* two\nlines */ c;\n# directive\n  d = \"x\" // note\n e;";
    TCodeAnalysis analysis(&environment, source);
    analysis.JoinContinuedLines();
    analysis.RemoveComments();
    analysis.ProcessDirectives();
    analysis.SplitWords();
    for (TWordPosition position = 0; position < analysis.words.size(); ++position) {
        std::size_t offset, length;
        analysis.OriginalRange(position, offset, length);
        EXPECT_EQ(source.substr(offset, length), analysis.TextAt(position));
    }
    std::size_t offset, length;
    analysis.OriginalRange(analysis.words.size(), offset, length);
    EXPECT_EQ(offset, source.size());
    EXPECT_EQ(length, 0u);
    // A word cut by a joined line spans the join in the original.
    TCodeAnalysis joined(&environment, "ab\\\ncd");
    joined.JoinContinuedLines();
    joined.SplitWords();
    joined.OriginalRange(0, offset, length);
    EXPECT_EQ(offset, 0u);
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(analysis.sourceMap.LineOf(source.rfind('e')), 6);
}

}  // namespace
}  // namespace Quorin
