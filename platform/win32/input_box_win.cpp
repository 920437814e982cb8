#include "platform/win32/input_box_win.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/win32/controls_win.h"

namespace win32 {

namespace {

// A dialog template assembled in memory, so the box needs no resource.
class DialogTemplate {
  public:
    DialogTemplate(DWORD style, short cx, short cy, std::wstring_view font, WORD points) {
        Align();
        DLGTEMPLATE t = {};
        t.style = style | DS_SETFONT;
        t.cx = cx;
        t.cy = cy;
        Append(&t, sizeof(t));
        countAt_ = offsetof(DLGTEMPLATE, cdit) / sizeof(WORD);
        words_.push_back(0);  // no menu
        words_.push_back(0);  // the standard dialog class
        words_.push_back(0);  // no title; the caller sets it
        words_.push_back(points);
        String(font);
    }

    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
              std::wstring_view text = {}) {
        Align();
        DLGITEMTEMPLATE item = {};
        item.style = style | WS_CHILD | WS_VISIBLE;
        item.x = x;
        item.y = y;
        item.cx = cx;
        item.cy = cy;
        item.id = id;
        Append(&item, sizeof(item));
        words_.push_back(0xFFFF);
        words_.push_back(atom);
        String(text);
        words_.push_back(0);  // no creation data
        ++words_[countAt_];
    }

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    void Append(const void* p, size_t bytes) {
        const WORD* w = static_cast<const WORD*>(p);
        words_.insert(words_.end(), w, w + bytes / sizeof(WORD));
    }
    void String(std::wstring_view s) {
        words_.insert(words_.end(), s.begin(), s.end());
        words_.push_back(0);
    }
    void Align() {
        if (words_.size() % 2) words_.push_back(0);
    }

    std::vector<WORD> words_;
    size_t countAt_ = 0;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

struct BoxData {
    const std::wstring* prompt;
    const std::wstring* title;
    std::wstring answer;
};

INT_PTR CALLBACK InputBoxProc(HWND dlg, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_INITDIALOG: {
            auto* data = reinterpret_cast<BoxData*>(lp);
            SetWindowLongPtrW(dlg, DWLP_USER, lp);
            SetWindowTextW(dlg, data->title->c_str());
            SetDlgItemTextW(dlg, kInputBoxPromptId, data->prompt->c_str());
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
    t.Item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 6, 74, 228, 13, kInputBoxEditId, kEdit);
    t.Item(SS_LEFT | SS_NOPREFIX, 6, 6, 172, 62, kInputBoxPromptId, kStatic);
    t.Item(WS_TABSTOP | BS_DEFPUSHBUTTON, 184, 6, 50, 14, IDOK, kButton, L"OK");
    t.Item(WS_TABSTOP | BS_PUSHBUTTON, 184, 24, 50, 14, IDCANCEL, kButton, L"Cancel");

    BoxData data{&prompt, &title, {}};
    INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, InputBoxProc,
                                        reinterpret_cast<LPARAM>(&data));
    return r == IDOK ? data.answer : std::wstring();
}

}  // namespace win32
