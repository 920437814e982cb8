// Numbers typed by the user, read under the user's locale.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/toolkit.h"

namespace win32 {

class NumberRulesWin final : public platform::NumberRules {
  public:
    bool IsNumeric(const std::wstring& text) override;
    double ToDouble(const std::wstring& text) override;
    bool ToInteger(const std::wstring& text, int16_t& out) override;
};

// The result list's cells read for sorting, under the user's locale.
class CellReaderWin final : public platform::CellReader {
  public:
    CellReaderWin();
    bool Number(std::wstring_view cell, double& out) override;
    bool Date(std::wstring_view cell, double& out) override;
    void AppendTextKey(std::wstring_view cell, std::string& keys) override;

  private:
    // The cell with the terminating zero the platform's parsers need.
    wchar_t* Terminated(std::wstring_view cell);
    std::wstring buffer_;
    std::wstring thousands_;  // the user's thousands separator
    wchar_t decimal_ = 0;     // the user's decimal separator, if one character
};

}  // namespace win32
