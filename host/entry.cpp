#include "entry.h"

#include <exception>
#include <memory>
#include <string>

#include "console_environment.h"
#include "engine/quorin.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "script.h"
#include "terminal.h"

namespace Messages = Quorin::Messages;

int RunConsoleHost(TConsole& console, int argc, char** argv) {
    auto environment = std::make_unique<TQuorinConsoleEnvironment>(console);
    std::string text;
    switch (LoadScript(argc, argv, text)) {
        case lrLoaded:
            break;
        case lrNoFileName:
            console.Err(Messages::noFileName);
            console.Err("\n");
            return exitUsage;
        case lrCannotOpen:
            console.Err(Messages::cannotOpenFile);
            console.Err("\n");
            return exitUsage;
    }

    console.EndLine();
    try {
        Quorin::RunMacro(environment.get(), text, 0);
    } catch (const EQuorinNormalError& error) {
        console.Err("\n*\n");
        console.Err(error.message);
        console.Err("\n*\n");
    }
    environment.reset();

    console.Err("\n");
    console.Err(Messages::pressAnyKey);
    WaitForKey(console.InputHandle());
    return exitSuccess;
}

// The texts are written in pieces, without building a new string, because the
// error being reported may be that memory ran out.
int GuardInternalFaults(TConsole& console, const std::function<int()>& body) {
    try {
        return body();
    } catch (const EQuorinError& error) {
        console.Err(error.message);
    } catch (const std::exception&) {
        // An exhausted heap, and the length errors of strings that outgrew
        // it, are what reaches here; any other library error is reported
        // the same way rather than not at all.
        console.Err(Messages::outOfMemory);
    }
    console.Err("\n");
    return exitInternalFault;
}
