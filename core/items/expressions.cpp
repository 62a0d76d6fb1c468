#include "items/expressions.h"

#include <cstdlib>

#include "engine/quorin.h"
#include "environment/environment.h"
#include "items/own_operators.h"

namespace Quorin {

namespace {

// Writes the bounds every atom reports: it binds tighter than any operator.
void SetAtom(TAnalysisContext& context) { context.low = context.high = atomPrecedence; }

}  // namespace

// ---- TOperator ----------------------------------------------------------------

bool TOperator::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                        TWordPosition& end) {
    const TWord* word = analysis.WordAt(start);
    if (!word || word->kind != wkOperator) return false;
    const auto& table = environment->operators;
    for (int row : analysis.OperatorRows(start)) {
        const TOperatorInfo& info = table[static_cast<std::size_t>(row)];
        if (info.form != context.low || info.precedence < context.high) continue;
        index = row;
        code = analysis.OwnOperatorCode(row);
        context.high = info.precedence;
        end = start + 1;
        return true;
    }
    return false;
}

void TOperator::Dump(std::string& out) const { out += Name(); }

// ---- TVoidExpression ----------------------------------------------------------

bool TVoidExpression::Analyze(TCodeAnalysis&, TWordPosition start, TAnalysisContext& context,
                              TWordPosition& end) {
    end = start;
    SetAtom(context);
    return true;
}

TExValue TVoidExpression::Evaluate(TQuorin&) { return TExValue(); }

void TVoidExpression::Dump(std::string& out) const { out += "<>"; }

// ---- operator application -------------------------------------------------------



// ---- TPreExpression -------------------------------------------------------------

bool TPreExpression::Analyze(TCodeAnalysis& analysis, TWordPosition start,
                             TAnalysisContext& context, TWordPosition& end) {
    TAnalysisContext opContext{idOperator, ofPrefix, 0};
    TWordPosition opEnd;
    std::unique_ptr<TItem> opItem = analysis.AnalyzeItem(start, opContext, opEnd);
    if (!opItem) return false;
    const int precedence = opContext.high;
    int bound = precedence;
    if (precedence < context.high) {
        bound = context.low;
        if (bound == noBound) return false;
    }
    TAnalysisContext operandContext{idExpression, bound, noBound};
    TWordPosition operandEnd;
    std::unique_ptr<TItem> operandItem = analysis.AnalyzeItem(opEnd, operandContext, operandEnd);
    if (!operandItem) return false;
    op = ItemCast<TOperator>(std::move(opItem));
    operand = ItemCast<TExpression>(std::move(operandItem));
    operands.resize(1);
    end = operandEnd;
    context.high = precedence;
    context.low = operandContext.low;
    return true;
}

TExValue TPreExpression::Evaluate(TQuorin& engine) {
    TExValue value = operand->Evaluate(engine);
    TExValue result;
    if (op->code != kUnknown && OwnOperators::Unary(op->code, value, result)) return result;
    operands[0] = std::move(value);
    return Apply(engine, *op, ofPrefix);
}

void TPreExpression::Dump(std::string& out) const {
    out += "(pre";
    op->Dump(out);
    out += ' ';
    operand->Dump(out);
    out += ')';
}

// ---- TBracketedExpression -------------------------------------------------------

bool TBracketedExpression::Analyze(TCodeAnalysis& analysis, TWordPosition start,
                                   TAnalysisContext& context, TWordPosition& end) {
    if (!analysis.IsWord(start, "(")) return false;
    TAnalysisContext innerContext{idExpression, 0, 0};
    TWordPosition innerEnd;
    std::unique_ptr<TItem> item = analysis.AnalyzeItem(start + 1, innerContext, innerEnd);
    if (!item || !analysis.IsWord(innerEnd, ")")) return false;
    inner = ItemCast<TExpression>(std::move(item));
    end = innerEnd + 1;
    SetAtom(context);
    return true;
}

void TBracketedExpression::Dump(std::string& out) const {
    out += "(group ";
    inner->Dump(out);
    out += ')';
}

// ---- TSymbol ------------------------------------------------------------------

bool TSymbol::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                      TWordPosition& end) {
    const TWord* word = analysis.WordAt(start);
    if (!word || word->kind != wkIdentifier) return false;
    name = word->text;
    end = start + 1;
    SetAtom(context);
    return true;
}

