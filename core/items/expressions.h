// Expression nodes: operators, atoms, prefix, postfix and binary expressions.
//
// Precedence and associativity come from the environment's operator table and
// two bounds carried in the analysis context; see code_analysis.h.
#pragma once

#include "environment/environment.h"
#include "items/item.h"

namespace Quorin {

// One operator word, resolved to its row of the environment's operator table.
class TOperator final : public TItem {
public:
    int index = -1;

    explicit TOperator(TQuorinBasicEnvironment* environment) : TItem(environment, idOperator) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
    const std::string& Name() const { return environment->operators[index].name; }
};

// The empty expression: no word at all.
class TVoidExpression final : public TVoidableExpression {
public:
    explicit TVoidExpression(TQuorinBasicEnvironment* environment)
        : TVoidableExpression(environment, idVoidExpression) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

class TPreExpression final : public TExpression {
public:
    std::unique_ptr<TOperator> op;
    std::unique_ptr<TExpression> operand;

    explicit TPreExpression(TQuorinBasicEnvironment* environment)
        : TExpression(environment, idPreExpression) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

class TBracketedExpression final : public TExpression {
public:
    std::unique_ptr<TExpression> inner;

    explicit TBracketedExpression(TQuorinBasicEnvironment* environment)
        : TExpression(environment, idBracketedExpression) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

// A name: a variable, a constant, or a built-in function called without brackets.
class TSymbol final : public TExpression {
public:
    std::string name;

    explicit TSymbol(TQuorinBasicEnvironment* environment) : TExpression(environment, idSymbol) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

class TCValue final : public TExpression {
public:
    TExValue value;  // an int, a double or a string

    explicit TCValue(TQuorinBasicEnvironment* environment) : TExpression(environment, idCValue) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;

    // The text of a string literal between its quotes, escapes translated.
    static std::string Unescape(std::string_view literal);
};

// An expression followed by a postfix operator.
class TSubExpression final : public TExpression {
public:
    std::unique_ptr<TExpression> left;
    std::unique_ptr<TOperator> op;

    explicit TSubExpression(TQuorinBasicEnvironment* environment)
        : TExpression(environment, idSubExpression) {}
    ~TSubExpression() override { ReleaseLeftSpine(std::move(left)); }
    bool AnalyzeContinuation(TCodeAnalysis& analysis, TWordPosition start,
                             TAnalysisContext& context, std::unique_ptr<TItem>& previous,
                             const TAnalysisContext& previousContext, TWordPosition previousEnd,
                             TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

class TBinaryExpression final : public TExpression {
public:
    std::unique_ptr<TExpression> left;
    std::unique_ptr<TOperator> op;
    std::unique_ptr<TExpression> right;

    explicit TBinaryExpression(TQuorinBasicEnvironment* environment)
        : TExpression(environment, idBinaryExpression) {}
    ~TBinaryExpression() override { ReleaseLeftSpine(std::move(left)); }
    bool AnalyzeContinuation(TCodeAnalysis& analysis, TWordPosition start,
                             TAnalysisContext& context, std::unique_ptr<TItem>& previous,
                             const TAnalysisContext& previousContext, TWordPosition previousEnd,
                             TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

}  // namespace Quorin
