#include "values/values.h"

#include <cmath>
#include <memory>
#include <new>

#include "quorin_limits.h"

#include "errors/errors.h"
#include "errors/messages.h"

namespace Quorin {

namespace {

inline void SetCode(int* code, int value) {
    if (code) *code = value;
}

// The readings of the three built-in right values, shared by the classes and the handle.
bool IntToBool(int v, int* code) {
    SetCode(code, cvInexact);
    return v != 0;
}

bool DoubleToBool(double v, int* code) {
    SetCode(code, cvInexact);
    return !std::isnan(v) && v != 0.0;
}

bool StringToBool(const std::string& text, int* code) {
    double number;
    if (ParseReal(text, &number)) {
        SetCode(code, cvInexact);
        return number != 0.0;
    }
    SetCode(code, cvNone);
    return false;
}

int StringToInt(const std::string& text, int* code) {
    int value;
    if (ParseInt(text, &value)) {
        SetCode(code, cvExact);
        return value;
    }
    double number;
    if (ParseReal(text, &number)) {
        SetCode(code, cvInexact);
        return DoubleToInt(number);
    }
    SetCode(code, cvNone);
    return 0;
}

double StringToDouble(const std::string& text, int* code) {
    double number;
    if (ParseReal(text, &number)) {
        SetCode(code, cvExact);
        return number;
    }
    SetCode(code, cvNone);
    return 0.0;
}

}  // namespace

// ---- TValue defaults ----------------------------------------------------------

int TValue::ToInt(int* code) const {
    SetCode(code, cvNone);
    return 0;
}

double TValue::ToDouble(int* code) const { return static_cast<double>(ToInt(code)); }

std::string TValue::ToString(int* code) const {
    SetCode(code, cvNone);
    return std::string();
}

bool TValue::ToBool(int* code) const {
    int intCode;
    const int asInt = ToInt(&intCode);
    if (intCode == cvExact) {
        SetCode(code, cvExact);
        return asInt != 0;
    }
    int doubleCode;
    const double asDouble = ToDouble(&doubleCode);
    if (doubleCode == cvNone) {
        SetCode(code, intCode);
        return asInt != 0;
    }
    SetCode(code, doubleCode);
    return !std::isnan(asDouble) && asDouble != 0.0;
}

// ---- the three right values ---------------------------------------------------

bool TIntValue::ToBool(int* code) const { return IntToBool(value, code); }
int TIntValue::ToInt(int* code) const {
    SetCode(code, cvExact);
    return value;
}
double TIntValue::ToDouble(int* code) const {
    SetCode(code, cvExact);
    return value;
}
std::string TIntValue::ToString(int* code) const {
    SetCode(code, cvExact);
    return FormatInt(value);
}

bool TDoubleValue::ToBool(int* code) const { return DoubleToBool(value, code); }
int TDoubleValue::ToInt(int* code) const {
    SetCode(code, cvInexact);
    return DoubleToInt(value);
}
double TDoubleValue::ToDouble(int* code) const {
    SetCode(code, cvExact);
    return value;
}
std::string TDoubleValue::ToString(int* code) const {
    SetCode(code, cvExact);
    return FormatReal(value);
}

bool TStringValue::ToBool(int* code) const { return StringToBool(value, code); }
int TStringValue::ToInt(int* code) const { return StringToInt(value, code); }
double TStringValue::ToDouble(int* code) const { return StringToDouble(value, code); }
std::string TStringValue::ToString(int* code) const {
    SetCode(code, cvExact);
    return value;
}

// ---- TExValue -----------------------------------------------------------------

TExValue::TExValue(const TLRValue* p) : tag(tEmpty) {
    raw = 0;
    if (!p) return;
    switch (p->kind) {
        case TLRValue::kInt:
            tag = tInt;
            i = static_cast<const TIntValue*>(p)->value;
            break;
        case TLRValue::kDouble:
            tag = tDouble;
            d = static_cast<const TDoubleValue*>(p)->value;
            break;
        case TLRValue::kString:
            s = new TStringRep(static_cast<const TStringValue*>(p)->value);
            tag = tString;
            break;
        case TLRValue::kOtherValue:
            SetOwned(p->GetValue());
            break;
        case TLRValue::kVariable:
        case TLRValue::kOtherLValue:
            tag = tLValue;
            lvalue = const_cast<TLValue*>(static_cast<const TLValue*>(p));
            break;
    }
}

namespace {

// The one-byte strings, each made on first use. A thread keeps a table of its own,
// since reference counts are not atomic, and lets go of it when it ends: a handle
// still holding one of its strings then owns that string alone.
class TCharacterTable {
public:
    TCharacterTable() = default;
    TCharacterTable(const TCharacterTable&) = delete;
    TCharacterTable& operator=(const TCharacterTable&) = delete;
    ~TCharacterTable() {
        for (TStringRep* rep : reps) {
            if (rep && --rep->references == 0) delete rep;
        }
    }

