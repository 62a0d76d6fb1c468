// libFuzzer entry point: every input is the source of one macro, run in an
// environment that keeps its output in memory and stops endless loops.
//
// Each macro runs three times and all three runs must end alike:
//  1. as the console host runs it, through RunMacro;
//  2. on an engine of its own, in an environment that overrides CallOperator
//     (only forwarding it), which turns off the analyser's in-tree computation
//     of the stock operators, so that both ways of computing an operator are
//     compared;
//  3. again on that same engine, when run 2 ended without an error: a second
//     run of one tree starts from a clean slate, so whatever items remember
//     from one run to the next (resolved variables, operator rows) must not
//     show.
//
// A finding is a sanitizer report, a crash, an input that runs longer than
// libFuzzer's -timeout, an exception other than the errors a macro may end with
// (syntax and runtime errors) or an exhausted heap, and runs that differ in
// output, result or error message.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include <pthread.h>

#include "engine/quorin.h"
#include "environment/environment.h"
#include "errors/errors.h"
#include "quorin_limits.h"

namespace {

// Longer inputs are ignored, as libFuzzer's -max_len does in run.sh, so that a
// file run on its own behaves as it did in the fuzzing run.
constexpr std::size_t kMaxInput = 64 * 1024;

// Output beyond this is dropped, so that a printing loop costs time, not memory.
constexpr std::size_t kMaxOutput = std::size_t{1} << 20;

// Stop requests after this many polls; with the default poll interval of 10 a
// macro runs about 10000 sentences before it is stopped. A loop that grows a
// string by a piece each pass copies it each pass, so its cost grows with the
// square of this budget; under AddressSanitizer, and three runs per input, 20000
// sentences of that took several seconds.
constexpr int kMaxPolls = 1000;

// What "getln" returns for its first calls; after that the input has "ended".
constexpr int kInputLines = 3;
const char* const kInputLine = "12 abc";

// Set QUORIN_FUZZ_ECHO=1 to see a macro's output and error while reproducing a finding.
bool Echo() {
    static const bool echo = [] {
        const char* value = std::getenv("QUORIN_FUZZ_ECHO");
        return value != nullptr && *value != '\0' && *value != '0';
    }();
    return echo;
}

class TFuzzEnvironment : public TQuorinEnvironment {
public:
    std::string output;
    int polls = 0;
    int linesRead = 0;

    TFuzzEnvironment() { Restart(); }

    // Back to the state of a fresh environment, so that another run of the same
    // macro sees the same input, random numbers and stop budget.
    void Restart() {
        output.clear();
        polls = 0;
        linesRead = 0;
        randomState = 1;
    }

    bool CallFunction(int userData, const std::string& name,
                      std::vector<Quorin::TExValue>& arguments,
                      Quorin::TExValue& result) override {
        if (SameName(name, "print")) {
            CheckArguments(arguments, 1);
            Write(arguments[0].ToString());
            return true;
        }
        if (SameName(name, "println")) {
            CheckArguments(arguments, 1, 0);
            if (!arguments[0].IsEmpty()) Write(arguments[0].ToString());
            Write("\n");
            return true;
        }
        if (SameName(name, "getln")) {
            CheckArguments(arguments, 0);
            result = Quorin::TExValue(std::string(linesRead++ < kInputLines ? kInputLine : ""));
            return true;
        }
        return TQuorinEnvironment::CallFunction(userData, name, arguments, result);
    }

