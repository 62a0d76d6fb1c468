// The interrupt functions of system.h on Windows.
//
// The system calls the control handler on a thread of its own when Ctrl+C is
// pressed. A read of a pipe or a file does not give way to it by itself, so the
// handler cancels the read of the thread that waits; a read of the console is
// ended by Ctrl+C, before or after the handler has run.
#include <windows.h>

#include <atomic>

#include "host_limits.h"
#include "os_handle.h"
#include "system.h"

namespace {

std::atomic<bool> interrupted{false};
// True while ReadInput is about to read or reading; the handler cancels the
// read for as long as it is.
std::atomic<bool> reading{false};

bool installed = false;
// The thread that reads, and an event the handler sets for a console read
// that Ctrl+C ended before the handler had run.
HANDLE readingThread = nullptr;
HANDLE interruptEvent = nullptr;

BOOL WINAPI OnControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    if (interrupted.exchange(true)) TerminateProcess(GetCurrentProcess(), exitInterrupted);
    SetEvent(interruptEvent);
    // The reader sets `reading` before it looks at `interrupted`, so either it
    // sees the interrupt and does not read, or its read is cancelled here,
    // once it has begun.
    for (int attempt = 0; reading.load() && attempt < HostLimits::cancelAttempts; ++attempt) {
        if (CancelSynchronousIo(readingThread)) break;
        Sleep(1);
    }
    return TRUE;
}

// Reads bytes of a file or pipe; a pipe whose writer has gone ends the input.
long ReadBytes(HANDLE source, char* buffer, std::size_t size) {
    DWORD count = 0;
    const DWORD most = size < MAXDWORD ? static_cast<DWORD>(size) : MAXDWORD;
    if (ReadFile(source, buffer, most, &count, nullptr)) return static_cast<long>(count);
    return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
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
    const bool console = IsConsoleHandle(source);
    for (;;) {
        reading = true;
        if (InterruptRequested()) {
            reading = false;
            return -1;
        }
        const long count =
            console ? ReadConsoleText(source, buffer, size) : ReadBytes(source, buffer, size);
        reading = false;
        if (count != -2) return InterruptRequested() ? -1 : count;
        // A console read that Ctrl+C ended: the handler may not have run yet.
        // Without a handler, Ctrl+C ends the program and this cannot be it.
        if (!interruptEvent) return -1;
        WaitForSingleObject(interruptEvent, HostLimits::interruptArrivalMilliseconds);
    }
}
