// A run of the interpreter on a pseudo-terminal, as a person runs it from a shell.
//
// The runner forks a session process that plays the shell: it starts a session
// whose controlling terminal is the pseudo-terminal, starts the interpreter in a
// process group of its own, makes that the terminal's foreground group, and tells
// the runner through a pipe when the interpreter is suspended and when it has
// ended. Keys typed on the terminal then reach the interpreter as they would from
// a keyboard: Ctrl+C as SIGINT, Ctrl+Z as SIGTSTP. The interpreter's group must
// have its parent in the same session, or the system would discard the Ctrl+Z of
// an "orphaned" group; hence the session process rather than the runner itself.
//
// Meanwhile the runner reads everything the terminal shows, takes the test's steps
// at the terminal one after another, and plays the shell's part at a suspension:
// it puts the terminal back into its line mode, as a shell does when it takes the
// terminal back, and continues the interpreter on "fg".

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "child.h"

namespace MacroRunner {

namespace {

// What the session process reports to the runner, one record a write (small enough
// to arrive whole).
struct TSessionReport {
    char kind;  // 'P': the interpreter started as [value]; 'S': it was suspended;
                // 'E': it ended with wait status [value], the terminal in [mode]
    int value;
    termios mode;
};

// After the interpreter ended, what it wrote last may still be on its way through
// the terminal; the runner reads until the terminal reports its end, at most this long.
constexpr int kDrainMilliseconds = 2000;

// The modes compared at the end: those a program changes when it reads keys.
bool SameMode(const termios& a, const termios& b) {
    return a.c_lflag == b.c_lflag && a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag;
}

void Report(int pipe, char kind, int value, const termios* mode = nullptr) {
    TSessionReport report{};
    report.kind = kind;
    report.value = value;
    if (mode) report.mode = *mode;
    (void)!write(pipe, &report, sizeof report);
}

// The session process; see the top of the file. Async-signal-safe calls only until
// the interpreter has been started.
[[noreturn]] void RunSession(const TRunRequest& request, TChildCommand& command,
                             const char* terminalName, pid_t runner, int statusPipe,
                             int reportPipe) {
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != runner) _exit(127);
    setsid();
    // The first terminal a session leader opens becomes its controlling terminal.
    const int terminal = open(terminalName, O_RDWR);
    if (terminal < 0 || ioctl(terminal, TIOCSCTTY, 0) < 0) FailChild(statusPipe);
    // A shell ignores these so that it can hand the terminal on and take it back.
    for (const int signalNumber : {SIGTTOU, SIGTTIN, SIGTSTP}) signal(signalNumber, SIG_IGN);

    const pid_t session = getpid();
    const pid_t child = fork();
    if (child < 0) FailChild(statusPipe);
    if (child == 0) {
        close(reportPipe);
        setpgid(0, 0);
        tcsetpgrp(terminal, getpid());
        for (const int signalNumber : {SIGTTOU, SIGTTIN, SIGTSTP}) signal(signalNumber, SIG_DFL);
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != session) _exit(127);
        ExecChild(request, command, terminal, statusPipe);
    }
    close(statusPipe);
    setpgid(child, child);
    tcsetpgrp(terminal, child);
    Report(reportPipe, 'P', child);
    for (;;) {
        int status = 0;
        if (waitpid(child, &status, WUNTRACED) < 0) {
            if (errno == EINTR) continue;
            _exit(1);
        }
        if (WIFSTOPPED(status)) {
            Report(reportPipe, 'S', 0);
            continue;
        }
        termios mode{};
        tcgetattr(terminal, &mode);
        Report(reportPipe, 'E', status, &mode);
        _exit(0);
    }
}

// The runner's side of one session.
class TSession {
public:
    TSession(const TRunRequest& request, const std::string& terminalName, int master,
             const termios& lineMode)
        : request(request), terminalName(terminalName), master(master), lineMode(lineMode) {}

