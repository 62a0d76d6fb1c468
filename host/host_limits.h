// Every limit of the console host, each with the reason it exists.
#pragma once

#include <cstddef>

namespace HostLimits {

// Macro output collects in memory up to this size before it is written out, so
// that a macro printing many small pieces costs few system calls. A line end
// written by the macro flushes earlier.
constexpr std::size_t outputBufferBytes = std::size_t{64} << 10;

// The macro file is read in blocks of this size: large enough that a file of
// tens of megabytes loads in a few hundred reads.
constexpr std::size_t scriptBlockBytes = std::size_t{64} << 10;

// Bytes reserved for the source text before the file is read, whatever its size.
constexpr std::size_t minimumScriptReserve = 512;

// Converted text is produced in blocks of this size on the stack and appended
// to its destination block by block; a character never needs more than a few
// bytes, so any size works, and this one makes a megabyte take few rounds.
constexpr std::size_t conversionBlockBytes = 4096;

// Input is read in blocks of this size: a terminal gives one line per read,
// and a file or pipe of many short lines needs few reads.
constexpr std::size_t inputBlockBytes = 4096;

// On Windows, a console read that Ctrl+C ends returns before the program's
// handler has run on a thread of its own; the reader waits this long for it
// before it takes the read for a spurious one and reads again.
constexpr unsigned long interruptArrivalMilliseconds = 100;

// On Windows a read of a pipe cannot give way to Ctrl+C, so a pipe is read
// only once it holds something: while it is empty it is looked at this often,
// which Ctrl+C interrupts at once, and costs nothing to speak of.
constexpr unsigned long pipePollMilliseconds = 10;

// A console read that Ctrl+C does not end by itself is cancelled by the
// handler, which has to catch it begun: it tries once a millisecond, this
// many times at most, in case the reader stays just before its read.
constexpr int cancelAttempts = 1000;

// An error's line is shown whole up to this many bytes; a longer one is cut
// around the marked place. With its number and the marks of the cuts it then
// still fits a terminal of 80 columns, in which a byte of code page 932 text
// takes one column.
constexpr std::size_t shownLineBytes = 60;

}  // namespace HostLimits
