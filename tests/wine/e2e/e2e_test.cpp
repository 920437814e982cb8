// Skuvane.exe driven from this process against the stand-in Vantora: what the
// user sees (window, lists, rows as a long search reads them, boxes) and what
// the host saw (its call log, its quote document and the references left
// behind). The process is per-monitor DPI aware, as the program is, so it
// sees the program's pixels.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "platform/win32/busy_win.h"
#include "platform/win32/find_dialog_win.h"
#include "standin/client/driver_win.h"
#include "standin/client/process_win.h"
#include "standin/model/text_win.h"
#include "standin/model/values_win.h"
#include "tests/expected/catalogue.h"

namespace {

using driver::WaitUntil;
using expected::FieldOf;
using expected::kHeaders;
using expected::kReadOrder;
using nlohmann::json;
using standin::Utf8;
using standin_client::ArgList;
using standin_client::Call;
using standin_client::StandIn;

const std::wstring kExe = driver::WindowsPath(SKUVANE_EXE);

// The first COM activation under Wine takes about a second; starting the
// host through the installation registry adds its own start-up.
constexpr DWORD kWindowWaitMs = 20000;
constexpr DWORD kBoxWaitMs = 10000;
constexpr DWORD kExitWaitMs = 10000;

constexpr wchar_t kWindowClass[] = L"Skuvane.frmMain";
constexpr wchar_t kAll[] = L"<All Product Databases>";
constexpr wchar_t kNotRunning[] =
    L"Vantora is not running. Vantora must be running in order to use this API";

// --- What the host holds -------------------------------------------------------------------------

// A value as the host returns it (text, currency, date, whole or real number)
// and as the user's locale shows it.
struct Value {
    json stored;
    std::wstring shown;
};

// `stored` as the host hands it over (of type `vt`), shown under the user's locale.
Value Typed(json stored, VARTYPE vt, double number) {
    VARIANT v, out;
    V_VT(&v) = VT_R8;
    V_R8(&v) = number;
    VariantInit(&out);
    std::wstring text = L"<no text>";
    if (SUCCEEDED(VariantChangeType(&v, &v, 0, vt)) &&
        SUCCEEDED(VariantChangeTypeEx(&out, &v, LOCALE_USER_DEFAULT, 0, VT_BSTR))) {
        text.assign(V_BSTR(&out), SysStringLen(V_BSTR(&out)));
    }
    VariantClear(&out);
    return {std::move(stored), text};
}

Value Text(const std::string& s) { return {s, standin::Wide(s)}; }
Value Currency(double d) { return Typed(d, VT_CY, d); }
Value Real(double d) { return Typed(d, VT_R8, d); }
Value Whole(int n) { return Typed(n, VT_I4, n); }
Value Date(WORD y, WORD m, WORD d) {
    SYSTEMTIME st = {y, m, 0, d, 0, 0, 0, 0};
    double serial = 0;
    SystemTimeToVariantTime(&st, &serial);
    char iso[16];
    snprintf(iso, sizeof iso, "%04u-%02u-%02u", unsigned(y), unsigned(m), unsigned(d));
    return Typed(iso, VT_DATE, serial);
}

using Fields = std::vector<std::pair<std::string, Value>>;

struct Product {
    Fields fields;
    std::wstring Shown(std::wstring_view field) const {
        for (const auto& [name, value] : fields)
            if (standin::Wide(name) == field) return value.shown;
        return L"";
    }
};

// A product with the four texts every product has, and more fields.
Product P(const char* description, const char* vendor, const char* vendorPart, const char* part,
          Fields more = {}) {
    Fields fields = {{"Description", Text(description)},
                     {"Vendor", Text(vendor)},
                     {"VendorPartNumber", Text(vendorPart)},
                     {"ManufacturerPartNumber", Text(part)}};
    fields.insert(fields.end(), more.begin(), more.end());
    return {fields};
}

struct Database {
    std::wstring name;
    std::vector<Product> products;
};

// A description of 1,000 characters, in words.
const std::string& LongDescription() {
    static const std::string text = [] {
        std::string t;
        while (t.size() < 990) t += "Heavy duty socket set ";
        return t.substr(0, 990) + " with case";
    }();
    return text;
}

// Three small databases, in an order that is not alphabetical, one name
// with a trailing space, and values of every kind the host returns.
const std::vector<Database>& Databases() {
    static const std::vector<Database> dbs = {
        {L"Zeta Lighting",
         {P("Lamp \"Arc\" 40 W", "Lumen & Co", "LUM-7001", "ZL-100",
            {{"Notes", {nullptr, L""}},
             {"UnitPrice", Currency(12.5)},
             {"GSTTax", Currency(1.75)},
             {"CustomDate01", Date(2024, 1, 11)},
             {"ItemType", Whole(3)},
             {"UnitWeight", Real(0.25)},
             {"CustomText11", Text("eleven")},
             {"CustomText14", Text("fourteen")},
             {"AlternateExtendedCost", Currency(99)},
             {"Manufacturer", Text("Lux Werke")}}),
          P("Spot 7 W", "Lumen & Co", "LUM-7002", "ZL-200", {{"UnitPrice", Currency(3)}}),
          P("Ceiling rose", "Lumen & Co", "LUM-5003", "XR-300")}},
        {L"Alpha Cables ", {P("Cable 3x1.5", "Kabel Nord", "KN-1", "AC-1")}},
        {L"Mid Tools",
         {P("Screwdriver set", "Toolbox GmbH", "TB-7009", "ZL-900"),
          P(LongDescription().c_str(), "Toolbox GmbH", "TB-1000", "MT-1000")}},
    };
    return dbs;
}

const Product& ProductOf(size_t db, size_t i) { return Databases()[db].products[i]; }

std::wstring g_dataDir;

void WriteDatabases() {
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    g_dataDir = std::wstring(tmp) + L"skuvane-e2e-" + std::to_wstring(GetCurrentProcessId());
    std::filesystem::create_directories(g_dataDir);
    int n = 0;
    for (const Database& db : Databases()) {
        json products = json::array();
        for (const Product& p : db.products) {
            json o = json::object();
            for (const auto& [name, value] : p.fields) o[name] = value.stored;
            products.push_back(o);
        }
        const json file = {{"name", Utf8(db.name)}, {"products", products}};
        // File names give the host's order.
        std::ofstream(std::filesystem::path(g_dataDir) / (std::to_wstring(++n) + L".json"),
                      std::ios::binary)
            << file.dump();
    }
}

json Scenario(json extra = json::object()) {
    extra["data"] = Utf8(g_dataDir);
    return extra;
}

// --- The host's side -----------------------------------------------------------------------------

// The calls the host carried out, without their results: not those it
// turned away as busy (with either code).
std::vector<std::string> Calls(const standin_client::StandIn& host) {
    std::vector<std::string> calls;
    for (const std::string& line : host.LogLines())
        if (!line.ends_with(" -> failed 0x8001010A") && !line.ends_with(" -> failed 0x80010001"))
            calls.push_back(line.substr(0, line.find(" -> ")));
    return calls;
}

bool Contains(const std::vector<std::string>& lines, const std::string& part) {
    return std::ranges::any_of(lines, [&](const std::string& l) { return l.find(part) != l.npos; });
}

std::string Quoted(std::wstring_view s) {
    std::string out = "\"";
    for (char c : standin::Utf8(s)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
    to.insert(to.end(), more.begin(), more.end());
}

// One product read: copied into the single-line buffer, then 66 fields
// through one lookup of ItemFunctions.
std::vector<std::string> RowReads(int row) {
    std::vector<std::string> calls = {
        "Application.ItemFunctions()",
        "ItemFunctions.SLIBufferCopyFromMLIBuffer(&I2:" + std::to_string(row) + ")",
        "Application.ItemFunctions()"};
    for (std::wstring_view field : expected::kReadOrder) {
        calls.push_back("ItemFunctions.SLIBufferGetValue(BSTR:" + Quoted(field) + ")");
    }
    return calls;
}

std::vector<std::string> DatabaseSearch(std::wstring_view db, std::wstring_view field,
                                        std::wstring_view op, std::wstring_view value, int rows) {
    std::vector<std::string> calls = {
        "Application.ItemFunctions()", "ItemFunctions.MLIBufferClear()",
        "Application.ItemFunctions()",
        "ItemFunctions.FindAndCopyProductsIntoMLIBuffer(&BSTR:" + Quoted(db) + ", &BSTR:" +
            Quoted(field) + ", &BSTR:" + Quoted(op) + ", &BSTR:" + Quoted(value) + ")"};
    if (rows > 0) {
        Append(calls, {"Application.ItemFunctions()", "ItemFunctions.MLIBufferCount()"});
        for (int r = 1; r <= rows; ++r) Append(calls, RowReads(r));
    }
    return calls;
}

std::vector<std::string> DatabaseName(int index) {
    return {"Application.ProductDatabases()",
            "ProductDatabases.Item(&I2:" + std::to_string(index) + ")", "ProductDatabase.Name()"};
}

// Stops the host and checks that no client kept a reference to its objects.
void ExpectNoReferencesLeft(standin_client::StandIn& host, bool registryUsed = false) {
    EXPECT_EQ(host.Outstanding(), 0) << "references still held while the host runs";
    host.Stop();
    std::vector<std::string> sections = {"[application]"};
    if (registryUsed) sections.emplace_back("[installations]");
    for (const std::string& section : sections) {
        // Each of the stand-in's processes writes its part as it ends.
        host.WaitForReport(section, 10000);
        EXPECT_NE(host.Report().find(section + "\ntotal 0\n"), std::string::npos) << host.Report();
    }
}

// After the host was stopped, the installation registry too must end by
// itself once its last object is gone. One that lingers would serve the next
// test with this test's settings, so it is ended here, and reported.
::testing::AssertionResult NoStandInLeft() {
    if (standin_client::WaitUntilNoneRunning(kExitWaitMs)) return ::testing::AssertionSuccess();
    const std::vector<DWORD> left = standin_client::StandInProcesses();
    for (DWORD pid : left) driver::Kill(pid);
    return ::testing::AssertionFailure() << left.size() << " stand-in process(es) still running";
}

long QuoteLineCount(const StandIn& host) {
    auto control = host.Control();
    return Call(control.Get(), L"LineCount").asLong();
}

// --- The user's side -----------------------------------------------------------------------------

// A message box as the user sees it. Styles 16 and 64 show an icon, style 0
// none; which of the two icons is drawn cannot be read from another process.
struct Box {
    std::wstring caption, text;
    bool icon = false;
    bool operator==(const Box&) const = default;
};

void PrintTo(const Box& b, std::ostream* os) {
    *os << "[" << Utf8(b.caption) << "] " << (b.icon ? "(icon) " : "") << Utf8(b.text);
}

bool ShowsIcon(HWND box) {
    for (HWND c = nullptr; (c = FindWindowExW(box, c, L"Static", nullptr)) != nullptr;) {
        if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(c) &&
            SendMessageW(c, STM_GETICON, 0, 0))
            return true;
    }
    return false;
}

Box Seen(HWND box) {
    return {driver::Text(box), driver::Text(GetDlgItem(box, 0xFFFF)), ShowsIcon(box)};
}

// Presses OK on a message box and waits until it is gone, so that the next
// box looked for cannot be this one.
::testing::AssertionResult Dismiss(const driver::MessageBoxSeen& box) {
    driver::Press(box.hwnd, IDOK);
    if (WaitUntil(5000, [&] { return !IsWindow(box.hwnd); })) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "the box \"" << Utf8(box.text) << "\" stays open";
}

// Whether the process shows a message box now.
bool BoxUp(DWORD pid) {
    return std::ranges::any_of(driver::WindowsOf(pid, L"#32770", true),
                               [](HWND dlg) { return GetDlgItem(dlg, 0xFFFF) != nullptr; });
}

// How a process that should not show its window ends: every box it showed
// (each answered with OK), whether its window was ever visible, its exit.
struct Ending {
    std::vector<Box> boxes;
    bool windowShown = false;
    std::optional<DWORD> exitCode;
};

Ending WatchUntilEnd(driver::Process& p, DWORD timeoutMs) {
    Ending e;
    std::set<HWND> answered;
    WaitUntil(timeoutMs, [&] {
        if (!p.Running()) return true;
        e.windowShown |= !driver::WindowsOf(p.pid(), kWindowClass, true).empty();
        for (HWND dlg : driver::WindowsOf(p.pid(), L"#32770", true)) {
            if (!GetDlgItem(dlg, 0xFFFF) || answered.count(dlg)) continue;
            answered.insert(dlg);
            e.boxes.push_back(Seen(dlg));
            driver::Press(dlg, IDOK);
        }
        return false;
    });
    e.exitCode = p.WaitExit(1000);
    return e;
}

// Skuvane.exe with its window open.
class Skuvane {
  public:
    // Waits for the window, or for a box that came instead (the window shows
    // once it is answered).
    Skuvane() : process_(driver::Process::Start(kExe)), startError_(GetLastError()) {
        WaitUntil(kWindowWaitMs, [&] {
            if (!process_.Running() || BoxUp(pid())) return true;
            const auto shown = driver::WindowsOf(pid(), kWindowClass, true);
            window_ = shown.empty() ? nullptr : shown[0];
            return window_ != nullptr;
        });
        if (window_) return;
        if (!pid()) {
            why_ = "it did not start, error " + std::to_string(startError_);
        } else if (auto code = process_.WaitExit(0)) {
            why_ = "it ended with exit code " + std::to_string(*code);
        } else if (auto box = driver::WaitMessageBox(pid(), 0)) {
            why_ = "it showed \"" + Utf8(box->text) + "\"";
        } else {
            why_ = "no window in " + std::to_string(kWindowWaitMs) + " ms";
        }
    }
    // Open, or why not.
    ::testing::AssertionResult open() const {
        if (window_) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "Skuvane has no window: " << why_;
    }
    DWORD pid() const { return process_.pid(); }
    driver::Process& process() { return process_; }
    HWND window() const { return window_; }
    HWND control(search::ControlId id) const { return GetDlgItem(window_, app::ControlIdOf(id)); }
    std::wstring Status() const { return driver::Text(control(search::kLblStatus)); }

