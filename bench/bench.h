// skuvane_bench's shared part: the databases the searches run on, timing
// and statistics, the verdicts, and the measures that main runs in order.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace standin {
class InProcessHost;
}

namespace bench {

class Window;

// The databases: generated from the sample products, so that their values
// have the sample data's mix of texts, prices, dates and blanks.
constexpr int kSmallRows = 1000;
constexpr int kLargeRows = 32766;  // the most a 16-bit row index reaches in full
constexpr int kRemoteRows = 200;
inline const wchar_t* const kSmallDatabase = L"Bench 1000";
inline const wchar_t* const kLargeDatabase = L"Bench 32766";
inline const wchar_t* const kRemoteDatabase = L"Bench 200";

// Every generated part number carries "-G" and a serial: this finds them all,
// and the host still compares every product.
inline const wchar_t* const kField = L"ManufacturerPartNumber";
inline const wchar_t* const kOperator = L"Contains";
inline const wchar_t* const kValue = L"-G";

// The high-resolution counter, and a span of it in milliseconds.
int64_t Ticks();
double Ms(int64_t ticks);
double SinceMs(int64_t start);
double Mb(SIZE_T bytes);

double Best(const std::vector<double>& v);
double Worst(const std::vector<double>& v);
// The value below which a share `q` (0 to 1) of them lies, interpolated.
double Quantile(std::vector<double> v, double q);
double Median(const std::vector<double>& v);

// Prints "  (target <= 4 us: met)", or MISSED, and ends the line; true
// when the value is at most the target. `unit` may be empty.
bool AtMost(double value, double target, const char* unit);
bool AtLeast(double value, double target, const char* unit);

[[noreturn]] void Fail(const std::string& why);
void Check(HRESULT hr, const char* what);

// Two kinds of run made in pairs, each kind first in turn, so that both
// meet the same state of the machine; a first pair warms up, not counted.
struct Pairs {
    std::vector<double> a, b;
    std::vector<double> Differences() const;  // a - b, pair by pair
    std::vector<double> Ratios() const;       // a / b, pair by pair
};
Pairs Alternate(int pairs, const std::function<double()>& a, const std::function<double()>& b);

// The program's own time beyond the host calls, in process: a cost a row
// and a cost a search.
struct OwnTime {
    double perRowMs = 0, perSearchMs = 0;
};

// The measures, in the order main runs them: first those against the host
// in this process, then those against the host in a process of its own.
void MeasureMemory(Window& w);
void MeasureFirstPaint(Window& w);
OwnTime MeasureOwnTime(Window& w);
void MeasureResultList(Window& w);
void MeasureColumns(Window& w);
void MeasureFindAndFilter(Window& w);
void MeasureLongUse(Window& w, standin::InProcessHost& host);
void MeasureOutOfProcess(Window& w, const OwnTime& own);
void MeasureInput(Window& w);
void MeasureThumbDrag(Window& w);

}  // namespace bench
