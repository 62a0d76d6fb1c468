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

// "あ" in code page 932 and in UTF-8.
const std::string aCp932 = "\x82\xa0";
const std::string aUtf8 = "\xe3\x81\x82";

// A console converting to and from UTF-8.
class ConvertingConsoleTest : public ::testing::Test {
protected:
    explicit ConvertingConsoleTest(const std::string& input = std::string())
        : files(input), console(files.in, files.out, files.err) {}
    void SetUp() override { ASSERT_TRUE(console.SetEncoding("UTF-8")); }

    TConsoleFiles files;
    TConsole console;
};

TEST(ConsoleEncodingTest, UnknownNamesAreRefusedAndChangeNothing) {
    TConsoleFiles files("\x82\xa0\n");
    {
        TConsole console(files.in, files.out, files.err);
        EXPECT_FALSE(console.SetEncoding("NO-SUCH-ENCODING"));
        console.Out(aCp932);
        console.Err(aCp932);
        EXPECT_EQ(console.ReadLine(10), aCp932 + "\n");
    }
    EXPECT_EQ(files.Output(), aCp932);
    EXPECT_EQ(files.Errors(), aCp932);
}

TEST_F(ConvertingConsoleTest, OutputAndErrorsAreConverted) {
    console.Out("[" + aCp932 + "]");
    console.EndLine();
    console.Err(aCp932 + "\n");
    EXPECT_EQ(files.Output(), "[" + aUtf8 + "]\n");
    EXPECT_EQ(files.Errors(), aUtf8 + "\n");
}

TEST_F(ConvertingConsoleTest, ACharacterPrintedInTwoCallsIsCompleted) {
    console.Out("x\x82");
    console.Flush();
    EXPECT_EQ(files.Output(), "x");
    console.Out("\xa0");
    console.EndLine();
    EXPECT_EQ(files.Output(), "x" + aUtf8 + "\n");

    console.Err("\x82");
    console.Err("\xa0");
    EXPECT_EQ(files.Errors(), aUtf8);
}

TEST_F(ConvertingConsoleTest, ACharacterCutByAFullBufferIsCompleted) {
    const std::string head(HostLimits::outputBufferBytes - 1, 'x');
    console.Out(head + "\x82");
    std::fflush(files.out);
    EXPECT_EQ(files.Output(), head);
    console.Out("\xa0");
    console.Flush();
    EXPECT_EQ(files.Output(), head + aUtf8);
}

TEST(ConsoleEncodingTest, UnfinishedCharactersAreWrittenAsTheyAreAtTheEnd) {
    TConsoleFiles files;
    {
        TConsole console(files.in, files.out, files.err);
        ASSERT_TRUE(console.SetEncoding("UTF-8"));
        console.Err("\x82");
        console.Out("\x81");
        console.Flush();
        EXPECT_EQ(files.Output(), "");
        EXPECT_EQ(files.Errors(), "");
    }
    EXPECT_EQ(files.Output(), "\x81");
    EXPECT_EQ(files.Errors(), "\x82");
}

// Both streams go to one file: an error text is the end of what precedes it.
TEST(ConsoleEncodingTest, ErrorTextsFollowAnUnfinishedCharacter) {
    TConsoleFiles files;
    TConsole console(files.in, files.out, files.out);
    ASSERT_TRUE(console.SetEncoding("UTF-8"));
    console.Out("\x82");
    console.Err(aCp932);
    EXPECT_EQ(files.Output(), "\x82" + aUtf8);
}

TEST_F(ConvertingConsoleTest, BytesThatDoNotConvertAreWrittenAsTheyAre) {
    console.Out("\x80\xff" + aCp932 + "\x85\x40");
    console.EndLine();
    EXPECT_EQ(files.Output(), "\x80\xff" + aUtf8 + "\x85@\n");
}

class ConvertingInputTest : public ConvertingConsoleTest {
protected:
    ConvertingInputTest()
        : ConvertingConsoleTest(aUtf8 + "\r\n\xff" + aUtf8 + "\n" + aUtf8 + aUtf8 + "\n") {}
};

TEST_F(ConvertingInputTest, LinesAreConvertedAfterTheyAreRead) {
    EXPECT_EQ(console.ReadLine(256), aCp932 + "\n");
    EXPECT_EQ(console.ReadLine(256), "\xff" + aCp932 + "\n");
    // The limit counts bytes as read: four bytes are one character and the
    // first byte of the next, which is passed on as it came.
    EXPECT_EQ(console.ReadLine(4), aCp932 + "\xe3");
    EXPECT_EQ(console.ReadLine(256), "\x81\x82\n");
    EXPECT_EQ(console.ReadLine(256), "");
}

}  // namespace

namespace {

// Only the streams asked for are converted: a terminal among files.
TEST(ConsoleEncodingTest, EachStreamCanBeConvertedAlone) {
    TConsoleFiles files("\xe3\x81\x82\n");
    {
        TConsole console(files.in, files.out, files.err);
        ASSERT_TRUE(console.SetEncoding("UTF-8", TConsole::csErrors));
        EXPECT_FALSE(console.SetEncoding("NO-SUCH-ENCODING", TConsole::csOutput));
        console.Out("\x82\xa0");
        console.Err("\x82\xa0");
        EXPECT_EQ(console.ReadLine(10), "\xe3\x81\x82\n");
    }
    EXPECT_EQ(files.Output(), "\x82\xa0");
    EXPECT_EQ(files.Errors(), "\xe3\x81\x82");
}

TEST(ConsoleTest, AFailedWriteIsRemembered) {
    TUnwritableStream unwritable;
    std::FILE* full = unwritable.file;
    ASSERT_NE(full, nullptr);
    TConsoleFiles files;
    {
        TConsole console(files.in, full, files.err);
        console.Out("x");
        EXPECT_FALSE(console.OutputFailed());
        console.EndLine();
        EXPECT_TRUE(console.OutputFailed());
        console.Err("e");
    }
    EXPECT_EQ(files.Errors(), "e");
}

}  // namespace
