// The playground's entry points, called by the worker's script: the console
// program's run (host/entry.cpp) for a macro typed in the page, without a
// command line, a file or a terminal.
#include <emscripten.h>

#include <cstddef>
#include <exception>
#include <string>

#include "browser.h"
#include "console.h"
#include "console_environment.h"
#include "entry.h"
#include "engine/quorin.h"
#include "error_frame.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "web_limits.h"

namespace Messages = Quorin::Messages;

namespace {

// Runs the macro and reports an error of it in the frame the console shows
// on a terminal, with the line it arose on. The page is always read by a
// person, and the text always came from UTF-8, so the hint about UTF-8 files
// never applies.
int RunAndReport(TConsole& console, const std::string& text) {
    TQuorinConsoleEnvironment environment(console);
    environment.pollInterval = WebLimits::pollInterval;
    console.EndLine();
    try {
        Quorin::RunMacro(&environment, text, 0);
    } catch (const EQuorinNormalError& error) {
        if (!Browser::StopRequested()) {
            console.Err(ErrorFrame(error.message, error.place, text, true, false));
            if (error.place.line > 0) Browser::ShowErrorPlace(error.place);
        }
    }
    console.Flush();
    return Browser::StopRequested() ? exitInterrupted : exitSuccess;
}

}  // namespace

// Runs the `size` bytes of code page 932 text at `source` as the console runs
// a macro file and returns the console program's exit status. Stop ends the
// run as Ctrl+C ends the console's, with the output so far and no frame. An
// error that is not the macro's (an exhausted heap) is reported as the
// console reports it.
extern "C" EMSCRIPTEN_KEEPALIVE int QuorinRun(const char* source, std::size_t size) {
    TConsole console(nullptr, nullptr, nullptr);
    try {
        return RunAndReport(console, std::string(source, size));
    } catch (const EQuorinError& error) {
        console.Err(error.message);
    } catch (const std::exception&) {
        console.Err(Messages::outOfMemory);
    }
    console.Err("\n");
    return exitInternalFault;
}

// Reports a macro whose text has no code page 932 form, as the console reports
// a file that does not convert, and returns the console's status for it.
extern "C" EMSCRIPTEN_KEEPALIVE int QuorinRefuseSource() {
    TConsole console(nullptr, nullptr, nullptr);
    console.Err(Messages::sourceNotConvertible);
    console.Err("\n");
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
    TConsole console(nullptr, nullptr, nullptr);
    console.Err(ErrorFrame(Messages::nestingTooDeep, TErrorPlace{}, std::string(), true, false));
    return exitSuccess;
}
