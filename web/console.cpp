// The console of the playground: the page's output pane and input line
// (browser.h) behind the console host's interface (host/console.h), so that
// the console's environment, its print, println and getln, runs in the browser
// as it is. Nothing is converted here: the worker converts between code page
// 932 and the page's text, and the input comes line by line, CR LF read as LF.
#include "console.h"

#include "browser.h"
#include "web_limits.h"

TConsole::TConsole(std::FILE* in, std::FILE* out, std::FILE* err) : in(in), out(out), err(err) {}

TConsole::~TConsole() = default;

void TConsole::Out(std::string_view bytes) {
    pending += bytes;
    // A macro printing many small pieces without a line end then costs few
    // crossings into the worker's script.
    if (pending.size() >= WebLimits::outputBufferBytes) Flush();
}

void TConsole::EndLine() {
    pending += '\n';
    Flush();
}

void TConsole::Flush() {
    Browser::Write(Browser::bsOutput, pending);
    pending.clear();
}

void TConsole::Err(std::string_view bytes) {
    Flush();
    Browser::Write(Browser::bsErrors, bytes);
}

std::string TConsole::ReadLine(std::size_t limit) {
    Flush();
    return Browser::ReadLine(limit);
}
