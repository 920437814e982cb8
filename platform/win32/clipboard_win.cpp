#include "platform/win32/clipboard_win.h"

#include <algorithm>

namespace win32 {

bool CopyText(HWND owner, const std::wstring& text) {
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    bool copied = false;
    const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes)) {
        // The clipboard owns the memory once it takes it, and only then.
        auto* to = static_cast<wchar_t*>(GlobalLock(memory));
        if (to) {
            std::copy_n(text.c_str(), text.size() + 1, to);
            GlobalUnlock(memory);
        }
        copied = to && SetClipboardData(CF_UNICODETEXT, memory);
        if (!copied) GlobalFree(memory);
    }
    CloseClipboard();
    return copied;
}

}  // namespace win32
