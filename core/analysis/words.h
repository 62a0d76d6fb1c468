// Words: what the splitter makes of the prepared source text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/huge_pages.h"

namespace Quorin {

enum TWordKind {
    wkIdentifier = 0,  // a letter or "_", then letters, digits and "_"
    wkCharacter = 1,   // any other single byte
    wkInteger = 2,     // decimal digits
    wkReal = 3,        // digits, a point, maybe more digits
    wkString = 4,      // a quoted literal, quotes and escapes raw
    wkOperator = 5,    // the longest operator name of the environment's table
};

// A word's text is a view of the prepared source, or, for string literals
// merged from several, of a text the analysis keeps beside it; either way it
// lives as long as the analysis.
struct TWord {
    std::string_view text;
    int kind;
    std::uint32_t offset;  // of the word's first byte in the prepared text
};

// Large texts have hundreds of thousands of words.
using TWords = std::vector<TWord, HugePages::TAllocator<TWord>>;

// Positions are indexes into TWords; words.size() is the end position.
using TWordPosition = std::size_t;

}  // namespace Quorin
