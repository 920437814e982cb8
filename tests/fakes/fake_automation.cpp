#include "tests/fakes/fake_automation.h"

#include <cmath>
#include <cstdio>
#include <cwchar>
#include <cwctype>
#include <limits>

namespace fake {

using platform::Arg;
using platform::CallKind;
using platform::Order;
using platform::RuntimeError;
using platform::Variant;
namespace err = platform::err;

// One counted reference to a fake object.
class FakeRef : public platform::Dispatch {
  public:
    explicit FakeRef(std::shared_ptr<FakeObject> obj) : obj_(std::move(obj)) {
        ++obj_->com().outstanding_;
    }
    ~FakeRef() override { --obj_->com().outstanding_; }
    FakeRef(const FakeRef&) = delete;
    FakeRef& operator=(const FakeRef&) = delete;

    Variant Call(const wchar_t* member, CallKind kind, std::span<Arg> args) override {
        return obj_->Call(member, kind, args);
    }
    const std::wstring& path() const { return obj_->path(); }

  private:
    std::shared_ptr<FakeObject> obj_;
};

namespace {

[[noreturn]] void Raise(int32_t number) {
    switch (number) {
        case err::kOverflow:
            throw RuntimeError(number, L"Overflow");
        case err::kTypeMismatch:
            throw RuntimeError(number, L"Type mismatch");
        case err::kInvalidUseOfNull:
            throw RuntimeError(number, L"Invalid use of Null");
        default:
            throw RuntimeError(number, L"ActiveX component can't create object");
    }
}

std::wstring Format(const wchar_t* format, double d) {
    wchar_t buf[64];
    std::swprintf(buf, 64, format, d);
    return buf;
}

// Text that a late-bound caller accepts as a number: optional spaces and
// sign, digits with at most one ".", an optional exponent.
bool ParseNumber(const std::wstring& text, double& out) {
    size_t b = text.find_first_not_of(L' ');
    size_t e = text.find_last_not_of(L' ');
    if (b == std::wstring::npos) return false;
    std::wstring t = text.substr(b, e - b + 1);
    for (wchar_t c : t) {
        if (!(std::iswdigit(c) || c == L'.' || c == L'+' || c == L'-' || c == L'e' || c == L'E'))
            return false;
    }
    wchar_t* end = nullptr;
    out = std::wcstod(t.c_str(), &end);
    return end == t.c_str() + t.size() && std::isfinite(out);
}

// Days since 1 January 1970 to a civil date.
void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

std::wstring DateText(double serial) {
    const double whole = std::trunc(serial);
    const double frac = std::fabs(serial - whole);
    std::wstring out;
    wchar_t buf[64];
    if (whole != 0 || frac == 0) {
        int y = 0, m = 0, d = 0;
        CivilFromDays(static_cast<int64_t>(whole) - 25569, y, m, d);
        std::swprintf(buf, 64, L"%d/%d/%d", m, d, y);
        out = buf;
    }
    if (frac != 0) {
        const long secs = std::lround(frac * 86400.0);
        const long h = secs / 3600 % 24;
        std::swprintf(buf, 64, L"%ld:%02ld:%02ld %ls", h % 12 == 0 ? 12 : h % 12, secs / 60 % 60,
                      secs % 60, h < 12 ? L"AM" : L"PM");
        if (!out.empty()) out += L' ';
        out += buf;
    }
    return out;
}

std::wstring CurrencyText(int64_t scaled) {
    std::wstring out = std::to_wstring(scaled / 10000);
    if (scaled < 0 && scaled / 10000 == 0) out = L"-0";
    int64_t frac = scaled % 10000;
    if (frac < 0) frac = -frac;
    if (frac != 0) {
        std::wstring f = std::to_wstring(frac + 10000).substr(1);
        f.erase(f.find_last_not_of(L'0') + 1);
        out += L'.' + f;
    }
    return out;
}

template <class T>
T Narrow(double d) {
    const double r = std::nearbyint(d);  // halves to even
    if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
          r <= static_cast<double>(std::numeric_limits<T>::max())))
        Raise(err::kOverflow);
    return static_cast<T>(r);
}

Order FromSign(int s) { return s < 0 ? Order::Less : s > 0 ? Order::Greater : Order::Equal; }

}  // namespace

// ---- values and records ----

Variant Value::ToVariant() const {
    return std::visit(
        [](const auto& v) -> Variant {
            using T = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<T, std::monostate>)
                return Variant();
            else
                return Variant(v);
        },
        v_);
}

std::wstring TypeName(const Variant& v) {
    static const wchar_t* const kNames[] = {L"Empty", L"Null",   L"Boolean", L"Integer",
                                            L"Long",  L"Single", L"Double",  L"Currency",
                                            L"Date",  L"String", L"Object",  L"Error"};
    return kNames[static_cast<int>(v.type())];
}

