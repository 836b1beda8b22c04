// The file-backed store: one folder per key, its values in "values.reg".
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/posix/FileSettingsStore.h"
#include "tests/core/settings/SettingsTestStore.h"
#include "tests/support/TempDir.h"

namespace keelson::test {

SettingsTestStore::SettingsTestStore(const std::string& folder)
    : root_(folder + "/registry"), store_(platform::OpenFileStore(root_)) {}

SettingsTestStore::~SettingsTestStore() = default;

void SettingsTestStore::MakeKey(const std::string& key) {
    std::filesystem::create_directories(root_ + "/" + key);
}

bool SettingsTestStore::KeyExists(const std::string& key) const {
    return std::filesystem::exists(root_ + "/" + key);
}

void SettingsTestStore::WriteValues(const std::string& key, const std::string& lines) {
    MakeKey(key);
    std::ofstream(root_ + "/" + key + "/values.reg", std::ios::binary | std::ios::trunc) << lines;
}

std::string SettingsTestStore::ValuesText(const std::string& key) const {
    return ReadBytes(root_ + "/" + key + "/values.reg");
}

std::string SettingsTestStore::AsStored(const std::string& lines) const {
    return lines;
}

void SettingsTestStore::MakeReadOnly(const std::string& key) {
    MakeKey(key);
    ::chmod((root_ + "/" + key).c_str(), 0555);
}

}  // namespace keelson::test
