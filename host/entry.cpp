#include "entry.h"

#include <cstdlib>
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

namespace {

// The environment variables that name the encoding of the console and the one
// macro files are written in; unset or empty, both are code page 932.
constexpr const char* consoleEncodingVariable = "QUORIN_CONSOLE_ENCODING";
constexpr const char* sourceEncodingVariable = "QUORIN_SOURCE_ENCODING";

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

int ReportUnknownEncoding(TConsole& console, const std::string& name) {
    console.Err(Messages::unknownEncoding);
    console.Err(name);
    console.Err("\n");
    return exitUsage;
}

}  // namespace

int RunConsoleHost(TConsole& console, int argc, char** argv) {
    // The console's encoding comes first, so that every later message is
    // written in it; the report of a name iconv does not know cannot be.
    const std::string consoleEncoding = EnvironmentValue(consoleEncodingVariable);
    if (!consoleEncoding.empty() && !console.SetEncoding(consoleEncoding)) {
        return ReportUnknownEncoding(console, consoleEncoding);
    }
    const std::string sourceEncoding = EnvironmentValue(sourceEncodingVariable);
    std::unique_ptr<TSourceDecoder> decoder;
    if (!sourceEncoding.empty()) {
        decoder = TSourceDecoder::Open(sourceEncoding);
        if (!decoder) return ReportUnknownEncoding(console, sourceEncoding);
    }

    auto environment = std::make_unique<TQuorinConsoleEnvironment>(console);
    std::string text;
    switch (LoadScript(argc, argv, text, decoder.get())) {
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
        case lrNotConvertible:
            console.Err(Messages::sourceNotConvertible);
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
