#include "macro_test.h"

#include <gtest/gtest.h>

#include "encoding.h"

namespace MacroRunner {
namespace {

// Code page 932 bytes of the texts used below.
const std::string kA = "\x82\xa0";                                           // あ
const std::string kKonnichiwa = "\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd";  // こんにちは
const std::string kSyntaxError =
    "\x83\x7d\x83\x4e\x83\x8d\x82\xc9\x95\xb6\x96\x40\x93\x49\x83\x47\x83\x89\x81\x5b\x82\xaa"
    "\x82\xa0\x82\xe8\x82\xdc\x82\xb7\x81\x42";  // マクロに文法的エラーがあります。

int ErrorLine(const std::string& text) {
    try {
        ParseMacroTest(text, "t.qrn");
    } catch (const EMacroTestError& error) {
        return error.line;
    }
    ADD_FAILURE() << "no error for:\n" << text;
    return -1;
}

TEST(MacroTestFraming, WrapsOutputAndErrorsLikeTheInterpreter) {
    const TMacroTest test = ParseMacroTest(
        "print(\"x\");\n"
        "//@ out: one\n"
        "//@ err: warning\n"
        "//@ out-raw: two\n"
        "//@ error: マクロに文法的エラーがあります。\n",
        "t.qrn");
    EXPECT_EQ(test.expectedOutput, "\none\ntwo");
    EXPECT_EQ(test.expectedErrors, "warning\n\n*\n" + kSyntaxError + "\n*\n\n" + ClosingPrompt());
    EXPECT_EQ(test.expectedStatus, 0);
}

TEST(MacroTestFraming, JoinsSeveralErrorLinesInOneFrame) {
    const TMacroTest test = ParseMacroTest("//@ error: a\n//@ error:\n//@ error: b\n", "t.qrn");
    EXPECT_EQ(test.expectedErrors, "\n*\na\n\nb\n*\n\n" + ClosingPrompt());
}

TEST(MacroTestFraming, IsLeftOutForAFailingStatusOrWhenPlain) {
    const TMacroTest failing = ParseMacroTest("//@ status: 1\n//@ err: no file\n", "t.qrn");
    EXPECT_EQ(failing.expectedOutput, "");
    EXPECT_EQ(failing.expectedErrors, "no file\n");
    EXPECT_EQ(failing.expectedStatus, 1);

    const TMacroTest plain = ParseMacroTest("//@ plain\n//@ out: x\n//@ error: e\n", "t.qrn");
    EXPECT_EQ(plain.expectedOutput, "x\n");
    EXPECT_EQ(plain.expectedErrors, "\n*\ne\n*\n");
}

TEST(MacroTestValues, KeepEverythingAfterTheOneSpaceAfterTheColon) {
    const TMacroTest test = ParseMacroTest(
        "//@ plain\n//@ out: a  \n//@ out:  b\n//@ out:c\n   //@   out: d\n", "t.qrn");
    EXPECT_EQ(test.expectedOutput, "a  \n b\nc\nd\n");
}

TEST(MacroTestValues, AreConvertedToCodePage932) {
    const TMacroTest test =
        ParseMacroTest("//@ plain\n//@ stdin: あ\n//@ out: こんにちは\n//@ err: あ\n", "t.qrn");
    EXPECT_EQ(test.input, kA + "\n");
    EXPECT_EQ(test.expectedOutput, kKonnichiwa + "\n");
    EXPECT_EQ(test.expectedErrors, kA + "\n");
}

TEST(MacroTestValues, RawEscapesGiveBytesThatAreNotConverted) {
    EXPECT_EQ(DecodeRawValue(R"(a\tb\r\n\\)"), "a\tb\r\n\\");
    EXPECT_EQ(DecodeRawValue(R"(あ\x82\xA0あ)"), kA + kA + kA);
    EXPECT_EQ(DecodeRawValue(R"(\xe3\x81\x82)"), "\xe3\x81\x82");
    EXPECT_EQ(DecodeRawValue(R"(\x00)"), std::string(1, '\0'));
    EXPECT_EQ(DecodeRawValue(""), "");

    const TMacroTest test = ParseMacroTest("//@ stdin-raw: 1\\n2\n//@ stdin: 3\n", "t.qrn");
    EXPECT_EQ(test.input, "1\n23\n");
}

TEST(MacroTestValues, MalformedEscapesAreRejected) {
    for (const char* value : {R"(\)", R"(a\q)", R"(\x4)", R"(\xg0)", R"(\u0041)"}) {
        EXPECT_THROW(DecodeRawValue(value), EMacroTestError) << value;
    }
    EXPECT_EQ(ErrorLine("\n//@ out-raw: \\z\n"), 2);
}

TEST(MacroTestRun, DefaultsToTheFileNameAsTheOnlyArgument) {
    const TMacroTest test = ParseMacroTest("println(1);\n", "sum.qrn");
    EXPECT_EQ(test.fileName, "sum.qrn");
    EXPECT_EQ(test.Arguments(), std::vector<std::string>{"sum.qrn"});
    EXPECT_EQ(test.timeoutSeconds, 60);
    EXPECT_TRUE(test.environment.empty());
}

TEST(MacroTestRun, TakesArgumentsFileNamesEnvironmentAndTimeout) {
    const TMacroTest test = ParseMacroTest(
        "//@ file: demo.qrn.qrn\n"
        "//@ extra-file: other\n"
        "//@ args:  demo.qrn   あ \n"
        "//@ env: A=x=y\n"
        "//@ env: B=\n"
        "//@ timeout: 5\n",
        "t.qrn");
    EXPECT_EQ(test.fileName, "demo.qrn.qrn");
    EXPECT_EQ(test.extraFileNames, std::vector<std::string>{"other"});
    EXPECT_EQ(test.Arguments(), (std::vector<std::string>{"demo.qrn", kA}));
    ASSERT_EQ(test.environment.size(), 2u);
    EXPECT_EQ(test.environment[0], (std::pair<std::string, std::string>{"A", "x=y"}));
    EXPECT_EQ(test.environment[1], (std::pair<std::string, std::string>{"B", ""}));
    EXPECT_EQ(test.timeoutSeconds, 5);

    const TMacroTest noArguments = ParseMacroTest("//@ args:\n", "t.qrn");
    EXPECT_TRUE(noArguments.Arguments().empty());
}

TEST(MacroTestRun, SourceIsConvertedUnlessRaw) {
    const std::string text = "println(\"あ\");\n//@ out: あ\n";
    EXPECT_EQ(ParseMacroTest(text, "t.qrn").source,
              "println(\"" + kA + "\");\n//@ out: " + kA + "\n");
    const std::string raw = "//@ source-raw\nprintln(\"\xff\");\n";
    EXPECT_EQ(ParseMacroTest(raw, "t.qrn").source, raw);
}

TEST(MacroTestRun, ToleratesCrLfLineEnds) {
    const TMacroTest test = ParseMacroTest("//@ out: a \r\n//@ status: 3\r\n", "t.qrn");
    EXPECT_EQ(test.expectedOutput, "a \n");
    EXPECT_EQ(test.expectedStatus, 3);
}

TEST(MacroTestRun, MayGiveAReasonNotToRunOnWindows) {
    EXPECT_FALSE(ParseMacroTest("println(1);\n", "t.qrn").windowsSkip);
    const TMacroTest test = ParseMacroTest("x;\n//@ windows: skip  no /dev/full there \n", "t.qrn");
    EXPECT_EQ(test.windowsSkip, "no /dev/full there ");
    EXPECT_EQ(ErrorLine("//@ windows: skip\n"), 1);  // no reason
    EXPECT_EQ(ErrorLine("//@ windows: run\n"), 1);
    EXPECT_EQ(ErrorLine("//@ windows: skip a\n//@ windows: skip b\n"), 2);
}

TEST(MacroTestErrors, NameTheLineOfTheMistake) {
    EXPECT_EQ(ErrorLine("x;\n//@ ouput: 1\n"), 2);  // unknown key
    EXPECT_EQ(ErrorLine("//@ OUT: 1\n"), 1);        // keys are lower case
    EXPECT_EQ(ErrorLine("//@ out\n"), 1);           // missing colon
    EXPECT_EQ(ErrorLine("//@\n"), 1);               // no key at all
    EXPECT_EQ(ErrorLine("//@ plain: yes\n"), 1);    // a flag takes no value
    EXPECT_EQ(ErrorLine("//@ status: 0\n//@ status: 1\n"), 2);
    EXPECT_EQ(ErrorLine("//@ status: -1\n"), 1);
    EXPECT_EQ(ErrorLine("//@ status: 1x\n"), 1);
    EXPECT_EQ(ErrorLine("//@ timeout: 0\n"), 1);
    EXPECT_EQ(ErrorLine("//@ env: =x\n"), 1);
    EXPECT_EQ(ErrorLine("//@ env: X\n"), 1);
    EXPECT_EQ(ErrorLine("//@ file: ../x.qrn\n"), 1);
    EXPECT_EQ(ErrorLine("//@ extra-file: ..\n"), 1);
    EXPECT_EQ(ErrorLine("//@ out: \xff\n"), 1);        // not UTF-8
    EXPECT_EQ(ErrorLine("//@ out: \U0001F600\n"), 1);  // no code page 932 equivalent
    EXPECT_EQ(ErrorLine("x;\ny(\"\u00e9\");\n"), 2);   // same, in the macro itself
    EXPECT_EQ(ErrorLine("//@ file: a.qrn\n//@ extra-file: a.qrn\n"), 0);
}

TEST(MacroTestErrors, RejectExpectationLinesThatWouldSwallowTheNextLine) {
    EXPECT_EQ(ErrorLine("//@ out: C:\\\nprintln(1);\n"), 1);
    EXPECT_EQ(ErrorLine("x;\n//@ out: a\\\r\nprintln(1);\n"), 2);
    // The second byte of 表 is a backslash in code page 932.
    EXPECT_EQ(ErrorLine("//@ out: 表\nprintln(1);\n"), 1);
    // An escaped backslash does not continue the line, and neither does the last line.
    EXPECT_NO_THROW(ParseMacroTest("//@ out-raw: \\\\\\\\\nx;\n", "t.qrn"));
    EXPECT_NO_THROW(ParseMacroTest("x;\n//@ out: \\", "t.qrn"));
}

TEST(MacroTestWithSource, RunsTheMacroFileAsItIs) {
    // Code page 932 bytes and a line that only looks like an expectation: the macro
    // is neither converted nor searched for expectations.
    const std::string source = "println(\"" + kA + "\");\n//@ out: ignored\n";
    const TMacroTest test = ParseMacroTestWithSource(
        "// Expectations of a.qrn.\n//@ stdin: あ\n//@ out: あ\n", source, "a.qrn");
    EXPECT_EQ(test.source, source);
    EXPECT_EQ(test.fileName, "a.qrn");
    EXPECT_EQ(test.Arguments(), std::vector<std::string>{"a.qrn"});
    EXPECT_EQ(test.input, kA + "\n");
    EXPECT_EQ(test.expectedOutput, "\n" + kA + "\n");
    EXPECT_EQ(test.expectedErrors, "\n" + ClosingPrompt());
}

TEST(MacroTestWithSource, KeepsEveryOtherKey) {
    const TMacroTest test = ParseMacroTestWithSource(
        "//@ file: b.qrn\n//@ args: b\n//@ status: 2\n//@ err: e\n", "x;\n", "a.qrn");
    EXPECT_EQ(test.fileName, "b.qrn");
    EXPECT_EQ(test.Arguments(), std::vector<std::string>{"b"});
    EXPECT_EQ(test.expectedStatus, 2);
    EXPECT_EQ(test.expectedOutput, "");
    EXPECT_EQ(test.expectedErrors, "e\n");
}

TEST(MacroTestWithSource, RejectsMistakesInTheExpectations) {
    auto errorLine = [](const std::string& expectations) {
        try {
            ParseMacroTestWithSource(expectations, "x;\n", "a.qrn");
        } catch (const EMacroTestError& error) {
            return error.line;
        }
        ADD_FAILURE() << "no error for:\n" << expectations;
        return -1;
    };
    EXPECT_EQ(errorLine("\n//@ ouput: 1\n"), 2);
    EXPECT_EQ(errorLine("//@ source-raw\n"), 0);
    // A trailing backslash is harmless here: the expectations never reach the interpreter.
    EXPECT_NO_THROW(ParseMacroTestWithSource("//@ out: 表\n", "x;\n", "a.qrn"));
}

TEST(MacroTestTerminal, ScreenAndStepsAreInTheTerminalsEncoding) {
    const TMacroTest test = ParseMacroTest(
        "//@ tty: stdin  stderr\n"
        "//@ locale: ja_JP.eucJP\n"
        "//@ out: a\n"
        "//@ wait: あ\n"
        "//@ wait-out: あ\n"
        "//@ send: \\x03\n"
        "//@ wait-mode: key\n"
        "//@ fg\n"
        "//@ screen: あ\n"
        "//@ screen-raw: \\x1a\n",
        "t.qrn");
    EXPECT_TRUE(test.terminal.input && test.terminal.errors && !test.terminal.output);
    EXPECT_EQ(test.terminalEncoding, "eucJP");
    EXPECT_EQ(test.expectedScreen, "\xa4\xa2\n\x1a");
    // The captured output keeps its framing; the terminal's stream has none.
    EXPECT_EQ(test.expectedOutput, "\na\n");
    EXPECT_EQ(test.expectedErrors, "");
    ASSERT_EQ(test.events.size(), 5u);
    EXPECT_EQ(test.events[0].bytes, "\xa4\xa2");
    EXPECT_EQ(test.events[1].bytes, kA);
    EXPECT_EQ(test.events[2].bytes, "\x03");
    EXPECT_TRUE(test.events[3].keyMode);
    EXPECT_EQ(test.events[4].kind, TTerminalEvent::TKind::resume);
    EXPECT_EQ(test.events[4].description, "line 8: fg");
    EXPECT_EQ(TerminalEncoding(std::nullopt), "CP932");
    EXPECT_EQ(TerminalEncoding("C.UTF-8@x"), "UTF-8");
}

TEST(MacroTestTerminal, RefusesWhatATerminalSessionCannotHave) {
    EXPECT_EQ(ErrorLine("//@ tty: stdout\n//@ out: x\n"), 2);
    EXPECT_EQ(ErrorLine("//@ error: x\n//@ tty: stderr\n"), 1);
    EXPECT_EQ(ErrorLine("//@ stdin: x\n//@ tty: stdin\n"), 1);
    EXPECT_EQ(ErrorLine("//@ screen: x\n"), 1);
    EXPECT_EQ(ErrorLine("//@ send: a\n"), 1);
    EXPECT_EQ(ErrorLine("//@ tty: stdin\n//@ send:\n"), 2);
    EXPECT_EQ(ErrorLine("//@ tty: keyboard\n"), 1);
    EXPECT_EQ(ErrorLine("//@ tty: stdin\n//@ wait-mode: raw\n"), 2);
}

TEST(Cp932Display, ShowsCharactersAndEscapesTheRest) {
    EXPECT_EQ(Cp932ToDisplay(kKonnichiwa + " x"), "こんにちは x");
    EXPECT_EQ(Cp932ToDisplay("a\tb\\\r\x01"), "a\\tb\\\\\\r\\x01");
    EXPECT_EQ(Cp932ToDisplay("\x82"), "\\x82");  // a lead byte without its trail
    EXPECT_EQ(Cp932ToDisplay("\xa0" + kA), "\\xA0あ");
}

}  // namespace
}  // namespace MacroRunner
