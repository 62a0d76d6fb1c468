// Every limit of the playground's host, each with the reason it exists.
#pragma once

#include <cstddef>

namespace WebLimits {

// Output without a line end collects up to this size before it goes to the
// page (web/console.cpp).
constexpr std::size_t outputBufferBytes = std::size_t{64} << 10;

// Sentences between two questions whether Stop was pressed, for the engine's
// polls; the console's own interval is far shorter. Each question
// leaves the WebAssembly module for the worker's script; at this interval it
// costs nothing measurable, and a stop still comes within a millisecond.
constexpr int pollInterval = 1000;

}  // namespace WebLimits
