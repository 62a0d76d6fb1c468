// Expression nodes: operators, atoms, prefix, postfix and binary expressions.
//
// Precedence and associativity come from the environment's operator table and
// two bounds carried in the analysis context; see code_analysis.h.
#pragma once

#include "engine/quorin.h"
#include "environment/environment.h"
#include "environment/operator_codes.h"
#include "items/item.h"
#include "items/own_operators.h"

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
    // The vector, sized when the environment is first asked: nodes whose
    // operators the tree computes itself never allocate one.
    std::vector<TExValue>& Operands(std::size_t count) {
        if (operands.size() != count) operands.resize(count);
        return operands;
    }

    std::vector<TExValue> operands;
};

class TPreExpression final : public TOperatorApplication {
public:
    std::unique_ptr<TOperator> op;
    std::unique_ptr<TExpression> operand;
    TExpression* quickOperand = nullptr;  // the operand the quick path reads (no brackets)

    explicit TPreExpression(TQuorinBasicEnvironment* environment)
        : TOperatorApplication(environment, idPreExpression) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    TExValue Evaluate(TQuorin& engine) override;
    TExValue EvaluateUsual(TQuorin& engine) override { return Usual(engine, false); }
    void Dump(std::string& out) const override;

private:
    TExValue Usual(TQuorin& engine, bool quickOperand);
};

class TBracketedExpression final : public TExpression {
public:
    std::unique_ptr<TExpression> inner;

    explicit TBracketedExpression(TQuorinBasicEnvironment* environment)
        : TExpression(environment, idBracketedExpression) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    TExValue Evaluate(TQuorin& engine) override { return inner->Evaluate(engine); }
    TExValue EvaluateUsual(TQuorin& engine) override { return inner->EvaluateUsual(engine); }
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

    // The variable this name found earlier in the run, or null.
    TVariable* KnownVariable(const TQuorin& engine) const {
        return resolvedRun == engine.RunId() ? variable : nullptr;
    }
    // The number this name stands for when it found a variable or a constant
    // earlier in the run and that holds a number; nNone otherwise.
    [[gnu::always_inline]] TNumber KnownNumber(const TQuorin& engine) const {
        if (resolvedRun != engine.RunId()) return TNumber();
        return variable ? TNumber::Of(variable->Content()) : ConstantNumber();
    }

private:
    TNumber ConstantNumber() const;

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
    TNumber number;  // the value when it is a number

    explicit TCValue(TQuorinBasicEnvironment* environment) : TExpression(environment, idCValue) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    TExValue Evaluate(TQuorin&) override { return value; }
    void Dump(std::string& out) const override;

    // The text of a string literal between its quotes, escapes translated.
    static std::string Unescape(std::string_view literal);
};

// Evaluate, with the commonest operands read in place instead of through the
// virtual call: a name already known as a variable in this run, and a literal.
inline TExValue EvaluateOperand(TVoidableExpression& operand, TQuorin& engine) {
    if (operand.id == idSymbol) {
        if (TVariable* variable = static_cast<const TSymbol&>(operand).KnownVariable(engine))
            return TExValue::Refer(variable);
    } else if (operand.id == idCValue) {
        return static_cast<const TCValue&>(operand).value;
    }
    return operand.Evaluate(engine);
}

// The stock ++ and -- (`code`) on a name already known as a variable holding an
// int: the variable is stepped in place and `result`, when given, takes the
// operator's value. False, with nothing done, in any other case.
inline bool StepKnownVariable(const TExpression& operand, int code, TQuorin& engine,
                              TExValue* result) {
    if (operand.id != idSymbol) return false;
    TVariable* variable = static_cast<const TSymbol&>(operand).KnownVariable(engine);
    return variable && OwnOperators::StepInt(code, variable->MutableContent(), result);
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
    void Perform(TQuorin& engine) override;
    void Dump(std::string& out) const override;

    // Perform, with the quick step of a known variable tried inline.
    void PerformStep(TQuorin& engine) {
        if (!StepKnownVariable(*left, op->code, engine, nullptr)) Evaluate(engine);
    }
};

class TBinaryExpression final : public TOperatorApplication {
public:
    std::unique_ptr<TExpression> left;
    std::unique_ptr<TOperator> op;
    std::unique_ptr<TExpression> right;
    // The operands the quick path reads: left and right without their brackets.
    TExpression* quickLeft = nullptr;
    TExpression* quickRight = nullptr;

    explicit TBinaryExpression(TQuorinBasicEnvironment* environment)
        : TOperatorApplication(environment, idBinaryExpression) {}
    bool AnalyzeContinuation(TCodeAnalysis& analysis, TWordPosition start,
                             TAnalysisContext& context, std::unique_ptr<TItem>& previous,
                             const TAnalysisContext& previousContext, TWordPosition previousEnd,
                             TWordPosition& end) override;
    TExValue Evaluate(TQuorin& engine) override;
    TExValue EvaluateUsual(TQuorin& engine) override { return Usual(engine, false, false); }
    void Perform(TQuorin& engine) override;
    void Dump(std::string& out) const override;

    // Whether the item is the stock assignment with a name on the left and an
    // operand with a quick path on the right (set when the item is built).
    bool quickAssignment = false;
    // Perform for those items: a number goes into a known variable directly.
    void PerformAssignment(TQuorin& engine) {
        TVariable* target;
        switch (AssignNumber(engine, target)) {
            case kAssigned:
                return;
            case kGaveUp:
                Usual(engine, true, false);
                return;
            default:
                Usual(engine, true, true);
                return;
        }
    }

private:
    enum TAssignment { kNotTried, kAssigned, kGaveUp };
    // The assignment of a number to a known variable, for quickAssignment items.
    // kGaveUp: the right operand's quick path gave up, nothing is done.
    TAssignment AssignNumber(TQuorin& engine, TVariable*& target) {
        target = static_cast<TSymbol*>(quickLeft)->KnownVariable(engine);
        if (!target) return kNotTried;
        const TNumber n = quickRight->numberFn(*quickRight, engine);
        if (!n) return kGaveUp;
        TExValue& content = target->MutableContent();
        if (n.kind == TNumber::nInt) {
            content.SetInt(n.i);
        } else {
            content.SetDouble(n.d);
        }
        return kAssigned;
    }
    // The evaluation without this item's quick path; the flags tell whether the
    // operands may still take theirs.
    TExValue Usual(TQuorin& engine, bool leftQuick, bool rightQuick);
};

TExValue TOperatorApplication::Apply(TQuorin& engine, const TOperator& op, int form) {
    TExValue result;
    engine.CallOperator(op.Name(), form, operands, result);
    for (TExValue& operand : operands) operand.Reset();
    return result;
}

}  // namespace Quorin
