// Runs the interpreter once as a child process with files for its three streams.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace MacroRunner {

struct TRunRequest {
    std::string program;                 // path of the executable; a relative one is resolved first
    std::vector<std::string> arguments;  // after the program name
    std::vector<std::pair<std::string, std::string>> environment;  // added to the inherited one
    std::string workingDirectory;
    std::string inputPath;   // becomes the standard input
    std::string outputPath;  // receives the standard output
    std::string errorPath;   // receives the standard error
    int timeoutSeconds = 60;
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
};

// Starts the child in its own process group (so that a timeout kills all of it) and
// waits for it. The child never outlives the runner: it is killed when the runner dies.
TRunResult RunProcess(const TRunRequest& request);

// Makes SIGINT, SIGTERM and SIGHUP end a running child instead of the runner, so
// that the runner can still clean up.
void InstallStopHandlers();

}  // namespace MacroRunner
