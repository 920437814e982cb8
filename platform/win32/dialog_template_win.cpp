#include "platform/win32/dialog_template_win.h"

#include <cstring>

namespace win32 {

DialogTemplate::DialogTemplate(DWORD style, short cx, short cy, std::wstring_view font,
                               WORD points) {
    Align();
    DLGTEMPLATE t = {};
    t.style = style | DS_SETFONT;
    t.cx = cx;
    t.cy = cy;
    Append(&t, sizeof(t));
    countAt_ = offsetof(DLGTEMPLATE, cdit) / sizeof(WORD);
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    words_.push_back(0);  // no title
    words_.push_back(points);
    String(font);
}

void DialogTemplate::Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
                          std::wstring_view text) {
    Begin(style, x, y, cx, cy, id);
    words_.push_back(0xFFFF);
    words_.push_back(atom);
    End(text);
}

void DialogTemplate::Item(DWORD style, short x, short y, short cx, short cy, WORD id,
                          std::wstring_view className, std::wstring_view text) {
    Begin(style, x, y, cx, cy, id);
    String(className);
    End(text);
}

void DialogTemplate::Buttons(short x, std::span<const Button> buttons) {
    for (const Button& b : buttons) {
        Item(WS_TABSTOP | (b.id == IDOK ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), x, b.y, 51, 14, b.id,
             kButtonAtom, b.text);
    }
}

void DialogTemplate::Begin(DWORD style, short x, short y, short cx, short cy, WORD id) {
    Align();
    DLGITEMTEMPLATE item = {};
    item.style = style | WS_CHILD | WS_VISIBLE;
    item.x = x;
    item.y = y;
    item.cx = cx;
    item.cy = cy;
    item.id = id;
    Append(&item, sizeof(item));
}

void DialogTemplate::End(std::wstring_view text) {
    String(text);
    words_.push_back(0);  // no creation data
    ++words_[countAt_];
}

void DialogTemplate::Append(const void* p, size_t bytes) {
    const size_t at = words_.size();
    words_.resize(at + bytes / sizeof(WORD));
    std::memcpy(words_.data() + at, p, bytes);
}

void DialogTemplate::String(std::wstring_view s) {
    words_.insert(words_.end(), s.begin(), s.end());
    words_.push_back(0);
}

// Templates and their items start on DWORD boundaries.
void DialogTemplate::Align() {
    if (words_.size() % 2) words_.push_back(0);
}

}  // namespace win32
