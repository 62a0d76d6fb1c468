#include "environment/characters.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "values/text.h"

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

std::size_t TCharacterCursor::Advance(std::size_t count) {
    std::size_t stepped = 0;
    while (stepped < count && offset < end) {
        const std::size_t room = std::min(count - stepped, end - offset);
        if (room >= 8) {
            const std::size_t run = AsciiRun(data + offset, room);
            offset += run;
            stepped += run;
            if (run == room) break;
        }
        const unsigned char b = data[offset];
        if (IsLeadByte(b) && offset + 1 < end) {
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

}  // namespace Quorin
