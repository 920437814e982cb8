// Late-bound automation: calls by member name, the platform's conversions of
// variants, and the run-time error that every failure raises.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "platform/error.h"
#include "platform/variant.h"

namespace platform {

// One argument of a call: a value, or a reference to the caller's own
// variable, which the callee may change.
class Arg {
  public:
    static Arg Val(Variant v) { return Arg(std::move(v)); }
    static Arg Ref(std::wstring& s) { return Arg(&s); }
    static Arg Ref(int16_t& i) { return Arg(&i); }
    static Arg Ref(int32_t& i) { return Arg(&i); }
    static Arg Ref(double& d) { return Arg(&d); }
    static Arg Ref(Variant& v) { return Arg(&v); }

    using Storage = std::variant<Variant, std::wstring*, int16_t*, int32_t*, double*, Variant*>;
    const Storage& storage() const { return a_; }
    Storage& storage() { return a_; }
    bool byRef() const { return a_.index() != 0; }

  private:
    template <class T>
    explicit Arg(T v) : a_(std::move(v)) {}
    Storage a_;
};

enum class CallKind { PropertyGet, Method };

// One reference to an automation object. Destroying it releases the reference.
class Dispatch {
  public:
    virtual ~Dispatch() = default;
    // Calls `member` by name with 0 to 4 arguments, in call order. Raises RuntimeError.
    virtual Variant Call(const wchar_t* member, CallKind kind, std::span<Arg> args) = 0;
};

enum class Order { Less, Equal, Greater, Null };

class Automation {
  public:
    virtual ~Automation() = default;
    // The running object of a class, the path omitted (GetObject(, "Prog.Id")).
    virtual Object GetRunningObject(const wchar_t* progId) = 0;
    // A new object of a class (CreateObject("Prog.Id")).
    virtual Object CreateObject(const wchar_t* progId) = 0;

    // The platform's conversions under the user's locale; each raises a
    // RuntimeError (type mismatch, overflow, invalid use of Null) when the
    // value does not convert.
    virtual int16_t ToInteger(const Variant& v) = 0;
    virtual int32_t ToLong(const Variant& v) = 0;
    virtual std::wstring ToString(const Variant& v) = 0;
    // A variant comparison of a value with a constant.
    virtual Order Compare(const Variant& v, const Variant& constant) = 0;
};

// Takes the object out of a variant; raises "Object required" otherwise.
Object ToObject(Variant&& v);

// Shorthands for the common call shapes.
inline Variant Get(Dispatch& d, const wchar_t* member) {
    return d.Call(member, CallKind::PropertyGet, {});
}
inline Variant Invoke(Dispatch& d, const wchar_t* member, std::span<Arg> args = {}) {
    return d.Call(member, CallKind::Method, args);
}
inline Object GetObjectMember(Dispatch& d, const wchar_t* member) {
    return ToObject(Get(d, member));
}

}  // namespace platform
