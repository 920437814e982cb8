// The stand-in Vantora seen from another process, through COM, the way
// Skuvane sees it: search, buffers, documents, the start path through the
// installation registry, injected errors, references and the call log.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
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
        CallResult r = Call(items_.Get(), L"FindAndCopyProductsIntoMLIBuffer", args);
        for (BSTR s : a) SysFreeString(s);
        EXPECT_EQ(r.hr, S_OK);
        EXPECT_EQ(r.vt(), VT_I4);
        return r.asLong();
    }
    long BufferCount() { return Call(items_.Get(), L"MLIBufferCount").asLong(); }
    void CopyRow(short row) {
        ASSERT_EQ(Call(items_.Get(), L"SLIBufferCopyFromMLIBuffer", ArgList().I2Ref(&row)).hr,
                  S_OK);
    }
    CallResult Value(const wchar_t* field) {
        CallResult r = Call(items_.Get(), L"SLIBufferGetValue", ArgList().Text(field));
        EXPECT_EQ(r.hr, S_OK) << Utf8(field);
        return r;
    }
    // A field of every buffered row, in buffer order.
    std::vector<CallResult> Column(const wchar_t* field) {
        std::vector<CallResult> out;
        const long n = BufferCount();
        for (short row = 1; row <= n; ++row) {
            CopyRow(row);
            out.push_back(Value(field));
        }
        return out;
    }

    static StandIn* host_;
    ComPtr<IDispatch> app_, items_;
};
StandIn* Running::host_ = nullptr;

std::wstring Lower(std::wstring s) {
    CharLowerBuffW(s.data(), DWORD(s.size()));
    return s;
}

// --- Databases and search ----------------------------------------------------

using SearchTest = Running;

TEST_F(SearchTest, TextOperatorsIgnoreCase) {
    const long all = Find(kElectrical, L"ManufacturerPartNumber", L"Begins with", L"");
    ASSERT_GT(all, 50);

    EXPECT_EQ(Find(kElectrical, L"ManufacturerPartNumber", L"Equal to", L"cb-251-001"), 1);
    CopyRow(1);
    EXPECT_EQ(Value(L"Description").text(), L"Circuit breaker 25A 1-pole");
    EXPECT_EQ(Find(kElectrical, L"ManufacturerPartNumber", L"Not Equal to", L"CB-251-001"),
              all - 1);

    ASSERT_GT(Find(kElectrical, L"manufacturerpartnumber", L"Begins with", L"rcd-"), 0);
    for (const CallResult& v : Column(L"Description")) {
        EXPECT_EQ(v.text().rfind(L"Residual current device", 0), 0u) << Utf8(v.text());
    }

    // Non-ASCII letters fold too: "MÜLLER" finds "Kabelwerk Müller".
    const long muller = Find(kElectrical, L"Vendor", L"Contains", L"MÜLLER");
    ASSERT_GT(muller, 0);
    for (const CallResult& v : Column(L"Vendor")) EXPECT_EQ(v.text(), L"Kabelwerk Müller");
    const long others = Find(kElectrical, L"Vendor", L"Does not Contain", L"müller");
    EXPECT_EQ(muller + others, all);
    for (const CallResult& v : Column(L"Vendor")) {
        EXPECT_EQ(Lower(v.text()).find(L"müller"), std::wstring::npos);
    }
}

TEST_F(SearchTest, NumbersCompareAsNumbers) {
    // As text "23.43" < "9"; as numbers every price above 9 must come back.
    const long above = Find(kElectrical, L"UnitPrice", L"Greater than", L"9");
    ASSERT_GT(above, 0);
    for (const CallResult& v : Column(L"UnitPrice")) {
        EXPECT_EQ(v.vt(), VT_CY);
        EXPECT_GT(v.asDouble(), 9.0);
    }
    const long atMost = Find(kElectrical, L"UnitPrice", L"Less or Equal", L"9");
    for (const CallResult& v : Column(L"UnitPrice")) EXPECT_LE(v.asDouble(), 9.0);
    const long priced = Find(kElectrical, L"UnitPrice", L"Greater or Equal", L"-1e9");
    EXPECT_EQ(above + atMost, priced);

    EXPECT_GE(Find(kElectrical, L"UnitPrice", L"Equal to", L"23.430"), 1);
    EXPECT_GE(Find(kElectrical, L"UnitPrice", L"Less than", L"23.43"), atMost);

    const long since = Find(kElectrical, L"CustomDate01", L"Greater or Equal", L"2026-01-01");
    ASSERT_GT(since, 0);
    for (const CallResult& v : Column(L"CustomDate01")) {
        ASSERT_EQ(v.vt(), VT_DATE);
        EXPECT_GE(V_DATE(v.value.get()), 46023.0);  // 2026-01-01
    }
}

