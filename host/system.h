// What the console host needs from the operating system.
//
// Each function is small enough that a platform implements all of them in a
// few files of its own (posix/ here); everything above them is the same on
// every platform. Handles are the C library's file descriptors of the
// standard streams (fileno), which every platform has.
#pragma once

#include <cstddef>
#include <string>

// Whether `handle` is a terminal a person types on and reads from.
bool IsTerminal(int handle);

// The character set the user's terminal expects, as the locale names it, in
// a form iconv knows (UTF-8, EUC-JP, ...). Empty when the locale is the plain
// C or POSIX one, whose terminal is taken to pass bytes through unchanged,
// or when nothing can be found out.
std::string TerminalCodeset();

// Waits for one key press on the terminal behind `handle`, without echo and
// without waiting for Enter, and discards it. Returns at once when `handle` is
// not a terminal. The terminal's mode is restored afterwards, also when an
// interrupt or termination signal ends the program during the wait; when the
// program is suspended (Ctrl+Z) the terminal gets its mode back for the shell,
// and the wait resumes in key mode when the program is continued.
void WaitForKey(int handle);

// Ctrl+C during a run. Once installed, the first interrupt only makes
// InterruptRequested() true (the host stops the macro at its next chance and
// ends in order); a second one ends the process at once with
// exitInterrupted. Nothing is installed when interrupts are ignored (a
// program started in the background by a shell without job control), so that
// they stay ignored. Remove puts back what was there before.
void InstallInterruptHandler();
void RemoveInterruptHandler();
bool InterruptRequested();

// Reads up to `size` bytes from `handle` into `buffer`, waiting for input as
// a plain read does, but giving up as soon as an interrupt is requested, from
// whichever thread notices it. Returns the number of bytes read, 0 at the end
// of the input, or -1 when reading failed or was interrupted.
long ReadInput(int handle, char* buffer, std::size_t size);

// The exit status after an interrupt, as shells report a program ended by one.
constexpr int exitInterrupted = 130;
