// Timing, statistics and verdicts, shared by every measure.
#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include "bench/bench.h"

namespace bench {

int64_t Ticks() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Ms(int64_t ticks) {
    static const double perMs = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return double(f.QuadPart) / 1000.0;
    }();
    return double(ticks) / perMs;
}

double SinceMs(int64_t start) { return Ms(Ticks() - start); }

double Mb(SIZE_T bytes) { return double(bytes) / (1024.0 * 1024.0); }

double Best(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

double Worst(const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); }

double Quantile(std::vector<double> v, double q) {
    std::sort(v.begin(), v.end());
    const double at = q * double(v.size() - 1);
    const size_t below = static_cast<size_t>(at);
    if (below + 1 >= v.size()) return v.back();
    return v[below] + (at - double(below)) * (v[below + 1] - v[below]);
}

double Median(const std::vector<double>& v) { return Quantile(v, 0.5); }

namespace {

bool PrintTarget(bool met, const char* relation, double target, const char* unit) {
    std::printf("  (target %s %g%s%s: %s)\n", relation, target, *unit ? " " : "", unit,
                met ? "met" : "MISSED");
    return met;
}

}  // namespace

bool AtMost(double value, double target, const char* unit) {
    return PrintTarget(value <= target, "<=", target, unit);
}

bool AtLeast(double value, double target, const char* unit) {
    return PrintTarget(value >= target, ">=", target, unit);
}

void Fail(const std::string& why) { throw std::runtime_error(why); }

void Check(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
        Fail(std::string(what) + " failed with " + code);
    }
}

std::vector<double> Pairs::Differences() const {
    std::vector<double> d;
    for (size_t i = 0; i < a.size(); ++i) d.push_back(a[i] - b[i]);
    return d;
}

std::vector<double> Pairs::Ratios() const {
    std::vector<double> r;
    for (size_t i = 0; i < a.size(); ++i) r.push_back(a[i] / b[i]);
    return r;
}

Pairs Alternate(int pairs, const std::function<double()>& a, const std::function<double()>& b) {
    Pairs p;
    for (int i = 0; i <= pairs; ++i) {
        double first, second;
        if (i % 2 == 0) {
            first = a();
            second = b();
        } else {
            second = b();
            first = a();
        }
        if (i == 0) continue;
        p.a.push_back(first);
        p.b.push_back(second);
    }
    return p;
}

}  // namespace bench
