// A long search as the user lives it: rows show as they are read, Esc stops
// it, and other input waits for its end. Skuvane.exe against the stand-in in
// its own process, where a row costs tens of milliseconds, watched from here.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "standin/client/driver_win.h"
#include "tests/wine/e2e/host_calls.h"

namespace {

using namespace e2e;
using driver::WaitUntil;

const std::wstring kMany = L"Many";  // generated from the samples; every part number has "-G"
constexpr int kManyRows = 200;
constexpr DWORD kWaitMs = 20000;
constexpr DWORD kSearchWaitMs = 120000;  // 200 rows on a loaded machine
// What this test adds to a row's wait to be listed: its 20 ms polls, and a
// loaded machine's scheduling.
constexpr ULONGLONG kLagMarginMs = 100;

// Whether the list's first row shows on the screen: dark pixels in its first
// cell, right under the header, where a blank list is all background.
bool FirstRowOnScreen(HWND list) {
    RECT header;
    GetWindowRect(reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0)), &header);
    const int width = 120, height = 12;
    HDC screen = GetDC(nullptr);
    HDC copy = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(copy, bitmap);
    BitBlt(copy, 0, 0, width, height, screen, header.left, header.bottom + 2, SRCCOPY);
    int dark = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const COLORREF c = GetPixel(copy, x, y);
            dark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
        }
    }
    SelectObject(copy, old);
    DeleteObject(bitmap);
    DeleteDC(copy);
    ReleaseDC(nullptr, screen);
    return dark > 0;
}

// Skuvane.exe with its window open, on "ManufacturerPartNumber Contains -".
struct Skuvane {
    driver::Process process = driver::Process::Start(driver::WindowsPath(SKUVANE_EXE));
    HWND window = driver::WaitWindow(process.pid(), L"Skuvane.frmMain", kWaitMs);

    HWND control(search::ControlId id) const { return GetDlgItem(window, app::ControlIdOf(id)); }
    HWND list() const { return control(search::kLvwResults); }
    std::wstring Status() const { return driver::Text(control(search::kLblStatus)); }
    int Count() const { return int(SendMessageW(list(), LVM_GETITEMCOUNT, 0, 0)); }
    void Press(search::ControlId id) const { driver::Press(window, app::ControlIdOf(id)); }
    // The choosers' databases: "<All Product Databases>" first.
    std::vector<std::wstring> Databases() const {
        return driver::ComboItems(control(search::kCboProductDatabase));
    }
    void Search(size_t database) const {
        SendMessageW(control(search::kCboProductDatabase), CB_SETCURSEL, database, 0);
        SendMessageW(control(search::kCboOperator), CB_SETCURSEL, 7, 0);  // Contains
        SendMessageW(control(search::kTxtSearchFor), WM_SETTEXT, 0, LPARAM(L"-"));
        Press(search::kCmdSearch);
    }
    // Esc as a key posted to the focused control, or typed on the keyboard.
    void Escape(bool typed) const {
        if (typed) {
            SetForegroundWindow(window);
            INPUT keys[2] = {};
            for (INPUT& k : keys) {
                k.type = INPUT_KEYBOARD;
                k.ki.wVk = VK_ESCAPE;
            }
            keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
            SendInput(2, keys, sizeof(INPUT));
            return;
        }
        GUITHREADINFO gui = {};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui);
        PostMessageW(gui.hwndFocus ? gui.hwndFocus : window, WM_KEYDOWN, VK_ESCAPE, 1);
    }
};

class LongSearch : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(host.Start()) << host.error();
        app.emplace();
        ASSERT_TRUE(app->window) << "no window";
        ASSERT_EQ(app->Databases().back(), kMany);
        SetForegroundWindow(app->window);
        ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return !FirstRowOnScreen(app->list()); }))
            << "the empty list is not on the screen as itself";
        host.ClearLog();
    }
    void TearDown() override {
        if (app && app->process.Running()) {
            app->Press(search::kCmdClose);
            EXPECT_EQ(app->process.WaitExit(kWaitMs), std::optional<DWORD>(0));
        }
        ExpectNoReferencesLeft(host);
    }
    std::vector<std::string> Search(const std::wstring& db, int rows) const {
        return DatabaseSearch(db, L"ManufacturerPartNumber", L"Contains", L"-", rows);
    }

    standin_client::StandIn host{
        {{"generate", {{"name", standin::Utf8(kMany)}, {"count", kManyRows}}}}};
    std::optional<Skuvane> app;
};

// Rows whose last field the host has handed over, from its log as it grows.
class RowsRead {
  public:
    explicit RowsRead(const std::wstring& log)
        : file_(CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr)) {}
    ~RowsRead() { CloseHandle(file_); }
    RowsRead(const RowsRead&) = delete;
    RowsRead& operator=(const RowsRead&) = delete;

    int Count() {
        char buffer[65536];
        DWORD n = 0;
        while (ReadFile(file_, buffer, sizeof buffer, &n, nullptr) && n > 0) {
            tail_.append(buffer, n);
            for (size_t at; (at = tail_.find(last_)) != std::string::npos; ++rows_)
                tail_.erase(0, at + last_.size());
            if (tail_.size() > last_.size()) tail_.erase(0, tail_.size() - last_.size());
        }
        return rows_;
    }

  private:
    HANDLE file_;
    const std::string last_ = RowReads(1).back();
    std::string tail_;
    int rows_ = 0;
};

