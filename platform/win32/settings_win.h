// The user's settings in the registry: the values of one key under
// HKEY_CURRENT_USER, values of bytes (REG_BINARY).
#pragma once

#include <windows.h>

#include <string>

#include "platform/settings.h"

namespace win32 {

class RegistrySettings final : public platform::Settings {
  public:
    // `key` is a path under HKEY_CURRENT_USER, made when first written.
    explicit RegistrySettings(std::wstring key) : key_(std::move(key)) {}

    std::optional<std::vector<std::byte>> Read(std::wstring_view name) const override;
    void Write(std::wstring_view name, std::span<const std::byte> bytes) override;
    // The key goes too once it holds nothing more.
    void Remove(std::wstring_view name) override;

  private:
    std::wstring key_;
};

}  // namespace win32
