#include "platform/win32/numbers_win.h"

#include <windows.h>
// after windows.h
#include <oleauto.h>

namespace win32 {

namespace {

// The automation parser, so that "1,5" or "1.5" mean what the user's
// regional settings say.
bool Parse(const std::wstring& text, double& out) {
    return SUCCEEDED(
        VarR8FromStr(const_cast<LPOLESTR>(text.c_str()), LOCALE_USER_DEFAULT, 0, &out));
}

}  // namespace

bool NumberRulesWin::IsNumeric(const std::wstring& text) {
    double d = 0;
    return Parse(text, d);
}

double NumberRulesWin::ToDouble(const std::wstring& text) {
    double d = 0;
    Parse(text, d);
    return d;
}

bool NumberRulesWin::ToInteger(const std::wstring& text, int16_t& out) {
    SHORT s = 0;
    if (FAILED(VarI2FromStr(const_cast<LPOLESTR>(text.c_str()), LOCALE_USER_DEFAULT, 0, &s)))
        return false;
    out = s;
    return true;
}

}  // namespace win32
