#include "process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern char** environ;

namespace MacroRunner {

namespace {

// A macro caught in an output loop would otherwise fill the disk before its timeout;
// the child is killed by SIGXFSZ when one of its capture files grows past this.
constexpr rlim_t kMaxCaptureBytes = rlim_t{256} << 20;

// How often the runner looks at the child at most and least: short at first, since
// most macros end within milliseconds, and never so rarely that a test waits long.
constexpr long kFirstPollNanoseconds = 200'000;
constexpr long kLastPollNanoseconds = 20'000'000;

volatile sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

// argv or envp for execve: pointers into strings that outlive the call.
std::vector<char*> PointerList(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& text : strings) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

std::vector<std::string> ChildEnvironment(
    const std::vector<std::pair<std::string, std::string>>& changes) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        const bool replaced =
            std::any_of(changes.begin(), changes.end(),
                        [&name](const auto& change) { return change.first == name; });
        // The interpreter's own settings come only from the test, never from the
        // shell that runs the suite.
        const bool setting = name.rfind("QUORIN_", 0) == 0;
        if (!replaced && !setting) result.push_back(text);
    }
    for (const auto& [name, value] : changes) result.push_back(name + "=" + value);
    return result;
}

// Tells the runner why the child could not start, and ends the child.
[[noreturn]] void FailChild(int statusPipe) {
    const int error = errno;
    (void)!write(statusPipe, &error, sizeof error);
    _exit(127);
}

// Runs in the child between fork and exec; reports a failure through [statusPipe] as
// an errno value. Only async-signal-safe calls from here on.
[[noreturn]] void StartChild(const TRunRequest& request, const char* program, char** argv,
                             char** envp, pid_t parent, int statusPipe) {
    setpgid(0, 0);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) _exit(127);  // the runner died before the line above
    const int input = open(request.inputPath.c_str(), O_RDONLY);
    if (input < 0 || dup2(input, STDIN_FILENO) < 0) FailChild(statusPipe);
    const int output = open(request.outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (output < 0 || dup2(output, STDOUT_FILENO) < 0) FailChild(statusPipe);
    const int errors = open(request.errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (errors < 0 || dup2(errors, STDERR_FILENO) < 0) FailChild(statusPipe);
    if (chdir(request.workingDirectory.c_str()) < 0) FailChild(statusPipe);
    const rlimit captureLimit{kMaxCaptureBytes, kMaxCaptureBytes};
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_FSIZE, &captureLimit);
    setrlimit(RLIMIT_CORE, &noCore);
    signal(SIGPIPE, SIG_DFL);
    execve(program, argv, envp);
    FailChild(statusPipe);
}

TRunResult Finish(int waitStatus) {
    TRunResult result;
    if (WIFEXITED(waitStatus)) {
        result.end = TRunResult::TEnd::exited;
        result.code = WEXITSTATUS(waitStatus);
    } else {
        result.end = TRunResult::TEnd::signalled;
        result.code = WTERMSIG(waitStatus);
    }
    return result;
}

void KillAndReap(pid_t child) {
    kill(-child, SIGKILL);
    kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

}  // namespace

void InstallStopHandlers() {
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the wait loop must wake up
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
}

TRunResult RunProcess(const TRunRequest& request) {
    TRunResult result;
    // The child changes its directory before exec, so a relative path must be made absolute.
    std::string program = request.program;
    if (program.find('/') != std::string::npos) {
        char resolved[PATH_MAX];
        if (!realpath(program.c_str(), resolved)) {
            result.startError = program + ": " + std::strerror(errno);
            return result;
        }
        program = resolved;
    }

    std::vector<std::string> arguments{request.program};
    arguments.insert(arguments.end(), request.arguments.begin(), request.arguments.end());
    std::vector<std::string> environment = ChildEnvironment(request.environment);
    std::vector<char*> argv = PointerList(arguments);
    std::vector<char*> envp = PointerList(environment);

    int statusPipe[2];
    if (pipe2(statusPipe, O_CLOEXEC) < 0) {
        result.startError = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        result.startError = std::string("fork: ") + std::strerror(errno);
        close(statusPipe[0]);
        close(statusPipe[1]);
        return result;
    }
    if (child == 0) {
        close(statusPipe[0]);
        StartChild(request, program.c_str(), argv.data(), envp.data(), parent, statusPipe[1]);
    }
    close(statusPipe[1]);

    // The pipe closes on a successful exec; an errno arrives when the start failed.
    int childError = 0;
    ssize_t got;
    while ((got = read(statusPipe[0], &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    close(statusPipe[0]);
    if (got == static_cast<ssize_t>(sizeof childError)) {
        KillAndReap(child);
        result.startError = program + ": " + std::strerror(childError);
        return result;
    }

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(request.timeoutSeconds);
    long pause = kFirstPollNanoseconds;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return Finish(status);
        if (done < 0 && errno != EINTR) {
            result.startError = std::string("waitpid: ") + std::strerror(errno);
            return result;
        }
        if (stopRequested) {
            KillAndReap(child);
            result.end = TRunResult::TEnd::interrupted;
            return result;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            KillAndReap(child);
            result.end = TRunResult::TEnd::timedOut;
            result.code = request.timeoutSeconds;
            return result;
        }
        const timespec delay{0, pause};
        nanosleep(&delay, nullptr);
        pause = std::min(pause * 2, kLastPollNanoseconds);
    }
}

}  // namespace MacroRunner
