#include <gtest/gtest.h>

#include "tests/unit/search_fixture.h"

namespace {

using Lines = std::vector<std::wstring>;
using searchtest::Db;

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

class AddToQuote : public searchtest::SearchWindow {
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

TEST_F(AddToQuote, EachSelectedRowIsAskedForAddedAndReported) {
    const struct {
        Lines typed;
        std::vector<double> quantities;
        Lines shown;
    } cases[] = {{{L"1", L"2", L"3"}, {1, 2, 3}, {L"1", L"2", L"3"}},
                 // Halves round to even.
                 {{L"2.5", L"3.5", L"0.4"}, {2, 4, 0}, {L"2", L"4", L"0"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed[0]);
        w.journal.Clear();
        vantora.added.clear();
        Select({1, 2, 3});
        for (const auto& t : c.typed) w.ui.Answer(t);
        form.cmdAddToQuote_Click();
        Lines dialog;
        for (size_t r = 0; r < 3; ++r) {
            const std::wstring row = L"R" + std::to_wstring(r + 1);
            dialog.push_back(Ask(row, c.typed[r]));
            dialog.push_back(Told(row, c.shown[r], true));
        }
        EXPECT_EQ(Dialog(), dialog);
        EXPECT_EQ(Quantities(), c.quantities);
    }
}

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
    // The largest quantity that fits still goes through.
    Select({1});
    Type({L"32766.5"});
    form.cmdAddToQuote_Click();
    EXPECT_EQ(Quantities(), (std::vector<double>{32766}));
}

TEST_F(AddToQuote, NoSelectedRowMeansNothing) {
    form.cmdAddToQuote_Click();
    EXPECT_TRUE(Dialog().empty());
    EXPECT_TRUE(vantora.added.empty());
}

TEST_F(AddToQuote, RefusalsAreReportedAndTheRunGoesOn) {
    Select({1, 2});
    Type({L"1", L"1"});
    vantora.scenario.addResult = fake::I(-1);
    com.onCall = [this](const fake::CallRecord& c) {
        if (c.member == L"AddItemFromProductDatabase" && vantora.added.size() == 1)
            vantora.scenario.addResult = fake::I(0);
    };
    form.cmdAddToQuote_Click();
    EXPECT_EQ(Dialog(), (Lines{Ask(L"R1", L"1"), Told(L"R1", L"1", false), Ask(L"R2", L"1"),
                               Told(L"R2", L"1", true)}));
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
