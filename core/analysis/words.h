// Words: what the splitter makes of the prepared source text.
#pragma once

#include <string>
#include <vector>

namespace Quorin {

enum TWordKind {
    wkIdentifier = 0,  // a letter or "_", then letters, digits and "_"
    wkCharacter = 1,   // any other single byte
    wkInteger = 2,     // decimal digits
    wkReal = 3,        // digits, a point, maybe more digits
    wkString = 4,      // a quoted literal, quotes and escapes raw
    wkOperator = 5,    // the longest operator name of the environment's table
};

struct TWord {
    std::string text;
    int kind;
};

using TWords = std::vector<TWord>;

// Positions are indexes into TWords; words.size() is the end position.
using TWordPosition = std::size_t;

}  // namespace Quorin
