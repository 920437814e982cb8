// frmMain built in this process: its layout at 96 and 144 DPI, its frame,
// the keyboard, the event binding, the toolkit over its controls and the
// rule for failures in handlers.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <future>
#include <map>
#include <memory>
#include <stdexcept>
#include <tuple>

#include "app/main_window.h"
#include "layout_pixels.h"
#include "platform/error.h"
#include "platform/win32/com_win.h"
#include "search/layout.h"
#include "standin/client/driver_win.h"

namespace {

using search::ControlId;

void InitControls() {
    static bool done = [] {
        INITCOMMONCONTROLSEX icc = {sizeof(icc),
                                    ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        return InitCommonControlsEx(&icc) != FALSE;
    }();
    (void)done;
}

// Handles what is waiting through the window's own keyboard path.
void Pump(HWND window, int rounds = 5) {
    for (int i = 0; i < rounds; ++i) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) continue;  // the loop under test is not running
            win32::DispatchToWindow(window, msg);
        }
        Sleep(5);
    }
}

// A window whose handlers only count their calls.
struct Bound {
    explicit Bound(int dpi = 96) : window(dpi) {
        InitControls();
        app::Handlers counters;
        for (const auto& e : search::kEventHandlers)
            counters[e.event] = [this, e] { ++calls[e.event]; };
        window.Bind(counters);
    }
    int Calls() const {
        int n = 0;
        for (const auto& [name, c] : calls) n += c;
        return n;
    }
    HWND Control(ControlId id) const { return window.Control(id); }

    app::MainWindow window;
    std::map<std::wstring, int> calls;
};

// Answers the next message box of this process with OK from another thread,
// since the box's own loop holds this one: the box as it was seen.
std::future<std::optional<driver::MessageBoxSeen>> AnswerNextBox() {
    return std::async(std::launch::async, [] {
        auto seen = driver::WaitMessageBox(GetCurrentProcessId(), 10000);
        if (seen) driver::Press(seen->hwnd, IDOK);
        return seen;
    });
}

std::tuple<LONG, LONG, LONG, LONG> Edges(const RECT& r) {
    return {r.left, r.top, r.right, r.bottom};
}

// Every control and the client area on the pixels written out by hand: at
// 144 DPI everything is half as large again.
TEST(WindowLayout, EveryControlSitsOnThePixelTableAt96And144Dpi) {
    struct Case {
        int dpi;
        SIZE client;
    };
    for (const Case& k : {Case{96, {544, 321}}, Case{144, {816, 482}}}) {
        SCOPED_TRACE(k.dpi);
        Bound b(k.dpi);
        HWND w = b.window.hwnd();
        RECT client;
        GetClientRect(w, &client);
        EXPECT_EQ(client.right, k.client.cx);
        EXPECT_EQ(client.bottom, k.client.cy);
        for (const auto& c : search::kLayout) {
            SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
            EXPECT_EQ(Edges(driver::ClientRectIn(b.Control(c.id), w)), Edges(Pixels(c, k.dpi)));
        }
    }
}

// A screen reader's object for an input (what it hears is checked against the
// program itself) reads the control as it is, also
// once the window was laid out again at another DPI, and lives only while
// the reader holds it.
TEST(WindowLayout, ScreenReadersObjectFollowsTheLayoutAndLivesOnlyWhileHeld) {
    ASSERT_HRESULT_SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    {
        Bound b(0);  // follows the screen's DPI
        RECT suggested = {0, 0, 1, 1};
        SendMessageW(b.window.hwnd(), WM_DPICHANGED, MAKEWPARAM(144, 144),
                     reinterpret_cast<LPARAM>(&suggested));
        HWND txt = b.Control(search::kTxtSearchFor);
        const auto& row =
            *std::find_if(search::kLayout.begin(), search::kLayout.end(),
                          [](const auto& c) { return c.id == search::kTxtSearchFor; });
        EXPECT_EQ(Edges(driver::ClientRectIn(txt, b.window.hwnd())), Edges(Pixels(row, 144)));
        IAccessible* acc = nullptr;  // not a ComPtr: its last Release tells the count
        ASSERT_HRESULT_SUCCEEDED(AccessibleObjectFromWindow(txt, OBJID_CLIENT, IID_PPV_ARGS(&acc)));
        VARIANT self;
        V_VT(&self) = VT_I4;
        V_I4(&self) = CHILDID_SELF;
        RECT client, at;
        GetClientRect(txt, &client);
        MapWindowPoints(txt, nullptr, reinterpret_cast<POINT*>(&client), 2);
        EXPECT_HRESULT_SUCCEEDED(acc->accLocation(&at.left, &at.top, &at.right, &at.bottom, self));
        EXPECT_EQ(Edges(at), Edges({client.left, client.top, client.right - client.left,
                                    client.bottom - client.top}));
        EXPECT_EQ(acc->Release(), 0u) << "the client's was the last reference";
    }
    CoUninitialize();
}

