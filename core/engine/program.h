// The executable form of an analysed macro.
//
// The syntax tree is translated once (compiler.h) into a flat list of
// instructions that one loop runs (machine.h). Instructions work on cells of
// one numbering: from 0 up, the macro's literals and names in the order the
// macro first uses them; from -1 down, the temporaries of expressions. A run
// gives every cell a variable object of its own (machine.h).
//
// A name's cell is the macro variable itself, so an operand that names a
// variable is read when the instruction runs, which is exactly when the value
// that a reference to the variable stands for is read. Names whose meaning may
// change from run to run (those that could denote a constant or a function, or
// share one variable with another spelling) are "dynamic": the instruction
// oSymbol resolves them at the place the macro names them, and nothing reads
// their cells directly.
//
// Nothing here changes while a macro runs; all that a run changes lives in the
// run's own state.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "huge_pages.h"
#include "analysis/source_map.h"
#include "environment/operator_codes.h"
#include "values/values.h"

namespace Quorin {

// A cell as an instruction operand: its distance in bytes from cell 0 (a run's
// cells are variable objects side by side), so that finding a cell costs one
// addition. Temporaries are below cell 0.
using TCell = std::uint32_t;
constexpr std::int32_t cellSize = static_cast<std::int32_t>(sizeof(TVariable));
inline TCell CellOperand(std::int64_t index) {
    return static_cast<TCell>(static_cast<std::int32_t>(index * cellSize));
}
inline std::int32_t CellIndex(TCell cell) {
    return static_cast<std::int32_t>(cell) / cellSize;
}
inline bool IsTemporary(TCell cell) {
    return static_cast<std::int32_t>(cell) < 0;
}
inline TCell Temporary(std::uint32_t number) {
    return CellOperand(-1 - static_cast<std::int64_t>(number));
}
inline std::uint32_t TemporaryNumber(TCell cell) {
    return static_cast<std::uint32_t>(-1 - CellIndex(cell));
}

enum TOpcode : std::uint8_t {
    // Control. Targets are instruction indexes.
    oPoll,         // nothing but the polls it carries
    oJump,         // to a
    oJumpIf,       // to a when cell b reads true (flags: 1) or false (flags: 0)
    // To a when the comparison of cells b and c holds (flags: 1) or fails (0).
#define QUORIN_JUMP_OPCODE(name) oJump##name,
    QUORIN_COMPARISONS(QUORIN_JUMP_OPCODE)
#undef QUORIN_JUMP_OPCODE
    oGoto,       // to a (names ignoring case) or b (names by bytes); c: the goto's record
    oHalt,       // the end of the macro
    oWrongCall,  // a call of something that is no name

    // Values. a is where the result goes.
    oSymbol,         // the dynamic name b, resolved as the macro names it
    oAssign,         // variable cell a takes the value of cell b
    oAssignThrough,  // the handle in cell a takes the value of cell b (a reference or an error)
    oCatAssign,      // variable cell a grows by the text of cell b
    oStep,           // "++"/"--" of cell b (flags: TStepFlags); c: 1 or -1
    oStepVariable,   // "++"/"--" of variable cell b, its value not wanted; c: 1 or -1

    // Binary operators on cells b and c, prefix operators on cell b.
#define QUORIN_OPERATOR_OPCODE(name) o##name,
    QUORIN_BINARY_OPERATORS(QUORIN_OPERATOR_OPCODE)
    QUORIN_UNARY_OPERATORS(QUORIN_OPERATOR_OPCODE)
#undef QUORIN_OPERATOR_OPCODE
    oCallOperator,  // the environment's CallOperator: operator row c, form in flags, operands list b
    oCall,          // function call: callee c, arguments list b; flags: TResultKind
};

// Where an oStep or oCall leaves its value.
enum TResultKind : std::uint16_t {
    rkTemporary = 0,  // a temporary takes the handle as it is
    rkVariable = 1,   // a variable cell takes the value
    rkDiscarded = 2,  // nobody wants it
};

enum TStepFlags : std::uint16_t {
    sfPrefix = 8,
    sfVariable = 16,  // cell b is a variable cell (else a handle)
};

// An instruction that begins sentences has this bit in its opcode: the engine
// then counts its polls first.
constexpr std::uint8_t polledOpcode = 0x80;

struct TInstruction {
    std::uint8_t op;  // a TOpcode, with polledOpcode when polls is not 0
    // Sentences that begin at this instruction: the engine's poll counts them
    // before the instruction does its work.
    std::uint8_t polls;
    std::uint16_t flags;
    TCell a, b, c;
};
static_assert(sizeof(TInstruction) == 16);

// A name of the macro, one per distinct text.
struct TName {
    std::string text;
    TCell cell;
    bool dynamic;
};

// A goto, resolved under either stock name rule (index 0: letter case ignored,
// 1: byte for byte; both alike under an environment's own rule).
struct TGotoRecord {
    std::uint32_t polls[2];  // sentences entered on the way to the label
    std::string label;       // as the goto writes it, for the error when there is none
};

// The instructions from `pc` on belong to the sentence whose first word starts
// at `offset` in the prepared text.
struct TLinePoint {
    std::uint32_t pc;
    std::uint32_t offset;
};

struct TProgram {
    std::vector<TInstruction, HugePages::TAllocator<TInstruction>> code;
    // What each cell from 0 up holds when a run starts: a literal, 0 for a name
    // that is always a variable, nothing for a dynamic name.
    std::vector<TExValue> cells;
    // Per cell from 0 up: whether it is the variable of a name (else a literal,
    // or the cell of a dynamic name, which nothing reads directly).
    std::vector<bool> variableCells;
    std::uint32_t temporaries = 0;
    std::vector<TName> names;
    // Operand lists of calls: a count, then the cells.
    std::vector<TCell> lists;
    // The function names of calls, as written.
    std::vector<std::string> callees;
    std::vector<TGotoRecord> gotos;
    std::vector<TLinePoint, HugePages::TAllocator<TLinePoint>> lines;
    // From the prepared text back to the text the engine was given.
    TSourceMap sourceMap;
    // Whether the operators are computed by the instructions (the stock ones) or
    // handed to the environment's CallOperator.
    bool stockOperators = false;

    // The offset in the prepared text of the sentence that holds instruction `pc`.
    std::uint32_t OffsetOf(std::size_t pc) const;
    // A listing of the instructions, one a line, for tests and for reading.
    std::string Listing() const;
};

}  // namespace Quorin
