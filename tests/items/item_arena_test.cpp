// Where items live: the arena of an analysis, or the heap.
#include "items/item_arena.h"

#include <gtest/gtest.h>

#include <set>

#include "analysis/code_analysis.h"
#include "engine/quorin.h"
#include "environment/environment.h"
#include "items/analyzed_macro.h"
#include "items/expressions.h"

namespace {

using Quorin::TItemArena;

TEST(ItemArena, ReusesReleasedBlocksBySizeAndGrowsForLargeOnes) {
    TItemArena arena;
    TItemArena::TScope scope(&arena);
    void* a = arena.Allocate(40);
    void* b = arena.Allocate(44);  // rounded up to 48
    arena.Release(a, 40);
    EXPECT_EQ(arena.Allocate(36), a);  // 36 and 40 round alike
    EXPECT_NE(arena.Allocate(40), a);
    arena.Release(b, 44);
    EXPECT_EQ(arena.Allocate(48), b);

    // Sizes beyond the reused ones and beyond a block still get memory.
    const std::size_t before = arena.Reserved();
    void* huge = arena.Allocate(3 * 1024 * 1024);
    ASSERT_NE(huge, nullptr);
    EXPECT_GE(arena.Reserved(), before + 3 * 1024 * 1024);
    arena.Release(huge, 3 * 1024 * 1024);
    EXPECT_NE(arena.Allocate(3 * 1024 * 1024), huge);

    // Many small blocks: all distinct, all usable.
    std::set<void*> seen;
    for (int i = 0; i < 100000; ++i) {
        auto* block = static_cast<char*>(arena.Allocate(24));
        block[0] = block[23] = 'x';
        EXPECT_TRUE(seen.insert(block).second);
    }
}

TEST(ItemArena, KeepsWhatIsReleasedOutsideItsScope) {
    TItemArena arena;
    void* block = arena.Allocate(40);
    arena.Release(block, 40);
    EXPECT_NE(arena.Allocate(40), block);
}

TEST(ItemArena, ScopesNestPerThread) {
    TItemArena outer, inner;
    EXPECT_EQ(TItemArena::Current(), nullptr);
    {
        TItemArena::TScope first(&outer);
        EXPECT_EQ(TItemArena::Current(), &outer);
        {
            TItemArena::TScope second(&inner);
            EXPECT_EQ(TItemArena::Current(), &inner);
        }
        EXPECT_EQ(TItemArena::Current(), &outer);
    }
    EXPECT_EQ(TItemArena::Current(), nullptr);
}

// Items made inside and outside a scope are deleted alike; the arena's memory
// is what the items in a scope take.
TEST(ItemArena, ItemsComeFromTheArenaOfTheScope) {
    TQuorinEnvironment environment;
    auto arena = std::make_shared<TItemArena>();
    std::unique_ptr<Quorin::TSymbol> heapItem = std::make_unique<Quorin::TSymbol>(&environment);
    {
        TItemArena::TScope scope(arena.get());
        for (int i = 0; i < 1000; ++i) {
            auto first = std::make_unique<Quorin::TSymbol>(&environment);
            auto second = std::make_unique<Quorin::TSymbol>(&environment);
            first->name.assign(1, 'x');
            second->name.assign(1, 'y');
        }
        // Dropped items are reused: a thousand pairs fit in the first blocks.
        EXPECT_LT(arena->Reserved(), 64u * 1024);
    }
    heapItem->name.assign(40, 'x');  // longer than the small-string buffer
    heapItem.reset();
}

// The tree keeps its memory after the analysis that built it is gone, and
// analyses of many macros, failed ones included, each run on their own.
TEST(ItemArena, TreesOutliveTheirAnalysis) {
    TQuorinEnvironment environment;
    std::unique_ptr<Quorin::TAnalyzedMacro> macro;
    {
        Quorin::TCodeAnalysis analysis(&environment, "x = 1 + 2 * y; if (x) { z = \"s\"; }");
        macro = analysis.AnalyzeSource();
    }
    ASSERT_NE(macro, nullptr);
    EXPECT_EQ(macro->Describe(), "(= x (+ 1 (* 2 y))); (if x {(= z \"s\");})");
    for (int i = 0; i < 50; ++i) {
        Quorin::TCodeAnalysis broken(&environment, "x = (1 + ;");
        EXPECT_EQ(broken.AnalyzeSource(), nullptr);
    }
    Quorin::TQuorin engine(&environment, "a = 0; for (i = 0; i < 10; i++) a += i;", 0);
    engine.Run();
    engine.Run();
}

}  // namespace
