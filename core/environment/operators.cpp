// What the 45 operators of the table compute, and the stock CallOperator.
#include "environment/operators.h"

#include <cstring>
#include <utility>

#include "environment/environment.h"
#include "errors/errors.h"
#include "errors/messages.h"

namespace Quorin::Operators {

void ThrowDivisionByZero() {
    throw EDivisionByZero(RuntimeMessage(Messages::divisionByZero));
}

TNumberPair ReadNumberPairSlow(const TExValue& left, const TExValue& right) {
    TNumberPair pair{};
    int leftCode, rightCode;
    pair.a = left.ToInt(&leftCode);
    pair.b = right.ToInt(&rightCode);
    pair.integral = leftCode == cvExact && rightCode == cvExact;
    if (!pair.integral) {
        pair.x = left.ToDouble();
        pair.y = right.ToDouble();
    }
    return pair;
}

bool SameText(const std::string& a, const std::string& b) {
    const std::size_t size = a.size();
    if (size != b.size()) return false;
    if (size == 0) return true;
    if (a[0] != b[0]) return false;
    return size == 1 || std::memcmp(a.data() + 1, b.data() + 1, size - 1) == 0;
}

int CompareBytes(const std::string& left, const std::string& right) {
    const std::size_t common = left.size() < right.size() ? left.size() : right.size();
    for (std::size_t i = 0; i < common; ++i) {
        const int l = static_cast<unsigned char>(left[i]);
        const int r = static_cast<unsigned char>(right[i]);
        if (l != r) return l - r;
    }
    if (left.size() == right.size()) return 0;
    return left.size() < right.size() ? -1 : 1;
}

void Concatenate(const TExValue& left, const TExValue& right, TExValue& result) {
    std::string rightStorage;
    const std::string& tail = ReadString(right, rightStorage);
    // AppendString checks the length limit itself and refuses a shared text.
    if (&left == &result && result.AppendString(tail)) return;
    std::string joined;
    if (const std::string* head = left.StringPointer()) {
        CheckJoinedLength(head->size(), tail.size());
        joined.reserve(head->size() + tail.size());
        joined.append(*head);
    } else {
        joined = left.ToString();
        CheckJoinedLength(joined.size(), tail.size());
    }
    joined.append(tail);
    result = TExValue(std::move(joined));
}

void StepSlow(const TExValue& operand, int delta, bool prefix, TExValue* result) {
    int code;
    const int oldInt = operand.ToInt(&code);
    if (code == cvExact) {
        const int newInt = Wrap(U(oldInt) + U(delta));
        TExValue stored(newInt);
        operand.SubstituteMove(stored);
        if (result) result->SetInt(prefix ? newInt : oldInt);
    } else {
        const double oldDouble = operand.ToDouble();
        const double newDouble = oldDouble + delta;
        TExValue stored(newDouble);
        operand.SubstituteMove(stored);
        if (result) result->SetDouble(prefix ? newDouble : oldDouble);
    }
}

namespace {

struct TDispatchEntry {
    const char* name;
    int form;
    int code;
};

// The order in which a request is matched by name; the first entry with the
// same name and form wins.
constexpr TDispatchEntry dispatchOrder[] = {
    {"=", ofBinary, kAssign},           {"cat", ofBinary, kCat},
    {"==", ofBinary, kEqual},           {"equ", ofBinary, kEqu},
    {"!=", ofBinary, kNotEqual},        {"!equ", ofBinary, kNotEqu},
    {"&&", ofBinary, kAnd},             {"||", ofBinary, kOr},
    {"++", ofPostfix, kPostIncrement},  {"++", ofPrefix, kPreIncrement},
    {"<", ofBinary, kLess},             {">=", ofBinary, kGreaterEqual},
    {">", ofBinary, kGreater},          {"<=", ofBinary, kLessEqual},
    {"!", ofPrefix, kNot},              {"-", ofPrefix, kNegate},
    {"+", ofBinary, kAdd},              {"-", ofBinary, kSubtract},
    {"*", ofBinary, kMultiply},         {"/", ofBinary, kDivide},
    {"div", ofBinary, kDiv},            {"--", ofPostfix, kPostDecrement},
    {"--", ofPrefix, kPreDecrement},    {"cmp", ofBinary, kCmp},
    {"%", ofBinary, kRemainder},        {"&", ofBinary, kBitAnd},
    {"|", ofBinary, kBitOr},            {"<<", ofBinary, kShiftLeft},
    {">>", ofBinary, kShiftRight},      {"~", ofPrefix, kComplement},
    {"^", ofBinary, kXor},              {",", ofBinary, kComma},
    {"+", ofPrefix, kPlus},
};

}  // namespace

int CodeByName(TQuorinBasicEnvironment& environment, const std::string& name, int form) {
    // The stock name rule is asked without a virtual call and without building
    // a string per entry.
    const bool stock = environment.HasStockNameRule();
    std::string entryName;
    for (const TDispatchEntry& entry : dispatchOrder) {
        if (entry.form != form) continue;
        entryName = entry.name;
        if (stock ? environment.StockSameName(name, entryName)
                  : environment.SameName(name, entryName))
            return entry.code;
    }
    if (form == ofBinary && !name.empty() && name.back() == '=') return kCompound;
    return kUnknown;
}

bool IsUnary(int code) {
    int delta;
    bool prefix;
    return code == kNot || code == kNegate || code == kComplement || code == kPlus ||
           StepOf(code, delta, prefix);
}

void Compute(int code, std::vector<TExValue>& operands, TExValue& result) {
    if (code == kAssign) {
        operands[0].SubstituteMove(operands[1]);
        result = operands[0];
        return;
    }
    if (code == kComma) {
        result = std::move(operands[1]);
        return;
    }
    int delta;
    bool prefix;
    if (StepOf(code, delta, prefix)) {
        Step(operands[0], delta, prefix, &result);
        return;
    }
    if (WithUnary(code, [&](auto c) { Unary<c.value>(operands[0], result); })) return;
    // "cat" on an intermediate text that only the request holds grows it in place.
    if (code == kCat) {
        std::string storage;
        if (operands[0].AppendString(ReadString(operands[1], storage))) {
            result = std::move(operands[0]);
            return;
        }
    }
    WithBinary(code, [&](auto c) { Binary<c.value>(operands[0], operands[1], result); });
}

}  // namespace Quorin::Operators

