// modVantoraAPI: finding a running Vantora, or starting one.
#pragma once

#include "platform/automation.h"
#include "platform/toolkit.h"

namespace modVantoraAPI {

// True when the running application object can be got now. Never raises.
bool IsHostRunning(platform::Automation& com);
// Starts Vantora through its installation registry; may show a message.
void StartHost(platform::Automation& com, platform::Ui& ui);
// IsHostRunning, StartHost when that was false, then IsHostRunning again.
bool EnsureHostRunning(platform::Automation& com, platform::Ui& ui);

}  // namespace modVantoraAPI
