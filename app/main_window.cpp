#include "app/main_window.h"

// after windows.h
#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <array>

#include "app/run_time_error.h"
#include "platform/twips.h"
#include "platform/win32/accessible_win.h"
#include "platform/win32/columns_dialog_win.h"
#include "platform/win32/dpi_win.h"
#include "platform/win32/numbers_win.h"

namespace app {

namespace {

constexpr wchar_t kClassName[] = L"Skuvane.frmMain";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
constexpr int kDropDownRows = 8;  // how far a chooser's list drops

struct ListMenuItem {
    UINT command;
    const wchar_t* text;  // a tab, then the item's key; none for a separator
    bool callsHost;       // greyed while a search runs: it would not be acted on
};
constexpr ListMenuItem kListMenu[] = {
    {kMenuAddToQuote, L"Add selected product(s) to quote", true},
    {kMenuCopy, L"Copy\tCtrl+C", false},
    {kMenuSelectAll, L"Select All\tCtrl+A", false},
    {kMenuFind, L"Find\u2026\tCtrl+F", false},
    {0, nullptr, false},
    {kMenuDetails, L"Details\tAlt+Enter", false},
};
// Below the header menu's columns.
constexpr ListMenuItem kHeaderMenu[] = {
    {kMenuHideEmptyColumns, L"Hide empty columns", false},
    {kMenuMoreColumns, L"More columns\u2026", false},
    {kMenuResetColumns, L"Reset columns", false},
};

struct ControlClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle;
};

ControlClass ClassOf(search::ControlType type) {
    switch (type) {
        case search::ControlType::Label:
            return {L"STATIC", SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0};
        case search::ControlType::ComboBox:
            return {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 0};
        case search::ControlType::TextBox:
            return {WC_EDITW, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
        case search::ControlType::Button:
            return {WC_BUTTONW, BS_PUSHBUTTON | WS_TABSTOP, 0};
        case search::ControlType::ListView:
            return {WC_LISTVIEWW, LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | WS_TABSTOP,
                    WS_EX_CLIENTEDGE};
    }
    return {L"STATIC", 0, 0};
}

// The layout in tab order: created in this order, the controls' Z-order is
// the order Tab walks.
std::array<search::ControlLayout, search::kLayout.size()> InTabOrder() {
    auto table = search::kLayout;
    std::sort(table.begin(), table.end(),
              [](const auto& a, const auto& b) { return a.tabIndex < b.tabIndex; });
    return table;
}

// Where a control sits in the table.
size_t RowOf(search::ControlId id) {
    const auto row = std::find_if(search::kLayout.begin(), search::kLayout.end(),
                                  [id](const auto& c) { return c.id == id; });
    return static_cast<size_t>(row - search::kLayout.begin());
}

// The caption of a control of the table.
std::wstring_view TextOf(search::ControlId id) {
    for (const auto& c : search::kLayout) {
        if (c.id == id) return c.text;
    }
    return {};
}

// A text the user looked for, as the status line shows it: on one line, its
// first characters (a surrogate pair whole) and an ellipsis for the rest.
std::wstring Quoted(std::wstring_view text) {
    constexpr size_t kMost = 40;
    size_t cut = std::min(text.size(), kMost);
    if (cut < text.size() && IS_HIGH_SURROGATE(text[cut - 1])) ++cut;
    std::wstring out = L"\"";
    for (wchar_t c : text.substr(0, cut)) out += c < L' ' ? L' ' : c;
    return out + (cut < text.size() ? L"\u2026\"" : L"\"");
}

}  // namespace

Handlers BindTo(search::frmMain& form) {
    Handlers handlers;
    for (const search::EventHandler& e : search::kEventHandlers)
        handlers.emplace(e.event, [&form, run = e.handler] { (form.*run)(); });
    return handlers;
}

MainWindow::MainWindow(int dpi, std::wstring settingsKey)
    : ui_(std::wstring(search::kWindowCaption)), settings_(std::move(settingsKey)) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // The window's procedure is set once it is bound.
    win32::RegisterWindowClass(kClassName, DefWindowProcW);
    owner_ = CreateWindowExW(0, L"STATIC", search::kWindowCaption.data(), WS_POPUP, 0, 0, 0, 0,
                             nullptr, nullptr, instance, nullptr);
    hwnd_ = CreateWindowExW(kExStyle, kClassName, search::kWindowCaption.data(), kStyle, 0, 0, 100,
                            100, owner_, nullptr, instance, nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WndProc));
    fixedDpi_ = dpi != 0;
    dpi_ = fixedDpi_ ? dpi : win32::WindowDpi(hwnd_);

    for (const auto& c : InTabOrder()) {
        ControlClass cls = ClassOf(c.type);
        HWND child = CreateWindowExW(
            cls.exStyle, cls.name, c.text.data(), WS_CHILD | WS_VISIBLE | cls.style, 0, 0, 0, 0,
            hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(ControlIdOf(c.id))), instance,
            nullptr);
        if (c.labelledBy) {
            win32::SetAccessibleName(child, win32::NameFromLabel(TextOf(c.labelledBy)));
        }
        ControlWin& control = controls_[RowOf(c.id)];
        switch (c.type) {
            case search::ControlType::Label:
                control.emplace<win32::LabelWin>().Attach(child);
                break;
            case search::ControlType::ComboBox:
                control.emplace<win32::ComboBoxWin>().Attach(child);
                break;
            case search::ControlType::TextBox:
                control.emplace<win32::TextBoxWin>().Attach(child);
                break;
            case search::ControlType::ListView:
                control.emplace<win32::ListViewWin>().Attach(child, std::wstring(c.tooltip));
                break;
            case search::ControlType::Button:
                break;  // a button is its events alone
        }
    }
    ApplyLayout();
    auto& results = Get<win32::ListViewWin>(search::kLvwResults);
    details_ = std::make_unique<DetailsWindow>(hwnd_, results);
    results.OnChange([this] { ListChanged(); });
    results.OnLayoutChanged([this, &results] { results.Layout().Write(settings_); });

    // Centred on the screen.
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &mi);
    RECT r;
    GetWindowRect(hwnd_, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(hwnd_, nullptr,
                 mi.rcMonitor.left + (mi.rcMonitor.right - mi.rcMonitor.left - w) / 2,
                 mi.rcMonitor.top + (mi.rcMonitor.bottom - mi.rcMonitor.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ui_.Attach(hwnd_);
}

MainWindow::~MainWindow() {
    ending_ = true;  // no handler runs while the window is torn down
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    if (IsWindow(owner_)) DestroyWindow(owner_);
    if (font_) DeleteObject(font_);
}

HWND MainWindow::Control(search::ControlId id) const { return GetDlgItem(hwnd_, ControlIdOf(id)); }

template <class T>
T& MainWindow::Get(search::ControlId id) {
    return std::get<T>(controls_.at(RowOf(id)));
}

search::Controls MainWindow::Controls() {
    return {Get<win32::ComboBoxWin>(search::kCboProductDatabase),
            Get<win32::ComboBoxWin>(search::kCboSearchField),
            Get<win32::ComboBoxWin>(search::kCboOperator),
            Get<win32::TextBoxWin>(search::kTxtSearchFor),
            Get<win32::LabelWin>(search::kLblStatus),
            Get<win32::ListViewWin>(search::kLvwResults)};
}

// Every size comes from the layout table at the window's DPI, here and
// nowhere else: at creation and whenever the window moves to another DPI.
void MainWindow::ApplyLayout() {
    HFONT old = font_;
    font_ = win32::CreateDialogFont(dpi_);
    auto px = [this](int twips) { return platform::TwipsToPixels(twips, dpi_); };
    for (const auto& c : search::kLayout) {
        HWND child = Control(c.id);
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        int height = px(c.height);
        if (c.type != search::ControlType::ComboBox) {
            SetWindowPos(child, nullptr, px(c.left), px(c.top), px(c.width), height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            continue;
        }
        // A chooser's own height is its selection field: its window height
        // includes the dropped list, and the field follows the item height.
        SetWindowPos(child, nullptr, px(c.left), px(c.top), px(c.width),
                     height * (kDropDownRows + 1), SWP_NOZORDER | SWP_NOACTIVATE);
        // Steered by what it measures: the item height read back need not be
        // the one that was set.
        auto item =
            static_cast<int>(SendMessageW(child, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
        for (int attempt = 0; attempt < 4; ++attempt) {
            RECT r;
            GetWindowRect(child, &r);
            int diff = height - (r.bottom - r.top);
            if (diff == 0) break;
            item += diff;
            SendMessageW(child, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), item);
        }
    }
    for (ControlWin& control : controls_) {
        if (auto* list = std::get_if<win32::ListViewWin>(&control)) {
            SendMessageW(list->tooltip(), WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
            list->SetDpi(dpi_);
        }
    }
    SetClientSize(px(search::kClientWidth), px(search::kClientHeight));
    InvalidateRect(hwnd_, nullptr, TRUE);
    if (old) DeleteObject(old);
}

// Sized by what the frame really measures, so the client area is exact
// whatever the frame's metrics.
void MainWindow::SetClientSize(int width, int height) {
    RECT r = {0, 0, width, height};
    AdjustWindowRectExForDpi(&r, kStyle, FALSE, kExStyle, static_cast<UINT>(dpi_));
    for (int attempt = 0; attempt < 3; ++attempt) {
        SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT client;
        GetClientRect(hwnd_, &client);
        int dx = width - client.right, dy = height - client.bottom;
        if (dx == 0 && dy == 0) break;
        r.right += dx;
        r.bottom += dy;
    }
}

int MainWindow::Run() {
    if (!Load()) return ExitCode();
    Show();
    return MessageLoop();
}

// The columns are built during load; a saved layout that does not fit them
// is not used, and stays as it is until the user changes the layout.
bool MainWindow::Load() {
    Raise(L"Form_Load");
    if (ending_) return false;
    auto& results = Get<win32::ListViewWin>(search::kLvwResults);
    const auto saved = platform::ColumnLayout::Read(settings_, results.Layout().Count());
    if (saved) results.SetLayout(*saved);
    return true;
}

void MainWindow::Show() {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(Control(search::kCboProductDatabase));
}

int MainWindow::MessageLoop() {
    if (ending_) return ExitCode();
    looping_ = true;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {  // until the window's WM_QUIT
        win32::DispatchToWindow(hwnd_, msg);
    }

    looping_ = false;
    return ExitCode();
}

// The one place that decides what a failure leaving a handler does: it is
// reported, and the program ends without running another handler. Nothing
// may cross the window procedure, so everything is caught here.
void MainWindow::Raise(std::wstring_view event) {
    const auto handler = handlers_.find(event);
    if (handler == handlers_.end() || !handler->second || ending_) return;
    try {
        handler->second();
    } catch (const platform::EndProgram&) {
        Terminate(kExitEnded);
    } catch (...) {
        if (!ending_) ReportRunTimeError(ui_.Owner(), ui_.AppTitle(), std::current_exception());
        Terminate(kExitRunTimeError);
    }
}

// The first reason to end sets the exit code: a handler unwinding after the
// window was closed under it still ends as a close.
void MainWindow::Terminate(int exitCode) {
    if (!exitCode_) exitCode_ = exitCode;
    ending_ = true;
    if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
}

LRESULT CALLBACK MainWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return self ? self->Handle(msg, wp, lp) : DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT MainWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return 0;
        case WM_NOTIFY: {
            const auto& hdr = *reinterpret_cast<const NMHDR*>(lp);
            LRESULT result = 0;
            win32::ListViewWin* list = ListOf(hdr.hwndFrom);
            if (list && list->OnNotify(hdr, result)) return result;
            if (hdr.code == NM_DBLCLK && RaiseEvent(hdr.hwndFrom, L"DblClick")) return 0;
            if (hdr.code == LVN_COLUMNCLICK && RaiseEvent(hdr.hwndFrom, L"ColumnClick")) return 0;
            break;
        }
        case WM_CONTEXTMENU: {
            // From the header itself, or passed on by the list.
            const auto from = reinterpret_cast<HWND>(wp);
            win32::ListViewWin* list = ListOf(from);
            if (!list) list = ListOf(GetParent(from));
            if (!list) break;
            RECT header;
            GetWindowRect(ListView_GetHeader(list->hwnd()), &header);
            const POINT at = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            if (from != list->hwnd() || (lp != -1 && PtInRect(&header, at))) {
                ShowHeaderMenu(*list, lp);
            } else {
                ShowListMenu(*list, lp);
            }
            return 0;
        }
        case DM_GETDEFID:
            return 0;  // no default button: Enter clicks nothing
        case WM_SETCURSOR:
            if (HCURSOR cursor = ui_.Cursor()) {
                SetCursor(cursor);
                return TRUE;
            }
            break;
        case WM_ACTIVATE:
            // Like a dialog: the focus comes back to where it was.
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) focus_ = focus;
            } else if (focus_ && IsWindow(focus_)) {
                SetFocus(focus_);
                return 0;
            }
            break;
        case WM_DPICHANGED:
            if (!fixedDpi_) {
                dpi_ = HIWORD(wp);
                const RECT& r = *reinterpret_cast<const RECT*>(lp);
                SetWindowPos(hwnd_, nullptr, r.left, r.top, 0, 0,
                             SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                ApplyLayout();
            }
            return 0;
        case WM_CLOSE:
            // The close box, the system menu and Alt+F4: unload, no question.
            ui_.Unload();
            return 0;
        case WM_DESTROY:
            if (!exitCode_) exitCode_ = kExitClosed;
            ending_ = true;
            if (looping_) PostQuitMessage(ExitCode());
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

void MainWindow::OnCommand(int id, int code, HWND child) {
    if (ListOf(child)) {  // a key on the list
        switch (id) {
            case kMenuDetails:
                details_->Open(fixedDpi_ ? dpi_ : 0);
                return;
            case win32::ListViewWin::kFindCommand:
                find_.Open(hwnd_);
                return;
            case win32::ListViewWin::kFindNextCommand:
            case win32::ListViewWin::kFindPreviousCommand:
                // With nothing to find yet, the Find window asks what.
                if (find_.Request().text.empty()) {
                    find_.Open(hwnd_);
                } else {
                    Find(win32::FindAction::kNext, id == win32::ListViewWin::kFindPreviousCommand);
                }
                return;
            default:
                break;
        }
    }
    if (code != BN_CLICKED) return;
    if (!child && id >= static_cast<int>(kMenuHideEmptyColumns)) {  // a menu's
        OnColumnCommand(static_cast<UINT>(id));
        return;
    }
    if (id == IDOK) {
        win32::PressFocusedButton(hwnd_);  // no default button, but a focused one clicks
        return;
    }
    if (id == IDCANCEL) {
        // Esc stops a running search, and only that; at any other time, in
        // the list, it shows every row again.
        if (ui_.LongRunning()) {
            ui_.Escape();
        } else if (ListOf(GetFocus())) {
            Find(win32::FindAction::kShowAll);
        }
        return;
    }
    RaiseEvent(child, L"Click");
}

win32::ListViewWin* MainWindow::ListOf(HWND child) {
    for (ControlWin& control : controls_) {
        auto* list = std::get_if<win32::ListViewWin>(&control);
        if (list && list->hwnd() == child) return list;
    }
    return nullptr;
}

// At the mouse, or from the keyboard (`at` -1) below the focused row, at
// the left of the part in view whatever the columns' order.
void MainWindow::ShowListMenu(win32::ListViewWin& list, LPARAM at) {
    POINT pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    if (at == -1) {
        RECT r = {};
        const int focused = ListView_GetNextItem(list.hwnd(), -1, LVNI_FOCUSED);
        if (focused < 0 || !ListView_GetItemRect(list.hwnd(), focused, &r, LVIR_BOUNDS)) {
            GetClientRect(list.hwnd(), &r);
            r.bottom = r.top;
        }
        pt = {std::max<LONG>(r.left, 0), r.bottom};
        ClientToScreen(list.hwnd(), &pt);
    }
    HMENU menu = CreatePopupMenu();
    for (const ListMenuItem& item : kListMenu)
        AppendMenuW(menu,
                    (item.text ? MF_STRING : MF_SEPARATOR) |
                        (item.callsHost && ui_.LongRunning() ? MF_GRAYED : 0),
                    item.command, item.text);
    const UINT command = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd_, nullptr));
    DestroyMenu(menu);
    switch (command) {
        case kMenuAddToQuote:
            RaiseEvent(Control(search::kCmdAddToQuote), L"Click");
            break;
        case kMenuCopy:
            list.Copy();
            break;
        case kMenuSelectAll:
            list.SelectAll();
            break;
        case kMenuFind:
            find_.Open(hwnd_);
            break;
        case kMenuDetails:
            details_->Open(fixedDpi_ ? dpi_ : 0);
            break;
        default:
            break;  // closed without a choice
    }
}

// Every column shown, checked: unchecking one hides it; the first cannot be.
// The menu's choice comes back as WM_COMMAND.
void MainWindow::ShowHeaderMenu(win32::ListViewWin& list, LPARAM at) {
    const POINT pt = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    // The menu is laid out in columns of what fits the screen's height, so
    // that the commands below the columns show without scrolling.
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &mi);
    const int rows = std::max<int>(
        8, (mi.rcWork.bottom - mi.rcWork.top) * 9 / 10 / GetSystemMetricsForDpi(SM_CYMENU, dpi_));
    HMENU menu = CreatePopupMenu();
    int items = 0;
    auto append = [&](UINT flags, UINT command, const wchar_t* text) {
        if (items > 0 && items % rows == 0) flags |= MF_MENUBARBREAK;
        ++items;
        AppendMenuW(menu, flags, command, text);
    };
    for (int column : list.Layout().Shown()) {
        append(MF_STRING | MF_CHECKED | (column == 0 ? MF_GRAYED : 0U),
               kMenuColumn + static_cast<UINT>(column),
               list.Captions()[static_cast<size_t>(column)].c_str());
    }
    append(MF_SEPARATOR, 0, nullptr);
    for (const ListMenuItem& item : kHeaderMenu) {
        // With no rows listed, every column would count as empty.
        const bool none = item.command == kMenuHideEmptyColumns && list.Items().Count() == 0;
        append(MF_STRING | (none ? MF_GRAYED : 0U), item.command, item.text);
    }
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd_, nullptr);
    DestroyMenu(menu);
}

