// A host may call the engine on a thread of its own with a small stack; on
// Windows the stack's size is known from the system (GetCurrentThreadStackLimits)
// and deep nesting ends in the nesting error while room is left, not in a crash.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "engine/quorin.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "support/capture_environment.h"

namespace {

struct TRun {
    std::string source, output, error;

    static DWORD WINAPI Entry(void* argument) {
        auto& run = *static_cast<TRun*>(argument);
        try {
            TCaptureEnvironment environment;
            Quorin::RunMacro(&environment, run.source, 0);
            run.output = environment.output;
        } catch (const EQuorinError& error) {
            run.error = error.message;
        }
        return 0;
    }
};

// Runs `source` on a thread that reserves only 256 KiB of stack.
TRun OnSmallStack(const std::string& source) {
    TRun run{source, "", ""};
    const HANDLE thread = CreateThread(nullptr, 256 * 1024, &TRun::Entry, &run,
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
    EXPECT_NE(thread, nullptr);
    if (thread) {
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
    }
    return run;
}

TEST(WindowsStackTest, AThreadWithASmallStackGetsTheNestingError) {
    for (const int levels : {20, 10000}) {
        const TRun blocks =
            OnSmallStack(std::string(levels, '{') + "println(7);" + std::string(levels, '}'));
        const TRun brackets = OnSmallStack("println(" + std::string(levels, '(') + "7" +
                                           std::string(levels, ')') + ");");
        for (const TRun* run : {&blocks, &brackets}) {
            if (levels == 20) {
                EXPECT_EQ(run->error, "");
                EXPECT_EQ(run->output, "7\n");
            } else {
                EXPECT_EQ(run->error, Quorin::Messages::nestingTooDeep);
            }
        }
    }
}

}  // namespace
