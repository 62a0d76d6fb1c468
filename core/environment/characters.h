// Character positions in code page 932 text, counted exactly as PackCharacters
// counts them, but found on the bytes themselves without building the packed form.
#pragma once

#include <cstddef>
#include <string>

namespace Quorin {

// Walks a text character by character. A lead byte and the byte after it are one
// character; a lead byte followed by a NUL byte is the last character, and the text
// ends after its lead byte (packing drops the NUL and everything behind it), which
// `end` reflects once the walk has reached that point.
class TCharacterCursor {
public:
    explicit TCharacterCursor(const std::string& text)
        : data(reinterpret_cast<const unsigned char*>(text.data())), end(text.size()) {}

    // Steps over up to `count` characters; returns how many there were.
    std::size_t Advance(std::size_t count);

    std::size_t offset = 0;

    // The byte length of the text as far as packing keeps it. Exact only once the
    // cursor has reached the end (Advance returned fewer than asked).
    std::size_t End() const { return end; }

private:
    const unsigned char* data;
    std::size_t end;
};

}  // namespace Quorin
