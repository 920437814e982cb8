// Text onto the clipboard, as the system's own controls put it there.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// Replaces the clipboard's content with `text` (CF_UNICODETEXT); false when
// the clipboard could not be had.
bool CopyText(HWND owner, const std::wstring& text);

}  // namespace win32
