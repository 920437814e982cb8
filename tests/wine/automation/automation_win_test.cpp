// The Windows automation layer against a real object in another process, and
// the conversions and number rules under the system's own code.
#include "platform/win32/automation_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/numbers_win.h"
#include "platform/win32/variant_win.h"
#include "standin/client/driver_win.h"

namespace {

using platform::Arg;
using platform::Currency;
using platform::Date;
using platform::Decimal;
using platform::Null;
using platform::Object;
using platform::Order;
using platform::RuntimeError;
using platform::Variant;

const wchar_t kClsid[] = L"{5B0E7C2A-3D41-4C6B-9E1F-7A2B8C9D0E11}";
const wchar_t kProgId[] = L"Skuvane.AutomationTest";
const wchar_t kClassesKey[] = L"Skuvane.AutomationTest";

int32_t ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

std::wstring ServerPath() {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p(path, n);
    return p.substr(0, p.find_last_of(L"\\/") + 1) + L"automation_test_server.exe";
}

// The test class's ProgID in the user's classes, removed again at the end.
struct Registration {
    Registration() {
        HKEY key = nullptr;
        const std::wstring clsidKey = std::wstring(kClassesKey) + L"\\CLSID";
        RegCreateKeyExW(HKEY_CLASSES_ROOT, clsidKey.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr);
        RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(kClsid),
                       sizeof(kClsid));
        RegCloseKey(key);
    }
    ~Registration() { RegDeleteTreeW(HKEY_CLASSES_ROOT, kClassesKey); }
};

class AutomationWin : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        registration_ = new Registration;
        server_ = new driver::Process(driver::Process::Start(ServerPath(), kClsid));
        // The server is ready once its object is in the running table.
        for (int i = 0; i < 200 && !root_; ++i) {
            try {
                root_ = com_.GetRunningObject(kProgId).release();
            } catch (const RuntimeError&) {
                Sleep(50);
            }
        }
    }
    static void TearDownTestSuite() {
        delete root_;
        root_ = nullptr;
        delete server_;
        server_ = nullptr;
        delete registration_;
        registration_ = nullptr;
        CoUninitialize();
    }
    void SetUp() override { ASSERT_NE(root_, nullptr) << "the test server did not come up"; }

    int32_t Live() { return com_.ToLong(platform::Get(*root_, L"Live")); }

    static inline win32::AutomationWin com_;
    static inline platform::Dispatch* root_ = nullptr;
    static inline driver::Process* server_ = nullptr;
    static inline Registration* registration_ = nullptr;
};

TEST_F(AutomationWin, ArgumentsArriveWithTheirTypesInCallOrder) {
    std::wstring s = L"x";
    int16_t i = 1;
    double d = 3;
    std::array<Arg, 3> refs{Arg::Ref(s), Arg::Ref(i), Arg::Ref(d)};
    EXPECT_EQ(com_.ToString(platform::Invoke(*root_, L"Describe", refs)), L"BSTR&,I2&,R8&");
    std::array<Arg, 4> values{Arg::Val(Variant(L"x")), Arg::Val(Variant(int16_t{1})),
                              Arg::Val(Variant(int32_t{0})), Arg::Val(Variant(2.5))};
    EXPECT_EQ(com_.ToString(platform::Invoke(*root_, L"Describe", values)), L"BSTR,I2,I4,R8");
}

// Field names are made once and passed to thousands of calls; each result
// lands in the caller's variant, whatever it held before.
TEST_F(AutomationWin, TextMadeOnceServesEveryCallAndResultsReplaceTheVariant) {
    const auto six = com_.MakeText(L"6");
    std::array<Arg, 1> text{Arg::Val(*six)};
    Variant result(L"a longer text than any answer");
    std::vector<win32::Bstr> others;  // would take the text's memory, were it freed by a call
    for (int i = 0; i < 3; ++i) {
        platform::Invoke(*root_, L"Make", text, result);
        ASSERT_NE(result.get<int32_t>(), nullptr);
        EXPECT_EQ(*result.get<int32_t>(), 40000);  // "6" arrived whole
        others.emplace_back(L"9");
    }
    EXPECT_EQ(six->view(), L"6");

    std::array<Arg, 2> two{Arg::Val(*six), Arg::Val(Variant(int16_t{1}))};
    platform::Invoke(*root_, L"Describe", two, result);
    platform::Invoke(*root_, L"Describe", text, result);
    ASSERT_NE(result.get<std::wstring>(), nullptr);
    EXPECT_EQ(*result.get<std::wstring>(), L"BSTR");  // by value, and nothing of "BSTR,I2" left
}

