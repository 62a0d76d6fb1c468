// The word splitter: cuts the prepared text into operators, identifiers,
// numbers, string literals and single characters.
//
// The splitter reads the text only up to its first NUL byte; whatever follows
// a NUL never becomes a word.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/code_analysis.h"
#include "environment/environment.h"
#include "values/text.h"

namespace Quorin {

namespace {

// The byte at `position`, or 0 at the end of the text, so that the end and a
// NUL byte read alike.
unsigned char ByteAt(const std::string& text, std::size_t position) {
    return position < text.size() ? static_cast<unsigned char>(text[position]) : 0;
}

// The length of the longest row name among `rows` that the environment's
// SameName finds at `position`, the first of `rows` winning among equal
// lengths; 0 when none matches. A row is compared with the next bytes of the
// text as long as its name, fewer where the text ends sooner.
template <typename Rows>
std::size_t LongestOperator(TQuorinBasicEnvironment* environment, const std::string& text,
                            std::size_t position, const Rows& rows) {
    std::size_t best = 0;
    std::string window;
    for (const std::size_t row : rows) {
        const std::string& name = environment->operators[row].name;
        if (name.size() <= best) continue;
        std::size_t available = 0;
        while (available < name.size() && ByteAt(text, position + available) != 0) ++available;
        window.assign(text, position, available);
        if (environment->SameName(window, name)) best = name.size();
    }
    return best;
}

// For each byte, the operator rows whose name could stand at a position
// holding that byte: those whose first byte the environment's SameName takes
// for this byte. Only these rows are compared there, which keeps the splitter
// from walking the whole table at every word. This relies on the name rule
// comparing byte by byte, as the default rule and the case-sensitive rule
// both do. Since the splitter wants the longest name only, each name is kept
// once and the longest come first, so that the first match ends the search.
// Each byte's rows are worked out when the byte first starts a word, and all
// of them again if the table changes size.
class TOperatorCandidates {
public:
    explicit TOperatorCandidates(TQuorinBasicEnvironment* environment) : environment(environment) {}

    const std::vector<std::size_t>& For(unsigned char byte) {
        const std::vector<TOperatorInfo>& operators = environment->operators;
        if (operators.size() != tableSize) {
            tableSize = operators.size();
            known.fill(false);
            longestName = 0;
            for (const TOperatorInfo& info : operators)
                longestName = std::max(longestName, info.name.size());
            remembered.clear();
        }
        std::vector<std::size_t>& candidates = rows[byte];
        if (!known[byte]) {
            candidates.clear();
            const std::string probe(1, static_cast<char>(byte));
            for (std::size_t row = 0; row < operators.size(); ++row) {
                const std::string& name = operators[row].name;
                if (name.empty() || !environment->SameName(probe, name.substr(0, 1))) continue;
                const bool seen = std::any_of(
                    candidates.begin(), candidates.end(),
                    [&](std::size_t earlier) { return operators[earlier].name == name; });
                if (!seen) candidates.push_back(row);
            }
            std::stable_sort(candidates.begin(), candidates.end(),
                             [&](std::size_t a, std::size_t b) {
                                 return operators[a].name.size() > operators[b].name.size();
                             });
            known[byte] = true;
        }
        return candidates;
    }

