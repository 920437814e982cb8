#include "app/details_window.h"

// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <string_view>

#include "platform/list_items.h"
#include "platform/twips.h"
#include "platform/win32/accessible_win.h"
#include "platform/win32/clipboard_win.h"
#include "platform/win32/controls_win.h"
#include "platform/win32/dpi_win.h"

namespace app {

namespace {

constexpr wchar_t kClassName[] = L"Skuvane.Details";
constexpr wchar_t kTitle[] = L"Details";
constexpr DWORD kStyle =
    WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_CONTROLPARENT;

// Sizes in twips, as the main window's layout: at 96 DPI a margin of 8
// pixels, buttons of 75 by 23 and a window that shows some twenty lines.
constexpr int kMargin = 120, kGap = 90, kButtonWidth = 1125, kButtonHeight = 345;
constexpr int kValueHeight = 960;             // the focused line's value, in full
constexpr int kWidth = 6600, kHeight = 6900;  // the client area when first opened
constexpr int kMinWidth = 5400, kMinHeight = 3600;
constexpr int kCaptionPadding = 240;  // beside the widest caption

// Clear of IDOK and IDCANCEL, which the dialog keys send.
enum ControlId : int { kLines = 100, kValue, kRow, kPrevious, kNext };

// A value with line breaks as an edit box shows them: CR LF.
std::wstring WithCrLf(std::wstring_view text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\n' && (i == 0 || text[i - 1] != L'\r')) out += L'\r';
        out += text[i];
        if (text[i] == L'\r' && (i + 1 == text.size() || text[i + 1] != L'\n')) out += L'\n';
    }
    return out;
}

// The value box is read only and has no use for Tab: Tab moves on from it,
// and Esc and Enter are the window's, as from any other control.
LRESULT CALLBACK ValueBoxProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    const LRESULT result = DefSubclassProc(hwnd, msg, wp, lp);
    return msg == WM_GETDLGCODE ? result & ~DLGC_WANTALLKEYS : result;
}

}  // namespace

DetailsWindow::DetailsWindow(HWND owner, win32::ListViewWin& results)
    : owner_(owner), results_(results) {}

DetailsWindow::~DetailsWindow() {
    if (hwnd_) DestroyWindow(hwnd_);
    if (font_) DeleteObject(font_);
}

int DetailsWindow::Px(int twips) const { return platform::TwipsToPixels(twips, dpi_); }

void DetailsWindow::Open(int dpi) {
    const platform::ListItems& items = results_.Items();
    const int32_t pos = items.SelectedPosition();
    if (pos < 1 || pos > items.Count()) return;
    if (hwnd_) {
        SetActiveWindow(hwnd_);
        return;
    }
    Create(dpi);
    if (!hwnd_) return;
    Refresh();
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(lines_);
}

