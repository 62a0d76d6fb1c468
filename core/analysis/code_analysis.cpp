#include "analysis/code_analysis.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "environment/environment.h"
#include "environment/operator_codes.h"
#include "items/analyzed_macro.h"
#include "items/item_arena.h"
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
    : environment(environment),
      source(source),
      depthLimit(Limits::maxTreeDepth),
      ownOperators(TQuorinEnvironment::ComputesOwnOperators(environment)
                       ? static_cast<TQuorinEnvironment*>(environment)
                       : nullptr) {}

int TCodeAnalysis::OwnOperatorCode(int row) {
    return ownOperators ? ownOperators->RowCode(static_cast<std::size_t>(row)) : kUnknown;
}

TCodeAnalysis::~TCodeAnalysis() = default;

std::unique_ptr<TAnalyzedMacro> TCodeAnalysis::AnalyzeSource() {
    JoinContinuedLines();
    RemoveComments();
    ProcessDirectives();
    SplitWords();
    PrepareWordCaches();
    // A tree takes some tens of bytes per byte of text.
    auto arena = std::make_shared<TItemArena>(source.size() * 16);
    std::unique_ptr<TItem> item;
    TWordPosition end;
    {
        TItemArena::TScope scope(arena.get());
        TAnalysisContext context{idAnalyzedMacro, 0, 0};
        item = AnalyzeItem(0, context, end);
    }
    if (!item || item->id != idAnalyzedMacro || end != words.size()) return nullptr;
    auto macro = ItemCast<TAnalyzedMacro>(std::move(item));
    macro->arena = arena;
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
    if (start > farthest) farthest = start;
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
    const std::uint32_t starts = StartsAt(start);
    for (TItemId kind : expansion.firsts) {
        if (!MayStartWith(starts, kind, start, context)) continue;
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
        if (currentEnd > farthest) farthest = currentEnd;
        bool extended = false;
        const std::uint32_t next = StartsAt(currentEnd);
        for (TItemId kind : expansion.continuations) {
            if (!MayStartWith(next, kind, currentEnd, context)) continue;
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

namespace {

// Numbers distinct texts in order of first appearance: an open-addressing
// table of text numbers, doubled when half full.
class TTextNumbers {
public:
    std::uint32_t Number(std::string_view text) {
        if (text.size() == 1) {  // most often: punctuation and operators of one byte
            std::uint32_t& single = singles[static_cast<unsigned char>(text[0])];
            if (single == 0) {
                texts.push_back(text);
                single = static_cast<std::uint32_t>(texts.size());
            }
            return single - 1;
        }
        if ((texts.size() + 1) * 2 > slots.size()) Grow();
        std::size_t slot = Hash(text) & (slots.size() - 1);
        for (;; slot = (slot + 1) & (slots.size() - 1)) {
            const std::uint32_t entry = slots[slot];
            if (entry == 0) break;
            if (texts[entry - 1] == text) return entry - 1;
        }
        texts.push_back(text);
        slots[slot] = static_cast<std::uint32_t>(texts.size());
        return slots[slot] - 1;
    }
    std::size_t Count() const { return texts.size(); }

private:
    // Eight bytes at a time, mixed by multiplication; words are short.
    static std::size_t Hash(std::string_view text) {
        constexpr std::uint64_t mix = 0xff51afd7ed558ccdu;
        std::uint64_t hash = text.size() * 0x9e3779b97f4a7c15u;
        std::size_t position = 0;
        for (; position + 8 <= text.size(); position += 8) {
            std::uint64_t chunk;
            std::memcpy(&chunk, text.data() + position, 8);
            hash = (hash ^ chunk) * mix;
        }
        if (position < text.size()) {
            std::uint64_t chunk = 0;
            for (int shift = 0; position < text.size(); ++position, shift += 8)
                chunk |= std::uint64_t{static_cast<unsigned char>(text[position])} << shift;
            hash = (hash ^ chunk) * mix;
        }
        return static_cast<std::size_t>(hash ^ (hash >> 29));
    }
    void Grow() {
        slots.assign(std::max<std::size_t>(256, slots.size() * 2), 0);
        for (std::uint32_t number = 0; number < texts.size(); ++number) {
            if (texts[number].size() == 1) continue;
            std::size_t slot = Hash(texts[number]) & (slots.size() - 1);
            while (slots[slot] != 0) slot = (slot + 1) & (slots.size() - 1);
            slots[slot] = number + 1;
        }
    }

    std::array<std::uint32_t, 256> singles{};  // per byte: its text number + 1, or 0
    std::vector<std::uint32_t> slots;          // text number + 1, or 0 for none
    std::vector<std::string_view> texts;
};

}  // namespace

void TCodeAnalysis::PrepareWordCaches() {
    wordTexts.clear();
    wordTexts.reserve(words.size());
    TTextNumbers numbers;
    for (const TWord& word : words) wordTexts.push_back(numbers.Number(word.text));
    literalAnswers.assign(numbers.Count(), 0);
    textStarts.assign(numbers.Count(), 0);
    operatorRowsIndex.assign(numbers.Count(), -1);
    operatorRowLists.clear();
}

bool TCodeAnalysis::IsWord(TWordPosition position, const char* text, std::size_t length) {
    if (position > farthest) farthest = position;
    if (position >= words.size()) return false;
    const std::string_view view(text, length);
    const int literal = wordTexts.size() == words.size() ? GrammarLiteral(view) : -1;
    if (literal < 0)
        return environment->SameName(std::string(words[position].text), std::string(view));
    const std::uint32_t asked = std::uint32_t{1} << literal;
    std::uint32_t& answers = literalAnswers[wordTexts[position]];
    if (!(answers & asked)) {
        answers |= asked;
        if (environment->SameName(std::string(words[position].text), std::string(view)))
            answers |= asked << matchedShift;
    }
    return (answers & (asked << matchedShift)) != 0;
}

const TCodeAnalysis::TOperatorRows& TCodeAnalysis::OperatorRowsAt(TWordPosition position) {
    static_assert(formPrefix == ofPrefix && formPostfix == ofPostfix && formBinary == ofBinary &&
                  formBinaryRight == ofBinaryRight && formCount == ofBinaryRight + 1);
    if (wordTexts.size() != words.size()) PrepareWordCaches();
    // Words of the same text match the same rows.
    std::int32_t& index = operatorRowsIndex[wordTexts[position]];
    if (index < 0) {
        TOperatorRows found;
        const auto& table = environment->operators;
        const std::string text(words[position].text);
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
    const std::size_t last = sourceMap.Original(word.offset + word.text.size() - 1);
    if (position >= words.size()) {
        offset = last + 1;
        return;
    }
    offset = sourceMap.Original(word.offset);
    length = last + 1 - offset;
}

bool TCodeAnalysis::CompareNames(const std::string& a, const std::string& b) {
    return environment->SameName(a, b);
}

}  // namespace Quorin
