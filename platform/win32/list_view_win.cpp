#include "platform/win32/list_view_win.h"

#include <algorithm>

#include "platform/twips.h"
#include "platform/win32/dpi_win.h"

namespace win32 {

void ListViewWin::Attach(HWND list, const std::wstring& tooltip) {
    hwnd_ = list;
    dpi_ = WindowDpi(list);
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);

    // The list view's own info tips are not available everywhere, so a
    // tooltip control of our own covers the whole list. With a virtual list
    // nothing is inserted row by row, so subclassing costs the fill nothing.
    tip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0,
                           0, 0, GetParent(list), nullptr, nullptr, nullptr);
    TTTOOLINFOW ti = {};
    ti.cbSize = sizeof(ti);
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = GetParent(list);
    ti.uId = reinterpret_cast<UINT_PTR>(list);
    ti.lpszText = const_cast<wchar_t*>(tooltip.c_str());
    SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

void ListViewWin::SetDpi(int dpi) {
    dpi_ = dpi;
    for (size_t i = 0; i < columnTwips_.size(); ++i) {
        ListView_SetColumnWidth(hwnd_, static_cast<int>(i),
                                platform::TwipsToPixels(columnTwips_[i], dpi));
    }
}

void ListViewWin::ClearColumns() {
    SendMessageW(hwnd_, WM_SETREDRAW, FALSE, 0);
    while (ListView_DeleteColumn(hwnd_, 0)) {
    }
    SendMessageW(hwnd_, WM_SETREDRAW, TRUE, 0);
    columnTwips_.clear();
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void ListViewWin::AddColumn(const std::wstring& text, int16_t widthTwips) {
    LVCOLUMNW col = {};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.pszText = const_cast<wchar_t*>(text.c_str());
    col.cx = platform::TwipsToPixels(std::max<int>(widthTwips, 0), dpi_);
    col.iSubItem = static_cast<int>(columnTwips_.size());
    ListView_InsertColumn(hwnd_, col.iSubItem, &col);
    columnTwips_.push_back(std::max<int>(widthTwips, 0));
}

// The model is the truth. Rows may have been cleared and added again since
// the last call, so the control drops every selection the model does not
// hold; that costs one step per selected row, not per row.
void ListViewWin::ItemsChanged() {
    int count = items_.Count();
    int old = ListView_GetItemCount(hwnd_);
    Hold(false);
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
}

// Every count change with drawing on updates the scroll bars, which draw at
// once and cost far more than the rest. Once the rows fill the view,
// appending changes nothing the user sees but the scroll bar: so drawing is
// held from then until the rows are done, while the count goes on rising.
void ListViewWin::RowsAdded(bool done) {
    const int inView = ListView_GetTopIndex(hwnd_) + ListView_GetCountPerPage(hwnd_) + 1;
    const int shown = ListView_GetItemCount(hwnd_), count = items_.Count();
    const bool newInView = shown < inView;
    if (count != shown)
        ListView_SetItemCountEx(hwnd_, count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    if (!done && !newInView) return;
    Hold(false);
    if (!done && count >= inView) {
        UpdateWindow(hwnd_);  // the view's last rows, before drawing stops
        Hold(true);
    }
}

void ListViewWin::Hold(bool held) {
    if (held == held_) return;
    held_ = held;
    SendMessageW(hwnd_, WM_SETREDRAW, !held, 0);
    if (!held) RedrawWindow(hwnd_, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
}

bool ListViewWin::OnNotify(const NMHDR& hdr) {
    switch (hdr.code) {
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
    if (pos >= 1 && pos <= items_.Count()) {
        if (item.iSubItem == 0) {
            text = items_.Text(pos);
        } else if (item.iSubItem <= items_.SubItemCount(pos)) {
            text = items_.SubItem(pos, item.iSubItem);
        }
    }
    size_t n = std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
    std::copy_n(text.data(), n, item.pszText);
    item.pszText[n] = L'\0';
}

// iItem -1 stands for every row.
void ListViewWin::StateChanged(int from, int to, UINT oldState, UINT newState) {
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
    }
}

}  // namespace win32
