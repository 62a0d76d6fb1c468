#include "console.h"

#include "host_limits.h"

TConsole::TConsole(std::FILE* in, std::FILE* out, std::FILE* err) : in(in), out(out), err(err) {}

TConsole::~TConsole() {
    Flush();
}

void TConsole::Out(std::string_view bytes) {
    pending.append(bytes);
    if (pending.size() >= HostLimits::outputBufferBytes) {
        std::fwrite(pending.data(), 1, pending.size(), out);
        pending.clear();
    }
}

void TConsole::EndLine() {
    pending.push_back('\n');
    Flush();
}

void TConsole::Flush() {
    if (!pending.empty()) {
        std::fwrite(pending.data(), 1, pending.size(), out);
        pending.clear();
    }
    std::fflush(out);
}

void TConsole::Err(std::string_view bytes) {
    Flush();
    std::fwrite(bytes.data(), 1, bytes.size(), err);
    std::fflush(err);
}

std::string TConsole::ReadLine(std::size_t limit) {
    Flush();
    std::string line;
    while (line.size() < limit) {
        int c = std::getc(in);
        if (c == EOF) break;
        if (c == '\r') {
            const int next = std::getc(in);
            if (next == '\n') {
                c = '\n';
            } else if (next != EOF) {
                std::ungetc(next, in);
            }
        }
        line.push_back(static_cast<char>(c));
        if (c == '\n') break;
    }
    return line;
}

int TConsole::InputHandle() const {
    return fileno(in);
}
