// The macro engine: owns one macro's source, syntax tree and variables, and is
// the syntax tree's only way to its environment.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "environment/environment.h"
#include "values/values.h"

namespace Quorin {

class TAnalyzedMacro;

struct TVariableInfo {
    std::string name;     // as written where the variable was created
    TVariable* variable;  // owned by the engine
};

class TQuorin {
public:
    TQuorin(TQuorinBasicEnvironment* environment, const std::string& source, int userData);
    TQuorin(const TQuorin&) = delete;
    TQuorin& operator=(const TQuorin&) = delete;
    ~TQuorin();

    // Analyses when needed, executes the macro once, clears the variables.
    // False when the environment stopped the macro.
    bool Run();
    void AnalyzeMacro();

    TLRValue* FindVariable(const std::string& name);
    TVariable* CreateVariable(const std::string& name);
    bool CallFunction(const std::string& name, std::vector<TExValue>& arguments, TExValue& result);
    // The environment whose built-in functions this run computes directly (see
    // TQuorinEnvironment::ComputesOwnFunctions), or null.
    TQuorinEnvironment* OwnFunctions() const { return ownFunctions; }
    // A call of `name`, found to be the built-in `function` of OwnFunctions(): the
    // same result and errors as CallFunction, without asking the environment.
    void CallBuiltin(int function, const std::string& name, std::vector<TExValue>& arguments,
                     TExValue& result);
    void CallOperator(const std::string& op, int form, std::vector<TExValue>& operands,
                      TExValue& result) {
        result.Reset();
        environment->CallOperator(userData, op, form, operands, result);
    }
    void ClearVariables();
    bool NamesEqual(const std::string& a, const std::string& b) {
        return environment->SameName(a, b);
    }

    // Called by every sentence before it does its work; asks the environment
    // whether to stop at every `pollInterval`-th call of the run (never when it
    // is 0, at every call when it is negative). The interval is read when the
    // run starts and after every question, so the environment sets it before a
    // run, not during one.
    void Poll() {
        if (--pollCountdown > 0) return;
        PollInterval();
    }

    TQuorinBasicEnvironment* Environment() const { return environment; }

    // The tallest syntax tree the analysis accepts; RunMacro lowers it when the
    // stack it runs on is smaller than the limits assume.
    int depthLimit;
    // Identifies the current run; items use it to tell whether what they
    // remembered about a name still holds.
    std::uint64_t RunId() const { return runId; }

private:
    void PollInterval();
    void RestartPolling();

    // Calls of Poll left until the environment is asked again.
    int pollCountdown = 0;
    TQuorinBasicEnvironment* environment;
    std::string source;
    std::unique_ptr<TAnalyzedMacro> macro;
    int userData;
    std::vector<TVariableInfo> variables;
    std::unordered_map<std::string, TVariable*> variableIndex;  // by NameKey
    std::uint64_t runId = 0;
    TQuorinEnvironment* ownFunctions = nullptr;  // decided when a run starts
};

// Runs `source` once in `environment`. False when the environment stopped it;
// errors leave as exceptions of the EQuorinError family.
bool RunMacro(TQuorinBasicEnvironment* environment, const std::string& source, int userData);

}  // namespace Quorin
