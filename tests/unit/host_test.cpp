// The host against the recording fake. Finding a running Vantora or starting
// it: the calls made, the messages the user sees and the references left, in
// each situation the host can be in; its errors reach the caller intact.
// The calls' names, arguments and passing are the end-to-end call logs', the
// fields' conversions and a row's reads replacing the last the listed rows'.
#include <gtest/gtest.h>

#include "host/vantora.h"
#include "host/vantora_api.h"
#include "tests/fakes/fake_toolkit.h"
#include "tests/fakes/fake_vantora.h"

namespace {

using fake::ErrorOf;
using platform::RuntimeError;
using Lines = std::vector<std::wstring>;

const wchar_t kGetApp[] = L"GetObject(String \"Vantora.Application\")";
const wchar_t kCreateRegistry[] = L"CreateObject(String \"VantoraBackend.Installations\")";
const wchar_t kNoInstallations[] =
    L"msgbox 0 Skuvane: There are no Vantora installations detected!";
const wchar_t kStartFailed[] =
    L"msgbox 64 Skuvane: .Application.Start method failed. The Vantora application could not be "
    L"started.";

class EnsureHostRunning : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(com.Outstanding(), 0) << "a reference was left"; }
    bool Ensure() { return modVantoraAPI::EnsureHostRunning(com, ui); }
    // The application object, with the call that got it forgotten.
    platform::Object App() {
        platform::Object app = host::GetApplication(com);
        com.ClearCalls();
        return app;
    }

    fake::FakeAutomation com;
    fake::FakeVantora vantora{com};
    // All the user sees: nothing but message boxes may show up here.
    fake::Journal shown;
    fake::Ui ui{shown};
};

TEST_F(EnsureHostRunning, NoInstallationsShowsTheMessageAndNeverAsksForAnItem) {
    vantora.SetRunning(false);
    for (const fake::Value& count : {fake::L(0), fake::I(-2), fake::Value(L"0"), fake::Value()}) {
        SCOPED_TRACE(fake::Describe(count.ToVariant()));
        com.ClearCalls();
        shown.Clear();
        vantora.scenario.installationCount = count;
        EXPECT_FALSE(Ensure());
        EXPECT_EQ(com.Trace(), (Lines{kGetApp, kCreateRegistry, L"Installations.Count", kGetApp}));
        EXPECT_EQ(shown.lines(), (Lines{kNoInstallations}));
    }
}

TEST_F(EnsureHostRunning, StartsTheFirstOfTwoInstallations) {
    vantora.SetRunning(false);
    vantora.scenario.installationCount = fake::L(2);
    EXPECT_TRUE(Ensure());
    EXPECT_EQ(
        com.Trace(),
        (Lines{kGetApp, kCreateRegistry, L"Installations.Count", L"Installations.Item(Integer 1)",
               L"Installations.Item(1).Application",
               L"Installations.Item(1).Application.IsRunning()",
               L"Installations.Item(1).Application", L"Installations.Item(1).Application.Start()",
               L"Installations.Item(1).Application",
               L"Installations.Item(1).Application.GetRunningObject()", kGetApp}));
    EXPECT_TRUE(shown.lines().empty());
}

TEST_F(EnsureHostRunning, IsRunningAndStartDecideWhatFollows) {
    using fake::Value;
    const struct {
        const char* what;
        Value isRunning, start;
        bool bringsUp, result;
        int starts, gets;  // Start and GetRunningObject calls
        Lines shown;
    } cases[] = {// Anything but Boolean False counts as running, Null included.
                 {"claims True", true, fake::I(0), true, false, 0, 0, {}},
                 {"claims 1", fake::I(1), fake::I(0), true, false, 0, 0, {}},
                 {"claims Null", platform::Null{}, fake::I(0), true, false, 0, 0, {}},
                 {"claims \"-1\"", L"-1", fake::I(0), true, false, 0, 0, {}},
                 {"Integer 0 equals False", fake::I(0), fake::I(0), true, true, 1, 1, {}},
                 {"started, yet no host", false, fake::L(0), false, false, 1, 1, {}},
                 {"Start fails", false, fake::I(1), false, false, 1, 0, {kStartFailed}},
                 // Boolean True is not 0 either; the host came up anyway, which counts.
                 {"Start returns True", false, true, true, true, 1, 0, {kStartFailed}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        vantora.SetRunning(false);
        vantora.scenario.isRunning = c.isRunning;
        vantora.scenario.startResult = c.start;
        vantora.scenario.startBringsUp = c.bringsUp;
        com.ClearCalls();
        shown.Clear();
        EXPECT_EQ(Ensure(), c.result);
        EXPECT_EQ(com.CountCalls(L"Start"), c.starts);
        EXPECT_EQ(com.CountCalls(L"GetRunningObject"), c.gets);
        EXPECT_EQ(com.Trace().back(), kGetApp);
        EXPECT_EQ(shown.lines(), c.shown);
    }
}

TEST_F(EnsureHostRunning, ErrorsOfTheRegistryAreNotTrapped) {
    vantora.SetRunning(false);
    vantora.SetInstalled(false);
    EXPECT_EQ(ErrorOf([&] { Ensure(); }), 429);
    EXPECT_EQ(com.Trace(), (Lines{kGetApp, kCreateRegistry}));

    // Any registry call that raises ends the start the same way, releasing all.
    vantora.SetInstalled(true);
    com.RaiseOn(L"Start", RuntimeError(-2147418113, L"Catastrophic failure", L"Backend"));
    EXPECT_EQ(fake::Raised([&] { Ensure(); }).description(), L"Catastrophic failure");
    EXPECT_TRUE(shown.lines().empty());
}

using HostContract = EnsureHostRunning;

TEST_F(HostContract, HostErrorsReachTheCallerIntactAndReleaseEverything) {
    auto app = App();
    com.RaiseOn(L"MLIBufferCount", RuntimeError(-2147220991, L"Buffer locked", L"Vantora"));
    const RuntimeError e = fake::Raised([&] { host::MLIBufferCount(com, *app); });
    EXPECT_EQ(e.number(), -2147220991);
    EXPECT_EQ(e.description(), L"Buffer locked");
    EXPECT_EQ(e.source(), L"Vantora");
    EXPECT_EQ(com.Outstanding(), 1);  // only `app`
    vantora.SetRunning(false);
    EXPECT_EQ(ErrorOf([&] { host::GetApplication(com); }), 429);
    EXPECT_EQ(ErrorOf([] { platform::ToObject(platform::Variant(int16_t{1})); }), 424);
    EXPECT_EQ(ErrorOf([] { platform::ToObject(platform::Variant(platform::Object())); }), 91);
}

TEST(IsHostRunning, EveryFailureIsFalse) {
    fake::FakeAutomation com;
    EXPECT_FALSE(modVantoraAPI::IsHostRunning(com));  // class unknown
    com.onCall = [](const fake::CallRecord&) {
        throw RuntimeError(-2147221021, L"Automation error");
    };
    fake::FakeVantora vantora(com);
    EXPECT_FALSE(modVantoraAPI::IsHostRunning(com));
    com.onCall = nullptr;
    EXPECT_TRUE(modVantoraAPI::IsHostRunning(com));
    EXPECT_EQ(com.Outstanding(), 0);
}

}  // namespace
