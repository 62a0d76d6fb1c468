// Every limit of the interpreter core, each with the reason it exists.
#pragma once

#include <cstddef>

namespace Quorin::Limits {

// Deepest syntax tree the analyser builds, counted in items from the root to the
// deepest leaf (a left-deep operator chain counts one level per operator). Analysis,
// evaluation and destruction all recurse along the tree, so this bound, together
// with `runStackBytes`, is what keeps every recursion inside its stack. One level
// of brackets costs one item, one level of blocks or calls two.
constexpr int maxTreeDepth = 200000;

// Stack reserved for the thread that analyses, runs and destroys a macro. It is
// address space, not memory: pages are touched only as deep as a macro nests.
// Sized for `maxTreeDepth` under AddressSanitizer, whose frames are several times larger.
constexpr std::size_t runStackBytes = std::size_t{4} << 30;

// Where the address space for that stack is not to be had, smaller stacks down to
// this size are tried, with the tree depth scaled down in proportion.
constexpr std::size_t smallestRunStackBytes = std::size_t{16} << 20;

// The depth allowed when no thread could be started at all and the macro runs on
// the caller's stack, of which only the usual 8 MiB may be assumed.
constexpr int callerStackTreeDepth = 1000;

// Longest string "cat" and "cat=" build. A macro whose text grows past it (a
// string doubled in a loop reaches any size within a few dozen sentences) gets
// the out-of-memory error at once, before it can take the machine's memory.
constexpr std::size_t maxStringBytes = std::size_t{512} << 20;

}  // namespace Quorin::Limits