    // Sets the four choices as a user would leave them, then presses Search
    // and waits for the end of the search.
    ::testing::AssertionResult Search(std::wstring_view database, std::wstring_view field,
                                      std::wstring_view op, const std::wstring& value) {
        if (auto begun = Begin(database, field, op, value); !begun) return begun;
        return Finished(kWindowWaitMs);
    }
    ::testing::AssertionResult Begin(std::wstring_view database, std::wstring_view field,
                                     std::wstring_view op, const std::wstring& value) {
        if (!Choose(search::kCboProductDatabase, database) ||
            !Choose(search::kCboSearchField, field) || !Choose(search::kCboOperator, op)) {
            return ::testing::AssertionFailure() << "a choice is not offered";
        }
        SendMessageW(control(search::kTxtSearchFor), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(value.c_str()));
        // The status of an earlier search must not pass for this one's.
        SendMessageW(control(search::kLblStatus), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
        driver::Press(window_, app::ControlIdOf(search::kCmdSearch));
        return ::testing::AssertionSuccess();
    }
    // Waits for the search's end; a box that shows instead ends the wait.
    ::testing::AssertionResult Finished(DWORD timeoutMs) {
        if (!WaitUntil(timeoutMs, [&] { return Status() == L"Finished search" || BoxUp(pid()); }) ||
            Status() != L"Finished search") {
            return ::testing::AssertionFailure()
                   << "the search did not finish; status \"" << Utf8(Status()) << "\"";
        }
        return ::testing::AssertionSuccess();
    }

    // Every visible cell of every row.
    std::vector<std::vector<std::wstring>> Rows() const {
        driver::RemoteListView list(control(search::kLvwResults));
        const int count = list.Count(), columns = list.ColumnCount();
        std::vector<std::vector<std::wstring>> rows(static_cast<size_t>(count));
        for (int r = 0; r < count; ++r)
            for (int c = 0; c < columns; ++c) rows[size_t(r)].push_back(list.Text(r, c));
        return rows;
    }

    void Select(const std::vector<int>& rows) const {
        driver::RemoteListView(control(search::kLvwResults)).Select(rows);
    }

    void PressAdd() const { driver::Press(window_, app::ControlIdOf(search::kCmdAddToQuote)); }

    // Closes the window: the exit code, none while it still runs.
    std::optional<DWORD> Close() {
        driver::Press(window_, app::ControlIdOf(search::kCmdClose));
        return process_.WaitExit(kExitWaitMs);
    }

  private:
    bool Choose(search::ControlId id, std::wstring_view entry) {
        const auto items = driver::ComboItems(control(id));
        const auto at = std::ranges::find(items, entry);
        if (at != items.end())
            SendMessageW(control(id), CB_SETCURSEL, WPARAM(at - items.begin()), 0);
        return at != items.end();
    }

    driver::Process process_;
    DWORD startError_;
    HWND window_ = nullptr;
    std::string why_;
};

// The row the user must see for a product: column 0 its description, then
// every catalogue column with the value of its field, or nothing.
std::vector<std::wstring> ExpectedRow(const Product& p) {
    std::vector<std::wstring> row;
    for (size_t c = 0; c < kHeaders.size(); ++c)
        row.push_back(FieldOf(c).empty() ? L"" : p.Shown(FieldOf(c)));
    return row;
}

// The two rows that Zeta Lighting's part numbers beginning "ZL" (or "zl-") list.
std::vector<std::vector<std::wstring>> ZetaRows() {
    return {ExpectedRow(ProductOf(0, 0)), ExpectedRow(ProductOf(0, 1))};
}

std::wstring Outcome(const Product& p, int quantity, bool added) {
    return L"Product Source: " + p.Shown(L"Vendor") + L"\r\nPartNumber: " +
           p.Shown(L"ManufacturerPartNumber") + L"\r\nQuantity: " + std::to_wstring(quantity) +
           L"\r\n" +
           (added ? L"Product(s) added to current quote"
                  : L"Product(s) could NOT be added to current quote");
}

// Takes the stand-in's classes out of the registry for one test.
class Unregistered {
  public:
    Unregistered() { standin_client::UnregisterServer(); }
    ~Unregistered() { standin_client::RegisterServer(); }
    Unregistered(const Unregistered&) = delete;
    Unregistered& operator=(const Unregistered&) = delete;
};

// The stand-in running and Skuvane's window open on it, for a test that
// calls Open; at its end the window is closed, unless the program already
// ended, and the host must hold no reference.
class Opened : public ::testing::Test {
  protected:
    void Open(json scenario = Scenario()) {
        host_.emplace(std::move(scenario));
        ASSERT_TRUE(host_->Start()) << host_->error();
        app_.emplace();
        ASSERT_TRUE(app_->open()) << "no window";
    }
    void TearDown() override {
        if (app_ && app_->open() && app_->process().Running()) {
            EXPECT_EQ(app_->Close(), 0u) << "the exit code after Close";
        }
        if (host_) ExpectNoReferencesLeft(*host_, registryUsed_);
        EXPECT_TRUE(!registryUsed_ || NoStandInLeft());
    }
    StandIn& host() { return *host_; }
    Skuvane& app() { return *app_; }

