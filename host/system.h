// What the console host needs from the operating system.
//
// Each function is small enough that a platform implements all of them in a
// few files of its own (posix/, windows/); everything above them is the same
// on every platform. Handles are the C library's file descriptors of the
// standard streams (fileno), which every platform has.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// Whether `handle` is a terminal a person types on and reads from.
bool IsTerminal(int handle);

// The character set the user's terminal expects, as the locale names it, in
// a form the text conversion knows (UTF-8, EUC-JP, ...). Empty when the
// locale is the plain C or POSIX one, whose terminal is taken to pass bytes
// through unchanged, or when nothing can be found out; always empty where a
// terminal is a wide console (below), which takes every character.
std::string TerminalCodeset();

// Whether `handle` is a console that takes its text as UTF-16 through the
// system's wide-character interface instead of as bytes: a console on
// Windows, never a terminal on POSIX systems. Such a console shows every
// character whatever its code page, so the console converts its text for it
// alone, and an encoding the user names holds for the other streams only.
// Reading such a console (ReadInput) gives code page 932 text.
bool IsWideConsole(int handle);

// The encoding of the text WriteWideConsole takes.
inline constexpr const char* wideConsoleEncoding = "UTF-16LE";

// Writes UTF-16LE text to the wide console behind `handle`; false when it
// could not be written.
bool WriteWideConsole(int handle, std::string_view text);

// Whether the system ends the lines of text written to `stream` with CR LF,
// as Windows does for the standard streams in text mode. If so, the stream is
// switched to writing bytes unchanged, and its writer puts CR LF for each line
// feed itself, before any conversion: in UTF-16 a byte 0x0A may be half of
// another character, which text mode would break.
bool TakeOverLineEnds(std::FILE* stream);

// Waits for one key press on the terminal behind `handle`, without echo and
// without waiting for Enter, and discards it. Returns at once when `handle` is
// not a terminal. The terminal's mode is restored afterwards, also when an
// interrupt or termination signal ends the program during the wait; when the
// program is suspended (Ctrl+Z) the terminal gets its mode back for the shell,
// and the wait resumes in key mode when the program is continued. A console
// of Windows waits for a key that is pressed, not released; modifier keys
// alone (Shift, Ctrl, Alt) do not count, as they send nothing to a terminal.
void WaitForKey(int handle);

// Ctrl+C during a run. Once installed, the first interrupt only makes
// InterruptRequested() true (the host stops the macro at its next chance and
// ends in order); a second one ends the process at once with
// exitInterrupted. Nothing is installed when interrupts are ignored (a
// program started in the background by a shell without job control), so that
// they stay ignored (on Windows the system sees to that itself). Remove puts
// back what was there before. Ctrl+Break counts as Ctrl+C on Windows.
void InstallInterruptHandler();
void RemoveInterruptHandler();
bool InterruptRequested();

// Reads up to `size` bytes from `handle` into `buffer`, waiting for input as
// a plain read does, but giving up as soon as an interrupt is requested, from
// whichever thread notices it. Returns the number of bytes read, 0 at the end
// of the input, or -1 when reading failed or was interrupted. A wide console
// is read as one, and what is typed arrives in code page 932, a character
// that code page lacks as '?'; a line that begins with Ctrl+Z ends the input.
long ReadInput(int handle, char* buffer, std::size_t size);

// The exit status after an interrupt, as shells report a program ended by one.
constexpr int exitInterrupted = 130;
