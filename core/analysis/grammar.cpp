// The grammar tables and the item factory.
//
// The order within each list is the order in which the driver tries the
// alternatives, and it decides the language: an expression is a symbol before a
// constant, a sentence is a block, then a formula, then an expression sentence,
// and only after all of these a label.
#include <array>

#include "analysis/code_analysis.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "items/analyzed_macro.h"
#include "items/calls.h"
#include "items/expressions.h"
#include "items/formulas.h"

namespace Quorin {

namespace {

using TKindList = std::vector<TItemId>;

struct TGrammar {
    std::array<TKindList, itemIdCount> firstKinds;
    std::array<TKindList, itemIdCount> continuationKinds;

    TGrammar() {
        firstKinds[idVoidableExpression] = {idExpression, idVoidExpression};
        firstKinds[idExpression] = {idSymbol, idCValue, idBracketedExpression, idPreExpression};
        continuationKinds[idExpression] = {idFunctionCall, idSubExpression, idBinaryExpression};
        firstKinds[idSentenceOrLabel] = {idSentence, idLabel};
        firstKinds[idSentence] = {idBlock, idFormula, idNormalSentence};
        firstKinds[idFormula] = {idSimpleFormula, idReturnFormula, idGotoFormula, idWhileFormula,
                                 idIfFormula,     idDoFormula,     idForFormula};
        firstKinds[idSimpleFormula] = {idBreakFormula};
    }
};

// Built on first use; function-local statics are initialised exactly once.
const TGrammar& Grammar() {
    static const TGrammar grammar;
    return grammar;
}

}  // namespace

void TCodeAnalysis::ExpandItemId(std::vector<TItemId>& firsts,
                                 std::vector<TItemId>& continuations, TItemId id) {
    const TGrammar& grammar = Grammar();
    if (id < 0 || id >= itemIdCount || grammar.firstKinds[id].empty()) {
        firsts.push_back(id);
        return;
    }
    for (TItemId first : grammar.firstKinds[id]) ExpandItemId(firsts, continuations, first);
    for (TItemId next : grammar.continuationKinds[id])
        ExpandItemId(continuations, continuations, next);
}

std::unique_ptr<TItem> TCodeAnalysis::CreateItem(TQuorinBasicEnvironment* environment,
                                                 TItemId id) {
    switch (id) {
        case idOperator:
            return std::make_unique<TOperator>(environment);
        case idArguments:
            return std::make_unique<TArguments>(environment);
        case idVoidExpression:
            return std::make_unique<TVoidExpression>(environment);
        case idPreExpression:
            return std::make_unique<TPreExpression>(environment);
        case idBracketedExpression:
            return std::make_unique<TBracketedExpression>(environment);
        case idSymbol:
            return std::make_unique<TSymbol>(environment);
        case idCValue:
            return std::make_unique<TCValue>(environment);
        case idSubExpression:
            return std::make_unique<TSubExpression>(environment);
        case idBinaryExpression:
            return std::make_unique<TBinaryExpression>(environment);
        case idFunctionCall:
            return std::make_unique<TFunctionCall>(environment);
        case idLabel:
            return std::make_unique<TLabel>(environment);
        case idBlock:
            return std::make_unique<TBlock>(environment);
        case idBreakFormula:
            return std::make_unique<TBreakFormula>(environment);
        case idReturnFormula:
            return std::make_unique<TReturnFormula>(environment);
        case idGotoFormula:
            return std::make_unique<TGotoFormula>(environment);
        case idWhileFormula:
            return std::make_unique<TWhileFormula>(environment);
        case idIfFormula:
            return std::make_unique<TIfFormula>(environment);
        case idDoFormula:
            return std::make_unique<TDoFormula>(environment);
        case idForFormula:
            return std::make_unique<TForFormula>(environment);
        case idNormalSentence:
            return std::make_unique<TNormalSentence>(environment);
        case idSentences:
            return std::make_unique<TSentences>(environment);
        case idAnalyzedMacro:
            return std::make_unique<TAnalyzedMacro>(environment);
        default:
            throw EQuorinFatalError(Messages::invalidItemKind);
    }
}

}  // namespace Quorin
