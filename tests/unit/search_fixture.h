// The search window on the fake toolkit and the fake Vantora.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "search/frm_main.h"
#include "tests/expected/catalogue.h"
#include "tests/fakes/fake_toolkit.h"
#include "tests/fakes/fake_vantora.h"

namespace searchtest {

// A product whose every field reads "<name>.<field>", e.g. "A1.Vendor".
inline fake::Product Product(const std::wstring& name) {
    fake::Product p;
    for (const std::wstring& field : expected::kReadOrder)
        p.fields[field] = fake::Value(name + L"." + field);
    return p;
}

inline fake::Database Db(std::wstring name, const std::vector<std::wstring>& products) {
    fake::Database d{std::move(name), {}};
    for (const auto& p : products) d.products.push_back(Product(p));
    return d;
}

class SearchWindow : public ::testing::Test {
  protected:
    // Operator positions in the list.
    static constexpr int kContains = 7;

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
        w.cboOperator.SetListIndex(kContains);
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

}  // namespace searchtest
