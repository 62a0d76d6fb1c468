// What the playground needs from the page around it. The core runs in a Web
// Worker; these functions reach the worker's script, which talks to the page.
// They are the browser's counterpart of host/system.h and host/console.h: the
// one place where bytes leave or enter the WebAssembly module.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "errors/errors.h"

namespace Browser {

enum TStream { bsOutput = 1, bsErrors = 2 };

// Hands code page 932 bytes to `stream`. The worker converts them to the
// page's text, completing a double-byte character split between two calls.
void Write(TStream stream, std::string_view bytes);

// At most `limit` bytes of one line of input, stopping after its line feed,
// with every CR LF pair read as a single LF, converted to code page 932, as the
// console reads a line typed in UTF-8. Waits until the person enters a line,
// unless the run was given its input beforehand. Empty when the input has
// ended or Stop was pressed.
std::string ReadLine(std::size_t limit);

// Whether Stop was pressed (or the script interface asked to stop) during this run.
bool StopRequested();

// Tells the page where the error being reported arose, for it to mark the
// place in the editor.
void ShowErrorPlace(const TErrorPlace& place);

}  // namespace Browser
