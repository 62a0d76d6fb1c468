#include "support/cp932.h"

#include <stdexcept>

#include "text_converter.h"

std::string Cp932(const std::string& utf8) {
    const auto converter = TTextConverter::Open(internalEncoding, "UTF-8");
    if (!converter) throw std::runtime_error("the system cannot convert UTF-8 to code page 932");
    std::string result;
    if (!converter->ConvertStrictly(utf8, result))
        throw std::invalid_argument("text not convertible to CP932: " + utf8);
    return result;
}
