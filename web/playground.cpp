// The playground's entry points, called by the worker's script: the console
// program's run (host/entry.cpp) for a macro typed in the page, without a
// command line, a file or a terminal.
#include <emscripten.h>

#include <cstddef>
#include <exception>
#include <string>

#include "browser.h"
#include "engine/quorin.h"
#include "error_frame.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "web_environment.h"

namespace Messages = Quorin::Messages;

namespace {

// The console program's exit statuses (host/entry.h, host/system.h), which
// the script interface reports as they are.
constexpr int exitSuccess = 0;
constexpr int exitUsage = 1;
constexpr int exitInternalFault = 2;
constexpr int exitInterrupted = 130;

void WriteErrors(std::string_view bytes) {
    Browser::Write(Browser::bsErrors, bytes);
}

// Runs the macro and reports an error of it in the frame the console shows
// on a terminal, with the line it arose on. The page is always read by a
// person, and the text always came from UTF-8, so the hint about UTF-8 files
// never applies.
int RunAndReport(TQuorinWebEnvironment& environment, const std::string& text) {
    Browser::Write(Browser::bsOutput, "\n");
    try {
        Quorin::RunMacro(&environment, text, 0);
    } catch (const EQuorinNormalError& error) {
        environment.Flush();
        if (!Browser::StopRequested()) {
            WriteErrors(ErrorFrame(error.message, error.place, text, true, false));
            if (error.place.line > 0) Browser::ShowErrorPlace(error.place);
        }
    }
    environment.Flush();
    return Browser::StopRequested() ? exitInterrupted : exitSuccess;
}

}  // namespace

// Runs the `size` bytes of code page 932 text at `source` as the console runs
// a macro file and returns the console program's exit status. Stop ends the
// run as Ctrl+C ends the console's, with the output so far and no frame. An
// error that is not the macro's (an exhausted heap) is reported as the
// console reports it.
extern "C" EMSCRIPTEN_KEEPALIVE int QuorinRun(const char* source, std::size_t size) {
    TQuorinWebEnvironment environment;
    try {
        return RunAndReport(environment, std::string(source, size));
    } catch (const EQuorinError& error) {
        environment.Flush();
        WriteErrors(error.message);
    } catch (const std::exception&) {
        environment.Flush();
        WriteErrors(Messages::outOfMemory);
    }
    WriteErrors("\n");
    return exitInternalFault;
}

// Reports a macro whose text has no code page 932 form, as the console reports
// a file that does not convert, and returns the console's status for it.
extern "C" EMSCRIPTEN_KEEPALIVE int QuorinRefuseSource() {
    WriteErrors(Messages::sourceNotConvertible);
    WriteErrors("\n");
    return exitUsage;
}

// Reports a macro nested deeper than the browser's own stack lets the analysis
// go, with the core's error for nesting deeper than it accepts. Browsers give
// a worker about 1 MiB of stack for WebAssembly frames, far less than the
// core's budget (core/quorin_limits.h), so in a browser this limit comes first,
// at some 2,000 levels; the worker calls this, in a fresh instance, when the
// browser stopped the run for it. The analysis precedes all output, so the
// console would show nothing else either.
extern "C" EMSCRIPTEN_KEEPALIVE int QuorinReportTooDeep() {
    WriteErrors(ErrorFrame(Messages::nestingTooDeep, TErrorPlace{}, std::string(), true, false));
    return exitSuccess;
}
