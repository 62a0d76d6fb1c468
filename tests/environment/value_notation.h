// A compact notation for values in table-driven environment tests:
// "i:5" an int, "d:2.5" a double ("d:nan" too), "s:text" a string, "e" an empty handle.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "values/values.h"

namespace QuorinTest {

inline Quorin::TExValue MakeValue(const std::string& notation) {
    if (notation == "e") return Quorin::TExValue();
    const std::string text = notation.substr(2);
    switch (notation[0]) {
        case 'i':
            return Quorin::TExValue(static_cast<int>(std::strtoll(text.c_str(), nullptr, 10)));
        case 'd':
            if (text == "nan") return Quorin::TExValue(std::numeric_limits<double>::quiet_NaN());
            return Quorin::TExValue(std::strtod(text.c_str(), nullptr));
        default:
            return Quorin::TExValue(text);
    }
}

// The kind and text of the value a handle stands for (a variable's content included).
inline std::string Describe(const Quorin::TExValue& value) {
    const Quorin::TExValue& r = value.Resolved();
    switch (r.Tag()) {
        case Quorin::TExValue::tInt:
            return "i:" + r.ToString();
        case Quorin::TExValue::tDouble:
            return std::isnan(r.ToDouble()) ? "d:nan" : "d:" + r.ToString();
        case Quorin::TExValue::tString:
            return "s:" + r.ToString();
        case Quorin::TExValue::tEmpty:
            return "e";
        default:
            return "?";
    }
}

// Splits a table case written "word word... => expected" into its words and expectation.
inline std::vector<std::string> SplitCase(const std::string& text, std::string& expected) {
    const std::size_t arrow = text.find(" => ");
    expected = text.substr(arrow + 4);
    std::vector<std::string> words;
    for (std::size_t at = 0; at < arrow;) {
        const std::size_t space = std::min(text.find(' ', at), arrow);
        words.push_back(text.substr(at, space - at));
        at = space + 1;
    }
    return words;
}

}  // namespace QuorinTest