// Every caption is the table's and fits its control at 96 DPI with the font
// the window uses; the controls are of the table's types.
TEST(WindowLayout, CaptionsAndControlTypesAreThoseOfTheTableAndCaptionsFit) {
    Bound b;
    for (const auto& c : search::kLayout) {
        if (c.text.empty()) continue;
        SCOPED_TRACE(std::string(c.name.begin(), c.name.end()));
        HWND h = b.Control(c.id);
        EXPECT_EQ(driver::Text(h), c.text);
        HDC dc = GetDC(h);
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)));
        RECT r = {0, 0, 0, 0};
        std::wstring text(c.text);
        DrawTextW(dc, text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, old);
        ReleaseDC(h, dc);
        RECT box = Pixels(c, 96);
        int margin = c.type == search::ControlType::Button ? 8 : 0;
        EXPECT_LE(r.right + margin, box.right - box.left);
        EXPECT_LE(r.bottom, box.bottom - box.top);
    }
    LONG combo = GetWindowLongW(b.Control(search::kCboOperator), GWL_STYLE);
    EXPECT_EQ(combo & 3, CBS_DROPDOWNLIST);
    LONG list = GetWindowLongW(b.Control(search::kLvwResults), GWL_STYLE);
    EXPECT_EQ(list & LVS_TYPEMASK, LVS_REPORT);
    EXPECT_TRUE(list & LVS_OWNERDATA);
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(b.Control(search::kLvwResults)) &
                LVS_EX_FULLROWSELECT);
    EXPECT_EQ(driver::Text(b.Control(search::kTxtSearchFor)), L"");
    EXPECT_EQ(driver::Text(b.Control(search::kLblStatus)), L"");
}

TEST(WindowFrame, FixedDialogFrameWithoutTaskbarButtonCentredOnScreen) {
    Bound b;
    HWND w = b.window.hwnd();
    LONG style = GetWindowLongW(w, GWL_STYLE), ex = GetWindowLongW(w, GWL_EXSTYLE);
    EXPECT_FALSE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    // A taskbar button comes with an unowned or app window; a tool window
    // would lose the normal title bar.
    EXPECT_FALSE(ex & WS_EX_APPWINDOW);
    EXPECT_FALSE(ex & WS_EX_TOOLWINDOW);
    HWND owner = GetWindow(w, GW_OWNER);
    ASSERT_NE(owner, nullptr);
    EXPECT_FALSE(IsWindowVisible(owner));
    EXPECT_FALSE(IsWindowVisible(w)) << "created hidden, shown after load";

    RECT r;
    GetWindowRect(w, &r);
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(w, MONITOR_DEFAULTTOPRIMARY), &mi);
    // Centred to a pixel: the edges' sums differ by at most two.
    EXPECT_NEAR(r.left + r.right, mi.rcMonitor.left + mi.rcMonitor.right, 2);
    EXPECT_NEAR(r.top + r.bottom, mi.rcMonitor.top + mi.rcMonitor.bottom, 2);
}