    std::optional<StandIn> host_;
    std::optional<Skuvane> app_;
    bool registryUsed_ = false;
};

// The prefix's screen DPI for the programs started while it lives (each reads
// it as it starts); 96 again at the end, even when the test fails.
struct ScreenDpi {
    explicit ScreenDpi(DWORD dpi) { Set(dpi); }
    ~ScreenDpi() { Set(USER_DEFAULT_SCREEN_DPI); }
    ScreenDpi(const ScreenDpi&) = delete;
    ScreenDpi& operator=(const ScreenDpi&) = delete;
    static void Set(DWORD dpi) {
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD, &dpi,
                        sizeof(dpi));
    }
};

// ============================================================================
// Loading the window
// ============================================================================

using Loading = Opened;

// At 144 DPI, which the program reads from the screen as it starts: the
// client area is half as large again as at 96 (this process sees its pixels
// as they are; the controls' places are the window tests'), and each result
// column is 250 pixels wide.
TEST_F(Loading, WithThreeDatabasesTheWindowOpensWithItsListsFilledAndAllColumns) {
    ScreenDpi dpi(144);
    ASSERT_NO_FATAL_FAILURE(Open());

    EXPECT_EQ(driver::Text(app().window()), L"Skuvane");
    HWND field = app().control(search::kCboSearchField);
    HWND op = app().control(search::kCboOperator);
    HWND db = app().control(search::kCboProductDatabase);
    EXPECT_EQ(driver::ComboItems(field),
              (std::vector<std::wstring>{L"ManufacturerPartNumber", L"VendorPartNumber"}));
    EXPECT_EQ(driver::ComboText(field), L"ManufacturerPartNumber");
    EXPECT_EQ(driver::ComboItems(op),
              (std::vector<std::wstring>{L"Equal to", L"Not Equal to", L"Greater than",
                                         L"Less than", L"Greater or Equal", L"Less or Equal",
                                         L"Begins with", L"Contains", L"Does not Contain"}));
    EXPECT_EQ(driver::ComboText(op), L"Equal to");
    // Vantora's order and names as given: not sorted, not trimmed.
    EXPECT_EQ(driver::ComboItems(db),
              (std::vector<std::wstring>{kAll, L"Zeta Lighting", L"Alpha Cables ", L"Mid Tools"}));
    EXPECT_EQ(driver::ComboText(db), kAll);
    EXPECT_EQ(app().Status(), L"Ready");
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof gui;
    EXPECT_TRUE(WaitUntil(2000, [&] {
        return GetGUIThreadInfo(GetWindowThreadProcessId(app().window(), nullptr), &gui) &&
               gui.hwndFocus == db;
    })) << "the database chooser has not the focus";

    HWND list = app().control(search::kLvwResults);
    driver::RemoteListView view(list);
    ASSERT_EQ(view.ColumnCount(), 102);
    EXPECT_EQ(view.Count(), 0);
    for (int c = 0; c < 102; ++c) {
        EXPECT_EQ(view.ColumnText(c), kHeaders.at(size_t(c))) << "column " << c;
        EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, WPARAM(c), 0), 250) << "column " << c;
    }
    RECT client;
    GetClientRect(app().window(), &client);
    EXPECT_NEAR(client.right, 816, 1);
    EXPECT_NEAR(client.bottom, 482, 1);

    // The names were read one by one, each index passed by reference; the
    // host object was let go before the window showed.
    std::vector<std::string> expected = {"Application.ProductDatabases()",
                                         "ProductDatabases.Count()"};
    for (int i = 1; i <= 3; ++i) Append(expected, DatabaseName(i));
    EXPECT_EQ(Calls(host()), expected);
    EXPECT_EQ(host().Outstanding(), 0);
}

TEST_F(Loading, WithoutAnInstallationBothMessagesShowAndTheWindowNever) {
    StandIn host(Scenario({{"installations", 0}}));
    driver::Process p = driver::Process::Start(kExe);
    ASSERT_TRUE(p.pid());
    const Ending end = WatchUntilEnd(p, 2 * kWindowWaitMs);
    ASSERT_TRUE(end.exitCode) << "still running";
    EXPECT_FALSE(end.windowShown);
    EXPECT_EQ(end.boxes, (std::vector<Box>{
                             {L"Skuvane", L"There are no Vantora installations detected!", false},
                             {L"Vantora API", kNotRunning, true}}));
    // The registry was asked for its count and nothing more.
    host.WaitForReport("[installations]", kExitWaitMs);
    EXPECT_EQ(Calls(host), (std::vector<std::string>{"Installations.Count()"}));
    EXPECT_NE(host.Report().find("[installations]\ntotal 0\n"), std::string::npos) << host.Report();
    EXPECT_TRUE(NoStandInLeft());
}

TEST_F(Loading, WithTheHostStoppedItIsStartedThroughTheRegistryAndTheWindowOpens) {
    host_.emplace(Scenario());
    registryUsed_ = true;
    app_.emplace();
    ASSERT_TRUE(app().open()) << "no window";
    EXPECT_TRUE(driver::WindowsOf(app().pid(), L"#32770", true).empty()) << "a box showed";
    EXPECT_EQ(driver::ComboItems(app().control(search::kCboProductDatabase)).size(), 4u);
    EXPECT_EQ(app().Status(), L"Ready");
    // The start's calls, in order and with their types, are the unit tests'.
    ASSERT_TRUE(host().Control()) << "the host is not running";
}

TEST_F(Loading, WithoutTheRegistryRegisteredTheErrorIsReportedAndTheProgramEnds) {
    Unregistered none;
    driver::Process p = driver::Process::Start(kExe);
    ASSERT_TRUE(p.pid());
    const Ending end = WatchUntilEnd(p, 2 * kWindowWaitMs);
    ASSERT_TRUE(end.exitCode) << "still running";
    EXPECT_FALSE(end.windowShown);
    ASSERT_EQ(end.boxes.size(), 1u);
    EXPECT_EQ(end.boxes[0].caption, L"Skuvane");
    const std::wstring head = L"Run-time error '429':\n\n";
    EXPECT_EQ(end.boxes[0].text.rfind(head, 0), 0u) << Utf8(end.boxes[0].text);
    EXPECT_GT(end.boxes[0].text.size(), head.size()) << "the error has no description";
}

// ============================================================================
// Searching
// ============================================================================

using Searching = Opened;

// Close waits in the queue until the search yields between databases; the
// program must then end at once, normally, with nothing left running.
TEST_F(Searching, CloseDuringAnAllDatabasesSearchEndsTheProgram) {
    ASSERT_NO_FATAL_FAILURE(Open());
    host().ClearLog();
    SendMessageW(app().control(search::kCboOperator), CB_SETCURSEL, 6, 0);  // Begins with
    driver::Press(app().window(), app::ControlIdOf(search::kCmdSearch));
    driver::Press(app().window(), app::ControlIdOf(search::kCmdClose));
    const Ending end = WatchUntilEnd(app().process(), kWindowWaitMs);
    EXPECT_EQ(end.exitCode, 0u);
    EXPECT_TRUE(end.boxes.empty());
    // The search went no further than the database it had reached.
    EXPECT_FALSE(Contains(Calls(host()), "ProductDatabases.Item(&I2:2)"));
}

// ============================================================================
// Adding to the quote
// ============================================================================

// A 1,000-character description: the box grows until the whole question,
// its last words included, shows above the typing field.
using Prompt = Opened;

TEST_F(Prompt, ALongDescriptionLeavesTheQuestionReadable) {
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_TRUE(app().Search(L"Mid Tools", L"ManufacturerPartNumber", L"Equal to", L"MT-1000"));
    app().Select({0});
    app().PressAdd();
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(kBoxWaitMs, [&] {
        for (HWND dlg : driver::WindowsOf(app().pid(), L"#32770", true))
            if (GetDlgItem(dlg, 101)) box = dlg;
        return box != nullptr;
    }));
    HWND prompt = GetDlgItem(box, 100);
    const std::wstring text = driver::Text(prompt);
    EXPECT_EQ(text,
              L"How many [ " + standin::Wide(LongDescription()) + L"] would you like to add?");
    const RECT r = driver::ClientRectIn(prompt, box);
    RECT need = {0, 0, r.right - r.left, 0};
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0,
                             0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"MS Shell Dlg");
    HGDIOBJ old = SelectObject(dc, font);
    DrawTextW(dc, text.c_str(), int(text.size()), &need, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    EXPECT_GT(need.bottom, 200) << "not the long prompt this test is about";
    EXPECT_LE(need.bottom, r.bottom - r.top) << "the question's last lines are cut off";
    EXPECT_LE(r.bottom, driver::ClientRectIn(GetDlgItem(box, 101), box).top);
    RECT screen;
    GetWindowRect(box, &screen);
    EXPECT_GE(screen.top, 0);
    EXPECT_LE(screen.bottom, GetSystemMetrics(SM_CYSCREEN));
    driver::Press(box, IDCANCEL);
}

// The test command runs this suite under LC_ALL=de_DE.UTF-8 as an entry of its own.
// The add's calls are the same under any locale: part number, vendor and
// quantity by reference, then the flag 0 by value.
using German = Opened;

