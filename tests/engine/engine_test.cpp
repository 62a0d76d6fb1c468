// The engine's own rules: polling, stopping, variables and the rewriting of
// argument errors.
#include <gtest/gtest.h>

#include <thread>

#include "engine/quorin.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "support/capture_environment.h"

namespace {

using Quorin::RunMacro;
using Quorin::TExValue;

// A host function that writes into its first and third arguments, as an
// environment function may.
class TStoringEnvironment : public TCaptureEnvironment {
public:
    bool CallFunction(int userData, const std::string& name, std::vector<TExValue>& arguments,
                      TExValue& result) override {
        if (SameName(name, "store")) {
            CheckArguments(arguments, 3, 1);
            Quorin::TIntValue seven(7);
            arguments[0].Substitute(&seven);
            if (!arguments[2].IsEmpty()) arguments[2].Substitute(&seven);
            return true;
        }
        return TCaptureEnvironment::CallFunction(userData, name, arguments, result);
    }
};

std::string Output(const std::string& source) {
    TCaptureEnvironment environment;
    RunMacro(&environment, source, 0);
    return environment.output;
}

TEST(Engine, RunsAMacroEndToEnd) {
    EXPECT_EQ(Output("println(1 + 2);"), "3\n");
    EXPECT_EQ(Output("x = 5; X += 1; println(x);"), "6\n");
    EXPECT_EQ(Output("println(n); n = 4; println(N);"), "0\n4\n");
    EXPECT_EQ(Output("i = 0; while (i < 3) i++; println(i);"), "3\n");
}

// Engines with their own environments run side by side: each analysis builds
// in its own memory, and one-character strings are kept per thread.
TEST(Engine, SeparateEnginesRunOnSeparateThreads) {
    const std::string source =
        "s = \"\"; t = 0;"
        "for (i = 0; i < 3000; i++) { s cat= substr(\"abc\", i % 3, 1); t += i * 2; }"
        "println(len(s) cat \" \" cat t cat \" \" cat substr(s, 1000, 4));";
    const std::string expected = Output(source);
    ASSERT_EQ(expected, "3000 8997000 bcab\n");
    std::vector<std::string> outputs(4);
    std::vector<std::thread> threads;
    for (std::string& output : outputs)
        threads.emplace_back([&] {
            for (int round = 0; round < 5; ++round) output += Output(source);
        });
    for (std::thread& thread : threads) thread.join();
    for (const std::string& output : outputs)
        EXPECT_EQ(output, expected + expected + expected + expected + expected);
}

TEST(Engine, PollsEveryTenthSentenceAndStopsQuietly) {
    TCaptureEnvironment environment;
    EXPECT_TRUE(RunMacro(&environment, "1;2;3;4;5;6;7;8;9;", 0));
    EXPECT_EQ(environment.polls, 0);
    EXPECT_TRUE(RunMacro(&environment, "1;2;3;4;5;6;7;8;9;10;", 0));
    EXPECT_EQ(environment.polls, 1);

    // The 10th poll comes before the 10th sentence, which therefore never runs.
    TCaptureEnvironment stopping;
    stopping.stopAfterPolls = 1;
    EXPECT_FALSE(RunMacro(&stopping,
                          "print(1);print(2);print(3);print(4);print(5);"
                          "print(6);print(7);print(8);print(9);print(10);",
                          0));
    EXPECT_EQ(stopping.output, "123456789");

    TCaptureEnvironment endless;
    endless.stopAfterPolls = 1000;
    EXPECT_FALSE(RunMacro(&endless, "L: x++; goto L;", 0));
    EXPECT_EQ(endless.polls, 1000);

    TCaptureEnvironment never;
    never.pollInterval = 0;
    never.stopAfterPolls = 0;
    EXPECT_TRUE(RunMacro(&never, "1;2;3;4;5;6;7;8;9;10;11;", 0));
    EXPECT_EQ(never.polls, 0);
}

TEST(Engine, PollIntervalsCountFromTheStartOfEachRun) {
    // 12 sentences, the while once and its body on each of 5 passes.
    const char* macro = "1;2;3;4;5;6;7;8;9;10;11; i = 0; while (i < 5) i++;";
    const int calls = 12 + 1 + 5;
    for (int interval : {1, 3, 7, -1, -5}) {
        TCaptureEnvironment environment;
        environment.pollInterval = interval;
        Quorin::TQuorin engine(&environment, macro, 0);
        engine.Run();
        engine.Run();  // counting starts afresh
        const int perRun = interval > 0 ? calls / interval : calls;
        EXPECT_EQ(environment.polls, 2 * perRun) << interval;
    }
}

// Every sentence that begins polls once, however many begin at one place and
// however control gets there; a goto also polls for each block or formula it
// enters on its way to the label, counted from the list that holds the label.
TEST(Engine, PollsOncePerSentenceBegun) {
    const struct {
        std::string macro;
        int polls;
    } cases[] = {
        // empty sentences: no instruction of their own to count them
        {std::string(1000, ';') + "x;", 1001},
        // the do once, its body on each of 5 passes
        {"i = 0; do i++; while (i < 5);", 7},
        // an empty sentence just before a label, passed once
        {"i = 0; ; L: i++; if (i < 3) goto L;", 2 + 3 * 2 + 2},
        // from the top into two blocks
        {"goto In; { { In: x++; } }", 1 + 2 + 1},
        // within a block: 5 passes of x++ and the if, 4 gotos entering nothing
        {"x = 0; { L: x++; if (x < 5) goto L; }", 2 + 5 * 2 + 4},
        // from a loop's body into an if and its block: 2 per goto
        {"for (i = 0; i < 2; i++) { goto In; if (0) { In: ; } }", 1 + 2 * (1 + 1 + 2 + 1)},
    };
    for (const auto& test : cases) {
        TCaptureEnvironment environment;
        environment.pollInterval = 1;
        EXPECT_TRUE(RunMacro(&environment, test.macro, 0));
        EXPECT_EQ(environment.polls, test.polls) << test.macro;
    }
}

TEST(Engine, RenamesArgumentErrorsAfterTheFunction) {
    TStoringEnvironment environment;
    try {
        RunMacro(&environment, "PRINT(1, 2);", 0);
        FAIL();
    } catch (const Quorin::EArgumentsMismatch& error) {
        EXPECT_EQ(error.message,
                  Quorin::RuntimeMessage(Quorin::Messages::ArgumentsMismatch("PRINT")));
    }
    try {
        RunMacro(&environment, "store(1);", 0);
        FAIL();
    } catch (const Quorin::ELValueArgumentRequired& error) {
        EXPECT_EQ(error.message,
                  Quorin::RuntimeMessage(Quorin::Messages::LValueArgumentRequired("store", 0)));
    }
    try {
        RunMacro(&environment, "a = 0; store(a, 0, 3); ", 0);
        FAIL();
    } catch (const Quorin::ELValueArgumentRequired& error) {
        EXPECT_EQ(error.message,
                  Quorin::RuntimeMessage(Quorin::Messages::LValueArgumentRequired("store", 2)));
    }
    EXPECT_TRUE(RunMacro(&environment, "a = 0; b = 0; store(a, 0, b); println(a cat b);", 0));
    EXPECT_EQ(environment.output, "77\n");
    // An assignment that fails outside the arguments stays what it is.
    EXPECT_THROW(RunMacro(&environment, "true = 1;", 0), Quorin::ESubstituteToRValue);
}

TEST(Engine, FindsVariablesAcrossLetterCaseBeforeConstants) {
    TCaptureEnvironment environment;
    Quorin::TQuorin engine(&environment, "x;", 0);
    EXPECT_EQ(engine.FindVariable("Counter"), nullptr);
    Quorin::TVariable* counter = engine.CreateVariable("Counter");
    EXPECT_EQ(engine.FindVariable("COUNTER"), counter);
    EXPECT_EQ(engine.FindVariable("counter"), counter);
    Quorin::TLRValue* yes = engine.FindVariable("TRUE");
    ASSERT_NE(yes, nullptr);
    EXPECT_TRUE(yes->IsRightValue());
    EXPECT_EQ(TExValue(yes).ToInt(), 1);

    environment.caseSensitive = true;
    Quorin::TQuorin strict(&environment, "x;", 0);
    strict.CreateVariable("a");
    EXPECT_EQ(strict.FindVariable("A"), nullptr);
}

TEST(Engine, ReportsSyntaxErrorsAndRunsATreeAgainFromAClearSlate) {
    TCaptureEnvironment environment;
    EXPECT_THROW(RunMacro(&environment, "x = ;", 0), Quorin::EQuorinSyntaxError);
    Quorin::TQuorin engine(&environment, "x++; println(x);", 0);
    EXPECT_TRUE(engine.Run());
    EXPECT_TRUE(engine.Run());
    EXPECT_EQ(environment.output, "1\n1\n");
}

// A syntax error points at the word where the analysis got farthest, in the
// text as given (comments and joined lines included).
TEST(Engine, SyntaxErrorsSayWhereTheAnalysisStopped) {
    TCaptureEnvironment environment;
    struct {
        std::string source;
        int line;
        std::string word;
    } cases[] = {
        {"x = 1;\n/* a\ncomment */ y = (2 + ;\nz;", 3, ";"},
        {"x = 1;\ny = 2 3;", 2, "3"},
        {"{ x = 1;\n", 1, ""},  // the end of the text, just after the last word
        {"println(\"a);\nx;", 1, "\"a);\nx;"},
    };
    for (const auto& test : cases) {
        try {
            RunMacro(&environment, test.source, 0);
            ADD_FAILURE() << test.source;
        } catch (const Quorin::EQuorinSyntaxError& error) {
            EXPECT_EQ(error.place.line, test.line) << test.source;
            EXPECT_EQ(test.source.substr(error.place.offset, error.place.length), test.word)
                << test.source;
        }
    }
}

TEST(Engine, NestingBeyondTheLimitIsAnOrdinaryError) {
    TCaptureEnvironment environment;
    try {
        RunMacro(&environment, std::string(300000, '(') + "1" + std::string(300000, ')') + ";", 0);
        FAIL();
    } catch (const Quorin::EQuorinSyntaxError& error) {
        EXPECT_EQ(error.message, Quorin::Messages::nestingTooDeep);
    }
}

}  // namespace

namespace {

// An environment that redefines "+" on ints: the syntax tree must not compute
// it by itself once CallOperator is overridden.
class TRedefiningEnvironment : public TCaptureEnvironment {
public:
    void CallOperator(int userData, const std::string& name, int form,
                      std::vector<TExValue>& operands, TExValue& result) override {
        if (form == ofBinary && name == "+") {
            result = TExValue(operands[0].ToInt() * 100 + operands[1].ToInt());
            return;
        }
        TCaptureEnvironment::CallOperator(userData, name, form, operands, result);
    }
};

TEST(Engine, ComputesStockOperatorsItselfOnlyWhenCallOperatorIsTheStockOne) {
    TCaptureEnvironment stock;
    TRedefiningEnvironment redefining;
    EXPECT_TRUE(stock.HasStockOperators());
    EXPECT_FALSE(redefining.HasStockOperators());

    const char* macro = "a = 1; b = 2; println(a + b); println(a - b); i = 5; i++; println(i);";
    RunMacro(&stock, macro, 0);
    RunMacro(&redefining, macro, 0);
    EXPECT_EQ(stock.output, "3\n-1\n6\n");
    EXPECT_EQ(redefining.output, "102\n-1\n6\n");
}

}  // namespace
