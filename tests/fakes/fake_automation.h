// A recording, scriptable automation platform for unit tests.
//
// FakeAutomation implements platform::Automation in portable C++. Objects are
// FakeObject nodes with scripted members; every reference handed out is
// counted until it is destroyed, and every call is recorded:
//
//   fake::FakeAutomation com;
//   auto app = com.NewObject(L"Application");
//   app->On(L"Caption", [](fake::Args) { return platform::Variant(L"Main"); });
//   com.SetRunning(L"Some.Application", app);
//   ... code under test ...
//   EXPECT_EQ(com.Trace(), (std::vector<std::wstring>{
//       L"GetObject(String \"Some.Application\")", L"Application.Caption"}));
//   EXPECT_EQ(com.Outstanding(), 0);
//
// Trace lines read `object.member` for property reads and
// `object.member(Integer 1, String& "x")` for method calls; `&` marks an
// argument passed by reference. calls() holds the same facts as fields.
//
// The conversions follow the automation rules with an invariant "." decimal
// separator: Empty is 0 or empty text, Null raises 94 (also for text), True
// is -1 and reads "True", halves round to even, out of range raises 6 and
// text that is not a number raises 13. Dates have no text here: no test
// scripts one.
//
// fake_vantora.h builds a scriptable Vantora on top of this.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "platform/automation.h"

namespace fake {

using Args = std::span<platform::Arg>;

// A copyable automation value for scripts (a platform::Variant without objects).
class Value {
  public:
    using Storage =
        std::variant<std::monostate, platform::Null, bool, int16_t, int32_t, double, std::wstring>;
    Value() = default;
    template <class T>
    Value(T v) : v_(std::move(v)) {}
    Value(const wchar_t* v) : v_(std::wstring(v)) {}

    platform::Variant ToVariant() const;

  private:
    Storage v_;
};

// The Integer literal, for brevity: fake::I(1) is Integer 1.
inline Value I(int16_t v) { return Value(v); }
// The Long literal.
inline Value L(int32_t v) { return Value(v); }

// A value's text for records: strings as given, Null as "Null", Empty as
// "Empty".
std::wstring Describe(const platform::Variant& v);

struct ArgRecord {
    std::wstring type;
    bool byRef = false;
    std::wstring value;
    bool operator==(const ArgRecord&) const = default;
};

struct CallRecord {
    std::wstring object;  // the object's path; empty for GetObject/CreateObject
    std::wstring member;
    platform::CallKind kind = platform::CallKind::Method;
    std::vector<ArgRecord> args;  // as passed, before the call
    std::wstring Line() const;    // the trace line
};

// Calls `f` with the value of an argument, whether passed by value or by
// reference.
template <class F>
auto VisitArg(const platform::Arg& a, F f) {
    return std::visit(
        [&](const auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (std::is_same_v<T, platform::Variant>)
                return f(x);
            else if constexpr (std::is_same_v<T, const platform::Text*>)
                return f(platform::Variant(std::wstring(x->view())));
            else
                return f(platform::Variant(*x));
        },
        a.storage());
}

// The run-time error that `f` raises; number 0 when it raises none.
platform::RuntimeError Raised(const std::function<void()>& f);
inline int32_t ErrorOf(const std::function<void()>& f) { return Raised(f).number(); }

// The portable conversions on their own (invariant "." decimal separator).
namespace convert {
// Whether `text` as a whole is a number: blanks, sign, digits with an
// optional point, an optional exponent.
bool ParseNumber(const std::wstring& text, double& value);
double ToDouble(const platform::Variant& v);  // raises 13, 94
int16_t ToInteger(const platform::Variant& v);
int32_t ToLong(const platform::Variant& v);
std::wstring ToString(const platform::Variant& v);
platform::Order Compare(const platform::Variant& a, const platform::Variant& b);
}  // namespace convert

class FakeAutomation;

// An automation object whose members are scripted.
class FakeObject {
  public:
    using Member = std::function<platform::Variant(Args)>;
    FakeObject(FakeAutomation& com, std::wstring path) : com_(com), path_(std::move(path)) {}

