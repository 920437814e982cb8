#include "platform/win32/automation_win.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cwchar>
#include <typeinfo>

#include "platform/win32/busy_win.h"
#include "platform/win32/variant_win.h"

namespace win32 {

using platform::Arg;
using platform::CallKind;
using platform::Order;
using platform::RuntimeError;
using platform::Variant;
namespace err = platform::err;

namespace {

constexpr size_t kMaxArgs = 8;

// The failures of a call that the platform reports as its own run-time errors.
struct HresultError {
    HRESULT hr;
    const platform::ErrorKind* error;
};
constexpr HresultError kHresultErrors[] = {
    {DISP_E_MEMBERNOTFOUND, &err::kNoSuchMember},
    {DISP_E_UNKNOWNNAME, &err::kNoSuchMember},
    {DISP_E_BADPARAMCOUNT, &err::kWrongArguments},
    {DISP_E_PARAMNOTOPTIONAL, &err::kArgumentNotOptional},
    {DISP_E_TYPEMISMATCH, &err::kTypeMismatch},
    {DISP_E_OVERFLOW, &err::kOverflow},
    {E_OUTOFMEMORY, &err::kOutOfMemory},
};

std::wstring SystemText(HRESULT hr) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out(text ? text : L"", n);
    LocalFree(text);
    while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' '))
        out.pop_back();
    return out;
}

// A call that a busy server turned away was never carried out: it is made
// again until the server takes it, or the user gives up on it.
template <class Call>
HRESULT Patiently(IDispatch* server, Call call) {
    HRESULT hr = call();
    if (!TurnedAway(hr)) return hr;
    for (BusyWait wait(server); TurnedAway(hr) && wait.Again();) hr = call();
    return hr;
}

[[noreturn]] void CannotCreate() { throw RuntimeError(err::kCannotCreateObject); }

// A failed conversion of a value; a type it cannot take is a mismatch too.
[[noreturn]] void RaiseConversion(HRESULT hr) {
    RaiseHresult(hr == DISP_E_BADVARTYPE ? DISP_E_TYPEMISMATCH : hr);
}

[[noreturn]] void RaiseNull() { throw RuntimeError(err::kInvalidUseOfNull); }

// Values that no conversion takes, with the error the runtime raises for
// each: Null; Nothing, as converting an object reads its default value and
// Nothing has none to read (not a type mismatch: the reference is not set);
// an array, which has no single value.
void RaiseIfNoValue(const Variant& v) {
    if (v.IsNull()) RaiseNull();
    if (const platform::Object* o = v.get<platform::Object>(); o && !*o)
        throw RuntimeError(err::kObjectNotSet);
    if (v.get<platform::Array>()) throw RuntimeError(err::kTypeMismatch);
}

// The error a member raised, from the EXCEPINFO it filled in.
[[noreturn]] void RaiseException(EXCEPINFO& ei) {
    if (ei.pfnDeferredFillIn) ei.pfnDeferredFillIn(&ei);
    Bstr source, description, help;
    *source.out() = ei.bstrSource;
    *description.out() = ei.bstrDescription;
    *help.out() = ei.bstrHelpFile;
    const HRESULT scode = ei.scode;
    int32_t number = scode != 0 ? static_cast<int32_t>(scode) : ei.wCode;
    // Errors numbered by an automation component come back as plain numbers.
    if (scode != 0 && HRESULT_FACILITY(scode) == FACILITY_CONTROL) number = HRESULT_CODE(scode);
    std::wstring text = description.str();
    if (text.empty()) {
        try {
            RaiseHresult(scode != 0 ? scode : E_FAIL);
        } catch (const RuntimeError& e) {
            text = e.description();
        }
    }
    throw RuntimeError(number, std::move(text), source.str());
}

// Text kept as a BSTR, handed to calls as it is.
class TextWin final : public platform::Text {
  public:
    explicit TextWin(std::wstring_view text) : b_(text) {}
    std::wstring_view view() const override { return {b_.get(), SysStringLen(b_.get())}; }
    BSTR bstr() const { return b_.get(); }

  private:
    Bstr b_;
};

// Texts are made here: the type check costs less than a cast's search.
const TextWin* AsTextWin(const platform::Text& t) {
    return typeid(t) == typeid(TextWin) ? static_cast<const TextWin*>(&t) : nullptr;
}

