// The environment every macro of the playground runs in.
#pragma once

#include <string>
#include <vector>

#include "environment/environment.h"

// Adds the console's three functions, `print`, `println` and `getln`, with the
// console's behaviour, on the page's output pane and input line. They are tried
// before the language's built-in functions; every other name goes on to those.
//
// Output collects here and goes to the page by whole pieces: at each line end,
// before a line is read, when much has collected, and when the run ends (Flush).
//
// The macro is stopped, as the engine stops it (EStopped), once Stop was
// pressed: at the engine's next poll, or at once in one of the functions
// above, which may otherwise wait for a line that never comes.
class TQuorinWebEnvironment : public TQuorinEnvironment {
public:
    // The longest line `getln` returns whole, as on the console.
    int maxLineLength = 255;

    TQuorinWebEnvironment();

    bool CallFunction(int userData, const std::string& name,
                      std::vector<Quorin::TExValue>& arguments, Quorin::TExValue& result) override;

    void CheckStop(int userData, bool& stop) override;

    // Sends the output collected so far to the page.
    void Flush();

private:
    // Throws EStopped when CheckStop would ask to stop.
    void StopIfAsked();
    std::string ReadLine();

    std::string pending;
};
