// What the 45 operators of the table compute.
#include <cstdint>
#include <utility>

#include "environment/environment.h"
#include "environment/operator_codes.h"
#include "errors/errors.h"
#include "errors/messages.h"

using Quorin::TExValue;
using namespace Quorin;

namespace {

struct TDispatchEntry {
    std::string name;
    int form;
    int code;
};

// Requests that do not come from a table row are matched against this list in
// order; the first entry with the same name and form wins.
const std::vector<TDispatchEntry>& DispatchOrder() {
    static const std::vector<TDispatchEntry> entries = {
        {"=", ofBinary, kAssign},
        {"cat", ofBinary, kCat},
        {"==", ofBinary, kEqual},
        {"equ", ofBinary, kEqu},
        {"!=", ofBinary, kNotEqual},
        {"!equ", ofBinary, kNotEqu},
        {"&&", ofBinary, kAnd},
        {"||", ofBinary, kOr},
        {"++", ofPostfix, kPostIncrement},
        {"++", ofPrefix, kPreIncrement},
        {"<", ofBinary, kLess},
        {">=", ofBinary, kGreaterEqual},
        {">", ofBinary, kGreater},
        {"<=", ofBinary, kLessEqual},
        {"!", ofPrefix, kNot},
        {"-", ofPrefix, kNegate},
        {"+", ofBinary, kAdd},
        {"-", ofBinary, kSubtract},
        {"*", ofBinary, kMultiply},
        {"/", ofBinary, kDivide},
        {"div", ofBinary, kDiv},
        {"--", ofPostfix, kPostDecrement},
        {"--", ofPrefix, kPreDecrement},
        {"cmp", ofBinary, kCmp},
        {"%", ofBinary, kRemainder},
        {"&", ofBinary, kBitAnd},
        {"|", ofBinary, kBitOr},
        {"<<", ofBinary, kShiftLeft},
        {">>", ofBinary, kShiftRight},
        {"~", ofPrefix, kComplement},
        {"^", ofBinary, kXor},
        {",", ofBinary, kComma},
        {"+", ofPrefix, kPlus},
    };
    return entries;
}

inline int RowForm(const TOperatorInfo& row) {
    return row.form == ofBinaryRight ? static_cast<int>(ofBinary) : row.form;
}

bool IsUnary(int code) {
    switch (code) {
        case kPostIncrement:
        case kPreIncrement:
        case kNot:
        case kNegate:
        case kPostDecrement:
        case kPreDecrement:
        case kComplement:
        case kPlus:
            return true;
        default:
            return false;
    }
}

// 32-bit arithmetic that wraps: computed on unsigned operands, where overflow is defined.
inline int Wrap(std::uint32_t value) {
    return static_cast<int>(value);
}
inline std::uint32_t U(int value) {
    return static_cast<std::uint32_t>(value);
}

[[noreturn]] void ThrowDivisionByZero() {
    throw Quorin::EDivisionByZero(Quorin::RuntimeMessage(Quorin::Messages::divisionByZero));
}

// The string reading of a value without copying when the value already is a string.
const std::string& ReadString(const TExValue& value, std::string& storage) {
    if (const std::string* text = value.StringPointer()) return *text;
    storage = value.ToString();
    return storage;
}

// The numeric pair rule: ints when both operands read exactly as ints, else doubles.
struct TNumericPair {
    bool integral;
    int a, b;
    double x, y;

