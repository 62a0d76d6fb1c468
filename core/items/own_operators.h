// The simplest cases of the stock operators, computed right in the syntax tree.
//
// When the environment's operators are TQuorinEnvironment's own (see
// TQuorinEnvironment::ComputesOwnOperators), an operator on plain numbers, a text
// comparison of two strings and "cat=" onto a variable are computed here instead
// of through CallOperator; every other case still goes to the environment. The
// results must be exactly the environment's.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>

#include "environment/operator_codes.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "items/number.h"
#include "values/values.h"

namespace Quorin::OwnOperators {

inline int Wrap(std::uint32_t value) {
    return static_cast<int>(value);
}
inline std::uint32_t U(int value) {
    return static_cast<std::uint32_t>(value);
}

[[noreturn]] inline void ThrowDivisionByZero() {
    throw EDivisionByZero(RuntimeMessage(Messages::divisionByZero));
}

// ---- what the operators compute on numbers --------------------------------------

inline double AsDouble(TNumber n) {
    return n.kind == TNumber::nInt ? n.i : n.d;
}
// The integer reading of a number, as the integer rule takes it.
inline int AsInt(TNumber n) {
    return n.kind == TNumber::nInt ? n.i : DoubleToInt(n.d);
}

// The comparison `Code` (kEqual ... kGreaterEqual) on two ints or two doubles.
template <int Code, typename T>
[[gnu::always_inline]] inline bool Compare(T a, T b) {
    if constexpr (Code == kEqual) {
        return a == b;
    } else if constexpr (Code == kNotEqual) {
        return a != b;
    } else if constexpr (Code == kLess) {
        return a < b;
    } else if constexpr (Code == kLessEqual) {
        return a <= b;
    } else if constexpr (Code == kGreater) {
        return a > b;
    } else {
        static_assert(Code == kGreaterEqual);
        return a >= b;
    }
}

template <int Code>
[[gnu::always_inline]] inline TNumber Compute(TNumber x, TNumber y) {
    if constexpr (Code == kAdd || Code == kSubtract || Code == kMultiply || Code == kEqual ||
                  Code == kNotEqual || Code == kLess || Code == kLessEqual || Code == kGreater ||
                  Code == kGreaterEqual) {
        // Ints wrap around in 32 bits; comparisons give 1 or 0 either way.
        if (x.kind == TNumber::nInt && y.kind == TNumber::nInt) {
            const int a = x.i, b = y.i;
            if constexpr (Code == kAdd) {
                return TNumber::Int(Wrap(U(a) + U(b)));
            } else if constexpr (Code == kSubtract) {
                return TNumber::Int(Wrap(U(a) - U(b)));
            } else if constexpr (Code == kMultiply) {
                return TNumber::Int(Wrap(U(a) * U(b)));
            } else {
                return TNumber::Int(Compare<Code>(a, b));
            }
        }
        const double a = AsDouble(x), b = AsDouble(y);
        if constexpr (Code == kAdd) {
            return TNumber::Double(a + b);
        } else if constexpr (Code == kSubtract) {
            return TNumber::Double(a - b);
        } else if constexpr (Code == kMultiply) {
            return TNumber::Double(a * b);
        } else {
            return TNumber::Int(Compare<Code>(a, b));
        }
    } else if constexpr (Code == kDivide) {
        const double a = AsDouble(x), b = AsDouble(y);
        if (b == 0.0) OwnOperators::ThrowDivisionByZero();
        return TNumber::Double(a / b);
    } else if constexpr (Code == kDiv || Code == kRemainder) {
        const int a = AsInt(x), b = AsInt(y);
        if (b == 0) OwnOperators::ThrowDivisionByZero();
        if (b == -1) return TNumber::Int(Code == kDiv ? Wrap(0u - U(a)) : 0);
        return TNumber::Int(Code == kDiv ? a / b : a % b);
    } else if constexpr (Code == kBitAnd) {
        return TNumber::Int(AsInt(x) & AsInt(y));
    } else if constexpr (Code == kBitOr) {
        return TNumber::Int(AsInt(x) | AsInt(y));
    } else if constexpr (Code == kXor) {
        return TNumber::Int(AsInt(x) ^ AsInt(y));
    } else if constexpr (Code == kShiftLeft) {
        return TNumber::Int(Wrap(U(AsInt(x)) << (U(AsInt(y)) & 31u)));
    } else if constexpr (Code == kShiftRight) {
        return TNumber::Int(AsInt(x) >> (U(AsInt(y)) & 31u));
    } else if constexpr (Code == kAnd) {
        const bool a = x.Truth(), b = y.Truth();
        return TNumber::Int(a && b);
    } else {
        static_assert(Code == kOr);
        const bool a = x.Truth(), b = y.Truth();
        return TNumber::Int(a || b);
    }
}

template <int Code>
[[gnu::always_inline]] inline TNumber ComputePrefix(TNumber x) {
    if constexpr (Code == kNegate) {
        return x.kind == TNumber::nInt ? TNumber::Int(Wrap(0u - U(x.i))) : TNumber::Double(-x.d);
    } else if constexpr (Code == kPlus) {
        return x;
    } else if constexpr (Code == kNot) {
        return TNumber::Int(!x.Truth());
    } else {
        static_assert(Code == kComplement);
        return TNumber::Int(~AsInt(x));
    }
}

// Calls `f` with the code as a std::integral_constant when it names a binary
// operator computed on numbers (one that Compute takes); false otherwise.
template <typename F>
bool ForBinaryOperator(int code, F&& f) {
    switch (code) {
#define QUORIN_NUMBER_OPERATOR(c)            \
    case c:                                  \
        f(std::integral_constant<int, c>()); \
        return true;
        QUORIN_NUMBER_OPERATOR(kEqual)
        QUORIN_NUMBER_OPERATOR(kNotEqual)
        QUORIN_NUMBER_OPERATOR(kAnd)
        QUORIN_NUMBER_OPERATOR(kOr)
        QUORIN_NUMBER_OPERATOR(kLess)
        QUORIN_NUMBER_OPERATOR(kGreaterEqual)
        QUORIN_NUMBER_OPERATOR(kGreater)
        QUORIN_NUMBER_OPERATOR(kLessEqual)
        QUORIN_NUMBER_OPERATOR(kAdd)
        QUORIN_NUMBER_OPERATOR(kSubtract)
        QUORIN_NUMBER_OPERATOR(kMultiply)
        QUORIN_NUMBER_OPERATOR(kDivide)
        QUORIN_NUMBER_OPERATOR(kDiv)
        QUORIN_NUMBER_OPERATOR(kRemainder)
        QUORIN_NUMBER_OPERATOR(kBitAnd)
        QUORIN_NUMBER_OPERATOR(kBitOr)
        QUORIN_NUMBER_OPERATOR(kShiftLeft)
        QUORIN_NUMBER_OPERATOR(kShiftRight)
        QUORIN_NUMBER_OPERATOR(kXor)
        default:
            return false;
    }
}

// The same for the prefix operators ComputePrefix takes.
template <typename F>
bool ForPrefixOperator(int code, F&& f) {
    switch (code) {
        QUORIN_NUMBER_OPERATOR(kNegate)
        QUORIN_NUMBER_OPERATOR(kPlus)
        QUORIN_NUMBER_OPERATOR(kNot)
        QUORIN_NUMBER_OPERATOR(kComplement)
#undef QUORIN_NUMBER_OPERATOR
        default:
            return false;
    }
}

// ++ and -- (`code`) on a variable's content when it is an int: stepped in place,
// and `result`, when given, takes the operator's value. False, with nothing done,
// for any other code or content.
inline bool StepInt(int code, TExValue& content, TExValue* result) {
    if (content.Tag() != TExValue::tInt) return false;
    std::uint32_t step;
    switch (code) {
        case kPreIncrement:
        case kPostIncrement:
            step = 1u;
            break;
        case kPreDecrement:
        case kPostDecrement:
            step = ~0u;
            break;
        default:
            return false;
    }
    const int before = content.ToInt();
    const int after = Wrap(U(before) + step);
    content.SetInt(after);
    if (result) *result = TExValue(code == kPreIncrement || code == kPreDecrement ? after : before);
    return true;
}

// ---- the same on value handles ------------------------------------------------

// Whether two texts are equal. Texts that differ mostly do so in their length or
// their first byte, and one-byte texts (single characters) are common: those are
// told apart without calling memcmp.
inline bool SameText(const std::string& a, const std::string& b) {
    const std::size_t size = a.size();
    if (size != b.size()) return false;
    if (size == 0) return true;
    if (a[0] != b[0]) return false;
    return size == 1 || std::memcmp(a.data() + 1, b.data() + 1, size - 1) == 0;
}

// Binary operators on two right values: numbers, and equ/!equ on two strings.
// False for anything else.
inline bool Binary(int code, const TExValue& left, const TExValue& right, TExValue& result) {
    if (code == kEqu || code == kNotEqu) {
        // Texts compared as texts: two strings are compared in place.
        const std::string* a = left.StringPointer();
        const std::string* b = a ? right.StringPointer() : nullptr;
        if (!b) return false;
        const bool same = SameText(*a, *b);
        result = TExValue(code == kEqu ? same : !same);
        return true;
    }
    const TNumber x = TNumber::Of(left), y = TNumber::Of(right);
    if (!x || !y) return false;
    return ForBinaryOperator(code, [&](auto c) { result = Compute<c.value>(x, y).Value(); });
}

// ---- "cat=" onto a variable -----------------------------------------------------

// Whether the text of a value is read without calling into the host: it is no
// value object and no foreign left value.
inline bool ReadsWithoutHost(const TExValue& value) {
    switch (value.Tag()) {
        case TExValue::tEmpty:
        case TExValue::tInt:
        case TExValue::tDouble:
        case TExValue::tString:
            return true;
        default:
            return false;
    }
}

// The stock "cat=" with a variable on the left, exactly as the environment's
// compound assignment and "cat" compute it: the content's text joined with the
// text of `right`, the content's string grown in place when nobody shares it, and
// std::bad_alloc, with the variable unchanged, when the joined text would be
// longer than Limits::maxStringBytes. `right` may refer to the variable itself;
// the environment then joins a copy, and so does this. False, with nothing done,
// when either side is a host's value, whose reading is left to the environment.
inline bool CatAssign(TVariable& variable, const TExValue& right) {
    TExValue& content = variable.MutableContent();
    const TExValue& tail = right.Resolved();
    if (!ReadsWithoutHost(content) || !ReadsWithoutHost(tail)) return false;
    std::string tailStorage;
    const std::string* text = tail.StringPointer();
    if (!text) {
        tailStorage = tail.ToString();
        text = &tailStorage;
    }
    std::string joined;
    if (const std::string* head = content.StringPointer()) {
        // Appending in place checks the length itself.
        if (right.LeftValue() != &variable && content.AppendString(*text)) return true;
        CheckJoinedLength(head->size(), text->size());
        joined.reserve(head->size() + text->size());
        joined.append(*head);
    } else {
        joined = content.ToString();
        CheckJoinedLength(joined.size(), text->size());
    }
    joined.append(*text);
    content = TExValue(std::move(joined));
    return true;
}

// Prefix and postfix operators on a number; `operand` is the handle as evaluated
// (a variable for the increments). False for anything else.
inline bool Unary(int code, const TExValue& operand, TExValue& result) {
    if (TLValue* target = operand.LeftValue(); target && target->kind == TLRValue::kVariable) {
        if (StepInt(code, static_cast<TVariable*>(target)->MutableContent(), &result)) return true;
    }
    const TNumber x = TNumber::Of(operand.Resolved());
    if (!x) return false;
    return ForPrefixOperator(code, [&](auto c) { result = ComputePrefix<c.value>(x).Value(); });
}

}  // namespace Quorin::OwnOperators
