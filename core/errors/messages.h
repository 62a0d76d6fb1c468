// The catalogue of every text the system shows to a user.
//
// The texts are Japanese and are held as code page 932 bytes; this file's
// implementation is the only source whose literals are turned into that
// encoding (by the build, see core/CMakeLists.txt), so all other sources stay
// plain UTF-8.
#pragma once

#include <cstddef>
#include <string>

namespace Quorin::Messages {

// First line of every runtime error, line feed included.
extern const std::string runtimeErrorPrefix;

// Whole messages without the runtime prefix.
extern const std::string syntaxError;
extern const std::string nestingTooDeep;
extern const std::string invalidItemKind;

// Detail texts of runtime errors (the prefix is added by the thrower).
extern const std::string substituteToRValue;
extern const std::string wrongFunctionCall;
extern const std::string unexpectedContinue;
extern const std::string stopped;
extern const std::string divisionByZero;

// A macro longer than `bytes`, which the analysis does not take.
std::string SourceTooLong(std::size_t bytes);

// Texts with a name in them.
std::string FunctionNotExist(const std::string& name);
std::string ArgumentsMismatch(const std::string& name);
std::string LValueArgumentRequired(const std::string& name, int number);
std::string LabelNotExist(const std::string& label);
std::string OperatorNotFound(const std::string& op);

// Texts of the console host.
extern const std::string noFileName;
extern const std::string cannotOpenFile;
extern const std::string pressAnyKey;
extern const std::string outOfMemory;
extern const std::string unknownEncoding;  // followed by the encoding's name
extern const std::string sourceNotConvertible;
extern const std::string outputFailed;
extern const std::string utf8SourceHint;
extern const std::string usage;
// The start of the line that shows where an error arose: its number and a colon.
std::string ErrorLine(int line);
// What --version prints: the program's name and `version`.
std::string ProgramVersion(const std::string& version);

}  // namespace Quorin::Messages
