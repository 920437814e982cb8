#include "platform/win32/numbers_win.h"

#include <windows.h>
// after windows.h
#include <oleauto.h>

#include <algorithm>

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

CellReaderWin::CellReaderWin() {
    wchar_t sep[8] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STHOUSAND, sep, 8);
    thousands_ = sep;
}

wchar_t* CellReaderWin::Terminated(std::wstring_view cell) {
    buffer_.assign(cell);
    return buffer_.data();
}

// The platform's parser takes a thousands separator anywhere, so that under
// de-DE the date "31.12.2025" reads as a number; a user reads one only
// before a group of three digits.
bool CellReaderWin::Number(std::wstring_view cell, double& out) {
    if (!thousands_.empty()) {
        for (size_t at = cell.find(thousands_); at != std::wstring_view::npos;
             at = cell.find(thousands_, at + 1)) {
            const std::wstring_view after = cell.substr(at + thousands_.size());
            const size_t digits = std::min(after.find_first_not_of(L"0123456789"), after.size());
            if (digits != 3) return false;
        }
    }
    return SUCCEEDED(VarR8FromStr(Terminated(cell), LOCALE_USER_DEFAULT, 0, &out));
}

bool CellReaderWin::Date(std::wstring_view cell, double& out) {
    return SUCCEEDED(VarDateFromStr(Terminated(cell), LOCALE_USER_DEFAULT, 0, &out));
}

void CellReaderWin::TextKey(std::wstring_view cell, std::string& key) {
    constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int length = static_cast<int>(cell.size());
    key.resize(cell.size() * 4 + 16);
    int n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, cell.data(), length,
                          reinterpret_cast<LPWSTR>(key.data()), static_cast<int>(key.size()),
                          nullptr, nullptr, 0);
    if (n == 0) {  // too small a guess: ask for the size
        n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, cell.data(), length, nullptr, 0,
                          nullptr, nullptr, 0);
        key.resize(static_cast<size_t>(n));
        n = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, cell.data(), length,
                          reinterpret_cast<LPWSTR>(key.data()), n, nullptr, nullptr, 0);
    }
    key.resize(static_cast<size_t>(n));
    if (!key.empty()) key.pop_back();  // n counts the key's closing zero
}

}  // namespace win32
