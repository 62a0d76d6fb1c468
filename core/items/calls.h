// Function calls: an expression followed by a bracketed argument list.
#pragma once

#include "items/item.h"

namespace Quorin {

// An expression followed by an opening bracket, an inner part and a closing
// bracket; the function call is its only kind.
class TSubBracketedExpression : public TExpression {
public:
    std::unique_ptr<TExpression> left;
    std::string openBracket;
    std::string closeBracket;
    int precedence;

    TSubBracketedExpression(TQuorinBasicEnvironment* environment, TItemId id,
                            std::string openBracket, std::string closeBracket, int precedence)
        : TExpression(environment, id),
          openBracket(std::move(openBracket)),
          closeBracket(std::move(closeBracket)),
          precedence(precedence) {}
    ~TSubBracketedExpression() override { ReleaseLeftSpine(std::move(left)); }

    bool AnalyzeContinuation(TCodeAnalysis& analysis, TWordPosition start,
                             TAnalysisContext& context, std::unique_ptr<TItem>& previous,
                             const TAnalysisContext& previousContext, TWordPosition previousEnd,
                             TWordPosition& end) override;
    virtual std::unique_ptr<TItem> AnalyzeInner(TCodeAnalysis& analysis,
                                                TWordPosition& position) = 0;
    virtual void SetInner(std::unique_ptr<TItem> inner) = 0;
};

class TArguments final : public TItem {
public:
    std::vector<std::unique_ptr<TVoidableExpression>> expressions;

    explicit TArguments(TQuorinBasicEnvironment* environment) : TItem(environment, idArguments) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

class TFunctionCall final : public TSubBracketedExpression {
public:
    // The precedence of a call: tighter than every operator.
    static constexpr int callPrecedence = 240;

    std::unique_ptr<TArguments> arguments;

    explicit TFunctionCall(TQuorinBasicEnvironment* environment)
        : TSubBracketedExpression(environment, idFunctionCall, "(", ")", callPrecedence) {}

    std::unique_ptr<TItem> AnalyzeInner(TCodeAnalysis& analysis, TWordPosition& position) override;
    void SetInner(std::unique_ptr<TItem> inner) override;
    void Dump(std::string& out) const override;
};

}  // namespace Quorin
