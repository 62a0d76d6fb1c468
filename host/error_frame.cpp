#include "error_frame.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

#include "errors/messages.h"
#include "host_limits.h"
#include "values/text.h"

namespace Messages = Quorin::Messages;

namespace {

constexpr std::string_view ellipsis = "...";

// The range of line `number` (counted from 1) in `text`, without its line
// feed; false when the text has fewer lines.
bool FindLine(const std::string& text, int number, std::size_t& start, std::size_t& end) {
    start = 0;
    for (int line = 1; line < number; ++line) {
        const std::size_t feed = text.find('\n', start);
        if (feed == std::string::npos) return false;
        start = feed + 1;
    }
    end = std::min(text.find('\n', start), text.size());
    return true;
}

// The start of the character that holds byte `offset`, for a walk over
// code page 932 characters from `start`.
std::size_t CharacterStart(const std::string& text, std::size_t start, std::size_t offset) {
    std::size_t at = start;
    while (at < offset) {
        const std::size_t next =
            at + (Quorin::IsLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1);
        if (next > offset) break;
        at = next;
    }
    return at;
}

// A byte as the shown line has it: control characters would move the cursor
// or worse on a terminal, so they show as blanks; a tab keeps its width.
char Shown(char byte) {
    const auto value = static_cast<unsigned char>(byte);
    return (value < 0x20 && byte != '\t') || value == 0x7F ? ' ' : byte;
}

// The two lines that show where the error arose.
std::string PlaceLines(const TErrorPlace& place, const std::string& text) {
    std::size_t start, end;
    if (!FindLine(text, place.line, start, end)) return "";
    const bool marked = place.offset >= start && place.offset <= end;
    const std::size_t markStart = marked ? place.offset : end;
    const std::size_t markEnd = std::min(end, std::max(markStart + place.length, markStart + 1));

    // Indentation says nothing about the error; it goes, unless the place is in it.
    while (start < markStart && (text[start] == ' ' || text[start] == '\t')) ++start;

    std::size_t shownStart = start, shownEnd = end;
    if (end - start > HostLimits::shownLineBytes) {
        // A third of the room before the place, the rest after it, unless the
        // line ends sooner: then the room goes to what precedes.
        const std::size_t before = HostLimits::shownLineBytes / 3;
        std::size_t from = markStart > start + before ? markStart - before : start;
        from = std::min(from, end - HostLimits::shownLineBytes);
        shownStart = CharacterStart(text, start, from);
        shownEnd = CharacterStart(text, shownStart,
                                  std::min(end, shownStart + HostLimits::shownLineBytes));
    }

    const std::string label = Messages::ErrorLine(place.line);
    std::string lines = label;
    if (shownStart > start) lines += ellipsis;
    for (std::size_t i = shownStart; i < shownEnd; ++i) lines += Shown(text[i]);
    if (shownEnd < end) lines += ellipsis;
    if (!marked) return lines;

    lines += '\n';
    lines.append(label.size() + (shownStart > start ? ellipsis.size() : 0), ' ');
    for (std::size_t i = shownStart; i < markStart; ++i) lines += text[i] == '\t' ? '\t' : ' ';
    const std::size_t width = std::min(markEnd, std::max(shownEnd, markStart + 1)) - markStart;
    lines.append(std::max<std::size_t>(width, 1), '^');
    return lines;
}

}  // namespace

std::string ErrorFrame(const std::string& message, const TErrorPlace& place,
                       const std::string& text, bool showPlace, bool utf8Hint) {
    std::string frame = "\n*\n" + message;
    if (showPlace && place.line > 0) {
        const std::string lines = PlaceLines(place, text);
        if (!lines.empty()) frame += "\n" + lines;
    }
    if (utf8Hint) frame += "\n" + Messages::utf8SourceHint;
    return frame + "\n*\n";
}
