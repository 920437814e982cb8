// The stand-in's own window: the open quote documents, and the lines of the
// active one, refreshed whenever a line is added.
#pragma once

#include <windows.h>

#include "standin/model/objects_win.h"

namespace standin {

class MainWindow {
  public:
    explicit MainWindow(const AppState& state) : state_(state) {}
    bool Create(HINSTANCE instance, int show);
    void Refresh();
    HWND hwnd() const { return hwnd_; }

  private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Layout();

    const AppState& state_;
    HWND hwnd_ = nullptr;
    HWND documents_ = nullptr;
    HWND lines_ = nullptr;
};

}  // namespace standin
