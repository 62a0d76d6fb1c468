// The analyser: prepares a macro's text, splits it into words and analyses the
// words into a syntax tree.
//
// The analysis is an ordered choice with backtracking, extended by a loop of
// left-recursive continuations; precedence travels in TAnalysisContext. The
// grammar lives in two small tables (grammar.cpp) and in the items themselves,
// each of which recognises its own syntax.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/source_map.h"
#include "analysis/words.h"
#include "stack_room.h"

class TQuorinBasicEnvironment;

namespace Quorin {

class TItem;
class TAnalyzedMacro;

using TItemId = int;

// Item ids; those marked abstract name groups that exist only in the grammar tables.
enum : TItemId {
    idOperator = 0,
    idArguments = 1,
    idVoidableExpression = 2,  // abstract
    idVoidExpression = 3,
    idExpression = 4,  // abstract
    idPreExpression = 5,
    idBracketedExpression = 6,
    idSymbol = 7,
    idCValue = 8,
    idSubExpression = 9,
    idBinaryExpression = 10,
    idFunctionCall = 11,
    idSentenceOrLabel = 12,  // abstract
    idLabel = 13,
    idSentence = 14,  // abstract
    idBlock = 15,
    idFormula = 16,        // abstract
    idSimpleFormula = 17,  // abstract
    idBreakFormula = 18,
    idReturnFormula = 19,
    idGotoFormula = 20,
    idWhileFormula = 21,
    idIfFormula = 22,
    idDoFormula = 23,
    idForFormula = 24,
    idNormalSentence = 25,
    idSentences = 26,
    idAnalyzedMacro = 27,
    itemIdCount = 28,
};

// Binding precedence of an atom, and "no bound".
constexpr int atomPrecedence = 2147483646;
constexpr int noBound = 2147483647;

struct TAnalysisContext {
    TItemId id;
    int low;
    int high;
};

class TCodeAnalysis {
public:
    TQuorinBasicEnvironment* environment;  // not owned
    std::string source;                    // not to be changed once split: the words view it
    TWords words;
    TSourceMap sourceMap;                  // from `source` back to the text given

    // Takes over `source` (a caller that moves its text in spares a copy).
    // Raises EQuorinSyntaxError for a text longer than Limits::maxSourceBytes,
    // as AnalyzeSource does when the directives make it longer.
    TCodeAnalysis(TQuorinBasicEnvironment* environment, std::string source);
    TCodeAnalysis(const TCodeAnalysis&) = delete;
    TCodeAnalysis& operator=(const TCodeAnalysis&) = delete;
    ~TCodeAnalysis();

    // The whole analysis: the macro, or null when the text does not analyse.
    std::unique_ptr<TAnalyzedMacro> AnalyzeSource();
    // The same, handing the sentences and labels of the outermost list to
    // `take` one at a time as each is analysed, instead of building the tree:
    // false when the text does not analyse (after some items may have been
    // handed on). Each item is `take`'s to keep or drop.
    bool AnalyzeSource(const std::function<void(std::unique_ptr<TItem>)>& take);

    // The driver. Builds an item of the kind `context.id` starting at `start`;
    // on success writes `context` and `end` and returns the item.
    std::unique_ptr<TItem> AnalyzeItem(TWordPosition start, TAnalysisContext& context,
                                       TWordPosition& end);

    static void ExpandItemId(std::vector<TItemId>& firsts, std::vector<TItemId>& continuations,
                             TItemId id);
    static std::unique_ptr<TItem> CreateItem(TQuorinBasicEnvironment* environment, TItemId id);

    // Whether the word at `position` reads `text` under the environment's name rule.
    bool IsWord(TWordPosition position, const std::string& text) {
        return IsWord(position, text.c_str(), text.size());
    }
    // The answer for a grammar literal comes from the word's cache once asked.
    [[gnu::always_inline]] bool IsWord(TWordPosition position, const char* text) {
        if (position > farthest) farthest = position;
        const std::string_view view(text);
        const int literal = GrammarLiteral(view);
        if (literal >= 0 && position < words.size()) {
            const std::uint32_t asked = std::uint32_t{1} << literal;
            const std::uint32_t answers = literalAnswers[words[position].text];
            if (answers & asked) return (answers & (asked << matchedShift)) != 0;
        }
        return IsWord(position, view.data(), view.size());
    }
    bool IsWord(TWordPosition position, const char* text, std::size_t length);
    // The rows of the operator table whose name the word at `position` reads, in table order.
    const std::vector<int>& OperatorRows(TWordPosition position) {
        return OperatorRowsAt(position).rows;
    }
    // Whether the word at `position` can be read as an operator of `form` with
    // a precedence of at least `lowest`, as an operator item reads it: when not,
    // asking for one is bound to fail.
    bool MayReadOperator(TWordPosition position, int form, int lowest);
    // The word at `position`, or null at the end.
    const TWord* WordAt(TWordPosition position) const {
        return position < words.size() ? &words[position] : nullptr;
    }
    // The text of the word at `position` (before the end).
    std::string_view TextAt(TWordPosition position) const { return texts[words[position].text]; }

    // Set when the analysis nested deeper than `depthLimit` (or than the stack
    // allows); the analysis then fails.
    bool TooDeep() const { return tooDeep; }
    // The farthest word any alternative looked at (words.size() for the end of
    // the text): where a text that does not analyse stops making sense.
    // A literal left open swallows the rest of the text, so the last word is
    // the better answer then.
    TWordPosition Farthest() const {
        return unclosedLiteral && farthest >= words.size() ? words.size() - 1 : farthest;
    }
    // Where the word at `position` stands in the text given: its first byte and
    // the length it spans there; the end position is the point just after the
    // last word.
    void OriginalRange(TWordPosition position, std::size_t& offset, std::size_t& length) const;
    int depthLimit;

