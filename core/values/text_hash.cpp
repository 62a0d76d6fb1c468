#include "values/text_hash.h"

#include <chrono>
#include <random>

namespace Quorin::TextHashing {

TKeys Draw() noexcept {
    std::uint64_t drawn[4];
    try {
        std::random_device device;
        for (std::uint64_t& key : drawn) key = (std::uint64_t{device()} << 32) | device();
    } catch (...) {
        // Without a random source, the clock and where this program was loaded,
        // neither of which a macro written in advance can know.
        std::uint64_t state = static_cast<std::uint64_t>(
                                  std::chrono::steady_clock::now().time_since_epoch().count()) ^
                              reinterpret_cast<std::uintptr_t>(&drawn);
        for (std::uint64_t& key : drawn) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            key = Fold(state, 0x9e3779b97f4a7c15u);
        }
    }
    // Odd keys, so that no key is zero.
    return TKeys{drawn[0] | 1, drawn[1] | 1, drawn[2] | 1, drawn[3] | 1};
}

}  // namespace Quorin::TextHashing