void DetailsWindow::Create(int dpi) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    win32::RegisterWindowClass(kClassName, &WndProc);
    CreateWindowExW(kExStyle, kClassName, kTitle, kStyle, 0, 0, 0, 0, owner_, nullptr, instance,
                    this);
    if (!hwnd_) return;
    fixedDpi_ = dpi != 0;
    dpi_ = fixedDpi_ ? dpi : win32::WindowDpi(owner_);
    // In tab order.
    const auto make = [&](const wchar_t* cls, const wchar_t* text, DWORD style, DWORD exStyle,
                          int id) {
        return CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                               nullptr);
    };
    lines_ = make(WC_LISTVIEWW, nullptr,
                  LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | WS_TABSTOP,
                  WS_EX_CLIENTEDGE, kLines);
    value_ = make(WC_EDITW, nullptr, ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP,
                  WS_EX_CLIENTEDGE, kValue);
    row_ = make(L"STATIC", nullptr, SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE, 0, kRow);
    previous_ = make(WC_BUTTONW, L"&Previous", BS_PUSHBUTTON | WS_TABSTOP, 0, kPrevious);
    next_ = make(WC_BUTTONW, L"&Next", BS_PUSHBUTTON | WS_TABSTOP, 0, kNext);
    close_ = make(WC_BUTTONW, L"Close", BS_PUSHBUTTON | WS_TABSTOP, 0, IDCANCEL);
    win32::SetAccessibleName(lines_, L"Fields");
    win32::SetAccessibleName(value_, L"Value");
    SetWindowSubclass(value_, ValueBoxProc, 0, 0);

    ListView_SetExtendedListViewStyle(lines_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT;
    for (const wchar_t* header : {L"Field", L"Value"}) {
        col.pszText = const_cast<wchar_t*>(header);
        ListView_InsertColumn(lines_, col.iSubItem, &col);
        ++col.iSubItem;
    }
    ListView_SetItemCountEx(lines_, static_cast<int>(results_.Captions().size()), 0);
    ListView_SetItemState(lines_, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    ApplyDpi();

    // Beside frmMain where the screen has room, so that both stay in view;
    // else over it. Where it was last time, when it was closed.
    RECT frame = {0, 0, Px(kWidth), Px(kHeight)};
    AdjustWindowRectExForDpi(&frame, kStyle, FALSE, kExStyle, static_cast<UINT>(dpi_));
    const int w = frame.right - frame.left, h = frame.bottom - frame.top;
    RECT owner;
    GetWindowRect(owner_, &owner);
    const RECT work = win32::WorkAreaOf(owner_);
    int x = owner.right;
    if (x + w > work.right) x = owner.left - w;
    if (x < work.left) x = owner.left + (owner.right - owner.left - w) / 2;
    x = std::clamp<int>(x, work.left, std::max<int>(work.left, work.right - w));
    const int y = std::clamp<int>(owner.top, work.top, std::max<int>(work.top, work.bottom - h));
    const RECT at = placed_.value_or(RECT{x, y, x + w, y + h});
    SetWindowPos(hwnd_, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void DetailsWindow::ApplyDpi() {
    HFONT old = font_;
    font_ = win32::CreateDialogFont(dpi_);
    for (HWND control : {lines_, value_, row_, previous_, next_, close_})
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    int widest = 0;
    for (const std::wstring& caption : results_.Captions())
        widest = std::max(widest, ListView_GetStringWidth(lines_, caption.c_str()));
    ListView_SetColumnWidth(lines_, 0, widest + Px(kCaptionPadding));
    if (old) DeleteObject(old);
    Layout();
}

// The lines take what the value box and the row of buttons leave.
void DetailsWindow::Layout() {
    RECT client;
    GetClientRect(hwnd_, &client);
    const int margin = Px(kMargin), gap = Px(kGap);
    const int bw = Px(kButtonWidth), bh = Px(kButtonHeight);
    const int bottom = client.bottom - margin - bh;
    int x = client.right - margin;
    for (HWND button : {close_, next_, previous_}) {
        x -= bw;
        SetWindowPos(button, nullptr, x, bottom, bw, bh, SWP_NOZORDER | SWP_NOACTIVATE);
        x -= gap;
    }
    SetWindowPos(row_, nullptr, margin, bottom, std::max(x - margin, 0), bh,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    const int width = std::max<int>(client.right - 2 * margin, 0);
    const int valueTop = bottom - gap - Px(kValueHeight);
    SetWindowPos(value_, nullptr, margin, valueTop, width, Px(kValueHeight),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(lines_, nullptr, margin, margin, width, std::max(valueTop - gap - margin, 0),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RECT inside;
    GetClientRect(lines_, &inside);
    ListView_SetColumnWidth(lines_, 1,
                            std::max<int>(inside.right - ListView_GetColumnWidth(lines_, 0), 0));
}

void DetailsWindow::Refresh() {
    if (!hwnd_) return;
    const platform::ListItems& items = results_.Items();
    const int32_t count = items.Count(), pos = items.SelectedPosition();
    if (pos < 1 || pos > count) {
        DestroyWindow(hwnd_);  // a new search: the row is gone
        return;
    }
    std::vector<std::wstring> values(results_.Captions().size());
    for (size_t c = 0; c < values.size(); ++c)
        values[c] = c == 0 ? items.Text(pos) : items.SubItem(pos, static_cast<int>(c));
    if (values != values_) {
        values_ = std::move(values);
        const std::wstring title =
            values_.empty() || values_[0].empty() ? kTitle : values_[0] + L" - " + kTitle;
        SetWindowTextW(hwnd_, title.c_str());
        InvalidateRect(lines_, nullptr, FALSE);
        ShowValue(std::max(ListView_GetNextItem(lines_, -1, LVNI_FOCUSED), 0));
    }
    if (pos == position_ && count == count_) return;
    position_ = pos;
    count_ = count;
    const std::wstring row = L"Row " + std::to_wstring(pos) + L" of " + std::to_wstring(count);
    SetWindowTextW(row_, row.c_str());
    // A button that can go no further gives its focus to the other, or to
    // the lines, so that the keyboard is never left without a place.
    HWND focus = GetFocus();
    EnableWindow(previous_, pos > 1);
    EnableWindow(next_, pos < count);
    if (focus && IsChild(hwnd_, focus) && !IsWindowEnabled(focus))
        SetFocus(IsWindowEnabled(next_) ? next_ : IsWindowEnabled(previous_) ? previous_ : lines_);
}

void DetailsWindow::ShowValue(int line) {
    const std::wstring text = line >= 0 && static_cast<size_t>(line) < values_.size()
                                  ? WithCrLf(values_[size_t(line)])
                                  : std::wstring();
    SetWindowTextW(value_, text.c_str());
}

// A line shows its value on one line: tabs and line breaks as spaces.
void DetailsWindow::GetDispInfo(LVITEMW& item) const {
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    const auto& captions = results_.Captions();
    const auto line = static_cast<size_t>(item.iItem);
    std::wstring_view text;
    if (line < captions.size() && line < values_.size())
        text = item.iSubItem == 0 ? captions[line] : values_[line];
    const size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
    std::transform(text.begin(), text.begin() + static_cast<ptrdiff_t>(n), item.pszText,
                   [](wchar_t c) { return c == L'\t' || c == L'\r' || c == L'\n' ? L' ' : c; });
    item.pszText[n] = L'\0';
}

void DetailsWindow::Copy() const {
    const auto& captions = results_.Captions();
    const bool all = ListView_GetSelectedCount(lines_) == 0;
    std::wstring text;
    for (size_t i = 0; i < captions.size() && i < values_.size(); ++i) {
        if (!all && !ListView_GetItemState(lines_, static_cast<int>(i), LVIS_SELECTED)) continue;
        platform::AppendCell(text, captions[i]);
        text += L'\t';
        platform::AppendCell(text, values_[i]);
        text += L"\r\n";
    }
    win32::CopyText(hwnd_, text);
}

LRESULT CALLBACK DetailsWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* self =
            static_cast<DetailsWindow*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<DetailsWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self || hwnd != self->hwnd_) return DefWindowProcW(hwnd, msg, wp, lp);
    return self->Handle(msg, wp, lp);
}

LRESULT DetailsWindow::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            if (LOWORD(wp) == IDCANCEL) {
                DestroyWindow(hwnd_);  // Esc, Close, and the close box below
            } else if (LOWORD(wp) == IDOK) {
                win32::PressFocusedButton(hwnd_);
            } else if (HIWORD(wp) == BN_CLICKED &&
                       (LOWORD(wp) == kPrevious || LOWORD(wp) == kNext)) {
                // The list moves, and this window follows it.
                results_.FocusRow(position_ - 1 + (LOWORD(wp) == kNext ? 1 : -1));
            }
            return 0;
        case WM_NOTIFY: {
            const auto& hdr = *reinterpret_cast<const NMHDR*>(lp);
            if (hdr.hwndFrom != lines_) break;
            if (hdr.code == LVN_GETDISPINFOW) {
                GetDispInfo(reinterpret_cast<NMLVDISPINFOW*>(lp)->item);
            } else if (hdr.code == LVN_ITEMCHANGED) {
                const auto& nm = reinterpret_cast<const NMLISTVIEW&>(hdr);
                if ((nm.uNewState & LVIS_FOCUSED) && !(nm.uOldState & LVIS_FOCUSED))
                    ShowValue(nm.iItem);
            } else if (hdr.code == LVN_KEYDOWN && GetKeyState(VK_CONTROL) < 0) {
                const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(hdr).wVKey;
                if (key == 'C') Copy();
                if (key == 'A') ListView_SetItemState(lines_, -1, LVIS_SELECTED, LVIS_SELECTED);
            }
            return 0;
        }
        case WM_SIZE:
            Layout();
            return 0;
        case WM_GETMINMAXINFO: {
            RECT least = {0, 0, Px(kMinWidth), Px(kMinHeight)};
            AdjustWindowRectExForDpi(&least, kStyle, FALSE, kExStyle, static_cast<UINT>(dpi_));
            auto& info = *reinterpret_cast<MINMAXINFO*>(lp);
            info.ptMinTrackSize = {least.right - least.left, least.bottom - least.top};
            return 0;
        }
        case WM_DPICHANGED:
            if (!fixedDpi_) {
                dpi_ = HIWORD(wp);
                const RECT& r = *reinterpret_cast<const RECT*>(lp);
                SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                             SWP_NOZORDER | SWP_NOACTIVATE);
                ApplyDpi();
            }
            return 0;
        case WM_ACTIVATE:
            // Like a dialog: the focus comes back to where it was.
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus)) focus_ = focus;
            } else {
                SetFocus(focus_ && IsWindowEnabled(focus_) ? focus_ : lines_);
                return 0;
            }
            break;
        case DM_GETDEFID:
            return 0;  // no default button: Enter clicks nothing
        case WM_CLOSE:
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY: {
            RECT r;
            if (GetWindowRect(hwnd_, &r)) placed_ = r;
            hwnd_ = lines_ = value_ = row_ = previous_ = next_ = close_ = focus_ = nullptr;
            values_.clear();
            position_ = count_ = 0;
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
}

}  // namespace app
