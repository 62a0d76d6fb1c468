#include "values/characters.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <mutex>

#include "values/text.h"
#include "values/values.h"

namespace Quorin {

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

inline std::uint64_t Word(const unsigned char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The length of the run of bytes below 0x80 at `p`, in whole words, at most `limit`.
// Such bytes are single-byte characters, so ASCII text is skipped 32 bytes at a time.
std::size_t AsciiRun(const unsigned char* p, std::size_t limit) {
    std::size_t n = 0;
    while (n + 32 <= limit &&
           ((Word(p + n) | Word(p + n + 8) | Word(p + n + 16) | Word(p + n + 24)) & kHighBits) == 0)
        n += 32;
    while (n + 8 <= limit && (Word(p + n) & kHighBits) == 0) n += 8;
    return n;
}

}  // namespace

// ASCII runs are skipped a word at a time; the loop over other characters looks
// for ASCII only when a byte below 0x80 comes, since trying at every character
// would cost double-byte text as much as the step itself.
std::size_t TCharacterCursor::Advance(std::size_t count) {
    std::size_t stepped = 0;
    while (stepped < count && offset < end) {
        const unsigned char b = data[offset];
        if (b < 0x80) {
            const std::size_t room = std::min(count - stepped, end - offset);
            const std::size_t run = room >= 8 ? AsciiRun(data + offset, room) : 0;
            if (run > 0) {
                offset += run;
                stepped += run;
                continue;
            }
            ++offset;
        } else if (IsLeadByte(b) && offset + 1 < end) {
            if (data[offset + 1] == 0) {
                end = offset + 1;
                offset = end;
                return stepped + 1;
            }
            offset += 2;
        } else {
            ++offset;
        }
        ++stepped;
    }
    return stepped;
}

// ---- TCharacterIndex ------------------------------------------------------------

void TCharacterIndex::Learn(const std::string& text, std::size_t character) {
    if (complete || character <= known) return;
    TCharacterCursor cursor(text, knownOffset);
    while (known < character) {
        // Up to the next checkpoint, or to `character` when that comes first.
        const std::size_t next = (known / step + 1) * step;
        const std::size_t wanted = std::min(next, character) - known;
        const std::size_t stepped = cursor.Advance(wanted);
        known += static_cast<std::uint32_t>(stepped);
        knownOffset = static_cast<std::uint32_t>(cursor.offset);
        if (known == next) checkpoints.push_back(knownOffset);
        // A lead byte before a NUL ends the text for packing, and a cursor made
        // later would not know.
        if (stepped < wanted || cursor.End() < text.size()) {
            complete = true;
            return;
        }
    }
}

bool TCharacterIndex::Find(const std::string& text, std::size_t character, std::size_t& offset) {
    Learn(text, character);
    if (character >= known) {
        if (character > known) return false;
        offset = knownOffset;
        return true;
    }
    // From the nearest known position in front: a checkpoint, or the last one found.
    std::size_t from = character / step * step;
    std::size_t fromOffset = from == 0 ? 0 : checkpoints[from / step - 1];
    if (lastCharacter <= character && lastCharacter > from) {
        from = lastCharacter;
        fromOffset = lastOffset;
    }
    TCharacterCursor cursor(text, fromOffset);
    cursor.Advance(character - from);
    lastCharacter = static_cast<std::uint32_t>(character);
    lastOffset = static_cast<std::uint32_t>(cursor.offset);
    offset = cursor.offset;
    return true;
}

std::size_t TCharacterIndex::Count(const std::string& text) {
    Learn(text, std::numeric_limits<std::size_t>::max());
    return known;
}

std::size_t TCharacterIndex::End(const std::string& text) {
    Learn(text, std::numeric_limits<std::size_t>::max());
    return knownOffset;
}

void TCharacterIndex::Appended(const std::string& text, std::size_t oldSize) {
    // A lead byte and NUL ended the text before its old end: packing stops there still.
    if (complete && knownOffset < oldSize) return;
    complete = false;
    // Every character before the walk's end keeps its place. The last one may be a
    // lead byte that had no byte after it and now pairs with the first one
    // appended; whether the byte before the old end is a lead byte or a trail byte
    // cannot be told without walking, so the walk goes back to a checkpoint then.
    if (known == 0 || knownOffset < oldSize ||
        !IsLeadByte(static_cast<unsigned char>(text[oldSize - 1])))
        return;
    const std::size_t kept = (known - 1) / step;
    checkpoints.resize(kept);
    known = static_cast<std::uint32_t>(kept * step);
    knownOffset = kept == 0 ? 0 : checkpoints[kept - 1];
    if (lastCharacter > known) lastCharacter = lastOffset = 0;
}

void TCharacterIndex::Clear() {
    known = knownOffset = lastCharacter = lastOffset = 0;
    complete = false;
    std::vector<std::uint32_t>().swap(checkpoints);
}

// ---- the indexes of strings -----------------------------------------------------

// A string keeps its index's number, not a pointer (TStringRep has room for the
// one, not the other, and strings without lead bytes pay nothing). The numbers
// lead into chunks of indexes that never move once made, so that finding an
// index takes no lock; making one and giving one back take the table's lock,
// since strings of several threads share the table. Given-back indexes form a
// list through their `known` field.
class TCharacterIndexTable {
public:
    static constexpr std::uint32_t chunkSize = 256;
    static constexpr std::uint32_t chunkCount = 4096;  // about a million indexes in use at once

