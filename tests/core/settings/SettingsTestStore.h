#pragma once
// The settings store that the settings tests run on, and what a test does to
// it behind the program's back. Elsewhere it is the file-backed store in the
// test's own folder; on Windows the registry's 32-bit view, where the
// program's key and the game installer's key are removed before and after
// each test.
//
// Key paths use "/" between their components: "Software/Brindlewood".
// Values are given and shown as the lines of a REGEDIT4 file:
//   "UtBasePath"="/games/ut"  "ExitOnRunUT"=dword:00000001  "X"=hex(4):00,01

#include <memory>
#include <string>
#include <vector>

#include "platform/SettingsStore.h"

namespace keelson::test {

class SettingsTestStore {
  public:
    // folder: the test's own temporary folder.
    explicit SettingsTestStore(const std::string& folder);
    ~SettingsTestStore();
    SettingsTestStore(const SettingsTestStore&) = delete;
    SettingsTestStore& operator=(const SettingsTestStore&) = delete;

    platform::SettingsStore& Store() { return *store_; }

    // Creates the key and its parents.
    void MakeKey(const std::string& key);
    bool KeyExists(const std::string& key) const;
    // Replaces the key's values (creating the key) with those of the lines.
    void WriteValues(const std::string& key, const std::string& lines);
    // The key's values, one line each, in the order the store keeps them:
    // the order of writing in a values file; the order of their names in the
    // registry, which keeps no order of writing that can be read back (Wine
    // lists values by name, Windows as they were made).
    std::string ValuesText(const std::string& key) const;
    // How ValuesText shows values written in the order of the lines.
    std::string AsStored(const std::string& lines) const;
    // Leaves the key (and what is below it) readable but not writable.
    void MakeReadOnly(const std::string& key);

  private:
    std::string root_;
    std::unique_ptr<platform::SettingsStore> store_;
    std::vector<std::string> readOnly_;
};

}  // namespace keelson::test
