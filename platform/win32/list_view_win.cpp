#include "platform/win32/list_view_win.h"

#include <algorithm>

#include "platform/twips.h"
#include "platform/win32/clipboard_win.h"
#include "platform/win32/dpi_win.h"
#include "platform/win32/numbers_win.h"

namespace win32 {

namespace {

// A pause this long between two typed characters starts a new search text.
constexpr DWORD kTypingPauseMs = 1000;

// Posted to the list when the user let go of a header item or divider: by
// then the header holds its new order and widths.
constexpr UINT kHeaderChanged = WM_APP + 1;

// A fitted column's room around its text, in pixels at 96 DPI.
constexpr int kCellPadding = 12;

bool CtrlDown() { return GetKeyState(VK_CONTROL) < 0; }

// The command of a find key: Ctrl+F, F3 and Shift+F3; 0 for any other key.
WORD FindCommandOf(WPARAM key) {
    if (key == 'F' && CtrlDown()) return ListViewWin::kFindCommand;
    if (key != VK_F3) return 0;
    return GetKeyState(VK_SHIFT) < 0 ? ListViewWin::kFindPreviousCommand
                                     : ListViewWin::kFindNextCommand;
}

// What may change the list's look; held, the list draws none of it.
bool Restyles(UINT msg) {
    switch (msg) {
        case WM_PAINT:  // held, the list only erases what the system asks for
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_ENABLE:
        case WM_WINDOWPOSCHANGED:
        case WM_STYLECHANGED:
        case WM_SETFONT:
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
        case WM_THEMECHANGED:
            return true;
        default:
            return false;
    }
}

}  // namespace

void ListViewWin::Attach(HWND list, const std::wstring& tooltip) {
    hwnd_ = list;
    dpi_ = WindowDpi(list);
    ListView_SetExtendedListViewStyle(
        list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_HEADERDRAGDROP);

    // The list view's own info tips are not available everywhere, so a
    // tooltip control of our own covers the whole list; the list's procedure
    // hands it the mouse's moves and clicks.
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                           0, 0, GetParent(list), nullptr, nullptr, nullptr);
    TTTOOLINFOW ti = {};
    ti.cbSize = sizeof(ti);
    ti.uFlags = TTF_IDISHWND;
    ti.hwnd = GetParent(list);
    ti.uId = reinterpret_cast<UINT_PTR>(list);
    ti.lpszText = const_cast<wchar_t*>(tooltip.c_str());
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    // Not SetWindowSubclass: it finds its chain through a window property,
    // which Wine reads from its server for every message, and the list is
    // sent thousands while a search fills it.
    SetWindowLongPtrW(list, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    next_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListProc)));
}

// Typing finds rows here, the same under every version of the control; the
// context menu keys reach the parent as WM_CONTEXTMENU, as a right-click,
// and Alt+Enter and the find keys as their commands; the tooltip sees the
// mouse; and the header's changes reach the layout.
LRESULT CALLBACK ListViewWin::ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* self = reinterpret_cast<ListViewWin*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    const bool menuKey = wp == VK_APPS || (wp == VK_F10 && GetKeyState(VK_SHIFT) < 0);
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) {
        MSG relayed = {hwnd, msg, wp, lp, 0, {}};
        SendMessageW(self->tip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
    }
    if (self->held_ && Restyles(msg)) self->stale_ = true;
    switch (msg) {
        case WM_CHAR:
            self->Typed(static_cast<wchar_t>(wp));
            return 0;
        case WM_SYSKEYDOWN:
            // On to the default too, which then knows that Alt was not
            // pressed alone: its release must not open a window's menu.
            if (wp == VK_RETURN) {
                SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(kDetailsCommand, 1),
                             reinterpret_cast<LPARAM>(hwnd));
                break;
            }
            [[fallthrough]];
        case WM_KEYDOWN:
            if (const WORD command = msg == WM_KEYDOWN ? FindCommandOf(wp) : 0) {
                SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(command, 1),
                             reinterpret_cast<LPARAM>(hwnd));
                return 0;
            }
            if (!menuKey) break;
            SendMessageW(hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), -1);
            return 0;
        case WM_KEYUP:
        case WM_SYSKEYUP:
            if (menuKey) return 0;
            break;
        case WM_SYSCHAR:
            if (wp == L'\r') return 0;  // Alt+Enter was handled as a key
            break;
        case WM_NOTIFY:
            if (reinterpret_cast<const NMHDR*>(lp)->hwndFrom == ListView_GetHeader(hwnd) &&
                self->HeaderNotify(*reinterpret_cast<const NMHEADERW*>(lp)))
                return 0;
            break;
        case kHeaderChanged:
            self->ReadHeader();
            return 0;
        default:
            break;
    }
    return CallWindowProcW(self->next_, hwnd, msg, wp, lp);
}

