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

// The size of a regular file, used to reserve the text in one step; 0 if unknown.
std::size_t KnownSize(std::FILE* file) {
    struct stat status;
    if (fstat(fileno(file), &status) != 0 || !S_ISREG(status.st_mode)) return 0;
    return static_cast<std::size_t>(status.st_size);
}

}  // namespace

TLoadResult LoadScript(int argc, char** argv, std::string& text) {
    text.clear();
    if (argc != 2) return lrNoFileName;
    const std::string name = argv[1];
    TFile file = OpenScript(name);
    if (!file) file = OpenScript(name + ".qrn");
    if (!file) return lrCannotOpen;
    text.reserve(std::max(HostLimits::minimumScriptReserve, KnownSize(file.get())));
    if (!ReadScript(file.get(), text)) {
        text.clear();
        return lrCannotOpen;
    }
    return lrLoaded;
}

bool ReadScript(std::FILE* file, std::string& text) {
    std::vector<char> block(HostLimits::scriptBlockBytes);
    // A CR that ended the previous block; whether it stays depends on the next byte.
    bool pendingCr = false;
    for (;;) {
        const std::size_t count = std::fread(block.data(), 1, block.size(), file);
        if (count == 0) break;
        const char* p = block.data();
        const char* const end = p + count;
        if (pendingCr) {
            if (*p != '\n') text.push_back('\r');
            pendingCr = false;
        }
        while (p < end) {
            const void* found = std::memchr(p, '\r', static_cast<std::size_t>(end - p));
            const char* cr = found ? static_cast<const char*>(found) : end;
            text.append(p, cr);
            if (cr == end) break;
            if (cr + 1 == end) {
                pendingCr = true;
                break;
            }
            if (cr[1] != '\n') text.push_back('\r');
            p = cr + 1;
        }
    }
    if (pendingCr) text.push_back('\r');
    return !std::ferror(file);
}
