#include "text_converter.h"

#include <cctype>
#include <cerrno>

#include "host_limits.h"

namespace {

const iconv_t noDescriptor = reinterpret_cast<iconv_t>(-1);
constexpr std::size_t iconvFailed = static_cast<std::size_t>(-1);

}  // namespace

bool IsCodePage932(const std::string& name) {
    std::string key;
    for (const char c : name) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            key += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
    }
    for (const char* known : {"CP932", "MS932", "WINDOWS31J", "SHIFTJIS", "SJIS", "MSKANJI"}) {
        if (key == known) return true;
    }
    return false;
}

std::unique_ptr<TTextConverter> TTextConverter::Open(const std::string& to,
                                                     const std::string& from) {
    const iconv_t descriptor = iconv_open(to.c_str(), from.c_str());
    if (descriptor == noDescriptor) return nullptr;
    return std::unique_ptr<TTextConverter>(new TTextConverter(descriptor));
}

TTextConverter::~TTextConverter() {
    iconv_close(descriptor);
}

std::size_t TTextConverter::Run(std::string_view bytes, std::string& result, int& stop) {
    // iconv's interface is not const-correct; it only reads the input.
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char block[HostLimits::conversionBlockBytes];
    stop = 0;
    while (inLeft > 0) {
        char* out = block;
        std::size_t outLeft = sizeof block;
        const std::size_t count = iconv(descriptor, &in, &inLeft, &out, &outLeft);
        result.append(block, static_cast<std::size_t>(out - block));
        if (count != iconvFailed) break;
        if (errno != E2BIG) {
            stop = errno;
            break;
        }
    }
    return bytes.size() - inLeft;
}

void TTextConverter::Convert(std::string_view bytes, std::string& result) {
    std::string joined;
    if (!held.empty()) {
        joined = held;
        joined.append(bytes);
        held.clear();
        bytes = joined;
    }
    while (!bytes.empty()) {
        int stop = 0;
        bytes.remove_prefix(Run(bytes, result, stop));
        if (stop == 0) break;
        if (stop == EILSEQ) {
            result.push_back(bytes.front());
            bytes.remove_prefix(1);
        } else if (stop == EINVAL) {
            held.assign(bytes);
            break;
        } else {
            // No other failure is documented; should one occur, the text is
            // still not lost.
            result.append(bytes);
            break;
        }
    }
}

void TTextConverter::Release(std::string& result) {
    result.append(held);
    held.clear();
}

void TTextConverter::Finish(std::string& result) {
    Release(result);
    char block[HostLimits::conversionBlockBytes];
    char* out = block;
    std::size_t outLeft = sizeof block;
    iconv(descriptor, nullptr, nullptr, &out, &outLeft);
    result.append(block, static_cast<std::size_t>(out - block));
}

bool TTextConverter::ConvertStrictly(std::string_view bytes, std::string& result) {
    held.clear();
    iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
    int stop = 0;
    Run(bytes, result, stop);
    if (stop != 0) return false;
    Finish(result);
    return true;
}
