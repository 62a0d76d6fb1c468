#include "support/tree_walk.h"

#include <memory>
#include <vector>

#include "analysis/code_analysis.h"
#include "engine/quorin.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "items/analyzed_macro.h"
#include "items/calls.h"
#include "items/expressions.h"
#include "items/formulas.h"
#include "stack_room.h"

namespace QuorinTest {

namespace {

using namespace Quorin;

// Deepest recursion of the walk, in sentences and expressions in progress. The
// macros of the tests and of the fuzzer rarely come near it. Sanitizer builds
// have frames large enough for a thread's 8 MiB to run out first, so the walk
// also stops while the stack still has room (stack_room.h).
constexpr int kMaxDepth = 2000;

// What the sentences that follow have to do.
enum TState { sNormal, sGoto, sBreak, sContinue, sReturn };

struct TCommand {
    TState state = sNormal;
    std::string label;  // the label a pending goto looks for
};

class TWalk {
public:
    explicit TWalk(TQuorin& engine) : engine(engine) {}

    void Run(TAnalyzedMacro& macro) {
        TCommand command;
        Execute(*macro.body, command);
        // A goto whose label was found nowhere on its way out, and a continue
        // that no loop took, end at the top; a break or a return ends the macro.
        if (command.state == sGoto)
            throw ELabelNotExist(RuntimeMessage(Messages::LabelNotExist(command.label)));
        if (command.state == sContinue)
            throw EUnexpectedContinue(RuntimeMessage(Messages::unexpectedContinue));
    }

private:
    class TLevel {
    public:
        explicit TLevel(TWalk& walk) : walk(walk) {
            if (++walk.depth > kMaxDepth || walk.stackRoom.Low()) {
                --walk.depth;
                throw EWalkTooDeep();
            }
        }
        ~TLevel() { --walk.depth; }
        TLevel(const TLevel&) = delete;
        TLevel& operator=(const TLevel&) = delete;

    private:
        TWalk& walk;
    };

    // ---- sentences

    void Execute(TItem& item, TCommand& command) {
        const TLevel level(*this);
        switch (item.id) {
            case idSentences:
                return Sentences(static_cast<TSentences&>(item), command);
            case idLabel:  // no poll: a label is no sentence
                if (command.state == sGoto &&
                    engine.NamesEqual(static_cast<TLabel&>(item).name, command.label))
                    command.state = sNormal;
                return;
            case idBlock:
                engine.Poll();
                if (command.state == sNormal || command.state == sGoto)
                    Execute(*static_cast<TBlock&>(item).sentences, command);
                return;
            case idNormalSentence:
                engine.Poll();
                if (command.state == sNormal)
                    Evaluate(*static_cast<TNormalSentence&>(item).expression);
                return;
            case idBreakFormula:
                engine.Poll();
                if (command.state == sNormal) command.state = sBreak;
                return;
            case idReturnFormula:  // its expression is never evaluated
                engine.Poll();
                if (command.state == sNormal) command.state = sReturn;
                return;
            case idGotoFormula:
                engine.Poll();
                if (command.state == sNormal) {
                    command.state = sGoto;
                    command.label = static_cast<TGotoFormula&>(item).target;
                }
                return;
            case idIfFormula:
                return If(static_cast<TIfFormula&>(item), command);
            case idWhileFormula:
                return While(static_cast<TWhileFormula&>(item), command);
            case idDoFormula:
                return Do(static_cast<TDoFormula&>(item), command);
            case idForFormula:
                return For(static_cast<TForFormula&>(item), command);
            default:
                throw std::logic_error("the walk met an item that is no sentence");
        }
    }

    // The first record of `records` (label records of a list or an if) for
    // the label a goto looks for, or null.
    template <typename TRecord>
    const TRecord* Find(const std::vector<TRecord>& records, const std::string& label) {
        for (const TRecord& record : records) {
            if (engine.NamesEqual(record.name, label)) return &record;
        }
        return nullptr;
    }

    // A pending goto enters the item that holds its label, and the list goes on
    // after that item; it leaves the list when no item holds it.
    void Sentences(TSentences& list, TCommand& command) {
        std::size_t position = 0;
        for (;;) {
            if (command.state == sGoto) {
                const TSentences::TLabelInfo* record = Find(list.labelInfos, command.label);
                if (!record) return;
                position = record->position;
            } else if (command.state != sNormal) {
                return;
            }
            if (position >= list.items.size()) return;
            Execute(*list.items[position], command);
            ++position;
        }
    }

    // A goto from one branch to a label in the other switches branches without
    // leaving the if.
    void If(TIfFormula& formula, TCommand& command) {
        engine.Poll();
        for (;;) {
            TSentence* branch;
            if (command.state == sGoto) {
                const TIfFormula::TLabelInfo* record = Find(formula.labelInfos, command.label);
                if (!record) return;
                branch = record->inThen ? formula.thenSentence.get() : formula.elseSentence.get();
            } else if (command.state != sNormal) {
                return;
            } else {
                branch = IsTrue(*formula.condition) ? formula.thenSentence.get()
                                                    : formula.elseSentence.get();
            }
            if (branch) Execute(*branch, command);
            if (command.state == sNormal) return;
        }
    }

    // After a loop's body: whether the loop goes on. It takes a break (and
    // ends) and a continue (and goes on); a pending goto or a return ends it.
    static bool GoesOn(TCommand& command) {
        switch (command.state) {
            case sNormal:
                return true;
            case sBreak:
                command.state = sNormal;
                return false;
            case sContinue:
                command.state = sNormal;
                return true;
            default:
                return false;
        }
    }

