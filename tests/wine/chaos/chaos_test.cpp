// Random user operations against a stand-in that misbehaves at random, each
// checked against a model of what must be: the rows listed, the quote's
// lines, every box, the program's end where a fault ends it, and the time
// an operation takes. CHAOS_OPS and CHAOS_SEED choose the run; operation k
// draws from the seed and k alone, so a run replays from its seed.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/win32/busy_win.h"
#include "search/options.h"
#include "standin/client/driver_win.h"
#include "standin/client/process_win.h"
#include "standin/model/scenario_win.h"
#include "tests/expected/catalogue.h"

namespace {

using driver::WaitUntil;
using nlohmann::json;
using standin::Utf8;
using standin::Wide;
using standin_client::ArgList;

constexpr wchar_t kWindowClass[] = L"Skuvane.frmMain";
constexpr DWORD kBoundMs = 5000;       // an operation's own time, beyond the host's
constexpr DWORD kBusyBoxMs = 35000;    // and beyond it where a Server Busy box comes
constexpr DWORD kHostStartMs = 20000;  // the host started through its registry
constexpr DWORD kRowMs = 400;          // a row read across processes, loaded machine
constexpr int kFaultPercent = 30;      // of the operations that call the host

// The columns the model knows: the four texts of every product.
constexpr std::array<const wchar_t*, 4> kKnown = {L"Description", L"Vendor", L"VendorPartNumber",
                                                  L"ManufacturerPartNumber"};
using Row = std::array<std::wstring, kKnown.size()>;
using Rows = std::vector<Row>;

class Rng {
  public:
    explicit Rng(uint64_t seed) : g_(seed) {}
    int Below(int n) { return n <= 0 ? 0 : int(g_() % uint64_t(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    template <class List>
    const auto& Pick(const List& list) {
        return list[size_t(Below(int(std::size(list))))];
    }

  private:
    std::mt19937_64 g_;
};

// --- The host's databases ----------------------------------------------------

constexpr const wchar_t* kWords[] = {L"Cable", L"Lamp", L"Switch", L"Relais", L"Büro",
                                     L"Ωmega", L"Hub",  L"Zange",  L"Lüfter", L"socket",
                                     L"Dübel", L"Fuse", L"Router", L"élan",   L"Stecker"};
constexpr const wchar_t* kVendors[] = {L"Nord", L"Süd GmbH", L"Łódź Supply", L"Acme",
                                       L"Kabel & Co"};
constexpr const wchar_t* kPrefixes[] = {L"AB-", L"ZL-", L"ÄX-", L"cd-"};
constexpr const wchar_t* kDatabases[] = {L"Elektro", L"Büro Nord", L"Netz & Co"};

// Small databases made from the seed, written where the host reads them and
// loaded into a store of the host's own kind: its answer to a query is the
// rows a search must list.
struct Catalog {
    std::wstring dir;
    standin::Store store;

    explicit Catalog(uint64_t seed) {
        wchar_t tmp[MAX_PATH];
        GetTempPathW(MAX_PATH, tmp);
        dir = std::wstring(tmp) + L"skuvane-chaos-" + std::to_wstring(GetCurrentProcessId());
        std::filesystem::create_directories(dir);
        Rng rng(seed);
        int serial = 100;
        for (size_t d = 0; d < std::size(kDatabases); ++d) {
            json products = json::array();
            const int count = rng.Between(3 + int(d) * 4, 8 + int(d) * 11);  // up to 30
            for (int i = 0; i < count; ++i) {
                serial += rng.Between(1, 40);
                products.push_back(
                    {{"Description", Utf8(std::wstring(rng.Pick(kWords)) + L" " + rng.Pick(kWords) +
                                          L" " + std::to_wstring(serial))},
                     {"Vendor", Utf8(rng.Pick(kVendors))},
                     {"VendorPartNumber", "V" + std::to_string(serial * 7 % 1000)},
                     {"ManufacturerPartNumber",
                      Utf8(rng.Pick(kPrefixes) + std::to_wstring(serial))}});
            }
            const std::wstring file = dir + L"\\" + std::to_wstring(d + 1) + L".json";
            std::ofstream(std::filesystem::path(file), std::ios::binary)
                << json{{"name", Utf8(kDatabases[d])}, {"products", products}}.dump();
            std::wstring error;
            if (!store.LoadFile(file, &error)) ADD_FAILURE() << Utf8(error);
        }
    }
    ~Catalog() {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    Catalog(const Catalog&) = delete;
    Catalog& operator=(const Catalog&) = delete;

    Row RowOf(const standin::Product& p) const {
        Row row;
        for (size_t c = 0; c < kKnown.size(); ++c)
            row[c] = store.Text(store.value(p.fields[standin::FindField(kKnown[c])]));
        return row;
    }
    Rows Query(const std::wstring& database, const std::wstring& field, const std::wstring& op,
               const std::wstring& value) const {
        Rows rows;
        standin::Operator o{};
        if (!standin::ParseOperator(op, &o)) return rows;
        for (const standin::Database& db : store.databases()) {
            if (database != search::kAllDatabases && db.name != database) continue;
            std::vector<uint32_t> found;
            standin::FindProducts(store, db, standin::FindField(field), o, value, &found);
            for (uint32_t i : found) rows.push_back(RowOf(db.products[i]));
        }
        return rows;
    }
    const standin::Product& Any(Rng& rng) const {
        const auto& db = rng.Pick(store.databases());
        return rng.Pick(db.products);
    }
};

// --- Faults ------------------------------------------------------------------

// The host members the program calls when it loads (L), searches (S) and
// adds (A), and how many calls of each one such operation may well make.
constexpr struct {
    char when;
    const char* member;
    int calls;
} kMembers[] = {
    {'L', "Application.ProductDatabases", 1},
    {'L', "ProductDatabases.Count", 1},
    {'L', "ProductDatabases.Item", 3},
    {'L', "ProductDatabase.Name", 3},
    {'S', "Application.ItemFunctions", 8},
    {'S', "ItemFunctions.MLIBufferClear", 2},
    {'S', "ItemFunctions.FindAndCopyProductsIntoMLIBuffer", 2},
    {'S', "ItemFunctions.MLIBufferCount", 2},
    {'S', "ItemFunctions.SLIBufferCopyFromMLIBuffer", 3},
    {'S', "ItemFunctions.SLIBufferGetValue", 150},
    {'A', "Application.ItemFunctions", 2},
    {'A', "Application.DocFunctions", 2},
    {'A', "DocFunctions.GetActiveDocumentIndex", 2},
    {'A', "ItemFunctions.AddItemFromProductDatabase", 2},
};

// Field answers of an odd type, in columns the model does not read.
const json kOddValues[] = {
    {{"CustomText05", {{"I8", "-9007199254740993"}}}},
    {{"UnitPrice", {{"R8", 2.5}}}},
    {{"Notes", {{"NULL", nullptr}}}},
    {{"CustomText01", {{"BOOL", true}}}},
    {{"CustomDate01", {{"DATE", "2026-03-24T13:45"}}}},
    {{"CustomText10", {{"ERROR", "0x800A07FA"}}}},
    {{"CustomMemo01", {{"BSTR", "0123456789"}, {"repeat", 2000}}}},
};

enum Kind { kSlow, kBusy, kLongBusy, kRaise, kExit, kOdd, kKinds };
constexpr const char* kKindNames[] = {"slow", "busy", "long busy", "raise", "exit", "odd values"};
constexpr int kKindWeights[] = {25, 20, 2, 20, 10, 23};

// A fault armed for one operation, and what the user must see if it is met.
struct Fault {
    Kind kind = kKinds;
    json scenario;
    std::string member;
    DWORD ms = 0;
    std::wstring report;  // the run-time error report it ends the program with
    bool reportPrefix = false;
    std::vector<int> answers;  // to the Server Busy boxes, in turn
    std::string Describe() const { return std::string(kKindNames[kind]) + " " + scenario.dump(); }
};

Fault DrawFault(Rng& rng, char when) {
    int w = rng.Below(100);
    Fault f;
    for (f.kind = Kind(0); w >= kKindWeights[f.kind]; f.kind = Kind(f.kind + 1))
        w -= kKindWeights[f.kind];
    if (f.kind == kOdd && when != 'S') f.kind = kSlow;  // field values come in searches only
    std::vector<size_t> members;
    for (size_t i = 0; i < std::size(kMembers); ++i)
        if (kMembers[i].when == when) members.push_back(i);
    const auto& m = kMembers[rng.Pick(members)];
    f.member = m.member;
    json at = {{"member", m.member}, {"call", rng.Between(1, m.calls)}};
    switch (f.kind) {
        case kSlow:
            f.ms = DWORD(rng.Between(100, 1500));
            at["ms"] = f.ms;
            f.scenario = {{"slow", at}};
            break;
        case kBusy:
        case kLongBusy: {
            f.ms = DWORD(f.kind == kBusy ? rng.Between(1000, 8000) : rng.Between(11000, 25000));
            const bool rejected = rng.Chance(50);
            at["ms"] = f.ms;
            at["code"] = rejected ? "rejected" : "retrylater";
            f.scenario = {{"busy", at}};
            f.report = rejected ? L"Run-time error '-2147418111 (80010001)':\n\nAutomation error"
                                : L"Run-time error '-2147417846 (8001010a)':\n\nAutomation error";
            for (int i = 0; i < 3; ++i)
                f.answers.push_back(
                    rng.Pick(std::array{IDRETRY, IDRETRY, win32::kSwitchToId, IDCANCEL}));
            break;
        }
        case kRaise: {
            const bool vb = rng.Chance(50);
            const std::wstring description = rng.Pick(std::array{L"The product database is locked.",
                                                                 L"Datenbank gesperrt – "
                                                                 L"später erneut"});
            at["code"] = vb ? "0x800A0BB8" : "0x80040201";
            at["description"] = Utf8(description);
            f.scenario = {{"error", at}};
            f.report = (vb ? L"Run-time error '3000':\n\n"
                           : L"Run-time error '-2147220991 (80040201)':\n\n") +
                       description;
            break;
        }
        case kExit:
            f.scenario = {{"exit", at}};
            f.report = L"Run-time error '-2147023170 (800706be)':\n\nAutomation error";
            f.reportPrefix = true;
            break;
        default:
            f.kind = kOdd;
            f.scenario = {{"values", rng.Pick(kOddValues)}};
            f.member = "SLIBufferGetValue(BSTR:\"" + f.scenario["values"].begin().key() + "\")";
            break;
    }
    return f;
}

// Whether the call log shows the fault met.
bool Met(const Fault& f, const std::vector<std::string>& log) {
    const auto has = [&](auto pred) { return std::ranges::any_of(log, pred); };
    switch (f.kind) {
        case kBusy:
        case kLongBusy:
            return has([](const std::string& l) { return l.find("-> failed 0x800") != l.npos; });
        case kRaise:
            return has([](const std::string& l) { return l.find("-> raised ") != l.npos; });
        case kExit:
            return has([](const std::string& l) { return l.ends_with("-> exit"); });
        case kOdd:
            return has([&](const std::string& l) { return l.find(f.member) != l.npos; });
        default: {
            const long call = f.scenario["slow"]["call"];
            return std::ranges::count_if(log, [&](const std::string& l) {
                       return l.starts_with(f.member + "(");
                   }) >= call;
        }
    }
}

// --- The run -----------------------------------------------------------------

std::wstring Joined(const std::vector<std::wstring>& cells, wchar_t between) {
    std::wstring s;
    for (size_t i = 0; i < cells.size(); ++i) s += (i ? std::wstring(1, between) : L"") + cells[i];
    return s;
}

class Chaos {
  public:
    Chaos(uint64_t seed, int ops) : seed_(seed), ops_(ops), catalog_(seed), host_(Scenario()) {}

    void Run();

  private:
    struct Operation {
        const char* name;
        int weight;
        void (Chaos::*act)(Rng&);
        char faults;  // the members whose faults it may meet, as in kMembers
    };
    static const Operation kOperations[];

    enum class Wait { kDone, kEnded, kHung };

    json Scenario() const { return {{"data", Utf8(catalog_.dir)}}; }
    HWND Control(search::ControlId id) const { return GetDlgItem(window_, app::ControlIdOf(id)); }
    HWND List() const { return Control(search::kLvwResults); }
    std::wstring Status() const { return driver::Text(Control(search::kLblStatus)); }
    bool HostUp() const { return bool(host_.Control()); }

    // One operation: a fault armed at random, the act, then the checks that
    // hold after every operation.
    void Step(int k);
    bool StartApp(Rng& rng);
    void Arm(Rng& rng, char when);
    void Disarm();  // counts the fault if it was met, and makes the host well
    Wait Await(const std::function<bool()>& done, DWORD boundMs);
    Wait Ended(HWND reportBox);
    void Failed(const std::string& why, bool hang = false, bool crash = false);
    void CheckQuote();
    void HostGone() {
        quote_.clear();
        quoteChecked_ = 0;
    }

    Rows ListedRows() const;
    std::vector<int> Selected() const;
    bool Menu(int item);
    std::optional<driver::MessageBoxSeen> Box(std::wstring_view caption) const;

    void Search(Rng& rng) { SearchFor(rng, false); }
    void Stop(Rng& rng) { SearchFor(rng, true); }
    void SearchFor(Rng& rng, bool stop);
    void Select(Rng& rng);
    void Add(Rng& rng);
    bool AddRow(Rng& rng, int row);
    void Sort(Rng& rng);
    void Find(Rng& rng);
    void Copy(Rng& rng);
    void Close(Rng& rng);
    void RestartHost(Rng& rng);

    const uint64_t seed_;
    const int ops_;
    Catalog catalog_;
    standin_client::StandIn host_;
    std::optional<driver::Process> app_;
    HWND window_ = nullptr;
    std::optional<Fault> armed_;
    bool busyBox_ = false;
    DWORD slack_ = 0;  // the host's own delays this operation: its start, an armed fault
    // The model: the list in the order shown, its sort, the quote's lines.
    Rows list_;
    int sortColumn_ = -1;
    bool descending_ = false;
    ULONGLONG lastFind_ = 0;
    std::vector<std::tuple<std::wstring, std::wstring, double>> quote_;
    size_t quoteChecked_ = 0;
    // What happened.
    std::vector<std::string> done_;  // each operation as drawn
    std::string op_;
    int failures_ = 0, hangs_ = 0, crashes_ = 0;
    std::array<int, kKinds> injected_{}, met_{};
    std::map<std::string, int> counts_;
};

const Chaos::Operation Chaos::kOperations[] = {
    {"search", 22, &Chaos::Search, 'S'}, {"stop", 5, &Chaos::Stop, 'S'},
    {"select", 20, &Chaos::Select, 0},   {"add", 22, &Chaos::Add, 'A'},
    {"sort", 8, &Chaos::Sort, 0},        {"find", 6, &Chaos::Find, 0},
    {"copy", 6, &Chaos::Copy, 0},        {"close", 5, &Chaos::Close, 0},
    {"host", 6, &Chaos::RestartHost, 0},
};

void Chaos::Run() {
    ASSERT_TRUE(host_.Start()) << host_.error();
    const ULONGLONG start = GetTickCount64();
    for (int k = 1; k <= ops_; ++k) Step(k);
    app_.reset();
    const double seconds = double(GetTickCount64() - start) / 1000;
    std::printf("chaos: %d operations, %d failures, %d hangs, %d crashes (seed %llu)\n", ops_,
                failures_, hangs_, crashes_, static_cast<unsigned long long>(seed_));
    std::printf("  %.0f s, %.2f s an operation, %.0f operations a minute\n", seconds,
                seconds / ops_, ops_ * 60 / seconds);
    std::printf("  faults injected / met:");
    for (int i = 0; i < kKinds; ++i) std::printf(" %s %d/%d", kKindNames[i], injected_[i], met_[i]);
    std::printf("\n  operations:");
    for (const auto& [name, n] : counts_) std::printf(" %s %d", name.c_str(), n);
    std::printf("\n");
    EXPECT_EQ(failures_, 0);
}

void Chaos::Step(int k) {
    Rng rng(seed_ * 1000003 + uint64_t(k));
    int w = rng.Below(100);
    const Operation* op = kOperations;
    while (w >= op->weight) w -= (op++)->weight;
    op_ = std::to_string(k) + " " + op->name;
    const ULONGLONG started = GetTickCount64();
    ++counts_[op->name];
    if (!app_ && !StartApp(rng)) {
        done_.push_back(op_);
        return;
    }
    slack_ = HostUp() ? 0 : kHostStartMs;
    if (op->faults && rng.Chance(kFaultPercent) && HostUp()) Arm(rng, op->faults);
    (this->*op->act)(rng);
    done_.push_back(op_);
    if (std::getenv("CHAOS_TRACE"))
        std::printf("%s (%llu ms)\n", op_.c_str(), GetTickCount64() - started);
    Disarm();
    busyBox_ = false;
    // The program holds no reference between operations, and asks nothing.
    if (app_ && (driver::WaitMessageBox(app_->pid(), 0) ||
                 !driver::WindowsOf(app_->pid(), L"#32770", true).empty())) {
        Failed("a box shows that no operation asked for");
    }
    if (HostUp() && host_.Outstanding() != 0) Failed("the host's objects are still referenced");
    CheckQuote();
}

bool Chaos::StartApp(Rng& rng) {
    const bool hostDown = !HostUp();
    slack_ = 0;
    if (!hostDown && rng.Chance(kFaultPercent)) Arm(rng, 'L');
    op_ += " (new start)";
    app_.emplace(driver::Process::Start(driver::WindowsPath(SKUVANE_EXE)));
    window_ = nullptr;
    const Wait w = Await(
        [&] {
            const auto shown = driver::WindowsOf(app_->pid(), kWindowClass, true);
            window_ = shown.empty() ? nullptr : shown[0];
            return window_ != nullptr;
        },
        kBoundMs + (hostDown ? kHostStartMs : 0) + slack_);
    list_.clear();
    sortColumn_ = -1;
    Disarm();
    if (w == Wait::kHung) Failed("the window did not open", true);
    if (w != Wait::kDone) return false;
    std::vector<std::wstring> offered = {std::wstring(search::kAllDatabases)};
    for (const wchar_t* db : kDatabases) offered.emplace_back(db);
    if (driver::ComboItems(Control(search::kCboProductDatabase)) != offered) {
        Failed("the database chooser does not offer the host's databases");
        return false;
    }
    return true;
}

void Chaos::Disarm() {
    if (!armed_) return;
    if (Met(*armed_, host_.LogLines())) ++met_[armed_->kind];
    armed_.reset();
    if (const auto control = host_.Control())
        standin_client::Call(control.Get(), L"Misbehave", ArgList().Text(L"{}"));
}

void Chaos::Arm(Rng& rng, char when) {
    armed_ = DrawFault(rng, when);
    host_.ClearLog();
    ++injected_[armed_->kind];
    slack_ += armed_->ms;
    op_ += " [" + armed_->Describe() + "]";
    standin_client::Call(host_.Control().Get(), L"Misbehave",
                         ArgList().Text(Wide(armed_->scenario.dump()).c_str()));
}

std::optional<driver::MessageBoxSeen> Chaos::Box(std::wstring_view caption) const {
    for (HWND dlg : driver::WindowsOf(app_->pid(), L"#32770", true)) {
        if (GetDlgItem(dlg, 0xFFFF) && driver::Text(dlg) == caption)
            return driver::MessageBoxSeen{dlg, driver::Text(dlg),
                                          driver::Text(GetDlgItem(dlg, 0xFFFF))};
    }
    return {};
}

// Polls `done` for up to `boundMs`, answering the Server Busy boxes as the
// fault drew; a run-time error report, or the program's end, ends the wait.
Chaos::Wait Chaos::Await(const std::function<bool()>& done, DWORD boundMs) {
    ULONGLONG deadline = GetTickCount64() + boundMs;
    size_t answered = 0;
    for (;;) {
        if (done()) return Wait::kDone;
        if (auto busy = Box(L"Server Busy")) {
            if (!busyBox_) deadline += kBusyBoxMs;
            busyBox_ = true;
            const bool drawn = armed_ && answered < armed_->answers.size();
            driver::Press(busy->hwnd, drawn ? armed_->answers[answered++] : IDRETRY);
            WaitUntil(5000, [&] { return !IsWindow(busy->hwnd); });
            continue;
        }
        if (auto report = Box(L"Skuvane"); report && report->text.starts_with(L"Run-time error"))
            return Ended(report->hwnd);
        if (!app_->Running()) {
            Failed("the program ended with no report, exit code " +
                       std::to_string(app_->WaitExit(0).value_or(0)),
                   false, true);
            return Wait::kEnded;
        }
        if (GetTickCount64() > deadline) {
            Failed("no end within " + std::to_string(boundMs) + " ms", true);
            return Wait::kHung;
        }
        Sleep(20);
    }
}

// The program reports a run-time error: it must be the armed fault's, and
// the program must end at once, leaving the host nothing held.
Chaos::Wait Chaos::Ended(HWND reportBox) {
    const std::wstring text = driver::Text(GetDlgItem(reportBox, 0xFFFF));
    driver::Press(reportBox, IDOK);
    const auto code = app_->WaitExit(10000);
    const bool exited = armed_ && armed_->kind == kExit;
    if (!armed_ ||
        (armed_->reportPrefix ? !text.starts_with(armed_->report) : text != armed_->report)) {
        Failed("a report no fault explains: " + Utf8(text));
    } else if (code != 1u) {
        Failed(code ? "the exit code after the report is " + std::to_string(*code)
                    : "still running after its report",
               !code, bool(code));
    }
    app_.reset();
    if (exited) {
        HostGone();
        ++met_[kExit];  // the log is gone with the host's end
        armed_.reset();
        WaitUntil(5000, [&] { return !HostUp(); });
        if (!host_.Start()) Failed("the host does not start again: " + host_.error());
    }
    return Wait::kEnded;
}

void Chaos::Failed(const std::string& why, bool hang, bool crash) {
    ++failures_;
    hangs_ += hang;
    crashes_ += crash;
    ADD_FAILURE() << "operation " << op_ << ": " << why;
    std::printf("chaos: failure at operation %s (seed %llu): %s\n  operations before it:\n",
                op_.c_str(), static_cast<unsigned long long>(seed_), why.c_str());
    for (size_t i = done_.size() > 30 ? done_.size() - 30 : 0; i < done_.size(); ++i)
        std::printf("    %s\n", done_[i].c_str());
    const std::vector<std::string> log = host_.LogLines();
    std::printf("  the host's last calls:\n");
    for (size_t i = log.size() > 5 ? log.size() - 5 : 0; i < log.size(); ++i)
        std::printf("    %s\n", log[i].c_str());
    std::printf("  replay: make chaos SEED=%llu OPS=%zu\n", static_cast<unsigned long long>(seed_),
                done_.size() + 1);
    // Start afresh: the program, the host and the model.
    app_.reset();
    armed_.reset();
    host_.Stop();
    HostGone();
    host_.Start();
}

void Chaos::CheckQuote() {
    const auto control = host_.Control();
    if (!control) return;
    const long lines = standin_client::Call(control.Get(), L"LineCount").asLong();
    if (lines != long(quote_.size())) {
        Failed("the quote holds " + std::to_string(lines) + " lines, the user was told of " +
               std::to_string(quote_.size()));
        return;
    }
    for (; quoteChecked_ < quote_.size(); ++quoteChecked_) {
        const auto [part, vendor, quantity] = quote_[quoteChecked_];
        const long i = long(quoteChecked_);
        const auto value = [&](const wchar_t* field) {
            return standin_client::Call(control.Get(), L"LineValue", ArgList().I4(i).Text(field))
                .text();
        };
        if (value(L"ManufacturerPartNumber") != part || value(L"Vendor") != vendor ||
            standin_client::Call(control.Get(), L"LineQuantity", ArgList().I4(i)).asDouble() !=
                quantity) {
            Failed("quote line " + std::to_string(i) + " is not " + Utf8(part) + " of " +
                   Utf8(vendor) + " times " + std::to_string(quantity));
        }
    }
}

Rows Chaos::ListedRows() const {
    driver::RemoteListView list(List());
    Rows rows(size_t(std::max(0, list.Count())));
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < kKnown.size(); ++c) rows[r][c] = list.Text(int(r), int(c));
    return rows;
}

std::vector<int> Chaos::Selected() const {
    std::vector<int> rows;
    for (int i = -1;
         (i = int(SendMessageW(List(), LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) >= 0;)
        rows.push_back(i);
    return rows;
}

// Opens the list's menu as the menu key does and picks an item with the
// keyboard: 0 Add, 1 Copy, 2 Select All.
bool Chaos::Menu(int item) {
    PostMessageW(window_, WM_CONTEXTMENU, WPARAM(List()), -1);
    HWND menu = nullptr;
    if (!WaitUntil(5000, [&] {
            const auto shown = driver::WindowsOf(app_->pid(), L"#32768", true);
            return (menu = shown.empty() ? nullptr : shown[0]) != nullptr;
        })) {
        Failed("the list's menu does not open");
        return false;
    }
    for (int i = 0; i <= item; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    return true;
}

// --- Operations ----------------------------------------------------------------

void Chaos::SearchFor(Rng& rng, bool stop) {
    const auto pickIn = [&](search::ControlId id, const std::wstring& want) {
        const auto items = driver::ComboItems(Control(id));
        const auto at = std::ranges::find(items, want);
        SendMessageW(Control(id), CB_SETCURSEL, WPARAM(at - items.begin()), 0);
    };
    const std::wstring db =
        rng.Chance(25) ? std::wstring(search::kAllDatabases) : rng.Pick(kDatabases);
    const std::wstring field(rng.Pick(search::kSearchFields));
    const std::wstring op(rng.Pick(search::kOperators));
    const standin::Product& p = catalog_.Any(rng);
    const std::wstring known = catalog_.RowOf(p)[field == L"VendorPartNumber" ? 2 : 3];
    std::wstring value;
    switch (rng.Below(10)) {
        case 0:
            break;
        case 1:
        case 2:
            value = rng.Pick(std::array{L"-", L"a", L"1", L"V"});
            break;
        case 3:
        case 4:
            value = known;
            break;
        case 5:
        case 6:
            value = known.substr(0, size_t(rng.Between(1, int(known.size()))));
            break;
        case 7:
        case 8:
            value = rng.Pick(std::array{L"ä", L"Ä", L"Ω", L"ß", L"ÄX-"});
            break;
        default:
            for (int i = 0; i < 1000; ++i) value += wchar_t(L'A' + rng.Below(26));
    }
    pickIn(search::kCboProductDatabase, db);
    pickIn(search::kCboSearchField, field);
    pickIn(search::kCboOperator, op);
    SendMessageW(Control(search::kTxtSearchFor), WM_SETTEXT, 0, LPARAM(value.c_str()));
    const std::wstring held = driver::Text(Control(search::kTxtSearchFor));  // what is searched
    const Rows expected = catalog_.Query(db, field, op, held);
    op_ += " " + Utf8(db) + " / " + Utf8(field) + " / " + Utf8(op) + " / \"" +
           Utf8(held.substr(0, 20)) + (held.size() > 20 ? "…" : "") + "\"";
    SendMessageW(Control(search::kLblStatus), WM_SETTEXT, 0, LPARAM(L""));
    driver::Press(window_, app::ControlIdOf(search::kCmdSearch));
    if (stop) {
        Sleep(DWORD(rng.Below(600)));
        PostMessageW(List(), WM_KEYDOWN, VK_ESCAPE, 1);
    }
    const DWORD bound = kBoundMs + DWORD(expected.size()) * kRowMs + slack_;
    if (Await(
            [&] {
                return Status() == search::text::kFinished || Status() == search::text::kStopped;
            },
            bound) != Wait::kDone) {
        return;
    }
    list_ = ListedRows();
    sortColumn_ = -1;
    const bool stopped = Status() == search::text::kStopped;
    op_ += ": " + std::to_string(list_.size()) + " of " + std::to_string(expected.size()) +
           " rows" + (stopped ? ", stopped" : "");
    if (stopped && !stop) Failed("stopped with no Esc");
    if (stopped ? list_.size() > expected.size() ||
                      !std::equal(list_.begin(), list_.end(), expected.begin())
                : list_ != expected) {
        Failed("listed " + std::to_string(list_.size()) + " rows, not the host's " +
               std::to_string(expected.size()) + (stopped ? " (stopped)" : ""));
    }
}

void Chaos::Select(Rng& rng) {
    const int n = int(list_.size());
    std::vector<int> rows;
    const int kind = rng.Below(4);
    for (int i = 0; i < n; ++i) {
        if (kind == 3 || (kind == 2 && rng.Chance(40))) rows.push_back(i);
    }
    if (kind == 1 && n > 0) rows = {rng.Below(n)};
    op_ += " " + std::to_string(rows.size()) + " of " + std::to_string(n);
    driver::RemoteListView(List()).Select(kind == 3 && rng.Chance(50) ? std::vector<int>{} : rows);
    if (kind == 3 && Selected().empty() && !Menu(2)) return;  // Select All
    if (!WaitUntil(3000, [&] { return Selected() == rows; })) Failed("not the rows selected");
}

void Chaos::Add(Rng& rng) {
    const int way = rng.Below(3);
    op_ += std::array{" button", " double-click", " menu"}[way];
    std::vector<int> rows = Selected();
    if (rows.empty() && !list_.empty() && rng.Chance(80)) {  // mostly, the user picks first
        for (int i = rng.Below(int(list_.size())); i < int(list_.size()); i += 1 + rng.Below(4))
            rows.push_back(i);
        driver::RemoteListView(List()).Select(rows);
    }
    if (way == 1) {
        if (list_.empty()) {
            const RECT r = driver::ClientRectIn(List(), List());
            PostMessageW(List(), WM_LBUTTONDBLCLK, MK_LBUTTON,
                         MAKELPARAM(r.right / 2, r.bottom / 2));
            if (Await([&] { return bool(Box(L"Skuvane")); }, kBoundMs) != Wait::kDone) return;
            const auto box = Box(L"Skuvane");
            if (box->text != search::text::kSelectItem) Failed("not the empty list's message");
            driver::Press(box->hwnd, IDOK);
            WaitUntil(5000, [&] { return !IsWindow(box->hwnd); });
            return;
        }
        rows = {rng.Below(int(list_.size()))};
        driver::RemoteListView list(List());
        list.Select(rows);
        SendMessageW(List(), LVM_ENSUREVISIBLE, WPARAM(rows[0]), FALSE);
        const RECT r = list.RowRect(rows[0]);
        PostMessageW(List(), WM_LBUTTONDBLCLK, MK_LBUTTON,
                     MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2));
    } else if (way == 0) {
        driver::Press(window_, app::ControlIdOf(search::kCmdAddToQuote));
    } else if (!Menu(0)) {
        return;
    }
    for (int row : rows) {
        if (!AddRow(rng, row)) return;
    }
}

// One row's exchange: the prompt, a quantity typed, and the outcome shown.
// False when the exchange ends the add.
bool Chaos::AddRow(Rng& rng, int row) {
    HWND input = nullptr;
    if (Await(
            [&] {
                for (HWND dlg : driver::WindowsOf(app_->pid(), L"#32770", true))
                    if (GetDlgItem(dlg, 101)) input = dlg;
                return input != nullptr;
            },
            kBoundMs + slack_) != Wait::kDone) {
        return false;
    }
    const Row& r = list_[size_t(row)];
    if (driver::Text(GetDlgItem(input, 100)) !=
            L"How many [ " + r[0] + L"] would you like to add?" ||
        driver::Text(input) != search::text::kAddTitle) {
        Failed("not the prompt for row " + std::to_string(row));
    }
    wchar_t point[4] = L".";
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, point, 4);
    // Mostly quantities, whole or halves (0.5 among them), then what is none.
    const int kind = rng.Below(12);
    const int whole = rng.Between(kind < 5 ? 1 : 0, 30);
    const std::wstring typed =
        kind < 5 ? std::to_wstring(whole)
        : kind < 7
            ? std::to_wstring(whole) + point + L"5"
            : std::array<std::wstring, 5>{L"0", L"-3", L"ten", L"40000", L""}[size_t(kind - 7)];
    const bool cancel = rng.Chance(10);
    op_ += " row " + std::to_string(row) + (cancel ? " Cancel" : " \"" + Utf8(typed) + "\"");
    SendMessageW(GetDlgItem(input, 101), WM_SETTEXT, 0, LPARAM(typed.c_str()));
    driver::Press(input, cancel ? IDCANCEL : IDOK);
    WaitUntil(5000, [&] { return !IsWindow(input); });
    if (cancel || kind >= 7) return false;
    // Halves go to the even neighbour.
    const int quantity = kind < 5 ? whole : int(std::nearbyint(whole + 0.5));
    const std::wstring outcome = L"Product Source: " + r[1] + L"\r\nPartNumber: " + r[3] +
                                 L"\r\nQuantity: " + std::to_wstring(quantity) + L"\r\n" +
                                 std::wstring(search::text::kAdded);
    std::optional<driver::MessageBoxSeen> box;
    if (Await([&] { return (box = Box(L"Skuvane")) && box->text.starts_with(L"Product Source"); },
              kBoundMs + slack_) != Wait::kDone) {
        return false;
    }
    driver::Press(box->hwnd, IDOK);
    WaitUntil(5000, [&] { return !IsWindow(box->hwnd); });
    if (box->text != outcome) {
        Failed("the outcome reads \"" + Utf8(box->text) + "\"");
        return false;
    }
    quote_.emplace_back(r[3], r[1], quantity);
    return true;
}

void Chaos::Sort(Rng& rng) {
    const int column = rng.Below(int(kKnown.size()));
    const bool descending = sortColumn_ == column && !descending_;
    op_ += " by " + Utf8(kKnown[size_t(column)]) + (descending ? " descending" : "");
    // A click in the middle of the column's header, scrolled into view first.
    HWND header = HWND(SendMessageW(List(), LVM_GETHEADER, 0, 0));
    int x = int(SendMessageW(List(), LVM_GETCOLUMNWIDTH, WPARAM(column), 0)) / 2;
    for (int c = 0; c < column; ++c)
        x += int(SendMessageW(List(), LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
    const RECT height = driver::ClientRectIn(header, header);
    const RECT width = driver::ClientRectIn(List(), List());
    SendMessageW(List(), LVM_SCROLL, WPARAM(x - width.right / 2 - GetScrollPos(List(), SB_HORZ)),
                 0);
    x -= GetScrollPos(List(), SB_HORZ);
    // Sent, not posted: the sort is done when the button's release returns.
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, height.bottom / 2));
    SendMessageW(header, WM_LBUTTONUP, 0, MAKELPARAM(x, height.bottom / 2));
    // No row's cell after the next one's, in the locale's text order, case ignored.
    std::wstring wrong;
    const auto ordered = [&](const Rows& rows) {
        for (size_t i = 1; i < rows.size(); ++i) {
            const std::wstring &a = rows[i - 1][size_t(column)], &b = rows[i][size_t(column)];
            const int order =
                CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), int(a.size()),
                                b.c_str(), int(b.size()), nullptr, nullptr, 0);
            if (order == (descending ? CSTR_LESS_THAN : CSTR_GREATER_THAN)) {
                wrong = a + L" before " + b;
                return false;
            }
        }
        return true;
    };
    const Rows rows = ListedRows();
    if (!ordered(rows)) Failed("the rows are not in order: " + Utf8(wrong));
    Rows before = list_, after = rows;
    std::ranges::sort(before);
    std::ranges::sort(after);
    if (before != after) {
        const auto [b, a] = std::ranges::mismatch(before, after);
        Failed("the sort changed the rows themselves: " +
               (b == before.end() ? std::string("more rows")
                                  : Utf8(Joined({b->begin(), b->end()}, L'|'))) +
               " became " +
               (a == after.end() ? std::string("fewer rows")
                                 : Utf8(Joined({a->begin(), a->end()}, L'|'))));
    }
    list_ = rows;
    sortColumn_ = column;
    descending_ = descending;
}

void Chaos::Find(Rng& rng) {
    const ULONGLONG since = GetTickCount64() - lastFind_;
    if (since < 1200) Sleep(DWORD(1200 - since));  // a new search text, not more of the last
    const int n = int(list_.size());
    wchar_t typed = n && rng.Chance(70) ? list_[size_t(rng.Below(n))][0][0] : L'a' + rng.Below(26);
    if (rng.Chance(50)) typed = wchar_t(towupper(typed));
    op_ += " '" + Utf8(std::wstring(1, typed)) + "'";
    const int focused = int(SendMessageW(List(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
    // The next row from the focused one, wrapping, whose description begins so.
    int target = focused;
    for (int i = 1; i <= n; ++i) {
        const std::wstring& d = list_[size_t((focused + i + n) % n)][0];
        if (!d.empty() && towlower(d[0]) == towlower(typed)) {
            target = (focused + i + n) % n;
            break;
        }
    }
    PostMessageW(List(), WM_CHAR, typed, 1);
    lastFind_ = GetTickCount64();
    if (!WaitUntil(3000, [&] {
            return SendMessageW(List(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED) == target &&
                   (target == focused || Selected() == std::vector<int>{target});
        })) {
        Failed("the focus is not on row " + std::to_string(target));
    }
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void Chaos::Copy(Rng& rng) {
    std::vector<int> rows = Selected();
    if (list_.empty()) return;
    if (rows.empty()) {
        rows = {rng.Below(int(list_.size()))};
        driver::RemoteListView(List()).Select(rows);
    }
    op_ += " " + std::to_string(rows.size()) + " rows";
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    if (!Menu(1)) return;
    std::wstring text;
    WaitUntil(3000, [&] { return !(text = ClipboardText()).empty(); });
    // The captions, then each selected row in the order shown; the cells the
    // model knows come first.
    std::wstring want = Joined(expected::kHeaders, L'\t') + L"\r\n";
    std::wstring got;
    for (size_t at = 0, end; (end = text.find(L"\r\n", at)) != text.npos; at = end + 2) {
        const std::wstring line = text.substr(at, end - at);
        size_t cut = 0;
        for (size_t c = 0; c < kKnown.size() && cut != line.npos; ++c)
            cut = line.find(L'\t', cut + 1);
        got += (got.empty() ? line : line.substr(0, cut)) + L"\r\n";
    }
    for (int r : rows)
        want += Joined({list_[size_t(r)].begin(), list_[size_t(r)].end()}, L'\t') + L"\r\n";
    if (got != want) Failed("the clipboard holds " + Utf8(text.substr(0, 300)));
}

void Chaos::Close(Rng& rng) {
    // The close box, the system menu, Alt+F4 and the Close button.
    const struct {
        const char* way;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } way = rng.Pick(std::array{decltype(way){" close box", WM_CLOSE, 0, 0},
                                decltype(way){" system menu", WM_SYSCOMMAND, SC_CLOSE, 0},
                                decltype(way){" Alt+F4", WM_SYSKEYDOWN, VK_F4, 1 << 29},
                                decltype(way){" Close", BM_CLICK, 0, 0}});
    op_ += way.way;
    PostMessageW(way.message == BM_CLICK ? Control(search::kCmdClose) : window_, way.message,
                 way.wParam, way.lParam);
    const auto code = app_->WaitExit(10000);
    if (code != 0u)
        Failed(code ? "exit code " + std::to_string(*code) : "still running", !code, bool(code));
    app_.reset();
}

void Chaos::RestartHost(Rng& rng) {
    if (HostUp()) {
        const bool crash = rng.Chance(50);
        op_ += crash ? " crashed" : " closed";
        if (crash) {
            const DWORD pid =
                DWORD(standin_client::Call(host_.Control().Get(), L"ProcessId").asLong());
            if (HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
                TerminateProcess(h, 0xC0000005);
                WaitForSingleObject(h, 5000);
                CloseHandle(h);
            }
        } else {
            host_.Stop();
        }
        HostGone();
    }
    if (rng.Chance(50)) {
        op_ += ", started again";
        if (!host_.Start()) Failed("the host does not start: " + host_.error());
    }
}

// Registers the stand-in for the run and leaves the prefix as it was found.
TEST(Chaos, RandomUserOperationsAgainstAMisbehavingHostMatchTheModel) {
    const standin_client::Registration registration;
    ASSERT_TRUE(registration.ok());
    const char* ops = std::getenv("CHAOS_OPS");
    const char* seed = std::getenv("CHAOS_SEED");
    Chaos run(seed ? std::strtoull(seed, nullptr, 10) : 1, ops ? std::atoi(ops) : 100);
    run.Run();
}

}  // namespace
