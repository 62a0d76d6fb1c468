#include "entry.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>

#include "console_files.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "temp_directory.h"

namespace {

namespace Messages = Quorin::Messages;

char* Arg(const std::string& text) {
    return const_cast<char*>(text.c_str());
}

TEST(RunConsoleHostTest, UsageErrorsEndWithoutAPrompt) {
    const std::string program = "quorin";
    char* argv[] = {Arg(program), nullptr};
    TConsoleFiles files;
    {
        TConsole console(files.in, files.out, files.err);
        EXPECT_EQ(RunConsoleHost(console, 1, argv), exitUsage);
    }
    EXPECT_EQ(files.Output(), "");
    EXPECT_EQ(files.Errors(), Messages::noFileName + "\n");
}

TEST(RunConsoleHostTest, AnUnopenableFileEndsWithoutAPrompt) {
    TTempDirectory directory;
    const std::string program = "quorin", name = directory.Name("absent");
    char* argv[] = {Arg(program), Arg(name), nullptr};
    TConsoleFiles files;
    {
        TConsole console(files.in, files.out, files.err);
        EXPECT_EQ(RunConsoleHost(console, 2, argv), exitUsage);
    }
    EXPECT_EQ(files.Output(), "");
    EXPECT_EQ(files.Errors(), Messages::cannotOpenFile + "\n");
}

// An empty macro has no words, so it is a syntax error: the frame, then the prompt.
TEST(RunConsoleHostTest, MacroErrorsAreFramedAndFollowedByThePrompt) {
    TTempDirectory directory;
    const std::string program = "quorin", name = directory.Write("empty.qrn", "");
    char* argv[] = {Arg(program), Arg(name), nullptr};
    TConsoleFiles files;
    {
        TConsole console(files.in, files.out, files.err);
        EXPECT_EQ(RunConsoleHost(console, 2, argv), exitSuccess);
    }
    EXPECT_EQ(files.Output(), "\n");
    EXPECT_EQ(files.Errors(),
              "\n*\n" + Messages::syntaxError + "\n*\n" + "\n" + Messages::pressAnyKey);
}

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

}  // namespace
