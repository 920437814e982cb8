// Thin, non-owning wrappers of the standard controls: the window owns the
// HWNDs, these only talk to them.
#pragma once

#include <windows.h>

#include <string>

#include "platform/toolkit.h"

namespace win32 {

std::wstring WindowText(HWND hwnd);
// The work area (the screen less the taskbar) of the monitor a window is on.
RECT WorkAreaOf(HWND window);
// Registers, once, the class of one of the program's own windows: the
// arrow pointer, the dialog face's colour and the program's icon (resource 1).
void RegisterWindowClass(const wchar_t* name, WNDPROC proc);
// Enter in a window without a default button: a focused button of the
// window takes it as a click. False when the focus is elsewhere.
bool PressFocusedButton(HWND window);

class ComboBoxWin final : public platform::ComboBox {
  public:
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    HWND hwnd() const { return hwnd_; }

    void Clear() override;
    void AddItem(const std::wstring& text) override;
    void SetListIndex(int index) override;
    std::wstring Text() const override;

  private:
    HWND hwnd_ = nullptr;
};

class TextBoxWin final : public platform::TextBox {
  public:
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    std::wstring Text() const override { return WindowText(hwnd_); }

  private:
    HWND hwnd_ = nullptr;
};

class LabelWin final : public platform::Label {
  public:
    void Attach(HWND hwnd) { hwnd_ = hwnd; }
    void SetCaption(const std::wstring& text) override;
    // A note shown in the caption's place until it is emptied; the caption
    // set meanwhile shows then.
    void SetNote(const std::wstring& note);

  private:
    void Show(const std::wstring& text);

    HWND hwnd_ = nullptr;
    std::wstring caption_, note_;
};

}  // namespace win32
