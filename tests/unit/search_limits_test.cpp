// The search at the edges of its 16-bit counts, and events that arrive
// while the all-databases search yields.
#include <gtest/gtest.h>

#include <map>
#include <optional>

#include "tests/unit/search_fixture.h"

namespace {

using Lines = std::vector<std::wstring>;
using platform::Variant;
using searchtest::Db;

const std::wstring kCapped =
    L"Only the first 32,767 products found are listed. Narrow the search to see the others.";

// A lean host for tens of thousands of rows: it counts what matters
// instead of recording every call. Only the running application exists.
class BulkHost : public fake::FakeAutomation {
  public:
    struct Database {
        std::wstring name;
        int32_t rows;
    };
    std::vector<Database> dbs;
    std::optional<int32_t> dbCount;
    Lines searched;
    int copies = 0;
    int16_t lastRow = 0;
    int live = 0;  // references not yet released

    platform::Object GetRunningObject(const wchar_t*) override { return Make(kApp); }

  private:
    enum Kind { kApp, kDbs, kDb, kFunctions };
    class Object : public platform::Dispatch {
      public:
        Object(BulkHost& host, Kind kind, int index) : host_(host), kind_(kind), index_(index) {}
        ~Object() override { --host_.live; }
        void Call(const wchar_t* member, platform::CallKind, std::span<platform::Arg> args,
                  Variant& result) override {
            result = host_.Call(kind_, index_, member, args);
        }

      private:
        BulkHost& host_;
        Kind kind_;
        int index_;
    };
    platform::Object Make(Kind kind, int index = 0) {
        ++live;
        return std::make_unique<Object>(*this, kind, index);
    }
    Variant Call(Kind kind, int index, std::wstring_view m, std::span<platform::Arg> args) {
        if (kind == kApp && m == L"ProductDatabases") return Make(kDbs);
        if (kind == kApp && m == L"ItemFunctions") return Make(kFunctions);
        if (kind == kDbs && m == L"Count")
            return Variant(dbCount.value_or(static_cast<int32_t>(dbs.size())));
        if (kind == kDbs && m == L"Item") return Make(kDb, *std::get<int16_t*>(args[0].storage()));
        if (kind == kDb && m == L"Name")
            return Variant(dbs.at(static_cast<size_t>(index - 1)).name);
        if (kind == kFunctions && m == L"MLIBufferClear") return Variant();
        if (kind == kFunctions && m == L"FindAndCopyProductsIntoMLIBuffer") {
            searched.push_back(*std::get<std::wstring*>(args[0].storage()));
            if (rowsByName_.empty())
                for (const Database& d : dbs) rowsByName_[d.name] = d.rows;
            rows_ = rowsByName_[searched.back()];
            return Variant(rows_);
        }
        if (kind == kFunctions && m == L"MLIBufferCount") return Variant(rows_);
        if (kind == kFunctions && m == L"SLIBufferCopyFromMLIBuffer") {
            ++copies;
            lastRow = *std::get<int16_t*>(args[0].storage());
            return Variant(int16_t{0});
        }
        if (kind == kFunctions && m == L"SLIBufferGetValue") {
            const auto field = std::get<const platform::Text*>(args[0].storage())->view();
            if (field == L"Description") return Variant(L"row " + std::to_wstring(lastRow));
            return Variant(L"v");
        }
        throw platform::RuntimeError(438, L"Object doesn't support this property or method");
    }
    int32_t rows_ = 0;
    std::map<std::wstring, int32_t> rowsByName_;
};

class RowLimit : public ::testing::Test {
  protected:
    void SearchAll(std::vector<BulkHost::Database> dbs) {
        host.dbs = std::move(dbs);
        form.Form_Load();
        // The host must be let go before the user reads the message.
        w.journal.observer = [this](const std::wstring& line) {
            if (line.starts_with(L"msgbox")) {
                EXPECT_EQ(host.live, 0);
            }
        };
        form.cmdSearch_Click();
    }
    void TearDown() override { EXPECT_EQ(host.live, 0); }
    const platform::ListItems& items() const { return w.lvwResults.items(); }

    BulkHost host;
    fake::Window w;
    search::frmMain form{w.controls(), host, w.ui, w.numbers};
};

TEST_F(RowLimit, MoreRowsThanKeysListTheFirst32767AndSaySo) {
    SearchAll({{L"Big", 40000}});
    ASSERT_EQ(items().Count(), 32767);
    EXPECT_EQ(items().Key(32767), L"32766key");
    EXPECT_EQ(items().Text(32767), L"row 32767");
    EXPECT_EQ(w.lvwResults.shownRows(), 32767);
    EXPECT_EQ(host.copies, 32767);
    const Lines tail(w.journal.lines().end() - 2, w.journal.lines().end());
    EXPECT_EQ(tail, (Lines{L"status Finished search", L"msgbox 64 Skuvane: " + kCapped}));
}

TEST_F(RowLimit, AFullListStopsTheLaterDatabases) {
    SearchAll({{L"A", 30000}, {L"B", 5000}, {L"C", 10}});
    EXPECT_EQ(host.searched, (Lines{L"A", L"B"}));
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

TEST_F(RowLimit, MoreDatabasesThanTheIndexReachesAreSearchedUpToIt) {
    std::vector<BulkHost::Database> dbs;
    for (int i = 1; i <= 40000; ++i) dbs.push_back({L"D" + std::to_wstring(i), 0});
    host.dbCount = 40000;
    SearchAll(std::move(dbs));
    EXPECT_EQ(host.searched.size(), 32767u);
    EXPECT_EQ(host.searched.back(), L"D32767");
    EXPECT_EQ(w.lblStatus.caption(), L"Finished search");
    EXPECT_TRUE(w.journal.Of(L"msgbox").empty());
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

TEST_F(DuringTheYield, ASecondSearchIsIgnored) {
    AtSecondYield([this] { form.cmdSearch_Click(); });
    Search(0);
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
