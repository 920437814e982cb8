// The host contract against the recording fake: member names, argument order,
// types and passing, the conversions of results, and released references.
#include <gtest/gtest.h>

#include "host/vantora.h"
#include "tests/fakes/fake_vantora.h"

namespace {

using fake::ArgRecord;
using platform::RuntimeError;
using Lines = std::vector<std::wstring>;

int Error(const std::function<void()>& f) { return fake::Raised(f).number(); }

class HostContract : public ::testing::Test {
  protected:
    HostContract() {
        vantora.scenario.databases = {
            {L"Main",
             {{{{L"ManufacturerPartNumber", L"P-1"}, {L"Vendor", L"Acme"}}},
              {{{L"ManufacturerPartNumber", L"P-2"}, {L"Vendor", L"Acme"}}}}},
            {L"Old Stock", {}}};
    }
    void TearDown() override { EXPECT_EQ(com.Outstanding(), 0); }

    // The application object, with the call that got it forgotten.
    platform::Object App() {
        platform::Object app = host::GetApplication(com);
        com.ClearCalls();
        return app;
    }

    fake::FakeAutomation com;
    fake::FakeVantora vantora{com};
};

TEST_F(HostContract, FieldReadsPassTheNameByValueAndNullReadsEmpty) {
    auto app = App();
    vantora.scenario.databases[0].products[0].fields = {{L"Description", platform::Null{}},
                                                        {L"Discontinued", true},
                                                        {L"Cost", 2.5},
                                                        {L"Qty", fake::I(-3)}};
    // Copy the first product into the single-line buffer by hand.
    vantora.buffer = {vantora.scenario.databases[0].products[0]};
    int16_t row = 1;
    host::SLIBufferCopyFromMLIBuffer(com, *app, row);
    com.ClearCalls();

    auto f = host::ItemFunctions(*app);
    std::vector<std::unique_ptr<const platform::Text>> fields;
    for (const wchar_t* name : {L"Qty", L"Description", L"Discontinued", L"Cost", L"NoSuchField"})
        fields.push_back(com.MakeText(name));
    // The slots are kept from row to row: each value replaces the one before.
    std::array<host::FieldValue, 5> slots;
    std::array<std::wstring_view, 5> texts;
    auto read = [&] {
        host::SLIBufferGetValues(com, *f, fields, slots, texts);
        return std::vector<std::wstring>(texts.begin(), texts.end());
    };
    EXPECT_EQ(read(), (std::vector<std::wstring>{L"-3", L"", L"True", L"2.5", L""}));
    // One ItemFunctions serves every read.
    EXPECT_EQ(com.CountCalls(L"ItemFunctions"), 1);
    const auto& call = com.calls()[2];
    EXPECT_EQ(call.member, L"SLIBufferGetValue");
    EXPECT_EQ(call.args, (std::vector<ArgRecord>{{L"String", false, L"Description"}}));
    vantora.buffer[0].fields = {
        {L"Description", 7.25}, {L"Qty", L"many"}, {L"Cost", platform::Null{}}};
    host::SLIBufferCopyFromMLIBuffer(com, *app, row);
    EXPECT_EQ(read(), (std::vector<std::wstring>{L"many", L"7.25", L"", L"", L""}));
}

TEST_F(HostContract, AddingPassesThreeReferencesThenLongZero) {
    auto app = App();
    std::wstring part = L"P-1", vendor = L"Acme";
    double qty = 2.5;
    vantora.scenario.addResult = fake::I(-1);
    EXPECT_EQ(host::AddItemFromProductDatabase(com, *app, part, vendor, qty), -1);
    EXPECT_EQ(com.calls().back().args, (std::vector<ArgRecord>{{L"String", true, L"P-1"},
                                                               {L"String", true, L"Acme"},
                                                               {L"Double", true, L"2.5"},
                                                               {L"Long", false, L"0"}}));
    ASSERT_EQ(vantora.added.size(), 1u);
    EXPECT_EQ(vantora.added[0].quantity, 2.5);

    vantora.scenario.activeDocument = fake::I(-1);
    EXPECT_EQ(host::GetActiveDocumentIndex(com, *app), -1);
    EXPECT_EQ(com.Trace().back(), L"Application.DocFunctions.GetActiveDocumentIndex()");
}

TEST_F(HostContract, HostErrorsReachTheCallerIntactAndReleaseEverything) {
    auto app = App();
    com.RaiseOn(L"MLIBufferCount", RuntimeError(-2147220991, L"Buffer locked", L"Vantora"));
    const RuntimeError e = fake::Raised([&] { host::MLIBufferCount(com, *app); });
    EXPECT_EQ(e.number(), -2147220991);
    EXPECT_EQ(e.description(), L"Buffer locked");
    EXPECT_EQ(e.source(), L"Vantora");
    EXPECT_EQ(com.Outstanding(), 1);  // only `app`
    vantora.SetRunning(false);
    EXPECT_EQ(Error([&] { host::GetApplication(com); }), 429);
    EXPECT_EQ(Error([] { platform::ToObject(platform::Variant(int16_t{1})); }), 424);
    EXPECT_EQ(Error([] { platform::ToObject(platform::Variant(platform::Object())); }), 91);
}

}  // namespace
