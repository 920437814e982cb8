// frmMain built in this process: its layout at 96 and 144 DPI, its frame,
// the keyboard, the event binding, the toolkit over its controls, the rule
// for failures in handlers, and the result list driven as the user does.
// Then the automation layer under them against an automation object of this
// process, and the conversions and number rules under the system's own code;
// the same layer against another process is what the end-to-end tests drive.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "app/main_window.h"
#include "platform/error.h"
#include "platform/win32/automation_win.h"
#include "platform/win32/clipboard_win.h"
#include "platform/win32/columns_dialog_win.h"
#include "platform/win32/com_win.h"
#include "platform/win32/find_dialog_win.h"
#include "platform/win32/numbers_win.h"
#include "platform/win32/variant_win.h"
#include "search/catalogue.h"
#include "search/layout.h"
#include "standin/client/driver_win.h"
#include "tests/expected/catalogue.h"
#include "tests/fakes/fake_automation.h"

namespace {

using fake::ErrorOf;
using platform::Arg;
using platform::Decimal;
using platform::Null;
using platform::Object;
using platform::Order;
using platform::RuntimeError;
using platform::Variant;
using search::ControlId;

void InitControls() {
    const INITCOMMONCONTROLSEX icc = {
        sizeof(icc), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
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

// Where each control must sit, in pixels, written out by hand at 96 DPI
// apart from the program's table in twips: left, top, width and height. At
// another DPI each figure scales on its own to the nearest pixel, halves up.
struct PixelsAt96 {
    search::ControlId id;
    int left, top, width, height;
};
constexpr PixelsAt96 kAt96[] = {
    {search::kLabel4, 8, 8, 193, 17},
    {search::kCboProductDatabase, 8, 24, 193, 21},
    {search::kLabel1, 8, 56, 121, 17},
    {search::kLabel3, 160, 56, 121, 17},
    {search::kLabel2, 288, 56, 121, 17},
    {search::kCboSearchField, 8, 72, 145, 21},
    {search::kCboOperator, 160, 72, 121, 21},
    {search::kTxtSearchFor, 288, 72, 129, 21},
    {search::kCmdSearch, 432, 72, 97, 21},
    {search::kLabel5, 8, 112, 193, 17},
    {search::kLvwResults, 8, 128, 529, 145},
    {search::kLblStatus, 8, 288, 169, 17},
    {search::kCmdAddToQuote, 232, 288, 193, 21},
    {search::kCmdClose, 440, 288, 97, 21},
};

RECT Pixels(ControlId id, int dpi) {
    auto px = [dpi](int at96) { return (at96 * dpi * 2 + 96) / (96 * 2); };
    for (const PixelsAt96& p : kAt96) {
        if (p.id == id)
            return {px(p.left), px(p.top), px(p.left) + px(p.width), px(p.top) + px(p.height)};
    }
    return {};
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
            EXPECT_EQ(Edges(driver::ClientRectIn(b.Control(c.id), w)), Edges(Pixels(c.id, k.dpi)));
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
        EXPECT_EQ(Edges(driver::ClientRectIn(txt, b.window.hwnd())),
                  Edges(Pixels(search::kTxtSearchFor, 144)));
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
        RECT box = Pixels(c.id, 96);
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
    // No minimize, maximize or sizing; a taskbar button comes with an unowned
    // or app window, and a tool window would lose the normal title bar.
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_SYSMENU | WS_CAPTION),
              WS_SYSMENU | WS_CAPTION);
    EXPECT_EQ(ex & (WS_EX_APPWINDOW | WS_EX_TOOLWINDOW), 0);
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
    EXPECT_EQ(ErrorOf([&] { cbo.SetListIndex(2); }), 380);
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
    EXPECT_EQ(b.calls, (std::map<std::wstring, int>{{L"lvwResults_DblClick", 1}}));
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
            throw RuntimeError(91, L"Object variable or With block variable not set");
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

// ============================================================================
// The result list in the real window, driven through the system's input:
// type to find, sort by a header, copy, select all and the context menu.
// The test command runs these under LC_ALL=de_DE.UTF-8 too.
// ============================================================================

using Lines = std::vector<std::wstring>;
using Table = std::vector<Lines>;

const Lines kCaptions = {L"Description", L"Vendor ", L"Price", L"Date"};

// Where the window tests keep the user's settings, emptied before and after
// each test that uses it.
constexpr wchar_t kTestKey[] = L"Software\\Skuvane.WindowTests";
struct ScratchKey {
    ScratchKey() { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
    ~ScratchKey() { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }
};

// What is kept under the tests' key: each value's type and bytes, by name.
using Values = std::map<std::wstring, std::pair<DWORD, std::vector<BYTE>>>;
Values Kept() {
    Values kept;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return kept;
    wchar_t name[64];
    BYTE data[1024];
    for (DWORD i = 0, n = 64, type = 0, size = sizeof data;
         RegEnumValueW(key, i, name, &n, nullptr, &type, data, &size) == ERROR_SUCCESS;
         ++i, n = 64, size = sizeof data) {
        kept[name] = {type, {data, data + size}};
    }
    RegCloseKey(key);
    return kept;
}

// The header's captions in the order shown, with their widths in pixels.
using Header = std::vector<std::pair<std::wstring, int>>;
Header Columns(HWND list) {
    HWND header = ListView_GetHeader(list);
    std::vector<int> order(size_t(Header_GetItemCount(header)));
    ListView_GetColumnOrderArray(list, int(order.size()), order.data());
    Header shown;
    for (int sub : order) {
        wchar_t text[64] = {};
        HDITEMW item = {};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = text;
        item.cchTextMax = 64;
        Header_GetItem(header, sub, &item);
        shown.emplace_back(text, item.cxy);
    }
    return shown;
}

// A point of the header item of the list's column `sub`, on the screen: `x`
// pixels from its left edge, or when negative from its right edge.
POINT OnHeaderItem(HWND list, int sub, int x) {
    HWND header = ListView_GetHeader(list);
    RECT r = {};
    Header_GetItemRect(header, sub, &r);
    POINT at = {x >= 0 ? r.left + x : r.right + x, (r.top + r.bottom) / 2};
    ClientToScreen(header, &at);
    return at;
}

// Input as the user's keyboard and mouse give it: the keys pressed in turn
// and let go in reverse order ("Shift+F10").
void Input(std::vector<INPUT> in) {
    for (size_t i = in.size(); i-- > 0;) {
        if (in[i].type != INPUT_KEYBOARD) continue;
        in.push_back(in[i]);
        in.back().ki.dwFlags |= KEYEVENTF_KEYUP;
    }
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
}
INPUT Key(WORD vk) { return {INPUT_KEYBOARD, {.ki = {vk, 0, 0, 0, 0}}}; }
// Text as the keyboard types any character.
std::vector<INPUT> Typed(std::wstring_view text) {
    std::vector<INPUT> in;
    for (wchar_t c : text) in.push_back({INPUT_KEYBOARD, {.ki = {0, c, KEYEVENTF_UNICODE, 0, 0}}});
    return in;
}
// The mouse put on a point of the screen, and a button pressed or let go.
void MouseAt(POINT at, DWORD buttons) {
    SetCursorPos(at.x, at.y);
    Input({{INPUT_MOUSE, {.mi = {0, 0, 0, MOUSEEVENTF_MOVE | buttons, 0, 0}}}});
}

// A date as the list shows it: the user's short date.
std::wstring Date(WORD year, WORD month, WORD day) {
    const SYSTEMTIME t = {year, month, 0, day, 0, 0, 0, 0};
    wchar_t text[64] = {};
    return {text, size_t(GetDateFormatEx(nullptr, 0, &t, nullptr, text, 64, nullptr) - 1)};
}

// The clipboard's text read back as a spreadsheet reads it: lines by CR LF,
// cells by tab, a cell in quotes whole, its doubled quotes single.
Table Pasted() {
    std::wstring s;
    if (OpenClipboard(nullptr)) {
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        s = data ? static_cast<wchar_t*>(GlobalLock(data)) : L"";
        if (data) GlobalUnlock(data);
        CloseClipboard();
    }
    Table rows(1, Lines(1));
    bool quoted = false;
    for (size_t i = 0; i < s.size(); ++i) {
        std::wstring& cell = rows.back().back();
        if (quoted && s[i] == L'"' && s[i + 1] == L'"') {
            cell += s[++i];
        } else if (s[i] == L'"' && (quoted || cell.empty())) {
            quoted = !quoted;
        } else if (!quoted && s[i] == L'\t') {
            rows.back().emplace_back();
        } else if (!quoted && s.compare(i, 2, L"\r\n") == 0) {
            rows.emplace_back(1);
            ++i;
        } else {
            cell += s[i];
        }
    }
    rows.pop_back();  // after the last line's end
    return rows;
}

// The real frmMain in the real window, its list focused, no host to call;
// the Add button's handler only counts.
class Results : public ::testing::Test {
  protected:
    void SetUp() override {
        InitControls();
        app::Handlers handlers = app::BindTo(form);
        handlers[L"cmdAddToQuote_Click"] = [this] { ++adds; };
        window.Bind(handlers);
        for (const auto& caption : kCaptions) window.Controls().lvwResults.AddColumn(caption, 1500);
        window.Show();
        SetFocus(List());
    }
    HWND List() const { return window.Control(search::kLvwResults); }

    // Lists the rows as a search does: first cell the text, then sub-items.
    void Fill(const Table& rows) {
        static const auto keys = std::make_shared<const platform::ListItems::KeySet>(
            Lines(kCaptions.begin() + 1, kCaptions.end()));
        platform::ListView& list = window.Controls().lvwResults;
        list.Items().Clear();
        for (const Lines& row : rows) {
            std::vector<std::wstring_view> cells(row.begin() + 1, row.end());
            list.Items().Add(L"k", row[0], L"t", keys, cells);
        }
        list.ItemsChanged();
    }
    // Handles what is waiting through the window's own keyboard path, a while.
    void Pump(int rounds = 60) const { ::Pump(window.hwnd(), rounds); }
    // The first column's texts of the rows shown, or of the selected ones.
    Lines Shown(UINT which = LVNI_ALL) const {
        Lines out;
        for (int i = -1; (i = ListView_GetNextItem(List(), i, which)) >= 0;) {
            wchar_t text[64] = {};
            ListView_GetItemText(List(), i, 0, text, 64);
            out.emplace_back(text);
        }
        return out;
    }
    void Select(int row) const {
        ListView_SetItemState(List(), row, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
    }
    // A header clicked (none for -1); then the sort arrows, "^" up, "v" down.
    std::wstring ClickHeader(int column) const {
        HWND header = ListView_GetHeader(List());
        RECT r = {};
        if (Header_GetItemRect(header, column, &r)) {
            const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
            PostMessageW(header, WM_LBUTTONUP, 0, at);
            Pump();
        }
        std::wstring arrows;
        for (int c = 0; c < Header_GetItemCount(header); ++c) {
            HDITEMW item = {};
            item.mask = HDI_FORMAT;
            Header_GetItem(header, c, &item);
            arrows += item.fmt & HDF_SORTUP ? L'^' : item.fmt & HDF_SORTDOWN ? L'v' : L'-';
        }
        return arrows;
    }

    std::wstring Status() const { return driver::Text(window.Control(search::kLblStatus)); }
    static HWND FindBox() { return FindWindowW(L"#32770", L"Find"); }
    // Chords pressed in turn, in the Find window after `text` was typed
    // into "Find what" (Alt+N), when there is one.
    void FindKeys(const wchar_t* text, const std::vector<std::vector<INPUT>>& chords) const {
        if (text) {
            Input({Key(VK_MENU), Key('N')});
            Input(Typed(text));
        }
        for (const auto& chord : chords) {
            Pump(5);
            Input(chord);
        }
        Pump();
    }

    // The details window, and its lines as the user reads them.
    static HWND Details() { return FindWindowW(L"Skuvane.Details", nullptr); }
    static HWND DetailsChild(const wchar_t* cls, const wchar_t* text = nullptr) {
        return FindWindowExW(Details(), nullptr, cls, text);
    }
    static Table DetailLines() {
        HWND lines = DetailsChild(WC_LISTVIEWW);
        Table out;
        for (int i = 0; i < ListView_GetItemCount(lines); ++i) {
            wchar_t caption[64] = {}, value[64] = {};
            ListView_GetItemText(lines, i, 0, caption, 64);
            ListView_GetItemText(lines, i, 1, value, 64);
            out.push_back({caption, value});
        }
        return out;
    }

    // Starts a window again as the program does, the fixture's columns added
    // during its load.
    std::unique_ptr<app::MainWindow> Restart(int dpi) const {
        auto again = std::make_unique<app::MainWindow>(dpi, kTestKey);
        platform::ListView& list = again->Controls().lvwResults;
        again->Bind({{L"Form_Load", [&list] {
                          for (const auto& caption : kCaptions) list.AddColumn(caption, 1500);
                      }}});
        EXPECT_TRUE(again->Load());
        return again;
    }
    // Pressed on `from`, moved there in steps, and let go on `to`.
    void Drag(POINT from, POINT to) const {
        MouseAt(from, MOUSEEVENTF_LEFTDOWN);
        for (int step = 1; step <= 4; ++step) {
            Pump(3);
            MouseAt({from.x + (to.x - from.x) * step / 4, from.y}, 0);
        }
        MouseAt(to, MOUSEEVENTF_LEFTUP);
        Pump();
    }
    // Opens a menu by `opening` and picks its item `pick` with the keyboard
    // from another thread, as the user does: the items offered, "+" before one checked,
    // "~" before one greyed, "-" for a separator.
    Lines FromMenu(const std::vector<INPUT>& opening, const std::wstring& pick) const {
        Lines offered;
        std::atomic<bool> picked = false;
        std::thread user([&offered, &picked, &pick] {
            HWND menu = nullptr;
            driver::WaitUntil(
                10000, [&menu] { return IsWindowVisible(menu = FindWindowW(L"#32768", nullptr)); });
            auto* items = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
            int selectable = 0, target = -1;  // the arrow keys pass over separators only
            for (int i = 0; i < GetMenuItemCount(items); ++i) {
                wchar_t text[64] = {};
                GetMenuStringW(items, UINT(i), text, 64, MF_BYPOSITION);
                const UINT state = GetMenuState(items, UINT(i), MF_BYPOSITION);
                offered.push_back(state & MF_SEPARATOR
                                      ? L"-"
                                      : std::wstring(state & MF_GRAYED ? L"~" : L"") +
                                            (state & MF_CHECKED ? L"+" : L"") + text);
                if (state & MF_SEPARATOR) continue;
                if (text == pick) target = selectable;
                ++selectable;
            }
            for (int i = 0; i <= target; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(menu, WM_KEYDOWN, target < 0 ? VK_ESCAPE : VK_RETURN, 0);
            picked = true;
        });
        Input(opening);
        for (int i = 0; i < 100 && !picked; ++i) Pump(20);
        Pump();
        user.join();
        return offered;
    }
    std::vector<INPUT> RightClickOnHeader() const {
        SetCursorPos(OnHeaderItem(List(), 0, 5).x, OnHeaderItem(List(), 0, 5).y);
        return {
            {INPUT_MOUSE, {.mi = {0, 0, 0, MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_RIGHTUP, 0, 0}}}};
    }

    ScratchKey scratch;
    app::MainWindow window{0, kTestKey};
    fake::FakeAutomation com;
    win32::NumberRulesWin numbers;
    search::frmMain form{window.Controls(), com, window.Ui(), numbers};
    int adds = 0;
};

// Each key extends the search text; after a pause a key starts anew from the
// row after the focused one, wrapping, and the same key again moves on.
TEST_F(Results, TypingMovesToTheNextRowThatBeginsWithTheTypedText) {
    Fill({{L"Alpha"}, {L"Bravo"}, {L"Charlie"}, {L"bravo two"}});
    const struct {
        const char* keys;
        const wchar_t* found;
    } steps[] = {{"C", L"Charlie"}, {"BR", L"bravo two"}, {"B", L"Bravo"}, {"B", L"bravo two"},
                 {"A", L"Alpha"},   {"BR", L"Bravo"},     {"BB", L"Bravo"}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.keys);
        Sleep(1100);  // a pause: a new search text
        for (const char* k = step.keys; *k; ++k) Input({Key(static_cast<WORD>(*k))});
        Pump();
        EXPECT_EQ(Shown(LVNI_SELECTED), Lines{step.found});
        EXPECT_EQ(Shown(LVNI_FOCUSED), Lines{step.found});
    }
}

// Numbers as the user's locale reads them, dates across a year's end, text
// in the locale's order ignoring case. A column's numbers or dates come
// before its texts, and after them descending; empty cells last both ways,
// ties in found order.
// Then Ctrl+C copies the captions and the selected rows in the order shown,
// as a spreadsheet reads them back, and Ctrl+A selects every row.
TEST_F(Results, HeaderClicksSortCtrlCCopiesAndCtrlASelectsAll) {
    wchar_t decimal[4] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 4);
    const bool comma = decimal[0] == L',';
    const Table rows = {
        {L"r1", L"zebra", L"10", Date(2026, 1, 2)},
        {L"r2", L"\u00c4pfel", L"9", Date(2025, 12, 31)},
        {L"r3", L"birne", L"", Date(2025, 6, 15)},
        {L"r4", L"apfel \"x\"\ty\r\nz", comma ? L"1,5" : L"1.5", L""},
        {L"r5", L"Birne", comma ? L"1.234,50" : L"1,234.50", Date(2025, 12, 31)},
        {L"r6", L"kiwi", L"n/a", L"soon"},
    };
    Fill(rows);
    Select(1);  // r2, which stays selected and focused
    const struct {
        int column;
        Lines shown;
        const wchar_t* arrows;
    } clicks[] = {
        {1, {L"r2", L"r4", L"r3", L"r5", L"r6", L"r1"}, L"-^--"},
        {2, {L"r4", L"r2", L"r1", L"r5", L"r6", L"r3"}, L"--^-"},
        {2, {L"r6", L"r5", L"r1", L"r2", L"r4", L"r3"}, L"--v-"},
        {3, {L"r3", L"r2", L"r5", L"r1", L"r6", L"r4"}, L"---^"},
        {3, {L"r6", L"r1", L"r2", L"r5", L"r3", L"r4"}, L"---v"},
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.arrows);
        EXPECT_EQ(ClickHeader(click.column), click.arrows);
        EXPECT_EQ(Shown(), click.shown);
        EXPECT_EQ(Shown(LVNI_SELECTED), Lines{L"r2"});
        EXPECT_EQ(Shown(LVNI_FOCUSED), Lines{L"r2"});
    }
    Select(5);
    Input({Key(VK_CONTROL), Key('C')});
    Pump();
    EXPECT_EQ(Pasted(), (Table{kCaptions, rows[1], rows[3]}));
    Input({Key(VK_CONTROL), Key('A')});
    Input({Key(VK_CONTROL), Key('C')});
    Pump();
    EXPECT_EQ(Shown(LVNI_SELECTED).size(), rows.size());
    EXPECT_EQ(Pasted().size(), rows.size() + 1);  // every row, in the model too
    Fill(rows);  // listed anew, as by a search: found order, no arrow, nothing selected
    EXPECT_EQ(Shown(), (Lines{L"r1", L"r2", L"r3", L"r4", L"r5", L"r6"}));
    EXPECT_EQ(Shown(LVNI_SELECTED), Lines{});
    EXPECT_EQ(Shown(LVNI_FOCUSED), Lines{});
    const platform::ListItems& model = window.Controls().lvwResults.Items();
    EXPECT_EQ(model.SelectedPosition(), 0);
    for (int pos = 1; pos <= int(rows.size()); ++pos) EXPECT_FALSE(model.Selected(pos)) << pos;
    EXPECT_EQ(ClickHeader(-1), L"----");
}

// The menu opens from the menu key, a right-click and Shift+F10, offers its
// items with their keys; its Add runs the Add button's handler, and its
// Details shows the focused row whole.
TEST_F(Results, TheContextMenuOffersAddCopySelectAllAndDetails) {
    Fill({{L"One", L"v", L"1", L"d"}, {L"Two", L"w", L"2", L"e"}});
    RECT r;
    ListView_GetItemRect(List(), 0, &r, LVIR_LABEL);
    POINT onRow = {r.left + 5, (r.top + r.bottom) / 2};
    ClientToScreen(List(), &onRow);
    SetCursorPos(onRow.x, onRow.y);
    const std::vector<INPUT> ways[] = {
        {Key(VK_APPS)},
        {{INPUT_MOUSE, {.mi = {0, 0, 0, MOUSEEVENTF_RIGHTDOWN | MOUSEEVENTF_RIGHTUP, 0, 0}}}},
        {Key(VK_SHIFT), Key(VK_F10)}};
    const Lines offered = {L"Add selected product(s) to quote",
                           L"Copy\tCtrl+C",
                           L"Select All\tCtrl+A",
                           L"Find\u2026\tCtrl+F",
                           L"-",
                           L"Details\tAlt+Enter"};
    for (const size_t item : {0, 1, 2, 3, 5}) {
        SCOPED_TRACE(item);
        SetForegroundWindow(window.hwnd());  // from the Find window
        SetFocus(List());
        Select(0);
        EXPECT_EQ(FromMenu(ways[item % 3], offered[item]), offered);
        EXPECT_EQ(adds, 1);
    }
    EXPECT_EQ(Pasted(), (Table{kCaptions, {L"One", L"v", L"1", L"d"}}));  // Copy
    EXPECT_EQ(Shown(LVNI_SELECTED).size(), 2u);                           // Select All
    EXPECT_TRUE(IsWindowVisible(FindBox()));                              // Find
    EXPECT_EQ(DetailLines(), (Table{{L"Description", L"One"},
                                    {L"Vendor ", L"v"},  // Details
                                    {L"Price", L"1"},
                                    {L"Date", L"d"}}));
}

// The Find window from the keyboard alone: F3 with nothing to find opens it, Alt+N goes to
// "Find what", Alt+C and Alt+W check Match case and Whole cell, and Enter
// moves to the next row with the text in a shown cell, wrapping around; Esc
// closes it, and F3 and Shift+F3 in the list find on and back. Case is
// ignored as the user's locale folds it (the test command runs this under
// de-DE too): the umlauts and ß fold as letters, ß is not "SS".
TEST_F(Results, FindNextAndF3MoveToTheNextRowWithTheTextInAShownCell) {
    Fill({{L"Stra\u00dfe 1", L"M\u00fcller", L"10", L"x"},
          {L"Apfel", L"\u00c4PFEL GmbH", L"20", L"pole x"},
          {L"\u00e4pfel", L"Vendor", L"30", L"STRASSE"},
          {L"Pole", L"v", L"4-pole", L"x"},
          {L"pole", L"v", L"40", L"x"}});
    Select(0);
    Input({Key(VK_F3)});  // with nothing to find yet, F3 opens the box
    Pump();
    ASSERT_TRUE(IsWindowVisible(FindBox()));
    const std::vector<INPUT> enter = {Key(VK_RETURN)}, matchCase = {Key(VK_MENU), Key('C')},
                             wholeCell = {Key(VK_MENU), Key('W')};
    const struct {
        const wchar_t* text;
        std::vector<std::vector<INPUT>> keys;
        const wchar_t* focused;
    } steps[] = {
        {L"\u00e4PFEL", {enter}, L"Apfel"},
        {nullptr, {enter}, L"\u00e4pfel"},
        {nullptr, {enter}, L"Apfel"},
        {L"\u00e4pfel", {matchCase, enter}, L"\u00e4pfel"},
        {L"\u00c4PFEL", {enter}, L"Apfel"},
        {L"STRA\u00dfE", {matchCase, enter}, L"Stra\u00dfe 1"},
        {L"zzz", {enter}, L"Stra\u00dfe 1"},
        {L"pole", {wholeCell, enter}, L"Pole"},
        {nullptr, {enter}, L"pole"},
        {nullptr, {wholeCell, {Key(VK_ESCAPE)}, {Key(VK_F3)}}, L"Apfel"},
        {nullptr, {{Key(VK_SHIFT), Key(VK_F3)}}, L"pole"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << &step - steps);
        FindKeys(step.text, step.keys);
        EXPECT_EQ(Shown(LVNI_FOCUSED), Lines{step.focused});
        EXPECT_EQ(Shown(LVNI_SELECTED), Lines{step.focused});
        if (step.text && step.text == std::wstring(L"zzz")) {
            EXPECT_EQ(Status(), L"No row has \"zzz\"");
        }
    }
    EXPECT_FALSE(FindBox());
    // A pasted text of 100,000 characters is taken whole and found nowhere.
    ASSERT_TRUE(win32::CopyText(window.hwnd(), std::wstring(100000, L'a') + L"\tb"));
    FindKeys(nullptr, {{Key(VK_CONTROL), Key('F')}, {Key(VK_CONTROL), Key('V')}, {Key(VK_RETURN)}});
    EXPECT_EQ(GetWindowTextLengthW(GetDlgItem(FindBox(), win32::kFindWhatId)), 100002);
    EXPECT_EQ(Status(), L"No row has \"" + std::wstring(40, L'a') + L"\u2026\"");
    EXPECT_EQ(Shown(LVNI_FOCUSED), Lines{L"pole"});
    FindKeys(nullptr, {{Key(VK_ESCAPE)}});
    EXPECT_FALSE(FindBox());
    EXPECT_EQ(adds, 0);
}

// Filter shows the rows with the text in a shown cell and "N of M rows", and
// follows the text as it is typed, narrower or wider, and the check boxes; Ctrl+C and Ctrl+A act
// on the rows shown. Esc in the list shows every row again, selected as they
// were; a new search lists every row.
TEST_F(Results, FilterShowsTheRowsWithTheTextAsItIsTyped) {
    const Table rows = {{L"Breaker 16A 1-pole", L"Nord", L"1", L"x"},
                        {L"Breaker 32A 3-pole", L"S\u00fcd", L"2", L"x"},
                        {L"Socket 3-gang", L"Nord", L"3", L"x"},
                        {L"Cable 3x1.5", L"S\u00fcd", L"4", L"x"}};
    Fill(rows);
    Select(0);
    Select(2);
    Input({Key(VK_CONTROL), Key('F')});
    Pump();
    const struct {
        const wchar_t* text;
        std::vector<std::vector<INPUT>> keys;
        Lines shown;
        const wchar_t* status;
    } steps[] = {
        {L"3", {{Key(VK_MENU), Key('L')}}, {rows[1][0], rows[2][0], rows[3][0]}, L"3 of 4 rows"},
        {L"3-", {}, {rows[1][0], rows[2][0]}, L"2 of 4 rows"},
        {L"3-p", {}, {rows[1][0]}, L"1 of 4 rows"},
        {L"3-", {}, {rows[1][0], rows[2][0]}, L"2 of 4 rows"},
        {nullptr, {{Key(VK_MENU), Key('W')}}, {}, L"0 of 4 rows"},  // Whole cell
        {nullptr, {{Key(VK_MENU), Key('W')}}, {rows[1][0], rows[2][0]}, L"2 of 4 rows"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << &step - steps);
        FindKeys(step.text, step.keys);
        EXPECT_EQ(Shown(), step.shown);
        EXPECT_EQ(Status(), step.status);
    }
    FindKeys(nullptr, {{Key(VK_ESCAPE)}, {Key(VK_CONTROL), Key('C')}, {Key(VK_CONTROL), Key('A')}});
    EXPECT_EQ(Pasted(), (Table{kCaptions, rows[2]})) << "the selected row the filter hides";
    FindKeys(nullptr, {{Key(VK_ESCAPE)}});
    EXPECT_EQ(Shown(LVNI_SELECTED), (Lines{rows[0][0], rows[1][0], rows[2][0]}));
    EXPECT_EQ(Status(), L"");
    FindKeys(nullptr, {{Key(VK_CONTROL), Key('F')}, {Key(VK_MENU), Key('L')}});
    EXPECT_EQ(Shown().size(), 2u);
    Fill(rows);  // listed anew, as by a search
    EXPECT_EQ(Shown().size(), rows.size());
    EXPECT_EQ(Status(), L"");
}

// One product whole, opened by Alt+Enter: the catalogue's 102 captions as
// built, each beside the focused row's value. Previous and Next move the
// list's focus and the window with it; Ctrl+C copies the selected lines or
// all; Esc closes. Rows appended while it is open move Next on, and a list
// emptied for a search closes it. Not one host call.
TEST_F(Results, DetailsShowTheFocusedRowWholeAndFollowTheList) {
    platform::ListView& list = window.Controls().lvwResults;
    search::BuildColumns(list);
    const auto value = [](const std::wstring& field, int product) {
        if (field.empty()) return std::wstring();
        const std::wstring n = std::to_wstring(product);
        return field == L"CustomMemo01" ? L"a \"memo\"\r\nof\ttwo lines " + n : field + L" " + n;
    };
    const auto add = [&](int product) {
        std::vector<std::wstring> texts(expected::kReadOrder.size());
        std::transform(expected::kReadOrder.begin(), expected::kReadOrder.end(), texts.begin(),
                       [&](const std::wstring& field) { return value(field, product); });
        search::ProductValues values;
        std::copy(texts.begin(), texts.end(), values.begin());
        search::AddRow(list.Items(), values);
    };
    // As copied, or as a line shows it: tabs and line breaks as spaces.
    const auto pairs = [&](int product, bool oneLine) {
        Table out;
        for (size_t c = 0; c < expected::kHeaders.size(); ++c) {
            std::wstring v = value(expected::FieldOf(c), product);
            if (oneLine)
                std::replace_if(
                    v.begin(), v.end(), [](wchar_t ch) { return ch < L' '; }, L' ');
            out.push_back({expected::kHeaders[c], v});
        }
        return out;
    };
    for (int product : {0, 1, 2}) add(product);
    list.ItemsChanged();
    Select(1);
    Input({Key(VK_MENU), Key(VK_RETURN)});
    Pump();
    ASSERT_TRUE(IsWindowVisible(Details()));
    EXPECT_EQ(DetailLines(), pairs(1, true));

    const struct {
        WORD key;
        int shown;
        bool previous, next;
    } steps[] = {{'N', 2, true, false}, {'P', 1, true, true}, {'P', 0, false, true}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.shown);
        Input({Key(VK_MENU), Key(step.key)});
        Pump();
        EXPECT_EQ(DetailLines(), pairs(step.shown, true));
        EXPECT_EQ(Shown(LVNI_FOCUSED), Lines{L"Description " + std::to_wstring(step.shown)});
        EXPECT_EQ(Shown(LVNI_SELECTED), Lines{L"Description " + std::to_wstring(step.shown)});
        EXPECT_EQ(IsWindowEnabled(DetailsChild(WC_BUTTONW, L"&Previous")), step.previous);
        EXPECT_EQ(IsWindowEnabled(DetailsChild(WC_BUTTONW, L"&Next")), step.next);
    }
    HWND lines = DetailsChild(WC_LISTVIEWW);
    SetFocus(lines);
    Input({Key(VK_CONTROL), Key('C')});
    Pump();
    EXPECT_EQ(Pasted(), pairs(0, false));
    ListView_SetItemState(lines, 24, LVIS_SELECTED, LVIS_SELECTED);  // CustomMemo01
    ListView_SetItemState(lines, 66, LVIS_SELECTED, LVIS_SELECTED);  // "ID "
    Input({Key(VK_CONTROL), Key('C')});
    Pump();
    EXPECT_EQ(Pasted(), (Table{pairs(0, false)[24], pairs(0, false)[66]}));
    Input({Key(VK_ESCAPE)});
    Pump();
    EXPECT_FALSE(Details());

    Input({Key(VK_MENU), Key(VK_RETURN)});
    Pump();
    add(3);
    list.RowsAdded(true);
    Pump();
    EXPECT_TRUE(IsWindowEnabled(DetailsChild(WC_BUTTONW, L"&Next")));
    EXPECT_EQ(driver::Text(DetailsChild(L"Static")), L"Row 1 of 4");
    list.Items().Clear();
    list.ItemsChanged();
    EXPECT_FALSE(Details());
    EXPECT_TRUE(com.calls().empty());
    EXPECT_EQ(adds, 0);
}

// Hidden through the header's menu, moved and sized by dragging in the
// header: copy, sort and typing follow the columns shown, each change is kept
// at once, and the next start shows them, the widths scaled at 144 DPI.
// Reset brings back the columns as added and forgets what was kept.
TEST_F(Results, ColumnsHiddenMovedAndSizedAreKeptForTheNextStartUntilReset) {
    Fill({{L"r1", L"v1", L"2", L"d1"}, {L"r2", L"v2", L"1", L"d2"}});
    EXPECT_TRUE(Kept().empty()) << "nothing kept until the user changes a column";
    EXPECT_EQ(FromMenu(RightClickOnHeader(), L"Vendor "),
              (Lines{L"~+Description", L"+Vendor ", L"+Price", L"+Date", L"-",
                     L"Hide empty columns", L"More columns\u2026", L"Reset columns"}));
    Drag(OnHeaderItem(List(), 2, 20), OnHeaderItem(List(), 0, 5));    // Date before Description
    Drag(OnHeaderItem(List(), 1, -2), OnHeaderItem(List(), 1, 128));  // Price 30 pixels wider
    const Header arranged = {{L"Date", 100}, {L"Description", 100}, {L"Price", 130}};
    EXPECT_EQ(Columns(List()), arranged);
    EXPECT_EQ(Kept().size(), 3u);

    Select(0);
    Input({Key(VK_CONTROL), Key('C')});
    Pump();
    EXPECT_EQ(Pasted(), (Table{{L"Date", L"Description", L"Price"}, {L"d1", L"r1", L"2"}}));
    EXPECT_EQ(ClickHeader(1), L"-^-") << "Price, second in the control";
    EXPECT_EQ(Shown(), (Lines{L"r2", L"r1"}));
    Sleep(1100);
    Input({Key('D'), Key('2')});  // found in the first column shown
    Pump();
    EXPECT_EQ(Shown(LVNI_SELECTED), Lines{L"r2"});

    EXPECT_EQ(Columns(Restart(96)->Control(search::kLvwResults)), arranged);
    EXPECT_EQ(Columns(Restart(144)->Control(search::kLvwResults)),
              (Header{{L"Date", 150}, {L"Description", 150}, {L"Price", 195}}));

    FromMenu(RightClickOnHeader(), L"Reset columns");
    EXPECT_EQ(Columns(List()),
              (Header{{L"Description", 100}, {L"Vendor ", 100}, {L"Price", 100}, {L"Date", 100}}));
    EXPECT_EQ(Kept(), Values{});
    HKEY gone = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, kTestKey, 0, KEY_READ, &gone), ERROR_SUCCESS);
}