TEST_F(German, CellsReadAsThePlatformWritesThemHereAndTwoCommaFiveAddsTwo) {
    wchar_t separator[4] = L"";
    GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, separator, 4);
    ASSERT_STREQ(separator, L",") << "not under a German locale";
    ASSERT_NO_FATAL_FAILURE(Open());
    ASSERT_TRUE(app().Search(L"Zeta Lighting", L"ManufacturerPartNumber", L"Begins with", L"ZL"));
    // Money, numbers and dates as this process's platform writes them.
    EXPECT_EQ(app().Rows(), ZetaRows());
    host().ClearLog();
    app().Select({0});
    app().PressAdd();
    ASSERT_TRUE(driver::AnswerInputBox(app().pid(), L"2,5", true, kBoxWaitMs));
    const auto box = driver::WaitMessageBox(app().pid(), kBoxWaitMs);
    ASSERT_TRUE(box) << "no box after the add";
    EXPECT_EQ(Seen(box->hwnd), (Box{L"Skuvane", Outcome(ProductOf(0, 0), 2, true)}));
    EXPECT_TRUE(Dismiss(*box));
    EXPECT_EQ(Calls(host()),
              (std::vector<std::string>{
                  "Application.DocFunctions()", "DocFunctions.GetActiveDocumentIndex()",
                  "Application.ItemFunctions()",
                  "ItemFunctions.AddItemFromProductDatabase(&BSTR:\"ZL-100\", "
                  "&BSTR:\"Lumen & Co\", &R8:2, I4:0)"}));
    EXPECT_EQ(QuoteLineCount(host()), 1);
}

// ============================================================================
// A busy host
// ============================================================================

// Whether a window of the stand-in is in front.
bool StandInInFront() {
    DWORD pid = 0;
    GetWindowThreadProcessId(GetForegroundWindow(), &pid);
    return std::ranges::count(standin_client::StandInProcesses(), pid) > 0;
}

// Waits for the Server Busy box, which the user must see 9.5 to 14 s after
// `since`: the documented 10 s, with room for a loaded machine.
HWND ServerBusyBox(const Skuvane& app, ULONGLONG since) {
    const auto box = driver::WaitMessageBox(app.pid(), 16000);
    const ULONGLONG waited = GetTickCount64() - since;
    if (!box) return nullptr;
    EXPECT_TRUE(waited >= 9500 && waited <= 14000) << "the box came after " << waited << " ms";
    EXPECT_EQ(box->caption, L"Server Busy");
    EXPECT_NE(box->text.find(L"the other program is busy"), std::wstring::npos);
    EXPECT_EQ(GetWindow(box->hwnd, GW_OWNER), app.window());
    return box->hwnd;
}