void ListViewWin::SetDpi(int dpi) {
    dpi_ = dpi;
    for (size_t i = 0; i < subColumns_.size(); ++i) {
        ListView_SetColumnWidth(hwnd_, static_cast<int>(i),
                                platform::TwipsToPixels(layout_.Width(subColumns_[i]), dpi));
    }
}

void ListViewWin::ClearColumns() {
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    while (ListView_DeleteColumn(hwnd_, 0)) {
    }
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    columnTwips_.clear();
    captions_.clear();
    layout_ = {};
    subColumns_.clear();
    arrow_ = -1;
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// A column added comes with the layout the columns were added with.
void ListViewWin::AddColumn(const std::wstring& text, int16_t widthTwips) {
    const bool arranged = layout_ != DefaultLayout();
    captions_.push_back(text);
    columnTwips_.push_back(std::max<int>(widthTwips, 0));
    layout_ = DefaultLayout();
    if (arranged) {
        ShowColumns();
    } else {
        InsertColumn(static_cast<int>(captions_.size()) - 1);
    }
}

void ListViewWin::InsertColumn(int column) {
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<wchar_t*>(captions_.at(static_cast<size_t>(column)).c_str());
    col.cx = platform::TwipsToPixels(layout_.Width(column), dpi_);
    col.iSubItem = static_cast<int>(subColumns_.size());
    ListView_InsertColumn(hwnd_, col.iSubItem, &col);
    subColumns_.push_back(column);
}

int ListViewWin::SubItemOf(int column) const {
    const auto at = std::find(subColumns_.begin(), subColumns_.end(), column);
    return at == subColumns_.end() ? -1 : static_cast<int>(at - subColumns_.begin());
}

bool ListViewWin::SetLayout(const platform::ColumnLayout& layout) {
    if (layout.Count() != static_cast<int>(captions_.size())) return false;
    layout_ = layout;
    ShowColumns();
    if (items_.Filtered()) Filter(items_.FilterMatch());
    return true;
}

// Only what changed is done: a hidden column leaves the control, a column
// shown again comes back at its end, and the header's order array puts each
// in its place. The first column (the row's text) is never hidden, so the
// control's own first column stays.
void ListViewWin::ShowColumns() {
    if (!held_) SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    for (int sub = static_cast<int>(subColumns_.size()) - 1; sub >= 1; --sub) {
        if (!layout_.Hidden(subColumns_[static_cast<size_t>(sub)])) continue;
        ListView_DeleteColumn(hwnd_, sub);
        subColumns_.erase(subColumns_.begin() + sub);
    }
    const std::vector<int> shown = layout_.Shown();
    std::vector<int> order;
    for (int column : shown) {
        if (SubItemOf(column) < 0) InsertColumn(column);
        const int sub = SubItemOf(column);
        const int width = platform::TwipsToPixels(layout_.Width(column), dpi_);
        if (ListView_GetColumnWidth(hwnd_, sub) != width)
            ListView_SetColumnWidth(hwnd_, sub, width);
        order.push_back(sub);
    }
    ListView_SetColumnOrderArray(hwnd_, static_cast<int>(order.size()), order.data());
    arrow_ = -1;  // the columns that held it may be gone
    ShowSortArrow();
    if (!held_) SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
}

bool ListViewWin::HeaderNotify(const NMHEADERW& nm) {
    switch (nm.hdr.code) {
        case HDN_DIVIDERDBLCLICKA:
        case HDN_DIVIDERDBLCLICKW:
            FitColumn(nm.iItem);
            return true;  // the control would measure only the rows it holds: none
        case HDN_ENDDRAG:
        case HDN_ENDTRACKA:
        case HDN_ENDTRACKW:
            PostMessageW(hwnd_, kHeaderChanged, 0, 0);
            return false;
        default:
            return false;
    }
}

// Widths are compared in pixels: a column the user did not size keeps its
// twips, whatever the rounding at this DPI.
void ListViewWin::ReadHeader() {
    const int count = static_cast<int>(subColumns_.size());
    std::vector<int> order(subColumns_.size());
    if (!ListView_GetColumnOrderArray(hwnd_, count, order.data())) return;
    platform::ColumnLayout layout = layout_;
    for (int& place : order) {
        if (place < 0 || place >= count) return;
        place = subColumns_[static_cast<size_t>(place)];
    }
    layout.SetShownOrder(order);
    for (int sub = 0; sub < count; ++sub) {
        const int column = subColumns_[static_cast<size_t>(sub)];
        const int width = ListView_GetColumnWidth(hwnd_, sub);
        if (width != platform::TwipsToPixels(layout.Width(column), dpi_))
            layout.SetWidth(column, platform::PixelsToTwips(width, dpi_));
    }
    if (layout == layout_) return;
    layout_ = layout;
    if (layoutChanged_) layoutChanged_();
}

// The list is virtual: the control holds no cells to measure, so the rows in
// view are measured from the model, with the list's font. With none in view,
// the caption is.
void ListViewWin::FitColumn(int subItem) {
    if (subItem < 0 || subItem >= static_cast<int>(subColumns_.size())) return;
    const int column = subColumns_[static_cast<size_t>(subItem)];
    const int top = ListView_GetTopIndex(hwnd_);
    const int end = std::min(items_.Count(), top + ListView_GetCountPerPage(hwnd_) + 1);
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd_, WM_GETFONT, 0, 0)));
    int widest = 0;
    auto measure = [&](std::wstring_view text) {
        SIZE size = {};
        GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
        widest = std::max<int>(widest, size.cx);
    };
    for (int row = top; row < end; ++row) measure(items_.Cell(row + 1, column));
    if (top >= end) measure(captions_[static_cast<size_t>(column)]);  // no rows in view
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    ListView_SetColumnWidth(hwnd_, subItem,
                            widest + MulDiv(kCellPadding, dpi_, USER_DEFAULT_SCREEN_DPI));
    ReadHeader();
}

