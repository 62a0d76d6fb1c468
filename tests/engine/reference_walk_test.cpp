// The engine against the tree walk (support/tree_walk.h): every end-to-end
// macro, every example and a list of jumps must give the same output, result,
// error message and number of polls both ways, in environments that let the
// engine compute operators and names itself and in ones that do not.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <typeinfo>

#include "engine/quorin.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "support/capture_environment.h"
#include "support/cp932.h"
#include "support/reference_environment.h"
#include "support/tree_walk.h"

namespace {

using QuorinTest::EWalkTooDeep;
using QuorinTest::TReferenceEnvironment;
using QuorinTest::WalkMacro;

// Polls before a macro is stopped; at one poll per sentence, macros that loop
// until someone stops them end here.
constexpr int kPollBudget = 200000;

// Names are the same when they are equal without their underscores and letter
// case: a rule of the environment's own, which the engine can only ask.
class TOwnNameRule : public TCaptureEnvironment {
public:
    bool SameName(const std::string& a, const std::string& b) override { return Key(a) == Key(b); }

private:
    static std::string Key(const std::string& name) {
        std::string key;
        for (const char c : name) {
            if (c == '\0') break;
            if (c != '_') key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
        }
        return key;
    }
};

struct TCase {
    std::string name;
    std::string source;
    std::vector<std::string> input;  // what getln reads
};

struct TSettings {
    bool caseSensitive = false;
    int pollInterval = 1;
    int stopAfterPolls = kPollBudget;
};

// How a run ended: the output, then the result or error and the polls.
template <typename TEnvironment>
std::string Outcome(const TCase& test, bool walk, const TSettings& settings) {
    TEnvironment environment;
    environment.caseSensitive = settings.caseSensitive;
    environment.pollInterval = settings.pollInterval;
    environment.stopAfterPolls = settings.stopAfterPolls;
    environment.input = test.input;
    std::string end;
    try {
        const bool finished = walk ? WalkMacro(&environment, test.source, 0)
                                   : Quorin::RunMacro(&environment, test.source, 0);
        end = finished ? "finished" : "stopped";
    } catch (const EQuorinError& error) {
        end = "error: " + error.message;
    }
    return environment.output + "\n[" + end + ", polls: " + std::to_string(environment.polls) + "]";
}

template <typename TEnvironment>
void ExpectEngineOutcome(const TCase& test, const TSettings& settings, const std::string& walked) {
    EXPECT_EQ(Outcome<TEnvironment>(test, false, settings), walked)
        << test.name << " in " << typeid(TEnvironment).name();
}

// Runs `test` through the walk (in the first environment named) and through
// the engine in each environment named; the walk's outcome, or nothing when
// the macro nests too deep for the walk.
template <typename TWalked, typename... TOthers>
std::optional<std::string> ExpectAgree(const TCase& test, const TSettings& settings = {}) {
    std::string walked;
    try {
        walked = Outcome<TWalked>(test, true, settings);
    } catch (const EWalkTooDeep&) {
        return std::nullopt;
    }
    ExpectEngineOutcome<TWalked>(test, settings, walked);
    (ExpectEngineOutcome<TOthers>(test, settings, walked), ...);
    return walked;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The values of the "//@ key: value" lines of a test file.
std::vector<std::string> Values(const std::string& text, const std::string& key) {
    std::vector<std::string> values;
    std::istringstream lines(text);
    const std::string prefix = "//@ " + key;
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(prefix, 0) != 0) continue;
        std::string value = line.substr(prefix.size());
        if (value.rfind(": ", 0) == 0) value.erase(0, 2);
        values.push_back(value);
    }
    return values;
}

std::vector<std::string> InputLines(const std::string& expectations) {
    std::vector<std::string> lines;
    for (const std::string& line : Values(expectations, "stdin:")) lines.push_back(Cp932(line));
    return lines;
}

