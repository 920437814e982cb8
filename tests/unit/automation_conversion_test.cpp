// The automation conversions and comparisons as the program relies on them,
// and the recording fake's bookkeeping that other tests lean on.
#include <gtest/gtest.h>

#include "tests/fakes/fake_automation.h"

namespace {

using platform::Null;
using platform::Order;
using platform::Variant;

int ErrorOf(const std::function<void()>& f) { return fake::Raised(f).number(); }

using fake::L;
using fake::Value;

class Conversions : public ::testing::Test {
  protected:
    fake::FakeAutomation com;
};

TEST_F(Conversions, IntegerRoundsHalvesToEvenAndRaisesOverflowMismatchOrNull) {
    const struct {
        Value in;
        int16_t out;
        int error;  // 0: converts to `out`
    } cases[] = {{2.5, 2, 0},       {3.5, 4, 0},          {-2.5, -2, 0},
                 {L" 12 ", 12, 0},  {L(32767), 32767, 0}, {L(-32768), -32768, 0},
                 {true, -1, 0},     {Value(), 0, 0},      {L(32768), 0, 6},
                 {L(-32769), 0, 6}, {32767.5, 0, 6},      {L"40000", 0, 6},
                 {L"", 0, 13},      {L"abc", 0, 13},      {L"1.2.3", 0, 13},
                 {L"12abc", 0, 13}, {L"   ", 0, 13},      {Null{}, 0, 94}};
    for (const auto& c : cases) {
        SCOPED_TRACE(fake::Describe(c.in.ToVariant()));
        int16_t out = 0;
        EXPECT_EQ(ErrorOf([&] { out = com.ToInteger(c.in.ToVariant()); }), c.error);
        EXPECT_EQ(out, c.out);
    }
}

TEST_F(Conversions, LongHolds32Bits) {
    EXPECT_EQ(com.ToLong(Variant(int16_t{-5})), -5);
    EXPECT_EQ(com.ToLong(Variant(L"2147483647")), 2147483647);
    EXPECT_EQ(ErrorOf([&] { com.ToLong(Variant(2147483648.0)); }), 6);
    EXPECT_EQ(ErrorOf([&] { com.ToLong(Variant(platform::ErrorCode{5})); }), 13);
    EXPECT_EQ(ErrorOf([&] { com.ToLong(Variant(Null{})); }), 94);
}

TEST_F(Conversions, TextOfEachKindOfValue) {
    const struct {
        Value in;
        const wchar_t* text;
    } cases[] = {{Value(), L""},         {true, L"True"},
                 {false, L"False"},      {fake::I(-7), L"-7"},
                 {L(123456), L"123456"}, {2.5, L"2.5"},
                 {0.1, L"0.1"},          {100.0, L"100"},
                 {1e20, L"1E+20"},       {L"  kept as is ", L"  kept as is "}};
    for (const auto& c : cases) EXPECT_EQ(com.ToString(c.in.ToVariant()), c.text) << c.text;
    EXPECT_EQ(com.ToString(Variant(1.0f / 3.0f)), L"0.3333333");
    EXPECT_EQ(ErrorOf([&] { com.ToString(Variant(Null{})); }), 94);
}

TEST_F(Conversions, VariantComparisons) {
    const struct {
        Value a, b;
        Order order;
    } cases[] = {{L(0), fake::I(0), Order::Equal},   {L(-1), fake::I(0), Order::Less},
                 {L"3", fake::I(0), Order::Greater}, {Value(), fake::I(0), Order::Equal},
                 {false, false, Order::Equal},       {fake::I(0), false, Order::Equal},
                 {true, false, Order::Less},  // True is -1
                 {Null{}, false, Order::Null},       {L"b", L"a", Order::Greater}};
    for (const auto& c : cases)
        EXPECT_EQ(com.Compare(c.a.ToVariant(), c.b.ToVariant()), c.order)
            << fake::Describe(c.a.ToVariant()) << " against " << fake::Describe(c.b.ToVariant());
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
