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

}  // namespace Quorin
