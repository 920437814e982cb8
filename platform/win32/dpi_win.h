// A window's DPI, and the font its controls take at it.
#pragma once

#include <windows.h>

namespace win32 {

// The DPI the window is drawn at (96 when the process is not DPI aware).
int WindowDpi(HWND hwnd);
// The system's message-box font at `dpi`; the caller deletes it.
HFONT CreateDialogFont(int dpi);

}  // namespace win32
