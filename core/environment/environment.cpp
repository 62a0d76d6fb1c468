#include "environment/environment.h"

#include <ctime>

#include "errors/errors.h"
#include "errors/messages.h"

namespace {

inline unsigned char FoldCase(unsigned char b) {
    return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 0x20) : b;
}

}  // namespace

// ---- TQuorinBasicEnvironment ----------------------------------------------------

// During a constructor the dynamic type of the object is the class whose
// constructor runs: that is the class a declaration speaks for.
TQuorinBasicEnvironment::TQuorinBasicEnvironment() {
    KeepsStockNameRule();
}

TQuorinBasicEnvironment::~TQuorinBasicEnvironment() {
    for (TConstantInfo& constant : constants) delete constant.value;
}

void TQuorinBasicEnvironment::KeepsStockNameRule() {
    stockNameRule = &typeid(*this);
}

bool TQuorinBasicEnvironment::HasStockNameRule() const {
    return stockNameRule && *stockNameRule == typeid(*this);
}

// Names are compared on every keyword test, so the folding is done on the fly:
// c_str() always ends in a NUL, which is also where the rule stops comparing.
bool TQuorinBasicEnvironment::StockSameName(const std::string& a, const std::string& b) const {
    if (caseSensitive) return a == b;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(a.c_str());
    const unsigned char* q = reinterpret_cast<const unsigned char*>(b.c_str());
    for (;; ++p, ++q) {
        const unsigned char x = FoldCase(*p);
        if (x != FoldCase(*q)) return false;
        if (x == 0) return true;
    }
}

std::string TQuorinBasicEnvironment::StockNameKey(const std::string& name, bool caseSensitive) {
    if (caseSensitive) return name;
    std::string key;
    key.reserve(name.size());
    for (const char c : name) {
        if (c == '\0') break;
        key.push_back(static_cast<char>(FoldCase(static_cast<unsigned char>(c))));
    }
    return key;
}

bool TQuorinBasicEnvironment::SameName(const std::string& a, const std::string& b) {
    return StockSameName(a, b);
}

std::string TQuorinBasicEnvironment::ExpandDirective(const std::string&) {
    return std::string();
}

bool TQuorinBasicEnvironment::CallFunction(int, const std::string&, std::vector<Quorin::TExValue>&,
                                           Quorin::TExValue&) {
    return false;
}

void TQuorinBasicEnvironment::CallOperator(int, const std::string& name, int,
                                           std::vector<Quorin::TExValue>&, Quorin::TExValue&) {
    throw Quorin::EQuorinFatalError(Quorin::Messages::OperatorNotFound(name));
}

void TQuorinBasicEnvironment::CheckStop(int, bool&) {}

void TQuorinBasicEnvironment::AddOperator(const std::string& name, int form, int precedence) {
    operators.push_back(TOperatorInfo{name, form, precedence});
}

void TQuorinBasicEnvironment::AddConstant(const std::string& name, const Quorin::TValue& value) {
    Quorin::TValue* copy = value.GetValue();
    try {
        constants.push_back(TConstantInfo{name, copy});
    } catch (...) {
        delete copy;
        throw;
    }
}

void TQuorinBasicEnvironment::AddConstant(const std::string& name, int value) {
    AddConstant(name, Quorin::TIntValue(value));
}

void TQuorinBasicEnvironment::CheckArguments(std::vector<Quorin::TExValue>& arguments, int maximum,
                                             int minimum) {
    if (minimum < 0) minimum = maximum;
    const std::size_t count = arguments.size();
    if (count < static_cast<std::size_t>(minimum) || count > static_cast<std::size_t>(maximum)) {
        throw Quorin::EArgumentsMismatch(
            Quorin::RuntimeMessage(Quorin::Messages::ArgumentsMismatch("")));
    }
    arguments.resize(static_cast<std::size_t>(maximum));
}

// ---- TQuorinEnvironment -----------------------------------------------------------

TQuorinEnvironment::TQuorinEnvironment() {
    KeepsStockNameRule();
    KeepsStockOperators();
    ServesFunctionsItself({});
    randomState = static_cast<unsigned>(std::time(nullptr));

    // Registration order is lookup order for the word splitter and the analyser.
    AddOperator(",", ofBinary, 100);
    for (const char* name :
         {"=", "+=", "cat=", "-=", "*=", "/=", "div=", "%=", "&=", "^=", "|=", "<<=", ">>="}) {
        AddOperator(name, ofBinaryRight, 110);
    }
    AddOperator("||", ofBinary, 130);
    AddOperator("&&", ofBinary, 140);
    AddOperator("|", ofBinary, 150);
    AddOperator("^", ofBinary, 160);
    AddOperator("&", ofBinary, 170);
    for (const char* name : {"==", "equ", "!=", "!equ"}) AddOperator(name, ofBinary, 180);
    for (const char* name : {"<", "<=", ">", ">="}) AddOperator(name, ofBinary, 190);
    for (const char* name : {"<<", ">>", "cmp"}) AddOperator(name, ofBinary, 200);
    for (const char* name : {"+", "cat", "-"}) AddOperator(name, ofBinary, 210);
    for (const char* name : {"*", "/", "div", "%"}) AddOperator(name, ofBinary, 220);
    for (const char* name : {"!", "~", "+", "-", "++", "--"}) AddOperator(name, ofPrefix, 230);
    AddOperator("++", ofPostfix, 230);
    AddOperator("--", ofPostfix, 230);

    AddConstant("true", 1);
    AddConstant("false", 0);
    AddConstant("iRandMax", 32767);
}

// A linear congruential generator; the result is bits 16 to 30 of the new state.
int TQuorinEnvironment::NextRandom() {
    randomState = randomState * 22695477u + 1u;
    return static_cast<int>((randomState >> 16) & 0x7FFFu);
}

void TQuorinEnvironment::KeepsStockOperators() {
    stockOperators = &typeid(*this);
}

bool TQuorinEnvironment::HasStockOperators() const {
    return stockOperators && *stockOperators == typeid(*this);
}

void TQuorinEnvironment::ServesFunctionsItself(const std::vector<std::string>& names) {
    servedFunctions.insert(servedFunctions.end(), names.begin(), names.end());
    stockFunctions = &typeid(*this);
}

bool TQuorinEnvironment::HasStockFunctions() const {
    return stockFunctions && *stockFunctions == typeid(*this);
}
