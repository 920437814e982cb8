#include <gtest/gtest.h>

#include "tests/expected/catalogue.h"
#include "tests/unit/search_fixture.h"

namespace {

using Lines = std::vector<std::wstring>;
using searchtest::Db;

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

class CmdSearch : public searchtest::SearchWindow {};

TEST_F(CmdSearch, OneDatabaseCallsTheHostInOrderAndListsItsRows) {
    Load({Db(L"Main", {L"M1", L"M2"}), Db(L"Other", {L"O1"})});
    w.cboSearchField.SetListIndex(1);
    w.cboOperator.SetListIndex(4);  // matches every text from "" up
    w.txtSearchFor.Type(L"");
    Search(1);

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
    EXPECT_EQ(com.Outstanding(), 0);

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
// host hears nothing more of this search.
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
        w.journal.observer = [&](const std::wstring& line) { w.ui.escape |= line == c.at; };
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

}  // namespace
