// The box that arranges the result list's columns: every column as a checked
// list in the user's order (checked = shown), narrowed by what is typed in
// its Find box, with Move Up, Move Down, Show, Hide, OK and Cancel.
#pragma once

#include <windows.h>

#include <span>
#include <string>

#include "platform/column_layout.h"

namespace win32 {

// True on OK, `layout` then as the user left it; on Cancel, Esc or the close
// box false, `layout` as it was. `captions` names the layout's columns.
bool ShowColumnsDialog(HWND owner, std::span<const std::wstring> captions,
                       platform::ColumnLayout& layout);

// Control ids inside the box, for whoever drives it.
enum ColumnsDialogId : WORD {
    kColumnsFindId = 100,
    kColumnsListId,
    kColumnsUpId,
    kColumnsDownId,
    kColumnsShowId,
    kColumnsHideId,
};

}  // namespace win32
