#include "console.h"

#include "host_limits.h"

TConsole::TConsole(std::FILE* in, std::FILE* out, std::FILE* err) : in(in), out(out), err(err) {}

TConsole::~TConsole() {
    WritePending(true);
    std::fflush(out);
    if (errConverter) {
        WriteConverted(err, *errConverter, {}, true);
        std::fflush(err);
    }
}

bool TConsole::SetEncoding(const std::string& encoding) {
    auto toConsole = TTextConverter::Open(encoding, internalEncoding);
    auto toErrors = TTextConverter::Open(encoding, internalEncoding);
    auto fromConsole = TTextConverter::Open(internalEncoding, encoding);
    if (!toConsole || !toErrors || !fromConsole) return false;
    outConverter = std::move(toConsole);
    errConverter = std::move(toErrors);
    inConverter = std::move(fromConsole);
    return true;
}

void TConsole::Out(std::string_view bytes) {
    pending.append(bytes);
    if (pending.size() >= HostLimits::outputBufferBytes) WritePending(false);
}

void TConsole::EndLine() {
    pending.push_back('\n');
    Flush();
}

void TConsole::Flush() {
    WritePending(false);
    std::fflush(out);
}

void TConsole::Err(std::string_view bytes) {
    WritePending(true);
    std::fflush(out);
    if (errConverter) {
        WriteConverted(err, *errConverter, bytes, false);
    } else {
        std::fwrite(bytes.data(), 1, bytes.size(), err);
    }
    std::fflush(err);
}

void TConsole::WritePending(bool finish) {
    if (outConverter) {
        WriteConverted(out, *outConverter, pending, finish);
    } else if (!pending.empty()) {
        std::fwrite(pending.data(), 1, pending.size(), out);
    }
    pending.clear();
}

void TConsole::WriteConverted(std::FILE* stream, TTextConverter& converter, std::string_view bytes,
                              bool finish) {
    converted.clear();
    converter.Convert(bytes, converted);
    if (finish) converter.Finish(converted);
    if (!converted.empty()) std::fwrite(converted.data(), 1, converted.size(), stream);
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
    if (!inConverter || line.empty()) return line;
    // A character cut at the limit cannot be completed by the next piece, which
    // goes to another call of getln, so it is passed on as it was read.
    std::string result;
    inConverter->Convert(line, result);
    inConverter->Release(result);
    return result;
}

int TConsole::InputHandle() const {
    return fileno(in);
}
