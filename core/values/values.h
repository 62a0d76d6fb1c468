// The value model: right values, variables and the handle that carries both.
//
// Numbers never allocate: a TExValue holds an int or a double inline and a
// string as a shared, copy-on-write buffer. The virtual value classes exist for
// the interface (GetValue hands out owned objects, hosts may add their own right
// value classes); the interpreter's own paths stay on the inline forms.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

#include "values/characters.h"
#include "values/text.h"

namespace Quorin {

enum TConversion { cvNone = 0, cvInexact = 1, cvExact = 2 };

class TValue;
class TLValue;
class TExValue;
class TVariable;

// A reference-counted string buffer. Shared by copying; written only when its
// count is 1 (the only place that does is appending, see TExValue::AppendString).
struct TStringRep {
    int references = 1;
    // Whether the text holds no code page 932 lead byte, so that its characters
    // are its bytes: 1 yes, 0 no, -1 not looked at yet. Appending keeps it current.
    mutable std::int32_t singleByte : 8 = -1;
    // The number of the character index of a long text with lead bytes
    // (characters.h), made on first need, or 0. It lives in what would be
    // padding, so that strings without lead bytes take no more room for it.
    // Both are bit-fields of 32-bit types: compilers for Windows share a word
    // only between bit-fields whose types have the same size.
    mutable std::uint32_t characterIndex : 24 = 0;
    std::string text;

    explicit TStringRep(std::string text) : text(std::move(text)) {}
    TStringRep(const TStringRep&) = delete;
    TStringRep& operator=(const TStringRep&) = delete;
    ~TStringRep() {
        if (characterIndex != 0) ReleaseCharacterIndex(characterIndex);
    }
};
static_assert(sizeof(TStringRep) == 8 + sizeof(std::string));

// Root of all values. `kind` lets handles recognise the built-in classes without a cast.
class TLRValue {
public:
    enum TKind : std::uint8_t { kInt, kDouble, kString, kOtherValue, kVariable, kOtherLValue };
    const TKind kind;

    explicit TLRValue(TKind kind) : kind(kind) {}
    TLRValue(const TLRValue&) = delete;
    TLRValue& operator=(const TLRValue&) = delete;
    virtual ~TLRValue() = default;

    // A new right value the caller owns; null for a variable without content.
    virtual TValue* GetValue() const = 0;

    bool IsRightValue() const { return kind <= kOtherValue; }
};

class TValue : public TLRValue {
public:
    explicit TValue(TKind kind = kOtherValue) : TLRValue(kind) {}

    virtual bool ToBool(int* code = nullptr) const;
    virtual int ToInt(int* code = nullptr) const;
    virtual double ToDouble(int* code = nullptr) const;
    virtual std::string ToString(int* code = nullptr) const;
};

class TIntValue final : public TValue {
public:
    int value;
    explicit TIntValue(int value = 0) : TValue(kInt), value(value) {}
    TValue* GetValue() const override { return new TIntValue(value); }
    bool ToBool(int* code = nullptr) const override;
    int ToInt(int* code = nullptr) const override;
    double ToDouble(int* code = nullptr) const override;
    std::string ToString(int* code = nullptr) const override;
};

class TDoubleValue final : public TValue {
public:
    double value;
    explicit TDoubleValue(double value = 0.0) : TValue(kDouble), value(value) {}
    TValue* GetValue() const override { return new TDoubleValue(value); }
    bool ToBool(int* code = nullptr) const override;
    int ToInt(int* code = nullptr) const override;
    double ToDouble(int* code = nullptr) const override;
    std::string ToString(int* code = nullptr) const override;
};

class TStringValue final : public TValue {
public:
    std::string value;
    explicit TStringValue(std::string value = std::string())
        : TValue(kString), value(std::move(value)) {}
    TValue* GetValue() const override { return new TStringValue(value); }
    bool ToBool(int* code = nullptr) const override;
    int ToInt(int* code = nullptr) const override;
    double ToDouble(int* code = nullptr) const override;
    std::string ToString(int* code = nullptr) const override;
};

class TLValue : public TLRValue {
public:
    explicit TLValue(TKind kind = kOtherLValue) : TLRValue(kind) {}
    virtual void Substitute(const TLRValue* value) = 0;
};

// The handle through which values travel. It owns what it holds exactly when
// that is a right value; a left value is only referred to.
class TExValue {
public:
    // The tags of what a handle owns come last, so that one test tells whether
    // there is anything to release.
    enum TTag : std::uint8_t { tEmpty, tInt, tDouble, tLValue, tString, tObject };