    // The distinct texts of the identifier words.
    std::vector<std::string_view> IdentifierTexts() const;

    // Text preparation and word splitting, in the order AnalyzeSource calls them.
    void JoinContinuedLines();
    void RemoveComments();
    void ProcessDirectives();
    bool SplitWords();
    bool MatchOperator(std::size_t& position);
    int ScanNumber(std::size_t& position);
    bool ScanString(std::size_t& position);  // false when the text ends first

private:
    // The second half of AnalyzeItem: the continuations that extend `current`.
    [[gnu::noinline]] std::unique_ptr<TItem> AnalyzeContinuations(
        std::unique_ptr<TItem> current, TWordPosition start, const TAnalysisContext& request,
        TAnalysisContext& result, TWordPosition& end);
    // Empties the per-text caches for `count` distinct texts (SplitWords).
    void ResetWordCaches(std::size_t count);

    // The literal words the grammar asks for, numbered for the per-word caches;
    // -1 for any other text.
    [[gnu::always_inline]] static constexpr int GrammarLiteral(std::string_view text) {
        switch (text.size()) {
            case 1:
                switch (text[0]) {
                    case '(':
                        return 0;
                    case ')':
                        return 1;
                    case '{':
                        return 2;
                    case '}':
                        return 3;
                    case ';':
                        return 4;
                    case ':':
                        return 5;
                    case ',':
                        return 6;
                }
                return -1;
            case 2:
                return text == "if" ? 7 : text == "do" ? 8 : -1;
            case 3:
                return text == "for" ? 9 : -1;
            case 4:
                return text == "else" ? 10 : text == "goto" ? 11 : -1;
            case 5:
                return text == "while" ? 12 : text == "break" ? 13 : -1;
            case 6:
                return text == "return" ? 14 : -1;
        }
        return -1;
    }
    static constexpr int matchedShift = 16;

    // The name rule's answers depend on the text alone, and the same questions
    // come back for every alternative the driver tries at a position, so they
    // are remembered per distinct text of the words, by the text's number
    // (TWord::text). SplitWords numbers the texts and empties the caches, so
    // that words split anew are never answered from the caches of earlier ones.
    //
    // The texts by number: views of the source and of the merged literals.
    std::vector<std::string_view> texts;
    // Per text and grammar literal, bit n tells that the literal was asked and
    // bit n + matchedShift that the text reads it.
    std::vector<std::uint32_t> literalAnswers;
    // Per text, bit n tells that an item of kind n may start with it, as far as
    // the text alone tells, once startsKnown is set. The driver reads the mask
    // once per request and tries only the kinds it admits.
    std::vector<std::uint32_t> textStarts;
    static constexpr std::uint32_t startsKnown = std::uint32_t{1} << 31;
    static_assert(itemIdCount < 31);
    std::uint32_t StartsOf(TWordPosition position);
    // The mask for the word at `position` (before the end).
    std::uint32_t StartsAt(TWordPosition position) {
        std::uint32_t& starts = textStarts[words[position].text];
        if (!(starts & startsKnown)) starts = StartsOf(position) | startsKnown;
        return starts;
    }
    // Whether an item of the concrete kind `id`, requested with `context`, can
    // begin at `position` (before the end) at all, given the mask of the word
    // there: a cheap look that spares creating items bound to fail. What the
    // request or the next word decides is checked here.
    bool MayStartWith(std::uint32_t starts, TItemId id, TWordPosition position,
                      const TAnalysisContext& context) {
        if (!((starts >> id) & 1)) return false;
        switch (id) {
            case idOperator:
                return MayReadOperator(position, context.low, context.high);
            case idBinaryExpression:
                return MayReadOperator(position, formBinary, context.low) ||
                       MayReadOperator(position, formBinaryRight, context.low);
            case idLabel:
                return IsWord(position + 1, ":");
            default:
                return true;
        }
    }
    // The operator forms of the environment's table (TOperatorForm), which the
    // analyser counts without knowing the environment's header.
    static constexpr int formPrefix = 0, formPostfix = 1, formBinary = 2, formBinaryRight = 3;
    static constexpr int formCount = 4;
    struct TOperatorRows {
        std::vector<int> rows;
        // Per form, the highest precedence among the rows of that form.
        std::array<int, formCount> highest{INT_MIN, INT_MIN, INT_MIN, INT_MIN};
    };
    const TOperatorRows& OperatorRowsAt(TWordPosition position);

    std::vector<std::int32_t> operatorRowsIndex;  // per text: into operatorRowLists, -1 unknown
    std::vector<TOperatorRows> operatorRowLists;
    // The bytes the word at `position` (before the end) spans in the source.
    std::size_t SourceLength(TWordPosition position) const;
    // String literals merged from several, in word order. A deque, so that the
    // texts stay in place while more are added.
    struct TMergedLiteral {
        TWordPosition word;
        std::size_t sourceLength;  // from the first opening quote to the last closing one
        std::string text;
    };
    std::deque<TMergedLiteral> mergedLiterals;

    TWordPosition farthest = 0;
    TStackRoom stackRoom;
    bool unclosedLiteral = false;  // the last word is a string literal without its closing quote
    int depth = 0;  // AnalyzeItem calls in progress
    // The first word of each distinct text, by number.
    std::vector<TWordPosition> textFirstWords;
    bool tooDeep = false;
};

}  // namespace Quorin
