#include "macro_test.h"

#include <charconv>
#include <cstddef>

#include "encoding.h"

namespace MacroRunner {

namespace {

constexpr std::string_view kMarker = "//@";

// Largest timeout a test may ask for; anything longer is a typo or a test that
// should not be in the suite.
constexpr int kMaxTimeoutSeconds = 3600;

std::string Convert(std::string_view text, const std::string& encoding = "CP932") {
    std::string result;
    std::size_t failedAt = 0;
    if (!Utf8ToEncoding(text, encoding, &result, &failedAt)) {
        throw EMacroTestError(0, "the value is not UTF-8 or has a character that " + encoding +
                                     " lacks, at byte " + std::to_string(failedAt) + " of \"" +
                                     std::string(text) + "\"");
    }
    return result;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

int ParseNumber(const std::string& value, int low, int high, const char* key) {
    int number = 0;
    const char* end = value.data() + value.size();
    const auto [stop, code] = std::from_chars(value.data(), end, number);
    if (value.empty() || code != std::errc() || stop != end || number < low || number > high) {
        throw EMacroTestError(0, std::string(key) + ": expected a whole number from " +
                                     std::to_string(low) + " to " + std::to_string(high) +
                                     ", got \"" + value + "\"");
    }
    return number;
}

// A name the runner can create inside its working directory without escaping it.
std::string ConvertFileName(const std::string& value, const char* key) {
    if (value.empty() || value == "." || value == ".." || value.find('/') != std::string::npos ||
        value.find('\0') != std::string::npos) {
        throw EMacroTestError(0, std::string(key) + ": \"" + value + "\" is not a plain file name");
    }
    return Convert(value);
}

std::vector<std::string> SplitOnSpaces(const std::string& value) {
    std::vector<std::string> words;
    std::size_t position = 0;
    while (position < value.size()) {
        if (value[position] == ' ') {
            ++position;
            continue;
        }
        const std::size_t end = std::min(value.find(' ', position), value.size());
        words.push_back(Convert(value.substr(position, end - position)));
        position = end;
    }
    return words;
}

// A "//@" line ending in an odd run of backslash bytes would be a line continuation
// to the interpreter: the following line would become part of the comment and vanish
// from the macro. In code page 932 the byte can also be the second half of a
// double-byte character, so the check runs on the bytes the interpreter reads.
void CheckNoContinuations(const std::string& source) {
    std::size_t start = 0;
    int line = 1;
    while (start < source.size()) {
        std::size_t end = source.find('\n', start);
        const bool lastLine = end == std::string::npos;
        if (lastLine) end = source.size();
        std::string_view text(source.data() + start, end - start);
        // The interpreter reads a CR LF pair as a line feed alone.
        if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
        const std::size_t first = text.find_first_not_of(" \t");
        if (!lastLine && first != std::string_view::npos &&
            text.substr(first).starts_with(kMarker)) {
            std::size_t run = 0;
            while (run < text.size() && text[text.size() - 1 - run] == '\\') ++run;
            if (run % 2 == 1) {
                throw EMacroTestError(
                    line,
                    "the line ends in a backslash byte, which would join the next line into "
                    "this comment; end it differently or use a -raw value with \\x5C");
            }
        }
        start = end + 1;
        ++line;
    }
}

int LineOfOffset(const std::string& text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') ++line;
    }
    return line;
}

// A value for the terminal, kept as written until the terminal's encoding is known.
struct TTerminalValue {
    int line;
    std::string key;
    std::string value;
};

// The expectations gathered line by line, before the framing is applied.
struct TExpectations {
    std::string output;
    std::string errors;
    std::vector<std::string> frameLines;
    bool plain = false;
    bool sourceRaw = false;
    std::optional<int> status;
    std::optional<int> timeout;
    std::optional<std::string> fileName;
    bool terminalGiven = false;
    // The first line that uses each kind of stream, for the checks against "tty".
    int outputLine = 0;
    int errorsLine = 0;
    int inputLine = 0;
    std::vector<TTerminalValue> screen;
    std::vector<TTerminalValue> events;
};

// The streams named in a "tty" value.
TTerminalStreams ParseTerminalStreams(const std::string& value) {
    TTerminalStreams streams;
    std::size_t position = 0;
    while (position < value.size()) {
        if (value[position] == ' ') {
            ++position;
            continue;
        }
        const std::size_t end = std::min(value.find(' ', position), value.size());
        const std::string word = value.substr(position, end - position);
        bool* stream = word == "stdin"    ? &streams.input
                       : word == "stdout" ? &streams.output
                       : word == "stderr" ? &streams.errors
                                          : nullptr;
        if (!stream) {
            throw EMacroTestError(0, "tty: \"" + word + "\" is none of stdin, stdout, stderr");
        }
        *stream = true;
        position = end;
    }
    if (!streams.Any()) throw EMacroTestError(0, "tty: name at least one of stdin, stdout, stderr");
    return streams;
}

void ApplyKey(int line, const std::string& key, const std::optional<std::string>& value,
              TExpectations* seen, TMacroTest* test) {
    const bool isFlag = key == "plain" || key == "source-raw" || key == "fg";
    if (isFlag && value) throw EMacroTestError(0, key + " takes no value");
    if (!isFlag && !value) {
        throw EMacroTestError(0, "\"" + key + "\" is not a known key (or lacks its colon)");
    }
    auto once = [&key](bool alreadySet) {
        if (alreadySet) throw EMacroTestError(0, key + " is given twice");
    };

    auto first = [line](int& seenAt) {
        if (seenAt == 0) seenAt = line;
    };
    if (key == "stdin") {
        first(seen->inputLine);
        test->input += Convert(*value) + "\n";
    } else if (key == "stdin-raw") {
        first(seen->inputLine);
        test->input += DecodeRawValue(*value);
    } else if (key == "out") {
        first(seen->outputLine);
        seen->output += Convert(*value) + "\n";
    } else if (key == "out-raw") {
        first(seen->outputLine);
        seen->output += DecodeRawValue(*value);
    } else if (key == "err") {
        first(seen->errorsLine);
        seen->errors += Convert(*value) + "\n";
    } else if (key == "err-raw") {
        first(seen->errorsLine);
        seen->errors += DecodeRawValue(*value);
    } else if (key == "error") {
        first(seen->errorsLine);
        seen->frameLines.push_back(Convert(*value));
    } else if (key == "tty") {
        once(seen->terminalGiven);
        seen->terminalGiven = true;
        test->terminal = ParseTerminalStreams(*value);
    } else if (key == "locale") {
        once(test->locale.has_value());
        if (value->empty() || value->find_first_of(" =") != std::string::npos) {
            throw EMacroTestError(0, "locale: expected a locale name such as C.UTF-8");
        }
        test->locale = *value;
    } else if (key == "screen" || key == "screen-raw") {
        seen->screen.push_back({line, key, *value});
    } else if (key == "send" || key == "wait" || key == "wait-out" || key == "fg") {
        seen->events.push_back({line, key, value.value_or("")});
    } else if (key == "wait-mode") {
        if (*value != "key" && *value != "line") {
            throw EMacroTestError(0, "wait-mode: expected key or line, got \"" + *value + "\"");
        }
        seen->events.push_back({line, key, *value});
    } else if (key == "status") {
        once(seen->status.has_value());
        seen->status = ParseNumber(*value, 0, 255, "status");
    } else if (key == "timeout") {
        once(seen->timeout.has_value());
        seen->timeout = ParseNumber(*value, 1, kMaxTimeoutSeconds, "timeout");
    } else if (key == "args") {
        once(test->arguments.has_value());
        test->arguments = SplitOnSpaces(*value);
    } else if (key == "file") {
        once(seen->fileName.has_value());
        seen->fileName = ConvertFileName(*value, "file");
    } else if (key == "extra-file") {
        test->extraFileNames.push_back(ConvertFileName(*value, "extra-file"));
    } else if (key == "env") {
        const std::size_t equals = value->find('=');
        if (equals == 0 || equals == std::string::npos) {
            throw EMacroTestError(0, "env: expected NAME=VALUE, got \"" + *value + "\"");
        }
        test->environment.emplace_back(value->substr(0, equals),
                                       Convert(value->substr(equals + 1)));
    } else if (key == "windows") {
        once(test->windowsSkip.has_value());
        constexpr std::string_view skip = "skip ";
        const std::size_t reason = value->find_first_not_of(' ', skip.size());
        if (!value->starts_with(skip) || reason == std::string::npos) {
            throw EMacroTestError(
                0, "windows: expected \"skip\" and the reason, got \"" + *value + "\"");
        }
        test->windowsSkip = value->substr(reason);
    } else if (key == "plain") {
        once(seen->plain);
        seen->plain = true;
    } else if (key == "source-raw") {
        once(seen->sourceRaw);
        seen->sourceRaw = true;
    } else {
        throw EMacroTestError(0, "\"" + key + "\" is not a known key");
    }
}

// Splits the text after the marker into key and value. A value is present only when
// there is a colon; the one space after the colon is not part of it.
void SplitKeyValue(std::string_view rest, std::string* key, std::optional<std::string>* value) {
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    const std::size_t colon = rest.find(':');
    std::string_view name = rest.substr(0, colon);
    if (colon == std::string_view::npos) {
        while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
        value->reset();
    } else {
        std::string_view text = rest.substr(colon + 1);
        if (!text.empty() && text.front() == ' ') text.remove_prefix(1);
        *value = std::string(text);
    }
    if (name.empty()) throw EMacroTestError(0, "an expectation line without a key");
    for (const char c : name) {
        if (!((c >= 'a' && c <= 'z') || c == '-')) {
            // Appended rather than added up: GCC 12 warns about the latter here (-Wrestrict).
            std::string message = "\"";
            message.append(name).append("\" is not a known key");
            throw EMacroTestError(0, message);
        }
    }
    *key = std::string(name);
}

}  // namespace

std::string ClosingPrompt() {
    // "何かキーを押してください..."
    return "\x89\xbd\x82\xa9\x83\x4c\x81\x5b\x82\xf0\x89\x9f\x82\xb5\x82\xc4\x82\xad\x82\xbe"
           "\x82\xb3\x82\xa2...";
}

std::string DecodeRawValue(const std::string& value, const std::string& encoding) {
    std::string result;
    std::string pending;  // UTF-8 text waiting for conversion
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\') {
            pending.push_back(value[i]);
            continue;
        }
        if (i + 1 == value.size()) throw EMacroTestError(0, "a lone backslash at the end");
        const char escape = value[++i];
        switch (escape) {
            case 'n':
                pending.push_back('\n');
                break;
            case 'r':
                pending.push_back('\r');
                break;
            case 't':
                pending.push_back('\t');
                break;
            case '\\':
                pending.push_back('\\');
                break;
            case 'x': {
                const int high = i + 1 < value.size() ? HexDigit(value[i + 1]) : -1;
                const int low = i + 2 < value.size() ? HexDigit(value[i + 2]) : -1;
                if (high < 0 || low < 0) {
                    throw EMacroTestError(0, "\\x needs two hexadecimal digits");
                }
                result += Convert(pending, encoding);
                pending.clear();
                result.push_back(static_cast<char>(high * 16 + low));
                i += 2;
                break;
            }
            default:
                throw EMacroTestError(0, std::string("unknown escape \\") + escape +
                                             " (known: \\n \\r \\t \\\\ \\xHH)");
        }
    }
    return result + Convert(pending, encoding);
}

