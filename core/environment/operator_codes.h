// The operators TQuorinEnvironment computes, one code each.
#pragma once

namespace Quorin {

// In the order in which a request is matched by name. kCompound and kUnknown are
// the two outcomes when no name fits.
enum TOperatorCode : int {
    kAssign,
    kCat,
    kEqual,
    kEqu,
    kNotEqual,
    kNotEqu,
    kAnd,
    kOr,
    kPostIncrement,
    kPreIncrement,
    kLess,
    kGreaterEqual,
    kGreater,
    kLessEqual,
    kNot,
    kNegate,
    kAdd,
    kSubtract,
    kMultiply,
    kDivide,
    kDiv,
    kPostDecrement,
    kPreDecrement,
    kCmp,
    kRemainder,
    kBitAnd,
    kBitOr,
    kShiftLeft,
    kShiftRight,
    kComplement,
    kXor,
    kComma,
    kPlus,
    kCompound,
    kUnknown,
    // Never matched by name: what a compound assignment row computes when its base
    // operator's row computes kCat, so that the tree can tell "cat=" apart.
    kCatAssign,
};

// The binary operators that Operators::Binary computes, the prefix operators that
// Operators::Unary computes, and the comparisons among the binary ones, named
// without their k: each list is expanded where a table or a switch needs one case
// per operator.
#define QUORIN_BINARY_OPERATORS(X)                                                           \
    X(Cat) X(Equal) X(Equ) X(NotEqual) X(NotEqu) X(And) X(Or) X(Less) X(GreaterEqual)         \
    X(Greater) X(LessEqual) X(Add) X(Subtract) X(Multiply) X(Divide) X(Div) X(Cmp) X(Remainder) \
    X(BitAnd) X(BitOr) X(ShiftLeft) X(ShiftRight) X(Xor)
#define QUORIN_UNARY_OPERATORS(X) X(Not) X(Negate) X(Complement) X(Plus)
#define QUORIN_COMPARISONS(X) X(Equal) X(NotEqual) X(Less) X(LessEqual) X(Greater) X(GreaterEqual)

}  // namespace Quorin
