// The keyword-led sentences: if/else, while, do/while, for, goto, break, return.
//
// Keywords are not reserved: a formula whose syntax does not fit fails, and the
// same words are then tried as an expression sentence.
#pragma once

#include "items/sentences.h"

namespace Quorin {

class TFormula : public TSentence {
public:
    using TSentence::TSentence;
};

// A keyword followed by ";".
class TSimpleFormula : public TFormula {
public:
    std::string keyword;

    TSimpleFormula(TQuorinBasicEnvironment* environment, TItemId id, std::string keyword)
        : TFormula(environment, id), keyword(std::move(keyword)) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
};

class TBreakFormula final : public TSimpleFormula {
public:
    explicit TBreakFormula(TQuorinBasicEnvironment* environment)
        : TSimpleFormula(environment, idBreakFormula, "break") {}
    void Dump(std::string& out) const override;
};

class TReturnFormula final : public TFormula {
public:
    std::unique_ptr<TVoidableExpression> expression;  // analysed, never evaluated

    explicit TReturnFormula(TQuorinBasicEnvironment* environment)
        : TFormula(environment, idReturnFormula) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

class TGotoFormula final : public TFormula {
public:
    std::string target;

    explicit TGotoFormula(TQuorinBasicEnvironment* environment)
        : TFormula(environment, idGotoFormula) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

class TIfFormula final : public TFormula {
public:
    struct TLabelInfo {
        std::string name;
        bool inThen;  // the label lies in the then-branch, not in the else-branch
    };

    std::unique_ptr<TExpression> condition;
    std::unique_ptr<TSentence> thenSentence;
    std::unique_ptr<TSentence> elseSentence;  // may be null
    std::vector<TLabelInfo> labelInfos;

    explicit TIfFormula(TQuorinBasicEnvironment* environment) : TFormula(environment, idIfFormula) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void CollectLabels(std::vector<std::string>& labels) override;
    void Dump(std::string& out) const override;
};

// A formula that controls one sentence, its body: the loops.
class TSingleSentenceFormula : public TFormula {
public:
    std::unique_ptr<TSentence> body;
    std::vector<std::string> labels;

    using TFormula::TFormula;
    void CollectLabels(std::vector<std::string>& labels) override;
};

class TWhileFormula final : public TSingleSentenceFormula {
public:
    std::unique_ptr<TExpression> condition;

    explicit TWhileFormula(TQuorinBasicEnvironment* environment)
        : TSingleSentenceFormula(environment, idWhileFormula) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

class TDoFormula final : public TSingleSentenceFormula {
public:
    std::unique_ptr<TExpression> condition;

    explicit TDoFormula(TQuorinBasicEnvironment* environment)
        : TSingleSentenceFormula(environment, idDoFormula) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

class TForFormula final : public TSingleSentenceFormula {
public:
    std::unique_ptr<TVoidableExpression> initialization;
    std::unique_ptr<TVoidableExpression> condition;  // an empty condition is false
    std::unique_ptr<TVoidableExpression> step;

    explicit TForFormula(TQuorinBasicEnvironment* environment)
        : TSingleSentenceFormula(environment, idForFormula) {}
    bool Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext& context,
                 TWordPosition& end) override;
    void Dump(std::string& out) const override;
};

}  // namespace Quorin
