#include "platform/win32/variant_win.h"

#include "platform/error.h"
#include "platform/win32/automation_win.h"

namespace win32 {

using platform::RuntimeError;
using platform::Variant;

void ToComVariant(const Variant& in, VARIANT& out) {
    switch (in.type()) {
        case Variant::Type::kEmpty:
            out.vt = VT_EMPTY;
            break;
        case Variant::Type::kNull:
            out.vt = VT_NULL;
            break;
        case Variant::Type::kBool:
            out.vt = VT_BOOL;
            out.boolVal = *in.get<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case Variant::Type::kInteger:
            out.vt = VT_I2;
            out.iVal = *in.get<int16_t>();
            break;
        case Variant::Type::kLong:
            out.vt = VT_I4;
            out.lVal = *in.get<int32_t>();
            break;
        case Variant::Type::kSingle:
            out.vt = VT_R4;
            out.fltVal = *in.get<float>();
            break;
        case Variant::Type::kDouble:
            out.vt = VT_R8;
            out.dblVal = *in.get<double>();
            break;
        case Variant::Type::kCurrency:
            out.vt = VT_CY;
            out.cyVal.int64 = in.get<platform::Currency>()->scaled;
            break;
        case Variant::Type::kDate:
            out.vt = VT_DATE;
            out.date = in.get<platform::Date>()->serial;
            break;
        case Variant::Type::kString: {
            const std::wstring& s = *in.get<std::wstring>();
            BSTR b = SysAllocStringLen(s.data(), static_cast<UINT>(s.size()));
            if (!b) throw std::bad_alloc();
            out.vt = VT_BSTR;
            out.bstrVal = b;
            break;
        }
        case Variant::Type::kObject: {
            const platform::Object& o = *in.get<platform::Object>();
            IDispatch* p = nullptr;
            if (o) {
                const auto* d = dynamic_cast<const DispatchWin*>(o.get());
                if (!d) throw RuntimeError(platform::err::kTypeMismatch);
                p = d->get();
                p->AddRef();
            }
            out.vt = VT_DISPATCH;
            out.pdispVal = p;
            break;
        }
        case Variant::Type::kError:
            out.vt = VT_ERROR;
            out.scode = in.get<platform::ErrorCode>()->scode;
            break;
        case Variant::Type::kDecimal: {
            const platform::Decimal& d = *in.get<platform::Decimal>();
            out.decVal = DECIMAL{};
            out.decVal.scale = d.scale;
            out.decVal.sign = d.negative ? DECIMAL_NEG : 0;
            out.decVal.Hi32 = d.hi;
            out.decVal.Lo64 = d.lo;
            out.vt = VT_DECIMAL;  // after the value: vt shares the DECIMAL's first bytes
            break;
        }
        case Variant::Type::kArray:
            // Its elements are not kept: no conversion takes an array.
            throw RuntimeError(platform::err::kTypeMismatch);
    }
}

namespace {

// A whole number wider than a Long is kept exact as a Decimal, whose text is
// its digits; a double would round it beyond 15 digits.
Variant FromWide(bool negative, uint64_t magnitude) {
    if (magnitude <= (negative ? 0x80000000u : 0x7FFFFFFFu))
        return Variant(static_cast<int32_t>(negative ? 0 - magnitude : magnitude));
    platform::Decimal d;
    d.negative = negative;
    d.lo = magnitude;
    return Variant(d);
}
Variant FromWide(int64_t v) {
    const uint64_t bits = static_cast<uint64_t>(v);
    return FromWide(v < 0, v < 0 ? 0 - bits : bits);
}

Variant FromDispatch(IDispatch* p) {
    if (!p) return Variant(platform::Object());  // Nothing
    return Variant(platform::Object(std::make_unique<DispatchWin>(ComPtr<IDispatch>(p))));
}

}  // namespace

Variant FromComVariant(const VARIANT& in) {
    const VARTYPE vt = in.vt;
    const bool ref = (vt & VT_BYREF) != 0;
    if (vt & VT_ARRAY) return Variant(platform::Array{});
    switch (vt & ~VT_BYREF) {
        case VT_EMPTY:
            return Variant();
        case VT_NULL:
            return Variant(platform::Null{});
        case VT_BOOL:
            return Variant((ref ? *in.pboolVal : in.boolVal) != VARIANT_FALSE);
        case VT_I1:
            return Variant(static_cast<int16_t>(ref ? *in.pcVal : in.cVal));
        case VT_UI1:
            return Variant(static_cast<int16_t>(ref ? *in.pbVal : in.bVal));
        case VT_I2:
            return Variant(static_cast<int16_t>(ref ? *in.piVal : in.iVal));
        case VT_UI2:
            return Variant(static_cast<int32_t>(ref ? *in.puiVal : in.uiVal));
        case VT_I4:
            return Variant(static_cast<int32_t>(ref ? *in.plVal : in.lVal));
        case VT_INT:
            return Variant(static_cast<int32_t>(ref ? *in.pintVal : in.intVal));
        case VT_UI4:
            return FromWide(ref ? *in.pulVal : in.ulVal);
        case VT_UINT:
            return FromWide(ref ? *in.puintVal : in.uintVal);
        case VT_I8:
            return FromWide(ref ? *in.pllVal : in.llVal);
        case VT_UI8:
            return FromWide(false, ref ? *in.pullVal : in.ullVal);
        case VT_R4:
            return Variant(ref ? *in.pfltVal : in.fltVal);
        case VT_R8:
            return Variant(ref ? *in.pdblVal : in.dblVal);
        case VT_CY:
            return Variant(platform::Currency{(ref ? *in.pcyVal : in.cyVal).int64});
        case VT_DATE:
            return Variant(platform::Date{ref ? *in.pdate : in.date});
        case VT_DECIMAL: {
            const DECIMAL& dec = ref ? *in.pdecVal : in.decVal;
            return Variant(
                platform::Decimal{dec.scale, (dec.sign & DECIMAL_NEG) != 0, dec.Hi32, dec.Lo64});
        }
        case VT_BSTR: {
            const BSTR b = ref ? *in.pbstrVal : in.bstrVal;
            return Variant(std::wstring(b, SysStringLen(b)));
        }
        case VT_DISPATCH:
            return FromDispatch(ref ? *in.ppdispVal : in.pdispVal);
        case VT_UNKNOWN: {
            IUnknown* u = ref ? *in.ppunkVal : in.punkVal;
            if (!u) return Variant(platform::Object());
            ComPtr<IDispatch> d;
            if (FAILED(u->QueryInterface(IID_PPV_ARGS(&d))))
                throw RuntimeError(platform::err::kNoAutomation);
            return Variant(platform::Object(std::make_unique<DispatchWin>(std::move(d))));
        }
        case VT_ERROR:
            return Variant(platform::ErrorCode{ref ? *in.pscode : in.scode});
        case VT_VARIANT:
            if (ref && in.pvarVal) return FromComVariant(*in.pvarVal);
            break;
        default:
            break;
    }
    throw RuntimeError(platform::err::kUnsupportedType);
}

namespace {

// Puts a value into a variant that already holds one of its kind.
template <class T>
bool Overwrite(Variant& out, T value) {
    T* held = out.get<T>();
    if (held) *held = value;
    return held != nullptr;
}

}  // namespace

void FromComVariant(const VARIANT& in, Variant& out) {
    if ((in.vt & ~VT_BYREF) == VT_BSTR) {
        const BSTR b = (in.vt & VT_BYREF) ? *in.pbstrVal : in.bstrVal;
        out.StringStorage().assign(b, SysStringLen(b));
        return;
    }
    // A field read row after row answers with the same kind of number.
    switch (in.vt) {
        case VT_R8:
            if (Overwrite(out, in.dblVal)) return;
            break;
        case VT_CY:
            if (Overwrite(out, platform::Currency{in.cyVal.int64})) return;
            break;
        case VT_I4:
            if (Overwrite(out, static_cast<int32_t>(in.lVal))) return;
            break;
        default:
            break;
    }
    out = FromComVariant(in);
}

}  // namespace win32
