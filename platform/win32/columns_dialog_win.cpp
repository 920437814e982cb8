#include "platform/win32/columns_dialog_win.h"

// after windows.h
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "platform/win32/accessible_win.h"
#include "platform/win32/controls_win.h"
#include "platform/win32/dialog_template_win.h"

namespace win32 {

namespace {

constexpr wchar_t kTitle[] = L"Columns";
constexpr wchar_t kFindLabel[] = L"&Find:";
constexpr wchar_t kListLabel[] = L"&Columns:";

// The box's working copy of the layout, and the columns its list shows.
struct Box {
    std::span<const std::wstring> captions;
    platform::ColumnLayout layout;
    std::vector<int> listed;  // catalogue columns, in the list's order
    bool filling = false;     // the list is being set from the layout
};

Box& BoxOf(HWND dlg) { return *reinterpret_cast<Box*>(GetWindowLongPtrW(dlg, DWLP_USER)); }
HWND ListOf(HWND dlg) { return GetDlgItem(dlg, kColumnsListId); }

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The column of the list's selected item, or -1.
int Selected(HWND dlg) {
    const int item = ListView_GetNextItem(ListOf(dlg), -1, LVNI_SELECTED);
    const Box& box = BoxOf(dlg);
    return item >= 0 && item < static_cast<int>(box.listed.size())
               ? box.listed[static_cast<size_t>(item)]
               : -1;
}

// Lists the columns whose captions hold the Find box's text, ignoring case,
// in the layout's order, and selects `column` (or else the first).
void Fill(HWND dlg, int column) {
    Box& box = BoxOf(dlg);
    HWND list = ListOf(dlg);
    const std::wstring find = Lower(WindowText(GetDlgItem(dlg, kColumnsFindId)));
    box.filling = true;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    box.listed.clear();
    for (int c : box.layout.Order()) {
        const std::wstring& caption = box.captions[static_cast<size_t>(c)];
        if (Lower(caption).find(find) == std::wstring::npos) continue;
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(box.listed.size());
        item.pszText = const_cast<wchar_t*>(caption.c_str());
        ListView_InsertItem(list, &item);
        ListView_SetCheckState(list, item.iItem, !box.layout.Hidden(c));
        box.listed.push_back(c);
    }
    const auto at = std::find(box.listed.begin(), box.listed.end(), column);
    const int item = at == box.listed.end() ? 0 : static_cast<int>(at - box.listed.begin());
    const UINT both = LVIS_SELECTED | LVIS_FOCUSED;
    ListView_SetItemState(list, item, both, both);
    ListView_EnsureVisible(list, item, FALSE);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
    box.filling = false;
}

// Shows or hides a column, and its check says which it is: the first column
// stays shown.
void SetShown(HWND dlg, int column, bool shown) {
    Box& box = BoxOf(dlg);
    const auto at = std::find(box.listed.begin(), box.listed.end(), column);
    if (at == box.listed.end()) return;
    box.layout.SetHidden(column, !shown);
    box.filling = true;
    ListView_SetCheckState(ListOf(dlg), static_cast<int>(at - box.listed.begin()),
                           !box.layout.Hidden(column));
    box.filling = false;
}

// The selected column takes the place of the column listed before (`by` -1)
// or after it (+1).
void MoveSelected(HWND dlg, int by) {
    Box& box = BoxOf(dlg);
    const int column = Selected(dlg);
    const auto at = std::find(box.listed.begin(), box.listed.end(), column);
    const auto item = at - box.listed.begin();
    if (at == box.listed.end() || item + by < 0 || item + by >= std::ssize(box.listed)) return;
    const std::vector<int>& order = box.layout.Order();
    auto placeOf = [&order](int c) {
        return static_cast<int>(std::find(order.begin(), order.end(), c) - order.begin());
    };
    box.layout.Move(placeOf(column), placeOf(box.listed[static_cast<size_t>(item + by)]));
    Fill(dlg, column);
}

void Init(HWND dlg) {
    SetWindowTextW(dlg, kTitle);
    HWND list = ListOf(dlg);
    SetAccessibleName(GetDlgItem(dlg, kColumnsFindId), NameFromLabel(kFindLabel));
    SetAccessibleName(list, NameFromLabel(kListLabel));
    ListView_SetExtendedListViewStyle(list, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    RECT r;
    GetClientRect(list, &r);
    LVCOLUMNW col = {};
    col.mask = LVCF_WIDTH;
    col.cx = r.right - GetSystemMetrics(SM_CXVSCROLL);
    ListView_InsertColumn(list, 0, &col);
    Fill(dlg, -1);
}

INT_PTR CALLBACK ColumnsDialogProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG:
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            Init(dlg);
            return TRUE;  // the focus to the first tab stop: the Find box
        case WM_NOTIFY: {
            const auto& nm = *reinterpret_cast<const NMLISTVIEW*>(lp);
            const bool checked = nm.hdr.idFrom == kColumnsListId &&
                                 nm.hdr.code == LVN_ITEMCHANGED && (nm.uChanged & LVIF_STATE) &&
                                 ((nm.uOldState ^ nm.uNewState) & LVIS_STATEIMAGEMASK);
            if (checked && !BoxOf(dlg).filling && nm.iItem >= 0 &&
                nm.iItem < static_cast<int>(BoxOf(dlg).listed.size())) {
                SetShown(dlg, BoxOf(dlg).listed[static_cast<size_t>(nm.iItem)],
                         ListView_GetCheckState(nm.hdr.hwndFrom, nm.iItem) != 0);
            }
            return FALSE;
        }
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case kColumnsFindId:
                    if (HIWORD(wp) == EN_CHANGE) Fill(dlg, Selected(dlg));
                    return TRUE;
                case kColumnsUpId:
                case kColumnsDownId:
                    MoveSelected(dlg, LOWORD(wp) == kColumnsUpId ? -1 : 1);
                    return TRUE;
                case kColumnsShowId:
                case kColumnsHideId:
                    SetShown(dlg, Selected(dlg), LOWORD(wp) == kColumnsShowId);
                    return TRUE;
                case IDOK:
                case IDCANCEL:
                    EndDialog(dlg, LOWORD(wp));
                    return TRUE;
                default:
                    return FALSE;
            }
        default:
            return FALSE;
    }
}

}  // namespace