// A kept layout that is not whole and right is not used, nor touched: the
// columns come as added and the program goes on.
TEST_F(Results, ABadKeptLayoutGivesTheColumnsAsAddedAndIsLeftAsItIs) {
    struct Value {
        const wchar_t* name;
        DWORD type;  // REG_NONE: not there at all
        std::vector<BYTE> bytes;
    };
    const Value good[] = {{L"ColumnOrder", REG_BINARY, {3, 0, 2, 0, 1, 0, 0, 0}},
                          {L"ColumnWidths", REG_BINARY, {44, 1, 44, 1, 44, 1, 44, 1}},
                          {L"HiddenColumns", REG_BINARY, {}}};
    const struct {
        const char* why;
        Value bad;
    } cases[] = {
        {"none bad", good[0]},
        {"wrong type", {L"ColumnOrder", REG_SZ, good[0].bytes}},
        {"wrong length", {L"ColumnWidths", REG_BINARY, {44, 1, 44, 1, 44, 1}}},
        {"unknown column", {L"ColumnOrder", REG_BINARY, {3, 0, 2, 0, 9, 0, 0, 0}}},
        {"a column twice", {L"ColumnOrder", REG_BINARY, {3, 0, 2, 0, 2, 0, 0, 0}}},
        {"all hidden", {L"HiddenColumns", REG_BINARY, {0, 0, 1, 0, 2, 0, 3, 0}}},
        {"missing", {L"HiddenColumns", REG_NONE, {}}},
    };
    const Header asAdded = {
        {L"Description", 100}, {L"Vendor ", 100}, {L"Price", 100}, {L"Date", 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
        for (const Value& v : good) {
            const Value& value = std::wstring(v.name) == c.bad.name ? c.bad : v;
            if (value.type != REG_NONE)
                RegSetKeyValueW(HKEY_CURRENT_USER, kTestKey, value.name, value.type,
                                value.bytes.data(), DWORD(value.bytes.size()));
        }
        const Values before = Kept();
        {
            auto again = Restart(96);
            const Header shown = Columns(again->Control(search::kLvwResults));
            if (&c == cases) {  // the good values: their layout
                EXPECT_EQ(
                    shown,
                    (Header{
                        {L"Date", 20}, {L"Price", 20}, {L"Vendor ", 20}, {L"Description", 20}}));
            } else {
                EXPECT_EQ(shown, asAdded);
            }
            EXPECT_FALSE(again->Ending());
        }
        EXPECT_EQ(Kept(), before);
    }
}

// The list holds no cells the control could measure: a double-click on a
// divider fits the column to the widest of its cells in view, and is kept.
TEST_F(Results, ADoubleClickOnADividerFitsTheColumnToItsCellsInView) {
    Table rows(40, Lines{L"r", L"v", L"1", L"d"});
    rows[1][0] = L"a wider one";
    rows[39][0] = L"the widest description of all, out of view";
    Fill(rows);
    const POINT divider = OnHeaderItem(List(), 0, -2);
    MouseAt(divider, MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP);
    MouseAt(divider, MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_LEFTUP);
    Pump();
    const int width = Columns(List())[0].second;
    EXPECT_GT(width, ListView_GetStringWidth(List(), L"a wider one"));
    EXPECT_LT(width, ListView_GetStringWidth(List(), rows[39][0].c_str()));
    EXPECT_EQ(Kept().size(), 3u);
}

// The columns box from the keyboard alone, in its tab order: typing narrows the list, Alt+H hides,
// Alt+U moves up, Space shows or hides the focused column (the first stays shown), Enter is OK. Esc
// leaves everything as it was. A button's access key moves the focus to it, so Alt+F goes back to
// the Find box.
TEST_F(Results, TheColumnsBoxWorksFromTheKeyboardAlone) {
    // Keys pressed together, by their virtual-key codes ('$' Home, '#' End),
    // '!' for Alt: "!H" is Alt+H.
    const struct {
        std::vector<const char*> keys;  // each pressed in turn
        Header shown;
    } runs[] = {
        {{"DA", "!H", "!F", "\b", "\b", "!U", "!U", "!C", "$", " ", "#", " ", "\r"},
         {{L"Description", 100}, {L"Vendor ", 100}}},
        {{"VE", "!H", "\x1b"}, {{L"Description", 100}, {L"Vendor ", 100}}},
    };
    for (const auto& run : runs) {
        std::thread user([&run] {
            HWND box = nullptr;
            driver::WaitUntil(10000, [&box] { return (box = FindWindowW(L"#32770", L"Columns")); });
            HWND at = GetDlgItem(box, win32::kColumnsFindId);
            for (int id : std::initializer_list<int>{win32::kColumnsListId, win32::kColumnsUpId,
                                                     win32::kColumnsDownId, win32::kColumnsShowId,
                                                     win32::kColumnsHideId, IDOK, IDCANCEL,
                                                     win32::kColumnsFindId}) {
                at = GetNextDlgTabItem(box, at, FALSE);
                EXPECT_EQ(GetDlgCtrlID(at), id);
            }
            for (const char* keys : run.keys) {
                std::vector<INPUT> in;
                for (const char* k = keys; *k; ++k) in.push_back(Key(*k == '!' ? VK_MENU : *k));
                Input(in);
                Sleep(100);
            }
        });
        FromMenu(RightClickOnHeader(), L"More columns\u2026");
        user.join();
        EXPECT_EQ(Columns(List()), run.shown);
    }
    // Date hidden and moved up twice, Price hidden; Description and Vendor shown.
    EXPECT_EQ(Kept()[L"ColumnOrder"].second, (std::vector<BYTE>{0, 0, 3, 0, 1, 0, 2, 0}));
}

// ============================================================================
// The automation layer, its conversions and the number rules
// ============================================================================

// An object whose members show what arrived and how (the types and passing
// of every argument the program sends are the end-to-end call logs'):
//   Echo(x)             x, by value
//   Typed(name)         a value of the kind named: "R8", "Big", "CY", ...
//   Change(s&, i&, d&)  only these types: s gains "!", i doubles, d adds 0.5
//   Flags               the dispatch flags of this call
//   Fail, FailNumbered  raise, with a description and source
//   Self                a new reference to this object
// It lives on the test's stack; refs counts the references held to it.
class Probe final : public IDispatch {
  public:
    ULONG refs = 1;
    int calls = 0;  // Invoke

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        *out = iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) ? this : nullptr;
        if (!*out) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    // No type information: callers go by name.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID,
                                            DISPID* id) override {
        for (DISPID m = 0; m < DISPID(std::size(kMembers)); ++m) {
            if (_wcsicmp(kMembers[m], names[0]) == 0) {
                *id = m;
                return S_OK;
            }
        }
        *id = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p,
                                     VARIANT* result, EXCEPINFO* ei, UINT*) override {
        ++calls;
        const UINT n = p->cArgs;
        VARIANT* args = p->rgvarg;  // last argument first
        switch (id) {
            case kEcho:
                return n == 1 ? VariantCopyInd(result, &args[0]) : DISP_E_BADPARAMCOUNT;
            case kTyped:
                return n == 1 && args[0].vt == VT_BSTR ? Typed(args[0].bstrVal, result)
                                                       : DISP_E_BADPARAMCOUNT;
            case kChange: {
                if (n != 3) return DISP_E_BADPARAMCOUNT;
                if (args[2].vt != (VT_BYREF | VT_BSTR) || args[1].vt != (VT_BYREF | VT_I2) ||
                    args[0].vt != (VT_BYREF | VT_R8))
                    return DISP_E_TYPEMISMATCH;
                BSTR& s = *V_BSTRREF(&args[2]);
                const std::wstring changed = std::wstring(s, SysStringLen(s)) + L"!";
                SysFreeString(s);
                s = SysAllocString(changed.c_str());
                *V_I2REF(&args[1]) = SHORT(*V_I2REF(&args[1]) * 2);
                *V_R8REF(&args[0]) += 0.5;
                return S_OK;
            }
            case kFlags:
                V_VT(result) = VT_I4;
                V_I4(result) = flags;
                return S_OK;
            case kFail:
            case kFailNumbered:
                *ei = {};
                ei->bstrSource = SysAllocString(L"Test.Server");
                ei->bstrDescription = SysAllocString(L"The part is unknown");
                ei->scode = id == kFail ? SCODE(0x80040201)
                                        : MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, 1234);
                return DISP_E_EXCEPTION;
            case kSelf:
                AddRef();
                V_VT(result) = VT_DISPATCH;
                V_DISPATCH(result) = this;
                return S_OK;
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
    }

  private:
    static HRESULT Typed(const wchar_t* name, VARIANT* v) {
        const std::wstring_view kind = name;
        V_VT(v) = kind == L"R8" || kind == L"Big" ? VT_R8
                  : kind == L"CY"                 ? VT_CY
                  : kind == L"I4"                 ? VT_I4
                  : kind == L"I2"                 ? VT_I2
                  : kind == L"Null"               ? VT_NULL
                  : kind == L"Bool"               ? VT_BOOL
                  : kind == L"Date"               ? VT_DATE
                                                  : VT_EMPTY;
        V_R8(v) = kind == L"Big" ? 1e20 : 2.5;
        if (kind == L"CY") V_CY(v).int64 = -123400;  // -12.34
        if (kind == L"I4") V_I4(v) = -70000;
        if (kind == L"I2") V_I2(v) = 3;
        if (kind == L"Bool") V_BOOL(v) = VARIANT_TRUE;
        if (kind == L"Date") V_DATE(v) = 46000.5;
        return S_OK;
    }
    enum : DISPID { kEcho, kTyped, kChange, kFlags, kFail, kFailNumbered, kSelf };
    static constexpr const wchar_t* kMembers[] = {L"Echo", L"Typed",        L"Change", L"Flags",
                                                  L"Fail", L"FailNumbered", L"Self"};
};

