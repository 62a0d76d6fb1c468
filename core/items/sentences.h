// Sentence lists, blocks, labels and expression sentences.
//
// A goto is resolved by name when it runs: every sentence list records, for each
// label anywhere below it, which of its own items leads there.
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
    // Formulas without work of their own only poll.
    void Execute(TQuorin& engine, TCommand& command) override;
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
    void Execute(TQuorin& engine, TCommand& command) override;
    void Dump(std::string& out) const override;
};

class TLabel final : public TSentenceOrLabel {
public:
    std::string name;

    explicit TLabel(TQuorinBasicEnvironment* environment)
        : TSentenceOrLabel(environment, idLabel) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void CollectLabels(std::vector<std::string>& labels) override;
    void Execute(TQuorin& engine, TCommand& command) override;
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
    void Execute(TQuorin& engine, TCommand& command) override;
    void Dump(std::string& out) const override;
};

class TBinaryExpression;
class TSubExpression;

class TNormalSentence final : public TSentence {
public:
    std::unique_ptr<TVoidableExpression> expression;
    // The expression when it assigns a number the quick way, else null.
    TBinaryExpression* assignment = nullptr;
    // The expression when it is a postfix operator (stepping a variable), else null.
    TSubExpression* step = nullptr;

    explicit TNormalSentence(TQuorinBasicEnvironment* environment)
        : TSentence(environment, idNormalSentence) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Execute(TQuorin& engine, TCommand& command) override;
    void Dump(std::string& out) const override;
};

// Appends the labels of `item` to `labels` through a scratch list and returns the
// names found, which is how every holder of sentences records where labels lie.
std::vector<std::string> CollectInto(TItem& item, std::vector<std::string>& labels);

}  // namespace Quorin
