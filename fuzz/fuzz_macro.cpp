// libFuzzer entry point: every input is the source of one macro, run in an
// environment that keeps its output in memory and stops endless loops.
//
// Each macro runs four times and all four runs must end alike:
//  1. as the console host runs it, through RunMacro, in an environment that
//     declares the stock name rule, operators and built-in functions as the
//     console's does, so that the instructions compute operators and call the
//     built-in functions themselves and names are resolved by the engine;
//  2. through the tree walk of tests/support/tree_walk.h, the independent
//     path: a plain walk of the analysed tree by the language's rules, which
//     reaches every operator, function, name and poll through the engine's
//     public operations and the environment's virtual ones;
//  3. on an engine of its own, in an environment that overrides CallOperator
//     (only forwarding it) and declares nothing, so that the instructions hand
//     every operator, function and name comparison to the environment;
//  4. again on that same engine, when run 3 ended without an error: a second
//     run of one program starts from a clean slate, so whatever a run leaves
//     behind must not show.
//
// Runs 2 to 4 poll at every sentence, run 1 at every 10th, as the console
// does; the number of polls must agree too (run 1's being a tenth of the
// others', rounded down), so the engine asks whether to stop exactly as often
// as the rules say.
//
// A finding is a sanitizer report, a crash, an input that runs longer than
// libFuzzer's -timeout, an exception other than the errors a macro may end with
// (syntax and runtime errors) or an exhausted heap, and runs that differ in
// output, result, error message or polls.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>
#include <string>
#include <vector>

#include "engine/quorin.h"
#include "environment/environment.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "support/tree_walk.h"

namespace {

// Longer inputs are ignored, as libFuzzer's -max_len does in run.sh, so that a
// file run on its own behaves as it did in the fuzzing run.
constexpr std::size_t kMaxInput = 64 * 1024;

// Output beyond this is dropped, so that a printing loop costs time, not memory.
constexpr std::size_t kMaxOutput = std::size_t{1} << 20;

// A macro is stopped at the poll before its 10000th sentence, whatever the
// poll interval. A loop that grows a string by a piece each pass copies it
// each pass, so its cost grows with the square of this budget; under
// AddressSanitizer, and three runs per input, 20000 sentences of that took
// several seconds.
constexpr int kMaxSentences = 10000;

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

    // Names, operators and every function but these three are the stock ones,
    // as in the console's environment.
    explicit TFuzzEnvironment(int interval) {
        KeepsStockNameRule();
        KeepsStockOperators();
        ServesFunctionsItself({"print", "println", "getln"});
        pollInterval = interval;
        Restart();
    }

    // Back to the state of a fresh environment, so that another run of the same
    // macro sees the same input, random numbers and stop budget.
    void Restart() {
        output.clear();
        polls = 0;
        linesRead = 0;
        randomState = 1;
    }

    bool CallFunction(int userData, const std::string& name,
                      std::vector<Quorin::TExValue>& arguments, Quorin::TExValue& result) override {
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
        if (++polls * pollInterval >= kMaxSentences) stop = true;
    }

private:
    void Write(const std::string& text) {
        if (output.size() >= kMaxOutput) return;
        output.append(text, 0, kMaxOutput - output.size());
    }
};

// The same environment, except that it declares nothing, so every operator,
// function and name comparison goes through its virtual operations.
class TForwardingEnvironment : public TFuzzEnvironment {
public:
    TForwardingEnvironment() : TFuzzEnvironment(1) {}
    void CallOperator(int userData, const std::string& name, int form,
                      std::vector<Quorin::TExValue>& operands, Quorin::TExValue& result) override {
        TQuorinEnvironment::CallOperator(userData, name, form, operands, result);
    }
};

[[noreturn]] void Finding(const char* what, const std::string& message) {
    std::fprintf(stderr, "\n== fuzz_macro: %s: %s\n", what, message.c_str());
    std::abort();
}

// How a run ended.
struct TOutcome {
    enum {
        kFinished,
        kStopped,
        kSyntaxError,
        kRuntimeError,
        kOutOfMemory,
        kTooDeep,  // the walk did not follow the nesting, or the analysis ran out of stack
    } end = kFinished;
    std::string error;  // the message of a syntax or runtime error
    std::string output;
    int polls = 0;
    int pollInterval = 1;
};

std::string Describe(const TOutcome& outcome) {
    static const char* const ends[] = {"finished",      "stopped",       "syntax error",
                                       "runtime error", "out of memory", "too deep"};
    std::string text = ends[outcome.end];
    if (!outcome.error.empty()) text += " (" + outcome.error + ")";
    return text + ", " + std::to_string(outcome.output.size()) + " bytes of output, " +
           std::to_string(outcome.polls) + " polls at every " +
           std::to_string(outcome.pollInterval) + ". sentence";
}

// Polls at the coarser of two intervals: a run that polls at every sentence
// has asked n times when one that polls at every 10th has asked n / 10 times.
bool SamePolls(const TOutcome& a, const TOutcome& b) {
    const int coarse = std::max(a.pollInterval, b.pollInterval);
    return a.polls * a.pollInterval / coarse == b.polls * b.pollInterval / coarse;
}

void ExpectSame(const char* what, const TOutcome& expected, const TOutcome& actual) {
    if (expected.end == actual.end && expected.error == actual.error &&
        expected.output == actual.output && SamePolls(expected, actual))
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
        // How deep the analysis goes depends on the stack left where it
        // begins, which differs a little between the runs.
        outcome.end = error.message == Quorin::Messages::nestingTooDeep ? TOutcome::kTooDeep
                                                                        : TOutcome::kSyntaxError;
        outcome.error = error.message;
    } catch (const QuorinTest::EWalkTooDeep&) {
        outcome.end = TOutcome::kTooDeep;
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
    outcome.polls = environment.polls;
    outcome.pollInterval = environment.pollInterval;
    return outcome;
}

// Whether the run says anything to compare with.
bool Comparable(const TOutcome& outcome) {
    return outcome.end != TOutcome::kOutOfMemory && outcome.end != TOutcome::kTooDeep;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) return 0;
    const std::string source(reinterpret_cast<const char*>(data), size);

    TFuzzEnvironment environment(10);
    const TOutcome host =
        Capture(environment, [&] { return Quorin::RunMacro(&environment, source, 0); });
    if (Echo()) {
        std::fprintf(stderr, "%s\n", Describe(host).c_str());
        std::fwrite(host.output.data(), 1, host.output.size(), stderr);
        std::fprintf(stderr, "\n");
    }
    if (host.end == TOutcome::kSyntaxError || !Comparable(host)) return 0;

    TFuzzEnvironment walking(1);
    const TOutcome walked =
        Capture(walking, [&] { return QuorinTest::WalkMacro(&walking, source, 0); });
    if (Comparable(walked)) ExpectSame("tree walk", walked, host);

    TForwardingEnvironment forwarding;
    Quorin::TQuorin engine(&forwarding, source, 0);
    const TOutcome first = Capture(forwarding, [&] { return engine.Run(); });
    if (!Comparable(first)) return 0;
    ExpectSame("run through the virtual operations", Comparable(walked) ? walked : host, first);
    if (first.end == TOutcome::kRuntimeError) return 0;  // the engine is done for
    const TOutcome second = Capture(forwarding, [&] { return engine.Run(); });
    if (!Comparable(second)) return 0;
    ExpectSame("second run on one engine", first, second);
    return 0;
}
