#pragma once
// The settings as keelson-cli sees them: read from the machine's settings
// store and never prompted for. With the settings key present they are the
// existing-key defaults with the stored values over them; without it, the
// values that a first start would write. Reading creates nothing.

#include <string>

#include "core/settings/Settings.h"
#include "platform/SettingsStore.h"

namespace keelson::cli {

struct StoredSettings {
    bool keyPresent = false;
    TAppSettings settings;
};

// Raises RegistryError when a stored value cannot be read ("Invalid data
// type for 'ExitOnRunUT'").
StoredSettings ReadStoredSettings(platform::SettingsStore& store);

// The stored PathToUtSysIni and PathToUtUserIni of the machine's store, as
// `keelson-cli settings show` prints them: the defaults of --system-ini and
// --user-ini.
std::string StoredSystemIniPath();
std::string StoredUserIniPath();

}  // namespace keelson::cli
