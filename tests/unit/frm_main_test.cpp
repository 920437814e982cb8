// frmMain on the fake toolkit and the fake Vantora: loading the search
// options, searching, the search at the edges of its 16-bit counts and
// while the all-databases search yields, and adding to the quote.
#include "search/frm_main.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/expected/catalogue.h"
#include "tests/fakes/fake_toolkit.h"
#include "tests/fakes/fake_vantora.h"

namespace {

using Lines = std::vector<std::wstring>;

// A product whose every field reads "<name>.<field>", e.g. "A1.Vendor".
fake::Product Product(const std::wstring& name) {
    fake::Product p;
    for (const std::wstring& field : expected::kReadOrder)
        p.fields[field] = fake::Value(name + L"." + field);
    return p;
}

fake::Database Db(std::wstring name, const std::vector<std::wstring>& products) {
    fake::Database d{std::move(name), {}};
    for (const auto& p : products) d.products.push_back(Product(p));
    return d;
}

class SearchWindow : public ::testing::Test {
  protected:
    SearchWindow() {
        // The host calls that matter to the user's timeline join the journal.
        com.onCall = [this](const fake::CallRecord& c) {
            for (const wchar_t* m : {L"GetObject", L"MLIBufferClear",
                                     L"FindAndCopyProductsIntoMLIBuffer", L"MLIBufferCount"})
                if (c.member == m) w.journal.Add(L"call " + c.member);
        };
    }
    // Every handler lets go of the host, whatever happened in it.
    void TearDown() override { EXPECT_EQ(com.Outstanding(), 0); }

    // Loads the window with these databases; every search then lists all
    // products of the chosen database.
    void Load(std::vector<fake::Database> dbs) {
        vantora.scenario.databases = std::move(dbs);
        form.Form_Load();
        w.cboOperator.SetListIndex(7);  // Contains
        w.journal.Clear();
        com.ClearCalls();
    }
    void Search(int database) {
        w.cboProductDatabase.SetListIndex(database);
        form.cmdSearch_Click();
    }
    std::vector<std::wstring> Column(std::wstring_view (platform::ListItems::*part)(int32_t)
                                         const) const {
        std::vector<std::wstring> out;
        const platform::ListItems& items = w.lvwResults.items();
        for (int32_t i = 1; i <= items.Count(); ++i) out.emplace_back((items.*part)(i));
        return out;
    }
    std::vector<std::wstring> Keys() const { return Column(&platform::ListItems::Key); }
    std::vector<std::wstring> Texts() const { return Column(&platform::ListItems::Text); }
    // The trace lines of one member's calls.
    std::vector<std::wstring> CallsOf(const std::wstring& member) const {
        std::vector<std::wstring> out;
        for (const fake::CallRecord& c : com.calls())
            if (c.member == member) out.push_back(c.Line());
        return out;
    }

