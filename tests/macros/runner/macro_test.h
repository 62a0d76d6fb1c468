// A macro test file: the macro itself plus the expectations written beside it in
// "//@ key: value" comment lines. The format is described in tests/macros/README.md.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace MacroRunner {

// A test file that cannot be run as written. [line] is the 1-based line the problem is
// on, or 0 when it is not tied to one line.
class EMacroTestError : public std::runtime_error {
public:
    EMacroTestError(int line, const std::string& message)
        : std::runtime_error(message), line(line) {}

    int line;
};

// The standard streams that a test puts on a pseudo-terminal; any of them makes the
// run a terminal session, with the terminal as the program's controlling terminal.
struct TTerminalStreams {
    bool input = false;
    bool output = false;
    bool errors = false;

    bool Any() const { return input || output || errors; }
};

// One step of what a person does at the terminal while the program runs; the steps
// are taken in file order, each waiting until it can be taken.
struct TTerminalEvent {
    enum class TKind {
        send,        // types [bytes]
        waitScreen,  // waits until the screen shows [bytes], after what an earlier wait found
        waitOutput,  // the same for the captured standard output
        waitMode,    // waits until the terminal is in key mode ([keyMode]) or line mode
        resume,      // waits until the program is suspended, then continues it as "fg" does
    };
    TKind kind = TKind::send;
    std::string bytes;
    bool keyMode = false;
    std::string description;  // "line N: the line's key and value", for reports
};

// Everything needed to run one macro test and judge its result. All byte strings are
// already in code page 932 (or raw where the file asked for raw bytes); what concerns
// the terminal is in the terminal's encoding.
struct TMacroTest {
    std::string source;    // the macro file's bytes as the interpreter will read them
    std::string fileName;  // name under which the macro is written into the working directory
    std::vector<std::string> extraFileNames;                       // further copies of the macro
    std::optional<std::vector<std::string>> arguments;             // unset: the file name alone
    std::vector<std::pair<std::string, std::string>> environment;  // set for the run
    std::string input;                                             // the standard input
    std::string expectedOutput;  // the whole expected standard output
    std::string expectedErrors;  // the whole expected standard error
    int expectedStatus = 0;
    int timeoutSeconds = 60;

    TTerminalStreams terminal;
    std::optional<std::string> locale;       // LANG for the run, with every LC_ variable unset
    std::string terminalEncoding = "CP932";  // what the terminal shows, as the locale names it
    std::vector<TTerminalEvent> events;
    std::string expectedScreen;  // everything the terminal shows, its CR LF pairs read as LF

    // Why the test cannot hold for the program built for Windows; unset when it can.
    std::optional<std::string> windowsSkip;

    // The arguments the interpreter is started with (after its own name).
    std::vector<std::string> Arguments() const {
        return arguments ? *arguments : std::vector<std::string>{fileName};
    }
};

// Reads a test file. [text] is the file's content (UTF-8), [baseName] its name without
// directories. Throws EMacroTestError when an expectation line is malformed.
TMacroTest ParseMacroTest(const std::string& text, const std::string& baseName);

// Reads a test whose macro is a file of its own, such as an example that users run:
// [expectations] is the text of the expectation file (UTF-8, the same "//@" lines;
// every other line is ignored), [source] the macro file's bytes, which reach the
// interpreter exactly as they are, and [baseName] the macro file's name without
// directories. Throws EMacroTestError like ParseMacroTest, and also for
// "source-raw", which has no meaning here.
TMacroTest ParseMacroTestWithSource(const std::string& expectations, const std::string& source,
                                    const std::string& baseName);

// Resolves the escapes \n \r \t \\ and \xHH of a "-raw" value; the text between
// escapes is converted from UTF-8 to [encoding], the \xHH bytes are taken as they
// are. Throws EMacroTestError (with line 0) on a malformed escape.
std::string DecodeRawValue(const std::string& value, const std::string& encoding = "CP932");

// The encoding a terminal in [locale] uses, as the locale's name gives it (UTF-8 for
// C.UTF-8); code page 932 for the C locale, where the program writes its bytes unchanged.
std::string TerminalEncoding(const std::optional<std::string>& locale);

// The closing prompt of the interpreter, in code page 932.
std::string ClosingPrompt();

}  // namespace MacroRunner
