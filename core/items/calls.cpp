#include "items/calls.h"

#include "engine/quorin.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "items/expressions.h"

namespace Quorin {

bool TSubBracketedExpression::AnalyzeContinuation(TCodeAnalysis& analysis, TWordPosition,
                                                  TAnalysisContext& context,
                                                  std::unique_ptr<TItem>& previous,
                                                  const TAnalysisContext& previousContext,
                                                  TWordPosition previousEnd, TWordPosition& end) {
    if (precedence < context.low) return false;
    if (!analysis.IsWord(previousEnd, openBracket)) return false;
    if (!previous->IsExpression() || previousContext.high < precedence) return false;
    TWordPosition position = previousEnd + 1;
    std::unique_ptr<TItem> inner = AnalyzeInner(analysis, position);
    if (!inner || !analysis.IsWord(position, closeBracket)) return false;
    left = ItemCast<TExpression>(std::move(previous));
    SetInner(std::move(inner));
    end = position + 1;
    context.low = context.high = precedence;
    return true;
}

// Arguments are requested with the bounds 101: just above the comma operator, so
// that inside an argument the comma separates instead of combining.
constexpr int argumentBound = 101;

bool TArguments::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                         TWordPosition& end) {
    TWordPosition position = start;
    for (;;) {
        TAnalysisContext context{idVoidableExpression, argumentBound, argumentBound};
        TWordPosition next;
        std::unique_ptr<TItem> item = analysis.AnalyzeItem(position, context, next);
        if (!item) break;
        expressions.push_back(ItemCast<TVoidableExpression>(std::move(item)));
        position = next;
        if (!analysis.IsWord(position, ",")) break;
        ++position;
    }
    if (expressions.size() == 1 && expressions[0]->id == idVoidExpression) expressions.clear();
    end = position;
    return true;
}

void TArguments::Dump(std::string& out) const {
    for (const auto& expression : expressions) {
        out += ' ';
        expression->Dump(out);
    }
}

std::unique_ptr<TItem> TFunctionCall::AnalyzeInner(TCodeAnalysis& analysis,
                                                   TWordPosition& position) {
    TAnalysisContext context{idArguments, 0, 0};
    TWordPosition end;
    std::unique_ptr<TItem> inner = analysis.AnalyzeItem(position, context, end);
    if (inner) position = end;
    return inner;
}

void TFunctionCall::SetInner(std::unique_ptr<TItem> inner) {
    arguments = ItemCast<TArguments>(std::move(inner));
    values.reserve(arguments->expressions.size());
}

TExValue TFunctionCall::Evaluate(TQuorin& engine) {
    if (left->id != idSymbol)
        throw EWrongFunctionCall(RuntimeMessage(Messages::wrongFunctionCall));
    const std::string& name = static_cast<const TSymbol&>(*left).name;
    if (resolvedRun != engine.RunId()) {
        const TQuorinEnvironment* own = engine.OwnFunctions();
        builtin = own ? own->BuiltinFunction(name) : -1;
        resolvedRun = engine.RunId();
    }
    values.clear();
    for (const auto& expression : arguments->expressions)
        values.push_back(EvaluateOperand(*expression, engine));
    TExValue result;
    bool handled = true;
    if (builtin >= 0) {
        engine.CallBuiltin(builtin, name, values, result);
    } else {
        handled = engine.CallFunction(name, values, result);
    }
    values.clear();
    if (!handled) throw EFunctionNotExist(RuntimeMessage(Messages::FunctionNotExist(name)));
    return result;
}

void TFunctionCall::Dump(std::string& out) const {
    out += "(call ";
    left->Dump(out);
    arguments->Dump(out);
    out += ')';
}

}  // namespace Quorin
