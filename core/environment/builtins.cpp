// The built-in functions: character and byte string functions, "int" and "rand".
#include "environment/builtins.h"

#include <cstdint>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "environment/environment.h"
#include "errors/errors.h"
#include "errors/messages.h"

namespace Quorin::Builtins {

namespace {

struct TFunctionInfo {
    const char* name;
    int maximum;
    int minimum;
};

// Lookup order; indexed by TFunction.
constexpr TFunctionInfo functions[] = {
    {"len", 1, 1},     {"substr", 3, 2}, {"left", 2, 2},   {"right", 2, 2}, {"lenb", 1, 1},
    {"substrb", 3, 2}, {"leftb", 2, 2},  {"rightb", 2, 2}, {"int", 1, 1},   {"rand", 0, 0},
};
static_assert(std::size(functions) == functionCount);

constexpr std::size_t kAll = std::numeric_limits<std::size_t>::max();

// Positions and counts are read as unsigned 32-bit numbers, so a negative one is huge.
std::size_t ReadUnsigned(const TExValue& value) {
    return static_cast<std::uint32_t>(value.ToInt());
}

// A byte range of the first argument's text. The whole text is handed on without a
// copy when the argument already holds it as a string, and a single byte is the
// shared string of that byte.
void SetPart(const TExValue& source, const std::string& text, std::size_t from, std::size_t to,
             TExValue& result) {
    if (from == 0 && to == text.size() && source.StringPointer() == &text) {
        result = source.Resolved();
    } else if (to - from == 1) {
        result = TExValue::Character(text[from]);
    } else {
        result = TExValue(text.substr(from, to - from));
    }
}

// The count of "substr" and "substrb": none given, or negative, means the rest.
std::size_t ReadCount(const TExValue& value) {
    return value.IsEmpty() ? kAll : ReadUnsigned(value);
}

// The byte functions. A start beyond the end gives the empty text and a count
// beyond the end the whole text, rather than reading outside the string.
void ByteFunction(int function, const TExValue* const* args, const std::string& text,
                  TExValue& result) {
    const std::size_t length = text.size();
    std::size_t from = 0, to = length;
    switch (function) {
        case fSubstrB: {
            from = ReadUnsigned(*args[1]);
            if (from > length) from = length;
            const std::size_t count = ReadCount(*args[2]);
            if (count < length - from) to = from + count;
            break;
        }
        case fLeftB: {
            const std::size_t n = ReadUnsigned(*args[1]);
            if (n < length) to = n;
            break;
        }
        case fRightB: {
            const std::size_t n = ReadUnsigned(*args[1]);
            if (n < length) from = length - n;
            break;
        }
    }
    SetPart(*args[0], text, from, to, result);
}

// The character functions, with the same range rules on characters. Every result
// is a byte range of the text: unpacking a run of packed characters gives back
// exactly the bytes they were packed from. `index` is the text's character
// index, or null to walk the text.
void CharacterFunction(int function, const TExValue* const* args, const std::string& text,
                       TCharacterIndex* index, TExValue& result) {
    TCharacterPositions positions(text, index);
    std::size_t from = 0, to = 0;
    switch (function) {
        case fLen:
            result = TExValue(static_cast<int>(positions.Count()));
            return;
        case fSubstr: {
            const std::size_t start = ReadUnsigned(*args[1]);
            if (!positions.Find(start, from)) {
                result = TExValue(std::string());
                return;
            }
            const std::size_t count = ReadCount(*args[2]);
            if (count > kAll - start || !positions.Find(start + count, to)) to = positions.End();
            break;
        }
        case fLeft:
            if (!positions.Find(ReadUnsigned(*args[1]), to)) to = positions.End();
            break;
        case fRight: {
            const std::size_t n = ReadUnsigned(*args[1]);
            const std::size_t length = positions.Count();
            to = positions.End();
            if (n < length) positions.Find(length - n, from);
            break;
        }
    }
    SetPart(*args[0], text, from, to, result);
}

}  // namespace

const std::string& Name(int function) {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const TFunctionInfo& info : functions) all.emplace_back(info.name);
        return all;
    }();
    return names[static_cast<std::size_t>(function)];
}

void Call(TQuorinEnvironment& environment, int function, const TExValue* const* arguments,
          std::size_t count, TExValue& result) {
    const TFunctionInfo& info = functions[function];
    if (count < static_cast<std::size_t>(info.minimum) ||
        count > static_cast<std::size_t>(info.maximum)) {
        throw EArgumentsMismatch(RuntimeMessage(Messages::ArgumentsMismatch("")));
    }
    // Omitted optional arguments read as empty values.
    static const TExValue empty;
    const TExValue* args[3] = {&empty, &empty, &empty};
    for (std::size_t i = 0; i < count; ++i) args[i] = arguments[i];
    switch (function) {
        case fInt:
            result = TExValue(args[0]->ToInt());
            return;
        case fRand:
            result = TExValue(environment.NextRandom());
            return;
        default:
            break;
    }

    std::string storage;
    const std::string* text = args[0]->StringPointer();
    if (!text) {
        storage = args[0]->ToString();
        text = &storage;
    }
    switch (function) {
        case fLenB:
            result = TExValue(static_cast<int>(text->size()));
            break;
        case fSubstrB:
        case fLeftB:
        case fRightB:
            ByteFunction(function, args, *text, result);
            break;
        default:
            // Without lead bytes every character is one byte, and the byte
            // functions give the same results without walking the text.
            if (args[0]->IsSingleByteString()) {
                static const int byteForm[] = {fLenB, fSubstrB, fLeftB, fRightB};
                const int same = byteForm[function - fLen];
                if (same == fLenB) {
                    result = TExValue(static_cast<int>(text->size()));
                } else {
                    ByteFunction(same, args, *text, result);
                }
            } else {
                CharacterFunction(function, args, *text, args[0]->CharacterIndex(), result);
            }
            break;
    }
}

}  // namespace Quorin::Builtins

bool TQuorinEnvironment::CallFunction(int, const std::string& name,
                                      std::vector<Quorin::TExValue>& arguments,
                                      Quorin::TExValue& result) {
    using namespace Quorin::Builtins;
    for (int function = 0; function < functionCount; ++function) {
        if (!SameName(name, Name(function))) continue;
        const TFunctionInfo& info = functions[function];
        CheckArguments(arguments, info.maximum, info.minimum);
        const Quorin::TExValue* args[3];
        for (std::size_t i = 0; i < arguments.size(); ++i) args[i] = &arguments[i];
        Call(*this, function, args, arguments.size(), result);
        return true;
    }
    return false;
}
