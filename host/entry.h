// The console program's run, from the command line to the closing prompt.
#pragma once

#include <functional>

#include "console.h"

// Exit statuses of the program.
constexpr int exitSuccess = 0;
constexpr int exitUsage = 1;  // missing argument, unopenable file, unusable encoding or source
constexpr int exitInternalFault = 2;  // an error the interpreter could not report as the macro's

// Sets up the console's encoding and the source encoding from the
// environment, loads the macro named on the command line, runs it in a fresh console
// environment, reports an error of the macro in a frame on the error stream,
// shows the closing prompt and waits for a key. Errors of the macro end here;
// anything else (an internal fault, an exhausted heap) leaves as an exception.
int RunConsoleHost(TConsole& console, int argc, char** argv);

// Runs `body` and returns its status. An exception that escapes it is not left
// to abort the process: its message goes to the error stream, after the output
// written so far, and the status is exitInternalFault.
int GuardInternalFaults(TConsole& console, const std::function<int()>& body);