    // A pending goto enters a loop's body without the test (or a for loop's
    // initialization); the loop then goes on as usual.
    void While(TWhileFormula& formula, TCommand& command) {
        engine.Poll();
        if (command.state == sNormal) {
            if (!IsTrue(*formula.condition)) return;
        } else if (command.state != sGoto) {
            return;
        }
        do {
            Execute(*formula.body, command);
            if (!GoesOn(command)) return;
        } while (IsTrue(*formula.condition));
    }

    void Do(TDoFormula& formula, TCommand& command) {
        engine.Poll();
        if (command.state != sNormal && command.state != sGoto) return;
        do {
            Execute(*formula.body, command);
            if (!GoesOn(command)) return;
        } while (IsTrue(*formula.condition));
    }

    void For(TForFormula& formula, TCommand& command) {
        engine.Poll();
        if (command.state == sNormal) {
            Evaluate(*formula.initialization);
            if (!IsTrue(*formula.condition)) return;
        } else if (command.state != sGoto) {
            return;
        }
        for (;;) {
            Execute(*formula.body, command);
            if (!GoesOn(command)) return;
            Evaluate(*formula.step);
            if (!IsTrue(*formula.condition)) return;
        }
    }

    // ---- expressions

    // An empty condition gives an empty value, which is false.
    bool IsTrue(TItem& condition) { return Evaluate(condition).ToBool(); }

    TExValue Evaluate(TItem& item) {
        const TLevel level(*this);
        switch (item.id) {
            case idVoidExpression:
                return TExValue();
            case idCValue:
                return static_cast<TCValue&>(item).value;
            case idBracketedExpression:  // a bracketed variable stays a left value
                return Evaluate(*static_cast<TBracketedExpression&>(item).inner);
            case idSymbol:
                return Symbol(static_cast<TSymbol&>(item).name);
            case idPreExpression: {
                auto& prefix = static_cast<TPreExpression&>(item);
                std::vector<TExValue> operands;
                operands.push_back(Evaluate(*prefix.operand));
                return Apply(*prefix.op, ofPrefix, operands);
            }
            case idSubExpression:
            case idBinaryExpression:
                return Chain(static_cast<TExpression&>(item));
            case idFunctionCall:
                return Call(static_cast<TFunctionCall&>(item));
            default:
                throw std::logic_error("the walk met an item that is no expression");
        }
    }

    // A variable of the macro (a left value) or a constant (a copy), else a
    // function called without arguments, else a new variable holding 0.
    TExValue Symbol(const std::string& name) {
        if (const TLRValue* found = engine.FindVariable(name)) return TExValue(found);
        std::vector<TExValue> none;
        TExValue result;
        if (engine.CallFunction(name, none, result)) return result;
        return TExValue::Refer(engine.CreateVariable(name));
    }

    // Postfix and binary operators, whose left operands may chain on for as
    // long as the macro is (a + b + c ...): taken from the innermost left
    // operand outwards in a loop. Every operand is evaluated, left before
    // right, before its operator is applied.
    TExValue Chain(TExpression& top) {
        std::vector<TExpression*> links;
        TExpression* innermost = &top;
        for (;;) {
            if (innermost->id == idBinaryExpression) {
                links.push_back(innermost);
                innermost = static_cast<TBinaryExpression*>(innermost)->left.get();
            } else if (innermost->id == idSubExpression) {
                links.push_back(innermost);
                innermost = static_cast<TSubExpression*>(innermost)->left.get();
            } else {
                break;
            }
        }
        TExValue value = Evaluate(*innermost);
        for (auto link = links.rbegin(); link != links.rend(); ++link) {
            std::vector<TExValue> operands;
            operands.push_back(std::move(value));
            if ((*link)->id == idSubExpression) {
                value = Apply(*static_cast<TSubExpression*>(*link)->op, ofPostfix, operands);
            } else {
                auto& binary = *static_cast<TBinaryExpression*>(*link);
                operands.push_back(Evaluate(*binary.right));
                // Right-associative rows are applied as binary ones too.
                value = Apply(*binary.op, ofBinary, operands);
            }
        }
        return value;
    }

    // The operator goes by the name of its row of the table, not as written.
    TExValue Apply(const TOperator& op, int form, std::vector<TExValue>& operands) {
        TExValue result;
        engine.CallOperator(op.Name(), form, operands, result);
        return result;
    }

    // Only a plain name can be called; nothing is evaluated before that is
    // known. The arguments follow, left to right.
    TExValue Call(TFunctionCall& call) {
        if (call.left->id != idSymbol)
            throw EWrongFunctionCall(RuntimeMessage(Messages::wrongFunctionCall));
        const std::string& name = static_cast<TSymbol&>(*call.left).name;
        std::vector<TExValue> arguments;
        for (const auto& argument : call.arguments->expressions)
            arguments.push_back(Evaluate(*argument));
        TExValue result;
        if (!engine.CallFunction(name, arguments, result))
            throw EFunctionNotExist(RuntimeMessage(Messages::FunctionNotExist(name)));
        return result;
    }

    TQuorin& engine;
    int depth = 0;
    const TStackRoom stackRoom;
};

}  // namespace

bool WalkMacro(TQuorinBasicEnvironment* environment, const std::string& source, int userData) {
    // A fresh engine starts its poll count afresh; it is never run, only asked.
    TQuorin engine(environment, source, userData);
    TCodeAnalysis analysis(environment, source);
    const std::unique_ptr<TAnalyzedMacro> macro = analysis.AnalyzeSource();
    if (!macro)
        throw EQuorinSyntaxError(analysis.TooDeep() ? Messages::nestingTooDeep
                                                    : Messages::syntaxError);
    bool finished = true;
    try {
        TWalk(engine).Run(*macro);
    } catch (const EStopped&) {
        finished = false;
    }
    engine.ClearVariables();
    return finished;
}

}  // namespace QuorinTest