TEST_F(LongSearch, RowsShowAsTheyAreReadAndTheHostHearsTheSameCalls) {
    RowsRead read(host.LogPath());
    app->Search(app->Databases().size() - 1);
    std::vector<ULONGLONG> readAt, shownAt;  // by row: when the host handed it over, and listed
    std::vector<std::wstring> firstRow;
    int readWhenDrawn = -1;
    ASSERT_TRUE(WaitUntil(kSearchWaitMs,
                          [&] {
                              const ULONGLONG now = GetTickCount64();
                              const int shown = app->Count();
                              readAt.resize(size_t(read.Count()), now);
                              shownAt.resize(size_t(shown), now);
                              if (shown > 0 && readWhenDrawn < 0) {
                                  const bool drawn = WaitUntil(
                                      1000, [&] { return FirstRowOnScreen(app->list()); });
                                  readWhenDrawn = drawn ? read.Count() : kManyRows;
                                  const driver::RemoteListView view(app->list());
                                  for (int c = 0; c < view.ColumnCount(); ++c)
                                      firstRow.push_back(view.Text(0, c));
                              }
                              return app->Status() == L"Finished search";
                          }))
        << "status \"" << standin::Utf8(app->Status()) << "\"";

    ASSERT_EQ(app->Count(), kManyRows);
    EXPECT_LT(readWhenDrawn, 2) << "the first row was not on the screen before the second's end";
    // Whole when it first showed: every cell as it stays.
    const driver::RemoteListView view(app->list());
    for (size_t c = 0; c < firstRow.size(); ++c) EXPECT_EQ(firstRow[c], view.Text(0, int(c)));
    ULONGLONG worst = 0;
    for (size_t r = 0; r < std::min(readAt.size(), shownAt.size()); ++r)
        worst = std::max(worst, shownAt[r] - std::min(shownAt[r], readAt[r]));
    EXPECT_LE(worst, 100 + kLagMarginMs) << "the longest a row was read and not yet listed, in ms";
    EXPECT_EQ(Calls(host), Search(kMany, kManyRows));
}

// Esc during a search of one database after 50 rows (posted to the focused
// control), and during the second database of all (typed).
TEST_F(LongSearch, EscStopsAfterTheRowBeingReadAndLeavesTheRowsToAdd) {
    for (const bool all : {false, true}) {
        SCOPED_TRACE(all ? "all databases, Esc typed" : "one database, Esc posted");
        host.ClearLog();
        const std::vector<std::wstring> dbs = app->Databases();
        app->Search(all ? 0 : dbs.size() - 1);
        if (all) {
            ASSERT_TRUE(WaitUntil(
                kSearchWaitMs, [&] { return app->Status() == L"Searching " + dbs[2] + L"..."; }));
        }
        const int at = app->Count() + 50;
        ASSERT_TRUE(WaitUntil(kSearchWaitMs, [&] { return app->Count() >= at; }));
        app->Escape(all);
        ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return app->Status() == L"Search stopped"; }))
            << "status \"" << standin::Utf8(app->Status()) << "\"";

        // Every row read is listed, and the log ends at the last one's last field.
        const int listed = app->Count();
        const std::vector<std::string> calls = Calls(host);
        int before = 0;  // rows of the first database, in the all-databases search
        for (size_t i = 0, clears = 0; i < calls.size() && all; ++i) {
            clears += calls[i] == "ItemFunctions.MLIBufferClear()";
            before += clears == 1 && calls[i].find("SLIBufferCopy") != std::string::npos;
        }
        std::vector<std::string> expected;
        if (all) {
            expected = {"Application.ProductDatabases()", "ProductDatabases.Count()"};
            Append(expected, DatabaseName(1));
            Append(expected, Search(dbs[1], before));
            Append(expected, DatabaseName(2));
        }
        Append(expected, Search(all ? dbs[2] : kMany, listed - before));
        EXPECT_EQ(calls, expected);
        EXPECT_EQ(host.Outstanding(), 0);

        driver::RemoteListView(app->list()).Select({listed - 1});
        app->Press(search::kCmdAddToQuote);
        ASSERT_TRUE(driver::AnswerInputBox(app->process.pid(), L"1", true, kWaitMs));
        const auto box = driver::WaitMessageBox(app->process.pid(), kWaitMs);
        ASSERT_TRUE(box);
        EXPECT_NE(box->text.find(L"Product(s) added to current quote"), std::wstring::npos);
        driver::Press(box->hwnd, IDOK);
        ASSERT_TRUE(WaitUntil(kWaitMs, [&] { return !IsWindow(box->hwnd); }));
    }
}

// A Search and a Close clicked during a search wait for its end: the search
// reads every row, then the second search runs, then the window closes.
TEST_F(LongSearch, ClicksDuringTheSearchWaitForItsEnd) {
    const std::wstring db = app->Databases()[3];
    app->Search(3);
    ASSERT_TRUE(WaitUntil(kSearchWaitMs, [&] { return app->Count() >= 3; }));
    app->Press(search::kCmdSearch);
    app->Press(search::kCmdClose);
    EXPECT_FALSE(app->process.WaitExit(1000)) << "closed during the search";
    ASSERT_EQ(app->process.WaitExit(kSearchWaitMs), std::optional<DWORD>(0));

    const std::vector<std::string> calls = Calls(host);
    const auto copies = std::count_if(calls.begin(), calls.end(), [](const std::string& c) {
        return c.find("SLIBufferCopyFromMLIBuffer") != std::string::npos;
    });
    std::vector<std::string> twice = Search(db, int(copies / 2));
    Append(twice, Search(db, int(copies / 2)));
    EXPECT_EQ(calls, twice);
    EXPECT_GT(copies, 6);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const standin_client::Registration registration;
    if (!registration.ok()) return 1;
    const int rc = RUN_ALL_TESTS();
    standin_client::WaitUntilNoneRunning();
    return rc;
}