TEST(WindowKeyboard, TabWalksTheTableOrderFromTheDatabaseChooser) {
    Bound b;
    b.window.Show();
    Pump(b.window.hwnd());
    HWND w = b.window.hwnd();
    HWND focus = GetFocus();
    EXPECT_EQ(focus, b.Control(search::kCboProductDatabase));
    const ControlId order[] = {search::kCboOperator,   search::kCmdSearch,
                               search::kTxtSearchFor,  search::kCboSearchField,
                               search::kLvwResults,    search::kCmdClose,
                               search::kCmdAddToQuote, search::kCboProductDatabase};
    for (ControlId id : order) {
        focus = GetNextDlgTabItem(w, focus, FALSE);
        EXPECT_EQ(focus, b.Control(id)) << id;
    }
    EXPECT_EQ(GetNextDlgTabItem(w, b.Control(search::kCboProductDatabase), TRUE),
              b.Control(search::kCmdAddToQuote));
}

// Each key as the window's keyboard path gets it, the focus on the control
// it goes to: Alt and an access key, or Enter, on a button click it; Enter in
// the value box and Esc do nothing.
TEST(WindowKeyboard, AccessKeysAndEnterOnAButtonClickItEnterInTheValueBoxAndEscapeDoNothing) {
    Bound b;
    b.window.Show();
    const struct {
        ControlId to;
        wchar_t key;  // with Alt: a character; else Enter or Esc
        bool alt;
        const wchar_t* clicked;  // the handler it runs, if any
    } presses[] = {{search::kTxtSearchFor, VK_RETURN, false, nullptr},
                   {search::kTxtSearchFor, VK_ESCAPE, false, nullptr},
                   {search::kCboOperator, VK_ESCAPE, false, nullptr},
                   {search::kTxtSearchFor, L's', true, L"cmdSearch_Click"},
                   {search::kTxtSearchFor, L'a', true, L"cmdAddToQuote_Click"},
                   {search::kTxtSearchFor, L'c', true, L"cmdClose_Click"},
                   {search::kCmdSearch, VK_RETURN, false, L"cmdSearch_Click"}};
    for (const auto& p : presses) {
        SCOPED_TRACE(testing::Message() << "key " << int(p.key) << " to control " << p.to);
        HWND to = b.Control(p.to);
        SetFocus(to);
        std::map<std::wstring, int> expected = b.calls;
        if (p.clicked) ++expected[p.clicked];
        if (p.alt) {
            PostMessageW(to, WM_SYSCHAR, p.key, 1 << 29);
        } else {
            PostMessageW(to, WM_KEYDOWN, p.key, 1);
            PostMessageW(to, WM_CHAR, p.key == VK_RETURN ? L'\r' : 0x1B, 1);
            PostMessageW(to, WM_KEYUP, p.key, 0xC0000001);
        }
        Pump(b.window.hwnd());
        EXPECT_EQ(b.calls, expected);
    }
    EXPECT_TRUE(IsWindowVisible(b.window.hwnd()));
    EXPECT_FALSE(b.window.Ending());
}

// The toolkit over the real controls: the choosers, the list and the pointer.
TEST(ToolkitChooser, TextIsTheSelectedEntryAndABadPositionRaises) {
    Bound b;
    platform::ComboBox& cbo = b.window.Controls().cboOperator;
    EXPECT_EQ(cbo.Text(), L"");
    cbo.AddItem(L"Contains");
    cbo.AddItem(L"Equal to");
    EXPECT_EQ(cbo.Text(), L"") << "nothing is selected until code selects";
    cbo.SetListIndex(1);
    EXPECT_EQ(cbo.Text(), L"Equal to");
    try {
        cbo.SetListIndex(2);
        ADD_FAILURE() << "no error raised";
    } catch (const platform::RuntimeError& e) {
        EXPECT_EQ(e.number(), 380);
    }
    EXPECT_EQ(cbo.Text(), L"Equal to");
    cbo.Clear();
    EXPECT_EQ(cbo.Text(), L"");
}

