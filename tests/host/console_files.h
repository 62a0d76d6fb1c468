// Temporary files that stand in for the console's three streams in tests.
#pragma once

#include <cstdio>
#include <string>

#include "temp_directory.h"

class TConsoleFiles {
public:
    // The input stream holds `input`, read from its beginning.
    explicit TConsoleFiles(const std::string& input = std::string())
        : in(std::tmpfile()), out(std::tmpfile()), err(std::tmpfile()) {
        std::fwrite(input.data(), 1, input.size(), in);
        std::rewind(in);
    }
    TConsoleFiles(const TConsoleFiles&) = delete;
    TConsoleFiles& operator=(const TConsoleFiles&) = delete;
    ~TConsoleFiles() {
        std::fclose(in);
        std::fclose(out);
        std::fclose(err);
    }

    // What has reached the stream so far; data still held by the writer is not included.
    static std::string Written(std::FILE* file) {
        const long position = std::ftell(file);
        std::string text;
        std::rewind(file);
        char block[4096];
        std::size_t count;
        while ((count = std::fread(block, 1, sizeof block, file)) > 0) text.append(block, count);
        std::fseek(file, position, SEEK_SET);
        return text;
    }
    std::string Output() const { return Written(out); }
    std::string Errors() const { return Written(err); }

    std::FILE* in;
    std::FILE* out;
    std::FILE* err;
};

// A stream that no write reaches: /dev/full, a full disk, where there is one,
// and otherwise (on Windows) a file open for reading only.
class TUnwritableStream {
public:
    TUnwritableStream() : file(std::fopen("/dev/full", "w")) {
        if (file) return;
        const std::string name = directory.Write("read-only", "");
        file = std::fopen(name.c_str(), "r");
    }
    TUnwritableStream(const TUnwritableStream&) = delete;
    TUnwritableStream& operator=(const TUnwritableStream&) = delete;
    ~TUnwritableStream() {
        if (file) std::fclose(file);
    }

    TTempDirectory directory;
    std::FILE* file;
};
