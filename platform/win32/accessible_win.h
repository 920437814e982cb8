// A control's name for screen readers. A combo box, an edit or a list has no
// text that names it, and the system finds none in labels created after it;
// the name is given here, and the system's standard object answers all else.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace win32 {

// The name a label's caption gives the control it labels: the caption
// without the access-key ampersand and the trailing colon.
std::wstring NameFromLabel(std::wstring_view caption);

// Screen readers read `name` as the control's name for as long as it lives.
// Once per control.
void SetAccessibleName(HWND control, std::wstring name);

}  // namespace win32