// A click then a double-click on the second row: it is selected, and the
// double-click's handler runs once.
TEST(ToolkitList, DoubleClickOnTheListRunsItsHandler) {
    Bound b;
    platform::ListView& list = b.window.Controls().lvwResults;
    const auto keys = std::make_shared<const platform::ListItems::KeySet>();
    for (const wchar_t* row : {L"One", L"Two", L"Three"}) list.Items().Add(row, row, row, keys, {});
    list.AddColumn(L"Description", 1440);
    list.ItemsChanged();
    b.window.Show();
    HWND lvw = b.Control(search::kLvwResults);
    RECT r;
    ListView_GetItemRect(lvw, 1, &r, LVIR_LABEL);
    const LPARAM at = MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        SendMessageW(lvw, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
    EXPECT_EQ(b.calls[L"lvwResults_DblClick"], 1);
    EXPECT_EQ(b.Calls(), 1);
    EXPECT_EQ(list.Items().SelectedPosition(), 2);
    EXPECT_TRUE(list.Items().Selected(2));
}

TEST(ToolkitPointer, HourglassHoldsOverTheWindowUntilReset) {
    Bound b;
    platform::Ui& ui = b.window.Ui();
    HWND hwnd = b.window.hwnd();
    HWND txt = b.Control(search::kTxtSearchFor);
    ui.SetMousePointer(platform::kHourglass);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    // A control asks its parent first; the window keeps the hourglass.
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    SendMessageW(txt, WM_SETCURSOR, reinterpret_cast<WPARAM>(txt),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    ui.SetMousePointer(platform::kDefault);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_FALSE(SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                              MAKELPARAM(HTCAPTION, WM_MOUSEMOVE)));
}

TEST(WindowResults, TooltipOfTheListIsAttached) {
    Bound b;
    HWND list = b.Control(search::kLvwResults);
    bool found = false;
    for (HWND tip : driver::WindowsOf(GetCurrentProcessId(), TOOLTIPS_CLASSW, false)) {
        wchar_t text[128] = {};
        TTTOOLINFOW ti = {};
        ti.cbSize = sizeof(ti);
        ti.lpszText = text;
        for (int i = 0; SendMessageW(tip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(&ti)); ++i) {
            if (reinterpret_cast<HWND>(ti.uId) != list) continue;
            SendMessageW(tip, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&ti));
            EXPECT_STREQ(text, L"Results of your search.");
            found = true;
        }
    }
    EXPECT_TRUE(found);
}

// A failure that is not a run-time error is reported as an internal one, and
// the program ends before its window shows.
TEST(WindowFailures, ErrorDuringLoadEndsBeforeTheWindowIsShown) {
    Bound b;
    app::Handlers h;
    h[L"Form_Load"] = [] { throw std::runtime_error("boom"); };
    b.window.Bind(h);
    auto box = AnswerNextBox();
    EXPECT_FALSE(b.window.Load());
    const auto seen = box.get();
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->text, L"Run-time error '51':\n\nInternal error");
    EXPECT_EQ(b.window.ExitCode(), app::kExitRunTimeError);
    EXPECT_FALSE(IsWindow(b.window.hwnd()));
}

// The search handler yields; a close, or an error in a handler run meanwhile,
// must stop it from going on and end the program.
TEST(WindowFailures, WhatEndsTheProgramDuringAYieldEndsTheYieldingHandlerToo) {
    for (bool raise : {false, true}) {
        SCOPED_TRACE(raise ? "an error in a handler" : "close");
        Bound b;
        bool resumed = false;
        int adds = 0;
        app::Handlers h;
        h[L"cmdSearch_Click"] = [&] {
            if (raise) {
                PostMessageW(b.Control(search::kCmdAddToQuote), BM_CLICK, 0, 0);
            } else {
                PostMessageW(b.window.hwnd(), WM_CLOSE, 0, 0);
            }
            b.window.Ui().DoEvents();
            resumed = true;
        };
        h[L"cmdAddToQuote_Click"] = [&] {
            ++adds;
            throw platform::RuntimeError(91, L"Object variable or With block variable not set");
        };
        b.window.Bind(h);
        b.window.Show();
        std::future<std::optional<driver::MessageBoxSeen>> box;
        if (raise) box = AnswerNextBox();
        PostMessageW(b.Control(search::kCmdSearch), BM_CLICK, 0, 0);
        EXPECT_EQ(b.window.MessageLoop(), raise ? app::kExitRunTimeError : app::kExitClosed);
        EXPECT_EQ(box.valid() && box.get(), raise) << "the error report";
        EXPECT_EQ(adds, raise ? 1 : 0);
        EXPECT_FALSE(resumed);
        EXPECT_FALSE(IsWindow(b.window.hwnd()));
    }
}

}  // namespace
