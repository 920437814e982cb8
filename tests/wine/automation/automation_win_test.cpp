// The Windows automation layer against an automation object of this process,
// and the conversions and number rules under the system's own code. The
// same layer against another process is what the end-to-end tests drive.
#include "platform/win32/automation_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/numbers_win.h"
#include "platform/win32/variant_win.h"

namespace {

using platform::Arg;
using platform::Decimal;
using platform::Null;
using platform::Object;
using platform::Order;
using platform::RuntimeError;
using platform::Variant;

int32_t ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

// An object whose members show what arrived and how:
//   Describe(...)       the argument types in call order, e.g. "BSTR&,I2"
//   Echo(x)             x, by value
//   Change(s&, i&, d&)  s gains "!", i doubles, d adds 0.5
//   Flags               the dispatch flags of this call
//   Fail, FailNumbered  raise, with a description and source
//   Self                a new reference to this object
// It lives on the test's stack; refs counts the references held to it.
class Probe final : public IDispatch {
  public:
    ULONG refs = 1;
    int calls = 0;  // Invoke

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                            DISPID* id) override {
        for (DISPID m = 0; m < DISPID(std::size(kMembers)); ++m) {
            if (_wcsicmp(kMembers[m], names[0]) == 0) {
                *id = m;
                return S_OK;
            }
        }
        *id = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p,
                                     VARIANT* result, EXCEPINFO* ei, UINT*) override {
        ++calls;
        const UINT n = p->cArgs;
        VARIANT* args = p->rgvarg;  // last argument first
        switch (id) {
            case kDescribe: {
                std::wstring text;
                for (UINT i = n; i-- > 0;) {
                    text += TypeText(args[i].vt & ~VT_BYREF);
                    if (args[i].vt & VT_BYREF) text += L"&";
                    if (i) text += L",";
                }
                V_VT(result) = VT_BSTR;
                V_BSTR(result) = SysAllocString(text.c_str());
                return S_OK;
            }
            case kEcho:
                return n == 1 ? VariantCopyInd(result, &args[0]) : DISP_E_BADPARAMCOUNT;
            case kChange: {
                if (n != 3) return DISP_E_BADPARAMCOUNT;
                if (args[2].vt != (VT_BYREF | VT_BSTR) || args[1].vt != (VT_BYREF | VT_I2) ||
                    args[0].vt != (VT_BYREF | VT_R8))
                    return DISP_E_TYPEMISMATCH;
                BSTR& s = *V_BSTRREF(&args[2]);
                const std::wstring changed = std::wstring(s, SysStringLen(s)) + L"!";
                SysFreeString(s);
                s = SysAllocString(changed.c_str());
                *V_I2REF(&args[1]) = SHORT(*V_I2REF(&args[1]) * 2);
                *V_R8REF(&args[0]) += 0.5;
                return S_OK;
            }
            case kFlags:
                V_VT(result) = VT_I4;
                V_I4(result) = flags;
                return S_OK;
            case kFail:
            case kFailNumbered:
                *ei = {};
                ei->bstrSource = SysAllocString(L"Test.Server");
                ei->bstrDescription = SysAllocString(L"The part is unknown");
                ei->scode = id == kFail ? SCODE(0x80040201)
                                        : MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 1234);
                return DISP_E_EXCEPTION;
            case kSelf:
                AddRef();
                V_VT(result) = VT_DISPATCH;
                V_DISPATCH(result) = this;
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

  private:
    enum : DISPID { kDescribe, kEcho, kChange, kFlags, kFail, kFailNumbered, kSelf };
    static constexpr const wchar_t* kMembers[] = {L"Describe", L"Echo",         L"Change", L"Flags",
                                                  L"Fail",     L"FailNumbered", L"Self"};
    static std::wstring TypeText(VARTYPE vt) {
        for (const auto& [type, name] : kTypeNames)
            if (vt == type) return name;
        return std::to_wstring(vt);
    }
    static constexpr std::pair<VARTYPE, const wchar_t*> kTypeNames[] = {
        {VT_BSTR, L"BSTR"}, {VT_I2, L"I2"}, {VT_I4, L"I4"}, {VT_R8, L"R8"}};
};

class AutomationWin : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    static void TearDownTestSuite() { CoUninitialize(); }
    void TearDown() override {
        root_.reset();
        EXPECT_EQ(probe_.refs, 1u) << "references left on the object";
    }

    Object Wrap() {
        return std::make_unique<win32::DispatchWin>(win32::ComPtr<IDispatch>(&probe_));
    }

    Probe probe_;
    Object root_ = Wrap();
    win32::AutomationWin com_;
};

TEST_F(AutomationWin, ArgumentsArriveWithTheirTypesInCallOrderAndReferencesComeBackChanged) {
    std::wstring s = L"part";
    int16_t i = 21;
    double d = 2.5;
    std::array<Arg, 3> refs{Arg::Ref(s), Arg::Ref(i), Arg::Ref(d)};
    EXPECT_EQ(com_.ToString(platform::Invoke(*root_, L"Describe", refs)), L"BSTR&,I2&,R8&");
    std::array<Arg, 4> values{Arg::Val(Variant(L"x")), Arg::Val(Variant(int16_t{1})),
                              Arg::Val(Variant(int32_t{0})), Arg::Val(Variant(2.5))};
    EXPECT_EQ(com_.ToString(platform::Invoke(*root_, L"Describe", values)), L"BSTR,I2,I4,R8");

    platform::Invoke(*root_, L"Change", refs);
    EXPECT_EQ(s, L"part!");
    EXPECT_EQ(i, 42);
    EXPECT_EQ(d, 3.0);
}

