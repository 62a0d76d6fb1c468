// The environment: the interpreter core's only view of its host.
//
// It decides which operators and constants exist, how names compare, which
// functions exist, what operators compute, and whether a running macro stops.
#pragma once

#include <cstddef>
#include <string>
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

    TQuorinBasicEnvironment() = default;
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

    // The key under which the engine indexes a name: two names have the same key
    // exactly when SameName holds. An environment that changes SameName must change this too.
    virtual std::string NameKey(const std::string& name);

    void AddOperator(const std::string& name, int form, int precedence);
    void AddConstant(const std::string& name, const Quorin::TValue& value);
    void AddConstant(const std::string& name, int value);

    // Raises EArgumentsMismatch (with an empty name) unless minimum <= count <= maximum,
    // then pads with empty handles up to `maximum`. A minimum of -1 means the maximum.
    static void CheckArguments(std::vector<Quorin::TExValue>& arguments, int maximum,
                               int minimum = -1);

protected:
    // The default name rule, usable by derived classes without a virtual call.
    bool DefaultSameName(const std::string& a, const std::string& b) const;
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

    // What operator row `row` computes in its own form (a Quorin::TOperatorCode).
    int RowCode(std::size_t row);
    // Whether `environment` computes its operators with this class's own
    // CallOperator, unchanged by any derived class. The syntax tree then computes
    // the simplest cases itself, exactly as CallOperator would.
    static bool ComputesOwnOperators(const TQuorinBasicEnvironment* environment);

    // The pseudo-random generator behind "rand"; exposed so that tests can seed it.
    unsigned randomState = 0;
    int NextRandom();

    // Built-in functions computed without CallFunction. `environment` itself when
    // every call of a built-in function there reaches this class's CallFunction
    // unchanged and names compare by the default rule (SameName is not
    // overridden), so that a function call can find its built-in once and compute
    // it directly, exactly as CallFunction would; null otherwise.
    static TQuorinEnvironment* ComputesOwnFunctions(TQuorinBasicEnvironment* environment);
    // The built-in function (an index, for CallBuiltin) that CallFunction computes
    // for `name`, or -1 for a name this environment's CallFunction serves itself
    // or knows not at all. Only meaningful where ComputesOwnFunctions holds.
    int BuiltinFunction(const std::string& name) const;
    // Computes the built-in `function` exactly as CallFunction does for its name.
    void CallBuiltin(int function, std::vector<Quorin::TExValue>& arguments,
                     Quorin::TExValue& result);

protected:
    // For a derived class whose CallFunction serves the functions `names` itself
    // and hands every other call unchanged to its base class's CallFunction (this
    // class's own, or one vouched for in the same way): the same name, arguments
    // and result, nothing done before or after but comparing names with SameName.
    // Called in that class's constructor, it vouches for the CallFunction the
    // object has at that moment, so the built-in functions keep being computed
    // directly. A class derived further that overrides CallFunction again is not
    // vouched for unless its constructor calls this too, naming its own functions.
    void ServesFunctionsItself(const std::vector<std::string>& names);

private:
    // Operator codes, resolved once per table row so that an operator request
    // coming from the table is dispatched without comparing names.
    int OperatorCode(const std::string& name, int form);
    int CodeByName(const std::string& name, int form);
    void Compute(int code, int userData, const std::string& name,
                 std::vector<Quorin::TExValue>& operands, Quorin::TExValue& result);
    void CompoundAssign(int userData, const std::string& name,
                        std::vector<Quorin::TExValue>& operands, Quorin::TExValue& result);
    // The row whose own `name` field `name` is, or -1 for any other string.
    std::ptrdiff_t RowOf(const std::string& name) const;
    void ResolveRows();

    std::vector<int> rowCodes;     // per operator row: its code for the row's own form
    std::vector<int> rowBaseRows;  // per operator row: the row of its base operator, or -1
    std::size_t resolvedRows = 0;  // rows covered by rowCodes

    // The CallFunction that hands built-in functions on unchanged (this class's own,
    // or one vouched for by ServesFunctionsItself), the names it serves before
    // them, and SameName as this class leaves it.
    const void* passingCallFunction = nullptr;
    std::vector<std::string> ownFunctionNames;
    const void* ownSameName = nullptr;
};