    TExValue() noexcept : tag(tEmpty) { raw = 0; }
    explicit TExValue(const TLRValue* p);
    TExValue(std::nullptr_t) noexcept : TExValue() {}
    TExValue(const TExValue& other) : tag(other.tag) {
        raw = other.raw;
        if (tag == tString) {
            ++s->references;
        } else if (tag == tObject) {
            CopyObject(other);
        }
    }
    TExValue(TExValue&& other) noexcept : tag(other.tag) {
        raw = other.raw;
        other.tag = tEmpty;
    }
    explicit TExValue(bool value) noexcept : tag(tInt) { raw = IntBits(value ? 1 : 0); }
    explicit TExValue(int value) noexcept : tag(tInt) { raw = IntBits(value); }
    explicit TExValue(double value) noexcept : tag(tDouble) { d = value; }
    explicit TExValue(const std::string& value) : tag(tString) { s = new TStringRep(value); }
    explicit TExValue(std::string&& value) : tag(tString) { s = new TStringRep(std::move(value)); }
    explicit TExValue(const char* value) : TExValue(std::string(value)) {}
    explicit TExValue(const TWString& value) : TExValue(UnpackCharacters(value)) {}
    ~TExValue() { Release(); }

    // A handle holding the one-byte string `byte`. Such strings are made once per
    // thread and shared, so that taking a character out of a text allocates nothing.
    static TExValue Character(char byte);

    // A handle that refers to `variable`.
    static TExValue Refer(TLValue* variable) noexcept {
        TExValue handle;
        handle.tag = tLValue;
        handle.lvalue = variable;
        return handle;
    }

    TExValue& operator=(const TExValue& other) {
        // Copy first: `other` may live inside what this handle is about to release.
        if (this != &other) {
            TExValue copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    TExValue& operator=(TExValue&& other) noexcept {
        if (this != &other) {
            Release();
            tag = other.tag;
            raw = other.raw;
            other.tag = tEmpty;
        }
        return *this;
    }

    void Reset() noexcept {
        Release();
        tag = tEmpty;
    }
    // Makes the handle hold a number, releasing what it held.
    void SetInt(int value) noexcept {
        Release();
        tag = tInt;
        raw = IntBits(value);
    }
    void SetDouble(double value) noexcept {
        Release();
        tag = tDouble;
        d = value;
    }

    // A new right value owned by the caller, or null when there is none.
    TValue* GetValue() const;
    // Assignment through the handle; raises ESubstituteToRValue unless it refers to a left value.
    void Substitute(const TLRValue* value) const;
    // The same for a value given as a handle, without creating value objects.
    inline void Substitute(const TExValue& value) const;
    // The same, taking over `value`'s right value when it owns one (value is left empty).
    void SubstituteMove(TExValue& value) const;

    inline bool ToBool(int* code = nullptr) const;
    inline int ToInt(int* code = nullptr) const;
    inline double ToDouble(int* code = nullptr) const;
    std::string ToString(int* code = nullptr) const;
    TWString ToWString() const { return PackCharacters(ToString()); }

    // Cheap inspection for the interpreter's own fast paths.
    TTag Tag() const { return tag; }
    // The number held, for a handle whose Tag() is tInt, or tDouble.
    int IntValue() const { return i; }
    double DoubleValue() const { return d; }
    bool IsEmpty() const { return tag == tEmpty; }
    bool IsLeftValue() const { return tag == tLValue; }
    TLValue* LeftValue() const { return tag == tLValue ? lvalue : nullptr; }
    // The macro variable this handle refers to, or null.
    inline TVariable* Variable() const;
    // The right value this handle stands for: itself, or a variable's content.
    inline const TExValue& Resolved() const;
    // The string held (directly or by a variable), or null when the value is no string.
    inline const std::string* StringPointer() const;
    // Appends to the owned string in place when nobody shares it; returns false otherwise.
    bool AppendString(const std::string& tail);
    // Whether the value is a string (held or in a variable) without any lead byte,
    // so that character positions are byte positions. Remembered with the text.
    inline bool IsSingleByteString() const;
    // The character index kept with the string held (directly or by a variable),
    // for a string with lead bytes; null when there is none (CharacterIndexOf).
    TCharacterIndex* CharacterIndex() const;

private:
    // The bytes of the union when it holds the int `value`: `i` and zeros. An int is
    // written as one store of all eight, since handles are copied by reading `raw`,
    // and a read that spans two separate stores (zeros, then the int) waits for both
    // to reach the cache, which costs more than the rest of a quick path.
    static std::uint64_t IntBits(int value) noexcept {
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof value);
        return bits;
    }
    void CopyObject(const TExValue& other);
    void Release() noexcept {
        if (tag < tString) return;
        if (tag == tString) {
            if (--s->references == 0) delete s;
        } else {
            ReleaseObject();
        }
    }
    void ReleaseObject() noexcept;
    void SetOwned(TValue* value);
    void SubstituteSlow(const TExValue& value) const;
    // IsSingleByteString for a text not looked at yet: looks, and remembers.
    static bool FindSingleByte(const TStringRep& rep);
    bool ToBoolSlow(int* code) const;
    int ToIntSlow(int* code) const;
    double ToDoubleSlow(int* code) const;
    friend class TVariable;

    TTag tag;
    union {
        int i;
        double d;
        TStringRep* s;
        TValue* object;
        TLValue* lvalue;
        std::uint64_t raw;
    };
};

// Raises std::bad_alloc when a string of `left` + `right` bytes would be longer
// than the interpreter builds (Limits::maxStringBytes).
void CheckJoinedLength(std::size_t left, std::size_t right);

// A macro variable. Its content is a right value held inline (never a left value).
class TVariable final : public TLValue {
public:
    // Takes ownership of `initial` (may be null).
    explicit TVariable(TValue* initial = nullptr);
    explicit TVariable(int initial) : TLValue(kVariable), content(initial) {}

