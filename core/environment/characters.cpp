#include "environment/characters.h"

#include <cstdint>
#include <cstring>

#include "values/text.h"

namespace Quorin {

std::size_t TCharacterCursor::Advance(std::size_t count) {
    std::size_t stepped = 0;
    while (stepped < count && offset < end) {
        // Eight bytes below 0x80 are eight single-byte characters: ASCII runs,
        // the common case, are skipped a word at a time.
        if (count - stepped >= 8 && end - offset >= 8) {
            std::uint64_t word;
            std::memcpy(&word, data + offset, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                offset += 8;
                stepped += 8;
                continue;
            }
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
