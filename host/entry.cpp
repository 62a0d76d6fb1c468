#include "entry.h"

#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "console_environment.h"
#include "engine/quorin.h"
#include "error_frame.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "script.h"
#include "system.h"

namespace Messages = Quorin::Messages;

namespace {

// The environment variables that name the encoding of the console and the one
// macro files are written in, and the one that asks for error locations.
// Unset or empty, they leave the choice to the program.
constexpr const char* consoleEncodingVariable = "QUORIN_CONSOLE_ENCODING";
constexpr const char* sourceEncodingVariable = "QUORIN_SOURCE_ENCODING";
constexpr const char* errorLocationVariable = "QUORIN_ERROR_LOCATION";

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

// The console's encoding comes first, so that every later message is written
// in it. Named in the variable, it holds for every stream, as a script that
// captures the output asked for it. Otherwise the streams that are terminals
// speak the terminal's character set, and files and pipes get code page 932
// unchanged, as the programs that read them expect. False, after the report,
// when the variable names an encoding iconv does not know; that report cannot
// be converted.
bool SetUpConsoleEncoding(TConsole& console) {
    const std::string named = EnvironmentValue(consoleEncodingVariable);
    if (!named.empty()) {
        if (console.SetEncoding(named)) return true;
        ReportUnknownEncoding(console, named);
        return false;
    }
    const std::string codeset = TerminalCodeset();
    if (codeset.empty() || IsCodePage932(codeset)) return true;
    unsigned streams = 0;
    if (IsTerminal(console.InputHandle())) streams |= TConsole::csInput;
    if (IsTerminal(console.OutputHandle())) streams |= TConsole::csOutput;
    if (IsTerminal(console.ErrorHandle())) streams |= TConsole::csErrors;
    // A character set iconv does not know leaves the bytes as they are.
    if (streams != 0) console.SetEncoding(codeset, streams);
    return true;
}

// Whether an error frame shows where the error arose: when a person reads the
// error stream, unless the variable says otherwise. A script that captures the
// stream gets the frame it always got.
bool ShowErrorPlace(TConsole& console) {
    const std::string wanted = EnvironmentValue(errorLocationVariable);
    if (wanted == "1") return true;
    if (wanted == "0") return false;
    return IsTerminal(console.ErrorHandle());
}

// Ends the program with `status` once the output is written, or with
// exitOutputFailed when it could not be.
int Finish(TConsole& console, int status) {
    console.Flush();
    if (!console.OutputFailed()) return status;
    console.Err(Messages::outputFailed);
    console.Err("\n");
    return exitOutputFailed;
}

// Reports an error of the macro. The hint about UTF-8 is for a file that was
// taken as code page 932 and did not analyse, though it reads as UTF-8 text.
void ReportError(TConsole& console, const EQuorinNormalError& error, const std::string& text,
                 const std::string& sourceEncoding) {
    const bool showPlace = ShowErrorPlace(console);
    const bool utf8Hint = showPlace && sourceEncoding.empty() &&
                          dynamic_cast<const Quorin::EQuorinSyntaxError*>(&error) &&
                          LooksLikeUtf8(text);
    console.Err(ErrorFrame(error.message, error.place, text, showPlace, utf8Hint));
}

}  // namespace

int RunConsoleHost(TConsole& console, int argc, char** argv) {
    if (!SetUpConsoleEncoding(console)) return exitUsage;

    // Only these exact words are options; "./--help" reaches a file of that name.
    if (argc == 2) {
        const std::string option = argv[1];
        if (option == "--help" || option == "-h") {
            console.Out(Messages::usage);
            return Finish(console, exitSuccess);
        }
        if (option == "--version") {
            console.Out(Messages::ProgramVersion(QUORIN_VERSION));
            console.EndLine();
            return Finish(console, exitSuccess);
        }
    }

    // A name iconv does not know is reported before the file is read, even if
    // the file turns out to name its own encoding.
    const std::string fallbackEncoding = EnvironmentValue(sourceEncodingVariable);
    if (!fallbackEncoding.empty() && !TSourceDecoder::Open(fallbackEncoding)) {
        return ReportUnknownEncoding(console, fallbackEncoding);
    }

    auto environment = std::make_unique<TQuorinConsoleEnvironment>(console);
    std::string text;
    std::string sourceEncoding;
    switch (LoadScript(argc, argv, text, fallbackEncoding, &sourceEncoding)) {
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
        case lrUnknownEncoding:
            return ReportUnknownEncoding(console, sourceEncoding);
        case lrNotConvertible:
            console.Err(Messages::sourceNotConvertible);
            console.Err("\n");
            return exitUsage;
        case lrTooLong:
            console.Err(Messages::SourceTooLong(Quorin::Limits::maxSourceBytes));
            console.Err("\n");
            return exitUsage;
    }

    // From here on Ctrl+C stops the macro (the console environment asks the
    // engine to) and the program ends in order, with its output written.
    InstallInterruptHandler();
    console.EndLine();
    try {
        Quorin::RunMacro(environment.get(), text, 0);
    } catch (const EQuorinNormalError& error) {
        if (!InterruptRequested()) ReportError(console, error, text, sourceEncoding);
    }
    environment.reset();
    console.Flush();
    RemoveInterruptHandler();
    if (InterruptRequested()) return exitInterrupted;
    if (console.OutputFailed()) return Finish(console, exitOutputFailed);

    console.Err("\n");
    console.Err(Messages::pressAnyKey);
    // Waiting is for a person who can see the prompt and answer it.
    if (IsTerminal(console.ErrorHandle())) WaitForKey(console.InputHandle());
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
