// The text conversion of text_codec.h on POSIX systems, with the C library's iconv.
#include "text_codec.h"

#include <iconv.h>

#include <cerrno>

#include "host_limits.h"

namespace {

const iconv_t noDescriptor = reinterpret_cast<iconv_t>(-1);
constexpr std::size_t iconvFailed = static_cast<std::size_t>(-1);

class TIconvCodec final : public TTextCodec {
public:
    explicit TIconvCodec(iconv_t descriptor) : descriptor(descriptor) {}
    TIconvCodec(const TIconvCodec&) = delete;
    TIconvCodec& operator=(const TIconvCodec&) = delete;
    ~TIconvCodec() override { iconv_close(descriptor); }

    std::size_t Run(std::string_view bytes, std::string& result, TStop& stop) override {
        // iconv's interface is not const-correct; it only reads the input.
        char* in = const_cast<char*>(bytes.data());
        std::size_t inLeft = bytes.size();
        char block[HostLimits::conversionBlockBytes];
        stop = tsNone;
        while (inLeft > 0) {
            char* out = block;
            std::size_t outLeft = sizeof block;
            const std::size_t count = iconv(descriptor, &in, &inLeft, &out, &outLeft);
            result.append(block, static_cast<std::size_t>(out - block));
            if (count != iconvFailed) break;
            if (errno != E2BIG) {
                // No other failure than these is documented; should one occur,
                // the byte is passed on like one that does not convert.
                stop = errno == EINVAL ? tsIncomplete : tsInvalid;
                break;
            }
        }
        return bytes.size() - inLeft;
    }

    void Reset(std::string* result) override {
        if (!result) {
            iconv(descriptor, nullptr, nullptr, nullptr, nullptr);
            return;
        }
        char block[HostLimits::conversionBlockBytes];
        char* out = block;
        std::size_t outLeft = sizeof block;
        iconv(descriptor, nullptr, nullptr, &out, &outLeft);
        result->append(block, static_cast<std::size_t>(out - block));
    }

private:
    iconv_t descriptor;
};

}  // namespace

std::unique_ptr<TTextCodec> TTextCodec::Open(const std::string& to, const std::string& from) {
    const iconv_t descriptor = iconv_open(to.c_str(), from.c_str());
    if (descriptor == noDescriptor) return nullptr;
    return std::make_unique<TIconvCodec>(descriptor);
}
