#include "entry.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "console_files.h"
#include "errors/errors.h"
#include "errors/messages.h"

namespace {

namespace Messages = Quorin::Messages;

// Both streams go to one file, so the file shows that pending output came first.
std::string Report(const std::function<int()>& body, int& status) {
    TConsoleFiles files;
    {
        TConsole console(files.in, files.out, files.out);
        console.Out("partial");
        status = GuardInternalFaults(console, body);
    }
    return files.Output();
}

TEST(GuardInternalFaultsTest, EscapingErrorsAreReportedWithStatusTwo) {
    int status = -1;
    EXPECT_EQ(Report([]() -> int { throw Quorin::EQuorinFatalError("fault"); }, status),
              "partialfault\n");
    EXPECT_EQ(status, exitInternalFault);

    const std::string outOfMemory = "partial" + Messages::outOfMemory + "\n";
    EXPECT_EQ(Report([]() -> int { throw std::bad_alloc(); }, status), outOfMemory);
    EXPECT_EQ(status, exitInternalFault);
    EXPECT_EQ(Report([]() -> int { throw std::length_error("basic_string"); }, status),
              outOfMemory);
    EXPECT_EQ(Report([]() -> int { throw std::out_of_range("substr"); }, status), outOfMemory);
    EXPECT_EQ(status, exitInternalFault);
}

TEST(GuardInternalFaultsTest, StatusesPassThrough) {
    int status = -1;
    EXPECT_EQ(Report([] { return exitUsage; }, status), "partial");
    EXPECT_EQ(status, exitUsage);
}

// The options print to standard output and run nothing.
std::string RunWith(const char* option, int& status) {
    TConsoleFiles files;
    {
        TConsole console(files.in, files.out, files.err);
        char program[] = "quorin";
        std::string argument = option;
        char* argv[] = {program, argument.data(), nullptr};
        status = RunConsoleHost(console, 2, argv);
    }
    EXPECT_EQ(files.Errors(), "");
    return files.Output();
}

TEST(RunConsoleHostTest, HelpAndVersion) {
    int status = -1;
    EXPECT_EQ(RunWith("--help", status), Messages::usage);
    EXPECT_EQ(status, exitSuccess);
    EXPECT_EQ(RunWith("-h", status), Messages::usage);
    EXPECT_EQ(RunWith("--version", status), Messages::ProgramVersion(QUORIN_VERSION) + "\n");
    EXPECT_EQ(status, exitSuccess);
}

}  // namespace
