// What only the Windows build does: the names of its encodings, the line ends
// of text-mode streams, and reading files and pipes as they are.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "../console_files.h"
#include "console.h"
#include "system.h"
#include "text_converter.h"

namespace {

// "あ" in code page 932, in UTF-16LE, in EUC-JP.
const std::string aCp932 = "\x82\xa0";
const std::string aUtf16 = std::string("\x42\x30", 2);
const std::string aEucJp = "\xa4\xa2";

std::string Converted(const std::string& to, const std::string& from, const std::string& text) {
    const auto converter = TTextConverter::Open(to, from);
    if (!converter) return "(unknown)";
    std::string result;
    converter->Convert(text, result);
    converter->Finish(result);
    return result;
}

TEST(WindowsEncodingTest, NamesStandForCodePages) {
    EXPECT_EQ(Converted("EUC-JP", "Shift_JIS", aCp932), aEucJp);
    EXPECT_EQ(Converted("euc_jp", "cp932", aCp932), aEucJp);
    EXPECT_EQ(Converted("UTF-16LE", "MS932", aCp932 + "a"), aUtf16 + std::string("a\0", 2));
    EXPECT_EQ(Converted("utf16be", "CP932", "a"), std::string("\0a", 2));
    // Code pages by their number; Latin-1 and windows-1252 differ at 0x80.
    EXPECT_EQ(Converted("UTF-8", "windows-1252", "\x80"), "\xe2\x82\xac");
    EXPECT_EQ(Converted("UTF-8", "ISO-8859-1", "\xe9"), "\xc3\xa9");
    EXPECT_EQ(Converted("UTF-8", "CP437", "\x82"), "\xc3\xa9");
    // Unknown, and known but stateful, which the conversion here cannot do.
    for (const char* name : {"NO-SUCH-ENCODING", "CP99999", "ISO-2022-JP", "UTF-7", "CP50220"}) {
        EXPECT_EQ(TTextConverter::Open(name, internalEncoding), nullptr) << name;
    }
}

TEST(WindowsEncodingTest, PlainUtf16HasAByteOrderMark) {
    EXPECT_EQ(Converted("UTF-16", "CP932", aCp932 + aCp932), "\xff\xfe" + aUtf16 + aUtf16);
    EXPECT_EQ(Converted("CP932", "UTF-16", "\xff\xfe" + aUtf16), aCp932);
    EXPECT_EQ(Converted("CP932", "UTF-16", std::string("\xfe\xff\x30\x42\0a", 6)), aCp932 + "a");
    // Without a mark the order is big-endian.
    EXPECT_EQ(Converted("CP932", "UTF-16", std::string("\x30\x42", 2)), aCp932);
}

// A byte on its own would break UTF-16 apart; the replacement character
// stands for it, and for the first byte of a character that never ended.
TEST(WindowsEncodingTest, BytesThatDoNotConvertIntoUtf16AreReplaced) {
    const std::string replacement = "\xfd\xff";
    EXPECT_EQ(Converted("UTF-16LE", "CP932", "\x80" + aCp932 + "\x82"),
              replacement + aUtf16 + replacement);
    // Into a code page they stay as they are.
    EXPECT_EQ(Converted("UTF-8", "CP932", "\x80\xa0\xfd\x82"), "\x80\xa0\xfd\x82");
}

TEST(WindowsEncodingTest, SurrogatePairsStayWhole) {
    const std::string emojiUtf16("\x3d\xd8\x00\xde", 4);
    EXPECT_EQ(Converted("UTF-8", "UTF-16LE", emojiUtf16), "\xf0\x9f\x98\x80");
    EXPECT_EQ(Converted("UTF-16LE", "UTF-8", "\xf0\x9f\x98\x80"), emojiUtf16);
    // Half a pair is no character.
    EXPECT_EQ(Converted("UTF-8", "UTF-16LE",
                        "\x3d\xd8"
                        "a\0"),
              std::string("\x3d\xd8"
                          "a",
                          3));
}

// A file opened in text mode, as the standard streams are.
class TTextModeFile {
public:
    TTextModeFile() : name(directory.Write("text-mode", "")), file(std::fopen(name.c_str(), "w")) {}
    ~TTextModeFile() {
        if (file) std::fclose(file);
    }
    std::string Bytes() {
        std::fflush(file);
        std::FILE* reader = std::fopen(name.c_str(), "rb");
        const std::string bytes = TConsoleFiles::Written(reader);
        std::fclose(reader);
        return bytes;
    }