// The model is the truth. Rows may have been cleared and added again since
// the last call, so the control drops every selection the model does not
// hold; that costs one step per selected row, not per row.
void ListViewWin::ItemsChanged() {
    // Closed under a search, the control answers every question with 0.
    if (!IsWindow(hwnd_)) return;
    int count = items_.Count();
    int old = ListView_GetItemCount(hwnd_);
    // Emptied for a search, at the top of the view: drawing is held until
    // the first rows come (RowsAdded), so that the scroll bars are not drawn
    // empty only to be drawn again for them.
    stale_ = true;  // the rows on the screen are no longer the list's
    Hold(count == 0 && old > 0 && ListView_GetTopIndex(hwnd_) == 0, true);
    ListView_SetItemCountEx(hwnd_, count,
                            LVSICF_NOSCROLL | (count >= old ? LVSICF_NOINVALIDATEALL : 0));
    for (int i = ListView_GetNextItem(hwnd_, -1, LVNI_SELECTED); i >= 0;
         i = ListView_GetNextItem(hwnd_, i, LVNI_SELECTED)) {
        if (!items_.Selected(i + 1)) ListView_SetItemState(hwnd_, i, 0, LVIS_SELECTED);
    }
    int focused = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
    if (focused >= 0 && items_.SelectedPosition() != focused + 1) {
        ListView_SetItemState(hwnd_, focused, 0, LVIS_FOCUSED);
    }
    if (count > old) InvalidateRect(hwnd_, nullptr, FALSE);
    ShowSortArrow();  // rows listed anew are in found order
    if (changed_) changed_();
}