// Field names are made once and passed to thousands of calls; each result
// lands in the caller's variant, whatever it held before.
TEST_F(AutomationWin, TextMadeOnceServesEveryCallAndResultsReplaceTheVariant) {
    const auto six = com_.MakeText(L"6");
    std::array<Arg, 1> text{Arg::Val(*six)};
    Variant result(L"a longer text than any answer");
    std::vector<win32::Bstr> others;  // would take the text's memory, were it freed by a call
    for (int i = 0; i < 3; ++i) {
        platform::Invoke(*root_, L"Echo", text, result);
        ASSERT_NE(result.get<std::wstring>(), nullptr);
        EXPECT_EQ(*result.get<std::wstring>(), L"6");
        others.emplace_back(L"9");
    }
    EXPECT_EQ(six->view(), L"6");

    std::array<Arg, 2> two{Arg::Val(*six), Arg::Val(Variant(int16_t{1}))};
    platform::Invoke(*root_, L"Describe", two, result);
    platform::Invoke(*root_, L"Describe", text, result);
    ASSERT_NE(result.get<std::wstring>(), nullptr);
    EXPECT_EQ(*result.get<std::wstring>(), L"BSTR");  // nothing of "BSTR,I2" left
}

// A row's field reads: each text goes by value, whoever made it, and each
// answer is handed over before the next call; one refused ends the run.
TEST_F(AutomationWin, ARunOfCallsHandsOverEachAnswerBeforeTheNext) {
    struct Foreign final : platform::Text {
        std::wstring_view view() const override { return L"b"; }
    } b;
    const auto a = com_.MakeText(L"a"), c = com_.MakeText(L"c");
    struct Reads final : platform::CallRun {
        std::array<const platform::Text*, 3> texts;
        std::array<Variant, 3> answers;
        std::wstring seen;
        size_t refuse = 3;
        size_t size() const override { return texts.size(); }
        const platform::Text& Argument(size_t i) const override { return *texts[i]; }
        Variant& Answer(size_t i) override { return answers[i]; }
        void Answered(size_t i) override {
            seen += *answers[i].get<std::wstring>();
            if (i == refuse) throw RuntimeError(platform::err::kTypeMismatch);
        }
    } reads;
    reads.texts = {a.get(), &b, c.get()};
    root_->CallEach(L"Echo", platform::CallKind::Method, reads);
    EXPECT_EQ(reads.seen, L"abc");
    EXPECT_EQ(probe_.calls, 3);

    reads.seen.clear();
    reads.refuse = 1;
    EXPECT_EQ(ErrorOf([&] { root_->CallEach(L"Echo", platform::CallKind::Method, reads); }), 13);
    EXPECT_EQ(reads.seen, L"ab");
    EXPECT_EQ(probe_.calls, 5);
}

TEST_F(AutomationWin, PropertyReadsAndMethodCallsUseTheirDispatchFlags) {
    EXPECT_EQ(com_.ToLong(platform::Get(*root_, L"Flags")), DISPATCH_PROPERTYGET);
    EXPECT_EQ(com_.ToLong(platform::Invoke(*root_, L"Flags")),
              DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}

TEST_F(AutomationWin, FailuresRaiseTheirNumberDescriptionAndSource) {
    try {
        platform::Invoke(*root_, L"Fail");
        ADD_FAILURE() << "Fail must raise";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), static_cast<int32_t>(0x80040201));
        EXPECT_EQ(e.description(), L"The part is unknown");
        EXPECT_EQ(e.source(), L"Test.Server");
    }
    EXPECT_EQ(ErrorOf([&] { platform::Invoke(*root_, L"FailNumbered"); }), 1234);
    EXPECT_EQ(ErrorOf([&] { platform::Invoke(*root_, L"NoSuchMember"); }), 438);
    EXPECT_EQ(ErrorOf([&] { platform::Invoke(*root_, L"Change"); }), 450);
    EXPECT_EQ(ErrorOf([&] { com_.GetRunningObject(L"Skuvane.NoSuchClass"); }), 429);
    EXPECT_EQ(ErrorOf([&] { com_.CreateObject(L"Skuvane.NoSuchClass"); }), 429);
}

// Every reference a call returns has one owner, and a call that fails midway
// leaves none behind; the fixture checks the count once all are gone.
TEST_F(AutomationWin, ObjectsAreReleasedWithTheirOwners) {
    EXPECT_EQ(probe_.refs, 2u);
    {
        Object self = platform::GetObjectMember(*root_, L"Self");
        Variant held = platform::Invoke(*self, L"Self");
        ASSERT_NE(held.get<Object>(), nullptr);
        EXPECT_EQ(probe_.refs, 4u);
        platform::Invoke(*root_, L"Flags", {}, held);  // a result replaces the object
        EXPECT_EQ(probe_.refs, 3u);
        EXPECT_EQ(ErrorOf([&] { platform::Invoke(*self, L"Fail"); }),
                  static_cast<int32_t>(0x80040201));
        EXPECT_EQ(probe_.refs, 3u);
    }
    EXPECT_EQ(probe_.refs, 2u);
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
