// The base of the syntax tree.
//
// Every node is an item that recognises its own syntax (Analyze, or
// AnalyzeContinuation for the kinds that extend an expression already built) and
// then executes (sentences) or evaluates (expressions) itself. Control transfers
// travel in TCommand, never as exceptions.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "analysis/code_analysis.h"
#include "items/number.h"
#include "values/values.h"

class TQuorinBasicEnvironment;

namespace Quorin {

class TQuorin;

// What the sentences that follow have to do.
enum TCommandState {
    csNormal = 0,
    csGoto = 1,      // skip forward or outward until the label in `label`
    csBreak = 2,     // leave the innermost loop
    csContinue = 3,  // next iteration of the innermost loop (no sentence sets it)
    csReturn = 4,    // leave the macro
};

struct TCommand {
    int state = csNormal;
    std::string label;
};

class TItem {
public:
    TQuorinBasicEnvironment* const environment;  // not owned
    const TItemId id;

    TItem(TQuorinBasicEnvironment* environment, TItemId id) : environment(environment), id(id) {}
    TItem(const TItem&) = delete;
    TItem& operator=(const TItem&) = delete;
    virtual ~TItem() = default;

    // Items come from the arena of the analysis in progress on this thread, if
    // any (see item_arena.h), else from the heap.
    static void* operator new(std::size_t size);
    static void operator delete(void* item, std::size_t size);

    // On success the item has consumed the words from `start` to `end`, owns its
    // parts and has written `context`; on failure it has written nothing.
    virtual bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                         TWordPosition& end);
    // Extends `previous` (analysed from `start` to `previousEnd`); on success the
    // item has taken `previous` over as its left part, on failure it is untouched.
    virtual bool AnalyzeContinuation(TCodeAnalysis& analysis, TWordPosition start,
                                     TAnalysisContext& context, std::unique_ptr<TItem>& previous,
                                     const TAnalysisContext& previousContext,
                                     TWordPosition previousEnd, TWordPosition& end);
    virtual void CollectLabels(std::vector<std::string>& labels);

    // A compact printed form of the subtree, for tests and debugging.
    virtual void Dump(std::string& out) const;
    std::string Describe() const {
        std::string out;
        Dump(out);
        return out;
    }

    // Expression kinds that can stand as an operand (all but the empty expression).
    bool IsExpression() const {
        return id == idPreExpression || id == idBracketedExpression || id == idSymbol ||
               id == idCValue || id == idSubExpression || id == idBinaryExpression ||
               id == idFunctionCall;
    }
};

class TExecutableItem : public TItem {
public:
    using TItem::TItem;
    virtual void Execute(TQuorin& engine, TCommand& command) = 0;
};

class TVoidableExpression : public TItem {
public:
    using TItem::TItem;
    virtual TExValue Evaluate(TQuorin& engine) = 0;
    // Evaluates without the quick path of this item or of the operands below it:
    // what follows a quick path that gave up, which trying again would only repeat.
    virtual TExValue EvaluateUsual(TQuorin& engine) { return Evaluate(engine); }
    // Evaluates for the effects only, as an expression sentence does.
    virtual void Perform(TQuorin& engine) { Evaluate(engine); }

    // The quick path of expressions whose value is a number reached by reading
    // operands only: constants, variables already known in this run, and the
    // stock operators on numbers. Set when the item is built; null where there
    // is none. The function either computes the value exactly as Evaluate would
    // (raising what Evaluate would raise, in the same order) or returns nNone
    // having changed nothing, and the caller then evaluates the usual way.
    using TNumberFn = TNumber (*)(TVoidableExpression& self, TQuorin& engine);
    TNumberFn numberFn = nullptr;

    // The truth of the value, as a condition reads it.
    bool IsTrue(TQuorin& engine) {
        if (numberFn) {
            const TNumber n = numberFn(*this, engine);
            if (n) return n.Truth();
            return EvaluateUsual(engine).ToBool();
        }
        return Evaluate(engine).ToBool();
    }
};

class TExpression : public TVoidableExpression {
public:
    using TVoidableExpression::TVoidableExpression;
};

// Takes a sub-item out of a driver result, knowing its class from the request.
template <typename T>
std::unique_ptr<T> ItemCast(std::unique_ptr<TItem> item) {
    return std::unique_ptr<T>(static_cast<T*>(item.release()));
}

}  // namespace Quorin