    TNumericPair(const TExValue& left, const TExValue& right) : x(0.0), y(0.0) {
        int leftCode, rightCode;
        a = left.ToInt(&leftCode);
        b = right.ToInt(&rightCode);
        integral = leftCode == Quorin::cvExact && rightCode == Quorin::cvExact;
        if (!integral) {
            x = left.ToDouble();
            y = right.ToDouble();
        }
    }
};

template <typename IntOp, typename DoubleOp>
void Arithmetic(const std::vector<TExValue>& operands, TExValue& result, IntOp intOp,
                DoubleOp doubleOp) {
    const TNumericPair pair(operands[0], operands[1]);
    if (pair.integral) {
        result = TExValue(intOp(pair.a, pair.b));
    } else {
        result = TExValue(doubleOp(pair.x, pair.y));
    }
}

template <typename Compare>
void Comparison(const std::vector<TExValue>& operands, TExValue& result, Compare compare) {
    const TNumericPair pair(operands[0], operands[1]);
    result = TExValue(pair.integral ? compare(pair.a, pair.b) : compare(pair.x, pair.y));
}

template <typename IntOp>
void Integral(const std::vector<TExValue>& operands, TExValue& result, IntOp intOp) {
    result = TExValue(intOp(operands[0].ToInt(), operands[1].ToInt()));
}

// "cmp": the first differing byte decides (as unsigned bytes), then the length.
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

void Concatenate(std::vector<TExValue>& operands, TExValue& result) {
    std::string rightStorage;
    const std::string& right = ReadString(operands[1], rightStorage);
    if (const std::string* left = operands[0].StringPointer())
        Quorin::CheckJoinedLength(left->size(), right.size());
    // A left operand that owns its string alone (the running text of "cat=", or an
    // intermediate result) grows in place, which keeps repeated appends linear.
    if (operands[0].AppendString(right)) {
        result = std::move(operands[0]);
        return;
    }
    std::string joined;
    if (const std::string* left = operands[0].StringPointer()) {
        joined.reserve(left->size() + right.size());
        joined.append(*left);
    } else {
        joined = operands[0].ToString();
        Quorin::CheckJoinedLength(joined.size(), right.size());
    }
    joined.append(right);
    result = TExValue(std::move(joined));
}

// Increments and decrements keep an exact int an int; any other value becomes a
// double. The operand is written before `result`, so a refused write leaves `result` alone.
void Step(TExValue& operand, TExValue& result, int delta, bool prefix) {
    int code;
    const int oldInt = operand.ToInt(&code);
    if (code == Quorin::cvExact) {
        const int newInt = Wrap(U(oldInt) + U(delta));
        TExValue stored(newInt);
        operand.SubstituteMove(stored);
        result = TExValue(prefix ? newInt : oldInt);
    } else {
        const double oldDouble = operand.ToDouble();
        const double newDouble = oldDouble + delta;
        TExValue stored(newDouble);
        operand.SubstituteMove(stored);
        result = TExValue(prefix ? newDouble : oldDouble);
    }
}

}  // namespace

std::ptrdiff_t TQuorinEnvironment::RowOf(const std::string& name) const {
    const std::size_t rows = operators.size();
    const auto first = reinterpret_cast<std::uintptr_t>(operators.data());
    const auto address = reinterpret_cast<std::uintptr_t>(&name);
    // An address below the storage wraps around to a huge offset and fails the test.
    const std::uintptr_t offset = address - first;
    if (offset >= rows * sizeof(TOperatorInfo)) return -1;
    const std::size_t row = offset / sizeof(TOperatorInfo);
    return &operators[row].name == &name ? static_cast<std::ptrdiff_t>(row) : -1;
}

// Codes are resolved lazily rather than in the constructor so that a derived
// environment's name rule and any rows it adds are taken into account.
void TQuorinEnvironment::ResolveRows() {
    const std::size_t rows = operators.size();
    rowCodes.assign(rows, kUnknown);
    rowBaseRows.assign(rows, -1);
    for (std::size_t row = 0; row < rows; ++row) {
        rowCodes[row] = CodeByName(operators[row].name, RowForm(operators[row]));
    }
    for (std::size_t row = 0; row < rows; ++row) {
        if (rowCodes[row] != kCompound) continue;
        const std::string& name = operators[row].name;
        const std::string base(name, 0, name.size() - 1);
        for (std::size_t other = 0; other < rows; ++other) {
            if (RowForm(operators[other]) == ofBinary && SameName(operators[other].name, base)) {
                rowBaseRows[row] = static_cast<int>(other);
                break;
            }
        }
        const int baseRow = rowBaseRows[row];
        if (baseRow >= 0 && rowCodes[static_cast<std::size_t>(baseRow)] == kCat)
            rowCodes[row] = kCatAssign;
    }
    resolvedRows = rows;
}