    // Reads what the terminal shows and what the session reports; true once the
    // interpreter has ended.
    bool Look(int reports) {
        ReadScreen();
        TSessionReport report;
        while (read(reports, &report, sizeof report) == static_cast<ssize_t>(sizeof report)) {
            if (report.kind == 'P') group = report.value;
            if (report.kind == 'S') suspended = true;
            if (report.kind == 'E') {
                ended = true;
                status = report.value;
                endMode = report.mode;
            }
        }
        return ended;
    }

    // Takes the steps that can be taken now; the description of the one that waits,
    // or "" when all are done.
    std::string TakeSteps() {
        while (step < request.events.size()) {
            if (!Take(request.events[step])) return request.events[step].description;
            ++step;
        }
        return "";
    }

    // Reads the last of what the terminal shows, until it reports that the
    // interpreter's side is closed.
    void Drain() {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kDrainMilliseconds);
        while (std::chrono::steady_clock::now() < deadline) {
            pollfd request{master, POLLIN, 0};
            if (poll(&request, 1, 50) < 0 && errno != EINTR) return;
            if (!ReadScreen()) return;
        }
    }

    std::string Screen() const {
        std::string screen;
        for (std::size_t i = 0; i < shown.size(); ++i) {
            if (shown[i] == '\r' && i + 1 < shown.size() && shown[i + 1] == '\n') continue;
            screen.push_back(shown[i]);
        }
        return screen;
    }

    pid_t group = 0;
    bool ended = false;
    int status = 0;
    termios endMode{};

private:
    // Appends what the terminal has; false once its other side is closed.
    bool ReadScreen() {
        char block[4096];
        for (;;) {
            const ssize_t count = read(master, block, sizeof block);
            if (count > 0) {
                shown.append(block, static_cast<std::size_t>(count));
                continue;
            }
            return count < 0 && (errno == EAGAIN || errno == EINTR);
        }
    }

    // The terminal's mode, read through a descriptor of its own.
    bool ReadMode(termios& mode) const {
        const int terminal = open(terminalName.c_str(), O_RDWR | O_NOCTTY);
        if (terminal < 0) return false;
        const bool read = tcgetattr(terminal, &mode) == 0;
        close(terminal);
        return read;
    }

    bool Take(const TTerminalEvent& event) {
        switch (event.kind) {
            case TTerminalEvent::TKind::send:
                return write(master, event.bytes.data(), event.bytes.size()) ==
                       static_cast<ssize_t>(event.bytes.size());
            case TTerminalEvent::TKind::waitScreen:
                return Find(Screen(), event.bytes, screenFrom);
            case TTerminalEvent::TKind::waitOutput: {
                std::ifstream file(request.outputPath, std::ios::binary);
                const std::string output{std::istreambuf_iterator<char>(file),
                                         std::istreambuf_iterator<char>()};
                return Find(output, event.bytes, outputFrom);
            }
            case TTerminalEvent::TKind::waitMode: {
                termios mode;
                if (!ReadMode(mode)) return false;
                const bool keyMode = (mode.c_lflag & (ICANON | ECHO)) == 0;
                const bool lineMode = (mode.c_lflag & (ICANON | ECHO)) == (ICANON | ECHO);
                return event.keyMode ? keyMode : lineMode;
            }
            case TTerminalEvent::TKind::resume: {
                if (!suspended || group <= 0) return false;
                const int terminal = open(terminalName.c_str(), O_RDWR | O_NOCTTY);
                if (terminal >= 0) {
                    tcsetattr(terminal, TCSANOW, &lineMode);
                    close(terminal);
                }
                suspended = false;
                kill(-group, SIGCONT);
                return true;
            }
        }
        return false;
    }

    static bool Find(const std::string& text, const std::string& wanted, std::size_t& from) {
        const std::size_t found = text.find(wanted, from);
        if (found == std::string::npos) return false;
        from = found + wanted.size();
        return true;
    }

    const TRunRequest& request;
    const std::string terminalName;
    const int master;
    const termios lineMode;
    std::string shown;  // as the terminal wrote it
    std::size_t step = 0;
    std::size_t screenFrom = 0;
    std::size_t outputFrom = 0;
    bool suspended = false;
};