// In dialog units, which follow the DPI through the box's font. The tab
// order is the items' order; each label comes right before what it names,
// so that its access key reaches it.
bool ShowColumnsDialog(HWND owner, std::span<const std::wstring> captions,
                       platform::ColumnLayout& layout) {
    DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 232, 196,
                     L"MS Shell Dlg", 8);
    t.Item(SS_LEFT, 7, 7, 160, 8, 0xFFFF, kStaticAtom, kFindLabel);
    t.Item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 7, 17, 160, 12, kColumnsFindId, kEditAtom);
    t.Item(SS_LEFT, 7, 35, 160, 8, 0xFFFF, kStaticAtom, kListLabel);
    t.Item(WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
               LVS_SHOWSELALWAYS,
           7, 45, 160, 144, kColumnsListId, WC_LISTVIEWW);
    const DialogTemplate::Button buttons[] = {{kColumnsUpId, 45, L"Move &Up"},
                                              {kColumnsDownId, 63, L"Move &Down"},
                                              {kColumnsShowId, 87, L"&Show"},
                                              {kColumnsHideId, 105, L"&Hide"},
                                              {IDOK, 157, L"OK"},
                                              {IDCANCEL, 175, L"Cancel"}};
    t.Buttons(174, buttons);
    Box box{captions, layout, {}, false};
    if (DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, ColumnsDialogProc,
                                reinterpret_cast<LPARAM>(&box)) != IDOK) {
        return false;
    }
    layout = box.layout;
    return true;
}

}  // namespace win32
