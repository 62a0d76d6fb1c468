// quorin_macro_runner: runs one macro test file against the interpreter and compares
// its standard output, standard error and exit status byte for byte with the
// expectations written in the file. Exit status 0 when they match, 1 otherwise.
//
//     quorin_macro_runner [--windows=LAUNCHER] <path-to-quorin> <macro-file.qrn>
//     quorin_macro_runner [--windows=LAUNCHER] <path-to-quorin> <expectations-file> <macro-file>
//
// In the second form the expectations come from a file of their own and the macro
// file is run exactly as it is; that is how the example macros are tested.
//
// With --windows the program is one built for Windows, started through LAUNCHER
// (wine64): its CR LF line ends count as line feeds, and a test that says it cannot
// hold on Windows is skipped with exit status 77.

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "encoding.h"
#include "macro_test.h"
#include "process.h"
#include "report.h"

namespace fs = std::filesystem;
using namespace MacroRunner;

namespace {

constexpr int kPassed = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;
constexpr int kSkipped = 77;

constexpr std::string_view kWindowsOption = "--windows=";

// A fresh directory for one run, removed with everything in it when the run is over.
// The macro's working directory is a subdirectory, so that the capture files never
// show up where the macro looks for files.
class TScratchDirectory {
public:
    TScratchDirectory() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorin-macro-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            throw std::runtime_error("cannot create a directory from " + pattern + ": " +
                                     std::strerror(errno));
        }
        root_ = pattern;
        fs::create_directory(WorkingDirectory());
    }
    ~TScratchDirectory() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    TScratchDirectory(const TScratchDirectory&) = delete;
    TScratchDirectory& operator=(const TScratchDirectory&) = delete;

    fs::path Root() const { return root_; }
    fs::path WorkingDirectory() const { return root_ / "work"; }

private:
    fs::path root_;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
}

// How the run ended, as the end of a sentence starting with "the program".
std::string DescribeEnd(const TRunResult& result) {
    switch (result.end) {
        case TRunResult::TEnd::exited:
            return "exited with status " + std::to_string(result.code);
        case TRunResult::TEnd::signalled:
            return "was killed by signal " + std::to_string(result.code) + " (" +
                   strsignal(result.code) + ")";
        case TRunResult::TEnd::timedOut:
            return "was still running after " + std::to_string(result.code) +
                   " s and was killed (raise the limit with \"//@ timeout: N\" if the macro is "
                   "slow on purpose)";
        case TRunResult::TEnd::interrupted:
            return "was killed because the runner was stopped";
        case TRunResult::TEnd::notStarted:
            return "could not be started: " + result.startError;
    }
    return "";
}

std::string CommandLine(const std::string& program, const TMacroTest& test) {
    std::string line = program;
    for (const std::string& argument : test.Arguments()) {
        line += " '" + Cp932ToDisplay(argument) + "'";
    }
    return line;
}

// A Windows program writes CR LF where the program for Linux writes a line feed;
// its output counts as the same when the line feeds are the only difference.
std::string WithLineFeeds(std::string bytes) {
    std::size_t write = 0;
    for (std::size_t read = 0; read < bytes.size(); ++read) {
        if (bytes[read] == '\r' && read + 1 < bytes.size() && bytes[read + 1] == '\n') continue;
        bytes[write++] = bytes[read];
    }
    bytes.resize(write);
    return bytes;
}

// The screen of a Windows program as a terminal for Linux would show it. Wine's
// console hides the cursor while it draws each piece of text and shows it again
// afterwards; those sequences change nothing on the screen.
std::string WindowsScreen(std::string screen) {
    for (const std::string_view sequence : {"\x1B[?25l", "\x1B[?25h"}) {
        for (std::size_t at = screen.find(sequence); at != std::string::npos;
             at = screen.find(sequence, at)) {
            screen.erase(at, sequence.size());
        }
    }
    return WithLineFeeds(std::move(screen));
}

