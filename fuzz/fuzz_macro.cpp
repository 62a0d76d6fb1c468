// libFuzzer entry point: every input is the source of one macro, run once in an
// environment that keeps its output in memory and stops endless loops.
//
// What counts as a finding: a sanitizer report, a crash, an input that runs for
// longer than libFuzzer's -timeout, and any exception other than the errors a
// macro may legitimately end with (syntax and runtime errors) or an exhausted heap.
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

namespace {

// Longer inputs are ignored, as libFuzzer's -max_len does in run.sh, so that a
// file run on its own behaves as it did in the fuzzing run.
constexpr std::size_t kMaxInput = 64 * 1024;

// Output beyond this is dropped, so that a printing loop costs time, not memory.
constexpr std::size_t kMaxOutput = std::size_t{1} << 20;

// Stop requests after this many polls; with the default poll interval of 10 a
// macro runs about 20000 sentences before it is stopped.
constexpr int kMaxPolls = 2000;

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

    TFuzzEnvironment() { randomState = 1; }  // the same numbers on every run of an input

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

[[noreturn]] void Finding(const char* what, const std::string& message) {
    std::fprintf(stderr, "\n== fuzz_macro: %s: %s\n", what, message.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) return 0;
    const std::string source(reinterpret_cast<const char*>(data), size);
    TFuzzEnvironment environment;
    try {
        Quorin::RunMacro(&environment, source, 0);
    } catch (const EQuorinNormalError& error) {
        // Syntax and runtime errors are how a macro may end.
        if (Echo()) std::fprintf(stderr, "error: %s\n", error.message.c_str());
    } catch (const Quorin::EQuorinFatalError& error) {
        Finding("fatal error", error.message);
    } catch (const EQuorinError& error) {
        Finding("internal error", error.message);
    } catch (const std::bad_alloc&) {
        // The heap ran out; libFuzzer's -rss_limit_mb and -malloc_limit_mb decide
        // whether that is a finding.
    } catch (const std::exception& error) {
        Finding("unexpected exception", error.what());
    }
    if (Echo()) {
        std::fwrite(environment.output.data(), 1, environment.output.size(), stderr);
        std::fprintf(stderr, "\n[polls: %d]\n", environment.polls);
    }
    return 0;
}
