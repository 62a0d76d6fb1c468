#include "items/analyzed_macro.h"

#include "errors/errors.h"
#include "errors/messages.h"

namespace Quorin {

bool TAnalyzedMacro::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                             TWordPosition& end) {
    TAnalysisContext context{idSentences, 0, 0};
    TWordPosition listEnd;
    std::unique_ptr<TItem> list = analysis.AnalyzeItem(start, context, listEnd);
    if (!list) return false;
    body = ItemCast<TSentences>(std::move(list));
    end = listEnd;
    return true;
}

void TAnalyzedMacro::PrepareLabels() {
    labels.clear();
    body->CollectLabels(labels);
}

void TAnalyzedMacro::Execute(TQuorin& engine, TCommand& command) {
    body->Execute(engine, command);
    if (command.state == csGoto)
        throw ELabelNotExist(RuntimeMessage(Messages::LabelNotExist(command.label)));
    if (command.state == csContinue)
        throw EUnexpectedContinue(RuntimeMessage(Messages::unexpectedContinue));
}

}  // namespace Quorin
