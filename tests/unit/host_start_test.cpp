// Finding a running Vantora or starting it: the calls made, the messages the
// user sees and the references left, in each situation the host can be in.
#include <gtest/gtest.h>

#include "host/vantora_api.h"
#include "tests/fakes/fake_vantora.h"

namespace {

using platform::RuntimeError;
using Lines = std::vector<std::wstring>;

const wchar_t kGetApp[] = L"GetObject(String \"Vantora.Application\")";
const wchar_t kCreateRegistry[] = L"CreateObject(String \"VantoraBackend.Installations\")";
const wchar_t kNoInstallations[] = L"0 : There are no Vantora installations detected!";
const wchar_t kStartFailed[] =
    L"64 : .Application.Start method failed. The Vantora application could not be started.";

// Records message boxes as "style title: text"; nothing else may be used here.
class MessageUi : public platform::Ui {
  public:
    void MsgBox(const std::wstring& text, int style, const std::wstring& title) override {
        shown.push_back(std::to_wstring(style) + L" " + title + L": " + text);
    }
    std::wstring InputBox(const std::wstring&, const std::wstring&) override {
        ADD_FAILURE() << "no input is asked for";
        return {};
    }
    void SetMousePointer(int) override { ADD_FAILURE() << "the pointer is not touched"; }
    void DoEvents() override { ADD_FAILURE() << "no events are handled"; }
    void Unload() override { ADD_FAILURE() << "the window is not unloaded"; }
    [[noreturn]] void End() override { throw platform::EndProgram{}; }
    std::vector<std::wstring> shown;
};

class EnsureHostRunning : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_EQ(com.Outstanding(), 0) << "a reference was left"; }
    bool Ensure() { return modVantoraAPI::EnsureHostRunning(com, ui); }

    fake::FakeAutomation com;
    fake::FakeVantora vantora{com};
    MessageUi ui;
};

TEST_F(EnsureHostRunning, RunningHostIsCheckedTwiceAndNothingElse) {
    EXPECT_TRUE(Ensure());
    EXPECT_EQ(com.Trace(), (Lines{kGetApp, kGetApp}));
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(EnsureHostRunning, NoInstallationsShowsTheMessageAndNeverAsksForAnItem) {
    vantora.SetRunning(false);
    for (fake::Value count :
         {fake::Value(int32_t{0}), fake::Value(int16_t{-2}), fake::Value(L"0"), fake::Value()}) {
        com.ClearCalls();
        ui.shown.clear();
        vantora.scenario.installationCount = count;
        EXPECT_FALSE(Ensure());
        EXPECT_EQ(com.Trace(), (Lines{kGetApp, kCreateRegistry, L"Installations.Count", kGetApp}));
        EXPECT_EQ(ui.shown, (Lines{kNoInstallations}));
        EXPECT_EQ(com.Outstanding(), 0);
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
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(EnsureHostRunning, InstallationThatClaimsToRunIsNotStarted) {
    vantora.SetRunning(false);
    // Anything but Boolean False counts as running, Null included.
    for (fake::Value claim : {fake::Value(true), fake::Value(fake::I(1)),
                              fake::Value(platform::Null{}), fake::Value(L"-1")}) {
        com.ClearCalls();
        vantora.scenario.isRunning = claim;
        EXPECT_FALSE(Ensure());
        EXPECT_EQ(com.CountCalls(L"Start"), 0);
        EXPECT_EQ(com.CountCalls(L"GetRunningObject"), 0);
        EXPECT_EQ(com.Trace().back(), kGetApp);
    }
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(EnsureHostRunning, FalseInAnotherTypeStillStarts) {
    vantora.SetRunning(false);
    vantora.scenario.isRunning = fake::I(0);  // equals Boolean False as a variant
    EXPECT_TRUE(Ensure());
    EXPECT_EQ(com.CountCalls(L"Start"), 1);
}

TEST_F(EnsureHostRunning, StartThatSucceedsButLeavesNoHostShowsNothing) {
    vantora.SetRunning(false);
    vantora.scenario.startBringsUp = false;  // GetRunningObject hands back Nothing
    vantora.scenario.startResult = fake::L(0);
    EXPECT_FALSE(Ensure());
    EXPECT_EQ(com.CountCalls(L"GetRunningObject"), 1);
    EXPECT_EQ(com.calls()[com.calls().size() - 2].result, L"Nothing");
    EXPECT_TRUE(ui.shown.empty());
}

TEST_F(EnsureHostRunning, StartFailureShowsTheMessageAndSkipsGetRunningObject) {
    vantora.SetRunning(false);
    vantora.scenario.startBringsUp = false;
    vantora.scenario.startResult = fake::I(1);
    EXPECT_FALSE(Ensure());
    EXPECT_EQ(ui.shown, (Lines{kStartFailed}));
    EXPECT_EQ(com.CountCalls(L"GetRunningObject"), 0);

    // Boolean True is not 0 either; the host came up anyway, which counts.
    com.ClearCalls();
    ui.shown.clear();
    vantora.scenario.startBringsUp = true;
    vantora.scenario.startResult = fake::Value(true);
    EXPECT_TRUE(Ensure());
    EXPECT_EQ(ui.shown, (Lines{kStartFailed}));
    EXPECT_EQ(com.CountCalls(L"GetRunningObject"), 0);
}

TEST_F(EnsureHostRunning, ErrorsOfTheRegistryAreNotTrapped) {
    vantora.SetRunning(false);
    vantora.SetInstalled(false);
    try {
        Ensure();
        ADD_FAILURE() << "a missing registry must raise";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), 429);
    }
    EXPECT_EQ(com.Trace(), (Lines{kGetApp, kCreateRegistry}));

    // Any registry call that raises ends the start the same way, releasing all.
    vantora.SetInstalled(true);
    com.RaiseOn(L"Start", RuntimeError(-2147418113, L"Catastrophic failure", L"Backend"));
    try {
        Ensure();
        ADD_FAILURE() << "Start's error must reach the caller";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.description(), L"Catastrophic failure");
    }
    EXPECT_TRUE(ui.shown.empty());
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
