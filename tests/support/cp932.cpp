#include "support/cp932.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>
#include <system_error>

std::string Cp932(const std::string& utf8) {
    iconv_t converter = iconv_open("CP932", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        throw std::system_error(errno, std::generic_category(), "iconv_open UTF-8 -> CP932");

    // Code page 932 never needs more bytes than UTF-8 for the same character.
    std::string out(utf8.size(), '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t result = iconv(converter, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(converter);
    if (result == static_cast<std::size_t>(-1) || inLeft != 0)
        throw std::invalid_argument("text not convertible to CP932: " + utf8);
    out.resize(out.size() - outLeft);
    return out;
}