    // Scripts a member; property reads and method calls both reach it.
    void On(const std::wstring& member, Member m) { members_[member] = std::move(m); }
    // A member that returns a new reference to `child`.
    void Child(const std::wstring& member, const std::shared_ptr<FakeObject>& child);
    FakeAutomation& com() { return com_; }

  private:
    friend class FakeRef;
    platform::Variant Call(const wchar_t* member, platform::CallKind kind, Args args);

    FakeAutomation& com_;
    std::wstring path_;
    std::map<std::wstring, Member> members_;
};

class FakeAutomation : public platform::Automation {
  public:
    // Gives the object of a class, or nullptr for none (429).
    using Class = std::function<std::shared_ptr<FakeObject>()>;
    FakeAutomation() = default;
    FakeAutomation(const FakeAutomation&) = delete;
    FakeAutomation& operator=(const FakeAutomation&) = delete;

    std::shared_ptr<FakeObject> NewObject(std::wstring path);
    // A new counted reference to `obj`, as an automation call would return it.
    platform::Object Ref(const std::shared_ptr<FakeObject>& obj);

    // The running object of a class; nullptr removes it (GetObject then raises 429).
    void SetRunning(const std::wstring& progId, const std::shared_ptr<FakeObject>& obj) {
        running_[progId] = [obj] { return obj; };
    }
    // How CreateObject makes an object of a class; absent classes raise 429.
    void SetCreatable(const std::wstring& progId, Class make) {
        creatable_[progId] = std::move(make);
    }

    // Runs before every call (recorded, arguments filled in); may throw a
    // platform::RuntimeError to make that call raise, or change the world.
    std::function<void(const CallRecord&)> onCall;
    // Makes every call of `member`, on any object, raise `error`.
    void RaiseOn(const std::wstring& member, platform::RuntimeError error) {
        raise_.insert_or_assign(member, std::move(error));
    }

    // Off, calls are only counted: for tens of thousands of rows.
    bool record = true;
    const std::vector<CallRecord>& calls() const { return calls_; }
    std::vector<std::wstring> Trace() const;
    // How many times `member` was called on any object.
    int CountCalls(const std::wstring& member) const {
        auto it = counts_.find(member);
        return it == counts_.end() ? 0 : it->second;
    }
    void ClearCalls() {
        calls_.clear();
        counts_.clear();
    }
    // References handed out and not yet released.
    int Outstanding() const { return outstanding_; }

    platform::Object GetRunningObject(const wchar_t* progId) override;
    platform::Object CreateObject(const wchar_t* progId) override;
    std::unique_ptr<const platform::Text> MakeText(std::wstring_view text) override;
    int16_t ToInteger(const platform::Variant& v) override { return convert::ToInteger(v); }
    int32_t ToLong(const platform::Variant& v) override { return convert::ToLong(v); }
    using platform::Automation::ToString;
    void ToString(const platform::Variant& v, std::wstring& out) override {
        out = convert::ToString(v);
    }
    platform::Order Compare(const platform::Variant& v, const platform::Variant& c) override {
        return convert::Compare(v, c);
    }

  private:
    friend class FakeObject;
    friend class FakeRef;
    // Records a call, then runs onCall and `body`.
    platform::Variant Run(std::wstring object, std::wstring member, platform::CallKind kind,
                          Args args, const std::function<platform::Variant()>& body);
    using Classes = std::map<std::wstring, Class>;
    // GetObject and CreateObject of a class in `classes`.
    platform::Object Global(const wchar_t* member, const wchar_t* progId, const Classes& classes);

    std::vector<CallRecord> calls_;
    std::map<std::wstring, int> counts_;
    std::vector<std::shared_ptr<FakeObject>> objects_;
    Classes running_, creatable_;
    std::map<std::wstring, platform::RuntimeError> raise_;
    int outstanding_ = 0;
};

}  // namespace fake
