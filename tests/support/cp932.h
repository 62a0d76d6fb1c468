// Test helper: code page 932 bytes from UTF-8 source text.
//
// The interpreter works on code page 932 byte strings, while test sources are
// UTF-8. Cp932 lets a test write the expected Japanese text legibly:
//
//     EXPECT_EQ(Messages::stopped, Cp932("マクロの実行が中止されました。"));
//
// ASCII passes through unchanged, so whole messages with names and quotes can be
// converted in one call.
#pragma once

#include <string>

// The code page 932 encoding of `utf8`, converted as the host converts. Throws
// std::invalid_argument when `utf8` is not valid UTF-8 or holds a character that
// code page 932 cannot represent, so a typo in a test never passes silently.
std::string Cp932(const std::string& utf8);