// Both ways a busy host turns calls away. A first search (of "zl-", passed
// as it stands) meets a 7 s refusal at its find, ridden out with no box,
// and a 12 s one at the second row's fifth field, whose box gets Retry once
// the host is free. A second search waits `slowMs` for an answer, without a
// limit, then meets a refusal that outlasts every box: the user answers
// them with `presses`, the last one Cancel, and gets `report`. The slow
// answer rides with the shorter presses, so that both rows take as long.
TEST(Busy, RefusedCallsAreMadeAgainForTenSecondsThenAsTheUserChooses) {
    const struct {
        const char* code;  // the stand-in's name for it
        long slowMs;
        std::vector<int> presses;
        const wchar_t* report;
    } cases[] = {
        {"retrylater",
         0,
         {win32::kSwitchToId, IDCANCEL},
         L"Run-time error '-2147417846 (8001010a)':\n\nAutomation error"},
        {"rejected",
         11000,
         {IDCANCEL},
         L"Run-time error '-2147418111 (80010001)':\n\nAutomation error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        const auto at = [&](const char* member, long call, long ms) {
            return json{{"member", member}, {"call", call}, {"ms", ms}, {"code", c.code}};
        };
        StandIn host(Scenario(
            {{"busy",
              {at("FindAndCopyProductsIntoMLIBuffer", 1, 7000), at("SLIBufferGetValue", 71, 12000),
               at("FindAndCopyProductsIntoMLIBuffer", 2, 60000)}},
             {"slow", {{"member", "MLIBufferClear"}, {"call", 2}, {"ms", c.slowMs}}}}));
        ASSERT_TRUE(host.Start());
        Skuvane app;
        ASSERT_TRUE(app.open()) << "no window";
        // Searches, and waits for the host's log to show `refusal`: when it
        // showed, 0 when it did not. The window paints meanwhile.
        const auto searchUntil = [&](const std::string& refusal) {
            ULONGLONG shown = 0;
            const auto refused = [&] {
                if (!shown && Contains(host.LogLines(), refusal)) shown = GetTickCount64();
                return shown != 0;
            };
            host.ClearLog();
            app.Begin(L"Zeta Lighting", L"ManufacturerPartNumber", L"Begins with", L"zl-");
            WaitUntil(1000, [&] { return refused() && false; });  // a second's watch
            RedrawWindow(app.window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
            EXPECT_TRUE(WaitUntil(1000, [&] {
                return !GetUpdateRect(app.window(), nullptr, FALSE);
            })) << "the window does not paint while it waits for the host";
            WaitUntil(30000, [&] { return BoxUp(app.pid()) || refused(); });
            const auto box = driver::WaitMessageBox(app.pid(), 0);
            EXPECT_FALSE(box) << "a box before its time: " << Utf8(box->text);
            return box ? 0 : shown;
        };
        // The second row's fifth field.
        const ULONGLONG refusedAt =
            searchUntil("SLIBufferGetValue(BSTR:" + Quoted(kReadOrder[4]) + ") -> failed");
        ASSERT_TRUE(refusedAt) << "no refusal without a box first";
        driver::Click(app.control(search::kCmdSearch));  // not acted on, then or later
        HWND box;
        ASSERT_TRUE(box = ServerBusyBox(app, refusedAt)) << "no Server Busy box";
        Sleep(DWORD(std::max<LONGLONG>(0, LONGLONG(refusedAt + 12300 - GetTickCount64()))));
        driver::Press(box, IDRETRY);
        ASSERT_TRUE(WaitUntil(5000, [&] { return !IsWindow(box); }));
        ASSERT_TRUE(app.Finished(kWindowWaitMs));
        EXPECT_EQ(app.Rows(), ZetaRows());
        Sleep(1000);
        // Every call carried out once, as the user chose it.
        EXPECT_EQ(Calls(host), DatabaseSearch(L"Zeta Lighting", L"ManufacturerPartNumber",
                                              L"Begins with", L"zl-", 2));
        EXPECT_EQ(host.Outstanding(), 0);

        ULONGLONG since = searchUntil(" -> failed ");
        ASSERT_TRUE(since) << "no refusal without a box first";
        for (int press : c.presses) {
            ASSERT_TRUE(box = ServerBusyBox(app, since)) << "no Server Busy box";
            driver::Press(box, press);
            ASSERT_TRUE(WaitUntil(5000, [&] { return !IsWindow(box); }));
            since = GetTickCount64();
            EXPECT_TRUE(press != win32::kSwitchToId || WaitUntil(3000, StandInInFront))
                << "the host's window did not come forward";
        }
        const Ending end = WatchUntilEnd(app.process(), kWindowWaitMs);
        EXPECT_EQ(end.exitCode, 1u);
        EXPECT_EQ(end.boxes, std::vector<Box>({{L"Skuvane", c.report, true}}));
        ExpectNoReferencesLeft(host);
    }
}

// ============================================================================
// The host failing at each member the program calls
// ============================================================================

// How far a run goes: the load with the host stopped (started through the
// registry) or running, a search of Zeta Lighting's "ZL" part numbers, or
// adding its first row with the quantity 1.
enum class Step { Start, Load, Search, Add };

// What the user sees of a run to `step`: after loading, the database list;
// after the search, the part numbers listed; after the add, its boxes and the
// lines the quote then holds. Then any box on the way out (the report of a
// run-time error) and the exit code.
std::vector<std::wstring> SeenWith(StandIn& host, Step step) {
    if (step != Step::Start && !host.Start()) return {L"no host"};
    Skuvane app;
    std::vector<std::wstring> seen;
    if (app.open() && step <= Step::Load) {
        seen = driver::ComboItems(app.control(search::kCboProductDatabase));
    } else if (app.open() &&
               app.Search(L"Zeta Lighting", L"ManufacturerPartNumber", L"Begins with", L"ZL")) {
        if (step == Step::Search) {
            for (const auto& row : app.Rows()) seen.push_back(row[3]);
        } else {
            app.Select({0});
            app.PressAdd();
            driver::AnswerInputBox(app.pid(), L"1", true, kBoxWaitMs);
            // A run-time error's report is the last box: the program ends.
            while (auto box = driver::WaitMessageBox(app.pid(), seen.empty() ? kBoxWaitMs : 2000)) {
                seen.push_back(box->text);
                Dismiss(*box);
                if (box->text.starts_with(L"Run-time error")) break;
            }
            seen.push_back(std::to_wstring(QuoteLineCount(host)) + L" line(s)");
        }
    }
    if (app.open() && !BoxUp(app.pid()))
        driver::Press(app.window(), app::ControlIdOf(search::kCmdClose));
    const Ending end = WatchUntilEnd(app.process(), kWindowWaitMs);
    for (const Box& b : end.boxes) seen.push_back(b.text);
    seen.push_back(L"exit " + (end.exitCode ? std::to_wstring(*end.exitCode) : L"none"));
    return seen;
}

// The step whose first call of the member fails.
struct HostCall {
    const char* member;
    Step step;
};

const HostCall kHostCalls[] = {
    {"Installations.Count", Step::Start},
    {"Installations.Item", Step::Start},
    {"Installation.Application", Step::Start},
    {"InstallationApplication.IsRunning", Step::Start},
    {"InstallationApplication.Start", Step::Start},
    {"InstallationApplication.GetRunningObject", Step::Start},
    {"Application.ProductDatabases", Step::Load},
    {"ProductDatabases.Count", Step::Load},
    {"ProductDatabases.Item", Step::Load},
    {"ProductDatabase.Name", Step::Load},
    {"ItemFunctions.MLIBufferClear", Step::Search},
    {"ItemFunctions.FindAndCopyProductsIntoMLIBuffer", Step::Search},
    {"ItemFunctions.MLIBufferCount", Step::Search},
    {"ItemFunctions.SLIBufferCopyFromMLIBuffer", Step::Search},
    {"ItemFunctions.SLIBufferGetValue", Step::Search},
    {"ItemFunctions.AddItemFromProductDatabase", Step::Add},
    {"DocFunctions.GetActiveDocumentIndex", Step::Add},
};

// Each member either raises at that call, or its process ends there as a
// crash ends it.
class HostFailure : public ::testing::TestWithParam<std::tuple<HostCall, bool>> {};

TEST_P(HostFailure, IsReportedAndTheProgramEndsSoonLeavingNothingBehind) {
    const auto [call, crash] = GetParam();
    const std::string description = std::string(call.member) + " failed.";
    StandIn host(Scenario(
        {{crash ? "exit" : "error",
          {{"member", call.member}, {"description", description}, {"code", "0x800A0BB8"}}}}));
    std::vector<std::wstring> seen = SeenWith(host, call.step);
    const auto now = std::filesystem::file_time_type::clock::now();
    // A crash's report goes on with the system's text of the error.
    const std::wstring shown =
        crash ? L"Run-time error '-2147023170 (800706be)':\n\nAutomation error\n"
              : L"Run-time error '3000':\n\n" + standin::Wide(description);
    if (crash && !seen.empty() && seen[0].starts_with(shown)) seen[0] = shown;
    std::vector<std::wstring> expected = {shown, L"exit 1"};
    if (call.step == Step::Add) expected.insert(expected.begin() + 1, L"0 line(s)");
    EXPECT_EQ(seen, expected);
    // The host's last word is the call it ended at: the program followed it soon.
    if (crash) {
        EXPECT_LT(now - std::filesystem::last_write_time(host.LogPath()), std::chrono::seconds(5));
    }
    // Nothing was called after the failure.
    const std::vector<std::string> log = host.LogLines();
    EXPECT_TRUE(!log.empty() && log.back().starts_with(std::string(call.member) + "("))
        << (log.empty() ? "no call" : log.back());
    host.Stop();
    EXPECT_TRUE(NoStandInLeft());
    // Whatever of the host survived reports no reference held.
    const std::string report = host.Report();
    size_t totals = 0, zeros = 0;
    for (size_t at = 0; (at = report.find("total ", at)) != std::string::npos; ++at, ++totals)
        zeros += report.compare(at, 8, "total 0\n") == 0;
    EXPECT_EQ(zeros, totals) << report;
    EXPECT_TRUE(crash || totals > 0) << report;
}

INSTANTIATE_TEST_SUITE_P(EveryMember, HostFailure,
                         ::testing::Combine(::testing::ValuesIn(kHostCalls), ::testing::Bool()),
                         [](const auto& param) {
                             std::string name = std::get<0>(param.param).member;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name + (std::get<1>(param.param) ? "_Crashes" : "_Raises");
                         });

// ============================================================================
// Odd values from the host
// ============================================================================

// A field's value in every automation type a host may answer with.
const json kOddFields = {
    {"CustomText01", {{"BOOL", true}}},
    {"CustomText02", {{"UI1", 200}}},
    {"CustomText03", {{"I2", -12345}}},
    {"CustomText04", {{"I4", 2147483647}}},
    {"CustomText05", {{"I8", "-9007199254740993"}}},  // beyond a double's digits
    {"CustomText06", {{"R4", 1.1}}},
    {"CustomText07", {{"R8", 1e-5}}},
    {"CustomText08", {{"CY", "-123456789012.3456"}}},
    {"CustomText09", {{"DECIMAL", "-1234567890123456789.012345678"}}},
    {"CustomDate01", {{"DATE", "2026-03-24"}}},
    {"CustomDate02", {{"DATE", "2026-03-24T13:45:30"}}},
    {"CustomText10", {{"ERROR", "0x800A07FA"}}},
    {"CustomText12", {{"BSTR", std::string("before\0after", 12)}}},
    {"CustomText13", {{"BSTR", "\xF0\x9D\x84\x9E clef \xF0\x9F\x98\x80"}}},
    {"CustomMemo01", {{"BSTR", "0123456789"}, {"repeat", 100000}}},
    {"UnitPrice", {{"R8", 2.5}}},
    {"Notes", {{"NULL", nullptr}}},
};

// The platform's own text of what the host answers for a field (the
// automation conversion under the user's locale; an error value, which it
// does not convert, reads "Error" and its number).
std::wstring PlatformText(const std::string& field) {
    standin::ValueTable table;
    std::wstring why;
    standin::ComVariant v, text;
    if (!table.Parse(json{{field, kOddFields.at(field)}}.dump(), &why) ||
        !table.Find(standin::Wide(field), v.get()))
        return L"<bad value " + why + L">";
    if (V_VT(v.get()) == VT_ERROR)
        return L"Error " + std::to_wstring(HRESULT_CODE(V_ERROR(v.get())));
    if (V_VT(v.get()) == VT_NULL) return L"";
    VariantChangeTypeEx(text.get(), v.get(), LOCALE_USER_DEFAULT, VARIANT_ALPHABOOL, VT_BSTR);
    return {V_BSTR(text.get()), SysStringLen(V_BSTR(text.get()))};
}

using OddValues = Opened;

TEST_F(OddValues, EveryKindIsListedAsThePlatformWritesItAndLongTextWhole) {
    ASSERT_NO_FATAL_FAILURE(Open(Scenario({{"values", kOddFields}})));
    ASSERT_TRUE(app().Search(L"Zeta Lighting", L"ManufacturerPartNumber", L"Equal to", L"ZL-100"));
    driver::RemoteListView list(app().control(search::kLvwResults));
    ASSERT_EQ(list.Count(), 1);
    std::vector<std::wstring> expected = ExpectedRow(ProductOf(0, 0));
    for (size_t c = 0; c < kHeaders.size(); ++c) {
        const std::string field = Utf8(FieldOf(c));
        if (kOddFields.contains(field)) expected[c] = PlatformText(field);
        // One character more than expected is read: the text must end there.
        EXPECT_EQ(list.Text(0, int(c), expected[c].size() + 1), expected[c] + L'\0')
            << field << " shows \"" << Utf8(list.Text(0, int(c))).substr(0, 80) << "\"";
    }
}

// What the user sees when the host answers a member oddly.
struct OddAnswer {
    const char* member;
    const char* value;  // as the scenario writes it
    Step step;
    std::vector<std::wstring> seen;
};

std::wstring Report(int number, const wchar_t* text) {
    return L"Run-time error '" + std::to_wstring(number) + L"':\n\n" + text;
}

TEST_F(OddValues, OddMemberAnswersConvertAsThePlatformsOrEndInItsReport) {
    const std::wstring half = PlatformText("UnitPrice");  // 2.5 in the user's notation
    auto outcome = [](bool added) { return Outcome(ProductOf(0, 0), 1, added); };
    const std::wstring ended = L"exit 1", closed = L"exit 0";
    const std::wstring overflow = Report(6, L"Overflow"), null = Report(94, L"Invalid use of Null");
    const std::vector<OddAnswer> cases = {
        // Halves round to even: 2.5 databases are 2.
        {"ProductDatabases.Count",
         R"({"R8": 2.5})",
         Step::Load,
         {kAll, L"Zeta Lighting", L"Alpha Cables ", closed}},
        {"ProductDatabases.Count", R"({"R8": 1e10})", Step::Load, {overflow, ended}},
        {"ProductDatabase.Name", R"({"R8": 2.5})", Step::Load, {kAll, half, half, half, closed}},
        {"ProductDatabase.Name", R"({"NULL": null})", Step::Load, {null, ended}},
        {"ItemFunctions.FindAndCopyProductsIntoMLIBuffer",
         R"({"BSTR": "3"})",
         Step::Search,
         {L"ZL-100", L"ZL-200", closed}},
        {"ItemFunctions.FindAndCopyProductsIntoMLIBuffer",
         R"({"EMPTY": null})",
         Step::Search,
         {closed}},
        {"ItemFunctions.MLIBufferCount",
         R"({"R8": 2.5})",
         Step::Search,
         {L"ZL-100", L"ZL-200", closed}},
        {"ItemFunctions.MLIBufferCount", R"({"R8": 1e10})", Step::Search, {overflow, ended}},
        {"CustomText01",
         R"({"ARRAY": [{"I2": 1}]})",
         Step::Search,
         {Report(13, L"Type mismatch"), ended}},
        {"CustomText01",
         R"({"DISPATCH": null})",
         Step::Search,
         {Report(91, L"Object variable or With block variable not set"), ended}},
        {"DocFunctions.GetActiveDocumentIndex",
         R"({"BSTR": "-1"})",
         Step::Add,
         {L"There are no documents currently open in Vantora.", outcome(false), L"0 line(s)",
          closed}},
        {"DocFunctions.GetActiveDocumentIndex",
         R"({"R8": 1e10})",
         Step::Add,
         {overflow, L"0 line(s)", ended}},
        // Judged by the answer's sign: added once, and neither reported as
        // refused nor ended on; a negative answer is not reported as added.
        {"ItemFunctions.AddItemFromProductDatabase",
         R"({"R8": 1e10})",
         Step::Add,
         {outcome(true), L"1 line(s)", closed}},
        {"ItemFunctions.AddItemFromProductDatabase",
         R"({"R8": -0.4})",
         Step::Add,
         {outcome(false), L"1 line(s)", closed}},
        {"ItemFunctions.AddItemFromProductDatabase",
         R"({"NULL": null})",
         Step::Add,
         {null, L"1 line(s)", ended}},
    };
    for (const OddAnswer& c : cases) {
        StandIn host(Scenario({{"values", {{c.member, json::parse(c.value)}}}}));
        EXPECT_EQ(SeenWith(host, c.step), c.seen) << c.member << " answering " << c.value;
    }
}

// ============================================================================
// The program itself: its icons and manifest (its version resource is checked
// with the zip users take) and what a screen reader hears of it
// ============================================================================

TEST(ExeResources, IconGroupHoldsTheThreeImagesAndTheManifestAsksForV6AndPerMonitorDpi) {
    HMODULE exe = LoadLibraryExW(kExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC group = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(14));  // RT_GROUP_ICON
    ASSERT_NE(group, nullptr);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(exe, group)));
    WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    ASSERT_EQ(count, 3);
    std::vector<std::tuple<int, int, int>> images;
    for (const BYTE* e = dir + 6; images.size() < count; e += 14)  // 14-byte entries
        images.emplace_back(e[0], e[1], e[6] | (e[7] << 8));       // width, height, bits
    EXPECT_EQ(images,
              (std::vector<std::tuple<int, int, int>>{{32, 32, 1}, {32, 32, 4}, {16, 16, 4}}));

    HRSRC manifest = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(manifest, nullptr);
    std::string text(static_cast<const char*>(LockResource(LoadResource(exe, manifest))),
                     SizeofResource(exe, manifest));
    EXPECT_NE(text.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(text.find("PerMonitorV2"), std::string::npos);
    FreeLibrary(exe);
}

