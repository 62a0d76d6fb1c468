// Numbers for the distinct texts of the words, in order of first appearance.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "values/text_hash.h"

namespace Quorin {

// An open-addressing table of text numbers, doubled when half full. Texts of one
// byte, half of all words, are numbered through a table of their own. Each slot
// keeps 32 bits of its text's hash beside the number, so that a probe compares
// texts only where those agree, and the table grows without hashing again. The
// texts are views, listed by number in `texts`, which the table fills and its
// owner keeps: what they view must stay in place.
class TTextNumbers {
public:
    explicit TTextNumbers(std::vector<std::string_view>& texts) : texts(texts) { texts.clear(); }

    std::uint32_t Number(std::string_view text) {
        if (text.size() == 1) {
            std::uint32_t& single = singles[static_cast<unsigned char>(text[0])];
            if (single == 0) {
                texts.push_back(text);
                single = static_cast<std::uint32_t>(texts.size());
            }
            return single - 1;
        }
        if ((texts.size() + 1) * 2 > slots.size()) Grow();
        const std::uint64_t tag = HashText(text) >> 32;
        const std::size_t mask = slots.size() - 1;
        for (std::size_t slot = tag & mask;; slot = (slot + 1) & mask) {
            const std::uint64_t entry = slots[slot];
            if (entry == 0) {
                texts.push_back(text);
                slots[slot] = tag << 32 | texts.size();
                return static_cast<std::uint32_t>(texts.size() - 1);
            }
            if (entry >> 32 == tag) {
                const std::uint32_t number = static_cast<std::uint32_t>(entry) - 1;
                if (Same(texts[number], text)) return number;
            }
        }
    }
    std::size_t Count() const { return texts.size(); }

private:
    // Texts of up to 16 bytes, most words, compared in at most four loads each
    // (the middle and last bytes of a text of three bytes or fewer are all the rest).
    static bool Same(std::string_view a, std::string_view b) {
        using TextHashing::Load4;
        using TextHashing::Load8;
        const std::size_t n = a.size();
        if (n != b.size()) return false;
        const char* p = a.data();
        const char* q = b.data();
        if (n >= 8 && n <= 16) return Load8(p) == Load8(q) && Load8(p + n - 8) == Load8(q + n - 8);
        if (n >= 4 && n < 8) return Load4(p) == Load4(q) && Load4(p + n - 4) == Load4(q + n - 4);
        if (n < 4)
            return n == 0 || (p[0] == q[0] && p[n >> 1] == q[n >> 1] && p[n - 1] == q[n - 1]);
        return a == b;
    }

    void Grow() {
        std::vector<std::uint64_t> old(std::max<std::size_t>(256, slots.size() * 2), 0);
        old.swap(slots);
        const std::size_t mask = slots.size() - 1;
        for (const std::uint64_t entry : old) {
            if (entry == 0) continue;
            std::size_t slot = (entry >> 32) & mask;
            while (slots[slot] != 0) slot = (slot + 1) & mask;
            slots[slot] = entry;
        }
    }

    std::array<std::uint32_t, 256> singles{};  // per byte: its text number + 1, or 0
    std::vector<std::uint64_t> slots;          // hash bits << 32 | number + 1, or 0 for none
    std::vector<std::string_view>& texts;
};

}  // namespace Quorin