std::string TerminalEncoding(const std::optional<std::string>& locale) {
    const std::size_t dot = locale ? locale->find('.') : std::string::npos;
    if (dot == std::string::npos) return "CP932";
    const std::string codeset = locale->substr(dot + 1, locale->find('@') - dot - 1);
    return codeset.empty() ? "CP932" : codeset;
}

namespace {

// Applies every "//@" line of [text] in file order.
void ReadExpectationLines(const std::string& text, TExpectations* seen, TMacroTest* test) {
    int line = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        ++line;
        std::string_view content(text.data() + start, end - start);
        start = end + 1;
        // A file checked out with CR LF line ends keeps its expectations intact.
        if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
        const std::size_t first = content.find_first_not_of(" \t");
        if (first == std::string_view::npos || !content.substr(first).starts_with(kMarker)) {
            continue;
        }
        try {
            std::string key;
            std::optional<std::string> value;
            SplitKeyValue(content.substr(first + kMarker.size()), &key, &value);
            ApplyKey(line, key, value, seen, test);
        } catch (const EMacroTestError& error) {
            throw EMacroTestError(line, error.what());
        }
    }
}

// A terminal value with its escapes resolved, in the encoding of [key]'s stream.
std::string TerminalBytes(const TTerminalValue& entry, const TMacroTest& test) {
    try {
        const std::string& encoding = entry.key == "wait-out" ? "CP932" : test.terminalEncoding;
        if (entry.key == "screen") return Convert(entry.value, encoding) + "\n";
        return DecodeRawValue(entry.value, encoding);
    } catch (const EMacroTestError& error) {
        throw EMacroTestError(entry.line, error.what());
    }
}

