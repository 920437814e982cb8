#include "platform/win32/dpi_win.h"

namespace win32 {

int WindowDpi(HWND hwnd) {
    UINT dpi = hwnd ? GetDpiForWindow(hwnd) : 0;
    return dpi ? static_cast<int>(dpi) : USER_DEFAULT_SCREEN_DPI;
}

// The message-box font is what the system's own dialogs use; at 96 DPI it
// fits every caption of the window in its stored size.
HFONT CreateDialogFont(int dpi) {
    NONCLIENTMETRICSW ncm = {};
    ncm.cbSize = sizeof(ncm);
    if (SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, ncm.cbSize, &ncm, 0,
                                   static_cast<UINT>(dpi))) {
        return CreateFontIndirectW(&ncm.lfMessageFont);
    }
    LOGFONTW lf = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf);
    lf.lfHeight = MulDiv(lf.lfHeight, dpi, USER_DEFAULT_SCREEN_DPI);
    return CreateFontIndirectW(&lf);
}

}  // namespace win32
