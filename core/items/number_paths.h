// Chooses the quick number path of an expression item when it is built.
//
// An operator node gets one when its operator is computed by the tree itself
// (TOperator::code names a stock operator that turns numbers into a number) and
// every operand has a quick path of its own. The path is a function made for the
// operator and for the shape of each operand (a constant, a name, anything
// else), so that reading a constant or a variable costs no call.
#pragma once

#include "items/item.h"

namespace Quorin {

class TSymbol;
class TCValue;
class TBracketedExpression;
class TPreExpression;
class TBinaryExpression;

void ChooseNumberPath(TSymbol& item);
void ChooseNumberPath(TCValue& item);
void ChooseNumberPath(TBracketedExpression& item);
void ChooseNumberPath(TPreExpression& item);
void ChooseNumberPath(TBinaryExpression& item);

}  // namespace Quorin