// Builds the screen and the steps at the terminal once the terminal's encoding is
// known, and refuses what a terminal session cannot have.
void FinishTerminal(const TExpectations& seen, TMacroTest* test) {
    const TTerminalStreams& terminal = test->terminal;
    auto refuse = [](int line, const std::string& message) {
        if (line > 0) throw EMacroTestError(line, message);
    };
    refuse(terminal.output ? seen.outputLine : 0,
           "stdout is the terminal: expect its output in screen lines");
    refuse(terminal.errors ? seen.errorsLine : 0,
           "stderr is the terminal: expect its output, the error frame too, in screen lines");
    refuse(terminal.input ? seen.inputLine : 0, "stdin is the terminal: type with send");
    if (!terminal.Any()) {
        if (!seen.screen.empty()) refuse(seen.screen.front().line, "screen needs a tty line");
        for (const TTerminalValue& entry : seen.events) {
            refuse(entry.key == "wait-out" ? 0 : entry.line, entry.key + " needs a tty line");
        }
    }
    test->terminalEncoding = TerminalEncoding(test->locale);
    for (const TTerminalValue& entry : seen.screen)
        test->expectedScreen += TerminalBytes(entry, *test);
    for (const TTerminalValue& entry : seen.events) {
        TTerminalEvent event;
        event.description = "line " + std::to_string(entry.line) + ": " + entry.key +
                            (entry.key == "fg" ? "" : ": " + entry.value);
        if (entry.key == "send") {
            event.kind = TTerminalEvent::TKind::send;
        } else if (entry.key == "wait") {
            event.kind = TTerminalEvent::TKind::waitScreen;
        } else if (entry.key == "wait-out") {
            event.kind = TTerminalEvent::TKind::waitOutput;
        } else if (entry.key == "wait-mode") {
            event.kind = TTerminalEvent::TKind::waitMode;
            event.keyMode = entry.value == "key";
        } else {
            event.kind = TTerminalEvent::TKind::resume;
        }
        if (entry.key != "wait-mode" && entry.key != "fg") {
            event.bytes = TerminalBytes(entry, *test);
            if (event.bytes.empty())
                throw EMacroTestError(entry.line, entry.key + " needs a value");
        }
        test->events.push_back(event);
    }
}

