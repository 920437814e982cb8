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

namespace {

// Most cells hold a number as the platform writes one: an optional minus,
// digits and at most one decimal separator. Up to 15 digits, the digits as
// a whole number divided by a power of ten (both exact) round once, as the
// platform's parser does, at a fraction of its cost.
bool PlainNumber(std::wstring_view cell, wchar_t decimal, double& out) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = cell.starts_with(L'-');
    int64_t whole = 0;
    int digits = 0, decimals = -1;
    for (wchar_t c : cell.substr(negative ? 1 : 0)) {
        if (c >= L'0' && c <= L'9' && digits < 15) {
            whole = whole * 10 + (c - L'0');
            ++digits;
            if (decimals >= 0) ++decimals;
        } else if (c == decimal && decimals < 0) {
            decimals = 0;
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    out = static_cast<double>(whole) / kPowersOfTen[std::max(decimals, 0)];
    if (negative) out = -out;
    return true;
}

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool IsLetter(wchar_t c) {
    if (c < 0x80) return (c | 0x20) >= L'a' && (c | 0x20) <= L'z';
    return IsCharAlphaW(c) != FALSE;
}

// Ordinal, ignoring case: the date words' order.
bool Before(std::wstring_view a, std::wstring_view b) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                                static_cast<int>(b.size()), TRUE) == CSTR_LESS_THAN;
}

std::wstring LocaleText(const wchar_t* locale, LCTYPE type) {
    wchar_t text[LOCALE_NAME_MAX_LENGTH + 1] = {};
    const int n = GetLocaleInfoEx(locale, type, text, LOCALE_NAME_MAX_LENGTH + 1);
    return std::wstring(text, static_cast<size_t>(std::max(n - 1, 0)));
}

}  // namespace

CellReaderWin::CellReaderWin() {
    const wchar_t* const user = LOCALE_NAME_USER_DEFAULT;
    thousands_ = LocaleText(user, LOCALE_STHOUSAND);
    const std::wstring decimal = LocaleText(user, LOCALE_SDECIMAL);
    decimal_ = decimal.size() == 1 ? decimal[0] : 0;
    numberMarks_ = L" +-()eE" + decimal + thousands_ + LocaleText(user, LOCALE_SCURRENCY);

    // AM, PM, the day names and the month names, full and short, are one
    // run of locale values; month names also as they stand after a day.
    for (const wchar_t* locale : {user, LOCALE_NAME_INVARIANT}) {
        for (LCTYPE type = LOCALE_S1159; type <= LOCALE_SABBREVMONTHNAME12; ++type) {
            std::wstring names = LocaleText(locale, type);
            if (type >= LOCALE_SMONTHNAME1)
                names += L' ' + LocaleText(locale, type | LOCALE_RETURN_GENITIVE_NAMES);
            for (size_t i = 0; i < names.size();) {
                size_t end = i;
                while (end < names.size() && IsLetter(names[end])) ++end;
                if (end > i) dateWords_.push_back(names.substr(i, end - i));
                i = end + 1;
            }
        }
    }
    std::sort(dateWords_.begin(), dateWords_.end(), Before);
}

wchar_t* CellReaderWin::Terminated(std::wstring_view cell) {
    buffer_.assign(cell);
    return buffer_.data();
}

// Only a cell of digits and the marks a number may hold goes to the
// platform's parser. That parser takes a thousands separator anywhere, so
// that under de-DE the date "31.12.2025" reads as a number; a user reads
// one only before a group of three digits.
bool CellReaderWin::Number(std::wstring_view cell, double& out) {
    if (PlainNumber(cell, decimal_, out)) return true;
    bool digits = false;
    for (wchar_t c : cell) {
        if (IsDigit(c)) {
            digits = true;
        } else if (numberMarks_.find(c) == std::wstring::npos) {
            return false;
        }
    }
    if (!digits) return false;
    if (!thousands_.empty()) {
        for (size_t at = cell.find(thousands_); at != std::wstring_view::npos;
             at = cell.find(thousands_, at + 1)) {
            const std::wstring_view after = cell.substr(at + thousands_.size());
            const size_t n = std::min(after.find_first_not_of(L"0123456789"), after.size());
            if (n != 3) return false;
        }
    }
    return SUCCEEDED(VarR8FromStr(Terminated(cell), LOCALE_USER_DEFAULT, 0, &out));
}

