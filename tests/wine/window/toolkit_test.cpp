// The toolkit over the real controls of the window: choosers, the value box,
// the status line, the virtual result list and the pointer.
#include <gtest/gtest.h>
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <memory>

#include "app/main_window.h"
#include "platform/error.h"
#include "standin/client/driver_win.h"

namespace {

struct Window {
    Window() {
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
    }
    app::MainWindow window{96};
    search::Controls c = window.Controls();
    HWND list = window.Control(search::kLvwResults);
};

std::shared_ptr<const platform::ListItems::KeySet> Keys() {
    return std::make_shared<const platform::ListItems::KeySet>(
        platform::ListItems::KeySet{L"Vendor", L"Price"});
}

void AddRows(platform::ListItems& items, int first, int count) {
    auto keys = Keys();
    for (int i = first; i < first + count; ++i) {
        std::wstring n = std::to_wstring(i);
        std::wstring vendor = L"Vendor " + n, price = L"9." + n;
        std::wstring_view sv[] = {vendor, price};
        items.Add(n + L"key", L"Product " + n, L"PN-" + n, keys, sv);
    }
}

TEST(ToolkitChooser, TextIsTheSelectedEntryAndABadPositionRaises) {
    Window w;
    auto& cbo = w.c.cboOperator;
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

TEST(ToolkitList, DoubleClickOnTheListRunsItsHandler) {
    Window w;
    int clicks = 0;
    w.window.Bind({{L"lvwResults_DblClick", [&] { ++clicks; }}});
    AddRows(w.c.lvwResults.Items(), 0, 3);
    w.c.lvwResults.AddColumn(L"Description", 1440);
    w.c.lvwResults.ItemsChanged();
    w.window.Show();
    RECT r;
    ListView_GetItemRect(w.list, 1, &r, LVIR_LABEL);
    LPARAM at = MAKELPARAM(r.left + 5, (r.top + r.bottom) / 2);
    SendMessageW(w.list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(w.list, WM_LBUTTONUP, 0, at);
    SendMessageW(w.list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(w.list, WM_LBUTTONUP, 0, at);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(w.c.lvwResults.Items().SelectedPosition(), 2);
    EXPECT_TRUE(w.c.lvwResults.Items().Selected(2));
}

TEST(ToolkitPointer, HourglassHoldsOverTheWindowUntilReset) {
    Window w;
    auto& ui = w.window.Ui();
    HWND hwnd = w.window.hwnd();
    HWND txt = w.window.Control(search::kTxtSearchFor);
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

}  // namespace
