#include "engine/compiler.h"

#include <algorithm>
#include <cstring>

#include "analysis/code_analysis.h"
#include "environment/builtins.h"
#include "environment/environment.h"
#include "environment/operators.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "items/calls.h"
#include "items/expressions.h"
#include "items/formulas.h"
#include "quorin_limits.h"

namespace Quorin {

namespace {

// A name's key under the stock rule when letter case does not count: the
// coarser of the two stock rules, so names apart under it are apart under both.
std::string Folded(const std::string& name) {
    return TQuorinBasicEnvironment::StockNameKey(name, false);
}

// The instruction that computes operator `code`, or oHalt for none.
TOpcode BinaryOpcode(int code) {
    switch (code) {
#define QUORIN_CASE(name) \
    case k##name:         \
        return o##name;
        QUORIN_BINARY_OPERATORS(QUORIN_CASE)
        default:
            return oHalt;
    }
}

TOpcode UnaryOpcode(int code) {
    switch (code) {
        QUORIN_UNARY_OPERATORS(QUORIN_CASE)
#undef QUORIN_CASE
        default:
            return oHalt;
    }
}

TOpcode JumpOpcode(int code) {
    switch (code) {
#define QUORIN_CASE(name) \
    case k##name:         \
        return oJump##name;
        QUORIN_COMPARISONS(QUORIN_CASE)
#undef QUORIN_CASE
        default:
            return oHalt;
    }
}

// The inside of brackets, which stand for what they hold.
TItem& Unbracketed(TItem& item) {
    TItem* inner = &item;
    while (inner->id == idBracketedExpression)
        inner = static_cast<TBracketedExpression*>(inner)->inner.get();
    return *inner;
}

}  // namespace

TCompiler::TCompiler(TQuorinBasicEnvironment& environment, const TCodeAnalysis& analysis)
    : environment(environment), analysis(analysis), program(std::make_unique<TProgram>()) {
    auto* stock = dynamic_cast<TQuorinEnvironment*>(&environment);
    stockNames = environment.HasStockNameRule();
    stockFunctions = stockNames && stock && stock->HasStockFunctions();
    stockOperators = stock && stock->HasStockOperators();
    program->stockOperators = stockOperators;
    rowCodes.assign(environment.operators.size(), -1);
    scopes.push_back(TScope{~0u, 0, 0, 0});
}

TCompiler::~TCompiler() = default;

// ---- names --------------------------------------------------------------------

// A name is a variable in every run, and its cell can be read directly, unless
// some run could see it otherwise: as a constant or a built-in or served
// function (under either stock rule, so whatever its letter case), or as one
// variable with another spelling of the macro that differs only in case. Where
// the environment has a name rule or functions of its own, any name could be
// anything, and every one is resolved where it is used.
void TCompiler::ClassifyNames() {
    classified = true;
    if (!stockFunctions) return;
    const auto& stock = static_cast<const TQuorinEnvironment&>(environment);
    auto dynamic = [&](const std::string& name) { dynamicKeys[Folded(name)] = true; };
    for (const TConstantInfo& constant : environment.constants) dynamic(constant.name);
    for (int function = 0; function < Builtins::functionCount; ++function)
        dynamic(Builtins::Name(function));
    for (const std::string& name : stock.ServedFunctions()) dynamic(name);
    // Identifiers whose folded forms meet.
    std::unordered_map<std::string, std::string_view, TTextHash> spellings;
    for (const std::string_view text : analysis.IdentifierTexts()) {
        const std::string key = Folded(std::string(text));
        auto [found, added] = spellings.emplace(key, text);
        if (!added && found->second != text) dynamicKeys[key] = true;
    }
}

std::uint32_t TCompiler::NameIndex(const std::string& name) {
    auto [found, added] =
        nameIndexes.try_emplace(name, static_cast<std::uint32_t>(program->names.size()));
    if (added) {
        const bool dynamic = !stockFunctions || dynamicKeys.count(Folded(name)) != 0;
        const TCell cell = CellOperand(static_cast<std::int64_t>(program->cells.size()));
        program->cells.push_back(dynamic ? TExValue() : TExValue(0));
        program->variableCells.push_back(!dynamic);
        program->names.push_back(TName{name, cell, dynamic});
    }
    return found->second;
}

TCell TCompiler::Symbol(const std::string& name) {
    const TName& entry = program->names[NameIndex(name)];
    if (!entry.dynamic) return entry.cell;
    const TCell into = Temporary();
    Emit(oSymbol, into, static_cast<TCell>(nameIndexes[name]));
    return into;
}

bool TCompiler::IsVariableCell(TCell cell) const {
    const std::vector<bool>& variables = program->variableCells;
    if (IsTemporary(cell) || cell == noPreference) return false;
    const auto index = static_cast<std::size_t>(CellIndex(cell));
    return index < variables.size() && variables[index];
}

// ---- cells --------------------------------------------------------------------

TCell TCompiler::Literal(const TExValue& value) {
    const auto add = [&]() {
        program->cells.push_back(value);
        program->variableCells.push_back(false);
        return CellOperand(static_cast<std::int64_t>(program->cells.size()) - 1);
    };
    switch (value.Tag()) {
        case TExValue::tInt: {
            auto [found, added] = intLiterals.try_emplace(value.IntValue(), 0);
            if (added) found->second = add();
            return found->second;
        }
        case TExValue::tDouble: {
            std::uint64_t bits;
            const double number = value.DoubleValue();
            std::memcpy(&bits, &number, sizeof bits);
            auto [found, added] = doubleLiterals.try_emplace(bits, 0);
            if (added) found->second = add();
            return found->second;
        }
        case TExValue::tString: {
            auto [found, added] = stringLiterals.try_emplace(*value.StringPointer(), 0);
            if (added) found->second = add();
            return found->second;
        }
        default:
            if (emptyLiteral == noPreference) emptyLiteral = add();
            return emptyLiteral;
    }
}

TCell TCompiler::Temporary() {
    const TCell cell = Quorin::Temporary(nextTemporary++);
    program->temporaries = std::max(program->temporaries, nextTemporary);
    return cell;
}

TCell TCompiler::Destination(TWant want) {
    return want.cell != noPreference ? want.cell : Temporary();
}

// Expressions leave their value in a temporary above every temporary they used
// (or in no temporary at all); the ones above it are free again.
TCell TCompiler::Result(std::uint32_t mark, TCell cell) {
    nextTemporary = IsTemporary(cell) ? TemporaryNumber(cell) + 1 : mark;
    if (nextTemporary < mark) nextTemporary = mark;
    return cell;
}

std::uint32_t TCompiler::List(const TCell* cells, std::size_t count) {
    const auto index = static_cast<std::uint32_t>(program->lists.size());
    program->lists.push_back(static_cast<TCell>(count));
    program->lists.insert(program->lists.end(), cells, cells + count);
    return index;
}

// ---- code ---------------------------------------------------------------------

std::uint32_t TCompiler::Emit(TOpcode op, TCell a, TCell b, TCell c, std::uint16_t flags) {
    // An instruction carries up to 255 polls; more go first on instructions of their own.
    while (pendingPolls > 255) {
        program->code.push_back(TInstruction{oPoll | polledOpcode, 255, 0, 0, 0, 0});
        pendingPolls -= 255;
    }
    const auto polled = static_cast<std::uint8_t>(pendingPolls ? polledOpcode : 0);
    program->code.push_back(TInstruction{static_cast<std::uint8_t>(op | polled),
                                         static_cast<std::uint8_t>(pendingPolls), flags, a, b,
                                         c});
    pendingPolls = 0;
    return static_cast<std::uint32_t>(program->code.size() - 1);
}

void TCompiler::JumpTo(TOpcode op, TTarget& target, TCell b, TCell c, std::uint16_t flags) {
    if (target.pc != ~0u) {
        Emit(op, target.pc, b, c, flags);
    } else {
        target.last = Emit(op, target.last, b, c, flags);
    }
}

// Polls waiting for the next instruction belong to the sentences that began
// before this place; a jump here must not count them.
void TCompiler::FlushPolls() {
    if (pendingPolls > 0) Emit(oPoll);
}

void TCompiler::Bind(TTarget& target) {
    FlushPolls();
    target.pc = static_cast<std::uint32_t>(program->code.size());
    for (std::uint32_t jump = target.last; jump != ~0u;) {
        TInstruction& instruction = program->code[jump];
        jump = instruction.a;
        instruction.a = target.pc;
    }
    target.last = ~0u;
}

void TCompiler::LineAt(const TItem& item) {
    const std::uint32_t offset = item.start < analysis.words.size()
                                     ? analysis.words[item.start].offset
                                     : static_cast<std::uint32_t>(analysis.source.size());
    auto& lines = program->lines;
    const auto pc = static_cast<std::uint32_t>(program->code.size());
    if (!lines.empty() && lines.back().pc == pc) {
        lines.back().offset = offset;
    } else if (lines.empty() || lines.back().offset != offset) {
        lines.push_back(TLinePoint{pc, offset});
    }
}

// The analysis has already refused anything that nests deeper than the limit,
// and translating a level takes less stack than analysing it did; the check
// guards against a caller whose stack is smaller than the one analysed on.
void TCompiler::Descend() {
    if (stackRoom.Low()) throw EQuorinSyntaxError(Messages::nestingTooDeep);
}

// ---- sentences ----------------------------------------------------------------

void TCompiler::Add(TItem& item) {
    // The words are all there once the first item is.
    if (!classified) {
        ClassifyNames();
        // Room for more instructions and line points than most macros take
        // (between a sixth and a quarter of an instruction per word, and fewer
        // sentences), so that they are not copied as they grow; room never
        // written costs address space only.
        program->code.reserve(analysis.words.size() / 3 + 16);
        program->lines.reserve(analysis.words.size() / 4 + 16);
    }
    if (item.id == idLabel) {
        Label(static_cast<TLabel&>(item));
    } else {
        Sentence(item);
    }
}

void TCompiler::List(TSentences& list) {
    OpenScope();
    for (auto& item : list.items) Add(*item);
    CloseScope();
}

void TCompiler::OpenScope() {
    const auto labelCount = static_cast<std::uint32_t>(labels.size());
    scopes.push_back(TScope{currentScope, labelCount, labelCount, sentenceDepth});
    currentScope = static_cast<std::uint32_t>(scopes.size() - 1);
}

void TCompiler::CloseScope() {
    TScope& scope = scopes[currentScope];
    scope.endLabel = static_cast<std::uint32_t>(labels.size());
    currentScope = scope.parent;
}

void TCompiler::Label(TLabel& label) {
    FlushPolls();
    labels.push_back(TLabelRecord{label.name, static_cast<std::uint32_t>(program->code.size()),
                                  sentenceDepth});
}

// Every sentence polls as it begins; blocks and formulas also count as a level
// that a goto from outside enters on its way to a label inside.
void TCompiler::Sentence(TItem& item) {
    Descend();
    ++pendingPolls;
    const std::uint32_t temporaries = nextTemporary;
    // Blocks and the formulas that hold sentences are a level a goto enters.
    const bool level = item.id == idBlock || item.id == idIfFormula ||
                       item.id == idWhileFormula || item.id == idDoFormula ||
                       item.id == idForFormula;
    sentenceDepth += level;
    switch (item.id) {
        case idNormalSentence: {
            TItem& expression = *static_cast<TNormalSentence&>(item).expression;
            if (expression.id != idVoidExpression) LineAt(item);
            Effect(expression);
            break;
        }
        case idBlock:
            List(*static_cast<TBlock&>(item).sentences);
            break;
        case idBreakFormula:
            LineAt(item);
            if (loopExits.empty()) {
                Emit(oHalt);  // outside any loop a break ends the macro
            } else {
                JumpTo(oJump, *loopExits.back());
            }
            break;
        case idReturnFormula:  // its expression is never evaluated
            LineAt(item);
            Emit(oHalt);
            break;
        case idGotoFormula:
            LineAt(item);
            Goto(static_cast<TGotoFormula&>(item));
            break;
        case idIfFormula:
            If(static_cast<TIfFormula&>(item));
            break;
        case idWhileFormula:
            While(static_cast<TWhileFormula&>(item));
            break;
        case idDoFormula:
            Do(static_cast<TDoFormula&>(item));
            break;
        case idForFormula:
            For(static_cast<TForFormula&>(item));
            break;
        default:
            throw EQuorinFatalError(Messages::invalidItemKind);
    }
    sentenceDepth -= level;
    nextTemporary = temporaries;
}

// The if is a scope of its own: a goto from one branch finds a label in the
// other without leaving the if.
void TCompiler::If(TIfFormula& formula) {
    OpenScope();
    TTarget otherwise, end;
    LineAt(*formula.condition);
    Condition(*formula.condition, otherwise, false);
    Sentence(*formula.thenSentence);
    if (formula.elseSentence) {
        JumpTo(oJump, end);
        Bind(otherwise);
        Sentence(*formula.elseSentence);
        Bind(end);
    } else {
        Bind(otherwise);
    }
    CloseScope();
}

// Loops test at the bottom. A goto from outside to a label in the body enters
// the body there and the loop then goes on as usual: the test (for a for loop,
// the step and the test) comes next.
void TCompiler::While(TWhileFormula& formula) {
    TTarget body, test, exit;
    JumpTo(oJump, test);
    Bind(body);
    loopExits.push_back(&exit);
    Sentence(*formula.body);
    loopExits.pop_back();
    Bind(test);
    LineAt(*formula.condition);
    Condition(*formula.condition, body, true);
    Bind(exit);
}

void TCompiler::Do(TDoFormula& formula) {
    TTarget body, exit;
    Bind(body);  // the do's own poll goes on an instruction before the body
    loopExits.push_back(&exit);
    Sentence(*formula.body);
    loopExits.pop_back();
    LineAt(*formula.condition);
    Condition(*formula.condition, body, true);
    Bind(exit);
}

void TCompiler::For(TForFormula& formula) {
    TTarget body, test, exit;
    LineAt(*formula.initialization);
    Effect(*formula.initialization);
    JumpTo(oJump, test);
    Bind(body);
    loopExits.push_back(&exit);
    Sentence(*formula.body);
    loopExits.pop_back();
    LineAt(*formula.step);
    Effect(*formula.step);
    Bind(test);
    // An empty condition is false: the body runs only when a goto enters it.
    if (formula.condition->id != idVoidExpression) {
        LineAt(*formula.condition);
        Condition(*formula.condition, body, true);
    }
    Bind(exit);
}

void TCompiler::Goto(TGotoFormula& formula) {
    const auto record = static_cast<TCell>(program->gotos.size());
    program->gotos.push_back(TGotoRecord{{0, 0}, formula.target});
    const std::uint32_t pc = Emit(oGoto, 0, 0, record);
    gotos.push_back(TPendingGoto{pc, currentScope, formula.target});
}

// A goto looks for its label in the innermost list or if around it that holds
// one of that name, and in there takes the first in the order of the text:
// labels are numbered in that order, and every scope holds a run of them.
// Entering the scope's sentences down to the label polls once per block or
// formula on the way.
void TCompiler::ResolveGotos() {
    const int variants = stockNames ? 2 : 1;
    // Label numbers per name, for each stock rule.
    std::unordered_map<std::string, std::vector<std::uint32_t>, TTextHash> byKey[2];
    if (stockNames) {
        for (std::uint32_t i = 0; i < labels.size(); ++i) {
            byKey[0][Folded(labels[i].name)].push_back(i);
            byKey[1][labels[i].name].push_back(i);
        }
    }
    for (const TPendingGoto& pending : gotos) {
        TInstruction& instruction = program->code[pending.pc];
        TGotoRecord& record = program->gotos[instruction.c];
        for (int variant = 0; variant < variants; ++variant) {
            const std::vector<std::uint32_t>* candidates = nullptr;
            if (stockNames) {
                const auto found = byKey[variant].find(variant == 0 ? Folded(pending.target)
                                                                   : pending.target);
                if (found == byKey[variant].end()) {
                    (variant == 0 ? instruction.a : instruction.b) = ~0u;
                    continue;
                }
                candidates = &found->second;
            }
            std::uint32_t label = ~0u, scope = pending.scope;
            for (; scope != ~0u && label == ~0u; scope = scopes[scope].parent) {
                const TScope& inside = scopes[scope];
                if (candidates) {
                    const auto first = std::lower_bound(candidates->begin(), candidates->end(),
                                                        inside.firstLabel);
                    if (first != candidates->end() && *first < inside.endLabel) label = *first;
                } else {
                    for (std::uint32_t i = inside.firstLabel; i < inside.endLabel; ++i) {
                        if (environment.SameName(labels[i].name, pending.target)) {
                            label = i;
                            break;
                        }
                    }
                }
                if (label != ~0u) record.polls[variant] = labels[label].depth - inside.depth;
            }
            (variant == 0 ? instruction.a : instruction.b) =
                label == ~0u ? ~0u : labels[label].pc;
        }
        if (variants == 1) {
            instruction.b = instruction.a;
            record.polls[1] = record.polls[0];
        }
    }
}

std::unique_ptr<TProgram> TCompiler::Finish() {
    scopes[0].endLabel = static_cast<std::uint32_t>(labels.size());
    FlushPolls();
    Emit(oHalt);
    ResolveGotos();
    program->sourceMap = analysis.sourceMap;
    return std::move(program);
}

// ---- expressions ----------------------------------------------------------------

int TCompiler::RowCode(int row) {
    if (!stockOperators) return kUnknown;
    int& code = rowCodes[static_cast<std::size_t>(row)];
    if (code < 0) {
        const TOperatorInfo& info = environment.operators[static_cast<std::size_t>(row)];
        const int form = info.form == ofBinaryRight ? static_cast<int>(ofBinary) : info.form;
        code = Operators::CodeByName(environment, info.name, form);
    }
    return code;
}

TCell TCompiler::Value(TItem& item, TWant want) {
    switch (item.id) {
        case idVoidExpression:
            return Literal(TExValue());
        case idCValue:
            return Literal(static_cast<TCValue&>(item).value);
        case idBracketedExpression:
            Descend();
            return Value(*static_cast<TBracketedExpression&>(item).inner, want);
        case idSymbol:
            return Symbol(static_cast<TSymbol&>(item).name);
        case idPreExpression: {
            Descend();
            auto& prefix = static_cast<TPreExpression&>(item);
            return Prefix(prefix.op->index, *prefix.operand, want);
        }
        case idFunctionCall:
            Descend();
            return Call(static_cast<TFunctionCall&>(item), want);
        case idSubExpression:
        case idBinaryExpression:
            Descend();
            return Chain(static_cast<TExpression&>(item), want);
        default:
            throw EQuorinFatalError(Messages::invalidItemKind);
    }
}

// A chain of continuations (a + b - c ..., x++ ...) is as deep as it is long and
// is walked in a loop: down its left spine to the first operand, then up again
// applying each operator to what the levels below computed.
TCell TCompiler::Chain(TExpression& top, TWant want) {
    const std::size_t base = spines.size();
    TExpression* bottom = &top;
    while (bottom->id == idBinaryExpression || bottom->id == idSubExpression) {
        spines.push_back(bottom);
        bottom = bottom->id == idBinaryExpression
                     ? static_cast<TBinaryExpression*>(bottom)->left.get()
                     : static_cast<TSubExpression*>(bottom)->left.get();
    }
    const std::uint32_t mark = nextTemporary;
    TCell left = Result(mark, Value(*bottom, anywhere));
    // Right operands nest chains of their own above `base`, each gone when done.
    for (std::size_t level = spines.size(); level-- > base;) {
        TExpression& item = *spines[level];
        const TWant here = &item == &top ? want : anywhere;
        if (item.id == idBinaryExpression) {
            left = Binary(static_cast<TBinaryExpression&>(item), left, here, mark);
        } else {
            left = Postfix(static_cast<TSubExpression&>(item), left, here, mark);
        }
        spines.resize(level);
    }
    return left;
}

TCell TCompiler::Binary(TBinaryExpression& item, TCell left, TWant want, std::uint32_t mark) {
    const int row = item.op->index;
    const int code = RowCode(row);
    if (code == kAssign) return Result(mark, Assign(left, *item.right));
    // The value of the right operand, as it stands; the left one's is dropped.
    if (code == kComma) return Result(mark, Value(*item.right, want));
    int base = code;
    if (code == kCompound) {
        const std::string& name = environment.operators[static_cast<std::size_t>(row)].name;
        base = Operators::CodeByName(environment, name.substr(0, name.size() - 1), ofBinary);
    }
    const TOpcode op = BinaryOpcode(base);
    const TCell right = Value(*item.right, anywhere);
    if (op == oHalt) return CallOperator(row, ofBinary, {left, right}, want, mark);
    if (code != kCompound) {
        nextTemporary = mark;
        const TCell into = Destination(want);
        Emit(op, into, left, right);
        return Result(mark, into);
    }
    // A compound assignment stands for its target, which takes the result.
    if (IsVariableCell(left)) {
        if (op == oCat) {
            Emit(oCatAssign, left, right);
        } else {
            Emit(op, left, left, right);
        }
        return Result(mark, left);
    }
    Result(mark, left);
    const TCell value = Temporary();
    Emit(op, value, left, right);
    Emit(oAssignThrough, left, value);
    return Result(mark, left);
}

TCell TCompiler::Postfix(TSubExpression& item, TCell left, TWant want, std::uint32_t mark) {
    const int row = item.op->index;
    const int code = RowCode(row);
    if (code == kPostIncrement || code == kPostDecrement) return Step(code, left, want, mark);
    return CallOperator(row, ofPostfix, {left}, want, mark);
}

TCell TCompiler::Prefix(int row, TItem& operandItem, TWant want) {
    const int code = RowCode(row);
    const std::uint32_t mark = nextTemporary;
    const TCell operand = Value(operandItem, anywhere);
    if (code == kPreIncrement || code == kPreDecrement) return Step(code, operand, want, mark);
    const TOpcode op = UnaryOpcode(code);
    if (op == oHalt) return CallOperator(row, ofPrefix, {operand}, want, mark);
    nextTemporary = mark;
    const TCell into = Destination(want);
    Emit(op, into, operand);
    return Result(mark, into);
}

// "++" and "--": a variable steps in place; any other operand is a handle, which
// refuses unless it refers to a variable.
TCell TCompiler::Step(int code, TCell target, TWant want, std::uint32_t mark) {
    const bool decrement = code == kPreDecrement || code == kPostDecrement;
    const TCell delta = decrement ? static_cast<TCell>(-1) : 1;
    if (want.discard && IsVariableCell(target)) {
        // The commonest: i++; as a sentence, or a loop's step.
        Emit(oStepVariable, 0, target, delta);
        return Result(mark, Literal(TExValue()));
    }
    std::uint16_t flags = 0;
    if (code == kPreIncrement || code == kPreDecrement) flags |= sfPrefix;
    if (IsVariableCell(target)) flags |= sfVariable;
    if (want.discard) {
        Emit(oStep, 0, target, delta, flags | rkDiscarded);
        return Result(mark, Literal(TExValue()));
    }
    // The target's handle stays in its temporary until the step has used it.
    Result(mark, target);
    const TCell into = Destination(want);
    if (IsVariableCell(into)) flags |= rkVariable;
    Emit(oStep, into, target, delta, flags);
    return Result(mark, into);
}

// The target, evaluated first, takes the value of the source; the assignment
// then stands for the target. A variable's new value is computed right into it.
TCell TCompiler::Assign(TCell target, TItem& source) {
    const std::uint32_t mark = nextTemporary;
    if (IsVariableCell(target)) {
        const TItem& value = Unbracketed(source);
        const bool computed = value.id == idPreExpression || value.id == idSubExpression ||
                              value.id == idBinaryExpression || value.id == idFunctionCall;
        const TCell cell = Value(source, TWant{computed ? target : noPreference, false});
        if (cell != target) Emit(oAssign, target, cell);
        return Result(mark, target);
    }
    const TCell cell = Value(source, anywhere);
    Emit(oAssignThrough, target, cell);
    return Result(mark, target);
}

TCell TCompiler::CallOperator(int row, int form, std::initializer_list<TCell> operands, TWant want,
                              std::uint32_t mark) {
    // The environment's answer may be a reference: only a temporary keeps it as it is.
    nextTemporary = mark;
    const TCell into = Temporary();
    Emit(oCallOperator, into, List(operands.begin(), operands.size()), static_cast<TCell>(row),
         static_cast<std::uint16_t>(form));
    if (IsVariableCell(want.cell)) {
        Emit(oAssign, want.cell, into);
        return Result(mark, want.cell);
    }
    return Result(mark, into);
}

TCell TCompiler::Call(TFunctionCall& call, TWant want) {
    // The callee is a name or nothing: no part of a call of anything else is evaluated.
    if (call.left->id != idSymbol) {
        Emit(oWrongCall);
        return Literal(TExValue());
    }
    const std::string& name = static_cast<TSymbol&>(*call.left).name;
    auto [callee, added] =
        calleeIndexes.try_emplace(name, static_cast<std::uint32_t>(program->callees.size()));
    if (added) program->callees.push_back(name);
    const std::uint32_t mark = nextTemporary;
    const std::size_t base = operandStack.size();
    for (auto& argument : call.arguments->expressions) {
        const TCell cell = Value(*argument, anywhere);
        operandStack.push_back(cell);
    }
    const std::uint32_t arguments = List(operandStack.data() + base, operandStack.size() - base);
    operandStack.resize(base);
    // The call reads its arguments before it writes its value.
    nextTemporary = mark;
    if (want.discard) {
        Emit(oCall, 0, arguments, callee->second, rkDiscarded);
        return Literal(TExValue());
    }
    const TCell into = Destination(want);
    Emit(oCall, into, arguments, callee->second, IsVariableCell(into) ? rkVariable : rkTemporary);
    return Result(mark, into);
}

void TCompiler::Condition(TItem& item, TTarget& target, bool when) {
    TItem& condition = Unbracketed(item);
    if (condition.id == idBinaryExpression) {
        auto& binary = static_cast<TBinaryExpression&>(condition);
        const TOpcode op = JumpOpcode(RowCode(binary.op->index));
        if (op != oHalt) {
            const std::uint32_t mark = nextTemporary;
            Descend();
            const TCell left = Value(*binary.left, anywhere);
            const TCell right = Value(*binary.right, anywhere);
            JumpTo(op, target, left, right, when);
            nextTemporary = mark;
            return;
        }
    }
    if (condition.id == idPreExpression) {
        auto& prefix = static_cast<TPreExpression&>(condition);
        if (RowCode(prefix.op->index) == kNot) {
            // The truth of "!x" is the opposite of x's.
            Descend();
            Condition(*prefix.operand, target, !when);
            return;
        }
    }
    const std::uint32_t mark = nextTemporary;
    const TCell cell = Value(condition, anywhere);
    JumpTo(oJumpIf, target, cell, 0, when);
    nextTemporary = mark;
}

}  // namespace Quorin