using ExeAccessibility = Opened;

TEST_F(ExeAccessibility, ScreenReadersHearEveryInputNamedByItsLabel) {
    ASSERT_NO_FATAL_FAILURE(Open());
    SendMessageW(app().control(search::kTxtSearchFor), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"patch cable"));
    const struct {
        search::ControlId id;
        std::wstring name;
        std::wstring value = {};  // none: the standard object's
    } inputs[] = {{search::kCboProductDatabase, L"Product Database to Search"},
                  {search::kCboSearchField, L"Field to Search"},
                  {search::kCboOperator, L"Operator"},
                  {search::kTxtSearchFor, L"Search For", L"patch cable"},
                  {search::kLvwResults, L"Results"},
                  {search::kCmdSearch, L"Search"},
                  {search::kCmdAddToQuote, L"Add selected product(s) to quote"},
                  {search::kCmdClose, L"Close"}};
    VARIANT self;
    V_VT(&self) = VT_I4;
    V_I4(&self) = CHILDID_SELF;
    auto text = [&self](IAccessible* acc,
                        HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
        win32::Bstr b;
        return (acc->*get)(self, b.out()) == S_OK ? b.str() : L"<none>";
    };
    auto role = [&self](IAccessible* acc) {
        win32::ComVariant r;
        return SUCCEEDED(acc->get_accRole(self, r.get())) && V_VT(r.get()) == VT_I4 ? V_I4(r.get())
                                                                                    : -1;
    };
    for (const auto& in : inputs) {
        SCOPED_TRACE(testing::PrintToString(in.name));
        win32::ComPtr<IAccessible> acc, standard;
        ASSERT_HRESULT_SUCCEEDED(
            AccessibleObjectFromWindow(app().control(in.id), OBJID_CLIENT, IID_PPV_ARGS(&acc)));
        ASSERT_HRESULT_SUCCEEDED(
            CreateStdAccessibleObject(app().control(in.id), OBJID_CLIENT, IID_PPV_ARGS(&standard)));
        EXPECT_EQ(text(acc.Get(), &IAccessible::get_accName), in.name);
        EXPECT_NE(role(acc.Get()), -1);
        EXPECT_EQ(role(acc.Get()), role(standard.Get()));
        EXPECT_EQ(text(acc.Get(), &IAccessible::get_accValue),
                  in.value.empty() ? text(standard.Get(), &IAccessible::get_accValue) : in.value);
    }
}

// ============================================================================
// A long search as the user lives it: rows show as they are read, Esc stops
// it, and other input waits for its end. The stand-in's sample databases and
// one generated from them, where a row costs tens of milliseconds.
// ============================================================================

const std::wstring kMany = L"Many";  // every part number has "-G"
constexpr int kManyRows = 200;
constexpr DWORD kSearchWaitMs = 120000;  // 200 rows on a loaded machine
// What this test adds to a row's wait to be listed: its 20 ms polls, and a
// loaded machine's scheduling.
constexpr ULONGLONG kLagMarginMs = 100;
constexpr wchar_t kField[] = L"ManufacturerPartNumber";
constexpr wchar_t kContains[] = L"Contains";

// Whether the list's first row shows on the screen: dark pixels in its first
// cell, right under the header, where a blank list is all background.
bool FirstRowOnScreen(HWND list) {
    RECT header;
    GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), &header);
    const int width = 120, height = 12;
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, width, height, screen, header.left, header.bottom + 2, SRCCOPY);
    int dark = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = GetPixel(copy, x, y);
            dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
        }
    }
    SelectObject(copy, old);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    return dark > 0;
}

// Skuvane's window open on the samples and "Many", its list on the screen
// and empty. The second row's first field comes a second late, so that the
// first row's showing is not a race with the second's reading on a loaded
// machine.
class LongSearch : public Opened {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(
            Open({{"generate", {{"name", Utf8(kMany)}, {"count", kManyRows}}},
                  {"slow", {{"member", "SLIBufferGetValue"}, {"call", 67}, {"ms", 1000}}}}));
        dbs = driver::ComboItems(app_->control(search::kCboProductDatabase));
        ASSERT_EQ(dbs.back(), kMany);
        SetForegroundWindow(app_->window());
        ASSERT_TRUE(WaitUntil(kWindowWaitMs, [&] { return !FirstRowOnScreen(List()); }))
            << "the empty list is not on the screen as itself";
        host_->ClearLog();
    }
    HWND List() const { return app_->control(search::kLvwResults); }
    int Count() const { return int(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }
    // Esc as a key posted to the focused control, or typed on the keyboard.
    void Escape(bool typed) const {
        if (typed) {
            SetForegroundWindow(app_->window());
            INPUT keys[2] = {};
            for (INPUT& k : keys) {
                k.type = INPUT_KEYBOARD;
                k.ki.wVk = VK_ESCAPE;
            }
            keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, keys, sizeof(INPUT));
            return;
        }
        GUITHREADINFO gui = {};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(GetWindowThreadProcessId(app_->window(), nullptr), &gui);
        PostMessageW(gui.hwndFocus ? gui.hwndFocus : app_->window(), WM_KEYDOWN, VK_ESCAPE, 1);
    }
    // The calls that a search of `db` reading `rows` rows makes.
    std::vector<std::string> Reads(const std::wstring& db, int rows) const {
        return DatabaseSearch(db, kField, kContains, L"-", rows);
    }

    std::vector<std::wstring> dbs;  // as the chooser offers them
};

// Rows whose last field the host has handed over, from its log as it grows.
class RowsRead {
  public:
    explicit RowsRead(const std::wstring& log)
        : file_(CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr)) {}
    ~RowsRead() { CloseHandle(file_); }
    RowsRead(const RowsRead&) = delete;
    RowsRead& operator=(const RowsRead&) = delete;

    int Count() {
        char buffer[65536];
        DWORD n = 0;
        while (ReadFile(file_, buffer, sizeof buffer, &n, nullptr) && n > 0) {
            tail_.append(buffer, n);
            for (size_t at; (at = tail_.find(last_)) != std::string::npos; ++rows_)
                tail_.erase(0, at + last_.size());
            if (tail_.size() > last_.size()) tail_.erase(0, tail_.size() - last_.size());
        }
        return rows_;
    }

  private:
    HANDLE file_;
    const std::string last_ = RowReads(1).back();
    std::string tail_;
    int rows_ = 0;
};

TEST_F(LongSearch, RowsShowAsTheyAreReadAndTheHostHearsTheSameCalls) {
    RowsRead read(host_->LogPath());
    ASSERT_TRUE(app_->Begin(kMany, kField, kContains, L"-"));
    std::vector<ULONGLONG> readAt, shownAt;  // by row: when the host handed it over, and listed
    std::vector<std::wstring> firstRow;
    int readWhenDrawn = -1;
    ASSERT_TRUE(WaitUntil(kSearchWaitMs,
                          [&] {
                              const ULONGLONG now = GetTickCount64();
                              const int shown = Count();
                              readAt.resize(size_t(read.Count()), now);
                              shownAt.resize(size_t(shown), now);
                              if (shown > 0 && readWhenDrawn < 0) {
                                  const bool drawn =
                                      WaitUntil(1000, [&] { return FirstRowOnScreen(List()); });
                                  readWhenDrawn = drawn ? read.Count() : kManyRows;
                                  const driver::RemoteListView view(List());
                                  for (int c = 0; c < view.ColumnCount(); ++c)
                                      firstRow.push_back(view.Text(0, c));
                              }
                              return app_->Status() == L"Finished search";
                          }))
        << "status \"" << standin::Utf8(app_->Status()) << "\"";

    ASSERT_EQ(Count(), kManyRows);
    EXPECT_TRUE(WaitUntil(1000, [&] { return FirstRowOnScreen(List()); }))
        << "the rows were not on the screen when the search was done";
    EXPECT_LT(readWhenDrawn, 2) << "the first row was not on the screen before the second's end";
    // Whole when it first showed: every cell as it stays.
    const driver::RemoteListView view(List());
    for (size_t c = 0; c < firstRow.size(); ++c) EXPECT_EQ(firstRow[c], view.Text(0, int(c)));
    ULONGLONG worst = 0;
    for (size_t r = 0; r < std::min(readAt.size(), shownAt.size()); ++r)
        worst = std::max(worst, shownAt[r] - std::min(shownAt[r], readAt[r]));
    EXPECT_LE(worst, 100 + kLagMarginMs) << "the longest a row was read and not yet listed, in ms";
    EXPECT_EQ(Calls(*host_), Reads(kMany, kManyRows));
}

