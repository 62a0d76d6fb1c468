#include "script.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "host_limits.h"

namespace {

struct TFileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

// Opens a file for reading; a directory, which the system would let us open,
// is refused so that the name with ".qrn" gets its turn.
TFile OpenScript(const std::string& name) {
    TFile file(std::fopen(name.c_str(), "rb"));
    if (!file) return file;
    struct stat status;
    if (fstat(fileno(file.get()), &status) == 0 && S_ISDIR(status.st_mode)) file.reset();
    return file;
}

// What an editor may put in front of a UTF-8 text to mark it as such.
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// The size of a regular file, used to reserve the text in one step; 0 if unknown.
std::size_t KnownSize(std::FILE* file) {
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
    return static_cast<std::size_t>(status.st_size);
}

// Appends every byte `file` holds to `text`; false when reading fails. With
// `tooLong`, stops instead at a byte that would make `text` longer than
// `maxBytes`, which is left out, and says so there.
bool ReadBytes(std::FILE* file, std::string& text, std::size_t maxBytes = 0,
               bool* tooLong = nullptr) {
    std::vector<char> block(HostLimits::scriptBlockBytes);
    std::size_t count;
    while ((count = std::fread(block.data(), 1, block.size(), file)) > 0) {
        if (tooLong && count > maxBytes - std::min(maxBytes, text.size())) {
            *tooLong = true;
            break;
        }
        text.append(block.data(), count);
    }
    return !std::ferror(file);
}

// Turns each CR LF pair from `start` on into a single LF, in place; a CR not
// followed by LF is kept.
void TurnCrLfIntoLf(std::string& text, std::size_t start) {
    std::size_t read = text.find('\r', start);
    if (read == std::string::npos) return;
    std::size_t write = read;
    const std::size_t end = text.size();
    while (read < end) {
        // text[read] is a CR: it goes when a LF follows, and the run up to the
        // next CR moves down over the gap left by the ones that went before.
        if (read + 1 < end && text[read + 1] == '\n') ++read;
        std::size_t next = text.find('\r', read + 1);
        if (next == std::string::npos) next = end;
        std::memmove(text.data() + write, text.data() + read, next - read);
        write += next - read;
        read = next;
    }
    text.resize(write);
}

}  // namespace

TSourceDecoder::TSourceDecoder(std::unique_ptr<TTextConverter> toUtf8,
                               std::unique_ptr<TTextConverter> toInternal)
    : toUtf8(std::move(toUtf8)), toInternal(std::move(toInternal)) {}

std::unique_ptr<TSourceDecoder> TSourceDecoder::Open(const std::string& encoding) {
    auto toUtf8 = TTextConverter::Open("UTF-8", encoding);
    auto toInternal = TTextConverter::Open(internalEncoding, "UTF-8");
    if (!toUtf8 || !toInternal) return nullptr;
    return std::unique_ptr<TSourceDecoder>(
        new TSourceDecoder(std::move(toUtf8), std::move(toInternal)));
}

bool TSourceDecoder::Decode(std::string_view bytes, std::string& text) {
    std::string utf8;
    utf8.reserve(bytes.size());
    if (!toUtf8->ConvertStrictly(bytes, utf8)) return false;
    std::string_view body = utf8;
    if (body.starts_with(byteOrderMark)) body.remove_prefix(byteOrderMark.size());
    return toInternal->ConvertStrictly(body, text);
}

namespace {

// The encoding named after "coding:" or "coding=" in `line`, or "".
std::string CodingInLine(std::string_view line) {
    const std::size_t first = line.find_first_not_of(" \t\f");
    if (first == std::string_view::npos) return "";
    line.remove_prefix(first);
    if (!line.starts_with("//") && !line.starts_with("#")) return "";
    constexpr std::string_view marker = "coding";
    for (std::size_t at = line.find(marker); at != std::string_view::npos;
         at = line.find(marker, at + 1)) {
        std::size_t position = at + marker.size();
        if (position >= line.size() || (line[position] != ':' && line[position] != '=')) continue;
        ++position;
        while (position < line.size() && (line[position] == ' ' || line[position] == '\t')) {
            ++position;
        }
        std::size_t end = position;
        while (end < line.size() &&
               (std::isalnum(static_cast<unsigned char>(line[end])) || line[end] == '-' ||
                line[end] == '_' || line[end] == '.' || line[end] == ':')) {
            ++end;
        }
        if (end > position) return std::string(line.substr(position, end - position));
    }
    return "";
}

}  // namespace

std::string DeclaredEncoding(std::string_view bytes) {
    if (bytes.starts_with(byteOrderMark)) return "UTF-8";
    for (int line = 0; line < 2 && !bytes.empty(); ++line) {
        const std::size_t end = bytes.find('\n');
        std::string name = CodingInLine(bytes.substr(0, end));
        if (!name.empty()) return name;
        if (end == std::string_view::npos) break;
        bytes.remove_prefix(end + 1);
    }
    return "";
}

bool LooksLikeUtf8(std::string_view bytes) {
    bool beyondAscii = false;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        beyondAscii = true;
        std::size_t length;
        char32_t smallest;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, smallest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, smallest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, smallest = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i < length) return false;
        char32_t code = lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return beyondAscii;
}

TLoadResult LoadScript(int argc, char** argv, std::string& text,
                       const std::string& fallbackEncoding, std::string* usedEncoding,
                       std::size_t maxBytes) {
    text.clear();
    if (usedEncoding) usedEncoding->clear();
    if (argc != 2) return lrNoFileName;
    const std::string name = argv[1];
    TFile file = OpenScript(name);
    if (!file) file = OpenScript(name + ".qrn");
    if (!file) return lrCannotOpen;
    const std::size_t size = KnownSize(file.get());
    if (size > maxBytes) return lrTooLong;
    const std::size_t reserve = std::max(HostLimits::minimumScriptReserve, size);
    std::string bytes;
    bytes.reserve(reserve);
    bool tooLong = false;
    if (!ReadBytes(file.get(), bytes, maxBytes, &tooLong)) return lrCannotOpen;
    if (tooLong) return lrTooLong;

    std::string encoding = DeclaredEncoding(bytes);
    if (encoding.empty()) encoding = fallbackEncoding;
    if (usedEncoding) *usedEncoding = encoding;
    if (encoding.empty()) {
        text = std::move(bytes);
    } else {
        const auto decoder = TSourceDecoder::Open(encoding);
        if (!decoder) return lrUnknownEncoding;
        text.reserve(reserve);
        if (!decoder->Decode(bytes, text)) {
            text.clear();
            return lrNotConvertible;
        }
    }
    TurnCrLfIntoLf(text, 0);
    return lrLoaded;
}

bool ReadScript(std::FILE* file, std::string& text) {
    const std::size_t start = text.size();
    const bool read = ReadBytes(file, text);
    TurnCrLfIntoLf(text, start);
    return read;
}
