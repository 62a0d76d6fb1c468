// Translates an analysed macro into its executable form (program.h).
//
// The outermost sentence list is taken a sentence at a time, as the analysis
// finishes each one, so that a long macro never holds its whole tree; nested
// items are translated as a whole. Names, labels and operators are resolved
// here once: a name to its cell, a goto to a jump, an operator to the
// instruction that computes it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/program.h"
#include "stack_room.h"
#include "values/text_hash.h"

class TQuorinBasicEnvironment;

namespace Quorin {

class TCodeAnalysis;
class TItem;
class TSentences;
class TExpression;
class TBinaryExpression;
class TSubExpression;
class TFunctionCall;
class TIfFormula;
class TWhileFormula;
class TDoFormula;
class TForFormula;
class TGotoFormula;
class TLabel;

class TCompiler {
public:
    // `analysis` has split its words; it must live until Finish.
    TCompiler(TQuorinBasicEnvironment& environment, const TCodeAnalysis& analysis);
    TCompiler(const TCompiler&) = delete;
    TCompiler& operator=(const TCompiler&) = delete;
    ~TCompiler();

    // Translates the next sentence or label of the macro's outermost list.
    void Add(TItem& item);
    // The program, once every item has been added.
    std::unique_ptr<TProgram> Finish();

private:
    // A place in the code that jumps lead to, known or still to come. The jumps
    // to a place still to come are chained through their own targets: each
    // holds the one before it, `last` the latest.
    struct TTarget {
        std::uint32_t pc = ~0u;
        std::uint32_t last = ~0u;
    };
    // A sentence list or an if: where a pending goto looks for its label.
    struct TScope {
        std::uint32_t parent;
        std::uint32_t firstLabel, endLabel;  // the labels inside, as numbered in `labels`
        std::uint32_t depth;                 // sentences entered from the top to get inside
    };
    struct TLabelRecord {
        std::string name;
        std::uint32_t pc;
        std::uint32_t depth;  // sentences entered from the top to reach it
    };
    struct TPendingGoto {
        std::uint32_t pc;
        std::uint32_t scope;
        std::string target;
    };
    // Where an expression's value is to go: `cell`, or wherever the compiler
    // likes (noPreference); `discard` when nobody reads it.
    struct TWant {
        TCell cell;
        bool discard;
    };

    // ---- sentences
    void Sentence(TItem& item);
    void List(TSentences& list);
    void If(TIfFormula& formula);
    void While(TWhileFormula& formula);
    void Do(TDoFormula& formula);
    void For(TForFormula& formula);
    void Goto(TGotoFormula& formula);
    void Label(TLabel& label);
    void OpenScope();
    void CloseScope();

    // ---- expressions
    TCell Value(TItem& expression, TWant want);
    TCell Effect(TItem& expression) { return Value(expression, TWant{noPreference, true}); }
    // Jumps to `target` when the condition reads `when`.
    void Condition(TItem& expression, TTarget& target, bool when);
    // The parts of an expression chain; `mark` is where the chain's temporaries begin.
    TCell Chain(TExpression& top, TWant want);
    TCell Binary(TBinaryExpression& item, TCell left, TWant want, std::uint32_t mark);
    TCell Postfix(TSubExpression& item, TCell left, TWant want, std::uint32_t mark);
    TCell Prefix(int row, TItem& operand, TWant want);
    TCell Call(TFunctionCall& call, TWant want);
    TCell Step(int code, TCell target, TWant want, std::uint32_t mark);
    TCell Assign(TCell target, TItem& source);
    TCell CallOperator(int row, int form, std::initializer_list<TCell> operands, TWant want,
                       std::uint32_t mark);
    TCell Symbol(const std::string& name);
    // The operator row `row` computes in its own form when the instructions
    // compute the operators (kUnknown otherwise, and for rows they do not know).
    int RowCode(int row);

    // ---- cells
    TCell Literal(const TExValue& value);
    TCell Temporary();
    // The cell for a computed value: the wanted one, or a new temporary.
    TCell Destination(TWant want);
    TCell Result(std::uint32_t mark, TCell cell);
    bool IsVariableCell(TCell cell) const;
    std::uint32_t List(const TCell* cells, std::size_t count);

    // ---- code
    std::uint32_t Emit(TOpcode op, TCell a = 0, TCell b = 0, TCell c = 0, std::uint16_t flags = 0);
    void JumpTo(TOpcode op, TTarget& target, TCell b = 0, TCell c = 0, std::uint16_t flags = 0);
    void Bind(TTarget& target);
    void FlushPolls();
    void LineAt(const TItem& item);
    // Guards the recursion over nested items.
    void Descend();

    void ClassifyNames();
    bool classified = false;
    std::uint32_t NameIndex(const std::string& name);
    void ResolveGotos();

    static constexpr TCell noPreference = 0x7FFFFFFFu;
    static constexpr TWant anywhere{noPreference, false};

    TQuorinBasicEnvironment& environment;
    const TCodeAnalysis& analysis;
    std::unique_ptr<TProgram> program;
    TStackRoom stackRoom;

    bool stockNames;      // the environment compares names by the stock rule
    bool stockFunctions;  // ... and computes the built-in functions itself
    bool stockOperators;

    std::uint32_t pendingPolls = 0;
    std::uint32_t nextTemporary = 0;
    std::uint32_t sentenceDepth = 0;  // blocks and formulas around the current item
    std::vector<TTarget*> loopExits;  // the innermost loop last
    // Scratch for the spines of expression chains and for call arguments, used
    // as stacks by nested expressions: no expression allocates its own.
    std::vector<TExpression*> spines;
    std::vector<TCell> operandStack;

    std::vector<TScope> scopes;
    std::uint32_t currentScope = 0;
    std::vector<TLabelRecord> labels;
    std::vector<TPendingGoto> gotos;

    std::vector<int> rowCodes;  // per operator row, once asked; -1 not yet
    // Keys of names whose meaning may change between runs (folded to upper case).
    // Keyed by what the macro holds, so hashed with secret keys (text_hash.h).
    std::unordered_map<std::string, bool, TTextHash> dynamicKeys;
    std::unordered_map<std::string, std::uint32_t, TTextHash> nameIndexes;
    std::unordered_map<std::string, std::uint32_t, TTextHash> calleeIndexes;
    std::unordered_map<int, TCell, TTextHash> intLiterals;
    std::unordered_map<std::uint64_t, TCell, TTextHash> doubleLiterals;
    std::unordered_map<std::string, TCell, TTextHash> stringLiterals;
    TCell emptyLiteral = noPreference;
};

}  // namespace Quorin
