// The result list in the real window, driven through the system's input:
// type to find, sort by a header, copy, select all and the context menu.
// The test command runs it under LC_ALL=de_DE.UTF-8 too.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "platform/win32/automation_win.h"
#include "platform/win32/numbers_win.h"
#include "standin/client/driver_win.h"

namespace {

using Lines = std::vector<std::wstring>;
using Table = std::vector<Lines>;

const Lines kCaptions = {L"Description", L"Vendor ", L"Price", L"Date"};

// Input as the user's keyboard and mouse give it: the keys pressed in turn
// and let go in reverse order ("Shift+F10").
void Input(std::vector<INPUT> in) {
    for (size_t i = in.size(); i-- > 0;) {
        if (in[i].type != INPUT_KEYBOARD) continue;
        in.push_back(in[i]);
        in.back().ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
}
INPUT Key(WORD vk) { return {INPUT_KEYBOARD, {.ki = {vk, 0, 0, 0, 0}}}; }

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

// The real frmMain in the real window, its list focused; the Add button's
// handler only counts.
class Results : public ::testing::Test {
  protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
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
    void Pump(DWORD ms = 300) const {
        const ULONGLONG end = GetTickCount64() + ms;
        for (MSG msg; GetTickCount64() < end; Sleep(5)) {
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                win32::DispatchToWindow(window.hwnd(), msg);
        }
    }
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

    app::MainWindow window;
    win32::AutomationWin com;
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
// in the locale's order ignoring case; empty cells last, ties in found order.
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
    };
    Fill(rows);
    Select(1);  // r2, which stays selected and focused
    const struct {
        int column;
        Lines shown;
        const wchar_t* arrows;
    } clicks[] = {
        {1, {L"r2", L"r4", L"r3", L"r5", L"r1"}, L"-^--"},
        {2, {L"r4", L"r2", L"r1", L"r5", L"r3"}, L"--^-"},
        {3, {L"r3", L"r2", L"r5", L"r1", L"r4"}, L"---^"},
        {3, {L"r4", L"r1", L"r2", L"r5", L"r3"}, L"---v"},
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.arrows);
        EXPECT_EQ(ClickHeader(click.column), click.arrows);
        EXPECT_EQ(Shown(), click.shown);
        EXPECT_EQ(Shown(LVNI_SELECTED), Lines{L"r2"});
        EXPECT_EQ(Shown(LVNI_FOCUSED), Lines{L"r2"});
    }
    Select(0);
    Input({Key(VK_CONTROL), Key('C')});
    Pump();
    EXPECT_EQ(Pasted(), (Table{kCaptions, rows[3], rows[1]}));
    Input({Key(VK_CONTROL), Key('A')});
    Input({Key(VK_CONTROL), Key('C')});
    Pump();
    EXPECT_EQ(Shown(LVNI_SELECTED).size(), rows.size());
    EXPECT_EQ(Pasted().size(), rows.size() + 1);  // every row, in the model too
    Fill(rows);  // listed anew, as by a search: found order, no arrow, nothing selected
    EXPECT_EQ(Shown(), (Lines{L"r1", L"r2", L"r3", L"r4", L"r5"}));
    EXPECT_EQ(Shown(LVNI_SELECTED), Lines{});
    EXPECT_EQ(Shown(LVNI_FOCUSED), Lines{});
    const platform::ListItems& model = window.Controls().lvwResults.Items();
    EXPECT_EQ(model.SelectedPosition(), 0);
    for (int pos = 1; pos <= int(rows.size()); ++pos) EXPECT_FALSE(model.Selected(pos)) << pos;
    EXPECT_EQ(ClickHeader(-1), L"----");
}

// The menu opens from the menu key, a right-click and Shift+F10, offers its
// three items with their keys, and its Add runs the Add button's handler.
TEST_F(Results, TheContextMenuOffersAddCopyAndSelectAll) {
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
    for (int item = 0; item < 3; ++item) {
        SCOPED_TRACE(item);
        Select(0);
        Lines offered;
        std::atomic<bool> picked = false;
        std::thread user([&offered, &picked, item] {  // picks the item with the keyboard
            HWND menu = nullptr;
            driver::WaitUntil(
                10000, [&menu] { return IsWindowVisible(menu = FindWindowW(L"#32768", nullptr)); });
            auto* items = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
            for (int i = 0; i < GetMenuItemCount(items); ++i) {
                wchar_t text[64] = {};
                GetMenuStringW(items, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
                offered.emplace_back(text);
            }
            for (int i = 0; i <= item; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
            picked = true;
        });
        Input(ways[item]);
        for (int i = 0; i < 100 && !picked; ++i) Pump(100);  // the menu runs in here
        Pump();
        user.join();
        EXPECT_EQ(offered, (Lines{L"Add selected product(s) to quote", L"Copy\tCtrl+C",
                                  L"Select All\tCtrl+A"}));
        EXPECT_EQ(adds, 1);
    }
    EXPECT_EQ(Pasted(), (Table{kCaptions, {L"One", L"v", L"1", L"d"}}));  // Copy
    EXPECT_EQ(Shown(LVNI_SELECTED).size(), 2u);                           // Select All
}

}  // namespace
