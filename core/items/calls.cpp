#include "items/calls.h"

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

// The argument list has no alternatives: it is read right here, as the driver
// would read it (which fails at the end of the words), saving every level of
// calls a level of the driver's recursion.
std::unique_ptr<TItem> TFunctionCall::AnalyzeInner(TCodeAnalysis& analysis,
                                                   TWordPosition& position) {
    if (position >= analysis.words.size()) return nullptr;
    auto inner = std::make_unique<TArguments>(environment);
    inner->start = static_cast<std::uint32_t>(position);
    TAnalysisContext context{idArguments, 0, 0};
    inner->TArguments::Analyze(analysis, position, context, position);
    return inner;
}

void TFunctionCall::SetInner(std::unique_ptr<TItem> inner) {
    arguments = ItemCast<TArguments>(std::move(inner));
}

void TFunctionCall::Dump(std::string& out) const {
    out += "(call ";
    left->Dump(out);
    arguments->Dump(out);
    out += ')';
}

}  // namespace Quorin
