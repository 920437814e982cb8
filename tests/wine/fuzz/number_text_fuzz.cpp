// number_text_fuzz [count [seed]]: the program's own text of numbers, money
// and dates against the platform's conversion under the user's locale, over
// random bit patterns and values at every rounding edge. Prints the first
// differences and ends with "fuzz: N inputs, D differences"; fails on any.
#include <windows.h>
// after windows.h
#include <oleauto.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/win32/automation_win.h"
#include "platform/win32/variant_win.h"

namespace {

using platform::Variant;

uint64_t state = 1;
uint64_t Next() {  // splitmix64
    uint64_t z = (state += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
}
int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }

double FromBits(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// The double nearest "<digits>e<exponent>", or one of its two neighbours.
double Near(uint64_t digits, int exponent) {
    char text[48];
    std::snprintf(text, sizeof text, "%llue%d", static_cast<unsigned long long>(digits), exponent);
    double d = 0;
    std::from_chars(text, text + std::strlen(text), d);
    const int side = Below(3);
    d = side == 0 ? d : std::nextafter(d, side == 1 ? -HUGE_VAL : HUGE_VAL);
    return Next() & 1 ? -d : d;
}

uint64_t Digits(int n) {  // a random number of at most n digits
    uint64_t limit = 1;
    for (int i = 0; i < n; ++i) limit *= 10;
    return Next() % limit;
}

double AnyDouble() {
    switch (Below(8)) {
        case 0:  // any bit pattern, denormals and NaNs among them
            return FromBits(Next());
        case 1:  // denormals
            return FromBits(Next() & 0x800FFFFFFFFFFFFFu);
        case 2:  // powers of ten, and 15 nines that round up to one
            return Near(Below(2) ? 1 : 999999999999999u, Below(660) - 340);
        case 3:  // halfway between two 15-digit texts
            return Near(
                (Below(4) ? 100000000000000u + Next() % 900000000000000u : 999999999999999u) * 10 +
                    5,
                Below(40) - 25);
        case 4:  // zeros, infinities
            return FromBits((Next() & 0x8000000000000000u) | (Below(2) ? 0 : 0x7FF0000000000000u));
        default:  // decimals of 1 to 19 digits about the plain form's edges
            return Near(Digits(1 + Below(19)), Below(40) - 26);
    }
}

int64_t AnyCurrency() {
    switch (Below(4)) {
        case 0:
            return static_cast<int64_t>(Next());
        case 1:  // the limits and their neighbours
            return static_cast<int64_t>(0x8000000000000000u + static_cast<uint64_t>(Below(5) - 2));
        default:  // amounts with trailing zeros among their four decimals
            return (Next() & 1 ? -1 : 1) * static_cast<int64_t>(Digits(1 + Below(14))) *
                   static_cast<int64_t>(std::pow(10, Below(5)));
    }
}

double AnyDate() {
    const double day = Below(3658000) - 657500;  // the range and a little beyond
    switch (Below(4)) {
        case 0:
            return FromBits(Next());
        case 1:
            return day;
        case 2:  // a second's half, where the time rounds
            return Near(static_cast<uint64_t>(std::fabs(day) * 86400 + Below(86400)) * 10 + 5, -1) /
                   86400;
        default:
            return day + static_cast<double>(Next() >> 11) / 9007199254740992.0;
    }
}

std::wstring Ours(win32::AutomationWin& com, const Variant& v) {
    try {
        std::wstring out;
        com.ToString(v, out);
        return out;
    } catch (const platform::RuntimeError&) {
        return L"(error)";
    }
}

template <class F>
std::wstring Platform(F convert) {
    win32::Bstr b;
    return SUCCEEDED(convert(b.out())) ? b.str() : L"(error)";
}

}  // namespace

int main(int argc, char** argv) {
    const long long count = argc > 1 ? std::atoll(argv[1]) : 10000000;
    state = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1;
    wchar_t locale[LOCALE_NAME_MAX_LENGTH] = L"?";
    GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH);
    std::printf("number_text_fuzz: %lld inputs under %ls, seed %llu\n", count, locale,
                static_cast<unsigned long long>(state));
    win32::AutomationWin com;
    const LCID lcid = LOCALE_USER_DEFAULT;
    long long differences = 0;
    for (long long i = 0; i < count; ++i) {
        Variant v;
        std::wstring theirs;
        char input[64];
        if (const auto kind = i % 8; kind < 5) {
            const double d = AnyDouble();
            v = Variant(d);
            theirs = Platform([&](BSTR* b) { return VarBstrFromR8(d, lcid, 0, b); });
            std::snprintf(input, sizeof input, "double %.17g", d);
        } else if (kind < 6) {
            CY cy;
            cy.int64 = AnyCurrency();
            v = Variant(platform::Currency{cy.int64});
            theirs = Platform([&](BSTR* b) { return VarBstrFromCy(cy, lcid, 0, b); });
            std::snprintf(input, sizeof input, "currency %lld", static_cast<long long>(cy.int64));
        } else if (kind < 7) {
            const double d = AnyDate();
            v = Variant(platform::Date{d});
            theirs = Platform([&](BSTR* b) { return VarBstrFromDate(d, lcid, 0, b); });
            std::snprintf(input, sizeof input, "date %.17g", d);
        } else {
            const auto n = static_cast<int32_t>(Next());
            v = i & 8 ? Variant(n) : Variant(static_cast<int16_t>(n));
            const LONG wide = i & 8 ? n : static_cast<int16_t>(n);
            theirs = Platform([&](BSTR* b) { return VarBstrFromI4(wide, lcid, 0, b); });
            std::snprintf(input, sizeof input, "integer %ld", static_cast<long>(wide));
        }
        const std::wstring ours = Ours(com, v);
        if (ours != theirs && ++differences <= 5)
            std::printf("  %s: ours \"%ls\", the platform's \"%ls\"\n", input, ours.c_str(),
                        theirs.c_str());
    }
    std::printf("fuzz: %lld inputs, %lld differences\n", count, differences);
    return differences == 0 ? 0 : 1;
}
