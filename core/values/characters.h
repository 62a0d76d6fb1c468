// Character positions in code page 932 text, counted exactly as PackCharacters
// counts them, but found on the bytes themselves without building the packed form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Quorin {

struct TStringRep;

// Walks a text character by character. A lead byte and the byte after it are one
// character; a lead byte followed by a NUL byte is the last character, and the text
// ends after its lead byte (packing drops the NUL and everything behind it), which
// `end` reflects once the walk has reached that point.
class TCharacterCursor {
public:
    // A cursor at `offset`, which must be where a character starts.
    explicit TCharacterCursor(const std::string& text, std::size_t offset = 0)
        : offset(offset),
          data(reinterpret_cast<const unsigned char*>(text.data())),
          end(text.size()) {}

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

// Where the characters of one text with lead bytes start, so that a macro walking
// a long text position by position pays for each position once rather than for
// every character in front of it. The index learns the text as far as it is
// asked: it remembers where every `step`-th character starts and the last
// position found, so that a position costs a walk of fewer than `step`
// characters, and the next position after the last one found costs one step.
// The index never holds the text: every call passes the one it was made for.
class TCharacterIndex {
public:
    static constexpr std::size_t step = 128;

    // Where character number `character` starts, into `offset`; for the character
    // after the last, where the text ends as packing keeps it. False when the
    // text has fewer characters.
    bool Find(const std::string& text, std::size_t character, std::size_t& offset);
    // The number of characters.
    std::size_t Count(const std::string& text);
    // The byte length of the text as far as packing keeps it.
    std::size_t End(const std::string& text);

    // `text` has had bytes appended to its first `oldSize` bytes: what the index
    // knew of those stays, except for a last character that may now be longer.
    void Appended(const std::string& text, std::size_t oldSize);
    // Forgets the text and gives back the memory held.
    void Clear();

private:
    // Walks on until `character` is known or the text ends.
    void Learn(const std::string& text, std::size_t character);

    friend class TCharacterIndexTable;

    std::uint32_t known = 0;        // characters walked from the start
    std::uint32_t knownOffset = 0;  // where character `known` starts
    std::uint32_t lastCharacter = 0;
    std::uint32_t lastOffset = 0;            // where `lastCharacter`, found last, starts
    bool complete = false;                   // the walk reached the end: `known` is the count
    std::vector<std::uint32_t> checkpoints;  // where characters step, 2 step, ... start
};

// The index kept with the text of `rep`, made on first need; meant for texts with
// lead bytes. Null for a text too short to need one, whose positions cost a walk
// of about a microsecond at most, or when no more indexes can be had, which
// only makes the character functions slower.
TCharacterIndex* CharacterIndexOf(const TStringRep& rep);
// Tells the index of `rep`, if there is one, that the text grew from `oldSize` bytes.
void CharacterIndexAppended(const TStringRep& rep, std::size_t oldSize);
// Gives back the index numbered `slot` (TStringRep::characterIndex).
void ReleaseCharacterIndex(std::uint32_t slot) noexcept;

// Character positions in a text for one call of a character function: asked of
// the text's index when it has one, else found by walking the text once.
class TCharacterPositions {
public:
    TCharacterPositions(const std::string& text, TCharacterIndex* index)
        : text(text), index(index), cursor(text) {}

    // As TCharacterIndex::Find. Without an index, positions asked in increasing
    // order cost one walk in all.
    bool Find(std::size_t character, std::size_t& offset);
    std::size_t Count();
    std::size_t End();

private:
    const std::string& text;
    TCharacterIndex* index;
    TCharacterCursor cursor;
    std::size_t walked = 0;  // the cursor's character number
};

}  // namespace Quorin
