// Late-bound automation over IDispatch.
//
// The calling thread must have joined a single-threaded apartment
// (CoInitializeEx with COINIT_APARTMENTTHREADED) before anything here runs,
// and must keep it until every object handed out has been destroyed.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/automation.h"
#include "platform/win32/com_win.h"

namespace win32 {

// One reference to an automation object.
class DispatchWin final : public platform::Dispatch {
  public:
    explicit DispatchWin(ComPtr<IDispatch> p) : p_(std::move(p)) {}
    using platform::Dispatch::Call;
    void Call(const wchar_t* member, platform::CallKind kind, std::span<platform::Arg> args,
              platform::Variant& result) override;
    void CallEach(const wchar_t* member, platform::CallKind kind, platform::CallRun& run) override;
    IDispatch* get() const { return p_.Get(); }

  private:
    DISPID Id(const wchar_t* member);
    // The member called; its answer replaces what `result` held.
    void Invoke(DISPID id, platform::CallKind kind, DISPPARAMS& params, ComVariant& result);

    ComPtr<IDispatch> p_;
    // The last member looked up: a row's field reads call one member many times.
    const wchar_t* lastName_ = nullptr;
    DISPID lastId_ = DISPID_UNKNOWN;
};

class AutomationWin final : public platform::Automation {
  public:
    platform::Object GetRunningObject(const wchar_t* progId) override;
    platform::Object CreateObject(const wchar_t* progId) override;
    std::unique_ptr<const platform::Text> MakeText(std::wstring_view text) override;
    int16_t ToInteger(const platform::Variant& v) override;
    int32_t ToLong(const platform::Variant& v) override;
    using platform::Automation::ToString;
    void ToString(const platform::Variant& v, std::wstring& out) override;
    platform::Order Compare(const platform::Variant& v, const platform::Variant& constant) override;
};

// The run-time error for a failed HRESULT, as a late-bound caller reports it.
[[noreturn]] void RaiseHresult(HRESULT hr);

}  // namespace win32