class AutomationWin : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    static void TearDownTestSuite() { CoUninitialize(); }
    void TearDown() override {
        root_.reset();
        EXPECT_EQ(probe_.refs, 1u) << "references left on the object";
    }

    Probe probe_;
    Object root_ = std::make_unique<win32::DispatchWin>(win32::ComPtr<IDispatch>(&probe_));
    win32::AutomationWin com_;
};

TEST_F(AutomationWin, ReferencesArriveWithTheirTypesInCallOrderAndComeBackChanged) {
    std::wstring s = L"part";
    int16_t i = 21;
    double d = 2.5;
    std::array<Arg, 3> refs{Arg::Ref(s), Arg::Ref(i), Arg::Ref(d)};
    platform::Invoke(*root_, L"Change", refs);
    EXPECT_EQ(s, L"part!");
    EXPECT_EQ(i, 42);
    EXPECT_EQ(d, 3.0);
}

// Field names are made once and passed to thousands of calls; each result
// lands in the caller's variant, whatever it held before.
TEST_F(AutomationWin, TextMadeOnceServesEveryCallAndResultsReplaceTheVariant) {
    const auto six = com_.MakeText(L"6");
    std::array<Arg, 1> text{Arg::Val(*six)};
    Variant result(L"a longer text than any answer");
    std::vector<win32::Bstr> others;  // would take the text's memory, were it freed by a call
    for (int i = 0; i < 3; ++i) {
        platform::Invoke(*root_, L"Echo", text, result);
        ASSERT_NE(result.get<std::wstring>(), nullptr);
        EXPECT_EQ(*result.get<std::wstring>(), L"6");
        others.emplace_back(L"9");
    }
    EXPECT_EQ(six->view(), L"6");
}

