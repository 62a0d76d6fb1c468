#include "script.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "host_limits.h"
#include "temp_directory.h"

namespace {

std::string Read(const std::string& bytes) {
    std::FILE* file = std::tmpfile();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    std::string text;
    EXPECT_TRUE(ReadScript(file, text));
    std::fclose(file);
    return text;
}

TEST(ReadScriptTest, CrLfBecomesLfAndEveryOtherByteStays) {
    EXPECT_EQ(Read("a\r\nb\r\n"), "a\nb\n");
    EXPECT_EQ(Read("a\rb\r\r\n\n\r"), "a\rb\r\n\n\r");
    EXPECT_EQ(Read(std::string("x\0y\xff\x1a\r\n", 7)), std::string("x\0y\xff\x1a\n", 6));
    EXPECT_EQ(Read(""), "");
}

TEST(ReadScriptTest, PairsAcrossBlockBoundariesAreFound) {
    const std::string head(HostLimits::scriptBlockBytes - 1, 'a');
    EXPECT_EQ(Read(head + "\r\nz"), head + "\nz");
    EXPECT_EQ(Read(head + "\rz"), head + "\rz");
    EXPECT_EQ(Read(head + "\r"), head + "\r");
    EXPECT_EQ(Read(head + "b\r\n"), head + "b\n");
}

// A directory, which POSIX systems let a program open, cannot be read.
TEST(ReadScriptTest, ReadErrorsAreReported) {
    TTempDirectory directory;
    std::FILE* folder = std::fopen(directory.path.string().c_str(), "rb");
    if (!folder) GTEST_SKIP() << "a directory cannot be opened as a file here";
    std::string text;
    EXPECT_FALSE(ReadScript(folder, text));
    std::fclose(folder);
}

char* Arg(const std::string& text) {
    return const_cast<char*>(text.c_str());
}

TLoadResult Load(const std::string& name, std::string& text) {
    const std::string program = "quorin";
    char* argv[] = {Arg(program), Arg(name), nullptr};
    return LoadScript(2, argv, text);
}

TEST(LoadScriptTest, TheNameWithQrnAppendedIsTheFallback) {
    TTempDirectory directory;
    directory.Write("demo.qrn", "fallback\r\n");
    directory.Write("both", "exact");
    directory.Write("both.qrn", "not this");
    directory.Write("twice.qrn.qrn", "appended again");
    std::string text;
    EXPECT_EQ(Load(directory.Name("demo"), text), lrLoaded);
    EXPECT_EQ(text, "fallback\n");
    EXPECT_EQ(Load(directory.Name("both"), text), lrLoaded);
    EXPECT_EQ(text, "exact");
    EXPECT_EQ(Load(directory.Name("twice.qrn"), text), lrLoaded);
    EXPECT_EQ(text, "appended again");
}

TEST(LoadScriptTest, DirectoriesAndMissingFilesCannotBeOpened) {
    TTempDirectory directory;
    std::filesystem::create_directory(directory.Name("folder"));
    std::filesystem::create_directory(directory.Name("tool"));
    directory.Write("tool.qrn", "macro");
    std::string text;
    EXPECT_EQ(Load(directory.Name("missing"), text), lrCannotOpen);
    EXPECT_EQ(Load(directory.Name("folder"), text), lrCannotOpen);
    EXPECT_EQ(Load(directory.Name("tool"), text), lrLoaded);
    EXPECT_EQ(text, "macro");
}

// A bound passed by a byte is refused, from a file at once and from a device
// that never ends once the bound is read.
TEST(LoadScriptTest, TextsLongerThanTheBoundAreRefused) {
    TTempDirectory directory;
    directory.Write("fits.qrn", std::string(100, 'x'));
    directory.Write("long.qrn", std::string(101, 'x'));
    const std::string program = "quorin";
    auto load = [&](const std::string& name, std::size_t maxBytes, std::string& text) {
        char* argv[] = {Arg(program), Arg(name), nullptr};
        return LoadScript(2, argv, text, std::string(), nullptr, maxBytes);
    };
    std::string text;
    EXPECT_EQ(load(directory.Name("fits.qrn"), 100, text), lrLoaded);
    EXPECT_EQ(text.size(), 100u);
    EXPECT_EQ(load(directory.Name("long.qrn"), 100, text), lrTooLong);
    EXPECT_EQ(load("/dev/zero", 3 * HostLimits::scriptBlockBytes + 5, text), lrTooLong);
}

TLoadResult LoadDecoded(const std::string& encoding, const std::string& name, std::string& text) {
    const auto decoder = TSourceDecoder::Open(encoding);
    EXPECT_NE(decoder, nullptr) << encoding;
    if (!decoder) return lrCannotOpen;
    const std::string program = "quorin";
    char* argv[] = {Arg(program), Arg(name), nullptr};
    return LoadScript(2, argv, text, encoding);
}

TEST(SourceDecoderTest, UnknownNamesOpenNothing) {
    EXPECT_EQ(TSourceDecoder::Open("NO-SUCH-ENCODING"), nullptr);
}

TEST(SourceDecoderTest, FilesAreConvertedAndTheirCrLfPairsJoined) {
    TTempDirectory directory;
    directory.Write("utf8.qrn", "println(\"\xe3\x81\x82\");\r\n\rz\r\n");
    // "あ\r\n" in UTF-16, where the CR and LF bytes are not neighbours.
    directory.Write("utf16.qrn", std::string("\x42\x30\x0d\x00\x0a\x00", 6));
    std::string text;
    EXPECT_EQ(LoadDecoded("UTF-8", directory.Name("utf8"), text), lrLoaded);
    EXPECT_EQ(text, "println(\"\x82\xa0\");\n\rz\n");
    EXPECT_EQ(LoadDecoded("UTF-16LE", directory.Name("utf16.qrn"), text), lrLoaded);
    EXPECT_EQ(text, "\x82\xa0\n");
}

TEST(SourceDecoderTest, AByteOrderMarkIsDropped) {
    TTempDirectory directory;
    directory.Write("marked.qrn", "\xef\xbb\xbfx;\xef\xbb\xbf");
    directory.Write("marked16.qrn", std::string("\xff\xfex\x00", 4));
    std::string text;
    // Only at the very beginning is it a mark; elsewhere it is a character
    // that code page 932 lacks.
    EXPECT_EQ(LoadDecoded("UTF-8", directory.Name("marked.qrn"), text), lrNotConvertible);
    directory.Write("marked.qrn", "\xef\xbb\xbfx;");
    EXPECT_EQ(LoadDecoded("UTF-8", directory.Name("marked.qrn"), text), lrLoaded);
    EXPECT_EQ(text, "x;");
    EXPECT_EQ(LoadDecoded("UTF-16", directory.Name("marked16.qrn"), text), lrLoaded);
    EXPECT_EQ(text, "x");
}

TEST(SourceDecoderTest, FilesThatDoNotConvertAreRefused) {
    TTempDirectory directory;
    directory.Write("broken.qrn", "x = \"\xff\";");
    directory.Write("accent.qrn", "x = \"caf\xc3\xa9\";");
    directory.Write("cut.qrn", "x = \"\xe3\x81");
    std::string text = "stale";
    EXPECT_EQ(LoadDecoded("UTF-8", directory.Name("broken.qrn"), text), lrNotConvertible);
    EXPECT_EQ(text, "");
    EXPECT_EQ(LoadDecoded("UTF-8", directory.Name("accent.qrn"), text), lrNotConvertible);
    EXPECT_EQ(LoadDecoded("UTF-8", directory.Name("cut.qrn"), text), lrNotConvertible);
    EXPECT_EQ(LoadDecoded("UTF-8", directory.Name("missing.qrn"), text), lrCannotOpen);
}

}  // namespace

