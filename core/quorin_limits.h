// Every limit of the interpreter core, each with the reason it exists.
#pragma once

#include <cstddef>

namespace Quorin::Limits {

// Deepest recursion of the analysis, counted in requests in progress: one per
// level of brackets, prefix operators, blocks, loops or assignments, two per
// level of calls or if/else chains. Long chains such as a + b + c ... do not
// nest, and are taken in loops. A macro that nests deeper is a syntax error of
// its own.
constexpr int maxNesting = 24000;

// Stack that the analysis and translation of a macro may use, from where they
// begin, whatever more the thread has: with the bound above it keeps every
// level of every kind of nesting within 8 MiB, the stack a thread normally
// has, and makes the deepest nesting accepted the same on every machine
// (at least 10,000 levels of any kind). Sanitizer builds have frames several
// times larger and get a stack to match. So, by about a third, do builds for
// 64-bit Windows, whose calling convention gives every call room for four
// arguments and saves more registers: they get 10 MiB of a 12 MiB stack, the
// stack quorin.exe is linked with, where Windows programs have 1 MiB unless
// they ask.
#if defined(__SANITIZE_ADDRESS__)
#define QUORIN_LARGE_FRAMES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORIN_LARGE_FRAMES 1
#endif
#endif
#ifdef QUORIN_LARGE_FRAMES
constexpr std::size_t nestingStackBytes = std::size_t{40} << 20;
#elif defined(_WIN32)
constexpr std::size_t nestingStackBytes = std::size_t{10} << 20;
#else
constexpr std::size_t nestingStackBytes = std::size_t{7} << 20;
#endif

// What recursion leaves of the stack: when less than this is left, analysis
// and translation stop with the nesting error before the stack runs out (on a
// thread with a small stack; callbacks of the environment run below the
// deepest frame and need room too).
constexpr std::size_t stackReserveBytes = std::size_t{64} << 10;

// The stack assumed where the platform does not tell how much there is.
constexpr std::size_t assumedStackBytes = std::size_t{1} << 20;

// Longest macro text the analysis takes, before and after its preparation. A
// word records where it starts and the number of its text, which fits in 28
// bits while the text is no longer than this; and however a file is read, it
// is refused once it passes this size, before it can take the machine's memory.
// No macro written by hand comes near it.
constexpr std::size_t maxSourceBytes = std::size_t{256} << 20;

// Longest string "cat" and "cat=" build. A macro whose text grows past it (a
// string doubled in a loop reaches any size within a few dozen sentences) gets
// the out-of-memory error at once, before it can take the machine's memory.
constexpr std::size_t maxStringBytes = std::size_t{512} << 20;

}  // namespace Quorin::Limits