    // The length of the longest operator name at `position` (LongestOperator
    // over the byte's rows). It depends on the next bytes alone, as many as the
    // longest name has, so it is remembered per such window of bytes: the same
    // few windows come back all through a text.
    std::size_t Longest(const std::string& text, std::size_t position) {
        const std::vector<std::size_t>& candidates = For(ByteAt(text, position));
        if (candidates.empty()) return 0;
        if (longestName > sizeof(std::uint64_t))
            return LongestOperator(environment, text, position, candidates);
        std::uint64_t window = 0;
        for (std::size_t offset = 0; offset < longestName; ++offset) {
            const unsigned char byte = ByteAt(text, position + offset);
            if (byte == 0) break;
            window |= std::uint64_t{byte} << (8 * offset);
        }
        const auto known = remembered.find(window);
        if (known != remembered.end()) return known->second;
        const std::size_t length = LongestOperator(environment, text, position, candidates);
        remembered.emplace(window, length);
        return length;
    }

private:
    TQuorinBasicEnvironment* environment;
    std::size_t tableSize = 0;
    std::array<bool, 256> known{};
    std::array<std::vector<std::size_t>, 256> rows;
    std::size_t longestName = 0;
    std::unordered_map<std::uint64_t, std::size_t> remembered;  // window: longest match
};

}  // namespace

// The general form of the operator match, comparing every row of the table;
// SplitWords asks only the rows that can start with the byte at hand.
bool TCodeAnalysis::MatchOperator(std::size_t& position) {
    std::vector<std::size_t> everyRow(environment->operators.size());
    for (std::size_t row = 0; row < everyRow.size(); ++row) everyRow[row] = row;
    const std::size_t length = LongestOperator(environment, source, position, everyRow);
    position += length;
    return length > 0;
}

int TCodeAnalysis::ScanNumber(std::size_t& position) {
    while (IsDigit(ByteAt(source, position))) ++position;
    if (ByteAt(source, position) != '.') return wkInteger;
    ++position;
    while (IsDigit(ByteAt(source, position))) ++position;
    return wkReal;
}

// The scan is byte by byte, so a double-byte character whose second byte is a
// backslash escapes the byte after it, as a backslash would.
bool TCodeAnalysis::ScanString(std::size_t& position) {
    const unsigned char quote = ByteAt(source, position);
    ++position;
    for (;;) {
        const unsigned char byte = ByteAt(source, position);
        if (byte == 0) return false;
        ++position;
        if (byte == quote) return true;
        if (byte == '\\' && ByteAt(source, position) != 0) ++position;
    }
}

// The operator test comes before the identifier test, so an identifier that
// begins with a word operator's letters is split after them ("category" is the
// operator "cat" and the identifier "egory"). Adjacent literals merge into one
// word by dropping the closing quote of the first and the opening quote of the next.
bool TCodeAnalysis::SplitWords() {
    words.clear();
    unclosedLiteral = false;
    mergedLiterals.clear();
    wordTexts.clear();  // the word caches start again for the new words
    // Room for a word per two bytes, more than most texts need, so that the
    // list is allocated once instead of growing through copies; room never
    // written costs address space only.
    words.reserve(source.size() / 2 + 1);
    TOperatorCandidates candidates(environment);
    std::size_t position = 0;
    for (;;) {
        while (IsWhiteSpace(ByteAt(source, position))) ++position;
        const unsigned char byte = ByteAt(source, position);
        if (byte == 0) break;

        const std::size_t start = position;
        int kind;
        if (const std::size_t length = candidates.Longest(source, position)) {
            position += length;
            kind = wkOperator;
        } else if (IsLetter(byte) || byte == '_') {
            do {
                ++position;
            } while (IsLetter(ByteAt(source, position)) || IsDigit(ByteAt(source, position)) ||
                     ByteAt(source, position) == '_');
            kind = wkIdentifier;
        } else if (IsDigit(byte)) {
            kind = ScanNumber(position);
        } else if (byte == '"' || byte == '\'') {
            if (!ScanString(position)) unclosedLiteral = true;
            if (!words.empty() && words.back().kind == wkString) {
                const TWordPosition last = words.size() - 1;
                TWord& previous = words.back();
                // The first merge copies the earlier literal out of the source;
                // later ones append to that copy.
                if (!previous.merged) {
                    mergedLiterals.emplace_back(last, std::string(TextAt(last)));
                    previous.merged = 1;
                }
                std::string& merged = mergedLiterals.back().second;
                merged.pop_back();
                merged.append(source, start + 1, position - start - 1);
                previous.length = static_cast<std::uint32_t>(position - previous.offset);
                continue;
            }
            kind = wkString;
        } else {
            ++position;
            kind = wkCharacter;
        }
        TWord word;
        word.offset = static_cast<std::uint32_t>(start);
        word.length = static_cast<std::uint32_t>(position - start);
        word.kind = static_cast<std::uint32_t>(kind);
        word.merged = 0;
        words.push_back(word);
    }
    return true;
}

std::string_view TCodeAnalysis::MergedText(TWordPosition position) const {
    const auto found = std::lower_bound(
        mergedLiterals.begin(), mergedLiterals.end(), position,
        [](const std::pair<TWordPosition, std::string>& entry, TWordPosition at) {
            return entry.first < at;
        });
    return found->second;
}

}  // namespace Quorin
