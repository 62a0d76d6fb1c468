#include "terminal.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

// What the signal handler needs to put the terminal back. Written before the
// handlers are installed and only read while they are.
int savedHandle = -1;
termios savedMode;

constexpr int restoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr int signalCount = sizeof(restoringSignals) / sizeof(restoringSignals[0]);

// Restores the terminal and lets the signal do what it would have done had we
// not been waiting: the handler is installed only over the default action.
extern "C" void RestoreAndReraise(int signalNumber) {
    tcsetattr(savedHandle, TCSANOW, &savedMode);
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

// Installs the restoring handler for the wait and puts the previous actions
// back when it ends, whichever way it ends.
class TSignalGuard {
public:
    TSignalGuard() {
        struct sigaction action = {};
        action.sa_handler = RestoreAndReraise;
        sigemptyset(&action.sa_mask);
        for (int i = 0; i < signalCount; ++i) {
            installed[i] = false;
            if (sigaction(restoringSignals[i], nullptr, &previous[i]) != 0) continue;
            if (previous[i].sa_handler != SIG_DFL) continue;
            installed[i] = sigaction(restoringSignals[i], &action, nullptr) == 0;
        }
    }
    TSignalGuard(const TSignalGuard&) = delete;
    TSignalGuard& operator=(const TSignalGuard&) = delete;
    ~TSignalGuard() {
        for (int i = 0; i < signalCount; ++i) {
            if (installed[i]) sigaction(restoringSignals[i], &previous[i], nullptr);
        }
    }

private:
    struct sigaction previous[signalCount];
    bool installed[signalCount];
};

}  // namespace

void WaitForKey(int handle) {
    if (handle < 0 || !isatty(handle)) return;
    termios mode;
    if (tcgetattr(handle, &mode) != 0) return;
    savedHandle = handle;
    savedMode = mode;

    TSignalGuard guard;
    termios keyMode = mode;
    keyMode.c_lflag &= ~(ICANON | ECHO);
    keyMode.c_cc[VMIN] = 1;
    keyMode.c_cc[VTIME] = 0;
    if (tcsetattr(handle, TCSANOW, &keyMode) != 0) return;

    char key;
    while (read(handle, &key, 1) < 0 && errno == EINTR) {
    }
    // A key such as an arrow arrives as several bytes; the rest of them must
    // not spill into whatever reads the terminal after us.
    tcflush(handle, TCIFLUSH);
    tcsetattr(handle, TCSANOW, &savedMode);
}