// Esc during a search of one database after 50 rows (posted to the focused
// control), and during the second database of all (typed).
TEST_F(LongSearch, EscStopsAfterTheRowBeingReadWithNoFurtherCall) {
    for (const bool all : {false, true}) {
        SCOPED_TRACE(all ? "all databases, Esc typed" : "one database, Esc posted");
        host_->ClearLog();
        ASSERT_TRUE(app_->Begin(all ? kAll : kMany, kField, kContains, L"-"));
        if (all) {
            ASSERT_TRUE(WaitUntil(
                kSearchWaitMs, [&] { return app_->Status() == L"Searching " + dbs[2] + L"..."; }));
        }
        const int at = Count() + 50;
        ASSERT_TRUE(WaitUntil(kSearchWaitMs, [&] { return Count() >= at; }));
        Escape(all);
        ASSERT_TRUE(WaitUntil(kWindowWaitMs, [&] { return app_->Status() == L"Search stopped"; }))
            << "status \"" << standin::Utf8(app_->Status()) << "\"";

        // Every row read is listed, and the log ends at the last one's last field.
        const int listed = Count();
        const std::vector<std::string> calls = Calls(*host_);
        int before = 0;  // rows of the first database, in the all-databases search
        for (size_t i = 0, clears = 0; i < calls.size() && all; ++i) {
            clears += calls[i] == "ItemFunctions.MLIBufferClear()";
            before += clears == 1 && calls[i].find("SLIBufferCopy") != std::string::npos;
        }
        std::vector<std::string> expected;
        if (all) {
            expected = {"Application.ProductDatabases()", "ProductDatabases.Count()"};
            Append(expected, DatabaseName(1));
            Append(expected, Reads(dbs[1], before));
            Append(expected, DatabaseName(2));
        }
        Append(expected, Reads(all ? dbs[2] : kMany, listed - before));
        EXPECT_EQ(calls, expected);
        EXPECT_EQ(host_->Outstanding(), 0);
    }
}

// ============================================================================
// The window while a search runs, with a stand-in 4 ms slower a call (a row
// takes a third of a second): the list scrolls, selects and copies as rows
// arrive; Close ends the search and the program; what would call the host
// or reorder the rows does nothing, then or later. Each check waits for the
// order of events, bounded generously: the host's log says what was read.
// ============================================================================

constexpr int kSlowRows = 400;      // more than any test lets it read: each stops it
constexpr DWORD kActWaitMs = 5000;  // an input answered, on a loaded machine

class LiveSearch : public LongSearch {
  protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(
            Open({{"generate", {{"name", Utf8(kMany)}, {"count", kSlowRows}}}, {"delay_ms", 4}}));
        host_->ClearLog();
        SetForegroundWindow(app_->window());
    }
    int Top() const { return int(SendMessageW(List(), LVM_GETTOPINDEX, 0, 0)); }
    // Begins the search and waits for more rows than the view holds.
    void BeginAndFill(RowsRead& read) {
        ASSERT_TRUE(app_->Begin(kMany, kField, kContains, L"-"));
        ASSERT_TRUE(WaitUntil(kSearchWaitMs, [&] { return Count() >= 12; }))
            << "listed " << Count() << ", read " << read.Count() << ", status "
            << Utf8(app_->Status());
        EXPECT_GE(read.Count(), 12);
    }
    // A real click on a row.
    void ClickRow(int row) const {
        RECT r = driver::RemoteListView(List()).RowRect(row);
        MapWindowPoints(List(), nullptr, reinterpret_cast<POINT*>(&r), 2);
        driver::MouseTo({r.left + 10, (r.top + r.bottom) / 2});
        driver::LeftButton(true);
        driver::LeftButton(false);
    }
    void StopWithEscape() {
        Escape(true);
        ASSERT_TRUE(WaitUntil(kSearchWaitMs, [&] { return app_->Status() == L"Search stopped"; }));
    }
};
// Each step while the search reads on: the list's top row where the step
// puts it while "Searching..." still shows, and rows read meanwhile.
TEST_F(LiveSearch, TheListScrollsSelectsAndCopiesWhileRowsArrive) {
    RowsRead read(host_->LogPath());
    ASSERT_NO_FATAL_FAILURE(BeginAndFill(read));
    // Where the step puts the top row, given the rows listed when it began.
    const struct Act {
        const char* name;
        std::function<void()> act;
        std::function<bool(int top, int listed)> placed;
        bool held = false;  // the list's count waits while the thumb is held
    } steps[] = {
        {"the wheel", [&] { driver::Wheel(List(), -2); }, [](int top, int) { return top > 0; }},
        {"Home",
         [&] {
             ClickRow(Top());
             driver::Keys({VK_HOME});
         },
         [](int top, int) { return top == 0; }},
        {"a drag of the thumb, held",
         [&] {
             const POINT thumb = driver::TopThumb(List());
             driver::MouseTo(thumb);
             driver::LeftButton(true);
             for (int y = 1; y <= 40; y += 3) driver::MouseTo({thumb.x, thumb.y + y});
         },
         [](int top, int) { return top > 0; }, true},
        {"End",
         [&] {
             driver::LeftButton(false);
             driver::Keys({VK_END});
         },
         [&](int top, int listed) {
             return top + int(SendMessageW(List(), LVM_GETCOUNTPERPAGE, 0, 0)) >= listed;
         }},
    };
    for (const Act& step : steps) {
        SCOPED_TRACE(step.name);
        const int before = read.Count(), listed = Count();
        step.act();
        std::wstring status;
        EXPECT_TRUE(WaitUntil(kActWaitMs,
                              [&] {
                                  status = app_->Status();
                                  return step.placed(Top(), listed);
                              }))
            << "top row " << Top();
        EXPECT_EQ(status, L"Searching...");
        // The thumb stays held a second: the rows go on being read meanwhile,
        // and after any other step they go on being listed.
        EXPECT_TRUE(WaitUntil(kActWaitMs, [&] { return read.Count() >= before + 2; }));
        if (!step.held) {
            EXPECT_TRUE(WaitUntil(kActWaitMs, [&] { return Count() > listed + 2; }));
        }
    }
    // Rows 1 to 3 selected with the keys and copied with Ctrl+C.
    driver::Keys({VK_HOME});
    driver::Keys({VK_SHIFT, VK_DOWN});
    driver::Keys({VK_SHIFT, VK_DOWN});
    if (OpenClipboard(nullptr)) EmptyClipboard(), CloseClipboard();
    driver::Keys({VK_CONTROL, 'C'});
    std::wstring copied;
    EXPECT_TRUE(WaitUntil(kActWaitMs, [&] { return !(copied = driver::ClipboardText()).empty(); }));
    EXPECT_EQ(app_->Status(), L"Searching...");
    const driver::RemoteListView view(List());
    std::wstring expected;
    for (int r = -1; r < 3; ++r) {
        for (int c = 0; c < view.ColumnCount(); ++c)
            expected += (c ? L"\t" : L"") + (r < 0 ? view.ColumnText(c) : view.Text(r, c));
        expected += L"\r\n";
    }
    EXPECT_EQ(copied, expected);
    ASSERT_NO_FATAL_FAILURE(StopWithEscape());
}

// The Close button and the close box: the program ends at once, the host's
// log ends at a row's last field, and nothing is held.
class LiveClose : public LiveSearch, public ::testing::WithParamInterface<bool> {};
INSTANTIATE_TEST_SUITE_P(ButtonOrBox, LiveClose, ::testing::Bool());

TEST_P(LiveClose, EndsTheSearchAfterTheRowBeingReadAndTheProgram) {
    RowsRead read(host_->LogPath());
    ASSERT_TRUE(app_->Begin(kMany, kField, kContains, L"-"));
    ASSERT_TRUE(WaitUntil(kSearchWaitMs, [&] { return read.Count() >= 2; }));
    if (GetParam()) {
        RECT r;
        GetWindowRect(app_->window(), &r);
        const int edge = GetSystemMetrics(SM_CXFIXEDFRAME), size = GetSystemMetrics(SM_CYSIZE);
        driver::MouseTo({r.right - edge - size / 2, r.top + edge + size / 2});
        driver::LeftButton(true);
        driver::LeftButton(false);
    } else {
        driver::Press(app_->window(), app::ControlIdOf(search::kCmdClose));
    }
    ASSERT_EQ(app_->process().WaitExit(kActWaitMs), std::optional<DWORD>(0));
    EXPECT_EQ(Calls(*host_), Reads(kMany, read.Count()));
}

