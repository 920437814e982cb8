#include "platform/win32/find_dialog_win.h"

#include <algorithm>
#include <utility>

#include "platform/win32/accessible_win.h"
#include "platform/win32/controls_win.h"
#include "platform/win32/dialog_template_win.h"

namespace win32 {

namespace {

constexpr wchar_t kTitle[] = L"Find";
constexpr wchar_t kFindWhatLabel[] = L"Fi&nd what";

// Below its owner where the screen has room, else above it, so that the list
// stays in view; within the work area either way.
void Place(HWND box, HWND owner) {
    RECT r, by;
    GetWindowRect(box, &r);
    GetWindowRect(owner, &by);
    const RECT work = WorkAreaOf(owner);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x =
        std::clamp<int>(by.right - w, work.left, std::max<int>(work.left, work.right - w));
    const int y = std::clamp<int>(by.bottom + h <= work.bottom ? by.bottom : by.top - h, work.top,
                                  std::max<int>(work.top, work.bottom - h));
    SetWindowPos(box, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

FindDialog::~FindDialog() {
    if (hwnd_) DestroyWindow(hwnd_);
}

// In dialog units, which follow the DPI through the box's font. The tab order
// is the items' order; the label comes right before the box it names, so
// that its access key reaches it.
void FindDialog::Open(HWND owner) {
    if (!hwnd_) {
        DialogTemplate t(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, 262, 77,
                         L"MS Shell Dlg", 8);
        t.Item(SS_LEFT, 7, 9, 40, 8, kFindWhatLabelId, kStaticAtom, kFindWhatLabel);
        t.Item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 48, 7, 148, 12, kFindWhatId, kEditAtom);
        t.Item(WS_TABSTOP | BS_AUTOCHECKBOX, 7, 28, 100, 10, kFindMatchCaseId, kButtonAtom,
               L"Match &case");
        t.Item(WS_TABSTOP | BS_AUTOCHECKBOX, 7, 43, 100, 10, kFindWholeCellId, kButtonAtom,
               L"&Whole cell");
        const DialogTemplate::Button buttons[] = {{IDOK, 6, L"&Find Next"},
                                                  {kFindFilterId, 23, L"Fi&lter"},
                                                  {kFindShowAllId, 40, L"Show &All"},
                                                  {IDCANCEL, 57, L"Close"}};
        t.Buttons(204, buttons);
        CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, &Proc,
                                   reinterpret_cast<LPARAM>(this));
        if (!hwnd_) return;
        Place(hwnd_, owner);
        ShowWindow(hwnd_, SW_SHOW);
    }
    SetActiveWindow(hwnd_);
    HWND edit = GetDlgItem(hwnd_, kFindWhatId);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

void FindDialog::Init() {
    SetWindowTextW(hwnd_, kTitle);
    HWND edit = GetDlgItem(hwnd_, kFindWhatId);
    SetAccessibleName(edit, NameFromLabel(kFindWhatLabel));
    // A pasted text is taken whole, however long, rather than cut short
    // where the edit's default limit would cut it without a word.
    SendMessageW(edit, EM_SETLIMITTEXT, 0, 0);
    filling_ = true;
    SetWindowTextW(edit, request_.text.c_str());
    CheckDlgButton(hwnd_, kFindMatchCaseId, request_.matchCase ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(hwnd_, kFindWholeCellId, request_.wholeCell ? BST_CHECKED : BST_UNCHECKED);
    filling_ = false;
}

void FindDialog::Command(WORD id, WORD code) {
    static constexpr std::pair<WORD, FindAction> kButtons[] = {
        {IDOK, FindAction::kNext},
        {kFindFilterId, FindAction::kFilter},
        {kFindShowAllId, FindAction::kShowAll}};
    if (id == IDCANCEL) {
        DestroyWindow(hwnd_);  // Esc, Close and the close box
        return;
    }
    for (const auto& [button, action] : kButtons) {
        if (id == button) return asked_(action);
    }
    const bool changed = id == kFindWhatId ? code == EN_CHANGE
                                           : (id == kFindMatchCaseId || id == kFindWholeCellId) &&
                                                 code == BN_CLICKED;
    if (!changed || filling_) return;
    request_ = {WindowText(GetDlgItem(hwnd_, kFindWhatId)),
                IsDlgButtonChecked(hwnd_, kFindMatchCaseId) == BST_CHECKED,
                IsDlgButtonChecked(hwnd_, kFindWholeCellId) == BST_CHECKED};
    asked_(FindAction::kChanged);
}

INT_PTR CALLBACK FindDialog::Proc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto* self = reinterpret_cast<FindDialog*>(lp);
        SetWindowLongPtrW(dlg, DWLP_USER, lp);
        self->hwnd_ = dlg;
        self->Init();
        return TRUE;  // the focus to the first tab stop: "Find what"
    }
    auto* self = reinterpret_cast<FindDialog*>(GetWindowLongPtrW(dlg, DWLP_USER));
    if (!self || self->hwnd_ != dlg) return FALSE;
    switch (msg) {
        case WM_COMMAND:
            self->Command(LOWORD(wp), HIWORD(wp));
            return TRUE;
        case WM_DESTROY:
            self->hwnd_ = nullptr;  // the owner's end takes the box with it
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace win32
