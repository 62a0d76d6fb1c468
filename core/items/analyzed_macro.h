// The root of a syntax tree: the macro's sentences.
#pragma once

#include "items/item_arena.h"
#include "items/sentences.h"

namespace Quorin {

class TAnalyzedMacro final : public TExecutableItem {
public:
    // The memory of every item below the root, given back after them all: the
    // first member, so the last one destroyed.
    std::shared_ptr<TItemArena> arena;
    std::unique_ptr<TSentences> body;
    std::vector<std::string> labels;

    explicit TAnalyzedMacro(TQuorinBasicEnvironment* environment)
        : TExecutableItem(environment, idAnalyzedMacro) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override { body->Dump(out); }

    // Lets every sentence list and block record the labels below it.
    void PrepareLabels();

    // The root outlives the arena it holds, so it always comes from the heap.
    static void* operator new(std::size_t size) { return ::operator new(size); }
    static void operator delete(void* item) { ::operator delete(item); }
};

}  // namespace Quorin
