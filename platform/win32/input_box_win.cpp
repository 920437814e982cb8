#include "platform/win32/input_box_win.h"

#include <algorithm>

#include "platform/win32/controls_win.h"
#include "platform/win32/dialog_template_win.h"

namespace win32 {

namespace {

struct BoxData {
    const std::wstring* prompt;
    const std::wstring* title;
    std::wstring answer;
};

// Rectangle of a child in its parent's client coordinates.
RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// The box grows with a long prompt, up to most of the screen's height;
// beyond that the prompt becomes a read-only text that scrolls.
void FitPrompt(HWND dlg, const std::wstring& text) {
    HWND prompt = GetDlgItem(dlg, kInputBoxPromptId);
    const RECT p = ChildRect(prompt);
    RECT need = {0, 0, p.right - p.left, 0};
    HDC dc = GetDC(prompt);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(prompt, WM_GETFONT, 0, 0)));
    // As the static control lays its text out.
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &need,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(prompt, dc);
    const int height = p.bottom - p.top;
    if (need.bottom <= height) return;

    RECT box;
    GetWindowRect(dlg, &box);
    const RECT work = WorkAreaOf(dlg);
    const int rest = (box.bottom - box.top) - height;
    const int most = (work.bottom - work.top) * 4 / 5 - rest;
    const int grown = std::max(height, std::min<int>(need.bottom, most));
    const int by = grown - height;
    HWND edit = GetDlgItem(dlg, kInputBoxEditId);
    const RECT e = ChildRect(edit);
    SetWindowPos(edit, nullptr, e.left, e.top + by, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    SetWindowPos(prompt, nullptr, 0, 0, p.right - p.left, grown, SWP_NOMOVE | SWP_NOZORDER);
    const int boxHeight = box.bottom - box.top + by;
    SetWindowPos(dlg, nullptr, box.left, work.top + (work.bottom - work.top - boxHeight) / 2,
                 box.right - box.left, boxHeight, SWP_NOZORDER);
    if (need.bottom <= grown) return;

    const auto font = static_cast<WPARAM>(SendMessageW(prompt, WM_GETFONT, 0, 0));
    DestroyWindow(prompt);
    HWND scroller = CreateWindowExW(
        0, L"EDIT", text.c_str(),
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY, p.left, p.top,
        p.right - p.left, grown, dlg, reinterpret_cast<HMENU>(INT_PTR{kInputBoxPromptId}),
        GetModuleHandleW(nullptr), nullptr);
    SendMessageW(scroller, WM_SETFONT, font, FALSE);
}

INT_PTR CALLBACK InputBoxProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            auto* data = reinterpret_cast<BoxData*>(lp);
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            SetWindowTextW(dlg, data->title->c_str());
            SetDlgItemTextW(dlg, kInputBoxPromptId, data->prompt->c_str());
            FitPrompt(dlg, *data->prompt);
            return TRUE;  // focus to the first tab stop: the edit box
        }
        case WM_COMMAND:
            if (LOWORD(wp) == IDOK) {
                auto* data = reinterpret_cast<BoxData*>(GetWindowLongPtrW(dlg, DWLP_USER));
                data->answer = WindowText(GetDlgItem(dlg, kInputBoxEditId));
                EndDialog(dlg, IDOK);
                return TRUE;
            }
            if (LOWORD(wp) == IDCANCEL) {
                EndDialog(dlg, IDCANCEL);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

std::wstring ShowInputBox(HWND owner, const std::wstring& prompt, const std::wstring& title) {
    // The edit box comes first so that it takes the focus; OK is the default.
    DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER, 240, 94,
                     L"MS Shell Dlg", 8);
    t.Item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 6, 74, 228, 13, kInputBoxEditId, kEditAtom);
    t.Item(SS_LEFT | SS_NOPREFIX, 6, 6, 172, 62, kInputBoxPromptId, kStaticAtom);
    t.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, 184, 6, 50, 14, IDOK, kButtonAtom, L"OK");
    t.Item(WS_TABSTOP | BS_PUSHBUTTON, 184, 24, 50, 14, IDCANCEL, kButtonAtom, L"Cancel");

    BoxData data{&prompt, &title, {}};
    INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, InputBoxProc,
                                        reinterpret_cast<LPARAM>(&data));
    return r == IDOK ? data.answer : std::wstring();
}

}  // namespace win32
