// The environment: the interpreter core's only view of its host.
//
// It decides which operators and constants exist, how names compare, which
// functions exist, what operators compute, and whether a running macro stops.
#pragma once

#include <cstddef>
#include <string>
#include <typeinfo>
#include <vector>

#include "values/values.h"

enum TOperatorForm { ofPrefix = 0, ofPostfix = 1, ofBinary = 2, ofBinaryRight = 3 };

struct TOperatorInfo {
    std::string name;
    int form;
    int precedence;
};

struct TConstantInfo {
    std::string name;
    Quorin::TValue* value;  // owned by the environment
};

class TQuorinBasicEnvironment {
public:
    std::vector<TOperatorInfo> operators;
    std::vector<TConstantInfo> constants;
    bool caseSensitive = false;
    int pollInterval = 10;

    TQuorinBasicEnvironment();
    TQuorinBasicEnvironment(const TQuorinBasicEnvironment&) = delete;
    TQuorinBasicEnvironment& operator=(const TQuorinBasicEnvironment&) = delete;
    virtual ~TQuorinBasicEnvironment();

    // Whether two names are the same: byte for byte when case-sensitive, else with
    // 'a'..'z' folded to upper case on every byte and the texts ending at a NUL.
    virtual bool SameName(const std::string& a, const std::string& b);
    virtual std::string ExpandDirective(const std::string& text);
    virtual bool CallFunction(int userData, const std::string& name,
                              std::vector<Quorin::TExValue>& arguments, Quorin::TExValue& result);
    virtual void CallOperator(int userData, const std::string& name, int form,
                              std::vector<Quorin::TExValue>& operands, Quorin::TExValue& result);
    virtual void CheckStop(int userData, bool& stop);

    void AddOperator(const std::string& name, int form, int precedence);
    void AddConstant(const std::string& name, const Quorin::TValue& value);
    void AddConstant(const std::string& name, int value);

    // Raises EArgumentsMismatch (with an empty name) unless minimum <= count <= maximum,
    // then pads with empty handles up to `maximum`. A minimum of -1 means the maximum.
    static void CheckArguments(std::vector<Quorin::TExValue>& arguments, int maximum,
                               int minimum = -1);

    // Whether SameName is the rule above on this object: true when the class the
    // object belongs to declared it (KeepsStockNameRule). The engine then
    // compares names itself, by that rule and `caseSensitive`, and indexes them.
    bool HasStockNameRule() const;
    // The rule above, without a virtual call.
    bool StockSameName(const std::string& a, const std::string& b) const;
    // The key under which the rule above files a name: two names are the same
    // under it exactly when their keys are equal.
    static std::string StockNameKey(const std::string& name, bool caseSensitive);

protected:
    // Declarations for a constructor. A class says what it leaves as its base
    // class has it, so that the engine may compute that part itself; the
    // declaration holds for objects of exactly the class that made it, so a class
    // derived further that overrides the same operation is never taken for it.
    // A class that declares nothing is asked through its virtual operations.
    //
    // SameName is the stock rule (caseSensitive still applies).
    void KeepsStockNameRule();

private:
    const std::type_info* stockNameRule = nullptr;
};

// The language's environment: the operator table, the constants, the operators'
// semantics and the built-in functions.
class TQuorinEnvironment : public TQuorinBasicEnvironment {
public:
    TQuorinEnvironment();

    bool CallFunction(int userData, const std::string& name,
                      std::vector<Quorin::TExValue>& arguments, Quorin::TExValue& result) override;
    void CallOperator(int userData, const std::string& name, int form,
                      std::vector<Quorin::TExValue>& operands, Quorin::TExValue& result) override;

    // The pseudo-random generator behind "rand"; exposed so that tests can seed it.
    unsigned randomState = 0;
    int NextRandom();

    // Whether CallOperator is this class's own on this object (declared with
    // KeepsStockOperators): the engine then computes every operator of the
    // table itself.
    bool HasStockOperators() const;
    // Whether CallFunction hands every name but ServedFunctions() unchanged to
    // this class's built-in functions on this object (declared with
    // ServesFunctionsItself): the engine then computes those itself.
    bool HasStockFunctions() const;
    // The names a derived CallFunction serves before the built-in functions.
    const std::vector<std::string>& ServedFunctions() const { return servedFunctions; }

protected:
    // CallOperator is this class's own (a further declaration; see KeepsStockNameRule).
    void KeepsStockOperators();
    // CallFunction serves the functions `names` itself and hands every other call
    // unchanged to the base class's CallFunction (this class's own, or one declared
    // the same way): the same name, arguments and result, nothing done before or
    // after but comparing names with SameName. The names add to those the base
    // classes declared.
    void ServesFunctionsItself(const std::vector<std::string>& names);

private:
    const std::type_info* stockOperators = nullptr;
    const std::type_info* stockFunctions = nullptr;
    std::vector<std::string> servedFunctions;
};