// [launcher] is set when the program is one for Windows, started through it.
int RunTest(const std::string& program, const std::optional<std::string>& launcher,
            const fs::path& testPath, const std::optional<fs::path>& macroPath) {
    const TMacroTest test = macroPath
                                ? ParseMacroTestWithSource(ReadFile(testPath), ReadFile(*macroPath),
                                                           macroPath->filename().string())
                                : ParseMacroTest(ReadFile(testPath), testPath.filename().string());
    if (launcher && test.windowsSkip) {
        std::cout << "SKIP " << testPath.string() << ": not on Windows: " << *test.windowsSkip
                  << "\n";
        return kSkipped;
    }

    TScratchDirectory scratch;
    WriteFile(scratch.WorkingDirectory() / test.fileName, test.source);
    for (const std::string& name : test.extraFileNames) {
        WriteFile(scratch.WorkingDirectory() / name, test.source);
    }
    WriteFile(scratch.Root() / "stdin", test.input);

    TRunRequest request;
    request.program = program;
    if (launcher) request.launcher = *launcher;
    request.arguments = test.Arguments();
    request.environment = test.environment;
    request.workingDirectory = scratch.WorkingDirectory();
    request.inputPath = scratch.Root() / "stdin";
    request.outputPath = scratch.Root() / "stdout";
    request.errorPath = scratch.Root() / "stderr";
    request.timeoutSeconds = test.timeoutSeconds;
    request.terminal = test.terminal;
    request.locale = test.locale;
    request.events = test.events;
    const TRunResult result = RunProcess(request);

    std::string output;
    std::string errors;
    if (result.end != TRunResult::TEnd::notStarted) {
        // A stream on the terminal has no capture file: what it wrote is on the screen.
        if (!test.terminal.output) output = ReadFile(request.outputPath);
        if (!test.terminal.errors) errors = ReadFile(request.errorPath);
        if (launcher) {
            output = WithLineFeeds(std::move(output));
            errors = WithLineFeeds(std::move(errors));
        }
    }

    std::string failures;
    const bool statusMatches =
        result.end == TRunResult::TEnd::exited && result.code == test.expectedStatus;
    if (!statusMatches) {
        failures += "expected exit status " + std::to_string(test.expectedStatus) +
                    "; the program " + DescribeEnd(result) + "\n";
    }
    if (!result.waitingStep.empty()) {
        failures += "the step at the terminal still waiting: " + result.waitingStep + "\n";
    }
    if (result.end != TRunResult::TEnd::notStarted) {
        failures += DescribeDifference("stdout", test.expectedOutput, output);
        failures += DescribeDifference("stderr", test.expectedErrors, errors);
        if (test.terminal.Any()) {
            failures += DescribeDifference("screen", test.expectedScreen,
                                           launcher ? WindowsScreen(result.screen) : result.screen,
                                           test.terminalEncoding);
        }
    }
    if (!result.terminalRestored) {
        failures += "the program left the terminal in another mode than it found it in\n";
    }

    if (failures.empty()) {
        std::cout << "PASS " << testPath.string() << "\n";
        return kPassed;
    }
    std::cout << "FAIL " << testPath.string() << "\n"
              << "  ran: " << (launcher ? *launcher + " " : "") << CommandLine(program, test)
              << "\n"
              << failures;
    return kFailed;
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<std::string> launcher;
    if (argc > 1 && std::string_view(argv[1]).starts_with(kWindowsOption)) {
        launcher = std::string(argv[1] + kWindowsOption.size());
        --argc;
        ++argv;
    }
    if ((argc != 3 && argc != 4) || (launcher && launcher->empty())) {
        std::cerr << "usage: quorin_macro_runner [--windows=LAUNCHER] <path-to-quorin> "
                     "<macro-file.qrn>\n"
                  << "       quorin_macro_runner [--windows=LAUNCHER] <path-to-quorin> "
                     "<expectations-file> <macro-file>\n";
        return kUsage;
    }
    const std::string program = argv[1];
    const fs::path testPath = argv[2];
    const std::optional<fs::path> macroPath =
        argc == 4 ? std::optional<fs::path>(argv[3]) : std::nullopt;
    InstallStopHandlers();
    try {
        return RunTest(program, launcher, testPath, macroPath);
    } catch (const EMacroTestError& error) {
        std::cout << "FAIL " << testPath.string() << "\n" << testPath.string();
        if (error.line > 0) std::cout << ":" << error.line;
        std::cout << ": the test file is malformed: " << error.what() << "\n";
    } catch (const std::exception& error) {
        std::cout << "FAIL " << testPath.string() << "\n  " << error.what() << "\n";
    }
    return kFailed;
}