TEST_F(AutomationWin, ByReferenceArgumentsComeBackChanged) {
    std::wstring s = L"part";
    int16_t i = 21;
    double d = 2.5;
    std::array<Arg, 3> args{Arg::Ref(s), Arg::Ref(i), Arg::Ref(d)};
    platform::Invoke(*root_, L"Change", args);
    EXPECT_EQ(s, L"part!");
    EXPECT_EQ(i, 42);
    EXPECT_EQ(d, 3.0);
}

TEST_F(AutomationWin, PropertyReadsAndMethodCallsUseTheirDispatchFlags) {
    EXPECT_EQ(com_.ToLong(platform::Get(*root_, L"Flags")), DISPATCH_PROPERTYGET);
    EXPECT_EQ(com_.ToLong(platform::Invoke(*root_, L"Flags")),
              DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}

TEST_F(AutomationWin, RaisedErrorsKeepNumberDescriptionAndSource) {
    try {
        platform::Invoke(*root_, L"Fail");
        ADD_FAILURE() << "Fail must raise";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), static_cast<int32_t>(0x80040201));
        EXPECT_EQ(e.description(), L"The part is unknown");
        EXPECT_EQ(e.source(), L"Test.Server");
    }
    EXPECT_EQ(ErrorOf([] { platform::Invoke(*root_, L"FailNumbered"); }), 1234);
    EXPECT_EQ(ErrorOf([] { platform::Invoke(*root_, L"NoSuchMember"); }), 438);
    EXPECT_EQ(ErrorOf([] { platform::Invoke(*root_, L"Change"); }), 450);
}

TEST_F(AutomationWin, ClassesThatCannotBeReachedRaise429) {
    EXPECT_EQ(ErrorOf([] { com_.GetRunningObject(L"Skuvane.NoSuchClass"); }), 429);
    EXPECT_EQ(ErrorOf([] { com_.CreateObject(L"Skuvane.NoSuchClass"); }), 429);
    // Known by name but with no server to start.
    EXPECT_EQ(ErrorOf([] { com_.CreateObject(kProgId); }), 429);
}

TEST_F(AutomationWin, ReturnedValuesBecomePlatformValues) {
    auto make = [](int32_t kind) {
        std::array<Arg, 1> a{Arg::Val(Variant(kind))};
        return platform::Invoke(*root_, L"Make", a);
    };
    EXPECT_EQ(*make(1).get<std::wstring>(), L"text");
    EXPECT_EQ(*make(2).get<bool>(), true);
    EXPECT_EQ(*make(3).get<Date>(), Date{45000.75});
    EXPECT_EQ(*make(4).get<double>(), 2.5);
    EXPECT_TRUE(make(5).IsNull());
    EXPECT_EQ(*make(6).get<int32_t>(), 40000);
    EXPECT_EQ(*make(8).get<Currency>(), Currency{12345});
    // Decimals and integers wider than a Long are kept exact.
    EXPECT_EQ(*make(9).get<Decimal>(), (Decimal{2, true, 0, 125}));
    EXPECT_EQ(*make(10).get<int16_t>(), 200);
    EXPECT_TRUE(make(11).IsEmpty());
    EXPECT_EQ(*make(12).get<Decimal>(), (Decimal{0, false, 0, 5000000000}));
    EXPECT_EQ(ErrorOf([&] { make(99); }), static_cast<int32_t>(DISP_E_BADINDEX));
}

TEST_F(AutomationWin, ObjectsAreReleasedWithTheirOwners) {
    EXPECT_EQ(Live(), 0);
    {
        Object child = platform::GetObjectMember(*root_, L"Child");
        std::array<Arg, 1> a{Arg::Val(Variant(int32_t{7}))};
        Variant made = platform::Invoke(*root_, L"Make", a);
        ASSERT_NE(made.get<Object>(), nullptr);
        Object grandchild = platform::GetObjectMember(*child, L"Child");
        EXPECT_EQ(Live(), 3);
        // A call that fails midway leaves nothing behind either.
        EXPECT_EQ(ErrorOf([&] { platform::Invoke(*grandchild, L"Fail"); }),
                  static_cast<int32_t>(0x80040201));
    }
    EXPECT_EQ(Live(), 0);
}

TEST_F(AutomationWin, ZzServerEndsWithNoReferenceLeft) {
    EXPECT_EQ(Live(), 0);
    platform::Invoke(*root_, L"Quit");
    delete root_;
    root_ = nullptr;
    const auto code = server_->WaitExit(10000);
    ASSERT_TRUE(code.has_value()) << "the server did not end";
    EXPECT_EQ(*code, 0u) << "references left on the server";
}

class Conversions : public ::testing::Test {
  protected:
    win32::AutomationWin com;
};

