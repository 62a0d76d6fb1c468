// Runs the interpreter once as a child process with files for its three streams.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "macro_test.h"

namespace MacroRunner {

struct TRunRequest {
    std::string program;                 // path of the executable; a relative one is resolved first
    std::vector<std::string> arguments;  // after the program name
    // When set, the program that starts [program] (wine64): a path or a name on PATH.
    std::string launcher;
    std::vector<std::pair<std::string, std::string>> environment;  // added to the inherited one
    std::string workingDirectory;
    std::string inputPath;   // becomes the standard input
    std::string outputPath;  // receives the standard output
    std::string errorPath;   // receives the standard error
    int timeoutSeconds = 60;
    // The streams on a pseudo-terminal instead of the files above, and what a person
    // does at it; the locale, when given, becomes LANG. A terminal session, or a
    // locale, unsets the inherited LANG, LANGUAGE and LC_ variables.
    TTerminalStreams terminal;
    std::optional<std::string> locale;
    std::vector<TTerminalEvent> events;
};

struct TRunResult {
    enum class TEnd {
        exited,       // [code] is the exit status
        signalled,    // [code] is the signal that ended the child
        timedOut,     // killed by the runner after the timeout
        interrupted,  // killed because the runner itself was asked to stop
        notStarted,   // [startError] says why
    };
    TEnd end = TEnd::notStarted;
    int code = 0;
    std::string startError;
    // A terminal session's screen, with the CR LF pairs the terminal writes for a
    // line feed read as LF; whether the program left the terminal in the mode it
    // found it in; and the step at the terminal that was still waiting when the run
    // was cut short.
    std::string screen;
    bool terminalRestored = true;
    std::string waitingStep;
};

// Starts the child in its own process group (so that a timeout kills all of it) and
// waits for it. The child never outlives the runner: it is killed when the runner dies.
// With streams on a terminal, the child runs in a session of its own on a
// pseudo-terminal (see terminal_session.cpp).
TRunResult RunProcess(const TRunRequest& request);

// Makes SIGINT, SIGTERM and SIGHUP end a running child instead of the runner, so
// that the runner can still clean up.
void InstallStopHandlers();

}  // namespace MacroRunner