TEST_F(SearchTest, EmptyAndNullFields) {
    const long all = Find(kElectrical, L"ManufacturerPartNumber", L"Begins with", L"");
    // The all-empty sample product: its Description is empty, its UnitPrice null.
    ASSERT_EQ(Find(kElectrical, L"Description", L"Equal to", L""), 1);
    CopyRow(1);
    EXPECT_EQ(Value(L"Description").vt(), VT_EMPTY);
    EXPECT_EQ(Value(L"UnitPrice").vt(), VT_NULL);
    EXPECT_EQ(Find(kElectrical, L"Description", L"Not Equal to", L""), all - 1);
    // An empty or null value has no order.
    const long priced = Find(kElectrical, L"UnitPrice", L"Less than", L"1e12");
    EXPECT_EQ(priced, all - 1);
    EXPECT_EQ(Find(kElectrical, L"Description", L"Does not Contain", L"a"),
              all - Find(kElectrical, L"Description", L"Contains", L"a"));
}

TEST_F(SearchTest, UnknownNamesFindNothingAndRaiseNothing) {
    ASSERT_GT(Find(kElectrical, L"Vendor", L"Begins with", L""), 0);
    EXPECT_EQ(Find(L"No such database", L"Vendor", L"Begins with", L""), 0);
    EXPECT_EQ(BufferCount(), 0);
    EXPECT_EQ(Find(kElectrical, L"NoSuchField", L"Begins with", L""), 0);
    EXPECT_EQ(Find(kElectrical, L"Vendor", L"Resembles", L""), 0);
    EXPECT_EQ(Call(app_.Get(), L"NoSuchMember").hr, DISP_E_UNKNOWNNAME);
}

// --- Buffers ------------------------------------------------------------------

using BufferTest = Running;

TEST_F(BufferTest, BufferHoldsTheLastFindInDatabaseOrderUntilCleared) {
    const long n = Find(kElectrical, L"Vendor", L"Begins with", L"");
    EXPECT_EQ(BufferCount(), n);
    CopyRow(1);
    EXPECT_EQ(Value(L"ManufacturerPartNumber").text(), L"CB-251-001");
    CopyRow(2);
    EXPECT_EQ(Value(L"ManufacturerPartNumber").text(), L"RCD-40-002");
    // The SLIBuffer keeps the copied row through a clear of the MLIBuffer.
    EXPECT_EQ(Call(items_.Get(), L"MLIBufferClear").hr, S_OK);
    EXPECT_EQ(BufferCount(), 0);
    EXPECT_EQ(Value(L"ManufacturerPartNumber").text(), L"RCD-40-002");
}

TEST_F(BufferTest, ValuesComeBackAsRealisticTypes) {
    ASSERT_EQ(Find(kElectrical, L"ManufacturerPartNumber", L"Equal to", L"CB-251-001"), 1);
    CopyRow(1);
    CallResult price = Value(L"UnitPrice");
    ASSERT_EQ(price.vt(), VT_CY);
    EXPECT_EQ(V_CY(price.value.get()).int64, 234300);
    CallResult qty = Value(L"QtyBase");
    ASSERT_EQ(qty.vt(), VT_R8);
    EXPECT_EQ(V_R8(qty.value.get()), 5.0);
    EXPECT_EQ(Value(L"LineAttributes").vt(), VT_I4);
    CallResult date = Value(L"CustomDate01");
    ASSERT_EQ(date.vt(), VT_DATE);
    SYSTEMTIME st = {};
    VariantTimeToSystemTime(V_DATE(date.value.get()), &st);
    EXPECT_EQ(st.wYear * 10000 + st.wMonth * 100 + st.wDay, 20260324);
    EXPECT_EQ(Value(L"CustomDate02").vt(), VT_NULL);   // null in the data
    EXPECT_EQ(Value(L"CustomText11").vt(), VT_EMPTY);  // "" in the data
    EXPECT_EQ(Value(L"CustomText05").vt(), VT_EMPTY);  // absent
    CallResult vendor = Value(L"vendor");              // names ignore case
    ASSERT_EQ(vendor.vt(), VT_BSTR);
    EXPECT_EQ(vendor.text(), L"Elektro Großhandel Süd");
}

