// Deep nesting of every kind analyses, runs and is destroyed without exhausting
// the stack; nesting beyond the limit is reported, never a crash.
#include <gtest/gtest.h>

#include <pthread.h>

#include <functional>

#include "analysis/code_analysis.h"
#include "engine/quorin.h"
#include "items/analyzed_macro.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "quorin_limits.h"
#include "support/capture_environment.h"

namespace {

std::string Repeat(const std::string& text, int times) {
    std::string out;
    out.reserve(text.size() * times);
    for (int i = 0; i < times; ++i) out += text;
    return out;
}

struct TNesting {
    const char* kind;
    std::function<std::string(int)> make;  // a macro nested `levels` deep
    const char* output;
};

const TNesting nestings[] = {
    {"brackets", [](int n) { return "println(" + Repeat("(", n) + "7" + Repeat(")", n) + ");"; },
     "7\n"},
    {"prefix operators", [](int n) { return "println(" + Repeat("- ", n) + "7);"; },
     nullptr},  // the sign depends on the parity; checked separately
    {"blocks", [](int n) { return Repeat("{", n) + "println(7);" + Repeat("}", n); }, "7\n"},
    {"if chains",
     [](int n) {
         return "x = " + std::to_string(n - 1) + ";" +
                Repeat("if (x == 0) println(0); else { x--; ", n) + Repeat("}", n);
     },
     "0\n"},
    {"nested ifs", [](int n) { return "x = 1;" + Repeat("if (x) ", n) + "println(7);"; }, "7\n"},
    {"nested loops",
     [](int n) { return "x = 0;" + Repeat("while (x < 1) ", n) + "x++; println(x);"; }, "1\n"},
    {"nested calls",
     [](int n) { return "println(" + Repeat("int(", n) + "7" + Repeat(")", n) + ");"; }, "7\n"},
    {"right-deep assignments",
     [](int n) { return Repeat("a = ", n) + "7; println(a);"; }, "7\n"},
};

std::string RunMacro(const std::string& source) {
    TCaptureEnvironment environment;
    Quorin::RunMacro(&environment, source, 0);
    return environment.output;
}

// Runs `work` on a thread whose stack holds the nesting the core accepts: the
// test's own thread, with the usual 8 MiB, or where sanitizers make frames
// several times larger, a thread with the stack the core then assumes.
template <typename TWork>
void OnUsualStack(TWork work) {
#ifdef QUORIN_LARGE_FRAMES
    struct TCall {
        TWork& work;
        static void* Entry(void* call) {
            static_cast<TCall*>(call)->work();
            return nullptr;
        }
    } call{work};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, Quorin::Limits::nestingStackBytes + (8 << 20));
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attributes, &TCall::Entry, &call), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
#else
    work();
#endif
}

TEST(Nesting, TenThousandLevelsOfEveryKindRun) {
    OnUsualStack([] {
        for (const TNesting& nesting : nestings) {
            const std::string output = RunMacro(nesting.make(10000));
            if (nesting.output) {
                EXPECT_EQ(output, nesting.output) << nesting.kind;
            }
        }
        EXPECT_EQ(RunMacro("println(" + Repeat("- ", 10001) + "7);"), "-7\n");
    });
}

TEST(Nesting, LongOperatorChainsRun) {
    std::string sum = "a = 1; println(a";
    for (int i = 1; i < 100000; ++i) sum += " + a";
    EXPECT_EQ(RunMacro(sum + ");"), "100000\n");
}

// Every kind of nesting meets the same limit; a small one keeps the test quick.
TEST(Nesting, BeyondTheLimitIsReportedForEveryKind) {
    TQuorinEnvironment environment;
    for (const TNesting& nesting : nestings) {
        for (int levels : {100, 1000}) {
            Quorin::TCodeAnalysis analysis(&environment, nesting.make(levels));
            analysis.depthLimit = 500;
            const bool analysed = analysis.AnalyzeSource() != nullptr;
            EXPECT_EQ(analysed, levels == 100) << nesting.kind;
            EXPECT_EQ(analysis.TooDeep(), levels == 1000) << nesting.kind;
        }
    }
}

// Nesting just below the limit analyses, runs and is destroyed on the caller's
// own stack; just above it is the nesting error. A chain of operators does not
// nest, so one much longer than the limit runs.
void JustBelowTheLimit() {
    const int levels = Quorin::Limits::maxNesting - 10;
    EXPECT_EQ(RunMacro("x = " + Repeat("(", levels) + "7" + Repeat(")", levels) + "; println(x);"),
              "7\n");
    try {
        RunMacro("x = " + Repeat("(", levels + 20) + "7" + Repeat(")", levels + 20) + ";");
        ADD_FAILURE();
    } catch (const Quorin::EQuorinSyntaxError& error) {
        EXPECT_EQ(error.message, Quorin::Messages::nestingTooDeep);
    }
    std::string sum = "a = 1; x = a";
    for (int i = 1; i < 3 * levels; ++i) sum += "+a";
    EXPECT_EQ(RunMacro(sum + "; println(x);"), std::to_string(3 * levels) + "\n");
}

TEST(Nesting, NestingJustBelowTheLimitRuns) {
    OnUsualStack([] { JustBelowTheLimit(); });
}

TEST(Nesting, AMillionLevelsAreReportedQuickly) {
    EXPECT_THROW(RunMacro(Repeat("(", 1000000) + "1" + Repeat(")", 1000000) + ";"),
                 Quorin::EQuorinSyntaxError);
    EXPECT_THROW(RunMacro(Repeat("{", 1000000) + Repeat("}", 1000000)),
                 Quorin::EQuorinSyntaxError);
}

TEST(Nesting, LongRunsAndLargeStringsWork) {
    EXPECT_EQ(RunMacro("i = 0; L: i++; if (i < 1000000) goto L; println(i);"), "1000000\n");
    EXPECT_EQ(RunMacro("s = \"0123456789\"; i = 0; while (i < 22) { s cat= s; i++; }"
                       "println(lenb(s)); println(len(s)); println(right(s, 3));"),
              "41943040\n41943040\n789\n");
}

// A host may call the engine on a thread of its own with a small stack: deep
// nesting then ends in the nesting error while room is left, not in a crash.
TEST(Nesting, AThreadWithASmallStackGetsTheNestingError) {
    struct TRun {
        std::string source, output, error;
        static void* Entry(void* argument) {
            auto& run = *static_cast<TRun*>(argument);
            try {
                run.output = RunMacro(run.source);
            } catch (const EQuorinError& error) {
                run.error = error.message;
            }
            return nullptr;
        }
    };
    for (const TNesting& nesting : nestings) {
        for (const int levels : {20, 10000}) {
            TRun run{nesting.make(levels), "", ""};
            pthread_attr_t attributes;
            pthread_attr_init(&attributes);
            pthread_attr_setstacksize(&attributes, 256 * 1024);
            pthread_t thread;
            ASSERT_EQ(pthread_create(&thread, &attributes, &TRun::Entry, &run), 0);
            pthread_join(thread, nullptr);
            pthread_attr_destroy(&attributes);
            if (levels == 20) {
                EXPECT_EQ(run.error, "") << nesting.kind;
            } else {
                EXPECT_EQ(run.error, Quorin::Messages::nestingTooDeep) << nesting.kind;
            }
        }
    }
}

}  // namespace