// A text into `out`, its storage reused: a copy here costs less than a call
// into the runtime for the few characters a field mostly has.
void PutText(const wchar_t* first, const wchar_t* last, std::wstring& out) {
    out.resize(static_cast<size_t>(last - first));
    std::copy(first, last, out.data());
}

void BstrText(BSTR b, std::wstring& out) { PutText(b, b + SysStringLen(b), out); }

// The arguments of one call as Invoke takes them (in reverse order), with
// the storage that by-reference arguments point at. Everything allocated
// here is freed by the destructor, whatever happens to the call. Each kind
// of argument has its own Put and Back, chosen by its type.
class ArgPack {
  public:
    // Only the slots in use are set up, and only what the destructor reads:
    // clearing whole VARIANTs would cost more than the rest of a short call.
    explicit ArgPack(std::span<Arg> args) noexcept : args_(args) {
        for (size_t i = 0; i < args_.size(); ++i) {
            rg_[i].vt = VT_EMPTY;
            slots_[i].borrowed = false;
            slots_[i].bstr = nullptr;
        }
    }
    ~ArgPack() {
        for (size_t i = 0; i < args_.size(); ++i) {
            Slot& s = slots_[i];
            // A by-reference argument points at a slot; a TextWin's BSTR is its own.
            if (!s.borrowed && !(rg_[i].vt & VT_BYREF)) VariantClear(&rg_[i]);
            if (s.bstr) SysFreeString(s.bstr);
        }
    }
    ArgPack(const ArgPack&) = delete;
    ArgPack& operator=(const ArgPack&) = delete;

    void Fill() {
        const size_t n = args_.size();
        for (size_t i = 0; i < n; ++i) {
            VARIANT& v = rg_[n - 1 - i];
            Slot& s = slots_[n - 1 - i];
            std::visit([&](const auto& a) { Put(a, v, s); }, args_[i].storage());
        }
    }

    // The callee may have changed what the references point at.
    void CopyBack() {
        if (std::none_of(args_.begin(), args_.end(), [](const Arg& a) { return a.byRef(); }))
            return;
        const size_t n = args_.size();
        for (size_t i = 0; i < n; ++i) {
            const Slot& s = slots_[n - 1 - i];
            std::visit([&](const auto& a) { Back(a, s); }, args_[i].storage());
        }
    }

    VARIANT* rg() { return rg_; }

  private:
    struct Slot {
        bool borrowed;  // the argument's BSTR belongs to a TextWin
        BSTR bstr;
        SHORT i2;
        DOUBLE r8;
    };

  public:
    // A kind without its own Put or Back fails to compile rather than
    // converting to another (a pointer would pass as a Boolean Variant).
    template <class T>
    static void Put(const T&, VARIANT&, Slot&) = delete;
    template <class T>
    static void Back(const T&, const Slot&) = delete;

  private:
    static void Put(const Variant& a, VARIANT& v, Slot&) { ToComVariant(a, v); }
    static void Put(const platform::Text* a, VARIANT& v, Slot& s) {
        v.vt = VT_BSTR;
        if (const TextWin* t = AsTextWin(*a)) {
            v.bstrVal = t->bstr();
            s.borrowed = true;
            return;
        }
        const std::wstring_view view = a->view();
        v.bstrVal = SysAllocStringLen(view.data(), static_cast<UINT>(view.size()));
        if (!v.bstrVal) throw std::bad_alloc();
    }
    static void Put(std::wstring* a, VARIANT& v, Slot& s) {
        s.bstr = SysAllocStringLen(a->data(), static_cast<UINT>(a->size()));
        if (!s.bstr) throw std::bad_alloc();
        v.vt = VT_BYREF | VT_BSTR;
        v.pbstrVal = &s.bstr;
    }
    static void Put(int16_t* a, VARIANT& v, Slot& s) {
        s.i2 = *a;
        v.vt = VT_BYREF | VT_I2;
        v.piVal = &s.i2;
    }
    static void Put(double* a, VARIANT& v, Slot& s) {
        s.r8 = *a;
        v.vt = VT_BYREF | VT_R8;
        v.pdblVal = &s.r8;
    }

