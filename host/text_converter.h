// Converting text between two encodings with the system's own conversion.
#pragma once

#include <memory>
#include <string>
#include <string_view>

class TTextCodec;

// The encoding of every text inside the interpreter, under the name the
// system's conversion knows it by.
inline constexpr const char* internalEncoding = "CP932";

// Whether `name` is code page 932 or the Shift_JIS it extends, under any of
// the names a locale or the system gives them: text in it needs no conversion.
bool IsCodePage932(const std::string& name);

// One direction of conversion, from one encoding to another, with the state of
// a stream being converted piece by piece.
//
// Console text must never lose a byte, whatever the user types or a macro
// prints, so the lenient operations copy every byte that does not convert
// unchanged and go on with the next one. Text that arrives in pieces may have
// a character cut in two at a piece boundary; its beginning is held back until
// the next piece completes it. Source files, on the other hand, are converted
// strictly, so that a file in another encoding than the one named is refused
// instead of run.
class TTextConverter {
public:
    // The converter from `from` to `to`, or nothing when the system does not
    // know one of the names (or cannot convert between them).
    static std::unique_ptr<TTextConverter> Open(const std::string& to, const std::string& from);

    TTextConverter(const TTextConverter&) = delete;
    TTextConverter& operator=(const TTextConverter&) = delete;
    ~TTextConverter();

    // Appends the conversion of `bytes` to `result`, after whatever an earlier
    // call held back. Bytes that do not convert are appended unchanged; an
    // incomplete character at the end is held back for the next call.
    void Convert(std::string_view bytes, std::string& result);

    // Appends the bytes held back by Convert to `result`, unchanged.
    void Release(std::string& result);

    // Ends the stream: releases what was held back and appends whatever
    // returns a stateful encoding to its initial state.
    void Finish(std::string& result);

    // Converts all of `bytes` at once, from the initial state; false, with
    // `result` undefined, when any byte does not convert or the text ends
    // inside a character.
    bool ConvertStrictly(std::string_view bytes, std::string& result);

private:
    explicit TTextConverter(std::unique_ptr<TTextCodec> codec);

    std::unique_ptr<TTextCodec> codec;
    // The beginning of a character whose end has not arrived yet.
    std::string held;
};
