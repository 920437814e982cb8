// The report of a run-time error that no handler caught.
#pragma once

#include <windows.h>

#include <cstdint>
#include <exception>
#include <string>

namespace app {

// "Run-time error '<number>':", a blank line, the description. An
// automation error's number reads "-2147023170 (800706be)".
std::wstring RunTimeErrorText(int32_t number, const std::wstring& description);

// Shows the report of the exception in flight (any exception at all).
void ReportRunTimeError(HWND owner, const std::wstring& title, const std::exception_ptr& error);

}  // namespace app
