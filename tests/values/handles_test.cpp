// Ownership rules of value handles and variables: handles own right values and
// only refer to left values.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>

#include "errors/errors.h"
#include "errors/messages.h"
#include "support/host_values.h"
#include "values/values.h"

namespace Quorin {
namespace {

using Testing::TProperty;
using Testing::TStub;

TEST(HandleTest, CopiesOfAVariableHandleAlias) {
    TVariable variable(0);
    const TExValue a(&variable);
    const TExValue b(a);
    EXPECT_EQ(b.LeftValue(), &variable);

    b.Substitute(TExValue(5));
    EXPECT_EQ(a.ToInt(), 5);
    a.Substitute(TExValue("x"));
    EXPECT_EQ(b.ToString(), "x");

    TIntValue nine(9);
    b.Substitute(&nine);
    nine.value = 10;  // the variable took a copy
    EXPECT_EQ(variable.Content().ToInt(), 9);
}

TEST(HandleTest, HandlesOwnRightValuesAndOnlyReferToLeftValues) {
    {
        TStub original(1);
        TExValue owner(&original);
        EXPECT_EQ(TStub::live, 2);
        TExValue copy(owner);
        EXPECT_EQ(TStub::live, 3);
        copy = TExValue(7);
        EXPECT_EQ(TStub::live, 2);
        TExValue moved(std::move(owner));
        EXPECT_TRUE(owner.IsEmpty());
        EXPECT_EQ(TStub::live, 2);
        moved.Reset();
        EXPECT_EQ(TStub::live, 1);

        TVariable variable(new TStub(2));
        EXPECT_EQ(TStub::live, 2);
        {
            TExValue ref(&variable);
            TExValue refCopy(ref);
            EXPECT_EQ(TStub::live, 2);
            refCopy.Substitute(TExValue(&original));
            EXPECT_EQ(TStub::live, 2);  // the old content was deleted, a copy stored
            EXPECT_EQ(ref.ToInt(), 1);
        }
        EXPECT_EQ(TStub::live, 2);  // releasing references leaves the variable alone
    }
    EXPECT_EQ(TStub::live, 0);
}

TEST(HandleTest, StringsAreSharedCopyOnWrite) {
    TExValue a("abc");
    TExValue b(a);
    EXPECT_EQ(a.StringPointer(), b.StringPointer());
    EXPECT_FALSE(a.AppendString("d"));
    EXPECT_EQ(b.ToString(), "abc");

    TVariable variable(0);
    variable.Assign(a);
    b.Reset();
    EXPECT_FALSE(a.AppendString("d"));  // still shared with the variable
    EXPECT_EQ(variable.Content().ToString(), "abc");

    variable.Assign(TExValue(1));
    ASSERT_TRUE(a.AppendString("d"));
    EXPECT_EQ(a.ToString(), "abcd");

    // A handle referring to a variable never appends in place.
    variable.Assign(a);
    TExValue ref(&variable);
    EXPECT_FALSE(ref.AppendString("e"));
    EXPECT_EQ(*ref.StringPointer(), "abcd");
}

TEST(HandleTest, OneByteStringsAreSharedAndOutliveTheirThread) {
    TExValue a = TExValue::Character('x');
    const TExValue b = TExValue::Character('x');
    EXPECT_EQ(a.StringPointer(), b.StringPointer());
    EXPECT_FALSE(a.AppendString("y"));  // shared, also with the table
    EXPECT_EQ(*b.StringPointer(), "x");
    EXPECT_TRUE(TExValue::Character('\x82').StringPointer() != nullptr);
    EXPECT_FALSE(TExValue::Character('\x82').IsSingleByteString());
    EXPECT_TRUE(TExValue::Character('\xA0').IsSingleByteString());

    // The table of a thread that has ended no longer holds its strings.
    TExValue kept;
    std::thread([&kept] { kept = TExValue::Character('q'); }).join();
    EXPECT_EQ(*kept.StringPointer(), "q");
    ASSERT_TRUE(kept.AppendString("r"));
    EXPECT_EQ(*kept.StringPointer(), "qr");
}

TEST(HandleTest, AssignmentToRightValuesFails) {
    TStub constant(3);
    TExValue targets[] = {TExValue(), TExValue(1), TExValue(2.5), TExValue("s"),
                          TExValue(&constant)};
    const std::string expected = Messages::runtimeErrorPrefix + Messages::substituteToRValue;
    TIntValue four(4);
    for (const TExValue& target : targets) {
        const std::string before = target.ToString();
        TExValue source("new");
        const std::function<void()> attempts[] = {
            [&] { target.Substitute(&four); },
            [&] { target.Substitute(static_cast<const TLRValue*>(nullptr)); },
            [&] { target.Substitute(source); },
            [&] { target.SubstituteMove(source); },
        };
        for (const auto& attempt : attempts) {
            try {
                attempt();
                ADD_FAILURE() << "assignment to " << before << " succeeded";
            } catch (const ESubstituteToRValue& e) {
                EXPECT_EQ(e.target, &target);
                EXPECT_EQ(e.message, expected);
            }
            EXPECT_EQ(target.ToString(), before);
            EXPECT_EQ(source.ToString(), "new");
        }
    }
}

TEST(HandleTest, VariablesWithoutContent) {
    TVariable variable(1);
    const TExValue ref(&variable);
    ref.Substitute(static_cast<const TLRValue*>(nullptr));
    EXPECT_EQ(variable.GetValue(), nullptr);
    EXPECT_EQ(ref.GetValue(), nullptr);

    // Assigning an empty variable, or an empty handle, empties the target.
    TVariable other(2);
    other.Substitute(&variable);
    EXPECT_EQ(other.GetValue(), nullptr);
    other.Assign(TExValue(2));
    TExValue(&other).Substitute(TExValue());
    EXPECT_TRUE(other.Content().IsEmpty());
    TProperty empty;
    other.Assign(TExValue(2));
    other.Substitute(&empty);
    EXPECT_TRUE(other.Content().IsEmpty());
}

TEST(HandleTest, GetValueHandsOutNewObjects) {
    EXPECT_EQ(TExValue().GetValue(), nullptr);

    TVariable variable(new TStringValue("v"));
    const std::unique_ptr<TValue> first(variable.GetValue());
    const std::unique_ptr<TValue> second(TExValue(&variable).GetValue());
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(first->kind, TLRValue::kString);
    EXPECT_NE(first.get(), second.get());
    static_cast<TStringValue*>(first.get())->value = "changed";
    EXPECT_EQ(second->ToString(), "v");
    EXPECT_EQ(variable.Content().ToString(), "v");

    const std::unique_ptr<TValue> number(TExValue(1.5).GetValue());
    ASSERT_NE(number, nullptr);
    EXPECT_EQ(number->kind, TLRValue::kDouble);
    EXPECT_EQ(number->ToString(), "1.5");
}

TEST(HandleTest, SelfAssignmentKeepsTheValue) {
    TStub counted(6);
    for (TExValue handle : {TExValue("self"), TExValue(3), TExValue(&counted)}) {
        const std::string before = handle.ToString();
        TExValue& alias = handle;
        handle = alias;
        EXPECT_EQ(handle.ToString(), before);
    }

    TVariable variable(new TStringValue("mine"));
    const TExValue ref(&variable);
    variable.Substitute(&variable);
    ref.Substitute(ref);
    variable.Assign(variable.Content());
    EXPECT_EQ(ref.ToString(), "mine");
}

TEST(HandleTest, MovingLeavesTheSourceEmpty) {
    TExValue a("abc");
    TExValue b(std::move(a));
    EXPECT_TRUE(a.IsEmpty());
    TExValue c(1);
    c = std::move(b);
    EXPECT_TRUE(b.IsEmpty());
    EXPECT_EQ(c.ToString(), "abc");

    TVariable variable(0);
    TExValue source("moved");
    TExValue(&variable).SubstituteMove(source);
    EXPECT_TRUE(source.IsEmpty());
    EXPECT_EQ(variable.Content().ToString(), "moved");

    // A reference is not taken over: it keeps referring to its variable.
    TVariable other(0);
    TExValue ref(&variable);
    TExValue(&other).SubstituteMove(ref);
    EXPECT_EQ(ref.LeftValue(), &variable);
    EXPECT_EQ(other.Content().ToString(), "moved");
}

TEST(HandleTest, HostLeftValuesWorkThroughTheirInterface) {
    TProperty property;
    const TExValue ref(&property);
    ASSERT_TRUE(ref.IsLeftValue());
    ref.Substitute(TExValue("12"));
    ASSERT_NE(property.content, nullptr);
    EXPECT_EQ(property.content->kind, TLRValue::kString);
    int code = -1;
    EXPECT_EQ(ref.ToInt(&code), 12);
    EXPECT_EQ(code, cvExact);

    TVariable variable(0);
    variable.Substitute(&property);
    EXPECT_EQ(variable.Content().Tag(), TExValue::tString);
    variable.Assign(TExValue(1));
    variable.Assign(ref);
    EXPECT_EQ(variable.Content().ToString(), "12");

    variable.Assign(TExValue(5));
    ref.Substitute(TExValue(&variable));
    ASSERT_NE(property.content, nullptr);
    EXPECT_EQ(property.content->ToInt(), 5);
}

}  // namespace
}  // namespace Quorin
