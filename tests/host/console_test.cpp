#include "console.h"

#include <gtest/gtest.h>

#include <string>

#include "console_files.h"
#include "host_limits.h"

namespace {

// Both streams go to one file, so the file shows the order the user would see.
TEST(ConsoleTest, OutputIsFlushedBeforeEveryErrorText) {
    TConsoleFiles files;
    TConsole console(files.in, files.out, files.out);
    console.Out("abc");
    console.Err("E1");
    console.Out("d");
    console.EndLine();
    console.Out("e");
    console.Err("E2");
    EXPECT_EQ(files.Output(), "abcE1d\neE2");
}

TEST(ConsoleTest, LargeOutputIsWrittenInWholePieces) {
    TConsoleFiles files;
    TConsole console(files.in, files.out, files.err);
    const std::string piece(HostLimits::outputBufferBytes / 2 + 1, 'x');
    console.Out(piece);
    EXPECT_EQ(files.Output(), "");
    console.Out(piece);
    std::fflush(files.out);
    EXPECT_EQ(files.Output(), piece + piece);
}

TEST(ConsoleTest, DestructionFlushesPendingOutput) {
    TConsoleFiles files;
    {
        TConsole console(files.in, files.out, files.err);
        console.Out("left over");
    }
    EXPECT_EQ(files.Output(), "left over");
}

}  // namespace
