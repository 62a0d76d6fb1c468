// What the stock operators compute: the one definition, which both
// TQuorinEnvironment::CallOperator and the engine's instructions call.
//
// Every function reads its operands through the value readings (a handle that
// refers to a variable is read through it) and writes `result` only once the
// operands have been read, so `result` may be one of the operands' own
// storage. Two ints or two doubles held in place are settled inline; any other
// value goes to the general reading rule out of line.
#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "environment/operator_codes.h"
#include "values/values.h"

class TQuorinBasicEnvironment;

namespace Quorin::Operators {

// 32-bit arithmetic that wraps: computed on unsigned operands, where overflow is defined.
inline int Wrap(std::uint32_t value) {
    return static_cast<int>(value);
}
inline std::uint32_t U(int value) {
    return static_cast<std::uint32_t>(value);
}

[[noreturn]] void ThrowDivisionByZero();

// Two operands read by the numeric pair rule: ints when both read exactly as
// ints, doubles otherwise.
struct TNumberPair {
    bool integral;
    int a, b;
    double x, y;
};

// The rule for any two values; left's readings are taken before right's.
TNumberPair ReadNumberPairSlow(const TExValue& left, const TExValue& right);

[[gnu::always_inline]] inline bool HeldNumber(const TExValue& value) {
    return value.Tag() == TExValue::tInt || value.Tag() == TExValue::tDouble;
}
[[gnu::always_inline]] inline double HeldDouble(const TExValue& value) {
    return value.Tag() == TExValue::tInt ? value.IntValue() : value.DoubleValue();
}

[[gnu::always_inline]] inline TNumberPair ReadNumberPair(const TExValue& left,
                                                         const TExValue& right) {
    // Two numbers held in place are the usual case; two of the same type the commonest.
    const TExValue::TTag lt = left.Tag(), rt = right.Tag();
    if (lt == TExValue::tInt && rt == TExValue::tInt)
        return {true, left.IntValue(), right.IntValue(), 0.0, 0.0};
    if (lt == TExValue::tDouble && rt == TExValue::tDouble)
        return {false, 0, 0, left.DoubleValue(), right.DoubleValue()};
    const TExValue& l = left.Resolved();
    const TExValue& r = right.Resolved();
    if (l.Tag() == TExValue::tInt && r.Tag() == TExValue::tInt)
        return {true, l.IntValue(), r.IntValue(), 0.0, 0.0};
    // An int reads exactly as an int but a double does not: doubles then.
    if (HeldNumber(l) && HeldNumber(r)) return {false, 0, 0, HeldDouble(l), HeldDouble(r)};
    return ReadNumberPairSlow(left, right);
}

// The string reading of a value, without a copy when it already is a string.
inline const std::string& ReadString(const TExValue& value, std::string& storage) {
    if (const std::string* text = value.StringPointer()) return *text;
    storage = value.ToString();
    return storage;
}

// Whether two texts are equal. Texts that differ mostly do so in their length
// or their first byte, which is tested before memcmp.
bool SameText(const std::string& a, const std::string& b);
// "cmp": the first differing byte decides (as unsigned bytes), then the length.
int CompareBytes(const std::string& left, const std::string& right);
// "cat". When `result` is `left` itself holding a string nobody shares, the
// text grows in place, which keeps repeated appends linear.
void Concatenate(const TExValue& left, const TExValue& right, TExValue& result);

// The comparison `Code` (kEqual ... kGreaterEqual) of two numbers of one type.
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
[[gnu::always_inline]] inline bool Compare(const TExValue& left, const TExValue& right) {
    const TNumberPair pair = ReadNumberPair(left, right);
    return pair.integral ? Compare<Code>(pair.a, pair.b) : Compare<Code>(pair.x, pair.y);
}

constexpr bool IsComparison(int code) {
#define QUORIN_IS(name) code == k##name ||
    return QUORIN_COMPARISONS(QUORIN_IS) false;
#undef QUORIN_IS
}

// The binary operator `Code` (any code of a binary operator but kAssign and kComma,
// which are moves of handles, and the compound assignments).
template <int Code>
[[gnu::always_inline]] inline void Binary(const TExValue& left, const TExValue& right,
                                          TExValue& result) {
    if constexpr (Code == kAdd || Code == kSubtract || Code == kMultiply) {
        const TNumberPair pair = ReadNumberPair(left, right);
        if (pair.integral) {
            const std::uint32_t a = U(pair.a), b = U(pair.b);
            result.SetInt(Wrap(Code == kAdd ? a + b : Code == kSubtract ? a - b : a * b));
        } else {
            const double a = pair.x, b = pair.y;
            result.SetDouble(Code == kAdd ? a + b : Code == kSubtract ? a - b : a * b);
        }
    } else if constexpr (IsComparison(Code)) {
        result.SetInt(Compare<Code>(left, right));
    } else if constexpr (Code == kDivide) {
        const double a = left.ToDouble();
        const double b = right.ToDouble();
        if (b == 0.0) ThrowDivisionByZero();
        result.SetDouble(a / b);
    } else if constexpr (Code == kDiv || Code == kRemainder) {
        const int a = left.ToInt();
        const int b = right.ToInt();
        if (b == 0) ThrowDivisionByZero();
        // Dividing the smallest int by -1 overflows in hardware; the wrapped
        // quotient is the smallest int itself and the remainder is 0.
        if (b == -1) {
            result.SetInt(Code == kDiv ? Wrap(0u - U(a)) : 0);
        } else {
            result.SetInt(Code == kDiv ? a / b : a % b);
        }
    } else if constexpr (Code == kBitAnd || Code == kBitOr || Code == kXor) {
        const int a = left.ToInt();
        const int b = right.ToInt();
        result.SetInt(Code == kBitAnd ? (a & b) : Code == kBitOr ? (a | b) : (a ^ b));
    } else if constexpr (Code == kShiftLeft || Code == kShiftRight) {
        const int a = left.ToInt();
        const std::uint32_t count = U(right.ToInt()) & 31u;
        // Right shifts of negative ints are arithmetic since C++20.
        result.SetInt(Code == kShiftLeft ? Wrap(U(a) << count) : a >> count);
    } else if constexpr (Code == kAnd || Code == kOr) {
        const bool a = left.ToBool();
        const bool b = right.ToBool();
        result.SetInt(Code == kAnd ? (a && b) : (a || b));
    } else if constexpr (Code == kCat) {
        Concatenate(left, right, result);
    } else if constexpr (Code == kEqu || Code == kNotEqu) {
        std::string leftStorage, rightStorage;
        const bool same =
            SameText(ReadString(left, leftStorage), ReadString(right, rightStorage));
        result.SetInt(Code == kEqu ? same : !same);
    } else {
        static_assert(Code == kCmp);
        std::string leftStorage, rightStorage;
        result.SetInt(CompareBytes(ReadString(left, leftStorage), ReadString(right, rightStorage)));
    }
}

// The prefix operators "-", "+", "!" and "~".
template <int Code>
[[gnu::always_inline]] inline void Unary(const TExValue& operand, TExValue& result) {
    if constexpr (Code == kNegate || Code == kPlus) {
        // The int when the operand reads exactly as one, else the double reading.
        const TExValue& held = operand.Resolved();
        if (held.Tag() == TExValue::tDouble) {
            const double value = held.DoubleValue();
            result.SetDouble(Code == kNegate ? -value : value);
            return;
        }
        int code;
        const int value = operand.ToInt(&code);
        if (code == cvExact) {
            result.SetInt(Code == kNegate ? Wrap(0u - U(value)) : value);
        } else {
            const double number = operand.ToDouble();
            result.SetDouble(Code == kNegate ? -number : number);
        }
    } else if constexpr (Code == kNot) {
        result.SetInt(!operand.ToBool());
    } else {
        static_assert(Code == kComplement);
        result.SetInt(~operand.ToInt());
    }
}

// "++" and "--" (`delta` 1 or -1) on the variable `operand` refers to: an exact
// int steps as an int, any other value becomes a double. The new value is
// written before `result` (when given) takes the new value (`prefix`) or the
// old one, so a refused write leaves `result` alone.
void StepSlow(const TExValue& operand, int delta, bool prefix, TExValue* result);
[[gnu::always_inline]] inline void Step(const TExValue& operand, int delta, bool prefix,
                                        TExValue* result) {
    if (TVariable* variable = operand.Variable()) {
        TExValue& content = variable->MutableContent();
        if (content.Tag() == TExValue::tInt) {
            const int before = content.IntValue();
            const int after = Wrap(U(before) + U(delta));
            content.SetInt(after);
            if (result) result->SetInt(prefix ? after : before);
            return;
        }
    }
    StepSlow(operand, delta, prefix, result);
}

// "cat=" onto a variable: its text joined with `right`'s, grown in place when
// nobody shares it. `right` may be the variable itself.
inline void CatAssign(TVariable& variable, const TExValue& right) {
    TExValue& content = variable.MutableContent();
    Concatenate(content, right, content);
}

// Calls `f` with the code as a compile-time constant when `code` is a binary
// operator that Binary computes; false otherwise.
template <typename F>
bool WithBinary(int code, F&& f) {
    switch (code) {
#define QUORIN_OPERATOR(name)                      \
    case k##name:                                  \
        f(std::integral_constant<int, k##name>()); \
        return true;
        QUORIN_BINARY_OPERATORS(QUORIN_OPERATOR)
        default:
            return false;
    }
}

// The same for the prefix operators Unary computes.
template <typename F>
bool WithUnary(int code, F&& f) {
    switch (code) {
        QUORIN_UNARY_OPERATORS(QUORIN_OPERATOR)
#undef QUORIN_OPERATOR
        default:
            return false;
    }
}

// The step of "++"/"--" codes: 1 or -1, and whether the result is the new value.
inline bool StepOf(int code, int& delta, bool& prefix) {
    switch (code) {
        case kPreIncrement:
            delta = 1, prefix = true;
            return true;
        case kPostIncrement:
            delta = 1, prefix = false;
            return true;
        case kPreDecrement:
            delta = -1, prefix = true;
            return true;
        case kPostDecrement:
            delta = -1, prefix = false;
            return true;
        default:
            return false;
    }
}

// The operator a request names, in the order in which the stock CallOperator
// matches names (with `environment`'s SameName): a TOperatorCode, kCompound for
// a binary name ending in '=' that is no other operator, or kUnknown.
int CodeByName(TQuorinBasicEnvironment& environment, const std::string& name, int form);

// Whether the code takes one operand.
bool IsUnary(int code);

// Computes `code` (not kCompound or kUnknown) on operands as CallOperator
// receives them; a compound assignment is the environment's own business.
void Compute(int code, std::vector<TExValue>& operands, TExValue& result);

}  // namespace Quorin::Operators
