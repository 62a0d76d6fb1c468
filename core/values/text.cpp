#include "values/text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace Quorin {

bool ParseInt(const std::string& text, int* value) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && IsWhiteSpace(text[i])) ++i;
    bool negative = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    const std::size_t first = i;
    if (i < n && text[i] == '0') {
        ++i;
    } else {
        while (i < n && IsDigit(text[i])) ++i;
    }
    const std::size_t digits = i - first;
    if (digits == 0 || i != n || digits > 10) return false;
    if (digits == 10) {
        const int order = text.compare(first, 10, "2147483648");
        if (negative ? order > 0 : order >= 0) return false;
    }
    std::uint32_t magnitude = 0;
    for (std::size_t k = first; k < i; ++k) magnitude = magnitude * 10 + (text[k] - '0');
    if (value) *value = static_cast<int>(negative ? 0u - magnitude : magnitude);
    return true;
}

bool ParseReal(const std::string& text, double* value) {
    const std::size_t n = text.size();
    std::size_t i = 0;
    while (i < n && IsWhiteSpace(text[i])) ++i;
    if (i < n && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t digits = 0;
    while (i < n && IsDigit(text[i])) ++i, ++digits;
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && IsDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0 || i != n) return false;
    // The text holds no NUL byte here, so the conversion sees all of it.
    if (value) *value = std::strtod(text.c_str(), nullptr);
    return true;
}

std::string FormatInt(int value) {
    char buffer[16];
    const int length = std::snprintf(buffer, sizeof buffer, "%d", value);
    return std::string(buffer, static_cast<std::size_t>(length));
}

std::string FormatReal(double value) {
    // Spelled here as the GNU C library spells them: C libraries differ on the
    // sign of a NaN, and a macro prints the same on every system.
    if (std::isnan(value)) return std::signbit(value) ? "-nan" : "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    // The largest double needs 309 digits before the point; 400 bytes hold any "%lf" text.
    char buffer[400];
    int length = std::snprintf(buffer, sizeof buffer, "%lf", value);
    if (length < 0) return std::string();
    std::size_t end = static_cast<std::size_t>(length);
    if (std::memchr(buffer, '.', end)) {
        while (end > 0 && buffer[end - 1] == '0') --end;
        if (end > 0 && buffer[end - 1] == '.') --end;
    }
    return std::string(buffer, end);
}

int DoubleToInt(double value) {
    if (std::isnan(value)) return 0;
    std::int64_t wide;
    if (value >= 9223372036854775808.0) {
        wide = INT64_MAX;
    } else if (value < -9223372036854775808.0) {
        wide = INT64_MIN;
    } else {
        wide = static_cast<std::int64_t>(value);
    }
    return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(wide)));
}

TWString PackCharacters(const std::string& text) {
    TWString units;
    units.reserve(text.size());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (IsLeadByte(b) && i + 1 < n) {
            const unsigned char t = static_cast<unsigned char>(text[i + 1]);
            units.push_back(static_cast<char16_t>(b + 256 * t));
            if (t == 0) break;
            i += 2;
        } else {
            units.push_back(static_cast<char16_t>(b));
            ++i;
        }
    }
    return units;
}

std::string UnpackCharacters(const TWString& text) {
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t u : text) {
        bytes.push_back(static_cast<char>(u & 0xFF));
        if (u > 255) bytes.push_back(static_cast<char>(u >> 8));
    }
    return bytes;
}

}  // namespace Quorin
