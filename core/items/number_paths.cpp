#include "items/number_paths.h"

#include "items/expressions.h"
#include "items/own_operators.h"

namespace Quorin {

namespace {

using TNumberFn = TVoidableExpression::TNumberFn;
using OwnOperators::U;
using OwnOperators::Wrap;

// ---- what the operators compute ---------------------------------------------------
// The same results as OwnOperators::Binary and OwnOperators::Unary give for
// numbers (a test compares them on every operator).

double AsDouble(TNumber n) {
    return n.kind == TNumber::nInt ? n.i : n.d;
}
int AsInt(TNumber n) {
    return n.kind == TNumber::nInt ? n.i : DoubleToInt(n.d);
}

template <int Code>
[[gnu::always_inline]] inline TNumber Compute(TNumber x, TNumber y) {
    if constexpr (Code == kAdd || Code == kSubtract || Code == kMultiply || Code == kEqual ||
                  Code == kNotEqual || Code == kLess || Code == kLessEqual || Code == kGreater ||
                  Code == kGreaterEqual) {
        if (x.kind == TNumber::nInt && y.kind == TNumber::nInt) {
            const int a = x.i, b = y.i;
            if constexpr (Code == kAdd) return TNumber::Int(Wrap(U(a) + U(b)));
            if constexpr (Code == kSubtract) return TNumber::Int(Wrap(U(a) - U(b)));
            if constexpr (Code == kMultiply) return TNumber::Int(Wrap(U(a) * U(b)));
            if constexpr (Code == kEqual) return TNumber::Int(a == b);
            if constexpr (Code == kNotEqual) return TNumber::Int(a != b);
            if constexpr (Code == kLess) return TNumber::Int(a < b);
            if constexpr (Code == kLessEqual) return TNumber::Int(a <= b);
            if constexpr (Code == kGreater) return TNumber::Int(a > b);
            if constexpr (Code == kGreaterEqual) return TNumber::Int(a >= b);
        }
        const double a = AsDouble(x), b = AsDouble(y);
        if constexpr (Code == kAdd) return TNumber::Double(a + b);
        if constexpr (Code == kSubtract) return TNumber::Double(a - b);
        if constexpr (Code == kMultiply) return TNumber::Double(a * b);
        if constexpr (Code == kEqual) return TNumber::Int(a == b);
        if constexpr (Code == kNotEqual) return TNumber::Int(a != b);
        if constexpr (Code == kLess) return TNumber::Int(a < b);
        if constexpr (Code == kLessEqual) return TNumber::Int(a <= b);
        if constexpr (Code == kGreater) return TNumber::Int(a > b);
        if constexpr (Code == kGreaterEqual) return TNumber::Int(a >= b);
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

// ---- reading an operand, by its shape --------------------------------------------

enum TShape { kConstantShape, kSymbolShape, kOtherShape };

struct ConstantShape {
    [[gnu::always_inline]] static TNumber Read(TExpression& e, TQuorin&) {
        return static_cast<TCValue&>(e).number;
    }
};
struct SymbolShape {
    [[gnu::always_inline]] static TNumber Read(TExpression& e, TQuorin& engine) {
        return static_cast<TSymbol&>(e).KnownNumber(engine);
    }
};
struct OtherShape {
    static TNumber Read(TExpression& e, TQuorin& engine) { return e.numberFn(e, engine); }
};

// The operand a quick path reads: brackets only group, so it looks through them.
TExpression* Operand(TExpression* e) {
    while (e->id == idBracketedExpression) e = static_cast<TBracketedExpression*>(e)->inner.get();
    return e;
}

// The shape of an operand, or -1 when it has no quick path.
int ShapeOf(const TExpression& e) {
    if (!e.numberFn) return -1;
    if (e.id == idCValue) return kConstantShape;
    if (e.id == idSymbol) return kSymbolShape;
    return kOtherShape;
}

template <int Code, typename L, typename R>
TNumber BinaryNumber(TVoidableExpression& self, TQuorin& engine) {
    auto& item = static_cast<TBinaryExpression&>(self);
    const TNumber x = L::Read(*item.quickLeft, engine);
    if (!x) return x;
    const TNumber y = R::Read(*item.quickRight, engine);
    if (!y) return y;
    return Compute<Code>(x, y);
}

template <int Code, typename S>
TNumber PrefixNumber(TVoidableExpression& self, TQuorin& engine) {
    auto& item = static_cast<TPreExpression&>(self);
    const TNumber x = S::Read(*item.quickOperand, engine);
    if (!x) return x;
    return ComputePrefix<Code>(x);
}

template <int Code>
TNumberFn BinaryFor(int left, int right) {
    static constexpr TNumberFn table[3][3] = {
        {&BinaryNumber<Code, ConstantShape, ConstantShape>,
         &BinaryNumber<Code, ConstantShape, SymbolShape>,
         &BinaryNumber<Code, ConstantShape, OtherShape>},
        {&BinaryNumber<Code, SymbolShape, ConstantShape>,
         &BinaryNumber<Code, SymbolShape, SymbolShape>,
         &BinaryNumber<Code, SymbolShape, OtherShape>},
        {&BinaryNumber<Code, OtherShape, ConstantShape>,
         &BinaryNumber<Code, OtherShape, SymbolShape>, &BinaryNumber<Code, OtherShape, OtherShape>},
    };
    return table[left][right];
}

template <int Code>
TNumberFn PrefixFor(int shape) {
    static constexpr TNumberFn table[3] = {&PrefixNumber<Code, ConstantShape>,
                                           &PrefixNumber<Code, SymbolShape>,
                                           &PrefixNumber<Code, OtherShape>};
    return table[shape];
}

TNumber SymbolNumber(TVoidableExpression& self, TQuorin& engine) {
    return static_cast<TSymbol&>(self).KnownNumber(engine);
}

TNumber ConstantNumber(TVoidableExpression& self, TQuorin&) {
    return static_cast<TCValue&>(self).number;
}

TNumber BracketedNumber(TVoidableExpression& self, TQuorin& engine) {
    TExpression& inner = *static_cast<TBracketedExpression&>(self).inner;
    return inner.numberFn(inner, engine);
}

}  // namespace

void ChooseNumberPath(TSymbol& item) {
    item.numberFn = &SymbolNumber;
}

void ChooseNumberPath(TCValue& item) {
    item.numberFn = item.number ? &ConstantNumber : nullptr;
}

void ChooseNumberPath(TBracketedExpression& item) {
    item.numberFn = item.inner->numberFn ? &BracketedNumber : nullptr;
}

void ChooseNumberPath(TPreExpression& item) {
    item.numberFn = nullptr;
    item.quickOperand = Operand(item.operand.get());
    const int shape = ShapeOf(*item.quickOperand);
    if (shape < 0) return;
    switch (item.op->code) {
        case kNegate:
            item.numberFn = PrefixFor<kNegate>(shape);
            break;
        case kPlus:
            item.numberFn = PrefixFor<kPlus>(shape);
            break;
        case kNot:
            item.numberFn = PrefixFor<kNot>(shape);
            break;
        case kComplement:
            item.numberFn = PrefixFor<kComplement>(shape);
            break;
        default:
            break;
    }
}

void ChooseNumberPath(TBinaryExpression& item) {
    item.numberFn = nullptr;
    item.quickLeft = Operand(item.left.get());
    item.quickRight = Operand(item.right.get());
    item.quickAssignment = item.op->code == kAssign && item.quickLeft->id == idSymbol &&
                           item.quickRight->numberFn != nullptr;
    const int left = ShapeOf(*item.quickLeft);
    const int right = ShapeOf(*item.quickRight);
    if (left < 0 || right < 0) return;
    switch (item.op->code) {
        case kEqual:
            item.numberFn = BinaryFor<kEqual>(left, right);
            break;
        case kNotEqual:
            item.numberFn = BinaryFor<kNotEqual>(left, right);
            break;
        case kAnd:
            item.numberFn = BinaryFor<kAnd>(left, right);
            break;
        case kOr:
            item.numberFn = BinaryFor<kOr>(left, right);
            break;
        case kLess:
            item.numberFn = BinaryFor<kLess>(left, right);
            break;
        case kGreaterEqual:
            item.numberFn = BinaryFor<kGreaterEqual>(left, right);
            break;
        case kGreater:
            item.numberFn = BinaryFor<kGreater>(left, right);
            break;
        case kLessEqual:
            item.numberFn = BinaryFor<kLessEqual>(left, right);
            break;
        case kAdd:
            item.numberFn = BinaryFor<kAdd>(left, right);
            break;
        case kSubtract:
            item.numberFn = BinaryFor<kSubtract>(left, right);
            break;
        case kMultiply:
            item.numberFn = BinaryFor<kMultiply>(left, right);
            break;
        case kDivide:
            item.numberFn = BinaryFor<kDivide>(left, right);
            break;
        case kDiv:
            item.numberFn = BinaryFor<kDiv>(left, right);
            break;
        case kRemainder:
            item.numberFn = BinaryFor<kRemainder>(left, right);
            break;
        case kBitAnd:
            item.numberFn = BinaryFor<kBitAnd>(left, right);
            break;
        case kBitOr:
            item.numberFn = BinaryFor<kBitOr>(left, right);
            break;
        case kShiftLeft:
            item.numberFn = BinaryFor<kShiftLeft>(left, right);
            break;
        case kShiftRight:
            item.numberFn = BinaryFor<kShiftRight>(left, right);
            break;
        case kXor:
            item.numberFn = BinaryFor<kXor>(left, right);
            break;
        default:
            break;
    }
}

}  // namespace Quorin
