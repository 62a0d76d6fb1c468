// The program run as a shell runs it, for what only a whole process shows:
// output that cannot be written, and a stack smaller than usual.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

#include "errors/messages.h"
#include "quorin_limits.h"
#include "support/shell.h"
#include "temp_directory.h"

namespace {

namespace Messages = Quorin::Messages;

// Runs `command` with /bin/sh in `directory`, the program as $Q; returns what it
// writes and leaves its status in `status`.
std::string Shell(const TTempDirectory& directory, const std::string& command, int& status) {
    return ::Shell("cd '" + directory.path.string() +
                     "' && Q='" QUORIN_PROGRAM
                     "' && unset QUORIN_CONSOLE_ENCODING QUORIN_ERROR_LOCATION && " + command,
                 status);
}

std::string Failed() {
    return Messages::outputFailed + "\n";
}

// A full disk: the write error is reported and the status is 2, also for a
// macro that writes its output only at the end and for one that never stops.
TEST(ProgramTest, OutputThatCannotBeWrittenIsAnError) {
    TTempDirectory directory;
    directory.Write("short.qrn", "print(\"x\");");
    directory.Write("endless.qrn", "while (1) println(\"y\");");
    directory.Write("silent.qrn", "x = 1;");
    for (const char* macro : {"short.qrn", "endless.qrn", "silent.qrn"}) {
        SCOPED_TRACE(macro);
        int status = -1;
        EXPECT_EQ(
            Shell(directory, "$Q " + std::string(macro) + " 2>&1 >/dev/full </dev/null", status),
            Failed());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 2);
    }
}

// A pipe closed by its reader: with SIGPIPE ignored the program ends with the
// message and status 2; with its default action the signal ends it, as before.
TEST(ProgramTest, AClosedPipe) {
    TTempDirectory directory;
    directory.Write("endless.qrn", "while (1) println(\"y\");");
    const std::string run =
        "{ $Q endless.qrn </dev/null 2>err; echo $? >status; } | head -c 1 >/dev/null; "
        "cat err status";
    int status = -1;
    EXPECT_EQ(Shell(directory, "trap '' PIPE; " + run, status), Failed() + "2\n");
    EXPECT_EQ(Shell(directory, run, status), "141\n");
}

// Ten thousand levels of nesting run with the usual stack; a stack far smaller
// than usual (as `ulimit -s 256` gives) ends deep nesting with the nesting error,
// never a crash, and still runs ordinary macros.
TEST(ProgramTest, NestingWithTheStackAThreadHas) {
    TTempDirectory directory;
    const int levels = 10000;
    directory.Write("deep.qrn", "x = 0;" + std::string(levels, '{') + "x++;" +
                                    std::string(levels, '}') + "println(x);");
    directory.Write("plain.qrn", "println(6 * 7);");
    // Sanitizer builds have larger frames, and the core a budget to match.
    const std::size_t usual = std::max<std::size_t>(8 << 20, Quorin::Limits::nestingStackBytes);
    const std::string stack = "ulimit -s " + std::to_string(usual / 1024 + 1024);
    int status = -1;
    EXPECT_EQ(Shell(directory, stack + " && $Q deep.qrn 2>/dev/null </dev/null", status),
              "\n1\n");
    EXPECT_EQ(Shell(directory, "ulimit -s 256 && $Q plain.qrn 2>/dev/null </dev/null", status),
              "\n42\n");
    const std::string frame = "\n*\n" + Messages::nestingTooDeep + "\n*\n";
    const std::string output =
        Shell(directory, "ulimit -s 256 && $Q deep.qrn 2>&1 >/dev/null </dev/null", status);
    EXPECT_EQ(output.substr(0, frame.size()), frame);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
