// A number as the syntax tree computes it on its quick paths: an int or a
// double held by value, or nothing (nNone) when the value is no number.
#pragma once

#include <cmath>
#include <cstdint>

#include "values/values.h"

namespace Quorin {

struct TNumber {
    enum TKind : std::uint8_t { nNone, nInt, nDouble };
    union {
        int i;
        double d;
    };
    TKind kind;

    TNumber() : d(0.0), kind(nNone) {}
    static TNumber Int(int value) {
        TNumber n;
        n.i = value;
        n.kind = nInt;
        return n;
    }
    static TNumber Double(double value) {
        TNumber n;
        n.d = value;
        n.kind = nDouble;
        return n;
    }
    // The number a right value holds; nNone for anything but an int or a double.
    [[gnu::always_inline]] static TNumber Of(const TExValue& value) {
        if (value.Tag() == TExValue::tInt) return Int(value.ToInt());
        if (value.Tag() == TExValue::tDouble) return Double(value.ToDouble());
        return TNumber();
    }
    explicit operator bool() const { return kind != nNone; }
    // The truth reading of the number, as TExValue::ToBool gives it.
    bool Truth() const { return kind == nInt ? i != 0 : !std::isnan(d) && d != 0.0; }
    TExValue Value() const { return kind == nInt ? TExValue(i) : TExValue(d); }
};

}  // namespace Quorin
