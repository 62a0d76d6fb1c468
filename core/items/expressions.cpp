#include "items/expressions.h"

#include <cstdlib>

#include "items/calls.h"

namespace Quorin {

namespace {

// Writes the bounds every atom reports: it binds tighter than any operator.
void SetAtom(TAnalysisContext& context) {
    context.low = context.high = atomPrecedence;
}

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
        context.high = info.precedence;
        end = start + 1;
        return true;
    }
    return false;
}

void TOperator::Dump(std::string& out) const {
    out += Name();
}

// ---- TVoidExpression ----------------------------------------------------------

bool TVoidExpression::Analyze(TCodeAnalysis&, TWordPosition start, TAnalysisContext& context,
                              TWordPosition& end) {
    end = start;
    SetAtom(context);
    return true;
}

void TVoidExpression::Dump(std::string& out) const {
    out += "<>";
}

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
    end = operandEnd;
    context.high = precedence;
    context.low = operandContext.low;
    return true;
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
    name = analysis.TextAt(start);
    end = start + 1;
    SetAtom(context);
    return true;
}

void TSymbol::Dump(std::string& out) const {
    out += name;
}

// ---- TCValue ------------------------------------------------------------------

bool TCValue::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                      TWordPosition& end) {
    const TWord* word = analysis.WordAt(start);
    if (!word) return false;
    switch (word->kind) {
        case wkInteger: {
            int number;
            const std::string text(analysis.TextAt(start));
            if (ParseInt(text, &number)) {
                value = TExValue(number);
            } else {
                value = TExValue(std::strtod(text.c_str(), nullptr));
            }
            break;
        }
        case wkReal:
            value = TExValue(std::strtod(std::string(analysis.TextAt(start)).c_str(), nullptr));
            break;
        case wkString:
            value = TExValue(Unescape(analysis.TextAt(start)));
            break;
        default:
            return false;
    }
    end = start + 1;
    SetAtom(context);
    return true;
}

std::string TCValue::Unescape(std::string_view literal) {
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
    end = opEnd;
    context.low = precedence;
    context.high = previousContext.high;
    return true;
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
    TAnalysisContext rightContext{idExpression, static_cast<int>(precedence + 1 - rightAssociative),
                                  noBound};
    TWordPosition rightEnd;
    std::unique_ptr<TItem> rightItem = analysis.AnalyzeItem(opEnd, rightContext, rightEnd);
    if (!rightItem) return false;
    left = ItemCast<TExpression>(std::move(previous));
    op = ItemCast<TOperator>(std::move(opItem));
    right = ItemCast<TExpression>(std::move(rightItem));
    end = rightEnd;
    context.low = context.high = static_cast<int>(precedence);
    return true;
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

void ReleaseLeftSpine(std::unique_ptr<TExpression> left) {
    while (left) {
        std::unique_ptr<TExpression> next;
        switch (left->id) {
            case idBinaryExpression:
                next = std::move(static_cast<TBinaryExpression&>(*left).left);
                break;
            case idSubExpression:
                next = std::move(static_cast<TSubExpression&>(*left).left);
                break;
            case idFunctionCall:
                next = std::move(static_cast<TSubBracketedExpression&>(*left).left);
                break;
            default:
                break;
        }
        // Goes with its left part already taken: its destructor recurses no further.
        left = std::move(next);
    }
}

}  // namespace Quorin
