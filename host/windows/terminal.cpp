// The terminal functions of system.h on Windows, where the terminal is a console.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "os_handle.h"
#include "system.h"

bool IsTerminal(int handle) {
    return IsConsoleHandle(OsHandle(handle));
}

// A console takes wide text, and every other stream gets bytes unchanged.
std::string TerminalCodeset() {
    return "";
}

bool IsWideConsole(int handle) {
    return IsTerminal(handle);
}

bool WriteWideConsole(int handle, std::string_view text) {
    const HANDLE console = OsHandle(handle);
    const auto* units = reinterpret_cast<const char*>(text.data());
    std::size_t left = text.size() / 2;
    while (left > 0) {
        // The console takes a limited amount per call on older systems.
        const DWORD most = left < 16384 ? static_cast<DWORD>(left) : 16384;
        std::wstring piece(most, L'\0');
        for (DWORD i = 0; i < most; ++i) {
            piece[i] = static_cast<wchar_t>(static_cast<unsigned char>(units[2 * i]) |
                                            static_cast<unsigned char>(units[2 * i + 1]) << 8);
        }
        DWORD written = 0;
        if (!WriteConsoleW(console, piece.data(), most, &written, nullptr) || written == 0)
            return false;
        units += 2 * written;
        left -= written;
    }
    return true;
}

bool TakeOverLineEnds(std::FILE* stream) {
    const int previous = _setmode(_fileno(stream), _O_BINARY);
    return previous != -1 && (previous & _O_TEXT) != 0;
}

namespace {

// What the control handler needs to put the console back when Ctrl+C ends
// the program during the wait. Written before the handler is installed.
HANDLE waitingConsole = INVALID_HANDLE_VALUE;
DWORD savedMode = 0;

// Puts the mode back and lets the next handler (the system's, which ends the
// program) do what it would have done.
BOOL WINAPI RestoreMode(DWORD) {
    SetConsoleMode(waitingConsole, savedMode);
    return FALSE;
}

// Keys that change what other keys mean and type nothing themselves.
bool IsModifier(WORD key) {
    switch (key) {
        case VK_SHIFT:
        case VK_CONTROL:
        case VK_MENU:
        case VK_LWIN:
        case VK_RWIN:
        case VK_CAPITAL:
        case VK_NUMLOCK:
        case VK_SCROLL:
            return true;
        default:
            return false;
    }
}

}  // namespace

void WaitForKey(int handle) {
    const HANDLE console = OsHandle(handle);
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return;
    waitingConsole = console;
    savedMode = mode;
    SetConsoleCtrlHandler(RestoreMode, TRUE);
    if (SetConsoleMode(console, mode & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT))) {
        INPUT_RECORD record;
        DWORD count = 0;
        while (ReadConsoleInputW(console, &record, 1, &count) && count == 1) {
            if (record.EventType != KEY_EVENT) continue;
            const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
            if (key.bKeyDown && !IsModifier(key.wVirtualKeyCode)) break;
        }
        SetConsoleMode(console, mode);
    }
    SetConsoleCtrlHandler(RestoreMode, FALSE);
}