// A row's field reads: each text goes by value, whoever made it, and each
// answer is handed over before the next call, as text where the run has room
// for it; one refused ends the run.
TEST_F(AutomationWin, ARunOfCallsHandsOverEachAnswerBeforeTheNext) {
    struct Foreign final : platform::Text {
        std::wstring_view view() const override { return L"b"; }
    } b;
    const auto a = com_.MakeText(L"a"), c = com_.MakeText(L"c");
    struct Reads final : platform::CallRun {
        std::array<const platform::Text*, 3> texts;
        std::array<Variant, 3> answers;
        std::wstring text;  // the second answer's
        std::wstring seen;
        size_t refuse = 3;
        size_t size() const override { return texts.size(); }
        const platform::Text& Argument(size_t i) const override { return *texts[i]; }
        Variant& Answer(size_t i) override { return answers[i]; }
        std::wstring* TextSlot(size_t i) override { return i == 1 ? &text : nullptr; }
        void Answered(size_t i, bool asText) override {
            EXPECT_EQ(asText, i == 1);
            seen += asText ? text : *answers[i].get<std::wstring>();
            if (i == refuse) throw RuntimeError(platform::err::kTypeMismatch);
        }
    } reads;
    reads.texts = {a.get(), &b, c.get()};
    root_->CallEach(L"Echo", platform::CallKind::Method, reads);
    EXPECT_EQ(reads.seen, L"abc");
    EXPECT_EQ(reads.text, L"b");
    EXPECT_TRUE(reads.answers[1].IsEmpty());
    EXPECT_EQ(probe_.calls, 3);

    reads.seen.clear();
    reads.refuse = 1;
    EXPECT_EQ(ErrorOf([&] { root_->CallEach(L"Echo", platform::CallKind::Method, reads); }), 13);
    EXPECT_EQ(reads.seen, L"ab");
    EXPECT_EQ(probe_.calls, 5);
}

