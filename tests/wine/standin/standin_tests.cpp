// What the end-to-end tests rely on of the stand-in Vantora, seen from
// another process through COM: its quote documents, its misbehaviour on
// demand, its count of references held and its call log.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "standin/client/process_win.h"
#include "standin/model/text_win.h"

using namespace standin_client;
using nlohmann::json;
using standin::Utf8;

namespace {

constexpr const wchar_t* kElectrical = L"Electrical Supply";

// Registers the stand-in for the run and leaves the registry as it found it.
class ComEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        ASSERT_TRUE(WaitUntilNoneRunning()) << "a stand-in from before is still running";
        registration_.emplace();
        ASSERT_TRUE(registration_->ok());
    }
    void TearDown() override {
        EXPECT_TRUE(WaitUntilNoneRunning()) << "a stand-in process outlived the tests";
        registration_.reset();
    }

  private:
    std::optional<Registration> registration_;
};

// One running stand-in with the sample data, shared by the tests of a suite.
class Running : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        host_ = new StandIn();
        ASSERT_TRUE(host_->Start()) << host_->error();
    }
    static void TearDownTestSuite() {
        delete host_;
        host_ = nullptr;
    }
    void SetUp() override {
        app_ = host_->Application();
        ASSERT_TRUE(app_);
        items_ = Object(app_.Get(), L"ItemFunctions");
        ASSERT_TRUE(items_);
    }

    // Find, as Skuvane calls it: four texts by reference. The match count.
    long Find(const wchar_t* db, const wchar_t* field, const wchar_t* op, const wchar_t* value) {
        BSTR a[4] = {SysAllocString(db), SysAllocString(field), SysAllocString(op),
                     SysAllocString(value)};
        ArgList args;
        for (BSTR& s : a) args.TextRef(&s);
        const long found = Call(items_.Get(), L"FindAndCopyProductsIntoMLIBuffer", args).asLong();
        for (BSTR s : a) SysFreeString(s);
        return found;
    }

    static StandIn* host_;
    ComPtr<IDispatch> app_, items_;
};
StandIn* Running::host_ = nullptr;

// --- Documents ----------------------------------------------------------------

long Add(IDispatch* app, const wchar_t* part, const wchar_t* vendor, double qty) {
    ComPtr<IDispatch> items = Object(app, L"ItemFunctions");
    BSTR p = SysAllocString(part), v = SysAllocString(vendor);
    CallResult r = Call(items.Get(), L"AddItemFromProductDatabase",
                        ArgList().TextRef(&p).TextRef(&v).R8Ref(&qty).I4(0));
    SysFreeString(p);
    SysFreeString(v);
    EXPECT_EQ(r.hr, S_OK);
    return r.asLong();
}

long ActiveDocument(IDispatch* app) {
    ComPtr<IDispatch> docs = Object(app, L"DocFunctions");
    return docs ? Call(docs.Get(), L"GetActiveDocumentIndex").asLong() : -99;
}

using DocumentTest = Running;

TEST_F(DocumentTest, AddsLinesToTheActiveDocument) {
    ComPtr<IDispatch> control = host_->Control();
    ASSERT_TRUE(control);
    EXPECT_EQ(ActiveDocument(app_.Get()), 0);
    const long before = Call(control.Get(), L"LineCount").asLong();
    EXPECT_EQ(Add(app_.Get(), L"CB-251-001", L"Elektro Großhandel Süd", 2), before);
    EXPECT_EQ(Add(app_.Get(), L"rcd-40-002", L"ELEKTRO GROSSHANDEL SÜD", 4), -2)
        << "a vendor is matched by its name, not a spelling of it";
    EXPECT_EQ(Add(app_.Get(), L"RCD-40-002", L"elektro großhandel süd", 0), before + 1);
    EXPECT_EQ(Add(app_.Get(), L"CB-251-001", L"Harbor Networks", 1), -2);
    EXPECT_EQ(Add(app_.Get(), L"NO-SUCH-PART", L"Elektro Großhandel Süd", 1), -2);
    ASSERT_EQ(Call(control.Get(), L"LineCount").asLong(), before + 2);
    const long line = before;
    EXPECT_EQ(Call(control.Get(), L"LineValue", ArgList().I4(line).Text(L"Description")).text(),
              L"Circuit breaker 25A 1-pole");
    EXPECT_EQ(Call(control.Get(), L"LineQuantity", ArgList().I4(line)).asDouble(), 2.0);
    EXPECT_EQ(Call(control.Get(), L"LineQuantity", ArgList().I4(line + 1)).asDouble(), 0.0);
}

TEST(NoDocumentTest, NothingIsOpenAndNothingCanBeAdded) {
    StandIn host(json{{"documents", json::array()}});
    ASSERT_TRUE(host.Start()) << host.error();
    ComPtr<IDispatch> app = host.Application();
    EXPECT_EQ(ActiveDocument(app.Get()), -1);
    EXPECT_LT(Add(app.Get(), L"CB-251-001", L"Elektro Großhandel Süd", 1), 0);
    EXPECT_EQ(Call(host.Control().Get(), L"LineCount").asLong(), -1);
}

// --- Errors, references, call log, delay -----------------------------------------

