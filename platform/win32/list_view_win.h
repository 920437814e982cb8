// The result list: a virtual report-view list view that draws straight from
// the ListItems model it owns, and mirrors the user's selection back into it.
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>
#include <vector>

#include "platform/toolkit.h"

namespace win32 {

class ListViewWin final : public platform::ListView {
  public:
    ListViewWin() = default;
    ListViewWin(const ListViewWin&) = delete;
    ListViewWin& operator=(const ListViewWin&) = delete;

    // Takes a list created with LVS_REPORT | LVS_OWNERDATA; adds the tooltip.
    void Attach(HWND list, const std::wstring& tooltip);
    HWND hwnd() const { return hwnd_; }
    HWND tooltip() const { return tip_; }
    // Re-measures the columns for a new DPI.
    void SetDpi(int dpi);

    void ClearColumns() override;
    void AddColumn(const std::wstring& text, int16_t widthTwips) override;
    platform::ListItems& Items() override { return items_; }
    void ItemsChanged() override;
    void RowsAdded(bool done) override;

    // The list's notifications, from its parent's WM_NOTIFY. True when the
    // notification was one of the list's own bookkeeping ones.
    bool OnNotify(const NMHDR& hdr);

  private:
    void Hold(bool held);
    void GetDispInfo(LVITEMW& item) const;
    void StateChanged(int from, int to, UINT oldState, UINT newState);

    HWND hwnd_ = nullptr;
    HWND tip_ = nullptr;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    std::vector<int> columnTwips_;
    bool held_ = false;  // drawing held while rows are appended out of view
    platform::ListItems items_;
};

}  // namespace win32
