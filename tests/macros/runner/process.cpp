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

#include "child.h"

extern char** environ;

namespace MacroRunner {

namespace {

// A macro caught in an output loop would otherwise fill the disk before its timeout;
// the child is killed by SIGXFSZ when one of its capture files grows past this.
constexpr rlim_t kMaxCaptureBytes = rlim_t{256} << 20;

// The longest pause between two looks at the child.
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

// The variables that choose a locale; a terminal session decides them itself, so
// that what the terminal shows does not depend on the shell that runs the suite.
bool IsLocaleVariable(const std::string& name) {
    return name == "LANG" || name == "LANGUAGE" || name.rfind("LC_", 0) == 0;
}

std::vector<std::string> ChildEnvironment(const TRunRequest& request) {
    const auto& changes = request.environment;
    const bool ownLocale = request.locale || request.terminal.Any();
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
        if (!replaced && !setting && !(ownLocale && IsLocaleVariable(name))) {
            result.push_back(text);
        }
    }
    if (request.locale) result.push_back("LANG=" + *request.locale);
    for (const auto& [name, value] : changes) result.push_back(name + "=" + value);
    return result;
}

// Makes [path] the descriptor [target], opened with [flags].
bool Redirect(const std::string& path, int flags, int target) {
    const int handle = open(path.c_str(), flags, 0600);
    return handle >= 0 && dup2(handle, target) >= 0;
}

}  // namespace

bool TChildCommand::Resolve(std::string& path) {
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved)) {
        startError = path + ": " + std::strerror(errno);
        return false;
    }
    path = resolved;
    return true;
}

std::string TChildCommand::FindOnPath(const std::string& name) {
    const char* variable = std::getenv("PATH");
    const std::string path = variable ? variable : "";
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t end = std::min(path.find(':', start), path.size());
        const std::string directory = end > start ? path.substr(start, end - start) : ".";
        const std::string candidate = directory + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return name;
}

void FailChild(int statusPipe) {
    const int error = errno;
    (void)!write(statusPipe, &error, sizeof error);
    _exit(127);
}

TChildCommand::TChildCommand(const TRunRequest& request) : program(request.program) {
    if (!request.launcher.empty()) {
        // The launcher is the child's program and gets the path of the program under
        // test as its first argument, whole, since the child changes its directory.
        if (!Resolve(program)) return;
        arguments = {request.launcher, program};
        program = request.launcher.find('/') != std::string::npos ? request.launcher
                                                                  : FindOnPath(request.launcher);
    } else {
        arguments.push_back(request.program);
    }
    if (program.find('/') != std::string::npos && !Resolve(program)) return;
    arguments.insert(arguments.end(), request.arguments.begin(), request.arguments.end());
    environment = ChildEnvironment(request);
    argv = PointerList(arguments);
    envp = PointerList(environment);
}

void ExecChild(const TRunRequest& request, TChildCommand& command, int terminal, int statusPipe) {
    const bool input = request.terminal.input && terminal >= 0;
    const bool output = request.terminal.output && terminal >= 0;
    const bool errors = request.terminal.errors && terminal >= 0;
    if (input ? dup2(terminal, STDIN_FILENO) < 0
              : !Redirect(request.inputPath, O_RDONLY, STDIN_FILENO)) {
        FailChild(statusPipe);
    }
    const int writing = O_WRONLY | O_CREAT | O_TRUNC;
    if (output ? dup2(terminal, STDOUT_FILENO) < 0
               : !Redirect(request.outputPath, writing, STDOUT_FILENO)) {
        FailChild(statusPipe);
    }
    if (errors ? dup2(terminal, STDERR_FILENO) < 0
               : !Redirect(request.errorPath, writing, STDERR_FILENO)) {
        FailChild(statusPipe);
    }
    if (terminal > STDERR_FILENO) close(terminal);
    if (chdir(request.workingDirectory.c_str()) < 0) FailChild(statusPipe);
    const rlimit captureLimit{kMaxCaptureBytes, kMaxCaptureBytes};
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_FSIZE, &captureLimit);
    setrlimit(RLIMIT_CORE, &noCore);
    signal(SIGPIPE, SIG_DFL);
    execve(command.program.c_str(), command.Arguments(), command.Environment());
    FailChild(statusPipe);
}

std::string ReadStartError(int statusPipe, const std::string& program) {
    int childError = 0;
    ssize_t got;
    while ((got = read(statusPipe, &childError, sizeof childError)) < 0 && errno == EINTR) {
    }
    if (got != static_cast<ssize_t>(sizeof childError)) return "";
    return program + ": " + std::strerror(childError);
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

void KillAndReap(pid_t child, pid_t group) {
    if (group > 0) kill(-group, SIGKILL);
    kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

bool StopRequested() {
    return stopRequested != 0;
}

long TPollPause::Next() {
    const long pause = nanoseconds;
    nanoseconds = std::min(nanoseconds * 2, kLastPollNanoseconds);
    return pause;
}

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
    TChildCommand command(request);
    if (!command.startError.empty()) {
        result.startError = command.startError;
        return result;
    }
    if (request.terminal.Any()) return RunTerminalSession(request, command);

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
        setpgid(0, 0);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);  // the runner died before the line above
        ExecChild(request, command, -1, statusPipe[1]);
    }
    close(statusPipe[1]);

    // The pipe closes on a successful exec; an errno arrives when the start failed.
    result.startError = ReadStartError(statusPipe[0], command.program);
    close(statusPipe[0]);
    if (!result.startError.empty()) {
        KillAndReap(child, child);
        return result;
    }

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(request.timeoutSeconds);
    TPollPause pause;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) return Finish(status);
        if (done < 0 && errno != EINTR) {
            result.startError = std::string("waitpid: ") + std::strerror(errno);
            return result;
        }
        if (StopRequested()) {
            KillAndReap(child, child);
            result.end = TRunResult::TEnd::interrupted;
            return result;
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            KillAndReap(child, child);
            result.end = TRunResult::TEnd::timedOut;
            result.code = request.timeoutSeconds;
            return result;
        }
        const timespec delay{0, pause.Next()};
        nanosleep(&delay, nullptr);
    }
}

}  // namespace MacroRunner