TEST_F(BufferTest, ArgumentsConvertFromAnyType) {
    ASSERT_GT(Find(kElectrical, L"Vendor", L"Begins with", L""), 2);
    auto partAfterCopy = [&](const ArgList& row) {
        EXPECT_EQ(Call(items_.Get(), L"SLIBufferCopyFromMLIBuffer", row).hr, S_OK);
        return Value(L"ManufacturerPartNumber").text();
    };
    EXPECT_EQ(partAfterCopy(ArgList().I2(2)), L"RCD-40-002");
    EXPECT_EQ(partAfterCopy(ArgList().I4(1)), L"CB-251-001");
    EXPECT_EQ(partAfterCopy(ArgList().Text(L"2")), L"RCD-40-002");
    EXPECT_EQ(partAfterCopy(ArgList().R8(1.0)), L"CB-251-001");
    ComVariant inner;
    V_VT(inner.get()) = VT_I2;
    V_I2(inner.get()) = 2;
    EXPECT_EQ(partAfterCopy(ArgList().VariantRef(inner.get())), L"RCD-40-002");

    CallResult bad = Call(items_.Get(), L"SLIBufferCopyFromMLIBuffer", ArgList().Text(L"two"));
    EXPECT_EQ(bad.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(Call(items_.Get(), L"SLIBufferCopyFromMLIBuffer").hr, DISP_E_BADPARAMCOUNT);
}

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

TEST(ScenarioDatabasesTest, OnlyTheNamedDatabasesInTheirOrder) {
    StandIn host(json{{"databases", {"office", "Networking"}}});
    ASSERT_TRUE(host.Start()) << host.error();
    ComPtr<IDispatch> dbs = Object(host.Application().Get(), L"ProductDatabases");
    ASSERT_EQ(Call(dbs.Get(), L"Count").asLong(), 2);
    std::vector<std::wstring> names;
    for (short i = 1; i <= 2; ++i) {
        names.push_back(
            Call(Object(dbs.Get(), L"Item", ArgList().I2Ref(&i)).Get(), L"Name").text());
    }
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Office Furniture", L"Networking"}));
    EXPECT_EQ(Call(dbs.Get(), L"Item", ArgList().I2(3)).hr, DISP_E_BADINDEX);
}

// --- The start path through the installation registry -------------------------

ComPtr<IDispatch> Installations() {
    ComPtr<IDispatch> p;
    CLSID clsid;
    if (SUCCEEDED(CLSIDFromProgID(L"VantoraBackend.Installations", &clsid))) {
        CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&p));
    }
    return p;
}

// Installation.Application, read anew for each call as Skuvane does.
CallResult OnApplication(IDispatch* installation, const wchar_t* member) {
    ComPtr<IDispatch> app = Object(installation, L"Application");
    EXPECT_TRUE(app);
    return app ? Call(app.Get(), member) : CallResult();
}

