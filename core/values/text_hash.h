// A hash of texts and numbers whose keys are drawn at random once per process.
//
// Tables of the analysis and the translation are keyed by what a macro holds:
// names, literals, operator texts. With a hash anyone can compute (the standard
// library's, or a fixed formula), a macro can be written whose keys all land in
// one bucket, so that each look-up walks all the others and a few megabytes
// take seconds. With secret keys no text can be chosen to collide: the
// collisions of any two texts are as rare as for random ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace Quorin {

namespace TextHashing {

struct TKeys {
    std::uint64_t seed, first, second, third;
};
// Drawn from the system's random source where there is one.
TKeys Draw() noexcept;
// The keys of this process, drawn on first use.
inline const TKeys& Keys() noexcept {
    static const TKeys keys = Draw();
    return keys;
}

// The two halves of the 128-bit product folded into one: every bit of either
// factor reaches most bits of the result.
inline std::uint64_t Fold(std::uint64_t a, std::uint64_t b) noexcept {
    const unsigned __int128 product = static_cast<unsigned __int128>(a) * b;
    return static_cast<std::uint64_t>(product) ^ static_cast<std::uint64_t>(product >> 64);
}

inline std::uint64_t Load8(const char* p) noexcept {
    std::uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

inline std::uint64_t Load4(const char* p) noexcept {
    std::uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

}  // namespace TextHashing

// Short texts, the usual case, are read in at most four loads of their own bytes,
// never beyond them; longer ones sixteen bytes a round.
inline std::uint64_t HashText(std::string_view text) noexcept {
    using namespace TextHashing;
    const TKeys& keys = Keys();
    const char* p = text.data();
    std::size_t n = text.size();
    std::uint64_t state = keys.seed ^ n;
    std::uint64_t a, b;
    if (n <= 16) {
        if (n >= 4) {
            const std::size_t middle = (n >> 3) << 2;
            a = (Load4(p) << 32) | Load4(p + middle);
            b = (Load4(p + n - 4) << 32) | Load4(p + n - 4 - middle);
        } else if (n > 0) {
            a = (std::uint64_t{static_cast<unsigned char>(p[0])} << 16) |
                (std::uint64_t{static_cast<unsigned char>(p[n >> 1])} << 8) |
                static_cast<unsigned char>(p[n - 1]);
            b = 0;
        } else {
            a = b = 0;
        }
    } else {
        for (; n > 16; n -= 16, p += 16) state = Fold(Load8(p) ^ keys.first, Load8(p + 8) ^ state);
        a = Load8(p + n - 16);
        b = Load8(p + n - 8);
    }
    return Fold(keys.second ^ text.size(), Fold(a ^ keys.first, b ^ state) ^ keys.third);
}

inline std::uint64_t HashNumber(std::uint64_t value) noexcept {
    const TextHashing::TKeys& keys = TextHashing::Keys();
    return TextHashing::Fold(value ^ keys.first, keys.second ^ keys.seed);
}

// For the standard library's unordered containers; finds by any form of text.
struct TTextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const noexcept { return HashText(text); }
    std::size_t operator()(const std::string& text) const noexcept { return HashText(text); }
    std::size_t operator()(const char* text) const noexcept { return HashText(text); }
    std::size_t operator()(std::uint64_t value) const noexcept { return HashNumber(value); }
    std::size_t operator()(int value) const noexcept {
        return HashNumber(static_cast<std::uint32_t>(value));
    }
};

}  // namespace Quorin
