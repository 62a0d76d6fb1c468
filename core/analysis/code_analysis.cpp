#include "analysis/code_analysis.h"

#include "environment/environment.h"
#include "items/item.h"

namespace Quorin {

TCodeAnalysis::TCodeAnalysis(TQuorinBasicEnvironment* environment, const std::string& source)
    : environment(environment), source(source) {}

TCodeAnalysis::~TCodeAnalysis() = default;

std::unique_ptr<TAnalyzedMacro> TCodeAnalysis::AnalyzeSource() { return nullptr; }

bool TCodeAnalysis::IsWord(TWordPosition position, const std::string& text) {
    return position < words.size() && environment->SameName(words[position].text, text);
}

bool TCodeAnalysis::CompareNames(const std::string& a, const std::string& b) {
    return environment->SameName(a, b);
}

}  // namespace Quorin
