// Conversions between the UTF-8 of the test files and the code page 932 bytes that
// the interpreter reads and writes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace MacroRunner {

// Converts UTF-8 [text] to code page 932. Returns false, leaving in [failedAt] the
// offset of the first offending byte, when [text] is not valid UTF-8 or holds a
// character that code page 932 cannot express.
bool Utf8ToCp932(std::string_view text, std::string* result, std::size_t* failedAt);

// The same from UTF-8 to [encoding], any name iconv knows.
bool Utf8ToEncoding(std::string_view text, const std::string& encoding, std::string* result,
                    std::size_t* failedAt);

// Renders code page 932 bytes as UTF-8 for a human reader. Never fails: bytes that do
// not form a character are shown as \xHH, control characters as C escapes, and a
// backslash as "\\" so that the rendering stays unambiguous.
std::string Cp932ToDisplay(std::string_view bytes);

// The same for bytes in [encoding].
std::string ToDisplay(std::string_view bytes, const std::string& encoding);

}  // namespace MacroRunner
