// Numbers typed by the user, read under the user's locale.
#pragma once

#include "platform/toolkit.h"

namespace win32 {

class NumberRulesWin final : public platform::NumberRules {
  public:
    bool IsNumeric(const std::wstring& text) override;
    double ToDouble(const std::wstring& text) override;
    bool ToInteger(const std::wstring& text, int16_t& out) override;
};

}  // namespace win32
