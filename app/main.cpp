// Skuvane.exe: creates frmMain, loads it, shows it and runs the event loop.
//
// Exit code: 0 when the window was closed (Close, the close box, the system
// menu, Alt+F4); 1 after the report of a run-time error; 2 when the program
// ended itself, as it does during load when Vantora cannot be reached.
#include <windows.h>
// after windows.h
#include <commctrl.h>
#include <objbase.h>

#include "app/main_window.h"
#include "platform/win32/automation_win.h"
#include "platform/win32/numbers_win.h"

namespace {

// One apartment for the one thread, for the life of the program.
class ComApartment {
  public:
    ComApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

  private:
    HRESULT hr_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    ComApartment com;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES |
                                                 ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);

    int exitCode;
    {
        app::MainWindow window;
        win32::AutomationWin automation;
        win32::NumberRulesWin numbers;
        search::frmMain form(window.Controls(), automation, window.Ui(), numbers);
        window.Bind(app::BindTo(form));
        exitCode = window.Run();
    }
    return exitCode;
}
