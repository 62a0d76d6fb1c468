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

TEST(ReadScriptTest, ReadErrorsAreReported) {
    TTempDirectory directory;
    std::FILE* folder = std::fopen(directory.path.c_str(), "rb");
    ASSERT_NE(folder, nullptr);
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

}  // namespace
