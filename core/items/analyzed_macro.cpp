#include "items/analyzed_macro.h"


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

}  // namespace Quorin
