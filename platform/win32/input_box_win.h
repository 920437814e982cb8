// The modal input box: a prompt, an edit box, OK and Cancel.
#pragma once

#include <windows.h>

#include <string>

namespace win32 {

// The typed text on OK; empty text on Cancel, Escape or the close box.
std::wstring ShowInputBox(HWND owner, const std::wstring& prompt, const std::wstring& title);

// Control ids inside the box, for whoever drives it.
constexpr int kInputBoxPromptId = 100;
constexpr int kInputBoxEditId = 101;

}  // namespace win32
