// Runs a command line with /bin/sh, for the tests that start the program as a
// user would.
#pragma once

#include <cstdio>
#include <string>

// Returns what `command` writes to standard output and leaves its wait status
// in `status`.
inline std::string Shell(const std::string& command, int& status) {
    std::FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return "popen failed";
    std::string output;
    char block[4096];
    std::size_t count;
    while ((count = std::fread(block, 1, sizeof block, pipe)) > 0) output.append(block, count);
    status = pclose(pipe);
    return output;
}