// A change of the layout is kept at once; Reset forgets the kept one.
void MainWindow::OnColumnCommand(UINT command) {
    auto& list = Get<win32::ListViewWin>(search::kLvwResults);
    platform::ColumnLayout layout = list.Layout();
    const int column = static_cast<int>(command) - static_cast<int>(kMenuColumn);
    switch (command) {
        case kMenuResetColumns:
            list.SetLayout(list.DefaultLayout());
            platform::ColumnLayout::Forget(settings_);
            return;
        case kMenuHideEmptyColumns:
            layout.HideEmpty(list.Items());
            break;
        case kMenuMoreColumns:
            if (!win32::ShowColumnsDialog(hwnd_, list.Captions(), layout)) return;
            break;
        default:
            if (column < 0 || column >= layout.Count()) return;
            layout.SetHidden(column, !layout.Hidden(column));
            break;
    }
    if (layout == list.Layout()) return;
    list.SetLayout(layout);
    layout.Write(settings_);
}

// Nothing here calls the host or reorders the rows, so all of it works during
// a search too. The filter follows the Find window's text as it changes.
void MainWindow::Find(win32::FindAction action, bool backwards) {
    if (ending_) return;
    auto& list = Get<win32::ListViewWin>(search::kLvwResults);
    const win32::FindRequest& request = find_.Request();
    const auto match = [&request] {
        return std::make_shared<const platform::TextMatch>(
            request.text, request.matchCase, request.wholeCell, win32::UserCaseFold());
    };
    switch (action) {
        case win32::FindAction::kNext:
            if (!list.FindNext(*match(), backwards))
                Get<win32::LabelWin>(search::kLblStatus)
                    .SetNote(L"No row has " + Quoted(request.text));
            break;
        case win32::FindAction::kFilter:
            list.Filter(match());
            break;
        case win32::FindAction::kChanged:
            if (list.Items().Filtered()) list.Filter(match());
            break;
        case win32::FindAction::kShowAll:
            list.Filter(nullptr);
            break;
    }
}

void MainWindow::ListChanged() {
    details_->Refresh();
    const platform::ListItems& items = Get<win32::ListViewWin>(search::kLvwResults).Items();
    Get<win32::LabelWin>(search::kLblStatus)
        .SetNote(items.Filtered() ? std::to_wstring(items.Count()) + L" of " +
                                        std::to_wstring(items.Total()) + L" rows"
                                  : std::wstring());
}

// A control's events are named after it: "cmdSearch_Click".
bool MainWindow::RaiseEvent(HWND child, std::wstring_view event) {
    if (!child || GetParent(child) != hwnd_) return false;
    const int id = GetDlgCtrlID(child);
    for (const auto& c : search::kLayout) {
        if (ControlIdOf(c.id) != id) continue;
        Raise(std::wstring(c.name) + L'_' + std::wstring(event));
        return true;
    }
    return false;
}

}  // namespace app
