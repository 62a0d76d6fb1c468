// The system's handle behind a C library file descriptor.
#pragma once

#include <io.h>
#include <windows.h>

// INVALID_HANDLE_VALUE when `handle` is no open descriptor.
inline HANDLE OsHandle(int handle) {
    return handle < 0 ? INVALID_HANDLE_VALUE : reinterpret_cast<HANDLE>(_get_osfhandle(handle));
}

// Whether `handle` is a console: only a console has a console mode.
inline bool IsConsoleHandle(HANDLE handle) {
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode);
}
