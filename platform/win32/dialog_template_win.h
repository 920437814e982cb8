// A dialog template assembled in memory, so that a box needs no resource.
#pragma once

#include <windows.h>

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

namespace win32 {

// The predefined classes of dialog items, by atom.
constexpr WORD kButtonAtom = 0x0080, kEditAtom = 0x0081, kStaticAtom = 0x0082;

class DialogTemplate {
  public:
    // Sizes in dialog units; no title (the box sets its own).
    DialogTemplate(DWORD style, short cx, short cy, std::wstring_view font, WORD points);

    void Item(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
              std::wstring_view text = {});
    // An item of a class named, such as a common control's.
    void Item(DWORD style, short x, short y, short cx, short cy, WORD id,
              std::wstring_view className, std::wstring_view text = {});

    // A column of push buttons at `x`, each 51 by 14 at its `y`; IDOK's is
    // the default button.
    struct Button {
        WORD id;
        short y;
        const wchar_t* text;
    };
    void Buttons(short x, std::span<const Button> buttons);

    const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    void Begin(DWORD style, short x, short y, short cx, short cy, WORD id);
    void End(std::wstring_view text);
    void Append(const void* p, size_t bytes);
    void String(std::wstring_view s);
    void Align();

    std::vector<WORD> words_;
    size_t countAt_ = 0;
};

}  // namespace win32