namespace {

TEST(DeclaredEncodingTest, TheFirstTwoLinesMayNameIt) {
    EXPECT_EQ(DeclaredEncoding("// coding: utf-8\nx;"), "utf-8");
    EXPECT_EQ(DeclaredEncoding("#!/usr/bin/env quorin\r\n# -*- coding: euc-jp -*-\n"), "euc-jp");
    EXPECT_EQ(DeclaredEncoding("  // vim: set fileencoding=cp932 :"), "cp932");
    EXPECT_EQ(DeclaredEncoding("\xef\xbb\xbfx;"), "UTF-8");
    // Not in a comment or a "#" line, too late, or without a name.
    EXPECT_EQ(DeclaredEncoding("x = \"coding: utf-8\";"), "");
    EXPECT_EQ(DeclaredEncoding("\n\n// coding: utf-8"), "");
    EXPECT_EQ(DeclaredEncoding("// coding:\n// coding utf-8\n"), "");
    EXPECT_EQ(DeclaredEncoding("// the coding rules\n// coding=latin-1 coding: x"), "latin-1");
}

TEST(LooksLikeUtf8Test, OnlyValidUtf8BeyondAscii) {
    EXPECT_TRUE(LooksLikeUtf8("println(\"\xe6\x97\xa5\");"));
    EXPECT_TRUE(LooksLikeUtf8("\xf0\x9f\x98\x80"));
    EXPECT_FALSE(LooksLikeUtf8("println(1);"));
    // Code page 932, a cut character, an overlong form and a surrogate.
    EXPECT_FALSE(LooksLikeUtf8("\x93\xfa\x96\x7b"));
    EXPECT_FALSE(LooksLikeUtf8("\xe6\x97"));
    EXPECT_FALSE(LooksLikeUtf8("\xc0\xaf"));
    EXPECT_FALSE(LooksLikeUtf8("\xed\xa0\x80"));
}

TEST(LoadScriptTest, TheFilesOwnWordComesBeforeTheFallback) {
    TTempDirectory directory;
    directory.Write("own.qrn", "// coding: utf-8\r\nx = \"\xe3\x81\x82\";");
    directory.Write("plain.qrn", "x = \"\xa4\xa2\";");
    directory.Write("unknown.qrn", "# coding: no-such-code\n");
    std::string text, used;
    char program[] = "quorin";
    std::string name = directory.Name("own.qrn");
    char* argv[] = {program, name.data(), nullptr};
    EXPECT_EQ(LoadScript(2, argv, text, "EUC-JP", &used), lrLoaded);
    EXPECT_EQ(text, "// coding: utf-8\nx = \"\x82\xa0\";");
    EXPECT_EQ(used, "utf-8");
    name = directory.Name("plain.qrn");
    argv[1] = name.data();
    EXPECT_EQ(LoadScript(2, argv, text, "EUC-JP", &used), lrLoaded);
    EXPECT_EQ(text, "x = \"\x82\xa0\";");
    EXPECT_EQ(used, "EUC-JP");
    EXPECT_EQ(LoadScript(2, argv, text, "", &used), lrLoaded);
    EXPECT_EQ(text, "x = \"\xa4\xa2\";");
    EXPECT_EQ(used, "");
    name = directory.Name("unknown.qrn");
    argv[1] = name.data();
    EXPECT_EQ(LoadScript(2, argv, text, "", &used), lrUnknownEncoding);
    EXPECT_EQ(used, "no-such-code");
}

}  // namespace
