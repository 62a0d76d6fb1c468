// The parts of starting the interpreter that a plain run and a terminal session share.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "process.h"

namespace MacroRunner {

// The program, its arguments and its environment in the form execve takes; the
// pointers point into the strings kept here.
class TChildCommand {
public:
    // Resolves a relative program path, since the child changes its directory
    // first, and puts the launcher in front when the request has one. Leaves
    // [startError] set when the program cannot be found.
    explicit TChildCommand(const TRunRequest& request);
    TChildCommand(const TChildCommand&) = delete;
    TChildCommand& operator=(const TChildCommand&) = delete;

    std::string program;
    std::string startError;
    char** Arguments() { return argv.data(); }
    char** Environment() { return envp.data(); }

private:
    // Makes [path] absolute; false, with [startError] set, when it does not exist.
    bool Resolve(std::string& path);
    // Where a shell finds the command [name] on PATH; [name] itself when nowhere.
    static std::string FindOnPath(const std::string& name);

    std::vector<std::string> arguments;
    std::vector<std::string> environment;
    std::vector<char*> argv;
    std::vector<char*> envp;
};

// Between fork and exec: the streams that are not on [terminal] (which is -1 for a
// plain run) from the request's files, the working directory, the limits, the
// default SIGPIPE; then exec. Reports a failure through [statusPipe] as an errno
// value. Only async-signal-safe calls.
[[noreturn]] void ExecChild(const TRunRequest& request, TChildCommand& command, int terminal,
                            int statusPipe);

// Tells the runner why the child could not start (errno, through [statusPipe]), and
// ends the child.
[[noreturn]] void FailChild(int statusPipe);

// Waits for the errno value that a child whose exec failed writes to [statusPipe];
// an empty string when the exec succeeded (the pipe closed without one).
std::string ReadStartError(int statusPipe, const std::string& program);

TRunResult Finish(int waitStatus);

// Kills the process group of [group] and the process [child], and reaps [child].
void KillAndReap(pid_t child, pid_t group);

// Set when the runner was asked to stop.
bool StopRequested();

// How long the runner sleeps between looks at the child, growing from short to
// longer: most macros end within milliseconds.
class TPollPause {
public:
    long Next();

private:
    long nanoseconds = 200'000;
};

TRunResult RunTerminalSession(const TRunRequest& request, TChildCommand& command);

}  // namespace MacroRunner