// Settles the file names and builds the expected streams, framing included, once
// the expectations and the source are known. The streams on a terminal are seen
// only on the screen, which has no framing of its own.
void FinishTest(const TExpectations& seen, const std::string& baseName, TMacroTest* test) {
    FinishTerminal(seen, test);
    test->fileName = seen.fileName ? *seen.fileName : ConvertFileName(baseName, "file name");
    for (const std::string& extra : test->extraFileNames) {
        if (extra == test->fileName) {
            throw EMacroTestError(0, "extra-file repeats the name the macro is written under");
        }
    }

    test->expectedStatus = seen.status.value_or(0);
    test->timeoutSeconds = seen.timeout.value_or(test->timeoutSeconds);
    const bool framed = !seen.plain && test->expectedStatus == 0;
    test->expectedOutput = (framed && !test->terminal.output ? "\n" : "") + seen.output;
    test->expectedErrors = seen.errors;
    if (!seen.frameLines.empty()) {
        test->expectedErrors += "\n*\n";
        for (std::size_t i = 0; i < seen.frameLines.size(); ++i) {
            if (i > 0) test->expectedErrors += "\n";
            test->expectedErrors += seen.frameLines[i];
        }
        test->expectedErrors += "\n*\n";
    }
    if (framed && !test->terminal.errors) test->expectedErrors += "\n" + ClosingPrompt();
}

}  // namespace

TMacroTest ParseMacroTest(const std::string& text, const std::string& baseName) {
    TMacroTest test;
    TExpectations seen;
    ReadExpectationLines(text, &seen, &test);

    if (seen.sourceRaw) {
        test.source = text;
    } else {
        std::size_t failedAt = 0;
        if (!Utf8ToCp932(text, &test.source, &failedAt)) {
            throw EMacroTestError(LineOfOffset(text, failedAt),
                                  "the macro is not UTF-8 or cannot be written in code page 932 "
                                  "(use source-raw for raw bytes)");
        }
    }
    CheckNoContinuations(test.source);
    FinishTest(seen, baseName, &test);
    return test;
}

TMacroTest ParseMacroTestWithSource(const std::string& expectations, const std::string& source,
                                    const std::string& baseName) {
    TMacroTest test;
    TExpectations seen;
    ReadExpectationLines(expectations, &seen, &test);
    if (seen.sourceRaw) {
        throw EMacroTestError(0,
                              "source-raw: a macro in a file of its own is always taken as it is");
    }
    // The expectation lines are not part of this macro, so no line of it can swallow them.
    test.source = source;
    FinishTest(seen, baseName, &test);
    return test;
}

}  // namespace MacroRunner
