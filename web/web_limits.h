// Every limit of the playground's host, each with the reason it exists.
#pragma once

#include <cstddef>

namespace WebLimits {

// Output collects up to this size before it goes to the page, as on the
// console: a macro printing many small pieces without a line end then costs
// few crossings into the worker's script.
constexpr std::size_t outputBufferBytes = std::size_t{64} << 10;

// Sentences between two questions whether Stop was pressed. Each question
// leaves the WebAssembly module for the worker's script; at this interval it
// costs nothing measurable, and a stop still comes within a millisecond.
constexpr int pollInterval = 1000;

}  // namespace WebLimits
