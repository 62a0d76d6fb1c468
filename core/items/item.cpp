#include "items/item.h"

namespace Quorin {

bool TItem::Analyze(TCodeAnalysis&, TWordPosition, TAnalysisContext&, TWordPosition&) {
    return false;
}

bool TItem::AnalyzeContinuation(TCodeAnalysis&, TWordPosition, TAnalysisContext&,
                                std::unique_ptr<TItem>&, const TAnalysisContext&, TWordPosition,
                                TWordPosition&) {
    return false;
}

void TItem::CollectLabels(std::vector<std::string>&) {}

void TItem::Dump(std::string& out) const { out += '?'; }

}  // namespace Quorin
