// The system's own conversion of text from one encoding to another, which
// TTextConverter builds its lenient and strict operations on. One
// implementation per platform: iconv on POSIX systems (posix/), the code page
// functions on Windows (windows/).
#pragma once

#include <memory>
#include <string>
#include <string_view>

class TTextCodec {
public:
    // Why Run stopped before the end of its bytes.
    enum TStop {
        tsNone,        // it did not: everything was converted
        tsInvalid,     // at a byte that begins no character of the source encoding,
                       // or a character the target encoding lacks
        tsIncomplete,  // at a character that the bytes end inside of
    };

    // The conversion from `from` to `to`, or nothing when the system does not
    // know one of the names (or cannot convert between them).
    static std::unique_ptr<TTextCodec> Open(const std::string& to, const std::string& from);

    virtual ~TTextCodec() = default;

    // Converts `bytes` from their beginning, appending to `result`, and stops
    // at the first character it cannot convert; returns how many bytes it
    // consumed and why it stopped in `stop`.
    virtual std::size_t Run(std::string_view bytes, std::string& result, TStop& stop) = 0;

    // Returns a stateful encoding to its initial state, appending what the
    // target needs for that to `result` when one is given.
    virtual void Reset(std::string* result) = 0;

    // Appends what stands for a byte of the source that does not convert:
    // the byte itself where the target takes it without coming apart.
    virtual void PassOn(char byte, std::string& result) { result.push_back(byte); }
};
