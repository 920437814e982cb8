#include "platform/win32/controls_win.h"

#include "platform/error.h"

namespace win32 {

namespace {

// Every operation on a control that fails raises, like any other failure.
void Check(bool ok, const platform::ErrorKind& error) {
    if (!ok) throw platform::RuntimeError(error);
}

}  // namespace

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)), L'\0');
    if (!text.empty()) {
        int n = GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size() + 1));
        text.resize(static_cast<size_t>(n));
    }
    return text;
}

RECT WorkAreaOf(HWND window) {
    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &mi);
    return mi.rcWork;
}

void RegisterWindowClass(const wchar_t* name, WNDPROC proc) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExW(instance, name, &wc)) return;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = name;
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), 0));
    RegisterClassExW(&wc);
}

bool PressFocusedButton(HWND window) {
    HWND focus = GetFocus();
    if (!focus || GetParent(focus) != window ||
        !(SendMessageW(focus, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON))
        return false;
    SendMessageW(focus, BM_CLICK, 0, 0);
    return true;
}

void ComboBoxWin::Clear() { SendMessageW(hwnd_, CB_RESETCONTENT, 0, 0); }

void ComboBoxWin::AddItem(const std::wstring& text) {
    LRESULT r = SendMessageW(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    Check(r != CB_ERR && r != CB_ERRSPACE, platform::err::kOutOfMemory);
}

// -1 clears the selection; any other position outside the list is refused.
void ComboBoxWin::SetListIndex(int index) {
    LRESULT count = SendMessageW(hwnd_, CB_GETCOUNT, 0, 0);
    Check(index >= -1 && index < count, platform::err::kInvalidPropertyValue);
    SendMessageW(hwnd_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::wstring ComboBoxWin::Text() const {
    LRESULT sel = SendMessageW(hwnd_, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR) return {};
    LRESULT len = SendMessageW(hwnd_, CB_GETLBTEXTLEN, static_cast<WPARAM>(sel), 0);
    if (len <= 0) return {};
    std::wstring text(static_cast<size_t>(len), L'\0');
    // The buffer must hold the terminator too: std::wstring keeps room for it.
    LRESULT n = SendMessageW(hwnd_, CB_GETLBTEXT, static_cast<WPARAM>(sel),
                             reinterpret_cast<LPARAM>(text.data()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

void LabelWin::SetCaption(const std::wstring& text) {
    caption_ = text;
    if (note_.empty()) Show(caption_);
}

void LabelWin::SetNote(const std::wstring& note) {
    if (note == note_) return;
    note_ = note;
    Show(note_.empty() ? caption_ : note_);
}

void LabelWin::Show(const std::wstring& text) {
    SetWindowTextW(hwnd_, text.c_str());
    // Static controls repaint lazily; the status line must show at once,
    // also while a long search keeps the thread busy.
    UpdateWindow(hwnd_);
}

}  // namespace win32