TEST_F(Conversions, NumbersOverflowAndRejectText) {
    EXPECT_EQ(com.ToInteger(Variant(int32_t{32767})), 32767);
    EXPECT_EQ(com.ToInteger(Variant(2.5)), 2);
    EXPECT_EQ(com.ToInteger(Variant(3.5)), 4);
    EXPECT_EQ(com.ToInteger(Variant(L"12")), 12);
    EXPECT_EQ(com.ToInteger(Variant(true)), -1);
    EXPECT_EQ(com.ToInteger(Variant()), 0);
    EXPECT_EQ(com.ToLong(Variant(L"40000")), 40000);
    EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(int32_t{32768})); }), 6);
    EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(L"40000")); }), 6);
    EXPECT_EQ(ErrorOf([&] { com.ToLong(Variant(3.0e9)); }), 6);
    EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(L"abc")); }), 13);
    EXPECT_EQ(ErrorOf([&] { com.ToLong(Variant(L"")); }), 13);
    EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(Null{})); }), 94);
    EXPECT_EQ(ErrorOf([&] { com.ToLong(Variant(Null{})); }), 94);
    EXPECT_EQ(ErrorOf([&] { com.ToString(Variant(Null{})); }), 94);
    // Nothing has no value to read; an array no single one.
    EXPECT_EQ(ErrorOf([&] { com.ToString(Variant(Object())); }), 91);
    EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(Object())); }), 91);
    EXPECT_EQ(ErrorOf([&] { com.ToLong(Variant(platform::Array{})); }), 13);
    EXPECT_EQ(ErrorOf([&] { com.ToInteger(Variant(Decimal{0, false, 0, 5000000000})); }), 6);
}

TEST_F(Conversions, TextOfValues) {
    EXPECT_EQ(com.ToString(Variant()), L"");
    EXPECT_EQ(com.ToString(Variant(true)), L"True");
    EXPECT_EQ(com.ToString(Variant(false)), L"False");
    EXPECT_EQ(com.ToString(Variant(int16_t{-7})), L"-7");
    EXPECT_EQ(com.ToString(Variant(2.5)), L"2.5");
    EXPECT_EQ(com.ToString(Variant(0.1)), L"0.1");
    EXPECT_EQ(com.ToString(Variant(Currency{-12345})), L"-1.2345");
    EXPECT_EQ(com.ToString(Variant(Date{45000})), L"3/15/2023");
    EXPECT_EQ(com.ToString(Variant(Date{45000.75})), L"3/15/2023 6:00:00 PM");
    EXPECT_EQ(com.ToString(Variant(Decimal{2, true, 0, 125})), L"-1.25");
    EXPECT_EQ(com.ToString(Variant(platform::ErrorCode{int32_t(0x800A07FA)})), L"Error 2042");
}

TEST_F(Conversions, ComparisonsWithConstants) {
    EXPECT_EQ(com.Compare(Variant(int32_t{0}), Variant(int16_t{0})), Order::Equal);
    EXPECT_EQ(com.Compare(Variant(int32_t{-3}), Variant(int16_t{0})), Order::Less);
    EXPECT_EQ(com.Compare(Variant(L"2"), Variant(int16_t{0})), Order::Greater);
    EXPECT_EQ(com.Compare(Variant(false), Variant(false)), Order::Equal);
    EXPECT_EQ(com.Compare(Variant(int16_t{0}), Variant(false)), Order::Equal);
    EXPECT_EQ(com.Compare(Variant(true), Variant(false)), Order::Less);
    EXPECT_EQ(com.Compare(Variant(Null{}), Variant(false)), Order::Null);
    EXPECT_EQ(com.Compare(Variant(), Variant(int16_t{0})), Order::Equal);
    EXPECT_EQ(ErrorOf([&] { com.Compare(Variant(L"many"), Variant(int16_t{0})); }), 13);
}

TEST(NumberRulesWin, TypedNumbers) {
    win32::NumberRulesWin numbers;
    EXPECT_TRUE(numbers.IsNumeric(L"2.5"));
    EXPECT_TRUE(numbers.IsNumeric(L" 12 "));
    EXPECT_FALSE(numbers.IsNumeric(L""));
    EXPECT_FALSE(numbers.IsNumeric(L"two"));
    EXPECT_EQ(numbers.ToDouble(L"2.25"), 2.25);
    int16_t out = 0;
    EXPECT_TRUE(numbers.ToInteger(L"2.5", out));
    EXPECT_EQ(out, 2);
    EXPECT_TRUE(numbers.ToInteger(L"3.5", out));
    EXPECT_EQ(out, 4);
    EXPECT_TRUE(numbers.ToInteger(L"-32768", out));
    EXPECT_EQ(out, -32768);
    out = 5;
    EXPECT_FALSE(numbers.ToInteger(L"32768", out));
    EXPECT_FALSE(numbers.ToInteger(L"1e10", out));
}

}  // namespace
