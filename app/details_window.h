// One product whole: a window beside frmMain with each column's caption next
// to the focused row's value, all of them, from the text the list holds.
//
// It is modeless and owned by frmMain, and it always shows the list's
// focused row: Previous and Next move the list's focus (and selection) to
// the row before or after in the order shown, and a row focused in the list
// shows here. Rows appended while it is open only move Next on; a list
// emptied for a new search closes it.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/win32/list_view_win.h"

namespace app {

class DetailsWindow {
  public:
    // `owner` is frmMain; `results` its result list, which outlives this.
    DetailsWindow(HWND owner, win32::ListViewWin& results);
    ~DetailsWindow();
    DetailsWindow(const DetailsWindow&) = delete;
    DetailsWindow& operator=(const DetailsWindow&) = delete;

    // Opens the window on the list's focused row, or activates it when
    // open; nothing when no row is focused. `dpi` 0 follows the screen.
    void Open(int dpi);
    HWND hwnd() const { return hwnd_; }
    // Shows the list's focused row again; closes when there is none. The
    // list's owner calls it whenever the list changed.
    void Refresh();

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void Create(int dpi);
    // The font, the sizes and the caption column for the window's DPI.
    void ApplyDpi();
    // The controls placed in the client area as it is now.
    void Layout();
    void ShowValue(int line);
    void GetDispInfo(LVITEMW& item) const;
    // The selected lines, or all of them when none is, to the clipboard.
    void Copy() const;
    int Px(int pixelsAt96) const;

    HWND owner_;
    win32::ListViewWin& results_;
    HWND hwnd_ = nullptr;
    HWND lines_ = nullptr, value_ = nullptr, row_ = nullptr;
    HWND previous_ = nullptr, next_ = nullptr, close_ = nullptr;
    HWND focus_ = nullptr;  // the control to focus when the window is active again
    HFONT font_ = nullptr;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    bool fixedDpi_ = false;
    std::optional<RECT> placed_;  // where the window was when last closed
    std::vector<std::wstring> values_;
    int32_t position_ = 0, count_ = 0;
};

}  // namespace app
