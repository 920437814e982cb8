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
using standin_client::ArgList;
namespace text = search::text;

constexpr DWORD kBoundMs = 5000;       // an operation's own time, beyond the host's
constexpr DWORD kBusyBoxMs = 35000;    // and beyond it where a Server Busy box comes
constexpr DWORD kHostStartMs = 20000;  // the host started through its registry
constexpr DWORD kRowMs = 400;          // a row read across processes, loaded machine
constexpr int kFaultPercent = 25;      // of the operations that call the host

// The columns the model knows: the four texts of every product.
constexpr std::array<const wchar_t*, 4> kKnown = {L"Description", L"Vendor", L"VendorPartNumber",
                                                  L"ManufacturerPartNumber"};
using Row = std::array<std::wstring, kKnown.size()>;
using Rows = std::vector<Row>;

struct Rng {
    std::mt19937_64 g;
    int Below(int n) { return n <= 0 ? 0 : int(g() % uint64_t(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    template <class List>
    decltype(auto) Pick(const List& list) {
        return list[size_t(Below(int(std::size(list))))];
    }
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
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("skuvane-chaos-" + std::to_string(GetCurrentProcessId()));
    standin::Store store;

    explicit Catalog(uint64_t seed) {
        std::filesystem::create_directories(dir);
        Rng rng{std::mt19937_64(seed)};
        int serial = 100;
        for (size_t d = 0; d < std::size(kDatabases); ++d) {
            json products = json::array();
            for (int i = rng.Between(3 + int(d), std::array{6, 10, 20}[d]); i > 0; --i) {
                serial += rng.Between(1, 40);
                products.push_back(
                    {{"Description", Utf8(std::wstring(rng.Pick(kWords)) + L" " + rng.Pick(kWords) +
                                          L" " + std::to_wstring(serial))},
                     {"Vendor", Utf8(rng.Pick(kVendors))},
                     {"VendorPartNumber", Utf8(L"V" + std::to_wstring(serial * 7 % 1000))},
                     {"ManufacturerPartNumber",
                      Utf8(rng.Pick(kPrefixes) + std::to_wstring(serial))}});
            }
            const auto file = dir / (std::to_string(d + 1) + ".json");
            std::ofstream(file, std::ios::binary)
                << json{{"name", Utf8(kDatabases[d])}, {"products", products}}.dump();
            std::wstring error;
            if (!store.LoadFile(file.wstring(), &error)) ADD_FAILURE() << Utf8(error);
        }
    }

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
        standin::ParseOperator(op, &o);
        for (const standin::Database& db : store.databases()) {
            if (database != search::kAllDatabases && db.name != database) continue;
            std::vector<uint32_t> found;
            standin::FindProducts(store, db, standin::FindField(field), o, value, &found);
            for (uint32_t i : found) rows.push_back(RowOf(db.products[i]));
        }
        return rows;
    }
};

// --- Faults ------------------------------------------------------------------

// The host members the program calls when it starts (L), searches (S) and
// adds (A), and how many calls of each one such an operation may well make.
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

// The faults: the scenario key that arms one, and what the host's call log
// shows when one is met (a slow call's member is added to it).
enum Kind { kSlow, kBusy, kRaise, kExit, kOdd, kKinds };
constexpr struct {
    const char *name, *key, *mark;
    int weight;
} kFaults[] = {{"slow", "slow", "", 30},
               {"busy", "busy", "-> failed 0x800", 20},
               {"raise", "error", "-> raised ", 20},
               {"exit", "exit", "-> exit", 10},
               {"odd values", "values", "SLIBufferGetValue(BSTR:\"", 20}};

// A fault armed for one operation, and the report it must end the program
// with if it is met: for a crash, the report's beginning.
struct Fault {
    Kind kind = kKinds;
    std::string scenario, mark;  // for the host's Misbehave; in its call log when met (a slow
                                 // call's member, as often as its call number)
    long call = 0;
    DWORD ms = 0;
    std::wstring report;
    std::vector<int> answers;  // to the Server Busy boxes, in turn

    bool Met(const std::vector<std::string>& log) const {
        return std::ranges::count_if(log, [&](const std::string& l) {
                   return l.find(mark) != l.npos;
               }) >= (kind == kSlow ? call : 1);
    }
};

Fault DrawFault(Rng& rng, char when) {
    Fault f;
    int w = rng.Below(100);
    for (f.kind = Kind(0); w >= kFaults[f.kind].weight; f.kind = Kind(f.kind + 1))
        w -= kFaults[f.kind].weight;
    if (f.kind == kOdd && when != 'S') f.kind = kSlow;  // field values come in searches only
    std::vector<size_t> members;
    for (size_t i = 0; i < std::size(kMembers); ++i)
        if (kMembers[i].when == when) members.push_back(i);
    const auto& m = kMembers[rng.Pick(members)];
    f.call = rng.Between(1, m.calls);
    f.mark = f.kind == kSlow ? m.member + std::string("(") : kFaults[f.kind].mark;
    json at = {{"member", m.member}, {"call", f.call}};
    const bool rejected = rng.Chance(50);  // how a busy host turns calls away
    const std::wstring description = rng.Chance(50) ? L"Locked." : L"Datenbank gesperrt – später";
    if (f.kind == kSlow) at["ms"] = f.ms = DWORD(rng.Between(100, 1500));
    if (f.kind == kBusy) {  // now and then longer than the 10 s before the box
        at["ms"] = f.ms =
            DWORD(rng.Chance(8) ? rng.Between(11000, 25000) : rng.Between(1000, 3000));
        at["code"] = rejected ? "rejected" : "retrylater";
        f.report = rejected ? L"Run-time error '-2147418111 (80010001)':\n\nAutomation error"
                            : L"Run-time error '-2147417846 (8001010a)':\n\nAutomation error";
        for (int i = 0; i < 3; ++i)
            f.answers.push_back(
                rng.Pick(std::array{IDRETRY, IDRETRY, win32::kSwitchToId, IDCANCEL}));
    }
    if (f.kind == kRaise) {
        at["code"] = "0x800A0BB8";
        at["description"] = Utf8(description);
        f.report = L"Run-time error '3000':\n\n" + description;
    }
    if (f.kind == kExit) f.report = L"Run-time error '-2147023170 (800706be)':\n\nAutomation error";
    if (f.kind == kOdd) {
        at = rng.Pick(kOddValues);
        f.mark += at.begin().key() + "\")";
    }
    f.scenario = json{{kFaults[f.kind].key, at}}.dump();
    return f;
}

// --- The run -----------------------------------------------------------------

class Chaos {
  public:
    Chaos(uint64_t seed, int ops) : seed_(seed), ops_(ops), catalog_(seed) {}

    void Run() {
        ASSERT_TRUE(host_.Start()) << host_.error();
        const ULONGLONG start = GetTickCount64();
        for (int k = 1; k <= ops_; ++k) Step(k);
        app_.reset();
        const double seconds = double(GetTickCount64() - start) / 1000;
        std::printf(
            "chaos: %d operations, %d failures, %d hangs, %d crashes (seed %llu)\n  %.0f s, "
            "%.2f s an operation, %.0f operations a minute\n  faults injected/met:",
            ops_, failures_, hangs_, crashes_, static_cast<unsigned long long>(seed_), seconds,
            seconds / ops_, ops_ * 60 / seconds);
        for (int i = 0; i < kKinds; ++i)
            std::printf(" %s %d/%d", kFaults[i].name, injected_[i], met_[i]);
        std::printf("\n");
        EXPECT_EQ(failures_, 0);
        std::filesystem::remove_all(catalog_.dir);
    }

  private:
    struct Operation {
        const char* name;
        int weight;
        void (Chaos::*act)(Rng&);
        char faults;  // the members whose faults it may meet, as in kMembers
        bool onRows;  // works on listed rows: mostly searched for first
    };
    static const Operation kOperations[];

    HWND Control(search::ControlId id) const { return GetDlgItem(window_, app::ControlIdOf(id)); }
    HWND List() const { return Control(search::kLvwResults); }
    std::wstring Status() const { return driver::Text(Control(search::kLblStatus)); }
    // The host as it is now, looked up once an operation and once after it:
    // a lookup goes through the running objects' table, several calls' worth.
    void Look() { control_ = host_.Control(); }
    bool HostUp() const { return bool(control_); }
    standin_client::CallResult Ask(const wchar_t* member, const ArgList& args = {}) const {
        return standin_client::Call(control_.Get(), member, args);
    }
    void Misbehave(const std::string& scenario) const {
        if (HostUp()) Ask(L"Misbehave", ArgList().Text(standin::Wide(scenario).c_str()));
    }

    // One operation: a fault armed at random, the act, then the checks that
    // hold after every operation.
    void Step(int k) {
        Rng rng{std::mt19937_64(seed_ * 1000003 + uint64_t(k))};
        int w = rng.Below(100);
        const Operation* op = kOperations;
        while (w >= op->weight) w -= (op++)->weight;
        if (op->onRows && list_.empty() && rng.Chance(75)) op = kOperations;
        op_ = std::to_string(k) + " " + op->name;
        const ULONGLONG started = GetTickCount64();
        Look();
        if (app_ || StartApp(rng)) {
            slack_ = HostUp() ? 0 : kHostStartMs;
            if (op->faults && rng.Chance(kFaultPercent) && HostUp()) Arm(rng, op->faults);
            (this->*op->act)(rng);
            Look();
            Disarm();
            // Between operations the program holds no reference, and asks nothing.
            if (app_ && !WaitUntil(1000, [&] {
                    return driver::WindowsOf(app_->pid(), L"#32770", true).empty();
                }))
                Failed("a box shows that no operation asked for");
            // The status line shows the search's end just before the host is let go.
            if (HostUp() &&
                !WaitUntil(1000, [&] { return Ask(L"OutstandingReferences").asLong() == 0; }))
                Failed("the host's objects are referenced");
            CheckQuote();
        }
        done_.push_back(op_);
        if (std::getenv("CHAOS_TRACE"))
            std::printf("%s (%llu ms)\n", op_.c_str(), GetTickCount64() - started);
    }

    bool StartApp(Rng& rng) {
        slack_ = HostUp() ? 0 : kHostStartMs;
        if (HostUp() && rng.Chance(kFaultPercent)) Arm(rng, 'L');
        op_ += " (new start)";
        app_.emplace(driver::Process::Start(driver::WindowsPath(SKUVANE_EXE)));
        list_.clear();
        sortColumn_ = -1;
        const bool open = Await(
            [&] { return bool(window_ = driver::WaitWindow(app_->pid(), L"Skuvane.frmMain", 0)); },
            kBoundMs + slack_);
        Look();
        Disarm();
        return open;
    }

    void Arm(Rng& rng, char when) {
        armed_ = DrawFault(rng, when);
        host_.ClearLog();
        ++injected_[armed_->kind];
        slack_ += armed_->ms;
        op_ += " [" + std::string(kFaults[armed_->kind].name) + " " + armed_->scenario + "]";
        Misbehave(armed_->scenario);
    }
    // Counts the fault if it was met, and makes the host well again.
    void Disarm() {
        if (!armed_) return;
        met_[armed_->kind] += armed_->Met(host_.LogLines());
        armed_.reset();
        Misbehave("{}");
    }

    std::optional<driver::MessageBoxSeen> Box(std::wstring_view caption) const {
        auto box = driver::WaitMessageBox(app_->pid(), 0);
        return box && box->caption == caption ? box : std::nullopt;
    }
    // Presses a box's button and waits until it is gone.
    static void Answer(HWND box, int button) {
        driver::Press(box, button);
        WaitUntil(5000, [&] { return !IsWindow(box); });
    }

    // Polls `done` for up to `boundMs`, answering the Server Busy boxes as the
    // fault drew; false when a run-time error report, the program's end or
    // the bound ends the wait first.
    bool Await(const std::function<bool()>& done, DWORD boundMs) {
        ULONGLONG deadline = GetTickCount64() + boundMs;
        size_t answered = 0;
        for (;; Sleep(20)) {
            if (done()) return true;
            if (auto busy = Box(L"Server Busy")) {
                deadline += answered == 0 ? kBusyBoxMs : 0;
                const bool drawn = armed_ && answered < armed_->answers.size();
                Answer(busy->hwnd, drawn ? armed_->answers[answered] : IDRETRY);
                ++answered;
            } else if (auto report = Box(L"Skuvane");
                       report && report->text.starts_with(L"Run-time error")) {
                return Ended(*report);
            } else if (!app_->Running()) {
                Failed("it ended with no report, exit code " +
                           std::to_string(app_->WaitExit(0).value_or(0)),
                       false, true);
                return false;
            } else if (GetTickCount64() > deadline) {
                Failed("no end within " + std::to_string(boundMs) + " ms", true);
                return false;
            }
        }
    }

    // A run-time error report: it must be the armed fault's, and the program
    // must end at once.
    bool Ended(const driver::MessageBoxSeen& report) {
        driver::Press(report.hwnd, IDOK);
        const auto code = app_->WaitExit(10000);
        if (!armed_ || !report.text.starts_with(armed_->report) ||
            (armed_->kind != kExit && report.text != armed_->report)) {
            Failed("a report no fault explains: " + Utf8(report.text));
        } else if (code != 1u) {
            Failed("exit code " + std::to_string(code.value_or(259)) + " after the report", !code,
                   bool(code));
        }
        app_.reset();
        if (armed_ && armed_->kind == kExit) {  // the host is gone, and its log with it
            ++met_[kExit];
            armed_.reset();
            HostGone();
            if (!host_.Start()) Failed("the host does not start again: " + host_.error());
        }
        return false;
    }

    void Failed(const std::string& why, bool hang = false, bool crash = false) {
        ++failures_;
        hangs_ += hang;
        crashes_ += crash;
        ADD_FAILURE() << "operation " << op_ << ": " << why;
        std::printf("chaos: failure at operation %s (seed %llu): %s\n  the operations before it:\n",
                    op_.c_str(), static_cast<unsigned long long>(seed_), why.c_str());
        for (size_t i = done_.size() > 30 ? done_.size() - 30 : 0; i < done_.size(); ++i)
            std::printf("    %s\n", done_[i].c_str());
        std::printf("  replay: make chaos SEED=%llu OPS=%zu\n",
                    static_cast<unsigned long long>(seed_), done_.size() + 1);
        // Start afresh: the program, the host and the model.
        app_.reset();
        armed_.reset();
        host_.Stop();
        HostGone();
        host_.Start();
        Look();
    }

    // The host has ended, or is ending: a crashed one leaves the running
    // objects' table a moment later.
    void HostGone() {
        WaitUntil(5000, [&] { return !host_.Control(); });
        quote_.clear();
        quoteChecked_ = 0;
    }
    // The quote holds the lines the user was told of, each once, in order;
    // the lines already checked are only counted.
    void CheckQuote() {
        if (!HostUp()) return;
        const long lines = Ask(L"LineCount").asLong();
        if (lines != long(quote_.size()))
            return Failed("the quote holds " + std::to_string(lines) + " lines, not the " +
                          std::to_string(quote_.size()) + " the user was told of");
        for (; quoteChecked_ < quote_.size(); ++quoteChecked_) {
            const auto i = long(quoteChecked_);
            const auto value = [&](const wchar_t* field) {
                return Ask(L"LineValue", ArgList().I4(i).Text(field)).text();
            };
            const std::wstring line = value(L"ManufacturerPartNumber") + L" of " +
                                      value(L"Vendor") + L" times " +
                                      Ask(L"LineQuantity", ArgList().I4(i)).text();
            if (line != quote_[quoteChecked_])
                Failed("quote line " + std::to_string(i) + " is " + Utf8(line));
        }
    }

    Rows ListedRows() const {
        driver::RemoteListView list(List());
        Rows rows(size_t(std::max(0, list.Count())));
        for (size_t r = 0; r < rows.size(); ++r)
            for (size_t c = 0; c < kKnown.size(); ++c) rows[r][c] = list.Text(int(r), int(c));
        return rows;
    }
    std::vector<int> Selected() const {
        std::vector<int> rows;
        for (int i = -1;
             (i = int(SendMessageW(List(), LVM_GETNEXTITEM, WPARAM(i), LVNI_SELECTED))) >= 0;)
            rows.push_back(i);
        return rows;
    }
    int Focused() const {
        return int(SendMessageW(List(), LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED));
    }

    // Opens the list's menu as the menu key does and picks an item with the
    // keyboard: 0 Add, 1 Copy, 2 Select All.
    bool Menu(int item) {
        PostMessageW(window_, WM_CONTEXTMENU, WPARAM(List()), -1);
        HWND menu = driver::WaitWindow(app_->pid(), L"#32768", 5000);
        if (!menu) Failed("the list's menu does not open");
        for (int i = 0; menu && i <= item; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        return menu && PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
    }

    // --- Operations --------------------------------------------------------------

    void Search(Rng& rng) {
        const bool stop = rng.Chance(18);  // with Esc while it runs
        const std::wstring db =
            rng.Chance(15) ? std::wstring(search::kAllDatabases) : rng.Pick(kDatabases);
        const std::wstring field(rng.Pick(search::kSearchFields));
        const std::wstring op(rng.Pick(search::kOperators));
        const auto& products = rng.Pick(catalog_.store.databases()).products;
        const std::wstring known =
            catalog_.RowOf(rng.Pick(products))[field == L"VendorPartNumber" ? 2 : 3];
        std::wstring longest;
        for (int i = 0; i < 1000; ++i) longest += wchar_t(L'A' + rng.Below(26));
        const std::wstring values[] = {L"",  // empty, common, a product's own, a prefix of it, ...
                                       rng.Pick(std::array{L"-", L"a", L"1", L"V"}),
                                       known,
                                       known.substr(0, size_t(rng.Between(1, int(known.size())))),
                                       rng.Pick(std::array{L"ä", L"Ä", L"Ω", L"ß", L"ÄX-"}),
                                       longest};
        const std::wstring& value = values[rng.Pick(std::array{0, 1, 1, 2, 2, 3, 3, 4, 4, 5})];
        for (const auto& [id, want] :
             {std::pair(search::kCboProductDatabase, db), std::pair(search::kCboSearchField, field),
              std::pair(search::kCboOperator, op)}) {
            const auto items = driver::ComboItems(Control(id));
            SendMessageW(Control(id), CB_SETCURSEL, std::ranges::find(items, want) - items.begin(),
                         0);
        }
        SendMessageW(Control(search::kTxtSearchFor), WM_SETTEXT, 0, LPARAM(value.c_str()));
        const std::wstring held = driver::Text(Control(search::kTxtSearchFor));  // as searched
        const Rows expected = catalog_.Query(db, field, op, held);
        op_ += " " + Utf8(db + L" / " + field + L" / " + op + L" / \"" + held.substr(0, 20)) +
               (held.size() > 20 ? "…\"" : "\"");
        // Now and then the user acts while it runs, on a host slowed so that it runs long enough.
        const int during = !stop && expected.size() > 1 && rng.Chance(40) ? rng.Below(7) : -1;
        if (during >= 0) {
            json slowed = armed_ ? json::parse(armed_->scenario) : json::object();
            slowed["delay_ms"] = 3;
            Misbehave(slowed.dump());
            slack_ += DWORD(expected.size() * 70 * 4);
        }
        host_.ClearLog();
        SendMessageW(Control(search::kLblStatus), WM_SETTEXT, 0, LPARAM(L""));
        driver::Press(window_, app::ControlIdOf(search::kCmdSearch));
        if (stop) {
            Sleep(DWORD(rng.Below(600)));
            PostMessageW(List(), WM_KEYDOWN, VK_ESCAPE, 1);
        }
        const DWORD bound = kBoundMs + DWORD(expected.size()) * kRowMs + slack_;
        const int searched = db == search::kAllDatabases ? int(std::size(kDatabases)) : 1;
        if (during >= 0 && !During(rng, during, expected, searched, bound)) return;
        if (!Await([&] { return Status() == text::kFinished || Status() == text::kStopped; },
                   bound))
            return;
        list_ = ListedRows();
        sortColumn_ = -1;
        const bool stopped = Status() == text::kStopped;
        op_ += ": " + std::to_string(list_.size()) + " of " + std::to_string(expected.size()) +
               " rows" + (stopped ? ", stopped" : "");
        // A stopped search lists whole rows, the host's first ones.
        if ((stopped && !stop) || list_.size() > expected.size() ||
            !std::equal(list_.begin(), list_.end(), expected.begin()) ||
            (!stopped && list_.size() != expected.size()))
            Failed("not the host's rows");
        if (during >= 0 && !afterwards_()) Failed("not what the user did during the search");
    }

    // What the user does while the search runs, once a row shows, and the check
    // of it once the search is done (`afterwards_`). False when the program ended.
    bool During(Rng& rng, int act, const Rows& expected, int searched, DWORD bound) {
        afterwards_ = [] { return true; };
        // A row of this search: the list's rows before it may still show a moment.
        const auto searching = [&] { return Status().starts_with(L"Searching"); };
        const auto read = [&] {
            return std::ranges::any_of(host_.LogLines(), [](const std::string& l) {
                return l.find("\"GSTTax\")") != l.npos;
            });
        };
        if (!Await(
                [&] {
                    return (read() && Count() > 0 && searching()) || Status() == text::kFinished;
                },
                bound))
            return false;
        if (!searching()) return true;  // over before a row showed
        op_ += std::array{", then scrolled", ", then selected", ", then copied", ", then typed",
                          ", then Search",   ", then Add",      ", then closed"}[size_t(act)];
        const int page = int(SendMessageW(List(), LVM_GETCOUNTPERPAGE, 0, 0));
        const bool scrolls = Count() > page;
        switch (act) {
            case 0:  // the list's next page
                PostMessageW(List(), WM_VSCROLL, SB_PAGEDOWN, 0);
                afterwards_ = [=, this] {
                    return !scrolls || SendMessageW(List(), LVM_GETTOPINDEX, 0, 0) > 0;
                };
                break;
            case 1:  // the first row: it stays selected
            case 2:  // and copied through the menu: the captions and its cells
                driver::RemoteListView(List()).Select({0});
                if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
                if (act == 2 && !Menu(1)) return false;
                afterwards_ = [=, this] {
                    std::wstring copied, known = expected[0][0];
                    for (size_t c = 1; c < kKnown.size(); ++c) known += L"\t" + expected[0][c];
                    return Selected() == std::vector{0} &&
                           (act == 1 ||
                            (WaitUntil(
                                 3000,
                                 [&] { return !(copied = driver::ClipboardText()).empty(); }) &&
                             copied.find(L"\r\n" + known + L"\t") != copied.npos));
                };
                break;
            case 3:  // the first row's first letter: the focus goes to it
                if (expected[0][0].empty() || GetTickCount64() - lastFind_ < 1200) break;
                PostMessageW(List(), WM_CHAR, expected[0][0][0], 1);
                lastFind_ = GetTickCount64();
                afterwards_ = [this] { return Focused() == 0; };
                break;
            case 4:  // neither a second search nor one later
            case 5:  // nor an add, nor a prompt later
                driver::RemoteListView(List()).Select({0});
                driver::Press(window_, app::ControlIdOf(act == 4 ? search::kCmdSearch
                                                                 : search::kCmdAddToQuote));
                afterwards_ = [=, this] {
                    Sleep(500);
                    // A call the busy host turned away is logged too, and tried again.
                    return std::ranges::count_if(host_.LogLines(), [](const std::string& l) {
                               return l.find("MLIBufferClear") != l.npos &&
                                      l.find("-> failed ") == l.npos;
                           }) == searched;
                };
                break;
            default:  // the program ends after the row in hand, with no call after it
                if (armed_) break;
                Close(rng);
                const auto log = host_.LogLines();
                if (!log.empty() && log.back().find("SLIBufferGetValue") != std::string::npos &&
                    log.back().find(Utf8(expected::kReadOrder.back())) == std::string::npos)
                    Failed("the log ends in the middle of a row: " + log.back());
                return false;
        }
        return true;
    }
    int Count() const { return int(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }

    void Add(Rng& rng) {
        const int way = rng.Below(3), n = int(list_.size());
        op_ += std::array{" button", " double-click", " menu"}[size_t(way)];
        // The rows picked first: none, one, several, or all through the menu.
        const int pick = rng.Below(n ? 5 : 1);
        std::vector<int> rows;
        for (int i = pick == 4 ? 0 : rng.Below(n); pick > 1 && i < n;
             i += pick == 4 ? 1 : 1 + rng.Below(4))
            rows.push_back(i);
        if (pick == 1) rows = {rng.Below(n)};
        driver::RemoteListView(List()).Select(pick == 4 ? std::vector<int>{} : rows);
        if (pick == 4 && !Menu(2)) return;
        if (!WaitUntil(3000, [&] { return Selected() == rows; })) {
            std::string seen;
            for (int row : Selected()) (seen += ' ') += std::to_string(row);
            seen += ", rows " + std::to_string(Count()) + ", focused " + std::to_string(Focused());
            if (pick == 4) seen += ", all through the menu";
            for (HWND w : driver::WindowsOf(app_->pid(), L"#32770", true))
                (seen += ", box ") += Utf8(driver::Text(w));
            if (!IsWindowEnabled(window_)) seen += ", window disabled";
            Failed("not the rows picked:" + seen);
        }
        if (way == 1 && n) {  // on a row, which it picks alone
            rows = {rng.Below(n)};
            const driver::RemoteListView list(List());
            list.Select(rows);
            SendMessageW(List(), LVM_ENSUREVISIBLE, WPARAM(rows[0]), FALSE);
            const RECT r = list.RowRect(rows[0]);
            PostMessageW(List(), WM_LBUTTONDBLCLK, MK_LBUTTON,
                         MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2));
        } else if (way != 2) {
            driver::Press(window_, app::ControlIdOf(search::kCmdAddToQuote));
        } else if (!Menu(0)) {
            return;
        }
        for (int row : rows)
            if (!AddRow(rng, row)) break;
    }

    // One row's exchange: the prompt, a quantity typed, and the outcome shown.
    // False when it ends the add.
    bool AddRow(Rng& rng, int row) {
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
        const Row& r = list_[size_t(row)];
        std::wstring prompt, title;
        if (!driver::AnswerInputBox(app_->pid(), typed, !cancel, kBoundMs, &prompt, &title) ||
            prompt != L"How many [ " + r[0] + L"] would you like to add?" ||
            title != text::kAddTitle) {
            Failed("not the prompt for row " + std::to_string(row) + ": " + Utf8(prompt));
            return false;
        }
        if (cancel || kind >= 7) {
            // Nothing more comes: the next step waits, as the user does, for
            // the prompt to go and the window to be in front again. A menu
            // opened sooner is closed by the window's activation coming late.
            WaitUntil(kBoundMs, [&] {
                return driver::WindowsOf(app_->pid(), L"#32770", true).empty() &&
                       GetForegroundWindow() == window_;
            });
            return false;
        }
        const int quantity = kind < 5 ? whole : int(std::nearbyint(whole + 0.5));  // to even
        std::optional<driver::MessageBoxSeen> box;
        if (!Await([&] { return (box = Box(L"Skuvane")) && box->text.starts_with(L"Product"); },
                   kBoundMs + slack_))
            return false;
        Answer(box->hwnd, IDOK);
        if (box->text != L"Product Source: " + r[1] + L"\r\nPartNumber: " + r[3] +
                             L"\r\nQuantity: " + std::to_wstring(quantity) + L"\r\n" +
                             std::wstring(text::kAdded)) {
            Failed("the outcome reads \"" + Utf8(box->text) + "\"");
            return false;
        }
        quote_.push_back(r[3] + L" of " + r[1] + L" times " + std::to_wstring(quantity));
        return true;
    }

    void Sort(Rng& rng) {
        const int column = rng.Below(int(kKnown.size()));
        const bool descending = sortColumn_ == column && !descending_;
        op_ += " by " + Utf8(kKnown[size_t(column)]) + (descending ? " descending" : "");
        // A click in the middle of the column's header, scrolled into view
        // first; sent, not posted, so that the sort is done when it returns.
        HWND header = HWND(SendMessageW(List(), LVM_GETHEADER, 0, 0));
        int x = int(SendMessageW(List(), LVM_GETCOLUMNWIDTH, WPARAM(column), 0)) / 2;
        for (int c = 0; c < column; ++c)
            x += int(SendMessageW(List(), LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
        const int width = driver::ClientRectIn(List(), List()).right;
        SendMessageW(List(), LVM_SCROLL, WPARAM(x - width / 2 - GetScrollPos(List(), SB_HORZ)), 0);
        const LPARAM at = MAKELPARAM(x - GetScrollPos(List(), SB_HORZ),
                                     driver::ClientRectIn(header, header).bottom / 2);
        SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(header, WM_LBUTTONUP, 0, at);
        // The same rows, none after the next one in the locale's text order, case ignored.
        const Rows rows = ListedRows();
        if (!std::ranges::is_permutation(rows, list_)) Failed("the sort changed the rows");
        for (size_t i = 1; i < rows.size(); ++i) {
            const std::wstring &a = rows[i - 1][size_t(column)], &b = rows[i][size_t(column)];
            if (CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), int(a.size()),
                                b.c_str(), int(b.size()), nullptr, nullptr,
                                0) == (descending ? CSTR_LESS_THAN : CSTR_GREATER_THAN))
                return Failed("not in order: " + Utf8(a) + " before " + Utf8(b));
        }
        list_ = rows;
        sortColumn_ = column;
        descending_ = descending;
    }

    // A typed letter moves to the next row, wrapping, whose description begins so.
    void Find(Rng& rng) {
        const ULONGLONG since = GetTickCount64() - lastFind_;
        if (since < 1200) Sleep(DWORD(1200 - since));  // a new search text, not more of the last
        const int n = int(list_.size()), focused = Focused();
        wchar_t typed =
            n && rng.Chance(70) ? list_[size_t(rng.Below(n))][0][0] : L'a' + rng.Below(26);
        if (rng.Chance(50)) typed = wchar_t(towupper(typed));
        op_ += " '" + Utf8(std::wstring(1, typed)) + "'";
        int target = focused;
        for (int i = 1; i <= n && target == focused; ++i) {
            const std::wstring& d = list_[size_t((focused + i + n) % n)][0];
            if (!d.empty() && towlower(d[0]) == towlower(typed)) target = (focused + i + n) % n;
        }
        PostMessageW(List(), WM_CHAR, typed, 1);
        lastFind_ = GetTickCount64();
        if (!WaitUntil(3000, [&] {
                return Focused() == target &&
                       (target == focused || Selected() == std::vector{target});
            }))
            Failed("the focus is not on row " + std::to_string(target));
    }

    // The captions, then each selected row in the order shown, its known cells first.
    void Copy(Rng& rng) {
        std::vector<int> rows = Selected();
        if (list_.empty()) return;
        if (rows.empty())
            driver::RemoteListView(List()).Select(rows = {rng.Below(int(list_.size()))});
        op_ += " " + std::to_string(rows.size()) + " rows";
        if (OpenClipboard(nullptr)) {
            EmptyClipboard();
            CloseClipboard();
        }
        if (!Menu(1)) return;
        std::wstring copied, captions;
        WaitUntil(3000, [&] { return !(copied = driver::ClipboardText()).empty(); });
        std::vector<std::wstring> lines;
        for (size_t at = 0, end; (end = copied.find(L"\r\n", at)) != copied.npos; at = end + 2)
            lines.push_back(copied.substr(at, end - at));
        for (const std::wstring& caption : expected::kHeaders)
            captions += (captions.empty() ? L"" : L"\t") + caption;
        bool whole =
            copied.ends_with(L"\r\n") && lines.size() == rows.size() + 1 && lines[0] == captions;
        for (size_t i = 0; whole && i < rows.size(); ++i) {
            std::wstring known;
            for (const std::wstring& cell : list_[size_t(rows[i])]) known += cell + L"\t";
            whole = lines[i + 1].starts_with(known);
        }
        if (!whole) Failed("the clipboard holds " + Utf8(copied.substr(0, 300)));
    }

    void Close(Rng& rng) {
        // The close box, the system menu, Alt+F4 and the Close button.
        const int way = rng.Below(4);
        const UINT message[] = {WM_CLOSE, WM_SYSCOMMAND, WM_SYSKEYDOWN, BM_CLICK};
        const WPARAM wParam[] = {0, SC_CLOSE, VK_F4, 0};
        op_ += std::array{" close box", " system menu", " Alt+F4", " Close"}[size_t(way)];
        PostMessageW(way == 3 ? Control(search::kCmdClose) : window_, message[way], wParam[way],
                     way == 2 ? 1 << 29 : 0);
        const auto code = app_->WaitExit(10000);
        if (code != 0u)
            Failed("exit code " + std::to_string(code.value_or(259)), !code, bool(code));
        app_.reset();
    }

    void RestartHost(Rng& rng) {
        if (HostUp()) {
            const bool crash = rng.Chance(50);
            op_ += crash ? " crashed" : " closed";
            if (!crash || !driver::Kill(DWORD(Ask(L"ProcessId").asLong()))) host_.Stop();
            HostGone();
        }
        if (rng.Chance(50)) {
            op_ += ", started again";
            if (!host_.Start()) Failed("the host does not start: " + host_.error());
        }
    }

    const uint64_t seed_;
    const int ops_;
    Catalog catalog_;
    standin_client::StandIn host_{{{"data", Utf8(catalog_.dir.wstring())}}};
    win32::ComPtr<IDispatch> control_;
    std::optional<driver::Process> app_;
    HWND window_ = nullptr;
    std::optional<Fault> armed_;
    DWORD slack_ = 0;  // the host's own delays this operation: its start, an armed fault
    // The model: the list in the order shown, its sort, the quote's lines.
    Rows list_;
    int sortColumn_ = -1;
    bool descending_ = false;
    ULONGLONG lastFind_ = 0;
    std::function<bool()> afterwards_;  // the check of what was done during a search
    std::vector<std::wstring> quote_;   // "part of vendor times quantity"
    size_t quoteChecked_ = 0;
    // What happened.
    std::vector<std::string> done_;  // each operation as drawn
    std::string op_;
    int failures_ = 0, hangs_ = 0, crashes_ = 0;
    std::array<int, kKinds> injected_{}, met_{};
};

const Chaos::Operation Chaos::kOperations[] = {
    {"search", 36, &Chaos::Search, 'S', false}, {"add", 34, &Chaos::Add, 'A', true},
    {"sort", 8, &Chaos::Sort, 0, true},         {"find", 6, &Chaos::Find, 0, true},
    {"copy", 6, &Chaos::Copy, 0, true},         {"close", 5, &Chaos::Close, 0, false},
    {"host", 5, &Chaos::RestartHost, 0, false},
};

TEST(Chaos, RandomUserOperationsAgainstAMisbehavingHostMatchTheModel) {
    const standin_client::Registration registration;
    ASSERT_TRUE(registration.ok());
    // The columns as they first come: none arranged by a run by hand here.
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Skuvane");
    const char* ops = std::getenv("CHAOS_OPS");
    const char* seed = std::getenv("CHAOS_SEED");
    Chaos(seed ? std::strtoull(seed, nullptr, 10) : 1, ops ? std::atoi(ops) : 100).Run();
}

}  // namespace
