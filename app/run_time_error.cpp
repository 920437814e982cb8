#include "app/run_time_error.h"

#include <new>

#include "platform/error.h"

namespace app {

std::wstring RunTimeErrorText(int32_t number, const std::wstring& description) {
    return L"Run-time error '" + std::to_wstring(number) + L"':\n\n" +
           (description.empty() ? L"Application-defined or object-defined error" : description);
}

// Failures of our own code get the numbers the platform would give them.
void ReportRunTimeError(HWND owner, const std::wstring& title, const std::exception_ptr& error) {
    std::wstring text;
    try {
        std::rethrow_exception(error);
    } catch (const platform::RuntimeError& e) {
        text = RunTimeErrorText(e.number(), e.description());
    } catch (const std::bad_alloc&) {
        text = RunTimeErrorText(7, L"Out of memory");
    } catch (...) {
        text = RunTimeErrorText(51, L"Internal error");
    }
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace app