TExValue TSymbol::Evaluate(TQuorin& engine) {
    if (resolvedRun == engine.RunId()) {
        if (variable) return TExValue::Refer(variable);
        return TExValue(constant);
    }
    if (TLRValue* found = engine.FindVariable(name)) {
        if (found->kind == TLRValue::kVariable) {
            resolvedRun = engine.RunId();
            variable = static_cast<TVariable*>(found);
            constant = nullptr;
        } else if (found->IsRightValue()) {
            resolvedRun = engine.RunId();
            variable = nullptr;
            constant = static_cast<const TValue*>(found);
        }
        return TExValue(found);
    }
    std::vector<TExValue> noArguments;
    TExValue result;
    if (engine.CallFunction(name, noArguments, result)) return result;
    variable = engine.CreateVariable(name);
    constant = nullptr;
    resolvedRun = engine.RunId();
    return TExValue::Refer(variable);
}

void TSymbol::Dump(std::string& out) const { out += name; }

// ---- TCValue ------------------------------------------------------------------

bool TCValue::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                      TWordPosition& end) {
    const TWord* word = analysis.WordAt(start);
    if (!word) return false;
    switch (word->kind) {
        case wkInteger: {
            int number;
            if (ParseInt(word->text, &number)) {
                value = TExValue(number);
            } else {
                value = TExValue(std::strtod(word->text.c_str(), nullptr));
            }
            break;
        }
        case wkReal:
            value = TExValue(std::strtod(word->text.c_str(), nullptr));
            break;
        case wkString:
            value = TExValue(Unescape(word->text));
            break;
        default:
            return false;
    }
    end = start + 1;
    SetAtom(context);
    return true;
}

std::string TCValue::Unescape(const std::string& literal) {
    std::string text;
    if (literal.size() < 2) return text;
    const std::size_t last = literal.size() - 1;  // the closing quote's place
    text.reserve(last - 1);
    std::size_t copied = 1;
    for (std::size_t i = 1; i < last; ++i) {
        if (literal[i] != '\\') continue;
        text.append(literal, copied, i - copied);
        // In an unterminated literal the escaped byte may be the one standing in
        // the closing quote's place; it is translated all the same.
        const char next = literal[i + 1];
        switch (next) {
            case 'n':
                text += '\n';
                break;
            case 'r':
                text += '\r';
                break;
            case 't':
                text += '\t';
                break;
            default:
                text += next;
                break;
        }
        ++i;
        copied = i + 1;
    }
    if (copied < last) text.append(literal, copied, last - copied);
    return text;
}

void TCValue::Dump(std::string& out) const {
    switch (value.Tag()) {
        case TExValue::tInt:
            out += FormatInt(value.ToInt());
            break;
        case TExValue::tDouble: {
            std::string text = FormatReal(value.ToDouble());
            if (text.find('.') == std::string::npos) text += ".0";
            out += text;
            break;
        }
        default:
            out += '"';
            for (char c : value.ToString()) {
                if (c == '"' || c == '\\') out += '\\';
                if (c == '\n') {
                    out += "\\n";
                    continue;
                }
                out += c;
            }
            out += '"';
            break;
    }
}

// ---- TSubExpression -------------------------------------------------------------

bool TSubExpression::AnalyzeContinuation(TCodeAnalysis& analysis, TWordPosition,
                                         TAnalysisContext& context,
                                         std::unique_ptr<TItem>& previous,
                                         const TAnalysisContext& previousContext,
                                         TWordPosition previousEnd, TWordPosition& end) {
    TAnalysisContext opContext{idOperator, ofPostfix, 0};
    TWordPosition opEnd;
    std::unique_ptr<TItem> opItem = analysis.AnalyzeItem(previousEnd, opContext, opEnd);
    if (!opItem) return false;
    const int precedence = opContext.high;
    const int threshold = precedence >= context.low ? precedence : context.high;
    if (threshold == noBound) return false;
    if (!previous->IsExpression() || previousContext.high < threshold) return false;
    left = ItemCast<TExpression>(std::move(previous));
    op = ItemCast<TOperator>(std::move(opItem));
    operands.resize(1);
    end = opEnd;
    context.low = precedence;
    context.high = previousContext.high;
    return true;
}

TExValue TSubExpression::Evaluate(TQuorin& engine) {
    TExValue value = left->Evaluate(engine);
    TExValue result;
    if (op->code != kUnknown && OwnOperators::Unary(op->code, value, result)) return result;
    operands[0] = std::move(value);
    return Apply(engine, *op, ofPostfix);
}

