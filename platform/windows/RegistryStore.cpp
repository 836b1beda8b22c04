// The settings store on Windows: the registry under HKEY_LOCAL_MACHINE,
// through its 32-bit view, where the game's 32-bit installer and earlier
// 32-bit builds of this program keep their keys.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
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

// A key being made by CreateWithValues: the key's name, this mark and the
// number of the process that makes it.
constexpr std::string_view kUnfinishedMark = ".keelson-new-";

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    int n = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                  wide.data(), static_cast<int>(wide.size()));
    wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return wide;
}

bool ProcessRuns(DWORD id) {
    HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, id);
    if (process == nullptr) {
        return ::GetLastError() != ERROR_INVALID_PARAMETER;  // there, but not ours to see
    }
    bool runs = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    ::CloseHandle(process);
    return runs;
}

// Deletes the unfinished keys that killed runs left beside the key name.
void RemoveAbandonedKeys(HKEY parent, const std::string& name) {
    const std::string prefix = name + std::string(kUnfinishedMark);
    std::vector<std::string> abandoned;
    for (DWORD index = 0;; ++index) {
        char buffer[256];
        DWORD length = static_cast<DWORD>(sizeof buffer);
        if (::RegEnumKeyExA(parent, index, buffer, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        std::string child(buffer, length);
        if (child.size() > prefix.size() && child.size() <= prefix.size() + 9 &&
            child.compare(0, prefix.size(), prefix) == 0 &&
            child.find_first_not_of("0123456789", prefix.size()) == std::string::npos &&
            !ProcessRuns(static_cast<DWORD>(std::stoul(child.substr(prefix.size()))))) {
            abandoned.push_back(child);
        }
    }
    for (const std::string& child : abandoned) {
        DeleteTree(parent, child);
    }
}

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

    // The values go into a key of a temporary name, which takes the key's
    // name when they are all written (Windows Vista and later rename keys).
    std::optional<std::size_t> CreateWithValues(const std::string& keyPath,
                                                const StoredValues& values) override {
        const std::string path = RelativePath(keyPath);
        const std::size_t cut = path.rfind('\\');
        if (cut == std::string::npos || cut + 1 == path.size()) {
            return SettingsStore::CreateWithValues(keyPath, values);
        }
        const std::string name = path.substr(cut + 1);
        HKEY parent = nullptr;
        if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.substr(0, cut).c_str(), 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS | kView, nullptr, &parent,
                              nullptr) != ERROR_SUCCESS) {
            return 0;
        }
        RegistryKey parentKey(parent);
        auto exists = [&] {
            HKEY key = nullptr;
            LONG status = ::RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ | kView, &key);
            if (status == ERROR_SUCCESS) {
                ::RegCloseKey(key);
            }
            return status != ERROR_FILE_NOT_FOUND;
        };
        if (exists()) {
            return std::nullopt;
        }
        RemoveAbandonedKeys(parent, name);
        const std::string temp =
            name + std::string(kUnfinishedMark) + std::to_string(::GetCurrentProcessId());
        DeleteTree(parent, temp);  // left by a killed run that had this number
        HKEY made = nullptr;
        if (::RegCreateKeyExA(parent, temp.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_ALL_ACCESS | kView, nullptr, &made, nullptr) != ERROR_SUCCESS) {
            return 0;
        }
        std::size_t written = RegistryKey(made).SetValues(values);
        if (written == values.size() &&
            ::RegRenameKey(parent, Wide(temp).c_str(), Wide(name).c_str()) == ERROR_SUCCESS) {
            return written;
        }
        DeleteTree(parent, temp);
        if (written < values.size()) {
            return written;
        }
        // The rename fails when another program made the key first.
        return exists() ? std::nullopt : std::optional<std::size_t>(0);
    }

    std::string Describe() const override { return "Windows registry"; }
};

}  // namespace

std::unique_ptr<SettingsStore> OpenMachineStore() {
    return std::make_unique<RegistryStore>();
}

}  // namespace keelson::platform