// Answers a run takes as text read as ToString writes each value; what the
// platform cannot write at once (an exponent, Null, a Boolean, a date) comes
// as the value, for ToString's own way.
TEST_F(AutomationWin, ARunsAnswersAsTextReadAsToStringWritesThem) {
    static constexpr const wchar_t* kinds[] = {L"R8",    L"Big",  L"CY",   L"I4",  L"I2",
                                               L"Empty", L"Null", L"Bool", L"Date"};
    struct Reads final : platform::CallRun {
        std::vector<std::unique_ptr<const platform::Text>> names;
        std::array<Variant, std::size(kinds)> answers;
        std::array<std::wstring, std::size(kinds)> texts;
        std::wstring asText;  // '1' for each answer that came as text
        size_t size() const override { return names.size(); }
        const platform::Text& Argument(size_t i) const override { return *names[i]; }
        Variant& Answer(size_t i) override { return answers[i]; }
        std::wstring* TextSlot(size_t i) override { return &texts[i]; }
        void Answered(size_t, bool text) override { asText += text ? L'1' : L'0'; }
    } reads;
    for (const wchar_t* kind : kinds) reads.names.push_back(com_.MakeText(kind));
    root_->CallEach(L"Typed", platform::CallKind::Method, reads);
    EXPECT_EQ(reads.asText, L"101111000");
    for (size_t i = 0; i < std::size(kinds); ++i) {
        std::array<Arg, 1> name{Arg::Val(*reads.names[i])};
        const Variant value = platform::Invoke(*root_, L"Typed", name);
        if (reads.asText[i] == L'1') {
            EXPECT_EQ(reads.texts[i], com_.ToString(value)) << kinds[i];
        } else if (!value.IsNull()) {
            EXPECT_EQ(com_.ToString(reads.answers[i]), com_.ToString(value)) << kinds[i];
        }
    }
    EXPECT_TRUE(reads.answers[6].IsNull());
}

