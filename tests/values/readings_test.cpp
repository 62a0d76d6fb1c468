// The four readings of every kind of value and their conversion codes, seen
// directly and through every kind of handle.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <variant>

#include "support/host_values.h"
#include "values/values.h"

namespace Quorin {
namespace {

using Testing::TProperty;
using Testing::TStub;

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

struct TReadings {
    bool b;
    int bCode;
    int i;
    int iCode;
    double d;
    int dCode;
    std::string s;
    int sCode;
};

// Equal doubles with equal signs (so -0 and 0 differ), or two NaNs.
::testing::AssertionResult SameDouble(double actual, double expected) {
    if ((std::isnan(actual) && std::isnan(expected)) ||
        (actual == expected && std::signbit(actual) == std::signbit(expected)))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << actual << " is not " << expected;
}

// Works for TValue and TExValue alike. Codes start at a value no reading yields,
// so a reading that forgets to set its code shows up.
template <typename V>
void ExpectReadings(const V& value, const TReadings& r, const std::string& where) {
    SCOPED_TRACE(where);
    int code = -1;
    EXPECT_EQ(value.ToBool(&code), r.b);
    EXPECT_EQ(code, r.bCode) << "ToBool";
    code = -1;
    EXPECT_EQ(value.ToInt(&code), r.i);
    EXPECT_EQ(code, r.iCode) << "ToInt";
    code = -1;
    EXPECT_TRUE(SameDouble(value.ToDouble(&code), r.d));
    EXPECT_EQ(code, r.dCode) << "ToDouble";
    code = -1;
    EXPECT_EQ(value.ToString(&code), r.s);
    EXPECT_EQ(code, r.sCode) << "ToString";
    // The out-parameter is optional.
    EXPECT_EQ(value.ToInt(), r.i);
}

using TInput = std::variant<int, double, std::string>;

std::unique_ptr<TValue> MakeValue(const TInput& input) {
    if (auto i = std::get_if<int>(&input)) return std::make_unique<TIntValue>(*i);
    if (auto d = std::get_if<double>(&input)) return std::make_unique<TDoubleValue>(*d);
    return std::make_unique<TStringValue>(std::get<std::string>(input));
}

TExValue MakeInline(const TInput& input) {
    return std::visit([](const auto& v) { return TExValue(v); }, input);
}

TEST(ReadingsTest, BuiltInValuesThroughEveryPath) {
    const std::string digits400 = "1" + std::string(400, '0');
    const struct {
        TInput input;
        TReadings r;
    } cases[] = {
        {0, {false, cvInexact, 0, cvExact, 0.0, cvExact, "0", cvExact}},
        {-7, {true, cvInexact, -7, cvExact, -7.0, cvExact, "-7", cvExact}},
        {INT_MIN,
         {true, cvInexact, INT_MIN, cvExact, -2147483648.0, cvExact, "-2147483648", cvExact}},
        {0.0, {false, cvInexact, 0, cvInexact, 0.0, cvExact, "0", cvExact}},
        {2.0, {true, cvInexact, 2, cvInexact, 2.0, cvExact, "2", cvExact}},
        {-3.9, {true, cvInexact, -3, cvInexact, -3.9, cvExact, "-3.9", cvExact}},
        {1e15,
         {true, cvInexact, static_cast<int>(1000000000000000LL & 0xFFFFFFFF), cvInexact, 1e15,
          cvExact, "1000000000000000", cvExact}},
        {-kInf, {true, cvInexact, 0, cvInexact, -kInf, cvExact, "-inf", cvExact}},
        // NaN is never true and reads as the integer 0.
        {kNaN, {false, cvInexact, 0, cvInexact, kNaN, cvExact, "nan", cvExact}},
        {std::string("12"), {true, cvInexact, 12, cvExact, 12.0, cvExact, "12", cvExact}},
        {std::string("12.5"), {true, cvInexact, 12, cvInexact, 12.5, cvExact, "12.5", cvExact}},
        // Leading zeros make a real text, not an integer text.
        {std::string("007"), {true, cvInexact, 7, cvInexact, 7.0, cvExact, "007", cvExact}},
        {std::string("abc"), {false, cvNone, 0, cvNone, 0.0, cvNone, "abc", cvExact}},
        {std::string("true"), {false, cvNone, 0, cvNone, 0.0, cvNone, "true", cvExact}},
        {std::string(""), {false, cvNone, 0, cvNone, 0.0, cvNone, "", cvExact}},
        {std::string("1e3"), {false, cvNone, 0, cvNone, 0.0, cvNone, "1e3", cvExact}},
        {std::string("3000000000"),
         {true, cvInexact, static_cast<int>(3000000000LL - 4294967296LL), cvInexact, 3e9, cvExact,
          "3000000000", cvExact}},
        {std::string("2147483648"),
         {true, cvInexact, INT_MIN, cvInexact, 2147483648.0, cvExact, "2147483648", cvExact}},
        {std::string("0"), {false, cvInexact, 0, cvExact, 0.0, cvExact, "0", cvExact}},
        {std::string("-0"), {false, cvInexact, 0, cvExact, -0.0, cvExact, "-0", cvExact}},
        {std::string("0.0"), {false, cvInexact, 0, cvInexact, 0.0, cvExact, "0.0", cvExact}},
        {std::string("0.5"), {true, cvInexact, 0, cvInexact, 0.5, cvExact, "0.5", cvExact}},
        {std::string("-1"), {true, cvInexact, -1, cvExact, -1.0, cvExact, "-1", cvExact}},
        {std::string(" 42"), {true, cvInexact, 42, cvExact, 42.0, cvExact, " 42", cvExact}},
        {digits400, {true, cvInexact, -1, cvInexact, kInf, cvExact, digits400, cvExact}},
        {"-" + digits400,
         {true, cvInexact, 0, cvInexact, -kInf, cvExact, "-" + digits400, cvExact}},
    };
    for (const auto& c : cases) {
        const std::unique_ptr<TValue> value = MakeValue(c.input);
        const std::string name = value->ToString().substr(0, 20);
        ExpectReadings(*value, c.r, name + " as object");
        ExpectReadings(MakeInline(c.input), c.r, name + " inline");
        ExpectReadings(TExValue(value.get()), c.r, name + " copied from object");

        TVariable variable(value->GetValue());
        const TExValue viaVariable(&variable);
        ExpectReadings(variable.Content(), c.r, name + " variable content");
        ExpectReadings(viaVariable, c.r, name + " through variable");
        ExpectReadings(TExValue(viaVariable), c.r, name + " through copied variable handle");

        TProperty property;
        property.content.reset(value->GetValue());
        ExpectReadings(TExValue(&property), c.r, name + " through property");
    }
}

TEST(ReadingsTest, NothingReadsAsNone) {
    const TReadings none{false, cvNone, 0, cvNone, 0.0, cvNone, "", cvNone};
    TVariable emptyVariable(nullptr);
    TProperty emptyProperty;
    ExpectReadings(TExValue(), none, "empty handle");
    ExpectReadings(TExValue(&emptyVariable), none, "empty variable");
    ExpectReadings(TExValue(&emptyProperty), none, "empty property");
}

TEST(ReadingsTest, DefaultsOfHostRightValues) {
    using P = std::pair<double, int>;
    const struct {
        int i, iCode;
        std::optional<P> real;
        bool b;
        int bCode;
        double d;
        int dCode;
    } cases[] = {
        // An exact integer decides the truth on its own.
        {5, cvExact, std::nullopt, true, cvExact, 5.0, cvExact},
        {0, cvExact, P{1.0, cvExact}, false, cvExact, 1.0, cvExact},
        // Otherwise the double decides, with its code...
        {0, cvInexact, std::nullopt, false, cvInexact, 0.0, cvInexact},
        {0, cvInexact, P{0.5, cvExact}, true, cvExact, 0.5, cvExact},
        {1, cvInexact, P{kNaN, cvInexact}, false, cvInexact, kNaN, cvInexact},
        // ...unless it has no reading: then the integer, with the integer's code.
        {3, cvInexact, P{0.0, cvNone}, true, cvInexact, 0.0, cvNone},
        {7, cvNone, std::nullopt, true, cvNone, 7.0, cvNone},
        {0, cvNone, std::nullopt, false, cvNone, 0.0, cvNone},
    };
    for (const auto& c : cases) {
        const TReadings r{c.b, c.bCode, c.i, c.iCode, c.d, c.dCode, "", cvNone};
        const std::string name = "stub " + std::to_string(c.i) + "/" + std::to_string(c.iCode);
        TStub stub(c.i, c.iCode, c.real);
        ExpectReadings(stub, r, name);
        const TExValue owned(&stub);
        ExpectReadings(owned, r, name + " owned by a handle");
        ExpectReadings(TExValue(owned), r, name + " copied handle");
        TVariable variable(stub.GetValue());
        ExpectReadings(TExValue(&variable), r, name + " in a variable");
    }
    EXPECT_EQ(TStub::live, 0);
}

TEST(ReadingsTest, WideStringsAndBooleans) {
    EXPECT_EQ(TExValue(true).ToInt(), 1);
    EXPECT_EQ(TExValue(false).ToInt(), 0);
    EXPECT_EQ(TExValue(TWString{0x61, 0xA082}).ToString(), "a\x82\xA0");
    EXPECT_EQ(TExValue("\xB1\x82\xA0z").ToWString(), (TWString{0xB1, 0xA082, 0x7A}));
    EXPECT_EQ(TExValue(2.5).ToWString(), u"2.5");
}

}  // namespace
}  // namespace Quorin