TEST(MisbehaviourTest, RaisesTurnsAwayWaitsAndEndsAsTheScenarioSays) {
    StandIn host(json{{"error",
                       {{{"member", "MLIBufferCount"},
                         {"source", "Vantora"},
                         {"description", "The product database is locked."},
                         {"code", "0x80040201"}},
                        {{"member", "ProductDatabases.Count"}, {"call", 2}}}},
                      {"busy", {{"member", "MLIBufferClear"}, {"call", 2}, {"ms", 400}}},
                      {"slow", {{"member", "DocFunctions.DocumentCount"}, {"ms", 300}}},
                      {"exit", {{"member", "GetActiveDocumentIndex"}, {"call", 2}}}});
    ASSERT_TRUE(host.Start()) << host.error();
    ComPtr<IDispatch> app = host.Application();
    ComPtr<IDispatch> items = Object(app.Get(), L"ItemFunctions");
    ComPtr<IDispatch> dbs = Object(app.Get(), L"ProductDatabases");
    ComPtr<IDispatch> docs = Object(app.Get(), L"DocFunctions");
    CallResult r = Call(items.Get(), L"MLIBufferCount");
    EXPECT_EQ(r.hr, DISP_E_EXCEPTION);
    EXPECT_EQ(r.raised.source, L"Vantora");
    EXPECT_EQ(r.raised.description, L"The product database is locked.");
    EXPECT_EQ(r.raised.scode, HRESULT(0x80040201));
    EXPECT_EQ(Call(dbs.Get(), L"Count").hr, S_OK) << "raises at its second call only";
    EXPECT_EQ(Call(dbs.Get(), L"Count").hr, DISP_E_EXCEPTION);

    EXPECT_EQ(Call(items.Get(), L"MLIBufferClear").hr, S_OK);
    EXPECT_EQ(Call(items.Get(), L"MLIBufferClear").hr, RPC_E_SERVERCALL_RETRYLATER);
    EXPECT_EQ(Call(dbs.Get(), L"Count").hr, RPC_E_SERVERCALL_RETRYLATER) << "every member is busy";
    Sleep(500);
    EXPECT_EQ(Call(items.Get(), L"MLIBufferClear").hr, S_OK) << "busy for 400 ms only";

    const ULONGLONG start = GetTickCount64();
    EXPECT_EQ(Call(docs.Get(), L"DocumentCount").asLong(), 1);
    EXPECT_GE(GetTickCount64() - start, 300u);

    EXPECT_EQ(Call(docs.Get(), L"GetActiveDocumentIndex").asLong(), 0);
    EXPECT_EQ(Call(docs.Get(), L"GetActiveDocumentIndex").hr, HRESULT(0x800706BE))
        << "the call fails as one to a crashed server does";
    EXPECT_TRUE(WaitUntilNoneRunning(5000)) << "the application ended at that call";
    const auto lines = host.LogLines();
    for (const char* line : {"ItemFunctions.MLIBufferCount() -> raised 0x80040201 "
                             "\"Vantora: The product database is locked.\"",
                             "ItemFunctions.MLIBufferClear() -> failed 0x8001010A",
                             "DocFunctions.GetActiveDocumentIndex() -> exit"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
}

TEST(ReferenceTest, CountsReturnToZeroWhenTheClientReleasesEverything) {
    StandIn host;
    ASSERT_TRUE(host.Start()) << host.error();
    EXPECT_EQ(host.Outstanding(), 0);
    {
        ComPtr<IDispatch> app = host.Application();
        ComPtr<IDispatch> dbs = Object(app.Get(), L"ProductDatabases");
        ComPtr<IDispatch> db = Object(dbs.Get(), L"Item", ArgList().I2(2));
        ComPtr<IDispatch> items = Object(app.Get(), L"ItemFunctions");
        ASSERT_TRUE(db && items);
        EXPECT_GE(host.Outstanding(), 4);
    }
    EXPECT_EQ(host.Outstanding(), 0);
    host.Stop();
    EXPECT_NE(host.Report().find("[application]\ntotal 0\n"), std::string::npos) << host.Report();
}

TEST(ReferenceTest, AReferenceHeldAtExitIsReported) {
    StandIn host;
    ASSERT_TRUE(host.Start()) << host.error();
    ComPtr<IDispatch> items = Object(host.Application().Get(), L"ItemFunctions");
    ASSERT_TRUE(items);
    host.Stop();
    const std::string report = host.Report();
    EXPECT_NE(report.find("ItemFunctions refs="), std::string::npos) << report;
    EXPECT_EQ(report.find("total 0"), std::string::npos) << report;
    // The application is gone: the leaked proxy fails rather than hangs.
    EXPECT_TRUE(FAILED(Call(items.Get(), L"MLIBufferCount").hr));
}

using CallLogTest = Running;

TEST_F(CallLogTest, RecordsArgumentTypesAndByReferenceFlagsTruthfully) {
    host_->ClearLog();
    short row = 1;
    ASSERT_GT(Find(kElectrical, L"ManufacturerPartNumber", L"Equal to", L"CB-251-001"), 0);
    Call(items_.Get(), L"SLIBufferCopyFromMLIBuffer", ArgList().I2Ref(&row));
    Call(items_.Get(), L"SLIBufferCopyFromMLIBuffer", ArgList().I2(1));
    ComVariant inner;
    V_VT(inner.get()) = VT_I2;
    V_I2(inner.get()) = 1;
    Call(items_.Get(), L"SLIBufferCopyFromMLIBuffer", ArgList().VariantRef(inner.get()));
    Call(items_.Get(), L"SLIBufferGetValue", ArgList().Text(L"Description"));
    double qty = 3;
    BSTR part = SysAllocString(L"CB-251-001"), vendor = SysAllocString(L"Nobody");
    Call(items_.Get(), L"AddItemFromProductDatabase",
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
    EXPECT_EQ(host_->LogLines(), expected);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);
    return RUN_ALL_TESTS();
}