    void CheckStop(int, bool& stop) override {
        if (++polls >= kMaxPolls) stop = true;
    }

private:
    void Write(const std::string& text) {
        if (output.size() >= kMaxOutput) return;
        output.append(text, 0, kMaxOutput - output.size());
    }
};

// The same environment, except that every operator goes through CallOperator.
class TForwardingEnvironment : public TFuzzEnvironment {
public:
    void CallOperator(int userData, const std::string& name, int form,
                      std::vector<Quorin::TExValue>& operands,
                      Quorin::TExValue& result) override {
        TQuorinEnvironment::CallOperator(userData, name, form, operands, result);
    }
};

[[noreturn]] void Finding(const char* what, const std::string& message) {
    std::fprintf(stderr, "\n== fuzz_macro: %s: %s\n", what, message.c_str());
    std::abort();
}

// How a run ended.
struct TOutcome {
    enum { kFinished, kStopped, kSyntaxError, kRuntimeError, kOutOfMemory } end = kFinished;
    std::string error;  // the message of a syntax or runtime error
    std::string output;
};

std::string Describe(const TOutcome& outcome) {
    static const char* const ends[] = {"finished", "stopped", "syntax error", "runtime error",
                                       "out of memory"};
    std::string text = ends[outcome.end];
    if (!outcome.error.empty()) text += " (" + outcome.error + ")";
    return text + ", " + std::to_string(outcome.output.size()) + " bytes of output";
}

void ExpectSame(const char* what, const TOutcome& expected, const TOutcome& actual) {
    if (expected.end == actual.end && expected.error == actual.error &&
        expected.output == actual.output)
        return;
    std::size_t at = 0;
    while (at < expected.output.size() && at < actual.output.size() &&
           expected.output[at] == actual.output[at])
        ++at;
    Finding(what, "expected " + Describe(expected) + ", got " + Describe(actual) +
                      "; outputs agree up to byte " + std::to_string(at));
}

// Runs `run`, which returns RunMacro's or Run's result, and records how it ended.
// Internal errors are findings.
template <typename Run>
TOutcome Capture(TFuzzEnvironment& environment, Run run) {
    TOutcome outcome;
    environment.Restart();
    try {
        outcome.end = run() ? TOutcome::kFinished : TOutcome::kStopped;
    } catch (const Quorin::EQuorinSyntaxError& error) {
        outcome.end = TOutcome::kSyntaxError;
        outcome.error = error.message;
    } catch (const EQuorinNormalError& error) {
        outcome.end = TOutcome::kRuntimeError;
        outcome.error = error.message;
    } catch (const Quorin::EQuorinFatalError& error) {
        Finding("fatal error", error.message);
    } catch (const EQuorinError& error) {
        Finding("internal error", error.message);
    } catch (const std::bad_alloc&) {
        // libFuzzer's -rss_limit_mb and -malloc_limit_mb decide whether that is a finding.
        outcome.end = TOutcome::kOutOfMemory;
    } catch (const std::exception& error) {
        Finding("unexpected exception", error.what());
    }
    outcome.output = environment.output;
    return outcome;
}

// The deepest macros need the stack that RunMacro gives its own thread.
template <typename Work>
void RunOnLargeStack(Work& work) {
    pthread_attr_t attributes;
    pthread_t thread;
    if (pthread_attr_init(&attributes) != 0 ||
        pthread_attr_setstacksize(&attributes, Quorin::Limits::runStackBytes) != 0)
        Finding("setup", "cannot set up a thread");
    auto entry = [](void* argument) -> void* {
        (*static_cast<Work*>(argument))();
        return nullptr;
    };
    if (pthread_create(&thread, &attributes, entry, &work) != 0)
        Finding("setup", "cannot start a thread");
    pthread_attr_destroy(&attributes);
    pthread_join(thread, nullptr);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) return 0;
    const std::string source(reinterpret_cast<const char*>(data), size);

    TFuzzEnvironment environment;
    const TOutcome host =
        Capture(environment, [&] { return Quorin::RunMacro(&environment, source, 0); });
    if (Echo()) {
        std::fprintf(stderr, "%s\n", Describe(host).c_str());
        std::fwrite(host.output.data(), 1, host.output.size(), stderr);
        std::fprintf(stderr, "\n[polls: %d]\n", environment.polls);
    }
    if (host.end == TOutcome::kSyntaxError || host.end == TOutcome::kOutOfMemory) return 0;

    TForwardingEnvironment forwarding;
    auto work = [&] {
        Quorin::TQuorin engine(&forwarding, source, 0);
        const TOutcome first = Capture(forwarding, [&] { return engine.Run(); });
        if (first.end == TOutcome::kOutOfMemory) return;
        ExpectSame("run through CallOperator", host, first);
        if (first.end == TOutcome::kRuntimeError) return;  // the engine is done for
        const TOutcome second = Capture(forwarding, [&] { return engine.Run(); });
        if (second.end == TOutcome::kOutOfMemory) return;
        ExpectSame("second run on one engine", host, second);
    };
    RunOnLargeStack(work);
    return 0;
}
