#include "error_frame.h"

#include <gtest/gtest.h>

#include <string>

#include "errors/messages.h"

namespace {

namespace Messages = Quorin::Messages;

TErrorPlace Place(int line, std::size_t offset, std::size_t length) {
    TErrorPlace place;
    place.line = line;
    place.offset = offset;
    place.length = length;
    return place;
}

// The lines between the message and the closing "*".
std::string PlaceLines(const std::string& text, const TErrorPlace& place) {
    const std::string frame = ErrorFrame("M", place, text, true, false);
    const std::string head = "\n*\nM";
    EXPECT_EQ(frame.substr(0, head.size()), head);
    return frame.substr(head.size(), frame.size() - head.size() - 3);
}

TEST(ErrorFrameTest, WithoutAPlaceTheFrameIsAsItAlwaysWas) {
    const std::string frame = "\n*\n" + Messages::syntaxError + "\n*\n";
    EXPECT_EQ(ErrorFrame(Messages::syntaxError, TErrorPlace(), "x", true, false), frame);
    EXPECT_EQ(ErrorFrame(Messages::syntaxError, Place(1, 0, 1), "x", false, false), frame);
    // A place beyond the text shows nothing rather than a wrong line.
    EXPECT_EQ(ErrorFrame(Messages::syntaxError, Place(3, 0, 1), "x\n", true, false), frame);
}

// The place lines as they should read: the labelled line, and the marks
// indented by the label's width.
std::string Shown(int line, const std::string& text, const std::string& marks) {
    const std::string label = Messages::ErrorLine(line);
    return std::string("\n").append(label).append(text).append("\n").append(
        std::string(label.size(), ' ').append(marks));
}

TEST(ErrorFrameTest, TheWordIsMarkedUnderItsLine) {
    const std::string text = "a = 1;\n   b = (2 + ;\nc;\n";
    EXPECT_EQ(PlaceLines(text, Place(2, 19, 1)), Shown(2, "b = (2 + ;", "         ^"));
    // A word of several bytes; a point, such as the end of the text, gets one mark.
    EXPECT_EQ(PlaceLines("x = abc + ;", Place(1, 4, 3)), Shown(1, "x = abc + ;", "    ^^^"));
    EXPECT_EQ(PlaceLines("if (1) {\n  x;", Place(2, 13, 0)), Shown(2, "x;", "  ^"));
}

// A runtime error's message has two lines; the place follows them.
TEST(ErrorFrameTest, ARuntimeErrorShowsTheLineOfItsSentence) {
    const std::string message = Messages::runtimeErrorPrefix + Messages::FunctionNotExist("foo");
    const std::string text = "println(1);\n\tfoo(2);\n";
    const std::string label = Messages::ErrorLine(2);
    EXPECT_EQ(ErrorFrame(message, Place(2, 13, 3), text, true, false),
              "\n*\n" + message + "\n" + label + "foo(2);\n" + std::string(label.size(), ' ') +
                  "^^^\n*\n");
    // Only the line known: shown without a mark.
    EXPECT_EQ(ErrorFrame(message, Place(2, 0, 0), text, true, false),
              "\n*\n" + message + "\n" + label + "foo(2);\n*\n");
}

// Double-byte characters take two columns, as their two bytes do; a tab stays
// a tab so that it moves the mark as far as the text; other control bytes
// show as blanks. A literal left open is marked to the end of its line.
TEST(ErrorFrameTest, TheMarkLinesUpWithWideCharactersAndTabs) {
    const std::string text = "s = \"\x93\xfa\x96\x7b\";\tt = \"\xb1\r\n";
    EXPECT_EQ(PlaceLines(text, Place(1, 16, 10)),
              Shown(1, "s = \"\x93\xfa\x96\x7b\";\tt = \"\xb1 ", "           \t    ^^^"));
}

TEST(ErrorFrameTest, ALongLineIsCutAroundThePlaceBetweenCharacters) {
    std::string line;
    for (int i = 0; i < 40; ++i) line += "\x82\xa0";  // 80 bytes of "あ"
    line += " + ;";
    for (int i = 0; i < 40; ++i) line += "\x82\xa2";
    const std::string shown = PlaceLines(line, Place(1, 83, 1));
    const std::string label = Messages::ErrorLine(1);
    const std::size_t feed = shown.find('\n', 1);
    const std::string first = shown.substr(1, feed - 1);
    const std::string marks = shown.substr(feed + 1);
    EXPECT_EQ(first.substr(0, label.size() + 3), label + "...");
    EXPECT_EQ(first.substr(first.size() - 3), "...");
    // Whole characters only, and the mark still under the ";".
    const std::string body = first.substr(label.size() + 3, first.size() - label.size() - 6);
    EXPECT_EQ(body.size() % 2, 0u);
    EXPECT_EQ(body.substr(0, 2), "\x82\xa0");
    EXPECT_EQ(first[marks.size() - 1], ';');
    EXPECT_EQ(marks.back(), '^');
}

TEST(ErrorFrameTest, TheHintComesLast) {
    EXPECT_EQ(ErrorFrame("M", TErrorPlace(), "x", false, true),
              "\n*\nM\n" + Messages::utf8SourceHint + "\n*\n");
}

}  // namespace
