// The root of a syntax tree: the macro's sentences.
#pragma once

#include "items/sentences.h"

namespace Quorin {

class TAnalyzedMacro final : public TExecutableItem {
public:
    std::unique_ptr<TSentences> body;
    std::vector<std::string> labels;

    explicit TAnalyzedMacro(TQuorinBasicEnvironment* environment)
        : TExecutableItem(environment, idAnalyzedMacro) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    // Runs the body; a goto or continue still pending at the top is an error.
    void Execute(TQuorin& engine, TCommand& command) override;
    void Dump(std::string& out) const override { body->Dump(out); }

    // Lets every sentence list and block record the labels below it.
    void PrepareLabels();
};

}  // namespace Quorin
