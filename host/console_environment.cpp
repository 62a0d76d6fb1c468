#include "console_environment.h"

#include <algorithm>
#include <cstddef>

#include "errors/errors.h"
#include "errors/messages.h"
#include "system.h"

namespace {

// The names of the console's functions, made once rather than on every call.
const std::string print = "print", println = "println", getln = "getln";

}  // namespace

// Names and operators are the stock ones, and every other function name goes on
// to the built-in functions unchanged: the engine computes all of those itself.
TQuorinConsoleEnvironment::TQuorinConsoleEnvironment(TConsole& console) : console(console) {
    KeepsStockNameRule();
    KeepsStockOperators();
    ServesFunctionsItself({print, println, getln});
}

bool TQuorinConsoleEnvironment::CallFunction(int userData, const std::string& name,
                                             std::vector<Quorin::TExValue>& arguments,
                                             Quorin::TExValue& result) {
    if (SameName(name, print)) {
        CheckArguments(arguments, 1);
        console.Out(arguments[0].ToString());
        StopIfAsked();
        return true;
    }
    if (SameName(name, println)) {
        CheckArguments(arguments, 1, 0);
        if (!arguments[0].IsEmpty()) console.Out(arguments[0].ToString());
        console.EndLine();
        StopIfAsked();
        return true;
    }
    if (SameName(name, getln)) {
        CheckArguments(arguments, 0);
        std::string line = ReadLine();
        StopIfAsked();
        result = Quorin::TExValue(std::move(line));
        return true;
    }
    return TQuorinEnvironment::CallFunction(userData, name, arguments, result);
}

std::string TQuorinConsoleEnvironment::ReadLine() {
    const std::size_t limit = static_cast<std::size_t>(std::max(maxLineLength, 0)) + 1;
    std::string line = console.ReadLine(limit);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    // A NUL byte ends the line: what follows it on the same line is dropped.
    const std::size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    return line;
}

void TQuorinConsoleEnvironment::CheckStop(int, bool& stop) {
    stop = InterruptRequested() || console.OutputFailed();
}

void TQuorinConsoleEnvironment::StopIfAsked() {
    bool stop = false;
    CheckStop(0, stop);
    if (stop) throw Quorin::EStopped(Quorin::RuntimeMessage(Quorin::Messages::stopped));
}
