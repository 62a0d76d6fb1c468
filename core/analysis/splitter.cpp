// The word splitter: cuts the prepared text into operators, identifiers,
// numbers, string literals and single characters, and numbers the distinct
// texts of the words as it goes (TTextNumbers).
//
// The splitter reads the text only up to its first NUL byte; whatever follows
// a NUL never becomes a word.
#include <algorithm>
#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "analysis/code_analysis.h"
#include "analysis/text_numbers.h"
#include "environment/environment.h"
#include "values/text.h"
#include "values/text_hash.h"

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

// The operator names of the table in a trie, for the stock name rule, which
// compares byte by byte with 'a'..'z' folded (or not at all, when case-sensitive).
// The longest name at a position is then one walk along the next bytes, however
// many names there are and whatever the text holds.
class TOperatorTrie {
public:
    // False when the table holds a name the trie cannot stand for (one with a
    // NUL byte, which the stock rule compares only up to that byte).
    bool Build(const std::vector<TOperatorInfo>& operators, bool caseSensitive) {
        for (int byte = 0; byte < 256; ++byte) {
            fold[byte] = static_cast<unsigned char>(
                !caseSensitive && byte >= 'a' && byte <= 'z' ? byte - 0x20 : byte);
        }
        // Built as a tree of maps first, then laid out with each node's edges together.
        std::vector<std::map<unsigned char, std::uint32_t>> children(1);
        std::vector<bool> ends(1, false);
        for (const TOperatorInfo& info : operators) {
            if (info.name.find('\0') != std::string::npos) return false;
            if (info.name.empty()) continue;
            std::uint32_t node = 0;
            for (const char c : info.name) {
                const unsigned char byte = fold[static_cast<unsigned char>(c)];
                auto [found, added] =
                    children[node].emplace(byte, static_cast<std::uint32_t>(children.size()));
                if (added) {
                    children.emplace_back();
                    ends.push_back(false);
                }
                node = found->second;
            }
            ends[node] = true;
        }
        nodes.assign(children.size(), TNode{});
        edges.clear();
        for (std::uint32_t node = 0; node < children.size(); ++node) {
            nodes[node].firstEdge = static_cast<std::uint32_t>(edges.size());
            nodes[node].end = ends[node];
            for (const auto& [byte, child] : children[node]) edges.push_back(TEdge{byte, child});
            nodes[node].edgeEnd = static_cast<std::uint32_t>(edges.size());
        }
        // The first step, taken at every word, is one look in a table.
        for (int byte = 0; byte < 256; ++byte) {
            const auto found = children[0].find(fold[byte]);
            first[byte] = found == children[0].end() ? 0 : found->second;
        }
        return true;
    }

    // The length of the longest name at `text` (which ends in a NUL byte).
    std::size_t Longest(const unsigned char* text) const {
        std::uint32_t node = first[text[0]];
        if (node == 0) return 0;
        std::size_t best = 0;
        for (std::size_t length = 1;; ++length) {
            const TNode& at = nodes[node];
            if (at.end) best = length;
            const unsigned char byte = text[length];
            if (byte == 0) return best;
            const unsigned char folded = fold[byte];
            std::uint32_t edge = at.firstEdge;
            while (edge < at.edgeEnd && edges[edge].byte != folded) ++edge;
            if (edge == at.edgeEnd) return best;
            node = edges[edge].node;
        }
    }

private:
    struct TNode {
        std::uint32_t firstEdge = 0, edgeEnd = 0;
        bool end = false;  // a name ends here
    };
    struct TEdge {
        unsigned char byte;
        std::uint32_t node;
    };
    std::array<unsigned char, 256> fold{};
    std::array<std::uint32_t, 256> first{};  // per byte: the node after it, 0 for none
    std::vector<TNode> nodes;                // node 0 is the root
    std::vector<TEdge> edges;
};

// For a name rule of the environment's own: for each byte, the operator rows
// whose name could stand at a position holding that byte, those whose first
// byte the environment's SameName takes for this byte. Only these rows are
// compared there, which keeps the splitter from walking the whole table at
// every word. This relies on the name rule comparing byte by byte, as the
// stock rule does. Since the splitter wants the longest name only, each name is
// kept once and the longest come first, so that the first match ends the
// search. Each byte's rows are worked out when the byte first starts a word.
class TOperatorCandidates {
public:
    explicit TOperatorCandidates(TQuorinBasicEnvironment* environment) : environment(environment) {
        for (const TOperatorInfo& info : environment->operators)
            longestName = std::max(longestName, info.name.size());
    }

