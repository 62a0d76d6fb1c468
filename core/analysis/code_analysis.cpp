#include "analysis/code_analysis.h"

#include <algorithm>
#include <array>

#include "environment/environment.h"
#include "items/analyzed_macro.h"
#include "quorin_limits.h"

namespace Quorin {

namespace {

struct TExpansion {
    std::vector<TItemId> firsts;
    std::vector<TItemId> continuations;
};

// The grammar tables flattened once per id; the driver needs them on every request.
const TExpansion& Expansion(TItemId id) {
    static const std::array<TExpansion, itemIdCount> expansions = [] {
        std::array<TExpansion, itemIdCount> all;
        for (TItemId i = 0; i < itemIdCount; ++i)
            TCodeAnalysis::ExpandItemId(all[i].firsts, all[i].continuations, i);
        return all;
    }();
    return expansions[id];
}

}  // namespace

TCodeAnalysis::TCodeAnalysis(TQuorinBasicEnvironment* environment, const std::string& source)
    : environment(environment), source(source), depthLimit(Limits::maxTreeDepth) {}

TCodeAnalysis::~TCodeAnalysis() = default;

std::unique_ptr<TAnalyzedMacro> TCodeAnalysis::AnalyzeSource() {
    JoinContinuedLines();
    RemoveComments();
    ProcessDirectives();
    SplitWords();
    TAnalysisContext context{idAnalyzedMacro, 0, 0};
    TWordPosition end;
    std::unique_ptr<TItem> item = AnalyzeItem(0, context, end);
    if (!item || item->id != idAnalyzedMacro || end != words.size()) return nullptr;
    auto macro = ItemCast<TAnalyzedMacro>(std::move(item));
    macro->PrepareLabels();
    return macro;
}

// Besides choosing among alternatives, the driver measures the height of every
// item it builds (`childHeight` collects the tallest item finished below the one
// being analysed). Analysis, evaluation and destruction all recurse along the
// tree, so no tree may grow taller than the limit; once one does, every request
// fails at once and the analysis reports the nesting instead of a syntax error.
std::unique_ptr<TItem> TCodeAnalysis::AnalyzeItem(TWordPosition start, TAnalysisContext& context,
                                                  TWordPosition& end) {
    if (tooDeep || start >= words.size()) return nullptr;
    if (depth >= depthLimit) {
        tooDeep = true;
        return nullptr;
    }
    // No request names an id outside the tables; the factory reports one that does.
    if (context.id < 0 || context.id >= itemIdCount) CreateItem(environment, context.id);
    ++depth;
    const int outerHeight = childHeight;
    struct TRestore {
        int& depth;
        ~TRestore() { --depth; }
    } restore{depth};

    const TExpansion& expansion = Expansion(context.id);
    std::unique_ptr<TItem> current;
    TAnalysisContext currentContext{};
    TWordPosition currentEnd = start;
    int height = 0;
    for (TItemId kind : expansion.firsts) {
        std::unique_ptr<TItem> item = CreateItem(environment, kind);
        TAnalysisContext attempt = context;
        TWordPosition attemptEnd = start;
        childHeight = 0;
        if (item->Analyze(*this, start, attempt, attemptEnd)) {
            current = std::move(item);
            currentContext = attempt;
            currentEnd = attemptEnd;
            height = childHeight + 1;
            break;
        }
        if (tooDeep) break;
    }
    if (!current || tooDeep || height > depthLimit) {
        if (current) tooDeep = true;
        childHeight = outerHeight;
        return nullptr;
    }

    while (!expansion.continuations.empty() && currentEnd < words.size()) {
        bool extended = false;
        for (TItemId kind : expansion.continuations) {
            std::unique_ptr<TItem> item = CreateItem(environment, kind);
            TAnalysisContext attempt = context;
            TWordPosition attemptEnd = currentEnd;
            childHeight = 0;
            if (item->AnalyzeContinuation(*this, start, attempt, current, currentContext,
                                          currentEnd, attemptEnd)) {
                current = std::move(item);
                currentContext = attempt;
                currentEnd = attemptEnd;
                height = std::max(height, childHeight) + 1;
                extended = true;
                break;
            }
            if (tooDeep) break;
        }
        if (tooDeep || height > depthLimit) {
            tooDeep = true;
            childHeight = outerHeight;
            return nullptr;
        }
        if (!extended) break;
    }

    context = currentContext;
    end = currentEnd;
    childHeight = std::max(outerHeight, height);
    return current;
}

bool TCodeAnalysis::IsWord(TWordPosition position, const std::string& text) {
    return position < words.size() && environment->SameName(words[position].text, text);
}

bool TCodeAnalysis::CompareNames(const std::string& a, const std::string& b) {
    return environment->SameName(a, b);
}

}  // namespace Quorin