// Every count change with drawing on updates the scroll bars, which draw at
// once and cost far more than the rows. So while rows come in, the list's
// drawing is held and only its count rises; it is let go for a moment to
// draw the rows that came into view, and when they are done. Until then the
// scroll bars may show an earlier count.
void ListViewWin::RowsAdded(bool done) {
    if (!IsWindow(hwnd_)) return;
    const int top = ListView_GetTopIndex(hwnd_);
    const int inView = top + ListView_GetCountPerPage(hwnd_) + 1;
    const int shown = ListView_GetItemCount(hwnd_), count = items_.Count();
    if (!done) Hold(true, false);
    if (count != shown)
        ListView_SetItemCountEx(hwnd_, count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    // Filtered, rows found count even when they do not show.
    if ((count != shown || items_.Filtered()) && changed_) changed_();
    const bool newInView = shown < inView && count > shown;
    if (!done && !newInView && !stale_) return;
    RECT rows, first;  // the rows that came into view: all under the last one shown
    GetClientRect(hwnd_, &rows);
    if (shown > top && ListView_GetItemRect(hwnd_, shown, &first, LVIR_BOUNDS))
        rows.top = first.top;
    Hold(false, done, newInView ? &rows : nullptr);
    if (!done) {
        UpdateWindow(hwnd_);
        Hold(true, false);
    }
}

void ListViewWin::Hold(bool held, bool frame, const RECT* rows) {
    if (held == held_) return;
    held_ = held;
    if (held) {
        // What is pending is drawn now: held, a paint would only erase it.
        UpdateWindow(hwnd_);
        SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
        return;
    }
    // Let go, the list updates its scroll bars, which draw at once: with the
    // window's visible bit off for that moment they take their new state
    // unseen. That also validates all the list holds pending, the header's
    // too, so the header draws first and what the rows had pending counts
    // as stale.
    const bool visible = IsWindowVisible(hwnd_);
    RECT before, after;
    GetClientRect(hwnd_, &before);
    stale_ = stale_ || GetUpdateRect(hwnd_, nullptr, FALSE);
    if (visible) {
        UpdateWindow(ListView_GetHeader(hwnd_));
        DefWindowProcW(hwnd_, WM_SETREDRAW, FALSE, 0);
    }
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    if (visible) DefWindowProcW(hwnd_, WM_SETREDRAW, TRUE, 0);
    GetClientRect(hwnd_, &after);
    // A bar that came or went moved the rows' edge: all is drawn again.
    // Otherwise the rows are drawn where asked, all of them when stale, and
    // the frame alone, once, when asked.
    const bool barMoved = !EqualRect(&before, &after);
    if (!barMoved)
        RedrawWindow(hwnd_, nullptr, nullptr, RDW_VALIDATE | RDW_NOFRAME | RDW_NOCHILDREN);
    if (barMoved || stale_ || rows)
        RedrawWindow(hwnd_, barMoved || stale_ ? nullptr : rows, nullptr,
                     RDW_ERASE | RDW_INVALIDATE | (barMoved ? RDW_FRAME : RDW_NOFRAME));
    if (frame && !barMoved) DrawRowBar();
    stale_ = false;
}

// Only the vertical bar's state follows the rows. Its rectangle lies in the
// frame, so invalidated it brings a WM_NCPAINT for it alone, sent at once:
// left to a WM_PAINT, the double-buffered list would draw every row again.
// A WM_NCPAINT sent for the whole window would let a themed list fill its
// rows with its border as well.
void ListViewWin::DrawRowBar() {
    SCROLLBARINFO bar = {};
    bar.cbSize = sizeof bar;
    if (!GetScrollBarInfo(hwnd_, OBJID_VSCROLL, &bar) || (bar.rgstate[0] & STATE_SYSTEM_INVISIBLE))
        return;
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&bar.rcScrollBar), 2);
    RedrawWindow(hwnd_, &bar.rcScrollBar, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_ERASENOW);
}

bool ListViewWin::OnNotify(const NMHDR& hdr, LRESULT& result) {
    result = 0;
    switch (hdr.code) {
        case LVN_ODFINDITEMW: {
            const auto& nm = reinterpret_cast<const NMLVFINDITEMW&>(hdr);
            const LVFINDINFOW& find = nm.lvfi;
            result = -1;
            if ((find.flags & (LVFI_STRING | LVFI_PARTIAL)) && find.psz) {
                const int found = Find(find.psz, nm.iStart, (find.flags & LVFI_PARTIAL) != 0);
                if (found >= nm.iStart || (find.flags & LVFI_WRAP)) result = found;
            }
            return true;
        }
        case LVN_KEYDOWN: {
            const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(hdr).wVKey;
            if (CtrlDown() && key == 'A') SelectAll();
            if (CtrlDown() && key == 'C') Copy();
            return true;
        }
        case LVN_COLUMNCLICK: {
            const int sub = reinterpret_cast<const NMLISTVIEW&>(hdr).iSubItem;
            if (sub < 0 || sub >= static_cast<int>(subColumns_.size())) return true;
            clicked_ = subColumns_[static_cast<size_t>(sub)];
            return false;  // the window raises it as an event
        }
        case LVN_GETDISPINFOW:
            GetDispInfo(reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(hdr)).item);
            return true;
        case LVN_ITEMCHANGED: {
            const auto& nm = reinterpret_cast<const NMLISTVIEW&>(hdr);
            if (nm.uChanged & LVIF_STATE) {
                StateChanged(nm.iItem, nm.iItem, nm.uOldState, nm.uNewState);
            }
            return true;
        }
        case LVN_ODSTATECHANGED: {
            const auto& nm = reinterpret_cast<const NMLVODSTATECHANGE&>(hdr);
            StateChanged(nm.iFrom, nm.iTo, nm.uOldState, nm.uNewState);
            return true;
        }
        default:
            return false;
    }
}