TEST_F(AutomationWin, PropertyReadsAndMethodCallsUseTheirDispatchFlags) {
    EXPECT_EQ(com_.ToLong(platform::Get(*root_, L"Flags")), DISPATCH_PROPERTYGET);
    EXPECT_EQ(com_.ToLong(platform::Invoke(*root_, L"Flags")),
              DISPATCH_METHOD | DISPATCH_PROPERTYGET);
}

TEST_F(AutomationWin, FailuresRaiseTheirNumberDescriptionAndSource) {
    try {
        platform::Invoke(*root_, L"Fail");
        ADD_FAILURE() << "Fail must raise";
    } catch (const RuntimeError& e) {
        EXPECT_EQ(e.number(), static_cast<int32_t>(0x80040201));
        EXPECT_EQ(e.description(), L"The part is unknown");
        EXPECT_EQ(e.source(), L"Test.Server");
    }
    EXPECT_EQ(ErrorOf([&] { platform::Invoke(*root_, L"FailNumbered"); }), 1234);
    EXPECT_EQ(ErrorOf([&] { platform::Invoke(*root_, L"NoSuchMember"); }), 438);
    EXPECT_EQ(ErrorOf([&] { platform::Invoke(*root_, L"Change"); }), 450);
    EXPECT_EQ(ErrorOf([&] { com_.GetRunningObject(L"Skuvane.NoSuchClass"); }), 429);
    EXPECT_EQ(ErrorOf([&] { com_.CreateObject(L"Skuvane.NoSuchClass"); }), 429);
}

