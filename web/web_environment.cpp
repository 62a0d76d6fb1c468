#include "web_environment.h"

#include <algorithm>
#include <cstddef>

#include "browser.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "web_limits.h"

namespace {

// The names of the console's functions, made once rather than on every call.
const std::string print = "print", println = "println", getln = "getln";

}  // namespace

// Names and operators are the stock ones, and every other function name goes on
// to the built-in functions unchanged: the engine computes all of those itself.
TQuorinWebEnvironment::TQuorinWebEnvironment() {
    KeepsStockNameRule();
    KeepsStockOperators();
    ServesFunctionsItself({print, println, getln});
    pollInterval = WebLimits::pollInterval;
}

bool TQuorinWebEnvironment::CallFunction(int userData, const std::string& name,
                                         std::vector<Quorin::TExValue>& arguments,
                                         Quorin::TExValue& result) {
    if (SameName(name, print)) {
        CheckArguments(arguments, 1);
        pending += arguments[0].ToString();
        if (pending.size() >= WebLimits::outputBufferBytes) Flush();
        StopIfAsked();
        return true;
    }
    if (SameName(name, println)) {
        CheckArguments(arguments, 1, 0);
        if (!arguments[0].IsEmpty()) pending += arguments[0].ToString();
        pending += '\n';
        Flush();
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

// As the console reads a line: the prompt written so far is shown first, the
// line feed goes, and a NUL byte ends the line.
std::string TQuorinWebEnvironment::ReadLine() {
    Flush();
    const std::size_t limit = static_cast<std::size_t>(std::max(maxLineLength, 0)) + 1;
    std::string line = Browser::ReadLine(limit);
    if (!line.empty() && line.back() == '\n') line.pop_back();
    const std::size_t nul = line.find('\0');
    if (nul != std::string::npos) line.resize(nul);
    return line;
}

void TQuorinWebEnvironment::Flush() {
    if (pending.empty()) return;
    Browser::Write(Browser::bsOutput, pending);
    pending.clear();
}

void TQuorinWebEnvironment::CheckStop(int, bool& stop) {
    stop = Browser::StopRequested();
}

void TQuorinWebEnvironment::StopIfAsked() {
    if (Browser::StopRequested())
        throw Quorin::EStopped(Quorin::RuntimeMessage(Quorin::Messages::stopped));
}