TEST(StartTest, StartsTheApplicationWhenItIsNotRunning) {
    StandIn host;
    ASSERT_FALSE(host.Application());
    ComPtr<IDispatch> registry = Installations();
    ASSERT_TRUE(registry);
    EXPECT_EQ(Call(registry.Get(), L"Count").asLong(), 1);
    ComPtr<IDispatch> first = Object(registry.Get(), L"Item", ArgList().I2(1));
    ASSERT_TRUE(first);

    CallResult running = OnApplication(first.Get(), L"IsRunning");
    ASSERT_EQ(running.vt(), VT_BOOL);
    EXPECT_EQ(V_BOOL(running.value.get()), VARIANT_FALSE);

    CallResult start = OnApplication(first.Get(), L"Start");
    EXPECT_EQ(start.hr, S_OK);
    EXPECT_EQ(start.asLong(), 0);
    EXPECT_TRUE(host.Application()) << "in the Running Object Table once Start returns";
    EXPECT_EQ(V_BOOL(OnApplication(first.Get(), L"IsRunning").value.get()), VARIANT_TRUE);

    ComPtr<IDispatch> app = OnApplication(first.Get(), L"GetRunningObject").object();
    ASSERT_TRUE(app);
    EXPECT_EQ(Call(Object(app.Get(), L"ProductDatabases").Get(), L"Count").asLong(), 3);
    // A second Start finds it running and starts nothing.
    EXPECT_EQ(OnApplication(first.Get(), L"Start").asLong(), 0);
}

// Start's result and whether it really starts the application are set apart.
TEST(StartTest, StartReturnsTheScenariosCodeAndStartsOnlyWhenToldTo) {
    for (bool launches : {false, true}) {
        SCOPED_TRACE(launches ? "launches" : "does not launch");
        StandIn host(json{{"start", {{"result", 7}, {"launches", launches}}}});
        ComPtr<IDispatch> registry = Installations();
        ASSERT_TRUE(registry);
        ComPtr<IDispatch> first = Object(registry.Get(), L"Item", ArgList().I2(1));
        ASSERT_TRUE(first);
        EXPECT_EQ(OnApplication(first.Get(), L"Start").asLong(), 7);
        EXPECT_EQ(bool(host.Application()), launches);
        EXPECT_EQ(V_BOOL(OnApplication(first.Get(), L"IsRunning").value.get()),
                  launches ? VARIANT_TRUE : VARIANT_FALSE);
        CallResult app = OnApplication(first.Get(), L"GetRunningObject");
        EXPECT_EQ(app.hr, S_OK);
        EXPECT_EQ(app.vt(), VT_DISPATCH);
        EXPECT_EQ(bool(app.object()), launches) << "Nothing, not an error";
    }
}

TEST(StartTest, InstallationCountComesFromTheScenario) {
    {
        StandIn none(json{{"installations", 0}});
        ComPtr<IDispatch> registry = Installations();
        ASSERT_TRUE(registry);
        EXPECT_EQ(Call(registry.Get(), L"Count").asLong(), 0);
        EXPECT_EQ(Call(registry.Get(), L"Item", ArgList().I2(1)).hr, DISP_E_BADINDEX);
    }
    ASSERT_TRUE(WaitUntilNoneRunning()) << "the registry outlived its last object";
    StandIn two(json{{"installations", 2}});
    ComPtr<IDispatch> registry = Installations();
    ASSERT_TRUE(registry);
    EXPECT_EQ(Call(registry.Get(), L"Count").asLong(), 2);
    EXPECT_TRUE(Object(registry.Get(), L"Item", ArgList().I2(2)));
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
    Value(L"Description");
    double qty = 3;
    BSTR part = SysAllocString(L"CB-251-001"), vendor = SysAllocString(L"Nobody");
    Call(items_.Get(), L"AddItemFromProductDatabase",
         ArgList().TextRef(&part).TextRef(&vendor).R8Ref(&qty).I4(0));
    SysFreeString(part);
    SysFreeString(vendor);

    const std::vector<std::string> expected = {
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

TEST(DelayTest, EveryCallTakesAtLeastTheDelay) {
    StandIn host(json{{"delay_ms", 150}});
    ASSERT_TRUE(host.Start()) << host.error();
    ComPtr<IDispatch> app = host.Application();
    const auto t0 = std::chrono::steady_clock::now();
    ComPtr<IDispatch> items = Object(app.Get(), L"ItemFunctions");
    Call(items.Get(), L"MLIBufferCount");
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
            .count();
    EXPECT_GE(ms, 300);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);
    return RUN_ALL_TESTS();
}
