// The interrupt functions of system.h on Windows.
//
// The system calls the control handler on a thread of its own when Ctrl+C is
// pressed. A read of the console is ended by Ctrl+C, before or after the
// handler has run; where the console leaves it waiting (wine's does), the
// handler cancels it. A read of a pipe would wait on regardless, so an empty
// pipe is looked at now and then instead, between waits for the interrupt.
#include <windows.h>

#include <atomic>

#include "host_limits.h"
#include "os_handle.h"
#include "system.h"

namespace {

std::atomic<bool> interrupted{false};

bool installed = false;
// Set by the handler, for whoever waits for input.
HANDLE interruptEvent = nullptr;
// The thread that installed the handler, which reads, and whether it is about
// to read the console or reading it.
HANDLE readingThread = nullptr;
std::atomic<bool> readingConsole{false};

BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (interrupted.exchange(true)) TerminateProcess(GetCurrentProcess(), exitInterrupted);
    SetEvent(interruptEvent);
    // The reader sets `readingConsole` before it looks at `interrupted`, so
    // either it sees the interrupt and does not read, or its read is
    // cancelled here once it has begun (or has ended by itself).
    for (int attempt = 0; readingConsole.load() && attempt < HostLimits::cancelAttempts; ++attempt) {
        if (CancelSynchronousIo(readingThread)) break;
        Sleep(1);
    }
    return TRUE;
}

// Waits up to `milliseconds` for an interrupt; whether one was requested.
bool WaitForInterrupt(DWORD milliseconds) {
    if (interruptEvent) {
        WaitForSingleObject(interruptEvent, milliseconds);
    } else {
        Sleep(milliseconds);
    }
    return InterruptRequested();
}

// Reads bytes of a file or pipe; a pipe whose writer has gone ends the input.
long ReadBytes(HANDLE source, char* buffer, std::size_t size) {
    DWORD count = 0;
    const DWORD most = size < MAXDWORD ? static_cast<DWORD>(size) : MAXDWORD;
    if (ReadFile(source, buffer, most, &count, nullptr)) return static_cast<long>(count);
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
}

// Reads a pipe once it holds something, or its writer has gone. A pipe that
// cannot be looked into (wine's pipes of the host system) is read plainly:
// only a second Ctrl+C, which ends the program, ends that wait.
long ReadPipe(HANDLE pipe, char* buffer, std::size_t size) {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr)) {
            if (GetLastError() == ERROR_BROKEN_PIPE) return 0;
            return ReadBytes(pipe, buffer, size);
        }
        if (available > 0) return ReadBytes(pipe, buffer, available < size ? available : size);
        if (WaitForInterrupt(HostLimits::pipePollMilliseconds)) return -1;
    }
}

// Reads what is typed on the console, as code page 932; -2 when the read
// ended without input, as Ctrl+C ends it.
long ReadConsoleText(HANDLE console, char* buffer, std::size_t size) {
    // A character becomes at most two bytes of code page 932.
    wchar_t wide[HostLimits::inputBlockBytes / 2];
    const std::size_t fitting = size / 2 < std::size(wide) ? size / 2 : std::size(wide);
    DWORD count = 0;
    if (!ReadConsoleW(console, wide, static_cast<DWORD>(fitting), &count, nullptr)) {
        return GetLastError() == ERROR_OPERATION_ABORTED ? -2 : -1;
    }
    if (count == 0) return -2;
    // Ctrl+Z at the start of a line is how a console user ends the input.
    if (wide[0] == 0x1A) return 0;
    const int bytes = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, static_cast<int>(count),
                                          buffer, static_cast<int>(size), nullptr, nullptr);
    return bytes > 0 ? bytes : -1;
}

}  // namespace

void InstallInterruptHandler() {
    if (installed) return;
    interrupted = false;
    interruptEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &readingThread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
    installed = interruptEvent && readingThread && SetConsoleCtrlHandler(OnControl, TRUE);
    if (!installed) RemoveInterruptHandler();
}

void RemoveInterruptHandler() {
    if (installed) SetConsoleCtrlHandler(OnControl, FALSE);
    installed = false;
    for (HANDLE* handle : {&interruptEvent, &readingThread}) {
        if (*handle) CloseHandle(*handle);
        *handle = nullptr;
    }
}

bool InterruptRequested() {
    return interrupted.load(std::memory_order_relaxed);
}

long ReadInput(int handle, char* buffer, std::size_t size) {
    const HANDLE source = OsHandle(handle);
    if (InterruptRequested()) return -1;
    if (GetFileType(source) == FILE_TYPE_PIPE) return ReadPipe(source, buffer, size);
    if (!IsConsoleHandle(source)) return ReadBytes(source, buffer, size);
    for (;;) {
        readingConsole = true;
        const long count = InterruptRequested() ? -2 : ReadConsoleText(source, buffer, size);
        readingConsole = false;
        if (count != -2) return InterruptRequested() ? -1 : count;
        // A read that Ctrl+C ended: the handler may not have run yet. Without
        // a handler, Ctrl+C ends the program and this cannot be it.
        if (!interruptEvent) return -1;
        if (WaitForInterrupt(HostLimits::interruptArrivalMilliseconds)) return -1;
    }
}
