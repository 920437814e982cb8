// The search at the edges of its 16-bit counts, and events that arrive
// while the all-databases search yields.
#include <gtest/gtest.h>

#include "tests/unit/search_fixture.h"

namespace {

using Lines = std::vector<std::wstring>;
using searchtest::Db;

const std::wstring kCapped =
    L"Only the first 32,767 products found are listed. Narrow the search to see the others.";

// Databases of this many products; a product's description names its row.
struct Bulk {
    std::wstring name;
    int rows;
};

class RowLimit : public searchtest::SearchWindow {
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

// Events the user causes while the all-databases search yields.
class DuringTheYield : public searchtest::SearchWindow {
  protected:
    void SetUp() override {
        Load({Db(L"A", {L"A1", L"A2"}), Db(L"B", {L"B1"}), Db(L"C", {L"C1"})});
    }
    // Acts at the yield before database B, when A's rows are listed.
    void AtSecondYield(const std::function<void()>& act) {
        w.ui.OnDoEvents([act](int call) {
            if (call == 2) act();
        });
    }
};

TEST_F(DuringTheYield, ASecondSearchAndAHeaderClickAreIgnored) {
    AtSecondYield([this] {
        form.cmdSearch_Click();
        w.lvwResults.ClickHeader(0);
        form.lvwResults_ColumnClick();
    });
    Search(0);
    EXPECT_TRUE(w.journal.Of(L"sorted").empty());
    EXPECT_EQ(w.journal.Of(L"read").size(), 4u);
    EXPECT_EQ(CallsOf(L"FindAndCopyProductsIntoMLIBuffer").size(), 3u);
    EXPECT_EQ(Keys(), (Lines{L"0key", L"1key", L"2key", L"3key"}));
    EXPECT_EQ(com.Outstanding(), 0);
    // Once the search is over, Search works again.
    Search(2);
    EXPECT_EQ(Texts(), (Lines{L"B1.Description"}));
}

TEST_F(DuringTheYield, AddWorksOnTheRowsListedSoFar) {
    AtSecondYield([this] {
        EXPECT_EQ(w.lvwResults.shownRows(), 2);
        w.lvwResults.Items().SetSelected(2, true);
        w.ui.Answer(L"4");
        form.cmdAddToQuote_Click();
    });
    Search(0);
    ASSERT_EQ(vantora.added.size(), 1u);
    EXPECT_EQ(vantora.added[0].partNumber, L"A2.ManufacturerPartNumber");
    EXPECT_EQ(vantora.added[0].quantity, 4);
    EXPECT_EQ(Texts().size(), 4u);
}

TEST_F(DuringTheYield, CloseEndsTheSearchAndReleasesTheHost) {
    AtSecondYield([this] { form.cmdClose_Click(); });
    EXPECT_THROW(Search(0), platform::EndProgram);
    EXPECT_EQ(CallsOf(L"FindAndCopyProductsIntoMLIBuffer").size(), 1u);
    EXPECT_TRUE(w.ui.unloaded());
}

}  // namespace
