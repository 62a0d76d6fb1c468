// The three passes that turn a macro file's text into the text the splitter reads.
//
// Each pass copies the text into a new buffer in one forward sweep, appending
// whole runs between the places it changes, so that a pass costs time in
// proportion to the text however many lines, comments or directives it holds.
#include <cstring>
#include <string>
#include <string_view>

#include "analysis/code_analysis.h"
#include "environment/environment.h"
#include "values/text.h"

namespace Quorin {

namespace {

// Appends source[from, to) to `result` and records where the run came from.
void AppendRange(std::string& result, const std::string& source, std::size_t from, std::size_t to,
                 TSourceMap& map) {
    if (from >= to) return;
    map.Run(result.size(), from);
    result.append(source, from, to - from);
}

// Whether the backslash at `position` ends an odd run of backslashes, that is,
// whether it is not itself escaped by the one before it.
bool EndsOddBackslashRun(const std::string& text, std::size_t position) {
    std::size_t count = 1;
    while (position > 0 && text[position - 1] == '\\') {
        --position;
        ++count;
    }
    return count % 2 == 1;
}

// Whether the '#' at `position` is the first byte on its line that is not white space.
bool OpensDirectiveLine(const std::string& text, std::size_t position) {
    while (position > 0) {
        const unsigned char byte = text[position - 1];
        if (byte == '\n') return true;
        if (!IsWhiteSpace(byte)) return false;
        --position;
    }
    return true;
}

}  // namespace

// A backslash directly before a line feed joins the two lines, unless the
// backslash is escaped by an odd number of backslashes in front of it. Only a
// bare line feed counts: a backslash before a carriage return stays as it is.
void TCodeAnalysis::JoinContinuedLines() {
    if (source.find("\\\n") == std::string::npos) return;  // nothing to join
    std::string result;
    result.reserve(source.size());
    sourceMap.BeginPass();
    std::size_t copyStart = 0;
    std::size_t search = 0;
    for (;;) {
        const std::size_t found = source.find("\\\n", search);
        if (found == std::string::npos) break;
        if (EndsOddBackslashRun(source, found)) {
            AppendRange(result, source, copyStart, found, sourceMap);
            copyStart = search = found + 2;
        } else {
            search = found + 1;
        }
    }
    AppendRange(result, source, copyStart, source.size(), sourceMap);
    source = std::move(result);
}

// Block comments become one space and line comments vanish up to their line
// feed. Quotes mean nothing here: a marker inside a literal still opens a
// comment. A marker found inside a comment already removed lies before the copy
// position and is passed over by searching again from there.
//
// The text only shrinks, so it is rewritten in place: every run moves down, to
// where the output has got to, which never passes the place the input is read
// from (`write` <= `copy`), nor any place still to be searched.
void TCodeAnalysis::RemoveComments() {
    const std::size_t length = source.size();
    auto next = [&](std::string_view marker, std::size_t from) {
        const std::size_t found = source.find(marker, from);
        return found == std::string::npos ? length : found;
    };

    std::size_t block = next("/*", 0);
    std::size_t line = next("//", 0);
    if (block == length && line == length) return;  // no comment at all
    sourceMap.BeginPass();
    std::size_t write = 0;
    auto keep = [&](std::size_t from, std::size_t to) {
        if (from >= to) return;
        sourceMap.Run(write, from);
        std::memmove(source.data() + write, source.data() + from, to - from);
        write += to - from;
    };
    std::size_t copy = 0;
    while (block < length || line < length) {
        if (block <= line) {
            if (block >= copy) {
                keep(copy, block);
                const std::size_t close = next("*/", block + 2);
                copy = close < length ? close + 2 : length;
                sourceMap.Run(write, block);
                source[write++] = ' ';
            }
            if (copy >= length) break;
            block = next("/*", copy);
        } else {
            if (line >= copy) {
                keep(copy, line);
                copy = next("\n", line + 2);
            }
            if (copy >= length) break;
            line = next("//", copy);
        }
    }
    keep(copy, length);
    source.resize(write);
}

// A line whose first byte that is not white space is '#' is a directive: the
// text after the '#' goes to the environment, and its answer replaces the '#',
// the text and the line feed. The white space in front of the '#' stays.
void TCodeAnalysis::ProcessDirectives() {
    if (source.find('#') == std::string::npos) return;  // no directive at all
    const std::size_t length = source.size();
    std::string result;
    result.reserve(length);
    sourceMap.BeginPass();
    std::size_t copy = 0;
    std::size_t search = 0;
    while (search < length) {
        const std::size_t hash = source.find('#', search);
        if (hash == std::string::npos) break;
        if (!OpensDirectiveLine(source, hash)) {
            search = hash + 1;
            continue;
        }
        AppendRange(result, source, copy, hash, sourceMap);
        std::size_t lineEnd = source.find('\n', hash + 1);
        if (lineEnd == std::string::npos) lineEnd = length;
        sourceMap.Run(result.size(), hash);
        result += environment->ExpandDirective(source.substr(hash + 1, lineEnd - hash - 1));
        copy = search = lineEnd < length ? lineEnd + 1 : length;
    }
    AppendRange(result, source, copy, length, sourceMap);
    source = std::move(result);
}

}  // namespace Quorin
