// The analyser: prepares a macro's text, splits it into words and analyses the
// words into a syntax tree.
//
// The analysis is an ordered choice with backtracking, extended by a loop of
// left-recursive continuations; precedence travels in TAnalysisContext. The
// grammar lives in two small tables (grammar.cpp) and in the items themselves,
// each of which recognises its own syntax.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "analysis/words.h"

class TQuorinBasicEnvironment;
class TQuorinEnvironment;

namespace Quorin {

class TItem;
class TItemArena;
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
    std::string source;  // not to be changed once split: the words view it
    TWords words;

    TCodeAnalysis(TQuorinBasicEnvironment* environment, const std::string& source);
    TCodeAnalysis(const TCodeAnalysis&) = delete;
    TCodeAnalysis& operator=(const TCodeAnalysis&) = delete;
    ~TCodeAnalysis();

    // The whole analysis: the macro, or null when the text does not analyse.
    std::unique_ptr<TAnalyzedMacro> AnalyzeSource();

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
    bool IsWord(TWordPosition position, const char* text) {
        return IsWord(position, text, std::char_traits<char>::length(text));
    }
    bool IsWord(TWordPosition position, const char* text, std::size_t length);
    // The rows of the operator table whose name the word at `position` reads, in table order.
    const std::vector<int>& OperatorRows(TWordPosition position);
    // Whether an item of the concrete kind `id` can begin at `position` at all: a
    // cheap look at the first word that spares creating items bound to fail.
    bool MayStart(TItemId id, TWordPosition position);
    bool CompareNames(const std::string& a, const std::string& b);
    // The word at `position`, or null at the end.
    const TWord* WordAt(TWordPosition position) const {
        return position < words.size() ? &words[position] : nullptr;
    }

    // What operator row `row` computes when the environment's operators are
    // TQuorinEnvironment's own (a TOperatorCode), else kUnknown: the tree then
    // leaves every operator to the environment's CallOperator.
    int OwnOperatorCode(int row);

    // Set when the tree grew taller than `depthLimit`; the analysis then fails.
    bool TooDeep() const { return tooDeep; }
    int depthLimit;

    // Text preparation and word splitting, in the order AnalyzeSource calls them.
    void JoinContinuedLines();
    void RemoveComments();
    void ProcessDirectives();
    bool SplitWords();
    bool MatchOperator(std::size_t& position);
    int ScanNumber(std::size_t& position);
    void ScanString(std::size_t& position);

private:
    void PrepareWordCaches();

    // Answers of the name rule remembered per word: the same questions come back
    // for every alternative the driver tries at a position.
    std::vector<std::uint32_t> literalsAsked;  // bit per grammar literal
    std::vector<std::uint32_t> literalsMatched;
    std::vector<std::int32_t> operatorRowsIndex;  // into operatorRowLists, -1 unknown
    std::vector<std::vector<int>> operatorRowLists;
    std::unordered_map<std::string_view, std::int32_t> operatorRowsByText;
    // The texts of string literals merged from several (a deque, so that the
    // words' views of them stay put).
    std::deque<std::string> mergedLiterals;

    TQuorinEnvironment* ownOperators;   // the environment, when its operators are the stock ones
    std::shared_ptr<TItemArena> arena;  // where AnalyzeSource builds the items
    int depth = 0;                      // AnalyzeItem calls in progress
    int childHeight = 0;                // tallest item finished below the item being analysed
    bool tooDeep = false;
};

}  // namespace Quorin