// Every end-to-end macro (in code page 932, as the runner writes it) and every
// example with the input of each of its cases. The tests of the string length
// limit (limits/, and the macros that must run out of memory, status 2) build
// strings of tens or hundreds of MiB on every run; the end-to-end tests cover
// them.
std::vector<TCase> MacroFiles() {
    const std::filesystem::path root = QUORIN_SOURCE_DIR;
    std::vector<TCase> cases;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root / "tests/macros")) {
        const std::filesystem::path& path = entry.path();
        if (path.extension() != ".qrn") continue;
        const std::string name = path.lexically_relative(root).string();
        if (name.find("runner_selftest") != std::string::npos ||
            name.find("macros/limits/") != std::string::npos)
            continue;
        const std::string text = ReadFile(path);
        if (!Values(text, "status: 2").empty()) continue;
        const bool raw = !Values(text, "source-raw").empty();
        cases.push_back(TCase{name, raw ? text : Cp932(text), InputLines(text)});
    }
    for (const auto& entry : std::filesystem::directory_iterator(root / "tests/macros/examples")) {
        const std::filesystem::path& path = entry.path();
        if (path.extension() != ".expect") continue;
        const std::string example = path.stem().string();
        const std::string macro = example.substr(0, example.find('.')) + ".qrn";
        cases.push_back(TCase{path.filename().string(), ReadFile(root / "examples" / macro),
                              InputLines(ReadFile(path))});
    }
    std::sort(cases.begin(), cases.end(),
              [](const TCase& a, const TCase& b) { return a.name < b.name; });
    return cases;
}

TEST(ReferenceWalk, EveryMacroTestAndExampleRunsAlikeBothWays) {
    const std::vector<TCase> cases = MacroFiles();
    ASSERT_GT(cases.size(), 100u);
    for (const TCase& test : cases) {
        EXPECT_TRUE((ExpectAgree<TCaptureEnvironment, TReferenceEnvironment>(test)))
            << test.name << " nests too deep for the walk";
        TSettings caseSensitive;
        caseSensitive.caseSensitive = true;
        ExpectAgree<TCaptureEnvironment, TReferenceEnvironment>(test, caseSensitive);
        ExpectAgree<TOwnNameRule>(test);
    }
}

// Jumps into and out of blocks, loops and branches, and where each is polled.
const char* const jumps[] = {
    "goto L; { println(0); { L: x = 1; } y = 2; } println(x cat y);",
    "{ { goto out; println(0); } println(0); } out: println(1);",
    "n = 0; top: n++; { { if (n < 3) goto top; } } println(n);",
    "goto in; while (i < 3) { println(-1); in: println(i); i++; }",
    "i = 10; goto in; for (i = 0; i < 3; i++) { in: println(i); }",
    "goto in; do { println(-1); in: i++; } while (i < 3); println(i);",
    "while (1) { for (;;) ; while (1) { { goto out; } } } out: println(i);",
    "c = 0; if (c) { a: c++; if (c < 3) goto b; } else { b: c++; if (c < 5) goto a; } println(c);",
    "goto deep; if (1) x; else if (1) y; else if (0) z; else { deep: println(2); } println(3);",
    "goto in; if (0) while (i < 2) { in: i++; println(i); }",
    "goto L; { L: println(1); } L: println(2);",
    "{ L: println(1); n++; if (n < 2) goto L; } L: println(2);",
    "goto END; println(0); end: println(1);",
    "if (0) goto nowhere; println(1); goto nowhere2; println(2);",
    "while (1) { { { break; } } println(0); } println(1);",
    "while (1) { do { { return; } } while (1); } println(0);",
    "for (i = 0; i < 3; i++) { if (i == 1) goto next; println(i); next: ; }",
    "while (i < 2) { i++; goto other; } while (j < 3) { other: j++; println(i cat j); }",
    "{ goto e; println(0); e: } println(1); goto f; println(0); f:",
    "goto deep; while (0) { if (0) { for (;;) { do { { deep: k++; println(k); } } while (k < 3); "
    "} } } println(k);",
    "for (i = 0; i < 4; i++) { if (i % 2) { goto odd; } else { println(i); continue_: ; } "
    "odd: if (i == 3) break; }",
    "L: n++; if (n < 4) { { { goto L; } } } else { while (n < 6) { n++; if (n == 5) goto M; } } "
    "M: println(n);",
    "goto t; if (0) { x: println(1); goto done; } else { y: ; } t: goto x; done: println(2);",
    "break; println(0);",
    "return f(); println(0);",
};

