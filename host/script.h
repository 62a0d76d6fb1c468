// Loading the macro file named on the command line.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "quorin_limits.h"
#include "text_converter.h"

enum TLoadResult {
    lrLoaded,
    lrNoFileName,
    lrCannotOpen,
    lrUnknownEncoding,
    lrNotConvertible,
    lrTooLong,
};

// Turns a macro file written in another encoding into code page 932 text.
//
// A file that does not convert is refused as a whole: running a macro in which
// some bytes mean something other than what its author wrote is worse than not
// running it. The way leads through UTF-8, where a byte order mark that an
// editor put in front of the text can be recognised, whatever the file's
// encoding, and dropped.
class TSourceDecoder {
public:
    // The decoder from `encoding`, or nothing when iconv does not know the name.
    static std::unique_ptr<TSourceDecoder> Open(const std::string& encoding);

    // Appends the conversion of `bytes` to `text`; false, with `text` undefined,
    // when some byte does not convert or has no equivalent in code page 932.
    bool Decode(std::string_view bytes, std::string& text);

private:
    TSourceDecoder(std::unique_ptr<TTextConverter> toUtf8,
                   std::unique_ptr<TTextConverter> toInternal);

    std::unique_ptr<TTextConverter> toUtf8;
    std::unique_ptr<TTextConverter> toInternal;
};

// The encoding a macro file declares for itself, or "" when it says nothing.
// A UTF-8 byte order mark at the start means UTF-8. Otherwise one of the
// first two lines may name it, as Python and editors let a file do: a "//"
// comment or a "#" line that holds "coding:" or "coding=" followed by the
// name ("// coding: utf-8", "# -*- coding: euc-jp -*-", "// vim: set
// fileencoding=utf-8"). Those lines are ASCII in every encoding the name can
// give, so they are read before the encoding is known.
std::string DeclaredEncoding(std::string_view bytes);

// Whether `bytes` are valid UTF-8 and hold at least one character beyond
// ASCII: a file read as code page 932 that looks like this was probably
// written in UTF-8.
bool LooksLikeUtf8(std::string_view bytes);

// Fills `text` with the file named by the only argument, or, when that name
// cannot be opened, with the file of that name plus ".qrn". A directory counts
// as a file that cannot be opened, and a file that fails while it is read is
// not run half-loaded: both report lrCannotOpen.
//
// The file is converted to code page 932 from the encoding it declares
// (DeclaredEncoding), or else from `fallbackEncoding`, or else taken as code
// page 932 already; its CR LF pairs are then turned into LF, so that they are
// found in any encoding. `usedEncoding`, when given, receives the encoding
// converted from ("" when none), or the name iconv does not know with
// lrUnknownEncoding. A file that does not convert gives lrNotConvertible.
//
// A file longer than `maxBytes` gives lrTooLong: a regular file at once, and
// anything else (a pipe, a device that never ends) once that much was read.
TLoadResult LoadScript(int argc, char** argv, std::string& text,
                       const std::string& fallbackEncoding = std::string(),
                       std::string* usedEncoding = nullptr,
                       std::size_t maxBytes = Quorin::Limits::maxSourceBytes);

// Appends everything `file` holds to `text`, every byte value included, with
// each CR LF pair turned into a single LF; a CR not followed by LF is kept.
// Returns false when reading fails.
bool ReadScript(std::FILE* file, std::string& text);
