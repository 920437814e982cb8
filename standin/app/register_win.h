// Registration of the stand-in's classes for the user and the machine.
#pragma once

#include <string>

namespace standin {

// ProgIDs and CLSIDs under Software\Classes of HKCU and HKLM; the installation registry
// is started by COM from exePath.
bool RegisterServer(const std::wstring& exePath);
void UnregisterServer();

// The scenario the COM-started installation registry reads (HKCU\Software\VantoraStandIn).
constexpr const wchar_t* kSettingsKey = L"Software\\VantoraStandIn";
constexpr const wchar_t* kScenarioValue = L"Scenario";
std::wstring RegisteredScenario();

}  // namespace standin
