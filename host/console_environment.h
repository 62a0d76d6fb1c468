// The environment every macro of the console program runs in.
#pragma once

#include <string>
#include <vector>

#include "console.h"
#include "environment/environment.h"

// Adds the three functions through which a macro talks to the console: `print`
// writes a value, `println` writes a value (or nothing) and ends the line, and
// `getln` reads one line. They are tried before the language's built-in
// functions; every other name goes on to those.
//
// The macro is stopped, as the engine stops it (EStopped), once Ctrl+C was
// pressed or the output could not be written: at the engine's next poll, or
// at once in a console function, which may otherwise wait for a line or write
// to no avail.
class TQuorinConsoleEnvironment : public TQuorinEnvironment {
public:
    // The longest line `getln` returns whole together with its line feed; a
    // longer line comes back in pieces of maxLineLength + 1 bytes.
    int maxLineLength = 255;

    // The console is borrowed and must outlive the environment.
    explicit TQuorinConsoleEnvironment(TConsole& console);

    bool CallFunction(int userData, const std::string& name,
                      std::vector<Quorin::TExValue>& arguments, Quorin::TExValue& result) override;

    // Asks to stop after an interrupt or a failed write of the output.
    void CheckStop(int userData, bool& stop) override;

    // The line reader behind `getln`: one line without its line feed, cut at
    // the first NUL byte; the empty string once the input has ended.
    std::string ReadLine();

private:
    // Throws EStopped when CheckStop would ask to stop.
    void StopIfAsked();

    TConsole& console;
};
