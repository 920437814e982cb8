// What the program keeps for the user from one run to the next: named
// values of bytes, in a store of the user's own (on Windows, the registry
// under the current user).
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace platform {

class Settings {
  public:
    virtual ~Settings() = default;
    // The value's bytes; nothing when it is missing, is not a value of bytes
    // or is too large to be one of ours.
    virtual std::optional<std::vector<std::byte>> Read(std::wstring_view name) const = 0;
    // Keeping settings is a courtesy: a store that cannot be written loses
    // the value, and the program goes on.
    virtual void Write(std::wstring_view name, std::span<const std::byte> bytes) = 0;
    virtual void Remove(std::wstring_view name) = 0;
};

}  // namespace platform
