#include "standin/app/window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "standin/model/com_win.h"

namespace standin {

namespace {

constexpr const wchar_t* kClassName = L"VantoraStandInWindow";
constexpr int kDocumentsHeight = 110;
constexpr int kGap = 6;
constexpr int kBusyCommand = 100;

struct Column {
    const wchar_t* title;
    int width;
};

const Column kDocumentColumns[] = {{L"Open quote documents", 420}, {L"Lines", 80}};
const Column kLineColumns[] = {{L"#", 40},        {L"Description", 260},
                               {L"Vendor", 150},  {L"Part number", 150},
                               {L"Quantity", 80}, {L"Unit price", 90}};

HWND MakeList(HWND parent, int id, const Column* columns, size_t count) {
    HWND list = CreateWindowExW(
        WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL, 0, 0,
        0, 0, parent, reinterpret_cast<HMENU>(INT_PTR(id)), nullptr, nullptr);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    for (size_t i = 0; i < count; ++i) {
        LVCOLUMNW c = {};
        c.mask = LVCF_TEXT | LVCF_WIDTH;
        c.pszText = const_cast<wchar_t*>(columns[i].title);
        c.cx = columns[i].width;
        ListView_InsertColumn(list, int(i), &c);
    }
    return list;
}

void AddRow(HWND list, int row, std::initializer_list<std::wstring> cells) {
    int col = 0;
    for (const std::wstring& text : cells) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = col;
        item.pszText = const_cast<wchar_t*>(text.c_str());
        if (col++ == 0) {
            ListView_InsertItem(list, &item);
        } else {
            ListView_SetItem(list, &item);
        }
    }
}

std::wstring QuantityText(double q) {
    wchar_t buf[32];
    std::swprintf(buf, 32, L"%g", q);
    return buf;
}

}  // namespace

bool MainWindow::Create(HINSTANCE instance, int show) {
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    // Across the top of the screen, a third of its height at most: Skuvane
    // opens centred, and both windows stay in view side by side.
    RECT work = {0, 0, 1024, 768};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int width = std::min(820, int(work.right - work.left) - 16);
    const int height = std::min(320, int(work.bottom - work.top) / 3);
    // The menu lets a person play a host with a modal dialog open.
    HMENU menu = CreateMenu();
    AppendMenuW(menu, MF_STRING, kBusyCommand, L"Busy for 15 s");
    hwnd_ = CreateWindowExW(0, kClassName, L"Vantora (stand-in)", WS_OVERLAPPEDWINDOW,
                            work.left + (work.right - work.left - width) / 2, work.top + 8, width,
                            height, nullptr, menu, instance, this);
    if (!hwnd_) return false;
    Refresh();
    ShowWindow(hwnd_, show);
    return true;
}

LRESULT CALLBACK MainWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_CREATE:
            self->documents_ = MakeList(hwnd, 1, kDocumentColumns, std::size(kDocumentColumns));
            self->lines_ = MakeList(hwnd, 2, kLineColumns, std::size(kLineColumns));
            return 0;
        case WM_SIZE:
            self->Layout();
            return 0;
        case WM_COMMAND:
            if (LOWORD(wp) == kBusyCommand) BusyFor(15000);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void MainWindow::Layout() {
    RECT rc;
    GetClientRect(hwnd_, &rc);
    const int w = rc.right - 2 * kGap;
    MoveWindow(documents_, kGap, kGap, w, kDocumentsHeight, TRUE);
    const int top = 2 * kGap + kDocumentsHeight;
    MoveWindow(lines_, kGap, top, w, rc.bottom - top - kGap, TRUE);
}

void MainWindow::Refresh() {
    SendMessageW(documents_, WM_SETREDRAW, FALSE, 0);
    SendMessageW(lines_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(documents_);
    ListView_DeleteAllItems(lines_);
    for (size_t i = 0; i < state_.documents.size(); ++i) {
        const Document& d = state_.documents[i];
        const bool active = int(i) == state_.active;
        AddRow(documents_, int(i),
               {d.name + (active ? L"  (active)" : L""), std::to_wstring(d.lines.size())});
    }
    if (state_.active >= 0) {
        const Store& store = state_.store;
        const auto& lines = state_.documents[size_t(state_.active)].lines;
        for (size_t i = 0; i < lines.size(); ++i) {
            const Product& p = lines[i].db->products[lines[i].product];
            const auto text = [&](int f) {
                return std::wstring(store.Text(store.value(p.fields[f])));
            };
            AddRow(lines_, int(i),
                   {std::to_wstring(i + 1), text(field::kDescription), text(field::kVendor),
                    text(field::kManufacturerPartNumber), QuantityText(lines[i].quantity),
                    text(field::kUnitPrice)});
        }
        if (!lines.empty()) ListView_EnsureVisible(lines_, int(lines.size() - 1), FALSE);
    }
    SendMessageW(documents_, WM_SETREDRAW, TRUE, 0);
    SendMessageW(lines_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(documents_, nullptr, TRUE);
    InvalidateRect(lines_, nullptr, TRUE);
}

}  // namespace standin
