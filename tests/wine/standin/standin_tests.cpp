// What the end-to-end tests take on trust of the stand-in Vantora, seen from
// another process through COM: that a reference a client keeps is reported,
// and that its call log records types and by-reference flags as they came.
// Its documents and its misbehaviour on demand show in those tests' outcomes.
#include <gtest/gtest.h>

#include <optional>

#include "standin/client/process_win.h"

using namespace standin_client;

namespace {

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

// Find as Skuvane calls it, then one row copied with its index passed three
// ways, a field read and an add.
TEST(CallLogTest, RecordsArgumentTypesAndByReferenceFlagsTruthfully) {
    StandIn host;
    ASSERT_TRUE(host.Start()) << host.error();
    ComPtr<IDispatch> items = Object(host.Application().Get(), L"ItemFunctions");
    ASSERT_TRUE(items);
    host.ClearLog();
    BSTR find[4] = {SysAllocString(L"Electrical Supply"), SysAllocString(L"ManufacturerPartNumber"),
                    SysAllocString(L"Equal to"), SysAllocString(L"CB-251-001")};
    ArgList findArgs;
    for (BSTR& text : find) findArgs.TextRef(&text);
    Call(items.Get(), L"FindAndCopyProductsIntoMLIBuffer", findArgs);
    for (BSTR text : find) SysFreeString(text);
    short row = 1;
    Call(items.Get(), L"SLIBufferCopyFromMLIBuffer", ArgList().I2Ref(&row));
    Call(items.Get(), L"SLIBufferCopyFromMLIBuffer", ArgList().I2(1));
    ComVariant inner;
    V_VT(inner.get()) = VT_I2;
    V_I2(inner.get()) = 1;
    Call(items.Get(), L"SLIBufferCopyFromMLIBuffer", ArgList().VariantRef(inner.get()));
    Call(items.Get(), L"SLIBufferGetValue", ArgList().Text(L"Description"));
    double qty = 3;
    BSTR part = SysAllocString(L"CB-251-001"), vendor = SysAllocString(L"Nobody");
    Call(items.Get(), L"AddItemFromProductDatabase",
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
    EXPECT_EQ(host.LogLines(), expected);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new ComEnvironment);
    return RUN_ALL_TESTS();
}
