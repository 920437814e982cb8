#include "app/run_time_error.h"

#include <cwchar>
#include <new>

#include "platform/error.h"

namespace app {

namespace err = platform::err;

// An automation error's number is an HRESULT: it is also shown in the
// hexadecimal that a support desk looks it up by.
std::wstring RunTimeErrorText(int32_t number, const std::wstring& description) {
    std::wstring head = std::to_wstring(number);
    if (number < 0) {
        wchar_t hex[16];
        std::swprintf(hex, 16, L" (%08lx)",
                      static_cast<unsigned long>(static_cast<uint32_t>(number)));
        head += hex;
    }
    return L"Run-time error '" + head + L"':\n\n" +
           (description.empty() ? std::wstring(err::kObjectDefinedText) : description);
}

// Failures of our own code get the numbers the platform would give them.
void ReportRunTimeError(HWND owner, const std::wstring& title, const std::exception_ptr& error) {
    std::wstring text;
    try {
        std::rethrow_exception(error);
    } catch (const platform::RuntimeError& e) {
        text = RunTimeErrorText(e.number(), e.description());
    } catch (const std::bad_alloc&) {
        text = RunTimeErrorText(err::kOutOfMemory.number, err::kOutOfMemory.text);
    } catch (...) {
        text = RunTimeErrorText(err::kInternalError.number, err::kInternalError.text);
    }
    MessageBoxW(owner, text.c_str(), title.c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace app
