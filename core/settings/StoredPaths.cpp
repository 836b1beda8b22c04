#include "core/settings/StoredPaths.h"

namespace keelson::cli {

StoredSettings ReadStoredSettings(platform::SettingsStore& store) {
    StoredSettings stored;
    stored.keyPresent = SettingsKeyExists(store);
    if (stored.keyPresent) {
        SetExistingKeyDefaults(stored.settings);
        LoadPathValues(store, stored.settings);
        LoadFlagValues(store, stored.settings);
    } else {
        SetFirstStartValues(stored.settings, DetectGameFolder(store));
    }
    return stored;
}

std::string StoredSystemIniPath() {
    return ReadStoredSettings(*platform::OpenMachineStore()).settings.PathToUtSysIni;
}

std::string StoredUserIniPath() {
    return ReadStoredSettings(*platform::OpenMachineStore()).settings.PathToUtUserIni;
}

}  // namespace keelson::cli