    const std::vector<std::size_t>& For(unsigned char byte) {
        const std::vector<TOperatorInfo>& operators = environment->operators;
        std::vector<std::size_t>& candidates = rows[byte];
        if (!known[byte]) {
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
    // few windows come back all through a text. The table's hash has secret
    // keys, so that no text can crowd its windows into one bucket.
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
    std::array<bool, 256> known{};
    std::array<std::vector<std::size_t>, 256> rows;
    std::size_t longestName = 0;
    std::unordered_map<std::uint64_t, std::size_t, TTextHash> remembered;  // window: longest match
};

// What a byte can start, and what can continue an identifier.
enum TByteClass : std::uint8_t { bcEnd, bcSpace, bcLetter, bcDigit, bcQuote, bcOther };

constexpr std::array<TByteClass, 256> byteClasses = [] {
    std::array<TByteClass, 256> classes{};
    for (int byte = 1; byte < 256; ++byte) {
        const auto b = static_cast<unsigned char>(byte);
        classes[byte] = IsWhiteSpace(b)           ? bcSpace
                        : IsLetter(b) || b == '_' ? bcLetter
                        : IsDigit(b)              ? bcDigit
                        : b == '"' || b == '\''   ? bcQuote
                                                  : bcOther;
    }
    return classes;
}();

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
//
// Each word's text is numbered as soon as the word is complete; a literal is
// complete once the next word is not a literal merging into it.
bool TCodeAnalysis::SplitWords() {
    words.clear();
    unclosedLiteral = false;
    mergedLiterals.clear();
    textFirstWords.clear();
    // Room for a word per byte, the most there can be, so that the list is
    // allocated once instead of growing through copies; room never written
    // costs address space only.
    words.reserve(source.size() + 1);
    TTextNumbers numbers(texts);
    auto number = [&](TWord& word, std::string_view text) {
        const std::uint32_t found = numbers.Number(text);
        if (found == textFirstWords.size())
            textFirstWords.push_back(static_cast<TWordPosition>(&word - words.data()));
        word.text = found;
    };
    TOperatorTrie trie;
    const bool stockRule = environment->HasStockNameRule() &&
                           trie.Build(environment->operators, environment->caseSensitive);
    TOperatorCandidates candidates(environment);
    // c_str(): the text ends in a NUL byte, which stops every scan below.
    const auto* text = reinterpret_cast<const unsigned char*>(source.c_str());
    const std::string_view view(source);
    // The last word is a literal whose text is not numbered yet, since the next
    // word may be a literal that merges into it; it ends before `literalEnd`.
    bool literalOpen = false;
    std::size_t literalEnd = 0;
    auto closeLiteral = [&] {
        TWord& literal = words.back();
        if (!literal.merged)
            return number(literal, view.substr(literal.offset, literalEnd - literal.offset));
        TMergedLiteral& merged = mergedLiterals.back();
        merged.sourceLength = literalEnd - literal.offset;
        number(literal, merged.text);
    };
    std::size_t position = 0;
    for (;;) {
        while (byteClasses[text[position]] == bcSpace) ++position;
        const unsigned char byte = text[position];
        if (byte == 0) break;

        const std::size_t start = position;
        const std::size_t length =
            stockRule ? trie.Longest(text + position) : candidates.Longest(source, position);
        int kind;
        if (length > 0) {
            position += length;
            kind = wkOperator;
        } else {
            switch (byteClasses[byte]) {
                case bcLetter:
                    do {
                        ++position;
                    } while (byteClasses[text[position]] == bcLetter ||
                             byteClasses[text[position]] == bcDigit);
                    kind = wkIdentifier;
                    break;
                case bcDigit:
                    kind = ScanNumber(position);
                    break;
                case bcQuote:
                    if (!ScanString(position)) unclosedLiteral = true;
                    kind = wkString;
                    break;
                default:
                    ++position;
                    kind = wkCharacter;
                    break;
            }
        }
        if (kind == wkString && literalOpen) {
            TWord& previous = words.back();
            // The first merge copies the earlier literal out of the source;
            // later ones append to that copy.
            if (!previous.merged) {
                mergedLiterals.push_back(TMergedLiteral{
                    words.size() - 1, 0,
                    std::string(view.substr(previous.offset, literalEnd - previous.offset))});
                previous.merged = 1;
            }
            std::string& merged = mergedLiterals.back().text;
            merged.pop_back();
            merged.append(source, start + 1, position - start - 1);
            literalEnd = position;
            continue;
        }
        if (literalOpen) closeLiteral();
        TWord word;
        word.offset = static_cast<std::uint32_t>(start);
        word.text = 0;
        word.kind = static_cast<std::uint32_t>(kind);
        word.merged = 0;
        words.push_back(word);
        literalOpen = kind == wkString;
        if (literalOpen) {
            literalEnd = position;
        } else {
            number(words.back(), view.substr(start, position - start));
        }
    }
    if (literalOpen) closeLiteral();
    ResetWordCaches(numbers.Count());
    return true;
}

}  // namespace Quorin