    TCharacterIndex& At(std::uint32_t slot) {
        return chunks[slot / chunkSize].load(std::memory_order_acquire)[slot % chunkSize];
    }

    // A free slot, or 0 when every one is in use or no chunk can be made.
    std::uint32_t Take() {
        const std::lock_guard<std::mutex> lock(mutex);
        if (firstFree != 0) {
            const std::uint32_t slot = firstFree;
            TCharacterIndex& index = At(slot);
            firstFree = index.known;
            index.known = 0;
            return slot;
        }
        if (used == chunkSize * chunkCount) return 0;
        std::atomic<TCharacterIndex*>& chunk = chunks[used / chunkSize];
        if (!chunk.load(std::memory_order_relaxed)) {
            TCharacterIndex* made = new (std::nothrow) TCharacterIndex[chunkSize];
            if (!made) return 0;
            chunk.store(made, std::memory_order_release);
        }
        return used++;
    }

    void Give(std::uint32_t slot) noexcept {
        TCharacterIndex& index = At(slot);
        index.Clear();
        const std::lock_guard<std::mutex> lock(mutex);
        index.known = firstFree;
        firstFree = slot;
    }

    // Made once and never destroyed: strings may still go while the program ends.
    static TCharacterIndexTable& Instance() {
        static TCharacterIndexTable* const table = new TCharacterIndexTable;
        return *table;
    }

private:
    std::mutex mutex;
    std::uint32_t used = 1;  // slot 0 stands for none
    std::uint32_t firstFree = 0;
    std::atomic<TCharacterIndex*> chunks[chunkCount] = {};
};

namespace {

// Texts shorter than this are walked: their index (a table entry of 48 bytes and
// the checkpoints) would cost more than about 5% of the text, and a walk over
// fewer bytes takes about a microsecond.
constexpr std::size_t kIndexedBytes = 2048;
static_assert(sizeof(TCharacterIndex) <= 48);

}  // namespace

TCharacterIndex* CharacterIndexOf(const TStringRep& rep) {
    TCharacterIndexTable& table = TCharacterIndexTable::Instance();
    if (rep.characterIndex != 0) return &table.At(rep.characterIndex);
    // Offsets are kept in 32 bits, more than any string the interpreter builds.
    if (rep.text.size() < kIndexedBytes ||
        rep.text.size() >= std::numeric_limits<std::uint32_t>::max())
        return nullptr;
    const std::uint32_t slot = table.Take();
    if (slot == 0) return nullptr;
    rep.characterIndex = slot;
    return &table.At(slot);
}

void CharacterIndexAppended(const TStringRep& rep, std::size_t oldSize) {
    if (rep.characterIndex == 0) return;
    if (rep.text.size() >= std::numeric_limits<std::uint32_t>::max()) {
        ReleaseCharacterIndex(rep.characterIndex);
        rep.characterIndex = 0;
        return;
    }
    TCharacterIndexTable::Instance().At(rep.characterIndex).Appended(rep.text, oldSize);
}

void ReleaseCharacterIndex(std::uint32_t slot) noexcept {
    TCharacterIndexTable::Instance().Give(slot);
}

// ---- TCharacterPositions --------------------------------------------------------

bool TCharacterPositions::Find(std::size_t character, std::size_t& offset) {
    if (index) return index->Find(text, character, offset);
    if (character < walked) {
        cursor = TCharacterCursor(text);
        walked = 0;
    }
    walked += cursor.Advance(character - walked);
    if (walked < character) return false;
    offset = cursor.offset;
    return true;
}

std::size_t TCharacterPositions::Count() {
    if (index) return index->Count(text);
    walked += cursor.Advance(std::numeric_limits<std::size_t>::max());
    return walked;
}

std::size_t TCharacterPositions::End() {
    if (index) return index->End(text);
    Count();
    return cursor.End();
}

}  // namespace Quorin
