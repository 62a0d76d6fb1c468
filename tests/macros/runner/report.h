// The readable account of a difference between what a macro test expected and what
// the interpreter did.
#pragma once

#include <string>

namespace MacroRunner {

// Describes how [actual] differs from [expected] (both bytes in [encoding]) for the
// stream called [streamName]: the first differing byte, the lines around it shown as
// UTF-8, and the bytes around it in hexadecimal. Returns "" when they are equal.
std::string DescribeDifference(const std::string& streamName, const std::string& expected,
                               const std::string& actual, const std::string& encoding = "CP932");

}  // namespace MacroRunner
