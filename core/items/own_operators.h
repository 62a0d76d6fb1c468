// The simplest cases of the stock operators, computed right in the syntax tree.
//
// When the environment's operators are TQuorinEnvironment's own (see
// TQuorinEnvironment::ComputesOwnOperators), an operator on plain numbers is
// computed here instead of through CallOperator; every other case still goes to
// the environment. The results must be exactly the environment's.
#pragma once

#include <cmath>
#include <cstdint>

#include "environment/operator_codes.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "values/values.h"

namespace Quorin::OwnOperators {

inline int Wrap(std::uint32_t value) { return static_cast<int>(value); }
inline std::uint32_t U(int value) { return static_cast<std::uint32_t>(value); }

[[noreturn]] inline void ThrowDivisionByZero() {
    throw EDivisionByZero(RuntimeMessage(Messages::divisionByZero));
}

inline bool IsNumber(const TExValue& value) {
    return value.Tag() == TExValue::tInt || value.Tag() == TExValue::tDouble;
}

// The integer reading of a number, as the integer rule takes it.
inline int IntOf(const TExValue& value) {
    return value.Tag() == TExValue::tInt ? value.ToInt() : DoubleToInt(value.ToDouble());
}

// Binary operators on two right values that are numbers; false for anything else.
inline bool Binary(int code, const TExValue& left, const TExValue& right, TExValue& result) {
    if (left.Tag() == TExValue::tInt && right.Tag() == TExValue::tInt) {
        // The commonest case first: two ints.
        const int a = left.ToInt(), b = right.ToInt();
        switch (code) {
            case kAdd: result = TExValue(Wrap(U(a) + U(b))); return true;
            case kSubtract: result = TExValue(Wrap(U(a) - U(b))); return true;
            case kMultiply: result = TExValue(Wrap(U(a) * U(b))); return true;
            case kEqual: result = TExValue(a == b); return true;
            case kNotEqual: result = TExValue(a != b); return true;
            case kLess: result = TExValue(a < b); return true;
            case kLessEqual: result = TExValue(a <= b); return true;
            case kGreater: result = TExValue(a > b); return true;
            case kGreaterEqual: result = TExValue(a >= b); return true;
            case kBitAnd: result = TExValue(a & b); return true;
            default: break;
        }
    }
    if (code == kEqu || code == kNotEqu) {
        // Texts compared as texts: two strings are compared in place.
        const std::string* a = left.StringPointer();
        const std::string* b = a ? right.StringPointer() : nullptr;
        if (!b) return false;
        const bool same = *a == *b;
        result = TExValue(code == kEqu ? same : !same);
        return true;
    }
    if (!IsNumber(left) || !IsNumber(right)) return false;
    switch (code) {
        case kAdd:
        case kSubtract:
        case kMultiply:
        case kEqual:
        case kNotEqual:
        case kLess:
        case kLessEqual:
        case kGreater:
        case kGreaterEqual:
            // The numeric pair rule: two ints were computed above, so doubles here.
            {
                const double a = left.ToDouble(), b = right.ToDouble();
                switch (code) {
                    case kAdd: result = TExValue(a + b); return true;
                    case kSubtract: result = TExValue(a - b); return true;
                    case kMultiply: result = TExValue(a * b); return true;
                    case kEqual: result = TExValue(a == b); return true;
                    case kNotEqual: result = TExValue(a != b); return true;
                    case kLess: result = TExValue(a < b); return true;
                    case kLessEqual: result = TExValue(a <= b); return true;
                    case kGreater: result = TExValue(a > b); return true;
                    default: result = TExValue(a >= b); return true;
                }
            }
        case kDivide: {
            const double a = left.ToDouble(), b = right.ToDouble();
            if (b == 0.0) ThrowDivisionByZero();
            result = TExValue(a / b);
            return true;
        }
        case kDiv:
        case kRemainder: {
            const int a = IntOf(left), b = IntOf(right);
            if (b == 0) ThrowDivisionByZero();
            if (b == -1) {
                result = TExValue(code == kDiv ? Wrap(0u - U(a)) : 0);
            } else {
                result = TExValue(code == kDiv ? a / b : a % b);
            }
            return true;
        }
        case kBitAnd: result = TExValue(IntOf(left) & IntOf(right)); return true;
        case kBitOr: result = TExValue(IntOf(left) | IntOf(right)); return true;
        case kXor: result = TExValue(IntOf(left) ^ IntOf(right)); return true;
        case kShiftLeft:
            result = TExValue(Wrap(U(IntOf(left)) << (U(IntOf(right)) & 31u)));
            return true;
        case kShiftRight:
            result = TExValue(IntOf(left) >> (U(IntOf(right)) & 31u));
            return true;
        case kAnd: {
            const bool a = left.ToBool(), b = right.ToBool();
            result = TExValue(a && b);
            return true;
        }
        case kOr: {
            const bool a = left.ToBool(), b = right.ToBool();
            result = TExValue(a || b);
            return true;
        }
        default:
            return false;
    }
}

// Prefix and postfix operators on a number; `operand` is the handle as evaluated
// (a variable for the increments). False for anything else.
inline bool Unary(int code, const TExValue& operand, TExValue& result) {
    switch (code) {
        case kPreIncrement:
        case kPreDecrement:
        case kPostIncrement:
        case kPostDecrement: {
            TLValue* target = operand.LeftValue();
            if (!target || target->kind != TLRValue::kVariable) return false;
            TExValue& content = static_cast<TVariable*>(target)->MutableContent();
            if (content.Tag() != TExValue::tInt) return false;
            const int before = content.ToInt();
            const int after =
                Wrap(U(before) + (code == kPreIncrement || code == kPostIncrement ? 1u : ~0u));
            content = TExValue(after);
            result = TExValue(code == kPreIncrement || code == kPreDecrement ? after : before);
            return true;
        }
        default:
            break;
    }
    const TExValue& value = operand.Resolved();
    if (!IsNumber(value)) return false;
    const bool isInt = value.Tag() == TExValue::tInt;
    switch (code) {
        case kNegate:
            result = isInt ? TExValue(Wrap(0u - U(value.ToInt()))) : TExValue(-value.ToDouble());
            return true;
        case kPlus:
            result = isInt ? TExValue(value.ToInt()) : TExValue(value.ToDouble());
            return true;
        case kNot:
            result = TExValue(!value.ToBool());
            return true;
        case kComplement:
            result = TExValue(~IntOf(value));
            return true;
        default:
            return false;
    }
}

}  // namespace Quorin::OwnOperators
