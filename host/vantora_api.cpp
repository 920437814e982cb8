#include "host/vantora_api.h"

#include "host/vantora.h"

namespace modVantoraAPI {

using platform::Object;
using platform::Order;
using platform::Variant;

bool IsHostRunning(platform::Automation& com) {
    // The one place that traps: any failure to reach the host means "not running".
    try {
        Object app = host::GetApplication(com);
        return app != nullptr;
    } catch (...) {
        return false;
    }
}

void StartHost(platform::Automation& com, platform::Ui& ui) {
    Object installations = host::CreateInstallations(com);
    const Order count = com.Compare(host::InstallationCount(*installations), Variant(int16_t{0}));
    if (count == Order::Less || count == Order::Equal) {
        ui.MsgBox(L"There are no Vantora installations detected!", platform::kOkOnly);
        return;
    }
    // Only the first installation is ever considered.
    Object installation = host::FirstInstallation(*installations);
    if (com.Compare(host::IsRunning(*installation), Variant(false)) == Order::Equal) {
        if (com.Compare(host::Start(*installation), Variant(int16_t{0})) == Order::Equal) {
            // Got only to be released: whether the host can be reached is
            // the caller's next check.
            Object app = host::GetRunningObject(*installation);
        } else {
            ui.MsgBox(
                L".Application.Start method failed. The Vantora application could not be started.",
                platform::kInformation);
        }
    }
    // The registry goes first; the installation as we return.
    installations.reset();
}

bool EnsureHostRunning(platform::Automation& com, platform::Ui& ui) {
    if (!IsHostRunning(com)) StartHost(com, ui);
    return IsHostRunning(com);
}

}  // namespace modVantoraAPI
