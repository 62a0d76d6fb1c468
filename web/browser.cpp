// The functions of browser.h, each a call into the worker's script. The worker
// gives the module an object `quorinHost` with the page's side of each one
// (web/site/worker.js).
#include "browser.h"

#include <emscripten.h>

namespace {

// clang-format off
EM_JS(void, HostWrite, (int stream, const char* bytes, std::size_t size), {
    Module.quorinHost.write(stream, HEAPU8.subarray(bytes, bytes + size));
});

EM_JS(std::size_t, HostReadLine, (char* buffer, std::size_t limit), {
    const line = Module.quorinHost.readLine(limit);
    HEAPU8.set(line, buffer);
    return line.length;
});

EM_JS(int, HostStopRequested, (), {
    return Module.quorinHost.stopRequested() ? 1 : 0;
});

EM_JS(void, HostErrorPlace, (int line, std::size_t offset, std::size_t length), {
    Module.quorinHost.errorPlace(line, offset, length);
});
// clang-format on

}  // namespace

namespace Browser {

void Write(TStream stream, std::string_view bytes) {
    if (!bytes.empty()) HostWrite(stream, bytes.data(), bytes.size());
}

std::string ReadLine(std::size_t limit) {
    std::string line(limit, '\0');
    line.resize(HostReadLine(line.data(), limit));
    return line;
}

bool StopRequested() {
    return HostStopRequested() != 0;
}

void ShowErrorPlace(const TErrorPlace& place) {
    HostErrorPlace(place.line, place.offset, place.length);
}

}  // namespace Browser