void ListViewWin::GetDispInfo(LVITEMW& item) const {
    if (!(item.mask & LVIF_TEXT) || !item.pszText || item.cchTextMax <= 0) return;
    int32_t pos = item.iItem + 1;
    std::wstring_view text;
    const auto sub = static_cast<size_t>(item.iSubItem);
    if (pos >= 1 && pos <= items_.Count() && sub < subColumns_.size())
        text = items_.Cell(pos, subColumns_[sub]);
    size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
    std::copy_n(text.data(), n, item.pszText);
    item.pszText[n] = L'\0';
}

// iItem -1 stands for every row.
void ListViewWin::StateChanged(int from, int to, UINT oldState, UINT newState) {
    if (syncing_) return;
    if ((oldState ^ newState) & LVIS_SELECTED) {
        bool selected = (newState & LVIS_SELECTED) != 0;
        if (from < 0) {
            items_.SetAllSelected(selected);
        } else {
            int last = std::min(to, items_.Count() - 1);
            for (int i = from; i <= last; ++i) items_.SetSelected(i + 1, selected);
        }
    }
    if (from >= 0 && from < items_.Count() && (newState & LVIS_FOCUSED) &&
        !(oldState & LVIS_FOCUSED)) {
        items_.SetSelectedPosition(from + 1);
        if (changed_) changed_();
    }
}

int ListViewWin::Find(std::wstring_view text, int start, bool partial) const {
    const int count = items_.Count();
    const int n = static_cast<int>(text.size());
    if (start < 0 || start >= count) start = 0;
    const int column = layout_.Count() > 0 ? layout_.Shown().front() : 0;
    for (int i = 0; i < count; ++i) {
        const int row = (start + i) % count;
        const std::wstring_view cell = items_.Cell(row + 1, column);
        if (cell.size() < text.size() || (!partial && cell.size() != text.size())) continue;
        if (CompareStringOrdinal(cell.data(), n, text.data(), n, TRUE) == CSTR_EQUAL) return row;
    }
    return -1;
}

// Each typed character extends the search text, and the focus and the
// selection move to the row found; the same character again moves on to
// the next row that begins with it.
void ListViewWin::Typed(wchar_t ch) {
    if (ch < L' ') return;  // Ctrl+A, Ctrl+C and the like are keys, not text
    const DWORD now = GetTickCount();
    if (now - typedAt_ >= kTypingPauseMs) typed_.clear();
    typedAt_ = now;
    typed_ += ch;
    const int focused = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
    const bool cycling = typed_.find_first_not_of(typed_[0]) == std::wstring::npos;
    const int found = cycling ? Find(std::wstring_view(typed_).substr(0, 1), focused + 1, true)
                              : Find(typed_, std::max(focused, 0), true);
    if (found >= 0) FocusRow(found);
}

void ListViewWin::FocusRow(int row) {
    ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED);
    const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
    ListView_SetItemState(hwnd_, row, both, both);
    ListView_SetSelectionMark(hwnd_, row);
    ListView_EnsureVisible(hwnd_, row, FALSE);
}

void ListViewWin::SelectAll() { ListView_SetItemState(hwnd_, -1, LVIS_SELECTED, LVIS_SELECTED); }

