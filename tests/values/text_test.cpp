// Number texts, number formatting and character packing.
#include "values/text.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

namespace Quorin {
namespace {

using namespace std::string_literals;

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(ParseIntTest, AcceptsIntegerTexts) {
    const struct {
        std::string text;
        int value;
    } cases[] = {{"0", 0},
                 {"-0", 0},
                 {"+17", 17},
                 {"  42", 42},
                 {"\t\n\v\f\r7", 7},
                 {"-2147483648", INT_MIN},
                 {"2147483647", INT_MAX},
                 {"-1999999999", -1999999999}};
    for (const auto& c : cases) {
        int value = 12345;
        EXPECT_TRUE(ParseInt(c.text, &value)) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

TEST(ParseIntTest, RejectsOtherTexts) {
    // "\xA0\x31" is 0xA0 then '1': bytes from 0x80 up are no white space.
    const std::string cases[] = {
        "",           "-",           "+",          "00",          "012",      "-012", "+ 1",
        "- 1",        "+-1",         "42 ",        "4 2",         "1.0",      "1e3",  "0x1F",
        "2147483648", "-2147483649", "9999999999", "10000000000", "\xA0\x31", "1\0"s};
    for (const auto& text : cases) EXPECT_FALSE(ParseInt(text, nullptr)) << '"' << text << '"';
}

TEST(ParseRealTest, AcceptsRealTexts) {
    const std::string digits400 = "1" + std::string(400, '0');
    const struct {
        std::string text;
        double value;
    } cases[] = {{"1", 1.0},        {"007", 7.0},
                 {"1.", 1.0},       {".5", 0.5},
                 {"-.5", -0.5},     {" 3.25", 3.25},
                 {"+2", 2.0},       {"12.50", 12.5},
                 {digits400, kInf}, {"-" + digits400 + ".5", -kInf}};
    for (const auto& c : cases) {
        double value = 12345.0;
        EXPECT_TRUE(ParseReal(c.text, &value)) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
}

TEST(ParseRealTest, RejectsOtherTexts) {
    const std::string cases[] = {"",    ".",    "-",        "+.",  "1e5",      "1.5 ",
                                 "1,5", "0x10", "1.2.3",    "inf", "infinity", "nan",
                                 " ",   "--1",  "\xA0\x31", "1\0"s};
    for (const auto& text : cases) EXPECT_FALSE(ParseReal(text, nullptr)) << '"' << text << '"';
}

TEST(FormatTest, Numbers) {
    const struct {
        double value;
        std::string text;
    } cases[] = {
        {2.5, "2.5"},
        {3.0, "3"},
        {100.0, "100"},
        {-0.0, "-0"},
        {0.1234567, "0.123457"},
        {-0.0000001, "-0"},
        {1234.5678, "1234.5678"},
        {1e15, "1000000000000000"},
        {kInf, "inf"},
        {-kInf, "-inf"},
        {kNaN, "nan"},
        {std::copysign(kNaN, -1.0), "-nan"},
        // Large magnitudes keep every digit "%lf" produces.
        {1e300,
         "1000000000000000052504760255204420248704468581108159154915854115511802457988908195786"
         "3713750804478640437044438328838781769425232353604305756447921847867069828483872009265"
         "7580373783023379478809005936895323497079994508111903896764088007465274278014249457925"
         "8788820056842838115669472196386865459400540160"}};
    for (const auto& c : cases) EXPECT_EQ(FormatReal(c.value), c.text) << c.value;

    const std::string lowest = FormatReal(std::numeric_limits<double>::lowest());
    EXPECT_EQ(lowest.size(), 310u);  // '-' and 309 digits, no point
    EXPECT_EQ(lowest.substr(0, 7), "-179769");

    EXPECT_EQ(FormatInt(INT_MIN), "-2147483648");
    EXPECT_EQ(FormatInt(0), "0");
}

TEST(DoubleToIntTest, TruncatesThenKeepsLow32Bits) {
    const double two63 = 9223372036854775808.0;
    const struct {
        double value;
        int result;
    } cases[] = {
        {3.9, 3},
        {-3.9, -3},
        {-0.5, 0},
        {2147483648.0, INT_MIN},
        {4294967296.0 + 1, 1},
        {-4294967296.0 - 1, -1},
        {two63 - 1024, -1024},
        {kNaN, 0},
        // From 2^63 on the 64-bit value saturates: INT64_MAX keeps 0xFFFFFFFF, INT64_MIN 0.
        {two63, -1},
        {1e30, -1},
        {kInf, -1},
        {-two63, 0},
        {-1e30, 0},
        {-kInf, 0}};
    for (const auto& c : cases) EXPECT_EQ(DoubleToInt(c.value), c.result) << c.value;
}

TEST(PackCharactersTest, SplitsCodePage932Characters) {
    const struct {
        std::string bytes;
        std::u16string units;
    } cases[] = {{"", u""},
                 {"a\x82\xA0\x62", {0x61, 0xA082, 0x62}},  // a, one double-byte character, b
                 // Half-width katakana are single bytes.
                 {"\xB1\xDF\xA1", {0xB1, 0xDF, 0xA1}},
                 // A trail byte may be any byte, backslash included.
                 {"\x95\x5C\x81@\xE0\x40\xFC\xFC", {0x5C95, 0x4081, 0x40E0, 0xFCFC}},
                 {"\x80\xA0\xFD\xFF", {0x80, 0xA0, 0xFD, 0xFF}},
                 // A lead byte at the end is a unit of its own.
                 {"ab\x82", {0x61, 0x62, 0x82}},
                 // A lead byte before NUL ends the packing; a NUL elsewhere is a unit.
                 {"a\x82\0bc"s, {0x61, 0x82}},
                 {"\0a"s, {0x00, 0x61}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        EXPECT_EQ(PackCharacters(c.bytes), c.units);
        if (c.bytes.find('\0') == std::string::npos) {
            EXPECT_EQ(UnpackCharacters(c.units), c.bytes);
        }
    }
    EXPECT_EQ(UnpackCharacters({0x61, 0x0100}), "a\0\x01"s);
}

}  // namespace
}  // namespace Quorin