bool CellReaderWin::MayBeDate(std::wstring_view cell) {
    bool digits = false;
    for (size_t i = 0; i < cell.size();) {
        if (!IsLetter(cell[i])) {
            digits = digits || IsDigit(cell[i]);
            ++i;
            continue;
        }
        size_t end = i;
        while (end < cell.size() && IsLetter(cell[end])) ++end;
        const std::wstring_view word = cell.substr(i, end - i);
        if (!std::binary_search(dateWords_.begin(), dateWords_.end(), word, Before)) return false;
        i = end;
    }
    return digits;
}

bool CellReaderWin::Date(std::wstring_view cell, double& out) {
    return MayBeDate(cell) &&
           SUCCEEDED(VarDateFromStr(Terminated(cell), LOCALE_USER_DEFAULT, 0, &out));
}

// Into a buffer on the stack first: mapping straight into the keys, grown
// for each cell, costs three times as much.
void CellReaderWin::AppendTextKey(std::wstring_view cell, std::string& keys) {
    constexpr DWORD kFlags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int length = static_cast<int>(cell.size());
    const auto map = [&](char* out, int room) {  // the key's bytes with a closing zero
        return LCMapStringEx(LOCALE_NAME_USER_DEFAULT, kFlags, cell.data(), length,
                             reinterpret_cast<LPWSTR>(out), room, nullptr, nullptr, 0);
    };
    char buffer[1024];
    int n = map(buffer, sizeof buffer);
    if (n > 0) {
        keys.append(buffer, static_cast<size_t>(n - 1));
        return;
    }
    std::string longer(static_cast<size_t>(std::max(map(nullptr, 0), 1)), '\0');
    n = map(longer.data(), static_cast<int>(longer.size()));
    keys.append(longer, 0, static_cast<size_t>(std::max(n - 1, 0)));
}

namespace {

// The units from `first` to `last` (not included) mapped `how` by the user's
// locale: all in one call, or each alone when the mapping changed a length.
// A unit that maps to other than one unit stays as it is.
void MapUnits(std::wstring& units, size_t first, size_t last, DWORD how) {
    const auto map = [how](const wchar_t* from, int n, wchar_t* to) {
        return LCMapStringEx(LOCALE_NAME_USER_DEFAULT, how | LCMAP_LINGUISTIC_CASING, from, n, to,
                             n, nullptr, nullptr, 0) == n;
    };
    std::wstring mapped(last - first, L'\0');
    if (map(units.data() + first, static_cast<int>(mapped.size()), mapped.data())) {
        std::copy(mapped.begin(), mapped.end(), units.begin() + static_cast<ptrdiff_t>(first));
        return;
    }
    for (size_t u = first; u < last; ++u) {
        wchar_t one = 0;
        if (map(&units[u], 1, &one)) units[u] = one;
    }
}

}  // namespace

// Upper case, then lower: letters with more than one lower form (the final
// sigma, the long s) fold with their capital. Surrogates stay themselves.
const platform::CaseFold& UserCaseFold() {
    static const platform::CaseFold fold = [] {
        constexpr size_t kUnits = 0x10000, kFirstSurrogate = 0xD800, kPastSurrogates = 0xE000;
        std::wstring units(kUnits, L'\0');
        for (size_t u = 0; u < kUnits; ++u) units[u] = static_cast<wchar_t>(u);
        for (DWORD how : {LCMAP_UPPERCASE, LCMAP_LOWERCASE}) {
            MapUnits(units, 1, kFirstSurrogate, how);
            MapUnits(units, kPastSurrogates, kUnits, how);
        }
        auto table = std::make_unique<char16_t[]>(kUnits);
        std::copy(units.begin(), units.end(), table.get());
        return platform::CaseFold(std::move(table));
    }();
    return fold;
}

}  // namespace win32
