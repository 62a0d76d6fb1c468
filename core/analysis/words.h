// Words: what the splitter makes of the prepared source text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "huge_pages.h"

namespace Quorin {

enum TWordKind {
    wkIdentifier = 0,  // a letter or "_", then letters, digits and "_"
    wkCharacter = 1,   // any other single byte
    wkInteger = 2,     // decimal digits
    wkReal = 3,        // digits, a point, maybe more digits
    wkString = 4,      // a quoted literal, quotes and escapes raw
    wkOperator = 5,    // the longest operator name of the environment's table
};

// A word is a range of the prepared source, known by where it starts and by the
// number of its text (TCodeAnalysis::TextAt): the words that read alike share
// a number, under which the analysis remembers what it found out about them.
// A string literal merged from several has a text the analysis keeps beside the
// source. Eight bytes a word: a large macro has millions of them.
struct TWord {
    std::uint32_t offset;      // the first byte in the prepared text
    std::uint32_t text : 28;   // the number of its text (there are fewer than bytes,
                               // and the source is at most 256 MiB)
    std::uint32_t kind : 3;    // a TWordKind
    std::uint32_t merged : 1;  // a literal merged from several: its text is kept apart
};
static_assert(sizeof(TWord) == 8);

// Large texts have hundreds of thousands of words.
using TWords = std::vector<TWord, HugePages::TAllocator<TWord>>;

// Positions are indexes into TWords; words.size() is the end position.
using TWordPosition = std::size_t;

}  // namespace Quorin
