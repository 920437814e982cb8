// Late-bound automation: calls by member name, the platform's conversions of
// variants, and the run-time error that every failure raises.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "platform/error.h"
#include "platform/variant.h"

namespace platform {

// Text made once for many calls, e.g. a field name: the platform keeps it in
// the form its calls take, so passing it by value copies nothing.
class Text {
  public:
    virtual ~Text() = default;
    virtual std::wstring_view view() const = 0;
};

// One argument of a call: a value, or a reference to the caller's own
// variable, which the callee may change.
class Arg {
  public:
    static Arg Val(Variant v) { return Arg(std::move(v)); }
    static Arg Val(const Text& t) { return Arg(&t); }
    static Arg Ref(std::wstring& s) { return Arg(&s); }
    static Arg Ref(int16_t& i) { return Arg(&i); }
    static Arg Ref(double& d) { return Arg(&d); }

    using Storage = std::variant<Variant, const Text*, std::wstring*, int16_t*, double*>;
    const Storage& storage() const { return a_; }
    Storage& storage() { return a_; }
    bool byRef() const {
        return !std::holds_alternative<Variant>(a_) && !std::holds_alternative<const Text*>(a_);
    }

  private:
    template <class T>
    explicit Arg(T v) : a_(std::move(v)) {}
    Storage a_;
};

enum class CallKind { PropertyGet, Method };

// A run of calls to one member, each with one text by value, such as the
// field reads of a product row. The caller says where each answer goes and
// hears of it before the next call is made.
class CallRun {
  public:
    virtual size_t size() const = 0;
    virtual const Text& Argument(size_t i) const = 0;
    virtual Variant& Answer(size_t i) = 0;
    // Where the answer may go as its text, as Automation::ToString writes it,
    // instead of into Answer(i); null for none. The platform writes there the
    // kinds of answer it can write at once, and Answered says which way it went.
    virtual std::wstring* TextSlot(size_t) { return nullptr; }
    // Raising here ends the run: no further call is made.
    virtual void Answered(size_t i, bool asText) = 0;

  protected:
    ~CallRun() = default;
};

// One reference to an automation object. Destroying it releases the reference.
class Dispatch {
  public:
    virtual ~Dispatch() = default;
    // Calls `member` (a name that never changes, such as a literal) with 0 to
    // 4 arguments, in call order. The value returned replaces `result`,
    // reusing its text's storage. Raises RuntimeError.
    virtual void Call(const wchar_t* member, CallKind kind, std::span<Arg> args,
                      Variant& result) = 0;
    Variant Call(const wchar_t* member, CallKind kind, std::span<Arg> args) {
        Variant result;
        Call(member, kind, args, result);
        return result;
    }
    // Calls `member` once for each of the run's texts, in order, as Call
    // would. A platform may make them without setting each call up anew.
    virtual void CallEach(const wchar_t* member, CallKind kind, CallRun& run);
};

enum class Order { Less, Equal, Greater, Null };

class Automation {
  public:
    virtual ~Automation() = default;
    // The running object of a class, the path omitted (GetObject(, "Prog.Id")).
    virtual Object GetRunningObject(const wchar_t* progId) = 0;
    // A new object of a class (CreateObject("Prog.Id")).
    virtual Object CreateObject(const wchar_t* progId) = 0;
    // Text to pass by value to many calls.
    virtual std::unique_ptr<const Text> MakeText(std::wstring_view text) = 0;

    // The platform's conversions under the user's locale; each raises a
    // RuntimeError (type mismatch, overflow, invalid use of Null) when the
    // value does not convert.
    virtual int16_t ToInteger(const Variant& v) = 0;
    virtual int32_t ToLong(const Variant& v) = 0;
    // The text of a value into `out`, reusing its storage.
    virtual void ToString(const Variant& v, std::wstring& out) = 0;
    std::wstring ToString(const Variant& v) {
        std::wstring out;
        ToString(v, out);
        return out;
    }
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
inline void Invoke(Dispatch& d, const wchar_t* member, std::span<Arg> args, Variant& result) {
    d.Call(member, CallKind::Method, args, result);
}
inline Object GetObjectMember(Dispatch& d, const wchar_t* member) {
    return ToObject(Get(d, member));
}

}  // namespace platform
