#include "analysis/code_analysis.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "environment/environment.h"
#include "environment/operator_codes.h"
#include "items/analyzed_macro.h"
#include "items/item_arena.h"
#include "quorin_limits.h"

namespace Quorin {

namespace {

struct TExpansion {
    std::vector<TItemId> firsts;
    std::vector<TItemId> continuations;
};

// The grammar tables flattened once per id; the driver needs them on every request.
const TExpansion& Expansion(TItemId id) {
    static const std::array<TExpansion, itemIdCount> expansions = [] {
        std::array<TExpansion, itemIdCount> all;
        for (TItemId i = 0; i < itemIdCount; ++i)
            TCodeAnalysis::ExpandItemId(all[i].firsts, all[i].continuations, i);
        return all;
    }();
    return expansions[id];
}

}  // namespace

TCodeAnalysis::TCodeAnalysis(TQuorinBasicEnvironment* environment, const std::string& source)
    : environment(environment),
      source(source),
      depthLimit(Limits::maxTreeDepth),
      ownOperators(TQuorinEnvironment::ComputesOwnOperators(environment)
                       ? static_cast<TQuorinEnvironment*>(environment)
                       : nullptr) {}

int TCodeAnalysis::OwnOperatorCode(int row) {
    return ownOperators ? ownOperators->RowCode(static_cast<std::size_t>(row)) : kUnknown;
}

TCodeAnalysis::~TCodeAnalysis() = default;

std::unique_ptr<TAnalyzedMacro> TCodeAnalysis::AnalyzeSource() {
    JoinContinuedLines();
    RemoveComments();
    ProcessDirectives();
    SplitWords();
    PrepareWordCaches();
    arena = std::make_shared<TItemArena>();
    std::unique_ptr<TItem> item;
    TWordPosition end;
    {
        TItemArena::TScope scope(arena.get());
        TAnalysisContext context{idAnalyzedMacro, 0, 0};
        item = AnalyzeItem(0, context, end);
    }
    if (!item || item->id != idAnalyzedMacro || end != words.size()) return nullptr;
    auto macro = ItemCast<TAnalyzedMacro>(std::move(item));
    macro->arena = arena;
    macro->PrepareLabels();
    return macro;
}

// Besides choosing among alternatives, the driver measures the height of every
// item it builds (`childHeight` collects the tallest item finished below the one
// being analysed). Analysis, evaluation and destruction all recurse along the
// tree, so no tree may grow taller than the limit; once one does, every request
// fails at once and the analysis reports the nesting instead of a syntax error.
std::unique_ptr<TItem> TCodeAnalysis::AnalyzeItem(TWordPosition start, TAnalysisContext& context,
                                                  TWordPosition& end) {
    if (tooDeep || start >= words.size()) return nullptr;
    if (depth >= depthLimit) {
        tooDeep = true;
        return nullptr;
    }
    // No request names an id outside the tables; the factory reports one that does.
    if (context.id < 0 || context.id >= itemIdCount) CreateItem(environment, context.id);
    ++depth;
    const int outerHeight = childHeight;
    struct TRestore {
        int& depth;
        ~TRestore() { --depth; }
    } restore{depth};

    const TExpansion& expansion = Expansion(context.id);
    std::unique_ptr<TItem> current;
    TAnalysisContext currentContext{};
    TWordPosition currentEnd = start;
    int height = 0;
    for (TItemId kind : expansion.firsts) {
        if (!MayStart(kind, start)) continue;
        std::unique_ptr<TItem> item = CreateItem(environment, kind);
        TAnalysisContext attempt = context;
        TWordPosition attemptEnd = start;
        childHeight = 0;
        if (item->Analyze(*this, start, attempt, attemptEnd)) {
            current = std::move(item);
            currentContext = attempt;
            currentEnd = attemptEnd;
            height = childHeight + 1;
            break;
        }
        if (tooDeep) break;
    }
    if (!current || tooDeep || height > depthLimit) {
        if (current) tooDeep = true;
        childHeight = outerHeight;
        return nullptr;
    }

    while (!expansion.continuations.empty() && currentEnd < words.size()) {
        bool extended = false;
        for (TItemId kind : expansion.continuations) {
            if (!MayStart(kind, currentEnd)) continue;
            std::unique_ptr<TItem> item = CreateItem(environment, kind);
            TAnalysisContext attempt = context;
            TWordPosition attemptEnd = currentEnd;
            childHeight = 0;
            if (item->AnalyzeContinuation(*this, start, attempt, current, currentContext,
                                          currentEnd, attemptEnd)) {
                current = std::move(item);
                currentContext = attempt;
                currentEnd = attemptEnd;
                height = std::max(height, childHeight) + 1;
                extended = true;
                break;
            }
            if (tooDeep) break;
        }
        if (tooDeep || height > depthLimit) {
            tooDeep = true;
            childHeight = outerHeight;
            return nullptr;
        }
        if (!extended) break;
    }

    context = currentContext;
    end = currentEnd;
    childHeight = std::max(outerHeight, height);
    return current;
}

namespace {

// The literal words the grammar asks for, numbered for the per-word caches; -1
// for any other text.
int GrammarLiteral(const char* text, std::size_t length) {
    auto is = [&](const char* literal) { return std::memcmp(text, literal, length) == 0; };
    switch (length) {
        case 1:
            switch (text[0]) {
                case '(': return 0;
                case ')': return 1;
                case '{': return 2;
                case '}': return 3;
                case ';': return 4;
                case ':': return 5;
                case ',': return 6;
            }
            return -1;
        case 2:
            return is("if") ? 7 : is("do") ? 8 : -1;
        case 3:
            return is("for") ? 9 : -1;
        case 4:
            return is("else") ? 10 : is("goto") ? 11 : -1;
        case 5:
            return is("while") ? 12 : is("break") ? 13 : -1;
        case 6:
            return is("return") ? 14 : -1;
    }
    return -1;
}

}  // namespace

void TCodeAnalysis::PrepareWordCaches() {
    literalsAsked.assign(words.size(), 0);
    literalsMatched.assign(words.size(), 0);
    operatorRowsIndex.assign(words.size(), -1);
    operatorRowLists.clear();
    operatorRowsByText.clear();
}

bool TCodeAnalysis::IsWord(TWordPosition position, const char* text, std::size_t length) {
    if (position >= words.size()) return false;
    const int literal =
        literalsAsked.size() == words.size() ? GrammarLiteral(text, length) : -1;
    if (literal < 0)
        return environment->SameName(std::string(words[position].text), std::string(text, length));
    const std::uint32_t bit = std::uint32_t{1} << literal;
    if (!(literalsAsked[position] & bit)) {
        literalsAsked[position] |= bit;
        if (environment->SameName(std::string(words[position].text), std::string(text, length)))
            literalsMatched[position] |= bit;
    }
    return (literalsMatched[position] & bit) != 0;
}

const std::vector<int>& TCodeAnalysis::OperatorRows(TWordPosition position) {
    if (operatorRowsIndex.size() != words.size()) PrepareWordCaches();
    std::int32_t& index = operatorRowsIndex[position];
    if (index < 0) {
        // Words of the same text match the same rows.
        auto known = operatorRowsByText.find(words[position].text);
        if (known != operatorRowsByText.end()) {
            index = known->second;
            return operatorRowLists[static_cast<std::size_t>(index)];
        }
        std::vector<int> rows;
        const auto& table = environment->operators;
        const std::string text(words[position].text);
        for (std::size_t row = 0; row < table.size(); ++row) {
            if (environment->SameName(table[row].name, text))
                rows.push_back(static_cast<int>(row));
        }
        index = static_cast<std::int32_t>(operatorRowLists.size());
        operatorRowLists.push_back(std::move(rows));
        operatorRowsByText.emplace(words[position].text, index);
    }
    return operatorRowLists[static_cast<std::size_t>(index)];
}

bool TCodeAnalysis::MayStart(TItemId id, TWordPosition position) {
    const TWord* word = WordAt(position);
    if (!word) return id == idVoidExpression;
    switch (id) {
        case idOperator:
        case idPreExpression:
        case idSubExpression:
        case idBinaryExpression:
            return word->kind == wkOperator;
        case idSymbol:
            return word->kind == wkIdentifier;
        case idLabel:
            return word->kind == wkIdentifier && IsWord(position + 1, ":");
        case idCValue:
            return word->kind == wkInteger || word->kind == wkReal || word->kind == wkString;
        case idBracketedExpression:
        case idFunctionCall:
            return IsWord(position, "(");
        case idBlock:
            return IsWord(position, "{");
        case idBreakFormula:
            return IsWord(position, "break");
        case idReturnFormula:
            return IsWord(position, "return");
        case idGotoFormula:
            return IsWord(position, "goto");
        case idWhileFormula:
            return IsWord(position, "while");
        case idIfFormula:
            return IsWord(position, "if");
        case idDoFormula:
            return IsWord(position, "do");
        case idForFormula:
            return IsWord(position, "for");
        default:
            return true;
    }
}

bool TCodeAnalysis::CompareNames(const std::string& a, const std::string& b) {
    return environment->SameName(a, b);
}

}  // namespace Quorin
