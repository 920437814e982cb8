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

    void Call(const wchar_t* member, CallKind kind, std::span<Arg> args, Variant& result) override {
        result = obj_->Call(member, kind, args);
    }

  private:
    std::shared_ptr<FakeObject> obj_;
};

namespace {

[[noreturn]] void Raise(const platform::ErrorKind& error) { throw RuntimeError(error); }

// The type name of a value as a late-bound caller would see it.
std::wstring TypeName(const Variant& v) {
    static const wchar_t* const kNames[] = {L"Empty", L"Null",   L"Boolean", L"Integer",
                                            L"Long",  L"Single", L"Double",  L"Currency",
                                            L"Date",  L"String", L"Object",  L"Error"};
    return kNames[static_cast<int>(v.type())];
}

template <class T>
T Narrow(double d) {
    const double r = std::nearbyint(d);  // halves to even
    if (!(r >= static_cast<double>(std::numeric_limits<T>::min()) &&
          r <= static_cast<double>(std::numeric_limits<T>::max())))
        Raise(err::kOverflow);
    return static_cast<T>(r);
}

}  // namespace

// ---- values and records ----

RuntimeError Raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const RuntimeError& e) {
        return e;
    }
    return RuntimeError(0, L"");
}

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

std::wstring Describe(const Variant& v) {
    if (v.IsEmpty()) return L"Empty";
    return v.IsNull() ? L"Null" : convert::ToString(v);
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

void FakeObject::Child(const std::wstring& member, const std::shared_ptr<FakeObject>& child) {
    On(member, [child](Args) { return Variant(child->com().Ref(child)); });
}

Variant FakeObject::Call(const wchar_t* member, CallKind kind, Args args) {
    return com_.Run(path_, member, kind, args, [&] {
        if (auto r = com_.raise_.find(member); r != com_.raise_.end()) throw r->second;
        auto it = members_.find(member);
        if (it == members_.end()) throw RuntimeError(err::kNoSuchMember);
        return it->second(args);
    });
}

// ---- the platform ----

std::shared_ptr<FakeObject> FakeAutomation::NewObject(std::wstring path) {
    objects_.push_back(std::make_shared<FakeObject>(*this, std::move(path)));
    return objects_.back();
}

platform::Object FakeAutomation::Ref(const std::shared_ptr<FakeObject>& obj) {
    return std::make_unique<FakeRef>(obj);
}

Variant FakeAutomation::Run(std::wstring object, std::wstring member, CallKind kind, Args args,
                            const std::function<Variant()>& body) {
    ++counts_[member];
    if (!record) return body();
    CallRecord& rec =
        calls_.emplace_back(CallRecord{std::move(object), std::move(member), kind, {}});
    for (const Arg& a : args) {
        VisitArg(a, [&](const Variant& v) {
            rec.args.push_back({TypeName(v), a.byRef(), Describe(v)});
        });
    }
    if (onCall) onCall(rec);
    return body();
}

std::unique_ptr<const platform::Text> FakeAutomation::MakeText(std::wstring_view text) {
    class FakeText : public platform::Text {
      public:
        explicit FakeText(std::wstring_view t) : t_(t) {}
        std::wstring_view view() const override { return t_; }

      private:
        std::wstring t_;
    };
    return std::make_unique<FakeText>(text);
}

platform::Object FakeAutomation::Global(const wchar_t* member, const wchar_t* progId,
                                        const Classes& classes) {
    std::vector<Arg> args;
    args.push_back(Arg::Val(Variant(progId)));
    return platform::ToObject(Run(L"", member, CallKind::Method, args, [&] {
        auto it = classes.find(progId);
        auto obj = it == classes.end() || !it->second ? nullptr : it->second();
        if (!obj) Raise(err::kCannotCreateObject);
        return Variant(Ref(obj));
    }));
}

std::vector<std::wstring> FakeAutomation::Trace() const {
    std::vector<std::wstring> out;
    for (const auto& c : calls_) out.push_back(c.Line());
    return out;
}

platform::Object FakeAutomation::GetRunningObject(const wchar_t* progId) {
    return Global(L"GetObject", progId, running_);
}

platform::Object FakeAutomation::CreateObject(const wchar_t* progId) {
    return Global(L"CreateObject", progId, creatable_);
}

// ---- conversions ----

namespace convert {

bool ParseNumber(const std::wstring& text, double& value) {
    wchar_t* end = nullptr;
    value = std::wcstod(text.c_str(), &end);
    if (end == text.c_str()) return false;
    while (std::iswspace(*end)) ++end;
    return *end == L'\0' && std::isfinite(value);
}

// Scripts hand over Empty, Null, Boolean, Integer, Long, Double and String.
double ToDouble(const Variant& v) {
    if (v.IsNull()) Raise(err::kInvalidUseOfNull);
    double d = 0;
    if (auto* s = v.get<std::wstring>()) {
        if (!ParseNumber(*s, d)) Raise(err::kTypeMismatch);
    } else if (auto* b = v.get<bool>()) {
        d = *b ? -1 : 0;
    } else if (auto* i = v.get<int16_t>()) {
        d = *i;
    } else if (auto* l = v.get<int32_t>()) {
        d = *l;
    } else if (auto* r = v.get<double>()) {
        d = *r;
    } else if (!v.IsEmpty()) {
        Raise(err::kTypeMismatch);
    }
    return d;
}

int16_t ToInteger(const Variant& v) { return Narrow<int16_t>(ToDouble(v)); }

int32_t ToLong(const Variant& v) { return Narrow<int32_t>(ToDouble(v)); }

std::wstring ToString(const Variant& v) {
    if (auto* s = v.get<std::wstring>()) return *s;
    if (auto* b = v.get<bool>()) return *b ? L"True" : L"False";
    const double d = ToDouble(v);  // raises for Null
    if (v.IsEmpty()) return {};
    wchar_t buf[32];
    std::swprintf(buf, 32, L"%.15G", d);
    return buf;
}

Order Compare(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) return Order::Null;
    const auto *as = a.get<std::wstring>(), *bs = b.get<std::wstring>();
    // Text against text (Empty reads as ""); text against a number compares
    // as numbers and must convert.
    if ((as || bs) && (as || a.IsEmpty()) && (bs || b.IsEmpty())) {
        const int c = (as ? *as : std::wstring()).compare(bs ? *bs : std::wstring());
        return c < 0 ? Order::Less : c > 0 ? Order::Greater : Order::Equal;
    }
    const double x = ToDouble(a), y = ToDouble(b);
    return x < y ? Order::Less : x > y ? Order::Greater : Order::Equal;
}

}  // namespace convert

}  // namespace fake