// Every reference a call returns has one owner, and a call that fails midway
// leaves none behind; the fixture checks the count once all are gone.
TEST_F(AutomationWin, ObjectsAreReleasedWithTheirOwners) {
    EXPECT_EQ(probe_.refs, 2u);
    {
        Object self = platform::GetObjectMember(*root_, L"Self");
        Variant held = platform::Invoke(*self, L"Self");
        ASSERT_NE(held.get<Object>(), nullptr);
        EXPECT_EQ(probe_.refs, 4u);
        platform::Invoke(*root_, L"Flags", {}, held);  // a result replaces the object
        EXPECT_EQ(probe_.refs, 3u);
        EXPECT_EQ(ErrorOf([&] { platform::Invoke(*self, L"Fail"); }),
                  static_cast<int32_t>(0x80040201));
        EXPECT_EQ(probe_.refs, 3u);
    }
    EXPECT_EQ(probe_.refs, 2u);
}

using Conversions = AutomationWin;

// Halves, Empty, numbers in text and Null are the end-to-end odd answers'
// (2.5 databases, an empty or "3" find, a Null add).
TEST_F(Conversions, NumbersOverflowAndRejectText) {
    EXPECT_EQ(com_.ToInteger(Variant(int32_t{32767})), 32767);
    EXPECT_EQ(com_.ToInteger(Variant(3.5)), 4);
    EXPECT_EQ(com_.ToInteger(Variant(true)), -1);
    EXPECT_EQ(ErrorOf([&] { com_.ToInteger(Variant(int32_t{32768})); }), 6);
    EXPECT_EQ(ErrorOf([&] { com_.ToInteger(Variant(L"40000")); }), 6);
    EXPECT_EQ(ErrorOf([&] { com_.ToInteger(Variant(L"abc")); }), 13);
    EXPECT_EQ(ErrorOf([&] { com_.ToLong(Variant(L"")); }), 13);
    // Nothing has no value to read; an array no single one.
    EXPECT_EQ(ErrorOf([&] { com_.ToInteger(Variant(Object())); }), 91);
    EXPECT_EQ(ErrorOf([&] { com_.ToLong(Variant(platform::Array{})); }), 13);
    EXPECT_EQ(ErrorOf([&] { com_.ToInteger(Variant(Decimal{0, false, 0, 5000000000})); }), 6);
}