    // Values passed by value come back as they went.
    static void Back(const Variant&, const Slot&) {}
    static void Back(const platform::Text*, const Slot&) {}
    static void Back(std::wstring* a, const Slot& s) { BstrText(s.bstr, *a); }
    static void Back(int16_t* a, const Slot& s) { *a = s.i2; }
    static void Back(double* a, const Slot& s) { *a = s.r8; }

    std::span<Arg> args_;
    VARIANT rg_[kMaxArgs];
    Slot slots_[kMaxArgs];
};

// `units` in steps of a `places`-th power of ten as text: the decimals'
// trailing zeros dropped, the separator only before decimals, a sign only
// on a value that is not zero ("-0" reads "0"). Written from the last digit
// back, so that no length is worked out first.
void DecimalText(uint64_t units, int places, bool negative, wchar_t separator, std::wstring& out) {
    while (places > 0 && units % 10 == 0) units /= 10, --places;
    const bool sign = negative && units != 0;
    wchar_t text[32];  // 20 digits at most, a separator and a sign
    wchar_t* const end = text + std::size(text);
    wchar_t* p = end;
    for (int i = 0; i < places; ++i, units /= 10) *--p = static_cast<wchar_t>(L'0' + units % 10);
    if (places > 0) *--p = separator;
    do *--p = static_cast<wchar_t>(L'0' + units % 10);
    while ((units /= 10) != 0);
    if (sign) *--p = L'-';
    PutText(p, end, out);
}

// The text in [first, last) as wide text, the point written as `separator`.
void Widen(const char* first, const char* last, wchar_t separator, std::wstring& out) {
    out.resize(static_cast<size_t>(last - first));
    std::transform(first, last, out.begin(),
                   [separator](char c) { return c == '.' ? separator : wchar_t(c); });
}

// A double's shortest digits, when there are 15 or fewer, are the digits of
// its "%.15G" too: the value lies within a tenth of a 15-digit step of them.
// Lays them out in plain form; false for more digits or for an exponent
// that "%.15G" writes.
bool ShortDoubleText(double d, wchar_t separator, std::wstring& out) {
    char sci[32];
    const auto [last, ec] = std::to_chars(sci, sci + sizeof sci, d, std::chars_format::scientific);
    if (ec != std::errc()) return false;
    const char* p = sci + (sci[0] == '-' ? 1 : 0);  // "d[.ddd]e+xx"
    char digits[24];
    int n = 0;
    for (; p != last && *p != 'e'; ++p) {
        if (*p != '.' && n < 24) digits[n++] = *p;
    }
    if (p == last || n > 15) return false;
    const int sign = p[1] == '-' ? -1 : 1;
    int exponent = 0;
    std::from_chars(p + 2, last, exponent);
    exponent *= sign;
    if (exponent < -4 || exponent >= 15) return false;

    char text[40];
    char* t = text;
    if (sci[0] == '-' && d != 0) *t++ = '-';  // "-0" reads "0"
    if (exponent < 0) {
        *t++ = '0';
        *t++ = '.';
        for (int z = -1; z > exponent; --z) *t++ = '0';
        for (int i = 0; i < n; ++i) *t++ = digits[i];
    } else {
        for (int i = 0; i <= exponent; ++i) *t++ = i < n ? digits[i] : '0';
        if (n > exponent + 1) {
            *t++ = '.';
            for (int i = exponent + 1; i < n; ++i) *t++ = digits[i];
        }
    }
    Widen(text, t, separator, out);
    return true;
}

// A double that is a whole number of ten-thousandths, within a rounding of
// its product by a power of ten, as quantities, factors and prices mostly
// are. Such a product has at most 15 digits and lies far closer to the
// double than half a 15th digit, so it holds exactly the digits "%.15G"
// writes, and the value (at least 0.0001) needs no exponent.
bool ScaledDoubleText(double d, wchar_t separator, std::wstring& out) {
    static constexpr double kScale[] = {1, 10, 100, 1000, 10000};
    const double magnitude = std::fabs(d);
    for (int places = 0; places < 5; ++places) {
        const double scaled = magnitude * kScale[places];
        if (!(scaled < 1e15)) return false;
        const auto whole = static_cast<uint64_t>(scaled);  // a whole number comes back unchanged
        if (static_cast<double>(whole) != scaled) continue;
        DecimalText(whole, places, d < 0, separator, out);
        return true;
    }
    return false;
}

