// frmMain on screen: the window built from the layout table, the binding of
// its events to the handlers by name, and the program's rule for failures
// that leave a handler.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "app/details_window.h"
#include "platform/win32/controls_win.h"
#include "platform/win32/find_dialog_win.h"
#include "platform/win32/list_view_win.h"
#include "platform/win32/settings_win.h"
#include "platform/win32/ui_win.h"
#include "search/frm_main.h"
#include "search/layout.h"

namespace app {

// How the process ends.
enum ExitCode {
    kExitClosed = 0,        // the window was closed
    kExitRunTimeError = 1,  // a run-time error was reported
    kExitEnded = 2,         // the program ended itself, e.g. during load
};

// The events that have handlers, by the event's name ("Form_Load",
// "cmdSearch_Click"); every other event keeps the default.
using Handlers = std::map<std::wstring, std::function<void()>, std::less<>>;

Handlers BindTo(search::frmMain& form);

// The result list's context menu commands. Details is Alt+Enter's command
// too, and Find Ctrl+F's.
enum ListMenuCommand : UINT {
    kMenuAddToQuote = 1,
    kMenuCopy,
    kMenuSelectAll,
    kMenuFind = win32::ListViewWin::kFindCommand,
    kMenuDetails = win32::ListViewWin::kDetailsCommand
};

// The commands of the result list header's menu. They reach the window as
// WM_COMMAND, whoever sends them; a column's item is kMenuColumn plus the
// column's place in the catalogue, and shows it when hidden, hides it when
// shown.
enum HeaderMenuCommand : UINT {
    kMenuHideEmptyColumns = 0x7000,
    kMenuMoreColumns,
    kMenuResetColumns,
    kMenuColumn = 0x7100,
};

// Where the user's settings are kept, under HKEY_CURRENT_USER.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Skuvane";

// The Win32 id of a control of the layout table.
constexpr int ControlIdOf(search::ControlId id) { return 100 + id; }

class MainWindow {
  public:
    // Creates the window and its controls, hidden. `dpi` 0 takes the DPI of
    // the screen it opens on. The user's settings are read from, and kept
    // under, `settingsKey`.
    explicit MainWindow(int dpi = 0, std::wstring settingsKey = kSettingsKey);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    HWND Control(search::ControlId id) const;
    search::Controls Controls();
    win32::UiWin& Ui() { return ui_; }
    void Bind(Handlers handlers) { handlers_ = std::move(handlers); }

    // Load, show and the event loop; returns the exit code.
    int Run();
    // Raises the load event, then shows the result list's columns as the
    // user left them; false when the program ended during it.
    bool Load();
    void Show();
    int MessageLoop();
    int ExitCode() const { return exitCode_.value_or(kExitClosed); }
    bool Ending() const { return ending_; }

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp);
    void OnCommand(int id, int code, HWND child);
    // Runs the handler of the event of the control that `child` is, if any.
    bool RaiseEvent(HWND child, std::wstring_view event);
    void Raise(std::wstring_view event);
    void Terminate(int exitCode);
    win32::ListViewWin* ListOf(HWND child);
    // The result list's context menu: Add runs the Add button's handler.
    void ShowListMenu(win32::ListViewWin& list, LPARAM at);
    // The header's menu: the columns shown, then the commands on columns.
    void ShowHeaderMenu(win32::ListViewWin& list, LPARAM at);
    void OnColumnCommand(UINT command);
    // What the Find window or a find key asked of the result list.
    void Find(win32::FindAction action, bool backwards = false);
    // The list changed: the details follow it, and the status line counts
    // the rows a filter shows.
    void ListChanged();
    void ApplyLayout();
    void SetClientSize(int width, int height);

    HWND owner_ = nullptr;  // hidden: keeps the window off the taskbar
    HWND hwnd_ = nullptr;
    HWND focus_ = nullptr;
    HFONT font_ = nullptr;
    int dpi_ = USER_DEFAULT_SCREEN_DPI;
    bool fixedDpi_ = false;
    bool looping_ = false;
    bool ending_ = false;
    std::optional<int> exitCode_;

    // The control of each row of the layout table, by the row's type.
    using ControlWin = std::variant<std::monostate, win32::LabelWin, win32::ComboBoxWin,
                                    win32::TextBoxWin, win32::ListViewWin>;
    template <class T>
    T& Get(search::ControlId id);
    std::array<ControlWin, search::kLayout.size()> controls_;
    win32::UiWin ui_;
    Handlers handlers_;
    std::unique_ptr<DetailsWindow> details_;  // one product whole, on demand
    win32::FindDialog find_{[this](win32::FindAction action) { Find(action); }};
    win32::RegistrySettings settings_;
};

}  // namespace app
