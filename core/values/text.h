// Number texts and character packing: the free functions of the value model.
#pragma once

#include <cstdint>
#include <string>

namespace Quorin {

// One 16-bit unit per code page 932 character (lead byte low, trail byte high).
using TWString = std::u16string;

// Code page 932 lead bytes: 0x81..0x9F and 0xE0..0xFC.
constexpr bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

// Bytes 0x09..0x0D and 0x20; bytes from 0x80 up are never white space.
constexpr bool IsWhiteSpace(unsigned char b) { return b == 0x20 || (b >= 0x09 && b <= 0x0D); }
constexpr bool IsDigit(unsigned char b) { return b >= '0' && b <= '9'; }
constexpr bool IsLetter(unsigned char b) { return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'); }

// Whether `text` is an integer text (no leading zeros, 32-bit range); its value into *value.
bool ParseInt(const std::string& text, int* value);
// Whether `text` is a real text (digits with an optional point, no exponent); its value.
bool ParseReal(const std::string& text, double* value);

std::string FormatInt(int value);
// "%lf" without trailing zeros and without a trailing point.
std::string FormatReal(double value);

// The integer reading of a double: truncation toward zero into 64 bits, then
// the low 32 bits. NaN reads 0; magnitudes beyond the 64-bit range saturate.
int DoubleToInt(double value);

TWString PackCharacters(const std::string& text);
std::string UnpackCharacters(const TWString& text);

}  // namespace Quorin
