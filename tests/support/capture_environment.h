// An environment for tests: console output captured in memory, input from a
// string, and an optional stop after a number of polls.
#pragma once

#include <string>
#include <vector>

#include "environment/environment.h"

class TCaptureEnvironment : public TQuorinEnvironment {
public:
    std::string output;
    std::vector<std::string> input;  // lines handed out by getln, first to last
    int polls = 0;
    int stopAfterPolls = -1;  // negative: never stop

    // Names and operators are the stock ones, and every other function name
    // goes on to the built-in functions unchanged.
    TCaptureEnvironment() {
        KeepsStockNameRule();
        KeepsStockOperators();
        ServesFunctionsItself({"print", "println", "getln"});
    }

    bool CallFunction(int userData, const std::string& name,
                      std::vector<Quorin::TExValue>& arguments, Quorin::TExValue& result) override {
        if (SameName(name, "print")) {
            CheckArguments(arguments, 1);
            output += arguments[0].ToString();
            return true;
        }
        if (SameName(name, "println")) {
            CheckArguments(arguments, 1, 0);
            output += arguments[0].ToString();
            output += '\n';
            return true;
        }
        if (SameName(name, "getln")) {
            CheckArguments(arguments, 0);
            std::string line;
            if (!input.empty()) {
                line = input.front();
                input.erase(input.begin());
            }
            result = Quorin::TExValue(line);
            return true;
        }
        return TQuorinEnvironment::CallFunction(userData, name, arguments, result);
    }

    void CheckStop(int, bool& stop) override {
        ++polls;
        if (stopAfterPolls >= 0 && polls >= stopAfterPolls) stop = true;
    }
};
