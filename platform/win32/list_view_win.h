// The result list: a virtual report-view list view that draws straight from
// the ListItems model it owns, and mirrors the user's selection back into it.
// It finds rows as the user types, sorts by a column, copies the selected
// rows (Ctrl+C), selects all (Ctrl+A), and shows only the rows a filter lets
// through, or the next row with a text. Its columns are shown as a
// ColumnLayout arranges them: the user moves them and drags their widths in
// the header, and a double-click on a divider fits a column to its cells.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/column_layout.h"
#include "platform/toolkit.h"

namespace win32 {

class ListViewWin final : public platform::ListView {
  public:
    // Keys on the list that reach its parent as a WM_COMMAND with these ids:
    // Alt+Enter, the system's key for an item's properties; Ctrl+F, F3 and
    // Shift+F3, the system's keys to find a text, and again on or back.
    static constexpr WORD kDetailsCommand = 0x7000;
    static constexpr WORD kFindCommand = 0x7010, kFindNextCommand = 0x7011,
                          kFindPreviousCommand = 0x7012;

    ListViewWin() = default;
    ListViewWin(const ListViewWin&) = delete;
    ListViewWin& operator=(const ListViewWin&) = delete;

    // Takes a list created with LVS_REPORT | LVS_OWNERDATA; adds the tooltip.
    void Attach(HWND list, const std::wstring& tooltip);
    HWND hwnd() const { return hwnd_; }
    HWND tooltip() const { return tip_; }
    // Re-measures the columns for a new DPI.
    void SetDpi(int dpi);
    // Called whenever the rows shown or the focused row may have changed.
    void OnChange(std::function<void()> changed) { changed_ = std::move(changed); }

    void ClearColumns() override;
    void AddColumn(const std::wstring& text, int16_t widthTwips) override;
    platform::ListItems& Items() override { return items_; }
    void ItemsChanged() override;
    void RowsAdded(bool done) override;
    int ClickedColumn() const override { return clicked_; }
    void Sort(int column, bool descending) override;

    // The columns as added (their captions and the layout they came with:
    // in order, none hidden), and as the user arranged them.
    const std::vector<std::wstring>& Captions() const { return captions_; }
    platform::ColumnLayout DefaultLayout() const { return platform::ColumnLayout(columnTwips_); }
    const platform::ColumnLayout& Layout() const { return layout_; }
    // Shows the columns as `layout` arranges them; false, and nothing
    // changes, when it is not a layout of the list's columns.
    bool SetLayout(const platform::ColumnLayout& layout);
    // Runs after the user changed the layout in the header.
    void OnLayoutChanged(std::function<void()> changed) { layoutChanged_ = std::move(changed); }

    // The list's notifications, from its parent's WM_NOTIFY. True when the
    // notification was one of the list's own bookkeeping ones; `result` is
    // then the answer to it.
    bool OnNotify(const NMHDR& hdr, LRESULT& result);
    // The selected rows to the clipboard as text, with the captions.
    void Copy() const;
    void SelectAll();
    // The first row from 0-based `start` on, wrapping around, whose cell in
    // the first column shown begins with (or, not `partial`, is) `text`,
    // ignoring case; -1 if none.
    int Find(std::wstring_view text, int start, bool partial) const;
    // Focuses and selects the row at 0-based `row` alone, scrolled into view.
    void FocusRow(int row);
    // Shows only the rows with a shown cell that `match` finds (all of them
    // for null), and again as the columns shown change; the selection and
    // the focus stay with their rows.
    void Filter(std::shared_ptr<const platform::TextMatch> match);
    // Focuses and selects alone the next row (or the one before) from the
    // focused one, wrapping, with a shown cell that `match` finds; false
    // when none has.
    bool FindNext(const platform::TextMatch& match, bool backwards);

  private:
    // Holds or lets go the list's drawing. Let go, it draws `rows` (the
    // client area's part that changed), or all of them when they may have
    // changed otherwise, and its frame (the scroll bars) when `frame`.
    void Hold(bool held, bool frame, const RECT* rows = nullptr);
    void DrawRowBar();
    static LRESULT CALLBACK ListProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void GetDispInfo(LVITEMW& item) const;
    void StateChanged(int from, int to, UINT oldState, UINT newState);
    void Typed(wchar_t ch);
    void ShowSortArrow();
    // The control's columns are the ones shown, each a catalogue column
    // (subColumns_); their places in the header come from the layout.
    void ShowColumns();
    void InsertColumn(int column);    // at the control's end
    int SubItemOf(int column) const;  // -1: not shown
    bool HeaderNotify(const NMHEADERW& nm);
    // The header's order and widths, after the user moved or sized a column.
    void ReadHeader();
    // Fits a column to the widest of its cells in view.
    void FitColumn(int subItem);
    // The positions (0-based) of the rows selected, as the control shows them.
    std::vector<int> SelectedPositions() const;
    // The control's selection and focus set from the model's, after its
    // positions changed; `wasSelected` the positions selected before.
    void ShowModelSelection(const std::vector<int>& wasSelected);

    HWND hwnd_ = nullptr;
    HWND tip_ = nullptr;
    WNDPROC next_ = nullptr;  // the list's procedure under ours
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    std::vector<int> columnTwips_;  // the widths the columns were added with
    platform::ColumnLayout layout_;
    std::vector<int> subColumns_;  // the catalogue column of each of the control's
    std::function<void()> layoutChanged_;
    bool held_ = false;   // drawing held while rows are appended out of view
    bool stale_ = false;  // the rows on the screen may not be the list's
    std::vector<std::wstring> captions_;
    platform::ListItems items_;
    int clicked_ = 0;
    int arrow_ = -1;  // the catalogue column that shows the sort arrow
    bool arrowDown_ = false;
    bool syncing_ = false;  // the control's state is being set from the model
    std::wstring typed_;    // the text typed so far to find a row
    DWORD typedAt_ = 0;
    std::function<void()> changed_;
};

}  // namespace win32
