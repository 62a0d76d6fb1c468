#include "console.h"

#include "host_limits.h"
#include "system.h"

TConsole::TConsole(std::FILE* in, std::FILE* out, std::FILE* err) : in(in), out(out), err(err) {
    outCrLf = TakeOverLineEnds(out);
    errCrLf = err != out ? TakeOverLineEnds(err) : outCrLf;
    if (IsWideConsole(OutputHandle())) {
        outConverter = TTextConverter::Open(wideConsoleEncoding, internalEncoding);
        outWide = outConverter != nullptr;
    }
    if (IsWideConsole(ErrorHandle())) {
        errConverter = TTextConverter::Open(wideConsoleEncoding, internalEncoding);
        errWide = errConverter != nullptr;
    }
}

TConsole::~TConsole() {
    WritePending(true);
    std::fflush(out);
    if (errConverter) {
        WriteConverted(err, *errConverter, {}, true, errWide);
        std::fflush(err);
    }
}

bool TConsole::SetEncoding(const std::string& encoding, unsigned streams) {
    std::unique_ptr<TTextConverter> converters[3];
    const unsigned bits[3] = {csOutput, csErrors, csInput};
    const bool wide[3] = {outWide, errWide, IsWideConsole(InputHandle())};
    for (int i = 0; i < 3; ++i) {
        if (!(streams & bits[i]) || wide[i]) continue;
        converters[i] = i < 2 ? TTextConverter::Open(encoding, internalEncoding)
                              : TTextConverter::Open(internalEncoding, encoding);
        if (!converters[i]) return false;
    }
    if (converters[0]) outConverter = std::move(converters[0]);
    if (converters[1]) errConverter = std::move(converters[1]);
    if (converters[2]) inConverter = std::move(converters[2]);
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
    if (std::fflush(out) != 0) outputFailed = true;
}

void TConsole::Err(std::string_view bytes) {
    WritePending(true);
    if (std::fflush(out) != 0) outputFailed = true;
    bytes = WithLineEnds(bytes, errCrLf);
    if (errConverter) {
        if (!WriteConverted(err, *errConverter, bytes, false, errWide) && err == out) {
            outputFailed = true;
        }
    } else {
        std::fwrite(bytes.data(), 1, bytes.size(), err);
    }
    std::fflush(err);
}

void TConsole::WritePending(bool finish) {
    const std::string_view text = WithLineEnds(pending, outCrLf);
    if (outConverter) {
        if (!WriteConverted(out, *outConverter, text, finish, outWide)) outputFailed = true;
    } else if (!text.empty()) {
        if (std::fwrite(text.data(), 1, text.size(), out) != text.size()) outputFailed = true;
    }
    pending.clear();
}

bool TConsole::WriteConverted(std::FILE* stream, TTextConverter& converter, std::string_view bytes,
                              bool finish, bool wide) {
    converted.clear();
    converter.Convert(bytes, converted);
    if (finish) converter.Finish(converted);
    if (converted.empty()) return true;
    if (wide) return WriteWideConsole(fileno(stream), converted);
    return std::fwrite(converted.data(), 1, converted.size(), stream) == converted.size();
}

std::string_view TConsole::WithLineEnds(std::string_view bytes, bool crLf) {
    if (!crLf || bytes.find('\n') == std::string_view::npos) return bytes;
    lineEnded.clear();
    for (const char byte : bytes) {
        if (byte == '\n') lineEnded.push_back('\r');
        lineEnded.push_back(byte);
    }
    return lineEnded;
}

std::string TConsole::ReadLine(std::size_t limit) {
    Flush();
    std::string line;
    while (line.size() < limit) {
        int c = NextInputByte();
        if (c == EOF) break;
        if (c == '\r' && PeekInputByte() == '\n') c = NextInputByte();
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

int TConsole::PeekInputByte() {
    const int c = NextInputByte();
    if (c == EOF) return c;
    if (InputHandle() < 0) {
        std::ungetc(c, in);
    } else {
        --inputPosition;
    }
    return c;
}

int TConsole::NextInputByte() {
    if (inputPosition < input.size()) return static_cast<unsigned char>(input[inputPosition++]);
    const int handle = InputHandle();
    // A stream without a descriptor (a memory stream) is read the plain way.
    if (handle < 0) return std::getc(in);
    // The end stays the end, as with the C library's streams: a terminal
    // would otherwise wait for more after Ctrl+D.
    if (inputEnded) return EOF;
    input.resize(HostLimits::inputBlockBytes);
    const long count = ReadInput(handle, input.data(), input.size());
    input.resize(count > 0 ? static_cast<std::size_t>(count) : 0);
    inputPosition = 0;
    if (input.empty()) {
        inputEnded = true;
        return EOF;
    }
    return static_cast<unsigned char>(input[inputPosition++]);
}

int TConsole::InputHandle() const {
    return fileno(in);
}

int TConsole::OutputHandle() const {
    return fileno(out);
}

int TConsole::ErrorHandle() const {
    return fileno(err);
}
