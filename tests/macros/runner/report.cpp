#include "report.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "encoding.h"

namespace MacroRunner {

namespace {

// Lines shown before and after the first differing one, and bytes of hex either side
// of the first differing byte: enough to see the context, short enough to read.
constexpr int kLinesBefore = 8;
constexpr int kLinesAfter = 12;
constexpr std::size_t kHexBefore = 16;
constexpr std::size_t kHexAfter = 16;

struct TLine {
    std::string_view text;  // without its line feed
    bool ended;             // whether a line feed follows
};

std::vector<TLine> SplitLines(const std::string& bytes) {
    std::vector<TLine> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
        const std::size_t end = bytes.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back({std::string_view(bytes).substr(start), false});
            break;
        }
        lines.push_back({std::string_view(bytes).substr(start, end - start), true});
        start = end + 1;
    }
    return lines;
}

std::string ShowLines(const std::string& bytes, int differingLine, const std::string& encoding) {
    const std::vector<TLine> lines = SplitLines(bytes);
    if (lines.empty()) return "      (nothing)\n";
    const int count = static_cast<int>(lines.size());
    const int first = std::max(1, differingLine - kLinesBefore);
    const int last = std::min(count, differingLine + kLinesAfter);
    std::string shown;
    char number[32];
    if (first > 1) shown += "      ... " + std::to_string(first - 1) + " lines before\n";
    for (int i = first; i <= last; ++i) {
        const TLine& line = lines[static_cast<std::size_t>(i - 1)];
        std::snprintf(number, sizeof number, "    %c %3d  \"", i == differingLine ? '>' : ' ', i);
        shown += number + ToDisplay(line.text, encoding) + "\"";
        if (!line.ended) shown += "  (no line end)";
        shown += "\n";
    }
    if (last < count) shown += "      ... " + std::to_string(count - last) + " lines after\n";
    return shown;
}

std::string ShowBytes(const std::string& bytes, std::size_t offset) {
    const std::size_t first = offset > kHexBefore ? offset - kHexBefore : 0;
    const std::size_t last = std::min(bytes.size(), offset + kHexAfter + 1);
    char text[32];
    std::snprintf(text, sizeof text, "%6zu:", first);
    std::string shown = text;
    for (std::size_t i = first; i < last; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        std::snprintf(text, sizeof text, i == offset ? " [%02X]" : " %02X", byte);
        shown += text;
    }
    if (offset >= bytes.size()) shown += " [end]";
    return shown + "\n";
}

std::string ByteCount(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " byte" : " bytes");
}

}  // namespace

std::string DescribeDifference(const std::string& streamName, const std::string& expected,
                               const std::string& actual, const std::string& encoding) {
    if (expected == actual) return "";
    const auto mismatch =
        std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    const auto offset = static_cast<std::size_t>(mismatch.first - expected.begin());
    const std::string_view common = std::string_view(expected).substr(0, offset);
    const int line = 1 + static_cast<int>(std::count(common.begin(), common.end(), '\n'));
    const std::size_t lineStart = common.rfind('\n');
    const std::size_t column =
        offset - (lineStart == std::string_view::npos ? 0 : lineStart + 1) + 1;

    std::string report = streamName + " differs at offset " + std::to_string(offset) + " (line " +
                         std::to_string(line) + ", column " + std::to_string(column) + ")";
    if (offset == actual.size()) {
        report += ": the actual " + streamName + " ends there";
    } else if (offset == expected.size()) {
        report += ": the actual " + streamName + " goes on";
    }
    report += "\n  expected (" + ByteCount(expected.size()) + "):\n" +
              ShowLines(expected, line, encoding);
    report += "  actual (" + ByteCount(actual.size()) + "):\n" + ShowLines(actual, line, encoding);
    report += "  bytes around the difference:\n    expected " + ShowBytes(expected, offset) +
              "    actual   " + ShowBytes(actual, offset);
    return report;
}

}  // namespace MacroRunner
