// One run of a program: its cells and what the run has found out so far, and
// the loop that executes the instructions.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/program.h"
#include "values/text_hash.h"
#include "values/values.h"

class TQuorinBasicEnvironment;
class TQuorinEnvironment;
class EQuorinNormalError;

namespace Quorin {

class TQuorin;

class TMachine {
public:
    // Prepares a run of `program` for `engine`: every cell gets a variable
    // object, literals and the macro's variables (created here, each holding 0)
    // take their places, and what the run's name rule decides is worked out.
    TMachine(TQuorin& engine, const TProgram& program);
    TMachine(const TMachine&) = delete;
    TMachine& operator=(const TMachine&) = delete;
    ~TMachine();

    // Executes the program from its first instruction to its end. A runtime
    // error leaves with the place of the sentence that raised it.
    void Run();

private:
    static TVariable& Variable(TVariable* cells, TCell cell) {
        return *reinterpret_cast<TVariable*>(reinterpret_cast<char*>(cells) +
                                             static_cast<std::int32_t>(cell));
    }
    static TExValue& Cell(TVariable* cells, TCell cell) {
        return Variable(cells, cell).MutableContent();
    }
    TVariable& Variable(TCell cell) { return Variable(cells, cell); }
    TExValue& Cell(TCell cell) { return Cell(cells, cell); }
    // The handle an environment is given for a cell: a reference for a
    // variable, the value otherwise (a temporary's is moved out).
    TExValue Handle(TCell cell);
    TExValue Symbol(std::uint32_t name);
    TVariable* FindVariable(const std::string& name);
    void Call(const TInstruction& instruction);
    void CallOperator(const TInstruction& instruction);
    void Store(TCell cell, std::uint16_t kind, TExValue& value);
    // Counts `polls` sentences, asking the environment when their turn comes.
    void PollSlowly(int polls, int& countdown);
    [[noreturn]] void MissingLabel(const TInstruction& instruction);
    void Locate(EQuorinNormalError& error, std::size_t pc) const;

    TQuorin& engine;
    const TProgram& program;
    TQuorinBasicEnvironment& environment;
    // The environment, when the built-in functions are computed here.
    TQuorinEnvironment* builtins = nullptr;
    bool stockNames;
    int gotoVariant;  // which of a goto's resolutions applies: the name rule of this run

    std::unique_ptr<TVariable[]> frame;  // the temporaries, then the cells from 0 up
    TVariable* cells;                    // cell 0

    // Per callee: the built-in function it calls, or -1 for the environment's CallFunction.
    std::vector<int> callees;
    // Per name: what a dynamic name has turned out to be in this run.
    struct TResolution {
        TVariable* variable = nullptr;  // the variable it names, once there is one
        int constant = -2;              // the constant's row, -1 for none, -2 not asked
    };
    std::vector<TResolution> resolutions;
    // The variables of dynamic names, by the key their name has under the stock rule.
    std::unordered_map<std::string, TVariable*, TTextHash> variablesByKey;
    std::vector<std::pair<std::string, TVariable*>> variablesInOrder;
    // Argument and operand handles for the environment, reused from call to call.
    std::vector<TExValue> handles;
};

}  // namespace Quorin
