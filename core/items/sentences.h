// Sentence lists, blocks, labels and expression sentences.
//
// Every sentence list records, for each label anywhere below it, which of its
// own items leads there (CollectLabels).
#pragma once

#include "items/item.h"

namespace Quorin {

class TSentenceOrLabel : public TExecutableItem {
public:
    using TExecutableItem::TExecutableItem;
};

class TSentence : public TSentenceOrLabel {
public:
    using TSentenceOrLabel::TSentenceOrLabel;
};

class TSentences final : public TExecutableItem {
public:
    struct TLabelInfo {
        std::string name;
        std::size_t position;  // the item whose subtree holds the label
    };

    std::vector<std::unique_ptr<TSentenceOrLabel>> items;
    std::vector<TLabelInfo> labelInfos;

    explicit TSentences(TQuorinBasicEnvironment* environment)
        : TExecutableItem(environment, idSentences) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void CollectLabels(std::vector<std::string>& labels) override;
    void Dump(std::string& out) const override;

    // Reads sentences and labels from `start` until none fits (always so at
    // the end of the words), handing each to `take`; the end of the last one.
    template <typename TTake>
    static TWordPosition AnalyzeList(TCodeAnalysis& analysis, TWordPosition start, TTake&& take) {
        TWordPosition position = start;
        for (;;) {
            TAnalysisContext context{idSentenceOrLabel, 0, 0};
            TWordPosition next;
            std::unique_ptr<TItem> item = analysis.AnalyzeItem(position, context, next);
            if (!item) return position;
            take(std::move(item));
            position = next;
        }
    }
};

class TLabel final : public TSentenceOrLabel {
public:
    std::string name;

    explicit TLabel(TQuorinBasicEnvironment* environment)
        : TSentenceOrLabel(environment, idLabel) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void CollectLabels(std::vector<std::string>& labels) override;
    void Dump(std::string& out) const override;
};

class TBlock final : public TSentence {
public:
    std::unique_ptr<TSentences> sentences;
    std::vector<std::string> labels;

    explicit TBlock(TQuorinBasicEnvironment* environment) : TSentence(environment, idBlock) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void CollectLabels(std::vector<std::string>& labels) override;
    void Dump(std::string& out) const override;
};

class TNormalSentence final : public TSentence {
public:
    std::unique_ptr<TVoidableExpression> expression;

    explicit TNormalSentence(TQuorinBasicEnvironment* environment)
        : TSentence(environment, idNormalSentence) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

// Appends the labels of `item` to `labels` through a scratch list and returns the
// names found, which is how every holder of sentences records where labels lie.
std::vector<std::string> CollectInto(TItem& item, std::vector<std::string>& labels);

}  // namespace Quorin