// The platform's text of a double is printf's "%.15G", with the locale's
// decimal separator in place of the point, and "-0" read as "0". Wine builds
// a C locale on every such call (about 3 us, a dozen times a product row),
// so where that text is plain digits it is written here. Exponents and
// values halfway between two 15-digit texts (whose rounding differs between
// runtimes) are left to the platform. Zeros, "-0" among them, have one
// digit and take the short way.
bool PlainDoubleText(double d, wchar_t separator, std::wstring& out) {
    if (!std::isfinite(d)) return false;
    if (ScaledDoubleText(d, separator, out) || ShortDoubleText(d, separator, out)) return true;
    char digits[40];
    const auto [last, failed] =
        std::to_chars(digits, digits + sizeof digits, d, std::chars_format::scientific, 16);
    if (failed != std::errc()) return false;
    const char* first = digits + (digits[0] == '-' ? 1 : 0);  // "d.dddddddddddddddde+xx"
    if (last - first < 18 || (first[16] == '5' && first[17] == '0')) return false;
    char buf[32];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
    if (ec != std::errc() || std::find(buf, end, 'e') != end) return false;
    Widen(buf, end, separator, out);
    return true;
}

// Currency reads as its exact decimal, trailing zeros of the four decimals
// dropped, with the locale's decimal separator; written here, as it costs
// the platform a quarter of a microsecond and a product row has a dozen.
void CurrencyText(int64_t scaled, wchar_t separator, std::wstring& out) {
    const uint64_t bits = static_cast<uint64_t>(scaled);
    // Whole for the most negative too.
    DecimalText(scaled < 0 ? 0 - bits : bits, 4, scaled < 0, separator, out);
}

// The user's decimal separator, or 0 when it is not one character (such
// numbers are left to the platform). Read again at most once a second: a
// product row writes dozens of numbers, and the setting seldom changes.
wchar_t DecimalSeparator() {
    static wchar_t separator = 0;
    static ULONGLONG readAt = 0;
    static bool read = false;
    const ULONGLONG now = GetTickCount64();
    if (!read || now - readAt >= 1000) {
        wchar_t sep[4];
        separator = GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep, 4) == 2 ? sep[0] : 0;
        read = true;
        readAt = now;
    }
    return separator;
}

// Integers read as their plain digits under every locale.
void IntegerText(int32_t i, std::wstring& out) {
    const uint32_t bits = static_cast<uint32_t>(i);
    DecimalText(i < 0 ? 0 - bits : bits, 0, i < 0, L'.', out);
}

// The runtime writes an error value as "Error" and its number; an error it
// numbered itself (a control-facility code, as its own error values carry)
// by that number, any other by the whole code.
void ErrorValueText(int32_t scode, std::wstring& out) {
    out = L"Error ";
    std::wstring number;
    IntegerText(HRESULT_FACILITY(scode) == FACILITY_CONTROL ? HRESULT_CODE(scode) : scode, number);
    out += number;
}

}  // namespace

void RaiseHresult(HRESULT hr) {
    for (const auto& [failure, error] : kHresultErrors) {
        if (hr == failure) throw RuntimeError(*error);
    }
    if (HRESULT_FACILITY(hr) == FACILITY_CONTROL)
        throw RuntimeError(HRESULT_CODE(hr), err::kObjectDefinedText);
    // Any other failure is the system's: named by its own text.
    std::wstring text = err::kAutomationErrorText;
    if (const std::wstring system = SystemText(hr); !system.empty()) text += L"\n" + system;
    throw RuntimeError(static_cast<int32_t>(hr), std::move(text));
}

DISPID DispatchWin::Id(const wchar_t* member) {
    // Names never change: the same name mostly comes back at the same address.
    if (lastName_ && (member == lastName_ || std::wcscmp(member, lastName_) == 0)) return lastId_;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR name = const_cast<LPOLESTR>(member);
    const HRESULT hr = Patiently(
        p_.Get(), [&] { return p_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id); });
    if (FAILED(hr)) RaiseHresult(hr == DISP_E_UNKNOWNNAME ? DISP_E_MEMBERNOTFOUND : hr);
    lastName_ = member;
    lastId_ = id;
    return id;
}

