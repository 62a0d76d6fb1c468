// Expression nodes: operators, atoms, prefix, postfix and binary expressions.
//
// Precedence and associativity come from the environment's operator table and
// two bounds carried in the analysis context; see code_analysis.h.
#pragma once

#include "engine/quorin.h"
#include "environment/environment.h"
#include "environment/operator_codes.h"
#include "items/item.h"

namespace Quorin {

// One operator word, resolved to its row of the environment's operator table.
class TOperator final : public TItem {
public:
    int index = -1;
    // What the row computes when the environment's operators are the stock ones
    // (a TOperatorCode), else kUnknown.
    int code;

    explicit TOperator(TQuorinBasicEnvironment* environment)
        : TItem(environment, idOperator), code(kUnknown) {}
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
    TExValue Evaluate(TQuorin& engine) override;
    void Dump(std::string& out) const override;
};

// Evaluates an operator on operands held in a vector the node keeps between
// evaluations, so that no evaluation allocates one. A node is never evaluated
// while its own evaluation is in progress, so one vector per node suffices.
class TOperatorApplication : public TExpression {
protected:
    using TExpression::TExpression;
    inline TExValue Apply(TQuorin& engine, const TOperator& op, int form);

    std::vector<TExValue> operands;
};

class TPreExpression final : public TOperatorApplication {
public:
    std::unique_ptr<TOperator> op;
    std::unique_ptr<TExpression> operand;

    explicit TPreExpression(TQuorinBasicEnvironment* environment)
        : TOperatorApplication(environment, idPreExpression) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    TExValue Evaluate(TQuorin& engine) override;
    void Dump(std::string& out) const override;
};

class TBracketedExpression final : public TExpression {
public:
    std::unique_ptr<TExpression> inner;

    explicit TBracketedExpression(TQuorinBasicEnvironment* environment)
        : TExpression(environment, idBracketedExpression) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    TExValue Evaluate(TQuorin& engine) override { return inner->Evaluate(engine); }
    void Dump(std::string& out) const override;
};

// A name: a variable, a constant, or a built-in function called without brackets.
class TSymbol final : public TExpression {
public:
    std::string name;

    explicit TSymbol(TQuorinBasicEnvironment* environment) : TExpression(environment, idSymbol) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    TExValue Evaluate(TQuorin& engine) override;
    void Dump(std::string& out) const override;

    // The content of the variable this name found earlier in the run, or null.
    const TExValue* KnownContent(const TQuorin& engine) const {
        return resolvedRun == engine.RunId() && variable ? &variable->Content() : nullptr;
    }

private:
    // What the name resolved to in the run `resolvedRun`: a variable or a constant.
    // Variables live until the end of the run and constants as long as the
    // environment, and a name that found one of them finds it again all run long.
    std::uint64_t resolvedRun = 0;
    TVariable* variable = nullptr;
    const TValue* constant = nullptr;
};

class TCValue final : public TExpression {
public:
    TExValue value;  // an int, a double or a string

    explicit TCValue(TQuorinBasicEnvironment* environment) : TExpression(environment, idCValue) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    TExValue Evaluate(TQuorin&) override { return value; }
    void Dump(std::string& out) const override;

    // The text of a string literal between its quotes, escapes translated.
    static std::string Unescape(const std::string& literal);
};

// The value of an operand that can be read without evaluating it: a constant, or
// a name already resolved to a variable in this run. Reading either has no effect,
// so it may stand in for evaluation wherever the value is read only. Null otherwise.
inline const TExValue* ReadableLeaf(const TExpression& expression, const TQuorin& engine) {
    if (expression.id == idCValue) return &static_cast<const TCValue&>(expression).value;
    if (expression.id == idSymbol) return static_cast<const TSymbol&>(expression).KnownContent(engine);
    return nullptr;
}

// An expression followed by a postfix operator.
class TSubExpression final : public TOperatorApplication {
public:
    std::unique_ptr<TExpression> left;
    std::unique_ptr<TOperator> op;

    explicit TSubExpression(TQuorinBasicEnvironment* environment)
        : TOperatorApplication(environment, idSubExpression) {}
    bool AnalyzeContinuation(TCodeAnalysis& analysis, TWordPosition start,
                             TAnalysisContext& context, std::unique_ptr<TItem>& previous,
                             const TAnalysisContext& previousContext, TWordPosition previousEnd,
                             TWordPosition& end) override;
    TExValue Evaluate(TQuorin& engine) override;
    void Dump(std::string& out) const override;
};

class TBinaryExpression final : public TOperatorApplication {
public:
    std::unique_ptr<TExpression> left;
    std::unique_ptr<TOperator> op;
    std::unique_ptr<TExpression> right;

    explicit TBinaryExpression(TQuorinBasicEnvironment* environment)
        : TOperatorApplication(environment, idBinaryExpression) {}
    bool AnalyzeContinuation(TCodeAnalysis& analysis, TWordPosition start,
                             TAnalysisContext& context, std::unique_ptr<TItem>& previous,
                             const TAnalysisContext& previousContext, TWordPosition previousEnd,
                             TWordPosition& end) override;
    TExValue Evaluate(TQuorin& engine) override;
    bool IsTrue(TQuorin& engine) override;
    void Dump(std::string& out) const override;
};

TExValue TOperatorApplication::Apply(TQuorin& engine, const TOperator& op, int form) {
    TExValue result;
    engine.CallOperator(op.Name(), form, operands, result);
    for (TExValue& operand : operands) operand.Reset();
    return result;
}

}  // namespace Quorin
