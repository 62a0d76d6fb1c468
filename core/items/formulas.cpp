#include "items/formulas.h"


namespace Quorin {

namespace {

// Reads the elements of a formula one after another; once an element does not
// fit, every later one fails too, and so does the formula.
class TSyntax {
public:
    TSyntax(TCodeAnalysis& analysis, TWordPosition start) : analysis(analysis), position(start) {}

    bool Word(const char* text) {
        if (fits && analysis.IsWord(position, text)) {
            ++position;
        } else {
            fits = false;
        }
        return fits;
    }

    template <typename T>
    std::unique_ptr<T> Item(TItemId id) {
        if (!fits) return nullptr;
        TAnalysisContext context{id, 0, 0};
        TWordPosition end;
        std::unique_ptr<TItem> item = analysis.AnalyzeItem(position, context, end);
        if (!item) {
            fits = false;
            return nullptr;
        }
        position = end;
        return ItemCast<T>(std::move(item));
    }

    bool Fits() const { return fits; }
    TWordPosition Position() const { return position; }

private:
    TCodeAnalysis& analysis;
    TWordPosition position;
    bool fits = true;
};

void DumpParts(std::string& out, const char* head, std::initializer_list<const TItem*> parts) {
    out += '(';
    out += head;
    for (const TItem* part : parts) {
        out += ' ';
        if (part) {
            part->Dump(out);
        } else {
            out += '-';
        }
    }
    out += ')';
}

}  // namespace

// ---- break, return, goto --------------------------------------------------------

bool TSimpleFormula::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                             TWordPosition& end) {
    TSyntax syntax(analysis, start);
    if (!syntax.Word(keyword.c_str()) || !syntax.Word(";")) return false;
    end = syntax.Position();
    return true;
}

void TBreakFormula::Dump(std::string& out) const {
    out += "(break)";
}

bool TReturnFormula::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                             TWordPosition& end) {
    TSyntax syntax(analysis, start);
    syntax.Word("return");
    expression = syntax.Item<TVoidableExpression>(idVoidableExpression);
    if (!syntax.Word(";")) return false;
    end = syntax.Position();
    return true;
}

void TReturnFormula::Dump(std::string& out) const {
    DumpParts(out, "return", {expression.get()});
}

bool TGotoFormula::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                           TWordPosition& end) {
    if (!analysis.IsWord(start, "goto")) return false;
    const TWord* word = analysis.WordAt(start + 1);
    if (!word || word->kind != wkIdentifier || !analysis.IsWord(start + 2, ";")) return false;
    target = analysis.TextAt(start + 1);
    end = start + 3;
    return true;
}

void TGotoFormula::Dump(std::string& out) const {
    out += "(goto " + target + ")";
}

// ---- if -----------------------------------------------------------------------

bool TIfFormula::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                         TWordPosition& end) {
    TSyntax syntax(analysis, start);
    syntax.Word("if");
    syntax.Word("(");
    condition = syntax.Item<TExpression>(idExpression);
    syntax.Word(")");
    thenSentence = syntax.Item<TSentence>(idSentence);
    if (!syntax.Fits()) return false;
    end = syntax.Position();
    if (analysis.IsWord(end, "else")) {
        TSyntax alternative(analysis, end + 1);
        elseSentence = alternative.Item<TSentence>(idSentence);
        if (!alternative.Fits()) return false;
        end = alternative.Position();
    }
    return true;
}

void TIfFormula::CollectLabels(std::vector<std::string>& labels) {
    labelInfos.clear();
    for (std::string& name : CollectInto(*thenSentence, labels))
        labelInfos.push_back(TLabelInfo{std::move(name), true});
    if (elseSentence) {
        for (std::string& name : CollectInto(*elseSentence, labels))
            labelInfos.push_back(TLabelInfo{std::move(name), false});
    }
}

void TIfFormula::Dump(std::string& out) const {
    if (elseSentence) {
        DumpParts(out, "if", {condition.get(), thenSentence.get(), elseSentence.get()});
    } else {
        DumpParts(out, "if", {condition.get(), thenSentence.get()});
    }
}

// ---- loops --------------------------------------------------------------------

void TSingleSentenceFormula::CollectLabels(std::vector<std::string>& labels) {
    this->labels = CollectInto(*body, labels);
}

bool TWhileFormula::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                            TWordPosition& end) {
    TSyntax syntax(analysis, start);
    syntax.Word("while");
    syntax.Word("(");
    condition = syntax.Item<TExpression>(idExpression);
    syntax.Word(")");
    body = syntax.Item<TSentence>(idSentence);
    if (!syntax.Fits()) return false;
    end = syntax.Position();
    return true;
}

void TWhileFormula::Dump(std::string& out) const {
    DumpParts(out, "while", {condition.get(), body.get()});
}

bool TDoFormula::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                         TWordPosition& end) {
    TSyntax syntax(analysis, start);
    syntax.Word("do");
    body = syntax.Item<TSentence>(idSentence);
    syntax.Word("while");
    syntax.Word("(");
    condition = syntax.Item<TExpression>(idExpression);
    syntax.Word(")");
    if (!syntax.Word(";")) return false;
    end = syntax.Position();
    return true;
}

void TDoFormula::Dump(std::string& out) const {
    DumpParts(out, "do", {body.get(), condition.get()});
}

bool TForFormula::Analyze(TCodeAnalysis& analysis, TWordPosition start, TAnalysisContext&,
                          TWordPosition& end) {
    TSyntax syntax(analysis, start);
    syntax.Word("for");
    syntax.Word("(");
    initialization = syntax.Item<TVoidableExpression>(idVoidableExpression);
    syntax.Word(";");
    condition = syntax.Item<TVoidableExpression>(idVoidableExpression);
    syntax.Word(";");
    step = syntax.Item<TVoidableExpression>(idVoidableExpression);
    syntax.Word(")");
    body = syntax.Item<TSentence>(idSentence);
    if (!syntax.Fits()) return false;
    end = syntax.Position();
    return true;
}

void TForFormula::Dump(std::string& out) const {
    DumpParts(out, "for", {initialization.get(), condition.get(), step.get(), body.get()});
}

}  // namespace Quorin
