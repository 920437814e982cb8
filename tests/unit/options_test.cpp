#include <gtest/gtest.h>

#include "tests/unit/search_fixture.h"

namespace {

using Lines = std::vector<std::wstring>;

class LoadSearchOptions : public searchtest::SearchWindow {
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

}  // namespace
