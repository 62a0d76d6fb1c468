// Value classes a host might add, for tests of the paths that serve them
// (readings through GetValue, handles owning foreign right values).
#pragma once

#include <memory>
#include <optional>
#include <utility>

#include "values/values.h"

namespace Quorin::Testing {

// A right value that overrides only ToInt, and ToDouble when `real` is set; every
// other reading is TValue's default. `live` counts instances, so tests can see
// handles copying and deleting what they own.
class TStub final : public TValue {
public:
    static inline int live = 0;
    const int intValue;
    const int intCode;
    const std::optional<std::pair<double, int>> real;

    explicit TStub(int intValue, int intCode = cvExact,
                   std::optional<std::pair<double, int>> real = std::nullopt)
        : intValue(intValue), intCode(intCode), real(real) {
        ++live;
    }
    ~TStub() override { --live; }

    TValue* GetValue() const override { return new TStub(intValue, intCode, real); }
    int ToInt(int* code = nullptr) const override {
        if (code) *code = intCode;
        return intValue;
    }
    double ToDouble(int* code = nullptr) const override {
        if (!real) return TValue::ToDouble(code);
        if (code) *code = real->second;
        return real->first;
    }
};

// A left value that is not a variable: handles reach it only through GetValue and Substitute.
class TProperty final : public TLValue {
public:
    std::unique_ptr<TValue> content;

    TValue* GetValue() const override { return content ? content->GetValue() : nullptr; }
    void Substitute(const TLRValue* value) override {
        content.reset(value ? value->GetValue() : nullptr);
    }
};

}  // namespace Quorin::Testing
