// The console program's run, from the command line to the closing prompt.
#pragma once

#include <functional>

#include "console.h"
#include "system.h"

// Exit statuses of the program; exitInterrupted (130) is in system.h.
constexpr int exitSuccess = 0;
constexpr int exitUsage = 1;  // missing argument, unopenable file, unusable encoding or source
constexpr int exitInternalFault = 2;  // an error the interpreter could not report as the macro's
constexpr int exitOutputFailed = 2;   // the output could not be written

// Sets up the console's encoding from the environment and the terminal,
// answers --help and --version, loads the macro named on the command line
// (in the encoding it declares or the environment names), runs it in a fresh
// console environment, reports an error of the macro in a frame on the error
// stream, shows the closing prompt and, when a person can answer it, waits for
// a key. Ctrl+C ends the run with its output written and exitInterrupted;
// output that cannot be written stops the macro and ends with
// exitOutputFailed. Errors of the macro end here; anything else (an internal
// fault, an exhausted heap) leaves as an exception.
int RunConsoleHost(TConsole& console, int argc, char** argv);

// Runs `body` and returns its status. An exception that escapes it is not left
// to abort the process: its message goes to the error stream, after the output
// written so far, and the status is exitInternalFault.
int GuardInternalFaults(TConsole& console, const std::function<int()>& body);
