#include "items/item.h"

#include <cstring>

#include "items/item_arena.h"

namespace Quorin {

// Each item is preceded by the arena it came from, null for the heap.
namespace {

constexpr std::size_t headerSize = TItemArena::granule;
static_assert(sizeof(TItemArena*) <= headerSize);
static_assert(alignof(TItem) <= TItemArena::granule);

}  // namespace

void* TItem::operator new(std::size_t size) {
    TItemArena* arena = TItemArena::Current();
    void* block = arena ? arena->Allocate(headerSize + size) : ::operator new(headerSize + size);
    std::memcpy(block, &arena, sizeof arena);
    return static_cast<std::byte*>(block) + headerSize;
}

void TItem::operator delete(void* item, std::size_t size) {
    void* block = static_cast<std::byte*>(item) - headerSize;
    TItemArena* arena;
    std::memcpy(&arena, block, sizeof arena);
    if (arena) {
        arena->Release(block, headerSize + size);
    } else {
        ::operator delete(block);
    }
}

bool TItem::Analyze(TCodeAnalysis&, TWordPosition, TAnalysisContext&, TWordPosition&) {
    return false;
}

bool TItem::AnalyzeContinuation(TCodeAnalysis&, TWordPosition, TAnalysisContext&,
                                std::unique_ptr<TItem>&, const TAnalysisContext&, TWordPosition,
                                TWordPosition&) {
    return false;
}

void TItem::CollectLabels(std::vector<std::string>&) {}

void TItem::Dump(std::string& out) const {
    out += '?';
}

}  // namespace Quorin