// Drawn as a sort's rows are, held meanwhile: the count changes without the
// scroll bars drawn at once, and the rows and the frame are drawn once. The
// control's selection is cleared before its count changes, so that none is
// left past its new end; then it is the model's again.
void ListViewWin::Filter(std::shared_ptr<const platform::TextMatch> match) {
    if (!match && !items_.Filtered()) return;
    const bool wasHeld = held_;
    Hold(true, false);
    const std::vector<int> selected = SelectedPositions();
    syncing_ = true;
    if (static_cast<int>(selected.size()) == ListView_GetItemCount(hwnd_)) {
        ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED);
    } else {
        for (int i : selected) ListView_SetItemState(hwnd_, i, 0, LVIS_SELECTED);
    }
    syncing_ = false;
    items_.Filter(std::move(match), layout_.Shown());
    ListView_SetItemCountEx(hwnd_, items_.Count(), LVSICF_NOSCROLL);
    ShowModelSelection({});
    // The focused row in view; hidden, the first row.
    if (items_.SelectedPosition() == 0 && items_.Count() > 0)
        ListView_EnsureVisible(hwnd_, 0, FALSE);
    stale_ = true;
    Hold(false, true);
    if (wasHeld) Hold(true, false);
    if (changed_) changed_();
}

bool ListViewWin::FindNext(const platform::TextMatch& match, bool backwards) {
    const int32_t found = items_.Next(match, layout_.Shown(), items_.SelectedPosition(), backwards);
    if (found > 0) FocusRow(found - 1);
    return found > 0;
}

void ListViewWin::Copy() const {
    if (ListView_GetSelectedCount(hwnd_) == 0) return;
    CopyText(hwnd_, platform::SelectedRowsAsText(items_, captions_, layout_.Shown()));
}

void ListViewWin::Sort(int column, bool descending) {
    // The control holds the selection by position, and the selected rows move.
    const std::vector<int> selected = SelectedPositions();
    CellReaderWin reader;
    items_.Sort(column, descending, reader);
    ShowSortArrow();
    ShowModelSelection(selected);
    InvalidateRect(hwnd_, nullptr, FALSE);
    if (changed_) changed_();
}

void ListViewWin::ShowSortArrow() {
    const int column = items_.SortColumn();
    const bool down = items_.SortDescending();
    if (column == arrow_ && down == arrowDown_) return;
    HWND header = ListView_GetHeader(hwnd_);
    for (int c : {arrow_, column}) {
        HDITEMW item = {};
        item.mask = HDI_FORMAT;
        const int sub = SubItemOf(c);
        if (sub < 0 || !Header_GetItem(header, sub, &item)) continue;
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (c == column) item.fmt |= down ? HDF_SORTDOWN : HDF_SORTUP;
        Header_SetItem(header, sub, &item);
    }
    arrow_ = column;
    arrowDown_ = down;
}

std::vector<int> ListViewWin::SelectedPositions() const {
    std::vector<int> selected;
    for (int pos = 1; pos <= items_.Count(); ++pos) {
        if (items_.Selected(pos)) selected.push_back(pos - 1);
    }
    return selected;
}

// Row by row, the few a user selects: the control would clear and set every
// row at once a row at a time in some versions. With every row selected,
// every row is set at once, and nothing is done when nothing changed.
void ListViewWin::ShowModelSelection(const std::vector<int>& wasSelected) {
    syncing_ = true;
    const int count = items_.Count();
    const std::vector<int> selected = SelectedPositions();
    if (selected != wasSelected && !selected.empty() &&
        static_cast<int>(selected.size()) == count) {
        ListView_SetItemState(hwnd_, -1, LVIS_SELECTED, LVIS_SELECTED);
    } else if (selected != wasSelected) {
        for (int i : wasSelected) ListView_SetItemState(hwnd_, i, 0, LVIS_SELECTED);
        for (int i : selected) ListView_SetItemState(hwnd_, i, LVIS_SELECTED, LVIS_SELECTED);
    }
    const int focused = items_.SelectedPosition() - 1;
    const int shown = ListView_GetNextItem(hwnd_, -1, LVNI_FOCUSED);
    if (shown >= 0 && shown != focused) ListView_SetItemState(hwnd_, shown, 0, LVIS_FOCUSED);
    if (focused >= 0 && focused < count) {
        ListView_SetItemState(hwnd_, focused, LVIS_FOCUSED, LVIS_FOCUSED);
        ListView_SetSelectionMark(hwnd_, focused);
        ListView_EnsureVisible(hwnd_, focused, FALSE);
    }
    syncing_ = false;
}

}  // namespace win32