void DispatchWin::Invoke(DISPID id, CallKind kind, DISPPARAMS& params, ComVariant& result) {
    result.reset();
    EXCEPINFO ei = {};
    UINT argError = 0;
    const WORD flags = kind == CallKind::PropertyGet
                           ? DISPATCH_PROPERTYGET
                           : static_cast<WORD>(DISPATCH_METHOD | DISPATCH_PROPERTYGET);
    const HRESULT hr = Patiently(p_.Get(), [&] {
        return p_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result.get(), &ei,
                          &argError);
    });
    if (hr == DISP_E_EXCEPTION) RaiseException(ei);
    if (FAILED(hr)) RaiseHresult(hr);
}

void DispatchWin::Call(const wchar_t* member, CallKind kind, std::span<Arg> args, Variant& out) {
    if (args.size() > kMaxArgs) RaiseHresult(DISP_E_BADPARAMCOUNT);
    const DISPID id = Id(member);
    ArgPack pack(args);
    pack.Fill();
    DISPPARAMS params = {pack.rg(), nullptr, static_cast<UINT>(args.size()), 0};
    ComVariant result;
    Invoke(id, kind, params, result);
    pack.CopyBack();
    FromComVariant(*result.get(), out);
}

namespace {
// The text of an answer of the kinds a product row mostly holds, written
// from the VARIANT as ToString writes it; false for any other, which takes
// ToString's own way.
bool WriteText(const VARIANT& v, std::wstring& out) {
    switch (v.vt) {
        case VT_BSTR:
            BstrText(v.bstrVal, out);
            return true;
        case VT_EMPTY:
            out.clear();
            return true;
        case VT_I2:
            IntegerText(v.iVal, out);
            return true;
        case VT_I4:
            IntegerText(v.lVal, out);
            return true;
        case VT_R8: {
            const wchar_t separator = DecimalSeparator();
            return separator && PlainDoubleText(v.dblVal, separator, out);
        }
        case VT_CY: {
            const wchar_t separator = DecimalSeparator();
            if (separator) CurrencyText(v.cyVal.int64, separator, out);
            return separator != 0;
        }
        default:
            return false;
    }
}
}  // namespace

// The same calls as Call's, with what stays the same from one to the next
// (the member's id, the argument list, the answer's VARIANT) set up once.
// Each answer is freed as the next call is made, so that the server's next
// one takes the same memory.
void DispatchWin::CallEach(const wchar_t* member, CallKind kind, platform::CallRun& run) {
    const size_t calls = run.size();
    if (calls == 0) return;
    const DISPID id = Id(member);
    VARIANT arg;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    Bstr copy;  // only for a text not made here
    ComVariant answer;
    for (size_t i = 0; i < calls; ++i) {
        const platform::Text& text = run.Argument(i);
        const TextWin* own = AsTextWin(text);
        if (!own) copy = Bstr(text.view());
        arg.vt = VT_BSTR;  // each call anew: a callee may have changed it
        arg.bstrVal = own ? own->bstr() : copy.get();
        Invoke(id, kind, params, answer);
        std::wstring* slot = run.TextSlot(i);
        const bool asText = slot && WriteText(*answer.get(), *slot);
        if (!asText) FromComVariant(*answer.get(), run.Answer(i));
        run.Answered(i, asText);
    }
}

platform::Object AutomationWin::GetRunningObject(const wchar_t* progId) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId, &clsid))) CannotCreate();
    ComPtr<IUnknown> unknown;
    if (FAILED(GetActiveObject(clsid, nullptr, &unknown)) || !unknown) CannotCreate();
    ComPtr<IDispatch> dispatch;
    if (FAILED(unknown.As(&dispatch))) CannotCreate();
    return std::make_unique<DispatchWin>(std::move(dispatch));
}

std::unique_ptr<const platform::Text> AutomationWin::MakeText(std::wstring_view text) {
    return std::make_unique<TextWin>(text);
}

platform::Object AutomationWin::CreateObject(const wchar_t* progId) {
    CLSID clsid;
    if (FAILED(CLSIDFromProgID(progId, &clsid))) CannotCreate();
    ComPtr<IDispatch> dispatch;
    if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_PPV_ARGS(&dispatch))))
        CannotCreate();
    return std::make_unique<DispatchWin>(std::move(dispatch));
}