// A Search and an Add clicked, and a row double-clicked, during a search:
// one search in the host's log, no prompt and no add, then or later.
TEST_F(LiveSearch, SearchAndAddDuringASearchDoNothingThenOrLater) {
    RowsRead read(host_->LogPath());
    ASSERT_NO_FATAL_FAILURE(BeginAndFill(read));
    ClickRow(0);
    driver::Press(app_->window(), app::ControlIdOf(search::kCmdSearch));
    app_->PressAdd();
    ClickRow(1);
    driver::LeftButton(true), driver::LeftButton(false);
    ASSERT_EQ(app_->Status(), L"Searching...") << "the clicks came after the search";
    const int then = read.Count();
    ASSERT_TRUE(WaitUntil(kSearchWaitMs, [&] { return read.Count() >= then + 3; }));
    ASSERT_NO_FATAL_FAILURE(StopWithEscape());
    Sleep(1500);
    EXPECT_TRUE(driver::WindowsOf(app_->pid(), L"#32770", true).empty()) << "a prompt or a box";
    EXPECT_EQ(Calls(*host_), Reads(kMany, read.Count()));
    EXPECT_EQ(QuoteLineCount(*host_), 0);
}

// A filter set while rows arrive: only the rows with the text (any case) in a
// shown cell show as they are read. Esc stops the search, and once it is
// over shows every row again. Filtered again, "N of M rows"; Add adds the
// selected row shown, not the selected one the filter hides; every row shown
// again keeps its selection.
TEST_F(LiveSearch, AFilterSetDuringASearchShowsOnlyMatchingRowsAndAddAddsOnlyThose) {
    RowsRead read(host_->LogPath());
    ASSERT_NO_FATAL_FAILURE(BeginAndFill(read));
    ClickRow(0);  // the list focused, for Ctrl+F
    ASSERT_TRUE(WaitUntil(
        kActWaitMs, [&] { return SendMessageW(List(), LVM_GETITEMSTATE, 0, LVIS_FOCUSED) != 0; }));
    const driver::RemoteListView view(List());
    const std::wstring vendor = L"Nordic Light Supply";
    ASSERT_EQ(view.Text(2, 1), vendor);
    const auto part = std::ranges::find(kHeaders, L"ManufacturerPartNumber") - kHeaders.begin();
    const std::wstring addedPart = view.Text(2, int(part));
    view.Select({2, 3});
    driver::Keys({VK_CONTROL, 'F'});
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(kActWaitMs, [&] {
        for (HWND dlg : driver::WindowsOf(app_->pid(), L"#32770", true))
            if (driver::Text(dlg) == L"Find") box = dlg;
        return box != nullptr;
    }));
    SendMessageW(GetDlgItem(box, win32::kFindWhatId), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"nORDIC"));
    driver::Press(box, win32::kFindFilterId);
    const auto withVendor = [&] {  // of the rows shown
        int n = 0;
        for (int r = 0, count = Count(); r < count; ++r) n += view.Text(r, 1) == vendor;
        return n;
    };
    ASSERT_TRUE(WaitUntil(kActWaitMs, [&] { return Count() < 12; })) << "no filter";
    const int then = read.Count(), shown = Count();
    ASSERT_TRUE(WaitUntil(kSearchWaitMs, [&] {
        const int count = Count();
        EXPECT_EQ(withVendor(), count) << "a row without the text, " << read.Count() << " read";
        return read.Count() >= then + 12;
    }));
    EXPECT_GT(Count(), shown) << "no row with the text showed as it came";
    EXPECT_EQ(app_->Status().find(std::to_wstring(Count()) + L" of "), 0u);
    ASSERT_TRUE(WaitUntil(kSearchWaitMs, [&] {
        Escape(true);
        return WaitUntil(1000, [&] { return app_->Status() == L"Search stopped"; });
    })) << Utf8(app_->Status());
    const int all = Count(), nordic = withVendor();
    ASSERT_EQ(all, read.Count()) << "every row read shows";
    driver::Press(box, win32::kFindFilterId);
    ASSERT_TRUE(WaitUntil(kActWaitMs, [&] { return Count() < all; }));
    EXPECT_EQ(Count(), nordic);
    EXPECT_EQ(app_->Status(), std::to_wstring(nordic) + L" of " + std::to_wstring(all) + L" rows");
    host_->ClearLog();
    app_->PressAdd();
    ASSERT_TRUE(driver::AnswerInputBox(app_->pid(), L"1", true, kBoxWaitMs));
    const auto added = driver::WaitMessageBox(app_->pid(), kBoxWaitMs);
    ASSERT_TRUE(added);
    EXPECT_TRUE(Dismiss(*added));
    Sleep(1000);
    EXPECT_EQ(driver::WindowsOf(app_->pid(), L"#32770", true), std::vector<HWND>{box})
        << "a second prompt";
    EXPECT_EQ(Calls(*host_),
              (std::vector<std::string>{
                  "Application.DocFunctions()", "DocFunctions.GetActiveDocumentIndex()",
                  "Application.ItemFunctions()",
                  "ItemFunctions.AddItemFromProductDatabase(&BSTR:" + Quoted(addedPart) +
                      ", &BSTR:" + Quoted(vendor) + ", &R8:1, I4:0)"}));
    EXPECT_EQ(QuoteLineCount(*host_), 1);
    driver::Press(box, win32::kFindShowAllId);
    ASSERT_TRUE(WaitUntil(kActWaitMs, [&] { return Count() == all; }));
    EXPECT_EQ(SendMessageW(List(), LVM_GETSELECTEDCOUNT, 0, 0), 2);
    EXPECT_TRUE(SendMessageW(List(), LVM_GETITEMSTATE, 3, LVIS_SELECTED));
}

// ============================================================================
// The stand-in itself, from another process through COM: what these tests
// take on trust of it. A reference a client keeps is reported, and the call
// log records types and by-reference flags as they came.
// ============================================================================

// Find as Skuvane calls it, then one row copied with its index passed three
// ways, a field read and an add; then the host stopped while the client
// still holds ItemFunctions.
TEST(StandInTest, TheCallLogIsTruthfulAndAReferenceHeldAtExitIsReported) {
    StandIn host;
    ASSERT_TRUE(host.Start()) << host.error();
    const auto items = standin_client::Object(host.Application().Get(), L"ItemFunctions");
    ASSERT_TRUE(items);
    host.ClearLog();
    BSTR find[4] = {SysAllocString(L"Electrical Supply"), SysAllocString(L"ManufacturerPartNumber"),
                    SysAllocString(L"Equal to"), SysAllocString(L"CB-251-001")};
    ArgList findArgs;
    for (BSTR& text : find) findArgs.TextRef(&text);
    Call(items.Get(), L"FindAndCopyProductsIntoMLIBuffer", findArgs);
    for (BSTR text : find) SysFreeString(text);
    short row = 1;
    Call(items.Get(), L"SLIBufferCopyFromMLIBuffer", ArgList().I2Ref(&row));
    Call(items.Get(), L"SLIBufferCopyFromMLIBuffer", ArgList().I2(1));
    standin_client::ComVariant inner;
    V_VT(inner.get()) = VT_I2;
    V_I2(inner.get()) = 1;
    Call(items.Get(), L"SLIBufferCopyFromMLIBuffer", ArgList().VariantRef(inner.get()));
    Call(items.Get(), L"SLIBufferGetValue", ArgList().Text(L"Description"));
    double qty = 3;
    BSTR part = SysAllocString(L"CB-251-001"), vendor = SysAllocString(L"Nobody");
    Call(items.Get(), L"AddItemFromProductDatabase",
         ArgList().TextRef(&part).TextRef(&vendor).R8Ref(&qty).I4(0));
    SysFreeString(part);
    SysFreeString(vendor);

    const std::vector<std::string> expected = {
        // NOLINTNEXTLINE(bugprone-suspicious-missing-comma): one line, split for width
        "ItemFunctions.FindAndCopyProductsIntoMLIBuffer(&BSTR:\"Electrical Supply\", "
        "&BSTR:\"ManufacturerPartNumber\", &BSTR:\"Equal to\", &BSTR:\"CB-251-001\") -> I4:1",
        "ItemFunctions.SLIBufferCopyFromMLIBuffer(&I2:1) -> I4:1",
        "ItemFunctions.SLIBufferCopyFromMLIBuffer(I2:1) -> I4:1",
        "ItemFunctions.SLIBufferCopyFromMLIBuffer(&VARIANT:I2:1) -> I4:1",
        "ItemFunctions.SLIBufferGetValue(BSTR:\"Description\") -> BSTR:\"Circuit breaker 25A "
        "1-pole\"",
        "ItemFunctions.AddItemFromProductDatabase(&BSTR:\"CB-251-001\", &BSTR:\"Nobody\", &R8:3, "
        "I4:0) -> I4:-2",
    };
    EXPECT_EQ(host.LogLines(), expected);

    host.Stop();
    const std::string report = host.Report();
    EXPECT_NE(report.find("ItemFunctions refs="), std::string::npos) << report;
    EXPECT_EQ(report.find("total 0"), std::string::npos) << report;
    // The application is gone: the leaked proxy fails rather than hangs.
    EXPECT_TRUE(FAILED(Call(items.Get(), L"MLIBufferCount").hr));
}

// ============================================================================

// Registers the stand-in for the run, and leaves the prefix as it was found:
// registration, data files, and no stand-in process left behind.
class Environment : public ::testing::Environment {
  public:
    void SetUp() override {
        registration_.emplace();
        ASSERT_TRUE(registration_->ok());
        WriteDatabases();
        // The columns as they first come: none arranged by a run by hand here.
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Skuvane");
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(g_dataDir, ec);
        EXPECT_TRUE(NoStandInLeft());
        registration_.reset();
    }

  private:
    std::optional<standin_client::Registration> registration_;
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new Environment);
    return RUN_ALL_TESTS();
}
