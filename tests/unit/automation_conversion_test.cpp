// The automation conversions and comparisons as the program relies on them,
// and the recording fake's bookkeeping that other tests lean on.
#include <gtest/gtest.h>

#include "tests/fakes/fake_automation.h"

namespace {

using platform::Currency;
using platform::Date;
using platform::Null;
using platform::Order;
using platform::RuntimeError;
using platform::Variant;

int ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

class Conversions : public ::testing::Test {
  protected:
    fake::FakeAutomation com;
};

TEST_F(Conversions, IntegerRoundsHalvesToEvenAndOverflowsPast16Bits) {
    EXPECT_EQ(com.ToInteger(Variant(2.5)), 2);
    EXPECT_EQ(com.ToInteger(Variant(3.5)), 4);
    EXPECT_EQ(com.ToInteger(Variant(-2.5)), -2);
    EXPECT_EQ(com.ToInteger(Variant(L" 12 ")), 12);
    EXPECT_EQ(com.ToInteger(Variant(int32_t{32767})), 32767);
    EXPECT_EQ(com.ToInteger(Variant(int32_t{-32768})), -32768);
    EXPECT_EQ(com.ToInteger(Variant(true)), -1);
    EXPECT_EQ(com.ToInteger(Variant()), 0);
    EXPECT_EQ(com.ToInteger(Variant(Currency{25000})), 2);
    EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(int32_t{32768})); }), 6);
    EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(int32_t{-32769})); }), 6);
    EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(32767.5)); }), 6);
    EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(L"40000")); }), 6);
}

TEST_F(Conversions, LongHolds32Bits) {
    EXPECT_EQ(com.ToLong(Variant(int16_t{-5})), -5);
    EXPECT_EQ(com.ToLong(Variant(40000.0)), 40000);
    EXPECT_EQ(com.ToLong(Variant(L"2147483647")), 2147483647);
    EXPECT_EQ(ErrorOf([&] { com.ToLong(Variant(2147483648.0)); }), 6);
}

TEST_F(Conversions, WhatIsNoNumberIsATypeMismatchAndNullIsInvalid) {
    for (const wchar_t* text : {L"", L"abc", L"1.2.3", L"12abc", L"   "})
        EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(text)); }), 13) << text;
    EXPECT_EQ(ErrorOf([&] { com.ToLong(Variant(platform::ErrorCode{5})); }), 13);
    EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(Null{})); }), 94);
    EXPECT_EQ(ErrorOf([&] { com.ToLong(Variant(Null{})); }), 94);
    EXPECT_EQ(ErrorOf([&] { com.ToString(Variant(Null{})); }), 94);
}

TEST_F(Conversions, TextOfEachKindOfValue) {
    EXPECT_EQ(com.ToString(Variant()), L"");
    EXPECT_EQ(com.ToString(Variant(true)), L"True");
    EXPECT_EQ(com.ToString(Variant(false)), L"False");
    EXPECT_EQ(com.ToString(Variant(int16_t{-7})), L"-7");
    EXPECT_EQ(com.ToString(Variant(int32_t{123456})), L"123456");
    EXPECT_EQ(com.ToString(Variant(2.5)), L"2.5");
    EXPECT_EQ(com.ToString(Variant(0.1)), L"0.1");
    EXPECT_EQ(com.ToString(Variant(100.0)), L"100");
    EXPECT_EQ(com.ToString(Variant(1e20)), L"1E+20");
    EXPECT_EQ(com.ToString(Variant(1.0f / 3.0f)), L"0.3333333");
    EXPECT_EQ(com.ToString(Variant(Currency{-12345})), L"-1.2345");
    EXPECT_EQ(com.ToString(Variant(Currency{20000})), L"2");
    EXPECT_EQ(com.ToString(Variant(Date{45000})), L"3/15/2023");
    EXPECT_EQ(com.ToString(Variant(Date{45000.75})), L"3/15/2023 6:00:00 PM");
    EXPECT_EQ(com.ToString(Variant(L"  kept as is ")), L"  kept as is ");
}

TEST_F(Conversions, VariantComparisons) {
    EXPECT_EQ(com.Compare(Variant(int32_t{0}), Variant(int16_t{0})), Order::Equal);
    EXPECT_EQ(com.Compare(Variant(int32_t{-1}), Variant(int16_t{0})), Order::Less);
    EXPECT_EQ(com.Compare(Variant(L"3"), Variant(int16_t{0})), Order::Greater);
    EXPECT_EQ(com.Compare(Variant(), Variant(int16_t{0})), Order::Equal);
    EXPECT_EQ(com.Compare(Variant(false), Variant(false)), Order::Equal);
    EXPECT_EQ(com.Compare(Variant(int16_t{0}), Variant(false)), Order::Equal);
    EXPECT_EQ(com.Compare(Variant(true), Variant(false)), Order::Less);  // True is -1
    EXPECT_EQ(com.Compare(Variant(Null{}), Variant(false)), Order::Null);
    EXPECT_EQ(com.Compare(Variant(L"b"), Variant(L"a")), Order::Greater);
    EXPECT_EQ(ErrorOf([&] { com.Compare(Variant(L"many"), Variant(int16_t{0})); }), 13);
}

TEST(FakeAutomation, CountsReferencesAndRecordsCalls) {
    fake::FakeAutomation com;
    auto root = com.NewObject(L"Root");
    auto child = com.NewObject(L"Root.Child");
    root->Child(L"Child", child);
    child->On(L"Twice", [](fake::Args a) {
        int16_t& n = *std::get<int16_t*>(a[0].storage());
        n = static_cast<int16_t>(n * 2);
        return Variant(n);
    });
    com.SetRunning(L"Test.Root", root);
    {
        platform::Object r = com.GetRunningObject(L"Test.Root");
        platform::Object c = platform::GetObjectMember(*r, L"Child");
        EXPECT_EQ(com.Outstanding(), 2);
        int16_t n = 21;
        std::array<platform::Arg, 2> args{platform::Arg::Ref(n), platform::Arg::Val(Variant(L"x"))};
        platform::Invoke(*c, L"Twice", args);
        EXPECT_EQ(n, 42);
        EXPECT_EQ(ErrorOf([&] { platform::Get(*c, L"Missing"); }), 438);
    }
    EXPECT_EQ(com.Outstanding(), 0);
    EXPECT_EQ(com.Trace(),
              (std::vector<std::wstring>{L"GetObject(String \"Test.Root\")", L"Root.Child",
                                         L"Root.Child.Twice(Integer& 21, String \"x\")",
                                         L"Root.Child.Missing"}));
    EXPECT_EQ(com.calls()[2].result, L"42");
    EXPECT_EQ(com.calls()[3].result, L"error 438");
    EXPECT_EQ(ErrorOf([&] { com.CreateObject(L"Test.Root"); }), 429);
}

TEST(ToObject, RejectsValuesAndNothing) {
    EXPECT_EQ(ErrorOf([] { platform::ToObject(Variant(int16_t{1})); }), 424);
    EXPECT_EQ(ErrorOf([] { platform::ToObject(Variant(platform::Object())); }), 91);
}

}  // namespace