int TQuorinEnvironment::CodeByName(const std::string& name, int form) {
    for (const TDispatchEntry& entry : DispatchOrder()) {
        if (entry.form == form && SameName(name, entry.name)) return entry.code;
    }
    if (form == ofBinary && !name.empty() && name.back() == '=') return kCompound;
    return kUnknown;
}

int TQuorinEnvironment::RowCode(std::size_t row) {
    if (resolvedRows != operators.size()) ResolveRows();
    return row < rowCodes.size() ? rowCodes[row] : Quorin::kUnknown;
}

// The engine passes a table row's own `name` field, so the row is recognised by
// its address and its code looked up without comparing any text.
int TQuorinEnvironment::OperatorCode(const std::string& name, int form) {
    const std::ptrdiff_t row = RowOf(name);
    if (row >= 0) {
        if (resolvedRows != operators.size()) ResolveRows();
        if (form == RowForm(operators[static_cast<std::size_t>(row)])) {
            return rowCodes[static_cast<std::size_t>(row)];
        }
    }
    return CodeByName(name, form);
}

void TQuorinEnvironment::CallOperator(int userData, const std::string& name, int form,
                                      std::vector<TExValue>& operands, TExValue& result) {
    const int code = OperatorCode(name, form);
    const std::size_t needed = IsUnary(code) ? 1 : 2;
    if (code == kUnknown || operands.size() < needed) {
        TQuorinBasicEnvironment::CallOperator(userData, name, form, operands, result);
        return;
    }
    Compute(code, userData, name, operands, result);
}

void TQuorinEnvironment::Compute(int code, int userData, const std::string& name,
                                 std::vector<TExValue>& operands, TExValue& result) {
    switch (code) {
        case kAssign:
            operands[0].SubstituteMove(operands[1]);
            result = operands[0];
            return;
        case kCat:
            Concatenate(operands, result);
            return;
        case kEqual:
            Comparison(operands, result, [](auto a, auto b) { return a == b; });
            return;
        case kNotEqual:
            Comparison(operands, result, [](auto a, auto b) { return a != b; });
            return;
        case kLess:
            Comparison(operands, result, [](auto a, auto b) { return a < b; });
            return;
        case kLessEqual:
            Comparison(operands, result, [](auto a, auto b) { return a <= b; });
            return;
        case kGreater:
            Comparison(operands, result, [](auto a, auto b) { return a > b; });
            return;
        case kGreaterEqual:
            Comparison(operands, result, [](auto a, auto b) { return a >= b; });
            return;
        case kEqu:
        case kNotEqu: {
            std::string leftStorage, rightStorage;
            const bool same =
                ReadString(operands[0], leftStorage) == ReadString(operands[1], rightStorage);
            result = TExValue(code == kEqu ? same : !same);
            return;
        }
        case kCmp: {
            std::string leftStorage, rightStorage;
            result = TExValue(CompareBytes(ReadString(operands[0], leftStorage),
                                           ReadString(operands[1], rightStorage)));
            return;
        }
        case kAnd: {
            const bool left = operands[0].ToBool();
            const bool right = operands[1].ToBool();
            result = TExValue(left && right);
            return;
        }
        case kOr: {
            const bool left = operands[0].ToBool();
            const bool right = operands[1].ToBool();
            result = TExValue(left || right);
            return;
        }
        case kAdd:
            Arithmetic(
                operands, result, [](int a, int b) { return Wrap(U(a) + U(b)); },
                [](double a, double b) { return a + b; });
            return;
        case kSubtract:
            Arithmetic(
                operands, result, [](int a, int b) { return Wrap(U(a) - U(b)); },
                [](double a, double b) { return a - b; });
            return;
        case kMultiply:
            Arithmetic(
                operands, result, [](int a, int b) { return Wrap(U(a) * U(b)); },
                [](double a, double b) { return a * b; });
            return;
        case kDivide: {
            const double a = operands[0].ToDouble();
            const double b = operands[1].ToDouble();
            if (b == 0.0) ThrowDivisionByZero();
            result = TExValue(a / b);
            return;
        }
        case kDiv:
        case kRemainder: {
            const int a = operands[0].ToInt();
            const int b = operands[1].ToInt();
            if (b == 0) ThrowDivisionByZero();
            // Dividing the smallest int by -1 overflows in hardware; the wrapped
            // quotient is the smallest int itself and the remainder is 0.
            if (b == -1) {
                result = TExValue(code == kDiv ? Wrap(0u - U(a)) : 0);
            } else {
                result = TExValue(code == kDiv ? a / b : a % b);
            }
            return;
        }
        case kBitAnd:
            Integral(operands, result, [](int a, int b) { return a & b; });
            return;
        case kBitOr:
            Integral(operands, result, [](int a, int b) { return a | b; });
            return;
        case kXor:
            Integral(operands, result, [](int a, int b) { return a ^ b; });
            return;
        case kShiftLeft:
            Integral(operands, result, [](int a, int b) { return Wrap(U(a) << (U(b) & 31u)); });
            return;
        case kShiftRight:
            // Right shifts of negative ints are arithmetic since C++20.
            Integral(operands, result, [](int a, int b) { return a >> (U(b) & 31u); });
            return;
        case kComma:
            result = std::move(operands[1]);
            return;
        case kNot:
            result = TExValue(!operands[0].ToBool());
            return;
        case kComplement:
            result = TExValue(~operands[0].ToInt());
            return;
        case kNegate:
        case kPlus: {
            int intCode;
            const int value = operands[0].ToInt(&intCode);
            if (intCode == Quorin::cvExact) {
                result = TExValue(code == kNegate ? Wrap(0u - U(value)) : value);
            } else {
                const double number = operands[0].ToDouble();
                result = TExValue(code == kNegate ? -number : number);
            }
            return;
        }
        case kPreIncrement:
            Step(operands[0], result, 1, true);
            return;
        case kPostIncrement:
            Step(operands[0], result, 1, false);
            return;
        case kPreDecrement:
            Step(operands[0], result, -1, true);
            return;
        case kPostDecrement:
            Step(operands[0], result, -1, false);
            return;
        case kCompound:
        case kCatAssign:
            CompoundAssign(userData, name, operands, result);
            return;
        default:
            TQuorinBasicEnvironment::CallOperator(userData, name, ofBinary, operands, result);
    }
}

