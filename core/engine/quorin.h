// The macro engine: owns one macro's source, its executable form and its
// variables, and is the macro's only way to its environment.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "environment/environment.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "values/values.h"

namespace Quorin {

struct TProgram;
class TMachine;

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

    // Prepares the macro when needed, executes it once, clears the variables.
    // False when the environment stopped the macro.
    bool Run();
    // Analyses the source and translates it into its executable form, unless
    // that was done before; a syntax error leaves as EQuorinSyntaxError.
    void AnalyzeMacro();

    // The macro's variables, searched by the environment's name rule in the
    // order of their creation, then its constants; null for neither.
    TLRValue* FindVariable(const std::string& name);
    // A new variable holding 0, owned by the engine until the variables are cleared.
    TVariable* CreateVariable(const std::string& name);
    // The environment's CallFunction, with the function's argument errors named
    // after it (see NamingArgumentErrors).
    bool CallFunction(const std::string& name, std::vector<TExValue>& arguments, TExValue& result);
    void CallOperator(const std::string& op, int form, std::vector<TExValue>& operands,
                      TExValue& result) {
        result.Reset();
        environment->CallOperator(userData, op, form, operands, result);
    }
    void ClearVariables();
    bool NamesEqual(const std::string& a, const std::string& b) {
        return environment->SameName(a, b);
    }

    // Counts one sentence; asks the environment whether to stop at every
    // `pollInterval`-th call of the run (never when it is 0, at every call when
    // it is negative). The interval is read when the run starts and after every
    // question, so the environment sets it before a run, not during one.
    void Poll() {
        if (--pollCountdown > 0) return;
        PollInterval();
    }

    TQuorinBasicEnvironment* Environment() const { return environment; }
    // The executable form, once analysed (for tests and tools).
    const TProgram* Program() const { return program.get(); }

    // Runs `call`, a call of the function `name` on `arguments` (which may be null
    // when no argument can be written), and gives its argument errors the
    // function's name and, for an argument that must be a variable, its position.
    template <typename TCall>
    static bool NamingArgumentErrors(const std::string& name,
                                     const std::vector<TExValue>* arguments, TCall call);

private:
    friend class TMachine;
    void PollInterval();
    void RestartPolling();
    // Lists a variable the run made (its memory is the run's).
    void AddVariable(const std::string& name, TVariable* variable);

    // Calls of Poll left until the environment is asked again.
    int pollCountdown = 0;
    TQuorinBasicEnvironment* environment;
    std::string source;  // until it is analysed
    std::unique_ptr<TProgram> program;
    int userData;
    std::vector<TVariableInfo> variables;
    std::vector<std::unique_ptr<TVariable>> createdVariables;
    // The state of the run in progress, or of the last one if an error ended it.
    std::unique_ptr<TMachine> machine;
};

template <typename TCall>
bool TQuorin::NamingArgumentErrors(const std::string& name, const std::vector<TExValue>* arguments,
                                   TCall call) {
    try {
        return call();
    } catch (EArgumentsMismatch&) {
        throw EArgumentsMismatch(RuntimeMessage(Messages::ArgumentsMismatch(name)));
    } catch (ESubstituteToRValue& error) {
        for (std::size_t i = 0; arguments && i < arguments->size(); ++i) {
            if (&(*arguments)[i] == error.target)
                throw ELValueArgumentRequired(
                    RuntimeMessage(Messages::LValueArgumentRequired(name, static_cast<int>(i))));
        }
        throw;
    }
}

// Runs `source` once in `environment`. False when the environment stopped it;
// errors leave as exceptions of the EQuorinError family.
bool RunMacro(TQuorinBasicEnvironment* environment, const std::string& source, int userData);

}  // namespace Quorin
