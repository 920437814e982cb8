#include <gtest/gtest.h>

#include "tests/unit/search_fixture.h"

namespace {

using Lines = std::vector<std::wstring>;
using searchtest::Db;

const std::wstring kNotRunning =
    L"Vantora is not running. Vantora must be running in order to use this API";

std::wstring Outcome(const std::wstring& row, const std::wstring& quantity, bool added) {
    return L"Product Source: " + row + L".Vendor\r\nPartNumber: " + row +
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
    Lines MessageTexts() const {
        Lines out;
        for (const auto& m : w.ui.messages()) out.push_back(m.text);
        return out;
    }
    std::vector<double> Quantities() const {
        std::vector<double> out;
        for (const auto& a : vantora.added) out.push_back(a.quantity);
        return out;
    }
};

TEST_F(AddToQuote, EachSelectedRowIsAskedForAddedAndReported) {
    Select({1, 2, 3});
    Type({L"1", L"2", L"3"});
    form.cmdAddToQuote_Click();

    EXPECT_EQ(w.ui.prompts(), (Lines{L"How many [ R1.Description] would you like to add?",
                                     L"How many [ R2.Description] would you like to add?",
                                     L"How many [ R3.Description] would you like to add?"}));
    EXPECT_EQ(w.ui.inputTitles(), Lines(3, L"Add product to current quote"));
    EXPECT_EQ(MessageTexts(), (Lines{Outcome(L"R1", L"1", true), Outcome(L"R2", L"2", true),
                                     Outcome(L"R3", L"3", true)}));
    for (const auto& m : w.ui.messages()) {
        EXPECT_EQ(m.style, 0);
        EXPECT_EQ(m.title, L"Skuvane");
    }
    ASSERT_EQ(vantora.added.size(), 3u);
    EXPECT_EQ(vantora.added[1].partNumber, L"R2.ManufacturerPartNumber");
    EXPECT_EQ(vantora.added[1].vendor, L"R2.Vendor");
    EXPECT_EQ(Quantities(), (std::vector<double>{1, 2, 3}));

    // Part number, vendor and quantity by reference, then Long 0 by value.
    const fake::CallRecord* add = nullptr;
    for (const auto& c : com.calls())
        if (c.member == L"AddItemFromProductDatabase") add = &c;
    ASSERT_NE(add, nullptr);
    ASSERT_EQ(add->args.size(), 4u);
    EXPECT_EQ(add->args[0], (fake::ArgRecord{L"String", true, L"R3.ManufacturerPartNumber"}));
    EXPECT_EQ(add->args[1], (fake::ArgRecord{L"String", true, L"R3.Vendor"}));
    EXPECT_EQ(add->args[2].type, L"Double");
    EXPECT_TRUE(add->args[2].byRef);
    EXPECT_EQ(add->args[3], (fake::ArgRecord{L"Long", false, L"0"}));
    EXPECT_EQ(com.Outstanding(), 0);
}

TEST_F(AddToQuote, QuantitiesRoundHalvesToEven) {
    Select({1, 2, 3});
    Type({L"2.5", L"3.5", L"0.4"});
    form.cmdAddToQuote_Click();
    EXPECT_EQ(Quantities(), (std::vector<double>{2, 4, 0}));
    EXPECT_EQ(MessageTexts(), (Lines{Outcome(L"R1", L"2", true), Outcome(L"R2", L"4", true),
                                     Outcome(L"R3", L"0", true)}));
}

TEST_F(AddToQuote, AnInvalidQuantityEndsTheRunSilently) {
    for (const wchar_t* typed : {L"", L"0", L"-1", L"abc", L"40000", L"32767.5"}) {
        SCOPED_TRACE(typed);
        w.ui.Answer(typed);
        Select({1, 3});
        const size_t prompts = w.ui.prompts().size();
        form.cmdAddToQuote_Click();
        EXPECT_EQ(w.ui.prompts().size(), prompts + 1);  // the second row is never offered
        EXPECT_TRUE(w.ui.messages().empty());
        EXPECT_TRUE(vantora.added.empty());
    }
    // The largest quantity that fits still goes through.
    Select({1});
    Type({L"32766.5"});
    form.cmdAddToQuote_Click();
    EXPECT_EQ(Quantities(), (std::vector<double>{32766}));
}

TEST_F(AddToQuote, OnlySelectedRowsAreOfferedAndNoneMeansNothing) {
    form.cmdAddToQuote_Click();
    EXPECT_TRUE(w.ui.prompts().empty());
    EXPECT_TRUE(w.ui.messages().empty());
    Select({2});
    Type({L"5"});
    form.cmdAddToQuote_Click();
    EXPECT_EQ(w.ui.prompts(), (Lines{L"How many [ R2.Description] would you like to add?"}));
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
    EXPECT_EQ(MessageTexts(), (Lines{Outcome(L"R1", L"1", false), Outcome(L"R2", L"1", true)}));
}

TEST_F(AddToQuote, NoOpenDocumentShowsTwoMessagesAndAddsNothing) {
    vantora.scenario.activeDocument = fake::I(-1);
    Select({1});
    Type({L"2"});
    form.cmdAddToQuote_Click();
    ASSERT_EQ(w.ui.messages().size(), 2u);
    EXPECT_EQ(w.ui.messages()[0].text, L"There are no documents currently open in Vantora.");
    EXPECT_EQ(w.ui.messages()[0].style, 16);
    EXPECT_EQ(w.ui.messages()[0].title, L"Skuvane");
    EXPECT_EQ(w.ui.messages()[1].text, Outcome(L"R1", L"2", false));
    EXPECT_EQ(com.CountCalls(L"AddItemFromProductDatabase"), 0);
    EXPECT_EQ(com.Outstanding(), 0);
}

TEST_F(AddToQuote, UnreachableHostShowsTwoMessagesAndAddsNothing) {
    vantora.SetRunning(false);
    vantora.scenario.startResult = fake::I(1);
    vantora.scenario.startBringsUp = false;
    Select({1});
    Type({L"2"});
    form.cmdAddToQuote_Click();
    EXPECT_EQ(MessageTexts(),
              (Lines{L".Application.Start method failed. The Vantora application could not be "
                     L"started.",
                     kNotRunning, Outcome(L"R1", L"2", false)}));
    EXPECT_EQ(w.ui.messages()[1].style, 16);
    EXPECT_EQ(w.ui.messages()[1].title, L"Vantora API");
    EXPECT_TRUE(vantora.added.empty());
    EXPECT_EQ(com.Outstanding(), 0);
}

TEST_F(AddToQuote, DoubleClickAddsTheSelectedRowOnly) {
    Select({1, 3});
    w.lvwResults.Items().SetSelectedPosition(2);
    Type({L"7"});
    form.lvwResults_DblClick();
    EXPECT_EQ(MessageTexts(), (Lines{Outcome(L"R2", L"7", true)}));

    // Rows, but no current row: nothing to act on.
    w.lvwResults.Items().SetSelectedPosition(0);
    form.lvwResults_DblClick();
    EXPECT_EQ(w.ui.prompts().size(), 1u);
    EXPECT_EQ(w.ui.messages().size(), 1u);

    // An empty list asks for a selection.
    w.lvwResults.Items().Clear();
    form.lvwResults_DblClick();
    ASSERT_EQ(w.ui.messages().size(), 2u);
    EXPECT_EQ(w.ui.messages()[1].text, L"Please select an item to view its details.");
    EXPECT_EQ(w.ui.messages()[1].style, 0);
    EXPECT_EQ(w.ui.messages()[1].title, L"Skuvane");
}

}  // namespace
