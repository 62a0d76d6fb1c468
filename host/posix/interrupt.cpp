// The interrupt functions of system.h on POSIX systems.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>

#include "system.h"

namespace {

// Set by the handler, read by the macro's thread at every poll: the handler
// may run on any thread of the process.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler needs a lock-free flag");

// The handler writes a byte into this pipe so that a thread waiting for input
// wakes up even when the signal went to another thread. -1 while not installed.
std::atomic<int> wakeRead{-1};
std::atomic<int> wakeWrite{-1};

bool installed = false;
struct sigaction previousAction;

extern "C" void OnInterrupt(int) {
    if (interrupted.exchange(true)) _exit(exitInterrupted);
    const int savedErrno = errno;
    const int pipeEnd = wakeWrite.load();
    if (pipeEnd >= 0) {
        const char byte = 0;
        (void)!write(pipeEnd, &byte, 1);
    }
    errno = savedErrno;
}

}  // namespace

void InstallInterruptHandler() {
    if (installed) return;
    struct sigaction current;
    if (sigaction(SIGINT, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) return;
    int ends[2];
    if (pipe(ends) != 0) return;
    for (const int end : ends) fcntl(end, F_SETFD, FD_CLOEXEC);
    fcntl(ends[1], F_SETFL, O_NONBLOCK);
    wakeRead = ends[0];
    wakeWrite = ends[1];
    interrupted = false;

    struct sigaction action = {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Output that a terminal or a pipe holds up must still be written in full
    // after the first interrupt: only reading gives way to it (ReadInput).
    action.sa_flags = SA_RESTART;
    installed = sigaction(SIGINT, &action, &previousAction) == 0;
    if (!installed) RemoveInterruptHandler();
}

void RemoveInterruptHandler() {
    if (installed) sigaction(SIGINT, &previousAction, nullptr);
    installed = false;
    const int readEnd = wakeRead.exchange(-1);
    const int writeEnd = wakeWrite.exchange(-1);
    if (readEnd >= 0) close(readEnd);
    if (writeEnd >= 0) close(writeEnd);
}

bool InterruptRequested() {
    return interrupted.load(std::memory_order_relaxed);
}

long ReadInput(int handle, char* buffer, std::size_t size) {
    for (;;) {
        if (InterruptRequested()) return -1;
        const int wake = wakeRead.load();
        if (wake >= 0) {
            pollfd waits[2] = {{handle, POLLIN, 0}, {wake, POLLIN, 0}};
            if (poll(waits, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            if (waits[1].revents != 0) return -1;
        }
        const ssize_t count = read(handle, buffer, size);
        if (count >= 0) return static_cast<long>(count);
        if (errno != EINTR) return -1;
    }
}
