// standin_demo: what the run script shows without a desktop. It drives the
// open Skuvane window as a person would: a search of the electrical
// database for circuit breakers, then two of them added to the quote with
// their quantities, so that the lines appear in the stand-in's window.
#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "standin/client/driver_win.h"

namespace {

constexpr DWORD kWaitMs = 20000;

int Fail(const char* step) {
    std::fprintf(stderr, "standin_demo: %s\n", step);
    return 1;
}

HWND Control(HWND window, search::ControlId id) { return GetDlgItem(window, app::ControlIdOf(id)); }

bool Choose(HWND window, search::ControlId id, const std::wstring& entry) {
    const auto items = driver::ComboItems(Control(window, id));
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i] == entry) {
            SendMessageW(Control(window, id), CB_SETCURSEL, i, 0);
            return true;
        }
    }
    std::fprintf(stderr, "standin_demo: \"%ls\" is not among %zu choices\n", entry.c_str(),
                 items.size());
    for (const auto& item : items) std::fprintf(stderr, "  [%ls]\n", item.c_str());
    return false;
}

// The input box open now, if any.
HWND InputBox(DWORD pid) {
    for (HWND dlg : driver::WindowsOf(pid, L"#32770", true)) {
        if (GetDlgItem(dlg, 101)) return dlg;
    }
    return nullptr;
}

}  // namespace

int main() {
    HWND window = nullptr;
    driver::WaitUntil(
        kWaitMs, [&] { return (window = FindWindowW(L"Skuvane.frmMain", nullptr)) != nullptr; });
    if (!window) return Fail("no Skuvane window");
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    // The pointer out of the way, or a tooltip would hide part of the picture.
    SetCursorPos(2, GetSystemMetrics(SM_CYSCREEN) - 2);

    if (!Choose(window, search::kCboProductDatabase, L"Electrical Supply") ||
        !Choose(window, search::kCboSearchField, L"ManufacturerPartNumber") ||
        !Choose(window, search::kCboOperator, L"Begins with")) {
        return Fail("a choice is not offered");
    }
    const std::wstring value = L"cb-";  // the circuit breakers
    SendMessageW(Control(window, search::kTxtSearchFor), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(value.c_str()));
    driver::Press(window, app::ControlIdOf(search::kCmdSearch));
    HWND list = Control(window, search::kLvwResults);
    if (!driver::WaitUntil(kWaitMs, [&] {
            return driver::Text(Control(window, search::kLblStatus)) == L"Finished search";
        })) {
        return Fail("the search did not finish");
    }
    if (ListView_GetItemCount(list) < 2) return Fail("the search found fewer than two products");

    SetForegroundWindow(window);
    driver::RemoteListView(list).Select({0, 1});
    driver::Press(window, app::ControlIdOf(search::kCmdAddToQuote));
    // Per product: its quantity asked for, then its addition confirmed.
    for (const wchar_t* quantity : {L"4", L"2"}) {
        HWND box = nullptr;
        if (!driver::WaitUntil(kWaitMs, [&] { return (box = InputBox(pid)) != nullptr; })) {
            return Fail("no quantity was asked for");
        }
        driver::AnswerInputBox(pid, quantity, true, kWaitMs);
        driver::WaitUntil(kWaitMs, [&] { return !IsWindow(box) || !IsWindowVisible(box); });
        const auto done = driver::WaitMessageBox(pid, kWaitMs);
        if (!done) return Fail("the addition was not confirmed");
        driver::Press(done->hwnd, IDOK);
        driver::WaitUntil(kWaitMs,
                          [&] { return !IsWindow(done->hwnd) || !IsWindowVisible(done->hwnd); });
    }
    return 0;
}