using Quorin::TExValue;
namespace Operators = Quorin::Operators;

void TQuorinEnvironment::CallOperator(int userData, const std::string& name, int form,
                                      std::vector<TExValue>& operands, TExValue& result) {
    const int code = Operators::CodeByName(*this, name, form);
    const std::size_t needed = Operators::IsUnary(code) ? 1 : 2;
    if (code == Quorin::kUnknown || operands.size() < needed) {
        TQuorinBasicEnvironment::CallOperator(userData, name, form, operands, result);
        return;
    }
    if (code != Quorin::kCompound) {
        Operators::Compute(code, operands, result);
        return;
    }

    // A compound assignment computes its base operator through the virtual
    // CallOperator, so a derived environment's own operators take part. The name
    // passed is the base operator's row's, as for any operator from the table.
    std::string ownBase(name, 0, name.size() - 1);
    const std::string* base = &ownBase;
    for (const TOperatorInfo& row : operators) {
        if ((row.form == ofBinary || row.form == ofBinaryRight) && SameName(row.name, ownBase)) {
            base = &row.name;
            break;
        }
    }
    TExValue& left = operands[0];
    Quorin::TVariable* variable = left.Variable();
    if (variable && HasStockOperators() &&
        Operators::CodeByName(*this, *base, ofBinary) == Quorin::kCat) {
        // The stock "cat" onto a variable: the text grows in place.
        Operators::CatAssign(*variable, operands[1]);
        result = left;
        return;
    }
    // A left operand that is no variable is about to be refused; a second
    // reference keeps "cat" from taking its text, so the refused handle keeps it.
    const TExValue keep = variable ? TExValue() : left;
    TExValue value;
    CallOperator(userData, *base, ofBinary, operands, value);
    left.SubstituteMove(value);
    result = left;
}