    fake::FakeAutomation com;
    fake::FakeVantora vantora{com};
    fake::Window w;
    search::frmMain form{w.controls(), com, w.ui, w.numbers};
};

// ============================================================================
// Loading the search options
// ============================================================================

class LoadSearchOptions : public SearchWindow {
  protected:
    void LoadNames(const Lines& names) {
        for (const auto& n : names) vantora.scenario.databases.push_back({n, {}});
        // The host must be let go before the window reports it is ready.
        w.journal.observer = [this](const std::wstring& line) {
            if (line == L"status Ready") {
                EXPECT_EQ(com.Outstanding(), 0);
            }
        };
        form.Form_Load();
    }
};

TEST_F(LoadSearchOptions, OneDatabaseIsOfferedAlone) {
    LoadNames({L"Main "});
    EXPECT_EQ(w.cboProductDatabase.items(), (Lines{L"Main "}));
    EXPECT_EQ(w.cboProductDatabase.Text(), L"Main ");
}

TEST_F(LoadSearchOptions, NoDatabaseLeavesTheListEmptyButReady) {
    LoadNames({});
    EXPECT_TRUE(w.cboProductDatabase.items().empty());
    EXPECT_EQ(w.lblStatus.caption(), L"Ready");
    EXPECT_TRUE(w.journal.Of(L"msgbox").empty());
}

TEST_F(LoadSearchOptions, UnreachableHostIsReportedAndEndsTheProgram) {
    vantora.SetRunning(false);
    vantora.scenario.installationCount = fake::L(0);
    EXPECT_THROW(form.Form_Load(), platform::EndProgram);

    EXPECT_EQ(w.journal.Of(L"msgbox"),
              (Lines{L"0 Skuvane: There are no Vantora installations detected!",
                     L"16 Vantora API: Vantora is not running. Vantora must be running in order "
                     L"to use this API"}));
    EXPECT_EQ(w.journal.lines().back(), L"end");
    EXPECT_EQ(w.lblStatus.caption(), L"");
    EXPECT_TRUE(w.cboProductDatabase.items().empty());
}

TEST_F(LoadSearchOptions, CountBeyondSixteenBitsListsWhatTheIndexCanReach) {
    const int total = 32768;
    for (int i = 1; i <= total; ++i)
        vantora.scenario.databases.push_back({L"D" + std::to_wstring(i), {}});
    form.Form_Load();
    ASSERT_EQ(w.cboProductDatabase.items().size(), 32768u);  // the All entry and 32,767 names
    EXPECT_EQ(w.cboProductDatabase.items().back(), L"D32767");
    EXPECT_EQ(CallsOf(L"Item").back(), L"Application.ProductDatabases.Item(Integer& 32767)");
    EXPECT_EQ(w.lblStatus.caption(), L"Ready");
}

// ============================================================================
// Searching
// ============================================================================

const Lines kReads = {L"read cboProductDatabase", L"read txtSearchFor", L"read cboSearchField",
                      L"read cboOperator"};

Lines Concat(std::initializer_list<Lines> parts) {
    Lines out;
    for (const Lines& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// The host calls that read one buffered row, as the trace shows them.
Lines RowCalls(int row) {
    const std::wstring f = L"Application.ItemFunctions";
    Lines out = {f, f + L".SLIBufferCopyFromMLIBuffer(Integer& " + std::to_wstring(row) + L")", f};
    for (const std::wstring& field : expected::kReadOrder)
        out.push_back(f + L".SLIBufferGetValue(String \"" + field + L"\")");
    return out;
}

class CmdSearch : public SearchWindow {};

TEST_F(CmdSearch, OneDatabaseCallsTheHostInOrderAndListsItsRows) {
    Load({Db(L"Main", {L"M1", L"M2"}), Db(L"Other", {L"O1"})});
    w.cboSearchField.SetListIndex(1);
    w.cboOperator.SetListIndex(4);  // matches every text from "" up
    w.txtSearchFor.Type(L"");
    Search(1);

    // A running host is checked twice and nothing else; then the search's own calls.
    const std::wstring f = L"Application.ItemFunctions";
    EXPECT_EQ(com.Trace(),
              Concat({{L"GetObject(String \"Vantora.Application\")",
                       L"GetObject(String \"Vantora.Application\")",
                       L"GetObject(String \"Vantora.Application\")", f, f + L".MLIBufferClear()", f,
                       f + L".FindAndCopyProductsIntoMLIBuffer(String& \"Main\", String& "
                           L"\"VendorPartNumber\", String& \"Greater or Equal\", String& \"\")",
                       f, f + L".MLIBufferCount()"},
                      RowCalls(1),
                      RowCalls(2)}));
    // What the user sees, with the host calls that pace it.
    EXPECT_EQ(w.journal.lines(),
              Concat({kReads,
                      {L"call GetObject", L"call GetObject", L"status Searching...",
                       L"call GetObject", L"pointer 11", L"rows 0", L"call MLIBufferClear",
                       L"call FindAndCopyProductsIntoMLIBuffer", L"pointer 0",
                       L"call MLIBufferCount", L"rows 1", L"rows 2", L"status Finished search"}}));
    EXPECT_EQ(Keys(), (Lines{L"0key", L"1key"}));
    EXPECT_EQ(Texts(), (Lines{L"M1.Description", L"M2.Description"}));
    EXPECT_EQ(w.lvwResults.items().Tag(2), L"M2.ManufacturerPartNumber");
    EXPECT_EQ(w.lvwResults.items().SubItem(2, 1), L"M2.Vendor");
}

TEST_F(CmdSearch, AllDatabasesSearchEachInTurnAndKeysRunOn) {
    Load({Db(L"A", {L"A1", L"A2"}), Db(L"B", {}), Db(L"C", {L"C1"})});
    Search(0);

    EXPECT_EQ(w.journal.lines(),
              Concat({kReads,
                      {L"call GetObject", L"call GetObject", L"status Searching...",
                       L"call GetObject", L"pointer 11", L"rows 0"},
                      {L"status Searching A...", L"doevents", L"call MLIBufferClear",
                       L"call FindAndCopyProductsIntoMLIBuffer", L"pointer 0",
                       L"call MLIBufferCount", L"rows 1", L"rows 2"},
                      {L"status Searching B...", L"doevents", L"call MLIBufferClear",
                       L"call FindAndCopyProductsIntoMLIBuffer", L"pointer 0"},
                      {L"status Searching C...", L"doevents", L"call MLIBufferClear",
                       L"call FindAndCopyProductsIntoMLIBuffer", L"pointer 0",
                       L"call MLIBufferCount", L"rows 3", L"status Finished search"}}));
    EXPECT_EQ(CallsOf(L"Item"), (Lines{L"Application.ProductDatabases.Item(Integer& 1)",
                                       L"Application.ProductDatabases.Item(Integer& 2)",
                                       L"Application.ProductDatabases.Item(Integer& 3)"}));
    EXPECT_EQ(CallsOf(L"FindAndCopyProductsIntoMLIBuffer").at(1),
              L"Application.ItemFunctions.FindAndCopyProductsIntoMLIBuffer(String& \"B\", "
              L"String& \"ManufacturerPartNumber\", String& \"Contains\", String& \"\")");
    EXPECT_EQ(Keys(), (Lines{L"0key", L"1key", L"2key"}));
    EXPECT_EQ(Texts(), (Lines{L"A1.Description", L"A2.Description", L"C1.Description"}));

    // A second search replaces the rows and counts keys from 0 again.
    Search(3);
    EXPECT_EQ(Keys(), (Lines{L"0key"}));
    EXPECT_EQ(Texts(), (Lines{L"C1.Description"}));
    EXPECT_EQ(w.lvwResults.shownRows(), 1);
}

TEST_F(CmdSearch, OnlyTheExactMarkerMeansEveryDatabase) {
    Load({Db(L"<all product databases>", {L"X1"}), Db(L"Y", {L"Y1"})});
    Search(1);
    EXPECT_EQ(w.journal.Of(L"status"), (Lines{L"Searching...", L"Finished search"}));
    EXPECT_EQ(CallsOf(L"FindAndCopyProductsIntoMLIBuffer").size(), 1u);
    EXPECT_EQ(Texts(), (Lines{L"X1.Description"}));
}

TEST_F(CmdSearch, NothingFoundEndsWithAnEmptyListAndTheDefaultPointer) {
    Load({Db(L"Main", {L"M1"})});
    Search(0);
    ASSERT_EQ(Keys().size(), 1u);
    vantora.scenario.found[L"Main"] = fake::L(0);
    Search(0);
    EXPECT_TRUE(Keys().empty());
    EXPECT_EQ(w.lvwResults.shownRows(), 0);
    EXPECT_EQ(w.lblStatus.caption(), L"Finished search");
    EXPECT_EQ(w.ui.pointer(), 0);
    // Found but an empty buffer count: no rows either.
    vantora.scenario.found.clear();
    vantora.scenario.bufferCount = fake::L(0);
    Search(0);
    EXPECT_TRUE(Keys().empty());
    EXPECT_EQ(CallsOf(L"SLIBufferCopyFromMLIBuffer").size(), 1u);  // from the first search
}

TEST_F(CmdSearch, UnreachableHostKeepsTheRowsAndThePointer) {
    Load({Db(L"Main", {L"M1", L"M2"})});
    Search(0);
    w.journal.Clear();
    vantora.SetRunning(false);
    vantora.scenario.installationCount = fake::L(0);
    Search(0);

    EXPECT_EQ(Keys(), (Lines{L"0key", L"1key"}));
    EXPECT_TRUE(w.journal.Of(L"pointer").empty());
    EXPECT_EQ(w.journal.Of(L"status"), (Lines{L"Finished search"}));
    EXPECT_EQ(w.journal.Of(L"msgbox"),
              (Lines{L"0 Skuvane: There are no Vantora installations detected!"}));
}

TEST_F(CmdSearch, AFailingHostCallStopsTheSearchKeepingTheRowsListed) {
    Load({Db(L"Main", {L"M1", L"M2", L"M3"})});
    int copies = 0;
    auto log = com.onCall;
    com.onCall = [&](const fake::CallRecord& c) {
        log(c);
        if (c.member == L"SLIBufferCopyFromMLIBuffer" && ++copies == 3)
            throw platform::RuntimeError(-2147418113, L"Catastrophic failure");
    };
    EXPECT_THROW(Search(0), platform::RuntimeError);
    EXPECT_EQ(Keys(), (Lines{L"0key", L"1key"}));
    EXPECT_EQ(w.lvwResults.shownRows(), 2);
    EXPECT_EQ(w.lblStatus.caption(), L"Searching...");
}

// Esc, seen when the journal shows `at`: the rows read so far stay, and the
// host hears nothing more of this search. The search says it stopped once
// it is over: the list's menu then offers Add again.
TEST_F(CmdSearch, EscStopsAfterTheRowBeingReadWithoutAnotherHostCall) {
    const struct {
        int database;  // 0 is every database
        const wchar_t* at;
        size_t rows;
        const wchar_t* lastMember;
    } cases[] = {
        {1, L"rows 2", 2, L"SLIBufferGetValue"},
        {1, L"call FindAndCopyProductsIntoMLIBuffer", 0, L"FindAndCopyProductsIntoMLIBuffer"},
        {0, L"status Searching B...", 3, L"Name"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.at);
        Load({Db(L"A", {L"A1", L"A2", L"A3"}), Db(L"B", {L"B1"})});
        w.journal.observer = [&](const std::wstring& line) {
            w.ui.escape |= line == c.at;
            if (line == L"status Search stopped") {
                EXPECT_FALSE(w.ui.running());
            }
        };
        Search(c.database);
        w.journal.observer = nullptr;
        EXPECT_EQ(Keys().size(), c.rows);
        EXPECT_EQ(w.lvwResults.shownRows(), int32_t(c.rows));
        EXPECT_EQ(CallsOf(L"SLIBufferCopyFromMLIBuffer").size(), c.rows);
        EXPECT_EQ(com.calls().back().member, c.lastMember);
        EXPECT_EQ(w.lblStatus.caption(), L"Search stopped");
        EXPECT_EQ(w.ui.pointer(), 0);
    }
}

// ============================================================================
// The search at the edges of its 16-bit counts, and events that arrive
// while the all-databases search yields
// ============================================================================

const std::wstring kCapped =
    L"Only the first 32,767 products found are listed. Narrow the search to see the others.";

// Databases of this many products; a product's description names its row.
struct Bulk {
    std::wstring name;
    int rows;
};

class RowLimit : public SearchWindow {
  protected:
    void SearchAll(const std::vector<Bulk>& dbs) {
        com.record = false;
        for (const Bulk& db : dbs) {
            vantora.scenario.databases.push_back({db.name, {}});
            for (int row = 1; row <= db.rows; ++row)
                vantora.scenario.databases.back().products.push_back(
                    {{{L"Description", L"row " + std::to_wstring(row)}}});
        }
        form.Form_Load();
        // The host must be let go before the user reads the message.
        w.journal.observer = [this](const std::wstring& line) {
            if (line.starts_with(L"msgbox")) {
                EXPECT_EQ(com.Outstanding(), 0);
            }
        };
        com.ClearCalls();
        form.cmdSearch_Click();
    }
    const platform::ListItems& items() const { return w.lvwResults.items(); }
};

TEST_F(RowLimit, MoreRowsThanKeysListTheFirst32767AndSaySo) {
    SearchAll({{L"Big", 40000}});
    ASSERT_EQ(items().Count(), 32767);
    EXPECT_EQ(items().Key(32767), L"32766key");
    EXPECT_EQ(items().Text(32767), L"row 32767");
    EXPECT_EQ(w.lvwResults.shownRows(), 32767);
    EXPECT_EQ(com.CountCalls(L"SLIBufferCopyFromMLIBuffer"), 32767);
    const Lines tail(w.journal.lines().end() - 2, w.journal.lines().end());
    EXPECT_EQ(tail, (Lines{L"status Finished search", L"msgbox 64 Skuvane: " + kCapped}));
}

TEST_F(RowLimit, AFullListStopsTheLaterDatabases) {
    SearchAll({{L"A", 30000}, {L"B", 5000}, {L"C", 10}});
    EXPECT_EQ(com.CountCalls(L"FindAndCopyProductsIntoMLIBuffer"), 2);
    ASSERT_EQ(items().Count(), 32767);
    EXPECT_EQ(items().Key(30001), L"30000key");
    EXPECT_EQ(items().Text(30001), L"row 1");
    EXPECT_EQ(w.journal.Of(L"msgbox"), (Lines{L"64 Skuvane: " + kCapped}));
}

TEST_F(RowLimit, ExactlyAFullListIsNoCut) {
    SearchAll({{L"A", 32767}});
    EXPECT_EQ(items().Count(), 32767);
    EXPECT_TRUE(w.journal.Of(L"msgbox").empty());
    EXPECT_EQ(w.lblStatus.caption(), L"Finished search");
}

// What the user does while a search runs: at the yield before database B
// (A's rows listed), or between two field reads of A's second row.
class DuringASearch : public SearchWindow, public ::testing::WithParamInterface<bool> {
  protected:
    void SetUp() override {
        Load({Db(L"A", {L"A1", L"A2"}), Db(L"B", {L"B1"}), Db(L"C", {L"C1"})});
    }
    void At(const std::function<void()>& act) {
        if (GetParam()) {
            w.ui.OnDoEvents([act](int call) {
                if (call == 2) act();
            });
        } else {
            w.ui.OnRespond([act](int call) {
                if (call == 16 + 3) act();  // 16 looks a row: between two reads of row 2
            });
        }
    }
};
INSTANTIATE_TEST_SUITE_P(YieldOrReads, DuringASearch, ::testing::Bool());

// A Search, an Add (a row selected, a quantity ready), a double-click and a
// header click: none acts, then or once the search is over.
TEST_P(DuringASearch, NothingThatCallsTheHostOrReordersTheRowsRuns) {
    At([this] {
        w.lvwResults.Items().SetSelected(1, true);
        w.lvwResults.Items().SetSelectedPosition(1);
        w.ui.Answer(L"4");
        form.cmdSearch_Click();
        form.cmdAddToQuote_Click();
        form.lvwResults_DblClick();
        w.lvwResults.ClickHeader(0);
        form.lvwResults_ColumnClick();
    });
    Search(0);
    EXPECT_TRUE(w.journal.Of(L"sorted").empty());
    EXPECT_TRUE(w.journal.Of(L"input").empty());
    EXPECT_TRUE(vantora.added.empty());
    EXPECT_EQ(CallsOf(L"FindAndCopyProductsIntoMLIBuffer").size(), 3u);
    EXPECT_EQ(Keys(), (Lines{L"0key", L"1key", L"2key", L"3key"}));
    EXPECT_EQ(w.lblStatus.caption(), L"Finished search");
    // Once the search is over, Search works again.
    Search(2);
    EXPECT_EQ(Texts(), (Lines{L"B1.Description"}));
}

// Close at the yield ends before B is searched; between two reads, once the
// row in hand is read and listed, with no further host call.
TEST_P(DuringASearch, CloseEndsItAtTheEndOfTheRowBeingRead) {
    At([this] { form.cmdClose_Click(); });
    EXPECT_THROW(Search(0), platform::EndProgram);
    EXPECT_EQ(CallsOf(L"FindAndCopyProductsIntoMLIBuffer").size(), 1u);
    EXPECT_EQ(Keys(), (Lines{L"0key", L"1key"}));
    EXPECT_EQ(com.calls().back().Line(),
              GetParam() ? L"Application.ProductDatabases.Item(2).Name"
                         : L"Application.ItemFunctions.SLIBufferGetValue(String \"GSTTax\")");
    EXPECT_TRUE(w.ui.unloaded());
}

// ============================================================================
// Adding to the quote
// ============================================================================

// The input box for one row, as the user saw and answered it.
std::wstring Ask(const std::wstring& row, const std::wstring& typed) {
    return L"input Add product to current quote: How many [ " + row +
           L".Description] would you like to add? -> " + typed;
}

// The message box that reports one row's outcome.
std::wstring Told(const std::wstring& row, const std::wstring& quantity, bool added) {
    return L"msgbox 0 Skuvane: Product Source: " + row + L".Vendor\r\nPartNumber: " + row +
           L".ManufacturerPartNumber\r\nQuantity: " + quantity + L"\r\n" +
           (added ? L"Product(s) added to current quote"
                  : L"Product(s) could NOT be added to current quote");
}

class AddToQuote : public SearchWindow {
  protected:
    void SetUp() override {
        Load({Db(L"Main", {L"R1", L"R2", L"R3"})});
        Search(0);
        ASSERT_EQ(Keys().size(), 3u);
        w.journal.Clear();
        com.ClearCalls();
    }
    void Select(std::initializer_list<int> rows) {
        for (int r : rows) w.lvwResults.Items().SetSelected(r, true);
    }
    void Type(std::initializer_list<const wchar_t*> answers) {
        for (auto a : answers) w.ui.Answer(a);
    }
    // What the user was asked and told, in order.
    Lines Dialog() const {
        Lines out;
        for (const auto& line : w.journal.lines())
            if (line.starts_with(L"input ") || line.starts_with(L"msgbox ")) out.push_back(line);
        return out;
    }
    std::vector<double> Quantities() const {
        std::vector<double> out;
        for (const auto& a : vantora.added) out.push_back(a.quantity);
        return out;
    }
};

// Sorted, the rows are walked in the order shown, each with its own part
// number and vendor; a new search lists them in found order again.
TEST_F(AddToQuote, AfterASortAddWalksTheRowsInTheOrderShown) {
    w.lvwResults.ClickHeader(0);
    form.lvwResults_ColumnClick();
    form.lvwResults_ColumnClick();  // the same header again: descending
    EXPECT_EQ(w.journal.Of(L"sorted"), (Lines{L"0 up", L"0 down"}));
    EXPECT_EQ(Keys(), (Lines{L"2key", L"1key", L"0key"}));
    Select({1, 3});
    Type({L"1", L"1"});
    form.cmdAddToQuote_Click();
    Lines sent;
    for (const auto& a : vantora.added) sent.push_back(a.partNumber + L" " + a.vendor);
    EXPECT_EQ(sent, (Lines{L"R3.ManufacturerPartNumber R3.Vendor",
                           L"R1.ManufacturerPartNumber R1.Vendor"}));
    Search(0);
    EXPECT_EQ(Keys(), (Lines{L"0key", L"1key", L"2key"}));
}

TEST_F(AddToQuote, AnInvalidQuantityEndsTheRunSilently) {
    for (const wchar_t* typed : {L"", L"0", L"-1", L"abc", L"40000", L"32767.5"}) {
        SCOPED_TRACE(typed);
        w.journal.Clear();
        w.ui.Answer(typed);
        Select({1, 3});
        form.cmdAddToQuote_Click();
        // The second row is never offered, nothing is said, the host never called.
        EXPECT_EQ(Dialog(), (Lines{Ask(L"R1", typed)}));
        EXPECT_TRUE(com.calls().empty());
    }
    // The largest quantity that fits still goes through, and so does one
    // above 0 that rounds to 0.
    Select({1, 2});
    Type({L"32766.5", L"0.4"});
    form.cmdAddToQuote_Click();
    EXPECT_EQ(Quantities(), (std::vector<double>{32766, 0}));
}

TEST_F(AddToQuote, NoSelectedRowMeansNothing) {
    form.cmdAddToQuote_Click();
    EXPECT_TRUE(Dialog().empty());
    EXPECT_TRUE(vantora.added.empty());
}

// Each selected row is asked for in turn; halves round to even, in the
// quantity sent and the one reported.
TEST_F(AddToQuote, RefusalsAreReportedAndTheRunGoesOn) {
    Select({1, 2});
    Type({L"2.5", L"3.5"});
    vantora.scenario.addResult = fake::I(-1);
    com.onCall = [this](const fake::CallRecord& c) {
        if (c.member == L"AddItemFromProductDatabase" && vantora.added.size() == 1)
            vantora.scenario.addResult = fake::I(0);
    };
    form.cmdAddToQuote_Click();
    EXPECT_EQ(Dialog(), (Lines{Ask(L"R1", L"2.5"), Told(L"R1", L"2", false), Ask(L"R2", L"3.5"),
                               Told(L"R2", L"4", true)}));
    EXPECT_EQ(Quantities(), (std::vector<double>{2, 4}));
}

TEST_F(AddToQuote, NoOpenDocumentShowsTwoMessagesAndAddsNothing) {
    vantora.scenario.activeDocument = fake::I(-1);
    Select({1});
    Type({L"2"});
    form.cmdAddToQuote_Click();
    EXPECT_EQ(Dialog(),
              (Lines{Ask(L"R1", L"2"),
                     L"msgbox 16 Skuvane: There are no documents currently open in Vantora.",
                     Told(L"R1", L"2", false)}));
    EXPECT_EQ(com.CountCalls(L"AddItemFromProductDatabase"), 0);
}

TEST_F(AddToQuote, UnreachableHostShowsTwoMessagesAndAddsNothing) {
    vantora.SetRunning(false);
    vantora.scenario.startResult = fake::I(1);
    vantora.scenario.startBringsUp = false;
    Select({1});
    Type({L"2"});
    form.cmdAddToQuote_Click();
    EXPECT_EQ(Dialog(), (Lines{Ask(L"R1", L"2"),
                               L"msgbox 64 Skuvane: .Application.Start method failed. The Vantora "
                               L"application could not be started.",
                               L"msgbox 16 Vantora API: Vantora is not running. Vantora must be "
                               L"running in order to use this API",
                               Told(L"R1", L"2", false)}));
    EXPECT_TRUE(vantora.added.empty());
}

TEST_F(AddToQuote, DoubleClickAddsTheSelectedRowOnly) {
    Select({1, 3});
    w.lvwResults.Items().SetSelectedPosition(2);
    Type({L"7"});
    form.lvwResults_DblClick();
    EXPECT_EQ(Dialog(), (Lines{Ask(L"R2", L"7"), Told(L"R2", L"7", true)}));

    // Rows, but no current row: nothing to act on.
    w.journal.Clear();
    w.lvwResults.Items().SetSelectedPosition(0);
    form.lvwResults_DblClick();
    EXPECT_TRUE(Dialog().empty());

    // An empty list asks for a selection.
    w.lvwResults.Items().Clear();
    form.lvwResults_DblClick();
    EXPECT_EQ(Dialog(), (Lines{L"msgbox 0 Skuvane: Please select an item to view its details."}));
}

}  // namespace
