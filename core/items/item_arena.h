// Memory for the items of one analysis.
//
// The analyser builds and drops an item for every alternative it tries, and a
// large macro keeps hundreds of thousands of small items. While an analysis is
// in progress on a thread, items come from its arena: big blocks cut in order,
// with dropped items kept per size for the next item of that size, so that
// trying an alternative costs no trip to the heap. The finished tree holds the
// arena and gives its blocks back all at once when it goes.
//
// Items created outside an analysis come from the heap as usual. Every item
// records where it came from, so both kinds are deleted alike.
#pragma once

#include <array>
#include <cstddef>
#include <memory>
#include <vector>

namespace Quorin {

class TItemArena {
public:
    TItemArena() = default;
    // An arena whose blocks start no smaller than `expected` bytes (up to the
    // largest block size), for an analysis that knows roughly what it will take.
    explicit TItemArena(std::size_t expected);
    TItemArena(const TItemArena&) = delete;
    TItemArena& operator=(const TItemArena&) = delete;
    ~TItemArena();

    // Memory for one item: `size` bytes aligned as any item needs.
    void* Allocate(std::size_t size);
    // Takes back memory from Allocate with the same `size`, for reuse while
    // this is the current arena (see TScope).
    void Release(void* block, std::size_t size);

    // Bytes taken from the heap so far.
    std::size_t Reserved() const { return reserved; }

    // Makes `arena` the one that items created on this thread come from, until
    // the scope ends (scopes nest).
    class TScope {
    public:
        explicit TScope(TItemArena* arena);
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;
        ~TScope();

    private:
        TItemArena* previous;
    };
    // The arena of the innermost scope on this thread, or null.
    static TItemArena* Current();

    static constexpr std::size_t granule = 8;

private:
    static constexpr std::size_t kinds = 64;  // sizes kept for reuse: up to kinds * granule bytes
    static constexpr std::size_t firstBlock = 16 * 1024;
    static constexpr std::size_t largestBlock = 2 * 1024 * 1024;

    struct TFreeBlock {
        TFreeBlock* next;
    };

    struct TBlock {
        std::byte* start;
        std::size_t size;
        bool mapped;  // huge pages mapped for the arena, else from the heap
    };

    std::size_t smallestBlock = firstBlock;
    std::byte* next = nullptr;
    std::byte* limit = nullptr;
    std::size_t reserved = 0;
    std::vector<TBlock> blocks;
    std::array<TFreeBlock*, kinds> released{};
};

}  // namespace Quorin
