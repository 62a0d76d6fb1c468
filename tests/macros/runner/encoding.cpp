#include "encoding.h"

#include <iconv.h>

#include <cerrno>
#include <cstdio>
#include <stdexcept>

namespace MacroRunner {

namespace {

// One iconv descriptor, closed when it goes out of scope.
class TConverter {
public:
    TConverter(const char* to, const char* from) : handle_(iconv_open(to, from)) {
        if (handle_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("iconv cannot convert from ") + from + " to " +
                                     to);
        }
    }
    ~TConverter() { iconv_close(handle_); }
    TConverter(const TConverter&) = delete;
    TConverter& operator=(const TConverter&) = delete;

    // Converts as much of [input] as possible, appending to [output]. Returns the
    // number of input bytes consumed; less than the whole input means the byte at
    // that offset starts an invalid, incomplete or unconvertible sequence.
    std::size_t Convert(std::string_view input, std::string* output) {
        iconv(handle_, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        char buffer[4096];
        while (inLeft > 0) {
            char* out = buffer;
            std::size_t outLeft = sizeof buffer;
            const std::size_t done = iconv(handle_, &in, &inLeft, &out, &outLeft);
            output->append(buffer, static_cast<std::size_t>(out - buffer));
            if (done == static_cast<std::size_t>(-1) && errno != E2BIG) break;
        }
        return input.size() - inLeft;
    }

private:
    iconv_t handle_;
};

void AppendHexByte(unsigned char byte, std::string* output) {
    char text[8];
    std::snprintf(text, sizeof text, "\\x%02X", byte);
    output->append(text);
}

// Escapes the control characters and backslashes of already converted UTF-8 text.
void AppendEscaped(std::string_view text, std::string* output) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '\n':
                output->append("\\n");
                break;
            case '\r':
                output->append("\\r");
                break;
            case '\t':
                output->append("\\t");
                break;
            case '\\':
                output->append("\\\\");
                break;
            default:
                if (byte < 0x20 || byte == 0x7F) {
                    AppendHexByte(byte, output);
                } else {
                    output->push_back(c);
                }
        }
    }
}

}  // namespace

bool Utf8ToCp932(std::string_view text, std::string* result, std::size_t* failedAt) {
    return Utf8ToEncoding(text, "CP932", result, failedAt);
}

bool Utf8ToEncoding(std::string_view text, const std::string& encoding, std::string* result,
                    std::size_t* failedAt) {
    TConverter converter(encoding.c_str(), "UTF-8");
    result->clear();
    const std::size_t done = converter.Convert(text, result);
    if (failedAt) *failedAt = done;
    return done == text.size();
}

std::string Cp932ToDisplay(std::string_view bytes) {
    return ToDisplay(bytes, "CP932");
}

std::string ToDisplay(std::string_view bytes, const std::string& encoding) {
    TConverter converter("UTF-8", encoding.c_str());
    std::string display;
    while (!bytes.empty()) {
        std::string converted;
        const std::size_t done = converter.Convert(bytes, &converted);
        AppendEscaped(converted, &display);
        if (done == bytes.size()) break;
        AppendHexByte(static_cast<unsigned char>(bytes[done]), &display);
        bytes.remove_prefix(done + 1);
    }
    return display;
}

}  // namespace MacroRunner
