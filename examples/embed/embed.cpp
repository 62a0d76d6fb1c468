// A host program that embeds the Quorin core. Its environment keeps what macros
// print in memory, adds two functions of its own and stops macros that run too long.
#include <iostream>
#include <string>
#include <vector>

#include "engine/quorin.h"
#include "environment/environment.h"
#include "errors/errors.h"

// TQuorinEnvironment brings the language itself: operators, constants and the
// built-in functions. Output is the host's business, so print and println are here.
class TEmbedEnvironment : public TQuorinEnvironment {
public:
    std::string output;  // everything the macro printed
    int polls = 0;       // how often the engine asked whether to stop
    int maxPolls = 100;  // the poll at which the answer becomes "stop"

    // What this class keeps as TQuorinEnvironment has it, so that the engine
    // computes the operators and the other built-in functions itself.
    TEmbedEnvironment() {
        KeepsStockNameRule();
        KeepsStockOperators();
        ServesFunctionsItself({"print", "println", "square", "swap"});
    }

    bool CallFunction(int userData, const std::string& name,
                      std::vector<Quorin::TExValue>& arguments, Quorin::TExValue& result) override {
        if (SameName(name, "print")) {
            CheckArguments(arguments, 1);
            output += arguments[0].ToString();
            return true;
        }
        if (SameName(name, "println")) {
            CheckArguments(arguments, 1, 0);  // an omitted argument arrives as an empty handle
            output += arguments[0].ToString() + "\n";
            return true;
        }
        // square(x): wraps around like the language's own 32-bit arithmetic, since
        // converting a 64-bit product to int keeps its low 32 bits.
        if (SameName(name, "square")) {
            CheckArguments(arguments, 1);
            const long long x = arguments[0].ToInt();
            result = Quorin::TExValue(static_cast<int>(x * x));
            return true;
        }
        // swap(a, b) writes into its arguments: a variable arrives as a handle that
        // refers to it. Substitute on anything else raises an error, which the engine
        // turns into one that names the function and the argument.
        if (SameName(name, "swap")) {
            CheckArguments(arguments, 2);
            const Quorin::TExValue first = arguments[0].Resolved();  // a copy of the value
            arguments[0].Substitute(arguments[1]);
            arguments[1].Substitute(first);
            return true;
        }
        // The built-in functions; false for a name nobody knows.
        return TQuorinEnvironment::CallFunction(userData, name, arguments, result);
    }

    // Asked once every `pollInterval` (10) sentences.
    void CheckStop(int, bool& stop) override {
        if (++polls >= maxPolls) stop = true;
    }
};

namespace {

struct TExample {
    const char* title;
    const char* source;
};

// A macro that ends, one that never would, and one that fails.
const TExample examples[] = {
    {"squares and swap", R"(
        for (i = 1; i <= 3; i++) println(i cat " squared is " cat square(i));
        a = "left";
        b = "right";
        swap(a, b);
        println(a cat ", " cat b);
    )"},
    {"endless loop", R"(
        println("counting...");
        while (true) n++;
    )"},
    {"swap with a number", R"(
        println("before the error");
        x = 1;
        swap(x, 2);
        println("never printed");
    )"},
};

}  // namespace

int main() {
    TEmbedEnvironment environment;
    for (const TExample& example : examples) {
        environment.output.clear();
        environment.polls = 0;
        std::string outcome;
        try {
            // The macro runs on a thread of its own; RunMacro waits for it.
            if (Quorin::RunMacro(&environment, example.source, 0)) {
                outcome = "finished";
            } else {
                outcome = "stopped after " + std::to_string(environment.polls) + " polls";
            }
        } catch (const EQuorinNormalError& error) {
            // The message is complete and meant for the user: Japanese, in code page 932.
            std::cerr << error.message << "\n";
            outcome = "failed (the message is on standard error)";
        }
        std::cout << "== " << example.title << "\n"
                  << environment.output << "-- " << outcome << "\n";
    }
    return 0;
}
