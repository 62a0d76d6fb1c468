#include "analysis/code_analysis.h"

#include <algorithm>
#include <array>

#include "environment/environment.h"
#include "errors/errors.h"
#include "errors/messages.h"
#include "items/analyzed_macro.h"
#include "items/item_arena.h"
#include "quorin_limits.h"

namespace Quorin {

namespace {

struct TExpansion {
    std::vector<TItemId> firsts;
    std::vector<TItemId> continuations;
};

// The grammar tables flattened once per id, when the program starts: the driver
// needs them on every request, and a table made on first use would be asked
// whether it has been made on every request too.
const std::array<TExpansion, itemIdCount> expansions = [] {
    std::array<TExpansion, itemIdCount> all;
    for (TItemId i = 0; i < itemIdCount; ++i)
        TCodeAnalysis::ExpandItemId(all[i].firsts, all[i].continuations, i);
    return all;
}();

const TExpansion& Expansion(TItemId id) {
    return expansions[id];
}

}  // namespace

namespace {

// Refuses a text longer than the analysis takes (Limits::maxSourceBytes).
void CheckSourceLength(const std::string& source) {
    if (source.size() > Limits::maxSourceBytes)
        throw EQuorinSyntaxError(Messages::SourceTooLong(Limits::maxSourceBytes));
}

}  // namespace

TCodeAnalysis::TCodeAnalysis(TQuorinBasicEnvironment* environment, std::string source)
    : environment(environment), source(std::move(source)), depthLimit(Limits::maxNesting) {
    CheckSourceLength(this->source);
    sourceMap.IndexLines(this->source);
}

TCodeAnalysis::~TCodeAnalysis() = default;

std::unique_ptr<TAnalyzedMacro> TCodeAnalysis::AnalyzeSource() {
    // A tree takes some tens of bytes per byte of text.
    auto arena = std::make_shared<TItemArena>(source.size() * 16);
    auto body = std::make_unique<TSentences>(environment);
    bool analysed;
    {
        TItemArena::TScope scope(arena.get());
        analysed = AnalyzeSource([&](std::unique_ptr<TItem> item) {
            body->items.push_back(ItemCast<TSentenceOrLabel>(std::move(item)));
        });
    }
    if (!analysed) return nullptr;
    auto macro = std::make_unique<TAnalyzedMacro>(environment);
    macro->arena = arena;
    macro->body = std::move(body);
    macro->PrepareLabels();
    return macro;
}

// The macro is a sentence list, read here as TSentences reads any list, so that
// each sentence can go on before the next is read. The driver fails every
// request at the end of the words, so a text without words does not analyse.
bool TCodeAnalysis::AnalyzeSource(const std::function<void(std::unique_ptr<TItem>)>& take) {
    JoinContinuedLines();
    RemoveComments();
    ProcessDirectives();
    CheckSourceLength(source);  // directives may have made it longer
    SplitWords();
    if (words.empty()) return false;
    const TWordPosition end = TSentences::AnalyzeList(*this, 0, take);
    return !tooDeep && end == words.size();
}

// The driver tries the alternatives of the request in order, the first that
// fits wins, and then extends it with continuations for as long as one fits.
// It is where the analysis recurses: a request in progress per level of
// nesting, counted against `depthLimit` and the stack left, so that a macro
// nested too deep fails with a report of its own instead of exhausting the
// stack. Once that happens, every request fails at once. The continuations
// are a function of their own, whose state no level of sentences carries.
std::unique_ptr<TItem> TCodeAnalysis::AnalyzeItem(TWordPosition start, TAnalysisContext& context,
                                                  TWordPosition& end) {
    if (start > farthest) farthest = start;
    if (tooDeep || start >= words.size()) return nullptr;
    if (depth >= depthLimit || stackRoom.Low()) {
        tooDeep = true;
        return nullptr;
    }
    // No request names an id outside the tables; the factory reports one that does.
    if (context.id < 0 || context.id >= itemIdCount) CreateItem(environment, context.id);
    const TExpansion& expansion = Expansion(context.id);
    const std::uint32_t starts = StartsAt(start);
    ++depth;
    for (const TItemId kind : expansion.firsts) {
        if (!MayStartWith(starts, kind, start, context)) continue;
        std::unique_ptr<TItem> item = CreateItem(environment, kind);
        TAnalysisContext result = context;
        TWordPosition resultEnd;
        if (item->Analyze(*this, start, result, resultEnd)) {
            item->start = static_cast<std::uint32_t>(start);
            if (!expansion.continuations.empty())
                item = AnalyzeContinuations(std::move(item), start, context, result, resultEnd);
            --depth;
            if (item) {
                context = result;
                end = resultEnd;
            }
            return item;
        }
        if (tooDeep) break;
    }
    --depth;
    return nullptr;
}

std::unique_ptr<TItem> TCodeAnalysis::AnalyzeContinuations(std::unique_ptr<TItem> current,
                                                           TWordPosition start,
                                                           const TAnalysisContext& request,
                                                           TAnalysisContext& result,
                                                           TWordPosition& end) {
    const TExpansion& expansion = Expansion(request.id);
    for (bool extended = true; extended && end < words.size();) {
        if (end > farthest) farthest = end;
        extended = false;
        const std::uint32_t next = StartsAt(end);
        for (const TItemId kind : expansion.continuations) {
            if (!MayStartWith(next, kind, end, request)) continue;
            std::unique_ptr<TItem> item = CreateItem(environment, kind);
            TAnalysisContext attempt = request;
            TWordPosition attemptEnd;
            if (item->AnalyzeContinuation(*this, start, attempt, current, result, end,
                                          attemptEnd)) {
                item->start = static_cast<std::uint32_t>(start);
                current = std::move(item);
                result = attempt;
                end = attemptEnd;
                extended = true;
                break;
            }
            if (tooDeep) return nullptr;
        }
    }
    return current;
}

void TCodeAnalysis::ResetWordCaches(std::size_t count) {
    literalAnswers.assign(count, 0);
    textStarts.assign(count, 0);
    operatorRowsIndex.assign(count, -1);
    operatorRowLists.clear();
}

bool TCodeAnalysis::IsWord(TWordPosition position, const char* text, std::size_t length) {
    if (position > farthest) farthest = position;
    if (position >= words.size()) return false;
    const std::string_view view(text, length);
    const int literal = GrammarLiteral(view);
    if (literal < 0)
        return environment->SameName(std::string(TextAt(position)), std::string(view));
    const std::uint32_t asked = std::uint32_t{1} << literal;
    std::uint32_t& answers = literalAnswers[words[position].text];
    if (!(answers & asked)) {
        answers |= asked;
        if (environment->SameName(std::string(TextAt(position)), std::string(view)))
            answers |= asked << matchedShift;
    }
    return (answers & (asked << matchedShift)) != 0;
}

const TCodeAnalysis::TOperatorRows& TCodeAnalysis::OperatorRowsAt(TWordPosition position) {
    static_assert(formPrefix == ofPrefix && formPostfix == ofPostfix && formBinary == ofBinary &&
                  formBinaryRight == ofBinaryRight && formCount == ofBinaryRight + 1);
    // Words of the same text match the same rows.
    std::int32_t& index = operatorRowsIndex[words[position].text];
    if (index < 0) {
        TOperatorRows found;
        const auto& table = environment->operators;
        const std::string text(TextAt(position));
        for (std::size_t row = 0; row < table.size(); ++row) {
            if (!environment->SameName(table[row].name, text)) continue;
            found.rows.push_back(static_cast<int>(row));
            const int form = table[row].form;
            if (form >= 0 && form < formCount)
                found.highest[form] = std::max(found.highest[form], table[row].precedence);
        }
        index = static_cast<std::int32_t>(operatorRowLists.size());
        operatorRowLists.push_back(std::move(found));
    }
    return operatorRowLists[static_cast<std::size_t>(index)];
}

bool TCodeAnalysis::MayReadOperator(TWordPosition position, int form, int lowest) {
    const TWord* word = WordAt(position);
    if (!word || word->kind != wkOperator) return false;
    if (form < 0 || form >= formCount) return true;  // left to the operator item
    return OperatorRowsAt(position).highest[form] >= lowest;
}

std::uint32_t TCodeAnalysis::StartsOf(TWordPosition position) {
    // Kinds not named here read no particular word first.
    std::uint32_t starts = (std::uint32_t{1} << itemIdCount) - 1;
    auto unless = [&](bool holds, TItemId id) {
        if (!holds) starts &= ~(std::uint32_t{1} << id);
    };
    const int kind = words[position].kind;
    // Operators and labels are settled by the request and the next word.
    unless(kind == wkOperator, idOperator);
    unless(kind == wkOperator, idBinaryExpression);
    unless(kind == wkIdentifier, idLabel);
    unless(MayReadOperator(position, formPrefix, 0), idPreExpression);
    unless(MayReadOperator(position, formPostfix, 0), idSubExpression);
    unless(kind == wkIdentifier, idSymbol);
    unless(kind == wkInteger || kind == wkReal || kind == wkString, idCValue);
    const bool bracket = IsWord(position, "(");
    unless(bracket, idBracketedExpression);
    unless(bracket, idFunctionCall);
    unless(IsWord(position, "{"), idBlock);
    unless(IsWord(position, "break"), idBreakFormula);
    unless(IsWord(position, "return"), idReturnFormula);
    unless(IsWord(position, "goto"), idGotoFormula);
    unless(IsWord(position, "while"), idWhileFormula);
    unless(IsWord(position, "if"), idIfFormula);
    unless(IsWord(position, "do"), idDoFormula);
    unless(IsWord(position, "for"), idForFormula);
    return starts;
}

void TCodeAnalysis::OriginalRange(TWordPosition position, std::size_t& offset,
                                  std::size_t& length) const {
    length = 0;
    if (words.empty()) {
        offset = 0;
        return;
    }
    const TWord& word = words[std::min(position, words.size() - 1)];
    // The last byte, mapped on its own: a comment or a joined line may lie inside the word.
    const std::size_t last =
        sourceMap.Original(word.offset + SourceLength(std::min(position, words.size() - 1)) - 1);
    if (position >= words.size()) {
        offset = last + 1;
        return;
    }
    offset = sourceMap.Original(word.offset);
    length = last + 1 - offset;
}

std::size_t TCodeAnalysis::SourceLength(TWordPosition position) const {
    if (!words[position].merged) return TextAt(position).size();
    const auto found = std::lower_bound(
        mergedLiterals.begin(), mergedLiterals.end(), position,
        [](const TMergedLiteral& literal, TWordPosition at) { return literal.word < at; });
    return found->sourceLength;
}

std::vector<std::string_view> TCodeAnalysis::IdentifierTexts() const {
    std::vector<std::string_view> texts;
    for (const TWordPosition position : textFirstWords) {
        if (words[position].kind == wkIdentifier) texts.push_back(TextAt(position));
    }
    return texts;
}


}  // namespace Quorin
