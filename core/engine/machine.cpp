#include "engine/machine.h"

#include <algorithm>

#include "analysis/source_map.h"
#include "engine/quorin.h"
#include "environment/builtins.h"
#include "environment/environment.h"
#include "environment/operators.h"
#include "errors/errors.h"
#include "errors/messages.h"

namespace Quorin {

namespace {

// Every opcode has its case: telling the compiler so spares the switch a range check.
[[noreturn]] inline void Unreachable() {
#if defined(__GNUC__)
    __builtin_unreachable();
#endif
}

}  // namespace

TMachine::TMachine(TQuorin& engine, const TProgram& program)
    : engine(engine), program(program), environment(*engine.Environment()) {
    auto* stock = dynamic_cast<TQuorinEnvironment*>(&environment);
    stockNames = environment.HasStockNameRule();
    if (stockNames && stock && stock->HasStockFunctions()) builtins = stock;
    gotoVariant = stockNames && environment.caseSensitive ? 1 : 0;

    frame.reset(new TVariable[program.temporaries + program.cells.size()]);
    cells = frame.get() + program.temporaries;
    for (std::size_t cell = 0; cell < program.cells.size(); ++cell)
        cells[cell].MutableContent() = program.cells[cell];
    for (const TName& name : program.names) {
        if (!name.dynamic) engine.AddVariable(name.text, &Variable(name.cell));
    }

    // A call goes to a built-in function unless the environment's CallFunction
    // serves the name itself; by this run's name rule.
    callees.assign(program.callees.size(), -1);
    if (builtins) {
        for (std::size_t callee = 0; callee < callees.size(); ++callee) {
            const std::string& name = program.callees[callee];
            const auto& served = builtins->ServedFunctions();
            if (std::any_of(served.begin(), served.end(), [&](const std::string& own) {
                    return builtins->StockSameName(name, own);
                }))
                continue;
            for (int function = 0; function < Builtins::functionCount; ++function) {
                if (builtins->StockSameName(name, Builtins::Name(function))) {
                    callees[callee] = function;
                    break;
                }
            }
        }
    }
    resolutions.resize(program.names.size());
}

TMachine::~TMachine() = default;

// The loop keeps what every instruction needs in locals, which the compiler can
// hold in registers across instructions. Each opcode has two cases: the one
// with polledOpcode counts the sentences that begin there and then does what
// the plain one does, so an instruction that begins no sentence spends nothing
// on polling.
void TMachine::Run() {
    const TInstruction* const code = program.code.data();
    TVariable* const cells = this->cells;
    const auto Cell = [cells](TCell cell) -> TExValue& { return TMachine::Cell(cells, cell); };
    const auto Variable = [cells](TCell cell) -> TVariable& {
        return TMachine::Variable(cells, cell);
    };
    const TInstruction* pc = code;
    int countdown = engine.pollCountdown;
    try {
        for (;;) {
            const TInstruction& instruction = *pc;
            switch (instruction.op) {
#define QUORIN_CASE(opcode)                                                     \
    case opcode | polledOpcode:                                                 \
        if ((countdown -= instruction.polls) <= 0) PollSlowly(instruction.polls, countdown); \
        [[fallthrough]];                                                        \
    case opcode
                QUORIN_CASE(oPoll):
                    ++pc;
                    break;
                QUORIN_CASE(oJump):
                    pc = code + instruction.a;
                    break;
                QUORIN_CASE(oJumpIf):
                    pc = Cell(instruction.b).ToBool() == (instruction.flags != 0)
                             ? code + instruction.a
                             : pc + 1;
                    break;
#define QUORIN_JUMP(name)                                                                 \
    QUORIN_CASE(oJump##name):                                                             \
        pc = Operators::Compare<k##name>(Cell(instruction.b), Cell(instruction.c)) ==     \
                     (instruction.flags != 0)                                             \
                 ? code + instruction.a                                                   \
                 : pc + 1;                                                                \
        break;
                    QUORIN_COMPARISONS(QUORIN_JUMP)
#undef QUORIN_JUMP
                QUORIN_CASE(oGoto): {
                    const TCell target = gotoVariant == 0 ? instruction.a : instruction.b;
                    if (target == ~0u) MissingLabel(instruction);
                    const auto polls =
                        static_cast<int>(program.gotos[instruction.c].polls[gotoVariant]);
                    if ((countdown -= polls) <= 0) PollSlowly(polls, countdown);
                    pc = code + target;
                    break;
                }
                QUORIN_CASE(oHalt):
                    engine.pollCountdown = countdown;
                    return;
                QUORIN_CASE(oWrongCall):
                    throw EWrongFunctionCall(RuntimeMessage(Messages::wrongFunctionCall));
                QUORIN_CASE(oSymbol):
                    Cell(instruction.a) = Symbol(instruction.b);
                    ++pc;
                    break;
                QUORIN_CASE(oAssign):
                    Variable(instruction.a).Assign(Cell(instruction.b));
                    ++pc;
                    break;
                QUORIN_CASE(oAssignThrough):
                    Cell(instruction.a).Substitute(Cell(instruction.b));
                    ++pc;
                    break;
                QUORIN_CASE(oCatAssign):
                    Operators::CatAssign(Variable(instruction.a), Cell(instruction.b));
                    ++pc;
                    break;
                QUORIN_CASE(oStepVariable): {
                    const TExValue variable = TExValue::Refer(&Variable(instruction.b));
                    Operators::Step(variable, static_cast<int>(instruction.c), false, nullptr);
                    ++pc;
                    break;
                }
                QUORIN_CASE(oStep): {
                    const bool prefix = (instruction.flags & sfPrefix) != 0;
                    TExValue* result =
                        (instruction.flags & 3) == rkDiscarded ? nullptr : &Cell(instruction.a);
                    const auto delta = static_cast<int>(instruction.c);
                    if (instruction.flags & sfVariable) {
                        const TExValue variable = TExValue::Refer(&Variable(instruction.b));
                        Operators::Step(variable, delta, prefix, result);
                    } else {
                        Operators::Step(Cell(instruction.b), delta, prefix, result);
                    }
                    ++pc;
                    break;
                }
#define QUORIN_BINARY(name)                                                                 \
    QUORIN_CASE(o##name):                                                                   \
        Operators::Binary<k##name>(Cell(instruction.b), Cell(instruction.c), Cell(instruction.a)); \
        ++pc;                                                                               \
        break;
                    QUORIN_BINARY_OPERATORS(QUORIN_BINARY)
#undef QUORIN_BINARY
#define QUORIN_UNARY(name)                                                  \
    QUORIN_CASE(o##name):                                                   \
        Operators::Unary<k##name>(Cell(instruction.b), Cell(instruction.a)); \
        ++pc;                                                               \
        break;
                    QUORIN_UNARY_OPERATORS(QUORIN_UNARY)
#undef QUORIN_UNARY
                QUORIN_CASE(oCallOperator):
                    CallOperator(instruction);
                    ++pc;
                    break;
                QUORIN_CASE(oCall):
                    Call(instruction);
                    ++pc;
                    break;
#undef QUORIN_CASE
                default:
                    Unreachable();
            }
        }
    } catch (EQuorinNormalError& error) {
        engine.pollCountdown = countdown;
        Locate(error, static_cast<std::size_t>(pc - code));
        throw;
    }
}

void TMachine::PollSlowly(int polls, int& countdown) {
    engine.pollCountdown = countdown + polls;
    for (int poll = 0; poll < polls; ++poll) engine.Poll();
    countdown = engine.pollCountdown;
}

void TMachine::MissingLabel(const TInstruction& instruction) {
    throw ELabelNotExist(
        RuntimeMessage(Messages::LabelNotExist(program.gotos[instruction.c].label)));
}

void TMachine::Locate(EQuorinNormalError& error, std::size_t pc) const {
    if (error.place.line != 0 || program.lines.empty()) return;
    const std::size_t offset = program.sourceMap.Original(program.OffsetOf(pc));
    error.place.offset = offset;
    error.place.length = 0;
    error.place.line = program.sourceMap.LineOf(offset);
}

TExValue TMachine::Handle(TCell cell) {
    if (IsTemporary(cell)) return std::move(Cell(cell));
    if (program.variableCells[static_cast<std::size_t>(CellIndex(cell))])
        return TExValue::Refer(&Variable(cell));
    return Cell(cell);
}

void TMachine::Store(TCell cell, std::uint16_t kind, TExValue& value) {
    switch (kind & 3) {
        case rkVariable:
            Variable(cell).AssignMove(value);
            break;
        case rkTemporary:
            Cell(cell) = std::move(value);
            break;
        default:
            break;
    }
}

void TMachine::Call(const TInstruction& instruction) {
    const TCell* list = &program.lists[instruction.b];
    const std::size_t count = list[0];
    const TCell* arguments = list + 1;
    const std::string& name = program.callees[instruction.c];
    TExValue result;
    const int function = callees[instruction.c];
    if (function >= 0) {
        // No built-in function takes more than three arguments, and one given
        // more refuses before it reads any.
        const TExValue* values[3] = {};
        for (std::size_t i = 0; i < std::min<std::size_t>(count, 3); ++i)
            values[i] = &Cell(arguments[i]);
        TQuorin::NamingArgumentErrors(name, nullptr, [&] {
            Builtins::Call(*builtins, function, values, count, result);
            return true;
        });
    } else {
        handles.clear();
        for (std::size_t i = 0; i < count; ++i) handles.push_back(Handle(arguments[i]));
        const bool handled = engine.CallFunction(name, handles, result);
        handles.clear();
        if (!handled) throw EFunctionNotExist(RuntimeMessage(Messages::FunctionNotExist(name)));
    }
    Store(instruction.a, instruction.flags, result);
}

void TMachine::CallOperator(const TInstruction& instruction) {
    const TCell* list = &program.lists[instruction.b];
    handles.clear();
    for (std::size_t i = 0; i < list[0]; ++i) handles.push_back(Handle(list[1 + i]));
    TExValue result;
    engine.CallOperator(environment.operators[instruction.c].name, instruction.flags, handles,
                        result);
    handles.clear();
    Cell(instruction.a) = std::move(result);
}

// ---- dynamic names ----------------------------------------------------------------

// A name is, in this order: a variable of the run, a constant, a function called
// without arguments, and otherwise a new variable. What it turned out to be is
// remembered for the rest of the run where nothing can change it: a variable
// lives as long as the run, and a constant's name never becomes a variable.
TExValue TMachine::Symbol(std::uint32_t index) {
    TResolution& resolution = resolutions[index];
    if (resolution.variable) return TExValue::Refer(resolution.variable);
    const std::string& name = program.names[index].text;
    if (TVariable* variable = FindVariable(name)) {
        resolution.variable = variable;
        return TExValue::Refer(variable);
    }
    if (resolution.constant == -2) {
        resolution.constant = -1;
        for (std::size_t row = 0; row < environment.constants.size(); ++row) {
            if (environment.SameName(environment.constants[row].name, name)) {
                resolution.constant = static_cast<int>(row);
                break;
            }
        }
    }
    if (resolution.constant >= 0) {
        return TExValue(environment.constants[static_cast<std::size_t>(resolution.constant)].value);
    }
    std::vector<TExValue> none;
    TExValue result;
    if (engine.CallFunction(name, none, result)) return result;
    // The name's own cell becomes its variable.
    TVariable* variable = &Variable(program.names[index].cell);
    variable->MutableContent() = TExValue(0);
    engine.AddVariable(name, variable);
    if (stockNames) {
        variablesByKey.emplace(TQuorinBasicEnvironment::StockNameKey(name, environment.caseSensitive), variable);
    } else {
        variablesInOrder.emplace_back(name, variable);
    }
    resolution.variable = variable;
    return TExValue::Refer(variable);
}

// Only dynamic names can share a variable under this run's rule: a name that is
// always a variable is the only one of its spelling.
TVariable* TMachine::FindVariable(const std::string& name) {
    if (stockNames) {
        const auto found = variablesByKey.find(TQuorinBasicEnvironment::StockNameKey(name, environment.caseSensitive));
        return found == variablesByKey.end() ? nullptr : found->second;
    }
    for (const auto& [known, variable] : variablesInOrder) {
        if (environment.SameName(known, name)) return variable;
    }
    return nullptr;
}

}  // namespace Quorin
