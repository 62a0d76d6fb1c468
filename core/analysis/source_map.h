// Where the bytes of a prepared macro text came from.
//
// Preparing a text joins continued lines, removes comments and replaces
// directive lines, so a word's place in the prepared text is not its place in
// the file. Each pass records where the runs it copied start in its output and
// in its input; composing the passes leads from a prepared offset back to the
// offset in the text the analysis was given, and from there to its line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace Quorin {

class TSourceMap {
public:
    // Starts the record of a pass that rewrites the text.
    void BeginPass() { passes.emplace_back(); }
    // Within the pass begun last: the output from `output` on comes from the
    // input at `input` on (a copied run, or a replacement standing for the
    // text it replaced).
    void Run(std::size_t output, std::size_t input) { passes.back().push_back({output, input}); }

    // The offset in the original text of the prepared text's byte `offset`.
    std::size_t Original(std::size_t offset) const;

    // Notes where the lines of the original text begin, before any pass.
    void IndexLines(std::string_view original);
    // The line (counted from 1) that holds the original text's byte `offset`;
    // lines end at a line feed.
    int LineOf(std::size_t offset) const;

private:
    struct TRun {
        std::size_t output;
        std::size_t input;
    };
    std::vector<std::vector<TRun>> passes;  // in the order the passes ran
    std::vector<std::uint32_t> lineStarts;  // after the first line
};

}  // namespace Quorin
