#include "script.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
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

// Appends every byte `file` holds to `text`; false when reading fails.
bool ReadBytes(std::FILE* file, std::string& text) {
    std::vector<char> block(HostLimits::scriptBlockBytes);
    std::size_t count;
    while ((count = std::fread(block.data(), 1, block.size(), file)) > 0) {
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

TLoadResult LoadScript(int argc, char** argv, std::string& text, TSourceDecoder* decoder) {
    text.clear();
    if (argc != 2) return lrNoFileName;
    const std::string name = argv[1];
    TFile file = OpenScript(name);
    if (!file) file = OpenScript(name + ".qrn");
    if (!file) return lrCannotOpen;
    const std::size_t reserve = std::max(HostLimits::minimumScriptReserve, KnownSize(file.get()));
    if (!decoder) {
        text.reserve(reserve);
        if (!ReadBytes(file.get(), text)) {
            text.clear();
            return lrCannotOpen;
        }
        TurnCrLfIntoLf(text, 0);
        return lrLoaded;
    }
    std::string bytes;
    bytes.reserve(reserve);
    if (!ReadBytes(file.get(), bytes)) return lrCannotOpen;
    text.reserve(reserve);
    if (!decoder->Decode(bytes, text)) {
        text.clear();
        return lrNotConvertible;
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
