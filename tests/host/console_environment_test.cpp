#include "console_environment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console_files.h"
#include "errors/errors.h"

namespace {

using Quorin::TExValue;

// An environment reading `input`, with the lines it reads collected in order.
class ConsoleEnvironmentTest : public ::testing::Test {
protected:
    void SetInput(const std::string& input, const std::string& encoding = std::string()) {
        files = std::make_unique<TConsoleFiles>(input);
        console = std::make_unique<TConsole>(files->in, files->out, files->err);
        if (!encoding.empty()) {
            ASSERT_TRUE(console->SetEncoding(encoding));
        }
        environment = std::make_unique<TQuorinConsoleEnvironment>(*console);
    }

    std::vector<std::string> ReadLines(int count) {
        std::vector<std::string> lines;
        for (int i = 0; i < count; ++i) lines.push_back(environment->ReadLine());
        return lines;
    }

    bool Call(const std::string& name, std::vector<TExValue> arguments, TExValue& result) {
        return environment->CallFunction(0, name, arguments, result);
    }
    bool Call(const std::string& name, std::vector<TExValue> arguments) {
        TExValue result;
        return Call(name, std::move(arguments), result);
    }

    std::unique_ptr<TConsoleFiles> files;
    std::unique_ptr<TConsole> console;
    std::unique_ptr<TQuorinConsoleEnvironment> environment;
};

using Lines = std::vector<std::string>;

TEST_F(ConsoleEnvironmentTest, LinesUpToTheLimitComeBackWhole) {
    const std::string line255(255, 'a');
    const std::string line256(256, 'b');
    SetInput(line255 + "\n" + line256 + "\nnext\n");
    EXPECT_EQ(ReadLines(4), (Lines{line255, line256, "", "next"}));
}

TEST_F(ConsoleEnvironmentTest, LongerLinesComeBackInPieces) {
    SetInput(std::string(257, 'a') + "\n" + std::string(300, 'b') + "\n");
    EXPECT_EQ(ReadLines(4),
              (Lines{std::string(256, 'a'), "a", std::string(256, 'b'), std::string(44, 'b')}));
}

// A line of 100 characters typed on a UTF-8 console is 300 bytes: the first
// piece holds 85 of them and the first byte of the 86th, the second piece the
// other two bytes of that one and the last 14. The cut character's bytes come
// through unconverted, the rest as code page 932.
TEST_F(ConsoleEnvironmentTest, PiecesAreCountedInBytesAsTyped) {
    std::string typed;
    for (int i = 0; i < 100; ++i) typed += "\xe3\x81\x82";
    SetInput(typed + "\nnext\n", "UTF-8");
    std::string first;
    for (int i = 0; i < 85; ++i) first += "\x82\xa0";
    std::string second = "\x81\x82";
    for (int i = 0; i < 14; ++i) second += "\x82\xa0";
    EXPECT_EQ(ReadLines(3), (Lines{first + "\xe3", second, "next"}));
}

TEST_F(ConsoleEnvironmentTest, ConvertedLinesKeepTheLineRules) {
    SetInput(std::string("\xe3\x81\x82\r\n\xe3\x81\x84") + '\0' + "\xe3\x81\x86\n" +
                 std::string(257, 'a'),
             "UTF-8");
    EXPECT_EQ(ReadLines(5), (Lines{"\x82\xa0", "\x82\xa2", std::string(256, 'a'), "a", ""}));
}

TEST_F(ConsoleEnvironmentTest, CrLfIsOneLineFeedAndCountsAsOneByte) {
    const std::string line255(255, 'a');
    SetInput("ab\r\n\r\n" + line255 + "\r\n" + std::string(256, 'c') + "\r\nz\r\n");
    EXPECT_EQ(ReadLines(6), (Lines{"ab", "", line255, std::string(256, 'c'), "", "z"}));
}

TEST_F(ConsoleEnvironmentTest, LoneCrStaysInTheLine) {
    SetInput("a\rb\n" + std::string(255, 'x') + "\ry\nend\r");
    EXPECT_EQ(ReadLines(4), (Lines{"a\rb", std::string(255, 'x') + "\r", "y", "end\r"}));
}

TEST_F(ConsoleEnvironmentTest, EndOfInputGivesEmptyLinesForever) {
    SetInput("\nlast");
    EXPECT_EQ(ReadLines(5), (Lines{"", "last", "", "", ""}));
}

TEST_F(ConsoleEnvironmentTest, NulEndsTheLineButNotTheInput) {
    SetInput(std::string("ab\0cd\nef\n", 9));
    EXPECT_EQ(ReadLines(2), (Lines{"ab", "ef"}));
}

TEST_F(ConsoleEnvironmentTest, PrintWaitsForPrintlnToFlush) {
    SetInput("");
    EXPECT_TRUE(Call("print", {TExValue(42)}));
    EXPECT_TRUE(Call("print", {TExValue(0.5)}));
    EXPECT_TRUE(Call("print", {TExValue("abc")}));
    EXPECT_EQ(files->Output(), "");
    EXPECT_TRUE(Call("println", {}));
    EXPECT_TRUE(Call("println", {TExValue(1.0)}));
    EXPECT_TRUE(Call("println", {TExValue()}));
    EXPECT_EQ(files->Output(), "420.5abc\n1\n\n");
}

TEST_F(ConsoleEnvironmentTest, GetlnReturnsTheLineAsAString) {
    SetInput("hello\r\n");
    TExValue result;
    EXPECT_TRUE(Call("getln", {}, result));
    ASSERT_EQ(result.Tag(), TExValue::tString);
    EXPECT_EQ(result.ToString(), "hello");
    EXPECT_TRUE(Call("getln", {}, result));
    EXPECT_EQ(result.Tag(), TExValue::tString);
    EXPECT_EQ(result.ToString(), "");
}

TEST_F(ConsoleEnvironmentTest, GetlnShowsPendingOutputFirst) {
    SetInput("x\n");
    Call("print", {TExValue("name? ")});
    Call("getln", {});
    EXPECT_EQ(files->Output(), "name? ");
}

TEST_F(ConsoleEnvironmentTest, WrongArgumentCountsWriteAndReadNothing) {
    SetInput("kept\n");
    EXPECT_THROW(Call("print", {}), Quorin::EArgumentsMismatch);
    EXPECT_THROW(Call("print", {TExValue(1), TExValue(2)}), Quorin::EArgumentsMismatch);
    EXPECT_THROW(Call("println", {TExValue(1), TExValue(2)}), Quorin::EArgumentsMismatch);
    EXPECT_THROW(Call("getln", {TExValue(1)}), Quorin::EArgumentsMismatch);
    console->Flush();
    EXPECT_EQ(files->Output(), "");
    EXPECT_EQ(environment->ReadLine(), "kept");
}

// Output that cannot be written stops the macro: at once in print, and at the
// engine's next poll otherwise.
TEST(ConsoleEnvironmentStopTest, AFailedWriteAsksToStop) {
    TUnwritableStream unwritable;
    std::FILE* full = unwritable.file;
    ASSERT_NE(full, nullptr);
    TConsoleFiles files;
    {
        TConsole console(files.in, full, files.err);
        TQuorinConsoleEnvironment environment(console);
        bool stop = true;
        environment.CheckStop(0, stop);
        EXPECT_FALSE(stop);
        std::vector<TExValue> arguments{TExValue("x")};
        TExValue result;
        EXPECT_THROW(environment.CallFunction(0, "println", arguments, result), Quorin::EStopped);
        environment.CheckStop(0, stop);
        EXPECT_TRUE(stop);
    }
}

}  // namespace