// A compound assignment computes its base operator through the virtual
// CallOperator, so a derived environment's own operators take part.
void TQuorinEnvironment::CompoundAssign(int userData, const std::string& name,
                                        std::vector<TExValue>& operands, TExValue& result) {
    // Pass the base operator's own row name when there is one, so that the nested
    // call takes the fast path too.
    std::string ownBase;
    const std::string* base = nullptr;
    const std::ptrdiff_t row = RowOf(name);
    if (row >= 0 && resolvedRows == operators.size() &&
        rowBaseRows[static_cast<std::size_t>(row)] >= 0) {
        base =
            &operators[static_cast<std::size_t>(rowBaseRows[static_cast<std::size_t>(row)])].name;
    } else {
        ownBase.assign(name, 0, name.size() - 1);
        base = &ownBase;
    }

    TExValue value;
    TExValue& left = operands[0];
    Quorin::TLValue* target = left.LeftValue();
    // "cat=" on a string variable lends the variable's text to "cat" for the
    // duration of the call, so that the text is unshared and grows in place
    // instead of being copied on every append. Not when the right operand is the
    // variable itself: it would read the lent-out (empty) content.
    if (target && target->kind == Quorin::TLRValue::kVariable &&
        operands[1].LeftValue() != target && OperatorCode(*base, ofBinary) == kCat) {
        TExValue& content = static_cast<Quorin::TVariable*>(target)->MutableContent();
        if (content.Tag() == TExValue::tString) {
            TExValue handle(std::move(left));
            left = std::move(content);
            try {
                CallOperator(userData, *base, ofBinary, operands, value);
            } catch (...) {
                if (content.IsEmpty()) content = std::move(left);
                left = std::move(handle);
                throw;
            }
            left = std::move(handle);
            left.SubstituteMove(value);
            result = left;
            return;
        }
    }

    // A left operand that is no variable is about to be refused; a second reference
    // keeps "cat" from consuming it, so the refused handle still holds its value.
    const TExValue keep = target ? TExValue() : left;
    CallOperator(userData, *base, ofBinary, operands, value);
    left.SubstituteMove(value);
    result = left;
}
