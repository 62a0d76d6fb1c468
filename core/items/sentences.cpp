#include "items/sentences.h"

#include "engine/quorin.h"
#include "items/expressions.h"

namespace Quorin {

std::vector<std::string> CollectInto(TItem& item, std::vector<std::string>& labels) {
    std::vector<std::string> found;
    item.CollectLabels(found);
    labels.insert(labels.end(), found.begin(), found.end());
    return found;
}

void TSentence::Execute(TQuorin& engine, TCommand&) {
    engine.Poll();
}

// ---- TSentences -----------------------------------------------------------------

bool TSentences::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                         TWordPosition& end) {
    TWordPosition position = start;
    for (;;) {
        TAnalysisContext context{idSentenceOrLabel, 0, 0};
        TWordPosition next;
        std::unique_ptr<TItem> item = analysis.AnalyzeItem(position, context, next);
        if (!item) break;
        items.push_back(ItemCast<TSentenceOrLabel>(std::move(item)));
        position = next;
    }
    end = position;
    return true;
}

void TSentences::CollectLabels(std::vector<std::string>& labels) {
    labelInfos.clear();
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (std::string& name : CollectInto(*items[i], labels))
            labelInfos.push_back(TLabelInfo{std::move(name), i});
    }
}

void TSentences::Execute(TQuorin& engine, TCommand& command) {
    const std::size_t count = items.size();
    std::size_t position = 0;
    for (;;) {
        if (command.state != csNormal) {
            if (command.state != csGoto) return;
            const TLabelInfo* target = nullptr;
            for (const TLabelInfo& info : labelInfos) {
                if (engine.NamesEqual(info.name, command.label)) {
                    target = &info;
                    break;
                }
            }
            if (!target) return;
            position = target->position;
        }
        if (position >= count) return;
        items[position]->Execute(engine, command);
        ++position;
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
    name = word->text;
    end = start + 2;
    return true;
}

void TLabel::CollectLabels(std::vector<std::string>& labels) {
    labels.push_back(name);
}

void TLabel::Execute(TQuorin& engine, TCommand& command) {
    if (command.state == csGoto && engine.NamesEqual(name, command.label)) command.state = csNormal;
}

void TLabel::Dump(std::string& out) const {
    out += name;
    out += ':';
}

// ---- TBlock -------------------------------------------------------------------

bool TBlock::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                     TWordPosition& end) {
    if (!analysis.IsWord(start, "{")) return false;
    TAnalysisContext context{idSentences, 0, 0};
    TWordPosition listEnd;
    std::unique_ptr<TItem> list = analysis.AnalyzeItem(start + 1, context, listEnd);
    if (!list || !analysis.IsWord(listEnd, "}")) return false;
    sentences = ItemCast<TSentences>(std::move(list));
    end = listEnd + 1;
    return true;
}

void TBlock::CollectLabels(std::vector<std::string>& labels) {
    this->labels = CollectInto(*sentences, labels);
}

void TBlock::Execute(TQuorin& engine, TCommand& command) {
    engine.Poll();
    if (command.state == csNormal || command.state == csGoto) sentences->Execute(engine, command);
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
    if (expression->id == idBinaryExpression) {
        auto* binary = static_cast<TBinaryExpression*>(expression.get());
        if (binary->quickAssignment) assignment = binary;
    } else if (expression->id == idSubExpression) {
        step = static_cast<TSubExpression*>(expression.get());
    }
    end = expressionEnd + 1;
    return true;
}

void TNormalSentence::Execute(TQuorin& engine, TCommand& command) {
    engine.Poll();
    if (command.state != csNormal) return;
    if (assignment) {
        assignment->PerformAssignment(engine);
    } else if (step) {
        step->PerformStep(engine);
    } else {
        expression->Perform(engine);
    }
}

void TNormalSentence::Dump(std::string& out) const {
    if (expression->id != idVoidExpression) expression->Dump(out);
    out += ';';
}

}  // namespace Quorin
