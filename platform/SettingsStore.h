#pragma once
// The machine-wide settings store: on Windows the registry under
// HKEY_LOCAL_MACHINE (32-bit view); elsewhere a file-backed store with the
// same key paths, value names and value types, one folder per key.
//
// Key paths are relative to the store's root and use "\" between their
// components, as in the registry: "Software\Brindlewood\Keelson\1".
// Key and value names compare ignoring letter case.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace keelson::platform {

// Registry value types the program meets.
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegDword = 4;

// A value as the store holds it: its type and its raw bytes (a REG_SZ text
// with its terminating NUL, a REG_DWORD as four little-endian bytes).
struct StoredValue {
    std::uint32_t type = 0;
    std::string data;
    friend bool operator==(const StoredValue&, const StoredValue&) = default;
};

// Named values in the order they are written.
using StoredValues = std::vector<std::pair<std::string, StoredValue>>;

// An open key. Closed when destroyed.
class SettingsKey {
  public:
    virtual ~SettingsKey() = default;
    // The value of that name, or nothing when the key has no such value.
    // Raises RegistryError when the store cannot be read.
    virtual std::optional<StoredValue> Query(const std::string& name) = 0;
    // Sets a value; false when it cannot be written. Nothing already in the
    // key is lost when a write fails. Raises RegistryError when the key's
    // existing values cannot be read (they are then left as they are).
    virtual bool Set(const std::string& name, const StoredValue& value) = 0;
    // Sets several values in order. Returns how many were written before the
    // first that could not be (all of them on success). A store that keeps a
    // key in one file writes them in one step, all or none.
    virtual std::size_t SetValues(const StoredValues& values) {
        std::size_t written = 0;
        while (written < values.size() && Set(values[written].first, values[written].second)) {
            ++written;
        }
        return written;
    }
    // The number of direct subkeys; a count that cannot be taken is
    // reported as a large number, never as 0, so that nothing is deleted
    // on a guess.
    virtual std::size_t SubkeyCount() = 0;
    // Deletes a direct subkey with everything below it; false on failure.
    virtual bool DeleteSubkeyTree(const std::string& name) = 0;
};

class SettingsStore {
  public:
    enum class Access { Full, Read };
    virtual ~SettingsStore() = default;
    // Opens an existing key; nothing when it does not exist or access is
    // refused. Creates nothing.
    virtual std::unique_ptr<SettingsKey> Open(const std::string& keyPath, Access access) = 0;
    // Opens a key, creating it and any missing parents; nothing on failure.
    virtual std::unique_ptr<SettingsKey> Create(const std::string& keyPath) = 0;
    // Makes a key that is not there yet together with its values, creating
    // any missing parents. The program's stores make the key appear in one
    // step, whole: a failed or killed creation leaves no key, never one with
    // only some of its values (this default only creates the key, then
    // writes). Returns how many values were written, as SetValues does;
    // nothing when the key is there already (another program may have made
    // it first), which is then left as it is.
    virtual std::optional<std::size_t> CreateWithValues(const std::string& keyPath,
                                                        const StoredValues& values) {
        if (Open(keyPath, Access::Read)) {
            return std::nullopt;
        }
        std::unique_ptr<SettingsKey> key = Create(keyPath);
        return key ? key->SetValues(values) : 0;
    }
    // "Windows registry", or the root folder of a file-backed store.
    virtual std::string Describe() const = 0;

    // Held for a whole read-change-write of a key, so that two programs
    // changing it at once lose nothing: a store that keeps a key in a file
    // locks it (and may raise FileBusyError); the registry needs nothing.
    class ChangeLock {
      public:
        virtual ~ChangeLock() = default;
    };
    virtual std::unique_ptr<ChangeLock> LockForChange(const std::string& keyPath) {
        (void)keyPath;
        return nullptr;
    }
};

// The store the program uses: the registry on Windows; elsewhere the folder
// $KEELSON_REGISTRY, or else $XDG_CONFIG_HOME/keelson/registry
// (~/.config/keelson/registry).
std::unique_ptr<SettingsStore> OpenMachineStore();

}  // namespace keelson::platform
