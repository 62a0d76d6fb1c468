// The base of the syntax tree.
//
// Every node is an item that recognises its own syntax (Analyze, or
// AnalyzeContinuation for the kinds that extend an expression already built).
// The finished tree is what the analysis hands on: the engine translates it
// into its executable form (engine/compiler.h) and lets it go.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "analysis/code_analysis.h"
#include "values/values.h"

class TQuorinBasicEnvironment;

namespace Quorin {

class TItem {
public:
    TQuorinBasicEnvironment* const environment;  // not owned
    const TItemId id;
    // The first word of the item, set by the driver once the item has analysed.
    std::uint32_t start = 0;

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

// Sentences, labels, sentence lists and the root.
class TExecutableItem : public TItem {
public:
    using TItem::TItem;
};

class TVoidableExpression : public TItem {
public:
    using TItem::TItem;
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

// Lets go of the left part of an expression chain. A chain of continuations
// (a + b + c ..., calls of calls, postfix operators) is as deep as it is long,
// so its left spine is taken apart in a loop rather than by nested destructors.
void ReleaseLeftSpine(std::unique_ptr<TExpression> left);

}  // namespace Quorin