void TSubExpression::Dump(std::string& out) const {
    out += "(post";
    op->Dump(out);
    out += ' ';
    left->Dump(out);
    out += ')';
}

// ---- TBinaryExpression ----------------------------------------------------------

bool TBinaryExpression::AnalyzeContinuation(TCodeAnalysis& analysis, TWordPosition,
                                            TAnalysisContext& context,
                                            std::unique_ptr<TItem>& previous,
                                            const TAnalysisContext& previousContext,
                                            TWordPosition previousEnd, TWordPosition& end) {
    const int minimum = context.low;
    TAnalysisContext opContext{idOperator, ofBinary, minimum};
    TWordPosition opEnd;
    std::unique_ptr<TItem> opItem = analysis.AnalyzeItem(previousEnd, opContext, opEnd);
    int rightAssociative = 0;
    if (!opItem) {
        opContext = TAnalysisContext{idOperator, ofBinaryRight, minimum};
        opItem = analysis.AnalyzeItem(previousEnd, opContext, opEnd);
        if (!opItem) return false;
        rightAssociative = 1;
    }
    const long long precedence = opContext.high;
    if (!previous->IsExpression() || previousContext.high < precedence + rightAssociative)
        return false;
    TAnalysisContext rightContext{idExpression,
                                  static_cast<int>(precedence + 1 - rightAssociative), noBound};
    TWordPosition rightEnd;
    std::unique_ptr<TItem> rightItem = analysis.AnalyzeItem(opEnd, rightContext, rightEnd);
    if (!rightItem) return false;
    left = ItemCast<TExpression>(std::move(previous));
    op = ItemCast<TOperator>(std::move(opItem));
    right = ItemCast<TExpression>(std::move(rightItem));
    operands.resize(2);
    end = rightEnd;
    context.low = context.high = static_cast<int>(precedence);
    return true;
}

TExValue TBinaryExpression::Evaluate(TQuorin& engine) {
    const int code = op->code;
    if (code != kUnknown && code != kAssign) {
        // Operands that are constants or known variables are read in place.
        const TExValue* leftLeaf = ReadableLeaf(*left, engine);
        const TExValue* rightLeaf = leftLeaf ? ReadableLeaf(*right, engine) : nullptr;
        TExValue result;
        if (rightLeaf && OwnOperators::Binary(code, *leftLeaf, *rightLeaf, result)) return result;
    }
    TExValue a = left->Evaluate(engine);
    TExValue b = right->Evaluate(engine);
    if (code == kAssign) {
        // The stock assignment: the variable takes the value, the result refers to it.
        TLValue* target = a.LeftValue();
        if (target && target->kind == TLRValue::kVariable) {
            static_cast<TVariable*>(target)->AssignMove(b);
            return a;
        }
    } else if (code != kUnknown) {
        TExValue result;
        if (OwnOperators::Binary(code, a.Resolved(), b.Resolved(), result)) return result;
    }
    operands[0] = std::move(a);
    operands[1] = std::move(b);
    return Apply(engine, *op, ofBinary);
}

bool TBinaryExpression::IsTrue(TQuorin& engine) {
    const int code = op->code;
    if (code == kEqual || code == kNotEqual || code == kLess || code == kLessEqual ||
        code == kGreater || code == kGreaterEqual) {
        // A comparison of two ints read in place decides without making a value.
        const TExValue* leftLeaf = ReadableLeaf(*left, engine);
        const TExValue* rightLeaf = leftLeaf ? ReadableLeaf(*right, engine) : nullptr;
        if (rightLeaf && leftLeaf->Tag() == TExValue::tInt && rightLeaf->Tag() == TExValue::tInt) {
            const int a = leftLeaf->ToInt(), b = rightLeaf->ToInt();
            switch (code) {
                case kEqual: return a == b;
                case kNotEqual: return a != b;
                case kLess: return a < b;
                case kLessEqual: return a <= b;
                case kGreater: return a > b;
                case kGreaterEqual: return a >= b;
                default: break;
            }
        }
    }
    return Evaluate(engine).ToBool();
}

void TBinaryExpression::Dump(std::string& out) const {
    out += '(';
    op->Dump(out);
    out += ' ';
    left->Dump(out);
    out += ' ';
    right->Dump(out);
    out += ')';
}

}  // namespace Quorin
