// The one layer through which the host talks to the user's console.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

// Every byte the program exchanges with the console passes through here: the
// macro's output, the host's messages on the error stream and the lines that
// the macro reads. Keeping it in one place lets console text be converted
// between code page 932 and another encoding at a single point.
//
// Output is collected in a buffer of its own and written out only by whole
// pieces, so a double-byte character that a macro prints in one call is never
// split across two writes. Anything written to the error stream is preceded by
// a flush of the output, so the user always sees the two streams in the order
// in which they were written.
class TConsole {
public:
    // The streams are borrowed, not closed; tests pass memory streams instead.
    explicit TConsole(std::FILE* in = stdin, std::FILE* out = stdout, std::FILE* err = stderr);
    TConsole(const TConsole&) = delete;
    TConsole& operator=(const TConsole&) = delete;
    ~TConsole();

    // Queues bytes for the output stream without flushing it.
    void Out(std::string_view bytes);
    // Writes a line feed to the output stream and flushes it.
    void EndLine();
    void Flush();
    // Flushes the output, then writes the bytes to the error stream at once.
    void Err(std::string_view bytes);

    // Reads at most `limit` bytes of one line, stopping after its line feed, with
    // every CR LF pair read as a single LF (a CR elsewhere is kept). The output
    // is flushed first so that a prompt written without a line end is visible.
    // Returns the empty string when the input has ended or fails.
    std::string ReadLine(std::size_t limit);

    // The descriptor of the input stream, or -1 when it has none.
    int InputHandle() const;

private:
    std::FILE* in;
    std::FILE* out;
    std::FILE* err;
    std::string pending;
};
