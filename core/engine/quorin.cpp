#include "engine/quorin.h"

#include <pthread.h>

#include <atomic>
#include <exception>
#include <limits>

#include "analysis/code_analysis.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "items/analyzed_macro.h"
#include "quorin_limits.h"

namespace Quorin {

namespace {

// Runs are numbered across all engines of the process, so that an item can
// tell whether what it remembered belongs to the run in progress.
std::atomic<std::uint64_t> lastRunId{0};

}  // namespace

TQuorin::TQuorin(TQuorinBasicEnvironment* environment, const std::string& source, int userData)
    : depthLimit(Limits::maxTreeDepth),
      environment(environment),
      source(source),
      userData(userData) {
    RestartPolling();
}

TQuorin::~TQuorin() {
    macro.reset();
    ClearVariables();
}

bool TQuorin::Run() {
    TCommand command;
    if (!macro) AnalyzeMacro();
    RestartPolling();
    runId = lastRunId.fetch_add(1, std::memory_order_relaxed) + 1;
    ownFunctions = TQuorinEnvironment::ComputesOwnFunctions(environment);
    bool finished = true;
    try {
        macro->Execute(*this, command);
    } catch (EStopped&) {
        finished = false;
    }
    ClearVariables();
    return finished;
}

void TQuorin::AnalyzeMacro() {
    if (macro) return;
    TCodeAnalysis analysis(environment, source);
    analysis.depthLimit = depthLimit;
    macro = analysis.AnalyzeSource();
    if (!macro) {
        EQuorinSyntaxError error(analysis.TooDeep() ? Messages::nestingTooDeep
                                                    : Messages::syntaxError);
        if (!analysis.TooDeep()) {
            analysis.OriginalRange(analysis.Farthest(), error.place.offset, error.place.length);
            error.place.line = LineAt(source, error.place.offset);
        }
        throw error;
    }
}

TLRValue* TQuorin::FindVariable(const std::string& name) {
    if (!variables.empty()) {
        auto found = variableIndex.find(environment->NameKey(name));
        if (found != variableIndex.end()) return found->second;
    }
    for (const TConstantInfo& constant : environment->constants) {
        if (environment->SameName(constant.name, name)) return constant.value;
    }
    return nullptr;
}

TVariable* TQuorin::CreateVariable(const std::string& name) {
    auto variable = std::make_unique<TVariable>(0);
    variables.reserve(variables.size() + 1);
    // The index keeps the first variable of a name, as a search in creation order would find.
    variableIndex.emplace(environment->NameKey(name), variable.get());
    variables.push_back(TVariableInfo{name, variable.get()});
    return variable.release();
}

namespace {

// Runs `call` (a function call of `name` on `arguments`) and gives its argument
// errors the function's name and the argument's position.
template <typename TCall>
auto NamingArgumentErrors(const std::string& name, std::vector<TExValue>& arguments, TCall call) {
    try {
        return call();
    } catch (EArgumentsMismatch&) {
        throw EArgumentsMismatch(RuntimeMessage(Messages::ArgumentsMismatch(name)));
    } catch (ESubstituteToRValue& error) {
        for (std::size_t i = 0; i < arguments.size(); ++i) {
            if (&arguments[i] == error.target)
                throw ELValueArgumentRequired(
                    RuntimeMessage(Messages::LValueArgumentRequired(name, static_cast<int>(i))));
        }
        throw;
    }
}

}  // namespace

bool TQuorin::CallFunction(const std::string& name, std::vector<TExValue>& arguments,
                           TExValue& result) {
    result.Reset();
    return NamingArgumentErrors(name, arguments, [&] {
        return environment->CallFunction(userData, name, arguments, result);
    });
}

void TQuorin::CallBuiltin(int function, const std::string& name, std::vector<TExValue>& arguments,
                          TExValue& result) {
    result.Reset();
    NamingArgumentErrors(name, arguments,
                         [&] { ownFunctions->CallBuiltin(function, arguments, result); });
}

void TQuorin::RestartPolling() {
    const int interval = environment->pollInterval;
    if (interval == 0) {
        pollCountdown = std::numeric_limits<int>::max();
    } else {
        pollCountdown = interval > 0 ? interval : 1;
    }
}

void TQuorin::PollInterval() {
    const bool ask = environment->pollInterval != 0;
    RestartPolling();
    if (!ask) return;
    bool stop = false;
    environment->CheckStop(userData, stop);
    if (stop) throw EStopped(RuntimeMessage(Messages::stopped));
}

void TQuorin::ClearVariables() {
    for (TVariableInfo& info : variables) delete info.variable;
    variables.clear();
    variableIndex.clear();
}

namespace {

// Runs `work` on a thread whose stack is large enough for the deepest tree the
// analyser accepts (see quorin_limits.h), and waits for it. When that much address
// space cannot be had, smaller stacks are tried, and the work is told how deep a
// tree its stack can carry; as a last resort it runs on the caller's own stack.
template <typename Work>
void RunOnLargeStack(Work& work) {
    for (std::size_t bytes = Limits::runStackBytes; bytes >= Limits::smallestRunStackBytes;
         bytes /= 4) {
        pthread_attr_t attributes;
        if (pthread_attr_init(&attributes) != 0) break;
        pthread_t thread;
        bool started = false;
        if (pthread_attr_setstacksize(&attributes, bytes) == 0) {
            work.depthLimit = static_cast<int>(static_cast<double>(Limits::maxTreeDepth) *
                                               static_cast<double>(bytes) /
                                               static_cast<double>(Limits::runStackBytes));
            auto entry = [](void* argument) -> void* {
                (*static_cast<Work*>(argument))();
                return nullptr;
            };
            started = pthread_create(&thread, &attributes, entry, &work) == 0;
        }
        pthread_attr_destroy(&attributes);
        if (started) {
            pthread_join(thread, nullptr);
            return;
        }
    }
    work.depthLimit = Limits::callerStackTreeDepth;
    work();
}

}  // namespace

bool RunMacro(TQuorinBasicEnvironment* environment, const std::string& source, int userData) {
    struct TWork {
        TQuorinBasicEnvironment* environment;
        const std::string& source;
        int userData;
        int depthLimit = Limits::maxTreeDepth;
        bool finished = false;
        std::exception_ptr error;

        void operator()() {
            try {
                TQuorin engine(environment, source, userData);
                engine.depthLimit = depthLimit;
                finished = engine.Run();
            } catch (...) {
                error = std::current_exception();
            }
        }
    } work{environment, source, userData, Limits::maxTreeDepth, false, nullptr};
    RunOnLargeStack(work);
    const bool finished = work.finished;
    const std::exception_ptr error = work.error;
    if (error) std::rethrow_exception(error);
    return finished;
}

}  // namespace Quorin
