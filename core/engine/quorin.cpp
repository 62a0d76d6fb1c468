#include "engine/quorin.h"

#include <limits>

#include "analysis/code_analysis.h"
#include "engine/compiler.h"
#include "engine/machine.h"
#include "engine/program.h"
#include "items/item.h"
#include "items/item_arena.h"

namespace Quorin {

TQuorin::TQuorin(TQuorinBasicEnvironment* environment, const std::string& source, int userData)
    : environment(environment), source(source), userData(userData) {
    RestartPolling();
}

TQuorin::~TQuorin() {
    ClearVariables();
}

bool TQuorin::Run() {
    AnalyzeMacro();
    ClearVariables();
    RestartPolling();
    machine = std::make_unique<TMachine>(*this, *program);
    bool finished = true;
    try {
        machine->Run();
    } catch (EStopped&) {
        finished = false;
    }
    ClearVariables();
    return finished;
}

// The outermost sentences are translated one by one as the analysis finishes
// them, each dropped once translated; the words go with the analysis.
void TQuorin::AnalyzeMacro() {
    if (program) return;
    // The text is needed no more once analysed: lines are found through the
    // analysis's source map from then on.
    TCodeAnalysis analysis(environment, std::move(source));
    source.clear();
    TCompiler compiler(*environment, analysis);
    TItemArena arena;
    bool analysed;
    {
        TItemArena::TScope scope(&arena);
        analysed = analysis.AnalyzeSource(
            [&compiler](std::unique_ptr<TItem> item) { compiler.Add(*item); });
    }
    if (!analysed) {
        EQuorinSyntaxError error(analysis.TooDeep() ? Messages::nestingTooDeep
                                                    : Messages::syntaxError);
        if (!analysis.TooDeep()) {
            analysis.OriginalRange(analysis.Farthest(), error.place.offset, error.place.length);
            error.place.line = analysis.sourceMap.LineOf(error.place.offset);
        }
        throw error;
    }
    program = compiler.Finish();
}

TLRValue* TQuorin::FindVariable(const std::string& name) {
    for (const TVariableInfo& info : variables) {
        if (environment->SameName(info.name, name)) return info.variable;
    }
    for (const TConstantInfo& constant : environment->constants) {
        if (environment->SameName(constant.name, name)) return constant.value;
    }
    return nullptr;
}

TVariable* TQuorin::CreateVariable(const std::string& name) {
    createdVariables.push_back(std::make_unique<TVariable>(0));
    TVariable* variable = createdVariables.back().get();
    variables.push_back(TVariableInfo{name, variable});
    return variable;
}

void TQuorin::AddVariable(const std::string& name, TVariable* variable) {
    variables.push_back(TVariableInfo{name, variable});
}

bool TQuorin::CallFunction(const std::string& name, std::vector<TExValue>& arguments,
                           TExValue& result) {
    result.Reset();
    return NamingArgumentErrors(name, &arguments, [&] {
        return environment->CallFunction(userData, name, arguments, result);
    });
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
    variables.clear();
    createdVariables.clear();
    machine.reset();
}

bool RunMacro(TQuorinBasicEnvironment* environment, const std::string& source, int userData) {
    TQuorin engine(environment, source, userData);
    return engine.Run();
}

}  // namespace Quorin