std::wstring Describe(const Variant& v) {
    switch (v.type()) {
        case Variant::Type::kEmpty:
            return L"Empty";
        case Variant::Type::kNull:
            return L"Null";
        case Variant::Type::kObject: {
            const auto* ref = dynamic_cast<const FakeRef*>(v.get<platform::Object>()->get());
            return ref ? ref->path() : L"Nothing";
        }
        case Variant::Type::kError:
            return L"Error " + std::to_wstring(v.get<platform::ErrorCode>()->scode);
        default:
            return convert::ToString(v);
    }
}

std::wstring CallRecord::Line() const {
    std::wstring out = object.empty() ? member : object + L"." + member;
    if (kind == CallKind::PropertyGet && args.empty()) return out;
    out += L'(';
    for (size_t i = 0; i < args.size(); ++i) {
        if (i) out += L", ";
        out += args[i].type;
        if (args[i].byRef) out += L'&';
        out += L' ';
        out += args[i].type == L"String" ? L'"' + args[i].value + L'"' : args[i].value;
    }
    return out + L')';
}

// ---- objects ----

void FakeObject::Returns(const std::wstring& member, Value v) {
    On(member, [v](Args) { return v.ToVariant(); });
}

void FakeObject::Child(const std::wstring& member, std::shared_ptr<FakeObject> child) {
    On(member, [child](Args) { return Variant(child->com().Ref(child)); });
}

Variant FakeObject::Call(const wchar_t* member, CallKind kind, Args args) {
    const size_t index = com_.calls_.size();
    com_.Record(path_, member, kind, args);
    try {
        if (com_.onCall) com_.onCall(com_.calls_[index]);
        if (auto r = com_.raise_.find(member); r != com_.raise_.end()) throw r->second;
        auto it = members_.find(member);
        if (it == members_.end())
            throw RuntimeError(438, L"Object doesn't support this property or method");
        Variant result = it->second(args);
        com_.calls_[index].result = Describe(result);
        return result;
    } catch (const RuntimeError& e) {
        com_.calls_[index].result = L"error " + std::to_wstring(e.number());
        throw;
    }
}

// ---- the platform ----

std::shared_ptr<FakeObject> FakeAutomation::NewObject(std::wstring path) {
    objects_.push_back(std::make_shared<FakeObject>(*this, std::move(path)));
    return objects_.back();
}

platform::Object FakeAutomation::Ref(const std::shared_ptr<FakeObject>& obj) {
    return std::make_unique<FakeRef>(obj);
}

void FakeAutomation::SetRunning(const std::wstring& progId, std::shared_ptr<FakeObject> obj) {
    if (obj)
        running_[progId] = std::move(obj);
    else
        running_.erase(progId);
}

void FakeAutomation::SetCreatable(const std::wstring& progId,
                                  std::function<std::shared_ptr<FakeObject>()> make) {
    if (make)
        creatable_[progId] = std::move(make);
    else
        creatable_.erase(progId);
}

CallRecord& FakeAutomation::Record(std::wstring object, std::wstring member, CallKind kind,
                                   Args args) {
    CallRecord rec;
    rec.object = std::move(object);
    rec.member = std::move(member);
    rec.kind = kind;
    for (const Arg& a : args) {
        ArgRecord ar;
        ar.byRef = a.byRef();
        const Arg::Storage& st = a.storage();
        switch (st.index()) {
            case 0:  // by value: the value's own type
                ar.type = TypeName(std::get<0>(st));
                ar.value = Describe(std::get<0>(st));
                break;
            case 1:
                ar.type = L"String";
                ar.value = *std::get<1>(st);
                break;
            case 2:
                ar.type = L"Integer";
                ar.value = std::to_wstring(*std::get<2>(st));
                break;
            case 3:
                ar.type = L"Long";
                ar.value = std::to_wstring(*std::get<3>(st));
                break;
            case 4:
                ar.type = L"Double";
                ar.value = convert::ToString(Variant(*std::get<4>(st)));
                break;
            default:
                ar.type = L"Variant";
                ar.value = Describe(*std::get<5>(st));
                break;
        }
        rec.args.push_back(std::move(ar));
    }
    calls_.push_back(std::move(rec));
    return calls_.back();
}

std::vector<std::wstring> FakeAutomation::Trace() const {
    std::vector<std::wstring> out;
    for (const auto& c : calls_) out.push_back(c.Line());
    return out;
}

int FakeAutomation::CountCalls(const std::wstring& member) const {
    int n = 0;
    for (const auto& c : calls_) n += c.member == member;
    return n;
}

