#include "engine/program.h"

#include <algorithm>

namespace Quorin {

std::uint32_t TProgram::OffsetOf(std::size_t pc) const {
    // The last point at or before `pc`.
    const auto after = std::upper_bound(
        lines.begin(), lines.end(), pc,
        [](std::size_t at, const TLinePoint& point) { return at < point.pc; });
    return after == lines.begin() ? lines.front().offset : (after - 1)->offset;
}

}  // namespace Quorin