    TTempDirectory directory;
    std::string name;
    std::FILE* file;
};

TEST(WindowsConsoleTest, LinesEndInCrLfOnTextModeStreams) {
    TTextModeFile text;
    ASSERT_NE(text.file, nullptr);
    TConsoleFiles files;
    TConsole console(files.in, text.file, text.file);
    console.Out("a\nb");
    console.EndLine();
    console.Err("e\n");
    EXPECT_EQ(text.Bytes(), "a\r\nb\r\ne\r\n");
    // A binary stream is written as it is.
    TConsole binary(files.in, files.out, files.err);
    binary.Out("a\n");
    binary.Flush();
    EXPECT_EQ(files.Output(), "a\n");
}

// 《 is 0x300A: in UTF-16 one of its bytes is a line feed, which text mode
// would have turned into CR LF.
TEST(WindowsConsoleTest, LineEndsComeBeforeTheConversion) {
    TTextModeFile text;
    ASSERT_NE(text.file, nullptr);
    TConsoleFiles files;
    {
        TConsole console(files.in, text.file, files.err);
        ASSERT_TRUE(console.SetEncoding("UTF-16LE"));
        console.Out("\x81\x73");
        console.EndLine();
    }
    EXPECT_EQ(text.Bytes(), std::string("\x0a\x30\x0d\x00\x0a\x00", 6));
}

// Files and pipes are no console, and are read byte for byte: no CR LF is
// joined and Ctrl+Z is a byte like any other.
TEST(WindowsInputTest, FilesAndPipesAreReadAsTheyAre) {
    TConsoleFiles files(
        "a\r\n\x1a"
        "b");
    EXPECT_FALSE(IsTerminal(fileno(files.in)));
    EXPECT_FALSE(IsWideConsole(fileno(files.in)));
    char buffer[16];
    EXPECT_EQ(ReadInput(fileno(files.in), buffer, sizeof buffer), 5);
    EXPECT_EQ(std::string(buffer, 5),
              "a\r\n\x1a"
              "b");

    int ends[2];
    ASSERT_EQ(_pipe(ends, 64, _O_BINARY), 0);
    EXPECT_FALSE(IsWideConsole(ends[0]));
    EXPECT_EQ(_write(ends[1], "xy\n", 3), 3);
    _close(ends[1]);
    EXPECT_EQ(ReadInput(ends[0], buffer, sizeof buffer), 3);
    // A pipe whose writer has gone has ended.
    EXPECT_EQ(ReadInput(ends[0], buffer, sizeof buffer), 0);
    _close(ends[0]);
}

// An empty pipe is looked at until something arrives, rather than read.
TEST(WindowsInputTest, AnEmptyPipeIsWaitedFor) {
    int ends[2];
    ASSERT_EQ(_pipe(ends, 64, _O_BINARY), 0);
    std::thread writer([&ends] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        (void)_write(ends[1], "late\n", 5);
        _close(ends[1]);
    });
    char buffer[16];
    EXPECT_EQ(ReadInput(ends[0], buffer, sizeof buffer), 5);
    EXPECT_EQ(std::string(buffer, 5), "late\n");
    writer.join();
    EXPECT_EQ(ReadInput(ends[0], buffer, sizeof buffer), 0);
    _close(ends[0]);
}

}  // namespace