TEST_F(Conversions, ComparisonsWithConstants) {
    EXPECT_EQ(com_.Compare(Variant(int32_t{0}), Variant(int16_t{0})), Order::Equal);
    EXPECT_EQ(com_.Compare(Variant(int32_t{-3}), Variant(int16_t{0})), Order::Less);
    EXPECT_EQ(com_.Compare(Variant(L"2"), Variant(int16_t{0})), Order::Greater);
    EXPECT_EQ(com_.Compare(Variant(false), Variant(false)), Order::Equal);
    EXPECT_EQ(com_.Compare(Variant(int16_t{0}), Variant(false)), Order::Equal);
    EXPECT_EQ(com_.Compare(Variant(true), Variant(false)), Order::Less);
    EXPECT_EQ(com_.Compare(Variant(Null{}), Variant(false)), Order::Null);
    EXPECT_EQ(com_.Compare(Variant(), Variant(int16_t{0})), Order::Equal);
    EXPECT_EQ(ErrorOf([&] { com_.Compare(Variant(L"many"), Variant(int16_t{0})); }), 13);
}

// Quantities typed as halves, blank or in words are the chaos run's adds and
// the German end-to-end add; here the blanks around a number and the bounds.
TEST(NumberRulesWin, TypedNumbers) {
    win32::NumberRulesWin numbers;
    EXPECT_TRUE(numbers.IsNumeric(L" 12 "));
    EXPECT_EQ(numbers.ToDouble(L"2.25"), 2.25);
    int16_t out = 0;
    EXPECT_TRUE(numbers.ToInteger(L"-32768", out));
    EXPECT_EQ(out, -32768);
    EXPECT_FALSE(numbers.ToInteger(L"32768", out));
    EXPECT_FALSE(numbers.ToInteger(L"1e10", out));
}

}  // namespace