namespace {

// The platform's conversion of a value to another type, under the user's
// locale; text reads as the user writes numbers.
ComVariant Changed(const Variant& v, VARTYPE vt, USHORT flags = 0) {
    ComVariant in, out;
    ToComVariant(v, *in.get());
    const HRESULT hr = VariantChangeTypeEx(out.get(), in.get(), LOCALE_USER_DEFAULT, flags, vt);
    if (FAILED(hr)) RaiseConversion(hr);
    return out;
}

}  // namespace

// Text converts as the user writes numbers ("2,5" under a comma locale) and
// halves round to even, as for doubles.
int16_t AutomationWin::ToInteger(const Variant& v) {
    if (const int16_t* i = v.get<int16_t>()) return *i;
    RaiseIfNoValue(v);
    return Changed(v, VT_I2).get()->iVal;
}

int32_t AutomationWin::ToLong(const Variant& v) {
    if (const int32_t* i = v.get<int32_t>()) return *i;
    if (const int16_t* i = v.get<int16_t>()) return *i;
    RaiseIfNoValue(v);
    return Changed(v, VT_I4).get()->lVal;
}

void AutomationWin::ToString(const Variant& v, std::wstring& out) {
    if (const std::wstring* s = v.get<std::wstring>()) {
        out = *s;
        return;
    }
    if (v.IsEmpty()) {
        out.clear();
        return;
    }
    RaiseIfNoValue(v);
    if (const int32_t* i = v.get<int32_t>()) return IntegerText(*i, out);
    if (const auto* e = v.get<platform::ErrorCode>()) return ErrorValueText(e->scode, out);
    if (const int16_t* i = v.get<int16_t>()) return IntegerText(*i, out);
    const wchar_t separator = DecimalSeparator();
    if (const double* d = v.get<double>(); d && separator && PlainDoubleText(*d, separator, out))
        return;
    if (const auto* c = v.get<platform::Currency>(); c && separator)
        return CurrencyText(c->scaled, separator, out);
    if (const auto* date = v.get<platform::Date>()) {
        // Straight to the date's own conversion: a third of the general one's cost.
        Bstr text;
        const HRESULT hr = VarBstrFromDate(date->serial, LOCALE_USER_DEFAULT, 0, text.out());
        if (FAILED(hr)) RaiseConversion(hr);
        BstrText(text.get(), out);
        return;
    }
    // Booleans read "True" and "False", as the platform's own text of them.
    const ComVariant text = Changed(v, VT_BSTR, VARIANT_ALPHABOOL);
    BstrText(text.get()->bstrVal, out);
}

Order AutomationWin::Compare(const Variant& v, const Variant& constant) {
    if (v.IsNull() || constant.IsNull()) return Order::Null;
    RaiseIfNoValue(v);
    const std::wstring* a = v.get<std::wstring>();
    const std::wstring* b = constant.get<std::wstring>();
    if ((a || v.IsEmpty()) && (b || constant.IsEmpty()) && (a || b)) {
        // Text with text compares binary; Empty reads as "".
        const int c = (a ? *a : std::wstring()).compare(b ? *b : std::wstring());
        return c < 0 ? Order::Less : c > 0 ? Order::Greater : Order::Equal;
    }
    ComVariant left, right;
    // Text against a number compares as numbers, and must convert.
    auto operand = [](const Variant& x, const std::wstring* s, ComVariant& out) {
        if (!s) return ToComVariant(x, *out.get());
        double d = 0;
        const HRESULT hr =
            VarR8FromStr(const_cast<LPOLESTR>(s->c_str()), LOCALE_USER_DEFAULT, 0, &d);
        if (FAILED(hr)) RaiseConversion(hr);
        out.get()->vt = VT_R8;
        out.get()->dblVal = d;
    };
    operand(v, a, left);
    operand(constant, b, right);
    const HRESULT hr = VarCmp(left.get(), right.get(), LOCALE_USER_DEFAULT, 0);
    switch (hr) {
        case VARCMP_LT:
            return Order::Less;
        case VARCMP_EQ:
            return Order::Equal;
        case VARCMP_GT:
            return Order::Greater;
        case VARCMP_NULL:
            return Order::Null;
        default:
            RaiseConversion(hr);
    }
}

}  // namespace win32
