// The one layer through which the host talks to the user's console.
#pragma once

#include <cstddef>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "text_converter.h"

// Every byte the program exchanges with the console passes through here: the
// macro's output, the host's messages on the error stream and the lines that
// the macro reads. Keeping it in one place lets console text be converted
// between code page 932 and the console's own encoding at a single point.
//
// Output is collected in a buffer of its own and written out only by whole
// pieces, so a double-byte character that a macro prints in one call is never
// split across two writes. Anything written to the error stream is preceded by
// a flush of the output, so the user always sees the two streams in the order
// in which they were written.
//
// With an encoding set for a stream, what is written to it is converted on its
// way out, or each line read on its way in. A character that a macro prints in
// two calls, its lead byte in one and its second byte in the next, is completed
// across the calls; bytes that do not convert are passed on unchanged.
//
// Input is read from the descriptor in blocks of its own rather than through
// the C library's buffer, so that a wait for input gives way to Ctrl+C
// whichever thread the signal reaches (ReadInput in system.h).
//
// A failed write of the output stream is remembered rather than ignored: the
// host stops the macro and reports it instead of claiming success.
//
// Where the system writes CR LF for each line feed (the standard streams on
// Windows), the console writes them itself, before any conversion. A wide
// console (system.h) is always written in UTF-16 through the system's wide
// interface, and gives code page 932 text when read, whatever encoding is set.
class TConsole {
public:
    // The streams are borrowed, not closed; tests pass memory streams instead.
    explicit TConsole(std::FILE* in = stdin, std::FILE* out = stdout, std::FILE* err = stderr);
    TConsole(const TConsole&) = delete;
    TConsole& operator=(const TConsole&) = delete;
    ~TConsole();

    // The streams, as a set of bits for SetEncoding.
    enum TStreams : unsigned { csInput = 1, csOutput = 2, csErrors = 4, csAll = 7 };

    // Converts the text of `streams` between code page 932 and `encoding` from
    // now on; to be called before anything is written or read. A wide console
    // among them keeps its own conversion. Returns false, and nothing changes,
    // when the system's conversion does not know the name.
    bool SetEncoding(const std::string& encoding, unsigned streams = csAll);

    // Queues bytes for the output stream without flushing it.
    void Out(std::string_view bytes);
    // Writes a line feed to the output stream and flushes it.
    void EndLine();
    // Writes out the queued output. The start of a character whose second byte
    // has not been written yet stays behind for the next call of Out.
    void Flush();
    // Flushes the output, also what stayed behind, then writes the bytes to the
    // error stream at once.
    void Err(std::string_view bytes);

    // Reads at most `limit` bytes of one line, stopping after its line feed, with
    // every CR LF pair read as a single LF (a CR elsewhere is kept). The limit
    // counts the bytes as they are read, before any conversion; a character cut
    // at the limit comes back unconverted. The output is flushed first so that
    // a prompt written without a line end is visible. Returns the empty string
    // when the input has ended or fails.
    std::string ReadLine(std::size_t limit);

    // The descriptors of the three streams, or -1 for one that has none.
    int InputHandle() const;
    int OutputHandle() const;
    int ErrorHandle() const;

    // Whether writing the output stream has failed (a full disk, a closed pipe
    // whose signal is ignored); once it has, it stays failed.
    bool OutputFailed() const { return outputFailed; }

private:
    // Writes the queued output, converted when an encoding is set; `finish`
    // also writes what the conversion held back.
    void WritePending(bool finish);
    // Writes `bytes` converted, to a wide console when `wide` is set; false
    // when they could not be written.
    bool WriteConverted(std::FILE* stream, TTextConverter& converter, std::string_view bytes,
                        bool finish, bool wide);
    // `bytes`, with a CR before each line feed when `crLf` is set.
    std::string_view WithLineEnds(std::string_view bytes, bool crLf);

    // The next byte of input, or EOF at its end, when reading fails or gives
    // way to an interrupt.
    int NextInputByte();
    // The byte NextInputByte would return, left for it.
    int PeekInputByte();

    std::FILE* in;
    std::FILE* out;
    std::FILE* err;
    std::string pending;
    bool outputFailed = false;
    // Input read ahead of the line being read, from `inputPosition` on.
    std::string input;
    std::size_t inputPosition = 0;
    bool inputEnded = false;
    // Null for a stream that is not converted. Each output stream has its own,
    // so that a character cut in one is not completed by the other.
    std::unique_ptr<TTextConverter> outConverter;
    std::unique_ptr<TTextConverter> errConverter;
    std::unique_ptr<TTextConverter> inConverter;
    // Whether the output and error streams are wide consoles, and whether the
    // console writes their line ends as CR LF.
    bool outWide = false;
    bool errWide = false;
    bool outCrLf = false;
    bool errCrLf = false;
    // Reused for the converted text and the text with CR LF line ends, to
    // spare an allocation per write.
    std::string converted;
    std::string lineEnded;
};
