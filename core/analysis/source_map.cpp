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

void TSourceMap::IndexLines(std::string_view original) {
    lineStarts.clear();
    lineStarts.reserve(std::count(original.begin(), original.end(), '\n'));
    for (std::size_t end = original.find('\n'); end != std::string_view::npos;
         end = original.find('\n', end + 1)) {
        lineStarts.push_back(static_cast<std::uint32_t>(end + 1));
    }
}

int TSourceMap::LineOf(std::size_t offset) const {
    const auto after = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
    return 1 + static_cast<int>(after - lineStarts.begin());
}

}  // namespace Quorin