    TStringRep* Get(char byte) {
        TStringRep*& rep = reps[static_cast<unsigned char>(byte)];
        if (!rep) {
            rep = new TStringRep(std::string(1, byte));
            rep->singleByte = IsLeadByte(static_cast<unsigned char>(byte)) ? 0 : 1;
        }
        return rep;
    }

private:
    TStringRep* reps[256] = {};
};

thread_local TCharacterTable characters;

}  // namespace

TExValue TExValue::Character(char byte) {
    TStringRep* rep = characters.Get(byte);
    ++rep->references;
    TExValue handle;
    handle.tag = tString;
    handle.s = rep;
    return handle;
}

void TExValue::SetOwned(TValue* value) {
    // Precondition: this handle is empty.
    if (!value) return;
    switch (value->kind) {
        case TLRValue::kInt:
            i = static_cast<TIntValue*>(value)->value;
            tag = tInt;
            delete value;
            break;
        case TLRValue::kDouble:
            d = static_cast<TDoubleValue*>(value)->value;
            tag = tDouble;
            delete value;
            break;
        case TLRValue::kString: {
            std::unique_ptr<TValue> owner(value);
            s = new TStringRep(std::move(static_cast<TStringValue*>(value)->value));
            tag = tString;
            break;
        }
        default:
            object = value;
            tag = tObject;
            break;
    }
}

void TExValue::CopyObject(const TExValue& other) {
    tag = tEmpty;
    raw = 0;
    SetOwned(other.object->GetValue());
}

void TExValue::ReleaseObject() noexcept { delete object; }

TValue* TExValue::GetValue() const {
    switch (tag) {
        case tEmpty:
            return nullptr;
        case tInt:
            return new TIntValue(i);
        case tDouble:
            return new TDoubleValue(d);
        case tString:
            return new TStringValue(s->text);
        case tObject:
            return object->GetValue();
        case tLValue:
            return lvalue->GetValue();
    }
    return nullptr;
}

[[noreturn]] static void ThrowSubstitute(const TExValue* target) {
    throw ESubstituteToRValue(RuntimeMessage(Messages::substituteToRValue), target);
}

void TExValue::Substitute(const TLRValue* value) const {
    if (tag != tLValue) ThrowSubstitute(this);
    lvalue->Substitute(value);
}

void TExValue::SubstituteSlow(const TExValue& value) const {
    if (tag != tLValue) ThrowSubstitute(this);
    {
        std::unique_ptr<TValue> copy(value.GetValue());
        lvalue->Substitute(copy.get());
    }
}

void TExValue::SubstituteMove(TExValue& value) const {
    if (tag == tLValue && lvalue->kind == TLRValue::kVariable) {
        static_cast<TVariable*>(lvalue)->AssignMove(value);
    } else {
        Substitute(value);
    }
}

void CheckJoinedLength(std::size_t left, std::size_t right) {
    if (left > Limits::maxStringBytes || right > Limits::maxStringBytes - left)
        throw std::bad_alloc();
}

namespace {

bool HasLeadByte(const std::string& text) {
    for (unsigned char byte : text) {
        if (IsLeadByte(byte)) return true;
    }
    return false;
}

}  // namespace

bool TExValue::AppendString(const std::string& tail) {
    if (tag != tString || s->references != 1) return false;
    const std::size_t oldSize = s->text.size();
    CheckJoinedLength(oldSize, tail.size());
    if (s->singleByte == 1 && HasLeadByte(tail)) s->singleByte = 0;
    // One character at a time is the usual way to build a text; push_back spares
    // the general copy.
    if (tail.size() == 1) {
        s->text.push_back(tail[0]);
    } else {
        s->text.append(tail);
    }
    if (s->characterIndex != 0) CharacterIndexAppended(*s, oldSize);
    return true;
}

TCharacterIndex* TExValue::CharacterIndex() const {
    const TExValue& r = Resolved();
    return r.tag == tString ? CharacterIndexOf(*r.s) : nullptr;
}

bool TExValue::FindSingleByte(const TStringRep& rep) {
    rep.singleByte = HasLeadByte(rep.text) ? 0 : 1;
    return rep.singleByte == 1;
}

// Readings through a foreign left value: a temporary right value, as the interface promises.
template <typename T, typename Read>
static T ReadThrough(const TLValue* lvalue, int* code, T none, Read read) {
    std::unique_ptr<TValue> value(lvalue->GetValue());
    if (!value) {
        SetCode(code, cvNone);
        return none;
    }
    return read(*value);
}

bool TExValue::ToBoolSlow(int* code) const {
    const TExValue& r = Resolved();
    switch (r.tag) {
        case tInt:
            return IntToBool(r.i, code);
        case tDouble:
            return DoubleToBool(r.d, code);
        case tString:
            return StringToBool(r.s->text, code);
        case tObject:
            return r.object->ToBool(code);
        case tLValue:
            return ReadThrough(r.lvalue, code, false,
                               [code](const TValue& v) { return v.ToBool(code); });
        case tEmpty:
            break;
    }
    SetCode(code, cvNone);
    return false;
}

int TExValue::ToIntSlow(int* code) const {
    const TExValue& r = Resolved();
    switch (r.tag) {
        case tInt:
            SetCode(code, cvExact);
            return r.i;
        case tDouble:
            SetCode(code, cvInexact);
            return DoubleToInt(r.d);
        case tString:
            return StringToInt(r.s->text, code);
        case tObject:
            return r.object->ToInt(code);
        case tLValue:
            return ReadThrough(r.lvalue, code, 0, [code](const TValue& v) { return v.ToInt(code); });
        case tEmpty:
            break;
    }
    SetCode(code, cvNone);
    return 0;
}

double TExValue::ToDoubleSlow(int* code) const {
    const TExValue& r = Resolved();
    switch (r.tag) {
        case tInt:
            SetCode(code, cvExact);
            return r.i;
        case tDouble:
            SetCode(code, cvExact);
            return r.d;
        case tString:
            return StringToDouble(r.s->text, code);
        case tObject:
            return r.object->ToDouble(code);
        case tLValue:
            return ReadThrough(r.lvalue, code, 0.0,
                               [code](const TValue& v) { return v.ToDouble(code); });
        case tEmpty:
            break;
    }
    SetCode(code, cvNone);
    return 0.0;
}

std::string TExValue::ToString(int* code) const {
    const TExValue& r = Resolved();
    switch (r.tag) {
        case tInt:
            SetCode(code, cvExact);
            return FormatInt(r.i);
        case tDouble:
            SetCode(code, cvExact);
            return FormatReal(r.d);
        case tString:
            SetCode(code, cvExact);
            return r.s->text;
        case tObject:
            return r.object->ToString(code);
        case tLValue:
            return ReadThrough(r.lvalue, code, std::string(),
                               [code](const TValue& v) { return v.ToString(code); });
        case tEmpty:
            break;
    }
    SetCode(code, cvNone);
    return std::string();
}

// ---- TVariable ----------------------------------------------------------------

TVariable::TVariable(TValue* initial) : TLValue(kVariable) { content.SetOwned(initial); }

void TVariable::Substitute(const TLRValue* value) {
    if (!value) {
        content.Reset();
    } else if (value->IsRightValue()) {
        content = TExValue(value);
    } else if (value->kind == kVariable) {
        content = static_cast<const TVariable*>(value)->content;
    } else {
        TExValue fresh;
        fresh.SetOwned(value->GetValue());
        content = std::move(fresh);
    }
}

void TVariable::AssignLeftValue(const TExValue& value) {
    if (value.lvalue->kind == kVariable) {
        content = static_cast<const TVariable*>(value.lvalue)->content;
    } else {
        TExValue fresh;
        fresh.SetOwned(value.lvalue->GetValue());
        content = std::move(fresh);
    }
}

void TVariable::AssignMove(TExValue& value) {
    if (value.tag == TExValue::tLValue) {
        Assign(value);
    } else {
        content = std::move(value);
    }
}

}  // namespace Quorin
