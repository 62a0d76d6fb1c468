#include "items/sentences.h"

#include "items/expressions.h"

namespace Quorin {

std::vector<std::string> CollectInto(TItem& item, std::vector<std::string>& labels) {
    std::vector<std::string> found;
    item.CollectLabels(found);
    labels.insert(labels.end(), found.begin(), found.end());
    return found;
}

// ---- TSentences -----------------------------------------------------------------

bool TSentences::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                         TWordPosition& end) {
    end = AnalyzeList(analysis, start, [this](std::unique_ptr<TItem> item) {
        items.push_back(ItemCast<TSentenceOrLabel>(std::move(item)));
    });
    return true;
}

void TSentences::CollectLabels(std::vector<std::string>& labels) {
    labelInfos.clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (std::string& name : CollectInto(*items[i], labels))
            labelInfos.push_back(TLabelInfo{std::move(name), i});
    }
}

void TSentences::Dump(std::string& out) const {
    bool first = true;
    for (const auto& item : items) {
        if (!first) out += ' ';
        first = false;
        item->Dump(out);
    }
}

// ---- TLabel -------------------------------------------------------------------

bool TLabel::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                     TWordPosition& end) {
    const TWord* word = analysis.WordAt(start);
    if (!word || word->kind != wkIdentifier || !analysis.IsWord(start + 1, ":")) return false;
    name = analysis.TextAt(start);
    end = start + 2;
    return true;
}

void TLabel::CollectLabels(std::vector<std::string>& labels) {
    labels.push_back(name);
}

void TLabel::Dump(std::string& out) const {
    out += name;
    out += ':';
}

// ---- TBlock -------------------------------------------------------------------

bool TBlock::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                     TWordPosition& end) {
    if (!analysis.IsWord(start, "{")) return false;
    // The list inside has no alternatives: it is read right here, as the driver
    // would read it (which fails at the end of the words), saving every level
    // of blocks a level of the driver's recursion.
    if (start + 1 >= analysis.words.size()) return false;
    auto list = std::make_unique<TSentences>(environment);
    list->start = static_cast<std::uint32_t>(start + 1);
    const TWordPosition listEnd =
        TSentences::AnalyzeList(analysis, start + 1, [&list](std::unique_ptr<TItem> item) {
            list->items.push_back(ItemCast<TSentenceOrLabel>(std::move(item)));
        });
    if (!analysis.IsWord(listEnd, "}")) return false;
    sentences = std::move(list);
    end = listEnd + 1;
    return true;
}

void TBlock::CollectLabels(std::vector<std::string>& labels) {
    this->labels = CollectInto(*sentences, labels);
}

void TBlock::Dump(std::string& out) const {
    out += '{';
    sentences->Dump(out);
    out += '}';
}

// ---- TNormalSentence ------------------------------------------------------------

bool TNormalSentence::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                              TWordPosition& end) {
    TAnalysisContext context{idVoidableExpression, 0, 0};
    TWordPosition expressionEnd;
    std::unique_ptr<TItem> item = analysis.AnalyzeItem(start, context, expressionEnd);
    if (!item || !analysis.IsWord(expressionEnd, ";")) return false;
    expression = ItemCast<TVoidableExpression>(std::move(item));
    end = expressionEnd + 1;
    return true;
}

void TNormalSentence::Dump(std::string& out) const {
    if (expression->id != idVoidExpression) expression->Dump(out);
    out += ';';
}

}  // namespace Quorin