TEST(ReferenceWalk, JumpsRunAndPollAlikeBothWays) {
    for (const char* jump : jumps) {
        const TCase test{jump, jump, {}};
        for (const int interval : {1, 3, 10}) {
            TSettings settings;
            settings.pollInterval = interval;
            const std::optional<std::string> whole =
                ExpectAgree<TCaptureEnvironment, TReferenceEnvironment>(test, settings);
            ASSERT_TRUE(whole.has_value());
            // Stopped at every poll in turn, the run must stop at the same place.
            const int polls = std::stoi(whole->substr(whole->rfind(' ') + 1));
            for (int stop = 1; stop <= polls; ++stop) {
                settings.stopAfterPolls = stop;
                ExpectAgree<TCaptureEnvironment, TReferenceEnvironment>(test, settings);
            }
        }
        TSettings caseSensitive;
        caseSensitive.caseSensitive = true;
        ExpectAgree<TCaptureEnvironment, TReferenceEnvironment>(test, caseSensitive);
        ExpectAgree<TOwnNameRule>(test);
    }
}

// The walk itself, against what the rules say: a sentence polls as it begins,
// and so does every block and formula that a goto enters on its way down.
TEST(ReferenceWalk, FollowsTheRulesItself) {
    const auto walk = [](const std::string& source) {
        return Outcome<TCaptureEnvironment>(TCase{source, source, {}}, true, TSettings{});
    };
    EXPECT_EQ(walk("1; 2; 3;"), "\n[finished, polls: 3]");
    // The goto, the two blocks and the sentence; the skipped sentence not.
    EXPECT_EQ(walk("goto L; { 0; { L: 1; } }"), "\n[finished, polls: 4]");
    // The while, its body twice and the if in it twice.
    EXPECT_EQ(walk("while (i < 2) { if (1) i++; }"), "\n[finished, polls: 7]");
    EXPECT_EQ(walk("println(1); goto nowhere;"),
              "1\n\n[error: " + Quorin::RuntimeMessage(Quorin::Messages::LabelNotExist("nowhere")) +
                  ", polls: 2]");
    EXPECT_EQ(walk("x = ;"), "\n[error: " + Quorin::Messages::syntaxError + ", polls: 0]");
    EXPECT_EQ(
        walk("(f)(print(1));"),
        "\n[error: " + Quorin::RuntimeMessage(Quorin::Messages::wrongFunctionCall) + ", polls: 1]");
    EXPECT_EQ(walk("nosuch(print(1));"),
              "1\n[error: " + Quorin::RuntimeMessage(Quorin::Messages::FunctionNotExist("nosuch")) +
                  ", polls: 1]");
}

// Nesting beyond what the walk follows is no error of the macro; chains of
// any length are no nesting.
TEST(ReferenceWalk, GivesUpOnDeepNestingButNotOnLongChains) {
    TCaptureEnvironment environment;
    EXPECT_THROW(
        WalkMacro(&environment, std::string(3000, '(') + "1" + std::string(3000, ')') + ";", 0),
        EWalkTooDeep);
    std::string chain = "x = 0";
    for (int i = 0; i < 20000; ++i) chain += " + 1";
    const std::optional<std::string> outcome =
        ExpectAgree<TCaptureEnvironment, TReferenceEnvironment>(
            TCase{"long chain", chain + "; println(x);", {}});
    EXPECT_EQ(outcome, "20000\n\n[finished, polls: 2]");
}

}  // namespace
