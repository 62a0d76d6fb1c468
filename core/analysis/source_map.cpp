#include "analysis/source_map.h"

#include <algorithm>

namespace Quorin {

std::size_t TSourceMap::Original(std::size_t offset) const {
    for (auto pass = passes.rbegin(); pass != passes.rend(); ++pass) {
        // The last run starting at or before the offset holds it.
        auto after = std::upper_bound(pass->begin(), pass->end(), offset,
                                      [](std::size_t at, const TRun& run) { return at < run.output; });
        if (after == pass->begin()) continue;  // before the first run: nothing moved there
        const TRun& run = *(after - 1);
        offset = run.input + (offset - run.output);
    }
    return offset;
}

int LineAt(const std::string& text, std::size_t offset) {
    const auto end = text.begin() + static_cast<std::ptrdiff_t>(std::min(offset, text.size()));
    return 1 + static_cast<int>(std::count(text.begin(), end, '\n'));
}

}  // namespace Quorin
