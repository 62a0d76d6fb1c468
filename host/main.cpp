#include "console.h"
#include "entry.h"

int main(int argc, char** argv) {
    TConsole console;
    return GuardInternalFaults(console, [&] { return RunConsoleHost(console, argc, argv); });
}