// A pseudo-terminal's master side, closed when it goes out of scope.
class TMaster {
public:
    TMaster() : handle(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC)) {}
    ~TMaster() {
        if (handle >= 0) close(handle);
    }
    TMaster(const TMaster&) = delete;
    TMaster& operator=(const TMaster&) = delete;

    // The name of the terminal's side for programs, or "" when it cannot be had.
    std::string Open() {
        if (handle < 0 || grantpt(handle) != 0 || unlockpt(handle) != 0) return "";
        const char* name = ptsname(handle);
        return name ? name : "";
    }

    const int handle;
};

}  // namespace

TRunResult RunTerminalSession(const TRunRequest& request, TChildCommand& command) {
    TRunResult result;
    TMaster master;
    const std::string terminalName = master.Open();
    termios lineMode{};
    {
        const int terminal =
            terminalName.empty() ? -1 : open(terminalName.c_str(), O_RDWR | O_NOCTTY);
        if (terminal < 0 || tcgetattr(terminal, &lineMode) != 0) {
            result.startError = std::string("pseudo-terminal: ") + std::strerror(errno);
            if (terminal >= 0) close(terminal);
            return result;
        }
        const winsize size{24, 80, 0, 0};
        ioctl(terminal, TIOCSWINSZ, &size);
        close(terminal);
    }

    int statusPipe[2];
    int reportPipe[2];
    if (pipe2(statusPipe, O_CLOEXEC) < 0) {
        result.startError = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    if (pipe2(reportPipe, O_CLOEXEC | O_NONBLOCK) < 0) {
        result.startError = std::string("pipe: ") + std::strerror(errno);
        close(statusPipe[0]);
        close(statusPipe[1]);
        return result;
    }
    const pid_t runner = getpid();
    const pid_t session = fork();
    if (session == 0) {
        close(statusPipe[0]);
        close(reportPipe[0]);
        close(master.handle);
        RunSession(request, command, terminalName.c_str(), runner, statusPipe[1], reportPipe[1]);
    }
    close(statusPipe[1]);
    close(reportPipe[1]);
    if (session < 0) {
        result.startError = std::string("fork: ") + std::strerror(errno);
        close(statusPipe[0]);
        close(reportPipe[0]);
        return result;
    }
    result.startError = ReadStartError(statusPipe[0], command.program);
    close(statusPipe[0]);
    fcntl(master.handle, F_SETFL, O_NONBLOCK);

    TSession state(request, terminalName, master.handle, lineMode);
    if (!result.startError.empty()) {
        state.Look(reportPipe[0]);
        KillAndReap(session, state.group);
        close(reportPipe[0]);
        return result;
    }

    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(request.timeoutSeconds);
    TPollPause pause;
    std::string waiting;
    while (!state.Look(reportPipe[0])) {
        waiting = state.TakeSteps();
        if (StopRequested() || std::chrono::steady_clock::now() >= deadline) {
            KillAndReap(session, state.group);
            close(reportPipe[0]);
            result.end =
                StopRequested() ? TRunResult::TEnd::interrupted : TRunResult::TEnd::timedOut;
            result.code = request.timeoutSeconds;
            result.screen = state.Screen();
            result.waitingStep = waiting;
            return result;
        }
        pollfd looks[2] = {{master.handle, POLLIN, 0}, {reportPipe[0], POLLIN, 0}};
        poll(looks, 2, static_cast<int>(pause.Next() / 1'000'000) + 1);
    }
    close(reportPipe[0]);
    int sessionStatus = 0;
    while (waitpid(session, &sessionStatus, 0) < 0 && errno == EINTR) {
    }
    state.Drain();

    const std::string unfinished = state.TakeSteps();
    result = Finish(state.status);
    result.screen = state.Screen();
    result.terminalRestored = SameMode(state.endMode, lineMode);
    result.waitingStep = unfinished;
    return result;
}

}  // namespace MacroRunner
