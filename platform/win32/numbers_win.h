// Numbers typed by the user, and the result list's cells, read under the
// user's locale: for sorting, and for finding text ignoring case.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/text_match.h"
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
    // False for a cell whose words are not all names the date parser knows:
    // most texts are told apart here, without the parser's cost.
    bool MayBeDate(std::wstring_view cell);

    std::wstring buffer_;
    std::wstring thousands_;  // the user's thousands separator
    wchar_t decimal_ = 0;     // the user's decimal separator, if one character
    // What a number may hold besides digits: signs, brackets, an exponent,
    // the separators and the currency symbol.
    std::wstring numberMarks_;
    // The words a date may hold (month and day names, AM and PM, the user's
    // and English), sorted ignoring case.
    std::vector<std::wstring> dateWords_;
};

// The user's locale's case fold for finding text in the cells, made once.
const platform::CaseFold& UserCaseFold();

}  // namespace win32