platform::Object FakeAutomation::GetRunningObject(const wchar_t* progId) {
    const size_t index = calls_.size();
    std::vector<Arg> args;
    args.push_back(Arg::Val(Variant(progId)));
    Record(L"", L"GetObject", CallKind::Method, args);
    try {
        if (onCall) onCall(calls_[index]);
        auto it = running_.find(progId);
        if (it == running_.end()) Raise(err::kCannotCreateObject);
        calls_[index].result = it->second->path();
        return Ref(it->second);
    } catch (const RuntimeError& e) {
        calls_[index].result = L"error " + std::to_wstring(e.number());
        throw;
    }
}

platform::Object FakeAutomation::CreateObject(const wchar_t* progId) {
    const size_t index = calls_.size();
    std::vector<Arg> args;
    args.push_back(Arg::Val(Variant(progId)));
    Record(L"", L"CreateObject", CallKind::Method, args);
    try {
        if (onCall) onCall(calls_[index]);
        auto it = creatable_.find(progId);
        if (it == creatable_.end()) Raise(err::kCannotCreateObject);
        auto obj = it->second();
        calls_[index].result = obj->path();
        return Ref(obj);
    } catch (const RuntimeError& e) {
        calls_[index].result = L"error " + std::to_wstring(e.number());
        throw;
    }
}

int16_t FakeAutomation::ToInteger(const Variant& v) { return convert::ToInteger(v); }
int32_t FakeAutomation::ToLong(const Variant& v) { return convert::ToLong(v); }
std::wstring FakeAutomation::ToString(const Variant& v) { return convert::ToString(v); }
Order FakeAutomation::Compare(const Variant& v, const Variant& constant) {
    return convert::Compare(v, constant);
}

// ---- conversions ----

namespace convert {

double ToDouble(const Variant& v) {
    switch (v.type()) {
        case Variant::Type::kEmpty:
            return 0;
        case Variant::Type::kNull:
            Raise(err::kInvalidUseOfNull);
        case Variant::Type::kBool:
            return *v.get<bool>() ? -1 : 0;
        case Variant::Type::kInteger:
            return *v.get<int16_t>();
        case Variant::Type::kLong:
            return *v.get<int32_t>();
        case Variant::Type::kSingle:
            return *v.get<float>();
        case Variant::Type::kDouble:
            return *v.get<double>();
        case Variant::Type::kCurrency:
            return static_cast<double>(v.get<platform::Currency>()->scaled) / 10000.0;
        case Variant::Type::kDate:
            return v.get<platform::Date>()->serial;
        case Variant::Type::kString: {
            double d = 0;
            if (!ParseNumber(*v.get<std::wstring>(), d)) Raise(err::kTypeMismatch);
            return d;
        }
        default:
            Raise(err::kTypeMismatch);
    }
}

int16_t ToInteger(const Variant& v) {
    if (const int16_t* i = v.get<int16_t>()) return *i;
    return Narrow<int16_t>(ToDouble(v));
}

int32_t ToLong(const Variant& v) {
    if (const int32_t* i = v.get<int32_t>()) return *i;
    return Narrow<int32_t>(ToDouble(v));
}

std::wstring ToString(const Variant& v) {
    switch (v.type()) {
        case Variant::Type::kEmpty:
            return {};
        case Variant::Type::kNull:
            Raise(err::kInvalidUseOfNull);
        case Variant::Type::kBool:
            return *v.get<bool>() ? L"True" : L"False";
        case Variant::Type::kInteger:
            return std::to_wstring(*v.get<int16_t>());
        case Variant::Type::kLong:
            return std::to_wstring(*v.get<int32_t>());
        case Variant::Type::kSingle:
            return Format(L"%.7G", *v.get<float>());
        case Variant::Type::kDouble:
            return Format(L"%.15G", *v.get<double>());
        case Variant::Type::kCurrency:
            return CurrencyText(v.get<platform::Currency>()->scaled);
        case Variant::Type::kDate:
            return DateText(v.get<platform::Date>()->serial);
        case Variant::Type::kString:
            return *v.get<std::wstring>();
        default:
            Raise(err::kTypeMismatch);
    }
}

Order Compare(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) return Order::Null;
    const bool as = a.type() == Variant::Type::kString, bs = b.type() == Variant::Type::kString;
    if (as || bs) {
        // Text against text (Empty reads as ""); text against a number
        // compares as numbers and must convert.
        const bool ae = a.IsEmpty(), be = b.IsEmpty();
        if ((as || ae) && (bs || be)) {
            const int c = (as ? *a.get<std::wstring>() : std::wstring())
                              .compare(bs ? *b.get<std::wstring>() : std::wstring());
            return FromSign(c);
        }
    }
    const double x = ToDouble(a), y = ToDouble(b);
    return x < y ? Order::Less : x > y ? Order::Greater : Order::Equal;
}

}  // namespace convert

}  // namespace fake
