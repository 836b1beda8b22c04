// The settings store on Windows: the registry under HKEY_LOCAL_MACHINE,
// through its 32-bit view, where the game's 32-bit installer and earlier
// 32-bit builds of this program keep their keys.

#include <windows.h>

#include <string>
#include <vector>

#include "platform/Errors.h"
#include "platform/SettingsStore.h"

namespace keelson::platform {

namespace {

constexpr REGSAM kView = KEY_WOW64_32KEY;
constexpr std::size_t kUnknownCount = static_cast<std::size_t>(-1);

// Key paths name keys below HKEY_LOCAL_MACHINE; the registry wants them
// without a leading separator.
std::string RelativePath(const std::string& keyPath) {
    std::size_t start = keyPath.find_first_not_of('\\');
    return start == std::string::npos ? std::string() : keyPath.substr(start);
}

// Deletes a subkey of parent with everything below it, deepest keys first.
bool DeleteTree(HKEY parent, const std::string& name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ | KEY_WRITE | DELETE | kView, &key) !=
        ERROR_SUCCESS) {
        return false;
    }
    std::vector<std::string> children;
    for (DWORD index = 0;; ++index) {
        char buffer[256];  // key names hold at most 255 characters
        DWORD length = static_cast<DWORD>(sizeof buffer);
        LONG status =
            ::RegEnumKeyExA(key, index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (status != ERROR_SUCCESS) {
            ::RegCloseKey(key);
            return false;
        }
        children.emplace_back(buffer, length);
    }
    bool ok = true;
    for (const std::string& child : children) {
        ok = DeleteTree(key, child) && ok;
    }
    ::RegCloseKey(key);
    return ok && ::RegDeleteKeyExA(parent, name.c_str(), kView, 0) == ERROR_SUCCESS;
}

class RegistryKey : public SettingsKey {
  public:
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey() override { ::RegCloseKey(key_); }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    std::optional<StoredValue> Query(const std::string& name) override {
        DWORD type = 0;
        DWORD size = 0;
        LONG status = ::RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size);
        // The value may grow between the two calls: ask again until it fits.
        for (int attempt = 0; attempt < 8; ++attempt) {
            if (status == ERROR_FILE_NOT_FOUND) {
                return std::nullopt;
            }
            if (status != ERROR_SUCCESS && status != ERROR_MORE_DATA) {
                break;
            }
            StoredValue value;
            value.data.resize(size);
            DWORD got = size;
            status = ::RegQueryValueExA(key_, name.c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(value.data.data()), &got);
            if (status == ERROR_SUCCESS) {
                value.type = type;
                value.data.resize(got);
                return value;
            }
            size = got;
        }
        throw RegistryError("Failed to get data for '" + name + "'");
    }

    bool Set(const std::string& name, const StoredValue& value) override {
        if (value.data.size() > MAXDWORD) {
            return false;
        }
        return ::RegSetValueExA(key_, name.c_str(), 0, value.type,
                                reinterpret_cast<const BYTE*>(value.data.data()),
                                static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
    }

    std::size_t SubkeyCount() override {
        DWORD count = 0;
        if (::RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                               nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            // Unknown counts as some, so that nothing is deleted on a guess.
            return kUnknownCount;
        }
        return count;
    }

    bool DeleteSubkeyTree(const std::string& name) override {
        return !name.empty() && DeleteTree(key_, name);
    }

  private:
    HKEY key_;
};

class RegistryStore : public SettingsStore {
  public:
    std::unique_ptr<SettingsKey> Open(const std::string& keyPath, Access access) override {
        HKEY key = nullptr;
        REGSAM rights = (access == Access::Full ? KEY_ALL_ACCESS : KEY_READ) | kView;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, RelativePath(keyPath).c_str(), 0, rights, &key) !=
            ERROR_SUCCESS) {
            return nullptr;
        }
        return std::make_unique<RegistryKey>(key);
    }

    std::unique_ptr<SettingsKey> Create(const std::string& keyPath) override {
        HKEY key = nullptr;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, RelativePath(keyPath).c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | kView, nullptr, &key,
                              nullptr) != ERROR_SUCCESS) {
            return nullptr;
        }
        return std::make_unique<RegistryKey>(key);
    }

    std::string Describe() const override { return "Windows registry"; }
};

}  // namespace

std::unique_ptr<SettingsStore> OpenMachineStore() {
    return std::make_unique<RegistryStore>();
}

}  // namespace keelson::platform
