#include "engine/program.h"

#include <algorithm>

#include "environment/operator_codes.h"

namespace Quorin {

std::uint32_t TProgram::OffsetOf(std::size_t pc) const {
    // The last point at or before `pc`.
    const auto after = std::upper_bound(
        lines.begin(), lines.end(), pc,
        [](std::size_t at, const TLinePoint& point) { return at < point.pc; });
    return after == lines.begin() ? lines.front().offset : (after - 1)->offset;
}

namespace {

const char* OpcodeName(TOpcode op) {
    switch (op) {
        case oPoll: return "poll";
        case oJump: return "jump";
        case oJumpIf: return "jumpif";
        case oGoto: return "goto";
        case oHalt: return "halt";
        case oWrongCall: return "wrongcall";
        case oSymbol: return "symbol";
        case oAssign: return "assign";
        case oAssignThrough: return "assignthrough";
        case oCatAssign: return "catassign";
        case oStep: return "step";
        case oStepVariable: return "stepvariable";
        case oCallOperator: return "calloperator";
        case oCall: return "call";
#define QUORIN_NAME(name) \
    case o##name:         \
        return #name;
            QUORIN_BINARY_OPERATORS(QUORIN_NAME)
            QUORIN_UNARY_OPERATORS(QUORIN_NAME)
#undef QUORIN_NAME
#define QUORIN_NAME(name) \
    case oJump##name:     \
        return "Jump" #name;
            QUORIN_COMPARISONS(QUORIN_NAME)
#undef QUORIN_NAME
    }
    return "?";
}

std::string CellName(TCell cell) {
    const std::int32_t index = CellIndex(cell);
    std::string name(1, index < 0 ? 't' : 'c');
    name.append(std::to_string(index < 0 ? -1 - index : index));
    return name;
}

}  // namespace

// Cells are written c0, c1 ... from 0 up and t0, t1 ... for temporaries, targets
// as instruction numbers, and the polls an instruction carries as a leading +n.
std::string TProgram::Listing() const {
    std::string out;
    const auto put = [&out](const std::string& part) {
        out += ' ';
        out += part;
    };
    const auto target = [](TCell pc) { return pc == ~0u ? std::string("-") : std::to_string(pc); };
    for (std::size_t pc = 0; pc < code.size(); ++pc) {
        const TInstruction& i = code[pc];
        const auto op = static_cast<TOpcode>(i.op & ~polledOpcode);
        out += std::to_string(pc);
        out += ':';
        if (i.polls) put(std::string(1, '+').append(std::to_string(i.polls)));
        put(OpcodeName(op));
        switch (op) {
            case oPoll:
            case oHalt:
            case oWrongCall:
                break;
            case oJump:
                put(target(i.a));
                break;
            case oGoto:
                put(target(i.a));
                put(target(i.b));
                put(gotos[i.c].label);
                break;
            case oSymbol:
                put(CellName(i.a));
                put(names[i.b].text);
                break;
            case oCall:
            case oCallOperator:
                put(CellName(i.a));
                put(op == oCall ? callees[i.c] : std::to_string(i.c));
                for (TCell k = 0; k < lists[i.b]; ++k) put(CellName(lists[i.b + 1 + k]));
                break;
            case oStepVariable:
                put(CellName(i.b));
                put(static_cast<std::int32_t>(i.c) < 0 ? "-1" : "+1");
                break;
            default:
                if (op >= oJumpIf && op <= oJumpGreaterEqual) {
                    put(target(i.a));
                    put(i.flags ? "if" : "unless");
                    put(CellName(i.b));
                    if (op != oJumpIf) put(CellName(i.c));
                } else {
                    put(CellName(i.a));
                    put(CellName(i.b));
                    if (op >= oCat && op <= oXor) put(CellName(i.c));
                }
                break;
        }
        out += '\n';
    }
    return out;
}

}  // namespace Quorin
