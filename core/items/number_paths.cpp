#include "items/number_paths.h"

#include "items/expressions.h"
#include "items/own_operators.h"

namespace Quorin {

namespace {

using TNumberFn = TVoidableExpression::TNumberFn;
using OwnOperators::Compute;
using OwnOperators::ComputePrefix;

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
    OwnOperators::ForPrefixOperator(
        item.op->code, [&](auto code) { item.numberFn = PrefixFor<code.value>(shape); });
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
    OwnOperators::ForBinaryOperator(
        item.op->code, [&](auto code) { item.numberFn = BinaryFor<code.value>(left, right); });
}

}  // namespace Quorin