    TValue* GetValue() const override { return content.GetValue(); }
    void Substitute(const TLRValue* value) override;

    // Fast forms used by the engine and the operators.
    void Assign(const TExValue& value) {
        if (value.Tag() != TExValue::tLValue) {
            content = value;
        } else {
            AssignLeftValue(value);
        }
    }
    void AssignMove(TExValue& value);
    const TExValue& Content() const { return content; }
    TExValue& MutableContent() { return content; }

private:
    void AssignLeftValue(const TExValue& value);

    TExValue content;
};

// ---- the handle's hot paths, inline: they run for nearly every operator ----

inline const TExValue& TExValue::Resolved() const {
    if (tag == tLValue && lvalue->kind == TLRValue::kVariable)
        return static_cast<const TVariable*>(lvalue)->Content();
    return *this;
}

inline TVariable* TExValue::Variable() const {
    return tag == tLValue && lvalue->kind == TLRValue::kVariable ? static_cast<TVariable*>(lvalue)
                                                                 : nullptr;
}

inline const std::string* TExValue::StringPointer() const {
    const TExValue& r = Resolved();
    return r.tag == tString ? &r.s->text : nullptr;
}

inline bool TExValue::IsSingleByteString() const {
    const TExValue& r = Resolved();
    if (r.tag != tString) return false;
    if (r.s->singleByte < 0) return FindSingleByte(*r.s);
    return r.s->singleByte == 1;
}

inline int TExValue::ToInt(int* code) const {
    const TExValue& r = Resolved();
    if (r.tag == tInt) {
        if (code) *code = cvExact;
        return r.i;
    }
    return r.ToIntSlow(code);
}

inline double TExValue::ToDouble(int* code) const {
    const TExValue& r = Resolved();
    if (r.tag == tDouble) {
        if (code) *code = cvExact;
        return r.d;
    }
    if (r.tag == tInt) {
        if (code) *code = cvExact;
        return r.i;
    }
    return r.ToDoubleSlow(code);
}

inline bool TExValue::ToBool(int* code) const {
    const TExValue& r = Resolved();
    if (r.tag == tInt) {
        if (code) *code = cvInexact;
        return r.i != 0;
    }
    return r.ToBoolSlow(code);
}

inline void TExValue::Substitute(const TExValue& value) const {
    if (tag == tLValue && lvalue->kind == TLRValue::kVariable) {
        static_cast<TVariable*>(lvalue)->Assign(value);
    } else {
        SubstituteSlow(value);
    }
}

}  // namespace Quorin
