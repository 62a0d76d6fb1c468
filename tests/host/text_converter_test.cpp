#include "text_converter.h"

#include <gtest/gtest.h>

#include <string>

#include "host_limits.h"

namespace {

// "あ" in code page 932 and in UTF-8.
const std::string aCp932 = "\x82\xa0";
const std::string aUtf8 = "\xe3\x81\x82";

class TextConverterTest : public ::testing::Test {
protected:
    void SetUp() override {
        toUtf8 = TTextConverter::Open("UTF-8", internalEncoding);
        fromUtf8 = TTextConverter::Open(internalEncoding, "UTF-8");
        ASSERT_TRUE(toUtf8 && fromUtf8) << "iconv lacks code page 932";
    }

    // Converts the pieces one call each and finishes the stream.
    static std::string Stream(TTextConverter& converter,
                              std::initializer_list<std::string> pieces) {
        std::string result;
        for (const std::string& piece : pieces) converter.Convert(piece, result);
        converter.Finish(result);
        return result;
    }

    std::unique_ptr<TTextConverter> toUtf8;
    std::unique_ptr<TTextConverter> fromUtf8;
};

TEST_F(TextConverterTest, UnknownNamesOpenNothing) {
    EXPECT_EQ(TTextConverter::Open("NO-SUCH-ENCODING", internalEncoding), nullptr);
    EXPECT_EQ(TTextConverter::Open(internalEncoding, "NO-SUCH-ENCODING"), nullptr);
}

TEST_F(TextConverterTest, CharactersConvertBothWays) {
    // Backslash and tilde stay themselves; the half-width katakana ｱ is one byte.
    const std::string cp932 = "a\\~" + aCp932 + "\xb1\x81\x60";
    const std::string utf8 = "a\\~" + aUtf8 + "\xef\xbd\xb1\xef\xbd\x9e";
    EXPECT_EQ(Stream(*toUtf8, {cp932}), utf8);
    EXPECT_EQ(Stream(*fromUtf8, {utf8}), cp932);
}

TEST_F(TextConverterTest, ACharacterCutBetweenCallsIsCompleted) {
    std::string result;
    toUtf8->Convert("x\x82", result);
    EXPECT_EQ(result, "x");
    toUtf8->Convert("", result);
    EXPECT_EQ(result, "x");
    toUtf8->Convert("\xa0y", result);
    EXPECT_EQ(result, "x" + aUtf8 + "y");

    EXPECT_EQ(Stream(*fromUtf8, {"\xe3", "\x81", "\x82!"}), aCp932 + "!");
}

TEST_F(TextConverterTest, BytesThatDoNotConvertPassUnchanged) {
    // Bytes that are no character, a lead byte before a byte that cannot
    // follow it, and an unassigned double-byte code (its second byte is '@').
    EXPECT_EQ(Stream(*toUtf8, {"\x80\xa0\xfd\xff"}), "\x80\xa0\xfd\xff");
    EXPECT_EQ(Stream(*toUtf8, {"\x82 " + aCp932}), "\x82 " + aUtf8);
    EXPECT_EQ(Stream(*toUtf8, {"\x85\x40"}), "\x85@");
    // A lead byte waiting for its second byte meets a line feed instead.
    EXPECT_EQ(Stream(*toUtf8, {"\x82", "\n"}), "\x82\n");

    // Broken UTF-8, and characters that code page 932 lacks (é, an emoji).
    EXPECT_EQ(Stream(*fromUtf8, {"\xff\x81" + aUtf8}), "\xff\x81" + aCp932);
    EXPECT_EQ(Stream(*fromUtf8, {"caf\xc3\xa9"}), "caf\xc3\xa9");
    EXPECT_EQ(Stream(*fromUtf8, {"\xf0\x9f\x98\x80" + aUtf8}), "\xf0\x9f\x98\x80" + aCp932);
}

TEST_F(TextConverterTest, WhatIsHeldBackIsReleasedUnchanged) {
    std::string result;
    fromUtf8->Convert("a\xe3\x81", result);
    fromUtf8->Release(result);
    EXPECT_EQ(result, "a\xe3\x81");
    // Nothing of it is left to be joined with the next piece.
    result.clear();
    fromUtf8->Convert("\x82", result);
    fromUtf8->Release(result);
    EXPECT_EQ(result, "\x82");

    EXPECT_EQ(Stream(*toUtf8, {aCp932 + "\x82"}), aUtf8 + "\x82");
}

TEST_F(TextConverterTest, TextLargerThanOneBlockConvertsWhole) {
    std::string cp932;
    std::string utf8;
    for (std::size_t i = 0; i < HostLimits::conversionBlockBytes; ++i) {
        cp932 += aCp932;
        utf8 += aUtf8;
    }
    EXPECT_EQ(Stream(*toUtf8, {cp932}), utf8);
}

TEST_F(TextConverterTest, FinishReturnsAStatefulEncodingToItsInitialState) {
    auto toJis = TTextConverter::Open("ISO-2022-JP", internalEncoding);
    if (!toJis) GTEST_SKIP() << "no stateful encoding here";
    std::string result;
    toJis->Convert(aCp932, result);
    EXPECT_EQ(result, "\x1b$B$\"");
    toJis->Finish(result);
    EXPECT_EQ(result, "\x1b$B$\"\x1b(B");
}

TEST_F(TextConverterTest, StrictConversionRefusesAnythingThatDoesNotConvert) {
    std::string result;
    EXPECT_TRUE(fromUtf8->ConvertStrictly("x = \"" + aUtf8 + "\";", result));
    EXPECT_EQ(result, "x = \"" + aCp932 + "\";");
    EXPECT_FALSE(fromUtf8->ConvertStrictly("\xff", result));
    EXPECT_FALSE(fromUtf8->ConvertStrictly("caf\xc3\xa9", result));
    EXPECT_FALSE(fromUtf8->ConvertStrictly("ends inside \xe3\x81", result));
}

TEST_F(TextConverterTest, StrictConversionIgnoresWhatAStreamHeldBack) {
    std::string ignored;
    fromUtf8->Convert("\xe3\x81", ignored);
    std::string result;
    EXPECT_TRUE(fromUtf8->ConvertStrictly("ok", result));
    EXPECT_EQ(result, "ok");
}

}  // namespace
