#include "platform/win32/settings_win.h"

namespace win32 {

namespace {

// More than any value of ours: a larger one is not ours, and is not read.
constexpr DWORD kMostBytes = 64 * 1024;

// An open registry key, closed with its owner.
class Key {
  public:
    Key(const std::wstring& path, bool create) {
        const LONG rc =
            create ? RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                                     KEY_READ | KEY_WRITE, nullptr, &key_, nullptr)
                   : RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ | KEY_WRITE, &key_);
        if (rc != ERROR_SUCCESS) key_ = nullptr;
    }
    ~Key() {
        if (key_) RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

}  // namespace

std::optional<std::vector<std::byte>> RegistrySettings::Read(std::wstring_view name) const {
    const Key key(key_, false);
    const std::wstring value(name);
    DWORD type = 0, size = 0;
    if (!key.get() ||
        RegQueryValueExW(key.get(), value.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS ||
        type != REG_BINARY || size > kMostBytes) {
        return std::nullopt;
    }
    std::vector<std::byte> bytes(size);
    if (RegQueryValueExW(key.get(), value.c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(bytes.data()), &size) != ERROR_SUCCESS ||
        type != REG_BINARY) {
        return std::nullopt;
    }
    bytes.resize(size);  // it may have changed in between
    return bytes;
}

void RegistrySettings::Write(std::wstring_view name, std::span<const std::byte> bytes) {
    const Key key(key_, true);
    if (!key.get()) return;
    RegSetValueExW(key.get(), std::wstring(name).c_str(), 0, REG_BINARY,
                   reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
}

void RegistrySettings::Remove(std::wstring_view name) {
    DWORD subkeys = 0, values = 0;
    {
        const Key key(key_, false);
        if (!key.get()) return;
        RegDeleteValueW(key.get(), std::wstring(name).c_str());
        if (RegQueryInfoKeyW(key.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                             &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            return;
        }
    }
    if (subkeys == 0 && values == 0) RegDeleteKeyW(HKEY_CURRENT_USER, key_.c_str());
}

}  // namespace win32
